/* Menu Manager. */
#ifndef TOLVADEX_MENUS_H
#define TOLVADEX_MENUS_H

#include "MacTypes.h"

struct MenuInfo;
typedef struct MenuInfo *MenuPtr;
typedef MenuPtr *MenuHandle;

/* Patchable through the trap table. DrawMenuBa is DrawMenuBar, whose name Windows itself uses. */
ZEL_API int32_t ZEL_CALL PopUpMenuSelect(MenuHandle menu, int16_t top, int16_t left, int16_t popUpItem);
ZEL_API void ZEL_CALL DrawMenuBa(void);
ZEL_API void ZEL_CALL HiliteMenu(int16_t menuID);

#endif

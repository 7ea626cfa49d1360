/* Font Manager. */
#ifndef TOLVADEX_FONTS_H
#define TOLVADEX_FONTS_H

#include "MacTypes.h"

ZEL_API void ZEL_CALL GetFNum(ConstStr255Param name, int16_t *familyID);

/* The installed-font list: rebuilt when the default printer changed, or always when force is nonzero.
   ZEL_GetIntlSystemFont answers the font number of the double-byte system face the last rebuild
   found (0 when none). */
ZEL_API void ZEL_CALL ZEL_UpdateFontList(int16_t force);
ZEL_API int16_t ZEL_CALL ZEL_GetIntlSystemFont(void);

#endif

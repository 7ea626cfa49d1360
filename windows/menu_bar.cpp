// Menu bar and menu selection: the default bodies of the patchable menu calls and InitMenus.
#include "menu_manager.h"

#include <cstring>

#include "MacMemory.h"
#include "../core/core_services.h"

void ZEL_CALL RebuildMenuBar(void) {}
void ZEL_CALL HiliteMenuImpl(int16_t) {}
int32_t PopUpMenuSelectDefault(MenuHandle, int16_t, int16_t, int16_t) { return 0; }

int16_t BarMenuIDAtIndex(int16_t index)
{
    Handle list = LowMem<Handle>(lmMenuList);
    if (!list || !*list || index < 1)
        return 0;
    const int32_t size = GetHandleSize(list);
    const int16_t lastOffset = *reinterpret_cast<const int16_t *>(*list);
    if (index * 6 > lastOffset || index * 6 + 6 > size)
        return 0;
    MenuHandle menu;
    std::memcpy(&menu, *list + index * 6, sizeof menu);
    return menu && *menu ? (*menu)->menuID : 0;
}

// PENDING: the menu bar work adds the empty MenuList, the host frame menu, MenuFlash and the menu colours.
ZEL_EXTERN_C void ZEL_CALL InitMenus(void)
{
    ComputeMenuGeometry();
    LoadMenuHostStrings();
    ClearHierMenus();
    ClearMenuItemTable();
}

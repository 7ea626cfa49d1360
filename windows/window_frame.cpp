// The window frame and the multiple-document glue.
#include "window_manager.h"

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_MDIDefaultState(int16_t set, uint32_t value, int32_t)
{
    if (set) {
        SetLibrarySetting(settingMDIDefaultState, static_cast<int32_t>(value));
    } else if (HWND client = SessionMdiClient()) {
        HWND active = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
        if (active)
            SetLibrarySetting(settingMDIDefaultState, IsZoomed(active) ? WS_MAXIMIZE : 0);
    }
    return static_cast<uint32_t>(LibrarySetting(settingMDIDefaultState));
}

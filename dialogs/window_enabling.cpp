// Disabling and enabling the host's windows around the library's modal common dialogs.
#include "dialogs_services.h"
#include "../core/core_services.h"
#include "MacWindows.h"

namespace {
constexpr int16_t kDialogKind = 2;
}

// PENDING: the Dialog Manager exports these and, while a modal filter runs, acts on the first window only.
HWND ZEL_EnableWindowsEx(WindowPtr window, Boolean enable, Boolean fromThisWindow, Boolean includeMain)
{
    HWND mainWindow = SessionMainWindow();
    if (includeMain && mainWindow)
        EnableWindow(mainWindow, enable ? TRUE : FALSE);
    if (!window)
        return mainWindow;
    auto peek = reinterpret_cast<WindowPeek>(window);
    HWND owner = peek->windowKind == kDialogKind ? ZEL_GethWnd(window) : mainWindow;
    for (WindowPeek p = fromThisWindow ? peek : peek->nextWindow; p; p = p->nextWindow) {
        HWND hwnd = ZEL_GethWnd(reinterpret_cast<WindowPtr>(p));
        if (hwnd && IsWindowVisible(hwnd))
            EnableWindow(hwnd, enable ? TRUE : FALSE);
    }
    return owner;
}

// PENDING: the Dialog Manager exports these and, while a modal filter runs, acts on the first window only.
HWND ZEL_EnableWindows(WindowPtr window, Boolean enable, Boolean fromThisWindow)
{
    return ZEL_EnableWindowsEx(window, enable, fromThisWindow, true);
}

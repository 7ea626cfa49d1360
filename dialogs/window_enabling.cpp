// Disabling and enabling the host's windows around the library's modal common dialogs.
#include "dialogs_services.h"
#include "../core/core_services.h"
#include "MacWindows.h"

namespace {
constexpr int16_t kDialogKind = 2;
}

// The main window when asked (not while a modal filter runs), then the visible windows of the list from
// the window (or the one after it); while a filter runs only the first of them. The answer is the owner
// for a modal window: the dialog's own Windows window, else the main window.
ZEL_EXTERN_C HWND ZEL_CALL ZEL_EnableWindowsEx(WindowPtr window, Boolean enable, Boolean fromThisWindow,
                                               Boolean includeMain)
{
    HWND mainWindow = SessionMainWindow();
    const bool filterRunning = ModalFilterDepth() > 0;
    if (includeMain && mainWindow && !filterRunning)
        EnableWindow(mainWindow, enable ? TRUE : FALSE);
    if (!window)
        return mainWindow;
    auto peek = reinterpret_cast<WindowPeek>(window);
    HWND owner = peek->windowKind == kDialogKind ? ZEL_GethWnd(window) : mainWindow;
    for (WindowPeek p = fromThisWindow ? peek : peek->nextWindow; p; p = p->nextWindow) {
        HWND hwnd = ZEL_GethWnd(reinterpret_cast<WindowPtr>(p));
        if (hwnd && IsWindowVisible(hwnd)) {
            EnableWindow(hwnd, enable ? TRUE : FALSE);
            if (filterRunning)
                break;
        }
    }
    return owner;
}

ZEL_EXTERN_C HWND ZEL_CALL ZEL_EnableWindows(WindowPtr window, Boolean enable, Boolean fromThisWindow)
{
    return ZEL_EnableWindowsEx(window, enable, fromThisWindow, true);
}

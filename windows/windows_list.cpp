// The window list: the Macintosh front-to-back order (WindowList, linked through nextWindow) kept in step
// with the Windows Z-order of the library's windows.
#include "window_manager.h"
#include "../quickdraw/qd_services.h"

namespace {

// Raised around every UpdateWindow the library makes itself.
int sSyncPaintDepth;

} // namespace

WindowPtr WindowListHead()
{
    void *cell = LowMemCell(lmWindowList);
    return cell ? *static_cast<WindowPtr *>(cell) : nullptr;
}

void SetWindowListHead(WindowPtr window)
{
    if (void *cell = LowMemCell(lmWindowList))
        *static_cast<WindowPtr *>(cell) = window;
}

void WindowListUnlink(WindowPtr window)
{
    WindowPeek target = Peek(window);
    if (!target)
        return;
    if (WindowListHead() == window) {
        SetWindowListHead(AsWindow(target->nextWindow));
    } else {
        for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow) {
            if (p->nextWindow == target) {
                p->nextWindow = target->nextWindow;
                break;
            }
        }
    }
    target->nextWindow = nullptr;
}

int SyncPaintDepth() { return sSyncPaintDepth; }

void UpdateWindowSynchronously(HWND hwnd)
{
    ++sSyncPaintDepth;
    UpdateWindow(hwnd);
    --sSyncPaintDepth;
}

// PENDING: the window list work places a window by its placement class.
void WindowListPlace(WindowPtr) {}

// PENDING: the window list work reorders the list and the Windows windows.
void SendBehindImpl(WindowPtr, WindowPtr) {}

// PENDING: the window list work keeps the Windows Z-order with the list.
void SyncWindowZOrder(WindowPtr window, bool show, bool activate, bool)
{
    HWND hwnd = PlacementHwnd(window);
    if (!hwnd)
        return;
    SetWindowVisibleFlag(window, show ? 1 : 0);
    UINT flags = SWP_NOSIZE | SWP_NOMOVE | (show ? SWP_SHOWWINDOW | SWP_FRAMECHANGED : SWP_HIDEWINDOW);
    if (!activate)
        flags |= SWP_NOACTIVATE;
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, flags);
    if (show)
        UpdateWindowSynchronously(hwnd);
}

// PENDING: the window list work posts the activate and deactivate events.
void SwapActiveWindow(WindowPtr, WindowPtr, bool) {}

// Default bodies of the patchable ordering calls.
// PENDING: the window list work shows a window in its place and activates it.
void ZEL_CALL ShowWindowImpl(WindowPtr window)
{
    if (window && !Peek(window)->visible)
        SyncWindowZOrder(window, true, true, false);
}

// PENDING: the window list work activates the next window.
void ZEL_CALL HideWindowImpl(WindowPtr window)
{
    if (window && Peek(window)->visible)
        SyncWindowZOrder(window, false, false, false);
}

// PENDING: the window list work brings the window to the front and activates it.
void ZEL_CALL SelectWindowImpl(WindowPtr) {}

WindowPtr ZEL_CALL FrontWindowImpl(void)
{
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
        if (p->visible)
            return AsWindow(p);
    return nullptr;
}

// The window list: the Macintosh front-to-back order (WindowList, linked through nextWindow) and the
// Windows Z-order of the library's windows are two views of one order. Toolbox calls change the list and
// push it onto the Windows windows; activation and Z-order changes made by the user are read back by
// ZEL_UpdateWindows and ZEL_EventActivate. Activate and deactivate events are left to the pump, which
// makes them from the pending activations set here.
#include "window_manager.h"
#include "../dialogs/dialogs_services.h"
#include "../quickdraw/qd_services.h"

namespace {

// Raised around every UpdateWindow the library makes itself.
int sSyncPaintDepth;
// Raised around the SetWindowPos of the geometry core: the list is then not rebuilt from the Z-order.
int sPlacementCount;
// Set by ZEL_UpdateWindows(0): Windows changed the Z-order and the list has not followed yet.
bool sZOrderStale;

WindowPeek NextOf(WindowPtr w) { return Peek(w)->nextWindow; }

// Inserts an unlinked window in front of `before`, or after `after`, or at the head.
void LinkWindow(WindowPtr window, WindowPtr before, WindowPtr after)
{
    WindowPeek w = Peek(window);
    if (before) {
        if (WindowListHead() == before) {
            w->nextWindow = Peek(before);
            SetWindowListHead(window);
            return;
        }
        for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
            if (p->nextWindow == Peek(before)) {
                w->nextWindow = p->nextWindow;
                p->nextWindow = w;
                return;
            }
    }
    if (after) {
        w->nextWindow = Peek(after)->nextWindow;
        Peek(after)->nextWindow = w;
        return;
    }
    w->nextWindow = Peek(WindowListHead());
    SetWindowListHead(window);
}

bool InList(WindowPtr window)
{
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
        if (AsWindow(p) == window)
            return true;
    return false;
}

HWND ParentOfPlacement(WindowPtr window)
{
    HWND hwnd = PlacementHwnd(window);
    return hwnd ? GetParent(hwnd) : nullptr;
}

// The last window before `window` in the list that is visible (when asked) and has the given Windows
// parent (when given); with none and not visibleOnly, for a window that does not float, the last
// floating window before it. WindowInFront(0, false, 0) is the last window of the list.
WindowPtr WindowInFront(WindowPtr window, bool visibleOnly, HWND parent)
{
    WindowPtr found = nullptr, floating = nullptr;
    for (WindowPeek p = Peek(WindowListHead()); p && AsWindow(p) != window; p = p->nextWindow) {
        WindowPtr w = AsWindow(p);
        if (IsFloatingWindow(w))
            floating = w;
        if (visibleOnly && !p->visible)
            continue;
        if (parent && ParentOfPlacement(w) != parent)
            continue;
        found = w;
    }
    if (!found && !visibleOnly && window && !IsFloatingWindow(window))
        found = floating;
    return found;
}

// Moves a window to follow another in the list.
void WindowListFollow(WindowPtr window, WindowPtr previous)
{
    if (window == previous || NextOf(previous) == Peek(window))
        return;
    WindowListUnlink(window);
    LinkWindow(window, nullptr, previous);
}

// The list follows the Windows Z-order of the library windows under one parent.
void RebuildFromZOrder(HWND parent)
{
    WindowPtr previous = nullptr;
    for (HWND h = GetTopWindow(parent); h; h = GetWindow(h, GW_HWNDNEXT)) {
        WindowPtr w = nullptr;
        if (!IsWindowVisible(h) || !HwndToWindowPtr(h, &w, nullptr) || !w || w == ClosingWindow() || !InList(w))
            continue;
        if (!previous)
            WindowListPlace(w);
        else
            WindowListFollow(w, previous);
        previous = w;
    }
}

// The record follows its Windows window: visibility, structure and content regions, visible region.
void WindowSyncFromHwnd(HWND hwnd)
{
    WindowPtr window = nullptr;
    if (!HwndToWindowPtr(hwnd, &window, nullptr) || !window || window == WindowBeingCreated())
        return;
    WindowPeek peek = Peek(window);
    HWND placed = PlacementHwnd(window);
    bool visible = IsWindowVisible(placed);
    if (!visible && IsIconic(SessionMainWindow()))
        visible = peek->visible;
    if (peek->visible != (visible ? 1 : 0))
        SetWindowVisibleFlag(window, visible ? 1 : 0);
    if (!peek->strucRgn || !(peek->visible || (window->visRgn && !EmptyRgn(window->visRgn))))
        return;
    RECT r;
    GetWindowRect(placed, &r);
    SetRectRgnClamped(peek->strucRgn, r.left, r.top, r.right, r.bottom);
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT *>(&r), 2);
    SetRectRgnClamped(peek->contRgn, r.left, r.top, r.right, r.bottom);
    CalcVis(window);
}

} // namespace

// ---- the list ----

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

void WindowListRelink(WindowPtr window, WindowPtr beforeWindow, WindowPtr lastWindow)
{
    if (beforeWindow == window || window == ClosingWindow())
        return;
    WindowListUnlink(window);
    LinkWindow(window, beforeWindow, lastWindow);
}

// Placement classes from the front: pop-ups, children of the host's main window, the other children.
void WindowListPlace(WindowPtr window)
{
    if (!window || window == ClosingWindow())
        return;
    HWND main = SessionMainWindow();
    WindowPtr first = nullptr, firstNonPopUp = nullptr, firstOther = nullptr, last = nullptr;
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow) {
        WindowPtr w = AsWindow(p);
        if (w == window)
            continue;
        if (!first)
            first = w;
        if (!IsPopUpWindow(w)) {
            if (!firstNonPopUp)
                firstNonPopUp = w;
            if (!firstOther && ParentOfPlacement(w) != main)
                firstOther = w;
        }
        last = w;
    }
    WindowPtr before = IsPopUpWindow(window)                  ? first
                       : ParentOfPlacement(window) == main ? firstNonPopUp
                                                           : firstOther;
    WindowListRelink(window, before, before ? nullptr : last);
}

int SyncPaintDepth() { return sSyncPaintDepth; }
void SetSyncPaintDepth(int depth) { sSyncPaintDepth = depth; }

void RaiseSyncPaintDepth(int delta) { sSyncPaintDepth += delta; }

void UpdateWindowSynchronously(HWND hwnd)
{
    ++sSyncPaintDepth;
    UpdateWindow(hwnd);
    --sSyncPaintDepth;
}

void EnterPlacement() { ++sPlacementCount; }
void LeavePlacement() { --sPlacementCount; }
bool WindowZOrderStale() { return sZOrderStale; }

void SyncWindowZOrder(WindowPtr window, bool show, bool activate, bool keepOrder)
{
    HWND hwnd = PlacementHwnd(window);
    if (!hwnd)
        return;
    WindowPeek peek = Peek(window);
    const bool wasVisible = peek->visible;
    SetWindowVisibleFlag(window, show ? 1 : 0);
    HWND parent = GetParent(hwnd);
    WindowPtr inFront = WindowInFront(window, true, parent);
    HWND insertAfter = inFront ? PlacementHwnd(inFront) : nullptr;
    if (show && (IsPopUpWindow(window) || (inFront && IsPopUpWindow(inFront)))) {
        insertAfter = nullptr;
        WindowListPlace(window);
    }
    UINT flags = show ? SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW
                      : SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_HIDEWINDOW;
    if (!keepOrder && insertAfter)
        flags |= SWP_NOZORDER;
    if (keepOrder && show && activate && !insertAfter)
        flags &= ~SWP_NOACTIVATE;
    if (LibrarySetting(settingNoRedrawPlacement))
        flags |= SWP_NOREDRAW;
    SetWindowPos(hwnd, insertAfter ? insertAfter : HWND_TOP, 0, 0, 0, 0, flags);
    ZEL_UpdateWindows(2);
    if (show) {
        if (peek->windowKind == dialogKind && !wasVisible)
            InvalidateRect(WindowHwnd(window), nullptr, FALSE);
        ZEL_ClipRgnChange(window);
        UpdateWindowSynchronously(hwnd);
    }
}

void SwapActiveWindow(WindowPtr oldWindow, WindowPtr newWindow, bool hilite)
{
    if (oldWindow == newWindow)
        return;
    if (oldWindow) {
        SetPendingActivation(oldWindow, false);
        HiliteWindow(oldWindow, FALSE);
    }
    if (newWindow) {
        SetPendingActivation(newWindow, true);
        if (hilite && AuxOf(newWindow))
            HiliteWindow(newWindow, TRUE);
    }
}

void SendBehindImpl(WindowPtr window, WindowPtr behindWindow)
{
    if (!window || window == behindWindow)
        return;
    WindowPtr oldFront = FrontWindow();
    WindowListUnlink(window);
    if (!behindWindow) {
        WindowPtr last = WindowInFront(nullptr, false, nullptr);
        LinkWindow(window, nullptr, last);
    } else {
        LinkWindow(window, nullptr, behindWindow);
    }
    HWND hwnd = PlacementHwnd(window);
    if (hwnd && IsWindowVisible(hwnd)) {
        if (!behindWindow) {
            SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
            ZEL_UpdateWindows(2);
        } else {
            SyncWindowZOrder(window, true, true, true);
        }
    }
    SwapActiveWindow(oldFront, FrontWindow(), true);
}

WindowPtr FirstVisibleWindow()
{
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
        if (p->visible && IsWindowVisible(PlacementHwnd(AsWindow(p))))
            return AsWindow(p);
    return nullptr;
}

// ---- default bodies of the patchable ordering calls ----

WindowPtr ZEL_CALL FrontWindowImpl(void)
{
    if (!LowMemCell(lmWindowList))
        return nullptr;
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
        if (p->visible)
            return AsWindow(p);
    return nullptr;
}

void ZEL_CALL SelectWindowImpl(WindowPtr window)
{
    if (!AuxOf(window) || !Peek(window)->visible)
        return;
    WindowPtr oldFront = FrontWindow();
    if (oldFront == window)
        return;
    BringToFront(window);
    SwapActiveWindow(oldFront, window, true);
}

void ZEL_CALL ShowWindowImpl(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return;
    if (!Peek(window)->visible) {
        WindowPtr oldFront = FrontWindow();
        SyncWindowZOrder(window, true, true, IsFloatingWindow(window) || WindowListHead() == window);
        if (FrontWindow() == window)
            SwapActiveWindow(oldFront, window, true);
    }
    aux = AuxOf(window);
    if (aux && Peek(window)->visible && FrontWindow() == window && (aux->stateFlags & wsfTakesFocus))
        SetFocus(aux->hwnd);
}

void ZEL_CALL HideWindowImpl(WindowPtr window)
{
    if (!AuxOf(window) || !Peek(window)->visible)
        return;
    const bool wasFront = FrontWindow() == window;
    SyncWindowZOrder(window, false, false, false);
    if (wasFront) {
        for (WindowPeek p = Peek(window)->nextWindow; p; p = p->nextWindow)
            if (p->visible) {
                WindowListPlace(AsWindow(p));
                break;
            }
    }
    SwapActiveWindow(window, FrontWindow(), true);
}

// ---- exported calls ----

ZEL_EXTERN_C void ZEL_CALL BringToFront(WindowPtr window)
{
    if (!AuxOf(window))
        return;
    WindowListPlace(window);
    if (Peek(window)->visible)
        SyncWindowZOrder(window, true, true, true);
}

ZEL_EXTERN_C void ZEL_CALL SendBehind(WindowPtr window, WindowPtr behindWindow)
{
    if (AuxOf(window))
        SendBehindImpl(window, behindWindow);
}

ZEL_EXTERN_C void ZEL_CALL ShowHide(WindowPtr window, Boolean showFlag)
{
    if (!AuxOf(window) || (Peek(window)->visible != 0) == (showFlag != 0))
        return;
    SyncWindowZOrder(window, showFlag, false, showFlag);
}

ZEL_EXTERN_C void ZEL_CALL HiliteWindow(WindowPtr window, Boolean fHilite)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return;
    WindowPeek peek = Peek(window);
    const uint8_t on = fHilite ? 1 : 0;
    if ((on && !AppActiveFlag()) || peek->hilited == on)
        return;
    peek->hilited = on;
    if (peek->visible) {
        SendMessageA(aux->hwnd, WM_NCACTIVATE, on, 0);
        SendMessageA(aux->hwnd, WM_NCPAINT, 1, 0);
    }
    if (LibrarySetting(settingHiliteScrollBars) && peek->windowDefProc < 16 && peek->windowKind != dialogKind)
        EnableScrollBarControls(window, on);
    aux = AuxOf(window);
    if (on && aux && (aux->stateFlags & wsfTakesFocus))
        SetFocus(aux->hwnd);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ForceDeactActPair(WindowPtr deactivated, WindowPtr activated)
{
    if (deactivated) {
        SetPendingActivation(deactivated, false);
        Peek(deactivated)->hilited = 1;
        HiliteWindow(deactivated, FALSE);
    }
    if (activated) {
        SetPendingActivation(activated, true);
        HiliteWindow(activated, TRUE);
    }
}

ZEL_EXTERN_C void ZEL_CALL ZEL_UpdateWindows(int16_t mode)
{
    if (WindowCreationInProgress())
        return;
    if (mode == 0) {
        sZOrderStale = true;
        return;
    }
    if (sPlacementCount <= 0) {
        HWND client = HostClientWindow(), main = SessionMainWindow();
        RebuildFromZOrder(client);
        if (main != client)
            RebuildFromZOrder(main);
    }
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
        WindowSyncFromHwnd(WindowHwnd(AsWindow(p)));
    sZOrderStale = false;
}

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_EventActivate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEACTIVATE) {
        if (!AppActiveFlag())
            return MA_ACTIVATEANDEAT;
        // With the other windows left enabled around a modal dialog (setting 28), a click on one of them
        // does not take the activation from the dialog.
        if (HWND modal = LibrarySetting(settingModalWindows) ? ModalDialogWindow() : nullptr)
            if (hwnd != modal && !IsChild(modal, hwnd))
                return MA_NOACTIVATE;
        // A click on the frame of a child window that is not on top of its siblings: the caption drag
        // reaches the application as a part-4 click whose DragWindow brings the window forward.
        HWND parent = GetParent(hwnd);
        const UINT hit = LOWORD(lParam);
        WindowPtr clicked = nullptr;
        if ((GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) &&
            (parent == SessionMainWindow() || parent == HostClientWindow()) && hit != HTCLIENT && hit != HTHSCROLL &&
            hit != HTVSCROLL && GetTopWindow(parent) != hwnd && HwndToWindowPtr(hwnd, &clicked, nullptr) && clicked &&
            clicked != WindowBeingCreated()) {
            WindowPtr top = nullptr;
            HwndToWindowPtr(GetTopWindow(parent), &top, nullptr);
            if (top == WindowBeingCreated())
                top = nullptr;
            SetFrameTrackingSlot(slotFrontBeforeDrag, top);
            SetFrameTrackingSlot(slotDrag, clicked);
            PostPartMouseDown(inDrag);
            SwapActiveWindow(top, clicked, true);
        }
        return MA_ACTIVATE;
    }
    WindowPtr target = nullptr, deactivated = nullptr;
    bool active = false;
    HWND main = SessionMainWindow();
    auto recordOf = [](HWND h) {
        WindowPtr w = nullptr;
        HwndToWindowPtr(h, &w, nullptr);
        return w;
    };
    switch (message) {
    case WM_ACTIVATE: {
        active = LOWORD(wParam) != WA_INACTIVE;
        WindowPtr other = recordOf(reinterpret_cast<HWND>(lParam));
        if (hwnd == main) {
            target = FrontWindow();
            if (target == other)
                target = nullptr;
        } else {
            target = recordOf(hwnd);
        }
        break;
    }
    case WM_MDIACTIVATE:
        active = reinterpret_cast<HWND>(lParam) == hwnd;
        target = recordOf(hwnd);
        deactivated = recordOf(reinterpret_cast<HWND>(wParam));
        break;
    case WM_CHILDACTIVATE:
        if (!LowMem<WindowPtr>(lmCurActivate)) {
            target = recordOf(hwnd);
            active = true;
        }
        break;
    default:
        return 0;
    }
    if (!target || target == ClosingWindow() || target == WindowBeingCreated())
        return 0;
    WindowPtr front = FrontWindow();
    if ((Peek(target)->hilited != 0) != active || (active && target != front)) {
        if (active) {
            WindowPtr old = deactivated && deactivated != target ? deactivated : front;
            SwapActiveWindow(old == target ? nullptr : old, target, true);
        } else {
            SetPendingActivation(target, false);
            HiliteWindow(target, FALSE);
        }
    }
    if (active)
        ZEL_UpdateWindows(2);
    return 0;
}

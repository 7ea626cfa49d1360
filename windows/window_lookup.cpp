// Window lookup: from a Windows handle to the WindowRecord behind it, in constant time through the
// "ZEL_wFlag" property and the window's extra bytes. While a window is being made or taken down the
// creation and closing marks stand in for the tie.
#include "window_manager.h"
#include "../dialogs/dialogs_services.h"
#include "../quickdraw/qd_services.h"

bool HwndToWindowPtr(HWND hwnd, WindowPtr *window, uint16_t *createFlags)
{
    WindowPtr found = nullptr;
    uint16_t flags = 0;
    bool tied = hwnd && (reinterpret_cast<uintptr_t>(GetPropA(hwnd, MAKEINTATOM(SessionWindowAtom()))) & 1);
    if (tied || (hwnd && hwnd == ClosingHwnd())) {
        found = reinterpret_cast<WindowPtr>(static_cast<uintptr_t>(GetWindowLongA(hwnd, zelWindowPtrLong)));
        if (hwnd == ClosingHwnd() && !found)
            found = ClosingWindow();
        if (WindowAuxRecord *aux = AuxOf(found))
            flags = aux->createFlags;
    } else if (WindowCreationInProgress()) {
        found = WindowBeingCreated();
        flags = CreationFlagsInProgress();
    }
    if (window)
        *window = found;
    if (createFlags)
        *createFlags = flags;
    return found != nullptr;
}

bool IsMacFrameWindow(HWND hwnd)
{
    WindowPtr window = nullptr;
    if (!HwndToWindowPtr(hwnd, &window, nullptr))
        return false;
    if (window == WindowBeingCreated())
        return CreationMacFrame();
    WindowAuxRecord *aux = AuxOf(window);
    return aux && (aux->stateFlags & wsfMacFrame);
}

WindowPtr LibraryWindowForHwnd(HWND hwnd, HWND parent, HWND *owner, bool *isTop)
{
    if (owner)
        *owner = nullptr;
    if (isTop)
        *isTop = false;
    HWND main = SessionMainWindow(), client = HostClientWindow();
    bool isEdit = false;
    if (!hwnd || hwnd == GetDesktopWindow())
        return nullptr;
    if (hwnd == main || hwnd == client) {
        if (isTop)
            *isTop = true;
        return nullptr;
    }
    LibraryControlKind(hwnd, &isEdit);
    if (isEdit)
        return nullptr;
    if (!parent)
        parent = GetParent(hwnd);
    WindowPtr found = nullptr;
    if (parent == main || parent == client || !(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) {
        HwndToWindowPtr(hwnd, &found, nullptr);
    } else {
        HWND grand = GetParent(parent);
        if (grand == main || grand == client || !(GetWindowLongA(parent, GWL_STYLE) & WS_CHILD)) {
            HwndToWindowPtr(parent, &found, nullptr);
            if (owner)
                *owner = parent;
        }
    }
    // The creation mark answers any handle; only a window tied to a record, or the one in the making, counts.
    if (found && found != WindowBeingCreated() && !WindowHwnd(found))
        found = nullptr;
    if (found && isTop)
        *isTop = true;
    return found;
}

// ---- the cursor glue ----

namespace {

HCURSOR sLastCursor;
bool sCursorApplied;

} // namespace

// The Windows cursor the library set last.
ZEL_EXTERN_C HCURSOR ZEL_CALL LastAppliedCursor(void) { return sLastCursor; }

int ApplyWinCursor(HCURSOR cursor)
{
    if (!cursor)
        return 0;
    if (cursor == sLastCursor && sCursorApplied)
        return 1;
    POINT pt{};
    GetCursorPos(&pt);
    HWND under = WindowFromPoint(pt);
    DWORD process = 0;
    if (under)
        GetWindowThreadProcessId(under, &process);
    bool isTop = false;
    WindowPtr window = process == GetCurrentProcessId() ? LibraryWindowForHwnd(under, nullptr, nullptr, &isTop) : nullptr;
    if (window || (process == GetCurrentProcessId() && under == HostClientWindow())) {
        POINT local = pt;
        ScreenToClient(under, &local);
        RECT client;
        GetClientRect(under, &client);
        bool applies = PtInRect(&client, local) || MouseCaptureDepth() > 0 || under == HostClientWindow();
        WindowAuxRecord *aux = AuxOf(window);
        if (aux && (aux->createFlags & wcfResizable) && local.x >= client.right - 16 && local.y >= client.bottom - 16)
            applies = false;
        if (applies) {
            SetCursor(cursor);
            SetClassLongA(under, GCL_HCURSOR, static_cast<LONG>(reinterpret_cast<uintptr_t>(cursor)));
            if (sLastCursor && sLastCursor != cursor && !IsCachedCursor(sLastCursor))
                DestroyCursor(sLastCursor);
            sLastCursor = cursor;
        }
    } else {
        sLastCursor = cursor;
    }
    sCursorApplied = true;
    for (int i = 0; i < 4; ++i)
        if (HWND h = TopWindowCacheEntry(i))
            SetClassLongA(h, GCL_HCURSOR, static_cast<LONG>(reinterpret_cast<uintptr_t>(cursor)));
    return 1;
}

void ForgetAppliedCursor() { sCursorApplied = false; }

int ApplyCachedCursor(uint32_t hotSpotLong)
{
    if (((hotSpotLong >> 8) & 0xFF) != 0xFF)
        return 0;
    return ApplyWinCursor(CachedCursorAt(static_cast<int>(hotSpotLong >> 24)));
}

// ---- exported calls ----

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_GetwPtr(HWND hwnd, WindowPtr *window)
{
    return HwndToWindowPtr(hwnd, window, nullptr) ? TRUE : FALSE;
}

ZEL_EXTERN_C HWND ZEL_CALL ZEL_GethWnd(WindowPtr window) { return WindowHwnd(window); }

ZEL_EXTERN_C WindowPtr ZEL_CALL ZEL_FocusWindow(void)
{
    HWND focus = GetFocus();
    if (!focus)
        return nullptr;
    if (focus == SessionMainWindow() || focus == HostClientWindow())
        return FrontWindow();
    WindowPtr found = nullptr;
    for (HWND h = focus; h && !found; h = GetParent(h)) {
        if (h == SessionMainWindow() || h == HostClientWindow())
            break;
        found = LibraryWindowForHwnd(h, nullptr, nullptr, nullptr);
    }
    return found;
}

// What the Window Manager asks of the Control and Dialog Managers when it makes, highlights and closes
// windows.
#include "dialogs_services.h"
#include "list_manager.h"
#include "MacWindows.h"
#include "../core/core_services.h"
#include "../windows/windows_services.h"

// Disposes every control of the window's list, in list order.
ZEL_EXTERN_C void ZEL_CALL KillControls(WindowPtr theWindow)
{
    if (!theWindow)
        return;
    ControlHandle &list = reinterpret_cast<WindowPeek>(theWindow)->controlList;
    while (ControlHandle c = list) {
        DisposeControl(c);
        if (list == c) // a record DisposeControl could not unlink
            list = nullptr;
    }
}

// A system menu cut to the Macintosh items: Close relabelled with the host's shortcut, the items at
// positions 7 and 5 removed, then Size (unless the window keeps a sizing border), Minimize, Maximize,
// Restore and Task List.
void TrimSystemMenu(HWND hwnd, bool keepSize)
{
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu)
        return;
    RelabelSystemMenuClose(hwnd, menu);
    DeleteMenu(menu, 7, MF_BYPOSITION);
    DeleteMenu(menu, 5, MF_BYPOSITION);
    if (!keepSize)
        DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_TASKLIST, MF_BYCOMMAND);
}

// A highlighted window's scroll-bar controls are enabled where they have a range, an unhighlighted
// window's disabled.
void EnableScrollBarControls(WindowPtr window, bool enable)
{
    if (!window)
        return;
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(window)->controlList; c && guard < 65536;
         c = (*c)->nextControl, ++guard) {
        if (!*c)
            break; // an emptied record ends the list: its link cannot be read
        if (ControlTailOf(c)->custom || (*c)->contrlDefProc != scrollBarProc)
            continue;
        if (HWND hwnd = ControlTailOf(c)->hwnd)
            EnableWindow(hwnd, enable && (*c)->contrlMin < (*c)->contrlMax);
    }
}

// The kind of a child window by its window procedure: 1 edit or scroll bar, 2 button, 3 user item,
// 4 custom control, 5 static text, 6 a list's list box and 7 combo box.
uint16_t LibraryControlKind(HWND control, bool *isEdit)
{
    const WNDPROC proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC));
    if (proc == A_ListBoxWndProc) {
        if (isEdit)
            *isEdit = false;
        return controlKindList;
    }
    return ControlKindOfProc(proc, isEdit);
}

// Moves a window, dialog or alert rectangle by the positioning word of its resource: centred in the main
// window's client area (0x280A, 0x680A), or on the front window's Windows window (0xA80A; the client area
// when there is none). The move is half the difference of the sums of the edges, truncated toward zero.
void ApplyPositionSpec(Rect *rect, uint16_t position)
{
    if (!rect)
        return;
    RECT area{};
    HWND main = SessionMainWindow();
    if (position != 0x280A && position != 0x680A && position != 0xA80A)
        return;
    WindowPtr front = position == 0xA80A ? FrontWindow() : nullptr;
    HWND frontHwnd = front ? ZEL_GethWnd(front) : nullptr;
    if (frontHwnd) {
        GetWindowRect(frontHwnd, &area);
        MapWindowPoints(nullptr, GetParent(frontHwnd), reinterpret_cast<POINT *>(&area), 2);
    } else {
        GetClientRect(main, &area);
    }
    const int dh = (area.left + area.right - rect->left - rect->right) / 2;
    const int dv = (area.top + area.bottom - rect->top - rect->bottom) / 2;
    OffsetRec(rect, static_cast<int16_t>(dh), static_cast<int16_t>(dv));
}

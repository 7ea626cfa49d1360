// What the Window Manager asks of the Control and Dialog Managers when it makes, highlights and closes
// windows.
#include "dialogs_services.h"
#include "MacWindows.h"
#include "../core/core_services.h"

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

// PENDING: the Dialog Manager trims the system menu to the Macintosh items.
void TrimSystemMenu(HWND, bool) {}

// PENDING: the Control Manager subclasses the size box with A_SizeBoxWndProc.
void SubclassSizeBox(HWND) {}

// PENDING: the Control Manager enables or disables the window's scroll-bar controls.
void EnableScrollBarControls(WindowPtr, bool) {}

// The kind of a child window by its window procedure: 1 scroll bar, 2 button, 4 custom control and
// 7 combo box for the Control Manager's windows.
// PENDING: the dialog item procedures name theirs: 1 edit, 3 user item, 5 static text, 6 list box.
uint16_t LibraryControlKind(HWND control, bool *isEdit)
{
    return ControlKindOfProc(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC)), isEdit);
}

// PENDING: the Dialog Manager places windows, dialogs and alerts by the positioning word of their
// resources.
void ApplyPositionSpec(Rect *rect, uint16_t position)
{
    if (!rect)
        return;
    RECT area{};
    if (position == 0x280A || position == 0x680A) {
        GetClientRect(SessionMainWindow(), &area);
    } else if (position == 0xA80A) {
        WindowPtr front = FrontWindow();
        if (!front)
            return;
        const Rect &b = reinterpret_cast<WindowAuxRecord *>(*reinterpret_cast<WindowPeek>(front)->dataHandle)->bounds;
        area = RECT{b.left, b.top, b.right, b.bottom};
    } else {
        return;
    }
    const int w = rect->right - rect->left, h = rect->bottom - rect->top;
    const int left = area.left + (area.right - area.left - w) / 2, top = area.top + (area.bottom - area.top - h) / 2;
    *rect = Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(top + h),
                 static_cast<int16_t>(left + w)};
}

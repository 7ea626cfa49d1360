// What the Window Manager asks of the Control and Dialog Managers when it makes, highlights and closes
// windows. No control exists yet.
#include "dialogs_services.h"
#include "MacWindows.h"
#include "../core/core_services.h"

// PENDING: the Control Manager disposes the window's controls.
void KillControls(WindowPtr) {}

// PENDING: the Dialog Manager trims the system menu to the Macintosh items.
void TrimSystemMenu(HWND, bool) {}

// PENDING: the Control Manager subclasses the size box with A_SizeBoxWndProc.
void SubclassSizeBox(HWND) {}

// PENDING: the Control Manager enables or disables the window's scroll-bar controls.
void EnableScrollBarControls(WindowPtr, bool) {}

// PENDING: the child-control procedures name their kinds: 1 edit or scroll bar, 2 button, 3 user item,
// 4 custom control, 5 static text, 6 list box, 7 combo box.
uint16_t LibraryControlKind(HWND, bool *isEdit)
{
    if (isEdit)
        *isEdit = false;
    return 0xFFFF;
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

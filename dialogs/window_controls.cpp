// What the Window Manager asks of the Control and Dialog Managers when it makes, highlights and closes
// windows. No control exists yet.
#include "dialogs_services.h"

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

// PENDING: the Dialog Manager shows its hidden dialog from the next null event.
void RequestHiddenDialog() {}

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

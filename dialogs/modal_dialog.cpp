// The modal dialog loop: the default body of the patchable ModalDialog, acting on the front window.
#include "dialogs_services.h"

// PENDING: the Dialog Manager runs the modal loop on the front dialog with its filter procedure.
void ZEL_CALL ModalDialogImpl(ModalFilterProcPtr, int16_t *) {}

// PENDING: the Dialog Manager marks a dialog's default button when a round rectangle outlines it.
bool SetDefaultButtonByOutline(const Rect *, HWND) { return false; }

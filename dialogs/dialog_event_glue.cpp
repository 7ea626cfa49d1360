// What the event pump asks of the Dialog Manager. No modal dialog, combo box or hidden dialog exists yet.
#include "dialogs_services.h"

// PENDING: the Dialog Manager answers whether a modal dialog or alert window is up.
bool ModalWindowUp() { return false; }
// PENDING: the Dialog Manager raises its show-request flag from its dialog key handling; taking it clears it.
bool TakeShowHiddenDialogRequest() { return false; }
// PENDING: the Dialog Manager shows the dialog of the library's resource file until a click or a key.
void ShowHiddenDialog() {}
// PENDING: the Dialog Manager closes the drop-down list of the focused library combo box; true when one was open.
bool CloseDroppedComboBox(WindowPtr) { return false; }

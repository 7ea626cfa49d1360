// What the event pump asks of the Dialog Manager. No modal dialog, combo box or hidden dialog exists yet.
#include "dialogs_services.h"

// PENDING: the Dialog Manager answers whether a modal dialog or alert window is up.
bool ModalWindowUp() { return false; }
// The show-request flag: the dialog keyboard hook raises it when it sees the hidden-dialog sequence; the
// null-event path of the pump takes it (clearing it).
namespace {
bool sShowHiddenRequest;
} // namespace

void RequestHiddenDialog() { sShowHiddenRequest = true; }

bool TakeShowHiddenDialogRequest()
{
    const bool requested = sShowHiddenRequest;
    sShowHiddenRequest = false;
    return requested;
}
// PENDING: the Dialog Manager shows the dialog of the library's resource file until a click or a key.
void ShowHiddenDialog() {}
// PENDING: the Dialog Manager closes the drop-down list of the focused library combo box; true when one was open.
bool CloseDroppedComboBox(WindowPtr) { return false; }
// PENDING: the Dialog Manager answers a dialog item's type (GetDialogItem); 0 without a dialog item list.
int16_t DialogItemTypeOf(WindowPtr, int16_t) { return 0; }
// PENDING: the Dialog Manager keeps the dialog's editField and binds its TextEdit record to the edit control.
void NoteDialogEditFocus(WindowPtr, int16_t, HWND, bool) {}
// PENDING: the Dialog Manager counts while it changes an item's text or selection itself.
int16_t ItemChangeCounter() { return 0; }
// PENDING: the List Manager gives the clicked cell's rectangle in the list's parent; false when there is none.
bool ListClickRect(HWND, bool, Rect *) { return false; }

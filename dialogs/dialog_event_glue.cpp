// What the event pump and the command glue ask of the Dialog Manager.
#include "dialog_manager.h"

// A modal dialog or host-run modal window is up while its window is recorded.
bool ModalWindowUp() { return ModalDialogWindow() != nullptr; }
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
// A dialog item's type byte (disabled bit included). In another window a control whose child has that
// ID counts as a control item (4); anything else 0.
int16_t DialogItemTypeOf(WindowPtr window, int16_t item)
{
    if (IsDialog(window)) {
        int16_t type = 0;
        GetDialogItem(window, item, &type, nullptr, nullptr);
        return type;
    }
    if (!window)
        return 0;
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(window)->controlList; c && *c && guard < 65536;
         c = (*c)->nextControl, ++guard)
        if (HWND child = ControlWindow(c))
            if (GetDlgCtrlID(child) == item)
                return ctrlItem;
    return 0;
}

// The edit item that has the focus holds the insertion point.
// PENDING: TextEdit binds the dialog's shared record to the focused edit control.
void NoteDialogEditFocus(WindowPtr dialog, int16_t item, HWND, bool gained)
{
    if (IsDialog(dialog))
        DPeek(dialog)->editField = static_cast<int16_t>(gained ? item - 1 : -1);
}

// Raised while the Dialog Manager builds items or changes an item's text or selection itself: the
// command glue then leaves the notifications alone.
int16_t ItemChangeCounter() { return BuildingCounter(); }

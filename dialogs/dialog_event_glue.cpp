// What the event pump and the command glue ask of the Dialog Manager.
#include "dialog_manager.h"
#include "../text/text_services.h"

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

// The edit item that has the focus holds the insertion point, and the dialog's record follows it.
void NoteDialogEditFocus(WindowPtr dialog, int16_t, HWND control, bool gained)
{
    if (!IsDialog(dialog))
        return;
    if (gained)
        BindDialogText(dialog, control);
    else
        DPeek(dialog)->editField = -1;
}

// The dialog's one TextEdit record stands for whichever edit item has the focus: it is bound to that
// item's control, over the item's rectangle, and takes the control's text and selection.
bool BindDialogText(DialogPtr dialog, HWND focus)
{
    if (!IsDialog(dialog) || !focus)
        return false;
    Handle items = DPeek(dialog)->items;
    const int16_t count = ItemsPresent(items);
    for (int16_t n = 1; n <= count; ++n) {
        DitlItem item;
        if (!ItemAt(items, n, &item) || (*item.type & 0x7F) != editText || DialogItemWindow(dialog, n) != focus)
            continue;
        const Rect box = *item.rect;
        DPeek(dialog)->editField = static_cast<int16_t>(n - 1);
        if (TEHandle te = DPeek(dialog)->textH)
            RebindTERecord(te, focus, box);
        return true;
    }
    return false;
}

// Raised while the Dialog Manager builds items or changes an item's text or selection itself: the
// command glue then leaves the notifications alone.
int16_t ItemChangeCounter() { return BuildingCounter(); }

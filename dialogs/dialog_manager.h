// What the Dialog Manager's sources share among themselves: the bounded walk of an item list, the
// builder, the caption and group-title tables and the item texts.
#pragma once

#include "dialogs_services.h"

#include <cstring>

inline DialogPeek DPeek(DialogPtr d) { return reinterpret_cast<DialogPeek>(d); }
inline WindowAuxRecord *DialogAux(DialogPtr d)
{
    return reinterpret_cast<WindowAuxRecord *>(*DPeek(d)->window.dataHandle);
}
bool IsDialog(WindowPtr window);

// One item of a dialog's list, found by a walk that stays inside the handle. `at` is the item's byte
// offset in the handle; `handleField` points into the list (valid until the handle moves or grows).
struct DitlItem {
    uint32_t at;
    Handle *handleField;
    Rect *rect;
    uint8_t *type;
    uint8_t length;
    uint8_t *data;
};
// What an item's handle field holds (a control, a child window, a token or data).
inline Handle DitlItemHandle(const DitlItem &item)
{
    Handle h;
    std::memcpy(&h, item.handleField, sizeof h);
    return h;
}
// The Windows window of item n: a control item's control's child, else the child with that control ID.
HWND DialogItemWindow(DialogPtr dialog, int16_t n);
// The number of items present: the stored count plus one, cut where an item's header or data would
// pass the handle's end; 0 for a nil or empty list, and for a negative stored count.
int16_t ItemsPresent(Handle items);
// Item n (1-based) of the list; false when it is not present.
bool ItemAt(Handle items, int16_t n, DitlItem *item);
// The byte offset just past the last present item.
uint32_t ItemListEnd(Handle items);

// The creator behind NewDialog, NewColorDialog, GetNewDialog and alerts; `ditlID` names the 'ZELD'
// (-1: none).
DialogPtr MakeDialog(bool color, void *storage, const Rect *bounds, ConstStr255Param title, bool visible,
                     int16_t procID, WindowPtr behind, bool goAway, int32_t refCon, Handle items, int16_t ditlID);
// Builds the children of items from `first` on; answers 0, or 1 when an edit control could not be made.
int16_t BuildDialogItems(DialogPtr dialog, int16_t first, int16_t ditlID);
// Disposes one item's data (its child window too when `destroyChild`), clearing its handle field.
void DisposeItemData(DialogPtr dialog, int16_t item, bool destroyChild);
// A colour icon the builder made for an icon item of the dialog.
bool IsBuiltColorIcon(DialogPtr dialog, Handle icon);
// When `focus` is an edit item's control: editField names the item and the dialog's TextEdit record is
// bound to the control (its text and selection copied in). False otherwise.
bool BindDialogText(DialogPtr dialog, HWND focus);
// The building counter (raised while a build runs, and while item text or selection is changed).
int16_t &BuildingCounter();

// Caption and group-title tokens in a static text's handle field: 0xFFFFFF00 + slot and 0xFFFFFE00 + slot.
constexpr uint32_t kCaptionToken = 0xFFFFFF00, kGroupTitleToken = 0xFFFFFE00;
void FreeTitleSlot(uint32_t token);

// The window a caption or group-title token names; none for a full table's slot or a window gone.
HWND TitleTokenWindow(uint32_t token);

// The text a static text or title shows: ParamText's strings for ^0..^3, every "&" doubled so that it
// shows as on the Macintosh, the Macintosh characters converted, and the mnemonic marked. `out` holds
// kItemTextBufferSize bytes.
constexpr size_t kItemTextBufferSize = 2 * 255 + 2 + 4 * (2 * 255 + 2) + 1;
void BuildItemText(const uint8_t *text, int length, Handle focusTable, int16_t item, char *out);
// The same without ParamText: `length` characters (at most 255) shown in a static or button window.
void ShownItemText(const uint8_t *text, int length, Handle focusTable, int16_t item, char *out);
// ParamText substitution of up to 255 characters into `out`; answers the length. A positive
// `recordItem` (a build) records the item and its unsubstituted text for each parameter it names.
int SubstituteParams(const uint8_t *text, int length, uint8_t out[255], int16_t recordItem);
// The ParamText string n (0..3).
ConstStr255Param ParamString(int n);

// Scaling of dialog coordinates (session flag 0x40 on screens above 96 dots per inch).
bool DialogScalingOn();

// Running dialogs: the children brought back from hiding, the event core of ModalDialog and
// DialogSelect, the default button moved (item -1: the default item), the cancel item of a dialog.
void UnparkDialogItems(DialogPtr dialog);
bool DialogEventCore(DialogPtr dialog, const EventRecord &event, int16_t *itemHit);
void MoveDefaultButton(DialogPtr dialog, int16_t item, bool setDefault, bool checkProcedure);
bool RegisteredCancelItem(DialogPtr dialog, int16_t *item);
void ForgetCancelItem(DialogPtr dialog);
// Raised while UpdateDialog redraws children (text drawing reads it).
int16_t DialogUpdateNesting();
// The keyboard focus: the key rules (true when they consumed the key), the bookkeeping that keeps the
// focus and the default button in step, the focus given to an item, the focus given to the first item
// from an item on that the item-order rules accept (the item, 0 for none), and the end of a build noted.
bool DialogKeyRules(DialogPtr dialog, const EventRecord &event);
void DialogFocusBookkeeping(DialogPtr dialog);
void GiveItemFocus(DialogPtr dialog, int16_t item);
int16_t FocusFirstFromItem(DialogPtr dialog, int16_t from);
void NoteFocusTableBuilt(DialogPtr dialog);
// The dialog ModalDialog or a host-run modal window is running; 0 outside one.
DialogPtr CurrentModalDialog();
// A character typed into an edit item of the dialog that ModalDialog runs with a filter of the
// program's: held back from the edit control (true) until the filter has seen its key-down, which may
// drop or change it. While ModalDialog hands a held character on, the edit control takes it at once.
bool HoldModalEditCharacter(HWND edit, WPARAM character, LPARAM keyData);
bool ModalEditCharacterReplay();
// The procedure of the edit fields that stand in combo boxes' places (A_EditWndProc's, erasing through
// the saved procedure even while painting is suppressed).
LRESULT CALLBACK ComboEditWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The standard filter.
ZEL_EXTERN_C Boolean ZEL_CALL StdFilterProc(DialogPtr theDialog, EventRecord *theEvent, int16_t *itemHit);

// Services of the Dialog, Control and List Managers for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Dialogs.h"
#include "Controls.h"

struct LibraryFont;

// List Manager slot table: 255 slots of 18 bytes, allocated at session start.
void AllocListSlotTable();
void FreeListSlotTable();

// The three-dimensional look through "CTL3D32.DLL" on older shells.
BOOL Ctl3dBind(HMODULE library, HINSTANCE hostInstance);
void Ctl3dStartAutoSubclass(HINSTANCE hostInstance);
void Ctl3dSubclassControl(HWND control);
void Ctl3dUnbind(HINSTANCE hostInstance);
void SetThreeDBaseWndProc(WNDPROC proc);
LRESULT CALLBACK ThreeDDlgWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Chooses the font record the Control Manager uses: 1 the "ZEL_System" font, 0 the dialog font.
void ChooseControlFont(int16_t which);
// The font record ChooseControlFont chose last: new controls take it.
const LibraryFont &ControlFont();

// ---- Control Manager ----
// The library's 14 bytes at the end of a control's title field; a title keeps at most 241 characters.
constexpr int kControlTitleMax = 241;
constexpr int kControlTailOffset = 242;
#pragma pack(push, 2)
struct ControlTail {
    MenuHandle menu;  // the menu behind a combo box, else 0
    int16_t originV;  // the owner's portRect top-left when the child window was last placed
    int16_t originH;
    uint8_t custom;   // 1: contrlDefProc is a definition procedure
    uint8_t variant;  // procID & 15, passed to the definition procedure
    HWND hwnd;        // the child window standing for the control
};
#pragma pack(pop)
static_assert(sizeof(ControlTail) == 14, "the library's bytes fill the title field's last 14");
ControlTail *ControlTailOf(ControlHandle control);
// A control title as ANSI text for its child window, NUL-terminated; `buffer` holds
// MacToAnsiBufferSize(255) bytes.
void AnsiControlTitle(ConstStr255Param title, char *buffer);
// The child window of a control; 0 for a nil handle.
HWND ControlWindow(ControlHandle control);
// The kinds of child window the Control Manager subclasses, each with the procedure it replaced.
enum ControlWindowKind {
    controlWindowPushButton,
    controlWindowCheckBox,
    controlWindowThreeState,
    controlWindowGroupBox,
    controlWindowRadioButton,
    controlWindowScrollBar,
    controlWindowCustom,
    controlWindowComboBox,
    controlWindowKindCount
};
WNDPROC SavedControlProc(ControlWindowKind kind);
// The kind LibraryControlKind answers for a window procedure the Control Manager installed.
uint16_t ControlKindOfProc(WNDPROC proc, bool *isEdit);
// A custom control's window text carries its handle: six bytes and a NUL, no byte of them 0.
void EncodeHandleText(ControlHandle control, char text[7]);
ControlHandle DecodeHandleText(const char *text);
// Makes (existing 0) or re-creates a control and its child window. The rectangle is adjusted in place
// for the look and the kind; a missing focus table is the owner dialog's.
ControlHandle CreateControlWindow(ControlHandle existing, WindowPtr owner, Rect *bounds, ConstStr255Param title,
                                  bool visible, int16_t value, int16_t min, int16_t max, int16_t procID,
                                  int32_t refCon, Handle focusTable);
// A control from 'CNTL' controlID; `bounds`, when given, replaces the resource's rectangle.
ControlHandle GetNewControlFromResource(int16_t controlID, WindowPtr owner, const Rect *bounds, Handle focusTable);
// The first control of the window whose refCon, as a signed 16-bit number, is the item number.
bool FindControlRectByRefCon(WindowPtr window, int16_t itemNumber, Rect *rect);
// The grow box's size (ZEL_SetScrollBarWH; 16 by 16 at start).
void GrowBoxSize(int16_t *width, int16_t *height);
// PENDING: the popup menu control definition draws and pops up its menu; until then it answers 0.
int32_t ZEL_CALL ZEL_PopupCDEF(int16_t variant, ControlHandle control, int16_t message, int32_t param);
// PENDING: the control drawing calls export Draw1Control, drawn through the control's procedures; until
// then the child window is invalidated and updated.
void Draw1Control(ControlHandle control);
// PENDING: the dialog item calls set a child's title as SetDialogItemText does; until then WM_SETTEXT.
void SetControlWindowTitle(HWND hwnd, ConstStr255Param title);
// PENDING: the combo-box calls fill a box from a menu with its dialog-item sizing; until then the
// box is reset, gets each item's text in the ANSI set and selects item `selected` - 1.
void FillComboBoxFromMenu(HWND box, MenuHandle menu, int16_t selected);

// ---- Dialog builder and keyboard focus, as the Control Manager sees them ----
// PENDING: the dialog builder tells the item it is building; 0 outside it.
int16_t DialogItemBeingBuilt();
// PENDING: the dialog focus rules keep each dialog's 'ZELD' table; until then a dialog has none.
Handle DialogFocusTable(WindowPtr dialog);
// PENDING: the dialog focus rules read an item's entry flags in a 'ZELD' table; false when it has none.
bool FocusTableEntryFlags(Handle table, int16_t item, uint8_t *flags);
// PENDING: the dialog focus rules mark an item's mnemonic in its ANSI title with '&'; false when none.
bool MarkItemMnemonic(Handle table, int16_t item, char *text, size_t capacity);

// Default body of ModalDialog (the trap table's default), with its published arguments and calling
// convention.
void ZEL_CALL ModalDialogImpl(ModalFilterProcPtr filter, int16_t *itemHit);
// The Dialog Manager's nesting count: raised while a dialog is created or run modally.
int16_t DialogNestingCount();

// PENDING: the Dialog Manager marks a dialog's default button when a round rectangle outlines it.
bool SetDefaultButtonByOutline(const Rect *rect, HWND window);

// ---- Window glue ----
// Closing a window disposes its controls through KillControls (Controls.h).
// Trims a window's system menu to Macintosh behaviour; Size stays when `keepSize`.
void TrimSystemMenu(HWND hwnd, bool keepSize);
// Subclasses the size-box scroll bar a resizable window gets under the three-dimensional look.
void SubclassSizeBox(HWND sizeBox);
// Enables (where maximum > minimum) or disables the Windows scroll bars of a window's scroll-bar controls.
void EnableScrollBarControls(WindowPtr window, bool enable);
// The kind of a child control by its window procedure (0xFFFF for anything not the library's); `isEdit`
// tells an edit control of kind 1 from a scroll bar.
enum { controlKindEdit = 1, controlKindButton = 2, controlKindUserItem = 3, controlKindCustom = 4,
       controlKindStatic = 5, controlKindList = 6, controlKindCombo = 7, controlKindOther = 0xFFFF };
uint16_t LibraryControlKind(HWND control, bool *isEdit);
// The dialog keyboard hook saw the hidden-dialog sequence: the next null event shows the dialog.
void RequestHiddenDialog();

// ---- Alerts ----
// The Windows icon the Dialog Manager shows for alert icon 0 (stop), 1 (note) or 2 (caution).
// PENDING: the alert work loads and keeps the three alert icons.
HICON AlertIconHandle(int16_t which);

// ---- Event glue, as the event pump sees it ----
// PENDING: the Dialog Manager answers whether a modal dialog or alert window is up.
bool ModalWindowUp();
// PENDING: the Dialog Manager raises its show-request flag from its dialog key handling; taking it clears it.
bool TakeShowHiddenDialogRequest();
// PENDING: the Dialog Manager shows the dialog of the library's resource file until a click or a key.
void ShowHiddenDialog();
// PENDING: the Dialog Manager closes the drop-down list of the focused library combo box; true when one was open.
bool CloseDroppedComboBox(WindowPtr window);
// What the command glue asks of the Dialog Manager when a child control of a dialog notifies its parent.
// PENDING: the Dialog Manager answers a dialog item's type (GetDialogItem); 0 without a dialog item list.
int16_t DialogItemTypeOf(WindowPtr dialog, int16_t item);
// PENDING: the Dialog Manager keeps the dialog's editField and binds its TextEdit record to the edit control.
void NoteDialogEditFocus(WindowPtr dialog, int16_t item, HWND control, bool gained);
// PENDING: the Dialog Manager counts while it changes an item's text or selection itself.
int16_t ItemChangeCounter();
// PENDING: the List Manager gives the clicked cell's rectangle in the list's parent; false when there is none.
bool ListClickRect(HWND list, bool doubleClick, Rect *rect);
// Moves a window, dialog or alert rectangle by the positioning word of its resource: 0x280A and 0x680A
// centre it in the main window's client area, 0xA80A on the front window; other values leave it.
void ApplyPositionSpec(Rect *rect, uint16_t position);

// ---- Modal common dialogs ----
// Disables (enable false) or enables the host's main window (includeMain) and the visible windows of the
// window list from `window` (fromThisWindow) or the one after it; answers the owner for a common dialog:
// the window's own Windows window for a dialog window, else the main window.
// PENDING: the Dialog Manager exports these and, while a modal filter runs, acts on the first window only.
HWND ZEL_EnableWindowsEx(WindowPtr window, Boolean enable, Boolean fromThisWindow, Boolean includeMain);
// PENDING: the Dialog Manager exports these and, while a modal filter runs, acts on the first window only.
HWND ZEL_EnableWindows(WindowPtr window, Boolean enable, Boolean fromThisWindow);

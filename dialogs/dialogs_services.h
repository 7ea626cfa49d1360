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
// Gives back a font record ControlFont answered before.
void UseControlFont(const LibraryFont &font);
// A dialog build makes its children with one of the library's font records (a LibraryFontKind);
// RestoreControlFont gives back the one chosen before.
void UseBuildControlFont(int kind);
void RestoreControlFont();

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
    // The dialog items' own children.
    controlWindowStatic,
    controlWindowEdit,
    controlWindowUserItem,
    controlWindowIcon,
    controlWindowComboEdit,
    controlWindowKindCount
};
WNDPROC SavedControlProc(ControlWindowKind kind);
// Replaces a child's window procedure by the library's for its kind, keeping the one it replaced.
void SubclassChildWindow(HWND hwnd, ControlWindowKind kind);
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
// The tracking of a control shared with the Window Manager's scroll-message glue: the scroll bar whose
// messages are being seen, the control and part they hit, and the action called for each.
struct ControlTrackingState {
    WindowPtr scrollWindow; // window of the last scroll message
    HWND scrollBar;         // its scroll bar; 0 when none is being tracked
    int16_t scrollCode;
    ControlHandle trackedControl;
    int16_t trackedPart;
    int16_t thumbPosition;
    uint32_t tracking;      // non-zero while Windows's scroll-bar loop runs
    ProcPtr action;
    int16_t callCounter;    // action calls made by the scroll glue, from -1
    int16_t actionMode;     // 0 none, 1 the definition procedure tracks (message 8), 2 an action (control, part)
};
ControlTrackingState &TrackingState();
// The part a scroll code stands for: 20 and 21 the arrows, 22 and 23 the page areas, 129 the thumb.
int16_t ScrollCodePart(int16_t code);
// Installs the action TrackControl and the scroll glue call; kUseControlAction stands for the control's
// own, whose -1 means its definition procedure tracks.
const ProcPtr kUseControlAction = reinterpret_cast<ProcPtr>(-1);
void SetTrackingActionProc(ControlHandle control, ProcPtr proc);
void FreeActionThunk();
// Calls the installed action for a part, by its mode.
void CallTrackingAction(ControlHandle control, int16_t part);
// Raised while Draw1Control draws a control (the dialog's user items read it).
int16_t ControlDrawingDepth();
// A control's child takes a new title by SetDialogItemText's rules.
void SetControlWindowTitle(HWND hwnd, ConstStr255Param title);
// Resets a combo box, adds the menu's item texts (read through the Menu Manager, inside the menu's
// handle) in the ANSI set and selects item `selected` - 1.
void FillComboBoxFromMenu(HWND box, MenuHandle menu, int16_t selected);
// A list made over a dialog's user item (one rectangle holding the other): the item's child is sized to
// nothing and hidden; true when one was found.
bool HideUserItemUnderList(HWND dialogWindow, const Rect &list);

// ---- Dialog builder and keyboard focus, as the Control Manager and window creation see them ----
// The item the dialog builder is building; 0 outside it.
int16_t DialogItemBeingBuilt();
void SetDialogItemBeingBuilt(int16_t item);
// A dialog is being created (window creation makes its window a dialog window), and which.
bool DialogBeingCreated();
int16_t DialogCreationDepth();
DialogPtr DialogUnderConstruction();
// A dialog's 'ZELD' table: resource resID (when fromResource), or one made from the items (a flags byte
// of 0x80 and one entry per radio button, runs of them grouped) when there is none or it is shorter than
// its 4-byte header; registered for the dialog.
Handle UseFocusTable(DialogPtr dialog, int16_t resID, bool fromResource);
void ForgetFocusTable(DialogPtr dialog);
// Session end: every registered table and the registry itself go.
void FreeFocusTables();
Handle DialogFocusTable(WindowPtr dialog);
// The first entry whose control item (or, byLabel, whose label item) is `item`; false when none.
bool FocusTableEntry(Handle table, int16_t item, bool byLabel, uint8_t entry[4]);
// An item's entry flags in a 'ZELD' table; false when it has no entry.
bool FocusTableEntryFlags(Handle table, int16_t item, uint8_t *flags);
// Marks an item's mnemonic in its ANSI title with '&'; false when it has none.
bool MarkItemMnemonic(Handle table, int16_t item, char *text, size_t capacity);
// A focused control going inactive: in a dialog the focus moves on to the next item that takes it, in
// another window to the owner's Windows window.
void MoveFocusFromInactiveControl(ControlHandle control);

// Default body of ModalDialog (the trap table's default), with its published arguments and calling
// convention.
void ZEL_CALL ModalDialogImpl(ModalFilterProcPtr filter, int16_t *itemHit);
// The Dialog Manager's nesting count: raised while a dialog is created or run modally.
int16_t DialogNestingCount();

// A round rectangle framed about a dialog's button makes it the default; true tells the caller not to
// draw the outline.
bool SetDefaultButtonByOutline(const Rect *rect, HWND window);

// ---- Child-control window procedures ----
// A mouse button message on a child of a library window that is not both visible and highlighted (and
// is enabled) goes to that window instead, in its client coordinates; true when it went, with its answer.
bool ForwardInactiveClick(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *answer);
// Calls a child's saved procedure (the class's when none was saved): while the synchronous paint depth
// is above 0 the child only validates; what a child of a library window paints leaves that window's
// update region.
LRESULT CallChildProc(WNDPROC saved, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Validates a client rectangle of a library window in its port (through the port's transform).
void ValidateWindowRect(HWND hwnd, const RECT &rect);
// Raised while DrawGrowIcon draws the size box: only then does the size box paint.
bool GrowIconDrawing();
// The control of a window whose child window is `child`; none when no control of the window has it.
ControlHandle ControlOfChildWindow(WindowPtr window, HWND child);
// Session end: the button focus hook and the shared paint region go.
void FreeChildProcState();

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
// The Windows icon the Dialog Manager shows for alert icon 0 (stop), 1 (note) or 2 (caution); none
// before InitDialogs and for any other number.
HICON AlertIconHandle(int16_t which);

// ---- Event glue, as the event pump sees it ----
// Whether a modal dialog or host-run modal window is up.
bool ModalWindowUp();
// The dialog keyboard hook's show-request flag for the hidden dialog; taking it clears it.
bool TakeShowHiddenDialogRequest();
// Shows dialog -129 of the system resource file until a click or a key; nothing when there is none.
void ShowHiddenDialog();
// Closes the drop-down list of the focused library combo box unless that box is `unaffected`; true when
// one was open.
bool CloseDroppedComboBox(HWND unaffected);
// What the command glue asks of the Dialog Manager when a child control of a dialog notifies its parent.
// A dialog item's type (GetDialogItem's, disabled bit included); in another window 4 for a control whose
// child has that ID, else 0.
int16_t DialogItemTypeOf(WindowPtr dialog, int16_t item);
// The edit item that gains the focus holds the insertion point (editField) and the dialog's TextEdit
// record is bound to it; one that loses it, none.
void NoteDialogEditFocus(WindowPtr dialog, int16_t item, HWND control, bool gained);
// Raised while the Dialog Manager builds items or changes an item's text or selection itself.
int16_t ItemChangeCounter();
// The List Manager keeps the double-click indicator of a library list box's click and gives the
// rectangle of its selected cells (else its caret item) in the list's parent; false for any other box.
bool ListClickRect(HWND list, bool doubleClick, Rect *rect);
// Moves a window, dialog or alert rectangle by the positioning word of its resource: 0x280A and 0x680A
// centre it in the main window's client area, 0xA80A on the front window's Windows window (the client
// area when there is none); other values leave it.
void ApplyPositionSpec(Rect *rect, uint16_t position);

// ---- Modal dialogs ----
// ZEL_EnableWindows and ZEL_EnableWindowsEx (Dialogs.h) disable and enable the windows around modal
// dialogs and common dialogs. The number of modal filter procedures now being called: while one runs
// they act on the first window only.
int32_t ModalFilterDepth();
// The Windows window of the dialog ModalDialog or a host-run modal window is running; 0 outside one.
HWND ModalDialogWindow();
// The number of ModalDialog runs under way.
int16_t ModalDepth();

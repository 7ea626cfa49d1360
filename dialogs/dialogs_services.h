// Services of the Dialog, Control and List Managers for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Dialogs.h"

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
// The font controls draw their titles with (the dialog font until one is chosen).
HFONT ControlFontHandle();

// Default body of ModalDialog (the trap table's default), with its published arguments and calling
// convention.
void ZEL_CALL ModalDialogImpl(ModalFilterProcPtr filter, int16_t *itemHit);
// The Dialog Manager's nesting count: raised while a dialog is created or run modally.
int16_t DialogNestingCount();

// PENDING: the Dialog Manager marks a dialog's default button when a round rectangle outlines it.
bool SetDefaultButtonByOutline(const Rect *rect, HWND window);

// ---- Window glue ----
// Disposes every control of a window (closing a window with controls).
void KillControls(WindowPtr window);
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
int16_t DialogItemType(WindowPtr dialog, int16_t item);
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

/* Dialog Manager. It brings in what a dialog program uses with it: the Window, Menu, Control and
   TextEdit declarations and the Event Manager's. */
#ifndef TOLVADEX_DIALOGS_H
#define TOLVADEX_DIALOGS_H
#define __DIALOGS__

#include <windef.h>
#include "MacTypes.h"
#include "Events.h"
#include "MacWindows.h"
#include "Menus.h"
#include "Controls.h"
#include "TextEdit.h"

typedef void (ZEL_CALL *SoundProcPtr)(int16_t soundNumber);

ZEL_API void ZEL_CALL ErrorSound(SoundProcPtr soundProc);

typedef WindowPtr DialogPtr;
typedef DialogPtr DialogRef;
typedef int16_t DialogItemIndex;
typedef int16_t DialogItemType;
typedef Boolean (ZEL_CALL *ModalFilterProcPtr)(DialogPtr theDialog, EventRecord *theEvent, int16_t *itemHit);

#pragma pack(push, 2)

/* The published record. items is the item list: a count less one, then each item's handle, display
   rectangle, type (bit 7 disabled), data length and data padded to even. Each item is mirrored by a
   Windows child of the dialog's window whose control ID is its item number. textH is the TextEdit record
   the edit items share, editField the item less one that holds the insertion point (-1 none), editOpen
   the button that carries the Windows default style and aDefItem the default item. */
typedef struct DialogRecord {
    WindowRecord window;
    Handle items;
    TEHandle textH;
    int16_t editField;
    int16_t editOpen;
    int16_t aDefItem;
} DialogRecord;
typedef DialogRecord *DialogPeek;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(DialogRecord) == 170, "DialogRecord is 170 bytes");
ZEL_STATIC_ASSERT(offsetof(DialogRecord, items) == 156, "items at 156");
ZEL_STATIC_ASSERT(offsetof(DialogRecord, textH) == 160, "textH at 160");
ZEL_STATIC_ASSERT(offsetof(DialogRecord, editField) == 164, "editField at 164");
ZEL_STATIC_ASSERT(offsetof(DialogRecord, editOpen) == 166, "editOpen at 166");
ZEL_STATIC_ASSERT(offsetof(DialogRecord, aDefItem) == 168, "aDefItem at 168");

/* Item types; itemDisable is added to a type. */
enum {
    userItem = 0,
    ctrlItem = 4,
    btnCtrl = 0,
    chkCtrl = 1,
    radCtrl = 2,
    resCtrl = 3,
    statText = 8,
    editText = 16,
    iconItem = 32,
    picItem = 64,
    itemDisable = 128
};
/* The item numbers of the default and cancel buttons in item lists that follow the usual layout. */
enum { ok = 1, cancel = 2 };
/* AppendDITL methods (only overlayDITL, 0, is done). */
enum { overlayDITL = 0, appendDITLRight = 1, appendDITLBottom = 2 };

/* Dialog records and item lists. */
ZEL_API DialogPtr ZEL_CALL NewDialog(void *dStorage, const Rect *boundsRect, ConstStr255Param title, Boolean visible,
                                     int16_t procID, WindowPtr behind, Boolean goAwayFlag, int32_t refCon, Handle items);
ZEL_API DialogPtr ZEL_CALL NewColorDialog(void *dStorage, const Rect *boundsRect, ConstStr255Param title,
                                          Boolean visible, int16_t procID, WindowPtr behind, Boolean goAwayFlag,
                                          int32_t refCon, Handle items);
ZEL_API DialogPtr ZEL_CALL GetNewDialog(int16_t dialogID, void *dStorage, WindowPtr behind);
ZEL_API void ZEL_CALL CloseDialog(DialogPtr theDialog);
ZEL_API void ZEL_CALL DisposeDialog(DialogPtr theDialog);
ZEL_API int16_t ZEL_CALL CountDITL(DialogPtr theDialog);
ZEL_API void ZEL_CALL AppendDITL(DialogPtr theDialog, Handle theHandle, int16_t method);
ZEL_API int16_t ZEL_CALL ShortenDITL(DialogPtr theDialog, int16_t numberItems);
ZEL_API int16_t ZEL_CALL ZEL_AddDitlItems(DialogPtr theDialog, int16_t firstNewLessOne);
ZEL_API void ZEL_CALL ZEL_DisposeDlgItem(DialogPtr theDialog, int16_t item);

/* Item access: the type (with itemDisable), the handle field and the display rectangle. ParamText's
   strings replace ^0..^3 in static texts. */
ZEL_API void ZEL_CALL GetDialogItem(DialogPtr theDialog, int16_t itemNo, int16_t *itemType, Handle *item, Rect *box);
ZEL_API void ZEL_CALL ParamText(ConstStr255Param param0, ConstStr255Param param1, ConstStr255Param param2,
                                ConstStr255Param param3);

/* Running dialogs. DialogSelect answers true when an enabled item was hit (itemHit -1 otherwise).
   ModalDialog's standard filter picks the default item for Return and Enter and the cancel item
   (item 2 unless SetDialogCancelItem registered another) for Escape. */
ZEL_API Boolean ZEL_CALL IsDialogEvent(const EventRecord *theEvent);
ZEL_API Boolean ZEL_CALL DialogSelect(const EventRecord *theEvent, DialogPtr *theDialog, int16_t *itemHit);
ZEL_API void ZEL_CALL UpdateDialog(DialogPtr theDialog, RgnHandle updateRgn);
ZEL_API void ZEL_CALL DrawDialog(DialogPtr theDialog);
ZEL_API OSErr ZEL_CALL GetStdFilterProc(ModalFilterProcPtr *theProc);
ZEL_API OSErr ZEL_CALL SetDialogDefaultItem(DialogPtr theDialog, int16_t newItem);
ZEL_API int16_t ZEL_CALL GetDialogDefaultItem(DialogPtr theDialog);
ZEL_API OSErr ZEL_CALL SetDialogCancelItem(DialogPtr theDialog, int16_t newItem);
ZEL_API int16_t ZEL_CALL GetDialogCancelItem(DialogPtr theDialog);
ZEL_API OSErr ZEL_CALL SetDialogTracksCursor(DialogPtr theDialog, Boolean tracks);
ZEL_API void ZEL_CALL SetGrafPortOfDialog(DialogPtr theDialog);
ZEL_API int32_t ZEL_CALL DialogCut(DialogPtr theDialog);
ZEL_API int32_t ZEL_CALL DialogCopy(DialogPtr theDialog);
ZEL_API int32_t ZEL_CALL DialogPaste(DialogPtr theDialog);
ZEL_API int32_t ZEL_CALL DialogDelete(DialogPtr theDialog);

/* Host glue: the focus and default button moved to an item (-1: the default item); a modal window the
   host runs itself (its WM_SYSCHAR offered to the callback first); the other windows disabled and
   enabled around a modal window (the answer is its owner). */
ZEL_API void ZEL_CALL ZEL_SetDefaultButtonAndFocus(DialogPtr theDialog, int16_t item, Boolean setDefault);

/* Keyboard focus: the dialog's 'ZELD' table (resID -1 looks the registered one up; any other ID loads
   that resource, or makes a table from the radio buttons when there is none, and registers it); the
   focus given to an item (1 when it moved); the control ID of the focused child (0 when the focus is
   elsewhere). */
ZEL_API Handle ZEL_CALL ZEL_UseZELDItems(DialogPtr theDialog, int16_t resID);
ZEL_API int16_t ZEL_CALL ZEL_SetItemFocus(DialogPtr theDialog, int16_t item);
ZEL_API int16_t ZEL_CALL ZEL_GetFocusCtrlID(DialogPtr theDialog);

/* Item changes: the item's record (a user item's procedure is wrapped for the host), its text both ways
   (a static text or button shows every "&" as typed and reads back what was set; an edit item turns CR
   into CR LF and back), a long text from a handle, the edit selection, hiding and showing, and the item
   under a local point (its number less one, -1 for none). */
ZEL_API void ZEL_CALL SetDialogItem(DialogPtr theDialog, int16_t itemNo, int16_t itemType, Handle item, const Rect *box);
ZEL_API void ZEL_CALL GetDialogItemText(Handle item, Str255 text);
ZEL_API void ZEL_CALL SetDialogItemText(Handle item, ConstStr255Param text);
ZEL_API void ZEL_CALL ZEL_SetBigIText(Handle item, Handle text, int32_t length);
ZEL_API void ZEL_CALL SelectDialogItemText(DialogPtr theDialog, int16_t itemNo, int16_t strtSel, int16_t endSel);
ZEL_API void ZEL_CALL HideDialogItem(DialogPtr theDialog, int16_t itemNo);
ZEL_API void ZEL_CALL ShowDialogItem(DialogPtr theDialog, int16_t itemNo);
ZEL_API int16_t ZEL_CALL FindDialogItem(DialogPtr theDialog, Point thePt);
ZEL_API int16_t ZEL_CALL SetDialogFont(int16_t fontNum);

/* Host glue: ParamText set again on the item that last used parameter n, or on a given item; password
   edits; an item's font; controls enabled by ID; an item's child window; dialog windows and their white
   background; combo-box items filled from a menu and read and changed by entry (selections 1-based, 0 for
   none). */
ZEL_API void ZEL_CALL ZEL_UpdateParamStr(DialogPtr theDialog, int16_t n);
ZEL_API void ZEL_CALL ZEL_UpdateParamStrItem(DialogPtr theDialog, int16_t item, ConstStr255Param text);
ZEL_API void ZEL_CALL ZEL_SetPasswordItem(Handle item);
ZEL_API void ZEL_CALL ZEL_SetDlgTextFont(DialogPtr theDialog, int16_t item);
ZEL_API void ZEL_CALL ZEL_EnableControl(WindowPtr window, int16_t controlID, Boolean enable);
ZEL_API Boolean ZEL_CALL ZEL_IsControlEnabled(WindowPtr window, int16_t controlID);
ZEL_API HWND ZEL_CALL ZEL_GetDlgItemHWND(DialogPtr theDialog, int16_t item);
/* Focuses a bound TextEdit record's edit control (a dialog's textH) again with the record's selection. */
ZEL_API void ZEL_CALL ZEL_MaintainTEFocus(TEHandle hTE);
ZEL_API Boolean ZEL_CALL ZEL_WindowIsDialogKind(HWND hwnd);
ZEL_API void ZEL_CALL ZEL_SetWindowHasWhiteBkGnd(WindowPtr window);
ZEL_API Boolean ZEL_CALL ZEL_DialogWhiteBackground(HWND hwnd);
ZEL_API Boolean ZEL_CALL ZEL_IsComboBox(DialogPtr theDialog, int16_t item);
ZEL_API void ZEL_CALL ZEL_BuildComboBox(DialogPtr theDialog, int16_t item, MenuHandle menu, int16_t selected);
ZEL_API int16_t ZEL_CALL ZEL_GetComboBoxSelect(DialogPtr theDialog, int16_t item);
ZEL_API Boolean ZEL_CALL ZEL_SetComboBoxSelect(DialogPtr theDialog, int16_t item, int16_t n);
ZEL_API int16_t ZEL_CALL ZEL_GetComboBoxSelectAsControl(ControlHandle control);
ZEL_API Boolean ZEL_CALL ZEL_SetComboBoxSelectAsControl(ControlHandle control, int16_t n);
ZEL_API Boolean ZEL_CALL ZEL_GetComboBoxText(DialogPtr theDialog, int16_t item, Str255 text);
ZEL_API void ZEL_CALL ZEL_SetComboBoxString(DialogPtr theDialog, int16_t item, int16_t index, ConstStr255Param text);

/* WM_DRAWITEM and WM_MEASUREITEM of the host's windows: the library's owner-drawn children (user items,
   icons, combo-box entries, custom controls) are drawn and measured, menu items handed to
   ZEL_MenuUserItem. Answers 1. */
ZEL_API int32_t ZEL_CALL ZEL_UserItem(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/* The window procedures of the library's child windows (dialog items, controls, lists and the size box).
   A host that subclasses one of them again calls the library's procedure for what it does not handle. */
ZEL_API LRESULT ZEL_CALL A_StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL A_ButtonWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL A_IconWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL A_UserItemWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL A_CDEFWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL A_EditWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL A_ScrollBarWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL A_SizeBoxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL A_ComboBoxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL A_ListBoxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
/* Called with the button and its control ID when a library button gains the focus; NULL removes it. */
typedef void (ZEL_CALL *ZEL_ButtonFocusHookProcPtr)(HWND button, int16_t controlID);
ZEL_API void ZEL_CALL ZEL_SetButtonFocusHookProc(ZEL_ButtonFocusHookProcPtr proc);
ZEL_API void ZEL_CALL ZEL_PrepareModalWindow(DialogPtr theDialog, HWND *previousHookWindow, DialogPtr *previousModal,
                                             int16_t *previousCapture, FARPROC callback);
ZEL_API void ZEL_CALL ZEL_CloseModalWindow(DialogPtr theDialog, HWND previousHookWindow, DialogPtr previousModal,
                                           int16_t previousCapture);
ZEL_API HWND ZEL_CALL ZEL_EnableWindows(WindowPtr window, Boolean enable, Boolean fromThisWindow);
ZEL_API HWND ZEL_CALL ZEL_EnableWindowsEx(WindowPtr window, Boolean enable, Boolean fromThisWindow,
                                          Boolean includeMain);

/* Scaling to the screen's resolution (session flag 0x40, screens above 96 dots per inch): a non-zero
   direction scales to the screen, 0 back. */
ZEL_API void ZEL_CALL ZEL_ScaleDlgWindow(int16_t direction, Rect *rect);
ZEL_API void ZEL_CALL ZEL_ScaleDlgItemRect(int16_t direction, Rect *rect);
ZEL_API void ZEL_CALL ZEL_OffsetDlgItemRect(int16_t direction, Rect *rect);
ZEL_API void ZEL_CALL ZEL_ScaleDlgPoint(int16_t direction, Point *pt);

/* A user item's drawing procedure; its universal procedure pointer is the plain pointer. */
typedef void (ZEL_CALL *UserItemProcPtr)(DialogPtr theDialog, int16_t itemNo);
typedef UserItemProcPtr UserItemUPP;
#define NewUserItemUPP(userRoutine) ((UserItemUPP)(userRoutine))
#define DisposeUserItemUPP(userRoutine) ((void)(userRoutine))
#define NewUserItemProc(userRoutine) ((UserItemUPP)(userRoutine))
typedef ModalFilterProcPtr ModalFilterUPP;
#define NewModalFilterUPP(userRoutine) ((ModalFilterUPP)(userRoutine))
#define DisposeModalFilterUPP(userRoutine) ((void)(userRoutine))
#define NewModalFilterProc(userRoutine) ((ModalFilterUPP)(userRoutine))

/* Patchable through the trap table. */
ZEL_API void ZEL_CALL ModalDialog(ModalFilterProcPtr modalFilter, int16_t *itemHit);

/* Alerts: the item hit, or -1 when the alert's stage does not draw it or it cannot be made. Showing the
   same alert again moves on through its four stages; ResetAlertStage starts the next alert at stage 1.
   StopAlert, NoteAlert and CautionAlert add the system's stop, note or caution icon. InitDialogs keeps
   the resume procedure, installs the standard alert sound, empties ParamText and loads the icons. */
ZEL_API int16_t ZEL_CALL Alert(int16_t alertID, ModalFilterProcPtr filterProc);
ZEL_API int16_t ZEL_CALL StopAlert(int16_t alertID, ModalFilterProcPtr filterProc);
ZEL_API int16_t ZEL_CALL NoteAlert(int16_t alertID, ModalFilterProcPtr filterProc);
ZEL_API int16_t ZEL_CALL CautionAlert(int16_t alertID, ModalFilterProcPtr filterProc);
ZEL_API void ZEL_CALL CouldAlert(int16_t alertID);
ZEL_API void ZEL_CALL FreeAlert(int16_t alertID);
ZEL_API void ZEL_CALL CouldDialog(int16_t dialogID);
ZEL_API void ZEL_CALL ResetAlertStage(void);
ZEL_API void ZEL_CALL InitDialogs(ProcPtr resumeProc);

/* The earlier published names of the item calls. */
ZEL_PUBLISHED_PROC(GetDItem, GetDialogItem, (DialogPtr theDialog, int16_t itemNo, int16_t *itemType, Handle *item, Rect *box),
                   (theDialog, itemNo, itemType, item, box))
ZEL_PUBLISHED_PROC(SetDItem, SetDialogItem, (DialogPtr theDialog, int16_t itemNo, int16_t itemType, Handle item, const Rect *box),
                   (theDialog, itemNo, itemType, item, box))
ZEL_PUBLISHED_PROC(GetIText, GetDialogItemText, (Handle item, Str255 text), (item, text))
ZEL_PUBLISHED_PROC(SetIText, SetDialogItemText, (Handle item, ConstStr255Param text), (item, text))
ZEL_PUBLISHED_PROC(SelIText, SelectDialogItemText, (DialogPtr theDialog, int16_t itemNo, int16_t strtSel, int16_t endSel),
                   (theDialog, itemNo, strtSel, endSel))
ZEL_PUBLISHED_PROC(HideDItem, HideDialogItem, (DialogPtr theDialog, int16_t itemNo), (theDialog, itemNo))
ZEL_PUBLISHED_PROC(ShowDItem, ShowDialogItem, (DialogPtr theDialog, int16_t itemNo), (theDialog, itemNo))
ZEL_PUBLISHED_FUNC(int16_t, FindDItem, FindDialogItem, (DialogPtr theDialog, Point thePt), (theDialog, thePt))
ZEL_PUBLISHED_PROC(DisposDialog, DisposeDialog, (DialogPtr theDialog), (theDialog))


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define UpdtDialog UpdateDialog
#endif


/* Accessors of the later interfaces for the dialog record: a dialog is its window and its port. */
#ifndef TOLVADEX_BUILDING
ZEL_INLINE WindowRef GetDialogWindow(DialogRef dialog) { return (WindowRef)dialog; }
ZEL_INLINE DialogRef GetDialogFromWindow(WindowRef window) { return (DialogRef)window; }
ZEL_INLINE CGrafPtr GetDialogPort(DialogRef dialog) { return (CGrafPtr)dialog; }
ZEL_INLINE void SetPortDialogPort(DialogRef dialog) { SetPor((GrafPtr)dialog); }
ZEL_INLINE TEHandle GetDialogTextEditHandle(DialogRef dialog) { return ((DialogPeek)dialog)->textH; }
ZEL_INLINE DialogItemIndex GetDialogKeyboardFocusItem(DialogRef dialog)
{
    return (DialogItemIndex)(((DialogPeek)dialog)->editField + 1);
}
#endif

#endif

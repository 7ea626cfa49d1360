// Dialog Manager: the event core shared by ModalDialog and DialogSelect (unparking, item hits, keys,
// updates), IsDialogEvent, DialogSelect, redrawing, the default and cancel items and the edit commands.
#include "dialog_manager.h"
#include "../core/core_services.h"
#include "../windows/windows_services.h"

#include <cstring>

namespace {

constexpr int kParkOffset = 8192;
constexpr int kCancelEntries = 5;

struct CancelItem {
    DialogPtr dialog;
    int16_t item;
};
CancelItem sCancelItems[kCancelEntries];

int16_t sUpdateNesting;

HWND DialogHwnd(DialogPtr d) { return DialogAux(d) ? DialogAux(d)->hwnd : nullptr; }

bool IsButtonItem(DialogPtr d, int16_t n)
{
    DitlItem item;
    return ItemAt(DPeek(d)->items, n, &item) && (*item.type & 0x7F) == ctrlItem + btnCtrl;
}


bool PointInRect(Point p, const Rect &r) { return p.v >= r.top && p.v < r.bottom && p.h >= r.left && p.h < r.right; }

// A mouse-down in the dialog: the first item whose rectangle holds the point decides.
bool MouseDownOnItems(DialogPtr d, const EventRecord &e, int16_t *itemHit)
{
    Point local = e.where;
    GlobalToLocal(&local);
    Handle items = DPeek(d)->items;
    Handle table = DialogFocusTable(d);
    const int16_t count = ItemsPresent(items);
    for (int16_t n = 1; n <= count; ++n) {
        DitlItem item;
        if (!ItemAt(items, n, &item) || !PointInRect(local, *item.rect))
            continue;
        const uint8_t type = *item.type & 0x7F;
        uint8_t flags = 0;
        if (type == userItem && FocusTableEntryFlags(table, n, &flags) && (flags & 0x04))
            continue; // a group box
        if (type == editText && DPeek(d)->editField != n - 1) {
            HWND edit = DialogItemWindow(d, n);
            SendMessageA(edit, EM_SETSEL, 0, 32767);
        }
        if (*item.type & itemDisable)
            return false;
        *itemHit = n;
        if (type >= ctrlItem + btnCtrl && type <= ctrlItem + radCtrl) {
            auto c = reinterpret_cast<ControlHandle>(DitlItemHandle(item));
            if (!c || !*c || (*c)->contrlHilite == inactiveHilite)
                return false;
            return TrackControl(c, local, reinterpret_cast<ProcPtr>(-1)) != 0;
        }
        if (type == ctrlItem + resCtrl) {
            auto c = reinterpret_cast<ControlHandle>(DitlItemHandle(item));
            if (!c || !*c)
                return false;
            const bool custom = ControlTailOf(c)->custom != 0;
            if (!custom && (*c)->contrlDefProc != 3)
                return true;
            const int16_t before = (*c)->contrlValue;
            const int16_t part = TrackControl(c, local, reinterpret_cast<ProcPtr>(-1));
            return part != 0 || (*c)->contrlValue != before;
        }
        return true;
    }
    return false;
}

} // namespace

HWND DialogItemWindow(DialogPtr d, int16_t n)
{
    DitlItem item;
    if (!ItemAt(DPeek(d)->items, n, &item))
        return nullptr;
    const uint8_t type = *item.type & 0x7F;
    if (type >= ctrlItem + btnCtrl && type <= ctrlItem + resCtrl) {
        const Rect &r = *item.rect;
        if (!(type == ctrlItem + btnCtrl && (r.right - r.left == 1 || r.bottom - r.top == 1)))
            return ControlWindow(reinterpret_cast<ControlHandle>(DitlItemHandle(item)));
    }
    return GetDlgItem(DialogHwnd(d), n);
}

// ---- Parking ----

void UnparkDialogItems(DialogPtr d)
{
    WindowAuxRecord *aux = DialogAux(d);
    if (!aux || !(aux->stateFlags & wsfChildrenParked))
        return;
    aux->stateFlags &= ~wsfChildrenParked;
    for (HWND c = GetWindow(aux->hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, aux->hwnd, reinterpret_cast<POINT *>(&r), 1);
        if (r.left >= kParkOffset && r.top >= kParkOffset)
            SetWindowPos(c, nullptr, r.left - kParkOffset, r.top - kParkOffset, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(aux->hwnd, nullptr, TRUE);
}

int16_t DialogUpdateNesting() { return sUpdateNesting; }

bool DialogEventCore(DialogPtr d, const EventRecord &e, int16_t *itemHit)
{
    *itemHit = -1;
    if (e.what != updateEvt)
        UnparkDialogItems(d);
    bool result = false;
    switch (e.what) {
    case mouseDown:
        result = MouseDownOnItems(d, e, itemHit);
        break;
    case keyDown:
    case autoKey:
        DialogKeyRules(d, e);
        if (DPeek(d)->editField != -1) {
            *itemHit = static_cast<int16_t>(DPeek(d)->editField + 1);
            result = true;
        }
        break;
    case updateEvt:
        if (reinterpret_cast<DialogPtr>(e.message) == d) {
            BeginUpdate(d);
            UpdateDialog(d, d->visRgn);
            EndUpdate(d);
        }
        break;
    default:
        break;
    }
    if (d == CurrentModalDialog() && AppActiveFlag() && FrontWindow() == d)
        DialogFocusBookkeeping(d);
    return result;
}

// ---- Modeless dialogs ----

namespace {

// The window an event is for: under the point for clicks (in its content), the message's for updates
// and activations, the front window otherwise.
WindowPtr EventWindow(const EventRecord &e)
{
    switch (e.what) {
    case mouseDown:
    case mouseUp: {
        WindowPtr w = nullptr;
        return FindWindo(e.where, &w) == inContent ? w : nullptr;
    }
    case updateEvt:
    case activateEvt:
        return reinterpret_cast<WindowPtr>(e.message);
    default:
        return FrontWindow();
    }
}

} // namespace

ZEL_EXTERN_C Boolean ZEL_CALL IsDialogEvent(const EventRecord *theEvent)
{
    return theEvent && IsDialog(EventWindow(*theEvent));
}

ZEL_EXTERN_C Boolean ZEL_CALL DialogSelect(const EventRecord *theEvent, DialogPtr *theDialog, int16_t *itemHit)
{
    int16_t hit = -1;
    WindowPtr w = theEvent ? EventWindow(*theEvent) : nullptr;
    if (theDialog)
        *theDialog = w;
    bool result = false;
    if (IsDialog(w)) {
        GrafPtr saved = nullptr;
        GetPort(&saved);
        SetPor(w);
        result = DialogEventCore(w, *theEvent, &hit);
        SetPor(saved);
    }
    if (itemHit)
        *itemHit = hit;
    return result;
}

// ---- Redrawing ----

ZEL_EXTERN_C void ZEL_CALL UpdateDialog(DialogPtr theDialog, RgnHandle updateRgn)
{
    if (!IsDialog(theDialog))
        return;
    UnparkDialogItems(theDialog);
    HWND hwnd = DialogHwnd(theDialog);
    if (!hwnd)
        return;
    const Rect &pr = theDialog->portRect;
    const Rect box = updateRgn && *updateRgn ? (*updateRgn)->rgnBBox : pr;
    RECT area{box.left - pr.left, box.top - pr.top, box.right - pr.left, box.bottom - pr.top};
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT *>(&area), 2);
    ++sUpdateNesting;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c))
            continue;
        RECT wr, common;
        GetWindowRect(c, &wr);
        if (!IntersectRect(&common, &wr, &area))
            continue;
        MapWindowPoints(nullptr, c, reinterpret_cast<POINT *>(&common), 2);
        InflateRect(&common, 3, 3);
        InvalidateRect(c, &common, TRUE);
        UpdateWindow(c);
        if (HWND inner = GetWindow(c, GW_CHILD)) { // a combo box's edit field
            InvalidateRect(inner, nullptr, TRUE);
            UpdateWindow(inner);
        }
    }
    --sUpdateNesting;
}

ZEL_EXTERN_C void ZEL_CALL DrawDialog(DialogPtr theDialog)
{
    if (IsDialog(theDialog))
        UpdateDialog(theDialog, theDialog->visRgn);
}

// ---- Default and cancel items ----

void MoveDefaultButton(DialogPtr d, int16_t item, bool setDefault, bool checkProcedure)
{
    DialogPeek p = DPeek(d);
    if (item == -1)
        item = p->aDefItem;
    if (p->editOpen && p->editOpen != item) {
        HWND old = DialogItemWindow(d, p->editOpen);
        bool isEdit = false;
        if (old && (!checkProcedure || LibraryControlKind(old, &isEdit) == controlKindButton))
            SendMessageA(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        p->editOpen = 0;
    }
    if (item > 0 && p->editOpen != item && IsButtonItem(d, item)) {
        if (HWND button = DialogItemWindow(d, item)) {
            SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
            if (!IsWindowEnabled(button))
                EnableWindow(button, TRUE);
            p->editOpen = item;
        }
    }
    if (setDefault && item >= 0)
        p->aDefItem = item;
}

ZEL_EXTERN_C OSErr ZEL_CALL SetDialogDefaultItem(DialogPtr theDialog, int16_t newItem)
{
    if (IsDialog(theDialog))
        MoveDefaultButton(theDialog, newItem, true, true);
    return noErr;
}

ZEL_EXTERN_C int16_t ZEL_CALL GetDialogDefaultItem(DialogPtr theDialog)
{
    return IsDialog(theDialog) ? DPeek(theDialog)->aDefItem : 0;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetDefaultButtonAndFocus(DialogPtr theDialog, int16_t item, Boolean setDefault)
{
    if (!IsDialog(theDialog))
        return;
    if (item != -1)
        if (HWND child = DialogItemWindow(theDialog, item))
            SetFocus(child);
    MoveDefaultButton(theDialog, item, setDefault != 0, false);
}

ZEL_EXTERN_C OSErr ZEL_CALL SetDialogCancelItem(DialogPtr theDialog, int16_t newItem)
{
    CancelItem *free = nullptr;
    for (CancelItem &c : sCancelItems) {
        if (c.dialog == theDialog) {
            c.item = newItem;
            return noErr;
        }
        if (!c.dialog && !free)
            free = &c;
    }
    if (!free)
        return memFullErr;
    *free = CancelItem{theDialog, newItem};
    return noErr;
}

ZEL_EXTERN_C int16_t ZEL_CALL GetDialogCancelItem(DialogPtr theDialog)
{
    for (const CancelItem &c : sCancelItems)
        if (c.dialog && c.dialog == theDialog)
            return c.item;
    return 2;
}

bool RegisteredCancelItem(DialogPtr d, int16_t *item)
{
    for (const CancelItem &c : sCancelItems) {
        if (c.dialog && c.dialog == d) {
            *item = c.item;
            return true;
        }
    }
    return false;
}

// A closed dialog's entry goes, so that a dialog made later at the same address starts without one.
void ForgetCancelItem(DialogPtr d)
{
    for (CancelItem &c : sCancelItems)
        if (c.dialog == d)
            c = CancelItem{};
}

ZEL_EXTERN_C OSErr ZEL_CALL SetDialogTracksCursor(DialogPtr, Boolean) { return noErr; }
ZEL_EXTERN_C void ZEL_CALL SetGrafPortOfDialog(DialogPtr) {}

// ---- Edit commands ----

namespace {

enum EditCommandKind { editCut, editCopy, editPaste, editDelete };

// The edit commands work through the dialog's TextEdit record, bound first to the focused edit item
// when the focus is on one (else it keeps the item it last stood for).
int32_t EditCommand(DialogPtr d, EditCommandKind kind)
{
    if (!IsDialog(d) || !DPeek(d)->textH)
        return 0;
    BindDialogText(d, GetFocus());
    TEHandle te = DPeek(d)->textH;
    if (kind == editCut || kind == editCopy)
        TECopy(te);
    if (kind == editCut || kind == editDelete)
        TEDelete(te);
    if (kind == editPaste)
        TEPaste(te);
    if (kind != editCopy)
        TECalText(te);
    return 0;
}

} // namespace

ZEL_EXTERN_C int32_t ZEL_CALL DialogCut(DialogPtr theDialog) { return EditCommand(theDialog, editCut); }
ZEL_EXTERN_C int32_t ZEL_CALL DialogCopy(DialogPtr theDialog) { return EditCommand(theDialog, editCopy); }
ZEL_EXTERN_C int32_t ZEL_CALL DialogPaste(DialogPtr theDialog) { return EditCommand(theDialog, editPaste); }
ZEL_EXTERN_C int32_t ZEL_CALL DialogDelete(DialogPtr theDialog) { return EditCommand(theDialog, editDelete); }

// ---- The round-rectangle outline of a default button ----

// A round rectangle framed about a button of a dialog makes that button the default; the outline is not
// drawn (the Windows default style shows it).
bool SetDefaultButtonByOutline(const Rect *rect, HWND window)
{
    WindowPtr w = nullptr;
    if (!rect || !HwndToWindowPtr(window, &w, nullptr) || !IsDialog(w))
        return false;
    Handle items = DPeek(w)->items;
    const int16_t count = ItemsPresent(items);
    for (int16_t n = 1; n <= count; ++n) {
        DitlItem item;
        if (!ItemAt(items, n, &item) || (*item.type & 0x7F) != ctrlItem + btnCtrl)
            continue;
        const Rect &b = *item.rect;
        Rect common;
        if (!SectRect(&b, rect, &common))
            continue;
        const bool buttonInside = b.top >= rect->top && b.left >= rect->left && b.bottom <= rect->bottom &&
                                  b.right <= rect->right;
        const bool outlineInside = rect->top >= b.top && rect->left >= b.left && rect->bottom <= b.bottom &&
                                   rect->right <= b.right;
        if (buttonInside || outlineInside) {
            MoveDefaultButton(w, n, true, true);
            if (w == CurrentModalDialog())
                DialogFocusBookkeeping(w);
            return true;
        }
    }
    return false;
}

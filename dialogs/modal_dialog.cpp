// The modal dialog loop: the default body of the patchable ModalDialog, acting on the front window; the
// standard filter; host-run modal windows; and the disabling of the other windows while a dialog runs.
#include "dialog_manager.h"
#include "../core/core_services.h"
#include "../windows/windows_services.h"
#include "../quickdraw/qd_services.h"

#include <cstring>

namespace {

constexpr uint8_t kReturn = 13, kEnter = 3, kEscape = 27;

DialogPtr sCurrentModal;
HWND sModalWindow;
int32_t sFilterDepth;
int16_t sModalDepth;
FARPROC sHostModalCallback;
WNDPROC sSavedModalProc;

bool IsConfirmKey(const EventRecord &e)
{
    if (e.what != keyDown || (e.modifiers & cmdKey))
        return false;
    const uint8_t c = static_cast<uint8_t>(e.message & 0xFF);
    return c == kReturn || c == kEnter || c == kEscape;
}


Handle ItemHandleAt(DialogPtr d, int16_t n, uint8_t *type)
{
    DitlItem item;
    if (!ItemAt(DPeek(d)->items, n, &item))
        return nullptr;
    if (type)
        *type = *item.type;
    return DitlItemHandle(item);
}

bool IsButton(DialogPtr d, int16_t n)
{
    uint8_t type = 0;
    ItemHandleAt(d, n, &type);
    return n > 0 && (type & 0x7F) == ctrlItem + btnCtrl;
}

bool FocusIsMultiLineEdit()
{
    HWND focus = GetFocus();
    bool isEdit = false;
    return focus && LibraryControlKind(focus, &isEdit) == controlKindEdit && isEdit &&
           (GetWindowLongA(focus, GWL_STYLE) & ES_MULTILINE);
}

// Draws one pending update of the dialog (the first display, and updates the filter passed on).
void DrawDialogUpdate(DialogPtr d)
{
    BeginUpdate(d);
    UpdateDialog(d, d->visRgn);
    EndUpdate(d);
}

// After a null event the loop waits up to one tick for input, so that a waiting dialog does not spin.
void WaitForInput()
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 16, QS_ALLINPUT);
}

// Characters typed into the edit items of a dialog run with a program's filter. On a Macintosh the
// filter sees a key before TextEdit does, and a filter that turns the event into a null event (or
// answers true) keeps the character out of the field. The Windows edit control would take it at once,
// so it is held here, in typing order, until the loop has offered its key-down to the filter.
struct HeldCharacter {
    HWND edit;
    WPARAM character;
    LPARAM keyData;
};
constexpr int kHeldCharacters = 32;
HeldCharacter sHeld[kHeldCharacters];
int sHeldCount;
bool sCustomFilterRun;
bool sReplaying;

// The held character a key-down event stands for: the first one held for this dialog, when the
// event's character is the one it was typed as (characters above 0x7F come through the Macintosh
// character set, and match any such character). Keys the dialog gets by other ways (Tab, Return,
// Escape, Command keys) match none. Characters stay held from one run to the next, as a program calls
// ModalDialog again after each key its edit items take; those of edit controls that are gone are
// dropped, those of another dialog's run kept for it.
bool TakeHeldCharacter(const EventRecord &e, HeldCharacter *held)
{
    int kept = 0;
    for (int i = 0; i < sHeldCount; ++i)
        if (IsWindow(sHeld[i].edit))
            sHeld[kept++] = sHeld[i];
    sHeldCount = kept;
    if (e.what != keyDown)
        return false;
    int first = 0;
    while (first < sHeldCount && GetParent(sHeld[first].edit) != sModalWindow)
        ++first;
    if (first == sHeldCount)
        return false;
    const uint8_t c = static_cast<uint8_t>(e.message & 0xFF);
    const uint8_t typed = static_cast<uint8_t>(sHeld[first].character & 0xFF);
    if (typed < 0x80 ? c != typed : c < 0x80)
        return false;
    *held = sHeld[first];
    --sHeldCount;
    std::memmove(sHeld + first, sHeld + first + 1, sizeof(HeldCharacter) * (sHeldCount - first));
    return true;
}

// Hands a held character on, as the filter left the event (the character it holds then, when still a
// plain one, or the one typed), to the edit item that has the focus now: keys typed ahead of a Tab were
// read while the field before still had the focus, and on a Macintosh they go to the field the Tab
// made active. Without an edit item in focus, the field it was typed into takes it.
void ReplayHeldCharacter(const HeldCharacter &held, const EventRecord &e)
{
    HWND target = GetFocus();
    bool isEdit = false;
    if (!target || GetParent(target) != sModalWindow || LibraryControlKind(target, &isEdit) != controlKindEdit ||
        !isEdit)
        target = held.edit;
    if (!IsWindow(target))
        return;
    const uint8_t c = static_cast<uint8_t>(e.message & 0xFF);
    const WPARAM character = c < 0x80 ? c : held.character;
    sReplaying = true;
    SendMessageA(target, WM_CHAR, character, held.keyData);
    sReplaying = false;
}

} // namespace

bool HoldModalEditCharacter(HWND edit, WPARAM character, LPARAM keyData)
{
    if (!sCustomFilterRun || sReplaying || sFilterDepth > 0 || !sModalWindow || GetParent(edit) != sModalWindow ||
        sHeldCount >= kHeldCharacters)
        return false;
    sHeld[sHeldCount++] = HeldCharacter{edit, character, keyData};
    return true;
}

bool ModalEditCharacterReplay() { return sReplaying; }

HWND ModalDialogWindow() { return sModalWindow; }
DialogPtr CurrentModalDialog() { return sCurrentModal; }
int16_t ModalDepth() { return sModalDepth; }

// ---- The standard filter ----

ZEL_EXTERN_C Boolean ZEL_CALL StdFilterProc(DialogPtr theDialog, EventRecord *theEvent, int16_t *itemHit)
{
    if (!IsDialog(theDialog) || !theEvent || !itemHit)
        return false;
    *itemHit = -1;
    SetPor(theDialog);
    DialogPeek d = DPeek(theDialog);
    if (theEvent->what == keyDown) {
        const uint8_t c = static_cast<uint8_t>(theEvent->message & 0xFF);
        int16_t item = 0;
        if (c == kReturn || c == kEnter) {
            if (FocusIsMultiLineEdit())
                return false;
            item = d->editOpen ? d->editOpen : d->aDefItem ? d->aDefItem : 1;
        } else if (c == kEscape) {
            int16_t cancel = 0;
            if (RegisteredCancelItem(theDialog, &cancel) && IsButton(theDialog, cancel) &&
                IsWindowEnabled(ControlWindow(reinterpret_cast<ControlHandle>(ItemHandleAt(theDialog, cancel, nullptr)))))
                item = cancel;
            else if (IsButton(theDialog, 2))
                item = 2;
            else if (IsButton(theDialog, GetDialogDefaultItem(theDialog)))
                item = GetDialogDefaultItem(theDialog);
            else
                item = d->aDefItem ? d->aDefItem : 1;
        } else {
            return false;
        }
        if (!IsButton(theDialog, item))
            return false;
        auto control = reinterpret_cast<ControlHandle>(ItemHandleAt(theDialog, item, nullptr));
        if (!control || !*control || !IsWindowEnabled(ControlWindow(control)))
            return false;
        HiliteControl(control, 1);
        uint32_t ticks;
        Delay(6, &ticks);
        HiliteControl(control, 0);
        *itemHit = item;
        return true;
    }
    if (theEvent->what == mouseDown) {
        WindowPtr w = nullptr;
        if (FindWindo(theEvent->where, &w) != inContent || w != theDialog) {
            SysBeep(1);
            return false;
        }
        const int16_t count = ItemsPresent(d->items);
        for (int16_t n = 1; n <= count; ++n)
            if (IsButton(theDialog, n))
                return false;
        *itemHit = 1;
        return true;
    }
    return false;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetStdFilterProc(ModalFilterProcPtr *theProc)
{
    if (theProc)
        *theProc = StdFilterProc;
    return noErr;
}

// ---- The loop ----

void ZEL_CALL ModalDialogImpl(ModalFilterProcPtr filter, int16_t *itemHit)
{
    DialogPtr d = FrontWindow();
    // A front window that is no dialog has no items to run: nothing is done.
    if (!IsDialog(d) || !DPeek(d)->items)
        return;
    int16_t hit = -1;
    if (itemHit)
        *itemHit = -1;
    ++sModalDepth;
    const bool custom = filter != nullptr;
    ModalFilterProcPtr callFilter =
        custom ? reinterpret_cast<ModalFilterProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(filter)))
               : StdFilterProc;

    const int16_t captured = ZEL_ForceCapture(0);
    const bool keepOthers = LibrarySetting(settingModalWindows) != 0;
    if (!keepOthers)
        ZEL_EnableWindows(d, false, false);
    HWND dialogHwnd = DialogAux(d) ? DialogAux(d)->hwnd : nullptr;
    HWND oldHookTarget = SetDlgKeyHookWindow(dialogHwnd, true);
    HWND oldModalWindow = sModalWindow;
    sModalWindow = dialogHwnd;
    DialogPtr oldModal = sCurrentModal;
    sCurrentModal = d;
    const bool oldCustomFilterRun = sCustomFilterRun;
    sCustomFilterRun = custom;
    GrafPtr savedPort = nullptr;
    GetPort(&savedPort);
    SetPor(d);

    // The first display: the children come out of hiding and the dialog is drawn.
    UnparkDialogItems(d);
    // The focus comes into the dialog at once, so that its keys reach it.
    DialogFocusBookkeeping(d);
    EventRecord e{};
    if (GetNextEvent(updateMask, &e) && reinterpret_cast<DialogPtr>(e.message) == d) {
        int16_t ignored = -1;
        ++sFilterDepth;
        const bool handled = callFilter(d, &e, &ignored);
        --sFilterDepth;
        SetPor(d);
        if (!handled)
            DrawDialogUpdate(d);
    }

    for (;;) {
        SystemTask();
        const bool got = GetNextEvent(everyEvent, &e);
        if (!got && e.what == nullEvent)
            WaitForInput();
        // Any event may have moved the focus or changed an edit item: the record follows.
        if (e.what != nullEvent && DPeek(d)->textH)
            BindDialogText(d, GetFocus());
        if (custom) {
            // The close box of a dialog window is posted as a click at (-6, -1): it means Escape.
            if (e.what == mouseDown && e.where.v == -6 && e.where.h == -1) {
                e.what = keyDown;
                e.message = kEscape;
            }
            if (IsConfirmKey(e) && CloseDroppedComboBox(nullptr)) {
                hit = -1;
                break;
            }
        }
        HeldCharacter held{};
        const bool holding = custom && TakeHeldCharacter(e, &held);
        ++sFilterDepth;
        bool done = callFilter(d, &e, &hit);
        --sFilterDepth;
        // The filter has seen the key: unless it took it or made it something else than a key-down, the
        // edit control gets the character now.
        if (holding && !done && e.what == keyDown)
            ReplayHeldCharacter(held, e);
        if (!done && custom && IsConfirmKey(e) && DPeek(d)->editOpen) {
            ++sFilterDepth;
            done = StdFilterProc(d, &e, &hit);
            --sFilterDepth;
        }
        if (!done && e.what == keyDown && (e.modifiers & cmdKey) && DPeek(d)->editOpen) {
            const char c = static_cast<char>(e.message & 0xFF);
            if (c == 'c' || c == 'C')
                DialogCopy(d);
            else if (c == 'v' || c == 'V')
                DialogPaste(d);
            else if (c == 'x' || c == 'X')
                DialogCut(d);
        }
        SetPor(d);
        if (done)
            break;
        if (e.what == mouseDown && CloseDroppedComboBox(WindowFromPoint(GlobalToScreen(POINT{e.where.h, e.where.v}))))
            continue;
        if (e.what == mouseUp)
            continue;
        if (e.what == updateEvt && reinterpret_cast<DialogPtr>(e.message) == d) {
            DrawDialogUpdate(d);
            continue;
        }
        if (e.what == updateEvt)
            continue;
        if (DialogEventCore(d, e, &hit))
            break;
    }

    GetNextEvent(mUpMask, &e);
    sCustomFilterRun = oldCustomFilterRun;
    sCurrentModal = oldModal;
    SetPor(savedPort);
    SetDlgKeyHookWindow(oldHookTarget, oldHookTarget != nullptr);
    sModalWindow = oldModalWindow;
    if (!keepOthers)
        ZEL_EnableWindows(d, true, false);
    ZEL_ForceCapture(captured);
    if (custom)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(callFilter));
    --sModalDepth;
    SetPendingFocusWindow(nullptr);
    if (itemHit)
        *itemHit = hit;
}

// ---- Host-run modal windows ----

namespace {

LRESULT CALLBACK ModalWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCHAR && sHostModalCallback) {
        auto callback = reinterpret_cast<int32_t(WINAPI *)(WPARAM)>(sHostModalCallback);
        if (callback(wParam))
            return 1;
    }
    return CallWindowProcA(sSavedModalProc, hwnd, message, wParam, lParam);
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL ZEL_PrepareModalWindow(DialogPtr theDialog, HWND *previousHookWindow,
                                                  DialogPtr *previousModal, int16_t *previousCapture, FARPROC callback)
{
    if (!IsDialog(theDialog))
        return;
    const int16_t captured = ZEL_ForceCapture(0);
    if (previousCapture)
        *previousCapture = captured;
    if (!LibrarySetting(settingModalWindows))
        ZEL_EnableWindows(theDialog, false, false);
    HWND hwnd = DialogAux(theDialog)->hwnd;
    HWND oldTarget = SetDlgKeyHookWindow(hwnd, true);
    if (previousHookWindow)
        *previousHookWindow = oldTarget;
    sModalWindow = hwnd;
    if (previousModal)
        *previousModal = sCurrentModal;
    sCurrentModal = theDialog;
    sHostModalCallback = callback ? MakeHostProcInstance(callback) : nullptr;
    sSavedModalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ModalWindowProc)));
}

ZEL_EXTERN_C void ZEL_CALL ZEL_CloseModalWindow(DialogPtr theDialog, HWND previousHookWindow, DialogPtr previousModal,
                                                int16_t previousCapture)
{
    if (!IsDialog(theDialog))
        return;
    HWND hwnd = DialogAux(theDialog)->hwnd;
    if (sSavedModalProc)
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sSavedModalProc));
    sSavedModalProc = nullptr;
    if (sHostModalCallback)
        FreeHostProcInstance(sHostModalCallback);
    sHostModalCallback = nullptr;
    sCurrentModal = previousModal;
    sModalWindow = previousModal && DialogAux(previousModal) ? DialogAux(previousModal)->hwnd : nullptr;
    SetDlgKeyHookWindow(previousHookWindow, previousHookWindow != nullptr);
    if (!LibrarySetting(settingModalWindows))
        ZEL_EnableWindows(theDialog, true, false);
    ZEL_ForceCapture(previousCapture);
}

int32_t ModalFilterDepth() { return sFilterDepth; }

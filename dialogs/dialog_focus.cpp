// Dialog Manager: the 'ZELD' tables that give a dialog's tab order, radio-button groups, combo boxes,
// group boxes and mnemonics, kept per dialog, and the keyboard focus among its items: Tab and Shift-Tab,
// arrows inside radio groups, Alt mnemonics, and the bookkeeping that keeps the default button with the
// focus.
#include "dialog_manager.h"
#include "Resources.h"
#include "MacMemory.h"
#include "../core/core_services.h"
#include "../windows/windows_services.h"

#include <cctype>
#include <cstring>

namespace {

constexpr ResType kFocusTableType = 0x5A454C44; // 'ZELD'
constexpr int kParkOffset = 8192;
constexpr uint8_t kTab = 9, kLeft = 28, kRight = 29, kUp = 30, kDown = 31;
constexpr uint8_t kEntryGroupBox = 0x04;
constexpr uint8_t kFlagEntryOrder = 0x40;

// One registered dialog. The slots live in a Memory Manager handle that grows by one slot when none is
// free; a free slot has no dialog.
#pragma pack(push, 2)
struct FocusTableSlot {
    DialogPtr dialog;
    Handle table;
    uint8_t resource;  // a loaded 'ZELD' (released) rather than one made up (disposed)
    uint8_t justBuilt; // the build has ended and the dialog has not been handled since
};
#pragma pack(pop)
static_assert(sizeof(FocusTableSlot) == 10, "slot layout");

Handle sSlots;

int SlotCount() { return sSlots && *sSlots ? static_cast<int>(GetHandleSize(sSlots) / sizeof(FocusTableSlot)) : 0; }
FocusTableSlot *Slots() { return reinterpret_cast<FocusTableSlot *>(*sSlots); }

FocusTableSlot *SlotOf(WindowPtr dialog)
{
    const int n = SlotCount();
    for (int i = 0; i < n; ++i)
        if (Slots()[i].dialog == dialog)
            return &Slots()[i];
    return nullptr;
}

// A free slot, growing the handle when none is; none when memory runs out.
FocusTableSlot *FreeSlot()
{
    if (FocusTableSlot *s = SlotOf(nullptr))
        return s;
    const int n = SlotCount();
    if (!sSlots) {
        sSlots = NewHandleClear(sizeof(FocusTableSlot));
        if (!sSlots)
            return nullptr;
        return &Slots()[0];
    }
    SetHandleSize(sSlots, static_cast<Size>((n + 1) * sizeof(FocusTableSlot)));
    if (MemError() != noErr)
        return nullptr;
    Slots()[n] = FocusTableSlot{};
    return &Slots()[n];
}

// The entries present: the stored count, cut to the entries the handle holds.
int EntryCount(Handle table)
{
    if (!table || !*table)
        return 0;
    const uint32_t size = static_cast<uint32_t>(GetHandleSize(table));
    if (size < 4)
        return 0;
    uint16_t count;
    std::memcpy(&count, *table + 2, 2);
    const uint32_t fits = (size - 4) / 4;
    return static_cast<int>(count < fits ? count : fits);
}

const uint8_t *Entry(Handle table, int i) { return reinterpret_cast<const uint8_t *>(*table) + 4 + 4 * i; }

uint8_t TableFlags(Handle table)
{
    return table && *table && GetHandleSize(table) >= 2 ? static_cast<uint8_t>((*table)[1]) : 0;
}

// One entry per radio button, each run of consecutive radio buttons a group numbered from 1.
Handle MakeFocusTable(DialogPtr dialog)
{
    Handle items = DPeek(dialog)->items;
    const int16_t count = ItemsPresent(items);
    Handle h = NewHandleClear(4);
    if (!h)
        return nullptr;
    (*h)[1] = static_cast<char>(0x80);
    uint16_t entries = 0;
    int group = 0;
    bool inRun = false;
    for (int16_t n = 1; n <= count && n < 256; ++n) {
        DitlItem item;
        ItemAt(items, n, &item);
        const bool radio = (*item.type & 0x7F) == ctrlItem + radCtrl;
        if (radio) {
            if (!inRun && group < 15)
                ++group;
            SetHandleSize(h, static_cast<Size>(4 + 4 * (entries + 1)));
            if (MemError() != noErr)
                break;
            uint8_t *e = reinterpret_cast<uint8_t *>(*h) + 4 + 4 * entries;
            e[0] = e[1] = static_cast<uint8_t>(n);
            e[2] = 0;
            e[3] = static_cast<uint8_t>(group << 4);
            ++entries;
        }
        inRun = radio;
    }
    std::memcpy(*h + 2, &entries, 2);
    return h;
}

// The first entry whose control item is `item`, else (alsoLabel) the first whose label item is; -1.
int EntryIndexOf(Handle table, int16_t item, bool alsoLabel)
{
    if (item <= 0 || item > 255)
        return -1;
    const int count = EntryCount(table);
    for (int i = 0; i < count; ++i)
        if (Entry(table, i)[1] == item)
            return i;
    if (alsoLabel)
        for (int i = 0; i < count; ++i)
            if (Entry(table, i)[0] == item)
                return i;
    return -1;
}

// An entry's radio group: its own number, or, for an entry without one, the group that the nearest
// grouped entries before and after it share; 0 for none.
int GroupOf(Handle table, int i)
{
    const int own = Entry(table, i)[3] >> 4;
    if (own)
        return own;
    const int count = EntryCount(table);
    int before = 0, after = 0;
    for (int k = i - 1; k >= 0 && !before; --k)
        before = Entry(table, k)[3] >> 4;
    for (int k = i + 1; k < count && !after; ++k)
        after = Entry(table, k)[3] >> 4;
    return before && before == after ? before : 0;
}

// The first and last entries of a group.
void GroupRange(Handle table, int group, int *first, int *last)
{
    const int count = EntryCount(table);
    *first = *last = -1;
    for (int i = 0; i < count; ++i) {
        if ((Entry(table, i)[3] >> 4) == group) {
            if (*first < 0)
                *first = i;
            *last = i;
        }
    }
}

HWND DialogHwnd(DialogPtr d) { return DialogAux(d) ? DialogAux(d)->hwnd : nullptr; }

uint8_t ItemType(DialogPtr d, int16_t n)
{
    DitlItem item;
    return ItemAt(DPeek(d)->items, n, &item) ? static_cast<uint8_t>(*item.type & 0x7F) : 0xFF;
}

bool IsClickable(uint8_t type) { return type >= ctrlItem + btnCtrl && type <= ctrlItem + radCtrl; }

bool IsGroupBox(Handle table, int16_t n)
{
    const int i = EntryIndexOf(table, n, false);
    return i >= 0 && (Entry(table, i)[3] & kEntryGroupBox);
}

// The window that takes an item's focus.
HWND FocusWindow(DialogPtr d, int16_t n) { return n > 0 ? DialogItemWindow(d, n) : nullptr; }

// Not a group box; its window exists, is shown, enabled, and not a library static text.
bool CanTakeFocus(DialogPtr d, Handle table, int16_t n)
{
    if (IsGroupBox(table, n))
        return false;
    HWND w = FocusWindow(d, n);
    if (!w || !IsWindow(w) || !(GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) || !IsWindowEnabled(w))
        return false;
    bool isEdit = false;
    return LibraryControlKind(w, &isEdit) != controlKindStatic;
}

// Still parked: below the whole dialog's parking offset when its children wait for the first event, or
// moved off by HideDialogItem.
bool IsParked(DialogPtr d, HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT *>(&r), 1);
    const WindowAuxRecord *aux = DialogAux(d);
    const int limit = kParkOffset + (aux && (aux->stateFlags & wsfChildrenParked) ? kParkOffset : 0);
    return r.left >= limit;
}

bool IsChecked(HWND w) { return SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A candidate of the item-order walk.
bool ItemOrderCandidate(DialogPtr d, Handle table, int16_t n)
{
    const uint8_t type = ItemType(d, n);
    if (!(type == userItem || IsClickable(type) || type == ctrlItem + resCtrl || type == editText))
        return false;
    if (!CanTakeFocus(d, table, n))
        return false;
    HWND w = FocusWindow(d, n);
    if (IsParked(d, w))
        return false;
    return type != ctrlItem + radCtrl || IsChecked(w);
}

// The item whose focus window is `w` (a combo box's edit field counts as the combo box); 0 for none.
int16_t ItemOfWindow(DialogPtr d, HWND w)
{
    HWND dialog = DialogHwnd(d);
    if (!w || !dialog)
        return 0;
    while (w && GetParent(w) != dialog) {
        w = GetParent(w);
        if (w == dialog || !w)
            return 0;
    }
    const int16_t count = ItemsPresent(DPeek(d)->items);
    const int16_t byID = static_cast<int16_t>(GetDlgCtrlID(w));
    if (byID > 0 && byID <= count && FocusWindow(d, byID) == w)
        return byID;
    for (int16_t n = 1; n <= count; ++n)
        if (FocusWindow(d, n) == w)
            return n;
    return 0;
}

int16_t FocusedItem(DialogPtr d) { return ItemOfWindow(d, GetFocus()); }

// A click as the user gives it: button down and up at (1, 1) of the child.
void ClickItem(DialogPtr d, int16_t n)
{
    if (!IsClickable(ItemType(d, n)))
        return;
    HWND w = FocusWindow(d, n);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
}

bool FocusRulesOn() { return LibrarySetting(settingDialogFocus) != 0; }

// Item order: forward the first candidate above `from`, backward the last below it; 0 when none.
int16_t ItemOrderStep(DialogPtr d, Handle table, int16_t from, int direction)
{
    const int16_t count = ItemsPresent(DPeek(d)->items);
    if (direction > 0) {
        for (int n = from + 1; n <= count; ++n)
            if (n > 0 && ItemOrderCandidate(d, table, static_cast<int16_t>(n)))
                return static_cast<int16_t>(n);
    } else {
        for (int n = (from - 1 < count ? from - 1 : count); n >= 1; --n)
            if (ItemOrderCandidate(d, table, static_cast<int16_t>(n)))
                return static_cast<int16_t>(n);
    }
    return 0;
}

// The item-order walk from an item, starting once more from the far end when nothing follows it.
int16_t ItemOrderWalk(DialogPtr d, Handle table, int16_t from, int direction)
{
    int16_t n = ItemOrderStep(d, table, from, direction);
    if (!n)
        n = ItemOrderStep(d, table, direction > 0 ? 0 : 32767, direction);
    return n;
}

// The item an entry stands for: its label when that can take the focus, else its control.
int16_t EntryItem(DialogPtr d, Handle table, int i)
{
    const uint8_t *e = Entry(table, i);
    if (CanTakeFocus(d, table, e[0]))
        return e[0];
    return CanTakeFocus(d, table, e[1]) ? e[1] : 0;
}

// Entering a radio group: its checked button, searched from the first entry forward (or the last
// backward); a group with none checked is entered at its first button that can take the focus going
// forward, its last going back.
int16_t EnterGroup(DialogPtr d, Handle table, int group, int direction)
{
    int first, last;
    GroupRange(table, group, &first, &last);
    if (first < 0)
        return 0;
    int16_t fallback = 0;
    const int span = last - first + 1;
    for (int k = 0; k < span; ++k) {
        const int i = direction > 0 ? first + k : last - k;
        const int16_t n = EntryItem(d, table, i);
        if (!n)
            continue;
        if (!fallback)
            fallback = n;
        const int16_t control = Entry(table, i)[1];
        if (ItemType(d, control) == ctrlItem + radCtrl && CanTakeFocus(d, table, control) &&
            IsChecked(FocusWindow(d, control)))
            return control;
    }
    return fallback;
}

// The entry-order walk from the focused item; 0 when no entry can take the focus. Every entry is
// visited at most once.
int16_t EntryOrderWalk(DialogPtr d, Handle table, int16_t current, int direction)
{
    const int count = EntryCount(table);
    if (!count)
        return 0;
    int i = EntryIndexOf(table, current, true);
    if (i >= 0) {
        const uint8_t *e = Entry(table, i);
        if (direction > 0 && current == e[0] && e[1] != e[0] && CanTakeFocus(d, table, e[1]))
            return e[1];
        if (direction < 0 && current == e[1] && e[1] != e[0] && CanTakeFocus(d, table, e[0]))
            return e[0];
        // A group is one stop: the step leaves from its far end.
        if (const int group = GroupOf(table, i)) {
            int first, last;
            GroupRange(table, group, &first, &last);
            if (first >= 0)
                i = direction > 0 ? last : first;
        }
    } else {
        i = direction > 0 ? count - 1 : 0;
    }
    for (int visited = 0; visited < count; ++visited) {
        i = (i + direction + count) % count;
        if (Entry(table, i)[3] & kEntryGroupBox)
            continue;
        if (!EntryItem(d, table, i))
            continue;
        if (const int group = GroupOf(table, i))
            if (const int16_t n = EnterGroup(d, table, group, direction))
                return n;
        if (const int16_t n = EntryItem(d, table, i))
            return n;
    }
    return 0;
}

// The first tab stop: entry order with flag 0x40, else item order forward from the start.
int16_t FirstTabStop(DialogPtr d, Handle table)
{
    if (TableFlags(table) & kFlagEntryOrder)
        return EntryOrderWalk(d, table, 0, 1);
    return ItemOrderWalk(d, table, 0, 1);
}

} // namespace

// ---- The table ----

Handle UseFocusTable(DialogPtr dialog, int16_t resID, bool fromResource)
{
    ForgetFocusTable(dialog);
    Handle table = fromResource ? GetResource(kFocusTableType, resID) : nullptr;
    // A resource too short for its header counts as none.
    if (table && (!*table || GetHandleSize(table) < 4)) {
        ReleaseResource(table);
        table = nullptr;
    }
    const bool resource = table != nullptr;
    if (resource)
        HNoPurge(table);
    else
        table = MakeFocusTable(dialog);
    if (!table)
        return nullptr;
    FocusTableSlot *slot = FreeSlot();
    if (!slot) {
        MessageBoxA(SessionMainWindow(), "Too many Dialogs", nullptr, MB_OK | MB_ICONINFORMATION);
        return table;
    }
    *slot = FocusTableSlot{dialog, table, static_cast<uint8_t>(resource), 0};
    return table;
}

ZEL_EXTERN_C Handle ZEL_CALL ZEL_UseZELDItems(DialogPtr theDialog, int16_t resID)
{
    if (!theDialog)
        return nullptr;
    if (resID == -1)
        return DialogFocusTable(theDialog);
    return UseFocusTable(theDialog, resID, true);
}

void ForgetFocusTable(DialogPtr dialog)
{
    FocusTableSlot *s = dialog ? SlotOf(dialog) : nullptr;
    if (!s)
        return;
    const FocusTableSlot gone = *s;
    *s = FocusTableSlot{};
    if (gone.resource)
        ReleaseResource(gone.table);
    else
        DisposeHandle(gone.table);
}

Handle DialogFocusTable(WindowPtr dialog)
{
    FocusTableSlot *s = dialog ? SlotOf(dialog) : nullptr;
    return s ? s->table : nullptr;
}

void NoteFocusTableBuilt(DialogPtr dialog)
{
    if (FocusTableSlot *s = dialog ? SlotOf(dialog) : nullptr)
        s->justBuilt = 1;
}

bool FocusTableEntry(Handle table, int16_t item, bool byLabel, uint8_t entry[4])
{
    const int count = EntryCount(table);
    for (int i = 0; i < count; ++i) {
        const uint8_t *e = Entry(table, i);
        if (e[byLabel ? 0 : 1] == item) {
            std::memcpy(entry, e, 4);
            return true;
        }
    }
    return false;
}

bool FocusTableEntryFlags(Handle table, int16_t item, uint8_t *flags)
{
    uint8_t entry[4];
    if (!item || !FocusTableEntry(table, item, false, entry))
        return false;
    if (flags)
        *flags = entry[3];
    return true;
}

// The mnemonic of an item's entry (found by its control item, else its label) is marked by an "&" before
// its first occurrence in the text, letters compared without regard to case. A doubled "&&" is one shown
// ampersand and is stepped over.
bool MarkItemMnemonic(Handle table, int16_t item, char *text, size_t capacity)
{
    if (!FocusRulesOn() || !text)
        return false;
    const int i = EntryIndexOf(table, item, true);
    if (i < 0)
        return false;
    const uint8_t mnemonic = Entry(table, i)[2];
    if (!mnemonic || mnemonic == '&')
        return false;
    const size_t length = std::strlen(text);
    if (length + 2 > capacity)
        return false;
    for (size_t k = 0; k < length; ++k) {
        if (text[k] == '&') {
            ++k;
            continue;
        }
        if (std::tolower(static_cast<uint8_t>(text[k])) == std::tolower(mnemonic)) {
            std::memmove(text + k + 1, text + k, length - k + 1);
            text[k] = '&';
            return true;
        }
    }
    return false;
}

// ---- Moving the focus ----

// The focus goes to the item's window; the default-push-button style follows a focused button and goes
// back to the default item for any other; an edit item gets all its text selected.
// The default-push-button style follows a focused button and returns to the default item otherwise; a
// default item the program disabled is left disabled and without the style.
static void StyleFollowsFocus(DialogPtr d, int16_t n)
{
    if (ItemType(d, n) == ctrlItem + btnCtrl) {
        MoveDefaultButton(d, n, false, true);
        return;
    }
    HWND def = FocusWindow(d, DPeek(d)->aDefItem);
    if (!def || IsWindowEnabled(def))
        MoveDefaultButton(d, -1, false, true);
}

void GiveItemFocus(DialogPtr d, int16_t n)
{
    HWND w = FocusWindow(d, n);
    if (!w)
        return;
    SetFocus(w);
    StyleFollowsFocus(d, n);
    if (ItemType(d, n) == editText) {
        SendMessageA(w, EM_SETSEL, 0, 32767);
        SendMessageA(w, EM_SCROLLCARET, 0, 0);
    }
}

int16_t FocusFirstFromItem(DialogPtr d, int16_t from)
{
    const int16_t n = ItemOrderStep(d, DialogFocusTable(d), static_cast<int16_t>(from - 1), 1);
    if (n)
        GiveItemFocus(d, n);
    return n;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_SetItemFocus(DialogPtr theDialog, int16_t item)
{
    if (!IsDialog(theDialog) || BuildingCounter())
        return 0;
    Handle table = DialogFocusTable(theDialog);
    const HWND before = GetFocus();
    if (ItemType(theDialog, item) == ctrlItem + radCtrl && !IsChecked(FocusWindow(theDialog, item)))
        item = FirstTabStop(theDialog, table);
    else if (!CanTakeFocus(theDialog, table, item))
        item = 0;
    if (!item)
        return 0;
    GiveItemFocus(theDialog, item);
    return GetFocus() != before || GetFocus() == FocusWindow(theDialog, item) ? 1 : 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_GetFocusCtrlID(DialogPtr theDialog)
{
    if (!IsDialog(theDialog))
        return 0;
    HWND dialog = DialogHwnd(theDialog);
    HWND pending = PendingFocusWindow();
    if (dialog && GetFocus() == dialog && pending && IsWindow(pending) && IsChild(dialog, pending))
        SetFocus(pending);
    HWND focus = GetFocus();
    if (!focus || !dialog || !IsChild(dialog, focus))
        return 0;
    if (GetParent(focus) != dialog) {
        bool isEdit = false;
        HWND parent = GetParent(focus);
        if (LibraryControlKind(parent, &isEdit) == controlKindCombo || GetParent(parent) == dialog)
            focus = parent;
    }
    return GetParent(focus) == dialog ? static_cast<int16_t>(GetDlgCtrlID(focus)) : 0;
}

// A focused control going inactive in a dialog hands the focus on to the next item that takes it; in any
// other window the owner's Windows window takes it.
void MoveFocusFromInactiveControl(ControlHandle control)
{
    WindowPtr owner = (*control)->contrlOwner;
    if (!owner)
        return;
    if (IsDialog(owner) && FocusRulesOn()) {
        HWND leaving = ControlWindow(control);
        const int16_t from = ItemOfWindow(owner, leaving);
        Handle table = DialogFocusTable(owner);
        // The control is still enabled while this runs: it is stepped over.
        EnableWindow(leaving, FALSE);
        const int16_t next = from ? ItemOrderWalk(owner, table, from, 1) : 0;
        EnableWindow(leaving, TRUE);
        if (next && next != from) {
            GiveItemFocus(owner, next);
            return;
        }
    }
    SetFocus(ZEL_GethWnd(owner));
}

// ---- The key rules ----

bool DialogKeyRules(DialogPtr d, const EventRecord &e)
{
    if (!FocusRulesOn() || BuildingCounter())
        return false;
    Handle table = DialogFocusTable(d);
    const uint8_t c = static_cast<uint8_t>(e.message & 0xFF);
    if (!(e.modifiers & optionKey)) {
        if (c == kTab) {
            const int direction = (e.modifiers & shiftKey) ? -1 : 1;
            const int16_t current = FocusedItem(d);
            if (TableFlags(table) & kFlagEntryOrder) {
                if (int16_t n = EntryOrderWalk(d, table, current, direction))
                    GiveItemFocus(d, n);
                return false;
            }
            if (int16_t n = ItemOrderWalk(d, table, current, direction))
                GiveItemFocus(d, n);
            return true;
        }
        if (c != kLeft && c != kRight && c != kUp && c != kDown)
            return false;
        const int direction = (c == kLeft || c == kUp) ? -1 : 1;
        const int16_t current = FocusedItem(d);
        if (!current || ItemType(d, current) == editText)
            return false;
        const int i = EntryIndexOf(table, current, true);
        const int group = i >= 0 ? GroupOf(table, i) : 0;
        if (!group)
            return false;
        int first, last;
        GroupRange(table, group, &first, &last);
        const int span = last - first + 1;
        int k = i;
        for (int visited = 1; visited < span; ++visited) {
            k = first + ((k - first + direction + span) % span);
            const int16_t n = Entry(table, k)[0];
            if (CanTakeFocus(d, table, n)) {
                GiveItemFocus(d, n);
                ClickItem(d, n);
                return true;
            }
        }
        return true;
    }
    // Alt and a mnemonic.
    if (!table || !c)
        return false;
    const int count = EntryCount(table);
    for (int i = 0; i < count; ++i) {
        const uint8_t *e2 = Entry(table, i);
        if (!e2[2] || std::tolower(e2[2]) != std::tolower(c))
            continue;
        const uint8_t a = e2[0], b = e2[1];
        if (CanTakeFocus(d, table, a)) {
            GiveItemFocus(d, a);
            ClickItem(d, a);
        }
        if (b != a && CanTakeFocus(d, table, b)) {
            GiveItemFocus(d, b);
            ClickItem(d, b);
        }
        return true;
    }
    return false;
}

// ---- Bookkeeping ----

void DialogFocusBookkeeping(DialogPtr d)
{
    if (!FocusRulesOn() || BuildingCounter())
        return;
    Handle table = DialogFocusTable(d);
    FocusTableSlot *slot = SlotOf(d);
    int16_t focused = 0;
    if (slot && slot->justBuilt && slot->resource && EntryCount(table)) {
        slot->justBuilt = 0;
        focused = EntryOrderWalk(d, table, Entry(table, EntryCount(table) - 1)[0], 1);
        if (focused)
            GiveItemFocus(d, focused);
    } else {
        if (slot)
            slot->justBuilt = 0;
        focused = FocusedItem(d);
    }
    if (focused) {
        HWND w = FocusWindow(d, focused);
        RECT inside, dialog, common;
        GetWindowRect(w, &inside);
        GetWindowRect(DialogHwnd(d), &dialog);
        if (!IntersectRect(&common, &inside, &dialog) || !IsWindowVisible(w) || !IsWindowEnabled(w))
            focused = 0;
    }
    DialogPeek p = DPeek(d);
    if (!focused) {
        const int16_t tryItem = p->aDefItem >= 1 ? p->aDefItem : p->editOpen;
        HWND w = FocusWindow(d, tryItem);
        if (w && IsWindowVisible(w) && IsWindowEnabled(w)) {
            GiveItemFocus(d, tryItem);
            focused = tryItem;
        }
    }
    if (!focused) {
        focused = FirstTabStop(d, table);
        if (focused)
            GiveItemFocus(d, focused);
    }
    if (focused && focused != p->editOpen)
        StyleFollowsFocus(d, focused);
}

// ---- Combo boxes ----

bool CloseDroppedComboBox(HWND unaffected)
{
    HWND focus = GetFocus();
    if (!focus)
        return false;
    bool isEdit = false;
    HWND box = LibraryControlKind(focus, &isEdit) == controlKindCombo ? focus : GetParent(focus);
    if (!box || box == unaffected || LibraryControlKind(box, &isEdit) != controlKindCombo)
        return false;
    if (!SendMessageA(box, CB_GETDROPPEDSTATE, 0, 0))
        return false;
    SendMessageA(box, CB_SHOWDROPDOWN, FALSE, 0);
    return true;
}

ZEL_EXTERN_C Boolean ZEL_CALL CloseFocusedComboList(HWND unaffected) { return CloseDroppedComboBox(unaffected); }

void FreeFocusTables()
{
    const int n = SlotCount();
    for (int i = 0; i < n; ++i)
        if (Slots()[i].dialog)
            ForgetFocusTable(Slots()[i].dialog);
    if (sSlots)
        DisposeHandle(sSlots);
    sSlots = nullptr;
}

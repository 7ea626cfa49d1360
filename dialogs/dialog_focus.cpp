// Dialog Manager: the 'ZELD' tables that give a dialog's tab order, radio-button groups, combo boxes,
// group boxes and mnemonics, kept per dialog, and the keyboard focus among its items.
#include "dialog_manager.h"
#include "Resources.h"
#include "MacMemory.h"

#include <cstring>
#include <vector>

namespace {

constexpr ResType kFocusTableType = 0x5A454C44; // 'ZELD'

struct FocusTableSlot {
    DialogPtr dialog;
    Handle table;
    bool resource; // a loaded 'ZELD' (released), or one made up (disposed)
};
std::vector<FocusTableSlot> sTables;

FocusTableSlot *SlotOf(WindowPtr dialog)
{
    for (FocusTableSlot &s : sTables)
        if (s.dialog && s.dialog == dialog)
            return &s;
    return nullptr;
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

// One entry per radio button, each run of consecutive radio buttons a group numbered from 1.
Handle MakeFocusTable(DialogPtr dialog)
{
    Handle items = DPeek(dialog)->items;
    const int16_t count = ItemsPresent(items);
    std::vector<uint8_t> entries;
    int group = 0;
    bool inRun = false;
    for (int16_t n = 1; n <= count && n < 256; ++n) {
        DitlItem item;
        ItemAt(items, n, &item);
        const bool radio = (*item.type & 0x7F) == ctrlItem + radCtrl;
        if (radio) {
            if (!inRun && group < 15)
                ++group;
            entries.insert(entries.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n), 0,
                                           static_cast<uint8_t>(group << 4)});
        }
        inRun = radio;
    }
    Handle h = NewHandleClear(static_cast<Size>(4 + entries.size()));
    if (!h)
        return nullptr;
    (*h)[1] = static_cast<char>(0x80);
    const uint16_t n = static_cast<uint16_t>(entries.size() / 4);
    std::memcpy(*h + 2, &n, 2);
    if (!entries.empty())
        std::memcpy(*h + 4, entries.data(), entries.size());
    return h;
}

} // namespace

Handle UseFocusTable(DialogPtr dialog, int16_t resID)
{
    ForgetFocusTable(dialog);
    Handle table = resID >= 0 ? GetResource(kFocusTableType, resID) : nullptr;
    const bool resource = table && *table;
    if (resource)
        HNoPurge(table);
    else
        table = MakeFocusTable(dialog);
    if (!table)
        return nullptr;
    FocusTableSlot *free = SlotOf(nullptr);
    if (free)
        *free = FocusTableSlot{dialog, table, resource};
    else
        sTables.push_back(FocusTableSlot{dialog, table, resource});
    return table;
}

void ForgetFocusTable(DialogPtr dialog)
{
    FocusTableSlot *s = dialog ? SlotOf(dialog) : nullptr;
    if (!s)
        return;
    if (s->resource)
        ReleaseResource(s->table);
    else
        DisposeHandle(s->table);
    *s = FocusTableSlot{};
}

Handle DialogFocusTable(WindowPtr dialog)
{
    FocusTableSlot *s = dialog ? SlotOf(dialog) : nullptr;
    return s ? s->table : nullptr;
}

bool FocusTableEntry(Handle table, int16_t item, bool byLabel, uint8_t entry[4])
{
    const int count = EntryCount(table);
    for (int i = 0; i < count; ++i) {
        const uint8_t *e = reinterpret_cast<const uint8_t *>(*table) + 4 + 4 * i;
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

// PENDING: the dialog focus rules mark an item's mnemonic in its ANSI title with '&'; false when none.
bool MarkItemMnemonic(Handle, int16_t, char *, size_t) { return false; }

// PENDING: the dialog focus rules move a dialog's focus on to its next item when the focused control
// goes inactive; until then the owner's Windows window takes the focus, as in any other window.
void MoveFocusFromInactiveControl(ControlHandle control)
{
    if (WindowPtr owner = (*control)->contrlOwner)
        SetFocus(ZEL_GethWnd(owner));
}

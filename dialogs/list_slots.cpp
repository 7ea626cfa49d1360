// The List Manager's slot table: one 18-byte slot per live list {list handle, list box, flags, tear-off
// item size, tear-off hook}, 255 of them in one cleared block made at session start. A slot is free while
// its list box is 0; a list keeps the number of its slot in lReserved.
#include <cstddef>

#include "list_manager.h"
#include "../core/core_services.h"

namespace {
#pragma pack(push, 2)
struct ListSlot {
    ListHandle list;
    HWND listBox;
    uint16_t flags;
    Point tearOffSize;
    ProcPtr tearOffHook;
};
#pragma pack(pop)
static_assert(sizeof(ListSlot) == 18, "a slot is 18 bytes");
static_assert(offsetof(ListSlot, flags) == 8 && offsetof(ListSlot, tearOffHook) == 14, "slot layout");

constexpr uint32_t kListSlotTableBytes = kListSlotCount * sizeof(ListSlot);
ListSlot *sListSlots;

// What each slot's list box was made as, read once when the slot takes the box: neither its thread nor
// its control ID nor its owner-drawn style changes after creation.
struct ListBoxTraits {
    DWORD thread;
    bool rowPerItem;
    bool ownerDrawn;
};
ListBoxTraits sBoxTraits[kListSlotCount];

ListSlot *SlotAt(int slot)
{
    if (!sListSlots || slot < 0 || slot >= kListSlotCount)
        return nullptr;
    return &sListSlots[slot];
}

} // namespace

void AllocListSlotTable()
{
    if (!sListSlots) {
        HLOCAL local = AllocLocalBlock(LMEM_FIXED | LMEM_ZEROINIT, kListSlotTableBytes);
        sListSlots = static_cast<ListSlot *>(local);
    }
}

void FreeListSlotTable()
{
    FreeLocalBlock(reinterpret_cast<HLOCAL>(sListSlots));
    sListSlots = nullptr;
}

int FindFreeListSlot()
{
    for (int i = 0; sListSlots && i < kListSlotCount; ++i)
        if (!sListSlots[i].listBox)
            return i;
    return -1;
}

void FillListSlot(int slot, ListHandle list, HWND listBox)
{
    ListSlot *s = SlotAt(slot);
    if (!s)
        return;
    *s = ListSlot{list, listBox, 0, Point{0, 0}, nullptr};
    sBoxTraits[slot] = listBox ? ListBoxTraits{GetWindowThreadProcessId(listBox, nullptr),
                                               (GetDlgCtrlID(listBox) & 0xFF00) == kRowListID,
                                               (GetWindowLongA(listBox, GWL_STYLE) & LBS_OWNERDRAWFIXED) != 0}
                               : ListBoxTraits{};
}

void FreeListSlot(int slot)
{
    if (ListSlot *s = SlotAt(slot)) {
        *s = ListSlot{};
        sBoxTraits[slot] = ListBoxTraits{};
    }
}

int FindListSlotByList(ListHandle list)
{
    for (int i = 0; list && sListSlots && i < kListSlotCount; ++i)
        if (sListSlots[i].listBox && sListSlots[i].list == list)
            return i;
    return -1;
}

int FindListSlotByBox(HWND listBox)
{
    for (int i = 0; listBox && sListSlots && i < kListSlotCount; ++i)
        if (sListSlots[i].listBox == listBox)
            return i;
    return -1;
}

ListHandle ListSlotList(int slot)
{
    const ListSlot *s = SlotAt(slot);
    return s ? s->list : nullptr;
}

HWND ListSlotBox(int slot)
{
    const ListSlot *s = SlotAt(slot);
    return s ? s->listBox : nullptr;
}

bool ListSlotRowPerItem(int slot) { return SlotAt(slot) && sBoxTraits[slot].rowPerItem; }

bool ListSlotOwnerDrawn(int slot) { return SlotAt(slot) && sBoxTraits[slot].ownerDrawn; }

bool ListSlotOnThisThread(int slot)
{
    return SlotAt(slot) && sListSlots[slot].listBox && sBoxTraits[slot].thread == GetCurrentThreadId();
}

uint16_t ListSlotFlags(int slot)
{
    const ListSlot *s = SlotAt(slot);
    return s ? s->flags : 0;
}

void SetListSlotFlags(int slot, uint16_t bits, bool on)
{
    if (ListSlot *s = SlotAt(slot))
        s->flags = static_cast<uint16_t>(on ? (s->flags | bits) : (s->flags & ~bits));
}

Point ListSlotTearOffSize(int slot)
{
    const ListSlot *s = SlotAt(slot);
    return s ? s->tearOffSize : Point{0, 0};
}

void SetListSlotTearOffSize(int slot, Point size)
{
    if (ListSlot *s = SlotAt(slot))
        s->tearOffSize = size;
}

ProcPtr ListSlotTearOffHook(int slot)
{
    const ListSlot *s = SlotAt(slot);
    return s ? s->tearOffHook : nullptr;
}

void SetListSlotTearOffHook(int slot, ProcPtr hook)
{
    if (ListSlot *s = SlotAt(slot))
        s->tearOffHook = hook;
}

HWND FindListBoxByView(GrafPtr port, const Rect &view)
{
    for (int i = 0; sListSlots && i < kListSlotCount; ++i) {
        ListHandle l = sListSlots[i].list;
        if (!sListSlots[i].listBox || !l || !*l || (*l)->port != port)
            continue;
        const Rect &r = (*l)->rView;
        if (r.top == view.top && r.left == view.left && r.bottom == view.bottom && r.right == view.right)
            return sListSlots[i].listBox;
    }
    return nullptr;
}

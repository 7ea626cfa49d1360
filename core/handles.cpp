// Handles and master pointers. A Handle is the address of a MasterPointerRecord whose first field is the
// data address. Data live in a block of the process heap (its handle is its address, so mapping it needs
// no lock), or in a sub-allocator block; only SetHandleSize may move them.
#include "core.h"
#include "Resources.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr uint32_t kUnmapped = 0xFFFF;    // data field while a heap block is not mapped
constexpr uint32_t kSubAllocMark = 0xFFFF; // local field of sub-allocated data
constexpr uint16_t kMaxRecordsPerBlock = 4678;
constexpr UINT kBlockFlags = LMEM_MOVEABLE | LMEM_ZEROINIT; // master-pointer blocks, locked for good

MasterPointerBlock *sHead;
MasterPointerBlock *sCurrent;
// A master-pointer block and a bit per record, set while the record is free: the search for a free
// record in a block reads its bits a word at a time instead of every record's flag word, whatever the
// number of live handles.
struct BlockEntry {
    MasterPointerBlock *block;
    uint32_t *freeBits;
};
// Every master-pointer block in address order, so that the block of a record is found by a binary
// search whatever the number of live handles.
std::vector<BlockEntry> sByAddress;
uint32_t *sCurrentFreeBits; // the bits of sCurrent
// The block last found for a record, by the record's address in 1 KB steps: the block of a record is
// looked up there before it is searched for. Blocks live until the session ends.
constexpr unsigned kRecentShift = 10;
constexpr unsigned kRecentSlots = 1024;
BlockEntry sRecent[kRecentSlots];
unsigned RecentSlot(uintptr_t p) { return (p >> kRecentShift) & (kRecentSlots - 1); }
Zone sZone;
uint32_t sTotal; // logical bytes held by handles and pointers
int16_t sMemErrPrivate;
int16_t *sMemErr = &sMemErrPrivate;

MasterPointerBlock *NextBlock(MasterPointerBlock *b)
{
    return reinterpret_cast<MasterPointerBlock *>(static_cast<uintptr_t>(b->next));
}

unsigned MapCount(const MasterPointerRecord *r) { return r->flags & mpMapCountMask; }
void SetMapCount(MasterPointerRecord *r, unsigned n)
{
    r->flags = static_cast<uint16_t>((r->flags & ~mpMapCountMask) | (n & mpMapCountMask));
}
bool IsSubAllocated(const MasterPointerRecord *r) { return r->local == kSubAllocMark; }
// The heap block of data that are not sub-allocated.
void *BlockOf(const MasterPointerRecord *r) { return reinterpret_cast<void *>(static_cast<uintptr_t>(r->local)); }
void *DataOf(const MasterPointerRecord *r) { return reinterpret_cast<void *>(static_cast<uintptr_t>(r->data)); }
uint32_t Addr(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// ---- Records by data address ----
// An index of the records whose data are in place, by the data's address, so that RecoverHandle answers
// at once whatever the number of handles. It is built by RecoverHandle itself and not kept up to date
// as data come and go (that would cost every allocation something): an entry counts only when its record
// still holds that address, and the index is built again when an address is not found and data have
// changed since it was built. Open addressing with linear probing over record pointers; NULL is empty.
std::vector<MasterPointerRecord *> sByData;
unsigned sByDataShift = 32;
uint32_t sDataChanges;       // counts every change of a record's data address
uint32_t sByDataBuiltAt = ~0u; // sDataChanges when the index was built

bool Indexed(uint32_t data) { return data != 0 && data != kUnmapped; }
size_t DataSlot(uint32_t data) { return (data * 2654435761u) >> sByDataShift; }

void BuildDataIndex()
{
    size_t live = 0;
    for (const BlockEntry &e : sByAddress)
        live += e.block->count;
    size_t size = 1024;
    while (size < 2 * live)
        size *= 2;
    sByData.assign(size, nullptr);
    sByDataShift = 32 - static_cast<unsigned>(__builtin_ctz(static_cast<unsigned>(size)));
    const size_t mask = size - 1;
    for (const BlockEntry &e : sByAddress)
        for (uint16_t i = 0; i < e.block->count; ++i) {
            MasterPointerRecord *r = &e.block->records[i];
            if (!r->flags || !Indexed(r->data))
                continue;
            size_t at = DataSlot(r->data);
            while (sByData[at])
                at = (at + 1) & mask;
            sByData[at] = r;
        }
    sByDataBuiltAt = sDataChanges;
}

MasterPointerRecord *RecordWithData(uint32_t data)
{
    if (sByData.empty())
        return nullptr;
    const size_t mask = sByData.size() - 1;
    for (size_t i = DataSlot(data); sByData[i]; i = (i + 1) & mask)
        if (sByData[i]->data == data && sByData[i]->flags)
            return sByData[i];
    return nullptr;
}

// Every change of a record's data address goes through here.
void SetData(MasterPointerRecord *r, uint32_t data)
{
    r->data = data;
    ++sDataChanges;
}

// ---- Guarded data ----
// While guarding is on, handle data get pages of their own, placed so that their last byte lies flush
// against a no-access page: a read or write past the end of a handle faults at the first byte. Used to
// check that code reading handles of untrusted size stays inside them.
constexpr uint32_t kPage = 4096;
bool sGuardData;
struct GuardedBlock {
    uintptr_t data;
    void *base;
};
std::vector<GuardedBlock> sGuarded; // by data address

std::vector<GuardedBlock>::iterator GuardedAt(const void *data)
{
    const auto p = reinterpret_cast<uintptr_t>(data);
    auto at = std::lower_bound(sGuarded.begin(), sGuarded.end(), p,
                               [](const GuardedBlock &g, uintptr_t a) { return g.data < a; });
    return at != sGuarded.end() && at->data == p ? at : sGuarded.end();
}

void *AllocGuardedBlock(uint32_t size)
{
    const uint32_t dataPages = (size + kPage - 1) / kPage;
    auto *base = static_cast<uint8_t *>(VirtualAlloc(nullptr, (dataPages + 1) * kPage, MEM_RESERVE | MEM_COMMIT,
                                                     PAGE_READWRITE));
    if (!base)
        return nullptr;
    DWORD was;
    VirtualProtect(base + dataPages * kPage, kPage, PAGE_NOACCESS, &was);
    uint8_t *data = base + dataPages * kPage - size;
    const auto p = reinterpret_cast<uintptr_t>(data);
    auto at = std::lower_bound(sGuarded.begin(), sGuarded.end(), p,
                               [](const GuardedBlock &g, uintptr_t a) { return g.data < a; });
    sGuarded.insert(at, GuardedBlock{p, base});
    return data;
}

bool FreeGuardedBlock(void *data)
{
    if (sGuarded.empty())
        return false;
    auto at = GuardedAt(data);
    if (at == sGuarded.end())
        return false;
    VirtualFree(at->base, 0, MEM_RELEASE);
    sGuarded.erase(at);
    return true;
}

// The heap-block calls for handle data, through guarded pages while guarding is on or for a block
// that was made so.
void *AllocDataBlock(uint32_t size) { return sGuardData ? AllocGuardedBlock(size) : AllocHeapBlock(size); }

void FreeDataBlock(void *block, uint32_t size)
{
    if (!FreeGuardedBlock(block))
        FreeHeapBlockOfSize(block, size);
}

void *ResizeDataBlock(void *block, uint32_t oldSize, uint32_t size, bool mayMove)
{
    const bool guarded = !sGuarded.empty() && GuardedAt(block) != sGuarded.end();
    if (!guarded && !sGuardData)
        return ResizeHeapBlock(block, oldSize, size, mayMove);
    void *moved = AllocDataBlock(size);
    if (!moved)
        return nullptr;
    std::memcpy(moved, block, std::min(oldSize, size));
    FreeDataBlock(block, oldSize);
    return moved;
}

bool BelowThreshold(uint32_t size)
{
    return !sGuardData && SessionFlag(zelFlagSubAllocate) && size < SubAllocationThreshold();
}

uint16_t RecordsPerBlock()
{
    int n = sZone.moreMast;
    if (n < 1)
        n = 1;
    return static_cast<uint16_t>(std::min<int>(n, kMaxRecordsPerBlock));
}

MasterPointerBlock *AllocateBlock()
{
    uint16_t n = RecordsPerBlock();
    uint32_t bytes = 12 + 14u * n + 8;
    HLOCAL local = AllocLocalBlock(kBlockFlags, bytes);
    if (!local)
        return nullptr;
    auto *b = static_cast<MasterPointerBlock *>(LockLocalBlock(local));
    if (!b) {
        FreeLocalBlock(local);
        return nullptr;
    }
    b->next = Addr(sHead);
    b->local = Addr(local);
    b->full = 0;
    b->nextIndex = 0;
    b->count = n;
    for (uint16_t i = 0; i < n; ++i)
        b->records[i].data = kUnmapped;
    auto *trailer = reinterpret_cast<uint32_t *>(reinterpret_cast<uint8_t *>(b) + 12 + 14u * n);
    trailer[0] = 0xFFFFFFFF;
    trailer[1] = bytes;
    auto *bits = new (std::nothrow) uint32_t[(n + 31) / 32]();
    if (!bits) {
        UnlockLocalBlock(local);
        FreeLocalBlock(local);
        return nullptr;
    }
    for (uint16_t i = 0; i < n; ++i)
        bits[i >> 5] |= 1u << (i & 31);
    sHead = b;
    sCurrent = b;
    sCurrentFreeBits = bits;
    auto at = std::upper_bound(sByAddress.begin(), sByAddress.end(), b,
                               [](const MasterPointerBlock *x, const BlockEntry &e) { return x < e.block; });
    sByAddress.insert(at, BlockEntry{b, bits});
    sTotal += bytes;
    return b;
}

// The entry of the block starting at or below address `p`, or NULL.
const BlockEntry *EntryAtOrBelow(uintptr_t p)
{
    auto after = std::upper_bound(sByAddress.begin(), sByAddress.end(), p, [](uintptr_t a, const BlockEntry &e) {
        return a < reinterpret_cast<uintptr_t>(e.block);
    });
    return after == sByAddress.begin() ? nullptr : &*(after - 1);
}

uint32_t *FreeBitsOf(MasterPointerBlock *b)
{
    if (b == sCurrent)
        return sCurrentFreeBits;
    const BlockEntry *e = EntryAtOrBelow(reinterpret_cast<uintptr_t>(b));
    return e && e->block == b ? e->freeBits : nullptr;
}

// The first index in [from, to) whose bit is set, or -1.
int NextSetBit(const uint32_t *bits, unsigned from, unsigned to)
{
    while (from < to) {
        uint32_t word = bits[from >> 5] >> (from & 31);
        if (word) {
            unsigned i = from + static_cast<unsigned>(__builtin_ctz(word));
            return i < to ? static_cast<int>(i) : -1;
        }
        from = (from | 31) + 1;
    }
    return -1;
}

// The first free record of the block, cycling from its stored start index (only a hint: the search
// covers every record), or -1. A record marked free whose flag word is not 0 is not free after all.
int FindFreeRecord(MasterPointerBlock *b, uint32_t *bits)
{
    unsigned start = b->nextIndex % b->count;
    for (;;) {
        int i = NextSetBit(bits, start, b->count);
        if (i < 0)
            i = NextSetBit(bits, 0, start);
        if (i < 0)
            return -1;
        bits[i >> 5] &= ~(1u << (i & 31));
        if (b->records[i].flags == 0)
            return i;
    }
}

MasterPointerRecord *TakeRecord()
{
    MasterPointerBlock *start = sCurrent ? sCurrent : sHead;
    if (start) {
        MasterPointerBlock *b = start;
        do {
            if (!b->full) {
                uint32_t *bits = FreeBitsOf(b);
                int i = bits ? FindFreeRecord(b, bits) : -1;
                if (i >= 0) {
                    sCurrent = b;
                    sCurrentFreeBits = bits;
                    b->nextIndex = static_cast<uint8_t>(i + 1 == b->count ? 0 : i + 1);
                    return &b->records[i];
                }
                b->full = 1;
            }
            b = NextBlock(b) ? NextBlock(b) : sHead;
        } while (b != start);
    }
    MasterPointerBlock *fresh = AllocateBlock();
    if (!fresh)
        return nullptr;
    sCurrentFreeBits[0] &= ~1u;
    fresh->nextIndex = fresh->count > 1 ? 1 : 0;
    return &fresh->records[0];
}

// The index of record `r` in block `b`, or -1 when `r` is not one of its records.
int IndexIn(const MasterPointerBlock *b, const MasterPointerRecord *r)
{
    auto p = reinterpret_cast<uintptr_t>(r);
    auto lo = reinterpret_cast<uintptr_t>(&b->records[0]);
    auto hi = reinterpret_cast<uintptr_t>(&b->records[b->count]);
    if (p < lo || p >= hi || (p - lo) % sizeof(MasterPointerRecord) != 0)
        return -1;
    return static_cast<int>((p - lo) / sizeof(MasterPointerRecord));
}

// The master-pointer block holding record `r` with its bits, and the record's index in it; a block of
// NULL when `r` is no record of ours.
BlockEntry EntryOf(const MasterPointerRecord *r, int *index)
{
    if (sCurrent && (*index = IndexIn(sCurrent, r)) >= 0)
        return BlockEntry{sCurrent, sCurrentFreeBits};
    BlockEntry &recent = sRecent[RecentSlot(reinterpret_cast<uintptr_t>(r))];
    if (recent.block && (*index = IndexIn(recent.block, r)) >= 0)
        return recent;
    const BlockEntry *e = EntryAtOrBelow(reinterpret_cast<uintptr_t>(r));
    if (e && (*index = IndexIn(e->block, r)) >= 0) {
        recent = *e;
        return *e;
    }
    return BlockEntry{nullptr, nullptr};
}

bool IsOurRecord(const MasterPointerRecord *r)
{
    int index;
    return EntryOf(r, &index).block != nullptr;
}

void FreeRecord(MasterPointerRecord *r)
{
    SetData(r, kUnmapped);
    r->local = 0;
    r->flags = 0;
    r->size = 0;
    int i;
    BlockEntry e = EntryOf(r, &i);
    if (e.block) {
        e.freeBits[i >> 5] |= 1u << (i & 31);
        sCurrent = e.block;
        sCurrentFreeBits = e.freeBits;
        sCurrent->full = 0;
        return;
    }
    if (SessionFlag(zelFlagHeapCheck))
        ReportHeapDamage(static_cast<LPARAM>(reinterpret_cast<uintptr_t>(r)));
    if (sCurrent)
        sCurrent->full = 0;
}

void Map(MasterPointerRecord *r)
{
    if (MapCount(r) == 1 && !IsSubAllocated(r) && r->local)
        SetData(r, r->local);
    SetMapCount(r, MapCount(r) + 1);
}

// Keeps a handle that is being resized out of the purge its own allocation may start: emptying it
// then would free the very block being resized or copied from.
struct PurgeGuard {
    MasterPointerRecord *r;
    uint16_t purgeable;
    explicit PurgeGuard(MasterPointerRecord *record) : r(record), purgeable(record->flags & mpPurgeable)
    {
        r->flags &= ~mpPurgeable;
    }
    ~PurgeGuard() { r->flags |= purgeable; }
};

// Gives the record heap data of `size` bytes, copying `copy` bytes from `from`.
bool MoveToHeapBlock(MasterPointerRecord *r, uint32_t size, const void *from, uint32_t copy)
{
    void *block = AllocDataBlock(size);
    if (!block)
        return false;
    if (copy)
        std::memcpy(block, from, copy);
    r->local = Addr(block);
    SetData(r, Addr(block));
    r->flags &= ~mpSubAllocated;
    if (MapCount(r) < 2)
        SetMapCount(r, 2);
    return true;
}

} // namespace

// ---- services ----

void SetMemErr(OSErr err) { *sMemErr = err; }
OSErr CurrentMemErr() { return *sMemErr; }
int16_t *MemErrCell() { return sMemErr; }
void SetMemErrCell(int16_t *cell) { sMemErr = cell ? cell : &sMemErrPrivate; }
THz TheZoneRecord() { return &sZone; }
uint32_t HandleAndPointerTotal() { return sTotal; }
void AdjustHandleAndPointerTotal(int32_t delta) { sTotal += static_cast<uint32_t>(delta); }

void InitMemoryManager()
{
    std::memset(&sZone, 0, sizeof sZone);
    sZone.moreMast = 64;
    sTotal = 0;
    InitMemoryQueries();
}

void FreeAllMasterPointerBlocks()
{
    for (MasterPointerBlock *b = sHead; b;) {
        MasterPointerBlock *next = NextBlock(b);
        HLOCAL local = reinterpret_cast<HLOCAL>(static_cast<uintptr_t>(b->local));
        UnlockLocalBlock(local);
        FreeLocalBlock(local);
        b = next;
    }
    sHead = sCurrent = nullptr;
    sCurrentFreeBits = nullptr;
    for (BlockEntry &e : sByAddress)
        delete[] e.freeBits;
    sByAddress.clear();
    std::fill(std::begin(sRecent), std::end(sRecent), BlockEntry{nullptr, nullptr});
    std::vector<MasterPointerRecord *>().swap(sByData);
    sByDataShift = 32;
    sByDataBuiltAt = ~0u;
}

uint32_t PurgeHandlesFor(uint32_t needed)
{
    uint32_t freed = 0;
    MasterPointerBlock *start = sCurrent ? sCurrent : sHead;
    if (!start)
        return 0;
    MasterPointerBlock *b = start;
    do {
        for (uint16_t i = 0; i < b->count && freed < needed; ++i) {
            MasterPointerRecord *r = &b->records[i];
            if (r->flags && (r->flags & mpPurgeable) && r->local) {
                bool local = !IsSubAllocated(r);
                uint32_t size = r->size;
                EmptyHandle(reinterpret_cast<Handle>(r));
                if (local)
                    freed += size;
            }
        }
        if (freed >= needed)
            break;
        b = NextBlock(b) ? NextBlock(b) : sHead;
    } while (b != start);
    return freed;
}

// Garbage in a caller's block is never followed: only a record inside one of our master-pointer blocks
// whose data are in place counts.
bool IsLiveHandle(Handle h)
{
    auto *r = reinterpret_cast<MasterPointerRecord *>(h);
    return r && IsOurRecord(r) && r->data != 0 && r->data != kUnmapped;
}
int16_t GetHandleCBit(Handle h) { return h && (MasterRecord(h)->flags & mpCBit) ? 1 : 0; }
void ClearHandleCBit(Handle h) { if (h) MasterRecord(h)->flags &= ~mpCBit; }

void SetHandleResFileSlot(Handle h, int16_t slot)
{
    if (!h)
        return;
    MasterPointerRecord *r = MasterRecord(h);
    r->flags = static_cast<uint16_t>((r->flags & ~mpResFileSlotMask) | ((slot << mpResFileSlotShift) & mpResFileSlotMask));
}

int16_t GetHandleResFileSlot(Handle h)
{
    return h ? static_cast<int16_t>((MasterRecord(h)->flags & mpResFileSlotMask) >> mpResFileSlotShift) : 0;
}

// ---- exported handle calls ----

ZEL_EXTERN_C Handle ZEL_CALL NewHandle(Size size)
{
    SetMemErr(noErr);
    if (size < 0) {
        SetMemErr(memFullErr);
        return nullptr;
    }
    MasterPointerRecord *r = TakeRecord();
    if (!r) {
        SetMemErr(memFullErr);
        return nullptr;
    }
    SetData(r, kUnmapped);
    r->local = 0;
    r->flags = 1;
    r->size = static_cast<uint32_t>(size);
    if (size == 0)
        return reinterpret_cast<Handle>(r);
    if (BelowThreshold(size)) {
        void *p = SubAllocate(size);
        if (p) {
            r->local = kSubAllocMark;
            SetData(r, Addr(p));
            r->flags |= mpSubAllocated;
        }
    } else {
        r->local = Addr(AllocDataBlock(size));
    }
    if (!r->local) {
        SetMemErr(memFullErr);
        FreeRecord(r);
        return nullptr;
    }
    sTotal += size;
    Map(r);
    return reinterpret_cast<Handle>(r);
}

ZEL_EXTERN_C Handle ZEL_CALL NewHandleClear(Size size) { return NewHandle(size); }
ZEL_EXTERN_C Handle ZEL_CALL NewHandleSys(Size size) { return NewHandle(size); }
ZEL_EXTERN_C Handle ZEL_CALL NewHandleSysClear(Size size) { return NewHandle(size); }

ZEL_EXTERN_C Handle ZEL_CALL TempNewHandle(Size size, OSErr *result)
{
    Handle h = NewHandle(size);
    if (result)
        *result = MemError();
    return h;
}

ZEL_EXTERN_C Handle ZEL_CALL NewEmptyHandle(void)
{
    Handle h = NewHandle(0);
    EmptyHandle(h);
    return h;
}

ZEL_EXTERN_C void ZEL_CALL EmptyHandle(Handle h)
{
    SetMemErr(noErr);
    if (!h)
        return;
    MasterPointerRecord *r = MasterRecord(h);
    if (r->local) {
        if (MapCount(r) > 1)
            SetMapCount(r, 1);
        sTotal -= r->size;
        if (IsSubAllocated(r)) {
            if (r->data && r->data != kUnmapped)
                SubFree(DataOf(r));
        } else {
            // The block holds the handle's size: the heap need not be asked for it.
            FreeDataBlock(BlockOf(r), r->size);
        }
        r->local = 0;
        r->flags &= ~mpSubAllocated;
    }
    SetData(r, 0);
    r->size = 0;
}

ZEL_EXTERN_C void ZEL_CALL DisposeHandle(Handle h)
{
    SetMemErr(noErr);
    if (!h)
        return;
    MasterPointerRecord *r = MasterRecord(h);
    if (r->flags & mpResource) {
        ReleaseResource(h);
        return;
    }
    EmptyHandle(h);
    FreeRecord(r);
}

ZEL_EXTERN_C OSErr ZEL_CALL TempDisposeHandle(Handle h, OSErr *result)
{
    DisposeHandle(h);
    OSErr err = MemError();
    if (result)
        *result = err;
    return err;
}

ZEL_EXTERN_C Size ZEL_CALL GetHandleSize(Handle h)
{
    SetMemErr(noErr);
    if (!h) {
        SetMemErr(nilHandleErr);
        return 0;
    }
    return static_cast<Size>(MasterRecord(h)->size);
}

ZEL_EXTERN_C Boolean ZEL_CALL SetHandleSize(Handle h, Size newSize)
{
    if (newSize < 0) {
        SetMemErr(memFullErr);
        return false;
    }
    SetMemErr(noErr);
    if (!h) {
        SetMemErr(nilHandleErr);
        return false;
    }
    MasterPointerRecord *r = MasterRecord(h);
    uint32_t oldSize = r->size;
    uint32_t size = static_cast<uint32_t>(newSize);
    if (size == oldSize)
        return true;
    PurgeGuard guard(r);

    if (!r->local) {
        // An empty handle gets fresh data.
        if (BelowThreshold(size)) {
            void *p = SubAllocate(size);
            if (!p) {
                SetMemErr(memFullErr);
                return false;
            }
            r->local = kSubAllocMark;
            SetData(r, Addr(p));
            r->flags |= mpSubAllocated;
        } else {
            void *block = AllocDataBlock(size);
            if (!block && size) {
                SetMemErr(memFullErr);
                return false;
            }
            r->local = Addr(block);
            SetData(r, kUnmapped);
            r->flags &= ~mpSubAllocated;
        }
        if (MapCount(r) == 0)
            SetMapCount(r, 1);
        if (r->local)
            Map(r);
    } else if (!IsSubAllocated(r)) {
        if (!BelowThreshold(size)) {
            // A block that cannot be resized stays as it was, still mapped.
            bool mapped = MapCount(r) >= 2;
            // Shrinking to nothing keeps the block where it is.
            void *moved = ResizeDataBlock(BlockOf(r), oldSize, size, size != 0);
            if (!moved) {
                SetMemErr(memFullErr);
                return false;
            }
            r->local = Addr(moved);
            if (size == 0) {
                SetData(r, kUnmapped);
                SetMapCount(r, 1);
            } else {
                // A block that was unmapped because it had shrunk to nothing is mapped again as it
                // grows, so that *h always reaches data of the handle's size.
                if (size > oldSize)
                    ZeroFill(reinterpret_cast<uint8_t *>(moved) + oldSize, size - oldSize);
                SetData(r, Addr(moved));
                if (!mapped)
                    SetMapCount(r, 2);
            }
        } else {
            void *p = SubAllocate(size);
            if (!p) {
                SetMemErr(memFullErr);
                return false;
            }
            if (r->data && r->data != kUnmapped)
                std::memcpy(p, DataOf(r), std::min(oldSize, size));
            FreeDataBlock(BlockOf(r), oldSize);
            SetData(r, Addr(p));
            r->local = kSubAllocMark;
            r->flags |= mpSubAllocated;
            SetMapCount(r, 2);
        }
    } else if (!BelowThreshold(size)) {
        // Sub-allocated data growing past the threshold move to the process heap.
        void *old = DataOf(r);
        if (!MoveToHeapBlock(r, size, old, std::min(oldSize, size))) {
            SetMemErr(memFullErr);
            return false;
        }
        SubFree(old);
    } else {
        void *p = SubResize(DataOf(r), size, true);
        if (!p && size) {
            SetMemErr(memFullErr);
            return false;
        }
        if (p)
            SetData(r, Addr(p));
    }

    if (!r->local && size) {
        SetMemErr(memFullErr);
        return false;
    }
    sTotal += size - oldSize;
    r->size = size;
    return true;
}

ZEL_EXTERN_C Boolean ZEL_CALL ReallocateHandle(Handle h, Size size) { return SetHandleSize(h, size); }

ZEL_EXTERN_C Handle ZEL_CALL RecoverHandle(Ptr p)
{
    SetMemErr(noErr);
    MasterPointerBlock *start = sCurrent ? sCurrent : sHead;
    if (!start || !p)
        return nullptr;
    uint32_t want = Addr(p);
    // Data in place are unique to their record; only the unmapped mark is shared, by every record
    // without data, and the first of those from the current block on is the answer.
    if (Indexed(want)) {
        MasterPointerRecord *r = RecordWithData(want);
        if (!r && sByDataBuiltAt != sDataChanges) {
            BuildDataIndex();
            r = RecordWithData(want);
        }
        return reinterpret_cast<Handle>(r);
    }
    MasterPointerBlock *b = start;
    do {
        for (uint16_t i = 0; i < b->count; ++i)
            if (b->records[i].flags && b->records[i].data == want)
                return reinterpret_cast<Handle>(&b->records[i]);
        b = NextBlock(b) ? NextBlock(b) : sHead;
    } while (b != start);
    return nullptr;
}

ZEL_EXTERN_C THz ZEL_CALL HandleZone(Handle) { return TheZoneRecord(); }
ZEL_EXTERN_C THz ZEL_CALL ApplicationZone(void) { return TheZoneRecord(); }
ZEL_EXTERN_C THz ZEL_CALL GetZone(void) { return TheZoneRecord(); }

ZEL_EXTERN_C THz ZEL_CALL SystemZone(void)
{
    ReportUnimplemented(" SystemZone");
    return nullptr;
}

ZEL_EXTERN_C SignedByte ZEL_CALL HGetState(Handle h)
{
    if (!h)
        return 0;
    const MasterPointerRecord *r = MasterRecord(h);
    int state = 0;
    if (MapCount(r) > 1)
        state |= handleLockedBit;
    if (r->flags & mpResource)
        state |= handleResourceBit;
    if (r->flags & mpPurgeable)
        state |= handlePurgeableBit;
    return static_cast<SignedByte>(state);
}

ZEL_EXTERN_C void ZEL_CALL HSetState(Handle h, SignedByte state)
{
    if (!h)
        return;
    MasterPointerRecord *r = MasterRecord(h);
    uint8_t s = static_cast<uint8_t>(state);
    r->flags = static_cast<uint16_t>((r->flags & ~(mpResource | mpPurgeable)) |
                                     ((s & handleResourceBit) ? mpResource : 0) |
                                     ((s & handlePurgeableBit) ? mpPurgeable : 0));
}

ZEL_EXTERN_C void ZEL_CALL HPurge(Handle h) { if (h) MasterRecord(h)->flags |= mpPurgeable; }
ZEL_EXTERN_C void ZEL_CALL HNoPurge(Handle h) { if (h) MasterRecord(h)->flags &= ~mpPurgeable; }
ZEL_EXTERN_C void ZEL_CALL HSetRBit(Handle h) { if (h) MasterRecord(h)->flags |= mpResource; }
ZEL_EXTERN_C void ZEL_CALL HClrRBit(Handle h) { if (h) MasterRecord(h)->flags &= ~mpResource; }
// Marks a handle for picture playback, which reads the mark through GetHandleCBit.
ZEL_EXTERN_C void ZEL_CALL HSetCBit(Handle h) { if (h) MasterRecord(h)->flags |= mpCBit; }

ZEL_EXTERN_C void ZEL_CALL MoreMasters(void)
{
    SetMemErr(noErr);
    int blocks = (std::max<int>(sZone.moreMast, 1) + kMaxRecordsPerBlock - 1) / kMaxRecordsPerBlock;
    for (int i = 0; i < blocks; ++i)
        if (!AllocateBlock())
            break;
}

ZEL_EXTERN_C OSErr ZEL_CALL HandToHand(Handle *theHndl)
{
    SetMemErr(noErr);
    if (!theHndl || !*theHndl) {
        SetMemErr(nilHandleErr);
        return nilHandleErr;
    }
    Handle old = *theHndl;
    Size size = GetHandleSize(old);
    Handle copy = NewHandle(size);
    if (!copy) {
        *theHndl = nullptr;
        SetMemErr(memFullErr);
        return memFullErr;
    }
    if (size)
        std::memcpy(*copy, *old, size);
    *theHndl = copy;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL PtrToHand(const void *src, Handle *dst, long size)
{
    Handle h = NewHandle(size);
    if (h && size > 0 && src)
        std::memcpy(*h, src, size);
    if (dst)
        *dst = h;
    return MemError();
}

ZEL_EXTERN_C OSErr ZEL_CALL PtrToXHand(const void *src, Handle dst, long size)
{
    if (!dst) {
        // A NULL destination is reported, never taken as success.
        SetMemErr(nilHandleErr);
        return nilHandleErr;
    }
    if (SetHandleSize(dst, size) && size > 0 && src)
        std::memmove(*dst, src, size);
    return MemError();
}

ZEL_EXTERN_C OSErr ZEL_CALL HandAndHand(Handle a, Handle b)
{
    SetMemErr(noErr);
    if (!a || !b)
        return MemError();
    Size sizeA = GetHandleSize(a);
    Size sizeB = GetHandleSize(b);
    if (SetHandleSize(b, sizeA + sizeB) && sizeA)
        std::memmove(*b + sizeB, *a, sizeA);
    return MemError();
}

ZEL_EXTERN_C OSErr ZEL_CALL PtrAndHand(const void *p, Handle h, long size)
{
    SetMemErr(noErr);
    if (!h) {
        SetMemErr(nilHandleErr);
        return nilHandleErr;
    }
    Size old = GetHandleSize(h);
    if (SetHandleSize(h, old + size) && size > 0 && p)
        std::memmove(*h + old, p, size);
    return MemError();
}

ZEL_EXTERN_C OSErr ZEL_CALL MemError(void) { return CurrentMemErr(); }

// Data never move while they are mapped, so locking and compaction have nothing to do.
ZEL_EXTERN_C void ZEL_CALL HLock(Handle) {}
ZEL_EXTERN_C void ZEL_CALL HUnlock(Handle) {}
ZEL_EXTERN_C void ZEL_CALL HLockHi(Handle) {}
ZEL_EXTERN_C void ZEL_CALL MoveHHi(Handle) {}
ZEL_EXTERN_C void ZEL_CALL SetZone(THz) {}
ZEL_EXTERN_C void ZEL_CALL InitZone(GrowZoneProcPtr, int16_t, Ptr, Ptr) {}
ZEL_EXTERN_C void ZEL_CALL ReserveMem(Size) {}
ZEL_EXTERN_C void ZEL_CALL SetApplLimit(Ptr) {}
ZEL_EXTERN_C void ZEL_CALL MaxApplZone(void) {}
ZEL_EXTERN_C Handle ZEL_CALL GZSaveHnd(void) { return nullptr; }

// Test seam: the number of live handles (master pointers in use).
ZEL_EXTERN_C int32_t ZEL_CALL LiveHandleCount(void)
{
    int32_t live = 0;
    for (const BlockEntry &e : sByAddress)
        for (uint16_t i = 0; i < e.block->count; ++i)
            live += e.block->records[i].flags != 0;
    return live;
}

// Test seam: turns guarded handle data on or off (blocks made while it was on stay guarded until they
// are freed); answers the previous setting.
ZEL_EXTERN_C Boolean ZEL_CALL GuardHandleData(Boolean on)
{
    const Boolean was = sGuardData ? TRUE : FALSE;
    sGuardData = on != 0;
    return was;
}

// Block wrappers: every block of the Memory Manager comes from the process heap through these, as a
// local block or as a plain heap block, and they retry a failed allocation through staged recovery and
// keep the allocation totals.
#include "core.h"

#include <algorithm>

namespace {

uint32_t sLocalBytes;      // sum of the sizes of live local and heap blocks
uint32_t sLocalUnits;      // 64 KB units: each block adds (size >> 16) + 1
GrowZoneProcPtr sGrowZone; // host procedure installed by SetGrowZone (wrapped unless flag 0x200)
MemoryLimits sLimits = {false, 0, 0, kDefaultMemoryUnitLimit};

void CountInSize(uint32_t size)
{
    sLocalBytes += size;
    sLocalUnits += (size >> 16) + 1;
}

void CountOutSize(uint32_t size)
{
    sLocalBytes -= size;
    sLocalUnits -= (size >> 16) + 1;
}

// Asks the grow-zone procedure for `needed` bytes; answers what it says it freed (0 without one).
int64_t CallGrowZone(int64_t needed)
{
    if (!sGrowZone)
        return 0;
    return sGrowZone(static_cast<Size>(std::min<int64_t>(needed, INT32_MAX)));
}

uint32_t PurgeFor(int64_t needed)
{
    return PurgeHandlesFor(static_cast<uint32_t>(std::min<int64_t>(needed, UINT32_MAX)));
}

// The memory limit of ZEL_SetMemoryLimits: a request of at least the request threshold may take what
// is left of the byte limit (while fewer 64 KB units than the unit limit are in use); the rest must be
// released by purging, with the grow-zone procedure's help. Small requests and disabled limits pass.
bool LimitAllows(uint32_t n)
{
    if (!sLimits.enabled || n < sLimits.requestThreshold)
        return true;
    bool reduced = false;
    auto stillNeeded = [&] {
        int64_t needed = n;
        reduced = sLocalUnits < static_cast<uint32_t>(std::max<int16_t>(sLimits.unitLimit, 0));
        if (reduced)
            needed -= static_cast<int64_t>(sLimits.byteLimit) - sLocalBytes;
        return needed;
    };
    int64_t needed = stillNeeded();
    if (needed <= 0 || PurgeFor(needed) >= needed)
        return true;
    if (sGrowZone && CallGrowZone(needed) < needed)
        return false;
    if (reduced)
        needed = stillNeeded();
    return needed <= 0 || PurgeFor(needed) >= needed;
}

// Runs the allocation, and after each failure one more stage of recovery: purge purgeable handles,
// compact the heap, then ask the host's grow-zone procedure.
template <typename Attempt> void *WithRecovery(uint32_t size, Attempt attempt)
{
    for (int stage = 0;; ++stage) {
        if (void *h = attempt())
            return h;
        switch (stage) {
        case 0:
            PurgeHandlesFor(size);
            break;
        case 1:
            LocalCompact(size);
            break;
        case 2:
            if (!sGrowZone || CallGrowZone(size) < size)
                return nullptr;
            PurgeHandlesFor(size);
            break;
        default:
            return nullptr;
        }
    }
}

} // namespace

HLOCAL AllocLocalBlock(UINT flags, uint32_t size)
{
    if (!LimitAllows(size))
        return nullptr;
    HLOCAL h = WithRecovery(size, [&] { return LocalAlloc(flags, size); });
    // A new block's LocalSize is the size asked for: no need to ask the heap again.
    if (h)
        CountInSize(size);
    return h;
}

HLOCAL ReallocLocalBlock(HLOCAL block, uint32_t size, UINT flags)
{
    return block ? ResizeLocalBlock(block, LocalSize(block), size, flags) : nullptr;
}

// A resized block's LocalSize is the size asked for (0 once discarded), a block that could not be
// resized keeps its old one: the heap need not be asked either.
HLOCAL ResizeLocalBlock(HLOCAL block, uint32_t oldSize, uint32_t size, UINT flags)
{
    if (!block)
        return nullptr;
    if (size > oldSize && !LimitAllows(size - oldSize))
        return nullptr;
    CountOutSize(oldSize);
    HLOCAL h;
    if (size == 0)
        h = LocalReAlloc(block, 0, flags);
    else
        h = WithRecovery(size, [&] { return LocalReAlloc(block, size, flags); });
    CountInSize(h ? size : oldSize);
    return h;
}

HLOCAL FreeLocalBlock(HLOCAL block)
{
    return block ? FreeLocalBlockOfSize(block, LocalSize(block)) : nullptr;
}

// LocalFree releases a block whatever its lock count, so data mapped for their whole life are freed
// without unlocking them first.
HLOCAL FreeLocalBlockOfSize(HLOCAL block, uint32_t size)
{
    if (!block)
        return nullptr;
    CountOutSize(size);
    LocalFree(block);
    return nullptr;
}

bool LocalBlockAllowed(uint32_t size) { return LimitAllows(size); }

void CountLocalBlock(uint32_t size, bool in)
{
    if (in)
        CountInSize(size);
    else
        CountOutSize(size);
}

void *LockLocalBlock(HLOCAL block) { return LocalLock(block); }
void UnlockLocalBlock(HLOCAL block) { LocalUnlock(block); }
HLOCAL GetLocalBlockHandle(const void *p) { return LocalHandle(p); }
uint32_t GetLocalBlockSize(HLOCAL block) { return LocalSize(block); }

// Heap blocks: the same limit, recovery and totals around HeapAlloc and its relatives on the process
// heap. The local-heap calls add their own lock and bookkeeping around these very calls, and nothing asks
// the local heap about a heap block.
void *AllocHeapBlock(uint32_t size)
{
    if (!LimitAllows(size))
        return nullptr;
    void *p = WithRecovery(size, [&] { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size); });
    if (p)
        CountInSize(size);
    return p;
}

// As ResizeLocalBlock: a block shrunk to nothing stays a block, and one that could not be resized keeps
// its old size. Bytes a block gains are not cleared.
void *ResizeHeapBlock(void *block, uint32_t oldSize, uint32_t size, bool mayMove)
{
    if (!block)
        return nullptr;
    if (size > oldSize && !LimitAllows(size - oldSize))
        return nullptr;
    CountOutSize(oldSize);
    const DWORD flags = mayMove ? 0 : HEAP_REALLOC_IN_PLACE_ONLY;
    void *p;
    if (size == 0)
        p = HeapReAlloc(GetProcessHeap(), flags, block, 0);
    else
        p = WithRecovery(size, [&] { return HeapReAlloc(GetProcessHeap(), flags, block, size); });
    CountInSize(p ? size : oldSize);
    return p;
}

void FreeHeapBlockOfSize(void *block, uint32_t size)
{
    if (!block)
        return;
    CountOutSize(size);
    HeapFree(GetProcessHeap(), 0, block);
}

uint32_t HeapBlockSize(const void *block)
{
    SIZE_T size = HeapSize(GetProcessHeap(), 0, block);
    return size == static_cast<SIZE_T>(-1) ? 0 : static_cast<uint32_t>(size);
}

uint32_t LocalBytesTotal() { return sLocalBytes; }

MemoryLimits CurrentMemoryLimits() { return sLimits; }
void SetMemoryLimitsState(const MemoryLimits &limits) { sLimits = limits; }

bool SetMemoryLimitSwitch(bool on)
{
    bool was = sLimits.enabled;
    sLimits.enabled = on;
    return was;
}

void ReleaseGrowZone()
{
    FreeHostProcInstance(reinterpret_cast<FARPROC>(sGrowZone));
    sGrowZone = nullptr;
}

// The host's grow-zone procedure, asked for memory when purging and compaction did not find enough.
ZEL_EXTERN_C void ZEL_CALL SetGrowZone(GrowZoneProcPtr proc)
{
    SetMemErr(noErr);
    ReleaseGrowZone();
    sGrowZone = reinterpret_cast<GrowZoneProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(proc)));
}

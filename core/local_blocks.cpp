// Local-heap wrappers: every block of the library comes from the process's local heap through these,
// which retry a failed allocation through staged recovery and keep the allocation totals.
#include "core.h"

namespace {

uint32_t sLocalBytes;      // sum of LocalSize over live local blocks
uint32_t sLocalUnits;      // 64 KB units: each block adds (size >> 16) + 1
GrowZoneProcPtr sGrowZone; // host procedure installed by SetGrowZone

void CountIn(HLOCAL block)
{
    uint32_t size = LocalSize(block);
    sLocalBytes += size;
    sLocalUnits += (size >> 16) + 1;
}

void CountOut(HLOCAL block)
{
    uint32_t size = LocalSize(block);
    sLocalBytes -= size;
    sLocalUnits -= (size >> 16) + 1;
}

// Memory limits (ZEL_SetMemoryLimits) refuse oversized requests; without limits everything may try.
bool LimitAllows(uint32_t)
{
    return true;
}

// Runs the allocation, and after each failure one more stage of recovery: purge purgeable handles,
// compact the heap, then ask the host's grow-zone procedure.
template <typename Attempt> HLOCAL WithRecovery(uint32_t size, Attempt attempt)
{
    for (int stage = 0;; ++stage) {
        if (HLOCAL h = attempt())
            return h;
        switch (stage) {
        case 0:
            PurgeHandlesFor(size);
            break;
        case 1:
            LocalCompact(size);
            break;
        case 2:
            if (!sGrowZone || static_cast<uint32_t>(sGrowZone(static_cast<Size>(size))) < size)
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
    if (h)
        CountIn(h);
    return h;
}

HLOCAL ReallocLocalBlock(HLOCAL block, uint32_t size, UINT flags)
{
    if (!block)
        return nullptr;
    uint32_t old = LocalSize(block);
    if (size > old && !LimitAllows(size - old))
        return nullptr;
    CountOut(block);
    HLOCAL h;
    if (size == 0)
        h = LocalReAlloc(block, 0, flags);
    else
        h = WithRecovery(size, [&] { return LocalReAlloc(block, size, flags); });
    CountIn(h ? h : block);
    return h;
}

HLOCAL FreeLocalBlock(HLOCAL block)
{
    if (!block)
        return nullptr;
    CountOut(block);
    LocalFree(block);
    return nullptr;
}

void *LockLocalBlock(HLOCAL block) { return LocalLock(block); }
void UnlockLocalBlock(HLOCAL block) { LocalUnlock(block); }
HLOCAL GetLocalBlockHandle(const void *p) { return LocalHandle(p); }
uint32_t GetLocalBlockSize(HLOCAL block) { return LocalSize(block); }

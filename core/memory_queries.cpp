// Memory Manager queries over the Windows memory status, the memory limits, the heap check and the
// calls that have nothing to do on Windows.
#include "core.h"

#include <algorithm>

namespace {

constexpr uint32_t kWin32sReserve = 0x30000;
constexpr int64_t kFreeMemMargin = 32768;
constexpr Size kLargestAnswer = 0x7FFFFFFF;
constexpr Size kContiguousLimit = 65536;
constexpr Size kMaxMemOnWin32 = 0x7F000000;
constexpr Size kTempMaxMem = 0x0FFFFFFF;

MEMORYSTATUS sStatus; // snapshot taken at start-up and by ZEL_ComputeMemorySize

void TakeSnapshot()
{
    sStatus = MEMORYSTATUS{};
    sStatus.dwLength = sizeof sStatus;
    GlobalMemoryStatus(&sStatus);
}

Size ClampAnswer(int64_t v) { return static_cast<Size>(std::clamp<int64_t>(v, 0, kLargestAnswer)); }

bool Win32Platform()
{
    const PlatformInfo &p = SessionPlatform();
    return p.win32s || p.windowsNT || p.windows95;
}

uint32_t PurgeRequest(Size n) { return n > 0 ? static_cast<uint32_t>(n) : 0; }

} // namespace

void InitMemoryQueries()
{
    TakeSnapshot();
    SetFreeMemReserve(SessionPlatform().win32s ? kWin32sReserve : 0);
}

// The reserve FreeMem keeps back is library setting 50, shared with ZEL_SystemValue.
uint32_t FreeMemReserve() { return static_cast<uint32_t>(LibrarySetting(settingMemoryReserve)); }
void SetFreeMemReserve(uint32_t bytes) { SetLibrarySetting(settingMemoryReserve, static_cast<int32_t>(bytes)); }

// With a memory limit: what is left of it. Otherwise the free page file (the free physical memory when
// there is no page file) less the reserve and a margin. Wine reports more free page file than the
// total: the free part is then taken as the total rather than as nothing.
ZEL_EXTERN_C Size ZEL_CALL FreeMem(void)
{
    SetMemErr(noErr);
    MemoryLimits limits = CurrentMemoryLimits();
    if (limits.enabled)
        return ClampAnswer(static_cast<int64_t>(limits.byteLimit) - LocalBytesTotal());
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    int64_t free;
    if (status.dwTotalPageFile)
        free = static_cast<int64_t>(std::min(status.dwAvailPageFile, status.dwTotalPageFile)) - FreeMemReserve();
    else
        free = std::min(status.dwAvailPhys, status.dwTotalPhys);
    return ClampAnswer(free - kFreeMemMargin);
}

ZEL_EXTERN_C Size ZEL_CALL MaxBlock(void) { return FreeMem(); }

ZEL_EXTERN_C void ZEL_CALL PurgeSpace(Size *total, Size *contiguous)
{
    Size all = MaxBlock();
    if (total)
        *total = all;
    if (contiguous)
        *contiguous = std::min(all, kContiguousLimit);
}

// Purges purgeable handles for the bytes asked; the 16-bit heap alone is compacted as well.
ZEL_EXTERN_C Size ZEL_CALL CompactMem(Size needed)
{
    SetMemErr(noErr);
    uint32_t n = PurgeRequest(needed);
    if (PurgeHandlesFor(n) < n && !Win32Platform())
        return static_cast<Size>(LocalCompact(n));
    return needed;
}

ZEL_EXTERN_C void ZEL_CALL PurgeMem(Size needed)
{
    SetMemErr(noErr);
    if (needed >= kContiguousLimit)
        return;
    uint32_t n = PurgeRequest(needed);
    if (PurgeHandlesFor(n) < n)
        LocalCompact(n);
}

// The zone never grows: *grow answers 0.
ZEL_EXTERN_C Size ZEL_CALL MaxMem(Size *grow)
{
    SetMemErr(noErr);
    if (grow)
        *grow = 0;
    const PlatformInfo &p = SessionPlatform();
    if (p.win32s || p.windowsNT)
        return kMaxMemOnWin32;
    return static_cast<Size>(LocalCompact(0));
}

ZEL_EXTERN_C Ptr ZEL_CALL GetApplLimit(void)
{
    SetMemErr(noErr);
    MemoryLimits limits = CurrentMemoryLimits();
    uint32_t extent = limits.enabled ? limits.byteLimit : static_cast<uint32_t>(LocalCompact(0));
    return reinterpret_cast<Ptr>(TheZoneRecord()) + extent;
}

ZEL_EXTERN_C long ZEL_CALL StackSpace(void) { return 2048; }

ZEL_EXTERN_C Size ZEL_CALL TempMaxMem(Size *grow)
{
    SetMemErr(noErr);
    if (grow)
        *grow = 0;
    return kTempMaxMem;
}

ZEL_STUB(Size, TempFreeMem, 0, (void))
ZEL_STUB(Ptr, TopMem, 0, (void))

ZEL_EXTERN_C OSErr ZEL_CALL HoldMemory(void *, unsigned long) { return noErr; }
ZEL_EXTERN_C OSErr ZEL_CALL UnholdMemory(void *, unsigned long) { return noErr; }
ZEL_EXTERN_C int32_t ZEL_CALL xInitMemManDLL(void) { return 0; }

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_ComputeMemorySize(uint32_t *totalPageFile, uint32_t *availPageFile,
                                                     uint32_t *totalPhys, uint32_t *availPhys,
                                                     uint32_t *libraryBytes)
{
    TakeSnapshot();
    uint32_t last = static_cast<uint32_t>(sStatus.dwAvailPageFile);
    auto store = [&](uint32_t *out, uint32_t value) {
        if (out) {
            *out = value;
            last = value;
        }
    };
    store(totalPageFile, static_cast<uint32_t>(sStatus.dwTotalPageFile));
    store(availPageFile, static_cast<uint32_t>(sStatus.dwAvailPageFile));
    store(totalPhys, static_cast<uint32_t>(sStatus.dwTotalPhys));
    store(availPhys, static_cast<uint32_t>(sStatus.dwAvailPhys));
    store(libraryBytes, HandleAndPointerTotal());
    return last;
}

// Free system resources in percent. Only Windows 3.x has the 16-bit kernel's heap report; everywhere
// else the answer is 100. A module that reports no heap at all counts as entirely free.
ZEL_EXTERN_C int16_t ZEL_CALL ZEL_GetFreeSystemResources(int16_t which)
{
    if ((SessionPlatform().versionWord & 0x0F) != 3 || which < 0 || which > 2)
        return 100;
    HMODULE kernel = GetModuleHandleA("KERNEL");
    using HeapSpacesProc = DWORD(WINAPI *)(HMODULE);
    auto heapSpaces = kernel ? reinterpret_cast<HeapSpacesProc>(GetProcAddress(kernel, "GETHEAPSPACES")) : nullptr;
    if (!heapSpaces)
        return 100;
    auto percent = [&](const char *module) -> int16_t {
        HMODULE m = GetModuleHandleA(module);
        DWORD spaces = m ? heapSpaces(m) : 0;
        DWORD free = LOWORD(spaces), total = HIWORD(spaces);
        return total ? static_cast<int16_t>(std::min<DWORD>(free * 100 / total, 100)) : 100;
    };
    if (which == 1)
        return percent("GDI");
    if (which == 2)
        return percent("USER");
    return std::min(percent("GDI"), percent("USER"));
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_SetMemoryLimits(uint8_t enable, uint32_t limit, uint32_t threshold, int16_t units)
{
    SetMemErr(noErr);
    if (!enable) {
        SetMemoryLimitsState({false, 0, 0, kDefaultMemoryUnitLimit});
        return 0;
    }
    int16_t unitLimit = units ? units : kDefaultMemoryUnitLimit;
    SetMemoryLimitsState({true, limit, threshold, unitLimit});
    return unitLimit;
}

// The full heap check, under session flag 0x4 only: the process heaps (except on Win32s) and every
// sub-allocator chunk. Damage is reported to the host's main window.
ZEL_EXTERN_C int16_t ZEL_CALL ZEL_MemCheck(void)
{
    if (!SessionFlag(zelFlagHeapCheck))
        return 1;
    if (!SessionPlatform().win32s) {
        HANDLE heaps[20];
        DWORD count = std::min<DWORD>(GetProcessHeaps(20, heaps), 20);
        for (DWORD i = 0; i < count; ++i) {
            if (!HeapValidate(heaps[i], 0, nullptr)) {
                ReportHeapDamage(0);
                return 0;
            }
        }
    }
    if (!SubAllocatorChunksSound(true)) {
        ReportHeapDamage(0);
        return 0;
    }
    return 1;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetMemLimits(void) {}
ZEL_EXTERN_C void ZEL_CALL ZEL_CheckMacHeap(void) {}
ZEL_EXTERN_C void ZEL_CALL ZEL_ATHCA(void) {}

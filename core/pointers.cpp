// Nonrelocatable blocks of the Memory Manager: NewPtr and its relatives, and BlockMove. A small pointer
// is a sub-allocator block; a large one is a process-heap block of size + 8 bytes, whose first two words
// are 0xFFFFFFFF, so that the word before any pointer tells the two kinds apart.
#include "core.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kLargeMark = 0xFFFFFFFF;
constexpr uint32_t kLargeHeader = 8;

uint8_t *Bytes(void *p) { return static_cast<uint8_t *>(p); }

bool IsLarge(void *p)
{
    uint32_t mark;
    std::memcpy(&mark, Bytes(p) - 4, 4);
    return mark == kLargeMark;
}

void *LargeBlockOf(void *p) { return Bytes(p) - kLargeHeader; }

bool IsNoAddress(const void *p)
{
    uintptr_t a = reinterpret_cast<uintptr_t>(p);
    return a == 0 || a == 0xFFFF;
}

} // namespace

ZEL_EXTERN_C Ptr ZEL_CALL NewPtr(Size size)
{
    if (size < 0) {
        SetMemErr(memFullErr);
        return nullptr;
    }
    SetMemErr(noErr);
    uint32_t n = static_cast<uint32_t>(size);
    if (SessionFlag(zelFlagSubAllocate) && n < SubAllocationThreshold()) {
        // A failed sub-allocation is not retried on the process heap.
        void *p = SubAllocate(n);
        if (!p) {
            SetMemErr(memFullErr);
            return nullptr;
        }
        AdjustHandleAndPointerTotal(static_cast<int32_t>(n));
        return static_cast<Ptr>(p);
    }
    void *block = AllocHeapBlock(n + kLargeHeader);
    if (!block) {
        SetMemErr(memFullErr);
        return nullptr;
    }
    const uint32_t marks[2] = {kLargeMark, kLargeMark};
    std::memcpy(block, marks, sizeof marks);
    AdjustHandleAndPointerTotal(static_cast<int32_t>(n + kLargeHeader));
    return reinterpret_cast<Ptr>(Bytes(block) + kLargeHeader);
}

ZEL_EXTERN_C Ptr ZEL_CALL NewPtrClear(Size size) { return NewPtr(size); }
ZEL_EXTERN_C Ptr ZEL_CALL NewPtrSys(Size size) { return NewPtr(size); }
ZEL_EXTERN_C Ptr ZEL_CALL NewPtrSysClear(Size size) { return NewPtr(size); }

ZEL_EXTERN_C void ZEL_CALL DisposePtr(Ptr p)
{
    SetMemErr(noErr);
    if (!p)
        return;
    if (IsLarge(p)) {
        void *block = LargeBlockOf(p);
        uint32_t size = HeapBlockSize(block);
        AdjustHandleAndPointerTotal(-static_cast<int32_t>(size));
        FreeHeapBlockOfSize(block, size);
        return;
    }
    uint32_t size = SubBlockRequestedSize(p);
    // A block the tag check refuses (damaged, or freed before) stays out of the total.
    if (SubFree(p))
        AdjustHandleAndPointerTotal(-static_cast<int32_t>(size));
}

ZEL_EXTERN_C Size ZEL_CALL GetPtrSize(Ptr p)
{
    SetMemErr(noErr);
    if (!p) {
        SetMemErr(nilHandleErr);
        return 0;
    }
    if (IsLarge(p)) {
        // A block the heap does not know has no size.
        const uint32_t bytes = HeapBlockSize(LargeBlockOf(p));
        return bytes >= kLargeHeader ? static_cast<Size>(bytes - kLargeHeader) : 0;
    }
    return static_cast<Size>(SubBlockRequestedSize(p));
}

// Pointers never move: a block that cannot take the new size where it stands keeps its old size and
// the call answers memFullErr. Bytes a block gains read as zero, as those of a new block do.
ZEL_EXTERN_C Boolean ZEL_CALL SetPtrSize(Ptr p, Size size)
{
    SetMemErr(noErr);
    if (!p) {
        SetMemErr(nilHandleErr);
        return false;
    }
    if (size < 0) {
        SetMemErr(memFullErr);
        return false;
    }
    uint32_t n = static_cast<uint32_t>(size);
    if (IsLarge(p)) {
        void *block = LargeBlockOf(p);
        const uint32_t bytes = HeapBlockSize(block);
        const uint32_t old = bytes - kLargeHeader;
        // The block is resized in place or not at all; one the heap does not know is not resized.
        if (bytes < kLargeHeader || n > UINT32_MAX - kLargeHeader ||
            ResizeHeapBlock(block, bytes, n + kLargeHeader, false) != block) {
            SetMemErr(memFullErr);
            return false;
        }
        if (n > old)
            std::memset(p + old, 0, n - old);
        AdjustHandleAndPointerTotal(static_cast<int32_t>(n - old));
        return true;
    }
    uint32_t old = SubBlockRequestedSize(p);
    if (!SubResize(p, n, false)) {
        SetMemErr(memFullErr);
        return false;
    }
    AdjustHandleAndPointerTotal(static_cast<int32_t>(n - old));
    return true;
}

// A copy that is right for overlapping areas in either direction. Nothing happens for a count of 0 or
// less, for equal addresses, or when either address is 0 or the unmapped mark 0xFFFF.
ZEL_EXTERN_C void ZEL_CALL BlockMove(const void *src, void *dst, Size count)
{
    SetMemErr(noErr);
    if (count <= 0 || src == dst || IsNoAddress(src) || IsNoAddress(dst))
        return;
    std::memmove(dst, src, static_cast<size_t>(count));
}

ZEL_EXTERN_C void ZEL_CALL BlockMoveData(const void *src, void *dst, Size count) { BlockMove(src, dst, count); }

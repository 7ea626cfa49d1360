// Private declarations of the runtime core.
#pragma once

#include "core_services.h"

// Memory Manager start and stop, run by the session.
void InitMemoryManager();
void FreeAllMasterPointerBlocks();
void FreeAllSubAllocatorChunks();

// Sub-allocator of small blocks (chunks of the local heap carved into tagged blocks).
void *SubAllocate(uint32_t size);
bool SubFree(void *p); // false when the block was refused as damaged
// Resizes in place; with allowMove a block that cannot grow in place moves. Returns the (possibly new)
// block, or NULL when nothing changed.
void *SubResize(void *p, uint32_t size, bool allowMove);
uint32_t SubBlockRequestedSize(const void *p);
// Blocks at or above this size live on the local heap.
uint32_t SubAllocationThreshold();

// Heap-damage report to the host's main window.
void ReportHeapDamage(LPARAM detail);

// The three system-colour brushes of ZEL_InitColors.
void DeleteColorBrushes();

void CreateLibraryFonts();
void DeleteLibraryFonts();
// Removes "ZELFONT.FON" again when the session added it.
void ReleaseLibraryFontFile();

// ---- Pointers, sub-allocator, memory queries and limits ----
// Largest sub-allocation threshold honoured: a block for a request just below it still fits the
// 65280-byte chunk cap with its two tags, and its size still fits the 16 size bits of a tag. Larger
// settings act as this value.
constexpr uint32_t kMaxSubAllocationThreshold = 65271;
// Checks the sub-allocator's chunks (all of them, or the most recent only); true when sound. Reports
// nothing: callers decide.
bool SubAllocatorChunksSound(bool everyChunk);

// Memory limits of ZEL_SetMemoryLimits, held by the local-block wrappers.
struct MemoryLimits {
    bool enabled;
    uint32_t byteLimit;        // local bytes the library may hold
    uint32_t requestThreshold; // only requests of at least this many bytes are held against the limit
    int16_t unitLimit;         // 64 KB units below which the free part of the limit counts
};
constexpr int16_t kDefaultMemoryUnitLimit = 32767;
MemoryLimits CurrentMemoryLimits();
void SetMemoryLimitsState(const MemoryLimits &limits);
// Sum of the sizes of live local and heap blocks.
uint32_t LocalBytesTotal();
// Clears n bytes with one string store. The C runtime's memset under Wine clears a few kilobytes about
// four times slower, and a grown handle's new bytes are cleared on every resize.
inline void ZeroFill(void *p, size_t n) { asm volatile("rep stosb" : "+D"(p), "+c"(n) : "a"(0) : "memory"); }
// Blocks of the process heap for handle data and large pointers, under the memory limit, staged
// recovery and totals of the local blocks. A new block reads as zero; a resized one may move only with
// mayMove, and answers NULL (keeping its old size) when it cannot be resized. Their address is their
// only handle: the local-heap calls are never asked about them.
void *AllocHeapBlock(uint32_t size);
void *ResizeHeapBlock(void *block, uint32_t oldSize, uint32_t size, bool mayMove);
void FreeHeapBlockOfSize(void *block, uint32_t size);
uint32_t HeapBlockSize(const void *block); // 0 for no block of the process heap
// Drops the grow-zone procedure at session exit (its proc instance is released).
void ReleaseGrowZone();

// Memory Manager start: the memory-status snapshot and the FreeMem reserve (0x30000 on Win32s).
void InitMemoryQueries();

// ---- Low-memory globals ----
// The Segment Loader's application-file list (the AppParmHandle global), started by ZEL_InitGlobals.
void InitAppFiles();

// ---- Library settings ----
// The raw value of the sub-allocation threshold setting; SubAllocationThreshold() bounds it.
uint32_t SubAllocationThresholdSetting();

// ---- Trap table and OS utilities ----
// Session exit: every patched trap slot releases its proc instance and takes its default again.
void ReleaseTrapPatches();

// Dates, seconds and time zones worked out from given values, free of the clock and the system's zone.
struct DateTimeRec;
struct MachineLocation;
// Local Macintosh seconds (since 1 January 1904) of a moment given as seconds since 1970 (UTC), in a
// zone `minutesWest` minutes west of Greenwich, one hour later while daylight saving is in effect. The
// 32-bit count runs out on 6 February 2040 and then starts again from 0, as the Macintosh clock does.
uint32_t MacSecondsFromUnix(int64_t unixSeconds, int32_t minutesWest, bool daylight);
// The location record of a zone given as Windows gives it: the bias (UTC = local time + bias) in
// minutes and whether daylight time is in effect.
void LocationForZone(int32_t biasMinutes, bool daylight, MachineLocation *loc);

// ---- Byte order and resource byte-swap templates ----
// The colour-table conversion of ZEL_ByteSwapCLUT kept within the `size` bytes at `table`: entries its
// count promises beyond them are left alone.
void SwapColorTableWithin(int direction, uint8_t *table, uint32_t size);

// ---- Character conversion and string helpers ----

// ---- SANE numerics ----
// The bits of the library's NaN with a code: the code in the low 32 bits, 0xFFFF above it, 0x7FF0 on top
// (0x7FF4 when quiet, plus 0x8000 when negative). Kept as bits: a signalling NaN loaded into the x87
// comes out quiet.
uint64_t LibraryNaNBits(int32_t code, bool quiet, bool negative);
// Reports an opword or subcode the numerics calls do not handle: " fp68k (2)".
void ReportNumericsSubcode(const char *routine, int32_t subcode);
// fp68k's decimal opword: the decimal record at src as the nearest double at dst.
void DecimalRecordToDouble(const void *src, void *dst);

// Holds the x87 at IEEE double precision (53-bit significands, round to nearest, exceptions masked)
// over one numerics call and gives the caller's control word back at the end: a MinGW program runs at
// 64-bit precision, which would otherwise leak into every result. The inputs named at the start and
// the value handed to Result pass through memory on the far side of each switch, so the compiler cannot
// move the arithmetic out of the window.
class IeeeDoubleWindow {
public:
    template <typename... Values> explicit IeeeDoubleWindow(Values &...inputs)
    {
        asm volatile("fnstcw %0" : "=m"(saved_));
        const uint16_t ieee = 0x027F;
        asm volatile("fldcw %0" : : "m"(ieee) : "memory");
        (Pin(inputs), ...);
    }
    ~IeeeDoubleWindow() { Close(); }
    IeeeDoubleWindow(const IeeeDoubleWindow &) = delete;
    IeeeDoubleWindow &operator=(const IeeeDoubleWindow &) = delete;
    // The result, rounded to its type in memory, read back after the caller's control word returned.
    template <typename T> T Result(T value)
    {
        Pin(value);
        Close();
        return value;
    }

private:
    template <typename T> static void Pin(T &value) { asm volatile("" : "+m"(value)); }
    void Close() { asm volatile("fldcw %0" : : "m"(saved_) : "memory"); }
    uint16_t saved_;
};

// ---- Process Manager ----
#include "perf_data.h"
struct ProcessSerialNumber;
// The Windows process id a serial number names: {'PROC', id}, {0, 2} the main window's process, {0, 1}
// the desktop's; 0 for anything else.
uint32_t ProcessIdOf(const ProcessSerialNumber *psn);
constexpr uint32_t kProcessTag = 0x434F5250; // the bytes "PROC" in memory order
// One process of the system's list.
struct ProcessListEntry {
    uint32_t id;
    char exe[260];
    uint32_t parent;
};
// Visits the processes (tool-help where KERNEL32 has it and the NT performance data hold no process, as
// under Wine; the performance data on Windows NT; nothing on Win32s) until the visitor answers false.
typedef bool (*ProcessListVisitor)(const ProcessListEntry &entry, void *context);
void WalkProcessList(ProcessListVisitor visit, void *context);
// The process has a visible top-level window; its first such window.
HWND FirstVisibleWindowOf(uint32_t processId);

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
// Sum of LocalSize over live local blocks.
uint32_t LocalBytesTotal();
// Drops the grow-zone procedure at session exit (its proc instance is released).
void ReleaseGrowZone();

// Memory Manager start: the memory-status snapshot and the FreeMem reserve (0x30000 on Win32s).
void InitMemoryQueries();

// ---- Low-memory globals ----

// ---- Library settings ----
// The raw value of the sub-allocation threshold setting; SubAllocationThreshold() bounds it.
uint32_t SubAllocationThresholdSetting();

// ---- Trap table and OS utilities ----

// ---- Byte order and resource byte-swap templates ----

// ---- Character conversion and string helpers ----

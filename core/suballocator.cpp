// Sub-allocator of small blocks.
#include "core.h"

uint32_t SubAllocationThreshold() { return SubAllocationThresholdSetting(); }

void *SubAllocate(uint32_t) { return nullptr; }
void SubFree(void *) {}
void *SubResize(void *, uint32_t, bool) { return nullptr; }
uint32_t SubBlockRequestedSize(const void *) { return 0; }
void FreeAllSubAllocatorChunks() {}

// Library settings read by the subsystems that own them.
#include "core.h"

namespace {
uint32_t sSubAllocationThreshold = 4096;
}

uint32_t SubAllocationThreshold() { return sSubAllocationThreshold; }

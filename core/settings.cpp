// Library settings read by the subsystems that own them.
#include "core.h"

namespace {
uint32_t sSubAllocationThresholdSetting = 4096;
}

uint32_t SubAllocationThresholdSetting() { return sSubAllocationThresholdSetting; }

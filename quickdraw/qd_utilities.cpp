// QuickDraw utility calls.
#include "qd_services.h"
#include "../core/core_services.h"

// PENDING: the QuickDraw utilities build Random on this and export it.
int16_t QuickDrawRandom()
{
    // The Park and Miller generator on randSeed; 0x8000 reads as 0.
    int32_t &seed = LowMem<int32_t>(lmRandSeed);
    int64_t next = (int64_t(uint32_t(seed) ? uint32_t(seed) : 1u) * 16807) % 0x7FFFFFFF;
    seed = int32_t(next);
    int16_t value = int16_t(next & 0xFFFF);
    return value == int16_t(0x8000) ? 0 : value;
}

// The library services the scaling engines of palette screens use, stood in for a test that compiles the
// engines alone.
#pragma once

#include "imaging.h"
#include "screen_tables.h"

struct GuardedBuffer {
    static constexpr uint32_t kGuardBytes = 64;
    static constexpr uint8_t kGuard = 0xA5;
    uint8_t *bytes = nullptr;
    uint32_t size = 0;
    bool refuse = false; // growing fails
    bool Grow(uint32_t n);
    bool GuardIntact() const;
};

struct BandCall {
    bool made;
    int flags, stockChoice;
    int32_t width, height;
};

struct CubeStandIn {
    const DitherTables *tables = nullptr;
    GuardedBuffer blit, pixel;
    BlitParams params{};
    RGBQUAD quads[256]{};
    uint8_t indexMap[256]{};
    uint16_t indexMapFlags = 0;
    int fetches = 0, fetchesPastEnd = 0;
    BandCall band{};
};
CubeStandIn &Stand();

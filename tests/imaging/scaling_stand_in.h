// The library services the scaling engines of palette screens use, stood in for a test that compiles the
// engines alone.
#pragma once

#include "imaging.h"
#include "screen_tables.h"

#include <string>
#include <vector>

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

// The rows an engine left, top-down, as 8-bit values (the scratch holds them bottom-up).
inline std::vector<std::vector<uint8_t>> BandRows()
{
    const BandCall &b = Stand().band;
    std::vector<std::vector<uint8_t>> out;
    const int stride = (b.width + 3) & ~3;
    const uint8_t *bits = static_cast<const uint8_t *>(Stand().params.bits);
    for (int y = 0; y < b.height; ++y) {
        const uint8_t *row = bits + (b.height - 1 - y) * stride;
        out.emplace_back(row, row + b.width);
    }
    return out;
}

// The rows against want(x, y): empty when they agree, else the count and the first difference.
template <typename Want> std::string Misses(const std::vector<std::vector<uint8_t>> &rows, Want want)
{
    std::string first;
    int wrong = 0;
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) {
            const int w = want(static_cast<int>(x), static_cast<int>(y));
            if (rows[y][x] != w && wrong++ == 0)
                first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " + std::to_string(rows[y][x]) +
                        ", not " + std::to_string(w);
        }
    return wrong ? std::to_string(wrong) + " wrong, first " + first : "";
}

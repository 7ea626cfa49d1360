// The dithering scaler of 4-bit screens compiled in on its own, over the dither tables the screen set-up
// builds for a 4-bit screen in the palette's gray-index mode (a screen this machine cannot have), with
// the library's buffers stood in. Every byte is checked against the test's own sampling and dithering.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "scaling_stand_in.h"

namespace {

DitherTables &FourBitTables()
{
    static DitherTables t;
    static bool built = false;
    if (!built) {
        ScreenCaps caps{};
        caps.depth = 4;
        caps.nearestCyan = RGB(0, 255, 255);
        caps.horzRes = 640;
        caps.vertRes = 480;
        caps.horzSize = 320;
        caps.vertSize = 240;
        caps.logPixelsX = caps.logPixelsY = 96;
        BuildDitherTables(DeriveScreenFacts(caps, true), t);
        built = true;
    }
    return t;
}

// The test's own dithering of a gray level at a destination pixel.
uint8_t Expected(int level, int x, int y)
{
    const DitherEntry &e = FourBitTables().gray[level];
    return e.fraction <= FourBitTables().matrix[y & 1][x & 1] ? e.low : e.high;
}

// A source of 8, 16 or 32-bit pixels given by their gray level; 8-bit pixels index a table whose green
// is the level's complement, so that the table is really read.
struct Source {
    PixMap pm{};
    std::vector<uint8_t> own;
    uint8_t *rows;
    int width, height, depth, rowBytes;
    int (*level)(int, int);
    Source(int w, int h, int d, int (*lv)(int, int), uint8_t *at = nullptr)
        : width(w), height(h), depth(d), rowBytes((w * d / 8 + 1) & ~1), level(lv)
    {
        if (!at) {
            own.assign(static_cast<size_t>(rowBytes) * h, 0);
            at = own.data();
        }
        rows = at;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int v = lv(x, y);
                uint8_t *p = rows + y * rowBytes + x * d / 8;
                if (d == 8)
                    p[0] = static_cast<uint8_t>(255 - v);
                else if (d == 16) {
                    // A green field whose g x 33 / 4 is the level's nearest.
                    const uint16_t word = static_cast<uint16_t>((v * 4 / 33) << 5 | 0x7C1F);
                    std::memcpy(p, &word, 2);
                } else {
                    const uint32_t px = static_cast<uint32_t>(0xFF0000 | v << 8 | 0x12);
                    std::memcpy(p, &px, 4);
                }
            }
        pm.baseAddr = reinterpret_cast<Ptr>(rows);
        pm.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
        pm.bounds = {0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
        pm.pixelType = d > 8 ? 16 : 0;
        pm.pixelSize = static_cast<int16_t>(d);
    }
    // The gray level the engine should read at (x, y).
    int LevelAt(int x, int y) const
    {
        if (depth == 16)
            return (level(x, y) * 4 / 33) * 33 / 4;
        return level(x, y);
    }
};

int Ramp(int x, int y) { return (x * 37 + y * 71) % 256; }

class DitherScaler : public ::testing::Test {
protected:
    void SetUp() override
    {
        CubeStandIn &s = Stand();
        s.tables = &FourBitTables();
        s.blit.refuse = s.pixel.refuse = false;
        s.band = {};
        s.params = {};
        s.fetches = s.fetchesPastEnd = 0;
        for (int i = 0; i < 256; ++i)
            s.quads[i] = {0, static_cast<BYTE>(255 - i), 0, 0};
    }
    void TearDown() override
    {
        EXPECT_TRUE(Stand().blit.GuardIntact());
        EXPECT_TRUE(Stand().pixel.GuardIntact());
        EXPECT_EQ(Stand().fetchesPastEnd, 0);
    }
};

TEST_F(DitherScaler, OneToOneEveryDepth)
{
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        Source s(13, 6, depth, Ramp);
        const Rect r = s.pm.bounds;
        ASSERT_NE(CopyBitsScaleCore(&s.pm, &r, &r, &r, &r, 0), 0u);
        EXPECT_EQ(Stand().band.width, 13);
        EXPECT_EQ(Misses(BandRows(), [&](int x, int y) { return Expected(s.LevelAt(x, y), x, y); }), "");
    }
}

enum Kind { zoom, general, shrink };

TEST_F(DitherScaler, ScaleKinds)
{
    const struct {
        const char *what;
        int sw, sh, dw, dh;
        Kind kind;
    } cases[] = {
        {"10 x 10 to 30 x 30: 3 x 3 blocks", 10, 10, 30, 30, zoom},
        {"10 x 10 to 30 x 20: stepping", 10, 10, 30, 20, general},
        {"64 x 64 to 4 x 4: stepping (16 x 16 is no shrink)", 64, 64, 4, 4, general},
        {"12 x 12 to 4 x 4: block averages", 12, 12, 4, 4, shrink},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Source s(c.sw, c.sh, 8, Ramp);
        const Rect r = s.pm.bounds, dst = {0, 0, static_cast<int16_t>(c.dh), static_cast<int16_t>(c.dw)};
        ASSERT_NE(CopyBitsScaleCore(&s.pm, &r, &dst, &r, &dst, 0), 0u);
        const int64_t hR = (int64_t(c.sw) << 16) / c.dw, vR = (int64_t(c.sh) << 16) / c.dh;
        EXPECT_EQ(Misses(BandRows(), [&](int x, int y) {
                      if (c.kind == zoom)
                          return Expected(s.LevelAt(x / 3, y / 3), x, y);
                      if (c.kind == shrink) {
                          int sum = 0;
                          for (int j = 0; j < 3; ++j)
                              for (int i = 0; i < 3; ++i)
                                  sum += s.LevelAt(3 * x + i, 3 * y + j);
                          return Expected(sum / 9, x, y);
                      }
                      return Expected(s.LevelAt(static_cast<int>((x * hR) >> 16), static_cast<int>((y * vR) >> 16)), x, y);
                  }),
                  "");
    }
}

TEST_F(DitherScaler, RatiosThatTruncateAlikeReadNoRowPastTheSource)
{
    // 10 to 60 across and 2,731 to 16,387 down have the same truncated ratio; the source ends against a
    // page that cannot be read.
    const int w = 10, h = 2731, rowBytes = 10;
    const size_t bytes = static_cast<size_t>(rowBytes) * h, pages = (bytes + 4095) / 4096;
    uint8_t *block = static_cast<uint8_t *>(VirtualAlloc(nullptr, (pages + 1) * 4096, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(block, nullptr);
    DWORD old;
    VirtualProtect(block + pages * 4096, 4096, PAGE_NOACCESS, &old);
    Source s(w, h, 8, Ramp, block + pages * 4096 - bytes);
    const Rect r = s.pm.bounds, whole = {0, 0, 16387, 60};
    // The last band, at the bottom of the destination.
    const Rect band = {16387 - 300, 0, 16387, 60}, bandSrc = {h - 60, 0, h, w};
    ASSERT_NE(CopyBitsScaleCore(&s.pm, &bandSrc, &band, &r, &whole, 0), 0u);
    const int64_t hR = (int64_t(w) << 16) / 60, vR = (int64_t(h) << 16) / 16387;
    EXPECT_EQ(Misses(BandRows(), [&](int x, int y) {
                  const int dy = 16387 - 300 + y;
                  const int sy = std::min<int>(h - 1, static_cast<int>((dy * vR) >> 16));
                  return Expected(s.LevelAt(static_cast<int>((x * hR) >> 16), sy), x, dy);
              }),
              "");
    VirtualFree(block, 0, MEM_RELEASE);
}

TEST_F(DitherScaler, BandsGiveTheWholeImage)
{
    Source s(10, 8, 32, Ramp);
    const Rect full = s.pm.bounds, dst = {3, 5, 15, 20};
    ASSERT_NE(CopyBitsScaleCore(&s.pm, &full, &dst, &full, &dst, 0), 0u);
    const auto whole = BandRows();
    for (int bandRows : {1, 2, 5}) {
        for (int top = 0; top < 12; top += bandRows) {
            const int bottom = std::min(12, top + bandRows);
            Rect bandDst = dst;
            bandDst.top = static_cast<int16_t>(dst.top + top);
            bandDst.bottom = static_cast<int16_t>(dst.top + bottom);
            const Rect bandSrc = {static_cast<int16_t>(top * 8 / 12), 0,
                                  static_cast<int16_t>(std::max(top * 8 / 12 + 1, bottom * 8 / 12)), 10};
            ASSERT_NE(CopyBitsScaleCore(&s.pm, &bandSrc, &bandDst, &full, &dst, 0), 0u);
            const auto rows = BandRows();
            for (int y = top; y < bottom; ++y)
                EXPECT_EQ(rows[y - top], whole[y]) << "bands of " << bandRows << ", row " << y;
        }
    }
}

TEST_F(DitherScaler, PaletteIndexRowsAtSourceSize)
{
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        Source s(9, 5, depth, Ramp);
        Rect r = {1, 2, 5, 9};
        ASSERT_NE(PaletteIndexRows(&s.pm, &r, 0), 0u);
        EXPECT_EQ(r.right, 7);
        EXPECT_EQ(r.bottom, 4);
        EXPECT_EQ(Misses(BandRows(), [&](int x, int y) { return FourBitTables().gray[s.LevelAt(2 + x, 1 + y)].nearest; }),
                  "");
    }
    // A 640 x 480 source needs 300 KB of rows: the blit scratch grows to them (its guard bytes stay), or
    // the engine answers 0 and writes nothing.
    Source big(640, 480, 8, Ramp);
    Rect all = big.pm.bounds;
    ASSERT_NE(PaletteIndexRows(&big.pm, &all, 0), 0u);
    EXPECT_GE(Stand().blit.size, 640u * 480u);
    Source bigger(700, 480, 8, Ramp);
    Rect allOfIt = bigger.pm.bounds;
    std::memset(Stand().blit.bytes, 0x11, Stand().blit.size);
    Stand().blit.refuse = true;
    Stand().band = {};
    EXPECT_EQ(PaletteIndexRows(&bigger.pm, &allOfIt, 0), 0u);
    EXPECT_FALSE(Stand().band.made);
    EXPECT_EQ(Stand().blit.bytes[0], 0x11);
    EXPECT_EQ(allOfIt.right, 700);
}

TEST_F(DitherScaler, WhatItDoesNotTake)
{
    Source s(8, 4, 8, Ramp);
    const Rect r = s.pm.bounds, empty = {0, 0, 0, 8};
    for (int16_t depth : {4, 2}) {
        s.pm.pixelSize = depth;
        Rect rect = r;
        EXPECT_EQ(CopyBitsScaleCore(&s.pm, &r, &r, &r, &r, 0), 0u);
        EXPECT_EQ(PaletteIndexRows(&s.pm, &rect, 0), 0u);
    }
    s.pm.pixelSize = 8;
    EXPECT_EQ(CopyBitsScaleCore(&s.pm, &r, &empty, &r, &r, 0), 0u);
    // The tables of a screen that is not a 4-bit gray-index screen.
    DitherTables other{};
    Stand().tables = &other;
    Rect rect = r;
    EXPECT_EQ(CopyBitsScaleCore(&s.pm, &r, &r, &r, &r, 0), 0u);
    EXPECT_EQ(PaletteIndexRows(&s.pm, &rect, 0), 0u);
    EXPECT_FALSE(Stand().band.made);
}

} // namespace

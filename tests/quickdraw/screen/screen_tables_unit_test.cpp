// The screen set-up's tables on their own, compiled into the test, so that screens this machine cannot
// have (4-bit with and without a palette, gray 4-bit, drivers without a physical size) are described to
// them: screen facts, the library standard palettes, the dither tables and matrices against an
// independent computation, and the whole-degree sine and cosine tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "screen_tables.h"

namespace {

ScreenCaps Caps(int depth, int rasterCaps, COLORREF nearestCyan = RGB(0, 255, 255))
{
    ScreenCaps c{};
    c.depth = depth;
    c.rasterCaps = rasterCaps;
    c.sizePalette = (rasterCaps & RC_PALETTE) ? 256 : 0;
    c.nearestCyan = nearestCyan;
    c.horzRes = 1024;
    c.vertRes = 768;
    c.horzSize = 320;
    c.vertSize = 240;
    c.logPixelsX = c.logPixelsY = 96;
    return c;
}

TEST(ScreenFacts, DepthPaletteAndFourBitKinds)
{
    const struct {
        const char *what;
        ScreenCaps caps;
        int paletteSize;
        bool gray4, emulation4;
    } cases[] = {
        {"24-bit", Caps(24, RC_DI_BITMAP), 0, false, false},
        {"8-bit palette", Caps(8, RC_PALETTE | RC_DIBTODEV), 256, false, false},
        {"4-bit, nearest cyan is cyan", Caps(4, 0, RGB(0, 255, 255)), 0, false, true},
        {"4-bit, nearest cyan is gray", Caps(4, 0, RGB(128, 128, 128)), 0, true, false},
        {"4-bit with a palette", Caps(4, RC_PALETTE, RGB(0, 128, 128)), 256, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ScreenFacts f = DeriveScreenFacts(c.caps, false);
        EXPECT_EQ(f.paletteSize, c.paletteSize);
        EXPECT_EQ(f.grayFourBit, c.gray4);
        EXPECT_EQ(f.fourBitColorEmulation, c.emulation4);
        EXPECT_EQ(f.depth4, c.caps.depth == 4);
        EXPECT_EQ(f.depth8, c.caps.depth == 8);
        EXPECT_EQ(f.dibToDevice, (c.caps.rasterCaps & RC_DIBTODEV) != 0);
    }
    ScreenCaps big = Caps(8, RC_PALETTE);
    big.sizePalette = 4096;
    EXPECT_EQ(DeriveScreenFacts(big, false).paletteSize, 256);
}

TEST(ScreenFacts, PixelsPerMetre)
{
    ScreenCaps c = Caps(24, 0);
    ScreenFacts f = DeriveScreenFacts(c, false);
    EXPECT_EQ(f.pixelsPerMeter.x, 1024 * 1000 / 320);
    EXPECT_EQ(f.pixelsPerMeter.y, 768 * 1000 / 240);
    // A driver that reports no physical size: the logical resolution stands in, no division by zero.
    c.horzSize = 0;
    c.vertSize = 0;
    c.logPixelsX = 96;
    c.logPixelsY = 120;
    f = DeriveScreenFacts(c, false);
    EXPECT_EQ(f.pixelsPerMeter.x, 96 * 10000 / 254);
    EXPECT_EQ(f.pixelsPerMeter.y, 120 * 10000 / 254);
}

struct Rgb {
    int r, g, b;
};

std::vector<Rgb> Palette(const ScreenFacts &f)
{
    PALETTEENTRY e[256];
    int n = BuildLibraryPaletteEntries(f, e, nullptr);
    std::vector<Rgb> out;
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(e[i].peFlags, 0);
        out.push_back({e[i].peRed, e[i].peGreen, e[i].peBlue});
    }
    return out;
}

bool Has(const std::vector<Rgb> &p, int i, Rgb c) { return p[i].r == c.r && p[i].g == c.g && p[i].b == c.b; }

TEST(LibraryPalette, TheStandard236Colours)
{
    std::vector<Rgb> p = Palette(DeriveScreenFacts(Caps(8, RC_PALETTE), false));
    ASSERT_EQ(p.size(), 236u);
    for (int i = 0; i < 216; ++i)
        EXPECT_TRUE(Has(p, i, {i / 36 * 51, i / 6 % 6 * 51, i % 6 * 51})) << i;
    std::vector<Rgb> rest;
    for (int k = 1; k <= 14; ++k)
        if (k % 3)
            rest.push_back({17 * k, 17 * k, 17 * k});
    for (int r : {25, 76, 127, 178})
        rest.push_back({r, 0, 0});
    for (int g : {76, 127, 178})
        rest.push_back({0, g, 0});
    for (int b : {76, 127, 178})
        rest.push_back({0, 0, b});
    for (size_t i = 0; i < rest.size(); ++i)
        EXPECT_TRUE(Has(p, 216 + static_cast<int>(i), rest[i])) << 216 + i;
}

TEST(LibraryPalette, ReducedForms)
{
    std::vector<Rgb> grays = Palette(DeriveScreenFacts(Caps(8, RC_PALETTE), true));
    ASSERT_EQ(grays.size(), 128u);
    for (int i = 0; i < 128; ++i) {
        int v = i == 127 ? 255 : 2 * i;
        EXPECT_TRUE(Has(grays, i, {v, v, v})) << i;
    }
    std::vector<Rgb> vga = Palette(DeriveScreenFacts(Caps(4, 0, RGB(0, 255, 255)), true));
    const Rgb expected[16] = {{0, 0, 0},     {0, 0, 128},     {0, 0, 255},     {128, 0, 0},   {128, 0, 128}, {0, 128, 0},
                              {255, 0, 0},   {0, 128, 128},   {128, 128, 0},   {255, 0, 255}, {128, 128, 128},
                              {0, 255, 0},   {192, 192, 192}, {0, 255, 255},   {255, 255, 0}, {255, 255, 255}};
    ASSERT_EQ(vga.size(), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(Has(vga, i, expected[i])) << i;
    PALETTEENTRY e[256];
    uint8_t pairs[16] = {};
    BuildLibraryPaletteEntries(DeriveScreenFacts(Caps(4, 0, RGB(0, 255, 255)), true), e, pairs);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(pairs[i], 17 * i);
    std::vector<Rgb> gray16 = Palette(DeriveScreenFacts(Caps(4, 0, RGB(128, 128, 128)), true));
    ASSERT_EQ(gray16.size(), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(Has(gray16, i, {17 * i, 17 * i, 17 * i})) << i;
    // Without the reduced option a 4-bit screen has the 236 colours too.
    EXPECT_EQ(Palette(DeriveScreenFacts(Caps(4, 0), false)).size(), 236u);
}

// The cube tables against the six levels k x 51: low the level at or below v, high the next, nearest
// the closer of the two; fractions by their rule. The gray table's indices name the library palette's
// entries of the gray levels 17 i.
TEST(DitherTables, UsualCaseAgainstThePalette)
{
    ScreenFacts f = DeriveScreenFacts(Caps(8, RC_PALETTE), false);
    static DitherTables t;
    BuildDitherTables(f, t);
    std::vector<Rgb> palette = Palette(f);
    ASSERT_FALSE(t.reducedFourBit);
    const DitherEntry *tables[3] = {t.red, t.green, t.blue};
    const int scale[3] = {36, 6, 1};
    for (int v = 0; v < 256; ++v) {
        SCOPED_TRACE(v);
        int below = 0;
        for (int k = 0; k <= 5; ++k)
            if (k * 256 <= 5 * v)
                below = k;
        if (v == 255)
            below = 5;
        int above = std::min(below + 1, 5);
        int nearest = std::abs(v - below * 51) <= std::abs(v - above * 51) ? below : above;
        int fraction = std::max(0, std::min(16, ((v - below * 256 / 5) * 15 + 26) / 51));
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(tables[c][v].low, below * scale[c]);
            EXPECT_EQ(tables[c][v].high, above * scale[c]);
            EXPECT_EQ(tables[c][v].nearest, nearest * scale[c]);
            EXPECT_EQ(tables[c][v].fraction, fraction);
        }
        int grayLow = v == 255 ? 15 : v * 15 / 256;
        const DitherEntry &g = t.gray[v];
        EXPECT_TRUE(Has(palette, g.low, {17 * grayLow, 17 * grayLow, 17 * grayLow}));
        int grayHigh = std::min(grayLow + 1, 15);
        EXPECT_TRUE(Has(palette, g.high, {17 * grayHigh, 17 * grayHigh, 17 * grayHigh}));
        int gf = std::max(0, std::min(4, ((v - grayLow * 256 / 15) * 4 + 8) / 17));
        EXPECT_EQ(g.fraction, gf * 4);
        EXPECT_EQ(g.nearest, gf < 2 ? g.low : g.high);
    }
    ASSERT_EQ(t.matrixRows, 4);
    const int rows[4][4] = {{0, 12, 3, 15}, {8, 4, 11, 7}, {2, 14, 1, 13}, {10, 6, 9, 5}};
    for (int r = 0; r < 4; ++r)
        for (int i = 0; i < kDitherMatrixRowBytes; ++i)
            ASSERT_EQ(t.matrix[r][i], rows[r][i % 4]) << r << "," << i;
}

TEST(DitherTables, ReducedFourBitCase)
{
    static DitherTables t;
    BuildDitherTables(DeriveScreenFacts(Caps(4, 0), true), t);
    ASSERT_TRUE(t.reducedFourBit);
    for (int v = 0; v < 256; ++v) {
        int low = v == 255 ? 15 : v * 15 / 256;
        int f = std::max(0, std::min(4, ((v - low * 256 / 15) * 4 + 8) / 17));
        EXPECT_EQ(t.gray[v].low, low) << v;
        EXPECT_EQ(t.gray[v].high, std::min(low + 1, 15)) << v;
        EXPECT_EQ(t.gray[v].fraction, f) << v;
        EXPECT_EQ(t.gray[v].nearest, f < 2 ? low : std::min(low + 1, 15)) << v;
    }
    ASSERT_EQ(t.matrixRows, 2);
    for (int i = 0; i < kDitherMatrixRowBytes; ++i) {
        ASSERT_EQ(t.matrix[0][i], i % 2 ? 2 : 0);
        ASSERT_EQ(t.matrix[1][i], i % 2 ? 1 : 3);
    }
}

TEST(SinCosTables, ExactAtTheEndsAndCloseBetween)
{
    double s[91], c[91];
    BuildSinCosTables(s, c);
    EXPECT_EQ(s[0], 0.0);
    EXPECT_EQ(c[0], 1.0);
    EXPECT_EQ(s[90], 1.0);
    EXPECT_EQ(c[90], 0.0);
    for (int d = 1; d < 90; ++d) {
        EXPECT_NEAR(s[d], std::sin(d * M_PI / 180), 1e-15) << d;
        EXPECT_NEAR(c[d], std::cos(d * M_PI / 180), 1e-15) << d;
    }
}

} // namespace

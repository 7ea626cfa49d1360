// The colour-cube engines compiled in on their own, over the dither tables of an 8-bit palette screen
// built by the screen set-up's own code, with the library's buffers stood in: every 8-bit row they write
// is checked against the test's own dithering of the source colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "scaling_stand_in.h"

namespace {

DitherTables &Tables()
{
    static DitherTables t;
    static bool built = false;
    if (!built) {
        ScreenCaps caps{};
        caps.depth = 8;
        caps.rasterCaps = RC_PALETTE | RC_DIBTODEV;
        caps.sizePalette = 256;
        caps.horzRes = 1024;
        caps.vertRes = 768;
        caps.horzSize = 320;
        caps.vertSize = 240;
        caps.logPixelsX = caps.logPixelsY = 96;
        BuildDitherTables(DeriveScreenFacts(caps, false), t);
        built = true;
    }
    return t;
}

struct Rgb {
    int r, g, b;
};

// The test's own dithering: a gray takes the gray ramp, other colours the sum of the three cube
// tables' contributions, high where the matrix value at the destination pixel is below the threshold.
uint8_t Expected(Rgb c, int x, int y)
{
    const DitherTables &t = Tables();
    const uint8_t d = t.matrix[y & 3][x & 3];
    auto pick = [d](const DitherEntry &e) { return d < e.fraction ? e.high : e.low; };
    if (c.r == c.g && c.g == c.b)
        return pick(t.gray[c.r]);
    return static_cast<uint8_t>(pick(t.red[c.r]) + pick(t.green[c.g]) + pick(t.blue[c.b]));
}

uint8_t Nearest(Rgb c)
{
    const DitherTables &t = Tables();
    if (c.r == c.g && c.g == c.b)
        return t.gray[c.r].nearest;
    return static_cast<uint8_t>(t.red[c.r].nearest + t.green[c.g].nearest + t.blue[c.b].nearest);
}

int Widen5(int c) { return (c << 3) + ((c >> 2) & 3); }

// A source PixMap in memory of 8, 16 or 32-bit pixels given by value.
struct Source {
    PixMap pm{};
    std::vector<uint8_t> rows;
    int width, height, depth;
    Source(int w, int h, int d, uint32_t (*value)(int, int)) : width(w), height(h), depth(d)
    {
        const int rowBytes = (w * d / 8 + 1) & ~1;
        rows.assign(static_cast<size_t>(rowBytes) * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t v = value(x, y);
                std::memcpy(rows.data() + y * rowBytes + x * d / 8, &v, d / 8);
            }
        pm.baseAddr = reinterpret_cast<Ptr>(rows.data());
        pm.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
        pm.bounds = {10, 20, static_cast<int16_t>(10 + h), static_cast<int16_t>(20 + w)};
        pm.pixelType = d > 8 ? 16 : 0;
        pm.pixelSize = static_cast<int16_t>(d);
        pm.cmpCount = d > 8 ? 3 : 1;
        pm.cmpSize = d == 16 ? 5 : 8;
    }
    Rgb ColourAt(int x, int y) const
    {
        const int rowBytes = pm.rowBytes & 0x3FFF;
        uint32_t v = 0;
        std::memcpy(&v, rows.data() + y * rowBytes + x * depth / 8, depth / 8);
        if (depth == 8) {
            const RGBQUAD &q = Stand().quads[v];
            return {q.rgbRed, q.rgbGreen, q.rgbBlue};
        }
        if (depth == 16)
            return {Widen5((v >> 10) & 31), Widen5((v >> 5) & 31), Widen5(v & 31)};
        return {static_cast<int>(v >> 16 & 255), static_cast<int>(v >> 8 & 255), static_cast<int>(v & 255)};
    }
    // A rectangle in the source's coordinates (its bounds start at (20, 10)).
    Rect At(int left, int top, int right, int bottom) const
    {
        return {static_cast<int16_t>(10 + top), static_cast<int16_t>(20 + left), static_cast<int16_t>(10 + bottom),
                static_cast<int16_t>(20 + right)};
    }
};

class ColourCube : public ::testing::Test {
protected:
    void SetUp() override
    {
        CubeStandIn &s = Stand();
        s.tables = &Tables();
        s.blit.refuse = s.pixel.refuse = false;
        s.band = {};
        s.params = {};
        s.fetches = s.fetchesPastEnd = 0;
        for (int i = 0; i < 256; ++i)
            s.quads[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
    }
    void TearDown() override
    {
        EXPECT_TRUE(Stand().blit.GuardIntact());
        EXPECT_TRUE(Stand().pixel.GuardIntact());
        EXPECT_EQ(Stand().fetchesPastEnd, 0);
    }
};

uint32_t Gradient32(int x, int y) { return static_cast<uint32_t>((x * 23 % 256) << 16 | (y * 41 % 256) << 8 | ((x + y) * 13 % 256)); }
uint32_t Gradient16(int x, int y) { return static_cast<uint32_t>((x * 3 % 32) << 10 | (y * 5 % 32) << 5 | ((x * y) % 32)); }
uint32_t Indices8(int x, int y) { return static_cast<uint32_t>((x * 17 + y * 29) % 256); }

TEST_F(ColourCube, GraysTakeOnlyTheGrayRamp)
{
    const struct {
        const char *what;
        int depth;
        uint32_t pixel;
        int level;
    } cases[] = {
        {"16-bit white", 16, 0x7FFF, 251},
        {"16-bit mid gray", 16, 16 << 10 | 16 << 5 | 16, Widen5(16)},
        {"32-bit gray", 32, 0x00808080, 0x80},
        {"32-bit black", 32, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        static uint32_t pixel;
        pixel = c.pixel;
        Source s(4, 4, c.depth, [](int, int) { return pixel; });
        const Rect r = s.At(0, 0, 4, 4);
        const Rect dst = {0, 0, 4, 4};
        ASSERT_NE(CopyBitsStretch(&s.pm, &r, &dst, &r, &dst, 0), 0u);
        const DitherEntry &e = Tables().gray[c.level];
        EXPECT_EQ(Misses(BandRows(), [&](int x, int y) { return Tables().matrix[y & 3][x & 3] < e.fraction ? e.high : e.low; }),
                  "");
        EXPECT_EQ(Stand().band.stockChoice, 0);
    }
}

TEST_F(ColourCube, UniformColourDithersInProportion)
{
    // A gray between two levels of the ramp: the 4 x 4 block holds as many high entries as matrix values
    // below that level's threshold.
    for (int level : {3, 100, 130, 200}) {
        SCOPED_TRACE(level);
        static int v;
        v = level;
        Source s(4, 4, 32, [](int, int) { return static_cast<uint32_t>(v << 16 | v << 8 | v); });
        const Rect r = s.At(0, 0, 4, 4), dst = {0, 0, 4, 4};
        ASSERT_NE(CopyBitsStretch(&s.pm, &r, &dst, &r, &dst, 0), 0u);
        const DitherEntry &e = Tables().gray[level];
        int high = 0, below = 0;
        for (const auto &row : BandRows())
            high += static_cast<int>(std::count(row.begin(), row.end(), e.high));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                below += Tables().matrix[y][x] < e.fraction;
        if (e.high != e.low) {
            EXPECT_EQ(high, below);
        }
    }
}

TEST_F(ColourCube, ScalesAndDepths)
{
    const struct {
        const char *what;
        int depth, sw, sh, dw, dh;
        uint32_t (*value)(int, int);
    } cases[] = {
        {"8-bit unscaled", 8, 9, 5, 9, 5, Indices8},
        {"16-bit unscaled", 16, 9, 5, 9, 5, Gradient16},
        {"32-bit unscaled", 32, 9, 5, 9, 5, Gradient32},
        {"16-bit enlarged 2x", 16, 6, 4, 12, 8, Gradient16},
        {"32-bit enlarged 3x", 32, 5, 3, 15, 9, Gradient32},
        {"8-bit enlarged 2x (stepped)", 8, 6, 4, 12, 8, Indices8},
        {"32-bit 3/2", 32, 8, 6, 12, 9, Gradient32},
        {"16-bit halved (box)", 16, 8, 6, 4, 3, Gradient16},
        {"8-bit 2/3 (stepped)", 8, 9, 6, 6, 4, Indices8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Source s(c.sw, c.sh, c.depth, c.value);
        const Rect r = s.At(0, 0, c.sw, c.sh);
        const Rect dst = {30, 40, static_cast<int16_t>(30 + c.dh), static_cast<int16_t>(40 + c.dw)};
        ASSERT_NE(CopyBitsStretch(&s.pm, &r, &dst, &r, &dst, 0), 0u);
        EXPECT_EQ(Stand().band.width, c.dw);
        EXPECT_EQ(Stand().band.height, c.dh);
        const bool enlarged = c.dw % c.sw == 0 && c.dw > c.sw && c.depth != 8;
        const bool box = c.sw % c.dw == 0 && c.sw > c.dw && c.depth != 8;
        EXPECT_EQ(Misses(BandRows(), [&](int x, int y) {
                      if (box) {
                          const int n = c.sw / c.dw;
                          int r = 0, g = 0, b = 0;
                          for (int j = 0; j < n; ++j)
                              for (int i = 0; i < n; ++i) {
                                  const Rgb p = s.ColourAt(x * n + i, y * n + j);
                                  r += p.r, g += p.g, b += p.b;
                              }
                          return Expected({r / (n * n), g / (n * n), b / (n * n)}, 40 + x, 30 + y);
                      }
                      const int sx = enlarged ? x / (c.dw / c.sw) : static_cast<int>((x * ((int64_t(c.sw) << 16) / c.dw)) >> 16);
                      const int sy = enlarged ? y / (c.dh / c.sh) : static_cast<int>((y * ((int64_t(c.sh) << 16) / c.dh)) >> 16);
                      return Expected(s.ColourAt(sx, sy), 40 + x, 30 + y);
                  }),
                  "");
    }
}

TEST_F(ColourCube, FourToOneBoxAverages)
{
    Source s(8, 8, 32, Gradient32);
    const Rect r = s.At(0, 0, 8, 8), dst = {0, 0, 2, 2};
    ASSERT_NE(CopyBitsStretch(&s.pm, &r, &dst, &r, &dst, 0), 0u);
    EXPECT_EQ(Misses(BandRows(), [&](int x, int y) {
                  int sum[3] = {0, 0, 0};
                  for (int j = 0; j < 4; ++j)
                      for (int i = 0; i < 4; ++i) {
                          const uint32_t v = Gradient32(4 * x + i, 4 * y + j);
                          sum[0] += v >> 16 & 255, sum[1] += v >> 8 & 255, sum[2] += v & 255;
                      }
                  return Expected({sum[0] / 16, sum[1] / 16, sum[2] / 16}, x, y);
              }),
              "");
}

TEST_F(ColourCube, BandsGiveTheWholeImage)
{
    // A 3/2 enlargement and a 2/3 reduction cut into bands of several heights: each band's rows are the
    // whole transfer's rows at that place.
    for (bool enlarge : {true, false}) {
        SCOPED_TRACE(enlarge ? "3/2" : "2/3");
        Source s(enlarge ? 10 : 15, enlarge ? 8 : 12, 32, Gradient32);
        const Rect full = s.At(0, 0, s.width, s.height);
        const int dw = enlarge ? 15 : 10, dh = enlarge ? 12 : 8;
        const Rect dst = {5, 7, static_cast<int16_t>(5 + dh), static_cast<int16_t>(7 + dw)};
        ASSERT_NE(CopyBitsStretch(&s.pm, &full, &dst, &full, &dst, 0), 0u);
        const auto whole = BandRows();
        for (int bandRows : {1, 3, 5}) {
            for (int top = 0; top < dh; top += bandRows) {
                const int bottom = std::min(dh, top + bandRows);
                Rect bandDst = dst;
                bandDst.top = static_cast<int16_t>(dst.top + top);
                bandDst.bottom = static_cast<int16_t>(dst.top + bottom);
                const int srcTop = top * s.height / dh, srcBottom = std::max(srcTop + 1, bottom * s.height / dh);
                const Rect bandSrc = s.At(0, srcTop, s.width, srcBottom);
                ASSERT_NE(CopyBitsStretch(&s.pm, &bandSrc, &bandDst, &full, &dst, 0), 0u);
                const auto rows = BandRows();
                ASSERT_EQ(static_cast<int>(rows.size()), bottom - top);
                for (int y = top; y < bottom; ++y)
                    EXPECT_EQ(rows[y - top], whole[y]) << "band of " << bandRows << ", row " << y;
            }
        }
    }
}

TEST_F(ColourCube, IndexedWithoutDither)
{
    Source direct(7, 3, 32, Gradient32);
    const Rect r = direct.At(1, 1, 6, 3);
    ASSERT_NE(CopyBitsToIndexed(&direct.pm, &r, 0), 0u);
    EXPECT_EQ(Stand().band.width, 5);
    EXPECT_EQ(Misses(BandRows(), [&](int x, int y) { return Nearest(direct.ColourAt(1 + x, 1 + y)); }), "");

    // 8-bit pixels through the table's map onto the palette, whose flags reach the source.
    for (int i = 0; i < 256; ++i)
        Stand().indexMap[i] = static_cast<uint8_t>(255 - i);
    Stand().indexMapFlags = 0x100;
    Source eight(6, 4, 8, Indices8);
    const Rect all = eight.At(0, 0, 6, 4);
    ASSERT_NE(CopyBitsToIndexed(&eight.pm, &all, 0), 0u);
    EXPECT_EQ(Misses(BandRows(), [&](int x, int y) { return 255 - static_cast<int>(Indices8(x, y)); }), "");
    EXPECT_TRUE(eight.pm.pmExtFlags & 0x100);
}

TEST_F(ColourCube, GrayReductionByWholeFactors)
{
    for (int i = 0; i < 256; ++i)
        Stand().quads[i] = {0, static_cast<BYTE>(i), 0, 0};
    const struct {
        const char *what;
        int sw, sh, dw, dh;
        bool taken;
    } cases[] = {
        {"4:1", 16, 8, 4, 2, true},
        {"16:1 (a block of 256 pixels)", 32, 32, 2, 2, true},
        {"150 to 100 is not a whole factor", 150, 3, 100, 2, false},
        {"different factors across and down", 8, 8, 4, 2, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Source s(c.sw, c.sh, 8, Indices8);
        const Rect r = s.At(0, 0, c.sw, c.sh), dst = {0, 0, static_cast<int16_t>(c.dh), static_cast<int16_t>(c.dw)};
        Stand().band = {};
        const uint32_t result = CopyBitsGrayReduce(&s.pm, &r, &dst, 0);
        ASSERT_EQ(result != 0, c.taken);
        if (!c.taken) {
            EXPECT_FALSE(Stand().band.made);
            continue;
        }
        EXPECT_EQ(Stand().band.stockChoice, 1);
        const int n = c.sw / c.dw;
        EXPECT_EQ(Misses(BandRows(), [&](int x, int y) {
                      int sum = 0;
                      for (int j = 0; j < n; ++j)
                          for (int i = 0; i < n; ++i)
                              sum += static_cast<int>(Indices8(x * n + i, y * n + j));
                      return sum / (n * n);
                  }),
                  "");
    }
}

TEST_F(ColourCube, NoScratchNoRows)
{
    Source s(64, 64, 32, Gradient32);
    const Rect r = s.At(0, 0, 64, 64), enlarged = {0, 0, 256, 512}, reduced = {0, 0, 16, 16};
    // A blit scratch that cannot grow for a band larger than it.
    Stand().blit.Grow(0x10000);
    std::memset(Stand().blit.bytes, 0x11, Stand().blit.size);
    Stand().blit.refuse = true;
    EXPECT_EQ(CopyBitsStretch(&s.pm, &r, &enlarged, &r, &enlarged, 0), 0u);
    EXPECT_FALSE(Stand().band.made);
    EXPECT_EQ(Stand().blit.bytes[0], 0x11);
    Stand().blit.refuse = false;
    // A pixel scratch that cannot hold the box sums.
    Stand().pixel.refuse = true;
    Source big(2000, 8, 32, Gradient32);
    const Rect wide = big.At(0, 0, 2000, 8), half = {0, 0, 4, 1000};
    EXPECT_EQ(CopyBitsStretch(&big.pm, &wide, &half, &wide, &half, 0), 0u);
    EXPECT_FALSE(Stand().band.made);
    Stand().pixel.refuse = false;
    EXPECT_NE(CopyBitsStretch(&s.pm, &r, &reduced, &r, &reduced, 0), 0u);
    // No tables, or the reduced 4-bit ones, and empty bands give nothing.
    Stand().tables = nullptr;
    EXPECT_EQ(CopyBitsStretch(&s.pm, &r, &reduced, &r, &reduced, 0), 0u);
    EXPECT_EQ(CopyBitsToIndexed(&s.pm, &r, 0), 0u);
    Stand().tables = &Tables();
    const Rect empty = {0, 0, 0, 16};
    EXPECT_EQ(CopyBitsStretch(&s.pm, &r, &empty, &r, &reduced, 0), 0u);
}

} // namespace

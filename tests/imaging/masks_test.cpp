// One-bit masks: SeedFill against the test's own flood fill, CalcMask of rings, CalcCMask through a
// match procedure, CopyMask onto every kind of destination, and ZEL_CreateMask as rows and as a region.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::QuickDrawTest;
using testing_support::WindowManagerPort;

constexpr int16_t kIconDrawingSetting = 37;

// A one-bit image held as Macintosh rows.
struct Bits {
    int width, height, rowBytes;
    std::vector<uint8_t> bytes;
    Bits(int w, int h, int rb = 0)
        : width(w), height(h), rowBytes(rb ? rb : ((w + 15) / 16) * 2), bytes(static_cast<size_t>(rowBytes) * h, 0)
    {
    }
    // Rows of '#' (set) and '.' (clear).
    static Bits From(const std::vector<std::string> &rows, int rb = 0)
    {
        Bits b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), rb);
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                if (rows[y][x] == '#')
                    b.Set(x, y);
        return b;
    }
    bool Get(int x, int y) const { return (bytes[y * rowBytes + x / 8] >> (7 - x % 8)) & 1; }
    void Set(int x, int y, bool on = true)
    {
        uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
        if (on)
            bytes[y * rowBytes + x / 8] |= bit;
        else
            bytes[y * rowBytes + x / 8] &= static_cast<uint8_t>(~bit);
    }
    Ptr ptr() { return reinterpret_cast<Ptr>(bytes.data()); }
    BitMap bitmap() { return BitMap{ptr(), static_cast<int16_t>(rowBytes), Rect{0, 0, (int16_t)height, (int16_t)width}}; }
    std::string Picture(int w = -1) const
    {
        std::string s;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < (w < 0 ? width : w); ++x)
                s += Get(x, y) ? '#' : '.';
            s += '\n';
        }
        return s;
    }
};

// The test's own four-connected fill: every clear source pixel reachable from the seed.
Bits ReferenceFill(const Bits &src, int seedX, int seedY)
{
    Bits out(src.width, src.height, src.rowBytes);
    if (seedX < 0 || seedY < 0 || seedX >= src.width || seedY >= src.height || src.Get(seedX, seedY))
        return out;
    std::deque<std::pair<int, int>> queue{{seedX, seedY}};
    out.Set(seedX, seedY);
    while (!queue.empty()) {
        auto [x, y] = queue.front();
        queue.pop_front();
        const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
        for (int i = 0; i < 4; ++i) {
            int nx = x + dx[i], ny = y + dy[i];
            if (nx >= 0 && ny >= 0 && nx < src.width && ny < src.height && !src.Get(nx, ny) && !out.Get(nx, ny)) {
                out.Set(nx, ny);
                queue.push_back({nx, ny});
            }
        }
    }
    return out;
}

const std::vector<std::string> kMaze = {
    "................................",
    ".######.........##########......",
    ".#....#.........#........#......",
    ".#....#...####..#..####..#......",
    ".######...#..#..#..#..#..#......",
    "..........####..#..####..#......",
    "................#........#..##..",
    "######..........##########..#...",
};

class Masks : public QuickDrawTest {
protected:
    void TearDown() override
    {
        ZEL_SystemValue(1, kIconDrawingSetting, 0);
        QuickDrawTest::TearDown();
    }
};

// SeedFill equals the reference fill for seeds inside, on black, outside and on every edge, whatever
// dst held before.
TEST_F(Masks, SeedFillMatchesTheReference)
{
    struct Case {
        const char *what;
        int seedX, seedY;
        uint8_t preset;
    };
    const Case cases[] = {
        {"open area", 10, 3, 0},          {"inside a box", 3, 2, 0},       {"on black", 1, 1, 0},
        {"outside left", -1, 2, 0},       {"outside below", 4, 8, 0},      {"outside right", 32, 0, 0},
        {"top edge", 20, 0, 0},           {"bottom edge", 10, 7, 0},       {"left edge", 0, 0, 0},
        {"right edge", 31, 5, 0},         {"stray bits in dst", 10, 3, 0xA5}, {"dst all set", 3, 2, 0xFF},
        {"corner beside the hook", 31, 7, 0x3C},
    };
    Bits src = Bits::From(kMaze);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bits dst(src.width, src.height);
        std::fill(dst.bytes.begin(), dst.bytes.end(), c.preset);
        SeedFill(src.ptr(), dst.ptr(), static_cast<int16_t>(src.rowBytes), static_cast<int16_t>(dst.rowBytes),
                 static_cast<int16_t>(src.height), 2, static_cast<int16_t>(c.seedX), static_cast<int16_t>(c.seedY));
        EXPECT_EQ(dst.Picture(), ReferenceFill(src, c.seedX, c.seedY).Picture());
    }
}

// A comb of one-pixel gaps keeps more than a thousand spans pending at once; the fill still completes.
TEST_F(Masks, SeedFillOfAWideCombCompletes)
{
    const int words = 160, width = words * 16, height = 24;
    Bits src(width, height);
    for (int y = 1; y < height; ++y)
        for (int x = 1; x < width; x += 2)
            src.Set(x, y);
    Bits dst(width, height);
    SeedFill(src.ptr(), dst.ptr(), static_cast<int16_t>(src.rowBytes), static_cast<int16_t>(dst.rowBytes),
             static_cast<int16_t>(height), words, 0, 0);
    EXPECT_TRUE(dst.bytes == ReferenceFill(src, 0, 0).bytes);
    EXPECT_TRUE(dst.Get(width - 2, height - 1));
}

// CalcMask: a closed ring gives the ring and its inside, a ring with a gap only the ring; dst bytes
// past the asked words stay; ill-formed calls leave dst untouched.
TEST_F(Masks, CalcMaskOfRings)
{
    const std::vector<std::string> closed = {
        "................", "..######........", "..#....#........", "..#....#........", "..######........",
        "................",
    };
    std::vector<std::string> open = closed;
    open[2][7] = '.';
    const std::vector<std::string> filled = {
        "................", "..######........", "..######........", "..######........", "..######........",
        "................",
    };
    struct Case {
        const char *what;
        const std::vector<std::string> &image, &expected;
    } cases[] = {{"closed ring", closed, filled}, {"ring with a gap", open, open}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bits src = Bits::From(c.image);
        Bits dst(16, 6, 4); // rows wider than the one word asked
        std::fill(dst.bytes.begin(), dst.bytes.end(), 0xAB);
        CalcMask(src.ptr(), dst.ptr(), static_cast<int16_t>(src.rowBytes), 4, 6, 1);
        EXPECT_EQ(dst.Picture(16), Bits::From(c.expected).Picture());
        for (int y = 0; y < 6; ++y)
            EXPECT_EQ(dst.bytes[y * 4 + 2] == 0xAB && dst.bytes[y * 4 + 3] == 0xAB, true) << "row " << y;
    }
    Bits src = Bits::From(closed), dst(16, 6);
    std::fill(dst.bytes.begin(), dst.bytes.end(), 0x5A);
    const std::vector<uint8_t> before = dst.bytes;
    CalcMask(src.ptr(), dst.ptr(), 1, 2, 6, 1); // row step shorter than the word
    CalcMask(src.ptr(), dst.ptr(), 2, 2, 0, 1); // no rows
    CalcMask(src.ptr(), dst.ptr(), 2, 2, 6, 0); // no words
    SeedFill(src.ptr(), dst.ptr(), 2, 1, 6, 1, 0, 0);
    EXPECT_TRUE(dst.bytes == before);
}

// A match procedure that calls only red black: the mask follows the red ring, not the blue one, and
// the device's search procedures and refCon come back.
int32_t sSeenMatchData;
Boolean ZEL_CALL RedOnly(RGBColor *rgb, int32_t *position)
{
    GDHandle device = GetGDevice();
    struct Record {
        RGBColor seed;
        int32_t data;
    } *record = reinterpret_cast<Record *>(static_cast<uintptr_t>((*device)->gdRefCon));
    sSeenMatchData = record ? record->data : -1;
    *position = rgb->red > 0x8000 && rgb->green < 0x8000 ? 1 : 0;
    return TRUE;
}

TEST_F(Masks, CalcCMaskFollowsTheMatchProcedure)
{
    DibPort source(20, 8);
    SetPor(source.port());
    const Rect all{0, 0, 8, 20};
    EraseRect(&all);
    RGBColor red{0xFFFF, 0, 0}, blue{0, 0, 0xFFFF};
    RGBForeColor(&red);
    const Rect redRing{1, 1, 7, 8}, blueRing{1, 11, 7, 18};
    FrameRect(&redRing);
    RGBForeColor(&blue);
    FrameRect(&blueRing);

    GDHandle device = GetGDevice();
    const uint32_t search = (*device)->gdSearchProc;
    const int32_t refCon = (*device)->gdRefCon;
    Bits dst(20, 8);
    BitMap dstBits = dst.bitmap();
    const RGBColor seed{0xFFFF, 0xFFFF, 0xFFFF};
    sSeenMatchData = 0;
    CalcCMask(&source.port()->portBits, &dstBits, &all, &all, &seed, RedOnly, 77);
    EXPECT_EQ(sSeenMatchData, 77);
    EXPECT_EQ((*device)->gdSearchProc, search);
    EXPECT_EQ((*device)->gdRefCon, refCon);
    Bits expected(20, 8);
    for (int y = 1; y < 7; ++y)
        for (int x = 1; x < 8; ++x)
            expected.Set(x, y);
    EXPECT_EQ(dst.Picture(), expected.Picture());

    // Without a procedure every colour but white is black: both rings and their insides.
    Bits plain(20, 8);
    BitMap plainBits = plain.bitmap();
    CalcCMask(&source.port()->portBits, &plainBits, &all, &all, &seed, nullptr, 0);
    for (int y = 1; y < 7; ++y)
        for (int x = 11; x < 18; ++x)
            expected.Set(x, y);
    EXPECT_EQ(plain.Picture(), expected.Picture());
    CalcCMask(nullptr, &plainBits, &all, &all, &seed, nullptr, 0);
    SetPor(WindowManagerPort());
}

// The source, mask and destination images of the CopyMask cases: 16 x 8, the mask a diagonal band.
bool SourceBlack(int x, int y) { return (x + y) % 3 == 0; }
bool MaskBlack(int x, int y) { return x > y && x < y + 9; }
bool DestBlack(int x, int y) { return (x / 4 + y / 2) % 2 == 0; }

// Same-size CopyMask into a one-bit BitMap, an 8-bit PixMap, a 32-bit GWorld and a port on a DC gives
// the source under black mask bits and the destination elsewhere; CopyDeepMask gives the same.
TEST_F(Masks, CopyMaskOntoEveryKindOfDestination)
{
    const int w = 16, h = 8;
    Bits src(w, h), mask(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            src.Set(x, y, SourceBlack(x, y));
            mask.Set(x, y, MaskBlack(x, y));
        }
    BitMap srcBits = src.bitmap(), maskBits = mask.bitmap();
    const Rect r{0, 0, (int16_t)h, (int16_t)w};
    auto want = [](int x, int y) { return MaskBlack(x, y) ? SourceBlack(x, y) : DestBlack(x, y); };

    DibPort host(32, 32);
    for (bool deep : {false, true}) {
        SCOPED_TRACE(deep ? "CopyDeepMask" : "CopyMask");
        auto copy = [&](const BitMap *dst, const Rect &dstRect) {
            if (deep)
                CopyDeepMask(&srcBits, &maskBits, dst, &r, &r, &dstRect, srcCopy, nullptr);
            else
                CopyMask(&srcBits, &maskBits, dst, &r, &r, &dstRect);
        };
        {
            SCOPED_TRACE("one-bit BitMap");
            SetPor(host.port());
            Bits dst(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    dst.Set(x, y, DestBlack(x, y));
            BitMap dstBits = dst.bitmap();
            copy(&dstBits, r);
            Bits expected(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    expected.Set(x, y, want(x, y));
            EXPECT_EQ(dst.Picture(), expected.Picture());
        }
        {
            SCOPED_TRACE("8-bit PixMap");
            SetPor(host.port());
            std::vector<uint8_t> rows(static_cast<size_t>(w) * h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    rows[y * w + x] = DestBlack(x, y) ? 255 : 0;
            PixMap pm{};
            pm.baseAddr = reinterpret_cast<Ptr>(rows.data());
            pm.rowBytes = static_cast<int16_t>(0x8000 | w);
            pm.bounds = r;
            pm.pixelSize = 8;
            pm.cmpCount = 1;
            pm.cmpSize = 8;
            pm.pmTable = GetCTable(8);
            copy(reinterpret_cast<BitMap *>(&pm), r);
            std::string misses;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    misses += rows[y * w + x] == (want(x, y) ? 255 : 0) ? '.' : 'X';
            EXPECT_EQ(misses.find('X'), std::string::npos) << misses;
            DisposeCTable(pm.pmTable);
        }
        {
            SCOPED_TRACE("32-bit GWorld");
            GWorldPtr gw = nullptr;
            ASSERT_EQ(NewGWorld(&gw, 32, &r, nullptr, nullptr, 0), 0);
            SetGWorld(gw, nullptr);
            EraseRect(&r);
            HDC dc = (*GetGWorldPixMap(gw))->pmExtMemDC;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    SetPixel(dc, x, y, DestBlack(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255));
            copy(&reinterpret_cast<GrafPtr>(gw)->portBits, r);
            EXPECT_EQ(testing_support::PixelMisses(dc, 0, 0, w, h, [&](int x, int y) {
                          return want(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255);
                      }),
                      "");
            SetPor(WindowManagerPort());
            DisposeGWorld(gw);
        }
        {
            SCOPED_TRACE("port on a DC, offset in it");
            SetPor(host.port());
            host.surface().Fill(RGB(255, 255, 255));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    SetPixel(host.surface().dc(), x + 5, y + 3, DestBlack(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255));
            const Rect at{3, 5, (int16_t)(3 + h), (int16_t)(5 + w)};
            copy(&host.port()->portBits, at);
            EXPECT_EQ(testing_support::PixelMisses(host.surface().dc(), 0, 0, 32, 32, [&](int x, int y) {
                          bool inside = x >= 5 && x < 5 + w && y >= 3 && y < 3 + h;
                          return inside && want(x - 5, y - 3) ? RGB(0, 0, 0) : RGB(255, 255, 255);
                      }),
                      "");
        }
    }
    SetPor(WindowManagerPort());
}

// A GWorld source onto a port through one masked transfer, colours kept.
TEST_F(Masks, CopyMaskFromAWorldKeepsColours)
{
    const Rect r{0, 0, 8, 16};
    Bits mask(16, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            mask.Set(x, y, MaskBlack(x, y));
    BitMap maskBits = mask.bitmap();
    // Worlds whose bounds start at (0, 0) and elsewhere: the source rectangle is in the world's own
    // coordinates either way.
    for (const Rect &bounds : {r, Rect{4, 6, 12, 22}}) {
        SCOPED_TRACE(bounds.left);
        GWorldPtr gw = nullptr;
        ASSERT_EQ(NewGWorld(&gw, 32, &bounds, nullptr, nullptr, 0), 0);
        SetGWorld(gw, nullptr);
        // Red on the left half, green on the right, so that a misplaced source shows.
        RGBColor red{0xFFFF, 0, 0}, green{0, 0xFFFF, 0};
        RGBForeColor(&red);
        PaintRect(&bounds);
        const Rect right{bounds.top, static_cast<int16_t>(bounds.left + 8), bounds.bottom, bounds.right};
        RGBForeColor(&green);
        PaintRect(&right);
        DibPort host(16, 8, RGB(0, 0, 255));
        SetPor(host.port());
        CopyMask(&reinterpret_cast<GrafPtr>(gw)->portBits, &maskBits, &host.port()->portBits, &bounds, &r, &r);
        EXPECT_EQ(testing_support::PixelMisses(host.surface().dc(), 0, 0, 16, 8, [](int x, int y) {
                      return !MaskBlack(x, y) ? RGB(0, 0, 255) : x < 8 ? RGB(255, 0, 0) : RGB(0, 255, 0);
                  }),
                  "");
        SetPor(WindowManagerPort());
        DisposeGWorld(gw);
    }
}

// Rectangles of different sizes, or the icon-drawing setting, take the three transfers: srcXor, the
// mask with srcBic, srcXor. For black-and-white images the result is the source where the (scaled)
// mask is black.
TEST_F(Masks, ThreePassCopyMask)
{
    const int w = 16, h = 8;
    Bits src(w, h), mask(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            src.Set(x, y, SourceBlack(x, y));
            mask.Set(x, y, MaskBlack(x, y));
        }
    BitMap srcBits = src.bitmap(), maskBits = mask.bitmap();
    const Rect r{0, 0, (int16_t)h, (int16_t)w};
    struct Case {
        const char *what;
        bool setting;
        int scale;
    } cases[] = {{"icon drawing, same size", true, 1}, {"twice the size", false, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZEL_SystemValue(1, kIconDrawingSetting, c.setting ? 1 : 0);
        DibPort host(w * 2, h * 2);
        SetPor(host.port());
        for (int y = 0; y < h * 2; ++y)
            for (int x = 0; x < w * 2; ++x)
                SetPixel(host.surface().dc(), x, y, DestBlack(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255));
        const Rect dst{0, 0, (int16_t)(h * c.scale), (int16_t)(w * c.scale)};
        CopyMask(&srcBits, &maskBits, &host.port()->portBits, &r, &r, &dst);
        EXPECT_EQ(testing_support::PixelMisses(host.surface().dc(), 0, 0, w * 2, h * 2, [&](int x, int y) {
                      bool inside = x < w * c.scale && y < h * c.scale;
                      int sx = x / c.scale, sy = y / c.scale;
                      bool black = inside && MaskBlack(sx, sy) ? SourceBlack(sx, sy) : DestBlack(x, y);
                      return black ? RGB(0, 0, 0) : RGB(255, 255, 255);
                  }),
                  "");
        SetPor(WindowManagerPort());
    }
}

// ZEL_CreateMask: the non-white pixels of 1-, 8- and 32-bit sources, as rows and as a region that
// PtInRgn agrees with; with fill the enclosed white is added; bad arguments give nil.
TEST_F(Masks, CreateMaskOfEveryDepth)
{
    const std::vector<std::string> image = {
        "................", ".#####....#.....", ".#...#...#.#....", ".#...#....#.....", ".#####..........",
        "...........##...",
    };
    const std::vector<std::string> enclosed = {
        "................", ".#####....#.....", ".#####...###....", ".#####....#.....", ".#####..........",
        "...........##...",
    };
    const int w = 16, h = 6;
    Bits one = Bits::From(image);
    BitMap oneBits = one.bitmap();
    std::vector<uint8_t> eight(static_cast<size_t>(w) * h);
    std::vector<uint32_t> deep(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            eight[y * w + x] = image[y][x] == '#' ? static_cast<uint8_t>(5 + x) : 0;
            deep[y * w + x] = image[y][x] == '#' ? 0x00FFFFFE : 0x00FFFFFF; // almost white is not white
        }
    PixMap eightMap{}, deepMap{};
    eightMap.baseAddr = reinterpret_cast<Ptr>(eight.data());
    eightMap.rowBytes = static_cast<int16_t>(0x8000 | w);
    eightMap.bounds = Rect{0, 0, (int16_t)h, (int16_t)w};
    eightMap.pixelSize = 8;
    eightMap.cmpCount = 1;
    eightMap.cmpSize = 8;
    eightMap.pmTable = GetCTable(8);
    deepMap.baseAddr = reinterpret_cast<Ptr>(deep.data());
    deepMap.rowBytes = static_cast<int16_t>(0x8000 | (w * 4));
    deepMap.bounds = Rect{0, 0, (int16_t)h, (int16_t)w};
    deepMap.pixelType = 16;
    deepMap.pixelSize = 32;
    deepMap.cmpCount = 3;
    deepMap.cmpSize = 8;
    struct Source {
        const char *what;
        const BitMap *bits;
    } sources[] = {{"1-bit", &oneBits},
                   {"8-bit", reinterpret_cast<BitMap *>(&eightMap)},
                   {"32-bit", reinterpret_cast<BitMap *>(&deepMap)}};
    DibPort host(4, 4);
    SetPor(host.port());
    for (const Source &s : sources) {
        SCOPED_TRACE(s.what);
        for (bool fill : {false, true}) {
            SCOPED_TRACE(fill ? "fill" : "no fill");
            const std::string expected = Bits::From(fill ? enclosed : image).Picture();
            Handle rows = ZEL_CreateMask(s.bits, fill, false);
            ASSERT_NE(rows, nullptr);
            ASSERT_EQ(GetHandleSize(rows), 2 * h);
            Bits got(w, h);
            std::memcpy(got.bytes.data(), *rows, got.bytes.size());
            EXPECT_EQ(got.Picture(), expected);
            DisposeHandle(rows);

            RgnHandle rgn = reinterpret_cast<RgnHandle>(ZEL_CreateMask(s.bits, fill, true));
            ASSERT_NE(rgn, nullptr);
            std::string inRegion;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x)
                    inRegion += PtInRgn(Point{(int16_t)y, (int16_t)x}, rgn) ? '#' : '.';
                inRegion += '\n';
            }
            EXPECT_EQ(inRegion, expected);
            DisposeRgn(rgn);
        }
    }
    DisposeCTable(eightMap.pmTable);
    BitMap empty{one.ptr(), 2, Rect{0, 0, 0, 16}};
    EXPECT_EQ(ZEL_CreateMask(nullptr, false, false), nullptr);
    EXPECT_EQ(ZEL_CreateMask(&empty, true, true), nullptr);
    for (int i = 0; i < 200; ++i) {
        DisposeHandle(ZEL_CreateMask(&oneBits, i & 1, false));
        DisposeRgn(reinterpret_cast<RgnHandle>(ZEL_CreateMask(&oneBits, i & 1, true)));
    }
    EXPECT_EQ(ZEL_MemCheck(), 1);
    SetPor(WindowManagerPort());
}

TEST_F(Masks, SeedCFillOnlyReports)
{
    testing_support::TakeDebugMessages();
    SeedCFill(nullptr, nullptr, nullptr, nullptr, 0, 0, nullptr, 0);
    std::vector<std::string> messages = testing_support::TakeDebugMessages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "SeedCFill"), 1);
}

} // namespace

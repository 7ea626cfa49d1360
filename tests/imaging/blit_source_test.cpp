// BitMaps and PixMaps described to GDI: the DIB and the Windows bitmap of every depth draw the colours of
// their Macintosh pixels, upright in both row orders; bad PixMaps are refused; pixels GDI drew come back
// into a PixMap's rectangle and nowhere else; the blit scratch grows, trims and refuses to grow; and
// InitGraf cycles give back what the preparation keeps.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "MacMemory.h"
#include "Zel.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {

using testing_support::DibSurface;
using testing_support::QuickDrawGlobals;
using testing_support::QuickDrawTest;

constexpr int16_t kSettingOffscreenBitmaps = 41;

// A PixMap over rows the test owns, its bounds at (top, left) = (5, 9) so that coordinates are not
// relative by accident.
struct TestPixMap {
    PixMapHandle pm;
    std::vector<uint8_t> rows;
    std::vector<RGBColor> colours;
    int width, height, rowBytes, depth;

    TestPixMap(int depthIn, int w, int h, std::mt19937 &rng, bool grayRamp = false)
        : width(w), height(h), depth(depthIn)
    {
        pm = NewPixMap();
        rowBytes = ((w * depth + 15) / 16) * 2;
        rows.resize(static_cast<size_t>(rowBytes) * h);
        for (auto &b : rows)
            b = uint8_t(rng());
        PixMap &p = **pm;
        p.baseAddr = reinterpret_cast<Ptr>(rows.data());
        p.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
        p.bounds = Rect{5, 9, static_cast<int16_t>(5 + h), static_cast<int16_t>(9 + w)};
        p.pixelSize = static_cast<int16_t>(depth);
        p.pixelType = depth > 8 ? 16 : 0;
        p.cmpCount = depth > 8 ? 3 : 1;
        p.cmpSize = depth == 16 ? 5 : depth == 32 ? 8 : depth;
        if (depth <= 8) {
            const int n = 1 << depth;
            for (int i = 0; i < n; ++i) {
                uint16_t g = uint16_t(i * 257);
                colours.push_back(grayRamp ? RGBColor{g, g, g}
                                           : RGBColor{uint16_t(rng() | 0xFF), uint16_t(rng() | 0xFF), uint16_t(rng() | 0xFF)});
            }
            SetHandleSize(reinterpret_cast<Handle>(p.pmTable), static_cast<Size>(8 + 8 * n));
            ColorTable &ct = **(*pm)->pmTable;
            ct.ctSeed = GetCTSeed();
            ct.ctFlags = 0;
            ct.ctSize = static_cast<int16_t>(n - 1);
            for (int i = 0; i < n; ++i)
                ct.ctTable[i] = ColorSpec{static_cast<int16_t>(i), colours[i]};
        }
    }
    ~TestPixMap()
    {
        (*pm)->baseAddr = nullptr;
        DisposePixMap(pm);
    }
    uint32_t Value(int x, int y) const
    {
        const uint8_t *row = rows.data() + static_cast<size_t>(y) * rowBytes;
        switch (depth) {
        case 1: case 2: case 4: {
            int bit = x * depth;
            return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
        }
        case 8: return row[x];
        case 16: return row[2 * x] | row[2 * x + 1] << 8;
        default: return row[4 * x] | row[4 * x + 1] << 8 | row[4 * x + 2] << 16;
        }
    }
    // The colour the Macintosh pixel stands for, as the display shows it.
    COLORREF Colour(int x, int y) const
    {
        uint32_t v = Value(x, y);
        if (depth <= 8)
            return RGB(colours[v].red >> 8, colours[v].green >> 8, colours[v].blue >> 8);
        if (depth == 16) {
            auto widen = [](uint32_t c) { return (c << 3) | (c >> 2); };
            return RGB(widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31));
        }
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    const BitMap *bits() const { return reinterpret_cast<const BitMap *>(*pm); }
};

// Draws what a preparation handed back into a surface: the DIB with SetDIBitsToDevice, or the bitmap
// blitted from a memory DC; `rect` is the prepared rectangle.
void Draw(DibSurface &surface, const Rect &rect, BITMAPINFO *info, void *rows, UINT usage, HBITMAP bitmap)
{
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (bitmap) {
        HDC mem = CreateCompatibleDC(surface.dc());
        HGDIOBJ old = SelectObject(mem, bitmap);
        BitBlt(surface.dc(), 0, 0, w, h, mem, rect.left, rect.top, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    } else {
        const int dibRows = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
        SetDIBitsToDevice(surface.dc(), 0, 0, w, h, rect.left, dibRows - rect.bottom, 0, dibRows, rows, info, usage);
    }
    GdiFlush();
}

class BlitSource : public QuickDrawTest {
protected:
    void TearDown() override
    {
        ZEL_SystemValue(1, kSettingOffscreenBitmaps, 0);
        QuickDrawTest::TearDown();
    }
};

// Every depth, over a rectangle at an odd left offset, by both routes and in both row orders: each
// pixel shows the colour of its Macintosh pixel, also for colours outside the library palette.
TEST_F(BlitSource, EveryDepthDrawsItsMacintoshColours)
{
    std::mt19937 rng(62);
    const struct {
        int depth;
        bool grayRamp;
        int width, left, right;
    } cases[] = {
        {1, false, 120, 13, 113}, {2, false, 37, 13, 30}, {4, false, 37, 13, 30}, {8, false, 37, 13, 30},
        {8, true, 37, 11, 36}, {16, false, 37, 13, 30}, {32, false, 37, 13, 30},
    };
    for (int16_t order : {0, -1})
        for (int16_t flags : {3, 7})
            for (const auto &c : cases) {
                SCOPED_TRACE(testing::Message() << "depth " << c.depth << (c.grayRamp ? " gray ramp" : "") << " flags "
                                                << flags << " setting 41 = " << order);
                ZEL_SystemValue(1, kSettingOffscreenBitmaps, static_cast<uint32_t>(int32_t(order)));
                TestPixMap src(c.depth, c.width, 9, rng, c.grayRamp);
                const int top = 2, bottom = 8;
                Rect rect{static_cast<int16_t>(5 + top), static_cast<int16_t>(9 + c.left), static_cast<int16_t>(5 + bottom),
                          static_cast<int16_t>(9 + c.right)};
                BITMAPINFO *info = nullptr;
                void *rows = nullptr;
                UINT usage = 99;
                HBITMAP bitmap = nullptr;
                ASSERT_EQ(PrepareBlitSourceForTest(flags, src.bits(), &rect, &info, &rows, &usage, &bitmap), 1);
                const int perByte = c.depth < 8 ? 8 / c.depth : 1;
                EXPECT_EQ(rect.left, c.left % perByte);
                EXPECT_EQ(rect.right - rect.left, c.right - c.left);
                EXPECT_EQ(rect.top, 0);
                EXPECT_EQ(rect.bottom, bottom - top);
                if (order < 0) {
                    EXPECT_LT(info->bmiHeader.biHeight, 0) << "top-down";
                    if (c.depth > 8) {
                        EXPECT_EQ(info->bmiHeader.biBitCount, 32);
                        EXPECT_EQ(info->bmiHeader.biCompression, static_cast<DWORD>(BI_BITFIELDS));
                    }
                } else {
                    EXPECT_GT(info->bmiHeader.biHeight, 0) << "bottom-up";
                }
                DibSurface surface(c.right - c.left, bottom - top, RGB(1, 2, 3));
                Draw(surface, rect, info, rows, usage, bitmap);
                int wrong = 0;
                for (int y = 0; y < bottom - top && wrong < 5; ++y)
                    for (int x = 0; x < c.right - c.left && wrong < 5; ++x) {
                        COLORREF want = src.Colour(c.left + x, top + y), got = surface.Pixel(x, y);
                        if (want != got) {
                            ++wrong;
                            ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << got << " not " << want;
                        }
                    }
                if (bitmap)
                    DeleteObject(bitmap);
            }
}

// Tables of colour-cube colours (the library palette holds each of them): on a palette screen indexed
// pixels go out as palette indices and come back as exactly those colours; on a true-colour screen they
// go out in their own colours, by both routes. (A bitmap on Wine's 8-bit display holds the X colour
// map's approximations of the palette, so only the DIB route is compared there.)
TEST_F(BlitSource, IndexedColoursOnPaletteScreens)
{
    std::mt19937 rng(8);
    HPALETTE palette = reinterpret_cast<HPALETTE>(static_cast<uintptr_t>(ZEL_SystemValue(0, 22, 0)));
    HDC screen = GetDC(nullptr);
    const bool paletteScreen = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, screen);
    for (int depth : {2, 4, 8})
        for (int16_t flags : {3, 7}) {
            if (paletteScreen && flags == 7)
                continue;
            SCOPED_TRACE(testing::Message() << "depth " << depth << " flags " << flags);
            TestPixMap src(depth, 24, 6, rng);
            ColorTable &ct = **(*src.pm)->pmTable;
            for (int i = 0; i <= ct.ctSize; ++i) {
                auto level = [&] { return uint16_t((rng() % 6) * 0x3333); };
                src.colours[i] = ct.ctTable[i].rgb = RGBColor{level(), level(), level()};
            }
            ct.ctSeed = GetCTSeed();
            Rect rect = (*src.pm)->bounds;
            BITMAPINFO *info = nullptr;
            void *rows = nullptr;
            UINT usage = 0;
            HBITMAP bitmap = nullptr;
            ASSERT_EQ(PrepareBlitSourceForTest(flags, src.bits(), &rect, &info, &rows, &usage, &bitmap), 1);
            DibSurface surface(24, 6);
            HPALETTE old = palette ? SelectPalette(surface.dc(), palette, FALSE) : nullptr;
            if (palette)
                RealizePalette(surface.dc());
            Draw(surface, rect, info, rows, usage, bitmap);
            if (old)
                SelectPalette(surface.dc(), old, FALSE);
            if (bitmap)
                DeleteObject(bitmap);
            int wrong = 0;
            for (int y = 0; y < 6 && wrong < 5; ++y)
                for (int x = 0; x < 24 && wrong < 5; ++x)
                    if (surface.Pixel(x, y) != src.Colour(x, y)) {
                        ++wrong;
                        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << surface.Pixel(x, y) << " not "
                                      << src.Colour(x, y) << " (usage " << usage << ")";
                    }
        }
}

// A BitMap draws its 1 bits in the port's foreground colour and its 0 bits in its background colour.
TEST_F(BlitSource, BitMapsTakeThePortsColours)
{
    uint8_t bits[4 * 3] = {0xF0, 0x0F, 0xAA, 0x55, 0x81, 0x7E, 0xFF, 0x00, 0x00, 0x00, 0x01, 0x80};
    BitMap bm{reinterpret_cast<Ptr>(bits), 4, Rect{0, 0, 3, 32}};
    RGBColor fore{0xFFFF, 0, 0}, back{0, 0, 0xFFFF};
    RGBForeColor(&fore);
    RGBBackColor(&back);
    Rect rect = bm.bounds;
    BITMAPINFO *info = nullptr;
    void *rows = nullptr;
    UINT usage = 0;
    HBITMAP bitmap = nullptr;
    ASSERT_EQ(PrepareBlitSourceForTest(7, &bm, &rect, &info, &rows, &usage, &bitmap), 1);
    DibSurface surface(32, 3);
    Draw(surface, rect, info, rows, usage, bitmap);
    DeleteObject(bitmap);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 32; ++x) {
            bool set = (bits[y * 4 + x / 8] >> (7 - x % 8)) & 1;
            EXPECT_EQ(surface.Pixel(x, y), set ? RGB(255, 0, 0) : RGB(0, 0, 255)) << x << "," << y;
        }
    RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
    RGBForeColor(&black);
    RGBBackColor(&white);
}

// Depths QuickDraw has not, rowBytes of 0 or too small for the bounds, bounds inside out and pixels that
// are not in memory describe nothing.
TEST_F(BlitSource, BadPixMapsAreRefused)
{
    std::mt19937 rng(1);
    const struct {
        const char *what;
        int16_t pixelSize, rowBytes;
        Rect bounds;
    } cases[] = {
        {"pixelSize 0", 0, 8, Rect{0, 0, 4, 4}},
        {"pixelSize 3", 3, 8, Rect{0, 0, 4, 4}},
        {"pixelSize 64", 64, 64, Rect{0, 0, 4, 4}},
        {"rowBytes 0", 8, 0, Rect{0, 0, 4, 4}},
        {"rowBytes too small", 32, 8, Rect{0, 0, 4, 4}},
        {"right < left", 8, 8, Rect{0, 4, 4, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TestPixMap src(8, 4, 4, rng);
        (*src.pm)->pixelSize = c.pixelSize;
        (*src.pm)->rowBytes = static_cast<int16_t>(0x8000 | c.rowBytes);
        (*src.pm)->bounds = c.bounds;
        Rect rect{0, 0, 4, 4};
        BITMAPINFO *info = reinterpret_cast<BITMAPINFO *>(1);
        EXPECT_EQ(PrepareBlitSourceForTest(3, src.bits(), &rect, &info, nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(info, nullptr);
    }
    TestPixMap marker(8, 4, 4, rng);
    (*marker.pm)->baseAddr = reinterpret_cast<Ptr>(0x7FFF);
    Rect rect{0, 0, 4, 4};
    EXPECT_EQ(PrepareBlitSourceForTest(3, marker.bits(), &rect, nullptr, nullptr, nullptr, nullptr), 0)
        << "pixels only in a Windows bitmap have no rows to read";
}

// After GDI fills a rectangle of the bitmap made of a PixMap's rectangle, writing back puts the fill
// colour's nearest entry (or the colour) into that rectangle and leaves every other byte as it was.
TEST_F(BlitSource, WriteBackReachesTheRectangleOnly)
{
    std::mt19937 rng(3);
    for (int depth : {1, 8, 32}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        TestPixMap pm(depth, 40, 12, rng);
        const std::vector<uint8_t> before = pm.rows;
        // The bitmap of the rectangle (6, 17)-(10, 35) of the bounds (relative (1, 8)-(5, 26)).
        Rect rect{6, 17, 10, 35};
        HBITMAP bitmap = nullptr;
        ASSERT_EQ(PrepareBlitSourceForTest(7, pm.bits(), &rect, nullptr, nullptr, nullptr, &bitmap), 1);
        // GDI fills bitmap pixels (rect.left + 3 .. + 9, 1 .. 3): PixMap pixels (11..17, 2..4) relative.
        HDC mem = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(mem, bitmap);
        const COLORREF fill = RGB(200, 30, 90);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT r{rect.left + 3, 1, rect.left + 10, 4};
        FillRect(mem, &r, brush);
        DeleteObject(brush);
        SelectObject(mem, old);
        DeleteDC(mem);
        const Rect area{7, 20, 10, 27};
        ASSERT_TRUE(WriteBackPixMapBitmap(*pm.pm, bitmap, &area, Point{1, static_cast<int16_t>(rect.left + 3)}));
        DeleteObject(bitmap);

        uint32_t expected = 0;
        if (depth == 32) {
            expected = 90 | 30 << 8 | 200 << 16;
        } else {
            int best = 0, bestDistance = INT32_MAX;
            for (size_t i = 0; i < pm.colours.size(); ++i) {
                const RGBColor &c = pm.colours[i];
                // Least sum of component distances, the fill's components widened to 16 bits.
                int d = std::abs(c.red - 200 * 257) + std::abs(c.green - 30 * 257) + std::abs(c.blue - 90 * 257);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = static_cast<int>(i);
                }
            }
            expected = static_cast<uint32_t>(best);
        }
        TestPixMap original(depth, 40, 12, rng);
        original.rows = before;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 40; ++x) {
                bool inside = x >= 11 && x < 18 && y >= 2 && y < 5;
                EXPECT_EQ(pm.Value(x, y), inside ? expected : original.Value(x, y)) << x << "," << y;
            }
    }
}

// A PixMap over a static buffer is written back in place: the buffer stays the PixMap's, and the heaps
// are sound.
TEST_F(BlitSource, WriteBackIntoStaticRows)
{
    static uint8_t rows[4 * 8];
    std::memset(rows, 0, sizeof rows);
    PixMapHandle pm = NewPixMap();
    (*pm)->baseAddr = reinterpret_cast<Ptr>(rows);
    (*pm)->rowBytes = static_cast<int16_t>(0x8000 | 8);
    (*pm)->bounds = Rect{0, 0, 4, 2};
    (*pm)->pixelSize = 32;
    (*pm)->cmpCount = 3;
    (*pm)->cmpSize = 8;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 2, 4);
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(mem, bitmap);
    PatBlt(mem, 0, 0, 2, 4, WHITENESS);
    SelectObject(mem, old);
    DeleteDC(mem);
    ASSERT_TRUE(WriteBackPixMapBitmap(*pm, bitmap, nullptr, Point{0, 0}));
    DeleteObject(bitmap);
    EXPECT_EQ((*pm)->baseAddr, reinterpret_cast<Ptr>(rows));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(rows[4 * i] | rows[4 * i + 1] << 8 | rows[4 * i + 2] << 16 | rows[4 * i + 3] << 24, 0x00FFFFFF) << i;
    (*pm)->baseAddr = nullptr;
    DisposePixMap(pm);
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

// The scratch grows for a large transfer and comes back to 64 KB on the 34th small transfer after it,
// not on the 33rd; with the memory limit too low for it to grow, a large preparation answers 0 and the
// scratch stays as it was.
TEST_F(BlitSource, ScratchGrowsTrimsAndRefusesToGrow)
{
    std::mt19937 rng(4);
    TestPixMap large(32, 200, 120, rng); // 24-bit rows of 600 bytes: 72,000 bytes
    TestPixMap small(8, 16, 16, rng);
    auto prepare = [](TestPixMap &pm) {
        Rect rect = (*pm.pm)->bounds;
        return PrepareBlitSourceForTest(3, pm.bits(), &rect, nullptr, nullptr, nullptr, nullptr);
    };
    ASSERT_EQ(prepare(large), 1);
    EXPECT_GE(BlitScratchSize(), 72000u);
    for (int use = 1; use <= 33; ++use)
        ASSERT_EQ(prepare(small), 1);
    EXPECT_GE(BlitScratchSize(), 72000u) << "the 33rd small use keeps the large buffer";
    ASSERT_EQ(prepare(small), 1);
    EXPECT_EQ(BlitScratchSize(), 65536u) << "the 34th small use trims it";

    ZEL_SetMemoryLimits(1, 1, 0, 0);
    EXPECT_EQ(prepare(large), 0);
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    EXPECT_EQ(BlitScratchSize(), 65536u);
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
    ASSERT_EQ(prepare(large), 1);
}

// InitGraf and ExitGraf cycles with preparations between them free the ConversionPixMap and the scratch
// each time.
TEST(BlitSourceSetUp, InitGrafCyclesGiveBackWhatPreparationKeeps)
{
    QDGlobals &qd = QuickDrawGlobals();
    std::mt19937 rng(5);
    ZEL_SetMemoryLimits(1, 0x40000000, 0, 0);
    auto used = [] { return 0x40000000 - FreeMem(); };
    InitGraf(&qd.thePort);
    InitGraf(&qd.thePort);
    const Size settled = used();
    for (int i = 0; i < 50; ++i) {
        {
            TestPixMap large(32, 200, 120, rng);
            Rect rect = (*large.pm)->bounds;
            ASSERT_EQ(PrepareBlitSourceForTest(3, large.bits(), &rect, nullptr, nullptr, nullptr, nullptr), 1);
        }
        InitGraf(&qd.thePort);
        ASSERT_EQ(used(), settled) << "cycle " << i;
    }
    ZEL_SetMemoryLimits(0, 0, 0, 0);
}

} // namespace

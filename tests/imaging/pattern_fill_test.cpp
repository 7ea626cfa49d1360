// Fills with full pixel patterns: tiles on the port's own grid (adjacent fills join, the tiling follows
// the port's origin, negative coordinates included), patterns whose data are short, and 2-bit pixel
// patterns painted through their brush. Shapes drawn through the shape mask in their pattern's own
// colours, in a DIB port, a GWorld and a window, in the pen modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "Zel.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::CreateDrawingWindow;
using testing_support::DibPort;
using testing_support::WindowColorPort;
using testing_support::QuickDrawTest;

class PatternFillTest : public QuickDrawTest {};

// A full pixel pattern of `size` x `size` 8-bit pixels of the standard table, its value at (x, y) given.
PixPatHandle MakePixelPattern(int size, int depth, CTabHandle table, uint8_t (*value)(int, int), int rowsHeld)
{
    PixPatHandle pp = NewPixPat();
    const int rowBytes = ((size * depth + 15) / 16) * 2;
    PixMap &map = **(*pp)->patMap;
    map.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
    map.bounds = {0, 0, static_cast<int16_t>(size), static_cast<int16_t>(size)};
    map.pixelType = 0;
    map.pixelSize = static_cast<int16_t>(depth);
    map.cmpCount = 1;
    map.cmpSize = static_cast<int16_t>(depth);
    if (map.pmTable)
        DisposeCTable(map.pmTable);
    map.pmTable = table;
    SetHandleSize((*pp)->patData, rowBytes * rowsHeld);
    uint8_t *rows = reinterpret_cast<uint8_t *>(*(*pp)->patData);
    std::memset(rows, 0, rowBytes * rowsHeld);
    for (int y = 0; y < rowsHeld; ++y)
        for (int x = 0; x < size; ++x) {
            const int per = 8 / depth, shift = 8 - depth * (x % per + 1);
            rows[y * rowBytes + x / per] |= static_cast<uint8_t>(value(x, y) << shift);
        }
    (*pp)->patType = 1;
    return pp;
}

uint8_t Distinct(int x, int y) { return static_cast<uint8_t>(y * 16 + x); }

COLORREF EntryColour(CTabHandle table, int i)
{
    const RGBColor &c = (*table)->ctTable[i].rgb;
    return RGB(c.red >> 8, c.green >> 8, c.blue >> 8);
}

int FloorMod(int a, int b) { return ((a % b) + b) % b; }

// Closing a colour port disposes its PixPats, and PenNormal rewrites the pen's PixPat in place: the
// pen gets a PixPat of the port's own back, so that the test's pattern outlives the port.
void GivePenBack()
{
    PenPixPat(NewPixPat());
    PenNormal();
}

TEST_F(PatternFillTest, FullPixelPatternsTileOnThePortsGrid)
{
    CTabHandle table = GetCTable(8);
    PixPatHandle pp = MakePixelPattern(16, 8, table, Distinct, 16);
    // Two adjacent fills give the pixels of one fill over their union.
    DibPort one(64, 48), two(64, 48);
    const Rect a = {5, 3, 29, 30}, b = {5, 30, 29, 61}, both = {5, 3, 29, 61};
    SetPor(one.port());
    FillCRect(&both, pp);
    SetPor(two.port());
    FillCRect(&a, pp);
    FillCRect(&b, pp);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(one.surface().Pixel(x, y), two.surface().Pixel(x, y)) << x << "," << y;

    // After SetOrigin, a rectangle across the origin: each pixel the pattern's at its local coordinates,
    // the grid rounded down for negative ones; nothing outside changes.
    DibPort moved(64, 48, RGB(1, 2, 3));
    SetPor(moved.port());
    SetOrigin(-37, -11);
    const Rect across = {-5, -9, 21, 30};
    FillCRect(&across, pp);
    std::string misses;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const int lx = x - 37, ly = y - 11;
            const bool in = lx >= across.left && lx < across.right && ly >= across.top && ly < across.bottom;
            const COLORREF want = in ? EntryColour(table, Distinct(FloorMod(lx, 16), FloorMod(ly, 16))) : RGB(1, 2, 3);
            misses += moved.surface().Pixel(x, y) == want ? '.' : 'X';
        }
    EXPECT_EQ(misses.find('X'), std::string::npos) << misses;
    SetOrigin(0, 0);
    SetPor(testing_support::WindowManagerPort());
    DisposePixPat(pp);
}

TEST_F(PatternFillTest, PatternsWithShortDataDrawTheirOneBitForm)
{
    CTabHandle table = GetCTable(8);
    // Data for 3 of its 16 rows, flush against a page that cannot be read: the fill draws the pattern's
    // one-bit form (black on white in the table's last and first colours) and reads nothing past the data.
    const Boolean guarded = GuardHandleData(true);
    PixPatHandle pp = MakePixelPattern(16, 8, table, Distinct, 3);
    GuardHandleData(guarded);
    DibPort port(20, 20);
    SetPor(port.port());
    const Rect r = {2, 2, 18, 18};
    FillCRect(&r, pp);
    const Pattern form = (*pp)->pat1Data;
    std::string misses;
    for (int y = 2; y < 18; ++y)
        for (int x = 2; x < 18; ++x) {
            const bool black = (form.pat[y % 8] >> (7 - x % 8)) & 1;
            misses += port.surface().Pixel(x, y) == (black ? RGB(0, 0, 0) : RGB(255, 255, 255)) ? '.' : 'X';
        }
    EXPECT_EQ(misses.find('X'), std::string::npos) << misses;
    SetPor(testing_support::WindowManagerPort());
    DisposePixPat(pp);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

// A pattern origin of (3, 0) (brush alignment on, the origin at 5) starts the tiling 5 pixels left of
// the grid position.
TEST_F(PatternFillTest, PatternOriginMovesTheGrid)
{
    CTabHandle table = GetCTable(8);
    PixPatHandle pp = MakePixelPattern(16, 8, table, Distinct, 16);
    DibPort port(40, 20, RGB(1, 2, 3));
    SetPor(port.port());
    ZEL_BrushAlign(1);
    SetOrigin(5, 0);
    const Rect r = {0, 5, 20, 45};
    FillCRect(&r, pp);
    std::string misses;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            misses += port.surface().Pixel(x, y) == EntryColour(table, Distinct(FloorMod(x + 5 + 5, 16), y % 16)) ? '.' : 'X';
    EXPECT_EQ(misses.find('X'), std::string::npos) << misses;
    SetOrigin(0, 0);
    ZEL_BrushAlign(-1);
    SetPor(testing_support::WindowManagerPort());
    DisposePixPat(pp);
}

// A table of white, red, green and blue.
CTabHandle FourColourTable()
{
    CTabHandle table = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 4 * sizeof(ColorSpec)));
    (*table)->ctSeed = GetCTSeed();
    (*table)->ctSize = 3;
    const RGBColor colours[4] = {{0xFFFF, 0xFFFF, 0xFFFF}, {0xFFFF, 0, 0}, {0, 0x8000, 0}, {0, 0, 0xFFFF}};
    for (int i = 0; i < 4; ++i)
        (*table)->ctTable[i] = ColorSpec{static_cast<int16_t>(i), colours[i]};
    return table;
}

uint8_t TwoBit(int x, int y) { return static_cast<uint8_t>((x / 2 + y) & 3); }

TEST_F(PatternFillTest, TwoBitPixelPatternsPaintTheirFourColours)
{
    CTabHandle table = FourColourTable();
    PixPatHandle pp = MakePixelPattern(8, 2, table, TwoBit, 8);
    DibPort port(24, 20, RGB(9, 9, 9));
    SetPor(port.port());
    PenPixPat(pp);
    const Rect r = {1, 2, 19, 22};
    PaintRect(&r);
    std::string misses;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool in = x >= 2 && x < 22 && y >= 1 && y < 19;
            const COLORREF want = in ? EntryColour(table, TwoBit(x % 8, y % 8)) : RGB(9, 9, 9);
            misses += port.surface().Pixel(x, y) == want ? '.' : 'X';
        }
    EXPECT_EQ(misses.find('X'), std::string::npos) << misses;
    GivePenBack();
    SetPor(testing_support::WindowManagerPort());
    DisposePixPat(pp);
}


constexpr uint32_t kMaskEmulation = 0x8000;
constexpr int16_t kAdMax = 37; // the arithmetic mode that keeps the larger of each component

// The pen modes' colour arithmetic on one component, destination d and pattern s.
int Combine(int16_t mode, int d, int s)
{
    switch (mode) {
    case patCopy: return s;
    case patOr: return d & s;
    case patXor: return ~(d ^ s) & 0xFF;
    case notPatCopy: return ~s & 0xFF;
    default: return std::max(d, s); // kAdMax
    }
}

COLORREF Combine(int16_t mode, COLORREF d, COLORREF s)
{
    return RGB(Combine(mode, GetRValue(d), GetRValue(s)), Combine(mode, GetGValue(d), GetGValue(s)),
               Combine(mode, GetBValue(d), GetBValue(s)));
}

// The pixels a shape covers, as GDI paints it in patCopy without the mask.
template <typename Draw> std::vector<bool> ShapePixels(int w, int h, Draw draw)
{
    DibPort port(w, h);
    SetPor(port.port());
    draw();
    std::vector<bool> inside;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            inside.push_back(port.surface().Pixel(x, y) == RGB(0, 0, 0));
    SetPor(testing_support::WindowManagerPort());
    return inside;
}

// The current GWorld's pixel read through its DC.
COLORREF WorldPixel(GWorldPtr gw, int x, int y)
{
    PixMapHandle pm = GetGWorldPixMap(gw);
    HDC dc = (*pm)->pmExtMemDC ? (*pm)->pmExtMemDC : (*pm)->pmExtDC;
    return GetPixel(dc, x, y);
}

uint8_t FourColours(int x, int y) { return static_cast<uint8_t>((x / 3 + y / 2) & 3); }

// Ovals and polygons painted in the pen modes with large and small pixel patterns, an RGB pattern and a
// pattern whose data are short, in a DIB port and in a GWorld: the shape's pixels are the mode applied
// to the destination and the pattern's own pixel on the port's grid, and nothing outside the shape
// changes. Large patterns take the mask path in patCopy too.
TEST_F(PatternFillTest, ShapesThroughTheMaskPaintTheirPatternsColours)
{
    constexpr int kW = 40, kH = 30;
    const Rect oval = {3, 4, 27, 35};
    auto paintOval = [&] { PaintOval(&oval); };
    auto paintPoly = [] {
        PolyHandle poly = OpenPoly();
        MoveTo(2, 28);
        LineTo(20, 1);
        LineTo(38, 28);
        LineTo(20, 18);
        LineTo(2, 28);
        ClosePoly();
        PaintPoly(poly);
        KillPoly(poly);
    };
    const std::vector<bool> ovalPixels = ShapePixels(kW, kH, paintOval);
    const std::vector<bool> polyPixels = ShapePixels(kW, kH, paintPoly);
    // Every handle's data flush against a page that cannot be touched: the expansion's temporary
    // PixMaps and tables of one, two and four bits fault at the first byte written past them.
    const Boolean guarded = GuardHandleData(true);

    // Each pattern owns the table it is given; these two give the expected colours.
    CTabHandle eightBit = GetCTable(8);
    CTabHandle four = FourColourTable();
    const RGBColor rgbColour = {0xCCCC, 0x6666, 0x3333}; // a colour of the palette: GDI keeps it everywhere
    struct PatternCase {
        const char *name;
        std::function<PixPatHandle()> make;
        bool large;
    };
    const PatternCase patterns[] = {
        {"16x16 8-bit", [&] { return MakePixelPattern(16, 8, GetCTable(8), Distinct, 16); }, true},
        {"16x16 2-bit", [&] { return MakePixelPattern(16, 2, FourColourTable(), FourColours, 16); }, true},
        {"8x8 8-bit", [&] { return MakePixelPattern(8, 8, GetCTable(8), Distinct, 8); }, false},
        {"RGB", [&] {
             PixPatHandle pp = NewPixPat();
             MakeRGBPat(pp, &rgbColour);
             return pp;
         }, false},
        {"short 16x16", [&] { return MakePixelPattern(16, 8, GetCTable(8), Distinct, 5); }, true},
    };
    const RGBColor red = {0xFFFF, 0, 0}, yellow = {0xFFFF, 0xFFFF, 0}, dest = {0x3030, 0xC0C0, 0x9090};
    const COLORREF destColour = RGB(0x30, 0xC0, 0x90);
    const int16_t modes[] = {patCopy, patOr, patXor, notPatCopy, kAdMax};

    for (const PatternCase &pc : patterns) {
        PixPatHandle pp = pc.make();
        // The pattern's own pixel at (x, y) of the port's grid.
        auto patternPixel = [&](int x, int y) -> COLORREF {
            const PixPat &p = **pp;
            if (p.patType == 2)
                return RGB(0xCC, 0x66, 0x33);
            if (std::string(pc.name) == "short 16x16") {
                const bool fore = (p.pat1Data.pat[y % 8] >> (7 - x % 8)) & 1;
                return fore ? RGB(255, 0, 0) : RGB(255, 255, 0);
            }
            if ((**p.patMap).pixelSize == 2)
                return EntryColour(four, FourColours(x % 16, y % 16));
            const int size = (**p.patMap).bounds.right;
            return EntryColour(eightBit, Distinct(x % size, y % size));
        };
        for (int16_t mode : modes)
            for (int shape = 0; shape < 2; ++shape)
                for (int world = 0; world < 2; ++world) {
                    const std::vector<bool> &inside = shape ? polyPixels : ovalPixels;
                    DibPort port(kW, kH, destColour);
                    GWorldPtr gw = nullptr;
                    const Rect bounds = {0, 0, kH, kW};
                    if (world) {
                        ASSERT_EQ(NewGWorld(&gw, 32, &bounds, nullptr, nullptr, 0), 0);
                        SetGWorld(gw, nullptr);
                        RGBForeColor(&dest);
                        PaintRect(&bounds);
                    } else {
                        SetPor(port.port());
                    }
                    // GDI may give the painted background a palette colour: the destination as it is.
                    const COLORREF destination = world ? WorldPixel(gw, 0, 0) : destColour;
                    RGBForeColor(&red);
                    RGBBackColor(&yellow);
                    PenPixPat(pp);
                    PenMode(mode);
                    const uint32_t before = ShapesDrawnThroughMask();
                    ZEL_SetFlags(0, 0, kMaskEmulation, kMaskEmulation);
                    shape ? paintPoly() : paintOval();
                    ZEL_SetFlags(0, 0, kMaskEmulation, 0);
                    const bool masked = ShapesDrawnThroughMask() != before;
                    std::string misses;
                    char first[80] = "";
                    for (int y = 0; y < kH; ++y)
                        for (int x = 0; x < kW; ++x) {
                            const COLORREF want =
                                inside[y * kW + x] ? Combine(mode, destination, patternPixel(x, y)) : destination;
                            const COLORREF got = world ? WorldPixel(gw, x, y) : port.surface().Pixel(x, y);
                            if (got != want && !first[0])
                                std::snprintf(first, sizeof first, "(%d, %d) is %06lX, not %06lX", x, y,
                                              static_cast<unsigned long>(got), static_cast<unsigned long>(want));
                            misses += got == want ? '.' : 'X';
                            if (x == kW - 1)
                                misses += '\n';
                        }
                    const std::string what = std::string(pc.name) + (shape ? " polygon" : " oval") + " mode " +
                                             std::to_string(mode) + (world ? " GWorld" : " DIB port");
                    EXPECT_EQ(masked, pc.large || mode != patCopy) << what;
                    EXPECT_EQ(misses.find('X'), std::string::npos) << what << ": " << first << "\n" << misses;
                    GivePenBack();
                    if (world) {
                        SetGWorld(reinterpret_cast<CGrafPtr>(testing_support::WindowManagerPort()), nullptr);
                        DisposeGWorld(gw);
                    }
                    SetPor(testing_support::WindowManagerPort());
                }
        DisposePixPat(pp);
    }
    GuardHandleData(guarded);
    DisposeCTable(eightBit);
    DisposeCTable(four);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

// In a window after SetOrigin to negative coordinates, a rectangle across the origin painted with a
// large pattern through the mask: each pixel is the pattern's at its local coordinates on the grid
// rounded down, and nothing outside changes.
TEST_F(PatternFillTest, LargePatternsInAWindowFollowTheOrigin)
{
    constexpr int kW = 64, kH = 48;
    HWND window = CreateDrawingWindow(kW, kH);
    if (!window)
        GTEST_SKIP() << "no display";
    CTabHandle table = GetCTable(8);
    PixPatHandle pp = MakePixelPattern(16, 8, table, Distinct, 16);
    {
        WindowColorPort port(window);
        SetPor(port.port());
        HBRUSH fill = CreateSolidBrush(RGB(1, 2, 3));
        const RECT all = {0, 0, kW, kH};
        FillRect(port.dc(), &all, fill);
        DeleteObject(fill);
        SetOrigin(-37, -11);
        PenPixPat(pp);
        const Rect across = {-5, -9, 21, 30};
        const uint32_t before = ShapesDrawnThroughMask();
        ZEL_SetFlags(0, 0, kMaskEmulation, kMaskEmulation);
        PaintRect(&across);
        ZEL_SetFlags(0, 0, kMaskEmulation, 0);
        EXPECT_EQ(ShapesDrawnThroughMask(), before + 1);
        GdiFlush();
        HDC probe = GetDC(window); // the client area's own coordinates, whatever the port's DC was given
        const std::string misses = testing_support::PixelMisses(probe, 0, 0, kW, kH, [&](int x, int y) {
            const int lx = x - 37, ly = y - 11;
            const bool in = lx >= across.left && lx < across.right && ly >= across.top && ly < across.bottom;
            return in ? EntryColour(table, Distinct(FloorMod(lx, 16), FloorMod(ly, 16))) : RGB(1, 2, 3);
        });
        ReleaseDC(window, probe);
        EXPECT_EQ(misses, "");
        SetOrigin(0, 0);
        GivePenBack();
    }
    DestroyWindow(window);
    DisposePixPat(pp);
}

} // namespace

// Fills with full pixel patterns: tiles on the port's own grid (adjacent fills join, the tiling follows
// the port's origin, negative coordinates included), patterns whose data are short, and 2-bit pixel
// patterns painted through their brush.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
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

uint8_t TwoBit(int x, int y) { return static_cast<uint8_t>((x / 2 + y) & 3); }

TEST_F(PatternFillTest, TwoBitPixelPatternsPaintTheirFourColours)
{
    CTabHandle table = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 4 * sizeof(ColorSpec)));
    (*table)->ctSeed = GetCTSeed();
    (*table)->ctSize = 3;
    const RGBColor colours[4] = {{0xFFFF, 0xFFFF, 0xFFFF}, {0xFFFF, 0, 0}, {0, 0x8000, 0}, {0, 0, 0xFFFF}};
    for (int i = 0; i < 4; ++i)
        (*table)->ctTable[i] = ColorSpec{static_cast<int16_t>(i), colours[i]};
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
    PenNormal();
    SetPor(testing_support::WindowManagerPort());
    DisposePixPat(pp);
}

} // namespace

// Colour objects from resources: a 'ppat' of 8 x 8 pixels in 4 colours painted into a DIB section,
// tiled from the port's origin; a 'clut' copied with its id as seed; a 'cicn' split into its parts;
// short resources, whose offsets or sizes run past their end, give nil. The resources are written as
// a Macintosh fork file (big-endian) and opened through the Resource Manager.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Icons.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "Resources.h"
#include "fork_layout.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;
using fork_layout::Bytes;
using fork_layout::FourCC;

namespace {

void Put16(Bytes &b, int16_t v)
{
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
void Put32(Bytes &b, uint32_t v)
{
    Put16(b, static_cast<int16_t>(v >> 16));
    Put16(b, static_cast<int16_t>(v));
}

const RGBColor kColours[4] = {{0xFFFF, 0, 0}, {0, 0xFFFF, 0}, {0, 0, 0xFFFF}, {0xFFFF, 0xFFFF, 0xFFFF}};

void PutColorTable(Bytes &b, uint32_t seed)
{
    Put32(b, seed);
    Put16(b, 0);
    Put16(b, 3);
    for (int i = 0; i < 4; ++i) {
        Put16(b, static_cast<int16_t>(i));
        Put16(b, static_cast<int16_t>(kColours[i].red));
        Put16(b, static_cast<int16_t>(kColours[i].green));
        Put16(b, static_cast<int16_t>(kColours[i].blue));
    }
}

// The 50 published bytes of a PixMap of 8 x 8 pixels of `depth` bits whose colour table is at
// `tableAt`.
void PutPixMap(Bytes &b, uint32_t tableAt, int16_t depth)
{
    const int16_t rowBytes = static_cast<int16_t>(depth);
    Put32(b, 0);
    Put16(b, static_cast<int16_t>(0x8000 | rowBytes));
    for (int16_t v : {0, 0, 8, 8})
        Put16(b, v);
    Put16(b, 0);
    Put16(b, 0);
    Put32(b, 0);
    Put32(b, 72 << 16);
    Put32(b, 72 << 16);
    for (int16_t v : {int16_t(0), depth, int16_t(1), depth})
        Put16(b, v);
    Put32(b, 0);
    Put32(b, tableAt);
    Put32(b, 0);
}

// Pixel (x, y) of the pattern has colour (x + y) mod 4: two bits a pixel (the first pixel highest) or
// a byte a pixel.
Bytes PatternRows(int depth)
{
    Bytes rows;
    for (int y = 0; y < 8; ++y) {
        if (depth == 8) {
            for (int x = 0; x < 8; ++x)
                rows.push_back(static_cast<uint8_t>((x + y) % 4));
            continue;
        }
        for (int half = 0; half < 2; ++half) {
            uint8_t byte = 0;
            for (int i = 0; i < 4; ++i)
                byte = static_cast<uint8_t>(byte | (((half * 4 + i + y) % 4) << (6 - 2 * i)));
            rows.push_back(byte);
        }
    }
    return rows;
}

// A 'ppat' of 8-bit pixels: its 28-byte header, the PixMap at 28, the pixel rows at 78, the colour
// table at 142.
Bytes PixPatResource(uint32_t dataAt = 78, uint32_t tableAt = 142)
{
    Bytes b;
    Put16(b, 1);
    Put32(b, 28);
    Put32(b, dataAt);
    Put32(b, 0);
    Put16(b, -1);
    Put32(b, 0);
    for (int i = 0; i < 8; ++i)
        b.push_back(0xAA);
    PutPixMap(b, tableAt, 8);
    Bytes rows = PatternRows(8);
    b.insert(b.end(), rows.begin(), rows.end());
    PutColorTable(b, 1234);
    return b;
}

// A 'cicn' of 8 x 8: PixMap, mask and one-bit BitMaps, data handle, the mask and bitmap rows (1 byte
// each a row), then the colour table and the pixel rows.
Bytes ColorIconResource()
{
    Bytes b;
    PutPixMap(b, 0, 2);
    for (int m = 0; m < 2; ++m) {
        Put32(b, 0);
        Put16(b, 1);
        for (int16_t v : {0, 0, 8, 8})
            Put16(b, v);
    }
    Put32(b, 0);
    for (int i = 0; i < 8; ++i)
        b.push_back(0xF0); // mask rows
    for (int i = 0; i < 8; ++i)
        b.push_back(0x0F); // bitmap rows
    PutColorTable(b, 99);
    Bytes rows = PatternRows(2);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

class ColorResources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawGlobals();
        Bytes shortPat = PixPatResource();
        shortPat.resize(160); // the colour table is cut off
        Bytes farPat = PixPatResource(4000, 142);
        Bytes icon = ColorIconResource();
        Bytes shortIcon(icon.begin(), icon.end() - 20);
        // The pixel map's rowBytes with the colour-port flag (bit 14) set beside the PixMap bit.
        Bytes portFlagIcon = icon;
        portFlagIcon[4] |= 0x40;
        Bytes clut;
        PutColorTable(clut, 777);
        Bytes shortClut(clut.begin(), clut.begin() + 20);
        const std::string path = ProgramDirectory() + "Colours.rsr";
        fork_layout::WriteFileBytes(path, fork_layout::BuildFork({
                                              {FourCC("ppat"), 128, 0, false, {}, PixPatResource()},
                                              {FourCC("ppat"), 129, 0, false, {}, shortPat},
                                              {FourCC("ppat"), 130, 0, false, {}, farPat},
                                              {FourCC("cicn"), 128, 0, false, {}, icon},
                                              {FourCC("cicn"), 129, 0, false, {}, shortIcon},
                                              {FourCC("cicn"), 130, 0, false, {}, portFlagIcon},
                                              {FourCC("clut"), 200, 0, false, {}, clut},
                                              {FourCC("clut"), 201, 0, false, {}, shortClut},
                                          }));
        sRef = OpenResFile(P(path.c_str()).c_str());
        // As after ZEL_InitGlobals: resources are loaded when got.
        SetResLoad(true);
    }
    static void TearDownTestSuite()
    {
        if (sRef > 0)
            CloseResFile(sRef);
    }
    void SetUp() override
    {
        ASSERT_GT(sRef, 0) << "the test fork did not open";
        UseResFile(sRef);
    }
    static int16_t sRef;
};
int16_t ColorResources::sRef = -1;

TEST_F(ColorResources, PixelPatternPaintsTiledFromThePortOrigin)
{
    PixPatHandle pp = GetPixPat(128);
    ASSERT_NE(pp, nullptr);
    EXPECT_EQ((*pp)->patType, 1);
    EXPECT_EQ((*pp)->patXValid, -1);
    EXPECT_EQ((*pp)->pat1Data.pat[0], 0xAA);
    const PixMap &map = **(*pp)->patMap;
    EXPECT_EQ(map.pixelSize, 8);
    EXPECT_EQ(map.bounds.right, 8);
    ASSERT_NE(map.pmTable, nullptr);
    EXPECT_EQ((*map.pmTable)->ctSize, 3);
    EXPECT_EQ(GetHandleSize((*pp)->patData), 64);

    DibPort port(24, 20);
    SetPor(port.port());
    const Rect r{2, 3, 18, 21};
    // Painted as the pen's pattern: FillCRect tiles a pixel pattern's image through StdBits.
    PenPixPat(pp);
    PaintRect(&r);
    PenNormal();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x) {
            bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            const RGBColor &c = kColours[(x + y) % 4];
            COLORREF want = inside ? RGB(c.red >> 8, c.green >> 8, c.blue >> 8) : RGB(255, 255, 255);
            if (port.surface().Pixel(x, y) != want) {
                std::string map;
                for (int yy = 0; yy < 20; ++yy, map += '\n')
                    for (int xx = 0; xx < 24; ++xx) {
                        COLORREF p = port.surface().Pixel(xx, yy);
                        map += p == RGB(255, 0, 0) ? 'R' : p == RGB(0, 255, 0) ? 'G' : p == RGB(0, 0, 255) ? 'B' : p == RGB(255, 255, 255) ? '.' : '?';
                    }
                FAIL() << x << "," << y << "\n" << map;
            }
        }
    SetPor(WindowManagerPort());
    DisposePixPat(pp);
}

TEST_F(ColorResources, ShortResourcesGiveNil)
{
    EXPECT_EQ(GetPixPat(129), nullptr) << "colour table past the end";
    EXPECT_EQ(GetPixPat(130), nullptr) << "pixel data offset past the end";
    EXPECT_EQ(GetCIcon(129), nullptr) << "pixel rows past the end";
    EXPECT_EQ(GetCTable(201), nullptr) << "entries past the end";
}

TEST_F(ColorResources, ColourTableIsCopiedWithItsIdAsSeed)
{
    CTabHandle ct = GetCTable(200);
    ASSERT_NE(ct, nullptr);
    EXPECT_EQ((*ct)->ctSeed, 200u);
    EXPECT_EQ((*ct)->ctSize, 3);
    EXPECT_EQ((*ct)->ctTable[2].rgb.blue, 0xFFFF);
    CTabHandle again = GetCTable(200);
    EXPECT_NE(again, ct) << "a copy each time";
    DisposeCTable(again);
    DisposeCTable(ct);
}

TEST_F(ColorResources, ColourIconIsSplitIntoItsParts)
{
    CIconHandle icon = GetCIcon(128);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(icon)), 82 + 16) << "header, mask and bitmap rows";
    const CIcon &ci = **icon;
    ASSERT_NE(ci.iconPMap.pmTable, nullptr);
    EXPECT_EQ((*ci.iconPMap.pmTable)->ctSize, 3);
    ASSERT_NE(ci.iconData, nullptr);
    EXPECT_EQ(GetHandleSize(ci.iconData), 16);
    EXPECT_EQ(std::memcmp(*ci.iconData, PatternRows(2).data(), 16), 0);
    const uint8_t *rows = reinterpret_cast<const uint8_t *>(*icon) + 82;
    EXPECT_EQ(reinterpret_cast<const uint8_t *>(ci.iconMask.baseAddr), rows);
    EXPECT_EQ(reinterpret_cast<const uint8_t *>(ci.iconBMap.baseAddr), rows + 8);
    EXPECT_EQ(rows[0], 0xF0);
    EXPECT_EQ(rows[8], 0x0F);
    DisposeCIcon(icon);
}

// A stored icon's maps are pixel maps: flag bits beyond the PixMap bit in its rowBytes are dropped, so
// the plot never takes the map for a colour port and follows its pixel bytes as a handle.
TEST_F(ColorResources, ColourIconRowBytesFlagsAreMasked)
{
    CIconHandle plain = GetCIcon(128), flagged = GetCIcon(130);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(flagged, nullptr);
    EXPECT_EQ(static_cast<uint16_t>((*flagged)->iconPMap.rowBytes), 0x8002);
    const Rect r{1, 1, 9, 9};
    DibPort want(10, 10), got(10, 10);
    SetPor(want.port());
    PlotCIcon(&r, plain);
    SetPor(got.port());
    PlotCIcon(&r, flagged);
    SetPor(WindowManagerPort());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(got.surface().Pixel(x, y), want.surface().Pixel(x, y)) << x << "," << y;
    EXPECT_NE(want.surface().Pixel(5, 5), RGB(255, 255, 255)) << "the icon was drawn";
    DisposeCIcon(plain);
    DisposeCIcon(flagged);
}

} // namespace

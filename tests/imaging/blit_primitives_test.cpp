// CopyBits' blit primitives through the library: argument views, the DC of a small baseAddr, blits and
// DIB transfers in transparent mode under port colours other than black on white, colour reductions,
// and grabbing a DC's pixels into a temporary PixMap.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::DibSurface;
using testing_support::QuickDrawTest;

class BlitPrimitives : public QuickDrawTest {};

const COLORREF kKey = RGB(0x20, 0x40, 0x60); // the colour transparent mode leaves out
const COLORREF kRed = RGB(255, 0, 0), kYellow = RGB(255, 255, 0), kBlue = RGB(0, 0, 255),
               kGreen = RGB(0, 160, 0), kGrey = RGB(0x80, 0x80, 0x80);

// The source of the transparent cases: the key colour in a checker of 2 x 1 cells, other cells in
// colours that vary with the position.
COLORREF SourceColour(int x, int y)
{
    if ((x / 2 + y) % 2 == 0)
        return kKey;
    return RGB(40 * x % 256, 60 * y % 256, 200);
}

// The destination before a transfer: vertical stripes.
COLORREF Backdrop(int x, int) { return x % 3 == 0 ? kGreen : kGrey; }

void Paint(DibSurface &s, COLORREF (*colour)(int, int))
{
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            SetPixel(s.dc(), x, y, colour(x, y));
}

// Counts the pixels that differ from `want(x, y)` and draws a map of them.
template <typename Want> int Differences(const DibSurface &s, Want want, std::string *map)
{
    int wrong = 0;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            bool same = s.Pixel(x, y) == want(x, y);
            wrong += !same;
            *map += same ? '.' : 'X';
        }
        *map += '\n';
    }
    return wrong;
}

// A 32-bit top-down DIB in memory.
struct MemoryDib {
    BITMAPINFO info{};
    std::vector<uint32_t> bits;
    MemoryDib(int width, int height, COLORREF (*colour)(int, int))
    {
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        bits.resize(width * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                COLORREF c = colour(x, y);
                bits[y * width + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
            }
    }
};

TEST_F(BlitPrimitives, TransparentBlitBetweenDCsUnderPortColours)
{
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        DibSurface src(8, 4);
        Paint(src, SourceColour);
        SetBkColor(src.dc(), kKey);
        DibSurface dst(8 * scale, 4 * scale);
        Paint(dst, Backdrop);
        // The port's colours, red on yellow, are what CopyBits leaves in the destination DC.
        SetTextColor(dst.dc(), kRed);
        SetBkColor(dst.dc(), kYellow);
        ASSERT_TRUE(BlitDcWithMode(dst.dc(), 0, 0, 8 * scale, 4 * scale, src.dc(), 0, 0, 8, 4, 36, SRCCOPY));
        std::string map;
        auto want = [&](int x, int y) {
            COLORREF s = SourceColour(x / scale, y / scale);
            return s == kKey ? Backdrop(x, y) : s;
        };
        EXPECT_EQ(Differences(dst, want, &map), 0) << map;
        EXPECT_EQ(GetTextColor(dst.dc()), kRed);
        EXPECT_EQ(GetBkColor(dst.dc()), kYellow);
    }
}

TEST_F(BlitPrimitives, TransparentDibsLeaveThePortsBackgroundColour)
{
    DibPort port(8, 4);
    SetPor(port.port());
    const RGBColor key = {0x2020, 0x4040, 0x6060};
    RGBBackColor(&key);
    testing_support::TakeDebugMessages();

    // A direct DIB: no colour table to rewrite.
    MemoryDib direct(8, 4, SourceColour);
    Paint(port.surface(), Backdrop);
    StretchDibWithMode(port.surface().dc(), 0, 0, 8, 4, 0, 0, 8, 4, direct.bits.data(), &direct.info,
                       DIB_RGB_COLORS, 36, SRCCOPY);
    std::string map;
    auto want = [](int x, int y) {
        COLORREF s = SourceColour(x, y);
        return s == kKey ? Backdrop(x, y) : s;
    };
    EXPECT_EQ(Differences(port.surface(), want, &map), 0) << map;
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());

    // An 8-bit DIB whose entry 1 is the background colour: its table comes back as it was.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[3];
    } indexed = {};
    indexed.header = direct.info.bmiHeader;
    indexed.header.biBitCount = 8;
    indexed.header.biClrUsed = 3;
    indexed.colors[0] = {0, 0, 255, 0};
    indexed.colors[1] = {0x60, 0x40, 0x20, 0};
    indexed.colors[2] = {255, 0, 0, 0};
    uint8_t pixels[4][8];
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            pixels[y][x] = static_cast<uint8_t>((x + y) % 3);
    const auto savedColors = indexed;
    Paint(port.surface(), Backdrop);
    StretchDibWithMode(port.surface().dc(), 0, 0, 8, 4, 0, 0, 8, 4, pixels,
                       reinterpret_cast<BITMAPINFO *>(&indexed), DIB_RGB_COLORS, 36, SRCCOPY);
    const COLORREF entry[3] = {kRed, kKey, kBlue};
    map.clear();
    auto wantIndexed = [&](int x, int y) {
        int i = (x + y) % 3;
        return i == 1 ? Backdrop(x, y) : entry[i];
    };
    EXPECT_EQ(Differences(port.surface(), wantIndexed, &map), 0) << map;
    EXPECT_EQ(std::memcmp(&indexed, &savedColors, sizeof indexed), 0);
}

TEST_F(BlitPrimitives, ColourReductionsKeepSourceColours)
{
    // Alternating red and blue columns halved: every pixel is one of the two, none darker.
    auto columns = [](int x, int) { return x % 2 ? kRed : kBlue; };
    MemoryDib dib(16, 2, columns);
    DibSurface fromDib(8, 2, kGrey);
    ASSERT_EQ(GetStretchBltMode(fromDib.dc()), BLACKONWHITE);
    StretchDibWithMode(fromDib.dc(), 0, 0, 8, 2, 0, 0, 16, 2, dib.bits.data(), &dib.info, DIB_RGB_COLORS, 0,
                       SRCCOPY);
    DibSurface source(16, 2);
    Paint(source, columns);
    DibSurface fromDc(8, 2, kGrey);
    BitBltOrStretch(fromDc.dc(), 0, 0, 8, 2, source.dc(), 0, 0, 16, 2, SRCCOPY);
    for (DibSurface *s : {&fromDib, &fromDc}) {
        for (int x = 0; x < 8; ++x) {
            COLORREF c = s->Pixel(x, 0);
            EXPECT_TRUE(c == kRed || c == kBlue) << "x " << x << " colour " << std::hex << c;
        }
        EXPECT_EQ(GetStretchBltMode(s->dc()), BLACKONWHITE) << "the DC's own mode comes back";
    }
}

TEST_F(BlitPrimitives, ViewsOfBitMapsAndPixMaps)
{
    uint8_t rows[4] = {};
    BitMap bitmap = {reinterpret_cast<Ptr>(rows), 2, {0, 0, 2, 16}};
    PixMap view;
    PixMap *v = GetPixMapView(&bitmap, &view);
    ASSERT_EQ(v, &view);
    EXPECT_EQ(static_cast<uint16_t>(v->rowBytes), 0x8002u);
    EXPECT_EQ(v->pixelSize, 1);
    EXPECT_EQ(v->cmpCount, 1);
    EXPECT_EQ(static_cast<uint16_t>(v->pmVersion), 0xC000u);
    EXPECT_EQ(v->pmExtFlags, pmExtOwnRows);
    ASSERT_NE(v->pmTable, nullptr) << "the default one-bit table";
    EXPECT_EQ((*v->pmTable)->ctSize, 1);

    // A slot index with no registered PixMap is described as a BitMap.
    BitMap slot = {reinterpret_cast<Ptr>(5), 2, {0, 0, 2, 16}};
    EXPECT_EQ(GetPixMapView(&slot, &view), &view);

    PixMap plain = {};
    plain.baseAddr = reinterpret_cast<Ptr>(rows);
    plain.rowBytes = static_cast<int16_t>(0x8004);
    plain.bounds = {0, 0, 1, 1};
    plain.pixelSize = 32;
    plain.pmExtFlags = 0x7777; // past the published 50 bytes: not copied
    v = GetPixMapView(reinterpret_cast<BitMap *>(&plain), &view);
    ASSERT_EQ(v, &view);
    EXPECT_EQ(v->pixelSize, 32);
    EXPECT_EQ(v->pmExtFlags, pmExtOwnRows);

    PixMap extended = plain;
    extended.pmVersion = static_cast<int16_t>(0xC000);
    EXPECT_EQ(GetPixMapView(reinterpret_cast<BitMap *>(&extended), &view), &extended);

    for (int16_t depth : {0, 3, 64}) {
        plain.pixelSize = depth;
        extended.pixelSize = depth;
        EXPECT_EQ(GetPixMapView(reinterpret_cast<BitMap *>(&plain), &view), nullptr) << depth;
        EXPECT_EQ(GetPixMapView(reinterpret_cast<BitMap *>(&extended), &view), nullptr) << depth;
    }
}

TEST_F(BlitPrimitives, DeviceContextsOfSmallBaseAddresses)
{
    DibPort port(4, 4);
    SetPor(port.port());
    HDC current = port.surface().dc();
    DibPort other(4, 4);
    SetPor(port.port());
    int index = static_cast<int>(reinterpret_cast<uintptr_t>((*other.cport()->portPixMap)->baseAddr) & 0x7FFF);
    ASSERT_GT(index, 0) << "the port's PixMap names its PortDCTable entry";
    EXPECT_EQ(GetBitsDC(reinterpret_cast<Ptr>(0x8000 | index)), other.surface().dc());
    EXPECT_EQ(GetBitsDC(reinterpret_cast<Ptr>(0x8000 | 250)), current) << "an entry without a DC";
    EXPECT_EQ(GetBitsDC(reinterpret_cast<Ptr>(0x7FFF)), current);
    EXPECT_EQ(GetBitsDC(reinterpret_cast<Ptr>(7)), current) << "a slot in no use";
    EXPECT_EQ(GetBitsDC(reinterpret_cast<Ptr>(0x123456)), current);
}

TEST_F(BlitPrimitives, GrabAreaOfADeviceContext)
{
    DibSurface source(8, 6);
    Paint(source, SourceColour);
    PixMap view = {};
    view.rowBytes = static_cast<int16_t>(0x8000 | 32);
    view.pixelSize = 32;
    view.pixelType = 16;
    view.cmpCount = 3;
    view.cmpSize = 8;
    view.pmTable = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 8));
    PixMapHandle grabbed = GrabScreenBits(&view, Point{1, 2}, Point{5, 7}, source.dc());
    ASSERT_NE(grabbed, nullptr);
    const PixMap &pm = **grabbed;
    EXPECT_EQ(pm.bounds.top, 1);
    EXPECT_EQ(pm.bounds.left, 2);
    EXPECT_EQ(pm.bounds.bottom, 5);
    EXPECT_EQ(pm.bounds.right, 7);
    EXPECT_NE(pm.pmTable, view.pmTable) << "a colour table of its own";
    ASSERT_NE(pm.pmExtBitmap, nullptr);
    HDC dc = CreateCompatibleDC(source.dc());
    HGDIOBJ old = SelectObject(dc, pm.pmExtBitmap);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(GetPixel(dc, x, y), SourceColour(x + 2, y + 1)) << x << "," << y;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(pm.pmExtBitmap);
    DisposeHandle(reinterpret_cast<Handle>(pm.pmTable));
    DisposeHandle(reinterpret_cast<Handle>(grabbed));

    // A bitmap too large to make: nothing.
    EXPECT_EQ(GrabScreenBits(&view, Point{0, 0}, Point{30000, 30000}, source.dc()), nullptr);
    DisposeHandle(reinterpret_cast<Handle>(view.pmTable));
}

} // namespace

// The screen-write layer through the library: DIB PixMaps (laid out as the library keeps them) drawn
// onto a window and onto ports' DCs, DIB engine sections, and the cases that must draw nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {

using testing_support::DibPort;
using testing_support::PixelMisses;
using testing_support::QuickDrawTest;

class ScreenWrite : public QuickDrawTest {};

// Distinct colours per pixel.
COLORREF Colour(int x, int y) { return RGB(30 * x + 10, 40 * y + 20, (x * 7 + y * 13) * 5 % 256); }

// A PixMap whose pixels are a DIB the library keeps in pmExtDib: 24-bit, or 32-bit with the standard
// BI_BITFIELDS masks; bottom-up or top-down; bounds at (top, left).
struct DibPixMap {
    PixMapHandle pm;
    DibPixMap(int width, int height, int bits, bool topDown, int16_t top = 0, int16_t left = 0)
    {
        pm = NewPixMap();
        const bool fields = bits == 32;
        const int stride = bits == 24 ? (3 * width + 3) & ~3 : 4 * width;
        const Size headerBytes = sizeof(BITMAPINFOHEADER) + (fields ? 12 : 0);
        Handle dib = NewHandleClear(headerBytes + stride * height);
        HLock(dib);
        auto *h = reinterpret_cast<BITMAPINFOHEADER *>(*dib);
        h->biSize = sizeof *h;
        h->biWidth = width;
        h->biHeight = topDown ? -height : height;
        h->biPlanes = 1;
        h->biBitCount = static_cast<WORD>(bits);
        h->biCompression = fields ? BI_BITFIELDS : BI_RGB;
        if (fields) {
            const DWORD masks[3] = {0xFF0000, 0xFF00, 0xFF};
            std::memcpy(*dib + sizeof *h, masks, sizeof masks);
        }
        uint8_t *rows = reinterpret_cast<uint8_t *>(*dib) + headerBytes;
        for (int y = 0; y < height; ++y) {
            uint8_t *row = rows + stride * (topDown ? y : height - 1 - y);
            for (int x = 0; x < width; ++x) {
                COLORREF c = Colour(x, y);
                uint8_t *p = row + x * (bits / 8);
                p[0] = GetBValue(c);
                p[1] = GetGValue(c);
                p[2] = GetRValue(c);
            }
        }
        PixMap &m = **pm;
        m.bounds = {top, left, static_cast<int16_t>(top + height), static_cast<int16_t>(left + width)};
        m.pmExtDib = dib;
        m.pmExtDibBits = reinterpret_cast<Ptr>(rows);
        m.pmExtFlags |= pmExtDibAttached;
    }
    ~DibPixMap() { DisposePixMap(pm); }
    PixMap *map() { return *pm; }
};

// Runs first in this program: a host's first ZEL_DSSimple copies (no raster operation stored yet).
TEST_F(ScreenWrite, DibsLandOnAWindowPixelForPixel)
{
    HWND window = testing_support::CreateDrawingWindow(60, 40, true);
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    CGrafPort port;
    OpenPortForHDC(&port, dc);
    struct Case {
        int bits;
        bool topDown;
        const char *what;
    };
    const Case cases[] = {{24, false, "24-bit bottom-up"}, {24, true, "24-bit top-down"},
                          {32, false, "32-bit BITFIELDS bottom-up"}, {32, true, "32-bit BITFIELDS top-down"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DibPixMap dib(5, 3, c.bits, c.topDown, 10, 20);
        PatBlt(dc, 0, 0, 60, 40, WHITENESS);
        ZEL_DSSimple(dib.map(), Rect{10, 20, 13, 25}, Rect{2, 4, 5, 9}, nullptr);
        EXPECT_EQ(PixelMisses(dc, 4, 2, 5, 3, Colour), "");
        // An enlargement by 3 is nearest neighbour.
        ZEL_DSSimple(dib.map(), Rect{10, 20, 13, 25}, Rect{10, 10, 19, 25}, nullptr);
        EXPECT_EQ(PixelMisses(dc, 10, 10, 15, 9, [](int x, int y) { return Colour(x / 3, y / 3); }), "");
        // A sub-rectangle: the middle row's last three pixels.
        PatBlt(dc, 30, 2, 3, 1, WHITENESS);
        ZEL_DSSimple(dib.map(), Rect{11, 22, 12, 25}, Rect{2, 30, 3, 33}, nullptr);
        EXPECT_EQ(PixelMisses(dc, 30, 2, 3, 1, [](int x, int) { return Colour(x + 2, 1); }), "");
    }
    ClosePort(reinterpret_cast<GrafPtr>(&port));
    ReleaseDC(window, dc);
    DestroyWindow(window);
}

TEST_F(ScreenWrite, RowsBelowTheClipStay)
{
    DibPort port(8, 8, RGB(255, 255, 255));
    SetPor(port.port());
    HDC dc = port.surface().dc();
    HRGN clip = CreateRectRgn(0, 0, 8, 5);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);
    for (uint32_t toScreen : {0u, 1u}) {
        SCOPED_TRACE(toScreen);
        port.surface().Fill(RGB(255, 255, 255));
        ZEL_NextWriteIsToScreen(toScreen); // with 0 same-size copies of bottom-up DIBs take SetDIBitsToDevice
        DibPixMap dib(8, 8, 32, false);
        ZEL_DSSimple(dib.map(), Rect{0, 0, 8, 8}, Rect{0, 0, 8, 8}, nullptr);
        EXPECT_EQ(PixelMisses(dc, 0, 0, 8, 8, [](int x, int y) { return y < 5 ? Colour(x, y) : RGB(255, 255, 255); }),
                  "");
    }
    SelectClipRgn(dc, nullptr);
    ZEL_NextWriteIsToScreen(0);
}

TEST_F(ScreenWrite, NothingIsDrawnForWhatCannotBeDrawn)
{
    DibPort port(8, 8, RGB(255, 255, 255));
    SetPor(port.port());
    HDC dc = port.surface().dc();
    auto untouched = [&] { return PixelMisses(dc, 0, 0, 8, 8, [](int, int) { return RGB(255, 255, 255); }); };
    DibPixMap dib(4, 4, 32, true);
    ZEL_DSSimple(dib.map(), Rect{0, 0, 0, 4}, Rect{0, 0, 4, 4}, nullptr);
    ZEL_DSSimple(dib.map(), Rect{0, 0, 4, 4}, Rect{0, 4, 4, 2}, nullptr);
    ZEL_DSSimple(nullptr, Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}, nullptr);
    ZEL_DSNotSimple(nullptr, nullptr, Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}, 0, nullptr, 0, nullptr);
    EXPECT_EQ(untouched(), "");

    DibPixMap noDib(4, 4, 32, true);
    (*noDib.pm)->pmExtFlags &= ~pmExtDibAttached;
    ZEL_DSSimple(noDib.map(), Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}, nullptr);
    (*noDib.pm)->pmExtFlags |= pmExtDibAttached;
    DibPixMap badHeader(4, 4, 32, true);
    reinterpret_cast<BITMAPINFOHEADER *>(*(*badHeader.pm)->pmExtDib)->biBitCount = 7;
    ZEL_DSSimple(badHeader.map(), Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}, nullptr);
    DibPixMap rle(4, 4, 32, true);
    reinterpret_cast<BITMAPINFOHEADER *>(*(*rle.pm)->pmExtDib)->biCompression = BI_RLE8;
    ZEL_DSSimple(rle.map(), Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}, nullptr);
    EXPECT_EQ(untouched(), "");
}

// The bounds are the host's to write: the rows drawn are counted in the DIB, whatever height they say.
TEST_F(ScreenWrite, TheDibsOwnHeightCounts)
{
    DibPort port(8, 8, RGB(255, 255, 255));
    SetPor(port.port());
    for (uint32_t toScreen : {0u, 1u}) {
        SCOPED_TRACE(toScreen);
        port.surface().Fill(RGB(255, 255, 255));
        ZEL_NextWriteIsToScreen(toScreen);
        DibPixMap dib(8, 4, 32, false);
        (*dib.pm)->bounds.bottom = 100;
        ZEL_DSSimple(dib.map(), Rect{1, 0, 3, 8}, Rect{0, 0, 2, 8}, nullptr);
        EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 8, 2, [](int x, int y) { return Colour(x, y + 1); }), "");
    }
    ZEL_NextWriteIsToScreen(0);
}

TEST_F(ScreenWrite, RectangleMaskClipsACopy)
{
    DibPort port(8, 8, RGB(255, 255, 255));
    SetPor(port.port());
    DibPixMap dib(8, 8, 32, false);
    RgnHandle mask = NewRgn();
    SetRectRg(mask, 2, 1, 6, 4);
    ZEL_DSNotSimple(dib.map(), nullptr, Rect{0, 0, 8, 8}, Rect{0, 0, 8, 8}, 0, nullptr, 0, mask);
    auto inside = [](int x, int y) { return x >= 2 && x < 6 && y >= 1 && y < 4; };
    EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 8, 8,
                     [&](int x, int y) { return inside(x, y) ? Colour(x, y) : RGB(255, 255, 255); }),
              "");
    DisposeRgn(mask);
}

// An engine section, filled through its own DC, drawn after ZEL_NextWriteIsToScreen(1).
void CheckEngineBlits(PixMap *map, int width, int height)
{
    HDC section = map->pmExtDC;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(section, x, y, Colour(x, y));
    auto stored = [&](int x, int y) { return GetPixel(section, x, y); };
    DibPort port(16, 16, RGB(255, 255, 255));
    SetPor(port.port());
    HDC dc = port.surface().dc();
    ZEL_NextWriteIsToScreen(1);
    ZEL_DSSimple(map, Rect{1, 2, 3, 5}, Rect{0, 0, 2, 3}, nullptr);
    EXPECT_EQ(PixelMisses(dc, 0, 0, 3, 2, [&](int x, int y) { return stored(x + 2, y + 1); }), "") << "rows 1 and 2";
    ZEL_NextWriteIsToScreen(1);
    ZEL_DSSimple(map, Rect{0, 0, 2, 3}, Rect{4, 4, 8, 10}, nullptr);
    EXPECT_EQ(PixelMisses(dc, 4, 4, 6, 4, [&](int x, int y) { return stored(x / 2, y / 2); }), "") << "enlarged by 2";
    ZEL_NextWriteIsToScreen(0);
}

TEST_F(ScreenWrite, EngineSectionsInBothOrders)
{
    // Bottom-up: the device's recommended format.
    PixMapHandle pm = NewPixMap();
    (*pm)->bounds = {0, 0, 4, 6};
    ASSERT_TRUE(AttachDibSection(*pm, 6, 4));
    PixMap &m = **pm;
    EXPECT_EQ(m.pmExtFlags & (pmExtDibEngine | pmExtDibAttached), pmExtDibEngine | pmExtDibAttached);
    ASSERT_NE(m.pmExtDC, nullptr);
    EXPECT_NE(m.pmExtDibBits, nullptr);
    const BITMAPINFOHEADER *h = reinterpret_cast<BITMAPINFOHEADER *>(*m.pmExtDib);
    EXPECT_EQ(h->biWidth, 6);
    EXPECT_EQ(h->biHeight, 4);
    if (h->biCompression == BI_BITFIELDS) {
        const DWORD *masks = reinterpret_cast<const DWORD *>(h + 1);
        const bool standard = (masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) ||
                              (masks[0] == 0x7C00 && masks[1] == 0x3E0 && masks[2] == 0x1F);
        EXPECT_TRUE(standard) << std::hex << masks[0] << " " << masks[1] << " " << masks[2];
    }
    CheckEngineBlits(*pm, 6, 4);
    DisposePixMap(pm);

    // Top-down, from a header the PixMap already has: its rows become the section's.
    pm = NewPixMap();
    (*pm)->bounds = {0, 0, 4, 6};
    Handle header = NewHandleClear(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto *t = reinterpret_cast<BITMAPINFOHEADER *>(*header);
    *t = {sizeof *t, 6, -4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    (*pm)->pmExtDib = header;
    // Rows the host gave the PixMap stay the host's.
    std::vector<uint8_t> hostRows(6 * 4 * 4, 0x5A);
    (*pm)->baseAddr = reinterpret_cast<Ptr>(hostRows.data());
    ASSERT_TRUE(AttachDibSection(*pm, 6, 4));
    EXPECT_EQ(hostRows, std::vector<uint8_t>(6 * 4 * 4, 0x5A));
    EXPECT_EQ((*pm)->baseAddr, (*pm)->pmExtDibBits);
    EXPECT_TRUE((*pm)->pmExtFlags & pmExtOwnRows);
    CheckEngineBlits(*pm, 6, 4);
    DisposePixMap(pm);
}

TEST_F(ScreenWrite, AFailedAttachLeavesThePixMapAsItWas)
{
    PixMapHandle pm = NewPixMap();
    PixMap before = **pm;
    EXPECT_FALSE(AttachDibSection(*pm, 30000, 30000));
    EXPECT_EQ(std::memcmp(*pm, &before, sizeof before), 0);
    DisposePixMap(pm);
}

TEST_F(ScreenWrite, EngineSectionsComeAndGoWithoutLeaks)
{
    auto cycle = [] {
        PixMapHandle pm = NewPixMap();
        AttachDibSection(*pm, 16, 16);
        DisposePixMap(pm);
    };
    // FreeMem counts the library's own blocks while a memory limit is on.
    ZEL_SetMemoryLimits(1, 0x40000000, 0, 0);
    cycle();
    const Size before = FreeMem();
    for (int i = 0; i < 1000; ++i)
        cycle();
    EXPECT_EQ(FreeMem(), before);
    EXPECT_EQ(ZEL_MemCheck(), 1) << "the heaps are sound";
    ZEL_SetMemoryLimits(0, 0, 0, 0);
}

TEST_F(ScreenWrite, TheEngineFollowsThePlatform)
{
    EXPECT_EQ(LoadDibEngineForPlatform(3), 0) << "Win32s looks for wing.dll, which is not here";
    PixMapHandle pm = NewPixMap();
    EXPECT_EQ(LoadDibEngineForPlatform(1), 1);
    EXPECT_EQ(LoadDibEngineForPlatform(2), 2);
    EXPECT_EQ(LoadDibEngineForPlatform(0), 1) << "Wine answers Windows NT";
    EXPECT_TRUE(AttachDibSection(*pm, 4, 4));
    DisposePixMap(pm);
}

} // namespace

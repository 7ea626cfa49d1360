// PixMaps over a host's device-dependent bitmaps: how ZEL_NewDDBPixMap describes the bitmap and its
// palette, CopyBits reading the bitmap's pixels onto a window and into an offscreen port (as GDI's own
// blits of the same bitmap draw them), and disposal leaving the host's bitmap alive and unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {

using testing_support::CreateDrawingWindow;
using testing_support::DibPort;
using testing_support::PixelMisses;
using testing_support::QuickDrawTest;
using testing_support::WindowColorPort;
using testing_support::WindowManagerPort;

class DdbPixMapTest : public QuickDrawTest {};

COLORREF Colour(int x, int y) { return RGB(37 * x + 11, 53 * y + 7, (x * 5 + y * 9) * 17 % 256); }

// A bitmap compatible with the screen (32 bits a pixel on this display), painted with Colour.
HBITMAP MakeScreenBitmap(int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixelV(dc, x, y, Colour(x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

std::vector<uint8_t> BitmapBits(HBITMAP bitmap)
{
    BITMAP record{};
    GetObjectA(bitmap, sizeof record, &record);
    std::vector<uint8_t> bits(static_cast<size_t>(record.bmWidthBytes) * record.bmHeight * record.bmPlanes);
    GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
    return bits;
}

TEST_F(DdbPixMapTest, DescribesTheBitmapAndItsPalette)
{
    const uint8_t bits[3][6] = {{0, 1, 2, 3, 0, 0}, {1, 2, 3, 0, 1, 0}, {2, 3, 0, 1, 2, 0}};
    HBITMAP eight = CreateBitmap(5, 3, 1, 8, bits);
    ASSERT_NE(eight, nullptr);
    struct {
        LOGPALETTE header;
        PALETTEENTRY more[3];
    } log{};
    log.header.palVersion = 0x300;
    log.header.palNumEntries = 4;
    const PALETTEENTRY entries[4] = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {10, 20, 30, 0}};
    std::memcpy(log.header.palPalEntry, entries, sizeof entries);
    HPALETTE palette = CreatePalette(&log.header);
    ASSERT_NE(palette, nullptr);

    PixMapHandle pm = ZEL_NewDDBPixMap(eight, palette);
    ASSERT_NE(pm, nullptr);
    const PixMap &map = **pm;
    EXPECT_EQ(map.pixelSize, 8);
    EXPECT_EQ(map.pixelType, 0);
    EXPECT_EQ(map.cmpCount, 1);
    EXPECT_EQ(static_cast<uint16_t>(map.rowBytes), 0x8006);
    EXPECT_EQ(map.bounds.top, 0);
    EXPECT_EQ(map.bounds.left, 0);
    EXPECT_EQ(map.bounds.bottom, 3);
    EXPECT_EQ(map.bounds.right, 5);
    EXPECT_EQ(map.pmExtBitmap, eight);
    ASSERT_NE(map.pmTable, nullptr);
    const ColorTable &table = **map.pmTable;
    ASSERT_EQ(table.ctSize, 3);
    // Entry i is the palette's entry 3 - i, widened to 16 bits.
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table.ctTable[i].rgb.red, entries[3 - i].peRed * 257);
        EXPECT_EQ(table.ctTable[i].rgb.green, entries[3 - i].peGreen * 257);
        EXPECT_EQ(table.ctTable[i].rgb.blue, entries[3 - i].peBlue * 257);
    }
    DisposePixMap(pm);
    DeleteObject(palette);
    DeleteObject(eight);

    // Direct depths: the component fields, and the device's table.
    const struct {
        int depth;
        int16_t pixelType, cmpCount, cmpSize;
        uint16_t rowBytes;
    } direct[] = {{16, 16, 3, 5, 0x8000 | 10}, {32, 16, 4, 8, 0x8000 | 20}};
    for (const auto &d : direct) {
        SCOPED_TRACE(d.depth);
        HBITMAP bitmap = CreateBitmap(5, 2, 1, d.depth, nullptr);
        PixMapHandle p = ZEL_NewDDBPixMap(bitmap, nullptr);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ((*p)->pixelSize, d.depth);
        EXPECT_EQ((*p)->pixelType, d.pixelType);
        EXPECT_EQ((*p)->cmpCount, d.cmpCount);
        EXPECT_EQ((*p)->cmpSize, d.cmpSize);
        EXPECT_EQ(static_cast<uint16_t>((*p)->rowBytes), d.rowBytes);
        EXPECT_NE((*p)->pmTable, nullptr);
        DisposePixMap(p);
        DeleteObject(bitmap);
    }
}

TEST_F(DdbPixMapTest, NothingThatIsNotABitmap)
{
    EXPECT_EQ(ZEL_NewDDBPixMap(nullptr, nullptr), nullptr);
    HBITMAP gone = CreateBitmap(4, 4, 1, 8, nullptr);
    DeleteObject(gone);
    EXPECT_EQ(ZEL_NewDDBPixMap(gone, nullptr), nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(ZEL_NewDDBPixMap(reinterpret_cast<HBITMAP>(brush), nullptr), nullptr);
    DeleteObject(brush);
    // A palette without entries takes the device's table.
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 8, nullptr);
    PixMapHandle pm = ZEL_NewDDBPixMap(bitmap, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
    ASSERT_NE(pm, nullptr);
    EXPECT_NE((*pm)->pmTable, nullptr);
    DisposePixMap(pm);
    DeleteObject(bitmap);
}

TEST_F(DdbPixMapTest, CopyBitsReadsTheBitmap)
{
    const int w = 12, h = 9;
    HBITMAP bitmap = MakeScreenBitmap(w, h);
    ASSERT_NE(bitmap, nullptr);
    PixMapHandle pm = ZEL_NewDDBPixMap(bitmap, nullptr);
    ASSERT_NE(pm, nullptr);
    const BitMap *src = reinterpret_cast<const BitMap *>(*pm);
    const Rect whole = {0, 0, h, w};
    // GDI's own drawing of the same pixels (a copy: a bitmap selected into a DC of the host's cannot be
    // read by the library), into a memory DC like the destination.
    HBITMAP copy = static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(copy, nullptr);
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(source, copy);

    const struct {
        const char *what;
        Rect srcRect, dstRect;
    } cases[] = {
        {"1:1", whole, {0, 0, h, w}},
        {"a part, moved", {2, 3, 7, 10}, {5, 20, 10, 27}},
        {"enlarged 2x", whole, {0, 0, 2 * h, 2 * w}},
        {"reduced", whole, {0, 0, h / 3, w / 2}},
    };
    HWND window = CreateDrawingWindow(64, 48);
    ASSERT_NE(window, nullptr);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const int dw = c.dstRect.right - c.dstRect.left, dh = c.dstRect.bottom - c.dstRect.top;
        const int sw = c.srcRect.right - c.srcRect.left, sh = c.srcRect.bottom - c.srcRect.top;
        DibPort expected(64, 48);
        SetStretchBltMode(expected.surface().dc(), COLORONCOLOR);
        StretchBlt(expected.surface().dc(), c.dstRect.left, c.dstRect.top, dw, dh, source, c.srcRect.left,
                   c.srcRect.top, sw, sh, SRCCOPY);
        auto want = [&](int x, int y) { return expected.surface().Pixel(x, y); };
        {
            SCOPED_TRACE("in an offscreen port");
            DibPort port(64, 48);
            SetPor(port.port());
            CopyBits(src, &port.port()->portBits, &c.srcRect, &c.dstRect, srcCopy, nullptr);
            SetPor(WindowManagerPort());
            EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 64, 48, want), "");
        }
        {
            SCOPED_TRACE("in a 32-bit GWorld");
            GWorldPtr world = nullptr;
            const Rect bounds = {0, 0, 48, 64};
            ASSERT_EQ(NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0), noErr);
            CGrafPtr savedPort;
            GDHandle savedDevice;
            GetGWorld(&savedPort, &savedDevice);
            SetGWorld(world, nullptr);
            EraseRect(&bounds);
            CopyBits(src, &reinterpret_cast<GrafPtr>(world)->portBits, &c.srcRect, &c.dstRect, srcCopy, nullptr);
            // The GWorld's pixels read back through a copy into an offscreen port.
            DibPort out(64, 48);
            SetPor(out.port());
            CopyBits(&reinterpret_cast<GrafPtr>(world)->portBits, &out.port()->portBits, &bounds, &bounds, srcCopy,
                     nullptr);
            SetGWorld(savedPort, savedDevice);
            DisposeGWorld(world);
            SetPor(WindowManagerPort());
            EXPECT_EQ(PixelMisses(out.surface().dc(), 0, 0, 64, 48, want), "");
        }
        {
            SCOPED_TRACE("in a window");
            WindowColorPort port(window);
            SetPor(port.port());
            EraseRect(&port.port()->portRect);
            CopyBits(src, &port.port()->portBits, &c.srcRect, &c.dstRect, srcCopy, nullptr);
            GdiFlush();
            EXPECT_EQ(PixelMisses(port.dc(), 0, 0, 64, 48, want), "");
        }
    }
    DestroyWindow(window);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(copy);
    ReleaseDC(nullptr, screen);

    // Disposing the PixMap leaves the host's bitmap and its pixels.
    const std::vector<uint8_t> before = BitmapBits(bitmap);
    DisposePixMap(pm);
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(BitmapBits(bitmap), before);
    EXPECT_EQ(ZEL_MemCheck(), 1);
    DeleteObject(bitmap);
}

TEST_F(DdbPixMapTest, CopyBitsDrawsIntoTheBitmap)
{
    const int w = 8, h = 6;
    HBITMAP bitmap = MakeScreenBitmap(w, h);
    PixMapHandle pm = ZEL_NewDDBPixMap(bitmap, nullptr);
    ASSERT_NE(pm, nullptr);
    DibPort port(16, 16, RGB(255, 0, 0));
    SetPor(port.port());
    const Rect from = {0, 0, 2, 3}, to = {1, 2, 3, 5};
    CopyBits(&port.port()->portBits, reinterpret_cast<const BitMap *>(*pm), &from, &to, srcCopy, nullptr);
    SetPor(WindowManagerPort());
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(PixelMisses(dc, 0, 0, w, h,
                          [&](int x, int y) {
                              return x >= 2 && x < 5 && y >= 1 && y < 3 ? RGB(255, 0, 0) : Colour(x, y);
                          }),
              "");
    SelectObject(dc, old);

    // Between the bitmap and a 32-bit PixMap in memory, both ways.
    std::vector<uint32_t> rows(w * h, 0x000000FF);
    PixMap memory{};
    memory.baseAddr = reinterpret_cast<Ptr>(rows.data());
    memory.rowBytes = static_cast<int16_t>(0x8000 | (4 * w));
    memory.bounds = {0, 0, h, w};
    memory.pixelType = 16;
    memory.pixelSize = 32;
    memory.cmpCount = 3;
    memory.cmpSize = 8;
    const Rect all = {0, 0, h, w}, corner = {0, 0, 2, 2};
    CopyBits(reinterpret_cast<const BitMap *>(*pm), reinterpret_cast<const BitMap *>(&memory), &all, &all, srcCopy,
             nullptr);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = x >= 2 && x < 5 && y >= 1 && y < 3 ? RGB(255, 0, 0) : Colour(x, y);
            EXPECT_EQ(rows[y * w + x], static_cast<uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)))
                << x << ", " << y;
        }
    std::fill(rows.begin(), rows.end(), 0x000000FFu);
    CopyBits(reinterpret_cast<const BitMap *>(&memory), reinterpret_cast<const BitMap *>(*pm), &corner, &corner,
             srcCopy, nullptr);
    SelectObject(dc, bitmap);
    EXPECT_EQ(PixelMisses(dc, 0, 0, 2, 2, [](int, int) { return RGB(0, 0, 255); }), "");
    SelectObject(dc, old);
    DeleteDC(dc);
    DisposePixMap(pm);
    DeleteObject(bitmap);
}

} // namespace

// GWorlds: a new world's record, drawing into it and copying out of it onto a window, worlds whose bounds
// do not start at (0, 0), worlds sharing one DC, every Windows object deleted exactly once, bad inputs,
// disposing the current world with no window open, a world's palette and the pixel state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "Palettes.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::CreateDrawingWindow;
using testing_support::DibPort;
using testing_support::QuickDrawTest;
using testing_support::WindowManagerPort;

constexpr uint32_t kDibGWorldSwitch = 0x8000;
constexpr int16_t kOffscreenBitmapsSetting = 41;

GrafPtr AsPort(GWorldPtr gw) { return reinterpret_cast<GrafPtr>(gw); }

void PaintColour(const Rect &r, uint16_t red, uint16_t green, uint16_t blue)
{
    RGBColor c{red, green, blue};
    RGBForeColor(&c);
    PaintRect(&r);
}

// The current GWorld's pixel (x, y) of its bitmap, read through the DC its PixMap names.
COLORREF WorldPixel(GWorldPtr gw, int x, int y)
{
    PixMapHandle pm = GetGWorldPixMap(gw);
    HDC dc = (*pm)->pmExtMemDC ? (*pm)->pmExtMemDC : (*pm)->pmExtDC;
    return GetPixel(dc, x, y);
}

class GWorlds : public QuickDrawTest {
protected:
    void TearDown() override
    {
        ZEL_SetFlags(0, 0, kDibGWorldSwitch, 0);
        ZEL_SystemValue(1, kOffscreenBitmapsSetting, 0);
        QuickDrawTest::TearDown();
    }
};

// The record: version word 0xE000 at offset 6, the device at 108, the bounds in the PixMap, the screen's
// depth whatever was asked and a marker for base address. A red rectangle painted in it reaches a
// window through CopyBits.
TEST_F(GWorlds, NewWorldDrawsAndCopiesOntoAWindow)
{
    HWND window = CreateDrawingWindow(40, 30);
    ASSERT_NE(window, nullptr);
    GDHandle device = GetGDevice();
    GWorldPtr gw = nullptr;
    const Rect bounds{0, 0, 10, 20};
    ASSERT_EQ(NewGWorld(&gw, 8, &bounds, nullptr, device, 0), 0);
    ASSERT_NE(gw, nullptr);
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort());
    const uint8_t *record = reinterpret_cast<const uint8_t *>(gw);
    uint16_t version;
    std::memcpy(&version, record + 6, 2);
    EXPECT_EQ(version, 0xE000);
    GDHandle stored;
    std::memcpy(&stored, record + 108, 4);
    EXPECT_EQ(stored, device);
    PixMapHandle pm = GetGWorldPixMap(gw);
    ASSERT_NE(pm, nullptr);
    EXPECT_EQ((*pm)->bounds.bottom, 10);
    EXPECT_EQ((*pm)->bounds.right, 20);
    EXPECT_EQ((*pm)->pixelSize, (*(*GetMainDevice())->gdPMap)->pixelSize) << "the screen's depth, not 8";
    EXPECT_LT(reinterpret_cast<uintptr_t>(GetPixBaseAddr(pm)), 0x10000u);

    SetGWorld(gw, nullptr);
    EraseRect(&bounds);
    PaintColour(Rect{2, 3, 6, 9}, 0xFFFF, 0, 0);

    HDC windowDC = GetDC(window);
    CGrafPort windowPort;
    OpenPortForHDC(&windowPort, windowDC);
    const Rect whole{0, 0, 30, 40};
    EraseRect(&whole);
    CopyBits(reinterpret_cast<BitMap *>(*pm), &AsPort(reinterpret_cast<GWorldPtr>(&windowPort))->portBits, &bounds,
             &bounds, srcCopy, nullptr);
    std::string misses = testing_support::PixelMisses(windowDC, 0, 0, 30, 20, [](int x, int y) {
        return x >= 3 && x < 9 && y >= 2 && y < 6 ? RGB(255, 0, 0) : RGB(255, 255, 255);
    });
    EXPECT_EQ(misses, "");
    CloseCPort(&windowPort);
    ReleaseDC(window, windowDC);
    DisposeGWorld(gw);
    DestroyWindow(window);
}

// Bounds starting at (20, 10): drawing at (20, 10) lands in the bitmap's first pixel, and the port's
// rectangle and clip are the bounds.
TEST_F(GWorlds, OffsetBoundsPutTheirTopLeftAtTheFirstPixel)
{
    for (bool dib : {false, true}) {
        SCOPED_TRACE(dib ? "DIB world" : "GDI world");
        ZEL_SetFlags(0, 0, kDibGWorldSwitch, dib ? kDibGWorldSwitch : 0);
        ZEL_SystemValue(1, kOffscreenBitmapsSetting, 1);
        GWorldPtr gw = nullptr;
        const Rect bounds{10, 20, 30, 60};
        ASSERT_EQ(NewGWorld(&gw, 32, &bounds, nullptr, nullptr, 0), 0);
        SetGWorld(gw, nullptr);
        EXPECT_EQ(std::memcmp(&gw->portRect, &bounds, sizeof bounds), 0);
        EXPECT_EQ(std::memcmp(&(*gw->clipRgn)->rgnBBox, &bounds, sizeof bounds), 0);
        EraseRect(&bounds);
        PaintColour(Rect{10, 20, 11, 21}, 0, 0, 0);
        PaintColour(Rect{0, 0, 10, 20}, 0, 0, 0xFFFF); // wholly outside the bounds
        EXPECT_EQ(WorldPixel(gw, 0, 0), RGB(0, 0, 0));
        EXPECT_EQ(WorldPixel(gw, 1, 0), RGB(255, 255, 255));
        EXPECT_EQ(WorldPixel(gw, 0, 1), RGB(255, 255, 255));
        SetGWorld(reinterpret_cast<CGrafPtr>(WindowManagerPort()), nullptr);
        DisposeGWorld(gw);
    }
}

// noNewDevice worlds share one DC and keep their own pixels across switches; disposing one, the
// current one included, leaves the others drawing, and the DC goes with the last.
TEST_F(GWorlds, SharedDeviceWorldsKeepTheirPixels)
{
    const Rect bounds{0, 0, 8, 8};
    GWorldPtr a = nullptr, b = nullptr, c = nullptr;
    ASSERT_EQ(NewGWorld(&a, 0, &bounds, nullptr, nullptr, noNewDevice), 0);
    ASSERT_EQ(NewGWorld(&b, 0, &bounds, nullptr, nullptr, noNewDevice), 0);
    ASSERT_EQ(NewGWorld(&c, 0, &bounds, nullptr, nullptr, noNewDevice), 0);
    HDC shared = (*GetGWorldPixMap(a))->pmExtMemDC;
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ((*GetGWorldPixMap(b))->pmExtMemDC, shared);
    EXPECT_EQ((*GetGWorldPixMap(c))->pmExtMemDC, shared);

    SetGWorld(a, nullptr);
    PaintColour(bounds, 0xFFFF, 0, 0);
    SetGWorld(b, nullptr);
    PaintColour(bounds, 0, 0, 0xFFFF);
    SetGWorld(c, nullptr);
    PaintColour(bounds, 0, 0xFFFF, 0);
    SetGWorld(a, nullptr);
    EXPECT_EQ(GetPixel(shared, 4, 4), RGB(255, 0, 0));
    SetGWorld(b, nullptr);
    EXPECT_EQ(GetPixel(shared, 4, 4), RGB(0, 0, 255));

    // The world drawn last still copies out once another port is current.
    DibPort target(8, 8);
    SetPor(target.port());
    CopyBits(reinterpret_cast<BitMap *>(*GetGWorldPixMap(b)), &target.port()->portBits, &bounds, &bounds, srcCopy,
             nullptr);
    EXPECT_EQ(target.surface().Pixel(3, 3), RGB(0, 0, 255));

    SetGWorld(b, nullptr);
    DisposeGWorld(b); // the current one
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort());
    SetGWorld(c, nullptr);
    EXPECT_EQ(GetPixel(shared, 4, 4), RGB(0, 255, 0));
    PaintColour(Rect{0, 0, 2, 2}, 0, 0, 0);
    EXPECT_EQ(GetPixel(shared, 1, 1), RGB(0, 0, 0));
    DisposeGWorld(a);
    EXPECT_NE(GetObjectType(shared), 0u);
    SetGWorld(c, nullptr);
    EXPECT_EQ(GetPixel(shared, 4, 4), RGB(0, 255, 0));
    DisposeGWorld(c);
    EXPECT_EQ(GetObjectType(shared), 0u);
}

// SetGWorld makes a world's own device current, whatever device it is given.
TEST_F(GWorlds, SetGWorldTakesTheWorldsDevice)
{
    GDHandle original = GetGDevice();
    GDHandle other = NewGDevice(-1, 0);
    ASSERT_NE(other, nullptr);
    const Rect bounds{0, 0, 4, 4};
    GWorldPtr gw = nullptr;
    ASSERT_EQ(NewGWorld(&gw, 0, &bounds, nullptr, original, 0), 0);
    SetGDevice(other);
    SetGWorld(gw, other);
    CGrafPtr port = nullptr;
    GDHandle device = nullptr;
    GetGWorld(&port, &device);
    EXPECT_EQ(port, gw);
    EXPECT_EQ(device, original);
    GetGWorld(nullptr, nullptr); // nil out-pointers are skipped
    SetGWorld(reinterpret_cast<CGrafPtr>(WindowManagerPort()), original);
    DisposeGWorld(gw);
    SetGDevice(original);
    DisposeGDevice(other);
}

// Create and dispose cycles leave every bitmap and DC the worlds had deleted, and the heaps sound.
TEST_F(GWorlds, DisposalDeletesEveryObjectOnce)
{
    struct Case {
        const char *what;
        bool dib;
        int16_t depth;
        GWorldFlags flags;
    };
    const Case cases[] = {
        {"GDI world", false, 8, 0},          {"noNewDevice world", false, 0, noNewDevice},
        {"1-bit DIB world", true, 1, 0},     {"2-bit DIB world", true, 2, 0},
        {"4-bit DIB world", true, 4, 0},     {"8-bit DIB world", true, 8, 0},
        {"16-bit DIB world", true, 16, 0},   {"32-bit DIB world", true, 32, 0},
    };
    ZEL_SystemValue(1, kOffscreenBitmapsSetting, 1);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZEL_SetFlags(0, 0, kDibGWorldSwitch, c.dib ? kDibGWorldSwitch : 0);
        for (int round = 0; round < 3; ++round) {
            const Rect bounds{0, 0, 12, 17};
            GWorldPtr gw = nullptr;
            ASSERT_EQ(NewGWorld(&gw, c.depth, &bounds, nullptr, nullptr, c.flags), 0);
            PixMapHandle pm = GetGWorldPixMap(gw);
            if (c.dib) {
                EXPECT_EQ((*pm)->pixelSize, c.depth);
                EXPECT_EQ((*pm)->pixelType, c.depth > 8 ? 16 : 0);
                EXPECT_EQ((*pm)->cmpSize, c.depth == 16 ? 5 : c.depth == 32 ? 8 : c.depth);
                if (c.depth <= 8) {
                    EXPECT_EQ((*(*pm)->pmTable)->ctSize, (1 << c.depth) - 1);
                }
            }
            std::vector<HGDIOBJ> objects = {(*pm)->pmExtBitmap, (*pm)->pmExtMemDC, (*pm)->pmExtDC};
            SetGWorld(gw, nullptr);
            const Rect r{1, 1, 5, 9};
            PaintColour(r, 0, 0, 0);
            SetPor(WindowManagerPort());
            DisposeGWorld(gw);
            for (HGDIOBJ object : objects) {
                if (object) {
                    EXPECT_EQ(GetObjectType(object), 0u) << object;
                }
            }
        }
    }
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

// A DIB world draws into its section, and the pixels reach another port through CopyBits.
TEST_F(GWorlds, DibWorldPixelsCopyOut)
{
    ZEL_SetFlags(0, 0, kDibGWorldSwitch, kDibGWorldSwitch);
    ZEL_SystemValue(1, kOffscreenBitmapsSetting, 1);
    for (int16_t depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        const Rect bounds{0, 0, 6, 10};
        GWorldPtr gw = nullptr;
        ASSERT_EQ(NewGWorld(&gw, depth, &bounds, nullptr, nullptr, 0), 0);
        SetGWorld(gw, nullptr);
        EraseRect(&bounds);
        PaintColour(Rect{1, 2, 4, 7}, 0xFFFF, 0, 0);
        DibPort target(10, 6);
        SetPor(target.port());
        CopyBits(reinterpret_cast<BitMap *>(*GetGWorldPixMap(gw)), &target.port()->portBits, &bounds, &bounds,
                 srcCopy, nullptr);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(target.surface().Pixel(x, y),
                          x >= 2 && x < 7 && y >= 1 && y < 4 ? RGB(255, 0, 0) : RGB(255, 255, 255))
                    << x << "," << y;
        target.Close();
        SetPor(WindowManagerPort());
        DisposeGWorld(gw);
    }
}

// Bad inputs answer -1 with the out-pointer nil and the current port unchanged; disposing a window's
// port or nil changes nothing.
TEST_F(GWorlds, BadInputsMakeNothing)
{
    struct Case {
        const char *what;
        bool nilOut;
        Rect bounds;
        bool dib;
        int16_t depth;
    };
    const Case cases[] = {
        {"nil out", true, {0, 0, 10, 10}, false, 8},
        {"empty bounds", false, {0, 0, 0, 10}, false, 8},
        {"inverted bounds", false, {10, 10, 5, 5}, false, 8},
        {"DIB depth 3", false, {0, 0, 10, 10}, true, 3},
        {"DIB depth 64", false, {0, 0, 10, 10}, true, 64},
    };
    DibPort current(4, 4);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZEL_SetFlags(0, 0, kDibGWorldSwitch, c.dib ? kDibGWorldSwitch : 0);
        ZEL_SystemValue(1, kOffscreenBitmapsSetting, 1);
        SetPor(current.port());
        GWorldPtr gw = reinterpret_cast<GWorldPtr>(0x1234);
        EXPECT_EQ(NewGWorld(c.nilOut ? nullptr : &gw, c.depth, &c.bounds, nullptr, nullptr, 0), -1);
        if (!c.nilOut) {
            EXPECT_EQ(gw, nullptr);
        }
        EXPECT_EQ(GetPort(nullptr), current.port());
    }
    DisposeGWorld(nullptr);
    DisposeGWorld(current.cport());
    EXPECT_TRUE(ZEL_IsPortValid(current.port()));
    EXPECT_EQ(GetPort(nullptr), current.port());
    PaintColour(Rect{0, 0, 4, 4}, 0, 0, 0);
    EXPECT_EQ(current.surface().Pixel(2, 2), RGB(0, 0, 0));
    GrafPtr bw = reinterpret_cast<GrafPtr>(NewPtrClear(sizeof(GrafPort)));
    OpenPort(bw);
    EXPECT_EQ(GetGWorldPixMap(reinterpret_cast<GWorldPtr>(bw)), nullptr);
    ClosePort(bw);
    DisposePtr(reinterpret_cast<Ptr>(bw));
}

// With no window open, disposing the current world leaves the Window Manager port current.
TEST_F(GWorlds, DisposingTheCurrentWorldWithNoWindow)
{
    const Rect bounds{0, 0, 4, 4};
    GWorldPtr gw = nullptr;
    ASSERT_EQ(NewGWorld(&gw, 0, &bounds, nullptr, nullptr, 0), 0);
    SetGWorld(gw, nullptr);
    DisposeGWorld(gw);
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort());
    EXPECT_TRUE(ZEL_IsPortValid(GetPort(nullptr)));
    PaintRect(&bounds);
}

// A colour table given to NewGWorld becomes the port's palette.
TEST_F(GWorlds, ColourTableBecomesThePalette)
{
    auto ct = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 16 * sizeof(ColorSpec)));
    ASSERT_NE(ct, nullptr);
    (*ct)->ctSeed = static_cast<uint32_t>(GetCTSeed());
    (*ct)->ctSize = 15;
    for (int i = 0; i < 16; ++i) {
        (*ct)->ctTable[i].value = static_cast<int16_t>(i);
        (*ct)->ctTable[i].rgb = RGBColor{static_cast<uint16_t>(i * 0x1111), static_cast<uint16_t>(0xFFFF - i * 0x1000),
                                         static_cast<uint16_t>((i * 0x3333) & 0xFFFF)};
    }
    const Rect bounds{0, 0, 4, 4};
    GWorldPtr gw = nullptr;
    ASSERT_EQ(NewGWorld(&gw, 8, &bounds, ct, nullptr, 0), 0);
    PaletteHandle pal = GetPalette(reinterpret_cast<WindowPtr>(gw));
    ASSERT_NE(pal, nullptr);
    ASSERT_EQ((*pal)->pmEntries, 16);
    for (int i = 0; i < 16; ++i) {
        RGBColor c{};
        GetEntryColor(pal, static_cast<int16_t>(i), &c);
        EXPECT_EQ(c.red, (*ct)->ctTable[i].rgb.red) << i;
        EXPECT_EQ(c.green, (*ct)->ctTable[i].rgb.green) << i;
        EXPECT_EQ(c.blue, (*ct)->ctTable[i].rgb.blue) << i;
    }
    DisposeGWorld(gw);
    DisposeCTable(ct);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

// One pixel state for every PixMap; CTabChanged gives a table a new seed; PortChanged reports itself.
TEST_F(GWorlds, PixelStateSeedsAndStubs)
{
    PixMapHandle a = NewPixMap(), b = NewPixMap();
    SetPixelsState(a, 0);
    EXPECT_TRUE(LockPixels(a));
    EXPECT_EQ(GetPixelsState(b), static_cast<GWorldFlags>(pixelsLocked));
    AllowPurgePixels(b);
    EXPECT_EQ(GetPixelsState(a), static_cast<GWorldFlags>(pixelsLocked | pixelsPurgeable));
    UnlockPixels(b);
    NoPurgePixels(a);
    EXPECT_EQ(GetPixelsState(b), 0u);
    SetPixelsState(b, pixelsLocked);
    EXPECT_EQ(GetPixelsState(a), static_cast<GWorldFlags>(pixelsLocked));
    SetPixelsState(a, 0);
    DisposePixMap(a);
    DisposePixMap(b);

    CTabHandle ct = GetCTable(8);
    const uint32_t seed = (*ct)->ctSeed;
    CTabChanged(ct);
    EXPECT_NE((*ct)->ctSeed, seed);
    CTabChanged(nullptr);
    DisposeCTable(ct);

    EXPECT_EQ(UpdateGWorld(nullptr, 8, nullptr, nullptr, nullptr, 0), 0u);
    GDeviceChanged(nullptr);
    testing_support::TakeDebugMessages();
    PortChanged(WindowManagerPort());
    std::vector<std::string> messages = testing_support::TakeDebugMessages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "PortChanged"), 1);
}

} // namespace

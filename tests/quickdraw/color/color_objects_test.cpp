// Colour objects and graphics devices: NewPixMap's fields on the screen in use, the Windows objects a
// PixMap and a device hold going with them, the device list and current device, InitGDevice's device
// table and inverse table, and the small colour calls.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "LowMem.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;

namespace {

int ScreenBits()
{
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
    return bits == 16 ? 16 : bits >= 15 ? 24 : bits;
}

bool ScreenHasPalette()
{
    HDC dc = GetDC(nullptr);
    bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, dc);
    return palette;
}

class ColorObjects : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QuickDrawGlobals(); }
    void SetUp() override { SetPor(WindowManagerPort()); }
    void TearDown() override { SetPor(WindowManagerPort()); }
};

TEST_F(ColorObjects, NewPixMapDescribesTheCurrentDevice)
{
    const Rect screen = QuickDrawGlobals().screenBits.bounds;
    const int depth = ScreenBits();
    PixMapHandle pm = NewPixMap();
    ASSERT_NE(pm, nullptr);
    ASSERT_EQ(GetHandleSize(reinterpret_cast<Handle>(pm)), 84);
    const PixMap &map = **pm;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(map.baseAddr), 0x7FFFu);
    EXPECT_EQ(static_cast<uint16_t>(map.rowBytes), (((depth * screen.right / 8) + 1) & 0x3FFE) | 0x8000);
    EXPECT_EQ(map.bounds.bottom, screen.bottom - 1);
    EXPECT_EQ(map.bounds.right, screen.right - 1);
    EXPECT_EQ(static_cast<uint16_t>(map.pmVersion), 0xC000);
    EXPECT_EQ(map.pixelSize, depth);
    EXPECT_EQ(map.pixelType, depth > 8 ? 16 : 0);
    EXPECT_EQ(map.cmpCount, depth > 8 ? 3 : 1);
    EXPECT_EQ(map.cmpSize, depth == 16 ? 5 : depth >= 24 ? 8 : depth);
    EXPECT_EQ(map.pmExtFlags, 0x10);
    ASSERT_NE(map.pmTable, nullptr);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(map.pmTable)), 16);
    EXPECT_EQ(ZEL_GetPixMapSize(pm), (screen.bottom - 1) * (map.rowBytes & 0x3FFF));
    DisposePixMap(pm);
}

// A screen too wide for the field: rowBytes stays at its largest even value instead of wrapping.
TEST_F(ColorObjects, RowBytesSaturates)
{
    Rect &screen = QuickDrawGlobals().screenBits.bounds;
    const Rect saved = screen;
    screen.right = 16000;
    PixMapHandle pm = NewPixMap();
    screen = saved;
    ASSERT_NE(pm, nullptr);
    int wanted = (*pm)->pixelSize * 16000 / 8 + 1;
    EXPECT_EQ(static_cast<uint16_t>((*pm)->rowBytes), (wanted > 0x3FFE ? 0x3FFE : wanted & 0x3FFE) | 0x8000);
    DisposePixMap(pm);
}

TEST_F(ColorObjects, PixMapSizeOfEmptyBoundsIsZero)
{
    PixMapHandle pm = NewPixMap();
    ASSERT_NE(pm, nullptr);
    for (Rect bounds : {Rect{5, 0, 5, 10}, Rect{9, 0, 3, 10}}) {
        (*pm)->bounds = bounds;
        EXPECT_EQ(ZEL_GetPixMapSize(pm), 0);
    }
    (*pm)->bounds = Rect{2, 0, 12, 10};
    (*pm)->rowBytes = static_cast<int16_t>(0x8000 | 0x4000 | 24); // the top two bits are flags
    EXPECT_EQ(ZEL_GetPixMapSize(pm), 240);
    DisposePixMap(pm);
}

// The bitmap given to ZEL_SetPixBM is the PixMap's: read back with its DC, deleted with the PixMap.
TEST_F(ColorObjects, PixMapBitmapGoesWithThePixMap)
{
    PixMapHandle pm = NewPixMap();
    ASSERT_NE(pm, nullptr);
    HDC dc = reinterpret_cast<HDC>(1);
    EXPECT_EQ(ZEL_GetPixBM(pm, &dc), nullptr);
    EXPECT_EQ(dc, nullptr);
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, nullptr);
    ZEL_SetPixBM(pm, bitmap);
    EXPECT_EQ(ZEL_GetPixBM(pm, nullptr), bitmap);
    EXPECT_EQ(ZEL_GetPixBM(pm, &dc), bitmap);
    EXPECT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    DisposePixMap(pm);
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC)); // the library's own DC stays
}

// A bitmap selected into the PixMap's DC is taken out again (its displaced object put back) before it
// is deleted; a foreign bitmap selected since then stays selected.
TEST_F(ColorObjects, DisposePixMapPutsTheDisplacedObjectBack)
{
    for (bool foreign : {false, true}) {
        SCOPED_TRACE(foreign ? "foreign bitmap selected" : "own bitmap selected");
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP own = CreateBitmap(8, 8, 1, 1, nullptr);
        HBITMAP other = CreateBitmap(4, 4, 1, 1, nullptr);
        HGDIOBJ original = SelectObject(dc, own);
        if (foreign)
            SelectObject(dc, other);
        PixMapHandle pm = NewPixMap();
        (*pm)->pmExtMemDC = dc;
        (*pm)->pmExtBitmap = own;
        (*pm)->pmExtOldBitmap = original;
        DisposePixMap(pm);
        // The DC was the PixMap's: it is deleted too.
        EXPECT_EQ(GetObjectType(own), 0u);
        EXPECT_EQ(GetObjectType(dc), 0u);
        EXPECT_EQ(GetObjectType(other), static_cast<DWORD>(OBJ_BITMAP));
        DeleteObject(other);
    }
}

TEST_F(ColorObjects, NewPixPatStartsAsTheGrayPattern)
{
    PixPatHandle pp = NewPixPat();
    ASSERT_NE(pp, nullptr);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(pp)), 38);
    EXPECT_EQ((*pp)->patType, 0);
    EXPECT_EQ((*pp)->patXValid, -1);
    EXPECT_EQ(std::memcmp(&(*pp)->pat1Data, &QuickDrawGlobals().gray, 8), 0);
    for (Handle h : {(*pp)->patData, (*pp)->patXData, (*pp)->patXMap})
        EXPECT_EQ(GetHandleSize(h), 16);
    DisposePixPat(pp);
}

// Without a resource there is nothing to read.
TEST_F(ColorObjects, MissingResourcesGiveNil)
{
    EXPECT_EQ(GetPixPat(128), nullptr);
    EXPECT_EQ(GetCIcon(128), nullptr);
}

// ---- Graphics devices ----

TEST_F(ColorObjects, InitGrafsDeviceIsMainCurrentAndListed)
{
    GDHandle main = GetMainDevice();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(GetDeviceList(), main);
    EXPECT_EQ(GetGDevice(), main);
    Rect anywhere{0, 0, 10, 10};
    EXPECT_EQ(GetMaxDevice(&anywhere), main);
    EXPECT_EQ(GetNextDevice(main), nullptr);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(main)), 62);

    const GDevice &gd = **main;
    const int depth = ScreenBits();
    EXPECT_EQ(gd.gdRefNum, 0);
    EXPECT_EQ(static_cast<uint16_t>(gd.gdFlags), depth > 1 ? 0xA801 : 0xA800);
    EXPECT_EQ(gd.gdResPref, 3);
    EXPECT_EQ(gd.gdType, depth >= 9 ? 2 : ScreenHasPalette() ? 0 : 1);
    // The device's table: the screen's own (the library standard palette) as a device table, its
    // inverse table built.
    CTabHandle ct = (*gd.gdPMap)->pmTable;
    ASSERT_NE(ct, nullptr);
    CTabHandle screenTable = GetCTable(-8);
    ASSERT_NE(screenTable, nullptr);
    ASSERT_EQ((*ct)->ctSize, (*screenTable)->ctSize);
    for (int i = 0; i <= (*ct)->ctSize; ++i)
        EXPECT_EQ(std::memcmp(&(*ct)->ctTable[i].rgb, &(*screenTable)->ctTable[i].rgb, sizeof(RGBColor)), 0) << i;
    DisposeCTable(screenTable);
    EXPECT_EQ((*ct)->ctFlags & 0x8000, 0x8000);
    ASSERT_EQ(GetHandleSize(gd.gdITable), 32774);
    EXPECT_EQ(reinterpret_cast<ITab *>(*gd.gdITable)->iTabSeed, (*ct)->ctSeed);
    EXPECT_EQ(reinterpret_cast<ITab *>(*gd.gdITable)->iTabRes, 5);
}

TEST_F(ColorObjects, ASecondDeviceLeavesTheListAlone)
{
    GDHandle main = GetMainDevice();
    for (int16_t refNum : {-1, 0, 1}) {
        SCOPED_TRACE(refNum);
        GDHandle dev = NewGDevice(refNum, 0);
        ASSERT_NE(dev, nullptr);
        EXPECT_EQ(GetDeviceList(), main);
        EXPECT_EQ(GetMainDevice(), main);
        EXPECT_EQ(GetGDevice(), main);
        EXPECT_EQ(GetNextDevice(dev), main);
        HDC dc = (*dev)->gdReserved;
        if (refNum < 0) {
            EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
        } else if (refNum == 0) {
            EXPECT_NE(dc, nullptr);
        } else {
            EXPECT_EQ(dc, nullptr);
        }
        DisposeGDevice(dev);
        if (refNum < 0) {
            EXPECT_EQ(GetObjectType(dc), 0u);
        }
        EXPECT_EQ(GetDeviceList(), main);
    }
}

// A device linked into the list by the caller is unlinked from its predecessor; a disposed current
// device hands over to the main device.
TEST_F(ColorObjects, DisposedDevicesLeaveTheListAndTheCurrentDevice)
{
    GDHandle main = GetMainDevice();
    GDHandle dev = NewGDevice(1, 0);
    (*dev)->gdNextGD = nullptr;
    (*main)->gdNextGD = dev;
    SetGDevice(dev);
    DisposeGDevice(dev);
    EXPECT_EQ((*main)->gdNextGD, nullptr);
    EXPECT_EQ(GetGDevice(), main);
    EXPECT_EQ(GetMainDevice(), main);
}

// 1,000 device and PixMap cycles: every Windows object made is deleted. Freed GDI handles are reused,
// so a leak shows as an ever-growing set of handle slots.
TEST_F(ColorObjects, DeviceAndPixMapCyclesLeakNoGdiObject)
{
    std::set<uint16_t> slots;
    for (int i = 0; i < 1000; ++i) {
        GDHandle dev = NewGDevice(-1, 0);
        ASSERT_NE(dev, nullptr);
        HDC dc = (*dev)->gdReserved;
        HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
        slots.insert(LOWORD(reinterpret_cast<uintptr_t>(dc)));
        slots.insert(LOWORD(reinterpret_cast<uintptr_t>(bitmap)));
        DisposeGDevice(dev);
        ASSERT_EQ(GetObjectType(dc), 0u);
        ASSERT_EQ(GetObjectType(bitmap), 0u);

        PixMapHandle pm = NewPixMap();
        HBITMAP own = CreateBitmap(4, 4, 1, 1, nullptr);
        slots.insert(LOWORD(reinterpret_cast<uintptr_t>(own)));
        ZEL_SetPixBM(pm, own);
        DisposePixMap(pm);
        ASSERT_EQ(GetObjectType(own), 0u);
    }
    EXPECT_LT(slots.size(), 50u);
}

// ---- Small colour calls ----

TEST_F(ColorObjects, SaveAndRestorePortColours)
{
    DibPort port(4, 4);
    SetPor(port.port());
    RGBColor fore{0x1234, 0x5678, 0x9ABC}, back{0xFEDC, 0xBA98, 0x7654};
    RGBForeColor(&fore);
    RGBBackColor(&back);
    ColorSpec savedFore{-1, {}}, savedBack{-1, {}};
    SaveFore(&savedFore);
    SaveBack(&savedBack);
    EXPECT_EQ(savedFore.value, 0);
    EXPECT_EQ(savedBack.value, 0);
    EXPECT_EQ(savedFore.rgb.green, 0x5678);
    EXPECT_EQ(savedBack.rgb.blue, 0x7654);
    RGBColor other{0, 0, 0};
    RGBForeColor(&other);
    RGBBackColor(&other);
    RestoreFore(&savedFore);
    RestoreBack(&savedBack);
    RGBColor now{};
    GetForeColor(&now);
    EXPECT_EQ(now.red, 0x1234);
    GetBackColor(&now);
    EXPECT_EQ(now.red, 0xFEDC);
}

TEST_F(ColorObjects, GetGrayAndTheDepthCalls)
{
    RGBColor back{0, 0, 0}, fore{1, 2, 3};
    EXPECT_TRUE(GetGray(GetMainDevice(), &back, &fore));
    EXPECT_EQ(fore.red, 0x7777);
    EXPECT_EQ(fore.blue, 0x7777);
    TakeDebugMessages();
    EXPECT_EQ(SetDepth(GetMainDevice(), 8, 1, 1), 0);
    EXPECT_EQ(HasDepth(GetMainDevice(), 8, 1, 1), 0);
    std::string messages;
    for (const std::string &m : TakeDebugMessages())
        messages += m + "|";
    EXPECT_NE(messages.find("SetDepth - Not Supported, System 7"), std::string::npos) << messages;
    EXPECT_NE(messages.find("HasDepth - Not Supported, System 7"), std::string::npos) << messages;
}

TEST_F(ColorObjects, AppWindowRectIsTheMainClientOnScreen)
{
    Rect r{1, 1, 1, 1};
    ZEL_GetAppWinRect(&r);
    HWND main = testing_support::HostMainWindow();
    ASSERT_NE(main, nullptr);
    RECT client;
    GetClientRect(main, &client);
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT *>(&client), 2);
    EXPECT_EQ(r.left, client.left);
    EXPECT_EQ(r.top, client.top);
    EXPECT_EQ(r.right, client.right);
    EXPECT_EQ(r.bottom, client.bottom);
}

} // namespace

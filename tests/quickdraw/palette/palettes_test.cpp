// Palettes: their records and flags, indices outside a palette, the colour-table round trip, the
// palettes of the Window Manager port and of colour ports, palette colours painted into a DIB section;
// on a palette screen the Windows palettes' entries against the placement computed here, the library
// palette realised into an 8-bit DIB section, animation and the system colours. The program runs on
// the 24-bit screen and on an 8-bit palette screen, with heap checking on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "Palettes.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;

namespace {

constexpr int16_t kSettingLibraryPalette = 22;
constexpr int16_t kSettingPaletteManagement = 55;
constexpr uint32_t kPaletteSwitch = 0x4000;

bool PaletteScreen()
{
    HDC dc = GetDC(nullptr);
    bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, dc);
    return palette;
}

RGBColor Mac(uint8_t r, uint8_t g, uint8_t b) { return RGBColor{uint16_t(r * 257), uint16_t(g * 257), uint16_t(b * 257)}; }

CTabHandle MakeTable(const std::vector<RGBColor> &colours, uint32_t seed)
{
    auto ct = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 8 * static_cast<Size>(colours.size())));
    (*ct)->ctSeed = seed;
    (*ct)->ctSize = static_cast<int16_t>(colours.size() - 1);
    for (size_t i = 0; i < colours.size(); ++i)
        (*ct)->ctTable[i] = ColorSpec{static_cast<int16_t>(i), colours[i]};
    return ct;
}

// n distinct colours, none pure black or white.
std::vector<RGBColor> Ramp(int n)
{
    std::vector<RGBColor> out;
    for (int i = 0; i < n; ++i)
        out.push_back(Mac(uint8_t(10 + i * 37 % 230), uint8_t(5 + i * 11 % 240), uint8_t(3 + i % 250)));
    return out;
}

bool Same(const RGBColor &a, const RGBColor &b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

int16_t Flags(PaletteHandle pal, int i) { return (*pal)->pmInfo[i].ciDataFields[0]; }

class Palettes : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawGlobals();
        ZEL_SetFlags(zelFlagHeapCheck, zelFlagHeapCheck, 0, 0);
    }
    void SetUp() override
    {
        SetPor(WindowManagerPort());
        saved_ = GetPalette(nullptr);
    }
    void TearDown() override
    {
        ZEL_SystemValue(1, kSettingPaletteManagement, 0);
        ZEL_SetFlags(0, 0, kPaletteSwitch, 0);
        SetPor(WindowManagerPort());
        SetPalette(nullptr, saved_, false);
        EXPECT_EQ(ZEL_MemCheck(), 1);
    }
    PaletteHandle saved_ = nullptr;
};

TEST_F(Palettes, NewPaletteCopiesWhatTheTableHas)
{
    CTabHandle ct = MakeTable(Ramp(8), 0x4321);
    PaletteHandle pal = NewPalette(16, ct, pmTolerant, 0x1000);
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(pal)), 16 + 16 * 16);
    EXPECT_EQ((*pal)->pmEntries, 16);
    EXPECT_EQ((*pal)->pmSeed, 0x4321u);
    EXPECT_NE((*pal)->pmSlot, 0);
    for (int i = 0; i < 16; ++i) {
        const ColorInfo &e = (*pal)->pmInfo[i];
        if (i < 8) {
            EXPECT_TRUE(Same(e.ciRGB, (*ct)->ctTable[i].rgb)) << i;
            EXPECT_EQ(e.ciUsage, pmTolerant);
            EXPECT_EQ(e.ciTolerance, 0x1000);
        } else {
            EXPECT_TRUE(Same(e.ciRGB, RGBColor{0, 0, 0})) << i;
            EXPECT_EQ(e.ciUsage, 0);
            EXPECT_EQ(e.ciTolerance, 0);
        }
    }
    PaletteHandle plain = NewPalette(3, nullptr, pmTolerant, 5);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(plain)), 16 + 48);
    EXPECT_EQ((*plain)->pmSeed, 0u);
    DisposePalette(plain);
    DisposePalette(pal);
    DisposeCTable(ct);
}

TEST_F(Palettes, EntryFlagsFollowReadsAndChanges)
{
    PaletteHandle pal = NewPalette(4, nullptr, 0, 0);
    RGBColor c{};
    GetEntryColor(pal, 1, &c);
    EXPECT_EQ(Flags(pal, 1), 0x2);
    RGBColor red = Mac(255, 0, 0);
    SetEntryColor(pal, 1, &red);
    EXPECT_EQ(Flags(pal, 1), 0x10) << "a new colour, and no longer read";
    (*pal)->pmInfo[2].ciDataFields[0] = 0x2;
    RGBColor black{0, 0, 0};
    SetEntryColor(pal, 2, &black); // the colour it already has
    EXPECT_EQ(Flags(pal, 2), 0);
    (*pal)->pmInfo[3].ciDataFields[0] = 0x1;
    SetEntryUsage(pal, 3, 0, 0x200); // same usage, new tolerance
    EXPECT_EQ(Flags(pal, 3), 0x8);
    EXPECT_EQ((*pal)->pmInfo[3].ciTolerance, 0x200);
    SetEntryUsage(pal, 3, pmAnimated, 0x200);
    EXPECT_EQ(Flags(pal, 3), 0x8 | 0x4);
    EXPECT_EQ((*pal)->pmInfo[3].ciUsage, pmAnimated);
    DisposePalette(pal);
}

// Indices outside 0..pmEntries - 1 change nothing, anywhere (the heap check of TearDown included).
TEST_F(Palettes, IndicesOutsideThePaletteAreIgnored)
{
    DibPort port(4, 4);
    SetPor(port.port());
    PaletteHandle pal = NewPalette(4, nullptr, 0, 0);
    NSetPalette(port.port(), pal, 0);
    std::vector<uint8_t> before(reinterpret_cast<uint8_t *>(*pal), reinterpret_cast<uint8_t *>(*pal) + 16 + 64);
    RGBColor fore{}, back{};
    GetForeColor(&fore);
    GetBackColor(&back);
    RGBColor rgb = Mac(1, 2, 3);
    for (int16_t index : {-1, 4, 5, 255, 32767, -32768}) {
        GetEntryColor(pal, index, &rgb);
        SetEntryColor(pal, index, &rgb);
        SetEntryUsage(pal, index, 7, 7);
        PmForeColor(index);
        PmBackColor(index);
    }
    CTabHandle ct = MakeTable(Ramp(10), 77);
    AnimatePalett(port.port(), ct, 0, 2, 10); // only entries 2 and 3 are the palette's
    EXPECT_TRUE(Same((*pal)->pmInfo[2].ciRGB, (*ct)->ctTable[0].rgb));
    EXPECT_TRUE(Same((*pal)->pmInfo[3].ciRGB, (*ct)->ctTable[1].rgb));
    std::memcpy(&before[16 + 32], reinterpret_cast<uint8_t *>(*pal) + 16 + 32, 32); // what the animation wrote
    EXPECT_TRUE(std::equal(before.begin(), before.end(), reinterpret_cast<uint8_t *>(*pal)));
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(pal)), 16 + 64);
    RGBColor now{};
    GetForeColor(&now);
    EXPECT_TRUE(Same(now, fore));
    GetBackColor(&now);
    EXPECT_TRUE(Same(now, back));
    SetPor(WindowManagerPort());
    DisposeCTable(ct);
    DisposePalette(pal);
}

TEST_F(Palettes, ColourTableRoundTrip)
{
    CTabHandle ct = GetCTable(4);
    PaletteHandle pal = NewPalette(2, nullptr, 0, 0);
    uint16_t slot = (*pal)->pmSlot;
    CTab2Palette(ct, pal, pmTolerant, 0x300);
    EXPECT_EQ((*pal)->pmEntries, 16);
    EXPECT_EQ((*pal)->pmSlot, slot);
    EXPECT_EQ((*pal)->pmSeed, 4u);
    EXPECT_EQ((*pal)->pmInfo[5].ciTolerance, 0x300);
    CTabHandle back = reinterpret_cast<CTabHandle>(NewHandleClear(8));
    Palette2CTab(pal, back);
    ASSERT_EQ(GetHandleSize(reinterpret_cast<Handle>(back)), 8 + 16 * 8);
    EXPECT_EQ((*back)->ctSeed, 4u);
    EXPECT_EQ((*back)->ctFlags, 0);
    EXPECT_EQ((*back)->ctSize, 15);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ((*back)->ctTable[i].value, i);
        EXPECT_TRUE(Same((*back)->ctTable[i].rgb, (*ct)->ctTable[i].rgb)) << i;
    }
    DisposeCTable(back);
    DisposeCTable(ct);
    DisposePalette(pal);
}

TEST_F(Palettes, WindowManagerPortAndColourPortsHoldTheirPalettes)
{
    PaletteHandle standard = NewPalette(2, nullptr, 0, 0);
    SetPalette(nullptr, standard, true);
    EXPECT_EQ(GetPalette(nullptr), standard);
    EXPECT_EQ(GetPalette(reinterpret_cast<WindowPtr>(-1)), standard);
    EXPECT_EQ(GetPalette(WindowManagerPort()), standard);
    EXPECT_EQ((*standard)->pmWindow, 0u);

    DibPort port(4, 4);
    EXPECT_EQ(GetPalette(port.port()), standard) << "a port without its own palette has the default";
    PaletteHandle own = NewPalette(3, nullptr, 0, 0);
    NSetPalette(port.port(), own, 0x1234);
    EXPECT_EQ(GetPalette(port.port()), own);
    const GrafVars &vars = *reinterpret_cast<GrafVars *>(*port.cport()->grafVars);
    EXPECT_EQ(vars.pmFgColor, reinterpret_cast<Handle>(own));
    EXPECT_EQ(vars.pmFlags, 0x1234);
    EXPECT_EQ((*own)->pmWindow, reinterpret_cast<uintptr_t>(port.port()));
    SetPalette(port.port(), nullptr, false);
    EXPECT_EQ(GetPalette(port.port()), standard);
    EXPECT_EQ(vars.pmFlags, static_cast<int16_t>(0x8000));

    // The default palette itself is never disposed; another is.
    DisposePalette(standard);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(standard)), 16 + 32);
    SetPalette(nullptr, saved_, false);
    DisposePalette(standard);
    DisposePalette(own);
}

// PmForeColor + PaintRect and PmBackColor + EraseRect paint the entry's colour.
TEST_F(Palettes, PaletteColoursPaint)
{
    const std::vector<RGBColor> colours = {Mac(255, 0, 0), Mac(0, 128, 255), Mac(0, 255, 0), Mac(255, 255, 0)};
    CTabHandle ct = MakeTable(colours, 9);
    PaletteHandle pal = NewPalette(4, ct, pmTolerant, 0);
    DibPort port(8, 4, RGB(1, 2, 3));
    SetPor(port.port());
    NSetPalette(port.port(), pal, 0);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        Rect r{0, 0, 4, 4};
        PmForeColor(static_cast<int16_t>(i));
        PaintRect(&r);
        Rect e{0, 4, 4, 8};
        PmBackColor(static_cast<int16_t>(3 - i));
        EraseRect(&e);
        const RGBColor &f = colours[i], &b = colours[3 - i];
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(port.surface().Pixel(1, y), RGB(f.red >> 8, f.green >> 8, f.blue >> 8));
            EXPECT_EQ(port.surface().Pixel(6, y), RGB(b.red >> 8, b.green >> 8, b.blue >> 8));
        }
    }
    SetPor(WindowManagerPort());
    DisposePalette(pal);
    DisposeCTable(ct);
}

// The LOGPALETTE placement of a palette: a 256-entry palette reversed (entry i at 255 - i), any other
// in order; 236 entries are completed by the system's first and last ten colours.
std::vector<PALETTEENTRY> ExpectedEntries(const std::vector<RGBColor> &colours)
{
    const int n = static_cast<int>(colours.size());
    std::vector<PALETTEENTRY> out(n == 236 ? 256 : n);
    for (int i = 0; i < n; ++i) {
        int at = n == 256 ? 255 - i : i;
        out[at] = PALETTEENTRY{BYTE(colours[i].red >> 8), BYTE(colours[i].green >> 8), BYTE(colours[i].blue >> 8), 0};
    }
    if (n == 236) {
        HDC screen = GetDC(nullptr);
        PALETTEENTRY system[256];
        GetSystemPaletteEntries(screen, 0, 256, system);
        ReleaseDC(nullptr, screen);
        for (int i = 0; i < 10; ++i) {
            out[236 + i] = system[i];
            out[246 + i] = system[246 + i];
        }
    }
    return out;
}

TEST_F(Palettes, WindowsPalettesHoldThePlacement)
{
    for (int n : {16, 236, 256}) {
        SCOPED_TRACE(n);
        std::vector<RGBColor> colours = Ramp(n);
        CTabHandle ct = MakeTable(colours, 1000 + n);
        PaletteHandle pal = NewPalette(static_cast<int16_t>(n), ct, pmTolerant, 0);
        SetPalette(nullptr, pal, false);
        HPALETTE out = reinterpret_cast<HPALETTE>(1);
        uint32_t result = ZEL_GetWindowsPalette(nullptr, &out);
        if (!PaletteScreen()) {
            EXPECT_EQ(result, 0u);
            EXPECT_EQ(out, nullptr);
        } else {
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(result, reinterpret_cast<uintptr_t>(out));
            std::vector<PALETTEENTRY> expected = ExpectedEntries(colours);
            std::vector<PALETTEENTRY> got(256);
            UINT count = GetPaletteEntries(out, 0, 256, got.data());
            ASSERT_EQ(count, expected.size());
            for (size_t i = 0; i < expected.size(); ++i) {
                EXPECT_EQ(got[i].peRed, expected[i].peRed) << i;
                EXPECT_EQ(got[i].peGreen, expected[i].peGreen) << i;
                EXPECT_EQ(got[i].peBlue, expected[i].peBlue) << i;
            }
        }
        SetPalette(nullptr, saved_, false);
        DisposePalette(pal);
        DisposeCTable(ct);
    }
}

// An 8-bit DIB section in a memory DC, opened as a colour port.
struct EightBitPort {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ displaced;
    CGrafPort port;
    EightBitPort()
    {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[256];
        } info{};
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = 8;
        info.header.biHeight = -8;
        info.header.biPlanes = 1;
        info.header.biBitCount = 8;
        info.header.biClrUsed = 256;
        void *bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
        displaced = SelectObject(dc, bitmap);
        OpenPortForHDC(&port, dc);
    }
    ~EightBitPort()
    {
        SetPor(WindowManagerPort());
        CloseCPort(&port);
        SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        SelectObject(dc, displaced);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    GrafPtr grafPtr() { return reinterpret_cast<GrafPtr>(&port); }
};

// With palette management, a port's palette becomes the library palette when the port is selected,
// selected into its DC; disposing it hands the library palette back to the default one first.
TEST_F(Palettes, LibraryPaletteRealisesIntoAnEightBitDib)
{
    std::vector<RGBColor> colours = Ramp(16);
    CTabHandle ct = MakeTable(colours, 555);
    PaletteHandle standard = NewPalette(4, nullptr, 0, 0);
    SetPalette(nullptr, standard, false);
    PaletteHandle pal = NewPalette(16, ct, pmTolerant, 0);
    ZEL_SystemValue(1, kSettingPaletteManagement, 1);
    {
        EightBitPort eight;
        NSetPalette(eight.grafPtr(), pal, 0);
        SetPor(eight.grafPtr());
        HPALETTE hpal = nullptr;
        ZEL_GetWindowsPalette(eight.grafPtr(), &hpal);
        if (!PaletteScreen()) {
            EXPECT_EQ(hpal, nullptr);
            EXPECT_EQ(ZEL_SystemValue(0, kSettingLibraryPalette, 0), 0u);
        } else {
            ASSERT_NE(hpal, nullptr);
            EXPECT_EQ(ZEL_SystemValue(0, kSettingLibraryPalette, 0), reinterpret_cast<uintptr_t>(hpal));
            EXPECT_EQ(GetCurrentObject(eight.dc, OBJ_PAL), hpal);
            DisposePalette(pal);
            pal = nullptr;
            HGDIOBJ now = GetCurrentObject(eight.dc, OBJ_PAL);
            EXPECT_NE(now, hpal) << "a disposed palette stays selected";
            EXPECT_NE(GetObjectType(now), 0u);
        }
    }
    ZEL_SystemValue(1, kSettingPaletteManagement, 0);
    SetPalette(nullptr, saved_, false);
    if (pal)
        DisposePalette(pal);
    DisposePalette(standard);
    DisposeCTable(ct);
}

// Animation marks entries 1 .. n - 2 PC_RESERVED and takes the marks off again.
TEST_F(Palettes, AnimationReservesTheInnerEntries)
{
    if (!PaletteScreen()) {
        ZEL_BeginPaletteAnimation(); // without a library palette nothing happens
        ZEL_EndPaletteAnimation();
        EXPECT_EQ(ZEL_SystemValue(0, kSettingLibraryPalette, 0), 0u);
        return;
    }
    CTabHandle ct = MakeTable(Ramp(16), 556);
    PaletteHandle pal = NewPalette(16, ct, pmAnimated, 0);
    ZEL_SystemValue(1, kSettingPaletteManagement, 1);
    ZEL_SetFlags(0, 0, kPaletteSwitch, kPaletteSwitch);
    SetPalette(nullptr, pal, false);
    auto hpal = reinterpret_cast<HPALETTE>(static_cast<uintptr_t>(ZEL_SystemValue(0, kSettingLibraryPalette, 0)));
    ASSERT_NE(hpal, nullptr);
    ZEL_BeginPaletteAnimation();
    PALETTEENTRY e[16];
    ASSERT_EQ(GetPaletteEntries(hpal, 0, 16, e), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(e[i].peFlags, i >= 1 && i <= 14 ? PC_RESERVED : 0) << i;
    ZEL_EndPaletteAnimation();
    ASSERT_EQ(GetPaletteEntries(hpal, 0, 16, e), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(e[i].peFlags & PC_RESERVED, 0) << i;
    SetPalette(nullptr, saved_, false);
    ZEL_SystemValue(1, kSettingPaletteManagement, 0);
    DisposePalette(pal);
    DisposeCTable(ct);
}

// A library palette of more than 236 colours turns the static colours off and the 21 system colours
// to black and white; one of 236 or fewer brings them back.
TEST_F(Palettes, SystemColoursSwapForLargePalettesAndComeBack)
{
    const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_HIGHLIGHT, COLOR_MENU};
    const COLORREF replaced[] = {0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF};
    COLORREF before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = GetSysColor(elements[i]);
    CTabHandle big = MakeTable(Ramp(256), 557), small = MakeTable(Ramp(16), 558);
    PaletteHandle large = NewPalette(256, big, pmTolerant, 0), few = NewPalette(16, small, pmTolerant, 0);
    ZEL_SystemValue(1, kSettingPaletteManagement, 1);
    SetPalette(nullptr, large, false);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(GetSysColor(elements[i]), PaletteScreen() ? replaced[i] : before[i]) << i;
    SetPalette(nullptr, few, false);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(GetSysColor(elements[i]), before[i]) << i;
    // However the case ended, the colours go back.
    SetSysColors(5, elements, before);
    SetPalette(nullptr, saved_, false);
    ZEL_SystemValue(1, kSettingPaletteManagement, 0);
    DisposePalette(large);
    DisposePalette(few);
    DisposeCTable(big);
    DisposeCTable(small);
}

TEST_F(Palettes, QueryNewPaletteRealisesNothingWhileActive)
{
    HWND window = CreateDrawingWindow(16, 16);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ZEL_QueryNewPalette(window), 0u);
    EXPECT_EQ(ZEL_PaletteChanged(window, window), 0u) << "its own change needs nothing";
    DestroyWindow(window);
}

TEST_F(Palettes, CopyPaletteOnlyReports)
{
    TakeDebugMessages();
    CopyPalette(nullptr, nullptr, 0, 0, 1);
    std::string all;
    for (const std::string &m : TakeDebugMessages())
        all += m;
    EXPECT_NE(all.find("CopyPalette"), std::string::npos);
}

} // namespace

namespace {

// SetEntries writes the current device's colour table within 0..255, growing it for a higher index,
// and the library palette where its slot has room: reversed for a 256-entry table, in order otherwise.
TEST_F(Palettes, SetEntriesWritesTheDeviceTableAndTheLibraryPalette)
{
    CTabHandle colours = MakeTable(Ramp(16), 559);
    PaletteHandle pal = NewPalette(16, colours, pmTolerant, 0);
    ZEL_SystemValue(1, kSettingPaletteManagement, 1);
    ZEL_SetFlags(0, 0, kPaletteSwitch, kPaletteSwitch);
    SetPalette(nullptr, pal, false);
    auto hpal = reinterpret_cast<HPALETTE>(static_cast<uintptr_t>(ZEL_SystemValue(0, kSettingLibraryPalette, 0)));

    GDHandle main = GetGDevice();
    GDHandle device = NewGDevice(1, 0);
    PixMapHandle pm = (*device)->gdPMap;
    DisposeHandle(reinterpret_cast<Handle>((*pm)->pmTable));
    CTabHandle table = MakeTable(Ramp(16), 560);
    (*pm)->pmTable = table;
    SetGDevice(device);
    const uint32_t counter = (*pm)->pmExtDevSeed;

    const ColorSpec first[3] = {{0, Mac(255, 255, 255)}, {0, Mac(10, 20, 30)}, {0, Mac(0, 0, 0)}};
    SetEntries(2, 2, first);
    const ColorSpec byValue[3] = {{40, Mac(1, 2, 3)}, {300, Mac(9, 9, 9)}, {-5, Mac(8, 8, 8)}};
    SetEntries(-1, 2, byValue);
    // The device table is written on every screen (the library palette's slot exists everywhere).
    EXPECT_TRUE(Same((*table)->ctTable[3].rgb, first[1].rgb));
    EXPECT_TRUE(Same((*table)->ctTable[4].rgb, first[2].rgb));
    ASSERT_EQ((*table)->ctSize, 40) << "grown for index 40; 300 and -5 are not written";
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(table)), 8 + 8 * 41);
    EXPECT_TRUE(Same((*table)->ctTable[40].rgb, byValue[0].rgb));
    EXPECT_NE((*table)->ctSeed, 560u);
    EXPECT_EQ((*pm)->pmExtDevSeed, counter + 2);
    if (!hpal) {
        EXPECT_FALSE(PaletteScreen());
    } else {
        PALETTEENTRY e[41];
        ASSERT_EQ(GetPaletteEntries(hpal, 0, 41, e), 41u);
        EXPECT_EQ(e[2].peRed, 255);
        EXPECT_EQ(e[2].peFlags, 0) << "white is not kept from collapsing";
        EXPECT_EQ(e[3].peGreen, 20);
        EXPECT_EQ(e[3].peFlags, PC_NOCOLLAPSE);
        EXPECT_EQ(e[40].peBlue, 3);
    }
    SetGDevice(main);
    DisposeGDevice(device);
    SetPalette(nullptr, saved_, false);
    DisposePalette(pal);
    DisposeCTable(colours);
}

} // namespace

// InitGraf's screen set-up through the library: the probes leave the screen as they found it and the
// shapes drawn afterwards keep their coverage; the screen table and default palette for the session's
// options; InitGraf and ExitGraf cycles that give back every object. Runs at 24, 16 and 8 bits.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "MacMemory.h"
#include "Palettes.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;

namespace {

constexpr int16_t kSettingScreenProbe = 21;
constexpr int16_t kSettingPaletteManagement = 55;
constexpr uint32_t kPaletteSwitch = 0x4000;

HWND MainWindow() { return HostMainWindow(); }

bool PaletteScreen()
{
    HDC dc = GetDC(nullptr);
    bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, dc);
    return palette;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

class ScreenSetup : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QuickDrawGlobals(); }
    // Every case ends with InitGraf on the session's own options.
    void TearDown() override
    {
        ZEL_SetFlags(zelFlagReducedPalette, 0, kPaletteSwitch, 0);
        ZEL_SystemValue(1, kSettingPaletteManagement, 0);
        InitGraf(&QuickDrawGlobals().thePort);
    }
    static void Reinit() { InitGraf(&QuickDrawGlobals().thePort); }
};

// The top-left 32 x 32 of the shown main window's client, read back from its DC.
std::vector<COLORREF> TopLeft(HWND hwnd)
{
    HDC dc = GetDC(hwnd);
    std::vector<COLORREF> out;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            out.push_back(GetPixel(dc, x, y));
    ReleaseDC(hwnd, dc);
    return out;
}

TEST_F(ScreenSetup, ProbesLeaveTheScreenAsItWas)
{
    HWND main = MainWindow();
    ASSERT_NE(main, nullptr);
    ShowWindow(main, SW_SHOWNOACTIVATE);
    UpdateWindow(main);
    Pump();
    // A known image: squares of four colours, one pixel of each colour in every 2 x 2 block.
    HDC dc = GetDC(main);
    const COLORREF colours[4] = {RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 255, 255)};
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            SetPixel(dc, x, y, colours[(x & 1) + 2 * (y & 1)]);
    GdiFlush();
    ReleaseDC(main, dc);
    std::vector<COLORREF> before = TopLeft(main);
    for (int run = 0; run < 2; ++run) {
        ZEL_QDInitTestScreen();
        EXPECT_TRUE(TopLeft(main) == before) << "run " << run;
    }
    ShowWindow(main, SW_HIDE);
    Pump();
}

// After the probes (whatever routes they chose), PaintRect covers exactly [l, r) x [t, b).
TEST_F(ScreenSetup, RectanglesKeepTheirCoverageAfterTheProbes)
{
    ZEL_QDInitTestScreen();
    DibPort port(12, 10);
    SetPor(port.port());
    const Rect rects[] = {{2, 3, 7, 9}, {0, 0, 1, 1}, {4, 1, 10, 12}};
    for (const Rect &r : rects) {
        port.surface().Fill(RGB(255, 255, 255));
        PaintRect(&r);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x) {
                bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                ASSERT_EQ(port.surface().Pixel(x, y), inside ? RGB(0, 0, 0) : RGB(255, 255, 255))
                    << x << "," << y << " of " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
            }
    }
    SetPor(QuickDrawGlobals().thePort);
}

// Selector 21 answers the DIB transfer probe: GetDIBits and SetDIBits of 8 rows of a 16 x 16 screen
// bitmap move exactly 8 rows.
TEST_F(ScreenSetup, DibTransferProbeIsSelector21)
{
    HDC dc = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 16, 16);
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * 4);
    auto *bi = reinterpret_cast<BITMAPINFO *>(info.data());
    bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    GetDIBits(dc, bitmap, 0, 0, nullptr, bi, DIB_RGB_COLORS);
    bi->bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> bits(16 * 16 * 4 * 2);
    bool exact = (GetDeviceCaps(dc, RASTERCAPS) & RC_DI_BITMAP) &&
                 GetDIBits(dc, bitmap, 0, 8, bits.data(), bi, DIB_RGB_COLORS) == 8 &&
                 SetDIBits(dc, bitmap, 0, 8, bits.data(), bi, DIB_RGB_COLORS) == 8;
    DeleteObject(bitmap);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(ZEL_SystemValue(0, kSettingScreenProbe, 0), exact ? 1u : 0u);
}

struct Rgb8 {
    int r, g, b;
};

std::vector<Rgb8> ScreenTable()
{
    CTabHandle ct = GetCTable(-8);
    std::vector<Rgb8> out;
    if (!ct)
        return out;
    EXPECT_EQ((*ct)->ctSeed, static_cast<uint32_t>(-8));
    for (int i = 0; i <= (*ct)->ctSize; ++i) {
        const RGBColor &c = (*ct)->ctTable[i].rgb;
        EXPECT_EQ(c.red % 257 + c.green % 257 + c.blue % 257, 0) << "each byte widened x 257";
        out.push_back({c.red / 257, c.green / 257, c.blue / 257});
    }
    DisposeCTable(ct);
    return out;
}

// GetCTable(-8) is the library standard palette the session's options give, and the default palette
// holds its colours.
TEST_F(ScreenSetup, ScreenTableFollowsTheOptions)
{
    std::vector<Rgb8> standard = ScreenTable();
    ASSERT_EQ(standard.size(), 236u);
    for (int i = 0; i < 216; ++i) {
        ASSERT_EQ(standard[i].r, i / 36 * 51) << i;
        ASSERT_EQ(standard[i].g, i / 6 % 6 * 51) << i;
        ASSERT_EQ(standard[i].b, i % 6 * 51) << i;
    }
    EXPECT_EQ(standard[0].r + standard[0].g + standard[0].b, 0) << "black first";
    EXPECT_EQ(standard[215].r, 255) << "white at 215";
    EXPECT_EQ(standard[216].r, 17);
    EXPECT_EQ(standard[226].r, 25);
    PaletteHandle pal = GetPalette(nullptr);
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ((*pal)->pmEntries, 236);
    EXPECT_EQ((*pal)->pmSeed, 0x77u);
    EXPECT_EQ((*pal)->pmInfo[43].ciRGB.green, 51 * 257);
    EXPECT_EQ((*pal)->pmInfo[0].ciUsage, pmTolerant);

    ZEL_SetFlags(zelFlagReducedPalette, zelFlagReducedPalette, 0, 0);
    Reinit();
    std::vector<Rgb8> grays = ScreenTable();
    ASSERT_EQ(grays.size(), 128u);
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(grays[i].r, i == 127 ? 255 : 2 * i) << i;
    ZEL_SetFlags(zelFlagReducedPalette, 0, 0, 0);

    // Palette management off and the palette switch on: the 256 standard colours instead.
    ZEL_SetFlags(0, 0, kPaletteSwitch, kPaletteSwitch);
    Reinit();
    std::vector<Rgb8> colours = ScreenTable();
    CTabHandle eight = GetCTable(8);
    ASSERT_EQ(colours.size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(colours[i].g, (*eight)->ctTable[i].rgb.green / 257) << i;
    DisposeCTable(eight);
    EXPECT_EQ((*GetPalette(nullptr))->pmEntries, 256);
}

// On a palette screen the default palette realises as 256 colours: the 236 and the system's 20.
TEST_F(ScreenSetup, DefaultPaletteOnThisScreen)
{
    HPALETTE hpal = nullptr;
    ZEL_GetWindowsPalette(nullptr, &hpal);
    if (!PaletteScreen()) {
        EXPECT_EQ(hpal, nullptr);
        return;
    }
    ASSERT_NE(hpal, nullptr);
    PALETTEENTRY e[256];
    ASSERT_EQ(GetPaletteEntries(hpal, 0, 256, e), 256u);
    EXPECT_EQ(e[215].peRed, 255);
    EXPECT_EQ(e[43].peBlue, 51);
    HDC screen = GetDC(nullptr);
    PALETTEENTRY system[256];
    GetSystemPaletteEntries(screen, 0, 256, system);
    ReleaseDC(nullptr, screen);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(e[236 + i].peGreen, system[i].peGreen) << i;
        EXPECT_EQ(e[246 + i].peGreen, system[246 + i].peGreen) << i;
    }
}

// 50 InitGraf / ExitGraf cycles give back every GDI object and memory block: the GDI handle slots new
// objects take stay among a few, and the free memory is what it was after the first cycles.
TEST_F(ScreenSetup, InitGrafCyclesLeakNothing)
{
    auto nextGdiSlot = [] {
        HBITMAP b = CreateBitmap(1, 1, 1, 1, nullptr);
        uint16_t slot = LOWORD(reinterpret_cast<uintptr_t>(b));
        DeleteObject(b);
        return slot;
    };
    Reinit();
    Reinit();
    const Size free = FreeMem();
    std::set<uint16_t> slots;
    for (int i = 0; i < 50; ++i) {
        Reinit();
        slots.insert(nextGdiSlot());
    }
    // Freed slots come round again in a short cycle; an object left behind by each InitGraf would
    // push every later object into a slot never used before.
    EXPECT_LT(slots.size(), 20u) << "GDI handle slots keep moving on";
    EXPECT_EQ(FreeMem(), free);
}

} // namespace

// CopyBits of deep PixMaps onto a window of an 8-bit palette screen, where the colour-cube engines make
// the palette indices: unscaled and scaled, with and without ditherCopy, every pixel shown is a colour
// of the library palette close to its source colour; cube colours come out exactly without dithering,
// and grays stay gray. Run under a display of depth 8; on other displays the cases are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"

namespace {

using testing_support::CreateDrawingWindow;
using testing_support::QuickDrawTest;
using testing_support::WindowColorPort;
using testing_support::WindowManagerPort;

constexpr int16_t kSettingLibraryPalette = 22, kSettingPaletteManagement = 55;

class PaletteScreenTest : public QuickDrawTest {
protected:
    void SetUp() override
    {
        QuickDrawTest::SetUp();
        HDC screen = GetDC(nullptr);
        palette_ = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) && GetDeviceCaps(screen, BITSPIXEL) == 8;
        ReleaseDC(nullptr, screen);
        if (!palette_)
            GTEST_SKIP() << "not a palette screen";
        previousManagement_ = ZEL_SystemValue(1, kSettingPaletteManagement, 1);
    }
    void TearDown() override
    {
        if (palette_)
            ZEL_SystemValue(1, kSettingPaletteManagement, previousManagement_);
        QuickDrawTest::TearDown();
    }
    bool palette_ = false;
    uint32_t previousManagement_ = 0;
};

// A direct PixMap in memory: 16-bit 5-5-5 or 32-bit 0x00RRGGBB pixels from a colour function.
struct DirectPixMap {
    PixMap pm{};
    std::vector<uint8_t> rows;
    int width, height, depth;
    DirectPixMap(int w, int h, int d, COLORREF (*colour)(int, int)) : width(w), height(h), depth(d)
    {
        const int rowBytes = w * d / 8;
        rows.assign(static_cast<size_t>(rowBytes) * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const COLORREF c = colour(x, y);
                uint32_t v = d == 32 ? (GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c))
                                     : ((GetRValue(c) >> 3) << 10 | (GetGValue(c) >> 3) << 5 | (GetBValue(c) >> 3));
                std::memcpy(rows.data() + y * rowBytes + x * d / 8, &v, d / 8);
            }
        pm.baseAddr = reinterpret_cast<Ptr>(rows.data());
        pm.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
        pm.bounds = {0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
        pm.pixelType = 16;
        pm.pixelSize = static_cast<int16_t>(d);
        pm.cmpCount = 3;
        pm.cmpSize = static_cast<int16_t>(d == 16 ? 5 : 8);
        pm.hRes = pm.vRes = 0x00480000;
    }
    const BitMap *bits() const { return reinterpret_cast<const BitMap *>(&pm); }
};

// Colours in 2 x 2 blocks: cube colours (components 0, 51, ..., 255) and colours between them.
COLORREF Blocks(int x, int y)
{
    static const COLORREF colours[] = {RGB(255, 0, 0),   RGB(0, 153, 255), RGB(51, 102, 204), RGB(255, 255, 255),
                                       RGB(130, 20, 70), RGB(200, 180, 10), RGB(90, 240, 160), RGB(0, 0, 0)};
    return colours[((x / 2) + 3 * (y / 2)) % 8];
}
bool IsCubeColour(COLORREF c)
{
    return GetRValue(c) % 51 == 0 && GetGValue(c) % 51 == 0 && GetBValue(c) % 51 == 0;
}
COLORREF GrayRamp(int x, int y)
{
    const int v = (x * 13 + y * 29) % 256;
    return RGB(v, v, v);
}

// The library palette's entries, and how the window shows each of them: drawn by index through the
// palette (the display may show an entry as its nearest colour of the system palette).
struct PaletteView {
    std::vector<COLORREF> entries, shown;
    explicit PaletteView(HDC dc)
    {
        HPALETTE palette =
            reinterpret_cast<HPALETTE>(static_cast<uintptr_t>(ZEL_SystemValue(0, kSettingLibraryPalette, 0)));
        PALETTEENTRY e[256];
        const UINT n = palette ? GetPaletteEntries(palette, 0, 256, e) : 0;
        struct {
            BITMAPINFOHEADER h;
            WORD index[256];
        } info{};
        info.h = {sizeof(BITMAPINFOHEADER), static_cast<LONG>(n), 1, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
        std::vector<uint8_t> row((n + 3) & ~3u);
        for (UINT i = 0; i < n; ++i) {
            info.index[i] = static_cast<WORD>(i);
            row[i] = static_cast<uint8_t>(i);
            entries.push_back(RGB(e[i].peRed, e[i].peGreen, e[i].peBlue));
        }
        SetDIBitsToDevice(dc, 0, kStripY, n, 1, 0, 0, 0, 1, row.data(), reinterpret_cast<BITMAPINFO *>(&info),
                          DIB_PAL_COLORS);
        for (UINT i = 0; i < n; ++i)
            shown.push_back(GetPixel(dc, static_cast<int>(i), kStripY));
    }
    static constexpr int kStripY = 47;
    // The way the window shows some entry that `accept` takes.
    template <typename Accept> bool ShowsAnEntry(COLORREF pixel, Accept accept) const
    {
        for (size_t i = 0; i < entries.size(); ++i)
            if (shown[i] == pixel && accept(entries[i]))
                return true;
        return false;
    }
};

int Distance(COLORREF a, COLORREF b)
{
    return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                     std::abs(GetBValue(a) - GetBValue(b))});
}

struct Scale {
    const char *what;
    int num, den;
};
const Scale kScales[] = {{"1:1", 1, 1}, {"2x", 2, 1}, {"1/2", 1, 2}, {"3/2", 3, 2}};

TEST_F(PaletteScreenTest, DeepPixMapsShowPaletteColoursNearTheirOwn)
{
    HWND window = CreateDrawingWindow(256, 48);
    ASSERT_NE(window, nullptr);
    for (int depth : {16, 32}) {
        DirectPixMap src(12, 8, depth, Blocks);
        for (const Scale &scale : kScales) {
            for (bool dither : {false, true}) {
                SCOPED_TRACE(std::to_string(depth) + "-bit, " + scale.what + (dither ? ", ditherCopy" : ""));
                WindowColorPort port(window);
                SetPor(port.port());
                RealizePalette(port.dc()); // as the host does when its window takes the palette
                EraseRect(&port.port()->portRect);
                const int dw = 12 * scale.num / scale.den, dh = 8 * scale.num / scale.den;
                const Rect srcRect = src.pm.bounds, dstRect = {0, 0, static_cast<int16_t>(dh), static_cast<int16_t>(dw)};
                CopyBits(src.bits(), &port.port()->portBits, &srcRect, &dstRect,
                         static_cast<int16_t>(srcCopy | (dither ? ditherCopy : 0)), nullptr);
                GdiFlush();
                const PaletteView palette(port.dc());
                ASSERT_FALSE(palette.entries.empty());
                int distant = 0, inexact = 0;
                std::string first;
                for (int y = 0; y < dh; ++y)
                    for (int x = 0; x < dw; ++x) {
                        const COLORREF shown = GetPixel(port.dc(), x, y);
                        // The source pixels near the one under this pixel: any may be sampled.
                        const int sx = x * scale.den / scale.num, sy = y * scale.den / scale.num;
                        const bool nearSource = palette.ShowsAnEntry(shown, [&](COLORREF entry) {
                            for (int j = -1; j <= 1; ++j)
                                for (int i = -1; i <= 1; ++i)
                                    if (sx + i >= 0 && sx + i < 12 && sy + j >= 0 && sy + j < 8 &&
                                        Distance(entry, Blocks(sx + i, sy + j)) <= 51)
                                        return true;
                            return false;
                        });
                        if (!nearSource && distant++ == 0)
                            first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
                        const COLORREF own = Blocks(sx, sy);
                        if (depth == 32 && !dither && scale.num == scale.den && IsCubeColour(own) &&
                            !palette.ShowsAnEntry(shown, [&](COLORREF entry) { return entry == own; }))
                            ++inexact;
                    }
                EXPECT_EQ(distant, 0) << "pixels not a palette entry within one cube step of their source, first at "
                                      << first;
                EXPECT_EQ(inexact, 0) << "cube colours not shown exactly";
            }
        }
    }
    DestroyWindow(window);
}

TEST_F(PaletteScreenTest, GraysStayGray)
{
    HWND window = CreateDrawingWindow(256, 48);
    ASSERT_NE(window, nullptr);
    for (int depth : {16, 32}) {
        DirectPixMap src(16, 12, depth, GrayRamp);
        for (bool dither : {false, true}) {
            SCOPED_TRACE(std::to_string(depth) + (dither ? "-bit, ditherCopy" : "-bit"));
            WindowColorPort port(window);
            SetPor(port.port());
            RealizePalette(port.dc());
            EraseRect(&port.port()->portRect);
            const Rect srcRect = src.pm.bounds, dstRect = {0, 0, 24, 32};
            CopyBits(src.bits(), &port.port()->portBits, &srcRect, &dstRect,
                     static_cast<int16_t>(srcCopy | (dither ? ditherCopy : 0)), nullptr);
            GdiFlush();
            const PaletteView palette(port.dc());
            int coloured = 0;
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 32; ++x)
                    coloured += !palette.ShowsAnEntry(GetPixel(port.dc(), x, y), [](COLORREF e) {
                        return GetRValue(e) == GetGValue(e) && GetGValue(e) == GetBValue(e);
                    });
            EXPECT_EQ(coloured, 0);
        }
    }
    DestroyWindow(window);
}

} // namespace

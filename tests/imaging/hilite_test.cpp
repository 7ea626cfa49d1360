// Hilite mode on a shown window: with the HiliteMode bit cleared, InvertRect, PaintRect, a wide pen's
// FrameRect sides and CopyBits srcXor of a one-bit mask exchange the background and hilite colours (and
// only those), twice gives the pixels back, tall rectangles are done over their whole height, the bit is
// set again after each call, and a failed exchange leaves the ordinary drawing. The same program runs on
// 16-bit and 8-bit displays, where the expected colours are what the display shows for them; on a
// palette display the palette index map is checked against the system palette. Ports over DIB sections
// of different formats, hilited in turn, each exchange their own two pixel values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LowMem.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {

using testing_support::CreateDrawingWindow;
using testing_support::QuickDrawTest;
using testing_support::WindowColorPort;
using testing_support::WindowManagerPort;

class HiliteTest : public QuickDrawTest {};

constexpr int kWidth = 920, kHeight = 320;

const RGBColor kHiliteRGB = {0xFFFF, 0xFFFF, 0};

// The window of the test, white, with red and blue pixels here and there, and the colours as the display
// shows white, the hilite colour, red and blue.
struct Scene {
    HWND window = CreateDrawingWindow(kWidth, kHeight);
    WindowColorPort *port = nullptr;
    COLORREF white = 0, hilite = 0, red = 0, blue = 0;
    std::vector<COLORREF> before;

    Scene()
    {
        port = new WindowColorPort(window);
        SetPor(port->port());
        HiliteColor(&kHiliteRGB);
        Rect all = {0, 0, kHeight, kWidth};
        EraseRect(&all);
        white = Shown(RGB(255, 255, 255));
        hilite = Shown(RGB(255, 255, 0));
        red = Shown(RGB(255, 0, 0));
        blue = Shown(RGB(0, 0, 255));
        EraseRect(&all);
        for (int y = 0; y < kHeight; y += 7)
            for (int x = (y * 3) % 11; x < kWidth; x += 13)
                SetPixelV(port->dc(), x, y, (x + y) % 2 ? RGB(255, 0, 0) : RGB(0, 0, 255));
        GdiFlush();
        before = Capture();
    }
    ~Scene()
    {
        delete port;
        DestroyWindow(window);
    }
    // What the display shows for a colour.
    COLORREF Shown(COLORREF c)
    {
        SetPixelV(port->dc(), 0, 0, c);
        return GetPixel(port->dc(), 0, 0);
    }
    std::vector<COLORREF> Capture()
    {
        // The whole window through one bitmap: GetPixel over 300,000 pixels is slow.
        std::vector<COLORREF> pixels(kWidth * kHeight);
        BITMAPINFOHEADER h = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC memory = CreateCompatibleDC(port->dc());
        void *bits = nullptr;
        HBITMAP section = CreateDIBSection(memory, reinterpret_cast<BITMAPINFO *>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, section);
        GdiFlush();
        BitBlt(memory, 0, 0, kWidth, kHeight, port->dc(), 0, 0, SRCCOPY);
        GdiFlush();
        const uint32_t *p = static_cast<const uint32_t *>(bits);
        for (int i = 0; i < kWidth * kHeight; ++i)
            pixels[i] = RGB(p[i] >> 16 & 255, p[i] >> 8 & 255, p[i] & 255);
        SelectObject(memory, old);
        DeleteObject(section);
        DeleteDC(memory);
        return pixels;
    }
    COLORREF Exchanged(COLORREF c) const { return c == white ? hilite : c == hilite ? white : c; }
    // The window against `before` with the pixels `inside` exchanged: empty when they agree.
    template <typename Inside> std::string Misses(Inside inside, const std::vector<COLORREF> &from)
    {
        const std::vector<COLORREF> now = Capture();
        // Colours are compared as the capture shows them.
        int wrong = 0;
        std::string first;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const COLORREF was = from[y * kWidth + x];
                const COLORREF want = inside(x, y) ? ExchangedCaptured(was) : was;
                if (now[y * kWidth + x] != want && wrong++ == 0)
                    first = "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        return wrong ? std::to_string(wrong) + " pixels wrong, " + first : std::string();
    }
    // The exchange between the captured forms of white and the hilite colour.
    COLORREF ExchangedCaptured(COLORREF c) const { return c == capturedWhite ? capturedHilite : c == capturedHilite ? capturedWhite : c; }
    COLORREF capturedWhite = 0, capturedHilite = 0;
    void LearnCapturedColours()
    {
        Rect spot = {0, 0, 1, 1};
        RGBColor yellow = kHiliteRGB, oldFore;
        GetForeColor(&oldFore);
        RGBForeColor(&yellow);
        PaintRect(&spot);
        capturedHilite = Capture()[0];
        EraseRect(&spot);
        capturedWhite = Capture()[0];
        RGBForeColor(&oldFore);
        before = Capture();
    }
};

void HiliteNext() { LMSetHiliteMode(static_cast<uint8_t>(LMGetHiliteMode() & 0x7F)); }

bool Inside(const Rect &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

TEST_F(HiliteTest, RectangleVerbsExchangeTheTwoColours)
{
    Scene scene;
    ASSERT_NE(scene.window, nullptr);
    scene.LearnCapturedColours();
    ASSERT_NE(scene.capturedWhite, scene.capturedHilite);
    const Rect r = {20, 30, 90, 150};
    // InvertRect twice, PaintRect twice.
    for (void (*verb)(const Rect *) : {+[](const Rect *rect) { InvertRect(rect); }, +[](const Rect *rect) { PaintRect(rect); }}) {
        const std::vector<COLORREF> start = scene.Capture();
        HiliteNext();
        verb(&r);
        EXPECT_TRUE(LMGetHiliteMode() & 0x80) << "hilite mode lasts one call";
        EXPECT_EQ(scene.Misses([&](int x, int y) { return Inside(r, x, y); }, start), "");
        HiliteNext();
        verb(&r);
        EXPECT_EQ(scene.Misses([](int, int) { return false; }, start), "");
    }
    // A wide pen's frame: its four sides.
    PenSize(5, 3);
    const std::vector<COLORREF> start = scene.Capture();
    HiliteNext();
    FrameRect(&r);
    PenSize(1, 1);
    EXPECT_EQ(scene.Misses([&](int x, int y) {
                  return Inside(r, x, y) && !(x >= r.left + 5 && x < r.right - 5 && y >= r.top + 3 && y < r.bottom - 3);
              }, start),
              "");
}

TEST_F(HiliteTest, TallRectanglesOverTheirWholeHeight)
{
    Scene scene;
    ASSERT_NE(scene.window, nullptr);
    scene.LearnCapturedColours();
    const Rect r = {10, 10, 310, 910};
    HiliteNext();
    InvertRect(&r);
    EXPECT_EQ(scene.Misses([&](int x, int y) { return Inside(r, x, y); }, scene.before), "");
}

TEST_F(HiliteTest, CopyBitsSrcXorThroughAMask)
{
    Scene scene;
    ASSERT_NE(scene.window, nullptr);
    scene.LearnCapturedColours();
    // A 40 x 12 mask: black in a diagonal band.
    const int mw = 40, mh = 12, rowBytes = 6;
    std::vector<uint8_t> bits(rowBytes * mh, 0);
    auto black = [&](int x, int y) { return ((x + 2 * y) / 5) % 2 == 0; };
    for (int y = 0; y < mh; ++y)
        for (int x = 0; x < mw; ++x)
            if (black(x, y))
                bits[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    BitMap mask = {reinterpret_cast<Ptr>(bits.data()), rowBytes, {0, 0, mh, mw}};
    const struct {
        const char *what;
        Rect src, dst;
    } cases[] = {
        {"the whole mask", {0, 0, mh, mw}, {40, 50, 40 + mh, 50 + mw}},
        {"a part starting inside the mask", {1, 3, 9, 30}, {60, 100, 68, 127}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<COLORREF> start = scene.Capture();
        HiliteNext();
        CopyBits(&mask, &scene.port->port()->portBits, &c.src, &c.dst, srcXor, nullptr);
        EXPECT_TRUE(LMGetHiliteMode() & 0x80);
        EXPECT_EQ(scene.Misses([&](int x, int y) {
                      return Inside(c.dst, x, y) && black(c.src.left + x - c.dst.left, c.src.top + y - c.dst.top);
                  }, start),
                  "");
    }
    // Rectangles of different sizes: a plain srcXor, which the hilite exchange is not.
    const Rect src = {0, 0, mh, mw}, dst = {80, 200, 80 + 2 * mh, 200 + 2 * mw};
    const std::vector<COLORREF> start = scene.Capture();
    HiliteNext();
    CopyBits(&mask, &scene.port->port()->portBits, &src, &dst, srcXor, nullptr);
    const std::vector<COLORREF> after = scene.Capture();
    // White under the mask's black bits turns black, not the hilite colour.
    int whiteUnderBlack = 0, madeBlack = 0;
    for (int y = dst.top; y < dst.bottom; ++y)
        for (int x = dst.left; x < dst.right; ++x)
            if (start[y * kWidth + x] == scene.capturedWhite && black((x - dst.left) / 2, (y - dst.top) / 2)) {
                ++whiteUnderBlack;
                madeBlack += after[y * kWidth + x] == RGB(0, 0, 0);
            }
    EXPECT_GT(whiteUnderBlack, 0);
    EXPECT_EQ(madeBlack, whiteUnderBlack);
}

TEST_F(HiliteTest, AnExchangeThatCannotBeDoneInverts)
{
    Scene scene;
    ASSERT_NE(scene.window, nullptr);
    scene.LearnCapturedColours();
    const Rect r = {20, 30, 60, 90};
    const Boolean was = RefuseHiliteSwaps(true);
    const std::vector<COLORREF> start = scene.Capture();
    HiliteNext();
    InvertRect(&r);
    RefuseHiliteSwaps(was);
    const std::vector<COLORREF> inverted = scene.Capture();
    InvertRect(&r); // an ordinary invert puts it back
    EXPECT_EQ(scene.Misses([](int, int) { return false; }, start), "");
    // Every pixel changed, and white ones turned black rather than the hilite colour.
    int changed = 0, white = 0, madeBlack = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            changed += inverted[y * kWidth + x] != start[y * kWidth + x];
            if (start[y * kWidth + x] == scene.capturedWhite) {
                ++white;
                madeBlack += inverted[y * kWidth + x] == RGB(0, 0, 0);
            }
        }
    EXPECT_EQ(changed, (r.bottom - r.top) * (r.right - r.left));
    EXPECT_GT(white, 0);
    EXPECT_EQ(madeBlack, white);
}

// Ports over memory DCs holding DIB sections of direct-colour formats, hilited in turn over rectangles
// of one width: bitmaps kept from one call must not carry another format's pixels, and DIB sections
// (whose records count rows of 32-bit words) exchange like any bitmap.
TEST_F(HiliteTest, DibPortsOfDifferentFormatsInTurn)
{
    struct Format {
        const char *what;
        WORD bits;
        DWORD compression, masks[3];
    };
    const Format formats[] = {
        {"32-bit", 32, BI_RGB, {0, 0, 0}},
        {"32-bit, red in the low byte", 32, BI_BITFIELDS, {0x0000FF, 0x00FF00, 0xFF0000}},
        {"24-bit", 24, BI_RGB, {0, 0, 0}},
        {"16-bit 5-5-5", 16, BI_RGB, {0, 0, 0}},
        {"16-bit 5-6-5", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}},
    };
    constexpr int w = 200, h = 150;
    struct Surface {
        HDC dc;
        HBITMAP section;
        HGDIOBJ displaced;
        uint8_t *bits;
        int rowBytes;
        CGrafPort port;
        uint32_t Value(int x, int y, int bytes) const
        {
            uint32_t v = 0;
            std::memcpy(&v, bits + y * rowBytes + x * bytes, static_cast<size_t>(bytes));
            return v;
        }
    };
    std::vector<Surface> surfaces;
    for (const Format &f : formats) {
        struct {
            BITMAPINFOHEADER h;
            DWORD masks[3];
        } info = {{sizeof(BITMAPINFOHEADER), w, -h, 1, f.bits, f.compression, 0, 0, 0, 0, 0}, {f.masks[0], f.masks[1], f.masks[2]}};
        Surface s{};
        s.dc = CreateCompatibleDC(nullptr);
        void *bits = nullptr;
        s.section = CreateDIBSection(s.dc, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(s.section, nullptr) << f.what;
        s.displaced = SelectObject(s.dc, s.section);
        s.bits = static_cast<uint8_t *>(bits);
        s.rowBytes = (w * f.bits / 8 + 3) & ~3;
        surfaces.push_back(s);
    }
    for (Surface &s : surfaces)
        OpenPortForHDC(&s.port, s.dc);
    // Each surface: white, the hilite colour in a diagonal band, red dots.
    for (Surface &s : surfaces) {
        SetPor(reinterpret_cast<GrafPtr>(&s.port));
        HiliteColor(&kHiliteRGB);
        // A white brush, not WHITENESS: that sets the pad bits too, which the colour's value lacks.
        const RECT all = {0, 0, w, h};
        FillRect(s.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((x + y) % 17 < 5)
                    SetPixelV(s.dc, x, y, RGB(255, 255, 0));
                else if ((x * 3 + y) % 11 == 0)
                    SetPixelV(s.dc, x, y, RGB(255, 0, 0));
        GdiFlush();
    }
    // An odd width: 16- and 24-bit rows of the strips then differ between the two row alignments.
    const Rect rects[] = {{10, 20, 140, 181}, {0, 20, 75, 181}, {30, 20, 150, 181}};
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < surfaces.size(); ++i) {
            SCOPED_TRACE(formats[i].what);
            Surface &s = surfaces[i];
            const int bytes = formats[i].bits / 8;
            const uint32_t white = s.Value(10, 0, bytes), yellow = s.Value(0, 0, bytes);
            ASSERT_NE(white, yellow);
            std::vector<uint32_t> before;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    before.push_back(s.Value(x, y, bytes));
            SetPor(reinterpret_cast<GrafPtr>(&s.port));
            const Rect &r = rects[(i + round) % 3];
            HiliteNext();
            InvertRect(&r);
            GdiFlush();
            int wrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint32_t was = before[y * w + x];
                    const uint32_t want = !Inside(r, x, y) ? was : was == white ? yellow : was == yellow ? white : was;
                    wrong += s.Value(x, y, bytes) != want;
                }
            EXPECT_EQ(wrong, 0) << "round " << round;
        }
    SetPor(WindowManagerPort());
    for (Surface &s : surfaces) {
        CloseCPort(&s.port);
        SelectObject(s.dc, s.displaced);
        DeleteObject(s.section);
        DeleteDC(s.dc);
    }
}

TEST_F(HiliteTest, PaletteIndexMapFollowsTheSystemPalette)
{
    HDC screen = GetDC(nullptr);
    const bool palette = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, screen);
    if (!palette) {
        EXPECT_EQ(CopyPaletteIndexMap(nullptr, 0), 0) << "no map without a system palette";
        return;
    }
    Scene scene;
    ASSERT_NE(scene.window, nullptr);
    RealizePalette(scene.port->dc());
    HPALETTE library = static_cast<HPALETTE>(GetCurrentObject(scene.port->dc(), OBJ_PAL));
    PALETTEENTRY logical[256], system[256];
    const UINT n = GetPaletteEntries(library, 0, 256, logical);
    const UINT s = GetSystemPaletteEntries(scene.port->dc(), 0, 256, system);
    uint16_t map[256] = {};
    const int16_t entries = CopyPaletteIndexMap(map, 256);
    ASSERT_GE(entries, static_cast<int16_t>(n));
    int checked = 0;
    for (UINT i = 0; i < n; ++i)
        for (UINT k = 0; k < s; ++k)
            if (system[k].peRed == logical[i].peRed && system[k].peGreen == logical[i].peGreen &&
                system[k].peBlue == logical[i].peBlue) {
                EXPECT_EQ(map[i], k) << "entry " << i;
                ++checked;
                break;
            }
    EXPECT_GT(checked, 0);
}

} // namespace

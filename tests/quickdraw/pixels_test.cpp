// Single pixels and scrolling on a DIB port: SetCPixel/GetCPixel round trips (black reads as black),
// one pixel whatever the pen, GetPixe; ScrollRect's moved image, erased area and update region, with
// an origin, a clip and turned or mirrored transforms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <vector>

#include "Quickdraw.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

constexpr int kWidth = 24, kHeight = 20;
const COLORREF kWhite = RGB(255, 255, 255);

class Pixels : public QuickDrawTest {};

RGBColor Wide(COLORREF c)
{
    return RGBColor{static_cast<uint16_t>(GetRValue(c) * 257), static_cast<uint16_t>(GetGValue(c) * 257),
                    static_cast<uint16_t>(GetBValue(c) * 257)};
}

// A colour of its own for every pixel, none of them white.
COLORREF ImageColour(int x, int y) { return RGB(10 * x + 5, 10 * y + 5, 0x80); }

void PaintImage(DibSurface &surface)
{
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            SetPixel(surface.dc(), x, y, ImageColour(x, y));
}

bool Inside(const RECT &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Differences between a surface and an expected image, listed for the failure message (empty when
// they agree).
std::string Mismatches(const DibSurface &surface, const std::vector<COLORREF> &expected)
{
    std::ostringstream out;
    int count = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (surface.Pixel(x, y) != expected[y * kWidth + x] && count++ < 8)
                out << " (" << x << "," << y << ") is " << std::hex << surface.Pixel(x, y) << " not "
                    << expected[y * kWidth + x] << std::dec;
    if (count)
        out << " [" << count << " pixels differ]";
    return out.str();
}

} // namespace

// Colours written with SetCPixel land on the right device pixel, with and without an origin, and read
// back exactly; black reads as black.
TEST_F(Pixels, SetAndGetCPixelRoundTrip)
{
    const COLORREF colours[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0), RGB(0x12, 0x34, 0x56),
                                RGB(0, 0, 255), RGB(1, 254, 128)};
    const struct {
        int16_t originH, originV;
    } origins[] = {{0, 0}, {-5, -3}, {7, 2}};
    for (const auto &o : origins) {
        DibPort port(kWidth, kHeight, RGB(200, 200, 200));
        SetPor(port.port());
        SetOrigin(o.originH, o.originV);
        int i = 0;
        for (COLORREF c : colours) {
            const int16_t h = static_cast<int16_t>(o.originH + 2 + 3 * i), v = static_cast<int16_t>(o.originV + 1 + 2 * i);
            const RGBColor rgb = Wide(c);
            SetCPixel(h, v, &rgb);
            EXPECT_EQ(port.surface().Pixel(h - o.originH, v - o.originV), c) << "colour " << i;
            RGBColor back{1, 2, 3};
            GetCPixel(h, v, &back);
            EXPECT_TRUE(back.red == rgb.red && back.green == rgb.green && back.blue == rgb.blue)
                << "colour " << i << " origin " << o.originH << "," << o.originV << " read " << std::hex
                << back.red << " " << back.green << " " << back.blue;
            EXPECT_EQ(GetPixe(h, v) != 0, c != kWhite) << "colour " << i;
            ++i;
        }
        SetPor(WindowManagerPort());
    }
}

// A point outside the clip box of a port without a window reads as middle grey.
TEST_F(Pixels, GetCPixelOutsideTheDCReadsGrey)
{
    DibPort port(kWidth, kHeight);
    SetPor(port.port());
    RGBColor rgb{};
    GetCPixel(kWidth + 5, 3, &rgb);
    EXPECT_TRUE(rgb.red == 0x8080 && rgb.green == 0x8080 && rgb.blue == 0x8080);
}

// With a clip of two separate rectangles, a point in either reads its pixel, so does a point between
// them (inside the clip's bounding box, outside the clip), and one beyond the box reads middle grey.
TEST_F(Pixels, GetCPixelReadsTheClipBoxNotOnlyTheClip)
{
    DibPort port(kWidth, kHeight);
    PaintImage(port.surface());
    SetPor(port.port());
    RgnHandle clip = NewRgn(), second = NewRgn();
    const Rect left{2, 2, 6, 6}, right{12, 14, 16, 18};
    RectRgn(clip, &left);
    RectRgn(second, &right);
    UnionRgn(clip, second, clip);
    SetClip(clip);
    const struct {
        int16_t h, v;
        bool grey;
        const char *where;
    } cases[] = {
        {3, 3, false, "in the first rectangle"},  {15, 13, false, "in the second rectangle"},
        {9, 9, false, "between the rectangles"},  {2, 12, false, "in a corner of the box"},
        {20, 3, true, "right of the box"},        {5, 15, false, "below the first rectangle"},
        {3, 18, true, "below the box"},
    };
    for (const auto &c : cases) {
        RGBColor rgb{1, 2, 3};
        GetCPixel(c.h, c.v, &rgb);
        const RGBColor want = c.grey ? RGBColor{0x8080, 0x8080, 0x8080} : Wide(ImageColour(c.h, c.v));
        EXPECT_TRUE(rgb.red == want.red && rgb.green == want.green && rgb.blue == want.blue)
            << c.where << ": read " << std::hex << rgb.red << " " << rgb.green << " " << rgb.blue;
    }
    ClipRect(&port.port()->portRect);
    DisposeRgn(clip);
    DisposeRgn(second);
    SetPor(WindowManagerPort());
}

// SetCPixel sets one pixel whatever the pen's size and mode, and leaves the pen's place and an open
// polygon alone.
TEST_F(Pixels, SetCPixelIgnoresThePen)
{
    DibPort port(kWidth, kHeight);
    SetPor(port.port());
    PenSize(3, 3);
    PenMode(patXor);
    MoveT(2, 2);
    PolyHandle poly = OpenPoly();
    MoveT(1, 1);
    LineT(5, 5);
    const RGBColor red = Wide(RGB(255, 0, 0));
    SetCPixel(10, 8, &red);
    Point pen{};
    GetPen(&pen);
    EXPECT_TRUE(pen.h == 5 && pen.v == 5);
    LineT(8, 2);
    ClosePoly();
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ((*poly)->polySize, 10 + 4 * 3);
    KillPoly(poly);
    std::vector<COLORREF> expected(kWidth * kHeight, kWhite);
    expected[8 * kWidth + 10] = RGB(255, 0, 0);
    EXPECT_EQ(Mismatches(port.surface(), expected), "");
    PenNormal();
}

namespace {

struct ScrollCase {
    const char *what;
    int16_t originH, originV;
    Rect r, clip;                        // port coordinates
    int16_t dh, dv;
    int16_t rotation, mirror;            // SetPortTurn about (12, 10)
    RECT deviceR;                        // r on the device; 0 for r less the origin
    int devDh, devDv;                    // the device distance when turned
};

Rect R(int16_t left, int16_t top, int16_t right, int16_t bottom) { return Rect{top, left, bottom, right}; }

const Rect kNoClip = R(-32767, -32767, 32767, 32767);

const ScrollCase kScrolls[] = {
    {"right and down", 0, 0, R(4, 3, 16, 12), kNoClip, 3, 2, 0, 0, {}, 0, 0},
    {"left", 0, 0, R(4, 3, 16, 12), kNoClip, -4, 0, 0, 0, {}, 0, 0},
    {"up, after SetOrigin", -5, 4, R(-1, 7, 11, 16), kNoClip, 0, -5, 0, 0, {}, 0, 0},
    {"further than the rectangle", 0, 0, R(2, 2, 10, 10), kNoClip, 30, 0, 0, 0, {}, 0, 0},
    {"within a smaller clip", 0, 0, R(2, 2, 20, 18), R(5, 4, 14, 15), 2, 3, 0, 0, {}, 0, 0},
    {"clip and origin", 3, -2, R(5, 0, 23, 16), R(8, 2, 17, 13), -3, 2, 0, 0, {}, 0, 0},
    {"turned 180", 0, 0, R(4, 3, 16, 12), kNoClip, 3, 2, 180, 0, {8, 8, 20, 17}, -3, -2},
    {"mirrored", 0, 0, R(4, 3, 16, 12), kNoClip, 3, 2, 0, 1, {8, 3, 20, 12}, -3, 2},
    {"turned 90", 0, 0, R(4, 3, 16, 12), kNoClip, 3, 2, 90, 0, {10, 2, 19, 14}, -2, 3},
};

} // namespace

// The image inside r and the clip moves by (dh, dv) (turned with the transform), only bits inside both
// moving; what the move uncovers is erased in the background colour and is exactly updateRgn; nothing
// outside changes.
TEST_F(Pixels, ScrollRectMovesTheImageAndReportsTheUncoveredArea)
{
    for (const ScrollCase &c : kScrolls) {
        DibPort port(kWidth, kHeight);
        PaintImage(port.surface());
        SetPor(port.port());
        SetOrigin(c.originH, c.originV);
        const bool turned = c.rotation || c.mirror;
        if (turned)
            SetPortTurn(c.rotation, c.mirror, 12, 10);
        const bool clipped = c.clip.left != kNoClip.left;
        if (clipped)
            ClipRect(&c.clip);
        RgnHandle update = NewRgn();
        ScrollRect(&c.r, c.dh, c.dv, update);

        // Device geometry: the rectangle, the part of it inside the clip, and the distance.
        RECT r = turned ? c.deviceR
                        : RECT{c.r.left - c.originH, c.r.top - c.originV, c.r.right - c.originH, c.r.bottom - c.originV};
        RECT area = r;
        if (clipped) {
            const RECT clip{c.clip.left - c.originH, c.clip.top - c.originV, c.clip.right - c.originH,
                            c.clip.bottom - c.originV};
            IntersectRect(&area, &r, &clip);
        }
        const int dx = turned ? c.devDh : c.dh, dy = turned ? c.devDv : c.dv;
        std::vector<COLORREF> expected(kWidth * kHeight);
        std::vector<bool> uncovered(kWidth * kHeight, false);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                COLORREF &e = expected[y * kWidth + x];
                e = ImageColour(x, y);
                if (!Inside(area, x, y))
                    continue;
                if (Inside(area, x - dx, y - dy)) {
                    e = ImageColour(x - dx, y - dy);
                } else {
                    e = kWhite;
                    uncovered[y * kWidth + x] = true;
                }
            }
        EXPECT_EQ(Mismatches(port.surface(), expected), "") << c.what;
        if (!turned) {
            std::string wrong;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const Point p{static_cast<int16_t>(y + c.originV), static_cast<int16_t>(x + c.originH)};
                    if ((PtInRgn(p, update) != 0) != uncovered[y * kWidth + x] && wrong.size() < 200)
                        wrong += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
                }
            EXPECT_EQ(wrong, "") << c.what << ": device pixels where updateRgn is wrong";
        }
        DisposeRgn(update);
        SetPor(WindowManagerPort());
    }
}

// Without an update region the uncovered area keeps its old pixels.
TEST_F(Pixels, ScrollRectWithoutARegionErasesNothing)
{
    DibPort port(kWidth, kHeight);
    PaintImage(port.surface());
    SetPor(port.port());
    const Rect r = R(0, 0, 10, 10);
    ScrollRect(&r, 4, 0, nullptr);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(port.surface().Pixel(x, y), ImageColour(x, y)) << x << "," << y;
        for (int x = 4; x < 10; ++x)
            EXPECT_EQ(port.surface().Pixel(x, y), ImageColour(x - 4, y)) << x << "," << y;
    }
}

namespace {

// A DIB section of `bits` per pixel in its own memory DC, rows from the top unless told, with colour
// masks for BI_BITFIELDS (none: BI_RGB); a colour table (for up to 8 bits) of the default palette's
// first entries, so that a palette index and a table index name the same colour.
struct SectionDib {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ displaced = nullptr;
    uint8_t *rows = nullptr;
    int stride = 0;
    SectionDib(int bits, int width, int height, bool topDown = true, const DWORD *masks = nullptr)
    {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[256];
        } info{};
        info.header.biSize = sizeof info.header;
        info.header.biWidth = width;
        info.header.biHeight = topDown ? -height : height;
        info.header.biPlanes = 1;
        info.header.biBitCount = static_cast<WORD>(bits);
        info.header.biCompression = masks ? BI_BITFIELDS : BI_RGB;
        if (masks)
            std::memcpy(info.colours, masks, 3 * sizeof(DWORD));
        if (bits <= 8) {
            PALETTEENTRY entries[16] = {};
            GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 16, entries);
            const int count = std::min(1 << bits, 16);
            for (int i = 0; i < count; ++i)
                info.colours[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
            info.header.biClrUsed = static_cast<DWORD>(count);
        }
        dc = CreateCompatibleDC(nullptr);
        void *bitsPtr = nullptr;
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bitsPtr, nullptr, 0);
        rows = static_cast<uint8_t *>(bitsPtr);
        stride = ((width * bits + 31) / 32) * 4;
        displaced = SelectObject(dc, bitmap);
        SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    }
    ~SectionDib()
    {
        SelectObject(dc, displaced);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

COLORREF DefaultPaletteColour(int i)
{
    PALETTEENTRY e{};
    GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), static_cast<UINT>(i), 1, &e);
    return RGB(e.peRed, e.peGreen, e.peBlue);
}

// The route of Windows other than NT: the pixel is copied into a bitmap like the DC's and its bits
// decoded. Pixel x = 1 of the first row is set (so the copy must take the right pixel and the decoding
// its top bits) and read back at 1, 4, 8 and 16 bits (Windows makes no 2-bit DIB sections).
TEST_F(Pixels, CompatibleRouteDecodesEveryDepth)
{
    struct Case {
        int bits;
        uint8_t b0, b1, b2, b3; // the first row's first bytes
        COLORREF expected;
    } cases[] = {
        {1, 0x40, 0, 0, 0, DefaultPaletteColour(1)},            // pixel 1 = 1
        {4, 0x09, 0, 0, 0, DefaultPaletteColour(9)},            // pixel 1 = 9
        {8, 0x00, 0x0C, 0, 0, DefaultPaletteColour(12)},        // pixel 1 = 12
        {16, 0x00, 0x00, 0x1F, 0x00, RGB(0, 0, 255)},        // pixel 1 (bytes 2..3) = 0x001F, blue
        {16, 0x00, 0x00, 0x00, 0x7C, RGB(255, 0, 0)},        // 0x7C00, red
        {16, 0x00, 0x00, 0x50, 0x02, RGB(0, 148, 131)},         // 0x0250: 0, 18, 16 of 31
    };
    const Boolean was = SelectCompatiblePixelRoute(TRUE);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bits);
        SectionDib dib(c.bits, 8, 2);
        ASSERT_NE(dib.rows, nullptr);
        GdiFlush();
        dib.rows[0] = c.b0;
        dib.rows[1] = c.b1;
        dib.rows[2] = c.b2;
        dib.rows[3] = c.b3;
        CGrafPort port{};
        OpenPortForHDC(&port, dib.dc);
        RGBColor rgb{};
        GetCPixel(1, 0, &rgb);
        EXPECT_EQ(RGB(rgb.red >> 8, rgb.green >> 8, rgb.blue >> 8), c.expected);
        SetPor(WindowManagerPort());
        CloseCPort(&port);
    }
    SelectCompatiblePixelRoute(was);
}

// A port drawing through a palette-managed DIB reads an index through the DIB's own colour table, not
// through the logical palette: entry 12 is given a colour the default palette does not have there.
TEST_F(Pixels, CompatibleRouteReadsAPaletteDibsIndexThroughItsColourTable)
{
    const COLORREF own = RGB(10, 200, 30);
    ASSERT_NE(own, DefaultPaletteColour(12));
    SectionDib dib(8, 8, 2);
    ASSERT_NE(dib.rows, nullptr);
    const RGBQUAD entry{GetBValue(own), GetGValue(own), GetRValue(own), 0};
    ASSERT_EQ(SetDIBColorTable(dib.dc, 12, 1, &entry), 1u);
    GdiFlush();
    dib.rows[1] = 12;

    DibPort port(kWidth, kHeight);
    SetPor(port.port());
    PixMapHandle original = port.cport()->portPixMap;
    PixMapHandle pm = NewPixMap();
    ASSERT_NE(pm, nullptr);
    (*pm)->baseAddr = reinterpret_cast<Ptr>(dib.rows);
    (*pm)->pmVersion = static_cast<int16_t>(0xC000);
    (*pm)->pmExtFlags |= pmExtDibAttached;
    (*pm)->pmExtDC = dib.dc;
    (*pm)->bounds = Rect{0, 0, 2, 8};
    ASSERT_TRUE(SetPortPix(pm));

    const Boolean was = SelectCompatiblePixelRoute(TRUE);
    RGBColor rgb{};
    GetCPixel(1, 0, &rgb);
    SelectCompatiblePixelRoute(was);
    EXPECT_EQ(RGB(rgb.red >> 8, rgb.green >> 8, rgb.blue >> 8), own);

    EXPECT_TRUE(SetPortPix(original));
    SetPor(WindowManagerPort());
    port.Close();
    DisposePixMap(pm);
}

} // namespace

// Without a palette GetCPixel reads the pixel GetPixel gives, for every layout of section it reads in
// place (rows from the top or the bottom, 24 bits with padded rows, 32 bits with and without masks) and
// one it leaves to GetPixel (masks in another order), through a DC origin, right after GDI drew, inside
// and beside a clip, and off the bitmap. The upper rows mirror the lower ones, so that reads whose
// two candidate rows agree come before those that tell the row order.
TEST_F(Pixels, GetCPixelReadsWhatGetPixelReadsOnEveryDirectSection)
{
    const DWORD plainMasks[] = {0xFF0000, 0xFF00, 0xFF}, otherMasks[] = {0xFF, 0xFF00, 0xFF0000};
    const struct {
        const char *name;
        int bits;
        bool topDown;
        const DWORD *masks;
    } layouts[] = {
        {"32 bits from the top", 32, true, nullptr},       {"32 bits from the bottom", 32, false, nullptr},
        {"24 bits from the bottom", 24, false, nullptr},   {"24 bits from the top", 24, true, nullptr},
        {"32 bits, plain masks", 32, false, plainMasks},   {"32 bits, masks reversed", 32, true, otherMasks},
    };
    constexpr int w = 7, h = 6; // 21-byte rows of 24 bits, padded to 24
    for (const auto &layout : layouts) {
        SCOPED_TRACE(layout.name);
        SectionDib dib(layout.bits, w, h, layout.topDown, layout.masks);
        ASSERT_NE(dib.bitmap, nullptr);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                SetPixel(dib.dc, x, y, y < h / 2 ? RGB(20 * x, 40, 200) : RGB(20 * x + 5, 30 * y, 0x60));
        CGrafPort port{};
        OpenPortForHDC(&port, dib.dc);
        for (POINT origin : {POINT{0, 0}, POINT{2, -1}}) {
            SetViewportOrgEx(dib.dc, origin.x, origin.y, nullptr);
            for (int v = -1; v <= h; ++v)
                for (int hh = -1; hh <= w; ++hh) {
                    RGBColor rgb{};
                    GetCPixel(static_cast<int16_t>(hh), static_cast<int16_t>(v), &rgb);
                    const int dx = hh + origin.x, dy = v + origin.y;
                    const bool on = dx >= 0 && dy >= 0 && dx < w && dy < h;
                    const COLORREF want = on ? GetPixel(dib.dc, hh, v) : RGB(0x80, 0x80, 0x80);
                    EXPECT_EQ(RGB(rgb.red >> 8, rgb.green >> 8, rgb.blue >> 8), want)
                        << "at " << hh << "," << v << " with the DC's origin at " << origin.x << "," << origin.y;
                }
            SetViewportOrgEx(dib.dc, 0, 0, nullptr);
        }
        // Drawn by GDI, then read at once.
        RECT r{1, 1, 3, 5};
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        FillRect(dib.dc, &r, brush);
        DeleteObject(brush);
        RGBColor rgb{};
        GetCPixel(2, 4, &rgb);
        EXPECT_EQ(RGB(rgb.red >> 8, rgb.green >> 8, rgb.blue >> 8), RGB(1, 2, 3));
        // A clip of two corners: a point between them is in the clip box, one beyond it is not.
        RgnHandle clip = NewRgn(), corner = NewRgn();
        SetRectRg(clip, 0, 0, 2, 2);
        SetRectRg(corner, 4, 3, 6, 5);
        UnionRg(clip, corner, clip);
        SetClip(clip);
        GetCPixel(3, 2, &rgb);
        EXPECT_EQ(RGB(rgb.red >> 8, rgb.green >> 8, rgb.blue >> 8), GetPixel(dib.dc, 3, 2)) << "in the clip box";
        GetCPixel(6, 5, &rgb);
        EXPECT_EQ(RGB(rgb.red >> 8, rgb.green >> 8, rgb.blue >> 8), RGB(0x80, 0x80, 0x80)) << "beyond the clip box";
        ClipRect(&port.portRect);
        DisposeRgn(clip);
        DisposeRgn(corner);
        SetPor(WindowManagerPort());
        CloseCPort(&port);
    }
}

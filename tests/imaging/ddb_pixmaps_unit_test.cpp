// The bitmap-bits transforms on their own, compiled into the test: colour exchange (whole and through a
// mask), quarter turns and mirroring of every layout GetBitmapBits gives (one plane of 1, 8, 16, 24 and
// 32 bits, and four one-bit planes held as plain bytes), on memory and on real bitmaps, against the
// test's own pixel-by-pixel results; results of 64 KB and more go through the banded builder, and large
// 32-bit bitmaps are exchanged in bands of rows. On a palette or 16-bit display, the exchange of two
// colours on a compatible bitmap.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging_services.h"

namespace {

// ---- The test's own reading and writing of GetBitmapBits layouts ----

BitmapBitsLayout Layout(int width, int height, int planes, int bits)
{
    BitmapBitsLayout l{};
    l.width = width;
    l.height = height;
    l.planes = planes;
    l.bitsPerPixel = bits;
    l.rowBytes = (width * bits + 15) / 16 * 2;
    return l;
}

size_t Bytes(const BitmapBitsLayout &l) { return static_cast<size_t>(l.rowBytes) * l.planes * l.height; }

uint32_t Pixel(const std::vector<uint8_t> &bits, const BitmapBitsLayout &l, int x, int y)
{
    const uint8_t *row = bits.data() + static_cast<size_t>(y) * l.rowBytes * l.planes;
    if (l.bitsPerPixel == 1) {
        uint32_t v = 0;
        for (int k = 0; k < l.planes; ++k)
            v |= ((row[k * l.rowBytes + x / 8] >> (7 - x % 8)) & 1u) << k;
        return v;
    }
    const int n = l.bitsPerPixel / 8;
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= static_cast<uint32_t>(row[x * n + i]) << (8 * i);
    return v;
}

void SetPixel(std::vector<uint8_t> &bits, const BitmapBitsLayout &l, int x, int y, uint32_t v)
{
    uint8_t *row = bits.data() + static_cast<size_t>(y) * l.rowBytes * l.planes;
    if (l.bitsPerPixel == 1) {
        for (int k = 0; k < l.planes; ++k) {
            uint8_t &b = row[k * l.rowBytes + x / 8];
            const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
            b = static_cast<uint8_t>((v >> k) & 1 ? b | bit : b & ~bit);
        }
        return;
    }
    for (int i = 0; i < l.bitsPerPixel / 8; ++i)
        row[x * (l.bitsPerPixel / 8) + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Differing pixels of two images of one size, as a short description (empty when they agree).
template <typename A, typename B> std::string Misses(int width, int height, A actual, B expected)
{
    int wrong = 0;
    std::string first;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (actual(x, y) != expected(x, y) && wrong++ == 0)
                first = "first at (" + std::to_string(x) + ", " + std::to_string(y) + "): " +
                        std::to_string(actual(x, y)) + " instead of " + std::to_string(expected(x, y));
    return wrong ? std::to_string(wrong) + " pixels differ, " + first : std::string();
}

// The values of a layout's pixels: the two to exchange, then others.
struct Values {
    uint32_t a, b, other1, other2;
};

Values ValuesFor(const BitmapBitsLayout &l)
{
    if (l.planes == 4)
        return {0x3, 0xC, 0x5, 0xF};
    switch (l.bitsPerPixel) {
    case 1: return {0, 1, 0, 1};
    case 8: return {0x00, 0xFF, 0x80, 0x7F};
    // White and black of a 5-5-5 layout, and values that differ from them only in their low bit.
    case 16: return {0x7FFF, 0x0000, 0x7FFE, 0x0001};
    case 24: return {0xFFFFFF, 0x0000FF, 0xFFFFFE, 0x0000FE};
    default: return {0x00FFFFFF, 0x000000FF, 0x00FFFFFE, 0xFF0000FF};
    }
}

// An image whose pixels mix the four values in a pattern that shows any misplaced pixel.
std::vector<uint8_t> MakeImage(const BitmapBitsLayout &l)
{
    std::vector<uint8_t> bits(Bytes(l), 0);
    const Values v = ValuesFor(l);
    const uint32_t choice[4] = {v.a, v.b, v.other1, v.other2};
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x)
            SetPixel(bits, l, x, y, choice[(x * 7 + y * 3 + (x * y) % 5) % 4]);
    return bits;
}

struct LayoutCase {
    const char *what;
    int width, height, planes, bits;
};

// Small images with odd widths, and large ones whose results reach 64 KB (the banded builder).
const LayoutCase kLayouts[] = {
    {"1-bit", 21, 9, 1, 1},
    {"8-bit", 13, 7, 1, 8},
    {"16-bit", 11, 6, 1, 16},
    {"24-bit", 9, 5, 1, 24},
    {"32-bit", 7, 4, 1, 32},
    {"4 planes", 19, 5, 4, 1},
    {"1-bit, 64 KB", 1040, 520, 1, 1},
    {"8-bit, 64 KB", 300, 230, 1, 8},
    {"16-bit, 64 KB", 181, 190, 1, 16},
    {"24-bit, 64 KB", 163, 140, 1, 24},
    {"32-bit, 64 KB", 130, 127, 1, 32},
    // Large enough to be exchanged in several bands of rows, the last one short.
    {"32-bit, bands of rows", 300, 250, 1, 32},
};

struct Freed {
    uint8_t *p;
    ~Freed() { std::free(p); }
};

TEST(BitmapBits, ExchangeWholeAndMasked)
{
    for (const LayoutCase &c : kLayouts) {
        SCOPED_TRACE(c.what);
        const BitmapBitsLayout l = Layout(c.width, c.height, c.planes, c.bits);
        const std::vector<uint8_t> original = MakeImage(l);
        const Values v = ValuesFor(l);
        auto swapped = [&](uint32_t p) { return p == v.a ? v.b : p == v.b ? v.a : p; };

        std::vector<uint8_t> bits = original;
        ASSERT_TRUE(ExchangeBitmapBits(bits.data(), l, v.a, v.b, nullptr));
        EXPECT_EQ(Misses(c.width, c.height, [&](int x, int y) { return Pixel(bits, l, x, y); },
                         [&](int x, int y) { return swapped(Pixel(original, l, x, y)); }),
                  "");
        // Exchanging again gives the image back.
        ASSERT_TRUE(ExchangeBitmapBits(bits.data(), l, v.a, v.b, nullptr));
        EXPECT_EQ(bits, original);

        // A mask whose area over the bitmap starts 3 bits into its rows: a checkerboard of 2 x 2 blocks.
        const int maskRowBytes = (c.width + 3 + 15) / 16 * 2;
        std::vector<uint8_t> mask(static_cast<size_t>(maskRowBytes) * c.height, 0);
        auto inside = [](int x, int y) { return ((x / 2) + (y / 2)) % 2 == 0; };
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                if (inside(x, y))
                    mask[y * maskRowBytes + (x + 3) / 8] |= static_cast<uint8_t>(0x80 >> ((x + 3) % 8));
        const BitmapBitsMask m = {mask.data(), maskRowBytes, 3, c.height};
        ASSERT_TRUE(ExchangeBitmapBits(bits.data(), l, v.a, v.b, &m));
        EXPECT_EQ(Misses(c.width, c.height, [&](int x, int y) { return Pixel(bits, l, x, y); },
                         [&](int x, int y) {
                             const uint32_t p = Pixel(original, l, x, y);
                             return inside(x, y) ? swapped(p) : p;
                         }),
                  "");

        // A mask with a row too few, or rows too short for the bitmap, exchanges nothing.
        bits = original;
        const BitmapBitsMask shortRows = {mask.data(), maskRowBytes, 3, c.height - 1};
        const BitmapBitsMask narrow = {mask.data(), (c.width + 2) / 8, 3, c.height};
        EXPECT_FALSE(ExchangeBitmapBits(bits.data(), l, v.a, v.b, &shortRows));
        EXPECT_FALSE(ExchangeBitmapBits(bits.data(), l, v.a, v.b, &narrow));
        EXPECT_EQ(bits, original);
    }
}

TEST(BitmapBits, QuarterTurnsAndMirrors)
{
    for (const LayoutCase &c : kLayouts) {
        SCOPED_TRACE(c.what);
        const BitmapBitsLayout l = Layout(c.width, c.height, c.planes, c.bits);
        const std::vector<uint8_t> original = MakeImage(l);
        auto at = [&](int x, int y) { return Pixel(original, l, x, y); };
        for (bool clockwise : {true, false}) {
            SCOPED_TRACE(clockwise ? "clockwise" : "counter-clockwise");
            BitmapBitsLayout r{};
            Freed turned{RotateBitmapBits(original.data(), l, clockwise, &r)};
            ASSERT_NE(turned.p, nullptr);
            ASSERT_EQ(r.width, c.height);
            ASSERT_EQ(r.height, c.width);
            EXPECT_EQ(r.rowBytes, (c.height * c.bits + 15) / 16 * 2);
            const std::vector<uint8_t> out(turned.p, turned.p + Bytes(r));
            // Clockwise, the result's pixel (x, y) is the source's (y, height - 1 - x).
            EXPECT_EQ(Misses(r.width, r.height, [&](int x, int y) { return Pixel(out, r, x, y); },
                             [&](int x, int y) { return clockwise ? at(y, c.height - 1 - x) : at(c.width - 1 - y, x); }),
                      "");
        }
        for (bool vertical : {true, false}) {
            SCOPED_TRACE(vertical ? "top to bottom" : "left to right");
            Freed mirrored{MirrorBitmapBits(original.data(), l, vertical)};
            ASSERT_NE(mirrored.p, nullptr);
            const std::vector<uint8_t> out(mirrored.p, mirrored.p + Bytes(l));
            EXPECT_EQ(Misses(c.width, c.height, [&](int x, int y) { return Pixel(out, l, x, y); },
                             [&](int x, int y) { return vertical ? at(x, c.height - 1 - y) : at(c.width - 1 - x, y); }),
                      "");
        }
    }
}

TEST(BitmapBits, LayoutsNotTaken)
{
    std::vector<uint8_t> bits(64, 0x5A);
    const std::vector<uint8_t> before = bits;
    const BitmapBitsLayout others[] = {Layout(4, 4, 1, 4), Layout(4, 4, 2, 1), Layout(4, 4, 3, 8), Layout(0, 4, 1, 8)};
    for (const BitmapBitsLayout &l : others) {
        BitmapBitsLayout r{};
        EXPECT_FALSE(ExchangeBitmapBits(bits.data(), l, 0, 1, nullptr));
        EXPECT_EQ(RotateBitmapBits(bits.data(), l, true, &r), nullptr);
        EXPECT_EQ(MirrorBitmapBits(bits.data(), l, false), nullptr);
    }
    EXPECT_EQ(bits, before);
    // Rows too short for their width.
    BitmapBitsLayout tight = Layout(8, 4, 1, 32);
    tight.rowBytes = 16;
    EXPECT_FALSE(ExchangeBitmapBits(bits.data(), tight, 0, 1, nullptr));
    // A size that cannot be allocated answers nil.
    BitmapBitsLayout huge = Layout(30000, 30000, 1, 32);
    BitmapBitsLayout r{};
    EXPECT_EQ(RotateBitmapBits(bits.data(), huge, true, &r), nullptr);
}

// ---- Real bitmaps ----

// The bitmap's pixels through GetBitmapBits, in its own layout.
std::vector<uint8_t> ReadBitmap(HBITMAP bitmap, BitmapBitsLayout *l)
{
    BITMAP record{};
    GetObjectA(bitmap, sizeof record, &record);
    *l = Layout(record.bmWidth, record.bmHeight, record.bmPlanes, record.bmBitsPixel);
    l->rowBytes = record.bmWidthBytes;
    std::vector<uint8_t> bits(Bytes(*l));
    EXPECT_EQ(GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data()), static_cast<LONG>(bits.size()));
    return bits;
}

TEST(BitmapBits, BitmapsThroughGdi)
{
    for (const LayoutCase &c : kLayouts) {
        if (c.planes != 1)
            continue; // this platform makes no planar bitmaps: the planar bits are checked on memory above
        SCOPED_TRACE(c.what);
        const BitmapBitsLayout l = Layout(c.width, c.height, 1, c.bits);
        const std::vector<uint8_t> original = MakeImage(l);
        auto at = [&](int x, int y) { return Pixel(original, l, x, y); };
        HBITMAP bitmap = CreateBitmap(c.width, c.height, 1, c.bits, original.data());
        ASSERT_NE(bitmap, nullptr);
        BitmapBitsLayout read{};
        ASSERT_EQ(Misses(c.width, c.height, [&, bits = ReadBitmap(bitmap, &read)](int x, int y) {
                      return Pixel(bits, read, x, y);
                  }, at),
                  "");

        const Values v = ValuesFor(l);
        auto swapped = [&](uint32_t p) { return p == v.a ? v.b : p == v.b ? v.a : p; };
        ASSERT_TRUE(SwapBitmapHiliteColors(nullptr, bitmap, nullptr, v.a, v.b));
        std::vector<uint8_t> now = ReadBitmap(bitmap, &read);
        EXPECT_EQ(Misses(c.width, c.height, [&](int x, int y) { return Pixel(now, read, x, y); },
                         [&](int x, int y) { return swapped(at(x, y)); }),
                  "");
        // Hiliting twice restores the bits.
        ASSERT_TRUE(SwapBitmapHiliteColors(nullptr, bitmap, nullptr, v.a, v.b));
        now = ReadBitmap(bitmap, &read);
        EXPECT_EQ(Misses(c.width, c.height, [&](int x, int y) { return Pixel(now, read, x, y); }, at), "");

        // Through a mask: its area over the bitmap starts at (2, 1) inside its bounds (-2, -1) - (w, h);
        // the left half of every row is inside.
        const int maskWidth = c.width + 4, maskHeight = c.height + 1;
        const int maskRowBytes = (maskWidth + 15) / 16 * 2;
        std::vector<uint8_t> mask(static_cast<size_t>(maskRowBytes) * maskHeight, 0);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width / 2; ++x)
                mask[(y + 1) * maskRowBytes + (x + 2) / 8] |= static_cast<uint8_t>(0x80 >> ((x + 2) % 8));
        BitMap maskBits = {reinterpret_cast<Ptr>(mask.data()), static_cast<int16_t>(maskRowBytes),
                           {-1, -2, static_cast<int16_t>(c.height), static_cast<int16_t>(c.width + 2)}};
        const Rect area = {0, 0, static_cast<int16_t>(c.height), static_cast<int16_t>(c.width)};
        ASSERT_TRUE(SwapBitmapMaskedColors(nullptr, &maskBits, &area, bitmap, nullptr, v.a, v.b));
        now = ReadBitmap(bitmap, &read);
        EXPECT_EQ(Misses(c.width, c.height, [&](int x, int y) { return Pixel(now, read, x, y); },
                         [&](int x, int y) { return x < c.width / 2 ? swapped(at(x, y)) : at(x, y); }),
                  "");
        ASSERT_TRUE(SwapBitmapMaskedColors(nullptr, &maskBits, &area, bitmap, nullptr, v.a, v.b));
        // A mask area that is a row short, or reaches out of the mask's bounds, changes nothing.
        const Rect shortArea = {0, 0, static_cast<int16_t>(c.height - 1), static_cast<int16_t>(c.width)};
        const Rect outside = {1, 0, static_cast<int16_t>(c.height + 1), static_cast<int16_t>(c.width)};
        EXPECT_FALSE(SwapBitmapMaskedColors(nullptr, &maskBits, &shortArea, bitmap, nullptr, v.a, v.b));
        EXPECT_FALSE(SwapBitmapMaskedColors(nullptr, &maskBits, &outside, bitmap, nullptr, v.a, v.b));
        now = ReadBitmap(bitmap, &read);
        EXPECT_EQ(Misses(c.width, c.height, [&](int x, int y) { return Pixel(now, read, x, y); }, at), "");

        for (int16_t angle : {90, -90}) {
            SCOPED_TRACE(angle);
            HBITMAP result = reinterpret_cast<HBITMAP>(1);
            HBITMAP turned = RotateBitmap(nullptr, angle, nullptr, bitmap, &result);
            ASSERT_NE(turned, nullptr);
            EXPECT_EQ(result, turned);
            std::vector<uint8_t> out = ReadBitmap(turned, &read);
            ASSERT_EQ(read.width, c.height);
            ASSERT_EQ(read.height, c.width);
            EXPECT_EQ(Misses(read.width, read.height, [&](int x, int y) { return Pixel(out, read, x, y); },
                             [&](int x, int y) { return angle == 90 ? at(y, c.height - 1 - x) : at(c.width - 1 - y, x); }),
                      "");
            DeleteObject(turned);
        }
        HBITMAP result = reinterpret_cast<HBITMAP>(1);
        EXPECT_EQ(RotateBitmap(nullptr, 45, nullptr, bitmap, &result), nullptr);
        EXPECT_EQ(result, nullptr);
        for (int16_t vertical : {1, 0}) {
            SCOPED_TRACE(vertical ? "top to bottom" : "left to right");
            HBITMAP flipped = FlipBitmap(vertical, nullptr, nullptr, bitmap, nullptr);
            ASSERT_NE(flipped, nullptr);
            std::vector<uint8_t> out = ReadBitmap(flipped, &read);
            ASSERT_EQ(read.width, c.width);
            EXPECT_EQ(Misses(c.width, c.height, [&](int x, int y) { return Pixel(out, read, x, y); },
                             [&](int x, int y) { return vertical ? at(x, c.height - 1 - y) : at(c.width - 1 - x, y); }),
                      "");
            DeleteObject(flipped);
        }
        DeleteObject(bitmap);
    }
}

TEST(BitmapBits, NoBitmapNoResult)
{
    HBITMAP result = reinterpret_cast<HBITMAP>(1);
    EXPECT_FALSE(SwapBitmapHiliteColors(nullptr, nullptr, nullptr, 0, 1));
    EXPECT_EQ(FlipBitmap(0, nullptr, nullptr, nullptr, &result), nullptr);
    EXPECT_EQ(result, nullptr);
    HBITMAP deleted = CreateBitmap(8, 8, 1, 8, nullptr);
    DeleteObject(deleted);
    EXPECT_FALSE(SwapBitmapHiliteColors(nullptr, deleted, nullptr, 0, 1));
    EXPECT_EQ(RotateBitmap(nullptr, 90, nullptr, deleted, nullptr), nullptr);
}

// ---- On the display: a compatible bitmap in the screen's own format ----

// The pixel value a colour takes in a bitmap compatible with the screen, read back from a 1 x 1 one.
uint32_t ScreenPixelOf(HDC screen, COLORREF colour)
{
    HBITMAP one = CreateCompatibleBitmap(screen, 1, 1);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, one);
    SetPixelV(dc, 0, 0, colour);
    SelectObject(dc, old);
    DeleteDC(dc);
    BitmapBitsLayout l{};
    std::vector<uint8_t> bits = ReadBitmap(one, &l);
    DeleteObject(one);
    return Pixel(bits, l, 0, 0);
}

TEST(BitmapBitsOnScreen, ExchangesExactlyTheTwoColours)
{
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    const COLORREF white = RGB(255, 255, 255), hilite = RGB(255, 255, 0), red = RGB(255, 0, 0), black = RGB(0, 0, 0);
    const uint32_t a = ScreenPixelOf(screen, white), b = ScreenPixelOf(screen, hilite);
    ASSERT_NE(a, b);
    const int w = 24, h = 8;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    // Columns of white, the hilite colour, red and black.
    const COLORREF columns[4] = {white, hilite, red, black};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixelV(dc, x, y, columns[(x + y) % 4]);
    std::vector<COLORREF> before(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            before[y * w + x] = GetPixel(dc, x, y);
    SelectObject(dc, old);
    ASSERT_TRUE(SwapBitmapHiliteColors(nullptr, bitmap, nullptr, a, b));
    SelectObject(dc, bitmap);
    const COLORREF shownWhite = before[0], shownHilite = before[1];
    EXPECT_EQ(Misses(w, h, [&](int x, int y) { return GetPixel(dc, x, y); },
                     [&](int x, int y) {
                         const COLORREF c = before[y * w + x];
                         return c == shownWhite ? shownHilite : c == shownHilite ? shownWhite : c;
                     }),
              "");
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}

} // namespace

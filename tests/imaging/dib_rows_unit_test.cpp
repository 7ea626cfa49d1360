// DIB measurement and the row converters on their own, compiled into the test: row bytes against the
// formulas, header checking over a table of headers, every converter against an independent decoding
// of random rows of every DIB depth, the plain-row copy against a page that cannot be read, and index
// maps of short colour tables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "dib_rows.h"

namespace {

// ---- Row bytes ----

TEST(DibRows, RowBytesFollowTheFormulas)
{
    for (int depth : {1, 4, 8, 16, 24, 32})
        for (int32_t w = 1; w <= 70; ++w) {
            int32_t got = -1;
            ASSERT_TRUE(DibRowBytes(depth, w, &got)) << depth;
            EXPECT_EQ(got, (w * depth + 31) / 32 * 4) << "DIB depth " << depth << " width " << w;
        }
    for (int depth : {1, 2, 4, 8, 16, 32})
        for (int32_t w = 1; w <= 70; ++w) {
            int32_t got = -1;
            ASSERT_TRUE(MacRowBytes(depth, w, &got)) << depth;
            int32_t expected = depth <= 8 ? (w * depth + 15) / 16 * 2 : w * depth / 8;
            EXPECT_EQ(got, expected) << "Mac depth " << depth << " width " << w;
        }
    int32_t bytes = 0;
    ASSERT_TRUE(DibRowBytes(24, 3, &bytes));
    EXPECT_EQ(bytes, 12);
    ASSERT_TRUE(MacRowBytes(1, 9, &bytes));
    EXPECT_EQ(bytes, 2);
    for (int depth : {0, 2, 3, 64})
        EXPECT_FALSE(DibRowBytes(depth, 10, &bytes)) << depth;
    for (int depth : {0, 3, 24, 64})
        EXPECT_FALSE(MacRowBytes(depth, 10, &bytes)) << depth;
    EXPECT_FALSE(DibRowBytes(8, -1, &bytes));
    EXPECT_FALSE(MacRowBytes(8, -1, &bytes));
}

// ---- Header checking ----

// A header followed by three mask words.
struct HeaderWithMasks {
    BITMAPINFOHEADER h;
    DWORD masks[3];
};

HeaderWithMasks Header(LONG width, LONG height, WORD depth, DWORD compression = BI_RGB, DWORD r = 0, DWORD g = 0,
                       DWORD b = 0)
{
    HeaderWithMasks x{};
    x.h.biSize = sizeof(BITMAPINFOHEADER);
    x.h.biWidth = width;
    x.h.biHeight = height;
    x.h.biPlanes = 1;
    x.h.biBitCount = depth;
    x.h.biCompression = compression;
    x.masks[0] = r;
    x.masks[1] = g;
    x.masks[2] = b;
    return x;
}

TEST(DibGeometry, AcceptsUncompressedAndStandardMasksRefusesTheRest)
{
    HeaderWithMasks planes2 = Header(8, 8, 8);
    planes2.h.biPlanes = 2;
    HeaderWithMasks small = Header(8, 8, 8);
    small.h.biSize = 12;
    const struct {
        const char *what;
        HeaderWithMasks header;
        bool accepted;
    } cases[] = {
        {"bottom-up 8-bit", Header(10, 5, 8), true},
        {"top-down 24-bit", Header(10, -5, 24), true},
        {"16-bit 5-5-5 bitfields", Header(10, 5, 16, BI_BITFIELDS, 0x7C00, 0x3E0, 0x1F), true},
        {"32-bit 8-8-8 bitfields", Header(10, -5, 32, BI_BITFIELDS, 0xFF0000, 0xFF00, 0xFF), true},
        {"16-bit 5-6-5 bitfields", Header(10, 5, 16, BI_BITFIELDS, 0xF800, 0x7E0, 0x1F), false},
        {"32-bit bitfields in another order", Header(10, 5, 32, BI_BITFIELDS, 0xFF, 0xFF00, 0xFF0000), false},
        {"24-bit bitfields", Header(10, 5, 24, BI_BITFIELDS, 0xFF0000, 0xFF00, 0xFF), false},
        {"RLE4", Header(10, 5, 4, BI_RLE4), false},
        {"RLE8", Header(10, 5, 8, BI_RLE8), false},
        {"width 0", Header(0, 5, 8), false},
        {"negative width", Header(-4, 5, 8), false},
        {"width 32768", Header(32768, 5, 8), false},
        {"height 0", Header(10, 0, 8), false},
        {"height 40000", Header(10, 40000, 8), false},
        {"height -40000", Header(10, -40000, 8), false},
        {"height INT_MIN", Header(10, LONG(0x80000000), 8), false},
        {"planes 2", planes2, false},
        {"header of 12 bytes", small, false},
        {"depth 2", Header(10, 5, 2), false},
        {"depth 3", Header(10, 5, 3), false},
        {"depth 64", Header(10, 5, 64), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DibGeometry g{};
        EXPECT_EQ(GetDibGeometry(&c.header.h, sizeof c.header, true, &g), c.accepted);
    }
    // The mask words must be there to be read.
    HeaderWithMasks masks = Header(10, 5, 32, BI_BITFIELDS, 0xFF0000, 0xFF00, 0xFF);
    DibGeometry g{};
    EXPECT_FALSE(GetDibGeometry(&masks.h, sizeof(BITMAPINFOHEADER), true, &g));
}

TEST(DibGeometry, DescribesRowsColoursAndBands)
{
    HeaderWithMasks h = Header(10, -5, 4);
    h.h.biClrUsed = 300; // more than 16 colours count as 16
    DibGeometry g{};
    ASSERT_TRUE(GetDibGeometry(&h.h, sizeof h, false, &g));
    EXPECT_EQ(g.depth, 4);
    EXPECT_EQ(g.width, 10);
    EXPECT_EQ(g.height, 5);
    EXPECT_FALSE(g.bottomUp);
    EXPECT_EQ(g.rowBytes, 8);
    EXPECT_EQ(g.colors, 16);
    EXPECT_EQ(g.headerBytes, 40u + 16 * 4);
    EXPECT_EQ(g.imageBytes, 40u);
    EXPECT_EQ(g.rowsThatFit, 5);
    EXPECT_FALSE(g.tooLarge);

    HeaderWithMasks bf = Header(3, 2, 16, BI_BITFIELDS, 0x7C00, 0x3E0, 0x1F);
    ASSERT_TRUE(GetDibGeometry(&bf.h, sizeof bf, false, &g));
    EXPECT_TRUE(g.bottomUp);
    EXPECT_EQ(g.rowBytes, 8);
    EXPECT_EQ(g.colors, 0);
    EXPECT_EQ(g.headerBytes, 52u) << "the three mask words follow a 40-byte header";

    // 1000 x 70 at 8 bits: 70,000 bytes of rows.
    HeaderWithMasks big = Header(1000, 70, 8);
    ASSERT_TRUE(GetDibGeometry(&big.h, sizeof big, true, &g));
    EXPECT_FALSE(g.tooLarge);
    EXPECT_EQ(g.rowsThatFit, 65535 / 1000);
    ASSERT_TRUE(GetDibGeometry(&big.h, sizeof big, false, &g));
    EXPECT_TRUE(g.tooLarge);
    EXPECT_EQ(g.rowsThatFit, 70);
    // A single row beyond a band is still read a row at a time.
    HeaderWithMasks wide = Header(30000, 4, 32);
    ASSERT_TRUE(GetDibGeometry(&wide.h, sizeof wide, true, &g));
    EXPECT_EQ(g.rowsThatFit, 1);
}

// ---- Index maps ----

TEST(DibRows, IndexMapsOfShortTablesStayInside)
{
    RGBQUAD whiteFirst[5] = {{255, 255, 255, 0}, {1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {0, 0, 0, 0}};
    RGBQUAD blackFirst[5] = {{0, 0, 0, 0}, {1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {255, 255, 255, 0}};
    uint8_t map[256];
    BuildDibIndexMap(map, whiteFirst, 5);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(map[i], i < 5 ? i : 4) << i;
    BuildDibIndexMap(map, blackFirst, 5);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(map[i], i < 5 ? 4 - i : 0) << i;
}

// ---- Converters ----

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};

int SourceBytes(int depth, int n) { return (n * depth + 7) / 8; }

// The test's own reading of a DIB pixel.
uint32_t IndexAt(const std::vector<uint8_t> &row, int depth, int i)
{
    int bit = i * depth;
    return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
}

Rgb ColourAt(const std::vector<uint8_t> &row, int depth, int i, const std::vector<RGBQUAD> &colours)
{
    if (depth <= 8) {
        const RGBQUAD &q = colours[IndexAt(row, depth, i)];
        return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    if (depth == 16) {
        unsigned w = row[2 * i] | row[2 * i + 1] << 8;
        unsigned r = (w >> 10) & 31, g = (w >> 5) & 31, b = w & 31;
        return Rgb{uint8_t((r << 3) | (r >> 2)), uint8_t((g << 3) | (g >> 2)), uint8_t((b << 3) | (b >> 2))};
    }
    int step = depth / 8;
    return Rgb{row[step * i + 2], row[step * i + 1], row[step * i]};
}

// The destination table of the nearest-colour tests and its least-distance search.
std::vector<Rgb> gTable;
uint8_t TestNearest(const void *table, uint16_t red, uint16_t green, uint16_t blue)
{
    EXPECT_EQ(table, &gTable);
    EXPECT_EQ(red % 257, 0) << "components arrive widened as c x 257";
    int best = 0, bestDistance = INT32_MAX;
    for (size_t i = 0; i < gTable.size(); ++i) {
        int d = std::abs(gTable[i].r * 257 - red) + std::abs(gTable[i].g * 257 - green) + std::abs(gTable[i].b * 257 - blue);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return static_cast<uint8_t>(best);
}

int LeastDistanceEntry(const Rgb &c)
{
    int best = 0, bestDistance = INT32_MAX;
    for (size_t i = 0; i < gTable.size(); ++i) {
        int d = std::abs(gTable[i].r - c.r) + std::abs(gTable[i].g - c.g) + std::abs(gTable[i].b - c.b);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

enum Output { out8, out4, out2, out1, out555, out24, out32 };
const struct {
    Output kind;
    const char *name;
    void (*convert)();
    int bits;
} kConverters[] = {
    {out8, "RowConvertToIndexed", RowConvertToIndexed, 8},
    {out4, "RowConvertToIndexed4", RowConvertToIndexed4, 4},
    {out2, "RowConvertToIndexed2", RowConvertToIndexed2, 2},
    {out1, "RowConvertToIndexed1", RowConvertToIndexed1, 1},
    {out555, "RowConvertToRgb555", RowConvertToRgb555, 16},
    {out24, "RowConvertToRgb24", RowConvertToRgb24, 24},
    {out32, "RowConvertToRgb32", RowConvertToRgb32, 32},
};

// Colours of an indexed DIB: white first and black last, or the other way, random between.
std::vector<RGBQUAD> DibColours(int entries, bool whiteFirst, std::mt19937 &rng)
{
    std::vector<RGBQUAD> q(entries);
    for (auto &c : q)
        c = RGBQUAD{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    RGBQUAD white{255, 255, 255, 0}, black{0, 0, 0, 0};
    q.front() = whiteFirst ? white : black;
    q.back() = whiteFirst ? black : white;
    return q;
}

TEST(DibRows, EveryConverterKeepsEveryPixelsColour)
{
    std::mt19937 rng(61);
    constexpr int kGuard = 16;
    for (const auto &conv : kConverters)
        for (int depth : {1, 4, 8, 16, 24, 32})
            for (bool whiteFirst : {true, false})
                for (int width : {1, 3, 7, 13, 33}) {
                    if (depth > 8 && !whiteFirst)
                        continue;
                    SCOPED_TRACE(testing::Message() << conv.name << " from depth " << depth << " width " << width
                                                    << (whiteFirst ? " white first" : " black first"));
                    const bool indexedOut = conv.bits <= 8;
                    // Indexed sources use no more colours than the destination holds.
                    const int entries = depth <= 8 ? 1 << (indexedOut ? std::min(depth, conv.bits) : depth) : 0;
                    std::vector<RGBQUAD> colours = depth <= 8 ? DibColours(entries, whiteFirst, rng) : std::vector<RGBQUAD>{};
                    std::vector<uint8_t> src(SourceBytes(depth, width) + 4);
                    for (auto &b : src)
                        b = uint8_t(rng());
                    if (depth <= 8)
                        for (int i = 0; i < width; ++i) {
                            int bit = i * depth;
                            uint8_t mask = uint8_t(((1u << depth) - 1) << (8 - depth - bit % 8));
                            uint8_t v = uint8_t((rng() % entries) << (8 - depth - bit % 8));
                            src[bit / 8] = uint8_t((src[bit / 8] & ~mask) | v);
                        }
                    if (depth == 16)
                        for (int i = 0; i < width; ++i)
                            src[2 * i + 1] &= 0x7F;
                    gTable.clear();
                    if (indexedOut && depth > 8) {
                        gTable.push_back(Rgb{255, 255, 255});
                        for (int i = 1; i < (1 << conv.bits) - 1; ++i)
                            gTable.push_back(Rgb{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
                        gTable.push_back(Rgb{0, 0, 0});
                    }

                    const int outBytes = (width * conv.bits + 7) / 8;
                    std::vector<uint8_t> dst(outBytes + kGuard, 0xA5);
                    RowConversionContext &c = RowContext();
                    c.depth = depth;
                    c.count = width;
                    c.src = src.data();
                    c.dst = dst.data();
                    c.colors = colours.data();
                    c.colorCount = static_cast<int32_t>(colours.size());
                    if (depth <= 8)
                        BuildDibIndexMap(c.indexMap, colours.data(), entries);
                    c.nearest = TestNearest;
                    c.nearestTable = &gTable;
                    conv.convert();
                    EXPECT_EQ(c.dst, dst.data() + outBytes);
                    EXPECT_EQ(c.src, src.data() + SourceBytes(depth, width));
                    for (int g = 0; g < kGuard; ++g)
                        ASSERT_EQ(dst[outBytes + g], 0xA5) << "guard byte " << g;

                    for (int i = 0; i < width; ++i) {
                        const Rgb want = ColourAt(src, depth, i, colours);
                        if (indexedOut) {
                            uint32_t index = IndexAt(dst, conv.bits, i);
                            if (depth <= 8) {
                                // The Macintosh table is the DIB's in Macintosh order: as it stands when
                                // it runs white to black, reversed otherwise.
                                uint32_t dibIndex = whiteFirst ? index : entries - 1 - index;
                                ASSERT_LT(dibIndex, static_cast<uint32_t>(entries));
                                const RGBQUAD &q = colours[dibIndex];
                                EXPECT_EQ((Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue}), want) << "pixel " << i;
                            } else {
                                EXPECT_EQ(static_cast<int>(index), LeastDistanceEntry(want)) << "pixel " << i;
                            }
                        } else if (conv.kind == out555) {
                            unsigned w = dst[2 * i] | dst[2 * i + 1] << 8;
                            unsigned expected = ((want.r & 0xF8) << 7) | ((want.g & 0xF8) << 2) | (want.b >> 3);
                            EXPECT_EQ(w, expected) << "pixel " << i;
                        } else {
                            int step = conv.bits / 8;
                            EXPECT_EQ((Rgb{dst[step * i + 2], dst[step * i + 1], dst[step * i]}), want) << "pixel " << i;
                            if (step == 4) {
                                EXPECT_EQ(dst[4 * i + 3], 0) << "pixel " << i;
                            }
                        }
                    }
                    // The bits after the last pixel of a final partial byte are 0.
                    if (indexedOut && (width * conv.bits) % 8) {
                        int used = (width * conv.bits) % 8;
                        EXPECT_EQ(dst[outBytes - 1] & (0xFF >> used), 0);
                    }
                }
}

TEST(DibRows, PlainAndInvertingCopies)
{
    const struct {
        const char *name;
        void (*convert)();
        int bits;
        bool invert;
    } copies[] = {
        {"CopyRow8", CopyRow8, 8, false}, {"InvertRow8", InvertRow8, 8, true},
        {"CopyRow4", CopyRow4, 4, false}, {"InvertRow4", InvertRow4, 4, true},
        {"CopyRow1", CopyRow1, 1, false}, {"InvertRow1", InvertRow1, 1, true},
    };
    std::mt19937 rng(8);
    for (const auto &copy : copies)
        for (int width : {1, 5, 8, 13, 70}) {
            SCOPED_TRACE(testing::Message() << copy.name << " width " << width);
            std::vector<uint8_t> src(SourceBytes(copy.bits, width));
            for (auto &b : src)
                b = uint8_t(rng());
            const int bytes = static_cast<int>(src.size());
            std::vector<uint8_t> dst(bytes + 8, 0xA5);
            RowConversionContext &c = RowContext();
            c.depth = copy.bits;
            c.count = width;
            c.src = src.data();
            c.dst = dst.data();
            copy.convert();
            EXPECT_EQ(c.dst, dst.data() + bytes);
            for (int i = 0; i < width; ++i) {
                uint32_t in = IndexAt(src, copy.bits, i), out = IndexAt(dst, copy.bits, i);
                EXPECT_EQ(out, copy.invert ? (~in & ((1u << copy.bits) - 1)) : in) << "pixel " << i;
            }
            int used = (width * copy.bits) % 8;
            if (used) {
                EXPECT_EQ(dst[bytes - 1] & (0xFF >> used), 0);
            }
            for (int g = 0; g < 8; ++g)
                EXPECT_EQ(dst[bytes + g], 0xA5);
        }
}

// ---- The plain-row copy ----

// Two pages: the first readable, the second with no access.
class GuardedPage {
public:
    GuardedPage()
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        page_ = si.dwPageSize;
        base_ = static_cast<uint8_t *>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        if (base_)
            VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    }
    ~GuardedPage()
    {
        if (base_)
            VirtualFree(base_, 0, MEM_RELEASE);
    }
    uint8_t *end() const { return base_ + page_; }
    bool ok() const { return base_ != nullptr; }

private:
    uint8_t *base_ = nullptr;
    DWORD page_ = 0;
};

TEST(DibRows, PlainRowCopyNeverReadsPastTheData)
{
    GuardedPage page;
    ASSERT_TRUE(page.ok());
    const struct {
        int width, pixelBytes, readableBytes;
    } cases[] = {
        {1, 1, 1}, {2, 1, 1}, {2, 1, 2}, {70, 1, 35}, {70, 1, 1},
        {4, 2, 3}, {5, 4, 9}, {3, 4, 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << " pixel bytes " << c.pixelBytes << " readable "
                                        << c.readableBytes);
        const uint32_t bytes = static_cast<uint32_t>(c.width * c.pixelBytes);
        uint8_t *row = page.end() - c.readableBytes;
        for (int i = 0; i < c.readableBytes; ++i)
            row[i] = uint8_t(0x10 + i);
        std::vector<uint8_t> scratch(bytes, 0xEE);
        const uint8_t *got = CopyPlainRow(scratch.data(), row, bytes, page.end() - 1, c.pixelBytes);
        ASSERT_NE(got, nullptr);
        if (static_cast<uint32_t>(c.readableBytes) >= bytes) {
            EXPECT_EQ(got, row) << "a row inside the data is used where it is";
            continue;
        }
        ASSERT_EQ(got, scratch.data());
        const int whole = c.readableBytes / c.pixelBytes * c.pixelBytes;
        for (uint32_t i = 0; i < bytes; ++i) {
            uint8_t expected = static_cast<int>(i) < whole ? row[i] : row[whole - c.pixelBytes + (i - whole) % c.pixelBytes];
            EXPECT_EQ(got[i], expected) << "byte " << i;
        }
    }
    // Nothing of the row can be read: no copy at all.
    uint8_t scratch[8];
    EXPECT_EQ(CopyPlainRow(scratch, page.end() - 3, 8, page.end() - 4, 1), nullptr);
    EXPECT_EQ(CopyPlainRow(scratch, page.end() - 3, 8, page.end() - 1, 4), nullptr) << "less than one pixel";
}

} // namespace

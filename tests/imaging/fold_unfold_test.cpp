// PixMaps folded into DIBs and unfolded back, the unfold options, storage the library must not free,
// short DIB handles, banded reading, BitMapToRegion of pixels that live in a bitmap, and the bitmap
// operations: copies, quarter turns, flips and colour exchanges.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {

using testing_support::QuickDrawTest;

// ---- PixMaps of the tests ----

int MacRowBytesOf(int depth, int width) { return depth <= 8 ? ((width * depth + 15) / 16) * 2 : width * depth / 8; }

void SetTable(PixMapHandle pm, const std::vector<RGBColor> &colours)
{
    SetHandleSize(reinterpret_cast<Handle>((*pm)->pmTable), static_cast<Size>(8 + 8 * colours.size()));
    ColorTable &ct = **(*pm)->pmTable;
    ct.ctSeed = GetCTSeed();
    ct.ctFlags = 0;
    ct.ctSize = static_cast<int16_t>(colours.size() - 1);
    for (size_t i = 0; i < colours.size(); ++i)
        ct.ctTable[i] = ColorSpec{static_cast<int16_t>(i), colours[i]};
}

std::vector<RGBColor> RandomColours(int n, std::mt19937 &rng)
{
    std::vector<RGBColor> c(n);
    for (auto &e : c)
        e = RGBColor{uint16_t(uint8_t(rng()) * 257), uint16_t(uint8_t(rng()) * 257), uint16_t(uint8_t(rng()) * 257)};
    return c;
}

// A PixMap over rows kept in `rows` (the test's storage).
struct MemoryPixMap {
    PixMapHandle pm;
    std::vector<uint8_t> rows;
    int depth, width, height, rowBytes;

    MemoryPixMap(int d, int w, int h) : depth(d), width(w), height(h), rowBytes(MacRowBytesOf(d, w))
    {
        pm = NewPixMap();
        rows.assign(static_cast<size_t>(rowBytes) * h, 0);
        PixMap &p = **pm;
        p.baseAddr = reinterpret_cast<Ptr>(rows.data());
        p.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
        p.bounds = Rect{0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
        p.pixelSize = static_cast<int16_t>(d);
        p.pixelType = d > 8 ? 16 : 0;
        p.cmpCount = d > 8 ? 3 : 1;
        p.cmpSize = d == 16 ? 5 : d == 32 ? 8 : d;
        p.pmExtFlags = 0;
    }
    ~MemoryPixMap()
    {
        if ((*pm)->baseAddr == reinterpret_cast<Ptr>(rows.data()))
            (*pm)->baseAddr = nullptr;
        DisposePixMap(pm);
    }
    uint32_t Value(const uint8_t *data, int x, int y) const
    {
        const uint8_t *row = data + static_cast<size_t>(y) * rowBytes;
        switch (depth) {
        case 1: case 2: case 4: {
            int bit = x * depth;
            return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
        }
        case 8: return row[x];
        case 16: return row[2 * x] | row[2 * x + 1] << 8;
        default: return row[4 * x] | row[4 * x + 1] << 8 | row[4 * x + 2] << 16;
        }
    }
    // The 8-bit colour of a Macintosh pixel.
    COLORREF Colour(int x, int y) const
    {
        uint32_t v = Value(rows.data(), x, y);
        if (depth <= 8) {
            const RGBColor &c = (**(*pm)->pmTable).ctTable[v].rgb;
            return RGB(c.red >> 8, c.green >> 8, c.blue >> 8);
        }
        if (depth == 16) {
            auto widen = [](uint32_t c) { return (c << 3) | (c >> 2); };
            return RGB(widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31));
        }
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    void Randomise(std::mt19937 &rng)
    {
        for (auto &b : rows)
            b = uint8_t(rng());
        if (depth == 16)
            for (size_t i = 1; i < rows.size(); i += 2)
                rows[i] &= 0x7F;
        if (depth == 32)
            for (size_t i = 3; i < rows.size(); i += 4)
                rows[i] = 0;
    }
};

// The colour of a DIB pixel, through the DIB's own colours.
COLORREF DibColour(const BITMAPINFO *info, const uint8_t *bits, int x, int y)
{
    const BITMAPINFOHEADER &h = info->bmiHeader;
    const int depth = h.biBitCount, height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const int stride = ((h.biWidth * depth + 31) / 32) * 4;
    const uint8_t *row = bits + static_cast<size_t>(h.biHeight < 0 ? y : height - 1 - y) * stride;
    if (depth <= 8) {
        int bit = x * depth;
        uint32_t v = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
        const RGBQUAD &q = info->bmiColors[v];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    const int step = depth / 8;
    return RGB(row[step * x + 2], row[step * x + 1], row[step * x]);
}

// A PixMap whose pixels are only a DIB in its handle: header, colours, rows.
struct DibOnlyPixMap {
    PixMapHandle pm;
    int stride;
    DibOnlyPixMap(int depth, int width, int height, const std::vector<RGBQUAD> &colours, bool topDown = false,
                  bool bitfields = false)
    {
        pm = NewPixMap();
        stride = ((width * depth + 31) / 32) * 4;
        const size_t header = sizeof(BITMAPINFOHEADER) + (bitfields ? 12 : 0) + colours.size() * sizeof(RGBQUAD);
        Handle dib = NewHandleClear(static_cast<Size>(header + static_cast<size_t>(stride) * height));
        auto *h = reinterpret_cast<BITMAPINFOHEADER *>(*dib);
        h->biSize = sizeof(BITMAPINFOHEADER);
        h->biWidth = width;
        h->biHeight = topDown ? -height : height;
        h->biPlanes = 1;
        h->biBitCount = static_cast<WORD>(depth);
        h->biClrUsed = static_cast<DWORD>(colours.size());
        if (bitfields) {
            h->biCompression = BI_BITFIELDS;
            const DWORD masks[3] = {depth == 16 ? 0x7C00u : 0xFF0000u, depth == 16 ? 0x3E0u : 0xFF00u, depth == 16 ? 0x1Fu : 0xFFu};
            std::memcpy(h + 1, masks, sizeof masks);
        } else if (!colours.empty()) {
            std::memcpy(h + 1, colours.data(), colours.size() * sizeof(RGBQUAD));
        }
        PixMap &p = **pm;
        p.baseAddr = reinterpret_cast<Ptr>(0x7FFF);
        p.bounds = Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
        p.pmExtDib = dib;
        p.pmExtDibBits = reinterpret_cast<Ptr>(*dib + header);
        p.pmExtFlags = pmExtDibAttached;
    }
    ~DibOnlyPixMap() { DisposePixMap(pm); }
    uint8_t *Row(int y, int height) const
    {
        const auto *h = reinterpret_cast<BITMAPINFOHEADER *>(*(*pm)->pmExtDib);
        return reinterpret_cast<uint8_t *>((*pm)->pmExtDibBits) + static_cast<size_t>(h->biHeight < 0 ? y : height - 1 - y) * stride;
    }
    PixMap *ptr() const { return *pm; }
};

class FoldUnfold : public QuickDrawTest {};

// Folding gives a DIB whose pixels, through its own colours, are the Macintosh pixels' colours;
// unfolding it into a fresh PixMap of the same format gives the same bytes back.
TEST_F(FoldUnfold, RoundTripKeepsEveryPixel)
{
    std::mt19937 rng(63);
    for (int depth : {1, 2, 4, 8, 16, 32}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        MemoryPixMap src(depth, 21, 7);
        src.Randomise(rng);
        std::vector<RGBColor> colours;
        if (depth <= 8) {
            colours = RandomColours(1 << depth, rng);
            SetTable(src.pm, colours);
        }
        Rect bounds = (*src.pm)->bounds;
        ASSERT_EQ(ZEL_FoldPixMap(*src.pm, &bounds, 2), 1);
        Ptr bits = reinterpret_cast<Ptr>(1);
        BITMAPINFO *info = ZEL_GetDIBFromPixMap(src.pm, &bits);
        ASSERT_NE(info, nullptr);
        ASSERT_NE(bits, nullptr);
        for (int y = 0; y < src.height; ++y)
            for (int x = 0; x < src.width; ++x)
                ASSERT_EQ(DibColour(info, reinterpret_cast<uint8_t *>(bits), x, y), src.Colour(x, y)) << x << "," << y;

        MemoryPixMap dst(depth, 21, 7);
        if (depth <= 8)
            SetTable(dst.pm, colours);
        ASSERT_EQ(ZEL_UnfoldPixMap(*src.pm, reinterpret_cast<BitMap *>(*dst.pm), nullptr, nullptr, 2), 1);
        EXPECT_EQ((*dst.pm)->baseAddr, reinterpret_cast<Ptr>(dst.rows.data())) << "the storage was large enough";
        for (int y = 0; y < src.height; ++y)
            for (int x = 0; x < src.width; ++x)
                ASSERT_EQ(dst.Value(dst.rows.data(), x, y), src.Value(src.rows.data(), x, y)) << x << "," << y;
    }
}

// The options' formats: 24-bit DIBs become 32-bit or packed 24-bit pixels, an 8-bit DIB needs an
// option, a Windows-ordered table comes back reversed with complemented indices, a black-first 1-bit DIB
// comes into a BitMap complemented, and pixels that lived only in Windows objects get fresh storage.
TEST_F(FoldUnfold, OptionsChooseTheFormat)
{
    std::mt19937 rng(5);
    const int w = 5, h = 3;
    {
        DibOnlyPixMap src(24, w, h, {});
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < 3 * w; ++i)
                src.Row(y, h)[i] = uint8_t(y * 40 + i);
        MemoryPixMap dst(8, 1, 1);
        ASSERT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst.pm), nullptr, nullptr, 0), 1);
        const PixMap &d = **dst.pm;
        EXPECT_EQ(d.pixelSize, 32);
        EXPECT_EQ(d.cmpCount, 4);
        EXPECT_EQ(d.packType, 1);
        const uint8_t *rows = reinterpret_cast<const uint8_t *>(d.baseAddr);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t *p = rows + y * (d.rowBytes & 0x3FFF) + 4 * x;
                const uint8_t *s = src.Row(y, h) + 3 * x;
                EXPECT_EQ(p[0], s[0]);
                EXPECT_EQ(p[1], s[1]);
                EXPECT_EQ(p[2], s[2]);
                EXPECT_EQ(p[3], 0);
            }
        MemoryPixMap packed(8, 1, 1);
        ASSERT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*packed.pm), nullptr, nullptr, 0x1000), 1);
        EXPECT_EQ((*packed.pm)->packType, 2);
        EXPECT_EQ((*packed.pm)->cmpCount, 3);
        EXPECT_EQ(std::memcmp((*packed.pm)->baseAddr + ((*packed.pm)->rowBytes & 0x3FFF), src.Row(1, h), 3 * w), 0);
    }
    {
        std::vector<RGBQUAD> windowsOrder(256);
        for (int i = 0; i < 256; ++i)
            windowsOrder[i] = RGBQUAD{uint8_t(i), uint8_t(255 - i), uint8_t(rng()), 0};
        windowsOrder[0] = RGBQUAD{0, 0, 0, 0};
        windowsOrder[255] = RGBQUAD{255, 255, 255, 0};
        DibOnlyPixMap src(8, w, h, windowsOrder);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                src.Row(y, h)[x] = uint8_t(rng());
        MemoryPixMap untouched(8, w, h);
        const Ptr before = (*untouched.pm)->baseAddr;
        EXPECT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*untouched.pm), nullptr, nullptr, 0), 0);
        EXPECT_EQ((*untouched.pm)->baseAddr, before);
        EXPECT_EQ((*untouched.pm)->pixelSize, 8);

        MemoryPixMap dst(8, w, h);
        ASSERT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst.pm), nullptr, nullptr, 4), 1);
        const ColorTable &ct = **(*dst.pm)->pmTable;
        ASSERT_EQ(ct.ctSize, 255);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t dib = src.Row(y, h)[x];
                const uint8_t mac = dst.rows[y * dst.rowBytes + x];
                EXPECT_EQ(mac, uint8_t(~dib));
                const RGBColor &c = ct.ctTable[mac].rgb;
                const RGBQUAD &q = windowsOrder[dib];
                EXPECT_EQ(RGB(c.red >> 8, c.green >> 8, c.blue >> 8), RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
            }
    }
    {
        DibOnlyPixMap src(1, 12, 2, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}});
        src.Row(0, 2)[0] = 0xF0;
        src.Row(0, 2)[1] = 0x30;
        src.Row(1, 2)[0] = 0x0F;
        src.Row(1, 2)[1] = 0xC0;
        BitMap bm{nullptr, 0, Rect{0, 0, 0, 0}};
        ASSERT_EQ(ZEL_UnfoldPixMap(src.ptr(), &bm, nullptr, nullptr, 0), 1);
        ASSERT_NE(bm.baseAddr, nullptr);
        EXPECT_EQ(bm.rowBytes, 2);
        const uint8_t *b = reinterpret_cast<const uint8_t *>(bm.baseAddr);
        EXPECT_EQ(b[0], 0x0F);
        EXPECT_EQ(b[1] & 0xF0, 0xC0);
        EXPECT_EQ(b[2], 0xF0);
        EXPECT_EQ(b[3] & 0xF0, 0x30);
        DisposePtr(bm.baseAddr);
    }
    {
        DibOnlyPixMap src(24, w, h, {});
        PixMapHandle dst = NewPixMap();
        (*dst)->baseAddr = reinterpret_cast<Ptr>(0x7FFF);
        ASSERT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst), nullptr, nullptr, 0), 1);
        EXPECT_EQ(GetPtrSize((*dst)->baseAddr), (h + 1) * ((*dst)->rowBytes & 0x3FFF));
        DisposePixMap(dst);
        EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
    }
}

// DIBs of every depth, the 16 and 32-bit ones with standard BI_BITFIELDS masks and top-down, unfold into
// 32-bit pixels of the same colours.
TEST_F(FoldUnfold, EveryDibDepthUnfoldsInItsColours)
{
    std::mt19937 rng(9);
    const struct {
        int depth;
        bool topDown, bitfields;
    } cases[] = {{1, false, false}, {4, true, false}, {8, false, false}, {16, false, false}, {16, true, true},
                 {24, false, false}, {32, false, false}, {32, true, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "depth " << c.depth << (c.bitfields ? " bitfields" : ""));
        const int w = 11, h = 4;
        std::vector<RGBQUAD> colours;
        if (c.depth <= 8)
            for (int i = 0; i < (1 << c.depth); ++i)
                colours.push_back(RGBQUAD{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0});
        DibOnlyPixMap src(c.depth, w, h, colours, c.topDown, c.bitfields);
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < src.stride; ++i)
                src.Row(y, h)[i] = uint8_t(rng() & (c.depth == 16 && i % 2 ? 0x7F : 0xFF));
        MemoryPixMap dst(32, w, h);
        ASSERT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst.pm), nullptr, nullptr, 0x800), 1);
        auto *info = reinterpret_cast<BITMAPINFO *>(*(*src.pm)->pmExtDib);
        const uint8_t *bits = reinterpret_cast<const uint8_t *>((*src.pm)->pmExtDibBits);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                COLORREF want;
                if (c.depth == 16) {
                    const uint8_t *row = src.Row(y, h);
                    unsigned v = row[2 * x] | row[2 * x + 1] << 8;
                    auto widen = [](unsigned k) { return (k << 3) | (k >> 2); };
                    want = RGB(widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31));
                } else {
                    want = DibColour(info, bits, x, y);
                }
                ASSERT_EQ(dst.Colour(x, y), want) << x << "," << y;
            }
    }
}

// Option 0x2 into a table that is neither the DIB's colours nor their reverse: each pixel takes the
// destination's nearest entry.
TEST_F(FoldUnfold, KeepFormatMapsByColour)
{
    std::mt19937 rng(7);
    std::vector<RGBQUAD> colours(16);
    for (auto &q : colours)
        q = RGBQUAD{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    DibOnlyPixMap src(4, 9, 4, colours);
    for (int y = 0; y < 4; ++y)
        for (int i = 0; i < 5; ++i)
            src.Row(y, 4)[i] = uint8_t(rng());
    MemoryPixMap dst(8, 9, 4);
    std::vector<RGBColor> table = RandomColours(256, rng);
    SetTable(dst.pm, table);
    ASSERT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst.pm), nullptr, nullptr, 2), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) {
            const uint8_t v = (src.Row(y, 4)[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
            const RGBQUAD &q = colours[v];
            int best = 0, bestDistance = INT32_MAX;
            for (int i = 0; i < 256; ++i) {
                int d = std::abs(table[i].red - q.rgbRed * 257) + std::abs(table[i].green - q.rgbGreen * 257) +
                        std::abs(table[i].blue - q.rgbBlue * 257);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            EXPECT_EQ(dst.rows[y * dst.rowBytes + x], best) << x << "," << y;
        }
}

// Storage the library did not allocate for the PixMap is never freed or written past: with 0x8 a
// too-small destination answers 0 unchanged; without it the PixMap gets new storage and the old stays
// its owner's.
TEST_F(FoldUnfold, ForeignStorageIsLeftToItsOwner)
{
    static uint8_t staticRows[16];
    DibOnlyPixMap src(24, 10, 6, {});
    for (bool fromHeap : {false, true}) {
        SCOPED_TRACE(fromHeap ? "a caller's NewPtr block" : "a static array");
        Ptr storage = fromHeap ? NewPtr(16) : reinterpret_cast<Ptr>(staticRows);
        std::memset(storage, 0x5A, 16);
        PixMapHandle dst = NewPixMap();
        (*dst)->baseAddr = storage;
        (*dst)->rowBytes = static_cast<int16_t>(0x8000 | 8);
        (*dst)->bounds = Rect{0, 0, 2, 2};
        (*dst)->pixelSize = 32;
        const PixMap before = **dst;
        EXPECT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst), nullptr, nullptr, 0x8), 0);
        EXPECT_EQ(std::memcmp(&before, *dst, sizeof(PixMap)), 0) << "nothing changes";
        ASSERT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst), nullptr, nullptr, 0), 1);
        EXPECT_NE((*dst)->baseAddr, storage);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(static_cast<uint8_t>(storage[i]), 0x5A) << i;
        DisposePixMap(dst);
        if (fromHeap) {
            EXPECT_EQ(GetPtrSize(storage), 16) << "the caller's block is still its own";
            DisposePtr(storage);
        }
        EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
    }
}

// A DIB handle shorter than its header says answers 0 and nothing past it is read; so does a DIB
// header the row code refuses.
TEST_F(FoldUnfold, ShortOrBadDibHandlesAnswerZero)
{
    DibOnlyPixMap src(8, 40, 30, std::vector<RGBQUAD>(256));
    MemoryPixMap dst(32, 40, 30);
    Handle dib = (*src.pm)->pmExtDib;
    const Size whole = GetHandleSize(dib);
    SetHandleSize(dib, whole - 1);
    (*src.pm)->pmExtDibBits = *dib + sizeof(BITMAPINFOHEADER) + 1024;
    EXPECT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst.pm), nullptr, nullptr, 0x800), 0);
    SetHandleSize(dib, 600);
    (*src.pm)->pmExtDibBits = *dib + 500;
    EXPECT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst.pm), nullptr, nullptr, 0x800), 0)
        << "the colours run past the handle";
    SetHandleSize(dib, whole);
    (*src.pm)->pmExtDibBits = *dib + sizeof(BITMAPINFOHEADER) + 1024;
    reinterpret_cast<BITMAPINFOHEADER *>(*dib)->biCompression = BI_RLE8;
    EXPECT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst.pm), nullptr, nullptr, 0x800), 0);
}

// A DIB of more than 65,535 bytes unfolds whole when DIBs may be read in bands, and is refused when not.
TEST_F(FoldUnfold, LargeDibsNeedBandedReading)
{
    DibOnlyPixMap src(24, 300, 100, {}); // 90,000 bytes of rows
    for (int y = 0; y < 100; ++y)
        for (int i = 0; i < 900; ++i)
            src.Row(y, 100)[i] = uint8_t(y + i);
    const Boolean banded = SelectLargeDibReading(true);
    MemoryPixMap dst(8, 1, 1);
    ASSERT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*dst.pm), nullptr, nullptr, 0x1000), 1);
    const int rowBytes = (*dst.pm)->rowBytes & 0x3FFF;
    for (int y = 0; y < 100; ++y)
        ASSERT_EQ(std::memcmp((*dst.pm)->baseAddr + y * rowBytes, src.Row(y, 100), 900), 0) << "row " << y;
    SelectLargeDibReading(false);
    MemoryPixMap refused(8, 1, 1);
    EXPECT_EQ(ZEL_UnfoldPixMap(src.ptr(), reinterpret_cast<BitMap *>(*refused.pm), nullptr, nullptr, 0x1000), 0);
    SelectLargeDibReading(banded);
}

// Pixels that live only in a PixMap's bitmap are read for BitMapToRegion: the region holds exactly the
// 1 bits.
TEST_F(FoldUnfold, BitMapToRegionReadsPixelsFromTheBitmap)
{
    const int w = 19, h = 6;
    std::mt19937 rng(2);
    std::vector<uint8_t> bits(static_cast<size_t>(((w + 15) / 16) * 2) * h);
    for (auto &b : bits)
        b = uint8_t(rng());
    const int rowBytes = ((w + 15) / 16) * 2;
    HBITMAP bitmap = CreateBitmap(w, h, 1, 1, bits.data());
    ASSERT_NE(bitmap, nullptr);
    PixMapHandle pm = NewPixMap();
    (*pm)->baseAddr = reinterpret_cast<Ptr>(0x7FFF);
    (*pm)->bounds = Rect{0, 0, h, w};
    (*pm)->pixelSize = 1;
    (*pm)->cmpSize = 1;
    (*pm)->cmpCount = 1;
    (*pm)->rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
    (*pm)->pmExtBitmap = bitmap;
    (*pm)->pmExtFlags = pmExtBitmapCached;
    RgnHandle rgn = NewRgn();
    ASSERT_EQ(BitMapToRegion(rgn, reinterpret_cast<const BitMap *>(*pm)), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // CreateBitmap's 1 bits are white: the Macintosh bit is their complement.
            const bool white = (bits[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
            EXPECT_EQ(PtInRgn(Point{static_cast<int16_t>(y), static_cast<int16_t>(x)}, rgn) != 0, !white) << x << "," << y;
        }
    DisposeRgn(rgn);
    (*pm)->pmExtBitmap = nullptr;
    DisposePixMap(pm);
    DeleteObject(bitmap);
}

TEST_F(FoldUnfold, GetDibFromPixMapNeedsAnExtendedPixMapWithADib)
{
    Ptr sentinel = reinterpret_cast<Ptr>(0x1234);
    Ptr out = sentinel;
    EXPECT_EQ(ZEL_GetDIBFromPixMap(nullptr, &out), nullptr);
    PixMapHandle pm = NewPixMap();
    EXPECT_EQ(ZEL_GetDIBFromPixMap(pm, &out), nullptr) << "no DIB";
    Handle dib = NewHandleClear(40);
    (*pm)->pmExtDib = dib;
    (*pm)->pmExtFlags |= pmExtDibAttached;
    (*pm)->pmVersion = 0;
    EXPECT_EQ(ZEL_GetDIBFromPixMap(pm, &out), nullptr) << "not extended";
    EXPECT_EQ(out, sentinel);
    (*pm)->pmVersion = static_cast<int16_t>(0xC000);
    EXPECT_EQ(ZEL_GetDIBFromPixMap(pm, nullptr), reinterpret_cast<BITMAPINFO *>(*dib)) << "a nil out argument";
    DisposePixMap(pm);
}

// ---- Bitmap operations ----

// A DIB section of `depth` with random pixels (and a random colour table below 24 bits).
struct Section {
    HBITMAP bitmap = nullptr;
    uint8_t *bits = nullptr;
    int depth, width, height, stride;
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[256];
    } info{};
    Section(int d, int w, int h, std::mt19937 &rng) : depth(d), width(w), height(h)
    {
        stride = ((w * d + 31) / 32) * 4;
        info.h.biSize = sizeof(BITMAPINFOHEADER);
        info.h.biWidth = w;
        info.h.biHeight = h;
        info.h.biPlanes = 1;
        info.h.biBitCount = static_cast<WORD>(d);
        if (d <= 8)
            for (int i = 0; i < (1 << d); ++i)
                info.colours[i] = RGBQUAD{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
        void *p = nullptr;
        bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint8_t *>(p);
        for (int i = 0; i < stride * h; ++i)
            bits[i] = uint8_t(rng());
        GdiFlush();
    }
    ~Section() { DeleteObject(bitmap); }
    uint32_t Value(int x, int storedRow) const
    {
        const uint8_t *row = bits + static_cast<size_t>(storedRow) * stride;
        switch (depth) {
        case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4: return (x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4;
        case 8: return row[x];
        default: return row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
        }
    }
    COLORREF Colour(int x, int storedRow) const
    {
        uint32_t v = Value(x, storedRow);
        if (depth <= 8)
            return RGB(info.colours[v].rgbRed, info.colours[v].rgbGreen, info.colours[v].rgbBlue);
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
};

// A bitmap's pixels as 32-bit colours, bottom-up (stored rows).
std::vector<COLORREF> ReadColours(HBITMAP bitmap, int *w, int *h)
{
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    *w = bm.bmWidth;
    *h = bm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> px(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, bm.bmHeight, px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    std::vector<COLORREF> out(px.size());
    for (size_t i = 0; i < px.size(); ++i)
        out[i] = RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF);
    return out;
}

class BitmapOps : public QuickDrawTest {};

TEST_F(BitmapOps, CopiesHaveTheSameBits)
{
    std::mt19937 rng(11);
    for (int depth : {1, 8, 32}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        const int w = 13, h = 5;
        std::vector<uint8_t> bits(static_cast<size_t>(((w * depth + 15) / 16) * 2) * h);
        for (auto &b : bits)
            b = uint8_t(rng());
        HBITMAP bitmap = CreateBitmap(w, h, 1, depth, bits.data());
        ASSERT_NE(bitmap, nullptr);
        HBITMAP copy = ZEL_CopyBM(bitmap);
        ASSERT_NE(copy, nullptr);
        std::vector<uint8_t> a(bits.size()), b(bits.size());
        EXPECT_EQ(GetBitmapBits(bitmap, static_cast<LONG>(a.size()), a.data()), static_cast<LONG>(a.size()));
        EXPECT_EQ(GetBitmapBits(copy, static_cast<LONG>(b.size()), b.data()), static_cast<LONG>(b.size()));
        EXPECT_EQ(a, b);
        DeleteObject(copy);
        DeleteObject(bitmap);
    }
    EXPECT_EQ(ZEL_CopyBM(nullptr), nullptr);
}

// Quarter turns of non-square bitmaps: with y the stored source row and x its column, -90 puts a pixel in
// stored row x at column height - 1 - y, and 90 in stored row width - 1 - x at column y.
TEST_F(BitmapOps, QuarterTurnsMoveEveryPixel)
{
    std::mt19937 rng(12);
    for (int depth : {1, 4, 8, 24})
        for (int16_t angle : {90, -90}) {
            SCOPED_TRACE(testing::Message() << "depth " << depth << " angle " << angle);
            Section src(depth, 11, 4, rng);
            HBITMAP turned = RotateBitsBitmap90(nullptr, angle, nullptr, src.bitmap);
            ASSERT_NE(turned, nullptr);
            int w = 0, h = 0;
            std::vector<COLORREF> out = ReadColours(turned, &w, &h);
            ASSERT_EQ(w, 4);
            ASSERT_EQ(h, 11);
            for (int y = 0; y < src.height; ++y)
                for (int x = 0; x < src.width; ++x) {
                    const int row = angle == -90 ? x : src.width - 1 - x;
                    const int col = angle == -90 ? src.height - 1 - y : y;
                    ASSERT_EQ(out[static_cast<size_t>(row) * w + col], src.Colour(x, y)) << x << "," << y;
                }
            DeleteObject(turned);
        }
    Section square(8, 3, 2, rng);
    EXPECT_EQ(RotateBitsBitmap90(nullptr, 45, nullptr, square.bitmap), nullptr);
}

TEST_F(BitmapOps, FlipsMirrorRowsAndColumns)
{
    std::mt19937 rng(13);
    const struct {
        int depth, width, height;
    } cases[] = {{1, 13, 5}, {1, 16, 3}, {4, 7, 5}, {4, 10, 2}, {8, 5, 3}, {24, 6, 7}};
    for (const auto &c : cases)
        for (bool horizontal : {false, true}) {
            SCOPED_TRACE(testing::Message() << "depth " << c.depth << " " << c.width << "x" << c.height
                                            << (horizontal ? " horizontal" : " vertical"));
            Section s(c.depth, c.width, c.height, rng);
            std::vector<uint32_t> before;
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    before.push_back(s.Value(x, y));
            ASSERT_TRUE(FlipBitsBitmap(nullptr, horizontal, nullptr, s.bitmap));
            GdiFlush();
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const int fx = horizontal ? c.width - 1 - x : x, fy = horizontal ? y : c.height - 1 - y;
                    ASSERT_EQ(s.Value(x, y), before[static_cast<size_t>(fy) * c.width + fx]) << x << "," << y;
                }
        }
}

// Exactly the two values change places (the masked form only under set mask bits); at depths other
// than 4 and 8 the answer is 0 and the bitmap stays as it was.
TEST_F(BitmapOps, ColourSwapsExchangeTwoValues)
{
    std::mt19937 rng(14);
    const int w = 9, h = 4;
    uint8_t maskBits[2 * h] = {0xFF, 0x80, 0x0F, 0x00, 0xAA, 0x80, 0x00, 0x00};
    const BitMap mask{reinterpret_cast<Ptr>(maskBits), 2, Rect{0, 0, h, w}};
    for (int depth : {4, 8})
        for (bool masked : {false, true}) {
            SCOPED_TRACE(testing::Message() << "depth " << depth << (masked ? " masked" : ""));
            Section s(depth, w, h, rng);
            const uint8_t a = 3, b = 9;
            // Plenty of both values.
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (rng() % 2) {
                        uint8_t *row = s.bits + y * s.stride;
                        uint8_t v = rng() % 2 ? a : b;
                        if (depth == 8)
                            row[x] = v;
                        else
                            row[x / 2] = uint8_t((x & 1) ? (row[x / 2] & 0xF0) | v : (row[x / 2] & 0x0F) | (v << 4));
                    }
            std::vector<uint32_t> before;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    before.push_back(s.Value(x, y));
            ASSERT_TRUE(masked ? SwapBitmapColorsMasked(nullptr, &mask, s.bitmap, nullptr, a, b)
                               : SwapBitmapColors(nullptr, s.bitmap, nullptr, a, b));
            GdiFlush();
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint32_t v = before[static_cast<size_t>(y) * w + x];
                    const int top = h - 1 - y;
                    const bool under = !masked || ((maskBits[top * 2 + x / 8] >> (7 - x % 8)) & 1);
                    const uint32_t expected = under && v == a ? b : under && v == b ? a : v;
                    ASSERT_EQ(s.Value(x, y), expected) << x << "," << y;
                }
        }
    for (int depth : {1, 24}) {
        Section s(depth, w, h, rng);
        std::vector<uint8_t> before(s.bits, s.bits + s.stride * h);
        EXPECT_FALSE(SwapBitmapColors(nullptr, s.bitmap, nullptr, 0, 1)) << depth;
        EXPECT_EQ(std::vector<uint8_t>(s.bits, s.bits + s.stride * h), before);
    }
}

} // namespace

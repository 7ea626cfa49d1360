// The unscaled fast paths of CopyBits between PixMaps in memory, 8-bit copies into DIB PixMaps through
// ZEL_CopyBitsMacToDIB, screen-source copies from a port's DC into DIB PixMaps, and (on a 16-bit screen)
// the 16-bit band path; every destination pixel checked against a reference computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::QuickDrawTest;
using testing_support::TakeDebugMessages;

class FastPathTest : public QuickDrawTest {};

int Bit(const std::vector<uint8_t> &row, int i) { return (row[i / 8] >> (7 - i % 8)) & 1; }

TEST_F(FastPathTest, ShiftedRowMergeMovesExactlyItsBits)
{
    std::mt19937 random(5);
    for (int srcBit = 0; srcBit < 8; ++srcBit)
        for (int dstBit = 0; dstBit < 8; ++dstBit)
            for (int count = 1; count <= 40; ++count)
                for (int mode : {0, 1}) {
                    std::vector<uint8_t> src(8), dst(8);
                    for (auto &b : src)
                        b = static_cast<uint8_t>(random());
                    for (auto &b : dst)
                        b = static_cast<uint8_t>(random());
                    const std::vector<uint8_t> before = dst;
                    ShiftedRowMergeForTest(src.data(), dst.data(), srcBit, dstBit, count, mode);
                    for (int i = 0; i < 64; ++i) {
                        const bool in = i >= dstBit && i < dstBit + count;
                        const int s = in ? Bit(src, srcBit + i - dstBit) : 0;
                        const int want = !in ? Bit(before, i) : mode == 0 ? s : (Bit(before, i) | s);
                        ASSERT_EQ(Bit(dst, i), want) << "src bit " << srcBit << " dst bit " << dstBit << " count "
                                                     << count << " mode " << mode << " bit " << i;
                    }
                }
}

// A plain PixMap over rows the test owns.
struct Plain {
    PixMap pm{};
    std::vector<uint8_t> rows;
    int stride;
    Plain(int depth, int w, int h, CTabHandle table = nullptr)
    {
        stride = ((w * depth + 15) / 16) * 2;
        rows.assign(static_cast<size_t>(stride) * h, 0);
        pm.baseAddr = reinterpret_cast<Ptr>(rows.data());
        pm.rowBytes = static_cast<int16_t>(0x8000 | stride);
        pm.bounds = {0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
        pm.pixelType = static_cast<int16_t>(depth > 8 ? 16 : 0);
        pm.pixelSize = static_cast<int16_t>(depth);
        pm.cmpCount = static_cast<int16_t>(depth > 8 ? 3 : 1);
        pm.cmpSize = static_cast<int16_t>(depth == 32 ? 8 : depth == 16 ? 5 : depth);
        pm.pmTable = table;
    }
    const BitMap *bits() const { return reinterpret_cast<const BitMap *>(&pm); }
    uint32_t *Word(int x, int y) { return reinterpret_cast<uint32_t *>(rows.data() + y * stride) + x; }
    int BitAt(int x, int y) const { return (rows[y * stride + x / 8] >> (7 - x % 8)) & 1; }
};

TEST_F(FastPathTest, OneBitCopiesKeepTheBitsAroundThem)
{
    DibPort port(4, 4);
    SetPor(port.port());
    std::mt19937 random(9);
    // Source at bit 3, destination at bit 5, 13 wide: exactly 13 bits change in each row; other offsets too.
    for (int mode : {srcCopy, srcOr})
        for (auto [sx, dx, w] : {std::tuple{3, 5, 13}, std::tuple{0, 0, 24}, std::tuple{8, 16, 11}, std::tuple{7, 1, 33}}) {
            Plain src(1, 64, 4), dst(1, 64, 4);
            for (auto &b : src.rows)
                b = static_cast<uint8_t>(random());
            for (auto &b : dst.rows)
                b = static_cast<uint8_t>(random());
            const std::vector<uint8_t> before = dst.rows;
            Rect from = {0, static_cast<int16_t>(sx), 4, static_cast<int16_t>(sx + w)};
            Rect to = {0, static_cast<int16_t>(dx), 4, static_cast<int16_t>(dx + w)};
            CopyBits(src.bits(), dst.bits(), &from, &to, static_cast<int16_t>(mode), nullptr);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 64; ++x) {
                    const int old = (before[y * dst.stride + x / 8] >> (7 - x % 8)) & 1;
                    const bool in = x >= dx && x < dx + w;
                    const int s = in ? src.BitAt(x - dx + sx, y) : 0;
                    const int want = !in ? old : mode == srcCopy ? s : (old | s);
                    ASSERT_EQ(dst.BitAt(x, y), want) << sx << "/" << dx << "/" << w << " mode " << mode << " at " << x
                                                     << "," << y;
                }
        }
}

TEST_F(FastPathTest, ReductionsToOneBitWeighTheColours)
{
    DibPort port(4, 4);
    SetPor(port.port());
    // 32-bit: colour bytes all 128 are white, all 127 black.
    Plain deep(32, 4, 1), mono(1, 4, 1);
    *deep.Word(0, 0) = 0x808080;
    *deep.Word(1, 0) = 0x7F7F7F;
    *deep.Word(2, 0) = 0x000000;
    *deep.Word(3, 0) = 0xFFFFFF;
    CopyBits(deep.bits(), mono.bits(), &deep.pm.bounds, &mono.pm.bounds, srcCopy, nullptr);
    EXPECT_EQ(mono.BitAt(0, 0), 0);
    EXPECT_EQ(mono.BitAt(1, 0), 1);
    EXPECT_EQ(mono.BitAt(2, 0), 1);
    EXPECT_EQ(mono.BitAt(3, 0), 0);
    // 8-bit with a table of mid-grey only: all white.
    CTabHandle grey = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 256 * sizeof(ColorSpec)));
    (*grey)->ctSeed = GetCTSeed();
    (*grey)->ctSize = 255;
    for (int i = 0; i < 256; ++i)
        (*grey)->ctTable[i] = ColorSpec{static_cast<int16_t>(i), {0x80FF, 0x80FF, 0x8000}};
    Plain eight(8, 16, 2, grey), out(1, 16, 2);
    for (size_t i = 0; i < eight.rows.size(); ++i)
        eight.rows[i] = static_cast<uint8_t>(i * 17);
    std::fill(out.rows.begin(), out.rows.end(), 0xFF);
    CopyBits(eight.bits(), out.bits(), &eight.pm.bounds, &out.pm.bounds, srcCopy, nullptr);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(out.BitAt(x, y), 0) << x << "," << y;
    DisposeHandle(reinterpret_cast<Handle>(grey));
}

TEST_F(FastPathTest, SameSizeCopiesToThirtyTwoBits)
{
    DibPort port(4, 4);
    SetPor(port.port());
    // 32 to 32: byte for byte, the fourth byte included.
    Plain a(32, 9, 3), b(32, 9, 3);
    for (size_t i = 0; i < a.rows.size(); ++i)
        a.rows[i] = static_cast<uint8_t>(i * 31 + 7);
    CopyBits(a.bits(), b.bits(), &a.pm.bounds, &b.pm.bounds, srcCopy, nullptr);
    EXPECT_EQ(a.rows, b.rows);
    // 8 to 32: the table's colours.
    CTabHandle table = GetCTable(8);
    Plain eight(8, 10, 2, table), deep(32, 10, 2);
    for (size_t i = 0; i < eight.rows.size(); ++i)
        eight.rows[i] = static_cast<uint8_t>(i * 13);
    CopyBits(eight.bits(), deep.bits(), &eight.pm.bounds, &deep.pm.bounds, srcCopy, nullptr);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x) {
            const RGBColor &c = (*table)->ctTable[eight.rows[y * eight.stride + x]].rgb;
            EXPECT_EQ(*deep.Word(x, y) & 0xFFFFFF, static_cast<uint32_t>((c.red >> 8) << 16 | (c.green >> 8) << 8 | c.blue >> 8));
        }
    DisposeCTable(table);
    // 1 to 32: the port's foreground and background.
    const RGBColor red = {0xFFFF, 0, 0}, yellow = {0xFFFF, 0xFFFF, 0};
    RGBForeColor(&red);
    RGBBackColor(&yellow);
    Plain one(1, 16, 1), wide(32, 16, 1);
    one.rows[0] = 0xA5;
    one.rows[1] = 0x0F;
    CopyBits(one.bits(), wide.bits(), &one.pm.bounds, &wide.pm.bounds, srcCopy, nullptr);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(*wide.Word(x, 0) & 0xFFFFFF, one.BitAt(x, 0) ? 0xFF0000u : 0xFFFF00u) << x;
    ForeColor(blackColor);
    BackColor(whiteColor);
}

// A DIB PixMap of 8-bit pixels whose DIB may be smaller than its bounds.
struct Dib8 {
    PixMap pm{};
    Handle dib;
    uint8_t mark = 0;
    int width, height, stride;
    Dib8(int w, int h, CTabHandle table, bool blackFirst, int boundsW, int boundsH) : width(w), height(h)
    {
        stride = (w + 3) & ~3;
        dib = NewHandleClear(sizeof(BITMAPINFOHEADER) + 1024 + stride * h + 64);
        auto *bi = reinterpret_cast<BITMAPINFOHEADER *>(*dib);
        bi->biSize = sizeof *bi;
        bi->biWidth = w;
        bi->biHeight = h;
        bi->biPlanes = 1;
        bi->biBitCount = 8;
        bi->biClrUsed = 256;
        HLock(dib);
        // A guard past the rows: bytes that must stay 0xEE.
        std::memset(Bits() + stride * h, 0xEE, 64);
        pm.baseAddr = reinterpret_cast<Ptr>(&mark);
        pm.rowBytes = static_cast<int16_t>(0x8000 | boundsW);
        pm.bounds = {0, 0, static_cast<int16_t>(boundsH), static_cast<int16_t>(boundsW)};
        pm.pmVersion = static_cast<int16_t>(0xC000);
        pm.pixelSize = 8;
        pm.cmpCount = 1;
        pm.cmpSize = 8;
        pm.pmTable = table;
        pm.pmExtFlags = static_cast<uint16_t>(pmExtDibAttached | (blackFirst ? pmExtBitsPrepared : 0));
        pm.pmExtDib = dib;
        pm.pmExtDibBits = reinterpret_cast<Ptr>(Bits());
    }
    ~Dib8() { DisposeHandle(dib); }
    uint8_t *Bits() { return reinterpret_cast<uint8_t *>(*dib) + sizeof(BITMAPINFOHEADER) + 1024; }
    uint8_t &At(int x, int y) { return Bits()[(height - 1 - y) * stride + x]; }
    bool GuardIntact() { return std::all_of(Bits() + stride * height, Bits() + stride * height + 64, [](uint8_t b) { return b == 0xEE; }); }
};

TEST_F(FastPathTest, CopyBitsMacToDibCopiesOrConvertsIntoTheDibOnly)
{
    DibPort port(4, 4);
    SetPor(port.port());
    CTabHandle table = GetCTable(8);
    Plain src(8, 12, 5, table);
    for (size_t i = 0; i < src.rows.size(); ++i)
        src.rows[i] = static_cast<uint8_t>(i * 7 + 3);
    auto srcAt = [&](int x, int y) { return src.rows[y * src.stride + x]; };
    const Point tl = {0, 0}, br = {5, 12};
    // Equal seeds: the indices, complemented into a black-first DIB.
    for (bool blackFirst : {false, true}) {
        Dib8 dst(12, 5, table, blackFirst, 12, 5);
        ZEL_CopyBitsMacToDIB(&src.pm, &dst.pm, tl, br, tl, br, srcCopy, nullptr, nullptr, nullptr);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(dst.At(x, y), blackFirst ? static_cast<uint8_t>(~srcAt(x, y)) : srcAt(x, y)) << x << "," << y;
    }
    // Different seeds: converted, every pixel keeps its colour.
    CTabHandle other = GetCTable(8);
    for (int i = 0; i < 256; ++i)
        (*other)->ctTable[i].rgb = (*table)->ctTable[255 - i].rgb;
    (*other)->ctSeed = GetCTSeed();
    {
        Dib8 dst(12, 5, other, false, 12, 5);
        ZEL_CopyBitsMacToDIB(&src.pm, &dst.pm, tl, br, tl, br, srcCopy, nullptr, nullptr, nullptr);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(dst.At(x, y), 255 - srcAt(x, y)) << x << "," << y;
    }
    // Bounds larger than the DIB: only the DIB's pixels are written.
    {
        Dib8 dst(6, 3, table, false, 12, 5);
        ZEL_CopyBitsMacToDIB(&src.pm, &dst.pm, tl, br, tl, br, srcCopy, nullptr, nullptr, nullptr);
        EXPECT_TRUE(dst.GuardIntact());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 6; ++x)
                ASSERT_EQ(dst.At(x, y), srcAt(x, y));
    }
    // Nil and DIB-less arguments change nothing.
    {
        Dib8 dst(12, 5, table, false, 12, 5);
        Plain notDib(8, 12, 5, table);
        ZEL_CopyBitsMacToDIB(nullptr, &dst.pm, tl, br, tl, br, srcCopy, nullptr, nullptr, nullptr);
        ZEL_CopyBitsMacToDIB(&src.pm, nullptr, tl, br, tl, br, srcCopy, nullptr, nullptr, nullptr);
        ZEL_CopyBitsMacToDIB(&src.pm, &notDib.pm, tl, br, tl, br, srcCopy, nullptr, nullptr, nullptr);
        ZEL_CopyBitsMacToDIB(&dst.pm, &dst.pm, tl, br, tl, br, srcCopy, nullptr, nullptr, nullptr);
        EXPECT_TRUE(std::all_of(notDib.rows.begin(), notDib.rows.end(), [](uint8_t b) { return b == 0; }));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(dst.At(x, y), 0);
    }
    DisposeCTable(other);
    DisposeCTable(table);
}

COLORREF Known(int x, int y) { return RGB(x * 9 + 3, y * 7 + 5, (x * y) & 255); }

TEST_F(FastPathTest, ScreenSourcesLandInTheirRectangleOfTheDib)
{
    // Known pixels on a port's DC; the source rectangle elsewhere on it, the destination a smaller
    // rectangle inside a larger 32-bit DIB PixMap.
    DibPort port(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            SetPixel(port.surface().dc(), x, y, Known(x, y));
    SetPor(port.port());
    Rect box = {0, 0, 20, 24};
    PixMap like{};
    like.pixelType = 16;
    like.pixelSize = 32;
    like.cmpCount = 3;
    like.cmpSize = 8;
    struct Case {
        int16_t mode;
        bool mask;
        int scale;
    };
    const RGBColor black = {0, 0, 0};
    (void)black;
    for (const Case &c : {Case{srcCopy, false, 1}, Case{srcOr, false, 1}, Case{srcCopy, true, 1}, Case{srcCopy, false, 2}}) {
        PixMapHandle dst = NewDibPixMapForTest(&box, &like, false);
        ASSERT_TRUE(dst);
        PixMap &d = **dst;
        const BITMAPINFOHEADER &h = *reinterpret_cast<BITMAPINFOHEADER *>(*d.pmExtDib);
        auto pixel = [&](int x, int y) -> uint32_t & {
            return reinterpret_cast<uint32_t *>(d.pmExtDibBits)[(h.biHeight > 0 ? 19 - y : y) * 24 + x];
        };
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 24; ++x)
                pixel(x, y) = 0x00336699;
        Rect from = {10, 15, 18, 25};
        Rect to = {4, 6, static_cast<int16_t>(4 + 8 * c.scale), static_cast<int16_t>(6 + 10 * c.scale)};
        RgnHandle mask = nullptr;
        if (c.mask) {
            mask = NewRgn();
            SetRectRgn(mask, 8, 6, 12, 10);
        }
        CopyBits(&port.port()->portBits, reinterpret_cast<BitMap *>(*dst), &from, &to, c.mode, mask);
        std::string misses;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 24; ++x) {
                bool in = x >= to.left && x < to.right && y >= to.top && y < to.bottom;
                if (mask)
                    in = in && x >= 8 && x < 12 && y >= 6 && y < 10;
                uint32_t want = 0x00336699;
                if (in) {
                    const COLORREF s = Known(from.left + (x - to.left) / c.scale, from.top + (y - to.top) / c.scale);
                    uint32_t sw = static_cast<uint32_t>(GetRValue(s) << 16 | GetGValue(s) << 8 | GetBValue(s));
                    // srcOr on colours: black source pixels paint, the destination stays under white.
                    want = c.mode == srcOr ? (0x00336699 & sw) : sw;
                }
                misses += (pixel(x, y) & 0xFFFFFF) == want ? '.' : 'X';
            }
        EXPECT_EQ(misses.find('X'), std::string::npos) << "mode " << c.mode << " mask " << c.mask << " scale " << c.scale
                                                       << "\n" << misses;
        if (mask)
            DisposeRgn(mask);
        DisposeDibPixMapForTest(dst);
    }
    std::string reported;
    for (const std::string &m : TakeDebugMessages())
        reported += m;
    EXPECT_EQ(reported, "");
}

// On a 16-bit screen, 8-, 16- and 32-bit PixMaps larger than one band reach a port at 5 bits a component.
TEST_F(FastPathTest, SixteenBitScreenBandsKeepTheColours)
{
    constexpr int w = 300, h = 250; // 109 rows a band
    DibPort port(w, h);
    SetPor(port.port());
    CTabHandle table = GetCTable(8);
    for (int depth : {8, 16, 32}) {
        Plain src(depth, w, h, depth == 8 ? table : nullptr);
        auto colour = [&](int x, int y) -> COLORREF {
            if (depth == 8) {
                const RGBColor &c = (*table)->ctTable[src.rows[y * src.stride + x]].rgb;
                return RGB(c.red >> 8, c.green >> 8, c.blue >> 8);
            }
            if (depth == 16) {
                const int v = src.rows[y * src.stride + 2 * x] | src.rows[y * src.stride + 2 * x + 1] << 8;
                return RGB((v >> 10 & 31) << 3, (v >> 5 & 31) << 3, (v & 31) << 3);
            }
            const uint32_t v = *src.Word(x, y);
            return RGB(v >> 16 & 255, v >> 8 & 255, v & 255);
        };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t v = static_cast<uint32_t>(x * 31 + y * 977);
                if (depth == 8)
                    src.rows[y * src.stride + x] = static_cast<uint8_t>(v);
                else if (depth == 16) {
                    src.rows[y * src.stride + 2 * x] = static_cast<uint8_t>(v);
                    src.rows[y * src.stride + 2 * x + 1] = static_cast<uint8_t>((v >> 8) & 0x7F);
                } else {
                    *src.Word(x, y) = v * 2654435761u & 0xFFFFFF;
                }
            }
        CopyBits(src.bits(), &port.port()->portBits, &src.pm.bounds, &src.pm.bounds, srcCopy, nullptr);
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                wrong += (port.surface().Pixel(x, y) & 0xF8F8F8) != (colour(x, y) & 0xF8F8F8);
        EXPECT_EQ(wrong, 0) << depth;
    }
    DisposeCTable(table);
}

} // namespace

// Picture pixel playback: bits opcodes written by a small writer of the test's own (independent of the
// library's recorder) from pixels the test chose, played 1:1 and scaled into ports, with the bands the
// bits procedure sees, and damaged records.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
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
using Bytes = std::vector<uint8_t>;

class PicturePixels : public QuickDrawTest {};

void Word(Bytes &b, int v)
{
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
void Long(Bytes &b, uint32_t v)
{
    Word(b, static_cast<int>(v >> 16));
    Word(b, static_cast<int>(v & 0xFFFF));
}
void RectOf(Bytes &b, int top, int left, int bottom, int right)
{
    Word(b, top);
    Word(b, left);
    Word(b, bottom);
    Word(b, right);
}

// PackBits with literal runs only (of bytes or of 2-byte words): valid, and easy to trust.
Bytes Literal(const Bytes &row, int unit)
{
    Bytes out;
    const size_t elements = row.size() / unit;
    for (size_t i = 0; i < elements; i += 128) {
        const size_t n = std::min<size_t>(128, elements - i);
        out.push_back(static_cast<uint8_t>(n - 1));
        out.insert(out.end(), row.begin() + i * unit, row.begin() + (i + n) * unit);
    }
    return out;
}

struct Source {
    int depth = 8;      // 1, 2, 4, 8 (indexed), 16, 32 (direct); 1 with bitMap: a BitMap
    bool bitMap = false;
    int width = 0, height = 0;
    int cmpCount = 3;
    int packType = 0;
    int rowBytesOverride = 0;
    std::vector<uint32_t> pixels; // indices, or 1-5-5-5 words, or 0x00RRGGBB
    std::vector<RGBColor> table;
};

// One bits opcode of the whole source, srcRect = `src` (bounds by default), dstRect = `dst`; `rows` and
// `rowsEnd` (when given) receive where its rows start and end.
Bytes BitsOpcode(const Source &s, Rect src, Rect dst, bool packed = true, size_t *rows = nullptr,
                 size_t *rowsEnd = nullptr)
{
    Bytes b;
    const bool direct = s.depth >= 16;
    int rowBytes = s.rowBytesOverride ? s.rowBytesOverride : direct ? s.width * s.depth / 8 : (s.width * s.depth + 7) / 8;
    const int length = rowBytes & 0x3FFF;
    const uint16_t opcode = direct ? 0x009A : packed && length >= 8 ? 0x0098 : 0x0090;
    Word(b, opcode);
    if (direct)
        Long(b, 0xFF);
    if (s.bitMap) {
        Word(b, rowBytes);
        RectOf(b, 0, 0, s.height, s.width);
    } else {
        Word(b, 0x8000 | rowBytes);
        RectOf(b, 0, 0, s.height, s.width);
        Word(b, 0);
        Word(b, s.packType);
        Long(b, 0);
        Long(b, 0x00480000);
        Long(b, 0x00480000);
        Word(b, direct ? 16 : 0);
        Word(b, s.depth);
        Word(b, direct ? s.cmpCount : 1);
        Word(b, direct ? (s.depth == 16 ? 5 : 8) : s.depth);
        Long(b, 0);
        Long(b, 0);
        Long(b, 0);
        if (!direct) {
            Long(b, 0);
            Word(b, 0);
            Word(b, static_cast<int>(s.table.size()) - 1);
            for (size_t i = 0; i < s.table.size(); ++i) {
                Word(b, static_cast<int>(i));
                Word(b, s.table[i].red);
                Word(b, s.table[i].green);
                Word(b, s.table[i].blue);
            }
        }
    }
    RectOf(b, src.top, src.left, src.bottom, src.right);
    RectOf(b, dst.top, dst.left, dst.bottom, dst.right);
    Word(b, 0);
    const size_t rowsStart = b.size();
    for (int y = 0; y < s.height; ++y) {
        Bytes row(static_cast<size_t>(length), 0);
        int unit = 1;
        for (int x = 0; x < s.width; ++x) {
            const uint32_t v = s.pixels[static_cast<size_t>(y) * s.width + x];
            if (s.depth == 32) {
                if (s.packType == 2) {
                    row.resize(static_cast<size_t>(3 * s.width));
                    row[3 * x] = uint8_t(v >> 16);
                    row[3 * x + 1] = uint8_t(v >> 8);
                    row[3 * x + 2] = uint8_t(v);
                } else if (s.packType == 1) {
                    row[4 * x + 1] = uint8_t(v >> 16);
                    row[4 * x + 2] = uint8_t(v >> 8);
                    row[4 * x + 3] = uint8_t(v);
                } else {
                    const int planes = s.cmpCount, first = planes == 4 ? s.width : 0;
                    row.resize(static_cast<size_t>(s.width) * planes);
                    row[first + x] = uint8_t(v >> 16);
                    row[first + s.width + x] = uint8_t(v >> 8);
                    row[first + 2 * s.width + x] = uint8_t(v);
                }
            } else if (s.depth == 16) {
                row[2 * x] = uint8_t(v >> 8);
                row[2 * x + 1] = uint8_t(v);
                unit = 2;
            } else {
                const int bit = x * s.depth;
                row[bit / 8] |= uint8_t(v << (8 - s.depth - bit % 8));
            }
        }
        const bool counted = direct ? s.packType != 1 && s.packType != 2 : packed && length >= 8;
        if (!counted) {
            b.insert(b.end(), row.begin(), row.end());
            continue;
        }
        Bytes p = Literal(row, unit);
        if (length > 250)
            Word(b, static_cast<int>(p.size()));
        else
            b.push_back(static_cast<uint8_t>(p.size()));
        b.insert(b.end(), p.begin(), p.end());
    }
    if (rows)
        *rows = rowsStart;
    if (rowsEnd)
        *rowsEnd = b.size();
    if ((b.size() - 2) & 1)
        b.push_back(0);
    return b;
}

// A version 2 picture of the given opcodes, frame (0, 0, h, w).
PicHandle Picture(const Bytes &ops, int h, int w)
{
    Bytes b(10, 0);
    b[6] = uint8_t(h);
    b[7] = uint8_t(h >> 8);
    b[8] = uint8_t(w);
    b[9] = uint8_t(w >> 8);
    const uint8_t head[] = {0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    b.insert(b.end(), head, head + sizeof head);
    b.resize(40, 0);
    b.insert(b.end(), ops.begin(), ops.end());
    b.push_back(0);
    b.push_back(0xFF);
    Handle handle = NewHandle(static_cast<Size>(b.size()));
    std::memcpy(*handle, b.data(), b.size());
    return reinterpret_cast<PicHandle>(handle);
}

COLORREF Expected(const Source &s, int x, int y)
{
    const uint32_t v = s.pixels[static_cast<size_t>(y) * s.width + x];
    if (s.bitMap)
        return v ? RGB(0, 0, 0) : RGB(255, 255, 255);
    if (s.depth <= 8) {
        const RGBColor &c = s.table[v];
        return RGB(c.red >> 8, c.green >> 8, c.blue >> 8);
    }
    if (s.depth == 16) {
        auto w = [](uint32_t c) { return (c * 33) >> 2; };
        return RGB(w((v >> 10) & 31), w((v >> 5) & 31), w(v & 31));
    }
    return RGB(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
}

Source MakeSource(int depth, int w, int h, unsigned seed)
{
    Source s;
    s.depth = depth;
    s.width = w;
    s.height = h;
    std::mt19937 rng(seed);
    if (depth <= 8) {
        const int n = 1 << depth;
        for (int i = 0; i < n; ++i)
            s.table.push_back(RGBColor{uint16_t(rng() | 0xFF), uint16_t(rng() | 0xFF), uint16_t(rng() | 0xFF)});
    }
    for (int i = 0; i < w * h; ++i)
        s.pixels.push_back(depth <= 8 ? rng() % (1u << depth) : depth == 16 ? rng() & 0x7FFF : rng() & 0xFFFFFF);
    return s;
}

int Misses(DibPort &port, const Source &s, int x0 = 0, int y0 = 0)
{
    int wrong = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            wrong += port.surface().Pixel(x0 + x, y0 + y) != Expected(s, x, y);
    return wrong;
}

TEST_F(PicturePixels, RecordsDecodeToTheirSourcePixels)
{
    struct Case {
        const char *what;
        int depth, width, height, packType, cmpCount;
        bool bitMap;
    } cases[] = {
        {"8 bits, odd width", 8, 37, 5, 0, 1, false},
        {"8 bits, rows past 250 bytes", 8, 300, 3, 0, 1, false},
        {"4 bits", 4, 21, 4, 0, 1, false},
        {"2 bits", 2, 19, 3, 0, 1, false},
        {"1 bit PixMap", 1, 70, 3, 0, 1, false},
        {"a BitMap", 1, 70, 3, 0, 1, true},
        {"32 bits, packType 4, 3 components", 32, 33, 4, 4, 3, false},
        {"32 bits, packType 4, 4 components", 32, 33, 4, 4, 4, false},
        {"32 bits, packType 1", 32, 9, 3, 1, 3, false},
        {"32 bits, packType 2 (three bytes a pixel)", 32, 9, 3, 2, 3, false},
        {"16 bits, packType 3", 16, 41, 4, 3, 3, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Source s = MakeSource(c.depth, c.width, c.height, unsigned(c.width * 7 + c.depth));
        s.packType = c.packType;
        s.cmpCount = c.cmpCount;
        s.bitMap = c.bitMap;
        const Rect all{0, 0, int16_t(c.height), int16_t(c.width)};
        PicHandle pic = Picture(BitsOpcode(s, all, all), c.height, c.width);
        for (int window = 0; window < 1; ++window) {
            DibPort port(c.width + 4, c.height + 4);
            SetPor(port.port());
            DrawPicture(pic, &all);
            EXPECT_EQ(Misses(port, s), 0);
        }
        KillPicture(pic);
    }
    EXPECT_EQ(ZEL_SystemValue(0, 1, 0), 1u) << "setting 1 after a bits opcode played";
}

TEST_F(PicturePixels, WidePicturesAndScaling)
{
    // Wider than 8,192 pixels: one row a band, and the picture still ends.
    Source wide = MakeSource(8, 8300, 2, 5);
    const Rect wideRect{0, 0, 2, 8300};
    PicHandle pic = Picture(BitsOpcode(wide, wideRect, wideRect), 2, 8300);
    {
        DibPort port(8300, 2);
        SetPor(port.port());
        (*port.cport()->portPixMap)->bounds = wideRect;
        port.cport()->portRect = wideRect;
        RgnHandle clip = NewRgn();
        RectRgn(clip, &wideRect);
        SetClip(clip);
        DisposeRgn(clip);
        DrawPicture(pic, &wideRect);
        EXPECT_EQ(Misses(port, wide), 0);
    }
    KillPicture(pic);
    // Twice the frame: each pixel a 2 x 2 block.
    Source s = MakeSource(32, 10, 6, 9);
    s.packType = 4;
    const Rect all{0, 0, 6, 10};
    pic = Picture(BitsOpcode(s, all, all), 6, 10);
    DibPort port(20, 12);
    SetPor(port.port());
    const Rect twice{0, 0, 12, 20};
    DrawPicture(pic, &twice);
    int wrong = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            wrong += port.surface().Pixel(x, y) != Expected(s, x / 2, y / 2);
    EXPECT_EQ(wrong, 0);
    KillPicture(pic);
}

std::vector<Rect> sBandSources, sBandDestinations;
void ZEL_CALL RecordBands(const BitMap *, const Rect *src, const Rect *dst, int16_t, RgnHandle)
{
    sBandSources.push_back(*src);
    sBandDestinations.push_back(*dst);
}

TEST_F(PicturePixels, BandsAndSourceRectangles)
{
    Source s = MakeSource(8, 600, 60, 3);
    const Rect all{0, 0, 60, 600};
    PicHandle pic = Picture(BitsOpcode(s, all, all), 60, 600);
    DibPort port(40, 40);
    SetPor(port.port());
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.bitsProc = RecordBands;
    port.cport()->grafProcs = &procs;
    sBandSources.clear();
    sBandDestinations.clear();
    const Rect larger{0, 0, 90, 900}; // 1.5 times
    DrawPicture(pic, &larger);
    port.cport()->grafProcs = nullptr;
    ASSERT_EQ(sBandSources.size(), 3u);
    EXPECT_EQ(sBandSources[0].bottom - sBandSources[0].top, 26) << "16,384 / 600 - 1 rows";
    int16_t at = 0;
    for (const Rect &d : sBandDestinations) {
        EXPECT_EQ(d.top, at) << "contiguous";
        at = d.bottom;
    }
    EXPECT_EQ(at, 90);
    KillPicture(pic);

    // srcRect in the lower part of bounds draws exactly its rows.
    Source small = MakeSource(8, 8, 10, 4);
    const Rect lower{6, 0, 10, 8};
    pic = Picture(BitsOpcode(small, lower, Rect{0, 0, 4, 8}), 10, 8);
    DibPort target(8, 10);
    SetPor(target.port());
    const Rect frame{0, 0, 10, 8};
    DrawPicture(pic, &frame);
    int wrong = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 8; ++x)
            wrong += target.surface().Pixel(x, y) != (y < 4 ? Expected(small, x, y + 6) : RGB(255, 255, 255));
    EXPECT_EQ(wrong, 0);
    KillPicture(pic);
}

TEST_F(PicturePixels, DamagedRecordsEndInBoundedTime)
{
    Source s = MakeSource(8, 20, 6, 11);
    const Rect all{0, 0, 6, 20};
    const Bytes good = BitsOpcode(s, all, all);
    DibPort port(40, 20);
    SetPor(port.port());
    const Rect dst{0, 0, 6, 20};
    auto play = [&](const Bytes &ops) {
        port.surface().Fill(RGB(255, 255, 255));
        PicHandle pic = Picture(ops, 6, 20);
        DrawPicture(pic, &dst);
        KillPicture(pic);
        int outside = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 20; x < 40; ++x)
                outside += port.surface().Pixel(x, y) != RGB(255, 255, 255);
        return outside;
    };
    for (size_t n = 2; n < good.size(); ++n)
        ASSERT_EQ(play(Bytes(good.begin(), good.begin() + n)), 0) << n;
    // ctSize words up to 0xFFFF, rowBytes 0 and too small, pixel sizes off the list.
    for (int ctSize : {255, 256, 0x7FFF, 0xFFFF}) {
        Bytes m = good;
        m[2 + 46 + 6] = uint8_t(ctSize >> 8);
        m[2 + 46 + 7] = uint8_t(ctSize);
        EXPECT_EQ(play(m), 0);
    }
    for (int rowBytes : {0x8000, 0x8004}) {
        Bytes m = good;
        m[2] = uint8_t(rowBytes >> 8);
        m[3] = uint8_t(rowBytes);
        EXPECT_EQ(play(m), 0);
    }
    for (int pixelSize : {0, 3, 7, 24, 64}) {
        Bytes m = good;
        m[30] = 0;
        m[31] = uint8_t(pixelSize);
        EXPECT_EQ(play(m), 0);
    }
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

// A pixel pattern opcode (0x0012-0x0014) of type 1 holding the source: the one-bit form, then the
// PixMap, its colours and its rows as a bits opcode of the same source carries them.
Bytes PixPatOpcode(uint16_t opcode, const Source &s)
{
    size_t rows = 0, rowsEnd = 0;
    const Rect all{0, 0, int16_t(s.height), int16_t(s.width)};
    const Bytes bits = BitsOpcode(s, all, all, true, &rows, &rowsEnd);
    const size_t fields = s.depth >= 16 ? 6 : 2; // after the opcode (and a direct record's baseAddr)
    Bytes b;
    Word(b, opcode);
    Word(b, 1);
    for (int i = 0; i < 8; ++i)
        b.push_back(0xAA); // a one-bit form that no pixel pattern draws
    b.insert(b.end(), bits.begin() + static_cast<long>(fields), bits.begin() + static_cast<long>(rows - 18));
    if (s.depth >= 16) {
        // Direct patterns carry a colour table too, of one unused entry.
        Long(b, 0);
        Word(b, 0);
        Word(b, 0);
        for (int i = 0; i < 4; ++i)
            Word(b, 0);
    }
    b.insert(b.end(), bits.begin() + static_cast<long>(rows), bits.begin() + static_cast<long>(rowsEnd));
    if (b.size() & 1)
        b.push_back(0);
    return b;
}

// Pictures that set a full pixel pattern for the pen or the fill and then paint or fill a rectangle:
// every pixel is the pattern's own, tiled from the port's origin, and a bits opcode after the pattern
// still plays (the stream stays aligned). Patterns of 2, 4 and 8 bits with unpacked and packed rows and
// a 32-bit pattern of component planes (packType 4).
TEST_F(PicturePixels, PixelPatternsFillAsTheirPixels)
{
    struct Case {
        const char *what;
        int depth, size, packType;
        uint16_t patternOp, verbOp;
    } cases[] = {
        {"2 bits 8x8, unpacked rows, pen", 2, 8, 0, 0x0013, 0x0031},
        {"4 bits 16x16, packed rows, pen", 4, 16, 0, 0x0013, 0x0031},
        {"8 bits 16x16, packed rows, fill", 8, 16, 0, 0x0014, 0x0034},
        {"8 bits 8x8, packed rows, pen", 8, 8, 0, 0x0013, 0x0031},
        {"32 bits 8x8, packType 4, pen", 32, 8, 4, 0x0013, 0x0031},
        {"32 bits 16x16, packType 4, fill", 32, 16, 4, 0x0014, 0x0034},
    };
    constexpr int kW = 40, kH = 28;
    Source after = MakeSource(8, 6, 4, 77);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Source pattern = MakeSource(c.depth, c.size, c.size, unsigned(c.depth * 31 + c.size));
        pattern.packType = c.packType;
        Bytes ops = PixPatOpcode(c.patternOp, pattern);
        Word(ops, c.verbOp);
        RectOf(ops, 0, 0, kH, kW);
        const Bytes tail = BitsOpcode(after, Rect{0, 0, 4, 6}, Rect{kH, 0, kH + 4, 6});
        ops.insert(ops.end(), tail.begin(), tail.end());
        PicHandle pic = Picture(ops, kH + 4, kW);
        DibPort port(kW, kH + 4);
        SetPor(port.port());
        const Rect frame{0, 0, kH + 4, kW};
        DrawPicture(pic, &frame);
        int wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                wrong += port.surface().Pixel(x, y) != Expected(pattern, x % c.size, y % c.size);
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(Misses(port, after, 0, kH), 0) << "the opcode after the pattern";
        KillPicture(pic);
        // Every truncation of the pattern's record plays and ends.
        const Bytes whole = PixPatOpcode(c.patternOp, pattern);
        for (size_t n = 2; n < whole.size(); n += 3) {
            PicHandle cut = Picture(Bytes(whole.begin(), whole.begin() + static_cast<long>(n)), kH, kW);
            DrawPicture(cut, &frame);
            KillPicture(cut);
        }
    }
    // An RGB pattern (type 2) paints its colour, not its one-bit form.
    Bytes ops;
    Word(ops, 0x0013);
    Word(ops, 2);
    for (int i = 0; i < 8; ++i)
        ops.push_back(0xAA);
    Word(ops, 0x3333);
    Word(ops, 0x9999);
    Word(ops, 0xCCCC);
    Word(ops, 0x0031);
    RectOf(ops, 0, 0, kH, kW);
    PicHandle pic = Picture(ops, kH, kW);
    DibPort port(kW, kH);
    SetPor(port.port());
    const Rect frame{0, 0, kH, kW};
    DrawPicture(pic, &frame);
    int wrong = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            wrong += port.surface().Pixel(x, y) != RGB(0x33, 0x99, 0xCC);
    EXPECT_EQ(wrong, 0);
    KillPicture(pic);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

} // namespace

// Picture recording through the library: the pictures OpenPicture and OpenCPicture make, the opcodes
// each drawing call appends, the state each picture keeps of its own, and CopyBits recorded as bits
// opcodes, read back by a decoder of the test's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::QuickDrawTest;
using Bytes = std::vector<uint8_t>;

class PictureRecording : public QuickDrawTest {
protected:
    DibPort port_{64, 64};
    void SetUp() override { SetPor(port_.port()); }
};

Bytes HandleBytes(Handle h)
{
    if (!h || !*h)
        return {};
    const uint8_t *p = reinterpret_cast<const uint8_t *>(*h);
    return Bytes(p, p + GetHandleSize(h));
}

// The bytes a call appends to the picture being recorded.
Bytes Appended(PicHandle pic, const std::function<void()> &draw)
{
    Handle h = reinterpret_cast<Handle>(pic);
    const Size before = GetHandleSize(h);
    draw();
    Bytes all = HandleBytes(h);
    return Bytes(all.begin() + before, all.end());
}

Bytes Words(std::initializer_list<int> words)
{
    Bytes out;
    for (int w : words) {
        out.push_back(static_cast<uint8_t>(w >> 8));
        out.push_back(static_cast<uint8_t>(w));
    }
    return out;
}
Bytes Cat(const Bytes &a, const Bytes &b)
{
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}
uint16_t WordAt(const Bytes &b, size_t at) { return static_cast<uint16_t>(b[at] << 8 | b[at + 1]); }
uint32_t LongAt(const Bytes &b, size_t at) { return static_cast<uint32_t>(WordAt(b, at)) << 16 | WordAt(b, at + 2); }

// Every opcode of a version 2 stream recorded by the library's own calls (the opcodes these tests
// make): {offset, opcode}. Stops at the end opcode.
struct Op {
    size_t at;
    uint16_t code;
};
size_t OperandSize(const Bytes &s, size_t at, uint16_t op)
{
    switch (op) {
    case 0x0001: return WordAt(s, at);
    case 0x0002: case 0x0009: case 0x000A: return 8;
    case 0x0003: case 0x0005: case 0x0008: case 0x000D: return 2;
    case 0x0004: return 1;
    case 0x0006: case 0x0007: case 0x000B: case 0x000C: case 0x000E: case 0x000F: return 4;
    case 0x0010: return 8;
    case 0x0011: return 2;
    case 0x0012: case 0x0013: case 0x0014: return 16;
    case 0x001A: case 0x001B: return 6;
    case 0x0020: return 8;
    case 0x0021: return 4;
    case 0x0022: return 6;
    case 0x0023: return 2;
    case 0x0028: return 5 + s[at + 4];
    case 0x002C: return 2 + WordAt(s, at);
    case 0x00A0: return 2;
    case 0x00A1: return 4 + WordAt(s, at + 2);
    case 0x0C00: return 24;
    default:
        if (op >= 0x0030 && op <= 0x0034) return 8;
        if (op >= 0x0038 && op <= 0x003C) return 0;
        if (op >= 0x0040 && op <= 0x0044) return 8;
        if (op >= 0x0048 && op <= 0x004C) return 0;
        if (op >= 0x0050 && op <= 0x0054) return 8;
        if (op >= 0x0058 && op <= 0x005C) return 0;
        if (op >= 0x0060 && op <= 0x0064) return 12;
        if (op >= 0x0070 && op <= 0x0074) return WordAt(s, at);
        return SIZE_MAX;
    }
}
std::vector<Op> Opcodes(const Bytes &pic)
{
    std::vector<Op> ops;
    size_t at = 10;
    while (at + 2 <= pic.size()) {
        uint16_t op = WordAt(pic, at);
        ops.push_back({at, op});
        if (op == 0x00FF)
            break;
        size_t n = OperandSize(pic, at + 2, op);
        if (n == SIZE_MAX)
            break;
        at += 2 + n + (n & 1);
    }
    return ops;
}
bool HasOpcode(const Bytes &pic, uint16_t code)
{
    for (const Op &op : Opcodes(pic))
        if (op.code == code)
            return true;
    return false;
}

TEST_F(PictureRecording, HeaderPrefixClipAndEnd)
{
    const Rect frame{10, 20, 110, 220};
    PicHandle pic = OpenPicture(&frame);
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(port_.port()->picSave, reinterpret_cast<Handle>(pic));
    EXPECT_LT(port_.port()->pnVis, 0) << "the pen is hidden while recording";
    ClosePicture();
    EXPECT_EQ(port_.port()->picSave, nullptr);
    EXPECT_EQ(port_.port()->pnVis, 0);

    Bytes b = HandleBytes(reinterpret_cast<Handle>(pic));
    ASSERT_GE(b.size(), 54u);
    // Header in the host's order.
    EXPECT_EQ((*pic)->picSize, static_cast<int16_t>(b.size()));
    EXPECT_EQ((*pic)->picFrame.top, 10);
    EXPECT_EQ((*pic)->picFrame.left, 20);
    EXPECT_EQ((*pic)->picFrame.bottom, 110);
    EXPECT_EQ((*pic)->picFrame.right, 220);
    const Bytes prefix = {0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x14, 0x00, 0x00, 0x00,
                          0x0A, 0x00, 0x00, 0x00, 0xDC, 0x00, 0x00, 0x00, 0x6E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Bytes(b.begin() + 10, b.begin() + 40), prefix);
    // The clip first, with the port's clip box.
    const Rect clip = (*port_.port()->clipRgn)->rgnBBox;
    EXPECT_EQ(Bytes(b.begin() + 40, b.begin() + 52), Words({0x0001, 10, clip.top, clip.left, clip.bottom, clip.right}));
    EXPECT_EQ(Bytes(b.end() - 2, b.end()), Words({0x00FF}));
    EXPECT_EQ((b.size() - 2) % 2, 0u) << "the end opcode at an even offset";
    KillPicture(pic);
}

TEST_F(PictureRecording, VerbStateThenShapeAndTheSameShapeAgain)
{
    const Rect frame{0, 0, 50, 50};
    PicHandle pic = OpenPicture(&frame);
    Rect r{5, 6, 25, 30};
    Bytes first = Appended(pic, [&] {
        PenSize(3, 2);
        FrameRect(&r);
    });
    EXPECT_EQ(first, Cat(Words({0x0007, 2, 3}), Words({0x0030, 5, 6, 25, 30})));
    EXPECT_EQ(Appended(pic, [&] { FrameRect(&r); }), Words({0x0038}));
    // A mode and a pen pattern change come before the paint that needs them.
    Bytes paint = Appended(pic, [&] {
        PenMode(patXor);
        PenPat(&qd.gray);
        PaintRect(&r);
    });
    ASSERT_GE(paint.size(), 6u);
    EXPECT_EQ(WordAt(paint, 0), 0x0008);
    EXPECT_EQ(WordAt(paint, 2), patXor);
    EXPECT_EQ(WordAt(paint, 4), 0x0009) << "a plain pattern on a colour port goes as the plain opcode";
    EXPECT_EQ(0, std::memcmp(&paint[6], qd.gray.pat, 8));
    EXPECT_EQ(WordAt(paint, 14), 0x0039);
    ClosePicture();
    KillPicture(pic);
}

TEST_F(PictureRecording, ColourSettersRecordTheirOpcodes)
{
    const Rect frame{0, 0, 50, 50};
    PicHandle pic = OpenPicture(&frame);
    EXPECT_EQ(Appended(pic, [] { ForeColor(redColor); }), Words({0x000E, 0, redColor}));
    EXPECT_EQ(Appended(pic, [] { BackColor(blueColor); }), Words({0x000F, 0, blueColor}));
    const RGBColor orange{0xFFFF, 0x8000, 0x1234};
    Bytes fg = Appended(pic, [&] { RGBForeColor(&orange); });
    EXPECT_EQ(Bytes(fg.begin(), fg.begin() + 8), Words({0x001A, 0xFFFF, 0x8000, 0x1234}));
    // The colour the port already has still records.
    EXPECT_EQ(Bytes(Appended(pic, [&] { RGBForeColor(&orange); })).size() >= 8, true);
    Bytes bk = Appended(pic, [&] { RGBBackColor(&orange); });
    EXPECT_EQ(Bytes(bk.begin(), bk.begin() + 8), Words({0x001B, 0xFFFF, 0x8000, 0x1234}));
    ClosePicture();
    KillPicture(pic);
}

// ---- CopyBits recorded ----

// Unpacks PackBits (bytes) or word runs (words, as host-order words) into `out`, at most `length`
// bytes; false when the data are malformed.
bool Unpack(const uint8_t *p, size_t n, bool words, Bytes &out, size_t length)
{
    size_t i = 0;
    const size_t unit = words ? 2 : 1;
    while (i < n && out.size() < length) {
        int8_t flag = static_cast<int8_t>(p[i++]);
        if (flag >= 0) {
            size_t count = (flag + 1) * unit;
            if (i + count > n)
                return false;
            for (size_t k = 0; k < count; k += unit) {
                if (words) {
                    out.push_back(p[i + k + 1]);
                    out.push_back(p[i + k]);
                } else {
                    out.push_back(p[i + k]);
                }
            }
            i += count;
        } else if (flag != -128) {
            if (i + unit > n)
                return false;
            for (int k = 0; k < 1 - flag; ++k) {
                if (words) {
                    out.push_back(p[i + 1]);
                    out.push_back(p[i]);
                } else {
                    out.push_back(p[i]);
                }
            }
            i += unit;
        }
    }
    return i == n;
}

// A bits opcode as the test reads it: the record's fields and the decoded pixels (indices for
// indexed pixels, 0x00RRGGBB for direct ones, 0/1 for bitmaps).
struct DecodedBits {
    uint16_t opcode = 0;
    uint16_t rowBytes = 0;
    Rect bounds{}, srcRect{}, dstRect{};
    int pixelSize = 1, cmpCount = 1, packType = 0;
    std::vector<RGBColor> table;
    std::vector<uint32_t> pixels; // bounds' width x height
    size_t size = 0;              // bytes from the opcode to the next one
};

bool DecodeBits(const Bytes &s, size_t at, DecodedBits *d)
{
    size_t p = at;
    auto word = [&]() {
        uint16_t w = WordAt(s, p);
        p += 2;
        return w;
    };
    auto rect = [&]() {
        Rect r;
        r.top = int16_t(word());
        r.left = int16_t(word());
        r.bottom = int16_t(word());
        r.right = int16_t(word());
        return r;
    };
    d->opcode = word();
    const bool direct = d->opcode == 0x009A;
    if (direct && LongAt(s, (p += 4) - 4) != 0xFF)
        return false;
    d->rowBytes = word();
    d->bounds = rect();
    bool pixMap = d->rowBytes & 0x8000;
    if (pixMap) {
        word();
        d->packType = word();
        p += 4 + 8;
        word();
        d->pixelSize = word();
        d->cmpCount = word();
        word();
        p += 12;
        if (!direct) {
            p += 6;
            int n = word() + 1;
            for (int i = 0; i < n; ++i) {
                word();
                RGBColor c;
                c.red = word();
                c.green = word();
                c.blue = word();
                d->table.push_back(c);
            }
        }
    }
    d->srcRect = rect();
    d->dstRect = rect();
    word();
    const size_t rowsStart = p;
    const int w = d->bounds.right - d->bounds.left, h = d->bounds.bottom - d->bounds.top;
    const size_t rowLength = d->rowBytes & 0x3FFF;
    for (int y = 0; y < h; ++y) {
        Bytes row;
        // Rows under 8 bytes are stored as they are: 32-bit ones by the bytes of their planes.
        const size_t planeLength = size_t(w) * d->cmpCount;
        const bool counted = d->pixelSize == 32 ? planeLength >= 8 : direct || rowLength >= 8;
        if (!counted) {
            const size_t n = d->pixelSize == 32 ? planeLength : rowLength;
            row.assign(s.begin() + p, s.begin() + p + n);
            p += n;
        } else {
            size_t count = rowLength > 250 ? WordAt(s, p) : s[p];
            p += rowLength > 250 ? 2 : 1;
            if (p + count > s.size())
                return false;
            size_t want = d->pixelSize == 32 ? size_t(w) * d->cmpCount : rowLength;
            if (!Unpack(&s[p], count, d->pixelSize == 16, row, want))
                return false;
            p += count;
            if (row.size() != want)
                return false;
        }
        for (int x = 0; x < w; ++x) {
            uint32_t v;
            switch (d->pixelSize) {
            case 32: {
                int base = d->cmpCount == 4 ? w : 0;
                v = uint32_t(row[base + x]) << 16 | uint32_t(row[base + w + x]) << 8 | row[base + 2 * w + x];
                break;
            }
            case 16: v = uint16_t(row[2 * x] | row[2 * x + 1] << 8); break;
            case 8: v = row[x]; break;
            default: {
                int bit = x * d->pixelSize;
                v = (row[bit / 8] >> (8 - d->pixelSize - bit % 8)) & ((1 << d->pixelSize) - 1);
            }
            }
            d->pixels.push_back(v);
        }
    }
    if ((p - rowsStart) & 1)
        ++p;
    d->size = p - at;
    return true;
}

// A PixMap in memory of the given depth with pixels chosen by the test (indexed pixels random,
// direct ones a pattern), its colour table a grey ramp.
struct SourcePixMap {
    PixMapHandle pm;
    std::vector<uint8_t> rows;
    int width, height, depth, rowBytes;
    SourcePixMap(int depthIn, int w, int h, Rect bounds = Rect{0, 0, 0, 0}) : width(w), height(h), depth(depthIn)
    {
        std::mt19937 rng(static_cast<unsigned>(w * 131 + h * 7 + depth));
        pm = NewPixMap();
        rowBytes = ((w * depth + 15) / 16) * 2;
        rows.resize(static_cast<size_t>(rowBytes) * h);
        for (auto &b : rows)
            b = uint8_t(rng());
        if (depth == 32)
            for (size_t i = 3; i < rows.size(); i += 4)
                rows[i] = 0;
        if (depth == 16)
            for (size_t i = 1; i < rows.size(); i += 2)
                rows[i] &= 0x7F;
        PixMap &p = **pm;
        p.baseAddr = reinterpret_cast<Ptr>(rows.data());
        p.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
        p.bounds = bounds.right ? bounds : Rect{0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
        p.pixelSize = static_cast<int16_t>(depth);
        p.pixelType = depth > 8 ? 16 : 0;
        p.cmpCount = depth > 8 ? 3 : 1;
        p.cmpSize = depth == 16 ? 5 : depth == 32 ? 8 : depth;
        if (depth <= 8) {
            const int n = 1 << depth;
            SetHandleSize(reinterpret_cast<Handle>(p.pmTable), static_cast<Size>(8 + 8 * n));
            ColorTable &ct = **(*pm)->pmTable;
            ct.ctSeed = 77;
            ct.ctFlags = 0;
            ct.ctSize = static_cast<int16_t>(n - 1);
            for (int i = 0; i < n; ++i) {
                uint16_t g = uint16_t(i * 0xFFFF / (n - 1));
                ct.ctTable[i] = ColorSpec{static_cast<int16_t>(i), RGBColor{g, uint16_t(~g), g}};
            }
        }
    }
    ~SourcePixMap()
    {
        (*pm)->baseAddr = nullptr;
        DisposePixMap(pm);
    }
    // The pixel at (x, y) from the rows' start: an index, a host-order 1-5-5-5 word, or 0x00RRGGBB.
    uint32_t At(int x, int y) const
    {
        const uint8_t *row = rows.data() + static_cast<size_t>(y) * rowBytes;
        switch (depth) {
        case 32: return uint32_t(row[4 * x + 2]) << 16 | uint32_t(row[4 * x + 1]) << 8 | row[4 * x];
        case 16: return uint16_t(row[2 * x] | row[2 * x + 1] << 8);
        case 8: return row[x];
        default: {
            int bit = x * depth;
            return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
        }
        }
    }
    const BitMap *bits() const { return reinterpret_cast<const BitMap *>(*pm); }
};

// Records one CopyBits of `src` (srcRect) into (0, 0)-based dst of the port, and answers the picture.
Bytes RecordCopyBits(const BitMap *src, const Rect &srcRect, const Rect &dst)
{
    const Rect frame{0, 0, 100, 100};
    PicHandle pic = OpenPicture(&frame);
    GrafPtr port;
    GetPort(&port);
    CopyBits(src, &port->portBits, &srcRect, &dst, srcCopy, nullptr);
    ClosePicture();
    Bytes b = HandleBytes(reinterpret_cast<Handle>(pic));
    KillPicture(pic);
    return b;
}

std::vector<DecodedBits> BitsOpcodes(const Bytes &pic)
{
    std::vector<DecodedBits> found;
    size_t at = 10;
    while (at + 2 <= pic.size()) {
        uint16_t op = WordAt(pic, at);
        if (op == 0x00FF)
            break;
        if (op == 0x0090 || op == 0x0098 || op == 0x009A) {
            DecodedBits d;
            if (!DecodeBits(pic, at, &d))
                break;
            found.push_back(d);
            at += d.size;
            continue;
        }
        size_t n = OperandSize(pic, at + 2, op);
        if (n == SIZE_MAX)
            break;
        at += 2 + n + (n & 1);
    }
    return found;
}

// Writes the picture the way a PICT file holds it: 512 zero bytes, then the picture with its first 10
// bytes big-endian. Other tools read it from there.
void WritePictFile(const Bytes &pic, const std::string &path)
{
    Bytes file(512, 0);
    Bytes body = pic;
    for (int i = 0; i < 10; i += 2)
        std::swap(body[i], body[i + 1]);
    file.insert(file.end(), body.begin(), body.end());
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
}

TEST_F(PictureRecording, CopyBitsDecodesToTheSourcePixels)
{
    struct Case {
        int depth, width, height;
        const char *what;
    } cases[] = {
        {8, 37, 5, "odd width"},
        {8, 300, 3, "rows past 250 bytes: word counts"},
        {32, 1, 4, "a one-pixel 32-bit row: planes stored as they are"},
        {32, 2, 3, "a two-pixel 32-bit row"},
        {32, 33, 4, "odd width"},
        {32, 70, 2, "a row past 250 bytes"},
        {16, 3, 3, "a 16-bit row under 8 bytes"},
        {16, 41, 4, "odd width"},
        {4, 13, 3, "4 bits"},
        {2, 11, 3, "2 bits"},
        {1, 19, 4, "one bit"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.what) + ", depth " + std::to_string(c.depth));
        SourcePixMap src(c.depth, c.width, c.height);
        Rect all = (*src.pm)->bounds;
        Bytes pic = RecordCopyBits(src.bits(), all, Rect{2, 3, int16_t(2 + c.height), int16_t(3 + c.width)});
        std::vector<DecodedBits> bits = BitsOpcodes(pic);
        ASSERT_EQ(bits.size(), 1u);
        const DecodedBits &d = bits[0];
        EXPECT_EQ(d.opcode, c.depth >= 16 ? 0x009A : 0x0098 - ((d.rowBytes & 0x3FFF) < 8 && c.depth == 1 ? 8 : 0));
        EXPECT_EQ(d.dstRect.left, 3);
        EXPECT_EQ(d.dstRect.bottom, 2 + c.height);
        if (c.depth == 16) {
            EXPECT_GE(d.rowBytes & 0x3FFF, 8) << "16-bit rows are at least 8 bytes";
        }
        if (c.depth == 32) {
            EXPECT_EQ(d.rowBytes & 0x3FFF, 4 * c.width);
        }
        ASSERT_EQ(d.pixels.size(), size_t(c.width * c.height));
        int wrong = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                wrong += d.pixels[y * c.width + x] != src.At(x, y);
        EXPECT_EQ(wrong, 0);
        if (c.depth == 8) {
            ASSERT_EQ(d.table.size(), 256u);
            EXPECT_EQ(d.table[255].red, 0xFFFF);
        }
        if (c.depth == 8 || c.depth == 32)
            WritePictFile(pic, "recorded_" + std::to_string(c.depth) + "_" + std::to_string(c.width) + ".pict");
    }
}

// Narrow 32-bit sources (rows of one, two and three pixels) recorded, written as PICT files for
// ImageMagick to read back (the ctest step after this program compares its decoding with the PPM
// written here), and played back by the library.
TEST_F(PictureRecording, NarrowDirectPicturesReadBackByOthersAndOurselves)
{
    for (int width : {1, 2, 3}) {
        SCOPED_TRACE("width " + std::to_string(width));
        const int height = 3;
        SourcePixMap src(32, width, height);
        std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t *px = src.rows.data() + y * src.rowBytes + 4 * x;
                px[2] = uint8_t(40 + 70 * x), px[1] = uint8_t(30 + 90 * y), px[0] = uint8_t(200 - 50 * x - 20 * y);
                px[3] = 0;
                ppm += std::string{char(px[2]), char(px[1]), char(px[0])};
            }
        // Framed by the source, clipped to it: ImageMagick refuses a clip region past the frame.
        Rect all = (*src.pm)->bounds;
        RgnHandle wasClip = NewRgn();
        GetClip(wasClip);
        ClipRect(&all);
        PicHandle recorded = OpenPicture(&all);
        CopyBits(src.bits(), &port_.port()->portBits, &all, &all, srcCopy, nullptr);
        ClosePicture();
        SetClip(wasClip);
        DisposeRgn(wasClip);
        Bytes pic = HandleBytes(reinterpret_cast<Handle>(recorded));
        KillPicture(recorded);
        const std::string name = "narrow_direct_" + std::to_string(width);
        WritePictFile(pic, name + ".pict");
        if (FILE *f = std::fopen((name + ".ppm").c_str(), "wb")) {
            std::fwrite(ppm.data(), 1, ppm.size(), f);
            std::fclose(f);
        }
        // Our own playback of the same picture.
        port_.surface().Fill(RGB(255, 255, 255));
        Handle h = NewHandle(static_cast<Size>(pic.size()));
        ASSERT_NE(h, nullptr);
        std::memcpy(*h, pic.data(), pic.size());
        PicHandle played = reinterpret_cast<PicHandle>(h);
        DrawPicture(played, &(*played)->picFrame);
        DisposeHandle(h);
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint32_t v = src.At(x, y);
                wrong += port_.surface().Pixel(x, y) != RGB(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(PictureRecording, SubByteSourcesClippedOnTheLeft)
{
    for (int depth : {4, 2}) {
        SourcePixMap src(depth, 24, 3);
        for (int left = 0; left < 8; ++left) {
            SCOPED_TRACE("depth " + std::to_string(depth) + ", left " + std::to_string(left));
            Rect s{0, int16_t(left), 3, 21};
            Bytes pic = RecordCopyBits(src.bits(), s, Rect{0, 0, 3, int16_t(21 - left)});
            std::vector<DecodedBits> bits = BitsOpcodes(pic);
            ASSERT_EQ(bits.size(), 1u);
            const int w = 21 - left;
            EXPECT_EQ(bits[0].bounds.right, w);
            EXPECT_EQ(int(bits[0].rowBytes & 0x3FFF), ((w * depth + 7) / 8 + 1) & ~1) << "ceil(w x bits / 8), even";
            int wrong = 0;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < w; ++x)
                    wrong += bits[0].pixels[y * w + x] != src.At(left + x, y);
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST_F(PictureRecording, SourceRectBeyondTheBoundsRecordsOnlyTheInside)
{
    SourcePixMap src(8, 10, 6, Rect{10, 20, 16, 30});
    // 4 columns left and 2 rows below the source: the destination loses as much.
    Bytes pic = RecordCopyBits(src.bits(), Rect{8, 16, 18, 26}, Rect{0, 0, 10, 10});
    std::vector<DecodedBits> bits = BitsOpcodes(pic);
    ASSERT_EQ(bits.size(), 1u);
    const DecodedBits &d = bits[0];
    EXPECT_EQ(d.bounds.bottom, 6);
    EXPECT_EQ(d.bounds.right, 6);
    EXPECT_EQ(d.dstRect.top, 2);
    EXPECT_EQ(d.dstRect.left, 4);
    EXPECT_EQ(d.dstRect.bottom, 8);
    EXPECT_EQ(d.dstRect.right, 10);
    int wrong = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            wrong += d.pixels[y * 6 + x] != src.At(x, y);
    EXPECT_EQ(wrong, 0);
}

TEST_F(PictureRecording, WideDeviceSourcesGoInColumnStrips)
{
    // A port's pixels 4,200 wide, read back as 32-bit rows: a row passes the 14 bits of rowBytes, so
    // two opcodes share the columns.
    const int w = 4200, h = 2;
    DibPort source(w, h);
    // A port takes the screen's bounds: this one is as wide as its DC.
    (*source.cport()->portPixMap)->bounds = Rect{0, 0, int16_t(h), int16_t(w)};
    source.cport()->portRect = Rect{0, 0, int16_t(h), int16_t(w)};
    auto colour = [](int x, int y) { return RGB(x & 0xFF, (x >> 8) * 9, y * 100 + 7); };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(source.surface().dc(), x, y, colour(x, y));
    SetPor(port_.port());
    const Rect frame{0, 0, 100, 100};
    PicHandle pic = OpenPicture(&frame);
    const Rect all{0, 0, int16_t(h), int16_t(w)};
    CopyBits(&source.port()->portBits, &port_.port()->portBits, &all, &all, srcCopy, nullptr);
    ClosePicture();
    std::vector<DecodedBits> bits = BitsOpcodes(HandleBytes(reinterpret_cast<Handle>(pic)));
    KillPicture(pic);
    ASSERT_EQ(bits.size(), 2u);
    int column = 0, wrong = 0;
    for (const DecodedBits &d : bits) {
        EXPECT_EQ(d.dstRect.left, column);
        const int sw = d.bounds.right;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < sw; ++x) {
                const COLORREF c = colour(column + x, y);
                wrong += d.pixels[y * sw + x] != (uint32_t(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c));
            }
        column += sw;
    }
    EXPECT_EQ(column, w);
    EXPECT_EQ(wrong, 0);
}

// ---- Each picture's own state ----

TEST_F(PictureRecording, EachPictureStartsItsLinesAndOvalSizesAfresh)
{
    // A screen line ending at (10, 10), then a picture whose first line starts there.
    MoveTo(0, 0);
    LineTo(10, 10);
    const Rect frame{0, 0, 50, 50};
    PicHandle pic = OpenPicture(&frame);
    MoveTo(10, 10);
    Bytes line = Appended(pic, [] { LineTo(15, 12); });
    EXPECT_EQ(line, Cat(Words({0x0022, 10, 10}), Bytes{5, 2})) << "the start point is written";
    EXPECT_EQ(Appended(pic, [] { LineTo(20, 20); }), Cat(Words({0x0023}), Bytes{5, 8}));
    Rect r{1, 1, 20, 20};
    FrameRoundRect(&r, 6, 4);
    ClosePicture();
    KillPicture(pic);

    PicHandle second = OpenPicture(&frame);
    Bytes rr = Appended(second, [&] { FrameRoundRect(&r, 6, 4); });
    EXPECT_EQ(Bytes(rr.begin(), rr.begin() + 6), Words({0x000B, 4, 6})) << "the oval size again";
    ClosePicture();
    KillPicture(second);
}

TEST_F(PictureRecording, NestedPictureHandsTheOuterOneBack)
{
    const Rect frame{0, 0, 50, 50};
    Rect a{1, 1, 10, 10}, b{2, 2, 20, 20};
    PicHandle outer = OpenPicture(&frame);
    PaintRect(&a);
    PicHandle inner = OpenPicture(&frame);
    EXPECT_EQ(PictFontMapDepthForTest(), 2);
    PaintRect(&a); // the inner picture writes the whole rectangle again
    ClosePicture();
    EXPECT_EQ(port_.port()->picSave, reinterpret_cast<Handle>(outer));
    EXPECT_LT(port_.port()->pnVis, 0) << "still recording the outer picture";
    Bytes after = Appended(outer, [&] { PaintRect(&a); });
    EXPECT_EQ(after, Words({0x0039})) << "the outer picture's own last rectangle";
    PaintRect(&b);
    ClosePicture();
    EXPECT_EQ(port_.port()->pnVis, 0);
    Bytes o = HandleBytes(reinterpret_cast<Handle>(outer));
    Bytes i = HandleBytes(reinterpret_cast<Handle>(inner));
    EXPECT_TRUE(HasOpcode(o, 0x0039));
    std::vector<Op> ops = Opcodes(o);
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops.back().code, 0x00FF);
    EXPECT_EQ(Opcodes(i).back().code, 0x00FF);
    EXPECT_EQ(Bytes(o.end() - 12, o.end()), Cat(Words({0x0031, 2, 2, 20, 20}), Words({0x00FF})));
    KillPicture(inner);
    KillPicture(outer);
    EXPECT_EQ(PictFontMapDepthForTest(), 0);
}

TEST_F(PictureRecording, TwoPortsRecordingInTurnKeepTheirOwnColours)
{
    DibPort other(32, 32);
    const Rect frame{0, 0, 30, 30};
    Rect r{1, 1, 9, 9};
    const RGBColor red{0xFFFF, 0, 0}, green{0, 0xFFFF, 0};
    PicHandle a = OpenPicture(&frame);
    SetPor(other.port());
    PicHandle b = OpenPicture(&frame);
    for (int round = 0; round < 2; ++round) {
        SetPor(port_.port());
        RGBForeColor(&red);
        PaintRect(&r);
        SetPor(other.port());
        RGBForeColor(&green);
        PaintRect(&r);
    }
    ClosePicture();
    SetPor(port_.port());
    ClosePicture();
    auto colours = [](PicHandle pic) {
        std::vector<uint16_t> greens;
        Bytes bytes = HandleBytes(reinterpret_cast<Handle>(pic));
        for (const Op &op : Opcodes(bytes))
            if (op.code == 0x001A)
                greens.push_back(WordAt(bytes, op.at + 4));
        return greens;
    };
    for (uint16_t g : colours(a))
        EXPECT_EQ(g, 0);
    for (uint16_t g : colours(b))
        EXPECT_EQ(g, 0xFFFF);
    KillPicture(a);
    KillPicture(b);
}

TEST_F(PictureRecording, PatternTypeChangesAreRecorded)
{
    const Rect frame{0, 0, 30, 30};
    Rect r{1, 1, 9, 9};
    PixPatHandle rgbPat = NewPixPat();
    const RGBColor blue{0, 0, 0xFFFF};
    MakeRGBPat(rgbPat, &blue);
    PicHandle pic = OpenPicture(&frame);
    PenPixPat(rgbPat);
    Bytes rgb = Appended(pic, [&] { PaintRect(&r); });
    ASSERT_GE(rgb.size(), 18u);
    EXPECT_EQ(WordAt(rgb, 0), 0x0013);
    EXPECT_EQ(WordAt(rgb, 2), 2) << "patType 2";
    EXPECT_EQ(Bytes(rgb.begin() + 12, rgb.begin() + 18), Words({0, 0, 0xFFFF}));
    // Back to the plain black pattern the picture started with: it is written all the same.
    Bytes plain = Appended(pic, [&] {
        PenPat(&qd.black);
        PaintRect(&r);
    });
    ASSERT_GE(plain.size(), 10u);
    EXPECT_EQ(WordAt(plain, 0), 0x0009);
    EXPECT_EQ(0, std::memcmp(&plain[2], qd.black.pat, 8));
    ClosePicture();
    KillPicture(pic);
}

TEST_F(PictureRecording, ClipShapeChangesInsideTheSameBox)
{
    const Rect frame{0, 0, 30, 30};
    Rect r{1, 1, 9, 9};
    RgnHandle saved = NewRgn();
    GetClip(saved);
    Rect box{0, 0, 20, 20};
    ClipRect(&box);
    PicHandle pic = OpenPicture(&frame);
    PaintRect(&r);
    // A region with the same box but another shape.
    RgnHandle shape = NewRgn();
    OpenRgn();
    Rect a{0, 0, 10, 20}, b{10, 0, 20, 10};
    FrameRect(&a);
    FrameRect(&b);
    CloseRgn(shape);
    ASSERT_EQ((*shape)->rgnBBox.bottom, 20);
    SetClip(shape);
    Bytes changed = Appended(pic, [&] { PaintRect(&r); });
    std::vector<uint16_t> ops;
    for (size_t at = 0; at + 2 <= changed.size();) {
        uint16_t op = WordAt(changed, at);
        ops.push_back(op);
        size_t n = OperandSize(changed, at + 2, op);
        if (n == SIZE_MAX)
            break;
        at += 2 + n + (n & 1);
    }
    EXPECT_EQ(ops, (std::vector<uint16_t>{0x00A1, 0x0001, 0x0039})) << "the region comment, the clip, the shape";
    ClosePicture();
    KillPicture(pic);
    SetClip(saved);
    DisposeRgn(saved);
    DisposeRgn(shape);
}

TEST_F(PictureRecording, ExtendedPictureKeepsItsVersionWhenLarge)
{
    OpenCPicParams params{};
    params.srcRect = Rect{0, 0, 100, 100};
    params.hRes = params.vRes = 144 << 16;
    PicHandle pic = OpenCPicture(&params);
    ASSERT_NE(pic, nullptr);
    for (int i = 0; i < 3500; ++i) {
        Rect r{int16_t(i % 50), int16_t(i % 40), int16_t(i % 50 + 10), int16_t(i % 40 + 20 + i % 3)};
        PaintRect(&r);
    }
    ClosePicture();
    Bytes b = HandleBytes(reinterpret_cast<Handle>(pic));
    ASSERT_GT(b.size(), 32767u);
    EXPECT_EQ(WordAt(b, 16), 0xFFFE);
    EXPECT_EQ(LongAt(b, 20), uint32_t(144 << 16));
    EXPECT_EQ(uint16_t((*pic)->picSize), uint16_t(b.size()));
    KillPicture(pic);

    const Rect frame{0, 0, 100, 100};
    PicHandle plain = OpenPicture(&frame);
    for (int i = 0; i < 3500; ++i) {
        Rect r{int16_t(i % 50), int16_t(i % 40), int16_t(i % 50 + 10), int16_t(i % 40 + 20 + i % 3)};
        PaintRect(&r);
    }
    ClosePicture();
    b = HandleBytes(reinterpret_cast<Handle>(plain));
    EXPECT_EQ(LongAt(b, 16), uint32_t(b.size())) << "a -1 header carries the 32-bit size";
    KillPicture(plain);
}

TEST_F(PictureRecording, FailuresAndMisuseLeaveNothingBehind)
{
    const Rect frame{0, 0, 30, 30};
    Rect r{1, 1, 9, 9};
    // A picture that cannot grow ends empty and the close writes nothing.
    PicHandle pic = OpenPicture(&frame);
    ZEL_SetMemoryLimits(1, 1, 0, 0);
    PaintRect(&r);
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    PaintRect(&r);
    ClosePicture();
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(pic)), 0);
    EXPECT_EQ(port_.port()->pnVis, 0);
    KillPicture(pic);

    // ClosePicture with nothing open.
    const int16_t vis = port_.port()->pnVis;
    const int32_t depth = PictFontMapDepthForTest();
    ClosePicture();
    EXPECT_EQ(port_.port()->pnVis, vis);
    EXPECT_EQ(PictFontMapDepthForTest(), depth);

    // KillPicture of a picture being recorded detaches it.
    pic = OpenPicture(&frame);
    KillPicture(pic);
    EXPECT_EQ(port_.port()->picSave, nullptr);
    EXPECT_EQ(port_.port()->pnVis, 0);
    PaintRect(&r);
    EXPECT_EQ(ZEL_MemCheck(), 1);

    // Nesting ten pictures pushes ten maps and the closes take them all.
    std::vector<PicHandle> nested;
    for (int i = 0; i < 10; ++i)
        nested.push_back(OpenPicture(&frame));
    EXPECT_EQ(PictFontMapDepthForTest(), depth + 10);
    for (int i = 0; i < 10; ++i)
        ClosePicture();
    EXPECT_EQ(PictFontMapDepthForTest(), depth);
    EXPECT_EQ(port_.port()->picSave, nullptr);
    for (PicHandle p : nested)
        KillPicture(p);
    EXPECT_EQ(OpenCPicture(nullptr), nullptr);
}

} // namespace

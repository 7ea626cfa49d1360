// The picture format module on its own: operand sizes of every opcode, row packing both ways, pictures
// written by other tools walked and decoded, and damaged pictures read at the end of a block followed by
// a page that cannot be read.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "ToolUtils.h"
#include "picture_format.h"
#include "core_services.h"

namespace {

#include "picture_samples.inc"

static_assert(std::is_same<decltype(GetPicture(0)), PicHandle>::value, "GetPicture answers a PicHandle");

// Big-endian bytes built in order, with the offsets of the size fields worth damaging.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes &B(uint8_t v)
    {
        b.push_back(v);
        return *this;
    }
    Bytes &W(uint16_t v) { return B(static_cast<uint8_t>(v >> 8)).B(static_cast<uint8_t>(v)); }
    Bytes &L(uint32_t v) { return W(static_cast<uint16_t>(v >> 16)).W(static_cast<uint16_t>(v)); }
    Bytes &R(int16_t t, int16_t l, int16_t bo, int16_t r) { return W(t).W(l).W(bo).W(r); }
    Bytes &Raw(const std::vector<uint8_t> &v)
    {
        b.insert(b.end(), v.begin(), v.end());
        return *this;
    }
    Bytes &Fill(size_t n, uint8_t v = 0)
    {
        b.insert(b.end(), n, v);
        return *this;
    }
    Bytes &Pad()
    {
        if (b.size() & 1)
            b.push_back(0);
        return *this;
    }
    size_t Size() const { return b.size(); }
};

// The test's own PackBits groups: literals only, at most 128 bytes each.
std::vector<uint8_t> LiteralPack(const std::vector<uint8_t> &row)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i < row.size(); i += 128) {
        size_t n = std::min<size_t>(128, row.size() - i);
        out.push_back(static_cast<uint8_t>(n - 1));
        out.insert(out.end(), row.begin() + i, row.begin() + i + n);
    }
    return out;
}

// The test's own decoders of the two run codes.
std::vector<uint8_t> DecodePackBits(const uint8_t *p, size_t n)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < n) {
        int8_t flag = static_cast<int8_t>(p[i++]);
        if (flag == -128)
            continue;
        if (flag < 0) {
            out.insert(out.end(), 1 - flag, p[i++]);
        } else {
            out.insert(out.end(), p + i, p + i + flag + 1);
            i += flag + 1;
        }
    }
    return out;
}

std::vector<uint16_t> DecodeWordRuns(const uint8_t *p, size_t n)
{
    std::vector<uint16_t> out;
    size_t i = 0;
    while (i < n) {
        int8_t flag = static_cast<int8_t>(p[i++]);
        int count = flag < 0 ? 1 - flag : flag + 1;
        for (int k = 0; k < count; ++k) {
            size_t at = flag < 0 ? i : i + 2 * k;
            out.push_back(static_cast<uint16_t>(p[at] << 8 | p[at + 1]));
        }
        i += flag < 0 ? 2 : 2 * count;
    }
    return out;
}

// ---- Operand sizes ----

struct OperandCase {
    uint16_t opcode;
    std::vector<uint8_t> operand; // the bytes after the opcode (more may follow)
    int32_t size;                 // expected operand size, kPictBad for a malformed operand
    const char *what;
};

std::vector<uint8_t> Filler(std::vector<uint8_t> head, size_t total)
{
    head.resize(std::max(head.size(), total), 0x5A);
    return head;
}

TEST(PictureOperands, EveryRowOfTheOpcodeTable)
{
    const OperandCase cases[] = {
        {0x0000, {}, 0, "NOP"},
        {0x0001, Filler({0, 10}, 10), 10, "Clip: rectangular region"},
        {0x0001, Filler({0, 28}, 28), 28, "Clip: region with data"},
        {0x0002, Filler({}, 8), 8, "BkPat"},
        {0x0003, Filler({}, 2), 2, "TxFont"},
        {0x0004, Filler({}, 1), 1, "TxFace"},
        {0x0005, Filler({}, 2), 2, "TxMode"},
        {0x0006, Filler({}, 4), 4, "SpExtra"},
        {0x0007, Filler({}, 4), 4, "PnSize"},
        {0x0008, Filler({}, 2), 2, "PnMode"},
        {0x0009, Filler({}, 8), 8, "PnPat"},
        {0x000A, Filler({}, 8), 8, "FillPat"},
        {0x000B, Filler({}, 4), 4, "OvSize"},
        {0x000C, Filler({}, 4), 4, "Origin"},
        {0x000D, Filler({}, 2), 2, "TxSize"},
        {0x000E, Filler({}, 4), 4, "FgColor"},
        {0x000F, Filler({}, 4), 4, "BkColor"},
        {0x0010, Filler({}, 8), 8, "TxRatio"},
        {0x0012, Filler({0, 2}, 16), 16, "BkPixPat of an RGB colour"},
        {0x0014, Filler({0, 0}, 16), 16, "FillPixPat of another type"},
        {0x0015, Filler({}, 2), 2, "PnLocHFrac"},
        {0x0016, Filler({}, 2), 2, "ChExtra"},
        {0x0017, {}, 0, "reserved"},
        {0x0019, {}, 0, "reserved"},
        {0x001A, Filler({}, 6), 6, "RGBFgCol"},
        {0x001B, Filler({}, 6), 6, "RGBBkCol"},
        {0x001C, {}, 0, "HiliteMode"},
        {0x001D, Filler({}, 6), 6, "HiliteColor"},
        {0x001E, {}, 0, "DefHilite"},
        {0x001F, Filler({}, 6), 6, "OpColor"},
        {0x0020, Filler({}, 8), 8, "Line"},
        {0x0021, Filler({}, 4), 4, "LineFrom"},
        {0x0022, Filler({}, 6), 6, "ShortLine"},
        {0x0023, Filler({}, 2), 2, "ShortLineFrom"},
        {0x0024, Filler({0, 3}, 5), 5, "reserved, word length"},
        {0x0027, Filler({0, 0}, 2), 2, "reserved, word length 0"},
        {0x0028, Filler({0, 1, 0, 2, 5}, 10), 10, "LongText: point, count, text"},
        {0x0029, Filler({7, 3}, 5), 5, "DHText"},
        {0x002A, Filler({7, 3}, 5), 5, "DVText"},
        {0x002B, Filler({7, 8, 3}, 6), 6, "DHDVText"},
        {0x002C, Filler({0, 9, 0, 3, 6}, 11), 11, "FontName"},
        {0x002D, Filler({}, 10), 10, "LineJustify"},
        {0x002E, Filler({0, 4}, 6), 6, "GlyphState"},
        {0x002F, Filler({0, 1}, 3), 3, "reserved, word length"},
        {0x0030, Filler({}, 8), 8, "frameRect"},
        {0x0034, Filler({}, 8), 8, "fillRect"},
        {0x0035, Filler({}, 8), 8, "reserved"},
        {0x0037, Filler({}, 8), 8, "reserved"},
        {0x0038, {}, 0, "frameSameRect"},
        {0x003F, {}, 0, "reserved"},
        {0x0040, Filler({}, 8), 8, "frameRRect"},
        {0x0047, Filler({}, 8), 8, "reserved"},
        {0x0048, {}, 0, "frameSameRRect"},
        {0x004F, {}, 0, "reserved"},
        {0x0050, Filler({}, 8), 8, "frameOval"},
        {0x0057, Filler({}, 8), 8, "reserved"},
        {0x0058, {}, 0, "frameSameOval"},
        {0x005F, {}, 0, "reserved"},
        {0x0060, Filler({}, 12), 12, "frameArc"},
        {0x0067, Filler({}, 12), 12, "reserved"},
        {0x0068, Filler({}, 4), 4, "frameSameArc"},
        {0x006F, Filler({}, 4), 4, "reserved"},
        {0x0070, Filler({0, 18}, 18), 18, "framePoly with two points"},
        {0x0074, Filler({0, 10}, 10), 10, "fillPoly without points"},
        {0x0075, Filler({0, 14}, 14), 14, "reserved: the size word counts itself"},
        {0x0077, Filler({0, 2}, 2), 2, "reserved: only the size word"},
        {0x0078, {}, 0, "frameSamePoly"},
        {0x007F, {}, 0, "reserved"},
        {0x0080, Filler({0, 10}, 10), 10, "frameRgn"},
        {0x0084, Filler({0, 20}, 20), 20, "fillRgn"},
        {0x0085, Filler({0, 6}, 6), 6, "reserved: counts itself"},
        {0x0087, Filler({0, 7}, 7), 7, "reserved: counts itself, odd"},
        {0x0088, {}, 0, "frameSameRgn"},
        {0x008F, {}, 0, "reserved"},
        {0x0092, Filler({0, 4}, 6), 6, "reserved, word length"},
        {0x0097, Filler({0, 1}, 3), 3, "reserved, word length"},
        {0x009C, Filler({0, 2}, 4), 4, "reserved, word length"},
        {0x009F, Filler({0, 0}, 2), 2, "reserved, word length"},
        {0x00A0, Filler({}, 2), 2, "ShortComment"},
        {0x00A1, Filler({0, 100, 0, 3}, 7), 7, "LongComment: kind, size, data"},
        {0x00A2, Filler({0, 5}, 7), 7, "reserved, word length"},
        {0x00AF, Filler({0, 2}, 4), 4, "reserved, word length"},
        {0x00B0, {}, 0, "reserved"},
        {0x00B5, {}, 0, "reserved"},
        {0x00CF, {}, 0, "reserved"},
        {0x00D0, Filler({0, 0, 0, 0}, 4), 4, "reserved, long length 0"},
        {0x00D5, Filler({0, 0, 0, 5}, 9), 9, "reserved, long length 5"},
        {0x00FE, Filler({0, 0, 0, 2}, 6), 6, "reserved, long length 2"},
        {0x0100, Filler({}, 2), 2, "reserved: 2 x high byte"},
        {0x0300, Filler({}, 6), 6, "reserved: 6 bytes"},
        {0x0C00, Filler({}, 24), 24, "the header opcode outside the prefix"},
        {0x7FFF, Filler({}, 254), 254, "reserved: 254 bytes"},
        {0x8000, {}, 0, "reserved"},
        {0x80FF, {}, 0, "reserved"},
        {0x8100, Filler({0, 0, 0, 0}, 4), 4, "reserved, long length 0"},
        {0x8123, Filler({0, 0, 0, 3}, 7), 7, "reserved, long length 3"},
        {0xFFFF, Filler({0, 0, 1, 0}, 260), 260, "reserved, long length 256"},
    };
    for (const OperandCase &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> operand = c.operand;
        operand.push_back(0xEE); // a byte beyond the operand: never counted
        EXPECT_EQ(PictOperandSize(2, c.opcode, operand.data(), operand.size()), c.size) << std::hex << c.opcode;
        // Version 2 rounds every operand up to even; the end opcode has none.
        Bytes stream;
        stream.W(c.opcode).Raw(operand);
        uint16_t opcode = 0;
        EXPECT_EQ(PictOpcodeSpan(2, stream.b.data(), stream.Size(), &opcode), 2 + c.size + (c.size & 1));
        EXPECT_EQ(opcode, c.opcode);
        // Version 1 has the byte opcodes with the same operands and no padding.
        if (c.opcode < 0x0100) {
            EXPECT_EQ(PictOperandSize(1, c.opcode, operand.data(), operand.size()), c.size);
            Bytes v1;
            v1.B(static_cast<uint8_t>(c.opcode)).Raw(operand);
            EXPECT_EQ(PictOpcodeSpan(1, v1.b.data(), v1.Size(), &opcode), 1 + c.size);
        }
    }
}

TEST(PictureOperands, VersionAndEndOpcodes)
{
    const uint8_t v2[] = {0x00, 0x11, 0x02, 0xFF, 0x00, 0xFF};
    uint16_t opcode;
    EXPECT_EQ(PictOpcodeSpan(2, v2, sizeof v2, &opcode), 4);
    EXPECT_EQ(PictOpcodeSpan(2, v2 + 4, 2, &opcode), 2);
    EXPECT_EQ(opcode, kPictOpEnd);
    const uint8_t v1[] = {0x11, 0x01, 0xFF};
    EXPECT_EQ(PictOpcodeSpan(1, v1, sizeof v1, &opcode), 2);
    EXPECT_EQ(PictOpcodeSpan(1, v1 + 2, 1, &opcode), 1);
    EXPECT_EQ(opcode, kPictOpEnd);
    // Version 1 knows no word opcodes.
    EXPECT_EQ(PictOperandSize(1, 0x0C00, v2, sizeof v2), kPictBad);
}

TEST(PictureOperands, MalformedSizesAndLengthsStop)
{
    const OperandCase cases[] = {
        {0x0001, Filler({0, 9}, 12), kPictBad, "region size below 10"},
        {0x0001, Filler({0, 11}, 12), kPictBad, "odd region size"},
        {0x0001, Filler({0, 0}, 12), kPictBad, "region size 0"},
        {0x0001, Filler({0, 20}, 12), kPictBad, "region past the end"},
        {0x0070, Filler({0, 8}, 12), kPictBad, "polygon size below 10"},
        {0x0070, Filler({0, 13}, 14), kPictBad, "odd polygon size"},
        {0x0080, Filler({0xFF, 0xFF}, 12), kPictBad, "region size 0xFFFF"},
        {0x0075, Filler({0, 1}, 4), kPictBad, "self-counting size below its own word"},
        {0x0085, Filler({0x7F, 0xFF}, 4), kPictBad, "self-counting size past the end"},
        {0x0024, Filler({0, 5}, 4), kPictBad, "word length past the end"},
        {0x0028, Filler({0, 1, 0, 2, 9}, 8), kPictBad, "text count past the end"},
        {0x002B, Filler({0, 0}, 2), kPictBad, "text cut before its count"},
        {0x00A1, Filler({0, 100, 0x80, 0}, 12), kPictBad, "comment size past the end"},
        {0x00D0, Filler({0xFF, 0xFF, 0xFF, 0xFF}, 8), kPictBad, "long length 0xFFFFFFFF does not wrap"},
        {0x00D0, Filler({0xFF, 0xFF, 0xFF, 0xFD}, 8), kPictBad, "long length rounded up past 32 bits"},
        {0x8100, Filler({0x7F, 0xFF, 0xFF, 0xFF}, 8), kPictBad, "long length 0x7FFFFFFF"},
        {0x8100, Filler({0, 0, 0, 5}, 8), kPictBad, "long length past the end"},
        {0x0002, Filler({}, 7), kPictBad, "fixed operand cut"},
        {0x0C00, Filler({}, 23), kPictBad, "header operand cut"},
        {0x0012, Filler({0, 2}, 15), kPictBad, "RGB pattern cut"},
    };
    for (const OperandCase &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PictOperandSize(2, c.opcode, c.operand.data(), c.operand.size()), c.size);
        Bytes stream;
        stream.W(c.opcode).Raw(c.operand);
        uint16_t opcode;
        EXPECT_EQ(PictOpcodeSpan(2, stream.b.data(), stream.Size(), &opcode), kPictBad);
    }
}

// ---- Bits records ----

// A bits record's fields, written by the test's own writer.
struct BitsSpec {
    uint16_t opcode = 0x0098;
    uint16_t rowBytes = 0x800A;
    Rect bounds = {0, 0, 2, 9};
    int16_t packType = 0;
    int16_t pixelSize = 8;
    int16_t cmpCount = 1;
    uint16_t ctSize = 1;
    std::vector<std::vector<uint8_t>> rows; // stored rows: with their counts when packed
};

// Offsets of the damaged fields inside the written record (from the operand's start).
struct BitsOffsets {
    size_t rowBytes, bounds, packType, pixelSize, cmpCount, ctSize, firstRow;
};

std::vector<uint8_t> WriteBits(const BitsSpec &s, BitsOffsets *at = nullptr)
{
    BitsOffsets local;
    BitsOffsets &o = at ? *at : local;
    Bytes b;
    bool direct = s.opcode == 0x009A || s.opcode == 0x009B;
    if (direct)
        b.L(0xFF);
    o.rowBytes = b.Size();
    b.W(s.rowBytes);
    o.bounds = b.Size();
    b.R(s.bounds.top, s.bounds.left, s.bounds.bottom, s.bounds.right);
    o.packType = o.pixelSize = o.cmpCount = o.ctSize = 0;
    if (s.rowBytes & 0x8000) {
        b.W(0);
        o.packType = b.Size();
        b.W(s.packType).L(0).L(0x00480000).L(0x00480000).W(direct ? 16 : 0);
        o.pixelSize = b.Size();
        b.W(s.pixelSize);
        o.cmpCount = b.Size();
        b.W(s.cmpCount).W(direct ? 8 : s.pixelSize).L(0).L(0).L(0);
        if (!direct) {
            b.L(0).W(0);
            o.ctSize = b.Size();
            b.W(s.ctSize);
            for (int i = 0; i <= s.ctSize; ++i)
                b.W(static_cast<uint16_t>(i)).W(static_cast<uint16_t>(i * 0x1111)).W(0x8000).W(0xFFFF);
        }
    }
    Rect r = s.bounds;
    b.R(r.top, r.left, r.bottom, r.right).R(r.top, r.left, r.bottom, r.right).W(0);
    if (s.opcode == 0x0091 || s.opcode == 0x0099 || s.opcode == 0x009B)
        b.W(10).R(r.top, r.left, r.bottom, r.right);
    o.firstRow = b.Size();
    for (const auto &row : s.rows)
        b.Raw(row);
    return b.b;
}

std::vector<uint8_t> CountedRow(const std::vector<uint8_t> &packed, bool wordCount = false)
{
    std::vector<uint8_t> out;
    if (wordCount)
        out.push_back(static_cast<uint8_t>(packed.size() >> 8));
    out.push_back(static_cast<uint8_t>(packed.size()));
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

BitsSpec IndexedSpec()
{
    BitsSpec s;
    for (int y = 0; y < 2; ++y) {
        std::vector<uint8_t> row(10);
        for (int x = 0; x < 10; ++x)
            row[x] = static_cast<uint8_t>((x + y) & 1);
        s.rows.push_back(CountedRow(LiteralPack(row)));
    }
    return s;
}

BitsSpec DirectSpec()
{
    BitsSpec s;
    s.opcode = 0x009A;
    s.rowBytes = 0x800C;
    s.bounds = {0, 0, 2, 3};
    s.packType = 4;
    s.pixelSize = 32;
    s.cmpCount = 3;
    for (int y = 0; y < 2; ++y)
        s.rows.push_back(CountedRow(LiteralPack({1, 2, 3, 4, 5, 6, 7, 8, static_cast<uint8_t>(y)})));
    return s;
}

TEST(PictureBits, RecordsGiveTheirRowFormats)
{
    PictBitsRecord rec;
    std::vector<uint8_t> indexed = WriteBits(IndexedSpec());
    int32_t head = ReadPictBitsRecord(0x0098, indexed.data(), indexed.size(), &rec);
    ASSERT_GT(head, 0);
    EXPECT_TRUE(rec.pixMap);
    EXPECT_FALSE(rec.direct);
    EXPECT_EQ(rec.colors.kept, 2);
    EXPECT_EQ(rec.colors.entries[1].rgb.red, 0x1111);
    EXPECT_EQ(rec.rows.packing, kPictRowsPackBits);
    EXPECT_EQ(rec.rows.rowBytes, 10);
    EXPECT_EQ(PictOperandSize(2, 0x0098, indexed.data(), indexed.size()), static_cast<int32_t>(indexed.size()));

    std::vector<uint8_t> direct = WriteBits(DirectSpec());
    head = ReadPictBitsRecord(0x009A, direct.data(), direct.size(), &rec);
    ASSERT_GT(head, 0);
    EXPECT_TRUE(rec.direct);
    EXPECT_EQ(rec.rows.packing, kPictRowsPlanes);
    EXPECT_EQ(rec.rows.rowBytes, 12) << "three planes of the bounds' width in a row of 12";
    std::vector<uint8_t> row(12);
    ASSERT_EQ(ReadPictRow(rec.rows, direct.data() + head, direct.size() - head, row.data()), 11);
    uint32_t pixels[3];
    MergePictPlanes(row.data(), 3, 3, pixels);
    EXPECT_EQ(pixels[0], 0x00010407u);
    EXPECT_EQ(pixels[2], 0x00030600u);

    // A BitMap under the unpacked opcode, and its mask region under BitsRgn.
    BitsSpec bitmap;
    bitmap.opcode = 0x0091;
    bitmap.rowBytes = 2;
    bitmap.bounds = {0, 0, 3, 16};
    bitmap.rows = {{0xAA, 0x55}, {0x0F, 0xF0}, {0xFF, 0x00}};
    std::vector<uint8_t> bm = WriteBits(bitmap);
    head = ReadPictBitsRecord(0x0091, bm.data(), bm.size(), &rec);
    ASSERT_GT(head, 0);
    EXPECT_FALSE(rec.pixMap);
    EXPECT_EQ(rec.maskSize, 10);
    EXPECT_EQ(rec.rows.packing, kPictRowsUnpacked);
    EXPECT_EQ(PictRowsSize(rec.rows, bm.data() + head, bm.size() - head), 6);
}

TEST(PictureBits, ShortRowsAndCountSizes)
{
    struct Case {
        uint16_t opcode;
        uint16_t rowBytes;
        int16_t width;
        int16_t pixelSize;
        PictRowPacking packing;
        bool wordCount;
        const char *what;
    };
    const Case cases[] = {
        {0x0098, 0x8006, 6, 8, kPictRowsUnpacked, false, "indexed rows under 8 bytes are stored as they are"},
        {0x0098, 0x8008, 8, 8, kPictRowsPackBits, false, "8 bytes are packed"},
        {0x0098, 0x80FA, 250, 8, kPictRowsPackBits, false, "a byte count at row length 250"},
        {0x0098, 0x80FB, 251, 8, kPictRowsPackBits, true, "a word count at 251"},
        {0x0090, 0x80FB, 251, 8, kPictRowsUnpacked, false, "BitsRect never packs"},
        {0x0098, 0x0006, 48, 1, kPictRowsUnpacked, false, "a 6-byte BitMap row"},
        {0x0098, 0x00FB, 2008, 1, kPictRowsPackBits, true, "a 251-byte BitMap row"},
        {0x009A, 0x8006, 3, 16, kPictRowsWordRuns, false, "direct rows are counted even when short"},
        {0x009A, 0x8004, 1, 32, kPictRowsPlainPlanes, false, "one-pixel 32-bit planes are stored as they are"},
        {0x009A, 0x8008, 2, 32, kPictRowsPlainPlanes, false, "two-pixel planes too, under a rowBytes of 8"},
        {0x009A, 0x800C, 3, 32, kPictRowsPlanes, false, "three pixels: 9 bytes of planes, counted"},
        {0x009A, 0x8008, 1, 32, kPictRowsPlanes, false, "a one-pixel row counted under a rowBytes of 8"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        BitsSpec s;
        s.opcode = c.opcode;
        s.rowBytes = c.rowBytes;
        s.bounds = {0, 0, 1, c.width};
        s.pixelSize = c.pixelSize;
        s.cmpCount = c.pixelSize >= 16 ? 3 : 1;
        s.packType = c.pixelSize == 16 ? 3 : c.pixelSize == 32 ? 4 : 0;
        std::vector<uint8_t> bytes = WriteBits(s);
        bytes.resize(bytes.size() + 600, 0);
        PictBitsRecord rec;
        ASSERT_GT(ReadPictBitsRecord(c.opcode, bytes.data(), bytes.size(), &rec), 0);
        EXPECT_EQ(rec.rows.packing, c.packing);
        if (PictRowsCounted(rec.rows)) {
            EXPECT_EQ(rec.rows.wordCount, c.wordCount);
        }
    }
    // Sixteen-bit rows whatever their component count: they are read as 1-5-5-5.
    for (int16_t components : {1, 0, 5}) {
        SCOPED_TRACE(components);
        BitsSpec s;
        s.opcode = 0x009A;
        s.rowBytes = 0x8008;
        s.bounds = {0, 0, 1, 4};
        s.pixelSize = 16;
        s.cmpCount = components;
        s.packType = 3;
        std::vector<uint8_t> bytes = WriteBits(s);
        bytes.resize(bytes.size() + 600, 0);
        PictBitsRecord rec;
        ASSERT_GT(ReadPictBitsRecord(s.opcode, bytes.data(), bytes.size(), &rec), 0);
        EXPECT_EQ(rec.rows.packing, kPictRowsWordRuns);
    }
    EXPECT_FALSE(PictBitMapRowFormat(250, 2000, 1).wordCount);
    EXPECT_TRUE(PictBitMapRowFormat(251, 2008, 1).wordCount);
    EXPECT_EQ(PictBitMapRowFormat(7, 56, 1).packing, kPictRowsUnpacked);
}

TEST(PictureBits, MalformedRecordsStop)
{
    struct Case {
        const char *what;
        void (*change)(BitsSpec &);
    };
    const Case cases[] = {
        {"pixelSize 0", [](BitsSpec &s) { s.pixelSize = 0; }},
        {"pixelSize 3", [](BitsSpec &s) { s.pixelSize = 3; }},
        {"pixelSize 64", [](BitsSpec &s) { s.pixelSize = 64; }},
        {"pixelSize 24", [](BitsSpec &s) { s.pixelSize = 24; }},
        {"empty bounds", [](BitsSpec &s) { s.bounds = {0, 0, 0, 9}; }},
        {"inverted bounds", [](BitsSpec &s) { s.bounds = {2, 9, 0, 0}; }},
        {"row length too short for the width", [](BitsSpec &s) { s.bounds = {0, 0, 2, 11}; }},
        {"ctSize 0x7FFF", [](BitsSpec &s) { s.ctSize = 0x7FFF; }},
        {"ctSize 0xFFFF", [](BitsSpec &s) { s.ctSize = 0xFFFF; }},
        {"a direct depth under an indexed opcode's colour table", [](BitsSpec &s) { s.opcode = 0x009A; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        BitsSpec s = IndexedSpec();
        c.change(s);
        std::vector<uint8_t> bytes = WriteBits(s);
        // The colour-table cases write only the entries they announce when there are few of them.
        PictBitsRecord rec;
        EXPECT_EQ(ReadPictBitsRecord(s.opcode, bytes.data(), std::min<size_t>(bytes.size(), 400), &rec), kPictBad);
    }
    const Case directCases[] = {
        {"cmpCount 0", [](BitsSpec &s) { s.cmpCount = 0; }},
        {"cmpCount 5", [](BitsSpec &s) { s.cmpCount = 5; }},
        {"packType 5, which no packing has", [](BitsSpec &s) { s.packType = 5; }},
        {"an indexed depth under the direct opcode", [](BitsSpec &s) { s.pixelSize = 8; }},
        {"planes wider than the row length", [](BitsSpec &s) { s.bounds = {0, 0, 2, 5}; }},
        {"a BitMap under the direct opcode", [](BitsSpec &s) { s.rowBytes = 0x000C; }},
    };
    for (const Case &c : directCases) {
        SCOPED_TRACE(c.what);
        BitsSpec s = DirectSpec();
        c.change(s);
        std::vector<uint8_t> bytes = WriteBits(s);
        PictBitsRecord rec;
        EXPECT_EQ(ReadPictBitsRecord(s.opcode, bytes.data(), bytes.size(), &rec), kPictBad);
    }
    // Up to 256 entries are kept; a longer table inside the operand is stepped over.
    BitsSpec big = IndexedSpec();
    big.ctSize = 299;
    std::vector<uint8_t> bytes = WriteBits(big);
    PictBitsRecord rec;
    ASSERT_GT(ReadPictBitsRecord(0x0098, bytes.data(), bytes.size(), &rec), 0);
    EXPECT_EQ(rec.colors.stored, 300);
    EXPECT_EQ(rec.colors.kept, 256);
}

TEST(PictureBits, RowsDecodeInsideTheirBounds)
{
    PictRowFormat f = PictBitMapRowFormat(10, 80, 1);
    struct Case {
        std::vector<uint8_t> stored;
        int32_t consumed;
        std::vector<uint8_t> row;
        const char *what;
    };
    const Case cases[] = {
        {{4, 0xF8, 9, 0, 0xAB, 0xCD}, 5, {9, 9, 9, 9, 9, 9, 9, 9, 9, 0xAB}, "a run and a literal"},
        {{5, 0x80, 0xF8, 9, 0, 0xAB, 0xCD}, 6, {9, 9, 9, 9, 9, 9, 9, 9, 9, 0xAB}, "flag -128 is skipped"},
        {{2, 0xFE, 7}, 3, {7, 7, 7, 0, 0, 0, 0, 0, 0, 0}, "a short row leaves zeros"},
        {{2, 0xF5, 1}, kPictBad, {}, "a run past the row"},
        {{3, 0x0A, 1, 2}, kPictBad, {}, "a literal past the packed bytes"},
        {{1, 0xF7}, kPictBad, {}, "a run without its byte"},
        {{9, 0, 1}, kPictBad, {}, "a count past the bytes left"},
        {{}, kPictBad, {}, "no count"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> row(10, 0xEE);
        EXPECT_EQ(ReadPictRow(f, c.stored.data(), c.stored.size(), row.data()), c.consumed);
        if (c.consumed > 0) {
            EXPECT_EQ(row, c.row);
        }
    }
    // Word runs: the same checks on whole words.
    PictRowFormat w = {kPictRowsWordRuns, false, 6, 1, 3, 1};
    const uint8_t runs[] = {6, 0xFF, 0x12, 0x34, 0x00, 0xAB, 0xCD};
    uint16_t words[3];
    EXPECT_EQ(ReadPictRow(w, runs, sizeof runs, reinterpret_cast<uint8_t *>(words)), 7);
    EXPECT_EQ(words[0], 0x1234);
    EXPECT_EQ(words[1], 0x1234);
    EXPECT_EQ(words[2], 0xABCD);
    const uint8_t tooLong[] = {3, 0xFD, 0x12, 0x34};
    EXPECT_EQ(ReadPictRow(w, tooLong, sizeof tooLong, reinterpret_cast<uint8_t *>(words)), kPictBad);
    const uint8_t halfWord[] = {2, 0x00, 0x12};
    EXPECT_EQ(ReadPictRow(w, halfWord, sizeof halfWord, reinterpret_cast<uint8_t *>(words)), kPictBad);
}

TEST(PictureBits, UnpackBitsBoundedChecksBothEnds)
{
    uint8_t out[4];
    const uint8_t exact[] = {0xFD, 1};
    EXPECT_EQ(UnpackBitsBounded(exact, 2, out, 4), 4);
    const uint8_t over[] = {0xFC, 1};
    EXPECT_EQ(UnpackBitsBounded(over, 2, out, 4), -1) << "five bytes into four";
    const uint8_t cut[] = {0x03, 1, 2};
    EXPECT_EQ(UnpackBitsBounded(cut, 3, out, 4), -1);
    const uint8_t skip[] = {0x80, 0x80, 0x00, 9};
    EXPECT_EQ(UnpackBitsBounded(skip, 4, out, 4), 1);
    EXPECT_EQ(out[0], 9);
}

// ---- Packing round trips ----

TEST(PicturePacking, RandomRowsRoundTrip)
{
    std::mt19937 rng(5);
    for (int trial = 0; trial < 200; ++trial) {
        int length = 8 + static_cast<int>(rng() % 600);
        int alphabet = 1 + static_cast<int>(rng() % 4); // few values give long runs
        std::vector<uint8_t> row(length);
        for (auto &b : row)
            b = static_cast<uint8_t>(rng() % alphabet * 37 + (rng() % 8 == 0 ? rng() : 0));
        PictRowFormat bytes = PictBitMapRowFormat(static_cast<int16_t>(length), 1, 1);
        std::vector<uint8_t> out(PictPackedRowBound(bytes));
        int32_t n = PutPictRow(bytes, row.data(), out.data());
        size_t countBytes = bytes.wordCount ? 2 : 1;
        size_t count = bytes.wordCount ? (out[0] << 8 | out[1]) : out[0];
        ASSERT_EQ(static_cast<size_t>(n), countBytes + count);
        EXPECT_EQ(DecodePackBits(out.data() + countBytes, count), row) << "length " << length;
        std::vector<uint8_t> back(length);
        EXPECT_EQ(ReadPictRow(bytes, out.data(), n, back.data()), n);
        EXPECT_EQ(back, row);

        std::vector<uint16_t> words(length / 2);
        for (auto &w : words)
            w = static_cast<uint16_t>(rng() % alphabet * 0x1357);
        PictRowFormat wf = {kPictRowsWordRuns, length > 250, length / 2 * 2, 1, static_cast<int16_t>(length / 2), 1};
        std::vector<uint8_t> packed(PictPackedRowBound(wf));
        n = PutPictRow(wf, reinterpret_cast<const uint8_t *>(words.data()), packed.data());
        countBytes = wf.wordCount ? 2 : 1;
        count = wf.wordCount ? (packed[0] << 8 | packed[1]) : packed[0];
        ASSERT_EQ(static_cast<size_t>(n), countBytes + count);
        EXPECT_EQ(DecodeWordRuns(packed.data() + countBytes, count), words);
        std::vector<uint16_t> wordsBack(words.size());
        EXPECT_EQ(ReadPictRow(wf, packed.data(), n, reinterpret_cast<uint8_t *>(wordsBack.data())), n);
        EXPECT_EQ(wordsBack, words);
    }
}

TEST(PicturePacking, WordRunGroups)
{
    struct Case {
        std::vector<uint16_t> words;
        std::vector<uint8_t> flags; // the flag bytes in order
        const char *what;
    };
    auto repeat = [](size_t n, uint16_t w) { return std::vector<uint16_t>(n, w); };
    auto distinct = [](size_t n) {
        std::vector<uint16_t> v(n);
        for (size_t i = 0; i < n; ++i)
            v[i] = static_cast<uint16_t>(i);
        return v;
    };
    auto join = [](std::vector<uint16_t> a, const std::vector<uint16_t> &b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {repeat(3, 7), {0xFE}, "three equal words repeat"},
        {repeat(2, 7), {0x01}, "two equal words stay literal"},
        {join(repeat(2, 7), repeat(3, 8)), {0x01, 0xFE}, "two literal, then a run of three"},
        {repeat(300, 5), {0x82, 0x82, 0xD3}, "runs split at 127 words"},
        {distinct(200), {0x7E, 0x48}, "literals split at 127 words"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> out(c.words.size() * 2 + 16);
        int32_t n = PackPictWordRuns(c.words.data(), static_cast<int32_t>(c.words.size()), out.data());
        std::vector<uint8_t> flags;
        for (int32_t i = 0; i < n;) {
            int8_t flag = static_cast<int8_t>(out[i]);
            flags.push_back(out[i]);
            i += 1 + (flag < 0 ? 2 : 2 * (flag + 1));
        }
        EXPECT_EQ(flags, c.flags);
        EXPECT_EQ(DecodeWordRuns(out.data(), n), c.words);
    }
}

TEST(PicturePacking, RecordedRowsReadBack)
{
    struct Case {
        int16_t pixelSize;
        int16_t width;
        int16_t components;
        uint16_t rowBytesWord; // 0: cannot be recorded
        PictRowPacking packing;
        const char *what;
    };
    const Case cases[] = {
        {8, 5, 0, 0x8006, kPictRowsUnpacked, "short indexed rows stay unpacked, length even"},
        {8, 251, 0, 0x80FC, kPictRowsPackBits, "an odd indexed width rounds up"},
        {4, 9, 0, 0x8006, kPictRowsUnpacked, "4 bits: half a byte a pixel, rounded up"},
        {16, 3, 3, 0x8008, kPictRowsWordRuns, "a short 16-bit row is stored as 8"},
        {16, 200, 3, 0x8190, kPictRowsWordRuns, "16 bits, word counts"},
        {32, 1, 3, 0x8004, kPictRowsPlainPlanes, "one-pixel 32-bit planes are stored as they are"},
        {32, 2, 3, 0x8008, kPictRowsPlainPlanes, "two-pixel planes too"},
        {32, 2, 4, 0x8008, kPictRowsPlanes, "two pixels of four planes fill 8 bytes: counted"},
        {32, 3, 3, 0x800C, kPictRowsPlanes, "three pixels are counted"},
        {32, 70, 4, 0x8118, kPictRowsPlanes, "four planes"},
        {32, 4095, 3, 0xBFFC, kPictRowsPlanes, "the widest 32-bit row that fits"},
        {32, 4096, 3, 0, kPictRowsPlanes, "4 x 4096 needs bit 14"},
        {24, 10, 3, 0, kPictRowsPlanes, "no 24-bit rows"},
    };
    std::mt19937 rng(9);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        PictRowFormat f;
        uint16_t rowBytesWord = 0;
        bool ok = PictRecordedRowFormat(c.pixelSize, c.width, 2, c.components, &f, &rowBytesWord);
        ASSERT_EQ(ok, c.rowBytesWord != 0);
        if (!ok)
            continue;
        EXPECT_EQ(rowBytesWord, c.rowBytesWord);
        EXPECT_EQ(f.packing, c.packing);
        // What the recorder writes, a reader of the record takes back.
        BitsSpec s;
        s.opcode = c.pixelSize >= 16 ? 0x009A : 0x0098;
        s.rowBytes = rowBytesWord;
        s.bounds = {0, 0, 2, c.width};
        s.pixelSize = c.pixelSize;
        s.cmpCount = c.pixelSize >= 16 ? c.components : 1;
        s.packType = c.pixelSize == 16 ? 3 : c.pixelSize == 32 ? 4 : 0;
        s.ctSize = 1;
        std::vector<std::vector<uint8_t>> rows;
        for (int y = 0; y < 2; ++y) {
            std::vector<uint8_t> row(f.rowBytes);
            for (auto &b : row)
                b = static_cast<uint8_t>(rng() % 3);
            if (c.pixelSize == 16)
                std::fill(row.begin() + 2 * c.width, row.end(), 0);
            std::vector<uint8_t> out(PictPackedRowBound(f));
            out.resize(PutPictRow(f, row.data(), out.data()));
            s.rows.push_back(out);
            rows.push_back(row);
        }
        std::vector<uint8_t> bytes = WriteBits(s);
        PictBitsRecord rec;
        int32_t head = ReadPictBitsRecord(s.opcode, bytes.data(), bytes.size(), &rec);
        ASSERT_GT(head, 0);
        EXPECT_EQ(rec.rows.packing, f.packing);
        EXPECT_EQ(rec.rows.wordCount, f.wordCount);
        size_t at = head;
        for (int y = 0; y < 2; ++y) {
            std::vector<uint8_t> row(rec.rows.rowBytes);
            int32_t n = ReadPictRow(rec.rows, bytes.data() + at, bytes.size() - at, row.data());
            ASSERT_GT(n, 0);
            at += n;
            row.resize(rows[y].size());
            EXPECT_EQ(row, rows[y]);
        }
        EXPECT_EQ(at, bytes.size());
    }
}

TEST(PicturePacking, PlanesOfWideRowsFollowTheWidth)
{
    // 4,100 pixels: a writer's 4 x width runs into bit 14 of rowBytes and leaves 16 in the row length;
    // the planes are still the bounds' width each, with word counts.
    const int width = 4100;
    std::vector<uint32_t> pixels(width);
    for (int x = 0; x < width; ++x)
        pixels[x] = static_cast<uint32_t>(x * 2654435761u) & 0x00FFFFFF;
    std::vector<uint8_t> planes(3 * width);
    SplitPictPlanes(pixels.data(), width, 3, planes.data());
    BitsSpec s = DirectSpec();
    s.rowBytes = static_cast<uint16_t>((4 * width) | 0x8000);
    s.bounds = {0, 0, 1, static_cast<int16_t>(width)};
    s.rows = {CountedRow(LiteralPack(planes), true)};
    std::vector<uint8_t> bytes = WriteBits(s);
    PictBitsRecord rec;
    int32_t head = ReadPictBitsRecord(0x009A, bytes.data(), bytes.size(), &rec);
    ASSERT_GT(head, 0);
    EXPECT_TRUE(rec.rows.wordCount);
    std::vector<uint8_t> row(rec.rows.rowBytes);
    ASSERT_EQ(ReadPictRow(rec.rows, bytes.data() + head, bytes.size() - head, row.data()),
              static_cast<int32_t>(bytes.size()) - head);
    std::vector<uint32_t> back(width);
    MergePictPlanes(row.data(), width, 3, back.data());
    EXPECT_EQ(back, pixels);
}

// ---- Framing ----

TEST(PictureFraming, PrefixesAndSizes)
{
    uint8_t prefix[kPictPrefixBytes];
    PutPictPrefix(prefix, Rect{10, 20, 110, 220});
    const uint8_t expected[] = {0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x14, 0x00, 0x00, 0x00,
                                0x0A, 0x00, 0x00, 0x00, 0xDC, 0x00, 0x00, 0x00, 0x6E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(prefix + 10, prefix + 40), std::vector<uint8_t>(expected, expected + 30));
    EXPECT_EQ(PictWordAt(prefix + 2), 10);
    EXPECT_EQ(PictWordAt(prefix + 8), 220);

    // A large picture keeps its 32-bit size over a -1 header only.
    std::vector<uint8_t> pic(kPictPrefixBytes);
    PutPictPrefix(pic.data(), Rect{0, 0, 10, 10});
    StorePictSize(pic.data(), pic.size(), 0x12345);
    EXPECT_EQ(PictWordAt(pic.data()), 0x2345);
    EXPECT_EQ(PictLongAt(pic.data() + 16), 0x12345u);
    StorePictSize(pic.data(), pic.size(), 0x23456);
    EXPECT_EQ(PictLongAt(pic.data() + 16), 0x23456u) << "every later append updates it";

    PutPictExtendedPrefix(pic.data(), Rect{0, 0, 300, 400}, 0x00900000, 0x00900000);
    StorePictSize(pic.data(), pic.size(), 0x12345);
    EXPECT_EQ(PictWordAt(pic.data()), 0x2345);
    EXPECT_EQ(PictWordAt(pic.data() + 16), 0xFFFE) << "an extended header keeps its version";
    SwapPictHeader(pic.data());
    PictFraming framing;
    ASSERT_EQ(ReadPictFraming(pic.data(), pic.size(), &framing), kPictPrefixBytes);
    EXPECT_EQ(framing.version, 2);
    EXPECT_EQ(framing.headerVersion, -2);
    EXPECT_EQ(framing.hRes, 0x00900000);
    EXPECT_EQ(framing.srcRect.right, 400);
    EXPECT_EQ(framing.frame.bottom, 300);
    EXPECT_TRUE(PictHeaderSetsFrame(framing));

    // A small picture keeps its header operand.
    PutPictPrefix(pic.data(), Rect{0, 0, 10, 10});
    StorePictSize(pic.data(), pic.size(), 0x7FFF);
    EXPECT_EQ(PictLongAt(pic.data() + 16), 0xFFFFFFFFu);
}

TEST(PictureFraming, VersionsAndHeaders)
{
    // Version 1: the bytes 0x11 0x01 after the header.
    const uint8_t v1[] = {14, 0, 0, 0, 0, 0, 5, 0, 5, 0, 0x11, 0x01, 0xFF};
    PictFraming f;
    ASSERT_EQ(ReadPictFraming(v1, sizeof v1, &f), 12);
    EXPECT_EQ(f.version, 1);
    EXPECT_EQ(f.frame.bottom, 5);
    EXPECT_EQ(f.hRes, kPictDefaultRes);
    EXPECT_FALSE(PictHeaderSetsFrame(f));

    struct Case {
        Fixed hRes, vRes;
        Rect srcRect;
        bool setsFrame;
        const char *what;
    };
    const Case cases[] = {
        {0x00480000, 0x00480000, {0, 0, 10, 10}, true, "72 dpi with a srcRect"},
        {0, 0x00480000, {0, 0, 10, 10}, false, "no horizontal resolution"},
        {0x00480000, 0x00480000, {0, 5, 10, 5}, false, "srcRect without width"},
        {0x00480000, 0x00480000, {3, 0, 3, 10}, false, "srcRect without height"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t pic[kPictPrefixBytes];
        PutPictExtendedPrefix(pic, c.srcRect, c.hRes, c.vRes);
        SwapPictHeader(pic);
        ASSERT_EQ(ReadPictFraming(pic, sizeof pic, &f), kPictPrefixBytes);
        EXPECT_EQ(PictHeaderSetsFrame(f), c.setsFrame);
    }
    uint8_t pic[kPictPrefixBytes];
    PutPictPrefix(pic, Rect{0, 0, 10, 10});
    EXPECT_EQ(ReadPictFraming(pic, sizeof pic, &f), kPictPrefixBytes);
    EXPECT_FALSE(PictHeaderSetsFrame(f)) << "a -1 header plays at 72 dpi";
    EXPECT_EQ(ReadPictFraming(pic, 30, &f), kPictBad) << "a header operand cut short";
    pic[11] = 0x12;
    EXPECT_EQ(ReadPictFraming(pic, sizeof pic, &f), kPictBad) << "no version opcode";
}

// ---- Comments and the clipboard picture ----

TEST(PictureComments, PayloadsSwapTheirNumbers)
{
    struct Case {
        int16_t kind;
        std::vector<uint8_t> payload;
        std::vector<uint8_t> swapped;
        const char *what;
    };
    const Case cases[] = {
        {150, {1, 2, 3, 4, 5, 6}, {1, 2, 4, 3, 5, 6}, "150 of 6 bytes: only the word at 2"},
        {150, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 4, 3, 5, 6, 7, 8, 9}, "150 of 9: the long at 6 is not whole"},
        {150, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, {1, 2, 4, 3, 5, 6, 10, 9, 8, 7, 12, 11}, "150 of 12"},
        {154, {1, 2, 3, 4, 5, 6, 7, 8}, {4, 3, 2, 1, 8, 7, 6, 5}, "154: two longs"},
        {154, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}, "154 of another size"},
        {202, {1, 2, 3, 4, 5, 6, 7, 8}, {4, 3, 2, 1, 8, 7, 6, 5}, "202: two longs"},
        {182, {1, 2, 3, 4}, {2, 1, 4, 3}, "182: two words"},
        {182, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}, "182 of another size"},
        {200, {1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 5, 6, 7}, "200 of 7: the words only"},
        {200, {1, 2, 3, 4, 5, 6, 7, 8}, {2, 1, 4, 3, 8, 7, 6, 5}, "200 of 8"},
        {501, {1, 2}, {2, 1}, "501"},
        {502, {1, 2}, {2, 1}, "502"},
        {501, {1}, {1}, "501 of one byte"},
        {100, {1, 2, 3, 4}, {1, 2, 3, 4}, "other kinds pass as they are"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> data = c.payload;
        SwapPictCommentPayload(c.kind, data.data(), static_cast<int32_t>(data.size()));
        EXPECT_EQ(data, c.swapped);
        SwapPictCommentPayload(c.kind, data.data(), static_cast<int32_t>(data.size()));
        EXPECT_EQ(data, c.payload) << "the same table converts back";
    }
}

TEST(PictureDib, LayoutOfTheClipboardPicture)
{
    PictDibLayout layout;
    ASSERT_TRUE(PictDibLayoutFor(10, 3, 24, &layout));
    EXPECT_EQ(layout.stride, 32);
    EXPECT_EQ(layout.imageSize, 96);
    EXPECT_EQ(layout.totalSize, 146);
    ASSERT_TRUE(PictDibLayoutFor(10, 3, 8, &layout));
    EXPECT_EQ(layout.stride, 12);
    EXPECT_EQ(layout.totalSize, 50 + 1024 + 36);
    EXPECT_FALSE(PictDibLayoutFor(0, 3, 24, &layout));
    EXPECT_FALSE(PictDibLayoutFor(3, 0, 24, &layout));
    EXPECT_FALSE(PictDibLayoutFor(3, 3, 16, &layout));
    ASSERT_TRUE(PictDibLayoutFor(30000, 2, 24, &layout)) << "a stride past 16 bits";
    EXPECT_EQ(layout.stride, 90000);

    ASSERT_TRUE(PictDibLayoutFor(10, 3, 24, &layout));
    std::vector<uint8_t> pic(layout.totalSize);
    PutPictDibHeader(pic.data(), layout);
    const Picture *header = reinterpret_cast<const Picture *>(pic.data());
    EXPECT_EQ(header->picSize, 146);
    EXPECT_EQ(header->picFrame.bottom, 3);
    EXPECT_EQ(header->picFrame.right, 10);
    const BITMAPINFOHEADER *bi = reinterpret_cast<const BITMAPINFOHEADER *>(pic.data() + 10);
    EXPECT_EQ(bi->biSize, 40u);
    EXPECT_EQ(bi->biHeight, 3);
    EXPECT_EQ(bi->biSizeImage, 96u);
    EXPECT_EQ(bi->biXPelsPerMeter, 2800);
    PictDibLayout read;
    ASSERT_TRUE(ReadPictDibLayout(pic.data(), pic.size(), &read));
    EXPECT_EQ(read.bitsOffset, 50);
    EXPECT_FALSE(ReadPictDibLayout(pic.data(), pic.size() - 1, &read)) << "rows cut short";

    struct Case {
        void (*change)(BITMAPINFOHEADER &);
        const char *what;
    };
    const Case bad[] = {
        {[](BITMAPINFOHEADER &b) { b.biCompression = BI_RLE8; }, "compressed"},
        {[](BITMAPINFOHEADER &b) { b.biHeight = -3; }, "top-down"},
        {[](BITMAPINFOHEADER &b) { b.biSize = 12; }, "another header"},
        {[](BITMAPINFOHEADER &b) { b.biBitCount = 32; }, "32 bits"},
        {[](BITMAPINFOHEADER &b) {
             b.biBitCount = 8;
             b.biClrUsed = 300;
         },
         "more than 256 colours"},
    };
    for (const Case &c : bad) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> copy = pic;
        c.change(*reinterpret_cast<BITMAPINFOHEADER *>(copy.data() + 10));
        EXPECT_FALSE(ReadPictDibLayout(copy.data(), copy.size(), &read));
    }
    // An 8-bit body with 4 colours: the rows follow the 4 entries.
    std::vector<uint8_t> eight = pic;
    BITMAPINFOHEADER *b8 = reinterpret_cast<BITMAPINFOHEADER *>(eight.data() + 10);
    b8->biBitCount = 8;
    b8->biClrUsed = 4;
    ASSERT_TRUE(ReadPictDibLayout(eight.data(), eight.size(), &read));
    EXPECT_EQ(read.colorCount, 4);
    EXPECT_EQ(read.bitsOffset, 66);
}

// ---- Whole pictures ----

// A picture's data as the player gets it: the file without its 512-byte header, the first 10 bytes in
// the host's order.
std::vector<uint8_t> LoadSample(const PictureSample &s)
{
    std::vector<uint8_t> pic(s.file + 512, s.file + s.fileSize);
    SwapPictHeader(pic.data());
    return pic;
}

struct WalkResult {
    bool ended = false;     // met the end opcode
    size_t endAt = 0;       // offset just past it
    bool stopped = false;   // a malformed opcode stopped the walk
    int bitsOpcodes = 0;
    std::vector<uint32_t> image; // the last bits opcode's pixels as 0x00RRGGBB, rows top to bottom
    int width = 0, height = 0;
};

// Converts one decoded row of a bits record to 0x00RRGGBB pixels.
void RowPixels(const PictBitsRecord &rec, const uint8_t *row, uint32_t *out)
{
    int width = rec.rows.width;
    if (PictRowsArePlanes(rec.rows)) {
        MergePictPlanes(row, width, rec.rows.planes, out);
        for (int x = 0; x < width; ++x)
            out[x] &= 0x00FFFFFF;
        return;
    }
    int depth = rec.pixMap ? rec.pm.pixelSize : 1;
    for (int x = 0; x < width; ++x) {
        if (depth == 16) {
            uint16_t p = reinterpret_cast<const uint16_t *>(row)[x];
            auto five = [](int v) { return static_cast<uint32_t>(v << 3 | v >> 2); };
            out[x] = five(p >> 10 & 31) << 16 | five(p >> 5 & 31) << 8 | five(p & 31);
            continue;
        }
        int bit = x * depth;
        int index = row[bit / 8] >> (8 - depth - bit % 8) & ((1 << depth) - 1);
        if (!rec.pixMap) {
            out[x] = index ? 0 : 0xFFFFFF;
            continue;
        }
        const RGBColor c = index < rec.colors.kept ? rec.colors.entries[index].rgb : RGBColor{0, 0, 0};
        out[x] = static_cast<uint32_t>(c.red >> 8) << 16 | static_cast<uint32_t>(c.green >> 8) << 8 | c.blue >> 8;
    }
}

// Steps through every opcode of a picture, decoding the rows of bits opcodes.
WalkResult Walk(const uint8_t *pic, size_t size)
{
    WalkResult result;
    PictFraming framing;
    if (ReadPictFraming(pic, size, &framing) < 0) {
        result.stopped = true;
        return result;
    }
    size_t at = framing.firstOpcode;
    for (;;) {
        uint16_t opcode;
        int32_t span = PictOpcodeSpan(framing.version, pic + at, size - at, &opcode);
        if (span < 0) {
            result.stopped = true;
            return result;
        }
        size_t opBytes = framing.version == 1 ? 1 : 2;
        if (opcode == kPictOpEnd) {
            result.ended = true;
            result.endAt = at + span;
            return result;
        }
        bool bits = opcode == 0x0090 || opcode == 0x0091 || (opcode >= 0x0098 && opcode <= 0x009B);
        if (bits) {
            static PictBitsRecord rec;
            const uint8_t *operand = pic + at + opBytes;
            size_t left = size - at - opBytes;
            int32_t head = ReadPictBitsRecord(opcode, operand, left, &rec);
            EXPECT_GT(head, 0) << "the walk measured this record";
            if (head < 0) {
                result.stopped = true;
                return result;
            }
            ++result.bitsOpcodes;
            result.width = rec.rows.width;
            result.height = rec.rows.rows;
            result.image.assign(static_cast<size_t>(result.width) * result.height, 0);
            std::vector<uint8_t> row(rec.rows.rowBytes);
            size_t pos = head;
            for (int y = 0; y < rec.rows.rows; ++y) {
                int32_t n = ReadPictRow(rec.rows, operand + pos, left - pos, row.data());
                if (n < 0) {
                    result.stopped = true;
                    return result;
                }
                pos += n;
                RowPixels(rec, row.data(), result.image.data() + static_cast<size_t>(y) * result.width);
            }
            EXPECT_LE(static_cast<size_t>(span) - (pos + opBytes), 1u) << "the rows end the operand, but for a pad";
        }
        at += span;
    }
}

TEST(PictureSamples, WalkToTheEndAndDecodeLikeTheirTools)
{
    for (const PictureSample &s : kPictureSamples) {
        SCOPED_TRACE(s.name);
        std::vector<uint8_t> pic = LoadSample(s);
        PictFraming framing;
        ASSERT_GT(ReadPictFraming(pic.data(), pic.size(), &framing), 0);
        EXPECT_EQ(framing.frame.bottom - framing.frame.top, s.height);
        EXPECT_EQ(framing.frame.right - framing.frame.left, s.width);
        WalkResult walk = Walk(pic.data(), pic.size());
        ASSERT_TRUE(walk.ended);
        EXPECT_EQ(walk.endAt, pic.size()) << "the walk lands exactly on the end opcode";
        ASSERT_EQ(walk.bitsOpcodes, 1);
        ASSERT_EQ(walk.width, s.width);
        ASSERT_EQ(walk.height, s.height);
        int wrong = 0;
        std::string map;
        for (int y = 0; y < s.height; ++y) {
            for (int x = 0; x < s.width; ++x) {
                const uint8_t *ref = s.rgb + 3 * (y * s.width + x);
                uint32_t want = static_cast<uint32_t>(ref[0]) << 16 | ref[1] << 8 | ref[2];
                bool same = walk.image[y * s.width + x] == want;
                wrong += !same;
                if (x < 80)
                    map += same ? '.' : 'X';
            }
            map += '\n';
        }
        EXPECT_EQ(wrong, 0) << "pixels differing from the tool's decoding (X):\n" << map;
    }
}

TEST(PictureSamples, HeadersOfTheTools)
{
    struct Case {
        const char *name;
        int16_t headerVersion;
    };
    const Case cases[] = {{"odd_indexed", -1}, {"few_colors", -1}, {"direct", -2}, {"long_opcode", -2}};
    for (const Case &c : cases) {
        for (const PictureSample &s : kPictureSamples) {
            if (std::strcmp(s.name, c.name) != 0)
                continue;
            std::vector<uint8_t> pic = LoadSample(s);
            PictFraming framing;
            ASSERT_EQ(ReadPictFraming(pic.data(), pic.size(), &framing), kPictPrefixBytes) << c.name;
            EXPECT_EQ(framing.version, 2) << c.name;
            EXPECT_EQ(framing.headerVersion, c.headerVersion) << c.name;
            EXPECT_FALSE(PictHeaderSetsFrame(framing)) << c.name << ": no resolutions given";
        }
    }
}

// ---- Damaged pictures ----

// Bytes placed at the very end of readable memory: the next page cannot be read, so a reader that
// looks one byte too far ends the program.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<uint8_t> &bytes)
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        size_t page = si.dwPageSize;
        size_t body = (bytes.size() + page - 1) / page * page;
        if (body == 0)
            body = page;
        base_ = static_cast<uint8_t *>(VirtualAlloc(nullptr, body + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_ + body, page, PAGE_NOACCESS, &old);
        data_ = base_ + body - bytes.size();
        if (!bytes.empty())
            std::memcpy(data_, bytes.data(), bytes.size());
        size_ = bytes.size();
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;
    const uint8_t *data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t *base_;
    uint8_t *data_;
    size_t size_;
};

WalkResult GuardedWalk(const std::vector<uint8_t> &pic)
{
    GuardedBytes guarded(pic);
    return Walk(guarded.data(), guarded.size());
}

// A version 2 picture with every kind of sized operand, and where its sizes, lengths and counts are.
struct SizeField {
    size_t offset;
    int width; // 1, 2 or 4 bytes
    const char *what;
};

std::vector<uint8_t> SizedPicture(std::vector<SizeField> *fields)
{
    Bytes p;
    uint8_t prefix[kPictPrefixBytes];
    PutPictPrefix(prefix, Rect{0, 0, 20, 20});
    p.Raw(std::vector<uint8_t>(prefix, prefix + kPictPrefixBytes));
    auto field = [&](size_t at, int width, const char *what) { fields->push_back({at, width, what}); };
    p.W(0x0001);
    field(p.Size(), 2, "clip region size");
    p.W(10).R(0, 0, 20, 20);
    p.W(0x0070);
    field(p.Size(), 2, "polygon size");
    p.W(18).R(0, 0, 5, 5).W(0).W(0).W(5).W(5);
    p.W(0x0081);
    field(p.Size(), 2, "region size");
    p.W(16).R(0, 0, 5, 5).W(1).W(2).W(3);
    p.W(0x0075);
    field(p.Size(), 2, "reserved self-counting size");
    p.W(6).L(0);
    p.W(0x0024);
    field(p.Size(), 2, "reserved word length");
    p.W(3).B(1).B(2).B(3).Pad();
    p.W(0x0028).W(4).W(4);
    field(p.Size(), 1, "text count");
    p.B(3).B('a').B('b').B('c').Pad();
    p.W(0x002C);
    field(p.Size(), 2, "font name length");
    p.W(9).W(3).B(6).Raw({'G', 'e', 'n', 'e', 'v', 'a'}).Pad();
    p.W(0x00A1).W(150);
    field(p.Size(), 2, "comment size");
    p.W(6).Fill(6);
    p.W(0x00D5);
    field(p.Size(), 4, "reserved long length");
    p.L(5).Fill(5).Pad();
    p.W(0x8123);
    field(p.Size(), 4, "high reserved long length");
    p.L(3).Fill(3).Pad();

    BitsOffsets at;
    p.W(0x0098);
    size_t base = p.Size();
    p.Raw(WriteBits(IndexedSpec(), &at)).Pad();
    field(base + at.rowBytes, 2, "indexed rowBytes");
    field(base + at.ctSize, 2, "ctSize");
    field(base + at.firstRow, 1, "indexed row count");
    p.W(0x009A);
    base = p.Size();
    p.Raw(WriteBits(DirectSpec(), &at)).Pad();
    field(base + at.rowBytes, 2, "direct rowBytes");
    field(base + at.firstRow, 1, "direct row count");
    BitsSpec bitmap;
    bitmap.opcode = 0x0099;
    bitmap.rowBytes = 2;
    bitmap.bounds = {0, 0, 2, 16};
    bitmap.rows = {{1, 2}, {3, 4}};
    p.W(0x0099);
    base = p.Size();
    p.Raw(WriteBits(bitmap, &at)).Pad();
    field(base + at.firstRow - 10, 2, "mask region size");
    field(base + at.rowBytes, 2, "BitMap rowBytes");

    // A full pixel pattern: 8 x 8, 8 bits, two colours, rows of 8 bytes packed with counts.
    p.W(0x0012).W(1).Fill(8, 0x55);
    p.W(0x8008).R(0, 0, 8, 8).W(0).W(0).L(0).L(0x00480000).L(0x00480000).W(0).W(8).W(1).W(8).L(0).L(0).L(0);
    p.L(0).W(0);
    field(p.Size(), 2, "pattern ctSize");
    p.W(1).W(0).W(0).W(0).W(0).W(1).W(0xFFFF).W(0xFFFF).W(0xFFFF);
    field(p.Size(), 1, "pattern row count");
    for (int y = 0; y < 8; ++y)
        p.Raw(CountedRow({0xF9, static_cast<uint8_t>(y & 1)}));
    p.Pad();
    p.W(0x0013).W(2).Fill(8, 0xAA).W(0xFFFF).W(0).W(0);
    p.W(kPictOpEnd);
    SwapPictHeader(p.b.data());
    return p.b;
}

TEST(PictureDamage, TheSizedPictureWalksWhole)
{
    std::vector<SizeField> fields;
    std::vector<uint8_t> pic = SizedPicture(&fields);
    WalkResult walk = GuardedWalk(pic);
    EXPECT_TRUE(walk.ended);
    EXPECT_EQ(walk.endAt, pic.size());
    EXPECT_EQ(walk.bitsOpcodes, 3);
}

TEST(PictureDamage, EverySizeAndLengthDamagedStopsInsideTheBytes)
{
    std::vector<SizeField> fields;
    std::vector<uint8_t> pic = SizedPicture(&fields);
    for (const SizeField &f : fields) {
        SCOPED_TRACE(f.what);
        uint32_t pastEnd = static_cast<uint32_t>(pic.size() - f.offset + 2);
        std::vector<uint32_t> values = {0, 1, 9, 11, 0x7F, 0x80, 0xFF, pastEnd};
        if (f.width >= 2)
            values.insert(values.end(), {0x7FFF, 0x8000, 0xFFFF});
        if (f.width == 4)
            values.insert(values.end(), {0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE});
        for (uint32_t v : values) {
            std::vector<uint8_t> damaged = pic;
            for (int i = 0; i < f.width; ++i)
                damaged[f.offset + i] = static_cast<uint8_t>(v >> (8 * (f.width - 1 - i)));
            WalkResult walk = GuardedWalk(damaged);
            EXPECT_TRUE(walk.ended || walk.stopped) << "value " << v;
            if (walk.ended) {
                EXPECT_LE(walk.endAt, damaged.size());
            }
        }
    }
}

TEST(PictureDamage, BadSizesStopTheWalk)
{
    std::vector<SizeField> fields;
    std::vector<uint8_t> pic = SizedPicture(&fields);
    struct Case {
        const char *field;
        uint32_t value;
    };
    const Case cases[] = {
        {"clip region size", 9},      {"clip region size", 11},     {"clip region size", 0},
        {"polygon size", 0xFFFF},     {"region size", 1},           {"text count", 0xFF},
        {"reserved long length", 0x7FFFFFFF}, {"reserved long length", 0xFFFFFFFF},
        {"ctSize", 0x7FFF},           {"ctSize", 0xFFFF},           {"pattern ctSize", 0xFFFF},
        {"indexed row count", 0xFF},  {"mask region size", 9},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.field);
        for (const SizeField &f : fields) {
            if (std::strcmp(f.what, c.field) != 0)
                continue;
            std::vector<uint8_t> damaged = pic;
            for (int i = 0; i < f.width; ++i)
                damaged[f.offset + i] = static_cast<uint8_t>(c.value >> (8 * (f.width - 1 - i)));
            WalkResult walk = GuardedWalk(damaged);
            EXPECT_TRUE(walk.stopped) << "value " << c.value;
        }
    }
}

TEST(PictureDamage, CutAtEveryLength)
{
    std::vector<SizeField> fields;
    std::vector<std::vector<uint8_t>> pictures = {SizedPicture(&fields)};
    for (const PictureSample &s : kPictureSamples)
        pictures.push_back(LoadSample(s));
    for (const auto &pic : pictures) {
        for (size_t n = 0; n + 2 <= pic.size(); ++n) {
            std::vector<uint8_t> cut(pic.begin(), pic.begin() + n);
            WalkResult walk = GuardedWalk(cut);
            ASSERT_TRUE(walk.stopped) << "cut at " << n << " of " << pic.size();
        }
    }
}

TEST(PictureDamage, RowsThatOverrunStop)
{
    // Runs that fill past the row, and flag -128 inside a row (skipped: the row decodes as without it).
    BitsSpec s = IndexedSpec();
    s.rows[0] = CountedRow({0xF6, 7, 0x00, 1}); // 11 bytes into a row of 10
    std::vector<uint8_t> over = WriteBits(s);
    PictBitsRecord rec;
    int32_t head = ReadPictBitsRecord(0x0098, over.data(), over.size(), &rec);
    ASSERT_GT(head, 0);
    std::vector<uint8_t> row(rec.rows.rowBytes);
    EXPECT_EQ(ReadPictRow(rec.rows, over.data() + head, over.size() - head, row.data()), kPictBad);

    s.rows[0] = CountedRow({0xF8, 7, 0x80, 0x00, 1});
    std::vector<uint8_t> skip = WriteBits(s);
    head = ReadPictBitsRecord(0x0098, skip.data(), skip.size(), &rec);
    ASSERT_GT(head, 0);
    ASSERT_EQ(ReadPictRow(rec.rows, skip.data() + head, skip.size() - head, row.data()), 6);
    EXPECT_EQ(row, (std::vector<uint8_t>{7, 7, 7, 7, 7, 7, 7, 7, 7, 1}));
}

} // namespace

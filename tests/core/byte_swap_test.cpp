// Byte order: the in-place primitives, the big-endian getters, the rectangle conversions and the
// per-type resource templates of ZEL_ByteSwap_Code. Resources are made by hand in both orders at once:
// the bytes a Macintosh fork holds and the native bytes the conversion must produce. Every conversion
// runs in a buffer followed by a guard region that must come through untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ByteOrder.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr ResType T(const char *s)
{
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}

// A resource written field by field in both orders: `fork` as the file holds it, `native` as the
// library's records read it.
struct Image {
    Bytes fork, native;

    Image &w(uint16_t v)
    {
        fork.insert(fork.end(), {uint8_t(v >> 8), uint8_t(v)});
        native.insert(native.end(), {uint8_t(v), uint8_t(v >> 8)});
        return *this;
    }
    Image &l(uint32_t v)
    {
        fork.insert(fork.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
        native.insert(native.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
        return *this;
    }
    Image &rect(int16_t top, int16_t left, int16_t bottom, int16_t right)
    {
        return w(uint16_t(top)).w(uint16_t(left)).w(uint16_t(bottom)).w(uint16_t(right));
    }
    // Bytes that no conversion touches.
    Image &raw(const Bytes &b)
    {
        fork.insert(fork.end(), b.begin(), b.end());
        native.insert(native.end(), b.begin(), b.end());
        return *this;
    }
    Image &fill(size_t n, uint8_t first)
    {
        for (size_t i = 0; i < n; ++i)
            raw({uint8_t(first + i * 7)});
        return *this;
    }
    // A Pascal string, padded to even length when asked.
    Image &pstr(const char *s, bool padEven)
    {
        size_t n = std::strlen(s);
        raw({uint8_t(n)});
        raw(Bytes(s, s + n));
        if (padEven && (n + 1) % 2)
            raw({0});
        return *this;
    }
    // A byte the conversion rewrites without swapping.
    Image &changed(uint8_t inFork, uint8_t inMemory)
    {
        fork.push_back(inFork);
        native.push_back(inMemory);
        return *this;
    }
    size_t size() const { return fork.size(); }
};

// Colour table: seed, flags, entries minus 1, then `stored` entries (value, red, green, blue).
Image &ColorTable(Image &im, uint16_t sizeField, int stored)
{
    im.l(0x01020304).w(0x8000).w(sizeField);
    for (int i = 0; i < stored; ++i)
        im.w(uint16_t(i)).w(uint16_t(0x1111 * (i + 1))).w(0x2233).w(uint16_t(0xFF00 + i));
    return im;
}

// A 50-byte PixMap with the given bounds and colour-table field.
Image &PixMap(Image &im, int16_t height, uint32_t table)
{
    return im.l(0).w(0x8004).rect(0, 0, height, 8).w(0).w(0).l(0).l(0x00480000).l(0x00480000)
        .w(0).w(4).w(1).w(4).l(0).l(table).l(0);
}

Image &BitMap(Image &im, uint16_t rowBytes, int16_t height)
{
    return im.l(0).w(rowBytes).rect(0, 0, height, 16);
}

// A dialog item: header (handle placeholder, bounds, type, data length) and its data.
Image &Item(Image &im, uint8_t type, const Bytes &data, bool idWord)
{
    im.l(0).rect(10, 20, 30, 40).raw({type, uint8_t(data.size())});
    if (idWord)
        im.w(uint16_t((data[0] << 8) | data[1])).raw(Bytes(data.begin() + 2, data.end()));
    else
        im.raw(data);
    if (data.size() % 2)
        im.raw({0});
    return im;
}

// The resource in a buffer followed by a guard region.
class Guarded {
public:
    static constexpr size_t kGuard = 64;
    static constexpr uint8_t kGuardByte = 0xA5;

    Guarded(const Bytes &bytes, size_t n) : buf_(n + kGuard, kGuardByte), n_(n)
    {
        std::memcpy(buf_.data(), bytes.data(), n);
    }
    void *data() { return buf_.data(); }
    int32_t size() const { return int32_t(n_); }
    Bytes contents() const { return Bytes(buf_.begin(), buf_.begin() + n_); }
    bool guardIntact() const
    {
        for (size_t i = n_; i < buf_.size(); ++i)
            if (buf_[i] != kGuardByte)
                return false;
        return true;
    }

private:
    Bytes buf_;
    size_t n_;
};

// "" when equal, else the first differing offset with both bytes.
std::string FirstDifference(const Bytes &got, const Bytes &want)
{
    if (got.size() != want.size())
        return "sizes differ";
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i] != want[i]) {
            char text[80];
            std::snprintf(text, sizeof text, "offset %u: got 0x%02X, want 0x%02X", unsigned(i), got[i], want[i]);
            return text;
        }
    return "";
}

struct TemplateCase {
    const char *what;
    ResType type;
    Image (*build)();
};

const TemplateCase kTemplateCases[] = {
    {"acur: count, filler, two frames", T("acur"),
     [] { Image im; return im.w(2).w(0).w(128).w(0).w(129).w(0), im; }},
    {"acur: count of 99 over two frames", T("acur"),
     [] { Image im; return im.w(99).w(0).w(128).w(0).w(129).w(0), im; }},
    {"ALRT: bounds, items, stages re-packed, position", T("ALRT"),
     [] { Image im; return im.rect(40, 50, 140, 350).w(130).changed(0xB5, 0x6D).changed(0x6C, 0x3A).w(0x300A), im; }},
    {"ALRT of 13 bytes: no position word", T("ALRT"),
     [] { Image im; return im.rect(40, 50, 140, 350).w(130).changed(0xB5, 0x6D).changed(0x6C, 0x3A).raw({0x30}), im; }},
    {"ALRT of 9 bytes: the items word is cut", T("ALRT"),
     [] { Image im; return im.rect(1, 2, 3, 4).raw({0x01}), im; }},
    {"ZELD: one word at 2", T("ZELD"), [] { Image im; return im.raw({1, 2}).w(0x1234).raw({3, 4}), im; }},
    {"clut: three entries", T("clut"), [] { Image im; return ColorTable(im, 2, 3), im; }},
    {"clut: size 0x7FFF over two entries", T("clut"), [] { Image im; return ColorTable(im, 0x7FFF, 2), im; }},
    {"clut: size -1 is an empty table", T("clut"), [] { Image im; return ColorTable(im, 0xFFFF, 0).fill(8, 1), im; }},
    {"mctb: every word, an odd last byte stays", T("mctb"),
     [] { Image im; return im.w(1).w(0x8001).w(0xFFFF).w(0x1234).raw({0x56}), im; }},
    {"DITL: button, static text, resource control, disabled icon, picture", T("DITL"),
     [] {
         Image im;
         im.w(4);
         Item(im, 4, {'O', 'K'}, false);
         Item(im, 8 + 0x80, {'H', 'e', 'l', 'l', 'o'}, false);
         Item(im, 7, {0x01, 0x02}, true);
         Item(im, 0x80 + 32, {0x00, 0x80}, true);
         Item(im, 64, {0x03, 0xE8}, true);
         return im;
     }},
    {"DITL: count of 9 over two items", T("DITL"),
     [] {
         Image im;
         im.w(8);
         Item(im, 32, {0x00, 0x81}, true);
         Item(im, 4, {'G', 'o', '!'}, false);
         return im;
     }},
    {"DITL: an item whose length runs past the end", T("DITL"),
     [] {
         Image im;
         im.w(1);
         Item(im, 32, {0x00, 0x82}, true);
         return im.l(0).rect(1, 2, 3, 4).raw({64, 200}).w(0x1234).raw({0x56}), im;
     }},
    {"DITL: an icon item without data has no ID", T("DITL"),
     [] {
         Image im;
         im.w(1);
         Item(im, 32, {}, false);
         Item(im, 8, {'a', 'b'}, false);
         return im;
     }},
    {"DLOG: title padded, position after it", T("DLOG"),
     [] { Image im; return im.rect(40, 40, 240, 440).w(1).raw({1, 0, 0, 0}).l(0xDEADBEEF).w(200).pstr("Hi", true).w(0x280A), im; }},
    {"DLOG: title fills the resource", T("DLOG"),
     [] { Image im; return im.rect(40, 40, 240, 440).w(1).raw({1, 0, 0, 0}).l(0xDEADBEEF).w(200).pstr("Hi", true), im; }},
    {"DLOG: one byte of a position word", T("DLOG"),
     [] { Image im; return im.rect(40, 40, 240, 440).w(1).raw({1, 0, 0, 0}).l(7).w(200).pstr("Odd", false).raw({0x28}), im; }},
    {"WIND: title padded, position after it", T("WIND"),
     [] { Image im; return im.rect(50, 60, 250, 460).w(4).raw({1, 0, 1, 0}).l(0x00010002).pstr("Window", true).w(0x300A), im; }},
    {"WIND: title fills the resource", T("WIND"),
     [] { Image im; return im.rect(50, 60, 250, 460).w(4).raw({1, 0, 1, 0}).l(0x00010002).pstr("Window", true), im; }},
    {"INTL: 32-byte formats, version word at 30", T("INTL"), [] { Image im; return im.fill(30, 1).w(0x0102), im; }},
    {"INTL: 332-byte names, version and routine words", T("INTL"),
     [] { Image im; return im.fill(328, 3).w(0x0304).w(0x4E75), im; }},
    {"INTL: of unexpected size, nothing inside", T("INTL"), [] { Image im; return im.fill(100, 5), im; }},
    {"MBAR: three menus", T("MBAR"), [] { Image im; return im.w(3).w(128).w(129).w(130), im; }},
    {"MBAR: count of 1000 over three menus", T("MBAR"), [] { Image im; return im.w(1000).w(128).w(129).w(130), im; }},
    {"MENU: header words and longs, texts stay", T("MENU"),
     [] { Image im; return im.w(128).w(0).w(0).l(0xFFFF0000).l(0xFFFFFFFB).pstr("File", false).pstr("Open", false), im; }},
    {"PAT#: count", T("PAT#"), [] { Image im; return im.w(1).fill(8, 0x55), im; }},
    {"STR#: count", T("STR#"), [] { Image im; return im.w(2).pstr("one", false).pstr("two", false), im; }},
    {"PICT: size and frame, opcodes stay", T("PICT"),
     [] { Image im; return im.w(20).rect(0, 0, 100, 200).raw({0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00, 0x00, 0xFF}), im; }},
    {"pltt: header and two entries", T("pltt"),
     [] {
         Image im;
         im.w(2).l(0).w(0).l(0).l(0);
         for (int i = 0; i < 2; ++i)
             im.w(0xFFFF).w(uint16_t(0x1234 * i)).w(0).w(2).w(0x5000).w(0x0100).l(0xAABBCCDD);
         return im;
     }},
    {"pltt: count of 300 over one entry", T("pltt"),
     [] { Image im; return im.w(300).l(1).w(2).l(3).l(4).w(1).w(2).w(3).w(4).w(5).w(6).l(7), im; }},
    {"ppat: header, PixMap and colour table", T("ppat"),
     [] {
         Image im;
         im.w(1).l(28).l(78).l(0).w(0xFFFF).l(0).fill(8, 0x11);
         PixMap(im, 8, 86).fill(8, 0x40);
         return ColorTable(im, 1, 2), im;
     }},
    {"ppat: colour-table offset past the end", T("ppat"),
     [] {
         Image im;
         im.w(1).l(28).l(78).l(0).w(0xFFFF).l(0).fill(8, 0x11);
         return PixMap(im, 8, 0x7FFFFFF0).fill(12, 0x40), im;
     }},
    {"ppat: colour-table offset inside the header", T("ppat"),
     [] {
         Image im;
         im.w(1).l(28).l(78).l(0).w(0xFFFF).l(0).fill(8, 0x11);
         return PixMap(im, 8, 4).fill(12, 0x40), im;
     }},
    {"cicn: PixMap, BitMaps, bits, colour table, pixels", T("cicn"),
     [] {
         Image im;
         PixMap(im, 4, 0);
         BitMap(im, 2, 4);
         BitMap(im, 0x4002, 4); // the row width keeps its low 12 bits
         im.l(0).fill(8, 0x21).fill(8, 0x31);
         return ColorTable(im, 1, 2).fill(16, 0x61), im;
     }},
    {"cicn: height puts the colour table past the end", T("cicn"),
     [] {
         Image im;
         PixMap(im, 30000, 0);
         BitMap(im, 2, 4);
         BitMap(im, 2, 4);
         return im.l(0).fill(24, 0x21), im;
     }},
    {"cicn: bottom above top, no colour table", T("cicn"),
     [] {
         Image im;
         im.l(0).w(0x8004).rect(10, 0, 2, 8).w(0).w(0).l(0).l(0).l(0).w(0).w(4).w(1).w(4).l(0).l(0).l(0);
         BitMap(im, 2, 4);
         BitMap(im, 2, 4);
         return im.l(0).fill(24, 0x21), im;
     }},
    {"CNTL: bounds, value, limits, procID, refCon", T("CNTL"),
     [] { Image im; return im.rect(10, 10, 30, 90).w(1).raw({1, 0}).w(100).w(0xFFF6).w(8).l(0x12345678).pstr("OK", false), im; }},
    {"vers: version bytes, region word, strings", T("vers"),
     [] { Image im; return im.raw({1, 0x20, 0x80, 0}).w(0).pstr("1.2", false).pstr("1.2 long", false), im; }},
    {"CMAP: 256 longs", T("CMAP"),
     [] {
         Image im;
         for (uint32_t i = 0; i < 256; ++i)
             im.l(0x01000000u * i + i);
         return im;
     }},
    {"CMAP: ten bytes, two longs and a cut one", T("CMAP"), [] { Image im; return im.l(1).l(0x80000002).raw({7, 8}), im; }},
};

class ResourceTemplates : public testing::TestWithParam<TemplateCase> {
protected:
    void SetUp() override { testing_support::TakeDebugMessages(); }
};

// The hand-made fork bytes become the native record, field by field, and go back to the same bytes.
TEST_P(ResourceTemplates, ConvertEveryFieldAndBack)
{
    const TemplateCase &c = GetParam();
    Image im = c.build();
    Guarded g(im.fork, im.size());
    ZEL_ByteSwap(zelSwapToNative, c.type, 128, g.size(), g.data());
    EXPECT_EQ(FirstDifference(g.contents(), im.native), "") << "to native";
    EXPECT_TRUE(g.guardIntact()) << "to native wrote past the end";
    ZEL_ByteSwap(zelSwapToBigEndian, c.type, 128, g.size(), g.data());
    EXPECT_EQ(FirstDifference(g.contents(), im.fork), "") << "back to the fork's order";
    EXPECT_TRUE(g.guardIntact()) << "to big-endian wrote past the end";
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());
}

// Every shorter prefix of the resource (a truncated resource whose counts all promise too much) is
// converted within its size, in both directions, and comes back to the bytes it started from.
TEST_P(ResourceTemplates, TruncatedStaysInsideAndRoundTrips)
{
    const TemplateCase &c = GetParam();
    Image im = c.build();
    for (size_t n = 0; n < im.size(); ++n) {
        Guarded g(im.fork, n);
        ZEL_ByteSwap(zelSwapToNative, c.type, 128, g.size(), g.data());
        ASSERT_TRUE(g.guardIntact()) << n << " bytes, to native";
        ZEL_ByteSwap(zelSwapToBigEndian, c.type, 128, g.size(), g.data());
        ASSERT_TRUE(g.guardIntact()) << n << " bytes, to big-endian";
        Bytes prefix(im.fork.begin(), im.fork.begin() + n);
        ASSERT_EQ(FirstDifference(g.contents(), prefix), "") << n << " bytes";
    }
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());
}

// Written back to its fork, a native resource becomes the big-endian bytes a Macintosh reads.
TEST_P(ResourceTemplates, NativeToForkOrder)
{
    const TemplateCase &c = GetParam();
    Image im = c.build();
    Guarded g(im.native, im.size());
    ZEL_ByteSwap(zelSwapToBigEndian, c.type, 128, g.size(), g.data());
    EXPECT_EQ(FirstDifference(g.contents(), im.fork), "");
    EXPECT_TRUE(g.guardIntact());
}

INSTANTIATE_TEST_SUITE_P(ByteSwap, ResourceTemplates, testing::ValuesIn(kTemplateCases),
                         [](const testing::TestParamInfo<TemplateCase> &info) {
                             std::string name;
                             for (const char *p = info.param.what; *p && *p != ':'; ++p)
                                 name += std::isalnum(uint8_t(*p)) ? *p : '_';
                             return name + "_" + std::to_string(info.index);
                         });

// The host's bit-field view of an alert's stages: stage 4 in the first byte, from bit 0 upward.
struct StageBits {
    uint16_t boldItm4 : 1, boxDrwn4 : 1, sound4 : 2, boldItm3 : 1, boxDrwn3 : 1, sound3 : 2;
    uint16_t boldItm2 : 1, boxDrwn2 : 1, sound2 : 2, boldItm1 : 1, boxDrwn1 : 1, sound1 : 2;
};
static_assert(sizeof(StageBits) == 2, "StageBits is one word");

TEST(ByteSwap, AlertStagesReadAsTheHostsBitFields)
{
    // Fork: stage 4 bold, sound 3; stage 3 box, sound 1; stage 2 box, sound 2; stage 1 bold, box.
    uint8_t alert[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xB5, 0x6C, 0, 0};
    ZEL_ByteSwap(zelSwapToNative, T("ALRT"), 1, sizeof alert, alert);
    StageBits s;
    std::memcpy(&s, alert + 10, 2);
    EXPECT_EQ(s.boldItm4, 1);
    EXPECT_EQ(s.boxDrwn4, 0);
    EXPECT_EQ(s.sound4, 3);
    EXPECT_EQ(s.boldItm3, 0);
    EXPECT_EQ(s.boxDrwn3, 1);
    EXPECT_EQ(s.sound3, 1);
    EXPECT_EQ(s.boldItm2, 0);
    EXPECT_EQ(s.boxDrwn2, 1);
    EXPECT_EQ(s.sound2, 2);
    EXPECT_EQ(s.boldItm1, 1);
    EXPECT_EQ(s.boxDrwn1, 1);
    EXPECT_EQ(s.sound1, 0);

    // Every byte value survives the round trip.
    for (int v = 0; v < 256; ++v) {
        uint8_t a[12] = {};
        a[10] = a[11] = uint8_t(v);
        ZEL_ByteSwap(zelSwapToNative, T("ALRT"), 1, sizeof a, a);
        ZEL_ByteSwap(zelSwapToBigEndian, T("ALRT"), 1, sizeof a, a);
        ASSERT_EQ(a[10], v);
        ASSERT_EQ(a[11], v);
    }
}

TEST(ByteSwap, TypesWithoutFieldsStayUnchangedAndSilent)
{
    testing_support::TakeDebugMessages();
    for (const char *name : {"CDEF", "FONT", "ICON", "ICN#", "icl8", "INIT", "MDEF", "PAT ", "STR ", "WDEF", "LDEF",
                             "dctb", "SICN", "TEXT", "wctb", "sfnt"}) {
        Image im;
        im.fill(21, 0x10);
        Guarded g(im.fork, im.size());
        ZEL_ByteSwap(zelSwapToNative, T(name), 1, g.size(), g.data());
        EXPECT_EQ(FirstDifference(g.contents(), im.fork), "") << name;
    }
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());
}

// Cursors go through the cursor module, which may mark the hot spot's high bytes as its own; the low
// bytes carry the hot spot and the bitmaps stay as stored.
TEST(ByteSwap, CursorsConvertTheirHotSpotWithinTheRecord)
{
    struct {
        const char *type;
        size_t recordSize;
        size_t hotSpot;
    } const cases[] = {{"CURS", 68, 64}, {"crsr", 96, 84}};
    for (const auto &c : cases) {
        Bytes fork(c.recordSize);
        for (size_t i = 0; i < c.recordSize; ++i)
            fork[i] = uint8_t(i * 13 + 1);
        fork[c.hotSpot] = 0;
        fork[c.hotSpot + 1] = 3; // v
        fork[c.hotSpot + 2] = 0;
        fork[c.hotSpot + 3] = 5; // h
        ResType type = T(c.type);

        Guarded g(fork, fork.size());
        ZEL_ByteSwap(zelSwapToNative, type, 128, g.size(), g.data());
        Bytes native = g.contents();
        EXPECT_EQ(native[c.hotSpot], 3) << c.type << " hot spot v, low byte";
        EXPECT_EQ(native[c.hotSpot + 2], 5) << c.type << " hot spot h, low byte";
        EXPECT_TRUE(std::equal(native.begin(), native.begin() + c.hotSpot, fork.begin())) << c.type;
        ZEL_ByteSwap(zelSwapToBigEndian, type, 128, g.size(), g.data());
        EXPECT_EQ(FirstDifference(g.contents(), fork), "") << c.type << " back to the fork's order";
        EXPECT_TRUE(g.guardIntact()) << c.type;

        // One byte short of a record: nothing can be converted.
        Guarded shortRecord(fork, fork.size() - 1);
        ZEL_ByteSwap(zelSwapToNative, type, 128, shortRecord.size(), shortRecord.data());
        EXPECT_EQ(FirstDifference(shortRecord.contents(), Bytes(fork.begin(), fork.end() - 1)), "") << c.type;
        EXPECT_TRUE(shortRecord.guardIntact()) << c.type;
    }
}

TEST(ByteSwap, UnknownTypeIsReportedOnceAndLeftAlone)
{
    testing_support::TakeDebugMessages();
    Bytes data = {1, 2, 3, 4, 5, 6};
    Guarded g(data, data.size());
    ZEL_ByteSwap_Code(zelSwapToNative, T("wxyz"), 5, g.size(), g.data(), nullptr);
    EXPECT_EQ(g.contents(), data);
    EXPECT_EQ(testing_support::TakeDebugMessages(), (std::vector<std::string>{"wxyz unknown byteswap type", "\r\n"}));
}

// A file's own procedure receives the types nothing else converts, in the form session flag 0x8000
// selects; types with a template never reach it.
struct FileProcCall {
    int count;
    int32_t direction;
    uint32_t type;
    int32_t id;
    int32_t size;
    void *data;
};
FileProcCall sFileProcCall;

void ZEL_CALL FileProc(int32_t direction, uint32_t type, int32_t size, void *data)
{
    sFileProcCall = {sFileProcCall.count + 1, direction, type, -1, size, data};
}

void ZEL_CALL FileProcWithID(int32_t direction, uint32_t type, int32_t id, int32_t size, void *data)
{
    sFileProcCall = {sFileProcCall.count + 1, direction, type, id, size, data};
}

TEST(ByteSwap, FileProcedureTakesUnlistedTypesInBothForms)
{
    testing_support::TakeDebugMessages();
    uint8_t data[6] = {1, 2, 3, 4, 5, 6};

    uint32_t flags = ZEL_SetFlags(zelFlagFiveArgByteSwap, 0, 0, 0);
    sFileProcCall = {};
    ZEL_ByteSwap_Code(zelSwapToNative, T("wxyz"), 300, sizeof data, data, reinterpret_cast<ProcPtr>(FileProc));
    EXPECT_EQ(sFileProcCall.count, 1);
    EXPECT_EQ(sFileProcCall.direction, 1);
    EXPECT_EQ(sFileProcCall.type, T("wxyz"));
    EXPECT_EQ(sFileProcCall.size, 6);
    EXPECT_EQ(sFileProcCall.data, data);

    ZEL_SetFlags(zelFlagFiveArgByteSwap, zelFlagFiveArgByteSwap, 0, 0);
    sFileProcCall = {};
    ZEL_ByteSwap_Code(zelSwapToBigEndian, T("wxyz"), -300, sizeof data, data,
                      reinterpret_cast<ProcPtr>(FileProcWithID));
    EXPECT_EQ(sFileProcCall.count, 1);
    EXPECT_EQ(sFileProcCall.direction, 0);
    EXPECT_EQ(sFileProcCall.type, T("wxyz"));
    EXPECT_EQ(sFileProcCall.id, -300);
    EXPECT_EQ(sFileProcCall.size, 6);
    EXPECT_EQ(sFileProcCall.data, data);
    ZEL_SetFlags(zelFlagFiveArgByteSwap, flags, 0, 0);

    sFileProcCall = {};
    uint8_t menu[14] = {0, 128};
    ZEL_ByteSwap_Code(zelSwapToNative, T("MENU"), 128, sizeof menu, menu, reinterpret_cast<ProcPtr>(FileProc));
    EXPECT_EQ(sFileProcCall.count, 0) << "a template type never reaches the file's procedure";
    EXPECT_EQ(menu[0], 128);
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());
}

TEST(ByteSwap, EmptyOrMissingDataIsLeftAlone)
{
    testing_support::TakeDebugMessages();
    sFileProcCall = {};
    uint8_t one = 0x5A;
    ZEL_ByteSwap_Code(zelSwapToNative, T("wxyz"), 1, 0, &one, reinterpret_cast<ProcPtr>(FileProc));
    ZEL_ByteSwap_Code(zelSwapToNative, T("MBAR"), 1, -4, &one, nullptr);
    ZEL_ByteSwap_Code(zelSwapToNative, T("MBAR"), 1, 8, nullptr, nullptr);
    EXPECT_EQ(one, 0x5A);
    EXPECT_EQ(sFileProcCall.count, 0);
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());
}

// ---- Primitives ----

TEST(ByteOrder, ReversingPrimitivesTouchOnlyTheirBytes)
{
    struct {
        const char *name;
        void(ZEL_CALL *swap)(void *);
        int width;
    } const cases[] = {
        {"WORD", ZEL_ByteSwapWORD, 2},     {"LONG", ZEL_ByteSwapLONG, 4},         {"FLOAT", ZEL_ByteSwapFLOAT, 4},
        {"DOUBLE", ZEL_ByteSwapDOUBLE, 8}, {"EXTENDED", ZEL_ByteSwapEXTENDED, 8}, {"881", ZEL_ByteSwap881, 12},
    };
    for (const auto &c : cases) {
        uint8_t buf[17];
        for (int i = 0; i < 17; ++i)
            buf[i] = uint8_t(0x10 + i);
        c.swap(buf + 1); // unaligned on purpose
        EXPECT_EQ(buf[0], 0x10) << c.name;
        for (int i = 0; i < c.width; ++i)
            EXPECT_EQ(buf[1 + i], 0x10 + c.width - i) << c.name << " byte " << i;
        for (int i = 1 + c.width; i < 17; ++i)
            EXPECT_EQ(buf[i], 0x10 + i) << c.name << " byte " << i << " lies outside";
    }
}

TEST(ByteOrder, RunPrimitivesConvertWholeElementsOnly)
{
    struct {
        const char *name;
        void (*swap)(void *, int);
        int width;
        int byteCount;
        int converted; // whole elements
    } const cases[] = {
        {"Rect", [](void *p, int) { ZEL_ByteSwapRect(p); }, 2, 8, 4},
        {"WORDS of 7 bytes", [](void *p, int n) { ZEL_ByteSwapWORDS(p, n); }, 2, 7, 3},
        {"WORDS of -2 bytes", [](void *p, int n) { ZEL_ByteSwapWORDS(p, n); }, 2, -2, 0},
        {"LONGS of 10 bytes", [](void *p, int n) { ZEL_ByteSwapLONGS(p, n); }, 4, 10, 2},
        {"FLOATS of 10 bytes", [](void *p, int n) { ZEL_ByteSwapFLOATS(p, int16_t(n)); }, 4, 10, 2},
        {"FLOATS of -8 bytes", [](void *p, int n) { ZEL_ByteSwapFLOATS(p, int16_t(n)); }, 4, -8, 0},
    };
    for (const auto &c : cases) {
        uint8_t buf[21], want[21];
        for (int i = 0; i < 21; ++i)
            buf[i] = want[i] = uint8_t(i + 1);
        for (int e = 0; e < c.converted; ++e)
            std::reverse(want + 1 + e * c.width, want + 1 + (e + 1) * c.width);
        c.swap(buf + 1, c.byteCount);
        EXPECT_EQ(std::memcmp(buf, want, sizeof buf), 0) << c.name;
    }
}

TEST(ByteOrder, RunsAcrossA64KBoundaryConvertEveryElement)
{
    auto *base = static_cast<uint8_t *>(VirtualAlloc(nullptr, 0x20000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(base, nullptr);
    uint8_t *boundary = reinterpret_cast<uint8_t *>((reinterpret_cast<uintptr_t>(base) + 0x10000) & ~uintptr_t(0xFFFF));
    for (int width : {2, 4}) {
        uint8_t *p = boundary - 7; // one element straddles the boundary
        for (int i = 0; i < 24; ++i)
            p[i] = uint8_t(i);
        if (width == 2)
            ZEL_ByteSwapWORDS(p, 24);
        else
            ZEL_ByteSwapLONGS(p, 24);
        for (int e = 0; e < 24 / width; ++e)
            for (int i = 0; i < width; ++i)
                ASSERT_EQ(p[e * width + i], e * width + width - 1 - i) << "width " << width << " element " << e;
    }
    VirtualFree(base, 0, MEM_RELEASE);
}

TEST(ByteOrder, GettersReadBigEndianValues)
{
    const uint8_t bytes[] = {0x00, 0xFF, 0xFE, 0x12, 0x34, 0x56, 0x78, 0x80, 0x01, 0x00, 0x02, 0xFF, 0xFF};
    EXPECT_EQ(ZEL_GetByteSwapWORD(bytes + 1), -2);
    EXPECT_EQ(ZEL_GetByteSwapWORD(bytes + 3), 0x1234);
    EXPECT_EQ(ZEL_GetByteSwapLONG(bytes + 3), 0x12345678u);
    EXPECT_EQ(ZEL_GetByteSwapLONG(bytes + 7), 0x80010002u);

    Image im;
    im.rect(-1, 2, 300, -400);
    Rect r;
    ZEL_GetByteSwapRect(im.fork.data(), &r);
    EXPECT_EQ(r.top, -1);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 300);
    EXPECT_EQ(r.right, -400);
}

TEST(ByteOrder, RectangleConversions)
{
    Rect mac = {-1, 2, 3, 4};
    RECT win;
    ZEL_ConvMRtoWR(&mac, &win);
    EXPECT_EQ(win.left, 2);
    EXPECT_EQ(win.top, -1);
    EXPECT_EQ(win.right, 4);
    EXPECT_EQ(win.bottom, 3);

    RECT wide = {0x12345, -5, 70000, -32768};
    ZEL_ConvWRtoMR(&wide, &mac);
    EXPECT_EQ(mac.left, 0x2345) << "cut to 16 bits";
    EXPECT_EQ(mac.top, -5);
    EXPECT_EQ(mac.right, int16_t(70000 & 0xFFFF));
    EXPECT_EQ(mac.bottom, -32768);
}

TEST(ByteOrder, ResourceMapEntries)
{
    Image type;
    type.l(T("MENU")).w(2).w(0x0012);
    Bytes b = type.fork;
    ByteSwapResTypeEntry(b.data());
    EXPECT_EQ(b, type.native);

    Image ref;
    ref.w(uint16_t(-16096)).w(0xFFFF).l(0x04000123).l(0);
    b = ref.fork;
    ByteSwapResRefEntry(b.data());
    EXPECT_EQ(b, ref.native);
}

TEST(ByteOrder, ColorTableInMemory)
{
    Image im;
    ColorTable(im, 1, 2).fill(8, 0x70);
    Bytes b = im.fork;
    ZEL_ByteSwapCLUT(zelSwapToNative, b.data());
    EXPECT_EQ(FirstDifference(b, im.native), "");
    ZEL_ByteSwapCLUT(zelSwapToBigEndian, b.data());
    EXPECT_EQ(FirstDifference(b, im.fork), "");

    // An empty table (size -1) is its 8-byte header only.
    Image empty;
    ColorTable(empty, 0xFFFF, 0).fill(16, 0x30);
    Guarded g(empty.fork, 8);
    ZEL_ByteSwapCLUT(zelSwapToNative, g.data());
    EXPECT_EQ(FirstDifference(g.contents(), Bytes(empty.native.begin(), empty.native.begin() + 8)), "");
    EXPECT_TRUE(g.guardIntact());
}

} // namespace

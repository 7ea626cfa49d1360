// Toolbox utilities: Fixed and Fract arithmetic against its formulas in 64-bit integers, the circle
// functions against the C runtime, bits, PackBits, Munger against the same edits on std::string, the
// character table through UpperString and RelString, and the string-list resources.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "FixMath.h"
#include "MacMemory.h"
#include "Resources.h"
#include "TextUtils.h"
#include "ToolUtils.h"
#include "test_support.h"

using testing_support::P;

namespace {

// ---- Fixed and Fract ----

const int32_t kOperands[] = {0, 1, -1, 0x8000, -0x8000, 0x10000, -0x10000, 0x18000, -0x18000, 0x7FFFFFFF,
                             INT32_MIN, 12345678, -987654, 0x40000000, 3};

int32_t Low32(int64_t x) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(x))); }
int64_t Mag(int32_t x) { return x < 0 ? -static_cast<int64_t>(x) : x; }

TEST(FixedMath, ProductsAndQuotientsFollowTheirFormulas)
{
    for (int32_t a : kOperands) {
        for (int32_t b : kOperands) {
            int32_t mul = a == 0x10000 ? b : b == 0x10000 ? a : Low32((static_cast<int64_t>(a) * b + 0x8000) >> 16);
            EXPECT_EQ(FixMul(a, b), mul) << a << " x " << b;
            int32_t div;
            if (b == 0x10000)
                div = a;
            else if (!b)
                div = a < 0 ? INT32_MIN : INT32_MAX;
            else {
                int64_t q = Mag(a) / 32768 >= Mag(b) ? INT32_MAX : (Mag(a) * 65536 + Mag(b) / 2) / Mag(b);
                div = static_cast<int32_t>((a < 0) != (b < 0) ? -q : q);
            }
            EXPECT_EQ(FixDiv(a, b), div) << a << " / " << b;
            EXPECT_EQ(FracMul(a, b), Low32((static_cast<int64_t>(a) * b) >> 30)) << a << " x " << b;
            int32_t fdiv;
            if (!b) {
                fdiv = a >= 0 ? INT32_MAX : INT32_MIN;
            } else if (Mag(a) / 2 >= Mag(b)) {
                fdiv = (a < 0) == (b < 0) ? INT32_MAX : INT32_MIN;
            } else {
                fdiv = Low32(static_cast<int64_t>(a) * 0x40000000 / b);
            }
            EXPECT_EQ(FracDiv(a, b), fdiv) << a << " / " << b;
        }
    }
}

TEST(FixedMath, Cases)
{
    EXPECT_EQ(FixRatio(1, 0), 0x7FFFFFFF);
    EXPECT_EQ(FixRatio(-1, 0), static_cast<Fixed>(0x80000001));
    EXPECT_EQ(FixRatio(0, 0), 0x10000) << "n = d";
    EXPECT_EQ(FixRatio(-7, 2), -0x38000);
    EXPECT_EQ(FixRatio(1, 3), 0x5555) << "truncated toward zero";
    EXPECT_EQ(FixRatio(-1, 3), -0x5555);
    EXPECT_EQ(FixDiv(0x10000, 0), 0x7FFFFFFF);
    EXPECT_EQ(FixDiv(INT32_MIN, 0x20000), -0x40000000) << "no overflow of |0x80000000|";
    EXPECT_EQ(FixDiv(0x7FFFFFFF, 1), 0x7FFFFFFF) << "saturates";
    EXPECT_EQ(FixDiv(-0x7FFFFFFF, 1), -0x7FFFFFFF);
    EXPECT_EQ(FracDiv(-1, 0), INT32_MIN);
    EXPECT_EQ(FracDiv(INT32_MIN, INT32_MIN), 0x40000000);
    EXPECT_EQ(FixMul(-91750, 1), -1) << "-1.4 in the last place rounds to -1, not toward zero";
    EXPECT_EQ(FixMul(0x10000, INT32_MIN), INT32_MIN);
    EXPECT_EQ(FixRound(0x18000), 2);
    EXPECT_EQ(FixRound(-0x18000), -2) << "halves away from zero";
    EXPECT_EQ(FixRound(-0x14000), -1);
    EXPECT_EQ(FixRound(-0x30000), -3);
    EXPECT_EQ(Fix2Long(-0x18000), -1) << "halves upward";
    EXPECT_EQ(Fix2Long(0x18000), 2);
    EXPECT_EQ(Fix2Long(-0x14000), -1);
    EXPECT_EQ(Long2Fix(-3), -0x30000);
    EXPECT_EQ(Long2Fix(0x12345), 0x23450000) << "no saturation";
    EXPECT_EQ(Frac2Fix(-0x40000000), -0x10000);
    EXPECT_EQ(Fix2Frac(-0x10000), static_cast<Fract>(0xC0000000));
    EXPECT_EQ(Fix2Frac(0x20000), 0x7FFFFFFF);
    EXPECT_EQ(Fix2X(-0x18000), -1.5);
    EXPECT_EQ(Frac2X(0x60000000), 1.5);
    struct {
        double x;
        Fixed fixed;
        Fract fract;
    } conversions[] = {
        {1.5, 0x18000, 0x60000000},
        {-1.5, -0x18000, static_cast<Fract>(0xA0000000)},
        {0.00001, 1, 10737},
        {32767.99999, 0x7FFFFFFF, 0},
        {32768.0, 0x7FFFFFFF, 0},
        {-32768.0, INT32_MIN, 0},
        {-40000.0, INT32_MIN, 0},
        {1.99999999999, 0x20000, INT32_MIN},
        {1e300, 0x7FFFFFFF, INT32_MIN},
        {std::nan(""), INT32_MIN, INT32_MIN},
    };
    for (const auto &c : conversions) {
        EXPECT_EQ(X2Fix(c.x), c.fixed) << c.x;
        if (c.fract) {
            EXPECT_EQ(X2Frac(c.x), c.fract) << c.x;
        }
    }
    EXPECT_EQ(X2Frac(3.0), static_cast<Fract>(0xC0000000)) << "low 32 bits of 3 x 2^30";
}

TEST(FixedMath, SquareRoot)
{
    EXPECT_EQ(FracSqrt(0x40000000), 0x40000000);
    EXPECT_EQ(FracSqrt(0x10000000), 0x20000000);
    EXPECT_EQ(FracSqrt(0), 0);
    EXPECT_EQ(static_cast<uint32_t>(FracSqrt(static_cast<Fract>(0xFFFFFFFF))), 0x80000000u) << "unsigned, rounded";
    std::mt19937 random(7);
    for (int i = 0; i < 1000; ++i) {
        uint32_t f = random();
        double exact = std::sqrt(static_cast<double>(f) / 1073741824.0) * 1073741824.0;
        EXPECT_LE(std::fabs(static_cast<uint32_t>(FracSqrt(static_cast<Fract>(f))) - exact), 0.5 + 1e-6) << f;
    }
}

TEST(FixedMath, CircleFunctions)
{
    const double tolerance = 1.0 / 16384;
    for (int32_t a = -4 * 205888; a <= 4 * 205888; a += 997) {
        double radians = a / 65536.0;
        EXPECT_NEAR(FracSin(a) / 1073741824.0, std::sin(radians), tolerance) << a;
        EXPECT_NEAR(FracCos(a) / 1073741824.0, std::cos(radians), tolerance) << a;
    }
    for (int degree = 0; degree < 360; ++degree) {
        double t = degree * 3.14159265358979323846 / 180;
        for (double radius : {3.0, 1000.0, 1e9}) {
            int32_t x = static_cast<int32_t>(std::lround(radius * std::cos(t)));
            int32_t y = static_cast<int32_t>(std::lround(radius * std::sin(t)));
            if (!x && !y)
                continue;
            EXPECT_NEAR(FixATan2(x, y) / 65536.0, std::atan2(y, x), tolerance) << x << ", " << y;
        }
    }
    EXPECT_EQ(FracSin(0), 0);
    EXPECT_EQ(FracCos(0), 0x40000000);
    EXPECT_EQ(FracSin(102944), 0x40000000);
    EXPECT_EQ(FracSin(-102944), -0x40000000);
    EXPECT_EQ(FracCos(102944), 0);
    EXPECT_EQ(FracSin(205888), 0);
    EXPECT_EQ(FracCos(205888), -0x40000000);
    // |0x80000000| does not overflow: its sine is that of the angle reduced by the library's circle of
    // 8 x 51472 units.
    double reduced = -static_cast<double>((1ll << 31) % (8 * 51472)) / 65536.0;
    EXPECT_NEAR(FracSin(INT32_MIN) / 1073741824.0, std::sin(reduced), tolerance);
    EXPECT_NEAR(FracCos(INT32_MIN) / 1073741824.0, std::cos(reduced), tolerance);
    EXPECT_EQ(FixATan2(0, 0), 0);
    EXPECT_EQ(FixATan2(5, 0), 0);
    EXPECT_EQ(FixATan2(-5, 0), 205888);
    EXPECT_EQ(FixATan2(0, 5), 102944);
    EXPECT_EQ(FixATan2(0, -5), -102944);
    EXPECT_NEAR(FixATan2(INT32_MIN, INT32_MIN) / 65536.0, -3 * 3.14159265358979 / 4, tolerance);
    struct {
        Fixed slope;
        int16_t degrees;
    } slopes[] = {{0, 0}, {0x10000, 45}, {-0x10000, -45}, {0x7FFFFFFF, 90}, {INT32_MIN, -90},
                  {0x376CF, 74}, {-0x376CF, -74}, {0x4000, 14}, {-0x4000, -14}};
    for (const auto &s : slopes)
        EXPECT_EQ(AngleFromSlope(s.slope), s.degrees) << s.slope;
}

// ---- Bits, words, points ----

TEST(Bits, NumberedFromTheMostSignificantBitOfTheFirstByte)
{
    std::vector<uint8_t> area(100000, 0);
    area[0] = 0x80;
    EXPECT_TRUE(BitTst(area.data(), 0));
    EXPECT_FALSE(BitTst(area.data(), 1));
    struct {
        int32_t bit;
        size_t byte;
        uint8_t mask;
    } cases[] = {{1, 0, 0x40}, {7, 0, 0x01}, {8, 1, 0x80}, {13, 1, 0x04},
                 {65536 * 8 + 3, 65536, 0x10} /* beyond 64 KB, not wrapped */, {32767 * 8 + 7, 32767, 0x01},
                 {32768 * 8, 32768, 0x80} /* not a negative index */};
    for (const auto &c : cases) {
        BitSet(area.data(), c.bit);
        EXPECT_EQ(area[c.byte], c.byte == 0 ? (0x80 | c.mask) : c.mask) << c.bit;
        EXPECT_TRUE(BitTst(area.data(), c.bit)) << c.bit;
        BitClr(area.data(), c.bit);
        EXPECT_EQ(area[c.byte], c.byte == 0 ? 0x80 : 0) << c.bit;
    }
    EXPECT_EQ(BitAnd(0x0FF0, 0x00FF), 0x00F0);
    EXPECT_EQ(BitOr(0x0F00, 0x00F0), 0x0FF0);
    EXPECT_EQ(BitXor(-1, 0x0F), -16);
    EXPECT_EQ(BitShift(1, 4), 16);
    EXPECT_EQ(BitShift(1, 36), 16) << "count mod 32";
    EXPECT_EQ(BitShift(-64, -4), -4) << "arithmetic right";
    EXPECT_EQ(BitShift(-64, -36), -4);
    EXPECT_EQ(BitShift(123, 0), 123);
    EXPECT_EQ(BitShift(3, 31), INT32_MIN);
    EXPECT_EQ(HiWord(0x12345678), 0x1234);
    EXPECT_EQ(LoWord(0x1234ABCD), static_cast<int16_t>(0xABCD));
    EXPECT_EQ(HiWord(static_cast<int32_t>(0xFFFE0000)), -2);
    EXPECT_EQ(DeltaPoint(Point{10, 3}, Point{4, 5}), static_cast<int32_t>(0x0006FFFE));
}

// ---- PackBits ----

std::vector<uint8_t> Pack(const std::vector<uint8_t> &data, bool large)
{
    std::vector<uint8_t> out(data.size() + data.size() / 127 + 16, 0xEE);
    Ptr src = reinterpret_cast<Ptr>(const_cast<uint8_t *>(data.data()));
    Ptr dst = reinterpret_cast<Ptr>(out.data());
    if (large)
        HPackBits(&src, &dst, static_cast<int32_t>(data.size()));
    else
        PackBits(&src, &dst, static_cast<int16_t>(data.size()));
    EXPECT_EQ(src, reinterpret_cast<Ptr>(const_cast<uint8_t *>(data.data())) + data.size()) << "source advanced";
    out.resize(dst - reinterpret_cast<Ptr>(out.data()));
    return out;
}

std::vector<uint8_t> Unpack(const std::vector<uint8_t> &packed, size_t size, bool large)
{
    std::vector<uint8_t> out(size + 8, 0xEE);
    Ptr src = reinterpret_cast<Ptr>(const_cast<uint8_t *>(packed.data()));
    Ptr dst = reinterpret_cast<Ptr>(out.data());
    if (large)
        HUnpackBits(&src, &dst, static_cast<int32_t>(size));
    else
        UnpackBits(&src, &dst, static_cast<int16_t>(size));
    EXPECT_EQ(src, reinterpret_cast<Ptr>(const_cast<uint8_t *>(packed.data())) + packed.size()) << "source advanced";
    EXPECT_EQ(dst, reinterpret_cast<Ptr>(out.data()) + size) << "destination advanced";
    EXPECT_EQ(out[size], 0xEE) << "nothing written past the destination bytes";
    out.resize(size);
    return out;
}

TEST(PackBitsCoding, RoundTripsAndRuns)
{
    std::mt19937 random(42);
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> data(random() % 3000);
        // Runs and noise mixed: a few distinct values make runs likely.
        for (uint8_t &b : data)
            b = static_cast<uint8_t>(random() % (i % 2 ? 3 : 256));
        bool large = data.size() > 2000;
        EXPECT_EQ(Unpack(Pack(data, large), data.size(), large), data) << i;
    }
    EXPECT_EQ(Pack(std::vector<uint8_t>(200, 0x5A), false), (std::vector<uint8_t>{0x82, 0x5A, 0xB8, 0x5A}))
        << "200 equal bytes: (-126, b) (-72, b)";
    EXPECT_EQ(Unpack({0xFD, 0xAA}, 4, false), (std::vector<uint8_t>(4, 0xAA)));
    EXPECT_EQ(Pack({1, 2, 3}, false), (std::vector<uint8_t>{2, 1, 2, 3})) << "a literal group";
    EXPECT_EQ(Pack({7, 7, 7, 1}, false), (std::vector<uint8_t>{0xFE, 7, 0, 1})) << "a run, then a literal";
    EXPECT_EQ(Pack(std::vector<uint8_t>(128, 9), false), (std::vector<uint8_t>{0x82, 9, 0, 9}))
        << "a remainder of one";
}

// ---- Munger ----

Handle HandleOf(const std::string &s)
{
    Handle h = NewHandle(static_cast<Size>(s.size()));
    if (!s.empty())
        std::memcpy(*h, s.data(), s.size());
    return h;
}

std::string Contents(Handle h) { return std::string(*h, GetHandleSize(h)); }

const void *const kGap = reinterpret_cast<const void *>(-1);

TEST(MungerEdits, MatchTheSameEditsOnStdString)
{
    // Sources inside the handle are given as offsets into it (-1 for none).
    struct Case {
        const char *what;
        std::string start;
        int32_t offset;
        const char *find;  // ptr1 (nullptr for none)
        int32_t len1;
        const char *with;  // ptr2 (nullptr for none, "\x01" for the gap)
        int32_t len2;
        int32_t ownSource; // ptr2 taken from the handle at this offset
        std::string expected;
        int32_t result;
    } cases[] = {
        {"find", "hello world", 0, "world", 5, nullptr, 0, -1, "hello world", 6},
        {"find from an offset", "abcabc", 1, "abc", 3, nullptr, 0, -1, "abcabc", 3},
        {"find nothing", "abcabc", 0, "xyz", 3, nullptr, 0, -1, "abcabc", -1},
        {"a search never reads past the end", "abcab", 3, "abc", 3, nullptr, 0, -1, "abcab", -1},
        {"replace by longer", "hello world", 0, "world", 5, "there!", 6, -1, "hello there!", 12},
        {"replace by shorter", "hello world", 0, "hello", 5, "hi", 2, -1, "hi world", 2},
        {"replace by equal", "hello world", 0, "o", 1, "0", 1, -1, "hell0 world", 5},
        {"replace from the second match", "aXbXc", 2, "X", 1, "--", 2, -1, "aXb--c", 5},
        {"insert", "hello world", 5, nullptr, 0, ",", 1, -1, "hello, world", 6},
        {"insert at the end", "abc", 3, nullptr, 0, "de", 2, -1, "abcde", 5},
        {"insert past the end pads with zeros", "abc", 5, nullptr, 0, "x", 1, -1, std::string("abc\0\0x", 6), 6},
        {"delete", "hello world", 5, nullptr, 6, nullptr, 0, -1, "hello", 5},
        {"delete reaching past the end", "hello world", 5, nullptr, 100, nullptr, 0, -1, "hello", 5},
        {"delete with a negative length", "hello world", 2, nullptr, -1, nullptr, 0, -1, "he", 2},
        {"replace at offset, to the end", "hello world", 6, nullptr, -1, "you", 3, -1, "hello you", 9},
        {"replace at offset, len1 bytes", "hello world", 0, nullptr, 5, "howdy", 5, -1, "howdy world", 5},
        {"offset at the end finds nothing", "abc", 3, "a", 1, nullptr, 0, -1, "abc", -1},
        {"offset past the end", "abc", 4, "a", 1, "b", 1, -1, "abc", -1},
        {"delete past the end", "abc", 4, nullptr, 1, nullptr, 0, -1, "abc", -1},
        {"insert from the handle's own bytes", "abcdef", 0, nullptr, 0, "", 3, 3, "defabcdef", 3},
        {"replace by the handle's own tail", "abcdef", 0, "ab", 2, "", 4, 2, "cdefcdef", 4},
    };
    for (const Case &c : cases) {
        Handle h = HandleOf(c.start);
        const void *ptr2 = c.with;
        if (c.ownSource >= 0)
            ptr2 = *h + c.ownSource;
        int32_t result = Munger(h, c.offset, c.find, c.len1, ptr2, c.len2);
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(Contents(h), c.expected) << c.what;
        DisposeHandle(h);
    }
    // The gap: ptr2 = -1 inserts len2 bytes without copying.
    Handle h = HandleOf("abcdef");
    EXPECT_EQ(Munger(h, 2, nullptr, 0, kGap, 3), 5);
    std::string after = Contents(h);
    EXPECT_EQ(after.size(), 9u);
    EXPECT_EQ(after.substr(0, 2), "ab");
    EXPECT_EQ(after.substr(5), "cdef");
    DisposeHandle(h);
}

// A target of ptr1 = -1 (no bytes to search for) is found at the offset, and a len1 reaching past the
// handle is clipped to its end, as for a target at an offset: the replacement never moves bytes that are
// not there.
TEST(MungerEdits, NoBytesTargetIsClippedToTheHandle)
{
    const struct {
        int32_t offset, len1;
        std::string expected;
        int32_t result;
    } cases[] = {
        {0, 100, "ab", 2},
        {4, 100, "0123ab", 6},
        {4, 3, "0123ab789", 6},
        {10, 1, "0123456789ab", 12},
    };
    for (const auto &c : cases) {
        Handle h = HandleOf("0123456789");
        EXPECT_EQ(Munger(h, c.offset, kGap, c.len1, "ab", 2), c.result) << c.offset << " " << c.len1;
        EXPECT_EQ(Contents(h), c.expected) << c.offset << " " << c.len1;
        DisposeHandle(h);
    }
}

// Random edits on a handle and on a std::string give the same bytes.
TEST(MungerEdits, RandomEditsAgreeWithStdString)
{
    std::mt19937 random(3);
    std::string model = "the quick brown fox jumps over the lazy dog";
    Handle h = HandleOf(model);
    const char *words[] = {"the", "o", "fox", "zz", "", "dog!"};
    for (int i = 0; i < 300; ++i) {
        std::string find = words[random() % 6], with = words[random() % 6];
        int32_t offset = static_cast<int32_t>(random() % (model.size() + 1));
        int32_t result = Munger(h, offset, find.empty() ? nullptr : find.c_str(), static_cast<int32_t>(find.size()),
                                with.c_str(), static_cast<int32_t>(with.size()));
        int32_t expected;
        if (find.empty() && !with.empty()) {
            model.insert(offset, with);
            expected = offset + static_cast<int32_t>(with.size());
        } else if (find.empty()) {
            expected = offset; // ptr1 = 0 with len1 = 0 finds at the offset; nothing replaced
        } else {
            size_t at = model.find(find, offset);
            if (at == std::string::npos) {
                expected = -1;
            } else {
                model.replace(at, find.size(), with);
                expected = static_cast<int32_t>(at + with.size());
            }
        }
        ASSERT_EQ(result, expected) << i;
        ASSERT_EQ(Contents(h), model) << i;
    }
    DisposeHandle(h);
}

// ---- The character table ----

struct Row {
    uint8_t upper, lower, primary, secondary;
};

// The published rows of 0x80..0xFF that are not the identity.
const uint8_t kListed[][5] = {
    {0x80, 0x80, 0x8A, 0x41, 4},  {0x81, 0x81, 0x8C, 0x41, 6},  {0x82, 0x82, 0x8D, 0x43, 1},
    {0x83, 0x83, 0x8E, 0x45, 1},  {0x84, 0x84, 0x96, 0x4E, 5},  {0x85, 0x85, 0x9A, 0x4F, 4},
    {0x86, 0x86, 0x9F, 0x55, 4},  {0x87, 0xE7, 0x87, 0x41, 11}, {0x88, 0xCB, 0x88, 0x41, 12},
    {0x89, 0xE5, 0x89, 0x41, 13}, {0x8A, 0x80, 0x8A, 0x41, 14}, {0x8B, 0xCC, 0x8B, 0x41, 15},
    {0x8C, 0x81, 0x8C, 0x41, 16}, {0x8D, 0x82, 0x8D, 0x43, 11}, {0x8E, 0x83, 0x8E, 0x45, 11},
    {0x8F, 0xE9, 0x8F, 0x45, 12}, {0x90, 0xE6, 0x90, 0x45, 13}, {0x91, 0xE8, 0x91, 0x45, 14},
    {0x92, 0xEA, 0x92, 0x49, 11}, {0x93, 0xED, 0x93, 0x49, 12}, {0x94, 0xEB, 0x94, 0x49, 13},
    {0x95, 0xEC, 0x95, 0x49, 14}, {0x96, 0x84, 0x96, 0x4E, 15}, {0x97, 0xEE, 0x97, 0x4F, 11},
    {0x98, 0xF1, 0x98, 0x4F, 12}, {0x99, 0xEF, 0x99, 0x4F, 13}, {0x9A, 0x85, 0x9A, 0x4F, 14},
    {0x9B, 0xCD, 0x9B, 0x4F, 15}, {0x9C, 0xF2, 0x9C, 0x55, 11}, {0x9D, 0xF4, 0x9D, 0x55, 12},
    {0x9E, 0xF3, 0x9E, 0x55, 13}, {0x9F, 0x86, 0x9F, 0x55, 14}, {0xAE, 0xAE, 0xBE, 0xAE, 0},
    {0xAF, 0xAF, 0xBF, 0xAF, 0},  {0xBE, 0xAE, 0xBE, 0xAE, 10}, {0xBF, 0xAF, 0xBF, 0xAF, 10},
    {0xCB, 0xCB, 0x88, 0x41, 2},  {0xCC, 0xCC, 0x8B, 0x41, 5},  {0xCD, 0xCD, 0x9B, 0x4F, 5},
    {0xCE, 0xCE, 0xCF, 0xCE, 0},  {0xCF, 0xCE, 0xCF, 0xCE, 10}, {0xD8, 0xD9, 0xD8, 0x59, 14},
    {0xD9, 0xD9, 0xD8, 0x59, 4},  {0xE5, 0xE5, 0x89, 0x41, 3},  {0xE6, 0xE6, 0x90, 0x45, 3},
    {0xE7, 0xE7, 0x87, 0x41, 1},  {0xE8, 0xE8, 0x91, 0x45, 4},  {0xE9, 0xE9, 0x8F, 0x45, 2},
    {0xEA, 0xEA, 0x92, 0x49, 1},  {0xEB, 0xEB, 0x94, 0x49, 3},  {0xEC, 0xEC, 0x95, 0x49, 4},
    {0xED, 0xED, 0x93, 0x49, 2},  {0xEE, 0xEE, 0x97, 0x4F, 1},  {0xEF, 0xEF, 0x99, 0x4F, 3},
    {0xF1, 0xF1, 0x98, 0x4F, 2},  {0xF2, 0xF2, 0x9C, 0x55, 1},  {0xF3, 0xF3, 0x9E, 0x55, 3},
    {0xF4, 0xF4, 0x9D, 0x55, 2},
};

std::vector<Row> PublishedTable()
{
    std::vector<Row> t(256);
    for (int c = 0; c < 256; ++c) {
        uint8_t u = static_cast<uint8_t>(c);
        t[c] = {u, u, u, 0};
        if (c >= 'a' && c <= 'z')
            t[c] = {static_cast<uint8_t>(c - 32), u, static_cast<uint8_t>(c - 32), 10};
        if (c >= 'A' && c <= 'Z')
            t[c].lower = static_cast<uint8_t>(c + 32);
    }
    for (const auto &r : kListed)
        t[r[0]] = {r[1], r[2], r[3], r[4]};
    return t;
}

int Sign(int d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

TEST(CharacterTable, UpperStringOverAllCodes)
{
    std::vector<Row> t = PublishedTable();
    for (bool diacritics : {false, true}) {
        unsigned char s[256];
        s[0] = 255;
        for (int i = 1; i <= 255; ++i)
            s[i] = static_cast<unsigned char>(i);
        UpperString(s, diacritics);
        for (int c = 1; c <= 255; ++c)
            EXPECT_EQ(s[c], diacritics ? t[c].upper : t[c].primary) << c << (diacritics ? " marks kept" : "");
    }
}

// Every pair of one-character strings in all four flag pairs.
TEST(CharacterTable, RelStringOverAllPairs)
{
    std::vector<Row> t = PublishedTable();
    int failures = 0;
    for (int a = 0; a < 256 && failures < 20; ++a) {
        for (int b = 0; b < 256; ++b) {
            unsigned char sa[2] = {1, static_cast<unsigned char>(a)}, sb[2] = {1, static_cast<unsigned char>(b)};
            int primary = Sign(t[a].primary - t[b].primary);
            int neither = primary;
            int both = primary ? primary : Sign(t[a].secondary - t[b].secondary);
            int marks = primary ? primary : Sign(t[t[a].upper].secondary - t[t[b].upper].secondary);
            bool upperA = t[a].secondary < 10, upperB = t[b].secondary < 10;
            int cases = primary ? primary : upperA == upperB ? 0 : upperA ? -1 : 1;
            struct {
                bool caseSensitive, diacSensitive;
                int expected;
            } modes[] = {{false, false, neither}, {true, true, both}, {false, true, marks}, {true, false, cases}};
            for (const auto &m : modes) {
                int got = RelString(sa, sb, m.caseSensitive, m.diacSensitive);
                if (got != m.expected && ++failures <= 20)
                    ADD_FAILURE() << a << " vs " << b << " case " << m.caseSensitive << " marks " << m.diacSensitive
                                  << ": " << got << ", expected " << m.expected;
            }
        }
    }
}

TEST(CharacterTable, RelStringOfWords)
{
    struct {
        const char *a, *b;
        bool caseSensitive, diacSensitive;
        int16_t expected;
    } cases[] = {
        {"apple", "Apple", false, false, 0},  {"apple", "Apple", true, true, 1},
        {"apple", "Apple", true, false, 1},   {"apple", "Apple", false, true, 0},
        {"ab", "abc", false, false, -1},      {"abc", "ab", true, true, 1},
        {"Zebra", "apple", false, false, 1},  {"\x8A" "b", "ab", false, true, 1} /* a diaeresis after a */,
        {"\x8A" "b", "ab", false, false, 0},  {"", "", true, true, 0},
        {"Ab", "aB", true, false, -1},        {"\x80", "\x8A", false, true, 0} /* upper forms compared */,
    };
    for (const auto &c : cases)
        EXPECT_EQ(RelString(P(c.a).c_str(), P(c.b).c_str(), c.caseSensitive, c.diacSensitive), c.expected)
            << c.a << " vs " << c.b << " case " << c.caseSensitive << " marks " << c.diacSensitive;
}

// ---- Strings and string lists ----

TEST(StringResources, NewAndSetString)
{
    StringHandle h = NewString(P("hello").c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(h)), 6);
    EXPECT_EQ(std::memcmp(*h, "\5hello", 6), 0);
    SetString(h, P("hi").c_str());
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(h)), 3);
    EXPECT_EQ(std::memcmp(*h, "\2hi", 3), 0);
    DisposeHandle(reinterpret_cast<Handle>(h));
}

Handle ListHandle(int16_t count, const std::string &entries)
{
    Handle h = NewHandle(2 + static_cast<Size>(entries.size()));
    std::memcpy(*h, &count, 2);
    std::memcpy(*h + 2, entries.data(), entries.size());
    return h;
}

TEST(StringResources, IndexedStringsAndPatterns)
{
    SetResLoad(true);
    CreateResFile(P("ToolboxUtils.rsr").c_str());
    int16_t ref = OpenResFile(P("ToolboxUtils.rsr").c_str());
    ASSERT_GT(ref, 0);
    const ResType strList = 0x53545223, patList = 0x50415423;
    // Three strings, the third claiming more bytes than the resource holds; a count of 5.
    Handle strings = ListHandle(5, std::string("\3one\3two\11thr", 12));
    AddResource(strings, strList, 128, P("").c_str());
    Handle patterns = ListHandle(3, std::string(8, '\x11') + std::string(8, '\x22') + std::string(4, '\x33'));
    AddResource(patterns, patList, 128, P("").c_str());
    ASSERT_EQ(ResError(), noErr);

    struct {
        int16_t index;
        const char *expected;
        const char *what;
    } strCases[] = {{1, "one", "first"}, {2, "two", "second"}, {3, "", "past the handle's end"},
                    {0, "", "index 0"},  {6, "", "beyond the count"}, {-1, "", "negative"}};
    for (const auto &c : strCases) {
        Str255 s;
        s[0] = 9;
        GetIndString(s, 128, c.index);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(s + 1), s[0]), c.expected) << c.what;
    }
    Str255 missing;
    GetIndString(missing, 999, 1);
    EXPECT_EQ(missing[0], 0) << "a missing resource";
    EXPECT_NE(*strings, nullptr) << "a 'STR#' in memory before the call stays there";
    EXPECT_EQ(GetHandleSize(strings), 14);

    Pattern p;
    GetIndPattern(&p, 128, 2);
    EXPECT_EQ(p.pat[0], 0x22);
    std::memset(&p, 0x77, sizeof p);
    GetIndPattern(&p, 128, 3);
    EXPECT_EQ(p.pat[0], 0) << "an entry past the handle's end counts as missing";
    std::memset(&p, 0x77, sizeof p);
    GetIndPattern(&p, 128, 4);
    EXPECT_EQ(p.pat[0], 0x77) << "above the count: unchanged";
    GetIndPattern(&p, 128, 0);
    EXPECT_EQ(p.pat[0], 0) << "below 1: cleared";
    std::memset(&p, 0x77, sizeof p);
    GetIndPattern(&p, 999, 1);
    EXPECT_EQ(p.pat[0], 0) << "missing: cleared";
    CloseResFile(ref);

    // Loaded by the call itself, the list is released again.
    ref = OpenResFile(P("ToolboxUtils.rsr").c_str());
    ASSERT_GT(ref, 0);
    Str255 s;
    GetIndString(s, 128, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(s + 1), s[0]), "two");
    SetResLoad(false);
    Handle again = GetResource(strList, 128);
    SetResLoad(true);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(*again == nullptr || reinterpret_cast<uintptr_t>(*again) == 0xFFFF) << "released after the copy";
    CloseResFile(ref);
    DeleteFileA("ToolboxUtils.rsr");
}

} // namespace

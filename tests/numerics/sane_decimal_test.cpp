// SANE decimal conversion: doubles to decimal records against "%.14e", records back to doubles against
// strtod, Str2Dec over a table of texts, num2str and dec2str over both styles and their bounds.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "SANE.h"
#include "numerics_helpers.h"
#include "test_support.h"

int16_t ParseShortDecimal(const char *s);
char *FormatShortDecimal(int16_t n, char *s);

namespace {

using namespace numerics_test;

decimal Record(int8_t sgn, int16_t exp, const char *digits)
{
    decimal d{};
    d.sgn = sgn;
    d.exp = exp;
    d.sig.length = static_cast<uint8_t>(std::strlen(digits));
    std::memcpy(d.sig.text, digits, d.sig.length);
    return d;
}

std::string Significand(const decimal &d) { return std::string(reinterpret_cast<const char *>(d.sig.text), d.sig.length); }

// The record "%.*e" makes of |x| with `digits` significant digits, trailing zeros dropped.
decimal RecordFromPrintf(double x, int digits)
{
    char text[64];
    snprintf(text, sizeof text, "%.*e", digits - 1, std::fabs(x));
    std::string sig = std::string(1, text[0]) + std::string(text + 2, digits - 1);
    int exp = std::atoi(std::strchr(text, 'e') + 1) - (digits - 1);
    while (sig.size() > 1 && sig.back() == '0') {
        sig.pop_back();
        ++exp;
    }
    return Record(std::signbit(x) ? 1 : 0, static_cast<int16_t>(exp), sig.c_str());
}

const double kDoubles[] = {
    1.0, -1.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1e-5, 1e-1, 10.0, 1e15, 1e16, 1e22, 1e23, 1e-300,
    123456.789, -98765.4321, 2.675, 0.125, 9.995, 1.0000000000000005, 0.30000000000000004, 2.5e-8,
    123456789012345678.0, 4.35, 1.0 / 3, -2.0 / 3, std::ldexp(1.0, 60),
    DBL_MAX, -DBL_MAX, DBL_MIN, FromBits(1), FromBits(0x000FFFFFFFFFFFFFull), -FromBits(12345),
};

// The nearest 15-digit decimal, digit for digit, whatever the caller's precision.
TEST(SaneDecimal, Num2DecMatchesPrintf)
{
    CallerControlWord caller(kStartControlWord);
    for (double x : kDoubles) {
        decimal d;
        std::memset(&d, 0xCC, sizeof d);
        num2dec(nullptr, x, &d);
        decimal expected = Reference<decimal>([&] { return RecordFromPrintf(x, 15); });
        EXPECT_EQ(Significand(d), Significand(expected)) << x;
        EXPECT_EQ(d.exp, expected.exp) << x;
        EXPECT_EQ(d.sgn, expected.sgn) << x;
        EXPECT_EQ(ControlWord(), kStartControlWord);
    }
    struct {
        double x;
        int8_t sgn;
        const char *sig;
        int16_t exp;
    } special[] = {
        {0.0, 0, "0", 0},        {-0.0, 0, "0", 0},       {HUGE_VAL, 0, "I", 0},
        {-HUGE_VAL, 1, "I", 0},  {std::nan(""), 0, "N", 0}, {0.3, 0, "3", -1},
        {2.675, 0, "2675", -3},  {100.0, 0, "1", 2},
    };
    for (const auto &c : special) {
        decimal d;
        num2dec(nullptr, c.x, &d);
        EXPECT_EQ(Significand(d), c.sig) << c.x;
        EXPECT_EQ(d.exp, c.exp) << c.x;
        EXPECT_EQ(d.sgn, c.sgn) << c.x;
    }
}

// A decform cuts the digits, rounding the first dropped one half up, in both styles.
TEST(SaneDecimal, Num2DecWithADecform)
{
    struct {
        double x;
        int8_t style;
        int16_t digits;
        const char *sig;
        int16_t exp;
    } cases[] = {
        {0.125, FIXEDDECIMAL, 2, "13", -2},       {2.675, FIXEDDECIMAL, 2, "268", -2},
        {9.995, FIXEDDECIMAL, 2, "1000", -2},     {0.006, FIXEDDECIMAL, 2, "1", -2},
        {0.004, FIXEDDECIMAL, 2, "0", 0},         {0.0006, FIXEDDECIMAL, 2, "0", 0},
        {1e22, FIXEDDECIMAL, 2, "1", 22},         {1234.5678, FIXEDDECIMAL, -2, "12", 2},
        {1234.5678, FLOATDECIMAL, 3, "123", 1},   {9.995, FLOATDECIMAL, 3, "100", -1},
        {9.995, FLOATDECIMAL, 0, "1", 1},         {0.3, FLOATDECIMAL, 20, "3", -1},
    };
    for (const auto &c : cases) {
        decform form{c.style, 0, c.digits};
        decimal d;
        fp68k4(&form, &c.x, &d, FOX2DEC);
        EXPECT_EQ(Significand(d), c.sig) << c.x << " style " << int(c.style) << " digits " << c.digits;
        EXPECT_EQ(d.exp, c.exp) << c.x << " style " << int(c.style) << " digits " << c.digits;
    }
}

// A record of 18 digits ("%.17e") comes back to the double it was made from, and any record to the
// double strtod gives for its text.
TEST(SaneDecimal, Dec2NumMatchesStrtod)
{
    CallerControlWord caller(kStartControlWord);
    std::vector<double> values(std::begin(kDoubles), std::end(kDoubles));
    uint64_t seed = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 2000; ++i) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        double x = FromBits(seed);
        if (std::isfinite(x))
            values.push_back(x);
    }
    for (double x : values) {
        decimal d = RecordFromPrintf(x, 18);
        EXPECT_EQ(Bits(dec2num(&d)), Bits(x)) << x;
        ASSERT_EQ(ControlWord(), kStartControlWord);
    }
    struct {
        decimal d;
        const char *text;
    } cases[] = {
        {Record(0, -20, "123456789"), "123456789e-20"},
        {Record(0, -324, "5"), "5e-324"},
        {Record(0, -325, "2"), "2e-325"},
        {Record(1, 0, "17976931348623158"), "-17976931348623158"},
        {Record(0, 292, "17976931348623159"), "17976931348623159e292"},
        {Record(0, -5, "12345678901234567890"), "12345678901234567890e-5"},
        {Record(0, 0, "0"), "0"},
        {Record(1, 0, "0"), "-0"},
    };
    for (const auto &c : cases) {
        double expected = Reference([&] { return std::strtod(c.text, nullptr); });
        EXPECT_EQ(Bits(Dec2Num(&c.d)), Bits(expected)) << c.text;
        float expectedFloat = Reference<float>([&] { return std::strtof(c.text, nullptr); });
        EXPECT_EQ(std::bit_cast<uint32_t>(dec2f(&c.d)), std::bit_cast<uint32_t>(expectedFloat)) << c.text;
    }
}

TEST(SaneDecimal, SpecialSignificands)
{
    decimal nanRecord = Record(0, 0, "N");
    decimal infinity = Record(1, 0, "I");
    EXPECT_TRUE(std::isnan(dec2num(&nanRecord)));
    EXPECT_EQ(dec2num(&infinity), -HUGE_VAL);
    EXPECT_TRUE(std::isnan(dec2f(&nanRecord)));
    EXPECT_EQ(dec2f(&infinity), -HUGE_VALF);
    uint64_t bits = 0;
    fp68k(&nanRecord, &bits, FODEC2X);
    EXPECT_EQ(bits, 0x7FF4FFFF00000000ull) << "the library's quiet NaN";
    // A length above 20 reads 20 digits.
    decimal longRecord = Record(0, 0, "11111111111111111111");
    longRecord.sig.length = 200;
    EXPECT_EQ(dec2num(&longRecord), 11111111111111111111.0);
}

// ---- Text to decimal records ----

struct ParseCase {
    const char *text;
    int16_t index;
    int8_t sgn;
    const char *sig;
    int16_t exp;
    int16_t indexAfter;
    int16_t validPrefix;
    const char *what;
};

const std::string kForty1s(40, '1');
const std::string kFortyOnesE32767 = kForty1s + "e32767";

const ParseCase kParseCases[] = {
    {"  -12.50e3", 1, 1, "125", 2, 11, 2, "blanks, sign, trailing zero, exponent"},
    {"", 1, 0, "0", 0, 1, 0, "empty"},
    {"abc", 1, 0, "0", 0, 1, 0, "no digits: nothing used"},
    {"   ", 1, 0, "0", 0, 1, 0, "blanks only"},
    {"-", 1, 0, "0", 0, 1, 0, "a sign only"},
    {"+007", 1, 0, "7", 0, 5, 2, "leading zeros"},
    {"000", 1, 0, "0", 0, 4, 1, "zeros only"},
    {"-0.00", 1, 0, "0", 0, 6, 1, "zeros after the point"},
    {"0.001", 1, 0, "1", -3, 6, 2, "zeros between the point and the first digit"},
    {".5", 1, 0, "5", -1, 3, 2, "no integer digits"},
    {"5.", 1, 0, "5", 0, 3, 2, "a point at the end"},
    {"1.2.3", 1, 0, "12", -1, 4, 2, "a second point ends the number"},
    {"1e", 1, 0, "1", 0, 2, 2, "'e' without digits is not used"},
    {"1e+", 1, 0, "1", 0, 2, 2, "'e+' without digits"},
    {"1.5E-3x", 1, 0, "15", -4, 7, 2, "capital E, negative exponent"},
    {"\t7", 1, 0, "7", 0, 3, 2, "a tab counts as a blank"},
    {"x12", 2, 0, "12", 0, 4, 2, "from index 2"},
    {"12", 3, 0, "0", 0, 3, 0, "index just past the end"},
    {"12", 9, 0, "0", 0, 9, 0, "index beyond the end"},
    {"12", 0, 0, "12", 0, 3, 2, "index 0 reads from the start"},
    {"123456789012345678912", 1, 0, "12345678901234567891", 1, 22, 2, "21 digits"},
    {"1.23456789012345678912", 1, 0, "12345678901234567891", -19, 23, 2, "21 digits across the point"},
    {"12345678901234567890000", 1, 0, "1234567890123456789", 4, 24, 2, "trailing zeros into the exponent"},
    {kFortyOnesE32767.c_str(), 1, 0, "11111111111111111111", 32767, 47, 2, "40 digits and e32767 saturate"},
    {"1e-99999", 1, 0, "1", -32767, 9, 2, "a huge negative exponent saturates"},
    {"1e40000", 1, 0, "1", 32767, 8, 2, "a huge exponent saturates"},
};

TEST(SaneStr2Dec, TableOfTexts)
{
    for (const ParseCase &c : kParseCases) {
        std::basic_string<unsigned char> s = testing_support::P(c.text);
        int16_t index = c.index;
        decimal d;
        std::memset(&d, 0xCC, sizeof d);
        int16_t validPrefix = -1;
        str2dec(s.c_str(), &index, &d, &validPrefix);
        EXPECT_EQ(Significand(d), c.sig) << c.what;
        EXPECT_EQ(d.exp, c.exp) << c.what;
        EXPECT_EQ(d.sgn, c.sgn) << c.what;
        EXPECT_EQ(index, c.indexAfter) << c.what;
        EXPECT_EQ(validPrefix, c.validPrefix) << c.what;

        // The Pascal form stores validPrefix in one byte.
        struct {
            Boolean validPrefix;
            uint8_t guard;
        } byte = {0xEE, 0xEE};
        index = c.index;
        decimal d2;
        std::memset(&d2, 0xCC, sizeof d2);
        Str2Dec(s.c_str(), &index, &d2, &byte.validPrefix);
        EXPECT_EQ(byte.validPrefix, c.validPrefix) << c.what;
        EXPECT_EQ(byte.guard, 0xEE) << c.what;
        EXPECT_EQ(std::memcmp(&d, &d2, sizeof d), 0) << c.what;
    }
}

TEST(SaneStr2Dec, NeverReadsPastTheLength)
{
    unsigned char s[] = {3, '1', '2', '3', '4', '5', 'e', '9'};
    int16_t index = 1;
    decimal d;
    int16_t validPrefix;
    str2dec(s, &index, &d, &validPrefix);
    EXPECT_EQ(Significand(d), "123");
    EXPECT_EQ(d.exp, 0);
    EXPECT_EQ(index, 4);
}

TEST(SaneStr2Dec, Str2NumAndSaturatedExponents)
{
    EXPECT_EQ(Str2Num(testing_support::P("  -12.50e3").c_str()), -12500.0);
    EXPECT_EQ(Str2Num(testing_support::P(kFortyOnesE32767.c_str()).c_str()), HUGE_VAL) << "not 0";
    EXPECT_EQ(Str2Num(testing_support::P("1e-99999").c_str()), 0.0);
    EXPECT_EQ(Str2Num(testing_support::P("0.1").c_str()), 0.1);
}

TEST(SaneStr2Dec, CStringFormReports)
{
    testing_support::TakeDebugMessages();
    int16_t index = 1, validPrefix = 0;
    decimal d;
    cstr2dec("12", &index, &d, &validPrefix);
    std::vector<std::string> messages = testing_support::TakeDebugMessages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0], "cstr2dec");
}

// ---- Text forms ----

std::string Num2Str(int8_t style, int16_t digits, double x)
{
    decform form{style, 0, digits};
    unsigned char s[300];
    std::memset(s, 0xCC, sizeof s);
    num2str(&form, x, s);
    EXPECT_EQ(s[256], 0xCC) << "num2str wrote past 256 bytes";
    return std::string(reinterpret_cast<char *>(s + 1), s[0]);
}

std::string Dec2Str(const decform *form, const decimal &d)
{
    char s[120];
    std::memset(s, 0xCC, sizeof s);
    dec2str(form, &d, s);
    for (int i = DECSTROUTLEN; i < static_cast<int>(sizeof s); ++i)
        if (static_cast<uint8_t>(s[i]) != 0xCC) {
            ADD_FAILURE() << "dec2str wrote past " << DECSTROUTLEN << " bytes";
            break;
        }
    return s;
}

// 1234.5678 in every number of digits from -5 to 20 (index: digits + 5).
const char *const kNum2StrFixed[26] = {
    "0", "0", "1000", "1200", "1230", "1234", "1234.6", "1234.57", "1234.568", "1234.5678",
    "1234.56780", "1234.567800", "1234.5678000", "1234.56780000", "1234.567800000", "1234.5678000000",
    "1234.56780000000", "1234.567800000000", "1234.5678000000000", "1234.56780000000000",
    "1234.567800000000000", "?", "?", "?", "?", "?",
};
const char *const kNum2StrFloating[26] = {
    "1.e+3", "1.e+3", "1.e+3", "1.e+3", "1.e+3", "1.e+3", "1.e+3", "1.2e+3", "1.23e+3", "1.234e+3",
    "1.2345e+3", "1.23456e+3", "1.234567e+3", "1.2345678e+3", "1.23456780e+3", "1.234567800e+3",
    "1.2345678000e+3", "1.23456780000e+3", "1.234567800000e+3", "1.2345678000000e+3",
    "1.23456780000000e+3", "1.234567800000000e+3", "1.2345678000000000e+3", "1.23456780000000000e+3",
    "1.234567800000000000e+3", "1.2345678000000000000e+3",
};
const char *const kDec2StrFixed[26] = {
    "1235", "1235", "1235", "1235", "1235", "1235", "1234.6", "1234.57", "1234.568", "1234.5678",
    "1234.56780", "1234.567800", "1234.5678000", "1234.56780000", "1234.567800000", "1234.5678000000",
    "1234.56780000000", "1234.567800000000", "1234.5678000000000", "1234.56780000000000",
    "1234.567800000000000", "1234.5678000000000000", "1234.56780000000000000", "1234.567800000000000000",
    "1234.5678000000000000000", "1234.56780000000000000000",
};

TEST(SaneText, EveryDigitsInBothStyles)
{
    decimal d;
    num2dec(nullptr, 1234.5678, &d);
    for (int16_t digits = -5; digits <= 20; ++digits) {
        EXPECT_EQ(Num2Str(FIXEDDECIMAL, digits, 1234.5678), kNum2StrFixed[digits + 5]) << "fixed " << digits;
        EXPECT_EQ(Num2Str(FLOATDECIMAL, digits, 1234.5678), kNum2StrFloating[digits + 5]) << "floating " << digits;
        decform fixed{FIXEDDECIMAL, 0, digits}, floating{FLOATDECIMAL, 0, digits};
        EXPECT_EQ(Dec2Str(&fixed, d), kDec2StrFixed[digits + 5]) << "dec2str fixed " << digits;
        EXPECT_EQ(Dec2Str(&floating, d), "1.2345678e+3") << "dec2str floating " << digits;
    }
    EXPECT_EQ(Dec2Str(nullptr, d), "1234.5678");
}

TEST(SaneText, Num2StrCases)
{
    struct {
        int8_t style;
        int16_t digits;
        double x;
        std::string expected;
        const char *what;
    } cases[] = {
        {FIXEDDECIMAL, 2, -2e15, "?", "below -10^15"},
        {FIXEDDECIMAL, 2, 1e19, "?", "20 places or more"},
        {FIXEDDECIMAL, 2, 2e15, "2000000000000000.00", "2 x 10^15 fits"},
        {FIXEDDECIMAL, 300, 1.5, "?", "300 places"},
        {FLOATDECIMAL, 300, 1.5, "?", "300 digits do not fit 255 characters"},
        {FLOATDECIMAL, 250, 1.5, "1.5" + std::string(248, '0') + "e+0", "250 digits fit"},
        {FIXEDDECIMAL, 2, 0.125, "0.13", "a half rounds up"},
        {FIXEDDECIMAL, 2, -9.995, "-10.00", "a carry out of the first digit"},
        {FIXEDDECIMAL, 2, 0.999, "1.00", "a carry over the point"},
        {FIXEDDECIMAL, 0, 0.5, "1", "no places: '1' when the first digit is 5 or more"},
        {FIXEDDECIMAL, 0, -1.5, "-1", "no places, no rounding"},
        {FIXEDDECIMAL, 3, 0.0125, "0.013", "leading zeros"},
        {FIXEDDECIMAL, 2, 1e-15, "0.00", "below 10^-14 is 0"},
        {FIXEDDECIMAL, 2, 0.0, "0.00", "zero"},
        {FLOATDECIMAL, 3, 0.0, "0.00e+0", "zero, floating"},
        {FLOATDECIMAL, 3, -0.000123, "-1.23e-4", "negative exponent"},
        {FLOATDECIMAL, 3, 1e300, "1.00e+300", "large exponent"},
        {FIXEDDECIMAL, 2, std::nan(""), "NAN", "a NaN"},
        {FLOATDECIMAL, 2, -HUGE_VAL, "-INF", "an infinity"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Num2Str(c.style, c.digits, c.x), c.expected) << c.what;
}

TEST(SaneText, Dec2StrCases)
{
    decform fixed2{FIXEDDECIMAL, 0, 2}, fixed77{FIXEDDECIMAL, 0, 77}, fixed78{FIXEDDECIMAL, 0, 78},
        fixed300{FIXEDDECIMAL, 0, 300}, floating{FLOATDECIMAL, 0, 5};
    struct {
        const decform *form;
        decimal d;
        std::string expected;
        const char *what;
    } cases[] = {
        {nullptr, Record(0, 0, "N"), "NAN", "a NaN"},
        {nullptr, Record(1, 0, "N"), "-NAN", "a NaN after the sign"},
        {&fixed2, Record(1, 0, "I"), "-INF", "an infinity"},
        {nullptr, Record(0, 32767, "12345"), "1.2345e+32771", "exponents in 32 bits"},
        {nullptr, Record(1, -20, "5"), "-5e-20", "an exponent below -19"},
        {nullptr, Record(0, -19, "5"), "0.0000000000000000005", "an exponent of -19"},
        {nullptr, Record(0, 0, "0"), "0", "zero"},
        {nullptr, Record(0, 5, "12"), "1200000", "integer digits, no point"},
        {nullptr, Record(0, 19, "1"), "10000000000000000000", "20 integer digits"},
        {nullptr, Record(0, 20, "1"), "1e+20", "21 integer digits"},
        {nullptr, Record(0, -3, "1500"), "1.5", "trailing zeros removed"},
        {&fixed2, Record(0, -3, "9995"), "10.00", "fixed rounding with a carry"},
        {&fixed2, Record(0, -3, "5"), "0.01", "a half in the last place"},
        {&floating, Record(0, -3, "12345"), "1.2345e+1", "floating writes every digit"},
        {&floating, Record(0, 0, "7"), "7e+0", "one digit, no point"},
        {&fixed77, Record(0, -1, "15"), "1.5" + std::string(76, '0'), "79 characters fit"},
        {&fixed78, Record(0, -1, "15"), "?", "80 characters do not"},
        {&fixed300, Record(0, -1, "15"), "?", "300 places"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Dec2Str(c.form, c.d), c.expected) << c.what;
}

TEST(SaneText, Numtostring)
{
    char s[16];
    numtostring(INT32_MIN, s);
    EXPECT_STREQ(s, "-2147483648");
    numtostring(42, s);
    EXPECT_STREQ(s, "42");
    // Every digit count and both signs, as the C library's "%ld" writes them.
    for (int32_t n : {0, 1, -1, 9, -9, 10, -10, 99, 100, 65535, -65536, 1000000000, INT32_MAX, INT32_MIN + 1}) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%ld", static_cast<long>(n));
        std::memset(s, 'x', sizeof s);
        numtostring(n, s);
        EXPECT_STREQ(s, expected) << n;
    }
}

TEST(SaneText, Fp68k4OtherOpwordsReport)
{
    testing_support::TakeDebugMessages();
    double x = 1.0;
    decimal d = Record(0, 7, "9");
    fp68k4(nullptr, &x, &d, 0x0003);
    std::vector<std::string> messages = testing_support::TakeDebugMessages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0], "fp68k4 (3)");
    EXPECT_EQ(Significand(d), "9");
}

// ---- 16-bit decimal integers ----

TEST(ShortDecimal, ParseAndFormat)
{
    struct {
        const char *text;
        int16_t expected;
        const char *what;
    } parse[] = {
        {"12", 12, "digits"},          {"-305", -305, "negative"},      {"12a", -32768, "another character"},
        {"", -32768, "empty"},         {nullptr, -32768, "NULL"},       {"-", -32768, "a sign alone"},
        {"99999", 32767, "pinned, not wrapped"}, {"-99999", -32767, "pinned negative"},
        {"123456", 12345, "reading stops at 10000"}, {"32767", 32767, "the largest"},
    };
    for (const auto &c : parse)
        EXPECT_EQ(ParseShortDecimal(c.text), c.expected) << c.what;

    const int16_t numbers[] = {0, -305, 32767, -32768};
    const char *texts[] = {"0", "-305", "32767", "-32768"};
    for (int i = 0; i < 4; ++i) {
        char s[8];
        std::memset(s, 'x', sizeof s);
        char *end = FormatShortDecimal(numbers[i], s);
        EXPECT_STREQ(s, texts[i]);
        EXPECT_EQ(end, s + std::strlen(texts[i]));
        EXPECT_EQ(*end, 0);
    }
}

} // namespace

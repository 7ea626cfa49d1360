// SANE numerics: classes, the rounding direction, the 80-bit and comp conversions of fp68k, financial
// and elementary functions against the C runtime's IEEE double results, and the caller's control word.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "SANE.h"
#include "FixMath.h"
#include "test_support.h"
#include "fp_header_calls.h"
#include "numerics_helpers.h"

namespace {

using namespace numerics_test;

// Calls a one-double entry point with exact argument bits: a double pushed through the x87 would lose
// its signalling NaNs.
template <typename R> R CallWithBits(R(ZEL_CALL *f)(double), uint64_t bits)
{
    auto raw = reinterpret_cast<R(ZEL_CALL *)(uint32_t, uint32_t)>(f);
    return raw(static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32));
}

// Same bits, or both NaNs (a NaN that comes back in ST0 is quiet, whatever it was).
::testing::AssertionResult SameDouble(double expected, double actual)
{
    if (std::isnan(expected) && std::isnan(actual))
        return ::testing::AssertionSuccess();
    if (Bits(expected) == Bits(actual))
        return ::testing::AssertionSuccess();
    char text[96];
    snprintf(text, sizeof text, "expected %.17g (%016llx), got %.17g (%016llx)", expected,
             static_cast<unsigned long long>(Bits(expected)), actual, static_cast<unsigned long long>(Bits(actual)));
    return ::testing::AssertionFailure() << text;
}

// ---- The table of values ----

struct Value {
    uint64_t bits;
    int16_t numberClass;
    const char *what;
};

const uint64_t kQuietNaN5 = 0x7FF4FFFF00000005ull;   // the library's NaN, code 5, quiet
const uint64_t kSignalNaN5 = 0x7FF0FFFF00000005ull;  // the same, signalling
const uint64_t kNegativeNaN = 0xFFF4FFFFFFFFFFFEull; // code -2, negative, quiet
const uint64_t kProcessorNaN = 0xFFF8000000000000ull; // what 0/0 gives

const Value kValues[] = {
    {kQuietNaN5, 1, "library quiet NaN, code 5"},
    {kSignalNaN5, 0, "library signalling NaN, code 5"},
    {kNegativeNaN, 1, "negative library NaN, code -2"},
    {kProcessorNaN, 1, "the processor's NaN (IEEE quiet bit)"},
    {0x7FF2000000000000ull, 1, "NaN with only the third mantissa bit"},
    {0x7FF0000000000001ull, 0, "signalling NaN, lowest bit"},
    {0x7FF0000000000000ull, 2, "+infinity"},
    {0xFFF0000000000000ull, 2, "-infinity"},
    {0x0000000000000000ull, 3, "+0"},
    {0x8000000000000000ull, 3, "-0"},
    {0x0000000000000001ull, 5, "smallest denormal"},
    {0x000FFFFFFFFFFFFFull, 5, "largest denormal"},
    {0x800000000000000Aull, 5, "negative denormal"},
    {0x0010000000000000ull, 4, "smallest normal"},
    {0x7FEFFFFFFFFFFFFFull, 4, "largest double"},
    {0xFFEFFFFFFFFFFFFFull, 4, "most negative double"},
    {Bits(1.0), 4, "1"},
    {Bits(-1.0), 4, "-1"},
    {Bits(0.3), 4, "0.3"},
    {Bits(-0.3), 4, "-0.3"},
    {Bits(0.5), 4, "0.5"},
    {Bits(-0.5), 4, "-0.5"},
    {Bits(2.5), 4, "2.5"},
    {Bits(-2.5), 4, "-2.5"},
    {Bits(3.5), 4, "3.5"},
    {Bits(0.0005), 4, "0.0005"},
    {Bits(-0.0004), 4, "-0.0004"},
    {Bits(0.49999999999999994), 4, "just below one half"},
    {Bits(123456.789), 4, "123456.789"},
    {Bits(-7.75), 4, "-7.75"},
    {Bits(1e10), 4, "1e10"},
    {Bits(70000.4), 4, "70000.4, beyond 16 bits"},
    {Bits(-2147483648.0), 4, "-2^31"},
    {Bits(4503599627370497.0), 4, "2^52 + 1"},
    {Bits(9007199254740991.0), 4, "2^53 - 1"},
    {Bits(9223372036854775808.0), 4, "2^63"},
    {Bits(1e300), 4, "1e300"},
    {Bits(-1e-300), 4, "-1e-300"},
};

// The values as doubles read at run time, so the compiler cannot fold the C runtime's results.
double ValueOf(const Value &v)
{
    volatile uint64_t bits = v.bits;
    return FromBits(bits);
}

bool IsNaNBits(uint64_t b) { return (b & 0x7FF0000000000000ull) == 0x7FF0000000000000ull && (b << 12); }

// ---- Classes ----

TEST(SaneClasses, EveryValueOfTheTable)
{
    for (const Value &v : kValues) {
        EXPECT_EQ(CallWithBits(classextended, v.bits), v.numberClass) << v.what;
        EXPECT_EQ(CallWithBits(fpclassifyd, v.bits), v.numberClass) << v.what;
        int16_t stored = 77;
        fp68k(&v.bits, &stored, FOCLASS);
        EXPECT_EQ(stored, v.numberClass) << v.what << " through fp68k";
    }
}

TEST(SaneClasses, Floats)
{
    struct {
        uint32_t bits;
        int32_t numberClass;
        const char *what;
    } cases[] = {
        {0x7FC00000u, 1, "quiet NaN"},
        {0x7F8F0005u, 0, "signalling NaN"},
        {0xFF800000u, 2, "-infinity"},
        {0x80000000u, 3, "-0"},
        {0x3F800000u, 4, "1"},
        {0x00000001u, 5, "smallest denormal"},
    };
    auto classify = reinterpret_cast<int32_t(ZEL_CALL *)(uint32_t)>(fpclassifyf);
    for (const auto &c : cases) {
        EXPECT_EQ(classify(c.bits), c.numberClass) << c.what;
        EXPECT_EQ(FpHeaderIsNanf(c.bits), c.numberClass <= 1 ? 1 : 0) << c.what;
    }
}

// ---- Rounding direction ----

class SaneRounding : public ::testing::Test {
protected:
    void SetUp() override { SetRound(TONEAREST); }
    void TearDown() override { SetRound(TONEAREST); }
};

TEST_F(SaneRounding, DirectionIsReadAndSetThroughBothNames)
{
    EXPECT_EQ(GetRound(), TONEAREST);
    SetRound(DOWNWARD);
    EXPECT_EQ(GetRound(), DOWNWARD);
    EXPECT_EQ(FpHeaderGetRound(), DOWNWARD);
    SetRound(7);
    SetRound(-1);
    EXPECT_EQ(GetRound(), DOWNWARD) << "values outside 0..3 change nothing";
    EXPECT_EQ(FpHeaderSetRound(TOWARDZERO), 0);
    EXPECT_EQ(GetRound(), TOWARDZERO);
    EXPECT_NE(FpHeaderSetRound(4), 0);
    EXPECT_EQ(FpHeaderGetRound(), TOWARDZERO);
}

// Rint in every direction over the table, against floor, ceil and trunc, and to nearest against round
// with halves toward zero. Rint keeps the sign at zero and leaves integral values alone.
TEST_F(SaneRounding, RintOverTheTableInEveryDirection)
{
    const std::function<double(double)> references[] = {
        [](double x) { return std::fabs(x - std::trunc(x)) == 0.5 ? std::trunc(x) : std::nearbyint(x); },
        [](double x) { return std::ceil(x); },
        [](double x) { return std::floor(x); },
        [](double x) { return std::trunc(x); },
    };
    for (int16_t direction = 0; direction < 4; ++direction) {
        SetRound(direction);
        for (const Value &v : kValues) {
            double x = ValueOf(v);
            double expected = Reference([&] { return references[direction](x); });
            EXPECT_TRUE(SameDouble(expected, CallWithBits(Rint, v.bits))) << v.what << ", direction " << direction;
        }
    }
}

TEST_F(SaneRounding, RintCases)
{
    struct {
        int16_t direction;
        double x, expected;
        const char *what;
    } cases[] = {
        {TONEAREST, 2.5, 2.0, "a half goes toward zero"},
        {TONEAREST, -2.5, -2.0, "a negative half too"},
        {TONEAREST, 3.5, 3.0, "3.5 gives 3"},
        {TONEAREST, 2.6, 3.0, "beyond the half"},
        {UPWARD, 2.5, 3.0, "upward"},
        {TONEAREST, 0.3, 0.0, "0.3 gives +0, not -0"},
        {TONEAREST, -0.3, -0.0, "-0.3 gives -0"},
        {UPWARD, -0.3, -0.0, "ceiling of -0.3 is -0"},
        {TONEAREST, 4503599627370497.0, 4503599627370497.0, "2^52 + 1 unchanged"},
        {TONEAREST, 0.49999999999999994, 0.0, "just below a half"},
    };
    for (const auto &c : cases) {
        SetRound(c.direction);
        EXPECT_TRUE(SameDouble(c.expected, Rint(c.x))) << c.what;
    }
}

// Num2LongInt, rinttol and Num2Integer are Rint's value in 32 or 16 bits; NaNs, infinities and values
// beyond 64 bits give 0x80000000 and 0x8000.
TEST_F(SaneRounding, IntegersOverTheTable)
{
    for (int16_t direction = 0; direction < 4; ++direction) {
        SetRound(direction);
        for (const Value &v : kValues) {
            double r = CallWithBits(Rint, v.bits);
            uint32_t expected32 = 0x80000000u;
            uint16_t expected16 = 0x8000;
            if (std::fabs(r) < 9223372036854775808.0) {
                uint64_t whole = static_cast<uint64_t>(static_cast<int64_t>(r));
                expected32 = static_cast<uint32_t>(whole);
                expected16 = static_cast<uint16_t>(whole);
            }
            EXPECT_EQ(static_cast<uint32_t>(CallWithBits(Num2LongInt, v.bits)), expected32) << v.what;
            EXPECT_EQ(static_cast<uint32_t>(CallWithBits(rinttol, v.bits)), expected32) << v.what;
            EXPECT_EQ(static_cast<uint16_t>(CallWithBits(Num2Integer, v.bits)), expected16) << v.what;
        }
    }
    SetRound(TONEAREST);
    EXPECT_EQ(Num2LongInt(1e10), 1410065408) << "the low 32 bits of 10^10";
    EXPECT_EQ(Num2Integer(70000.4), 4464) << "the low 16 bits of 70000";
    EXPECT_EQ(Num2Integer(-2.5), -2);
    EXPECT_EQ(Num2LongInt(1e300), INT32_MIN);
    EXPECT_EQ(Num2Integer(-HUGE_VAL), INT16_MIN);
}

// ---- Elementary functions against the C runtime ----

struct Elementary {
    const char *name;
    double(ZEL_CALL *entry)(double);
    std::function<double(double)> reference;
};

const Elementary kElementary[] = {
    {"ArcTan", ArcTan, [](double x) { return std::atan(x); }},
    {"Ln", Ln, [](double x) { return std::log(x); }},
    {"Log2", Log2, [](double x) { return x == 0 ? -HUGE_VAL : std::log2(x); }},
    {"log2", FpHeaderLog2(), [](double x) { return x == 0 ? -HUGE_VAL : std::log2(x); }},
    {"ZEL_Exp", ZEL_Exp, [](double x) { return std::exp(x); }},
    {"Exp1", Exp1, [](double x) { return std::expm1(x); }},
    {"Ln1", Ln1, [](double x) { return std::log1p(x); }},
};

// The caller's control word is left as it was, and the caller's 64-bit precision or rounding direction
// does not reach the results.
const uint16_t kCallerControlWords[] = {kStartControlWord, 0x0F7F /* 64-bit, toward zero */,
                                        0x0A7F /* 53-bit, upward */};

TEST(SaneElementary, MatchTheCRuntimeOverTheTable)
{
    for (uint16_t cw : kCallerControlWords) {
        CallerControlWord caller(cw);
        for (const Elementary &f : kElementary) {
            for (const Value &v : kValues) {
                double x = ValueOf(v);
                double expected = Reference([&] { return f.reference(x); });
                double actual = CallWithBits(f.entry, v.bits);
                EXPECT_TRUE(SameDouble(expected, actual)) << f.name << " of " << v.what << ", caller 0x" << std::hex << cw;
                ASSERT_EQ(ControlWord(), cw) << f.name << " changed the caller's control word";
            }
        }
    }
}

TEST(SaneElementary, FaultsOfTheNaiveFormulas)
{
    EXPECT_EQ(Log2(536870912.0), 29.0) << "a power of two gives its exponent exactly";
    EXPECT_EQ(Log2(0.0), -HUGE_VAL);
    EXPECT_EQ(Log2(-0.0), -HUGE_VAL);
    EXPECT_TRUE(std::isnan(Log2(-1.0)));
    EXPECT_EQ(Bits(Exp1(0.0005)), Bits(Reference([] { return std::expm1(0.0005); }))) << "no series cut short";
    EXPECT_EQ(Bits(Ln1(0.0005)), Bits(Reference([] { return std::log1p(0.0005); })));
    EXPECT_EQ(ZEL_Exp(1000.0), HUGE_VAL) << "an overflow gives +infinity";
}

// Sine, cosine and tangent away from the adjustments equal the C runtime's; the adjustments give the
// stated values.
TEST(SaneElementary, Trigonometry)
{
    const double ordinary[] = {0.3, -0.3, 1.0, -2.0, 3.0, 0.0005, 10.0, -20.0, 0.7853};
    for (uint16_t cw : kCallerControlWords) {
        CallerControlWord caller(cw);
        for (double x : ordinary) {
            EXPECT_TRUE(SameDouble(Reference([&] { return std::sin(x); }), ZEL_Sin(x))) << "sin " << x;
            EXPECT_TRUE(SameDouble(Reference([&] { return std::cos(x); }), ZEL_Cos(x))) << "cos " << x;
            EXPECT_TRUE(SameDouble(Reference([&] { return std::tan(x); }), ZEL_Tan(x))) << "tan " << x;
            ASSERT_EQ(ControlWord(), cw);
        }
    }
    const double tiny = 5e-10;
    EXPECT_EQ(ZEL_Sin(tiny), tiny) << "below 1e-9 the sine is x itself";
    EXPECT_EQ(ZEL_Tan(-tiny), -tiny);
    EXPECT_EQ(ZEL_Cos(tiny), 1.0);
    EXPECT_EQ(Bits(ZEL_Sin(0.0)), Bits(0.0));
    EXPECT_EQ(Bits(ZEL_Sin(-0.0)), Bits(-0.0));
    const double pi = 3.141592653589793;
    EXPECT_EQ(ZEL_Sin(pi), 0.0) << "sin pi (1.2e-16) snaps to 0";
    EXPECT_EQ(ZEL_Cos(pi / 2), 0.0);
    EXPECT_EQ(ZEL_Sin(pi / 2), 1.0);
    EXPECT_EQ(ZEL_Cos(pi), -1.0);
    EXPECT_EQ(ZEL_Tan(pi / 4), 1.0) << "0.9999999999999999 snaps to 1";
    EXPECT_EQ(ZEL_Tan(1.2), Reference([] { return std::tan(1.2); })) << "a tangent beyond 1 is kept";
    EXPECT_EQ(ZEL_Tan(pi / 2), HUGE_VAL) << "1.6e16 is beyond 1e14";
    EXPECT_EQ(ZEL_Tan(-pi / 2), -HUGE_VAL);
    EXPECT_EQ(Bits(ZEL_Sin(25.132741228718345)), Bits(0.0)) << "8 pi reduces to a sine that snaps to 0";
    EXPECT_EQ(ZEL_Cos(25.132741228718345), 1.0);
    for (double x : {100.0, -100.0, 1e6}) {
        double reduced = Reference([&] { return std::fmod(x, 6.283185307179586); });
        EXPECT_EQ(ZEL_Sin(x), Reference([&] { return std::sin(reduced); })) << "from 8 pi on, reduced: " << x;
        EXPECT_EQ(ZEL_Cos(x), Reference([&] { return std::cos(reduced); })) << x;
    }
    EXPECT_TRUE(std::isnan(ZEL_Sin(HUGE_VAL)));
}

// ---- Powers ----

TEST(SanePowers, PowerCases)
{
    const double inf = HUGE_VAL;
    struct {
        double x, y, expected;
        const char *what;
    } cases[] = {
        {2.0, 10.0, 1024.0, "ordinary"},
        {-2.0, 3.0, -8.0, "negative base, odd integer"},
        {-0.0, -3.0, -inf, "-0 to a negative odd integer"},
        {-0.0, -2.0, inf, "-0 to a negative even integer"},
        {0.0, -0.5, inf, "0 to a negative power"},
        {0.0, 2.0, 0.0, "0 to a positive power"},
        {inf, 2.0, inf, "infinity to a positive power"},
        {1.0, 0.5, 1.0, "one"},
    };
    for (const auto &c : cases) {
        EXPECT_TRUE(SameDouble(c.expected, power(c.x, c.y))) << c.what;
        EXPECT_TRUE(SameDouble(c.expected, XpwrY(c.x, c.y))) << c.what;
    }
    struct {
        double x, y;
        const char *what;
    } invalid[] = {
        {0.0, 0.0, "0 to the 0"},
        {-2.0, 0.5, "negative base, fraction"},
        {-2.0, inf, "negative base, infinite power"},
        {1.0, inf, "one to infinity"},
        {1.0, -inf, "one to -infinity"},
        {inf, 0.0, "infinity to the 0"},
    };
    for (const auto &c : invalid) {
        // The NaN of code 0 (quiet), as ST0 gives it back.
        EXPECT_EQ(Bits(power(c.x, c.y)), 0x7FFCFFFF00000000ull) << c.what;
    }
    for (double x : {0.5, 3.0, 7.25, 1e-5}) {
        for (double y : {-2.5, 0.3, 17.0, 300.0}) {
            EXPECT_TRUE(SameDouble(Reference([&] { return std::pow(x, y); }), power(x, y))) << x << "^" << y;
        }
    }
}

TEST(SanePowers, IntegerPowerCases)
{
    const double inf = HUGE_VAL;
    struct {
        double x;
        int32_t n;
        double expected;
        const char *what;
    } cases[] = {
        {3.0, 0, 1.0, "x^0"},
        {-2.0, 3, -8.0, "odd power of a negative"},
        {2.0, -2, 0.25, "reciprocal"},
        {2.0, 1023, std::ldexp(1.0, 1023), "largest power of two"},
        {2.0, 1024, inf, "overflow"},
        {2.0, -1074, FromBits(1), "smallest denormal"},
        {10.0, -400, 0.0, "the reciprocal of an infinite power is 0"},
        {-0.5, -2147483647, -inf, "negative base, odd, reciprocal of 0"},
        {0.5, INT32_MIN, inf, "n = -2^31"},
        {1.0, INT32_MIN, 1.0, "one to -2^31"},
        {-0.0, -3, -inf, "-0 to a negative odd power"},
    };
    for (const auto &c : cases) {
        EXPECT_TRUE(SameDouble(c.expected, iPower(c.x, c.n))) << c.what;
        EXPECT_TRUE(SameDouble(c.expected, XpwrI(c.x, c.n))) << c.what;
    }
    for (double x : {0.0, -0.0, inf, -inf})
        EXPECT_EQ(Bits(iPower(x, 0)), 0x7FFCFFFF00000000ull) << x << "^0 is the NaN of code 0";
    for (double x : {1.1, -3.7, 0.999})
        for (int32_t n : {7, -13, 200})
            EXPECT_TRUE(SameDouble(Reference([&] { return std::pow(x, n); }), iPower(x, n))) << x << "^" << n;
}

// ---- Financial functions ----

TEST(SaneFinancial, RandomSequence)
{
    double seed = 1.0;
    const double expected[] = {16807.0, 282475249.0, 1622650073.0};
    for (double e : expected) {
        EXPECT_EQ(randomx(&seed), e);
        EXPECT_EQ(seed, e);
    }
}

// Against the binomial series, which converges fast for small rates: a naive 1 + r loses the rate's
// digits.
TEST(SaneFinancial, SmallRatesKeepTheirDigits)
{
    CallerControlWord caller(kStartControlWord);
    const double r = 1e-10, n = 12;
    double compoundSeries = 1 + n * r + n * (n - 1) / 2 * r * r;
    double annuitySeries = n - n * (n + 1) / 2 * r + n * (n + 1) * (n + 2) / 6 * r * r;
    EXPECT_NEAR(compound(r, n), compoundSeries, 4e-16);
    EXPECT_NEAR(annuity(r, n), annuitySeries, 12 * 4e-16);
    EXPECT_EQ(annuity(0.0, 7.5), 7.5) << "a zero rate gives the periods";
    EXPECT_EQ(ControlWord(), kStartControlWord);
}

TEST(SaneFinancial, OrdinaryRates)
{
    struct {
        double r, n;
    } cases[] = {{0.05, 10}, {0.1, -3}, {0.0125, 360}, {-0.5, 2}};
    for (const auto &c : cases) {
        double viaPow = Reference([&] { return std::pow(1 + c.r, c.n); });
        EXPECT_NEAR(compound(c.r, c.n), viaPow, std::fabs(viaPow) * 1e-14) << c.r << ", " << c.n;
        double annuityViaPow = Reference([&] { return (1 - std::pow(1 + c.r, -c.n)) / c.r; });
        EXPECT_NEAR(annuity(c.r, c.n), annuityViaPow, std::fabs(annuityViaPow) * 1e-13) << c.r << ", " << c.n;
    }
    EXPECT_TRUE(std::isnan(compound(-2.0, 3.0))) << "a rate below -1";
}

// ---- fp68k conversions ----

extended80 ToExtended(uint64_t bits)
{
    extended80 x;
    std::memset(&x, 0xCC, sizeof x);
    fp68k(&bits, &x, FOX2X);
    return x;
}

uint64_t FromExtended(const extended80 &x)
{
    uint64_t bits = 0xCCCCCCCCCCCCCCCCull;
    fp68k(&x, &bits, FOX2D);
    return bits;
}

// Every non-NaN value comes back bit for bit, every NaN of the library's form too; other NaNs come back
// as the library's NaN of their low 32 bits, quiet as they were.
TEST(SaneFp68k, ExtendedRoundTrip)
{
    for (const Value &v : kValues) {
        uint64_t back = FromExtended(ToExtended(v.bits));
        uint64_t expected = v.bits;
        if (IsNaNBits(v.bits))
            expected = (v.bits & 0x8000000000000000ull) | (v.numberClass == 1 ? 0x7FF4FFFF00000000ull : 0x7FF0FFFF00000000ull) |
                       (v.bits & 0xFFFFFFFFull);
        EXPECT_EQ(back, expected) << v.what;
    }
}

TEST(SaneFp68k, ExtendedImages)
{
    struct {
        uint64_t bits;
        uint32_t low, high;
        uint16_t signAndExponent;
        const char *what;
    } cases[] = {
        {Bits(1.0), 0, 0x80000000u, 0x3FFF, "1"},
        {Bits(-3.0), 0, 0xC0000000u, 0xC000, "-3"},
        {Bits(0.0), 0, 0, 0x0000, "+0: an 80-bit zero"},
        {Bits(-0.0), 0, 0, 0x8000, "-0 keeps its sign"},
        {0x7FF0000000000000ull, 0, 0, 0x7FFF, "+infinity"},
        {0xFFF0000000000000ull, 0, 0, 0xFFFF, "-infinity"},
        {kQuietNaN5, 5, 0x4FFFFFFFu, 0x7FFF, "quiet NaN keeps its code"},
        {kSignalNaN5, 5, 0x0FFFFFFFu, 0x7FFF, "signalling NaN"},
        {kNegativeNaN, 0xFFFFFFFEu, 0x4FFFFFFFu, 0xFFFF, "negative NaN"},
        {0x0000000000000001ull, 0, 0x80000000u, 0x3C00 - 51, "smallest denormal, normalised"},
        {0x000FFFFFFFFFFFFFull, 0xFFFFF000u, 0xFFFFFFFFu, 0x3C00, "largest denormal"},
        {0x7FEFFFFFFFFFFFFFull, 0xFFFFF800u, 0xFFFFFFFFu, 0x43FE, "largest double"},
    };
    for (const auto &c : cases) {
        extended80 x = ToExtended(c.bits);
        EXPECT_EQ(x.mantissaLow, c.low) << c.what;
        EXPECT_EQ(x.mantissaHigh, c.high) << c.what;
        EXPECT_EQ(x.signAndExponent, c.signAndExponent) << c.what;
    }
}

// 80-bit values that no double holds are rounded once, to nearest even, into range or to infinity.
TEST(SaneFp68k, ExtendedToDoubleRounds)
{
    struct {
        extended80 x;
        uint64_t expected;
        const char *what;
    } cases[] = {
        {{0x00000001u, 0x80000000u, 0x3FFF}, Bits(1.0), "1 + 2^-63"},
        {{0x00000400u, 0x80000000u, 0x3FFF}, Bits(1.0), "1 + 2^-53: a tie, to even"},
        {{0x00000C00u, 0x80000000u, 0x3FFF}, Bits(1.0) + 2, "1 + 3 x 2^-53: a tie, to even upward"},
        {{0x00000401u, 0x80000000u, 0x3FFF}, Bits(1.0) + 1, "beyond the tie"},
        {{0xFFFFFC00u, 0xFFFFFFFFu, 0x3FFF}, Bits(2.0), "a carry into the exponent"},
        {{0xFFFFFC00u, 0xFFFFFFFFu, 0x43FE}, 0x7FF0000000000000ull, "a carry beyond the largest double"},
        {{0, 0x80000000u, 0x7FFE}, 0x7FF0000000000000ull, "beyond the double range"},
        {{0, 0x80000000u, 0xFFFE}, 0xFFF0000000000000ull, "negative, beyond the range"},
        {{0, 0x80000000u, 0x3FFF - 1074}, 1, "2^-1074"},
        {{0, 0x80000000u, 0x3FFF - 1075}, 0, "2^-1075: a tie, to even 0"},
        {{0, 0xC0000000u, 0x3FFF - 1075}, 1, "1.5 x 2^-1075"},
        {{0, 0x80000000u, 0x3FFF - 1200}, 0, "far below"},
        {{0, 0x40000000u, 0x3FFF}, Bits(0.5), "an unnormal mantissa"},
        {{0, 0, 0x3FFF}, 0, "mantissa 0 is zero"},
        {{0, 0x80000000u, 0x7FFF}, 0x7FF0000000000000ull, "an infinity with the integer bit"},
        {{0x0000002Au, 0x00000001u, 0x7FFF}, 0x7FF0FFFF0000002Aull, "a NaN: its low mantissa is the code"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FromExtended(c.x), c.expected) << c.what;
}

TEST(SaneFp68k, Comp)
{
    struct {
        int64_t comp;
        uint64_t expected;
        const char *what;
    } toDouble[] = {
        {-5, Bits(-5.0), "-5"},
        {(1ll << 53) + 1, Bits(9007199254740992.0), "2^53 + 1 rounds to even"},
        {(1ll << 53) + 3, Bits(9007199254740996.0), "2^53 + 3 rounds to even upward"},
        {INT64_MAX, Bits(9223372036854775808.0), "the largest comp"},
        {INT64_MIN, 0x7FF4FFFF00000000ull, "the comp NaN gives the NaN of code 0"},
    };
    for (const auto &c : toDouble) {
        uint64_t bits = 0;
        fp68k(&c.comp, &bits, FOC2X);
        EXPECT_EQ(bits, c.expected) << c.what;
    }
    struct {
        uint64_t bits;
        int64_t expected;
        const char *what;
    } toComp[] = {
        {Bits(9007199254740991.0), 9007199254740991ll, "2^53 - 1 exactly"},
        {Bits(-4503599627370497.0), -4503599627370497ll, "-(2^52 + 1) exactly"},
        {Bits(0.5), 1, "a half away from zero"},
        {Bits(-2.5), -3, "-2.5"},
        {Bits(0.49999999999999994), 0, "just below a half"},
        {Bits(-0.0), 0, "-0"},
        {Bits(9223372036854774784.0), 9223372036854774784ll, "the largest double below 2^63"},
        {Bits(9223372036854775808.0), INT64_MIN, "2^63 gives the comp NaN"},
        {0xFFF0000000000000ull, INT64_MIN, "-infinity"},
        {kSignalNaN5, INT64_MIN, "a NaN"},
    };
    for (const auto &c : toComp) {
        int64_t comp = 12345;
        fp68k(&c.bits, &comp, FOX2C);
        EXPECT_EQ(comp, c.expected) << c.what;
    }
}

// ---- Reports and the control word ----

class SaneReports : public ::testing::Test {
protected:
    void SetUp() override { testing_support::TakeDebugMessages(); }
    static bool Reported(const std::string &text)
    {
        for (const std::string &m : testing_support::TakeDebugMessages())
            if (m == text)
                return true;
        return false;
    }
};

TEST_F(SaneReports, UnknownSubcodesReportAndLeaveDstAlone)
{
    double src = 1.0;
    uint64_t dst = 0x1122334455667788ull;
    fp68k(&src, &dst, 0x0002);
    EXPECT_TRUE(Reported("fp68k (2)"));
    EXPECT_EQ(dst, 0x1122334455667788ull);
    uint16_t word = 0xABCD;
    fp68k2(&word, 5);
    EXPECT_TRUE(Reported("fp68k2 (5)"));
    EXPECT_EQ(word, 0xABCD);
}

TEST_F(SaneReports, Stubs)
{
    extended80 x80{};
    extended96 x96{};
    elems68k(&x80, 0);
    EXPECT_TRUE(Reported("elems68k"));
    x80tox96(&x80, &x96);
    EXPECT_TRUE(Reported("x80tox96"));
    x96tox80(&x96, &x80);
    EXPECT_TRUE(Reported("x96tox80"));
    x80told(&x80, &x96);
    EXPECT_TRUE(Reported("x80told"));
}

TEST(SaneControlWord, Fp68k2LoadsAndReadsTheProcessorState)
{
    uint16_t saved = ControlWord();
    uint16_t wanted = 0x0E7F;
    fp68k2(&wanted, 1);
    EXPECT_EQ(ControlWord(), wanted) << "subcode 1 changes the control word on request";
    SetControlWord(saved);

    asm volatile("fnclex");
    volatile double zero = 0.0;
    volatile double q = zero / zero;
    (void)q;
    uint16_t status = 0;
    fp68k2(&status, 23);
    EXPECT_TRUE(status & 0x0001) << "the invalid operation shows in the status word";
    fp68k2(&status, 3);
    EXPECT_EQ(status & 0x003F, 0) << "subcode 23 cleared the exceptions";
}

// ---- The C runtime's names and Fix2Frac ----

TEST(SaneNaNs, NanAndNanf)
{
    // Returned in ST0, the library's signalling NaN comes back with the IEEE quiet bit set.
    EXPECT_EQ(Bits(FpHeaderNan("5")), 0x7FF8FFFF00000005ull);
    EXPECT_EQ(Bits(FpHeaderNan("-2")), 0x7FF8FFFFFFFFFFFEull) << "the code is sign-extended";
    EXPECT_EQ(Bits(FpHeaderNan("")), 0x7FF8FFFF00000000ull);
    EXPECT_EQ(FpHeaderNanf("7"), 0x7FCF0007u);
    EXPECT_EQ(FpHeaderNanf("65535"), 0x7FCFFFFFu);
}

TEST(SaneFixed, Fix2Frac)
{
    struct {
        Fixed x;
        uint32_t expected;
        const char *what;
    } cases[] = {
        {0, 0, "0"},
        {0x00010000, 0x40000000u, "1"},
        {-0x00010000, 0xC0000000u, "-1"},
        {0x00008000, 0x20000000u, "0.5"},
        {0x0001FFFF, 0x7FFFC000u, "just below 2"},
        {-0x00020000, 0x80000000u, "-2 exactly"},
        {0x00020000, 0x7FFFFFFFu, "2 saturates"},
        {0x7FFFFFFF, 0x7FFFFFFFu, "the largest Fixed"},
        {INT32_MIN, 0x80000000u, "the smallest Fixed"},
        {1, 0x4000u, "the smallest step"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(static_cast<uint32_t>(Fix2Frac(c.x)), c.expected) << c.what;
}

} // namespace

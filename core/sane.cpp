// SANE numerics on the processor's double: the fp68k format conversions, classes and NaNs, the
// rounding direction, and the financial and elementary functions. The extended type is an 8-byte
// double; the ten-byte 80-bit extended is only the memory format of two fp68k conversions. Every call
// that computes runs inside an IeeeDoubleWindow, so its results are IEEE double results whatever the
// caller's control word, which it leaves as it found it.
#include "core.h"
#include "SANE.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint64_t kSignBit = 0x8000000000000000ull;
constexpr uint64_t kExponentMask = 0x7FF0000000000000ull;
constexpr uint64_t kMantissaMask = 0x000FFFFFFFFFFFFFull;
// A NaN is quiet when any of the three mantissa bits below the exponent is set: the IEEE quiet bit
// (the processor's own NaNs, 0/0 among them) and the two below it (the library's NaNs made quiet).
constexpr uint64_t kQuietBits = 0x000E000000000000ull;
constexpr uint64_t kCompNaN = 0x8000000000000000ull;

constexpr double kTwo52 = 4503599627370496.0;
constexpr double kTwo63 = 9223372036854775808.0;

// The classes by number (windows.h takes INFINITE for itself).
enum NumberClass : int16_t {
    classSignalingNaN = 0,
    classQuietNaN = 1,
    classInfinite = 2,
    classZero = 3,
    classNormal = 4,
    classDenormal = 5
};

// The rounding direction of SetRound and fesetround: TONEAREST .. TOWARDZERO.
int32_t sRoundingDirection = TONEAREST;

// Doubles whose bits matter (NaNs) are read and written through memory: loading a signalling NaN into
// the x87 makes it quiet.
uint64_t BitsAt(const void *p)
{
    uint64_t bits;
    std::memcpy(&bits, p, sizeof bits);
    return bits;
}

int16_t ClassOfBits(uint64_t bits)
{
    uint64_t exponent = bits & kExponentMask;
    uint64_t mantissa = bits & kMantissaMask;
    if (exponent == kExponentMask) {
        if (!mantissa)
            return classInfinite;
        return (mantissa & kQuietBits) ? classQuietNaN : classSignalingNaN;
    }
    if (!exponent)
        return mantissa ? classDenormal : classZero;
    return classNormal;
}

int16_t ClassOfFloatBits(uint32_t bits)
{
    uint32_t exponent = bits & 0x7F800000u;
    uint32_t mantissa = bits & 0x007FFFFFu;
    if (exponent == 0x7F800000u) {
        if (!mantissa)
            return classInfinite;
        return (mantissa & 0x00400000u) ? classQuietNaN : classSignalingNaN;
    }
    if (!exponent)
        return mantissa ? classDenormal : classZero;
    return classNormal;
}


// ---- The rounding direction ----

bool ValidDirection(int32_t direction) { return direction >= TONEAREST && direction <= TOWARDZERO; }

// x rounded to an integral value by the direction. Halves go toward zero to nearest; a zero result keeps
// x's sign and integral values (all magnitudes from 2^52 on) come back unchanged.
double RoundToIntegral(double x, int32_t direction)
{
    if (!(std::fabs(x) < kTwo52))
        return x;
    switch (direction) {
    case UPWARD:
        return std::ceil(x);
    case DOWNWARD:
        return std::floor(x);
    case TOWARDZERO:
        return std::trunc(x);
    default:
        break;
    }
    double whole = std::trunc(x);
    if (std::fabs(x - whole) > 0.5)
        whole += x < 0 ? -1.0 : 1.0;
    return std::copysign(whole, x);
}

// The integer of an integral double, when it has one in 64 bits.
bool IntegralToInt64(double integral, int64_t *value)
{
    if (!(std::fabs(integral) < kTwo63))
        return false;
    *value = static_cast<int64_t>(integral);
    return true;
}

// Rint (x) in 32 bits: the low 32 bits of the 64-bit integer, 0x80000000 when there is none.
int32_t RoundToLong(double x)
{
    int64_t value;
    if (!IntegralToInt64(RoundToIntegral(x, sRoundingDirection), &value))
        return INT32_MIN;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// ---- The 80-bit extended ----

void StoreExtended80(uint32_t low, uint32_t high, uint16_t signAndExponent, void *dst)
{
    extended80 x{low, high, signAndExponent};
    std::memcpy(dst, &x, sizeof x);
}

void DoubleToExtended80(uint64_t bits, void *dst)
{
    uint16_t sign = (bits & kSignBit) ? 0x8000 : 0;
    int32_t exponent = static_cast<int32_t>((bits & kExponentMask) >> 52);
    uint64_t mantissa = bits & kMantissaMask;
    if (exponent == 0x7FF) {
        if (!mantissa) {
            StoreExtended80(0, 0, sign | 0x7FFF, dst);
        } else {
            bool quiet = (mantissa & kQuietBits) != 0;
            StoreExtended80(static_cast<uint32_t>(bits), 0x0FFFFFFFu | (quiet ? 0x40000000u : 0u), sign | 0x7FFF,
                            dst);
        }
        return;
    }
    if (!exponent && !mantissa) {
        StoreExtended80(0, 0, sign, dst);
        return;
    }
    if (exponent) {
        mantissa |= 1ull << 52;
    } else {
        // A denormal: normalised, so that the explicit integer bit is set.
        exponent = 1;
        while (!(mantissa & (1ull << 52))) {
            mantissa <<= 1;
            --exponent;
        }
    }
    mantissa <<= 11;
    StoreExtended80(static_cast<uint32_t>(mantissa), static_cast<uint32_t>(mantissa >> 32),
                    static_cast<uint16_t>(sign | (exponent + 0x3C00)), dst);
}

// mantissa x 2^(exponent - 16383 - 63), rounded once to the nearest double (ties to even), with the sign.
uint64_t Extended80ToDoubleBits(const void *src)
{
    extended80 x;
    std::memcpy(&x, src, sizeof x);
    uint64_t sign = (x.signAndExponent & 0x8000) ? kSignBit : 0;
    int32_t exponent = x.signAndExponent & 0x7FFF;
    uint64_t mantissa = (static_cast<uint64_t>(x.mantissaHigh) << 32) | x.mantissaLow;
    if (exponent == 0x7FFF) {
        if (!(mantissa & 0x7FFFFFFFFFFFFFFFull))
            return sign | kExponentMask;
        return LibraryNaNBits(static_cast<int32_t>(x.mantissaLow), (x.mantissaHigh & 0x40000000u) != 0, sign != 0);
    }
    if (!mantissa)
        return sign;
    int shift = std::countl_zero(mantissa);
    mantissa <<= shift;
    // The value is 1.f x 2^unbiased with the 63 bits of f below the top bit of mantissa.
    int32_t unbiased = exponent - 16383 - shift;
    if (unbiased > 1023)
        return sign | kExponentMask;
    int drop = 11; // bits dropped to reach 53 significant bits
    if (unbiased < -1022)
        drop += -1022 - unbiased; // a denormal keeps fewer
    uint64_t kept, rest, half;
    if (drop > 64) {
        return sign;
    } else if (drop == 64) {
        kept = 0;
        rest = mantissa;
        half = 1ull << 63;
    } else {
        kept = mantissa >> drop;
        rest = mantissa & ((1ull << drop) - 1);
        half = 1ull << (drop - 1);
    }
    if (rest > half || (rest == half && (kept & 1)))
        ++kept;
    if (unbiased < -1022) // a denormal, or the smallest normal a carry reached
        return sign | kept;
    if (kept >> 53) {
        kept >>= 1;
        ++unbiased;
        if (unbiased > 1023)
            return sign | kExponentMask;
    }
    return sign | (static_cast<uint64_t>(unbiased + 1023) << 52) | (kept & kMantissaMask);
}

// Double to comp: integral doubles exactly, others rounded half away from zero; NaNs, infinities and
// magnitudes of 2^63 or more give the comp NaN.
uint64_t DoubleToComp(double x)
{
    double magnitude = std::fabs(x);
    if (!(magnitude < kTwo63))
        return kCompNaN;
    double whole = std::trunc(magnitude);
    if (magnitude - whole >= 0.5)
        whole += 1.0;
    uint64_t value = static_cast<uint64_t>(static_cast<int64_t>(whole));
    return x < 0 ? ~value + 1 : value;
}

// ---- Powers ----

double NaNCodeZero() { return std::bit_cast<double>(LibraryNaNBits(0, true, false)); }

bool IsOddInteger(double y) { return std::fabs(y) < kTwo63 && std::fmod(y, 2.0) != 0 && y == std::trunc(y); }

double PowerOf(double x, double y)
{
    bool yIntegral = std::isfinite(y) && y == std::trunc(y);
    if ((x == 0 && y == 0) || (x < 0 && !yIntegral) || (x == 1 && std::isinf(y)) || (std::isinf(x) && y == 0))
        return NaNCodeZero();
    if (x == 0 && y < 0)
        return (std::signbit(x) && IsOddInteger(y)) ? -HUGE_VAL : HUGE_VAL;
    if (x == 0 && y > 0)
        return 0.0;
    return std::pow(x, y);
}

// x to an integer power: the processor's pow, which rounds once, where repeated squaring would lose a
// unit in the last place at every step.
double IntegerPowerOf(double x, int32_t n)
{
    if (!n)
        return (x == 0 || std::isinf(x)) ? NaNCodeZero() : 1.0;
    return std::pow(x, static_cast<double>(n));
}

// ---- Trigonometry ----

enum TrigKind { trigSine, trigCosine, trigTangent };

constexpr double kEightPi = 25.132741228718345;
constexpr double kTwoPi = 6.283185307179586;

double TrigOf(double x, TrigKind kind)
{
    if (kind != trigCosine && std::fabs(x) < 1e-9)
        return x;
    if (std::fabs(x) >= kEightPi)
        x = std::fmod(x, kTwoPi);
    double r = kind == trigSine ? std::sin(x) : kind == trigCosine ? std::cos(x) : std::tan(x);
    double magnitude = std::fabs(r);
    // Results a rounding away from 0 or from 1 are snapped to them (a tangent's larger values are kept).
    if (magnitude < 1e-14)
        return 0.0;
    if (magnitude > 0.99999999999999 && magnitude < 1.00000000000001)
        return std::copysign(1.0, r);
    if (kind == trigTangent && magnitude > 1e14)
        return std::copysign(HUGE_VAL, r);
    return r;
}

// The decimal value of a NaN code string: blanks, an optional sign and digits, kept in 16 bits.
int16_t NaNCodeOf(const char *text)
{
    if (!text)
        return 0;
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    uint16_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = static_cast<uint16_t>(value * 10 + (*text - '0'));
    if (negative)
        value = static_cast<uint16_t>(0u - value);
    return static_cast<int16_t>(value);
}

// f (x) inside an IEEE double window.
template <typename F> double InIeeeWindow(double x, F f)
{
    IeeeDoubleWindow window(x);
    return window.Result(f(x));
}

} // namespace

void ReportNumericsSubcode(const char *routine, int32_t subcode)
{
    char message[48];
    std::snprintf(message, sizeof message, " %s (%ld)", routine, static_cast<long>(subcode));
    ReportUnimplemented(message);
}

uint64_t LibraryNaNBits(int32_t code, bool quiet, bool negative)
{
    uint64_t top = 0x7FF0u | (quiet ? 0x0004u : 0u) | (negative ? 0x8000u : 0u);
    return (top << 48) | 0x0000FFFF00000000ull | static_cast<uint32_t>(code);
}

// ---- fp68k ----

ZEL_EXTERN_C void ZEL_CALL fp68k(const void *src, void *dst, int16_t opword)
{
    switch (static_cast<uint16_t>(opword)) {
    case FODEC2X:
        DecimalRecordToDouble(src, dst);
        return;
    case FOX2X:
        DoubleToExtended80(BitsAt(src), dst);
        return;
    case FOX2D: {
        uint64_t bits = Extended80ToDoubleBits(src);
        std::memcpy(dst, &bits, sizeof bits);
        return;
    }
    case FOCLASS: {
        int16_t numberClass = ClassOfBits(BitsAt(src));
        std::memcpy(dst, &numberClass, sizeof numberClass);
        return;
    }
    case FOC2X: {
        uint64_t value = BitsAt(src);
        uint64_t bits;
        if (value == kCompNaN) {
            bits = LibraryNaNBits(0, true, false);
        } else {
            IeeeDoubleWindow window;
            bits = std::bit_cast<uint64_t>(window.Result(static_cast<double>(static_cast<int64_t>(value))));
        }
        std::memcpy(dst, &bits, sizeof bits);
        return;
    }
    case FOX2C: {
        uint64_t bits = BitsAt(src);
        uint64_t value = kCompNaN;
        if ((bits & kExponentMask) != kExponentMask) {
            IeeeDoubleWindow window;
            value = window.Result(DoubleToComp(std::bit_cast<double>(bits)));
        }
        std::memcpy(dst, &value, sizeof value);
        return;
    }
    default:
        ReportNumericsSubcode("fp68k", opword);
        return;
    }
}

ZEL_EXTERN_C void ZEL_CALL fp68k2(void *p, int16_t subcode)
{
    switch (subcode) {
    case 1: {
        uint16_t control;
        std::memcpy(&control, p, sizeof control);
        asm volatile("fldcw %0" : : "m"(control) : "memory");
        return;
    }
    case 3:
    case 23: {
        uint16_t status;
        asm volatile("fnstsw %0" : "=m"(status));
        if (subcode == 23)
            asm volatile("fnclex" : : : "memory");
        std::memcpy(p, &status, sizeof status);
        return;
    }
    default:
        ReportNumericsSubcode("fp68k2", subcode);
        return;
    }
}

ZEL_STUB_VOID(elems68k, (void *, int16_t))
ZEL_STUB_VOID(x80tox96, (const extended80 *, extended96 *))
ZEL_STUB_VOID(x96tox80, (const extended96 *, extended80 *))
ZEL_STUB_VOID(x80told, (const extended80 *, void *))

// ---- Rounding direction ----

ZEL_EXTERN_C rounddir ZEL_CALL GetRound(void) { return static_cast<rounddir>(sRoundingDirection); }

ZEL_EXTERN_C void ZEL_CALL SetRound(rounddir direction)
{
    if (ValidDirection(direction))
        sRoundingDirection = direction;
}

// Exported as fegetround and fesetround (the C runtime's names).
ZEL_EXTERN_C int ZEL_CALL SaneFeGetRound(void) { return sRoundingDirection; }

ZEL_EXTERN_C int ZEL_CALL SaneFeSetRound(int direction)
{
    if (!ValidDirection(direction))
        return 1;
    sRoundingDirection = direction;
    return 0;
}

ZEL_EXTERN_C double ZEL_CALL Rint(double x)
{
    return InIeeeWindow(x, [](double v) { return RoundToIntegral(v, sRoundingDirection); });
}

ZEL_EXTERN_C int32_t ZEL_CALL Num2LongInt(double x)
{
    IeeeDoubleWindow window(x);
    return window.Result(RoundToLong(x));
}

ZEL_EXTERN_C int32_t ZEL_CALL rinttol(double x)
{
    IeeeDoubleWindow window(x);
    return window.Result(RoundToLong(x));
}

// The low 16 bits of the 64-bit integer, 0x8000 when there is none.
ZEL_EXTERN_C int16_t ZEL_CALL Num2Integer(double x)
{
    IeeeDoubleWindow window(x);
    int64_t value;
    if (!IntegralToInt64(RoundToIntegral(x, sRoundingDirection), &value))
        return window.Result(static_cast<int16_t>(INT16_MIN));
    return window.Result(static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(value))));
}

// ---- Classes and NaNs ----

ZEL_EXTERN_C numclass ZEL_CALL classextended(double x) { return ClassOfBits(BitsAt(&x)); }

ZEL_EXTERN_C int32_t ZEL_CALL fpclassifyd(double x) { return ClassOfBits(BitsAt(&x)); }

ZEL_EXTERN_C int32_t ZEL_CALL fpclassifyf(float x)
{
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return ClassOfFloatBits(bits);
}

// Exported as isnanf.
ZEL_EXTERN_C int32_t ZEL_CALL SaneIsNanf(float x)
{
    int16_t numberClass = static_cast<int16_t>(fpclassifyf(x));
    return numberClass == classSignalingNaN || numberClass == classQuietNaN;
}

// Exported as nan: the library's NaN with the code, quiet bit clear.
ZEL_EXTERN_C double ZEL_CALL SaneNan(const char *code)
{
    return std::bit_cast<double>(LibraryNaNBits(NaNCodeOf(code), false, false));
}

// Exported as nanf.
ZEL_EXTERN_C float ZEL_CALL SaneNanf(const char *code)
{
    uint32_t bits = 0x7F8F0000u | static_cast<uint16_t>(NaNCodeOf(code));
    return std::bit_cast<float>(bits);
}

// ---- Financial functions and powers ----

ZEL_EXTERN_C double ZEL_CALL randomx(double *x)
{
    if (!x)
        return 0;
    IeeeDoubleWindow window(*x);
    *x = std::fmod(*x * 16807.0, 2147483647.0);
    return window.Result(*x);
}

ZEL_EXTERN_C double ZEL_CALL compound(double rate, double periods)
{
    IeeeDoubleWindow window(rate, periods);
    return window.Result(std::exp(periods * std::log1p(rate)));
}

// (1 - (1 + rate)^-periods) / rate, worked out through log1p and expm1 so that small rates keep their
// digits.
ZEL_EXTERN_C double ZEL_CALL annuity(double rate, double periods)
{
    IeeeDoubleWindow window(rate, periods);
    if (rate == 0)
        return window.Result(periods);
    return window.Result(-std::expm1(-periods * std::log1p(rate)) / rate);
}

ZEL_EXTERN_C double ZEL_CALL power(double x, double y)
{
    IeeeDoubleWindow window(x, y);
    return window.Result(PowerOf(x, y));
}

ZEL_EXTERN_C double ZEL_CALL XpwrY(double x, double y) { return power(x, y); }

ZEL_EXTERN_C double ZEL_CALL iPower(double x, int32_t n)
{
    IeeeDoubleWindow window(x);
    return window.Result(IntegerPowerOf(x, n));
}

ZEL_EXTERN_C double ZEL_CALL XpwrI(double x, int32_t n) { return iPower(x, n); }

// ---- Elementary functions ----

ZEL_EXTERN_C double ZEL_CALL ArcTan(double x)
{
    return InIeeeWindow(x, [](double v) { return std::atan(v); });
}

ZEL_EXTERN_C double ZEL_CALL Ln(double x)
{
    return InIeeeWindow(x, [](double v) { return std::log(v); });
}

// log2 of a power of two is its exponent exactly; of a zero -infinity, as Ln gives.
ZEL_EXTERN_C double ZEL_CALL Log2(double x)
{
    return InIeeeWindow(x, [](double v) { return v == 0 ? -HUGE_VAL : std::log2(v); });
}

// Exported as log2.
ZEL_EXTERN_C double ZEL_CALL SaneLog2(double x) { return Log2(x); }

ZEL_EXTERN_C double ZEL_CALL ZEL_Exp(double x)
{
    return InIeeeWindow(x, [](double v) { return std::exp(v); });
}

ZEL_EXTERN_C double ZEL_CALL Exp1(double x)
{
    return InIeeeWindow(x, [](double v) { return std::expm1(v); });
}

ZEL_EXTERN_C double ZEL_CALL Ln1(double x)
{
    return InIeeeWindow(x, [](double v) { return std::log1p(v); });
}

ZEL_EXTERN_C double ZEL_CALL ZEL_Sin(double x)
{
    return InIeeeWindow(x, [](double v) { return TrigOf(v, trigSine); });
}

ZEL_EXTERN_C double ZEL_CALL ZEL_Cos(double x)
{
    return InIeeeWindow(x, [](double v) { return TrigOf(v, trigCosine); });
}

ZEL_EXTERN_C double ZEL_CALL ZEL_Tan(double x)
{
    return InIeeeWindow(x, [](double v) { return TrigOf(v, trigTangent); });
}

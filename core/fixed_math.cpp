// Fixed (16.16) and Fract (2.30) arithmetic and conversions, in 64-bit integers so that no product,
// magnitude or shift overflows (|0x80000000| included).
#include "core.h"
#include "FixMath.h"

#include <cmath>
#include <initializer_list>

namespace {

constexpr int32_t kFixedOne = 0x10000;
constexpr int32_t kFractOne = 0x40000000;
constexpr int32_t kFixedQuarterPi = 51472;
constexpr int32_t kFixedHalfPi = 102944;
constexpr int32_t kFixedPi = 205888;

int64_t Magnitude(int32_t x) { return x < 0 ? -static_cast<int64_t>(x) : x; }

int32_t Low32(int64_t x) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(x))); }

int32_t Saturate(int64_t x)
{
    if (x > INT32_MAX)
        return INT32_MAX;
    if (x < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(x);
}

int32_t FractProduct(int32_t a, int32_t b) { return Low32((static_cast<int64_t>(a) * b) >> 30); }

// Sine of a Fract angle in [0, pi/4] by its odd polynomial, cosine by its even one.
int32_t SinePolynomial(int32_t x)
{
    int32_t s = FractProduct(x, x);
    int32_t p = FractProduct(-209399, s) + 8946434;
    p = FractProduct(p, s) - 178956794;
    p = FractProduct(p, s) + kFractOne;
    return FractProduct(p, x);
}

int32_t CosinePolynomial(int32_t x)
{
    int32_t s = FractProduct(x, x);
    int32_t p = FractProduct(-1364951, s) + 44547129;
    p = FractProduct(p, s) - 536776893;
    return kFractOne + FractProduct(p, s);
}

// The octant rule shared by FracSin and FracCos: octant (A / (pi/4) + k) mod 8 of the magnitude A.
int32_t OctantSine(int64_t magnitude, int32_t k)
{
    int32_t q = static_cast<int32_t>((magnitude / kFixedQuarterPi + k) % 8);
    int32_t r = static_cast<int32_t>(magnitude % kFixedQuarterPi);
    int32_t x = (q % 4 == 0 || q % 4 == 2) ? r : kFixedQuarterPi - r;
    x <<= 14;
    int32_t result = (q % 4 == 0 || q % 4 == 3) ? SinePolynomial(x) : CosinePolynomial(x);
    return q >= 4 ? -result : result;
}

// The square root of a 64-bit unsigned value, truncated.
uint64_t IntegerSquareRoot(uint64_t n)
{
    uint64_t root = 0;
    uint64_t bit = 1ull << 62;
    while (bit > n)
        bit >>= 2;
    while (bit) {
        if (n >= root + bit) {
            n -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    return root;
}

} // namespace

ZEL_EXTERN_C Fixed ZEL_CALL FixRatio(int16_t numer, int16_t denom)
{
    if (numer == denom)
        return kFixedOne;
    if (!denom)
        return numer < 0 ? static_cast<Fixed>(0x80000001) : INT32_MAX;
    return static_cast<Fixed>(static_cast<int32_t>(numer) * 65536 / denom);
}

// (a x b + 0x8000) / 65536 rounded down: the shift of the 64-bit sum.
ZEL_EXTERN_C Fixed ZEL_CALL FixMul(Fixed a, Fixed b)
{
    if (a == kFixedOne)
        return b;
    if (b == kFixedOne)
        return a;
    return Low32((static_cast<int64_t>(a) * b + 0x8000) >> 16);
}

ZEL_EXTERN_C Fixed ZEL_CALL FixDiv(Fixed a, Fixed b)
{
    if (b == kFixedOne)
        return a;
    if (!b)
        return a < 0 ? INT32_MIN : INT32_MAX;
    int64_t ma = Magnitude(a), mb = Magnitude(b);
    int64_t q = ma / 32768 >= mb ? INT32_MAX : (ma * 65536 + mb / 2) / mb;
    if (q > INT32_MAX)
        q = INT32_MAX;
    return static_cast<Fixed>((a < 0) != (b < 0) ? -q : q);
}

// Halves away from zero.
ZEL_EXTERN_C int16_t ZEL_CALL FixRound(Fixed a)
{
    int64_t rounded = (Magnitude(a) + 0x8000) >> 16;
    return static_cast<int16_t>(a < 0 ? -rounded : rounded);
}

// The integer part plus bit 15: halves upward.
ZEL_EXTERN_C int32_t ZEL_CALL Fix2Long(Fixed a) { return (a >> 16) + ((a >> 15) & 1); }

ZEL_EXTERN_C Fixed ZEL_CALL Long2Fix(int32_t n) { return static_cast<Fixed>(static_cast<uint32_t>(n) << 16); }

ZEL_EXTERN_C Fixed ZEL_CALL Frac2Fix(Fract f) { return f >> 14; }

// The Fract of the same value: exact from -2.0 to just below 2.0, the nearest limit beyond.
ZEL_EXTERN_C Fract ZEL_CALL Fix2Frac(Fixed x) { return Saturate(static_cast<int64_t>(x) * 16384); }

ZEL_EXTERN_C double ZEL_CALL Fix2X(Fixed a) { return a / 65536.0; }

ZEL_EXTERN_C double ZEL_CALL Frac2X(Fract f) { return f / 1073741824.0; }

// Rounded half away from zero; 0x7FFFFFFF from 32768.0 on, 0x80000000 below -32768.0 (and for a NaN).
ZEL_EXTERN_C Fixed ZEL_CALL X2Fix(double x)
{
    IeeeDoubleWindow window(x);
    if (x >= 32768.0)
        return window.Result(static_cast<Fixed>(INT32_MAX));
    if (!(x >= -32768.0))
        return window.Result(static_cast<Fixed>(INT32_MIN));
    double scaled = x * 65536.0 + (x < 0 ? -0.5 : 0.5);
    return window.Result(Saturate(static_cast<int64_t>(scaled)));
}

// Rounded half away from zero, low 32 bits kept; 0x80000000 where no 64-bit integer holds the value.
ZEL_EXTERN_C Fract ZEL_CALL X2Frac(double x)
{
    IeeeDoubleWindow window(x);
    double scaled = x * 1073741824.0 + (x < 0 ? -0.5 : 0.5);
    if (!(std::fabs(scaled) < 9223372036854775808.0))
        return window.Result(static_cast<Fract>(INT32_MIN));
    return window.Result(Low32(static_cast<int64_t>(scaled)));
}

ZEL_EXTERN_C Fract ZEL_CALL FracMul(Fract a, Fract b) { return FractProduct(a, b); }

ZEL_EXTERN_C Fract ZEL_CALL FracDiv(Fract a, Fract b)
{
    if (!b)
        return a >= 0 ? INT32_MAX : INT32_MIN;
    if (Magnitude(a) / 2 >= Magnitude(b))
        return (a < 0) == (b < 0) ? INT32_MAX : INT32_MIN;
    return Low32(static_cast<int64_t>(a) * kFractOne / b);
}

// The unsigned 2.30 value's square root as 2.30, rounded by its last bit.
ZEL_EXTERN_C Fract ZEL_CALL FracSqrt(Fract f)
{
    uint64_t twice = IntegerSquareRoot(static_cast<uint64_t>(static_cast<uint32_t>(f)) << 32);
    return static_cast<Fract>(static_cast<uint32_t>((twice + 1) >> 1));
}

ZEL_EXTERN_C Fract ZEL_CALL FracSin(Fixed a) { return OctantSine(Magnitude(a), a < 0 ? 4 : 0); }

ZEL_EXTERN_C Fract ZEL_CALL FracCos(Fixed a) { return OctantSine(Magnitude(a), 2); }

ZEL_EXTERN_C Fixed ZEL_CALL FixATan2(int32_t x, int32_t y)
{
    if (!x && !y)
        return 0;
    if (!x)
        return y < 0 ? -kFixedHalfPi : kFixedHalfPi;
    if (!y)
        return x < 0 ? kFixedPi : 0;
    int64_t mx = Magnitude(x), my = Magnitude(y);
    bool steep = my >= mx;
    int32_t t = Low32((steep ? mx : my) * kFractOne / (steep ? my : mx));
    int32_t t2 = FractProduct(t, t);
    int32_t p = -12583336;
    for (int32_t c : {56529665, -125011984, 207812392, -357151043, 0x3FFFA070})
        p = FractProduct(p, t2) + c;
    int32_t a = FractProduct(p, t);
    a = (a >> 14) + ((a >> 13) & 1);
    if (steep)
        a = x > 0 ? kFixedHalfPi - a : a + kFixedHalfPi;
    else if (x < 0)
        a = kFixedPi - a;
    return y < 0 ? -a : a;
}

// Degrees of the slope's angle, rounded to nearest with halves away from zero for either sign.
ZEL_EXTERN_C int16_t ZEL_CALL AngleFromSlope(Fixed slope)
{
    IeeeDoubleWindow window(slope);
    double degrees = std::atan(slope / 65536.0) * (180.0 / 3.14159265358979323846);
    return window.Result(static_cast<int16_t>(std::lround(degrees)));
}

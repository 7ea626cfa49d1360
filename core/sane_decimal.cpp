// SANE decimal conversion: decimal records to and from doubles, text to decimal records, and decimal
// records or doubles to text. Conversions are correctly rounded both ways: a decimal record becomes the
// nearest double (as strtod gives it), a double becomes its nearest 15-digit decimal (as "%.14e" gives
// it), both worked out inside an IEEE double window.
#include "core.h"
#include "SANE.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kMaxDigits = SIGDIGLEN;
constexpr int kDoubleDigits = 15;
constexpr int32_t kMaxExponent = 32767;

int32_t ClampExponent(int32_t e)
{
    if (e > kMaxExponent)
        return kMaxExponent;
    if (e < -kMaxExponent)
        return -kMaxExponent;
    return e;
}

void SetSignificand(decimal *d, const char *digits, int length)
{
    if (length > kMaxDigits)
        length = kMaxDigits;
    d->sig.length = static_cast<uint8_t>(length);
    std::memcpy(d->sig.text, digits, length);
}

void SetZero(decimal *d)
{
    d->sgn = 0;
    d->exp = 0;
    SetSignificand(d, "0", 1);
}

enum SignificandKind { significandDigits, significandNaN, significandInfinity };

// The leading digits of a record's significand (at most 20; a longer length reads 20), or what its first
// character marks. No digits read as "0".
SignificandKind ReadSignificand(const decimal &d, std::string *digits)
{
    int length = d.sig.length > kMaxDigits ? kMaxDigits : d.sig.length;
    if (length && d.sig.text[0] == 'N')
        return significandNaN;
    if (length && d.sig.text[0] == 'I')
        return significandInfinity;
    digits->clear();
    for (int i = 0; i < length && d.sig.text[i] >= '0' && d.sig.text[i] <= '9'; ++i)
        digits->push_back(static_cast<char>(d.sig.text[i]));
    if (digits->empty())
        digits->push_back('0');
    return significandDigits;
}

// ---- Decimal record to double ----

// The record's digits and exponent as text for strtod or strtof.
std::string DecimalText(const std::string &digits, int16_t exponent)
{
    char tail[16];
    std::snprintf(tail, sizeof tail, "e%d", exponent);
    return digits + tail;
}

// The nearest double, as bits (a NaN never passes through the x87).
uint64_t DecimalToDoubleBits(const decimal &d)
{
    std::string digits;
    bool negative = d.sgn != 0;
    switch (ReadSignificand(d, &digits)) {
    case significandNaN:
        return LibraryNaNBits(0, true, false);
    case significandInfinity:
        return std::bit_cast<uint64_t>(negative ? -HUGE_VAL : HUGE_VAL);
    default:
        break;
    }
    std::string text = DecimalText(digits, d.exp);
    IeeeDoubleWindow window;
    double x = window.Result(std::strtod(text.c_str(), nullptr));
    return std::bit_cast<uint64_t>(negative ? -x : x);
}

float DecimalToFloat(const decimal &d)
{
    std::string digits;
    bool negative = d.sgn != 0;
    switch (ReadSignificand(d, &digits)) {
    case significandNaN:
        return std::bit_cast<float>(0x7FC00000u);
    case significandInfinity:
        return negative ? -HUGE_VALF : HUGE_VALF;
    default:
        break;
    }
    std::string text = DecimalText(digits, d.exp);
    float x = std::strtof(text.c_str(), nullptr);
    return negative ? -x : x;
}

// ---- Double to decimal record ----

// The nearest decimal of at most 15 significant digits, trailing zeros dropped.
void DoubleToDecimal(double x, decimal *d)
{
    d->unused = 0;
    d->sig.unused = 0;
    if (std::isnan(x) || std::isinf(x)) {
        d->sgn = std::signbit(x) ? 1 : 0;
        d->exp = 0;
        SetSignificand(d, std::isnan(x) ? "N" : "I", 1);
        return;
    }
    if (x == 0) {
        SetZero(d);
        return;
    }
    char text[32]; // d.dddddddddddddde-ddd
    std::snprintf(text, sizeof text, "%.*e", kDoubleDigits - 1, std::fabs(x));
    char digits[kDoubleDigits];
    digits[0] = text[0];
    std::memcpy(digits + 1, text + 2, kDoubleDigits - 1);
    int32_t exponent = std::atoi(std::strchr(text, 'e') + 1) - (kDoubleDigits - 1);
    int length = kDoubleDigits;
    while (length > 1 && digits[length - 1] == '0') {
        --length;
        ++exponent;
    }
    d->sgn = std::signbit(x) ? 1 : 0;
    d->exp = static_cast<int16_t>(exponent);
    SetSignificand(d, digits, length);
}

// Adds one to the last of `length` digits, the carry running leftward; true when it ran out of the
// first digit (all were '9', now all '0').
bool IncrementDigits(char *digits, int length)
{
    for (int i = length - 1; i >= 0; --i) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

// Cuts a record made by DoubleToDecimal to the form, rounding the first dropped digit (5 or more) upward:
// fixed style keeps `digits` places after the point, floating style `digits` significant digits.
void ApplyDecform(const decform &form, decimal *d)
{
    int length = d->sig.length;
    char *digits = reinterpret_cast<char *>(d->sig.text);
    if (digits[0] < '1' || digits[0] > '9')
        return; // zero, NaN, infinity
    bool fixed = form.style == FIXEDDECIMAL;
    int32_t kept = fixed ? length + d->exp + form.digits : (form.digits < 1 ? 1 : form.digits);
    if (kept >= length)
        return;
    if (kept < 0 || (kept == 0 && digits[0] < '5')) {
        SetZero(d);
        return;
    }
    bool roundUp = digits[kept] >= '5';
    int32_t exponent = d->exp + (length - kept);
    if (kept == 0) {
        SetSignificand(d, "1", 1);
        d->exp = static_cast<int16_t>(exponent);
        return;
    }
    length = kept;
    if (roundUp && IncrementDigits(digits, length)) {
        // 99..9 became 100..0: one digit more, or one place up in floating style.
        std::memmove(digits + 1, digits, length);
        digits[0] = '1';
        if (fixed)
            ++length;
        else
            ++exponent;
    }
    d->sig.length = static_cast<uint8_t>(length);
    d->exp = static_cast<int16_t>(exponent);
}

void NumberToDecimal(const decform *form, double x, decimal *d)
{
    IeeeDoubleWindow window(x);
    DoubleToDecimal(x, d);
    if (form)
        ApplyDecform(*form, d);
}

// ---- Text to decimal record ----

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// Parses s from the 1-based index, never beyond its length. Returns validPrefix.
int16_t ParseDecimal(ConstStr255Param s, int16_t *index, decimal *d)
{
    d->unused = 0;
    d->sig.unused = 0;
    SetZero(d);
    if (!s || !index)
        return 0;
    int length = s[0];
    int pos = *index < 1 ? 1 : *index;
    auto at = [&](int i) -> uint8_t { return i <= length ? s[i] : 0; };
    while (pos <= length && s[pos] <= ' ')
        ++pos;
    int8_t sign = 0;
    if (at(pos) == '-' || at(pos) == '+') {
        sign = at(pos) == '-';
        ++pos;
    }
    char digits[kMaxDigits];
    int stored = 0;
    int32_t exponent = 0;
    bool sawDigit = false, afterPoint = false;
    for (; pos <= length; ++pos) {
        uint8_t c = s[pos];
        if (c == '.' && !afterPoint) {
            afterPoint = true;
            continue;
        }
        if (!IsDigit(c))
            break;
        sawDigit = true;
        if (c == '0' && !stored) {
            if (afterPoint)
                --exponent; // a zero between the point and the first significant digit
        } else if (stored < kMaxDigits) {
            digits[stored++] = static_cast<char>(c);
            if (afterPoint)
                --exponent;
        } else if (!afterPoint) {
            ++exponent; // a digit beyond the twentieth, before the point
        }
    }
    if (!sawDigit)
        return 0; // nothing used: the index stays where it was
    // An exponent: 'e' or 'E', an optional sign and at least one digit; else the 'e' is not used.
    if (at(pos) == 'e' || at(pos) == 'E') {
        int p = pos + 1;
        bool negativeExponent = false;
        if (at(p) == '-' || at(p) == '+') {
            negativeExponent = at(p) == '-';
            ++p;
        }
        if (p <= length && IsDigit(s[p])) {
            int32_t value = 0;
            for (; p <= length && IsDigit(s[p]); ++p)
                if (value < 1000000)
                    value = value * 10 + (s[p] - '0');
            exponent += negativeExponent ? -value : value;
            pos = p;
        }
    }
    *index = static_cast<int16_t>(pos);
    if (!stored)
        return 1;
    while (stored > 1 && digits[stored - 1] == '0') {
        --stored;
        ++exponent;
    }
    d->sgn = sign;
    d->exp = static_cast<int16_t>(ClampExponent(exponent));
    SetSignificand(d, digits, stored);
    return 2;
}

// ---- Text forms ----

// The significand's digit at place k (0 is the first): beyond either end, '0'.
char DigitAt(const std::string &digits, int32_t k) { return k >= 0 && k < static_cast<int32_t>(digits.size()) ? digits[k] : '0'; }

// The integer digits (at least "0"), then `places` places after the point, the next digit rounding the
// last place up when it is 5 or more; a carry out of the first digit puts a '1' in front.
std::string FixedText(const std::string &digits, int32_t integerDigits, int32_t places)
{
    std::string text;
    if (integerDigits < 1)
        text = "0";
    for (int32_t k = 0; k < integerDigits; ++k)
        text += DigitAt(digits, k);
    std::string fraction;
    for (int32_t k = integerDigits; k < integerDigits + places; ++k)
        fraction += DigitAt(digits, k);
    if (DigitAt(digits, integerDigits + places) >= '5') {
        bool carry = IncrementDigits(fraction.data(), static_cast<int>(fraction.size()));
        if (carry && IncrementDigits(text.data(), static_cast<int>(text.size())))
            text.insert(text.begin(), '1');
    }
    if (places > 0)
        text += '.' + fraction;
    return text;
}

// 'e', '+' for an exponent that is not negative, then the exponent in decimal.
std::string ExponentText(int32_t exponent)
{
    char text[16];
    std::snprintf(text, sizeof text, exponent >= 0 ? "e+%ld" : "e%ld", static_cast<long>(exponent));
    return text;
}

// "NAN" or "INF" for those records; else NULL, with the record's digits read.
const char *SpecialText(const decimal &d, std::string *digits)
{
    switch (ReadSignificand(d, digits)) {
    case significandNaN:
        return "NAN";
    case significandInfinity:
        return "INF";
    default:
        return nullptr;
    }
}

std::string DecimalRecordText(const decform *form, const decimal &d)
{
    std::string digits;
    std::string sign = d.sgn ? "-" : "";
    if (const char *special = SpecialText(d, &digits))
        return sign + special;
    int32_t length = static_cast<int32_t>(digits.size());
    int32_t integerDigits = length + d.exp;
    bool fixed = form && form->style == FIXEDDECIMAL;
    if ((!form || fixed) && integerDigits < 21 && d.exp >= -19) {
        if (fixed) {
            int32_t places = form->digits < 0 ? 0 : form->digits;
            if (places >= DECSTROUTLEN)
                return "?";
            return sign + FixedText(digits, integerDigits, places);
        }
        std::string text = FixedText(digits, integerDigits, length - integerDigits);
        if (text.find('.') != std::string::npos) {
            while (text.back() == '0')
                text.pop_back();
            if (text.back() == '.')
                text.pop_back();
        }
        return sign + text;
    }
    std::string text = sign + digits[0];
    if (length > 1)
        text += '.' + digits.substr(1);
    return text + ExponentText(integerDigits - 1);
}

std::string NumberText(const decform &form, double x)
{
    decimal d;
    DoubleToDecimal(x, &d);
    std::string digits;
    std::string sign = d.sgn ? "-" : "";
    if (const char *special = SpecialText(d, &digits))
        return sign + special;
    int32_t integerDigits = static_cast<int32_t>(digits.size()) + d.exp;
    int32_t wanted = form.digits;
    if (form.style == FIXEDDECIMAL) {
        if (x < -1e15)
            return "?";
        if (std::fabs(x) < 1e-14) {
            digits = "0";
            sign.clear();
            integerDigits = 1;
        }
        if ((wanted ? integerDigits + wanted : integerDigits + 1) >= 20)
            return "?";
        if (wanted > 0)
            return sign + FixedText(digits, integerDigits, wanted);
        int32_t kept = integerDigits + wanted;
        if (kept < 0)
            return sign + "0";
        if (kept == 0)
            return sign + (digits[0] >= '5' ? "1" + std::string(-wanted, '0') : "0");
        std::string text;
        for (int32_t k = 0; k < kept; ++k)
            text += DigitAt(digits, k);
        return sign + text + std::string(-wanted, '0');
    }
    if (wanted > 255)
        return "?";
    std::string text = sign + digits[0] + '.';
    for (int32_t k = 1; k < wanted; ++k)
        text += DigitAt(digits, k);
    return text + ExponentText(integerDigits - 1);
}

// The text, or "?" when it takes more than `limit` characters.
const char *Bounded(const std::string &text, size_t limit) { return text.size() > limit ? "?" : text.c_str(); }

} // namespace

// ---- Services ----

void DecimalRecordToDouble(const void *src, void *dst)
{
    decimal d;
    std::memcpy(&d, src, sizeof d);
    uint64_t bits = DecimalToDoubleBits(d);
    std::memcpy(dst, &bits, sizeof bits);
}

// ---- Exports ----

ZEL_EXTERN_C void ZEL_CALL fp68k4(const decform *form, const void *src, void *dst, int16_t opword)
{
    if (opword != FOX2DEC) {
        ReportNumericsSubcode("fp68k4", opword);
        return;
    }
    double x;
    std::memcpy(&x, src, sizeof x);
    decimal d;
    NumberToDecimal(form, x, &d);
    std::memcpy(dst, &d, sizeof d);
}

ZEL_EXTERN_C void ZEL_CALL num2dec(const decform *form, double x, decimal *d) { fp68k4(form, &x, d, FOX2DEC); }

ZEL_EXTERN_C void ZEL_CALL Str2Dec(ConstStr255Param s, int16_t *index, decimal *d, Boolean *validPrefix)
{
    int16_t valid = ParseDecimal(s, index, d);
    if (validPrefix)
        *validPrefix = static_cast<Boolean>(valid);
}

ZEL_EXTERN_C void ZEL_CALL str2dec(ConstStr255Param s, int16_t *index, decimal *d, int16_t *validPrefix)
{
    int16_t valid = ParseDecimal(s, index, d);
    if (validPrefix)
        *validPrefix = valid;
}

ZEL_STUB_VOID(cstr2dec, (const char *, int16_t *, decimal *, int16_t *))

ZEL_EXTERN_C double ZEL_CALL Dec2Num(const decimal *d)
{
    double x;
    fp68k(d, &x, FODEC2X);
    return x;
}

ZEL_EXTERN_C double ZEL_CALL dec2num(const decimal *d) { return Dec2Num(d); }

ZEL_EXTERN_C double ZEL_CALL Str2Num(ConstStr255Param s)
{
    int16_t index = 1;
    decimal d;
    ParseDecimal(s, &index, &d);
    return Dec2Num(&d);
}

ZEL_EXTERN_C float ZEL_CALL dec2f(const decimal *d)
{
    IeeeDoubleWindow window;
    return window.Result(DecimalToFloat(*d));
}

ZEL_EXTERN_C void ZEL_CALL num2str(const decform *form, double x, unsigned char *s)
{
    IeeeDoubleWindow window(x);
    std::string text;
    if (form) {
        text = NumberText(*form, x);
    } else {
        decimal d;
        DoubleToDecimal(x, &d);
        text = DecimalRecordText(nullptr, d);
    }
    const char *bounded = Bounded(text, 255);
    size_t length = std::strlen(bounded);
    s[0] = static_cast<unsigned char>(length);
    std::memcpy(s + 1, bounded, length);
}

ZEL_EXTERN_C void ZEL_CALL dec2str(const decform *form, const decimal *d, char *s)
{
    std::string text = DecimalRecordText(form, *d);
    std::strcpy(s, Bounded(text, DECSTROUTLEN - 1));
}

// The digits of n as "%ld" writes them, without going through the formatter.
ZEL_EXTERN_C void ZEL_CALL numtostring(int32_t n, char *s)
{
    uint32_t magnitude = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (n < 0)
        *s++ = '-';
    while (count)
        *s++ = digits[--count];
    *s = 0;
}

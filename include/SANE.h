/* SANE numerics: the extended type, the fp68k family's conversions, classes, the rounding direction,
   financial and elementary functions. The extended type is an 8-byte IEEE double throughout; the
   ten-byte 80-bit extended is only a memory format that fp68k converts to and from. Doubles are passed
   by value and come back in ST0. The names that the C runtime also uses (nan, nanf, log2, fegetround,
   fesetround, isnanf) are declared in fp.h, which a source that includes math.h leaves out. */
#ifndef TOLVADEX_SANE_H
#define TOLVADEX_SANE_H
#define __SANE__

#include "MacTypes.h"

typedef double extended;
typedef int64_t comp;

#pragma pack(push, 2)
/* The 80-bit extended in memory: low mantissa, high mantissa with the explicit integer bit, then the
   sign and the exponent biased by 16383. */
typedef struct extended80 {
    uint32_t mantissaLow;
    uint32_t mantissaHigh;
    uint16_t signAndExponent;
} extended80;

/* The 96-bit extended of the 68881 (sign and exponent, a pad word, the 64-bit mantissa). */
typedef struct extended96 {
    uint16_t signAndExponent;
    uint16_t pad;
    uint32_t mantissaHigh;
    uint32_t mantissaLow;
} extended96;
/* A decimal record: value = (-1)^sgn x significand x 10^exp. The significand is a Pascal string of at
   most 20 digit characters; "N" stands for a NaN, "I" for an infinity, "0" for zero. */
enum { SIGDIGLEN = 20, DECSTROUTLEN = 80 };
typedef struct decimal {
    int8_t sgn; /* 1 negative */
    int8_t unused;
    int16_t exp;
    struct {
        uint8_t length;
        uint8_t text[SIGDIGLEN];
        uint8_t unused;
    } sig;
} decimal;

/* How a number becomes decimal: FLOATDECIMAL keeps `digits` significant digits, FIXEDDECIMAL `digits`
   places after the point. */
enum { FLOATDECIMAL = 0, FIXEDDECIMAL = 1 };
typedef struct decform {
    int8_t style;
    int8_t unused;
    int16_t digits;
} decform;
#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(decimal) == 26, "decimal is 26 bytes");
ZEL_STATIC_ASSERT(offsetof(decimal, sig) == 4, "sig at 4");
ZEL_STATIC_ASSERT(sizeof(decform) == 4, "decform is 4 bytes");

ZEL_STATIC_ASSERT(sizeof(extended80) == 10, "extended80 is 10 bytes");
ZEL_STATIC_ASSERT(offsetof(extended80, signAndExponent) == 8, "signAndExponent at 8");
ZEL_STATIC_ASSERT(sizeof(extended96) == 12, "extended96 is 12 bytes");

/* Rounding directions of SetRound and GetRound (fp.h gives the same values the FE_ names). */
enum { TONEAREST = 0, UPWARD = 1, DOWNWARD = 2, TOWARDZERO = 3 };
typedef int16_t rounddir;

/* Classes of classextended, fpclassifyd and fpclassifyf. */
enum { SNAN = 0, QNAN = 1, ZERONUM = 3, NORMALNUM = 4, DENORMALNUM = 5 };
#ifndef INFINITE /* windows.h takes this name for its wait time-out */
enum { INFINITE = 2 };
#endif
typedef int16_t numclass;

/* fp68k opwords. */
enum {
    FODEC2X = 0x0009, /* decimal record to double */
    FOX2DEC = 0x000B, /* double to decimal record (fp68k4) */
    FOX2X = 0x080E,  /* double to 80-bit extended */
    FOX2D = 0x0810,  /* 80-bit extended to double */
    FOCLASS = 0x081C,/* class of a double, stored as a 16-bit integer */
    FOC2X = 0x300E,  /* comp to double */
    FOX2C = 0x3010   /* double to comp */
};

ZEL_API void ZEL_CALL fp68k(const void *src, void *dst, int16_t opword);
/* Subcode 1 loads the floating-point control word from *p, 3 stores the status word at p, 23 stores
   it and clears the exceptions. */
ZEL_API void ZEL_CALL fp68k2(void *p, int16_t subcode);
ZEL_API void ZEL_CALL elems68k(void *x, int16_t opword);
ZEL_API void ZEL_CALL x80tox96(const extended80 *x80, extended96 *x96);
ZEL_API void ZEL_CALL x96tox80(const extended96 *x96, extended80 *x80);
ZEL_API void ZEL_CALL x80told(const extended80 *x80, void *ld);

ZEL_API rounddir ZEL_CALL GetRound(void);
ZEL_API void ZEL_CALL SetRound(rounddir direction);

ZEL_API double ZEL_CALL Rint(double x);
ZEL_API int32_t ZEL_CALL Num2LongInt(double x);
ZEL_API int16_t ZEL_CALL Num2Integer(double x);
ZEL_API int32_t ZEL_CALL rinttol(double x);

ZEL_API numclass ZEL_CALL classextended(double x);
ZEL_API int32_t ZEL_CALL fpclassifyd(double x);
ZEL_API int32_t ZEL_CALL fpclassifyf(float x);

ZEL_API double ZEL_CALL randomx(double *x);
ZEL_API double ZEL_CALL compound(double rate, double periods);
ZEL_API double ZEL_CALL annuity(double rate, double periods);
ZEL_API double ZEL_CALL power(double x, double y);
ZEL_API double ZEL_CALL XpwrY(double x, double y);
ZEL_API double ZEL_CALL iPower(double x, int32_t n);
ZEL_API double ZEL_CALL XpwrI(double x, int32_t n);

ZEL_API double ZEL_CALL ArcTan(double x);
ZEL_API double ZEL_CALL Ln(double x);
ZEL_API double ZEL_CALL Log2(double x);
ZEL_API double ZEL_CALL ZEL_Exp(double x);
ZEL_API double ZEL_CALL Exp1(double x);
ZEL_API double ZEL_CALL Ln1(double x);
ZEL_API double ZEL_CALL ZEL_Sin(double x);
ZEL_API double ZEL_CALL ZEL_Cos(double x);
ZEL_API double ZEL_CALL ZEL_Tan(double x);

/* ---- Decimal conversion ---- */
/* Opword FOX2DEC: the double at src as a decimal record at dst, cut to the form when there is one. */
ZEL_API void ZEL_CALL fp68k4(const decform *form, const void *src, void *dst, int16_t opword);
/* Parses the Pascal string from the 1-based *index; *index ends after the characters used, *validPrefix
   is 0 when no digit was seen, 1 for zeros only, 2 otherwise (str2dec stores it in 16 bits). */
ZEL_API void ZEL_CALL Str2Dec(ConstStr255Param s, int16_t *index, decimal *d, Boolean *validPrefix);
ZEL_API void ZEL_CALL str2dec(ConstStr255Param s, int16_t *index, decimal *d, int16_t *validPrefix);
ZEL_API void ZEL_CALL cstr2dec(const char *s, int16_t *index, decimal *d, int16_t *validPrefix);
ZEL_API double ZEL_CALL Str2Num(ConstStr255Param s);
ZEL_API double ZEL_CALL dec2num(const decimal *d);
ZEL_API double ZEL_CALL Dec2Num(const decimal *d);
ZEL_API float ZEL_CALL dec2f(const decimal *d);
ZEL_API void ZEL_CALL num2dec(const decform *form, double x, decimal *d);
/* Pascal string of at most 255 characters; "?" when the number does not fit. */
ZEL_API void ZEL_CALL num2str(const decform *form, double x, unsigned char *s);
/* NUL-terminated, at most DECSTROUTLEN bytes with the NUL; form may be NULL. */
ZEL_API void ZEL_CALL dec2str(const decform *form, const decimal *d, char *s);
ZEL_API void ZEL_CALL numtostring(int32_t n, char *s);

#endif

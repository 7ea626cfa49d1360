/* The numerics calls published under names the C runtime also uses, with the fp.h constants. The C
   runtime's math.h and fenv.h declare functions of those names with its own calling convention and its
   own rounding values, so fp.h reads them first and then gives the published names to the library's
   calls: a source that includes fp.h calls the library's nan, log2 and fesetround, whichever of these
   headers it includes and in what order. */
#ifndef TOLVADEX_FP_H
#define TOLVADEX_FP_H
#define __FP__

#include "SANE.h"
#include <math.h>
#include <fenv.h>

/* Rounding directions, the values SetRound takes. */
#undef FE_TONEAREST
#undef FE_UPWARD
#undef FE_DOWNWARD
#undef FE_TOWARDZERO
#define FE_TONEAREST 0
#define FE_UPWARD 1
#define FE_DOWNWARD 2
#define FE_TOWARDZERO 3

/* Classes of fpclassifyd and fpclassifyf, and the classifying macros in their terms (math.h's own are
   written against the C runtime's classes). */
#undef FP_NAN
#undef FP_SNAN
#undef FP_QNAN
#undef FP_INFINITE
#undef FP_ZERO
#undef FP_NORMAL
#undef FP_SUBNORMAL
#undef fpclassify
#undef isnan
#undef isinf
#undef isfinite
#undef isnormal
#define FP_SNAN 0
#define FP_QNAN 1
#define FP_INFINITE 2
#define FP_ZERO 3
#define FP_NORMAL 4
#define FP_SUBNORMAL 5
#define fpclassify(x) (sizeof(x) == sizeof(float) ? fpclassifyf((float)(x)) : fpclassifyd((double)(x)))
#define isnan(x) (fpclassify(x) <= FP_QNAN)
#define isinf(x) (fpclassify(x) == FP_INFINITE)
#define isfinite(x) (fpclassify(x) >= FP_ZERO)
#define isnormal(x) (fpclassify(x) == FP_NORMAL)

/* The exports of those names, declared under names of their own and bound to the exported symbols;
   the published names then stand for them (a call, or a procedure's address). */
#ifdef TOLVADEX_BUILDING
#define ZEL_FP_EXPORT(symbol)
#else
#define ZEL_FP_EXPORT(symbol) __asm__(symbol)
#endif
/* Direction values outside 0..3 are ignored; fesetround then answers non-zero. */
ZEL_API int ZEL_CALL ZEL_fegetround(void) ZEL_FP_EXPORT("fegetround@0");
ZEL_API int ZEL_CALL ZEL_fesetround(int direction) ZEL_FP_EXPORT("fesetround@4");
/* A NaN whose code is the decimal value of the string (positive, quiet bit clear). */
ZEL_API double ZEL_CALL ZEL_nan(const char *code) ZEL_FP_EXPORT("nan@4");
ZEL_API float ZEL_CALL ZEL_nanf(const char *code) ZEL_FP_EXPORT("nanf@4");
ZEL_API int32_t ZEL_CALL ZEL_isnanf(float x) ZEL_FP_EXPORT("isnanf@4");
ZEL_API double ZEL_CALL ZEL_log2(double x) ZEL_FP_EXPORT("log2@8");
#ifndef TOLVADEX_BUILDING
#define fegetround ZEL_fegetround
#define fesetround ZEL_fesetround
#define nan ZEL_nan
#define nanf ZEL_nanf
#define isnanf ZEL_isnanf
#define log2 ZEL_log2
#endif

#endif

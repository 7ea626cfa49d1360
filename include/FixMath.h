/* Fixed-point arithmetic: Fixed (16.16) and Fract (2.30). Extended values are doubles, passed by value and
   returned in ST0. */
#ifndef TOLVADEX_FIXMATH_H
#define TOLVADEX_FIXMATH_H
#define __FIXMATH__

#include "MacTypes.h"

#define fixed1 ((Fixed)0x00010000)
#define fract1 ((Fract)0x40000000)

/* n / d as Fixed; 0x7FFFFFFF (0x80000001 for negative n) when d is 0. */
ZEL_API Fixed ZEL_CALL FixRatio(int16_t numer, int16_t denom);
ZEL_API Fixed ZEL_CALL FixMul(Fixed a, Fixed b);
ZEL_API Fixed ZEL_CALL FixDiv(Fixed a, Fixed b);
/* Halves away from zero. */
ZEL_API int16_t ZEL_CALL FixRound(Fixed a);
/* Halves upward. */
ZEL_API int32_t ZEL_CALL Fix2Long(Fixed a);
ZEL_API Fixed ZEL_CALL Long2Fix(int32_t n);
ZEL_API Fixed ZEL_CALL Frac2Fix(Fract f);
/* A Fixed as a Fract: exact where the value fits in -2.0 .. 2.0, else the nearest limit. */
ZEL_API Fract ZEL_CALL Fix2Frac(Fixed x);
ZEL_API double ZEL_CALL Fix2X(Fixed a);
ZEL_API double ZEL_CALL Frac2X(Fract f);
ZEL_API Fixed ZEL_CALL X2Fix(double x);
ZEL_API Fract ZEL_CALL X2Frac(double x);
ZEL_API Fract ZEL_CALL FracMul(Fract a, Fract b);
ZEL_API Fract ZEL_CALL FracDiv(Fract a, Fract b);
ZEL_API Fract ZEL_CALL FracSqrt(Fract f);
/* Sine and cosine of a Fixed angle in radians. */
ZEL_API Fract ZEL_CALL FracSin(Fixed angle);
ZEL_API Fract ZEL_CALL FracCos(Fixed angle);
/* The angle of (x, y) in radians, as Fixed. */
ZEL_API Fixed ZEL_CALL FixATan2(int32_t x, int32_t y);
/* The slope's angle in whole degrees. */
ZEL_API int16_t ZEL_CALL AngleFromSlope(Fixed slope);

#endif

/* Fixed-point arithmetic: Fixed (16.16) and Fract (2.30). */
#ifndef TOLVADEX_FIXMATH_H
#define TOLVADEX_FIXMATH_H

#include "MacTypes.h"

#define fixed1 ((Fixed)0x00010000)
#define fract1 ((Fract)0x40000000)

/* A Fixed as a Fract: exact where the value fits in -2.0 .. 2.0, else the nearest limit. */
ZEL_API Fract ZEL_CALL Fix2Frac(Fixed x);

#endif

/* The numerics calls published under names the C runtime also uses, with the fp.h constants. A source
   that includes math.h or fenv.h keeps to SANE.h; the library exports these names all the same. */
#ifndef TOLVADEX_FP_H
#define TOLVADEX_FP_H

#include "SANE.h"

/* Rounding directions, the values SetRound takes. */
#define FE_TONEAREST 0
#define FE_UPWARD 1
#define FE_DOWNWARD 2
#define FE_TOWARDZERO 3

/* Classes of fpclassifyd and fpclassifyf. */
#define FP_SNAN 0
#define FP_QNAN 1
#define FP_INFINITE 2
#define FP_ZERO 3
#define FP_NORMAL 4
#define FP_SUBNORMAL 5

/* Direction values outside 0..3 are ignored; fesetround then answers non-zero. */
ZEL_API int ZEL_CALL fegetround(void);
ZEL_API int ZEL_CALL fesetround(int direction);
/* A NaN whose code is the decimal value of the string (positive, quiet bit clear). */
ZEL_API double ZEL_CALL nan(const char *code);
ZEL_API float ZEL_CALL nanf(const char *code);
ZEL_API int32_t ZEL_CALL isnanf(float x);
ZEL_API double ZEL_CALL log2(double x);

#endif

/* The C runtime's math.h and fenv.h come first and again after fp.h: its names still reach the
   library's calls. */
#include <math.h>
#include "fp.h"
#include <fenv.h>
#include <math.h>
#include "fp_header_calls.h"

#include <string.h>

int FpHeaderGetRound(void) { return fegetround(); }

int FpHeaderSetRound(int direction) { return fesetround(direction); }

double FpHeaderNan(const char *code) { return nan(code); }

uint32_t FpHeaderNanf(const char *code)
{
    float f = nanf(code);
    uint32_t bits;
    memcpy(&bits, &f, sizeof bits);
    return bits;
}

int32_t FpHeaderIsNanf(uint32_t bits)
{
    float f;
    memcpy(&f, &bits, sizeof f);
    return isnanf(f);
}

FpDoubleFunction FpHeaderLog2(void) { return log2; }

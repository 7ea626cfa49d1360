// Calls of the entry points declared in fp.h, made from a C source that includes fp.h alone (the names
// clash with the C runtime's math.h), so they go through the import library as a host's would.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef double(__stdcall *FpDoubleFunction)(double);
int FpHeaderGetRound(void);
int FpHeaderSetRound(int direction);
// The NaN as it comes back in ST0, and nanf's bits.
double FpHeaderNan(const char *code);
uint32_t FpHeaderNanf(const char *code);
int32_t FpHeaderIsNanf(uint32_t bits);
FpDoubleFunction FpHeaderLog2(void);

#ifdef __cplusplus
}
#endif

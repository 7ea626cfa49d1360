/* Pascal call glue: CallPascal and its typed forms take the routine's arguments and then the routine.
   They call nothing and answer 0. Their argument lists vary, so they use the C convention: the caller
   removes what it pushed (link them through the import library). */
#ifndef TOLVADEX_MIXEDMODE_H
#define TOLVADEX_MIXEDMODE_H
#define __MIXEDMODE__

#include "MacTypes.h"

#ifdef __cplusplus
#define ZEL_ANY_ARGUMENTS ...
#else
#define ZEL_ANY_ARGUMENTS /* an unprototyped list: any arguments */
#endif

ZEL_API void __cdecl CallPascal(ZEL_ANY_ARGUMENTS);
ZEL_API Boolean __cdecl CallPascalB(ZEL_ANY_ARGUMENTS);
ZEL_API int16_t __cdecl CallPascalW(ZEL_ANY_ARGUMENTS);
ZEL_API int32_t __cdecl CallPascalL(ZEL_ANY_ARGUMENTS);

#endif

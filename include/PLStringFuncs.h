/* Pascal-string routines modelled on the C library's string functions. Characters compare as unsigned
   bytes; results that point into a string point at the character itself (past the length byte). */
#ifndef TOLVADEX_PLSTRINGFUNCS_H
#define TOLVADEX_PLSTRINGFUNCS_H
#define __PLSTRINGFUNCS__

#include "MacTypes.h"

/* Byte difference at the first mismatch; on an equal common part 1, -1 or 0 by length. */
ZEL_API int16_t ZEL_CALL PLstrcmp(ConstStr255Param str1, ConstStr255Param str2);
ZEL_API int16_t ZEL_CALL PLstrncmp(ConstStr255Param str1, ConstStr255Param str2, int16_t num);
ZEL_API StringPtr ZEL_CALL PLstrcpy(StringPtr str1, ConstStr255Param str2);
ZEL_API StringPtr ZEL_CALL PLstrncpy(StringPtr str1, ConstStr255Param str2, int16_t num);
/* Appending stops when str1 reaches 255 characters. */
ZEL_API StringPtr ZEL_CALL PLstrcat(StringPtr str1, ConstStr255Param str2);
ZEL_API StringPtr ZEL_CALL PLstrncat(StringPtr str1, ConstStr255Param str2, int16_t num);
ZEL_API Ptr ZEL_CALL PLstrchr(ConstStr255Param str1, int16_t ch);
ZEL_API Ptr ZEL_CALL PLstrrchr(ConstStr255Param str1, int16_t ch);
ZEL_API Ptr ZEL_CALL PLstrpbrk(ConstStr255Param str1, ConstStr255Param str2);
ZEL_API int16_t ZEL_CALL PLstrspn(ConstStr255Param str1, ConstStr255Param str2);
/* Where str2 begins inside str1, or nil; an empty str2 is found at the start. */
ZEL_API Ptr ZEL_CALL PLstrstr(ConstStr255Param str1, ConstStr255Param str2);
ZEL_API int16_t ZEL_CALL PLstrlen(ConstStr255Param str);
/* 1-based position of str2 inside str1, 0 when absent. */
ZEL_API int16_t ZEL_CALL PLpos(ConstStr255Param str1, ConstStr255Param str2);

#endif

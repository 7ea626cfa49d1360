/* Text utilities: string handles, 'STR ' and 'STR#' resources, Munger, upper-casing and comparison of
   Macintosh strings. */
#ifndef TOLVADEX_TEXTUTILS_H
#define TOLVADEX_TEXTUTILS_H

#include "MacTypes.h"

ZEL_API StringHandle ZEL_CALL NewString(ConstStr255Param theString);
ZEL_API void ZEL_CALL SetString(StringHandle theString, ConstStr255Param strNew);
ZEL_API StringHandle ZEL_CALL GetString(int16_t stringID);
/* The index-th string (from 1) of 'STR#' strListID; empty when there is none. */
ZEL_API void ZEL_CALL GetIndString(unsigned char *theString, int16_t strListID, int16_t index);
/* Finds, inserts, deletes or replaces bytes in h from offset; the offset after the edit, or -1. */
ZEL_API int32_t ZEL_CALL Munger(Handle h, int32_t offset, const void *ptr1, int32_t len1, const void *ptr2,
                                int32_t len2);
ZEL_API void ZEL_CALL UpperString(unsigned char *theString, Boolean diacSensitive);
/* -1, 0 or 1. */
ZEL_API int16_t ZEL_CALL RelString(ConstStr255Param str1, ConstStr255Param str2, Boolean caseSensitive,
                                   Boolean diacSensitive);

#endif

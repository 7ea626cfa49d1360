/* Text utilities: string handles, 'STR ' and 'STR#' resources, Munger, upper-casing and comparison of
   Macintosh strings. */
#ifndef TOLVADEX_TEXTUTILS_H
#define TOLVADEX_TEXTUTILS_H
#define __TEXTUTILS__

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

/* International Utilities on the Macintosh Roman sort order: -1, 0 or 1. IUMagString compares the
   primary keys (case and marks ignored), then the secondary keys (upper-case and unmarked forms first);
   a length of 0 or less is an empty string. */
ZEL_API int16_t ZEL_CALL IUMagString(const void *aPtr, const void *bPtr, int16_t aLen, int16_t bLen);
ZEL_API int16_t ZEL_CALL IUCompString(ConstStr255Param aStr, ConstStr255Param bStr);
/* 1 when the strings differ under the primary keys, else 0. */
ZEL_API int16_t ZEL_CALL IUEqualString(ConstStr255Param aStr, ConstStr255Param bStr);
/* 1 when the lengths or the primary keys differ, else 0. */
ZEL_API int16_t ZEL_CALL IUMagIDString(const void *aPtr, const void *bPtr, int16_t aLen, int16_t bLen);
/* Ordinal comparison of the bytes taken as signed (0x80..0xFF before 0x00..0x7F). */
ZEL_API int16_t ZEL_CALL IUMagPString(const void *aPtr, const void *bPtr, int16_t aLen, int16_t bLen, Handle itl2Handle);
/* Answers 0. */
ZEL_API int16_t ZEL_CALL IUCompPString(ConstStr255Param aStr, ConstStr255Param bStr, Handle itl2Handle);
/* Answer -1. */
ZEL_API int16_t ZEL_CALL IUEqualPString(ConstStr255Param aStr, ConstStr255Param bStr, Handle itl2Handle);
ZEL_API int16_t ZEL_CALL IUMagIDPString(const void *aPtr, const void *bPtr, int16_t aLen, int16_t bLen, Handle itl2Handle);

/* a..z become A..Z in place; other bytes are left as they are. */
ZEL_API void ZEL_CALL UppercaseText(Ptr textPtr, int16_t len, ScriptCode script);
/* Leaves the text as it is. */
ZEL_API void ZEL_CALL LowercaseText(Ptr textPtr, int16_t len, ScriptCode script);

/* Reads every character: '+' and '-' set the sign (the last wins), digits accumulate, others are passed
   over. Also answers the number. */
ZEL_API int32_t ZEL_CALL StringToNum(ConstStr255Param theString, ZEL_Long *theNum);
ZEL_API void ZEL_CALL NumToString(int32_t theNum, Str255 theString);

#endif

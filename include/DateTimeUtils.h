/* Date and time utilities: seconds since 1 January 1904 to calendar records and back (32-bit and 64-bit
   counts), and the International Utilities' formatting and parsing of dates and times in the session's
   locale. */
#ifndef TOLVADEX_DATETIMEUTILS_H
#define TOLVADEX_DATETIMEUTILS_H
#define __DATETIMEUTILS__

#include "MacTypes.h"
#include "OSUtils.h"

/* Seconds since 1 January 1904 as a signed 64-bit count (SANE's comp). */
typedef int64_t LongDateTime;

#pragma pack(push, 2)
typedef union LongDateRec {
    struct {
        int16_t era;
        int16_t year;
        int16_t month;
        int16_t day;
        int16_t hour;
        int16_t minute;
        int16_t second;
        int16_t dayOfWeek;  /* 1 = Sunday .. 7 = Saturday */
        int16_t dayOfYear;  /* from 1 */
        int16_t weekOfYear; /* from 1 */
        int16_t pm;         /* 1 from 12:00 */
        int16_t res1;
        int16_t res2;
        int16_t res3;
    } ld;
    int16_t list[14];
    struct {
        int16_t eraAlt;
        DateTimeRec oldDate;
    } od;
} LongDateRec;

typedef struct DateCacheRecord {
    int16_t hidden[256];
} DateCacheRecord;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(LongDateRec) == 28, "LongDateRec is 28 bytes");
ZEL_STATIC_ASSERT(offsetof(LongDateRec, ld.hour) == 8, "hour at 8");
ZEL_STATIC_ASSERT(offsetof(LongDateRec, ld.pm) == 20, "pm at 20");
ZEL_STATIC_ASSERT(sizeof(DateCacheRecord) == 512, "DateCacheRecord is 512 bytes");
typedef DateCacheRecord *DateCachePtr;

/* The forms of IUDateString. */
typedef int8_t DateForm;
enum { shortDate = 0, longDate = 1, abbrevDate = 2 };

/* Status bits of StringToDate and StringToTime. */
typedef int16_t StringToDateStatus;
enum {
    fatalDateTime = (int16_t)0x8000,
    longDateFound = 1,
    leftOverChars = 2,
    sepNotIntlSep = 4,
    fieldOrderNotIntl = 8,
    extraneousStrings = 16,
    tooManySeps = 32,
    sepNotConsistent = 64,
    tokenErr = (int16_t)0x8100,
    cantReadUtilities = (int16_t)0x8200,
    dateTimeNotFound = (int16_t)0x8400,
    dateTimeInvalid = (int16_t)0x8800
};

/* Field bits of ValidDate: bit i checks field i of LongDateRec (era 0 .. weekOfYear 9). */
enum {
    eraMask = 0x0001, yearMask = 0x0002, monthMask = 0x0004, dayMask = 0x0008, hourMask = 0x0010,
    minuteMask = 0x0020, secondMask = 0x0040, dayOfWeekMask = 0x0080, dayOfYearMask = 0x0100,
    weekOfYearMask = 0x0200
};

/* 32-bit seconds from 1904-01-01 00:00:00 to 2040-02-06 06:28:15. DateToSeconds answers 0 for a date
   outside 1904..2040, a month outside 1..12 or a moment past the last second. */
ZEL_API void ZEL_CALL SecondsToDate(uint32_t secs, DateTimeRec *d);
ZEL_API void ZEL_CALL DateToSeconds(const DateTimeRec *d, ZEL_ULong *secs);
/* 64-bit seconds on the Gregorian calendar, in both directions; months outside 1..12 carry into the
   year. */
ZEL_API void ZEL_CALL LongSecondsToDate(const LongDateTime *lSecs, LongDateRec *lDate);
ZEL_API void ZEL_CALL LongDateToSeconds(const LongDateRec *lDate, LongDateTime *lSecs);
/* Converts the record to seconds and back: dateTimeInvalid when a field named in `flags` changes, else
   -1; the seconds go to *newSecs. */
ZEL_API int16_t ZEL_CALL ValidDate(LongDateRec *date, int32_t flags, LongDateTime *newSecs);
ZEL_API OSErr ZEL_CALL InitDateCache(DateCachePtr theCache);

/* Dates and times as text in the session's formats (Str255 results of at most 255 characters). */
ZEL_API void ZEL_CALL IUDateString(int32_t dateTime, DateForm longFlag, unsigned char *result);
ZEL_API void ZEL_CALL IUDatePString(int32_t dateTime, DateForm longFlag, unsigned char *result, Handle intlHandle);
ZEL_API void ZEL_CALL IULDateString(LongDateTime *dateTime, DateForm longFlag, unsigned char *result,
                                    Handle intlHandle);
ZEL_API void ZEL_CALL IUTimeString(int32_t dateTime, Boolean wantSeconds, unsigned char *result);
ZEL_API void ZEL_CALL IUTimePString(int32_t dateTime, Boolean wantSeconds, unsigned char *result, Handle intlHandle);
ZEL_API void ZEL_CALL IULTimeString(LongDateTime *dateTime, Boolean wantSeconds, unsigned char *result,
                                    Handle intlHandle);

/* Reads a date (year, month, day) or a time (hour, minute, second) from at most 63 characters of text
   into *dateTime; *lengthUsed takes the characters read. */
ZEL_API StringToDateStatus ZEL_CALL StringToDate(Ptr textPtr, int32_t textLen, DateCachePtr theCache,
                                                 ZEL_Long *lengthUsed, LongDateRec *dateTime);
ZEL_API StringToDateStatus ZEL_CALL StringToTime(Ptr textPtr, int32_t textLen, DateCachePtr theCache,
                                                 ZEL_Long *lengthUsed, LongDateRec *dateTime);

#endif

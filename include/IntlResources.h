/* The international records: number and time formats ('INTL' 0) and long-date formats ('INTL' 1). */
#ifndef TOLVADEX_INTLRESOURCES_H
#define TOLVADEX_INTLRESOURCES_H
#define __INTLRESOURCES__

#include "MacTypes.h"

#pragma pack(push, 2)
typedef struct Intl0Rec {
    char decimalPt;
    char thousSep;
    char listSep;
    char currSym1;
    char currSym2;
    char currSym3;
    uint8_t currFmt;     /* 0x80 leading zero, 0x40 trailing decimals, 0x20 negative in minus, 0x10 symbol after */
    uint8_t dateOrder;   /* 0 month-day-year, 1 day-month-year, 2 year-month-day */
    uint8_t shrtDateFmt; /* 0x80 century, 0x40 month leading zero, 0x20 day leading zero */
    char dateSep;
    uint8_t timeCycle;   /* 0 24-hour, 255 12-hour */
    uint8_t timeFmt;     /* 0x80 hour leading zero, 0x40 minute and second leading zeros */
    char mornStr[4];     /* not NUL-terminated */
    char eveStr[4];
    char timeSep;
    char time1Suff, time2Suff, time3Suff, time4Suff, time5Suff, time6Suff, time7Suff, time8Suff;
    uint8_t metricSys;
    int16_t intl0Vers;
} Intl0Rec;

typedef struct Intl1Rec {
    Str15 days[7];       /* Sunday first */
    Str15 months[12];
    uint8_t suppressDay; /* 1 day of month and weekday, 2 weekday, 4 month, 8 year */
    uint8_t lngDateFmt;  /* field p of the long date in bits 2p..2p+1: 0 day, 1 weekday, 2 month, 3 year */
    uint8_t dayLeading0;
    uint8_t abbrLen;
    char st0[4];
    char st1[4];
    char st2[4];
    char st3[4];
    char st4[4];
    int16_t intl1Vers;
    int16_t localRtn[1];
} Intl1Rec;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(Intl0Rec) == 32, "Intl0Rec is 32 bytes");
ZEL_STATIC_ASSERT(offsetof(Intl0Rec, mornStr) == 12, "mornStr at 12");
ZEL_STATIC_ASSERT(offsetof(Intl0Rec, timeSep) == 20, "timeSep at 20");
ZEL_STATIC_ASSERT(offsetof(Intl0Rec, intl0Vers) == 30, "intl0Vers at 30");
ZEL_STATIC_ASSERT(sizeof(Intl1Rec) == 332, "Intl1Rec is 332 bytes");
ZEL_STATIC_ASSERT(offsetof(Intl1Rec, suppressDay) == 304, "suppressDay at 304");
ZEL_STATIC_ASSERT(offsetof(Intl1Rec, st0) == 308, "st0 at 308");
ZEL_STATIC_ASSERT(offsetof(Intl1Rec, intl1Vers) == 328, "intl1Vers at 328");

typedef Intl0Rec *Intl0Ptr;
typedef Intl0Ptr *Intl0Hndl;
typedef Intl1Rec *Intl1Ptr;
typedef Intl1Ptr *Intl1Hndl;

#endif

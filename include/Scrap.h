/* Scrap Manager: the scrap record. */
#ifndef TOLVADEX_SCRAP_H
#define TOLVADEX_SCRAP_H

#include "MacTypes.h"

#pragma pack(push, 2)

/* The desk scrap's state: its size and handle, a count that grows with every change, its state word and
   the name of the scrap file. */
typedef struct ScrapStuff {
    int32_t scrapSize;
    Handle scrapHandle;
    int16_t scrapCount;
    int16_t scrapState;
    StringPtr scrapName;
} ScrapStuff;
typedef ScrapStuff *PScrapStuff;
typedef ScrapStuff *ScrapStuffPtr;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(ScrapStuff) == 16, "ScrapStuff is 16 bytes");
ZEL_STATIC_ASSERT(offsetof(ScrapStuff, scrapHandle) == 4, "scrapHandle at 4");
ZEL_STATIC_ASSERT(offsetof(ScrapStuff, scrapCount) == 8, "scrapCount at 8");
ZEL_STATIC_ASSERT(offsetof(ScrapStuff, scrapState) == 10, "scrapState at 10");
ZEL_STATIC_ASSERT(offsetof(ScrapStuff, scrapName) == 12, "scrapName at 12");

/* The library's scrap record, exported as data; Setup_Globals gives it to the ScrapInfo global. */
ZEL_DATA ScrapStuff ScrapInfo;

#endif

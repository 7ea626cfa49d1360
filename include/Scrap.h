/* Scrap Manager: the scrap record. */
#ifndef TOLVADEX_SCRAP_H
#define TOLVADEX_SCRAP_H
#define __SCRAP__

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

/* The scrap is the Windows clipboard; the host's scrap callback converts between its formats and scrap
   types. GetScrap answers the length placed in hDest or an error (-102 no such type, -45 the clipboard
   is held elsewhere); PutScrap -100 when the callback refuses the data. */
ZEL_API PScrapStuff ZEL_CALL InfoScrap(void);
ZEL_API int32_t ZEL_CALL GetScrap(Handle hDest, ResType theType, ZEL_Long *offset);
ZEL_API OSErr ZEL_CALL PutScrap(int32_t length, ResType theType, const void *source);
ZEL_API OSErr ZEL_CALL ZeroScrap(void);
ZEL_API OSErr ZEL_CALL LoadScrap(void);
ZEL_API OSErr ZEL_CALL LodeScrap(void);
ZEL_API OSErr ZEL_CALL UnloadScrap(void);
ZEL_API OSErr ZEL_CALL UnlodeScrap(void);
/* The host calls it when its main window receives WM_DRAWCLIPBOARD. */
ZEL_API void ZEL_CALL ZEL_DrawClipboard(void);

#endif

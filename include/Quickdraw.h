/* QuickDraw: the records shared by every drawing call and the QuickDraw globals. */
#ifndef TOLVADEX_QUICKDRAW_H
#define TOLVADEX_QUICKDRAW_H

#include "MacTypes.h"

#pragma pack(push, 2)

typedef struct Pattern {
    uint8_t pat[8];
} Pattern;

typedef struct BitMap {
    Ptr baseAddr;
    int16_t rowBytes;
    Rect bounds;
} BitMap;
typedef BitMap *BitMapPtr;

typedef int16_t Bits16[16];
typedef struct Cursor {
    Bits16 data;
    Bits16 mask;
    Point hotSpot;
} Cursor;
typedef Cursor *CursPtr;
typedef CursPtr *CursHandle;

struct GrafPort;
typedef struct GrafPort *GrafPtr;
typedef GrafPtr WindowPtr;

struct MacRegion;
typedef struct MacRegion Region;
typedef struct MacRegion *RgnPtr;
typedef RgnPtr *RgnHandle;

struct GDevice;
typedef struct GDevice *GDPtr;
typedef GDPtr *GDHandle;

/* The QuickDraw globals, in their published order: private bytes, then randSeed .. thePort. */
typedef struct QDGlobals {
    char privates[76];
    int32_t randSeed;
    BitMap screenBits;
    Cursor arrow;
    Pattern dkGray;
    Pattern ltGray;
    Pattern gray;
    Pattern black;
    Pattern white;
    GrafPtr thePort;
} QDGlobals;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(Pattern) == 8, "Pattern is 8 bytes");
ZEL_STATIC_ASSERT(sizeof(BitMap) == 14, "BitMap is 14 bytes");
ZEL_STATIC_ASSERT(sizeof(Cursor) == 68, "Cursor is 68 bytes");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, randSeed) == 76, "randSeed at 76");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, screenBits) == 80, "screenBits at 80");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, arrow) == 94, "arrow at 94");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, dkGray) == 162, "dkGray at 162");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, white) == 194, "white at 194");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, thePort) == 202, "thePort at 202");
ZEL_STATIC_ASSERT(sizeof(QDGlobals) == 206, "QDGlobals is 206 bytes");

/* The library's QuickDraw globals, exported as data; Setup_Globals points the QuickDraw slots of the
   low-memory pointer block at its fields. */
ZEL_DATA QDGlobals qd;

/* Patchable through the trap table. */
ZEL_API void ZEL_CALL SetOrigin(int16_t h, int16_t v);
ZEL_API void ZEL_CALL EraseRect(const Rect *r);
ZEL_API void ZEL_CALL SetCurso(const Cursor *crsr);
ZEL_API void ZEL_CALL InitCursor(void);

#endif

/* Low-memory globals: the host's pointer block, ZEL_InitGlobals, Setup_Globals and the LMGet/LMSet
   accessors. Every system global lives where its cell points: in host storage when the host's block
   supplies it, else in storage of the library's own. */
#ifndef TOLVADEX_LOWMEM_H
#define TOLVADEX_LOWMEM_H
#define __LOWMEM__

#include "MacTypes.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "Scrap.h"


#pragma pack(push, 2)

/* The host's low-memory pointer block. Its first word is its own size: at most 240 bytes are read, a
   size of 0 or less reads nothing. Each slot points at the host's storage for that global, or is 0 to
   leave the global to the library. Storage supplied for a global must be as wide as the global: the
   patterns, the arrow cursor, screenBits, ScrapInfo, HiliteRGB and the 10-byte event queue header
   included. */
typedef struct LowMemPointerBlock {
    int16_t size;
    int16_t version; /* 256 in a block made by Setup_Globals; not read */
    int16_t *SFSaveDisk;
    int32_t *CurDirStore;
    int16_t *SFVRefNum;
    GDHandle *MainDevice;
    GDHandle *DeviceList;
    GrafPtr *WMgrPort;
    void *EventQueue; /* the event queue header: qFlags (16 bits), qHead, qTail */
    int16_t *MBarHeight;
    OSErr *MemErr;
    RgnHandle *GrayRgn;
    WindowPtr *WindowList;
    GrafPtr *thePort;
    Pattern *white;
    Pattern *black;
    Pattern *gray;
    Pattern *ltGray;
    Pattern *dkGray;
    Cursor *arrow;
    BitMap *screenBits;
    int32_t *randSeed;
    ScrapStuff *ScrapInfo;
    int16_t *PrintErr;
    uint32_t *Ticks;
    Ptr *ApplLimit;
    THz *ApplZone;
    Ptr *CurrentA5;
    Ptr *CurStackBase;
    uint32_t *CaretTime;
    WindowPtr *CurActivate;
    uint8_t *HiliteMode;
    GDHandle *TheGDevice;
    OSErr *ResErr;
    uint8_t *reservedByte;
    RGBColor *HiliteRGB;
    uint8_t *MBState;
    Point *MTemp;
    Point *Mouse;
    Point *RawMouse;
    uint8_t *FractEnable;
    Handle *WidthTabHandle;
    int16_t *TheMenu;
    ProcPtr *ResumeProc;
    int16_t *SysEvtMask;
    uint32_t *DoubleTime;
    THz *TheZone;
    Handle *MenuList;
    int16_t *MenuFlash;
    int16_t *TEScrpLength;
    Handle *TEScrpHandle;
    uint8_t *ResLoad;
    int16_t *PaintWhite;
    int32_t *MenuDisable;
    WindowPtr *CurDeactive;
    int16_t *KeyThresh;
    int16_t *TEScrpHasStyle;
    Handle *TEScrpStyleHandle;
    Handle *AppParmHandle;
    int16_t *AtMenuBottom;
    int16_t *TopMenuItem;
} LowMemPointerBlock;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(LowMemPointerBlock) == 240, "LowMemPointerBlock is 240 bytes");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, SFSaveDisk) == 4, "SFSaveDisk at 4");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, EventQueue) == 28, "EventQueue at 28");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, MemErr) == 36, "MemErr at 36");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, thePort) == 48, "thePort at 48");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, randSeed) == 80, "randSeed at 80");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, ScrapInfo) == 84, "ScrapInfo at 84");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, HiliteRGB) == 136, "HiliteRGB at 136");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, TheZone) == 180, "TheZone at 180");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, TEScrpStyleHandle) == 224, "TEScrpStyleHandle at 224");
ZEL_STATIC_ASSERT(offsetof(LowMemPointerBlock, TopMenuItem) == 236, "TopMenuItem at 236");

/* Points every global at the host's storage or the library's own and gives them their start values.
   Returns 0, or 1 on a platform whose version word's low byte is below 3. */
ZEL_API int16_t ZEL_CALL ZEL_InitGlobals(const LowMemPointerBlock *block);
/* Fills a block with the library's own storage for the slots of offsets 4..224 (the qd fields and
   ScrapInfo among them); the last three slots stay 0. Returns the block. */
ZEL_API LowMemPointerBlock *ZEL_CALL Setup_Globals(LowMemPointerBlock *block);

/* 16-bit globals; a Set returns the value stored. */
ZEL_API int16_t ZEL_CALL LMGetSFSaveDisk(void);
ZEL_API int16_t ZEL_CALL LMSetSFSaveDisk(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetSFVRefNum(void);
ZEL_API int16_t ZEL_CALL LMSetSFVRefNum(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetKeyThresh(void);
ZEL_API int16_t ZEL_CALL LMSetKeyThresh(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetSysEvtMask(void);
ZEL_API int16_t ZEL_CALL LMSetSysEvtMask(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetMBarHeight(void);
ZEL_API int16_t ZEL_CALL LMSetMBarHeight(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetTheMenu(void);
ZEL_API int16_t ZEL_CALL LMSetTheMenu(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetMenuFlash(void);
ZEL_API int16_t ZEL_CALL LMSetMenuFlash(int16_t value);
ZEL_API OSErr ZEL_CALL LMGetMemErr(void);
ZEL_API OSErr ZEL_CALL LMSetMemErr(OSErr value);
ZEL_API int16_t ZEL_CALL LMGetPaintWhite(void);
ZEL_API int16_t ZEL_CALL LMSetPaintWhite(int16_t value);
ZEL_API OSErr ZEL_CALL LMGetResErr(void);
ZEL_API OSErr ZEL_CALL LMSetResErr(OSErr value);
ZEL_API int16_t ZEL_CALL LMGetTEScrpLength(void);
ZEL_API int16_t ZEL_CALL LMSetTEScrpLength(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetTEScrpHasStyle(void);
ZEL_API int16_t ZEL_CALL LMSetTEScrpHasStyle(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetPrintErr(void);
ZEL_API int16_t ZEL_CALL LMSetPrintErr(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetTopMenuItem(void);
ZEL_API int16_t ZEL_CALL LMSetTopMenuItem(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetAtMenuBottom(void);
ZEL_API int16_t ZEL_CALL LMSetAtMenuBottom(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetApFontID(void);
ZEL_API int16_t ZEL_CALL LMSetApFontID(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetSysFontFam(void);
ZEL_API int16_t ZEL_CALL LMSetSysFontFam(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetSysFontSize(void);
ZEL_API int16_t ZEL_CALL LMSetSysFontSize(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetUnitNtryCnt(void);
ZEL_API int16_t ZEL_CALL LMSetUnitNtryCnt(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetROMMapInsert(void);
ZEL_API int16_t ZEL_CALL LMSetROMMapInsert(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetFSFCBLen(void);
ZEL_API int16_t ZEL_CALL LMSetFSFCBLen(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetHWCfgFlags(void);
ZEL_API int16_t ZEL_CALL LMSetHWCfgFlags(int16_t value);
ZEL_API int16_t ZEL_CALL LMGetSysMap(void);
ZEL_API int16_t ZEL_CALL LMGetCurApRefNum(void);

/* 8-bit globals; a Set returns the value stored. */
ZEL_API uint8_t ZEL_CALL LMGetHiliteMode(void);
ZEL_API uint8_t ZEL_CALL LMSetHiliteMode(uint8_t value);
ZEL_API uint8_t ZEL_CALL LMGetMBState(void);
ZEL_API uint8_t ZEL_CALL LMSetMBState(uint8_t value);
ZEL_API uint8_t ZEL_CALL LMGetResLoad(void);
ZEL_API uint8_t ZEL_CALL LMSetResLoad(uint8_t value);
ZEL_API uint8_t ZEL_CALL LMGetFractEnable(void);
ZEL_API uint8_t ZEL_CALL LMSetFractEnable(uint8_t value);

/* 32-bit globals. */
ZEL_API int32_t ZEL_CALL LMGetMinusOne(void);
ZEL_API void ZEL_CALL LMSetMinusOne(int32_t value);
ZEL_API int32_t ZEL_CALL LMGetCurDirStore(void);
ZEL_API void ZEL_CALL LMSetCurDirStore(int32_t value);
ZEL_API GDHandle ZEL_CALL LMGetMainDevice(void);
ZEL_API void ZEL_CALL LMSetMainDevice(GDHandle value);
ZEL_API GDHandle ZEL_CALL LMGetDeviceList(void);
ZEL_API void ZEL_CALL LMSetDeviceList(GDHandle value);
ZEL_API GrafPtr ZEL_CALL LMGetWMgrPort(void);
ZEL_API void ZEL_CALL LMSetWMgrPort(GrafPtr value);
ZEL_API GDHandle ZEL_CALL LMGetTheGDevice(void);
ZEL_API void ZEL_CALL LMSetTheGDevice(GDHandle value);
ZEL_API uint32_t ZEL_CALL LMGetTicks(void);
ZEL_API void ZEL_CALL LMSetTicks(uint32_t value);
ZEL_API uint32_t ZEL_CALL LMGetCaretTime(void);
ZEL_API void ZEL_CALL LMSetCaretTime(uint32_t value);
ZEL_API Point ZEL_CALL LMGetMTemp(void);
ZEL_API void ZEL_CALL LMSetMTemp(Point value);
ZEL_API Point ZEL_CALL LMGetRawMouse(void);
ZEL_API void ZEL_CALL LMSetRawMouse(Point value);
ZEL_API Point ZEL_CALL LMGetMouse(void);
ZEL_API void ZEL_CALL LMSetMouse(Point value);
ZEL_API uint32_t ZEL_CALL LMGetDoubleTime(void);
ZEL_API void ZEL_CALL LMSetDoubleTime(uint32_t value);
ZEL_API Handle ZEL_CALL LMGetMenuList(void);
ZEL_API void ZEL_CALL LMSetMenuList(Handle value);
ZEL_API int32_t ZEL_CALL LMGetMenuDisable(void);
ZEL_API void ZEL_CALL LMSetMenuDisable(int32_t value);
ZEL_API Ptr ZEL_CALL LMGetApplLimit(void);
ZEL_API void ZEL_CALL LMSetApplLimit(Ptr value);
ZEL_API THz ZEL_CALL LMGetApplZone(void);
ZEL_API void ZEL_CALL LMSetApplZone(THz value);
ZEL_API Ptr ZEL_CALL LMGetCurrentA5(void);
ZEL_API void ZEL_CALL LMSetCurrentA5(Ptr value);
ZEL_API Ptr ZEL_CALL LMGetCurStackBase(void);
ZEL_API void ZEL_CALL LMSetCurStackBase(Ptr value);
ZEL_API THz ZEL_CALL LMGetTheZone(void);
ZEL_API void ZEL_CALL LMSetTheZone(THz value);
ZEL_API RgnHandle ZEL_CALL LMGetGrayRgn(void);
ZEL_API void ZEL_CALL LMSetGrayRgn(RgnHandle value);
ZEL_API WindowPtr ZEL_CALL LMGetWindowList(void);
ZEL_API void ZEL_CALL LMSetWindowList(WindowPtr value);
ZEL_API WindowPtr ZEL_CALL LMGetCurActivate(void);
ZEL_API void ZEL_CALL LMSetCurActivate(WindowPtr value);
ZEL_API WindowPtr ZEL_CALL LMGetCurDeactive(void);
ZEL_API void ZEL_CALL LMSetCurDeactive(WindowPtr value);
ZEL_API Handle ZEL_CALL LMGetTEScrpHandle(void);
ZEL_API void ZEL_CALL LMSetTEScrpHandle(Handle value);
ZEL_API Handle ZEL_CALL LMGetTEScrpStyleHandle(void);
ZEL_API void ZEL_CALL LMSetTEScrpStyleHandle(Handle value);
ZEL_API Handle ZEL_CALL LMGetWidthTabHandle(void);
ZEL_API void ZEL_CALL LMSetWidthTabHandle(Handle value);
/* The first 32 bits of the event queue header. */
ZEL_API uint32_t ZEL_CALL LMGetEventQueue(void);
ZEL_API void ZEL_CALL LMSetEventQueue(uint32_t value);
ZEL_API ProcPtr ZEL_CALL LMGetResumeProc(void);
ZEL_API void ZEL_CALL LMSetResumeProc(ProcPtr value);
ZEL_API uint32_t ZEL_CALL LMGetTime(void);
ZEL_API void ZEL_CALL LMSetTime(uint32_t value);
ZEL_API Handle ZEL_CALL LMGetGZMoveHnd(void);
ZEL_API void ZEL_CALL LMSetGZMoveHnd(Handle value);
ZEL_API Handle ZEL_CALL LMGetGZRootHnd(void);
ZEL_API void ZEL_CALL LMSetGZRootHnd(Handle value);
ZEL_API Ptr ZEL_CALL LMGetUTableBase(void);
ZEL_API void ZEL_CALL LMSetUTableBase(Ptr value);
ZEL_API WindowPtr ZEL_CALL LMGetGhostWindow(void);
ZEL_API void ZEL_CALL LMSetLastSPExtra(uint32_t value);

/* Record-sized globals. */
ZEL_API void ZEL_CALL LMSetHiliteRGB(const RGBColor *value);
ZEL_API void ZEL_CALL LMGetScrapInfo(ScrapStuff *destination);
ZEL_API void ZEL_CALL LMSetScrapInfo(const ScrapStuff *source);
/* The library's 32-byte application name; a Set keeps at most 31 characters. */
ZEL_API StringPtr ZEL_CALL LMGetCurApName(void);
ZEL_API void ZEL_CALL LMSetCurApName(ConstStr31Param value);

#endif

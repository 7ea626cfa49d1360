/* Memory Manager: handles, master pointers and the zone record. */
#ifndef TOLVADEX_MACMEMORY_H
#define TOLVADEX_MACMEMORY_H
#define __MACMEMORY__
#define __MEMORY__

#include "MacTypes.h"

#pragma pack(push, 2)

/* A Handle points at one of these; its first field is the data address, so **h reaches the data. */
typedef struct MasterPointerRecord {
    uint32_t data;   /* data address; 0xFFFF while not mapped; 0 after EmptyHandle */
    uint32_t local;  /* local-heap block handle; 0xFFFF when sub-allocated; 0 without data */
    uint16_t flags;  /* map count (bits 0..5), resource file slot (6..11), mpSubAllocated, mpCBit, ... */
    uint32_t size;   /* logical size in bytes */
} MasterPointerRecord;

enum {
    mpMapCountMask = 0x003F,
    mpResFileSlotMask = 0x0FC0,
    mpResFileSlotShift = 6,
    mpSubAllocated = 0x1000,
    mpCBit = 0x2000,
    mpPurgeable = 0x4000,
    mpResource = 0x8000
};

/* One local-heap allocation holding `count` master-pointer records and a trailer. */
typedef struct MasterPointerBlock {
    uint32_t next;
    uint32_t local;
    uint8_t full;
    uint8_t nextIndex;
    uint16_t count;
    MasterPointerRecord records[1];
} MasterPointerBlock;

typedef long (ZEL_CALL *GrowZoneProcPtr)(Size cbNeeded);
typedef void (ZEL_CALL *PurgeProcPtr)(Handle blockToPurge);

typedef struct Zone {
    Ptr bkLim;
    Ptr purgePtr;
    Ptr hFstFree;
    int32_t zcbFree;
    GrowZoneProcPtr gzProc;
    int16_t moreMast;
    int16_t flags;
    int16_t cntRel;
    int16_t maxRel;
    int16_t cntNRel;
    SignedByte heapType;
    SignedByte unused;
    int16_t cntEmpty;
    int16_t cntHandles;
    int32_t minCBFree;
    PurgeProcPtr purgeProc;
    Ptr sparePtr;
    Ptr allocPtr;
    int16_t heapData;
} Zone;
typedef Zone *THz;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(MasterPointerRecord) == 14, "MasterPointerRecord is 14 bytes");
ZEL_STATIC_ASSERT(offsetof(MasterPointerRecord, flags) == 8, "flags at 8");
ZEL_STATIC_ASSERT(offsetof(MasterPointerRecord, size) == 10, "size at 10");
ZEL_STATIC_ASSERT(offsetof(MasterPointerBlock, records) == 12, "records follow a 12-byte header");
ZEL_STATIC_ASSERT(sizeof(Zone) == 54, "Zone is 54 bytes");
ZEL_STATIC_ASSERT(offsetof(Zone, moreMast) == 20, "moreMast at 20");
ZEL_STATIC_ASSERT(offsetof(Zone, purgeProc) == 40, "purgeProc at 40");

/* Handle state bits of HGetState / HSetState. */
/* The Memory Manager's results besides those of the base types. */
enum {
    memROZWarn = -99,
    memROZError = -99,
    memROZErr = -99,
    memAZErr = -113,
    memPCErr = -114,
    memBCErr = -115,
    memSCErr = -116,
    memLockedErr = -117
};

enum { handleLockedBit = 0x80, handlePurgeableBit = 0x40, handleResourceBit = 0x20 };

ZEL_API Handle ZEL_CALL NewHandle(Size byteCount);
ZEL_API Handle ZEL_CALL NewHandleClear(Size byteCount);
ZEL_API Handle ZEL_CALL NewHandleSys(Size byteCount);
ZEL_API Handle ZEL_CALL NewHandleSysClear(Size byteCount);
ZEL_API Handle ZEL_CALL TempNewHandle(Size byteCount, OSErr *resultCode);
ZEL_API Handle ZEL_CALL NewEmptyHandle(void);
ZEL_API void ZEL_CALL DisposeHandle(Handle h);
ZEL_API OSErr ZEL_CALL TempDisposeHandle(Handle h, OSErr *resultCode);
ZEL_API void ZEL_CALL EmptyHandle(Handle h);
ZEL_API Size ZEL_CALL GetHandleSize(Handle h);
ZEL_API Boolean ZEL_CALL SetHandleSize(Handle h, Size newSize);
ZEL_API Boolean ZEL_CALL ReallocateHandle(Handle h, Size byteCount);
ZEL_API Handle ZEL_CALL RecoverHandle(Ptr p);
ZEL_API THz ZEL_CALL HandleZone(Handle h);
ZEL_API THz ZEL_CALL ApplicationZone(void);
ZEL_API THz ZEL_CALL GetZone(void);
ZEL_API THz ZEL_CALL SystemZone(void);
ZEL_API SignedByte ZEL_CALL HGetState(Handle h);
ZEL_API void ZEL_CALL HSetState(Handle h, SignedByte flags);
ZEL_API void ZEL_CALL HPurge(Handle h);
ZEL_API void ZEL_CALL HNoPurge(Handle h);
ZEL_API void ZEL_CALL HSetRBit(Handle h);
ZEL_API void ZEL_CALL HClrRBit(Handle h);
ZEL_API void ZEL_CALL HSetCBit(Handle h);
ZEL_API void ZEL_CALL MoreMasters(void);
ZEL_API OSErr ZEL_CALL HandToHand(Handle *theHndl);
ZEL_API OSErr ZEL_CALL PtrToHand(const void *srcPtr, Handle *dstHndl, long size);
ZEL_API OSErr ZEL_CALL PtrToXHand(const void *srcPtr, Handle dstHndl, long size);
ZEL_API OSErr ZEL_CALL HandAndHand(Handle hand1, Handle hand2);
ZEL_API OSErr ZEL_CALL PtrAndHand(const void *ptr1, Handle hand2, long size);
ZEL_API OSErr ZEL_CALL MemError(void);
ZEL_API void ZEL_CALL HLock(Handle h);
ZEL_API void ZEL_CALL HUnlock(Handle h);
ZEL_API void ZEL_CALL HLockHi(Handle h);
ZEL_API void ZEL_CALL MoveHHi(Handle h);
ZEL_API void ZEL_CALL SetZone(THz hz);
ZEL_API void ZEL_CALL InitZone(GrowZoneProcPtr pgrowZone, int16_t cmoreMasters, Ptr limitPtr, Ptr startPtr);
ZEL_API void ZEL_CALL ReserveMem(Size cbNeeded);
ZEL_API void ZEL_CALL SetApplLimit(Ptr zoneLimit);
ZEL_API void ZEL_CALL MaxApplZone(void);
ZEL_API Handle ZEL_CALL GZSaveHnd(void);

/* Pointers: nonrelocatable blocks. */
ZEL_API Ptr ZEL_CALL NewPtr(Size byteCount);
ZEL_API Ptr ZEL_CALL NewPtrClear(Size byteCount);
ZEL_API Ptr ZEL_CALL NewPtrSys(Size byteCount);
ZEL_API Ptr ZEL_CALL NewPtrSysClear(Size byteCount);
ZEL_API void ZEL_CALL DisposePtr(Ptr p);
ZEL_API Size ZEL_CALL GetPtrSize(Ptr p);
ZEL_API Boolean ZEL_CALL SetPtrSize(Ptr p, Size newSize);
ZEL_API void ZEL_CALL BlockMove(const void *srcPtr, void *destPtr, Size byteCount);
ZEL_API void ZEL_CALL BlockMoveData(const void *srcPtr, void *destPtr, Size byteCount);

/* Memory queries. */
ZEL_API Size ZEL_CALL FreeMem(void);
ZEL_API Size ZEL_CALL MaxBlock(void);
ZEL_API void ZEL_CALL PurgeSpace(Size *total, Size *contig);
ZEL_API Size ZEL_CALL CompactMem(Size cbNeeded);
ZEL_API void ZEL_CALL PurgeMem(Size cbNeeded);
ZEL_API Size ZEL_CALL MaxMem(Size *grow);
ZEL_API Ptr ZEL_CALL GetApplLimit(void);
ZEL_API long ZEL_CALL StackSpace(void);
ZEL_API Size ZEL_CALL TempMaxMem(Size *grow);
ZEL_API Size ZEL_CALL TempFreeMem(void);
ZEL_API Ptr ZEL_CALL TopMem(void);
ZEL_API OSErr ZEL_CALL HoldMemory(void *address, unsigned long count);
ZEL_API OSErr ZEL_CALL UnholdMemory(void *address, unsigned long count);
ZEL_API int32_t ZEL_CALL xInitMemManDLL(void);
ZEL_API void ZEL_CALL SetGrowZone(GrowZoneProcPtr growZone);

/* Host glue of the Memory Manager. ZEL_SetMemoryLimits: with `enable`, requests of at least `threshold`
   bytes are held against `limit` bytes of library memory while fewer than `units` 64 KB units (0 means
   32767) are in use; returns the unit limit, or 0 when limits are switched off. ZEL_MemCheck checks the
   heaps under session flag 0x4 and answers 1 when they are sound. */
ZEL_API uint32_t ZEL_CALL ZEL_ComputeMemorySize(uint32_t *totalPageFile, uint32_t *availPageFile,
                                                uint32_t *totalPhys, uint32_t *availPhys, uint32_t *libraryBytes);
ZEL_API int16_t ZEL_CALL ZEL_GetFreeSystemResources(int16_t which);
ZEL_API int16_t ZEL_CALL ZEL_SetMemoryLimits(uint8_t enable, uint32_t limit, uint32_t threshold, int16_t units);
ZEL_API int16_t ZEL_CALL ZEL_MemCheck(void);
ZEL_API void ZEL_CALL ZEL_SetMemLimits(void);
ZEL_API void ZEL_CALL ZEL_CheckMacHeap(void);
ZEL_API void ZEL_CALL ZEL_ATHCA(void);

/* The earlier published names of the disposal calls. */
ZEL_PUBLISHED_PROC(DisposHandle, DisposeHandle, (Handle h), (h))
ZEL_PUBLISHED_PROC(DisposPtr, DisposePtr, (Ptr p), (p))

#endif

// The File Manager's synchronous entry points, and the calls it does not carry out.
#include "files_services.h"
#include "../core/core_services.h"

// ---- Synchronous forms: every call completes before it returns ----
ZEL_EXTERN_C OSErr ZEL_CALL PBGetCatInfoSync(CInfoPBPtr pb) { return PBGetCatInfo(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBGetEOFSync(ParmBlkPtr pb) { return PBGetEOF(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBGetFCBInfoSync(FCBPBPtr pb) { return PBGetFCBInfo(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBGetFInfoSync(ParmBlkPtr pb) { return PBGetFInfo(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBGetVInfoSync(ParmBlkPtr pb) { return PBGetVInfo(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBGetWDInfoSync(WDPBPtr pb) { return PBGetWDInfo(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHCreateSync(HParmBlkPtr pb) { return PBHCreate(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHDeleteSync(HParmBlkPtr pb) { return PBHDelete(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHGetFInfoSync(HParmBlkPtr pb) { return PBHGetFInfo(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHGetVInfoSync(HParmBlkPtr pb) { return PBHGetVInfo(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHGetVolParmsSync(HParmBlkPtr pb) { return PBHGetVolParms(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHOpenSync(HParmBlkPtr pb) { return PBHOpen(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHOpenDFSync(HParmBlkPtr pb) { return PBHOpen(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHOpenDenySync(HParmBlkPtr pb) { return PBHOpen(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHRenameSync(HParmBlkPtr pb) { return PBHRename(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBHSetFInfoSync(HParmBlkPtr pb) { return PBHSetFInfo(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBDirCreateSync(HParmBlkPtr pb) { return PBDirCreate(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBReadSync(ParmBlkPtr pb) { return PBRead(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBWriteSync(ParmBlkPtr pb) { return PBWrite(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBSetEOFSync(ParmBlkPtr pb) { return PBSetEOF(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBSetFPosSync(ParmBlkPtr pb) { return PBSetFPos(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBLockRangeSync(ParmBlkPtr pb) { return PBLockRange(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBUnlockRangeSync(ParmBlkPtr pb) { return PBUnlockRange(pb, false); }
ZEL_EXTERN_C OSErr ZEL_CALL PBFlushFileAsync(ParmBlkPtr pb) { return PBFlushFile(pb, true); }

// ---- Calls that report their name ----
ZEL_STUB(OSErr, PBHOpenRF, -1, (HParmBlkPtr, Boolean))
ZEL_STUB(OSErr, PBHOpenRFSync, -1, (HParmBlkPtr))
ZEL_STUB(OSErr, PBHSetFLock, -1, (HParmBlkPtr, Boolean))
ZEL_STUB(OSErr, PBHSetFLockSync, -1, (HParmBlkPtr))
ZEL_STUB(OSErr, PBHRstFLock, -1, (HParmBlkPtr, Boolean))
ZEL_STUB(OSErr, PBHRstFLockSync, -1, (HParmBlkPtr))
ZEL_STUB(OSErr, PBCatMove, -1, (void *, Boolean))
ZEL_STUB(OSErr, PBCatMoveSync, -1, (void *))
ZEL_STUB(OSErr, PBDTGetPath, -1, (void *))
ZEL_STUB(OSErr, PBControl, -1, (ParmBlkPtr, Boolean))
ZEL_STUB(OSErr, PBControlSync, -1, (ParmBlkPtr))
ZEL_STUB(OSErr, PBCatSearch, -1, (void *, Boolean))
ZEL_STUB(OSErr, PBDTGetAPPL, -1, (void *, Boolean))
ZEL_STUB(OSErr, PBDTGetAPPLSync, -1, (void *))
ZEL_STUB(OSErr, PBDTGetIcon, -1, (void *, Boolean))
ZEL_STUB(OSErr, FSpSetFInfo, -1, (const FSSpec *, const FInfo *))
ZEL_STUB(OSErr, OpenRF, -36, (ConstStr255Param, int16_t, int16_t *))
ZEL_STUB(OSErr, PBOpenRF, -36, (ParmBlkPtr, Boolean))
ZEL_STUB(OSErr, SetFInfo, -36, (ConstStr255Param, int16_t, const FInfo *))
// No drive or volume-control-block queues exist.
ZEL_STUB(void *, GetDrvQHdr, 0, (void))
ZEL_STUB(void *, GetVCBQHdr, 0, (void))
ZEL_STUB_VOID(DILoad, (void))
ZEL_STUB_VOID(DIUnload, (void))

// ---- Calls that break into an attached debugger, else report their name ----
ZEL_STUB_BREAK(OSErr, PBHOpenRFDenySync, 0, (HParmBlkPtr))
ZEL_STUB_BREAK(OSErr, PBDTOpenInform, 0, (void *))
ZEL_STUB_BREAK(OSErr, PBExchangeFilesSync, 0, (ParmBlkPtr))
ZEL_STUB_BREAK(OSErr, PBDTGetCommentSync, 0, (void *))
ZEL_STUB_BREAK(OSErr, PBHGetDirAccessSync, 0, (HParmBlkPtr))
ZEL_STUB_BREAK(OSErr, PBDTSetCommentSync, 0, (void *))
ZEL_STUB_BREAK(OSErr, PBDTGetIconSync, 0, (void *))
ZEL_STUB_BREAK(OSErr, PBGetForeignPrivsSync, 0, (HParmBlkPtr))
ZEL_STUB_BREAK(OSErr, FSpCatMove, 0, (const FSSpec *, const FSSpec *))
ZEL_STUB_BREAK(OSErr, FSpOpenRF, 0, (const FSSpec *, SignedByte, int16_t *))
ZEL_STUB_BREAK(OSErr, FSpGetDirectoryID, 0, (const FSSpec *, int32_t *, Boolean *))
ZEL_STUB_BREAK(OSErr, FSpClearIsStationery, 0, (const FSSpec *))
ZEL_STUB_BREAK(OSErr, FSpClearNameLocked, 0, (const FSSpec *))
ZEL_STUB_BREAK(OSErr, FSpSetIsStationery, 0, (const FSSpec *))
ZEL_STUB_BREAK(OSErr, FSpDirectoryCopy, 0,
               (const FSSpec *, const FSSpec *, ConstStr255Param, void *, int32_t, Boolean, void *))
ZEL_STUB_BREAK(OSErr, FSpIterateDirectory, 0, (const FSSpec *, uint16_t, void *, void *))
ZEL_STUB_BREAK(OSErr, FSpBumpDate, 0, (const FSSpec *))
ZEL_STUB_BREAK(OSErr, GetObjectLocation, 0,
               (int16_t, int32_t, ConstStr255Param, int16_t *, int32_t *, StringPtr, Boolean *))
ZEL_STUB_BREAK(OSErr, IterateDirectory, 0, (int16_t, int32_t, ConstStr255Param, uint16_t, void *, void *))
ZEL_STUB_BREAK(OSErr, DirectoryCopy, 0,
               (int16_t, int32_t, ConstStr255Param, int16_t, int32_t, ConstStr255Param, ConstStr255Param, void *,
                int32_t, Boolean, void *))
ZEL_STUB_BREAK(OSErr, GetParentID, 0, (int16_t, int32_t, ConstStr255Param, int32_t *))

// ---- Calls that quietly do nothing ----
ZEL_EXTERN_C OSErr ZEL_CALL DIBadMount(Point, int32_t) { return noErr; }
ZEL_EXTERN_C OSErr ZEL_CALL HSetFInfo(int16_t, int32_t, ConstStr255Param, const FInfo *) { return noErr; }
ZEL_EXTERN_C OSErr ZEL_CALL FSpChangeCreatorType(const FSSpec *, OSType, OSType) { return noErr; }
ZEL_EXTERN_C OSErr ZEL_CALL BumpDate(int16_t, int32_t, ConstStr255Param) { return noErr; }
ZEL_EXTERN_C OSErr ZEL_CALL FSpGetDirAccess(const FSSpec *, int32_t *, int32_t *, int32_t *) { return paramErr; }

/* File Manager: volumes, open files and their result codes. */
#ifndef TOLVADEX_FILES_H
#define TOLVADEX_FILES_H
#define __FILES__

#include "MacTypes.h"
#include "MixedMode.h"
#include "OSUtils.h"

/* File Manager result codes. */
enum {
    dirFulErr = -33,
    dskFulErr = -34,
    nsvErr = -35,
    ioErr = -36,
    bdNamErr = -37,
    fnOpnErr = -38,
    eofErr = -39,
    posErr = -40,
    tmfoErr = -42,
    /* fnfErr (-43) is declared with the base types. */
    wPrErr = -44,
    fLckdErr = -45,
    vLckdErr = -46,
    fBsyErr = -47,
    dupFNErr = -48,
    opWrErr = -49,
    mFulErr = -41,
    rfNumErr = -51,
    volOffLinErr = -53,
    permErr = -54,
    nsDrvErr = -56,
    noMacDskErr = -57,
    extFSErr = -58,
    fsRnErr = -59,
    badMDBErr = -60,
    wrPermErr = -61,
    dirNFErr = -120,
    tmwdoErr = -121,
    badMovErr = -122,
    wrgVolTypErr = -123,
    volGoneErr = -124,
    diffVolErr = -1303
};

/* Access permissions of the open calls: whatever is allowed, read only, write only, read and write,
   read and write shared. */
enum { fsCurPerm = 0, fsRdPerm = 1, fsWrPerm = 2, fsRdWrPerm = 3, fsRdWrShPerm = 4 };

/* The volume reference number of the volume that holds open file refNum. */
ZEL_API OSErr ZEL_CALL GetVRefNum(int16_t refNum, int16_t *vRefNum);

#pragma pack(push, 2)

/* A file or directory named by volume, parent directory ID and name. */
typedef struct FSSpec {
    int16_t vRefNum;
    int32_t parID;
    Str255 name;
} FSSpec;
typedef FSSpec *FSSpecPtr;

/* Finder information of a file. */
/* Positioning modes of SetFPos and of a parameter block's ioPosMode; rdVerify may be added. */
enum { fsAtMark = 0, fsFromStart = 1, fsFromLEOF = 2, fsFromMark = 3, rdVerify = 64 };

/* Finder flags of FInfo.fdFlags, in the names of both interface generations, and the folders of
   FInfo.fdFldr. */
enum {
    fOnDesk = 0x0001,
    fHasBundle = 0x2000,
    fInvisible = 0x4000,
    kIsOnDesk = 0x0001,
    kColor = 0x000E,
    kIsShared = 0x0040,
    kHasNoINITs = 0x0080,
    kHasBeenInited = 0x0100,
    kHasCustomIcon = 0x0400,
    kIsStationery = 0x0800,
    kNameLocked = 0x1000,
    kHasBundle = 0x2000,
    kIsInvisible = 0x4000,
    kIsAlias = 0x8000
};
enum { fTrash = -3, fDesktop = -2, fDisk = 0 };
/* The directory bit of ioFlAttrib, and the root directory's parent and own IDs. */
enum { ioDirFlg = 3, ioDirMsk = 0x10, fsRtParID = 1, fsRtDirID = 2 };

typedef struct FInfo {
    OSType fdType;
    OSType fdCreator;
    uint16_t fdFlags;
    Point fdLocation;
    int16_t fdFldr;
} FInfo;

/* The fields every parameter block starts with. Calls complete before they return: ioCompletion is
   never called and ioResult holds the result. */
#define ZEL_PARAM_BLOCK_HEADER \
    struct QElem *qLink;       \
    int16_t qType;             \
    int16_t ioTrap;            \
    Ptr ioCmdAddr;             \
    ProcPtr ioCompletion;      \
    OSErr ioResult;            \
    StringPtr ioNamePtr;       \
    int16_t ioVRefNum

typedef struct IOParam {
    ZEL_PARAM_BLOCK_HEADER;
    int16_t ioRefNum;
    SignedByte ioVersNum;
    SignedByte ioPermssn;
    Ptr ioMisc;
    Ptr ioBuffer;
    int32_t ioReqCount;
    int32_t ioActCount;
    int16_t ioPosMode;
    int32_t ioPosOffset;
} IOParam;

typedef struct FileParam {
    ZEL_PARAM_BLOCK_HEADER;
    int16_t ioFRefNum;
    SignedByte ioFVersNum;
    SignedByte filler1;
    int16_t ioFDirIndex;
    SignedByte ioFlAttrib;
    SignedByte ioFlVersNum;
    FInfo ioFlFndrInfo;
    uint32_t ioFlNum;
    uint16_t ioFlStBlk;
    int32_t ioFlLgLen;
    int32_t ioFlPyLen;
    uint16_t ioFlRStBlk;
    int32_t ioFlRLgLen;
    int32_t ioFlRPyLen;
    uint32_t ioFlCrDat;
    uint32_t ioFlMdDat;
} FileParam;

typedef struct VolumeParam {
    ZEL_PARAM_BLOCK_HEADER;
    int32_t filler2;
    int16_t ioVolIndex;
    uint32_t ioVCrDate;
    uint32_t ioVLsBkUp;
    uint16_t ioVAtrb;
    uint16_t ioVNmFls;
    uint16_t ioVDirSt;
    int16_t ioVBlLn;
    uint16_t ioVNmAlBlks;
    int32_t ioVAlBlkSiz;
    int32_t ioVClpSiz;
    uint16_t ioAlBlSt;
    int32_t ioVNxtFNum;
    uint16_t ioVFrBlk;
} VolumeParam;

typedef union ParamBlockRec {
    IOParam ioParam;
    FileParam fileParam;
    VolumeParam volumeParam;
} ParamBlockRec;
typedef ParamBlockRec *ParmBlkPtr;

/* Working directories. */
typedef struct WDPBRec {
    ZEL_PARAM_BLOCK_HEADER;
    int16_t filler1;
    int16_t ioWDIndex;
    int32_t ioWDProcID;
    int16_t ioWDVRefNum;
    int16_t filler2[7];
    int32_t ioWDDirID;
} WDPBRec;
typedef WDPBRec *WDPBPtr;
/* The working-directory variant of HParamBlockRec: the same fields. */
typedef WDPBRec WDParam;

/* Finder information of directories and the extended records. */
typedef struct DInfo {
    Rect frRect;
    uint16_t frFlags;
    Point frLocation;
    int16_t frView;
} DInfo;
typedef struct FXInfo {
    int16_t fdIconID;
    int16_t fdUnused[3];
    SignedByte fdScript;
    SignedByte fdXFlags;
    int16_t fdComment;
    int32_t fdPutAway;
} FXInfo;
typedef struct DXInfo {
    Point frScroll;
    int32_t frOpenChain;
    SignedByte frScript;
    SignedByte frXFlags;
    int16_t frComment;
    int32_t frPutAway;
} DXInfo;

/* Parameter blocks that name a directory by ID. */
typedef IOParam HIOParam;

typedef struct HFileParam {
    ZEL_PARAM_BLOCK_HEADER;
    int16_t ioFRefNum;
    SignedByte ioFVersNum;
    SignedByte filler1;
    int16_t ioFDirIndex;
    SignedByte ioFlAttrib;
    SignedByte ioFlVersNum;
    FInfo ioFlFndrInfo;
    int32_t ioDirID;
    uint16_t ioFlStBlk;
    int32_t ioFlLgLen;
    int32_t ioFlPyLen;
    uint16_t ioFlRStBlk;
    int32_t ioFlRLgLen;
    int32_t ioFlRPyLen;
    uint32_t ioFlCrDat;
    uint32_t ioFlMdDat;
} HFileParam;

typedef struct HVolumeParam {
    ZEL_PARAM_BLOCK_HEADER;
    int32_t filler2;
    int16_t ioVolIndex;
    uint32_t ioVCrDate;
    uint32_t ioVLsMod;
    int16_t ioVAtrb;
    uint16_t ioVNmFls;
    uint16_t ioVBitMap;
    uint16_t ioAllocPtr;
    uint16_t ioVNmAlBlks;
    int32_t ioVAlBlkSiz;
    int32_t ioVClpSiz;
    uint16_t ioAlBlSt;
    uint32_t ioVNxtCNID;
    uint16_t ioVFrBlk;
    uint16_t ioVSigWord;
    int16_t ioVDrvInfo;
    int16_t ioVDRefNum;
    int16_t ioVFSID;
    uint32_t ioVBkUp;
    uint16_t ioVSeqNum;
    uint32_t ioVWrCnt;
    uint32_t ioVFilCnt;
    uint32_t ioVDirCnt;
    int32_t ioVFndrInfo[8];
} HVolumeParam;

typedef struct CopyParam {
    ZEL_PARAM_BLOCK_HEADER;
    int16_t ioDstVRefNum;
    int16_t filler8;
    StringPtr ioNewName;
    StringPtr ioCopyName;
    int32_t ioNewDirID;
    int32_t filler14;
    int32_t filler15;
} CopyParam;

typedef union HParamBlockRec {
    HIOParam ioParam;
    HFileParam fileParam;
    HVolumeParam volumeParam;
    CopyParam copyParam;
    WDParam wdParam;
} HParamBlockRec;
typedef HParamBlockRec *HParmBlkPtr;

/* Catalog information of a file or of a directory. */
typedef struct HFileInfo {
    ZEL_PARAM_BLOCK_HEADER;
    int16_t ioFRefNum;
    SignedByte ioFVersNum;
    SignedByte filler1;
    int16_t ioFDirIndex;
    SignedByte ioFlAttrib;
    SignedByte ioACUser;
    FInfo ioFlFndrInfo;
    int32_t ioDirID;
    uint16_t ioFlStBlk;
    int32_t ioFlLgLen;
    int32_t ioFlPyLen;
    uint16_t ioFlRStBlk;
    int32_t ioFlRLgLen;
    int32_t ioFlRPyLen;
    uint32_t ioFlCrDat;
    uint32_t ioFlMdDat;
    uint32_t ioFlBkDat;
    FXInfo ioFlXFndrInfo;
    int32_t ioFlParID;
    int32_t ioFlClpSiz;
} HFileInfo;

typedef struct DirInfo {
    ZEL_PARAM_BLOCK_HEADER;
    int16_t ioFRefNum;
    SignedByte ioFVersNum;
    SignedByte filler1;
    int16_t ioFDirIndex;
    SignedByte ioFlAttrib;
    SignedByte ioACUser;
    DInfo ioDrUsrWds;
    int32_t ioDrDirID;
    uint16_t ioDrNmFls;
    int16_t filler3[9];
    uint32_t ioDrCrDat;
    uint32_t ioDrMdDat;
    uint32_t ioDrBkDat;
    DXInfo ioDrFndrInfo;
    int32_t ioDrParID;
} DirInfo;

typedef union CInfoPBRec {
    HFileInfo hFileInfo;
    DirInfo dirInfo;
} CInfoPBRec;
typedef CInfoPBRec *CInfoPBPtr;

/* An open file's control block as the File Manager describes it. */
typedef struct FCBPBRec {
    ZEL_PARAM_BLOCK_HEADER;
    int16_t ioRefNum;
    int16_t filler;
    int16_t ioFCBIndx;
    int16_t filler1;
    int32_t ioFCBFlNm;
    int16_t ioFCBFlags;
    uint16_t ioFCBStBlk;
    int32_t ioFCBEOF;
    int32_t ioFCBPLen;
    int32_t ioFCBCrPs;
    int16_t ioFCBVRefNum;
    int32_t ioFCBClpSiz;
    int32_t ioFCBParID;
} FCBPBRec;
typedef FCBPBRec *FCBPBPtr;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(FSSpec) == 262, "FSSpec is 262 bytes");
ZEL_STATIC_ASSERT(offsetof(FSSpec, parID) == 2, "parID at 2");
ZEL_STATIC_ASSERT(offsetof(FSSpec, name) == 6, "name at 6");
ZEL_STATIC_ASSERT(sizeof(FInfo) == 16, "FInfo is 16 bytes");
ZEL_STATIC_ASSERT(offsetof(IOParam, ioResult) == 16, "ioResult at 16");
ZEL_STATIC_ASSERT(offsetof(IOParam, ioNamePtr) == 18, "ioNamePtr at 18");
ZEL_STATIC_ASSERT(offsetof(IOParam, ioVRefNum) == 22, "ioVRefNum at 22");
ZEL_STATIC_ASSERT(offsetof(IOParam, ioRefNum) == 24, "ioRefNum at 24");
ZEL_STATIC_ASSERT(offsetof(IOParam, ioBuffer) == 32, "ioBuffer at 32");
ZEL_STATIC_ASSERT(offsetof(IOParam, ioPosOffset) == 46, "ioPosOffset at 46");
ZEL_STATIC_ASSERT(sizeof(IOParam) == 50, "IOParam is 50 bytes");
ZEL_STATIC_ASSERT(offsetof(FileParam, ioFlFndrInfo) == 32, "ioFlFndrInfo at 32");
ZEL_STATIC_ASSERT(offsetof(FileParam, ioFlLgLen) == 54, "ioFlLgLen at 54");
ZEL_STATIC_ASSERT(offsetof(FileParam, ioFlMdDat) == 76, "ioFlMdDat at 76");
ZEL_STATIC_ASSERT(sizeof(FileParam) == 80, "FileParam is 80 bytes");
ZEL_STATIC_ASSERT(offsetof(VolumeParam, ioVNmFls) == 40, "ioVNmFls at 40");
ZEL_STATIC_ASSERT(offsetof(VolumeParam, ioVAlBlkSiz) == 48, "ioVAlBlkSiz at 48");
ZEL_STATIC_ASSERT(offsetof(VolumeParam, ioVFrBlk) == 62, "ioVFrBlk at 62");
ZEL_STATIC_ASSERT(sizeof(VolumeParam) == 64, "VolumeParam is 64 bytes");
ZEL_STATIC_ASSERT(sizeof(ParamBlockRec) == 80, "ParamBlockRec is 80 bytes");
ZEL_STATIC_ASSERT(offsetof(WDPBRec, ioWDProcID) == 28, "ioWDProcID at 28");
ZEL_STATIC_ASSERT(offsetof(WDPBRec, ioWDVRefNum) == 32, "ioWDVRefNum at 32");
ZEL_STATIC_ASSERT(offsetof(WDPBRec, ioWDDirID) == 48, "ioWDDirID at 48");
ZEL_STATIC_ASSERT(sizeof(WDPBRec) == 52, "WDPBRec is 52 bytes");
ZEL_STATIC_ASSERT(sizeof(DInfo) == 16 && sizeof(FXInfo) == 16 && sizeof(DXInfo) == 16, "Finder records are 16 bytes");
ZEL_STATIC_ASSERT(offsetof(HFileParam, ioDirID) == 48, "ioDirID at 48");
ZEL_STATIC_ASSERT(offsetof(HFileParam, ioFlCrDat) == 72, "ioFlCrDat at 72");
ZEL_STATIC_ASSERT(sizeof(HFileParam) == 80, "HFileParam is 80 bytes");
ZEL_STATIC_ASSERT(offsetof(HVolumeParam, ioVNmAlBlks) == 46, "ioVNmAlBlks at 46");
ZEL_STATIC_ASSERT(offsetof(HVolumeParam, ioVAlBlkSiz) == 48, "ioVAlBlkSiz at 48");
ZEL_STATIC_ASSERT(offsetof(HVolumeParam, ioVFrBlk) == 62, "ioVFrBlk at 62");
ZEL_STATIC_ASSERT(sizeof(HVolumeParam) == 122, "HVolumeParam is 122 bytes");
ZEL_STATIC_ASSERT(offsetof(CopyParam, ioNewDirID) == 36, "ioNewDirID at 36");
ZEL_STATIC_ASSERT(sizeof(HParamBlockRec) == 122, "HParamBlockRec is 122 bytes");
ZEL_STATIC_ASSERT(offsetof(HFileInfo, ioFlParID) == 100, "ioFlParID at 100");
ZEL_STATIC_ASSERT(sizeof(HFileInfo) == 108, "HFileInfo is 108 bytes");
ZEL_STATIC_ASSERT(offsetof(DirInfo, ioDrNmFls) == 52, "ioDrNmFls at 52");
ZEL_STATIC_ASSERT(offsetof(DirInfo, ioDrCrDat) == 72, "ioDrCrDat at 72");
ZEL_STATIC_ASSERT(offsetof(DirInfo, ioDrParID) == 100, "ioDrParID at 100");
ZEL_STATIC_ASSERT(sizeof(CInfoPBRec) == 108, "CInfoPBRec is 108 bytes");
ZEL_STATIC_ASSERT(offsetof(FCBPBRec, ioFCBVRefNum) == 52, "ioFCBVRefNum at 52");
ZEL_STATIC_ASSERT(offsetof(FCBPBRec, ioFCBParID) == 58, "ioFCBParID at 58");
ZEL_STATIC_ASSERT(sizeof(FCBPBRec) == 62, "FCBPBRec is 62 bytes");

/* Working directories and the default volume. Working-directory numbers stand wherever a vRefNum does;
   they live as long as the library, so closing one does nothing. */
ZEL_API OSErr ZEL_CALL PBOpenWD(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBCloseWD(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBGetWDInfo(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL OpenWD(int16_t vRefNum, int32_t dirID, int32_t procID, int16_t *wdRefNum);
ZEL_API OSErr ZEL_CALL CloseWD(int16_t wdRefNum);
ZEL_API OSErr ZEL_CALL GetWDInfo(int16_t wdRefNum, int16_t *vRefNum, ZEL_Long *dirID, ZEL_Long *procID);
ZEL_API OSErr ZEL_CALL PBGetVol(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBSetVol(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHGetVol(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHSetVol(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL GetVol(StringPtr volName, int16_t *vRefNum);
ZEL_API OSErr ZEL_CALL SetVol(ConstStr255Param volName, int16_t vRefNum);
ZEL_API OSErr ZEL_CALL HGetVol(StringPtr volName, int16_t *vRefNum, ZEL_Long *dirID);
ZEL_API OSErr ZEL_CALL HSetVol(ConstStr255Param volName, int16_t vRefNum, int32_t dirID);
/* Fills the record even when the file does not exist yet (the result is then -43). */
ZEL_API OSErr ZEL_CALL FSMakeFSSpec(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, FSSpec *fsSpec);

/* Parameter-block calls. Every call completes before it returns: the asynchronous flag is ignored, no
   completion routine runs, and the result is also stored in ioResult. */
ZEL_API OSErr ZEL_CALL PBOpen(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHOpen(HParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHOpenDeny(HParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBClose(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBCreate(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHCreate(HParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBDelete(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHDelete(HParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBDirCreate(HParmBlkPtr paramBlock, Boolean async);
/* The new name is the Pascal string ioMisc points at. */
ZEL_API OSErr ZEL_CALL PBHRename(HParmBlkPtr paramBlock, Boolean async);
/* Bit 7 of ioPosMode asks for newline mode: the read ends after the character in its high byte. */
ZEL_API OSErr ZEL_CALL PBRead(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBWrite(ParmBlkPtr paramBlock, Boolean async);
/* The length travels in ioMisc. */
ZEL_API OSErr ZEL_CALL PBGetEOF(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBSetEOF(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBGetFPos(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBSetFPos(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBFlushFile(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBFlushVol(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBLockRange(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBUnlockRange(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBGetCatInfo(CInfoPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHGetFInfo(HParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBGetFInfo(ParmBlkPtr paramBlock, Boolean async);
/* Dates of 0, or outside 1980..2107, leave the file's time as it is. */
ZEL_API OSErr ZEL_CALL PBHSetFInfo(HParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBSetFInfo(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBSetCatInfoSync(CInfoPBPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBGetFCBInfo(FCBPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHCopyFileSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBGetVInfo(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHGetVInfo(HParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHGetVolParms(HParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL GetVInfo(int16_t drvNum, StringPtr volName, int16_t *vRefNum, ZEL_Long *freeBytes);
ZEL_API OSErr ZEL_CALL HGetVInfo(int16_t vRefNum, StringPtr volName, int16_t *actVRefNum, ZEL_Long *freeBytes,
                                 ZEL_Long *totalBytes);
ZEL_API OSErr ZEL_CALL FindFolder(int16_t vRefNum, OSType folderType, Boolean createFolder, int16_t *foundVRefNum,
                                  ZEL_Long *foundDirID);

/* Synchronous forms. */
ZEL_API OSErr ZEL_CALL PBGetCatInfoSync(CInfoPBPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBGetEOFSync(ParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBGetFCBInfoSync(FCBPBPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBGetFInfoSync(ParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBGetVInfoSync(ParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBGetWDInfoSync(WDPBPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHCreateSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHDeleteSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHGetFInfoSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHGetVInfoSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHGetVolParmsSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHOpenSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHOpenDFSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHOpenDenySync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHRenameSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBHSetFInfoSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBDirCreateSync(HParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBReadSync(ParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBWriteSync(ParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBSetEOFSync(ParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBSetFPosSync(ParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBLockRangeSync(ParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBUnlockRangeSync(ParmBlkPtr paramBlock);
ZEL_API OSErr ZEL_CALL PBFlushFileAsync(ParmBlkPtr paramBlock);

/* Byte-level calls on open files. Negative refNums belong to the serial driver. */
ZEL_API OSErr ZEL_CALL FSRead(int16_t refNum, ZEL_Long *count, void *buffPtr);
ZEL_API OSErr ZEL_CALL FSWrite(int16_t refNum, ZEL_Long *count, const void *buffPtr);
ZEL_API OSErr ZEL_CALL FSClose(int16_t refNum);
ZEL_API OSErr ZEL_CALL GetFPos(int16_t refNum, ZEL_Long *filePos);
/* posMode: 0 at the mark, 1 from the start, 2 from the end, 3 from the mark. */
ZEL_API OSErr ZEL_CALL SetFPos(int16_t refNum, int16_t posMode, int32_t posOff);
ZEL_API OSErr ZEL_CALL GetEOF(int16_t refNum, ZEL_Long *logEOF);
ZEL_API OSErr ZEL_CALL SetEOF(int16_t refNum, int32_t logEOF);
ZEL_API OSErr ZEL_CALL Allocate(int16_t refNum, ZEL_Long *count);
ZEL_API OSErr ZEL_CALL LockRange(int16_t refNum, int32_t rangeStart, int32_t rangeLength);
ZEL_API OSErr ZEL_CALL UnlockRange(int16_t refNum, int32_t rangeStart, int32_t rangeLength);

/* Calls the File Manager does not carry out: each answers a fixed result; most report their names
   through DebugStr. */
ZEL_API OSErr ZEL_CALL PBHOpenRF(HParmBlkPtr, Boolean);
ZEL_API OSErr ZEL_CALL PBHOpenRFSync(HParmBlkPtr);
ZEL_API OSErr ZEL_CALL PBHSetFLock(HParmBlkPtr, Boolean);
ZEL_API OSErr ZEL_CALL PBHSetFLockSync(HParmBlkPtr);
ZEL_API OSErr ZEL_CALL PBHRstFLock(HParmBlkPtr, Boolean);
ZEL_API OSErr ZEL_CALL PBHRstFLockSync(HParmBlkPtr);
ZEL_API OSErr ZEL_CALL PBCatMove(void *, Boolean);
ZEL_API OSErr ZEL_CALL PBCatMoveSync(void *);
ZEL_API OSErr ZEL_CALL PBDTGetPath(void *);
ZEL_API OSErr ZEL_CALL PBControl(ParmBlkPtr, Boolean);
ZEL_API OSErr ZEL_CALL PBControlSync(ParmBlkPtr);
ZEL_API OSErr ZEL_CALL PBCatSearch(void *, Boolean);
ZEL_API OSErr ZEL_CALL PBDTGetAPPL(void *, Boolean);
ZEL_API OSErr ZEL_CALL PBDTGetAPPLSync(void *);
ZEL_API OSErr ZEL_CALL PBDTGetIcon(void *, Boolean);
ZEL_API OSErr ZEL_CALL FSpSetFInfo(const FSSpec *, const FInfo *);
ZEL_API OSErr ZEL_CALL OpenRF(ConstStr255Param, int16_t, int16_t *);
ZEL_API OSErr ZEL_CALL PBOpenRF(ParmBlkPtr, Boolean);
ZEL_API OSErr ZEL_CALL SetFInfo(ConstStr255Param, int16_t, const FInfo *);
ZEL_API void * ZEL_CALL GetDrvQHdr(void);
ZEL_API void * ZEL_CALL GetVCBQHdr(void);
ZEL_API OSErr ZEL_CALL PBHOpenRFDenySync(HParmBlkPtr);
ZEL_API OSErr ZEL_CALL PBDTOpenInform(void *);
ZEL_API OSErr ZEL_CALL PBExchangeFilesSync(ParmBlkPtr);
ZEL_API OSErr ZEL_CALL PBDTGetCommentSync(void *);
ZEL_API OSErr ZEL_CALL PBHGetDirAccessSync(HParmBlkPtr);
ZEL_API OSErr ZEL_CALL PBDTSetCommentSync(void *);
ZEL_API OSErr ZEL_CALL PBDTGetIconSync(void *);
ZEL_API OSErr ZEL_CALL PBGetForeignPrivsSync(HParmBlkPtr);
ZEL_API OSErr ZEL_CALL FSpCatMove(const FSSpec *, const FSSpec *);
ZEL_API OSErr ZEL_CALL FSpOpenRF(const FSSpec *, SignedByte, int16_t *);
ZEL_API OSErr ZEL_CALL FSpGetDirectoryID(const FSSpec *, ZEL_Long *, Boolean *);
ZEL_API OSErr ZEL_CALL FSpClearIsStationery(const FSSpec *);
ZEL_API OSErr ZEL_CALL FSpClearNameLocked(const FSSpec *);
ZEL_API OSErr ZEL_CALL FSpSetIsStationery(const FSSpec *);
ZEL_API OSErr ZEL_CALL FSpIterateDirectory(const FSSpec *, uint16_t, void *, void *);
ZEL_API OSErr ZEL_CALL FSpBumpDate(const FSSpec *);
ZEL_API OSErr ZEL_CALL IterateDirectory(int16_t, int32_t, ConstStr255Param, uint16_t, void *, void *);
ZEL_API OSErr ZEL_CALL GetParentID(int16_t, int32_t, ConstStr255Param, ZEL_Long *);
ZEL_API void ZEL_CALL DILoad(void);
ZEL_API void ZEL_CALL DIUnload(void);
ZEL_API OSErr ZEL_CALL DIBadMount(Point, int32_t);
ZEL_API OSErr ZEL_CALL HSetFInfo(int16_t, int32_t, ConstStr255Param, const FInfo *);
ZEL_API OSErr ZEL_CALL FSpDirectoryCopy(const FSSpec *, const FSSpec *, ConstStr255Param, void *, int32_t, Boolean,
                                        void *);
ZEL_API OSErr ZEL_CALL GetObjectLocation(int16_t, int32_t, ConstStr255Param, int16_t *, ZEL_Long *, StringPtr,
                                         Boolean *);
ZEL_API OSErr ZEL_CALL DirectoryCopy(int16_t, int32_t, ConstStr255Param, int16_t, int32_t, ConstStr255Param,
                                     ConstStr255Param, void *, int32_t, Boolean, void *);
ZEL_API OSErr ZEL_CALL FSpChangeCreatorType(const FSSpec *, OSType, OSType);
ZEL_API OSErr ZEL_CALL BumpDate(int16_t, int32_t, ConstStr255Param);
ZEL_API OSErr ZEL_CALL FSpGetDirAccess(const FSSpec *, ZEL_Long *, ZEL_Long *, ZEL_Long *);

/* Calls with plain arguments. A vRefNum may be a working-directory number. */
ZEL_API OSErr ZEL_CALL FSOpen(ConstStr255Param fileName, int16_t vRefNum, int16_t *refNum);
ZEL_API OSErr ZEL_CALL HOpen(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, SignedByte permission,
                             int16_t *refNum);
ZEL_API OSErr ZEL_CALL HOpenDF(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, SignedByte permission,
                               int16_t *refNum);
ZEL_API OSErr ZEL_CALL HOpenRF(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, SignedByte permission,
                               int16_t *refNum);
ZEL_API OSErr ZEL_CALL Create(ConstStr255Param fileName, int16_t vRefNum, OSType creator, OSType fileType);
ZEL_API OSErr ZEL_CALL HCreate(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, OSType creator,
                               OSType fileType);
ZEL_API OSErr ZEL_CALL FSDelete(ConstStr255Param fileName, int16_t vRefNum);
ZEL_API OSErr ZEL_CALL HDelete(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName);
ZEL_API OSErr ZEL_CALL Rename(ConstStr255Param oldName, int16_t vRefNum, ConstStr255Param newName);
ZEL_API OSErr ZEL_CALL HRename(int16_t vRefNum, int32_t dirID, ConstStr255Param oldName, ConstStr255Param newName);
ZEL_API OSErr ZEL_CALL FlushVol(ConstStr255Param volName, int16_t vRefNum);
ZEL_API OSErr ZEL_CALL DirCreate(int16_t vRefNum, int32_t parentDirID, ConstStr255Param directoryName,
                                 ZEL_Long *createdDirID);
ZEL_API OSErr ZEL_CALL HGetFInfo(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, FInfo *fndrInfo);
ZEL_API OSErr ZEL_CALL GetFInfo(ConstStr255Param fileName, int16_t vRefNum, FInfo *fndrInfo);
ZEL_API OSErr ZEL_CALL HOpenAware(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, int16_t denyModes,
                                  int16_t *refNum);
ZEL_API OSErr ZEL_CALL GetCatInfoNoName(int16_t vRefNum, int32_t dirID, ConstStr255Param name, CInfoPBPtr pb);
ZEL_API OSErr ZEL_CALL GetDirectoryID(int16_t vRefNum, int32_t dirID, ConstStr255Param name, ZEL_Long *theDirID,
                                      Boolean *isDirectory);
/* A nil or empty copyName copies under the source's own name. */
ZEL_API OSErr ZEL_CALL FileCopy(int16_t srcVRefNum, int32_t srcDirID, ConstStr255Param srcName, int16_t dstVRefNum,
                                int32_t dstDirID, ConstStr255Param dstPathname, ConstStr255Param copyName,
                                void *copyBufferPtr, int32_t copyBufferSize, Boolean preflight);

/* Calls on FSSpec records. */
ZEL_API OSErr ZEL_CALL FSpOpenDF(const FSSpec *fsSpec, SignedByte permission, int16_t *refNum);
ZEL_API OSErr ZEL_CALL FSpOpenAware(const FSSpec *fsSpec, int16_t denyModes, int16_t *refNum);
ZEL_API OSErr ZEL_CALL FSpCreate(const FSSpec *fsSpec, OSType creator, OSType fileType, ScriptCode scriptTag);
ZEL_API OSErr ZEL_CALL FSpDirCreate(const FSSpec *fsSpec, ScriptCode scriptTag, ZEL_Long *createdDirID);
ZEL_API OSErr ZEL_CALL FSpDelete(const FSSpec *fsSpec);
ZEL_API OSErr ZEL_CALL FSpRename(const FSSpec *fsSpec, ConstStr255Param newName);
ZEL_API OSErr ZEL_CALL FSpGetFInfo(const FSSpec *fsSpec, FInfo *fndrInfo);
ZEL_API OSErr ZEL_CALL FSpSetFLock(const FSSpec *fsSpec);
ZEL_API OSErr ZEL_CALL FSpRstFLock(const FSSpec *fsSpec);
/* Swaps two files' contents; on failure both keep theirs. Open refNums follow the contents. */
ZEL_API OSErr ZEL_CALL FSpExchangeFiles(const FSSpec *source, const FSSpec *dest);
ZEL_API OSErr ZEL_CALL FSpFileCopy(const FSSpec *source, const FSSpec *dest, ConstStr255Param copyName,
                                   void *copyBufferPtr, int32_t copyBufferSize, Boolean preflight);
ZEL_API int16_t ZEL_CALL FSpOpenResFile(const FSSpec *fsSpec, SignedByte permission);
ZEL_API void ZEL_CALL FSpCreateResFile(const FSSpec *fsSpec, OSType creator, OSType fileType, ScriptCode scriptTag);
ZEL_API void ZEL_CALL FSpCreateResFileCompat(const FSSpec *fsSpec, OSType creator, OSType fileType,
                                             ScriptCode scriptTag);
/* The type that the library's 'FCnv' resources give the name's extension; nothing else is set. */
ZEL_API OSErr ZEL_CALL TL_FSpGetFInfo(const FSSpec *fsSpec, FInfo *fndrInfo);

#endif

/* File Manager: volumes, open files and their result codes. */
#ifndef TOLVADEX_FILES_H
#define TOLVADEX_FILES_H

#include "MacTypes.h"

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
    rfNumErr = -51,
    permErr = -54,
    wrPermErr = -61,
    dirNFErr = -120
};

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

/* Working directories and the default volume. Working-directory numbers stand wherever a vRefNum does;
   they live as long as the library, so closing one does nothing. */
ZEL_API OSErr ZEL_CALL PBOpenWD(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBCloseWD(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBGetWDInfo(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL OpenWD(int16_t vRefNum, int32_t dirID, int32_t procID, int16_t *wdRefNum);
ZEL_API OSErr ZEL_CALL CloseWD(int16_t wdRefNum);
ZEL_API OSErr ZEL_CALL GetWDInfo(int16_t wdRefNum, int16_t *vRefNum, int32_t *dirID, int32_t *procID);
ZEL_API OSErr ZEL_CALL PBGetVol(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBSetVol(ParmBlkPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHGetVol(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL PBHSetVol(WDPBPtr paramBlock, Boolean async);
ZEL_API OSErr ZEL_CALL GetVol(StringPtr volName, int16_t *vRefNum);
ZEL_API OSErr ZEL_CALL SetVol(ConstStr255Param volName, int16_t vRefNum);
ZEL_API OSErr ZEL_CALL HGetVol(StringPtr volName, int16_t *vRefNum, int32_t *dirID);
ZEL_API OSErr ZEL_CALL HSetVol(ConstStr255Param volName, int16_t vRefNum, int32_t dirID);
/* Fills the record even when the file does not exist yet (the result is then -43). */
ZEL_API OSErr ZEL_CALL FSMakeFSSpec(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, FSSpec *fsSpec);

#endif

// The File Manager's calls with plain arguments: each fills a parameter block and makes the call.
#include "files_services.h"
#include "../core/core_services.h"

#include <cstdio>
#include <cstring>

namespace {

HParamBlockRec NamedBlock(int16_t vRefNum, int32_t dirID, ConstStr255Param name)
{
    HParamBlockRec pb{};
    pb.ioParam.ioNamePtr = const_cast<StringPtr>(name);
    pb.ioParam.ioVRefNum = vRefNum;
    pb.fileParam.ioDirID = dirID;
    return pb;
}

ParamBlockRec PlainBlock(ConstStr255Param name, int16_t vRefNum)
{
    ParamBlockRec pb{};
    pb.ioParam.ioNamePtr = const_cast<StringPtr>(name);
    pb.ioParam.ioVRefNum = vRefNum;
    return pb;
}

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL FSOpen(ConstStr255Param fileName, int16_t vRefNum, int16_t *refNum)
{
    ParamBlockRec pb = PlainBlock(fileName, vRefNum);
    OSErr err = PBOpen(&pb, false);
    if (refNum)
        *refNum = pb.ioParam.ioRefNum;
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL HOpen(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, SignedByte permission,
                                  int16_t *refNum)
{
    HParamBlockRec pb = NamedBlock(vRefNum, dirID, fileName);
    pb.ioParam.ioPermssn = permission;
    OSErr err = PBHOpen(&pb, false);
    if (refNum)
        *refNum = pb.ioParam.ioRefNum;
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL HOpenDF(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, SignedByte permission,
                                    int16_t *refNum)
{
    return HOpen(vRefNum, dirID, fileName, permission, refNum);
}

ZEL_EXTERN_C OSErr ZEL_CALL HOpenRF(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, SignedByte permission,
                                    int16_t *refNum)
{
    HParamBlockRec pb = NamedBlock(vRefNum, dirID, fileName);
    pb.ioParam.ioPermssn = permission;
    OSErr err = PBHOpenRF(&pb, false);
    if (refNum)
        *refNum = pb.ioParam.ioRefNum;
    return err;
}

// The creator and type are not recorded.
ZEL_EXTERN_C OSErr ZEL_CALL Create(ConstStr255Param fileName, int16_t vRefNum, OSType, OSType)
{
    ParamBlockRec pb = PlainBlock(fileName, vRefNum);
    return PBCreate(&pb, false);
}

ZEL_EXTERN_C OSErr ZEL_CALL HCreate(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, OSType, OSType)
{
    HParamBlockRec pb = NamedBlock(vRefNum, dirID, fileName);
    return PBHCreate(&pb, false);
}

ZEL_EXTERN_C OSErr ZEL_CALL FSDelete(ConstStr255Param fileName, int16_t vRefNum)
{
    ParamBlockRec pb = PlainBlock(fileName, vRefNum);
    return PBDelete(&pb, false);
}

ZEL_EXTERN_C OSErr ZEL_CALL HDelete(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName)
{
    HParamBlockRec pb = NamedBlock(vRefNum, dirID, fileName);
    return PBHDelete(&pb, false);
}

ZEL_EXTERN_C OSErr ZEL_CALL HRename(int16_t vRefNum, int32_t dirID, ConstStr255Param oldName, ConstStr255Param newName)
{
    HParamBlockRec pb = NamedBlock(vRefNum, dirID, oldName);
    pb.ioParam.ioMisc = reinterpret_cast<Ptr>(const_cast<StringPtr>(newName));
    return PBHRename(&pb, false);
}

ZEL_EXTERN_C OSErr ZEL_CALL Rename(ConstStr255Param oldName, int16_t vRefNum, ConstStr255Param newName)
{
    return HRename(vRefNum, 0, oldName, newName);
}

ZEL_EXTERN_C OSErr ZEL_CALL FlushVol(ConstStr255Param volName, int16_t vRefNum)
{
    ParamBlockRec pb = PlainBlock(volName, vRefNum);
    return PBFlushVol(&pb, false);
}

ZEL_EXTERN_C OSErr ZEL_CALL DirCreate(int16_t vRefNum, int32_t parentDirID, ConstStr255Param directoryName,
                                      int32_t *createdDirID)
{
    HParamBlockRec pb = NamedBlock(vRefNum, parentDirID, directoryName);
    OSErr err = PBDirCreate(&pb, false);
    if (createdDirID)
        *createdDirID = err == noErr ? pb.fileParam.ioDirID : 0;
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL HGetFInfo(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, FInfo *fndrInfo)
{
    // The call writes the name it found: it gets a copy.
    Str255 name = {};
    if (fileName)
        std::memcpy(name, fileName, fileName[0] + 1);
    HParamBlockRec pb = NamedBlock(vRefNum, dirID, name);
    if (fndrInfo)
        pb.fileParam.ioFlFndrInfo = *fndrInfo;
    OSErr err = PBHGetFInfo(&pb, false);
    if (fndrInfo)
        *fndrInfo = pb.fileParam.ioFlFndrInfo;
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetFInfo(ConstStr255Param fileName, int16_t vRefNum, FInfo *fndrInfo)
{
    if (!fileName || !fileName[0])
        return fnfErr;
    char path[kMaxDosPath + 1];
    OSErr err = ZEL_FSpec(vRefNum, fileName, path);
    if (err != noErr)
        return err;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return LastWin32ErrorToOSErr();
    if (fndrInfo) {
        *fndrInfo = FInfo{};
        FileTypeFromExtension(fileName, vRefNum, &fndrInfo->fdType, &fndrInfo->fdCreator);
    }
    return noErr;
}

// Deny modes 2 and 3 (deny reading, deny both) ask for shared read/write; the rest keep their access.
ZEL_EXTERN_C OSErr ZEL_CALL HOpenAware(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, int16_t denyModes,
                                       int16_t *refNum)
{
    HParamBlockRec pb = NamedBlock(vRefNum, dirID, fileName);
    pb.ioParam.ioPermssn = static_cast<SignedByte>(denyModes == 2 || denyModes == 3 ? 4 : denyModes % 4);
    OSErr err = PBHOpenDFSync(&pb);
    if (err == paramErr)
        err = PBHOpenSync(&pb);
    if (refNum)
        *refNum = pb.ioParam.ioRefNum;
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetCatInfoNoName(int16_t vRefNum, int32_t dirID, ConstStr255Param name, CInfoPBPtr pb)
{
    Str255 copy = {};
    bool named = name && name[0];
    if (named)
        std::memcpy(copy, name, name[0] + 1);
    *pb = CInfoPBRec{};
    pb->hFileInfo.ioNamePtr = copy;
    pb->hFileInfo.ioVRefNum = vRefNum;
    pb->hFileInfo.ioDirID = dirID;
    pb->hFileInfo.ioFDirIndex = named ? 0 : -1;
    OSErr err = PBGetCatInfoSync(pb);
    pb->hFileInfo.ioNamePtr = nullptr;
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetDirectoryID(int16_t vRefNum, int32_t dirID, ConstStr255Param name, int32_t *theDirID,
                                           Boolean *isDirectory)
{
    CInfoPBRec pb;
    OSErr err = GetCatInfoNoName(vRefNum, dirID, name, &pb);
    if (err != noErr)
        return err;
    bool directory = pb.hFileInfo.ioFlAttrib & 0x10;
    if (isDirectory)
        *isDirectory = directory;
    if (theDirID)
        *theDirID = directory ? pb.dirInfo.ioDrDirID : pb.hFileInfo.ioFlParID;
    return noErr;
}

// Copies the file under copyName (its own name when none is given) into the destination directory; in
// RESOURCE.FRK mode its companion fork goes along.
ZEL_EXTERN_C OSErr ZEL_CALL FileCopy(int16_t srcVRefNum, int32_t srcDirID, ConstStr255Param srcName,
                                     int16_t dstVRefNum, int32_t dstDirID, ConstStr255Param, ConstStr255Param copyName,
                                     void *, int32_t, Boolean)
{
    char source[kMaxDosPath + 1], destination[kMaxDosPath + 1];
    OSErr err = ZEL_HFSpec(srcDirID, srcVRefNum, srcName, source);
    if (err != noErr)
        return err;
    char sourceDir[kMaxDosPath + 1], sourceName[kMaxDosPath + 1];
    ZEL_SeparateFile(sourceDir, sourceName, source);
    unsigned char ownName[256];
    ZEL_CopyCtoP(sourceName, ownName);
    ConstStr255Param name = copyName && copyName[0] ? copyName : ownName;
    err = ZEL_HFSpec(dstDirID, dstVRefNum, name, destination);
    if (err != noErr)
        return err;
    if (!CopyFileA(source, destination, FALSE))
        return -1;
    if (ResourceFrkMode()) {
        char fork[2 * kMaxDosPath + 16];
        std::snprintf(fork, sizeof fork, "%sRESOURCE.FRK\\%s", sourceDir, sourceName);
        if (GetFileAttributesA(fork) != INVALID_FILE_ATTRIBUTES) {
            char destDir[kMaxDosPath + 1], destName[kMaxDosPath + 1], target[2 * kMaxDosPath + 16];
            ZEL_SeparateFile(destDir, destName, destination);
            std::snprintf(target, sizeof target, "%sRESOURCE.FRK", destDir);
            CreateDirectoryA(target, nullptr);
            std::snprintf(target, sizeof target, "%sRESOURCE.FRK\\%s", destDir, destName);
            if (!CopyFileA(fork, target, FALSE))
                return -1;
        }
    }
    return noErr;
}

// Working directories, the default volume and FSMakeFSSpec, over the directory table. Calls complete
// before they return; the asynchronous flag is ignored.
#include "files_services.h"
#include "../core/core_services.h"

#include <cstring>

namespace {

constexpr int32_t kLibraryProcID = 0x5A454C20; // 'ZEL '

void SetPascal(StringPtr out, const char *text)
{
    if (out)
        ZEL_CopyCtoP(text, out);
}

// The root of the volume that holds a directory ("C:\", "\\server\share\"); empty when none.
void VolumeRootOf(int32_t dir, int16_t vRefNum, char *root)
{
    const char *path = DirectoryNodePath(dir);
    int16_t volume = path ? ZEL_DOSVolToVRefNum(path) : vRefNum;
    ZEL_VRefNumToDOSVol(volume, root);
}

// Appends a name to a directory path ending in a backslash, or to nothing; false when it does not fit.
bool JoinName(char *path, const char *name)
{
    size_t n = std::strlen(path);
    if (n + std::strlen(name) > kMaxDosPath)
        return false;
    std::strcpy(path + n, name);
    return true;
}

bool IsExistingDirectory(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

// ---- Working directories ----

ZEL_EXTERN_C OSErr ZEL_CALL PBOpenWD(WDPBPtr pb, Boolean)
{
    int32_t dir = pb->ioWDDirID;
    if (dir == 0) {
        int16_t number = pb->ioVRefNum;
        dir = FindDirEntryById(&number);
    } else if (!IsDirectoryID(dir)) {
        return FinishCall(dirNFErr, &pb->ioResult);
    }
    if (pb->ioNamePtr && pb->ioNamePtr[0]) {
        char path[kMaxDosPath + 1] = "";
        if (dir == kRootDirID)
            VolumeRootOf(dir, pb->ioVRefNum, path);
        else if (dir)
            std::strcpy(path, DirectoryNodePath(dir));
        char name[256];
        ZEL_CopyPtoC(pb->ioNamePtr, name);
        if (!JoinName(path, name))
            return FinishCall(bdNamErr, &pb->ioResult);
        dir = IsExistingDirectory(path) ? GetDirEntryForPath(path) : 0;
    }
    pb->ioWDDirID = dir;
    if (uint16_t id = DirectoryNodeId(dir))
        pb->ioVRefNum = static_cast<int16_t>(id);
    return FinishCall(dir ? OSErr(noErr) : OSErr(dirNFErr), &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL OpenWD(int16_t vRefNum, int32_t dirID, int32_t, int16_t *wdRefNum)
{
    WDPBRec pb{};
    pb.ioVRefNum = vRefNum;
    pb.ioWDDirID = dirID;
    OSErr err = PBOpenWD(&pb, false);
    if (wdRefNum) {
        uint16_t id = DirectoryNodeId(pb.ioWDDirID);
        *wdRefNum = err ? 0 : pb.ioWDDirID == kRootDirID ? vRefNum : static_cast<int16_t>(id);
    }
    return err;
}

// Working directories last as long as their nodes.
ZEL_EXTERN_C OSErr ZEL_CALL PBCloseWD(WDPBPtr pb, Boolean) { return FinishCall(noErr, &pb->ioResult); }

ZEL_EXTERN_C OSErr ZEL_CALL CloseWD(int16_t) { return noErr; }

ZEL_EXTERN_C OSErr ZEL_CALL PBGetWDInfo(WDPBPtr pb, Boolean)
{
    int32_t dir = FindDirEntryById(&pb->ioVRefNum);
    if (const char *path = DirectoryNodePath(dir)) {
        pb->ioVRefNum = static_cast<int16_t>(DirectoryNodeId(dir));
        pb->ioWDVRefNum = ZEL_DOSVolToVRefNum(path);
        SetPascal(pb->ioNamePtr, path);
    } else if (dir == kRootDirID) {
        pb->ioWDVRefNum = pb->ioVRefNum;
        char root[kMaxDosPath + 1];
        ZEL_VRefNumToDOSVol(pb->ioVRefNum, root);
        SetPascal(pb->ioNamePtr, root);
    } else {
        return FinishCall(dirNFErr, &pb->ioResult);
    }
    pb->ioWDProcID = kLibraryProcID;
    pb->ioWDDirID = dir;
    return FinishCall(noErr, &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL GetWDInfo(int16_t wdRefNum, int16_t *vRefNum, int32_t *dirID, int32_t *procID)
{
    WDPBRec pb{};
    pb.ioVRefNum = wdRefNum;
    OSErr err = PBGetWDInfo(&pb, false);
    if (err == noErr) {
        if (vRefNum)
            *vRefNum = pb.ioWDVRefNum;
        if (dirID)
            *dirID = pb.ioWDDirID;
        if (procID)
            *procID = pb.ioWDProcID;
    }
    return err;
}

// ---- The default volume and directory ----

ZEL_EXTERN_C OSErr ZEL_CALL PBGetVol(ParmBlkPtr block, Boolean)
{
    VolumeParam *pb = &block->volumeParam;
    pb->ioVRefNum = ZEL_CurDirvRefNum(nullptr);
    int32_t dir = LowMem<int32_t>(lmCurDirStore);
    if (!IsDirectoryID(dir)) {
        SetPascal(pb->ioNamePtr, "");
        pb->ioVRefNum = kNoVolume;
        return FinishCall(nsvErr, &pb->ioResult);
    }
    char root[kMaxDosPath + 1];
    VolumeRootOf(dir, pb->ioVRefNum, root);
    SetPascal(pb->ioNamePtr, root);
    return FinishCall(noErr, &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL GetVol(StringPtr volName, int16_t *vRefNum)
{
    ParamBlockRec pb{};
    pb.volumeParam.ioNamePtr = volName;
    OSErr err = PBGetVol(&pb, false);
    if (vRefNum)
        *vRefNum = pb.volumeParam.ioVRefNum;
    return err;
}

// The current directory, described as PBGetWDInfo describes it; the name is its volume's root.
ZEL_EXTERN_C OSErr ZEL_CALL PBHGetVol(WDPBPtr pb, Boolean)
{
    pb->ioVRefNum = 0;
    OSErr err = PBGetWDInfo(pb, false);
    if (err == noErr && pb->ioNamePtr) {
        char root[kMaxDosPath + 1];
        ZEL_VRefNumToDOSVol(pb->ioWDVRefNum, root);
        SetPascal(pb->ioNamePtr, root);
    }
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL HGetVol(StringPtr volName, int16_t *vRefNum, int32_t *dirID)
{
    WDPBRec pb{};
    pb.ioNamePtr = volName;
    OSErr err = PBHGetVol(&pb, false);
    if (vRefNum)
        *vRefNum = pb.ioWDVRefNum;
    if (dirID)
        *dirID = pb.ioWDDirID;
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL PBHSetVol(WDPBPtr pb, Boolean)
{
    int32_t dir = pb->ioWDDirID;
    if (dir == 0 && pb->ioNamePtr && pb->ioNamePtr[0]) {
        char name[256];
        ZEL_CopyPtoC(pb->ioNamePtr, name);
        dir = GetDirEntryForPath(name);
        if (pb->ioVRefNum == 0)
            pb->ioVRefNum = ZEL_DOSVolToVRefNum(name);
        if (dir == 0)
            return FinishCall(dirNFErr, &pb->ioResult);
    }
    char path[kMaxDosPath + 1];
    OSErr err = ZEL_HFSpec(dir, pb->ioVRefNum, nullptr, path);
    if (err != noErr)
        return FinishCall(err, &pb->ioResult);
    uint16_t kind;
    DosPathRootLength(path, &kind);
    if (kind == dosPathUncRoot) {
        if (!SetCurrentDirectoryA(path))
            return FinishCall(LastWin32ErrorToOSErr(), &pb->ioResult);
    } else {
        uint16_t error = kind == dosPathDriveRoot ? SetCurrentDrive(static_cast<int16_t>((path[0] & ~0x20) - 'A')) : 0;
        if (!error)
            error = SetCurrentDir(path);
        if (error)
            return FinishCall(Win32ErrorToOSErr(error), &pb->ioResult);
    }
    // Later calls that name no directory use the new one.
    ZEL_CurDirvRefNum(nullptr);
    return FinishCall(noErr, &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL HSetVol(ConstStr255Param volName, int16_t vRefNum, int32_t dirID)
{
    WDPBRec pb{};
    pb.ioNamePtr = const_cast<StringPtr>(volName);
    pb.ioVRefNum = vRefNum;
    pb.ioWDDirID = dirID;
    return PBHSetVol(&pb, false);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBSetVol(ParmBlkPtr block, Boolean)
{
    VolumeParam *pb = &block->volumeParam;
    int32_t dir = 0;
    if (pb->ioNamePtr && pb->ioNamePtr[0] && pb->ioVRefNum == 0) {
        char name[256];
        ZEL_CopyPtoC(pb->ioNamePtr, name);
        const char *colon = std::strchr(name, ':');
        if (!colon || colon == name + 1) {
            dir = GetDirEntryForPath(name);
            uint16_t id = DirectoryNodeId(dir);
            pb->ioVRefNum = dir == kRootDirID ? ZEL_DOSVolToVRefNum(name) : id ? static_cast<int16_t>(id)
                                                                              : kNoVolume;
        }
    } else {
        dir = FindDirEntryById(&pb->ioVRefNum);
    }
    if (!dir)
        return FinishCall(nsvErr, &pb->ioResult);
    WDPBRec set{};
    set.ioVRefNum = pb->ioVRefNum;
    set.ioWDDirID = dir;
    return FinishCall(PBHSetVol(&set, false), &pb->ioResult);
}

// A name is taken only as a volume's name: "C", "C:" or "C:\".
ZEL_EXTERN_C OSErr ZEL_CALL SetVol(ConstStr255Param volName, int16_t vRefNum)
{
    if (volName && volName[0]) {
        int n = volName[0];
        if (n > 3 || (n >= 2 && volName[2] != ':') || (n == 3 && volName[3] != '\\'))
            return nsvErr;
    }
    ParamBlockRec pb{};
    pb.volumeParam.ioNamePtr = const_cast<StringPtr>(volName);
    pb.volumeParam.ioVRefNum = vRefNum;
    return PBSetVol(&pb, false);
}

// ---- FSSpec ----

ZEL_EXTERN_C OSErr ZEL_CALL FSMakeFSSpec(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, FSSpec *fsSpec)
{
    if (!fsSpec)
        return paramErr;
    char path[kMaxDosPath + 2];
    int32_t parent = 0;
    OSErr err = DirectoryAndNamePath(dirID, vRefNum, fileName, path, &parent);
    if (err != noErr)
        return err;
    // A directory named without a file: the record names nothing inside it.
    if (!fileName || !fileName[0]) {
        if (std::strlen(path) >= kMaxDosPath)
            return bdNamErr;
        std::strcat(path, "\\");
    }
    char directory[kMaxDosPath + 1], name[kMaxDosPath + 1];
    ZEL_SeparateFile(directory, name, path);
    fsSpec->vRefNum = ZEL_DOSVolToVRefNum(directory);
    // The directory of a plain name was found on the way to the path.
    fsSpec->parID = parent ? parent : GetDirEntryForPath(directory);
    ZEL_CopyCtoP(name, fsSpec->name);
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return noErr;
    return LastWin32ErrorToOSErr();
}

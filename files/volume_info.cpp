// Volume information over drive letters and network roots, and the special folders.
#include "files_services.h"
#include "../core/core_services.h"

#include <winnetwk.h>

#include <cstring>

namespace {

struct VolumeSize {
    uint32_t sectorsPerCluster = 64;
    uint32_t bytesPerSector = 128;
    uint32_t totalClusters = 256;
    uint32_t freeClusters = 1;
};

// The volume that the index-th present drive letter (1 first) is, network roots counting on after them.
int16_t VolumeAtIndex(int index)
{
    DWORD present = GetLogicalDrives();
    for (int i = 0; i < kDriveLetterVolumes; ++i)
        if ((present & (1u << i)) && --index == 0) {
            char root[] = {static_cast<char>('A' + i), ':', 0};
            RefreshDriveType(root);
            return static_cast<int16_t>(-(i + 1));
        }
    int volume = kDriveLetterVolumes + index;
    return volume <= VolumeCount() ? static_cast<int16_t>(-volume) : kNoVolume;
}

// Block counts fit the 16-bit fields: both are halved, and the block doubled, until the total does.
void FitSixteenBits(VolumeSize *size)
{
    while (size->totalClusters > 0x7FFF) {
        size->totalClusters >>= 1;
        size->freeClusters >>= 1;
        size->sectorsPerCluster <<= 1;
    }
}

bool QueryRoot(const char *root, VolumeSize *size)
{
    DWORD sectors, bytes, freeCount, total;
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeCount, &total))
        return false;
    *size = {sectors, bytes, total, freeCount};
    return true;
}

// A network root is measured directly, or through a drive letter borrowed for the moment.
OSErr QueryNetworkRoot(const char *root, VolumeSize *size)
{
    if (QueryRoot(root, size))
        return noErr;
    DWORD used = GetLogicalDrives();
    int letter = 3;
    while (letter < kDriveLetterVolumes && (used & (1u << letter)))
        ++letter;
    if (letter >= kDriveLetterVolumes)
        return nsvErr;
    char local[] = {static_cast<char>('A' + letter), ':', 0};
    char remote[kMaxDosPath + 1];
    CopyPathPart(remote, root, static_cast<int>(std::strlen(root)));
    size_t n = std::strlen(remote);
    if (n > 3 && remote[n - 1] == '\\')
        remote[n - 1] = 0;
    NETRESOURCEA resource{};
    resource.dwScope = RESOURCE_GLOBALNET;
    resource.dwType = RESOURCETYPE_ANY;
    resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
    resource.lpLocalName = local;
    resource.lpRemoteName = remote;
    if (WNetAddConnection2A(&resource, nullptr, nullptr, 0) != NO_ERROR)
        return LastWin32ErrorToOSErr();
    char localRoot[] = {local[0], ':', '\\', 0};
    bool ok = QueryRoot(localRoot, size);
    OSErr err = ok ? OSErr(noErr) : LastWin32ErrorToOSErr();
    WNetCancelConnection2A(local, 0, TRUE);
    return err;
}

int32_t SaturatedProduct(uint64_t a, uint64_t b)
{
    uint64_t p = a * b;
    return p > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(p);
}

// What the volume and index fields name: the index-th volume, the volume of a name, or of a vRefNum or
// working-directory number.
OSErr GetVolumeInfo(VolumeParam *pb)
{
    int16_t volume;
    if (pb->ioVolIndex >= 1) {
        volume = VolumeAtIndex(pb->ioVolIndex);
    } else if (pb->ioVolIndex < 0 && pb->ioNamePtr && pb->ioNamePtr[0]) {
        char name[256];
        ZEL_CopyPtoC(pb->ioNamePtr, name);
        volume = ZEL_DOSVolToVRefNum(name);
    } else {
        volume = VolumeOfNumber(pb->ioVRefNum);
    }
    char root[kMaxDosPath + 1];
    if (volume == 0 || volume == kNoVolume || !ZEL_VRefNumToDOSVol(volume, root))
        return nsvErr;
    VolumeSize size;
    if (volume >= -kDriveLetterVolumes) {
        // Removable and unknown drives are not woken up unless asked for or current.
        int drive = -volume - 1;
        int16_t current = -1;
        GetCurrentDrive(&current);
        int type = VolumeDriveType(-volume);
        bool query = SessionFlag(zelFlagAllDrivesFreeSpace) || type == DRIVE_FIXED || type == DRIVE_REMOTE ||
                     drive == current;
        if (query && !QueryRoot(root, &size))
            return nsvErr;
    } else {
        OSErr err = QueryNetworkRoot(root, &size);
        if (err != noErr)
            return err;
    }
    FitSixteenBits(&size);
    if (pb->ioNamePtr)
        ZEL_CopyCtoP(root, pb->ioNamePtr);
    pb->ioVNmAlBlks = static_cast<uint16_t>(size.totalClusters);
    pb->ioVAlBlkSiz = SaturatedProduct(size.sectorsPerCluster, size.bytesPerSector);
    pb->ioVFrBlk = static_cast<uint16_t>(size.freeClusters);
    pb->ioVAtrb = 0;
    pb->ioVRefNum = volume;
    return noErr;
}

bool IsSystemFolderType(OSType type)
{
    static const OSType kTypes[] = {0x6374726C /*ctrl*/, 0x616D6E75 /*amnu*/, 0x6578746E /*extn*/,
                                    0x6465736B /*desk*/, 0x70726566 /*pref*/, 0x6D616373 /*macs*/,
                                    0x73747274 /*strt*/};
    for (OSType t : kTypes)
        if (t == type)
            return true;
    return false;
}

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL PBGetVInfo(ParmBlkPtr block, Boolean)
{
    return FinishCall(GetVolumeInfo(&block->volumeParam), &block->volumeParam.ioResult);
}

// The extended block shares the fields filled here.
ZEL_EXTERN_C OSErr ZEL_CALL PBHGetVInfo(HParmBlkPtr block, Boolean)
{
    return PBGetVInfo(reinterpret_cast<ParmBlkPtr>(block), false);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBHGetVolParms(HParmBlkPtr block, Boolean)
{
    HIOParam *pb = &block->ioParam;
    if (!pb->ioBuffer || pb->ioReqCount < 6)
        return FinishCall(-1, &pb->ioResult);
    int32_t n = pb->ioReqCount < 20 ? pb->ioReqCount : 20;
    std::memset(pb->ioBuffer, 0, n);
    int16_t version = 1;
    std::memcpy(pb->ioBuffer, &version, sizeof version);
    pb->ioActCount = n;
    return FinishCall(noErr, &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL GetVInfo(int16_t drvNum, StringPtr volName, int16_t *vRefNum, int32_t *freeBytes)
{
    ParamBlockRec pb{};
    pb.volumeParam.ioNamePtr = volName;
    pb.volumeParam.ioVolIndex = drvNum > 0 ? drvNum : 0;
    pb.volumeParam.ioVRefNum = drvNum;
    OSErr err = PBGetVInfo(&pb, false);
    if (vRefNum)
        *vRefNum = pb.volumeParam.ioVRefNum;
    if (freeBytes)
        *freeBytes = SaturatedProduct(pb.volumeParam.ioVFrBlk, static_cast<uint32_t>(pb.volumeParam.ioVAlBlkSiz));
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL HGetVInfo(int16_t vRefNum, StringPtr volName, int16_t *actVRefNum, int32_t *freeBytes,
                                      int32_t *totalBytes)
{
    ParamBlockRec pb{};
    pb.volumeParam.ioNamePtr = volName;
    pb.volumeParam.ioVRefNum = vRefNum;
    OSErr err = PBGetVInfo(&pb, false);
    uint32_t block = static_cast<uint32_t>(pb.volumeParam.ioVAlBlkSiz);
    if (actVRefNum)
        *actVRefNum = pb.volumeParam.ioVRefNum;
    if (freeBytes)
        *freeBytes = SaturatedProduct(pb.volumeParam.ioVFrBlk, block);
    if (totalBytes)
        *totalBytes = SaturatedProduct(pb.volumeParam.ioVNmAlBlks, block);
    return err;
}

// The temporary folder, the Windows directory for the system folders, the current directory otherwise.
ZEL_EXTERN_C OSErr ZEL_CALL FindFolder(int16_t, OSType folderType, Boolean, int16_t *foundVRefNum,
                                       int32_t *foundDirID)
{
    char path[MAX_PATH + 1];
    int32_t dir;
    int16_t volume;
    bool temp = folderType == 0x74656D70; // 'temp'
    if (temp || IsSystemFolderType(folderType)) {
        DWORD n = temp ? GetTempPathA(sizeof path, path) : GetWindowsDirectoryA(path, sizeof path);
        if (n == 0 || n >= sizeof path)
            path[0] = 0;
        dir = GetDirEntryForPath(path);
        uint16_t id = DirectoryNodeId(dir);
        volume = dir == kRootDirID ? ZEL_DOSVolToVRefNum(path) : id ? static_cast<int16_t>(id) : kNoVolume;
    } else {
        volume = ZEL_CurDirvRefNum(nullptr);
        dir = LowMem<int32_t>(lmCurDirStore);
    }
    if (foundVRefNum)
        *foundVRefNum = volume;
    if (foundDirID)
        *foundDirID = dir;
    return noErr;
}

// Parameter-block calls that open, create, delete, rename, read and write files. Names resolve through
// the path layer; the result is stored in ioResult and returned.
#include "files_services.h"
#include "../core/core_services.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Macintosh permissions as DOS open modes: current and shared read/write ask for writing, read for
// reading, write for writing, read/write for writing with others kept from writing.
uint16_t OpenModeFor(int8_t permission)
{
    switch (permission) {
    case 1: return 0;
    case 2: return 1;
    case 3: return 0x22;
    default: return 2;
    }
}

// Tries the open with others allowed to read and write, then as asked; a current permission falls back
// to reading. When every try fails, a refNum already open on the path is handed back with the error.
OSErr OpenForPermission(const char *path, int8_t permission, int16_t *refNum)
{
    uint16_t mode = OpenModeFor(permission);
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    OSErr err = noErr;
    int32_t r = -1;
    const uint16_t tries[] = {static_cast<uint16_t>(mode | 0x40), mode, mode};
    for (uint16_t m : tries)
        if (r < 0)
            r = ZEL_FHOpen(path, m, &err);
    if (r < 0 && permission == 0) {
        const uint16_t readTries[] = {0x40, 0, 0};
        for (uint16_t m : readTries)
            if (r < 0)
                r = ZEL_FHOpen(path, m, &err);
    }
    SetErrorMode(oldMode);
    if (r < 0) {
        int16_t open = FindOpenFileByPath(path);
        *refNum = open < 0 ? 0 : open;
        return err;
    }
    *refNum = static_cast<int16_t>(r);
    return noErr;
}

// The path a plain call names (its vRefNum may be a working directory) or an H call (with its dirID).
OSErr PlainPath(const IOParam &pb, char *path) { return ZEL_FSpec(pb.ioVRefNum, pb.ioNamePtr, path); }

OSErr DirPath(const HIOParam &pb, const HFileParam &f, char *path)
{
    return ZEL_HFSpec(f.ioDirID, pb.ioVRefNum, pb.ioNamePtr, path);
}

OSErr CreateNewFile(const char *path)
{
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return dupFNErr;
    int32_t r = ZEL_FHCreate(path, 0);
    if (r < 0)
        return LastWin32ErrorToOSErr();
    return ZEL_FHClose(r) == 1 ? OSErr(noErr) : OSErr(fnfErr);
}

bool InFrkDirectory(const char *directory)
{
    char upper[kMaxDosPath + 1];
    CopyPathPart(upper, directory, static_cast<int>(std::strlen(directory)));
    CharUpperA(upper);
    return std::strstr(upper, "RESOURCE.FRK") != nullptr;
}

// A file open in the table is busy. In RESOURCE.FRK mode the companion fork goes too, once the data file
// is gone: a refused delete keeps the resources.
OSErr DeleteFileEntry(const char *path)
{
    if (FindOpenFileByPath(path) >= 0)
        return fBsyErr;
    OSErr err = DeleteFileA(path) ? OSErr(noErr) : LastWin32ErrorToOSErr();
    if (ResourceFrkMode() && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        char directory[kMaxDosPath + 1], name[kMaxDosPath + 1];
        ZEL_SeparateFile(directory, name, path);
        if (!InFrkDirectory(directory)) {
            char fork[2 * kMaxDosPath + 16];
            std::snprintf(fork, sizeof fork, "%sResource.frk\\%s", directory, name);
            DeleteFileA(fork);
        }
    }
    return err;
}

// Transfers keep ioPosOffset at the mark after them, whatever the positioning mode.
void NoteMark(IOParam *pb)
{
    int32_t mark;
    if (pb->ioRefNum < 0)
        return;
    if (GetFPos(pb->ioRefNum, &mark) == noErr)
        pb->ioPosOffset = mark;
}

} // namespace

// ---- Open, create, delete ----

ZEL_EXTERN_C OSErr ZEL_CALL PBOpen(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    char path[kMaxDosPath + 1];
    OSErr err = PlainPath(*pb, path);
    if (err != noErr) {
        pb->ioRefNum = 0;
        return FinishCall(err, &pb->ioResult);
    }
    return FinishCall(OpenForPermission(path, pb->ioPermssn, &pb->ioRefNum), &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBHOpen(HParmBlkPtr block, Boolean)
{
    HIOParam *pb = &block->ioParam;
    char path[kMaxDosPath + 1];
    OSErr err = DirPath(*pb, block->fileParam, path);
    if (err != noErr) {
        pb->ioRefNum = 0;
        return FinishCall(err, &pb->ioResult);
    }
    return FinishCall(OpenForPermission(path, pb->ioPermssn, &pb->ioRefNum), &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBHOpenDeny(HParmBlkPtr block, Boolean) { return PBHOpen(block, false); }

ZEL_EXTERN_C OSErr ZEL_CALL PBClose(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    if (pb->ioRefNum == 0)
        return FinishCall(fnOpnErr, &pb->ioResult);
    return FinishCall(ZEL_FHClose(pb->ioRefNum) == -1 ? OSErr(ioErr) : OSErr(noErr), &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBCreate(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    pb->ioRefNum = 0;
    char path[kMaxDosPath + 1];
    OSErr err = PlainPath(*pb, path);
    return FinishCall(err ? err : CreateNewFile(path), &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBHCreate(HParmBlkPtr block, Boolean)
{
    HIOParam *pb = &block->ioParam;
    pb->ioRefNum = 0;
    char path[kMaxDosPath + 1];
    OSErr err = DirPath(*pb, block->fileParam, path);
    return FinishCall(err ? err : CreateNewFile(path), &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBDelete(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    pb->ioRefNum = 0;
    char path[kMaxDosPath + 1];
    OSErr err = PlainPath(*pb, path);
    return FinishCall(err ? err : DeleteFileEntry(path), &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBHDelete(HParmBlkPtr block, Boolean)
{
    HIOParam *pb = &block->ioParam;
    pb->ioRefNum = 0;
    char path[kMaxDosPath + 1];
    OSErr err = DirPath(*pb, block->fileParam, path);
    return FinishCall(err ? err : DeleteFileEntry(path), &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBDirCreate(HParmBlkPtr block, Boolean)
{
    HFileParam *pb = &block->fileParam;
    char path[kMaxDosPath + 1];
    OSErr err = ZEL_HFSpec(pb->ioDirID, pb->ioVRefNum, pb->ioNamePtr, path);
    if (err != noErr)
        return FinishCall(err, &pb->ioResult);
    if (!CreateDirectoryA(path, nullptr))
        return FinishCall(LastWin32ErrorToOSErr(), &pb->ioResult);
    pb->ioDirID = GetDirEntryForPath(path);
    return FinishCall(noErr, &pb->ioResult);
}

// Moves a file to the new name (resolved like the old one). Every failure is reported: a taken name is
// a duplicate whatever the runtime calls it.
ZEL_EXTERN_C OSErr ZEL_CALL PBHRename(HParmBlkPtr block, Boolean)
{
    HIOParam *pb = &block->ioParam;
    int32_t dirID = block->fileParam.ioDirID;
    auto newName = reinterpret_cast<ConstStr255Param>(pb->ioMisc);
    char from[kMaxDosPath + 1], to[kMaxDosPath + 1];
    OSErr err = dirID ? ZEL_HFSpec(dirID, pb->ioVRefNum, pb->ioNamePtr, from)
                      : ZEL_FSpec(pb->ioVRefNum, pb->ioNamePtr, from);
    if (err == noErr)
        err = dirID ? ZEL_HFSpec(dirID, pb->ioVRefNum, newName, to) : ZEL_FSpec(pb->ioVRefNum, newName, to);
    if (err != noErr)
        return FinishCall(err, &pb->ioResult);
    if (std::rename(from, to) == 0)
        return FinishCall(noErr, &pb->ioResult);
    switch (errno) {
    case ENOENT: err = bdNamErr; break;
    case EACCES:
    case EEXIST: err = dupFNErr; break;
    case EXDEV: err = extFSErr; break;
    default: err = ioErr; break;
    }
    return FinishCall(err, &pb->ioResult);
}

// ---- Reading and writing ----

ZEL_EXTERN_C OSErr ZEL_CALL PBRead(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    pb->ioActCount = 0;
    if (pb->ioReqCount < 0)
        return FinishCall(paramErr, &pb->ioResult);
    // Drivers (negative refNums) have no mark.
    OSErr err = pb->ioRefNum < 0 ? OSErr(noErr)
                                 : SetFPos(pb->ioRefNum, static_cast<int16_t>(pb->ioPosMode & 0x7F), pb->ioPosOffset);
    if (err != noErr && err != eofErr)
        return FinishCall(err, &pb->ioResult);
    int32_t start = 0;
    GetFPos(pb->ioRefNum, &start);
    int32_t count = pb->ioReqCount;
    err = FSRead(pb->ioRefNum, &count, pb->ioBuffer);
    if (pb->ioPosMode & 0x80) {
        // Newline mode: the read ends after the first newline character.
        char newline = static_cast<char>(static_cast<uint16_t>(pb->ioPosMode) >> 8);
        const void *found = count > 0 ? std::memchr(pb->ioBuffer, newline, count) : nullptr;
        if (found) {
            count = static_cast<int32_t>(static_cast<const char *>(found) - pb->ioBuffer) + 1;
            SetFPos(pb->ioRefNum, 1, start + count);
            err = noErr;
        }
    }
    pb->ioActCount = count;
    NoteMark(pb);
    return FinishCall(err, &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBWrite(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    pb->ioActCount = 0;
    if (pb->ioReqCount < 0)
        return FinishCall(paramErr, &pb->ioResult);
    OSErr err = pb->ioRefNum < 0 ? OSErr(noErr) : SetFPos(pb->ioRefNum, pb->ioPosMode, pb->ioPosOffset);
    if (err != noErr && err != eofErr)
        return FinishCall(err, &pb->ioResult);
    pb->ioActCount = pb->ioReqCount;
    err = FSWrite(pb->ioRefNum, &pb->ioActCount, pb->ioBuffer);
    NoteMark(pb);
    return FinishCall(err, &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBGetEOF(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    int32_t eof = 0;
    OSErr err = GetEOF(pb->ioRefNum, &eof);
    pb->ioMisc = reinterpret_cast<Ptr>(static_cast<intptr_t>(eof));
    return FinishCall(err, &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBSetEOF(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    return FinishCall(SetEOF(pb->ioRefNum, static_cast<int32_t>(reinterpret_cast<intptr_t>(pb->ioMisc))),
                  &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBGetFPos(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    return FinishCall(GetFPos(pb->ioRefNum, &pb->ioPosOffset), &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBSetFPos(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    return FinishCall(SetFPos(pb->ioRefNum, pb->ioPosMode, pb->ioPosOffset), &pb->ioResult);
}

// Windows writes through on its own; ranges are not locked.
ZEL_EXTERN_C OSErr ZEL_CALL PBFlushFile(ParmBlkPtr block, Boolean) { return FinishCall(noErr, &block->ioParam.ioResult); }
ZEL_EXTERN_C OSErr ZEL_CALL PBLockRange(ParmBlkPtr block, Boolean) { return FinishCall(noErr, &block->ioParam.ioResult); }
ZEL_EXTERN_C OSErr ZEL_CALL PBUnlockRange(ParmBlkPtr block, Boolean) { return FinishCall(noErr, &block->ioParam.ioResult); }

// Flushes every file open for writing on the volume named by ioNamePtr or ioVRefNum.
ZEL_EXTERN_C OSErr ZEL_CALL PBFlushVol(ParmBlkPtr block, Boolean)
{
    IOParam *pb = &block->ioParam;
    char root[kMaxDosPath + 1] = "";
    if (pb->ioNamePtr && pb->ioNamePtr[0]) {
        char name[256];
        ZEL_CopyPtoC(pb->ioNamePtr, name);
        ParseDosPath(name, root, nullptr, nullptr);
    } else {
        if (pb->ioVRefNum == 0)
            pb->ioVRefNum = ZEL_CurDirvRefNum(nullptr);
        int16_t number = pb->ioVRefNum;
        const char *path = DirectoryNodePath(FindDirEntryById(&number));
        if (path)
            CopyPathPart(root, path, static_cast<int>(std::strlen(path)));
        else
            ZEL_VRefNumToDOSVol(pb->ioVRefNum, root);
    }
    size_t n = std::strlen(root);
    if (n == 0)
        return FinishCall(nsvErr, &pb->ioResult);
    OSErr err = noErr;
    for (int16_t r = kFirstFileSlot; r < kFileSlots; ++r) {
        const char *path = FileSlotPath(r);
        HANDLE h = ZEL_FHMap(r);
        if (path && h != INVALID_HANDLE_VALUE && FileSlotWritable(r) && CompareStringA(LOCALE_SYSTEM_DEFAULT,
            NORM_IGNORECASE, path, static_cast<int>(std::min(n, std::strlen(path))), root, static_cast<int>(n)) == CSTR_EQUAL &&
            !FlushFileBuffers(h))
            err = ioErr;
    }
    return FinishCall(err, &pb->ioResult);
}

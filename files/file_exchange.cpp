// The File Manager's calls on FSSpec records, and the exchange of two files' contents.
#include "files_services.h"
#include "../core/core_services.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <io.h>
#include <sys/stat.h>

namespace {

constexpr OSErr kNotSameVolume = -1303;

// The refNums open on a path, suspended while the file is renamed.
struct SuspendedSlots {
    int16_t refNums[kFileSlots];
    int count = 0;
};

void SuspendSlotsOn(const char *path, SuspendedSlots *out)
{
    for (int16_t r = kFirstFileSlot; r < kFileSlots; ++r) {
        const char *slotPath = FileSlotPath(r);
        if (slotPath && FileSlotOpen(r) && lstrcmpiA(slotPath, path) == 0) {
            ZEL_FHReOpen(0, r);
            out->refNums[out->count++] = r;
        }
    }
}

void ReopenSlots(const SuspendedSlots &slots)
{
    for (int i = 0; i < slots.count; ++i)
        ZEL_FHReOpen(1, slots.refNums[i]);
}

// The source path with its extension replaced by ".aaa" (or ".aaa" added).
bool TemporaryName(const char *path, char *out)
{
    size_t n = std::strlen(path);
    const char *dot = std::strrchr(path, '.');
    const char *separator = nullptr;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            separator = p;
    size_t keep = dot && (!separator || dot > separator) ? static_cast<size_t>(dot - path) : n;
    if (keep + 4 > kMaxDosPath)
        return false;
    std::memcpy(out, path, keep);
    std::strcpy(out + keep, ".aaa");
    return true;
}

// Advances the temporary extension like an odometer ('a'..'z'); false when it is used up.
bool NextTemporaryName(char *name)
{
    for (char *p = name + std::strlen(name) - 1; *p != '.'; --p) {
        if (*p < 'z') {
            ++*p;
            return true;
        }
        *p = 'a';
    }
    return false;
}

OSErr PathOf(const FSSpec *fsSpec, char *path) { return ZEL_HFSpec(fsSpec->parID, fsSpec->vRefNum, fsSpec->name, path); }

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL FSpOpenDF(const FSSpec *fsSpec, SignedByte permission, int16_t *refNum)
{
    return HOpen(fsSpec->vRefNum, fsSpec->parID, fsSpec->name, permission, refNum);
}

ZEL_EXTERN_C OSErr ZEL_CALL FSpOpenAware(const FSSpec *fsSpec, int16_t denyModes, int16_t *refNum)
{
    return HOpenAware(fsSpec->vRefNum, fsSpec->parID, fsSpec->name, denyModes, refNum);
}

ZEL_EXTERN_C OSErr ZEL_CALL FSpCreate(const FSSpec *fsSpec, OSType creator, OSType fileType, ScriptCode)
{
    return HCreate(fsSpec->vRefNum, fsSpec->parID, fsSpec->name, creator, fileType);
}

ZEL_EXTERN_C OSErr ZEL_CALL FSpDirCreate(const FSSpec *fsSpec, ScriptCode, int32_t *createdDirID)
{
    char path[kMaxDosPath + 1];
    OSErr err = PathOf(fsSpec, path);
    if (err != noErr)
        return err;
    return DirCreate(fsSpec->vRefNum, fsSpec->parID, fsSpec->name, createdDirID);
}

ZEL_EXTERN_C OSErr ZEL_CALL FSpDelete(const FSSpec *fsSpec) { return HDelete(fsSpec->vRefNum, fsSpec->parID, fsSpec->name); }

ZEL_EXTERN_C OSErr ZEL_CALL FSpRename(const FSSpec *fsSpec, ConstStr255Param newName)
{
    return HRename(fsSpec->vRefNum, fsSpec->parID, fsSpec->name, newName);
}

ZEL_EXTERN_C OSErr ZEL_CALL FSpGetFInfo(const FSSpec *fsSpec, FInfo *fndrInfo)
{
    return HGetFInfo(fsSpec->vRefNum, fsSpec->parID, fsSpec->name, fndrInfo);
}

namespace {

// A locked file is a read-only one.
OSErr SetFileLock(const FSSpec *fsSpec, bool locked)
{
    int16_t wd = 0;
    OSErr err = OpenWD(fsSpec->vRefNum, fsSpec->parID, 0, &wd);
    if (err != noErr)
        return err;
    char path[kMaxDosPath + 1];
    err = PathOf(fsSpec, path);
    if (err != noErr)
        return err;
    ForgetFileLocks();
    return _chmod(path, locked ? _S_IREAD : _S_IREAD | _S_IWRITE) == 0 ? OSErr(noErr) : OSErr(fnfErr);
}

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL FSpSetFLock(const FSSpec *fsSpec) { return SetFileLock(fsSpec, true); }

ZEL_EXTERN_C OSErr ZEL_CALL FSpRstFLock(const FSSpec *fsSpec) { return SetFileLock(fsSpec, false); }

// Swaps the contents of two files by renaming them through a temporary name. A rename that fails undoes
// the ones before it, so both names keep their contents; refNums open on either file follow its
// contents to the other name.
ZEL_EXTERN_C OSErr ZEL_CALL FSpExchangeFiles(const FSSpec *source, const FSSpec *dest)
{
    char from[kMaxDosPath + 1], to[kMaxDosPath + 1], temporary[kMaxDosPath + 1];
    OSErr err = PathOf(source, from);
    if (err == noErr)
        err = PathOf(dest, to);
    if (err != noErr)
        return err;
    if (!TemporaryName(from, temporary))
        return bdNamErr;
    SuspendedSlots sourceSlots, destSlots;
    SuspendSlotsOn(from, &sourceSlots);
    SuspendSlotsOn(to, &destSlots);

    // A taken temporary name is stepped over, whatever the runtime calls the failure.
    for (;;) {
        if (std::rename(from, temporary) == 0)
            break;
        int error = errno;
        bool taken = GetFileAttributesA(temporary) != INVALID_FILE_ATTRIBUTES || error == EEXIST || error == EACCES;
        if (taken && NextTemporaryName(temporary))
            continue;
        err = taken || (error != ENOENT && error != EXDEV) ? OSErr(paramErr)
              : error == ENOENT                            ? OSErr(fnfErr)
                                                           : kNotSameVolume;
        break;
    }
    if (err == noErr && std::rename(to, from) != 0) {
        std::rename(temporary, from);
        err = paramErr;
    } else if (err == noErr && std::rename(temporary, to) != 0) {
        std::rename(from, to);
        std::rename(temporary, from);
        err = paramErr;
    }
    if (err == noErr) {
        for (int i = 0; i < sourceSlots.count; ++i)
            SetFileSlotPath(sourceSlots.refNums[i], to);
        for (int i = 0; i < destSlots.count; ++i)
            SetFileSlotPath(destSlots.refNums[i], from);
    }
    ReopenSlots(sourceSlots);
    ReopenSlots(destSlots);
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL FSpFileCopy(const FSSpec *source, const FSSpec *dest, ConstStr255Param copyName,
                                        void *copyBufferPtr, int32_t copyBufferSize, Boolean preflight)
{
    return FileCopy(source->vRefNum, source->parID, source->name, dest->vRefNum, dest->parID, nullptr, copyName,
                    copyBufferPtr, copyBufferSize, preflight);
}

ZEL_EXTERN_C int16_t ZEL_CALL FSpOpenResFile(const FSSpec *fsSpec, SignedByte permission)
{
    return HOpenResFile(fsSpec->vRefNum, fsSpec->parID, fsSpec->name, permission);
}

ZEL_EXTERN_C void ZEL_CALL FSpCreateResFile(const FSSpec *fsSpec, OSType, OSType, ScriptCode)
{
    HCreateResFile(fsSpec->vRefNum, fsSpec->parID, fsSpec->name);
}

ZEL_EXTERN_C void ZEL_CALL FSpCreateResFileCompat(const FSSpec *fsSpec, OSType creator, OSType fileType,
                                                  ScriptCode scriptTag)
{
    FSpCreateResFile(fsSpec, creator, fileType, scriptTag);
}

// The open-file table: file reference numbers are indices into it; slots 2..63 hold files. Each slot is
// free (no handle, no record), live (an open Windows handle), suspended (closed with its position kept,
// reopened on the next use) or lost (its file could not be reopened or recreated: the refNum stays taken
// and answers -1 until the application closes it, so that no other file can take over the number the
// application still writes to).
#include "files_services.h"
#include "../core/core_services.h"

#include <cstring>

namespace {

// What a slot needs to open its file again.
struct FileHandleRecord {
    char path[kMaxDosPath + 1];
    uint32_t desiredAccess;
    uint32_t shareMode;
    uint32_t flagsAndAttributes;
};

const HANDLE kNoHandle = INVALID_HANDLE_VALUE; // free, or lost when a record is kept
const HANDLE kSuspended = nullptr;
constexpr uint32_t kNoPosition = 0xFFFFFFFF;

HANDLE sHandles[kFileSlots];
FileHandleRecord *sRecords[kFileSlots];
uint32_t sSavedPositions[kFileSlots];
// A slot's file found writable stays so while sLockEpoch is the one it was found in: every opening of a
// slot and every lock the library changes starts a new epoch. Between them an open handle's writes are
// not checked again (Windows lets a handle with write access keep writing after another program marks
// its file read-only, as the Macintosh lets an open path keep its permission). A read-only answer is
// never kept: a file another program unlocks is writable at once.
uint32_t sWritableEpoch[kFileSlots];
uint32_t sLockEpoch = 1;
int16_t sPreferredSlot = -1;

bool InRange(int32_t refNum) { return refNum >= kFirstFileSlot && refNum < kFileSlots; }

bool IsFree(int slot) { return sHandles[slot] == kNoHandle && !sRecords[slot]; }

bool IsLive(int slot) { return sHandles[slot] != kNoHandle && sHandles[slot] != kSuspended; }

int AllocFileHandleSlot()
{
    int slot = -1;
    if (sPreferredSlot > 0) {
        int preferred = sPreferredSlot;
        sPreferredSlot = -1;
        if (InRange(preferred) && IsFree(preferred))
            slot = preferred;
    }
    for (int i = kFirstFileSlot; slot < 0 && i < kFileSlots; ++i)
        if (IsFree(i))
            slot = i;
    if (slot < 0)
        return -1;
    auto *record = reinterpret_cast<FileHandleRecord *>(NewPtrClear(sizeof(FileHandleRecord)));
    if (!record)
        return -1;
    sRecords[slot] = record;
    sHandles[slot] = kSuspended;
    sSavedPositions[slot] = kNoPosition;
    return slot;
}

void FreeFileHandleSlot(int slot)
{
    sHandles[slot] = kNoHandle;
    sSavedPositions[slot] = kNoPosition;
    if (sRecords[slot])
        DisposePtr(reinterpret_cast<Ptr>(sRecords[slot]));
    sRecords[slot] = nullptr;
}

// The slot keeps its record and its refNum but has no file any more.
void LoseFileHandleSlot(int slot)
{
    sHandles[slot] = kNoHandle;
    sSavedPositions[slot] = kNoPosition;
}

HANDLE OpenSlotFile(const FileHandleRecord *r, DWORD disposition)
{
    ForgetFileLocks();
    return CreateFileA(r->path, r->desiredAccess, r->shareMode, nullptr, disposition, r->flagsAndAttributes,
                       nullptr);
}

// Collapses runs of backslashes after a leading pair, for comparing paths.
void CollapsedPath(const char *path, char *out)
{
    int n = 0;
    for (int i = 0; path[i] && n < kMaxDosPath; ++i) {
        if (path[i] == '\\' && i >= 2 && n > 0 && out[n - 1] == '\\')
            continue;
        out[n++] = path[i];
    }
    out[n] = 0;
}

bool SlotHasPath(int slot, const char *collapsed)
{
    char other[kMaxDosPath + 1];
    CollapsedPath(sRecords[slot]->path, other);
    return lstrcmpiA(other, collapsed) == 0;
}

// A live or suspended slot other than `except` holds the path opened for writing.
bool WriterHoldsPath(const char *collapsed, int except)
{
    for (int i = kFirstFileSlot; i < kFileSlots; ++i)
        if (i != except && sRecords[i] && sHandles[i] != kNoHandle &&
            (sRecords[i]->desiredAccess & GENERIC_WRITE) && SlotHasPath(i, collapsed))
            return true;
    return false;
}

// The slot's handle, reopening a suspended slot first; NULL when it has none.
HANDLE UsableHandle(int32_t refNum)
{
    if (!InRange(refNum))
        return nullptr;
    if (sHandles[refNum] == kSuspended && sRecords[refNum])
        ZEL_FHReOpen(1, refNum);
    return IsLive(refNum) ? sHandles[refNum] : nullptr;
}

bool ReadOnlyFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// The read-only attribute of an open slot's file, asked through its handle where Windows can (from
// Vista on: a few times cheaper than a look-up by path, which matters before every write), by its path
// otherwise.
bool SlotFileReadOnly(int slot)
{
    typedef BOOL(WINAPI * InfoByHandleProc)(HANDLE, int, void *, DWORD);
    static bool lookedUp;
    static InfoByHandleProc infoByHandle;
    if (!lookedUp) {
        lookedUp = true;
        if (HMODULE kernel = GetModuleHandleA("kernel32.dll"))
            infoByHandle = reinterpret_cast<InfoByHandleProc>(GetProcAddress(kernel, "GetFileInformationByHandleEx"));
    }
    if (infoByHandle && IsLive(slot)) {
        struct {
            LARGE_INTEGER creation, access, write, change;
            DWORD attributes;
        } basic; // the basic-information class (0)
        if (infoByHandle(sHandles[slot], 0, &basic, sizeof basic))
            return (basic.attributes & FILE_ATTRIBUTE_READONLY) != 0;
    }
    return ReadOnlyFile(sRecords[slot]->path);
}

} // namespace

// ---- Table life cycle ----

void InitFileHandleTable()
{
    for (int i = 0; i < kFileSlots; ++i) {
        sHandles[i] = kNoHandle;
        sRecords[i] = nullptr;
        sSavedPositions[i] = kNoPosition;
    }
    sPreferredSlot = -1;
}

void CloseAllFileHandles()
{
    for (int i = kFirstFileSlot; i < kFileSlots; ++i)
        if (!IsFree(i))
            ZEL_FHClose(i);
}

// ---- Services ----

void SetPreferredFileSlot(int16_t refNum) { sPreferredSlot = refNum; }

const char *FileSlotPath(int16_t refNum)
{
    return InRange(refNum) && sRecords[refNum] ? sRecords[refNum]->path : nullptr;
}

bool SetFileSlotPath(int16_t refNum, const char *path)
{
    if (!InRange(refNum) || !sRecords[refNum] || sHandles[refNum] != kSuspended || std::strlen(path) > kMaxDosPath)
        return false;
    std::strcpy(sRecords[refNum]->path, path);
    return true;
}

bool FileSlotOpen(int16_t refNum) { return InRange(refNum) && sRecords[refNum] && sHandles[refNum] != kNoHandle; }

bool FileSlotWritable(int16_t refNum)
{
    return InRange(refNum) && sRecords[refNum] && (sRecords[refNum]->desiredAccess & GENERIC_WRITE);
}

int16_t FindOpenFileByPath(const char *path)
{
    if (!path)
        return -1;
    char collapsed[kMaxDosPath + 1];
    CollapsedPath(path, collapsed);
    for (int i = kFirstFileSlot; i < kFileSlots; ++i)
        if (sRecords[i] && sHandles[i] != kNoHandle && SlotHasPath(i, collapsed))
            return static_cast<int16_t>(i);
    return -1;
}

void ForgetFileLocks()
{
    if (++sLockEpoch == 0)
        sLockEpoch = 1;
}

OSErr CheckFileWritable(int16_t refNum)
{
    if (!FileSlotPath(refNum))
        return noErr;
    if (sWritableEpoch[refNum] == sLockEpoch)
        return noErr;
    if (SlotFileReadOnly(refNum))
        return wrPermErr;
    sWritableEpoch[refNum] = sLockEpoch;
    return noErr;
}

// A slot that already writes a file that may be written needs nothing. Otherwise the file is opened
// again with write access and others allowed to write; when Windows refuses, the slot goes back to how it
// was.
OSErr MakeFileHandleWritable(int16_t refNum)
{
    if (!InRange(refNum) || !sRecords[refNum] || sHandles[refNum] == kNoHandle)
        return rfNumErr;
    FileHandleRecord *r = sRecords[refNum];
    DWORD attributes = GetFileAttributesA(r->path);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_READONLY) &&
        (r->desiredAccess & GENERIC_WRITE))
        return noErr;
    ZEL_FHReOpen(0, refNum);
    FileHandleRecord saved = *r;
    r->desiredAccess |= GENERIC_WRITE;
    r->shareMode |= FILE_SHARE_WRITE;
    r->flagsAndAttributes &= ~FILE_ATTRIBUTE_READONLY;
    HANDLE h = OpenSlotFile(r, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) {
        *r = saved;
        ZEL_FHReOpen(1, refNum);
        return wrPermErr;
    }
    sHandles[refNum] = h;
    if (sSavedPositions[refNum] != kNoPosition)
        SetFilePointer(h, static_cast<LONG>(sSavedPositions[refNum]), nullptr, FILE_BEGIN);
    sSavedPositions[refNum] = kNoPosition;
    return noErr;
}

// ---- Exported calls ----

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_FHOpen(const char *path, uint16_t mode, OSErr *err)
{
    OSErr ignored;
    if (!err)
        err = &ignored;
    if (!path || std::strlen(path) > kMaxDosPath) {
        *err = bdNamErr;
        return -1;
    }
    *err = tmfoErr;
    int slot = AllocFileHandleSlot();
    if (slot < 0)
        return -1;
    FileHandleRecord *r = sRecords[slot];
    std::strcpy(r->path, path);
    bool readOnly = (mode & 15) == 0;
    r->desiredAccess = readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    r->shareMode = ((mode & 0x30) ? 0 : FILE_SHARE_READ) | ((mode & 0x20) ? 0 : FILE_SHARE_WRITE);
    r->flagsAndAttributes = readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;

    // Windows lets two refNums write one file when both share writing; the File Manager does not.
    char collapsed[kMaxDosPath + 1];
    CollapsedPath(path, collapsed);
    if (!readOnly && WriterHoldsPath(collapsed, slot)) {
        *err = opWrErr;
        FreeFileHandleSlot(slot);
        return -1;
    }
    *err = fnfErr;
    HANDLE h = OpenSlotFile(r, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) {
        *err = LastWin32ErrorToOSErr();
        FreeFileHandleSlot(slot);
        return -1;
    }
    sHandles[slot] = h;
    *err = noErr;
    return slot;
}

// An existing file makes the creation fail; the Win32 error stays for the caller.
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_FHCreate(const char *path, uint16_t mode)
{
    if (!path || std::strlen(path) > kMaxDosPath) {
        SetLastError(ERROR_INVALID_NAME);
        return -1;
    }
    bool readOnly = (mode & 15) == 1;
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           CREATE_NEW, readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    CloseHandle(h);
    OSErr err;
    return ZEL_FHOpen(path, readOnly ? 0 : 2, &err);
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_FHClose(int32_t refNum)
{
    if (!InRange(refNum))
        return -1;
    int32_t result = IsLive(refNum) ? (CloseHandle(sHandles[refNum]) ? 1 : 0) : -1;
    FreeFileHandleSlot(refNum);
    return result;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_FHRead(int32_t refNum, void *buffer, int32_t count)
{
    HANDLE h = UsableHandle(refNum);
    if (!h)
        return -1;
    DWORD done = 0;
    if (count <= 0 || !ReadFile(h, buffer, static_cast<DWORD>(count), &done, nullptr))
        return 0;
    return static_cast<int32_t>(done);
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_FHWrite(int32_t refNum, const void *buffer, int32_t count)
{
    HANDLE h = UsableHandle(refNum);
    if (!h)
        return -1;
    DWORD done = 0;
    if (count <= 0 || !WriteFile(h, buffer, static_cast<DWORD>(count), &done, nullptr))
        return 0;
    return static_cast<int32_t>(done);
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_FHLSeek(int32_t refNum, int32_t offset, int32_t origin)
{
    HANDLE h = UsableHandle(refNum);
    if (!h || origin < FILE_BEGIN || origin > FILE_END)
        return -1;
    DWORD position = SetFilePointer(h, offset, nullptr, static_cast<DWORD>(origin));
    return position == INVALID_SET_FILE_POINTER ? -1 : static_cast<int32_t>(position);
}

// Truncating recreates the file under the slot's own access and sharing. A refNum without write access
// truncates nothing; a file that cannot be recreated leaves its refNum taken.
ZEL_EXTERN_C OSErr ZEL_CALL ZEL_FHSetEOF0(int32_t refNum)
{
    HANDLE h = UsableHandle(refNum);
    if (!h)
        return ioErr;
    FileHandleRecord *r = sRecords[refNum];
    DWORD attributes = GetFileAttributesA(r->path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ioErr;
    if ((attributes & FILE_ATTRIBUTE_READONLY) || !(r->desiredAccess & GENERIC_WRITE))
        return wrPermErr;
    CloseHandle(h);
    sHandles[refNum] = kSuspended;
    sSavedPositions[refNum] = kNoPosition;
    h = OpenSlotFile(r, CREATE_ALWAYS);
    if (h == INVALID_HANDLE_VALUE) {
        LoseFileHandleSlot(refNum);
        return ioErr;
    }
    sHandles[refNum] = h;
    return noErr;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_FHReOpen(int32_t reopen, int32_t refNum)
{
    if (!InRange(refNum) || !sRecords[refNum])
        return 0;
    if (!reopen) {
        if (!IsLive(refNum))
            return 0;
        sSavedPositions[refNum] = SetFilePointer(sHandles[refNum], 0, nullptr, FILE_CURRENT);
        CloseHandle(sHandles[refNum]);
        sHandles[refNum] = kSuspended;
        return 1;
    }
    if (sHandles[refNum] != kSuspended)
        return 0;
    uint32_t position = sSavedPositions[refNum];
    sSavedPositions[refNum] = kNoPosition;
    HANDLE h = OpenSlotFile(sRecords[refNum], OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) {
        LoseFileHandleSlot(refNum);
        return 0;
    }
    sHandles[refNum] = h;
    if (position != kNoPosition)
        SetFilePointer(h, static_cast<LONG>(position), nullptr, FILE_BEGIN);
    return 1;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_FHReOpenAll(int32_t reopen)
{
    for (int i = kFirstFileSlot; i < kFileSlots; ++i)
        ZEL_FHReOpen(reopen, i);
}

ZEL_EXTERN_C HANDLE ZEL_CALL ZEL_FHMap(int32_t refNum)
{
    return InRange(refNum) && IsLive(refNum) ? sHandles[refNum] : INVALID_HANDLE_VALUE;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_FHUnMap(HANDLE file)
{
    if (file == kNoHandle || file == kSuspended)
        return -1;
    for (int i = kFirstFileSlot; i < kFileSlots; ++i)
        if (sHandles[i] == file)
            return i;
    return -1;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_FHGetAttr(int32_t refNum)
{
    return InRange(refNum) && sRecords[refNum] ? GetDosAttributes(sRecords[refNum]->path) : -1;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetVRefNum(int16_t refNum, int16_t *vRefNum)
{
    const char *path = FileSlotPath(refNum);
    int16_t volume = ZEL_DOSVolToVRefNum(path ? path : "");
    if (vRefNum)
        *vRefNum = volume;
    return volume == kNoVolume ? OSErr(nsvErr) : OSErr(noErr);
}

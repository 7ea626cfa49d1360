// Resource files and the resource chain: the 63 open-fork records, the chain from the newest file to the
// oldest, where a fork lives beside its data file, opening, creating, closing and choosing files, and
// the start and end of the Resource Manager with the library's and the application's resource files.
#include "resource_manager.h"
#include "files_services.h"
#include "LowMem.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"

#include <cstring>

namespace {

constexpr int kResSlots = 63;
constexpr int kPathMax = 255;

ResFileRecord *sSlots[kResSlots];
ResFileRecord *sHead;
ResFileRecord *sCurrent;
int sOpenCount;
int16_t sPreferredSlot = -1;
bool sFrkMode;

// ---- Slots and the chain ----

ResFileRecord *TakeSlot()
{
    int slot = -1;
    if (sPreferredSlot >= 0 && sPreferredSlot < kResSlots && !sSlots[sPreferredSlot])
        slot = sPreferredSlot;
    sPreferredSlot = -1;
    for (int i = 0; slot < 0 && i < kResSlots; ++i)
        if (!sSlots[i])
            slot = i;
    if (slot < 0)
        return nullptr;
    auto *f = reinterpret_cast<ResFileRecord *>(NewPtrClear(sizeof(ResFileRecord)));
    if (!f)
        return nullptr;
    f->slot = static_cast<uint16_t>(slot);
    f->nextFile = sHead;
    if (sHead)
        sHead->prevFile = f;
    sHead = f;
    sSlots[slot] = f;
    ++sOpenCount;
    sCurrent = f;
    EmptyResourceCache();
    return f;
}

void ReleaseSlot(ResFileRecord *f)
{
    if (f->prevFile)
        f->prevFile->nextFile = f->nextFile;
    else
        sHead = f->nextFile;
    if (f->nextFile)
        f->nextFile->prevFile = f->prevFile;
    if (sCurrent == f)
        sCurrent = f->nextFile ? f->nextFile : f->prevFile;
    --sOpenCount;
    sSlots[f->slot] = nullptr;
    DisposePtr(reinterpret_cast<Ptr>(f));
    EmptyResourceCache();
}

HANDLE ForkHandle(const ResFileRecord *f)
{
    HANDLE h = ZEL_FHMap(f->refNum);
    if (h == INVALID_HANDLE_VALUE && ZEL_FHReOpen(1, f->refNum))
        h = ZEL_FHMap(f->refNum);
    return h;
}

bool SeekFork(HANDLE h, const ResFileRecord *f, uint32_t offset)
{
    uint64_t pos = uint64_t(f->forkBase) + offset;
    LONG high = LONG(pos >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(h, LONG(uint32_t(pos)), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

// ---- Fork paths ----

bool IsFullForkPath(const char *name)
{
    if (name[0] == '.')
        return false;
    if (name[0] == '\\' && name[1] == '\\')
        return true;
    return IsDriveLetter(name[0]) && name[1] == ':' && name[2] == '\\';
}

void CopyCut(char *out, const char *in)
{
    size_t n = std::strlen(in);
    if (n > size_t(kPathMax))
        n = kPathMax;
    std::memcpy(out, in, n);
    out[n] = 0;
}

// A name made full in the current directory; "?" in place of a name that does not fit, so that no
// file opens.
void InCurrentDirectory(const char *name, char *out)
{
    char dir[MAX_PATH + 1] = {};
    DWORD n = GetCurrentDirectoryA(MAX_PATH, dir);
    if (n == 0 || n >= MAX_PATH)
        dir[0] = 0;
    size_t len = std::strlen(dir);
    if (len && dir[len - 1] != '\\')
        dir[len++] = '\\', dir[len] = 0;
    if (len + std::strlen(name) >= size_t(kPathMax)) {
        CopyCut(out, dir);
        size_t k = std::strlen(out);
        if (k < size_t(kPathMax))
            out[k] = '?', out[k + 1] = 0;
        return;
    }
    std::strcpy(out, dir);
    std::strcat(out, name);
}

// In RESOURCE.FRK mode a fork lives in the "RESOURCE.FRK" subdirectory of its data file's directory.
void PlaceInFrkDirectory(const char *name, char *out, const char *subdirectory)
{
    char root[256], dir[256], file[256];
    ParseDosPath(name, root, dir, file);
    CharUpperA(dir);
    char built[3 * 256 + 16];
    std::strcpy(built, root);
    std::strcat(built, dir);
    if (!std::strstr(dir, "RESOURCE.FRK")) {
        std::strcat(built, subdirectory);
        std::strcat(built, "\\");
    }
    std::strcat(built, file);
    if (IsFullForkPath(built))
        CopyCut(out, built);
    else
        InCurrentDirectory(built, out);
}

// The fork path of a caller's name (vRefNum 0: the current directory). Prefs gives Prefs.rsr and
// My.Prefs gives My.rsr; a name with an extension of up to three characters is taken as it is.
void BuildForkPath(const char *name, char *out, bool creating, int16_t vRefNum = 0)
{
    char work[MAX_PATH + 8];
    CopyCut(work, name);
    size_t n = std::strlen(work);
    if (creating && n && work[n - 1] == '.')
        work[--n] = 0;
    if (sFrkMode) {
        PlaceInFrkDirectory(work, out, creating ? "Resource.frk" : "RESOURCE.FRK");
        return;
    }
    if (IsFullForkPath(work)) {
        CopyCut(out, work);
        return;
    }
    if (SessionPlatform().win32s && std::strchr(work, ' ')) {
        char *w = work;
        for (const char *r = work; *r; ++r)
            if (*r != ' ' && *r != '\t')
                *w++ = *r;
        *w = 0;
        work[8 < std::strlen(work) ? 8 : std::strlen(work)] = 0;
        n = std::strlen(work);
    }
    if (vRefNum != 0) {
        // A volume or working directory names where the fork is; the name is taken as it is.
        unsigned char pname[256];
        ZEL_CopyCtoP(work, pname);
        if (ZEL_FSpec(vRefNum, pname, out) != noErr)
            std::strcpy(out, "?");
        return;
    }
    bool dotInTail = false;
    for (size_t i = n >= 4 ? n - 4 : 0; i < n; ++i)
        dotInTail |= work[i] == '.';
    if (n > 250 || !dotInTail) {
        if (char *dot = std::strchr(work, '.'))
            *dot = 0;
        std::strcat(work, ".rsr");
    }
    InCurrentDirectory(work, out);
}

// A fork kept in a file's ":AFP_Resource" stream is copied to where RESOURCE.FRK mode looks for it.
void BringInAfpStream(const char *name, const char *forkPath)
{
    if (GetFileAttributesA(forkPath) != INVALID_FILE_ATTRIBUTES)
        return;
    char stream[MAX_PATH + 16];
    CopyCut(stream, name);
    std::strcat(stream, ":AFP_Resource");
    if (GetFileAttributesA(stream) == INVALID_FILE_ATTRIBUTES)
        return;
    char dir[MAX_PATH + 1];
    CopyCut(dir, forkPath);
    if (char *slash = std::strrchr(dir, '\\')) {
        *slash = 0;
        CreateDirectoryA(dir, nullptr);
    }
    CopyFileA(stream, forkPath, TRUE);
}

ResFileRecord *FindByPath(const char *path, const ResFileRecord *except)
{
    for (ResFileRecord *f = sHead; f; f = f->nextFile)
        if (f != except && lstrcmpiA(f->path, path) == 0)
            return f;
    return nullptr;
}

// Opens a fork by its full path as the newest file of the chain; the reference number or -1.
int16_t OpenForkPath(const char *path, bool readOnly)
{
    SetResErr(noErr);
    ResFileRecord *before = sCurrent;
    ResFileRecord *f = TakeSlot();
    if (!f) {
        SetResErr(kTooManyFilesErr);
        return -1;
    }
    CopyCut(f->path, path);
    if (ResFileRecord *same = FindByPath(f->path, f)) {
        ReleaseSlot(f);
        SelectResFile(same);
        if ((same->attributes & fileReadOnly) && !readOnly && !same->embedded &&
            MakeFileHandleWritable(same->refNum) == noErr)
            same->attributes &= ~fileReadOnly;
        return same->refNum;
    }
    uint32_t size = 0;
    const int16_t hostFile = static_cast<int16_t>(LibrarySetting(settingEmbedFileRef));
    if (hostFile != -1 && f->slot <= 1) {
        f->embedded = true;
        f->refNum = hostFile;
        f->forkBase = uint32_t(LibrarySetting(f->slot == 0 ? settingEmbedFork1 : settingEmbedFork2));
        f->attributes = fileReadOnly;
        size = 512;
    } else {
        UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        OSErr err = noErr;
        int32_t ref = -1;
        for (int attempt = 0; attempt < 6 && ref < 0; ++attempt) {
            bool asRead = readOnly || attempt >= 3;
            ref = ZEL_FHOpen(f->path, asRead ? 0 : 2, &err);
            // A fork that could only be had for reading refuses changes later.
            if (ref >= 0 && asRead)
                f->attributes |= fileReadOnly;
        }
        SetErrorMode(oldMode);
        if (ref < 0) {
            ReleaseSlot(f);
            SelectResFile(before);
            SetResErr(err ? err : OSErr(fnfErr));
            return -1;
        }
        f->refNum = static_cast<int16_t>(ref);
        f->fileOpen = true;
        DWORD high = 0;
        DWORD low = GetFileSize(ZEL_FHMap(ref), &high);
        size = high ? 0xFFFFFFFFu : low;
    }
    OSErr err = ReadForkMap(f, size, false);
    if (err != noErr) {
        CloseResRecord(f);
        SelectResFile(before);
        SetResErr(err);
        return -1;
    }
    return f->refNum;
}

// Opens a fork by a caller's name (a C string), through the fork path rules.
int16_t OpenFullFork(const char *cname, bool readOnly)
{
    char path[256];
    BuildForkPath(cname, path, false);
    if (sFrkMode)
        BringInAfpStream(cname, path);
    return OpenForkPath(path, readOnly);
}

int16_t OpenNamedFork(ConstStr255Param name, bool readOnly, int16_t vRefNum = 0)
{
    char cname[256] = {};
    if (name)
        ZEL_CopyPtoC(name, cname);
    if (vRefNum == 0)
        return OpenFullFork(cname, readOnly);
    char path[256];
    BuildForkPath(cname, path, false, vRefNum);
    return OpenForkPath(path, readOnly);
}

void CreateForkAt(const char *path)
{
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD high = 0;
        DWORD size = GetFileSize(h, &high);
        if (size || high) {
            CloseHandle(h);
            SetResErr(kDupNameErr);
            return;
        }
    } else {
        h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            SetResErr(kBadNameErr);
            return;
        }
    }
    DWORD done = 0;
    bool ok = WriteFile(h, EmptyForkBytes(), kEmptyForkSize, &done, nullptr) && done == kEmptyForkSize;
    CloseHandle(h);
    SetResErr(ok ? OSErr(noErr) : kIoErr);
}

// RESOURCE.FRK mode: the data file exists (empty when new) and the fork directory is there, hidden.
void PrepareFrkCreate(const char *dataName, const char *forkPath)
{
    char dataPath[256];
    if (IsFullForkPath(dataName))
        CopyCut(dataPath, dataName);
    else
        InCurrentDirectory(dataName, dataPath);
    HANDLE h = CreateFileA(dataPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    char dir[256];
    CopyCut(dir, forkPath);
    if (char *slash = std::strrchr(dir, '\\')) {
        *slash = 0;
        if (CreateDirectoryA(dir, nullptr))
            SetFileAttributesA(dir, FILE_ATTRIBUTE_HIDDEN);
    }
}

// ---- Start-up ----

// A host string resource; empty when the host has none.
void HostString(UINT id, char *out, int size)
{
    out[0] = 0;
    if (LoadStringA(SessionHostInstance(), id, out, size) <= 0)
        out[0] = 0;
}

bool EndsWithNoCase(const char *s, const char *tail)
{
    size_t n = std::strlen(s), t = std::strlen(tail);
    return n >= t && lstrcmpiA(s + n - t, tail) == 0;
}

// `dir` followed by `name`, a backslash put between when missing.
void JoinPath(char *out, const char *dir, const char *name)
{
    char joined[2 * MAX_PATH + 2];
    std::strcpy(joined, dir);
    size_t n = std::strlen(joined);
    if (n && joined[n - 1] != '\\')
        std::strcat(joined, "\\");
    std::strcat(joined, name);
    CopyCut(out, joined);
}

// The name with its extension replaced by ".RSR".
void WithRsrExtension(char *out, const char *path)
{
    char work[MAX_PATH + 8];
    CopyCut(work, path);
    char *dot = std::strrchr(work, '.');
    char *slash = std::strrchr(work, '\\');
    if (dot && (!slash || dot > slash))
        *dot = 0;
    std::strcat(work, ".RSR");
    CopyCut(out, work);
}

// The file a call names by reference number; ResError 0, or -193 and null when no file has it.
ResFileRecord *FileNamed(int16_t refNum)
{
    ResFileRecord *f = FindResFile(refNum);
    SetResErr(f ? OSErr(noErr) : OSErr(resFNotFound));
    return f;
}

void CloseEveryResFile()
{
    for (;;) {
        ResFileRecord *f = sHead;
        while (f && f->refNum <= 0)
            f = f->nextFile;
        if (!f)
            break;
        CloseResFile(f->refNum);
        // A record the close could not take away goes without writing.
        if (FindResFile(f->refNum) == f)
            CloseResRecord(f);
    }
    while (sHead)
        CloseResRecord(sHead);
}

} // namespace

// ---- Services of the other Resource Manager files ----

void SetResErr(OSErr err) { LowMem<OSErr>(lmResErr) = err; }
OSErr CurrentResErr() { return LowMem<OSErr>(lmResErr); }
bool ResLoadOn() { return LowMem<uint8_t>(lmResLoad) != 0; }
ResFileRecord *CurrentResFile() { return sCurrent; }
ResFileRecord *ResChainHead() { return sHead; }
ResFileRecord *ResFileInSlot(int slot) { return slot >= 0 && slot < kResSlots ? sSlots[slot] : nullptr; }

ResFileRecord *FindResFile(int16_t refNum)
{
    if (refNum == 0)
        return sSlots[0];
    for (ResFileRecord *f = sHead; f; f = f->nextFile)
        if (f->refNum == refNum)
            return f;
    return nullptr;
}

void SelectResFile(ResFileRecord *f)
{
    if (f)
        sCurrent = f;
    EmptyResourceCache();
}

void CloseResRecord(ResFileRecord *f)
{
    FreeAllReferences(f);
    if (f->mapHandle)
        DisposeHandle(f->mapHandle);
    f->mapHandle = nullptr;
    f->mapPtr = nullptr;
    DropResourceIndex(f);
    if (f->fileOpen && !f->embedded)
        ZEL_FHClose(f->refNum);
    f->fileOpen = false;
    if (f->swapProc)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(f->swapProc));
    f->refNum = 0;
    ReleaseSlot(f);
}

bool ForkFileRead(const ResFileRecord *f, uint32_t offset, void *buffer, uint32_t count)
{
    HANDLE h = ForkHandle(f);
    if (h == INVALID_HANDLE_VALUE || !SeekFork(h, f, offset))
        return false;
    DWORD done = 0;
    return count == 0 || (ReadFile(h, buffer, count, &done, nullptr) && done == count);
}

bool ForkFileWrite(const ResFileRecord *f, uint32_t offset, const void *buffer, uint32_t count)
{
    HANDLE h = ForkHandle(f);
    if (h == INVALID_HANDLE_VALUE || !SeekFork(h, f, offset))
        return false;
    DWORD done = 0;
    return count == 0 || (WriteFile(h, buffer, count, &done, nullptr) && done == count);
}

bool FlushForkFile(const ResFileRecord *f)
{
    HANDLE h = ForkHandle(f);
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
}

void TruncateForkFile(const ResFileRecord *f, uint32_t size)
{
    HANDLE h = ForkHandle(f);
    if (h != INVALID_HANDLE_VALUE && !f->embedded && SeekFork(h, f, size))
        SetEndOfFile(h);
}

void CloseForkFile(ResFileRecord *f)
{
    if (f->fileOpen && !f->embedded)
        ZEL_FHClose(f->refNum);
    f->fileOpen = false;
}

OSErr ReopenForkFile(ResFileRecord *f, int16_t refNum)
{
    SetPreferredFileSlot(refNum);
    OSErr err = noErr;
    int32_t ref = ZEL_FHOpen(f->path, 2, &err);
    SetPreferredFileSlot(-1);
    if (ref != refNum) {
        if (ref >= 0)
            ZEL_FHClose(ref);
        return err ? err : kTooManyFilesErr;
    }
    f->fileOpen = true;
    return noErr;
}

int16_t GetAppResFileRefNum() { return sSlots[1] ? sSlots[1]->refNum : 0; }

void ExitResources()
{
    CloseEveryResFile();
    DisposeCursorCache();
}

bool ResourceFrkMode() { return sFrkMode; }

// ---- Entry points ----

ZEL_EXTERN_C int16_t ZEL_CALL InitResources(void)
{
    char host[MAX_PATH + 1] = {};
    GetModuleFileNameA(SessionHostInstance(), host, MAX_PATH);
    sFrkMode = (std::strlen(host) >= 7 && EndsWithNoCase(host, "RAZ.exe")) ||
               LibrarySetting(settingMouseMovedEvents) || LibrarySetting(settingResourceFrkMode);
    CloseEveryResFile();
    SetResErr(noErr);
    LowMem<uint8_t>(lmResLoad) = 1;
    sCurrent = nullptr;
    sPreferredSlot = -1;
    LoadCursorSettings();

    const char *sysName = SessionBlock().resourceFileName;
    const bool readOnly = LibrarySetting(settingReadOnlyStartupResources) != 0;
    char rsrPath[MAX_PATH + 1] = {};
    bool haveRsrPath = false;
    int16_t sysRef = 0;
    if (sysName && sysName[0]) {
        DWORD n = GetEnvironmentVariableA("RSRPATH", rsrPath, MAX_PATH);
        haveRsrPath = n > 0 && n < MAX_PATH;
        char path[256];
        sysRef = -1;
        if (haveRsrPath) {
            JoinPath(path, rsrPath, sysName);
            sysRef = OpenFullFork(path, readOnly);
        }
        if (sysRef < 0) {
            ZEL_MakeAppPathName(path, sysName);
            sysRef = OpenFullFork(path, readOnly);
        }
        if (sysRef < 0) {
            char lib[MAX_PATH + 1] = {};
            GetModuleFileNameA(LibraryModule(), lib, MAX_PATH);
            if (char *slash = std::strrchr(lib, '\\'))
                slash[1] = 0;
            JoinPath(path, lib, sysName);
            sysRef = OpenFullFork(path, readOnly);
        }
        if (sysRef < 0) {
            char message[256];
            HostString(1030, message, sizeof message);
            DebugStrC(message);
            return 0;
        }
    }

    char appName[256];
    HostString(2193, appName, sizeof appName);
    char path[256] = {};
    int16_t appRef = -1;
    if (haveRsrPath) {
        char file[256];
        if (appName[0]) {
            CopyCut(file, appName);
        } else {
            const char *slash = std::strrchr(host, '\\');
            WithRsrExtension(file, slash ? slash + 1 : host);
        }
        JoinPath(path, rsrPath, file);
        appRef = OpenFullFork(path, readOnly);
    }
    if (appRef < 0) {
        if (appName[0])
            ZEL_MakeAppPathName(path, appName);
        else
            WithRsrExtension(path, host);
        appRef = OpenFullFork(path, readOnly);
    }
    if (appRef < 0) {
        char format[256], message[600];
        HostString(1033, format, sizeof format);
        wsprintfA(message, format, path);
        DebugStrC(message);
        return 0;
    }
    LowMem<int16_t>(lmSysMap) = sysRef ? sysRef : appRef;
    LowMem<int16_t>(lmCurApRefNum) = appRef;
    InitScriptAndIntl();
    return sysRef ? sysRef : appRef;
}

ZEL_EXTERN_C int16_t ZEL_CALL OpenResFile(ConstStr255Param fileName) { return OpenNamedFork(fileName, false); }

ZEL_EXTERN_C int16_t ZEL_CALL OpenRFPerm(ConstStr255Param fileName, int16_t vRefNum, int8_t permission)
{
    return OpenNamedFork(fileName, permission == 1, vRefNum);
}

ZEL_EXTERN_C int16_t ZEL_CALL HOpenResFile(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName,
                                          int8_t permission)
{
    char path[256];
    OSErr err = ZEL_HFSpec(dirID, vRefNum, fileName, path);
    if (err != noErr) {
        SetResErr(err);
        return -1;
    }
    return OpenFullFork(path, permission == 1);
}

ZEL_EXTERN_C void ZEL_CALL HCreateResFile(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName)
{
    char path[256];
    OSErr err = ZEL_HFSpec(dirID, vRefNum, fileName, path);
    if (err != noErr) {
        SetResErr(err);
        return;
    }
    unsigned char pname[256];
    CreateResFile(ZEL_CopyCtoP(path, pname));
}

// Points a {vRefNum, directory ID} pair at its directory's "Resource.frk" subdirectory.
ZEL_EXTERN_C int16_t ZEL_CALL ZEL_MakeResSpec(ResSpecPair *pair)
{
    char path[256 + 16];
    OSErr err = ZEL_HFSpec(pair->dirID, pair->vRefNum, reinterpret_cast<const unsigned char *>(""), path);
    if (err != noErr)
        return err;
    size_t n = std::strlen(path);
    if (n && path[n - 1] == '\\')
        path[--n] = 0;
    std::strcat(path, "\\Resource.frk\\");
    FSSpec place{};
    ZEL_FullPathToFSSpec(path, &place);
    pair->vRefNum = place.vRefNum;
    pair->dirID = place.parID;
    return place.vRefNum;
}

ZEL_EXTERN_C void ZEL_CALL CreateResFile(ConstStr255Param fileName)
{
    char cname[256] = {};
    if (fileName)
        ZEL_CopyPtoC(fileName, cname);
    char path[256];
    BuildForkPath(cname, path, true);
    if (sFrkMode)
        PrepareFrkCreate(cname, path);
    CreateForkAt(path);
}

ZEL_EXTERN_C void ZEL_CALL CloseResFile(int16_t refNum)
{
    ResFileRecord *before = sCurrent;
    ResFileRecord *f = FileNamed(refNum);
    if (!f) {
        EmptyResourceCache();
        return;
    }
    SelectResFile(f);
    if (RunForkWriter(f, false) == 0)
        CloseResRecord(f);
    if (before != f)
        SelectResFile(before);
}

ZEL_EXTERN_C int16_t ZEL_CALL UpdateResFile(int16_t refNum)
{
    ResFileRecord *f = FileNamed(refNum);
    return f ? RunForkWriter(f, true) : 0;
}

ZEL_EXTERN_C void ZEL_CALL UseResFile(int16_t refNum)
{
    SelectResFile(FileNamed(refNum));
}

ZEL_EXTERN_C int16_t ZEL_CALL CurResFile(void) { return sCurrent ? sCurrent->refNum : 0; }

ZEL_EXTERN_C void ZEL_CALL SetResLoad(Boolean load) { LowMem<uint8_t>(lmResLoad) = load ? 1 : 0; }

ZEL_EXTERN_C void ZEL_CALL SetResPurge(Boolean) { SetResErr(noErr); }

ZEL_EXTERN_C int16_t ZEL_CALL GetResFileAttrs(int16_t refNum)
{
    ResFileRecord *f = FileNamed(refNum);
    if (!f)
        return 0;
    uint16_t attrs = f->attributes & fileReadOnly;
    if (f->mapChanged)
        attrs |= fileMapChanged | (f->attributes & fileCompact);
    f->attributes = attrs;
    return static_cast<int16_t>(attrs);
}

ZEL_EXTERN_C void ZEL_CALL SetResFileAttrs(int16_t refNum, int16_t attrs)
{
    if (ResFileRecord *f = FileNamed(refNum))
        f->attributes = static_cast<uint16_t>(attrs);
}

ZEL_EXTERN_C ProcPtr ZEL_CALL ZEL_SetSwapResourceProc(int16_t refNum, ProcPtr proc)
{
    ResFileRecord *f = FileNamed(refNum);
    if (!f)
        return nullptr;
    SelectResFile(f);
    ProcPtr old = f->swapProc;
    f->swapProc = proc ? reinterpret_cast<ProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(proc))) : nullptr;
    if (old)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(old));
    return old;
}

ZEL_EXTERN_C int16_t ZEL_CALL LMGetCurMap(void) { return CurResFile(); }
ZEL_EXTERN_C void ZEL_CALL LMSetCurMap(int16_t refNum) { UseResFile(refNum); }
ZEL_EXTERN_C Handle ZEL_CALL LMGetTopMapHndl(void) { return sCurrent ? sCurrent->mapHandle : nullptr; }

ZEL_EXTERN_C void ZEL_CALL LMSetTopMapHndl(Handle map)
{
    for (ResFileRecord *f = sHead; f; f = f->nextFile) {
        if (map && f->mapHandle == map) {
            SetResErr(noErr);
            SelectResFile(f);
            return;
        }
    }
    SetResErr(resFNotFound);
}

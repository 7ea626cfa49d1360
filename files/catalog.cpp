// Catalog information: PBGetCatInfo and the Finder-information calls over Windows directory searches,
// open-file descriptions, and copying a file through parameter blocks.
#include "files_services.h"
#include "../core/core_services.h"

#include <cstring>
#include <string>
#include <unordered_map>

namespace {

constexpr int16_t kNoIndexReached = 32767;
constexpr uint64_t kMacEpochAsFileTime = 95616288000000000ULL; // 1 January 1904 in 100 ns from 1601
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint32_t kFirstDosSecond = 2398377600u; // 1 January 1980

bool IsDotName(const char *name) { return name[0] == '.'; }

// An enumeration by index keeps its own search, so look-ups in between never restart it and stepping
// through a directory costs one step per entry.
struct Enumeration {
    char pattern[kMaxDosPath + 1];
    int16_t reached = kNoIndexReached;
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA found;
};
Enumeration sEnum;

void EndEnumeration()
{
    if (sEnum.search != INVALID_HANDLE_VALUE)
        FindClose(sEnum.search);
    sEnum.search = INVALID_HANDLE_VALUE;
    sEnum.reached = kNoIndexReached;
}

// Steps to the next entry whose name does not begin with '.'; false at the end (the search is closed).
bool StepEnumeration()
{
    while (FindNextFileA(sEnum.search, &sEnum.found))
        if (!IsDotName(sEnum.found.cFileName))
            return true;
    EndEnumeration();
    return false;
}

// The entry at `index` (1 first) of the directory searched by `pattern`.
const WIN32_FIND_DATAA *EntryAtIndex(const char *pattern, int16_t index)
{
    // The same pattern again is the common case, and a byte comparison settles it without lstrcmpiA's
    // linguistic one.
    bool reuse = sEnum.search != INVALID_HANDLE_VALUE && index > 1 && index >= sEnum.reached &&
                 (std::strcmp(sEnum.pattern, pattern) == 0 || lstrcmpiA(sEnum.pattern, pattern) == 0);
    if (!reuse) {
        EndEnumeration();
        sEnum.search = FindFirstFileA(pattern, &sEnum.found);
        if (sEnum.search == INVALID_HANDLE_VALUE)
            return nullptr;
        std::strcpy(sEnum.pattern, pattern);
        sEnum.reached = 1;
        if (IsDotName(sEnum.found.cFileName) && !StepEnumeration())
            return nullptr;
    }
    while (sEnum.reached < index) {
        if (!StepEnumeration())
            return nullptr;
        ++sEnum.reached;
    }
    return &sEnum.found;
}

// One look-up of a path through a directory search; dot-names are not reported.
bool SearchEntry(const char *path, WIN32_FIND_DATAA *found)
{
    HANDLE h = FindFirstFileA(path, found);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FindClose(h);
    return !IsDotName(found->cFileName);
}

// The names of the directory last looked into, as the file system spells them, by their upper-case
// long and short forms. A directory search costs many times a look-up of attributes, and the names are
// all it adds; they are trusted only while the directory's last-write time is the one they were read at
// (creating, deleting or renaming an entry changes it), and read again otherwise.
struct DirectoryNames {
    std::string directory; // upper case, with its trailing backslash
    FILETIME written{};
    std::unordered_map<std::string, std::string> spelled;
};
DirectoryNames sNames;

std::string Upper(const char *text)
{
    std::string s(text);
    CharUpperBuffA(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

bool ReadDirectoryNames(const std::string &directory, const FILETIME &written)
{
    sNames.directory.clear();
    sNames.spelled.clear();
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((directory + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do {
        sNames.spelled.emplace(Upper(found.cFileName), found.cFileName);
        if (found.cAlternateFileName[0])
            sNames.spelled.emplace(Upper(found.cAlternateFileName), found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    sNames.directory = Upper(directory.c_str());
    sNames.written = written;
    return true;
}

// What a look-up of attributes tells of an entry. The change time moves whenever the entry is renamed,
// written or has its attributes set, so an entry whose times, size and attributes are all as they were
// still carries the name it had then.
struct EntryState {
    WIN32_FILE_ATTRIBUTE_DATA file;
    FILETIME changed;
    bool hasChangeTime;
};

bool SameEntryState(const EntryState &a, const EntryState &b)
{
    auto same = [](const FILETIME &x, const FILETIME &y) {
        return x.dwLowDateTime == y.dwLowDateTime && x.dwHighDateTime == y.dwHighDateTime;
    };
    return a.hasChangeTime && b.hasChangeTime && same(a.changed, b.changed) &&
           same(a.file.ftCreationTime, b.file.ftCreationTime) && same(a.file.ftLastWriteTime, b.file.ftLastWriteTime) &&
           a.file.nFileSizeLow == b.file.nFileSizeLow && a.file.nFileSizeHigh == b.file.nFileSizeHigh &&
           a.file.dwFileAttributes == b.file.dwFileAttributes;
}

// The entry's attributes as GetFileAttributesExA answers them, with its change time where the system
// gives it: NtQueryFullAttributesFile is the query GetFileAttributesExA makes, asked the same way.
bool QueryEntry(const char *path, EntryState *state)
{
    struct UnicodeString {
        USHORT length, maximumLength;
        PWSTR buffer;
    };
    struct ObjectAttributes {
        ULONG length;
        HANDLE rootDirectory;
        UnicodeString *objectName;
        ULONG attributes;
        PVOID securityDescriptor, securityQualityOfService;
    };
    struct NetworkOpenInformation {
        LARGE_INTEGER creation, access, write, change, allocation, endOfFile;
        ULONG attributes;
    };
    typedef LONG(WINAPI * QueryProc)(ObjectAttributes *, NetworkOpenInformation *);
    typedef BOOLEAN(WINAPI * ToNtPathProc)(PCWSTR, UnicodeString *, PWSTR *, void *);
    typedef void(WINAPI * FreeProc)(UnicodeString *);
    static bool lookedUp;
    static QueryProc query;
    static ToNtPathProc toNtPath;
    static FreeProc freeString;
    if (!lookedUp) {
        lookedUp = true;
        if (HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
            query = reinterpret_cast<QueryProc>(GetProcAddress(ntdll, "NtQueryFullAttributesFile"));
            toNtPath = reinterpret_cast<ToNtPathProc>(GetProcAddress(ntdll, "RtlDosPathNameToNtPathName_U"));
            freeString = reinterpret_cast<FreeProc>(GetProcAddress(ntdll, "RtlFreeUnicodeString"));
        }
    }
    *state = EntryState{};
    WCHAR wide[kMaxDosPath + 1];
    UnicodeString ntPath{};
    if (!query || !toNtPath || !freeString ||
        !MultiByteToWideChar(AreFileApisANSI() ? CP_ACP : CP_OEMCP, 0, path, -1, wide, kMaxDosPath + 1) ||
        !toNtPath(wide, &ntPath, nullptr, nullptr))
        return GetFileAttributesExA(path, GetFileExInfoStandard, &state->file) != 0;
    ObjectAttributes attributes{sizeof(ObjectAttributes), nullptr, &ntPath, 0x40 /* case-insensitive */, nullptr, nullptr};
    NetworkOpenInformation info{};
    const LONG status = query(&attributes, &info);
    freeString(&ntPath);
    if (status < 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    auto time = [](const LARGE_INTEGER &t) {
        return FILETIME{static_cast<DWORD>(t.QuadPart), static_cast<DWORD>(t.QuadPart >> 32)};
    };
    state->file.dwFileAttributes = info.attributes;
    state->file.ftCreationTime = time(info.creation);
    state->file.ftLastAccessTime = time(info.access);
    state->file.ftLastWriteTime = time(info.write);
    state->file.nFileSizeHigh = static_cast<DWORD>(info.endOfFile.QuadPart >> 32);
    state->file.nFileSizeLow = static_cast<DWORD>(info.endOfFile.QuadPart);
    state->changed = time(info.change);
    state->hasChangeTime = true;
    return true;
}

// The names lately answered through the directory's names, by upper-case path, with the entry's state
// then. A name whose entry is found in that same state is answered without looking at the directory.
struct KnownName {
    EntryState state;
    std::string spelled;
};
std::unordered_map<std::string, KnownName> sKnownNames;
constexpr size_t kMaxKnownNames = 256;

// File systems stamp times in ticks (a few milliseconds on Linux, 100 ns on NTFS): a rename in the tick
// of the entry's last change would leave its change time as it was. A state is kept only once that tick
// is well past, so any later rename stamps another time. (The directory's own last-write time, which the
// names are checked against otherwise, is stamped in the same ticks.)
constexpr uint64_t kStampMargin = 1000000; // 100 ms in 100 ns

bool ChangedLongAgo(const FILETIME &changed)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t n = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const uint64_t c = (static_cast<uint64_t>(changed.dwHighDateTime) << 32) | changed.dwLowDateTime;
    return n > c && n - c > kStampMargin;
}

// One look-up of a path: its attributes, times and size, and its name as spelled in its directory.
// Names with wildcards, dot-names and anything the names of the directory do not answer go through a
// directory search.
bool LookUpEntry(const char *path, WIN32_FIND_DATAA *found)
{
    const char *name = std::strrchr(path, '\\');
    EntryState entry;
    WIN32_FILE_ATTRIBUTE_DATA directory;
    if (!name || !name[1] || std::strpbrk(name, "*?") || IsDotName(name + 1) || !QueryEntry(path, &entry))
        return SearchEntry(path, found);
    const WIN32_FILE_ATTRIBUTE_DATA &file = entry.file;
    auto answer = [&](const std::string &spelled) {
        *found = WIN32_FIND_DATAA{};
        found->dwFileAttributes = file.dwFileAttributes;
        found->ftCreationTime = file.ftCreationTime;
        found->ftLastAccessTime = file.ftLastAccessTime;
        found->ftLastWriteTime = file.ftLastWriteTime;
        found->nFileSizeHigh = file.nFileSizeHigh;
        found->nFileSizeLow = file.nFileSizeLow;
        std::strcpy(found->cFileName, spelled.c_str());
        return !IsDotName(found->cFileName);
    };
    const std::string key = Upper(path);
    auto known = sKnownNames.find(key);
    if (known != sKnownNames.end() && SameEntryState(known->second.state, entry))
        return answer(known->second.spelled);
    const std::string folder(path, name + 1 - path);
    if (!GetFileAttributesExA(folder.c_str(), GetFileExInfoStandard, &directory))
        return SearchEntry(path, found);
    const bool current = sNames.directory == Upper(folder.c_str()) &&
                         CompareFileTime(&sNames.written, &directory.ftLastWriteTime) == 0;
    if (!current && !ReadDirectoryNames(folder, directory.ftLastWriteTime))
        return SearchEntry(path, found);
    auto spelled = sNames.spelled.find(Upper(name + 1));
    if (spelled == sNames.spelled.end() || spelled->second.size() >= sizeof found->cFileName)
        return SearchEntry(path, found);
    if (entry.hasChangeTime && ChangedLongAgo(entry.changed)) {
        if (sKnownNames.size() >= kMaxKnownNames)
            sKnownNames.clear();
        sKnownNames[key] = KnownName{entry, spelled->second};
    }
    return answer(spelled->second);
}

// The entries an enumeration of the directory reports.
uint16_t CountDirEntries(const char *path)
{
    char pattern[kMaxDosPath + 8];
    size_t n = std::strlen(path);
    std::memcpy(pattern, path, n);
    std::strcpy(pattern + n, n && path[n - 1] == '\\' ? "*.*" : "\\*.*");
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern, &found);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    uint32_t count = 0;
    do
        if (!IsDotName(found.cFileName))
            ++count;
    while (FindNextFileA(h, &found));
    FindClose(h);
    return static_cast<uint16_t>(count > 0xFFFF ? 0xFFFF : count);
}

// Clears the block past its header, keeping the fields that say what was asked for.
void ClearCatalogBlock(CInfoPBRec *pb, size_t size)
{
    int16_t index = pb->hFileInfo.ioFDirIndex;
    int32_t dirID = pb->hFileInfo.ioDirID;
    std::memset(reinterpret_cast<char *>(pb) + 24, 0, size - 24);
    pb->hFileInfo.ioFDirIndex = index;
    pb->hFileInfo.ioDirID = dirID;
}

int32_t Saturated(DWORD high, DWORD low) { return high || low > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(low); }

int32_t DirectoryNodeFor(const char *path)
{
    return SessionFlag(zelFlagCatInfoMakesNodes) ? GetDirEntryForPath(path) : FindDirEntryByPath(path, nullptr);
}

OSErr GetCatalogInfo(CInfoPBRec *pb, int16_t index, bool finderInfo)
{
    HFileInfo &f = pb->hFileInfo;
    int32_t dir = f.ioDirID;
    if (dir != 0) {
        if (!IsDirectoryID(dir))
            return dirNFErr;
    } else {
        // The directory of the vRefNum, or the current one.
        int16_t number = f.ioVRefNum;
        dir = FindDirEntryById(&number);
    }
    f.ioDirID = dir;
    char path[kMaxDosPath + 1];
    if (dir == kRootDirID && index < 0) {
        OSErr err = ZEL_HFSpec(dir, f.ioVRefNum, nullptr, path);
        if (err != noErr)
            return err;
        ClearCatalogBlock(pb, finderInfo ? sizeof(HFileParam) : sizeof(CInfoPBRec));
        f.ioFlAttrib = 0x10;
        pb->dirInfo.ioDrNmFls = CountDirEntries(path);
        return noErr;
    }
    static const unsigned char kAll[] = {3, '*', '.', '*'};
    static const unsigned char kEmpty[] = {0};
    ConstStr255Param name = index == 0 ? f.ioNamePtr : index < 0 ? kEmpty : kAll;
    OSErr err = ZEL_HFSpec(dir, f.ioVRefNum, name, path);
    if (err != noErr)
        return err;
    size_t n = std::strlen(path);
    if (index < 0 && n > 3 && path[n - 1] == '\\')
        path[n - 1] = 0;

    WIN32_FIND_DATAA found;
    if (index > 0) {
        const WIN32_FIND_DATAA *entry = EntryAtIndex(path, index);
        if (!entry)
            return fnfErr;
        found = *entry;
    } else if (!LookUpEntry(path, &found)) {
        return fnfErr;
    }

    ClearCatalogBlock(pb, finderInfo ? sizeof(HFileParam) : sizeof(CInfoPBRec));
    if (!finderInfo && index >= 0)
        f.ioFlParID = dir;
    if (index > 0) {
        // The entry's own path: the directory searched and the name found.
        char directory[kMaxDosPath + 1], ignored[kMaxDosPath + 1];
        ZEL_SeparateFile(directory, ignored, path);
        if (std::strlen(directory) + std::strlen(found.cFileName) > kMaxDosPath)
            return bdNamErr;
        std::strcpy(path, directory);
        std::strcat(path, found.cFileName);
    }
    f.ioFlCrDat = FileTimeToMacSeconds(found.ftCreationTime);
    f.ioFlMdDat = FileTimeToMacSeconds(found.ftLastWriteTime);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        f.ioFlAttrib = 0x10;
        pb->dirInfo.ioDrDirID = DirectoryNodeFor(path);
        pb->dirInfo.ioDrNmFls = CountDirEntries(path);
        if (index < 0 && !finderInfo) {
            char parent[kMaxDosPath + 1], ignored[kMaxDosPath + 1];
            ZEL_SeparateFile(parent, ignored, path);
            pb->dirInfo.ioDrParID = GetDirEntryForPath(parent);
        }
    } else {
        f.ioFRefNum = FindOpenFileByPath(path);
        f.ioFlLgLen = Saturated(found.nFileSizeHigh, found.nFileSizeLow);
        f.ioFlPyLen = f.ioFlLgLen;
    }
    // Names reach the caller as Windows spells them.
    unsigned char pascalName[256];
    ZEL_CopyCtoP(found.cFileName, pascalName);
    if (f.ioNamePtr)
        std::memcpy(f.ioNamePtr, pascalName, pascalName[0] + 1);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        FileTypeFromExtension(pascalName, f.ioVRefNum, &f.ioFlFndrInfo.fdType, &f.ioFlFndrInfo.fdCreator);
    return noErr;
}

} // namespace

// ---- Times ----

uint32_t FileTimeToMacSeconds(const FILETIME &time)
{
    FILETIME local;
    if (!FileTimeToLocalFileTime(&time, &local))
        return 0;
    uint64_t ticks = (static_cast<uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
    if (ticks < kMacEpochAsFileTime)
        return 0;
    uint64_t seconds = (ticks - kMacEpochAsFileTime) / kTicksPerSecond;
    return seconds > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(seconds);
}

bool MacSecondsToFileTime(uint32_t seconds, FILETIME *time)
{
    if (seconds < kFirstDosSecond)
        return false;
    uint64_t ticks = kMacEpochAsFileTime + static_cast<uint64_t>(seconds) * kTicksPerSecond;
    FILETIME local = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return LocalFileTimeToFileTime(&local, time) != 0;
}

// ---- Catalog calls ----

ZEL_EXTERN_C OSErr ZEL_CALL PBGetCatInfo(CInfoPBPtr pb, Boolean)
{
    return FinishCall(GetCatalogInfo(pb, pb->hFileInfo.ioFDirIndex, false), &pb->hFileInfo.ioResult);
}

// The Finder-information calls take the 80-byte file block and describe nothing past it.
ZEL_EXTERN_C OSErr ZEL_CALL PBHGetFInfo(HParmBlkPtr block, Boolean)
{
    auto *pb = reinterpret_cast<CInfoPBRec *>(block);
    return FinishCall(GetCatalogInfo(pb, block->fileParam.ioFDirIndex, true), &block->fileParam.ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBGetFInfo(ParmBlkPtr block, Boolean)
{
    block->fileParam.ioFlNum = 0;
    return PBHGetFInfo(reinterpret_cast<HParmBlkPtr>(block), false);
}

// Sets the file's creation and modification times; the file is opened for its attributes only, so it
// works while the file is open anywhere. Dates that are 0 or outside the DOS range leave a time alone.
ZEL_EXTERN_C OSErr ZEL_CALL PBHSetFInfo(HParmBlkPtr block, Boolean)
{
    HFileParam *pb = &block->fileParam;
    char path[kMaxDosPath + 1];
    OSErr err = ZEL_HFSpec(pb->ioDirID, pb->ioVRefNum, pb->ioNamePtr, path);
    if (err != noErr)
        return FinishCall(err, &pb->ioResult);
    FILETIME created, modified;
    bool setCreated = MacSecondsToFileTime(pb->ioFlCrDat, &created);
    bool setModified = MacSecondsToFileTime(pb->ioFlMdDat, &modified);
    HANDLE h = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FinishCall(fnfErr, &pb->ioResult);
    BOOL ok = SetFileTime(h, setCreated ? &created : nullptr, nullptr, setModified ? &modified : nullptr);
    CloseHandle(h);
    if (!ok)
        return FinishCall(fLckdErr, &pb->ioResult);
    ZEL_MakeMacAFPInfo(pb->ioVRefNum, pb->ioDirID, pb->ioNamePtr, pb->ioFlFndrInfo.fdType,
                       pb->ioFlFndrInfo.fdCreator);
    return FinishCall(noErr, &pb->ioResult);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBSetFInfo(ParmBlkPtr block, Boolean)
{
    block->fileParam.ioFlNum = 0;
    return PBHSetFInfo(reinterpret_cast<HParmBlkPtr>(block), false);
}

ZEL_EXTERN_C OSErr ZEL_CALL PBSetCatInfoSync(CInfoPBPtr pb)
{
    HParamBlockRec h{};
    HFileInfo &f = pb->hFileInfo;
    h.fileParam.ioCompletion = f.ioCompletion;
    h.fileParam.ioNamePtr = f.ioNamePtr;
    h.fileParam.ioVRefNum = f.ioVRefNum;
    h.fileParam.ioFlFndrInfo = f.ioFlFndrInfo;
    h.fileParam.ioDirID = f.ioDirID;
    h.fileParam.ioFlCrDat = f.ioFlCrDat;
    h.fileParam.ioFlMdDat = f.ioFlMdDat;
    return FinishCall(PBHSetFInfoSync(&h), &f.ioResult);
}

// Describes an open refNum: its file's name, directory and volume.
ZEL_EXTERN_C OSErr ZEL_CALL PBGetFCBInfo(FCBPBPtr pb, Boolean)
{
    const char *path = FileSlotPath(pb->ioRefNum);
    if (!path || !FileSlotOpen(pb->ioRefNum))
        return FinishCall(fnOpnErr, &pb->ioResult);
    char directory[kMaxDosPath + 1], name[kMaxDosPath + 1];
    ZEL_SeparateFile(directory, name, path);
    int32_t dir = GetDirEntryForPath(directory);
    pb->ioFCBParID = dir;
    uint16_t id = DirectoryNodeId(dir);
    pb->ioFCBVRefNum = dir == kRootDirID ? ZEL_DOSVolToVRefNum(directory) : id ? static_cast<int16_t>(id) : kNoVolume;
    if (pb->ioNamePtr)
        ZEL_CopyCtoP(name, pb->ioNamePtr);
    return FinishCall(noErr, &pb->ioResult);
}

// Copies a file's data to the destination directory, under ioCopyName or the source's own name. The
// destination ends as long as the source.
ZEL_EXTERN_C OSErr ZEL_CALL PBHCopyFileSync(HParmBlkPtr block)
{
    HFileParam &source = block->fileParam;
    CopyParam &copy = block->copyParam;
    HParamBlockRec in{};
    in.ioParam.ioNamePtr = source.ioNamePtr;
    in.ioParam.ioVRefNum = source.ioVRefNum;
    in.ioParam.ioPermssn = 1;
    in.fileParam.ioDirID = source.ioDirID;
    OSErr err = PBHOpen(&in, false);
    if (err != noErr)
        return FinishCall(err, &source.ioResult);
    HParamBlockRec out{};
    out.ioParam.ioNamePtr = copy.ioCopyName && copy.ioCopyName[0] ? copy.ioCopyName : source.ioNamePtr;
    out.ioParam.ioVRefNum = copy.ioDstVRefNum;
    out.ioParam.ioPermssn = 3;
    out.fileParam.ioDirID = copy.ioNewDirID;
    err = PBHOpen(&out, false);
    if (err == fnfErr) {
        HParamBlockRec create = out;
        err = PBHCreate(&create, false);
        if (err == noErr)
            err = PBHOpen(&out, false);
    }
    if (err == noErr) {
        int32_t length = 0;
        err = CopyForkData(in.ioParam.ioRefNum, out.ioParam.ioRefNum);
        if (err == noErr)
            err = GetEOF(in.ioParam.ioRefNum, &length);
        if (err == noErr)
            err = SetEOF(out.ioParam.ioRefNum, length);
        FSClose(out.ioParam.ioRefNum);
    }
    FSClose(in.ioParam.ioRefNum);
    return FinishCall(err, &source.ioResult);
}

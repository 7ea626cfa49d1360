// Win32 errors as File Manager result codes, and the thin DOS-style layer over KERNEL32 that the File
// Manager's calls are written on. Layer calls answer 0 or the raw Win32 error in 16 bits.
#include "files_services.h"

#include <cstring>

namespace {

uint16_t LastError16() { return static_cast<uint16_t>(GetLastError()); }

uint16_t ResultOf(BOOL ok) { return ok ? 0 : LastError16(); }

// One search at a time, as DOS kept it.
HANDLE sSearch = INVALID_HANDLE_VALUE;
WIN32_FIND_DATAA sFound;

void CloseSearch()
{
    if (sSearch != INVALID_HANDLE_VALUE)
        FindClose(sSearch);
    sSearch = INVALID_HANDLE_VALUE;
}

} // namespace

OSErr Win32ErrorToOSErr(DWORD error)
{
    switch (error) {
    case NO_ERROR: return noErr;
    case ERROR_PATH_NOT_FOUND: return dirNFErr;
    case ERROR_TOO_MANY_OPEN_FILES: return tmfoErr;
    case ERROR_ACCESS_DENIED: return permErr;
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return bdNamErr;
    case ERROR_WRITE_PROTECT: return wPrErr;
    case ERROR_SHARING_VIOLATION: return opWrErr;
    case ERROR_LOCK_VIOLATION: return fLckdErr;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return dupFNErr;
    default: return fnfErr;
    }
}

OSErr LastWin32ErrorToOSErr(DWORD *rawOut)
{
    DWORD error = GetLastError();
    if (rawOut)
        *rawOut = error;
    return Win32ErrorToOSErr(error);
}

uint16_t GetCurrentDrive(int16_t *drive)
{
    char directory[256];
    DWORD n = GetCurrentDirectoryA(sizeof directory, directory);
    if (n == 0 || n >= sizeof directory)
        return n ? static_cast<uint16_t>(ERROR_BUFFER_OVERFLOW) : LastError16();
    // A UNC current directory has no drive number.
    bool letter = directory[1] == ':' && (directory[0] & ~0x20) >= 'A' && (directory[0] & ~0x20) <= 'Z';
    *drive = letter ? static_cast<int16_t>((directory[0] & ~0x20) - 'A') : -1;
    return 0;
}

uint16_t GetCurrentDir(int16_t, char *buffer)
{
    DWORD n = GetCurrentDirectoryA(256, buffer);
    if (n >= 256) {
        buffer[0] = 0;
        return static_cast<uint16_t>(ERROR_BUFFER_OVERFLOW);
    }
    return n ? 0 : LastError16();
}

uint16_t SetCurrentDrive(int16_t drive)
{
    char root[] = {static_cast<char>('A' + drive), ':', 0};
    return ResultOf(SetCurrentDirectoryA(root));
}

uint16_t SetCurrentDir(const char *path) { return ResultOf(SetCurrentDirectoryA(path)); }

uint16_t MakeDir(const char *path) { return ResultOf(CreateDirectoryA(path, nullptr)); }

uint16_t RemoveFile(const char *path) { return ResultOf(DeleteFileA(path)); }

uint16_t MoveFileEntry(const char *from, const char *to) { return ResultOf(MoveFileA(from, to)); }

uint16_t FindFirstEntry(const char *pattern)
{
    CloseSearch();
    sSearch = FindFirstFileA(pattern, &sFound);
    if (sSearch != INVALID_HANDLE_VALUE)
        return 0;
    uint16_t error = LastError16();
    return error == ERROR_FILE_NOT_FOUND ? static_cast<uint16_t>(ERROR_NO_MORE_FILES) : error;
}

uint16_t FindNextEntry()
{
    if (sSearch == INVALID_HANDLE_VALUE)
        return static_cast<uint16_t>(ERROR_NO_MORE_FILES);
    if (FindNextFileA(sSearch, &sFound))
        return 0;
    uint16_t error = LastError16();
    if (error == ERROR_NO_MORE_FILES)
        CloseSearch();
    return error;
}

const WIN32_FIND_DATAA &FoundEntry() { return sFound; }

uint16_t GetFileDosTime(HANDLE file, uint16_t *time, uint16_t *date)
{
    FILETIME written, local;
    if (!GetFileTime(file, nullptr, nullptr, &written) || !FileTimeToLocalFileTime(&written, &local) ||
        !FileTimeToDosDateTime(&local, date, time))
        return LastError16();
    return 0;
}

uint16_t SetFileDosTime(HANDLE file, uint16_t time, uint16_t date)
{
    FILETIME local, universal;
    if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &universal))
        return LastError16();
    return ResultOf(SetFileTime(file, &universal, &universal, &universal));
}

uint32_t GetDiskFree(int16_t drive, uint32_t *freeClusters, uint32_t *bytesPerSector,
                     uint32_t *totalClusters)
{
    char root[] = {static_cast<char>('A' + drive), ':', '\\', 0};
    DWORD sectors = 0, bytes = 0, freeCount = 0, total = 0;
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeCount, &total))
        return LastError16();
    *freeClusters = freeCount;
    *bytesPerSector = bytes;
    *totalClusters = total;
    return sectors;
}

int32_t GetDosAttributes(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return -1;
    return static_cast<int32_t>(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                                              FILE_ATTRIBUTE_ARCHIVE));
}

// Services of the File and Resource Managers for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Aliases.h"
#include "Files.h"
#include "Resources.h"
#include "Zel.h"
#include "../core/core_services.h"

// ---- Volumes ----
// Drive letters are volumes 1..26 (vRefNum -1 for A: .. -26 for Z:); network roots (the server and share
// of a UNC path) follow as volumes 27..48 in order of discovery.
constexpr int kDriveLetterVolumes = 26;
constexpr int kMaxVolumes = 48;
constexpr int16_t kNoVolume = static_cast<int16_t>(0xEEEE);
// Longest network root kept: the root with its backslash is still a path of at most 255 characters.
constexpr int kMaxNetworkRoot = 254;
// Longest DOS path a file record or a path buffer holds (buffers are 256 bytes with the NUL).
constexpr int kMaxDosPath = 255;

// Started by ZEL_InitGlobals: the drive-letter volumes and Standard File's volume globals.
void InitDriveTable();
void InitStdFileVolume();
// Number of volumes known so far (26 plus the network roots seen).
int VolumeCount();
// Windows drive type of volume n (1-based), as last recorded; network roots are remote (4).
int VolumeDriveType(int volume);
// Refreshes the type of a path's drive ("X:...") when it is recorded as absent.
void RefreshDriveType(const char *path);
// Drive n (0 = A:) is removable.
bool IsRemovableDrive(int drive);
// The lowest drive 0..25 that exists and is not removable; -1 when none.
int FirstNonRemovableDrive();

// ---- DOS paths ----
enum DosPathFlags : uint16_t {
    dosPathNoRoot = 0,
    dosPathDriveRoot = 1,
    dosPathUncRoot = 2,
    dosPathKindMask = 0xFF,
    dosPathNoName = 0x100,   // nothing follows the last separator
    dosPathRootOnly = 0x200  // what follows the root is exactly one backslash
};
// Splits a path into root ("C:" or "\\server\share"), directory and name. Each output is optional,
// holds 256 bytes and is emptied first; longer parts are cut at 255 characters.
uint16_t ParseDosPath(const char *path, char *rootOut, char *dirOut, char *nameOut);
// Copies at most 255 characters of `from` and a NUL (nothing when out is NULL).
void CopyPathPart(char *out, const char *from, int length);
bool IsDriveLetter(char c);
// Length of a path's root and its kind (dosPathDriveRoot, dosPathUncRoot or dosPathNoRoot).
int DosPathRootLength(const char *path, uint16_t *kind);

// ---- The open-file table ----
// File reference numbers index it: slots 2..63 hold files. Each call's result is as exported in Zel.h.
constexpr int kFileSlots = 64;
constexpr int kFirstFileSlot = 2;
void InitFileHandleTable();
void CloseAllFileHandles();
// The next slot allocation takes this refNum when it is free (used once; -1 clears it). The Resource
// Manager's fork writer gives a rewritten fork back its old refNum this way.
void SetPreferredFileSlot(int16_t refNum);
// The full path an open refNum was opened with; NULL for a free slot.
const char *FileSlotPath(int16_t refNum);
// Gives a suspended slot the path its file now has (after the file was renamed); false for a slot
// that is not suspended or a path over 255 characters.
bool SetFileSlotPath(int16_t refNum, const char *path);
// The slot is open: live or suspended (not free, not lost).
bool FileSlotOpen(int16_t refNum);
// The slot was opened with write access.
bool FileSlotWritable(int16_t refNum);
// The first other allocated slot 2..63 (live or suspended) open on the same path; -1 when none.
int16_t FindOpenFileByPath(const char *path);
// Gives an open slot write access for the Resource Manager: 0, -51 for a free slot, -61 when refused.
OSErr MakeFileHandleWritable(int16_t refNum);
// -61 when the slot's file exists and is read-only, else 0. A writable answer is kept for the slot until
// any slot is opened or ForgetFileLocks is called.
OSErr CheckFileWritable(int16_t refNum);
// A file's lock may have changed (the library changed one, or a write failed): the next check asks again.
void ForgetFileLocks();

// ---- Directory IDs and working directories ----
// A directory ID is the address of the directory's node (nodes live as long as the library) or 2 for
// the root of the volume named with it; the node's 16-bit id is its working-directory number.
constexpr int32_t kRootDirID = 2;
// Replaces a path that names an existing directory by its full form as the file system spells it;
// false (path unchanged) otherwise. The current directory is not touched.
bool CanonicalizeDirPath(char *path);
// Runs of backslashes become one, except a leading pair.
void CollapseBackslashes(char *path);
// The node of a directory path (2 for a volume root, 0 for none); canonicalOut (256 bytes, optional)
// gets the canonical path with its trailing backslash.
int32_t FindDirEntryByPath(const char *path, char *canonicalOut);
// The same, making the node when there is none.
int32_t GetDirEntryForPath(const char *path);
// ZEL_HFSpec that also gives the node (or 2 for a volume root) of the directory holding a plain file
// name (one without '\\' or ':'), 0 otherwise.
OSErr DirectoryAndNamePath(int32_t dirID, int16_t vRefNum, ConstStr255Param name, char *path, int32_t *parent);
// The directory of a vRefNum or working-directory number: 2 for a volume, the node for a working
// directory, 0 for none. 0 is replaced by the current directory's number.
int32_t FindDirEntryById(int16_t *number);
// A node's path (with its trailing backslash) and id; NULL and 0 for anything but a live node.
const char *DirectoryNodePath(int32_t dirID);
uint16_t DirectoryNodeId(int32_t dirID);
// 2 or a live node.
bool IsDirectoryID(int32_t dirID);

// ---- Files ----
// A parameter-block call's end: the result is stored in ioResult and returned.
inline OSErr FinishCall(OSErr err, OSErr *ioResult)
{
    *ioResult = err;
    return err;
}
// Copies the whole of one open file into another from their marks, through a buffer as large as the
// file or as memory allows (down to 257 bytes).
OSErr CopyForkData(int16_t fromRefNum, int16_t toRefNum);
// The volume of a vRefNum or working-directory number (0: the current directory's); kNoVolume when none.
int16_t VolumeOfNumber(int16_t vRefNum);
// A row of the host's extension table (ZEL_Set_MacWin): 40 bytes, a type of 0 ends the table. The table
// is the host's and may be read-only: it is read, never written.
#pragma pack(push, 1)
struct ExtensionTypeRow {
    uint32_t type;
    char extension[3];
    char description[33];
};
#pragma pack(pop)
static_assert(sizeof(ExtensionTypeRow) == 40, "extension rows are 40 bytes");
inline const ExtensionTypeRow *HostExtensionTable()
{
    return reinterpret_cast<const ExtensionTypeRow *>(SessionFileTypeMap());
}
// A file's Macintosh type and creator: the host's procedure, the host's extension table, the default.
void FileTypeFromExtension(ConstStr255Param name, int16_t vRefNum, OSType *type, OSType *creator);
// The default type, or the type of the filter the last Standard File dialog ended with when the name
// is the one it returned.
OSType TypeFromSFFilter(ConstStr255Param name);
// Windows file times as Macintosh seconds (local time from 1904) and back; 0 for times outside
// 1904..2040, and false for seconds outside the DOS range 1980..2107 (the time is then left alone).
uint32_t FileTimeToMacSeconds(const FILETIME &time);
bool MacSecondsToFileTime(uint32_t seconds, FILETIME *time);
// The one place a resource fork can live beside its data file: "Resource.frk\name" in the file's
// directory, when library setting 75 chooses it.
bool ResourceFrkMode();

// ---- Win32 errors and the DOS-style call layer ----
OSErr Win32ErrorToOSErr(DWORD error);
// Maps GetLastError; stores the raw code in *rawOut when given.
OSErr LastWin32ErrorToOSErr(DWORD *rawOut = nullptr);
// Each of these returns 0 or the raw Win32 error truncated to 16 bits.
uint16_t GetCurrentDrive(int16_t *drive);                  // 0 = A:
uint16_t GetCurrentDir(int16_t drive, char *buffer);       // 256-byte buffer; the drive is not used
uint16_t SetCurrentDrive(int16_t drive);                   // 0 = A:
uint16_t SetCurrentDir(const char *path);
uint16_t MakeDir(const char *path);
uint16_t RemoveFile(const char *path);
uint16_t MoveFileEntry(const char *from, const char *to);
uint16_t GetFileDosTime(HANDLE file, uint16_t *time, uint16_t *date);
uint16_t SetFileDosTime(HANDLE file, uint16_t time, uint16_t date);
// Sectors per cluster (drive 0 = A:), or the error code.
uint32_t GetDiskFree(int16_t drive, uint32_t *freeClusters, uint32_t *bytesPerSector,
                     uint32_t *totalClusters);
// A search over one shared find record: FindFirstEntry closes the previous search; both give 18 at the
// end (the search is then closed).
uint16_t FindFirstEntry(const char *pattern);
uint16_t FindNextEntry();
const WIN32_FIND_DATAA &FoundEntry();
// DOS attribute bits (read-only 1, hidden 2, system 4, directory 0x10, archive 0x20); -1 when absent.
int32_t GetDosAttributes(const char *path);

// ---- Resource Manager ----
// Closes every open resource file (writing what changed) and frees the cursor cache.
void ExitResources();
// Releases every procedure of the code-resource registry (session exit).
void ReleaseCodeResources();
// Reference number of the application's resource file (slot 1 of the chain), 0 when none.
int16_t GetAppResFileRefNum();

// ---- Standard File ----
// Standard File's shared OPENFILENAME record.
void PrepareStdFileTemplate();

// ---- Shortcut files ----
// A full DOS path as an FSSpec: the path's volume, its directory's ID and its name.
// Shortcut files through OLE32, loaded at session start when present.
void LookUpShellLinkEntries();
void EndShellLinkSupport();
bool ShellLinkSupportLoaded();
// Writes a shortcut file; the last HRESULT (0x80040154 without the shell's link class).
HRESULT CreateShortcut(const char *target, const char *shortcut, const char *description);
// Resolves a shortcut into out (MAX_PATH bytes; the path itself when nothing resolves), following a chain
// when asked; *changed when resolving changed the target the shortcut records. False for a file that is
// not a shortcut.
bool ResolveShortcut(const char *path, char *out, bool followChains, bool anyMatch, bool *changed);

// ---- The file-type-by-extension hook ----
// Replaces the host's file-type procedure (the one ZEL_SetFileTypeProc sets); returns the previous one.
FARPROC SetFileTypeByExtensionHook(FARPROC hook);

// Standard File over the common file dialogs: the Macintosh type list becomes the dialog's filter list
// through the host's extension table, the chosen Windows path becomes a reply whose vRefNum is a
// working-directory number, and SFSaveDisk, SFVRefNum and CurDirStore follow the chosen directory.
#include "files_services.h"
#include "../core/core_services.h"
#include "../dialogs/dialogs_services.h"
#include "../windows/windows_services.h"
#include "StandardFile.h"

#include <commdlg.h>
#include <cstring>

namespace {

constexpr int kFilterBufferSize = 1024;
constexpr int kMaxFilterEntries = 32;
constexpr int kStructSize = 76;
constexpr UINT kBufferTooSmall = 0x3003; // FNERR_BUFFERTOOSMALL
constexpr int kFileNameEdit = 0x480;
constexpr int kFileTypeList = 0x470;
constexpr int kAllFilesString = 1028;
constexpr int kAllTypesString = 1034;
constexpr int16_t kNoTemplateOpen = -6042;
constexpr int16_t kNoTemplateSave = -6043;

OPENFILENAMEA sOpenFileName;
// The filter: pairs of NUL-terminated strings ended by an empty one; sFilterLength counts its bytes
// with the final NUL.
char sFilter[kFilterBufferSize];
int sFilterLength;
char sDefaultExtension[4];
// The file-name buffer of the dialog and the file title.
char sFileBuffer[256];
char sFileTitle[256];
char sInitialDirectory[MAX_PATH];
char sTitle[MacToAnsiBufferSize(255)];

// One entry of the filter per dialog: the type and extension of its first row of the host's table
// (none for all files). They are copied: the host may replace its table between dialogs.
struct FilterEntry {
    bool hasRow;
    OSType type;
    char extension[4];
};
struct FilterTable {
    int count;
    int typeEntries; // entries that stand for types of the list
    FilterEntry entries[kMaxFilterEntries];
};
FilterTable sTable;

// Remembered between dialogs.
int sFilterIndex;            // 1-based, 0 none
int sRememberedFilterLength;
unsigned char sRememberedName[256];
bool sPutDialog;
bool sStarted;
bool sInDialog;
int sFileOkIndex;            // the entry the save dialog's file-OK matched (1-based), 0 none
SFFilterProcPtr sFilterProc;
UINT sFileNameOkMessage;

// The Custom calls' procedures and data.
FileFilterYDProcPtr sCustomFileFilter;
DlgHookYDProcPtr sCustomDlgHook;
SFFilterYDProcPtr sCustomFilterProc;
void *sCustomData;

// What EnterStdFileDialog saved.
WDPBRec sSavedVolume;
HWND sSavedFocus;
WindowPtr sDisabledFrom;

// A reply with room for a whole Windows name; the published replies are filled from it.
struct WideReply {
    bool good;
    bool copy;
    OSType fType;
    int16_t vRefNum;
    int16_t version;
    unsigned char name[256];
};

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A row's extension characters up to the first blank or NUL, as a C string.
void RowExtension(const ExtensionTypeRow *row, char out[4])
{
    int n = 0;
    while (n < 3 && row->extension[n] && row->extension[n] != ' ') {
        out[n] = row->extension[n];
        ++n;
    }
    out[n] = 0;
}

// Appends bounded text to a fixed buffer; false (nothing appended) when it does not fit.
bool Append(char *buffer, int size, int *length, const char *text)
{
    int n = static_cast<int>(std::strlen(text));
    if (*length + n >= size)
        return false;
    std::memcpy(buffer + *length, text, n + 1);
    *length += n;
    return true;
}

// Adds one whole entry (description and pattern, both NUL-terminated) to the filter, keeping room for
// the final empty string; false when it does not fit or the table is full.
bool AddFilterEntry(const char *description, const char *pattern, const ExtensionTypeRow *row)
{
    int d = static_cast<int>(std::strlen(description)) + 1, p = static_cast<int>(std::strlen(pattern)) + 1;
    if (sTable.count >= kMaxFilterEntries || sFilterLength - 1 + d + p + 1 > kFilterBufferSize)
        return false;
    char *at = sFilter + sFilterLength - 1;
    std::memcpy(at, description, d);
    std::memcpy(at + d, pattern, p);
    at[d + p] = 0;
    sFilterLength += d + p;
    FilterEntry &entry = sTable.entries[sTable.count++];
    entry.hasRow = row != nullptr;
    entry.type = row ? row->type : 0;
    entry.extension[0] = 0;
    if (row)
        RowExtension(row, entry.extension);
    return true;
}

void HostString(int id, const char *fallback, char *out, int size)
{
    if (LoadStringA(SessionHostInstance(), id, out, size) <= 0)
        lstrcpynA(out, fallback, size);
}

void AddAllFilesEntry()
{
    char description[200];
    HostString(kAllFilesString, "All Files", description, 190);
    std::strcat(description, " (*.*)");
    AddFilterEntry(description, "*.*", nullptr);
}

const char *NamePart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; p = CharNextA(p))
        if (*p == '\\' || *p == ':' || *p == '/')
            name = p + 1;
    return name;
}

// The 0-based entry whose first row's extension equals the name's (up to three characters after its
// last '.', upper-cased); -1 when there is none.
int FilterIndexFromName(const char *name, int length)
{
    int dot = -1;
    for (int i = 0; i < length; ++i)
        if (name[i] == '.')
            dot = i;
    if (dot < 0 || length - dot - 1 > 3)
        return -1;
    char extension[4] = {};
    for (int i = dot + 1, n = 0; i < length; ++i)
        extension[n++] = UpperAscii(name[i]);
    for (int entry = 0; entry < sTable.count; ++entry) {
        if (!sTable.entries[entry].hasRow)
            continue;
        char rowExtension[4];
        std::strcpy(rowExtension, sTable.entries[entry].extension);
        for (char *c = rowExtension; *c; ++c)
            *c = UpperAscii(*c);
        if (std::strcmp(rowExtension, extension) == 0)
            return entry;
    }
    return -1;
}

// Gives a name (a C string of at most 255 characters) the extension of a filter entry: replace cuts an
// existing extension first; without it a name that already has one keeps it. True when it changed.
bool ApplyFilterExtension(int entry, char *name, bool replace)
{
    if (entry < 0 || entry >= sTable.count || !sTable.entries[entry].hasRow)
        return false;
    bool longNames = !SessionPlatform().win32s;
    char *dot = std::strrchr(name, '.');
    const char *entryExtension = sTable.entries[entry].extension;
    if (dot) {
        const char *extension = dot + 1;
        if (*extension || !longNames) {
            if (longNames && std::strlen(extension) <= 3 && lstrcmpiA(extension, entryExtension) == 0)
                return false;
            if (replace || !*extension)
                *dot = 0;
            else if (!longNames || std::strlen(extension) <= 3)
                return false;
        }
    }
    size_t n = std::strlen(name);
    if (!entryExtension[0] || n + 1 + std::strlen(entryExtension) > static_cast<size_t>(kMaxDosPath))
        return dot && !*dot;
    name[n] = '.';
    std::strcpy(name + n + 1, entryExtension);
    return true;
}

void NormalizeSaveName(char *name)
{
    if (SessionPlatform().win32s) {
        char *dot = std::strchr(name, '.');
        char extension[5] = {};
        if (dot)
            lstrcpynA(extension, dot, sizeof extension);
        if (dot)
            *dot = 0;
        name[8 < std::strlen(name) ? 8 : std::strlen(name)] = 0;
        std::strcat(name, extension);
        return;
    }
    if (std::strlen(name) > static_cast<size_t>(kMaxDosPath))
        name[kMaxDosPath] = 0;
    DWORD maxComponent = 0;
    if (GetVolumeInformationA(nullptr, nullptr, 0, nullptr, &maxComponent, nullptr, nullptr, 0) &&
        maxComponent <= 12)
        for (char *c = name; *c; ++c)
            if (*c == ' ')
                *c = '_';
}

void ClearWideReply(WideReply *reply)
{
    reply->good = false;
    reply->copy = false;
    reply->fType = 0;
    reply->vRefNum = 0;
    reply->version = 0;
    reply->name[0] = 0;
}

// Fills a reply from a Windows path; the final path (with any extension applied) goes to finalPath.
void DosPathToReply(bool applyExtension, bool replaceExtension, int filterIndex, bool updateGlobals,
                    bool rememberName, const char *path, WideReply *reply, char *finalPath)
{
    ClearWideReply(reply);
    finalPath[0] = 0;
    char directory[kMaxDosPath + 1], name[kMaxDosPath + 1];
    ZEL_SeparateFile(directory, name, path);
    if (updateGlobals && ZEL_DOSVolToVRefNum(directory) == kNoVolume)
        ZEL_UpdateDriveLetters();
    if (applyExtension)
        ApplyFilterExtension(filterIndex, name, replaceExtension);
    if (!name[0] || std::strlen(directory) + std::strlen(name) > static_cast<size_t>(kMaxDosPath))
        return;
    reply->good = true;
    reply->vRefNum = ZEL_CurDirvRefNum(directory);
    if (updateGlobals) {
        int16_t volume = ZEL_DOSVolToVRefNum(directory);
        LowMem<int16_t>(lmSFSaveDisk) = static_cast<int16_t>(-volume);
        LowMem<int16_t>(lmSFVRefNum) = volume;
    }
    ZEL_CopyCtoP(name, reply->name);
    if (rememberName)
        std::memcpy(sRememberedName, reply->name, reply->name[0] + 1);
    OSType creator;
    FileTypeFromExtension(reply->name, reply->vRefNum, &reply->fType, &creator);
    std::strcpy(finalPath, directory);
    std::strcat(finalPath, name);
}

// The published reply from a wide one: a name that does not fit fName is refused, never cut.
void WideToSFReply(const WideReply &wide, SFReply *reply)
{
    std::memset(reply, 0, sizeof *reply);
    if (!wide.good || wide.name[0] > 63) {
        reply->version = wide.version;
        return;
    }
    reply->good = 1;
    reply->copy = wide.copy;
    reply->fType = wide.fType;
    reply->vRefNum = wide.vRefNum;
    reply->version = wide.version;
    std::memcpy(reply->fName, wide.name, wide.name[0] + 1);
}

HWND DialogControl(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? control : GetDlgItem(GetParent(dialog), id);
}

void CenterWindow(HWND window, HWND over)
{
    RECT reference, own;
    if (over && GetWindowRect(over, &reference)) {
    } else {
        reference = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    GetWindowRect(window, &own);
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = reference.left + ((reference.right - reference.left) - width) / 2;
    int y = reference.top + ((reference.bottom - reference.top) - height) / 2;
    HDC screen = GetDC(nullptr);
    int horizontal = GetDeviceCaps(screen, HORZRES), vertical = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    if (x + width > horizontal)
        x = horizontal - width;
    if (y + height > vertical)
        y = vertical - height;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT_PTR CALLBACK CenteringHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR *>(lParam)->code == CDN_INITDONE)
        CenterWindow(GetParent(dialog), SessionMainWindow());
    return A_FileOpenHookProc(dialog, message, wParam, lParam);
}

void SetDialogTitle(ConstStr255Param prompt)
{
    sOpenFileName.lpstrTitle = nullptr;
    if (!prompt || !prompt[0])
        return;
    int32_t n = ZEL_MacToAnsiBuf(prompt + 1, reinterpret_cast<uint8_t *>(sTitle), prompt[0], 0);
    if (n < 0)
        n = 0;
    sTitle[n] = 0;
    if (n > 0 && sTitle[n - 1] == ':')
        sTitle[n - 1] = 0;
    sOpenFileName.lpstrTitle = sTitle;
}

void EnterStdFileDialog()
{
    sSavedVolume = WDPBRec{};
    PBHGetVol(&sSavedVolume, false);
    WDPBRec pb{};
    pb.ioVRefNum = static_cast<int16_t>(-LowMem<int16_t>(lmSFSaveDisk));
    pb.ioWDDirID = LowMem<int32_t>(lmCurDirStore);
    if (PBHSetVol(&pb, false) != noErr) {
        pb.ioWDDirID = 0;
        PBHSetVol(&pb, false);
    }
    GetCurrentDirectoryA(sizeof sInitialDirectory, sInitialDirectory);
    sSavedFocus = GetFocus();
    sDisabledFrom = FirstVisibleWindow();
    sOpenFileName.hwndOwner = ZEL_EnableWindows(sDisabledFrom, false, true);
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    sStarted = false;
    sFileOkIndex = 0;
    sInDialog = true;
}

// Puts the current directory, the windows and the focus back. CurDirStore keeps the directory the
// dialog ended in: it is Standard File's directory as much as the File Manager's.
void LeaveStdFileDialog()
{
    int32_t chosen = LowMem<int32_t>(lmCurDirStore);
    WDPBRec pb{};
    pb.ioVRefNum = sSavedVolume.ioWDVRefNum;
    pb.ioWDDirID = sSavedVolume.ioWDDirID;
    PBHSetVol(&pb, false);
    LowMem<int32_t>(lmCurDirStore) = chosen;
    ZEL_EnableWindows(sDisabledFrom, true, true);
    if (sSavedFocus && IsWindow(sSavedFocus))
        SetFocus(sSavedFocus);
    sInDialog = false;
    sStarted = false;
    sFilterProc = nullptr;
}

// The filter index handed to the dialog: past the last entry it becomes 1.
DWORD DialogFilterIndex()
{
    if (sFilterIndex > sTable.count)
        sFilterIndex = sTable.count ? 1 : 0;
    return static_cast<DWORD>(sFilterIndex);
}

// Flags, template and filter procedure shared by the two dialogs.
FARPROC PrepareFilterProc(SFFilterProcPtr filterProc, DWORD *flags, int16_t dlgID, int16_t noTemplate)
{
    sFilterProc = nullptr;
    sOpenFileName.lpTemplateName = nullptr;
    if (!filterProc)
        return nullptr;
    FARPROC wrapped = MakeHostProcInstance(reinterpret_cast<FARPROC>(filterProc));
    sFilterProc = reinterpret_cast<SFFilterProcPtr>(wrapped);
    if (!sFileNameOkMessage)
        sFileNameOkMessage = RegisterWindowMessageA(FILEOKSTRINGA);
    if (dlgID != 0 && dlgID != noTemplate) {
        *flags |= OFN_ENABLETEMPLATE;
        sOpenFileName.hInstance = SessionHostInstance();
        sOpenFileName.lpTemplateName = MAKEINTRESOURCEA(static_cast<uint16_t>(dlgID));
    }
    return wrapped;
}

void FinishFlags(DWORD *flags, Point where)
{
    if (sOpenFileName.lpstrTitle)
        *flags |= OFN_OVERWRITEPROMPT;
    if (SessionThreeD() && SessionPlatform().newShell)
        *flags |= OFN_EXPLORER;
    sOpenFileName.lpfnHook = A_FileOpenHookProc;
    if (where.v == -1 && where.h == -1) {
        sOpenFileName.lpfnHook = CenteringHook;
        *flags |= OFN_ENABLEHOOK;
    }
    sOpenFileName.Flags = *flags;
    sOpenFileName.lpstrFilter = sTable.count ? sFilter : nullptr;
    sOpenFileName.nFilterIndex = DialogFilterIndex();
}

// Runs a dialog; one that fails in explorer style is shown once more without it. A dialog that ended
// because the caller's buffer was too small was shown and answered: it is not shown again.
BOOL RunDialog(BOOL (WINAPI *dialog)(LPOPENFILENAMEA), DWORD *error)
{
    BOOL ok = dialog(&sOpenFileName);
    *error = ok ? 0 : CommDlgExtendedError();
    if (!ok && (sOpenFileName.Flags & OFN_EXPLORER) && *error && *error != kBufferTooSmall) {
        sOpenFileName.Flags &= ~OFN_EXPLORER;
        ok = dialog(&sOpenFileName);
        *error = ok ? 0 : CommDlgExtendedError();
    }
    return ok;
}

void BuildFilter(int16_t numTypes, int16_t selectedIndex, ConstSFTypeListPtr typeList)
{
    sFilterIndex = 0;
    sTable.count = 0;
    sTable.typeEntries = 0;
    sFilter[0] = 0;
    sFilter[1] = 0;
    sFilterLength = 1;
    sDefaultExtension[0] = 0;
    sOpenFileName.lpstrDefExt = nullptr;
    if (numTypes <= 0) {
        AddAllFilesEntry();
        sFilterIndex = sTable.count;
        return;
    }
    const ExtensionTypeRow *rows = HostExtensionTable();
    for (int16_t i = 0; i < numTypes && rows; ++i) {
        char description[34] = {}, pattern[256] = {};
        const ExtensionTypeRow *first = nullptr;
        int patternLength = 0;
        for (const ExtensionTypeRow *row = rows; row->type; ++row) {
            if (row->type != typeList[i] || !row->description[0])
                continue;
            char extension[4];
            RowExtension(row, extension);
            if (!first) {
                first = row;
                lstrcpynA(description, row->description, sizeof description);
            } else if (!Append(pattern, sizeof pattern, &patternLength, ";")) {
                break;
            }
            if (!Append(pattern, sizeof pattern, &patternLength, "*.") ||
                !Append(pattern, sizeof pattern, &patternLength, extension))
                break;
        }
        if (!first)
            continue;
        if (!AddFilterEntry(description, pattern, first))
            break;
        ++sTable.typeEntries;
        if (selectedIndex == i) {
            sFilterIndex = sTable.count;
            RowExtension(first, sDefaultExtension);
            sOpenFileName.lpstrDefExt = sDefaultExtension;
        }
    }
    bool allFiles = LibrarySetting(settingStdFileString) != 0;
    if (LibrarySetting(settingStdFileHostString) && selectedIndex == -1 && sTable.typeEntries >= 2 && !allFiles) {
        char description[200], pattern[256] = {};
        int patternLength = 0;
        HostString(kAllTypesString, "All Listed Types", description, sizeof description);
        for (int entry = 0; entry < sTable.typeEntries; ++entry) {
            const char *extension = sTable.entries[entry].extension;
            if ((entry && !Append(pattern, sizeof pattern, &patternLength, ";")) ||
                !Append(pattern, sizeof pattern, &patternLength, "*.") ||
                !Append(pattern, sizeof pattern, &patternLength, extension))
                break;
        }
        AddFilterEntry(description, pattern, nullptr);
    }
    if (allFiles)
        AddAllFilesEntry();
}

// The chosen names end inside the buffer: a NUL, or in explorer style the empty name after the last.
bool MultipleListEnds(const char *buffer, DWORD size, bool explorer)
{
    for (DWORD i = 0; i < size; ++i)
        if (!buffer[i] && (!explorer || (i + 1 < size && !buffer[i + 1])))
            return true;
    return false;
}

// The open dialog, into a wide reply. multiBuffer/multiSize: the caller's buffer in multiple selection.
void RunOpenDialog(Point where, ConstStr255Param prompt, int16_t numTypes, ConstSFTypeListPtr typeList,
                   int16_t dlgID, SFFilterProcPtr filterProc, char *multiBuffer, WideReply *reply)
{
    ClearWideReply(reply);
    sPutDialog = false;
    int remembered = sFilterIndex;
    BuildFilter(numTypes, -1, typeList);
    sFilterIndex = remembered;
    if (sFilterLength != sRememberedFilterLength) {
        sFilterIndex = 0;
        sRememberedName[0] = 0;
        sRememberedFilterLength = sFilterLength;
    }
    if (sFilterIndex == 0 && sTable.typeEntries > 1)
        sFilterIndex = sTable.typeEntries + 1;
    if (numTypes <= 0)
        sFilterIndex = 1;

    EnterStdFileDialog();
    SetDialogTitle(prompt);
    sFileBuffer[0] = 0;
    sInitialDirectory[0] = 0;
    sOpenFileName.lpstrInitialDir = sInitialDirectory;
    ZEL_FHReOpenAll(0);

    bool multiple = filterProc == sfMultipleSelection;
    DWORD flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    FARPROC wrapped = nullptr;
    if (multiple) {
        flags |= OFN_ALLOWMULTISELECT;
        sOpenFileName.lpstrFile = multiBuffer;
        sOpenFileName.nMaxFile = static_cast<DWORD>(static_cast<uint16_t>(dlgID));
        sOpenFileName.lpTemplateName = nullptr;
        sFilterProc = nullptr;
    } else {
        wrapped = PrepareFilterProc(filterProc, &flags, dlgID, kNoTemplateOpen);
    }
    FinishFlags(&flags, where);

    DWORD error = 0;
    BOOL ok = multiple && !multiBuffer ? FALSE : RunDialog(GetOpenFileNameA, &error);
    if (!ok) {
        if (multiple)
            reply->version = error == kBufferTooSmall ? 1 : 0;
    } else {
        sFilterIndex = static_cast<int>(sOpenFileName.nFilterIndex);
        if (multiple && !MultipleListEnds(multiBuffer, sOpenFileName.nMaxFile, sOpenFileName.Flags & OFN_EXPLORER)) {
            // A dialog that cut the list to the buffer without saying so: the buffer was too small.
            if (sOpenFileName.nMaxFile)
                multiBuffer[0] = 0;
            reply->version = 1;
        } else if (multiple) {
            // Explorer style separates the names with NULs: one blank-separated list instead.
            if (sOpenFileName.Flags & OFN_EXPLORER)
                for (DWORD i = 0; i + 2 < sOpenFileName.nMaxFile && multiBuffer[i]; ++i)
                    if (!multiBuffer[i + 1])
                        multiBuffer[i + 1] = multiBuffer[i + 2] ? ' ' : 0;
            reply->good = true;
        } else {
            char finalPath[kMaxDosPath + 1];
            RefreshDriveType(sFileBuffer);
            DosPathToReply(false, false, 0, true, true, sFileBuffer, reply, finalPath);
        }
    }
    sOpenFileName.lpstrFile = sFileBuffer;
    sOpenFileName.nMaxFile = sizeof sFileBuffer;
    ZEL_FHReOpenAll(1);
    LeaveStdFileDialog();
    if (wrapped)
        FreeHostProcInstance(wrapped);
}

void RunSaveDialog(Point where, ConstStr255Param prompt, ConstStr255Param origName, int16_t dlgID,
                   SFFilterProcPtr filterProc, WideReply *reply)
{
    ClearWideReply(reply);
    sPutDialog = true;
    EnterStdFileDialog();
    SetDialogTitle(prompt);
    char proposed[2 * 256] = "";
    if (origName)
        ZEL_CopyPtoC(origName, proposed);
    NormalizeSaveName(proposed);
    ZEL_SeparateFile(sInitialDirectory, sFileBuffer, proposed);
    sOpenFileName.lpstrInitialDir = sInitialDirectory;

    DWORD flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST | OFN_SHAREAWARE;
    FARPROC wrapped = PrepareFilterProc(filterProc, &flags, dlgID, kNoTemplateSave);
    FinishFlags(&flags, where);

    DWORD error = 0;
    if (RunDialog(GetSaveFileNameA, &error)) {
        sFilterIndex = sFileOkIndex ? sFileOkIndex : static_cast<int>(sOpenFileName.nFilterIndex);
        char finalPath[kMaxDosPath + 1];
        RefreshDriveType(sFileBuffer);
        DosPathToReply(true, false, static_cast<int16_t>(sFilterIndex - 1), true, false, sFileBuffer, reply,
                       finalPath);
        // Saving over an existing file is replacing it.
        DWORD attributes = reply->good ? GetFileAttributesA(finalPath) : INVALID_FILE_ATTRIBUTES;
        reply->copy = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    LeaveStdFileDialog();
    if (wrapped)
        FreeHostProcInstance(wrapped);
}

// An FSSpec of a name in a working directory; the whole name is copied.
OSErr FSSpecFromWD(FSSpec *fsSpec, const unsigned char *name, int16_t wdRefNum)
{
    WDPBRec pb{};
    pb.ioVRefNum = wdRefNum;
    OSErr err = PBGetWDInfo(&pb, false);
    if (err == noErr) {
        fsSpec->vRefNum = pb.ioWDVRefNum;
        fsSpec->parID = pb.ioWDDirID;
        std::memcpy(fsSpec->name, name, name[0] + 1);
    }
    return err;
}

void FillStandardReply(const WideReply &wide, StandardFileReply *reply, bool throughWD)
{
    std::memset(reply, 0, sizeof *reply);
    reply->sfType = wide.fType;
    reply->sfReplacing = wide.copy;
    if (!wide.good)
        return;
    if (throughWD) {
        reply->sfGood = FSSpecFromWD(&reply->sfFile, wide.name, wide.vRefNum) == noErr;
    } else {
        reply->sfGood = 1;
        reply->sfFile.vRefNum = wide.vRefNum;
        reply->sfFile.parID = 0;
        std::memcpy(reply->sfFile.name, wide.name, wide.name[0] + 1);
    }
}

// The Custom calls' filter procedure as a plain one: the caller's data pointer is added.
UINT ZEL_CALL FilterAdapter(HWND dialog, UINT message, WPARAM wParam, LPARAM, OPENFILENAMEA *)
{
    return sCustomFilterProc(dialog, message, wParam, sCustomData);
}

void StoreCustomProcs(FileFilterYDProcPtr fileFilter, DlgHookYDProcPtr dlgHook, SFFilterYDProcPtr filterProc,
                      void *yourDataPtr)
{
    sCustomFileFilter = fileFilter;
    sCustomDlgHook = dlgHook;
    sCustomFilterProc = filterProc;
    sCustomData = yourDataPtr;
}

constexpr Point kStandardWhere = {40, 40};

} // namespace

// The one OPENFILENAME record every Standard File call uses.
void PrepareStdFileTemplate()
{
    sOpenFileName = OPENFILENAMEA{};
    sOpenFileName.lStructSize = kStructSize;
    sOpenFileName.hwndOwner = SessionMainWindow();
    sOpenFileName.hInstance = SessionHostInstance();
    sOpenFileName.lpstrFilter = sFilter;
    sOpenFileName.lpstrFile = sFileBuffer;
    sOpenFileName.nMaxFile = sizeof sFileBuffer;
    sOpenFileName.lpstrFileTitle = sFileTitle;
    sOpenFileName.nMaxFileTitle = sizeof sFileTitle;
    sOpenFileName.lpstrInitialDir = sInitialDirectory;
    sOpenFileName.lpfnHook = A_FileOpenHookProc;
}

// SFSaveDisk and SFVRefNum start at the volume of the current directory.
void InitStdFileVolume()
{
    int16_t vRefNum = ZEL_CurDirvRefNum(nullptr);
    const char *path = DirectoryNodePath(LowMem<int32_t>(lmCurDirStore));
    if (path)
        vRefNum = ZEL_DOSVolToVRefNum(path);
    if (LowMemCell(lmSFSaveDisk))
        LowMem<int16_t>(lmSFSaveDisk) = static_cast<int16_t>(-vRefNum);
    if (LowMemCell(lmSFVRefNum))
        LowMem<int16_t>(lmSFVRefNum) = vRefNum;
}

OSType TypeFromSFFilter(ConstStr255Param name)
{
    auto fallback = static_cast<OSType>(LibrarySetting(settingStdFileType));
    if (sFilterIndex < 1 || sFilterIndex > sTable.count || !sTable.entries[sFilterIndex - 1].hasRow || !name ||
        !sRememberedName[0])
        return fallback;
    char text[256], remembered[256];
    ZEL_CopyPtoC(name, text);
    ZEL_CopyPtoC(sRememberedName, remembered);
    return lstrcmpiA(NamePart(text), remembered) == 0 ? sTable.entries[sFilterIndex - 1].type : fallback;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SF_String(int16_t numTypes, int16_t selectedIndex, ConstSFTypeListPtr typeList)
{
    if (typeList || numTypes <= 0)
        BuildFilter(numTypes, selectedIndex, typeList);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_DosFSpec2MacSFReply(Boolean applyExtension, Boolean replaceExtension, int16_t filterIndex,
                                                Boolean updateGlobals, Boolean rememberName, const char *path,
                                                SFReply *reply)
{
    WideReply wide;
    char finalPath[kMaxDosPath + 1];
    DosPathToReply(applyExtension, replaceExtension, filterIndex, updateGlobals, rememberName && path, path ? path : "",
                   &wide, finalPath);
    WideToSFReply(wide, reply);
}

ZEL_EXTERN_C void ZEL_CALL SFPGetFile(Point where, ConstStr255Param prompt, FileFilterProcPtr fileFilter, int16_t numTypes,
                                   ConstSFTypeListPtr typeList, DlgHookProcPtr, SFReply *reply, int16_t dlgID,
                                   SFFilterProcPtr filterProc)
{
    WideReply wide;
    ClearWideReply(&wide);
    if (!sInDialog)
        RunOpenDialog(where, prompt, numTypes, typeList, dlgID, filterProc, reinterpret_cast<char *>(fileFilter),
                      &wide);
    WideToSFReply(wide, reply);
}

ZEL_EXTERN_C void ZEL_CALL SFGetFile(Point where, ConstStr255Param prompt, FileFilterProcPtr fileFilter, int16_t numTypes,
                                  ConstSFTypeListPtr typeList, DlgHookProcPtr dlgHook, SFReply *reply)
{
    SFPGetFile(where, prompt, fileFilter, numTypes, typeList, dlgHook, reply, 0, nullptr);
}

ZEL_EXTERN_C void ZEL_CALL SFPPutFile(Point where, ConstStr255Param prompt, ConstStr255Param origName, DlgHookProcPtr,
                                   SFReply *reply, int16_t dlgID, SFFilterProcPtr filterProc)
{
    WideReply wide;
    ClearWideReply(&wide);
    if (!sInDialog)
        RunSaveDialog(where, prompt, origName, dlgID, filterProc, &wide);
    WideToSFReply(wide, reply);
}

ZEL_EXTERN_C void ZEL_CALL SFPutFile(Point where, ConstStr255Param prompt, ConstStr255Param origName, DlgHookProcPtr dlgHook,
                                  SFReply *reply)
{
    SFPPutFile(where, prompt, origName, dlgHook, reply, 0, nullptr);
}

ZEL_EXTERN_C void ZEL_CALL StandardGetFile(FileFilterProcPtr, int16_t numTypes, ConstSFTypeListPtr typeList,
                                        StandardFileReply *reply)
{
    WideReply wide;
    ClearWideReply(&wide);
    if (!sInDialog)
        RunOpenDialog(kStandardWhere, nullptr, numTypes, typeList, 3998, nullptr, nullptr, &wide);
    FillStandardReply(wide, reply, true);
}

ZEL_EXTERN_C void ZEL_CALL StandardPutFile(ConstStr255Param prompt, ConstStr255Param defaultName, StandardFileReply *reply)
{
    WideReply wide;
    ClearWideReply(&wide);
    if (!sInDialog)
        RunSaveDialog(Point{0, 0}, prompt, defaultName, 0, nullptr, &wide);
    FillStandardReply(wide, reply, true);
}

ZEL_EXTERN_C void ZEL_CALL CustomGetFile(FileFilterYDProcPtr fileFilter, int16_t numTypes, ConstSFTypeListPtr typeList,
                                      StandardFileReply *reply, int16_t dlgID, Point where, DlgHookYDProcPtr dlgHook,
                                      SFFilterYDProcPtr filterProc, int16_t *, ActivateYDProcPtr, void *yourDataPtr)
{
    WideReply wide;
    ClearWideReply(&wide);
    if (!sInDialog) {
        StoreCustomProcs(fileFilter, dlgHook, filterProc, yourDataPtr);
        // The file filter and the dialog hook are kept and, as in SFPGetFile, never called.
        static const unsigned char kEmpty[1] = {0};
        RunOpenDialog(where, kEmpty, numTypes, typeList, dlgID, filterProc ? FilterAdapter : nullptr, nullptr, &wide);
    }
    FillStandardReply(wide, reply, true);
    reply->sfScript = -1;
}

ZEL_EXTERN_C void ZEL_CALL CustomPutFile(ConstStr255Param prompt, ConstStr255Param defaultName, StandardFileReply *reply,
                                      int16_t dlgID, Point where, DlgHookYDProcPtr dlgHook, SFFilterYDProcPtr filterProc,
                                      int16_t *, ActivateYDProcPtr, void *yourDataPtr)
{
    WideReply wide;
    ClearWideReply(&wide);
    if (!sInDialog) {
        StoreCustomProcs(nullptr, dlgHook, filterProc, yourDataPtr);
        RunSaveDialog(where, prompt, defaultName, dlgID, filterProc ? FilterAdapter : nullptr, &wide);
    }
    FillStandardReply(wide, reply, false);
    reply->sfScript = -1;
}

ZEL_EXTERN_C UINT_PTR ZEL_CALL A_FileOpenHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (sFilterProc) {
        if (message == sFileNameOkMessage && sFileNameOkMessage)
            message = WM_USER;
        if (message == WM_INITDIALOG)
            sStarted = true;
        if (sStarted && sFilterProc(dialog, message, wParam, lParam, &sOpenFileName))
            return 1;
    }
    switch (message) {
    case WM_NOTIFY: {
        if (!sPutDialog || !(sOpenFileName.Flags & OFN_EXPLORER))
            return 0;
        auto notify = reinterpret_cast<OFNOTIFYA *>(lParam);
        HWND edit = DialogControl(dialog, kFileNameEdit);
        char name[kMaxDosPath + 1] = "";
        if (edit)
            GetWindowTextA(edit, name, sizeof name);
        if (notify->hdr.code == CDN_TYPECHANGE) {
            int entry = static_cast<int>(notify->lpOFN->nFilterIndex) - 1;
            if (name[0] && ApplyFilterExtension(entry, name, true))
                SetWindowTextA(edit, name);
        } else if (notify->hdr.code == CDN_FILEOK) {
            int entry = FilterIndexFromName(name, static_cast<int>(std::strlen(name)));
            if (entry >= 0 && entry + 1 != static_cast<int>(notify->lpOFN->nFilterIndex)) {
                sFileOkIndex = entry + 1;
                SendMessageA(DialogControl(dialog, kFileTypeList), CB_SETCURSEL, entry, 0);
            }
        }
        return 0;
    }
    case WM_INITDIALOG: {
        if (SessionFlag(zelFlagCentreStdFile))
            CenterWindow(DialogControl(dialog, kFileNameEdit) ? GetParent(DialogControl(dialog, kFileNameEdit)) : dialog,
                         nullptr);
        if (HWND types = DialogControl(dialog, kFileTypeList)) {
            RECT r;
            GetWindowRect(types, &r);
            int line = static_cast<int>(SendMessageA(types, CB_GETITEMHEIGHT, 0, 0));
            SetWindowPos(types, nullptr, 0, 0, r.right - r.left, (sTable.count + 2) * line + (r.bottom - r.top),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (HWND edit = DialogControl(dialog, kFileNameEdit)) {
            SetFocus(edit);
            SendMessageA(edit, EM_SETSEL, 0, -1);
            SendMessageA(edit, EM_SCROLLCARET, 0, 0);
        }
        return 0;
    }
    case WM_COMMAND: {
        if (!sPutDialog)
            return 0;
        HWND edit = DialogControl(dialog, kFileNameEdit);
        char name[kMaxDosPath + 1] = "";
        if (edit)
            GetWindowTextA(edit, name, sizeof name);
        if (LOWORD(wParam) == kFileNameEdit && HIWORD(wParam) == EN_CHANGE) {
            int entry = FilterIndexFromName(name, static_cast<int>(std::strlen(name)));
            if (entry >= 0)
                SendMessageA(DialogControl(dialog, kFileTypeList), CB_SETCURSEL, entry, 0);
        } else if (LOWORD(wParam) == kFileTypeList && HIWORD(wParam) == CBN_SELCHANGE) {
            int entry = static_cast<int>(SendMessageA(DialogControl(dialog, kFileTypeList), CB_GETCURSEL, 0, 0));
            if (name[0] && ApplyFilterExtension(entry, name, true))
                SetWindowTextA(edit, name);
        }
        return 0;
    }
    default:
        return 0;
    }
}

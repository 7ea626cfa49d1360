// Shortcut files through the shell's link object: OLE32 is loaded at session start (never on Win32s),
// COM is initialised by the first alias-file operation and uninitialised at session exit.
#include "files_services.h"
#include "../core/core_services.h"

#include <objbase.h>

namespace {

typedef HRESULT(WINAPI *CoCreateInstanceProc)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID *);
typedef HRESULT(WINAPI *CoInitializeProc)(LPVOID);
typedef void(WINAPI *CoUninitializeProc)(void);

HMODULE sOle32;
bool sLoaded;
bool sInitialised;
CoCreateInstanceProc sCoCreateInstance;
CoInitializeProc sCoInitialize;
CoUninitializeProc sCoUninitialize;

} // namespace

void LookUpShellLinkEntries()
{
    if (SessionPlatform().win32s)
        return;
    sOle32 = LoadLibraryA("OLE32");
    if (!sOle32)
        return;
    sCoCreateInstance = reinterpret_cast<CoCreateInstanceProc>(GetProcAddress(sOle32, "CoCreateInstance"));
    sCoInitialize = reinterpret_cast<CoInitializeProc>(GetProcAddress(sOle32, "CoInitialize"));
    sCoUninitialize = reinterpret_cast<CoUninitializeProc>(GetProcAddress(sOle32, "CoUninitialize"));
    sLoaded = true;
}

bool ShellLinkSupportLoaded() { return sLoaded; }

void EndShellLinkSupport()
{
    if (sInitialised && sCoUninitialize)
        sCoUninitialize();
    sInitialised = false;
    if (sOle32)
        FreeLibrary(sOle32);
    sOle32 = nullptr;
    sLoaded = false;
}

// PENDING: the Alias Manager exports this as ZEL_FullPathToFSSpec.
void FullPathToFSSpec(const char *path, FSSpec *place)
{
    char directory[256] = {}, name[256] = {};
    ZEL_SeparateFile(directory, name, path);
    if (ZEL_DOSVolToVRefNum(path) == kNoVolume)
        ZEL_UpdateDriveLetters();
    place->vRefNum = ZEL_DOSVolToVRefNum(path);
    place->parID = GetDirEntryForPath(directory);
    ZEL_CopyCtoP(name, place->name);
}

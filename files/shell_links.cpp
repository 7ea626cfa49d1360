// Shortcut files through the shell's link object: OLE32 is loaded at session start (never on Win32s),
// COM is initialised by the first alias-file operation and uninitialised at session exit, only when that
// initialisation was the library's own success, so a host's COM set-up outlives the session.
#include "files_services.h"
#include "../core/core_services.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>

namespace {

typedef HRESULT(WINAPI *CoCreateInstanceProc)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID *);
typedef HRESULT(WINAPI *CoInitializeProc)(LPVOID);
typedef void(WINAPI *CoUninitializeProc)(void);

// The shell's link class and the two interfaces used on it.
const GUID kClsidShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154);

HMODULE sOle32;
bool sLoaded;
bool sInitialised;      // the first operation tried to set COM up
bool sOwnInitialisation; // ... and CoInitialize succeeded, so it is balanced at exit
CoCreateInstanceProc sCoCreateInstance;
CoInitializeProc sCoInitialize;
CoUninitializeProc sCoUninitialize;
IShellLinkA *sLink;

// The cached link object, AddRef'd for the caller; NULL without OLE32 or the shell's class.
IShellLinkA *GetShellLinkObject()
{
    if (!sLoaded || !sCoInitialize || !sCoCreateInstance)
        return nullptr;
    if (!sInitialised) {
        sInitialised = true;
        sOwnInitialisation = SUCCEEDED(sCoInitialize(nullptr));
        void *object = nullptr;
        if (SUCCEEDED(sCoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA, &object)))
            sLink = static_cast<IShellLinkA *>(object);
    }
    if (sLink)
        sLink->AddRef();
    return sLink;
}

IPersistFile *PersistFileOf(IShellLinkA *link)
{
    void *file = nullptr;
    return SUCCEEDED(link->QueryInterface(kIidPersistFile, &file)) ? static_cast<IPersistFile *>(file) : nullptr;
}

bool WidePath(const char *path, WCHAR *wide)
{
    return MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) > 0;
}

bool LinkTarget(IShellLinkA *link, char *out)
{
    WIN32_FIND_DATAA found;
    out[0] = 0;
    return link->GetPath(out, MAX_PATH, &found, 0) == S_OK && out[0];
}

// One step: load the shortcut, resolve it, read its target. *changed when resolving changed the target
// the shortcut records (the shell's dirty flag is set by every Resolve under Wine, so it is not asked).
bool ResolveStep(IShellLinkA *link, IPersistFile *file, const char *path, bool anyMatch, char *out, bool *changed)
{
    WCHAR wide[MAX_PATH];
    if (!WidePath(path, wide) || FAILED(file->Load(wide, STGM_READ)))
        return false;
    char before[MAX_PATH];
    bool had = LinkTarget(link, before);
    link->Resolve(nullptr, SLR_NO_UI | (anyMatch ? SLR_ANY_MATCH : 0));
    char after[MAX_PATH];
    if (!LinkTarget(link, after))
        return false;
    if (!had || lstrcmpiA(before, after) != 0)
        *changed = true;
    std::strcpy(out, after);
    return true;
}

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

// The cached object goes first; COM is left as the host had it unless the library set it up itself.
void EndShellLinkSupport()
{
    if (sLink)
        sLink->Release();
    sLink = nullptr;
    if (sOwnInitialisation && sCoUninitialize)
        sCoUninitialize();
    sInitialised = sOwnInitialisation = false;
    if (sOle32)
        FreeLibrary(sOle32);
    sOle32 = nullptr;
    sLoaded = false;
}

HRESULT CreateShortcut(const char *target, const char *shortcut, const char *description)
{
    IShellLinkA *link = GetShellLinkObject();
    if (!link)
        return kClassNotRegistered;
    HRESULT hr = link->SetPath(target);
    if (SUCCEEDED(hr))
        hr = link->SetDescription(description);
    if (SUCCEEDED(hr)) {
        IPersistFile *file = PersistFileOf(link);
        WCHAR wide[MAX_PATH];
        if (!file)
            hr = E_NOINTERFACE;
        else if (!WidePath(shortcut, wide))
            hr = E_INVALIDARG;
        else
            hr = file->Save(wide, TRUE);
        if (file)
            file->Release();
    }
    link->Release();
    return hr;
}

bool ResolveShortcut(const char *path, char *out, bool followChains, bool anyMatch, bool *changed)
{
    std::strcpy(out, path);
    *changed = false;
    IShellLinkA *link = GetShellLinkObject();
    if (!link)
        return false;
    IPersistFile *file = PersistFileOf(link);
    bool resolved = false;
    if (file) {
        char next[MAX_PATH];
        resolved = ResolveStep(link, file, path, anyMatch, next, changed);
        if (resolved)
            std::strcpy(out, next);
        // A chain ends at the first target that is not itself a shortcut (at most a few dozen steps).
        for (int steps = 0; resolved && followChains && steps < 32; ++steps) {
            char current[MAX_PATH];
            std::strcpy(current, out);
            if (!ResolveStep(link, file, current, anyMatch, next, changed))
                break;
            std::strcpy(out, next);
        }
        file->Release();
    }
    link->Release();
    return resolved;
}

// Any full DOS path as a record: its volume, its directory's node and its name.
ZEL_EXTERN_C OSErr ZEL_CALL ZEL_FullPathToFSSpec(const char *path, FSSpec *fsSpec)
{
    if (!path || !fsSpec)
        return paramErr;
    char directory[256] = {}, name[256] = {};
    ZEL_SeparateFile(directory, name, path);
    uint16_t kind;
    DosPathRootLength(path, &kind);
    if (kind == dosPathDriveRoot && ZEL_DOSVolToVRefNum(path) == kNoVolume)
        ZEL_UpdateDriveLetters();
    fsSpec->vRefNum = ZEL_DOSVolToVRefNum(path);
    fsSpec->parID = GetDirEntryForPath(directory);
    ZEL_CopyCtoP(name, fsSpec->name);
    return noErr;
}

// Session start-up and shutdown: ZEL_InitSession takes the host's session block, detects the platform,
// chooses the dialog look, installs the host's callbacks, starts memory and the library's tables and
// hands the completed block back; ZEL_ExitSession tears everything down once.
#include "core.h"
#include "../dialogs/dialogs_services.h"
#include "../devices/devices_services.h"
#include "../files/files_services.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"
#include "../windows/windows_services.h"
#include "Fonts.h"
#include "OSUtils.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kBlockSize = static_cast<int>(sizeof(SessionParamBlock));

HINSTANCE sLibraryModule;
bool sStarted;       // start-up ran; cleared by the tear-down
bool sExitDone;      // never reset: a session cannot be restarted in the same process
SessionParamBlock sBlock;
uint32_t sFlags;
PlatformInfo sPlatform;
uint32_t sMachineWord;
ATOM sWindowAtom;
HMENU sMainMenu;
HACCEL sAccelerators;
WNDPROC sSavedMainWndProc;
HPEN sNullPen;
uint16_t sCountry;
LCID sLocale;
bool sRightToLeft;
bool sThreeD;
HMODULE sComctl;
HMODULE sCtl3d;
const uint32_t *sFileTypeMap;
const uint16_t *sCommandMap;
int16_t sSystemFontFamily;
int16_t sSystemFontSize;
MachineLocation sLocation;
HBRUSH sColorBrushes[3];

// Locale by country code, used on Win32s where the system gives no locale of its own.
struct CountryLocale {
    uint16_t country;
    LCID locale;
};
const CountryLocale kCountryLocales[] = {
    {7, 0x419},   {30, 0x408},  {33, 0x40C},  {36, 0x40E},  {39, 0x410},  {40, 0x418},
    {42, 0x405},  {48, 0x415},  {49, 0x407},  {81, 0x411},  {82, 0x412},  {86, 0x404},
    {90, 0x41F},  {98, 0x429},  {354, 0x40F}, {359, 0x402}, {370, 0x427}, {371, 0x426},
    {372, 0x425}, {375, 0x423}, {380, 0x422}, {386, 0x424}, {966, 0x401}, {972, 0x40D},
};

void DefaultName(const char *&field, const char *value)
{
    if (!field)
        field = value;
}

void DetectPlatform()
{
    DWORD version = GetVersion();
    OSVERSIONINFOA ex{};
    ex.dwOSVersionInfoSize = sizeof ex; // 148 bytes
    sPlatform = DecidePlatform(version, GetVersionExA(&ex) ? &ex : nullptr);
}

void SetUpThreeD()
{
    bool wanted = (sFlags & zelFlagThreeD) || sPlatform.newShell;
    sComctl = LoadLibraryA("COMCTL32.DLL");
    if (sComctl) {
        if (auto init = reinterpret_cast<void(WINAPI *)(void)>(GetProcAddress(sComctl, "InitCommonControls")))
            init();
    }
    sThreeD = wanted;
    if (wanted && !sPlatform.newShell) {
        UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
        HMODULE lib = LoadLibraryA("CTL3D32.DLL");
        SetErrorMode(oldMode);
        if (reinterpret_cast<uintptr_t>(lib) < 33) {
            sThreeD = false;
        } else {
            sCtl3d = lib;
            if (!Ctl3dBind(lib, sBlock.hostInstance)) {
                FreeLibrary(sCtl3d);
                sCtl3d = nullptr;
                sThreeD = false;
            } else {
                Ctl3dStartAutoSubclass(sBlock.hostInstance);
            }
        }
    }
    if (sThreeD) {
        WNDCLASSA wc{};
        if (GetClassInfoA(sBlock.hostInstance, sBlock.threeDBaseClass, &wc)) {
            SetThreeDBaseWndProc(wc.lpfnWndProc);
            wc.lpfnWndProc = ThreeDDlgWndProc;
            wc.hInstance = sBlock.hostInstance;
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = "_ZEL_THREED_";
            if (!RegisterClassA(&wc))
                sThreeD = false;
        } else {
            sThreeD = false;
        }
    }
    if (sThreeD)
        sFlags |= zelFlagThreeD;
    else
        sFlags &= ~zelFlagThreeD;
}

void DeriveLocale()
{
    sCountry = static_cast<uint16_t>(GetProfileIntA("intl", "iCountry", 1));
    sLocale = GetSystemDefaultLCID();
    if (sPlatform.win32s) {
        sLocale = 0x409;
        for (const CountryLocale &c : kCountryLocales)
            if (c.country == sCountry)
                sLocale = c.locale;
    }
    sRightToLeft = (sLocale & 0x3FF) == 1;
    CPINFO cp{};
    if (GetCPInfo(CP_ACP, &cp) && cp.MaxCharSize >= 2) {
        SetLibrarySetting(settingDoubleByte, 1);
        sFlags |= zelFlagDoubleByte;
        DisableDefaultCharTables();
    }
}

void TearDown()
{
    ExitPrinting();
    ExitAppleEvents();
    ErrorSound(reinterpret_cast<SoundProcPtr>(1));
    ExitResources();
    ExitVerticalRetrace();
    ExitWindowManager();
    FreeFocusTables();
    FreeChildProcState();
    TearDownQuickDraw();
    ExitEventQueue();
    DeleteLibraryFonts();
    DeleteColorBrushes();
    CloseAllFileHandles();
    FreeListSlotTable();
    ReleaseCodeResources();
    if (sWindowAtom)
        GlobalDeleteAtom(sWindowAtom);
    sWindowAtom = 0;
    sStarted = false;
}

void ReleaseHostCallbacks()
{
    ReleasePrintHooks();
    FreeHostProcInstance(sBlock.scrapCallback);
    FreeHostProcInstance(sBlock.byteSwapCallback);
    sBlock.scrapCallback = nullptr;
    sBlock.byteSwapCallback = nullptr;
    ReleaseTrapPatches();
}

// `processTerminating` is set when the loader calls us while the process ends: then nothing may free
// libraries, uninitialise OLE or destroy windows.
void ExitSession(bool processTerminating)
{
    if (sExitDone)
        return;
    sExitDone = true;
    if (processTerminating) {
        // The process's own objects die with it; what it registered beyond itself is given back.
        if (sStarted && sWindowAtom)
            GlobalDeleteAtom(sWindowAtom);
        if (sStarted)
            ReleaseLibraryFontFile();
        return;
    }
    if (sBlock.mainWindow)
        SetDlgKeyHookWindow(nullptr, false);
    if (sStarted)
        TearDown();
    ReleaseHostCallbacks();
    ReleaseGrowZone();
    FreeAllSubAllocatorChunks();
    FreeAllMasterPointerBlocks();
    if (sComctl)
        FreeLibrary(sComctl);
    sComctl = nullptr;
    if (sCtl3d) {
        Ctl3dUnbind(sBlock.hostInstance);
        FreeLibrary(sCtl3d);
        sCtl3d = nullptr;
    }
    EndShellLinkSupport();
}

} // namespace

// ---- services ----

const PlatformInfo &SessionPlatform() { return sPlatform; }

// Test seam: replaces the platform's version word (the Windows 3 branches read it); answers the previous.
ZEL_EXTERN_C uint16_t ZEL_CALL SetSessionVersionWord(uint16_t word)
{
    const uint16_t previous = sPlatform.versionWord;
    sPlatform.versionWord = word;
    return previous;
}
bool SessionStarted() { return sStarted; }
uint32_t SessionFlags() { return sFlags; }
bool SessionFlag(uint32_t bit) { return (sFlags & bit) != 0; }
const SessionParamBlock &SessionBlock() { return sBlock; }
void SetSessionCommandLine(const char *line) { sBlock.commandLine = line; }
HINSTANCE SessionHostInstance() { return sBlock.hostInstance; }
HINSTANCE LibraryModule() { return sLibraryModule; }
HWND SessionMainWindow() { return sBlock.mainWindow; }
HWND SessionMdiClient() { return sBlock.mdiClient; }
HMENU SessionMainMenu() { return sMainMenu; }
bool SessionThreeD() { return sThreeD; }
bool SessionDoubleByte() { return LibrarySetting(settingDoubleByte) != 0; }
bool SessionRightToLeft() { return sRightToLeft; }
uint16_t SessionCountry() { return sCountry; }
LCID SessionLocale() { return sLocale; }
ATOM SessionWindowAtom() { return sWindowAtom; }
HPEN SessionNullPen() { return sNullPen; }
const uint32_t *SessionFileTypeMap() { return sFileTypeMap; }
const uint16_t *SessionCommandMap() { return sCommandMap; }
WNDPROC SessionSavedMainWndProc() { return sSavedMainWndProc; }
HACCEL SessionAccelerators() { return sAccelerators; }

FARPROC MakeHostProcInstance(FARPROC proc)
{
    if (!proc || (sFlags & zelFlagRawCallbacks) || !sBlock.makeProcInstance)
        return proc;
    return sBlock.makeProcInstance(proc, sBlock.hostInstance);
}

void FreeHostProcInstance(FARPROC proc)
{
    if (proc && !(sFlags & zelFlagRawCallbacks) && sBlock.freeProcInstance)
        sBlock.freeProcInstance(proc);
}

void ReportHeapDamage(LPARAM detail)
{
    MessageBeep(1);
    if (sBlock.mainWindow)
        SendMessageA(sBlock.mainWindow, ZEL_WM_HEAPDAMAGE, 0, detail);
}

void DeleteColorBrushes()
{
    for (HBRUSH &b : sColorBrushes) {
        if (b)
            DeleteObject(b);
        b = nullptr;
    }
}

HBRUSH SessionColorBrush(int which) { return which >= 0 && which < 3 ? sColorBrushes[which] : nullptr; }
int16_t SessionSystemFontFamily() { return sSystemFontFamily; }
int16_t SessionSystemFontSize() { return sSystemFontSize; }

// ---- exported session calls ----

ZEL_EXTERN_C void ZEL_CALL ZEL_InitSession(SessionParamBlock *block)
{
    // 1. Copy the host's block in, at most 88 bytes; a negative size copies nothing.
    sStarted = true;
    std::memset(&sBlock, 0, sizeof sBlock);
    int copyLength = block ? std::clamp<int>(block->size, 0, kBlockSize) : 0;
    if (copyLength)
        std::memcpy(&sBlock, block, copyLength);

    // 2. Defaults for the names the host left empty.
    DefaultName(sBlock.mainWindowClass, "ZELMainWndClass");
    DefaultName(sBlock.subWindowClass, "ZELSubWndClass");
    DefaultName(sBlock.mdiSubWindowClass, "ZELSubMDIWndClass");
    DefaultName(sBlock.threeDBaseClass, sBlock.subWindowClass);
    DefaultName(sBlock.resourceFileName, "ZELPORT.RSR");
    DefaultName(sBlock.memoryDcDriver, "DIB");

    // 3-4. Platform, atom, host handles, flags.
    DetectPlatform();
    sMachineWord = 0x421;
    sWindowAtom = GlobalAddAtomA("ZEL_wFlag");
    sFlags = sBlock.sessionFlags;

    // 5-7. Common controls and the three-dimensional dialog look.
    SetUpThreeD();

    // 8-9. Menu, accelerators, the library's own procedures and the host's callbacks.
    sMainMenu = sBlock.mainWindow ? GetMenu(sBlock.mainWindow) : nullptr;
    sAccelerators = sBlock.accelerators;
    // The keyboard hook, font enumeration and printing abort procedures are the library's own
    // functions and need no proc instances on Win32.
    sBlock.scrapCallback = MakeHostProcInstance(sBlock.scrapCallback);
    sBlock.byteSwapCallback = MakeHostProcInstance(sBlock.byteSwapCallback);
    ZEL_SetupPrintDlgHook(sBlock.printDialogHook);
    ZEL_SetupPrSetupDlgHook(sBlock.printSetupHook);
    sSavedMainWndProc = sBlock.mainWindow
        ? reinterpret_cast<WNDPROC>(GetWindowLongA(sBlock.mainWindow, GWL_WNDPROC)) : nullptr;

    // 10. Memory.
    SetMemErrCell(nullptr);
    SetMemErr(noErr);
    InitMemoryManager();
    sNullPen = static_cast<HPEN>(GetStockObject(NULL_PEN));

    // 11. Code resources, list slots, open files.
    ZEL_CodeResource(2, 0, 0, nullptr);
    AllocListSlotTable();
    InitFileHandleTable();

    // 12-13. Locale and the double-byte switch.
    DeriveLocale();

    // 14. Colours, fonts, dialog templates, the system font default, the location.
    ZEL_InitColors();
    CreateLibraryFonts();
    PrepareStdFileTemplate();
    PrepareColorDialogTemplate();
    static const unsigned char kSansSerif[] = "\x0DMS Sans Serif";
    static const unsigned char kArial[] = "\x05" "Arial";
    GetFNum(sPlatform.newShell ? kSansSerif : kArial, &sSystemFontFamily);
    sSystemFontSize = sPlatform.newShell ? 8 : 9;
    ReadLocation(&sLocation);

    // 15. The dialog keyboard hook follows the main window.
    if (sBlock.mainWindow)
        SetDlgKeyHookWindow(sBlock.mainWindow, true);

    // 16. Hand the completed block back.
    sBlock.initialised = 1;
    sBlock.sessionFlags = sFlags;
    if (copyLength)
        std::memcpy(block, &sBlock, copyLength);
    GdiSetBatchLimit(1);
    LookUpShellLinkEntries();
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ExitSession(void) { ExitSession(false); }

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_SetFlags(uint32_t mask, uint32_t bits, uint32_t switchMask, uint32_t switchBits)
{
    uint32_t previous = sFlags;
    sFlags = (sFlags & ~mask) | (bits & mask);
    for (uint32_t bit = 1; bit && bit <= 0x8000; bit <<= 1)
        if (switchMask & bit)
            SetLibrarySwitch(bit, (switchBits & bit) != 0);
    return previous;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_EndSession(uint32_t value) { SetSessionEndingKeySwitch(value); }

ZEL_EXTERN_C void ZEL_CALL ZEL_Set_MacWin(const uint32_t *fileTypeMap, const uint16_t *commandMap)
{
    sFileTypeMap = fileTypeMap;
    sCommandMap = commandMap;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_InitColors(void)
{
    DeleteColorBrushes();
    sColorBrushes[0] = CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT));
    sColorBrushes[1] = CreateSolidBrush(GetSysColor(COLOR_ACTIVECAPTION));
    sColorBrushes[2] = CreateSolidBrush(GetSysColor(COLOR_INACTIVECAPTION));
}

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_TaskBarIconAddRemove(int32_t add, uint32_t id, const char *iconName, const char *tip)
{
    if (!sPlatform.newShell)
        return 0;
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = sBlock.mainWindow;
    nid.uID = id;
    if (!add)
        return Shell_NotifyIconA(NIM_DELETE, &nid);
    nid.uFlags = NIF_ICON | NIF_TIP;
    nid.hIcon = LoadIconA(sBlock.hostInstance, iconName);
    // The tip field holds 64 bytes: at most 63 characters and the NUL.
    if (tip)
        lstrcpynA(nid.szTip, tip, 64);
    BOOL result = Shell_NotifyIconA(NIM_ADD, &nid);
    if (nid.hIcon)
        DestroyIcon(nid.hIcon);
    return result;
}

// No shared data block is ever attached, so every operation answers 0.
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_IPC_DataBlock(int16_t, int32_t, int32_t, void *) { return 0; }

// ---- the library's entry point ----

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        sLibraryModule = module;
        break;
    case DLL_PROCESS_DETACH:
        // A non-NULL reserved argument means the process is ending under the loader lock.
        ExitSession(reserved != nullptr);
        break;
    }
    return TRUE;
}

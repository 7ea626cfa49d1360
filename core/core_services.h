// Services the runtime core offers to the rest of the library: session state, platform switches,
// host callbacks, the Memory Manager's internals, the MemErr cell and the stub mechanism.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "MacMemory.h"
#include "Zel.h"

// ---- Platform, decided once at session start ----
struct PlatformInfo {
    bool win32s;
    bool windowsNT;
    bool windows95;
    bool newShell;        // Windows 95, or Windows NT 4 and later
    uint16_t versionWord; // (minor << 4) | major when GetVersionExA answers, else GetVersion's low word
    uint16_t versionHigh; // GetVersion's high word
};
// `ex` is NULL when GetVersionExA failed.
PlatformInfo DecidePlatform(DWORD getVersionResult, const OSVERSIONINFOA *ex);
const PlatformInfo &SessionPlatform();

// ---- Session state ----
bool SessionStarted();
uint32_t SessionFlags();
bool SessionFlag(uint32_t bit);
const SessionParamBlock &SessionBlock();
HINSTANCE SessionHostInstance();
HINSTANCE LibraryModule();
HWND SessionMainWindow();
HWND SessionMdiClient();
HMENU SessionMainMenu();
bool SessionThreeD();
bool SessionDoubleByte();
bool SessionRightToLeft();
uint16_t SessionCountry();
LCID SessionLocale();
ATOM SessionWindowAtom();
HPEN SessionNullPen();
const uint32_t *SessionFileTypeMap();
const uint16_t *SessionCommandMap();

// Host callbacks are wrapped by the host's make-proc-instance function, unless session flag 0x200 says
// they are used as given; releasing goes through the host's free-proc-instance under the same rule.
FARPROC MakeHostProcInstance(FARPROC proc);
void FreeHostProcInstance(FARPROC proc);

// ---- Memory Manager ----
void SetMemErr(OSErr err);
OSErr CurrentMemErr();
// Low-memory globals repoint MemErr at host storage.
int16_t *MemErrCell();
void SetMemErrCell(int16_t *cell);

// Local-heap wrappers with the memory limit, staged recovery and totals.
HLOCAL AllocLocalBlock(UINT flags, uint32_t size);
HLOCAL ReallocLocalBlock(HLOCAL block, uint32_t size, UINT flags);
HLOCAL FreeLocalBlock(HLOCAL block);
void *LockLocalBlock(HLOCAL block);
void UnlockLocalBlock(HLOCAL block);
HLOCAL GetLocalBlockHandle(const void *p);
uint32_t GetLocalBlockSize(HLOCAL block);

// Master-pointer internals read by the Resource Manager and picture playback.
inline MasterPointerRecord *MasterRecord(Handle h) { return reinterpret_cast<MasterPointerRecord *>(h); }
void HSetCBit(Handle h);
int16_t GetHandleCBit(Handle h);
void ClearHandleCBit(Handle h);
void SetHandleResFileSlot(Handle h, int16_t slot);
int16_t GetHandleResFileSlot(Handle h);
THz TheZoneRecord();
// Empties purgeable handles until `needed` bytes of local-heap data were released; returns the bytes.
uint32_t PurgeHandlesFor(uint32_t needed);
uint32_t HandleAndPointerTotal();
void AdjustHandleAndPointerTotal(int32_t delta);

// ---- Diagnostics ----
// Reports an unimplemented entry point by name through DebugStr.
void ReportUnimplemented(const char *name);
// Sends a C string through DebugStr (converted to a Pascal string, cut at 255 characters).
void DebugStrC(const char *text);

// An unimplemented entry point: one line, its name, its parameters and its fixed result.
#define ZEL_STUB(ret, name, value, params) \
    ZEL_EXTERN_C ret ZEL_CALL name params { ReportUnimplemented(" " #name); return (ret)(value); }
#define ZEL_STUB_VOID(name, params) \
    ZEL_EXTERN_C void ZEL_CALL name params { ReportUnimplemented(" " #name); }

// ---- The library's fonts ----
enum LibraryFontKind {
    libraryFontStandard,
    libraryFontSystem,
    libraryFontDialog,
    libraryFontSmallSystem,
    libraryFontMono,
    libraryFontSmallMono,
    libraryFontCount
};
struct LibraryFont {
    HFONT font;
    int16_t height; // height of the sample text "{"
    int16_t ascent;
    int16_t descent;
};
const LibraryFont &GetLibraryFont(LibraryFontKind kind);
int16_t StandardFontLineHeight();
bool LibraryFontFileAdded();

// ---- More session state ----
WNDPROC SessionSavedMainWndProc();
HACCEL SessionAccelerators();
// The three system-colour brushes of ZEL_InitColors: 0 window text, 1 active caption, 2 inactive caption.
HBRUSH SessionColorBrush(int which);
int16_t SessionSystemFontFamily();
int16_t SessionSystemFontSize();

// ---- Library switches set through ZEL_SetFlags' switch mask ----
// Each bit of the switch mask (0x1 .. 0x8000) names one switch; LibrarySwitch answers its state.
void SetLibrarySwitch(uint32_t bit, bool on);
bool LibrarySwitch(uint32_t bit);

// ---- Character conversion ----
// Turns off the default Macintosh/ANSI tables (double-byte code pages keep their bytes).
void DisableDefaultCharTables();
// QuickDraw installs the handler of switch 0x2 (mirrored drawing of the current port's record).
void SetMirroredDrawingHook(void (*hook)(bool));

// ---- Pointers, sub-allocator, memory queries and limits ----
// The memory-limit switch of ZEL_SetMemoryLimits: callers that must not be refused (building an inverse
// table, loading a dialog or a control) turn it off for the time and restore it. Returns the old state.
bool SetMemoryLimitSwitch(bool on);
// The reserve FreeMem keeps back (library setting 50).
uint32_t FreeMemReserve();
void SetFreeMemReserve(uint32_t bytes);

// ---- Low-memory globals ----
// Every Toolbox global is reached through its cell: the address of its storage, which is host storage
// when the host's LowMemPointerBlock supplies it, else storage of the library's own. Cells are valid from
// load on; ZEL_InitGlobals repoints them.
enum LowMemGlobal {
    // Globals the host may supply, in the order of the LowMemPointerBlock's slots.
    lmSFSaveDisk, lmCurDirStore, lmSFVRefNum, lmMainDevice, lmDeviceList, lmWMgrPort, lmEventQueue,
    lmMBarHeight, lmMemErr, lmGrayRgn, lmWindowList, lmThePort, lmWhite, lmBlack, lmGray, lmLtGray,
    lmDkGray, lmArrow, lmScreenBits, lmRandSeed, lmScrapInfo, lmPrintErr, lmTicks, lmApplLimit, lmApplZone,
    lmCurrentA5, lmCurStackBase, lmCaretTime, lmCurActivate, lmHiliteMode, lmTheGDevice, lmResErr,
    lmReservedByte, lmHiliteRGB, lmMBState, lmMTemp, lmMouse, lmRawMouse, lmFractEnable, lmWidthTabHandle,
    lmTheMenu, lmResumeProc, lmSysEvtMask, lmDoubleTime, lmTheZone, lmMenuList, lmMenuFlash, lmTEScrpLength,
    lmTEScrpHandle, lmResLoad, lmPaintWhite, lmMenuDisable, lmCurDeactive, lmKeyThresh, lmTEScrpHasStyle,
    lmTEScrpStyleHandle, lmAppParmHandle, lmAtMenuBottom, lmTopMenuItem,
    lmSlotCount,
    // Globals always kept in the library's own storage.
    lmMinusOne = lmSlotCount, lmApFontID, lmSysFontFam, lmSysFontSize, lmSysMap, lmTime, lmLastSPExtra,
    lmCurApRefNum, lmGhostWindow, lmGZMoveHnd, lmGZRootHnd, lmUnitNtryCnt, lmUTableBase, lmCurApName,
    lmROMMapInsert, lmFSFCBLen, lmHWCfgFlags,
    lmGlobalCount
};
void *LowMemCell(LowMemGlobal g);
template <typename T> inline T &LowMem(LowMemGlobal g) { return *static_cast<T *>(LowMemCell(g)); }

// ---- Library settings ----

// ---- Trap table and OS utilities ----

// ---- Byte order and resource byte-swap templates ----

// ---- Character conversion and string helpers ----

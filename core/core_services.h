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
// ZEL_ParseCommandLine records the line it parses as the session block's command line.
void SetSessionCommandLine(const char *line);
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
WNDPROC SessionSavedMainWndProc();
HACCEL SessionAccelerators();
// The three system-colour brushes of ZEL_InitColors: 0 window text, 1 active caption, 2 inactive caption.
HBRUSH SessionColorBrush(int which);
int16_t SessionSystemFontFamily();
int16_t SessionSystemFontSize();

// ---- Memory Manager ----
void SetMemErr(OSErr err);
OSErr CurrentMemErr();
// Low-memory globals repoint MemErr at host storage.
int16_t *MemErrCell();
void SetMemErrCell(int16_t *cell);

// Local-heap wrappers with the memory limit, staged recovery and totals.
HLOCAL AllocLocalBlock(UINT flags, uint32_t size);
HLOCAL ReallocLocalBlock(HLOCAL block, uint32_t size, UINT flags);
HLOCAL ResizeLocalBlock(HLOCAL block, uint32_t oldSize, uint32_t size, UINT flags); // old size known
HLOCAL FreeLocalBlock(HLOCAL block);
HLOCAL FreeLocalBlockOfSize(HLOCAL block, uint32_t size); // size known: LocalSize is not asked
// A block kept aside for reuse leaves the totals (and the limit) as if freed, and re-enters them when
// taken again: LocalBlockAllowed asks the memory limit first, as a new allocation would.
bool LocalBlockAllowed(uint32_t size);
void CountLocalBlock(uint32_t size, bool in);
void *LockLocalBlock(HLOCAL block);
void UnlockLocalBlock(HLOCAL block);
HLOCAL GetLocalBlockHandle(const void *p);
uint32_t GetLocalBlockSize(HLOCAL block);

// Master-pointer internals read by the Resource Manager and picture playback.
inline MasterPointerRecord *MasterRecord(Handle h) { return reinterpret_cast<MasterPointerRecord *>(h); }
// A handle whose master pointer holds data (not nil, not the unmapped mark 0xFFFF).
inline bool HandleHasData(const void *h)
{
    if (!h)
        return false;
    uintptr_t data = *static_cast<const uintptr_t *>(h);
    return data != 0 && data != 0xFFFF;
}
// A handle made by the library's handle calls that is not disposed and holds data.
bool IsLiveHandle(Handle h);
int16_t GetHandleCBit(Handle h);
void ClearHandleCBit(Handle h);
void SetHandleResFileSlot(Handle h, int16_t slot);
int16_t GetHandleResFileSlot(Handle h);
THz TheZoneRecord();
// Empties purgeable handles until `needed` bytes of local-heap data were released; returns the bytes.
uint32_t PurgeHandlesFor(uint32_t needed);
uint32_t HandleAndPointerTotal();
void AdjustHandleAndPointerTotal(int32_t delta);
// The memory-limit switch of ZEL_SetMemoryLimits: callers that must not be refused (building an inverse
// table, loading a dialog or a control) turn it off for the time and restore it. Returns the old state.
bool SetMemoryLimitSwitch(bool on);
// The reserve FreeMem keeps back (library setting 50).
uint32_t FreeMemReserve();
void SetFreeMemReserve(uint32_t bytes);

// ---- Diagnostics ----
// Reports through DebugStr a message in the library's convention: a blank in the place of the Pascal
// length byte, then the routine's name, NUL-terminated (" SetDateTime"). Prints from the second byte.
void ReportUnimplemented(const char *message);
// Sends a C string through DebugStr (cut at 255 characters).
void DebugStrC(const char *text);
// Writes a C string (cut at 255 characters) and a line end to the debugger output alone, whatever the
// DebugStr switches say: for notes about a program's ordinary use that must never stop it with a box
// or a break.
void DebugOutputC(const char *text);

// An unimplemented entry point: one line, its name, its parameters and its fixed result.
#define ZEL_STUB(ret, name, value, params) \
    ZEL_EXTERN_C ret ZEL_CALL name params { ReportUnimplemented(" " #name); return (ret)(value); }
#define ZEL_STUB_VOID(name, params) \
    ZEL_EXTERN_C void ZEL_CALL name params { ReportUnimplemented(" " #name); }
// An entry point that breaks into a debugger when one is attached, and otherwise reports its name.
#define ZEL_STUB_BREAK(ret, name, value, params) \
    ZEL_EXTERN_C ret ZEL_CALL name params { BreakOrReport(" " #name); return (ret)(value); }
void BreakOrReport(const char *message);
// The same for an entry point published with a variable argument list: no callee-pop size fits every
// caller, so it takes the C convention and the caller removes what it pushed.
#define ZEL_STUB_VARIADIC(ret, name, value) \
    ZEL_EXTERN_C ret __cdecl name(...) { ReportUnimplemented(" " #name); return (ret)(value); }
#define ZEL_STUB_VARIADIC_VOID(name) \
    ZEL_EXTERN_C void __cdecl name(...) { ReportUnimplemented(" " #name); }
// The same for an entry point that reports itself under another name (" KeyTrans" for KeyTranslate).
#define ZEL_STUB_NAMED(ret, name, message, value, params) \
    ZEL_EXTERN_C ret ZEL_CALL name params { ReportUnimplemented(" " message); return (ret)(value); }
#define ZEL_STUB_NAMED_VOID(name, message, params) \
    ZEL_EXTERN_C void ZEL_CALL name params { ReportUnimplemented(" " message); }

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

// ---- Library switches set through ZEL_SetFlags' switch mask ----
// Each bit of the switch mask (0x1 .. 0x8000) names one switch; LibrarySwitch answers its state.
void SetLibrarySwitch(uint32_t bit, bool on);
bool LibrarySwitch(uint32_t bit);

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

// QuickDraw's globals in a record of the program's own (InitGraf with the thePort field of a QDGlobals
// other than the library's qd): the cells of thePort, the five patterns, arrow, screenBits and randSeed
// that the pointer block left to the library move into that record, carrying their values; the release
// points them back at the library's qd.
void AdoptQuickDrawGlobals(struct QDGlobals *record);
void ReleaseQuickDrawGlobals();

// The library's own copy of the highlight colour ZEL_InitGlobals gave HiliteRGB.
const RGBColor &LibraryHiliteColor();

// ---- Library settings ----
// The numbered settings of ZEL_SystemValue. Each number is one library global, kept in core/settings.cpp
// with its width (8, 16 or 32 bits), its start value and whether the host may change it; the code that
// owns a behaviour reads its setting through LibrarySetting and writes it (one-shot values cleared by
// their reader, values found at start-up) through SetLibrarySetting.
enum LibrarySettingNumber : int16_t {
    settingPictureBitsPlayed = 1,        // 16: set to 1 by picture playback
    settingDialogStaysChild = 2,         // 16: one-shot, a dialog being created is not made a pop-up
    settingVScrollWidth = 3,             // read-only: SM_CXVSCROLL
    settingHScrollHeight = 4,            // read-only: SM_CYHSCROLL
    settingUpdateInterval = 5,           // 16: update-event synthesis interval of the pump
    settingYieldInterval = 6,            // 16: system-task yield interval of the pump
    settingScrollNoErase = 7,            // 16: non-zero, ScrollRect leaves the uncovered area
    settingEmbedFileRef = 8,             // 16: file holding embedded forks and the font map, -1 none
    settingEmbedFontMap = 9,             // offset of the embedded font map
    settingEmbedFork1 = 10,              // offset of the first embedded resource fork
    settingEmbedFork2 = 11,              // offset of the second embedded resource fork
    settingAlertPlacement = 12,          // 16: alert placement switch
    settingAppleMenuFolding = 13,
    settingStored14 = 14,
    settingSubAllocationThreshold = 15,  // bytes; SubAllocationThreshold() bounds it
    settingTextBoxSwitch = 16,           // read by TETextBox
    settingStored17 = 17,
    settingDialogFocus = 18,             // read with ZEL_UseZELDItems
    settingPatternedPen = 19,
    settingReadOnlyStartupResources = 20,
    settingScreenProbe = 21,             // read-only for the host: result of ZEL_QDInitTestScreen
    settingLibraryPalette = 22,          // read-only for the host: the library's HPALETTE
    settingNoClipSelection = 23,
    settingCharConversion = 24,          // Macintosh/ANSI conversion switch
    settingNoInverseTable = 26,
    settingAlwaysZero = 27,              // read-only, always 0
    settingModalWindows = 28,
    settingColorSwitch = 29,             // read by RGBForeColor, RGBBackColor, picture recording
    settingWindChange = 30,              // 16: read and written by ZEL_WindChange
    settingNextWindowFlags = 31,         // one-shot flag word of the next window creation
    settingPopUpWindows = 32,            // 16: 0 WS_CHILD windows, else WS_POPUP
    settingNextProcID = 33,              // 16: one-shot procID override, -1 none
    settingNextWindowMenu = 34,          // one-shot menu handle of the next window
    settingStdFileString = 35,
    settingStdFileType = 36,             // default file type of Standard File
    settingIconDrawing = 37,
    settingKeepZoomBounds = 38,
    settingWindowCreationHook = 39,      // host procedure, 0 none
    settingControlCreation = 40,
    settingOffscreenBitmaps = 41,        // 16: GWorld bitmap switch
    settingPrintingSwitch = 44,
    settingTextBinding45 = 45,
    settingTextBinding46 = 46,
    settingTextDrawFlags = 47,
    settingMDIClassName = 48,
    settingTearOffHook = 49,             // host procedure for the next pop-up menu, 0 none
    settingMemoryReserve = 50,           // bytes FreeMem keeps back
    settingExtendedAccelerators = 51,
    settingDrawPictureSwitch = 52,
    settingNextWindowThreeD = 53,        // one-shot
    settingHiliteScrollBars = 54,
    settingPaletteManagement = 55,
    settingGetKeysExtraBit = 56,
    settingQuietInvisibleMDI = 57,
    settingMDIAsChildren = 58,
    settingDialogBuilder59 = 59,
    settingDialogBuilder60 = 60,
    settingPrintErrorReports = 61,
    settingStored62 = 62,                // 16
    settingThinFrames = 63,
    settingStdFileHostString = 64,
    settingListNew = 65,                 // read by LNew
    settingPrintingValue = 66,
    settingMDIDefaultState = 67,         // 0 or 0x1000000
    settingNoRedrawPlacement = 69,
    settingExistingDirectoryNodes = 70,
    settingBrushOriginFromPort = 71,
    settingSizeBoxSize = 72,             // 16
    settingDialogBuilderCell = 73,       // the host reads the cell's address
    settingMouseMovedEvents = 74,        // 8: 0 or 1
    settingResourceFrkMode = 75,         // 8: 0 or 1
    settingDoubleByte = 76,              // the double-byte code-page switch of start-up
    settingLast = 76
};
// The setting's value as ZEL_SystemValue reads it (16-bit settings sign-extended); for setting 73 the
// value held in its cell. 0 for numbers that have no setting.
int32_t LibrarySetting(LibrarySettingNumber number);
// Stores a value for the setting's owner, read-only settings included, in the setting's width and by
// its storing rule (settings 67, 74, 75), with none of the side effects of ZEL_SystemValue.
void SetLibrarySetting(LibrarySettingNumber number, int32_t value);

// ---- Vertical Retrace tasks, as the event pump runs them ----
// Whether a task is installed.
bool VerticalRetraceTasksQueued();
// One pass: every armed task counts down and those reaching 0 are called (with the task's address when
// `passTaskAddress`; either way the stack is kept).
void RunVerticalRetraceTasks(bool passTaskAddress);
// Session exit: the remaining tasks are removed.
void ExitVerticalRetrace();

// ---- Trap table and OS utilities ----
// The Notification Manager's icon while a request shows one (a 16 x 16 monochrome bitmap), else NULL;
// the main window's frame draws it.
HBITMAP NotificationIconBitmap();

// ---- Toolbox utilities: PackBits ----
// PackBits coding of `count` source bytes / into `count` destination bytes; both pointers are advanced
// past what was read and written. A destination for PackBitsCore holds PackBitsWorstCase(count) bytes.
void PackBitsCore(const uint8_t **src, uint8_t **dst, int32_t count);
void UnpackBitsCore(const uint8_t **src, uint8_t **dst, int32_t count);
int32_t PackBitsWorstCase(int32_t count);
// PackBits decoding of bytes nobody vouches for (pictures, files, the clipboard): decodes all `srcCount`
// source bytes into at most `dstCount` bytes and answers the bytes written, or -1 when a group reaches
// past the end of the source or would fill past the end of the destination. Flag -128 is no group: it
// is skipped.
int32_t UnpackBitsBounded(const uint8_t *src, int32_t srcCount, uint8_t *dst, int32_t dstCount);
// ---- Character conversion and string helpers ----
// Turns off the default Macintosh/ANSI tables (double-byte code pages keep their bytes).
void DisableDefaultCharTables();
// QuickDraw installs the handler of switch 0x2 (mirrored drawing of the current port's record).
void SetMirroredDrawingHook(void (*hook)(bool));
// The Macintosh/ANSI conversion switch (library setting 24); SetMacCharConversion changes it.
uint32_t MacCharConversion();
// The upper halves of the two conversion tables as currently installed (index: character - 0x80).
const uint8_t *MacToAnsiHighTable();
const uint8_t *AnsiToMacHighTable();

// ZEL_MacToAnsiBuf writes up to four bytes per source byte (the trade-mark sign becomes "(tm)"). Every
// destination the library hands it holds MacToAnsiBufferSize(n) bytes: the worst case plus a NUL.
constexpr uint32_t kMacToAnsiMaxExpansion = 4;
constexpr uint32_t MacToAnsiBufferSize(uint32_t sourceLength)
{
    return sourceLength * kMacToAnsiMaxExpansion + 1;
}

// What the text-drawing code prepares before ZEL_MacToAnsiBuf measures (flag macToAnsiMeasure). The
// record must stay valid over the call; a NULL buffer is not written.
struct MacToAnsiMeasure {
    const Fixed *widths;      // the current font's 256 advance widths, indexed by the ANSI byte drawn
    int32_t *deviceAdvances;  // receives one integer device advance per output byte
    int16_t *sourceAdvances;  // receives one advance per source byte
    Fixed spExtra;            // the port's spExtra, added to the blank's width
    bool scaled;              // the port has a coordinate transform or draws to the printer ...
    Fixed scale;              // ... and widths are multiplied by this factor
    int16_t (*toPortUnits)(int32_t deviceAdvance); // set while a transform is active
};
void SetMacToAnsiMeasure(const MacToAnsiMeasure *measure);
// Side results of the last ZEL_MacToAnsiBuf: the blanks of its source, and when it measured, the total
// advance (the sum of the scaled widths, rounded).
int32_t MacToAnsiBlankCount();
int32_t MacToAnsiTotalAdvance();
// QuickDraw answers whether the current port's record is marked for double-byte text.
void SetPortDoubleByteTextQuery(bool (*query)());
// TextEdit answers whether its password mode is on (every character then shows as '*').
void SetPasswordModeQuery(bool (*query)());

// ---- Dates ----
struct DateTimeRec;
// The calendar date and time of a count of Macintosh seconds (since 1 January 1904).
void DateFromMacSeconds(uint32_t secs, DateTimeRec *date);

// ---- SANE decimal conversion ----
// The value of a NUL-terminated string of an optional '-' and decimal digits; -32768 for a NULL or empty
// string or one with any other character. Reading stops once the value reaches 10000; it is pinned to
// +-32767, never wrapped.
int16_t ParseShortDecimal(const char *s);
// Writes n in decimal, '-' first when negative, with a NUL; returns the address of the NUL.
char *FormatShortDecimal(int16_t n, char *s);

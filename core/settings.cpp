// Library settings: the 76 numbered tuning values a host reads and changes through ZEL_SystemValue.
// Each number is one library global of a fixed width with its start value; the code that owns the
// behaviour reads the global through LibrarySetting. A few numbers have no setting, a few are computed
// or read-only, and a few carry a storing rule or a side effect (kept in the table and in
// ZEL_SystemValue below).
#include "core.h"
#include "../devices/devices_services.h"
#include "../windows/windows_services.h"

namespace {

// ---- the globals, by number ----
int16_t sPictureBitsPlayed = 0;                // 1
int16_t sDialogStaysChild = 0;                 // 2
int16_t sUpdateInterval = 32;                  // 5
int16_t sYieldInterval = 64;                   // 6
int16_t sScrollNoErase = 0;                    // 7
int16_t sEmbedFileRef = -1;                    // 8
uint32_t sEmbedFontMap = 0;                    // 9
uint32_t sEmbedFork1 = 0;                      // 10
uint32_t sEmbedFork2 = 0;                      // 11
int16_t sAlertPlacement = 1;                   // 12
uint32_t sAppleMenuFolding = 1;                // 13
uint32_t sStored14 = 0;                        // 14
uint32_t sSubAllocationThreshold = 4096;       // 15
uint32_t sTextBoxSwitch = 1;                   // 16
uint32_t sStored17 = 0;                        // 17
uint32_t sDialogFocus = 1;                     // 18
uint32_t sPatternedPen = 0;                    // 19
uint32_t sReadOnlyStartupResources = 0;        // 20
uint32_t sScreenProbe = 0;                     // 21
uint32_t sLibraryPalette = 0;                  // 22
uint32_t sNoClipSelection = 0;                 // 23
uint32_t sCharConversion = 1;                  // 24
uint32_t sNoInverseTable = 1;                  // 26
uint32_t sModalWindows = 0;                    // 28
uint32_t sColorSwitch = 1;                     // 29
int16_t sWindChange = 0;                       // 30
uint32_t sNextWindowFlags = 0;                 // 31
int16_t sPopUpWindows = 0;                     // 32
int16_t sNextProcID = -1;                      // 33
uint32_t sNextWindowMenu = 0;                  // 34
uint32_t sStdFileString = 0;                   // 35
uint32_t sStdFileType = 0x3F3F3F3F;            // 36: '????'
uint32_t sIconDrawing = 0;                     // 37
uint32_t sKeepZoomBounds = 0;                  // 38
uint32_t sWindowCreationHook = 0;              // 39
uint32_t sControlCreation = 0;                 // 40
int16_t sOffscreenBitmaps = 0;                 // 41
uint32_t sPrintingSwitch = 0;                  // 44
uint32_t sTextBinding45 = 0;                   // 45
uint32_t sTextBinding46 = 0;                   // 46
uint32_t sTextDrawFlags = 0x220;               // 47
uint32_t sMDIClassName = 0;                    // 48
uint32_t sTearOffHook = 0;                     // 49
uint32_t sMemoryReserve = 0;                   // 50
uint32_t sExtendedAccelerators = 0;            // 51
uint32_t sDrawPictureSwitch = 0;               // 52
uint32_t sNextWindowThreeD = 0;                // 53
uint32_t sHiliteScrollBars = 1;                // 54
uint32_t sPaletteManagement = 0;               // 55
uint32_t sGetKeysExtraBit = 0;                 // 56
uint32_t sQuietInvisibleMDI = 0;               // 57
uint32_t sMDIAsChildren = 0;                   // 58
uint32_t sDialogBuilder59 = 0;                 // 59
uint32_t sDialogBuilder60 = 0;                 // 60
uint32_t sPrintErrorReports = 0;               // 61
int16_t sStored62 = 0;                         // 62
uint32_t sThinFrames = 1;                      // 63
uint32_t sStdFileHostString = 1;               // 64
uint32_t sListNew = 0;                         // 65
uint32_t sPrintingValue = 0;                   // 66
uint32_t sMDIDefaultState = 0;                 // 67
uint32_t sNoRedrawPlacement = 0;               // 69
uint32_t sExistingDirectoryNodes = 0;          // 70
uint32_t sBrushOriginFromPort = 0;             // 71
int16_t sSizeBoxSize = 15;                     // 72
uint32_t sDialogBuilderCell = 0;               // 73
uint8_t sMouseMovedEvents = 0;                 // 74
uint8_t sResourceFrkMode = 0;                  // 75
uint32_t sDoubleByte = 0;                      // 76

// How a value the host or an owner sets is stored.
enum StoreRule : uint8_t {
    storeAsGiven,      // the low 8, 16 or 32 bits of the value
    storeOneForOn,     // 1 for a non-zero value, else 0
    storeMDIState,     // 0x1000000 for a non-zero value, else 0
};

// Where a read value comes from when the setting has no storage of its own.
enum Computed : uint8_t {
    computedNone,
    computedVScrollWidth,  // GetSystemMetrics(SM_CXVSCROLL)
    computedHScrollHeight, // GetSystemMetrics(SM_CYHSCROLL)
    computedZero,
};

struct SettingEntry {
    int16_t number;
    uint8_t width;      // 8, 16 or 32 bits; 0: the number has no setting
    bool readOnly;      // ZEL_SystemValue ignores operation 1
    StoreRule rule;
    Computed computed;
    void *storage;
};

constexpr SettingEntry None(int16_t n) { return {n, 0, false, storeAsGiven, computedNone, nullptr}; }
constexpr SettingEntry RW(int16_t n, uint8_t width, void *storage, StoreRule rule = storeAsGiven)
{
    return {n, width, false, rule, computedNone, storage};
}
constexpr SettingEntry RO(int16_t n, void *storage) { return {n, 32, true, storeAsGiven, computedNone, storage}; }
constexpr SettingEntry Calc(int16_t n, Computed c) { return {n, 32, true, storeAsGiven, c, nullptr}; }

// Indexed by number; row 0 and the numbers 25, 42, 43 and 68 have no setting.
constexpr SettingEntry kSettings[] = {
    None(0),
    RW(1, 16, &sPictureBitsPlayed),
    RW(2, 16, &sDialogStaysChild),
    Calc(3, computedVScrollWidth),
    Calc(4, computedHScrollHeight),
    RW(5, 16, &sUpdateInterval),
    RW(6, 16, &sYieldInterval),           // setting it also restarts the pump's yield countdown
    RW(7, 16, &sScrollNoErase),
    RW(8, 16, &sEmbedFileRef),
    RW(9, 32, &sEmbedFontMap),
    RW(10, 32, &sEmbedFork1),
    RW(11, 32, &sEmbedFork2),
    RW(12, 16, &sAlertPlacement),
    RW(13, 32, &sAppleMenuFolding),
    RW(14, 32, &sStored14),
    // The host's value is kept as given; the Memory Manager bounds it (SubAllocationThreshold) so that a
    // sub-allocated block always fits its chunk, whatever the host asks for.
    RW(15, 32, &sSubAllocationThreshold),
    RW(16, 32, &sTextBoxSwitch),
    RW(17, 32, &sStored17),
    RW(18, 32, &sDialogFocus),
    RW(19, 32, &sPatternedPen),
    RW(20, 32, &sReadOnlyStartupResources),
    RO(21, &sScreenProbe),                // written by the screen probe
    RO(22, &sLibraryPalette),             // written by the palette code
    RW(23, 32, &sNoClipSelection),
    RW(24, 32, &sCharConversion),
    None(25),
    RW(26, 32, &sNoInverseTable),
    Calc(27, computedZero),
    RW(28, 32, &sModalWindows),
    RW(29, 32, &sColorSwitch),
    RW(30, 16, &sWindChange),
    RW(31, 32, &sNextWindowFlags),
    RW(32, 16, &sPopUpWindows),
    RW(33, 16, &sNextProcID),
    RW(34, 32, &sNextWindowMenu),
    RW(35, 32, &sStdFileString),
    RW(36, 32, &sStdFileType),
    RW(37, 32, &sIconDrawing),
    RW(38, 32, &sKeepZoomBounds),
    RW(39, 32, &sWindowCreationHook),
    RW(40, 32, &sControlCreation),
    RW(41, 16, &sOffscreenBitmaps),
    None(42),
    None(43),
    RW(44, 32, &sPrintingSwitch),
    RW(45, 32, &sTextBinding45),
    RW(46, 32, &sTextBinding46),
    RW(47, 32, &sTextDrawFlags),
    RW(48, 32, &sMDIClassName),
    RW(49, 32, &sTearOffHook),
    RW(50, 32, &sMemoryReserve),
    RW(51, 32, &sExtendedAccelerators),
    RW(52, 32, &sDrawPictureSwitch),
    RW(53, 32, &sNextWindowThreeD),
    RW(54, 32, &sHiliteScrollBars),
    RW(55, 32, &sPaletteManagement),
    RW(56, 32, &sGetKeysExtraBit),
    RW(57, 32, &sQuietInvisibleMDI),
    RW(58, 32, &sMDIAsChildren),
    RW(59, 32, &sDialogBuilder59),
    RW(60, 32, &sDialogBuilder60),
    RW(61, 32, &sPrintErrorReports),
    RW(62, 16, &sStored62),
    RW(63, 32, &sThinFrames),
    RW(64, 32, &sStdFileHostString),
    RW(65, 32, &sListNew),
    RW(66, 32, &sPrintingValue),          // every call also drops the printer information context
    RW(67, 32, &sMDIDefaultState, storeMDIState),
    None(68),
    RW(69, 32, &sNoRedrawPlacement),
    RW(70, 32, &sExistingDirectoryNodes),
    RW(71, 32, &sBrushOriginFromPort),
    RW(72, 16, &sSizeBoxSize),
    RW(73, 32, &sDialogBuilderCell),      // the host is given the cell's address
    RW(74, 8, &sMouseMovedEvents, storeOneForOn), // turning it on also turns on 75 and flag 0x10000
    RW(75, 8, &sResourceFrkMode, storeOneForOn),
    RW(76, 32, &sDoubleByte),             // set at start-up for a double-byte ANSI code page
};

constexpr bool TableIsIndexedByNumber()
{
    int16_t i = 0;
    for (const SettingEntry &e : kSettings)
        if (e.number != i++)
            return false;
    return i == settingLast + 1;
}
static_assert(TableIsIndexedByNumber(), "one row per setting number, in order, 0 to 76");

const SettingEntry *FindSetting(int32_t number)
{
    if (number < 1 || number > settingLast || !kSettings[number].width)
        return nullptr;
    return &kSettings[number];
}

uint32_t ReadSetting(const SettingEntry &e)
{
    switch (e.computed) {
    case computedVScrollWidth:
        return static_cast<uint32_t>(GetSystemMetrics(SM_CXVSCROLL));
    case computedHScrollHeight:
        return static_cast<uint32_t>(GetSystemMetrics(SM_CYHSCROLL));
    case computedZero:
        return 0;
    case computedNone:
        break;
    }
    switch (e.width) {
    case 8:
        return *static_cast<const uint8_t *>(e.storage);
    case 16:
        return static_cast<uint32_t>(static_cast<int32_t>(*static_cast<const int16_t *>(e.storage)));
    default:
        return *static_cast<const uint32_t *>(e.storage);
    }
}

void StoreSetting(const SettingEntry &e, uint32_t value)
{
    if (!e.storage)
        return;
    switch (e.rule) {
    case storeOneForOn:
        value = value != 0;
        break;
    case storeMDIState:
        value = value ? 0x1000000 : 0;
        break;
    case storeAsGiven:
        break;
    }
    switch (e.width) {
    case 8:
        *static_cast<uint8_t *>(e.storage) = static_cast<uint8_t>(value);
        break;
    case 16:
        *static_cast<int16_t *>(e.storage) = static_cast<int16_t>(value & 0xFFFF);
        break;
    default:
        *static_cast<uint32_t *>(e.storage) = value;
        break;
    }
}

} // namespace

int32_t LibrarySetting(LibrarySettingNumber number)
{
    const SettingEntry *e = FindSetting(number);
    return e ? static_cast<int32_t>(ReadSetting(*e)) : 0;
}

void SetLibrarySetting(LibrarySettingNumber number, int32_t value)
{
    if (const SettingEntry *e = FindSetting(number))
        StoreSetting(*e, static_cast<uint32_t>(value));
}

uint32_t SubAllocationThresholdSetting() { return sSubAllocationThreshold; }

// operation 1 sets the setting and returns its previous value; any other operation only reads it.
// Numbers outside 1..76 and the numbers without a setting answer 0 and change nothing.
ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_SystemValue(int16_t operation, int16_t selector, uint32_t value)
{
    const SettingEntry *e = FindSetting(selector);
    if (!e)
        return 0;
    const bool set = operation == 1;

    // The printing value drops the printer information context on every call, read or write.
    if (selector == settingPrintingValue)
        DeletePrinterInfoContext();

    // Setting 73 hands out the address of its cell; setting it copies the 32-bit value found at the
    // address passed. A NULL address clears the cell rather than reading through it.
    if (selector == settingDialogBuilderCell) {
        if (set)
            sDialogBuilderCell = value ? *reinterpret_cast<const uint32_t *>(static_cast<uintptr_t>(value)) : 0;
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&sDialogBuilderCell));
    }

    uint32_t previous = ReadSetting(*e);
    if (!set || e->readOnly)
        return previous;
    StoreSetting(*e, value);

    switch (selector) {
    case settingYieldInterval:
        ResetYieldCountdown();
        break;
    case settingMouseMovedEvents:
        // Turning mouse-moved events on also turns on the "RESOURCE.FRK" mode and session flag 0x10000.
        if (value) {
            StoreSetting(kSettings[settingResourceFrkMode], 1);
            ZEL_SetFlags(zelFlagCatInfoMakesNodes, zelFlagCatInfoMakesNodes, 0, 0);
        }
        break;
    default:
        break;
    }
    return previous;
}

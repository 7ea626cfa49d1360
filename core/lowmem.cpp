// Low-memory globals. Every system global is reached through its cell, the address of its storage:
// host storage when the host's LowMemPointerBlock supplies the global, else storage of the library's own.
// The library's own storage is as wide as the global it holds (the patterns, the arrow cursor, screenBits,
// ScrapInfo, HiliteRGB and the event queue header included), one place per global, so that no two
// globals ever share bytes. The QuickDraw globals live in the exported qd record and ScrapInfo in the
// exported scrap record.
#include "core.h"
#include "../devices/devices_services.h"
#include "../files/files_services.h"
#include "../windows/windows_services.h"
#include "AppleEvents.h"
#include "LowMem.h"
#include "OSUtils.h"

#include <algorithm>
#include <array>
#include <cstring>

QDGlobals qd;

namespace {

constexpr int kBlockSize = static_cast<int>(sizeof(LowMemPointerBlock));
constexpr int kSlotsFilledBySetup = lmAppParmHandle; // offsets 4..224

static_assert(4 + 4 * lmSlotCount == kBlockSize, "one slot per global the host may supply");
static_assert(offsetof(LowMemPointerBlock, SFSaveDisk) == 4 + 4 * lmSFSaveDisk, "slot order");
static_assert(offsetof(LowMemPointerBlock, thePort) == 4 + 4 * lmThePort, "slot order");
static_assert(offsetof(LowMemPointerBlock, ScrapInfo) == 4 + 4 * lmScrapInfo, "slot order");
static_assert(offsetof(LowMemPointerBlock, HiliteRGB) == 4 + 4 * lmHiliteRGB, "slot order");
static_assert(offsetof(LowMemPointerBlock, AppParmHandle) == 4 + 4 * lmAppParmHandle, "slot order");
static_assert(offsetof(LowMemPointerBlock, TopMenuItem) == 4 + 4 * lmTopMenuItem, "slot order");

// Bytes of the library's own storage for a global; 0 for the globals that live in qd and ScrapInfo.
constexpr unsigned OwnWidth(int g)
{
    switch (g) {
    case lmThePort: case lmWhite: case lmBlack: case lmGray: case lmLtGray: case lmDkGray: case lmArrow:
    case lmScreenBits: case lmRandSeed: case lmScrapInfo:
        return 0;
    case lmEventQueue:
        return sizeof(QHdr);
    case lmHiliteRGB:
        return sizeof(RGBColor);
    case lmCurApName:
        return sizeof(Str31);
    default:
        return 4;
    }
}

// Offsets of each global's storage in the arena, each rounded up to four bytes; the last entry is the
// arena's size.
constexpr std::array<unsigned, lmGlobalCount + 1> kOwnOffsets = [] {
    std::array<unsigned, lmGlobalCount + 1> offsets{};
    unsigned at = 0;
    for (int g = 0; g < lmGlobalCount; ++g) {
        offsets[g] = at;
        at += (OwnWidth(g) + 3) & ~3u;
    }
    offsets[lmGlobalCount] = at;
    return offsets;
}();

alignas(4) uint8_t sArena[kOwnOffsets[lmGlobalCount]];

constexpr void *OwnStorage(int g)
{
    switch (g) {
    case lmThePort: return &qd.thePort;
    case lmWhite: return &qd.white;
    case lmBlack: return &qd.black;
    case lmGray: return &qd.gray;
    case lmLtGray: return &qd.ltGray;
    case lmDkGray: return &qd.dkGray;
    case lmArrow: return &qd.arrow;
    case lmScreenBits: return &qd.screenBits;
    case lmRandSeed: return &qd.randSeed;
    case lmScrapInfo: return &ScrapInfo;
    default: return sArena + kOwnOffsets[g];
    }
}

// Cells point at the library's own storage from load on; ZEL_InitGlobals repoints the host's slots.
// MemErr's cell is the Memory Manager's, so LMGetMemErr and MemError always read one variable.
constinit std::array<void *, lmGlobalCount> sCells = [] {
    std::array<void *, lmGlobalCount> cells{};
    for (int g = 0; g < lmGlobalCount; ++g)
        cells[g] = OwnStorage(g);
    return cells;
}();

LowMemPointerBlock sBlock; // the library's copy of the host's block
RGBColor sHiliteColor;

// Start values of the globals whose value makes sense before ZEL_InitGlobals.
struct LoadTimeValues {
    LoadTimeValues()
    {
        LowMem<int32_t>(lmMinusOne) = -1;
        LowMem<int32_t>(lmRandSeed) = 0x01234567;
        LowMem<uint8_t>(lmHiliteMode) = 0x80;
        LowMem<THz>(lmTheZone) = TheZoneRecord();
    }
} sLoadTimeValues;

void *SlotPointer(int g)
{
    uint32_t address;
    std::memcpy(&address, reinterpret_cast<const uint8_t *>(&sBlock) + 4 + 4 * g, sizeof address);
    return reinterpret_cast<void *>(static_cast<uintptr_t>(address));
}

// The system highlight colour, each 8-bit component in the high byte of its 16-bit field.
RGBColor SystemHiliteColor()
{
    COLORREF c = GetSysColor(COLOR_HIGHLIGHT);
    return RGBColor{static_cast<uint16_t>(GetRValue(c) << 8), static_cast<uint16_t>(GetGValue(c) << 8),
                    static_cast<uint16_t>(GetBValue(c) << 8)};
}

void WriteStartValue(LowMemGlobal g)
{
    switch (g) {
    case lmGrayRgn: LowMem<RgnHandle>(g) = nullptr; break;
    case lmMBarHeight: LowMem<int16_t>(g) = static_cast<int16_t>(GetSystemMetrics(SM_CYMENU) + 2); break;
    case lmMemErr: LowMem<OSErr>(g) = noErr; break;
    case lmTicks: LowMem<uint32_t>(g) = GetTickCount() >> 4; break;
    case lmCaretTime: LowMem<uint32_t>(g) = GetCaretBlinkTime() >> 4; break;
    case lmCurActivate: LowMem<WindowPtr>(g) = nullptr; break;
    case lmHiliteMode: LowMem<uint8_t>(g) = 0x80; break;
    case lmResErr: LowMem<OSErr>(g) = noErr; break;
    case lmReservedByte: LowMem<uint8_t>(g) = 0; break;
    case lmHiliteRGB:
        sHiliteColor = SystemHiliteColor();
        LowMem<RGBColor>(g) = sHiliteColor;
        break;
    case lmTheMenu: LowMem<int16_t>(g) = 0; break;
    case lmDoubleTime: LowMem<uint32_t>(g) = GetDoubleClickTime() >> 4; break;
    case lmTheZone: LowMem<THz>(g) = TheZoneRecord(); break;
    case lmCurDeactive: LowMem<WindowPtr>(g) = nullptr; break;
    default: break;
    }
}

// The order in which ZEL_InitGlobals sets the cells and writes the start values; the printing globals
// are initialised right after PrintErr.
constexpr LowMemGlobal kFirstCells[] = {
    lmDeviceList, lmEventQueue, lmGrayRgn, lmMBarHeight, lmMainDevice, lmMemErr, lmCurDirStore, lmSFSaveDisk,
    lmSFVRefNum, lmWMgrPort, lmWindowList, lmThePort, lmWhite, lmBlack, lmDkGray, lmGray, lmLtGray, lmArrow,
    lmScreenBits, lmRandSeed, lmScrapInfo, lmPrintErr,
};
constexpr LowMemGlobal kLaterCells[] = {
    lmTicks, lmApplLimit, lmApplZone, lmCurrentA5, lmCurStackBase, lmCaretTime, lmCurActivate, lmHiliteMode,
    lmTheGDevice, lmResErr, lmReservedByte, lmHiliteRGB, lmMBState, lmMTemp, lmMouse, lmRawMouse,
    lmFractEnable, lmWidthTabHandle, lmTheMenu, lmResumeProc, lmSysEvtMask, lmDoubleTime, lmTheZone,
    lmMenuList, lmMenuFlash, lmTEScrpLength, lmTEScrpHandle, lmResLoad, lmPaintWhite, lmMenuDisable,
    lmCurDeactive, lmKeyThresh, lmTEScrpHasStyle, lmTEScrpStyleHandle, lmAppParmHandle, lmAtMenuBottom,
    lmTopMenuItem,
};
static_assert(std::size(kFirstCells) + std::size(kLaterCells) == lmSlotCount, "every slot is set once");

void SetCell(LowMemGlobal g)
{
    void *slot = SlotPointer(g);
    void *cell = slot ? slot : OwnStorage(g);
    sCells[g] = cell;
    if (g == lmMemErr)
        SetMemErrCell(static_cast<int16_t *>(cell));
    WriteStartValue(g);
}

constexpr LowMemGlobal kQuickDrawGlobals[] = {lmThePort, lmWhite, lmBlack, lmGray, lmLtGray,
                                              lmDkGray, lmArrow, lmScreenBits, lmRandSeed};

// A QuickDraw global's field in a QuickDraw globals record, and its width.
void *FieldOf(QDGlobals *record, LowMemGlobal g)
{
    switch (g) {
    case lmThePort: return &record->thePort;
    case lmWhite: return &record->white;
    case lmBlack: return &record->black;
    case lmGray: return &record->gray;
    case lmLtGray: return &record->ltGray;
    case lmDkGray: return &record->dkGray;
    case lmArrow: return &record->arrow;
    case lmScreenBits: return &record->screenBits;
    default: return &record->randSeed;
    }
}

size_t WidthOf(LowMemGlobal g)
{
    switch (g) {
    case lmThePort: return sizeof(GrafPtr);
    case lmArrow: return sizeof(Cursor);
    case lmScreenBits: return sizeof(BitMap);
    case lmRandSeed: return sizeof(int32_t);
    default: return sizeof(Pattern);
    }
}

// A slot the host filled with storage of its own (a block from Setup_Globals points at the library's).
bool HostSupplies(LowMemGlobal g)
{
    void *slot = SlotPointer(g);
    return slot && slot != OwnStorage(g);
}

} // namespace

// ---- services ----

void AdoptQuickDrawGlobals(QDGlobals *record)
{
    for (LowMemGlobal g : kQuickDrawGlobals) {
        void *field = FieldOf(record, g);
        if (HostSupplies(g) || sCells[g] == field)
            continue;
        std::memmove(field, sCells[g], WidthOf(g));
        sCells[g] = field;
    }
}

void ReleaseQuickDrawGlobals()
{
    for (LowMemGlobal g : kQuickDrawGlobals)
        if (!HostSupplies(g))
            sCells[g] = OwnStorage(g);
}

void *LowMemCell(LowMemGlobal g) { return g == lmMemErr ? MemErrCell() : sCells[g]; }

const RGBColor &LibraryHiliteColor() { return sHiliteColor; }

// ---- exported calls ----

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_InitGlobals(const LowMemPointerBlock *block)
{
    // 1. The host's block, at most 240 bytes; a size of 0 or less takes nothing.
    std::memset(&sBlock, 0, sizeof sBlock);
    int copyLength = block ? std::clamp<int>(block->size, 0, kBlockSize) : 0;
    if (copyLength)
        std::memcpy(&sBlock, block, copyLength);

    // 2. Every global's cell, each start value right after its cell.
    for (LowMemGlobal g : kFirstCells)
        SetCell(g);
    InitPrintingGlobals();
    for (LowMemGlobal g : kLaterCells)
        SetCell(g);

    // 3. The managers whose state starts with the globals.
    LowMem<uint32_t>(lmDoubleTime) = GetDoubleClickTime() >> 4;
    InitScrapInfo();
    InitStdFileVolume();
    InitDriveTable();
    InitAppFiles();
    InitEventQueue();
    InitAppleEvents();

    // 4. Platforms whose version word has a low byte below 3 answer 1.
    return (SessionPlatform().versionWord & 0xFF) < 3 ? 1 : 0;
}

ZEL_EXTERN_C LowMemPointerBlock *ZEL_CALL Setup_Globals(LowMemPointerBlock *block)
{
    if (!block)
        return nullptr;
    std::memset(block, 0, sizeof *block);
    block->size = kBlockSize;
    block->version = 256;
    auto *slots = reinterpret_cast<uint8_t *>(block) + 4;
    for (int g = 0; g < kSlotsFilledBySetup; ++g) {
        uint32_t address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(OwnStorage(g)));
        std::memcpy(slots + 4 * g, &address, sizeof address);
    }
    return block;
}

// ---- accessors ----

// 8- and 16-bit globals: the Set returns the value stored.
#define LM_NARROW(Name, Type)                                                                     \
    ZEL_EXTERN_C Type ZEL_CALL LMGet##Name(void) { return LowMem<Type>(lm##Name); }             \
    ZEL_EXTERN_C Type ZEL_CALL LMSet##Name(Type value) { return LowMem<Type>(lm##Name) = value; }
#define LM_GET(Name, Type) \
    ZEL_EXTERN_C Type ZEL_CALL LMGet##Name(void) { return LowMem<Type>(lm##Name); }
#define LM_SET(Name, Type) \
    ZEL_EXTERN_C void ZEL_CALL LMSet##Name(Type value) { LowMem<Type>(lm##Name) = value; }
#define LM_WIDE(Name, Type) LM_GET(Name, Type) LM_SET(Name, Type)

LM_NARROW(SFSaveDisk, int16_t)
LM_NARROW(SFVRefNum, int16_t)
LM_NARROW(KeyThresh, int16_t)
LM_NARROW(SysEvtMask, int16_t)
LM_NARROW(MBarHeight, int16_t)
LM_NARROW(TheMenu, int16_t)
LM_NARROW(MenuFlash, int16_t)
LM_NARROW(MemErr, OSErr)
LM_NARROW(PaintWhite, int16_t)
LM_NARROW(ResErr, OSErr)
LM_NARROW(TEScrpLength, int16_t)
LM_NARROW(TEScrpHasStyle, int16_t)
LM_NARROW(PrintErr, int16_t)
LM_NARROW(TopMenuItem, int16_t)
LM_NARROW(AtMenuBottom, int16_t)
LM_NARROW(ApFontID, int16_t)
LM_NARROW(SysFontFam, int16_t)
LM_NARROW(SysFontSize, int16_t)
LM_NARROW(UnitNtryCnt, int16_t)
LM_NARROW(ROMMapInsert, int16_t)
LM_NARROW(FSFCBLen, int16_t)
LM_NARROW(HWCfgFlags, int16_t)
LM_GET(SysMap, int16_t)
LM_GET(CurApRefNum, int16_t)

LM_NARROW(HiliteMode, uint8_t)
LM_NARROW(MBState, uint8_t)
LM_NARROW(ResLoad, uint8_t)
LM_NARROW(FractEnable, uint8_t)

LM_WIDE(MinusOne, int32_t)
LM_WIDE(CurDirStore, int32_t)
LM_WIDE(MainDevice, GDHandle)
LM_WIDE(DeviceList, GDHandle)
LM_WIDE(WMgrPort, GrafPtr)
LM_WIDE(TheGDevice, GDHandle)
LM_WIDE(Ticks, uint32_t)
LM_WIDE(CaretTime, uint32_t)
LM_WIDE(MTemp, Point)
LM_WIDE(RawMouse, Point)
LM_WIDE(Mouse, Point)
LM_WIDE(DoubleTime, uint32_t)
LM_WIDE(MenuList, Handle)
LM_WIDE(MenuDisable, int32_t)
LM_WIDE(ApplLimit, Ptr)
LM_WIDE(ApplZone, THz)
LM_WIDE(CurrentA5, Ptr)
LM_WIDE(CurStackBase, Ptr)
LM_WIDE(TheZone, THz)
LM_WIDE(GrayRgn, RgnHandle)
LM_WIDE(WindowList, WindowPtr)
LM_WIDE(CurActivate, WindowPtr)
LM_WIDE(CurDeactive, WindowPtr)
LM_WIDE(TEScrpHandle, Handle)
LM_WIDE(TEScrpStyleHandle, Handle)
LM_WIDE(WidthTabHandle, Handle)
LM_WIDE(EventQueue, uint32_t)
LM_WIDE(ResumeProc, ProcPtr)
LM_WIDE(Time, uint32_t)
LM_WIDE(GZMoveHnd, Handle)
LM_WIDE(GZRootHnd, Handle)
LM_WIDE(UTableBase, Ptr)
LM_GET(GhostWindow, WindowPtr)
LM_SET(LastSPExtra, uint32_t)

ZEL_EXTERN_C void ZEL_CALL LMSetHiliteRGB(const RGBColor *value)
{
    if (value)
        std::memcpy(LowMemCell(lmHiliteRGB), value, sizeof(RGBColor));
}

ZEL_EXTERN_C void ZEL_CALL LMGetScrapInfo(ScrapStuff *destination)
{
    if (destination)
        std::memcpy(destination, LowMemCell(lmScrapInfo), sizeof(ScrapStuff));
}

ZEL_EXTERN_C void ZEL_CALL LMSetScrapInfo(const ScrapStuff *source)
{
    if (source)
        std::memcpy(LowMemCell(lmScrapInfo), source, sizeof(ScrapStuff));
}

ZEL_EXTERN_C StringPtr ZEL_CALL LMGetCurApName(void) { return static_cast<StringPtr>(LowMemCell(lmCurApName)); }

// The name's storage is a Str31: a longer name keeps its first 31 characters.
ZEL_EXTERN_C void ZEL_CALL LMSetCurApName(ConstStr31Param value)
{
    auto *name = static_cast<unsigned char *>(LowMemCell(lmCurApName));
    unsigned length = value ? std::min<unsigned>(value[0], sizeof(Str31) - 1) : 0;
    if (length)
        std::memmove(name + 1, value + 1, length);
    name[0] = static_cast<unsigned char>(length);
}

// Low-memory globals: the host's pointer block, Setup_Globals, the exported qd and ScrapInfo records and
// the LMGet/LMSet accessors. ZEL_InitGlobals sets the cells once per process, so each suite below is one
// block layout run in its own process (ctest picks it with --gtest_filter).
#include <gtest/gtest.h>

#include <utility>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "LowMem.h"
#include "Resources.h"
#include "test_support.h"

namespace {

using testing_support::P;

constexpr int kEventQueueHeaderBytes = 10;

// ZEL_InitGlobals answers 1 only where the platform version word's low byte is below 3; the word is
// (minor << 4) | major of GetVersionExA, or GetVersion's low word when that fails.
int16_t ExpectedInitGlobalsResult()
{
    OSVERSIONINFOA ex{};
    ex.dwOSVersionInfoSize = sizeof ex;
    const unsigned word = GetVersionExA(&ex) ? (ex.dwMinorVersion << 4) | ex.dwMajorVersion : LOWORD(GetVersion());
    return (word & 0xFF) < 3 ? 1 : 0;
}

RGBColor SystemHiliteColor()
{
    COLORREF c = GetSysColor(COLOR_HIGHLIGHT);
    return RGBColor{static_cast<uint16_t>(GetRValue(c) << 8), static_cast<uint16_t>(GetGValue(c) << 8),
                    static_cast<uint16_t>(GetBValue(c) << 8)};
}

bool SameBytes(const void *a, const void *b, size_t n) { return std::memcmp(a, b, n) == 0; }

template <typename T> uint32_t ToBits(T value)
{
    static_assert(sizeof(T) == 4);
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

template <typename T> T FromBits(uint32_t bits)
{
    static_assert(sizeof(T) == 4);
    T value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// Every accessor pair, at its width.
struct GlobalAccess {
    const char *name;
    int bits;
    void (*set)(uint32_t);
    uint32_t (*get)();
};

#define ACCESS16(N) \
    {#N, 16, [](uint32_t v) { LMSet##N(static_cast<int16_t>(v)); }, []() -> uint32_t { return static_cast<uint16_t>(LMGet##N()); }}
#define ACCESS8(N) {#N, 8, [](uint32_t v) { LMSet##N(static_cast<uint8_t>(v)); }, []() -> uint32_t { return LMGet##N(); }}
#define ACCESS32(N, T) {#N, 32, [](uint32_t v) { LMSet##N(FromBits<T>(v)); }, []() -> uint32_t { return ToBits(LMGet##N()); }}

const GlobalAccess kAccessors[] = {
    ACCESS16(SFSaveDisk), ACCESS16(SFVRefNum), ACCESS16(KeyThresh), ACCESS16(SysEvtMask), ACCESS16(MBarHeight),
    ACCESS16(TheMenu), ACCESS16(MenuFlash), ACCESS16(MemErr), ACCESS16(PaintWhite), ACCESS16(ResErr),
    ACCESS16(TEScrpLength), ACCESS16(TEScrpHasStyle), ACCESS16(PrintErr), ACCESS16(TopMenuItem),
    ACCESS16(AtMenuBottom), ACCESS16(ApFontID), ACCESS16(SysFontFam), ACCESS16(SysFontSize),
    ACCESS16(UnitNtryCnt), ACCESS16(ROMMapInsert), ACCESS16(FSFCBLen), ACCESS16(HWCfgFlags),
    ACCESS8(HiliteMode), ACCESS8(MBState), ACCESS8(ResLoad), ACCESS8(FractEnable),
    ACCESS32(MinusOne, int32_t), ACCESS32(CurDirStore, int32_t), ACCESS32(MainDevice, GDHandle),
    ACCESS32(DeviceList, GDHandle), ACCESS32(WMgrPort, GrafPtr), ACCESS32(TheGDevice, GDHandle),
    ACCESS32(Ticks, uint32_t), ACCESS32(CaretTime, uint32_t), ACCESS32(MTemp, Point), ACCESS32(RawMouse, Point),
    ACCESS32(Mouse, Point), ACCESS32(DoubleTime, uint32_t), ACCESS32(MenuList, Handle),
    ACCESS32(MenuDisable, int32_t), ACCESS32(ApplLimit, Ptr), ACCESS32(ApplZone, THz), ACCESS32(CurrentA5, Ptr),
    ACCESS32(CurStackBase, Ptr), ACCESS32(TheZone, THz), ACCESS32(GrayRgn, RgnHandle),
    ACCESS32(WindowList, WindowPtr), ACCESS32(CurActivate, WindowPtr), ACCESS32(CurDeactive, WindowPtr),
    ACCESS32(TEScrpHandle, Handle), ACCESS32(TEScrpStyleHandle, Handle), ACCESS32(WidthTabHandle, Handle),
    ACCESS32(EventQueue, uint32_t), ACCESS32(ResumeProc, ProcPtr), ACCESS32(Time, uint32_t),
    ACCESS32(GZMoveHnd, Handle), ACCESS32(GZRootHnd, Handle), ACCESS32(UTableBase, Ptr),
};

// A value per global that no other global is given, using every byte of its width.
uint32_t DistinctValue(size_t index, int bits)
{
    uint32_t i = static_cast<uint32_t>(index + 1);
    if (bits == 8)
        return 0x80 | i;
    if (bits == 16)
        return 0xA100 | i;
    return 0xC3000000u | (i << 16) | (i << 8) | i;
}

// Gives every global a value of its own at its width, then writes the record-sized globals (and the
// whole qd record, where the QuickDraw globals the host leaves to the library live) with the widest
// values they take, and reads everything back: no global may share or overlap another's storage.
void ExpectEveryGlobalKeepsItsOwnValue()
{
    for (size_t i = 0; i < std::size(kAccessors); ++i)
        kAccessors[i].set(DistinctValue(i, kAccessors[i].bits));

    const RGBColor hilite = {0xFFFF, 0xEEEE, 0xDDDD};
    LMSetHiliteRGB(&hilite);
    ScrapStuff scrap;
    std::memset(&scrap, 0xEE, sizeof scrap);
    LMSetScrapInfo(&scrap);
    unsigned char longName[256];
    longName[0] = 255;
    std::memset(longName + 1, 'n', 255);
    LMSetCurApName(longName);
    LMSetLastSPExtra(0xFFFFFFFF);
    std::memset(&qd, 0xDD, sizeof qd);

    for (size_t i = 0; i < std::size(kAccessors); ++i)
        EXPECT_EQ(kAccessors[i].get(), DistinctValue(i, kAccessors[i].bits)) << "LMGet" << kAccessors[i].name;
    ScrapStuff back;
    LMGetScrapInfo(&back);
    EXPECT_TRUE(SameBytes(&back, &scrap, sizeof scrap));
    const unsigned char *name = LMGetCurApName();
    EXPECT_EQ(name[0], 31);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(name + 1), 31), std::string(31, 'n'));
    QDGlobals filled;
    std::memset(&filled, 0xDD, sizeof filled);
    EXPECT_TRUE(SameBytes(&qd, &filled, sizeof qd)) << "no accessor writes into qd";
}

void ExpectTicksNear(uint32_t ticks)
{
    uint32_t now = GetTickCount() >> 4;
    EXPECT_LE(ticks, now);
    EXPECT_LE(now - ticks, 200u) << "Ticks counts 16-millisecond ticks of GetTickCount";
}

int16_t CurrentDriveVRefNum()
{
    char directory[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof directory, directory);
    if (n < 2 || n >= sizeof directory || directory[1] != ':')
        return 0;
    return static_cast<int16_t>(-((directory[0] & ~0x20) - 'A' + 1));
}

// ---- Host storage for some globals, with guard bytes on either side ----

// Natural alignment puts `value` right after `before` (8 bytes) and `after` right after `value`.
template <typename T> struct Guarded {
    uint8_t before[8];
    T value;
    uint8_t after[8];

    void Fill(uint8_t valueByte)
    {
        std::memset(before, 0xA5, sizeof before);
        std::memset(&value, valueByte, sizeof value);
        std::memset(after, 0xA5, sizeof after);
    }
    bool GuardsIntact() const
    {
        for (uint8_t b : before)
            if (b != 0xA5)
                return false;
        for (uint8_t b : after)
            if (b != 0xA5)
                return false;
        return true;
    }
};

struct HostGlobals {
    Guarded<int16_t> sfSaveDisk, mBarHeight, memErr, printErr, resErr, theMenu;
    Guarded<uint8_t[kEventQueueHeaderBytes]> eventQueue;
    Guarded<Pattern> white;
    Guarded<Cursor> arrow;
    Guarded<ScrapStuff> scrap;
    Guarded<uint8_t> hiliteMode;
    Guarded<RGBColor> hiliteRGB;
    Guarded<uint32_t> ticks;
    Guarded<THz> theZone;
    Guarded<Point> mouse;
    Guarded<GrafPtr> thePort;
};

// ---- A block whose slots point at host storage for some globals and are 0 for the others ----

class HostSlots : public testing::Test {
protected:
    static HostGlobals host;
    static LowMemPointerBlock block;
    static int16_t result;
    static uint32_t ticksBefore, ticksAfter;

    static void SetUpTestSuite()
    {
        testing_support::StartTestSession();
        host.sfSaveDisk.Fill(0x5A);
        host.mBarHeight.Fill(0x5A);
        host.memErr.Fill(0x5A);
        host.printErr.Fill(0x5A);
        host.resErr.Fill(0x5A);
        host.theMenu.Fill(0x5A);
        host.eventQueue.Fill(0x5A);
        host.white.Fill(0x11);
        host.arrow.Fill(0x22);
        host.scrap.Fill(0x5A);
        host.hiliteMode.Fill(0);
        host.hiliteRGB.Fill(0x5A);
        host.ticks.Fill(0x5A);
        host.theZone.Fill(0x5A);
        host.mouse.Fill(0);
        host.mouse.value = Point{5, 6};
        host.thePort.Fill(0);
        host.thePort.value = reinterpret_cast<GrafPtr>(0x1234);

        block = LowMemPointerBlock{};
        block.size = sizeof block;
        block.SFSaveDisk = &host.sfSaveDisk.value;
        block.MBarHeight = &host.mBarHeight.value;
        block.MemErr = &host.memErr.value;
        block.PrintErr = &host.printErr.value;
        block.ResErr = &host.resErr.value;
        block.TheMenu = &host.theMenu.value;
        block.EventQueue = host.eventQueue.value;
        block.white = &host.white.value;
        block.arrow = &host.arrow.value;
        block.ScrapInfo = &host.scrap.value;
        block.HiliteMode = &host.hiliteMode.value;
        block.HiliteRGB = &host.hiliteRGB.value;
        block.Ticks = &host.ticks.value;
        block.TheZone = &host.theZone.value;
        block.Mouse = &host.mouse.value;
        block.thePort = &host.thePort.value;
        ticksBefore = GetTickCount() >> 4;
        result = ZEL_InitGlobals(&block);
        ticksAfter = GetTickCount() >> 4;
    }
    static void TearDownTestSuite() { ZEL_ExitSession(); }

    // Nothing is written around a host variable.
    static void ExpectGuardsIntact()
    {
        const std::pair<const char *, bool> guards[] = {
            {"sfSaveDisk", host.sfSaveDisk.GuardsIntact()},
            {"mBarHeight", host.mBarHeight.GuardsIntact()},
            {"memErr", host.memErr.GuardsIntact()},
            {"printErr", host.printErr.GuardsIntact()},
            {"resErr", host.resErr.GuardsIntact()},
            {"theMenu", host.theMenu.GuardsIntact()},
            {"eventQueue", host.eventQueue.GuardsIntact()},
            {"white", host.white.GuardsIntact()},
            {"arrow", host.arrow.GuardsIntact()},
            {"scrap", host.scrap.GuardsIntact()},
            {"hiliteMode", host.hiliteMode.GuardsIntact()},
            {"hiliteRGB", host.hiliteRGB.GuardsIntact()},
            {"ticks", host.ticks.GuardsIntact()},
            {"theZone", host.theZone.GuardsIntact()},
            {"mouse", host.mouse.GuardsIntact()},
            {"thePort", host.thePort.GuardsIntact()},
        };
        for (const auto &[name, intact] : guards)
            EXPECT_TRUE(intact) << name;
    }
};
HostGlobals HostSlots::host;
LowMemPointerBlock HostSlots::block;
int16_t HostSlots::result;
uint32_t HostSlots::ticksBefore;
uint32_t HostSlots::ticksAfter;

TEST_F(HostSlots, ResultFollowsThePlatformVersionWord)
{
    EXPECT_EQ(result, ExpectedInitGlobalsResult());
}

TEST_F(HostSlots, StartValuesGoIntoTheHostsVariables)
{
    EXPECT_EQ(host.mBarHeight.value, GetSystemMetrics(SM_CYMENU) + 2);
    EXPECT_EQ(host.memErr.value, noErr);
    EXPECT_EQ(host.printErr.value, 0) << "the printing globals start with the PrintErr cell";
    EXPECT_EQ(host.resErr.value, noErr);
    EXPECT_EQ(host.theMenu.value, 0);
    EXPECT_EQ(host.hiliteMode.value, 0x80);
    RGBColor hilite = SystemHiliteColor();
    EXPECT_TRUE(SameBytes(&host.hiliteRGB.value, &hilite, sizeof hilite));
    EXPECT_GE(host.ticks.value, ticksBefore);
    EXPECT_LE(host.ticks.value, ticksAfter);
    EXPECT_EQ(host.theZone.value, GetZone());

    // The scrap record the host supplied is the one set up.
    EXPECT_EQ(host.scrap.value.scrapSize, 0);
    EXPECT_EQ(host.scrap.value.scrapHandle, nullptr);
    EXPECT_EQ(host.scrap.value.scrapCount, 1);
    EXPECT_EQ(host.scrap.value.scrapState, 0);
    ASSERT_NE(host.scrap.value.scrapName, nullptr);
    EXPECT_EQ(std::basic_string<unsigned char>(host.scrap.value.scrapName, 10), P("scrapfile"));

    // The event queue starts with an empty header in the host's ten bytes.
    for (uint8_t b : host.eventQueue.value)
        EXPECT_EQ(b, 0);

    // Standard File's globals start at the current directory's volume.
    if (int16_t vRefNum = CurrentDriveVRefNum()) {
        EXPECT_EQ(host.sfSaveDisk.value, -vRefNum);
        EXPECT_EQ(LMGetSFVRefNum(), vRefNum);
    }

    // Globals without a start value keep what the host put there.
    EXPECT_EQ(host.mouse.value.v, 5);
    EXPECT_EQ(host.mouse.value.h, 6);
    EXPECT_EQ(host.thePort.value, reinterpret_cast<GrafPtr>(0x1234));
    for (uint8_t b : host.white.value.pat)
        EXPECT_EQ(b, 0x11);
    ExpectGuardsIntact();
}

TEST_F(HostSlots, UnsuppliedGlobalsGetTheirStartValues)
{
    EXPECT_EQ(LMGetGrayRgn(), nullptr);
    EXPECT_EQ(LMGetCurActivate(), nullptr);
    EXPECT_EQ(LMGetCurDeactive(), nullptr);
    EXPECT_EQ(LMGetDoubleTime(), GetDoubleClickTime() >> 4);
    EXPECT_EQ(LMGetCaretTime(), GetCaretBlinkTime() >> 4);
    EXPECT_EQ(LMGetSysEvtMask(), static_cast<int16_t>(0xFFEF)) << "every kind but keyUp";
    EXPECT_EQ(LMGetMinusOne(), -1);
}

TEST_F(HostSlots, AccessorsReachTheHostsVariables)
{
    EXPECT_EQ(LMSetSFSaveDisk(7), 7);
    EXPECT_EQ(host.sfSaveDisk.value, 7);
    host.sfSaveDisk.value = -9;
    EXPECT_EQ(LMGetSFSaveDisk(), -9);

    EXPECT_EQ(LMSetHiliteMode(0x42), 0x42);
    EXPECT_EQ(host.hiliteMode.value, 0x42);

    LMSetTicks(0x12345678);
    EXPECT_EQ(host.ticks.value, 0x12345678u);

    LMSetMouse(Point{-3, 4});
    EXPECT_EQ(host.mouse.value.v, -3);
    EXPECT_EQ(host.mouse.value.h, 4);
    host.mouse.value = Point{8, -8};
    EXPECT_EQ(LMGetMouse().v, 8);
    EXPECT_EQ(LMGetMouse().h, -8);

    const RGBColor color = {0x1111, 0x2222, 0x3333};
    LMSetHiliteRGB(&color);
    EXPECT_TRUE(SameBytes(&host.hiliteRGB.value, &color, sizeof color));

    ScrapStuff scrap{1000, reinterpret_cast<Handle>(0x4444), 7, 2, nullptr};
    LMSetScrapInfo(&scrap);
    EXPECT_TRUE(SameBytes(&host.scrap.value, &scrap, sizeof scrap));
    host.scrap.value.scrapCount = 8;
    ScrapStuff back{};
    LMGetScrapInfo(&back);
    EXPECT_EQ(back.scrapCount, 8);
    EXPECT_EQ(back.scrapSize, 1000);

    LMSetEventQueue(0xCAFEF00D);
    uint32_t firstWord;
    std::memcpy(&firstWord, host.eventQueue.value, 4);
    EXPECT_EQ(firstWord, 0xCAFEF00Du);
    ExpectGuardsIntact();
}

TEST_F(HostSlots, MemErrAndResErrAreTheHostsVariables)
{
    EXPECT_EQ(NewHandle(-1), nullptr);
    EXPECT_EQ(host.memErr.value, memFullErr);
    EXPECT_EQ(LMGetMemErr(), memFullErr);
    EXPECT_EQ(MemError(), memFullErr);
    Handle h = NewHandle(16);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(host.memErr.value, noErr);
    DisposeHandle(h);
    EXPECT_EQ(LMSetMemErr(memAdrErr), memAdrErr);
    EXPECT_EQ(MemError(), memAdrErr);
    host.memErr.value = memWZErr;
    EXPECT_EQ(MemError(), memWZErr);
    EXPECT_EQ(LMGetMemErr(), memWZErr);

    ReleaseResource(nullptr);
    EXPECT_EQ(host.resErr.value, resAttrErr);
    EXPECT_EQ(LMGetResErr(), resAttrErr);
    LMSetResErr(resNotFound);
    EXPECT_EQ(ResError(), resNotFound);
}

TEST_F(HostSlots, CurApNameKeepsAtMost31Characters)
{
    struct Case {
        const char *given;
        const char *kept;
        const char *what;
    } cases[] = {
        {"", "", "empty"},
        {"Tolvadex host", "Tolvadex host", "short"},
        {"0123456789012345678901234567890", "0123456789012345678901234567890", "31 characters"},
        {"01234567890123456789012345678901234567", "0123456789012345678901234567890", "38 characters"},
    };
    StringPtr name = LMGetCurApName();
    ASSERT_NE(name, nullptr);
    for (const Case &c : cases) {
        LMSetCurApName(P(c.given).c_str());
        EXPECT_EQ(LMGetCurApName(), name) << "one buffer for the whole run";
        EXPECT_EQ(std::basic_string<unsigned char>(name, name[0] + 1), P(c.kept)) << c.what;
    }
    LMSetCurApName(nullptr);
    EXPECT_EQ(name[0], 0);
}

TEST_F(HostSlots, EveryGlobalKeepsItsOwnValue)
{
    ExpectEveryGlobalKeepsItsOwnValue();
    ExpectGuardsIntact();
}

// ---- The block made by Setup_Globals ----

struct BeforeInitGlobals {
    int32_t minusOne;
    uint8_t hiliteMode;
    THz theZone;
    OSErr lmMemErrAfterFailure;
    OSErr memErrorAfterFailure;
    OSErr memErrorAfterSet;
    uint32_t time;
    int16_t romMapInsert;
};

class SetupGlobalsBlock : public testing::Test {
protected:
    static BeforeInitGlobals before;
    static LowMemPointerBlock block;
    static LowMemPointerBlock *returned;
    static int16_t result;

    static void SetUpTestSuite()
    {
        testing_support::StartTestSession();
        // Cells are usable before ZEL_InitGlobals: MemErr is the Memory Manager's own.
        before.minusOne = LMGetMinusOne();
        before.hiliteMode = LMGetHiliteMode();
        before.theZone = LMGetTheZone();
        NewHandle(-1);
        before.lmMemErrAfterFailure = LMGetMemErr();
        before.memErrorAfterFailure = MemError();
        LMSetMemErr(noErr);
        before.memErrorAfterSet = MemError();
        LMSetTime(0x01020304);
        before.time = LMGetTime();
        LMSetROMMapInsert(-1);
        before.romMapInsert = LMGetROMMapInsert();

        std::memset(&block, 0xCC, sizeof block);
        returned = Setup_Globals(&block);
        result = ZEL_InitGlobals(&block);
    }
    static void TearDownTestSuite() { ZEL_ExitSession(); }
};
BeforeInitGlobals SetupGlobalsBlock::before;
LowMemPointerBlock SetupGlobalsBlock::block;
LowMemPointerBlock *SetupGlobalsBlock::returned;
int16_t SetupGlobalsBlock::result;

TEST_F(SetupGlobalsBlock, CellsAreValidBeforeInitGlobals)
{
    EXPECT_EQ(before.minusOne, -1);
    EXPECT_EQ(before.hiliteMode, 0x80);
    EXPECT_EQ(before.theZone, GetZone());
    EXPECT_EQ(before.lmMemErrAfterFailure, memFullErr);
    EXPECT_EQ(before.memErrorAfterFailure, memFullErr);
    EXPECT_EQ(before.memErrorAfterSet, noErr);
    EXPECT_EQ(before.time, 0x01020304u);
    EXPECT_EQ(before.romMapInsert, -1);
}

TEST_F(SetupGlobalsBlock, PointsTheQuickDrawSlotsAtTheExportedQd)
{
    EXPECT_EQ(returned, &block);
    EXPECT_EQ(block.size, 240);
    EXPECT_EQ(block.version, 256);
    EXPECT_EQ(result, ExpectedInitGlobalsResult());

    // The records the host imports are the DLL's exported data.
    HMODULE dll = GetModuleHandleA("TOLVADEX.dll");
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(dll, "qd")), static_cast<void *>(&qd));
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(dll, "ScrapInfo")), static_cast<void *>(&ScrapInfo));

    // qd's published layout: 76 private bytes, then randSeed .. thePort.
    const auto *base = reinterpret_cast<const uint8_t *>(&qd);
    struct Field {
        const void *slot;
        ptrdiff_t offset;
        const char *what;
    } fields[] = {
        {block.randSeed, 76, "randSeed"}, {block.screenBits, 80, "screenBits"}, {block.arrow, 94, "arrow"},
        {block.dkGray, 162, "dkGray"},    {block.ltGray, 170, "ltGray"},         {block.gray, 178, "gray"},
        {block.black, 186, "black"},      {block.white, 194, "white"},           {block.thePort, 202, "thePort"},
    };
    for (const Field &f : fields)
        EXPECT_EQ(static_cast<const uint8_t *>(f.slot) - base, f.offset) << f.what;
    EXPECT_EQ(sizeof(QDGlobals), 206u);
    EXPECT_EQ(block.ScrapInfo, &ScrapInfo);

    // The last three globals are left to the library's own cells.
    EXPECT_EQ(block.AppParmHandle, nullptr);
    EXPECT_EQ(block.AtMenuBottom, nullptr);
    EXPECT_EQ(block.TopMenuItem, nullptr);
}

TEST_F(SetupGlobalsBlock, EverySlotHasStorageOfItsGlobalsWidth)
{
    struct Slot {
        const char *name;
        uintptr_t address;
        size_t width;
    };
#define SLOT(field) Slot{#field, reinterpret_cast<uintptr_t>(block.field), sizeof *block.field}
    std::vector<Slot> slots = {
        SLOT(SFSaveDisk), SLOT(CurDirStore), SLOT(SFVRefNum), SLOT(MainDevice), SLOT(DeviceList), SLOT(WMgrPort),
        Slot{"EventQueue", reinterpret_cast<uintptr_t>(block.EventQueue), kEventQueueHeaderBytes},
        SLOT(MBarHeight), SLOT(MemErr), SLOT(GrayRgn), SLOT(WindowList), SLOT(thePort), SLOT(white), SLOT(black),
        SLOT(gray), SLOT(ltGray), SLOT(dkGray), SLOT(arrow), SLOT(screenBits), SLOT(randSeed), SLOT(ScrapInfo),
        SLOT(PrintErr), SLOT(Ticks), SLOT(ApplLimit), SLOT(ApplZone), SLOT(CurrentA5), SLOT(CurStackBase),
        SLOT(CaretTime), SLOT(CurActivate), SLOT(HiliteMode), SLOT(TheGDevice), SLOT(ResErr), SLOT(reservedByte),
        SLOT(HiliteRGB), SLOT(MBState), SLOT(MTemp), SLOT(Mouse), SLOT(RawMouse), SLOT(FractEnable),
        SLOT(WidthTabHandle), SLOT(TheMenu), SLOT(ResumeProc), SLOT(SysEvtMask), SLOT(DoubleTime), SLOT(TheZone),
        SLOT(MenuList), SLOT(MenuFlash), SLOT(TEScrpLength), SLOT(TEScrpHandle), SLOT(ResLoad), SLOT(PaintWhite),
        SLOT(MenuDisable), SLOT(CurDeactive), SLOT(KeyThresh), SLOT(TEScrpHasStyle), SLOT(TEScrpStyleHandle),
    };
#undef SLOT
    ASSERT_EQ(slots.size(), 56u) << "offsets 4..224";
    for (const Slot &s : slots)
        EXPECT_NE(s.address, 0u) << s.name;
    std::sort(slots.begin(), slots.end(), [](const Slot &a, const Slot &b) { return a.address < b.address; });
    for (size_t i = 1; i < slots.size(); ++i)
        EXPECT_GE(slots[i].address, slots[i - 1].address + slots[i - 1].width)
            << slots[i - 1].name << " (" << slots[i - 1].width << " bytes) runs into " << slots[i].name;
}

TEST_F(SetupGlobalsBlock, GlobalsLiveInTheBlocksStorage)
{
    // Start values landed in the library's storage the block points at.
    EXPECT_EQ(*block.HiliteMode, 0x80);
    EXPECT_EQ(*block.MBarHeight, GetSystemMetrics(SM_CYMENU) + 2);
    EXPECT_EQ(*block.TheZone, GetZone());
    EXPECT_EQ(LMGetTheMenu(), 0);
    ExpectTicksNear(LMGetTicks());
    EXPECT_EQ(*block.Ticks, LMGetTicks());

    EXPECT_EQ(LMSetMBarHeight(21), 21);
    EXPECT_EQ(*block.MBarHeight, 21);
    *block.CaretTime = 99;
    EXPECT_EQ(LMGetCaretTime(), 99u);

    EXPECT_EQ(NewHandle(-1), nullptr);
    EXPECT_EQ(*block.MemErr, memFullErr);
    EXPECT_EQ(MemError(), memFullErr);

    // The exported scrap record holds the scrap globals.
    EXPECT_EQ(ScrapInfo.scrapCount, 1);
    EXPECT_EQ(ScrapInfo.scrapSize, 0);
    ASSERT_NE(ScrapInfo.scrapName, nullptr);
    EXPECT_EQ(std::basic_string<unsigned char>(ScrapInfo.scrapName, 10), P("scrapfile"));
    ScrapInfo.scrapCount = 5;
    ScrapStuff copy{};
    LMGetScrapInfo(&copy);
    EXPECT_EQ(copy.scrapCount, 5);

    // The globals the block left to the library have cells of their own.
    LMSetTopMenuItem(3);
    LMSetAtMenuBottom(4);
    EXPECT_EQ(LMGetTopMenuItem(), 3);
    EXPECT_EQ(LMGetAtMenuBottom(), 4);
}

TEST_F(SetupGlobalsBlock, EveryGlobalKeepsItsOwnValue) { ExpectEveryGlobalKeepsItsOwnValue(); }

// ---- Blocks whose size field leaves slots out: every slot points at host storage ----

constexpr int kSlots = 59;
uint8_t sHostArea[kSlots][80];

LowMemPointerBlock BlockOverHostArea(int16_t size)
{
    std::memset(sHostArea, 0x5A, sizeof sHostArea);
    LowMemPointerBlock block{};
    auto *slots = reinterpret_cast<uint8_t *>(&block) + 4;
    for (int i = 0; i < kSlots; ++i) {
        uint32_t address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(sHostArea[i]));
        std::memcpy(slots + 4 * i, &address, 4);
    }
    block.size = size;
    return block;
}

bool HostAreaUntouched(int slot)
{
    for (uint8_t b : sHostArea[slot])
        if (b != 0x5A)
            return false;
    return true;
}

int16_t HostI16(int slot)
{
    int16_t v;
    std::memcpy(&v, sHostArea[slot], 2);
    return v;
}

class NegativeSize : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testing_support::StartTestSession();
        LowMemPointerBlock block = BlockOverHostArea(-2);
        ZEL_InitGlobals(&block);
    }
    static void TearDownTestSuite() { ZEL_ExitSession(); }
};

TEST_F(NegativeSize, TakesNothingAndEveryGlobalGetsItsStartValue)
{
    for (int i = 0; i < kSlots; ++i)
        EXPECT_TRUE(HostAreaUntouched(i)) << "slot " << i;
    // With no host storage at all, each global still has storage of its own: the start values written
    // later (ResErr, TheMenu, ...) leave the earlier ones alone.
    EXPECT_EQ(LMGetHiliteMode(), 0x80);
    EXPECT_EQ(LMGetTheMenu(), 0);
    EXPECT_EQ(LMGetMBarHeight(), GetSystemMetrics(SM_CYMENU) + 2);
    EXPECT_EQ(LMGetSysEvtMask(), static_cast<int16_t>(0xFFEF));
    EXPECT_EQ(LMGetTheZone(), GetZone());
    EXPECT_EQ(LMGetDoubleTime(), GetDoubleClickTime() >> 4);
    ExpectTicksNear(LMGetTicks());
    EXPECT_EQ(ScrapInfo.scrapCount, 1) << "the exported scrap record holds ScrapInfo";
    EXPECT_EQ(NewHandle(-1), nullptr);
    EXPECT_EQ(LMGetMemErr(), memFullErr);
}

TEST_F(NegativeSize, EveryGlobalKeepsItsOwnValue)
{
    ExpectEveryGlobalKeepsItsOwnValue();
    for (int i = 0; i < kSlots; ++i)
        EXPECT_TRUE(HostAreaUntouched(i)) << "slot " << i;
}

class ShortBlock : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testing_support::StartTestSession();
        // 40 bytes: the size words and the slots of SFSaveDisk .. MemErr.
        LowMemPointerBlock block = BlockOverHostArea(40);
        ZEL_InitGlobals(&block);
    }
    static void TearDownTestSuite() { ZEL_ExitSession(); }
};

TEST_F(ShortBlock, OnlyTheSlotsWithinItsSizeAreTaken)
{
    constexpr int kEventQueue = 6, kMBarHeight = 7, kMemErr = 8, kFirstLeftOut = 9;
    EXPECT_EQ(HostI16(kMBarHeight), GetSystemMetrics(SM_CYMENU) + 2);
    EXPECT_EQ(HostI16(kMemErr), noErr);
    for (int i = 0; i < kEventQueueHeaderBytes; ++i)
        EXPECT_EQ(sHostArea[kEventQueue][i], 0) << "event queue header byte " << i;
    EXPECT_EQ(sHostArea[kEventQueue][kEventQueueHeaderBytes], 0x5A) << "the header is ten bytes";
    for (int i = kFirstLeftOut; i < kSlots; ++i)
        EXPECT_TRUE(HostAreaUntouched(i)) << "slot " << i;

    EXPECT_EQ(NewHandle(-1), nullptr);
    EXPECT_EQ(HostI16(kMemErr), memFullErr);
    LMSetGrayRgn(reinterpret_cast<RgnHandle>(0x1234));
    EXPECT_EQ(LMGetGrayRgn(), reinterpret_cast<RgnHandle>(0x1234));
    EXPECT_EQ(LMGetHiliteMode(), 0x80);
    EXPECT_TRUE(HostAreaUntouched(kFirstLeftOut));
}

} // namespace

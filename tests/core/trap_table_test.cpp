// The trap table in a session whose host callbacks are used as given (flag 0x200): patches are stored
// and called as installed.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <type_traits>
#include <vector>

#include "Dialogs.h"
#include "Events.h"
#include "MacWindows.h"
#include "Menus.h"
#include "OSUtils.h"
#include "Quickdraw.h"
#include "test_support.h"

namespace {

template <typename F> UniversalProcPtr Addr(F *f) { return reinterpret_cast<UniversalProcPtr>(f); }

template <typename T> uint32_t U(T v)
{
    if constexpr (std::is_pointer_v<T>)
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(v));
    else
        return static_cast<uint32_t>(v);
}

// What the patches saw: the trap they stand for and their arguments.
struct Call {
    uint16_t trap;
    std::vector<uint32_t> args;
};
std::vector<Call> sCalls;
void Record(uint16_t trap, std::vector<uint32_t> args) { sCalls.push_back({trap, std::move(args)}); }
std::vector<Call> TakeCalls()
{
    std::vector<Call> out;
    out.swap(sCalls);
    return out;
}

const MenuHandle kMenu = reinterpret_cast<MenuHandle>(0x00123450);
const WindowPtr kWindow = reinterpret_cast<WindowPtr>(0x00222220);
const WindowPtr kBehind = reinterpret_cast<WindowPtr>(-1);
const RgnHandle kRgn = reinterpret_cast<RgnHandle>(0x00333330);
const ModalFilterProcPtr kFilter = reinterpret_cast<ModalFilterProcPtr>(0x00444440);
void *const kStorage = reinterpret_cast<void *>(0x00555550);
const WindowPtr kNewWindow = reinterpret_cast<WindowPtr>(0x00666660);
EventRecord sEvent;
Point sPoint;
Rect sRect = {1, 2, 3, 4};
Cursor sCursor;
int16_t sItem;
const unsigned char kTitle[] = "\x05Title";

int32_t ZEL_CALL PPopUp(MenuHandle m, int16_t t, int16_t l, int16_t i)
{
    Record(_PopUpMenuSelect, {U(m), U(t), U(l), U(i)});
    return 0x00050007;
}
Boolean ZEL_CALL PGetNextEvent(EventMask m, EventRecord *e)
{
    Record(_GetNextEvent, {m, U(e)});
    return true;
}
Boolean ZEL_CALL PWaitNextEvent(EventMask m, EventRecord *e, uint32_t s, RgnHandle r)
{
    Record(_WaitNextEvent, {m, U(e), s, U(r)});
    return true;
}
Boolean ZEL_CALL PEventAvail(EventMask m, EventRecord *e)
{
    Record(_EventAvail, {m, U(e)});
    return true;
}
Boolean ZEL_CALL PButton()
{
    Record(_Button, {});
    return true;
}
void ZEL_CALL PGetMouse(Point *p) { Record(_GetMouse, {U(p)}); }
void ZEL_CALL PSystemTask() { Record(_SystemTask, {}); }
void ZEL_CALL PSetOrigin(int16_t h, int16_t v) { Record(_SetOrigin, {U(h), U(v)}); }
void ZEL_CALL PBeginUpdate(WindowPtr w) { Record(_BeginUpdate, {U(w)}); }
void ZEL_CALL PEndUpdate(WindowPtr w) { Record(_EndUpdate, {U(w)}); }
void ZEL_CALL PInvalRect(const Rect *r) { Record(_InvalRect, {U(r)}); }
void ZEL_CALL PInvalRgn(RgnHandle r) { Record(_InvalRgn, {U(r)}); }
Boolean ZEL_CALL PStillDown()
{
    Record(_StillDown, {});
    return true;
}
WindowPtr ZEL_CALL PNewWindow(void *s, const Rect *b, ConstStr255Param t, Boolean v, int16_t p, WindowPtr w,
                              Boolean g, int32_t r)
{
    Record(_NewWindow, {U(s), U(b), U(t), v, U(p), U(w), g, U(r)});
    return kNewWindow;
}
WindowPtr ZEL_CALL PNewCWindow(void *s, const Rect *b, ConstStr255Param t, Boolean v, int16_t p, WindowPtr w,
                               Boolean g, int32_t r)
{
    Record(_NewCWindow, {U(s), U(b), U(t), v, U(p), U(w), g, U(r)});
    return kNewWindow;
}
void ZEL_CALL PShowWindow(WindowPtr w) { Record(_ShowWindow, {U(w)}); }
void ZEL_CALL PHideWindow(WindowPtr w) { Record(_HideWindow, {U(w)}); }
void ZEL_CALL PSelectWindow(WindowPtr w) { Record(_SelectWindow, {U(w)}); }
void ZEL_CALL PCloseWindow(WindowPtr w) { Record(_CloseWindow, {U(w)}); }
WindowPtr ZEL_CALL PFrontWindow()
{
    Record(_FrontWindow, {});
    return kWindow;
}
void ZEL_CALL PModalDialog(ModalFilterProcPtr f, int16_t *i) { Record(_ModalDialog, {U(f), U(i)}); }
Boolean ZEL_CALL PWaitMouseUp()
{
    Record(_WaitMouseUp, {});
    return true;
}
void ZEL_CALL PDrawMenuBar() { Record(_DrawMenuBar, {}); }
void ZEL_CALL PHiliteMenu(int16_t id) { Record(_HiliteMenu, {U(id)}); }
void ZEL_CALL PSetCursor(const Cursor *c) { Record(_SetCursor, {U(c)}); }
void ZEL_CALL PInitCursor() { Record(_InitCursor, {}); }
void ZEL_CALL PEraseRect(const Rect *r) { Record(_EraseRect, {U(r)}); }

// One row per patchable routine: its trap, a patch, a call of the exported routine, the arguments the
// patch must see and the result the call must return. The library's own bodies of the window routines
// follow their pointers, which stand for nothing here: once the slot is restored those routines are
// called with nil records instead.
struct PatchRow {
    uint16_t trap;
    UniversalProcPtr patch;
    std::function<uint32_t()> call;
    std::vector<uint32_t> args;
    uint32_t result;
    std::function<void()> callWithNil = nullptr;
};

std::vector<PatchRow> PatchRows()
{
    const uint32_t ev = U(&sEvent), rect = U(&sRect);
    const std::vector<uint32_t> windowArgs = {U(kStorage), rect, U(kTitle), 1, 4, U(kBehind), 0, 0x12345678};
    return {
        {_PopUpMenuSelect, Addr(PPopUp), [] { return U(PopUpMenuSelect(kMenu, 10, -20, 3)); },
         {U(kMenu), 10, U(int16_t(-20)), 3}, 0x00050007, [] { PopUpMenuSelect(nullptr, 10, -20, 3); }},
        {_GetNextEvent, Addr(PGetNextEvent), [] { return U(GetNextEvent(0x00FF, &sEvent)); }, {0x00FF, ev}, 1},
        {_WaitNextEvent, Addr(PWaitNextEvent), [] { return U(WaitNextEvent(0x0102, &sEvent, 77, kRgn)); },
         {0x0102, ev, 77, U(kRgn)}, 1},
        {_EventAvail, Addr(PEventAvail), [] { return U(EventAvail(0x0008, &sEvent)); }, {0x0008, ev}, 1},
        {_Button, Addr(PButton), [] { return U(Button()); }, {}, 1},
        {_GetMouse, Addr(PGetMouse), [] { GetMouse(&sPoint); return 0u; }, {U(&sPoint)}, 0},
        {_SystemTask, Addr(PSystemTask), [] { SystemTask(); return 0u; }, {}, 0},
        {_SetOrigin, Addr(PSetOrigin), [] { SetOrigin(-5, 300); return 0u; }, {U(int16_t(-5)), 300}, 0},
        {_BeginUpdate, Addr(PBeginUpdate), [] { BeginUpdate(kWindow); return 0u; }, {U(kWindow)}, 0,
         [] { BeginUpdate(nullptr); }},
        {_EndUpdate, Addr(PEndUpdate), [] { EndUpdate(kWindow); return 0u; }, {U(kWindow)}, 0,
         [] { EndUpdate(nullptr); }},
        {_InvalRect, Addr(PInvalRect), [] { InvalRect(&sRect); return 0u; }, {rect}, 0},
        {_InvalRgn, Addr(PInvalRgn), [] { InvalRgn(kRgn); return 0u; }, {U(kRgn)}, 0, [] { InvalRgn(nullptr); }},
        {_StillDown, Addr(PStillDown), [] { return U(StillDown()); }, {}, 1},
        {_NewWindow, Addr(PNewWindow),
         [] { return U(NewWindow(kStorage, &sRect, kTitle, true, 4, kBehind, false, 0x12345678)); }, windowArgs,
         U(kNewWindow), [] { NewWindow(nullptr, nullptr, nullptr, true, 4, kBehind, false, 0); }},
        {_NewCWindow, Addr(PNewCWindow),
         [] { return U(NewCWindow(kStorage, &sRect, kTitle, true, 4, kBehind, false, 0x12345678)); }, windowArgs,
         U(kNewWindow), [] { NewCWindow(nullptr, nullptr, nullptr, true, 4, kBehind, false, 0); }},
        {_ShowWindow, Addr(PShowWindow), [] { ShowWindo(kWindow); return 0u; }, {U(kWindow)}, 0,
         [] { ShowWindo(nullptr); }},
        {_HideWindow, Addr(PHideWindow), [] { HideWindow(kWindow); return 0u; }, {U(kWindow)}, 0,
         [] { HideWindow(nullptr); }},
        {_SelectWindow, Addr(PSelectWindow), [] { SelectWindow(kWindow); return 0u; }, {U(kWindow)}, 0,
         [] { SelectWindow(nullptr); }},
        {_CloseWindow, Addr(PCloseWindow), [] { CloseWindo(kWindow); return 0u; }, {U(kWindow)}, 0,
         [] { CloseWindo(nullptr); }},
        {_FrontWindow, Addr(PFrontWindow), [] { return U(FrontWindow()); }, {}, U(kWindow)},
        {_ModalDialog, Addr(PModalDialog), [] { ModalDialog(kFilter, &sItem); return 0u; },
         {U(kFilter), U(&sItem)}, 0},
        {_WaitMouseUp, Addr(PWaitMouseUp), [] { return U(WaitMouseUp()); }, {}, 1},
        {_DrawMenuBar, Addr(PDrawMenuBar), [] { DrawMenuBa(); return 0u; }, {}, 0},
        {_HiliteMenu, Addr(PHiliteMenu), [] { HiliteMenu(128); return 0u; }, {128}, 0},
        {_SetCursor, Addr(PSetCursor), [] { SetCurso(&sCursor); return 0u; }, {U(&sCursor)}, 0},
        {_InitCursor, Addr(PInitCursor), [] { InitCursor(); return 0u; }, {}, 0},
        {_EraseRect, Addr(PEraseRect), [] { EraseRect(&sRect); return 0u; }, {rect}, 0},
    };
}

} // namespace

TEST(TrapTable, SlotsStartWithTheLibrarysOwnRoutines)
{
    std::vector<PatchRow> rows = PatchRows();
    ASSERT_EQ(rows.size(), 27u);
    std::set<UniversalProcPtr> seen;
    for (const PatchRow &row : rows) {
        UniversalProcPtr p = NGetTrapAddress(row.trap, ToolTrap);
        EXPECT_NE(p, 0u) << std::hex << row.trap;
        EXPECT_NE(p, 0xFFFFFFFFu) << std::hex << row.trap;
        EXPECT_TRUE(seen.insert(p).second) << std::hex << row.trap << " shares its routine with another slot";
        EXPECT_EQ(GetTrapAddress(row.trap), p);
        EXPECT_EQ(GetToolboxTrapAddress(row.trap), p);
        EXPECT_EQ(NGetTrapAddress(row.trap, OSTrap), p) << "the trap kind is ignored";
    }
    // These three hold their own export; the others hold bodies that are not exported.
    EXPECT_EQ(NGetTrapAddress(_PopUpMenuSelect, ToolTrap), Addr(PopUpMenuSelect));
    EXPECT_EQ(NGetTrapAddress(_Button, ToolTrap), Addr(Button));
    EXPECT_EQ(NGetTrapAddress(_GetMouse, ToolTrap), Addr(GetMouse));
    EXPECT_NE(NGetTrapAddress(_GetNextEvent, ToolTrap), Addr(GetNextEvent));
}

TEST(TrapTable, WordsOutsideTheTable)
{
    struct {
        uint16_t trap;
        UniversalProcPtr answer;
    } cases[] = {
        {0xAB03, 0xAB03}, {0x0060, 0x0060}, {0xA1AD, 0xA1AD}, {0x008F, 0x008F}, // answer themselves
        {0x1234, 0xFFFFFFFF}, {0xA89F, 0xFFFFFFFF}, {0x0000, 0xFFFFFFFF},     // unknown
    };
    for (const auto &c : cases) {
        EXPECT_EQ(NGetTrapAddress(c.trap, ToolTrap), c.answer) << std::hex << c.trap;
        // Installing for them changes nothing.
        NSetTrapAddress(Addr(PGetNextEvent), c.trap, ToolTrap);
        EXPECT_EQ(NGetTrapAddress(c.trap, ToolTrap), c.answer) << std::hex << c.trap;
    }
}

TEST(TrapTable, EveryTrampolineCallsItsPatchAndRestores)
{
    for (const PatchRow &row : PatchRows()) {
        SCOPED_TRACE(testing::Message() << "trap 0x" << std::hex << row.trap);
        UniversalProcPtr old = NGetTrapAddress(row.trap, ToolTrap);
        NSetTrapAddress(row.patch, row.trap, ToolTrap);
        EXPECT_EQ(NGetTrapAddress(row.trap, ToolTrap), row.patch) << "stored as given under flag 0x200";
        TakeCalls();
        EXPECT_EQ(row.call(), row.result);
        std::vector<Call> calls = TakeCalls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].trap, row.trap) << "the routine called another slot's patch";
        EXPECT_EQ(calls[0].args, row.args);

        SetTrapAddress(old, row.trap);
        EXPECT_EQ(NGetTrapAddress(row.trap, ToolTrap), old);
        if (row.callWithNil)
            row.callWithNil();
        else
            row.call();
        EXPECT_TRUE(TakeCalls().empty()) << "the patch is still called after the restore";
    }
}

// A patch that calls the routine again gets the built-in behaviour instead of itself.
namespace {
int sReentered;
Boolean ZEL_CALL ButtonInverting()
{
    ++sReentered;
    return !Button();
}
void ZEL_CALL GetMouseShifting(Point *pt)
{
    ++sReentered;
    GetMouse(pt);
    pt->h = static_cast<int16_t>(pt->h + 1000);
}
int32_t ZEL_CALL PopUpMarking(MenuHandle m, int16_t t, int16_t l, int16_t i)
{
    ++sReentered;
    return PopUpMenuSelect(m, t, l, i) | 0x00010000;
}
} // namespace

TEST(TrapTable, PatchesCallingBackDoNotLoop)
{
    bool builtInButton = Button();
    Point builtInMouse;
    GetMouse(&builtInMouse);
    // The built-in pop-up shows a real menu: a nil one answers at once.
    int32_t builtInPopUp = PopUpMenuSelect(nullptr, 1, 2, 3);

    sReentered = 0;
    SetTrapAddress(Addr(ButtonInverting), _Button);
    EXPECT_EQ(Button(), !builtInButton);
    EXPECT_EQ(sReentered, 1);
    SetTrapAddress(Addr(Button), _Button);
    EXPECT_EQ(Button(), builtInButton);

    sReentered = 0;
    SetTrapAddress(Addr(GetMouseShifting), _GetMouse);
    Point pt{};
    GetMouse(&pt);
    EXPECT_EQ(sReentered, 1);
    EXPECT_EQ(pt.h, builtInMouse.h + 1000);
    EXPECT_EQ(pt.v, builtInMouse.v);
    SetTrapAddress(Addr(GetMouse), _GetMouse);

    sReentered = 0;
    SetTrapAddress(Addr(PopUpMarking), _PopUpMenuSelect);
    EXPECT_EQ(PopUpMenuSelect(nullptr, 1, 2, 3), builtInPopUp | 0x00010000);
    EXPECT_EQ(sReentered, 1);
    SetTrapAddress(Addr(PopUpMenuSelect), _PopUpMenuSelect);
    EXPECT_EQ(PopUpMenuSelect(nullptr, 1, 2, 3), builtInPopUp);
}

// The Macintosh way to patch: keep the address that was there and call it from the patch.
namespace {
using GetNextEventProc = Boolean(ZEL_CALL *)(EventMask, EventRecord *);
GetNextEventProc sOuterNext, sInnerNext;
std::vector<int> sChain;
Boolean ZEL_CALL InnerPatch(EventMask m, EventRecord *e)
{
    sChain.push_back(1);
    return sInnerNext(m, e);
}
Boolean ZEL_CALL OuterPatch(EventMask m, EventRecord *e)
{
    sChain.push_back(2);
    return sOuterNext(m, e);
}
} // namespace

TEST(TrapTable, ChainedPatchesReachTheDefault)
{
    UniversalProcPtr original = GetTrapAddress(_GetNextEvent);
    sInnerNext = reinterpret_cast<GetNextEventProc>(original);
    SetTrapAddress(Addr(InnerPatch), _GetNextEvent);
    sOuterNext = reinterpret_cast<GetNextEventProc>(GetTrapAddress(_GetNextEvent));
    SetTrapAddress(Addr(OuterPatch), _GetNextEvent);

    sChain.clear();
    EventRecord e{};
    e.what = 99;
    EXPECT_FALSE(GetNextEvent(everyEvent, &e));
    EXPECT_EQ(sChain, (std::vector<int>{2, 1}));
    EXPECT_EQ(e.what, nullEvent) << "the default body filled the record";
    EXPECT_EQ(e.message, 0xFFFFFFFFu);
    SetTrapAddress(original, _GetNextEvent);
}

TEST(TrapTable, EmptiedSlotRunsTheBuiltInBody)
{
    // Installing 0 empties a slot; until the host installs a routine again the trampoline runs the
    // library's own body rather than calling address 0.
    UniversalProcPtr nextEvent = GetTrapAddress(_GetNextEvent);
    SetTrapAddress(0, _GetNextEvent);
    EXPECT_EQ(GetTrapAddress(_GetNextEvent), 0u);
    EventRecord e{};
    e.what = 99;
    EXPECT_FALSE(GetNextEvent(everyEvent, &e));
    EXPECT_EQ(e.what, nullEvent);
    SetTrapAddress(nextEvent, _GetNextEvent);

    UniversalProcPtr button = GetTrapAddress(_Button);
    bool builtIn = Button();
    SetTrapAddress(0, _Button);
    EXPECT_EQ(Button(), builtIn);
    SetTrapAddress(button, _Button);

    // Routines whose built-in bodies have nothing to do or return nothing run them without a fault.
    UniversalProcPtr invalRect = GetTrapAddress(_InvalRect);
    UniversalProcPtr frontWindow = GetTrapAddress(_FrontWindow);
    SetTrapAddress(0, _InvalRect);
    SetTrapAddress(0, _FrontWindow);
    InvalRect(&sRect);
    EXPECT_EQ(FrontWindow(), nullptr);
    SetTrapAddress(invalRect, _InvalRect);
    SetTrapAddress(frontWindow, _FrontWindow);
}

TEST(TrapTable, OnlyTheLowWordOfTheTrapCounts)
{
    // Called with a 32-bit trap word, as a caller that passes a long would.
    using WideSet = void(ZEL_CALL *)(UniversalProcPtr, uint32_t, uint32_t);
    auto wideSet = reinterpret_cast<WideSet>(&NSetTrapAddress);
    UniversalProcPtr old = GetTrapAddress(_GetNextEvent);
    wideSet(Addr(PGetNextEvent), 0xFFFF0000u | _GetNextEvent, 0x12345678);
    EXPECT_EQ(GetTrapAddress(_GetNextEvent), Addr(PGetNextEvent));
    SetTrapAddress(old, _GetNextEvent);
}

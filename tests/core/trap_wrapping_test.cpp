// Trap patches held as proc instances: the host's make-proc-instance wraps each patch at install and its
// free-proc-instance releases it when it is replaced, emptied or the session ends; the library's own
// routines and 0 are never wrapped or released.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Events.h"
#include "OSUtils.h"
#include "test_support.h"

namespace {

template <typename F> UniversalProcPtr Addr(F *f) { return reinterpret_cast<UniversalProcPtr>(f); }

std::vector<std::string> sLog;

Boolean ZEL_CALL PatchA(EventMask, EventRecord *)
{
    sLog.push_back("A");
    return true;
}
Boolean ZEL_CALL WrapA(EventMask m, EventRecord *e)
{
    sLog.push_back("wrapped A");
    return PatchA(m, e);
}
Boolean ZEL_CALL PatchB(EventMask, EventRecord *)
{
    sLog.push_back("B");
    return true;
}
Boolean ZEL_CALL WrapB(EventMask m, EventRecord *e)
{
    sLog.push_back("wrapped B");
    return PatchB(m, e);
}
Boolean ZEL_CALL PatchButton()
{
    sLog.push_back("Button");
    return true;
}
Boolean ZEL_CALL WrapButton()
{
    sLog.push_back("wrapped Button");
    return PatchButton();
}

// The host's proc-instance functions: each known patch has its wrapper.
const std::map<UniversalProcPtr, UniversalProcPtr> kWrappers = {
    {Addr(PatchA), Addr(WrapA)}, {Addr(PatchB), Addr(WrapB)}, {Addr(PatchButton), Addr(WrapButton)}};
std::vector<std::pair<UniversalProcPtr, HINSTANCE>> sMade;
std::vector<UniversalProcPtr> sFreed;

FARPROC WINAPI MakeInstance(FARPROC proc, HINSTANCE instance)
{
    UniversalProcPtr p = reinterpret_cast<UniversalProcPtr>(proc);
    sMade.push_back({p, instance});
    auto it = kWrappers.find(p);
    return reinterpret_cast<FARPROC>(it == kWrappers.end() ? p : it->second);
}

void WINAPI FreeInstance(FARPROC proc) { sFreed.push_back(reinterpret_cast<UniversalProcPtr>(proc)); }

void StartSession()
{
    static SessionParamBlock block;
    static bool started;
    if (started)
        return;
    started = true;
    block = testing_support::MakeSessionBlock(testing_support::CreateHostMainWindow(), 0);
    block.makeProcInstance = MakeInstance;
    block.freeProcInstance = FreeInstance;
    ZEL_InitSession(&block);
    sMade.clear();
    sFreed.clear();
}

// What the proc-instance functions were asked since the last look.
struct Traffic {
    std::vector<UniversalProcPtr> made;
    std::vector<UniversalProcPtr> freed;
};
Traffic TakeTraffic()
{
    Traffic t;
    for (const auto &m : sMade) {
        t.made.push_back(m.first);
        EXPECT_EQ(m.second, GetModuleHandleA(nullptr)) << "wrapped for the host's instance";
    }
    t.freed = sFreed;
    sMade.clear();
    sFreed.clear();
    return t;
}

using Procs = std::vector<UniversalProcPtr>;

} // namespace

TEST(TrapWrapping, PatchesAreHeldAsProcInstances)
{
    StartSession();
    const UniversalProcPtr original = GetTrapAddress(_GetNextEvent);
    EventRecord e{};

    SetTrapAddress(Addr(PatchA), _GetNextEvent);
    Traffic t = TakeTraffic();
    EXPECT_EQ(t.made, Procs{Addr(PatchA)});
    EXPECT_TRUE(t.freed.empty());
    EXPECT_EQ(GetTrapAddress(_GetNextEvent), Addr(WrapA)) << "the slot holds the wrapped patch";
    sLog.clear();
    EXPECT_TRUE(GetNextEvent(everyEvent, &e));
    EXPECT_EQ(sLog, (std::vector<std::string>{"wrapped A", "A"}));

    SetTrapAddress(Addr(PatchB), _GetNextEvent);
    t = TakeTraffic();
    EXPECT_EQ(t.freed, Procs{Addr(WrapA)}) << "the replaced patch is released";
    EXPECT_EQ(t.made, Procs{Addr(PatchB)});

    SetTrapAddress(Addr(WrapB), _GetNextEvent);
    t = TakeTraffic();
    EXPECT_TRUE(t.made.empty() && t.freed.empty()) << "installing what the slot holds changes nothing";

    SetTrapAddress(original, _GetNextEvent);
    t = TakeTraffic();
    EXPECT_EQ(t.freed, Procs{Addr(WrapB)});
    EXPECT_TRUE(t.made.empty()) << "the library's own routine is not wrapped";
    EXPECT_EQ(GetTrapAddress(_GetNextEvent), original);

    SetTrapAddress(0, _GetNextEvent);
    t = TakeTraffic();
    EXPECT_TRUE(t.made.empty() && t.freed.empty()) << "neither the default nor 0 is made or released";
    EXPECT_FALSE(GetNextEvent(everyEvent, &e)) << "the emptied slot runs the library's own body";

    SetTrapAddress(Addr(PatchA), _GetNextEvent);
    SetTrapAddress(0, _GetNextEvent);
    t = TakeTraffic();
    EXPECT_EQ(t.made, Procs{Addr(PatchA)});
    EXPECT_EQ(t.freed, Procs{Addr(WrapA)}) << "emptying a patched slot releases the patch";

    SetTrapAddress(original, _GetNextEvent);
    t = TakeTraffic();
    EXPECT_TRUE(t.made.empty() && t.freed.empty());
}

TEST(TrapWrapping, RoutinesHoldingTheirOwnExport)
{
    StartSession();
    SetTrapAddress(Addr(Button), _Button);
    Traffic t = TakeTraffic();
    EXPECT_TRUE(t.made.empty() && t.freed.empty());

    SetTrapAddress(Addr(PatchButton), _Button);
    sLog.clear();
    EXPECT_TRUE(Button());
    EXPECT_EQ(sLog, (std::vector<std::string>{"wrapped Button", "Button"}));
    SetTrapAddress(Addr(Button), _Button);
    t = TakeTraffic();
    EXPECT_EQ(t.made, Procs{Addr(PatchButton)});
    EXPECT_EQ(t.freed, Procs{Addr(WrapButton)});
}

TEST(TrapWrappingExit, PatchesAreReleasedAtExit)
{
    StartSession();
    const UniversalProcPtr original = GetTrapAddress(_GetNextEvent);
    SetTrapAddress(Addr(PatchA), _GetNextEvent);
    SetTrapAddress(Addr(PatchButton), _Button);
    TakeTraffic();
    ZEL_ExitSession();
    Traffic t = TakeTraffic();
    EXPECT_EQ(t.freed, (Procs{Addr(WrapA), Addr(WrapButton)}));
    EXPECT_EQ(GetTrapAddress(_GetNextEvent), original) << "the slots take their defaults again";
    EXPECT_EQ(GetTrapAddress(_Button), Addr(Button));
}

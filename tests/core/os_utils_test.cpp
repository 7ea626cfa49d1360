// OS utilities: delays, string equality, the environment records, the notification icon and the
// messages of the diagnostic channel's own callers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Events.h"
#include "MacMemory.h"
#include "Notification.h"
#include "OSUtils.h"
#include "test_support.h"

using testing_support::P;
using testing_support::TakeDebugMessages;

namespace {

uint32_t Ticks() { return GetTickCount() >> 4; }

std::vector<std::string> Lines(std::initializer_list<const char *> texts)
{
    std::vector<std::string> out;
    for (const char *t : texts) {
        out.push_back(t);
        out.push_back("\r\n");
    }
    return out;
}

} // namespace

TEST(Delay, WaitsTheTicksAndReportsTheEnd)
{
    // 3 ticks spin; 25 ticks go through the event pump.
    for (int32_t ticks : {3, 25}) {
        uint32_t before = Ticks();
        uint32_t final = 0;
        Delay(ticks, &final);
        uint32_t after = Ticks();
        EXPECT_GE(final - before, static_cast<uint32_t>(ticks)) << ticks;
        EXPECT_LE(final, after) << ticks;
        EXPECT_LT(after - before, static_cast<uint32_t>(ticks) + 30) << ticks << " ticks took too long";
    }
}

TEST(Delay, NothingToWait)
{
    for (int32_t ticks : {0, -5, -100000}) {
        uint32_t before = Ticks();
        uint32_t final = 0;
        Delay(ticks, &final);
        EXPECT_LE(final - before, 1u) << ticks;
    }
    Delay(1, nullptr);
}

TEST(EqualString, Cases)
{
    struct {
        const char *a, *b;
        bool caseSens, equal;
        const char *what;
    } cases[] = {
        {"Apple", "Apple", true, true, "the same"},
        {"Apple", "APPLE", false, true, "case ignored"},
        {"Apple", "APPLE", true, false, "case counts"},
        {"Apple", "Apples", false, false, "lengths differ"},
        {"", "", true, true, "both empty"},
        {"a-1", "A-1", false, true, "only letters change case"},
        {"[", "{", false, false, "brackets are not letters"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(EqualString(P(c.a).c_str(), P(c.b).c_str(), c.caseSens, false) != 0, c.equal) << c.what;
        EXPECT_EQ(EqualString(P(c.a).c_str(), P(c.b).c_str(), c.caseSens, true) != 0, c.equal)
            << c.what << " (diacritical sensitivity is ignored)";
    }
    // Only the counted characters take part.
    const unsigned char a[] = "\x03" "abcX", b[] = "\x03" "abcY";
    EXPECT_TRUE(EqualString(a, b, true, true));
}

TEST(Environment, FixedAnswers)
{
    int16_t rom = 0, machine = 0;
    Environs(&rom, &machine);
    EXPECT_EQ(rom, 1541);
    EXPECT_EQ(machine, 1);

    SysEnvRec world;
    std::memset(&world, 0xCC, sizeof world);
    EXPECT_EQ(SysEnvirons(2, &world), noErr);
    EXPECT_EQ(world.environsVersion, 2);
    EXPECT_EQ(world.machineType, 4);
    EXPECT_EQ(world.systemVersion, 0x0605);
    EXPECT_EQ(world.processor, 0);
    EXPECT_EQ(world.hasFPU, 1);
    EXPECT_EQ(world.hasColorQD, 1);
    EXPECT_EQ(world.keyBoardType, 0);
    EXPECT_EQ(world.atDrvrVersNum, 0);
    EXPECT_EQ(world.sysVRefNum, 0);

    EXPECT_EQ(SetCurrentA5(), 0);
    EXPECT_EQ(SetA5(0x1234), 0);
}

TEST(Notification, InstallAndRemoveTheIcon)
{
    NMRec request{};
    EXPECT_EQ(NMRemove(&request), -1) << "nothing installed";
    EXPECT_EQ(NMInstall(&request), nmTypErr) << "no icon";
    EXPECT_EQ(NMRemove(&request), -1);

    Handle icon = NewHandleClear(32);
    ASSERT_NE(icon, nullptr);
    request.nmIcon = icon;
    EXPECT_EQ(NMInstall(&request), noErr);
    EXPECT_EQ(NMInstall(&request), noErr) << "a second request replaces the icon";
    EXPECT_EQ(NMRemove(&request), noErr);
    EXPECT_EQ(NMRemove(&request), -1) << "removed once";

    // An icon shorter than its 32 bytes is read only as far as it goes.
    Handle shortIcon = NewHandleClear(6);
    request.nmIcon = shortIcon;
    EXPECT_EQ(NMInstall(&request), noErr);
    EXPECT_EQ(NMRemove(&request), noErr);
    DisposeHandle(shortIcon);
    DisposeHandle(icon);
}

TEST(DiagnosticMessages, CallersReportTheirNames)
{
    TakeDebugMessages();
    EXPECT_EQ(KeyTranslate(nullptr, 0x12, nullptr), 0u);
    SysError(-39);
    Debugger();
    EXPECT_EQ(TakeDebugMessages(), Lines({"KeyTrans", "SysError", "Debugger Trap"}));
}

TEST(DiagnosticMessages, PascalAndLibraryStrings)
{
    TakeDebugMessages();
    const unsigned char noTerminator[] = {5, 'H', 'e', 'l', 'l', 'o', 'W', 'o', 'r', 'l', 'd'};
    DebugStr(noTerminator);
    DebugStr(P("A host message").c_str());
    // The library's convention: a blank in the length byte's place, the text up to its NUL.
    DebugStr(reinterpret_cast<const unsigned char *>(" Bad region"));
    const unsigned char empty[] = {0};
    DebugStr(empty);
    EXPECT_EQ(TakeDebugMessages(), Lines({"Hello", "A host message", "Bad region", ""}));
}

TEST(DiagnosticMessages, SilencedBySessionFlag)
{
    TakeDebugMessages();
    uint32_t previous = ZEL_SetFlags(zelFlagSilentDebugStr, zelFlagSilentDebugStr, 0, 0);
    DebugStr(P("hidden").c_str());
    Debugger();
    EXPECT_EQ(SetDateTime(0), -1) << "a silenced stub still returns its value";
    ZEL_SetFlags(zelFlagSilentDebugStr, previous, 0, 0);
    EXPECT_TRUE(TakeDebugMessages().empty());
    EXPECT_EQ(testing_support::TakeBreakCount(), 0);
}

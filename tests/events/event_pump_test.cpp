// The message pump and the event calls: null events, masks, EventAvail, the Quit path, sleeping without
// spinning, host timers and hooks, the 'oapp' AppleEvent, the capture count, StillDown and GetMouse,
// and the update and activate events made from the window list.
#include <gtest/gtest.h>

#include <vector>

#include "MacWindows.h"
#include "OSUtils.h"
#include "events_support.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace events_support;

namespace {

class EventPump : public testing::Test {
protected:
    void SetUp() override { ResetQueue(); }
    void TearDown() override { ResetQueue(); }
};

} // namespace

TEST_F(EventPump, EmptyQueueGivesNullEventsAtTheMouse)
{
    HWND window = TestWindow();
    RECT r;
    GetWindowRect(window, &r);
    SetCursorPos(r.left + 50, r.top + 60);
    EventRecord e{};
    EXPECT_FALSE(WaitNextEvent(everyEvent, &e, 0, nullptr));
    EXPECT_EQ(e.what, nullEvent);
    EXPECT_EQ(e.message, 0xFFFFFFFFu);
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(testing_support::HostMainWindow(), &cursor);
    EXPECT_EQ(e.where.h, cursor.x) << "in global coordinates, those of the host's client area";
    EXPECT_EQ(e.where.v, cursor.y);
    EXPECT_EQ(e.modifiers & btnState, btnState);
    EXPECT_EQ(LMGetMBState(), 1) << "the button is up after a pump";
}

TEST_F(EventPump, MasksSelectAndEventAvailLeavesTheEvent)
{
    PostEvent(keyDown, 0x0061);
    PostEvent(mouseDown, 7);
    EventRecord e{};
    ASSERT_TRUE(EventAvail(mDownMask, &e));
    EXPECT_EQ(e.what, mouseDown);
    EXPECT_EQ(e.message, 7u);
    EXPECT_EQ(QueuedEvents().size(), 2u) << "EventAvail removes nothing";
    EXPECT_FALSE(EventAvail(mUpMask, &e));
    EXPECT_EQ(e.message, 0xFFFFFFFFu);

    ASSERT_TRUE(GetNextEvent(keyDownMask, &e));
    EXPECT_EQ(e.what, keyDown);
    ASSERT_EQ(QueuedEvents().size(), 1u);
    EXPECT_EQ(QueuedEvents()[0].what, mouseDown) << "the other kind waits";
    ASSERT_TRUE(GetOSEvent(everyEvent, &e));
    EXPECT_EQ(e.what, mouseDown);
    EXPECT_FALSE(GetNextEvent(everyEvent, &e));

    // OSEventAvail leaves out the kinds the system does not queue itself (os events among them).
    PostEvent(osEvt, 0x01000001);
    EXPECT_FALSE(OSEventAvail(everyEvent, &e));
    EXPECT_FALSE(EventAvail(everyEvent, &e)) << "EventAvail never shows os events";
    EXPECT_TRUE(GetNextEvent(osMask, &e));
}

TEST_F(EventPump, QuitBecomesTheMenuBarMouseDown)
{
    PostQuitMessage(0);
    std::vector<EventRecord> calls;
    for (int i = 0; i < 3; ++i) {
        EventRecord e{};
        WaitNextEvent(everyEvent, &e, 0, nullptr);
        calls.push_back(e);
        if (e.what != nullEvent)
            break;
    }
    ASSERT_FALSE(calls.empty());
    const EventRecord &last = calls.back();
    EXPECT_EQ(last.what, mouseDown) << "the menu-bar click comes at the latest on the third call";
    EXPECT_EQ(last.where.v, -1);
    EXPECT_EQ(last.where.h, -1);
    for (size_t i = 0; i + 1 < calls.size(); ++i)
        EXPECT_EQ(calls[i].what, nullEvent) << "call " << i;
    EXPECT_GE(calls.size(), 2u) << "the call that read WM_QUIT returns a null event";
}

TEST_F(EventPump, SleepIsRoundedAndWaitedOut)
{
    // 30 ticks are 480 ms, rounded down to 440 (8 periods of 55 ms); the carry may add one period.
    DWORD start = GetTickCount();
    EventRecord e{};
    EXPECT_FALSE(WaitNextEvent(everyEvent, &e, 30, nullptr));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 430u);
    EXPECT_LT(elapsed, 2000u) << "and not much longer (a loose bound: the machine may be busy)";
}

namespace {

DWORD sTimerFired;
void CALLBACK PostKeyFromTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    sTimerFired = GetTickCount();
    PostEvent(keyDown, 0x0078);
}

} // namespace

TEST_F(EventPump, HostTimerRunsInsideALongSleep)
{
    sTimerFired = 0;
    SetTimer(nullptr, 0, 150, PostKeyFromTimer);
    EventRecord e{};
    bool got = WaitNextEvent(everyEvent, &e, 125, nullptr); // 2 s
    DWORD end = GetTickCount();
    ASSERT_NE(sTimerFired, 0u) << "the host's timer procedure ran";
    EXPECT_TRUE(got);
    EXPECT_EQ(e.what, keyDown);
    EXPECT_EQ(e.message, 0x0078u);
    // The sleep asked for 2 s: ending well before shows that the posted key ended it (bounds kept loose
    // for a busy machine).
    EXPECT_LT(end - sTimerFired, 1000u) << "the posted key ends the sleep";
}

TEST_F(EventPump, IdleWaitDoesNotSpin)
{
    FILETIME created, exited, kernel0, user0, kernel1, user1;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel0, &user0);
    DWORD start = GetTickCount();
    EventRecord e{};
    while (GetTickCount() - start < 2000)
        WaitNextEvent(everyEvent, &e, 6, nullptr);
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel1, &user1);
    auto units = [](const FILETIME &f) { return (uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime; };
    uint64_t busy = (units(kernel1) - units(kernel0)) + (units(user1) - units(user0)); // 100 ns units
    EXPECT_LT(busy, uint64_t{2000} * 10000 / 10) << "under 10 % of one processor";
}

TEST_F(EventPump, DelayDoesNotSpinWhileAnEventWaits)
{
    // The queued event makes every pump pass return at once; the delay must still wait, not poll.
    PostEvent(keyDown, 0x0061);
    FILETIME created, exited, kernel0, user0, kernel1, user1;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel0, &user0);
    uint32_t finalTicks = 0;
    uint32_t start = TickCount();
    Delay(60, &finalTicks); // about a second
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel1, &user1);
    EXPECT_GE(finalTicks - start, 60u);
    auto units = [](const FILETIME &f) { return (uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime; };
    uint64_t busy = (units(kernel1) - units(kernel0)) + (units(user1) - units(user0)); // 100 ns units
    EXPECT_LT(busy, uint64_t{960} * 10000 / 10) << "under 10 % of one processor";
    EXPECT_EQ(QueuedEvents().size(), 1u) << "Delay takes no event";
}

namespace {

std::vector<UINT> sProcSaw;
std::vector<UINT> sHookSaw;
LRESULT RecordUserMessages(HWND, UINT message, WPARAM, LPARAM, bool *)
{
    if (message >= WM_USER)
        sProcSaw.push_back(message);
    return 0;
}
int32_t ZEL_CALL DropUserMessages(HWND, MSG *msg)
{
    if (msg->message < WM_USER)
        return 1;
    sHookSaw.push_back(msg->message);
    return msg->message == WM_USER + 5 ? 0 : 1;
}

} // namespace

TEST_F(EventPump, MessageHookDropsWhatItRefuses)
{
    HWND window = TestWindow();
    SetTestWindowHandler(RecordUserMessages);
    sProcSaw.clear();
    sHookSaw.clear();
    ZEL_SetMessageHook(reinterpret_cast<FARPROC>(DropUserMessages));
    PostMessageA(window, WM_USER + 5, 0, 0);
    PostMessageA(window, WM_USER + 6, 0, 0);
    EventRecord e{};
    GetNextEvent(everyEvent, &e);
    ZEL_SetMessageHook(nullptr);
    PostMessageA(window, WM_USER + 5, 0, 0);
    GetNextEvent(everyEvent, &e);
    SetTestWindowHandler(nullptr);
    EXPECT_EQ(sHookSaw, (std::vector<UINT>{WM_USER + 5, WM_USER + 6}));
    EXPECT_EQ(sProcSaw, (std::vector<UINT>{WM_USER + 6, WM_USER + 5})) << "only the refused one was dropped";
}

TEST_F(EventPump, OpenApplicationIsSentOnce)
{
    EventRecord e{};
    WaitNextEvent(everyEvent, &e, 0, nullptr);
    GetNextEvent(everyEvent, &e);
    EXPECT_EQ(OpenApplicationCount(), 1) << "one 'oapp' however many calls";
    EXPECT_TRUE(OpenApplicationCalledEventCalls()) << "its handler's own event call sent no second one";
}

TEST_F(EventPump, CaptureCountNeverGoesBelowZero)
{
    ZEL_SetCapture(0);
    ZEL_SetCapture(0);
    ZEL_SetCapture(1);
    HWND holder = GetCapture();
    EXPECT_NE(holder, nullptr) << "the first capture after unmatched releases still captures";
    ZEL_SetCapture(1);
    ZEL_SetCapture(0);
    EXPECT_EQ(GetCapture(), holder) << "still held while the count is above 0";
    ZEL_SetCapture(0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(ZEL_ForceCapture(2), 0);
    EXPECT_EQ(GetCapture(), holder) << "forcing a count from 0 captures";
    EXPECT_EQ(ZEL_ForceCapture(0), 2);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(EventPump, StillDownEndsAtAQueuedMouseUp)
{
    PostEvent(mouseUp, 0);
    EXPECT_FALSE(StillDown());
    EXPECT_EQ(QueuedEvents().size(), 1u) << "StillDown leaves the mouse-up";
    EXPECT_FALSE(WaitMouseUp());
    EXPECT_TRUE(QueuedEvents().empty()) << "WaitMouseUp takes it";
    EXPECT_FALSE(StillDown()) << "the button is up";
}

TEST_F(EventPump, GetMouseIsLocalToTheCurrentPort)
{
    WindowPtr window = MakeEventWindow(60, 80);
    ASSERT_NE(window, nullptr);
    HWND hwnd = WindowHwnd(window);
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(window);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    SetCursorPos(origin.x + 25, origin.y + 15);
    Point local{};
    GetMouse(&local);
    EXPECT_EQ(local.h, 25);
    EXPECT_EQ(local.v, 15);
    SetPor(saved);
    DisposeWindow(window);
}

TEST_F(EventPump, WindowEventsComeDeactivationFirstThenUpdates)
{
    WindowPtr first = MakeEventWindow(60, 80);
    DrainWindowEvents();
    WindowPtr second = MakeEventWindow(90, 120);
    // The test host hands no WM_PAINT to the library: the damage is declared.
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(second);
    InvalRect(&second->portRect);
    SetPor(saved);
    std::vector<EventRecord> events = DrainWindowEvents();
    auto position = [&](EventKind what, WindowPtr w, uint16_t active) {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].what == what && events[i].message == reinterpret_cast<uintptr_t>(w) &&
                (what != activateEvt || (events[i].modifiers & activeFlag) == active))
                return static_cast<int>(i);
        return -1;
    };
    int deactivated = position(activateEvt, first, 0);
    int activated = position(activateEvt, second, activeFlag);
    int updated = position(updateEvt, second, 0);
    ASSERT_GE(deactivated, 0) << "the old front window is deactivated";
    ASSERT_GE(activated, 0) << "the new one activated";
    ASSERT_GE(updated, 0) << "and updated";
    EXPECT_LT(deactivated, activated);
    EXPECT_LT(activated, updated);
    EXPECT_TRUE(DrainWindowEvents().empty()) << "each pending event comes once";

    // A window closed with its activation pending makes no event after it is gone.
    SelectWindow(first);
    DisposeWindow(first);
    for (const EventRecord &e : DrainWindowEvents())
        EXPECT_NE(e.message, reinterpret_cast<uintptr_t>(first)) << "kind " << e.what;
    DisposeWindow(second);
    DrainWindowEvents();
}

// The event queue: posting and its stamps, the event mask, the mouse-moved merge, eviction when full,
// FlushEvents on the queue and on the thread's Windows messages, the tick clock and GetKeys.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "events_support.h"
#include "test_support.h"

using namespace events_support;

namespace {

class EventQueue : public testing::Test {
protected:
    void SetUp() override { ResetQueue(); }
    void TearDown() override { ResetQueue(); }
};

std::vector<uint32_t> QueuedMessages()
{
    std::vector<uint32_t> out;
    for (const EventRecord &e : QueuedEvents())
        out.push_back(e.message);
    return out;
}

} // namespace

TEST_F(EventQueue, PostingStampsAndRefusals)
{
    struct Row {
        const char *what;
        EventMask sysEvtMask;
        EventKind kind;
        OSErr result;
    };
    const Row rows[] = {
        {"a mouse-down goes in", 0xFFEF, mouseDown, 0},
        {"a key-down goes in", 0xFFEF, keyDown, 0},
        {"the default mask keeps key-ups out", 0xFFEF, keyUp, evtNotEnb},
        {"an open mask lets key-ups in", 0xFFFF, keyUp, 0},
        {"a mask without mouse-downs refuses them", 0xFFFD, mouseDown, evtNotEnb},
        {"kinds 16..31 follow bit 15 of the mask", 0x7FFF, 20, evtNotEnb},
        {"a kind of 32 or more is refused", 0xFFFF, 40, evtNotEnb},
        {"kind 47 would alias bit 15 and is refused too", 0xFFFF, 47, evtNotEnb},
    };
    EventRecord idle{};
    EventAvail(everyEvent, &idle); // the null event shows the location posting stamps
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        ResetQueue();
        SetEventMask(row.sysEvtMask);
        uint32_t ticks = TickCount();
        EvQElPtr element = reinterpret_cast<EvQElPtr>(1);
        EXPECT_EQ(PPostEvent(row.kind, 0x1234, &element), row.result);
        std::vector<EventRecord> queued = QueuedEvents();
        if (row.result) {
            EXPECT_EQ(element, nullptr) << "a refusal hands back no element";
            EXPECT_TRUE(queued.empty());
            EXPECT_EQ(PostEvent(row.kind, 0x1234), row.result) << "PostEvent refuses the same";
            EXPECT_TRUE(QueuedEvents().empty());
            continue;
        }
        ASSERT_EQ(queued.size(), 1u);
        ASSERT_EQ(QueuedElements()[0], element) << "PPostEvent hands back the queued element";
        EXPECT_EQ(element->qType, evType);
        EXPECT_EQ(queued[0].what, row.kind);
        EXPECT_EQ(queued[0].message, 0x1234u);
        EXPECT_EQ(queued[0].when, ticks) << "stamped with TickCount";
        EXPECT_EQ(queued[0].where.v, idle.where.v);
        EXPECT_EQ(queued[0].where.h, idle.where.h);
        EXPECT_EQ(queued[0].modifiers, btnState) << "the button is up";
    }
}

TEST_F(EventQueue, NullEventMessageIsAllOnes)
{
    EventRecord e{};
    e.message = 0;
    EXPECT_FALSE(EventAvail(everyEvent, &e));
    EXPECT_EQ(e.what, nullEvent);
    EXPECT_EQ(e.message, 0xFFFFFFFFu);
}

TEST_F(EventQueue, MouseMovedEventsMergeIntoTheQueuedOne)
{
    // The move waits in slot 1, behind a key-down, so that a merge reporting slot 0 shows.
    ASSERT_EQ(PostEvent(keyDown, 0x61), 0);
    LMSetTicks(100);
    ASSERT_EQ(PostEvent(osEvt, mouseMovedMessage << 24), 0);
    ASSERT_EQ(PostEvent(keyDown, 0x62), 0);
    LMSetTicks(200);
    EvQElPtr merged = nullptr;
    ASSERT_EQ(PPostEvent(osEvt, mouseMovedMessage << 24, &merged), 0);
    std::vector<EvQEl *> elements = QueuedElements();
    ASSERT_EQ(elements.size(), 3u) << "the second move adds no element";
    EXPECT_EQ(merged, elements[1]) << "PPostEvent hands back the element it merged into";
    EXPECT_EQ(elements[1]->evtQWhat, osEvt);
    EXPECT_EQ(elements[1]->evtQWhen, 200u) << "the merged element carries the later time";
    EXPECT_EQ(elements[2]->evtQMessage, 0x62u) << "and keeps its place ahead of later events";

    // Other osEvt messages are ordinary events.
    ASSERT_EQ(PostEvent(osEvt, 0x01000001), 0);
    EXPECT_EQ(QueuedEvents().size(), 4u);
    TickCount();
}

TEST_F(EventQueue, FullQueueLosesItsEightOldest)
{
    for (uint32_t i = 0; i < 32; ++i)
        ASSERT_EQ(PostEvent(keyDown, i), 0);
    ASSERT_EQ(QueuedEvents().size(), 32u);
    EvQElPtr newest = nullptr;
    ASSERT_EQ(PPostEvent(keyDown, 32, &newest), 0);
    std::vector<uint32_t> expected;
    for (uint32_t i = 8; i <= 32; ++i)
        expected.push_back(i);
    EXPECT_EQ(QueuedMessages(), expected) << "25 remain, the 8 oldest gone, order kept";
    std::vector<EvQEl *> elements = QueuedElements();
    EXPECT_EQ(elements.back(), newest);
    EXPECT_EQ(reinterpret_cast<EvQEl *>(GetEvQHdr()->qTail), newest);
    EXPECT_EQ(newest->qLink, nullptr);
    // The freed slots take new events again and the queue stays linked.
    for (uint32_t i = 33; i < 40; ++i)
        ASSERT_EQ(PostEvent(keyDown, i), 0);
    EXPECT_EQ(QueuedEvents().size(), 32u);
    EXPECT_EQ(QueuedMessages().back(), 39u);
}

TEST_F(EventQueue, FlushStopsAtTheStopMask)
{
    struct Row {
        const char *what;
        EventKind first, second;
        std::vector<EventKind> left;
    };
    const Row rows[] = {
        {"a key-down ahead stops the flush at once", keyDown, mouseDown, {keyDown, mouseDown}},
        {"the mouse-down ahead goes, then the key-down stops", mouseDown, keyDown, {keyDown}},
        {"events of neither mask are passed over", autoKey, mouseDown, {autoKey}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        ResetQueue();
        PostEvent(row.first, 1);
        PostEvent(row.second, 2);
        FlushEvents(mDownMask, keyDownMask);
        std::vector<EventKind> left;
        for (const EventRecord &e : QueuedEvents())
            left.push_back(e.what);
        EXPECT_EQ(left, row.left);
    }
    // With everything gone the queue's header is empty again.
    ResetQueue();
    PostEvent(mouseDown, 1);
    FlushEvents(everyEvent, 0);
    EXPECT_EQ(GetEvQHdr()->qHead, nullptr);
    EXPECT_EQ(GetEvQHdr()->qTail, nullptr);
}

TEST_F(EventQueue, FlushDrainsWindowsInputByMask)
{
    HWND window = TestWindow();
    ASSERT_NE(window, nullptr);
    const UINT posted[] = {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN,
                           WM_KEYDOWN,     WM_CHAR,          WM_KEYUP,     WM_SYSKEYDOWN};
    struct Row {
        const char *what;
        EventMask which;
        std::set<UINT> left;
    };
    const Row rows[] = {
        {"mouse-downs: the down messages go",
         mDownMask,
         {WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_SYSKEYDOWN}},
        {"mouse-ups: the up messages go",
         mUpMask,
         {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_SYSKEYDOWN}},
        {"both mouse kinds: double clicks go too", mDownMask | mUpMask, {WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_SYSKEYDOWN}},
        {"key-downs: downs and characters go",
         keyDownMask,
         {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_KEYUP}},
        {"key-ups: ups and characters go",
         keyUpMask,
         {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_KEYDOWN, WM_SYSKEYDOWN}},
        {"both key kinds: every key message goes",
         keyDownMask | keyUpMask,
         {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN}},
        {"everything", everyEvent, {}},
        {"an update mask drains nothing", updateMask, {std::begin(posted), std::end(posted)}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        ResetQueue();
        for (UINT m : posted)
            PostMessageA(window, m, 0, 0);
        FlushEvents(row.which, 0);
        std::set<UINT> left;
        MSG msg;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
            if (std::find(std::begin(posted), std::end(posted), msg.message) != std::end(posted))
                left.insert(msg.message);
        EXPECT_EQ(left, row.left);
    }

    // A flush that stops at a queued event drains nothing.
    ResetQueue();
    PostEvent(keyDown, 1);
    PostMessageA(window, WM_LBUTTONDOWN, 0, 0);
    FlushEvents(everyEvent, keyDownMask);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, window, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
}

TEST_F(EventQueue, TimesAreWindowsTimesInTicks)
{
    EXPECT_EQ(GetDblTime(), GetDoubleClickTime() / 16);
    EXPECT_EQ(GetCaretTime(), GetCaretBlinkTime() / 16);
    uint32_t before = GetTickCount() / 16;
    uint32_t ticks = TickCount();
    EXPECT_GE(ticks, before);
    EXPECT_LE(ticks, GetTickCount() / 16);
    EXPECT_EQ(LMGetTicks(), ticks) << "TickCount refreshes the Ticks global";
}

TEST_F(EventQueue, GetKeysReportsThePolledKeys)
{
    auto bit = [](const KeyMap &map, int code) {
        return (reinterpret_cast<const uint8_t *>(map)[code / 8] >> (code % 8)) & 1;
    };
    TestWindow();
    KeyMap before{};
    GetKeys(before);
    EXPECT_FALSE(bit(before, 0x38)) << "nothing is down at the start";

    struct Key {
        WORD vk;
        int code;
    };
    const Key keys[] = {{VK_SHIFT, 0x38}, {VK_CONTROL, 0x37}, {VK_MENU, 0x3A}, {VK_SPACE, 0x31}, {VK_ESCAPE, 0x35}};
    for (const Key &k : keys)
        SendKey(k.vk, true);
    KeyMap down{};
    GetKeys(down);
    uint32_t oldSetting = ZEL_SystemValue(1, 56, 1);
    KeyMap extra{};
    GetKeys(extra);
    ZEL_SystemValue(1, 56, oldSetting);
    for (const Key &k : keys)
        SendKey(k.vk, false);
    KeyMap after{};
    GetKeys(after);
    ResetQueue();

    for (const Key &k : keys) {
        SCOPED_TRACE(k.code);
        EXPECT_TRUE(bit(down, k.code));
        EXPECT_FALSE(bit(after, k.code));
    }
    EXPECT_FALSE(bit(down, 0x3B)) << "Ctrl is 0x37 only by default";
    EXPECT_TRUE(bit(extra, 0x3B)) << "and also 0x3B under setting 56";
    EXPECT_TRUE(bit(extra, 0x37));
    int others = 0;
    for (int code = 0; code < 128; ++code)
        if (bit(down, code) && code != 0x38 && code != 0x37 && code != 0x3A && code != 0x31 && code != 0x35 &&
            code != 0x39)
            ++others;
    EXPECT_EQ(others, 0) << "no other key is reported";
}

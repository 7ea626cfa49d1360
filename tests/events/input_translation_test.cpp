// Input translation: mouse messages as mouse-downs and mouse-ups, keys and characters as key events
// with their key codes and modifiers, commands, the grow-box hit test and application activation.
#include <gtest/gtest.h>

#include <vector>

#include "MacWindows.h"
#include "Scrap.h"
#include "events_support.h"
#include "test_support.h"

using namespace events_support;

namespace {

// The test host's window procedure hands its mouse and key messages to the library, as a host does.
LRESULT ForwardInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool *handled)
{
    if ((message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK)) {
        *handled = true;
        return ZEL_EventMouse(hwnd, message, wParam, lParam);
    }
    if (message >= WM_KEYDOWN && message <= WM_SYSDEADCHAR) {
        *handled = true;
        ZEL_EventKey(hwnd, message, wParam, lParam);
        return 0;
    }
    return 0;
}

class InputTranslation : public testing::Test {
protected:
    void SetUp() override
    {
        ResetQueue();
        window = TestWindow();
        SetTestWindowHandler(ForwardInput);
    }
    void TearDown() override
    {
        SetTestWindowHandler(nullptr);
        ResetQueue();
    }
    // Every event the pump gives now, with keyUp events let in.
    std::vector<EventRecord> TakeEvents()
    {
        std::vector<EventRecord> out;
        EventRecord e{};
        for (int i = 0; i < 40 && GetNextEvent(everyEvent & ~(updateMask | activMask), &e); ++i)
            out.push_back(e);
        return out;
    }
    HWND window = nullptr;
};

LPARAM KeyData(WORD vk, int repeat = 1, bool extended = false, bool up = false)
{
    LPARAM data = repeat | (static_cast<LPARAM>(MapVirtualKeyA(vk, 0)) << 16);
    if (extended)
        data |= 0x01000000;
    if (up)
        data |= static_cast<LPARAM>(0xC0000000u);
    return data;
}

struct Typed {
    uint16_t what;
    uint32_t message;
    uint16_t modifiers; // of cmdKey | shiftKey | optionKey
};

std::vector<Typed> Typing(const std::vector<EventRecord> &events)
{
    std::vector<Typed> out;
    for (const EventRecord &e : events)
        out.push_back({e.what, e.message, static_cast<uint16_t>(e.modifiers & (cmdKey | shiftKey | optionKey))});
    return out;
}

bool operator==(const Typed &a, const Typed &b)
{
    return a.what == b.what && a.message == b.message && a.modifiers == b.modifiers;
}
std::ostream &operator<<(std::ostream &os, const Typed &t)
{
    return os << "{what " << t.what << ", message 0x" << std::hex << t.message << ", modifiers 0x" << t.modifiers
              << std::dec << "}";
}

} // namespace

TEST_F(InputTranslation, MouseMessagesBecomeMouseEvents)
{
    // Global coordinates are those of the host's client area.
    POINT global{20, 10};
    MapWindowPoints(window, testing_support::HostMainWindow(), &global, 1);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(20, 10));
    PostMessageA(window, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(20, 10));
    std::vector<EventRecord> events = TakeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].what, mouseDown);
    EXPECT_EQ(events[0].where.h, global.x) << "where is in global coordinates";
    EXPECT_EQ(events[0].where.v, global.y);
    EXPECT_EQ(events[0].modifiers & (shiftKey | cmdKey | btnState), shiftKey) << "Shift from MK_SHIFT, button down";
    EXPECT_EQ(events[1].what, mouseUp);
    EXPECT_EQ(events[1].modifiers & (shiftKey | cmdKey | btnState), cmdKey | btnState) << "Ctrl is Command";

    // A double click is a second mouse-down.
    PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    events = TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].what, mouseDown);
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    TakeEvents();
}

TEST_F(InputTranslation, RightClicksByTheSessionFlags)
{
    struct Row {
        const char *what;
        uint32_t flags;
        std::vector<uint16_t> kinds;
        uint16_t controlBit;
    };
    const Row rows[] = {
        {"left to Windows by default", 0, {}, 0},
        {"a control-click under 0x800", zelFlagRightIsControl, {mouseDown, mouseUp}, controlKey},
        {"a plain click under 0x400", zelFlagRightIsLeft, {mouseDown, mouseUp}, 0},
    };
    const uint32_t both = zelFlagRightIsControl | zelFlagRightIsLeft;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        uint32_t old = ZEL_SetFlags(both, row.flags, 0, 0);
        PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(8, 8));
        PostMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(8, 8));
        std::vector<EventRecord> events = TakeEvents();
        ZEL_SetFlags(both, old, 0, 0);
        std::vector<uint16_t> kinds;
        for (const EventRecord &e : events) {
            kinds.push_back(e.what);
            EXPECT_EQ(e.modifiers & controlKey, row.controlBit);
        }
        EXPECT_EQ(kinds, row.kinds);
    }
}

TEST_F(InputTranslation, TypedKeysGiveTheirMessagesAndModifiers)
{
    struct Row {
        const char *what;
        std::vector<WORD> held;
        WORD vk;
        bool extended;
        uint32_t message;
        uint16_t modifiers;
    };
    const Row rows[] = {
        {"a letter", {}, 'A', false, 0x0061, 0},
        {"Shift+A: the shifted character, its WM_CHAR swallowed", {VK_SHIFT}, 'A', false, 0x0041, shiftKey},
        {"a digit", {}, '1', false, 0x1231, 0},
        {"F5", {}, VK_F5, false, 0x6010, 0},
        {"Left arrow", {}, VK_LEFT, true, 0x7B1C, 0},
        {"Delete", {}, VK_DELETE, true, 0x757F, 0},
        {"Return", {}, VK_RETURN, false, 0x240D, 0},
        {"keypad Enter", {}, VK_RETURN, true, 0x4C03, 0},
        {"Ctrl+letter: Command with the plain character", {VK_CONTROL}, 'S', false, 0x0173, cmdKey},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        ResetQueue();
        TestWindow();
        for (WORD k : row.held)
            SendKey(k, true);
        INPUT in[2] = {};
        for (int i = 0; i < 2; ++i) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wVk = row.vk;
            in[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(row.vk, 0));
            in[i].ki.dwFlags = (row.extended ? KEYEVENTF_EXTENDEDKEY : 0) | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, in, sizeof(INPUT));
        std::vector<EventRecord> events = TakeEvents();
        for (WORD k : row.held)
            SendKey(k, false);
        TakeEvents();
        EXPECT_EQ(Typing(events), (std::vector<Typed>{{keyDown, row.message, row.modifiers}}));
    }
}

TEST_F(InputTranslation, CharacterMessagesAndKeyboardLayouts)
{
    // The expected Macintosh characters of two upper-half ANSI characters, by the library's own table.
    uint8_t ansi[2] = {0xE9, 0xEA}, mac[2] = {};
    ZEL_AnsiToMacBuf(ansi, mac, 2);
    // Hand-made messages go straight to the handler (the pump's TranslateMessage would add characters of
    // its own); a `queued` one waits in the thread's queue, as TranslateMessage's character does.
    struct Post {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool queued = false;
    };
    struct Row {
        const char *what;
        uint32_t conversion;
        std::vector<WORD> held;
        std::vector<Post> posts;
        std::vector<Typed> typed;
    };
    const uint32_t e9 = 0x7F00u | mac[0], ea = 0x7F00u | mac[1];
    const Row rows[] = {
        {"a WM_CHAR with repeat 3",
         1,
         {},
         {{WM_CHAR, 'x', 3}},
         {{keyDown, 0x0778, 0}, {autoKey, 0x0778, 0}, {autoKey, 0x0778, 0}, {keyUp, 0x0778, 0}}},
        {"ANSI 0xE9 under high-character mapping",
         1,
         {},
         {{WM_CHAR, 0xE9, 1}},
         {{keyDown, e9, optionKey}, {keyUp, e9, optionKey}}},
        {"ANSI 0xE9 without mapping keeps its byte", 0, {}, {{WM_CHAR, 0xE9, 1}}, {{keyDown, 0x22E9, 0}, {keyUp, 0x22E9, 0}}},
        {"a dead-key pair: only the composed character",
         1,
         {},
         {{WM_DEADCHAR, '^', KeyData(VK_OEM_6)}, {WM_KEYDOWN, 'E', KeyData('E')}, {WM_CHAR, 0xEA, 1}},
         {{keyDown, ea, optionKey}, {keyUp, ea, optionKey}}},
        {"Ctrl+Alt+Q typing the at sign (AltGr)",
         1,
         {VK_CONTROL, VK_MENU},
         {{WM_CHAR, '@', 1, true}, {WM_KEYDOWN, 'Q', KeyData('Q')}, {WM_KEYUP, 'Q', KeyData('Q', 1, false, true)}},
         {{keyDown, 0x1340, 0}, {keyUp, 0x1340, 0}}},
        {"Ctrl+Alt+Q typing nothing: a Command-Option key",
         1,
         {VK_CONTROL, VK_MENU},
         {{WM_KEYDOWN, 'Q', KeyData('Q')}},
         {{keyDown, 0x0C71, cmdKey | optionKey}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        ResetQueue();
        TestWindow();
        SetEventMask(0xFFFF);
        uint32_t oldConversion = ZEL_SystemValue(1, 24, row.conversion);
        for (WORD k : row.held)
            SendKey(k, true);
        TakeEvents(); // the held keys reach the thread's key state
        for (const Post &p : row.posts)
            if (p.queued)
                PostMessageA(window, p.message, p.wParam, p.lParam);
        for (const Post &p : row.posts)
            if (!p.queued)
                ZEL_EventKey(window, p.message, p.wParam, p.lParam);
        std::vector<EventRecord> events = TakeEvents();
        for (WORD k : row.held)
            SendKey(k, false);
        TakeEvents();
        ZEL_SystemValue(1, 24, oldConversion);
        EXPECT_EQ(Typing(events), row.typed);
    }
}

TEST_F(InputTranslation, HugeRepeatCountsDoNotFloodTheQueue)
{
    PostEvent(mouseDown, 1);
    ZEL_EventKey(window, WM_CHAR, 'z', 0xFFFF);
    std::vector<EventRecord> queued = QueuedEvents();
    ASSERT_FALSE(queued.empty());
    EXPECT_EQ(queued[0].what, mouseDown) << "nothing was evicted";
    ASSERT_GE(queued.size(), 2u);
    EXPECT_EQ(queued[1].what, keyDown);
    EXPECT_LE(queued.size(), 32u);
}

TEST_F(InputTranslation, CommandsAndNotificationsOfOtherWindows)
{
    EXPECT_EQ(ZEL_EventCommand(window, WM_COMMAND, MAKEWPARAM(0x0203, 0), 0), 0x0203);
    EXPECT_TRUE(QueuedEvents().empty()) << "a menu command queues nothing";

    // A button of a window that is not the library's: no click, nothing asked of the Dialog Manager.
    HWND button = CreateWindowA("BUTTON", "OK", WS_CHILD | WS_VISIBLE, 5, 5, 60, 20, window,
                                reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    ZEL_EventCommand(window, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_TRUE(QueuedEvents().empty());
    DestroyWindow(button);
}

TEST_F(InputTranslation, GrowBoxCornerAnswersAsTheSizingCorner)
{
    WindowPtr w = MakeEventWindow(60, 80);
    ASSERT_NE(w, nullptr);
    HWND hwnd = WindowHwnd(w);
    RECT client;
    GetClientRect(hwnd, &client);
    auto hit = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(hwnd, &p);
        return ZEL_EventMouse(hwnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    };
    EXPECT_EQ(hit(client.right - 3, client.bottom - 3), HTBOTTOMRIGHT);
    EXPECT_EQ(hit(client.right / 2, client.bottom / 2), HTCLIENT);
    DisposeWindow(w);
    DrainWindowEvents();
}

TEST_F(InputTranslation, ActivationPostsSuspendAndResume)
{
    auto activate = [](int16_t active) {
        ResetQueue();
        ZEL_ActivateApp(active);
        std::vector<EventRecord> queued = QueuedEvents();
        return queued.size() == 1 && queued[0].what == osEvt ? queued[0].message : 0u;
    };
    // The process's first resume converts the clipboard; a later run of this case (a repeated run in the
    // same process) starts from a changed scrap instead.
    static bool firstResume = true;
    if (!firstResume)
        ScrapInfo.scrapCount++;
    EXPECT_EQ(activate(0), 0x01000000u);
    EXPECT_EQ(activate(1), 0x01000003u) << (firstResume ? "the first resume converts the clipboard"
                                                        : "the scrap changed since the last resume");
    firstResume = false;
    EXPECT_EQ(activate(0), 0x01000000u);
    EXPECT_EQ(activate(1), 0x01000001u) << "the scrap did not change";
    ScrapInfo.scrapCount++;
    EXPECT_EQ(activate(0), 0x01000000u);
    EXPECT_EQ(activate(1), 0x01000003u) << "the scrap changed since the last resume";
    EXPECT_EQ(GetDblTime(), GetDoubleClickTime() / 16);
}

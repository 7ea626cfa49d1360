// Window lookup and the keyboard hooks: every library window leads back to its record, during creation
// and closing too; keys typed in a control of a library window are routed by the dialog keyboard hook;
// Ctrl+F4 closes on the release; F1 calls the help procedure once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Events.h"
#include "window_host.h"

using namespace window_tests;

namespace {

std::vector<UINT> sEditKeys; // WM_KEYDOWN and WM_CHAR reaching the edit control
WNDPROC sEditProc;

LRESULT CALLBACK EditSpy(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN)
        sEditKeys.push_back(static_cast<UINT>(wParam));
    return CallWindowProcA(sEditProc, hwnd, message, wParam, lParam);
}

void Type(std::vector<std::pair<WORD, bool>> keys)
{
    std::vector<INPUT> inputs;
    for (auto [vk, up] : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    for (int i = 0; i < 5; ++i) {
        PumpMessages();
        Sleep(10);
    }
}

void Press(WORD vk) { Type({{vk, false}, {vk, true}}); }

std::vector<UINT> KeysDown(const std::vector<HostMessage> &messages)
{
    std::vector<UINT> out;
    for (const HostMessage &m : messages)
        out.push_back(static_cast<UINT>(m.wParam));
    return out;
}

class KeyboardHooks : public testing::Test {
protected:
    void SetUp() override
    {
        w = MakeWindow(documentProc, 40, 30, 240, 120);
        edit = CreateWindowA("edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 150, 24, HwndOf(w), nullptr,
                             GetModuleHandleA(nullptr), nullptr);
        sEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditSpy)));
        SetForegroundWindow(HostMainWindow());
        SetFocus(edit);
        PumpMessages();
        TakeMessages(WM_KEYDOWN);
        TakeMessages(WM_KEYUP);
        sEditKeys.clear();
    }
    void TearDown() override
    {
        DestroyWindow(edit);
        DisposeWindow(w);
        TakeMessages(WM_KEYDOWN);
        TakeMessages(WM_KEYUP);
    }
    WindowPtr w = nullptr;
    HWND edit = nullptr;
};

int sHelpCalls;
void ZEL_CALL CountHelp() { ++sHelpCalls; }

// A host's dialog keyboard procedure: letters stay with the control only, Tab goes to both.
int sHostCalls;
WindowPtr sHostDialog;
void ZEL_CALL HostKeyProc(WindowPtr dialog, int16_t, int16_t kind, int32_t, EventRecord *event, Boolean *forward,
                          Boolean *pass)
{
    ++sHostCalls;
    sHostDialog = dialog;
    EXPECT_EQ(kind, static_cast<int16_t>(0xFFFF)) << "a plain edit control is no library control";
    ASSERT_NE(event, nullptr);
    if ((event->message & 0xFF) == 'a' || (event->message & 0xFF) == 'A') {
        *forward = FALSE;
        *pass = TRUE;
    }
    if ((event->message & 0xFF) == '\t')
        *pass = TRUE;
}

} // namespace

TEST_F(KeyboardHooks, DialogKeysGoToTheTargetAndOthersReachBoth)
{
    ASSERT_EQ(GetFocus(), edit) << "the keys need the focus in the edit control";
    EXPECT_EQ(ZEL_FocusWindow(), w) << "the library window that owns the focus";
    struct {
        WORD vk;
        bool target, control;
    } cases[] = {
        {VK_TAB, true, false}, {VK_ESCAPE, true, false}, {VK_RETURN, true, false},
        {VK_LEFT, true, true}, {'A', true, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.vk);
        FlushEvents(everyEvent, 0);
        Press(c.vk);
        std::vector<UINT> toTarget = KeysDown(TakeMessages(WM_KEYDOWN));
        EXPECT_EQ(toTarget == std::vector<UINT>{c.vk}, c.target);
        EXPECT_EQ(sEditKeys == std::vector<UINT>{c.vk}, c.control);
        // What reaches the target comes back from the event loop as a key-down.
        EventRecord event{};
        EXPECT_TRUE(GetNextEvent(keyDownMask, &event));
        EXPECT_EQ(event.what, keyDown);
        sEditKeys.clear();
        TakeMessages(WM_KEYUP);
    }
    FlushEvents(everyEvent, 0);

    ZEL_EndSession(1);
    Press('B');
    ZEL_EndSession(0);
    EXPECT_TRUE(sEditKeys.empty()) << "at session end no key reaches a control";
}

TEST_F(KeyboardHooks, TheHostsProcedureMayChangeWhereAKeyGoes)
{
    sHostCalls = 0;
    ZEL_SetDlgKBHook(reinterpret_cast<FARPROC>(HostKeyProc));
    Press('A');
    EXPECT_TRUE(KeysDown(TakeMessages(WM_KEYDOWN)).empty()) << "kept from the target";
    EXPECT_EQ(sEditKeys, std::vector<UINT>{'A'});
    sEditKeys.clear();
    Press(VK_TAB);
    EXPECT_EQ(KeysDown(TakeMessages(WM_KEYDOWN)), std::vector<UINT>{VK_TAB});
    EXPECT_EQ(sEditKeys, std::vector<UINT>{VK_TAB}) << "passed on as the procedure asked";
    ZEL_SetDlgKBHook(nullptr);
    EXPECT_GE(sHostCalls, 2);
    EXPECT_EQ(sHostDialog, w) << "the focus control's window is the dialog";
    sEditKeys.clear();
    Press(VK_TAB);
    EXPECT_TRUE(sEditKeys.empty()) << "removed: the library's own routing again";
    TakeMessages(WM_KEYUP);
}

TEST_F(KeyboardHooks, CtrlF4ClosesACaptionedWindowOnTheRelease)
{
    SetFocus(HwndOf(w));
    PumpMessages();
    TakeMessages(WM_SYSCOMMAND);
    Type({{VK_CONTROL, false}, {VK_F4, false}});
    EXPECT_TRUE(TakeMessages(WM_SYSCOMMAND).empty()) << "the press is only swallowed";
    Type({{VK_F4, true}, {VK_CONTROL, true}});
    auto commands = TakeMessages(WM_SYSCOMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].hwnd, HwndOf(w));
    EXPECT_EQ(commands[0].wParam & 0xFFF0, static_cast<WPARAM>(SC_CLOSE));
}

TEST_F(KeyboardHooks, F1CallsTheHelpProcedureOnceOnTheRelease)
{
    sHelpCalls = 0;
    ZEL_EnableHelpHook(reinterpret_cast<FARPROC>(CountHelp));
    HHOOK again = ZEL_EnableHelpHook(reinterpret_cast<FARPROC>(CountHelp));
    EXPECT_NE(again, nullptr);
    Type({{VK_F1, false}});
    EXPECT_EQ(sHelpCalls, 0) << "not on the press";
    Type({{VK_F1, true}});
    EXPECT_EQ(sHelpCalls, 1) << "enabled twice, one hook";
    ZEL_DisableHelpHook();
    Press(VK_F1);
    EXPECT_EQ(sHelpCalls, 1);
}

TEST(WindowLookup, EveryLibraryWindowLeadsBackToItsRecord)
{
    TakeMessages(WM_CREATE);
    TakeMessages(WM_DESTROY);
    for (int16_t procID : std::vector<int16_t>{documentProc, dBoxProc, plainDBox, 725, -725, 1999}) {
        SCOPED_TRACE(procID);
        WindowPtr w = MakeWindow(procID);
        ASSERT_NE(w, nullptr);
        WindowPtr found = nullptr;
        EXPECT_TRUE(ZEL_GetwPtr(HwndOf(w), &found));
        EXPECT_EQ(found, w);
        EXPECT_EQ(ZEL_GethWnd(w), HwndOf(w));
        auto created = TakeMessages(WM_CREATE);
        ASSERT_EQ(created.size(), 1u);
        EXPECT_EQ(created[0].record, w) << "during creation";
        HWND hwnd = HwndOf(w);
        DisposeWindow(w);
        auto destroyed = TakeMessages(WM_DESTROY);
        ASSERT_EQ(destroyed.size(), 1u);
        EXPECT_EQ(destroyed[0].hwnd, hwnd);
        EXPECT_EQ(destroyed[0].record, w) << "during closing";
    }
    WindowPtr w = MakeWindow(documentProc);
    HWND control = CreateWindowA("button", "b", WS_CHILD, 0, 0, 10, 10, HwndOf(w), nullptr, nullptr, nullptr);
    WindowPtr found = reinterpret_cast<WindowPtr>(1);
    EXPECT_FALSE(ZEL_GetwPtr(control, &found)) << "a control window has no record";
    EXPECT_EQ(found, nullptr);
    EXPECT_FALSE(ZEL_GetwPtr(HostMainWindow(), &found)) << "nor has a host window";
    EXPECT_EQ(ZEL_GethWnd(nullptr), nullptr);
    DestroyWindow(control);
    DisposeWindow(w);
}

// DebugStr's switches from "ZELPORT.INI" beside the program and from WIN.INI. Message boxes are caught
// as they open by a hook that records them and presses OK, so no case waits on one; a watchdog thread
// closes any box the hook missed (and the case then fails).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "ByteOrder.h"
#include "OSUtils.h"
#include "test_support.h"

using testing_support::P;
using testing_support::TakeBreakCount;
using testing_support::TakeDebugMessages;

namespace {

const char kSection[] = "zelport2";

std::string IniPath() { return testing_support::ProgramDirectory() + "ZELPORT.INI"; }

void WriteIniSwitch(const char *key, const char *value)
{
    WritePrivateProfileStringA(kSection, key, value, IniPath().c_str());
}
void WriteIni(const char *box, const char *brk)
{
    WriteIniSwitch("DebugStrMBox", box);
    WriteIniSwitch("DebugStrBreak", brk);
}
// The file's section is removed rather than the file deleted: Windows keeps the profile cached.
void ClearIni() { WritePrivateProfileStringA(kSection, nullptr, nullptr, IniPath().c_str()); }

void WriteProfile(const char *box, const char *brk)
{
    WriteProfileStringA(kSection, "DebugStrMBox", box);
    WriteProfileStringA(kSection, "DebugStrBreak", brk);
}
void ClearProfile() { WriteProfileStringA(kSection, nullptr, nullptr); }

// ---- message boxes ----

struct BoxSeen {
    std::string caption;
    std::string text;
    HWND owner;
    int breaksBefore; // breaks raised before the box opened
};
std::vector<BoxSeen> sBoxes;
HHOOK sHook;
std::atomic<int> sWatchdogClosed;

BOOL CALLBACK FindText(HWND child, LPARAM out)
{
    char cls[32] = "", text[300] = "";
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, text, sizeof text);
    if (!lstrcmpiA(cls, "Static") && text[0]) {
        *reinterpret_cast<std::string *>(out) = text;
        return FALSE;
    }
    return TRUE;
}

// Records each dialog box once it is initialised and presses its OK button.
LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    auto *msg = reinterpret_cast<CWPRETSTRUCT *>(lParam);
    if (code == HC_ACTION && msg->message == WM_INITDIALOG) {
        BoxSeen seen{};
        char caption[128] = "";
        GetWindowTextA(msg->hwnd, caption, sizeof caption);
        seen.caption = caption;
        EnumChildWindows(msg->hwnd, FindText, reinterpret_cast<LPARAM>(&seen.text));
        seen.owner = GetWindow(msg->hwnd, GW_OWNER);
        seen.breaksBefore = TakeBreakCount();
        sBoxes.push_back(seen);
        PostMessageA(msg->hwnd, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(sHook, code, wParam, lParam);
}

BOOL CALLBACK CloseOwnBoxes(HWND hwnd, LPARAM)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && !std::strcmp(cls, "#32770") && IsWindowVisible(hwnd)) {
        ++sWatchdogClosed;
        PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

DWORD WINAPI Watchdog(void *)
{
    for (;;) {
        Sleep(5000);
        EnumWindows(CloseOwnBoxes, 0);
    }
}

HWND sMainWindow;

// One session per process, with the box hook and the watchdog; DebugStr is not silenced.
void StartSession()
{
    static SessionParamBlock block;
    if (sMainWindow)
        return;
    sMainWindow = testing_support::CreateHostMainWindow();
    ASSERT_NE(sMainWindow, nullptr);
    block = testing_support::MakeSessionBlock(sMainWindow, zelFlagRawCallbacks);
    ZEL_InitSession(&block);
    sHook = SetWindowsHookExA(WH_CALLWNDPROCRET, BoxHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(sHook, nullptr);
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
}

// What one message did: the debugger output, the boxes and the breaks.
struct Outcome {
    std::vector<std::string> output;
    std::vector<BoxSeen> boxes;
    int breaks;
};
Outcome Send(const char *text)
{
    TakeDebugMessages();
    TakeBreakCount();
    sBoxes.clear();
    DebugStr(P(text).c_str());
    Outcome o;
    o.output = TakeDebugMessages();
    o.boxes = sBoxes;
    o.breaks = TakeBreakCount();
    for (const BoxSeen &b : o.boxes)
        o.breaks += b.breaksBefore;
    return o;
}

const std::vector<std::string> kNone;
std::vector<std::string> Line(const char *text) { return {text, "\r\n"}; }

// A fresh start for a scenario: no switches in the file or the profile.
class DebugStrScenario : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ClearProfile();
        ClearIni();
        StartSession();
    }
    static void TearDownTestSuite()
    {
        ClearProfile();
        ClearIni();
        EXPECT_EQ(sWatchdogClosed.load(), 0) << "a message box was left open";
    }
};

} // namespace

// ---- switches in the file beside the program (one process) ----

class DebugStrSwitches : public DebugStrScenario {};

TEST_F(DebugStrSwitches, FileSwitchesTakeEffectAtTheNextMessage)
{
    struct {
        const char *box, *brk;
        bool boxShown;
        int breaks;
        const char *what;
    } steps[] = {
        {"0", "0", false, 0, "box off: debugger output with a line end"},
        {"1", "0", true, 0, "box on"},
        {"0", "1", false, 1, "box off, break on"},
        {"1", "1", true, 1, "box and break"},
        {"0", "0", false, 0, "both off again"},
    };
    for (const auto &s : steps) {
        WriteIni(s.box, s.brk);
        Outcome o = Send("Switch test");
        EXPECT_EQ(o.output, s.boxShown ? kNone : Line("Switch test")) << s.what;
        EXPECT_EQ(o.boxes.size(), s.boxShown ? 1u : 0u) << s.what;
        EXPECT_EQ(o.breaks, s.breaks) << s.what;
    }
}

TEST_F(DebugStrSwitches, BoxShowsTheMessageOverTheMainWindowThenBreaks)
{
    WriteIni("1", "1");
    Outcome o = Send("Something to see");
    ASSERT_EQ(o.boxes.size(), 1u);
    EXPECT_EQ(o.boxes[0].text, "Something to see");
    EXPECT_EQ(o.boxes[0].caption, "TOLVADEX diagnostics") << "the host's string 1029";
    EXPECT_EQ(o.boxes[0].owner, sMainWindow);
    EXPECT_EQ(o.boxes[0].breaksBefore, 0) << "the break comes after the box is closed";
    EXPECT_EQ(o.breaks, 1);
    EXPECT_TRUE(o.output.empty());
}

TEST_F(DebugStrSwitches, MissingKeysKeepTheCurrentValues)
{
    WriteIni("0", "1");
    Send("set");
    ClearIni();
    Outcome o = Send("kept");
    EXPECT_EQ(o.output, Line("kept"));
    EXPECT_EQ(o.breaks, 1);
    WriteIni("0", "0");
}

TEST_F(DebugStrSwitches, SessionFlagSilencesEverything)
{
    WriteIni("1", "1");
    uint32_t previous = ZEL_SetFlags(zelFlagSilentDebugStr, zelFlagSilentDebugStr, 0, 0);
    Outcome o = Send("hidden");
    Debugger();
    ZEL_SetFlags(zelFlagSilentDebugStr, previous, 0, 0);
    EXPECT_TRUE(o.output.empty());
    EXPECT_TRUE(o.boxes.empty());
    EXPECT_EQ(o.breaks + TakeBreakCount(), 0);
    EXPECT_TRUE(sBoxes.empty());
    WriteIni("0", "0");
}

// A resource type of the program's own is no fault: whatever the switches and the silencing flag say,
// its note goes to the debugger output alone, and the data is handed over as stored.
TEST_F(DebugStrSwitches, UnknownByteSwapTypeIsNotedInTheDebuggerOutputOnly)
{
    struct {
        const char *box, *brk;
        bool silenced;
        const char *what;
    } settings[] = {
        {"1", "0", false, "box on"},
        {"1", "1", false, "box and break on"},
        {"0", "1", false, "break on"},
        {"1", "1", true, "box and break on, DebugStr silenced"},
    };
    for (const auto &c : settings) {
        WriteIni(c.box, c.brk);
        uint32_t previous = ZEL_SetFlags(zelFlagSilentDebugStr, c.silenced ? zelFlagSilentDebugStr : 0, 0, 0);
        TakeDebugMessages();
        TakeBreakCount();
        sBoxes.clear();
        unsigned char data[6] = {1, 2, 3, 4, 5, 6};
        ZEL_ByteSwap_Code(zelSwapToNative, 0x4D484C50 /* 'MHLP' */, 128, sizeof data, data, nullptr);
        ZEL_SetFlags(zelFlagSilentDebugStr, previous, 0, 0);
        EXPECT_EQ(TakeDebugMessages(), Line("MHLP unknown byteswap type")) << c.what;
        EXPECT_TRUE(sBoxes.empty()) << c.what;
        EXPECT_EQ(TakeBreakCount(), 0) << c.what;
        const unsigned char stored[6] = {1, 2, 3, 4, 5, 6};
        EXPECT_EQ(std::memcmp(data, stored, sizeof data), 0) << c.what;
    }
    WriteIni("0", "0");
}

// ---- defaults, and the profile read once (a process each) ----

class DebugStrDefaults : public DebugStrScenario {};

TEST_F(DebugStrDefaults, NoSwitchesAnywhereShowsABoxAndDoesNotBreak)
{
    for (int i = 0; i < 2; ++i) {
        Outcome o = Send("Default channel");
        EXPECT_EQ(o.boxes.size(), 1u) << "message " << i;
        EXPECT_TRUE(o.output.empty()) << "message " << i;
        EXPECT_EQ(o.breaks, 0) << "message " << i;
    }
}

class DebugStrProfile : public DebugStrScenario {};

TEST_F(DebugStrProfile, ProfileIsReadAtTheFirstMessageOnly)
{
    WriteProfile("0", "1");
    Outcome first = Send("first");
    EXPECT_EQ(first.output, Line("first"));
    EXPECT_EQ(first.breaks, 1);

    WriteProfile("1", "0");
    Outcome second = Send("second");
    EXPECT_EQ(second.output, Line("second")) << "a later change of the profile has no effect";
    EXPECT_TRUE(second.boxes.empty());
    EXPECT_EQ(second.breaks, 1);
}

class DebugStrFileOverProfile : public DebugStrScenario {};

TEST_F(DebugStrFileOverProfile, FileBesideTheHostWinsFromTheFirstMessage)
{
    WriteProfile("1", "1");
    WriteIni("0", "0");
    for (const char *text : {"first", "second"}) {
        Outcome o = Send(text);
        EXPECT_EQ(o.output, Line(text));
        EXPECT_TRUE(o.boxes.empty()) << text;
        EXPECT_EQ(o.breaks, 0) << text;
    }
}

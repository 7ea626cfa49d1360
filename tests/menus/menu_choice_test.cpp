// Menu choices: a bar item chosen with real keys comes back as the menu-bar mouse-down and MenuSelect's
// result; the Quit path; WM_MENUSELECT's close; pop-ups tracked by a menu definition procedure.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "Events.h"
#include "MacWindows.h"
#include "OSUtils.h"
#include "menu_bar_fixture.h"

namespace {
using namespace menu_tests;

WNDPROC sForwardedProc;

// The host's window procedure as the glue asks: menu messages go to the library.
LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0)
            ZEL_EventMenuSel(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        ZEL_InitMenuMsg(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_MENUSELECT:
        ZEL_MenuSelect(hwnd, message, wParam, lParam);
        break;
    case WM_ENTERIDLE:
        ZEL_EnterIdle(hwnd, message, wParam, lParam);
        break;
    }
    return CallWindowProcA(sForwardedProc, hwnd, message, wParam, lParam);
}

void SendKeys(const std::vector<WORD> &keys)
{
    std::vector<INPUT> inputs;
    for (WORD vk : keys) {
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = vk;
            in.ki.dwFlags = up;
            inputs.push_back(in);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void SendMouse(DWORD flags, int x = 0, int y = 0)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &in, sizeof in);
}

// Ends a menu loop that the test's input did not end: Escape keys and a cancel to the menu's owner.
class Watchdog {
public:
    explicit Watchdog(HWND owner) : owner_(owner), done_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~Watchdog()
    {
        SetEvent(done_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(done_);
    }
    bool Fired() const { return fired_; }

private:
    static DWORD WINAPI Run(void *self)
    {
        auto *w = static_cast<Watchdog *>(self);
        if (WaitForSingleObject(w->done_, 15000) == WAIT_TIMEOUT) {
            w->fired_ = true;
            SendKeys({VK_ESCAPE, VK_ESCAPE, VK_ESCAPE});
            SendMouse(MOUSEEVENTF_LEFTUP);
            PostMessageA(w->owner_, WM_CANCELMODE, 0, 0);
        }
        return 0;
    }
    HWND owner_;
    HANDLE done_;
    HANDLE thread_;
    std::atomic<bool> fired_{false};
};

// The queued mouse-downs whose where is (v, h).
int QueuedMouseDowns(int16_t v, int16_t h)
{
    int n = 0;
    for (auto e = reinterpret_cast<EvQEl *>(GetEvQHdr()->qHead); e; e = e->qLink)
        n += e->evtQWhat == mouseDown && e->evtQWhere.v == v && e->evtQWhere.h == h;
    return n;
}

class MenuChoices : public MenuBar {
protected:
    void SetUp() override
    {
        MenuBar::SetUp();
        sForwardedProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForwardingProc)));
        FlushEvents(everyEvent, 0);
    }
    void TearDown() override
    {
        SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sForwardedProc));
        ShowWindow(host_, SW_HIDE);
        FlushEvents(everyEvent, 0);
        MenuBar::TearDown();
    }
    void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
};

TEST_F(MenuChoices, KeysChooseFromTheFrameMenu)
{
    DrawMenuBa();
    ShowWindow(host_, SW_SHOW);
    SetForegroundWindow(host_);
    SetFocus(host_);
    Pump();
    const int32_t before = MenuSelect(Point{0, 0});
    ASSERT_NE(before, (128 << 16) | 2);
    // Alt opens the bar, F the File menu (its first item selected), Down the second item, Return takes it.
    SendKeys({VK_MENU, 'F', VK_DOWN, VK_RETURN});
    {
        Watchdog dog(host_);
        while (MenuSelect(Point{0, 0}) == before && !dog.Fired()) {
            Pump();
            Sleep(1);
        }
        EXPECT_FALSE(dog.Fired());
    }
    EXPECT_EQ(MenuSelect(Point{0, 0}), (128 << 16) | 2);
    EXPECT_EQ(LMGetTheMenu(), 128);
    EXPECT_EQ(QueuedMouseDowns(-1, -1), 1);
    HiliteMenu(0);
}

TEST_F(MenuChoices, QuitPathChoosesTheApplicationMenusLastItem)
{
    for (int folding : {0, 1}) {
        SCOPED_TRACE(folding ? "folding on" : "folding off");
        ZEL_SystemValue(1, 13, folding);
        DrawMenuBa();
        FlushEvents(everyEvent, 0);
        ZEL_EventMenuSel(0xFFFF);
        EXPECT_EQ(MenuSelect(Point{0, 0}), (128 << 16) | 4);
        EXPECT_EQ(QueuedMouseDowns(-1, -1), 1);
        HiliteMenu(0);
    }
}

TEST_F(MenuChoices, CommandsOfTheBarAndAnEmptyBar)
{
    DrawMenuBa();
    const UINT open = GetMenuItemID(GetSubMenu(frame_, 1), 1);
    ZEL_EventMenuSel(static_cast<uint16_t>(open));
    EXPECT_EQ(MenuSelect(Point{0, 0}), (128 << 16) | 2);
    HiliteMenu(0);

    // Command 0 names the first bar menu; with no bar that is menu 0, and nothing past MenuList is read.
    ClearMenuBar();
    ZEL_EventMenuSel(0);
    EXPECT_EQ(MenuSelect(Point{0, 0}), 1);
    EXPECT_EQ(LMGetTheMenu(), 0);
}

TEST_F(MenuChoices, MenuSelectMessages)
{
    // The menu closed: item 0, no menu, flags 0xFFFF.
    EXPECT_EQ(ZEL_MenuSelect(host_, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0), 1);
    EXPECT_EQ(ZEL_MenuSelect(host_, WM_MENUSELECT, MAKEWPARAM(0x0103, MF_HILITE), 1), 0);
    // An item of a slot that has no menu changes nothing.
    EXPECT_EQ(ZEL_MenuSelect(host_, WM_MENUSELECT, MAKEWPARAM(0xF000, MF_OWNERDRAW), 1), 0);
}

TEST_F(MenuChoices, HooksAndMenuResourceFiles)
{
    struct Hook {
        static void ZEL_CALL Run() {}
    };
    EXPECT_EQ(ZEL_GetMenuHook(), nullptr);
    ZEL_SetMenuHook(reinterpret_cast<FARPROC>(Hook::Run));
    EXPECT_EQ(ZEL_GetMenuHook(), reinterpret_cast<FARPROC>(Hook::Run));
    ZEL_SetMenuHook(nullptr);
    EXPECT_EQ(ZEL_GetMenuHook(), nullptr);
    EXPECT_TRUE(ZEL_SetMenuResFile(0, 0x1234, 5));
    EXPECT_TRUE(ZEL_SetMenuResFile(1, 0, 0));
    EXPECT_FALSE(ZEL_SetMenuResFile(2, 0x1234, 5));
    EXPECT_FALSE(ZEL_SetMenuResFile(-1, 0x1234, 5));
    ZEL_SetMenuResFile(0, 0, 0);
}

// Keys sent into TrackPopupMenu's loop by a thread timer, which that loop runs.
std::vector<WORD> sTimerKeys;
VOID CALLBACK SendTimerKeys(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    SendKeys(sTimerKeys);
}

TEST_F(MenuChoices, PopUpMenuByKeys)
{
    ShowWindow(host_, SW_SHOW);
    SetForegroundWindow(host_);
    SetFocus(host_);
    Pump();
    MenuHandle menu = NewMenu(160, P("Pop").c_str());
    AppendMen(menu, P("Red;Green;Blue").c_str());
    struct Case {
        const char *what;
        std::vector<WORD> keys;
        int32_t result;
    } const cases[] = {
        {"Down twice and Return take the second item", {VK_DOWN, VK_DOWN, VK_RETURN}, (160 << 16) | 2},
        {"Escape takes nothing", {VK_ESCAPE}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        sTimerKeys = c.keys;
        SetTimer(nullptr, 0, 100, SendTimerKeys);
        Watchdog dog(host_);
        EXPECT_EQ(PopUpMenuSelect(menu, 200, 200, 0), c.result);
        EXPECT_FALSE(dog.Fired());
    }
    DeleteMen(160);
    DisposeMenu(menu);
}

// While the library tracks a pop-up, a click on the main window's frame is the menu's: ZEL_NCMessage
// answers it itself (1) instead of starting Windows' caption or sizing loop; afterwards the frame's
// default procedure answers again.
LRESULT sFrameClickDuringPopUp = -1;
VOID CALLBACK ClickFrameThenEscape(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    sFrameClickDuringPopUp = ZEL_NCMessage(testing_support::HostMainWindow(), WM_NCLBUTTONDOWN, HTNOWHERE, 0);
    SendKeys({VK_ESCAPE});
}

TEST_F(MenuChoices, AFrameClickDuringAPopUpIsTheMenus)
{
    ShowWindow(host_, SW_SHOW);
    SetForegroundWindow(host_);
    SetFocus(host_);
    Pump();
    MenuHandle menu = NewMenu(161, P("Pop").c_str());
    AppendMen(menu, P("One;Two").c_str());
    sFrameClickDuringPopUp = -1;
    SetTimer(nullptr, 0, 100, ClickFrameThenEscape);
    {
        Watchdog dog(host_);
        EXPECT_EQ(PopUpMenuSelect(menu, 200, 200, 0), 0);
        EXPECT_FALSE(dog.Fired());
    }
    EXPECT_EQ(sFrameClickDuringPopUp, 1);
    EXPECT_EQ(ZEL_NCMessage(testing_support::HostMainWindow(), WM_NCLBUTTONDOWN, HTNOWHERE, 0), 0)
        << "no pop-up: the default procedure";
    DeleteMen(161);
    DisposeMenu(menu);
}

// A menu with its own definition procedure pops up in a library window; the procedure gets the size,
// pop-up, draw and choose messages, and the item under the mouse when the button comes up is chosen.
struct TestMDEF {
    static inline std::vector<int16_t> messages;
    static inline Rect rect;
    static void ZEL_CALL Run(int16_t message, MenuHandle menu, Rect *menuRect, Point hit, int16_t *item)
    {
        if (messages.empty() || messages.back() != message || message != mChooseMsg)
            messages.push_back(message);
        switch (message) {
        case mSizeMsg:
            (*menu)->menuWidth = 100;
            (*menu)->menuHeight = 60;
            menuRect->right = static_cast<int16_t>(menuRect->left + 100);
            menuRect->bottom = static_cast<int16_t>(menuRect->top + 60);
            rect = *menuRect;
            break;
        case mChooseMsg:
            *item = hit.v >= menuRect->top && hit.v < menuRect->bottom && hit.h >= menuRect->left &&
                            hit.h < menuRect->right
                        ? static_cast<int16_t>((hit.v - menuRect->top) / 20 + 1)
                        : 0;
            break;
        default:
            break;
        }
    }
};

DWORD WINAPI MoveAndRelease(void *offset)
{
    const POINT o = *static_cast<POINT *>(offset);
    const RECT r = WaitForPopUpWindow();
    const POINT p{r.left + o.x, r.top + o.y};
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p.x, p.y);
    Sleep(100);
    SendMouse(MOUSEEVENTF_LEFTUP);
    return 0;
}

TEST_F(MenuChoices, DefinitionProcedurePopUp)
{
    MenuHandle menu = NewMenu(150, P("Pop").c_str());
    AppendMen(menu, P("One;Two;Three").c_str());
    Handle mdef = NewHandleClear(6);
    MenuDefProcPtr proc = TestMDEF::Run;
    std::memcpy(*mdef + 2, &proc, sizeof proc);
    (*menu)->menuProc = mdef;
    TestMDEF::messages.clear();

    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 150, 150);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Button(); // the press reaches the event state, as the host's mouse handler would tell it
    POINT target{20, 30}; // in the second 20-pixel line of the menu
    HANDLE mover = CreateThread(nullptr, 0, MoveAndRelease, &target, 0, nullptr);
    int32_t result;
    {
        Watchdog dog(host_);
        result = PopUpMenuSelect(menu, 100, 140, 0);
        EXPECT_FALSE(dog.Fired());
    }
    WaitForSingleObject(mover, INFINITE);
    CloseHandle(mover);
    EXPECT_EQ(result, (150 << 16) | 2);
    ASSERT_GE(TestMDEF::messages.size(), 4u);
    EXPECT_EQ(std::vector<int16_t>(TestMDEF::messages.begin(), TestMDEF::messages.begin() + 4),
              (std::vector<int16_t>{mSizeMsg, mPopUpMsg, mDrawMsg, mChooseMsg}));
    EXPECT_EQ(TestMDEF::rect.top, 100);
    EXPECT_EQ(TestMDEF::rect.left, 140);
    (*menu)->menuProc = nullptr;
    DisposeHandle(mdef);
    DisposeMenu(menu);
}

} // namespace

// The Window Manager under a multiple-document frame (session flag 0x1): library windows become MDI
// children through WM_MDICREATE, MDI activation reaches the application as activate events, and the
// default maximised state follows the active child. A program of its own: the session is an MDI one.
#include <gtest/gtest.h>

#include "Events.h"
#include "LowMem.h"
#include "MacWindows.h"
#include "Menus.h"
#include "OSUtils.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_support.h"

namespace {

HWND sFrame, sClient;
// A child asked to erase its background while the frame recalculates its non-client area (as
// DrawMenuBar makes it do), and its answer.
HWND sEraseProbe;
LRESULT sEraseAnswer = -1;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCALCSIZE && sEraseProbe) {
        HDC dc = GetDC(sEraseProbe);
        sEraseAnswer = SendMessageA(sEraseProbe, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(sEraseProbe, dc);
    }
    return DefFrameProcA(hwnd, sClient, message, wParam, lParam);
}

LRESULT CALLBACK ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (ZEL_EventUpdate(hwnd))
            return 0;
        break;
    case WM_MDIACTIVATE:
    case WM_CHILDACTIVATE:
        ZEL_EventActivate(hwnd, message, wParam, lParam);
        break;
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_NCLBUTTONDOWN:
        return ZEL_NCMessage(hwnd, message, wParam, lParam);
    case WM_ERASEBKGND:
        return ZEL_WindChange(hwnd, message, wParam, lParam);
    }
    return DefMDIChildProcA(hwnd, message, wParam, lParam);
}

class MdiEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = FrameProc;
        wc.hInstance = instance;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = "MdiTestFrame";
        wc.cbWndExtra = zelWindowExtraBytes;
        RegisterClassA(&wc);
        wc.lpfnWndProc = ChildProc;
        wc.lpszClassName = "MdiTestChild";
        RegisterClassA(&wc);
        // The frame's own menu: a Window menu, beside which the library puts the application's bar.
        HMENU frameMenu = CreateMenu();
        AppendMenuA(frameMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&Window");
        sFrame = CreateWindowA("MdiTestFrame", "MDI host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 800, 600,
                               nullptr, frameMenu, instance, nullptr);
        CLIENTCREATESTRUCT ccs{nullptr, 0xFF00};
        sClient = CreateWindowA("MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 780, 540,
                                sFrame, nullptr, instance, &ccs);
        ShowWindow(sFrame, SW_SHOW);
        static SessionParamBlock block =
            testing_support::MakeSessionBlock(sFrame, zelFlagRawCallbacks | zelFlagMDIFrame);
        block.mdiClient = sClient;
        block.mainWindowClass = "MdiTestFrame";
        block.subWindowClass = "MdiTestChild";
        block.mdiSubWindowClass = "MdiTestChild";
        ZEL_InitSession(&block);
        testing_support::QuickDrawGlobals();
        InitWindows();
        InitMenus();
    }
    void TearDown() override { ZEL_ExitSession(); }
};

const testing::Environment *const sEnvironment = testing::AddGlobalTestEnvironment(new MdiEnvironment);

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

WindowPtr MakeChild(int top, int left, bool visible = true)
{
    Rect bounds{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(top + 120),
                static_cast<int16_t>(left + 200)};
    auto title = testing_support::P("Child");
    WindowPtr w = reinterpret_cast<WindowPtr>(NewCWindow(nullptr, &bounds, title.c_str(), visible, documentProc,
                                                         reinterpret_cast<WindowPtr>(-1), TRUE, 0));
    Pump();
    return w;
}

WindowAuxRecord *Aux(WindowPtr w) { return reinterpret_cast<WindowAuxRecord *>(*reinterpret_cast<WindowPeek>(w)->dataHandle); }
HWND Hwnd(WindowPtr w) { return Aux(w)->hwnd; }
HWND ActiveChild() { return reinterpret_cast<HWND>(SendMessageA(sClient, WM_MDIGETACTIVE, 0, 0)); }

// The activate events the pump gives, deactivations first.
std::vector<std::pair<WindowPtr, bool>> TakeActivateEvents()
{
    std::vector<std::pair<WindowPtr, bool>> out;
    EventRecord event;
    for (int i = 0; i < 8; ++i)
        if (GetNextEvent(activMask, &event) && event.what == activateEvt)
            out.push_back({reinterpret_cast<WindowPtr>(event.message), (event.modifiers & activeFlag) != 0});
    return out;
}

} // namespace

TEST(MdiWindows, LibraryWindowsAreMdiChildren)
{
    WindowPtr w = MakeChild(20, 20);
    ASSERT_NE(w, nullptr);
    HWND hwnd = Hwnd(w);
    EXPECT_TRUE(Aux(w)->createFlags & wcfMDIChild);
    EXPECT_TRUE(Aux(w)->stateFlags & wsfTakesFocus) << "MDI children take the focus";
    EXPECT_EQ(GetParent(hwnd), sClient);
    EXPECT_EQ(ActiveChild(), hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 120);

    WindowPtr hidden = MakeChild(60, 60, false);
    EXPECT_FALSE(IsWindowVisible(Hwnd(hidden))) << "an invisible child is hidden again after WM_MDICREATE";

    DisposeWindow(hidden);
    DisposeWindow(w);
    EXPECT_FALSE(IsWindow(hwnd)) << "destroyed through WM_MDIDESTROY";
    TakeActivateEvents();
}

TEST(MdiWindows, MdiActivationGivesDeactivateThenActivate)
{
    WindowPtr a = MakeChild(20, 20);
    WindowPtr b = MakeChild(60, 80);
    TakeActivateEvents();
    SendMessageA(sClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(Hwnd(a)), 0);
    Pump();
    auto events = TakeActivateEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].first, b);
    EXPECT_FALSE(events[0].second) << "the deactivation first";
    EXPECT_EQ(events[1].first, a);
    EXPECT_TRUE(events[1].second);
    EXPECT_EQ(FrontWindow(), a);
    DisposeWindow(b);
    DisposeWindow(a);
    TakeActivateEvents();
}

TEST(MdiWindows, DefaultStateFollowsTheActiveChild)
{
    WindowPtr a = MakeChild(20, 20);
    EXPECT_EQ(ZEL_MDIDefaultState(0, 0, 0), 0u);
    SendMessageA(sClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(Hwnd(a)), 0);
    Pump();
    EXPECT_EQ(ZEL_MDIDefaultState(0, 0, 0), static_cast<uint32_t>(WS_MAXIMIZE));
    WindowPtr b = MakeChild(60, 80);
    EXPECT_TRUE(IsZoomed(Hwnd(b))) << "a new child takes the default maximised state";
    EXPECT_EQ(ZEL_MDIDefaultState(1, 0, 0), 0u) << "set stores the state";
    DisposeWindow(b);
    DisposeWindow(a);
    TakeActivateEvents();
}

// The frame's menu bar redrawn over a zoomed library child: the child keeps what it shows (its
// WM_ERASEBKGND erases nothing meanwhile), and an update it had pending is taken into its record before
// Windows' own is validated, so that the application still gets its update event and Windows no repaint.
TEST(MdiWindows, AMenuBarChangeLeavesTheZoomedChildAsItIs)
{
    WindowPtr a = MakeChild(20, 20);
    SendMessageA(sClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(Hwnd(a)), 0);
    Pump();
    BeginUpdate(a);
    EndUpdate(a);
    HWND hwnd = Hwnd(a);
    InvalidateRect(hwnd, nullptr, FALSE);

    MenuHandle extra = NewMenu(200, testing_support::P("Extra").c_str());
    AppendMen(extra, testing_support::P("Item").c_str());
    InsertMen(extra, 0);
    sEraseProbe = hwnd;
    sEraseAnswer = -1;
    DrawMenuBa();
    sEraseProbe = nullptr;
    EXPECT_EQ(sEraseAnswer, 0) << "no erasing while the menu bar is redrawn";
    RECT pending;
    EXPECT_FALSE(GetUpdateRect(hwnd, &pending, FALSE)) << "Windows' update region validated";
    EXPECT_FALSE(EmptyRgn(reinterpret_cast<WindowPeek>(a)->updateRgn)) << "the update is the record's";

    HDC dc = GetDC(hwnd);
    EXPECT_NE(SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0) << "erased again afterwards";
    ReleaseDC(hwnd, dc);
    DeleteMen(200);
    DrawMenuBa();
    DisposeMenu(extra);
    DisposeWindow(a);
    TakeActivateEvents();
    FlushEvents(everyEvent, 0);
}

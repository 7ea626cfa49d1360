// One global coordinate space, the host's client area: the bounds a window is made or moved with, what
// LocalToGlobal and the regions read back, a click's where, FindWindow and screenBits all agree, for
// every frame kind; moving the host's frame moves no window in it; one window is highlighted.
#include <gtest/gtest.h>

#include "Events.h"
#include "LowMem.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "window_host.h"

using namespace window_tests;

namespace {

struct FrameKind {
    int16_t procID;
    const char *what;
};

const FrameKind kFrameKinds[] = {
    {documentProc, "document, sizing frame"},
    {noGrowDocProc, "document without grow box"},
    {zoomDocProc, "zoomable document"},
    {rDocProc, "rounded document"},
    {dBoxProc, "modal dialog box (a pop-up)"},
    {2048, "Macintosh-style frame, child of the main window"},
    {2049, "Macintosh-style frame, child of the client area"},
};

Point GlobalTopLeft(WindowPtr w)
{
    SetPort(w);
    Point p{w->portRect.top, w->portRect.left};
    LocalToGlobal(&p);
    return p;
}

Rect MakeRect(int top, int left, int bottom, int right)
{
    return Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                static_cast<int16_t>(right)};
}

Rect ToRect(const RECT &r) { return MakeRect(r.top, r.left, r.bottom, r.right); }

WindowPtr NewAt(int16_t procID, const Rect &bounds)
{
    return NewCWindow(nullptr, &bounds, reinterpret_cast<ConstStr255Param>("\3Doc"), TRUE, procID,
                      reinterpret_cast<WindowPtr>(-1), TRUE, 0);
}

// Pending events and the host's messages go, so that each step reads only its own.
void Drain()
{
    PumpMessages();
    EventRecord e;
    for (int i = 0; i < 200 && GetNextEvent(everyEvent, &e); ++i)
        if (e.what == updateEvt) {
            WindowPtr w = reinterpret_cast<WindowPtr>(e.message);
            BeginUpdate(w);
            EndUpdate(w);
        }
}

class GlobalSpace : public ::testing::TestWithParam<FrameKind> {};

} // namespace

TEST_P(GlobalSpace, BoundsLocalToGlobalAndRegionsAgree)
{
    const Rect bounds = MakeRect(80, 60, 180, 260);
    WindowPtr w = NewAt(GetParam().procID, bounds);
    ASSERT_NE(w, nullptr);
    PumpMessages();
    const Point at = GlobalTopLeft(w);
    EXPECT_EQ(at.h, bounds.left) << "LocalToGlobal gives the bounds asked for";
    EXPECT_EQ(at.v, bounds.top);
    EXPECT_TRUE(SameRect(BoxOf(PeekOf(w)->contRgn), bounds)) << "the content region is the bounds";
    EXPECT_TRUE(SameRect(ToRect(GlobalClientRect(HwndOf(w))), bounds)) << "and the Windows client area is there";
    EXPECT_TRUE(SameRect(ToRect(GlobalWindowRect(HwndOf(w))), BoxOf(PeekOf(w)->strucRgn)));
    const Rect pixels = reinterpret_cast<CGrafPtr>(w)->portPixMap ? (*reinterpret_cast<CGrafPtr>(w)->portPixMap)->bounds
                                                                   : w->portBits.bounds;
    EXPECT_EQ(pixels.left, -bounds.left) << "the port's bitmap puts local 0,0 at the global place";
    EXPECT_EQ(pixels.top, -bounds.top);

    // Moving a window to its own place moves nothing, however often.
    for (int i = 0; i < 10; ++i) {
        const Point here = GlobalTopLeft(w);
        MoveWindo(w, here.h, here.v, FALSE);
    }
    PumpMessages();
    const Point after = GlobalTopLeft(w);
    EXPECT_EQ(after.h, bounds.left);
    EXPECT_EQ(after.v, bounds.top);
    EXPECT_TRUE(SameRect(ToRect(GlobalClientRect(HwndOf(w))), bounds));

    // A window remembers its place; one made at the saved place opens there.
    MoveWindo(w, 90, 110, FALSE);
    const Point saved = GlobalTopLeft(w);
    EXPECT_EQ(saved.h, 90);
    EXPECT_EQ(saved.v, 110);
    const Rect savedBounds = MakeRect(saved.v, saved.h, saved.v + 100, saved.h + 200);
    DisposeWindow(w);
    WindowPtr again = NewAt(GetParam().procID, savedBounds);
    ASSERT_NE(again, nullptr);
    const Point reopened = GlobalTopLeft(again);
    EXPECT_EQ(reopened.h, saved.h);
    EXPECT_EQ(reopened.v, saved.v);
    EXPECT_TRUE(SameRect(BoxOf(PeekOf(again)->contRgn), savedBounds));
    DisposeWindow(again);
    Drain();
}

TEST_P(GlobalSpace, AClickIsWhereItLandsInThatSpace)
{
    // A top-level pop-up is not the window under its own point here (WindowFromPoint answers the
    // desktop's): real clicks are tried on the windows that live in the host's client area.
    if (GetParam().procID == dBoxProc)
        GTEST_SKIP() << "pop-up windows are not found under the point on this display";
    Watchdog watchdog;
    const Rect bounds = MakeRect(70, 50, 190, 290);
    WindowPtr w = NewAt(GetParam().procID, bounds);
    ASSERT_NE(w, nullptr);
    SetForegroundWindow(HostMainWindow());
    Drain();
    ForwardMouseToLibrary(true);
    const Point local{30, 40}; // v, h
    Point global{static_cast<int16_t>(bounds.top + local.v), static_cast<int16_t>(bounds.left + local.h)};
    POINT screen{global.h, global.v};
    MapWindowPoints(HostMainWindow(), nullptr, &screen, 1);
    SetCursorPos(screen.x, screen.y);
    EXPECT_EQ(WindowFromPoint(screen), HwndOf(w)) << "the window is the one under the point";
    MouseButton(true);
    MouseButton(false);
    EventRecord e{};
    bool got = false;
    for (int i = 0; i < 50 && !got; ++i) {
        PumpMessages();
        got = GetNextEvent(mDownMask, &e);
        if (!got)
            Sleep(10);
    }
    ForwardMouseToLibrary(false);
    EXPECT_TRUE(got) << "the click reached the event queue";
    if (!got) {
        DisposeWindow(w);
        Drain();
        return;
    }
    EXPECT_EQ(e.where.h, global.h) << "where is the point clicked, in global coordinates";
    EXPECT_EQ(e.where.v, global.v);
    WindowPtr found = nullptr;
    EXPECT_EQ(FindWindo(e.where, &found), inContent);
    EXPECT_EQ(found, w);
    SetPort(w);
    Point p = e.where;
    GlobalToLocal(&p);
    EXPECT_EQ(p.h, local.h) << "GlobalToLocal gives the local point";
    EXPECT_EQ(p.v, local.v);
    DisposeWindow(w);
    Drain();
}

TEST_P(GlobalSpace, AWindowSizedFromTheScreenFitsIt)
{
    const Rect screen = testing_support::QuickDrawGlobals().screenBits.bounds;
    RECT client;
    GetClientRect(HostMainWindow(), &client);
    EXPECT_TRUE(SameRect(screen, ToRect(client))) << "screenBits is the host's client area";
    const Rect bounds = MakeRect(screen.top + 40, screen.left + 8, screen.bottom - 8, screen.right - 8);
    WindowPtr w = NewAt(GetParam().procID, bounds);
    ASSERT_NE(w, nullptr);
    PumpMessages();
    const RECT outer = GlobalWindowRect(HwndOf(w));
    EXPECT_TRUE(outer.left >= screen.left && outer.top >= screen.top && outer.right <= screen.right &&
                outer.bottom <= screen.bottom)
        << "the whole window is on the screen: " << outer.left << "," << outer.top << "," << outer.right << ","
        << outer.bottom;
    EXPECT_TRUE(SameRect(ToRect(GlobalClientRect(HwndOf(w))), bounds));
    DisposeWindow(w);
}

TEST_P(GlobalSpace, MovingTheHostFrameMovesNoWindowInTheSpace)
{
    const Rect bounds = MakeRect(60, 70, 160, 270);
    WindowPtr w = NewAt(GetParam().procID, bounds);
    ASSERT_NE(w, nullptr);
    Drain();
    HWND main = HostMainWindow();
    RECT was;
    GetWindowRect(main, &was);
    SetWindowPos(main, nullptr, was.left + 37, was.top + 23, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Drain();
    const Point at = GlobalTopLeft(w);
    EXPECT_EQ(at.h, bounds.left);
    EXPECT_EQ(at.v, bounds.top);
    EXPECT_TRUE(SameRect(BoxOf(PeekOf(w)->contRgn), bounds));
    EXPECT_TRUE(SameRect(ToRect(GlobalClientRect(HwndOf(w))), bounds)) << "the Windows window went with the host";
    SetWindowPos(main, nullptr, was.left, was.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    DisposeWindow(w);
    Drain();
}

INSTANTIATE_TEST_SUITE_P(FrameKinds, GlobalSpace, ::testing::ValuesIn(kFrameKinds),
                         [](const ::testing::TestParamInfo<FrameKind> &info) {
                             return "procID" + std::to_string(info.param.procID);
                         });

// A larger host frame is a larger Macintosh screen: screenBits, the main device and the desktop follow.
TEST(GlobalScreen, FollowsTheHostClientAreaWhenTheFrameIsResized)
{
    HWND main = HostMainWindow();
    RECT was;
    GetWindowRect(main, &was);
    SetWindowPos(main, nullptr, 0, 0, was.right - was.left - 60, was.bottom - was.top - 40,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Drain();
    RECT client;
    GetClientRect(main, &client);
    const Rect area = ToRect(client);
    EXPECT_TRUE(SameRect(testing_support::QuickDrawGlobals().screenBits.bounds, area));
    GDHandle device = GetMainDevice();
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(SameRect((*device)->gdRect, area));
    EXPECT_TRUE(SameRect(BoxOf(GetGrayRgn()), area));
    SetWindowPos(main, nullptr, 0, 0, was.right - was.left, was.bottom - was.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Drain();
    GetClientRect(main, &client);
    EXPECT_TRUE(SameRect(testing_support::QuickDrawGlobals().screenBits.bounds, ToRect(client)));
}

// Only the front window is highlighted, whatever the frames of the windows behind it.
TEST(GlobalHighlight, OnlyTheFrontWindowIsHighlighted)
{
    std::vector<WindowPtr> windows;
    int16_t offset = 0;
    for (int16_t procID : {int16_t{documentProc}, int16_t{rDocProc}, int16_t{2048}, int16_t{2064}}) {
        windows.push_back(NewAt(procID, MakeRect(60 + offset, 60 + offset, 160 + offset, 260 + offset)));
        offset = static_cast<int16_t>(offset + 30);
    }
    Drain();
    auto highlighted = [&] {
        std::vector<WindowPtr> on;
        for (WindowPtr w : windows)
            if (w && PeekOf(w)->hilited)
                on.push_back(w);
        return on;
    };
    std::vector<WindowPtr> on = highlighted();
    ASSERT_EQ(on.size(), 1u) << "with four windows made";
    EXPECT_EQ(on[0], FrontWindow());
    WindowPtr front = FrontWindow();
    DisposeWindow(front);
    for (WindowPtr &w : windows)
        if (w == front)
            w = nullptr;
    Drain();
    on = highlighted();
    ASSERT_EQ(on.size(), 1u) << "after the front one closed";
    EXPECT_EQ(on[0], FrontWindow());
    for (WindowPtr w : windows)
        if (w)
            DisposeWindow(w);
    Drain();
}

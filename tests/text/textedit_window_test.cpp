// TextEdit in a window on the display: a drag with real input selects from the press to the release, and
// activation gives the window the keyboard.
#include <gtest/gtest.h>

#include "Events.h"
#include "TextEdit.h"
#include "qd_fixture.h"
#include "window_host.h"

using namespace window_tests;

namespace {

class TEWindow : public testing::Test {
protected:
    void SetUp() override
    {
        window_ = MakeWindow(documentProc, 60, 60, 400, 200, "TextEdit");
        SetPor(window_);
        SelectWindow(window_);
        SetForegroundWindow(HostMainWindow());
        PumpMessages();
        FlushEvents(everyEvent, 0);
        TextFont(1);
        TextSize(12);
        const Rect box{10, 10, 190, 390};
        h_ = TENew(&box, &box);
        const char text[] = "Dragging across these words selects them";
        TESetText(text, sizeof text - 1, h_);
    }
    void TearDown() override
    {
        MouseButton(false);
        TEDispose(h_);
        DisposeWindow(window_);
        PumpMessages();
        FlushEvents(everyEvent, 0);
    }
    POINT Screen(Point local)
    {
        POINT p{local.h, local.v};
        ClientToScreen(HwndOf(window_), &p);
        return p;
    }
    WindowPtr window_ = nullptr;
    TEHandle h_ = nullptr;
};

TEST_F(TEWindow, ADragSelectsFromThePressToTheRelease)
{
    Watchdog watchdog;
    const Point from = TEGetPoint(9, h_), to = TEGetPoint(28, h_);
    const POINT start = Screen(from), end = Screen(to);
    SetCursorPos(start.x, start.y);
    PumpMessages();
    MouseButton(true);
    {
        MouseScript script({POINT{(start.x + end.x) / 2, start.y}, end, end});
        TEClick(from, false, h_);
    }
    EXPECT_EQ((**h_).selStart, 9);
    EXPECT_EQ((**h_).selEnd, 28);
}

TEST_F(TEWindow, ActivationGivesThePortsWindowTheKeyboard)
{
    SetFocus(HostMainWindow());
    TEActivate(h_);
    EXPECT_EQ(GetFocus(), HwndOf(window_));
    EXPECT_EQ((**h_).active & 1, 1);
    TEDeactivate(h_);
    EXPECT_EQ((**h_).active & 1, 0);

    // A record in the Window Manager port gives the keyboard to the host's main window, which has no
    // Macintosh window behind its DC.
    GrafPtr wmgr = nullptr;
    GetWMgrPort(&wmgr);
    SetPor(wmgr);
    const Rect box{10, 10, 40, 200};
    TEHandle inHost = TENew(&box, &box);
    SetFocus(HwndOf(window_));
    TEActivate(inHost);
    EXPECT_EQ(GetFocus(), HostMainWindow());
    TEDeactivate(inHost);
    TEDispose(inHost);
    SetPor(window_);
}

} // namespace

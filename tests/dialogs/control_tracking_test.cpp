// Control values and limits as the Windows controls show them, highlighting, hit testing, real clicks
// and scroll-bar presses reaching the application's loop, tracking, dragging, drawing and the grow box.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Controls.h"
#include "Events.h"
#include "Zel.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using testing_support::P;

constexpr ResType kCDEF = 0x43444546;
constexpr int16_t kTrackerCdefID = 201;

ControlPtr Ctl(ControlHandle c) { return *c; }
HWND Child(ControlHandle c) { return ZEL_ControlToHWND(c); }
Rect MakeRect(int top, int left, int bottom, int right)
{
    return Rect{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

// Action procedure calls, and what a host CDEF was asked.
struct ActionCall {
    ControlHandle control;
    int16_t part;
};
std::vector<ActionCall> sActions;
void ZEL_CALL RecordAction(ControlHandle c, int16_t part) { sActions.push_back({c, part}); }

// A custom control: part 1 in its top half, 129 (its indicator) in its bottom half; it declines to drag
// itself and reports the offset it is moved by.
std::vector<int16_t> sMessages;
int32_t sPositionOffset;
int32_t ZEL_CALL TrackerCDEF(int16_t, ControlHandle c, int16_t message, int32_t param)
{
    sMessages.push_back(message);
    const Rect &r = (*c)->contrlRect;
    switch (message) {
    case testCntl: {
        const int16_t v = static_cast<int16_t>(param >> 16), h = static_cast<int16_t>(param & 0xFFFF);
        if (v < r.top || v >= r.bottom || h < r.left || h >= r.right)
            return 0;
        return v < (r.top + r.bottom) / 2 ? 1 : inThumb;
    }
    case calcThumbRgn:
        RectRgn(reinterpret_cast<RgnHandle>(param), &r);
        return 1;
    case thumbCntl: {
        auto *info = reinterpret_cast<int16_t *>(param); // start point, then limit, slop and axis
        const Rect big = MakeRect(0, 0, 400, 600);
        std::memcpy(info + 2, &big, 8);
        std::memcpy(info + 6, &big, 8);
        info[10] = 0;
        return 1;
    }
    case posCntl:
        sPositionOffset = param;
        return 0;
    default:
        return 0;
    }
}

// Waits (pumping) for the application's next event of the mask; false after two seconds.
bool NextEvent(EventMask mask, EventRecord *e)
{
    for (int i = 0; i < 200; ++i) {
        if (GetNextEvent(mask, e))
            return true;
        Sleep(10);
    }
    return false;
}

void FlushInput()
{
    PumpMessages();
    FlushEvents(everyEvent, 0);
}

POINT ScreenPoint(HWND hwnd, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
}

void PressAt(POINT p)
{
    SetCursorPos(p.x, p.y);
    PumpMessages();
    MouseButton(true);
}

// Releases the button from a thread of its own after a delay, while a tracking loop runs.
class LateRelease {
public:
    explicit LateRelease(DWORD ms) : ms_(ms) { thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr); }
    ~LateRelease()
    {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }

private:
    static DWORD WINAPI Run(void *p)
    {
        Sleep(static_cast<LateRelease *>(p)->ms_);
        MouseButton(false);
        return 0;
    }
    DWORD ms_;
    HANDLE thread_;
};

class ControlTracking : public testing::Test {
protected:
    static void SetUpTestSuite() { ZEL_CodeResource(1, kCDEF, kTrackerCdefID, reinterpret_cast<ProcPtr>(TrackerCDEF)); }
    static void TearDownTestSuite() { ZEL_CodeResource(0, kCDEF, kTrackerCdefID, nullptr); }
    void SetUp() override
    {
        window_ = MakeWindow(documentProc, 60, 60, 400, 300, "Tracking");
        SetPor(window_);
        SelectWindow(window_);
        SetForegroundWindow(HostMainWindow());
        sActions.clear();
        sMessages.clear();
        FlushInput();
    }
    void TearDown() override
    {
        MouseButton(false);
        DisposeWindow(window_);
        FlushInput();
    }
    ControlHandle Make(int16_t procID, Rect r, int16_t value = 0, int16_t min = 0, int16_t max = 10,
                       const char *title = "Title")
    {
        return NewControl(window_, &r, P(title).c_str(), true, value, min, max, procID, 1);
    }
    // The application's side of a click: the mouse-down's control and part in the window.
    int16_t FindFromEvent(const EventRecord &e, ControlHandle *c, Point *local)
    {
        *local = e.where;
        GlobalToLocal(local);
        return FindControl(*local, window_, c);
    }
    WindowPtr window_ = nullptr;
};

// Values clamp to the minimum first, then the maximum, and the Windows control shows them.
TEST_F(ControlTracking, ValuesClampAndShowOnTheWindowsControl)
{
    ZEL_SystemValue(1, 40, 1);
    ControlHandle combo = Make(4800, MakeRect(160, 10, 180, 150), 0, 0, 0, "Pick,x,0");
    ZEL_SystemValue(1, 40, 0);
    for (const char *item : {"One", "Two", "Three"})
        SendMessageA(Child(combo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SetControlMinimum(combo, 1);
    SetControlMaximum(combo, 3);
    struct Row {
        const char *what;
        ControlHandle c;
        int16_t set, expect;
        LRESULT (*shown)(HWND);
    } rows[] = {
        {"check box on", Make(checkBoxProc, MakeRect(10, 10, 30, 110), 0, 0, 1), 1, 1,
         [](HWND h) { return SendMessageA(h, BM_GETCHECK, 0, 0); }},
        {"check box below the minimum", Make(checkBoxProc, MakeRect(40, 10, 60, 110), 1, 0, 1), -5, 0,
         [](HWND h) { return SendMessageA(h, BM_GETCHECK, 0, 0); }},
        {"radio button above the maximum", Make(radioButProc, MakeRect(70, 10, 90, 110), 0, 0, 1), 9, 1,
         [](HWND h) { return SendMessageA(h, BM_GETCHECK, 0, 0); }},
        {"scroll bar", Make(scrollBarProc, MakeRect(10, 200, 26, 380), 0, 0, 50), 30, 30,
         [](HWND h) { return LRESULT(GetScrollPos(h, SB_CTL)); }},
        {"scroll bar above the maximum", Make(scrollBarProc, MakeRect(40, 200, 56, 380), 0, 0, 50), 80, 50,
         [](HWND h) { return LRESULT(GetScrollPos(h, SB_CTL)); }},
        {"combo box", combo, 2, 2, [](HWND h) { return SendMessageA(h, CB_GETCURSEL, 0, 0) + 1; }},
        {"push button pressed", Make(pushButProc, MakeRect(100, 10, 120, 110), 0, 0, 1), 1, 1,
         [](HWND h) { return LRESULT((SendMessageA(h, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0); }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        SetControlValue(row.c, row.set);
        EXPECT_EQ(row.expect, GetControlValue(row.c));
        EXPECT_EQ(row.expect, row.shown(Child(row.c)));
    }
    // A minimum above the maximum: the maximum wins.
    ControlHandle bar = Make(scrollBarProc, MakeRect(70, 200, 86, 380), 5, 0, 10);
    SetControlMinimum(bar, 20);
    EXPECT_EQ(10, GetControlValue(bar));
    EXPECT_FALSE(IsWindowEnabled(Child(bar)));
    // A focused radio button turned off gives the focus to its parent.
    ControlHandle radio = Make(radioButProc, MakeRect(130, 10, 150, 110), 1, 0, 1);
    SetFocus(Child(radio));
    SetControlValue(radio, 0);
    EXPECT_EQ(HwndOf(window_), GetFocus());
}

TEST_F(ControlTracking, LimitsEnableAndDisableScrollBars)
{
    ControlHandle bar = Make(scrollBarProc, MakeRect(10, 10, 26, 210), 5, 0, 10);
    EXPECT_TRUE(IsWindowEnabled(Child(bar)));
    SetControlMaximum(bar, 0);
    EXPECT_EQ(0, GetControlMaximum(bar));
    EXPECT_EQ(0, GetControlValue(bar));
    EXPECT_FALSE(IsWindowEnabled(Child(bar)));
    int lo = -1, hi = -1;
    GetScrollRange(Child(bar), SB_CTL, &lo, &hi);
    EXPECT_EQ(0, lo);
    EXPECT_EQ(0, hi);
    SetControlMaximum(bar, 40);
    EXPECT_TRUE(IsWindowEnabled(Child(bar)));
    GetScrollRange(Child(bar), SB_CTL, &lo, &hi);
    EXPECT_EQ(40, hi);
    // Under setting 54 highlighting the window follows into its scroll bars.
    const uint32_t old = ZEL_SystemValue(1, 54, 1);
    HiliteWindow(window_, false);
    EXPECT_FALSE(IsWindowEnabled(Child(bar)));
    HiliteWindow(window_, true);
    EXPECT_TRUE(IsWindowEnabled(Child(bar)));
    ZEL_SystemValue(1, 54, old);
}

// Inactive, hidden and scroll-bar controls are never hit from a point.
TEST_F(ControlTracking, OnlyActiveVisibleControlsAreHit)
{
    ControlHandle button = Make(pushButProc, MakeRect(10, 10, 30, 110));
    ControlHandle box = Make(checkBoxProc, MakeRect(40, 10, 60, 110));
    ControlHandle bar = Make(scrollBarProc, MakeRect(70, 10, 86, 210));
    const Point inButton{20, 50}, inBox{50, 50}, inBar{78, 50};
    ControlHandle found = nullptr;
    EXPECT_EQ(10, FindControl(inButton, window_, &found));
    EXPECT_EQ(button, found);
    EXPECT_EQ(11, FindControl(inBox, window_, &found));
    EXPECT_EQ(box, found);
    EXPECT_EQ(0, FindControl(inBar, window_, &found));
    EXPECT_EQ(nullptr, found);
    EXPECT_EQ(0, TestControl(bar, inBar));

    HiliteControl(button, inactiveHilite);
    EXPECT_FALSE(IsWindowEnabled(Child(button)));
    EXPECT_EQ(0, TestControl(button, inButton));
    EXPECT_EQ(0, FindControl(inButton, window_, &found));
    EXPECT_EQ(0, TrackControl(button, inButton, nullptr)); // the button is up: at once
    HiliteControl(button, 0);
    EXPECT_TRUE(IsWindowEnabled(Child(button)));
    HideControl(box);
    EXPECT_EQ(0, FindControl(inBox, window_, &found));
}

// A real click on a library push button and check box in a document window reaches the loop as a
// mouse-down inside the control; a plain Windows button of the host posts nothing.
TEST_F(ControlTracking, RealClicksReachTheApplicationLoop)
{
    Watchdog watchdog;
    ControlHandle button = Make(pushButProc, MakeRect(20, 20, 40, 120), 0, 0, 1, "Push");
    ControlHandle box = Make(checkBoxProc, MakeRect(60, 20, 80, 120), 0, 0, 1, "Check");
    HWND plain = CreateWindowA("button", "Plain", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 100, 100, 20,
                               HwndOf(window_), reinterpret_cast<HMENU>(77), GetModuleHandleA(nullptr), nullptr);
    PumpMessages();
    struct Row {
        ControlHandle c;
        int16_t part;
    } rows[] = {{button, inButton}, {box, inCheckBox}};
    for (const Row &row : rows) {
        FlushInput();
        PressAt(ScreenPoint(Child(row.c), 10, 10));
        MouseButton(false);
        EventRecord e{};
        ASSERT_TRUE(NextEvent(mDownMask, &e));
        ControlHandle found = nullptr;
        Point local;
        EXPECT_EQ(row.part, FindFromEvent(e, &found, &local));
        EXPECT_EQ(row.c, found);
        EXPECT_EQ(row.part, TrackControl(found, local, nullptr));
    }
    FlushInput();
    PressAt(ScreenPoint(plain, 10, 10));
    MouseButton(false);
    EventRecord e{};
    EXPECT_FALSE(NextEvent(mDownMask, &e));
    DestroyWindow(plain);
}

// A press held on a scroll bar reaches the loop as a mouse-down on its part; TrackControl restarts
// Windows's scroll loop, calls the action at least once and returns the part.
TEST_F(ControlTracking, ScrollBarPressesAreTrackedThroughTheLoop)
{
    Watchdog watchdog;
    ControlHandle bar = Make(scrollBarProc, MakeRect(10, 300, 210, 316), 0, 0, 100);
    struct Row {
        const char *what;
        int y;               // client y of the press in the bar
        ProcPtr action;
        bool actionMinusOne; // the control's own action is -1
        int16_t part;
    } rows[] = {
        {"down arrow", 192, reinterpret_cast<ProcPtr>(RecordAction), false, inDownButton},
        {"page area below the thumb", 150, reinterpret_cast<ProcPtr>(RecordAction), false, inPageDown},
        {"control action -1", 192, reinterpret_cast<ProcPtr>(-1), true, inDownButton},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        SetControlValue(bar, 0);
        SetControlAction(bar, row.actionMinusOne ? reinterpret_cast<ProcPtr>(-1) : nullptr);
        sActions.clear();
        FlushInput();
        PressAt(ScreenPoint(Child(bar), 8, row.y));
        EventRecord e{};
        ASSERT_TRUE(NextEvent(mDownMask, &e));
        ControlHandle found = nullptr;
        Point local;
        EXPECT_EQ(row.part, FindFromEvent(e, &found, &local));
        EXPECT_EQ(bar, found);
        LateRelease release(200);
        EXPECT_EQ(row.part, TrackControl(found, local, row.action));
        if (!row.actionMinusOne) {
            ASSERT_GE(sActions.size(), 1u);
            EXPECT_EQ(bar, sActions.front().control);
            EXPECT_EQ(row.part, sActions.front().part);
        }
    }
}

// A thumb dragged and let go: Windows's loop has run to the release before the press reaches the loop,
// and TrackControl answers the thumb with the value it was let go at (the program reads it to scroll).
TEST_F(ControlTracking, ThumbDraggedAndReleasedLeavesItsValue)
{
    Watchdog watchdog;
    ControlHandle bar = Make(scrollBarProc, MakeRect(10, 300, 210, 316), 0, 0, 100);
    FlushInput();
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetScrollBarInfo(Child(bar), OBJID_CLIENT, &info));
    const int grip = (info.xyThumbTop + info.xyThumbBottom) / 2;
    const POINT from = ScreenPoint(Child(bar), 8, grip), to = ScreenPoint(Child(bar), 8, grip + 90);
    SetCursorPos(from.x, from.y);
    PumpMessages();
    MouseButton(true);
    SetCursorPos((from.x + to.x) / 2, (from.y + to.y) / 2);
    SetCursorPos(to.x, to.y);
    MouseButton(false);
    EventRecord e{};
    ASSERT_TRUE(NextEvent(mDownMask, &e));
    ControlHandle found = nullptr;
    Point local;
    EXPECT_EQ(inThumb, FindFromEvent(e, &found, &local));
    EXPECT_EQ(bar, found);
    // The button is up before TrackControl runs, as the program's loop finds it once Windows's loop
    // has taken the release.
    while (StillDown()) {
    }
    EXPECT_EQ(0, GetControlValue(bar));
    EXPECT_EQ(inThumb, TrackControl(found, local, nullptr));
    const int16_t value = GetControlValue(bar);
    EXPECT_GT(value, 30) << "the thumb moved down by about half the track";
    EXPECT_LT(value, 70);
    EXPECT_EQ(value, GetScrollPos(Child(bar), SB_CTL)) << "and stays there";
}

// A scroll bar of the host's own is left to Windows: no mouse-down reaches the loop.
TEST_F(ControlTracking, HostScrollBarsAreLeftToWindows)
{
    Watchdog watchdog;
    HWND bar = CreateWindowA("scrollbar", "", WS_CHILD | WS_VISIBLE | SBS_VERT, 300, 10, 16, 200, HwndOf(window_),
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
    FlushInput();
    {
        LateRelease release(200);
        PressAt(ScreenPoint(bar, 8, 192));
        PumpMessages();
    }
    EventRecord e{};
    EXPECT_FALSE(NextEvent(mDownMask, &e));
    DestroyWindow(bar);
}

// Custom controls are tracked with their definition procedure: a part pressed and released inside is
// answered, released outside gives 0; the indicator is dragged as an outline and moved by message 5.
TEST_F(ControlTracking, CustomControlsTrackThroughTheirDefinition)
{
    Watchdog watchdog;
    ControlHandle c = Make(kTrackerCdefID * 16, MakeRect(20, 20, 60, 120));
    HWND child = Child(c);
    const Point upper{30, 50}, lower{50, 50};

    PressAt(ScreenPoint(child, 30, 10));
    {
        LateRelease release(100);
        EXPECT_EQ(1, TrackControl(c, upper, reinterpret_cast<ProcPtr>(RecordAction)));
    }
    EXPECT_FALSE(sActions.empty());

    // The control's child hands its mouse messages to the window as events: the release of the last
    // tracking waits in the queue, as the application's event loop would find it.
    FlushEvents(mDownMask | mUpMask, 0);
    PressAt(ScreenPoint(child, 30, 10));
    {
        MouseScript away({ScreenPoint(HwndOf(window_), 300, 250)});
        EXPECT_EQ(0, TrackControl(c, upper, nullptr));
    }

    sMessages.clear();
    sPositionOffset = 0;
    FlushEvents(mDownMask | mUpMask, 0);
    PressAt(ScreenPoint(child, 30, 30));
    {
        const POINT from = ScreenPoint(child, 30, 30);
        MouseScript drag({POINT{from.x + 10, from.y + 5}, POINT{from.x + 30, from.y + 12}});
        EXPECT_EQ(inThumb, TrackControl(c, lower, nullptr));
    }
    EXPECT_NE(std::find(sMessages.begin(), sMessages.end(), dragCntl), sMessages.end());
    EXPECT_NE(std::find(sMessages.begin(), sMessages.end(), posCntl), sMessages.end());
    EXPECT_EQ(12, static_cast<int16_t>(sPositionOffset >> 16));
    EXPECT_EQ(30, static_cast<int16_t>(sPositionOffset & 0xFFFF));
}

// DragControl keeps the control inside the limit rectangle on every side, whatever the drag.
TEST_F(ControlTracking, DragControlStaysInsideTheLimit)
{
    Watchdog watchdog;
    struct Row {
        int dx, dy;
    } rows[] = {{200, 150}, {-200, -150}, {200, -150}, {-200, 150}};
    const Rect limit = MakeRect(20, 20, 200, 300);
    for (const Row &row : rows) {
        ControlHandle c = Make(pushButProc, MakeRect(100, 100, 120, 180));
        const Rect before = Ctl(c)->contrlRect;
        const POINT start = ScreenPoint(HwndOf(window_), 140, 110);
        PressAt(start);
        {
            MouseScript drag({POINT{start.x + row.dx / 2, start.y + row.dy / 2}, POINT{start.x + row.dx, start.y + row.dy}});
            const Rect slop = MakeRect(-1000, -1000, 1000, 1000);
            DragControl(c, Point{110, 140}, &limit, &slop, 0);
        }
        // The clamp worked out here: each side is held at the limit it would cross.
        int dv = row.dy, dh = row.dx;
        if (before.top + dv < limit.top)
            dv = limit.top - before.top;
        if (before.bottom + dv > limit.bottom)
            dv = limit.bottom - before.bottom;
        if (before.left + dh < limit.left)
            dh = limit.left - before.left;
        if (before.right + dh > limit.right)
            dh = limit.right - before.right;
        const Rect &after = Ctl(c)->contrlRect;
        EXPECT_EQ(before.top + dv, after.top) << row.dx << "," << row.dy;
        EXPECT_EQ(before.left + dh, after.left) << row.dx << "," << row.dy;
        EXPECT_GE(after.top, limit.top);
        EXPECT_LE(after.bottom, limit.bottom);
        EXPECT_GE(after.left, limit.left);
        EXPECT_LE(after.right, limit.right);
        const RECT child = ClientRectInParent(Child(c));
        EXPECT_EQ(after.left, child.left);
        EXPECT_EQ(after.top, child.top);
        DisposeControl(c);
    }
}

// Draw1Control shows a hidden child and paints it; DrawControls paints every control of the window.
TEST_F(ControlTracking, DrawingShowsAndPaintsChildren)
{
    ControlHandle a = Make(pushButProc, MakeRect(10, 10, 30, 110));
    ControlHandle b = Make(checkBoxProc, MakeRect(40, 10, 60, 110));
    ShowWindow(Child(a), SW_HIDE);
    Draw1Control(a);
    EXPECT_TRUE(IsWindowVisible(Child(a)));
    RECT r;
    EXPECT_FALSE(GetUpdateRect(Child(a), &r, FALSE));
    InvalidateRect(Child(a), nullptr, TRUE);
    InvalidateRect(Child(b), nullptr, TRUE);
    DrawControls(window_);
    EXPECT_FALSE(GetUpdateRect(Child(a), &r, FALSE));
    EXPECT_FALSE(GetUpdateRect(Child(b), &r, FALSE));
}

// Under the three-dimensional look the grow square is button face around the size box.
TEST_F(ControlTracking, GrowIconUnderTheThreeDimensionalLook)
{
    ASSERT_TRUE(ThreeDLook());
    WindowPtr w = MakeWindow(documentProc, 80, 480, 200, 150, "Grow");
    SetPor(w);
    DrawGrowIcon(w);
    PumpMessages();
    HWND hwnd = HwndOf(w);
    RECT client;
    GetClientRect(hwnd, &client);
    HDC dc = GetDC(hwnd);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(face, GetPixel(dc, client.right - 1, client.bottom - 16));
    ReleaseDC(hwnd, dc);
    DisposeWindow(w);
    SetPor(window_);
}

TEST_F(ControlTracking, NilHandlesAndWindowsAreIgnored)
{
    EXPECT_EQ(0, GetControlValue(nullptr));
    SetControlValue(nullptr, 3);
    EXPECT_EQ(0, GetControlMinimum(nullptr));
    EXPECT_EQ(0, GetControlMaximum(nullptr));
    SetControlMinimum(nullptr, 1);
    SetControlMaximum(nullptr, 1);
    HiliteControl(nullptr, 255);
    EXPECT_EQ(0, TestControl(nullptr, Point{0, 0}));
    EXPECT_EQ(0, TrackControl(nullptr, Point{0, 0}, nullptr));
    Draw1Control(nullptr);
    DrawControls(nullptr);
    UpdateControls(nullptr, nullptr);
    DrawGrowIcon(nullptr);
    ControlHandle found = reinterpret_cast<ControlHandle>(1);
    EXPECT_EQ(0, FindControl(Point{0, 0}, nullptr, &found));
    EXPECT_EQ(nullptr, found);
    HideWindow(window_);
    DrawControls(window_);
    DrawGrowIcon(window_);
    ShowWindo(window_);
}

} // namespace

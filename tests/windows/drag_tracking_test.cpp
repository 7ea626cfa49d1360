// TrackDrag over two library windows with real mouse input: the messages each tracking handler hears, the
// receive handler at the drop, the attributes, the XOR outline in the window under the mouse; and
// WaitMouseMoved.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Drag.h"
#include "qd_fixture.h"
#include "window_host.h"

using namespace window_tests;

namespace {

// What the handlers heard: tag (the refCon's letter), message (0 for a drop), window letter.
struct Heard {
    char tag;
    int message;
    char window;
    bool operator==(const Heard &o) const { return tag == o.tag && message == o.message && window == o.window; }
};
std::vector<Heard> sHeard;
WindowPtr sA, sB;
char Letter(WindowPtr w) { return w == sA ? 'A' : w == sB ? 'B' : '?'; }

// A window's client pixels, black/white/other, read from the screen.
testing_support::ImageRows WindowImage(WindowPtr w)
{
    GdiFlush();
    HDC dc = GetDC(HwndOf(w));
    testing_support::ColourLegend legend{{'#', RGB(0, 0, 0)}, {'.', RGB(255, 255, 255)}};
    auto rows = testing_support::CaptureImage(w->portRect.right, w->portRect.bottom, legend,
                                              [&](int x, int y) { return GetPixel(dc, x, y); });
    ReleaseDC(HwndOf(w), dc);
    return rows;
}
testing_support::ImageRows sBeforeA, sBeforeB;
bool sLookAtPixels, sOutlineInB, sNothingInA;

void Note(char tag, int message, WindowPtr w)
{
    const Heard h{tag, message, Letter(w)};
    // Steps within a window repeat "in window" as often as the loop polls: keep one of each run.
    if (!sHeard.empty() && sHeard.back() == h && message == kDragTrackingInWindow)
        return;
    sHeard.push_back(h);
}

OSErr ZEL_CALL Track(DragTrackingMessage message, WindowPtr w, void *refCon, DragReference)
{
    Note(static_cast<char>(reinterpret_cast<intptr_t>(refCon)), message, w);
    if (sLookAtPixels && message == kDragTrackingInWindow && w == sB) {
        // The outline drawn at the last step shows in B, none is left in A.
        sLookAtPixels = false;
        sOutlineInB = testing_support::ImageDifference(WindowImage(sB), sBeforeB) != "";
        sNothingInA = testing_support::ImageDifference(WindowImage(sA), sBeforeA) == "";
    }
    return noErr;
}
OSErr ZEL_CALL OtherTrack(DragTrackingMessage message, WindowPtr w, void *refCon, DragReference ref)
{
    return Track(message, w, refCon, ref);
}
OSErr ZEL_CALL Receive(WindowPtr w, void *refCon, DragReference)
{
    Note(static_cast<char>(reinterpret_cast<intptr_t>(refCon)), 0, w);
    return noErr;
}
void *Tag(char c) { return reinterpret_cast<void *>(static_cast<intptr_t>(c)); }

POINT ScreenPoint(WindowPtr w, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(HwndOf(w), &p);
    return p;
}

Point GlobalAt(WindowPtr w, POINT screen)
{
    SetCursorPos(screen.x, screen.y);
    SetPor(w);
    Point p;
    GetMouse(&p);
    LocalToGlobal(&p);
    return p;
}

class DragTracking : public ::testing::Test {
protected:
    void SetUp() override
    {
        GetPort(&saved_);
        sA = MakeWindow(noGrowDocProc, 40, 30, 120, 80, "A");
        sB = MakeWindow(noGrowDocProc, 40, 220, 120, 80, "B");
        ClearUpdate(sA);
        ClearUpdate(sB);
        sHeard.clear();
    }
    void TearDown() override
    {
        DisposeWindow(sA);
        DisposeWindow(sB);
        SetPor(saved_);
    }
    GrafPtr saved_;
};

} // namespace

TEST_F(DragTracking, HandlersHearTheDragAndTheDropWindowReceivesIt)
{
    const std::vector<POINT> toB{ScreenPoint(sA, 50, 40), ScreenPoint(sB, 40, 40), ScreenPoint(sB, 60, 45)};
    const std::vector<POINT> withinA{ScreenPoint(sA, 50, 40), ScreenPoint(sA, 70, 30)};
    // Installs and removals that set a case up: kind 't' tracking, 'T' the other tracking procedure,
    // 'r' receive; `remove` takes it out again; window 'A', 'B' or '-' (the default entry).
    struct Step {
        char kind, window, tag;
        bool remove;
    };
    struct {
        const char *what;
        std::vector<Step> steps;
        std::vector<POINT> moves;
        std::vector<Heard> heard;
        DragAttributes attributes;
        bool trackedInB; // a tracking handler in B looks at the pixels
    } cases[] = {
        {"A and B with handlers of their own",
         {{'t', 'A', 'a', false}, {'t', 'B', 'b', false}, {'r', 'B', 'b', false}},
         toB,
         {{'a', 1, 'A'}, {'a', 2, 'A'}, {'a', 3, 'A'}, {'a', 4, 'A'}, {'a', 5, 'A'}, {'b', 1, 'B'}, {'b', 2, 'B'},
          {'b', 3, 'B'}, {'b', 0, 'B'}, {'b', 4, 'B'}, {'b', 5, 'B'}},
         kDragHasLeftSenderWindow | kDragInsideSenderApplication, true},
        {"B with a receive handler only (its tracking handler removed)",
         {{'t', 'A', 'a', false}, {'t', 'B', 'b', false}, {'r', 'B', 'c', false}, {'t', 'B', 'b', true}},
         toB,
         {{'a', 1, 'A'}, {'a', 2, 'A'}, {'a', 3, 'A'}, {'a', 4, 'A'}, {'a', 5, 'A'}, {'c', 0, 'B'}},
         kDragHasLeftSenderWindow | kDragInsideSenderApplication, false},
        {"the default handlers serve B once its own entry is gone",
         {{'t', 'A', 'a', false}, {'t', 'B', 'b', false}, {'T', 'B', 'x', true}, {'t', 'B', 'b', true},
          {'t', '-', 'd', false}, {'r', '-', 'd', false}},
         toB,
         {{'a', 1, 'A'}, {'a', 2, 'A'}, {'a', 3, 'A'}, {'a', 4, 'A'}, {'a', 5, 'A'}, {'d', 1, 'B'}, {'d', 2, 'B'},
          {'d', 3, 'B'}, {'d', 0, 'B'}, {'d', 4, 'B'}, {'d', 5, 'B'}},
         kDragHasLeftSenderWindow | kDragInsideSenderApplication, true},
        {"a drag that never leaves the source window",
         {{'t', 'A', 'a', false}, {'r', 'A', 'a', false}},
         withinA,
         {{'a', 1, 'A'}, {'a', 2, 'A'}, {'a', 3, 'A'}, {'a', 0, 'A'}, {'a', 4, 'A'}, {'a', 5, 'A'}},
         kDragInsideSenderApplication | kDragInsideSenderWindow, false},
        {"no handler anywhere", {}, toB, {}, kDragHasLeftSenderWindow | kDragInsideSenderApplication, false},
    };
    const POINT start = ScreenPoint(sA, 40, 40);
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        auto window = [](char w) { return w == 'A' ? sA : w == 'B' ? sB : nullptr; };
        for (const Step &s : c.steps) {
            WindowPtr w = window(s.window);
            if (s.kind == 'r' && !s.remove)
                InstallReceiveHandler(Receive, w, Tag(s.tag));
            else if (s.kind == 'r')
                RemoveReceiveHandler(Receive, w);
            else if (!s.remove)
                InstallTrackingHandler(s.kind == 't' ? Track : OtherTrack, w, Tag(s.tag));
            else
                RemoveTrackingHandler(s.kind == 't' ? Track : OtherTrack, w);
        }
        sBeforeA = WindowImage(sA);
        sBeforeB = WindowImage(sB);
        sLookAtPixels = true;
        sOutlineInB = false;
        sNothingInA = false;
        sHeard.clear();

        EventRecord down{mouseDown, 0, 0, GlobalAt(sA, start), 0};
        RgnHandle caller = NewRgn();
        const Rect box{static_cast<int16_t>(down.where.v - 10), static_cast<int16_t>(down.where.h - 10),
                       static_cast<int16_t>(down.where.v + 10), static_cast<int16_t>(down.where.h + 10)};
        RectRgn(caller, &box);
        DragReference drag = 0;
        ASSERT_EQ(NewDrag(&drag), noErr);
        ASSERT_EQ(AddDragItemFlavor(drag, 1, 0x54455854, "x", 1, 0), noErr);
        MouseButton(true);
        OSErr result;
        {
            Watchdog watchdog;
            MouseScript script(c.moves);
            result = TrackDrag(drag, &down, caller);
        }
        DisposeRgn(caller); // the caller's region is its own again; the drag disposes its copy
        EXPECT_EQ(result, noErr);
        EXPECT_EQ(sHeard.size(), c.heard.size());
        for (size_t i = 0; i < sHeard.size() && i < c.heard.size(); ++i)
            EXPECT_TRUE(sHeard[i] == c.heard[i]) << "#" << i << ": heard " << sHeard[i].tag << sHeard[i].message
                                                 << sHeard[i].window << ", expected " << c.heard[i].tag
                                                 << c.heard[i].message << c.heard[i].window;
        DragAttributes attributes = 0;
        EXPECT_EQ(GetDragAttributes(drag, &attributes), noErr);
        EXPECT_EQ(attributes, c.attributes);
        AEDesc drop;
        EXPECT_EQ(GetDropLocation(drag, &drop), noErr);
        EXPECT_EQ(drop.descriptorType, static_cast<DescType>(kDragDropLocationInApplication));
        Point origin{}, mouse{}, pinned{};
        EXPECT_EQ(GetDragOrigin(drag, &origin), noErr);
        EXPECT_EQ(origin.h, down.where.h);
        EXPECT_EQ(origin.v, down.where.v);
        EXPECT_EQ(GetDragMouse(drag, &mouse, &pinned), noErr);
        const Point last = GlobalAt(sA, c.moves.back());
        EXPECT_EQ(mouse.h, last.h);
        EXPECT_EQ(mouse.v, last.v);
        Rect moved;
        const Rect itemBounds{0, 0, 10, 10};
        SetDragItemBounds(drag, 1, &itemBounds);
        EXPECT_EQ(GetDragItemBounds(drag, 1, &moved), noErr);
        EXPECT_EQ(moved.left, last.h - origin.h) << "item bounds follow the mouse";
        EXPECT_EQ(moved.top, last.v - origin.v);
        if (c.trackedInB) {
            EXPECT_TRUE(sOutlineInB) << "the outline shows in the window under the mouse";
            EXPECT_TRUE(sNothingInA) << "and not in the one it left";
        }
        EXPECT_EQ(testing_support::ImageDifference(WindowImage(sA), sBeforeA), "") << "A as before";
        EXPECT_EQ(testing_support::ImageDifference(WindowImage(sB), sBeforeB), "") << "B as before";
        EXPECT_EQ(DisposeDrag(drag), noErr);
        // Back to no handlers for the next case.
        for (WindowPtr w : {sA, sB, static_cast<WindowPtr>(nullptr)}) {
            RemoveTrackingHandler(Track, w);
            RemoveTrackingHandler(OtherTrack, w);
            RemoveReceiveHandler(Receive, w);
        }
    }
}

TEST_F(DragTracking, WaitMouseMovedSeesASixPixelMoveOrTheRelease)
{
    const POINT start = ScreenPoint(sA, 40, 40);
    struct {
        std::vector<POINT> moves;
        bool moved;
        const char *what;
    } cases[] = {
        {{}, false, "released without moving"},
        {{{start.x + 5, start.y}, {start.x + 5, start.y + 5}}, false, "5 pixels each way, then released"},
        {{{start.x + 6, start.y}}, true, "6 pixels right"},
        {{{start.x, start.y - 6}}, true, "6 pixels up"},
    };
    SetPor(sA);
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetCursorPos(start.x, start.y);
        MouseButton(true);
        Boolean moved;
        {
            Watchdog watchdog;
            MouseScript script(c.moves);
            moved = WaitMouseMoved(Point{0, 0});
            while (c.moved && StillDown()) {
            }
        }
        EXPECT_EQ(moved, c.moved);
    }
    MouseButton(false);
    EXPECT_FALSE(WaitMouseMoved(Point{0, 0})) << "button up at the start";
}

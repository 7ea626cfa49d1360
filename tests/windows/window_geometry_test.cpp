// Geometry and frame actions: SizeWindow, MoveWindo, ZEL_MoveWindow and ZoomWindow on the client area and
// the records; FindWindo's encoded points and content hits; a real click on a background window's
// caption finished by DragWindow; DragGrayRgn tracking real mouse input; tracking sizes and PinRect.
#include <gtest/gtest.h>

#include <functional>

#include <atomic>
#include <vector>

#include "Events.h"
#include "LowMem.h"
#include "OSUtils.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "window_host.h"

using namespace window_tests;

namespace {

std::vector<EventRecord> QueuedMouseDowns()
{
    std::vector<EventRecord> out;
    QHdrPtr q = GetEvQHdr();
    for (auto *e = reinterpret_cast<EvQEl *>(q->qHead); e; e = e->qLink)
        if (e->evtQWhat == mouseDown)
            out.push_back(EventRecord{e->evtQWhat, e->evtQMessage, e->evtQWhen, e->evtQWhere, e->evtQModifiers});
    return out;
}


} // namespace

TEST(WindowGeometry, SizeMoveAndZoomKeepClientPortAndBoundsTogether)
{
    FlushEvents(everyEvent, 0);
    WindowPtr w = MakeWindow(zoomDocProc, 40, 30, 200, 100);
    HWND hwnd = HwndOf(w);
    RECT parent;
    GetClientRect(HostMainWindow(), &parent);

    SizeWindow(w, 150, 80, TRUE);
    RECT client = ClientRectInParent(hwnd);
    EXPECT_EQ(client.right - client.left, 150);
    EXPECT_EQ(client.bottom - client.top, 80);
    EXPECT_TRUE(SameRect(w->portRect, Rect{0, 0, 80, 150}));
    EXPECT_TRUE(SameRect(AuxOf(w)->bounds, Rect{40, 30, 120, 180}));

    MoveWindo(w, 60, 70, FALSE);
    client = ClientRectInParent(hwnd);
    EXPECT_EQ(client.left, 60);
    EXPECT_EQ(client.top, 70);
    EXPECT_TRUE(SameRect(AuxOf(w)->bounds, Rect{70, 60, 150, 210}));
    EXPECT_EQ(PeekOf(w)->spareFlag, 0);

    MoveWindo(w, 5000, 70, FALSE);
    EXPECT_EQ(WindowRectInParent(hwnd).left, parent.right - 16) << "16 pixels stay inside the parent";

    ZEL_MoveWindow(w, 10, 20, FALSE);
    RECT outer = WindowRectInParent(hwnd);
    EXPECT_EQ(outer.left, 10) << "ZEL_MoveWindow places the outer frame";
    EXPECT_EQ(outer.top, 20);
    const Rect before = AuxOf(w)->bounds;

    ZoomWindow(w, inZoomOut, FALSE);
    EXPECT_EQ(PeekOf(w)->spareFlag, 1);
    const Rect zoom = AuxOf(w)->zoomBounds;
    EXPECT_EQ(zoom.top, -GetSystemMetrics(SM_CYFRAME)) << "recomputed without setting 38";
    EXPECT_EQ(zoom.left, -GetSystemMetrics(SM_CXFRAME));
    outer = WindowRectInParent(hwnd);
    EXPECT_EQ(outer.left, -1);
    EXPECT_EQ(outer.top, -1);
    EXPECT_EQ(outer.right, parent.right + 1) << "the zoomed window fills its parent";
    client = ClientRectInParent(hwnd);
    EXPECT_EQ(w->portRect.right - w->portRect.left, client.right - client.left);
    EXPECT_EQ(w->portRect.bottom - w->portRect.top, client.bottom - client.top);
    EXPECT_TRUE(SameRect(AuxOf(w)->bounds, before)) << "zooming keeps the user state";

    ZoomWindow(w, inZoomIn, FALSE);
    EXPECT_EQ(PeekOf(w)->spareFlag, 0);
    client = ClientRectInParent(hwnd);
    EXPECT_EQ(client.left, before.left);
    EXPECT_EQ(client.top, before.top);
    EXPECT_EQ(client.right, before.right);
    EXPECT_EQ(client.bottom, before.bottom);

    PumpMessages();
    EXPECT_TRUE(QueuedMouseDowns().empty()) << "the library's own geometry posts no click";
    DisposeWindow(w);
}

TEST(WindowGeometry, ZoomBoundsOfSetting38AreKept)
{
    ZEL_SystemValue(1, 38, 1);
    WindowPtr w = MakeWindow(zoomDocProc, 40, 30, 200, 100);
    ZEL_SystemValue(1, 38, 0);
    const Rect kept = AuxOf(w)->zoomBounds;
    EXPECT_FALSE(kept.bottom == 0 && kept.right == 0) << "filled at creation";
    ZEL_SystemValue(1, 38, 1);
    ZoomWindow(w, inZoomOut, FALSE);
    ZEL_SystemValue(1, 38, 0);
    EXPECT_TRUE(SameRect(AuxOf(w)->zoomBounds, kept));
    EXPECT_EQ(w->portRect.right, kept.right - kept.left);
    DisposeWindow(w);
}

TEST(FindWindo, EncodedPointsAndContentHits)
{
    WindowPtr w = MakeWindow(documentProc, 40, 30, 200, 100);
    struct {
        int16_t v;
        int16_t part;
        const char *what;
    } encoded[] = {
        {-1, inMenuBar, "menu bar"}, {-4, inDesk, "no drag pending"}, {-5, inDesk, "no resize pending"},
        {-6, inDesk, "no close pending"}, {-7, inDesk, "no zoom pending"}, {-8, inDesk, "no zoom pending"},
        {-9, inDesk, "no such part"},
    };
    for (const auto &c : encoded) {
        SCOPED_TRACE(c.what);
        WindowPtr found = reinterpret_cast<WindowPtr>(1);
        EXPECT_EQ(FindWindo(Point{c.v, -1}, &found), c.part);
        EXPECT_EQ(found, nullptr);
    }
    RECT r;
    GetWindowRect(HwndOf(w), &r);
    WindowPtr found = nullptr;
    EXPECT_EQ(FindWindo(Point{static_cast<int16_t>(r.top + 2), static_cast<int16_t>(r.left + 2)}, &found), inContent);
    EXPECT_EQ(found, w);
    RECT main;
    GetClientRect(HostMainWindow(), &main);
    MapWindowPoints(HostMainWindow(), nullptr, reinterpret_cast<POINT *>(&main), 2);
    EXPECT_EQ(FindWindo(Point{static_cast<int16_t>(main.bottom - 3), static_cast<int16_t>(main.right - 3)}, &found),
              inDesk)
        << "the host's own window is not a library window";
    EXPECT_EQ(found, nullptr);
    EXPECT_FALSE(TrackGoAway(w, Point{0, 0}));
    EXPECT_FALSE(TrackBox(w, Point{0, 0}, inZoomOut));
    EXPECT_EQ(GrowWindow(w, Point{0, 0}, nullptr), 0);
    DisposeWindow(w);
}

// FindWindo answers from the structures the list last read while they hold: windows moved behind the
// library's back (by Windows, or with the host's main window) are still found where they are.
TEST(FindWindo, FindsWindowsWhereverTheyWereMoved)
{
    WindowPtr back = MakeWindow(documentProc, 40, 30, 200, 100);
    WindowPtr front = MakeWindow(documentProc, 60, 60, 200, 100);
    auto corner = [](WindowPtr w, int dx, int dy) {
        const RECT r = GlobalWindowRect(HwndOf(w));
        return Point{static_cast<int16_t>(r.top + dy), static_cast<int16_t>(r.left + dx)};
    };
    struct Case {
        const char *what;
        std::function<void()> move;
    };
    HWND main = HostMainWindow();
    RECT mainWas;
    GetWindowRect(main, &mainWas);
    const Case cases[] = {
        {"as made", [] {}},
        {"the back window moved by Windows",
         [&] { SetWindowPos(HwndOf(back), nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); }},
        {"the host's main window moved",
         [&] { SetWindowPos(main, nullptr, mainWas.left + 37, mainWas.top + 23, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }},
        {"the front window moved onto the back one", [&] {
             const Point at = corner(back, 0, 0);
             MoveWindo(front, static_cast<int16_t>(at.h + 40), static_cast<int16_t>(at.v + 40), FALSE);
         }}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.move();
        PumpMessages();
        for (WindowPtr w : {back, front}) {
            WindowPtr found = nullptr;
            // Inside the frame near its bottom-right corner, where the other window is not.
            const RECT r = GlobalWindowRect(HwndOf(w));
            const Point inside{static_cast<int16_t>(r.bottom - 3), static_cast<int16_t>(r.right - 3)};
            POINT p{inside.h, inside.v};
            const RECT o = GlobalWindowRect(HwndOf(w == back ? front : back));
            if (PtInRect(&o, p) && w == back)
                continue;
            EXPECT_EQ(FindWindo(inside, &found), inContent);
            EXPECT_EQ(found, w);
            const Point outside{static_cast<int16_t>(r.bottom + 1), static_cast<int16_t>(r.right + 1)};
            POINT q{outside.h, outside.v};
            if (!PtInRect(&o, q)) {
                found = reinterpret_cast<WindowPtr>(1);
                FindWindo(outside, &found);
                EXPECT_NE(found, w);
            }
        }
    }
    SetWindowPos(main, nullptr, mainWas.left, mainWas.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    DisposeWindow(front);
    DisposeWindow(back);
}

TEST(FindWindo, ACaptionClickOnABackgroundWindowIsADragThatBringsItForward)
{
    WindowPtr back = MakeWindow(documentProc, 60, 40, 200, 100);
    WindowPtr front = MakeWindow(documentProc, 100, 120, 200, 100);
    ASSERT_EQ(FrontWindow(), front);
    FlushEvents(everyEvent, 0);
    LMSetCurActivate(nullptr);
    RECT r;
    GetWindowRect(HwndOf(back), &r);
    {
        Watchdog watchdog;
        SetCursorPos(r.left + 40, r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2);
        MouseButton(true);
        MouseButton(false); // queued before Windows' caption loop starts, so that the loop ends
        for (int i = 0; i < 5; ++i)
            PumpMessages();
    }
    std::vector<EventRecord> downs = QueuedMouseDowns();
    ASSERT_FALSE(downs.empty());
    EXPECT_EQ(downs[0].where.h, -1);
    EXPECT_EQ(downs[0].where.v, -inDrag);
    WindowPtr found = nullptr;
    EXPECT_EQ(FindWindo(downs[0].where, &found), inDrag);
    EXPECT_EQ(found, back);
    Rect limit{0, 0, 700, 700};
    DragWindow(found, downs[0].where, &limit);
    EXPECT_EQ(FrontWindow(), back);
    EXPECT_EQ(LMGetCurActivate(), back);
    EXPECT_TRUE(PeekOf(back)->hilited);
    EXPECT_FALSE(PeekOf(front)->hilited);
    EXPECT_EQ(FindWindo(downs[0].where, &found), inDesk) << "DragWindow used the drag up";
    FlushEvents(everyEvent, 0);
    DisposeWindow(front);
    DisposeWindow(back);
}

namespace {

std::atomic<int> sActionCalls;
void ZEL_CALL CountAction() { ++sActionCalls; }

} // namespace

TEST(DragGrayRgn, TracksTheMouseToTheReleasePinnedToTheLimit)
{
    WindowPtr w = MakeWindow(noGrowDocProc, 40, 30, 200, 120);
    ClearUpdate(w);
    GrafPtr saved;
    GetPort(&saved);
    SetPor(w);
    RECT client;
    GetClientRect(HwndOf(w), &client);
    MapWindowPoints(HwndOf(w), nullptr, reinterpret_cast<POINT *>(&client), 2);
    const POINT start{client.left + 50, client.top + 50};
    SetCursorPos(start.x, start.y);
    Point local;
    GetMouse(&local); // the coordinates DragGrayRgn reads the mouse in
    const Rect limit{static_cast<int16_t>(local.v - 30), static_cast<int16_t>(local.h - 30),
                     static_cast<int16_t>(local.v + 20), static_cast<int16_t>(local.h + 40)};
    const Rect slop{static_cast<int16_t>(local.v - 45), static_cast<int16_t>(local.h - 45),
                    static_cast<int16_t>(local.v + 60), static_cast<int16_t>(local.h + 60)};
    struct {
        std::vector<POINT> moves;
        int16_t axis;
        bool withAction;
        uint32_t result;
        const char *what;
    } cases[] = {
        {{{start.x + 5, start.y + 5}, {start.x + 30, start.y + 10}}, noConstraint, true, 0x000A001E, "inside"},
        {{{start.x + 50, start.y + 50}}, noConstraint, false, 0x00140028, "pinned to limitRect, both ends included"},
        {{{start.x + 20, start.y + 15}}, hAxisOnly, false, 0x00000014, "horizontal only"},
        {{{start.x + 20, start.y + 100}}, noConstraint, false, 0x80008000, "released outside slopRect"},
    };
    testing_support::ColourLegend legend{{'#', RGB(0, 0, 0)}, {'.', RGB(255, 255, 255)}};
    HDC dc = GetDC(HwndOf(w));
    auto pixel = [&](int x, int y) { return GetPixel(dc, x, y); };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        auto pixelsBefore = testing_support::CaptureImage(120, 100, legend, pixel);
        RgnHandle rgn = NewRgn();
        Rect box{static_cast<int16_t>(local.v - 10), static_cast<int16_t>(local.h - 10),
                 static_cast<int16_t>(local.v + 10), static_cast<int16_t>(local.h + 10)};
        RectRgn(rgn, &box);
        SetCursorPos(start.x, start.y);
        MouseButton(true);
        sActionCalls = 0;
        int32_t result;
        {
            Watchdog watchdog;
            MouseScript script(c.moves);
            result = DragGrayRgn(rgn, local, &limit, &slop, c.axis,
                                 c.withAction ? reinterpret_cast<ProcPtr>(CountAction) : nullptr);
        }
        EXPECT_EQ(static_cast<uint32_t>(result), c.result);
        if (c.withAction) {
            EXPECT_GT(sActionCalls.load(), 0);
        }
        GdiFlush();
        EXPECT_EQ(testing_support::ImageDifference(testing_support::CaptureImage(120, 100, legend, pixel), pixelsBefore),
                  "")
            << "the outline is gone";
        DisposeRgn(rgn);
    }
    ReleaseDC(HwndOf(w), dc);
    SetPor(saved);
    DisposeWindow(w);
}

TEST(WindowGeometry, TrackingSizesAndPinRect)
{
    WindowPtr w = MakeWindow(documentProc, 40, 30, 200, 100);
    HWND hwnd = HwndOf(w);
    RECT outer, client;
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    const int frameW = outer.right - outer.left - client.right, frameH = outer.bottom - outer.top - client.bottom;
    ZEL_SetwPtrMinSize(w, 100, 50);
    MINMAXINFO info{};
    EXPECT_EQ(ZEL_GetMinMaxInfo(hwnd, &info), 1);
    EXPECT_EQ(info.ptMinTrackSize.x, 100 + frameW);
    EXPECT_EQ(info.ptMinTrackSize.y, 50 + frameH);
    MINMAXINFO limited{};
    ZEL_GetMinMaxInfo4(hwnd, &limited, 60, 40, 300, static_cast<int16_t>(40000));
    EXPECT_EQ(limited.ptMinTrackSize.x, 60 + frameW);
    EXPECT_EQ(limited.ptMaxTrackSize.x, 300 + frameW);
    EXPECT_EQ(limited.ptMaxTrackSize.y, 16384 + frameH) << "32737 and above count as 16384";
    MINMAXINFO host{};
    EXPECT_EQ(ZEL_GetMinMaxInfo(HostMainWindow(), &host), 0);
    DisposeWindow(w);

    const Rect r{10, 20, 30, 40};
    struct {
        Point in;
        uint32_t out;
    } pins[] = {
        {{15, 25}, 0x000F0019}, {{0, 0}, 0x000A0014}, {{30, 40}, 0x001E0028}, {{99, 99}, 0x001E0028},
    };
    for (const auto &p : pins)
        EXPECT_EQ(static_cast<uint32_t>(PinRect(&r, p.in)), p.out);
}

TEST(WindowGeometry, WindowLocationGivesTheOuterFrameInGlobalCoordinates)
{
    WindowPtr w = MakeWindow(documentProc, 40, 30, 200, 100);
    RECT outer;
    GetWindowRect(HwndOf(w), &outer);
    MapWindowPoints(nullptr, HostMainWindow(), reinterpret_cast<POINT *>(&outer), 2);
    Rect r{};
    ZEL_WindowLocation(1, w, &r);
    EXPECT_EQ(r.left, outer.left);
    EXPECT_EQ(r.top, outer.top);
    EXPECT_EQ(r.right, outer.right);
    EXPECT_EQ(r.bottom, outer.bottom);
    Rect untouched{1, 2, 3, 4};
    ZEL_WindowLocation(1, nullptr, &untouched);
    EXPECT_TRUE(SameRect(untouched, Rect{1, 2, 3, 4})) << "no window, nothing to do";
    HDC dc = nullptr, printer = reinterpret_cast<HDC>(1);
    int16_t printing = 1;
    ZEL_GetCurHDCs(&dc, &printer, &printing);
    EXPECT_EQ(dc, ZEL_GetCurrentDC());
    EXPECT_EQ(printer, nullptr);
    EXPECT_EQ(printing, 0);
    DisposeWindow(w);
}

// The Macintosh-style frame drawn by the library (pixels read through the window DC), its close and zoom
// boxes tracked by the library, and frame actions done by Windows reaching the application as encoded
// mouse-downs.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "Events.h"
#include "LowMem.h"
#include "OSUtils.h"
#include "window_host.h"

using namespace window_tests;

namespace {

// The parts of the queued encoded mouse-downs (h = -1), in order.
std::vector<int> QueuedParts()
{
    std::vector<int> parts;
    for (auto *e = reinterpret_cast<EvQEl *>(GetEvQHdr()->qHead); e; e = e->qLink)
        if (e->evtQWhat == mouseDown && e->evtQWhere.h == -1)
            parts.push_back(-e->evtQWhere.v);
    return parts;
}

struct WindowPixels {
    explicit WindowPixels(HWND hwnd) : hwnd_(hwnd), dc_(GetWindowDC(hwnd)) { GetWindowRect(hwnd, &rect_); }
    ~WindowPixels() { ReleaseDC(hwnd_, dc_); }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    int width() const { return rect_.right - rect_.left; }
    int height() const { return rect_.bottom - rect_.top; }
    bool Any(int left, int top, int right, int bottom, COLORREF colour) const
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (at(x, y) == colour)
                    return true;
        return false;
    }
    HWND hwnd_;
    HDC dc_;
    RECT rect_;
};

// The top of the content below the window's top edge.
int ContentTop(HWND hwnd)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    return origin.y - r.top;
}

void Click(POINT at, POINT release)
{
    SetCursorPos(at.x, at.y);
    INPUT in[3] = {};
    for (INPUT &i : in)
        i.type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_MOVE;
    in[1].mi.dx = release.x - at.x;
    in[1].mi.dy = release.y - at.y;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, in, sizeof(INPUT));
    for (int i = 0; i < 5; ++i)
        PumpMessages();
}

const COLORREF kBlack = RGB(0, 0, 0);

// The centre of a caption box of a window without a sizing frame, in screen coordinates.
POINT BoxCentre(const RECT &window, int caption, bool closeBox)
{
    const int y = window.top + caption / 2;
    if (ThreeDLook())
        return POINT{window.right - 1 - caption / 2 - (closeBox ? 0 : caption + 1), y};
    return closeBox ? POINT{window.left + caption / 2, y} : POINT{window.right - caption / 2, y};
}

} // namespace

TEST(MacFrame, DrawsItsFrameCaptionTitleAndBoxes)
{
    WindowPtr w = MakeWindow(730, 40, 30, 200, 100, "Framed"); // zoom box, title on Windows, no sizing frame
    HWND hwnd = HwndOf(w);
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 200) << "the content size asked for";
    EXPECT_EQ(client.bottom, 100);
    const int caption = ContentTop(hwnd);
    EXPECT_GE(caption, 15);
    EXPECT_EQ(caption % 2, 1) << "the caption height is odd";
    ASSERT_TRUE(PeekOf(w)->hilited);
    {
        WindowPixels px(hwnd);
        EXPECT_EQ(px.at(0, 0), kBlack);
        EXPECT_EQ(px.at(px.width() - 1, px.height() - 1), kBlack);
        EXPECT_EQ(px.at(0, caption + 20), kBlack) << "the one-pixel border";
        // The text area between the boxes: the caption colour at its right end, the title in it.
        const int left = ThreeDLook() ? 2 : caption + 1, right = px.width() - 1 - 2 * caption - 6;
        EXPECT_EQ(px.at(right, caption / 2), GetSysColor(COLOR_ACTIVECAPTION));
        EXPECT_TRUE(px.Any(left, 2, right, caption - 2, GetSysColor(COLOR_CAPTIONTEXT))) << "the title";
        // Both boxes with their glyphs: black pixels inside each box.
        RECT r;
        GetWindowRect(hwnd, &r);
        for (bool closeBox : {true, false}) {
            POINT c = BoxCentre(r, caption, closeBox);
            const int x = c.x - r.left, half = caption / 2 - 2;
            EXPECT_TRUE(px.Any(x - half, 3, x + half, caption - 3, kBlack)) << (closeBox ? "close" : "zoom");
            if (ThreeDLook()) {
                EXPECT_TRUE(px.Any(x - half, 3, x + half, caption - 3, GetSysColor(COLOR_BTNFACE)));
            }
        }
    }
    HiliteWindow(w, FALSE);
    {
        WindowPixels px(hwnd);
        const int right = px.width() - 1 - 2 * caption - 6;
        EXPECT_EQ(px.at(right, caption / 2), GetSysColor(COLOR_INACTIVECAPTION));
    }
    DisposeWindow(w);
}

// A frame Windows draws follows HiliteWindow as a full repaint of the frame draws it, in both states.
TEST(WindowsFrame, HiliteLeavesTheFrameAsARepaintDrawsIt)
{
    WindowPtr w = MakeWindow(documentProc, 40, 30, 200, 100, "Plain");
    HWND hwnd = HwndOf(w);
    ASSERT_TRUE(PeekOf(w)->hilited);
    const int caption = ContentTop(hwnd);
    auto strip = [&] {
        WindowPixels px(hwnd);
        std::vector<COLORREF> row;
        for (int y = 1; y < caption; y += 3)
            for (int x = 0; x < px.width(); ++x)
                row.push_back(px.at(x, y));
        return row;
    };
    auto repainted = [&] {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
        return strip();
    };
    const std::vector<COLORREF> active = strip();
    EXPECT_EQ(active, repainted());
    HiliteWindow(w, FALSE);
    const std::vector<COLORREF> inactive = strip();
    EXPECT_NE(inactive, active) << "the caption shows the window inactive";
    EXPECT_EQ(inactive, repainted());
    HiliteWindow(w, TRUE);
    EXPECT_EQ(strip(), active);
    DisposeWindow(w);
}

TEST(MacFrame, ASizingFrameShowsBorderBandsAndCornerTicks)
{
    WindowPtr w = MakeWindow(734, 40, 30, 200, 100, "Sized");
    HWND hwnd = HwndOf(w);
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
    const int bx = GetSystemMetrics(SM_CXFRAME), by = GetSystemMetrics(SM_CYFRAME);
    ASSERT_GE(bx, 3);
    WindowPixels px(hwnd);
    const int caption = ContentTop(hwnd) - by - 1;
    EXPECT_EQ(px.at(0, px.height() / 2), kBlack) << "outer frame";
    EXPECT_EQ(px.at(bx - 1, px.height() / 2), kBlack) << "inner frame";
    EXPECT_EQ(px.at(1, px.height() / 2), GetSysColor(COLOR_INACTIVECAPTION)) << "border band";
    EXPECT_EQ(px.at(bx + caption, 1), kBlack) << "tick near the top-left corner";
    EXPECT_EQ(px.at(1, by + caption), kBlack) << "tick down the left side";
    EXPECT_EQ(px.at(bx + caption + 1, 1), GetSysColor(COLOR_INACTIVECAPTION));
    DisposeWindow(w);
}

TEST(MacFrame, CloseAndZoomBoxesPostTheirParts)
{
    FlushEvents(everyEvent, 0);
    WindowPtr w = MakeWindow(730, 40, 30, 200, 100, "Boxes");
    HWND hwnd = HwndOf(w);
    RECT r;
    GetWindowRect(hwnd, &r);
    const int caption = ContentTop(hwnd);
    // With the three-dimensional look both boxes sit at the right, the close box outermost; without it the
    // close box is at the left end and the zoom box at the right end.
    const POINT close = BoxCentre(r, caption, true);
    const POINT zoom = BoxCentre(r, caption, false);
    const POINT away{r.left + 100, r.top + caption + 50};

    // Clicks land on different spots each time, so that Windows sees no double-click.
    Click(close, away);
    EXPECT_TRUE(QueuedParts().empty()) << "released outside the box";
    Click(zoom, zoom);
    EXPECT_EQ(QueuedParts(), std::vector<int>{inZoomOut});
    EXPECT_TRUE(TrackBox(w, Point{0, 0}, inZoomOut));
    FlushEvents(everyEvent, 0);
    Click(close, close);
    EXPECT_EQ(QueuedParts(), std::vector<int>{inGoAway});
    EXPECT_TRUE(TrackGoAway(w, Point{0, 0}));
    EXPECT_FALSE(TrackGoAway(w, Point{0, 0})) << "one close click, one answer";
    FlushEvents(everyEvent, 0);

    ZoomWindow(w, inZoomOut, FALSE);
    GetWindowRect(hwnd, &r);
    const POINT zoomed = BoxCentre(r, caption, false);
    Click(zoomed, zoomed);
    EXPECT_EQ(QueuedParts(), std::vector<int>{inZoomIn}) << "a zoomed window's box zooms in";
    FlushEvents(everyEvent, 0);
    DisposeWindow(w);
}

TEST(FrameActions, WindowsMovesSizesAndCommandsBecomeClicks)
{
    FlushEvents(everyEvent, 0);
    WindowPtr w = MakeWindow(zoomDocProc, 60, 60, 200, 100, "Doc");
    HWND hwnd = HwndOf(w);
    RECT r;
    GetWindowRect(hwnd, &r);
    const POINT grab{r.left + 50, r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
    Click(grab, POINT{grab.x + 30, grab.y + 20});
    EXPECT_EQ(QueuedParts(), std::vector<int>{inDrag}) << "one drag click for the caption drag";
    RECT moved = ClientRectInParent(hwnd);
    EXPECT_EQ(AuxOf(w)->bounds.left, moved.left) << "bounds follow the move";
    WindowPtr found = nullptr;
    EXPECT_EQ(FindWindo(Point{-inDrag, -1}, &found), inDrag);
    EXPECT_EQ(found, w);
    Rect limit{0, 0, 2000, 2000};
    DragWindow(w, Point{-inDrag, -1}, &limit);
    FlushEvents(everyEvent, 0);

    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left + 40, r.bottom - r.top + 30,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
    EXPECT_EQ(QueuedParts(), std::vector<int>{inGrow}) << "one grow click for a resize from outside";
    EXPECT_EQ(FindWindo(Point{-inGrow, -1}, &found), inGrow);
    EXPECT_EQ(found, w);
    EXPECT_EQ(static_cast<uint32_t>(GrowWindow(w, Point{0, 0}, nullptr)), (130u << 16) | 240u);
    EXPECT_EQ(GrowWindow(w, Point{0, 0}, nullptr), 0) << "reported once";
    SizeWindow(w, 240, 130, TRUE);
    FlushEvents(everyEvent, 0);
    SizeWindow(w, 180, 90, TRUE);
    PumpMessages();
    EXPECT_TRUE(QueuedParts().empty()) << "SizeWindow's own WM_SIZE posts nothing";

    struct {
        int16_t isMain;
        HWND target;
        WPARAM command;
        int32_t taken;
        std::vector<int> parts;
        const char *what;
    } commands[] = {
        {0, hwnd, SC_MINIMIZE, 1, {inZoomIn}, "minimise becomes a zoom-in click"},
        {0, hwnd, 0xF032, 1, {inZoomOut}, "a caption double-click's maximise"},
        {0, hwnd, SC_CLOSE | 3, 1, {inGoAway}, "close with the low bits set"},
        {1, HostMainWindow(), SC_CLOSE, 1, {inMenuBar}, "closing the main window quits through the menu"},
        {0, HostMainWindow(), SC_CLOSE, 0, {}, "not a library window"},
        {0, hwnd, SC_MOVE, 0, {}, "not the library's command"},
    };
    for (const auto &c : commands) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ZEL_SysCommand(c.isMain, c.target, c.command), c.taken);
        EXPECT_EQ(QueuedParts(), c.parts);
        FlushEvents(everyEvent, 0);
    }
    DisposeWindow(w);
}

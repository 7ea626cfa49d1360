// List clicks, scrolling and tear-off dragging under real input: LScroll and LAutoScroll against the
// list box's own top item, LClick copying the list box's selection after real clicks, row-per-item
// lists selecting cells from the mouse, and a tear-off press dragged out of the list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Events.h"
#include "Lists.h"
#include "MacMemory.h"
#include "Zel.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using testing_support::P;

Rect MakeRect(int top, int left, int bottom, int right)
{
    return Rect{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}
HWND Box(ListHandle l) { return ZEL_GetHWNDFromListHandle(l); }
Cell C(int v, int h) { return Cell{int16_t(v), int16_t(h)}; }
bool Selected(ListHandle l, int v, int h)
{
    Cell c = C(v, h);
    return LGetSelect(false, &c, l);
}

void Settle()
{
    for (int i = 0; i < 15; ++i) {
        PumpMessages();
        Sleep(10);
    }
}

// The mouse-downs the application's queue holds, taken.
int TakeMouseDowns(EventRecord *last = nullptr)
{
    int n = 0;
    EventRecord e{};
    while (GetNextEvent(mDownMask, &e)) {
        ++n;
        if (last)
            *last = e;
    }
    return n;
}

class ListClicks : public testing::Test {
protected:
    void SetUp() override
    {
        ShowWindow(HostMainWindow(), SW_SHOW);
        SetForegroundWindow(HostMainWindow());
        window_ = MakeWindow(documentProc, 60, 60, 400, 300, "Clicks");
        SetPor(window_);
        SelectWindow(window_);
        Settle();
        FlushEvents(everyEvent, 0);
    }
    void TearDown() override
    {
        MouseButton(false);
        SendKey(VK_SHIFT, true);
        for (ListHandle l : lists_)
            LDispose(l);
        DisposeWindow(window_);
        Settle();
        FlushEvents(everyEvent, 0);
    }
    ListHandle Make(Rect bounds, Rect view = MakeRect(10, 10, 110, 160), Point cell = Point{16, 140},
                    int32_t configuration = 0, bool horiz = false)
    {
        if (configuration)
            ZEL_LSetSelFlags(configuration);
        ListHandle l = LNew(&view, &bounds, cell, 0, window_, true, false, horiz, true);
        if (l)
            lists_.push_back(l);
        return l;
    }
    static POINT ItemCentre(HWND box, int item)
    {
        RECT r{};
        SendMessageA(box, LB_GETITEMRECT, WPARAM(item), LPARAM(&r));
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(box, &p);
        return p;
    }
    static POINT CellCentre(ListHandle l, Cell c)
    {
        Rect r;
        LRect(&r, c, l);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        RECT client{};
        GetClientRect(Box(l), &client);
        // LRect is in the window's coordinates; the list box's client area starts at rView's top-left.
        p.x -= (*l)->rView.left;
        p.y -= (*l)->rView.top;
        ClientToScreen(Box(l), &p);
        return p;
    }
    // A click with Shift held from just before the press to just after the release.
    static void ShiftClickAt(POINT p)
    {
        SetCursorPos(p.x, p.y);
        Settle();
        SendKey(VK_SHIFT, false);
        MouseButton(true);
        Settle();
        MouseButton(false);
        SendKey(VK_SHIFT, true);
        Settle();
    }
    static void ClickAt(POINT p)
    {
        SetCursorPos(p.x, p.y);
        Settle();
        MouseButton(true);
        Settle();
        MouseButton(false);
        Settle();
    }
    WindowPtr window_ = nullptr;
    std::vector<ListHandle> lists_;
};

TEST_F(ListClicks, ScrollingStopsAtTheEnds)
{
    ListHandle l = Make(MakeRect(0, 0, 30, 1));
    HWND box = Box(l);
    RECT client{};
    GetClientRect(box, &client);
    const int viewRows = int(client.bottom / SendMessageA(box, LB_GETITEMHEIGHT, 0, 0));
    const int lastTop = 30 - viewRows;
    struct Step {
        const char *what;
        int16_t rows;
        int top;
    } const steps[] = {
        {"three down", 3, 3},
        {"two more", 2, 5},
        {"far past the end stops with the last row in view", 1000, lastTop},
        {"back up past the top stops at the top", -2000, 0},
        {"up from the top stays", -5, 0},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        LScroll(0, s.rows, l);
        EXPECT_EQ(s.top, SendMessageA(box, LB_GETTOPINDEX, 0, 0));
        EXPECT_EQ(s.top, (*l)->visible.top);
    }

    // The only selected cell far below comes into view.
    LSetSelect(true, C(25, 0), l);
    LAutoScroll(l);
    const LRESULT top = SendMessageA(box, LB_GETTOPINDEX, 0, 0);
    EXPECT_LE(top, 25);
    EXPECT_GT(top + viewRows, 25);

    // A list with the list box's own columns: rows stay in the first column, columns stop at the last.
    ListHandle own = Make(MakeRect(0, 0, 10, 6), MakeRect(130, 10, 230, 160), Point{16, 60}, 0x0400, true);
    HWND ownBox = Box(own);
    LScroll(0, 1000, own);
    EXPECT_LT(SendMessageA(ownBox, LB_GETTOPINDEX, 0, 0), 10) << "the top item stays in the first column";
    LScroll(1000, 0, own);
    RECT last{}, ownClient{};
    SendMessageA(ownBox, LB_GETITEMRECT, 50, LPARAM(&last));
    GetClientRect(ownBox, &ownClient);
    EXPECT_GE(last.left, 0) << "the last column shows";
    EXPECT_LE(last.right, ownClient.right);
}

TEST_F(ListClicks, LClickCopiesTheListBoxSelection)
{
    // One selection only: the bit moves from the old cell to the clicked one.
    ListHandle single = Make(MakeRect(0, 0, 8, 1), MakeRect(10, 10, 150, 120), Point{16, 110}, 0x80);
    for (int v = 0; v < 8; ++v)
        LSetCell("cell", 4, C(v, 0), single);
    LSetSelect(true, C(1, 0), single);
    ClickAt(ItemCentre(Box(single), 4));
    EXPECT_FALSE(LClick(Point{0, 0}, 0, single));
    EXPECT_FALSE(Selected(single, 1, 0));
    EXPECT_TRUE(Selected(single, 4, 0));
    EXPECT_EQ(4, LLastClick(single).v);
    EXPECT_EQ(4, LongLastClick(single)) << "v in the low half, h in the high half";
    // A second click on it within the double-click time is a double click.
    MouseButton(true);
    MouseButton(false);
    Settle();
    EXPECT_TRUE(LClick(Point{0, 0}, 0, single));
    Sleep(GetDoubleClickTime() + 50);

    // No empty selection: a click on an empty cell puts the list box back on the old cell.
    ListHandle noEmpty = Make(MakeRect(0, 0, 8, 1), MakeRect(10, 130, 150, 240), Point{16, 110}, 0x82);
    for (int v = 0; v < 3; ++v)
        LSetCell("full", 4, C(v, 0), noEmpty);
    LSetSelect(true, C(1, 0), noEmpty);
    ClickAt(ItemCentre(Box(noEmpty), 5));
    EXPECT_FALSE(LClick(Point{0, 0}, 0, noEmpty));
    EXPECT_EQ(1, SendMessageA(Box(noEmpty), LB_GETCURSEL, 0, 0));
    EXPECT_TRUE(Selected(noEmpty, 1, 0));
    EXPECT_FALSE(Selected(noEmpty, 5, 0));
    Sleep(GetDoubleClickTime() + 50);

    // Multiple selection: a click and shift-arrows select a run; LClick copies every item's bit, and
    // clears the bit of the last cell, which the click deselected.
    ListHandle multiple = Make(MakeRect(0, 0, 9, 1), MakeRect(10, 250, 150, 360), Point{16, 110});
    LSetSelect(true, C(8, 0), multiple);
    ClickAt(ItemCentre(Box(multiple), 2));
    SendKey(VK_SHIFT, false);
    for (int i = 0; i < 3; ++i) {
        SendKey(VK_DOWN, false);
        SendKey(VK_DOWN, true);
    }
    SendKey(VK_SHIFT, true);
    Settle();
    EXPECT_FALSE(LClick(Point{0, 0}, 0, multiple));
    for (int v = 0; v < 9; ++v)
        EXPECT_EQ(v >= 2 && v <= 5, Selected(multiple, v, 0)) << v;
    EXPECT_EQ(2, LLastClick(multiple).v);
}

TEST_F(ListClicks, RowPerItemListsSelectCellsFromTheMouse)
{
    ListHandle l = Make(MakeRect(0, 0, 5, 3), MakeRect(10, 10, 110, 190), Point{18, 60});
    Settle();
    FlushEvents(everyEvent, 0);
    auto expectSelected = [&](Rect r) {
        for (int v = 0; v < 5; ++v)
            for (int h = 0; h < 3; ++h)
                EXPECT_EQ(v >= r.top && v < r.bottom && h >= r.left && h < r.right, Selected(l, v, h))
                    << v << "," << h;
    };
    // A shift-click before any click has no anchor: only its cell.
    ShiftClickAt(CellCentre(l, C(2, 2)));
    expectSelected(MakeRect(2, 2, 3, 3));
    EXPECT_EQ(1, TakeMouseDowns()) << "one click posted, on release";

    ClickAt(CellCentre(l, C(1, 1)));
    expectSelected(MakeRect(1, 1, 2, 2));
    ShiftClickAt(CellCentre(l, C(3, 2)));
    expectSelected(MakeRect(1, 1, 4, 3));
    EventRecord e{};
    EXPECT_EQ(2, TakeMouseDowns(&e));
    EXPECT_FALSE(LClick(e.where, 0, l));

    // A move with the button down extends from the press.
    const POINT from = CellCentre(l, C(0, 0)), to = CellCentre(l, C(2, 1));
    SetCursorPos(from.x, from.y);
    Settle();
    MouseButton(true);
    {
        Watchdog dog;
        MouseScript script({POINT{(from.x + to.x) / 2, (from.y + to.y) / 2}, to});
        for (int i = 0; i < 20; ++i) {
            PumpMessages();
            Sleep(10);
        }
    }
    Settle();
    expectSelected(MakeRect(0, 0, 3, 2));
    EXPECT_EQ(1, TakeMouseDowns());

    // Below the last row there is no cell: nothing changes, nothing is posted.
    ListHandle shortList = Make(MakeRect(0, 0, 2, 3), MakeRect(150, 10, 250, 190), Point{18, 60});
    Settle();
    FlushEvents(everyEvent, 0);
    RECT boxRect{};
    GetWindowRect(Box(shortList), &boxRect);
    ClickAt(POINT{boxRect.left + 20, boxRect.bottom - 10});
    EXPECT_FALSE(Selected(shortList, 0, 0));
    EXPECT_FALSE(Selected(shortList, 1, 0));
    EXPECT_EQ(0, TakeMouseDowns());

    // A keyboard move in the list box posts no click.
    SetFocus(Box(l));
    Settle();
    FlushEvents(everyEvent, 0);
    SendKey(VK_DOWN, false);
    SendKey(VK_DOWN, true);
    Settle();
    EXPECT_EQ(0, TakeMouseDowns());
}

// What the tear-off hook saw.
struct HookCall {
    Cell cell;
    Cell selection;
    bool found;
};
std::vector<HookCall> sHookCalls;
ListHandle sHookList;
int32_t ZEL_CALL TearOffHook(Point, Cell cell, Rect *, int16_t, int16_t)
{
    HookCall call{cell, C(0, 0), false};
    call.found = LGetSelect(true, &call.selection, sHookList);
    sHookCalls.push_back(call);
    return 0;
}

std::vector<COLORREF> ScreenPixels(const RECT &r)
{
    std::vector<COLORREF> pixels;
    HDC dc = GetDC(nullptr);
    for (int y = r.top; y < r.bottom; y += 3)
        for (int x = r.left; x < r.right; x += 3)
            pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(nullptr, dc);
    return pixels;
}

TEST_F(ListClicks, TearOffDragsOutOfTheList)
{
    ListHandle l = Make(MakeRect(0, 0, 6, 1), MakeRect(10, 10, 130, 120), Point{16, 110});
    for (int v = 0; v < 6; ++v)
        LSetCell("drag me", 7, C(v, 0), l);
    HWND box = Box(l);
    ClickAt(ItemCentre(box, 2));
    LClick(Point{0, 0}, 0, l);
    Settle();
    FlushEvents(everyEvent, 0);
    EXPECT_EQ(1, ZEL_LTearOff(l, 1, nullptr));

    RECT area{};
    GetWindowRect(HwndOf(window_), &area);
    area.right += 120;
    const std::vector<COLORREF> before = ScreenPixels(area);
    const POINT start = ItemCentre(box, 2);
    const POINT drop{area.right - 60, start.y + 40};
    SetCursorPos(start.x, start.y);
    Settle();
    {
        Watchdog dog;
        MouseScript script({POINT{start.x + 60, start.y + 10}, POINT{start.x + 150, start.y + 30}, drop, drop});
        MouseButton(true);
        Settle();
    }
    Settle();
    Point pt{7, 7};
    EXPECT_EQ(1, ZEL_LTearOff(l, 2, &pt));
    POINT dropped = drop; // a global point: the host's client area's
    ScreenToClient(HostMainWindow(), &dropped);
    EXPECT_EQ(dropped.y, pt.v);
    EXPECT_EQ(dropped.x, pt.h);
    pt = Point{7, 7};
    ZEL_LTearOff(l, 2, &pt);
    EXPECT_EQ(7, pt.v) << "the drop point was taken";
    EXPECT_EQ(1, ZEL_LTearOff(l, 2, nullptr)) << "a nil point still answers";
    EXPECT_TRUE(before == ScreenPixels(area)) << "the outline is gone after the drop";
    EXPECT_GE(TakeMouseDowns(), 1) << "the list's window gets a click";

    // With a hook: it runs once with the pressed cell, which LGetSelect answers meanwhile.
    sHookCalls.clear();
    sHookList = l;
    ZEL_LSetTearOffDragHook(l, TearOffHook);
    const POINT other = ItemCentre(box, 4);
    SetCursorPos(other.x, other.y);
    Settle();
    {
        Watchdog dog;
        MouseButton(true);
        Settle();
        MouseButton(false);
        Settle();
    }
    ZEL_LSetTearOffDragHook(l, nullptr);
    ASSERT_EQ(1u, sHookCalls.size());
    EXPECT_EQ(4, sHookCalls[0].cell.v);
    EXPECT_TRUE(sHookCalls[0].found);
    EXPECT_EQ(4, sHookCalls[0].selection.v);
}

} // namespace

// Update regions: damage from the application and from Windows lands in updateRgn and raises the
// update-pending flag; BeginUpdate narrows drawing to it (pixels read back from the window); EndUpdate
// unwinds, also when nested past its two recorded levels; visible regions, titles and the accessors.
#include <gtest/gtest.h>

#include "Events.h"
#include "LowMem.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "window_host.h"

using namespace window_tests;
using testing_support::P;

namespace {

bool UpdatePending(WindowPtr w) { return AuxOf(w)->createFlags & wcfUpdatePending; }

// The window's content as '#' black and '.' white, read through a DC of its own.
testing_support::ImageRows WindowPixels(WindowPtr w, int width, int height)
{
    HDC dc = GetDC(HwndOf(w));
    auto rows = testing_support::CaptureImage(width, height, {{'#', RGB(0, 0, 0)}, {'.', RGB(255, 255, 255)}},
                                              [&](int x, int y) { return GetPixel(dc, x, y); });
    ReleaseDC(HwndOf(w), dc);
    return rows;
}

testing_support::ImageRows SquareImage(int width, int height, const Rect &square)
{
    std::vector<testing_support::ImagePixel> pixels;
    for (int y = square.top; y < square.bottom; ++y)
        for (int x = square.left; x < square.right; ++x)
            pixels.push_back({x, y, '#'});
    return testing_support::MakeImage(width, height, '.', pixels);
}

class UpdateRegions : public testing::Test {
protected:
    void SetUp() override
    {
        GetPort(&saved);
        // Without a sizing frame: the size-box child of a resizable window would cover a corner.
        w = MakeWindow(noGrowDocProc, 40, 30, 60, 40);
        ClearUpdate(w);
        SetPor(w);
    }
    void TearDown() override
    {
        SetPor(saved);
        DisposeWindow(w);
    }
    GrafPtr saved = nullptr;
    WindowPtr w = nullptr;
};

} // namespace

TEST_F(UpdateRegions, AWindowStartsWithItsWholeContentToUpdate)
{
    WindowPtr fresh = MakeWindow(documentProc, 50, 50, 60, 40, "Fresh", false);
    EXPECT_TRUE(SameRect(BoxOf(PeekOf(fresh)->updateRgn), fresh->portRect));
    DisposeWindow(fresh);
}

TEST_F(UpdateRegions, InvalRectThenBeginUpdateDrawsOnlyTheDamage)
{
    ASSERT_FALSE(UpdatePending(w));
    const Rect square{10, 20, 20, 30};
    InvalRect(&square);
    EXPECT_TRUE(UpdatePending(w));
    EXPECT_TRUE(SameRect(BoxOf(PeekOf(w)->updateRgn), square));
    EventRecord event{};
    ASSERT_TRUE(EventAvail(updateMask, &event)) << "the pump makes the update event";
    EXPECT_EQ(event.what, updateEvt);
    EXPECT_EQ(reinterpret_cast<WindowPtr>(event.message), w);

    BeginUpdate(w);
    EXPECT_FALSE(UpdatePending(w));
    EXPECT_TRUE(EmptyRgn(PeekOf(w)->updateRgn));
    PaintRect(&w->portRect);
    EndUpdate(w);
    GdiFlush();
    EXPECT_EQ(testing_support::ImageDifference(WindowPixels(w, 60, 40), SquareImage(60, 40, square)), "");
    EXPECT_TRUE(SameRect(BoxOf(w->visRgn), w->portRect)) << "EndUpdate gives the whole visible region back";
}

TEST_F(UpdateRegions, RectanglesOutsideThePortChangeNothing)
{
    const Rect outside{100, 100, 120, 120};
    InvalRect(&outside);
    EXPECT_FALSE(UpdatePending(w));
    EXPECT_TRUE(EmptyRgn(PeekOf(w)->updateRgn));
}

TEST_F(UpdateRegions, ValidRectWithNothingPendingStillValidatesWindows)
{
    InvalidateRect(HwndOf(w), nullptr, FALSE);
    ValidRect(&w->portRect);
    EXPECT_FALSE(GetUpdateRect(HwndOf(w), nullptr, FALSE));
    EXPECT_TRUE(EmptyRgn(PeekOf(w)->updateRgn));

    const Rect square{0, 0, 10, 10};
    InvalRect(&square);
    ValidRgn(PeekOf(w)->updateRgn);
    EXPECT_TRUE(EmptyRgn(PeekOf(w)->updateRgn));
}

TEST_F(UpdateRegions, DamageFromWindowsJoinsTheUpdateRegion)
{
    WindowPtr cover = MakeWindow(plainDBox, 50, 40, 30, 20);
    ClearUpdate(w);
    HideWindow(cover);
    PumpMessages();
    EXPECT_TRUE(UpdatePending(w));
    // The uncovered part in the window's own coordinates: the cover's frame over the content.
    RECT coverRect, content;
    GetWindowRect(HwndOf(cover), &coverRect);
    GetClientRect(HwndOf(w), &content);
    MapWindowPoints(HWND_DESKTOP, HwndOf(w), reinterpret_cast<POINT *>(&coverRect), 2);
    RECT uncovered;
    IntersectRect(&uncovered, &coverRect, &content);
    const Rect expected{static_cast<int16_t>(uncovered.top), static_cast<int16_t>(uncovered.left),
                        static_cast<int16_t>(uncovered.bottom), static_cast<int16_t>(uncovered.right)};
    EXPECT_TRUE(SameRect(BoxOf(PeekOf(w)->updateRgn), expected));
    DisposeWindow(cover);
    SetPor(w);
}

TEST_F(UpdateRegions, NestedUpdatesUnwindToTheFullVisibleRegion)
{
    const Rect square{5, 5, 15, 15};
    const Rect full = BoxOf(w->visRgn);
    InvalRect(&square);
    BeginUpdate(w);
    BeginUpdate(w);
    BeginUpdate(w); // past the two recorded levels: only counted
    EXPECT_TRUE(EmptyRgn(w->visRgn)) << "the second level saw an empty update region";
    EndUpdate(w);
    EXPECT_TRUE(EmptyRgn(w->visRgn)) << "the third EndUpdate only counts down";
    EndUpdate(w);
    EXPECT_TRUE(SameRect(BoxOf(w->visRgn), square));
    EndUpdate(w);
    EXPECT_TRUE(SameRect(BoxOf(w->visRgn), full));
    EndUpdate(w); // no BeginUpdate left: nothing changes
    EXPECT_TRUE(SameRect(BoxOf(w->visRgn), full));
    SetPor(w);
}

TEST_F(UpdateRegions, TheVisibleRegionLeavesOutWindowsInFront)
{
    WindowPtr cover = MakeWindow(plainDBox, 50, 40, 30, 20);
    CalcVis(w);
    RECT coverRect;
    GetWindowRect(HwndOf(cover), &coverRect);
    POINT inside{coverRect.left + 5, coverRect.top + 5};
    ScreenToClient(HwndOf(w), &inside);
    EXPECT_FALSE(PtInRgn(Point{static_cast<int16_t>(inside.y), static_cast<int16_t>(inside.x)}, w->visRgn));
    EXPECT_TRUE(PtInRgn(Point{2, 2}, w->visRgn));
    DisposeWindow(cover);
    CalcVis(w);
    EXPECT_TRUE(PtInRgn(Point{static_cast<int16_t>(inside.y), static_cast<int16_t>(inside.x)}, w->visRgn));
    SetPor(w);
}

TEST_F(UpdateRegions, UpdateGlueAnswersOnlyForLibraryWindows)
{
    EXPECT_EQ(ZEL_EventUpdate(HostMainWindow()), 0);
    InvalidateRect(HwndOf(w), nullptr, FALSE);
    EXPECT_TRUE(ZEL_CheckUpdateRgn(w));
    EXPECT_TRUE(SameRect(BoxOf(PeekOf(w)->updateRgn), w->portRect));
}

TEST(WindowTitles, SetWTitleReachesTheCaptionUnlessTheFrameKeepsIt)
{
    struct {
        int16_t procID;
        const char *caption;
    } cases[] = {{documentProc, "Renamed"}, {725, ""}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.procID);
        WindowPtr w = MakeWindow(c.procID);
        SetWTitle(w, P("Renamed").c_str());
        Str255 title{};
        GetWTitle(w, title);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(title + 1), title[0]), "Renamed");
        char caption[64] = "?";
        GetWindowTextA(HwndOf(w), caption, sizeof caption);
        EXPECT_STREQ(caption, c.caption);
        DisposeWindow(w);
    }
}

TEST(WindowAccessors, RecordFieldsAndGlobals)
{
    WindowPtr w = MakeWindow(zoomDocProc);
    EXPECT_EQ(GetWRefCon(nullptr), 0);
    SetWRefCon(w, 0x1234);
    EXPECT_EQ(GetWRefCon(w), 0x1234);
    PicHandle pic = reinterpret_cast<PicHandle>(NewHandle(10));
    SetWindowPic(w, pic);
    EXPECT_EQ(GetWindowPic(w), pic);
    SetWindowPic(w, nullptr);
    DisposeHandle(reinterpret_cast<Handle>(pic));
    EXPECT_EQ(GetWVariant(w), zoomDocProc);
    EXPECT_EQ(GetGrayRgn(), LMGetGrayRgn());
    GrafPtr wmgr = nullptr;
    GetWMgrPort(&wmgr);
    EXPECT_EQ(wmgr, LMGetWMgrPort());
    EXPECT_FALSE(CheckUpdate(nullptr));
    testing_support::TakeDebugMessages();
    EXPECT_FALSE(GetAuxWin(w, nullptr));
    int reports = 0;
    for (const std::string &m : testing_support::TakeDebugMessages())
        reports += m.find("GetAuxWin") != std::string::npos;
    EXPECT_EQ(reports, 1);
    DisposeWindow(w);
}

// Offscreen drawing ended with the update excluded: the part of r waiting for its update keeps its
// pixels, the rest shows what was drawn offscreen, and the visible region is the whole port again.
TEST_F(UpdateRegions, OffscreenDrawingKeepsOffThePendingUpdate)
{
    EraseRect(&w->portRect);
    const Rect r{5, 5, 35, 55}, damage{10, 10, 20, 25};
    InvalRect(&damage);
    RgnHandle before = NewRgn();
    CopyRgn(w->visRgn, before);
    ASSERT_EQ(ZEL_BeginOffScreen(true, &r), 1);
    PaintRect(&r);
    ZEL_EndOffScreen(true, true, srcCopy);
    GdiFlush();
    std::vector<testing_support::ImagePixel> pixels;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (!(x >= damage.left && x < damage.right && y >= damage.top && y < damage.bottom))
                pixels.push_back({x, y, '#'});
    // '.' is the erased background, whatever colour the window's background is.
    HDC dc = GetDC(HwndOf(w));
    const COLORREF back = GetPixel(dc, 0, 0);
    auto rows = testing_support::CaptureImage(60, 40, {{'#', RGB(0, 0, 0)}, {'.', back}},
                                              [&](int x, int y) { return GetPixel(dc, x, y); });
    ReleaseDC(HwndOf(w), dc);
    EXPECT_EQ(testing_support::ImageDifference(rows, testing_support::MakeImage(60, 40, '.', pixels)), "");
    EXPECT_TRUE(EqualRgn(w->visRgn, before));
    DisposeRgn(before);
    ClearUpdate(w);
}

// The window list and the Windows Z-order kept in step, and the activations the pump turns into activate
// events (deactivate first): SelectWindow, SendBehind, HideWindow, ShowHide, and a window raised by
// Windows read back.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "Events.h"
#include "LowMem.h"
#include "window_host.h"

using namespace window_tests;

namespace {

std::vector<WindowPtr> ListOrder()
{
    std::vector<WindowPtr> out;
    for (WindowPeek p = PeekOf(LMGetWindowList()); p; p = p->nextWindow)
        out.push_back(reinterpret_cast<WindowPtr>(p));
    return out;
}

// The visible library windows among the main window's children, top first.
std::vector<WindowPtr> ZOrder()
{
    std::vector<WindowPtr> out;
    for (HWND h = GetTopWindow(HostMainWindow()); h; h = GetWindow(h, GW_HWNDNEXT))
        if (IsWindowVisible(h) && GetPropA(h, "ZEL_wFlag"))
            out.push_back(reinterpret_cast<WindowPtr>(GetWindowLongA(h, zelWindowPtrLong)));
    return out;
}

struct Activation {
    WindowPtr deactivated, activated;
};
Activation TakeActivation()
{
    Activation a{LMGetCurDeactive(), LMGetCurActivate()};
    LMSetCurDeactive(nullptr);
    LMSetCurActivate(nullptr);
    return a;
}

class WindowList : public testing::Test {
protected:
    void SetUp() override
    {
        a = MakeWindow(documentProc, 40, 30);
        b = MakeWindow(documentProc, 80, 90);
        TakeActivation();
    }
    void TearDown() override
    {
        DisposeWindow(b);
        DisposeWindow(a);
        TakeActivation();
    }
    void ExpectOrder(std::vector<WindowPtr> order)
    {
        EXPECT_EQ(ListOrder(), order);
        std::vector<WindowPtr> visible;
        for (WindowPtr w : order)
            if (PeekOf(w)->visible)
                visible.push_back(w);
        EXPECT_EQ(ZOrder(), visible);
        EXPECT_EQ(FrontWindow(), visible.empty() ? nullptr : visible.front());
    }
    WindowPtr a, b;
};

} // namespace

TEST_F(WindowList, NewWindowsComeToTheFrontActivated)
{
    ExpectOrder({b, a});
    EXPECT_TRUE(PeekOf(b)->hilited);
    EXPECT_FALSE(PeekOf(a)->hilited);
}

TEST_F(WindowList, SelectWindowSwapsListZOrderAndActivation)
{
    SelectWindow(a);
    ExpectOrder({a, b});
    Activation act = TakeActivation();
    EXPECT_EQ(act.deactivated, b);
    EXPECT_EQ(act.activated, a);
    EXPECT_TRUE(PeekOf(a)->hilited);
    EXPECT_FALSE(PeekOf(b)->hilited);

    SelectWindow(a);
    act = TakeActivation();
    EXPECT_EQ(act.activated, nullptr) << "the front window is selected already";
}

TEST_F(WindowList, ThePumpGivesTheDeactivateBeforeTheActivate)
{
    SelectWindow(a);
    EventRecord first{}, second{};
    ASSERT_TRUE(GetNextEvent(activMask, &first));
    ASSERT_TRUE(GetNextEvent(activMask, &second));
    EXPECT_EQ(first.what, activateEvt);
    EXPECT_EQ(reinterpret_cast<WindowPtr>(first.message), b);
    EXPECT_FALSE(first.modifiers & activeFlag);
    EXPECT_EQ(reinterpret_cast<WindowPtr>(second.message), a);
    EXPECT_TRUE(second.modifiers & activeFlag);
    EXPECT_FALSE(EventAvail(activMask, &first)) << "one pair";
}

TEST_F(WindowList, SendBehindNilMakesTheWindowLastAndActivatesTheNewFront)
{
    SendBehind(b, nullptr);
    ExpectOrder({a, b});
    Activation act = TakeActivation();
    EXPECT_EQ(act.deactivated, b);
    EXPECT_EQ(act.activated, a);
}

TEST_F(WindowList, HidingTheFrontWindowActivatesTheNext)
{
    HWND hb = HwndOf(b);
    HideWindow(b);
    EXPECT_FALSE(IsWindowVisible(hb));
    EXPECT_FALSE(PeekOf(b)->visible);
    ExpectOrder({a, b});
    Activation act = TakeActivation();
    EXPECT_EQ(act.deactivated, b);
    EXPECT_EQ(act.activated, a);

    SelectWindow(b);
    EXPECT_EQ(TakeActivation().activated, nullptr) << "a hidden window is not selected";
    EXPECT_EQ(FrontWindow(), a);

    ShowWindo(b);
    EXPECT_TRUE(IsWindowVisible(hb));
    act = TakeActivation();
    EXPECT_EQ(act.deactivated, a);
    EXPECT_EQ(act.activated, b);
}

TEST_F(WindowList, ShowHideChangesVisibilityWithoutActivation)
{
    ShowHide(a, FALSE);
    EXPECT_FALSE(IsWindowVisible(HwndOf(a)));
    ShowHide(a, TRUE);
    EXPECT_TRUE(IsWindowVisible(HwndOf(a)));
    Activation act = TakeActivation();
    EXPECT_EQ(act.deactivated, nullptr);
    EXPECT_EQ(act.activated, nullptr);
    EXPECT_TRUE(PeekOf(b)->hilited);
    EXPECT_FALSE(PeekOf(a)->hilited);
}

TEST_F(WindowList, AWindowRaisedByWindowsIsReadBack)
{
    SetWindowPos(HwndOf(a), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ZEL_UpdateWindows(2);
    ExpectOrder({a, b});
}

TEST_F(WindowList, ForcedPairHighlightsWithoutReordering)
{
    ZEL_ForceDeactActPair(b, a);
    Activation act = TakeActivation();
    EXPECT_EQ(act.deactivated, b);
    EXPECT_EQ(act.activated, a);
    EXPECT_TRUE(PeekOf(a)->hilited);
    EXPECT_FALSE(PeekOf(b)->hilited);
    ExpectOrder({b, a});
}

TEST(WindowListPopUp, PopUpsStandInFrontOfChildWindows)
{
    WindowPtr doc = MakeWindow(documentProc, 40, 30);
    WindowPtr box = MakeWindow(dBoxProc, 300, 300, 120, 60);
    WindowPtr later = MakeWindow(documentProc, 60, 60);
    ASSERT_EQ(FrontWindow(), box) << "pop-ups stand in front of every child window";
    EXPECT_EQ(ListOrder().front(), box);

    SelectWindow(later);
    EXPECT_EQ(FrontWindow(), box) << "a child never goes in front of a pop-up";

    // Windows activating the pop-up (a click on it) reaches the list through the host's WM_ACTIVATE.
    TakeActivation();
    ZEL_EventActivate(HwndOf(box), WM_ACTIVATE, WA_CLICKACTIVE, 0);
    Activation act = TakeActivation();
    EXPECT_EQ(act.activated, box);
    EXPECT_TRUE(PeekOf(box)->hilited);
    ZEL_EventActivate(HwndOf(box), WM_ACTIVATE, WA_INACTIVE, 0);
    act = TakeActivation();
    EXPECT_EQ(act.deactivated, box);
    EXPECT_FALSE(PeekOf(box)->hilited);
    DisposeWindow(later);
    DisposeWindow(box);
    DisposeWindow(doc);
    TakeActivation();
}

// Every window's regions against the ones made from scratch: visibility, structure and content from its
// Windows window, visible region its content less the structure of each visible window in front of it, in its
// port's coordinates. The list recomputes visible regions only where a change reaches, so each step
// below changes one window and every other one is checked.
namespace {

::testing::AssertionResult RegionsAsFromScratch()
{
    RgnHandle covered = NewRgn(), expected = NewRgn();
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    int place = 0;
    for (WindowPtr w : ListOrder()) {
        ++place;
        WindowPeek p = PeekOf(w);
        if ((p->visible != 0) != (IsWindowVisible(HwndOf(w)) != 0))
            result = ::testing::AssertionFailure() << "the window at list place " << place
                                                   << " is not as visible as its Windows window";
        if (!p->visible)
            continue;
        const RECT outer = GlobalWindowRect(HwndOf(w)), client = GlobalClientRect(HwndOf(w));
        const Rect struc{static_cast<int16_t>(outer.top), static_cast<int16_t>(outer.left),
                         static_cast<int16_t>(outer.bottom), static_cast<int16_t>(outer.right)};
        const Rect content{static_cast<int16_t>(client.top), static_cast<int16_t>(client.left),
                           static_cast<int16_t>(client.bottom), static_cast<int16_t>(client.right)};
        if (!SameRect(BoxOf(p->strucRgn), struc) || !SameRect(BoxOf(p->contRgn), content))
            result = ::testing::AssertionFailure() << "a window's structure or content is not its Windows window's";
        RectRgn(expected, &content);
        DiffRgn(expected, covered, expected);
        OffsetRgn(expected, static_cast<int16_t>(w->portRect.left - content.left),
                  static_cast<int16_t>(w->portRect.top - content.top));
        if (!EqualRgn(expected, w->visRgn) && result)
            result = ::testing::AssertionFailure()
                     << "visible region of the window at list place " << place << " differs: box "
                     << BoxOf(w->visRgn).left << "," << BoxOf(w->visRgn).top << "," << BoxOf(w->visRgn).right << ","
                     << BoxOf(w->visRgn).bottom << " instead of " << BoxOf(expected).left << "," << BoxOf(expected).top
                     << "," << BoxOf(expected).right << "," << BoxOf(expected).bottom;
        RgnHandle piece = NewRgn();
        RectRgn(piece, &struc);
        UnionRgn(covered, piece, covered);
        DisposeRgn(piece);
    }
    DisposeRgn(covered);
    DisposeRgn(expected);
    return result;
}

} // namespace

TEST(WindowListRegions, EachChangeReachesTheWindowsItUncoversOrCovers)
{
    // Four overlapping windows, the last made in front; one far from the others.
    std::vector<WindowPtr> w{MakeWindow(documentProc, 40, 30), MakeWindow(documentProc, 80, 90),
                             MakeWindow(documentProc, 120, 150), MakeWindow(documentProc, 400, 500, 120, 80)};
    ASSERT_TRUE(RegionsAsFromScratch());
    struct Step {
        const char *what;
        std::function<void()> change;
    };
    const Step steps[] = {
        {"the back window brought to the front", [&] { SelectWindow(w[0]); }},
        {"a middle window moved under the front one", [&] { MoveWindo(w[1], 60, 60, FALSE); }},
        {"a window behind the others moved onto them", [&] { MoveWindo(w[2], 50, 40, FALSE); }},
        {"the far window moved onto all of them", [&] { MoveWindo(w[3], 20, 40, FALSE); }},
        {"the front window sent to the back", [&] { SendBehind(FrontWindow(), nullptr); }},
        {"a middle window hidden", [&] { HideWindow(w[1]); }},
        {"the hidden window shown again", [&] { ShowWindow(w[1]); }},
        {"a middle window made larger", [&] { SizeWindow(w[2], 260, 160, TRUE); }},
        {"the front window made smaller", [&] { SizeWindow(FrontWindow(), 60, 40, TRUE); }},
        {"a window raised by Windows and read back",
         [&] {
             SetWindowPos(HwndOf(w[3]), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
             SetWindowPos(HwndOf(w[0]), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
             ZEL_UpdateWindows(2);
         }},
        {"a window's origin moved, then another window moved",
         [&] {
             SetPort(w[1]);
             SetOrigin(15, 25);
             MoveWindo(w[0], 70, 70, FALSE);
         }},
        {"the back window hidden by the host's own call, then another window moved",
         [&] {
             ShowWindow(HwndOf(ListOrder().back()), SW_HIDE);
             MoveWindo(w[1], 90, 80, FALSE);
         }},
        {"that window shown by the host's own call, then another window moved",
         [&] {
             ShowWindow(HwndOf(ListOrder().back()), SW_SHOWNA);
             MoveWindo(w[1], 60, 70, FALSE);
         }},
        {"a window moved by the host's own call, then another window moved",
         [&] {
             SetWindowPos(HwndOf(w[2]), nullptr, 30, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
             MoveWindo(w[1], 70, 60, FALSE);
         }},
        {"the host's main window moved, then a window moved",
         [&] {
             RECT r;
             GetWindowRect(HostMainWindow(), &r);
             SetWindowPos(HostMainWindow(), nullptr, r.left + 13, r.top + 7, 0, 0,
                          SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
             MoveWindo(w[1], 80, 70, FALSE);
         }},
        {"the host's main window moved back, then a window sized",
         [&] {
             RECT r;
             GetWindowRect(HostMainWindow(), &r);
             SetWindowPos(HostMainWindow(), nullptr, r.left - 13, r.top - 7, 0, 0,
                          SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
             SizeWindow(w[1], 150, 110, TRUE);
         }},
        {"a middle window disposed of",
         [&] {
             WindowPtr middle = ListOrder()[1];
             DisposeWindow(middle);
             for (WindowPtr &x : w)
                 if (x == middle)
                     x = nullptr;
         }},
        {"a new window made in front", [&] { w.push_back(MakeWindow(documentProc, 90, 100)); }},
    };
    for (const Step &step : steps) {
        step.change();
        EXPECT_TRUE(RegionsAsFromScratch()) << "right after " << step.what;
        PumpMessages();
        EXPECT_TRUE(RegionsAsFromScratch()) << "after " << step.what << " and the messages it sent";
    }
    for (WindowPtr x : w)
        if (x)
            DisposeWindow(x);
    TakeActivation();
}

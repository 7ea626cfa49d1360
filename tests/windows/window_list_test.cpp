// The window list and the Windows Z-order kept in step, and the activations the pump turns into activate
// events (deactivate first): SelectWindow, SendBehind, HideWindow, ShowHide, and a window raised by
// Windows read back.
#include <gtest/gtest.h>

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

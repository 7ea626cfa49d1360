// The menu bar: the MenuList calls, its mirror in the host frame's Windows menu with Apple-menu folding,
// title hiliting, menus rebuilt as they open, and key equivalents.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "LowMem.h"
#include "MacMemory.h"
#include "Menus.h"
#include "menu_bar_fixture.h"
#include "test_support.h"

using testing_support::P;

namespace {
using namespace menu_tests;
TEST_F(MenuBar, BarAppearsInTheFrameMenu)
{
    DrawMenuBa();
    EXPECT_EQ(FrameTitles(frame_), (std::vector<std::string>{"\x14", "&File", "&Edit", "&Window"}));
    HMENU file = GetSubMenu(frame_, 1);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(FrameText(file, 1), "&Open...\tCtrl+O");
    EXPECT_TRUE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(ZEL_MenuIDFromHMENU(file), 128);
    EXPECT_EQ(ZEL_MenuIDFromHMENU(GetSubMenu(frame_, 2)), 129);
    // Drawn again, the bar holds the same titles once.
    DrawMenuBa();
    EXPECT_EQ(GetMenuItemCount(frame_), 4);
}

// Redrawing the bar keeps the Windows menus of menus that did not change: every change to a menu of
// the bar, made between two redraws, shows in its Windows menu after the second.
TEST_F(MenuBar, ARedrawnBarShowsEveryChangeToItsMenus)
{
    DrawMenuBa();
    auto editMenu = [&] {
        for (int i = 0; i < GetMenuItemCount(frame_); ++i) {
            std::string title = FrameText(frame_, i);
            title.erase(std::remove(title.begin(), title.end(), '&'), title.end());
            if (title == "Edit")
                return GetSubMenu(frame_, i);
        }
        return HMENU{};
    };
    MenuHandle extra = NewMenu(130, P("Extra").c_str());
    AppendMen(extra, P("One;Two").c_str());
    struct Case {
        const char *what;
        std::function<void()> change;
        std::function<bool(HMENU)> shows;
    };
    const Case cases[] = {
        {"an item's text", [&] { SetMenuItemText(edit_, 1, P("Redo").c_str()); },
         [](HMENU m) { return FrameText(m, 0).find("Redo") != std::string::npos; }},
        {"an item disabled", [&] { DisableItem(edit_, 3); },
         [](HMENU m) { return (GetMenuState(m, 2, MF_BYPOSITION) & MF_GRAYED) != 0; }},
        {"an item checked", [&] { CheckItem(edit_, 4, TRUE); },
         [](HMENU m) { return (GetMenuState(m, 3, MF_BYPOSITION) & MF_CHECKED) != 0; }},
        {"a key equivalent", [&] { SetItemCmd(edit_, 5, 'B'); },
         [](HMENU m) { return FrameText(m, 4).find("+B") != std::string::npos; }},
        {"an item added", [&] { AppendMen(edit_, P("Select All/A").c_str()); },
         [](HMENU m) { return GetMenuItemCount(m) == 6; }},
        {"a menu inserted in front of it", [&] { InsertMen(extra, 129); },
         [&](HMENU m) { return GetMenuItemCount(m) == 6 && ZEL_MenuIDFromHMENU(m) == 129; }},
        {"the record's menu ID", [&] { (*edit_)->menuID = 131; },
         [](HMENU m) { return ZEL_MenuIDFromHMENU(m) == 131; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.change();
        DrawMenuBa();
        HMENU edit = editMenu();
        ASSERT_NE(edit, nullptr);
        EXPECT_TRUE(c.shows(edit));
    }
    (*edit_)->menuID = 129;
    DeleteMen(130);
    DisposeMenu(extra);
}

TEST_F(MenuBar, FoldingPutsTheAppleMenuIntoTheHostSubmenu)
{
    ZEL_SystemValue(1, 13, 1);
    DrawMenuBa();
    EXPECT_EQ(FrameTitles(frame_), (std::vector<std::string>{"&File", "&Edit", "&Window"}));
    EXPECT_EQ(FrameText(hostSub_, 1), "&About This Program...");
    EXPECT_EQ(GetMenuItemID(hostSub_, 1), 9002u);
    EXPECT_EQ(FrameText(hostSub_, 0), "&Tile");
    // Unfolded again, the Apple menu has a title of its own.
    ZEL_SystemValue(1, 13, 0);
    DrawMenuBa();
    EXPECT_EQ(FrameTitles(frame_), (std::vector<std::string>{"\x14", "&File", "&Edit", "&Window"}));
}

TEST_F(MenuBar, UnchangedBarDoesNotRedrawTheFrame)
{
    DrawMenuBa();
    sHostProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
    sFrameChanges = 0;
    DrawMenuBa();
    AppendMen(file_, P("More").c_str()); // items do not show in the bar
    DrawMenuBa();
    EXPECT_EQ(sFrameChanges, 0);
    (*edit_)->menuData[1] = 'X'; // a changed title does
    DrawMenuBa();
    EXPECT_GT(sFrameChanges, 0);
    SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sHostProc));
}

TEST_F(MenuBar, OpeningAMenuShowsTheRecordsCurrentState)
{
    DrawMenuBa();
    HMENU file = GetSubMenu(frame_, 1);
    DisableItem(file_, 1);
    EnableItem(file_, 3);
    CheckItem(file_, 2, true);
    SetMenuItemText(file_, 4, P("Exit").c_str());
    AppendMen(file_, P("Extra").c_str());
    ZEL_InitMenuMsg(file);
    ASSERT_EQ(GetMenuItemCount(file), 5);
    EXPECT_TRUE(GetMenuState(file, 0, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(FrameText(file, 3), "&Exit\tCtrl+Q");
    EXPECT_EQ(FrameText(file, 4), "E&xtra");
    // A menu that is not the bar's changes nothing.
    ZEL_InitMenuMsg(hostSub_);
    EXPECT_EQ(GetMenuItemCount(hostSub_), 2);
}

TEST_F(MenuBar, HiliteFollowsTheMenuAndTheTitle)
{
    DrawMenuBa();
    HiliteMenu(129);
    EXPECT_EQ(LMGetTheMenu(), 129);
    EXPECT_TRUE(GetMenuState(frame_, 2, MF_BYPOSITION) & MF_HILITE);
    // Unhiliting finds the same title even after the bar changed.
    DeleteMen(128);
    HiliteMenu(0);
    EXPECT_EQ(LMGetTheMenu(), 0);
    EXPECT_FALSE(GetMenuState(frame_, 2, MF_BYPOSITION) & MF_HILITE);
    // An ID not in the bar is taken as 0.
    HiliteMenu(555);
    EXPECT_EQ(LMGetTheMenu(), 0);
}

TEST_F(MenuBar, MenuListCalls)
{
    // Three menus, titles side by side by their widths.
    EXPECT_EQ(Header(0), 18);
    EXPECT_EQ(Left(0), 0);
    EXPECT_EQ(Left(1), (*apple_)->menuWidth);
    EXPECT_EQ(Left(2), (*apple_)->menuWidth + (*file_)->menuWidth);
    EXPECT_EQ(Header(1), (*apple_)->menuWidth + (*file_)->menuWidth + (*edit_)->menuWidth);

    // Already in the bar: nothing changes.
    InsertMen(file_, 0);
    EXPECT_EQ(Header(0), 18);

    // Before Edit: Edit moves right by the new menu's width.
    MenuHandle view = NewMenu(130, P("View").c_str());
    AppendMen(view, P("Zoom").c_str());
    const int16_t editLeft = Left(2);
    InsertMen(view, 129);
    EXPECT_EQ(Header(0), 24);
    EXPECT_EQ(GetMenuHandle(130), view);
    EXPECT_EQ(Left(2), editLeft);
    EXPECT_EQ(Left(3), editLeft + (*view)->menuWidth);

    // Deleting moves the later titles back.
    DeleteMen(130);
    EXPECT_EQ(Header(0), 18);
    EXPECT_EQ(Left(2), editLeft);
    EXPECT_EQ(GetMenuHandle(130), nullptr);

    // The hierarchical list: found after the bar, enumerated, deleted off the list only.
    InsertMen(view, -1);
    InsertMen(view, -1);
    EXPECT_EQ(GetMenuHandle(130), view);
    EXPECT_EQ(ZEL_SearchHierMenuList(true), view);
    EXPECT_EQ(ZEL_SearchHierMenuList(false), nullptr);
    DeleteMen(130);
    EXPECT_EQ(GetMenuHandle(130), nullptr);
    EXPECT_EQ(Header(0), 18);
    DisposeMenu(view);

    // GetMenuBar copies, SetMenuBar takes a copy back, ClearMenuBar empties the bar.
    Handle saved = GetMenuBar();
    ASSERT_NE(saved, nullptr);
    EXPECT_NE(saved, LMGetMenuList());
    ClearMenuBar();
    EXPECT_EQ(GetHandleSize(LMGetMenuList()), 6);
    EXPECT_EQ(GetMenuHandle(128), nullptr);
    SetMenuBar(saved);
    EXPECT_EQ(GetMenuHandle(128), file_);
    EXPECT_NE(LMGetMenuList(), saved);
    DisposeHandle(saved);
}

TEST_F(MenuBar, KeyEquivalents)
{
    EXPECT_EQ(MenuKey('q'), (128 << 16) | 4);
    EXPECT_EQ(MenuKey('V'), (129 << 16) | 5);
    EXPECT_EQ(MenuKey('p'), 0); // disabled item
    DisableItem(edit_, 0);
    EXPECT_EQ(MenuKey('v'), 0); // disabled menu
    EnableItem(edit_, 0);
    EXPECT_EQ(MenuKey('w'), 0);

    // An item whose style asks for Shift matches only with the shift flag.
    SetItemStyle(file_, 1, 0x80);
    EXPECT_EQ(MenuKey('n'), 0);
    EXPECT_EQ(ZEL_MenuKey('n', true), (128 << 16) | 1);
    EXPECT_EQ(ZEL_MenuKey('o', true), 0);

    // Submenus on the hierarchical list are searched after the bar.
    MenuHandle sub = NewMenu(140, P("Sub").c_str());
    AppendMen(sub, P("Deep/D;Again/Q").c_str());
    InsertMen(sub, -1);
    EXPECT_EQ(MenuKey('d'), (140 << 16) | 1);
    EXPECT_EQ(MenuKey('q'), (128 << 16) | 4);

    // Under flag 0x80 a lower-case key equivalent shows as Shift and its letter: that is what matches.
    SetItemCmd(sub, 1, 'k');
    const uint32_t old = ZEL_SetFlags(zelFlagDigitFunctionKeys, zelFlagDigitFunctionKeys, 0, 0);
    EXPECT_EQ(ZEL_MenuKey('k', false), 0);
    EXPECT_EQ(ZEL_MenuKey('K', true), (140 << 16) | 1);
    ZEL_SetFlags(zelFlagDigitFunctionKeys, old, 0, 0);
    DeleteMen(140);
    DisposeMenu(sub);
}

TEST_F(MenuBar, HeightFlashAndStubs)
{
    EXPECT_EQ(GetMBarHeight(), GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(LMGetMenuFlash(), 3);
    SetMenuFlash(5);
    EXPECT_EQ(LMGetMenuFlash(), 5);
    testing_support::TakeDebugMessages();
    FlashMenuBar(0);
    DisposeMCInfo(nullptr);
    SetMCEntries(0, nullptr);
    SetMCInfo(nullptr);
    std::vector<std::string> reports;
    for (const std::string &m : testing_support::TakeDebugMessages())
        if (m != "\r\n")
            reports.push_back(m);
    EXPECT_EQ(reports, (std::vector<std::string>{"FlashMenuBar", "DispMCInfo", "SetMCEntries", "SetMCInfo"}));
}

} // namespace

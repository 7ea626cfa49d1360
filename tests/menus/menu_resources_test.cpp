// Menus from resources: 'MENU' with its 'MDEF' link, 'MBAR' bars (counts bounded by the resource, menus
// that cannot be loaded left out) shown in the frame with folding off and on, and resource-name menus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Resources.h"
#include "Zel.h"
#include "menu_bar_fixture.h"

namespace {
using namespace menu_tests;

constexpr ResType kMENU = 0x4D454E55, kMBAR = 0x4D424152, kMDEF = 0x4D444546, kSnd = 0x736E6420;

// The bytes of a 'MENU' resource as the library keeps them: a menu record whose definition field holds
// the 'MDEF' ID in its high half.
Handle MenuResource(int16_t id, const char *title, const char *items, int16_t mdefID = 0)
{
    MenuHandle m = NewMenu(id, P(title).c_str());
    AppendMen(m, P(items).c_str());
    (*m)->menuProc = reinterpret_cast<Handle>(static_cast<uintptr_t>(uint32_t(uint16_t(mdefID)) << 16));
    return reinterpret_cast<Handle>(m);
}

Handle BarResource(std::vector<int16_t> words)
{
    Handle h = NewHandle(static_cast<Size>(words.size() * 2));
    std::memcpy(*h, words.data(), words.size() * 2);
    return h;
}

void ZEL_CALL RegisteredMDEF(int16_t, MenuHandle, Rect *, Point, int16_t *) {}

// A resource file written with the menus and bars, then opened again so that every resource comes
// from the fork.
class MenuResources : public MenuBar {
protected:
    void SetUp() override
    {
        MenuBar::SetUp();
        ClearMenuBar();
        SetResLoad(true); // a session that never ran InitResources starts with loading off
        const auto name = P("menus_test.rsr");
        DeleteFileA("menus_test.rsr");
        CreateResFile(name.c_str());
        int16_t ref = OpenResFile(name.c_str());
        ASSERT_GT(ref, 0);
        UseResFile(ref);
        AddResource(MenuResource(1, "\x14", "About This Program\xC9;-;Desk"), kMENU, 1, P("").c_str());
        AddResource(MenuResource(128, "File", "New/N;Open\xC9/O;Quit/Q"), kMENU, 128, P("").c_str());
        AddResource(MenuResource(129, "Edit", "Undo/Z;-;Cut/X"), kMENU, 129, P("").c_str());
        AddResource(MenuResource(7, "Own", "A;B", 300), kMENU, 140, P("").c_str());
        AddResource(MenuResource(8, "Unregistered", "A", 301), kMENU, 141, P("").c_str());
        AddResource(BarResource({3, 1, 128, 129}), kMBAR, 128, P("").c_str());
        AddResource(BarResource({1000, 128, 129}), kMBAR, 129, P("").c_str());
        AddResource(BarResource({3, 128, 555, 129}), kMBAR, 130, P("").c_str());
        // Records cut inside the menu header (8 and 2 bytes), one that is the header alone, and a bar
        // listing the shortest.
        AddResource(NewHandleClear(8), kMENU, 150, P("").c_str());
        AddResource(NewHandleClear(2), kMENU, 151, P("").c_str());
        AddResource(NewHandleClear(14), kMENU, 152, P("").c_str());
        AddResource(NewHandle(0), kMENU, 153, P("").c_str());
        // A definition field neither empty nor naming an 'MDEF' (the loaded form holds 0xFFFF in its
        // low half).
        Handle damaged = MenuResource(154, "Damaged", "A;B");
        (*reinterpret_cast<MenuHandle>(damaged))->menuProc = reinterpret_cast<Handle>(uintptr_t(0x0000FF00));
        AddResource(damaged, kMENU, 154, P("").c_str());
        AddResource(BarResource({2, 151, 128}), kMBAR, 131, P("").c_str());
        AddResource(NewHandleClear(4), kSnd, 10, P("Beep").c_str());
        AddResource(NewHandleClear(4), kSnd, 11, P("Two;Items").c_str());
        AddResource(NewHandleClear(4), kSnd, 12, P("").c_str());
        CloseResFile(ref);
        ref_ = OpenResFile(name.c_str());
        ASSERT_GT(ref_, 0);
        UseResFile(ref_);
    }
    void TearDown() override
    {
        ClearMenuBar();
        DrawMenuBa();
        CloseResFile(ref_);
        DeleteFileA("menus_test.rsr");
        MenuBar::TearDown();
    }
    int16_t ref_ = 0;
};

TEST_F(MenuResources, BarFromResourcesInTheFrame)
{
    Handle bar = GetNewMBar(128);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetHandleSize(bar), 24);
    const int16_t *h = reinterpret_cast<const int16_t *>(*bar);
    EXPECT_EQ(h[0], 18);
    EXPECT_EQ(h[2], 128);
    MenuHandle menus[3];
    int16_t right = 0;
    for (int i = 0; i < 3; ++i) {
        std::memcpy(&menus[i], *bar + 6 + 6 * i, 4);
        EXPECT_EQ(h[3 + 3 * i + 2], right);
        right = static_cast<int16_t>(right + (*menus[i])->menuWidth);
    }
    EXPECT_EQ(h[1], right);
    EXPECT_EQ((*menus[1])->menuID, 128);
    SetMenuBar(bar);
    DisposeHandle(bar);

    for (int folding : {0, 1}) {
        SCOPED_TRACE(folding ? "folding on" : "folding off");
        ZEL_SystemValue(1, 13, folding);
        DrawMenuBa();
        if (folding) {
            EXPECT_EQ(FrameTitles(frame_), (std::vector<std::string>{"&File", "&Edit", "&Window"}));
            EXPECT_EQ(FrameText(hostSub_, 1), "&About This Program...");
        } else {
            EXPECT_EQ(FrameTitles(frame_), (std::vector<std::string>{"\x14", "&File", "&Edit", "&Window"}));
            EXPECT_EQ(FrameText(GetSubMenu(frame_, 1), 2), "&Quit\tCtrl+Q");
        }
    }
}

TEST_F(MenuResources, BarCountsAndMissingMenus)
{
    // A count past the resource's end reads only the IDs there.
    Handle bar = GetNewMBar(129);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetHandleSize(bar), 18);
    DisposeHandle(bar);
    // A menu that cannot be loaded is left out of the bar.
    bar = GetNewMBar(130);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetHandleSize(bar), 18);
    MenuHandle second;
    std::memcpy(&second, *bar + 12, 4);
    EXPECT_EQ((*second)->menuID, 129);
    DisposeHandle(bar);
    EXPECT_EQ(GetNewMBar(999), nullptr);
}

// A 'MENU' shorter than the menu header (an empty one too) is no menu: GetMen gives nil, so the enable
// calls never write the flags past its end, and a bar listing one leaves it out. The header alone is a
// menu of no items.
// A damaged definition field is no handle: the menu loads with the standard definition and shows.
TEST_F(MenuResources, DamagedDefinitionFieldGivesTheStandardMenu)
{
    MenuHandle m = GetMen(154);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ((*m)->menuProc, nullptr);
    EXPECT_EQ(CountMItems(m), 2);
    InsertMen(m, 0);
    DrawMenuBa();
    EXPECT_EQ(FrameTitles(frame_), (std::vector<std::string>{"&Damaged", "&Window"}));
    DeleteMen(154);
}

TEST_F(MenuResources, MenusCutInsideTheHeaderAreNotLoaded)
{
    for (int16_t id : {150, 151, 153}) {
        MenuHandle m = GetMen(id);
        EXPECT_EQ(m, nullptr) << id;
        EnableItem(m, 1);
        EXPECT_FALSE(ZEL_GetItemEnabled(m, 1)) << id;
    }
    MenuHandle header = GetMen(152);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ((*header)->menuID, 152);
    EXPECT_EQ(CountMItems(header), 0);
    DisableItem(header, 1);
    EXPECT_FALSE(ZEL_GetItemEnabled(header, 1));
    EnableItem(header, 1);
    EXPECT_TRUE(ZEL_GetItemEnabled(header, 1));
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(header)), 14);

    Handle bar = GetNewMBar(131);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetHandleSize(bar), 12);
    MenuHandle only;
    std::memcpy(&only, *bar + 6, 4);
    EXPECT_EQ((*only)->menuID, 128);
    EXPECT_EQ(reinterpret_cast<const int16_t *>(*bar)[1], (*only)->menuWidth) << "the bar's right edge";
    DisposeHandle(bar);
}

TEST_F(MenuResources, GetMenLinksTheDefinitionProcedure)
{
    MenuHandle file = GetMen(128);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ((*file)->menuProc, nullptr); // ID 0: the standard menu
    EXPECT_EQ(CountMItems(file), 3);
    EXPECT_GT((*file)->menuWidth, 0);
    EXPECT_EQ(GetMen(128), file); // the same resource, not linked again

    // The menuID is the resource ID, whatever the record said.
    ZEL_CodeResource(1, kMDEF, 300, reinterpret_cast<ProcPtr>(RegisteredMDEF));
    MenuHandle own = GetMen(140);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ((*own)->menuID, 140);
    Handle mdef = (*own)->menuProc;
    ASSERT_NE(mdef, nullptr);
    MenuDefProcPtr proc;
    std::memcpy(&proc, *mdef + 2, sizeof proc);
    EXPECT_EQ(proc, reinterpret_cast<MenuDefProcPtr>(RegisteredMDEF));
    EXPECT_EQ(GetMen(140), own);
    EXPECT_EQ((*own)->menuProc, mdef);

    // An 'MDEF' ID with nothing registered gives the standard menu.
    MenuHandle unregistered = GetMen(141);
    ASSERT_NE(unregistered, nullptr);
    EXPECT_EQ((*unregistered)->menuProc, nullptr);
    EXPECT_EQ(GetMen(999), nullptr);
    ZEL_CodeResource(0, kMDEF, 300, nullptr);
}

TEST_F(MenuResources, AppendResMenuNamesItemsByResource)
{
    MenuHandle m = NewMenu(150, P("Sounds").c_str());
    AppendResMenu(m, kSnd);
    std::vector<std::string> texts;
    for (int16_t i = 1; i <= CountMItems(m); ++i) {
        Str255 t;
        GetMenuItemText(m, i, t);
        texts.emplace_back(reinterpret_cast<char *>(t + 1), t[0]);
    }
    // Metacharacters in names take effect; a resource without a name adds nothing.
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"Beep", "Items", "Two"}));
    DisposeMenu(m);

    MenuHandle fonts = NewMenu(151, P("Font").c_str());
    AppendResMenu(fonts, 0x464F4E54); // 'FONT': the bitmap faces
    EXPECT_EQ(CountMItems(fonts), CountInstalledFonts(false));
    EXPECT_EQ(CountMItems(fonts), CountResources(0x464F4E54));
    DisposeMenu(fonts);
}

} // namespace

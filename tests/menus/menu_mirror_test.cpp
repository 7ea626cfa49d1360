// The Windows mirror of menu records, built into real Windows menus: command ids, texts with mnemonics
// and accelerator columns, flags, submenus (cycles cut), columns, owner-drawn items and their table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "../../core/core_services.h"
#include "core_stand_in.h"
#include "menu_manager.h"
#include "test_support.h"

using testing_support::P;

namespace {

struct WinItem {
    UINT id;
    std::string text;
    UINT type;  // MFT_ bits
    UINT state; // MFS_ bits
    HMENU submenu;
    ULONG_PTR data;
};

std::vector<WinItem> ReadWinMenu(HMENU hmenu)
{
    std::vector<WinItem> out;
    for (int i = 0; i < GetMenuItemCount(hmenu); ++i) {
        char text[512] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(hmenu, i, TRUE, &info);
        out.push_back({info.wID, (info.fType & MFT_OWNERDRAW) ? "" : text, info.fType, info.fState,
                       info.hSubMenu, info.dwItemData});
    }
    return out;
}

MenuHandle MenuWith(int16_t id, const char *items, const char *title = "Menu")
{
    MenuHandle m = NewMenu(id, P(title).c_str());
    AppendMen(m, P(items).c_str());
    return m;
}

class MenuMirror : public testing::Test {
protected:
    static void SetUpTestSuite() { InitMenus(); }
    void TearDown() override
    {
        for (HMENU h : hmenus_)
            DestroyMenu(h);
        for (MenuHandle m : menus_) {
            ReleaseMenuSlots((*m)->menuID);
            RemoveMenuItemEntries((*m)->menuID);
            DisposeMenu(m);
        }
        SetStandInCommandMap(nullptr);
    }
    MenuHandle Keep(MenuHandle m) { return menus_.push_back(m), m; }
    // Builds the menu into a new Windows pop-up menu in its own slot; returns the slot.
    int Build(MenuHandle m, HMENU *hmenu, bool popUp = false, int16_t *columns = nullptr)
    {
        *hmenu = CreatePopupMenu();
        hmenus_.push_back(*hmenu);
        const int slot = AssignMenuSlot(m, (*m)->menuID, popUp ? menuSlotPopUp : 0);
        EXPECT_GT(slot, 0);
        EXPECT_EQ(BuildWinMenu(m, *hmenu, static_cast<uint16_t>(slot << 8), popUp, columns), CountMItems(m));
        return slot;
    }
    std::vector<MenuHandle> menus_;
    std::vector<HMENU> hmenus_;
};

TEST_F(MenuMirror, ItemsTextsAndFlags)
{
    MenuHandle m = Keep(MenuWith(128, "File/F;Find;Format;Save\xC9/S;Tom & Jerry;(Print/P;-;Checked!\x12;Shifted/K;"
                                      "Hidden/H;Sub"));
    SetItemStyle(m, 9, itemShift);
    DisableItem(m, 10);
    SetItemCmd(m, 11, hMenuCmd);
    SetItemMark(m, 11, 201);
    MenuHandle sub = Keep(MenuWith(201, "Inner A;Inner B"));
    ASSERT_TRUE(AddHierMenu(sub));

    HMENU hmenu;
    const int slot = Build(m, &hmenu);
    const UINT base = slot << 8;
    const std::vector<WinItem> items = ReadWinMenu(hmenu);
    ASSERT_EQ(items.size(), 11u);

    struct Expect {
        const char *text;
        UINT type, state;
    } const expected[] = {
        {"&File\tCtrl+F", MFT_STRING, 0},
        {"Fi&nd", MFT_STRING, 0},
        {"Fo&rmat", MFT_STRING, 0},
        {"&Save...\tCtrl+S", MFT_STRING, 0},
        {"&Tom && Jerry", MFT_STRING, 0},
        {"&Print\tCtrl+P", MFT_STRING, MFS_GRAYED},
        {"", MFT_SEPARATOR, 0},
        {"&Checked", MFT_STRING, MFS_CHECKED},
        {"S&hifted\tCtrl+Shift+K", MFT_STRING, 0},
        {"Hi&dden\tCtrl+H", MFT_STRING, MFS_GRAYED},
        {"Su&b", MFT_STRING, 0},
    };
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i + 1));
        if (i < 10) {
            EXPECT_EQ(items[i].id, base | i);
            EXPECT_EQ(items[i].submenu, nullptr);
        }
        if (!(expected[i].type & MFT_SEPARATOR)) {
            EXPECT_EQ(items[i].text, expected[i].text);
        }
        EXPECT_EQ(items[i].type, expected[i].type);
        if (!(expected[i].type & MFT_SEPARATOR)) {
            EXPECT_EQ(items[i].state & (MFS_GRAYED | MFS_CHECKED), expected[i].state);
        }
    }

    // The submenu item opens the hierarchical menu 201, built in a slot of its own.
    HMENU inner = items[10].submenu;
    ASSERT_NE(inner, nullptr);
    const std::vector<WinItem> innerItems = ReadWinMenu(inner);
    ASSERT_EQ(innerItems.size(), 2u);
    EXPECT_EQ(innerItems[0].text, "&Inner A"); // a bar menu's submenu has mnemonics of its own
    const int innerSlot = innerItems[0].id >> 8;
    EXPECT_NE(innerSlot, slot);
    EXPECT_EQ(innerItems[1].id, UINT(innerSlot << 8 | 1));
    ASSERT_NE(MenuSlotAt(innerSlot), nullptr);
    EXPECT_EQ(MenuSlotAt(innerSlot)->flags & menuSlotOwnProc, menuSlotOwnProc);
    EXPECT_EQ(MenuSlotAt(innerSlot)->menu, sub);

    // Commands lead back to the menus.
    EXPECT_EQ(MenuIDFromCommand(base | 3), 128);
    EXPECT_EQ(MenuIDFromCommand(innerSlot << 8 | 1), 201);
    EXPECT_EQ(MenuIDFromCommand(0xFE00), 0);
    EXPECT_EQ(ZEL_MenuIDFromCMD(hmenu, 0xFE00), 128);
    EXPECT_EQ(ZEL_MenuIDFromCMD(nullptr, base), 128);
    EXPECT_EQ(ZEL_MenuIDFromHMENU(inner), 201);
    HMENU empty = CreatePopupMenu();
    EXPECT_EQ(ZEL_MenuIDFromHMENU(empty), 0);
    DestroyMenu(empty);
}

TEST_F(MenuMirror, PopUpMenusHaveNoMnemonics)
{
    MenuHandle m = Keep(MenuWith(129, "File;Fish & Chips"));
    HMENU hmenu;
    Build(m, &hmenu, true);
    const std::vector<WinItem> items = ReadWinMenu(hmenu);
    EXPECT_EQ(items[0].text, "File");
    EXPECT_EQ(items[1].text, "Fish && Chips");
}

TEST_F(MenuMirror, OwnerDrawnItemsForIconsAndStyles)
{
    MenuHandle m = Keep(MenuWith(130, "Plain;Bold<B;Under<U;Struck;Outline<O;Icon^2;Small^3"));
    SetItemStyle(m, 4, itemStrikeShift);
    SetItemCmd(m, 7, keySmallIcon);
    HMENU hmenu;
    const int slot = Build(m, &hmenu);
    const std::vector<WinItem> items = ReadWinMenu(hmenu);
    const bool ownerDrawn[] = {false, true, true, true, false, true, true};
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i + 1));
        EXPECT_EQ((items[i].type & MFT_OWNERDRAW) != 0, ownerDrawn[i]);
        EXPECT_EQ(items[i].id, UINT(slot << 8 | i));
        if (!ownerDrawn[i])
            continue;
        // The item data is the index of the item's entry in the item table.
        const MenuItemEntry *e = MenuItemEntryAt(static_cast<uint32_t>(items[i].data));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->menu, m);
        EXPECT_EQ(e->command, UINT(slot << 8 | i));
        EXPECT_EQ(e->key, e->command);
    }
    // Rebuilding reuses the entries; removing the menu's entries empties them.
    HMENU again;
    Build(m, &again);
    EXPECT_EQ(ReadWinMenu(again)[1].data, items[1].data);
    RemoveMenuItemEntries(130);
    EXPECT_EQ(MenuItemEntryAt(static_cast<uint32_t>(items[1].data)), nullptr);
}

TEST_F(MenuMirror, MenuWithItsOwnProcedureIsOneOwnerDrawnItem)
{
    MenuHandle m = Keep(MenuWith(131, "A;B;C"));
    static int sizeCalls;
    struct Proc {
        static void ZEL_CALL Run(int16_t message, MenuHandle menu, Rect *, Point, int16_t *)
        {
            if (message == mSizeMsg) {
                ++sizeCalls;
                (*menu)->menuWidth = 77;
                (*menu)->menuHeight = 55;
            }
        }
    };
    Handle mdef = NewHandleClear(6);
    MenuDefProcPtr proc = Proc::Run;
    std::memcpy(*mdef + 2, &proc, sizeof proc);
    (*m)->menuProc = mdef;
    EXPECT_EQ(GetMenuDefProcPtr(m), proc);
    sizeCalls = 0;
    CalcMenuSize(m);
    EXPECT_EQ(sizeCalls, 1);
    EXPECT_EQ((*m)->menuWidth, 77);

    HMENU hmenu = CreatePopupMenu();
    hmenus_.push_back(hmenu);
    EXPECT_EQ(BuildWinMenu(m, hmenu, 0x0500, false, nullptr), 1);
    const std::vector<WinItem> items = ReadWinMenu(hmenu);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_TRUE(items[0].type & MFT_OWNERDRAW);
    const int slot = items[0].id >> 8;
    EXPECT_EQ(items[0].id & 0xFF, 0u);
    ASSERT_NE(MenuSlotAt(slot), nullptr);
    EXPECT_EQ(MenuSlotAt(slot)->flags, menuSlotOwnProc);
    ASSERT_NE(MenuItemEntryAt(static_cast<uint32_t>(items[0].data)), nullptr);
    EXPECT_EQ(MenuItemEntryAt(static_cast<uint32_t>(items[0].data))->menu, m);
    (*m)->menuProc = nullptr;
    DisposeHandle(mdef);
}

TEST_F(MenuMirror, HierarchicalCyclesAreBuiltOnce)
{
    // 101 -> 102 -> 101 again, and 103 -> 103 (a submenu's ID is its item's mark byte).
    MenuHandle a = Keep(MenuWith(101, "To B;Plain"));
    MenuHandle b = Keep(MenuWith(102, "Back to A"));
    MenuHandle c = Keep(MenuWith(103, "Myself"));
    for (auto [menu, target] : {std::pair{a, 102}, std::pair{b, 101}, std::pair{c, 103}}) {
        SetItemCmd(menu, 1, hMenuCmd);
        SetItemMark(menu, 1, static_cast<int16_t>(target));
        ASSERT_TRUE(AddHierMenu(menu));
    }
    HMENU hmenu;
    Build(a, &hmenu);
    const std::vector<WinItem> top = ReadWinMenu(hmenu);
    ASSERT_NE(top[0].submenu, nullptr);
    const std::vector<WinItem> second = ReadWinMenu(top[0].submenu);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].submenu, nullptr);
    EXPECT_EQ(second[0].text, "&Back to A");

    HMENU self;
    Build(c, &self);
    EXPECT_EQ(ReadWinMenu(self)[0].submenu, nullptr);
    for (MenuHandle m : {a, b})
        RemoveHierMenu(m);
    EXPECT_EQ(FindHierMenu(101), nullptr);

    // Disposing of a listed menu takes it off the list.
    menus_.pop_back();
    DisposeMenu(c);
    EXPECT_EQ(FindHierMenu(103), nullptr);
}

TEST_F(MenuMirror, LongMenusBreakIntoColumnsAndItemsPast256HaveNoCommand)
{
    MenuHandle m = Keep(NewMenu(140, P("Long").c_str()));
    for (int i = 1; i <= 260; ++i)
        AppendMen(m, P(("Item " + std::to_string(i)).c_str()).c_str());
    HMENU hmenu;
    int16_t columns = 0;
    const int slot = Build(m, &hmenu, true, &columns);
    const std::vector<WinItem> items = ReadWinMenu(hmenu);
    ASSERT_EQ(items.size(), 260u);
    int breaks = 0;
    for (const WinItem &i : items)
        breaks += (i.type & MFT_MENUBARBREAK) != 0;
    EXPECT_GT(columns, 1);
    EXPECT_EQ(breaks + 1, columns);
    // Every column but the last is filled up to the pop-up height and no column passes it.
    const MenuGeometry &g = CurrentMenuGeometry();
    const int itemHeight = g.lineHeight + 2;
    std::vector<int> perColumn{0};
    for (const WinItem &i : items) {
        if (i.type & MFT_MENUBARBREAK)
            perColumn.push_back(0);
        ++perColumn.back();
    }
    for (size_t c = 0; c < perColumn.size(); ++c) {
        EXPECT_LT(perColumn[c] * itemHeight, g.popUpHeight) << "column " << c;
        if (c + 1 < perColumn.size()) {
            EXPECT_GE((perColumn[c] + 1) * itemHeight, g.popUpHeight) << "column " << c;
        }
    }

    EXPECT_EQ(items[255].id, UINT(slot << 8 | 255));
    EXPECT_EQ(items[255].state & MFS_GRAYED, 0u);
    for (size_t i = 256; i < items.size(); ++i) {
        EXPECT_EQ(items[i].id, 0u) << i;
        EXPECT_TRUE(items[i].state & MFS_GRAYED) << i;
    }
}

// Accelerator columns by session flag 0x80 (digits are function keys, lower case means Shift) and by
// setting 51 (the icon byte describes the accelerator).
TEST_F(MenuMirror, AcceleratorColumns)
{
    MenuHandle m = Keep(MenuWith(150, "One/1;Zero/0;Lower/k;Upper/K"));
    HMENU hmenu;
    Build(m, &hmenu, true);
    std::vector<WinItem> items = ReadWinMenu(hmenu);
    EXPECT_EQ(items[0].text, "One\tCtrl+1");
    EXPECT_EQ(items[2].text, "Lower\tCtrl+k");

    const uint32_t oldFlags = ZEL_SetFlags(zelFlagDigitFunctionKeys, zelFlagDigitFunctionKeys, 0, 0);
    Build(m, &hmenu, true);
    items = ReadWinMenu(hmenu);
    EXPECT_EQ(items[0].text, "One\tF1");
    EXPECT_EQ(items[1].text, "Zero\tF11");
    EXPECT_EQ(items[2].text, "Lower\tCtrl+Shift+K");
    EXPECT_EQ(items[3].text, "Upper\tCtrl+K");
    ZEL_SetFlags(zelFlagDigitFunctionKeys, oldFlags, 0, 0);

    MenuHandle e = Keep(MenuWith(151, "Three;NinePlus;Shift/K;None/K;:Colon/K"));
    const uint8_t icons[] = {0x83, 0x8A, 0x25, 0x45, 0x05};
    for (int i = 0; i < 5; ++i)
        SetItemIcon(e, static_cast<int16_t>(i + 1), icons[i]);
    const uint32_t old51 = ZEL_SystemValue(1, 51, 1);
    Build(e, &hmenu, true);
    items = ReadWinMenu(hmenu);
    ZEL_SystemValue(1, 51, old51);
    // Function keys from the icon byte show no icon, so they stay plain items with their raw text.
    EXPECT_EQ(items[0].text, "Three\tF3");
    EXPECT_EQ(items[1].text, "NinePlus\tShift+F9");
    EXPECT_TRUE(items[2].type & MFT_OWNERDRAW); // icon 5 with Shift: drawn by the owner
    EXPECT_TRUE(items[3].type & MFT_OWNERDRAW);
    EXPECT_TRUE(items[4].type & MFT_OWNERDRAW);
    MenuItemView view;
    ASSERT_TRUE(FindMenuItem(e, 3, &view));
    char column[80] = {};
    ZEL_SystemValue(1, 51, 1);
    AcceleratorText(view, column, sizeof column, false, true);
    EXPECT_STREQ(column, "\tCtrl+Shift+K");
    for (int16_t item : {4, 5}) {
        ASSERT_TRUE(FindMenuItem(e, item, &view));
        column[0] = 0;
        AcceleratorText(view, column, sizeof column, false, true);
        EXPECT_STREQ(column, "") << "item " << item;
    }
    ZEL_SystemValue(1, 51, old51);
}

TEST_F(MenuMirror, QuitCommandAndHostOverrides)
{
    MenuHandle apple = Keep(MenuWith(1, "About", "\x14"));
    MenuHandle file = Keep(MenuWith(128, "Xylo;Close;Leave"));
    // The MenuList names the bar: Apple at index 1, File at index 2.
    Handle list = NewHandleClear(18);
    *reinterpret_cast<int16_t *>(*list) = 12;
    std::memcpy(*list + 6, &apple, 4);
    std::memcpy(*list + 12, &file, 4);
    LowMem<Handle>(lmMenuList) = list;

    // The last item of the first bar menu that is not the Apple menu is the Quit command; the Apple
    // menu, pop-ups and menus outside the bar leave it alone.
    HMENU hmenu;
    SetMenuQuitCommand(0);
    Build(apple, &hmenu);
    Build(file, &hmenu, true);
    MenuHandle other = Keep(MenuWith(129, "Other"));
    Build(other, &hmenu);
    EXPECT_EQ(MenuQuitCommand(), 0);
    const int slot = Build(file, &hmenu);
    EXPECT_EQ(MenuQuitCommand(), slot << 8 | 2);

    // A host override for the last item of the bar's second menu, the Quit item, reserving X.
    struct Override {
        uint16_t flags, barIndex, item;
        uint8_t letter, spare;
        char text[64];
    } table[2] = {{0x0600, 2, 1, 'X', 0, "E&xit\tAlt+F4"}, {0x8000, 0, 0, 0, 0, ""}};
    static_assert(sizeof(Override) == 72, "72-byte entries");
    SetStandInCommandMap(reinterpret_cast<const uint16_t *>(table));
    const uint32_t oldFolding = ZEL_SystemValue(1, 13, 1);
    Build(file, &hmenu);
    std::vector<WinItem> items = ReadWinMenu(hmenu);
    EXPECT_EQ(items[0].text, "X&ylo");
    EXPECT_EQ(items[2].text, "E&xit\tAlt+F4");
    EXPECT_EQ(MenuQuitCommand(), items[2].id);

    // Without folding the table is not read.
    ZEL_SystemValue(1, 13, 0);
    Build(file, &hmenu);
    items = ReadWinMenu(hmenu);
    EXPECT_EQ(items[0].text, "&Xylo");
    EXPECT_EQ(items[2].text, "&Leave");
    ZEL_SystemValue(1, 13, oldFolding);
    LowMem<Handle>(lmMenuList) = nullptr;
    DisposeHandle(list);
}

} // namespace

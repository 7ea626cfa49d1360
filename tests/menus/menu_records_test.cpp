// Menu records: the bytes NewMenu and the item calls write, metacharacters, enable bits, insertion order,
// deletion, and walks that stop at the end of the handle.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Menus.h"
#include "test_support.h"

using testing_support::P;

namespace {

// An item as the record holds it.
struct Item {
    std::string text;
    uint8_t icon, key, mark, style;
    bool enabled;
    bool operator==(const Item &o) const
    {
        return text == o.text && icon == o.icon && key == o.key && mark == o.mark && style == o.style &&
               enabled == o.enabled;
    }
};

std::ostream &operator<<(std::ostream &os, const Item &i)
{
    return os << "{\"" << i.text << "\" icon " << int(i.icon) << " key " << int(i.key) << " mark " << int(i.mark)
              << " style " << int(i.style) << (i.enabled ? " enabled}" : " disabled}");
}

// The record's item bytes as a menu with these items must hold them, end byte included.
std::vector<uint8_t> ItemBytes(const std::vector<Item> &items)
{
    std::vector<uint8_t> out;
    for (const Item &i : items) {
        out.push_back(static_cast<uint8_t>(i.text.size()));
        out.insert(out.end(), i.text.begin(), i.text.end());
        out.insert(out.end(), {i.icon, i.key, i.mark, i.style});
    }
    out.push_back(0);
    return out;
}

std::vector<uint8_t> RecordItemBytes(MenuHandle menu)
{
    const uint8_t *p = reinterpret_cast<const uint8_t *>(*menu);
    const int32_t start = 15 + p[14];
    return std::vector<uint8_t>(p + start, p + GetHandleSize(reinterpret_cast<Handle>(menu)));
}

// The items as the Menu Manager's getters report them.
std::vector<Item> ReadItems(MenuHandle menu)
{
    std::vector<Item> out;
    for (int16_t i = 1; i <= CountMItems(menu); ++i) {
        Str255 text;
        GetMenuItemText(menu, i, text);
        int16_t icon, key, mark;
        Style style;
        GetItemIcon(menu, i, &icon);
        GetItemCmd(menu, i, &key);
        GetItemMark(menu, i, &mark);
        GetItemStyle(menu, i, &style);
        out.push_back({std::string(reinterpret_cast<char *>(text + 1), text[0]), uint8_t(icon), uint8_t(key),
                       uint8_t(mark), style, ZEL_GetItemEnabled(menu, i) != 0});
    }
    return out;
}

MenuHandle MenuWith(const char *items)
{
    MenuHandle m = NewMenu(128, P("File").c_str());
    if (items)
        AppendMen(m, P(items).c_str());
    return m;
}

class MenuRecords : public testing::Test {
protected:
    static void SetUpTestSuite() { InitMenus(); }
};

TEST_F(MenuRecords, NewMenuLaysOutTheRecord)
{
    MenuHandle m = NewMenu(-3, P("Edit").c_str());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(m)), 4 + 16);
    EXPECT_EQ((*m)->menuID, -3);
    EXPECT_EQ((*m)->menuWidth, 0);
    EXPECT_EQ((*m)->menuHeight, 0);
    EXPECT_EQ((*m)->menuProc, nullptr);
    EXPECT_EQ((*m)->enableFlags, 1u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>((*m)->menuData + 1), 4), "Edit");
    EXPECT_EQ(RecordItemBytes(m), std::vector<uint8_t>{0});
    EXPECT_EQ(CountMItems(m), 0);
    DisposeMenu(m);
}

// Each row appends one text to an empty menu and lists the items it must give.
struct AppendCase {
    const char *what;
    const char *text;
    std::vector<Item> items;
};

const AppendCase kAppendCases[] = {
    {"key equivalents and a disabled item", "Open/O;(Print;Quit/Q",
     {{"Open", 0, 'O', 0, 0, true}, {"Print", 0, 0, 0, 0, false}, {"Quit", 0, 'Q', 0, 0, true}}},
    {"carriage return also separates items", "One\rTwo", {{"One", 0, 0, 0, 0, true}, {"Two", 0, 0, 0, 0, true}}},
    {"icon and mark take the next character", "Icon^3;Mark!*",
     {{"Icon", 3, 0, 0, 0, true}, {"Mark", 0, 0, '*', 0, true}}},
    {"styles add up", "Bold<B;All<B<I<U<O<S", {{"Bold", 0, 0, 0, 0x01, true}, {"All", 0, 0, 0, 0x1F, true}}},
    {"metacharacters anywhere in the item", "(Sa/Sve<I", {{"Save", 0, 'S', 0, 0x02, false}}},
    {"a metacharacter without its argument is dropped", "Trail/", {{"Trail", 0, 0, 0, 0, true}}},
    {"an item left empty is not written", "A;;B", {{"A", 0, 0, 0, 0, true}, {"B", 0, 0, 0, 0, true}}},
    {"separator text stays", "(-", {{"-", 0, 0, 0, 0, false}}},
};

TEST_F(MenuRecords, AppendParsesMetacharacters)
{
    for (const AppendCase &c : kAppendCases) {
        SCOPED_TRACE(c.what);
        MenuHandle m = MenuWith(c.text);
        EXPECT_EQ(RecordItemBytes(m), ItemBytes(c.items));
        EXPECT_EQ(ReadItems(m), c.items);
        DisposeMenu(m);
    }
}

TEST_F(MenuRecords, AppendKeepsEarlierItems)
{
    MenuHandle m = MenuWith("A;(B");
    AppendMen(m, P("C").c_str());
    EXPECT_EQ(ReadItems(m), (std::vector<Item>{{"A", 0, 0, 0, 0, true}, {"B", 0, 0, 0, 0, false},
                                                {"C", 0, 0, 0, 0, true}}));
    DisposeMenu(m);
}

// Insertion writes the items of one text in reverse order after the given item; the enable bits of the
// items after it move with them.
struct InsertCase {
    const char *what;
    const char *start;
    const char *text;
    int16_t after;
    const char *order; // item texts after the insertion, one letter each
    const char *enabled;
};

const InsertCase kInsertCases[] = {
    {"after item 0, reversed", "", "A;B", 0, "BA", "++"},
    {"in the middle, bits move up", "1;2;(3", "X", 1, "1X23", "+++-"},
    {"two items in the middle", "1;(2;3", "X;(Y", 1, "1YX23", "+-+-+"},
    {"after a number past the end appends", "1;2", "X", 99, "12X", "+++"},
    {"a negative number inserts at the start", "(1", "X", -5, "X1", "+-"},
};

TEST_F(MenuRecords, InsertOrderAndEnableBits)
{
    for (bool insMenuItem : {false, true}) {
        for (const InsertCase &c : kInsertCases) {
            SCOPED_TRACE(std::string(c.what) + (insMenuItem ? " (InsMenuItem)" : " (InsertMenuIte)"));
            MenuHandle m = MenuWith(c.start[0] ? c.start : nullptr);
            if (insMenuItem)
                InsMenuItem(m, P(c.text).c_str(), c.after);
            else
                InsertMenuIte(m, P(c.text).c_str(), c.after);
            std::string order, enabled;
            for (const Item &i : ReadItems(m)) {
                order += i.text;
                enabled += i.enabled ? '+' : '-';
            }
            EXPECT_EQ(order, c.order);
            EXPECT_EQ(enabled, c.enabled);
            DisposeMenu(m);
        }
    }
}

std::string EnabledMap(MenuHandle m, int16_t upTo)
{
    std::string s;
    for (int16_t i = 1; i <= upTo; ++i)
        s += ZEL_GetItemEnabled(m, i) ? '+' : '-';
    return s;
}

TEST_F(MenuRecords, DeleteMovesEnableBitsDown)
{
    MenuHandle m = MenuWith("1;2;3;(4;(5;6");
    DeleteMenuItem(m, 3);
    EXPECT_EQ(CountMItems(m), 5);
    EXPECT_EQ(EnabledMap(m, 5), "++--+");
    Str255 text;
    GetMenuItemText(m, 3, text);
    EXPECT_EQ(text[1], '4');

    // A missing item changes nothing.
    const std::vector<uint8_t> before = RecordItemBytes(m);
    DeleteMenuItem(m, 6);
    DeleteMenuItem(m, 0);
    EXPECT_EQ(RecordItemBytes(m), before);
    DisposeMenu(m);
}

TEST_F(MenuRecords, DeleteKeepsItemsPast31Enabled)
{
    // Item 32 has no bit and is always enabled; after deleting item 1 it is item 31 and must stay so.
    MenuHandle m = MenuWith(nullptr);
    for (int i = 1; i <= 33; ++i)
        AppendMen(m, P(("I" + std::to_string(i)).c_str()).c_str());
    DeleteMenuItem(m, 1);
    EXPECT_TRUE(ZEL_GetItemEnabled(m, 31));
    EXPECT_TRUE(ZEL_GetItemEnabled(m, 32));
    DisposeMenu(m);
}

TEST_F(MenuRecords, EnableBitsCoverItems1To31)
{
    MenuHandle m = MenuWith(nullptr);
    for (int i = 1; i <= 40; ++i)
        AppendMen(m, P("x").c_str());
    DisableItem(m, 40);
    EXPECT_TRUE(ZEL_GetItemEnabled(m, 40));
    DisableItem(m, 31);
    EXPECT_FALSE(ZEL_GetItemEnabled(m, 31));
    EnableItem(m, 31);
    EXPECT_TRUE(ZEL_GetItemEnabled(m, 31));
    DisableItem(m, 0);
    EXPECT_EQ((*m)->enableFlags & 1, 0u);
    EXPECT_FALSE(ZEL_GetItemEnabled(m, 0));
    EnableItem(m, 0);
    EXPECT_EQ((*m)->enableFlags, 0xFFFFFFFFu);

    // A nil handle changes nothing and reads as disabled.
    EnableItem(nullptr, 1);
    DisableItem(nullptr, 1);
    EXPECT_FALSE(ZEL_GetItemEnabled(nullptr, 1));
    DisposeMenu(m);
}

TEST_F(MenuRecords, ItemBytesSetAndGet)
{
    MenuHandle m = MenuWith("A;B");
    SetItemIcon(m, 1, 5);
    SetItemCmd(m, 1, 'K');
    SetItemMark(m, 2, '*');
    SetItemStyle(m, 2, 0x81);
    CheckItem(m, 1, true);
    EXPECT_EQ(ReadItems(m), (std::vector<Item>{{"A", 5, 'K', 0x12, 0, true}, {"B", 0, 0, '*', 0x81, true}}));
    CheckItem(m, 2, false);
    int16_t mark = -1;
    GetItemMark(m, 2, &mark);
    EXPECT_EQ(mark, 0);

    // Past the end: setters change nothing, getters give 0 and an empty text.
    const std::vector<uint8_t> before = RecordItemBytes(m);
    SetItemIcon(m, 3, 1);
    SetItemCmd(m, 0, 1);
    CheckItem(m, 9, true);
    EXPECT_EQ(RecordItemBytes(m), before);
    int16_t value = -1;
    GetItemCmd(m, 3, &value);
    EXPECT_EQ(value, 0);
    Style style = 0xFF;
    GetItemStyle(m, 3, &style);
    EXPECT_EQ(style, 0);
    Str255 text = {3, 'x', 'y', 'z'};
    GetMenuItemText(m, 3, text);
    EXPECT_EQ(text[0], 0);
    DisposeMenu(m);
}

TEST_F(MenuRecords, SetMenuItemTextGrowsAndShrinks)
{
    MenuHandle m = MenuWith("Short/S;Next!*");
    SetMenuItemText(m, 1, P("A much longer text").c_str());
    EXPECT_EQ(ReadItems(m), (std::vector<Item>{{"A much longer text", 0, 'S', 0, 0, true},
                                                {"Next", 0, 0, '*', 0, true}}));
    SetMenuItemText(m, 1, P("S").c_str());
    EXPECT_EQ(RecordItemBytes(m), ItemBytes({{"S", 0, 'S', 0, 0, true}, {"Next", 0, 0, '*', 0, true}}));
    // Names are not parsed, and a missing item or an empty text changes nothing.
    SetMenuItemText(m, 2, P("a;b/c").c_str());
    SetMenuItemText(m, 3, P("x").c_str());
    SetMenuItemText(m, 1, P("").c_str());
    EXPECT_EQ(RecordItemBytes(m), ItemBytes({{"S", 0, 'S', 0, 0, true}, {"a;b/c", 0, 0, '*', 0, true}}));
    DisposeMenu(m);
}

// A record may come from a resource that lacks its end byte or whose last item is cut short: walks stop
// at the end of the handle.
TEST_F(MenuRecords, WalksStopAtTheEndOfTheHandle)
{
    MenuHandle m = MenuWith("One;Two");
    Handle h = reinterpret_cast<Handle>(m);
    const int32_t full = GetHandleSize(h);

    SetHandleSize(h, full - 1); // no end byte
    EXPECT_EQ(CountMItems(m), 2);
    Str255 text;
    GetMenuItemText(m, 3, text);
    EXPECT_EQ(text[0], 0);

    SetHandleSize(h, full - 3); // "Two" loses two of its four bytes
    EXPECT_EQ(CountMItems(m), 1);
    int16_t key = -1;
    GetItemCmd(m, 2, &key);
    EXPECT_EQ(key, 0);
    DeleteMenuItem(m, 2);
    EXPECT_EQ(GetHandleSize(h), full - 3);

    // Appending to a record without its end byte gives it one after the new item.
    SetHandleSize(h, full - 1);
    AppendMen(m, P("Three").c_str());
    EXPECT_EQ(CountMItems(m), 3);
    EXPECT_EQ(RecordItemBytes(m), ItemBytes({{"One", 0, 0, 0, 0, true}, {"Two", 0, 0, 0, 0, true},
                                             {"Three", 0, 0, 0, 0, true}}));

    // A title longer than the handle holds no items, and nothing is added after it.
    const int32_t size = GetHandleSize(h);
    (*m)->menuData[0] = 255;
    EXPECT_EQ(CountMItems(m), 0);
    AppendMen(m, P("X").c_str());
    EXPECT_EQ(GetHandleSize(h), size);
    DisposeMenu(m);
}

TEST_F(MenuRecords, InsertUnderAMemoryLimitLeavesTheMenu)
{
    MenuHandle m = MenuWith("One");
    const std::vector<uint8_t> before = RecordItemBytes(m);
    ZEL_SetMemoryLimits(1, 1, 0, 0);
    AppendMen(m, P(std::string(200, 'x').c_str()).c_str());
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    EXPECT_EQ(RecordItemBytes(m), before);
    DisposeMenu(m);
}

TEST_F(MenuRecords, CalcMenuSizeMeasuresItems)
{
    MenuHandle m = MenuWith("Open;-;A rather longer item");
    const int16_t width = (*m)->menuWidth, height = (*m)->menuHeight;
    EXPECT_GT(width, 24);
    MenuHandle shorter = MenuWith("Open;-;A");
    EXPECT_LT((*shorter)->menuWidth, width);
    EXPECT_EQ((*shorter)->menuHeight, height);
    MenuHandle icons = MenuWith("Open^1");
    MenuHandle plain = MenuWith("Open");
    EXPECT_EQ((*icons)->menuHeight, 32); // an icon without 'cicn' is 32 by 32
    EXPECT_EQ((*icons)->menuWidth, (*plain)->menuWidth + 32 + 6);
    for (MenuHandle h : {m, shorter, icons, plain})
        DisposeMenu(h);
}

TEST_F(MenuRecords, FontMenusListInstalledFaces)
{
    for (Boolean scalable : {Boolean(true), Boolean(false)}) {
        MenuHandle m = NewMenu(200, P("Font").c_str());
        ZEL_AddResFontMenu(m, scalable);
        EXPECT_EQ(CountMItems(m), CountInstalledFonts(scalable));
        // Names are set whole, never parsed, and come sorted without regard to case.
        std::vector<Item> items = ReadItems(m);
        for (size_t i = 1; i < items.size(); ++i)
            EXPECT_LE(lstrcmpiA(items[i - 1].text.c_str(), items[i].text.c_str()), 0);
        for (const Item &i : items)
            EXPECT_FALSE(i.text.empty() || i.text == " ");
        DisposeMenu(m);
    }
    EXPECT_GT(CountInstalledFonts(true), 0);
}

} // namespace

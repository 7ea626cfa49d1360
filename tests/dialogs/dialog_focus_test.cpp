// Dialog keyboard focus: the 'ZELD' tables (read within their bounds, or made up from the radio
// buttons), the focus given to items, mnemonics in static texts, the entry-order and item-order walks,
// the key rules through DialogSelect, dropped combo boxes and the focus given back after an activation.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Controls.h"
#include "Dialogs.h"
#include "Events.h"
#include "Resources.h"
#include "Zel.h"
#include "test_seams.h"
#include "item_lists.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using namespace dialog_tests;
using testing_support::P;

HWND ItemChild(DialogPtr d, int item) { return GetDlgItem(HwndOf(d), item); }
std::vector<uint8_t> TableBytes(Handle h)
{
    return std::vector<uint8_t>(reinterpret_cast<uint8_t *>(*h), reinterpret_cast<uint8_t *>(*h) + GetHandleSize(h));
}
// A key through DialogSelect, the dialog in front.
void Press(DialogPtr d, uint8_t c, uint16_t modifiers = 0)
{
    SelectWindow(d);
    EventRecord e = KeyEvent(c, modifiers);
    DialogPtr which = nullptr;
    int16_t item = 0;
    DialogSelect(&e, &which, &item);
}
ControlHandle ControlOf(DialogPtr d, int16_t item) { return reinterpret_cast<ControlHandle>(ItemHandle(d, item)); }
bool Checked(DialogPtr d, int item) { return SendMessageA(ItemChild(d, item), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Buttons 1 and 2, a static label 3 for edit 4, radio buttons 5 and 6, in tab order by their entries.
const std::vector<ItemSpec> kAddressItems = {
    {MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"},
    {MakeRect(200, 200, 220, 280), ctrlItem + btnCtrl, "Cancel"},
    {MakeRect(20, 20, 36, 100), statText, "Address"},
    {MakeRect(20, 110, 36, 300), editText, "12 Main St"},
    {MakeRect(60, 20, 76, 200), ctrlItem + radCtrl, "Home"},
    {MakeRect(80, 20, 96, 200), ctrlItem + radCtrl, "Work"},
};
const std::vector<uint8_t> kAddressTable = {0, 0x40, 5, 0, 3, 4, 'A', 0, 5, 5, 0, 0x10, 6, 6, 0, 0x10,
                                            1, 1, 0, 0, 2, 2, 0, 0};

class DialogFocus : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const int16_t ref = FreshResourceFile("focus_test.rsr");
        ASSERT_GT(ref, 0);
        Add(kDLOG, 140, DialogTemplate(140));
        Add(kDITL, 140, ListBytes(kAddressItems, 5));
        Add(kZELD, 140, kAddressTable);
        // Four buttons, a table claiming 200 entries in 16 bytes: entries for items 1, 2 and 3.
        Add(kDLOG, 141, DialogTemplate(141));
        Add(kDITL, 141, ListBytes({{MakeRect(10, 10, 30, 90), ctrlItem + btnCtrl, "One"},
                                   {MakeRect(40, 10, 60, 90), ctrlItem + btnCtrl, "Two"},
                                   {MakeRect(70, 10, 90, 90), ctrlItem + btnCtrl, "Three"},
                                   {MakeRect(100, 10, 120, 90), ctrlItem + btnCtrl, "Four"}},
                                  3));
        Add(kZELD, 141, {0, 0x40, 200, 0, 1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 0, 0});
        // A 2-byte table whose band and swap flag would hide item 1 and move item 2.
        Add(kDLOG, 142, DialogTemplate(142));
        Add(kDITL, 142, ListBytes({{MakeRect(10, 10, 30, 90), ctrlItem + btnCtrl, "One"},
                                   {MakeRect(40, 10, 60, 90), ctrlItem + btnCtrl, "Two"}},
                                  1));
        Add(kZELD, 142, {40, 0x20});
        // A user item made a drop-down combo box by its entry.
        Add(kDLOG, 143, DialogTemplate(143));
        Add(kDITL, 143, ListBytes({{MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"},
                                   {MakeRect(20, 20, 40, 200), userItem, ""}},
                                  1));
        Add(kZELD, 143, {0, 0, 1, 0, 2, 2, 0, 0x01});
        CloseResFile(ref);
        sRef = OpenResFile(P("focus_test.rsr").c_str());
        ASSERT_GT(sRef, 0);
        UseResFile(sRef);
    }
    static void TearDownTestSuite()
    {
        CloseResFile(sRef);
        DeleteFileA("focus_test.rsr");
    }
    void TearDown() override { PumpMessages(); }
    static void Add(ResType type, int16_t id, const std::vector<uint8_t> &bytes) { AddResourceBytes(type, id, bytes); }
    // A 'DLOG' as the library keeps it once loaded: visible, procID 1, the item list of the same ID.
    static DialogPtr Get(int16_t id)
    {
        DialogPtr d = GetNewDialog(id, nullptr, reinterpret_cast<WindowPtr>(-1));
        if (d) {
            SelectWindow(d);
            DrawDialog(d);
            PumpMessages();
        }
        return d;
    }
    static int16_t sRef;
};
int16_t DialogFocus::sRef;

// Without a 'ZELD' a table is made: the small dialog face, one entry per radio button, runs grouped.
TEST_F(DialogFocus, ATableIsMadeFromTheRadioButtons)
{
    Rect bounds = MakeRect(60, 60, 320, 460);
    const std::vector<ItemSpec> items = {
        {MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"},
        {MakeRect(200, 200, 220, 280), ctrlItem + btnCtrl, "Cancel"},
        {MakeRect(20, 20, 36, 200), ctrlItem + radCtrl, "A"},
        {MakeRect(40, 20, 56, 200), ctrlItem + radCtrl, "B"},
        {MakeRect(60, 20, 76, 200), ctrlItem + radCtrl, "C"},
        {MakeRect(80, 20, 96, 200), statText, "Between"},
        {MakeRect(100, 20, 116, 200), ctrlItem + chkCtrl, "Check"},
        {MakeRect(120, 20, 136, 200), ctrlItem + radCtrl, "D"},
    };
    DialogPtr d = NewDialog(nullptr, &bounds, P("Made").c_str(), true, 1, reinterpret_cast<WindowPtr>(-1), false, 0,
                            ItemList(items));
    ASSERT_TRUE(d);
    Handle table = ZEL_UseZELDItems(d, -1);
    ASSERT_TRUE(table);
    const std::vector<uint8_t> expected = {0, 0x80, 4, 0, 3, 3, 0, 0x10, 4, 4, 0, 0x10,
                                           5, 5, 0, 0x10, 8, 8, 0, 0x20};
    EXPECT_EQ(expected, TableBytes(table));

    // The static text takes the small dialog face; in a dialog whose table lacks flag 0x80 it does not.
    DialogPtr other = Get(140);
    ASSERT_TRUE(other);
    EXPECT_NE(SendMessageA(ItemChild(d, 6), WM_GETFONT, 0, 0), SendMessageA(ItemChild(other, 3), WM_GETFONT, 0, 0));
    DisposeDialog(other);
    DisposeDialog(d);
}

// A 'ZELD' of flag 0x40: after the build the edit item has the focus and all its text, the label shows
// its mnemonic, and an unchecked radio button sends the focus to the first tab stop.
TEST_F(DialogFocus, EntriesGiveTheFocusAndTheMnemonics)
{
    DialogPtr d = Get(140);
    ASSERT_TRUE(d);
    HWND edit = ItemChild(d, 4);
    EXPECT_EQ(edit, GetFocus());
    DWORD start = 99, end = 99;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(std::string("12 Main St").size(), end);
    EXPECT_EQ("&Address", WindowText(ItemChild(d, 3)));
    EXPECT_EQ(4, ZEL_GetFocusCtrlID(d));

    SetControlValue(ControlOf(d, 5), 1);
    EXPECT_EQ(1, ZEL_SetItemFocus(d, 2));
    EXPECT_EQ(2, ZEL_GetFocusCtrlID(d));
    EXPECT_TRUE(GetWindowLongA(ItemChild(d, 2), GWL_STYLE) & BS_DEFPUSHBUTTON) << "the style follows the focus";

    ZEL_SetItemFocus(d, 6);
    EXPECT_EQ(4, ZEL_GetFocusCtrlID(d)) << "an unchecked radio button is not focused";
    EXPECT_TRUE(GetWindowLongA(ItemChild(d, 1), GWL_STYLE) & BS_DEFPUSHBUTTON) << "the style is back on item 1";
    DisposeDialog(d);
}

// Tab and Shift-Tab in entry order: a label passes to its control, a radio group is one stop entered at
// its checked button, and the walk wraps.
TEST_F(DialogFocus, TabFollowsTheEntries)
{
    DialogPtr d = Get(140);
    ASSERT_TRUE(d);
    SetControlValue(ControlOf(d, 6), 1);
    const int forward[] = {6, 1, 2, 4, 6};
    for (int expected : forward) {
        Press(d, 9);
        EXPECT_EQ(expected, ZEL_GetFocusCtrlID(d));
    }
    const int backward[] = {4, 2, 1, 6};
    for (int expected : backward) {
        Press(d, 9, shiftKey);
        EXPECT_EQ(expected, ZEL_GetFocusCtrlID(d));
    }
    DisposeDialog(d);
}

// The entry count comes from the resource: 200 claimed in 16 bytes walks three entries. A table too
// short for its header builds as if there were none.
TEST_F(DialogFocus, TablesAreReadWithinTheirResources)
{
    DialogPtr d = Get(141);
    ASSERT_TRUE(d);
    ZEL_SetItemFocus(d, 3);
    Press(d, 9);
    EXPECT_EQ(1, ZEL_GetFocusCtrlID(d)) << "the walk wraps after the third entry";
    Press(d, 9, shiftKey);
    EXPECT_EQ(3, ZEL_GetFocusCtrlID(d));
    DisposeDialog(d);

    d = Get(142);
    ASSERT_TRUE(d);
    EXPECT_TRUE(ItemChild(d, 1)) << "no band";
    int16_t type;
    Handle h;
    Rect r;
    GetDialogItem(d, 2, &type, &h, &r);
    EXPECT_EQ(40, r.top) << "no swap";
    Handle table = ZEL_UseZELDItems(d, -1);
    ASSERT_TRUE(table);
    EXPECT_EQ(0x80, TableBytes(table)[1]) << "a made-up table";
    DisposeDialog(d);
}

// Nothing can take the focus: the walks end, the call returns, the focus stays.
TEST_F(DialogFocus, NothingToFocusLeavesTheFocus)
{
    Watchdog watchdog;
    DialogPtr d = Get(140);
    ASSERT_TRUE(d);
    for (int i = 1; i <= 6; ++i)
        EnableWindow(ItemChild(d, i), FALSE);
    SetFocus(HwndOf(d));
    EXPECT_EQ(0, ZEL_SetItemFocus(d, 6));
    EXPECT_EQ(HwndOf(d), GetFocus());
    Press(d, 9);
    Press(d, 9, shiftKey);
    EXPECT_EQ(HwndOf(d), GetFocus());
    DisposeDialog(d);
}

// Item order (no 'ZELD' order): Tab wraps both ways over the buttons and the edit; Down on the last
// button of a three-button radio group clicks the first; Alt and a mnemonic focus an edit with its text
// selected.
TEST_F(DialogFocus, KeyRulesThroughDialogSelect)
{
    Rect bounds = MakeRect(60, 60, 320, 460);
    DialogPtr d = NewDialog(nullptr, &bounds, P("Keys").c_str(), true, 1, reinterpret_cast<WindowPtr>(-1), false, 0,
                            ItemList({{MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"},
                                      {MakeRect(200, 200, 220, 280), ctrlItem + btnCtrl, "Cancel"},
                                      {MakeRect(20, 20, 36, 200), editText, "text"}}));
    ASSERT_TRUE(d);
    SelectWindow(d);
    ZEL_SetItemFocus(d, 3);
    Press(d, 9);
    EXPECT_EQ(1, ZEL_GetFocusCtrlID(d)) << "Tab wraps forward";
    Press(d, 9, shiftKey);
    EXPECT_EQ(3, ZEL_GetFocusCtrlID(d)) << "Shift-Tab wraps back";
    // A default button the program dimmed stays dimmed when the focus leaves another button.
    HiliteControl(ControlOf(d, 1), 255);
    ZEL_SetItemFocus(d, 2);
    Press(d, 9);
    EXPECT_EQ(3, ZEL_GetFocusCtrlID(d));
    EXPECT_FALSE(IsWindowEnabled(ItemChild(d, 1)));
    DisposeDialog(d);

    d = NewDialog(nullptr, &bounds, P("Radios").c_str(), true, 1, reinterpret_cast<WindowPtr>(-1), false, 0,
                  ItemList({{MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"},
                            {MakeRect(20, 20, 36, 200), ctrlItem + radCtrl, "Red"},
                            {MakeRect(40, 20, 56, 200), ctrlItem + radCtrl, "Green"},
                            {MakeRect(60, 20, 76, 200), ctrlItem + radCtrl, "Blue"}}));
    ASSERT_TRUE(d);
    SelectWindow(d);
    SetControlValue(ControlOf(d, 4), 1);
    ASSERT_EQ(1, ZEL_SetItemFocus(d, 4));
    Press(d, 31);
    EXPECT_EQ(2, ZEL_GetFocusCtrlID(d));
    // The click reaches the application as a hit on item 2, which checks it as a program does.
    int16_t hit = -1;
    for (int i = 0; i < 20 && hit != 2; ++i) {
        PumpMessages();
        EventRecord e{};
        if (!GetNextEvent(everyEvent, &e))
            continue;
        DialogPtr which = nullptr;
        if (DialogSelect(&e, &which, &hit) && hit >= 2 && hit <= 4)
            for (int16_t n = 2; n <= 4; ++n)
                SetControlValue(ControlOf(d, n), n == hit);
    }
    EXPECT_EQ(2, hit);
    EXPECT_TRUE(Checked(d, 2));
    EXPECT_FALSE(Checked(d, 4));
    DisposeDialog(d);

    d = Get(140);
    ASSERT_TRUE(d);
    ZEL_SetItemFocus(d, 1);
    Press(d, 'a', optionKey);
    HWND edit = ItemChild(d, 4);
    EXPECT_EQ(edit, GetFocus());
    DWORD start = 99, end = 99;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(10u, end);
    DisposeDialog(d);
}

// A dropped combo-box list is closed once; the box itself as the window not to affect keeps it open.
TEST_F(DialogFocus, DroppedComboBoxes)
{
    DialogPtr d = Get(143);
    ASSERT_TRUE(d);
    HWND box = ItemChild(d, 2);
    ASSERT_TRUE(box);
    SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Red"));
    SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Blue"));
    SetFocus(box);
    SendMessageA(box, CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_TRUE(SendMessageA(box, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_FALSE(CloseFocusedComboList(box));
    EXPECT_TRUE(SendMessageA(box, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_TRUE(CloseFocusedComboList(nullptr));
    EXPECT_FALSE(SendMessageA(box, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_FALSE(CloseFocusedComboList(nullptr));
    DisposeDialog(d);
}

// After the application is deactivated and activated with the focus on an edit item, the focus set on
// the dialog window goes back to the edit when its control ID is asked for.
TEST_F(DialogFocus, TheFocusComesBackAfterAnActivation)
{
    DialogPtr d = Get(140);
    ASSERT_TRUE(d);
    HWND hook = nullptr;
    DialogPtr previous = nullptr;
    int16_t capture = 0;
    ZEL_PrepareModalWindow(d, &hook, &previous, &capture, nullptr);
    HWND edit = ItemChild(d, 4);
    SetFocus(edit);
    ZEL_ActivateApp(0);
    ZEL_ActivateApp(1);
    SetFocus(HwndOf(d));
    EXPECT_EQ(4, ZEL_GetFocusCtrlID(d));
    EXPECT_EQ(edit, GetFocus());
    ZEL_CloseModalWindow(d, hook, previous, capture);
    DisposeDialog(d);
}

} // namespace

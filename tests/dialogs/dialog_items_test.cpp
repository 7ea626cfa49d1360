// Dialog item access: item text both ways (ampersands, line ends, long texts, titles), ParamText and its
// parameter memory, hiding, showing, finding and changing items, and combo-box items filled from menus.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Controls.h"
#include "Dialogs.h"
#include "Menus.h"
#include "Resources.h"
#include "TextEdit.h"
#include "Zel.h"
#include "item_lists.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using namespace dialog_tests;
using testing_support::P;

HWND ItemChild(DialogPtr d, int item) { return GetDlgItem(HwndOf(d), item); }
// The handle SetDialogItemText takes for an item: its child window.
Handle TextHandle(DialogPtr d, int16_t item) { return reinterpret_cast<Handle>(ZEL_GetDlgItemHWND(d, item)); }
std::string ItemText(Handle h)
{
    Str255 text;
    GetDialogItemText(h, text);
    return std::string(reinterpret_cast<char *>(text + 1), text[0]);
}

void ZEL_CALL DrawNothing(DialogPtr, int16_t) {}

// Items 1 OK, 2 static, 3 edit, 4 check box, 5 button.
const std::vector<ItemSpec> kTextItems = {
    {MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"},
    {MakeRect(20, 20, 36, 300), statText, "Static"},
    {MakeRect(50, 20, 66, 300), editText, "Edit"},
    {MakeRect(80, 20, 96, 100), ctrlItem + chkCtrl, "Box"},
    {MakeRect(200, 200, 220, 280), ctrlItem + btnCtrl, "Other"},
};

class DialogItemCalls : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const int16_t ref = FreshResourceFile("items_test.rsr");
        ASSERT_GT(ref, 0);
        // A band of 20 makes the first static text the caption; a combo box from a user item.
        AddResourceBytes(kDLOG, 150, DialogTemplate(150));
        AddResourceBytes(kDITL, 150, ListBytes({{MakeRect(2, 10, 18, 200), statText, "Caption"},
                                                {MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"},
                                                {MakeRect(40, 20, 60, 200), userItem, ""}},
                                               2));
        AddResourceBytes(kZELD, 150, {20, 0, 1, 0, 3, 3, 0, 0x01});
        CloseResFile(ref);
        sRef = OpenResFile(P("items_test.rsr").c_str());
        ASSERT_GT(sRef, 0);
        UseResFile(sRef);
    }
    static void TearDownTestSuite()
    {
        CloseResFile(sRef);
        DeleteFileA("items_test.rsr");
    }
    void TearDown() override
    {
        ParamText(P("").c_str(), P("").c_str(), P("").c_str(), P("").c_str());
        PumpMessages();
    }
    static DialogPtr Make(const std::vector<ItemSpec> &items)
    {
        Rect bounds = MakeRect(60, 60, 320, 460);
        DialogPtr d = NewDialog(nullptr, &bounds, P("Items").c_str(), true, 1, reinterpret_cast<WindowPtr>(-1), false,
                                0, ItemList(items));
        if (d)
            DrawDialog(d);
        return d;
    }
    static int16_t sRef;
};
int16_t DialogItemCalls::sRef;

// Text set on an item reads back as set; the window shows it as Windows must: ampersands doubled on
// statics and buttons, CR LF line ends in edits.
TEST_F(DialogItemCalls, TextReadsBackAsSet)
{
    DialogPtr d = Make(kTextItems);
    ASSERT_TRUE(d);
    struct Row {
        int16_t item;
        const char *set, *window;
    };
    const Row rows[] = {
        {3, "x\ry\rz", "x\r\ny\r\nz"}, {2, "R&D", "R&&D"},    {3, "R&D", "R&D"},
        {2, "&&", "&&&&"},             {2, "trail&", "trail&&"}, {5, "R&D", "R&&D"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.set) + " on item " + std::to_string(row.item));
        SetDialogItemText(TextHandle(d, row.item), P(row.set).c_str());
        EXPECT_EQ(row.window, WindowText(ItemChild(d, row.item)));
        EXPECT_EQ(row.set, ItemText(TextHandle(d, row.item)));
    }
    // A check box takes its new text's width + 20.
    HWND box = ItemChild(d, 4);
    SetDialogItemText(TextHandle(d, 4), P("A much longer title").c_str());
    HDC dc = GetDC(box);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, "A much longer title", 19, &size);
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    RECT r;
    GetWindowRect(box, &r);
    EXPECT_EQ(size.cx + 20, r.right - r.left);
    DisposeDialog(d);
}

// Long texts: a 300-character window reads back as a Str255 of 255; a long text from a handle is cut to
// the handle; a stale window or a full table's token changes nothing and reads empty.
TEST_F(DialogItemCalls, LongTextsStayInsideTheirBuffers)
{
    DialogPtr d = Make(kTextItems);
    ASSERT_TRUE(d);
    const std::string long300(300, 'w');
    SetWindowTextA(ItemChild(d, 3), long300.c_str());
    std::vector<uint8_t> buffer(260, 0xAB);
    GetDialogItemText(TextHandle(d, 3), buffer.data());
    EXPECT_EQ(255, buffer[0]);
    EXPECT_EQ('w', buffer[255]);
    EXPECT_EQ(0xAB, buffer[256]) << "nothing past the Str255";

    Handle text = NewHandle(10);
    std::memcpy(*text, "0123456789", 10);
    ZEL_SetBigIText(TextHandle(d, 2), text, 5000);
    EXPECT_EQ("0123456789", WindowText(ItemChild(d, 2)));
    ZEL_SetBigIText(TextHandle(d, 2), text, -1);
    ZEL_SetBigIText(TextHandle(d, 2), nullptr, 4);
    EXPECT_EQ("0123456789", WindowText(ItemChild(d, 2)));
    DisposeHandle(text);

    HWND gone = CreateWindowA("static", "gone", WS_CHILD, 0, 0, 10, 10, HwndOf(d), nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    for (Handle h : {reinterpret_cast<Handle>(gone), reinterpret_cast<Handle>(0xFFFFFFFFu),
                     reinterpret_cast<Handle>(0xFFFFFEFFu)}) {
        SetDialogItemText(h, P("x").c_str());
        EXPECT_EQ("", ItemText(h));
    }
    DisposeDialog(d);
}

// A caption token's text is the dialog window's title.
TEST_F(DialogItemCalls, ACaptionTokenSetsTheTitle)
{
    DialogPtr d = GetNewDialog(150, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_TRUE(d);
    EXPECT_EQ("Caption", WindowText(HwndOf(d)));
    SetDialogItemText(ItemHandle(d, 1), P("New & improved").c_str());
    EXPECT_EQ("New && improved", WindowText(HwndOf(d)));
    EXPECT_EQ("New & improved", ItemText(ItemHandle(d, 1)));
    DisposeDialog(d);
}

// ParamText: substitution in built texts, parameters naming parameters, 255 characters at most, and the
// remembered item set again.
TEST_F(DialogItemCalls, ParamTextAndItsMemory)
{
    ParamText(P("A").c_str(), P("B").c_str(), nullptr, nullptr);
    DialogPtr d = Make({{MakeRect(20, 20, 36, 300), statText, "^1/^0"}});
    ASSERT_TRUE(d);
    EXPECT_EQ("B/A", WindowText(ItemChild(d, 1)));
    ParamText(P("C").c_str(), nullptr, nullptr, nullptr);
    ZEL_UpdateParamStr(d, 0);
    EXPECT_EQ("B/C", WindowText(ItemChild(d, 1)));
    ZEL_UpdateParamStrItem(d, 1, P("^0^0").c_str());
    EXPECT_EQ("CC", WindowText(ItemChild(d, 1)));
    DisposeDialog(d);

    ParamText(P("^1").c_str(), P("one").c_str(), nullptr, nullptr);
    d = Make({{MakeRect(20, 20, 36, 300), statText, "^0"}});
    EXPECT_EQ("one", WindowText(ItemChild(d, 1)));
    DisposeDialog(d);

    const std::string full(255, 'p');
    ParamText(P(full.c_str()).c_str(), P(full.c_str()).c_str(), P(full.c_str()).c_str(), P(full.c_str()).c_str());
    d = Make({{MakeRect(20, 20, 36, 300), statText, "^0^1^2^3"}});
    EXPECT_EQ(full, WindowText(ItemChild(d, 1)));
    DisposeDialog(d);
}

// Hiding twice and showing once restores the item; FindDialogItem answers the item less one;
// SetDialogItem moves and disables the child at once; a button retyped to a user item keeps its control.
// The dialog's one TextEdit record stands for the focused edit item: selecting text in an item binds it
// there; the edit commands go through it and the Scrap Manager; ZEL_MaintainTEFocus gives its control
// the focus and the record's selection back.
TEST_F(DialogItemCalls, TheSharedTextEditRecordFollowsTheFocusedEditItem)
{
    TEInit();
    std::vector<ItemSpec> items = kTextItems;
    items.push_back({MakeRect(120, 20, 136, 300), editText, "Second"});
    DialogPtr d = Make(items);
    ASSERT_TRUE(d);
    TEHandle te = reinterpret_cast<DialogPeek>(d)->textH;
    ASSERT_TRUE(te);
    HWND first = ItemChild(d, 3), second = ItemChild(d, 6);
    EXPECT_EQ(reinterpret_cast<HWND>((*te)->hDispText), first);

    SelectDialogItemText(d, 6, 0, 3);
    EXPECT_EQ(reinterpret_cast<HWND>((*te)->hDispText), second);
    EXPECT_EQ(reinterpret_cast<DialogPeek>(d)->editField, 5);
    EXPECT_EQ((*te)->teLength, 6);
    EXPECT_EQ(std::string(*(*te)->hText, 6), "Second");
    EXPECT_EQ((*te)->selStart, 0);
    EXPECT_EQ((*te)->selEnd, 3);
    EXPECT_EQ((*te)->viewRect.top, 120);
    EXPECT_EQ((*te)->viewRect.left, 20);

    EXPECT_EQ(DialogCut(d), 0);
    EXPECT_EQ(WindowText(second), "ond");
    // This host keeps no scrap of its own, so the text stays in TextEdit's.
    ASSERT_EQ(TEGetScrapLength(), 3);
    EXPECT_EQ(std::string(*TEScrapHandle(), 3), "Sec");

    // The focus moved by the user (here SetFocus) rebinds the record before the command.
    SetFocus(first);
    SendMessageA(first, EM_SETSEL, 4, 4);
    EXPECT_EQ(DialogPaste(d), 0);
    EXPECT_EQ(WindowText(first), "EditSec");
    EXPECT_EQ(reinterpret_cast<HWND>((*te)->hDispText), first);
    EXPECT_EQ((*te)->teLength, 7);

    SendMessageA(first, EM_SETSEL, 0, 4);
    EXPECT_EQ(DialogDelete(d), 0);
    EXPECT_EQ(WindowText(first), "Sec");
    SendMessageA(first, EM_SETSEL, 0, 1);
    EXPECT_EQ(DialogCopy(d), 0);
    EXPECT_EQ(WindowText(first), "Sec");
    EXPECT_EQ(TEGetScrapLength(), 1);

    // The record's selection given back to its control after the focus went elsewhere; an end past the
    // text is lowered to it.
    SetFocus(ItemChild(d, 4));
    (*te)->selStart = 1;
    (*te)->selEnd = 200;
    ZEL_MaintainTEFocus(te);
    EXPECT_EQ(GetFocus(), first);
    DWORD start = 0, end = 0;
    SendMessageA(first, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u);
    ZEL_MaintainTEFocus(nullptr);
    DisposeDialog(d);

    // A dialog without edit items has no record: the commands do nothing.
    DialogPtr plain = Make({{MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"}});
    ASSERT_TRUE(plain);
    EXPECT_EQ(reinterpret_cast<DialogPeek>(plain)->textH, nullptr);
    EXPECT_EQ(DialogCut(plain), 0);
    EXPECT_EQ(DialogPaste(plain), 0);
    DisposeDialog(plain);
}

TEST_F(DialogItemCalls, ItemsHideShowFindAndChange)
{
    DialogPtr d = Make(kTextItems);
    ASSERT_TRUE(d);
    const Rect before = ItemRect(d, 2);
    HideDialogItem(d, 2);
    HideDialogItem(d, 2);
    EXPECT_EQ(before.left + 16384, ItemRect(d, 2).left);
    EXPECT_FALSE(IsWindowVisible(ItemChild(d, 2)));
    ShowDialogItem(d, 2);
    EXPECT_TRUE(SameRect(before, ItemRect(d, 2)));
    EXPECT_TRUE(IsWindowVisible(ItemChild(d, 2)));

    EXPECT_EQ(1, FindDialogItem(d, Point{25, 30}));
    EXPECT_EQ(-1, FindDialogItem(d, Point{150, 10}));

    Rect moved = MakeRect(120, 40, 136, 200);
    SetDialogItem(d, 2, statText + itemDisable, ItemHandle(d, 2), &moved);
    RECT r = ClientRectInParent(ItemChild(d, 2));
    EXPECT_EQ(40, r.left);
    EXPECT_EQ(120, r.top);
    EXPECT_FALSE(IsWindowEnabled(ItemChild(d, 2)));

    Handle control = ItemHandle(d, 5);
    SetDialogItem(d, 5, userItem, reinterpret_cast<Handle>(&DrawNothing), nullptr);
    EXPECT_TRUE(*control) << "the control record stays";
    DisposeDialog(d);
}

// Combo-box items from a menu: entries, selection, replacement, clearing, and a menu cut short.
TEST_F(DialogItemCalls, ComboBoxItems)
{
    DialogPtr d = GetNewDialog(150, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_TRUE(d);
    ASSERT_TRUE(ZEL_IsComboBox(d, 3));
    EXPECT_FALSE(ZEL_IsComboBox(d, 2));
    HWND box = ItemChild(d, 3);
    MenuHandle menu = NewMenu(300, P("Colours").c_str());
    AppendMenu(menu, P("Red;Green;Blue;Grey").c_str());
    ZEL_BuildComboBox(d, 3, menu, 3);
    EXPECT_EQ(4, SendMessageA(box, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(2, SendMessageA(box, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(3, ZEL_GetComboBoxSelect(d, 3));
    Str255 text;
    EXPECT_TRUE(ZEL_GetComboBoxText(d, 3, text));
    EXPECT_EQ("Blue", std::string(reinterpret_cast<char *>(text + 1), text[0]));

    ZEL_SetComboBoxString(d, 3, 0, P("Pink").c_str());
    EXPECT_EQ(4, SendMessageA(box, CB_GETCOUNT, 0, 0));
    char entry[32] = {};
    SendMessageA(box, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ("Pink", entry);

    EXPECT_TRUE(ZEL_SetComboBoxSelect(d, 3, 0));
    EXPECT_EQ(CB_ERR, SendMessageA(box, CB_GETCURSEL, 0, 0));

    // Cut in the middle of "Blue": Red and Green are built.
    const Size full = GetHandleSize(reinterpret_cast<Handle>(menu));
    SetHandleSize(reinterpret_cast<Handle>(menu), full - 1 - 9 - 7);
    ZEL_BuildComboBox(d, 3, menu, 1);
    EXPECT_EQ(2, SendMessageA(box, CB_GETCOUNT, 0, 0));
    DisposeMenu(menu);
    DisposeDialog(d);
}

} // namespace

namespace {

// Owner drawing through ZEL_UserItem, into a memory surface of 40 by 24 pixels.
struct Surface {
    HDC dc;
    HBITMAP bits, old;
    Surface()
    {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bits = CreateCompatibleBitmap(screen, 40, 24);
        ReleaseDC(nullptr, screen);
        old = static_cast<HBITMAP>(SelectObject(dc, bits));
        RECT all{0, 0, 40, 24};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Surface()
    {
        SelectObject(dc, old);
        DeleteObject(bits);
        DeleteDC(dc);
    }
    std::vector<COLORREF> Pixels() const
    {
        std::vector<COLORREF> p;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x)
                p.push_back(GetPixel(dc, x, y));
        return p;
    }
};

int sUserItemCalls;
DialogPtr sUserItemDialog;
int16_t sUserItemNumber;
void ZEL_CALL CountUserItem(DialogPtr d, int16_t item)
{
    ++sUserItemCalls;
    sUserItemDialog = d;
    sUserItemNumber = item;
}

LRESULT DrawItemInto(DialogPtr d, UINT id, UINT itemID, const Surface &s)
{
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_BUTTON;
    di.CtlID = id;
    di.itemID = itemID;
    di.itemAction = ODA_DRAWENTIRE;
    di.hwndItem = GetDlgItem(HwndOf(d), static_cast<int>(id));
    di.hDC = s.dc;
    // The whole item: its child's client area (a part of it would clip the drawing to that part).
    di.rcItem = RECT{0, 0, 40, 24};
    if (di.hwndItem)
        GetClientRect(di.hwndItem, &di.rcItem);
    return ZEL_UserItem(HwndOf(d), WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&di));
}

// Measuring gives an item its rectangle and a pixel; drawing calls a user item's procedure once and
// shows a Windows icon as DrawIcon does; handles of no known form, item -1 and unknown IDs draw nothing.
TEST_F(DialogItemCalls, OwnerDrawnItems)
{
    DialogPtr d = Make({{MakeRect(20, 20, 44, 60), userItem, ""}, {MakeRect(60, 20, 92, 52), iconItem, Id(5000)}});
    ASSERT_TRUE(d);
    MEASUREITEMSTRUCT mi{};
    mi.CtlType = ODT_BUTTON;
    mi.CtlID = 1;
    EXPECT_EQ(1, ZEL_UserItem(HwndOf(d), WM_MEASUREITEM, 1, reinterpret_cast<LPARAM>(&mi)));
    EXPECT_EQ(41u, mi.itemWidth);
    EXPECT_EQ(25u, mi.itemHeight);
    mi = MEASUREITEMSTRUCT{ODT_BUTTON, 77, 0, 5, 6, 0};
    ZEL_UserItem(HwndOf(d), WM_MEASUREITEM, 77, reinterpret_cast<LPARAM>(&mi));
    EXPECT_EQ(5u, mi.itemWidth) << "an unknown ID is left as it is";

    Rect r = ItemRect(d, 1);
    SetDialogItem(d, 1, userItem, reinterpret_cast<Handle>(&CountUserItem), &r);
    sUserItemCalls = 0;
    Surface s;
    EXPECT_EQ(1, DrawItemInto(d, 1, 0, s));
    EXPECT_EQ(1, sUserItemCalls);
    EXPECT_EQ(d, sUserItemDialog);
    EXPECT_EQ(1, sUserItemNumber);

    // A Windows icon in a 4-byte handle.
    HICON icon = LoadIconA(nullptr, IDI_HAND);
    Handle iconHandle = NewHandle(4);
    std::memcpy(*iconHandle, &icon, 4);
    r = ItemRect(d, 2);
    SetDialogItem(d, 2, iconItem, iconHandle, &r);
    Surface drawn, expected;
    DrawItemInto(d, 2, 0, drawn);
    DrawIcon(expected.dc, 0, 0, icon);
    EXPECT_EQ(expected.Pixels(), drawn.Pixels());
    EXPECT_NE(Surface().Pixels(), drawn.Pixels());

    // An 'ICON' of 128 bytes, every bit set, plots a black square on the port over the item.
    Handle black = NewHandle(128);
    std::memset(*black, 0xFF, 128);
    SetDialogItem(d, 2, iconItem, black, &r);
    Surface unused;
    DrawItemInto(d, 2, 0, unused);
    HDC windowDC = GetDC(HwndOf(d));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(windowDC, r.left + 16, r.top + 16));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(windowDC, r.right - 1, r.bottom - 1));
    EXPECT_NE(RGB(0, 0, 0), GetPixel(windowDC, r.right + 2, r.top + 16));
    ReleaseDC(HwndOf(d), windowDC);
    DisposeHandle(black);

    // A 20-byte handle, item -1 and an unknown ID: nothing drawn.
    Handle odd = NewHandleClear(20);
    SetDialogItem(d, 2, iconItem, odd, &r);
    Surface untouched;
    const auto blank = untouched.Pixels();
    DrawItemInto(d, 2, 0, untouched);
    DrawItemInto(d, 2, static_cast<UINT>(-1), untouched);
    DrawItemInto(d, 99, 0, untouched);
    EXPECT_EQ(blank, untouched.Pixels());
    SetDialogItem(d, 2, iconItem, nullptr, &r);
    DisposeHandle(odd);
    DisposeHandle(iconHandle);
    DisposeDialog(d);
}

} // namespace

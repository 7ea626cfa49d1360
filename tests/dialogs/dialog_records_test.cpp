// Dialog records: the children built for every item type, templates and item lists read from a fork
// within their bounds, the 'ZELD' band and caption, failed builds, list edits, teardown of caller storage,
// the group-title table and scaling.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Controls.h"
#include "Dialogs.h"
#include "LowMem.h"
#include "Resources.h"
#include "Zel.h"
#include "test_seams.h"
#include "item_lists.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using namespace dialog_tests;
using testing_support::P;


constexpr uint32_t kCaptionToken = 0xFFFFFF00, kGroupTitleToken = 0xFFFFFE00;


HWND DialogHwnd(DialogPtr d) { return HwndOf(d); }
HWND ItemChild(DialogPtr d, int item) { return GetDlgItem(DialogHwnd(d), item); }
std::string ClassOf(HWND h)
{
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    return name;
}
std::string TextOf(HWND h)
{
    char text[512] = {};
    GetWindowTextA(h, text, sizeof text);
    return text;
}
int FontHeightOf(HWND h)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE s{};
    GetTextExtentPoint32A(dc, "{", 1, &s);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return s.cy;
}
int TextWidthOf(HWND h, const char *text)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE s{};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &s);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return s.cx;
}

class Dialogs : public testing::Test {
protected:
    void TearDown() override
    {
        ParamText(P("").c_str(), P("").c_str(), P("").c_str(), P("").c_str());
        PumpMessages();
    }
    DialogPtr Make(Handle items, void *storage = nullptr, bool visible = true)
    {
        Rect bounds = MakeRect(60, 60, 320, 460);
        return NewDialog(storage, &bounds, P("Dialog").c_str(), visible, 1, reinterpret_cast<WindowPtr>(-1), false,
                         5, items);
    }
};

// A list of every item type: the children, their classes and styles, and the builder's sizing rules.
TEST_F(Dialogs, EveryItemTypeGetsItsChild)
{
    ParamText(nullptr, P("Q").c_str(), nullptr, nullptr);
    Handle items = ItemList({
        {MakeRect(220, 300, 240, 380), ctrlItem + btnCtrl, "OK"},
        {MakeRect(220, 200, 240, 280), ctrlItem + btnCtrl, "Cancel"},
        {MakeRect(20, 20, 36, 300), ctrlItem + chkCtrl, "Check me"},
        {MakeRect(40, 20, 56, 200), ctrlItem + radCtrl, "Radio"},
        {MakeRect(60, 20, 76, 200), statText, "A&B ^1"},
        {MakeRect(80, 20, 96, 200), editText, "hello"},
        {MakeRect(100, 20, 118, 200), userItem, ""},
        {MakeRect(130, 20, 162, 52), iconItem, Id(1)},
        {MakeRect(130, 60, 162, 92), picItem, Id(1)},
        {MakeRect(170, 20, 171, 380), ctrlItem + btnCtrl, ""},
    });
    DialogPtr d = Make(items);
    ASSERT_TRUE(d);
    DialogPeek peek = reinterpret_cast<DialogPeek>(d);
    EXPECT_EQ(dialogKind, peek->window.windowKind);
    EXPECT_EQ(10, CountDITL(d));
    const char *classes[] = {"Button", "Button", "Button", "Button", "Static", "Edit", "Button", "Button", "Button", "Static"};
    for (int i = 1; i <= 10; ++i) {
        SCOPED_TRACE(i);
        HWND child = ItemChild(d, i);
        ASSERT_TRUE(child);
        EXPECT_STRCASEEQ(classes[i - 1], ClassOf(child).c_str());
        EXPECT_GE(WindowRectInParent(child).left, 8192) << "parked until the first event";
    }
    EXPECT_EQ(1, peek->aDefItem);
    EXPECT_EQ(5, peek->editField);
    EXPECT_EQ("A&&B Q", TextOf(ItemChild(d, 5)));
    EXPECT_EQ(SS_BLACKRECT, GetWindowLongA(ItemChild(d, 10), GWL_STYLE) & 0x1F);
    EXPECT_EQ(BS_OWNERDRAW, GetWindowLongA(ItemChild(d, 7), GWL_STYLE) & 0xF);
    EXPECT_FALSE(IsWindowEnabled(ItemChild(d, 7)));

    // The edit item grows to the font's height plus 8, half of the shortfall above.
    HWND edit = ItemChild(d, 6);
    const int f = FontHeightOf(edit), h = 16, s = f + 8 - h > 0 ? f + 8 - h : 0;
    RECT er = WindowRectInParent(edit);
    EXPECT_EQ(h + s, er.bottom - er.top);
    EXPECT_EQ(80 - (s + 1) / 2 + 8192, er.top);
    EXPECT_EQ(180 + 3 + 1, er.right - er.left);
    // The check box is as wide as its title plus 20.
    HWND box = ItemChild(d, 3);
    RECT br = WindowRectInParent(box);
    EXPECT_EQ(TextWidthOf(box, "Check me") + 20 + 2, br.right - br.left);
    // An 18-pixel user item becomes 20, plus the child's extra pixel.
    RECT ur = WindowRectInParent(ItemChild(d, 7));
    EXPECT_EQ(21, ur.bottom - ur.top);

    int16_t type = 0;
    Handle h1 = nullptr;
    Rect r1;
    GetDialogItem(d, 1, &type, &h1, &r1);
    EXPECT_EQ(ctrlItem + btnCtrl, type);
    EXPECT_EQ(ItemChild(d, 1), ZEL_ControlToHWND(reinterpret_cast<ControlHandle>(h1)));
    GetDialogItem(d, 6, &type, &h1, &r1);
    EXPECT_EQ(editText, type);
    EXPECT_EQ(edit, reinterpret_cast<HWND>(h1));

    // The dialog's window is a dialog window; one made right after is not.
    EXPECT_TRUE(AuxOf(d)->createFlags & wcfDialog);
    WindowPtr w = MakeWindow(documentProc);
    EXPECT_FALSE(AuxOf(w)->createFlags & wcfDialog);
    DisposeWindow(w);
    DisposeDialog(d);
}

// Templates and item lists from a fork written here.
class DialogResources : public Dialogs {
protected:
    static void SetUpTestSuite()
    {
        const int16_t ref = FreshResourceFile("dialogs_test.rsr");
        ASSERT_GT(ref, 0);
        Add(kDLOG, 128, Template(MakeRect(0, 0, 100, 200), 128, "Centred", 0x280A));
        Add(kDITL, 128, ListBytes({{MakeRect(60, 120, 80, 190), ctrlItem + btnCtrl, "OK"}}, 0));
        // A band of 20: D = 15.
        Add(kDLOG, 129, Template(MakeRect(50, 50, 200, 300), 129, "Banded", 0));
        Add(kDITL, 129, ListBytes({{MakeRect(2, 10, 18, 200), statText, "Title from the band"},
                                   {MakeRect(16, 10, 32, 200), ctrlItem + chkCtrl, "Low check"},
                                   {MakeRect(10, 10, 26, 200), ctrlItem + chkCtrl, "High check"},
                                   {MakeRect(40, 10, 60, 90), ctrlItem + btnCtrl, "OK"}},
                                  3));
        std::vector<uint8_t> zeld = {20, 0, 0, 0};
        Add(kZELD, 129, zeld);
        // A list claiming 10 items with 2 present, and one whose data runs past the end.
        Add(kDLOG, 130, Template(MakeRect(50, 50, 200, 300), 130, "Short", 0));
        Add(kDITL, 130, ListBytes({{MakeRect(10, 10, 30, 90), ctrlItem + btnCtrl, "One"},
                                   {MakeRect(40, 10, 60, 90), ctrlItem + btnCtrl, "Two"}},
                                  9));
        Add(kDLOG, 131, Template(MakeRect(50, 50, 200, 300), 131, "Cut", 0));
        auto cut = ListBytes({{MakeRect(10, 10, 30, 90), ctrlItem + btnCtrl, "One"},
                              {MakeRect(40, 10, 60, 90), statText, "A long text cut short"}},
                             1);
        cut.resize(cut.size() - 10);
        Add(kDITL, 131, cut);
        Add(kDLOG, 132, std::vector<uint8_t>(20, 0)); // under 21 bytes
        // 40 group boxes titled by 40 static texts (entries: label, group box, no mnemonic, flag 4).
        std::vector<ItemSpec> groups;
        std::vector<uint8_t> table = {0, 0, 40, 0};
        for (int g = 0; g < 40; ++g) {
            groups.push_back({MakeRect(10 + g, 10, 26 + g, 100), statText, "Group"});
            groups.push_back({MakeRect(10 + g, 120, 60 + g, 300), userItem, ""});
            table.insert(table.end(), {uint8_t(2 * g + 1), uint8_t(2 * g + 2), 0, 4});
        }
        Add(kDLOG, 133, Template(MakeRect(50, 50, 300, 400), 133, "Groups", 0));
        Add(kDITL, 133, ListBytes(groups, 79));
        Add(kZELD, 133, table);
        CloseResFile(ref);
        sRef = OpenResFile(P("dialogs_test.rsr").c_str());
        ASSERT_GT(sRef, 0);
        UseResFile(sRef);
    }
    static void TearDownTestSuite()
    {
        CloseResFile(sRef);
        DeleteFileA("dialogs_test.rsr");
    }
    static void Add(ResType type, int16_t id, const std::vector<uint8_t> &bytes) { AddResourceBytes(type, id, bytes); }
    // A 'DLOG' as the library keeps it once loaded (native integers).
    static std::vector<uint8_t> Template(Rect r, int16_t ditl, const std::string &title, uint16_t position)
    {
        std::vector<uint8_t> b(21);
        std::memcpy(&b[0], &r, 8);
        const int16_t procID = 1;
        std::memcpy(&b[8], &procID, 2);
        b[10] = 1;
        b[12] = 0;
        const int32_t refCon = 0x1234;
        std::memcpy(&b[14], &refCon, 4);
        std::memcpy(&b[18], &ditl, 2);
        b[20] = static_cast<uint8_t>(title.size());
        b.insert(b.end(), title.begin(), title.end());
        if (b.size() & 1)
            b.push_back(0);
        if (position) {
            b.resize(b.size() + 2);
            std::memcpy(&b[b.size() - 2], &position, 2);
        }
        return b;
    }
    static int16_t sRef;
};
int16_t DialogResources::sRef;

TEST_F(DialogResources, TemplatesAreReadWithinTheirResources)
{
    DialogPtr d = GetNewDialog(128, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_TRUE(d);
    EXPECT_EQ(0x1234, reinterpret_cast<WindowPeek>(d)->refCon);
    Str255 title;
    GetWTitle(d, title);
    EXPECT_EQ("Centred", std::string(reinterpret_cast<char *>(title + 1), title[0]));
    RECT client, frame;
    GetClientRect(HostMainWindow(), &client);
    const Rect &b = AuxOf(d)->bounds;
    EXPECT_NEAR((client.right - 200) / 2, b.left, 1);
    EXPECT_NEAR((client.bottom - 100) / 2, b.top, 1);
    (void)frame;
    DisposeDialog(d);

    EXPECT_EQ(nullptr, GetNewDialog(999, nullptr, reinterpret_cast<WindowPtr>(-1)));
    EXPECT_EQ(nullptr, GetNewDialog(132, nullptr, reinterpret_cast<WindowPtr>(-1)));

    d = GetNewDialog(130, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_TRUE(d);
    EXPECT_EQ(2, CountDITL(d));
    EXPECT_TRUE(ItemChild(d, 2));
    EXPECT_FALSE(ItemChild(d, 3));
    DisposeDialog(d);

    d = GetNewDialog(131, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_TRUE(d);
    EXPECT_EQ(1, CountDITL(d));
    EXPECT_FALSE(ItemChild(d, 2));
    DisposeDialog(d);
}

// A band of 20 (offset 15): items above it are not built (check boxes against 15), the rest move up 15,
// the first static text above the band becomes the title and the window gains a caption.
TEST_F(DialogResources, TheBandMakesTheTitle)
{
    DialogPtr d = GetNewDialog(129, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_TRUE(d);
    HWND hwnd = DialogHwnd(d);
    EXPECT_EQ("Title from the band", TextOf(hwnd));
    EXPECT_EQ(WS_CAPTION, GetWindowLongA(hwnd, GWL_STYLE) & WS_CAPTION);
    EXPECT_FALSE(ItemChild(d, 1));
    EXPECT_TRUE(ItemChild(d, 2)) << "a check box compares its top with the offset";
    EXPECT_FALSE(ItemChild(d, 3));
    int16_t type;
    Handle h;
    Rect r;
    GetDialogItem(d, 4, &type, &h, &r);
    EXPECT_EQ(25, r.top);
    GetDialogItem(d, 1, &type, &h, &r);
    EXPECT_EQ(kCaptionToken, reinterpret_cast<uint32_t>(h) & 0xFFFFFF00);
    DisposeDialog(d);
}

// A build whose edit control cannot be made gives no dialog and leaves no window behind.
HHOOK sHook;
LRESULT CALLBACK RefuseEdits(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        auto *cbt = reinterpret_cast<CBT_CREATEWNDA *>(lParam);
        if (HIWORD(reinterpret_cast<uintptr_t>(cbt->lpcs->lpszClass)) && !lstrcmpiA(cbt->lpcs->lpszClass, "Edit"))
            return 1;
    }
    return CallNextHookEx(sHook, code, wParam, lParam);
}
TEST_F(Dialogs, AFailedBuildLeavesNothing)
{
    static DialogRecord storage;
    for (void *where : {static_cast<void *>(nullptr), static_cast<void *>(&storage)}) {
        WindowPtr front = FrontWindow(), list = LMGetWindowList();
        sHook = SetWindowsHookExA(WH_CBT, RefuseEdits, nullptr, GetCurrentThreadId());
        Handle items = ItemList({{MakeRect(10, 10, 30, 90), ctrlItem + btnCtrl, "OK"},
                                 {MakeRect(40, 10, 56, 190), editText, "x"}});
        EXPECT_EQ(nullptr, Make(items, where));
        UnhookWindowsHookEx(sHook);
        EXPECT_EQ(front, FrontWindow());
        EXPECT_EQ(list, LMGetWindowList());
        DisposeHandle(items);
    }
}

TEST_F(Dialogs, ListEdits)
{
    Handle items = ItemList({{MakeRect(10, 10, 30, 90), ctrlItem + btnCtrl, "One"},
                             {MakeRect(40, 10, 56, 190), statText, "Two"},
                             {MakeRect(60, 10, 76, 190), statText, "Three"}});
    DialogPtr d = Make(items);
    ASSERT_TRUE(d);
    // Without edit items the default item carries the Windows default style.
    EXPECT_TRUE(GetWindowLongA(ItemChild(d, 1), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_EQ(1, reinterpret_cast<DialogPeek>(d)->editOpen);
    EXPECT_EQ(2, ShortenDITL(d, 0));
    EXPECT_EQ(2, ShortenDITL(d, -3));
    EXPECT_EQ(3, CountDITL(d));
    testing_support::TakeDebugMessages();
    Handle more = ItemList({{MakeRect(80, 10, 96, 190), statText, "Four"}});
    AppendDITL(d, more, appendDITLBottom);
    std::string said;
    for (const std::string &m : testing_support::TakeDebugMessages())
        said += m;
    EXPECT_NE(std::string::npos, said.find("AppendDITL"));
    EXPECT_EQ(3, CountDITL(d));
    AppendDITL(d, more, overlayDITL);
    EXPECT_EQ(4, CountDITL(d));
    EXPECT_EQ("Four", TextOf(ItemChild(d, 4)));
    EXPECT_EQ(1, ShortenDITL(d, 2));
    EXPECT_FALSE(ItemChild(d, 3));
    EXPECT_FALSE(ItemChild(d, 4));
    EXPECT_EQ(-1, ShortenDITL(d, 50));
    EXPECT_EQ(0, CountDITL(d));
    EXPECT_FALSE(ItemChild(d, 1));
    DisposeHandle(more);
    DisposeDialog(d);
}

// Caller storage is the caller's: DisposeDialog frees nothing of it.
TEST_F(Dialogs, CallerStorageStaysTheCallers)
{
    static DialogRecord storage;
    std::memset(&storage, 0x5A, sizeof storage);
    DialogPtr d = Make(ItemList({{MakeRect(10, 10, 30, 90), ctrlItem + btnCtrl, "OK"}}), &storage);
    ASSERT_EQ(reinterpret_cast<DialogPtr>(&storage), d);
    DisposeDialog(d);
    Ptr p = NewPtr(sizeof(DialogRecord)); // the heap still gives out blocks of that size
    EXPECT_TRUE(p);
    DisposePtr(p);
}

// Group titles take slots of their own table; a full table gives slot 0xFF, disposing them all is
// sound, and the next title takes slot 0 again.
TEST_F(DialogResources, GroupTitlesFillTheirTable)
{
    std::vector<DialogPtr> made;
    uint32_t lastToken = 0;
    for (int k = 0; k < 7; ++k) {
        DialogPtr d = GetNewDialog(133, nullptr, reinterpret_cast<WindowPtr>(-1));
        ASSERT_TRUE(d);
        made.push_back(d);
        int16_t type;
        Handle h;
        Rect r;
        GetDialogItem(d, 79, &type, &h, &r);
        lastToken = reinterpret_cast<uint32_t>(h);
        EXPECT_TRUE(ItemChild(d, 80)) << "the group box itself";
    }
    EXPECT_EQ(kGroupTitleToken + 0xFF, lastToken) << "the table is full after 255 titles";
    for (DialogPtr d : made)
        DisposeDialog(d);
    DialogPtr d = GetNewDialog(133, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_TRUE(d);
    int16_t type;
    Handle h;
    Rect r;
    GetDialogItem(d, 1, &type, &h, &r);
    EXPECT_EQ(kGroupTitleToken, reinterpret_cast<uint32_t>(h));
    char text[64] = {};
    GetWindowTextA(ItemChild(d, 2), text, sizeof text);
    EXPECT_STREQ(" Group ", text);
    DisposeDialog(d);
}

// Scaling at 120 dots per inch with session flag 0x40, and none at 96.
TEST_F(Dialogs, ScalingFollowsTheResolution)
{
    const uint32_t old = ZEL_SetFlags(zelFlagDialogScaling, zelFlagDialogScaling, 0, 0);
    SetDialogScreenResolution(120, 120);
    Rect r = MakeRect(10, 22, 30, 42);
    ZEL_ScaleDlgItemRect(1, &r);
    EXPECT_EQ(13, r.top);
    EXPECT_EQ(28, r.left);
    EXPECT_EQ(38, r.bottom);
    EXPECT_EQ(53, r.right);
    ZEL_ScaleDlgItemRect(0, &r);
    EXPECT_EQ(10, r.top);
    EXPECT_EQ(22, r.left);
    EXPECT_EQ(30, r.bottom);
    EXPECT_EQ(42, r.right);
    Point p{-10, -10};
    ZEL_ScaleDlgPoint(1, &p);
    EXPECT_EQ(-13, p.v);
    EXPECT_EQ(-13, p.h);
    SetDialogScreenResolution(96, 96);
    r = MakeRect(10, 22, 30, 42);
    ZEL_ScaleDlgItemRect(1, &r);
    EXPECT_EQ(22, r.left);
    ZEL_SetFlags(zelFlagDialogScaling, old, 0, 0);
}

} // namespace

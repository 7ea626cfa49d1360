// The child windows' procedures: what a child paints leaves its window's update region (overlapping
// items too), clicks on an inactive window's children reach the window, clicks on user items become
// events, untitled check boxes frame their focus, the size box paints only for DrawGrowIcon, the dialog
// key rows of edit items, and owner drawing of pictures, colour icons and list rows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Controls.h"
#include "Dialogs.h"
#include "Icons.h"
#include "Lists.h"
#include "Menus.h"
#include "Resources.h"
#include "Zel.h"
#include "item_lists.h"
#include "qd_fixture.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using namespace dialog_tests;
using testing_support::P;

constexpr ResType kPICT = 0x50494354, kCICN = 0x6369636E, kMENU = 0x4D454E55;
constexpr int16_t kPictureID = 300, kColorIconID = 301, kComboMenuID = 302;
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

HWND ItemChild(DialogPtr d, int item) { return GetDlgItem(HwndOf(d), item); }

void Settle()
{
    for (int i = 0; i < 5; ++i) {
        PumpMessages();
        Sleep(10);
    }
}

// A 40 x 20 picture: green all over, a red block at the top left, a blue one at the bottom right.
Handle MakePicture()
{
    testing_support::DibPort scratch(40, 20);
    SetPor(scratch.port());
    const Rect frame{0, 0, 20, 40};
    PicHandle pic = OpenPicture(&frame);
    const RGBColor red{0xFFFF, 0, 0}, green{0, 0xFFFF, 0}, blue{0, 0, 0xFFFF};
    RGBForeColor(&green);
    PaintRect(&frame);
    RGBForeColor(&red);
    const Rect a{2, 3, 9, 15};
    PaintRect(&a);
    RGBForeColor(&blue);
    const Rect b{11, 22, 18, 37};
    PaintRect(&b);
    ClosePicture();
    return reinterpret_cast<Handle>(pic);
}

// The window's pixels over a client rectangle.
std::vector<COLORREF> WindowPixels(HWND hwnd, const RECT &r)
{
    std::vector<COLORREF> out;
    HDC dc = GetDC(hwnd);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            out.push_back(GetPixel(dc, x, y));
    ReleaseDC(hwnd, dc);
    return out;
}


// Brings the dialog to the front with no update pending and no event queued.
void BringForwardQuiet(DialogPtr d)
{
    SelectWindow(d);
    Settle();
    ClearUpdate(d);
    FlushEvents(everyEvent, 0);
}

// A list of four rows, in its frame, at (100, 150, 164, 270) of the dialog; the dialog is then brought
// forward with nothing pending.
ListHandle ListInFront(DialogPtr d)
{
    SetPor(d);
    Rect view{100, 150, 164, 270};
    Rect data{0, 0, 4, 1};
    ListHandle list = LNew(&view, &data, Point{16, 120}, 0, d, true, false, false, true);
    SetPor(testing_support::WindowManagerPort());
    BringForwardQuiet(d);
    return list;
}

// Takes the dialog's next update event and paints its whole port red between BeginUpdate and EndUpdate,
// as an application's update drawing would; false when no update came.
bool PaintRedOnUpdate(DialogPtr d)
{
    for (int i = 0; i < 20; ++i) {
        EventRecord e{};
        if (GetNextEvent(updateMask, &e) && reinterpret_cast<DialogPtr>(e.message) == d) {
            GrafPtr saved;
            GetPort(&saved);
            SetPor(d);
            BeginUpdate(d);
            const RGBColor red{0xFFFF, 0, 0};
            RGBForeColor(&red);
            PaintRect(&d->portRect);
            EndUpdate(d);
            SetPor(saved);
            return true;
        }
        Settle();
    }
    return false;
}

class ChildProcs : public testing_support::QuickDrawTest {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawTest::SetUpTestSuite();
        const int16_t ref = FreshResourceFile("child_procs_test.rsr");
        ASSERT_GT(ref, 0);
        Handle pic = MakePicture();
        const unsigned char noName[1] = {0};
        AddResource(pic, kPICT, kPictureID, noName);
        AddResourceBytes(kCICN, kColorIconID, testing_support::CheckerColorIconBytes(0xFF));
        MenuHandle colours = NewMenu(kComboMenuID, P("Colours").c_str());
        AppendMen(colours, P("Red;Green;Blue").c_str());
        AddResource(reinterpret_cast<Handle>(colours), kMENU, kComboMenuID, noName);
        CloseResFile(ref);
        sRef = OpenResFile(P("child_procs_test.rsr").c_str());
        ASSERT_GT(sRef, 0);
        UseResFile(sRef);
    }
    static void TearDownTestSuite()
    {
        CloseResFile(sRef);
        DeleteFileA("child_procs_test.rsr");
    }
    void SetUp() override
    {
        QuickDrawTest::SetUp();
        FlushEvents(everyEvent, 0);
    }
    void TearDown() override
    {
        ForwardMouseToLibrary(false);
        for (DialogPtr d : made_)
            DisposeDialog(d);
        Settle();
        FlushEvents(everyEvent, 0);
        QuickDrawTest::TearDown();
    }
    DialogPtr Make(const std::vector<ItemSpec> &items, Rect bounds = MakeRect(60, 60, 300, 460))
    {
        DialogPtr d = NewDialog(nullptr, &bounds, P("Items").c_str(), true, 1, reinterpret_cast<WindowPtr>(-1), false,
                                0, ItemList(items));
        if (d) {
            made_.push_back(d);
            DrawDialog(d);
            Settle();
        }
        return d;
    }
    static int16_t sRef;
    std::vector<DialogPtr> made_;
};
int16_t ChildProcs::sRef;

// A picture item shows what DrawPicture draws of its 'PICT' into a port of the item's size; a colour
// icon the builder made from an 8 x 8 'cicn' (a handle under 128 bytes) plots in its colours.
TEST_F(ChildProcs, PictureAndColourIconItemsDrawTheirImages)
{
    DialogPtr d = Make({{MakeRect(20, 20, 40, 60), picItem, Id(kPictureID)},
                        {MakeRect(60, 20, 68, 28), iconItem, Id(kColorIconID)}});
    ASSERT_TRUE(d);
    SelectWindow(d);
    DrawDialog(d);
    Settle();

    PicHandle pic = reinterpret_cast<PicHandle>(GetResource(kPICT, kPictureID));
    ASSERT_TRUE(pic);
    testing_support::DibPort expected(40, 20);
    SetPor(expected.port());
    const Rect frame{0, 0, 20, 40};
    DrawPicture(pic, &frame);
    SetPor(testing_support::WindowManagerPort());
    const testing_support::ColourLegend legend{{'r', kRed}, {'g', kGreen}, {'b', kBlue}};
    const auto want = testing_support::CaptureImage(40, 20, legend, [&](int x, int y) {
        return expected.surface().Pixel(x, y);
    });
    HDC dc = GetDC(HwndOf(d));
    const auto shown = testing_support::CaptureImage(40, 20, legend, [&](int x, int y) {
        return GetPixel(dc, 20 + x, 20 + y);
    });
    EXPECT_EQ(testing_support::ImageDifference(shown, want), "");

    Handle icon = ItemHandle(d, 2);
    ASSERT_TRUE(icon);
    EXPECT_LT(GetHandleSize(icon), 128) << "the colour icon is told by what the builder made, not by its size";
    testing_support::ImageRows iconWant(8, std::string(8, 'g'));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if ((x + y) % 2 == 0)
                iconWant[y][x] = 'r';
    const auto iconShown = testing_support::CaptureImage(8, 8, legend, [&](int x, int y) {
        return GetPixel(dc, 20 + x, 60 + y);
    });
    ReleaseDC(HwndOf(d), dc);
    EXPECT_EQ(testing_support::ImageDifference(iconShown, iconWant), "");
}

// An owner-drawn list box of no list, item -1 and items past the list's rows draw no cell and do not
// crash; measuring an unknown list box leaves the record.
TEST_F(ChildProcs, ListItemsOutsideTheListDrawNothing)
{
    DialogPtr d = Make({{MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"}});
    ASSERT_TRUE(d);
    SetPor(d);
    Rect view{20, 20, 80, 120};
    Rect data{0, 0, 3, 1};
    Point cell{16, 100};
    ListHandle list = LNew(&view, &data, cell, 0, d, true, false, false, true);
    ASSERT_TRUE(list);
    HWND box = nullptr;
    for (HWND c = GetWindow(HwndOf(d), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (_stricmp(cls, "listbox") == 0)
            box = c;
    }
    ASSERT_TRUE(box);
    testing_support::DibSurface surface(100, 16);
    const UINT id = static_cast<UINT>(GetDlgCtrlID(box));
    for (UINT item : {static_cast<UINT>(-1), 3u, 50u}) {
        SCOPED_TRACE(static_cast<int>(item));
        DRAWITEMSTRUCT di{};
        di.CtlType = ODT_LISTBOX;
        di.CtlID = id;
        di.itemID = item;
        di.itemAction = ODA_DRAWENTIRE;
        di.hwndItem = box;
        di.hDC = surface.dc();
        di.rcItem = RECT{0, 0, 100, 16};
        EXPECT_EQ(1, ZEL_UserItem(HwndOf(d), WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&di)));
        EXPECT_EQ(surface.Pixel(50, 8), RGB(255, 255, 255));
        di.hwndItem = ItemChild(d, 1); // a box that is not the list's
        di.itemID = 0;
        EXPECT_EQ(1, ZEL_UserItem(HwndOf(d), WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&di)));
    }
    MEASUREITEMSTRUCT mi{ODT_LISTBOX, 0xFEEE, 0, 5, 6, 0};
    ZEL_UserItem(HwndOf(d), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mi));
    EXPECT_EQ(5u, mi.itemWidth);
    EXPECT_EQ(6u, mi.itemHeight);
    LDispose(list);
}

// A list of several columns puts one owner-drawn list-box item per row: each row's cells are drawn by
// the list definition when the list box paints, a selected cell in the highlight colours.
TEST_F(ChildProcs, ListRowsDrawTheirCellsOnTheListBoxsPaint)
{
    DialogPtr d = Make({{MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"}});
    ASSERT_TRUE(d);
    SelectWindow(d);
    Settle();
    SetPor(d);
    Rect view{20, 20, 68, 120};
    Rect data{0, 0, 3, 2};
    ListHandle list = LNew(&view, &data, Point{16, 50}, 0, d, true, false, false, false);
    ASSERT_TRUE(list);
    for (int16_t v = 0; v < 3; ++v)
        for (int16_t h = 0; h < 2; ++h)
            LSetCell("ab", 2, Cell{v, h}, list);
    LSetSelect(true, Cell{1, 1}, list);
    SetPor(testing_support::WindowManagerPort());
    HWND box = ZEL_GetHWNDFromListHandle(list);
    ASSERT_TRUE(box);
    ASSERT_EQ(GetDlgCtrlID(box) & 0xFF00, 0xFE00) << "one item per row";
    InvalidateRect(box, nullptr, TRUE);
    UpdateWindow(box);
    Settle();

    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), window = GetSysColor(COLOR_WINDOW);
    ASSERT_NE(highlight, window);
    HDC dc = GetDC(HwndOf(d));
    const struct {
        int16_t v, h;
        COLORREF colour;
    } cells[] = {{1, 1, highlight}, {1, 0, window}, {0, 1, window}, {2, 1, window}};
    for (const auto &c : cells) {
        SCOPED_TRACE(testing::Message() << "cell " << c.v << "," << c.h);
        // Right of the cell's text, below its top.
        EXPECT_EQ(GetPixel(dc, view.left + c.h * 50 + 44, view.top + c.v * 16 + 3), c.colour);
    }
    ReleaseDC(HwndOf(d), dc);
    LDispose(list);
}

// With overlapping items, the application's red over the whole port between BeginUpdate and
// EndUpdate reaches only what no child painted: the children keep their own pixels.
TEST_F(ChildProcs, ChildrenKeepWhatTheyPaintFromTheUpdateDrawing)
{
    DialogPtr d = Make({{MakeRect(20, 20, 40, 120), statText, "First"},
                        {MakeRect(30, 60, 50, 200), statText, "Second"},
                        {MakeRect(80, 20, 100, 100), statText, "Third"}});
    ASSERT_TRUE(d);
    ASSERT_TRUE(AuxOf(d)->stateFlags & wsfItemsOverlap) << "the builder marks overlapping items";
    BringForwardQuiet(d);

    SetPor(d);
    InvalRect(&d->portRect);
    SetPor(testing_support::WindowManagerPort());
    Settle();
    ASSERT_TRUE(PaintRedOnUpdate(d));

    std::vector<RECT> children;
    for (int item = 1; item <= 3; ++item)
        children.push_back(WindowRectInParent(ItemChild(d, item)));
    RECT client;
    GetClientRect(HwndOf(d), &client);
    // Every fourth pixel: 'c' inside a child and not red, '#' outside and red.
    HDC dc = GetDC(HwndOf(d));
    testing_support::ImageRows shown, want;
    for (int y = 0; y < client.bottom; y += 4) {
        std::string s, w;
        for (int x = 0; x < client.right; x += 4) {
            bool inside = false;
            for (const RECT &r : children)
                inside = inside || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
            const bool red = GetPixel(dc, x, y) == kRed;
            w += inside ? 'c' : '#';
            s += inside ? (red ? 'X' : 'c') : (red ? '#' : 'o');
        }
        shown.push_back(s);
        want.push_back(w);
    }
    ReleaseDC(HwndOf(d), dc);
    EXPECT_EQ(testing_support::ImageDifference(shown, want), "");
}

// Where items overlap (the window's flag), an item's paint leaves the later items' rectangles in the
// update region: with only the first of two overlapping texts repainted (the first lying above), the
// update drawing covers their common part; without the flag the first text keeps it.
TEST_F(ChildProcs, OverlappingItemsLeaveTheLaterItemsArea)
{
    for (bool overlap : {true, false}) {
        SCOPED_TRACE(overlap ? "items overlap" : "no overlap flag");
        DialogPtr d = Make({{MakeRect(20, 20, 40, 120), statText, "First"},
                            {MakeRect(30, 60, 50, 200), statText, "Second"}});
        ASSERT_TRUE(d);
        // The builder marks overlapping items; the case without the mark takes it away.
        if (!overlap)
            AuxOf(d)->stateFlags &= ~wsfItemsOverlap;
        ASSERT_EQ((AuxOf(d)->stateFlags & wsfItemsOverlap) != 0, overlap);
        // The first text lies above the second, so that its own update region holds their common part.
        SetWindowPos(ItemChild(d, 2), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        BringForwardQuiet(d);
        SetPor(d);
        InvalRect(&d->portRect);
        ValidateRect(ItemChild(d, 2), nullptr); // only the first text repaints, all of it
        InvalidateRect(ItemChild(d, 1), nullptr, TRUE);
        SetPor(testing_support::WindowManagerPort());
        Settle();
        ASSERT_TRUE(PaintRedOnUpdate(d));
        RECT first = WindowRectInParent(ItemChild(d, 1)), second = WindowRectInParent(ItemChild(d, 2)), common;
        ASSERT_TRUE(IntersectRect(&common, &first, &second));
        HDC dc = GetDC(HwndOf(d));
        EXPECT_EQ(GetPixel(dc, (common.left + common.right) / 2, (common.top + common.bottom) / 2) == kRed, overlap);
        EXPECT_NE(GetPixel(dc, first.left + 2, first.top + 2), kRed) << "the first text's own part";
        ReleaseDC(HwndOf(d), dc);
        DisposeDialog(d);
        made_.pop_back();
        Settle();
    }
}

// A list box's paint leaves its own place in its window's update region, wherever the list lies.
TEST_F(ChildProcs, AListBoxKeepsWhatItPaintsFromTheUpdateDrawing)
{
    DialogPtr d = Make({{MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"}});
    ASSERT_TRUE(d);
    ListHandle list = ListInFront(d);
    ASSERT_TRUE(list);
    SetPor(d);
    InvalRect(&d->portRect);
    SetPor(testing_support::WindowManagerPort());
    Settle();
    ASSERT_TRUE(PaintRedOnUpdate(d));
    const RECT box = WindowRectInParent(ZEL_GetHWNDFromListHandle(list));
    HDC dc = GetDC(HwndOf(d));
    EXPECT_NE(GetPixel(dc, (box.left + box.right) / 2, (box.top + box.bottom) / 2), kRed);
    EXPECT_EQ(GetPixel(dc, 5, 5), kRed) << "the list's region taken at the window's corner";
    EXPECT_EQ(GetPixel(dc, box.left - 5, box.top + 5), kRed);
    ReleaseDC(HwndOf(d), dc);
    LDispose(list);
}

// Damage that Windows has not reported to the window yet (nothing invalidated on the port): children
// that repaint before their window does keep what they painted, a list box's frame included, from the
// update drawing that follows; the rest of the damage is painted.
TEST_F(ChildProcs, ChildrenPaintedBeforeTheirWindowKeepTheirPixels)
{
    DialogPtr d = Make({{MakeRect(20, 20, 40, 120), statText, "First"}});
    ASSERT_TRUE(d);
    ListHandle list = ListInFront(d);
    ASSERT_TRUE(list);
    ASSERT_FALSE(AuxOf(d)->createFlags & wcfUpdatePending);
    HWND text = ItemChild(d, 1), box = ZEL_GetHWNDFromListHandle(list);
    InvalidateRect(HwndOf(d), nullptr, FALSE);
    RedrawWindow(text, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
    Settle();
    ASSERT_TRUE(PaintRedOnUpdate(d));
    const RECT textAt = WindowRectInParent(text), boxAt = WindowRectInParent(box);
    HDC dc = GetDC(HwndOf(d));
    EXPECT_NE(GetPixel(dc, (textAt.left + textAt.right) / 2, (textAt.top + textAt.bottom) / 2), kRed) << "the text";
    EXPECT_NE(GetPixel(dc, (boxAt.left + boxAt.right) / 2, (boxAt.top + boxAt.bottom) / 2), kRed) << "the list";
    EXPECT_NE(GetPixel(dc, boxAt.left, (boxAt.top + boxAt.bottom) / 2), kRed) << "the list's frame";
    EXPECT_EQ(GetPixel(dc, boxAt.left - 1, (boxAt.top + boxAt.bottom) / 2), kRed);
    EXPECT_EQ(GetPixel(dc, 5, 5), kRed);
    ReleaseDC(HwndOf(d), dc);
    LDispose(list);
}

// A combo box that keeps a menu shows the menu's item texts as they are each time it gets the focus.
TEST_F(ChildProcs, AComboBoxRefillsFromItsMenuOnTheFocus)
{
    DialogPtr d = Make({{MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"}});
    ASSERT_TRUE(d);
    const uint16_t ids[4] = {0xFFFF, 0xFFFF, 102, 0xFFFF};
    ZEL_SetWin95ControlIDs(ids, 4);
    Rect r = MakeRect(20, 20, 40, 160);
    ControlHandle combo = NewControl(d, &r, P("Colour").c_str(), true, 0, 0, 0, 102 * 16, kComboMenuID);
    ZEL_SetWin95ControlIDs(nullptr, 4);
    ASSERT_TRUE(combo);
    HWND box = ZEL_ControlToHWND(combo);
    MenuHandle menu = GetMen(kComboMenuID);
    ASSERT_TRUE(menu);
    SendMessageA(box, CB_SETCURSEL, 1, 0);
    SetMenuItemText(menu, 2, P("Teal").c_str());
    SetFocus(ItemChild(d, 1));
    SetFocus(box);
    char text[32] = {};
    SendMessageA(box, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Teal");
    EXPECT_EQ(SendMessageA(box, CB_GETCURSEL, 0, 0), 1) << "the selection stays";
    SetMenuItemText(menu, 2, P("Green").c_str());
    DisposeControl(combo);
}

std::vector<UINT> sClickNotes;
WNDPROC sParentProc;
LRESULT CALLBACK CommandSpy(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && lParam && HIWORD(wParam) == BN_CLICKED)
        sClickNotes.push_back(LOWORD(wParam));
    return CallWindowProcA(sParentProc, hwnd, message, wParam, lParam);
}

void ClickAt(POINT screen)
{
    SetCursorPos(screen.x, screen.y);
    Settle();
    MouseButton(true);
    MouseButton(false);
    Settle();
}

// With dialog A in front, a click on dialog B's push button reaches B's window as a mouse-down where it
// was made, and the button is not pressed.
TEST_F(ChildProcs, AClickOnAnInactiveWindowsButtonReachesTheWindow)
{
    Watchdog watchdog;
    ForwardMouseToLibrary(true);
    DialogPtr b = Make({{MakeRect(20, 20, 40, 100), ctrlItem + btnCtrl, "Push"}}, MakeRect(100, 480, 260, 700));
    DialogPtr a = Make({{MakeRect(20, 20, 40, 100), ctrlItem + btnCtrl, "Front"}}, MakeRect(100, 60, 260, 400));
    ASSERT_TRUE(a && b);
    SelectWindow(a);
    Settle();
    ASSERT_EQ(FrontWindow(), a);
    ASSERT_FALSE(reinterpret_cast<WindowPeek>(b)->hilited);
    sParentProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(HwndOf(b), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CommandSpy)));
    sClickNotes.clear();
    FlushEvents(everyEvent, 0);

    RECT button;
    GetWindowRect(ItemChild(b, 1), &button);
    const POINT at{button.left + 10, button.top + 8};
    ClickAt(at);
    SetWindowLongPtrA(HwndOf(b), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sParentProc));

    EventRecord e{};
    ASSERT_TRUE(GetNextEvent(mDownMask, &e));
    POINT global = at; // where is global: in the host's client area
    ScreenToClient(HostMainWindow(), &global);
    EXPECT_EQ(e.where.h, global.x);
    EXPECT_EQ(e.where.v, global.y);
    WindowPtr hit = nullptr;
    EXPECT_EQ(FindWindo(e.where, &hit), inContent);
    EXPECT_EQ(hit, b);
    EXPECT_TRUE(sClickNotes.empty()) << "the button was pressed";
}

void ZEL_CALL DrawNothing(DialogPtr, int16_t) {}

// A press and a release on a user item are a mouse-down and a mouse-up at the item's local point,
// whether they reach the item's child or the dialog.
TEST_F(ChildProcs, ClicksOnAUserItemAreEventsAtItsLocalPoint)
{
    ForwardMouseToLibrary(true);
    DialogPtr d = Make({{MakeRect(40, 50, 80, 150), userItem, ""}});
    ASSERT_TRUE(d);
    SelectWindow(d);
    Settle();
    Rect r = ItemRect(d, 1);
    SetDialogItem(d, 1, userItem, reinterpret_cast<Handle>(&DrawNothing), &r);
    FlushEvents(everyEvent, 0);

    // Straight to the child's procedure, in its client coordinates.
    HWND child = ItemChild(d, 1);
    ASSERT_TRUE(child);
    SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 9));
    SendMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(7, 9));
    // Through real input at the item's centre.
    Watchdog watchdog;
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(HwndOf(d), &centre);
    ClickAt(centre);

    const struct {
        uint16_t what;
        Point local;
    } expected[] = {
        {mouseDown, Point{static_cast<int16_t>(r.top + 9), static_cast<int16_t>(r.left + 7)}},
        {mouseUp, Point{static_cast<int16_t>(r.top + 9), static_cast<int16_t>(r.left + 7)}},
        {mouseDown, Point{static_cast<int16_t>((r.top + r.bottom) / 2), static_cast<int16_t>((r.left + r.right) / 2)}},
        {mouseUp, Point{static_cast<int16_t>((r.top + r.bottom) / 2), static_cast<int16_t>((r.left + r.right) / 2)}},
    };
    SetPor(d);
    for (const auto &want : expected) {
        SCOPED_TRACE(want.what);
        EventRecord e{};
        ASSERT_TRUE(GetNextEvent(mDownMask | mUpMask, &e));
        EXPECT_EQ(e.what, want.what);
        Point local = e.where;
        GlobalToLocal(&local);
        EXPECT_EQ(local.h, want.local.h);
        EXPECT_EQ(local.v, want.local.v);
    }
}

// A library button moved under a host window, and a custom control whose child text no longer names
// it, take clicks without reaching a window record.
TEST_F(ChildProcs, ClicksOnChildrenThatNoLongerBelongDoNothingHarmful)
{
    DialogPtr d = Make({{MakeRect(20, 20, 40, 100), ctrlItem + btnCtrl, "Push"}});
    ASSERT_TRUE(d);
    Rect r = MakeRect(60, 20, 80, 140);
    ControlHandle popup = NewControl(d, &r, P("Pop").c_str(), true, 0, 0, 40, 1008, 0);
    ASSERT_TRUE(popup);
    HWND custom = ZEL_ControlToHWND(popup);
    ASSERT_TRUE(custom);
    HideWindow(d); // not visible: clicks would go to the window
    Settle();
    FlushEvents(everyEvent, 0);

    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 600, 400, 200, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(host);
    HWND button = ItemChild(d, 1);
    SetParent(button, host);
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageA(button, WM_CANCELMODE, 0, 0);
    SetParent(button, HwndOf(d));
    EventRecord none{};
    EXPECT_FALSE(GetNextEvent(mDownMask | mUpMask, &none)) << "a button under a host window forwards nothing";

    ShowWindow(d);
    SelectWindow(d);
    Settle();
    FlushEvents(everyEvent, 0);
    // The text of another window's custom control names a control, but not one of this window.
    DialogPtr other = Make({{MakeRect(20, 20, 40, 100), ctrlItem + btnCtrl, "OK"}}, MakeRect(100, 480, 200, 700));
    ASSERT_TRUE(other);
    ControlHandle foreign = NewControl(other, &r, P("Pop").c_str(), true, 0, 0, 40, 1008, 0);
    ASSERT_TRUE(foreign);
    char foreignText[16] = {};
    GetWindowTextA(ZEL_ControlToHWND(foreign), foreignText, sizeof foreignText);
    SelectWindow(d);
    Settle();
    FlushEvents(everyEvent, 0);
    for (const char *text : {"zzzzzz", "", "@@AAAA", static_cast<const char *>(foreignText)}) {
        SCOPED_TRACE(text);
        SetWindowTextA(custom, text);
        SendMessageA(custom, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(custom, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        SendMessageA(custom, WM_CANCELMODE, 0, 0);
        EventRecord e{};
        EXPECT_FALSE(GetNextEvent(mDownMask, &e)) << "a text naming no control of the window makes no event";
    }
    DestroyWindow(host);
}

// Tabbing to a check box without a title frames its box: only the frame's pixels change, and they
// change back when the focus leaves.
TEST_F(ChildProcs, AnUntitledCheckBoxFramesItsFocus)
{
    DialogPtr d = Make({{MakeRect(20, 20, 40, 100), ctrlItem + btnCtrl, "OK"},
                        {MakeRect(60, 40, 76, 60), ctrlItem + chkCtrl, ""}});
    ASSERT_TRUE(d);
    SelectWindow(d);
    ZEL_SetItemFocus(d, 1);
    Settle();
    RECT client;
    GetClientRect(HwndOf(d), &client);
    const auto before = WindowPixels(HwndOf(d), client);
    ASSERT_EQ(ZEL_SetItemFocus(d, 2), 1);
    Settle();
    const auto focused = WindowPixels(HwndOf(d), client);

    const Rect item = ItemRect(d, 2);
    HDC screen = GetDC(nullptr);
    const int side = (13 * GetDeviceCaps(screen, LOGPIXELSX) + 48) / 96 + 4;
    ReleaseDC(nullptr, screen);
    const RECT frame{item.left - 2, item.top, item.left - 2 + side, item.top + side};
    // The OK button loses its own focus look; every other change is the check box's frame.
    const RECT okButton = WindowRectInParent(ItemChild(d, 1));
    int changed = 0, stray = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) {
            const size_t i = static_cast<size_t>(y) * client.right + x;
            if (before[i] == focused[i] || PtInRect(&okButton, POINT{x, y}))
                continue;
            ++changed;
            const bool onFrame = (x == frame.left || x == frame.right - 1 || y == frame.top || y == frame.bottom - 1) &&
                                 x >= frame.left && x < frame.right && y >= frame.top && y < frame.bottom;
            stray += !onFrame;
        }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(stray, 0);
    ZEL_SetItemFocus(d, 1);
    Settle();
    EXPECT_EQ(WindowPixels(HwndOf(d), client), before) << "the frame stays after the focus left";
}

// The button focus hook hears of every library button that gains the focus, with its control ID.
std::vector<int16_t> sFocusHookIDs;
void ZEL_CALL NoteButtonFocus(HWND, int16_t id) { sFocusHookIDs.push_back(id); }

TEST_F(ChildProcs, TheButtonFocusHookHearsOfButtonsGainingTheFocus)
{
    DialogPtr d = Make({{MakeRect(20, 20, 40, 100), ctrlItem + btnCtrl, "OK"},
                        {MakeRect(60, 20, 76, 120), ctrlItem + chkCtrl, "Box"},
                        {MakeRect(90, 20, 106, 120), editText, "Edit"}});
    ASSERT_TRUE(d);
    ZEL_SetButtonFocusHookProc(NoteButtonFocus);
    sFocusHookIDs.clear();
    SetFocus(ItemChild(d, 2));
    SetFocus(ItemChild(d, 3));
    SetFocus(ItemChild(d, 1));
    ZEL_SetButtonFocusHookProc(nullptr);
    SetFocus(ItemChild(d, 2));
    EXPECT_EQ(sFocusHookIDs, (std::vector<int16_t>{2, 1}));
}

// Under the three-dimensional look a resizable window's size box paints only when DrawGrowIcon draws
// it: a repaint of its own leaves what was under it.
TEST_F(ChildProcs, TheSizeBoxPaintsOnlyForDrawGrowIcon)
{
    if (!ThreeDLook())
        GTEST_SKIP() << "no size box without the three-dimensional look";
    WindowPtr w = MakeWindow(documentProc, 60, 60, 200, 120);
    ASSERT_TRUE(w);
    HWND box = GetDlgItem(HwndOf(w), 0x5A5A);
    ASSERT_TRUE(box);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(box, GWLP_WNDPROC)), A_SizeBoxWndProc);
    SelectWindow(w);
    Settle();
    const RECT area = WindowRectInParent(box);
    RECT inner{0, 0, area.right - area.left, area.bottom - area.top};
    auto allGreen = [&] {
        for (COLORREF c : WindowPixels(box, inner))
            if (c != kGreen)
                return false;
        return true;
    };
    HDC dc = GetDC(HwndOf(w));
    HBRUSH green = CreateSolidBrush(kGreen);
    FillRect(dc, &area, green);
    ReleaseDC(HwndOf(w), dc);
    InvalidateRect(box, nullptr, TRUE);
    UpdateWindow(box);
    EXPECT_TRUE(allGreen()) << "the size box painted on its own";

    SetPor(w);
    DrawGrowIcon(w);
    SetPor(testing_support::WindowManagerPort());
    EXPECT_FALSE(allGreen()) << "DrawGrowIcon did not show the size box";
    DeleteObject(green);
    DisposeWindow(w);
}

// Return in a focused multi-line edit item makes a new line and reaches the hook's target too; in a
// single-line one it only reaches the target; the keypad's Enter never reaches a multi-line edit.
TEST_F(ChildProcs, ReturnInEditItems)
{
    Watchdog watchdog;
    DialogPtr d = Make({{MakeRect(20, 20, 100, 200), editText, "ab"}, {MakeRect(120, 20, 136, 200), editText, "cd"}});
    ASSERT_TRUE(d);
    SelectWindow(d);
    SetForegroundWindow(HostMainWindow());
    Settle();
    const struct {
        const char *name;
        int item;
        bool keypad;
        bool newLine;
    } cases[] = {
        {"Return, multi-line", 1, false, true},
        {"Return, single-line", 2, false, false},
        {"keypad Enter, multi-line", 1, true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HWND edit = ItemChild(d, c.item);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 1, 1);
        const std::string before = WindowText(edit);
        Settle();
        TakeMessages(WM_KEYDOWN);
        TakeMessages(WM_KEYUP);
        INPUT in[2]{};
        for (INPUT &i : in) {
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = VK_RETURN;
            i.ki.dwFlags = c.keypad ? KEYEVENTF_EXTENDEDKEY : 0;
        }
        in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        Settle();
        std::vector<HostMessage> toTarget = TakeMessages(WM_KEYDOWN);
        ASSERT_EQ(toTarget.size(), 1u);
        EXPECT_EQ(toTarget[0].wParam, static_cast<WPARAM>(VK_RETURN));
        const std::string after = WindowText(edit);
        EXPECT_EQ(after != before, c.newLine) << "'" << after << "'";
        if (c.newLine) {
            EXPECT_NE(after.find("\r\n"), std::string::npos);
        }
        TakeMessages(WM_KEYUP);
    }
}

} // namespace

namespace {

// The dialog key hook's rows by the kind of the focused item: which keys also reach the hook's target.
TEST_F(ChildProcs, KeysReachTheTargetByTheFocusedItemsKind)
{
    Watchdog watchdog;
    DialogPtr d = Make({{MakeRect(40, 20, 60, 100), userItem, ""},
                        {MakeRect(80, 20, 96, 200), editText, "text"},
                        {MakeRect(200, 300, 220, 380), ctrlItem + btnCtrl, "OK"}});
    ASSERT_TRUE(d);
    SelectWindow(d);
    SetPor(d);
    Rect view{120, 20, 168, 120};
    Rect data{0, 0, 3, 1};
    ListHandle list = LNew(&view, &data, Point{16, 100}, 0, d, true, false, false, true);
    ASSERT_TRUE(list);
    SetPor(testing_support::WindowManagerPort());
    // A user item's child is made disabled; a host that wants its keys enables it.
    EnableWindow(ItemChild(d, 1), TRUE);
    SetForegroundWindow(HostMainWindow());
    Settle();
    const struct {
        const char *name;
        HWND focus;
        WORD vk;
        bool toTarget;
    } rows[] = {
        {"user item, arrow", ItemChild(d, 1), VK_DOWN, false},
        {"user item, letter", ItemChild(d, 1), 'A', false},
        {"list, arrow", ZEL_GetHWNDFromListHandle(list), VK_DOWN, false},
        {"edit, arrow", ItemChild(d, 2), VK_LEFT, true},
        {"edit, letter", ItemChild(d, 2), 'A', false},
        {"button, letter", ItemChild(d, 3), 'A', true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        SetFocus(row.focus);
        ASSERT_EQ(GetFocus(), row.focus);
        Settle();
        TakeMessages(WM_KEYDOWN);
        TakeMessages(WM_KEYUP);
        SendKeys({row.vk});
        Settle();
        bool forwarded = false;
        for (const HostMessage &m : TakeMessages(WM_KEYDOWN))
            forwarded = forwarded || m.wParam == row.vk;
        EXPECT_EQ(forwarded, row.toTarget);
        TakeMessages(WM_KEYUP);
    }
    LDispose(list);
}

} // namespace

// Owner-drawn menu items drawn through ZEL_MenuUserItem into a DIB section, checked pixel by pixel; their
// measures; pop-ups laid out in columns by the standard definition procedure; the Help and Desk Manager
// entry points.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "Balloons.h"
#include "Desk.h"
#include "Events.h"
#include "MacWindows.h"
#include "Resources.h"
#include "menu_bar_fixture.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {
using namespace menu_tests;
using testing_support::CaptureImage;
using testing_support::DibSurface;
using testing_support::ImageDifference;

struct BuiltItem {
    UINT id;
    ULONG_PTR data;
};

BuiltItem ItemOf(HMENU menu, int position)
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_DATA | MIIM_FTYPE;
    GetMenuItemInfoA(menu, position, TRUE, &info);
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << "item " << position;
    return BuiltItem{info.wID, info.dwItemData};
}

// Sends WM_DRAWITEM for an item of the built menu into a surface, the item filling it.
int32_t DrawItem(const BuiltItem &item, DibSurface &surface, UINT state, UINT action = ODA_DRAWENTIRE)
{
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_MENU;
    di.itemID = item.id;
    di.itemAction = action;
    di.itemState = state;
    di.hDC = surface.dc();
    di.rcItem = RECT{0, 0, surface.width(), surface.height()};
    di.itemData = item.data;
    return ZEL_MenuUserItem(HostWindow(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&di));
}

// Sends WM_DRAWITEM for the whole item into a window's DC, the item at `rect`.
int32_t DrawItemInto(const BuiltItem &item, HDC dc, RECT rect)
{
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_MENU;
    di.itemID = item.id;
    di.itemAction = ODA_DRAWENTIRE;
    di.hDC = dc;
    di.rcItem = rect;
    di.itemData = item.data;
    return ZEL_MenuUserItem(HostWindow(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&di));
}

// A bar menu with its own definition procedure, inserted into the bar and mirrored; and its removal.
MenuHandle InsertOwnProcedureMenu(int16_t id, const char *title, const char *items, MenuDefProcPtr proc)
{
    MenuHandle own = NewMenu(id, P(title).c_str());
    AppendMen(own, P(items).c_str());
    Handle mdef = NewHandleClear(6);
    std::memcpy(*mdef + 2, &proc, sizeof proc);
    (*own)->menuProc = mdef;
    InsertMen(own, 0);
    DrawMenuBa();
    return own;
}

void RemoveOwnProcedureMenu(MenuHandle own)
{
    DeleteMen((*own)->menuID);
    Handle mdef = (*own)->menuProc;
    (*own)->menuProc = nullptr;
    DisposeHandle(mdef);
    DisposeMenu(own);
}

SIZE MeasureItem(const BuiltItem &item)
{
    MEASUREITEMSTRUCT mi{};
    mi.CtlType = ODT_MENU;
    mi.itemID = item.id;
    mi.itemData = item.data;
    EXPECT_EQ(ZEL_MenuUserItem(HostWindow(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mi)), 1);
    return SIZE{static_cast<LONG>(mi.itemWidth), static_cast<LONG>(mi.itemHeight)};
}

int CountPixels(const DibSurface &s, COLORREF colour, RECT within)
{
    int n = 0;
    for (int y = within.top; y < within.bottom; ++y)
        for (int x = within.left; x < within.right; ++x)
            n += s.Pixel(x, y) == colour;
    return n;
}

POINT CheckSize() { return POINT{GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK)}; }

// A menu of owner-drawn items in the bar, built into the frame's menu: its Windows items carry the
// item-table entries the drawing calls take.
class OwnerDrawn : public MenuBar {
protected:
    void SetUp() override
    {
        MenuBar::SetUp();
        testing_support::QuickDrawGlobals();
        // The 'SICN' of item 5 comes from a resource file: a 16 x 16 icon, its rows alternating.
        SetResLoad(true);
        DeleteFileA("menu_icons.rsr");
        CreateResFile(P("menu_icons.rsr").c_str());
        ref_ = OpenResFile(P("menu_icons.rsr").c_str());
        UseResFile(ref_);
        Handle sicn = NewHandleClear(32);
        for (int row = 0; row < 16; ++row) {
            (*sicn)[2 * row] = static_cast<char>(row % 2 ? 0xFF : 0x00);
            (*sicn)[2 * row + 1] = static_cast<char>(row % 2 ? 0xFF : 0xF0);
        }
        AddResource(sicn, 0x5349434E, 257, P("").c_str());
        menu_ = NewMenu(170, P("Draw").c_str());
        AppendMen(menu_, P("Plain<B;(Grayed<B;Checked<B;Icon^1; <B;Small^1").c_str());
        CheckItem(menu_, 3, true);
        SetItemCmd(menu_, 6, 0x1E);
        InsertMen(menu_, 0);
        DrawMenuBa();
        built_ = GetSubMenu(frame_, 3);
        ASSERT_NE(built_, nullptr);
    }
    void TearDown() override
    {
        DeleteMen(170);
        DisposeMenu(menu_);
        CloseResFile(ref_);
        DeleteFileA("menu_icons.rsr");
        MenuBar::TearDown();
    }
    MenuHandle menu_;
    HMENU built_;
    int16_t ref_;
};

TEST_F(OwnerDrawn, ItemColoursByState)
{
    struct Case {
        const char *what;
        int position;
        UINT state;
        int back, fore;
    } const cases[] = {
        {"plain", 0, 0, COLOR_MENU, COLOR_MENUTEXT},
        {"selected", 0, ODS_SELECTED, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
        {"grayed", 1, ODS_GRAYED, COLOR_MENU, COLOR_GRAYTEXT},
        {"selected and grayed", 1, ODS_SELECTED | ODS_GRAYED, COLOR_HIGHLIGHT, COLOR_GRAYTEXT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DibSurface surface(120, 20, RGB(1, 2, 3));
        ASSERT_EQ(DrawItem(ItemOf(built_, c.position), surface, c.state), 1);
        const COLORREF back = GetSysColor(c.back), fore = GetSysColor(c.fore);
        // Every pixel is the background but the text's, and the text is there in its colour.
        const RECT all{0, 0, 120, 20};
        EXPECT_EQ(CountPixels(surface, RGB(1, 2, 3), all), 0);
        EXPECT_GT(CountPixels(surface, fore, all), 10);
        EXPECT_EQ(CountPixels(surface, back, RECT{100, 0, 120, 20}), 20 * 20) << "right of the text";
    }
}

TEST_F(OwnerDrawn, CheckMarkAtTheFirstMargin)
{
    DibSurface surface(120, 24);
    ASSERT_EQ(DrawItem(ItemOf(built_, 2), surface, 0), 1);
    // The system's check-mark bitmap, copied in the item's colours, vertically centred at x = margin 0.
    HBITMAP check = LoadBitmapA(nullptr, reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(32760)));
    BITMAP bm{};
    GetObjectA(check, sizeof bm, &bm);
    DibSurface expected(bm.bmWidth, bm.bmHeight);
    SetTextColor(expected.dc(), GetSysColor(COLOR_MENUTEXT));
    SetBkColor(expected.dc(), GetSysColor(COLOR_MENU));
    HDC mem = CreateCompatibleDC(expected.dc());
    HGDIOBJ old = SelectObject(mem, check);
    BitBlt(expected.dc(), 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(check);
    const int top = (24 - bm.bmHeight) / 2;
    const int width = bm.bmWidth < CheckSize().x ? bm.bmWidth : CheckSize().x; // the text starts after it
    const testing_support::ColourLegend legend{{'.', GetSysColor(COLOR_MENU)}, {'#', GetSysColor(COLOR_MENUTEXT)}};
    EXPECT_EQ(ImageDifference(CaptureImage(width, bm.bmHeight, legend,
                                           [&](int x, int y) { return surface.Pixel(x, top + y); }),
                              CaptureImage(width, bm.bmHeight, legend,
                                           [&](int x, int y) { return expected.Pixel(x, y); })),
              "");
}

TEST_F(OwnerDrawn, SmallIconInItsBox)
{
    DibSurface surface(120, 20);
    ASSERT_EQ(DrawItem(ItemOf(built_, 5), surface, 0), 1);
    const int left = CheckSize().x; // both platform margins are 0 under Windows NT
    const testing_support::ColourLegend legend{{'.', GetSysColor(COLOR_MENU)}, {'#', GetSysColor(COLOR_MENUTEXT)}};
    testing_support::ImageRows expected(16, std::string(16, '.'));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (y % 2 ? true : (x >= 8 && x < 12))
                expected[y][x] = '#';
    EXPECT_EQ(ImageDifference(CaptureImage(16, 16, legend, [&](int x, int y) { return surface.Pixel(left + x, 1 + y); }),
                              expected),
              "");
}

// A 'cicn' for the icon item: 8 x 8, red where x + y is even and green elsewhere, its mask leaving the
// two left columns out. The item shows the colours through the mask, the menu's colour in the holes.
TEST_F(OwnerDrawn, ColourIconThroughItsMask)
{
    const int w = 8, h = 8;
    const std::vector<uint8_t> bytes = testing_support::CheckerColorIconBytes(0x3F);
    Handle cicn = NewHandle(static_cast<Size>(bytes.size()));
    std::memcpy(*cicn, bytes.data(), bytes.size());
    UseResFile(ref_);
    AddResource(cicn, 0x6369636E, 257, P("").c_str());

    DibSurface surface(120, 20);
    ASSERT_EQ(DrawItem(ItemOf(built_, 3), surface, 0), 1);
    const int left = CheckSize().x, top = (20 - h) / 2;
    const testing_support::ColourLegend legend{
        {'.', GetSysColor(COLOR_MENU)}, {'r', RGB(255, 0, 0)}, {'g', RGB(0, 255, 0)}};
    testing_support::ImageRows expected(h, std::string(w, '.'));
    for (int y = 0; y < h; ++y)
        for (int x = 2; x < w; ++x)
            expected[y][x] = (x + y) % 2 == 0 ? 'r' : 'g';
    EXPECT_EQ(ImageDifference(CaptureImage(w, h, legend, [&](int x, int y) { return surface.Pixel(left + x, top + y); }),
                              expected),
              "");
    RemoveResource(cicn);
    DisposeHandle(cicn);
}

TEST_F(OwnerDrawn, Measures)
{
    // An icon without 'cicn' is 32 pixels high: the item 34.
    EXPECT_EQ(MeasureItem(ItemOf(built_, 3)).cy, 34);
    // A one-blank text measures 0 by 16.
    const SIZE blank = MeasureItem(ItemOf(built_, 4));
    EXPECT_EQ(blank.cy, 18);
    EXPECT_EQ(blank.cx, CheckSize().x + 17);
}

TEST_F(OwnerDrawn, ItemsThatAreNotTheLibrarys)
{
    DibSurface surface(40, 10, RGB(1, 2, 3));
    // Item data outside the table, and an empty entry (the menu's entries removed): nothing is drawn.
    EXPECT_EQ(DrawItem(BuiltItem{0x0100, 0x7FFF}, surface, 0), 0);
    const BuiltItem plain = ItemOf(built_, 0);
    DeleteMen(170);
    EXPECT_EQ(DrawItem(plain, surface, 0), 0);
    MEASUREITEMSTRUCT mi{};
    mi.CtlType = ODT_MENU;
    mi.itemData = plain.data;
    EXPECT_EQ(ZEL_MenuUserItem(HostWindow(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mi)), 0);
    EXPECT_EQ(CountPixels(surface, RGB(1, 2, 3), RECT{0, 0, 40, 10}), 400);
}

// ---- Pop-ups ----
WNDPROC sHostProc2;
std::vector<BuiltItem> sDrawn;
LRESULT CALLBACK OwnerDrawHost(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM || message == WM_MEASUREITEM) {
        if (message == WM_DRAWITEM) {
            auto *di = reinterpret_cast<DRAWITEMSTRUCT *>(lParam);
            sDrawn.push_back(BuiltItem{di->itemID, di->itemData});
        }
        if (ZEL_MenuUserItem(hwnd, message, wParam, lParam))
            return TRUE;
    }
    return CallWindowProcA(sHostProc2, hwnd, message, wParam, lParam);
}

VOID CALLBACK EscapeFromMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = VK_ESCAPE;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

TEST_F(OwnerDrawn, SeparatorOfAPopUpInAChosenFont)
{
    MenuHandle pop = NewMenu(171, P("Pop").c_str());
    AppendMen(pop, P("-;Item").c_str());
    ShowWindow(host_, SW_SHOW);
    SetForegroundWindow(host_);
    sHostProc2 = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnerDrawHost)));
    sDrawn.clear();
    SetTimer(nullptr, 0, 150, EscapeFromMenu);
    EXPECT_EQ(ZEL_PopUpMenuSelectUsingDiffFont(pop, 100, 100, 0, "Arial", 20), 0);
    SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sHostProc2));
    ShowWindow(host_, SW_HIDE);

    // In a host-chosen font every item is owner-drawn, the separator as well: one gray row.
    const BuiltItem *separator = nullptr;
    for (const BuiltItem &b : sDrawn)
        if ((b.id & 0xFF) == 0)
            separator = &b;
    ASSERT_NE(separator, nullptr) << "the separator was drawn by the owner";
    DibSurface surface(60, 9, RGB(1, 2, 3));
    ASSERT_EQ(DrawItem(*separator, surface, ODS_SELECTED), 1);
    const testing_support::ColourLegend legend{{'.', GetSysColor(COLOR_MENU)}, {'-', RGB(0x80, 0x80, 0x80)}};
    testing_support::ImageRows expected(9, std::string(60, '.'));
    expected[4] = std::string(60, '-');
    EXPECT_EQ(ImageDifference(CaptureImage(60, 9, legend, [&](int x, int y) { return surface.Pixel(x, y); }), expected),
              "");
    DeleteMen(171);
    DisposeMenu(pop);
}

// A pop-up tracked through the menu hook runs in the library's window, laid out by the standard
// definition procedure; a thread moves the mouse and releases the button.
void ZEL_CALL MenuHook() {}

struct Gesture {
    enum Where { topOfSecondColumn, topOfFirstColumn, middle } where;
    std::atomic<int> width{0};
    std::atomic<int> height{0};
};

void Mouse(DWORD flags, int x = 0, int y = 0)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    SendInput(1, &in, sizeof in);
}

DWORD WINAPI GestureThread(void *p)
{
    auto *g = static_cast<Gesture *>(p);
    const RECT r = WaitForPopUpWindow();
    g->width = r.right - r.left;
    g->height = r.bottom - r.top;
    POINT to{r.left + 3, r.top + 3};
    if (g->where == Gesture::topOfSecondColumn)
        to = POINT{r.left + (r.right - r.left) / 2 + 4, r.top + 2};
    else if (g->where == Gesture::topOfFirstColumn)
        to = POINT{r.left + 4, r.top + 2};
    Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, to.x, to.y);
    Sleep(150);
    Mouse(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, to.x, to.y);
    return 0;
}

int32_t TrackWithGesture(MenuHandle menu, Gesture::Where where, int *width, int *height = nullptr)
{
    Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 60, 60);
    Mouse(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, 60, 60);
    Button(); // the press reaches the event state, as the host's mouse handler would tell it
    Gesture g;
    g.where = where;
    HANDLE t = CreateThread(nullptr, 0, GestureThread, &g, 0, nullptr);
    const int32_t result = PopUpMenuSelect(menu, 30, 80, 0);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    if (width)
        *width = g.width;
    if (height)
        *height = g.height;
    return result;
}

TEST_F(OwnerDrawn, StandardDefinitionLaysOutColumns)
{
    MenuHandle tall = NewMenu(172, P("Tall").c_str());
    for (int i = 1; i <= 90; ++i)
        AppendMen(tall, P(("Entry " + std::to_string(i)).c_str()).c_str());
    ZEL_SetMenuHook(reinterpret_cast<FARPROC>(MenuHook));
    int width = 0, height = 0;
    const int32_t second = TrackWithGesture(tall, Gesture::topOfSecondColumn, &width, &height);
    const int32_t first = TrackWithGesture(tall, Gesture::topOfFirstColumn, nullptr);
    EXPECT_EQ(width, 2 * (*tall)->menuWidth) << "two columns of equal width";
    EXPECT_EQ(height, (*tall)->menuHeight);
    EXPECT_EQ(first, (172 << 16) | 1);
    // The top of the second column gives its first item: the first column holds the items before it,
    // all of one height, filling the menu's height.
    const int inFirstColumn = (second & 0xFFFF) - 1;
    EXPECT_EQ(second >> 16, 172);
    ASSERT_GT(inFirstColumn, 1);
    EXPECT_EQ(height % inFirstColumn, 0);
    EXPECT_LT(inFirstColumn, 90);

    // An empty menu chooses nothing.
    MenuHandle empty = NewMenu(173, P("Empty").c_str());
    EXPECT_EQ(TrackWithGesture(empty, Gesture::middle, nullptr), 0);
    ZEL_SetMenuHook(nullptr);
    DisposeMenu(empty);
    DisposeMenu(tall);
}

TEST(HelpAndDeskManagers, EntryPointsAnswerQuietly)
{
    testing_support::TakeDebugMessages();
    MenuHandle m = nullptr;
    EXPECT_EQ(HMGetHelpMenuHandle(&m), nullptr);
    EXPECT_EQ(HMShowBalloon(nullptr, Point{0, 0}, nullptr, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(HMRemoveBalloon(), 0);
    EXPECT_FALSE(HMGetBalloons());
    EXPECT_EQ(HMSetBalloons(true), 0);
    EXPECT_EQ(HMGetIndHelpMsg(0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_FALSE(HMIsBalloon());
    EXPECT_EQ(HMSetMenuResID(1, 2), 0);
    EXPECT_EQ(OpenDeskAcc(P("Calculator").c_str()), 0);
    CloseDeskAcc(1);
    EXPECT_FALSE(SystemEdit(3));
    SystemClick(nullptr, nullptr);
    EXPECT_TRUE(SystemEvent(nullptr));
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty()) << "none of them reports itself";
}

} // namespace

namespace {

// A bar menu with its own definition procedure is one owner-drawn Windows item: WM_DRAWITEM has the
// procedure draw it, WM_MENUSELECT with the button down inside lets it choose, and the menu command then
// reports the procedure's choice.
struct ChoosingMDEF {
    static inline std::vector<int16_t> messages;
    static void ZEL_CALL Run(int16_t message, MenuHandle menu, Rect *, Point, int16_t *item)
    {
        messages.push_back(message);
        if (message == mSizeMsg) {
            (*menu)->menuWidth = 80;
            (*menu)->menuHeight = 40;
        }
        if (message == mChooseMsg)
            *item = 2;
    }
};

TEST_F(OwnerDrawn, OwnProcedureMenuChoosesThroughMenuSelect)
{
    MenuHandle own = InsertOwnProcedureMenu(175, "Own", "A;B;C", ChoosingMDEF::Run);
    HMENU built = GetSubMenu(frame_, 4);
    ASSERT_NE(built, nullptr);
    ASSERT_EQ(GetMenuItemCount(built), 1);
    const BuiltItem item = ItemOf(built, 0);
    EXPECT_EQ(item.id & 0xFF, 0u);

    ChoosingMDEF::messages.clear();
    const SIZE size = MeasureItem(item);
    EXPECT_EQ(size.cy, 40);
    EXPECT_EQ(size.cx, 80 - CheckSize().x);

    ShowWindow(host_, SW_SHOW);
    HDC dc = GetDC(host_);
    EXPECT_EQ(DrawItemInto(item, dc, RECT{10, 10, 90, 50}), 1);
    ReleaseDC(host_, dc);

    // The button goes down inside the menu's rectangle; the procedure chooses item 2.
    POINT inside{40, 30};
    ClientToScreen(host_, &inside);
    Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, inside.x, inside.y);
    Mouse(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, inside.x, inside.y);
    EXPECT_EQ(ZEL_MenuSelect(host_, WM_MENUSELECT, MAKEWPARAM(item.id, MF_OWNERDRAW), reinterpret_cast<LPARAM>(built)), 0);
    Mouse(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, inside.x, inside.y);
    Button();
    ShowWindow(host_, SW_HIDE);
    EXPECT_EQ(ChoosingMDEF::messages, (std::vector<int16_t>{mSizeMsg, mDrawMsg, mChooseMsg}));

    ZEL_EventMenuSel(static_cast<uint16_t>(item.id));
    EXPECT_EQ(MenuSelect(Point{0, 0}), (175 << 16) | 2);
    // The choice serves one command: without a new one nothing is recorded.
    ZEL_EventMenuSel(static_cast<uint16_t>(item.id));
    EXPECT_EQ(MenuSelect(Point{0, 0}), (175 << 16) | 2);
    EXPECT_EQ(ZEL_MenuSelect(host_, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0), 1);
    RemoveOwnProcedureMenu(own);
    FlushEvents(everyEvent, 0);
}

// While its procedure chooses, the menu's window is the port's: GetMouse answers relative to the device
// context the menu is drawn in, not to the window the Window Manager port was opened on.
struct MouseReadingMDEF {
    static inline Point mouse{-1, -1};
    static void ZEL_CALL Run(int16_t message, MenuHandle menu, Rect *, Point, int16_t *item)
    {
        if (message == mSizeMsg) {
            (*menu)->menuWidth = 80;
            (*menu)->menuHeight = 40;
        }
        if (message == mChooseMsg) {
            GetMouse(&mouse);
            *item = 1;
        }
    }
};

TEST_F(OwnerDrawn, AChoosingProcedureReadsTheMouseInItsMenu)
{
    MenuHandle own = InsertOwnProcedureMenu(176, "Mouse", "A;B", MouseReadingMDEF::Run);
    HMENU built = GetSubMenu(frame_, 4);
    ASSERT_NE(built, nullptr);
    const BuiltItem item = ItemOf(built, 0);
    MeasureItem(item);

    // The menu shows in a window of its own, away from the host's window.
    HWND menuWindow = testing_support::CreateDrawingWindow(100, 60, true);
    ASSERT_NE(menuWindow, nullptr);
    HDC dc = GetDC(menuWindow);
    EXPECT_EQ(DrawItemInto(item, dc, RECT{10, 10, 90, 50}), 1);
    ReleaseDC(menuWindow, dc);

    POINT inside{40, 30};
    ClientToScreen(menuWindow, &inside);
    Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, inside.x, inside.y);
    Mouse(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, inside.x, inside.y);
    MouseReadingMDEF::mouse = Point{-1, -1};
    ZEL_MenuSelect(host_, WM_MENUSELECT, MAKEWPARAM(item.id, MF_OWNERDRAW), reinterpret_cast<LPARAM>(built));
    Mouse(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, inside.x, inside.y);
    Button();
    EXPECT_EQ(MouseReadingMDEF::mouse.h, 40);
    EXPECT_EQ(MouseReadingMDEF::mouse.v, 30);

    EXPECT_EQ(ZEL_MenuSelect(host_, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0), 1);
    DestroyWindow(menuWindow);
    RemoveOwnProcedureMenu(own);
    FlushEvents(everyEvent, 0);
}

// CalcMenuSize of a menu with its own procedure makes the menu's item-table entry current first, as
// Windows' measuring of its item does, so that the procedure's size message sees its own entry.
struct KeyReadingMDEF {
    static inline int32_t key = -1;
    static void ZEL_CALL Run(int16_t message, MenuHandle menu, Rect *, Point, int16_t *)
    {
        if (message == mSizeMsg) {
            key = MenuOwnerDrawKey(-1);
            (*menu)->menuWidth = 60;
            (*menu)->menuHeight = 30;
        }
    }
};

TEST_F(OwnerDrawn, CalcMenuSizeMakesTheMenusEntryCurrent)
{
    MenuHandle own = InsertOwnProcedureMenu(177, "Sized", "A", KeyReadingMDEF::Run);
    HMENU built = GetSubMenu(frame_, 4);
    ASSERT_NE(built, nullptr);
    const BuiltItem item = ItemOf(built, 0);

    MenuOwnerDrawKey(0x7777);
    KeyReadingMDEF::key = -1;
    CalcMenuSize(own);
    EXPECT_EQ(KeyReadingMDEF::key, static_cast<int32_t>(item.id & 0xFFFF));
    EXPECT_EQ((*own)->menuWidth, 60);

    RemoveOwnProcedureMenu(own);
}

} // namespace

// Window records and creation: the procID table over real Windows windows, the tie between the two,
// caller storage, placement inside the parent, the one-shot settings, the system menu and disposal.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "LowMem.h"
#include "MacMemory.h"
#include "Palettes.h"
#include "Quickdraw.h"
#include "window_host.h"

using namespace window_tests;
using testing_support::P;

namespace {

enum Owner { childOfMain, popUpOwnedByMain, popUpUnowned };
enum : uint16_t { flagMac = 1, flagNoTitle = 2 };

struct ProcRowCase {
    int16_t procID;
    DWORD style;
    Owner owner;
    uint16_t createFlags; // beyond the low byte
    uint16_t options;
    const char *what;
};

const ProcRowCase kProcRows[] = {
    {0, 0x44CC0000, childOfMain, wcfResizable, 0, "document"},
    {1, 0x80400000, popUpOwnedByMain, wcfPopUp, 0, "modal box"},
    {2, 0x44800000, childOfMain, 0, 0, "plain box, not a dialog"},
    {3, 0x80800000, popUpOwnedByMain, wcfPopUp, 0, "shadowed box"},
    {4, 0x44C80000, childOfMain, 0, 0, "document without grow box"},
    {5, 0x84C800C0, popUpOwnedByMain, wcfPopUp, 0, "movable modal"},
    {8, 0x44CD0000, childOfMain, wcfResizable, 0, "zoomable document"},
    {12, 0x44C90000, childOfMain, 0, 0, "zoomable without grow box"},
    {16, 0x44C80000, childOfMain, 0, 0, "rounded"},
    {17, 0x44C80000, childOfMain, 0, 0, "rounded variant folds to 16"},
    {31, 0x44C80000, childOfMain, 0, 0, "last rounded variant folds to 16"},
    {720, 0x44C00000, childOfMain, 0, flagMac | flagNoTitle, "Macintosh frame"},
    {722, 0x44C00000, childOfMain, 0, flagMac, "Macintosh frame with its title on Windows"},
    {724, 0x44C40000, childOfMain, wcfResizable, flagMac | flagNoTitle, "Macintosh frame, sizing"},
    {728, 0x44C10000, childOfMain, 0, flagMac | flagNoTitle, "Macintosh frame, zoom box"},
    {725, 0x44C40000, childOfMain, wcfResizable, flagMac | flagNoTitle, "725 does not float"},
    {-725, 0x44C40000, childOfMain, wcfResizable | wcfFloating, flagMac | flagNoTitle, "-725 floats"},
    {1984, 0x44C00000, childOfMain, wcfFloating, flagMac, "generic variant 0"},
    {1985, 0x44C00000, childOfMain, 0, flagMac, "generic variant 1"},
    {1986, 0x84800000, popUpOwnedByMain, wcfPopUp, 0, "generic variant 2"},
    {1987, 0x44800000, childOfMain, 0, 0, "generic variant 3"},
    {1988, 0x44800000, childOfMain, 0, 0, "generic variant 4"},
    {1989, 0x84C800C0, popUpOwnedByMain, wcfPopUp, 0, "generic variant 5"},
    {1990, 0x44800000, childOfMain, 0, 0, "generic variant 6 as variant 3"},
    {1991, 0x44C40000, childOfMain, wcfFloating | wcfResizable, flagMac, "generic variant 7"},
    {1992, 0x44C00000, childOfMain, wcfFloating, flagMac, "generic variant 8"},
    {1993, 0x44C40000, childOfMain, wcfResizable, 0, "generic variant 9"},
    {1994, 0x44C40000, childOfMain, wcfFloating, flagMac, "generic variant 10"},
    {1998, 0x80C80000, popUpOwnedByMain, wcfPopUp | wcfFloating, 0, "generic variant 14"},
    {1999, 0x80800000, popUpUnowned, wcfPopUp | wcfFloating, 0, "generic variant 15 on the desktop"},
};

uint32_t Setting(int16_t n) { return ZEL_SystemValue(0, n, 0); }
void SetSetting(int16_t n, uint32_t v) { ZEL_SystemValue(1, n, v); }

} // namespace

TEST(WindowCreation, EveryProcIDRowMakesItsWindowsWindow)
{
    for (const ProcRowCase &row : kProcRows) {
        SCOPED_TRACE(row.what);
        WindowPtr w = MakeWindow(row.procID);
        ASSERT_NE(w, nullptr);
        HWND hwnd = HwndOf(w);
        ASSERT_TRUE(IsWindow(hwnd));
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, zelWindowStyleLong)), row.style);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & row.style, row.style);
        switch (row.owner) {
        case childOfMain: EXPECT_EQ(GetParent(hwnd), HostMainWindow()); break;
        case popUpOwnedByMain: EXPECT_EQ(GetWindow(hwnd, GW_OWNER), HostMainWindow()); break;
        case popUpUnowned: EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr); break;
        }

        // The tie, both ways.
        EXPECT_EQ(reinterpret_cast<WindowPtr>(GetWindowLongA(hwnd, zelWindowPtrLong)), w);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(GetPropA(hwnd, "ZEL_wFlag")), 1u);
        const WindowAuxRecord *aux = AuxOf(w);
        int16_t folded = row.procID >= 16 && row.procID <= 31 ? 16 : row.procID;
        EXPECT_EQ(aux->createFlags & ~wcfUpdatePending, (folded & 0xFF) | row.createFlags);
        EXPECT_EQ(aux->stateFlags & wsfMacFrame, (row.options & flagMac) ? wsfMacFrame : 0);
        EXPECT_EQ(PeekOf(w)->windowDefProc, folded);
        EXPECT_EQ(PeekOf(w)->windowKind, userKind);
        EXPECT_EQ(PeekOf(w)->refCon, 7);
        EXPECT_EQ(GetWindowWord(hwnd, zelWindowMinWidthWord), 15);
        EXPECT_EQ(GetWindowWord(hwnd, zelWindowMinHeightWord), 15);

        // The title reaches the caption unless the Macintosh frame keeps it to itself.
        char caption[64] = "?";
        GetWindowTextA(hwnd, caption, sizeof caption);
        EXPECT_STREQ(caption, (row.options & flagNoTitle) ? "" : "Doc");
        const unsigned char *title = *PeekOf(w)->titleHandle;
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(title + 1), title[0]), "Doc");

        // The port covers the content and the client area is the content, in either frame.
        EXPECT_EQ(w->portRect.bottom, 100);
        EXPECT_EQ(w->portRect.right, 200);
        RECT client;
        GetClientRect(hwnd, &client);
        EXPECT_EQ(client.right, 200);
        EXPECT_EQ(client.bottom, 100);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        EXPECT_TRUE(PeekOf(w)->visible);
        DisposeWindow(w);
        EXPECT_FALSE(IsWindow(hwnd));
    }
}

TEST(WindowCreation, CaptionedWindowsStayReachableInsideTheirParent)
{
    RECT parent;
    GetClientRect(HostMainWindow(), &parent);
    const int frameX = GetSystemMetrics(SM_CXFRAME), frameY = GetSystemMetrics(SM_CYFRAME);
    struct {
        int left, top, wantLeft, wantTop;
        const char *what;
    } cases[] = {
        {30, 40, 30, 40, "in place"},
        {5000, 40, parent.right - 16, 40, "far right keeps 16 pixels inside"},
        {30, 5000, 30, parent.bottom - 16, "far down keeps 16 pixels inside"},
        {-300, -200, -frameX, -frameY, "far up and left stops at the frame"},
        {-600, 40, -600, 40, "beyond -500 is left alone"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        WindowPtr w = MakeWindow(documentProc, c.top, c.left);
        ASSERT_NE(w, nullptr);
        RECT r = ClientRectInParent(HwndOf(w));
        EXPECT_EQ(r.left, c.wantLeft);
        EXPECT_EQ(r.top, c.wantTop);
        EXPECT_EQ(AuxOf(w)->bounds.left, c.wantLeft);
        EXPECT_EQ(AuxOf(w)->bounds.top, c.wantTop);
        DisposeWindow(w);
    }
}

TEST(WindowCreation, CallerStorageKeepsOnlyALiveAuxiliaryHandle)
{
    Handle big = NewHandleClear(sizeof(WindowAuxRecord));
    Handle small = NewHandleClear(8);
    Handle gone = NewHandleClear(sizeof(WindowAuxRecord));
    DisposeHandle(gone);
    struct {
        Handle before;
        bool kept;
        const char *what;
    } cases[] = {
        {big, true, "a live handle of 24 bytes is reused"},
        {small, false, "a handle too small for the record is not"},
        {gone, false, "a disposed handle is not"},
        {reinterpret_cast<Handle>(0x5A5A5A5A), false, "garbage in uncleared storage is never followed"},
    };
    Rect bounds{40, 30, 140, 230};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<char> storage(sizeof(WindowRecord), 0x5A);
        reinterpret_cast<WindowPeek>(storage.data())->dataHandle = c.before;
        WindowPtr w = NewWindow(storage.data(), &bounds, P("Mine").c_str(), TRUE, documentProc,
                                reinterpret_cast<WindowPtr>(-1), TRUE, 0);
        ASSERT_EQ(w, reinterpret_cast<WindowPtr>(storage.data()));
        Handle aux = PeekOf(w)->dataHandle;
        EXPECT_EQ(aux == c.before, c.kept);
        EXPECT_EQ(GetHandleSize(aux), static_cast<Size>(sizeof(WindowAuxRecord)));
        EXPECT_TRUE(AuxOf(w)->stateFlags & wsfCallerStorage);
        EXPECT_GE(w->portBits.rowBytes, 0) << "NewWindow opens a black-and-white port";
        HWND hwnd = HwndOf(w);
        DisposeWindow(w);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_FALSE(InWindowList(w));
        // The caller's block is still the caller's: writing to it is safe.
        std::memset(storage.data(), 0, storage.size());
    }
    DisposeHandle(small);
}

TEST(WindowCreation, DisposeLeavesNoWindowAndNoListEntry)
{
    WindowPtr a = MakeWindow(documentProc);
    WindowPtr b = MakeWindow(zoomDocProc, 60, 60);
    ASSERT_TRUE(InWindowList(a));
    ASSERT_TRUE(InWindowList(b));
    HWND ha = HwndOf(a), hb = HwndOf(b);
    DisposeWindow(a);
    EXPECT_FALSE(IsWindow(ha));
    EXPECT_FALSE(InWindowList(a));
    EXPECT_TRUE(InWindowList(b));
    DisposeWindow(b);
    EXPECT_FALSE(IsWindow(hb));
    EXPECT_EQ(LMGetWindowList(), nullptr);
}

TEST(WindowCreation, OneShotSettingsApplyToTheNextWindowOnly)
{
    SetSetting(33, noGrowDocProc);
    WindowPtr replaced = MakeWindow(documentProc);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(HwndOf(replaced), zelWindowStyleLong)), 0x44C80000u);
    EXPECT_EQ(static_cast<int32_t>(Setting(33)), -1) << "the procID override is used up";

    SetSetting(31, 0x0008 | 0x0002);
    WindowPtr framed = MakeWindow(documentProc);
    EXPECT_TRUE(AuxOf(framed)->stateFlags & wsfMacFrame);
    EXPECT_TRUE(AuxOf(framed)->createFlags & wcfFloating);
    EXPECT_EQ(Setting(31), 0u);
    WindowPtr plain = MakeWindow(documentProc);
    EXPECT_FALSE(AuxOf(plain)->stateFlags & wsfMacFrame);
    EXPECT_FALSE(AuxOf(plain)->createFlags & wcfFloating);

    SetSetting(32, 1);
    WindowPtr popUp = MakeWindow(documentProc);
    EXPECT_TRUE(GetWindowLongA(HwndOf(popUp), GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(Setting(32), 0u);

    for (WindowPtr w : {replaced, framed, plain, popUp})
        DisposeWindow(w);
}

TEST(WindowCreation, MinimumSizesGoToTheExtraWords)
{
    ZEL_SetMinWinSize(40, 30);
    WindowPtr w = MakeWindow(documentProc);
    ZEL_SetMinWinSize(15, 15);
    HWND hwnd = HwndOf(w);
    EXPECT_EQ(GetWindowWord(hwnd, zelWindowMinWidthWord), 40);
    EXPECT_EQ(GetWindowWord(hwnd, zelWindowMinHeightWord), 30);
    ZEL_SetwPtrMinSize(w, 64, 48);
    EXPECT_EQ(GetWindowWord(hwnd, zelWindowMinWidthWord), 64);
    EXPECT_EQ(GetWindowWord(hwnd, zelWindowMinHeightWord), 48);
    DisposeWindow(w);
}

// A new window holds the application's default palette in its palette extra long until NSetPalette
// gives it one of its own.
TEST(WindowCreation, ANewWindowHoldsTheDefaultPalette)
{
    PaletteHandle standard = GetPalette(reinterpret_cast<WindowPtr>(-1));
    ASSERT_NE(standard, nullptr) << "the screen set-up made the default palette";
    for (bool colour : {false, true}) {
        Rect bounds{40, 40, 120, 200};
        WindowPtr w = colour ? reinterpret_cast<WindowPtr>(NewCWindow(nullptr, &bounds, P("p").c_str(), TRUE, documentProc,
                                                                      reinterpret_cast<WindowPtr>(-1), FALSE, 0))
                             : NewWindow(nullptr, &bounds, P("p").c_str(), TRUE, documentProc,
                                         reinterpret_cast<WindowPtr>(-1), FALSE, 0);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(static_cast<uintptr_t>(GetWindowLongA(HwndOf(w), zelWindowPaletteLong)),
                  reinterpret_cast<uintptr_t>(standard))
            << (colour ? "colour" : "black-and-white");
        DisposeWindow(w);
    }
}

TEST(WindowCreation, SetWindowParentMovesTheWindowsWindow)
{
    WindowPtr outer = MakeWindow(documentProc, 20, 20, 300, 200);
    WindowPtr inner = MakeWindow(plainDBox, 40, 40, 50, 50);
    EXPECT_EQ(ZEL_SetWindowParent(inner, outer), HostMainWindow());
    EXPECT_EQ(GetParent(HwndOf(inner)), HwndOf(outer));
    EXPECT_EQ(ZEL_SetWindowParent(inner, outer), HwndOf(outer)) << "already the parent: unchanged";
    EXPECT_EQ(ZEL_SetWindowParent(inner, nullptr), HwndOf(outer));
    EXPECT_EQ(GetParent(HwndOf(inner)), HostMainWindow());
    DisposeWindow(inner);
    DisposeWindow(outer);
}

TEST(WindowSystemMenu, CloseIsRelabelledThroughTheHostFormat)
{
    struct {
        const char *before, *after, *what;
    } cases[] = {
        {"&Close\tAlt+F4", "&Close\tCmd+F4", "the key after the + goes through string 1025"},
        {"&Close", "&Close", "no tab: unchanged"},
        {"&Close\tF4", "&Close\tF4", "no +: unchanged"},
    };
    WindowPtr w = MakeWindow(zoomDocProc);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, SC_RESTORE, "&Restore");
        AppendMenuA(menu, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
        AppendMenuA(menu, MF_STRING, SC_CLOSE, c.before);
        ZEL_FixupSystemMenu(HwndOf(w), menu);
        char text[64] = "";
        GetMenuStringA(menu, SC_CLOSE, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, c.after);
        EXPECT_TRUE(GetMenuState(menu, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED) << "not zoomed";
        EXPECT_FALSE(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);
        DestroyMenu(menu);
    }
    DisposeWindow(w);

    Rect bounds{40, 30, 140, 230};
    WindowPtr noClose = NewCWindow(nullptr, &bounds, P("x").c_str(), TRUE, zoomDocProc,
                                   reinterpret_cast<WindowPtr>(-1), FALSE, 0);
    EXPECT_EQ(GetMenuState(GetSystemMenu(HwndOf(noClose), FALSE), SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1))
        << "a window without a close box has no Close item";
    DisposeWindow(noClose);
}

TEST(WindowGeometry, CheckMaxWindowRectKeepsWindowsOnTheDesktop)
{
    RgnHandle gray = LMGetGrayRgn();
    ASSERT_NE(gray, nullptr);
    const Rect box = (*gray)->rgnBBox;
    const int limitBottom = box.bottom - (GetSystemMetrics(SM_CYFRAME) - 1);
    Rect low{static_cast<int16_t>(box.bottom - 50), 10, static_cast<int16_t>(box.bottom + 50), 110};
    ZEL_CheckMaxWindowRect(&low, FALSE, FALSE);
    EXPECT_EQ(low.bottom, limitBottom);
    EXPECT_EQ(low.bottom - low.top, 100) << "moved up, size kept";
    EXPECT_EQ(low.left, 10);

    Rect distant{-2000, -2000, 0, 0};
    ZEL_CheckMaxWindowRect(&distant, FALSE, TRUE);
    EXPECT_EQ(distant.top, -2000) << "rectangles above -1000 are left alone";

    // A pop-up's bounds are global like every window's: the main window's client area is (0, 0) on.
    RECT client;
    GetClientRect(HostMainWindow(), &client);
    Rect pop{static_cast<int16_t>(client.top + 10), static_cast<int16_t>(client.right - 20),
             static_cast<int16_t>(client.top + 60), static_cast<int16_t>(client.right + 80)};
    ZEL_CheckMaxWindowRect(&pop, TRUE, TRUE);
    EXPECT_EQ(pop.right, client.right) << "a pop-up moves left into the main window";
    EXPECT_EQ(pop.right - pop.left, 100);
    EXPECT_EQ(pop.top, client.top + 10);
}

TEST(WindowManagerCalls, FixedAnswers)
{
    testing_support::TakeDebugMessages();
    EXPECT_EQ(ZEL_KitchenSink(1, 2, 3, 4, 5), 1);
    EXPECT_EQ(GetMCEntry(1, 2), 0);
    EXPECT_EQ(GetMCInfo(), 0);
    int reports = 0;
    for (const std::string &m : testing_support::TakeDebugMessages())
        reports += m.find("GetMCInfo") != std::string::npos;
    EXPECT_EQ(reports, 1);
}

// List records and their list boxes: the two list modes by shape and configuration word, the record's
// cells and sizes, the 255 slots, bad shapes and sizes, list definition procedures and disposal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <set>
#include <vector>

#include "Lists.h"
#include "MacMemory.h"
#include "Resources.h"
#include "Zel.h"
#include "test_seams.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using testing_support::P;

constexpr ResType kLDEF = 0x4C444546;
constexpr int16_t kHostLdefID = 300, kShortLdefID = 301, kStrayLdefID = 302, kImageLdefID = 303;

Rect MakeRect(int top, int left, int bottom, int right)
{
    return Rect{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}
HWND Box(ListHandle l) { return ZEL_GetHWNDFromListHandle(l); }
int Slot(ListHandle l) { return static_cast<uint8_t>((*l)->lReserved); }
LONG StyleOf(HWND h) { return GetWindowLongA(h, GWL_STYLE); }

BOOL CALLBACK CollectListBox(HWND h, LPARAM p)
{
    char name[32] = {};
    GetClassNameA(h, name, sizeof name);
    if (!lstrcmpiA(name, "ListBox"))
        reinterpret_cast<std::vector<HWND> *>(p)->push_back(h);
    return TRUE;
}

std::vector<HWND> ListBoxesOf(HWND parent)
{
    std::vector<HWND> boxes;
    EnumChildWindows(parent, CollectListBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

int ControlCount(WindowPtr w)
{
    int n = 0;
    for (ControlHandle c = PeekOf(w)->controlList; c; c = (*c)->nextControl)
        ++n;
    return n;
}

// What list definition procedures were asked.
std::vector<int16_t> sDefMessages;
void ZEL_CALL RecordingLDEF(int16_t message, Boolean, Rect *, Cell, int16_t, int16_t, ListHandle)
{
    sDefMessages.push_back(message);
}

class ListRecords : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetResLoad(true);
        const auto name = P("lists_test.rsr");
        DeleteFileA("lists_test.rsr");
        CreateResFile(name.c_str());
        sRef = OpenResFile(name.c_str());
        ASSERT_GT(sRef, 0);
        UseResFile(sRef);
        // 'LDEF' handles: too short, an address in no module, and one around the test's own procedure.
        AddResource(NewHandleClear(4), kLDEF, kShortLdefID, P("").c_str());
        Handle stray = NewHandleClear(6);
        const uint32_t nowhere = 0x00001234;
        std::memcpy(*stray + 2, &nowhere, 4);
        AddResource(stray, kLDEF, kStrayLdefID, P("").c_str());
        Handle image = NewHandleClear(6);
        ListDefProcPtr proc = RecordingLDEF;
        std::memcpy(*image + 2, &proc, 4);
        AddResource(image, kLDEF, kImageLdefID, P("").c_str());
        ZEL_CodeResource(1, kLDEF, kHostLdefID, reinterpret_cast<ProcPtr>(RecordingLDEF));
    }
    static void TearDownTestSuite()
    {
        ZEL_CodeResource(0, kLDEF, kHostLdefID, nullptr);
        CloseResFile(sRef);
        DeleteFileA("lists_test.rsr");
    }
    void SetUp() override
    {
        window_ = MakeWindow(documentProc, 60, 60, 400, 300, "Lists");
        SetPor(window_);
        sDefMessages.clear();
    }
    void TearDown() override
    {
        for (ListHandle l : lists_)
            LDispose(l);
        DisposeWindow(window_);
        PumpMessages();
    }
    ListHandle Make(Rect bounds, Rect view = MakeRect(10, 10, 110, 160), Point cell = Point{16, 50},
                    int16_t proc = 0, bool horiz = false, bool vert = true)
    {
        ListHandle l = LNew(&view, &bounds, cell, proc, window_, true, false, horiz, vert);
        if (l)
            lists_.push_back(l);
        return l;
    }
    void Dispose(ListHandle l)
    {
        LDispose(l);
        lists_.erase(std::find(lists_.begin(), lists_.end(), l));
    }
    static int16_t sRef;
    WindowPtr window_ = nullptr;
    std::vector<ListHandle> lists_;
};
int16_t ListRecords::sRef;

TEST_F(ListRecords, ShapeAndConfigurationChooseTheMode)
{
    struct Row {
        const char *what;
        Rect bounds;
        int32_t configuration;
        int idBase;
        LRESULT items;
        DWORD present, absent;
    } const rows[] = {
        {"one column", MakeRect(0, 0, 5, 1), 0, 0xFF00, 5, LBS_EXTENDEDSEL, LBS_OWNERDRAWFIXED | LBS_MULTICOLUMN},
        {"three columns, four rows", MakeRect(0, 0, 4, 3), 0, 0xFE00, 4, LBS_OWNERDRAWFIXED,
         LBS_MULTICOLUMN | LBS_EXTENDEDSEL},
        {"one row of four columns", MakeRect(0, 0, 1, 4), 0, 0xFF00, 4, LBS_MULTICOLUMN | LBS_EXTENDEDSEL,
         LBS_OWNERDRAWFIXED},
        {"the list box's own columns", MakeRect(0, 0, 4, 3), 0x0400, 0xFF00, 12, LBS_MULTICOLUMN,
         LBS_OWNERDRAWFIXED},
        {"only one", MakeRect(0, 0, 5, 1), 0x0080, 0xFF00, 5, 0, LBS_EXTENDEDSEL},
        {"the flag was for one list only", MakeRect(0, 0, 5, 1), 0, 0xFF00, 5, LBS_EXTENDEDSEL, 0},
        {"several columns and no rows", MakeRect(0, 0, 0, 3), 0, 0xFE00, 0, LBS_OWNERDRAWFIXED, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        if (row.configuration) {
            EXPECT_EQ(row.configuration, ZEL_LSetSelFlags(row.configuration));
        }
        ListHandle l = Make(row.bounds);
        ASSERT_NE(l, nullptr);
        HWND box = Box(l);
        ASSERT_TRUE(IsWindow(box));
        EXPECT_EQ(GetParent(box), HwndOf(window_));
        EXPECT_EQ(row.idBase + Slot(l), GetDlgCtrlID(box));
        EXPECT_EQ(row.items, SendMessageA(box, LB_GETCOUNT, 0, 0));
        EXPECT_EQ(row.present, StyleOf(box) & row.present);
        EXPECT_EQ(0, StyleOf(box) & row.absent);
        EXPECT_EQ(int8_t(row.configuration & 0xFF), (*l)->selFlags);
        EXPECT_EQ(6, LibraryControlKindOf(box, nullptr));
    }
    HWND plain = CreateWindowA("listbox", "", WS_CHILD, 0, 0, 10, 10, HwndOf(window_), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(0xFFFF, LibraryControlKindOf(plain, nullptr));
    DestroyWindow(plain);
}

TEST_F(ListRecords, RecordCellsSizesAndScrollBars)
{
    const Rect view = MakeRect(10, 10, 110, 160);
    ListHandle l = Make(MakeRect(0, 0, 3, 2), view, Point{16, 33}, 0, true, true);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(88 + 2 * 6, GetHandleSize(reinterpret_cast<Handle>(l)));
    EXPECT_EQ(5, (*l)->maxIndex);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(2 * i + 2, (*l)->cellArray[i]) << i;
    ASSERT_NE((*l)->cells, nullptr);
    EXPECT_EQ(12, GetHandleSize(reinterpret_cast<Handle>((*l)->cells)));
    EXPECT_EQ(window_, (*l)->port);
    EXPECT_TRUE(SameRect(view, (*l)->rView));
    // The view holds (100 + 1) / 16 = 6.3 rows and (150 + 1) / 33 = 4.6 columns.
    EXPECT_TRUE(SameRect(MakeRect(0, 0, 6, 5), (*l)->visible));
    EXPECT_EQ(1, (*l)->lActive);
    EXPECT_EQ(lDoVAutoscroll | lDoHAutoscroll, (*l)->listFlags);
    for (auto [bar, refCon] : {std::pair{(*l)->vScroll, 0xFE00}, std::pair{(*l)->hScroll, 0xFE01}}) {
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(refCon, GetControlReference(bar));
        EXPECT_EQ(0, (*bar)->contrlVis);
        EXPECT_FALSE(IsWindowVisible(ZEL_ControlToHWND(bar)));
    }
    EXPECT_EQ(3, GetControlMaximum((*l)->vScroll));
    EXPECT_EQ(2, GetControlMaximum((*l)->hScroll));

    // Cells are numbered column by column, as a multi-column list box lays out its items: with the list
    // box's own columns and a view three items high, the 3 x 2 list's item 3 (cell (0, 1)) heads the
    // second column.
    ZEL_LSetSelFlags(0x0400);
    ListHandle own = Make(MakeRect(0, 0, 3, 2), MakeRect(130, 10, 230, 160), Point{16, 60});
    const int itemHeight = int(SendMessageA(Box(own), LB_GETITEMHEIGHT, 0, 0));
    LSize(150, int16_t(3 * itemHeight), own);
    RECT item0{}, item2{}, item3{};
    SendMessageA(Box(own), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item0));
    SendMessageA(Box(own), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item2));
    SendMessageA(Box(own), LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&item3));
    EXPECT_EQ(item0.top, item3.top);
    EXPECT_EQ(item0.left + 60, item3.left);
    EXPECT_EQ(item0.left, item2.left);
    EXPECT_EQ(item0.top + 2 * itemHeight, item2.top);

    // Default sizes: the port font's line and the view's width over the columns (the view's own
    // width without columns); never below one pixel.
    ListHandle defaults = Make(MakeRect(0, 0, 4, 3), MakeRect(10, 200, 100, 350), Point{0, 0});
    EXPECT_GT((*defaults)->cellSize.v, 0);
    EXPECT_EQ(50, (*defaults)->cellSize.h);
    ListHandle noColumns = Make(MakeRect(0, 0, 4, 0), MakeRect(110, 200, 150, 351), Point{0, 0});
    ASSERT_NE(noColumns, nullptr);
    EXPECT_EQ(151, (*noColumns)->cellSize.h);
    ListHandle thin = Make(MakeRect(0, 0, 1, 8), MakeRect(160, 200, 200, 204), Point{0, 0});
    ASSERT_NE(thin, nullptr);
    EXPECT_EQ(1, (*thin)->cellSize.h) << "four pixels over eight columns";

    // LCellSize: an owner-drawn list takes both sides, a plain list only the width; sizes that are not
    // positive change nothing.
    LCellSize(Point{20, 40}, l);
    EXPECT_EQ(40, (*l)->cellSize.h);
    EXPECT_EQ(20, (*l)->cellSize.v);
    EXPECT_EQ(20, SendMessageA(Box(l), LB_GETITEMHEIGHT, 0, 0));
    for (Point bad : {Point{0, 30}, Point{20, 0}, Point{-4, 30}, Point{20, -1}}) {
        LCellSize(bad, l);
        EXPECT_EQ(40, (*l)->cellSize.h);
        EXPECT_EQ(20, (*l)->cellSize.v);
    }
    ListHandle plain = Make(MakeRect(0, 0, 4, 1), MakeRect(240, 10, 280, 160), Point{16, 150});
    LCellSize(Point{30, 70}, plain);
    EXPECT_EQ(70, (*plain)->cellSize.h);
    EXPECT_EQ(16, (*plain)->cellSize.v);

    // LSize takes the new view and sizes the list box around it.
    LSize(120, 64, l);
    EXPECT_TRUE(SameRect(MakeRect(10, 10, 74, 130), (*l)->rView));
    RECT frame{};
    GetWindowRect(Box(l), &frame);
    EXPECT_EQ(120 + 2 + GetSystemMetrics(SM_CXVSCROLL) - 1, frame.right - frame.left);
    LSize(0, 64, l);
    EXPECT_EQ(130, (*l)->rView.right);
}

// A row-per-item list's owner-drawn rows take a host definition's height; its scroll bars are the
// list box's own.
TEST_F(ListRecords, HostDefinitionsAndTheirFallbacks)
{
    ListHandle hosted = Make(MakeRect(0, 0, 4, 2), MakeRect(10, 10, 110, 160), Point{16, 50}, kHostLdefID);
    ASSERT_NE(hosted, nullptr);
    EXPECT_EQ(std::vector<int16_t>{lInitMsg}, sDefMessages);
    LCellSize(Point{22, 50}, hosted);
    EXPECT_EQ(22, SendMessageA(Box(hosted), LB_GETITEMHEIGHT, 0, 0));
    Dispose(hosted);
    EXPECT_EQ(std::vector<int16_t>({lInitMsg, lCloseMsg}), sDefMessages);

    // Built-in procedures of each mode, to compare with.
    ListHandle plainBuiltIn = Make(MakeRect(0, 0, 4, 1));
    ListHandle rowBuiltIn = Make(MakeRect(0, 0, 4, 2));
    struct Row {
        const char *what;
        int16_t id;
        bool called;
    } const rows[] = {
        {"a handle too short for an address", kShortLdefID, false},
        {"an address in no loaded module", kStrayLdefID, false},
        {"no such resource", 399, false},
        {"the host's own procedure", kImageLdefID, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        for (ListHandle builtIn : {plainBuiltIn, rowBuiltIn}) {
            sDefMessages.clear();
            ListHandle l = Make((*builtIn)->dataBounds, MakeRect(120, 10, 200, 160), Point{16, 50}, row.id);
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(row.called, !sDefMessages.empty());
            if (!row.called) {
                EXPECT_EQ((*builtIn)->listDefProc, (*l)->listDefProc);
            }
            Dispose(l);
        }
    }
}

// Shapes that cannot be made, and a nil window, make nothing.
TEST_F(ListRecords, BadShapesMakeNothing)
{
    const int boxes = int(ListBoxesOf(HwndOf(window_)).size());
    const int controls = ControlCount(window_);
    struct Row {
        const char *what;
        Rect bounds;
    } const rows[] = {
        {"16,384 cells", MakeRect(0, 0, 128, 128)},
        {"65,536 cells (0 in 16 bits)", MakeRect(0, 0, 256, 256)},
        {"negative rows", MakeRect(5, 0, 2, 1)},
        {"negative columns", MakeRect(0, 3, 4, 1)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(nullptr, Make(row.bounds));
    }
    const Rect view = MakeRect(10, 10, 110, 160), bounds = MakeRect(0, 0, 4, 1);
    EXPECT_EQ(nullptr, LNew(&view, &bounds, Point{16, 50}, 0, nullptr, true, false, false, true));
    EXPECT_EQ(boxes, int(ListBoxesOf(HwndOf(window_)).size()));
    EXPECT_EQ(controls, ControlCount(window_));
    ListHandle most = Make(MakeRect(0, 0, 16383, 1));
    ASSERT_NE(most, nullptr) << "16,383 cells fit";
    EXPECT_EQ(16382, (*most)->maxIndex);
}

TEST_F(ListRecords, DisposeLeavesNothingBehind)
{
    const int controls = ControlCount(window_);
    ListHandle l = Make(MakeRect(0, 0, 4, 2), MakeRect(10, 10, 110, 160), Point{16, 50}, 0, true, true);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(controls + 2, ControlCount(window_));
    HWND box = Box(l);
    const int slot = Slot(l);
    Dispose(l);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(controls, ControlCount(window_));
    EXPECT_TRUE(ListBoxesOf(HwndOf(window_)).empty());
    ListHandle again = Make(MakeRect(0, 0, 4, 1));
    EXPECT_EQ(slot, Slot(again)) << "the freed slot is taken again";
}

// Windows 3's multi-column list box gets one more item when its last column just misses the view.
TEST_F(ListRecords, WindowsThreeMultiColumnExtent)
{
    // (99 + 1) / 25 = 4 columns fit, one fewer than the list's five.
    const Rect view = MakeRect(10, 10, 40, 109);
    EXPECT_EQ(5, SendMessageA(Box(Make(MakeRect(0, 0, 1, 5), view, Point{16, 25})), LB_GETCOUNT, 0, 0))
        << "not on this Windows";
    const uint16_t real = SetSessionVersionWord(0x0A03);
    ListHandle l = Make(MakeRect(0, 0, 1, 5), view, Point{16, 25});
    SetSessionVersionWord(real);
    EXPECT_EQ(6, SendMessageA(Box(l), LB_GETCOUNT, 0, 0));
}

// Closes the message box of this thread with OK from a thread timer, keeping its text.
std::string sMessageText;
BOOL CALLBACK FindDialogWindow(HWND h, LPARAM p)
{
    char name[16] = {};
    GetClassNameA(h, name, sizeof name);
    if (lstrcmpA(name, "#32770"))
        return TRUE;
    *reinterpret_cast<HWND *>(p) = h;
    return FALSE;
}

VOID CALLBACK CloseMessageBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialogWindow, reinterpret_cast<LPARAM>(&found));
    if (!found)
        return; // not up yet: the timer fires again
    KillTimer(nullptr, id);
    char text[64] = {};
    GetDlgItemTextA(found, 0xFFFF, text, sizeof text);
    sMessageText = text;
    PostMessageA(found, WM_COMMAND, IDOK, 0);
}

TEST_F(ListRecords, TwoHundredFiftyFiveSlots)
{
    std::set<int> slots;
    std::vector<ListHandle> all;
    for (int i = 0; i < 255; ++i) {
        ListHandle l = Make(MakeRect(0, 0, 2, 1), MakeRect(i % 20, i / 20, i % 20 + 30, i / 20 + 40));
        ASSERT_NE(l, nullptr) << i;
        all.push_back(l);
        slots.insert(Slot(l));
    }
    EXPECT_EQ(255u, slots.size());
    EXPECT_EQ(0, *slots.begin());
    EXPECT_EQ(254, *slots.rbegin());
    std::set<HWND> boxes;
    for (ListHandle l : all)
        boxes.insert(Box(l));
    EXPECT_EQ(255u, boxes.size());
    EXPECT_EQ(255u, ListBoxesOf(HwndOf(window_)).size());

    sMessageText.clear();
    SetTimer(nullptr, 0, 100, CloseMessageBox);
    {
        Watchdog dog;
        EXPECT_EQ(nullptr, Make(MakeRect(0, 0, 2, 1)));
    }
    EXPECT_EQ("Too many List Boxes", sMessageText);
    EXPECT_EQ(255u, ListBoxesOf(HwndOf(window_)).size());

    // One from the middle goes with its own list box only; its slot serves the next list.
    ListHandle middle = all[128];
    HWND middleBox = Box(middle);
    const int middleSlot = Slot(middle);
    Dispose(middle);
    EXPECT_FALSE(IsWindow(middleBox));
    EXPECT_EQ(254u, ListBoxesOf(HwndOf(window_)).size());
    for (ListHandle l : all) {
        if (l != middle) {
            EXPECT_TRUE(IsWindow(Box(l)));
        }
    }
    ListHandle next = Make(MakeRect(0, 0, 2, 1));
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(middleSlot, Slot(next));
}

} // namespace

// Control records and the Windows child windows that stand for them: the procID table, the look's
// geometry, the handle carried in a custom control's text, moving, sizing, owner changes, titles, fonts
// and bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Controls.h"
#include "Resources.h"
#include "Zel.h"
#include "test_seams.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using testing_support::P;

constexpr ResType kCNTL = 0x434E544C, kMENU = 0x4D454E55, kCDEF = 0x43444546;
constexpr int16_t kHostCdefID = 200;

ControlPtr Ctl(ControlHandle c) { return *c; }
HWND Child(ControlHandle c) { return ZEL_ControlToHWND(c); }
uint8_t CustomFlag(ControlHandle c) { return Ctl(c)->contrlTitle[250]; }
MenuHandle ComboMenu(ControlHandle c)
{
    MenuHandle m;
    std::memcpy(&m, Ctl(c)->contrlTitle + 242, sizeof m);
    return m;
}
std::string ClassOf(HWND hwnd)
{
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}
RECT ChildRect(ControlHandle c) { return ClientRectInParent(Child(c)); }
Rect MakeRect(int top, int left, int bottom, int right)
{
    return Rect{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

int sInitMessages, sDisposeMessages, sDrawMessages;
int32_t ZEL_CALL HostCDEF(int16_t, ControlHandle, int16_t message, int32_t)
{
    if (message == initCntl)
        ++sInitMessages;
    if (message == dispCntl)
        ++sDisposeMessages;
    if (message == drawCntl)
        ++sDrawMessages;
    return 0;
}

// A resource file with menu 128 ("Red;Green;Blue") and 'CNTL' templates, opened again so that every
// resource comes from the fork. Each test gets a fresh window.
class Controls : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetResLoad(true);
        const auto name = P("controls_test.rsr");
        DeleteFileA("controls_test.rsr");
        CreateResFile(name.c_str());
        int16_t ref = OpenResFile(name.c_str());
        ASSERT_GT(ref, 0);
        UseResFile(ref);
        MenuHandle m = NewMenu(128, P("Colours").c_str());
        AppendMen(m, P("Red;Green;Blue").c_str());
        AddResource(reinterpret_cast<Handle>(m), kMENU, 128, P("").c_str());
        AddResource(Template(MakeRect(10, 20, 30, 100), 5, true, 10, 0, checkBoxProc, 0x77, "Ok"), kCNTL, 128,
                    P("").c_str());
        AddResource(Template(MakeRect(0, 0, 20, 60), 0, true, 0, 0, 0, 1, std::string(250, 'T')), kCNTL, 129,
                    P("").c_str());
        Handle cut = Template(MakeRect(0, 0, 20, 60), 0, true, 0, 0, 0, 2, "Cut short");
        SetHandleSize(cut, 22 + 4); // the length byte says 9, three characters remain
        AddResource(cut, kCNTL, 130, P("").c_str());
        Handle tiny = NewHandleClear(21);
        AddResource(tiny, kCNTL, 131, P("").c_str());
        CloseResFile(ref);
        sRef = OpenResFile(name.c_str());
        ASSERT_GT(sRef, 0);
        UseResFile(sRef);
        ZEL_CodeResource(1, kCDEF, kHostCdefID, reinterpret_cast<ProcPtr>(HostCDEF));
    }
    static void TearDownTestSuite()
    {
        ZEL_CodeResource(0, kCDEF, kHostCdefID, nullptr);
        CloseResFile(sRef);
        DeleteFileA("controls_test.rsr");
    }
    // A 'CNTL' as the library keeps it once loaded: native integers, the title as a Pascal string.
    static Handle Template(Rect r, int16_t value, bool visible, int16_t max, int16_t min, int16_t procID,
                           int32_t refCon, const std::string &title)
    {
        Handle h = NewHandleClear(static_cast<Size>(23 + title.size()));
        char *d = *h;
        std::memcpy(d, &r, 8);
        std::memcpy(d + 8, &value, 2);
        d[10] = visible ? 1 : 0;
        std::memcpy(d + 12, &max, 2);
        std::memcpy(d + 14, &min, 2);
        std::memcpy(d + 16, &procID, 2);
        std::memcpy(d + 18, &refCon, 4);
        d[22] = static_cast<char>(title.size());
        std::memcpy(d + 23, title.data(), title.size());
        return h;
    }
    void SetUp() override
    {
        window_ = MakeWindow(documentProc, 60, 60, 400, 300, "Controls");
        SetPor(window_);
        sInitMessages = sDisposeMessages = sDrawMessages = 0;
    }
    void TearDown() override
    {
        const uint16_t none[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
        ZEL_SetWin95ControlIDs(none, 4);
        ZEL_SystemValue(1, 40, 0);
        DisposeWindow(window_);
        PumpMessages();
    }
    ControlHandle Make(int16_t procID, Rect r = MakeRect(10, 10, 30, 110), const char *title = "Title",
                       int32_t refCon = 0x1234, int16_t value = 0, int16_t min = 0, int16_t max = 10)
    {
        return NewControl(window_, &r, P(title).c_str(), true, value, min, max, procID, refCon);
    }
    static int16_t sRef;
    WindowPtr window_ = nullptr;
};
int16_t Controls::sRef;

// Every row of the creation table: class, style, control ID, kind and variant by procID.
TEST_F(Controls, ProcIDsChooseTheWindowKindAndVariant)
{
    enum { kCustom = -1 };
    struct Row {
        const char *what;
        int16_t procID;
        Rect bounds;
        uint16_t win95[4];
        bool comboSetting;
        const char *className;
        DWORD styleNibble;
        int controlID;
        int32_t kind;
        int variant;
    };
    const Rect wide = MakeRect(10, 10, 26, 110), tall = MakeRect(10, 10, 110, 26), square = MakeRect(10, 10, 26, 26);
    const Rect button = MakeRect(10, 10, 30, 110);
    const uint16_t none[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    const int16_t hostProc = kHostCdefID * 16 + 3;
    const Row rows[] = {
        {"push button", 0, button, {}, false, "Button", BS_PUSHBUTTON, 0x34, 0, 0},
        {"check box", 1, button, {}, false, "Button", BS_CHECKBOX, 0x34, 1, 0},
        {"radio button", 2, button, {}, false, "Button", BS_RADIOBUTTON, 0x34, 2, 0},
        {"window font bit on a push button", 8, button, {}, false, "Button", BS_PUSHBUTTON, 0x34, 0, 0},
        {"wide scroll bar", 16, wide, {}, false, "ScrollBar", SBS_HORZ, 0x34, 16, 0},
        {"tall scroll bar", 16, tall, {}, false, "ScrollBar", SBS_VERT, 0x34, 16, 0},
        {"square scroll bar is vertical", 16, square, {}, false, "ScrollBar", SBS_VERT, 0x34, 16, 0},
        {"popup", 1008, button, {}, false, "Button", BS_OWNERDRAW, 0xFD34, kCustom, 0},
        {"popup variant 5", 1013, button, {}, false, "Button", BS_OWNERDRAW, 0xFD34, kCustom, 5},
        {"popup with the window font keeps variant 8", 1016, button, {}, false, "Button", BS_OWNERDRAW, 0xFD34,
         kCustom, 8},
        {"1024 is no popup and has no CDEF", 1024, button, {}, false, "Button", BS_PUSHBUTTON, 0x34, 0, 0},
        {"registered host CDEF", hostProc, button, {}, false, "Button", BS_OWNERDRAW, 0xFD34, kCustom, 3},
        {"no CDEF, setting 40 off", 4800, button, {}, false, "Button", BS_PUSHBUTTON, 0x34, 0, 0},
        {"no CDEF, setting 40 on", 4800, button, {}, true, "ComboBox", CBS_DROPDOWNLIST, 0x34, 3, 0},
        {"Win95 three-state box", 1600, button, {100, 101, 102, 103}, false, "Button", BS_3STATE, 0x34, 1, 0},
        {"Win95 group box", 1616, button, {100, 101, 102, 103}, false, "Button", BS_GROUPBOX, 0x34, 0, 0},
        {"Win95 combo box", 1632, button, {100, 101, 102, 103}, false, "ComboBox", CBS_DROPDOWNLIST, 0, 3, 0},
        {"Win95 combo box, second entry", 1648, button, {100, 101, 102, 103}, false, "ComboBox", CBS_DROPDOWNLIST,
         0, 3, 0},
        {"Win95 entry before the radio button", 2, button, {0, 1, 0xFFFF, 0xFFFF}, false, "Button", BS_3STATE, 0x34,
         1, 0},
        {"Win95 entry before the scroll bar", 16, wide, {0, 1, 0xFFFF, 0xFFFF}, false, "Button", BS_GROUPBOX, 0x34, 0,
         0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const bool anyWin95 = row.win95[0] || row.win95[1] || row.win95[2] || row.win95[3];
        ZEL_SetWin95ControlIDs(anyWin95 ? row.win95 : none, 4);
        ZEL_SystemValue(1, 40, row.comboSetting ? 1 : 0);
        sInitMessages = sDisposeMessages = 0;
        ControlHandle c = Make(row.procID, row.bounds);
        ASSERT_TRUE(c);
        HWND child = Child(c);
        ASSERT_TRUE(IsWindow(child));
        EXPECT_STRCASEEQ(row.className, ClassOf(child).c_str());
        const DWORD style = GetWindowLongA(child, GWL_STYLE);
        const DWORD mask = ClassOf(child) == "ComboBox" ? 3 : 0xF;
        EXPECT_EQ(row.styleNibble, style & mask);
        EXPECT_EQ(row.controlID, GetDlgCtrlID(child));
        EXPECT_EQ(HwndOf(window_), GetParent(child));
        if (row.kind == kCustom) {
            EXPECT_EQ(1, CustomFlag(c));
            EXPECT_GT(static_cast<uint32_t>(Ctl(c)->contrlDefProc), 0xFFFFu);
        } else {
            EXPECT_EQ(0, CustomFlag(c));
            EXPECT_EQ(row.kind, Ctl(c)->contrlDefProc);
        }
        EXPECT_EQ(row.variant, GetControlVariant(c));
        if (row.comboSetting) {
            EXPECT_TRUE(style & CBS_OWNERDRAWFIXED);
        }
        if (row.procID == hostProc) {
            EXPECT_EQ(1, sInitMessages);
        }
        DisposeControl(c);
        EXPECT_FALSE(IsWindow(child));
        EXPECT_EQ(nullptr, reinterpret_cast<WindowPeek>(window_)->controlList);
        if (row.procID == hostProc) {
            EXPECT_EQ(1, sDisposeMessages);
        }
    }
}

// Scroll bars tell the owner which way they lie, for the grow box.
TEST_F(Controls, ScrollBarsMarkTheirOwnerAndFollowTheirRange)
{
    ControlHandle h = Make(scrollBarProc, MakeRect(200, 0, 216, 300), "", 1, 3, 0, 50);
    ControlHandle v = Make(scrollBarProc, MakeRect(0, 300, 200, 316), "", 2, 0, 5, 5);
    EXPECT_TRUE(AuxOf(window_)->createFlags & wcfHorizScrollBar);
    EXPECT_TRUE(AuxOf(window_)->createFlags & wcfVertScrollBar);
    int lo = -1, hi = -1;
    GetScrollRange(Child(h), SB_CTL, &lo, &hi);
    EXPECT_EQ(0, lo);
    EXPECT_EQ(50, hi);
    EXPECT_TRUE(IsWindowEnabled(Child(h)));
    EXPECT_FALSE(IsWindowEnabled(Child(v))); // minimum == maximum
}

// Under the three-dimensional look a 20-high push button grows to 23, in the record and on the screen,
// while the caller's rectangle, here in read-only memory, stays as it was.
TEST_F(Controls, ThreeDLookGrowsPushButtonsWithoutTouchingTheCallersRectangle)
{
    ASSERT_TRUE(ThreeDLook());
    auto *page = static_cast<Rect *>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    *page = MakeRect(40, 40, 60, 140);
    DWORD old;
    VirtualProtect(page, 4096, PAGE_READONLY, &old);
    ControlHandle c = NewControl(window_, page, P("OK").c_str(), true, 0, 0, 1, pushButProc, 1);
    ASSERT_TRUE(c);
    EXPECT_EQ(20, page->bottom - page->top);
    EXPECT_EQ(23, Ctl(c)->contrlRect.bottom - Ctl(c)->contrlRect.top);
    RECT client;
    GetClientRect(Child(c), &client);
    EXPECT_EQ(23, client.bottom);
    // A check box is not moved under this look.
    ControlHandle box = Make(checkBoxProc, MakeRect(80, 40, 96, 140));
    EXPECT_EQ(80, Ctl(box)->contrlRect.top);
    VirtualFree(page, 0, MEM_RELEASE);
}

// A combo box whose title's third comma-separated field is a menu ID holds that menu's items; a title of
// fewer fields keeps the menu it got at creation.
TEST_F(Controls, ComboBoxesTakeTheirMenuFromTheTitleOrTheirReference)
{
    ZEL_SystemValue(1, 40, 1);
    ControlHandle fromTitle = Make(4800, MakeRect(10, 10, 30, 150), "Colour,x,128", 0);
    ASSERT_TRUE(fromTitle);
    HWND box = Child(fromTitle);
    EXPECT_EQ(3, SendMessageA(box, CB_GETCOUNT, 0, 0));
    char text[32] = {};
    SendMessageA(box, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ("Green", text);
    EXPECT_EQ(0, SendMessageA(box, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(1, Ctl(fromTitle)->contrlMin);
    EXPECT_EQ(3, Ctl(fromTitle)->contrlMax);
    EXPECT_EQ(GetMen(128), ComboMenu(fromTitle));
    EXPECT_TRUE(SendMessageA(box, CB_GETEXTENDEDUI, 0, 0));

    ZEL_SystemValue(1, 40, 0);
    const uint16_t ids[4] = {0xFFFF, 0xFFFF, 102, 0xFFFF};
    ZEL_SetWin95ControlIDs(ids, 4);
    ControlHandle fromRef = Make(102 * 16, MakeRect(40, 10, 60, 150), "Two,fields", 128);
    ASSERT_TRUE(fromRef);
    EXPECT_EQ(GetMen(128), ComboMenu(fromRef));
    EXPECT_EQ(1, Ctl(fromRef)->contrlMin);
    EXPECT_EQ(3, Ctl(fromRef)->contrlMax);
}

// The Part's example bytes, and real handles of custom controls with zero and 0x80 bytes: the window
// text carries the handle whole, and never holds a NUL before its end.
TEST_F(Controls, CustomControlTextCarriesTheHandle)
{
    char text[8] = {};
    EncodeControlHandleText(0x10C14100, text);
    EXPECT_EQ(0, std::memcmp(text, "\x41\x44\x20\x41\x41\x10", 7));
    EXPECT_EQ(0x10C14100u, DecodeControlHandleText(text));
    const uint32_t awkward[] = {0x80808080, 0x00000080, 0x80000000, 0, 0xFFFFFFFF, 0x7F00807F};
    for (uint32_t h : awkward) {
        EncodeControlHandleText(h, text);
        EXPECT_EQ(6u, std::strlen(text)) << std::hex << h;
        EXPECT_EQ(h, DecodeControlHandleText(text)) << std::hex << h;
    }

    // Custom controls are made among spare handles until several held a zero byte and a 0x80 byte: the
    // spare handles move the next master pointer on, a step at a time.
    auto hasByte = [](uint32_t value, uint8_t wanted) {
        for (int b = 0; b < 4; ++b)
            if (static_cast<uint8_t>(value >> (8 * b)) == wanted)
                return true;
        return false;
    };
    std::vector<Handle> spare;
    int zeroBytes = 0, topBitBytes = 0;
    uint32_t last = 0;
    for (int i = 0; i < 400000 && (zeroBytes < 3 || topBitBytes < 3); ++i) {
        Handle probe = NewHandle(0);
        ASSERT_TRUE(probe);
        spare.push_back(probe);
        const uint32_t here = reinterpret_cast<uint32_t>(probe), step = here - last;
        last = here;
        const uint32_t next = here + step;
        if (step > 64 || !((hasByte(next, 0x80) && topBitBytes < 3) || (hasByte(next, 0) && zeroBytes < 3)))
            continue;
        ControlHandle c = Make(kHostCdefID * 16);
        ASSERT_TRUE(c);
        const uint32_t value = reinterpret_cast<uint32_t>(c);
        const bool zero = hasByte(value, 0), top = hasByte(value, 0x80);
        char windowText[16] = {};
        GetWindowTextA(Child(c), windowText, sizeof windowText);
        ASSERT_EQ(6u, std::strlen(windowText)) << std::hex << value;
        ASSERT_EQ(value, DecodeControlHandleText(windowText)) << std::hex << value;
        zeroBytes += zero;
        topBitBytes += top;
        DisposeControl(c);
        last = value;
        spare.push_back(NewHandle(0)); // the record the control had, so the search moves on
        last = reinterpret_cast<uint32_t>(spare.back());
    }
    for (Handle h : spare)
        DisposeHandle(h);
    EXPECT_GE(zeroBytes, 3);
    EXPECT_GE(topBitBytes, 3);
}

// A horizontal scroll bar sized into a vertical one is made again: the same handle, value and limits on
// a new vertical window; the old window is gone.
TEST_F(Controls, ScrollBarTurnedBySizingIsMadeAgain)
{
    ControlHandle c = Make(scrollBarProc, MakeRect(10, 10, 26, 210), "", 5, 7, 2, 40);
    HWND before = Child(c);
    EXPECT_FALSE(GetWindowLongA(before, GWL_STYLE) & SBS_VERT);
    SizeControl(c, 16, 150);
    HWND after = Child(c);
    EXPECT_FALSE(IsWindow(before));
    ASSERT_TRUE(IsWindow(after));
    EXPECT_TRUE(GetWindowLongA(after, GWL_STYLE) & SBS_VERT);
    EXPECT_EQ(7, Ctl(c)->contrlValue);
    EXPECT_EQ(2, Ctl(c)->contrlMin);
    EXPECT_EQ(40, Ctl(c)->contrlMax);
    EXPECT_EQ(5, Ctl(c)->contrlRfCon);
    EXPECT_EQ(c, reinterpret_cast<WindowPeek>(window_)->controlList);
    EXPECT_EQ(nullptr, Ctl(c)->nextControl);
    RECT r = ChildRect(c);
    EXPECT_EQ(16, r.right - r.left);
    EXPECT_EQ(150, r.bottom - r.top);
    // Sizing that keeps the orientation keeps the window.
    SizeControl(c, 16, 120);
    EXPECT_EQ(after, Child(c));
    EXPECT_EQ(120, ChildRect(c).bottom - ChildRect(c).top);
}

// Controls follow the owner's origin: after SetOrigin a re-shown control sits at contrlRect less the new
// origin, and MoveControl places the child at the mapped rectangle.
TEST_F(Controls, ChildWindowsFollowTheOwnersOrigin)
{
    ControlHandle c = Make(pushButProc, MakeRect(50, 40, 70, 120));
    RECT r = ChildRect(c);
    EXPECT_EQ(40, r.left);
    EXPECT_EQ(50, r.top);
    SetOrigin(10, 20);
    HideControl(c);
    EXPECT_FALSE(IsWindowVisible(Child(c)));
    ShowControl(c);
    EXPECT_TRUE(IsWindowVisible(Child(c)));
    r = ChildRect(c);
    EXPECT_EQ(30, r.left);
    EXPECT_EQ(30, r.top);
    MoveControl(c, 100, 80);
    r = ChildRect(c);
    EXPECT_EQ(90, r.left);
    EXPECT_EQ(60, r.top);
    EXPECT_EQ(80, Ctl(c)->contrlRect.top);
    EXPECT_EQ(100, Ctl(c)->contrlRect.left);
    EXPECT_EQ(180, Ctl(c)->contrlRect.right);
    SetOrigin(0, 0);
}

// Moving a control to another window takes it out of the first window's list: killing the first window's
// controls leaves it alive, killing the second's disposes it.
TEST_F(Controls, OwnerChangeMovesTheControlBetweenLists)
{
    WindowPtr other = MakeWindow(documentProc, 80, 500, 200, 150, "Other");
    ControlHandle stays = Make(pushButProc, MakeRect(10, 10, 30, 90), "Stays");
    ControlHandle moves = Make(pushButProc, MakeRect(40, 10, 60, 90), "Moves");
    EXPECT_EQ(other, ZEL_ContrlOwnerChange(moves, other));
    EXPECT_EQ(HwndOf(other), GetParent(Child(moves)));
    EXPECT_EQ(other, Ctl(moves)->contrlOwner);
    EXPECT_EQ(stays, reinterpret_cast<WindowPeek>(window_)->controlList);
    EXPECT_EQ(nullptr, Ctl(stays)->nextControl);
    EXPECT_EQ(moves, reinterpret_cast<WindowPeek>(other)->controlList);
    EXPECT_EQ(nullptr, Ctl(moves)->nextControl);
    HWND movedChild = Child(moves);
    KillControls(window_);
    EXPECT_EQ(nullptr, reinterpret_cast<WindowPeek>(window_)->controlList);
    EXPECT_TRUE(IsWindow(movedChild));
    KillControls(other);
    EXPECT_FALSE(IsWindow(movedChild));
    EXPECT_EQ(nullptr, reinterpret_cast<WindowPeek>(other)->controlList);
    DisposeWindow(other);
}

// Titles of more than 241 characters, from NewControl, 'CNTL' and SetControlTitle, read back cut to 241
// and leave the library's bytes alone: the child is still found and destroyed.
TEST_F(Controls, LongTitlesAreCutBeforeTheLibrarysBytes)
{
    const std::string longTitle(250, 'L');
    Str255 title;
    auto check = [&](ControlHandle c, char fill) {
        ASSERT_TRUE(c);
        GetControlTitle(c, title);
        EXPECT_EQ(241, title[0]);
        EXPECT_EQ(std::string(241, fill), std::string(reinterpret_cast<char *>(title + 1), title[0]));
        HWND child = Child(c);
        EXPECT_TRUE(IsWindow(child));
        char text[300] = {};
        GetWindowTextA(child, text, sizeof text);
        EXPECT_EQ(241u, std::strlen(text));
        DisposeControl(c);
        EXPECT_FALSE(IsWindow(child));
    };
    check(Make(pushButProc, MakeRect(10, 10, 30, 110), longTitle.c_str()), 'L');
    check(GetNewControl(129, window_), 'T');
    ControlHandle c = Make(pushButProc);
    SetControlTitle(c, P(std::string(250, 'S').c_str()).c_str());
    check(c, 'S');
}

TEST_F(Controls, ControlTemplatesAreReadWithinTheResource)
{
    ControlHandle c = GetNewControl(128, window_);
    ASSERT_TRUE(c);
    EXPECT_EQ(10 - (ThreeDLook() ? 0 : 1), Ctl(c)->contrlRect.top);
    EXPECT_EQ(20, Ctl(c)->contrlRect.left);
    EXPECT_EQ(5, Ctl(c)->contrlValue);
    EXPECT_EQ(10, Ctl(c)->contrlMax);
    EXPECT_EQ(0x77, Ctl(c)->contrlRfCon);
    EXPECT_EQ(1, Ctl(c)->contrlDefProc);
    char text[16] = {};
    GetWindowTextA(Child(c), text, sizeof text);
    EXPECT_STREQ("Ok", text);

    Str255 title;
    ControlHandle cut = GetNewControl(130, window_);
    ASSERT_TRUE(cut);
    GetControlTitle(cut, title);
    EXPECT_EQ(std::string("Cut"), std::string(reinterpret_cast<char *>(title + 1), title[0]));

    EXPECT_EQ(nullptr, GetNewControl(131, window_)); // shorter than the fixed fields
    EXPECT_EQ(nullptr, GetNewControl(999, window_)); // missing
    EXPECT_EQ(c, reinterpret_cast<WindowPeek>(window_)->controlList == cut ? Ctl(cut)->nextControl : nullptr);
}

TEST_F(Controls, FontsAddedFlushedAndSet)
{
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(i, ZEL_AddControlFont("Arial", int16_t(-10 - i), 400));
    EXPECT_EQ(-1, ZEL_AddControlFont("Arial", -20, 400));
    ControlHandle c = Make(pushButProc);
    HWND child = Child(c);
    ZEL_SetControlFont(c, 3);
    HFONT third = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    GetObjectA(third, sizeof lf, &lf);
    EXPECT_EQ(-13, lf.lfHeight);
    ZEL_SetControlFont(c, 100);
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
    EXPECT_NE(third, dialogFont);
    ZEL_SetControlFont(c, 55); // no such font: nothing is sent
    EXPECT_EQ(dialogFont, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
    ZEL_FlushControlFonts();
    EXPECT_EQ(0, ZEL_AddControlFont("Arial", -12, 700));
    ZEL_FlushControlFonts();
}

TEST_F(Controls, BadInputsMakeNothing)
{
    Rect r = MakeRect(10, 10, 30, 110);
    const size_t before = reinterpret_cast<size_t>(GetWindow(HwndOf(window_), GW_CHILD));
    EXPECT_EQ(nullptr, NewControl(nullptr, &r, P("x").c_str(), true, 0, 0, 1, 0, 0));
    EXPECT_EQ(before, reinterpret_cast<size_t>(GetWindow(HwndOf(window_), GW_CHILD)));
    EXPECT_EQ(0, GetControlVariant(nullptr));
    DisposeControl(nullptr);
    EXPECT_EQ(nullptr, GetNewControl(128, nullptr));
    ZEL_SetWin95ControlIDs(nullptr, 4);
    const uint16_t ids[1] = {0};
    ZEL_SetWin95ControlIDs(ids, 0); // a count below 1 changes nothing: procID 2 stays a radio button
    ControlHandle radio = Make(radioButProc);
    EXPECT_EQ(BS_RADIOBUTTON, GetWindowLongA(Child(radio), GWL_STYLE) & 0xF);
    testing_support::TakeDebugMessages();
    Handle aux = nullptr;
    EXPECT_FALSE(GetAuxiliaryControlRecord(radio, &aux));
    SetControlColor(radio, nullptr);
    std::string said;
    for (const std::string &m : testing_support::TakeDebugMessages())
        said += m;
    EXPECT_NE(std::string::npos, said.find("GetAuxCtl"));
    EXPECT_NE(std::string::npos, said.find("SetCtlColor"));
}

// A control whose window cannot be made leaves no record behind.
TEST_F(Controls, FailedWindowCreationLeavesNoRecord)
{
    ControlHandle keep = Make(pushButProc);
    HWND frame = HwndOf(window_);
    // A window that is gone cannot parent a child.
    AuxOf(window_)->hwnd = reinterpret_cast<HWND>(0x7FFF0);
    Rect r = MakeRect(10, 10, 30, 110);
    (void)frame;
    EXPECT_EQ(nullptr, NewControl(window_, &r, P("x").c_str(), true, 0, 0, 1, 0, 0));
    AuxOf(window_)->hwnd = frame;
    EXPECT_EQ(keep, reinterpret_cast<WindowPeek>(window_)->controlList);
    EXPECT_EQ(nullptr, Ctl(keep)->nextControl);
}

// The kinds the keyboard and command glue read from the child windows' procedures.
TEST_F(Controls, ChildWindowsAnswerTheirKinds)
{
    ZEL_SystemValue(1, 40, 0);
    struct Row {
        int16_t procID;
        Rect bounds;
        uint16_t kind;
    } rows[] = {
        {pushButProc, MakeRect(10, 10, 30, 110), 2},
        {checkBoxProc, MakeRect(40, 10, 60, 110), 2},
        {radioButProc, MakeRect(70, 10, 90, 110), 2},
        {scrollBarProc, MakeRect(100, 10, 116, 210), 1},
        {kHostCdefID * 16, MakeRect(130, 10, 150, 110), 4},
        {1008, MakeRect(160, 10, 180, 110), 4},
    };
    for (const Row &row : rows) {
        ControlHandle c = Make(row.procID, row.bounds);
        Boolean isEdit = true;
        EXPECT_EQ(row.kind, LibraryControlKindOf(Child(c), &isEdit)) << row.procID;
        EXPECT_FALSE(isEdit);
    }
    ZEL_SystemValue(1, 40, 1);
    ControlHandle combo = Make(4800, MakeRect(190, 10, 210, 110));
    EXPECT_EQ(7, LibraryControlKindOf(Child(combo), nullptr));
    HWND plain = CreateWindowA("button", "plain", WS_CHILD | BS_PUSHBUTTON, 0, 0, 10, 10, HwndOf(window_), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(0xFFFF, LibraryControlKindOf(plain, nullptr));
    DestroyWindow(plain);
}

TEST_F(Controls, FieldsAndHostGlue)
{
    ControlHandle c = Make(pushButProc);
    SetControlReference(c, 0x5150);
    EXPECT_EQ(0x5150, GetControlReference(c));
    auto action = reinterpret_cast<ProcPtr>(HostCDEF);
    SetControlAction(c, action);
    EXPECT_EQ(action, GetControlAction(c));
    ZEL_SetWindowDefaultButton(c, true);
    EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(Child(c), GWL_STYLE) & 0xF);
    ZEL_SetWindowDefaultButton(c, false);
    EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongA(Child(c), GWL_STYLE) & 0xF);
    ZEL_SetCtlFocus(c, true);
    EXPECT_EQ(Child(c), GetFocus());
    // A custom control's new title is drawn through its definition procedure.
    ControlHandle custom = Make(kHostCdefID * 16);
    sDrawMessages = 0;
    SetControlTitle(custom, P("New").c_str());
    EXPECT_EQ(1, sDrawMessages);
    SetControlTitle(c, P("Renamed").c_str());
    char text[16] = {};
    GetWindowTextA(Child(c), text, sizeof text);
    EXPECT_STREQ("Renamed", text);
}

} // namespace

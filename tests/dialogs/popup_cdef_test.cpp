// The popup menu control: its record and rectangles, hit testing while the control moves, the box's
// frame, shadow, triangle and truncated item text read back from the owner's pixels, menus of their own
// definition, and the menu popped up by a press in the box.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Controls.h"
#include "LowMem.h"
#include "MacMemory.h"
#include "Menus.h"
#include "Zel.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using testing_support::P;

constexpr int16_t kMenuID = 140;
constexpr int16_t kTitleWidth = 50;
const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

Rect MakeRect(int top, int left, int bottom, int right)
{
    return Rect{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}
PopupControlData *Data(ControlHandle c) { return reinterpret_cast<PopupControlData *>(*(*c)->contrlData); }
int32_t Pack(int v, int h) { return int32_t((uint32_t(uint16_t(v)) << 16) | uint16_t(h)); }

// A window with a four-item menu in the menu list. The popup's child window is hidden, so that the
// definition procedure's drawing lands on the owner's own pixels, where the test reads it.
class PopupControl : public testing::Test {
protected:
    void SetUp() override
    {
        window_ = MakeWindow(documentProc, 60, 60, 400, 300, "Popup");
        SetPor(window_);
        menu_ = NewMenu(kMenuID, P("Pop").c_str());
        AppendMen(menu_, P("Alpha;Beta;Gamma;Delta").c_str());
        InsertMen(menu_, -1);
        PumpMessages();
    }
    void TearDown() override
    {
        DisposeWindow(window_);
        DeleteMen(kMenuID);
        DisposeMenu(menu_);
        PumpMessages();
    }
    ControlHandle Make(Rect r, int16_t procID = popupMenuProc, int16_t menuID = kMenuID,
                       int16_t titleWidth = kTitleWidth, const char *title = "Pick")
    {
        ControlHandle c = NewControl(window_, &r, P(title).c_str(), true, 0, menuID, titleWidth, procID, 0);
        if (c)
            ShowWindow(ZEL_ControlToHWND(c), SW_HIDE);
        PumpMessages();
        return c;
    }
    // Whitens the owner's client area, then has the control drawn (message 0, part 0).
    void DrawOnWhite(ControlHandle c)
    {
        Rect all = MakeRect(0, 0, 300, 400);
        BackColor(whiteColor);
        EraseRect(&all);
        ZEL_PopupCDEF(GetControlVariant(c), c, drawCntl, 0);
    }
    COLORREF Pixel(int h, int v)
    {
        HDC dc = GetDC(HwndOf(window_));
        const COLORREF c = GetPixel(dc, h, v);
        ReleaseDC(HwndOf(window_), dc);
        return c;
    }
    bool Ink(int h, int v) { return Pixel(h, v) != kWhite; }
    // The rightmost column with ink in a row span of the window, -1 when none.
    int RightmostInk(int top, int bottom, int left, int right)
    {
        int found = -1;
        HDC dc = GetDC(HwndOf(window_));
        for (int v = top; v < bottom; ++v)
            for (int h = left; h < right; ++h)
                if (GetPixel(dc, h, v) != kWhite && h > found)
                    found = h;
        ReleaseDC(HwndOf(window_), dc);
        return found;
    }
    WindowPtr window_ = nullptr;
    MenuHandle menu_ = nullptr;
};

TEST_F(PopupControl, RecordRectanglesAndHits)
{
    const Rect r = MakeRect(20, 20, 40, 300);
    ControlHandle c = Make(r);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(1, GetControlValue(c));
    EXPECT_EQ(1, GetControlMinimum(c));
    EXPECT_EQ(4, GetControlMaximum(c));
    ASSERT_NE((*c)->contrlData, nullptr);
    EXPECT_EQ(menu_, Data(c)->menu);
    EXPECT_TRUE(SameRect(Data(c)->titleRect, MakeRect(20, 20, 40, 20 + kTitleWidth)));

    // Without a fixed width the box ends at the menu's width plus the widest character, measured in the
    // system font at 10 (the port's text size is below 11).
    const int16_t savedFont = window_->txFont, savedSize = window_->txSize;
    TextFont(0);
    TextSize(savedSize < 11 ? 10 : 12);
    FontInfo info{};
    GetFontInfo(&info);
    CalcMenuSize(menu_);
    const int cut = 20 + kTitleWidth + (*menu_)->menuWidth + info.widMax;
    TextFont(savedFont);
    TextSize(savedSize);
    ASSERT_LT(cut, 300) << "the menu is narrower than the control";
    EXPECT_TRUE(SameRect(Data(c)->boxRect, MakeRect(20, 20 + kTitleWidth, 40, cut)))
        << Data(c)->boxRect.right << " " << cut << " " << (*menu_)->menuWidth << " " << info.widMax;
    ControlHandle fixed = Make(MakeRect(60, 20, 80, 300), popupMenuProc + 1);
    EXPECT_TRUE(SameRect(Data(fixed)->boxRect, MakeRect(60, 20 + kTitleWidth, 80, 300)));

    struct Hit {
        const char *what;
        int v, h;
        int32_t part;
    } const hits[] = {
        {"title", 30, 25, 1},         {"title's last column", 30, 69, 1}, {"box's first column", 30, 70, 2},
        {"box", 30, cut - 1, 2},      {"right of the cut box", 30, cut, 0}, {"above", 19, 30, 0},
        {"below", 40, 100, 0},        {"left", 30, 19, 0},
    };
    for (const Hit &hit : hits)
        EXPECT_EQ(hit.part, ZEL_PopupCDEF(0, c, testCntl, Pack(hit.v, hit.h))) << hit.what;
    EXPECT_EQ(0, ZEL_PopupCDEF(0, c, dragCntl, 0));

    // Moved by 100 down and 10 right: the old places miss, the new ones hit.
    MoveControl(c, 30, 120);
    EXPECT_EQ(0, ZEL_PopupCDEF(0, c, testCntl, Pack(30, 25)));
    EXPECT_EQ(1, ZEL_PopupCDEF(0, c, testCntl, Pack(130, 35)));
    EXPECT_EQ(2, ZEL_PopupCDEF(0, c, testCntl, Pack(130, 80)));
    EXPECT_EQ(2, TestControl(c, Point{130, 80}));
    EXPECT_EQ(120, Data(c)->boxRect.top);

    ZEL_PopupCDEF(0, c, dispCntl, 0);
    EXPECT_EQ(nullptr, (*c)->contrlData);
    EXPECT_EQ(0, ZEL_PopupCDEF(0, c, testCntl, Pack(130, 80)));
}

// A menu ID that names no menu, or a record that cannot be allocated: no record, no hits, no drawing,
// and the control's fields as they were given.
TEST_F(PopupControl, NoMenuOrNoMemoryMakesNoRecord)
{
    ControlHandle missing = Make(MakeRect(20, 20, 40, 300), popupMenuProc, 999);
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(nullptr, (*missing)->contrlData);
    EXPECT_EQ(999, GetControlMinimum(missing));
    EXPECT_EQ(kTitleWidth, GetControlMaximum(missing));
    for (int h : {25, 100, 250})
        EXPECT_EQ(0, ZEL_PopupCDEF(0, missing, testCntl, Pack(30, h)));
    DrawOnWhite(missing);
    EXPECT_EQ(-1, RightmostInk(18, 42, 0, 390));

    ControlHandle c = Make(MakeRect(60, 20, 80, 300));
    ZEL_PopupCDEF(0, c, dispCntl, 0);
    (*c)->contrlMin = kMenuID;
    (*c)->contrlMax = kTitleWidth;
    (*c)->contrlValue = 0;
    ZEL_SetMemoryLimits(1, 1, 0, 0);
    ZEL_PopupCDEF(0, c, initCntl, 0);
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    EXPECT_EQ(nullptr, (*c)->contrlData);
    EXPECT_EQ(kMenuID, (*c)->contrlMin);
    EXPECT_EQ(kTitleWidth, (*c)->contrlMax);
    EXPECT_EQ(0, (*c)->contrlValue);
    EXPECT_EQ(0, ZEL_PopupCDEF(0, c, testCntl, Pack(70, 100)));
}

TEST_F(PopupControl, BoxFrameShadowAndTriangle)
{
    ControlHandle c = Make(MakeRect(30, 20, 52, 260), popupMenuProc + 1);
    DrawOnWhite(c);
    Rect frame = Data(c)->boxRect;
    --frame.bottom;
    --frame.right;
    // The frame's four sides, the shadow one pixel outside its bottom and right from two pixels in.
    EXPECT_TRUE(Ink(frame.left, frame.top));
    EXPECT_TRUE(Ink(frame.right - 1, frame.bottom - 1));
    EXPECT_TRUE(Ink(frame.left, frame.bottom - 1));
    EXPECT_TRUE(Ink(frame.right - 1, frame.top));
    EXPECT_TRUE(Ink(frame.left + 2, frame.bottom));
    EXPECT_TRUE(Ink(frame.right, frame.top + 2));
    EXPECT_TRUE(Ink(frame.right, frame.bottom));
    EXPECT_FALSE(Ink(frame.left + 1, frame.bottom));
    EXPECT_FALSE(Ink(frame.right, frame.top + 1));
    EXPECT_FALSE(Ink(frame.left - 1, frame.top + 5)) << "nothing left of the box in the title's last column";

    const int top = frame.top + (frame.bottom - frame.top - 6) / 2;
    HDC dc = GetDC(HwndOf(window_));
    for (int i = 0; i <= 5; ++i) {
        SCOPED_TRACE(i);
        int count = 0, last = -1;
        for (int h = frame.right - 30; h < frame.right - 1; ++h)
            if (GetPixel(dc, h, top + i) != kWhite) {
                ++count;
                last = h;
            }
        EXPECT_EQ(10 - 2 * i, count);
        if (i < 5) {
            EXPECT_EQ(frame.right - 7 - i, last);
        }
    }
    ReleaseDC(HwndOf(window_), dc);
    // The item text and the title carry ink.
    EXPECT_NE(-1, RightmostInk(frame.top + 2, frame.bottom - 2, frame.left + 2, frame.left + 60));
    EXPECT_NE(-1, RightmostInk(30, 52, 20, 20 + kTitleWidth));
}

// A fixed-width box narrower than its item's text cuts the text and ends it in dots, with no text ink
// in the triangle's margin; rooms shorter than the dots draw and return.
TEST_F(PopupControl, LongItemTextIsCut)
{
    SetMenuItemText(menu_, 1, P("An item whose text is much wider than its box").c_str());
    ControlHandle c = Make(MakeRect(30, 20, 52, 180), popupMenuProc + 1);
    DrawOnWhite(c);
    Rect frame = Data(c)->boxRect;
    --frame.bottom;
    --frame.right;
    const int textRight = RightmostInk(frame.top + 2, frame.bottom - 2, frame.left + 1, frame.right - 17);
    EXPECT_NE(-1, textRight);
    EXPECT_EQ(-1, RightmostInk(frame.top + 2, frame.top + (frame.bottom - frame.top - 6) / 2 - 1,
                               frame.right - 17, frame.right - 1))
        << "nothing above the triangle right of the room";
    // The text ends in three dots: single ink pixels on the baseline, none above them.
    const int16_t savedFont = window_->txFont, savedSize = window_->txSize;
    TextFont(0);
    TextSize(10);
    FontInfo info{};
    GetFontInfo(&info);
    TextFont(savedFont);
    TextSize(savedSize);
    const int baseline = frame.top + (frame.bottom - frame.top - info.ascent - info.descent) / 2 + info.ascent;
    EXPECT_TRUE(Ink(textRight, baseline - 1) || Ink(textRight, baseline - 2));
    EXPECT_EQ(-1, RightmostInk(frame.top + 2, baseline - 4, textRight - 1, textRight + 1)) << "a dot, no letter";

    // Rooms from one pixel to below the dots' width.
    for (int room = 1; room <= 12; ++room) {
        SCOPED_TRACE(room);
        const int width = kTitleWidth + room + 17 + 1 + 12; // title, room, margin, frame edge, check mark
        ControlHandle narrow = Make(MakeRect(100, 20, 122, 20 + width), popupMenuProc + 1);
        DrawOnWhite(narrow);
        DisposeControl(narrow);
    }
}

struct OwnMDEF {
    static inline std::vector<int16_t> messages;
    static void ZEL_CALL Run(int16_t message, MenuHandle, Rect *menuRect, Point, int16_t *whichItem)
    {
        messages.push_back(message);
        if (message == mPopUpMsg) {
            *whichItem = 77;
            menuRect->bottom = 333;
        }
    }
};

TEST_F(PopupControl, OwnMenuDefinitionPlacesAndDraws)
{
    Handle mdef = NewHandleClear(6);
    MenuDefProcPtr proc = OwnMDEF::Run;
    std::memcpy(*mdef + 2, &proc, sizeof proc);
    ControlHandle c = Make(MakeRect(30, 20, 52, 260), popupMenuProc + 1);
    (*menu_)->menuProc = mdef;
    OwnMDEF::messages.clear();
    LMSetTopMenuItem(0);
    LMSetAtMenuBottom(0);
    DrawOnWhite(c);
    (*menu_)->menuProc = nullptr;
    DisposeHandle(mdef);
    EXPECT_EQ(std::vector<int16_t>({mPopUpMsg, mDrawMsg}), OwnMDEF::messages);
    EXPECT_EQ(77, LMGetTopMenuItem());
    EXPECT_EQ(333, LMGetAtMenuBottom());
}

// A press in the box pops the menu up: keys sent by a thread timer choose in it. The title is inverted
// while the menu is open.
std::vector<WORD> sKeys;
HWND sOwner;
POINT sTitlePoint;
COLORREF sTitleWhileOpen;
VOID CALLBACK ChooseByKeys(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HDC dc = GetDC(sOwner);
    sTitleWhileOpen = GetPixel(dc, sTitlePoint.x, sTitlePoint.y);
    ReleaseDC(sOwner, dc);
    SendKeys(sKeys);
}

TEST_F(PopupControl, PressInTheBoxChoosesFromTheMenu)
{
    ShowWindow(HostMainWindow(), SW_SHOW);
    SetForegroundWindow(HostMainWindow());
    SetFocus(HostMainWindow());
    SelectWindow(window_);
    ControlHandle c = Make(MakeRect(30, 20, 52, 260), popupMenuProc + 1);
    DrawOnWhite(c);
    sOwner = HwndOf(window_);
    sTitlePoint = POINT{20 + kTitleWidth - 1, 31};
    ASSERT_EQ(kWhite, Pixel(sTitlePoint.x, sTitlePoint.y));
    const Rect box = Data(c)->boxRect;
    struct Case {
        const char *what;
        std::vector<WORD> keys;
        int16_t value;
        bool textChanges;
    } const cases[] = {
        {"down three times to the third item", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, 3, true},
        {"escape keeps the value", {VK_ESCAPE}, 3, false},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        const int before = RightmostInk(box.top + 2, box.bottom - 3, box.left + 1, box.right - 20);
        Rect strip = MakeRect(box.top + 2, box.left + 2, box.bottom - 3, box.right - 20);
        EraseRect(&strip); // the redraw puts the text back
        sKeys = k.keys;
        sTitleWhileOpen = CLR_INVALID;
        SetTimer(nullptr, 0, 150, ChooseByKeys);
        {
            Watchdog dog;
            EXPECT_EQ(2, TrackControl(c, Point{40, 100}, nullptr));
        }
        EXPECT_EQ(k.value, GetControlValue(c));
        EXPECT_EQ(kBlack, sTitleWhileOpen) << "the title is inverted while the menu is open";
        EXPECT_EQ(kWhite, Pixel(sTitlePoint.x, sTitlePoint.y)) << "and restored after";
        const int after = RightmostInk(box.top + 2, box.bottom - 3, box.left + 1, box.right - 20);
        EXPECT_NE(-1, after) << "the box is redrawn";
        if (k.textChanges) {
            EXPECT_NE(before, after) << "Gamma is drawn where Alpha was";
        } else {
            EXPECT_EQ(before, after) << "the same text again";
        }
    }
}

} // namespace

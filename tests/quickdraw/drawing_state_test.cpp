// Drawing state: transfer modes and their raster operations on real pixels, the pen state, the
// classic and RGB colour setters, and the clip.
#include <gtest/gtest.h>

#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

// What QuickDraw's boolean modes do to a pixel under a line of the black pen pattern, on a port whose
// background colour is white, as the published definition of the modes with colour has it: copy and or
// apply the foreground colour, xor inverts, bic and notCopy apply the background colour, and the other
// not-modes act only under the pattern's 0 bits, of which there are none.
COLORREF MacResult(int mode, COLORREF pen, COLORREF dest)
{
    switch (mode & 7) {
    case 0: case 1: return pen;
    case 2: return ~dest & 0xFFFFFF;
    case 3: case 4: return RGB(255, 255, 255);
    default: return dest;
    }
}

class DrawingState : public QuickDrawTest {};

} // namespace

// Every boolean mode, source and pattern form, drawn by the library as a solid line over a row of known
// backgrounds, must leave what QuickDraw would.
TEST_F(DrawingState, EveryBooleanModeDrawsItsRasterOperation)
{
    const COLORREF backgrounds[] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(0x33, 0x66, 0x99), RGB(0xF0, 0x0F, 0xAA)};
    const COLORREF pens[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0xC0, 0x30, 0x0C)};
    const int n = 4;
    for (int mode = 0; mode <= 15; ++mode)
        for (COLORREF pen : pens) {
            DibPort port(n, 1);
            for (int x = 0; x < n; ++x)
                SetPixel(port.surface().dc(), x, 0, backgrounds[x]);
            SetPor(port.port());
            const RGBColor rgb{static_cast<uint16_t>(GetRValue(pen) * 0x101), static_cast<uint16_t>(GetGValue(pen) * 0x101),
                               static_cast<uint16_t>(GetBValue(pen) * 0x101)};
            RGBForeColor(&rgb);
            PenMode(static_cast<int16_t>(mode));
            MoveT(0, 0);
            LineT(n - 1, 0);
            for (int x = 0; x < n; ++x)
                EXPECT_EQ(port.surface().Pixel(x, 0), MacResult(mode, pen, backgrounds[x]))
                    << "mode " << mode << " pen " << std::hex << pen << " on " << backgrounds[x];
        }
}

TEST_F(DrawingState, PenModeSizeAndStateRoundTrip)
{
    DibPort dp(8, 8);
    SetPor(dp.port());
    GrafPtr port = dp.port();
    PenMode(50);
    EXPECT_EQ(port->pnMode, 42) << "the arithmetic modes 40..63 fold down by 8";
    PenMode(patXor);
    EXPECT_EQ(port->pnMode, patXor);

    PenSize(3, 5);
    EXPECT_TRUE(port->pnSize.h == 3 && port->pnSize.v == 5);
    port->pnLoc = Point{4, 6};
    PenState saved;
    GetPenState(&saved);
    EXPECT_EQ(saved.pnMode & 0x7FFF, patXor);

    PenNormal();
    EXPECT_TRUE(port->pnSize.h == 1 && port->pnSize.v == 1);
    EXPECT_EQ(port->pnMode, patCopy);
    port->pnLoc = Point{0, 0};
    SetPenState(&saved);
    EXPECT_TRUE(port->pnSize.h == 3 && port->pnSize.v == 5);
    EXPECT_EQ(port->pnMode, patXor);
    Point pen;
    GetPen(&pen);
    EXPECT_TRUE(pen.h == 6 && pen.v == 4);

    int16_t visible = port->pnVis;
    HidePen();
    HidePen();
    ShowPen();
    EXPECT_EQ(port->pnVis, visible - 1);
    ShowPen();
}

TEST_F(DrawingState, ClassicColoursByCode)
{
    DibPort dp(8, 8);
    SetPor(dp.port());
    CGrafPtr cport = dp.cport();
    struct Case {
        const char *what;
        int32_t code;
        RGBColor expected;
    };
    const std::vector<Case> cases = {
        {"red", redColor, {0xDD6B, 0x08C2, 0x06A2}},
        {"blue", blueColor, {0x0000, 0x0000, 0xD400}},
        {"0 matches white by bits 0x1E0", 0, {0xFFFF, 0xFFFF, 0xFFFF}},
        {"yellow", yellowColor, {0xFC00, 0xF37D, 0x052F}},
        {"448 matches nothing: the colour stays", 448, {0xFC00, 0xF37D, 0x052F}},
    };
    for (const Case &c : cases) {
        ForeColor(c.code);
        RGBColor got;
        GetForeColor(&got);
        EXPECT_TRUE(got.red == c.expected.red && got.green == c.expected.green && got.blue == c.expected.blue)
            << c.what;
    }
    EXPECT_EQ(cport->fgColor, yellowColor);
    BackColor(cyanColor);
    EXPECT_EQ(cport->rgbBkColor.green, 0xAB54);
    EXPECT_EQ(cport->bkColor, cyanColor);

    // With the colour switch (setting 29) off, RGB colours go through the classic model.
    uint32_t saved = ZEL_SystemValue(0, 29, 0);
    ZEL_SystemValue(1, 29, 0);
    RGBColor reddish{0x9000, 0x1000, 0x1000};
    RGBForeColor(&reddish);
    EXPECT_EQ(cport->fgColor, redColor);
    EXPECT_EQ(cport->rgbFgColor.red, 0xDD6B);
    ZEL_SystemValue(1, 29, saved);
    RGBForeColor(&reddish);
    EXPECT_EQ(cport->rgbFgColor.red, 0x9000) << "with the switch on the exact colour is kept";

    // Fields the host changed directly are re-applied.
    cport->fgColor = greenColor;
    ZEL_ChangeThePortAttr();
    EXPECT_EQ(cport->rgbFgColor.green, 0x8000);
}

TEST_F(DrawingState, BlackAndWhitePortTakesTheClassicColour)
{
    GrafPort port{};
    OpenPort(&port);
    RGBColor reddish{0x9000, 0x1000, 0x1000};
    RGBForeColor(&reddish);
    EXPECT_EQ(port.fgColor, redColor);
    RGBColor got{};
    GetForeColor(&got);
    EXPECT_TRUE(got.red == 0xDD6B && got.green == 0x08C2) << "the table's red, on a screen deeper than 1 bit";
    ClosePort(&port);
}

TEST_F(DrawingState, ColourRefsAndSystemColours)
{
    DibPort dp(4, 4);
    SetPor(dp.port());
    RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF}, other{0x1234, 0x5678, 0x9ABC};
    EXPECT_EQ(ZEL_RGBColor2COLORREF(&black), 0u) << "pure black is not palette-relative";
    EXPECT_EQ(ZEL_RGBColor2COLORREF(&white), 0xFFFFFFu & 0xFFFFFF) << "pure white is not palette-relative";
    EXPECT_EQ(ZEL_RGBColor2COLORREF(&other), 0x029A5612u);

    RGBColor sys{};
    ZEL_GetSysColor(COLOR_WINDOW, &sys);
    COLORREF c = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(sys.red, GetRValue(c) * 257);
    EXPECT_EQ(sys.blue, GetBValue(c) * 257);

    RGBColor op{1, 2, 3};
    OpColor(&op);
    Handle vars = dp.cport()->grafVars;
    ASSERT_TRUE(vars && *vars);
    EXPECT_EQ(reinterpret_cast<GrafVars *>(*vars)->rgbOpColor.blue, 3);
}

TEST_F(DrawingState, ClipRectSetClipAndGetClip)
{
    // Region handles of the test come from a second port's clip.
    DibPort dp(16, 16), other(16, 16);
    SetPor(other.port());
    Rect otherRect{0, 0, 6, 5};
    ClipRect(&otherRect);
    RgnHandle rgn = other.port()->clipRgn;

    SetPor(dp.port());
    Rect r{2, 3, 10, 12};
    ClipRect(&r);
    const Rect clip = (**dp.port()->clipRgn).rgnBBox;
    EXPECT_TRUE(clip.top == 2 && clip.left == 3 && clip.bottom == 10 && clip.right == 12);
    SetClip(rgn);
    const Rect set = (**dp.port()->clipRgn).rgnBBox;
    EXPECT_TRUE(set.top == 0 && set.left == 0 && set.bottom == 6 && set.right == 5);
    ClipRect(&r);
    GetClip(rgn);
    const Rect got = (**rgn).rgnBBox;
    EXPECT_TRUE(got.top == 2 && got.left == 3 && got.bottom == 10 && got.right == 12);
}

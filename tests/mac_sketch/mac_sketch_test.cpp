// The Macintosh drawing program of app/ run as a user would, its windows read back from the screen and
// compared with what a Macintosh shows: a recorded picture played at twice its size (the pattern of its
// patXor aligned to the window, not scaled), pattern strips in patBic and patXor on white and on a
// dialog's button-face background, offscreen worlds copied in several modes and through a mask, a
// colour icon and an icon family, a styled TextEdit record; then the Tools dialog driven with real input
// (a caption typed over its selected text, a list cell, a radio button, a pop-up menu, the Draw
// button), the picture copied to the clipboard and pasted back, and Quit. The program checks its own
// drawing with GetCPixel and answers through its exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fork_layout.h"
#include "program_driver.h"
#include "test_support.h"

namespace {

using fork_layout::Bytes;
using fork_layout::FourCC;
using namespace program_driver;

constexpr uint8_t kGray[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
constexpr uint8_t kLtGray[8] = {0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22};

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0),
                   kCyan = RGB(0, 255, 255), kBlue = RGB(0, 0, 255), kYellow = RGB(255, 255, 0),
                   kBrightGreen = RGB(0, 255, 0), kGreen = RGB(0, 0x80, 0);

// The canvas's 'WIND': 480 x 330 at (20, 40), hidden until the program has set it up, with a close box.
Bytes CanvasWindowResource()
{
    Bytes b;
    Words(b, {40, 20, 370, 500, 0, 0, 0x0100, 0, 0});
    PascalString(b, "Sketch Canvas");
    return b;
}

// The Tools dialog's 'DLOG': 230 x 260 at (530, 60), a movable window without a close box, hidden.
Bytes ToolsDialogResource()
{
    Bytes b;
    Words(b, {60, 530, 320, 760, 4, 0, 0, 0, 0, 130});
    PascalString(b, "Tools");
    return b;
}

// The colour pop-up's 'CNTL': menu 131, no title.
Bytes PopupControlResource()
{
    Bytes b;
    Words(b, {80, 130, 100, 222, 0, 0x0100, 0, 131, 1008, 0, 0});
    PascalString(b, "");
    return b;
}

// A 16 x 16 'cicn' of four-bit pixels: its left half colour 1 (red), its right half colour 2 (blue);
// its mask leaves out the bottom four rows.
Bytes ColourIconResource()
{
    Bytes pixels;
    for (int row = 0; row < 16; ++row)
        pixels.insert(pixels.end(), {0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x22, 0x22});
    return program_driver::ColourIconResource(
        4, [](int row) { return row < 12 ? 0xFFFF : 0; }, [](int row) { return row < 12 ? 0xFF00 : 0; },
        {0, 0xFFFF, 0xFFFF, 0xFFFF, 1, 0xFFFF, 0, 0, 2, 0, 0, 0xFFFF}, pixels);
}

// An 'ICN#': the icon black in its top half, the mask whole.
Bytes IconFamilyResource()
{
    Bytes b;
    for (int row = 0; row < 32; ++row)
        b.insert(b.end(), 4, static_cast<uint8_t>(row < 16 ? 0xFF : 0x00));
    b.insert(b.end(), 128, 0xFF);
    return b;
}

std::vector<fork_layout::Resource> SketchResources()
{
    auto res = [](const char (&type)[5], int16_t id, Bytes data) {
        return fork_layout::Resource{FourCC(type), id, 0, false, {}, std::move(data)};
    };
    return {
        res("WIND", 128, CanvasWindowResource()),
        res("DLOG", 130, ToolsDialogResource()),
        res("DITL", 130, ItemListResource({{225, 140, 245, 210, 4, "Draw"},
                                           {10, 10, 110, 120, 0, ""},
                                           {10, 135, 28, 220, 6, "Frame"},
                                           {30, 135, 48, 220, 6, "Paint"},
                                           {55, 135, 73, 220, 5, "Pattern"},
                                           {80, 130, 100, 222, 7, ResourceIDData(130)},
                                           {125, 10, 141, 210, 16, "Caption"},
                                           {150, 10, 214, 210, 128, ""}})),
        res("CNTL", 130, PopupControlResource()),
        res("MENU", 131, MenuResource(131, "Colour", {{"Black", 0}, {"Red", 0}, {"Blue", 0}})),
        res("cicn", 128, ColourIconResource()),
        res("ICN#", 129, IconFamilyResource()),
    };
}

bool PatternBit(const uint8_t (&pattern)[8], int x, int y) { return (pattern[y & 7] >> (7 - (x & 7))) & 1; }

// A rectangle that should show one colour under the pattern's 1 bits (aligned to the window) and
// another under its 0 bits: "" when it does, else the first wrong colour and a map of its top left
// (at most 64 x 24: '1' and '0' where a pixel is wrong under a 1 or a 0 bit, '.' where it is right).
std::string PatternArea(const Snapshot &shot, int left, int top, int right, int bottom,
                        const uint8_t (&pattern)[8], COLORREF under1, COLORREF under0)
{
    std::ostringstream map;
    bool wrong = false;
    COLORREF first = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const bool bit = PatternBit(pattern, x, y);
            const COLORREF seen = shot.At(x, y);
            const bool ok = seen == (bit ? under1 : under0);
            if (!ok && !wrong)
                first = seen;
            wrong = wrong || !ok;
            if (y - top < 24 && x - left < 64)
                map << (ok ? '.' : bit ? '1' : '0');
        }
        if (y - top < 24)
            map << '\n';
    }
    if (!wrong)
        return "";
    char colour[32];
    std::snprintf(colour, sizeof colour, "first wrong colour %06lX\n", static_cast<unsigned long>(first));
    return colour + map.str();
}

bool IsRed(COLORREF c) { return GetRValue(c) > 0xC0 && GetGValue(c) < 0x40 && GetBValue(c) < 0x40; }
bool IsDarkColour(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128; }

struct FindByClass {
    const char *name;
    HWND found;
};

BOOL CALLBACK VisitChild(HWND hwnd, LPARAM data)
{
    auto *find = reinterpret_cast<FindByClass *>(data);
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (lstrcmpiA(name, find->name) != 0)
        return TRUE;
    find->found = hwnd;
    return FALSE;
}

// The first child window of a class.
HWND ChildOfClass(HWND parent, const char *className)
{
    FindByClass find{className, nullptr};
    EnumChildWindows(parent, VisitChild, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::string WindowText(HWND hwnd)
{
    char text[256] = {};
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000, nullptr);
    return text;
}

template <typename Condition> bool WaitFor(Condition condition)
{
    for (int i = 0; i < 200; ++i, Sleep(25))
        if (condition())
            return true;
    return false;
}

HWND ClipboardOwner()
{
    static HWND w = CreateWindowA("STATIC", "clipboard", 0, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    return w;
}

bool ClipboardHasPicture()
{
    if (!OpenClipboard(ClipboardOwner()))
        return false;
    const bool has = IsClipboardFormatAvailable(RegisterClipboardFormatA("Macintosh PICT"));
    CloseClipboard();
    return has;
}

} // namespace

TEST(MacSketch, DrawsItsCanvasRunsItsToolsAndCopiesItsPicture)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "mac_sketch\\";
    fork_layout::WriteFileBytes(dir + "mac_sketch.RSR", fork_layout::BuildFork(SketchResources()));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);
    if (OpenClipboard(ClipboardOwner())) {
        EmptyClipboard();
        CloseClipboard();
    }

    Program program;
    ASSERT_TRUE(program.Start(dir, "mac_sketch.exe", {"Sketch Canvas", "Tools"})) << "the program shows its windows";
    HWND canvas = program.Window("Sketch Canvas");
    HWND tools = program.Window("Tools");
    ASSERT_TRUE(WaitForPixel(canvas, 30, 40, kRed)) << "the canvas is drawn";
    Sleep(300);

    Step("the picture");
    {
        Snapshot shot(canvas);
        // The red square of the picture's (0, 0, 20, 20) at (10, 10, 50, 50); its top half inverted by a
        // grey patXor whose pattern is aligned to the window, not scaled with the picture.
        EXPECT_EQ(PatternArea(shot, 10, 10, 50, 30, kGray, kCyan, kRed), "") << "patXor in the picture";
        EXPECT_EQ(PatternArea(shot, 10, 30, 50, 50, kGray, kRed, kRed), "") << "the red square";
        // The blue oval of (20, 0, 40, 20) at (50, 10, 90, 50): its middle blue, its corners white.
        const COLORREF oval = shot.At(70, 30);
        EXPECT_TRUE(GetBValue(oval) > 0xC0 && GetRValue(oval) < 0x40 && GetGValue(oval) < 0x40) << std::hex << oval;
        EXPECT_EQ(shot.At(51, 11), kWhite);
        // The wedge of the arc from 90 to 180 degrees, clockwise from twelve o'clock: the lower right
        // quarter of (40, 0, 60, 20), at (90, 10, 130, 50).
        EXPECT_EQ(shot.At(118, 38), kGreen);
        EXPECT_EQ(shot.At(102, 22), kWhite) << "the arc's other quarters";
        EXPECT_EQ(shot.At(102, 38), kWhite);
        EXPECT_EQ(shot.At(118, 22), kWhite);
        // The triangle (0, 22), (18, 22), (0, 40) at (10, 54), (46, 54), (10, 90).
        EXPECT_EQ(shot.At(16, 60), kBlack);
        EXPECT_EQ(shot.At(40, 84), kWhite);
        // The L-shaped region: (22, 22, 40, 30) and (22, 30, 30, 40) at (54, 54, 90, 70) and (54, 70, 70, 90).
        EXPECT_EQ(shot.At(80, 60), kBlue);
        EXPECT_EQ(shot.At(60, 80), kBlue);
        EXPECT_EQ(shot.At(80, 80), kWhite);
        // Text in two fonts, faces and sizes, scaled with the picture into (90, 54, 130, 130).
        EXPECT_TRUE(shot.Any(90, 54, 130, 80, IsDarkColour)) << "9-point bold text";
        EXPECT_TRUE(shot.Any(90, 80, 130, 130, IsDarkColour)) << "12-point italic text";
        // A black bar cleared by a light grey patBic: white under the pattern's 1 bits, black under its 0 bits.
        EXPECT_EQ(PatternArea(shot, 10, 98, 50, 130, kLtGray, kWhite, kBlack), "") << "patBic in the picture";
    }

    Step("pattern strips, worlds, icons, styled text");
    {
        Snapshot shot(canvas);
        EXPECT_EQ(PatternArea(shot, 10, 140, 70, 160, kLtGray, kWhite, kBlack), "") << "patBic on black";
        EXPECT_EQ(PatternArea(shot, 70, 140, 130, 160, kGray, kCyan, kRed), "") << "patXor on red";

        // The colour world (black left half, a red disc of (10, 20, 30, 40), white) copied into cells of 40.
        EXPECT_EQ(shot.At(15, 175), kBlack) << "srcCopy";
        EXPECT_EQ(shot.At(40, 190), kRed);
        EXPECT_EQ(shot.At(45, 172), kWhite);
        EXPECT_EQ(shot.At(65, 175), kBlack) << "transparent";
        EXPECT_EQ(shot.At(90, 190), kRed);
        EXPECT_EQ(shot.At(95, 172), kBrightGreen) << "transparent leaves the background colour's pixels";
        EXPECT_EQ(shot.At(115, 175), kBlack) << "CopyMask, top half";
        EXPECT_EQ(shot.At(140, 186), kRed);
        EXPECT_EQ(shot.At(115, 200), kYellow) << "CopyMask, bottom half masked out";
        EXPECT_EQ(shot.At(140, 194), kYellow);
        // The one-bit world (black left half) onto red.
        EXPECT_EQ(shot.At(165, 190), kBlack) << "srcOr";
        EXPECT_EQ(shot.At(190, 190), kRed);
        EXPECT_EQ(shot.At(215, 190), kCyan) << "srcXor";
        EXPECT_EQ(shot.At(240, 190), kRed);
        EXPECT_EQ(shot.At(265, 190), kWhite) << "srcBic";
        EXPECT_EQ(shot.At(290, 190), kRed);

        EXPECT_EQ(shot.At(323, 173), kRed) << "PlotCIcon";
        EXPECT_EQ(shot.At(332, 173), kBlue);
        EXPECT_EQ(shot.At(328, 184), kWhite) << "the colour icon's mask";
        EXPECT_EQ(shot.At(366, 178), kBlack) << "PlotIconID";
        EXPECT_EQ(shot.At(366, 194), kWhite);

        // "Plain words, then RED BOLD ones." with its 18th to 26th characters red and bold: red
        // right of the plain words only.
        EXPECT_TRUE(shot.Any(60, 220, 470, 250, IsRed)) << "TESetStyle's colour";
        EXPECT_FALSE(shot.Any(10, 220, 60, 250, IsRed)) << "the plain words";
        EXPECT_TRUE(shot.Any(10, 220, 60, 250, IsDarkColour));
    }

    Step("the tools dialog's swatch");
    {
        Snapshot shot(tools);
        // The swatch item (150, 10, 214, 210) on the dialog's background, whatever its colour: black
        // under the light grey's 0 bits in patBic, red under the grey's 0 bits in patXor and inverted
        // under its 1 bits.
        std::string left;
        for (int y = 150; y < 214; ++y)
            for (int x = 10; x < 110; ++x)
                if (!PatternBit(kLtGray, x, y) && shot.At(x, y) != kBlack)
                    left = "a 0 bit at " + std::to_string(x) + "," + std::to_string(y);
        EXPECT_EQ(left, "") << "patBic on the dialog";
        EXPECT_EQ(PatternArea(shot, 110, 150, 210, 214, kGray, kCyan, kRed), "") << "patXor on the dialog";
    }

    Step("the caption");
    HWND edit = ChildOfClass(tools, "Edit");
    ASSERT_NE(edit, nullptr) << "the caption's edit text";
    EXPECT_EQ(WindowText(edit), "Caption");
    SetForegroundWindow(GetAncestor(tools, GA_ROOT));
    WaitFor([&] { return GetForegroundWindow() == GetAncestor(tools, GA_ROOT); });
    SendKeys({'H', 'I'}, VK_SHIFT);
    EXPECT_TRUE(WaitFor([&] { return WindowText(edit) == "HI"; })) << "SelectDialogItemText selected it all: "
                                                                   << WindowText(edit);

    Step("the list");
    HWND list = ChildOfClass(tools, "ListBox");
    ASSERT_NE(list, nullptr) << "the List Manager's list box";
    DWORD_PTR count = 0;
    SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &count);
    EXPECT_EQ(count, 5u);
    RECT row{};
    SendMessageTimeoutA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row), SMTO_ABORTIFHUNG, 1000, nullptr);
    ClickAt(list, (row.left + row.right) / 2, (row.top + row.bottom) / 2);
    EXPECT_TRUE(WaitFor([&] {
        DWORD_PTR selected = LB_ERR;
        SendMessageTimeoutA(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 1000, &selected);
        return selected == 2;
    })) << "the click selects Oval";

    Step("radio and pop-up");
    HWND paint = program.Window("Paint");
    ASSERT_NE(paint, nullptr);
    ClickAt(paint, 6, 8);
    EXPECT_TRUE(WaitFor([&] {
        DWORD_PTR state = 0;
        SendMessageTimeoutA(paint, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 1000, &state);
        return state == BST_CHECKED;
    })) << "the program sets its radio button";
    // The pop-up's menu opens on the click, once the program has taken it from its event queue; the
    // keys sent once it shows choose its second item (sent before, Return would reach the dialog).
    ClickAt(tools, 176, 90);
    EXPECT_TRUE(WaitFor([] {
        HWND menu = FindWindowA("#32768", nullptr);
        return menu && IsWindowVisible(menu);
    })) << "the pop-up's menu";
    SendKeys({VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_TRUE(WaitFor([] {
        HWND menu = FindWindowA("#32768", nullptr);
        return !menu || !IsWindowVisible(menu);
    }));

    Step("draw");
    HWND draw = program.Window("Draw");
    ASSERT_NE(draw, nullptr);
    ClickAt(draw, 10, 8);
    // A painted red oval in the preview (10, 270, 110, 320), the caption right of it.
    EXPECT_TRUE(WaitForPixel(canvas, 60, 295, kRed)) << "the oval, in the pop-up's colour: " << std::hex
                                                     << ScreenPixel(canvas, 60, 295);
    {
        Snapshot shot(canvas);
        EXPECT_EQ(shot.At(12, 272), kWhite) << "an oval, not a rectangle";
        EXPECT_TRUE(shot.Any(120, 275, 200, 300, IsDarkColour)) << "the caption";
    }

    Step("copy and paste");
    // The canvas brought to the front first: its click only activates it.
    ClickAt(canvas, 450, 310);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == GetAncestor(canvas, GA_ROOT); }));
    Sleep(200);
    SendKeys({'C'}, VK_CONTROL);
    EXPECT_TRUE(WaitFor(ClipboardHasPicture)) << "PutScrap of the picture";
    SendKeys({'V'}, VK_CONTROL);
    // The picture in its own size at (320, 260, 380, 320): its red square's lower half.
    EXPECT_TRUE(WaitForPixel(canvas, 330, 275, kRed)) << "GetScrap and DrawPicture; the caption: " << WindowText(edit);
    {
        Snapshot shot(canvas);
        EXPECT_EQ(PatternArea(shot, 320, 260, 340, 270, kGray, kCyan, kRed), "") << "the pasted patXor";
        EXPECT_EQ(shot.At(323, 285), kBlack) << "the pasted triangle";
    }

    Step("quit");
    SendKeys({'Q'}, VK_CONTROL);
    const long code = program.WaitForExit(20000);
    ASSERT_NE(code, -1) << "Quit ends the program";
    EXPECT_EQ(code, 0) << "what the program found wrong with GetCPixel: 2 picture, 4 patterns, 8 worlds, "
                          "16 mask, 32 icons, 64 styled text, 128 scrap, 256 preview, 512 swatch";
}

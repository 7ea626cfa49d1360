// The Macintosh text editor of app/ run as a user would: typing into its TextEdit record, pasting what
// was on the clipboard when it started, cutting a double-clicked word, scrolling with the scroll bar's
// arrows and page areas, choosing a face and size in its Options dialog, sizing its window by the
// grow box, zooming it, opening its About alert, and quitting. What reaches the clipboard shows the
// document's text; the program's exit code reports what it found in itself and the style it ended with.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fork_layout.h"
#include "program_driver.h"
#include "test_support.h"

namespace {

using fork_layout::Bytes;
using fork_layout::FourCC;
using namespace program_driver;

// The document's 'WIND': 400 x 300 at (60, 40), with zoom and close boxes, hidden until the program
// has set it up.
Bytes WindowResource()
{
    Bytes b;
    Words(b, {60, 40, 360, 440, 8, 0, 0x0100, 0, 0});
    PascalString(b, "Untitled");
    return b;
}

// The vertical scroll bar's 'CNTL', placed for the window's first size.
Bytes ScrollBarResource()
{
    Bytes b;
    Words(b, {-1, 385, 286, 401, 0, 0x0100, 0, 0, 16, 0, 0});
    PascalString(b, "");
    return b;
}

// An 'ICON' black in its left half.
Bytes IconResource()
{
    Bytes b;
    for (int row = 0; row < 32; ++row)
        b.insert(b.end(), {0xFF, 0xFF, 0x00, 0x00});
    return b;
}

std::vector<fork_layout::Resource> EditorResources()
{
    auto res = [](const char (&type)[5], int16_t id, Bytes data) {
        return fork_layout::Resource{FourCC(type), id, 0, false, {}, std::move(data)};
    };
    Bytes menuBar;
    Words(menuBar, {3, 128, 129, 130});
    Bytes alert;
    Words(alert, {80, 100, 230, 400, 128, 0x4444});
    return {
        res("MBAR", 128, menuBar),
        res("MENU", 128, MenuResource(128, "\x14", {{"About Editor\xC9", 0}, {"-", 0}})),
        res("MENU", 129, MenuResource(129, "File", {{"Options\xC9", 'O'}, {"-", 0}, {"Quit", 'Q'}})),
        res("MENU", 130, MenuResource(130, "Edit", {{"Undo", 'Z'}, {"-", 0}, {"Cut", 'X'}, {"Copy", 'C'},
                                                    {"Paste", 'V'}, {"Clear", 0}, {"Select All", 'A'}})),
        res("WIND", 128, WindowResource()),
        res("CNTL", 128, ScrollBarResource()),
        res("ALRT", 128, alert),
        res("DITL", 128, ItemListResource({{115, 220, 135, 290, 4, "OK"},
                                           {10, 70, 40, 290, 8 + 128, "Editor 1.0"},
                                           {10, 20, 42, 52, 32 + 128, ResourceIDData(128)},
                                           {50, 20, 90, 60, 64 + 128, ResourceIDData(128)}})),
        res("ICON", 128, IconResource()),
        res("PICT", 128, PictureResource()),
        res("DLOG", 129, DialogResource(100, 120, 260, 420, 129, "Options")),
        res("DITL", 129, ItemListResource({{125, 200, 145, 270, 4, "OK"},
                                           {125, 110, 145, 180, 4, "Cancel"},
                                           {10, 20, 30, 150, 5, "Bold"},
                                           {35, 20, 55, 150, 5, "Italic"},
                                           {10, 170, 30, 290, 6, "9 point"},
                                           {35, 170, 55, 290, 6, "12 point"},
                                           {60, 170, 80, 290, 6, "18 point"}})),
    };
}

HWND ClipboardOwner()
{
    static HWND w = CreateWindowA("STATIC", "clipboard", 0, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    return w;
}

void SetClipboardText(const std::string &text)
{
    ASSERT_TRUE(OpenClipboard(ClipboardOwner()));
    EmptyClipboard();
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(g), text.c_str(), text.size() + 1);
    GlobalUnlock(g);
    SetClipboardData(CF_TEXT, g);
    CloseClipboard();
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(ClipboardOwner()))
        return "<busy>";
    if (HGLOBAL g = GetClipboardData(CF_TEXT)) {
        if (const char *p = static_cast<const char *>(GlobalLock(g)))
            text = p;
        GlobalUnlock(g);
    }
    CloseClipboard();
    return text;
}

// Waits (a few seconds at most) for the clipboard to hold a text.
bool WaitForClipboard(const std::string &expected)
{
    for (int i = 0; i < 200; ++i, Sleep(25))
        if (ClipboardText() == expected)
            return true;
    return false;
}

bool WaitForDarkness(HWND hwnd, int left, int top, int right, int bottom, bool dark)
{
    for (int i = 0; i < 200; ++i, Sleep(25))
        if (AnyDarkPixel(hwnd, left, top, right, bottom) == dark)
            return true;
    return false;
}

constexpr COLORREF kWhite = RGB(255, 255, 255);

// Whether a client rectangle shows anything but one colour. The grow box is such a test: under the
// three-dimensional look DrawGrowIcon shows Windows' size grip, light lines on the button face, not
// the Macintosh's black outline.
bool AnyPixelOtherThan(HWND hwnd, int left, int top, int right, int bottom, COLORREF colour)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (ScreenPixel(hwnd, x, y) != colour)
                return true;
    return false;
}

// The lowest row with a dark pixel in a band of client rows; -1 when there is none.
int LowestDarkRow(HWND hwnd, int left, int top, int right, int bottom)
{
    for (int y = bottom - 1; y >= top; --y)
        if (AnyDarkPixel(hwnd, left, y, right, y + 1))
            return y;
    return -1;
}

// Questions to the program's windows wait a second at most: a program stuck in a loop of its own must
// not hold the test.
LRESULT HitTest(HWND hwnd, int x, int y)
{
    DWORD_PTR answer = HTNOWHERE;
    SendMessageTimeoutA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 1000, &answer);
    return static_cast<LRESULT>(answer);
}

LRESULT Checked(HWND button)
{
    DWORD_PTR answer = BST_INDETERMINATE;
    SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer);
    return static_cast<LRESULT>(answer);
}

// A window's title bar button found by hit testing along its caption row.
bool FindCaptionButton(HWND hwnd, LRESULT hit, POINT *at)
{
    RECT frame;
    GetWindowRect(hwnd, &frame);
    POINT client{0, 0};
    ClientToScreen(hwnd, &client);
    for (int y = frame.top + 1; y < client.y; ++y)
        for (int x = frame.right - 1; x > frame.left; --x)
            if (HitTest(hwnd, x, y) == hit) {
                *at = POINT{x - 3, y + 3};
                return true;
            }
    return false;
}

void SendInputClick(POINT screen)
{
    SetCursorPos(screen.x, screen.y);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
}

// The document's layout for its first size: the text inside a 4-pixel margin, the scroll bar along the
// right edge, the status line along the bottom left of the grow box.
constexpr int kScrollLeft = 385, kStatusTop = 286, kLine = 20;

} // namespace

TEST(MacEditor, EditsScrollsRestylesResizesAndQuits)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "mac_editor\\";
    fork_layout::WriteFileBytes(dir + "mac_editor.RSR", fork_layout::BuildFork(EditorResources()));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);
    SetClipboardText("alpha beta");

    Program program;
    ASSERT_TRUE(program.Start(dir, "mac_editor.exe", {"Untitled", "Editor"})) << "the program shows its document";
    HWND doc = program.Window("Untitled");
    RECT client;
    GetClientRect(doc, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);

    Step("status line");
    // The status line: the bold line count on the left, the title centred by TextBox, the size flush right
    // by StringWidth, with gaps between them; the scroll bar and the grow box beside it.
    EXPECT_TRUE(WaitForDarkness(doc, 2, kStatusTop + 1, 60, 300, true)) << "the line count";
    EXPECT_FALSE(AnyDarkPixel(doc, 100, kStatusTop + 1, 140, 300)) << "nothing between the count and the title";
    EXPECT_TRUE(AnyDarkPixel(doc, 160, kStatusTop + 1, 225, 300)) << "the title, centred";
    EXPECT_FALSE(AnyDarkPixel(doc, 250, kStatusTop + 1, 330, 300)) << "nothing between the title and the size";
    EXPECT_TRUE(AnyDarkPixel(doc, 350, kStatusTop + 1, kScrollLeft - 4, 300)) << "the size";
    EXPECT_FALSE(AnyDarkPixel(doc, kScrollLeft - 3, kStatusTop + 3, kScrollLeft - 1, 298)) << "the size ends 4 short";
    EXPECT_TRUE(AnyPixelOtherThan(doc, kScrollLeft + 1, kStatusTop + 1, 400, 300, kWhite)) << "DrawGrowIcon";
    const COLORREF face = ScreenPixel(doc, 392, 140);
    EXPECT_NE(face, kWhite) << "the scroll bar's track";

    Step("typing");
    // Typing, then pasting what the clipboard held when the program started.
    SendKeys({'H', 'E', 'L', 'L', 'O', VK_SPACE, 'W', 'O', 'R', 'L', 'D'});
    EXPECT_TRUE(WaitForDarkness(doc, 4, 4, 60, kLine, true)) << "TEKey";
    EXPECT_FALSE(AnyDarkPixel(doc, 100, 4, 200, kLine));
    // TEIdle blinks the caret after the text: some column flips between samples.
    {
        std::vector<bool> first;
        bool flipped = false;
        for (int sample = 0; sample < 60 && !flipped; ++sample, Sleep(40))
            for (int x = 40; x < 100 && !flipped; ++x) {
                const bool dark = AnyDarkPixel(doc, x, 8, x + 1, 16);
                if (sample == 0)
                    first.push_back(dark);
                else
                    flipped = first[x - 40] != dark;
            }
        EXPECT_TRUE(flipped) << "the caret blinks";
    }
    SendKeys({'V'}, VK_CONTROL);
    EXPECT_TRUE(WaitForDarkness(doc, 100, 4, 200, kLine, true)) << "TEFromScrap at start-up, then TEPaste";

    Step("double-click and cut");
    // A double-click selects the first word; Cut takes it to the clipboard.
    ClickAt(doc, 14, 12, 2);
    Sleep(300);
    SendKeys({'X'}, VK_CONTROL);
    EXPECT_TRUE(WaitForClipboard("hello")) << "TECut, ZeroScrap, TEToScrap: " << ClipboardText();

    Step("new lines and paste");
    std::vector<bool> count;
    for (int x = 2; x < 60; ++x)
        count.push_back(AnyDarkPixel(doc, x, kStatusTop + 1, x + 1, 300));
    // A click past the end of the line puts the insertion point at the end; enough new lines that the first
    // scrolls out of sight, then the word pasted back at the end.
    Sleep(600);
    ClickAt(doc, 300, 12);
    std::vector<WORD> returns(24, VK_RETURN);
    for (WORD key : returns)
        SendKeys({key});
    SendKeys({'V'}, VK_CONTROL);
    EXPECT_TRUE(WaitForDarkness(doc, 4, 4, 200, kLine, false)) << "TEAutoView followed the caret";
    EXPECT_TRUE(WaitForDarkness(doc, 4, 250, 200, kStatusTop - 4, true)) << "the pasted word, last line";
    bool recounted = false;
    for (int i = 0; i < 100 && !recounted; ++i, Sleep(25))
        for (int x = 2; x < 60 && !recounted; ++x)
            recounted = AnyDarkPixel(doc, x, kStatusTop + 1, x + 1, 300) != count[x - 2];
    EXPECT_TRUE(recounted) << "the status line shows the new line count";

    Step("scroll bar");
    // The scroll bar: its page-up area brings the first line back, a down arrow takes it one line away,
    // the up arrow brings it back.
    ClickAt(doc, 392, 40);
    Sleep(200);
    ClickAt(doc, 392, 40);
    EXPECT_TRUE(WaitForDarkness(doc, 4, 4, 200, kLine, true)) << "page up in TrackControl's action procedure";
    ClickAt(doc, 392, kStatusTop - 8);
    EXPECT_TRUE(WaitForDarkness(doc, 4, 4, 200, kLine, false)) << "the down arrow scrolls a line";
    ClickAt(doc, 392, 6);
    EXPECT_TRUE(WaitForDarkness(doc, 4, 4, 200, kLine, true)) << "the up arrow scrolls it back";

    Step("options dialog");
    // The Options dialog: the program sets its controls from the document (12 point, plain) and toggles
    // them as they are clicked; OK applies bold 18 point, and the first line grows.
    const int lowestBefore = LowestDarkRow(doc, 4, 4, 200, 40);
    SendKeys({'O'}, VK_CONTROL);
    HWND bold = program.WaitForWindow("Bold");
    HWND large = program.WaitForWindow("18 point");
    HWND medium = program.WaitForWindow("12 point");
    ASSERT_NE(bold, nullptr) << "the dialog's check box";
    ASSERT_NE(large, nullptr);
    ASSERT_NE(medium, nullptr);
    EXPECT_EQ(Checked(medium), BST_CHECKED) << "SetControlValue from the document";
    EXPECT_EQ(Checked(bold), BST_UNCHECKED);
    // A click in a window that is not yet active only activates it, as on a Macintosh.
    for (int i = 0; i < 200 && GetForegroundWindow() != GetAncestor(bold, GA_ROOT); ++i)
        Sleep(25);
    ClickAt(bold, 6, 8);
    for (int i = 0; i < 200 && Checked(bold) != BST_CHECKED; ++i)
        Sleep(25);
    ClickAt(large, 6, 8);
    for (int i = 0; i < 200 && Checked(large) != BST_CHECKED; ++i)
        Sleep(25);
    EXPECT_EQ(Checked(bold), BST_CHECKED) << "the program toggled the check box";
    EXPECT_EQ(Checked(large), BST_CHECKED);
    EXPECT_EQ(Checked(medium), BST_UNCHECKED) << "and cleared the radio group";
    SendKeys({VK_RETURN});
    EXPECT_TRUE(program.WaitForWindowGone("Bold")) << "OK ends ModalDialog";
    bool grew = false;
    for (int i = 0; i < 100 && !grew; ++i, Sleep(25))
        grew = LowestDarkRow(doc, 4, 4, 200, 40) >= lowestBefore + 4;
    EXPECT_TRUE(grew) << "18 point lines: " << lowestBefore << " -> " << LowestDarkRow(doc, 4, 4, 200, 40);

    Step("grow box");
    // The grow box: dragged 100 left and 50 up, the window shrinks and the scroll bar follows its edge.
    DragFromTo(doc, 392, 292, 292, 242);
    for (int i = 0; i < 200 && (GetClientRect(doc, &client), client.right != 300); ++i)
        Sleep(25);
    EXPECT_EQ(client.right, 300) << "GrowWindow, SizeWindow";
    EXPECT_EQ(client.bottom, 250);
    EXPECT_TRUE(WaitForPixel(doc, 292, 120, face)) << "the scroll bar at the new edge";
    EXPECT_TRUE(AnyPixelOtherThan(doc, 286, 236, 300, 250, kWhite)) << "the grow box at the new corner";

    Step("zoom box");
    // The zoom box makes it larger.
    POINT zoom{};
    ASSERT_TRUE(FindCaptionButton(doc, HTMAXBUTTON, &zoom)) << "a zoom box";
    SendInputClick(zoom);
    for (int i = 0; i < 200 && (GetClientRect(doc, &client), client.right <= 300); ++i)
        Sleep(25);
    EXPECT_GT(client.right, 400) << "ZoomWindow";

    Step("about alert");
    // About, from the Apple menu's first item, which the last item of the frame's own Help menu stands for
    // (the frame shows File, Edit, Help): the alert's text and button. Alt alone, not Alt+H, opens the
    // bar: the Option key would type a character too.
    SendKeys({VK_MENU, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_UP, VK_RETURN});
    HWND about = program.WaitForWindow("Editor 1.0");
    ASSERT_NE(about, nullptr) << "the alert's text";
    HWND okButton = program.WaitForWindow("OK");
    ASSERT_NE(okButton, nullptr) << "the alert's button";
    EXPECT_EQ(GetAncestor(okButton, GA_ROOT), GetAncestor(about, GA_ROOT));
    EXPECT_TRUE(AnyDarkPixel(about, 0, 0, 60, 14)) << "the alert's text is drawn";
    // Its icon and picture items, placed from the static text at (70, 10) of the alert.
    EXPECT_TRUE(WaitForPixel(about, 24 - 70, 20 - 10, RGB(0, 0, 0))) << "the icon item";
    EXPECT_TRUE(WaitForPixel(about, 22 - 70, 52 - 10, RGB(0, 0, 255)))
        << "the picture item's blue: " << std::hex << ScreenPixel(about, 22 - 70, 52 - 10);
    EXPECT_TRUE(WaitForPixel(about, 40 - 70, 70 - 10, RGB(0, 0, 0)))
        << "the picture item's black middle: " << std::hex << ScreenPixel(about, 40 - 70, 70 - 10);
    SendKeys({VK_RETURN});
    EXPECT_TRUE(program.WaitForWindowGone("Editor 1.0")) << "OK ends the alert";

    Step("select all, copy, quit");
    // Select All and Copy show the whole text; Quit ends the program.
    SendKeys({'A'}, VK_CONTROL);
    SendKeys({'C'}, VK_CONTROL);
    std::string expected = " worldalpha beta";
    for (int i = 0; i < 24; ++i)
        expected += "\r\n";
    expected += "hello";
    EXPECT_TRUE(WaitForClipboard(expected)) << ClipboardText();
    SendKeys({'Q'}, VK_CONTROL);
    const long code = program.WaitForExit(20000);
    ASSERT_NE(code, -1) << "Quit ends the program";
    EXPECT_EQ(code & 0xFF, 0) << "1 start-up, 8 scroll bar apart from the text, 16 layout after sizing, 32 scrap";
    EXPECT_EQ((code >> 8) & 0xFF, 18) << "the size the dialog chose";
    EXPECT_EQ(code >> 16, 1) << "bold";
}

// The Macintosh address-card program of app/ run as a user would: choosing cards in its list and its
// directory, scrolling the directory by the scroll bar's arrow, page area and thumb, editing a card in
// its modal dialog (the filter's keys, radio buttons, a check box, a refused age and its stop alert),
// adding a card with its note alert, cancelling with Command-period, deleting one after a caution
// alert, and quitting. Pixels are read from the screen; the program's exit code reports what it found
// in itself and the cards it ended with.
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

const char *const kNames[] = {"Ada Lovelace", "Alan Turing", "Grace Hopper", "Edsger Dijkstra", "Niklaus Wirth",
                              "Donald Knuth", "Barbara Liskov", "John Backus", "Tony Hoare", "Frances Allen",
                              "Ken Thompson", "Dennis Ritchie", "Butler Lampson", "Alan Kay", "Adele Goldberg",
                              "Bill Atkinson", "Andy Hertzfeld", "Susan Kare", "Bruce Horn", "Larry Tesler",
                              "Jef Raskin", "Burrell Smith", "Steve Capps", "Joanna Hoffman"};
constexpr int kCards = 24;

Bytes WindowResource()
{
    Bytes b;
    Words(b, {60, 40, 360, 440, 0, 0, 0x0100, 0, 0}); // 400 x 300, document window with a close box, hidden
    PascalString(b, "Cards");
    return b;
}

Bytes ButtonResource()
{
    Bytes b;
    Words(b, {210, 10, 230, 90, 0, 0x0100, 0, 0, 0, 0, 0});
    PascalString(b, "New\xC9");
    return b;
}

Bytes AlertResource(int top, int left, int bottom, int right, int16_t items)
{
    Bytes b;
    Words(b, {top, left, bottom, right, items, 0x4444});
    return b;
}

Bytes StringList(const std::vector<std::string> &strings)
{
    Bytes b;
    Words(b, {static_cast<int>(strings.size())});
    for (const std::string &s : strings)
        PascalString(b, s);
    return b;
}

// A pointing cursor: its image and mask, hot spot (1, 5).
Bytes CursorResource()
{
    Bytes b;
    for (int row = 0; row < 16; ++row)
        Words(b, {row < 10 ? 0x0600 : 0x3FF0});
    for (int row = 0; row < 16; ++row)
        Words(b, {row < 10 ? 0x0F00 : 0x7FF8});
    Words(b, {1, 5});
    return b;
}

// The card dialog's items: OK and Cancel, the name and age fields with their labels, the group's radio
// buttons, the favourite check box, the default button's outline and the group's box.
constexpr RECT kOkItem{215, 155, 285, 175};

std::vector<fork_layout::Resource> CardResources()
{
    auto res = [](const char (&type)[5], int16_t id, Bytes data) {
        return fork_layout::Resource{FourCC(type), id, 0, false, {}, std::move(data)};
    };
    Bytes menuBar;
    Words(menuBar, {3, 128, 129, 130});
    std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    return {
        res("MBAR", 128, menuBar),
        res("MENU", 128, MenuResource(128, "\x14", {{"About Cards\xC9", 0}, {"-", 0}})),
        res("MENU", 129, MenuResource(129, "File", {{"New Card\xC9", 'N'}, {"Edit Card\xC9", 'E'},
                                                    {"Delete Card", 'D'}, {"-", 0}, {"Quit", 'Q'}})),
        res("MENU", 130, MenuResource(130, "Edit", {{"Undo", 'Z'}, {"-", 0}, {"Cut", 'X'}, {"Copy", 'C'},
                                                    {"Paste", 'V'}, {"Clear", 0}})),
        res("WIND", 128, WindowResource()),
        res("CNTL", 128, ButtonResource()),
        res("CURS", 128, CursorResource()),
        res("STR#", 128, StringList({"cards", "card", "years", "No Name"})),
        res("STR#", 129, StringList(names)),
        res("DLOG", 128, DialogResource(80, 100, 270, 400, 128, "Card")),
        res("DITL", 128, ItemListResource({{kOkItem.top, kOkItem.left, kOkItem.bottom, kOkItem.right, 4, "OK"},
                                           {155, 125, 175, 195, 4, "Cancel"},
                                           {12, 12, 28, 60, 8, "Name:"},
                                           {12, 70, 28, 285, 16, ""},
                                           {40, 12, 56, 60, 8, "Age:"},
                                           {40, 70, 56, 120, 16, ""},
                                           {82, 24, 100, 110, 6, "Family"},
                                           {102, 24, 120, 110, 6, "Friends"},
                                           {122, 24, 140, 110, 6, "Work"},
                                           {82, 150, 100, 285, 5, "Favourite"},
                                           {kOkItem.top - 4, kOkItem.left - 4, kOkItem.bottom + 4,
                                            kOkItem.right + 4, 128, ""},
                                           {70, 12, 146, 130, 128, ""}})),
        res("ALRT", 128, AlertResource(80, 100, 180, 360, 132)),
        res("DITL", 132, ItemListResource({{65, 180, 85, 250, 4, "OK"}, {10, 70, 50, 250, 8 + 128, "Cards 1.0"}})),
        res("ALRT", 129, AlertResource(80, 100, 180, 400, 133)),
        res("DITL", 133, ItemListResource({{65, 220, 85, 290, 4, "OK"},
                                           {10, 70, 50, 290, 8 + 128, "^0 is ^2 number ^1."}})),
        res("ALRT", 130, AlertResource(80, 100, 180, 400, 134)),
        res("DITL", 134, ItemListResource({{65, 220, 85, 290, 4, "OK"},
                                           {10, 70, 50, 290, 8 + 128, "\xD2^0\xD3 is not an age."}})),
        res("ALRT", 131, AlertResource(80, 100, 180, 400, 135)),
        res("DITL", 135, ItemListResource({{65, 220, 85, 290, 4, "Delete"},
                                           {65, 130, 85, 200, 4, "Cancel"},
                                           {10, 70, 50, 290, 8 + 128, "Delete the card for ^0?"}})),
    };
}

struct FindClass {
    const char *name;
    HWND found;
};

BOOL CALLBACK VisitChild(HWND hwnd, LPARAM data)
{
    auto *f = reinterpret_cast<FindClass *>(data);
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    RECT r{}, best{};
    GetWindowRect(hwnd, &r);
    if (f->found)
        GetWindowRect(f->found, &best);
    if (lstrcmpiA(name, f->name) == 0 && IsWindowVisible(hwnd) && r.bottom - r.top > best.bottom - best.top)
        f->found = hwnd;
    return TRUE;
}

// The tallest visible child window of a class.
HWND ChildOfClass(HWND parent, const char *className)
{
    FindClass find{className, nullptr};
    EnumChildWindows(parent, VisitChild, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

// A client rectangle of a window as the screen shows it, one COLORREF per pixel, row by row.
std::vector<COLORREF> Capture(HWND hwnd, const RECT &r)
{
    POINT origin{r.left, r.top};
    ClientToScreen(hwnd, &origin);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
    std::vector<COLORREF> pixels(static_cast<size_t>(w) * h);
    const auto *p = static_cast<const uint32_t *>(bits);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The rows of a one-pixel column, top to bottom, whose pixels are dark.
std::vector<bool> DarkColumn(HWND hwnd, int x, int top, int bottom)
{
    std::vector<COLORREF> column = Capture(hwnd, RECT{x, top, x + 1, bottom});
    std::vector<bool> dark;
    for (COLORREF c : column)
        dark.push_back(IsDark(c));
    return dark;
}

// The first run of dark rows in a column: its start (relative to top) and length; {-1, 0} when none.
std::pair<int, int> DarkRun(HWND hwnd, int x, int top, int bottom)
{
    std::vector<bool> dark = DarkColumn(hwnd, x, top, bottom);
    int start = -1, length = 0;
    for (int y = 0; y < static_cast<int>(dark.size()); ++y) {
        if (dark[y] && start < 0)
            start = y;
        if (start >= 0 && !dark[y])
            break;
        if (start >= 0)
            ++length;
    }
    return {start, length};
}

// The document's layout: the directory's rows, with its scroll bar to their right.
constexpr RECT kPane{150, 10, 374, 250};
constexpr int kPaneHeight = kPane.bottom - kPane.top;

// Waits (a few seconds at most) for a client rectangle to show a dark pixel.
bool WaitForDarkness(HWND hwnd, const RECT &r)
{
    for (int i = 0; i < 200; ++i, Sleep(25))
        for (COLORREF c : Capture(hwnd, r))
            if (IsDark(c))
                return true;
    return false;
}

LRESULT Ask(HWND hwnd, UINT message, WPARAM wParam = 0)
{
    DWORD_PTR answer = static_cast<DWORD_PTR>(-1);
    SendMessageTimeoutA(hwnd, message, wParam, 0, SMTO_ABORTIFHUNG, 1000, &answer);
    return static_cast<LRESULT>(answer);
}

// The scroll bar as the screen shows it: the up arrow's box, the thumb's and the down arrow's, each
// outlined by rows of one colour across the middle of the bar (the first row's), the track between
// them a checked pattern. The track is the room between the arrows' boxes.
struct BarPlaces {
    int trackTop = -1, trackBottom = -1, thumbTop = -1, thumbBottom = -1;
    bool Found() const { return thumbTop >= 0; }
    // Where the thumb's top belongs for a value of a range, as a scroll bar places it: the track's
    // room less the thumb shared out in proportion.
    double ThumbTopFor(int value, int maximum) const
    {
        const int thumb = thumbBottom - thumbTop + 1;
        return trackTop + double(trackBottom - trackTop + 1 - thumb) * value / maximum;
    }
};

BarPlaces ReadBar(HWND bar)
{
    RECT client;
    GetClientRect(bar, &client);
    const int x = client.right / 2;
    std::vector<COLORREF> band = Capture(bar, RECT{x - 2, 0, x + 3, client.bottom});
    const COLORREF outline = band[0];
    std::vector<int> outlines;
    for (int y = 0; y < client.bottom; ++y) {
        bool all = true;
        for (int i = 0; i < 5; ++i)
            all = all && band[static_cast<size_t>(y) * 5 + i] == outline;
        if (all)
            outlines.push_back(y);
    }
    BarPlaces places;
    if (outlines.size() == 6) {
        places.trackTop = outlines[1] + 1;
        places.thumbTop = outlines[2];
        places.thumbBottom = outlines[3];
        places.trackBottom = outlines[4] - 1;
    }
    return places;
}

// Waits for a client rectangle to show something other than it did.
std::vector<COLORREF> WaitForChange(HWND hwnd, const RECT &r, const std::vector<COLORREF> &before)
{
    std::vector<COLORREF> now = Capture(hwnd, r);
    for (int i = 0; i < 200 && now == before; ++i, Sleep(25))
        now = Capture(hwnd, r);
    Sleep(100);
    return Capture(hwnd, r);
}

// Whether the pane's rows, captured whole, show the reference capture moved up by `rows` rows of
// `line` pixels: every row of pixels that both show.
bool ShowsScrolled(const std::vector<COLORREF> &pane, const std::vector<COLORREF> &reference, int rows, int line)
{
    const int width = kPane.right - kPane.left, shift = rows * line;
    for (int y = 0; y + shift < kPaneHeight - line; ++y)
        for (int x = 0; x < width; ++x)
            if (pane[static_cast<size_t>(y) * width + x] != reference[static_cast<size_t>(y + shift) * width + x])
                return false;
    return true;
}

LRESULT Checked(HWND button) { return Ask(button, BM_GETCHECK); }

HCURSOR CursorShown()
{
    CURSORINFO info{};
    info.cbSize = sizeof info;
    GetCursorInfo(&info);
    return info.hCursor;
}

} // namespace

TEST(MacCards, ChoosesScrollsEditsAddsCancelsDeletesAndQuits)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "mac_cards\\";
    fork_layout::WriteFileBytes(dir + "mac_cards.RSR", fork_layout::BuildFork(CardResources()));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);

    Program program;
    ASSERT_TRUE(program.Start(dir, "mac_cards.exe", {"Cards", "Card File"})) << "the program shows its window";
    HWND doc = program.Window("Cards");
    HWND listBox = ChildOfClass(doc, "ListBox");
    HWND bar = ChildOfClass(doc, "ScrollBar");
    ASSERT_NE(listBox, nullptr) << "LNew";
    ASSERT_NE(bar, nullptr) << "NewControl";
    HWND newButton = program.WaitForWindow("New...");
    ASSERT_NE(newButton, nullptr) << "GetNewControl: the button's title";

    // The status line counts the cards: NumToString and a word from the 'STR#'.
    constexpr RECT kStatus{8, 268, 148, 292};
    EXPECT_TRUE(WaitForDarkness(doc, kStatus)) << "the status line";
    Sleep(100);
    const std::vector<COLORREF> status = Capture(doc, kStatus);

    Step("list");
    // The list shows a name in every row; a click on the second chooses it, shown in the system's
    // selection colours, and the directory inverts the card's row.
    const int item = static_cast<int>(Ask(listBox, LB_GETITEMHEIGHT));
    ASSERT_GT(item, 8);
    RECT listClient;
    GetClientRect(listBox, &listClient);
    for (int row = 0; row < 5; ++row)
        EXPECT_TRUE(AnyDarkPixel(listBox, 2, row * item + 1, 60, (row + 1) * item - 1)) << "row " << row;
    ClickAt(listBox, 30, item + item / 2);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), window = GetSysColor(COLOR_WINDOW);
    EXPECT_TRUE(WaitForPixel(listBox, listClient.right - 3, item + item / 2, highlight)) << "LClick chose row 1";
    EXPECT_EQ(ScreenPixel(listBox, listClient.right - 3, item / 2), window);
    EXPECT_EQ(ScreenPixel(listBox, listClient.right - 3, 2 * item + item / 2), window);
    EXPECT_GT(Ask(listBox, LB_GETSEL, 1), 0);

    // The chosen card's row in the directory is inverted: a black band one row down, as tall as a row,
    // with the name in white inside it.
    Sleep(200);
    const auto [start, line] = DarkRun(doc, kPane.right - 2, kPane.top, kPane.bottom);
    EXPECT_GE(line, 10) << "a row's height from GetFontInfo";
    EXPECT_LE(line, 24);
    EXPECT_EQ(start, line) << "the second row";
    bool light = false;
    for (COLORREF c : Capture(doc, RECT{kPane.left + 4, kPane.top + line + 2, kPane.left + 80, kPane.top + 2 * line - 2}))
        light = light || !IsDark(c);
    EXPECT_TRUE(light) << "the name inverted";
    ASSERT_GT(line, 0);
    const int rows = kPaneHeight / line, maximum = kCards - rows;
    const std::vector<COLORREF> reference = Capture(doc, kPane);

    Step("scroll bar");
    // The thumb starts under the up arrow. The down arrow moves the directory up one row by ScrollRect
    // and the row it uncovers is drawn; the page area below the thumb goes to the end, the thumb to the
    // bottom; dragging the thumb half-way up shows the rows its place stands for.
    RECT barClient;
    GetClientRect(bar, &barClient);
    const int arrow = barClient.right;
    BarPlaces places = ReadBar(bar);
    ASSERT_TRUE(places.Found()) << "two arrows and a thumb";
    EXPECT_EQ(places.thumbTop, places.trackTop) << "value 0: the thumb against the up arrow";
    ClickAt(bar, arrow / 2, barClient.bottom - arrow / 2);
    std::vector<COLORREF> pane = WaitForChange(doc, kPane, reference);
    EXPECT_TRUE(ShowsScrolled(pane, reference, 1, line)) << "TrackControl's action procedure scrolled one row";
    EXPECT_TRUE(AnyDarkPixel(doc, kPane.left + 4, kPane.bottom - line, kPane.left + 100, kPane.bottom))
        << "the uncovered row drawn";
    places = ReadBar(bar);
    EXPECT_NEAR(places.thumbTop, places.ThumbTopFor(1, maximum), 1.0) << "value 1 of " << maximum;

    ClickAt(bar, arrow / 2, barClient.bottom - 2 * arrow - 4);
    pane = WaitForChange(doc, kPane, pane);
    EXPECT_TRUE(ShowsScrolled(pane, reference, maximum, line)) << "page down to the last rows";
    places = ReadBar(bar);
    EXPECT_EQ(places.thumbBottom, places.trackBottom) << "the thumb against the down arrow";

    const int half = maximum / 2;
    const int grip = (places.thumbTop + places.thumbBottom) / 2;
    const int target = grip - static_cast<int>(places.ThumbTopFor(maximum, maximum) - places.ThumbTopFor(half, maximum) + 0.5);
    DragFromTo(bar, arrow / 2, grip, arrow / 2, target, 100);
    pane = WaitForChange(doc, kPane, pane);
    EXPECT_TRUE(ShowsScrolled(pane, reference, half, line)) << "the thumb dragged to value " << half;
    places = ReadBar(bar);
    EXPECT_NEAR(places.thumbTop, places.ThumbTopFor(half, maximum), 1.0);

    Step("cursor");
    // The pointing cursor from the 'CURS' over the directory, the arrow elsewhere. Each process has
    // cursor handles of its own, so the arrow is the cursor shown beside the directory.
    POINT over{kPane.left + 50, kPane.top + 50}, beside{kPane.left - 20, kPane.bottom + 20};
    ClientToScreen(doc, &over);
    ClientToScreen(doc, &beside);
    SetCursorPos(beside.x, beside.y);
    Sleep(300);
    const HCURSOR arrowCursor = CursorShown();
    SetCursorPos(over.x, over.y);
    bool pointing = false;
    for (int i = 0; i < 100 && !pointing; ++i, Sleep(25))
        pointing = CursorShown() != arrowCursor && CursorShown() != nullptr;
    EXPECT_TRUE(pointing) << "SetCursor of the resource's cursor";
    SetCursorPos(beside.x, beside.y);
    bool back = false;
    for (int i = 0; i < 100 && !back; ++i, Sleep(25))
        back = CursorShown() == arrowCursor;
    EXPECT_TRUE(back) << "SetCursor(&qd.arrow)";

    // A click on a row of the directory chooses that card in the list too (LSetSelect).
    ClickAt(doc, kPane.left + 60, kPane.top + 2 * line + line / 2);
    for (int i = 0; i < 200 && Ask(listBox, LB_GETSEL, half + 2) <= 0; ++i)
        Sleep(25);
    EXPECT_GT(Ask(listBox, LB_GETSEL, half + 2), 0);
    EXPECT_EQ(Ask(listBox, LB_GETSEL, 1), 0) << "the card chosen before is no longer";
    EXPECT_TRUE(WaitForPixel(listBox, listClient.right - 3, (half + 2) * item + item / 2, highlight));
    EXPECT_EQ(ScreenPixel(listBox, listClient.right - 3, item + item / 2), window);
    EXPECT_EQ(DarkRun(doc, kPane.right - 2, kPane.top, kPane.bottom), std::make_pair(2 * line, line))
        << "the chosen row inverted";

    Step("edit dialog");
    // A double click on the fourth name opens the card dialog on it: the name and age in their fields,
    // OK the default button, the group's radio button and the check box set from the card.
    Ask(listBox, WM_VSCROLL, SB_TOP);
    ClickAt(listBox, 30, 3 * item + item / 2, 2);
    HWND name = program.WaitForField("Edsger Dijkstra");
    ASSERT_NE(name, nullptr) << "SetDialogItemText of the name";
    HWND dialog = GetParent(name);
    HWND okButton = program.WaitForWindow("OK"), cancelButton = program.WaitForWindow("Cancel");
    HWND family = program.WaitForWindow("Family"), work = program.WaitForWindow("Work");
    HWND favourite = program.WaitForWindow("Favourite");
    ASSERT_TRUE(okButton && cancelButton && family && work && favourite);
    EXPECT_TRUE(program.WaitForField("26")) << "NumToString of the age";
    EXPECT_EQ(Checked(family), BST_CHECKED);
    EXPECT_EQ(Checked(work), BST_UNCHECKED);
    EXPECT_EQ(Checked(favourite), BST_UNCHECKED);
    // The outline the user item frames around OK makes OK the default button: Windows draws its frame
    // in the window-frame colour, not the Cancel button's light edge.
    EXPECT_EQ(GetWindowLongA(okButton, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    RECT okClient;
    GetClientRect(okButton, &okClient);
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    EXPECT_EQ(ScreenPixel(okButton, 0, okClient.bottom / 2), frame) << "the default button's frame";
    EXPECT_NE(ScreenPixel(cancelButton, 0, okClient.bottom / 2), frame);
    // The group's box, drawn by its user item with its title set into the top edge.
    EXPECT_TRUE(AnyDarkPixel(dialog, 12, 100, 13, 140)) << "the box's left edge";
    EXPECT_TRUE(AnyDarkPixel(dialog, 22, 64, 60, 76)) << "its title";

    for (int i = 0; i < 200 && GetForegroundWindow() != GetAncestor(dialog, GA_ROOT); ++i)
        Sleep(25);
    // The age is selected: typing replaces it, and the filter lets only digits in (one beep for the x).
    SendKeys({'4', 'X', '2'});
    EXPECT_TRUE(program.WaitForField("42")) << "the filter dropped the letter";
    ClickAt(work, 6, 8);
    for (int i = 0; i < 200 && Checked(work) != BST_CHECKED; ++i)
        Sleep(25);
    ClickAt(favourite, 6, 8);
    for (int i = 0; i < 200 && Checked(favourite) != BST_CHECKED; ++i)
        Sleep(25);
    EXPECT_EQ(Checked(work), BST_CHECKED) << "the program set the radio group";
    EXPECT_EQ(Checked(family), BST_UNCHECKED);
    EXPECT_EQ(Checked(favourite), BST_CHECKED) << "and toggled the check box";
    SendKeys({VK_RETURN});
    EXPECT_TRUE(program.WaitForFieldGone("Edsger Dijkstra")) << "Return: the filter's OK";

    Step("new card, refused age");
    // A new card: a name typed, the age changed to 200, refused by a stop alert with the age put in
    // by ParamText; back in the dialog the age is selected again, 33 is taken and a note alert says so.
    SendKeys({'N'}, VK_CONTROL);
    HWND age = program.WaitForField("30");
    ASSERT_NE(age, nullptr) << "the new card's age";
    for (int i = 0; i < 200 && GetForegroundWindow() != GetAncestor(age, GA_ROOT); ++i)
        Sleep(25);
    SendKeys({'Z', 'E', 'D'}, VK_SHIFT);
    SendKeys({VK_TAB, '2', '0', '0', VK_RETURN});
    HWND refused = program.WaitForWindow("\"200\" is not an age.");
    ASSERT_NE(refused, nullptr) << "ParamText and StopAlert";
    // The stop icon where an alert shows its icon, at (20, 10) in the alert.
    HWND alert = GetParent(refused);
    EXPECT_TRUE(WaitForDarkness(alert, RECT{20, 10, 52, 42})) << "StopAlert's icon";
    SendKeys({VK_RETURN});
    EXPECT_TRUE(program.WaitForWindowGone("\"200\" is not an age."));
    EXPECT_TRUE(program.WaitForField("ZED")) << "the dialog again";
    SendKeys({'3', '3', VK_RETURN});
    ASSERT_NE(program.WaitForWindow("ZED is card number 25."), nullptr) << "NoteAlert";
    SendKeys({VK_RETURN});
    EXPECT_TRUE(program.WaitForWindowGone("ZED is card number 25."));
    EXPECT_NE(WaitForChange(doc, kStatus, status), status) << "25 cards";

    Step("command-period");
    // The New button from the 'CNTL' (FindControl, TrackControl) opens another card; Command-period
    // cancels it.
    ClickAt(newButton, 20, 8);
    age = program.WaitForField("30");
    ASSERT_NE(age, nullptr);
    for (int i = 0; i < 200 && GetForegroundWindow() != GetAncestor(age, GA_ROOT); ++i)
        Sleep(25);
    SendKeys({'Q'}, VK_SHIFT);
    SendKeys({VK_OEM_PERIOD}, VK_CONTROL);
    EXPECT_TRUE(program.WaitForFieldGone("30")) << "the filter's Cancel";

    Step("delete");
    // Deleting the new card asks first: Escape keeps it, Return deletes it.
    SendKeys({'D'}, VK_CONTROL);
    ASSERT_NE(program.WaitForWindow("Delete the card for ZED?"), nullptr) << "CautionAlert";
    SendKeys({VK_ESCAPE});
    EXPECT_TRUE(program.WaitForWindowGone("Delete the card for ZED?"));
    SendKeys({'D'}, VK_CONTROL);
    ASSERT_NE(program.WaitForWindow("Delete the card for ZED?"), nullptr);
    SendKeys({VK_RETURN});
    EXPECT_TRUE(program.WaitForWindowGone("Delete the card for ZED?"));
    std::vector<COLORREF> counted24 = Capture(doc, kStatus);
    for (int i = 0; i < 200 && counted24 != status; ++i, Sleep(25))
        counted24 = Capture(doc, kStatus);
    EXPECT_EQ(counted24, status) << "24 cards again";

    Step("quit");
    SendKeys({'Q'}, VK_CONTROL);
    const long code = program.WaitForExit(20000);
    ASSERT_NE(code, -1) << "Quit ends the program";
    EXPECT_EQ(code & 0xFF, 0) << "1 start-up, 2 font measures, 4 list cells, 8 scroll bar, 16 cursors, 32 dialog";
    EXPECT_EQ((code >> 8) & 0xFF, kCards) << "one card added and one deleted";
    EXPECT_EQ((code >> 16) & 0xFF, 42) << "the fourth card's age";
    EXPECT_EQ((code >> 24) & 0x0F, 2 * 2 + 1) << "at work, a favourite";
    EXPECT_EQ((code >> 28) & 0x07, 1) << "one beep for the letter in the age";
}

// The Macintosh notes program of app/ run as a user would, on the tests' PostScript printer: typing a
// note into its TextEdit window, saving it through the Save dialog, changing it, opening the saved
// document again through the Open dialog, choosing Page Setup and printing. The document's data and
// resource forks are read back from the disk, the window from the screen and the printed job from the
// printer's port file; the program's exit code reports what it found in itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fork_layout.h"
#include "printer_fixture.h"
#include "program_driver.h"
#include "test_support.h"

namespace {

using fork_layout::Bytes;
using fork_layout::FourCC;
using namespace program_driver;

constexpr int kFileNameEdit = 0x480;

Bytes WindowResource()
{
    Bytes b;
    Words(b, {60, 40, 310, 440, 0, 0, 0x0100, 0, 0}); // 400 x 250, document window with a close box, hidden
    PascalString(b, "Untitled");
    return b;
}

std::vector<fork_layout::Resource> NotesResources()
{
    auto res = [](const char (&type)[5], int16_t id, Bytes data) {
        return fork_layout::Resource{FourCC(type), id, 0, false, {}, std::move(data)};
    };
    Bytes menuBar;
    Words(menuBar, {3, 128, 129, 130});
    return {
        res("MBAR", 128, menuBar),
        res("MENU", 128, MenuResource(128, "\x14", {{"About Notes\xC9", 0}, {"-", 0}})),
        res("MENU", 129, MenuResource(129, "File", {{"Open\xC9", 'O'}, {"Save As\xC9", 'S'}, {"-", 0},
                                                    {"Page Setup\xC9", 'U'}, {"Print\xC9", 'P'}, {"-", 0},
                                                    {"Quit", 'Q'}})),
        res("MENU", 130, MenuResource(130, "Edit", {{"Undo", 'Z'}, {"-", 0}, {"Cut", 'X'}, {"Copy", 'C'},
                                                    {"Paste", 'V'}, {"Clear", 0}})),
        res("WIND", 128, WindowResource()),
    };
}

struct FindDialog {
    DWORD process;
    const char *title; // the printing dialogs' titles; nullptr for a file dialog
    HWND found;
};

BOOL CALLBACK VisitDialog(HWND hwnd, LPARAM data)
{
    auto *f = reinterpret_cast<FindDialog *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char name[32] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (owner != f->process || !IsWindowVisible(hwnd) || lstrcmpA(name, "#32770") != 0)
        return TRUE;
    char title[64] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    const bool printing = lstrcmpA(title, "Print") == 0 || lstrcmpA(title, "Print Setup") == 0;
    if (f->title ? lstrcmpA(title, f->title) != 0 : printing || !GetDlgItem(hwnd, kFileNameEdit))
        return TRUE;
    f->found = hwnd;
    return FALSE;
}

// A common dialog of the program: a printing dialog by its title, or (no title) a file dialog, which has
// a file-name field.
HWND WaitForDialog(const Program &program, const char *title = nullptr)
{
    for (int i = 0; i < 400; ++i, Sleep(25)) {
        FindDialog find{program.pi.dwProcessId, title, nullptr};
        EnumWindows(VisitDialog, reinterpret_cast<LPARAM>(&find));
        if (find.found) {
            Sleep(200); // the dialog finishes its own set-up
            return find.found;
        }
    }
    return nullptr;
}

bool WaitForDialogGone(HWND dialog)
{
    for (int i = 0; i < 400; ++i, Sleep(25))
        if (!IsWindow(dialog) || !IsWindowVisible(dialog))
            return true;
    return false;
}

// Types a full path into a file dialog's name field and presses OK.
void ChooseFile(HWND dialog, const std::string &path)
{
    HWND edit = GetDlgItem(dialog, kFileNameEdit);
    DWORD_PTR ignored;
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG, 2000, &ignored);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

void WaitForForeground(HWND hwnd)
{
    for (int i = 0; i < 200 && GetForegroundWindow() != GetAncestor(hwnd, GA_ROOT); ++i)
        Sleep(25);
    Sleep(100);
}

std::string ReadText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits for the printer's port file to hold a whole job.
std::string WaitForJob(const std::string &path)
{
    std::string job;
    for (int i = 0; i < 400; ++i, Sleep(25)) {
        job = ReadText(path);
        if (job.find("%%EOF") != std::string::npos)
            break;
    }
    return job;
}

// The rightmost client column, left of x 200, with a dark pixel between two rows; -1 when none.
int RightmostDark(HWND hwnd, int top, int bottom)
{
    for (int x = 199; x >= 0; --x)
        if (AnyDarkPixel(hwnd, x, top, x + 1, bottom))
            return x;
    return -1;
}

// The text a PostScript job draws, a line for each "moveto": the driver shows each character by its
// glyph's name.
std::vector<std::string> PrintedLines(const std::string &job)
{
    std::vector<std::string> lines;
    std::istringstream in(job);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 7 && line.compare(line.size() - 7, 7, " moveto") == 0)
            lines.emplace_back();
        const std::string show = " glyphshow";
        if (!lines.empty() && line.size() > show.size() + 1 && line[0] == '/' &&
            line.compare(line.size() - show.size(), show.size(), show) == 0)
            lines.back() += line.substr(1, line.size() - show.size() - 1);
    }
    return lines;
}

std::string AsString(const Bytes &b) { return std::string(b.begin(), b.end()); }

struct Printer {
    bool installed = printer_fixture::InstallPrinter();
    ~Printer() { printer_fixture::RemovePrinter(); }
};

} // namespace

TEST(MacNotes, TypesSavesOpensAndPrintsANote)
{
    StartWatchdog();
    Step("printer");
    Printer printer; // installed before the program starts: the library reads the default printer then
    ASSERT_TRUE(printer.installed);
    DeleteFileA(printer_fixture::PortPath().c_str());

    const std::string dir = testing_support::ProgramDirectory() + "mac_notes\\";
    // Every fork of the program lives in the folder's "Resource.frk", its own as well.
    CreateDirectoryA((dir + "Resource.frk").c_str(), nullptr);
    fork_layout::WriteFileBytes(dir + "Resource.frk\\mac_notes.RSR", fork_layout::BuildFork(NotesResources()));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);
    const std::string document = dir + "My Notes", fork = dir + "Resource.frk\\My Notes";
    DeleteFileA(document.c_str());
    DeleteFileA(fork.c_str());

    Program program;
    ASSERT_TRUE(program.Start(dir, "mac_notes.exe", {"Untitled", "Notes"})) << "the program shows its window";
    HWND doc = program.Window("Untitled");

    Step("typing");
    // The keys reach TEKey: the two lines show in the window's top left corner.
    WaitForForeground(doc);
    SendKeys({'H', 'E', 'L', 'L', 'O'}, VK_SHIFT);
    SendKeys({VK_RETURN});
    SendKeys({'W', 'O', 'R', 'L', 'D'}, VK_SHIFT);
    bool shown = false;
    for (int i = 0; i < 200 && !shown; ++i, Sleep(25))
        shown = AnyDarkPixel(doc, 4, 4, 60, 30);
    EXPECT_TRUE(shown) << "the text drawn";
    EXPECT_FALSE(AnyDarkPixel(doc, 100, 60, 140, 100)) << "nothing below and right of it";

    Step("save as");
    // Command-S: the Save dialog; a name typed and OK. The window takes the document's name.
    SendKeys({'S'}, VK_CONTROL);
    HWND save = WaitForDialog(program);
    ASSERT_NE(save, nullptr) << "StandardPutFile's dialog";
    ChooseFile(save, document);
    ASSERT_TRUE(WaitForDialogGone(save));
    ASSERT_NE(program.WaitForWindow("My Notes"), nullptr) << "SetWTitle with the reply's name";
    RECT client;
    GetClientRect(doc, &client);
    // Global coordinates: those of the host's client area, the document's parent.
    POINT corner{0, 0};
    MapWindowPoints(doc, GetParent(doc), &corner, 1);

    // The data fork holds the text with the Macintosh's line ends; the resource fork the window's place.
    EXPECT_EQ(AsString(fork_layout::ReadFileBytes(document)), "HELLO\rWORLD");
    fork_layout::Parsed parsed = fork_layout::ParseFork(fork_layout::ReadFileBytes(fork));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.resources.size(), 1u);
    const fork_layout::Resource &place = parsed.resources[0];
    EXPECT_EQ(place.type, FourCC("WPOS"));
    EXPECT_EQ(place.id, 128);
    EXPECT_TRUE(place.named);
    EXPECT_EQ(place.name, "Window");
    ASSERT_EQ(place.data.size(), 8u);
    // The program stored its Rect as it lies in memory: this machine's byte order.
    auto field = [&](int at) { return static_cast<int16_t>(place.data[at] | place.data[at + 1] << 8); };
    const int top = field(0), left = field(2), bottom = field(4), right = field(6);
    EXPECT_EQ(left, corner.x) << "the content's global place";
    EXPECT_EQ(top, corner.y);
    EXPECT_EQ(right - left, client.right) << "the content's width";
    EXPECT_EQ(bottom - top, client.bottom) << "and height";

    Step("open");
    // Three marks typed after the second line; Open reads the saved document back and TESetText shows
    // it without them.
    const int lineRight = RightmostDark(doc, 4, 30);
    ASSERT_GT(lineRight, 4) << "the text's lines";
    SendKeys({'1', '1', '1'}, VK_SHIFT);
    bool marks = false;
    for (int i = 0; i < 200 && !marks; ++i, Sleep(25))
        marks = RightmostDark(doc, 4, 30) > lineRight + 2;
    EXPECT_TRUE(marks) << "the marks drawn";
    SendKeys({'O'}, VK_CONTROL);
    HWND open = WaitForDialog(program);
    ASSERT_NE(open, nullptr) << "StandardGetFile's dialog";
    ChooseFile(open, document);
    ASSERT_TRUE(WaitForDialogGone(open));
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i, Sleep(25))
        gone = RightmostDark(doc, 4, 30) == lineRight;
    EXPECT_TRUE(gone) << "the saved text drawn again";

    Step("page setup");
    SendKeys({'U'}, VK_CONTROL);
    HWND setup = WaitForDialog(program, "Print Setup");
    ASSERT_NE(setup, nullptr) << "PrStlDialog's dialog";
    PostMessageA(setup, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForDialogGone(setup));

    Step("print");
    // Command-P: the Print dialog, OK; the job lands in the port file as one page holding the two lines.
    WaitForForeground(doc);
    SendKeys({'P'}, VK_CONTROL);
    HWND print = WaitForDialog(program, "Print");
    EXPECT_NE(print, nullptr) << "PrJobDialog's dialog";
    if (print) {
        PostMessageA(print, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitForDialogGone(print));
    }
    const std::string job = WaitForJob(printer_fixture::PortPath());
    EXPECT_NE(job.find("%%EOF"), std::string::npos) << "the job ended";
    EXPECT_NE(job.find("%%Pages: 1"), std::string::npos);
    EXPECT_EQ(PrintedLines(job), (std::vector<std::string>{"HELLO", "WORLD"}));
    EXPECT_NE(job.find("[50 0 0 -50 0 0]"), std::string::npos) << "12 points at 300 dpi";

    Step("quit");
    WaitForForeground(doc);
    SendKeys({'Q'}, VK_CONTROL);
    const long code = program.WaitForExit(20000);
    ASSERT_NE(code, -1) << "Quit ends the program";
    EXPECT_EQ(code & 0xFF, 0) << "1 start-up, 2 save, 4 open, 8 print, 16 window place";
    EXPECT_EQ((code >> 8) & 0xFF, 11) << "the text read back";
    EXPECT_EQ((code >> 16) & 0xFF, 1) << "pages printed";
    EXPECT_EQ((code >> 24) & 0xFF, 1) << "a document read back";
}

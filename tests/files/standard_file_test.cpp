// Standard File over the real common file dialogs. Every dialog is ended by a driver thread (it types a
// name into the file-name edit and presses OK, or cancels) or by the test's filter procedure; the driver
// also cancels any dialog still open after a few seconds and fails that test.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "StandardFile.h"
#include "LowMem.h"
#include "Zel.h"
#include "files_fixture.h"
#include "test_support.h"

using testing_support::P;

namespace {

constexpr OSType kText = 0x54455854;    // 'TEXT'
constexpr OSType kPict = 0x50494354;    // 'PICT'
constexpr OSType kCSource = 0x43535243; // 'CSRC'
constexpr OSType kNoDescription = 0x4E4F4E45;
constexpr OSType kUnknown = 0x3F3F3F3F;
constexpr int kFileNameEdit = 0x480;
constexpr int kFileTypeList = 0x470;
constexpr DWORD kWatchdogMs = 8000;

struct Row {
    uint32_t type;
    char extension[3];
    char description[33];
};
// The host's table is const and sits in read-only data: the library must never write into it (a blank
// extension character once was overwritten with a NUL).
const Row kHostTable[] = {{kText, {'T', 'X', 'T'}, "Text files"},
                          {kText, {'D', 'O', 'C'}, "Documents"},
                          {kPict, {'B', 'M', 'P'}, "Pictures"},
                          {kCSource, {'C', ' ', ' '}, "C sources"},
                          {kNoDescription, {'X', 'Y', 'Z'}, ""},
                          {0, {}, ""}};

void UseHostTable(const Row *rows) { ZEL_Set_MacWin(reinterpret_cast<const uint32_t *>(rows), nullptr); }

// ---- The dialog driver ----

struct Script {
    std::string typeName; // put into the file-name edit before OK
    int selectType = 0;   // 1-based file type chosen before OK (0: left as it is)
    bool cancel = false;
    bool confirmReplace = false;
    bool watchOnly = false; // the test's filter procedure ends the dialog; only the watchdog acts
};

struct Seen {
    bool found = false;
    bool timedOut = false;
    std::string title;
    std::string nameAfterTypeChange;
    bool mainEnabledDuring = true;
    bool confirmed = false;
    HWND owner = nullptr;
    std::string unexpected; // texts of other boxes the watchdog closed
    RECT rect{};
};

DWORD sMainThread;

enum class Want { fileDialog, replacePrompt, any };
struct FindData {
    Want want;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lParam)
{
    auto *data = reinterpret_cast<FindData *>(lParam);
    char cls[32];
    if (!IsWindowVisible(hwnd) || !GetClassNameA(hwnd, cls, sizeof cls) || std::strcmp(cls, "#32770") != 0)
        return TRUE;
    bool isFileDialog = GetDlgItem(hwnd, kFileNameEdit) != nullptr;
    bool match = data->want == Want::any || (data->want == Want::fileDialog ? isFileDialog
                                                                             : !isFileDialog && GetDlgItem(hwnd, IDYES));
    if (match) {
        data->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindThreadDialog(Want want)
{
    FindData data{want, nullptr};
    EnumThreadWindows(sMainThread, FindDialog, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

std::string ControlText(HWND control)
{
    char text[512] = "";
    DWORD_PTR ignored;
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 3000, &ignored);
    return text;
}

void DriverThread(Script script, Seen *seen, const std::atomic<bool> *callReturned)
{
    DWORD start = GetTickCount();
    auto late = [&] { return GetTickCount() - start > kWatchdogMs; };
    HWND dialog = nullptr;
    while (!late() && !*callReturned && !(dialog = FindThreadDialog(Want::fileDialog)))
        Sleep(20);
    if (dialog && !script.watchOnly) {
        seen->found = true;
        Sleep(150); // let the dialog finish its own initialisation
        seen->title = ControlText(dialog);
        seen->owner = GetWindow(dialog, GW_OWNER);
        seen->mainEnabledDuring = IsWindowEnabled(seen->owner) != FALSE;
        GetWindowRect(dialog, &seen->rect);
        DWORD_PTR ignored;
        HWND edit = GetDlgItem(dialog, kFileNameEdit);
        if (!script.cancel)
            SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(script.typeName.c_str()), SMTO_BLOCK,
                                3000, &ignored);
        if (script.selectType) {
            HWND types = GetDlgItem(dialog, kFileTypeList);
            SendMessageTimeoutA(types, CB_SETCURSEL, script.selectType - 1, 0, SMTO_BLOCK, 3000, &ignored);
            // What the combo box tells its dialog when the user picks an item.
            for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
                SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeList, code),
                                    reinterpret_cast<LPARAM>(types), SMTO_BLOCK, 3000, &ignored);
            seen->nameAfterTypeChange = ControlText(edit);
        }
        PostMessageA(dialog, WM_COMMAND, script.cancel ? IDCANCEL : IDOK, 0);
    }
    // Answer a replace prompt, and wait for the dialog to go; the watchdog cancels what stays (an
    // unexpected message box included).
    while (!late() && !*callReturned && FindThreadDialog(Want::any)) {
        if (HWND prompt = FindThreadDialog(Want::replacePrompt)) {
            seen->confirmed = true;
            PostMessageA(prompt, WM_COMMAND, script.confirmReplace ? IDYES : IDNO, 0);
        }
        Sleep(20);
    }
    for (DWORD giveUp = GetTickCount() + 5000; !*callReturned && GetTickCount() < giveUp;) {
        HWND stuck = FindThreadDialog(Want::any);
        if (!stuck)
            break;
        seen->timedOut = true;
        if (!GetDlgItem(stuck, kFileNameEdit))
            seen->unexpected += ControlText(stuck) + ": " + ControlText(GetDlgItem(stuck, 0xFFFF)) + " / ";
        PostMessageA(stuck, WM_COMMAND, IDCANCEL, 0);
        Sleep(100);
    }
}

// Runs a Standard File call while the driver plays the script; fails the test when the watchdog fired.
template <typename Call> Seen Drive(const Script &script, Call call)
{
    sMainThread = GetCurrentThreadId();
    Seen seen;
    std::atomic<bool> callReturned{false};
    std::thread driver(DriverThread, script, &seen, &callReturned);
    call();
    callReturned = true;
    driver.join();
    EXPECT_FALSE(seen.timedOut) << "a dialog was still open after the watchdog's time " << seen.unexpected;
    if (!script.watchOnly) {
        EXPECT_TRUE(seen.found) << "no file dialog appeared";
    }
    return seen;
}

std::string PascalText(const unsigned char *p) { return std::string(reinterpret_cast<const char *>(p + 1), p[0]); }

std::string Lower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string CurrentDirectory()
{
    char dir[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, dir);
    return dir;
}

// The working-directory number and directory ID of a directory, as the File Manager gives them.
struct DirNumbers {
    int16_t volume;
    int16_t wd;
    int32_t dirID;
};
DirNumbers NumbersOf(const std::string &dir)
{
    DirNumbers n{};
    n.dirID = ZEL_DirIDFromPath(dir.c_str(), &n.volume, &n.wd);
    return n;
}

class StandardFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = files_test::ScratchDir('C', "standard_file");
        UseHostTable(kHostTable);
        ZEL_SystemValue(1, 35, 0);
        ZEL_SystemValue(1, 64, 1);
    }
    void TearDown() override { ZEL_Set_MacWin(nullptr, nullptr); }
    std::string dir;
};

// ---- The open dialog ----

TEST_F(StandardFile, OpenGivesTheReplyAndTheGlobalsFollowTheChosenDirectory)
{
    ASSERT_TRUE(files_test::WriteWholeFile(dir + "notes.txt", "notes"));
    ASSERT_TRUE(files_test::WriteWholeFile(dir + "open.dat", "0123456789"));
    // A file open before the dialog reads on at its old position afterwards.
    OSErr err = 0;
    int32_t refNum = ZEL_FHOpen((dir + "open.dat").c_str(), 0, &err);
    ASSERT_GT(refNum, 0);
    char head[4] = {};
    ASSERT_EQ(ZEL_FHRead(refNum, head, 3), 3);
    std::string before = CurrentDirectory();
    // A window of the host's with the keyboard focus gets it back.
    HWND focused = CreateWindowA("EDIT", "", WS_POPUP | WS_VISIBLE, 700, 500, 100, 30, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(focused);
    SetFocus(focused);
    ASSERT_EQ(GetFocus(), focused);

    const OSType types[] = {kText};
    SFReply reply;
    std::memset(&reply, 0xAB, sizeof reply);
    // The prompt is Macintosh text: 0x8E is e-acute; the trailing colon goes.
    auto prompt = P("Caf\x8E file:");
    Seen seen = Drive(Script{dir + "notes.txt"}, [&] {
        SFGetFile(Point{-1, -1}, prompt.c_str(), nullptr, 1, types, nullptr, &reply);
    });
    EXPECT_EQ(seen.title, "Caf\xE9 file");
    EXPECT_FALSE(seen.mainEnabledDuring) << "the host's main window is disabled while the dialog shows";
    // (-1, -1) centres the dialog over the host's main window (0, 0, 640, 480).
    EXPECT_NEAR((seen.rect.left + seen.rect.right) / 2, 320, 2);
    EXPECT_NEAR((seen.rect.top + seen.rect.bottom) / 2, 240, 2);

    EXPECT_EQ(reply.good, 1);
    EXPECT_EQ(reply.copy, 0);
    EXPECT_EQ(reply.fType, kText);
    EXPECT_EQ(reply.version, 0);
    EXPECT_EQ(Lower(PascalText(reply.fName)), "notes.txt");
    DirNumbers n = NumbersOf(dir);
    EXPECT_EQ(reply.vRefNum, n.wd);
    EXPECT_EQ(LMGetCurDirStore(), n.dirID);
    EXPECT_EQ(LMGetSFSaveDisk(), -n.volume);
    EXPECT_EQ(LMGetSFVRefNum(), n.volume);

    EXPECT_EQ(CurrentDirectory(), before);
    ASSERT_NE(seen.owner, nullptr);
    EXPECT_TRUE(IsWindowEnabled(seen.owner)) << "the owner is enabled again";
    EXPECT_EQ(GetFocus(), focused);
    DestroyWindow(focused);
    char rest[8] = {};
    EXPECT_EQ(ZEL_FHRead(refNum, rest, 4), 4);
    EXPECT_STREQ(rest, "3456");
    ZEL_FHClose(refNum);
}

TEST_F(StandardFile, CancelClearsTheReplyAndNothingPastIt)
{
    const OSType types[] = {kText};
    char storage[sizeof(SFReply) + 16];
    testing_support::FillPattern(storage, sizeof storage, 7);
    char expected[sizeof storage];
    std::memcpy(expected, storage, sizeof storage);
    auto *reply = reinterpret_cast<SFReply *>(storage);
    std::string before = CurrentDirectory();
    Script cancel;
    cancel.cancel = true;
    Drive(cancel, [&] { SFGetFile(Point{40, 40}, nullptr, nullptr, 1, types, nullptr, reply); });
    EXPECT_TRUE(testing_support::AllZero(storage, sizeof(SFReply)));
    EXPECT_EQ(std::memcmp(storage + sizeof(SFReply), expected + sizeof(SFReply), 16), 0);
    EXPECT_EQ(CurrentDirectory(), before);

    StandardFileReply standard;
    std::memset(&standard, 0xAB, sizeof standard);
    Drive(cancel, [&] { StandardGetFile(nullptr, 1, types, &standard); });
    EXPECT_EQ(standard.sfGood, 0);
    EXPECT_EQ(standard.sfReplacing, 0);
    EXPECT_EQ(standard.sfFile.name[0], 0);
}

// A name longer than an SFReply holds is refused, never cut over the bytes after the reply; the FSSpec
// reply carries it whole.
TEST_F(StandardFile, LongNamesComeBackWholeOrAreRefused)
{
    std::string name = std::string(96, 'n') + ".txt";
    ASSERT_EQ(name.size(), 100u);
    ASSERT_TRUE(files_test::WriteWholeFile(dir + name, "long"));
    const OSType types[] = {kText};

    StandardFileReply standard;
    std::memset(&standard, 0xAB, sizeof standard);
    Drive(Script{dir + name}, [&] { StandardGetFile(nullptr, 1, types, &standard); });
    EXPECT_EQ(standard.sfGood, 1);
    EXPECT_EQ(standard.sfReplacing, 0);
    EXPECT_EQ(standard.sfType, kText);
    EXPECT_EQ(Lower(PascalText(standard.sfFile.name)), Lower(name));
    DirNumbers n = NumbersOf(dir);
    EXPECT_EQ(standard.sfFile.vRefNum, n.volume);
    EXPECT_EQ(standard.sfFile.parID, n.dirID);

    char storage[sizeof(SFReply) + 200];
    testing_support::FillPattern(storage, sizeof storage, 3);
    char expected[sizeof storage];
    std::memcpy(expected, storage, sizeof storage);
    Drive(Script{dir + name}, [&] {
        SFGetFile(Point{40, 40}, nullptr, nullptr, 1, types, nullptr, reinterpret_cast<SFReply *>(storage));
    });
    auto *reply = reinterpret_cast<SFReply *>(storage);
    EXPECT_EQ(reply->good, 0);
    EXPECT_EQ(reply->fName[0], 0);
    EXPECT_EQ(std::memcmp(storage + sizeof(SFReply), expected + sizeof(SFReply), 200), 0)
        << "the bytes after the reply were written";
}

TEST_F(StandardFile, MultipleSelectionWithASmallBufferAnswersVersionOne)
{
    ASSERT_TRUE(files_test::WriteWholeFile(dir + "a.txt", "a"));
    ASSERT_TRUE(files_test::WriteWholeFile(dir + "b.txt", "b"));
    const OSType types[] = {kText};
    // The folder fits the buffer, the names after it do not.
    std::string folder = dir.substr(0, dir.size() - 1);
    const int16_t smallSize = static_cast<int16_t>(folder.size() + 4);
    std::vector<char> small(smallSize + 16);
    testing_support::FillPattern(small.data(), static_cast<int32_t>(small.size()), 9);
    std::vector<char> expected = small;
    SFReply reply;
    // A first choice makes the folder Standard File's: the next dialog starts there, so the names are
    // typed without it.
    Drive(Script{dir + "a.txt"}, [&] { SFGetFile(Point{40, 40}, nullptr, nullptr, 1, types, nullptr, &reply); });
    ASSERT_EQ(reply.good, 1);
    std::string both = "\"a.txt\" \"b.txt\"";
    Drive(Script{both}, [&] {
        SFPGetFile(Point{40, 40}, nullptr, reinterpret_cast<FileFilterProcPtr>(small.data()), 1, types, nullptr, &reply,
                   smallSize, sfMultipleSelection);
    });
    EXPECT_EQ(reply.good, 0);
    EXPECT_EQ(reply.version, 1);
    EXPECT_TRUE(std::equal(small.begin() + smallSize, small.end(), expected.begin() + smallSize))
        << "nothing is written past the buffer";

    char large[600];
    Drive(Script{both}, [&] {
        SFPGetFile(Point{40, 40}, nullptr, reinterpret_cast<FileFilterProcPtr>(large), 1, types, nullptr, &reply,
                   sizeof large, sfMultipleSelection);
    });
    EXPECT_EQ(reply.good, 1);
    std::string list = large;
    EXPECT_EQ(Lower(list), Lower(folder + " a.txt b.txt"));
}

// ---- The filter list ----

struct FilterSeen {
    std::vector<std::string> parts; // descriptions and patterns in order
    DWORD index = 0;
    std::string defaultExtension;
    SFReply nested;
    bool called = false;
};
FilterSeen sFilterSeen;

// Reads the dialog's filter list from the library's OPENFILENAME, checks that a Standard File call made
// now returns a cleared reply, and cancels.
UINT ZEL_CALL CaptureFilter(HWND dialog, UINT message, WPARAM, LPARAM, OPENFILENAMEA *ofn)
{
    if (message != WM_INITDIALOG)
        return 0;
    FilterSeen &s = sFilterSeen;
    s.called = true;
    s.parts.clear();
    for (const char *p = ofn->lpstrFilter; p && *p; p += std::strlen(p) + 1)
        s.parts.push_back(p);
    s.index = ofn->nFilterIndex;
    s.defaultExtension = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
    std::memset(&s.nested, 0xAB, sizeof s.nested);
    const OSType types[] = {kText};
    SFGetFile(Point{40, 40}, nullptr, nullptr, 1, types, nullptr, &s.nested);
    HWND top = GetDlgItem(dialog, kFileNameEdit) ? dialog : GetParent(dialog);
    PostMessageA(top, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

FilterSeen OpenAndCapture(int16_t numTypes, const OSType *types)
{
    sFilterSeen = FilterSeen{};
    SFReply reply;
    Script watch;
    watch.watchOnly = true;
    Drive(watch, [&] {
        SFPGetFile(Point{40, 40}, nullptr, nullptr, numTypes, types, nullptr, &reply, 0, CaptureFilter);
    });
    EXPECT_TRUE(sFilterSeen.called);
    EXPECT_EQ(reply.good, 0);
    return sFilterSeen;
}

TEST_F(StandardFile, FiltersFromTheHostTable)
{
    const OSType text[] = {kText}, two[] = {kText, kPict}, c[] = {kCSource}, none[] = {kNoDescription};
    struct Case {
        const char *what;
        int16_t numTypes;
        const OSType *types;
        int allFiles, combined;
        std::vector<std::string> parts;
        DWORD index;
    } cases[] = {
        {"TXT and DOC of one type: one entry, both patterns", 1, text, 0, 1, {"Text files", "*.TXT;*.DOC"}, 1},
        {"two types and setting 64: a third entry combines them and is chosen", 2, two, 0, 1,
         {"Text files", "*.TXT;*.DOC", "Pictures", "*.BMP", "Every listed type", "*.TXT;*.BMP"}, 3},
        {"setting 35: an all-files entry instead of the combined one, chosen", 2, two, 1, 1,
         {"Text files", "*.TXT;*.DOC", "Pictures", "*.BMP", "Every file (*.*)", "*.*"}, 3},
        {"neither: the index past the last entry becomes 1", 2, two, 0, 0,
         {"Text files", "*.TXT;*.DOC", "Pictures", "*.BMP"}, 1},
        {"a blank extension character ends the pattern", 1, c, 0, 1, {"C sources", "*.C"}, 1},
        {"no types: all files only", 0, text, 0, 1, {"Every file (*.*)", "*.*"}, 1},
        {"rows without a description give no entry", 1, none, 0, 1, {}, 0},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        ZEL_SystemValue(1, 35, k.allFiles);
        ZEL_SystemValue(1, 64, k.combined);
        FilterSeen seen = OpenAndCapture(k.numTypes, k.types);
        EXPECT_EQ(seen.parts, k.parts);
        EXPECT_EQ(seen.index, k.index);
        EXPECT_EQ(seen.nested.good, 0) << "a call made while a dialog shows gets a cleared reply";
        EXPECT_TRUE(testing_support::AllZero(reinterpret_cast<const char *>(&seen.nested), sizeof(SFReply)));
    }
    EXPECT_EQ(kHostTable[3].extension[1], ' ') << "the host's table is read, never written";
}

TEST_F(StandardFile, AFullFilterEndsAtItsLastWholeEntry)
{
    std::vector<Row> rows;
    std::vector<OSType> types;
    for (int i = 0; i < 60; ++i) {
        Row row{static_cast<uint32_t>(0x41410000 + i), {'E', static_cast<char>('A' + i / 26), static_cast<char>('A' + i % 26)}, ""};
        std::snprintf(row.description, sizeof row.description, "A long description of type %02d", i);
        rows.push_back(row);
        types.push_back(row.type);
    }
    rows.push_back(Row{0, {}, ""});
    UseHostTable(rows.data());
    FilterSeen seen = OpenAndCapture(static_cast<int16_t>(types.size()), types.data());
    ASSERT_FALSE(seen.parts.empty());
    ASSERT_EQ(seen.parts.size() % 2, 0u) << "every entry has its pattern";
    EXPECT_LT(seen.parts.size() / 2, types.size());
    for (size_t i = 0; i + 1 < seen.parts.size(); i += 2) {
        EXPECT_EQ(seen.parts[i].substr(0, 27), "A long description of type ");
        EXPECT_EQ(seen.parts[i + 1].size(), 5u) << seen.parts[i + 1];
    }
}

// ---- The save dialog ----

TEST_F(StandardFile, SaveAppliesAndReplacesExtensions)
{
    const OSType two[] = {kText, kPict};
    struct Case {
        const char *what;
        std::string typed;
        int selectType;
        const char *nameAfterTypeChange;
        const char *name;
        OSType type;
    } cases[] = {
        {"a name without extension gets the chosen filter's", "report", 0, nullptr, "report.txt", kText},
        {"a name with an extension keeps it", "report.doc", 0, nullptr, "report.doc", kText},
        {"choosing another type changes the extension at once", "image.txt", 2, "image.BMP", "image.bmp", kPict},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        ZEL_SF_String(2, 0, two);
        SFReply reply;
        Script script{dir + k.typed, k.selectType};
        Seen seen = Drive(script, [&] { SFPutFile(Point{40, 40}, P("Save as:").c_str(), P("draft").c_str(), nullptr, &reply); });
        if (k.nameAfterTypeChange) {
            EXPECT_EQ(seen.nameAfterTypeChange, dir + k.nameAfterTypeChange);
        }
        EXPECT_EQ(seen.title, "Save as");
        EXPECT_EQ(reply.good, 1);
        EXPECT_EQ(reply.copy, 0);
        EXPECT_EQ(Lower(PascalText(reply.fName)), k.name);
        EXPECT_EQ(reply.fType, k.type);
        DirNumbers n = NumbersOf(dir);
        EXPECT_EQ(reply.vRefNum, n.wd);
        EXPECT_EQ(LMGetSFSaveDisk(), -n.volume);
    }
}

TEST_F(StandardFile, SavingOverAnExistingFileIsReplacing)
{
    ASSERT_TRUE(files_test::WriteWholeFile(dir + "exists.txt", "old"));
    ZEL_SF_String(1, 0, std::vector<OSType>{kText}.data());
    StandardFileReply reply;
    Script script{dir + "exists.txt"};
    script.confirmReplace = true;
    Seen seen = Drive(script, [&] { StandardPutFile(P("Save:").c_str(), P("exists.txt").c_str(), &reply); });
    EXPECT_TRUE(seen.confirmed) << "the dialog asked before replacing";
    EXPECT_EQ(reply.sfGood, 1);
    EXPECT_EQ(reply.sfReplacing, 1);
    DirNumbers n = NumbersOf(dir);
    EXPECT_EQ(reply.sfFile.vRefNum, n.volume);
    EXPECT_EQ(reply.sfFile.parID, n.dirID);
    EXPECT_EQ(Lower(PascalText(reply.sfFile.name)), "exists.txt");

    Drive(Script{dir + "fresh.txt"}, [&] { StandardPutFile(P("Save:").c_str(), P("fresh").c_str(), &reply); });
    EXPECT_EQ(reply.sfGood, 1);
    EXPECT_EQ(reply.sfReplacing, 0);
}

// ---- The Custom calls ----

void *sDataSeen;
UINT ZEL_CALL CustomFilter(HWND, UINT message, WPARAM, void *yourDataPtr)
{
    if (message == WM_INITDIALOG)
        sDataSeen = yourDataPtr;
    return 0;
}

TEST_F(StandardFile, CustomCallsPassTheCallersDataAndFillTheReply)
{
    ASSERT_TRUE(files_test::WriteWholeFile(dir + "custom.bmp", "bmp"));
    const OSType types[] = {kPict};
    int data = 0;
    StandardFileReply reply;
    sDataSeen = nullptr;
    Drive(Script{dir + "custom.bmp"}, [&] {
        CustomGetFile(nullptr, 1, types, &reply, 0, Point{-1, -1}, nullptr, CustomFilter, nullptr, nullptr, &data);
    });
    EXPECT_EQ(sDataSeen, &data);
    EXPECT_EQ(reply.sfGood, 1);
    EXPECT_EQ(reply.sfType, kPict);
    EXPECT_EQ(reply.sfScript, -1);
    EXPECT_EQ(reply.sfFlags, 0);
    DirNumbers n = NumbersOf(dir);
    EXPECT_EQ(reply.sfFile.parID, n.dirID);
    EXPECT_EQ(Lower(PascalText(reply.sfFile.name)), "custom.bmp");

    ZEL_SF_String(1, 0, types);
    Drive(Script{dir + "picture"}, [&] {
        CustomPutFile(P("Save:").c_str(), P("x").c_str(), &reply, 0, Point{40, 40}, nullptr, nullptr, nullptr, nullptr,
                      &data);
    });
    EXPECT_EQ(reply.sfGood, 1);
    EXPECT_EQ(reply.sfReplacing, 0);
    EXPECT_EQ(reply.sfScript, -1);
    EXPECT_EQ(reply.sfFile.vRefNum, n.wd);
    EXPECT_EQ(reply.sfFile.parID, 0);
    EXPECT_EQ(Lower(PascalText(reply.sfFile.name)), "picture.bmp");
}

// A file whose extension is in no row takes the type of the filter the dialog ended with.
TEST_F(StandardFile, TheChosenFilterGivesTheTypeOfTheReturnedName)
{
    ASSERT_TRUE(files_test::WriteWholeFile(dir + "photo.qqq", "?"));
    const OSType two[] = {kText, kPict};
    ZEL_SystemValue(1, 36, kUnknown);
    SFReply reply;
    Drive(Script{dir + "photo.qqq", 2}, [&] { SFGetFile(Point{40, 40}, nullptr, nullptr, 2, two, nullptr, &reply); });
    EXPECT_EQ(reply.good, 1);
    EXPECT_EQ(reply.fType, kPict);
    Drive(Script{dir + "photo.qqq", 3}, [&] { SFGetFile(Point{40, 40}, nullptr, nullptr, 2, two, nullptr, &reply); });
    EXPECT_EQ(reply.fType, kUnknown) << "the combined entry has no type of its own";
}

} // namespace

// Printing Manager: print records with no printer and on a PostScript printer the program installs in
// the Wine prefix (Wine's PostScript driver with a PPD of the tests' own). The printer belongs to the
// whole prefix: "--printer" installs it before the session starts and removes it after; "--remove-printer"
// only removes it (the cleanup step that runs even when a case failed).
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <psapi.h>
#include <winspool.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "MacMemory.h"
#include "Printing.h"
#include "Quickdraw.h"
#include "test_seams.h"
#include "test_support.h"
#include "printer_fixture.h"

namespace {

using namespace printer_fixture;

bool sHavePrinter;
uint32_t sSessionFlags = zelFlagRawCallbacks;

// The printer's scale in its default device mode (0 reads it back unchanged).
int16_t SetPrinterScale(int16_t scale)
{
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterA(const_cast<char *>(kPrinter), &printer, &access))
        return 0;
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    int16_t old = 0;
    if (GetPrinterA(printer, 2, buffer.data(), needed, &needed)) {
        PRINTER_INFO_2A *info = reinterpret_cast<PRINTER_INFO_2A *>(buffer.data());
        if (info->pDevMode) {
            old = info->pDevMode->dmScale;
            if (scale) {
                info->pDevMode->dmScale = scale;
                info->pDevMode->dmFields |= DM_SCALE;
                info->pSecurityDescriptor = nullptr;
                SetPrinterA(printer, 2, buffer.data(), 0);
            }
        }
    }
    ClosePrinter(printer);
    return old;
}

// The default printer as the tests see it: its DC and device mode, from the print dialog.
struct DevicePrinter {
    PRINTDLGA pd{};
    DEVMODEA mode{};
    DevicePrinter()
    {
        pd.lStructSize = sizeof pd;
        pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
        if (PrintDlgA(&pd) && pd.hDevMode) {
            std::memcpy(&mode, GlobalLock(pd.hDevMode), sizeof mode);
            GlobalUnlock(pd.hDevMode);
        }
    }
    ~DevicePrinter()
    {
        if (pd.hDC)
            DeleteDC(pd.hDC);
        if (pd.hDevMode)
            GlobalFree(pd.hDevMode);
        if (pd.hDevNames)
            GlobalFree(pd.hDevNames);
    }
    int Caps(int index) const { return GetDeviceCaps(pd.hDC, index); }
    POINT EscapePoint(int escape) const
    {
        POINT p{};
        Escape(pd.hDC, escape, 0, nullptr, &p);
        return p;
    }
};

THPrint NewRecord(Size size = sizeof(TPrint)) { return reinterpret_cast<THPrint>(NewHandleClear(size)); }
void DisposeRecord(THPrint h) { DisposeHandle(reinterpret_cast<Handle>(h)); }
uint32_t Word32(const TPrint &r, int word)
{
    uint32_t v;
    std::memcpy(&v, &r.printX[word], 4);
    return v;
}

bool SameRect(const Rect &r, int top, int left, int bottom, int right)
{
    return r.top == top && r.left == left && r.bottom == bottom && r.right == right;
}

std::string RectText(const Rect &r)
{
    char text[64];
    std::snprintf(text, sizeof text, "(%d, %d, %d, %d)", r.top, r.left, r.bottom, r.right);
    return text;
}

// Closes every dialog box (a message box included) this process shows, from a thread of its own,
// recording their titles.
class BoxCloser {
public:
    BoxCloser() : thread_([this] { Run(); }) {}
    ~BoxCloser()
    {
        stop_ = true;
        thread_.join();
    }
    // The titles seen so far, once pending closes have had their time.
    std::vector<std::string> Titles()
    {
        Sleep(200);
        return titles_;
    }

private:
    static BOOL CALLBACK Visit(HWND w, LPARAM self)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char cls[32];
        GetClassNameA(w, cls, sizeof cls);
        if (pid == GetCurrentProcessId() && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
            char title[128];
            GetWindowTextA(w, title, sizeof title);
            auto *closer = reinterpret_cast<BoxCloser *>(self);
            if (closer->titles_.empty() || closer->titles_.back() != title)
                closer->titles_.push_back(title);
            PostMessageA(w, WM_COMMAND, IDOK, 0);
        }
        return TRUE;
    }
    void Run()
    {
        while (!stop_) {
            EnumWindows(Visit, reinterpret_cast<LPARAM>(this));
            Sleep(20);
        }
    }

    std::atomic<bool> stop_{false};
    std::vector<std::string> titles_;
    std::thread thread_;
};

// ---- No printer ----

class NoPrinter : public testing::Test {
protected:
    void SetUp() override
    {
        if (sHavePrinter)
            GTEST_SKIP() << "runs without the printer";
    }
};

TEST_F(NoPrinter, RecordsGetSeventyTwoDpiDefaults)
{
    THPrint h = NewRecord();
    PrOpen();
    PrintDefault(h);
    const TPrint &r = **h;
    EXPECT_EQ(r.prInfo.iVRes, 72);
    EXPECT_EQ(r.prInfo.iHRes, 72);
    EXPECT_TRUE(SameRect(r.prInfo.rPage, 0, 0, 720, 576)) << RectText(r.prInfo.rPage);
    EXPECT_TRUE(SameRect(r.rPaper, 0, 0, 720, 576)) << RectText(r.rPaper);
    EXPECT_EQ(PrError(), 128);
    EXPECT_FALSE(PrJobDialog(h));
    EXPECT_FALSE(PrStlDialog(h));
    EXPECT_EQ(ZEL_GetPrintDC(), nullptr);
    EXPECT_EQ(PrinterStateEntries(nullptr), 0) << "a failed fill keeps no state";
    DisposeRecord(h);
}

TEST_F(NoPrinter, ErrorBoxesOnlyWhenAskedAndNeverAtStartUp)
{
    ZEL_SystemValue(1, 61, 1);
    {
        BoxCloser closer;
        InitGraf(&qd.thePort); // the screen set-up settles the print defaults again
        EXPECT_TRUE(closer.Titles().empty()) << "start-up shows no box";
    }
    {
        BoxCloser closer;
        THPrint h = NewRecord();
        PrintDefault(h);
        EXPECT_EQ(closer.Titles(), std::vector<std::string>{"Initialization Error"});
        DisposeRecord(h);
    }
    ZEL_SystemValue(1, 61, 0);
}

// ---- The printer installed ----

class OnPrinter : public testing::Test {
protected:
    void SetUp() override
    {
        if (!sHavePrinter)
            GTEST_SKIP() << "runs with --printer";
        PrOpen();
    }
};

TEST_F(OnPrinter, EveryFieldFollowsTheDevice)
{
    THPrint h = NewRecord();
    PrintDefault(h);
    ASSERT_EQ(PrError(), 0);
    DevicePrinter device;
    ASSERT_NE(device.pd.hDC, nullptr);
    const TPrint &r = **h;
    const DEVMODEA &m = device.mode;
    int scale = (m.dmFields & DM_SCALE) && m.dmScale > 0 ? m.dmScale : 100;
    int logY = device.Caps(LOGPIXELSY), logX = device.Caps(LOGPIXELSX);
    POINT offset = device.EscapePoint(GETPRINTINGOFFSET), physical = device.EscapePoint(GETPHYSPAGESIZE);
    auto s = [scale](int v) { return v * 100 / scale; };
    int vRes = s(logY), hRes = s(logX);
    Rect page{0, 0, static_cast<int16_t>(s(device.Caps(VERTRES))), static_cast<int16_t>(s(device.Caps(HORZRES)))};
    Rect paper{static_cast<int16_t>(s(-offset.y)), static_cast<int16_t>(s(-offset.x)),
               static_cast<int16_t>(s(physical.y - offset.y)), static_cast<int16_t>(s(physical.x - offset.x))};
    if (sSessionFlags & zelFlagPrinting20) {
        auto p = [](int v, int res) { return static_cast<int16_t>(v * 72 / res); };
        page = {p(page.top, vRes), p(page.left, hRes), p(page.bottom, vRes), p(page.right, hRes)};
        paper = {p(paper.top, vRes), p(paper.left, hRes), p(paper.bottom, vRes), p(paper.right, hRes)};
        vRes = hRes = 72;
    }
    EXPECT_EQ(r.iPrVersion, device.Caps(DRIVERVERSION));
    EXPECT_EQ(r.prInfo.iVRes, vRes);
    EXPECT_EQ(r.prInfo.iHRes, hRes);
    EXPECT_TRUE(std::memcmp(&r.prInfo.rPage, &page, sizeof page) == 0) << RectText(r.prInfo.rPage);
    EXPECT_TRUE(std::memcmp(&r.rPaper, &paper, sizeof paper) == 0) << RectText(r.rPaper) << " expected "
                                                                     << RectText(paper);
    EXPECT_EQ(r.prStl.wDev, 0x300) << "a PostScript printer";
    EXPECT_EQ(r.prStl.iPageV, device.Caps(VERTSIZE) * 1200 / 254);
    EXPECT_EQ(r.prStl.iPageH, device.Caps(HORZSIZE) * 1200 / 254);
    EXPECT_EQ(std::memcmp(&r.prInfoPT, &r.prInfo, sizeof r.prInfo), 0);
    EXPECT_EQ(r.prXInfo.iBandH, scale);
    EXPECT_TRUE(r.prJob.iFstPage == 1 && r.prJob.iLstPage == 9999);
    EXPECT_GE(r.prJob.iCopies, 1);
    EXPECT_EQ(uint16_t(r.printX[0]), 0x120F);
    EXPECT_EQ(uint16_t(r.printX[1]), 0xCA1C);
    EXPECT_EQ(Word32(r, 6), m.dmFields);
    EXPECT_EQ(Word32(r, 8), uint32_t(m.dmFields & DM_ORIENTATION ? m.dmOrientation : 1));
    EXPECT_EQ(Word32(r, 10), uint32_t(m.dmFields & DM_PAPERSIZE ? m.dmPaperSize : 1));
    if (m.dmFields & DM_PAPERLENGTH)
        EXPECT_EQ(Word32(r, 12), uint32_t(m.dmPaperLength));
    else
        EXPECT_NE(Word32(r, 12), 0u) << "the length comes from the driver's paper list";
    EXPECT_EQ(Word32(r, 16), uint32_t(scale));

    EXPECT_FALSE(PrValidate(h)) << "a record just filled is valid";
    (*h)->printX[1] ^= 0x10;
    EXPECT_TRUE(PrValidate(h)) << "a changed signature is refilled";
    EXPECT_EQ(uint16_t((*h)->printX[1]), 0xCA1C);
    DisposeRecord(h);
}

TEST_F(OnPrinter, HalfScaleDoublesTheResolution)
{
    if (sSessionFlags & zelFlagPrinting20)
        GTEST_SKIP() << "72-dpi mode reports 72";
    int16_t old = SetPrinterScale(50);
    THPrint h = NewRecord();
    PrintDefault(h);
    {
        DevicePrinter device;
        ASSERT_EQ(device.mode.dmScale, 50);
        EXPECT_EQ((*h)->prInfo.iVRes, 2 * device.Caps(LOGPIXELSY));
        EXPECT_EQ((*h)->prXInfo.iBandH, 50);
    }
    SetPrinterScale(old ? old : 100);
    DisposeRecord(h);
}

TEST_F(OnPrinter, RepeatedFillsKeepOneStateEntryAndStaleRecordsAreRefilled)
{
    THPrint h = NewRecord();
    PrintDefault(h);
    int32_t entries = PrinterStateEntries(nullptr);
    PROCESS_MEMORY_COUNTERS_EX before{}, after{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&before), sizeof before);
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    for (int i = 0; i < 1000; ++i)
        PrintDefault(h);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&after), sizeof after);
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(PrinterStateEntries(nullptr), entries);
    EXPECT_LT(static_cast<int64_t>(after.PrivateUsage) - static_cast<int64_t>(before.PrivateUsage), 2 << 20);
    EXPECT_LT(static_cast<int64_t>(handlesAfter) - static_cast<int64_t>(handlesBefore), 20);

    // A record from another session: the signature is right, the state handle and stamp name nothing.
    THPrint copy = NewRecord();
    **copy = **h;
    for (int word = 2; word < 6; ++word)
        (*copy)->printX[word] = 0x1234;
    EXPECT_TRUE(PrValidate(copy));
    EXPECT_FALSE(PrValidate(copy)) << "refilled, it names a state of this session";

    // A record handle too short for the record grows before anything is written.
    THPrint shortRecord = NewRecord(100);
    PrintDefault(shortRecord);
    EXPECT_GE(GetHandleSize(reinterpret_cast<Handle>(shortRecord)), 120);
    EXPECT_GT((*shortRecord)->prInfo.iVRes, 0);
    PrintDefault(nullptr);
    EXPECT_EQ(PrError(), -50);
    DisposeRecord(shortRecord);
    DisposeRecord(copy);
    DisposeRecord(h);
}

TEST_F(OnPrinter, PrGeneralOperations)
{
    THPrint h = NewRecord();
    PrintDefault(h);
    TGetRslBlk block{};
    block.iOpCode = getRslDataOp;
    PrGeneral(reinterpret_cast<Ptr>(&block));
    EXPECT_EQ(block.iError, 0);
    EXPECT_EQ(block.iRslRecCnt, 2);
    EXPECT_TRUE(block.xRslRg.iMin == 300 && block.xRslRg.iMax == 600);
    EXPECT_TRUE(block.yRslRg.iMin == 300 && block.yRslRg.iMax == 600);
    struct Case {
        int16_t op, error;
    } cases[] = {{setRslOp, opNotImpl}, {draftBitsOp, 0}, {noDraftBitsOp, 0}};
    for (const Case &c : cases) {
        TGnlData data{c.op, 77, 0};
        PrGeneral(reinterpret_cast<Ptr>(&data));
        EXPECT_EQ(data.iError, c.error) << "operation " << c.op;
    }
    unsigned char unknown[64], copy[64];
    for (int i = 0; i < 64; ++i)
        unknown[i] = copy[i] = static_cast<unsigned char>(i * 3 + 1);
    unknown[0] = copy[0] = 99;
    unknown[1] = copy[1] = 0;
    PrGeneral(reinterpret_cast<Ptr>(unknown));
    EXPECT_EQ(std::memcmp(unknown, copy, sizeof copy), 0) << "an unknown operation changes nothing";
    DisposeRecord(h);
}

TEST_F(OnPrinter, WinIniChangesAndTheInformationContext)
{
    struct Case {
        const char *section;
        int16_t answer;
    } cases[] = {{"windows", 1}, {"devices", 2}, {"intl", 4}, {"colors", 0}, {"WINDOWS", 1}};
    for (const Case &c : cases)
        EXPECT_EQ(ZEL_WinIniChange(c.section), c.answer) << c.section;
    THPrint h = NewRecord();
    PrintDefault(h);
    HDC ic = nullptr;
    PrinterStateEntries(&ic);
    EXPECT_NE(ic, nullptr) << "the fill makes an information context of the printer";
    ZEL_SystemValue(0, 66, 0);
    PrinterStateEntries(&ic);
    EXPECT_EQ(ic, nullptr) << "reading setting 66 deletes it";
    DisposeRecord(h);
}

std::vector<int> sNotices;
void CALLBACK RecordNotice(int16_t phase, int16_t result, Handle, void *state)
{
    sNotices.push_back(phase);
    sNotices.push_back(result);
    sNotices.push_back(state != nullptr);
}

TEST_F(OnPrinter, TheJobDialogRunsBetweenTheHostsNotices)
{
    THPrint h = NewRecord();
    PrintDefault(h);
    ZEL_SetupPrintDlgHook(reinterpret_cast<FARPROC>(RecordNotice));
    sNotices.clear();
    {
        BoxCloser closer; // presses OK in the print dialog
        EXPECT_TRUE(PrJobDialog(h));
        EXPECT_FALSE(closer.Titles().empty());
    }
    ZEL_SetupPrintDlgHook(nullptr);
    EXPECT_EQ(sNotices, (std::vector<int>{1, 0, 1, 0, 1, 1}));
    HDC dc = nullptr;
    void *state = nullptr;
    ZEL_GetWinPrintInfo(h, &dc, &state);
    EXPECT_NE(dc, nullptr) << "the job dialog keeps its device context";
    EXPECT_NE(state, nullptr);
    ZEL_ReleasePrinter(h);
    ZEL_GetWinPrintInfo(h, &dc, &state);
    EXPECT_EQ(dc, nullptr);
    DisposeRecord(h);
}

// Last: the cases after it would run without a session.
TEST_F(OnPrinter, SessionsOpenedAndClosedAroundAFilledRecordStayFlat)
{
    auto cycle = [] {
        ZEL_ExitSession();
        static SessionParamBlock block = testing_support::MakeSessionBlock(testing_support::HostMainWindow(), sSessionFlags);
        ZEL_InitSession(&block);
        InitGraf(&qd.thePort);
        THPrint h = NewRecord();
        PrintDefault(h);
        PrValidate(h);
    };
    cycle();
    PROCESS_MEMORY_COUNTERS_EX before{}, after{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&before), sizeof before);
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    for (int i = 0; i < 20; ++i)
        cycle();
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&after), sizeof after);
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_LT(static_cast<int64_t>(after.PrivateUsage) - static_cast<int64_t>(before.PrivateUsage), 2 << 20);
    EXPECT_LT(static_cast<int64_t>(handlesAfter) - static_cast<int64_t>(handlesBefore), 10);
}

} // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    bool install = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--remove-printer") == 0) {
            RemovePrinter();
            return 0;
        }
        if (std::strcmp(argv[i], "--printer") == 0)
            install = true;
        if (std::strcmp(argv[i], "--points") == 0)
            sSessionFlags |= zelFlagPrinting20;
    }
    RemovePrinter();
    if (install && !(sHavePrinter = InstallPrinter())) {
        RemovePrinter();
        return 1;
    }
    testing_support::StartTestSession(sSessionFlags & ~zelFlagRawCallbacks);
    InitGraf(&qd.thePort);
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    RemovePrinter();
    return result;
}

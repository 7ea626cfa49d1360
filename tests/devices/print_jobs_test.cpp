// Printing Manager: print jobs. With no printer; on the PostScript printer the program installs in the
// prefix ("--printer"), whose documents are PostScript files in its port's file; and on a double that
// stands in for the printers Wine cannot run (banding, non-PostScript), drawing into a memory DC.
// Boxes the jobs show are closed by a timer procedure of this thread, under a watchdog.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "LowMem.h"
#include "MacMemory.h"
#include "Printing.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "printer_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using namespace printer_fixture;

bool sHavePrinter;
uint32_t sSessionFlags;

// ---- Boxes ----

// Closes the boxes this thread shows (not the abort dialog) from a timer procedure, which runs in the
// box's own message loop, and records their texts. A watchdog ends the program when a box outlives
// 30 seconds.
class BoxTimer {
public:
    BoxTimer() : watchdog_([this] { Watch(); })
    {
        sCurrent = this;
        timer_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~BoxTimer()
    {
        KillTimer(nullptr, timer_);
        sCurrent = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        watchdog_.join();
    }
    const std::vector<std::string> &Texts() const { return texts_; }

private:
    static BOOL CALLBACK Visit(HWND w, LPARAM)
    {
        char cls[32];
        GetClassNameA(w, cls, sizeof cls);
        if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(w) || GetDlgItem(w, 402))
            return TRUE;
        char text[256] = {};
        GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
        sCurrent->texts_.push_back(text);
        PostMessageA(w, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (sCurrent)
            EnumThreadWindows(GetCurrentThreadId(), Visit, 0);
    }
    void Watch()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!wake_.wait_for(lock, std::chrono::seconds(30), [this] { return done_; })) {
            std::fprintf(stderr, "a box stayed up\n");
            ExitProcess(3);
        }
    }

    static BoxTimer *sCurrent;
    UINT_PTR timer_;
    std::vector<std::string> texts_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread watchdog_;
};
BoxTimer *BoxTimer::sCurrent;

BOOL CALLBACK FindAbortDialogVisit(HWND w, LPARAM out)
{
    if (GetDlgItem(w, 402) && IsWindowVisible(w)) {
        *reinterpret_cast<HWND *>(out) = w;
        return FALSE;
    }
    return TRUE;
}

HWND FindAbortDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindAbortDialogVisit, reinterpret_cast<LPARAM>(&found));
    return found;
}

// ---- Records ----

THPrint NewRecord() { return reinterpret_cast<THPrint>(NewHandleClear(sizeof(TPrint))); }
void DisposeRecord(THPrint h) { DisposeHandle(reinterpret_cast<Handle>(h)); }

// A record for the double: its page and range set by hand (the double's context needs no printer).
THPrint DoubleRecord(int width, int height, int16_t first = 1, int16_t last = 9999)
{
    THPrint h = NewRecord();
    (*h)->prInfo.rPage = Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    (*h)->prJob.iFstPage = first;
    (*h)->prJob.iLstPage = last;
    return h;
}

// ---- The double ----

constexpr COLORREF kSentinel = RGB(255, 0, 255);

// A printer that answers caps and bands as told, records the calls, and draws into a memory DC: on a
// banding printer the canvas holds one band at a time and each finished band is copied into the page.
struct PrinterDouble {
    int numColors = 16;
    bool postScript = false;
    bool banding = false;
    int bands = 1;
    int noGraphicsBand = -1;
    int shift = 0;
    int width = 120, height = 90;
    std::vector<std::string> calls;
    int band = -1; // the band the canvas holds, -1 between pages
    testing_support::DibSurface *canvas = nullptr;
    testing_support::DibSurface *page = nullptr;

    RECT BandRect(int i) const { return RECT{0, height * i / bands, width, height * (i + 1) / bands}; }
    void CopyOut(const RECT &r)
    {
        BitBlt(page->dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, canvas->dc(), r.left, r.top, SRCCOPY);
        canvas->Fill(kSentinel);
    }
};
PrinterDouble *sDouble;

bool IsDoubleDC(HDC dc) { return sDouble && sDouble->canvas && dc == sDouble->canvas->dc(); }

int WINAPI DoubleCaps(HDC dc, int index)
{
    if (!IsDoubleDC(dc))
        return GetDeviceCaps(dc, index);
    switch (index) {
    case NUMCOLORS:
        return sDouble->numColors;
    case RASTERCAPS:
        return RC_BITBLT | (sDouble->banding ? RC_BANDING : 0);
    case HORZRES:
        return sDouble->width;
    case VERTRES:
        return sDouble->height;
    default:
        return GetDeviceCaps(dc, index);
    }
}

int WINAPI DoubleEscape(HDC dc, int escape, int size, LPCSTR input, LPVOID output)
{
    if (!IsDoubleDC(dc))
        return Escape(dc, escape, size, input, output);
    PrinterDouble &d = *sDouble;
    switch (escape) {
    case QUERYESCSUPPORT: {
        int asked = *reinterpret_cast<const int *>(input);
        return (asked == POSTSCRIPT_PASSTHROUGH && d.postScript) || (asked == GETSCALINGFACTOR && d.shift) ||
               ((asked == NEXTBAND || asked == BANDINFO) && d.banding);
    }
    case GETSCALINGFACTOR:
        *static_cast<POINT *>(output) = POINT{d.shift, d.shift};
        return 1;
    case NEXTBAND: {
        d.calls.push_back("NEXTBAND");
        if (d.band >= 0)
            d.CopyOut(d.BandRect(d.band));
        d.band = d.band + 1 < d.bands ? d.band + 1 : -1;
        *static_cast<RECT *>(output) = d.band >= 0 ? d.BandRect(d.band) : RECT{};
        return 1;
    }
    case BANDINFO: {
        auto *answer = static_cast<int *>(output);
        answer[0] = d.band != d.noGraphicsBand;
        answer[1] = 0;
        return 1;
    }
    case STARTDOC:
        d.calls.push_back("STARTDOC");
        return 1;
    case ENDDOC:
        d.calls.push_back("ENDDOC");
        return 1;
    case ABORTDOC:
        d.calls.push_back("ABORTDOC");
        return 1;
    case SETABORTPROC:
        d.calls.push_back("SETABORTPROC");
        return 1;
    default:
        return 0;
    }
}

int WINAPI DoubleStartDoc(HDC, const DOCINFOA *)
{
    sDouble->calls.push_back("StartDoc");
    return 1;
}
int WINAPI DoubleStartPage(HDC)
{
    sDouble->calls.push_back("StartPage");
    sDouble->canvas->Fill(kSentinel);
    return 1;
}
int WINAPI DoubleEndPage(HDC)
{
    sDouble->calls.push_back("EndPage");
    sDouble->CopyOut(RECT{0, 0, sDouble->width, sDouble->height});
    return 1;
}
int WINAPI DoubleEndDoc(HDC)
{
    sDouble->calls.push_back("EndDoc");
    return 1;
}
int WINAPI DoubleAbortDoc(HDC)
{
    sDouble->calls.push_back("AbortDoc");
    return 1;
}
int WINAPI DoubleSetAbortProc(HDC, ABORTPROC)
{
    sDouble->calls.push_back("SetAbortProc");
    return 1;
}

const PrintDeviceCalls kDoubleCalls = {DoubleCaps,     DoubleEscape,  DoubleStartDoc, DoubleStartPage,
                                       DoubleEndPage, DoubleEndDoc, DoubleAbortDoc, DoubleSetAbortProc};

// Installs a double for the life of a case.
class DoubleInstalled {
public:
    explicit DoubleInstalled(PrinterDouble &d)
        : double_(d), canvas_(d.width, d.height, kSentinel), page_(d.width, d.height, RGB(255, 255, 255))
    {
        d.canvas = &canvas_;
        d.page = &page_;
        sDouble = &d;
        SelectTestPrintDevice(&kDoubleCalls, canvas_.dc());
    }
    ~DoubleInstalled()
    {
        if (sDouble == &double_) {
            SelectTestPrintDevice(nullptr, nullptr);
            sDouble = nullptr;
        }
        double_.canvas = double_.page = nullptr;
    }
    testing_support::DibSurface &page() { return page_; }

private:
    PrinterDouble &double_;
    testing_support::DibSurface canvas_, page_;
};

bool Called(const PrinterDouble &d, const char *name)
{
    for (const std::string &c : d.calls)
        if (c == name)
            return true;
    return false;
}

// ---- The PostScript file ----

std::string ReadPortFile()
{
    std::ifstream in(PortPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool PortFileExists() { return GetFileAttributesA(PortPath().c_str()) != INVALID_FILE_ATTRIBUTES; }

// The file's pages, each from its "%%Page:" line to the next.
std::vector<std::string> FilePages(const std::string &file)
{
    std::vector<std::string> pages;
    size_t at = file.find("%%Page:");
    while (at != std::string::npos) {
        size_t next = file.find("%%Page:", at + 1);
        pages.push_back(file.substr(at, next == std::string::npos ? std::string::npos : next - at));
        at = next;
    }
    return pages;
}

// ---- No printer ----

class NoPrinter : public testing::Test {};

TEST_F(NoPrinter, OpenDocFailsWithTheHostsBox)
{
    THPrint h = NewRecord();
    PrOpen();
    TPPrPort port;
    std::vector<std::string> texts;
    {
        BoxTimer boxes;
        port = PrOpenDoc(h, nullptr, nullptr);
        texts = boxes.Texts();
    }
    EXPECT_EQ(port, nullptr);
    EXPECT_EQ(PrError(), 128);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "The document could not be printed.");
    EXPECT_EQ(ZEL_GetPrintDC(), nullptr);
    EXPECT_EQ(FindAbortDialog(), nullptr) << "the abort dialog went with the failure";
    EXPECT_TRUE(IsWindowEnabled(testing_support::HostMainWindow()));
    DisposeRecord(h);
}

TEST_F(NoPrinter, OutOfDiskShowsTheHostsBoxAndAborts)
{
    PrOpen();
    BOOL goOn;
    std::vector<std::string> texts;
    {
        BoxTimer boxes;
        goOn = A_AbortProc(nullptr, SP_OUTOFDISK);
        texts = boxes.Texts();
    }
    EXPECT_FALSE(goOn);
    EXPECT_EQ(texts, std::vector<std::string>{"The disk is full: printing stops."});
    EXPECT_EQ(PrError(), 128);
    PrOpen();
}

// ---- The double ----

// A box no case expects is closed (and fails the case) rather than left waiting.
class UnexpectedBoxes {
public:
    ~UnexpectedBoxes() { EXPECT_TRUE(boxes_.Texts().empty()) << boxes_.Texts().front(); }

private:
    BoxTimer boxes_;
};

class OnDouble : public testing_support::QuickDrawTest {
protected:
    void SetUp() override
    {
        QuickDrawTest::SetUp();
        PrOpen();
    }
    UnexpectedBoxes boxes_;
};

TEST_F(OnDouble, PrinterFlagsFollowTheColoursAndTheBrushFlagIsRestored)
{
    struct Case {
        int numColors;
        bool postScript;
        int32_t flags;
    } cases[] = {{2, false, 1}, {16, false, 2}, {-1, false, 0}, {256, false, 0}, {16, true, 4}, {2, true, 4}};
    for (bool before : {false, true}) {
        for (const Case &c : cases) {
            PrinterDouble d;
            d.numColors = c.numColors;
            d.postScript = c.postScript;
            DoubleInstalled installed(d);
            PrintJobFlags(before);
            THPrint h = DoubleRecord(d.width, d.height);
            TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
            ASSERT_NE(port, nullptr);
            int32_t flags = PrintJobFlags(-1);
            EXPECT_EQ(flags & 0xF, c.flags) << c.numColors << " colours, PostScript " << c.postScript;
            EXPECT_EQ((flags & 0x10) != 0, (c.flags & 2) != 0 || before) << "solid black-and-white brushes";
            PrCloseDoc(port);
            EXPECT_EQ((PrintJobFlags(-1) & 0x10) != 0, before) << "back to the screen's value";
            DisposeRecord(h);
        }
    }
    PrintJobFlags(0);
}

// The drawing of one page: shapes whose colours change half-way, so that a band that started from the
// last band's port state would differ, and an inversion, which a band drawn twice would undo.
void DrawTestPage()
{
    Rect r{10, 10, 80, 60};
    PaintRect(&r);
    ForeColor(redColor);
    Rect oval{20, 50, 70, 110};
    PaintOval(&oval);
    Rect all{0, 0, 90, 120};
    InvertRect(&all);
    MoveTo(5, 85);
    LineTo(115, 5);
}

// Prints one page through the band loop and answers the bands the loop was given; `inBand` runs in
// each band after the drawing.
std::vector<Rect> PrintOnePage(PrinterDouble &d, const std::function<void()> &inBand = {})
{
    THPrint h = DoubleRecord(d.width, d.height);
    TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
    std::vector<Rect> bands;
    if (port) {
        Rect band;
        Rect frame = (*h)->prInfo.rPage;
        while (ZEL_PrOpenPageBand(port, &frame, &band) && bands.size() < 10) {
            bands.push_back(band);
            DrawTestPage();
            if (inBand)
                inBand();
        }
        PrClosePage(port);
        PrCloseDoc(port);
    }
    DisposeRecord(h);
    return bands;
}

std::string RectText(const Rect &r)
{
    char text[64];
    std::snprintf(text, sizeof text, "(%d, %d, %d, %d)", r.top, r.left, r.bottom, r.right);
    return text;
}

TEST_F(OnDouble, ThreeBandsAssembleTheOneBandPage)
{
    PrinterDouble whole;
    DoubleInstalled wholeInstalled(whole);
    std::vector<Rect> one = PrintOnePage(whole);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(RectText(one[0]), "(0, 0, 90, 120)") << "the whole printable area";
    EXPECT_TRUE(Called(whole, "StartDoc") && Called(whole, "StartPage") && Called(whole, "EndPage") &&
                Called(whole, "EndDoc"));

    TGnlData draft{draftBitsOp, 0, 0};
    PrGeneral(reinterpret_cast<Ptr>(&draft));
    PrinterDouble banded;
    banded.banding = true;
    banded.bands = 3;
    DoubleInstalled bandedInstalled(banded);
    std::vector<Rect> three = PrintOnePage(banded);
    TGnlData noDraft{noDraftBitsOp, 0, 0};
    PrGeneral(reinterpret_cast<Ptr>(&noDraft));

    ASSERT_EQ(three.size(), 3u) << "each band drawn once";
    EXPECT_EQ(RectText(three[0]), "(0, 0, 30, 120)");
    EXPECT_EQ(RectText(three[1]), "(30, 0, 60, 120)");
    EXPECT_EQ(RectText(three[2]), "(60, 0, 90, 120)");
    for (const char *call : {"STARTDOC", "SETABORTPROC", "ENDDOC"})
        EXPECT_TRUE(Called(banded, call)) << call;
    for (const char *call : {"StartDoc", "StartPage", "EndPage", "EndDoc"})
        EXPECT_FALSE(Called(banded, call)) << call << ": a banding printer takes the escapes";
    std::string misses = testing_support::PixelMisses(bandedInstalled.page().dc(), 0, 0, banded.width, banded.height,
                                                      [&](int x, int y) { return wholeInstalled.page().Pixel(x, y); });
    EXPECT_TRUE(misses.empty()) << misses;
}

TEST_F(OnDouble, BandSkipPassesOverABandWithoutGraphics)
{
    TGnlData draft{draftBitsOp, 0, 0};
    PrGeneral(reinterpret_cast<Ptr>(&draft));
    ZEL_SetFlags(0, 0, 0x40, 0x40);
    PrinterDouble d;
    d.banding = true;
    d.bands = 3;
    d.noGraphicsBand = 0;
    DoubleInstalled installed(d);
    // The driver's band information, asked by the program in a band it draws.
    std::vector<int32_t> answers;
    std::vector<Rect> bands = PrintOnePage(d, [&] {
        int32_t graphics = 0, text = 1;
        answers.push_back(ZEL_BandInfo(&graphics, &text));
        answers.push_back(graphics);
        answers.push_back(text);
    });
    ZEL_SetFlags(0, 0, 0x40, 0);
    TGnlData noDraft{noDraftBitsOp, 0, 0};
    PrGeneral(reinterpret_cast<Ptr>(&noDraft));
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(RectText(bands[0]), "(30, 0, 60, 120)");
    EXPECT_EQ(answers, (std::vector<int32_t>{1, 1, 0, 1, 1, 0}));
    EXPECT_EQ(installed.page().Pixel(15, 15), kSentinel) << "band 1 never drawn";
    EXPECT_NE(installed.page().Pixel(15, 45), kSentinel);
}

TEST_F(OnDouble, AbortsEndWithAbortDoc)
{
    enum How { errorSet, buttonClicked };
    ZEL_SetPrintFileName(testing_support::P("Test document").c_str());
    for (How how : {errorSet, buttonClicked}) {
        PrinterDouble d;
        DoubleInstalled installed(d);
        THPrint h = DoubleRecord(d.width, d.height);
        TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
        ASSERT_NE(port, nullptr);
        Rect frame = (*h)->prInfo.rPage;
        if (how == buttonClicked) {
            HWND dialog = FindAbortDialog();
            ASSERT_NE(dialog, nullptr);
            char name[64] = {};
            GetDlgItemTextA(dialog, 402, name, sizeof name);
            EXPECT_STREQ(name, "Test document");
            EXPECT_FALSE(IsWindowEnabled(testing_support::HostMainWindow()));
            PostMessageA(GetDlgItem(dialog, 2), BM_CLICK, 0, 0);
            EXPECT_EQ(PrOpenPage(port, &frame), 0) << "the click, taken in the page call, aborts";
        } else {
            EXPECT_EQ(PrOpenPage(port, &frame), 1);
            PaintRect(&frame);
            PrSetError(-1);
        }
        EXPECT_EQ(PrError(), 128);
        EXPECT_EQ(PrClosePage(port), how == errorSet ? -1 : 128) << "the error set, or the abort";
        PrCloseDoc(port);
        EXPECT_TRUE(Called(d, "AbortDoc")) << how;
        EXPECT_FALSE(Called(d, "EndDoc")) << how;
        EXPECT_EQ(FindAbortDialog(), nullptr);
        EXPECT_TRUE(IsWindowEnabled(testing_support::HostMainWindow()));
        DisposeRecord(h);
    }
    // The next job prints normally.
    PrinterDouble d;
    DoubleInstalled installed(d);
    EXPECT_EQ(PrintOnePage(d).size(), 1u);
    EXPECT_TRUE(Called(d, "EndDoc"));
    EXPECT_FALSE(Called(d, "AbortDoc"));
    EXPECT_EQ(PrError(), 0);
}

TEST_F(OnDouble, ClosingAPortNotOpenOrTwiceDisposesNothing)
{
    uint32_t flags = ZEL_SetFlags(zelFlagHeapCheck, zelFlagHeapCheck, 0, 0);
    PrinterDouble d;
    DoubleInstalled installed(d);
    THPrint h = DoubleRecord(d.width, d.height);
    TPrPort own{};
    TPPrPort port = PrOpenDoc(h, &own, nullptr);
    ASSERT_EQ(port, &own);
    EXPECT_FALSE(own.fOurPtr);
    EXPECT_NE(ZEL_GetPrintDC(), nullptr);
    TPrPort stranger{};
    PrSetError(0);
    LMSetPrintErr(-27);
    EXPECT_EQ(PrClosePage(&stranger), -27);
    PrCloseDoc(&stranger);
    EXPECT_EQ(LMGetPrintErr(), -27) << "a port never opened leaves PrintErr alone";
    EXPECT_NE(ZEL_GetPrintDC(), nullptr) << "and the document open";
    LMSetPrintErr(0);
    PrCloseDoc(port);
    EXPECT_EQ(ZEL_GetPrintDC(), nullptr);
    PrCloseDoc(port);
    PrCloseDoc(nullptr);

    // An allocated port is freed once.
    TPPrPort allocated = PrOpenDoc(h, nullptr, nullptr);
    ASSERT_NE(allocated, nullptr);
    EXPECT_TRUE(allocated->fOurPtr);
    PrCloseDoc(allocated);
    PrCloseDoc(allocated);
    EXPECT_EQ(MemError(), 0);
    ZEL_SetFlags(zelFlagHeapCheck, flags, 0, 0);
    DisposeRecord(h);
}

TEST_F(OnDouble, ThinRectanglesWidenToThePrinterScale)
{
    PrinterDouble d;
    d.shift = 1; // two device pixels a port pixel
    DoubleInstalled installed(d);
    THPrint h = DoubleRecord(d.width, d.height);
    TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
    ASSERT_NE(port, nullptr);
    Rect frame = (*h)->prInfo.rPage;
    ASSERT_EQ(PrOpenPage(port, &frame), 1);
    Rect thin{10, 10, 11, 40};
    PaintRect(&thin);
    Rect oval{40, 10, 80, 100};
    PaintOval(&oval);
    PrClosePage(port);
    PrCloseDoc(port);
    testing_support::DibSurface &page = installed.page();
    const COLORREF black = RGB(0, 0, 0), unpainted = kSentinel;
    EXPECT_EQ(page.Pixel(20, 9), unpainted);
    EXPECT_EQ(page.Pixel(20, 10), black);
    EXPECT_EQ(page.Pixel(20, 11), black) << "a one-pixel rectangle prints the scale's two pixels";
    EXPECT_EQ(page.Pixel(55, 60), black) << "the oval's centre";
    EXPECT_EQ(page.Pixel(11, 41), unpainted) << "the oval's corner";
    DisposeRecord(h);
}

// ---- The printer installed ----

class OnPrinter : public testing_support::QuickDrawTest {
protected:
    void SetUp() override
    {
        if (!sHavePrinter)
            GTEST_SKIP() << "runs with --printer";
        QuickDrawTest::SetUp();
        PrOpen();
        DeleteFileA(PortPath().c_str());
    }
    UnexpectedBoxes boxes_;
};

// One page of a job: a rectangle 10 times the page number wide.
void PaintPageRectangle(int pageNumber)
{
    Rect r{100, 100, 200, static_cast<int16_t>(100 + 10 * pageNumber)};
    PaintRect(&r);
}

TEST_F(OnPrinter, PagesOutsideTheRangeDrawNowhere)
{
    THPrint h = NewRecord();
    PrintDefault(h);
    (*h)->prJob.iFstPage = 3;
    (*h)->prJob.iLstPage = 4;
    TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
    ASSERT_NE(port, nullptr);
    for (int pageNumber = 1; pageNumber <= 6; ++pageNumber) {
        EXPECT_EQ(PrOpenPage(port, nullptr), 1) << "page " << pageNumber << " is drawn";
        PaintPageRectangle(pageNumber);
        PrClosePage(port);
    }
    PrCloseDoc(port);
    EXPECT_EQ(PrError(), 0);
    std::vector<std::string> pages = FilePages(ReadPortFile());
    ASSERT_EQ(pages.size(), 2u);
    // Each rectangle is a path as wide as the rectangle and its pen-less edge; only pages 3 and 4 hold
    // theirs.
    for (size_t i = 0; i < pages.size(); ++i)
        for (int pageNumber = 1; pageNumber <= 6; ++pageNumber) {
            bool want = pageNumber == 3 + static_cast<int>(i);
            char width[32];
            std::snprintf(width, sizeof width, "\n%d 0 rlineto", 10 * pageNumber + 1);
            EXPECT_EQ(pages[i].find(width) != std::string::npos, want)
                << "page " << i + 3 << " of the file, rectangle of page " << pageNumber << "\n"
                << pages[i];
        }
    DisposeRecord(h);
}

TEST_F(OnPrinter, OneBandAPageAndPostScriptComments)
{
    THPrint h = NewRecord();
    PrintDefault(h);
    ZEL_SetFlags(0, 0, 0x10, 0x10);
    TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
    ASSERT_NE(port, nullptr);
    HDC dc = ZEL_GetPrintDC();
    ASSERT_NE(dc, nullptr);
    Rect band{}, frame = (*h)->prInfo.rPage;
    EXPECT_EQ(ZEL_PrOpenPageBand(port, &frame, &band), 1);
    EXPECT_EQ(RectText(band), RectText(Rect{0, 0, static_cast<int16_t>(GetDeviceCaps(dc, VERTRES)),
                                             static_cast<int16_t>(GetDeviceCaps(dc, HORZRES))}));
    GrafPtr current;
    GetPort(&current);
    EXPECT_EQ(current, &port->gPort);
    EXPECT_TRUE(RectText(port->gPort.portRect) == RectText(frame));
    static const char kMark[] = "\r\n%MARK\r\n";
    Handle data = NewHandle(sizeof kMark - 1);
    std::memcpy(*data, kMark, sizeof kMark - 1);
    PicComment(192, sizeof kMark - 1, data);
    Rect oval{300, 300, 600, 700};
    PaintOval(&oval);
    Rect box{700, 300, 800, 700};
    PaintRect(&box);
    EXPECT_EQ(ZEL_PrOpenPageBand(port, &frame, &band), 0) << "one band a page";
    PrClosePage(port);
    PrCloseDoc(port);
    ZEL_SetFlags(0, 0, 0x10, 0);
    EXPECT_EQ(ZEL_GetPrintDC(), nullptr);
    DisposeHandle(data);
    std::vector<std::string> pages = FilePages(ReadPortFile());
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("%MARK"), std::string::npos) << "the PostScript flag passes the comment on";
    // On a PostScript printer the oval is GDI's ellipse, an arc, not a polygon of its points.
    EXPECT_NE(pages[0].find("%Ellipse"), std::string::npos) << pages[0];
    EXPECT_EQ(pages[0].find("%Polygon"), std::string::npos) << pages[0];
    // Black fills print solid: the driver's pattern images start with stray bits.
    EXPECT_EQ(pages[0].find("makepattern"), std::string::npos) << pages[0];
    DisposeRecord(h);
}

TEST_F(OnPrinter, AbortedJobsLeaveNoFileAndTheNextPrints)
{
    enum How { errorSet, buttonClicked };
    for (How how : {errorSet, buttonClicked}) {
        DeleteFileA(PortPath().c_str());
        THPrint h = NewRecord();
        PrintDefault(h);
        TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
        ASSERT_NE(port, nullptr);
        if (how == buttonClicked) {
            HWND dialog = FindAbortDialog();
            ASSERT_NE(dialog, nullptr);
            PostMessageA(GetDlgItem(dialog, 2), BM_CLICK, 0, 0);
            EXPECT_EQ(PrOpenPage(port, nullptr), 0);
        } else {
            EXPECT_EQ(PrOpenPage(port, nullptr), 1);
            PaintPageRectangle(1);
            PrSetError(-1);
        }
        EXPECT_EQ(PrError(), 128);
        PrClosePage(port);
        PrCloseDoc(port);
        EXPECT_FALSE(PortFileExists()) << how;
        DisposeRecord(h);
    }
    THPrint h = NewRecord();
    PrintDefault(h);
    TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
    ASSERT_NE(port, nullptr);
    PrOpenPage(port, nullptr);
    PaintPageRectangle(1);
    PrClosePage(port);
    PrCloseDoc(port);
    EXPECT_EQ(PrError(), 0);
    EXPECT_EQ(FilePages(ReadPortFile()).size(), 1u);
    DisposeRecord(h);
}

// In 72-dpi mode the record speaks in points and the printing port maps them onto the device's page.
TEST_F(OnPrinter, PointsMapOntoTheDevicePage)
{
    if (!(sSessionFlags & zelFlagPrinting20))
        GTEST_SKIP() << "runs with --points";
    THPrint h = NewRecord();
    PrintDefault(h);
    ASSERT_EQ((*h)->prInfo.iHRes, 72);
    TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
    ASSERT_NE(port, nullptr);
    HDC dc = ZEL_GetPrintDC();
    ASSERT_NE(dc, nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    PrOpenPage(port, nullptr);
    Rect inch{72, 72, 144, 144};
    PaintRect(&inch);
    PrClosePage(port);
    PrCloseDoc(port);
    std::vector<std::string> pages = FilePages(ReadPortFile());
    ASSERT_EQ(pages.size(), 1u);
    char corner[32];
    std::snprintf(corner, sizeof corner, "\n%d %d moveto", dpi, dpi);
    EXPECT_NE(pages[0].find(corner), std::string::npos) << "an inch in from the page's corner\n" << pages[0];
    DisposeRecord(h);
}

// Last: the session ends inside a document.
TEST_F(OnPrinter, SessionExitInsideADocumentLeavesNoFile)
{
    THPrint h = NewRecord();
    PrintDefault(h);
    TPPrPort port = PrOpenDoc(h, nullptr, nullptr);
    ASSERT_NE(port, nullptr);
    PrOpenPage(port, nullptr);
    PaintPageRectangle(1);
    ZEL_ExitSession();
    EXPECT_FALSE(PortFileExists());
    EXPECT_EQ(FindAbortDialog(), nullptr);
    testing_support::StartTestSession();
    InitGraf(&testing_support::QuickDrawGlobals().thePort);
}

} // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    bool install = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--printer") == 0)
            install = true;
        else if (std::strcmp(argv[i], "--points") == 0)
            sSessionFlags |= zelFlagPrinting20;
    }
    RemovePrinter();
    if (install && !(sHavePrinter = InstallPrinter())) {
        RemovePrinter();
        return 1;
    }
    testing_support::StartTestSession(sSessionFlags);
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    RemovePrinter();
    return result;
}

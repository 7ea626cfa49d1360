// A ten-page print job through the Printing Manager's loop against the same pages printed with GDI's
// StartPage/FillRect/EndPage on a context of the same printer. The printer is the tests' PostScript
// printer, installed for the run and removed after; both sides write its port's file.
#include "bench.h"

#include <commdlg.h>

#include <fstream>
#include <sstream>
#include <string>

#include "MacMemory.h"
#include "Printing.h"
#include "Quickdraw.h"
#include "printer_fixture.h"
#include "test_support.h"

namespace {

constexpr int kPages = 10;

int FilePageCount()
{
    std::ifstream in(printer_fixture::PortPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string file = text.str();
    int pages = 0;
    for (size_t at = file.find("%%Page:"); at != std::string::npos; at = file.find("%%Page:", at + 1))
        ++pages;
    return pages;
}

void ZEL_CALL Idle() {}

Rect PageRectangle(int page) { return Rect{100, 100, 400, static_cast<int16_t>(200 + 20 * page)}; }

} // namespace

int RunBench()
{
    if (!printer_fixture::InstallPrinter()) {
        std::printf("10-page print job: skipped (the printer could not be installed)\n");
        printer_fixture::RemovePrinter();
        return 0;
    }
    // Setting 66: the printer's context is kept from one document to the next, as the raw side keeps
    // its own.
    ZEL_SystemValue(1, 66, 1);
    THPrint record = reinterpret_cast<THPrint>(NewHandleClear(sizeof(TPrint)));
    PrOpen();
    PrintDefault(record);
    // An idle procedure stands in for the abort dialog, which the raw side has no counterpart of.
    (*record)->prJob.pIdleProc = Idle;

    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    PrintDlgA(&pd);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    // The file is read after each side's first job only: the timings hold the printing alone.
    int libraryPages = -1, rawPages = -1;

    std::vector<PairCase> cases = {
        {"10-page job: PrOpenPage/PaintRect/PrClosePage vs StartPage/FillRect/EndPage", 20,
         [&](int) {
             if (libraryPages < 0)
                 DeleteFileA(printer_fixture::PortPath().c_str());
             TPPrPort port = PrOpenDoc(record, nullptr, nullptr);
             if (!port)
                 return;
             for (int page = 0; page < kPages; ++page) {
                 PrOpenPage(port, nullptr);
                 Rect r = PageRectangle(page);
                 PaintRect(&r);
                 PrClosePage(port);
             }
             PrCloseDoc(port);
             if (libraryPages < 0)
                 libraryPages = FilePageCount();
         },
         [&](int) {
             // Wine writes over the port's file without cutting it short: each side's first job starts
             // from none.
             if (rawPages < 0)
                 DeleteFileA(printer_fixture::PortPath().c_str());
             DOCINFOA info{};
             info.cbSize = sizeof info;
             info.lpszDocName = "bench";
             if (StartDocA(pd.hDC, &info) <= 0)
                 return;
             for (int page = 0; page < kPages; ++page) {
                 StartPage(pd.hDC);
                 Rect r = PageRectangle(page);
                 RECT fill{r.left, r.top, r.right, r.bottom};
                 FillRect(pd.hDC, &fill, black);
                 EndPage(pd.hDC);
             }
             EndDoc(pd.hDC);
             if (rawPages < 0)
                 rawPages = FilePageCount();
         },
         [&] {
             if (libraryPages != kPages || rawPages != kPages)
                 std::printf("pages: library %d, raw %d\n", libraryPages, rawPages);
             return libraryPages == kPages && rawPages == kPages;
         },
         {}, {}},
    };
    int result = RunPairCases(cases);
    DeleteDC(pd.hDC);
    GlobalFree(pd.hDevMode);
    GlobalFree(pd.hDevNames);
    PrClose();
    DisposeHandle(reinterpret_cast<Handle>(record));
    ZEL_SystemValue(1, 66, 0);
    printer_fixture::RemovePrinter();
    return result;
}

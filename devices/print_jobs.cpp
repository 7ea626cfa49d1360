// Printing Manager: print jobs. A document is a Windows print job on the printer's device context and
// the printing port is a colour port opened on that context; a page is a Windows page, or on a banding
// printer the page's bands one after the other. A modeless "AbortDlg" from the host (or the record's
// idle procedure) keeps the program answering while the printer spools. Also the host's print-dialog
// hooks and the printer facts the drawing code reads.
#include "devices_services.h"
#include "print_private.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"

#include "MacMemory.h"
#include "Printing.h"
#include "Quickdraw.h"

#include <cstring>

namespace {

FARPROC sPrintDialogHook;
FARPROC sPrintSetupHook;
char sDocumentName[128];

void ReplaceHook(FARPROC &slot, FARPROC hook)
{
    FreeHostProcInstance(slot);
    slot = MakeHostProcInstance(hook);
}

int16_t &PrintErrCell() { return LowMem<int16_t>(lmPrintErr); }

// ---- The printer calls ----

int WINAPI RealEscape(HDC dc, int escape, int inputSize, LPCSTR input, LPVOID output)
{
    return Escape(dc, escape, inputSize, input, output);
}
int WINAPI RealStartDoc(HDC dc, const DOCINFOA *info) { return StartDocA(dc, info); }

const PrintDeviceCalls kGdiCalls = {GetDeviceCaps, RealEscape, RealStartDoc, StartPage, EndPage, EndDoc, AbortDoc,
                                    SetAbortProc};
PrintDeviceCalls sTestCalls;
HDC sTestDeviceDC;
bool sTestCallsOn;

// ---- The job ----

constexpr uint32_t kDraftBitsSwitch = 0x20; // ZEL_SetFlags' switch of banding
constexpr uint32_t kBandSkipSwitch = 0x40;  // bands the driver wants no graphics for are skipped
constexpr int kAbortButton = 2;
constexpr int kDocumentNameItem = 402;

struct BandInfoBlock {
    BOOL graphics;
    BOOL text;
    RECT graphicsRect;
};

struct PrintJob {
    bool open;           // between a successful PrOpenDoc and its PrCloseDoc
    TPPrPort port;
    HDC dc;
    bool ownsDC;         // a test double's context stays the double's
    bool postScript, banding, monochrome, colour;
    int numColors;
    bool userAbort;
    HWND abortDialog;
    FARPROC idleProc;
    int16_t page, firstPage, lastPage;
    int16_t bandCount;
    RECT band;           // device coordinates, then logical
    bool bandTall;
    bool bandsEnded;     // the driver answered the page's last (empty) band
    bool pageStarted;    // a Windows page or the page's first band was started
    GrafPtr savedPort;
    bool moreToPrint;
    Rect pageRect;       // the record's rPage: the port's rectangle
    Rect devicePage;
    int16_t shift[2];    // h, v scaling exponents
    bool savedSolidBrushes;
    HDC sink;            // the port draws here during a page outside the range
};
PrintJob sJob;
HDC sKeptDC; // kept for the next document under library setting 66

bool VersionThree() { return SessionPlatform().versionWord == 3; }
bool UseEscapes() { return VersionThree() || sJob.banding; }

int DeviceEscape(int escape, int inputSize = 0, const void *input = nullptr, void *output = nullptr)
{
    return PrintDevice().escape(sJob.dc, escape, inputSize, static_cast<LPCSTR>(input), output);
}

bool PageInRange() { return !(sJob.page + 1 < sJob.firstPage || sJob.page >= sJob.lastPage); }

void EnableMainWindow()
{
    if (HWND main = SessionMainWindow())
        EnableWindow(main, TRUE);
}

void CloseAbortDialog()
{
    if (!sJob.abortDialog)
        return;
    HWND dialog = sJob.abortDialog;
    sJob.abortDialog = nullptr;
    ShowWindow(dialog, SW_HIDE);
    DestroyWindow(dialog);
    EnableMainWindow();
}

void ShowHostString(UINT id)
{
    char text[256] = {};
    LoadStringA(SessionHostInstance(), id, text, sizeof text);
    MessageBoxA(SessionMainWindow(), text, nullptr, MB_OK | MB_ICONEXCLAMATION);
}

// The printing port draws into a scratch memory context while a page outside the range is drawn, so
// that nothing of it reaches the printer (a driver would print it on the next page), and back into the
// printer's afterwards. The printing port is current.
void DivertToSink()
{
    if (sJob.sink)
        return;
    sJob.sink = CreateCompatibleDC(nullptr);
    if (!sJob.sink)
        return;
    DropCurrentPortObjects(false);
    SetPortRecordDC(sJob.sink);
}

void EndSink()
{
    if (!sJob.sink)
        return;
    GrafPtr previous = CurrentPort();
    GrafPtr port = &sJob.port->gPort;
    if (previous != port)
        SetPor(port);
    DropCurrentPortObjects(false);
    SetPortRecordDC(sJob.dc);
    DeleteDC(sJob.sink);
    sJob.sink = nullptr;
    InvalidatePortBrushes();
    if (previous != port)
        SetPor(previous);
}

// The printing port made ready for a band: initialised, its rectangle and clip the record's page.
void PreparePrintingPort()
{
    GrafPtr port = &sJob.port->gPort;
    InitPort(port);
    port->portRect = sJob.pageRect;
    ClipRect(&sJob.pageRect);
}

void RestoreSavedPort()
{
    GrafPtr port = &sJob.port->gPort;
    if (CurrentPort() != port)
        return;
    SetPor(sJob.savedPort && sJob.savedPort != port ? sJob.savedPort : reinterpret_cast<GrafPtr>(WMgrCPort()));
}

// The printer's selected font goes back: the stock font goes in and the port's font is released.
void ReleasePrinterFont()
{
    PortDCRecord *record = PortRecordOf(&sJob.port->gPort);
    if (!record || !sJob.dc)
        return;
    HFONT font = record->hfont;
    record->hfont = nullptr;
    record->fontDirty = 1;
    ReleaseDcFont(sJob.dc, nullptr);
    ReleaseDcFont(nullptr, font);
}

// Ends the document on the printer: aborted after any abort, else ended.
void EndDocument(bool abort)
{
    const PrintDeviceCalls &device = PrintDevice();
    if (abort) {
        if (UseEscapes())
            DeviceEscape(ABORTDOC);
        else
            device.abortDoc(sJob.dc);
    } else if (UseEscapes()) {
        DeviceEscape(ENDDOC);
    } else {
        device.endDoc(sJob.dc);
    }
}

// Everything PrOpenDoc made, given back: the port closed (and freed when it made the storage), the
// abort dialog and idle procedure, the printer flags and the context (kept under setting 66).
void TearDownJob(bool keepDC)
{
    if (sJob.port) {
        EndSink();
        RestoreSavedPort();
        GrafPtr port = &sJob.port->gPort;
        if (IsColorPort(port))
            CloseCPort(reinterpret_cast<CGrafPtr>(port));
        else
            ClosePort(port);
        if (sJob.port->fOurPtr)
            DisposePtr(reinterpret_cast<Ptr>(sJob.port));
    }
    CloseAbortDialog();
    FreeHostProcInstance(sJob.idleProc);
    if (sJob.dc && sJob.ownsDC) {
        if (keepDC && LibrarySetting(settingPrintingValue)) {
            if (sKeptDC && sKeptDC != sJob.dc)
                DeleteDC(sKeptDC);
            sKeptDC = sJob.dc;
        } else {
            DeleteDC(sJob.dc);
        }
    }
    SetMonochromePrinterDC(nullptr);
    SetPostScriptPrinterDC(nullptr);
    SetSolidBlackWhiteBrushes(sJob.savedSolidBrushes);
    ResetCollateCopies();
    sJob = PrintJob{};
}

TPPrPort FailOpen()
{
    PrintErrCell() = iPrAbort;
    TearDownJob(false);
    ShowHostString(1027);
    SetPrintAborted(true);
    return nullptr;
}

// The next band from the driver into sJob.band; false (PrintErr -4101 and the abort flag) when the
// escape fails.
bool NextBand()
{
    int result = DeviceEscape(NEXTBAND, 0, nullptr, &sJob.band);
    if (result <= 0) {
        SetRectEmpty(&sJob.band);
        PrintErrCell() = -4101;
        SetPrintAborted(true);
        return false;
    }
    sJob.bandsEnded = IsRectEmpty(&sJob.band) != 0;
    return true;
}

bool AskBandInfo(const RECT &area, BandInfoBlock *answer)
{
    BandInfoBlock question{TRUE, FALSE, area};
    *answer = BandInfoBlock{};
    return DeviceEscape(BANDINFO, sizeof question, &question, answer) > 0;
}

// The first band of a page on a banding printer: with the band-skip switch, bands the driver wants no
// graphics for are passed over (and, on the first pass, a band it wants text for); otherwise, when the
// printer scales, the driver's graphics answer over the page decides whether there is more to print.
void FirstBand()
{
    RECT page{0, 0, sJob.devicePage.right - sJob.devicePage.left, sJob.devicePage.bottom - sJob.devicePage.top};
    if (LibrarySwitch(kBandSkipSwitch)) {
        for (bool firstPass = true; !IsRectEmpty(&sJob.band); firstPass = false) {
            BandInfoBlock answer;
            if (!AskBandInfo(page, &answer))
                break;
            if (answer.graphics && !(firstPass && answer.text))
                break;
            if (!NextBand())
                break;
        }
    } else if (sJob.shift[0] || sJob.shift[1]) {
        BandInfoBlock answer;
        if (AskBandInfo(page, &answer))
            sJob.moreToPrint = answer.graphics != 0;
    }
}

} // namespace

// ---- Services ----

const PrintDeviceCalls &PrintDevice() { return sTestCallsOn ? sTestCalls : kGdiCalls; }
HDC TestPrintDeviceDC() { return sTestCallsOn ? sTestDeviceDC : nullptr; }

bool PrinterTakesPostScript() { return sJob.open && sJob.postScript; }

bool BandedDocumentOrientation(bool *tall)
{
    if (!sJob.open || !sJob.banding)
        return false;
    *tall = sJob.bandTall;
    return true;
}

void ResetPrintPageRange(int16_t firstPage, int16_t lastPage)
{
    sJob.page = 0;
    sJob.firstPage = firstPage;
    sJob.lastPage = lastPage;
}

bool PrintJobPageRects(HDC dc, Rect *page, Rect *devicePage)
{
    if (!sJob.open || !dc || dc != sJob.dc)
        return false;
    *page = sJob.pageRect;
    *devicePage = sJob.devicePage;
    return true;
}

// At session exit an open document is aborted: nothing of it is printed.
void ExitPrinting()
{
    if (sJob.open) {
        EndDocument(true);
        TearDownJob(false);
    }
    if (sKeptDC)
        DeleteDC(sKeptDC);
    sKeptDC = nullptr;
}

// The document name is the host's string 1026, at most 127 characters.
void InitPrintingGlobals()
{
    LowMem<int16_t>(lmPrintErr) = 0;
    sDocumentName[0] = 0;
    LoadStringA(SessionHostInstance(), 1026, sDocumentName, sizeof sDocumentName);
}

const char *PrintDocumentName() { return sDocumentName; }

ZEL_EXTERN_C void ZEL_CALL ZEL_SetPrintFileName(ConstStr255Param name)
{
    if (!name || !name[0])
        return;
    int n = name[0] < sizeof sDocumentName - 1 ? name[0] : sizeof sDocumentName - 1;
    std::memcpy(sDocumentName, name + 1, n);
    sDocumentName[n] = 0;
}

void ReleasePrintHooks()
{
    FreeHostProcInstance(sPrintDialogHook);
    FreeHostProcInstance(sPrintSetupHook);
    sPrintDialogHook = sPrintSetupHook = nullptr;
}

FARPROC PrintDialogHook() { return sPrintDialogHook; }
FARPROC PrintSetupDialogHook() { return sPrintSetupHook; }

ZEL_EXTERN_C void ZEL_CALL ZEL_SetupPrintDlgHook(FARPROC hook) { ReplaceHook(sPrintDialogHook, hook); }
ZEL_EXTERN_C void ZEL_CALL ZEL_SetupPrSetupDlgHook(FARPROC hook) { ReplaceHook(sPrintSetupHook, hook); }

// ---- The abort dialog and procedure ----

ZEL_EXTERN_C INT_PTR ZEL_CALL A_AbortDlg(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetFocus(GetDlgItem(dialog, kAbortButton));
        SetDlgItemTextA(dialog, kDocumentNameItem, sDocumentName);
        // Centred across the host's client area, and placed below its caption by half the difference
        // of the heights.
        RECT client{}, box{};
        HWND main = SessionMainWindow();
        if (main && GetClientRect(main, &client)) {
            MapWindowPoints(main, nullptr, reinterpret_cast<POINT *>(&client), 2);
            GetWindowRect(dialog, &box);
            int width = box.right - box.left, height = box.bottom - box.top;
            int x = client.left + ((client.right - client.left) - width) / 2;
            int y = client.top + 8 + GetSystemMetrics(SM_CYCAPTION) + ((client.bottom - client.top) - height) / 2;
            SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return 1;
    }
    case WM_COMMAND:
        sJob.userAbort = true;
        SetPrintAborted(true);
        return 1;
    default:
        return 0;
    }
}

ZEL_EXTERN_C BOOL ZEL_CALL A_AbortProc(HDC, int code)
{
    if (code == SP_OUTOFDISK) {
        ShowHostString(1032);
        SetPrintAborted(true);
        return FALSE;
    }
    if (sJob.abortDialog) {
        MSG message;
        while (!sJob.userAbort && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!sJob.abortDialog || !IsDialogMessageA(sJob.abortDialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        return !PrintAborted();
    }
    if (sJob.idleProc) {
        reinterpret_cast<PrIdleProcPtr>(sJob.idleProc)();
        return PrintErrCell() != iPrAbort;
    }
    return TRUE;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_AbortToTop(void)
{
    if (!sJob.abortDialog)
        return;
    SetWindowPos(sJob.abortDialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetFocus(GetDlgItem(sJob.abortDialog, kAbortButton));
}

// ---- The print loop ----

ZEL_EXTERN_C TPPrPort ZEL_CALL PrOpenDoc(THPrint hPrint, TPPrPort pPrPort, Ptr)
{
    if (sJob.open) {
        // One document at a time: the open one goes on undisturbed.
        PrintErrCell() = iPrAbort;
        return nullptr;
    }
    sJob = PrintJob{};
    sJob.moreToPrint = true;
    // The abort of an earlier document is over: left set, the abort procedure would answer "stop"
    // and the driver refuse to start this one.
    SetPrintAborted(false);
    sJob.savedSolidBrushes = SolidBlackWhiteBrushes();
    if (!hPrint || !HandleHasData(reinterpret_cast<Handle>(hPrint)))
        return FailOpen();

    // The printer's context: a test double's, the one kept from the last document, or the record's.
    PrintErrCell() = 0;
    sJob.ownsDC = true;
    if (HDC lent = TestPrintDeviceDC()) {
        sJob.dc = lent;
        sJob.ownsDC = false;
    } else if (LibrarySetting(settingPrintingValue) && sKeptDC) {
        sJob.dc = sKeptDC;
        sKeptDC = nullptr;
    } else {
        sJob.dc = TakePrintRecordDC(hPrint);
    }
    if (!sJob.dc || PrintErrCell())
        return FailOpen();

    const TPrint &record = **hPrint;
    sJob.pageRect = record.prInfo.rPage;
    sJob.devicePage = SessionFlag(zelFlagPrinting20) && !TestPrintDeviceDC() ? PrinterDevicePage() : record.prInfo.rPage;
    sJob.firstPage = record.prJob.iFstPage;
    sJob.lastPage = record.prJob.iLstPage;
    FARPROC idle = reinterpret_cast<FARPROC>(record.prJob.pIdleProc);

    // The port storage.
    if (!pPrPort) {
        pPrPort = reinterpret_cast<TPPrPort>(NewPtrClear(sizeof(TPrPort)));
        if (!pPrPort)
            return FailOpen();
        pPrPort->fOurPtr = TRUE;
    } else {
        pPrPort->fOurPtr = FALSE;
    }
    std::memset(pPrPort, 0, 4);

    // The printer's facts, then the port on its context.
    const PrintDeviceCalls &device = PrintDevice();
    sJob.postScript = PrinterIsPostScript(sJob.dc);
    sJob.numColors = device.getDeviceCaps(sJob.dc, NUMCOLORS);
    POINT scaling{0, 0};
    int query = GETSCALINGFACTOR;
    if (DeviceEscape(QUERYESCSUPPORT, sizeof query, &query) > 0 && DeviceEscape(GETSCALINGFACTOR, 0, nullptr, &scaling) > 0) {
        sJob.shift[0] = static_cast<int16_t>(scaling.x > 0 && scaling.x < 16 ? scaling.x : 0);
        sJob.shift[1] = static_cast<int16_t>(scaling.y > 0 && scaling.y < 16 ? scaling.y : 0);
    }
    sJob.open = true;
    GrafPtr saved = CurrentPort();
    SetNextPortDC(sJob.dc);
    OpenCPort(reinterpret_cast<CGrafPtr>(pPrPort));
    if (!GetCPortOpenSucceeded()) {
        SetNextPortDC(nullptr);
        if (pPrPort->fOurPtr)
            DisposePtr(reinterpret_cast<Ptr>(pPrPort));
        if (saved)
            SetPor(saved);
        return FailOpen();
    }
    sJob.port = pPrPort;
    MarkPrinterPort(&pPrPort->gPort);
    pPrPort->gPort.portRect = sJob.pageRect;
    ClipRect(&sJob.pageRect);
    if (saved)
        SetPor(saved);

    // Monochrome: at most two colours; colour: 3 to 255. NUMCOLORS is -1 on a device of more than 8
    // bits, which is neither.
    if (!sJob.postScript) {
        sJob.monochrome = sJob.numColors >= 0 && sJob.numColors < 3;
        sJob.colour = sJob.numColors >= 3 && sJob.numColors <= 255;
    }
    if (sJob.monochrome)
        SetMonochromePrinterDC(sJob.dc);
    if (sJob.postScript)
        SetPostScriptPrinterDC(sJob.dc);
    if (sJob.colour)
        SetSolidBlackWhiteBrushes(true);
    sJob.banding = (PrintDraftBits() || LibrarySwitch(kDraftBitsSwitch)) &&
                   (device.getDeviceCaps(sJob.dc, RASTERCAPS) & RC_BANDING);

    // The abort procedure, then the abort dialog or the record's idle procedure.
    if (UseEscapes())
        DeviceEscape(SETABORTPROC, 0, reinterpret_cast<const void *>(A_AbortProc));
    else
        device.setAbortProc(sJob.dc, A_AbortProc);
    if (!idle) {
        sJob.abortDialog = CreateDialogParamA(SessionHostInstance(), "AbortDlg", nullptr, A_AbortDlg, 0);
        if (!sJob.abortDialog)
            return FailOpen();
        ShowWindow(sJob.abortDialog, SW_SHOW);
        UpdateWindow(sJob.abortDialog);
        if (HWND main = SessionMainWindow())
            EnableWindow(main, FALSE);
    } else {
        sJob.idleProc = MakeHostProcInstance(idle);
    }

    // The document, named by the document name.
    sJob.page = 0;
    int started;
    if (UseEscapes()) {
        started = DeviceEscape(STARTDOC, static_cast<int>(std::strlen(sDocumentName)) + 1, sDocumentName);
    } else {
        DOCINFOA info{};
        info.cbSize = sizeof info;
        info.lpszDocName = sDocumentName;
        info.fwType = SessionPlatform().windows95 && sJob.banding ? DI_APPBANDING : 0;
        started = device.startDoc(sJob.dc, &info);
    }
    if (started <= 0)
        return FailOpen();
    SetPrintAborted(false);
    return pPrPort;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_PrOpenPageBand(TPPrPort pPrPort, TPRect, Rect *bandOut)
{
    if (!sJob.open || pPrPort != sJob.port)
        return 0;
    A_AbortProc(sJob.dc, 0);
    GrafPtr port = &sJob.port->gPort;
    if (++sJob.bandCount == 1) {
        PrintErrCell() = 0;
        if (CurrentPort() != port)
            sJob.savedPort = CurrentPort();
        SetPor(port);
        InvalidatePortBrushes();
        sJob.bandsEnded = false;
    }

    // A page outside the range: drawn once, into the sink.
    if (!PageInRange()) {
        if (sJob.bandCount == 1) {
            PreparePrintingPort();
            DivertToSink();
            if (bandOut)
                *bandOut = sJob.pageRect;
            return 1;
        }
        sJob.bandCount = 0;
        return 0;
    }
    if (PrintAborted())
        return 0;

    if (!sJob.banding) {
        if (sJob.bandCount == 1) {
            if (!VersionThree() && PrintDevice().startPage(sJob.dc) <= 0) {
                PrintErrCell() = iPrAbort;
                SetPrintAborted(true);
                return 0;
            }
            sJob.pageStarted = true;
            sJob.band = RECT{0, 0, PrintDevice().getDeviceCaps(sJob.dc, HORZRES),
                             PrintDevice().getDeviceCaps(sJob.dc, VERTRES)};
        } else {
            SetRectEmpty(&sJob.band);
        }
    } else {
        if (sJob.bandsEnded)
            SetRectEmpty(&sJob.band);
        else if (NextBand()) {
            sJob.pageStarted = true;
            if (sJob.bandCount == 1)
                FirstBand();
        }
    }
    if (IsRectEmpty(&sJob.band))
        return 0;

    DPtoLP(sJob.dc, reinterpret_cast<POINT *>(&sJob.band), 2);
    sJob.bandTall = sJob.band.bottom - sJob.band.top > sJob.band.right - sJob.band.left;
    if (bandOut)
        *bandOut = Rect{static_cast<int16_t>(sJob.band.top), static_cast<int16_t>(sJob.band.left),
                        static_cast<int16_t>(sJob.band.bottom), static_cast<int16_t>(sJob.band.right)};
    if (!PrintAborted())
        PreparePrintingPort();
    return 1;
}

ZEL_EXTERN_C int16_t ZEL_CALL PrOpenPage(TPPrPort pPrPort, TPRect pPageFrame)
{
    return ZEL_PrOpenPageBand(pPrPort, pPageFrame, nullptr);
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_BandInfo(int32_t *graphics, int32_t *text)
{
    if (!sJob.open)
        return 0;
    BandInfoBlock question{graphics ? *graphics : 0, text ? *text : 0, RECT{}}, answer{};
    int result = DeviceEscape(BANDINFO, sizeof question, &question, &answer);
    if (graphics)
        *graphics = answer.graphics;
    if (text)
        *text = answer.text;
    return static_cast<int16_t>(result);
}

ZEL_EXTERN_C int16_t ZEL_CALL PrClosePage(TPPrPort pPrPort)
{
    if (!sJob.open || pPrPort != sJob.port)
        return PrintErrCell();
    const bool inRange = PageInRange();
    EndSink();
    RestoreSavedPort();
    ReleasePrinterFont();
    ++sJob.page;
    sJob.bandCount = 0;
    if (!inRange)
        return 0;
    int result = -1;
    if (sJob.pageStarted) {
        if (sJob.banding) {
            result = 1;
            while (!sJob.bandsEnded) {
                result = DeviceEscape(NEXTBAND, 0, nullptr, &sJob.band);
                if (result <= 0) {
                    result = -1;
                    break;
                }
                sJob.bandsEnded = IsRectEmpty(&sJob.band) != 0;
            }
        } else {
            result = VersionThree() ? DeviceEscape(NEWFRAME) : PrintDevice().endPage(sJob.dc);
        }
    }
    sJob.pageStarted = false;
    if (PrintErrCell())
        return PrintErrCell();
    if (result >= 0 && !PrintAborted())
        return static_cast<int16_t>(result);
    PrintErrCell() = iPrAbort;
    return iPrAbort;
}

ZEL_EXTERN_C void ZEL_CALL PrCloseDoc(TPPrPort pPrPort)
{
    if (!sJob.open || pPrPort != sJob.port)
        return;
    EndDocument(PrintAborted() || sJob.userAbort);
    sJob.postScript = sJob.banding = false;
    TearDownJob(true);
    if (HWND main = SessionMainWindow())
        SetFocus(main);
}

// ---- The printer as the drawing code sees it ----

namespace {
// The DC and band shifts a test program lends in place of a printer.
HDC sTestPrinterDC;
int16_t sTestBandShift[2];
} // namespace

HDC PrintingDC(int16_t *documentOpen)
{
    if (documentOpen)
        *documentOpen = sJob.open ? 1 : 0;
    return sJob.open ? sJob.dc : sTestPrinterDC;
}

void PrinterBandShifts(int16_t *hShift, int16_t *vShift)
{
    const int16_t *shift = sJob.open ? sJob.shift : sTestPrinterDC ? sTestBandShift : nullptr;
    if (hShift)
        *hShift = shift ? shift[0] : 0;
    if (vShift)
        *vShift = shift ? shift[1] : 0;
}

ZEL_EXTERN_C void ZEL_CALL SelectTestPrinterDC(HDC dc, int16_t hShift, int16_t vShift)
{
    sTestPrinterDC = dc;
    sTestBandShift[0] = hShift;
    sTestBandShift[1] = vShift;
}

int PrinterScaleFactor()
{
    if (!sJob.open)
        return 1;
    return 1 << (sJob.shift[0] > sJob.shift[1] ? sJob.shift[0] : sJob.shift[1]);
}

namespace {
bool sTestScaling;
Rect sTestScaleFrom, sTestScaleTo;
} // namespace

// PENDING: printing gives the scaling rectangles of the open print job.
bool PrintScalingRects(Rect *from, Rect *to)
{
    if (!sTestScaling)
        return false;
    *from = sTestScaleFrom;
    *to = sTestScaleTo;
    return true;
}

ZEL_EXTERN_C void ZEL_CALL SelectTestPrintScaling(const Rect *from, const Rect *to)
{
    sTestScaling = from && to;
    if (sTestScaling) {
        sTestScaleFrom = *from;
        sTestScaleTo = *to;
    }
}

// ---- Test seams ----

// A double stands in for the printer: its calls replace GDI's and the next documents open on its
// context (nil: the real printer again).
ZEL_EXTERN_C void ZEL_CALL SelectTestPrintDevice(const PrintDeviceCalls *calls, HDC dc)
{
    sTestCallsOn = calls != nullptr;
    if (calls)
        sTestCalls = *calls;
    sTestDeviceDC = calls ? dc : nullptr;
}

// The open document's printer flags (1 monochrome, 2 colour, 4 PostScript, 8 banding) and QuickDraw's
// solid black-and-white brushes flag (0x10), which `solidBrushes` 0 or 1 sets first as the screen probe
// would (-1 leaves it).
ZEL_EXTERN_C int32_t ZEL_CALL PrintJobFlags(int32_t solidBrushes)
{
    if (solidBrushes >= 0)
        SetSolidBlackWhiteBrushes(solidBrushes != 0);
    int32_t flags = SolidBlackWhiteBrushes() ? 0x10 : 0;
    if (sJob.open)
        flags |= (sJob.monochrome ? 1 : 0) | (sJob.colour ? 2 : 0) | (sJob.postScript ? 4 : 0) | (sJob.banding ? 8 : 0);
    return flags;
}

// Print jobs and the host's print-dialog hooks.
#include "devices_services.h"
#include "../core/core_services.h"

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

} // namespace

// PENDING: printing ends an open print job and frees its records at session exit.
void ExitPrinting() {}

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

// PENDING: printing runs its abort dialog (Cancel ends the job).
INT_PTR CALLBACK A_AbortDlg(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
// PENDING: printing pumps messages while the job spools and answers whether it goes on.
BOOL CALLBACK A_AbortProc(HDC, int) { return TRUE; }

ZEL_EXTERN_C void ZEL_CALL ZEL_SetupPrintDlgHook(FARPROC hook) { ReplaceHook(sPrintDialogHook, hook); }
ZEL_EXTERN_C void ZEL_CALL ZEL_SetupPrSetupDlgHook(FARPROC hook) { ReplaceHook(sPrintSetupHook, hook); }

// PENDING: printing brings its abort dialog to the top while it is up.
ZEL_EXTERN_C void ZEL_CALL ZEL_AbortToTop(void) {}

namespace {
// The DC and band shifts a test program lends in place of a printer.
HDC sTestPrinterDC;
int16_t sTestBandShift[2];
} // namespace

// PENDING: printing answers with its printer DC and its document-open word.
HDC PrintingDC(int16_t *documentOpen)
{
    if (documentOpen)
        *documentOpen = 0;
    return sTestPrinterDC;
}

// PENDING: printing keeps the scaling shifts of the band it is printing.
void PrinterBandShifts(int16_t *hShift, int16_t *vShift)
{
    if (hShift)
        *hShift = sTestPrinterDC ? sTestBandShift[0] : 0;
    if (vShift)
        *vShift = sTestPrinterDC ? sTestBandShift[1] : 0;
}

ZEL_EXTERN_C void ZEL_CALL SelectTestPrinterDC(HDC dc, int16_t hShift, int16_t vShift)
{
    sTestPrinterDC = dc;
    sTestBandShift[0] = hShift;
    sTestBandShift[1] = vShift;
}

// PENDING: printing gives the printer's device pixels per port pixel of the open print job.
int PrinterScaleFactor() { return 1; }

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

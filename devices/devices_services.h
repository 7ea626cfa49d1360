// Services of printing, scrap, sound and devices for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Zel.h"

// Printing shutdown, called first at session exit.
void ExitPrinting();
// Releases the proc instances of the print-dialog and print-setup hooks.
void ReleasePrintHooks();
// Deletes the information context kept for the current printer (library setting 66 asks for it).
void DeletePrinterInfoContext();
FARPROC PrintDialogHook();
FARPROC PrintSetupDialogHook();
INT_PTR CALLBACK A_AbortDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CALLBACK A_AbortProc(HDC dc, int error);

// Started by ZEL_InitGlobals once the low-memory globals have their cells.
// PrintErr := 0 and the printing document name from the host's string 1026.
void InitPrintingGlobals();
const char *PrintDocumentName();
// ScrapInfo := {size 0, no handle, count 1, state 0, name "scrapfile"}.
void InitScrapInfo();
// The host's scrap callback from the session block: whether there is one, and a call of it with its seven
// arguments (0, "not handled", when there is none).
bool HasScrapCallback();
int32_t CallScrapCallback(int32_t operation, int32_t format, HDC dc, int32_t destination, int32_t type,
                          int32_t pointer, int32_t cell);
void InitAppleEvents();

// PENDING: the Printing Manager passes a cleared print record through PrOpen, PrintDefault and PrClose and loads the default printer's name.
void SettlePrintDefaults();
// Brings the printing abort dialog, while it is up, to the top with its item 2 focused; window creation
// calls it last.
ZEL_EXTERN_C void ZEL_CALL ZEL_AbortToTop(void);

// ---- The pen-tablet driver, as the event pump and input translation see it ----
// PENDING: the pen-tablet driver keeps its input mode (2 and 6 sample with the mouse messages).
int16_t TabletInputMode();
// PENDING: the pen-tablet driver takes one pointer sample by input mode; 0xFFFF when there is none.
uint16_t SampleTabletInput(const MSG *message);
// PENDING: the pen-tablet driver raises this flag when the tip is lifted during a task pass.
bool TabletReleased();
// PENDING: the pen-tablet driver turns sampling on while Vertical Retrace tasks are installed.
bool TabletSamplingOn();
// PENDING: the pen-tablet driver starts sampling when a Vertical Retrace task is installed.
void StartTabletSampling();
// PENDING: the pen-tablet driver stops sampling when a Vertical Retrace task is removed.
void StopTabletSampling();
// PENDING: the pen-tablet driver reports its pen state as the tablet bit (0x0040) of mouse events.
uint16_t QueryTabletModifierBit();
// PENDING: the pen-tablet driver disables its context when the application is deactivated.
void SuspendTabletContext();
// PENDING: the pen-tablet driver re-enables its context and brings it to the top on activation.
void ResumeTabletContext();

// ---- The serial driver ----
// Reads and writes for negative refNums (FSRead and FSWrite pass every one here): 0, or the raw Win32
// error of an open port; -21 (as a word) for a number with no port behind it. *count becomes the bytes
// moved; a negative count moves nothing.
uint16_t SerRead(int16_t refNum, int32_t *count, void *buffer);
uint16_t SerWrite(int16_t refNum, int32_t *count, const void *buffer);
// Opens the port of an output driver (-7 COM1, -9 COM2) for the pair; input drivers open nothing. 0, or
// -26 when the port cannot be opened or the number is no serial driver's.
OSErr SerOpen(int16_t refNum);
// Closes the port of either number of a pair for both; -21 when the pair holds no port.
OSErr SerClose(int16_t refNum);

// The Printing Manager's printer DC (0 when none) and its document-open word.
HDC PrintingDC(int16_t *documentOpen);
// The scaling shifts of the band being printed (a band's pixels are 2^shift printer pixels); 0 outside
// banding.
// PENDING: printing keeps the scaling shifts of the band it is printing.
void PrinterBandShifts(int16_t *hShift, int16_t *vShift);
// Test seam: a memory DC answers as the printer's DC with the given band shifts (nil: none).
ZEL_EXTERN_C void ZEL_CALL SelectTestPrinterDC(HDC dc, int16_t hShift, int16_t vShift);
// PENDING: printing gives the printer's device pixels per port pixel of the open print job.
int PrinterScaleFactor();

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
// The AppleEvent Manager's start is the exported InitAppleEvents (the built-in coercions, AppleEvents.h);
// at the end of a session its descriptors and queued sends are forgotten with the heap.
void ExitAppleEvents();

// A cleared print record through PrOpen, PrintDefault and PrClose at the end of the screen set-up, and
// the default printer's name read; never shows a box or waits.
void SettlePrintDefaults();
// The printer state table with its device contexts and device handles, freed by ExitGraf.
void FreePrinterInfoTable();
// The Printing Manager's abort flag (PrError answers 128 while it is set) and its draft-bits switch.
bool PrintAborted();
void SetPrintAborted(bool aborted);
bool PrintDraftBits();
// Test seam: the number of live printer state entries and the printer's information context.
ZEL_EXTERN_C int32_t ZEL_CALL PrinterStateEntries(HDC *infoContext);
// Brings the printing abort dialog, while it is up, to the top with its item 2 focused; window creation
// calls it last.
ZEL_EXTERN_C void ZEL_CALL ZEL_AbortToTop(void);

// ---- The pen-tablet driver, as the event pump and input translation see it ----
// The input mode: 0 closed, 3 WinTab context, 6 mouse messages.
int16_t TabletInputMode();
// One sample by input mode while sampling is on: 1 when one was taken, 0xFFFF when none. A message the
// pump holds gives a mouse sample its time and position and stays the pump's; without one, mouse mode
// takes the next mouse message of the main window and hands it to ZEL_EventMouse.
uint16_t SampleTabletInput(const MSG *message);
// Raised when the tip is lifted after being down; cleared when sampling starts.
bool TabletReleased();
// Sampling is on from StartTabletSampling (a Vertical Retrace task installed, the tablet open) to
// StopTabletSampling.
bool TabletSamplingOn();
void StartTabletSampling();
void StopTabletSampling();
// The tablet bit (0x0040) of mouse events: always 0.
uint16_t QueryTabletModifierBit();
// Application deactivation disables the WinTab context; activation enables it and brings it to the top.
void SuspendTabletContext();
void ResumeTabletContext();

// ---- The pen-tablet driver, as the Device Manager sees it ----
// Binds a WinTab context, or falls back to mouse samples; a tablet already open stays as it is.
OSErr OpenTablet();
// Closes the context and unloads WinTab; the mode becomes 0.
void CloseTablet();
struct TabletRecord;
TabletRecord *TabletStatusRecord();

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
// The scaling shifts of the printer of the open document (a port pixel is 2^shift printer pixels, from
// the printer's GETSCALINGFACTOR); 0 outside a document.
void PrinterBandShifts(int16_t *hShift, int16_t *vShift);
// The open document's printer takes PostScript.
bool PrinterTakesPostScript();
// While a document is open on `dc`: the print record's page rectangle and the printer's device page it
// maps onto (they differ in 72-dpi mode); false otherwise.
bool PrintJobPageRects(HDC dc, Rect *page, Rect *devicePage);
// The print record's scaling in percent and its scaling flag.
// PENDING: print records keep their scaling and its flag.
inline void PrintRecordScaling(int16_t *percent, bool *on)
{
    *percent = 100;
    *on = false;
}
// Test seam: a memory DC answers as the printer's DC with the given band shifts (nil: none).
ZEL_EXTERN_C void ZEL_CALL SelectTestPrinterDC(HDC dc, int16_t hShift, int16_t vShift);
// The printer's device pixels per port pixel of the open document (1 outside one).
int PrinterScaleFactor();
// While the print job scales port pixels onto the printer's: the port's rectangle and the printer's it
// maps onto (false when nothing scales).
// PENDING: printing gives the scaling rectangles of the open print job.
bool PrintScalingRects(Rect *from, Rect *to);
// Test seam: offscreen drawing scales from `from` onto `to` as under a print job (nil: no scaling).
ZEL_EXTERN_C void ZEL_CALL SelectTestPrintScaling(const Rect *from, const Rect *to);

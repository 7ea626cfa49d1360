// The Printing Manager's private declarations: the table of printer calls that records and jobs share,
// and what the print-record code offers the print-job code.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Printing.h"

// Every GDI call the Printing Manager makes on a printer's device context, in one table so that a test
// program can stand a double in for the printer (Wine runs no banding driver).
struct PrintDeviceCalls {
    int(WINAPI *getDeviceCaps)(HDC dc, int index);
    int(WINAPI *escape)(HDC dc, int escape, int inputSize, LPCSTR input, LPVOID output);
    int(WINAPI *startDoc)(HDC dc, const DOCINFOA *info);
    int(WINAPI *startPage)(HDC dc);
    int(WINAPI *endPage)(HDC dc);
    int(WINAPI *endDoc)(HDC dc);
    int(WINAPI *abortDoc)(HDC dc);
    int(WINAPI *setAbortProc)(HDC dc, ABORTPROC proc);
};
const PrintDeviceCalls &PrintDevice();
// The device context a test double lends for the next documents (0 when none).
HDC TestPrintDeviceDC();

// Whether a printer takes PostScript: POSTSCRIPT_PASSTHROUGH on Windows NT, PASSTHROUGH on Windows 95,
// else a GETTECHNOLOGY of "PostScript".
bool PrinterIsPostScript(HDC dc);
// The device context of a document about to open on the record: the record validated (refilled when
// invalid, which must leave PrintErr 0), then the context its printer state holds, made when it holds
// none. The state gives it up. 0 when there is none.
HDC TakePrintRecordDC(THPrint hPrint);
// A document is open on a banding printer: its band is higher than wide.
bool BandedDocumentOrientation(bool *tall);
// The page counter starts again at 0 and the range is the record's.
void ResetPrintPageRange(int16_t firstPage, int16_t lastPage);
// The collate-copies count goes back to 1.
void ResetCollateCopies();
// The printer's device page kept by the last fill (for 72-dpi mode).
Rect PrinterDevicePage();

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
void InitAppleEvents();

// Brings the printing abort dialog, while it is up, to the top with its item 2 focused; window creation
// calls it last.
ZEL_EXTERN_C void ZEL_CALL ZEL_AbortToTop(void);

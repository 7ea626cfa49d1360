// Services of printing, scrap, sound and devices for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Zel.h"

// Printing shutdown, called first at session exit.
void ExitPrinting();
// Releases the proc instances of the print-dialog and print-setup hooks.
void ReleasePrintHooks();
FARPROC PrintDialogHook();
FARPROC PrintSetupDialogHook();
INT_PTR CALLBACK A_AbortDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CALLBACK A_AbortProc(HDC dc, int error);

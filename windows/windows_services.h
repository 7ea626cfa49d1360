// Services of the Event, Window and Menu Managers for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"

// Disposes every window and the Window Manager's objects at session exit.
void DisposeAllWindows();
// Frees the event queue at session exit.
void FreeEventQueue();
// A new system-task yield interval (library setting 6) restarts the pump's yield countdown.
void ResetYieldCountdown();

// The dialog keyboard hook follows its target window: installed for the first target, removed when the
// target goes to 0. Returns the previous target.
HWND SetDlgKeyHookWindow(HWND target, bool hookOn);
HWND DlgKeyHookWindow();
bool DlgKeyHookInstalled();
// While non-zero (ZEL_EndSession) the dialog keyboard hook swallows every key.
void SetSessionEndingKeySwitch(uint32_t value);
uint32_t SessionEndingKeySwitch();
// Started by ZEL_InitGlobals: Ticks, the empty queue header and the default SysEvtMask.
void InitEventQueue();

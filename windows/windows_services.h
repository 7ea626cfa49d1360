// Services of the Event, Window and Menu Managers for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"

// Disposes every window and the Window Manager's objects at session exit.
void DisposeAllWindows();
// Frees the event queue at session exit.
void FreeEventQueue();

// The dialog keyboard hook follows its target window: installed for the first target, removed when the
// target goes to 0. Returns the previous target.
HWND SetDlgKeyHookWindow(HWND target, bool hookOn);
HWND DlgKeyHookWindow();
bool DlgKeyHookInstalled();
// While non-zero (ZEL_EndSession) the dialog keyboard hook swallows every key.
void SetSessionEndingKeySwitch(uint32_t value);
uint32_t SessionEndingKeySwitch();

// Selects a port's effective clip (clipRgn within visRgn, in device coordinates) into its DC.
ZEL_EXTERN_C void ZEL_CALL ZEL_ClipRgnChange(struct GrafPort *port);

// Services of the Event, Window and Menu Managers for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Events.h"
#include "Menus.h"
#include "MacWindows.h"

// Disposes every window and the Window Manager's objects at session exit.
void ExitWindowManager();
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
// The definition procedure of a menu (the address at byte 2 of its 'MDEF' handle); 0 for the standard
// menu.
MenuDefProcPtr GetMenuDefProcPtr(MenuHandle menu);
// Started by ZEL_InitGlobals: Ticks, the empty queue header and the default SysEvtMask.
void InitEventQueue();


// ---- Default bodies of the patchable routines (the trap table's defaults) ----
// Each has its routine's published arguments and calling convention: a host that patches the routine
// may call the address NGetTrapAddress gave it before.
Boolean ZEL_CALL GetNextEventImpl(EventMask mask, EventRecord *event);
Boolean ZEL_CALL WaitNextEventImpl(EventMask mask, EventRecord *event, uint32_t sleep, RgnHandle mouseRgn);
Boolean ZEL_CALL EventAvailImpl(EventMask mask, EventRecord *event);
void ZEL_CALL SystemTaskImpl(void);
Boolean ZEL_CALL StillDownImpl(void);
Boolean ZEL_CALL WaitMouseUpImpl(void);
WindowPtr ZEL_CALL NewWindowImpl(void *storage, const Rect *bounds, ConstStr255Param title, Boolean visible,
                                 int16_t procID, WindowPtr behind, Boolean goAway, int32_t refCon);
WindowPtr ZEL_CALL NewCWindowImpl(void *storage, const Rect *bounds, ConstStr255Param title, Boolean visible,
                                  int16_t procID, WindowPtr behind, Boolean goAway, int32_t refCon);
void ZEL_CALL CloseWindowImpl(WindowPtr window);
void ZEL_CALL ShowWindowImpl(WindowPtr window);
void ZEL_CALL HideWindowImpl(WindowPtr window);
void ZEL_CALL SelectWindowImpl(WindowPtr window);
WindowPtr ZEL_CALL FrontWindowImpl(void);
void ZEL_CALL BeginUpdateImpl(WindowPtr window);
void ZEL_CALL EndUpdateImpl(WindowPtr window);
void ZEL_CALL InvalRectImpl(const Rect *rect);
void ZEL_CALL InvalRgnImpl(RgnHandle rgn);
void ZEL_CALL RebuildMenuBar(void);
void ZEL_CALL HiliteMenuImpl(int16_t menuID);
// Built-in bodies of the routines that hold their own export in their slot.
Boolean ButtonIsDown();
void GetMouseDefault(Point *pt);
int32_t PopUpMenuSelectDefault(MenuHandle menu, int16_t top, int16_t left, int16_t popUpItem);

// ---- The pump and the tick clock ----
// Ticks := GetTickCount() / 16 (one tick is 16 milliseconds); returns it. The body of TickCount.
uint32_t UpdateTicks();
// One pump pass with the event mask, an event record (or none) and a sleep in milliseconds; returns the
// matching queue element or none. Nothing is removed.
EvQEl *PumpEvents(EventMask mask, EventRecord *event, int16_t sleep);


// ---- Window Manager ----
// Every Windows window of the library (windows, dialog items, controls, list boxes) is made here.
HWND CreateHostWindow(DWORD exStyle, const char *className, const char *title, DWORD style, int x, int y, int width,
                      int height, HWND parent, HMENU menu, HINSTANCE instance, void *param);
// The WindowPtr behind a Windows window and its createFlags; false when it is not a library window.
bool HwndToWindowPtr(HWND hwnd, WindowPtr *window, uint16_t *createFlags);
// The size-box child (control identifier 0x5A5A) of a resizable window, or 0.
constexpr int kSizeBoxChildID = 0x5A5A;
HWND SizeBoxChild(WindowPtr window);
// Rewrites the Close item of a system menu with the host's shortcut format.
void RelabelSystemMenuClose(HWND hwnd, HMENU menu);
// The default maximised state of new multiple-document children (setting 67).
ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_MDIDefaultState(int16_t set, uint32_t value, int32_t ignored);
// A window is closed: its queued events go.
void ForgetWindowEvents(WindowPtr window);

// ---- Activation and updates, for the pump ----
// activate: CurActivate := window, else CurDeactive := window; the pump then synthesises the event.
void SetPendingActivation(WindowPtr window, bool activate);
// A window's update-pending flag went up: the pump looks for update events at once.
void NoteUpdatePending();
// Set by ZEL_ActivateApp while the application is active.
bool AppActiveFlag();
// The first window whose visible flag is set and whose Windows window is visible.
WindowPtr FirstVisibleWindow();
// The Z-order was changed by Windows and the list is not rebuilt yet.
bool WindowZOrderStale();
// The library's synchronous paint depth: while above 0 the child-control procedures skip erasing and
// only validate on WM_PAINT (Draw1Control sets it to 0 while it draws). Not the BeginUpdate nesting.
int SyncPaintDepth();
void SetSyncPaintDepth(int depth);

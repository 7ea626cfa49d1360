// Services of the Event, Window and Menu Managers for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Events.h"
#include "Menus.h"
#include "MacWindows.h"

// Disposes every window and the Window Manager's objects at session exit.
void ExitWindowManager();
// The event queue's end of session: nothing is allocated, so nothing is released.
void ExitEventQueue();
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
// The system colours the menus captured at InitMenus: highlight and its text, window and its text.
struct SystemColorSet {
    COLORREF highlight, highlightText, window, windowText;
};
SystemColorSet MenuSystemColors();
// The Macintosh key code of the last key typed.
uint8_t LastKeyCodeTyped();
// Started by ZEL_InitGlobals: Ticks, the empty queue and its header, the pending mask, the modifiers
// (button up), the mouse location and the default SysEvtMask.
void InitEventQueue();

// ---- The event queue ----
// 32 elements linked in posting order under the header of the EventQueue global.
constexpr int kEventQueueSlots = 32;
constexpr uint16_t kFreeQueueSlot = 0xFFFF;
constexpr uint16_t kSyntheticQueueElement = 2;
// The mask bit of an event kind as the queue tests it: 1 << kind, 0 for kinds of 32 and above.
uint32_t EventKindMask(uint16_t what);
// Whether a queued kind is selected by an event mask; a high-level event (23) answers to bit 0x0400.
bool EventKindInMask(uint16_t what, EventMask mask);
// Appends a copy of the record; returns the slot index (0..31), or -1 when it was dropped. A mouse-moved
// osEvt is merged into one already queued (the result is then that element's slot); a full queue loses
// its 8 oldest elements with a beep.
int16_t EnqueueEvent(const EventRecord *event);
// Unlinks and frees an element; returns false when it is not in the queue. The synthetic element is
// acknowledged instead: a synthesised activation is forgotten.
bool DequeueEvent(EvQEl *element);
// Posts an event stamped with Ticks, MouseLocation and CurrentModifiers; returns the enqueue result.
int16_t PostEventNow(uint16_t what, uint32_t message);
// The slot array's element of an enqueue result.
EvQEl *QueueSlot(int16_t index);
// The first queued element that the mask selects, or none.
EvQEl *FindQueuedEvent(EventMask mask);
uint16_t QueuedEventCount();
// The one element outside the slot array that carries a synthesised update or activate event.
EvQEl *SyntheticEventElement();
// The state every posted event is stamped with and the hint of the kinds that may be pending. The
// input handlers and the pump keep them up to date.
uint16_t &CurrentModifiers();
// The mouse in global coordinates (those of the host's client area), as event records carry it.
Point &MouseLocation();
// A point of the Windows screen as a global Macintosh point.
Point GlobalMousePoint(POINT screen);
uint16_t &PendingEventMask();


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

// ---- Input translation ----
// Shift, Option (Alt; never with noOption), Command (Ctrl) and Caps Lock from the keyboard state.
void UpdateKeyModifiers(bool noOption);
// A key or character message as an event: posted when `post`, described into `event` when given;
// returns the kind (0 for none). The library's edit and list controls build records with it.
uint16_t TranslateKeyMessage(bool post, HWND window, UINT message, WPARAM wParam, LPARAM lParam, EventRecord *event);
// The character of the last key or character message translated.
uint8_t LastCharacterTyped();
// The last menu or accelerator command id ZEL_EventCommand saw (0 after a control notification).
uint16_t &LastMenuCommandID();
// A mouse-down and a mouse-up in a rectangle of a window's client area (the mouse moves into it by axis
// when outside); the mouse-down at `where` when given. Returns the mouse-up's enqueue result.
int16_t PostClickInRect(HWND window, const Rect &rect, const Point *where);
// The same on a child window's rectangle in its parent.
int16_t PostClickOnChildWindow(HWND child);
// The cursor position into MouseLocation and out.
void ReadMouseLocation(Point *pt);
// ZEL_PlayBack's flag: keys the dialog key filter leaves are also typed into the current edit field.
uint32_t PlayBackFlag();

// ---- The pump ----
// One pump pass with the event mask, an event record (or none) and a sleep in milliseconds; returns the
// matching queue element, the synthetic element or none. Nothing is removed.
EvQEl *PumpEvents(EventMask mask, EventRecord *event, int16_t sleep);
// A null event: message 0xFFFFFFFF, stamped like a posted event.
void FillNullEvent(EventRecord *event);
// The pump's timer, peek flags and StillDown's poll counter at their start values (InitEventQueue).
void ResetPumpState();
void ResetStillDownPolls();
// One step of the system-task yield countdown (not while the mouse is captured).
void CountDownYield();
// The next pump synthesises update and activate events without waiting for its countdown.
void SynthesizeOnNextPump();
// Whether the pump read WM_QUIT since the last call; clears it.
bool TakeQuitSeen();
// Frees the proc instances of the host's message hook and peek procedure (session exit).
void ReleasePumpHooks();
// The synthetic element filled with the first pending deactivation, activation or update the mask
// asks for, or none.
EvQEl *SynthesizeWindowEvent(EventMask mask);
// A window is closed: it is no longer CurActivate or CurDeactive; returns what synthesis gives next.
EvQEl *ForgetActivationWindow(WindowPtr window);
// Menu tracking's wait for a click with the button up: 1 when one came, 0 when the button was down.
int WaitForMouseClick();
// True while a menu definition procedure chooses from a menu open in a Windows menu: GetMouse then
// answers relative to the menu's device context.
bool MenuTrackingActive();
// True while the library tracks a pop-up menu (PopUpMenuSelect).
bool PopUpMenuTracked();
// True while the menu bar is redrawn in the host's frame (DrawMenuBar on the main window): the library's
// windows do not erase their background meanwhile.
bool MenuBarBeingDrawn();
// InvalMenuBar's redraw flag: the pump takes it (clearing it) and calls DrawMenuBa when it was set.
bool TakeMenuBarRedrawFlag();


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
// A window is closed: its queued events go.
void ForgetWindowEvents(WindowPtr window);

// Adds a GDI region to a library region, rectangle by rectangle.
void UnionGdiRegion(RgnHandle into, HRGN gdi);

// ---- Activation and updates, for the pump ----
// activate: CurActivate := window, else CurDeactive := window; the pump then synthesises the event.
void SetPendingActivation(WindowPtr window, bool activate);
// A window's update-pending flag went up: the pump looks for update events at once.
void NoteUpdatePending();
// Set by ZEL_ActivateApp while the application is active.
bool AppActiveFlag();
// The focus window ZEL_ActivateApp gave back inside a hook target other than the main window; the dialog
// focus rules move the focus there when it sits on the dialog window itself, and ModalDialog clears it.
void SetPendingFocusWindow(HWND hwnd);
HWND PendingFocusWindow();
// The first window whose visible flag is set and whose Windows window is visible.
WindowPtr FirstVisibleWindow();
// The Z-order was changed by Windows and the list is not rebuilt yet.
bool WindowZOrderStale();
// The library's synchronous paint depth: while above 0 the child-control procedures skip erasing and
// only validate on WM_PAINT (Draw1Control sets it to 0 while it draws). Not the BeginUpdate nesting.
int SyncPaintDepth();
void SetSyncPaintDepth(int depth);
// Macintosh-style frame: the window's stateFlags 0x0010, or the choice of the window being created.
bool IsMacFrameWindow(HWND hwnd);
// The library window a Windows window belongs to: its own record for a child of the main or client window,
// its parent's for a control of one; none for the desktop, library edit controls and the host's windows
// (isTop true for those).
WindowPtr LibraryWindowForHwnd(HWND hwnd, HWND parent, HWND *owner, bool *isTop);
// The cursor glue of the cursor calls: makes a Windows cursor current over the library's windows (1),
// 0 for none; ApplyCachedCursor takes the table slot a converted record carries in its hot spot.
int ApplyWinCursor(HCURSOR cursor);
int ApplyCachedCursor(uint32_t hotSpotLong);
// The next cursor setting is applied even when it is the cursor applied last (WM_SETCURSOR asked).
void ForgetAppliedCursor();
// The Event Manager's mouse-capture depth: non-zero while the library holds the mouse capture
// (tracking, Vertical Retrace tasks, ZEL_SetCapture).
int MouseCaptureDepth();
// Posts a mouse-down whose position encodes a window part: h = -1, v = -part (FindWindo decodes it).
void PostPartMouseDown(int16_t part);
// The library's own mouse capture around its tracking loops.
void CaptureMouseForLibrary(bool on);

// The Window Manager's private declarations, shared by the window files of this folder.
#pragma once

#include "windows_services.h"
#include "MacWindows.h"
#include "../core/core_services.h"

// A handle whose master pointer holds data (not nil, not the unmapped mark).
inline bool HandleLive(const void *h)
{
    if (!h)
        return false;
    uintptr_t data = *static_cast<const uintptr_t *>(h);
    return data != 0 && data != 0xFFFF;
}

// The record and auxiliary record behind a WindowPtr.
inline WindowPeek Peek(WindowPtr window) { return reinterpret_cast<WindowPeek>(window); }
inline WindowPtr AsWindow(WindowPeek peek) { return reinterpret_cast<WindowPtr>(peek); }
inline CGrafPtr AsCPort(GrafPtr port) { return reinterpret_cast<CGrafPtr>(port); }
// The window's WindowAuxRecord, or 0 when it has none (or its handle lost its data).
WindowAuxRecord *AuxOf(WindowPtr window);
// The window's Windows window (0 for a nil window or one without its auxiliary record).
HWND WindowHwnd(WindowPtr window);
// The Windows window that stands for the window in the Z-order: its own, or its parent when a plain
// child stands in for a multiple-document child (extra long 16 bit 0).
HWND PlacementHwnd(WindowPtr window);
// The host's client window: the MDI client in a multiple-document session, else the main window.
HWND HostClientWindow();
bool IsFloatingWindow(WindowPtr window);
bool IsPopUpWindow(WindowPtr window);

// ---- The window list ----
WindowPtr WindowListHead();
void SetWindowListHead(WindowPtr window);
// Takes the window out of the list (nothing when it is not there).
void WindowListUnlink(WindowPtr window);
void WindowListPlace(WindowPtr window);
void SendBehindImpl(WindowPtr window, WindowPtr behindWindow);
void SyncWindowZOrder(WindowPtr window, bool show, bool activate, bool keepOrder);
void SwapActiveWindow(WindowPtr oldWindow, WindowPtr newWindow, bool hilite);
void WindowListRelink(WindowPtr window, WindowPtr beforeWindow, WindowPtr lastWindow);
// The first visible window of the list whose structure holds the global point, from the structure boxes
// the last resync read: true with the window (0 for none) while those still hold, false when Windows is
// to be asked window by window.
bool VisibleWindowAt(POINT pt, WindowPtr *found);

// ---- Creation and closing, consulted by the window lookup ----
// While a window is being created: the new WindowPtr, its createFlags and its Macintosh-frame choice.
bool WindowCreationInProgress();
WindowPtr WindowBeingCreated();
uint16_t CreationFlagsInProgress();
void RaiseCreationUpdatePending();
bool CreationMacFrame();
// While a window is being closed: its HWND and WindowPtr.
bool WindowClosingInProgress();
HWND ClosingHwnd();
WindowPtr ClosingWindow();

// ---- Frame metrics ----
// The height of the Macintosh-style caption: the library's system font height + 2 (+ 3 when that is
// even), at least 15; 0 for a procID of 255.
int MacCaptionHeight(int16_t procID);
// The Macintosh-style frame: caption height, border (the sizing frame, or one pixel) and the space above
// the content. Both the outer size of a new window and WM_NCCALCSIZE use it.
struct MacFrameMetrics {
    bool resizable;
    int caption, borderX, borderY, top;
};
MacFrameMetrics MacFrameMetricsFor(int16_t procID, DWORD style);
// Turns `rect` (whose top-left content corner is kept) into the outer rectangle of a window whose content is
// width x height; answers whether the outer size differs from the size the rectangle had.
bool ClientSizeToWindowSize(bool isChildOfClient, RECT *rect, bool macFrame, DWORD style, DWORD exStyle,
                            int width, int height, int16_t procID = 0);
// Sets the port's bounds so that its local coordinates map to global ones.
void SetPortGlobalOrigin(GrafPtr port, HWND hwnd);
// The host's client area is the Macintosh screen: when the host's frame is resized, screenBits, the main
// device, the Window Manager port and GrayRgn follow; when it moves, the pop-up windows move with it, so
// that no window's global place changes. Each event call runs it; `reset` only notes where the area is.
void FollowHostFrame(bool reset);
// The display's size and the caption height (SM_CXSCREEN, SM_CYSCREEN, SM_CYCAPTION) and the frame a
// standard window of a style adds on each side (what AdjustWindowRectEx adds, without a menu), read at
// the first use after an event call and kept until ForgetDisplayMetrics, which each event call makes.
struct DisplayMetrics {
    int width, height, caption;
};
const DisplayMetrics &CurrentDisplayMetrics();
RECT StandardFrameInsets(DWORD style, DWORD exStyle);
void ForgetDisplayMetrics();

// ---- Drawing ----
// The library's synchronous paint depth is raised around every UpdateWindow the library makes itself.
void UpdateWindowSynchronously(HWND hwnd);
void RaiseSyncPaintDepth(int delta);
// The depth of BeginUpdate nesting.
int UpdateNestingDepth();
// The visible region the innermost BeginUpdate of this window saved, or 0 when it is not being updated.
RgnHandle UpdateSavedVisRgn(WindowPtr window);
// The placement counter of the geometry core: while raised the list is not rebuilt from the Z-order, and
// the resyncs Windows' messages ask for wait for the one the placement makes (ResyncWindowList).
void EnterPlacement();
void LeavePlacement();
// The resync after the geometry core moved or sized `placed`.
void ResyncWindowList(WindowPtr placed);
// A library window was moved or sized by someone else than the geometry core: the next resync reads
// every window back from Windows.
void NoteOutsideGeometryChange();
// Raised (+1) around work that changes no window's place or size, such as painting after a resync: the
// resyncs Windows' messages ask for meanwhile are not made. Lowered (-1) after it.
void DeferWindowResyncs(int delta);
void InitUpdateNestingRegions();
void FreeUpdateNestingRegions();

// ---- Frame tracking and the caption buttons ----
// Closing a window clears every frame-tracking slot that names it.
void ForgetFrameTrackingWindow(WindowPtr window);
// The caption-button bitmaps: close up, close down, zoom up, zoom down, restore up, restore down.
HBITMAP CaptionButtonBitmap(int which);
// The cursor glue's handles: main window, client window, first non-MDI and first MDI library window.
HWND TopWindowCacheEntry(int which);
// The four frame-tracking slots: 0 close box, 1 zoom box, 2 caption drag, 3 front window before the drag.
enum { slotCloseBox, slotZoomBox, slotDrag, slotFrontBeforeDrag };
void SetFrameTrackingSlot(int slot, WindowPtr window);
WindowPtr FrameTrackingSlot(int slot);
// True while the geometry core moves or sizes this Windows window (any, for 0).
bool GeometryChangeInProgress(HWND hwnd);

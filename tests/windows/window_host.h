// The Window Manager tests' host: its own window classes, whose procedures hand the library windows'
// messages to the library's glue, a shown main window and one session with InitGraf and InitWindows.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

#include "MacWindows.h"
#include "test_support.h"

namespace window_tests {

HWND HostMainWindow();
// The document windows' procedure hands mouse messages to ZEL_EventMouse, as a whole host does (off
// unless a test turns it on).
void ForwardMouseToLibrary(bool on);
// Whether the session took the three-dimensional look.
bool ThreeDLook();
// Messages the host's procedures saw (key messages of the main window; creation, destruction and
// system commands of library windows), with what ZEL_GetwPtr answered for the window at that moment.
struct HostMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    WindowPtr record;
};
std::vector<HostMessage> TakeMessages(UINT message);
// Records behind windows, read through the exported layout.
inline WindowPeek PeekOf(WindowPtr w) { return reinterpret_cast<WindowPeek>(w); }
inline WindowAuxRecord *AuxOf(WindowPtr w) { return reinterpret_cast<WindowAuxRecord *>(*PeekOf(w)->dataHandle); }
inline HWND HwndOf(WindowPtr w) { return AuxOf(w)->hwnd; }
// The client rectangle of a Windows window in its parent's client coordinates (screen for top-level ones).
RECT ClientRectInParent(HWND hwnd);
// The outer (window) rectangle of a child in its parent's client coordinates.
RECT WindowRectInParent(HWND hwnd);
// Global coordinates are the host's client area's: a window's outer and client rectangles in them.
RECT GlobalWindowRect(HWND hwnd);
RECT GlobalClientRect(HWND hwnd);
// Whether the window list holds the window.
bool InWindowList(WindowPtr w);
// Dispatches every queued Windows message.
void PumpMessages();
// A window made with NewCWindow at (top, left) with the given content size, visible.
WindowPtr MakeWindow(int16_t procID, int top = 40, int left = 30, int width = 200, int height = 100,
                     const char *title = "Doc", bool visible = true);

// Takes a window's pending damage away on both sides.
void ClearUpdate(WindowPtr w);
Rect BoxOf(RgnHandle rgn);
inline bool SameRect(const Rect &a, const Rect &b)
{
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// Ends the program when a tracking loop never returns (30 s).
class Watchdog {
public:
    Watchdog();
    ~Watchdog();

private:
    HANDLE done_, thread_;
};
// Presses or releases the left button through SendInput. This host hands no mouse message to the
// library: a press also calls Button, as a host's mouse handler would tell the event state of it
// (StillDown trusts that state between its hardware polls).
void MouseButton(bool down);
// Presses or releases one key, or types keys (each pressed and released), through SendInput.
void SendKey(WORD vk, bool up);
void SendKeys(const std::vector<WORD> &keys);
// On a thread of its own (a tracking loop runs meanwhile): moves the cursor through screen points, 15 ms
// apart, then releases the button. Going out of scope waits for it.
class MouseScript {
public:
    explicit MouseScript(std::vector<POINT> moves);
    ~MouseScript();

private:
    std::vector<POINT> moves_;
    HANDLE thread_;
};

} // namespace window_tests

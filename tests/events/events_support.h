// Shared helpers of the Event Manager tests: the low-memory globals the queue lives in, a reading of the
// queue through its published header, and a visible test window that takes the keyboard focus.
#pragma once

#include <windows.h>
#include <vector>

#include "Events.h"
#include "LowMem.h"
#include "MacWindows.h"

namespace events_support {

// ZEL_InitGlobals once per process (it starts the event queue), InitGraf and InitWindows, and an
// 'aevt'/'oapp' handler that counts its calls and makes an event call of its own.
void EnsureGlobals();
int OpenApplicationCount();
bool OpenApplicationCalledEventCalls();

// A visible document window of the library at (top, left), 160 x 100; its Windows window.
WindowPtr MakeEventWindow(int16_t top, int16_t left);
HWND WindowHwnd(WindowPtr window);
// Takes update and activate events until none comes (updates answered with BeginUpdate/EndUpdate).
std::vector<EventRecord> DrainWindowEvents();

// The queue as GetEvQHdr shows it, front first.
std::vector<EvQEl *> QueuedElements();
std::vector<EventRecord> QueuedEvents();

// Empties the queue (every kind below 16: the tests post no other) and the thread's Windows messages,
// and puts back the default event mask.
void ResetQueue();

// A visible top-level window of its own class, focused and in front; messages it gets go to
// DefWindowProc unless a handler is set.
HWND TestWindow();
void SetTestWindowHandler(LRESULT (*handler)(HWND, UINT, WPARAM, LPARAM, bool *handled));

// SendInput of one key going down or up.
void SendKey(WORD virtualKey, bool down);

} // namespace events_support

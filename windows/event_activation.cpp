// What the window list and the update regions tell the event pump: pending activations and pending
// updates, from which the pump makes its activate and update events.
#include "windows_services.h"
#include "../core/core_services.h"

// PENDING: the pump raises its activate bit and synthesises at once.
void SetPendingActivation(WindowPtr window, bool activate)
{
    LowMem<WindowPtr>(activate ? lmCurActivate : lmCurDeactive) = window;
}

// PENDING: the pump raises its update bit and looks at once.
void NoteUpdatePending() {}

// PENDING: the input translation keeps the application-active flag of ZEL_ActivateApp.
bool AppActiveFlag() { return true; }

// PENDING: the pump counts the captures of ZEL_SetCapture.
int MouseCaptureDepth() { return 0; }

// PENDING: the input translation refreshes the modifiers first and keeps a pending drag click last.
void PostPartMouseDown(int16_t part)
{
    EventRecord event{};
    event.what = mouseDown;
    event.message = 0;
    event.when = LowMem<uint32_t>(lmTicks);
    event.where = Point{static_cast<int16_t>(-part), -1};
    event.modifiers = CurrentModifiers();
    EnqueueEvent(&event);
}

// PENDING: the pump's ZEL_SetCapture counts the captures and captures to the main window.
void CaptureMouseForLibrary(bool on)
{
    if (on)
        SetCapture(SessionMainWindow());
    else
        ReleaseCapture();
}

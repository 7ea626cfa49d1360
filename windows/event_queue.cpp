// The event queue.
#include "windows_services.h"
#include "../core/core_services.h"

// The queue starts empty; every kind but keyUp may be posted; one tick is 16 milliseconds.
void InitEventQueue()
{
    LowMem<uint32_t>(lmTicks) = GetTickCount() >> 4;
    LowMem<EventQueueHeader>(lmEventQueue) = EventQueueHeader{};
    LowMem<uint16_t>(lmSysEvtMask) = 0xFFEF;
}

void FreeEventQueue() {}

// The pump keeps no yield countdown yet.
void ResetYieldCountdown() {}

// PENDING: the event queue removes the closed window's queued events and forgets its activation.
void ForgetWindowEvents(WindowPtr) {}

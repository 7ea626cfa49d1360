// Event retrieval: the default bodies of the patchable event calls, the pump and the tick clock. The
// pump does not read Windows messages yet and the queue holds nothing, so every call answers a null
// event; Button and StillDown ask the hardware.
#include "windows_services.h"
#include "../core/core_services.h"

namespace {

void FillNullEvent(EventRecord *event)
{
    if (!event)
        return;
    event->what = nullEvent;
    event->message = 0xFFFFFFFF;
    event->when = LowMem<uint32_t>(lmTicks);
    event->where = MouseLocation();
    event->modifiers = CurrentModifiers();
}

} // namespace

// The pump keeps no yield countdown yet.
void ResetYieldCountdown() {}

EvQEl *PumpEvents(EventMask, EventRecord *, int16_t) { return nullptr; }

Boolean ZEL_CALL GetNextEventImpl(EventMask mask, EventRecord *event)
{
    return WaitNextEventImpl(mask, event, 0, nullptr);
}

Boolean ZEL_CALL WaitNextEventImpl(EventMask mask, EventRecord *event, uint32_t, RgnHandle)
{
    TickCount();
    PumpEvents(mask, event, 0);
    FillNullEvent(event);
    return false;
}

Boolean ZEL_CALL EventAvailImpl(EventMask mask, EventRecord *event)
{
    TickCount();
    PumpEvents(mask & 0x7FFF, event, 0);
    FillNullEvent(event);
    return false;
}

void ZEL_CALL SystemTaskImpl(void) {}

Boolean ZEL_CALL StillDownImpl(void) { return ButtonIsDown(); }

Boolean ZEL_CALL WaitMouseUpImpl(void) { return StillDownImpl(); }

// The left or the right button counts.
Boolean ButtonIsDown()
{
    return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) || (GetAsyncKeyState(VK_RBUTTON) & 0x8000);
}

// The mouse in global coordinates; made local to the current port once ports exist.
void GetMouseDefault(Point *pt)
{
    if (!pt)
        return;
    POINT p{};
    GetCursorPos(&p);
    pt->v = static_cast<int16_t>(p.y);
    pt->h = static_cast<int16_t>(p.x);
}

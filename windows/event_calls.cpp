// Event retrieval: the default bodies of the patchable event calls (GetNextEvent, WaitNextEvent,
// EventAvail, StillDown, WaitMouseUp, SystemTask, and the built-in Button and GetMouse), the calls
// built on them, the application's first 'oapp' AppleEvent and the Quit choice a WM_QUIT becomes.
#include "window_manager.h"
#include "AppleEvents.h"
#include "../devices/devices_services.h"
#include "../dialogs/dialogs_services.h"
#include "../quickdraw/qd_services.h"

namespace {

constexpr int kStillDownHardwarePoll = 64;

bool sOpenApplicationSent;
int sStillDownPolls;

// The application's first event call tells it that it was opened: 'aevt'/'oapp' addressed to the
// current process, dispatched at once to its handler. The flag is set first, so that a handler that
// calls the event calls itself gets no second 'oapp'.
void SendOpenApplication()
{
    sOpenApplicationSent = true;
    ProcessSerialNumber self{0, 2};
    AEAddressDesc target{};
    AECreateDesc(typeProcessSerialNumber, &self, sizeof self, &target);
    AppleEvent event{}, reply{};
    if (AECreateAppleEvent(kCoreEventClass, kAEOpenApplication, &target, -1, 0, &event) == 0)
        AESend(&event, &reply, kAENoReply, 0, -1, nullptr, nullptr);
    AEDisposeDesc(&event);
    AEDisposeDesc(&reply);
    AEDisposeDesc(&target);
}

int16_t SleepMilliseconds(uint32_t ticks)
{
    if (ticks == 0)
        return 0;
    if (ticks >= 2047)
        return 0x7F00;
    return static_cast<int16_t>(ticks << 4);
}

// The body of GetNextEvent and WaitNextEvent.
Boolean NextEventCommon(EventMask mask, EventRecord *event, uint32_t sleepTicks)
{
    EventRecord scratch;
    if (!event)
        event = &scratch;
    if (TakeMenuBarRedrawFlag())
        DrawMenuBa();
    if (!sOpenApplicationSent)
        SendOpenApplication();
    if (TakeQuitSeen()) {
        ZEL_EventMenuSel(0xFFFF);
        FillNullEvent(event);
        return false;
    }
    CountDownYield();
    EvQEl *found = PumpEvents(mask, event, SleepMilliseconds(sleepTicks));
    if (found) {
        DequeueEvent(found);
    } else {
        FillNullEvent(event);
        if (TakeShowHiddenDialogRequest())
            ShowHiddenDialog();
    }
    if (event->what == mouseDown)
        CloseDroppedComboBox(nullptr);
    return event->what != nullEvent;
}

} // namespace

void ResetStillDownPolls() { sStillDownPolls = 0; }

Boolean ZEL_CALL GetNextEventImpl(EventMask mask, EventRecord *event) { return NextEventCommon(mask, event, 0); }

// The mouse region is not used: mouse-moved events come from the input handlers under setting 74.
Boolean ZEL_CALL WaitNextEventImpl(EventMask mask, EventRecord *event, uint32_t sleep, RgnHandle)
{
    return NextEventCommon(mask, event, sleep);
}

Boolean ZEL_CALL EventAvailImpl(EventMask mask, EventRecord *event)
{
    return PumpEvents(mask & 0x7FFF, event, 0) != nullptr;
}

ZEL_EXTERN_C Boolean ZEL_CALL GetOSEvent(EventMask mask, EventRecord *event)
{
    EventRecord scratch;
    if (!event)
        event = &scratch;
    GetNextEvent(mask, event);
    return event->what != nullEvent;
}

// Only the kinds the operating system queues: update, activate, high-level and os events are left out.
ZEL_EXTERN_C Boolean ZEL_CALL OSEventAvail(EventMask mask, EventRecord *event)
{
    EventRecord scratch;
    if (!event)
        event = &scratch;
    PumpEvents(mask & static_cast<EventMask>(~0x8540), event, 0);
    return event->what != nullEvent;
}

void ZEL_CALL SystemTaskImpl(void) {}

// A queued mouse-up ends it at once; otherwise the modifiers answer, and the hardware every 65th call.
Boolean ZEL_CALL StillDownImpl(void)
{
    if (PumpEvents(mUpMask, nullptr, 0) || TabletReleased())
        return false;
    if (++sStillDownPolls > kStillDownHardwarePoll) {
        sStillDownPolls = 0;
        return ButtonIsDown();
    }
    return (CurrentModifiers() & btnState) == 0;
}

Boolean ZEL_CALL WaitMouseUpImpl(void)
{
    Boolean down = StillDown();
    if (!down) {
        EventRecord up;
        GetNextEvent(mUpMask, &up);
    }
    return down;
}

// The left or the right button counts; the modifiers follow what the hardware says.
Boolean ButtonIsDown()
{
    bool down = (GetAsyncKeyState(VK_LBUTTON) & 0x8000) || (GetAsyncKeyState(VK_RBUTTON) & 0x8000);
    if (down)
        CurrentModifiers() &= static_cast<uint16_t>(~btnState);
    else
        CurrentModifiers() |= btnState;
    return down;
}

// The mouse in the current port's local coordinates: while a menu's own procedure chooses in the menu
// port, relative to the device context the menu is drawn in; otherwise relative to the window of the
// port's record; then back through the record's coordinate transform when it has one.
void GetMouseDefault(Point *pt)
{
    POINT p{};
    GetCursorPos(&p);
    MouseLocation() = GlobalMousePoint(p);
    PortDCRecord *record = CurrentPortRecord();
    POINT origin{};
    if (MenuTrackingActive() && CurrentPort() == reinterpret_cast<GrafPtr>(WMgrCPort()) && GetDCOrgEx(CurrentDC(), &origin)) {
        p.x -= origin.x;
        p.y -= origin.y;
    } else if (record && record->hwnd) {
        ScreenToClient(record->hwnd, &p);
    }
    int16_t h = static_cast<int16_t>(p.x), v = static_cast<int16_t>(p.y);
    if (record && (record->xform.offsetActive || record->xform.scaleActive))
        RevXformXY(&h, &v);
    if (pt)
        *pt = Point{v, h};
}

// Menu tracking waits for a click: with the button up it runs until a mouse-down is queued or the
// button goes down, then answers 1 (0 when the button was already down). It calls the library's own
// GetNextEvent and Button, past any host patch; every queued mouse-down and mouse-up is removed at the end.
int WaitForMouseClick()
{
    int result = 0;
    if (!WaitMouseUp()) {
        EventRecord e;
        while (!GetNextEventImpl(mDownMask, &e) && !ButtonIsDown()) {
        }
        result = 1;
    }
    FlushEvents(mDownMask | mUpMask, 0);
    return result;
}

// The event queue: 32 elements linked in posting order under the header of the EventQueue global, the
// mask of kinds that may be pending, the modifier and mouse state every posted event is stamped with,
// posting, flushing (the thread's Windows input messages included), the event mask, the tick clock and
// the keyboard map.
#include "windows_services.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"

#include <array>

namespace {

constexpr uint16_t kHighLevelMaskBit = 0x0400;
constexpr uint16_t kSynthesisedKinds = updateMask | activMask;
constexpr uint16_t kDefaultSysEvtMask = 0xFFEF; // every kind but keyUp
constexpr int kEvictedWhenFull = 8;

// Slots start free so that an event posted before ZEL_InitGlobals has a place.
std::array<EvQEl, kEventQueueSlots> sSlots = [] {
    std::array<EvQEl, kEventQueueSlots> slots{};
    for (EvQEl &e : slots)
        e.qType = kFreeQueueSlot;
    return slots;
}();
uint16_t sCount;
uint16_t sPendingMask;
uint16_t sModifiers = btnState;
Point sMouse;
EvQEl sSynthetic;

QHdr &Header() { return LowMem<QHdr>(lmEventQueue); }
EvQEl *Head() { return reinterpret_cast<EvQEl *>(Header().qHead); }
EvQEl *Tail() { return reinterpret_cast<EvQEl *>(Header().qTail); }
void SetHead(EvQEl *e) { Header().qHead = reinterpret_cast<QElemPtr>(e); }
void SetTail(EvQEl *e) { Header().qTail = reinterpret_cast<QElemPtr>(e); }

bool IsMouseMoved(uint16_t what, uint32_t message)
{
    return what == osEvt && message == static_cast<uint32_t>(mouseMovedMessage) << 24;
}

void CopyRecordInto(EvQEl *e, const EventRecord &r)
{
    e->evtQWhat = r.what;
    e->evtQMessage = r.message;
    e->evtQWhen = r.when;
    e->evtQWhere = r.where;
    e->evtQModifiers = r.modifiers;
}

// Drains the thread's pending Windows messages of one kind (or one range) until none is left.
void DrainMessages(UINT first, UINT last)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, first, last, PM_REMOVE | PM_NOYIELD)) {
    }
}

void DrainMessageList(const UINT *messages, int count)
{
    for (int i = 0; i < count; ++i)
        DrainMessages(messages[i], messages[i]);
}

// The Windows input messages that stand for the kinds a flush removes: mouse buttons by mDownMask and
// mUpMask, keys and characters by keyDownMask and keyUpMask. Double clicks go only with both mouse bits.
void DrainWindowsInput(EventMask whichMask)
{
    static const UINT kButtonDowns[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const UINT kButtonUps[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    static const UINT kKeyDowns[] = {WM_KEYDOWN, WM_CHAR, WM_DEADCHAR, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSDEADCHAR};
    static const UINT kKeyUps[] = {WM_KEYUP, WM_CHAR, WM_DEADCHAR, WM_SYSKEYUP, WM_SYSCHAR, WM_SYSDEADCHAR};
    constexpr UINT kLastKeyMessage = 0x0108;

    EventMask mouse = whichMask & (mDownMask | mUpMask);
    if (mouse == (mDownMask | mUpMask))
        DrainMessages(WM_LBUTTONDOWN, WM_MBUTTONDBLCLK);
    else if (mouse == mDownMask)
        DrainMessageList(kButtonDowns, 3);
    else if (mouse == mUpMask)
        DrainMessageList(kButtonUps, 3);

    EventMask keys = whichMask & (keyDownMask | keyUpMask);
    if (keys == (keyDownMask | keyUpMask))
        DrainMessages(WM_KEYDOWN, kLastKeyMessage);
    else if (keys == keyDownMask)
        DrainMessageList(kKeyDowns, 6);
    else if (keys == keyUpMask)
        DrainMessageList(kKeyUps, 6);
}

bool AsyncDown(int virtualKey) { return GetAsyncKeyState(virtualKey) < 0; }

void SetKeyBit(uint8_t *map, int keyCode) { map[keyCode / 8] |= static_cast<uint8_t>(1 << (keyCode % 8)); }

} // namespace

void InitEventQueue()
{
    LowMem<uint32_t>(lmTicks) = GetTickCount() >> 4;
    Header() = QHdr{};
    for (EvQEl &e : sSlots)
        e.qType = kFreeQueueSlot;
    sCount = 0;
    sPendingMask = 0;
    sModifiers = btnState;
    sMouse = Point{0, 0};
    ResetPumpState();
    ResetStillDownPolls();
    LowMem<uint16_t>(lmSysEvtMask) = kDefaultSysEvtMask;
}

// Nothing of the queue is allocated; the host's pump hooks give back their proc instances.
void ExitEventQueue() { ReleasePumpHooks(); }

// A closed window's queued events go (those whose message names it: activations and updates a host
// posted), and it is no longer the window of a pending activation.
void ForgetWindowEvents(WindowPtr window)
{
    if (!window)
        return;
    uint32_t message = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
    for (EvQEl *e = Head(); e;) {
        EvQEl *next = e->qLink;
        if ((e->evtQWhat == updateEvt || e->evtQWhat == activateEvt) && e->evtQMessage == message)
            DequeueEvent(e);
        e = next;
    }
    ForgetActivationWindow(window);
}

uint32_t EventKindMask(uint16_t what) { return what < 32 ? uint32_t{1} << what : 0; }

bool EventKindInMask(uint16_t what, EventMask mask)
{
    if (what == kHighLevelEvent)
        return (mask & kHighLevelMaskBit) != 0;
    return (EventKindMask(what) & mask) != 0;
}

uint16_t &CurrentModifiers() { return sModifiers; }
Point &MouseLocation() { return sMouse; }

Point GlobalMousePoint(POINT screen)
{
    const POINT p = ScreenToGlobal(screen);
    auto clamp = [](LONG c) { return static_cast<int16_t>(c < -32768 ? -32768 : c > 32767 ? 32767 : c); };
    return Point{clamp(p.y), clamp(p.x)};
}
uint16_t &PendingEventMask() { return sPendingMask; }
uint16_t QueuedEventCount() { return sCount; }
EvQEl *SyntheticEventElement() { return &sSynthetic; }

EvQEl *QueueSlot(int16_t index)
{
    return index >= 0 && index < kEventQueueSlots ? &sSlots[static_cast<size_t>(index)] : nullptr;
}

int16_t EnqueueEvent(const EventRecord *event)
{
    if (!event || event->what >= 32)
        return -1;
    if (event->what == keyUp && !(LowMem<uint16_t>(lmSysEvtMask) & keyUpMask))
        return -1;

    // Mouse moves collapse into the one already waiting, which keeps its place in the queue.
    if (IsMouseMoved(event->what, event->message)) {
        for (EvQEl *e = Head(); e; e = e->qLink) {
            if (IsMouseMoved(e->evtQWhat, e->evtQMessage)) {
                e->evtQWhen = event->when;
                e->evtQWhere = event->where;
                return static_cast<int16_t>(e - sSlots.data());
            }
        }
    }

    // A full queue never refuses an event: the oldest make room, and the speaker says so.
    if (sCount >= kEventQueueSlots) {
        for (int i = 0; i < kEvictedWhenFull && Head(); ++i)
            DequeueEvent(Head());
        SysBeep(1);
    }

    int16_t index = -1;
    for (int i = 0; i < kEventQueueSlots; ++i) {
        if (sSlots[static_cast<size_t>(i)].qType == kFreeQueueSlot) {
            index = static_cast<int16_t>(i);
            break;
        }
    }
    if (index < 0)
        return -1;

    EvQEl *e = &sSlots[static_cast<size_t>(index)];
    e->qLink = nullptr;
    e->qType = evType;
    CopyRecordInto(e, *event);
    if (EvQEl *tail = Tail())
        tail->qLink = e;
    else
        SetHead(e);
    SetTail(e);
    sPendingMask |= event->what == kHighLevelEvent ? kHighLevelMaskBit
                                                   : static_cast<uint16_t>(EventKindMask(event->what));
    ++sCount;
    return index;
}

bool DequeueEvent(EvQEl *element)
{
    if (!element)
        return false;
    if (element == &sSynthetic) {
        // Taking a synthesised activation forgets the window it named; an update needs nothing.
        if (element->evtQWhat == activateEvt) {
            WindowPtr window = reinterpret_cast<WindowPtr>(element->evtQMessage);
            WindowPtr &deactive = LowMem<WindowPtr>(lmCurDeactive);
            WindowPtr &activate = LowMem<WindowPtr>(lmCurActivate);
            if (deactive == window) {
                deactive = nullptr;
                if (!activate)
                    sPendingMask &= static_cast<uint16_t>(~activMask);
            } else if (activate == window) {
                activate = nullptr;
                if (!deactive)
                    sPendingMask &= static_cast<uint16_t>(~activMask);
            }
        }
        return true;
    }

    EvQEl *previous = nullptr;
    EvQEl *e = Head();
    while (e && e != element) {
        previous = e;
        e = e->qLink;
    }
    if (!e)
        return false;

    if (previous)
        previous->qLink = e->qLink;
    else
        SetHead(e->qLink);
    if (sCount)
        --sCount;
    if (Tail() == e)
        SetTail(previous);
    if (!Head()) {
        SetTail(nullptr);
        sCount = 0;
    }
    e->qLink = nullptr;
    e->qType = kFreeQueueSlot;
    // With nothing queued only the synthesised kinds can still be pending.
    if (sCount == 0)
        sPendingMask &= kSynthesisedKinds;
    return true;
}

int16_t PostEventNow(uint16_t what, uint32_t message)
{
    EventRecord r{};
    r.what = what;
    r.message = message;
    r.when = LowMem<uint32_t>(lmTicks);
    r.where = sMouse;
    r.modifiers = sModifiers;
    return EnqueueEvent(&r);
}

EvQEl *FindQueuedEvent(EventMask mask)
{
    for (EvQEl *e = Head(); e; e = e->qLink)
        if (EventKindInMask(e->evtQWhat, mask))
            return e;
    return nullptr;
}

namespace {

// The SysEvtMask test of PostEvent: bit (kind mod 32) of the mask sign-extended to 32 bits, so kinds
// 16..31 follow bit 15. Kinds of 32 and more are refused outright; no table has a row for them.
bool PostingAllowed(EventKind what)
{
    if (what >= 32)
        return false;
    int32_t mask = static_cast<int16_t>(LowMem<uint16_t>(lmSysEvtMask));
    return (static_cast<uint32_t>(mask) & (uint32_t{1} << what)) != 0;
}

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL PostEvent(EventKind eventNum, uint32_t eventMsg)
{
    if (!PostingAllowed(eventNum))
        return evtNotEnb;
    PostEventNow(eventNum, eventMsg);
    return 0;
}

ZEL_EXTERN_C OSErr ZEL_CALL PPostEvent(EventKind eventCode, uint32_t eventMsg, EvQElPtr *qEl)
{
    if (qEl)
        *qEl = nullptr;
    if (!PostingAllowed(eventCode))
        return evtNotEnb;
    int16_t index = PostEventNow(eventCode, eventMsg);
    if (index < 0)
        return evtNotEnb;
    if (qEl)
        *qEl = QueueSlot(index);
    return 0;
}

// Removes the queued events of whichMask from the front until one of stopMask comes first; kinds of 16
// and above (the high-level event among them) neither go nor stop the walk. Unless stopped, the
// matching Windows input messages still waiting in the thread's queue go too.
ZEL_EXTERN_C void ZEL_CALL FlushEvents(EventMask whichMask, EventMask stopMask)
{
    EvQEl *e = Head();
    while (e) {
        uint16_t m = static_cast<uint16_t>(EventKindMask(e->evtQWhat));
        if (stopMask & m)
            return;
        if (whichMask & m) {
            DequeueEvent(e);
            e = Head();
        } else {
            e = e->qLink;
        }
    }
    DrainWindowsInput(whichMask);
}

ZEL_EXTERN_C void ZEL_CALL SetEventMask(EventMask mask) { LowMem<uint16_t>(lmSysEvtMask) = mask; }

ZEL_EXTERN_C QHdrPtr ZEL_CALL GetEvQHdr(void) { return &Header(); }

ZEL_EXTERN_C uint32_t ZEL_CALL TickCount(void)
{
    uint32_t ticks = GetTickCount() >> 4;
    LowMem<uint32_t>(lmTicks) = ticks;
    return ticks;
}

ZEL_EXTERN_C uint32_t ZEL_CALL GetDblTime(void) { return LowMem<uint32_t>(lmDoubleTime); }

ZEL_EXTERN_C uint32_t ZEL_CALL GetCaretTime(void) { return GetCaretBlinkTime() >> 4; }

// Only the keys a Macintosh program commonly polls are reported: the modifiers, Space, Escape, Caps
// Lock (its toggle state), F2 and Insert.
ZEL_EXTERN_C void ZEL_CALL GetKeys(KeyMap theKeys)
{
    if (!theKeys)
        return;
    uint8_t *map = reinterpret_cast<uint8_t *>(theKeys);
    for (int i = 0; i < 16; ++i)
        map[i] = 0;
    if (AsyncDown(VK_SPACE))
        SetKeyBit(map, 0x31);
    if (AsyncDown(VK_CONTROL)) {
        SetKeyBit(map, 0x37);
        if (LibrarySetting(settingGetKeysExtraBit))
            SetKeyBit(map, 0x3B);
    }
    if (AsyncDown(VK_SHIFT))
        SetKeyBit(map, 0x38);
    if (AsyncDown(VK_MENU))
        SetKeyBit(map, 0x3A);
    if (AsyncDown(VK_ESCAPE))
        SetKeyBit(map, 0x35);
    if (GetKeyState(VK_CAPITAL) & 1)
        SetKeyBit(map, 0x39);
    if (AsyncDown(VK_F2))
        SetKeyBit(map, 0x78);
    if (AsyncDown(VK_INSERT) || AsyncDown(VK_NUMPAD0))
        SetKeyBit(map, 0x56);
}

ZEL_STUB(int32_t, OSDispatch, 0, (void))
ZEL_STUB(Boolean, GetSpecificHighLevelEvent, -96, (void *, void *, OSErr *))
ZEL_STUB(OSErr, AcceptHighLevelEvent, -608, (void *, uint32_t *, Ptr, uint32_t *))

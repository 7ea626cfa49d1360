// The message pump every event call drives: it reads the thread's Windows messages and hands them to
// the host's window procedures (where the input handlers post Macintosh events), runs due Vertical
// Retrace tasks, then looks in the event queue and, when nothing there matches, makes an update or
// activate event from the window list. Also the library's mouse capture count and the host's message
// hooks.
#include "window_manager.h"
#include "../devices/devices_services.h"
#include "../dialogs/dialogs_services.h"

namespace {

constexpr UINT kYieldingPeek = PM_REMOVE;
constexpr UINT kQuickPeek = PM_REMOVE | PM_NOYIELD;
constexpr int16_t kSleepGrain = 55;      // sleeps are rounded down to the old system timer's period
constexpr int16_t kBlockingSleep = 250;  // longer sleeps block in GetMessage behind a one-shot timer
constexpr UINT kLastKeyMessage = 0x0108;

typedef int32_t(ZEL_CALL *MessageHookProc)(HWND window, MSG *message);
typedef BOOL(WINAPI *PeekMessageProc)(MSG *message, HWND window, UINT first, UINT last, UINT flags);

int16_t sCaptureCount;
UINT sPeekFlags = kQuickPeek;
int16_t sYieldCountdown = -1;
int16_t sSynthesisCountdown = -1;
int16_t sSleepRemainder;
UINT_PTR sTimerId;
int16_t sTimerPeriod = -1;
uint32_t sQuitSeen;
MessageHookProc sMessageHook;
PeekMessageProc sPeekProc;

bool ButtonUpInModifiers() { return (CurrentModifiers() & btnState) != 0; }

// A one-shot thread timer ends a blocking wait; it is kept while the same period is asked for again.
void ArmPumpTimer(int16_t period)
{
    if (sTimerPeriod == period)
        return;
    if (sTimerPeriod > 0)
        KillTimer(nullptr, sTimerId);
    sTimerPeriod = -1;
    sTimerId = SetTimer(nullptr, 0, static_cast<UINT>(period), nullptr);
    if (sTimerId)
        sTimerPeriod = period;
}

bool IsPumpTimer(const MSG &msg) { return sTimerPeriod >= 1 && !msg.hwnd && msg.wParam == sTimerId; }

// Keys go through the MDI system accelerators and the host's accelerator table before they are
// translated; a key aimed at the MDI client goes to the main window instead.
void DispatchKeyMessage(MSG &msg)
{
    bool modal = ModalWindowUp();
    if (SessionFlag(zelFlagMDIFrame) && !modal) {
        HWND client = SessionMdiClient();
        if (client && TranslateMDISysAccel(client, &msg))
            return;
        if (msg.hwnd && msg.hwnd == client)
            msg.hwnd = SessionMainWindow();
    }
    HACCEL table = SessionAccelerators();
    if (!modal && table && TranslateAcceleratorA(SessionMainWindow(), table, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void DispatchPumpedMessage(MSG &msg)
{
    if (msg.message >= WM_MOUSEMOVE && msg.message <= WM_MBUTTONDBLCLK) {
        int16_t mode = TabletInputMode();
        if (mode == 2 || mode == 6)
            SampleTabletInput(&msg);
        if (msg.message == WM_MOUSEMOVE && sCaptureCount)
            return;
        DispatchMessageA(&msg);
    } else if (msg.message == WM_SETCURSOR || msg.message == WM_NCHITTEST) {
        if (!sCaptureCount)
            DispatchMessageA(&msg);
    } else if (msg.message == WM_TIMER) {
        // Only the pump's own timer is swallowed; the host's timers run their procedures.
        if (IsPumpTimer(msg)) {
            KillTimer(nullptr, sTimerId);
            sTimerPeriod = -1;
        } else {
            DispatchMessageA(&msg);
        }
    } else if (msg.message >= WM_KEYDOWN && msg.message <= kLastKeyMessage) {
        DispatchKeyMessage(msg);
    } else {
        DispatchMessageA(&msg);
    }
}

bool ReadMessage(MSG *msg, bool block)
{
    if (block) {
        GetMessageA(msg, nullptr, 0, 0);
        return true;
    }
    UINT flags = sPeekFlags;
    if (LibrarySetting(settingDoubleByte) && DialogNestingCount() > 0 && SessionPlatform().win32s)
        flags &= ~static_cast<UINT>(PM_NOYIELD);
    BOOL got = sPeekProc ? sPeekProc(msg, nullptr, 0, 0, flags) : PeekMessageA(msg, nullptr, 0, 0, flags);
    if (got && msg->message == WM_PAINT)
        GetMessageA(msg, msg->hwnd, WM_PAINT, WM_PAINT);
    return got != 0;
}

} // namespace

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

void ResetPumpState()
{
    sTimerId = 0;
    sTimerPeriod = -1;
    sPeekFlags = kQuickPeek;
}

void ResetYieldCountdown() { sYieldCountdown = -1; }

void CountDownYield()
{
    if (sCaptureCount)
        return;
    if (--sYieldCountdown < 0) {
        sYieldCountdown = static_cast<int16_t>(LibrarySetting(settingYieldInterval));
        sPeekFlags = kYieldingPeek;
    }
}

void SynthesizeOnNextPump() { sSynthesisCountdown = -1; }

bool TakeQuitSeen()
{
    bool seen = sQuitSeen != 0;
    sQuitSeen = 0;
    return seen;
}

int MouseCaptureDepth() { return sCaptureCount; }

EvQEl *PumpEvents(EventMask mask, EventRecord *event, int16_t sleep)
{
    // The display or the appearance settings may change while the application waits for events.
    ForgetDisplayMetrics();
    FollowHostFrame(false);
    DWORD start = 0;
    if (sleep < 0)
        sleep = 0;
    if (sleep) {
        if (!sCaptureCount)
            sPeekFlags = kYieldingPeek;
        // Whole periods of 55 ms are slept; the odd milliseconds are carried to a later call.
        int16_t odd = static_cast<int16_t>(sleep % kSleepGrain);
        sSleepRemainder = static_cast<int16_t>(sSleepRemainder + odd);
        sleep = static_cast<int16_t>(sleep - odd);
        if (sSleepRemainder > kSleepGrain) {
            sleep = static_cast<int16_t>(sleep + kSleepGrain);
            sSleepRemainder = static_cast<int16_t>(sSleepRemainder - kSleepGrain);
        }
        if (sleep)
            start = GetTickCount();
    }

    bool got = true, any = false;
    int budget = 0;
    while (got && budget >= 0) {
        // With something pending this pass is the last: the caller gets its event soon.
        if (PendingEventMask())
            --budget;
        MSG msg{};
        bool block = !sCaptureCount && !any && !PendingEventMask() && sleep > kBlockingSleep;
        if (block)
            ArmPumpTimer(sleep);
        got = ReadMessage(&msg, block);
        if (!got) {
            DWORD elapsed = GetTickCount() - start;
            if (sleep && elapsed < static_cast<DWORD>(sleep)) {
                got = true;
                // Nothing to read and time left: wait for input or the rest of the sleep, not a spin.
                if (!sCaptureCount && budget >= 0)
                    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(sleep) - elapsed, QS_ALLINPUT);
            }
        } else {
            any = true;
            if (msg.message == WM_QUIT) {
                sQuitSeen = 1;
            } else {
                LowMem<uint32_t>(lmTicks) = msg.time >> 4;
                MouseLocation() = GlobalMousePoint(msg.pt);
                if (!sMessageHook || sMessageHook(msg.hwnd, &msg))
                    DispatchPumpedMessage(msg);
            }
        }
        // Vertical Retrace tasks run only while the button is down.
        if (!ButtonUpInModifiers() && VerticalRetraceTasksQueued() && (got || !any))
            RunVerticalRetraceTasks(LibrarySetting(settingMouseMovedEvents) != 0);
    }
    sPeekFlags = kQuickPeek;
    LowMem<uint8_t>(lmMBState) = ButtonUpInModifiers() ? 1 : 0;

    EvQEl *found = (PendingEventMask() & mask) ? FindQueuedEvent(mask) : nullptr;
    if (!found && (mask & (updateMask | activMask))) {
        if (--sSynthesisCountdown < 0) {
            found = SynthesizeWindowEvent(mask);
            sSynthesisCountdown = found ? int16_t{-1} : static_cast<int16_t>(LibrarySetting(settingUpdateInterval));
        }
    }
    if (!found) {
        PendingEventMask() &= static_cast<uint16_t>(~mask);
        FillNullEvent(event);
        return nullptr;
    }
    if (event) {
        event->what = found->evtQWhat;
        event->message = found->evtQMessage;
        event->when = found->evtQWhen;
        event->where = found->evtQWhere;
        event->modifiers = found->evtQModifiers;
    }
    return found;
}

// ---- the library's mouse capture ----

namespace {

int32_t ChangeCapture(HWND target, int16_t on)
{
    if (on) {
        if (sCaptureCount++ == 0)
            return static_cast<int32_t>(reinterpret_cast<uintptr_t>(SetCapture(target)));
        return sCaptureCount;
    }
    // An unmatched release leaves the count at 0.
    if (sCaptureCount <= 0)
        return 0;
    if (--sCaptureCount == 0)
        return ReleaseCapture();
    return sCaptureCount;
}

bool IsEditControl(HWND hwnd)
{
    char name[16] = {};
    return hwnd && GetClassNameA(hwnd, name, sizeof name) && lstrcmpiA(name, "Edit") == 0;
}

} // namespace

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_SetCapture(int16_t on) { return ChangeCapture(SessionMainWindow(), on); }

void CaptureMouseForLibrary(bool on) { ZEL_SetCapture(on ? 1 : 0); }

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_SetWinCapture(WindowPtr window, int16_t on)
{
    HWND hwnd = WindowHwnd(window);
    return ChangeCapture(hwnd ? hwnd : SessionMainWindow(), on);
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_ForceCapture(int16_t count)
{
    int16_t old = sCaptureCount;
    sCaptureCount = count;
    HWND holder = GetCapture();
    if (count == 0) {
        if (old && holder && (holder == SessionMainWindow() || IsEditControl(holder)))
            ReleaseCapture();
    } else if (!old && !holder) {
        SetCapture(SessionMainWindow());
    }
    return old;
}

// ---- the host's hooks ----

ZEL_EXTERN_C void ZEL_CALL ZEL_SetMessageHook(FARPROC hook)
{
    if (sMessageHook)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(sMessageHook));
    sMessageHook = hook ? reinterpret_cast<MessageHookProc>(MakeHostProcInstance(hook)) : nullptr;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetPeekMessageProc(FARPROC proc)
{
    if (sPeekProc)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(sPeekProc));
    sPeekProc = proc ? reinterpret_cast<PeekMessageProc>(MakeHostProcInstance(proc)) : nullptr;
}

void ReleasePumpHooks()
{
    ZEL_SetMessageHook(nullptr);
    ZEL_SetPeekMessageProc(nullptr);
}

// Hosts that drive Vertical Retrace tasks from their own timer call this: one pump pass that runs the
// due tasks. With tablet sampling on, the tasks run once per tablet sample instead.
ZEL_EXTERN_C void ZEL_CALL ZEL_VBL_Interrupt(void)
{
    if (!VerticalRetraceTasksQueued())
        return;
    if (!TabletSamplingOn()) {
        PumpEvents(0x0001, nullptr, 0);
        return;
    }
    bool ran = false;
    while (VerticalRetraceTasksQueued()) {
        bool sampled = SampleTabletInput(nullptr) != 0xFFFF;
        if (!sampled && (ran || TabletReleased() || TabletInputMode() != 6))
            break;
        RunVerticalRetraceTasks(false);
        ran = true;
    }
}

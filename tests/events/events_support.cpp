#include "events_support.h"

#include "AppleEvents.h"
#include "qd_fixture.h"
#include "test_support.h"

namespace events_support {

namespace {

LRESULT (*sHandler)(HWND, UINT, WPARAM, LPARAM, bool *);

LRESULT CALLBACK TestWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (sHandler) {
        bool handled = false;
        LRESULT result = sHandler(hwnd, message, wParam, lParam, &handled);
        if (handled)
            return result;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

namespace {

int sOpenApplications;
bool sHandlerCalledEvents;

OSErr ZEL_CALL CountOpenApplication(const AppleEvent *, AppleEvent *, int32_t)
{
    ++sOpenApplications;
    // An event call of its own (with an empty mask, so that it takes nothing a test posted).
    EventRecord e;
    GetNextEvent(0, &e);
    sHandlerCalledEvents = true;
    return 0;
}

} // namespace

void EnsureGlobals()
{
    static bool done;
    if (done)
        return;
    done = true;
    static LowMemPointerBlock block;
    ZEL_InitGlobals(Setup_Globals(&block));
    // The library's windows live in the host's main window, which must show for them to show.
    if (HWND main = testing_support::HostMainWindow())
        ShowWindow(main, SW_SHOWNOACTIVATE);
    testing_support::QuickDrawGlobals();
    InitWindows();
    AEInstallEventHandler(kCoreEventClass, kAEOpenApplication, CountOpenApplication, 0, false);
}

int OpenApplicationCount() { return sOpenApplications; }
bool OpenApplicationCalledEventCalls() { return sHandlerCalledEvents; }

WindowPtr MakeEventWindow(int16_t top, int16_t left)
{
    Rect bounds{top, left, static_cast<int16_t>(top + 100), static_cast<int16_t>(left + 160)};
    unsigned char title[] = {3, 'E', 'v', 't'};
    return NewCWindow(nullptr, &bounds, title, true, documentProc, reinterpret_cast<WindowPtr>(-1), false, 0);
}

HWND WindowHwnd(WindowPtr window)
{
    auto peek = reinterpret_cast<WindowPeek>(window);
    return reinterpret_cast<WindowAuxRecord *>(*peek->dataHandle)->hwnd;
}

std::vector<EventRecord> DrainWindowEvents()
{
    std::vector<EventRecord> out;
    for (int i = 0; i < 20; ++i) {
        EventRecord e{};
        if (!GetNextEvent(updateMask | activMask, &e))
            break;
        out.push_back(e);
        if (e.what == updateEvt) {
            BeginUpdate(reinterpret_cast<WindowPtr>(e.message));
            EndUpdate(reinterpret_cast<WindowPtr>(e.message));
        }
    }
    return out;
}

std::vector<EvQEl *> QueuedElements()
{
    std::vector<EvQEl *> out;
    for (QElemPtr e = GetEvQHdr()->qHead; e && out.size() < 64; e = e->qLink)
        out.push_back(reinterpret_cast<EvQEl *>(e));
    return out;
}

std::vector<EventRecord> QueuedEvents()
{
    std::vector<EventRecord> out;
    for (EvQEl *e : QueuedElements())
        out.push_back(EventRecord{e->evtQWhat, e->evtQMessage, e->evtQWhen, e->evtQWhere, e->evtQModifiers});
    return out;
}

void ResetQueue()
{
    EnsureGlobals();
    SetEventMask(0xFFFF);
    FlushEvents(everyEvent, 0);
    // Messages are dropped, not dispatched (an Alt key-up would start menu mode); a window's pending
    // paint is validated, or PeekMessage would find it again and again.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_PAINT)
            ValidateRect(msg.hwnd, nullptr);
    SetEventMask(0xFFEF);
}

HWND TestWindow()
{
    static HWND window;
    if (!window) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = TestWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "EventsTestWindow";
        RegisterClassA(&wc);
        window = CreateWindowA("EventsTestWindow", "events", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    SetForegroundWindow(window);
    SetFocus(window);
    return window;
}

void SetTestWindowHandler(LRESULT (*handler)(HWND, UINT, WPARAM, LPARAM, bool *)) { sHandler = handler; }

void SendKey(WORD virtualKey, bool down)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = virtualKey;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
}

} // namespace events_support

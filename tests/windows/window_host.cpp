#include "window_host.h"

#include <gtest/gtest.h>

#include "Dialogs.h"
#include "Events.h"
#include "LowMem.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

// Session flags a program adds to the host's (the dialog programs take the three-dimensional look).
#ifndef WINDOW_HOST_EXTRA_FLAGS
#define WINDOW_HOST_EXTRA_FLAGS 0
#endif

namespace window_tests {

namespace {

HWND sMain;
bool sThreeD;
bool sForwardMouse;
std::vector<HostMessage> sLog;

void Note(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowPtr w = nullptr;
    bool found = ZEL_GetwPtr(hwnd, &w);
    sLog.push_back({hwnd, message, wParam, lParam, found ? w : nullptr});
}

// The menu messages a host hands to the library while a menu is open (pop-ups included).
void ForwardMenuMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (!lParam)
            ZEL_EventMenuSel(LOWORD(wParam));
        break;
    case WM_INITMENUPOPUP:
        ZEL_InitMenuMsg(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_MENUSELECT:
        ZEL_MenuSelect(hwnd, message, wParam, lParam);
        break;
    case WM_ENTERIDLE:
        ZEL_EnterIdle(hwnd, message, wParam, lParam);
        break;
    }
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ACTIVATE)
        ZEL_EventActivate(hwnd, message, wParam, lParam);
    if (message == WM_KEYDOWN || message == WM_KEYUP) {
        Note(hwnd, message, wParam, lParam);
        ZEL_EventKey(hwnd, message, wParam, lParam);
    }
    if (message == WM_SYSCOMMAND && ZEL_SysCommand(1, hwnd, wParam))
        return 0;
    ForwardMenuMessage(hwnd, message, wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// What a host's document-window procedure hands to the library.
LRESULT CALLBACK SubProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (sForwardMouse && message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK)
        return ZEL_EventMouse(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
    case WM_DESTROY:
        Note(hwnd, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        Note(hwnd, message, wParam, lParam);
        if (ZEL_SysCommand(0, hwnd, wParam))
            return 0;
        break;
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_NCLBUTTONDOWN:
        return ZEL_NCMessage(hwnd, message, wParam, lParam);
    case WM_MOVE:
    case WM_SIZE:
    case WM_ERASEBKGND:
    case WM_HSCROLL:
    case WM_VSCROLL:
        return ZEL_WindChange(hwnd, message, wParam, lParam);
    case WM_COMMAND:
        if (lParam)
            return ZEL_EventCommand(hwnd, message, wParam, lParam);
        ZEL_EventMenuSel(LOWORD(wParam));
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        ZEL_EventKey(hwnd, message, wParam, lParam);
        break;
    case WM_GETMINMAXINFO:
        if (ZEL_GetMinMaxInfo(hwnd, reinterpret_cast<MINMAXINFO *>(lParam)))
            return 0;
        break;
    case WM_PAINT:
        if (ZEL_EventUpdate(hwnd))
            return 0;
        break;
    case WM_MOUSEACTIVATE:
        return ZEL_EventActivate(hwnd, message, wParam, lParam);
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        return ZEL_UserItem(hwnd, message, wParam, lParam);
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
    case WM_ENTERIDLE:
        ForwardMenuMessage(hwnd, message, wParam, lParam);
        break;
    case WM_ACTIVATE:
    case WM_CHILDACTIVATE:
        ZEL_EventActivate(hwnd, message, wParam, lParam);
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK MDISubProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefMDIChildProcA(hwnd, message, wParam, lParam);
}

void RegisterHostClass(const char *name, WNDPROC proc)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.cbWndExtra = zelWindowExtraBytes;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

class HostEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        RegisterHostClass("WinTestMain", MainProc);
        RegisterHostClass("WinTestSub", SubProc);
        RegisterHostClass("WinTestMDI", MDISubProc);
        sMain = CreateWindowA("WinTestMain", "Window Manager tests", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                              800, 600, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(sMain, SW_SHOW);
        UpdateWindow(sMain);
        static SessionParamBlock block = testing_support::MakeSessionBlock(sMain, zelFlagRawCallbacks | WINDOW_HOST_EXTRA_FLAGS);
        block.mainWindowClass = "WinTestMain";
        block.subWindowClass = "WinTestSub";
        block.mdiSubWindowClass = "WinTestMDI";
        ZEL_InitSession(&block);
        sThreeD = block.sessionFlags & zelFlagThreeD;
        testing_support::QuickDrawGlobals();
        InitWindows();
        PumpMessages();
    }
    void TearDown() override { ZEL_ExitSession(); }
};

const testing::Environment *const sEnvironment = testing::AddGlobalTestEnvironment(new HostEnvironment);

} // namespace

HWND HostMainWindow() { return sMain; }
void ForwardMouseToLibrary(bool on) { sForwardMouse = on; }
bool ThreeDLook() { return sThreeD; }

std::vector<HostMessage> TakeMessages(UINT message)
{
    std::vector<HostMessage> out, rest;
    for (const HostMessage &m : sLog)
        (m.message == message ? out : rest).push_back(m);
    sLog.swap(rest);
    return out;
}

RECT ClientRectInParent(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    HWND parent = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
    MapWindowPoints(hwnd, parent, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

RECT GlobalWindowRect(HWND hwnd)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, sMain, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

RECT GlobalClientRect(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, sMain, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

RECT WindowRectInParent(HWND hwnd)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT *>(&r), 2);
    return r;
}

bool InWindowList(WindowPtr w)
{
    for (WindowPeek p = PeekOf(LMGetWindowList()); p; p = p->nextWindow)
        if (reinterpret_cast<WindowPtr>(p) == w)
            return true;
    return false;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

WindowPtr MakeWindow(int16_t procID, int top, int left, int width, int height, const char *title, bool visible)
{
    Rect bounds{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(top + height),
                static_cast<int16_t>(left + width)};
    auto t = testing_support::P(title);
    WindowPtr w = reinterpret_cast<WindowPtr>(
        NewCWindow(nullptr, &bounds, t.c_str(), visible, procID, reinterpret_cast<WindowPtr>(-1), TRUE, 7));
    PumpMessages();
    return w;
}

void ClearUpdate(WindowPtr w)
{
    PumpMessages();
    BeginUpdate(w);
    EndUpdate(w);
}

Rect BoxOf(RgnHandle rgn) { return (*rgn)->rgnBBox; }

namespace {

DWORD WINAPI WatchdogThread(void *e)
{
    if (WaitForSingleObject(e, 30000) == WAIT_TIMEOUT)
        ExitProcess(3);
    return 0;
}

} // namespace

Watchdog::Watchdog() : done_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    thread_ = CreateThread(nullptr, 0, WatchdogThread, done_, 0, nullptr);
}

Watchdog::~Watchdog()
{
    SetEvent(done_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(done_);
}

void MouseButton(bool down)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    if (down)
        Button();
}

void SendKey(WORD vk, bool up)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

void SendKeys(const std::vector<WORD> &keys)
{
    std::vector<INPUT> inputs;
    for (WORD vk : keys) {
        for (DWORD flags : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = vk;
            in.ki.dwFlags = flags;
            inputs.push_back(in);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

namespace {

DWORD WINAPI RunMouseScript(void *p)
{
    for (POINT m : *static_cast<std::vector<POINT> *>(p)) {
        Sleep(15);
        SetCursorPos(m.x, m.y);
    }
    Sleep(15);
    MouseButton(false);
    return 0;
}

} // namespace

MouseScript::MouseScript(std::vector<POINT> moves) : moves_(std::move(moves))
{
    thread_ = CreateThread(nullptr, 0, RunMouseScript, &moves_, 0, nullptr);
}

MouseScript::~MouseScript()
{
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
}

} // namespace window_tests

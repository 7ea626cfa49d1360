// The window list among few and many windows: activating, moving and sizing one window, making and
// disposing of one, and finding the window under a point on none, against the Win32 calls a native
// program makes for the same job on as many plain child windows of the same parent. The plain windows are
// what a native program's overlapping document windows are: clipped by their siblings (or raising one
// would paint nothing) and, being resizable, carrying a size grip kept in the corner as they are sized, as
// the library's windows do under the three-dimensional look. The library's side keeps its list and every
// window's regions in step with the Z-order; its cost should stay flat in the number of windows.
#include "bench.h"

#include "MacWindows.h"
#include "Zel.h"
#include "test_support.h"

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char *kRawClass = "BenchPlainChild";

struct Crowd {
    std::vector<WindowPtr> windows; // the library's, the first two are the ones worked on
    std::vector<HWND> raw;          // as many plain children of the same parent
    HWND parent = nullptr;
};

// Five overlapping windows at the top left, the ones worked on; any more stand in a crowd of their own
// to the right, overlapping each other but none of the five, so that only their number changes.
Rect SpotFor(int i)
{
    int left, top;
    if (i < 5) {
        left = 10 + i * 40;
        top = 30 + i * 20;
    } else {
        left = 360 + (i - 5) % 15 * 32;
        top = 30 + (i - 5) / 15 % 13 * 48;
    }
    return Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(top + 120),
                static_cast<int16_t>(left + 160)};
}

// The plain windows' five stand below the library's, so that neither side's windows cover the other's
// and each side uncovers and paints only its own.
Rect RawSpotFor(int i)
{
    Rect r = SpotFor(i);
    if (i < 5) {
        r.top = static_cast<int16_t>(r.top + 230);
        r.bottom = static_cast<int16_t>(r.bottom + 230);
    }
    return r;
}

constexpr int kGrip = 15, kGripID = 1;

// A native program keeps its size grip in the bottom right corner as its window is sized.
LRESULT CALLBACK RawChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE)
        if (HWND grip = GetDlgItem(hwnd, kGripID))
            MoveWindow(grip, LOWORD(lParam) - kGrip, HIWORD(lParam) - kGrip, kGrip, kGrip, TRUE);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND NewRawChild(HWND parent, const Rect &r)
{
    HWND hwnd = CreateWindowExA(0, kRawClass, "Plain",
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, parent, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    // The size grip in the bottom right corner of the client area, at the library's size-box size.
    RECT client;
    GetClientRect(hwnd, &client);
    CreateWindowExA(0, "scrollbar", "", WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
                    client.right - kGrip, client.bottom - kGrip, kGrip, kGrip, hwnd,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGripID)), GetModuleHandleA(nullptr), nullptr);
    // Windows makes a child window at the bottom of its siblings; a program shows a new document window
    // in front, as NewCWindow does.
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return hwnd;
}

WindowPtr NewLibraryWindow(const Rect &r)
{
    return NewCWindow(nullptr, &r, reinterpret_cast<const unsigned char *>("\x05Other"), TRUE, documentProc,
                      reinterpret_cast<WindowPtr>(-1), TRUE, 0);
}

void Populate(Crowd &crowd, int count)
{
    crowd.parent = testing_support::HostMainWindow();
    for (int i = 0; i < count; ++i) {
        crowd.windows.push_back(NewLibraryWindow(SpotFor(i)));
        crowd.raw.push_back(NewRawChild(crowd.parent, RawSpotFor(i)));
    }
    // Everything painted once, as a program's event loop would have done before the first call.
    RedrawWindow(crowd.parent, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Clear(Crowd &crowd)
{
    for (WindowPtr w : crowd.windows)
        DisposeWindow(w);
    for (HWND h : crowd.raw)
        DestroyWindow(h);
    crowd.windows.clear();
    crowd.raw.clear();
}

std::string Among(int count) { return " among " + std::to_string(count) + " windows"; }

PairCase Select(int count)
{
    auto crowd = std::make_shared<Crowd>();
    PairCase c;
    c.name = "SelectWindow" + Among(count);
    c.count = 60;
    c.setUp = [=] { Populate(*crowd, count); };
    c.library = [=](int i) { SelectWindow(crowd->windows[i & 1]); };
    // The native program's activation of a child window: to the top, the two captions redrawn, the
    // uncovered part painted now (as the library paints it before answering), the keyboard focus given to
    // it (as the library gives it to a document window it activates).
    c.raw = [=](int i) {
        HWND front = crowd->raw[i & 1], back = crowd->raw[(i + 1) & 1];
        SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SendMessageA(back, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(front, WM_NCACTIVATE, TRUE, 0);
        UpdateWindow(front);
        SetFocus(front);
    };
    c.same = [=] {
        return FrontWindow() == crowd->windows[0] && GetTopWindow(crowd->parent) == crowd->raw[0] &&
               GetWindow(crowd->raw[0], GW_HWNDNEXT) != nullptr;
    };
    c.tearDown = [=] { Clear(*crowd); };
    return c;
}

PairCase Move(int count)
{
    auto crowd = std::make_shared<Crowd>();
    PairCase c;
    c.name = "MoveWindo" + Among(count);
    c.count = 60;
    c.setUp = [=] { Populate(*crowd, count); };
    c.library = [=](int i) {
        MoveWindo(crowd->windows[0], static_cast<int16_t>(20 + (i % 50) * 2), static_cast<int16_t>(40 + (i % 50)), FALSE);
    };
    c.raw = [=](int i) {
        SetWindowPos(crowd->raw[0], nullptr, 20 + (i % 50) * 2, 40 + (i % 50), 0, 0,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    };
    c.same = [=] {
        POINT content{0, 0};
        ClientToScreen(ZEL_GethWnd(crowd->windows[0]), &content);
        ScreenToClient(crowd->parent, &content);
        RECT q;
        GetWindowRect(crowd->raw[0], &q);
        POINT outer{q.left, q.top};
        ScreenToClient(crowd->parent, &outer);
        return content.x == 20 && content.y == 40 && outer.x == 20 && outer.y == 40;
    };
    c.tearDown = [=] { Clear(*crowd); };
    return c;
}

PairCase Resize(int count)
{
    auto crowd = std::make_shared<Crowd>();
    PairCase c;
    c.name = "SizeWindow" + Among(count);
    c.count = 60;
    c.setUp = [=] { Populate(*crowd, count); };
    c.library = [=](int i) {
        SizeWindow(crowd->windows[0], static_cast<int16_t>(100 + (i % 50)), static_cast<int16_t>(80 + (i % 40)), TRUE);
    };
    c.raw = [=](int i) {
        SetWindowPos(crowd->raw[0], nullptr, 0, 0, 100 + (i % 50), 80 + (i % 40),
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    };
    c.same = [=] {
        const Rect &port = crowd->windows[0]->portRect;
        return port.right - port.left == 100 && port.bottom - port.top == 80;
    };
    c.tearDown = [=] { Clear(*crowd); };
    return c;
}

PairCase MakeAndDispose(int count)
{
    auto crowd = std::make_shared<Crowd>();
    PairCase c;
    c.name = "NewCWindow+DisposeWindow" + Among(count);
    c.count = 20;
    c.setUp = [=] { Populate(*crowd, count); };
    c.library = [=](int) { DisposeWindow(NewLibraryWindow(SpotFor(3))); };
    // The native program's new document window, shown in front and active like the library's: the front
    // window's caption and its own redrawn, its content painted now and the focus given to it; when it
    // goes, the window before it active again and what it uncovered painted now (as the library paints
    // both before answering).
    c.raw = [=](int) {
        HWND back = crowd->raw.back();
        HWND made = NewRawChild(crowd->parent, RawSpotFor(3));
        SendMessageA(back, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(made, WM_NCACTIVATE, TRUE, 0);
        UpdateWindow(made);
        SetFocus(made);
        DestroyWindow(made);
        SendMessageA(back, WM_NCACTIVATE, TRUE, 0);
        SetFocus(back);
        UpdateWindow(crowd->parent);
    };
    c.same = [=] {
        return FrontWindow() == crowd->windows.back() && GetTopWindow(crowd->parent) == crowd->raw.back() &&
               GetFocus() == crowd->raw.back();
    };
    c.tearDown = [=] { Clear(*crowd); };
    return c;
}

PairCase FindOnNone(int count)
{
    auto crowd = std::make_shared<Crowd>();
    PairCase c;
    c.name = "FindWindo of a point on no window" + Among(count);
    c.count = 2000;
    c.setUp = [=] { Populate(*crowd, count); };
    // The host's client area below the five and left of the crowd: the desktop part of the Macintosh screen.
    c.library = [=](int) {
        WindowPtr w;
        FindWindo(Point{600, 200}, &w);
    };
    c.raw = [=](int) { WindowFromPoint(POINT{200, 600}); };
    c.same = [=] {
        WindowPtr w = reinterpret_cast<WindowPtr>(1);
        return FindWindo(Point{600, 200}, &w) == inDesk && !w && WindowFromPoint(POINT{200, 600}) == crowd->parent;
    };
    c.tearDown = [=] { Clear(*crowd); };
    return c;
}

} // namespace

int RunBench()
{
    InitWindows();
    WNDCLASSA wc{};
    wc.lpfnWndProc = RawChildProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kRawClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    if (HWND main = testing_support::HostMainWindow()) {
        SetWindowPos(main, nullptr, 0, 0, 1000, 740, SWP_NOZORDER);
        ShowWindow(main, SW_SHOW);
    }
    std::vector<PairCase> cases;
    for (int count : {5, 200})
        for (auto make : {Select, Move, Resize, MakeAndDispose, FindOnNone})
            cases.push_back(make(count));
    return RunPairCases(cases);
}

// Controls: NewControl and DisposeControl of a push button against the Windows button a native program
// would make for it (CreateWindowExA, its font, DestroyWindow) in the same window.
#include "bench.h"

#include "Controls.h"
#include "MacWindows.h"
#include "Zel.h"

int RunBench()
{
    InitWindows();
    Rect bounds{40, 40, 240, 340};
    WindowPtr window = NewCWindow(nullptr, &bounds, reinterpret_cast<const unsigned char *>("\x08" "Controls"), TRUE,
                                  documentProc, reinterpret_cast<WindowPtr>(-1), TRUE, 0);
    HWND parent = ZEL_GethWnd(window);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const Rect r{10, 10, 30, 110};
    HWND lastRaw = nullptr;
    ControlHandle lastLibrary = nullptr;
    std::vector<PairCase> cases = {
        {"NewControl+DisposeControl, push button", 300,
         [&](int) {
             ControlHandle c = NewControl(window, &r, reinterpret_cast<const unsigned char *>("\x02OK"), TRUE, 0, 0, 1,
                                          pushButProc, 1);
             lastLibrary = c;
             DisposeControl(c);
         },
         [&](int) {
             HWND b = CreateWindowExA(0, "button", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 20,
                                      parent, reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr);
             lastRaw = b;
             SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
             DestroyWindow(b);
         },
         [&] { return lastLibrary && lastRaw && !IsWindow(lastRaw); }, {}, {}},
    };
    const int disagreed = RunPairCases(cases);
    DisposeWindow(window);
    return disagreed;
}

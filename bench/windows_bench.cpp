// The window list's read-back from the Windows Z-order runs on every activation, move, size and erase:
// ZEL_UpdateWindows(2) alone and a window dragged (MoveWindo) across twenty others, against the same
// with one window, so that the cost per window shows.
#include "bench.h"

#include "MacWindows.h"
#include "Zel.h"

#include <vector>

namespace {

struct Times {
    double update, move;
};

Times Measure(int others)
{
    std::vector<WindowPtr> windows;
    for (int i = 0; i < others; ++i) {
        Rect r{static_cast<int16_t>(20 + 12 * i), static_cast<int16_t>(20 + 14 * i),
               static_cast<int16_t>(140 + 12 * i), static_cast<int16_t>(220 + 14 * i)};
        windows.push_back(NewCWindow(nullptr, &r, reinterpret_cast<const unsigned char *>("\x05Other"), TRUE,
                                     documentProc, reinterpret_cast<WindowPtr>(-1), TRUE, 0));
    }
    Rect r{30, 30, 130, 230};
    WindowPtr dragged = NewCWindow(nullptr, &r, reinterpret_cast<const unsigned char *>("\x04Drag"), TRUE,
                                   documentProc, reinterpret_cast<WindowPtr>(-1), TRUE, 0);
    Times t;
    t.update = TimePerRun(200, [](int) { ZEL_UpdateWindows(2); });
    t.move = TimePerRun(200, [&](int i) {
        MoveWindo(dragged, static_cast<int16_t>(20 + (i % 100) * 3), static_cast<int16_t>(20 + (i % 100) * 2), FALSE);
    });
    DisposeWindow(dragged);
    for (WindowPtr w : windows)
        DisposeWindow(w);
    return t;
}

} // namespace

int RunBench()
{
    InitWindows();
    HWND main = FindWindowA("ZELMainWndClass", nullptr);
    if (main) {
        SetWindowPos(main, nullptr, 0, 0, 900, 700, SWP_NOZORDER);
        ShowWindow(main, SW_SHOW);
    }
    Times alone = Measure(0), crowded = Measure(20);
    std::printf("ZEL_UpdateWindows(2): %.3f ms with 1 window, %.3f ms with 21 (x%.1f)\n", alone.update * 1e3,
                crowded.update * 1e3, crowded.update / alone.update);
    std::printf("MoveWindo across the others: %.3f ms with 1 window, %.3f ms with 21 (x%.1f)\n", alone.move * 1e3,
                crowded.move * 1e3, crowded.move / alone.move);
    return 0;
}

// The program's Windows side, in C++: it registers the window classes, makes the main frame window,
// starts the session and runs the Macintosh program, whose result becomes the exit code.
#include <windows.h>

#include <Types.h>
#include <Zel.h>

#include <cstdio>

#include "host_glue.h"

extern "C" long RunRateFigures(void);

namespace {

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (ForwardToLibrary(hwnd, message, wParam, lParam, true, &result))
        return result;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RegisterHostClasses(instance, MainWndProc, 0);
    HWND main = CreateWindowA("ZELMainWndClass", "Trace Rate host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640,
                              400, nullptr, CreateMenu(), instance, nullptr);
    if (!OpenHostSession(instance, main, nullptr))
        return 0x40;
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);

    const long status = RunRateFigures();
    ZEL_ExitSession();
    DestroyWindow(main);
    std::printf("exit %ld\n", status);
    return static_cast<int>(status);
}

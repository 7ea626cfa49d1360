// The game's Windows side, in C++: it registers the window classes, makes the main frame window that
// carries the menu bar, starts the session and runs the Macintosh game, whose result becomes the exit
// code.
#include <windows.h>

#include <Types.h>
#include <Memory.h>
#include <Resources.h>
#include <QuickDraw.h>
#include <Zel.h>

#include <cstdio>

#include "arcade.h"
#include "host_glue.h"

namespace {

constexpr uint32_t kColourIconMasks = 0x80; // library switch: PlotCIcon uses the icon's mask

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
    HWND main = CreateWindowA("ZELMainWndClass", "Comet Run", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 800, 600,
                              nullptr, CreateMenu(), instance, nullptr);
    if (!OpenHostSession(instance, main, nullptr))
        return 0x8000;
    ZEL_AllowPictStatePush(1);
    ZEL_SetFlags(0, 0, kColourIconMasks, kColourIconMasks);
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);

    const long status = RunArcade();
    ZEL_ExitSession();
    DestroyWindow(main);
    std::printf("exit %ld\n", status);
    return static_cast<int>(status);
}

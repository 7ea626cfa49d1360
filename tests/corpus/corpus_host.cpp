// The Windows side of every corpus program: it registers the window classes, makes the main frame
// window that carries the menu bar, starts the session and runs the program's own main (compiled as
// ProgramMain), which ends the process through ExitToShell.
#include <windows.h>

#include <Zel.h>

#include "host_glue.h"

#ifdef CORPUS_CXX_PROGRAM
int ProgramMain();
#else
extern "C" int ProgramMain(void);
#endif

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
    HWND main = CreateWindowA("ZELMainWndClass", "Corpus", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 800, 600,
                              nullptr, CreateMenu(), instance, nullptr);
    if (!OpenHostSession(instance, main, nullptr))
        return 0x40;
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);
    ProgramMain();
    ZEL_ExitSession();
    DestroyWindow(main);
    return 0;
}

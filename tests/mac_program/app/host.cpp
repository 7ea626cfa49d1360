// The Windows side of the program, in C++: it registers the window classes, makes the main frame
// window, forwards every message the library takes, starts and ends the session around the Macintosh
// code, and checks the program's own QuickDraw globals. It includes <windows.h> with the classic
// headers and uses GDI's FrameRect beside the Toolbox's.
#include <windows.h>

#include <Types.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Menus.h>
#include <Events.h>
#include <Palettes.h>
#include <Resources.h>
#include <LowMem.h>
#include <TextEdit.h>
#include <Dialogs.h>
#include <Fonts.h>
#include <Zel.h>

#include <cstdio>

#include <host_glue.h>
#include "mac_program.h"

namespace {

// The main window's host drawing: a red frame in the lower-left corner of its client area.
void PaintMainWindow(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT mark{10, client.bottom - 40, 40, client.bottom - 10};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FrameRect(dc, &mark, red);
    DeleteObject(red);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PaintMainWindow(hwnd);
        return 0;
    }
    return HostMainWndProc(hwnd, message, wParam, lParam);
}

// Failures of the program's own QuickDraw globals, one bit each: screenBits, thePort, randSeed, patterns.
int CheckQuickDrawGlobals(WindowRef window)
{
    int failures = 0;
    // The Macintosh screen is the host's client area.
    const Rect &screen = qd.screenBits.bounds;
    RECT area{};
    GetClientRect(GetParent(ZEL_GethWnd(window)), &area);
    if (screen.top != 0 || screen.left != 0 || screen.right != area.right || screen.bottom <= 0)
        failures |= 1;
    SetPort(window);
    if (qd.thePort != window)
        failures |= 2;
    const int32_t seed = qd.randSeed;
    const int16_t value = Random();
    const int32_t next = 16807 * (seed % 127773) - 2836 * (seed / 127773);
    const int32_t expected = next <= 0 ? next + 0x7FFFFFFF : next;
    if (qd.randSeed != expected || value != static_cast<int16_t>(expected >> 14))
        failures |= 4;
    for (int i = 0; i < 8; ++i)
        if (qd.black.pat[i] != 0xFF || qd.white.pat[i] != 0 || qd.gray.pat[i] != (i % 2 ? 0x55 : 0xAA))
            failures |= 8;
    return failures;
}

} // namespace

// A framed square in the window's lower right, drawn by the Toolbox's FrameRect.
extern "C" void DrawHostMark(WindowRef window)
{
    SetPort(window);
    Rect mark;
    SetRect(&mark, 200, 100, 240, 140);
    FrameRect(&mark);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The main window draws relative to its client area's bottom: all of it again when that changes (the
    // menu bar appearing, sizing).
    HWND main = MakeHostMainWindow(instance, "Classic program", 640, 480, nullptr, MainWndProc, CS_HREDRAW | CS_VREDRAW);
    if (!OpenHostSession(instance, main, nullptr))
        return 10;

    InitGraf(&qd.thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    TEInit();
    InitDialogs(nil);
    InitCursor();
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);

    int status = 0;
    WindowRef gallery = MakeGalleryWindow();
    WindowRef window = MakeDocumentWindow();
    if (!window || !gallery || !SetUpMenus())
        status = 11;
    else
        status = CheckQuickDrawGlobals(window);
    if (status == 0) {
        RunEventLoop(window, gallery);
        if (!GalleryTextEndsWith("xyz", 3))
            status |= 16;
    }
    if (gallery)
        DisposeWindow(gallery);
    if (window)
        DisposeWindow(window);
    ZEL_ExitSession();
    DestroyWindow(main);
    std::printf("exit %d\n", status);
    return status;
}

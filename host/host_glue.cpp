// The Windows side of a classic program's host: the sample host, the classic test programs and a port's
// own host use it as it is.
#include "host_glue.h"

#include <Dialogs.h>
#include <LowMem.h>
#include <Resources.h>
#include <Events.h>
#include <MacWindows.h>
#include <Menus.h>
#include <Palettes.h>
#include <Zel.h>

bool ForwardToLibrary(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool isMain, LRESULT *result)
{
    switch (message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MOUSEMOVE: case WM_SETCURSOR: case WM_NCHITTEST:
    case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK: case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK: case WM_NCRBUTTONUP:
        *result = ZEL_EventMouse(hwnd, message, wParam, lParam);
        return true;
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP: case WM_CHAR: case WM_DEADCHAR:
        ZEL_EventKey(hwnd, message, wParam, lParam);
        return false; // Windows still opens the menus from Alt and F10
    case WM_ACTIVATEAPP:
        ZEL_ActivateApp(wParam ? 1 : 0);
        return false;
    case WM_COMMAND:
        // Menu commands to the Menu Manager, control notifications to the Event Manager.
        if (lParam == 0 && HIWORD(wParam) == 0) {
            ZEL_EventMenuSel(LOWORD(wParam));
            *result = 0;
        } else {
            *result = ZEL_EventCommand(hwnd, message, wParam, lParam);
        }
        return true;
    case WM_INITMENUPOPUP:
        ZEL_InitMenuMsg(reinterpret_cast<HMENU>(wParam));
        return false;
    case WM_MENUSELECT:
        ZEL_MenuSelect(hwnd, message, wParam, lParam);
        return false;
    case WM_ENTERIDLE:
        ZEL_EnterIdle(hwnd, message, wParam, lParam);
        return false;
    case WM_MEASUREITEM: case WM_DRAWITEM:
        if (!ZEL_UserItem(hwnd, message, wParam, lParam))
            return false;
        *result = TRUE;
        return true;
    case WM_SYSCOMMAND:
        if (!ZEL_SysCommand(isMain ? 1 : 0, hwnd, wParam))
            return false;
        *result = 0;
        return true;
    case WM_MOUSEACTIVATE:
        *result = ZEL_EventActivate(hwnd, message, wParam, lParam);
        return true;
    case WM_ACTIVATE: case WM_CHILDACTIVATE: case WM_MDIACTIVATE:
        ZEL_EventActivate(hwnd, message, wParam, lParam);
        return false;
    case WM_QUERYNEWPALETTE:
        *result = ZEL_QueryNewPalette(hwnd);
        return true;
    case WM_PALETTECHANGED:
        ZEL_PaletteChanged(hwnd, reinterpret_cast<HWND>(wParam));
        return false;
    case WM_NCCALCSIZE: case WM_NCPAINT: case WM_NCACTIVATE:
        *result = ZEL_NCMessage(hwnd, message, wParam, lParam);
        return true;
    }
    if (isMain)
        return false;
    switch (message) {
    case WM_PAINT:
        if (!ZEL_EventUpdate(hwnd))
            return false;
        *result = 0;
        return true;
    case WM_MOVE: case WM_SIZE: case WM_ERASEBKGND: case WM_HSCROLL: case WM_VSCROLL:
        *result = ZEL_WindChange(hwnd, message, wParam, lParam);
        return true;
    case WM_GETMINMAXINFO:
        if (!ZEL_GetMinMaxInfo(hwnd, reinterpret_cast<MINMAXINFO *>(lParam)))
            return false;
        *result = 0;
        return true;
    }
    return false;
}

namespace {

LRESULT CALLBACK DocumentWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ForwardToLibrary(hwnd, message, wParam, lParam, false, &result))
        return result;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HostSessionRecord sSession;

} // namespace

LRESULT CALLBACK HostMainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    LRESULT result = 0;
    if (ForwardToLibrary(hwnd, message, wParam, lParam, true, &result))
        return result;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterHostClasses(HINSTANCE instance, WNDPROC mainProc, UINT mainStyle)
{
    const char *names[] = {"ZELMainWndClass", "ZELSubWndClass", "ZELSubMDIWndClass"};
    for (const char *name : names) {
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS | (name == names[0] ? mainStyle : 0);
        wc.lpfnWndProc = name == names[0] ? mainProc : DocumentWndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.cbWndExtra = zelWindowExtraBytes; // the library keeps the WindowPtr in the window extra bytes
        wc.lpszClassName = name;
        RegisterClassA(&wc);
    }
}

HWND MakeHostMainWindow(HINSTANCE instance, const char *title, int width, int height, HMENU menu, WNDPROC mainProc,
                        UINT mainStyle)
{
    RegisterHostClasses(instance, mainProc, mainStyle);
    return CreateWindowA("ZELMainWndClass", title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, width, height,
                         nullptr, menu ? menu : CreateMenu(), instance, nullptr);
}

bool OpenHostSession(HINSTANCE instance, HWND main, FARPROC scrapCallback, uint32_t sessionFlags)
{
    SessionParamBlock &session = sSession.block;
    session = SessionParamBlock{};
    session.size = sizeof session;
    session.hostInstance = instance;
    session.mainWindow = main;
    session.sessionFlags = sessionFlags;
    session.resourceFileName = ""; // no system fork: InitResources opens the application's own
    session.scrapCallback = scrapCallback;
    ZEL_InitSession(&session);
    static LowMemPointerBlock globals;
    sSession.globalsResult = ZEL_InitGlobals(Setup_Globals(&globals));
    sSession.appResFile = InitResources();
    return sSession.appResFile != 0;
}

const HostSessionRecord &HostSession() { return sSession; }

long RunHostProgram(HWND main, long (*program)(void))
{
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);
    const long status = program();
    ZEL_ExitSession();
    DestroyWindow(main);
    return status;
}

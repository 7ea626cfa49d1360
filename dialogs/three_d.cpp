// The three-dimensional dialog look of older shells, through the entry points of "CTL3D32.DLL" bound by
// ordinal, and the window procedure of the cloned dialog class "_ZEL_THREED_".
#include "dialogs_services.h"
#include "../core/core_services.h"

namespace {

typedef HBRUSH(WINAPI *ColorProc)(UINT, WPARAM, LPARAM);
typedef LRESULT(WINAPI *FrameProc)(HWND, UINT, WPARAM, LPARAM);
typedef BOOL(WINAPI *InstanceProc)(HINSTANCE);
typedef BOOL(WINAPI *ControlProc)(HWND);

HMODULE sLibrary;
WNDPROC sBaseWndProc;
ColorProc sCtlColor;         // ordinal 18
FrameProc sDlgFramePaint;    // ordinal 20
InstanceProc sRegister;      // ordinal 12
InstanceProc sAutoSubclass;  // ordinal 16
ControlProc sSubclassCtl;    // ordinal 3
InstanceProc sUnregister;    // ordinal 13

template <typename T> void Bind(T &slot, WORD ordinal)
{
    slot = reinterpret_cast<T>(GetProcAddress(sLibrary, MAKEINTRESOURCEA(ordinal)));
}

LRESULT CallBase(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return sBaseWndProc ? CallWindowProcA(sBaseWndProc, hwnd, message, wParam, lParam)
                        : DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

BOOL Ctl3dBind(HMODULE library, HINSTANCE hostInstance)
{
    sLibrary = library;
    Bind(sCtlColor, 18);
    Bind(sDlgFramePaint, 20);
    Bind(sRegister, 12);
    Bind(sAutoSubclass, 16);
    Bind(sSubclassCtl, 3);
    Bind(sUnregister, 13);
    BOOL ok = sRegister ? sRegister(hostInstance) : FALSE;
    if (!ok)
        sLibrary = nullptr;
    return ok;
}

void Ctl3dStartAutoSubclass(HINSTANCE hostInstance)
{
    if (sLibrary && sAutoSubclass)
        sAutoSubclass(hostInstance);
}

void Ctl3dSubclassControl(HWND control)
{
    if (sLibrary && sSubclassCtl)
        sSubclassCtl(control);
}

void Ctl3dUnbind(HINSTANCE hostInstance)
{
    if (sLibrary && sUnregister)
        sUnregister(hostInstance);
    sLibrary = nullptr;
}

void SetThreeDBaseWndProc(WNDPROC proc) { sBaseWndProc = proc; }

// Each message checks only the entry it calls: a library without ordinal 18 still paints its frames
// through 20. A NULL brush from 18 is no answer: the saved class procedure answers instead.
LRESULT CALLBACK ThreeDDlgWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!sLibrary)
        return CallBase(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_NCPAINT:
    case WM_NCACTIVATE: {
        LRESULT r = CallBase(hwnd, message, wParam, lParam);
        if (sDlgFramePaint)
            sDlgFramePaint(hwnd, message, wParam, lParam);
        return r;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR: {
        HBRUSH brush = sCtlColor ? sCtlColor(message, wParam, lParam) : nullptr;
        return brush ? reinterpret_cast<LRESULT>(brush) : CallBase(hwnd, message, wParam, lParam);
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HBRUSH brush = sCtlColor ? sCtlColor(message, wParam, lParam) : nullptr;
        if (!brush)
            return CallBase(hwnd, message, wParam, lParam);
        if (!ZEL_DialogWhiteBackground(hwnd))
            return reinterpret_cast<LRESULT>(brush);
        if (message == WM_CTLCOLORBTN && (GetWindowLongA(reinterpret_cast<HWND>(lParam), GWL_STYLE) & 0xF) <= 1)
            return reinterpret_cast<LRESULT>(brush);
        // The items' text sits on the window colour; the base class may set its own first.
        const LRESULT r = CallBase(hwnd, message, wParam, lParam);
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return r;
    }
    default:
        return CallBase(hwnd, message, wParam, lParam);
    }
}

// Reached by the test programs by ordinal; no host interface. Binds a library standing in for
// "CTL3D32.DLL" (its registration runs), or with none unbinds the one bound.
ZEL_EXTERN_C BOOL ZEL_CALL BindThreeDLibrary(HMODULE library)
{
    if (!library) {
        Ctl3dUnbind(SessionHostInstance());
        return TRUE;
    }
    return Ctl3dBind(library, SessionHostInstance());
}

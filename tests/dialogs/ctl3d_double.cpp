// A stand-in for "CTL3D32.DLL" with the six entry points the library binds by ordinal. It counts each
// call and answers scripted values; the test reads the counts and sets the script through its two named
// exports. Built three times: with every entry point, without ordinal 18, and without 18 and 20.
#include <windows.h>

namespace {
LONG sCalls[21];
HBRUSH sBrush = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
} // namespace

extern "C" {

// Ordinal 3: subclasses a control.
BOOL WINAPI DoubleSubclassCtl(HWND) { return ++sCalls[3] > 0; }
// Ordinal 12: registers the host.
BOOL WINAPI DoubleRegister(HINSTANCE) { return ++sCalls[12] > 0; }
// Ordinal 13: unregisters it.
BOOL WINAPI DoubleUnregister(HINSTANCE) { return ++sCalls[13] > 0; }
// Ordinal 16: subclasses every control made from now on.
BOOL WINAPI DoubleAutoSubclass(HINSTANCE) { return ++sCalls[16] > 0; }
#ifndef DOUBLE_WITHOUT_COLOR
// Ordinal 18: the brush for a WM_CTLCOLOR message.
HBRUSH WINAPI DoubleCtlColor(UINT, WPARAM, LPARAM)
{
    ++sCalls[18];
    return sBrush;
}
#endif
#ifndef DOUBLE_WITHOUT_FRAME
// Ordinal 20: paints a dialog's frame.
LRESULT WINAPI DoubleFramePaint(HWND, UINT, WPARAM, LPARAM)
{
    ++sCalls[20];
    return 0;
}
#endif

// The count of calls to an ordinal; -1 resets every count.
LONG WINAPI DoubleCalls(int ordinal)
{
    if (ordinal < 0) {
        for (LONG &c : sCalls)
            c = 0;
        return 0;
    }
    return ordinal >= 0 && ordinal <= 20 ? sCalls[ordinal] : 0;
}
// The brush ordinal 18 answers (NULL allowed).
void WINAPI DoubleSetBrush(HBRUSH brush) { sBrush = brush; }
}

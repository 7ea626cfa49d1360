// Window lookup: from a Windows handle to the WindowRecord behind it, in constant time through the
// "ZEL_wFlag" property and the window's extra bytes. While a window is being made or taken down the
// creation and closing marks stand in for the tie.
#include "window_manager.h"

bool HwndToWindowPtr(HWND hwnd, WindowPtr *window, uint16_t *createFlags)
{
    WindowPtr found = nullptr;
    uint16_t flags = 0;
    bool tied = hwnd && (reinterpret_cast<uintptr_t>(GetPropA(hwnd, MAKEINTATOM(SessionWindowAtom()))) & 1);
    if (tied || (hwnd && hwnd == ClosingHwnd())) {
        found = reinterpret_cast<WindowPtr>(static_cast<uintptr_t>(GetWindowLongA(hwnd, zelWindowPtrLong)));
        if (hwnd == ClosingHwnd() && !found)
            found = ClosingWindow();
        if (WindowAuxRecord *aux = AuxOf(found))
            flags = aux->createFlags;
    } else if (WindowCreationInProgress()) {
        found = WindowBeingCreated();
        flags = CreationFlagsInProgress();
    }
    if (window)
        *window = found;
    if (createFlags)
        *createFlags = flags;
    return found != nullptr;
}

// Control Manager: drawing, values, hit testing and tracking.
#include "dialogs_services.h"

// PENDING: the control drawing calls export Draw1Control, drawn through the control's procedures; until
// then the child window is invalidated and updated.
void Draw1Control(ControlHandle control)
{
    if (HWND hwnd = ControlWindow(control)) {
        InvalidateRect(hwnd, nullptr, TRUE);
        UpdateWindow(hwnd);
    }
}

// Dragging, growing and zooming windows. Windows tracks the frame itself: the frame glue records in four
// slots which window's close box, zoom box or caption was used, and the Macintosh calls that would track
// them report the finished action. This file also keeps the system menu in the Macintosh style and the
// largest rectangle a window may take.
#include "window_manager.h"

#include <cstring>
#include <initializer_list>

namespace {

// The frame-tracking slots: close box, zoom box, caption drag and the window in front before the drag.
WindowPtr sCloseBoxWindow;
WindowPtr sZoomBoxWindow;
WindowPtr sDragWindow;
WindowPtr sFrontBeforeDrag;

} // namespace

void ForgetFrameTrackingWindow(WindowPtr window)
{
    for (WindowPtr *slot : {&sCloseBoxWindow, &sZoomBoxWindow, &sDragWindow, &sFrontBeforeDrag})
        if (*slot == window)
            *slot = nullptr;
}

// The Close item keeps its label up to the tab; the key named after the first "+" of the old shortcut
// text is written again through the host's format (string 1025). An item without a tab or a "+", or a
// host without the format, keeps its text.
void RelabelSystemMenuClose(HWND, HMENU menu)
{
    char text[256];
    if (!menu || GetMenuStringA(menu, SC_CLOSE, text, sizeof text, MF_BYCOMMAND) <= 0)
        return;
    char *tab = std::strchr(text, '\t');
    if (!tab)
        return;
    char *plus = std::strchr(tab + 1, '+');
    if (!plus || !plus[1])
        return;
    char format[128];
    if (LoadStringA(SessionHostInstance(), 1025, format, sizeof format) <= 0)
        return;
    char key[64];
    lstrcpynA(key, plus + 1, sizeof key);
    *tab = 0;
    char shortcut[256];
    wsprintfA(shortcut, format, key);
    char label[512];
    lstrcpynA(label, text, sizeof label);
    int used = lstrlenA(label);
    lstrcpynA(label + used, shortcut, sizeof label - used);
    UINT state = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
    ModifyMenuA(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING | state, SC_CLOSE, label);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_FixupSystemMenu(HWND hwnd, HMENU menu)
{
    if (SessionFlag(zelFlagMDIFrame) || !menu)
        return;
    WindowPtr window = nullptr;
    HwndToWindowPtr(hwnd, &window, nullptr);
    if (window && Peek(window)->windowKind == dialogKind)
        return;
    DeleteMenu(menu, SC_TASKLIST, MF_BYCOMMAND);
    DeleteMenu(menu, 7, MF_BYPOSITION);
    const bool zoomed = window && Peek(window)->spareFlag;
    EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | (zoomed ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | (zoomed ? MF_GRAYED : MF_ENABLED));
    RelabelSystemMenuClose(hwnd, menu);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_CheckMaxWindowRect(Rect *rect, Boolean isPopup, Boolean mayShrink)
{
    if (!rect || rect->top < -1000 || rect->left < -1000)
        return;
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;
    int top = rect->top, left = rect->left, bottom = rect->bottom, right = rect->right;
    if (isPopup) {
        // Moved up and left into the main window's client area, then into the screen; never resized.
        RECT client;
        GetClientRect(SessionMainWindow(), &client);
        MapWindowPoints(SessionMainWindow(), nullptr, reinterpret_cast<POINT *>(&client), 2);
        const int limits[2][2] = {{client.right, client.bottom},
                                  {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}};
        for (const auto &limit : limits) {
            if (right > limit[0]) {
                left -= right - limit[0];
                right = limit[0];
            }
            if (bottom > limit[1]) {
                top -= bottom - limit[1];
                bottom = limit[1];
            }
        }
        *rect = Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(top + height),
                     static_cast<int16_t>(left + width)};
        return;
    }
    RgnHandle gray = LowMem<RgnHandle>(lmGrayRgn);
    if (!HandleLive(gray))
        return;
    const Rect &box = (*gray)->rgnBBox;
    const int cxFrame = GetSystemMetrics(SM_CXFRAME), cyFrame = GetSystemMetrics(SM_CYFRAME);
    const int limitTop = box.top + GetSystemMetrics(SM_CYCAPTION) + cyFrame;
    const int limitBottom = box.bottom - (cyFrame - 1);
    const int limitLeft = box.left;
    const int limitRight = box.right - 2 * cxFrame;
    if (bottom > limitBottom) {
        bottom = limitBottom;
        top = bottom - height < limitTop ? limitTop : bottom - height;
    }
    if (right > limitRight) {
        right = limitRight;
        left = right - width < limitLeft ? limitLeft : right - width;
    }
    if (top < limitTop) {
        top = limitTop;
        bottom = top + height > limitBottom ? limitBottom : top + height;
    }
    if (left < limitLeft) {
        left = limitLeft;
        right = left + width > limitRight ? limitRight : left + width;
    }
    if (!mayShrink) {
        bottom = top + height;
        right = left + width;
    }
    *rect = Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                 static_cast<int16_t>(right)};
}

// The window frame and the multiple-document glue. The host's window procedures hand the non-client,
// geometry and system-command messages of the library's windows to this glue. It draws the
// Macintosh-style frame (a thin or sizing border, a caption in the library's system font, a close box and
// a zoom box from the caption-button bitmaps) for windows that have one, tracks clicks in those boxes
// itself, and turns the moving, sizing, closing and zooming that Windows does into the encoded
// mouse-downs FindWindo decodes, so that the application's event loop sees Macintosh clicks.
#include "window_manager.h"
#include "Events.h"
#include "Menus.h"
#include "../devices/devices_services.h"
#include "../dialogs/dialogs_services.h"
#include "../quickdraw/qd_services.h"
#include "../quickdraw/qd_services.h"

namespace {

// The parts of a Macintosh-style frame in window coordinates (the window rectangle at 0, 0).
struct FrameLayout {
    MacFrameMetrics m;
    RECT window;  // the whole window
    RECT caption; // the caption band
    RECT text;    // its text area
    RECT closeBox, zoomBox;
    bool hasClose, hasZoom;
};

FrameLayout LayOutFrame(HWND hwnd, WindowPtr window)
{
    FrameLayout f{};
    WindowPeek peek = Peek(window);
    f.m = MacFrameMetricsFor(static_cast<int16_t>(peek->windowDefProc), GetWindowLongA(hwnd, GWL_STYLE));
    RECT r;
    GetWindowRect(hwnd, &r);
    f.window = RECT{0, 0, r.right - r.left, r.bottom - r.top};
    const int c = f.m.caption;
    if (f.m.resizable)
        f.caption = RECT{f.m.borderX, f.m.borderY, f.window.right - f.m.borderX, f.m.borderY + c + 1};
    else
        f.caption = RECT{0, 0, f.window.right, c};
    f.text = f.caption;
    InflateRect(&f.text, -1, -1);
    f.hasClose = peek->goAwayFlag;
    f.hasZoom = (peek->windowDefProc & 8) != 0;
    const int top = f.caption.top;
    if (!SessionThreeD()) {
        f.closeBox = RECT{f.caption.left, top, f.caption.left + c, top + c};
        f.zoomBox = RECT{f.caption.right - c, top, f.caption.right, top + c};
        if (f.hasClose)
            f.text.left += c - 1;
        if (f.hasZoom)
            f.text.right -= c - 1;
    } else {
        f.closeBox = RECT{f.caption.right - 1 - c, top, f.caption.right - 1, top + c};
        f.zoomBox = f.closeBox;
        if (f.hasClose)
            OffsetRect(&f.zoomBox, -(c + 1), 0);
        if (f.hasClose || f.hasZoom)
            f.text.right = (f.hasZoom ? f.zoomBox.left : f.closeBox.left);
    }
    return f;
}

void FillSolid(HDC dc, const RECT &r, COLORREF colour)
{
    HBRUSH b = CreateSolidBrush(colour);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// Copies one cell of a caption-button bitmap into a rectangle (stretched when the sizes differ).
void BlitButton(HDC dc, HBITMAP bitmap, const RECT &into)
{
    if (!bitmap)
        return;
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bitmap);
    const int cell = bm.bmHeight > 0 && bm.bmWidth >= 2 * bm.bmHeight ? bm.bmHeight : bm.bmWidth;
    const int w = into.right - into.left, h = into.bottom - into.top;
    if (w == cell && h == bm.bmHeight)
        BitBlt(dc, into.left, into.top, w, h, mem, 0, 0, SRCCOPY);
    else
        StretchBlt(dc, into.left, into.top, w, h, mem, 0, 0, cell, bm.bmHeight, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

// A caption button, up or pressed: the bitmap alone, or with the three-dimensional look a face-coloured
// square with a bevel and the glyph offset by 2 (up) or 3 (pressed) pixels.
void DrawButton(HDC dc, const RECT &box, int bitmapIndex, bool pressed)
{
    RECT r = box;
    InflateRect(&r, -1, -1);
    if (!SessionThreeD()) {
        BlitButton(dc, CaptionButtonBitmap(bitmapIndex + (pressed ? 1 : 0)), r);
        return;
    }
    FillSolid(dc, r, GetSysColor(COLOR_BTNFACE));
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = RGB(0, 0, 0), shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF topLeft = pressed ? dark : light, bottomRight = pressed ? light : dark;
    Line(dc, r.left, r.bottom - 1, r.left, r.top, topLeft);
    Line(dc, r.left, r.top, r.right - 1, r.top, topLeft);
    Line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1, bottomRight);
    Line(dc, r.right - 1, r.bottom - 1, r.left - 1, r.bottom - 1, bottomRight);
    Line(dc, r.right - 2, r.top + 1, r.right - 2, r.bottom - 2, shadow);
    Line(dc, r.right - 2, r.bottom - 2, r.left, r.bottom - 2, shadow);
    HBITMAP glyph = CaptionButtonBitmap(bitmapIndex);
    BITMAP bm{};
    if (glyph && GetObjectA(glyph, sizeof bm, &bm)) {
        const int offset = pressed ? 3 : 2;
        RECT g{r.left + offset, r.top + offset, r.left + offset + bm.bmWidth, r.top + offset + bm.bmHeight};
        if (g.right > r.right - 2)
            g.right = r.right - 2;
        if (g.bottom > r.bottom - 2)
            g.bottom = r.bottom - 2;
        // The glyph is one bit deep: black on the face colour.
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, glyph);
        COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0)), oldBack = SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        BitBlt(dc, g.left, g.top, g.right - g.left, g.bottom - g.top, mem, 0, 0, SRCCOPY);
        SetTextColor(dc, oldText);
        SetBkColor(dc, oldBack);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
}

int ZoomBitmapIndex(WindowPtr window)
{
    return Peek(window)->spareFlag && window != WindowBeingCreated() ? 4 : 2;
}

void PaintMacFrame(HWND hwnd, WindowPtr window)
{
    WindowPeek peek = Peek(window);
    FrameLayout f = LayOutFrame(hwnd, window);
    HDC dc = GetWindowDC(hwnd);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    HBRUSH unhilited = SessionColorBrush(2);
    const COLORREF inactive = GetSysColor(COLOR_INACTIVECAPTION), active = GetSysColor(COLOR_ACTIVECAPTION);
    if (f.m.resizable) {
        const RECT &w = f.window;
        const int bx = f.m.borderX, by = f.m.borderY;
        RECT bands[4] = {{0, 0, w.right, by}, {0, w.bottom - by, w.right, w.bottom}, {0, 0, bx, w.bottom},
                         {w.right - bx, 0, w.right, w.bottom}};
        for (const RECT &b : bands) {
            if (unhilited)
                FillRect(dc, &b, unhilited);
            else
                FillSolid(dc, b, inactive);
        }
    }
    FrameRect(dc, &f.window, black);
    if (f.m.resizable) {
        RECT inner = f.window;
        InflateRect(&inner, -(f.m.borderX - 1), -(f.m.borderY - 1));
        FrameRect(dc, &inner, black);
        // Tick lines across the border bands mark the size corners.
        const int dx = f.m.borderX + f.m.caption, dy = f.m.borderY + f.m.caption;
        const int W = f.window.right, H = f.window.bottom, bx = f.m.borderX, by = f.m.borderY;
        const COLORREF k = RGB(0, 0, 0);
        Line(dc, dx, 0, dx, by, k);
        Line(dc, W - 1 - dx, 0, W - 1 - dx, by, k);
        Line(dc, dx, H - by, dx, H, k);
        Line(dc, W - 1 - dx, H - by, W - 1 - dx, H, k);
        Line(dc, 0, dy, bx, dy, k);
        Line(dc, W - bx, dy, W, dy, k);
        Line(dc, 0, H - 1 - dy, bx, H - 1 - dy, k);
        Line(dc, W - bx, H - 1 - dy, W, H - 1 - dy, k);
    }
    if (f.m.caption > 0) {
        FrameRect(dc, &f.caption, black);
        HBRUSH fill = SessionColorBrush(peek->hilited ? 1 : 2);
        if (fill)
            FillRect(dc, &f.text, fill);
        else
            FillSolid(dc, f.text, peek->hilited ? active : inactive);
        char title[257] = "";
        int n = GetWindowTextA(hwnd, title, sizeof title);
        if (n > 0) {
            HGDIOBJ oldFont = SelectObject(dc, GetLibraryFont(libraryFontSystem).font);
            SetBkMode(dc, TRANSPARENT);
            COLORREF textColour = peek->hilited ? GetSysColor(COLOR_CAPTIONTEXT)
                                  : SessionPlatform().versionWord == 3 ? GetSysColor(COLOR_WINDOWTEXT)
                                                                       : GetSysColor(COLOR_INACTIVECAPTIONTEXT);
            SetTextColor(dc, textColour);
            RECT t = f.text;
            if (SessionThreeD())
                t.left += 2;
            DrawTextA(dc, title, n, &t,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (SessionThreeD() ? DT_LEFT : DT_CENTER));
            SelectObject(dc, oldFont);
        }
        if (f.hasClose)
            DrawButton(dc, f.closeBox, 0, false);
        if (f.hasZoom)
            DrawButton(dc, f.zoomBox, ZoomBitmapIndex(window), false);
    }
    ReleaseDC(hwnd, dc);
}

// A click in a caption box is tracked here: pressed while the mouse is over the box (less one pixel on
// each side), the command when the button goes up inside it.
bool TrackFrameBox(HWND hwnd, WindowPtr window, POINT screen)
{
    FrameLayout f = LayOutFrame(hwnd, window);
    RECT wr;
    GetWindowRect(hwnd, &wr);
    POINT at{screen.x - wr.left, screen.y - wr.top};
    int bitmap;
    RECT box;
    WPARAM command;
    if (f.hasClose && PtInRect(&f.closeBox, at)) {
        box = f.closeBox;
        bitmap = 0;
        command = SC_CLOSE;
    } else if (f.hasZoom && PtInRect(&f.zoomBox, at)) {
        box = f.zoomBox;
        bitmap = ZoomBitmapIndex(window);
        command = Peek(window)->spareFlag ? SC_RESTORE : SC_MAXIMIZE;
    } else {
        return false;
    }
    RECT hot = box;
    InflateRect(&hot, -1, -1);
    CaptureMouseForLibrary(true);
    HDC dc = GetWindowDC(hwnd);
    DrawButton(dc, box, bitmap, true);
    bool pressed = true;
    POINT p = at;
    for (bool last = false; !last;) {
        last = !StillDown();
        POINT s;
        GetCursorPos(&s);
        p = POINT{s.x - wr.left, s.y - wr.top};
        bool inside = PtInRect(&hot, p);
        if (inside != pressed && !last) {
            DrawButton(dc, box, bitmap, inside);
            pressed = inside;
        }
    }
    CaptureMouseForLibrary(false);
    const bool released = PtInRect(&hot, p);
    DrawButton(dc, box, bitmap, false);
    ReleaseDC(hwnd, dc);
    if (released)
        ZEL_SysCommand(0, hwnd, command);
    return true;
}

LRESULT DefaultFor(HWND hwnd, uint16_t createFlags, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (createFlags & wcfMDIChild)
        return DefMDIChildProcA(hwnd, message, wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Default processing of a zoomed window's frame sees WS_MAXIMIZE.
LRESULT DefaultZoomed(HWND hwnd, WindowPtr window, uint16_t createFlags, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool zoomed = window && Peek(window)->spareFlag && (message == WM_NCPAINT || message == WM_NCACTIVATE);
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    if (zoomed)
        SetWindowLongA(hwnd, GWL_STYLE, style | WS_MAXIMIZE);
    LRESULT result = DefaultFor(hwnd, createFlags, message, wParam, lParam);
    if (zoomed)
        SetWindowLongA(hwnd, GWL_STYLE, style);
    return result;
}

void DrawNotificationIcon(HWND main)
{
    HBITMAP icon = NotificationIconBitmap();
    if (!icon)
        return;
    HDC dc = GetWindowDC(main);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, icon);
    const int x = 2 * GetSystemMetrics(SM_CXFRAME) + GetSystemMetrics(SM_CYCAPTION) + 4;
    const int y = (GetSystemMetrics(SM_CYCAPTION) - 16) / 2 + GetSystemMetrics(SM_CYFRAME) - 1;
    BitBlt(dc, x, y, 16, 16, mem, 0, 0, SessionPlatform().versionWord == 3 ? NOTSRCCOPY : SRCINVERT);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(main, dc);
}

WindowPtr TiedRecord(HWND hwnd, uint16_t *createFlags)
{
    WindowPtr window = nullptr;
    uint16_t flags = 0;
    if (!HwndToWindowPtr(hwnd, &window, &flags))
        window = nullptr;
    if (window && window != WindowBeingCreated() && WindowHwnd(window) != hwnd)
        window = nullptr;
    if (createFlags)
        *createFlags = flags;
    return window;
}

} // namespace

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_NCMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND main = SessionMainWindow();
    if (hwnd == main) {
        // A click on the frame while the library tracks a pop-up menu is the menu's to end, not a caption
        // drag or a sizing.
        if (message == WM_NCLBUTTONDOWN && PopUpMenuTracked())
            return 1;
        LRESULT result = SessionMdiClient() ? DefFrameProcA(hwnd, SessionMdiClient(), message, wParam, lParam)
                                            : DefWindowProcA(hwnd, message, wParam, lParam);
        if (message == WM_NCPAINT || message == WM_NCACTIVATE)
            DrawNotificationIcon(main);
        return result;
    }
    uint16_t createFlags = 0;
    WindowPtr window = TiedRecord(hwnd, &createFlags);
    if (!window || window == ClosingWindow())
        return DefaultFor(hwnd, createFlags, message, wParam, lParam);
    // With the other windows left enabled around a modal dialog (setting 28), their frames neither
    // activate nor drag.
    if (message == WM_NCLBUTTONDOWN && LibrarySetting(settingModalWindows))
        if (HWND modal = ModalDialogWindow(); modal && modal != hwnd)
            return 0;
    if (IsMacFrameWindow(hwnd) && window != WindowBeingCreated()) {
        switch (message) {
        case WM_NCCALCSIZE: {
            RECT *r = reinterpret_cast<RECT *>(lParam);
            MacFrameMetrics m = MacFrameMetricsFor(static_cast<int16_t>(Peek(window)->windowDefProc),
                                                   GetWindowLongA(hwnd, GWL_STYLE));
            r->top += m.top;
            r->bottom -= m.borderY;
            r->left += m.borderX;
            r->right -= m.borderX;
            return 0;
        }
        case WM_NCPAINT:
            PaintMacFrame(hwnd, window);
            return 0;
        case WM_NCACTIVATE:
            Peek(window)->hilited = wParam ? 1 : 0;
            return TRUE;
        case WM_NCLBUTTONDOWN:
            if (TrackFrameBox(hwnd, window, POINT{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))}))
                return 0;
            break;
        default:
            break;
        }
    } else if (IsMacFrameWindow(hwnd) && message == WM_NCCALCSIZE) {
        // The window being created: its frame is the library's from the first calculation on.
        RECT *r = reinterpret_cast<RECT *>(lParam);
        MacFrameMetrics m = MacFrameMetricsFor(static_cast<int16_t>(CreationFlagsInProgress() & 0xFF),
                                               GetWindowLongA(hwnd, GWL_STYLE));
        r->top += m.top;
        r->bottom -= m.borderY;
        r->left += m.borderX;
        r->right -= m.borderX;
        return 0;
    }
    if (message == WM_NCLBUTTONDOWN)
        CloseDroppedComboBox(hwnd);
    LRESULT result = DefaultZoomed(hwnd, window, createFlags, message, wParam, lParam);
    if (message == WM_NCLBUTTONDOWN && window != WindowBeingCreated())
        SetPortGlobalOrigin(window, hwnd);
    return result;
}

namespace {

// The control of a window whose child window is the scroll bar, or none.
ControlHandle ScrollBarControl(WindowPtr window, HWND bar)
{
    int guard = 0;
    for (ControlHandle c = Peek(window)->controlList; c && *c && guard < 65536; c = (*c)->nextControl, ++guard)
        if (ControlWindow(c) == bar)
            return c;
    return nullptr;
}

// Scroll messages of a scroll-bar control: the first of a tracking finds the control, posts a mouse-down
// for the application's loop and cancels Windows's own arrow and page repeat (TrackControl starts it
// again); later ones call the tracking action. A scroll bar that is no control of the window's is left
// to Windows: the answer is false.
bool TrackScrollMessage(WindowPtr window, HWND bar, uint16_t code, uint16_t position)
{
    ControlTrackingState &t = TrackingState();
    if (code == SB_ENDSCROLL) {
        if (!bar || !ScrollBarControl(window, bar))
            return false;
        FreeActionThunk();
        t.tracking = 0;
        return true;
    }
    ControlHandle control = bar ? ScrollBarControl(window, bar) : nullptr;
    if (!control) {
        t.scrollBar = nullptr;
        t.tracking = 0;
        return false;
    }
    t.scrollWindow = window;
    t.scrollBar = bar;
    t.scrollCode = static_cast<int16_t>(code);
    if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK)
        t.thumbPosition = static_cast<int16_t>(position);
    const int16_t part = ScrollCodePart(static_cast<int16_t>(code));
    if (!t.tracking) {
        Point pt;
        ReadMouseLocation(&pt);
        GrafPtr saved = nullptr;
        GetPort(&saved);
        SetPor(window);
        GlobalToLocal(&pt);
        SetPor(saved);
        ControlHandle found = nullptr;
        FindControl(pt, window, &found);
        t.trackedControl = control;
        t.trackedPart = part;
        PostEventNow(mouseDown, 0);
        if (code <= SB_PAGEDOWN || code == SB_TOP || code == SB_BOTTOM)
            SendMessageA(bar, WM_CANCELMODE, 0, 0);
        t.tracking = 1;
        SetTrackingActionProc(control, kUseControlAction);
        t.callCounter = -1;
    }
    if (t.action && t.callCounter >= 0) {
        if (part == inThumb)
            SetControlValue(control, t.thumbPosition);
        CallTrackingAction(control, part);
    }
    ++t.callCounter;
    return true;
}

} // namespace

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_WindChange(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    uint16_t createFlags = 0;
    WindowPtr window = TiedRecord(hwnd, &createFlags);
    // Any window moved or sized other than by the geometry core: the next resync reads every window.
    if ((message == WM_MOVE || message == WM_SIZE) && !(window && GeometryChangeInProgress(PlacementHwnd(window))))
        NoteOutsideGeometryChange();
    if (!window || window == WindowBeingCreated() || window == ClosingWindow())
        return DefaultFor(hwnd, createFlags, message, wParam, lParam);
    WindowAuxRecord *aux = AuxOf(window);
    switch (message) {
    case WM_MOVE:
        if (!GeometryChangeInProgress(PlacementHwnd(window)) && aux) {
            const POINT origin = ClientOriginInGlobal(hwnd);
            Rect &b = aux->bounds;
            b.right = static_cast<int16_t>(b.right + origin.x - b.left);
            b.bottom = static_cast<int16_t>(b.bottom + origin.y - b.top);
            b.left = static_cast<int16_t>(origin.x);
            b.top = static_cast<int16_t>(origin.y);
            if (!(aux->createFlags & wcfFloating))
                Peek(window)->spareFlag = 0;
            if (!FrameTrackingSlot(slotDrag)) {
                SetFrameTrackingSlot(slotFrontBeforeDrag, FrontWindow());
                SetFrameTrackingSlot(slotDrag, window);
                PostPartMouseDown(inDrag);
            }
            SetPortGlobalOrigin(window, hwnd);
        }
        ZEL_UpdateWindows(2);
        break;
    case WM_SIZE:
        if (aux && !(aux->createFlags & wcfDialog && WindowCreationInProgress()) &&
            !GeometryChangeInProgress(PlacementHwnd(window))) {
            Boolean iconic = false;
            int32_t size = ZEL_WindDiffSize(window, &iconic);
            if (size) {
                if (!(aux->stateFlags & wsfUserResized)) {
                    aux->stateFlags |= wsfUserResized;
                    PostPartMouseDown(inGrow);
                }
                aux->bounds.right = static_cast<int16_t>(aux->bounds.left + (size & 0xFFFF));
                aux->bounds.bottom = static_cast<int16_t>(aux->bounds.top + (size >> 16));
                if (HWND box = SizeBoxChild(window)) {
                    RECT client, r;
                    GetClientRect(hwnd, &client);
                    GetWindowRect(box, &r);
                    MoveWindow(box, client.right - (r.right - r.left), client.bottom - (r.bottom - r.top),
                               r.right - r.left, r.bottom - r.top, TRUE);
                }
            }
        }
        ZEL_UpdateWindows(2);
        break;
    case WM_ERASEBKGND:
        // The frame's menu bar is being redrawn: the window keeps what it shows (a dialog being built
        // is erased all the same).
        if (MenuBarBeingDrawn() && window != WindowBeingCreated())
            return 0;
        ZEL_UpdateWindows(2);
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (TrackScrollMessage(window, reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    default:
        break;
    }
    return DefaultFor(hwnd, createFlags, message, wParam, lParam);
}

// Windows keeps the low four bits of a system command for itself (a caption double-click sends 0xF032):
// commands are compared without them.
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_SysCommand(int16_t isMainWindow, HWND hwnd, WPARAM command)
{
    const WPARAM base = command & 0xFFF0;
    uint16_t createFlags = 0;
    WindowPtr window = isMainWindow ? nullptr : TiedRecord(hwnd, &createFlags);
    switch (base) {
    case SC_NEXTWINDOW:
    case SC_PREVWINDOW:
        SetFrameTrackingSlot(slotDrag, nullptr);
        SetFrameTrackingSlot(slotFrontBeforeDrag, nullptr);
        return 0;
    case SC_CLOSE:
        if (isMainWindow) {
            ZEL_EventMenuSel(0xFFFF); // the Quit menu choice
            return 1;
        }
        if (!window)
            return 0;
        SetFrameTrackingSlot(slotCloseBox, window);
        PostPartMouseDown(inGoAway);
        return 1;
    case SC_MAXIMIZE:
    case SC_MINIMIZE:
    case SC_RESTORE: {
        if (isMainWindow || !window || (createFlags & wcfMDIChild))
            return 0;
        if (WindowZOrderStale())
            ZEL_UpdateWindows(2);
        SetFrameTrackingSlot(slotZoomBox, window);
        const bool zoomOut = base == SC_MAXIMIZE && !Peek(window)->spareFlag;
        PostPartMouseDown(zoomOut ? inZoomOut : inZoomIn);
        return 1;
    }
    default:
        return 0;
    }
}

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_MDIMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(SessionMdiClient(), message, wParam, lParam);
}

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_MDIDefaultState(int16_t set, uint32_t value, int32_t)
{
    if (set) {
        SetLibrarySetting(settingMDIDefaultState, static_cast<int32_t>(value));
    } else if (HWND client = SessionMdiClient()) {
        HWND active = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
        if (active)
            SetLibrarySetting(settingMDIDefaultState, IsZoomed(active) ? WS_MAXIMIZE : 0);
    }
    return static_cast<uint32_t>(LibrarySetting(settingMDIDefaultState));
}

ZEL_EXTERN_C void ZEL_CALL ZEL_GetCurHDCs(HDC *hdc, HDC *printerDC, int16_t *printing)
{
    if (hdc)
        *hdc = CurrentDC();
    if (printerDC)
        *printerDC = PrintingDC(printing);
    else
        PrintingDC(printing);
}

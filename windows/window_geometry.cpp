// Dragging, growing and zooming windows. Windows tracks the frame itself: the frame glue records in four
// slots which window's close box, zoom box or caption was used, and the Macintosh calls that would track
// them report the finished action. This file also keeps the system menu in the Macintosh style and the
// largest rectangle a window may take.
#include "window_manager.h"
#include "Events.h"
#include "../quickdraw/qd_services.h"

#include <cstring>
#include <initializer_list>

namespace {

// The frame-tracking slots: close box, zoom box, caption drag and the window in front before the drag.
WindowPtr sCloseBoxWindow;
WindowPtr sZoomBoxWindow;
WindowPtr sDragWindow;
WindowPtr sFrontBeforeDrag;

// Set around every SetWindowPos made here: the frame glue then knows the move or size is the library's.
bool sGeometryChanging;
HWND sGeometryHwnd;

uint32_t PackPoint(int v, int h) { return (static_cast<uint32_t>(static_cast<uint16_t>(v)) << 16) | static_cast<uint16_t>(h); }

int16_t Clamp16(int value) { return static_cast<int16_t>(value < -32768 ? -32768 : value > 32767 ? 32767 : value); }

// The client origin of a window's Windows window relative to its parent's client area (the host client
// window's for pop-ups), and its outer top-left in the same coordinates.
void FramePlacement(HWND hwnd, POINT *client, POINT *outer)
{
    HWND parent = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : HostClientWindow();
    POINT c{0, 0};
    ClientToScreen(hwnd, &c);
    RECT r;
    GetWindowRect(hwnd, &r);
    POINT o{r.left, r.top};
    ScreenToClient(parent, &c);
    ScreenToClient(parent, &o);
    *client = c;
    *outer = o;
}

// Where a window's parent's client origin lies in global coordinates: a pop-up's coordinates are the
// host's client area's, which are the global ones.
POINT ParentOriginInGlobal(HWND hwnd)
{
    if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
        return POINT{0, 0};
    return ClientOriginInGlobal(GetParent(hwnd));
}

SIZE ParentClientSize(HWND hwnd)
{
    HWND parent = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : HostClientWindow();
    RECT r{};
    GetClientRect(parent, &r);
    return SIZE{r.right, r.bottom};
}

// The outer frame's size around a content of width x height.
SIZE FrameSizeOf(WindowPtr window, HWND hwnd, int width, int height)
{
    RECT r{0, 0, 0, 0};
    WindowAuxRecord *aux = AuxOf(window);
    ClientSizeToWindowSize(GetParent(hwnd) == HostClientWindow(), &r, aux && (aux->stateFlags & wsfMacFrame),
                           GetWindowLongA(hwnd, GWL_STYLE), GetWindowLongA(hwnd, GWL_EXSTYLE), width, height,
                           static_cast<int16_t>(Peek(window)->windowDefProc));
    return SIZE{r.right - r.left - width, r.bottom - r.top - height};
}

// The geometry core behind SizeWindow, MoveWindo and ZoomWindow: the Windows window is moved and sized so
// that its client area is the content rectangle asked for.
void SetWindowGeometry(WindowPtr window, bool move, bool size, bool zoom, int h, int v, int width, int height,
                       int zoomState, bool fUpdate)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return;
    WindowPeek peek = Peek(window);
    GrafPtr callerPort = CurrentPort();
    SetPor(window);
    HWND hwnd = PlacementHwnd(window);
    HWND own = aux->hwnd;
    const bool floating = aux->createFlags & wcfFloating;
    const DWORD style = GetWindowLongA(own, GWL_STYLE);

    // 2. The outer position: the content's place plus the frame's offset from the client origin.
    int x = 0, y = 0;
    if (move) {
        POINT client, outer;
        FramePlacement(own, &client, &outer);
        const POINT parentOrigin = ParentOriginInGlobal(own);
        x = h - parentOrigin.x + (outer.x - client.x);
        y = v - parentOrigin.y + (outer.y - client.y);
        const bool captioned = (style & WS_CAPTION) == WS_CAPTION || (aux->stateFlags & wsfMacFrame);
        if (captioned && !IsIconic(SessionMainWindow())) {
            SIZE parent = ParentClientSize(own);
            int maxX = parent.cx - 16, maxY = parent.cy - 16;
            if (x > maxX)
                x = maxX;
            if (x < -1)
                x = -1;
            if (y > maxY)
                y = maxY;
            if (y < -1 && !floating)
                y = -1;
        }
        if (style & WS_POPUP) {
            POINT origin{0, 0};
            ClientToScreen(HostClientWindow(), &origin);
            x += origin.x;
            y += origin.y;
        }
    }

    // 3. Sizing.
    RECT client{};
    GetClientRect(own, &client);
    if (size) {
        if (floating) {
            Rect &zb = aux->zoomBounds;
            if (zb.right - zb.left < width)
                zb.right = static_cast<int16_t>(zb.left + width);
            if (zb.bottom - zb.top < height)
                zb.bottom = static_cast<int16_t>(zb.top + height);
            if (zoomState == peek->spareFlag)
                zoomState = width >= zb.right - zb.left && height >= zb.bottom - zb.top ? 1 : 0;
        }
        if ((aux->createFlags & wcfMDIChild) && IsIconic(hwnd))
            size = false;
    }
    if (!size) {
        width = client.right;
        height = client.bottom;
    }

    // 4. The outer size.
    RECT outer;
    GetWindowRect(hwnd, &outer);
    RECT wanted{0, 0, outer.right - outer.left, outer.bottom - outer.top};
    bool sizeChanged = false;
    if (move || size) {
        sizeChanged = ClientSizeToWindowSize(GetParent(hwnd) == HostClientWindow(), &wanted,
                                             aux->stateFlags & wsfMacFrame, style, GetWindowLongA(own, GWL_EXSTYLE),
                                             width, height, static_cast<int16_t>(peek->windowDefProc));
        sizeChanged = sizeChanged || width != client.right || height != client.bottom;
    }

    // 5. The flags.
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!fUpdate)
        flags |= sizeChanged ? SWP_FRAMECHANGED : SWP_NOREDRAW;
    else if (sizeChanged)
        flags |= SWP_FRAMECHANGED;
    if (!move)
        flags |= SWP_NOMOVE;
    if (!sizeChanged)
        flags |= SWP_NOSIZE;
    if (zoom && zoomState != peek->spareFlag) {
        peek->spareFlag = static_cast<Boolean>(zoomState);
        flags |= SWP_FRAMECHANGED;
    }

    // 6. The library's own placement: the frame glue and the list rebuilding leave it alone.
    if (!(SessionFlag(zelFlagMDIFrame) && IsZoomed(hwnd))) {
        EnterPlacement();
        bool wasChanging = sGeometryChanging;
        HWND wasHwnd = sGeometryHwnd;
        sGeometryChanging = true;
        sGeometryHwnd = hwnd;
        SetWindowPos(hwnd, nullptr, x, y, wanted.right - wanted.left, wanted.bottom - wanted.top, flags);
        sGeometryChanging = wasChanging;
        sGeometryHwnd = wasHwnd;
        ResyncWindowList(window);
        LeavePlacement();
    }

    // 7. The records follow.
    aux = AuxOf(window);
    if (aux && !zoom) {
        if (move) {
            aux->bounds.right = static_cast<int16_t>(aux->bounds.right + h - aux->bounds.left);
            aux->bounds.bottom = static_cast<int16_t>(aux->bounds.bottom + v - aux->bounds.top);
            aux->bounds.left = static_cast<int16_t>(h);
            aux->bounds.top = static_cast<int16_t>(v);
            if (!floating)
                peek->spareFlag = 0;
        }
        if (sizeChanged) {
            aux->bounds.right = static_cast<int16_t>(aux->bounds.left + width);
            aux->bounds.bottom = static_cast<int16_t>(aux->bounds.top + height);
        }
    }
    if (zoom)
        peek->spareFlag = static_cast<Boolean>(zoomState);
    if (size || zoom) {
        window->portRect.right = static_cast<int16_t>(window->portRect.left + width);
        window->portRect.bottom = static_cast<int16_t>(window->portRect.top + height);
    }
    if (move || zoom)
        SetPortGlobalOrigin(window, own);
    CalcVis(window);
    SetPor(callerPort);
}

// The size-box child of a resizable window under the three-dimensional look keeps the bottom-right
// corner; it is disabled while the window is maximised.
void PlaceSizeBox(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    HWND box = SizeBoxChild(window);
    if (!aux || !box || !SessionThreeD() || !(aux->createFlags & wcfResizable))
        return;
    RECT client, r;
    GetClientRect(aux->hwnd, &client);
    GetWindowRect(box, &r);
    int size = LibrarySetting(settingSizeBoxSize);
    int w = size > 0 ? size : r.right - r.left, h = size > 0 ? size : r.bottom - r.top;
    MoveWindow(box, client.right - w, client.bottom - h, w, h, TRUE);
    // Enabled and shaped as the window's state wants, asking Windows only for a change.
    const bool zoomed = IsZoomed(aux->hwnd);
    LONG style = GetWindowLongA(box, GWL_STYLE);
    if (((style & WS_DISABLED) != 0) != zoomed) {
        EnableWindow(box, !zoomed);
        style = GetWindowLongA(box, GWL_STYLE);
    }
    if (SessionPlatform().newShell) {
        const LONG wanted = zoomed ? (style & ~0x10) | 0x08 : (style & ~0x08) | 0x10;
        if (wanted != style)
            SetWindowLongA(box, GWL_STYLE, wanted);
    }
}

} // namespace

namespace {

// Where the global space lay on the screen when the windows were last placed.
POINT sHostOrigin;
bool sHostOriginKnown;

} // namespace

void FollowHostFrame(bool reset)
{
    if (RefreshScreenBounds()) {
        RgnHandle gray = LowMem<RgnHandle>(lmGrayRgn);
        const Rect desk = LowMem<BitMap>(lmScreenBits).bounds;
        if (HandleLive(gray))
            SetRectRgnClamped(gray, desk.left, desk.top, desk.right, desk.bottom);
    }
    HWND main = SessionMainWindow();
    if (!main || IsIconic(main))
        return;
    const POINT origin = GlobalOriginOnScreen();
    const int dx = origin.x - sHostOrigin.x, dy = origin.y - sHostOrigin.y;
    const bool moved = sHostOriginKnown && (dx || dy);
    sHostOrigin = origin;
    sHostOriginKnown = true;
    if (reset || !moved)
        return;
    // Children move with the host's client area; pop-ups stand on the screen and are carried along.
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow) {
        HWND hwnd = PlacementHwnd(AsWindow(p));
        if (!hwnd || !(GetWindowLongA(hwnd, GWL_STYLE) & WS_POPUP) || !GetWindow(hwnd, GW_OWNER))
            continue;
        RECT r;
        GetWindowRect(hwnd, &r);
        EnterPlacement();
        const bool wasChanging = sGeometryChanging;
        HWND wasHwnd = sGeometryHwnd;
        sGeometryChanging = true;
        sGeometryHwnd = hwnd;
        SetWindowPos(hwnd, nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        sGeometryChanging = wasChanging;
        sGeometryHwnd = wasHwnd;
        LeavePlacement();
    }
}

bool GeometryChangeInProgress(HWND hwnd) { return sGeometryChanging && (!hwnd || hwnd == sGeometryHwnd); }

void SetFrameTrackingSlot(int slot, WindowPtr window)
{
    WindowPtr *slots[] = {&sCloseBoxWindow, &sZoomBoxWindow, &sDragWindow, &sFrontBeforeDrag};
    if (slot >= 0 && slot < 4)
        *slots[slot] = window;
}

WindowPtr FrameTrackingSlot(int slot)
{
    WindowPtr slots[] = {sCloseBoxWindow, sZoomBoxWindow, sDragWindow, sFrontBeforeDrag};
    return slot >= 0 && slot < 4 ? slots[slot] : nullptr;
}

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
        // Moved up and left into the main window's client area, then into the Windows screen (both in
        // global coordinates); never resized.
        RECT client;
        GetClientRect(SessionMainWindow(), &client);
        MapWindowPoints(SessionMainWindow(), GlobalSpaceWindow(), reinterpret_cast<POINT *>(&client), 2);
        const POINT screenEnd = ScreenToGlobal(POINT{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
        const int limits[2][2] = {{client.right, client.bottom}, {screenEnd.x, screenEnd.y}};
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

// ---- finding, dragging, growing ----

ZEL_EXTERN_C int16_t ZEL_CALL FindWindo(Point pt, WindowPtr *window)
{
    WindowPtr found = nullptr;
    int16_t part = inDesk;
    if (pt.h == -1) {
        switch (pt.v) {
        case -inMenuBar: part = inMenuBar; break;
        case -inGoAway: found = sCloseBoxWindow; part = inGoAway; break;
        case -inZoomOut: found = sZoomBoxWindow; part = inZoomOut; break;
        case -inZoomIn: found = sZoomBoxWindow; part = inZoomIn; break;
        case -inDrag: found = sDragWindow; part = inDrag; break;
        case -inGrow:
            for (WindowPeek p = Peek(WindowListHead()); p && !found; p = p->nextWindow)
                if (WindowAuxRecord *aux = AuxOf(AsWindow(p)); aux && (aux->stateFlags & wsfUserResized))
                    found = AsWindow(p);
            part = inGrow;
            break;
        default: break;
        }
        if (part != inMenuBar && !found)
            part = inDesk;
    } else if (WindowPtr hit; VisibleWindowAt(POINT{pt.h, pt.v}, &hit)) {
        // The structures the last resync read answer in global coordinates.
        HWND hwnd = hit ? PlacementHwnd(hit) : nullptr;
        if (hwnd && hwnd != SessionMainWindow() && hwnd != HostClientWindow()) {
            found = hit;
            part = inContent;
        }
    } else {
        const POINT onScreen = GlobalToScreen(POINT{pt.h, pt.v});
        for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow) {
            if (!p->visible)
                continue;
            HWND hwnd = PlacementHwnd(AsWindow(p));
            RECT r;
            if (!hwnd || !GetWindowRect(hwnd, &r) || !PtInRect(&r, onScreen))
                continue;
            if (hwnd != SessionMainWindow() && hwnd != HostClientWindow()) {
                found = AsWindow(p);
                part = inContent;
            }
            break;
        }
    }
    if (window)
        *window = found;
    return part;
}

ZEL_EXTERN_C void ZEL_CALL DragWindow(WindowPtr window, Point, const Rect *)
{
    if (window && Peek(window)->visible && window == sDragWindow && window != sFrontBeforeDrag) {
        BringToFront(window);
        SwapActiveWindow(sFrontBeforeDrag, window, true);
    }
    sDragWindow = nullptr;
    sFrontBeforeDrag = nullptr;
}

ZEL_EXTERN_C int32_t ZEL_CALL PinRect(const Rect *rect, Point pt)
{
    int h = pt.h, v = pt.v;
    if (rect) {
        h = h < rect->left ? rect->left : h > rect->right ? rect->right : h;
        v = v < rect->top ? rect->top : v > rect->bottom ? rect->bottom : v;
    }
    return static_cast<int32_t>(PackPoint(v, h));
}

namespace {

bool InRect(const Rect *r, Point p) { return !r || (p.h >= r->left && p.h < r->right && p.v >= r->top && p.v < r->bottom); }

Point PinnedFollow(Point mouse, Point start, const Rect *limit, int16_t axis)
{
    if (axis == 1)
        mouse.v = start.v;
    else if (axis == 2)
        mouse.h = start.h;
    int32_t pinned = PinRect(limit, mouse);
    return Point{static_cast<int16_t>(pinned >> 16), static_cast<int16_t>(pinned & 0xFFFF)};
}

} // namespace

// Tracks a gray outline of the region with the mouse; the distance moved, or 0x80008000 when the button
// went up outside slopRect. A frame drag that Windows did already (the encoded point) is only finished.
ZEL_EXTERN_C int32_t ZEL_CALL DragGrayRgn(RgnHandle rgn, Point startPt, const Rect *limitRect, const Rect *slopRect,
                                          int16_t axis, ProcPtr actionProc)
{
    if (startPt.h == -1 && startPt.v == -inDrag) {
        DragWindow(sDragWindow, startPt, limitRect);
        return static_cast<int32_t>(0x80008000);
    }
    if (!HandleLive(rgn))
        return static_cast<int32_t>(0x80008000);
    PenState saved;
    GetPenState(&saved);
    const Pattern gray = {{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}};
    auto xorPen = [&] {
        PenSize(1, 1);
        PenMode(patXor);
        PenPat(&gray);
    };
    xorPen();
    FrameRg(rgn);
    bool shown = true;
    // A nil action procedure, common in callers, is never called.
    ProcPtr action = actionProc ? reinterpret_cast<ProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(actionProc)))
                                : nullptr;
    CaptureMouseForLibrary(true);
    Point at = startPt, drawn = startPt;
    bool inside = true;
    // One pass per mouse reading; after the button went up, one more reading gives where it went up.
    for (bool last = false; !last;) {
        last = !StillDown();
        if (action)
            action();
        xorPen();
        Point mouse;
        GetMouse(&mouse);
        inside = InRect(slopRect, mouse);
        if (!inside && shown) {
            FrameRg(rgn);
            shown = false;
        }
        if (!inside)
            continue;
        at = PinnedFollow(mouse, startPt, limitRect, axis);
        const bool moved = at.h != drawn.h || at.v != drawn.v;
        if (moved && shown)
            FrameRg(rgn);
        if (moved)
            OffsetRg(rgn, static_cast<int16_t>(at.h - drawn.h), static_cast<int16_t>(at.v - drawn.v));
        drawn = at;
        if (moved || !shown) {
            FrameRg(rgn);
            shown = true;
        }
    }
    if (shown)
        FrameRg(rgn);
    CaptureMouseForLibrary(false);
    if (action)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(action));
    PenMode(saved.pnMode);
    PenPat(&saved.pnPat);
    if (!inside)
        return static_cast<int32_t>(0x80008000);
    return static_cast<int32_t>(PackPoint(drawn.v - startPt.v, drawn.h - startPt.h));
}

ZEL_EXTERN_C Boolean ZEL_CALL TrackGoAway(WindowPtr window, Point)
{
    if (!window || window != sCloseBoxWindow)
        return false;
    sCloseBoxWindow = nullptr;
    return true;
}

ZEL_EXTERN_C Boolean ZEL_CALL TrackBox(WindowPtr window, Point, int16_t part)
{
    if ((part != inZoomIn && part != inZoomOut) || !window || window != sZoomBoxWindow)
        return false;
    sZoomBoxWindow = nullptr;
    return true;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_WindDiffSize(WindowPtr window, Boolean *isIconic)
{
    if (isIconic)
        *isIconic = false;
    HWND hwnd = WindowHwnd(window);
    if (!hwnd)
        return 0;
    if (IsIconic(PlacementHwnd(window))) {
        if (isIconic)
            *isIconic = true;
        return 0;
    }
    RECT client;
    GetClientRect(hwnd, &client);
    const Rect &pr = window->portRect;
    if (client.right == pr.right - pr.left && client.bottom == pr.bottom - pr.top)
        return 0;
    return static_cast<int32_t>(PackPoint(client.bottom, client.right));
}

ZEL_EXTERN_C int32_t ZEL_CALL GrowWindow(WindowPtr window, Point, const Rect *)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux || !(aux->stateFlags & wsfUserResized))
        return 0;
    aux->stateFlags &= ~wsfUserResized;
    Boolean iconic;
    return ZEL_WindDiffSize(window, &iconic);
}

// ---- sizing, moving and zooming ----

ZEL_EXTERN_C void ZEL_CALL SizeWindow(WindowPtr window, int16_t width, int16_t height, Boolean fUpdate)
{
    if (!AuxOf(window))
        return;
    SetWindowGeometry(window, false, true, false, 0, 0, width, height, Peek(window)->spareFlag, fUpdate);
    PlaceSizeBox(window);
}

ZEL_EXTERN_C void ZEL_CALL MoveWindo(WindowPtr window, int16_t h, int16_t v, Boolean front)
{
    if (!AuxOf(window))
        return;
    SetWindowGeometry(window, true, false, false, h, v, 0, 0, Peek(window)->spareFlag, true);
    if (front)
        SelectWindow(window);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_MoveWindow(WindowPtr window, int16_t h, int16_t v, Boolean front)
{
    HWND hwnd = WindowHwnd(window);
    if (!hwnd)
        return;
    POINT client, outer;
    FramePlacement(hwnd, &client, &outer);
    MoveWindo(window, Clamp16(h + client.x - outer.x), Clamp16(v + client.y - outer.y), front);
}

ZEL_EXTERN_C void ZEL_CALL ZoomWindow(WindowPtr window, int16_t partCode, Boolean front)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux || (partCode != inZoomIn && partCode != inZoomOut))
        return;
    Rect target;
    int state;
    if (partCode == inZoomIn) {
        target = aux->bounds;
        state = 0;
    } else {
        if (!LibrarySetting(settingKeepZoomBounds)) {
            HWND hwnd = aux->hwnd;
            SIZE parent = ParentClientSize(hwnd);
            SIZE frame = FrameSizeOf(window, hwnd, 0, 0);
            const POINT parentOrigin = ParentOriginInGlobal(hwnd);
            int top = parentOrigin.y - GetSystemMetrics(SM_CYFRAME), left = parentOrigin.x - GetSystemMetrics(SM_CXFRAME);
            int height = parent.cy + 2 - (frame.cy > 0 ? frame.cy : 0);
            int width = parent.cx + 2 - (frame.cx > 0 ? frame.cx : 0);
            aux->zoomBounds = Rect{Clamp16(top), Clamp16(left), Clamp16(top + height), Clamp16(left + width)};
        }
        target = aux->zoomBounds;
        state = 1;
    }
    SetWindowGeometry(window, true, true, true, target.left, target.top, target.right - target.left,
                      target.bottom - target.top, state, true);
    PlaceSizeBox(window);
    if (front)
        SelectWindow(window);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_WindowLocation(int16_t mode, WindowPtr window, Rect *rect)
{
    if (!rect)
        return;
    GrafPtr saved = CurrentPort();
    GrafPtr wmgr = nullptr;
    GetWMgrPort(&wmgr);
    SetPor(wmgr);
    Point origin{0, 0};
    LocalToGlobal(&origin);
    if (mode == 0) {
        rect->top = static_cast<int16_t>(rect->top + origin.v);
        rect->left = static_cast<int16_t>(rect->left + origin.h);
    } else if (HWND hwnd = WindowHwnd(window)) {
        SetPor(window);
        Point tl{window->portRect.top, window->portRect.left}, br{window->portRect.bottom, window->portRect.right};
        LocalToGlobal(&tl);
        LocalToGlobal(&br);
        RECT r{tl.h - origin.h, tl.v - origin.v, br.h - origin.h, br.v - origin.v};
        AdjustWindowRectEx(&r, GetWindowLongA(hwnd, GWL_STYLE), FALSE, GetWindowLongA(hwnd, GWL_EXSTYLE));
        *rect = Rect{Clamp16(r.top), Clamp16(r.left), Clamp16(r.bottom), Clamp16(r.right)};
    }
    SetPor(saved);
}

namespace {

LRESULT MinMaxInfo(HWND hwnd, MINMAXINFO *info, int minWidth, int minHeight, int maxWidth, int maxHeight)
{
    WindowPtr window = nullptr;
    if (!info || !HwndToWindowPtr(hwnd, &window, nullptr) || !AuxOf(window))
        return 0;
    if (maxWidth >= 32737)
        maxWidth = 16384;
    if (maxHeight >= 32737)
        maxHeight = 16384;
    SIZE frame = FrameSizeOf(window, hwnd, minWidth, minHeight);
    const int outerW = minWidth + frame.cx, outerH = minHeight + frame.cy;
    info->ptMinTrackSize = POINT{outerW, outerH};
    if (maxWidth > 0)
        info->ptMaxTrackSize.x = outerW - minWidth + maxWidth;
    if (maxHeight > 0)
        info->ptMaxTrackSize.y = outerH - minHeight + maxHeight;
    return 1;
}

} // namespace

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_GetMinMaxInfo(HWND hwnd, MINMAXINFO *info)
{
    return MinMaxInfo(hwnd, info, static_cast<int16_t>(GetWindowWord(hwnd, zelWindowMinWidthWord)),
                      static_cast<int16_t>(GetWindowWord(hwnd, zelWindowMinHeightWord)), 0, 0);
}

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_GetMinMaxInfo2(HWND hwnd, MINMAXINFO *info, int16_t minWidth, int16_t minHeight)
{
    return MinMaxInfo(hwnd, info, minWidth, minHeight, 0, 0);
}

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_GetMinMaxInfo4(HWND hwnd, MINMAXINFO *info, int16_t minWidth, int16_t minHeight,
                                                 int16_t maxWidth, int16_t maxHeight)
{
    return MinMaxInfo(hwnd, info, minWidth, minHeight, static_cast<uint16_t>(maxWidth), static_cast<uint16_t>(maxHeight));
}

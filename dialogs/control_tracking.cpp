// Control Manager: values and limits kept in step with the Windows controls, highlighting, hit testing,
// tracking, dragging and drawing, and the grow box. Push buttons, check boxes, radio buttons and combo
// boxes are tracked by Windows itself (their windows post a click once pressed); scroll bars by Windows's
// own scroll-bar loop, restarted from TrackControl, whose scroll messages the Window Manager's glue turns
// into action calls; custom controls by the library with their definition procedure.
#include "dialogs_services.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../windows/windows_services.h"

namespace {

ControlTrackingState sTracking;
int16_t sDrawingDepth;
// Raised while DrawGrowIcon updates the size box.
int sGrowIconDrawing;

constexpr int16_t kInButton = 10, kInCheckBox = 11, kInThumb = 129;
constexpr int32_t kNoPoint = static_cast<int32_t>(0x80008000);

ControlPtr Rec(ControlHandle c) { return *c; }
bool Live(ControlHandle c) { return c && *c; }
bool IsCustom(ControlHandle c) { return ControlTailOf(c)->custom != 0; }
int32_t Kind(ControlHandle c) { return IsCustom(c) ? -1 : Rec(c)->contrlDefProc; }
bool IsScrollBar(ControlHandle c) { return Kind(c) == 16; }
bool IsCombo(ControlHandle c) { return Kind(c) == 3; }

int32_t CallDef(ControlHandle c, int16_t message, int32_t param)
{
    auto def = reinterpret_cast<ControlDefProcPtr>(Rec(c)->contrlDefProc);
    return def ? def(ControlTailOf(c)->variant, c, message, param) : 0;
}

// Whether the child is a radio button or check box (BS_CHECKBOX, BS_3STATE, BS_RADIOBUTTON and the
// automatic forms), by its style.
bool IsCheckKind(ControlHandle c)
{
    const int32_t kind = Kind(c);
    return kind == 1 || kind == 2;
}

void ShowScrollRange(ControlHandle c)
{
    HWND hwnd = ControlWindow(c);
    if (!hwnd)
        return;
    ControlPtr r = Rec(c);
    if (r->contrlMin < r->contrlMax) {
        if (!IsWindowEnabled(hwnd))
            EnableWindow(hwnd, TRUE);
        SetScrollRange(hwnd, SB_CTL, r->contrlMin, r->contrlMax, TRUE);
        SetScrollPos(hwnd, SB_CTL, r->contrlValue, TRUE);
    } else {
        SetScrollRange(hwnd, SB_CTL, 0, 0, FALSE);
        if (IsWindowEnabled(hwnd))
            EnableWindow(hwnd, FALSE);
    }
}

// Stores a limit (which 0 minimum, 1 maximum) and shows it.
void SetControlLimit(ControlHandle c, int which, int16_t v)
{
    if (!Live(c))
        return;
    int16_t &field = which ? Rec(c)->contrlMax : Rec(c)->contrlMin;
    if (field == v)
        return;
    field = v;
    if (IsScrollBar(c)) {
        ControlPtr r = Rec(c);
        if (r->contrlValue < r->contrlMin)
            r->contrlValue = r->contrlMin;
        if (r->contrlValue > r->contrlMax)
            r->contrlValue = r->contrlMax;
        ShowScrollRange(c);
    } else if (IsCustom(c)) {
        CallDef(c, drawCntl, 0);
    }
}

// The part of a custom control under the cursor: the cursor in the control window's client coordinates
// plus the top-left of contrlRect, hit-tested by the definition procedure.
int16_t TestControlAtCursor(ControlHandle c)
{
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(ControlWindow(c), &p);
    const Point pt{static_cast<int16_t>(p.y + Rec(c)->contrlRect.top), static_cast<int16_t>(p.x + Rec(c)->contrlRect.left)};
    return TestControl(c, pt);
}

void CallAction(ControlHandle c, ProcPtr action, int16_t mode, int16_t part)
{
    if (!action)
        return;
    if (mode == 1)
        reinterpret_cast<ControlDefProcPtr>(action)(ControlTailOf(c)->variant, c, autoTrack, part);
    else if (mode == 2)
        reinterpret_cast<ControlActionProcPtr>(action)(c, part);
}

// `action` is the procedure as the caller gave it (its wrapped instance may be released by the time the
// guaranteed call is made).
int16_t TrackScrollBar(ControlHandle c, int16_t part, ProcPtr action)
{
    ControlTrackingState &t = sTracking;
    const int16_t mode = t.actionMode;
    if (mode == 1)
        action = t.action;
    const int16_t code = t.scrollCode;
    const bool arrowOrPage = code == SB_LINEUP || code == SB_LINEDOWN || code == SB_PAGEUP || code == SB_PAGEDOWN ||
                             code == SB_TOP || code == SB_BOTTOM;
    t.tracking = 1; // the loop's own scroll messages call the action, they start no new tracking
    if (StillDown() && arrowOrPage) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(t.scrollBar, &p);
        SendMessageA(t.scrollBar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    while (t.tracking && StillDown()) {
        if (t.trackedPart == kInThumb)
            SetControlValue(c, t.thumbPosition);
    }
    // Windows's loop for a thumb runs to the release before the press reaches the application, so the
    // loop above may never run: the value is where the thumb was let go, as TrackControl leaves it on a
    // Macintosh.
    if (t.trackedPart == kInThumb)
        SetControlValue(c, t.thumbPosition);
    t.tracking = 0;
    // The action is called at least once, also when Windows's loop ended without a further message.
    if (action && t.callCounter < 1)
        CallAction(c, action, mode, part);
    const int16_t tracked = t.trackedPart ? t.trackedPart : part;
    t.trackedControl = nullptr;
    t.scrollBar = nullptr;
    FreeActionThunk();
    return tracked;
}

int16_t TrackCustomPart(ControlHandle c, int16_t part)
{
    HiliteControl(c, part);
    HWND hwnd = ControlWindow(c);
    SetCapture(hwnd);
    int16_t current = part;
    while (StillDown()) {
        current = TestControlAtCursor(c);
        if (current) {
            HiliteControl(c, current == part ? part : 0);
            CallAction(c, sTracking.action, sTracking.actionMode, current == part ? part : 0);
        } else {
            HiliteControl(c, 0);
        }
    }
    current = TestControlAtCursor(c);
    FreeActionThunk();
    if (GetCapture() == hwnd)
        ReleaseCapture();
    HiliteControl(c, 0);
    return current == part ? part : 0;
}

// The thumb-drag parameters a definition procedure fills for message 6: the start point, then the limit
// and slop rectangles and the axis.
#pragma pack(push, 2)
struct IndicatorDragInfo {
    Point start;
    Rect limitRect;
    Rect slopRect;
    int16_t axis;
};
#pragma pack(pop)

int16_t TrackIndicator(ControlHandle c, int16_t part, Point start)
{
    if (!CallDef(c, dragCntl, part)) {
        if (RgnHandle rgn = NewRgn()) {
            CallDef(c, calcThumbRgn, reinterpret_cast<int32_t>(rgn));
            IndicatorDragInfo info{};
            info.start = start;
            CallDef(c, thumbCntl, reinterpret_cast<int32_t>(&info));
            ProcPtr action = sTracking.actionMode == 2 ? sTracking.action : nullptr;
            const int32_t offset = DragGrayRgn(rgn, start, &info.limitRect, &info.slopRect, info.axis, action);
            if (offset != 0 && offset != kNoPoint)
                CallDef(c, posCntl, offset);
            DisposeRgn(rgn);
        }
    }
    FreeActionThunk();
    return part;
}

} // namespace

ControlTrackingState &TrackingState() { return sTracking; }
bool GrowIconDrawing() { return sGrowIconDrawing > 0; }
int16_t ControlDrawingDepth() { return sDrawingDepth; }

int16_t ScrollCodePart(int16_t code)
{
    switch (code) {
    case SB_LINEUP:
        return 20;
    case SB_LINEDOWN:
        return 21;
    case SB_PAGEUP:
    case SB_TOP:
        return 22;
    case SB_PAGEDOWN:
    case SB_BOTTOM:
        return 23;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        return kInThumb;
    default:
        return 0;
    }
}

void FreeActionThunk()
{
    if (sTracking.actionMode == 2 && sTracking.action)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(sTracking.action));
    sTracking.action = nullptr;
}

// -1 stands for the control's own action; that -1 again means the definition procedure tracks, which
// only a custom control has.
void SetTrackingActionProc(ControlHandle control, ProcPtr proc)
{
    FreeActionThunk();
    sTracking.callCounter = 0;
    sTracking.actionMode = 0;
    if (proc == kUseControlAction && Live(control))
        proc = Rec(control)->contrlAction;
    if (!proc)
        return;
    if (proc == kUseControlAction) {
        if (Live(control) && IsCustom(control)) {
            sTracking.action = reinterpret_cast<ProcPtr>(Rec(control)->contrlDefProc);
            sTracking.actionMode = 1;
        }
        return;
    }
    sTracking.action = reinterpret_cast<ProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(proc)));
    sTracking.actionMode = sTracking.action ? 2 : 0;
}

void CallTrackingAction(ControlHandle control, int16_t part)
{
    CallAction(control, sTracking.action, sTracking.actionMode, part);
}

// ---- Values and limits ----

ZEL_EXTERN_C int16_t ZEL_CALL GetControlValue(ControlHandle theControl)
{
    if (!Live(theControl))
        return 0;
    if (IsCombo(theControl)) {
        if (HWND hwnd = ControlWindow(theControl))
            return static_cast<int16_t>(SendMessageA(hwnd, CB_GETCURSEL, 0, 0) + 1);
    }
    return Rec(theControl)->contrlValue;
}

ZEL_EXTERN_C void ZEL_CALL SetControlValue(ControlHandle theControl, int16_t value)
{
    if (!Live(theControl))
        return;
    ControlPtr r = Rec(theControl);
    if (value < r->contrlMin)
        value = r->contrlMin;
    if (value > r->contrlMax)
        value = r->contrlMax;
    r->contrlValue = value;
    HWND hwnd = ControlWindow(theControl);
    if (IsCustom(theControl)) {
        CallDef(theControl, drawCntl, kInThumb);
        return;
    }
    if (!hwnd)
        return;
    switch (Kind(theControl)) {
    case 0:
        SendMessageA(hwnd, BM_SETSTATE, value != 0, 0);
        break;
    case 1:
        SendMessageA(hwnd, BM_SETCHECK, value, 0);
        break;
    case 2:
        SendMessageA(hwnd, BM_SETCHECK, value, 0);
        if (value == 0 && GetFocus() == hwnd)
            SetFocus(GetParent(hwnd));
        break;
    case 3:
        SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(value - 1), 0);
        break;
    case 16:
        SetScrollPos(hwnd, SB_CTL, value, TRUE);
        break;
    default:
        break;
    }
}

ZEL_EXTERN_C int16_t ZEL_CALL GetControlMinimum(ControlHandle theControl)
{
    return Live(theControl) ? Rec(theControl)->contrlMin : 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL GetControlMaximum(ControlHandle theControl)
{
    return Live(theControl) ? Rec(theControl)->contrlMax : 0;
}

ZEL_EXTERN_C void ZEL_CALL SetControlMinimum(ControlHandle theControl, int16_t minimum)
{
    SetControlLimit(theControl, 0, minimum);
}

ZEL_EXTERN_C void ZEL_CALL SetControlMaximum(ControlHandle theControl, int16_t maximum)
{
    SetControlLimit(theControl, 1, maximum);
}

// ---- Highlighting ----

ZEL_EXTERN_C void ZEL_CALL HiliteControl(ControlHandle theControl, int16_t hiliteState)
{
    if (!Live(theControl) || !Rec(theControl)->contrlOwner)
        return;
    const uint8_t state = static_cast<uint8_t>(hiliteState);
    const bool scrollBar = IsScrollBar(theControl);
    const bool changed = Rec(theControl)->contrlHilite != state || scrollBar;
    Rec(theControl)->contrlHilite = state;
    if (IsCustom(theControl)) {
        if (changed)
            CallDef(theControl, drawCntl, 0);
        return;
    }
    HWND hwnd = ControlWindow(theControl);
    if (!hwnd)
        return;
    if (state == inactiveHilite && GetFocus() == hwnd)
        MoveFocusFromInactiveControl(theControl);
    if (scrollBar && state == 0 && Rec(theControl)->contrlMin >= Rec(theControl)->contrlMax)
        return;
    EnableWindow(hwnd, state != inactiveHilite);
    if (changed) {
        SendMessageA(hwnd, BM_SETSTATE, state == inactiveHilite ? 0 : state, 0);
        if (scrollBar) {
            InvalidateRect(hwnd, nullptr, TRUE);
            UpdateWindow(hwnd);
        }
    }
}

// ---- Hit testing ----

ZEL_EXTERN_C int16_t ZEL_CALL TestControl(ControlHandle theControl, Point thePt)
{
    if (!Live(theControl))
        return 0;
    ControlPtr r = Rec(theControl);
    if (!r->contrlVis || r->contrlHilite == inactiveHilite)
        return 0;
    HWND hwnd = ControlWindow(theControl);
    if (hwnd && hwnd == sTracking.scrollBar)
        return ScrollCodePart(sTracking.scrollCode);
    if (IsCustom(theControl))
        return static_cast<int16_t>(CallDef(theControl, testCntl, (uint16_t(thePt.v) << 16) | uint16_t(thePt.h)));
    if (IsScrollBar(theControl))
        return 0;
    const Rect &b = r->contrlRect;
    if (thePt.v < b.top || thePt.v >= b.bottom || thePt.h < b.left || thePt.h >= b.right)
        return 0;
    return IsCheckKind(theControl) ? kInCheckBox : kInButton;
}

ZEL_EXTERN_C int16_t ZEL_CALL FindControl(Point thePoint, WindowPtr theWindow, ControlHandle *theControl)
{
    if (theControl)
        *theControl = nullptr;
    if (!theWindow)
        return 0;
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(theWindow)->controlList; c && guard < 65536;
         c = Rec(c)->nextControl, ++guard) {
        if (const int16_t part = TestControl(c, thePoint)) {
            if (theControl)
                *theControl = c;
            if (theWindow == sTracking.scrollWindow) {
                sTracking.trackedControl = c;
                sTracking.trackedPart = part;
            }
            return part;
        }
    }
    return 0;
}

// ---- Tracking and dragging ----

ZEL_EXTERN_C int16_t ZEL_CALL TrackControl(ControlHandle theControl, Point startPoint, ProcPtr actionProc)
{
    if (!Live(theControl))
        return 0;
    if (Rec(theControl)->contrlHilite == inactiveHilite) {
        while (StillDown()) {
        }
        return 0;
    }
    SetTrackingActionProc(theControl, actionProc);
    int16_t part = TestControl(theControl, startPoint);
    HWND hwnd = ControlWindow(theControl);
    const bool trackedScrollBar = hwnd && hwnd == sTracking.scrollBar;
    if (part && trackedScrollBar) {
        sTracking.trackedControl = theControl;
        sTracking.trackedPart = part;
    }
    if (trackedScrollBar) {
        ProcPtr given = actionProc == kUseControlAction ? Rec(theControl)->contrlAction : actionProc;
        return TrackScrollBar(theControl, part, given == kUseControlAction ? nullptr : given);
    }
    if (!IsCustom(theControl)) {
        FreeActionThunk();
        return part;
    }
    if (Rec(theControl)->contrlDefProc == reinterpret_cast<int32_t>(ZEL_PopupCDEF) && part == 2) {
        GrafPtr saved = nullptr;
        GetPort(&saved);
        SetPor(Rec(theControl)->contrlOwner);
        CallDef(theControl, autoTrack, part);
        SetPor(saved);
        FreeActionThunk();
        return part;
    }
    if (!part) {
        FreeActionThunk();
        return 0;
    }
    return part < kInThumb ? TrackCustomPart(theControl, part) : TrackIndicator(theControl, part, startPoint);
}

ZEL_EXTERN_C void ZEL_CALL DragControl(ControlHandle theControl, Point startPoint, const Rect *limitRect,
                                       const Rect *slopRect, int16_t axis)
{
    if (!Live(theControl) || !limitRect)
        return;
    if (IsCustom(theControl) && CallDef(theControl, dragCntl, 0))
        return;
    RgnHandle rgn = NewRgn();
    if (!rgn)
        return;
    RectRgn(rgn, &Rec(theControl)->contrlRect);
    const int32_t offset = DragGrayRgn(rgn, startPoint, limitRect, slopRect, axis, nullptr);
    DisposeRgn(rgn);
    if (offset == kNoPoint)
        return;
    int dv = static_cast<int16_t>(offset >> 16), dh = static_cast<int16_t>(offset & 0xFFFF);
    const Rect r = Rec(theControl)->contrlRect;
    if (r.top + dv < limitRect->top)
        dv = limitRect->top - r.top;
    if (r.bottom + dv > limitRect->bottom)
        dv = limitRect->bottom - r.bottom;
    if (r.left + dh < limitRect->left)
        dh = limitRect->left - r.left;
    if (r.right + dh > limitRect->right)
        dh = limitRect->right - r.right;
    if (dv || dh)
        MoveControl(theControl, static_cast<int16_t>(r.left + dh), static_cast<int16_t>(r.top + dv));
}

// ---- Drawing ----

ZEL_EXTERN_C void ZEL_CALL Draw1Control(ControlHandle theControl)
{
    if (!Live(theControl) || !Rec(theControl)->contrlVis)
        return;
    HWND hwnd = ControlWindow(theControl);
    if (!hwnd)
        return;
    if (!IsWindowVisible(hwnd))
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ++sDrawingDepth;
    WindowPtr owner = Rec(theControl)->contrlOwner;
    Rect r = Rec(theControl)->contrlRect;
    RgnHandle vis = owner->visRgn;
    if (vis && *vis)
        SectRect(&r, &(*vis)->rgnBBox, &r);
    if (!EmptyRect(&r)) {
        OffsetRec(&r, static_cast<int16_t>(-owner->portRect.left), static_cast<int16_t>(-owner->portRect.top));
        RECT w{r.left, r.top, r.right, r.bottom};
        MapWindowPoints(ZEL_GethWnd(owner), hwnd, reinterpret_cast<POINT *>(&w), 2);
        InvalidateRect(hwnd, IsScrollBar(theControl) ? nullptr : &w, TRUE);
        const int savedDepth = SyncPaintDepth();
        SetSyncPaintDepth(0);
        UpdateWindow(hwnd);
        SetSyncPaintDepth(savedDepth);
    }
    --sDrawingDepth;
}

ZEL_EXTERN_C void ZEL_CALL UpdateControls(WindowPtr theWindow, RgnHandle)
{
    if (!theWindow)
        return;
    HWND hwnd = ZEL_GethWnd(theWindow);
    if (!hwnd || !IsWindowVisible(hwnd))
        return;
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(theWindow)->controlList; c && guard < 65536;
         c = Rec(c)->nextControl, ++guard)
        Draw1Control(c);
}

ZEL_EXTERN_C void ZEL_CALL DrawControls(WindowPtr theWindow)
{
    if (theWindow)
        UpdateControls(theWindow, theWindow->visRgn);
}

// The grow box: under the three-dimensional look the size-box child shows it on a button-face square;
// without it the square is painted in the scroll-bar colour and outlined in black towards the scroll bars.
ZEL_EXTERN_C void ZEL_CALL DrawGrowIcon(WindowPtr theWindow)
{
    if (!theWindow || !reinterpret_cast<WindowPeek>(theWindow)->visible)
        return;
    auto *aux = reinterpret_cast<WindowAuxRecord *>(*reinterpret_cast<WindowPeek>(theWindow)->dataHandle);
    if (!aux || !(aux->createFlags & wcfResizable))
        return;
    HWND hwnd = aux->hwnd;
    HWND frame = (GetWindowLongA(hwnd, zelWindowCreationLong) & 1) ? GetParent(hwnd) : hwnd;
    if (IsIconic(frame))
        return;
    int16_t w, h;
    GrowBoxSize(&w, &h);
    RECT client;
    GetClientRect(hwnd, &client);
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(theWindow);
    if (!SessionThreeD()) {
        PenState pen;
        GetPenState(&pen);
        PenNormal();
        HDC dc = CurrentDC();
        RECT square{client.right - w + 2, client.bottom - h + 2, client.right, client.bottom};
        FillRect(dc, &square, GetSysColorBrush(COLOR_SCROLLBAR));
        ValidateWindowRect(hwnd, square);
        const int16_t lineV = static_cast<int16_t>(client.bottom - h + 1), lineH = static_cast<int16_t>(client.right - w + 1);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        POINT old;
        MoveToEx(dc, (aux->createFlags & wcfHorizScrollBar) ? client.left : lineH, lineV, &old);
        LineTo(dc, client.right, lineV);
        MoveToEx(dc, lineH, (aux->createFlags & wcfVertScrollBar) ? client.top : lineV, nullptr);
        LineTo(dc, lineH, client.bottom);
        MoveToEx(dc, old.x, old.y, nullptr);
        SelectObject(dc, oldPen);
        SetPenState(&pen);
    } else if (HWND box = SizeBoxChild(theWindow)) {
        HDC dc = CurrentDC();
        RECT square{client.right - w, client.bottom - h, client.right, client.bottom};
        FillRect(dc, &square, GetSysColorBrush(COLOR_BTNFACE));
        RECT boxRect;
        GetWindowRect(box, &boxRect);
        const int bw = boxRect.right - boxRect.left, bh = boxRect.bottom - boxRect.top;
        const int sw = GetSystemMetrics(SM_CXVSCROLL), sh = GetSystemMetrics(SM_CYHSCROLL);
        if (bw != sw || bh != sh) {
            RECT strip{client.right - (bw > sw ? bw : sw), client.bottom - (bh > sh ? bh : sh), client.right, client.bottom};
            FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
        }
        ValidateWindowRect(hwnd, square);
        InvalidateRect(box, nullptr, TRUE);
        if (!IsZoomed(frame)) {
            // The size box paints only now; nothing else it paints is suppressed meanwhile.
            const int depth = SyncPaintDepth();
            SetSyncPaintDepth(0);
            ++sGrowIconDrawing;
            UpdateWindow(box);
            --sGrowIconDrawing;
            SetSyncPaintDepth(depth);
        }
    }
    SetPor(saved);
}

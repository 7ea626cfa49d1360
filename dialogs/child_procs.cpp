// Dialog Manager: the window procedures of the child windows that stand for dialog items, controls and
// lists. One wrapper keeps the parent's Macintosh update region in step with what each child paints, so
// that the application's update drawing does not paint over it; clicks on the children of an inactive
// window go to the window itself, as a click on an inactive Macintosh window only brings it forward;
// clicks and keys on owner-drawn items become Macintosh events of the parent.
#include "dialog_manager.h"
#include "Controls.h"
#include "LowMem.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../windows/windows_services.h"

#include <windowsx.h>

namespace {

// The size box of resizable windows keeps its procedure here; the others are the Control Manager's.
WNDPROC sSavedSizeBoxProc;

// The host's procedure called when a library button gains the focus.
ZEL_ButtonFocusHookProcPtr sButtonFocusHook;

// The region of a child's paint, kept for the paints that do not nest.
RgnHandle sSharedPaintRgn;
int sPaintNesting;

// The child a click on an inactive window is landing on (noted at WM_MOUSEACTIVATE), and the child
// whose press went to its window (its release follows it there).
HWND sInactiveClickChild, sForwardedPressChild;

// Refilling a combo box from its menu selects an entry itself: that selection goes straight through.
bool sRefillingCombo;

WNDPROC SavedOr(WNDPROC saved, HWND hwnd)
{
    return saved ? saved : reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC));
}

// The library window whose Windows window is the child's parent; none for a host window. Found in the
// window list, which every library window is on from its creation to its closing.
WindowPtr LibraryParent(HWND child, HWND *parentOut = nullptr)
{
    HWND parent = GetParent(child);
    if (parentOut)
        *parentOut = parent;
    if (!parent)
        return nullptr;
    int guard = 0;
    for (WindowPeek p = reinterpret_cast<WindowPeek>(LMGetWindowList()); p && guard < 65536; p = p->nextWindow, ++guard)
        if (ZEL_GethWnd(reinterpret_cast<WindowPtr>(p)) == parent)
            return reinterpret_cast<WindowPtr>(p);
    return nullptr;
}

bool WindowShownActive(WindowPtr w)
{
    const WindowPeek peek = reinterpret_cast<WindowPeek>(w);
    return peek->visible && peek->hilited;
}

POINT PointInParent(HWND child, HWND parent, LPARAM lParam)
{
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MapWindowPoints(child, parent, &p, 1);
    return p;
}

LPARAM PackPoint(POINT p) { return MAKELPARAM(static_cast<int16_t>(p.x), static_cast<int16_t>(p.y)); }

// The child's update region (or, for WM_NCPAINT, its frame) in screen coordinates; none when empty.
RgnHandle TakePaintRegion(HWND hwnd, UINT message)
{
    HRGN gdi = CreateRectRgn(0, 0, 0, 0);
    if (!gdi)
        return nullptr;
    bool any = false, simple = false;
    if (message == WM_NCPAINT) {
        RECT window, client;
        GetWindowRect(hwnd, &window);
        GetClientRect(hwnd, &client);
        MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT *>(&client), 2);
        HRGN inner = CreateRectRgnIndirect(&client);
        SetRectRgn(gdi, window.left, window.top, window.right, window.bottom);
        if (inner) {
            CombineRgn(gdi, gdi, inner, RGN_DIFF);
            DeleteObject(inner);
        }
        RECT box;
        any = GetRgnBox(gdi, &box) != NULLREGION;
    } else {
        const int kind = GetUpdateRgn(hwnd, gdi, FALSE);
        any = kind != NULLREGION && kind != ERROR;
        simple = kind == SIMPLEREGION;
        if (any) {
            POINT origin{0, 0};
            ClientToScreen(hwnd, &origin);
            OffsetRgn(gdi, origin.x, origin.y);
        }
    }
    RgnHandle rgn = nullptr;
    if (any) {
        if (sPaintNesting == 0) {
            if (!sSharedPaintRgn)
                sSharedPaintRgn = NewRgn();
            rgn = sSharedPaintRgn;
            if (rgn)
                SetEmptyRgn(rgn);
        } else {
            rgn = NewRgn();
        }
        RECT box;
        if (rgn && simple && GetRgnBox(gdi, &box) == SIMPLEREGION)
            SetRectRgnClamped(rgn, box.left, box.top, box.right, box.bottom); // the common case, one rectangle
        else if (rgn)
            UnionGdiRegion(rgn, gdi);
    }
    DeleteObject(gdi);
    return rgn;
}

// Whether the window has an update pending: otherwise what a child paints has nothing to be kept out
// of. Damage Windows has not reported to the window yet needs nothing here: Windows paints a window
// before its children when they paint from the queue, and a child painted at once (UpdateWindow,
// RedrawWindow with RDW_UPDATENOW) takes its painted region out of the damage of a parent without
// WS_CLIPCHILDREN itself. Asking for that damage would cost a round trip to Wine's server on every
// child's paint.
bool UpdatePendingOn(WindowPtr parent)
{
    const auto *aux = reinterpret_cast<WindowAuxRecord *>(*reinterpret_cast<WindowPeek>(parent)->dataHandle);
    return aux && (aux->createFlags & wcfUpdatePending);
}

// Removes from a dialog item's painted region the rectangles of the later items lying over it.
void RemoveLaterOverlaps(DialogPtr d, int16_t item, RgnHandle rgn)
{
    DitlItem self;
    if (item <= 0 || !ItemAt(DPeek(d)->items, item, &self))
        return;
    const Rect mine = *self.rect;
    RgnHandle later = NewRgn();
    if (!later)
        return;
    const int16_t count = ItemsPresent(DPeek(d)->items);
    for (int16_t n = static_cast<int16_t>(item + 1); n <= count; ++n) {
        DitlItem other;
        Rect common;
        if (!ItemAt(DPeek(d)->items, n, &other) || !SectRect(other.rect, &mine, &common))
            continue;
        RectRgn(later, other.rect);
        DiffRgn(rgn, later, rgn);
    }
    DisposeRgn(later);
}

// What the child painted leaves the parent's update region.
void ValidatePainted(WindowPtr parent, HWND parentHwnd, HWND child, RgnHandle rgn)
{
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(parent);
    ScreenRgnToPort(parentHwnd, PortRecordOf(parent), rgn);
    if (IsDialog(parent) && DialogAux(parent) && (DialogAux(parent)->stateFlags & wsfItemsOverlap))
        RemoveLaterOverlaps(parent, static_cast<int16_t>(GetDlgCtrlID(child)), rgn);
    ValidRgn(rgn);
    SetPor(saved);
}

bool IsUntitledChoice(HWND hwnd)
{
    const LONG kind = GetWindowLongA(hwnd, GWL_STYLE) & 0x0F;
    const bool choice = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE ||
                        kind == BS_AUTO3STATE || kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
    return choice && GetWindowTextLengthA(hwnd) == 0;
}

// An untitled check box or radio button shows its focus as a frame about its box, drawn (and taken away
// again, both by inversion) on the dialog's port.
void ToggleChoiceFocusFrame(HWND hwnd)
{
    const int id = GetDlgCtrlID(hwnd);
    WindowPtr parent = LibraryParent(hwnd);
    DitlItem item;
    if (id <= 0 || id >= 256 || !parent || !IsDialog(parent) || !ItemAt(DPeek(parent)->items, static_cast<int16_t>(id), &item))
        return;
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    const int side = (13 * dpi + 48) / 96 + 4;
    const Rect &pr = parent->portRect;
    RECT frame;
    frame.left = item.rect->left - 2 - pr.left;
    frame.top = item.rect->top - pr.top;
    frame.right = frame.left + side;
    frame.bottom = frame.top + side;
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(parent);
    if (HDC dc = CurrentDC())
        DrawFocusRect(dc, &frame);
    SetPor(saved);
}

WNDPROC ButtonSavedProc(HWND hwnd)
{
    switch (GetWindowLongA(hwnd, GWL_STYLE) & 0x0F) {
    case 2:
    case 3:
        return SavedControlProc(controlWindowCheckBox);
    case 5:
    case 6:
        return SavedControlProc(controlWindowThreeState);
    case 7:
        return SavedControlProc(controlWindowGroupBox);
    case 4:
    case 9:
        return SavedControlProc(controlWindowRadioButton);
    default:
        return SavedControlProc(controlWindowPushButton);
    }
}

// Buttons and icons: forwarding, keys handed to the dialog key hook while the session ends, the focus
// hook and the untitled choices' focus frame.
LRESULT ButtonLike(WNDPROC saved, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (ForwardInactiveClick(hwnd, message, wParam, lParam, &answer))
        return answer;
    if (SessionEndingKeySwitch() &&
        (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP))
        ZEL_DlgKeyHook(HC_ACTION, wParam, lParam);
    if (message == WM_SETFOCUS && sButtonFocusHook)
        sButtonFocusHook(hwnd, static_cast<int16_t>(GetDlgCtrlID(hwnd)));
    const LRESULT result = CallChildProc(saved, hwnd, message, wParam, lParam);
    if ((message == WM_SETFOCUS || message == WM_KILLFOCUS) && IsUntitledChoice(hwnd))
        ToggleChoiceFocusFrame(hwnd);
    return result;
}

// Edit fields: typed characters reach the parent as well, and a release of the button is a click on
// the item.
LRESULT EditLike(WNDPROC saved, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool eraseFirst)
{
    LRESULT answer = 0;
    if (ForwardInactiveClick(hwnd, message, wParam, lParam, &answer))
        return answer;
    if (message == WM_CHAR && !ModalEditCharacterReplay()) {
        PostMessageA(GetParent(hwnd), WM_CHAR, wParam, lParam);
        if (!eraseFirst && HoldModalEditCharacter(hwnd, wParam, lParam))
            return 0;
    }
    if (eraseFirst && message == WM_ERASEBKGND && SyncPaintDepth() > 0) {
        CallWindowProcA(SavedOr(saved, hwnd), hwnd, message, wParam, lParam);
        return 1;
    }
    const LRESULT result = CallChildProc(saved, hwnd, message, wParam, lParam);
    if (message == WM_LBUTTONDOWN)
        UpdateKeyModifiers(false);
    else if (message == WM_LBUTTONUP)
        PostClickOnChildWindow(hwnd);
    return result;
}

// A mouse message handed to the parent window's event glue, in the parent's client coordinates.
LRESULT MouseToParent(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND parent = GetParent(hwnd);
    if (parent)
        ZEL_EventMouse(parent, message, wParam, PackPoint(PointInParent(hwnd, parent, lParam)));
    return 0;
}

// The control a custom control's child stands for: the handle its text encodes, taken only when it is a
// control of the parent's window whose child is this window.
ControlHandle CustomControlOf(HWND hwnd)
{
    WindowPtr parent = LibraryParent(hwnd);
    char text[16] = {};
    if (!parent || GetWindowTextA(hwnd, text, sizeof text) != 6)
        return nullptr;
    ControlHandle named = DecodeHandleText(text);
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(parent)->controlList; c && *c && guard < 65536;
         c = (*c)->nextControl, ++guard)
        if (c == named)
            return ControlWindow(c) == hwnd ? c : nullptr;
    return nullptr;
}

} // namespace

ControlHandle ControlOfChildWindow(WindowPtr window, HWND child)
{
    if (!window || !child)
        return nullptr;
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(window)->controlList; c && *c && guard < 65536;
         c = (*c)->nextControl, ++guard)
        if (ControlWindow(c) == child)
            return c;
    return nullptr;
}

bool ForwardInactiveClick(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *answer)
{
    if (SessionFlag(zelFlagChildIgnoresMouse))
        return false;
    if (message == WM_MOUSEACTIVATE) {
        // Windows activates the clicked window before the press reaches the child: whether the window
        // was inactive is read now, while the message is on its way to it.
        WindowPtr w = LibraryParent(hwnd);
        sInactiveClickChild = w && !WindowShownActive(w) ? hwnd : nullptr;
        return false;
    }
    if (message < WM_LBUTTONDOWN || message > WM_MBUTTONDBLCLK)
        return false;
    HWND parent = nullptr;
    WindowPtr w = LibraryParent(hwnd, &parent);
    if (!w)
        return false;
    const bool press = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN ||
                       message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDOWN || message == WM_MBUTTONDBLCLK;
    bool inactive = !WindowShownActive(w);
    if (press && sInactiveClickChild == hwnd) {
        inactive = true;
        sForwardedPressChild = hwnd;
    } else if (!press && sForwardedPressChild == hwnd) {
        inactive = true; // the release of a press that went to the window goes there too
        sForwardedPressChild = nullptr;
    }
    if (press)
        sInactiveClickChild = nullptr;
    if (!inactive || !IsWindowEnabled(parent))
        return false;
    const LRESULT result = SendMessageA(parent, message, wParam, PackPoint(PointInParent(hwnd, parent, lParam)));
    if (answer)
        *answer = result;
    return true;
}

LRESULT CallChildProc(WNDPROC saved, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    saved = SavedOr(saved, hwnd);
    if (SyncPaintDepth() > 0) {
        if (message == WM_ERASEBKGND)
            return 1;
        if (message == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
    }
    if (message != WM_PAINT && message != WM_NCPAINT)
        return CallWindowProcA(saved, hwnd, message, wParam, lParam);
    HWND parentHwnd = nullptr;
    WindowPtr parent = LibraryParent(hwnd, &parentHwnd);
    RgnHandle painted = parent && UpdatePendingOn(parent) ? TakePaintRegion(hwnd, message) : nullptr;
    ++sPaintNesting;
    const LRESULT result = CallWindowProcA(saved, hwnd, message, wParam, lParam);
    --sPaintNesting;
    if (painted) {
        if (IsWindow(parentHwnd) && LibraryParent(hwnd) == parent)
            ValidatePainted(parent, parentHwnd, hwnd, painted);
        if (painted != sSharedPaintRgn)
            DisposeRgn(painted);
    }
    return result;
}

void FreeChildProcState()
{
    if (sSharedPaintRgn)
        DisposeRgn(sSharedPaintRgn);
    sSharedPaintRgn = nullptr;
    if (sButtonFocusHook)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(sButtonFocusHook));
    sButtonFocusHook = nullptr;
}

void ValidateWindowRect(HWND hwnd, const RECT &rect)
{
    WindowPtr w = nullptr;
    if (!HwndToWindowPtr(hwnd, &w, nullptr) || !w)
        return;
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(w);
    RECT r = rect;
    if (PortDCRecord *record = PortRecordOf(w); record && record->xform.offsetActive)
        RevXformWinRect(&r);
    const Rect local{static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
                     static_cast<int16_t>(r.right)};
    ValidRect(&local);
    SetPor(saved);
}

void SubclassSizeBox(HWND sizeBox)
{
    if (!sizeBox)
        return;
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(sizeBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(A_SizeBoxWndProc)));
    if (previous && previous != A_SizeBoxWndProc)
        sSavedSizeBoxProc = previous;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetButtonFocusHookProc(ZEL_ButtonFocusHookProcPtr proc)
{
    if (sButtonFocusHook)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(sButtonFocusHook));
    sButtonFocusHook = proc ? reinterpret_cast<ZEL_ButtonFocusHookProcPtr>(
                                  MakeHostProcInstance(reinterpret_cast<FARPROC>(proc)))
                            : nullptr;
}

// ---- The procedures ----

ZEL_EXTERN_C LRESULT ZEL_CALL A_StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallChildProc(SavedControlProc(controlWindowStatic), hwnd, message, wParam, lParam);
}

ZEL_EXTERN_C LRESULT ZEL_CALL A_ButtonWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ButtonLike(ButtonSavedProc(hwnd), hwnd, message, wParam, lParam);
}

ZEL_EXTERN_C LRESULT ZEL_CALL A_IconWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The icon is drawn on the dialog's port under the child: erasing the child with the button's brush
    // would paint over it, as the user-item children also leave theirs alone.
    if (message == WM_ERASEBKGND)
        return 1;
    return ButtonLike(SavedControlProc(controlWindowIcon), hwnd, message, wParam, lParam);
}

ZEL_EXTERN_C LRESULT ZEL_CALL A_UserItemWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (ForwardInactiveClick(hwnd, message, wParam, lParam, &answer))
        return answer;
    switch (message) {
    case BM_SETSTYLE:
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return MouseToParent(hwnd, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (HWND parent = GetParent(hwnd))
            ZEL_EventKey(parent, message, wParam, lParam);
        return 0;
    default:
        return CallChildProc(SavedControlProc(controlWindowUserItem), hwnd, message, wParam, lParam);
    }
}

ZEL_EXTERN_C LRESULT ZEL_CALL A_CDEFWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (ForwardInactiveClick(hwnd, message, wParam, lParam, &answer))
        return answer;
    if (message == WM_ERASEBKGND)
        return 1;
    if (message >= WM_MOUSEMOVE && message <= WM_LBUTTONDBLCLK) {
        ControlHandle c = CustomControlOf(hwnd);
        if (c && (*c)->contrlHilite < 255)
            return MouseToParent(hwnd, message, wParam, lParam);
    }
    return CallChildProc(SavedControlProc(controlWindowCustom), hwnd, message, wParam, lParam);
}

ZEL_EXTERN_C LRESULT ZEL_CALL A_EditWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return EditLike(SavedControlProc(controlWindowEdit), hwnd, message, wParam, lParam, false);
}

LRESULT CALLBACK ComboEditWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return EditLike(SavedControlProc(controlWindowComboEdit), hwnd, message, wParam, lParam, true);
}

ZEL_EXTERN_C LRESULT ZEL_CALL A_ScrollBarWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (ForwardInactiveClick(hwnd, message, wParam, lParam, &answer))
        return answer;
    if (message == WM_LBUTTONUP && TrackingState().scrollBar == hwnd && TrackingState().tracking)
        SendMessageA(hwnd, WM_CANCELMODE, 0, 0);
    return CallChildProc(SavedControlProc(controlWindowScrollBar), hwnd, message, wParam, lParam);
}

// The size box paints only when DrawGrowIcon draws it, as the Macintosh grow box appears only then.
ZEL_EXTERN_C LRESULT ZEL_CALL A_SizeBoxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (GrowIconDrawing())
        return CallChildProc(sSavedSizeBoxProc, hwnd, message, wParam, lParam);
    SetSyncPaintDepth(SyncPaintDepth() + 1);
    const LRESULT result = CallChildProc(sSavedSizeBoxProc, hwnd, message, wParam, lParam);
    SetSyncPaintDepth(SyncPaintDepth() - 1);
    return result;
}

ZEL_EXTERN_C LRESULT ZEL_CALL A_ComboBoxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (ForwardInactiveClick(hwnd, message, wParam, lParam, &answer))
        return answer;
    const WNDPROC saved = SavedOr(SavedControlProc(controlWindowComboBox), hwnd);
    if (message == CB_SETCURSEL && !sRefillingCombo) {
        // A combo box that keeps a menu shows the menu's items as they are now.
        WindowPtr parent = LibraryParent(hwnd);
        ControlHandle c = parent ? ControlOfChildWindow(parent, hwnd) : nullptr;
        if (MenuHandle menu = c ? ControlTailOf(c)->menu : nullptr) {
            sRefillingCombo = true;
            FillComboBoxFromMenu(hwnd, menu, static_cast<int16_t>(static_cast<int>(wParam) + 1));
            sRefillingCombo = false;
        }
        return CallWindowProcA(saved, hwnd, message, wParam, lParam);
    }
    const LRESULT result = CallChildProc(saved, hwnd, message, wParam, lParam);
    if (message == WM_SETFOCUS)
        SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(SendMessageA(hwnd, CB_GETCURSEL, 0, 0)), 0);
    return result;
}

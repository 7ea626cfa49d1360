// Update regions and window drawing. Damage reported by Windows (WM_PAINT through ZEL_EventUpdate) and
// damage declared by the application (InvalRect, InvalRgn) both land in the window's updateRgn, in its
// port's local coordinates, and raise the update-pending flag the pump turns into update events.
// BeginUpdate and EndUpdate bracket drawing with the visible region narrowed to that damage. This file
// also computes visible regions, selects a port's clip into its DC and keeps window titles.
#include "window_manager.h"
#include "ByteOrder.h"
#include "../imaging/imaging_services.h"
#include "../quickdraw/qd_services.h"

#include <cstring>
#include <vector>

namespace {

// Two update-nesting levels: the window being updated, its saved visible region, the port's portRect
// top-left at the start and the port that was current before. Deeper calls only count.
struct NestingLevel {
    WindowPtr window;
    RgnHandle savedVis;
    Point origin;
    GrafPtr savedPort;
};
NestingLevel sLevels[2];
int sUpdateDepth;
// The window whose own BeginUpdate is running UpdateWindow: its WM_PAINT adds to updateRgn without
// raising a new update.
WindowPtr sBeginUpdateRepaint;

bool IntersectMacRects(const Rect &a, const Rect &b, Rect *out)
{
    out->top = a.top > b.top ? a.top : b.top;
    out->left = a.left > b.left ? a.left : b.left;
    out->bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    out->right = a.right < b.right ? a.right : b.right;
    return out->top < out->bottom && out->left < out->right;
}

Point PortOrigin(WindowPtr window) { return Point{window->portRect.top, window->portRect.left}; }

// The nesting level at which a window is being updated, or -1.
int UpdateLevelOf(WindowPtr window)
{
    for (int i = (sUpdateDepth < 2 ? sUpdateDepth : 2) - 1; i >= 0; --i)
        if (sLevels[i].window == window)
            return i;
    return -1;
}

// A level's saved region follows the port's origin when it moved since BeginUpdate.
void FollowOrigin(NestingLevel &level, WindowPtr window)
{
    Point now = PortOrigin(window);
    if (now.h != level.origin.h || now.v != level.origin.v) {
        OffsetRg(level.savedVis, static_cast<int16_t>(now.h - level.origin.h),
                 static_cast<int16_t>(now.v - level.origin.v));
        level.origin = now;
    }
}

void RaiseUpdatePending(WindowPtr window)
{
    if (WindowAuxRecord *aux = AuxOf(window)) {
        aux->createFlags |= wcfUpdatePending;
        NoteUpdatePending();
    }
}

// The current port's window, when it is one.
WindowPtr CurrentWindow(HWND *hwnd)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record || !record->hwnd)
        return nullptr;
    WindowPtr window = nullptr;
    if (!HwndToWindowPtr(record->hwnd, &window, nullptr) || window != CurrentPort() || !AuxOf(window))
        return nullptr;
    *hwnd = record->hwnd;
    return window;
}

bool IsRectOrMaskForm(RgnHandle rgn)
{
    HRGN form = reinterpret_cast<HRGN>(static_cast<uintptr_t>((*rgn)->rgnForm));
    return form == RectRgnSentinel() || form == MaskRgnSentinel();
}

// Invalidating or validating on both sides: the library's updateRgn first, then Windows.
void UpdateRgnEdit(bool validate, const Rect *rect, RgnHandle rgn)
{
    HWND hwnd = nullptr;
    WindowPtr window = CurrentWindow(&hwnd);
    if (!window)
        return;
    WindowPeek peek = Peek(window);
    Rect box{};
    if (rect) {
        box = *rect;
    } else {
        if (!HandleLive(rgn))
            return;
        if (IsRectOrMaskForm(rgn)) {
            box = (*rgn)->rgnBBox;
            rgn = nullptr;
        }
    }
    RgnHandle temp = nullptr;
    if (!rgn) {
        temp = NewRgn();
        RectRgn(temp, &box);
    }
    RgnHandle change = rgn ? rgn : temp;
    WindowAuxRecord *aux = AuxOf(window);
    if (!validate) {
        UnionRg(peek->updateRgn, change, peek->updateRgn);
        RaiseUpdatePending(window);
    } else if (aux->createFlags & wcfUpdatePending) {
        DiffRgn(peek->updateRgn, change, peek->updateRgn);
    }
    if (!rgn) {
        RECT r;
        ZEL_ConvMRtoWR(&box, &r);
        XformWinRect(&r);
        if (validate)
            ValidateRect(hwnd, &r);
        else
            InvalidateRect(hwnd, &r, FALSE);
    } else {
        RgnHandle device = NewRgn();
        CopyRg(rgn, device);
        XformRgn(device);
        if (HRGN gdi = ZEL_RgnSetToRealRectRgn(device)) {
            if (validate)
                ValidateRgn(hwnd, gdi);
            else
                InvalidateRgn(hwnd, gdi, FALSE);
        }
        DisposeRgn(device);
    }
    if (!validate)
        RaiseUpdatePending(window);
    if (temp)
        DisposeRgn(temp);
}

} // namespace

void UnionGdiRegion(RgnHandle into, HRGN gdi)
{
    DWORD size = GetRegionData(gdi, 0, nullptr);
    if (!size)
        return;
    std::vector<char> buffer(size);
    auto *data = reinterpret_cast<RGNDATA *>(buffer.data());
    if (!GetRegionData(gdi, size, data))
        return;
    RgnHandle piece = NewRgn();
    const RECT *rects = reinterpret_cast<const RECT *>(data->Buffer);
    for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        SetRectRgnClamped(piece, rects[i].left, rects[i].top, rects[i].right, rects[i].bottom);
        UnionRg(into, piece, into);
    }
    DisposeRgn(piece);
}

void InitUpdateNestingRegions()
{
    for (NestingLevel &level : sLevels) {
        if (!level.savedVis)
            level.savedVis = NewRgn();
        level.window = nullptr;
    }
    sUpdateDepth = 0;
}

void FreeUpdateNestingRegions()
{
    for (NestingLevel &level : sLevels) {
        if (level.savedVis)
            DisposeRgn(level.savedVis);
        level = NestingLevel{};
    }
    sUpdateDepth = 0;
}

int UpdateNestingDepth() { return sUpdateDepth; }

RgnHandle UpdateSavedVisRgn(WindowPtr window)
{
    int level = UpdateLevelOf(window);
    return level >= 0 ? sLevels[level].savedVis : nullptr;
}

// ---- default bodies of the patchable update calls ----

void ZEL_CALL InvalRectImpl(const Rect *rect)
{
    if (!rect || !CurrentPort())
        return;
    Rect r;
    if (!IntersectMacRects(*rect, CurrentPort()->portRect, &r))
        return;
    UpdateRgnEdit(false, &r, nullptr);
}

void ZEL_CALL InvalRgnImpl(RgnHandle rgn) { UpdateRgnEdit(false, nullptr, rgn); }

void ZEL_CALL BeginUpdateImpl(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return;
    if (++sUpdateDepth > 2)
        return;
    NestingLevel &level = sLevels[sUpdateDepth - 1];
    level.origin = PortOrigin(window);
    if (WindowZOrderStale())
        ZEL_UpdateWindows(2);
    level.savedPort = CurrentPort();
    SetPor(window);
    // Windows' damage joins updateRgn first; that WM_PAINT raises no new update.
    WindowPtr outer = sBeginUpdateRepaint;
    sBeginUpdateRepaint = window;
    UpdateWindowSynchronously(aux->hwnd);
    sBeginUpdateRepaint = outer;
    WindowPeek peek = Peek(window);
    CopyRg(window->visRgn, level.savedVis);
    level.window = window;
    SectRgn(level.savedVis, peek->updateRgn, window->visRgn);
    SetEmptyRgn(peek->updateRgn);
    if ((aux = AuxOf(window)))
        aux->createFlags &= ~wcfUpdatePending;
    ZEL_ClipRgnChange(window);
}

// Only the two recorded levels restore a visible region; calls nested deeper only count down, and an
// EndUpdate without a BeginUpdate changes nothing.
void ZEL_CALL EndUpdateImpl(WindowPtr window)
{
    if (sUpdateDepth <= 0)
        return;
    if (sUpdateDepth > 2) {
        --sUpdateDepth;
        return;
    }
    NestingLevel &level = sLevels[sUpdateDepth - 1];
    WindowPtr updated = level.window ? level.window : window;
    if (updated && AuxOf(updated)) {
        FollowOrigin(level, updated);
        CopyRg(level.savedVis, updated->visRgn);
        ZEL_ClipRgnChange(updated);
    }
    level.window = nullptr;
    SetPor(level.savedPort);
    --sUpdateDepth;
}

// ---- visible regions and clipping ----

ZEL_EXTERN_C void ZEL_CALL CalcVis(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux || !window->visRgn)
        return;
    WindowPeek peek = Peek(window);
    int level = UpdateLevelOf(window);
    RgnHandle target = window->visRgn;
    if (level >= 0) {
        FollowOrigin(sLevels[level], window);
        target = sLevels[level].savedVis;
    }
    PortDCRecord *record = PortRecordOf(window);
    if (!peek->visible || !peek->contRgn) {
        SetEmptyRgn(target);
        if (record)
            record->clipEmpty = 1;
        return;
    }
    CopyRg(peek->contRgn, target);
    const Rect &box = (*target)->rgnBBox;
    for (WindowPeek p = Peek(WindowListHead()); p && AsWindow(p) != window; p = p->nextWindow) {
        if (!p->visible || !p->strucRgn)
            continue;
        Rect meet;
        if (IntersectMacRects((*p->strucRgn)->rgnBBox, box, &meet))
            DiffRgn(target, p->strucRgn, target);
    }
    GlobalRgnToPort(aux->hwnd, record, target);
    if (target == window->visRgn)
        ZEL_ClipRgnChange(window);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ClipRgnChange(GrafPtr port)
{
    PortDCRecord *record = PortRecordOf(port);
    if (!record || !port->clipRgn || !port->visRgn)
        return;
    RgnHandle clip = NewRgn();
    SectRgn(port->clipRgn, port->visRgn, clip);
    XformRgnForPort(record, clip);
    if (record->offscreenActive)
        OffsetRg(clip, static_cast<int16_t>(-record->offscreenShift[0]), static_cast<int16_t>(-record->offscreenShift[1]));
    if (record->hdc) {
        int16_t result;
        if (EmptyRgn(clip)) {
            HRGN nothing = CreateRectRgn(0, 0, 0, 0);
            SelectClipRgn(record->hdc, nothing);
            DeleteObject(nothing);
            result = NULLREGION;
        } else {
            result = ZEL_SelectClipRgn(record->hdc, clip);
        }
        record->clipEmpty = result == NULLREGION && record->hdc != SharedMemoryDC();
    }
    DisposeRgn(clip);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ClipRectChange(GrafPtr port)
{
    if (!port || !port->clipRgn)
        return;
    Rect box = (*port->clipRgn)->rgnBBox;
    RectRgn(port->clipRgn, &box);
    ZEL_ClipRgnChange(port);
}

// ---- the update glue ----

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_CheckUpdateRgn(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return false;
    UpdateWindowSynchronously(aux->hwnd);
    aux = AuxOf(window);
    return aux && (aux->createFlags & wcfUpdatePending) ? true : false;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_EventUpdate(HWND hwnd)
{
    WindowPtr window = nullptr;
    if (!HwndToWindowPtr(hwnd, &window, nullptr) || !window)
        return 0;
    if (window == WindowBeingCreated()) {
        RaiseCreationUpdatePending();
        NoteUpdatePending();
        return 1;
    }
    WindowPeek peek = Peek(window);
    HRGN damage = CreateRectRgn(0, 0, 0, 0);
    int kind = GetUpdateRgn(hwnd, damage, FALSE);
    if (kind != NULLREGION && kind != ERROR && peek->updateRgn) {
        RgnHandle added = NewRgn();
        UnionGdiRegion(added, damage);
        RevXformRgnForPort(PortRecordOf(window), added);
        UnionRg(peek->updateRgn, added, peek->updateRgn);
        DisposeRgn(added);
    }
    DeleteObject(damage);
    PAINTSTRUCT ps;
    RaiseSyncPaintDepth(1);
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    RaiseSyncPaintDepth(-1);
    if (window != sBeginUpdateRepaint)
        RaiseUpdatePending(window);
    return 1;
}

// ---- the exported calls ----

ZEL_EXTERN_C void ZEL_CALL ValidRect(const Rect *rect)
{
    if (rect)
        UpdateRgnEdit(true, rect, nullptr);
}

ZEL_EXTERN_C void ZEL_CALL ValidRgn(RgnHandle rgn) { UpdateRgnEdit(true, nullptr, rgn); }

// Windows paints what is uncovered itself.
ZEL_EXTERN_C void ZEL_CALL CalcVisBehind(WindowPtr, RgnHandle) {}
ZEL_EXTERN_C void ZEL_CALL ClipAbove(WindowPtr) {}
ZEL_EXTERN_C void ZEL_CALL PaintOne(WindowPtr, RgnHandle) {}
ZEL_EXTERN_C void ZEL_CALL PaintBehind(WindowPtr, RgnHandle) {}
// Update events come from the pump.
ZEL_EXTERN_C Boolean ZEL_CALL CheckUpdate(void *) { return false; }

ZEL_EXTERN_C void ZEL_CALL SetWTitle(WindowPtr window, ConstStr255Param title)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return;
    WindowPeek peek = Peek(window);
    const int length = title ? title[0] : 0;
    auto storeTitle = [&] {
        Handle h = reinterpret_cast<Handle>(peek->titleHandle);
        if (h && SetHandleSize(h, length + 1)) {
            (*h)[0] = static_cast<char>(length);
            if (length)
                std::memcpy(*h + 1, title + 1, length);
        }
    };
    const int32_t procID = peek->windowDefProc;
    const int magnitude = procID < 0 ? -procID : procID;
    if (magnitude >= 720 && magnitude <= 735 && !(magnitude & 2)) {
        storeTitle(); // Windows shows no title for these
        return;
    }
    HWND hwnd = aux->hwnd;
    const bool quiet = IsFloatingWindow(window) && peek->visible && IsWindowVisible(hwnd);
    if (quiet)
        SendMessageA(hwnd, WM_SETREDRAW, FALSE, 0);
    char ansi[MacToAnsiBufferSize(255)];
    int32_t n = length ? ZEL_MacToAnsiBuf(title + 1, reinterpret_cast<uint8_t *>(ansi), static_cast<uint16_t>(length),
                                          LibrarySetting(settingDoubleByte) ? macToAnsiDoubleByte : 0)
                       : 0;
    ansi[n] = 0;
    if (SetWindowTextA(hwnd, ansi))
        storeTitle();
    if (NotificationIconBitmap())
        SendMessageA(SessionMainWindow(), WM_NCPAINT, 1, 0);
    if (quiet)
        SendMessageA(hwnd, WM_SETREDRAW, TRUE, 0);
    SendMessageA(hwnd, WM_NCPAINT, 1, 0);
}

ZEL_EXTERN_C void ZEL_CALL GetWTitle(WindowPtr window, StringPtr title)
{
    if (!title)
        return;
    title[0] = 0;
    if (!window || !Peek(window)->titleHandle || !HandleLive(Peek(window)->titleHandle))
        return;
    const unsigned char *stored = *Peek(window)->titleHandle;
    std::memcpy(title, stored, stored[0] + 1);
}

ZEL_EXTERN_C int32_t ZEL_CALL GetWRefCon(WindowPtr window) { return window ? Peek(window)->refCon : 0; }
ZEL_EXTERN_C void ZEL_CALL SetWRefCon(WindowPtr window, int32_t refCon)
{
    if (window)
        Peek(window)->refCon = refCon;
}
ZEL_EXTERN_C PicHandle ZEL_CALL GetWindowPic(WindowPtr window) { return window ? Peek(window)->windowPic : nullptr; }
ZEL_EXTERN_C void ZEL_CALL SetWindowPic(WindowPtr window, PicHandle pic)
{
    if (window)
        Peek(window)->windowPic = pic;
}
ZEL_EXTERN_C int16_t ZEL_CALL GetWVariant(WindowPtr window)
{
    return window ? static_cast<int16_t>(Peek(window)->windowDefProc & 0xFFFF) : 0;
}
ZEL_EXTERN_C RgnHandle ZEL_CALL GetGrayRgn(void) { return LowMem<RgnHandle>(lmGrayRgn); }

ZEL_EXTERN_C void ZEL_CALL GetWMgrPort(GrafPtr *port)
{
    if (!port)
        return;
    void *cell = LowMemCell(lmWMgrPort);
    *port = cell ? *static_cast<GrafPtr *>(cell) : nullptr;
}

ZEL_EXTERN_C void ZEL_CALL GetCWMgrPort(CGrafPtr *port) { GetWMgrPort(reinterpret_cast<GrafPtr *>(port)); }

ZEL_STUB(Boolean, GetAuxWin, false, (WindowPtr, AuxWinHandle *))

// The port coordinate transform: each record maps port coordinates to device coordinates by an origin
// offset, an optional scale, a quarter-turn rotation and mirroring, and keeps the pen location and size
// in device units. Every drawing call goes through the current record's transform.
#include "quickdraw.h"
#include "xform_math.h"
#include "FixMath.h"
#include "../windows/windows_services.h"

#include <cstring>
#include <iterator>

namespace {

// The ratios cached by GetXformRatios and the record they belong to.
const PortDCRecord *sRatioRecord;
Fixed sRatios[4] = {0x10000, 0x10000, 0x10000, 0x10000};

const PortXform *CurrentXform()
{
    PortDCRecord *record = CurrentPortRecord();
    return record ? &record->xform : nullptr;
}

// The device pen of a record from its port's pen (0,0 and 1,1 without a port).
void UpdateRecordPen(PortDCRecord *record)
{
    PortXform &x = record->xform;
    GrafPtr port = record->port;
    Point loc = port ? port->pnLoc : Point{0, 0};
    Point size = port ? port->pnSize : Point{1, 1};
    if (x.offsetActive)
        xform::Forward(x, loc.h, loc.v);
    if (x.offsetActive && x.scaleActive)
        xform::ForwardExtent(x, size.h, size.v);
    x.devPenLoc = loc;
    x.devPenSize = size;
    record->fontDirty = 1;
}

// Regions: the rectangle form is its bounding box; a GDI region moves with its box; the mask form's
// bits are laid out from its box.
void OffsetRegion(RgnHandle rgn, int32_t dh, int32_t dv)
{
    if (!HandleHasData(rgn) || (dh == 0 && dv == 0))
        return;
    Region &r = **rgn;
    r.rgnBBox.left = xform::Clamp16(r.rgnBBox.left + dh);
    r.rgnBBox.right = xform::Clamp16(r.rgnBBox.right + dh);
    r.rgnBBox.top = xform::Clamp16(r.rgnBBox.top + dv);
    r.rgnBBox.bottom = xform::Clamp16(r.rgnBBox.bottom + dv);
    HRGN form = reinterpret_cast<HRGN>(static_cast<uintptr_t>(r.rgnForm));
    if (r.rgnSize == 10 && form && form != RectRgnSentinel())
        OffsetRgn(form, dh, dv);
}

void TransformRegion(const PortXform &x, RgnHandle rgn, bool reverse)
{
    if (!HandleHasData(rgn))
        return;
    const Rect box = (**rgn).rgnBBox;
    if (x.scaleActive) {
        // A scaled region loses its shape: its box, transformed, becomes the region.
        RECT r{box.left, box.top, box.right, box.bottom};
        if (reverse)
            xform::ReverseWinRect(x, r);
        else
            xform::ForwardWinRect(x, r);
        SetRectRg(rgn, xform::Clamp16(r.left), xform::Clamp16(r.top), xform::Clamp16(r.right), xform::Clamp16(r.bottom));
    } else if (x.offsetActive) {
        int16_t h = box.left, v = box.top;
        if (reverse)
            xform::Reverse(x, h, v);
        else
            xform::Forward(x, h, v);
        OffsetRegion(rgn, h - box.left, v - box.top);
    }
}

HWND PortWindow()
{
    PortDCRecord *record = CurrentPortRecord();
    return record ? record->hwnd : nullptr;
}

// A window's client point to global coordinates and back.
POINT ClientToGlobal(HWND window, POINT p)
{
    MapWindowPoints(window, GlobalSpaceWindow(), &p, 1);
    return p;
}

POINT GlobalToClient(HWND window, POINT p)
{
    MapWindowPoints(GlobalSpaceWindow(), window, &p, 1);
    return p;
}

} // namespace

// ---- The global coordinate space ----

HWND GlobalSpaceWindow() { return SessionMdiClient() ? SessionMdiClient() : SessionMainWindow(); }

POINT GlobalOriginOnScreen()
{
    POINT origin{0, 0};
    if (HWND space = GlobalSpaceWindow())
        ClientToScreen(space, &origin);
    return origin;
}

POINT ScreenToGlobal(POINT screen)
{
    const POINT origin = GlobalOriginOnScreen();
    return POINT{screen.x - origin.x, screen.y - origin.y};
}

POINT GlobalToScreen(POINT global)
{
    const POINT origin = GlobalOriginOnScreen();
    return POINT{global.x + origin.x, global.y + origin.y};
}

POINT ClientOriginInGlobal(HWND hwnd) { return ClientToGlobal(hwnd, POINT{0, 0}); }

void GlobalRgnToPort(HWND hwnd, const PortDCRecord *record, RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return;
    const POINT origin = ClientOriginInGlobal(hwnd);
    OffsetRegion(rgn, -origin.x, -origin.y);
    RevXformRgnForPort(record, rgn);
}

Rect GlobalScreenRect()
{
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (HWND space = GlobalSpaceWindow())
        GetClientRect(space, &r);
    return Rect{0, 0, xform::Clamp16(r.bottom), xform::Clamp16(r.right)};
}

// ---- Points, rectangles and extents of the current record ----

void XformXY(int16_t *h, int16_t *v)
{
    if (const PortXform *x = CurrentXform(); x && h && v)
        xform::Forward(*x, *h, *v);
}

void RevXformXY(int16_t *h, int16_t *v)
{
    if (const PortXform *x = CurrentXform(); x && h && v)
        xform::Reverse(*x, *h, *v);
}

void XformWinRect(RECT *r)
{
    if (const PortXform *x = CurrentXform(); x && r)
        xform::ForwardWinRect(*x, *r);
}

void RevXformWinRect(RECT *r)
{
    if (const PortXform *x = CurrentXform(); x && r)
        xform::ReverseWinRect(*x, *r);
}

void XformMacRect(Rect *r)
{
    if (const PortXform *x = CurrentXform(); x && r)
        xform::ForwardMacRect(*x, *r);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_XFormToQDRect(Rect *r)
{
    if (const PortXform *x = CurrentXform(); x && r && x->offsetActive)
        xform::ForwardMacRect(*x, *r);
}

void XformExtent(int16_t *w, int16_t *h)
{
    if (const PortXform *x = CurrentXform(); x && w && h)
        xform::ForwardExtent(*x, *w, *h);
}

void RevXformExtent(int16_t *w, int16_t *h)
{
    if (const PortXform *x = CurrentXform(); x && w && h)
        xform::ReverseExtent(*x, *w, *h);
}

void GetXformRatios(Fixed *revH, Fixed *revV, Fixed *fwdH, Fixed *fwdV)
{
    const PortDCRecord *record = CurrentPortRecord();
    if (record && record->xform.scaleActive) {
        const PortXform &x = record->xform;
        sRatios[0] = FixRatio(x.srcExtent.h, x.dstExtent.h);
        sRatios[1] = FixRatio(x.srcExtent.v, x.dstExtent.v);
        sRatios[2] = FixRatio(x.dstExtent.h, x.srcExtent.h);
        sRatios[3] = FixRatio(x.dstExtent.v, x.srcExtent.v);
    } else {
        std::fill(std::begin(sRatios), std::end(sRatios), 0x10000);
    }
    sRatioRecord = record;
    if (revH)
        *revH = sRatios[0];
    if (revV)
        *revV = sRatios[1];
    if (fwdH)
        *fwdH = sRatios[2];
    if (fwdV)
        *fwdV = sRatios[3];
}

namespace {
// The cached ratio `index`, recomputed when another record has become current.
Fixed CachedRatio(int index)
{
    if (sRatioRecord != CurrentPortRecord())
        GetXformRatios(nullptr, nullptr, nullptr, nullptr);
    return sRatios[index];
}
bool Scaling()
{
    const PortXform *x = CurrentXform();
    return x && x->scaleActive;
}
} // namespace

int16_t XformFixedWidth(Fixed w) { return FixRound(Scaling() ? FixMul(w, CachedRatio(2)) : w); }
int16_t XformFixedHeight(Fixed h) { return FixRound(Scaling() ? FixMul(h, CachedRatio(3)) : h); }
Fixed RevXformWidthToFixed(int16_t w)
{
    Fixed f = static_cast<Fixed>(static_cast<uint32_t>(static_cast<int32_t>(w)) << 16);
    return Scaling() ? FixMul(f, CachedRatio(0)) : f;
}
Fixed RevXformHeightToFixed(int16_t h)
{
    Fixed f = static_cast<Fixed>(static_cast<uint32_t>(static_cast<int32_t>(h)) << 16);
    return Scaling() ? FixMul(f, CachedRatio(1)) : f;
}

void AddXformRotation(int16_t *angle)
{
    if (const PortXform *x = CurrentXform(); x && angle)
        *angle = static_cast<int16_t>(*angle + x->rotation);
}

// ---- Regions ----

void XformRgn(RgnHandle rgn)
{
    if (const PortXform *x = CurrentXform())
        TransformRegion(*x, rgn, false);
}

void RevXformRgn(RgnHandle rgn)
{
    if (const PortXform *x = CurrentXform())
        TransformRegion(*x, rgn, true);
}

void XformRgnForPort(const PortDCRecord *record, RgnHandle rgn)
{
    if (record && record->xform.offsetActive)
        TransformRegion(record->xform, rgn, false);
}

void RevXformRgnForPort(const PortDCRecord *record, RgnHandle rgn)
{
    if (record && record->xform.offsetActive)
        TransformRegion(record->xform, rgn, true);
}

void ScreenRgnToPort(HWND hwnd, const PortDCRecord *record, RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return;
    POINT corner{(**rgn).rgnBBox.left, (**rgn).rgnBBox.top};
    POINT client = corner;
    ScreenToClient(hwnd, &client);
    OffsetRegion(rgn, client.x - corner.x, client.y - corner.y);
    RevXformRgnForPort(record, rgn);
}

void ClientRgnToScreen(HWND hwnd, RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return;
    POINT corner{(**rgn).rgnBBox.left, (**rgn).rgnBBox.top};
    POINT screen = corner;
    ClientToScreen(hwnd, &screen);
    OffsetRegion(rgn, screen.x - corner.x, screen.y - corner.y);
}

void ScaleRectRgnForPrinter(RgnHandle rgn, int16_t hShift, int16_t vShift)
{
    if (!HandleHasData(rgn) || hShift < 0 || vShift < 0 || hShift > 15 || vShift > 15)
        return;
    Rect box = (**rgn).rgnBBox;
    int32_t hUnit = 1 << hShift, vUnit = 1 << vShift;
    SetRectRg(rgn, static_cast<int16_t>(box.left >> hShift), static_cast<int16_t>(box.top >> vShift),
              static_cast<int16_t>((box.right + hUnit - 1) >> hShift),
              static_cast<int16_t>((box.bottom + vUnit - 1) >> vShift));
}

// ---- Setting the transform ----

void ResetXform(PortDCRecord *record)
{
    if (!record)
        return;
    // A port on the printer of an open document maps the print record's page onto the device's.
    Rect page, devicePage;
    if (PrintJobPageRects(record->hdc, &page, &devicePage) && SetPrinterPageXform(record, page, devicePage))
        return;
    PortXform &x = record->xform;
    GrafPtr port = record->port;
    x.srcOrigin = port ? XformPair{port->portRect.left, port->portRect.top} : XformPair{0, 0};
    x.srcExtent = XformPair{1, 1};
    x.dstExtent = XformPair{1, 1};
    x.pivot = XformPair{0, 0};
    x.rotation = 0;
    x.mirror = 0;
    x.dstOrigin = XformPair{0, 0};
    x.scaleActive = 0;
    x.offsetActive = (x.srcOrigin.h != 0 || x.srcOrigin.v != 0) ? 1 : 0;
    UpdateRecordPen(record);
}

bool SetPrinterPageXform(PortDCRecord *record, const Rect &page, const Rect &devicePage)
{
    if (!record || !xform::SetPageMapping(record->xform, page, devicePage))
        return false;
    if (record == CurrentPortRecord())
        GetXformRatios(nullptr, nullptr, nullptr, nullptr);
    UpdateRecordPen(record);
    return true;
}

void SetXformOrigin(int16_t h, int16_t v)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    PortXform &x = record->xform;
    x.srcOrigin = XformPair{h, v};
    x.offsetActive = (x.scaleActive || h || v || x.dstOrigin.h || x.dstOrigin.v) ? 1 : 0;
    UpdateRecordPen(record);
}

void XformUpdate()
{
    if (PortDCRecord *record = CurrentPortRecord())
        UpdateRecordPen(record);
}

// The default body of the patchable SetOrigin: the port rectangle and the visible region move to the
// new origin, the clip region keeps its local coordinates, and the DC's clip, the brush origin (while
// brushes are aligned) and the device pen follow.
void ZEL_CALL DefaultSetOrigin(int16_t h, int16_t v)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    int32_t dh = h - port->portRect.left, dv = v - port->portRect.top;
    port->portRect.left = xform::Clamp16(port->portRect.left + dh);
    port->portRect.right = xform::Clamp16(port->portRect.right + dh);
    port->portRect.top = xform::Clamp16(port->portRect.top + dv);
    port->portRect.bottom = xform::Clamp16(port->portRect.bottom + dv);
    SetXformOrigin(h, v);
    OffsetRegion(port->visRgn, dh, dv);
    ZEL_ClipRgnChange(port);
    // Aligned patterns keep to the port's local 8 x 8 grid at the new origin.
    if (record->brushAlign)
        UpdateBrushOrigin();
    XformUpdate();
}

// ---- Global, local and main-window coordinates ----

ZEL_EXTERN_C void ZEL_CALL GlobalToLocal(Point *pt)
{
    if (!pt)
        return;
    if (HWND window = PortWindow()) {
        const POINT p = GlobalToClient(window, POINT{pt->h, pt->v});
        *pt = Point{xform::Clamp16(p.y), xform::Clamp16(p.x)};
    }
    if (const PortXform *x = CurrentXform(); x && x->offsetActive)
        xform::Reverse(*x, pt->h, pt->v);
}

ZEL_EXTERN_C void ZEL_CALL LocalToGlobal(Point *pt)
{
    if (!pt)
        return;
    if (const PortXform *x = CurrentXform(); x && x->offsetActive)
        xform::Forward(*x, pt->h, pt->v);
    if (HWND window = PortWindow()) {
        const POINT p = ClientToGlobal(window, POINT{pt->h, pt->v});
        *pt = Point{xform::Clamp16(p.y), xform::Clamp16(p.x)};
    }
}

// Windows screen coordinates: global ones offset by where the host's client area lies on the screen.
ZEL_EXTERN_C void ZEL_CALL ZEL_ScreenToLocal(Point *pt)
{
    if (!pt)
        return;
    const POINT p = ScreenToGlobal(POINT{pt->h, pt->v});
    *pt = Point{xform::Clamp16(p.y), xform::Clamp16(p.x)};
    GlobalToLocal(pt);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_LocalToScreen(Point *pt)
{
    if (!pt)
        return;
    LocalToGlobal(pt);
    const POINT p = GlobalToScreen(POINT{pt->h, pt->v});
    *pt = Point{xform::Clamp16(p.y), xform::Clamp16(p.x)};
}

ZEL_EXTERN_C void ZEL_CALL ZEL_MainWndToLocal(Point *pt)
{
    if (!pt)
        return;
    POINT p{pt->h, pt->v};
    MapWindowPoints(QuickDrawMainWindow(), PortWindow(), &p, 1);
    *pt = Point{xform::Clamp16(p.y), xform::Clamp16(p.x)};
    if (const PortXform *x = CurrentXform(); x && x->offsetActive)
        xform::Reverse(*x, pt->h, pt->v);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_LocalToMainWnd(Point *pt)
{
    if (!pt)
        return;
    if (const PortXform *x = CurrentXform(); x && x->offsetActive)
        xform::Forward(*x, pt->h, pt->v);
    POINT p{pt->h, pt->v};
    MapWindowPoints(PortWindow(), QuickDrawMainWindow(), &p, 1);
    *pt = Point{xform::Clamp16(p.y), xform::Clamp16(p.x)};
}

// The main window's client coordinates and global ones: the same in a single-document host, offset by
// the multiple-document client window's place in the frame otherwise.
ZEL_EXTERN_C void ZEL_CALL ZEL_MainWndToGlobal(Point *pt)
{
    if (!pt)
        return;
    POINT p{pt->h, pt->v};
    if (HWND main = QuickDrawMainWindow())
        p = ClientToGlobal(main, p);
    *pt = Point{xform::Clamp16(p.y), xform::Clamp16(p.x)};
}

ZEL_EXTERN_C void ZEL_CALL ZEL_GlobalToMainWnd(Point *pt)
{
    if (!pt)
        return;
    POINT p{pt->h, pt->v};
    if (HWND main = QuickDrawMainWindow())
        p = GlobalToClient(main, p);
    *pt = Point{xform::Clamp16(p.y), xform::Clamp16(p.x)};
}

// Turns and mirrors the current port about a pivot; no host interface sets these, the test programs
// reach it by ordinal.
ZEL_EXTERN_C void ZEL_CALL SetPortTurn(int16_t rotation, uint16_t mirror, int16_t pivotH, int16_t pivotV)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    PortXform &x = record->xform;
    x.rotation = rotation;
    x.mirror = mirror;
    x.pivot = XformPair{pivotH, pivotV};
    x.offsetActive = 1;
    UpdateRecordPen(record);
}

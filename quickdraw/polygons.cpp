// Polygons: the Polygon record and its recording between OpenPoly and ClosePoly. While the port's
// polySave holds a polygon, every pen move and line adds the new pen location to it; the pen is hidden
// meanwhile, so nothing is drawn. A polygon's points become a Windows point array in device
// coordinates for GDI (and for the region built by OpenRgn/CloseRgn).
#include "quickdraw.h"

#include <algorithm>

namespace {

constexpr Size kPolyHeaderBytes = 10;
constexpr Size kPolyPointBytes = 4;
// A polygon stays below 32768 bytes: at most 8,189 points.
constexpr Size kPolyByteLimit = 32768;

PolyHandle PortPolygon(GrafPtr port) { return reinterpret_cast<PolyHandle>(port->polySave); }

} // namespace

ZEL_EXTERN_C PolyHandle ZEL_CALL OpenPoly(void)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return nullptr;
    HidePen();
    PolyHandle poly = reinterpret_cast<PolyHandle>(NewHandleClear(kPolyHeaderBytes));
    if (!HandleHasData(poly))
        poly = nullptr;
    else
        (**poly).polySize = static_cast<int16_t>(kPolyHeaderBytes);
    if (PortDCRecord *record = CurrentPortRecord())
        record->polyPointCount = 0;
    port->polySave = reinterpret_cast<Handle>(poly);
    return poly;
}

ZEL_EXTERN_C void ZEL_CALL ClosePoly(void)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    ShowPen();
    if (PortDCRecord *record = CurrentPortRecord())
        record->polyPointCount = 0;
    port->polySave = nullptr;
}

ZEL_EXTERN_C void ZEL_CALL KillPoly(PolyHandle poly)
{
    if (poly)
        DisposeHandle(reinterpret_cast<Handle>(poly));
}

void AddPolyPoint()
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    PolyHandle poly = PortPolygon(port);
    if (!HandleHasData(poly))
        return;
    const Size size = GetHandleSize(reinterpret_cast<Handle>(poly));
    const Size count = std::max<Size>(size - kPolyHeaderBytes, 0) / kPolyPointBytes;
    record->polyPointCount = static_cast<uint16_t>(count);
    // Points beyond the size limit, or that the handle cannot make room for, are dropped.
    if (size + kPolyPointBytes >= kPolyByteLimit)
        return;
    SetHandleSize(reinterpret_cast<Handle>(poly), size + kPolyPointBytes);
    if (GetHandleSize(reinterpret_cast<Handle>(poly)) != size + kPolyPointBytes)
        return;
    struct Polygon &p = **poly;
    const Point pt = port->pnLoc;
    p.polySize = static_cast<int16_t>(size + kPolyPointBytes);
    p.polyPoints[count] = pt;
    Rect &box = p.polyBBox;
    if (count == 0) {
        box = Rect{pt.v, pt.h, pt.v, pt.h};
    } else {
        box.left = std::min(box.left, pt.h);
        box.right = std::max(box.right, pt.h);
        box.top = std::min(box.top, pt.v);
        box.bottom = std::max(box.bottom, pt.v);
    }
    record->polyPointCount = static_cast<uint16_t>(count + 1);
}

int16_t PolyToPointArray(PolyHandle poly, POINT **points, bool close)
{
    *points = nullptr;
    if (!HandleHasData(poly))
        return 0;
    const struct Polygon &p = **poly;
    const int count = (p.polySize - static_cast<int>(kPolyHeaderBytes)) >> 2;
    if (count <= 0)
        return 0;
    const bool addClosing = close && count > 1 &&
                            (p.polyPoints[count - 1].h != p.polyPoints[0].h ||
                             p.polyPoints[count - 1].v != p.polyPoints[0].v);
    const int total = count + (addClosing ? 1 : 0);
    HLOCAL block = AllocLocalBlock(LMEM_MOVEABLE, static_cast<uint32_t>(total * sizeof(POINT)));
    POINT *out = block ? static_cast<POINT *>(LockLocalBlock(block)) : nullptr;
    if (!out) {
        if (block)
            FreeLocalBlock(block);
        return static_cast<int16_t>(total);
    }
    const PortDCRecord *record = CurrentPortRecord();
    const bool transform = record && record->xform.offsetActive;
    for (int i = 0; i < count; ++i) {
        Point pt = (**poly).polyPoints[i];
        if (transform)
            XformXY(&pt.h, &pt.v);
        out[i] = POINT{pt.h, pt.v};
    }
    if (addClosing)
        out[count] = out[0];
    *points = out;
    return static_cast<int16_t>(total);
}

void DrawPointPolygon(HDC dc, const POINT *points, int count)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!dc || !points || count < 2 || !record)
        return;
    if (ScreenProbeFlag(probePolygonFill)) {
        // This display fills pattern polygons with the colours exchanged.
        SetTextColor(dc, record->backColorRef);
        SetBkColor(dc, record->foreColorRef);
        record->foreColorRefSet = record->backColorRef;
        record->backColorRefSet = record->foreColorRef;
    }
    if (record->bkModeSet != OPAQUE) {
        SetBkMode(dc, OPAQUE);
        record->bkModeSet = OPAQUE;
    }
    Polygon(dc, points, count);
}

int16_t PolyToPointArrayOpen(PolyHandle poly, POINT **points) { return PolyToPointArray(poly, points, false); }

void FreePointArray(POINT *points)
{
    if (!points)
        return;
    if (HLOCAL block = GetLocalBlockHandle(points)) {
        UnlockLocalBlock(block);
        FreeLocalBlock(block);
    }
}

// PENDING: the polygon verbs draw through StdPolyCore (a custom polyProc, PolygonFill, PolygonFrame) and
// record into an open picture.
ZEL_EXTERN_C void ZEL_CALL StdPoly(GrafVerb, PolyHandle) {}

// Polygons: the Polygon record and its recording between OpenPoly and ClosePoly. While the port's
// polySave holds a polygon, every pen move and line adds the new pen location to it; the pen is hidden
// meanwhile, so nothing is drawn. A polygon's points become a Windows point array in device
// coordinates for GDI (and for the region built by OpenRgn/CloseRgn).
#include "quickdraw.h"
#include "../imaging/imaging_services.h"

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
    // polySize is the caller's: the points counted never run past what the handle holds.
    const int held = (GetHandleSize(reinterpret_cast<Handle>(poly)) - static_cast<int>(kPolyHeaderBytes)) >> 2;
    const int count = p.polySize < static_cast<int>(kPolyHeaderBytes)
                          ? 0
                          : std::min((p.polySize - static_cast<int>(kPolyHeaderBytes)) >> 2, held);
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

namespace {

// The last figure filled from points, kept as a region: programs paint the same round rectangle,
// wedge or small oval again and again, at one place or many, and making the region of a polygon is
// most of what filling it costs. The points are kept relative to the first, the region where the
// first point last was.
constexpr int kCachedPolygonPoints = 128;
struct PolygonRegionCache {
    POINT relative[kCachedPolygonPoints];
    int count;
    int fillMode;
    POINT at;
    HRGN region;
    RECT box; // the region's bounding box where it is
};
PolygonRegionCache sPolygonCache;

// The region of the polygon at its place and its bounding box, from the cache when the figure is the
// last one, else made and kept; null when the figure is too large to keep.
HRGN PolygonRegion(const POINT *points, int count, int fillMode, RECT *box)
{
    PolygonRegionCache &c = sPolygonCache;
    if (count > kCachedPolygonPoints)
        return nullptr;
    const POINT origin = points[0];
    bool same = c.region && c.count == count && c.fillMode == fillMode;
    for (int i = 0; same && i < count; ++i)
        same = points[i].x - origin.x == c.relative[i].x && points[i].y - origin.y == c.relative[i].y;
    if (same) {
        if (origin.x != c.at.x || origin.y != c.at.y) {
            OffsetRgn(c.region, origin.x - c.at.x, origin.y - c.at.y);
            OffsetRect(&c.box, origin.x - c.at.x, origin.y - c.at.y);
        }
        c.at = origin;
        *box = c.box;
        return c.region;
    }
    if (c.region)
        DeleteObject(c.region);
    c.region = CreatePolygonRgn(points, count, fillMode);
    c.count = c.region ? count : 0;
    c.fillMode = fillMode;
    c.at = origin;
    c.box = RECT{};
    if (c.region)
        GetRgnBox(c.region, &c.box);
    for (int i = 0; i < c.count; ++i)
        c.relative[i] = POINT{points[i].x - origin.x, points[i].y - origin.y};
    *box = c.box;
    return c.region;
}

// The ternary raster operation with which PatBlt combines the brush and the destination as each binary
// one (R2_BLACK to R2_WHITE) combines the pen and the destination.
constexpr DWORD kPatBltRopOfRop2[16] = {
    0x00000042, 0x000500A9, 0x000A0329, 0x000F0001, 0x00500325, 0x00550009, 0x005A0049, 0x005F00E9,
    0x00A000C9, 0x00A50065, 0x00AA0029, 0x00AF0229, 0x00F00021, 0x00F50225, 0x00FA0089, 0x00FF0062,
};

// Off: figures are painted through PaintRgn alone (test programs compare the two routes).
bool sClipFillRoute = true;
// Holds the DC's own clip while a figure is painted through it.
HRGN sHeldClip;

// The DC's clip may be changed for a moment around one drawing call: its logical and device coordinates
// coincide (the shapes are in the one, the clip in the other), and it is no printer's or swapped DC,
// whose drivers take their calls as they are.
bool ClipMayBeChanged(HDC dc)
{
    if (!sClipFillRoute || (PrinterDC() && dc == PrinterDC()) || (SwappedDC() && dc == SwappedDC()))
        return false;
    if (GetMapMode(dc) != MM_TEXT || GetGraphicsMode(dc) != GM_COMPATIBLE || GetLayout(dc) != 0)
        return false;
    POINT viewport{}, window{};
    return GetViewportOrgEx(dc, &viewport) && GetWindowOrgEx(dc, &window) && viewport.x == window.x &&
           viewport.y == window.y;
}

// Copies the DC's clip region into sHeldClip: 1 when it has one, 0 when it has none, -1 on failure.
int HoldClip(HDC dc)
{
    if (!sHeldClip && !(sHeldClip = CreateRectRgn(0, 0, 0, 0)))
        return -1;
    return GetClipRgn(dc, sHeldClip);
}

// Paints the region with the DC's brush in its ROP2, as PaintRgn does: the region is joined to the DC's
// clip for one PatBlt over its box, and the clip put back. The same pixels, far cheaper under Wine,
// whose PaintRgn maps and clips each of the region's rows on its own. False when not painted.
bool PaintRegionThroughClip(HDC dc, HRGN region, const RECT &box)
{
    if (!ClipMayBeChanged(dc))
        return false;
    const int rop2 = GetROP2(dc);
    if (rop2 < R2_BLACK || rop2 > R2_WHITE)
        return false;
    if (box.left >= box.right || box.top >= box.bottom)
        return true;
    const int held = HoldClip(dc);
    if (held < 0)
        return false;
    if ((held == 1 ? ExtSelectClipRgn(dc, region, RGN_AND) : SelectClipRgn(dc, region)) == ERROR) {
        SelectClipRgn(dc, held == 1 ? sHeldClip : nullptr);
        return false;
    }
    PatBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, kPatBltRopOfRop2[rop2 - 1]);
    SelectClipRgn(dc, held == 1 ? sHeldClip : nullptr);
    return true;
}

} // namespace

// Fills the polygon with the DC's brush and ROP2 and no outline (the caller selects the null pen):
// painting the polygon's region gives the pixels Polygon fills.
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
    RECT box{};
    if (HRGN region = count >= 3 ? PolygonRegion(points, count, GetPolyFillMode(dc), &box) : nullptr) {
        // A display that exchanges the colours of pattern polygons keeps PaintRgn, whose fill the
        // exchange was measured on.
        if (ScreenProbeFlag(probePolygonFill) || !PaintRegionThroughClip(dc, region, box))
            PaintRgn(dc, region);
    } else {
        Polygon(dc, points, count);
    }
}

bool LiftClipAround(HDC dc, const RECT &bounds)
{
    if (!ClipMayBeChanged(dc) || HoldClip(dc) != 1)
        return false;
    RECT box{};
    if (GetRgnBox(sHeldClip, &box) != SIMPLEREGION || box.left > bounds.left || box.top > bounds.top ||
        box.right < bounds.right || box.bottom < bounds.bottom)
        return false;
    return SelectClipRgn(dc, nullptr) != ERROR;
}

void RestoreLiftedClip(HDC dc) { SelectClipRgn(dc, sHeldClip); }

ZEL_EXTERN_C Boolean ZEL_CALL SelectClipFillRoute(Boolean on)
{
    const Boolean was = sClipFillRoute ? TRUE : FALSE;
    sClipFillRoute = on != 0;
    return was;
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

ZEL_EXTERN_C void ZEL_CALL OffsetPoly(PolyHandle poly, int16_t dh, int16_t dv)
{
    if (!HandleHasData(poly))
        return;
    struct Polygon &p = **poly;
    const int held = (GetHandleSize(reinterpret_cast<Handle>(poly)) - static_cast<int>(kPolyHeaderBytes)) >> 2;
    const int count = std::min(std::max(0, (p.polySize - static_cast<int>(kPolyHeaderBytes)) >> 2), held);
    for (int i = 0; i < count; ++i) {
        p.polyPoints[i].h = static_cast<int16_t>(p.polyPoints[i].h + dh);
        p.polyPoints[i].v = static_cast<int16_t>(p.polyPoints[i].v + dv);
    }
    p.polyBBox.left = static_cast<int16_t>(p.polyBBox.left + dh);
    p.polyBBox.right = static_cast<int16_t>(p.polyBBox.right + dh);
    p.polyBBox.top = static_cast<int16_t>(p.polyBBox.top + dv);
    p.polyBBox.bottom = static_cast<int16_t>(p.polyBBox.bottom + dv);
}

namespace {

constexpr uint8_t kHiliteOff = 0x80;
constexpr uint16_t kOpPoly = 0x0070;

bool DrawingAllowed(GrafPtr port, const PortDCRecord *record)
{
    return port->pnVis >= 0 && record->drawEnabled && !record->penNeedsEmulation && !record->clipEmpty;
}

void SetRop2Cached(HDC dc, PortDCRecord *record, int rop2)
{
    if (rop2 != record->rop2Set) {
        SetROP2(dc, rop2);
        record->rop2Set = static_cast<uint16_t>(rop2);
    }
}

void PolygonFill(int rop2, int kind, PolyHandle poly)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    SetRop2Cached(dc, record, rop2);
    HGDIOBJ held = SelectShapeBrush(record, dc, kind, false);
    SelectNullPen(dc, record);
    POINT *points = nullptr;
    int n = PolyToPointArrayOpen(poly, &points);
    if (points && n >= 3)
        DrawPointPolygon(dc, points, n);
    FreePointArray(points);
    if (held)
        SelectObject(dc, held);
}

void PolygonFrame(PolyHandle poly)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    const Point size = record->xform.devPenSize;
    if (!port->rgnSave && size.v == 0 && size.h == 0)
        return;
    if (port->polySave && HandleHasData(poly)) {
        // Another polygon being defined takes the outline, unclosed.
        const int n = std::max(0, ((**poly).polySize - static_cast<int>(kPolyHeaderBytes)) >> 2);
        for (int i = 0; i < n; ++i) {
            Point pt = (**poly).polyPoints[i];
            if (i == 0)
                MoveT(pt.h, pt.v);
            else
                LineT(pt.h, pt.v);
        }
    }
    if (!dc || !DrawingAllowed(port, record))
        return;
    SetRop2Cached(dc, record, record->rop2Wanted);
    if ((size.v >= 2 || size.h >= 2) && !record->thinPen) {
        WidePenFramePoly(poly);
        return;
    }
    POINT *points = nullptr;
    int n = PolyToPointArrayOpen(poly, &points);
    if (points && n >= 1) {
        if (record->bkModeSet != record->penBkModeWanted) {
            SetBkMode(dc, record->penBkModeWanted);
            record->bkModeSet = record->penBkModeWanted;
        }
        ApplyPortPen();
        const POINT last = points[n - 1];
        if (n >= 2)
            Polyline(dc, points, n);
        // Polyline leaves its last point out: one more unit past it paints it, unless the outline
        // closed on its first point, which is painted already.
        bool closed = n >= 2 && last.x == points[0].x && last.y == points[0].y;
        if (!closed) {
            int k = n - 2;
            while (k >= 0 && points[k].x == last.x && points[k].y == last.y)
                --k;
            int dx = k >= 0 ? last.x - points[k].x : 1, dy = k >= 0 ? last.y - points[k].y : 0;
            MoveToEx(dc, last.x, last.y, nullptr);
            if (dx == 0)
                LineTo(dc, last.x, last.y + (dy > 0 ? 1 : -1));
            else
                LineTo(dc, last.x + (dx > 0 ? 1 : -1), last.y);
        }
    }
    FreePointArray(points);
}

void StdPolyCore(GrafVerb verb, PolyHandle poly)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    if (port->grafProcs && port->grafProcs->polyProc && port->grafProcs->polyProc != StdPoly) {
        port->grafProcs->polyProc(verb, poly);
        return;
    }
    if (!HandleHasData(poly))
        return;
    if (DrawingAllowed(port, record) || verb == verbFrame) {
        // A pen mode GDI cannot draw in the port's colours goes through the shape mask: the polygon's
        // box with the pen's reach, in device coordinates.
        bool mask = false;
        if (DrawingAllowed(port, record) && HandleHasData(poly)) {
            Rect device = (**poly).polyBBox;
            device.right = static_cast<int16_t>(device.right + std::max<int16_t>(port->pnSize.h, 1));
            device.bottom = static_cast<int16_t>(device.bottom + std::max<int16_t>(port->pnSize.v, 1));
            if (record->xform.offsetActive)
                XformMacRect(&device);
            mask = BeginShapeMask(&device, verb, 0);
            if (mask)
                SetMaskDrawing(true);
        }
        switch (verb) {
        case verbFrame: PolygonFrame(poly); break;
        case verbPaint: PolygonFill(record->rop2Wanted, patternPen, poly); break;
        case verbErase: PolygonFill(R2_COPYPEN, patternBack, poly); break;
        case verbInvert: PolygonFill(R2_NOT, -1, poly); break;
        case verbFill: PolygonFill(R2_COPYPEN, patternFill, poly); break;
        default: break;
        }
        if (mask) {
            SetMaskDrawing(false);
            EndShapeMask(port->pnMode, 0);
        }
    }
    if (port->picSave && !port->rgnSave && RecordPictPortState()) {
        RecordPictVerbState(verb);
        RecordPictPolyOp(static_cast<uint16_t>(kOpPoly + verb), poly);
    }
}

void HiliteOff() { LowMem<uint8_t>(lmHiliteMode) |= kHiliteOff; }

} // namespace

ZEL_EXTERN_C void ZEL_CALL StdPoly(GrafVerb verb, PolyHandle poly)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    RunWithOwnProcCleared(port, &QDProcs::polyProc, [&] { StdPolyCore(verb, poly); });
}

ZEL_EXTERN_C void ZEL_CALL FramePoly(PolyHandle poly) { StdPolyCore(verbFrame, poly); HiliteOff(); }
ZEL_EXTERN_C void ZEL_CALL PaintPoly(PolyHandle poly) { StdPolyCore(verbPaint, poly); HiliteOff(); }
ZEL_EXTERN_C void ZEL_CALL ErasePoly(PolyHandle poly) { StdPolyCore(verbErase, poly); }
ZEL_EXTERN_C void ZEL_CALL InvertPoly(PolyHandle poly) { StdPolyCore(verbInvert, poly); HiliteOff(); }

ZEL_EXTERN_C void ZEL_CALL FillPoly(PolyHandle poly, const Pattern *pat)
{
    if (!pat)
        return;
    SetPortPatternByKind(patternFill, *pat);
    StdPolyCore(verbFill, poly);
}

void FillCPoly(PolyHandle poly, PixPatHandle pp)
{
    GrafPtr port = CurrentPort();
    if (!port || !IsColorPort(port))
        return;
    CGrafPtr cport = AsColorPort(port);
    PixPatHandle old = cport->fillPixPat;
    cport->fillPixPat = pp;
    StdPolyCore(verbFill, poly);
    cport->fillPixPat = old;
}

// Several device polygons at once, filled on the current port's DC with its pen: the pen mode, the pen
// pattern's brush, no outline and an opaque background, as the paint verb draws. Any other DC is left
// alone. 1 when GDI drew without failing and without setting the thread's last error.
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_PolyPolygon(HDC dc, const POINT *points, const INT *counts, int32_t polygonCount)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC current = CurrentDC();
    if (!record || !current || (dc && dc != current) || !points || !counts || polygonCount <= 0)
        return 0;
    SetRop2Cached(current, record, record->rop2Wanted);
    if (record->bkModeSet != OPAQUE) {
        SetBkMode(current, OPAQUE);
        record->bkModeSet = OPAQUE;
    }
    SelectPortPatternBrush(patternPen, 1);
    SelectNullPen(current, record);
    SetLastError(0);
    const BOOL drawn = PolyPolygon(current, points, counts, polygonCount);
    return drawn && GetLastError() == 0 ? 1 : 0;
}

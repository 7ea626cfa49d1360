// Ovals, round rectangles, arcs and wedges: three cores, like the rectangle core, that hand the call to
// a custom bottleneck procedure, add framed shapes to a region being built, draw with GDI (Ellipse
// where it paints the Macintosh oval, otherwise polygons of points every 4 degrees) and record the call
// into an open picture. Every shape stays inside its rectangle: right and bottom are excluded.
#include "quickdraw.h"
#include "../dialogs/dialogs_services.h"
#include "../imaging/imaging_services.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace {

constexpr uint8_t kHiliteOff = 0x80;
constexpr uint16_t kOpRRect = 0x0040, kOpOval = 0x0050, kOpArc = 0x0060;
constexpr int kMaxShapePoints = 128;

// The one point list of the shape being drawn.
POINT sPoints[kMaxShapePoints];
bool sMaskDrawing;

bool DrawingAllowed(GrafPtr port, const PortDCRecord *record)
{
    return port->pnVis >= 0 && record->drawEnabled && !record->penNeedsEmulation && !record->clipEmpty;
}

bool NonPostScriptPrinter(HDC dc) { return PrinterDC() && dc == PrinterDC() && !PrinterTakesPostScript(); }

// Small shapes are drawn from points: GDI's own curves differ from the Macintosh ones there.
bool IsSmall(const RECT &r) { return ((r.right - r.left) + (r.bottom - r.top)) / 2 < 16; }

void SetRop2Cached(HDC dc, PortDCRecord *record, int rop2)
{
    if (sMaskDrawing)
        rop2 = R2_COPYPEN;
    if (rop2 != record->rop2Set) {
        SetROP2(dc, rop2);
        record->rop2Set = static_cast<uint16_t>(rop2);
    }
}

void SetBkModeCached(HDC dc, PortDCRecord *record, int mode)
{
    if (mode != record->bkModeSet) {
        SetBkMode(dc, mode);
        record->bkModeSet = static_cast<uint16_t>(mode);
    }
}

// The ROP2 and pattern kind of a filling verb (-1: no brush).
void VerbRopAndKind(const PortDCRecord *record, GrafVerb verb, int *rop2, int *kind)
{
    switch (verb) {
    case verbPaint: *rop2 = record->rop2Wanted; *kind = patternPen; break;
    case verbErase: *rop2 = R2_COPYPEN; *kind = patternBack; break;
    case verbInvert: *rop2 = R2_NOT; *kind = -1; break;
    default: *rop2 = R2_COPYPEN; *kind = patternFill; break;
    }
}

RECT DeviceRect(const PortDCRecord *record, const Rect &r)
{
    Rect d = r;
    if (record->xform.offsetActive)
        XformMacRect(&d);
    return RECT{d.left, d.top, d.right, d.bottom};
}

// The frame's wide route: a pen bigger than a pixel, or a patterned pen, unless pens are made thin.
bool WideOrPatterned(const PortDCRecord *record, Point size)
{
    return !record->thinPen && (size.v > 1 || size.h > 1 || UsePatternedPen());
}

bool BeginMask(GrafPtr port, const PortDCRecord *record, const RECT &r, GrafVerb verb)
{
    Rect device{static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
                static_cast<int16_t>(r.right)};
    sMaskDrawing = DrawingAllowed(port, record) && BeginShapeMask(&device, verb, 0);
    if (sMaskDrawing)
        SetMaskDrawing(true);
    return sMaskDrawing;
}

void EndMask(GrafPtr port)
{
    if (!sMaskDrawing)
        return;
    sMaskDrawing = false;
    SetMaskDrawing(false);
    EndShapeMask(port->pnMode, 0);
}

// Fills the points as a polygon with the verb's ROP2 and brush.
void FillPoints(int rop2, int kind, int count)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (count < 3 || !record || !dc)
        return;
    SetRop2Cached(dc, record, rop2);
    HGDIOBJ held = SelectShapeBrush(record, dc, kind, sMaskDrawing);
    SelectNullPen(dc, record);
    DrawPointPolygon(dc, sPoints, count);
    if (held)
        SelectObject(dc, held);
}

// A thin outline through the points with the port's pen; the closing point repeats the first, so the
// figure is closed.
void PolylinePoints(HDC dc, PortDCRecord *record, int count)
{
    if (count < 2)
        return;
    SetBkModeCached(dc, record, record->penBkModeWanted);
    ApplyPortPen();
    Polyline(dc, sPoints, count);
}

// The thin outline of a small oval, or of its arc from `start` over `arc` degrees: the pixels of the
// painted oval (its 4-degree polygon) that have a 4-neighbour outside it. Drawn this way the outline is
// closed, lies inside what PaintOval paints, and an arc's outline is part of the oval's.
void PaintSmallOutline(HDC dc, PortDCRecord *record, const RECT &device, int32_t start, int32_t arc)
{
    const int n = BuildArcPoints(device, 0, 360, false);
    HRGN shape = n >= 3 ? CreatePolygonRgn(sPoints, n, WINDING) : nullptr;
    HRGN outline = CreateRectRgn(0, 0, 0, 0);
    HRGN run = CreateRectRgn(0, 0, 0, 0);
    if (shape && outline && run) {
        const double hw = (device.right - device.left) / 2.0, hh = (device.bottom - device.top) / 2.0;
        const double cx = device.left + hw, cy = device.top + hh;
        auto inside = [&](int x, int y) { return PtInRegion(shape, x, y) != 0; };
        auto inArc = [&](int x, int y) {
            if (arc >= 360)
                return true;
            // The pixel's angle in the oval's normalised coordinates, clockwise from twelve o'clock.
            double deg = std::atan2((x + 0.5 - cx) / hw, -(y + 0.5 - cy) / hh) * 180.0 / 3.14159265358979323846;
            double rel = std::fmod(deg - start + 720.0, 360.0);
            return rel <= arc;
        };
        for (int y = device.top; y < device.bottom; ++y)
            for (int x = device.left; x < device.right; ++x)
                if (inside(x, y) && (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1)) &&
                    inArc(x, y)) {
                    SetRectRgn(run, x, y, x + 1, y + 1);
                    CombineRgn(outline, outline, run, RGN_OR);
                }
        // The outline in the pen's pattern and mode.
        SelectPortPatternBrush(patternPen, 1);
        SelectNullPen(dc, record);
        PaintRgn(dc, outline);
    }
    for (HRGN h : {shape, outline, run})
        if (h)
            DeleteObject(h);
}

// ---- Ovals ----

void OvalFrame(const Rect &rect, const RECT &device)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    const Point size = record->xform.devPenSize;
    if (!port->rgnSave && size.v == 0 && size.h == 0)
        return;
    // The region covers what PaintOval paints: GDI's elliptic regions stop a pixel short of Ellipse.
    if (port->rgnSave)
        RgnAddToOpenRgn(CreateEllipticRgn(rect.left, rect.top, rect.right + 1, rect.bottom + 1));
    if (!dc || !DrawingAllowed(port, record))
        return;
    SetRop2Cached(dc, record, record->rop2Wanted);
    if (WideOrPatterned(record, size)) {
        WidePenFrameOval(device);
        return;
    }
    if (!IsSmall(device) && !NonPostScriptPrinter(dc)) {
        // Ellipse with a hollow brush draws the whole outline, its last pixel included.
        SetBkModeCached(dc, record, record->penBkModeWanted);
        ApplyPortPen();
        HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Ellipse(dc, device.left, device.top, device.right, device.bottom);
        SelectObject(dc, brush);
        return;
    }
    PaintSmallOutline(dc, record, device, 0, 360);
}

void OvalDrawCore(GrafVerb verb, const Rect *rect)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !rect)
        return;
    if (port->grafProcs && port->grafProcs->ovalProc && port->grafProcs->ovalProc != StdOval) {
        port->grafProcs->ovalProc(verb, rect);
        return;
    }
    if (rect->top >= rect->bottom || rect->left >= rect->right)
        return;
    if (DrawingAllowed(port, record) || verb == verbFrame) {
        HDC dc = CurrentDC();
        RECT device = DeviceRect(record, *rect);
        // Through the mask the shape is drawn into the mask's DC.
        if (BeginMask(port, record, device, verb))
            dc = CurrentDC();
        if (verb == verbFrame) {
            OvalFrame(*rect, device);
        } else if (dc) {
            int rop2, kind;
            VerbRopAndKind(record, verb, &rop2, &kind);
            if (IsSmall(device) || NonPostScriptPrinter(dc)) {
                FillPoints(rop2, kind, BuildArcPoints(device, 0, 360, false));
            } else {
                SetRop2Cached(dc, record, rop2);
                HGDIOBJ held = SelectShapeBrush(record, dc, kind, sMaskDrawing);
                SelectNullPen(dc, record);
                SetBkModeCached(dc, record, OPAQUE);
                const bool lifted = LiftClipAround(dc, device);
                Ellipse(dc, device.left, device.top, device.right, device.bottom);
                if (lifted)
                    RestoreLiftedClip(dc);
                if (held)
                    SelectObject(dc, held);
            }
        }
        EndMask(port);
    }
    if (port->picSave && !port->rgnSave && RecordPictPortState()) {
        RecordPictVerbState(verb);
        RecordPictRectOp(static_cast<uint16_t>(kOpOval + verb), rect);
    }
}

// ---- Round rectangles ----

void RRectFrame(const RECT &device, const Rect &rect, int16_t ow, int16_t oh, int16_t portW, int16_t portH)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (port->rgnSave)
        RgnAddToOpenRgn(CreateRoundRectRgn(rect.left, rect.top, rect.right + 1, rect.bottom + 1, portW, portH));
    if (!dc || !DrawingAllowed(port, record))
        return;
    if (!NonPostScriptPrinter(dc) && SetDefaultButtonByOutline(&rect, record->hwnd))
        return;
    SetRop2Cached(dc, record, record->rop2Wanted);
    const Point size = record->xform.devPenSize;
    if (size.v == 0 && size.h == 0)
        return;
    if (WideOrPatterned(record, size)) {
        WidePenFrameRRect(device, ow, oh);
        return;
    }
    PolylinePoints(dc, record, BuildRoundRectPoints(device, ow, oh));
}

void RRectDrawCore(GrafVerb verb, const Rect *rect, int16_t ovalWidth, int16_t ovalHeight)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !rect)
        return;
    if (port->grafProcs && port->grafProcs->rRectProc && port->grafProcs->rRectProc != StdRRect) {
        port->grafProcs->rRectProc(verb, rect, ovalWidth, ovalHeight);
        return;
    }
    if (rect->top >= rect->bottom || rect->left >= rect->right)
        return;
    const int16_t width = static_cast<int16_t>(rect->right - rect->left);
    const int16_t height = static_cast<int16_t>(rect->bottom - rect->top);
    if (ovalWidth > width || ovalWidth < 0)
        ovalWidth = width;
    if (ovalHeight > height || ovalHeight < 0)
        ovalHeight = height;

    if (DrawingAllowed(port, record) || verb == verbFrame) {
        HDC dc = CurrentDC();
        Rect last{rect->top, rect->left, static_cast<int16_t>(rect->bottom - 1), static_cast<int16_t>(rect->right - 1)};
        RECT device = DeviceRect(record, last);
        int16_t ow = ovalWidth, oh = ovalHeight;
        if (record->xform.scaleActive)
            XformExtent(&ow, &oh);
        ow = static_cast<int16_t>(std::min<int>(ow, device.right - device.left));
        oh = static_cast<int16_t>(std::min<int>(oh, device.bottom - device.top));
        RECT whole{device.left, device.top, device.right + 1, device.bottom + 1};
        if (BeginMask(port, record, whole, verb))
            dc = CurrentDC();
        if (verb == verbFrame) {
            RRectFrame(device, *rect, ow, oh, ovalWidth, ovalHeight);
        } else if (dc) {
            int rop2, kind;
            VerbRopAndKind(record, verb, &rop2, &kind);
            SetBkModeCached(dc, record, OPAQUE);
            FillPoints(rop2, kind, BuildRoundRectPoints(whole, ow, oh));
        }
        EndMask(port);
    }
    if (port->picSave && !port->rgnSave && RecordPictPortState()) {
        RecordPictVerbState(verb);
        RecordPictOvalSize(ovalWidth, ovalHeight);
        RecordPictRectOp(static_cast<uint16_t>(kOpRRect + verb), rect);
    }
}

// ---- Arcs ----

// The arc's angle in 32 bits; a turn or more is the whole oval, once.
void NormaliseArc(int32_t *start, int32_t *arc)
{
    if (*arc < 0) {
        *start += *arc;
        *arc = -*arc;
    }
    if (*arc >= 360) {
        *start = 0;
        *arc = 360;
    }
}

void ArcFrame(const RECT &device, int32_t start, int32_t arc)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    SetRop2Cached(dc, record, record->rop2Wanted);
    const Point size = record->xform.devPenSize;
    if (size.v == 0 && size.h == 0)
        return;
    if (WideOrPatterned(record, size)) {
        WidePenFrameArc(device, start, arc);
        return;
    }
    if (IsSmall(device) || NonPostScriptPrinter(dc)) {
        PaintSmallOutline(dc, record, device, start, arc);
        return;
    }
    int n = BuildArcPoints(device, start, arc, false);
    if (n < 2)
        return;
    // GDI runs anticlockwise: from the last point to the first covers the clockwise arc.
    SetBkModeCached(dc, record, record->penBkModeWanted);
    ApplyPortPen();
    if (arc >= 360) {
        HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Ellipse(dc, device.left, device.top, device.right, device.bottom);
        SelectObject(dc, brush);
    } else {
        Arc(dc, device.left, device.top, device.right, device.bottom, sPoints[n - 1].x, sPoints[n - 1].y, sPoints[0].x,
            sPoints[0].y);
    }
}

void ArcDrawCore(GrafVerb verb, const Rect *rect, int16_t startAngle, int16_t arcAngle)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !rect)
        return;
    if (port->grafProcs && port->grafProcs->arcProc && port->grafProcs->arcProc != StdArc) {
        port->grafProcs->arcProc(verb, rect, startAngle, arcAngle);
        return;
    }
    if (rect->top >= rect->bottom || rect->left >= rect->right)
        return;
    HDC dc = CurrentDC();
    if (DrawingAllowed(port, record) && dc) {
        RECT device = DeviceRect(record, *rect);
        int16_t rotated = startAngle;
        AddXformRotation(&rotated);
        int32_t start = rotated, arc = arcAngle;
        NormaliseArc(&start, &arc);
        if (BeginMask(port, record, device, verb))
            dc = CurrentDC();
        if (verb == verbFrame) {
            ArcFrame(device, start, arc);
        } else {
            int rop2, kind;
            VerbRopAndKind(record, verb, &rop2, &kind);
            SetBkModeCached(dc, record, OPAQUE);
            // A wedge closes through the centre; the whole oval needs no centre.
            FillPoints(rop2, kind, BuildArcPoints(device, start, arc, arc != 360));
        }
        EndMask(port);
    }
    if (port->picSave && !port->rgnSave && RecordPictPortState()) {
        RecordPictVerbState(verb);
        RecordPictArcOp(static_cast<uint16_t>(kOpArc + verb), rect, startAngle, arcAngle);
    }
}

// Runs `body` with `pp` as the port's fill PixPat.
template <typename Body> void WithFillPixPat(PixPatHandle pp, Body body)
{
    GrafPtr port = CurrentPort();
    if (!port || !IsColorPort(port))
        return;
    CGrafPtr cport = AsColorPort(port);
    PixPatHandle old = cport->fillPixPat;
    cport->fillPixPat = pp;
    body();
    cport->fillPixPat = old;
}

void HiliteOff() { LowMem<uint8_t>(lmHiliteMode) |= kHiliteOff; }

} // namespace

// ---- Point builders ----

void SinCosDegrees(int32_t angle, double *cosine, double *sine)
{
    int a = static_cast<int>(angle % 360);
    if (a < 0)
        a += 360;
    const double *c = CosineTable(), *s = SineTable();
    if (a <= 90) {
        *cosine = c[a];
        *sine = s[a];
    } else if (a <= 180) {
        *cosine = -c[180 - a];
        *sine = s[180 - a];
    } else if (a <= 270) {
        *cosine = -c[a - 180];
        *sine = -s[a - 180];
    } else {
        *cosine = c[360 - a];
        *sine = -s[360 - a];
    }
}

namespace {
// Adds a point to the shape's list unless it repeats the one before: on small curves several 4-degree
// steps round to the same pixel, and GDI fills and outlines the same pixels without the repeats, in a
// fraction of the time.
int AppendShapePoint(int n, POINT p)
{
    if (n == 0 || sPoints[n - 1].x != p.x || sPoints[n - 1].y != p.y)
        sPoints[n++] = p;
    return n;
}
} // namespace

namespace {
// What the point list holds: the builder's inputs and the count it gave. A shape drawn again at the same
// place with the same angles or corners has the same points, so the list is kept rather than rebuilt.
struct ShapePointsKey {
    int kind; // 0: nothing built, 1: an arc, 2: a round rectangle
    RECT r;
    int32_t a, b;
    bool centre;
    int count;
};
ShapePointsKey sBuilt;

bool SameShape(int kind, const RECT &r, int32_t a, int32_t b, bool centre)
{
    return sBuilt.kind == kind && EqualRect(&sBuilt.r, &r) && sBuilt.a == a && sBuilt.b == b && sBuilt.centre == centre;
}

int Built(int kind, const RECT &r, int32_t a, int32_t b, bool centre, int count)
{
    sBuilt = ShapePointsKey{kind, r, a, b, centre, count};
    return count;
}
} // namespace

int BuildArcPoints(const RECT &r, int32_t startAngle, int32_t arcAngle, bool addCentre)
{
    NormaliseArc(&startAngle, &arcAngle);
    if (arcAngle == 0)
        return 0;
    if (SameShape(1, r, startAngle, arcAngle, addCentre))
        return sBuilt.count;
    const int32_t keyStart = startAngle;
    const double hw = (r.right - r.left) / 2.0, hh = (r.bottom - r.top) / 2.0;
    const double cx = r.left + hw, cy = r.top + hh;
    while (startAngle < 0)
        startAngle += 360;
    while (startAngle >= 360)
        startAngle -= 360;
    const int32_t end = startAngle + arcAngle;
    int n = 0;
    for (int32_t a = startAngle;; a += 4) {
        if (a > end)
            a = end;
        double c, s;
        SinCosDegrees(a, &c, &s);
        n = AppendShapePoint(n, POINT{static_cast<LONG>(cx + hw * s + 0.5), static_cast<LONG>(cy - hh * c + 0.5)});
        if (a == end || n >= kMaxShapePoints - 1)
            break;
    }
    if (addCentre)
        sPoints[n++] = POINT{static_cast<LONG>(cx + 0.5), static_cast<LONG>(cy + 0.5)};
    return Built(1, r, keyStart, arcAngle, addCentre, n);
}

namespace {
// One quarter of a round rectangle's outline: 24 points from `start` to start + 90, clockwise from
// three o'clock.
int BuildCornerPoints(int at, int32_t start, double cx, double cy, double rx, double ry)
{
    for (int32_t a = start;; a += 4) {
        if (a > start + 90)
            a = start + 90;
        double c, s;
        SinCosDegrees(a, &c, &s);
        at = AppendShapePoint(at, POINT{static_cast<LONG>(cx + rx * c + 0.5), static_cast<LONG>(cy + ry * s + 0.5)});
        if (a == start + 90)
            break;
    }
    return at;
}
} // namespace

int BuildRoundRectPoints(const RECT &r, int16_t ovalWidth, int16_t ovalHeight)
{
    if (SameShape(2, r, ovalWidth, ovalHeight, false))
        return sBuilt.count;
    const double rx = ovalWidth / 2.0, ry = ovalHeight / 2.0;
    int n = 0;
    n = BuildCornerPoints(n, 0, r.right - rx, r.bottom - ry, rx, ry);
    n = BuildCornerPoints(n, 90, r.left + rx, r.bottom - ry, rx, ry);
    n = BuildCornerPoints(n, 180, r.left + rx, r.top + ry, rx, ry);
    n = BuildCornerPoints(n, 270, r.right - rx, r.top + ry, rx, ry);
    sPoints[n++] = sPoints[0];
    return Built(2, r, ovalWidth, ovalHeight, false, n);
}

const POINT *ShapePoints() { return sPoints; }

// ---- Entry points ----

ZEL_EXTERN_C void ZEL_CALL StdOval(GrafVerb verb, const Rect *r)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    RunWithOwnProcCleared(port, &QDProcs::ovalProc, [&] { OvalDrawCore(verb, r); });
}

ZEL_EXTERN_C void ZEL_CALL FrameOval(const Rect *r) { OvalDrawCore(verbFrame, r); HiliteOff(); }
ZEL_EXTERN_C void ZEL_CALL PaintOval(const Rect *r) { OvalDrawCore(verbPaint, r); HiliteOff(); }
ZEL_EXTERN_C void ZEL_CALL EraseOval(const Rect *r) { OvalDrawCore(verbErase, r); }
ZEL_EXTERN_C void ZEL_CALL InvertOval(const Rect *r) { OvalDrawCore(verbInvert, r); HiliteOff(); }

ZEL_EXTERN_C void ZEL_CALL FillOval(const Rect *r, const Pattern *pat)
{
    if (!pat)
        return;
    SetPortPatternByKind(patternFill, *pat);
    OvalDrawCore(verbFill, r);
}

void FillCOval(const Rect *r, PixPatHandle pp)
{
    WithFillPixPat(pp, [&] { OvalDrawCore(verbFill, r); });
}

ZEL_EXTERN_C void ZEL_CALL StdRRect(GrafVerb verb, const Rect *r, int16_t ovalWidth, int16_t ovalHeight)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    RunWithOwnProcCleared(port, &QDProcs::rRectProc, [&] { RRectDrawCore(verb, r, ovalWidth, ovalHeight); });
}

ZEL_EXTERN_C void ZEL_CALL FrameRoundRect(const Rect *r, int16_t w, int16_t h) { RRectDrawCore(verbFrame, r, w, h); HiliteOff(); }
ZEL_EXTERN_C void ZEL_CALL PaintRoundRect(const Rect *r, int16_t w, int16_t h) { RRectDrawCore(verbPaint, r, w, h); HiliteOff(); }
ZEL_EXTERN_C void ZEL_CALL EraseRoundRect(const Rect *r, int16_t w, int16_t h) { RRectDrawCore(verbErase, r, w, h); }
ZEL_EXTERN_C void ZEL_CALL InvertRoundRect(const Rect *r, int16_t w, int16_t h) { RRectDrawCore(verbInvert, r, w, h); HiliteOff(); }

ZEL_EXTERN_C void ZEL_CALL FillRoundRect(const Rect *r, int16_t w, int16_t h, const Pattern *pat)
{
    if (!pat)
        return;
    SetPortPatternByKind(patternFill, *pat);
    RRectDrawCore(verbFill, r, w, h);
}

void FillCRoundRect(const Rect *r, int16_t w, int16_t h, PixPatHandle pp)
{
    WithFillPixPat(pp, [&] { RRectDrawCore(verbFill, r, w, h); });
}

ZEL_EXTERN_C void ZEL_CALL StdArc(GrafVerb verb, const Rect *r, int16_t startAngle, int16_t arcAngle)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    RunWithOwnProcCleared(port, &QDProcs::arcProc, [&] { ArcDrawCore(verb, r, startAngle, arcAngle); });
}

ZEL_EXTERN_C void ZEL_CALL FrameArc(const Rect *r, int16_t s, int16_t a) { ArcDrawCore(verbFrame, r, s, a); HiliteOff(); }
ZEL_EXTERN_C void ZEL_CALL PaintArc(const Rect *r, int16_t s, int16_t a) { ArcDrawCore(verbPaint, r, s, a); HiliteOff(); }
ZEL_EXTERN_C void ZEL_CALL EraseArc(const Rect *r, int16_t s, int16_t a) { ArcDrawCore(verbErase, r, s, a); }
void InvertArc(const Rect *r, int16_t s, int16_t a) { ArcDrawCore(verbInvert, r, s, a); HiliteOff(); }

ZEL_EXTERN_C void ZEL_CALL FillArc(const Rect *r, int16_t s, int16_t a, const Pattern *pat)
{
    if (!pat)
        return;
    SetPortPatternByKind(patternFill, *pat);
    ArcDrawCore(verbFill, r, s, a);
}

void FillCArc(const Rect *r, int16_t s, int16_t a, PixPatHandle pp)
{
    WithFillPixPat(pp, [&] { ArcDrawCore(verbFill, r, s, a); });
}

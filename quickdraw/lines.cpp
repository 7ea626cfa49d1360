// Pen movement and line drawing: MoveTo, Move, LineTo, Line and StdLine. Every pen movement goes
// through one pen-move core that also feeds an open polygon; the line path records the line into an
// open picture and draws it the Macintosh way: the pen is a rectangle of pnSize whose top-left corner
// follows the line, so it hangs below and to the right of it, and both end points are painted.
#include "quickdraw.h"
#include "FixMath.h"
#include "../imaging/imaging_services.h"

#include <algorithm>
#include <cstdlib>

namespace {

// ZEL_UseRectForLine.
bool sUseRectForLine;

// Switch 0x1 of ZEL_SetFlags, kept inverted by the core: on (fast horizontal and vertical lines by
// PatBlt) unless the host set the bit.
constexpr uint32_t kFastLineSwitch = 0x1;
constexpr GrafVerb kFrameVerb = 0;

bool SamePoint(Point a, Point b) { return a.h == b.h && a.v == b.v; }

Point DevicePoint(const PortDCRecord *record, Point p)
{
    if (record->xform.offsetActive)
        XformXY(&p.h, &p.v);
    return p;
}

// The pen-move core: stores the new pen location and its device location, and adds the point to an
// open polygon. A line to the point the pen is already on adds nothing once the polygon has points.
void PenMoveCore(GrafPtr port, PortDCRecord *record, Point pt, bool line)
{
    bool same = SamePoint(pt, port->pnLoc);
    port->pnLoc = pt;
    record->xform.devPenLoc = DevicePoint(record, pt);
    if (!port->polySave)
        return;
    if (!line) {
        // A move inside a region being recorded starts a new sub-path once the polygon has points.
        if (RegionSubpathsOpen() && record->polyPointCount > 0)
            NoteRegionSubpathStart(record->polyPointCount);
        AddPolyPoint();
    } else if (!(same && record->polyPointCount > 0)) {
        AddPolyPoint();
    }
}

// Line, LineFrom, ShortLine or ShortLineFrom into the picture open on the port.
void RecordLine(GrafPtr port, Point from, Point to)
{
    if (!port->picSave || port->polySave || port->rgnSave || !RecordPictPortState())
        return;
    RecordPictVerbState(kFrameVerb);
    RecordPictLineOp(from, to);
}

void SetPenBkMode(HDC dc, PortDCRecord *record)
{
    if (record->penBkModeWanted != record->bkModeSet) {
        SetBkMode(dc, record->penBkModeWanted);
        record->bkModeSet = record->penBkModeWanted;
    }
}

bool IsSpecialDC(HDC dc) { return (PrinterDC() && dc == PrinterDC()) || (SwappedDC() && dc == SwappedDC()); }

// The display can fill a pen rectangle with PatBlt exactly as the pattern brush would paint it.
bool PatBltRouteApplies(const PortDCRecord *record)
{
    if (ScreenProbeFlag(probePatternRect))
        return true;
    if (record->foreColorRef != RGB(0, 0, 0))
        return false;
    if (ScreenProbeFlag(probePatternYellow))
        return true;
    return ScreenProbeFlag(probePatternWhite) &&
           (record->penBkModeWanted == TRANSPARENT || record->rop2Wanted == R2_MASKPEN ||
            record->backColorRef == RGB(255, 255, 255));
}

DWORD PatBltRopFor(int rop2)
{
    switch (rop2) {
    case R2_COPYPEN: return 0x00F00021;
    case R2_NOTXORPEN: return 0x00A50065;
    case R2_MASKPEN: return 0x00A000C9;
    default: return 0;
    }
}

// Draws the line between two device points (the pen's top-left corner at each end).
void DrawDeviceLine(GrafPtr port, PortDCRecord *record, HDC dc, Point from, Point to)
{
    const Point size = record->xform.devPenSize;
    if (port->pnSize.h == 0 || port->pnSize.v == 0 || port->pnVis < 0 || !record->drawEnabled ||
        record->penNeedsEmulation || record->clipEmpty)
        return;

    Rect box{static_cast<int16_t>(std::min(from.v, to.v)), static_cast<int16_t>(std::min(from.h, to.h)),
             static_cast<int16_t>(std::max(from.v, to.v) + size.v),
             static_cast<int16_t>(std::max(from.h, to.h) + size.h)};
    // While the mask is drawn, the line goes into the mask's DC in its black brush, whatever the pen
    // pattern.
    bool mask = BeginShapeMask(&box, kFrameVerb, 0);
    if (mask) {
        dc = CurrentDC();
        SetMaskDrawing(true);
    }
    int rop2 = mask ? R2_COPYPEN : record->rop2Wanted;
    if (rop2 != record->rop2Set) {
        SetROP2(dc, rop2);
        record->rop2Set = static_cast<uint16_t>(rop2);
    }

    int dh = to.h - from.h;
    int dv = to.v - from.v;
    bool straight = dh == 0 || dv == 0;
    bool plainThinPen = size.h <= 1 && size.v <= 1 && !PenPatternIsPatterned();
    bool thinPen = record->thinPen != 0;

    // GDI draws a one-pixel run with a solid pen faster than PatBlt fills it; with a black pen pattern
    // on a direct-colour display both paint the pen colour on the same pixels under the same mode.
    bool solidRun = straight && !mask && size.h == 1 && size.v == 1 && record->penStyle == PS_SOLID &&
                    record->depth >= 16 && !IsSpecialDC(dc) && PenPatternIsBlack();

    if (sUseRectForLine && IsSpecialDC(dc) && straight) {
        // Printers draw short pen rectangles better than GDI lines.
        SelectNullPen(dc, record);
        SelectPortPatternBrush(patternPen, 1);
        SetPenBkMode(dc, record);
        int left = std::min(from.h, to.h), top = std::min(from.v, to.v);
        int right = std::max(from.h, to.h) + size.h, bottom = std::max(from.v, to.v) + size.v;
        if (right - left < 2)
            ++right;
        if (bottom - top < 2)
            ++bottom;
        Rectangle(dc, left, top, right, bottom);
    } else if (straight && !mask && !solidRun && LibrarySwitch(kFastLineSwitch) && PatBltRopFor(rop2) &&
               !IsSpecialDC(dc) && PatBltRouteApplies(record)) {
        SelectPortPatternBrush(patternPen, 1);
        PatBlt(dc, std::min(from.h, to.h), std::min(from.v, to.v), std::abs(dh) + size.h, std::abs(dv) + size.v,
               PatBltRopFor(rop2));
    } else if (plainThinPen || thinPen) {
        // A one-pixel GDI line, shifted by half the pen, then one unit further so that the end point
        // is painted too.
        SetPenBkMode(dc, record);
        ApplyPortPen();
        int x0 = from.h + size.h / 2, y0 = from.v + size.v / 2;
        int x1 = to.h + size.h / 2, y1 = to.v + size.v / 2;
        const int endX = dh == 0 && dv != 0 ? x1 : x1 + (dh < 0 ? -1 : 1);
        const int endY = dh == 0 && dv != 0 ? y1 + (dv > 0 ? 1 : -1) : y1;
        const bool solidPen = record->penStyleSet == PS_SOLID && !IsSpecialDC(dc);
        if (solidPen && !straight) {
            // With a solid pen a polyline paints each segment as its LineTo would, in one call.
            const POINT path[3] = {{x0, y0}, {x1, y1}, {endX, endY}};
            Polyline(dc, path, 3);
        } else {
            MoveToEx(dc, x0, y0, nullptr);
            // A horizontal or vertical line and its extra unit are one straight run: with a solid pen
            // one LineTo to the unit beyond paints the same pixels, each once, as the two.
            if (!(straight && solidPen))
                LineTo(dc, x1, y1);
            LineTo(dc, endX, endY);
        }
    } else {
        // A pen wider or taller than a pixel, or a patterned pen: the area the pen rectangle sweeps.
        WidePenLine(from.h, from.v, to.h, to.v);
    }

    if (mask) {
        SetMaskDrawing(false);
        EndShapeMask(port->pnMode, 0);
    }
}

// The standard line path from the pen location to `pt`.
void StandardLinePath(GrafPtr port, PortDCRecord *record, Point pt)
{
    Point oldLoc = port->pnLoc;
    Point oldDevice = record->xform.devPenLoc;
    PenMoveCore(port, record, pt, true);
    RecordLine(port, oldLoc, pt);
    if (HDC dc = CurrentDC()) {
        DrawDeviceLine(port, record, dc, oldDevice, record->xform.devPenLoc);
        MoveToEx(dc, record->xform.devPenLoc.h, record->xform.devPenLoc.v, nullptr);
    }
}

// LineTo's dispatch: the port's own lineProc when it has one, else the standard path.
void DispatchLine(Point pt)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (port && record) {
        QDLineProcPtr proc = port->grafProcs ? port->grafProcs->lineProc : nullptr;
        if (!proc || proc == StdLine)
            StandardLinePath(port, record, pt);
        else
            proc(pt);
    }
    LowMem<uint8_t>(lmHiliteMode) |= 0x80;
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL MoveT(int16_t h, int16_t v)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    PenMoveCore(port, record, Point{v, h}, false);
    HDC dc = CurrentDC();
    if (dc && port->pnVis >= 0)
        MoveToEx(dc, record->xform.devPenLoc.h, record->xform.devPenLoc.v, nullptr);
}

ZEL_EXTERN_C void ZEL_CALL Move(int16_t dh, int16_t dv)
{
    if (GrafPtr port = CurrentPort())
        MoveT(static_cast<int16_t>(port->pnLoc.h + dh), static_cast<int16_t>(port->pnLoc.v + dv));
}

ZEL_EXTERN_C void ZEL_CALL LineT(int16_t h, int16_t v) { DispatchLine(Point{v, h}); }

ZEL_EXTERN_C void ZEL_CALL Line(int16_t dh, int16_t dv)
{
    GrafPtr port = CurrentPort();
    Point at = port ? port->pnLoc : Point{0, 0};
    DispatchLine(Point{static_cast<int16_t>(at.v + dv), static_cast<int16_t>(at.h + dh)});
}

ZEL_EXTERN_C void ZEL_CALL StdLine(Point newPt)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    RunWithOwnProcCleared(port, &QDProcs::lineProc, [&] { StandardLinePath(port, record, newPt); });
}

ZEL_EXTERN_C void ZEL_CALL ZEL_MoveFixedAmount(BOOL relative, Fixed dh, Fixed dv)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    // Without `relative` the amounts are a position: the device pen starts from 0,0.
    Point base = relative ? port->pnLoc : Point{0, 0};
    Point device = relative ? record->xform.devPenLoc : Point{0, 0};
    PenMoveCore(port, record,
                Point{static_cast<int16_t>(base.v + FixRound(dv)), static_cast<int16_t>(base.h + FixRound(dh))}, false);
    record->xform.devPenLoc = Point{static_cast<int16_t>(device.v + XformFixedHeight(dv)),
                                    static_cast<int16_t>(device.h + XformFixedWidth(dh))};
    HDC dc = CurrentDC();
    if (dc && port->pnVis >= 0)
        MoveToEx(dc, record->xform.devPenLoc.h, record->xform.devPenLoc.v, nullptr);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_UseRectForLine(BOOL on) { sUseRectForLine = on != FALSE; }

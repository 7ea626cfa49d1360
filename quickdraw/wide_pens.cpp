// Wide pens: lines drawn with a pen larger than a pixel, or with a patterned pen, are painted as the
// area the pen rectangle sweeps; the frames of the curved shapes are the ring between the shape and the
// shape inset by the pen, ph thick at the sides and pv at top and bottom, painted with the pen brush.
// Both outlines of a ring go to one PolyPolygon in ALTERNATE mode, which paints the ring between them
// (WINDING would fill the middle too).
#include "quickdraw.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace {

// Adds to `area` the union of the pen rectangles (w x h) at every point of the segment.
void AddSweptSegment(HRGN area, HRGN pen, int x0, int y0, int x1, int y1, int w, int h)
{
    int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    if (dx == 0 || dy == 0) {
        SetRectRgn(pen, std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + w, std::max(y0, y1) + h);
        CombineRgn(area, area, pen, RGN_OR);
        return;
    }
    int err = dx - dy;
    for (int x = x0, y = y0;;) {
        SetRectRgn(pen, x, y, x + w, y + h);
        CombineRgn(area, area, pen, RGN_OR);
        if (x == x1 && y == y1)
            break;
        int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
}

// Paints the pen swept along the path of `count` device points, as one region, so that every pixel is
// painted once (and inverted once in the XOR modes).
void PaintSweptPath(const POINT *points, int count)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc || count < 1)
        return;
    const Point size = record->xform.devPenSize;
    HRGN area = CreateRectRgn(0, 0, 0, 0);
    HRGN pen = CreateRectRgn(0, 0, 0, 0);
    if (area && pen) {
        if (count == 1)
            AddSweptSegment(area, pen, points[0].x, points[0].y, points[0].x, points[0].y, size.h, size.v);
        for (int i = 1; i < count; ++i)
            AddSweptSegment(area, pen, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, size.h, size.v);
        SelectNullPen(dc, record);
        SelectPortPatternBrush(patternPen, 1);
        PaintRgn(dc, area);
    }
    for (HRGN h : {area, pen})
        if (h)
            DeleteObject(h);
}

} // namespace

// PENDING: the wide-pen outlines stroke a segment as one polygon of the pen swept along it.
void WidePenLine(int x0, int y0, int x1, int y1)
{
    const POINT path[2] = {{x0, y0}, {x1, y1}};
    PaintSweptPath(path, 2);
    if (HDC dc = CurrentDC())
        MoveToEx(dc, x1, y1, nullptr);
}

// PENDING: the wide-pen outlines stroke the polygon's path as one outline built from the pen's corners.
void WidePenFramePoly(PolyHandle poly)
{
    POINT *points = nullptr;
    int n = PolyToPointArrayOpen(poly, &points);
    if (points)
        PaintSweptPath(points, n);
    FreePointArray(points);
}

namespace {

void SelectPenBrushAndNullPen(HDC dc, PortDCRecord *record)
{
    SelectPortPatternBrush(patternPen, 1);
    SelectNullPen(dc, record);
    if (record->bkModeSet != OPAQUE) {
        SetBkMode(dc, OPAQUE);
        record->bkModeSet = OPAQUE;
    }
}

void PaintRing(HDC dc, const std::vector<POINT> &outer, const std::vector<POINT> &inner)
{
    std::vector<POINT> all(outer);
    all.insert(all.end(), inner.begin(), inner.end());
    const INT counts[2] = {static_cast<INT>(outer.size()), static_cast<INT>(inner.size())};
    int oldMode = SetPolyFillMode(dc, ALTERNATE);
    PolyPolygon(dc, all.data(), counts, 2);
    SetPolyFillMode(dc, oldMode);
}

std::vector<POINT> TakeShapePoints(int n) { return std::vector<POINT>(ShapePoints(), ShapePoints() + n); }

} // namespace

void WidePenFrameOval(const RECT &r)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc)
        return;
    const int ph = record->xform.devPenSize.h, pv = record->xform.devPenSize.v;
    SelectPenBrushAndNullPen(dc, record);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w < 2 * ph || h < 2 * pv) {
        // The pen covers the whole oval.
        Ellipse(dc, r.left, r.top, r.right, r.bottom);
        return;
    }
    // The outer outline is the oval's; the inner one has radii less the pen.
    const double hw = w / 2.0, hh = h / 2.0, cx = r.left + hw, cy = r.top + hh;
    std::vector<POINT> outer, inner;
    for (int a = 0; a <= 360; a += 4) {
        double c, s;
        SinCosDegrees(a, &c, &s);
        outer.push_back(POINT{static_cast<LONG>(cx + hw * s + 0.5), static_cast<LONG>(cy - hh * c + 0.5)});
        inner.push_back(POINT{static_cast<LONG>(cx + (hw - ph) * s + 0.5), static_cast<LONG>(cy - (hh - pv) * c + 0.5)});
    }
    PaintRing(dc, outer, inner);
}

void WidePenFrameRRect(const RECT &device, int16_t ovalWidth, int16_t ovalHeight)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc)
        return;
    const int ph = record->xform.devPenSize.h, pv = record->xform.devPenSize.v;
    SelectPenBrushAndNullPen(dc, record);
    // The device rectangle of a round rectangle ends a pixel short: the outline takes it back.
    RECT r{device.left, device.top, device.right + 1, device.bottom + 1};
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w < 2 * ph || h < 2 * pv) {
        RoundRect(dc, r.left, r.top, r.right, r.bottom, ovalWidth, ovalHeight);
        return;
    }
    std::vector<POINT> outer = TakeShapePoints(BuildRoundRectPoints(r, ovalWidth, ovalHeight));
    RECT in{r.left + ph, r.top + pv, r.right - ph, r.bottom - pv};
    std::vector<POINT> inner;
    if (2 * ph < ovalWidth && 2 * pv < ovalHeight) {
        // The same corner centres, radii less the pen.
        inner = TakeShapePoints(BuildRoundRectPoints(in, static_cast<int16_t>(ovalWidth - 2 * ph),
                                                     static_cast<int16_t>(ovalHeight - 2 * pv)));
    } else {
        inner = {{in.left, in.top}, {in.right, in.top}, {in.right, in.bottom}, {in.left, in.bottom}};
    }
    PaintRing(dc, outer, inner);
}

// PENDING: the wide-pen outlines build the arc's band along the inner ellipse.
void WidePenFrameArc(const RECT &r, int32_t startAngle, int32_t arcAngle)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc)
        return;
    const int ph = record->xform.devPenSize.h, pv = record->xform.devPenSize.v;
    // The wedge within the oval's ring.
    int n = BuildArcPoints(r, startAngle, arcAngle, arcAngle % 360 != 0);
    HRGN wedge = CreatePolygonRgn(ShapePoints(), n, ALTERNATE);
    HRGN outer = CreateEllipticRgn(r.left, r.top, r.right + 1, r.bottom + 1);
    HRGN inner = CreateEllipticRgn(r.left + ph, r.top + pv, r.right - ph + 1, r.bottom - pv + 1);
    if (wedge && outer && inner) {
        CombineRgn(outer, outer, inner, RGN_DIFF);
        if (arcAngle % 360 != 0)
            CombineRgn(outer, outer, wedge, RGN_AND);
        SelectPenBrushAndNullPen(dc, record);
        PaintRgn(dc, outer);
    }
    for (HRGN h : {wedge, outer, inner})
        if (h)
            DeleteObject(h);
}

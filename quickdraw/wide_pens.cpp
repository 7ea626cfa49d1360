// Wide pens: lines drawn with a pen larger than a pixel, or with a patterned pen, are painted as the
// area the pen rectangle sweeps; the frames of the curved shapes are the ring between the shape and the
// shape inset by the pen, ph thick at the sides and pv at top and bottom, painted with the pen brush.
// Both outlines of a ring go to one PolyPolygon in ALTERNATE mode, which paints the ring between them
// (WINDING would fill the middle too).
#include "quickdraw.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace {

// Direction classes of a segment, in the order of the corner table's rows and columns.
enum Direction { dirDownRight, dirUpRight, dirRight, dirDownLeft, dirUpLeft, dirLeft, dirDown, dirUp, dirNone };

Direction DirectionOf(POINT from, POINT to)
{
    const LONG dx = to.x - from.x, dy = to.y - from.y;
    if (dx > 0)
        return dy > 0 ? dirDownRight : dy < 0 ? dirUpRight : dirRight;
    if (dx < 0)
        return dy > 0 ? dirDownLeft : dy < 0 ? dirUpLeft : dirLeft;
    return dy > 0 ? dirDown : dy < 0 ? dirUp : dirNone;
}

int QuadrantOf(POINT from, POINT to)
{
    const LONG dx = to.x - from.x, dy = to.y - from.y;
    if (dx > 0 && dy >= 0)
        return 0;
    if (dx <= 0 && dy > 0)
        return 1;
    if (dx < 0 && dy <= 0)
        return 2;
    return 3;
}

// The pen corners a vertex emits, by incoming and outgoing direction: the first corner relative to the
// incoming quadrant q (-1 for "q-1") and how many follow it; 0 corners for none.
struct CornerRun {
    int8_t first;
    int8_t count;
};
constexpr CornerRun Q{0, 1}, Q1{0, 2}, Q2{0, 3}, Q3{0, 4}, QM{-1, 1}, NONE{0, 0};
constexpr CornerRun kPenCornerTable[8][8] = {
    /* down-right */ {Q, Q3, Q, Q1, Q2, Q1, Q, Q2},
    /* up-right   */ {Q1, Q, Q, Q2, Q3, Q2, Q1, Q},
    /* right      */ {Q, QM, NONE, Q1, Q2, Q1, Q, QM},
    /* down-left  */ {Q3, Q2, Q2, Q, Q1, Q, Q, Q1},
    /* up-left    */ {Q2, Q1, Q1, Q3, Q, Q, Q2, Q},
    /* left       */ {Q2, Q1, Q1, QM, Q, NONE, QM, Q},
    /* down       */ {QM, Q2, QM, Q, Q1, Q, NONE, Q1},
    /* up         */ {Q1, Q, Q, Q2, QM, QM, Q1, NONE},
};

// The outline of the pen swept along a path: at each vertex of the walk out along the path and back,
// the pen corners the table names, in corner order q, q+1, ... taken round modulo 4. Filled with
// WINDING, the outline is the pen's Minkowski sum with the path, painted once.
void WidePenStroke(const POINT *points, int count)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc || count < 1)
        return;
    const LONG ph = record->xform.devPenSize.h, pv = record->xform.devPenSize.v;
    const POINT corner[4] = {{ph, 0}, {ph, pv}, {0, pv}, {0, 0}};
    // The distinct points of the path, runs of equal points made one.
    std::vector<POINT> path;
    for (int i = 0; i < count; ++i)
        if (path.empty() || path.back().x != points[i].x || path.back().y != points[i].y)
            path.push_back(points[i]);
    std::vector<POINT> outline;
    if (path.size() == 1) {
        for (const POINT &c : corner)
            outline.push_back(POINT{path[0].x + c.x, path[0].y + c.y});
    } else {
        // The walk: out to the last point and back; each vertex sees its neighbours in the walk.
        std::vector<POINT> walk(path);
        for (size_t i = path.size() - 1; i-- > 1;)
            walk.push_back(path[i]);
        const size_t n = walk.size();
        for (size_t i = 0; i < n; ++i) {
            const POINT &prev = walk[(i + n - 1) % n], &at = walk[i], &next = walk[(i + 1) % n];
            Direction in = DirectionOf(prev, at), out = DirectionOf(at, next);
            if (in == dirNone || out == dirNone)
                continue;
            const CornerRun run = kPenCornerTable[in][out];
            const int q = QuadrantOf(prev, at);
            for (int k = 0; k < run.count; ++k) {
                const POINT &c = corner[(q + run.first + k + 4) % 4];
                outline.push_back(POINT{at.x + c.x, at.y + c.y});
            }
        }
    }
    if (outline.size() < 3)
        return;
    SelectPortPatternBrush(patternPen, 1);
    SelectNullPen(dc, record);
    if (record->bkModeSet != OPAQUE) {
        SetBkMode(dc, OPAQUE);
        record->bkModeSet = OPAQUE;
    }
    int oldMode = SetPolyFillMode(dc, WINDING);
    Polygon(dc, outline.data(), static_cast<int>(outline.size()));
    SetPolyFillMode(dc, oldMode);
}

} // namespace

void WidePenLine(int x0, int y0, int x1, int y1)
{
    const POINT path[2] = {{x0, y0}, {x1, y1}};
    WidePenStroke(path, 2);
    if (HDC dc = CurrentDC())
        MoveToEx(dc, x1, y1, nullptr);
}

void WidePenFramePoly(PolyHandle poly)
{
    POINT *points = nullptr;
    int n = PolyToPointArrayOpen(poly, &points);
    if (points)
        WidePenStroke(points, n);
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

// The band of a wide arc: the outer arc every 4 degrees, then back along the inner ellipse from the
// ray through the outer end to the ray through the outer start (a wedge through the centre when the pen
// fills the oval), filled WINDING with the pen brush.
void WidePenFrameArc(const RECT &r, int32_t startAngle, int32_t arcAngle)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc)
        return;
    if (arcAngle < 0) {
        startAngle += arcAngle;
        arcAngle = -arcAngle;
    }
    if (arcAngle >= 360) {
        WidePenFrameOval(r);
        return;
    }
    const int ph = record->xform.devPenSize.h, pv = record->xform.devPenSize.v;
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<POINT> band = TakeShapePoints(BuildArcPoints(r, startAngle, arcAngle, false));
    const int n = static_cast<int>(band.size());
    if (n == 0)
        return;
    if (ph < w / 2 && pv < h / 2) {
        const double hw = w / 2.0, hh = h / 2.0, cx = r.left + hw, cy = r.top + hh;
        const double ihw = hw - ph, ihh = hh - pv;
        auto inner = [&](double degrees) {
            double c, s;
            SinCosDegrees(static_cast<int32_t>(degrees), &c, &s);
            return POINT{static_cast<LONG>(cx + ihw * s + 0.5), static_cast<LONG>(cy - ihh * c + 0.5)};
        };
        int32_t start = startAngle % 360;
        if (start < 0)
            start += 360;
        const int32_t end = start + arcAngle;
        if (start % 90 == 0 && end % 90 == 0) {
            for (int32_t a = end;; a -= 4) {
                if (a < start)
                    a = start;
                band.push_back(inner(a));
                if (a == start)
                    break;
            }
        } else {
            // Where the ray through the outer end point meets the inner ellipse.
            constexpr double kPi = 3.14159265358979323846;
            const double k = (ihh * hw) / (ihw * hh);
            auto parametric = [&](int32_t e) {
                double rad = e * kPi / 180.0;
                double t = e % 90 == 0 ? rad : std::atan2(k * std::sin(rad), std::cos(rad));
                while (t < 0)
                    t += 2 * kPi;
                return t;
            };
            double from = parametric(start), to = parametric(end);
            while (to < from)
                to += 2 * kPi;
            for (int j = 0; j < n; ++j) {
                double t = j == n - 1 ? from : to - j * (to - from) / n;
                band.push_back(inner(static_cast<int32_t>(t * 180.0 / kPi + 0.5)));
            }
        }
    } else {
        band.push_back(POINT{r.left + w / 2, r.top + h / 2});
    }
    SelectPenBrushAndNullPen(dc, record);
    int oldMode = SetPolyFillMode(dc, WINDING);
    Polygon(dc, band.data(), static_cast<int>(band.size()));
    SetPolyFillMode(dc, oldMode);
}

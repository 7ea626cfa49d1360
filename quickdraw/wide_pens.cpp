// Wide pens: lines drawn with a pen larger than a pixel, or with a patterned pen, are painted as the
// area the pen rectangle sweeps.
#include "quickdraw.h"

#include <algorithm>
#include <cstdlib>

// The union of the pen rectangles at every point of the segment, painted with the pen brush.
// PENDING: the wide-pen outlines stroke a segment as one polygon of the pen swept along it.
void WidePenLine(int x0, int y0, int x1, int y1)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc)
        return;
    const Point size = record->xform.devPenSize;
    HRGN area = CreateRectRgn(0, 0, 0, 0);
    HRGN pen = CreateRectRgn(0, 0, 0, 0);
    if (area && pen) {
        int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
        int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        if (dx == 0 || dy == 0) {
            SetRectRgn(area, std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + size.h,
                       std::max(y0, y1) + size.v);
        } else {
            int err = dx - dy;
            for (int x = x0, y = y0;;) {
                SetRectRgn(pen, x, y, x + size.h, y + size.v);
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
        SelectNullPen(dc, record);
        SelectPortPatternBrush(patternPen, 1);
        PaintRgn(dc, area);
    }
    if (pen)
        DeleteObject(pen);
    if (area)
        DeleteObject(area);
    MoveToEx(dc, x1, y1, nullptr);
}

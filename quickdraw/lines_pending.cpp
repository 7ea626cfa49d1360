// Least forms of what the line path takes from wide pens, printing
// and the other standard procedures, until their own areas provide them.
#include "quickdraw.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
// penState bit: the DC holds the null pen in place of the record's pen (ApplyPortPen selects it again).
constexpr uint16_t kNullPenSelected = 0x8000;
}


// The union of the pen rectangles at every point of the segment, painted with the pen brush.
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
        SelectObject(dc, GetStockObject(NULL_PEN));
        record->penState |= kNullPenSelected;
        SelectPortPatternBrush(patternPen, 1);
        PaintRgn(dc, area);
    }
    if (pen)
        DeleteObject(pen);
    if (area)
        DeleteObject(area);
    MoveToEx(dc, x1, y1, nullptr);
}

HDC PrinterDC() { return nullptr; }

ZEL_STUB_VOID(StdText, (int16_t, const void *, Point, Point))
ZEL_STUB_VOID(StdRRect, (GrafVerb, const Rect *, int16_t, int16_t))
ZEL_STUB_VOID(StdOval, (GrafVerb, const Rect *))
ZEL_STUB_VOID(StdArc, (GrafVerb, const Rect *, int16_t, int16_t))
ZEL_STUB_VOID(StdPoly, (GrafVerb, PolyHandle))
ZEL_STUB_VOID(StdBits, (const BitMap *, const Rect *, const Rect *, int16_t, RgnHandle))
ZEL_STUB_VOID(StdComment, (int16_t, int16_t, Handle))
ZEL_STUB(int16_t, StdTxMeas, 0, (int16_t, const void *, Point *, Point *, struct FontInfo *))
ZEL_STUB_VOID(StdGetPic, (void *, int16_t))
ZEL_STUB_VOID(StdPutPic, (const void *, int16_t))

// Least forms of what the line path takes from the transform, drawing state, pattern brushes,
// polygons, regions, wide pens, the screen probe, printing and the other standard procedures, until
// their own areas provide them.
#include "quickdraw.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint16_t kPenRebuild = 0x0001;
constexpr uint16_t kNullPenSelected = 0x8000;

int16_t FixRound(Fixed value) { return static_cast<int16_t>((value + 0x8000) >> 16); }

// ROP2 and background mode of a pen mode; `emulated` when GDI cannot draw it.
void PenModeTraits(int16_t mode, uint16_t &rop2, uint16_t &bkMode, bool &emulated)
{
    emulated = false;
    bkMode = TRANSPARENT;
    switch (mode) {
    case 0: case 8: case 32: rop2 = R2_COPYPEN; bkMode = OPAQUE; return;
    case 1: case 9: rop2 = R2_MASKPEN; return;
    case 2: case 10: case 34: case 38: rop2 = R2_NOTXORPEN; return;
    case 3: case 11: case 33: case 37: rop2 = R2_MERGENOTPEN; return;
    case 4: case 12: rop2 = R2_NOTCOPYPEN; bkMode = OPAQUE; return;
    case 5: case 13: rop2 = R2_MASKNOTPEN; bkMode = OPAQUE; return;
    case 6: case 14: rop2 = R2_XORPEN; bkMode = OPAQUE; return;
    case 7: case 15: rop2 = R2_MERGEPEN; bkMode = OPAQUE; return;
    case 35: case 36: case 39: case 47: rop2 = R2_MASKPEN; return;
    case 49: rop2 = R2_MASKPEN; bkMode = OPAQUE; emulated = true; return;
    default: rop2 = R2_MASKPEN; emulated = true; return;
    }
}

} // namespace

void XformXY(int16_t *h, int16_t *v)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record || !h || !v)
        return;
    const PortXform &x = record->xform;
    *h = static_cast<int16_t>(std::clamp(*h + (x.dstOrigin.h - x.srcOrigin.h), -32768, 32767));
    *v = static_cast<int16_t>(std::clamp(*v + (x.dstOrigin.v - x.srcOrigin.v), -32768, 32767));
}

int16_t XformFixedWidth(Fixed width) { return FixRound(width); }
int16_t XformFixedHeight(Fixed height) { return FixRound(height); }

void ApplyPortPen()
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc)
        return;
    if (record->penState & kPenRebuild) {
        if (record->backColorRef != record->backColorRefSet) {
            SetBkColor(dc, record->backColorRef);
            record->backColorRefSet = record->backColorRef;
        }
        Point size = record->xform.devPenSize;
        int width = record->thinPen ? 1 : (size.h + size.v) / 2;
        HPEN pen = !record->thinPen && size.h == 0 && size.v == 0
                       ? CreatePen(PS_NULL, 0, 0)
                       : CreatePen(record->penStyle, width, record->foreColorRef);
        SelectObject(dc, pen);
        if (record->hpen)
            DeleteObject(record->hpen);
        record->hpen = pen;
        record->penStyleSet = record->penStyle;
    } else if ((record->penState & kNullPenSelected) && record->hpen) {
        SelectObject(dc, record->hpen);
    }
    record->penState = 0;
}

void AddPolyPoint()
{
    if (PortDCRecord *record = CurrentPortRecord())
        ++record->polyPointCount;
}

bool RegionSubpathsOpen() { return false; }
void NoteRegionSubpathEnd(uint16_t) {}

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

bool ScreenProbeFlag(ScreenProbe) { return false; }

HDC PrinterDC() { return nullptr; }

ZEL_EXTERN_C void ZEL_CALL PenMode(int16_t mode)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    if (mode >= 40 && mode <= 63)
        mode = static_cast<int16_t>(mode - 8);
    if (mode == port->pnMode)
        return;
    record->penState |= kPenRebuild;
    port->pnMode = mode;
    uint16_t rop2, bkMode;
    bool emulated;
    PenModeTraits(mode, rop2, bkMode, emulated);
    record->penNeedsEmulation = emulated ? 1 : 0;
    record->rop2Wanted = rop2;
    record->penBkModeWanted = bkMode;
}

ZEL_EXTERN_C void ZEL_CALL PenSize(int16_t width, int16_t height)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    if (port->pnSize.h != width || port->pnSize.v != height) {
        record->penState |= kPenRebuild;
        port->pnSize = Point{height, width};
    }
    if (width == 0 || height == 0) {
        record->lineWidthActive = 0;
        record->lineWidth = kDefaultLineWidth;
    }
    XformUpdate();
}

ZEL_STUB_VOID(StdText, (int16_t, const void *, Point, Point))
ZEL_STUB_VOID(StdRect, (GrafVerb, const Rect *))
ZEL_STUB_VOID(StdRRect, (GrafVerb, const Rect *, int16_t, int16_t))
ZEL_STUB_VOID(StdOval, (GrafVerb, const Rect *))
ZEL_STUB_VOID(StdArc, (GrafVerb, const Rect *, int16_t, int16_t))
ZEL_STUB_VOID(StdPoly, (GrafVerb, PolyHandle))
ZEL_STUB_VOID(StdRgn, (GrafVerb, RgnHandle))
ZEL_STUB_VOID(StdBits, (const BitMap *, const Rect *, const Rect *, int16_t, RgnHandle))
ZEL_STUB_VOID(StdComment, (int16_t, int16_t, Handle))
ZEL_STUB(int16_t, StdTxMeas, 0, (int16_t, const void *, Point *, Point *, struct FontInfo *))
ZEL_STUB_VOID(StdGetPic, (void *, int16_t))
ZEL_STUB_VOID(StdPutPic, (const void *, int16_t))

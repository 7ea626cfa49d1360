// Rectangles: FrameRect, PaintRect, EraseRect, InvertRect, FillRect, FillCRect and StdRect meet in one
// rectangle core that records the call into an open picture or polygon and draws it with GDI. A
// rectangle covers the device pixels [left, right) x [top, bottom) exactly, as on the Macintosh, and a
// frame's pen lies wholly inside the rectangle.
#include "quickdraw.h"
#include "ByteOrder.h"
#include "../imaging/imaging_services.h"
#include "../devices/devices_services.h"

#include <algorithm>

namespace {

constexpr uint16_t kPenPatSet = 0x0001;
constexpr uint8_t kHiliteOff = 0x80;
constexpr uint16_t kOpRect = 0x0030;

// Set between BeginShapeMask and EndShapeMask: everything is then drawn black into the mask.
bool sMaskDrawing;

// The four sides of the frame being drawn (top, left, bottom, right) and whether each holds pixels.
RECT sSides[4];
bool sSideValid[4];

bool DrawingAllowed(GrafPtr port, const PortDCRecord *record)
{
    return port->pnVis >= 0 && record->drawEnabled && !record->penNeedsEmulation && !record->clipEmpty;
}

bool IsSpecialDC(HDC dc) { return (PrinterDC() && dc == PrinterDC()) || (SwappedDC() && dc == SwappedDC()); }

// PatBlt paints a pattern exactly as GDI's brush would on this display and DC.
bool PatBltAllowed(const PortDCRecord *record, HDC dc)
{
    return ScreenProbeFlag(probePatternRect) && !IsSpecialDC(dc) && !(record->flags & portDCOwnsDC);
}

void SetRop2Cached(HDC dc, PortDCRecord *record, int rop2)
{
    if (rop2 != record->rop2Set) {
        SetROP2(dc, rop2);
        record->rop2Set = static_cast<uint16_t>(rop2);
    }
}

HBRUSH PlainPatternSolidBrush(PortDCRecord *record, HDC dc, PlainPattern plain)
{
    return sMaskDrawing ? nullptr : PlainSolidBrush(record, dc, plain);
}

bool FillPlainPatternSolid(PortDCRecord *record, HDC dc, PlainPattern plain, int rop2, int left, int top, int right,
                           int bottom)
{
    HBRUSH brush = PlainPatternSolidBrush(record, dc, plain);
    if (!brush)
        return false;
    if (rop2 == R2_COPYPEN) {
        RECT r{left, top, right, bottom};
        FillRect(dc, &r, brush);
        return true;
    }
    // Rectangle without a pen leaves out the right and bottom edges.
    SetRop2Cached(dc, record, rop2);
    SelectNullPen(dc, record);
    HGDIOBJ held = SelectObject(dc, brush);
    Rectangle(dc, left, top, right + 1, bottom + 1);
    SelectObject(dc, held);
    return true;
}

// The frame's sides in a plain pen pattern copied onto a direct-colour surface: each side is what
// FillPlainPatternSolid would fill (the solid brush of the pattern's one colour, PATCOPY), with the
// brush selected once for all four.
bool FrameSidesSolid(PortDCRecord *record, HDC dc, PlainPattern plain)
{
    HBRUSH brush = PlainPatternSolidBrush(record, dc, plain);
    if (!brush)
        return false;
    HGDIOBJ held = SelectObject(dc, brush);
    for (int i = 0; i < 4; ++i)
        if (sSideValid[i])
            PatBlt(dc, sSides[i].left, sSides[i].top, sSides[i].right - sSides[i].left,
                   sSides[i].bottom - sSides[i].top, PATCOPY);
    SelectObject(dc, held);
    return true;
}

void SetBkModeCached(HDC dc, PortDCRecord *record, int mode)
{
    if (mode != record->bkModeSet) {
        SetBkMode(dc, mode);
        record->bkModeSet = static_cast<uint16_t>(mode);
    }
}

// The sides of a frame of pen pv x ph in the device rectangle. The sides never overlap: where the pen
// is larger than half the rectangle the sides meet, so that every pixel of the frame is painted once
// and the XOR modes invert it once.
void ComputeFrameSides(int l, int t, int r, int b, int pv, int ph)
{
    int innerTop = std::min(t + pv, b);
    int innerBottom = std::max(b - pv, innerTop);
    int innerLeft = std::min(l + ph, r);
    int innerRight = std::max(r - ph, innerLeft);
    sSides[0] = RECT{l, t, r, innerTop};
    sSides[1] = RECT{l, innerTop, innerLeft, innerBottom};
    sSides[2] = RECT{l, innerBottom, r, b};
    sSides[3] = RECT{innerRight, innerTop, r, innerBottom};
    for (int i = 0; i < 4; ++i)
        sSideValid[i] = sSides[i].left < sSides[i].right && sSides[i].top < sSides[i].bottom;
}

// A fill on a colour port: a one-bit pattern (or an RGB pattern, whose colour is its brush) is filled
// with its brush; a full pixel pattern is expanded over the rectangle on the port's pattern grid and
// copied in one transfer, so that adjacent fills join and the tiling follows the port's origin.
void FillColorPortRect(CGrafPtr cport, const RECT &r)
{
    PixPatHandle pp = cport->fillPixPat;
    if (sMaskDrawing || !HandleHasData(pp) || (*pp)->patType != 1) {
        FillRectWithRop2(R2_COPYPEN, patternFill, r.left, r.top, r.right, r.bottom);
        return;
    }
    int16_t left = static_cast<int16_t>(r.left), top = static_cast<int16_t>(r.top);
    int16_t right = static_cast<int16_t>(r.right), bottom = static_cast<int16_t>(r.bottom);
    RevXformXY(&left, &top);
    RevXformXY(&right, &bottom);
    const Rect local{top, left, bottom, right};
    GrafPtr port = reinterpret_cast<GrafPtr>(cport);
    if (!ExpandColorPattern(pp, nullptr, &port->portBits, &local, srcCopy, nullptr))
        FillRectWithRop2(R2_COPYPEN, patternFill, r.left, r.top, r.right, r.bottom);
}

void FillVerbRect(GrafPtr port, PortDCRecord *record, GrafVerb verb, const RECT &r)
{
    bool hiliteVerb = verb == verbPaint || verb == verbInvert;
    if (hiliteVerb && !(LowMem<uint8_t>(lmHiliteMode) & kHiliteOff) && HiliteScreenRect(r))
        return;
    switch (verb) {
    case verbPaint:
        FillRectWithRop2(record->rop2Wanted, patternPen, r.left, r.top, r.right, r.bottom);
        break;
    case verbErase:
        FillRectWithRop2(R2_COPYPEN, patternBack, r.left, r.top, r.right, r.bottom);
        break;
    case verbInvert:
        FillRectWithRop2(R2_NOT, -1, r.left, r.top, r.right, r.bottom);
        break;
    case verbFill:
        if (IsColorPort(port))
            FillColorPortRect(AsColorPort(port), r);
        else
            FillRectWithRop2(R2_COPYPEN, patternFill, r.left, r.top, r.right, r.bottom);
        break;
    default:
        break;
    }
}

} // namespace

// A one-bit brush of a plain pattern paints every pixel in the DC's text or background colour; on a
// direct-colour surface a solid brush of that colour paints the very same pixels, and GDI fills with
// it several times faster. A palette-relative colour names its RGB directly where there is no palette
// (24 bits and more; 16-bit surfaces keep the pattern brush for it, in case GDI dithers a solid brush
// there). Palette surfaces (where a solid brush may dither), printers and swapped DCs keep the pattern
// brush (no brush).
HBRUSH PlainSolidBrush(PortDCRecord *record, HDC dc, PlainPattern plain)
{
    if (plain == plainNone || !PlainPatternsSolid() || record->depth < 16 || IsSpecialDC(dc))
        return nullptr;
    COLORREF colour = plain == plainFore ? GetTextColor(dc) : GetBkColor(dc);
    if (colour != CLR_INVALID && (colour >> 24) == 2 && record->depth >= 24)
        colour &= 0x00FFFFFF;
    if (colour == CLR_INVALID || (colour >> 24) != 0)
        return nullptr;
    return CachedSolidBrush(colour);
}

HGDIOBJ SelectShapeBrush(PortDCRecord *record, HDC dc, int kind, bool maskDrawing)
{
    if (kind < 0)
        return nullptr;
    PlainPattern plain = plainNone;
    SelectPortPatternBrushPlain(static_cast<int16_t>(kind), 0, &plain);
    HBRUSH solid = maskDrawing ? nullptr : PlainSolidBrush(record, dc, plain);
    if (solid && !BrushReleaseMode()) {
        // The solid brush stays selected, named by the record like the pattern brushes, so that shapes
        // filled one after another select it once; the next pattern brush displaces it.
        if (record->hbrush != solid) {
            SelectObject(dc, solid);
            record->hbrush = solid;
        }
        return nullptr;
    }
    SelectPortPatternBrushPlain(static_cast<int16_t>(kind), 1, nullptr);
    return solid ? SelectObject(dc, solid) : nullptr;
}

void FillRectWithRop2(int rop2, int kind, int left, int top, int right, int bottom)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc || left >= right || top >= bottom)
        return;
    if (sMaskDrawing)
        rop2 = R2_COPYPEN;
    PlainPattern plain = plainNone;
    if (kind != -1)
        SelectPortPatternBrushPlain(static_cast<int16_t>(kind), 1, &plain);
    if (plain != plainNone && FillPlainPatternSolid(record, dc, plain, rop2, left, top, right, bottom))
        return;
    bool patBlt = PatBltAllowed(record, dc);
    if (patBlt && (rop2 == R2_COPYPEN || rop2 == R2_MASKPEN)) {
        PatBlt(dc, left, top, right - left, bottom - top, rop2 == R2_COPYPEN ? 0x00F00021 : 0x00A000C9);
        return;
    }
    if (patBlt && rop2 == R2_NOT) {
        PatBlt(dc, left, top, right - left, bottom - top, DSTINVERT);
        return;
    }
    // Rectangle without a pen leaves out the right and bottom edges: one more unit on each side
    // covers exactly the rectangle. A printer draws at least its scale factor wide.
    if (PrinterDC() && dc == PrinterDC()) {
        int scale = PrinterScaleFactor();
        right = std::max(right, left + scale) + scale;
        bottom = std::max(bottom, top + scale) + scale;
    } else {
        ++right;
        ++bottom;
    }
    SetRop2Cached(dc, record, rop2);
    SetBkModeCached(dc, record, OPAQUE);
    SelectNullPen(dc, record);
    Rectangle(dc, left, top, right, bottom);
}

void FrameRectDevice(const Rect *macRect, int left, int top, int right, int bottom)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!port || !record)
        return;
    if (port->rgnSave) {
        // A region being built takes the untransformed rectangle.
        RgnAddToOpenRgn(CreateRectRgn(macRect->left, macRect->top, macRect->right, macRect->bottom));
    } else if (port->polySave) {
        // An open polygon takes the outline.
        MoveT(macRect->left, macRect->top);
        LineT(macRect->right, macRect->top);
        LineT(macRect->right, macRect->bottom);
        LineT(macRect->left, macRect->bottom);
        LineT(macRect->left, macRect->top);
    }
    if (!dc || !DrawingAllowed(port, record))
        return;

    int penRop2 = record->rop2Wanted;
    SetRop2Cached(dc, record, sMaskDrawing ? R2_COPYPEN : penRop2);
    SetBkModeCached(dc, record, record->penBkModeWanted);

    Point size = record->xform.devPenSize;
    bool printer = PrinterDC() && dc == PrinterDC();
    // The thin path draws one-pixel lines; a rectangle one pixel wide or high would have its lines
    // cross themselves (twice inverted in the XOR modes), so it takes the side fills.
    bool thin = LibrarySetting(settingThinFrames) != 0 && size.h == 1 && size.v == 1 &&
                ((penRop2 == R2_NOTXORPEN && (record->penPatState & kPenPatSet)) || printer) &&
                right - left > 1 && bottom - top > 1;
    if (thin) {
        if (PatBltAllowed(record, dc)) {
            SelectPortPatternBrush(patternPen, 1);
            ComputeFrameSides(left, top, right, bottom, 1, 1);
            for (int i = 0; i < 4; ++i)
                if (sSideValid[i])
                    PatBlt(dc, sSides[i].left, sSides[i].top, sSides[i].right - sSides[i].left,
                           sSides[i].bottom - sSides[i].top, 0x00A50065);
        } else {
            ApplyPortPen();
            MoveToEx(dc, left, top, nullptr);
            LineTo(dc, right - 1, top);
            LineTo(dc, right - 1, bottom - 1);
            LineTo(dc, left, bottom - 1);
            LineTo(dc, left, top);
        }
        return;
    }

    if (record->thinPen)
        size = Point{1, 1};
    PlainPattern plain = plainNone;
    SelectPortPatternBrushPlain(patternPen, 1, &plain);
    SelectNullPen(dc, record);
    ComputeFrameSides(left, top, right, bottom, size.v, size.h);
    bool hilite = !(LowMem<uint8_t>(lmHiliteMode) & kHiliteOff);
    if (plain != plainNone && !hilite && penRop2 == R2_COPYPEN && FrameSidesSolid(record, dc, plain))
        return;
    for (int i = 0; i < 4; ++i) {
        if (!sSideValid[i] || (hilite && HiliteScreenRect(sSides[i])))
            continue;
        FillRectWithRop2(penRop2, -1, sSides[i].left, sSides[i].top, sSides[i].right, sSides[i].bottom);
    }
}

void RectDrawCore(GrafVerb verb, const Rect *rect)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !rect)
        return;
    if (port->grafProcs && port->grafProcs->rectProc && port->grafProcs->rectProc != StdRect) {
        port->grafProcs->rectProc(verb, rect);
        return;
    }
    if (rect->top >= rect->bottom || rect->left >= rect->right)
        return;

    if (DrawingAllowed(port, record) || verb == verbFrame) {
        RECT r;
        ZEL_ConvMRtoWR(rect, &r);
        if (record->xform.offsetActive)
            XformWinRect(&r);
        sMaskDrawing = false;
        Rect device{static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
                    static_cast<int16_t>(r.right)};
        if (DrawingAllowed(port, record) && BeginShapeMask(&device, verb, 0)) {
            sMaskDrawing = true;
            SetMaskDrawing(true);
        }
        if (verb == verbFrame)
            FrameRectDevice(rect, r.left, r.top, r.right, r.bottom);
        else
            FillVerbRect(port, record, verb, r);
        if (sMaskDrawing) {
            sMaskDrawing = false;
            SetMaskDrawing(false);
            EndShapeMask(port->pnMode, verb != verbFrame);
        }
    }

    if (port->picSave && !port->rgnSave && RecordPictPortState()) {
        RecordPictVerbState(verb);
        RecordPictRectOp(static_cast<uint16_t>(kOpRect + verb), rect);
    }
}

// The default body of the patchable EraseRect.
void ZEL_CALL EraseRectImpl(const Rect *rect) { RectDrawCore(verbErase, rect); }

ZEL_EXTERN_C void ZEL_CALL StdRect(GrafVerb verb, const Rect *r)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    RunWithOwnProcCleared(port, &QDProcs::rectProc, [&] { RectDrawCore(verb, r); });
}

ZEL_EXTERN_C void ZEL_CALL FrameRec(const Rect *r)
{
    RectDrawCore(verbFrame, r);
    LowMem<uint8_t>(lmHiliteMode) |= kHiliteOff;
}

ZEL_EXTERN_C void ZEL_CALL InvertRec(const Rect *r)
{
    RectDrawCore(verbInvert, r);
    LowMem<uint8_t>(lmHiliteMode) |= kHiliteOff;
}

ZEL_EXTERN_C void ZEL_CALL PaintRect(const Rect *r)
{
    GrafPtr port = CurrentPort();
    bool done = false;
    if (port && BrushReleaseMode() && (port->pnMode == srcCopy || port->pnMode == patCopy) && port->pnVis >= 0) {
        if (IsColorPort(port)) {
            PixPatHandle pp = AsColorPort(port)->pnPixPat;
            if (HandleHasData(pp))
                done = TryDibFillRect(r, &(*pp)->pat1Data);
        } else {
            done = TryDibFillRect(r, &port->pnPat);
        }
    }
    if (!done)
        RectDrawCore(verbPaint, r);
    LowMem<uint8_t>(lmHiliteMode) |= kHiliteOff;
}

ZEL_EXTERN_C void ZEL_CALL FillRec(const Rect *r, const Pattern *pat)
{
    if (!pat)
        return;
    if (BrushReleaseMode() && TryDibFillRect(r, pat))
        return;
    SetPortPatternByKind(patternFill, *pat);
    RectDrawCore(verbFill, r);
}

ZEL_EXTERN_C void ZEL_CALL FillCRect(const Rect *r, PixPatHandle pp)
{
    GrafPtr port = CurrentPort();
    if (!port || !IsColorPort(port))
        return;
    if (BrushReleaseMode() && TryDibFillCRect(r, pp))
        return;
    CGrafPtr cport = AsColorPort(port);
    // Filling with the port's own fill pattern is a fill like any other.
    PixPatHandle old = cport->fillPixPat;
    cport->fillPixPat = pp;
    RectDrawCore(verbFill, r);
    cport->fillPixPat = old;
}

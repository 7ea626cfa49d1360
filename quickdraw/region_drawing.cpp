// Region drawing: FrameRg, PaintRg, EraseRgn, InvertRg, FillRg and the StdRgn bottleneck, drawn through
// GDI with the port's pattern brushes, and the open region that framed shapes add to between OpenRgn
// and CloseRgn.
#include "quickdraw.h"
#include "../imaging/imaging_services.h"
#include "OSUtils.h"

namespace {

enum : GrafVerb { kFrame = 0, kPaint = 1, kErase = 2, kInvert = 3, kFill = 4 };
constexpr uint16_t kNullPenSelected = 0x8000;
constexpr uint32_t kDrawSwitch = 0x8000;
constexpr DWORD kPaintThroughMask = 0xB8074A; // the brush where the mask bit is 0, else the destination
constexpr DWORD kInvertThroughMask = 0x990066; // the destination inverted where the mask bit is 0

bool IsMaskForm(RgnHandle rgn) { return (**rgn).rgnSize == 14; }

void SetRop2(HDC dc, PortDCRecord *record, int rop2)
{
    if (rop2 != record->rop2Set) {
        SetROP2(dc, rop2);
        record->rop2Set = static_cast<uint16_t>(rop2);
    }
}

void AfterBrush(HBRUSH brush)
{
    if (brush && BrushReleaseMode())
        ReleaseBrush(brush);
}

// Draws a region already in device coordinates.
void DrawDeviceRgn(GrafPtr port, PortDCRecord *record, HDC dc, GrafVerb verb, RgnHandle rgn)
{
    const Rect box = (**rgn).rgnBBox;
    const bool maskForm = IsMaskForm(rgn);
    bool mask = false;
    if (LibrarySwitch(kDrawSwitch))
        mask = BeginShapeMask(&box, verb, maskForm && verb == kPaint && port->pnMode != 0 && port->pnMode != 8);
    const int rop2 = mask ? R2_COPYPEN : record->rop2Wanted;

    if (verb == kFrame || (port->pnVis >= 0 && record->drawEnabled && !record->penNeedsEmulation && !record->clipEmpty)) {
        if (maskForm) {
            HBRUSH brush = nullptr;
            switch (verb) {
            case kFrame:
                DebugStr(reinterpret_cast<ConstStr255Param>("\x17" "FrameRgn - bitmap style"));
                break;
            case kPaint:
                brush = SelectPortPatternBrush(patternPen, 1);
                PaintRgnWithRop(dc, rgn, rop2, kPaintThroughMask);
                break;
            case kInvert:
                PaintRgnWithRop(dc, rgn, R2_NOT, kInvertThroughMask);
                break;
            default: {
                brush = SelectPortPatternBrush(verb == kErase ? patternBack : patternFill, 0);
                HGDIOBJ old = SelectObjectMirrored(dc, brush);
                PaintRgnWithRop(dc, rgn, R2_NOP, kPaintThroughMask);
                SelectObjectMirrored(dc, old);
                break;
            }
            }
            AfterBrush(brush);
        } else {
            // The rectangle form draws through a GDI region of its box made for the occasion.
            const bool rectForm = ZEL_IsRectRgn(rgn);
            HRGN h = rectForm ? CreateRectRgn(box.left, box.top, box.right, box.bottom)
                              : reinterpret_cast<HRGN>(static_cast<uintptr_t>((**rgn).rgnForm));
            HBRUSH brush = nullptr;
            switch (verb) {
            case kFrame: {
                SetRop2(dc, record, rop2);
                if (record->penBkModeWanted != record->bkModeSet) {
                    SetBkMode(dc, record->penBkModeWanted);
                    record->bkModeSet = record->penBkModeWanted;
                }
                const int w = record->thinPen ? 1 : record->xform.devPenSize.h;
                const int v = record->thinPen ? 1 : record->xform.devPenSize.v;
                brush = SelectPortPatternBrush(patternPen, 1);
                if (w > 0 && v > 0)
                    FrameRgn(dc, h, brush, w, v);
                break;
            }
            case kPaint:
                brush = SelectPortPatternBrush(patternPen, 1);
                if (!(record->penState & kNullPenSelected)) {
                    SelectObject(dc, GetStockObject(NULL_PEN));
                    record->penState |= kNullPenSelected;
                }
                SetRop2(dc, record, rop2);
                PaintRgn(dc, h);
                break;
            case kInvert:
                SetRop2(dc, record, R2_COPYPEN);
                InvertRgn(dc, h);
                break;
            default:
                SetRop2(dc, record, R2_COPYPEN);
                brush = SelectPortPatternBrush(verb == kErase ? patternBack : patternFill, 1);
                FillRgn(dc, h, brush);
                break;
            }
            AfterBrush(brush);
            if (rectForm && h)
                DeleteObject(h);
        }
    }
    if (mask)
        EndShapeMask(port->pnMode, 0);
}

void RgnDrawCore(GrafVerb verb, RgnHandle rgn)
{
    GrafPtr port = CurrentPort();
    if (!port || !HandleHasData(rgn))
        return;
    if (port->grafProcs && port->grafProcs->rgnProc && port->grafProcs->rgnProc != StdRgn) {
        port->grafProcs->rgnProc(verb, rgn);
        return;
    }
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (record && dc) {
        if (record->xform.offsetActive || record->xform.scaleActive) {
            // The transform works on a copy: the caller's region keeps its shape and coordinates.
            RgnHandle device = NewRgn();
            if (device) {
                CopyRg(rgn, device);
                XformRgn(device);
                DrawDeviceRgn(port, record, dc, verb, device);
                DisposeRgn(device);
            }
        } else {
            DrawDeviceRgn(port, record, dc, verb, rgn);
        }
    }
    if (port->picSave && !port->rgnSave && RecordPictPortState())
        RecordPictVerbState(verb); // the region opcode itself is recorded as nothing
}

void DrawAndMark(GrafVerb verb, RgnHandle rgn)
{
    RgnDrawCore(verb, rgn);
    LowMem<uint8_t>(lmHiliteMode) |= 0x80;
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL StdRgn(GrafVerb verb, RgnHandle rgn)
{
    GrafPtr port = CurrentPort();
    if (port && port->grafProcs) {
        QDRgnProcPtr saved = port->grafProcs->rgnProc;
        port->grafProcs->rgnProc = nullptr;
        RgnDrawCore(verb, rgn);
        port->grafProcs->rgnProc = saved;
        return;
    }
    RgnDrawCore(verb, rgn);
}

ZEL_EXTERN_C void ZEL_CALL FrameRg(RgnHandle rgn) { DrawAndMark(kFrame, rgn); }
ZEL_EXTERN_C void ZEL_CALL PaintRg(RgnHandle rgn) { DrawAndMark(kPaint, rgn); }
ZEL_EXTERN_C void ZEL_CALL EraseRgn(RgnHandle rgn) { RgnDrawCore(kErase, rgn); }
ZEL_EXTERN_C void ZEL_CALL InvertRg(RgnHandle rgn) { DrawAndMark(kInvert, rgn); }

ZEL_EXTERN_C void ZEL_CALL FillRg(RgnHandle rgn, const Pattern *pat)
{
    // Through the pattern-brush store, so that a colour port's fill brush is made again.
    if (pat)
        SetPortPatternByKind(patternFill, *pat);
    RgnDrawCore(kFill, rgn);
}

void FillCRgn(RgnHandle rgn, PixPatHandle pp)
{
    GrafPtr port = CurrentPort();
    if (!port || !IsColorPort(port))
        return;
    CGrafPtr cport = AsColorPort(port);
    if (cport->fillPixPat == pp) {
        RgnDrawCore(kFill, rgn);
        return;
    }
    PixPatHandle previous = cport->fillPixPat;
    cport->fillPixPat = pp;
    RgnDrawCore(kFill, rgn);
    cport->fillPixPat = previous;
}

// ---- The open region ----

// XORs a GDI region (which this takes over) into the current port's open region.
void RgnAddToOpenRgn(HRGN shape)
{
    GrafPtr port = CurrentPort();
    RgnHandle open = port ? reinterpret_cast<RgnHandle>(port->rgnSave) : nullptr;
    if (shape && HandleHasData(open)) {
        if (HRGN h = ZEL_RgnSetToRealRectRgn(open)) {
            CombineRgn(h, h, shape, RGN_XOR);
            RECT box;
            ZEL_RgnGetBBoxRECTFromRgn(open, &box);
            ZEL_IsRectRgn(open);
        }
    }
    if (shape)
        DeleteObject(shape);
}

ZEL_EXTERN_C void ZEL_CALL OpenRgn(void)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    if (port->rgnSave)
        DisposeRgn(reinterpret_cast<RgnHandle>(port->rgnSave));
    port->rgnSave = reinterpret_cast<Handle>(NewRgn());
}

ZEL_EXTERN_C void ZEL_CALL CloseRgn(RgnHandle dst)
{
    GrafPtr port = CurrentPort();
    if (!port || !port->rgnSave)
        return;
    RgnHandle saved = reinterpret_cast<RgnHandle>(port->rgnSave);
    port->rgnSave = nullptr;
    CopyRg(saved, dst);
    DisposeRgn(saved);
}

// A one-bit BitMap as a mask-form region: its black (1) pixels are inside.
ZEL_EXTERN_C OSErr ZEL_CALL BitMapToRegion(RgnHandle rgn, const BitMap *bits)
{
    constexpr OSErr kPixelsTooDeep = -148, kNoMemoryForDib = -152;
    if (!HandleHasData(rgn) || !bits)
        return -50;
    if (bits->rowBytes & 0x8000)
        return kPixelsTooDeep; // a PixMap: only one-bit BitMaps are taken here
    const Rect b = bits->bounds;
    const int width = b.right - b.left, height = b.bottom - b.top;
    if (width <= 0 || height <= 0) {
        SetEmptyRgn(rgn);
        return 0;
    }
    if (!bits->baseAddr || (bits->rowBytes & 0x3FFF) * 8 < width)
        return -50;
    Handle dib = NewMaskDib(width, height);
    if (!dib)
        return kNoMemoryForDib;
    const int rowBytes = bits->rowBytes & 0x3FFF;
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = reinterpret_cast<const uint8_t *>(bits->baseAddr) + y * rowBytes;
        for (int x = 0; x < width; ++x)
            if (row[x / 8] & (0x80 >> (x % 8)))
                SetMaskDibInside(dib, x, y);
    }
    if (!SetRgnToMaskDib(rgn, Point{b.top, b.left}, Point{b.bottom, b.right}, dib))
        return kNoMemoryForDib;
    return 0;
}

ZEL_EXTERN_C OSErr ZEL_CALL BitMapToRegionGlue(RgnHandle rgn, const BitMap *bits) { return BitMapToRegion(rgn, bits); }

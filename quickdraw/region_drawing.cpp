// Region drawing: FrameRg, PaintRg, EraseRgn, InvertRg, FillRg and the StdRgn bottleneck, drawn through
// GDI with the port's pattern brushes, and the open region that framed shapes add to between OpenRgn
// and CloseRgn.
#include "quickdraw.h"
#include "../imaging/imaging_services.h"
#include "OSUtils.h"

#include <vector>

namespace {

enum : GrafVerb { kFrame = 0, kPaint = 1, kErase = 2, kInvert = 3, kFill = 4 };
constexpr uint32_t kDrawSwitch = 0x8000;
constexpr DWORD kPaintThroughMask = 0xB8074A; // the brush where the mask bit is 0, else the destination
constexpr DWORD kInvertThroughMask = 0x990066; // the destination inverted where the mask bit is 0

bool IsMaskForm(RgnHandle rgn) { return (**rgn).rgnSize == kMaskFormRgnSize; }

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
    // A pen mode whose colour one raster operation cannot give goes through the mask whatever the switch.
    if (LibrarySwitch(kDrawSwitch) || ((verb == kFrame || verb == kPaint) && PenModeNeedsColourMask()))
        mask = BeginShapeMask(&box, verb, maskForm && verb == kPaint && port->pnMode != 0 && port->pnMode != 8);
    if (mask) {
        // The shape goes into the mask's DC, in its black brush.
        dc = CurrentDC();
        SetMaskDrawing(true);
    }
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
                SelectNullPen(dc, record);
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
    if (mask) {
        SetMaskDrawing(false);
        EndShapeMask(port->pnMode, 0);
    }
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
    if (port->picSave && !port->rgnSave && RecordPictPortState()) {
        RecordPictVerbState(verb);
        RecordPictRgnOp(static_cast<uint16_t>(0x80 | verb), rgn);
    }
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
    if (!port) {
        RgnDrawCore(verb, rgn);
        return;
    }
    RunWithOwnProcCleared(port, &QDProcs::rgnProc, [&] { RgnDrawCore(verb, rgn); });
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

namespace {

// The sub-path list of the region being recorded: the polygon point counts at which sub-paths start
// (each MoveTo after the first point), in a handle of 32-bit words {count, capacity, entries...}.
struct SubpathList {
    uint32_t count;
    uint32_t capacity;
    uint32_t entries[1];
};
constexpr uint32_t kSubpathGrowth = 20;
constexpr Size kSubpathHeaderBytes = 8;

Handle sSubpaths;
GrafPtr sSubpathPort; // the port recording the region the list belongs to

SubpathList &Subpaths() { return *reinterpret_cast<SubpathList *>(*sSubpaths); }

void FreeSubpaths()
{
    if (sSubpaths)
        DisposeHandle(sSubpaths);
    sSubpaths = nullptr;
    sSubpathPort = nullptr;
}

// Appends an entry, growing the list by 20 entries when it is full; false when it cannot grow.
bool AppendSubpathEntry(uint32_t value)
{
    if (!HandleHasData(sSubpaths))
        return false;
    if (Subpaths().count == Subpaths().capacity) {
        const uint32_t capacity = Subpaths().capacity + kSubpathGrowth;
        const Size bytes = kSubpathHeaderBytes + static_cast<Size>(capacity * sizeof(uint32_t));
        SetHandleSize(sSubpaths, bytes);
        if (GetHandleSize(sSubpaths) != bytes)
            return false;
        Subpaths().capacity = capacity;
    }
    SubpathList &list = Subpaths();
    list.entries[list.count++] = value;
    return true;
}

// The GDI region (alternate fill) of the recorded polygon in local coordinates: one polygon per
// sub-path. Sub-paths of fewer than three points enclose nothing and are left out. 0 when nothing is
// enclosed.
HRGN RecordedPolygonRegion(PortDCRecord *record, PolyHandle poly)
{
    if (!HandleHasData(poly))
        return nullptr;
    // The points are the pen's local positions: the transform stays out of the conversion.
    POINT *points = nullptr;
    int16_t total;
    if (record) {
        const uint32_t offset = record->xform.offsetActive, scale = record->xform.scaleActive;
        record->xform.offsetActive = 0;
        record->xform.scaleActive = 0;
        total = PolyToPointArray(poly, &points, true);
        record->xform.offsetActive = offset;
        record->xform.scaleActive = scale;
    } else {
        total = PolyToPointArray(poly, &points, true);
    }
    HRGN rgn = nullptr;
    if (points && total >= 3) {
        const uint32_t pathPoints = static_cast<uint32_t>(((**poly).polySize - 10) >> 2);
        if (HandleHasData(sSubpaths) && sSubpathPort == CurrentPort() && Subpaths().count > 0 &&
            AppendSubpathEntry(pathPoints)) {
            // Starts become lengths: each entry less the one before it, from the last down.
            SubpathList &list = Subpaths();
            for (uint32_t i = list.count - 1; i > 0; --i)
                list.entries[i] -= list.entries[i - 1];
            std::vector<POINT> kept;
            std::vector<INT> counts;
            uint32_t at = 0;
            for (uint32_t i = 0; i < list.count; ++i) {
                const uint32_t n = list.entries[i];
                if (n >= 3 && at + n <= pathPoints) {
                    kept.insert(kept.end(), points + at, points + at + n);
                    counts.push_back(static_cast<INT>(n));
                }
                at += n;
            }
            if (!counts.empty())
                rgn = CreatePolyPolygonRgn(kept.data(), counts.data(), static_cast<int>(counts.size()), ALTERNATE);
        } else {
            rgn = CreatePolygonRgn(points, total, ALTERNATE);
        }
    }
    FreePointArray(points);
    return rgn;
}

} // namespace

bool RegionSubpathsOpen() { return HandleHasData(sSubpaths) && sSubpathPort == CurrentPort(); }

void NoteRegionSubpathStart(uint16_t pointCount)
{
    if (RegionSubpathsOpen())
        AppendSubpathEntry(pointCount);
}

// Recording a region: the region framed shapes add to, the sub-path list and a polygon that collects
// every pen move and line (with the pen hidden, so nothing is drawn meanwhile).
ZEL_EXTERN_C void ZEL_CALL OpenRgn(void)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    if (port->rgnSave) {
        // A region opened again starts over: the first recording's polygon goes, its pen hiding too.
        DisposeRgn(reinterpret_cast<RgnHandle>(port->rgnSave));
        PolyHandle poly = reinterpret_cast<PolyHandle>(port->polySave);
        ClosePoly();
        KillPoly(poly);
    }
    port->rgnSave = reinterpret_cast<Handle>(NewRgn());
    FreeSubpaths();
    if (!port->rgnSave)
        return; // without memory nothing is recorded and CloseRgn has nothing to close
    sSubpaths = NewHandleClear(kSubpathHeaderBytes + kSubpathGrowth * sizeof(uint32_t));
    if (HandleHasData(sSubpaths)) {
        Subpaths().capacity = kSubpathGrowth;
        sSubpathPort = port;
    } else {
        sSubpaths = nullptr;
    }
    OpenPoly();
}

// The region recorded: the closed paths drawn (alternate fill) XOR the shapes framed meanwhile.
ZEL_EXTERN_C void ZEL_CALL CloseRgn(RgnHandle dst)
{
    GrafPtr port = CurrentPort();
    if (!port || !port->rgnSave)
        return;
    PolyHandle poly = reinterpret_cast<PolyHandle>(port->polySave);
    ClosePoly();
    HRGN polygon = RecordedPolygonRegion(CurrentPortRecord(), poly);
    FreeSubpaths();

    RgnHandle saved = reinterpret_cast<RgnHandle>(port->rgnSave);
    port->rgnSave = nullptr;
    if (HandleHasData(dst)) {
        if (polygon) {
            HRGN into = ZEL_RgnSetToRealRectRgn(dst);
            HRGN framed = ZEL_RgnSetToRealRectRgn(saved);
            if (into && framed) {
                CombineRgn(into, polygon, framed, RGN_XOR);
                RECT box;
                ZEL_RgnGetBBoxRECTFromRgn(dst, &box);
                ZEL_IsRectRgn(dst);
            }
        } else {
            CopyRg(saved, dst);
        }
    }
    DisposeRgn(saved);
    KillPoly(poly);
    if (polygon)
        DeleteObject(polygon);
}

// A one-bit BitMap or PixMap as a mask-form region: its black (1) pixels are inside.
ZEL_EXTERN_C OSErr ZEL_CALL BitMapToRegion(RgnHandle rgn, const BitMap *bits)
{
    constexpr OSErr kPixelsTooDeep = -148, kNoMemoryForDib = -152;
    if (!HandleHasData(rgn) || !bits)
        return -50;
    BitMap unfolded{nullptr, 0, Rect{0, 0, 0, 0}};
    if (bits->rowBytes & 0x8000) {
        // A PixMap: a one-bit one converts like a BitMap of the same bits. Pixels that live only in its
        // Windows bitmap or DIB (baseAddr 0x7FFF) are unfolded into a BitMap of their own first; a
        // port's device mark or a port-bits slot has no bits to read here.
        const PixMap &map = *reinterpret_cast<const PixMap *>(bits);
        if (map.pixelSize > 1)
            return kPixelsTooDeep;
        if (reinterpret_cast<uintptr_t>(map.baseAddr) == 0x7FFF) {
            if (!ZEL_UnfoldPixMap(const_cast<PixMap *>(&map), &unfolded, nullptr, nullptr, 0))
                return -50;
            OSErr err = BitMapToRegion(rgn, &unfolded);
            DisposePtr(unfolded.baseAddr);
            return err;
        }
        if (reinterpret_cast<uintptr_t>(map.baseAddr) <= 0xFFFF)
            return -50;
    }
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

// Private declarations of the QuickDraw core.
#pragma once

#include "qd_services.h"
#include "../core/core_services.h"
#include "../devices/devices_services.h"

// Patterns stored by kind (pen, background, fill).
enum PatternKind { patternPen = 0, patternBack = 1, patternFill = 2 };

// Transfer modes and their GDI counterparts used when a record is initialised.
enum {
    patCopyMode = 8,
    srcOrMode = 1,
    blackColorCode = 33,
    whiteColorCode = 30
};

// The library's default line-width scale (Fixed 1.0).
constexpr Fixed kDefaultLineWidth = 0x10000;

inline CGrafPtr AsColorPort(GrafPtr port) { return reinterpret_cast<CGrafPtr>(port); }
inline GrafPtr AsPort(CGrafPtr port) { return reinterpret_cast<GrafPtr>(port); }

// ---- The PortDCTable (port_dc_table.cpp) ----
// Gives the port a record in the first free entry: patStretch holds the index, or -1 when the table
// is full (the result).
int AllocatePortRecord(GrafPtr port);
// Sets a record to its defaults; `fresh` also clears the fields a re-initialisation keeps (flags,
// port, window, DC, cached GDI objects).
void InitialisePortRecord(PortDCRecord *record, bool fresh);
// Frees the record at `index` and clears its entry.
void FreePortRecordAt(int index);
// Frees every record left (session end).
void FreeAllPortRecords();
bool AnyPortRecordInUse();
// The DC a record took ownership of when its port opened (0 when it owns none).
HDC OwnedPortDC(int index);
void SetOwnedPortDC(int index, HDC dc);

// The list of valid ports: a port is valid from its opening until it closes.
bool IsPortInValidList(GrafPtr port);
// Enters the port unless it is already there: the last free entry, searching from the end; the list
// grows by 20 entries when none is free.
void EnterValidPort(GrafPtr port);
void RemoveValidPort(GrafPtr port);
void FreeValidPortList();

// ---- Ports (ports.cpp) ----
// Makes `port` the current port and mirrors it into the QuickDraw globals' thePort.
void SetCurrentPortVariable(GrafPtr port);
// Where the QuickDraw globals' thePort lives (given to InitGraf).
void SetThePortMirror(GrafPtr *field);
void SetWMgrCPort(CGrafPtr port);
void SetQuickDrawMainWindow(HWND window);
// Holds `dc` as the screen DC and the current DC (InitGraf).
void TakeScreenDC(HDC dc);
// Releases the screen DC when held (ExitGraf).
void ReleaseScreenDC();
// Drops every piece of port state (ExitGraf).
void ResetPortState();

// ---- InitGraf (init_graf.cpp) ----
void ExitGraf();

// ---- Bottlenecks and lines (bottlenecks.cpp, lines.cpp) ----
// The standard procedures, in QDProcs order, then the 7 colour-only entries (all 0).
extern const CQDProcs DefaultStdProcs;
// The standard procedures of the shape, text, bits and picture areas.
ZEL_EXTERN_C void ZEL_CALL StdRect(GrafVerb verb, const Rect *r);
ZEL_EXTERN_C void ZEL_CALL StdRRect(GrafVerb verb, const Rect *r, int16_t ovalWidth, int16_t ovalHeight);
ZEL_EXTERN_C void ZEL_CALL StdOval(GrafVerb verb, const Rect *r);
ZEL_EXTERN_C void ZEL_CALL StdArc(GrafVerb verb, const Rect *r, int16_t startAngle, int16_t arcAngle);
ZEL_EXTERN_C void ZEL_CALL StdPoly(GrafVerb verb, PolyHandle poly);
ZEL_EXTERN_C void ZEL_CALL StdRgn(GrafVerb verb, RgnHandle rgn);

// ---- Wide pens (wide_pens.cpp) ----
// Strokes one device segment with the rectangular pen, then moves the DC's position to its end.
void WidePenLine(int x0, int y0, int x1, int y1);

// ---- Printing ----
// The DC of the open print job (0 when none).
inline HDC PrinterDC() { return PrintingDC(nullptr); }

// ---- Polygons (polygons.cpp) ----
// Appends the pen location to the polygon being recorded (the port's polySave), growing its size and
// box; a point that would take the polygon to 32768 bytes, or that memory cannot hold, is dropped.
void AddPolyPoint();
// The polygon's points as (x, y) device points, through the current record's transform when it is
// active; with `close`, the first point once more at the end when the last one differs from it.
// Returns the number of points; *points is 0 for an empty polygon or without memory, else a block the
// caller frees with FreePointArray.
int16_t PolyToPointArray(PolyHandle poly, POINT **points, bool close);
int16_t PolyToPointArrayOpen(PolyHandle poly, POINT **points);
void FreePointArray(POINT *points);
// A filled GDI polygon of device points with the brush and ROP2 already selected (the OPAQUE background
// mode set; on displays whose pattern polygons come out inverted, the DC's colours exchanged).
void DrawPointPolygon(HDC dc, const POINT *points, int count);
// Takes the DC's clip away for one drawing call that paints only inside `bounds` (device coordinates),
// when the clip is one rectangle holding them: the call paints the same pixels without it, and under
// Wine a clip costs a region intersection in every filled shape. True when taken away; the caller then
// puts it back with RestoreLiftedClip once the call is made.
bool LiftClipAround(HDC dc, const RECT &bounds);
void RestoreLiftedClip(HDC dc);
// The solid brush that paints what the one-bit brush of a plain pattern paints on this DC, or null
// where only the pattern brush is exact (palette surfaces, printers, swapped DCs).
HBRUSH PlainSolidBrush(PortDCRecord *record, HDC dc, PlainPattern plain);
// Selects the brush of pattern `kind` into the current DC, or the solid brush that paints the same
// pixels (see PlainSolidBrush; it stays selected and the record names it, except where brushes are
// released on deselection); gives the brush to select back afterwards, or null when none needs it.
HGDIOBJ SelectShapeBrush(PortDCRecord *record, HDC dc, int kind, bool maskDrawing);
// The polygon verbs' colour variant picture playback uses.
void FillCPoly(PolyHandle poly, PixPatHandle pp);

// ---- Ovals, round rectangles and arcs (ovals.cpp) ----
// Cosine and sine of whole degrees (any angle) from the screen set-up's tables.
void SinCosDegrees(int32_t angle, double *cosine, double *sine);
// Points on the oval of a device rectangle every 4 degrees from startAngle over arcAngle (0 at twelve
// o'clock, clockwise; negative runs back; a turn or more is the whole oval), with the centre last for
// a wedge; and a round rectangle's outline (97 points, closed). Both fill the one shape-point list and
// return its count.
int BuildArcPoints(const RECT &r, int32_t startAngle, int32_t arcAngle, bool addCentre);
int BuildRoundRectPoints(const RECT &r, int16_t ovalWidth, int16_t ovalHeight);
const POINT *ShapePoints();
// The colour and hilite variants picture playback uses.
void FillCOval(const Rect *r, PixPatHandle pp);
void FillCRoundRect(const Rect *r, int16_t ovalWidth, int16_t ovalHeight, PixPatHandle pp);
void FillCArc(const Rect *r, int16_t startAngle, int16_t arcAngle, PixPatHandle pp);
void InvertArc(const Rect *r, int16_t startAngle, int16_t arcAngle);

// ---- Wide-pen outlines (wide_pens.cpp) ----
// The frames of pens larger than a pixel, or patterned, painted with the pen brush and the ROP2 already
// set: the ring between the shape and the shape inset by the pen.
void WidePenFramePoly(PolyHandle poly);
void WidePenFrameOval(const RECT &device);
void WidePenFrameRRect(const RECT &device, int16_t ovalWidth, int16_t ovalHeight);
void WidePenFrameArc(const RECT &device, int32_t startAngle, int32_t arcAngle);

// ---- Region recording (region_drawing.cpp) ----
// While a region is being recorded: its sub-path list exists, and noting where a new sub-path starts
// (the polygon's point count at that moment).
bool RegionSubpathsOpen();
void NoteRegionSubpathStart(uint16_t pointCount);

// ---- Transfer modes and the pen (transfer_modes.cpp) ----
// penState bits of a PortDCRecord: the GDI pen must be made again; the DC holds the stock null pen in
// place of the record's pen (ApplyPortPen selects the record's pen again).
enum : uint16_t { penStateRebuild = 0x0001, penStateNullPen = 0x8000 };
// The colour of the GDI pen in the port's pen mode (pattern_brushes.cpp): the raster operations of the
// boolean modes are those of black on white, so or, xor and bic draw with black, notCopy with the
// background colour's complement (its complement is what it paints), every other mode with the
// foreground colour.
COLORREF ModePenColorRef(const PortDCRecord *record, GrafPtr port);
// Selects the stock null pen into the DC unless the record shows it is already there.
void SelectNullPen(HDC dc, PortDCRecord *record);
// Sets the record's emulation flag, ROP2 and background modes from the port's pnMode and txMode.
void DerivePortModeAttributes(PortDCRecord *record, GrafPtr port);

// ---- Rectangles (rectangles.cpp) ----
// The shape verbs.
enum { verbFrame = 0, verbPaint = 1, verbErase = 2, verbInvert = 3, verbFill = 4 };
// The rectangle core shared by the rectangle verbs and StdRect.
void RectDrawCore(GrafVerb verb, const Rect *rect);
// Fills the device rectangle [left, right) x [top, bottom) with the ROP2 and the current port's pattern
// of `kind` (-1 keeps the brush already selected).
void FillRectWithRop2(int rop2, int kind, int left, int top, int right, int bottom);
// Frames a rectangle given in port coordinates (`macRect`, for region and polygon recording) and as a
// device rectangle (for drawing), the pen inside it.
void FrameRectDevice(const Rect *macRect, int left, int top, int right, int bottom);

// Runs a standard bottleneck's core with the port's own slot for that bottleneck cleared, so that a
// custom procedure which calls the standard one is not called back by anything the core does; the
// slot is put back afterwards.
template <typename Proc, typename Core>
void RunWithOwnProcCleared(GrafPtr port, Proc QDProcs::*slot, Core core)
{
    QDProcs *procs = port->grafProcs;
    Proc saved = procs ? procs->*slot : nullptr;
    if (procs)
        procs->*slot = nullptr;
    core();
    if (procs)
        procs->*slot = saved;
}

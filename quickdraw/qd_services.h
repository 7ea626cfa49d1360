// Services of the QuickDraw core for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Quickdraw.h"
#include "Palettes.h"
#include "port_records.h"
#include "screen_tables.h"

// Frees ports, port records and QuickDraw's caches at session exit.
void TearDownQuickDraw();
// The colour dialog's CHOOSECOLOR record, prepared at session start.
void PrepareColorDialogTemplate();
// The Color Picker's RGB to CMY conversion is not built: it reports " RGB2CMY" and does nothing.
void RGB2CMY(const RGBColor *rgb, void *cmy);

// Default bodies of the patchable QuickDraw routines (the trap table's defaults), with their routines'
// published arguments and calling convention.
void ZEL_CALL DefaultSetOrigin(int16_t h, int16_t v);
void ZEL_CALL EraseRectImpl(const Rect *rect);
void ZEL_CALL DefaultSetCursor(const Cursor *cursor);
void ZEL_CALL DefaultInitCursor(void);
// ---- QuickDraw utilities ----
// The next value of Random, advancing the QuickDraw global randSeed.
int16_t QuickDrawRandom();
// ---- Cursors ----
// The two cursors of a list's tear-off drag (one item, several items), loaded by InitResources.
HCURSOR DragSingleCursor();
HCURSOR DragMultipleCursor();
// Start-up (InitResources): the cursor table cleared, the standard cursors made (arrow copied into
// the QuickDraw globals), the list-drag cursors loaded, the pointer size read from MOUSE.INI.
void LoadCursorSettings();
// Session end: the converted cursors destroyed, the standard records disposed.
void DisposeCursorCache();
// A released 'CURS' or 'crsr' resource gives back its slot.
void ForgetCursorResource(Handle resource, bool color);
// The cursor table: whether a Windows cursor is one of its 140 slots (never destroyed when replaced), and
// the cursor of a slot (0 outside the table).
bool IsCachedCursor(HCURSOR cursor);
HCURSOR CachedCursorAt(int slot);
// ---- Graphics ports and the PortDCTable ----
// The current port, its PortDCRecord and the current DC: changed only by SetPor, the port open and
// close calls and the DC glue.
GrafPtr CurrentPort();
PortDCRecord *CurrentPortRecord();
HDC CurrentDC();
// The DC of the host's main window, held while the Window Manager port is current (0 otherwise).
HDC ScreenDC();
// The window QuickDraw treats as the main window (the session's, or the one lent by ZEL_SetWMgrPortDC).
HWND QuickDrawMainWindow();
// The Window Manager port opened by InitGraf (0 before InitGraf and after ExitGraf).
CGrafPtr WMgrCPort();
// Entry `index` of the PortDCTable, and its DC (0 when the entry or its DC is missing).
PortDCRecord *PortRecordAt(int index);
HDC PortTableDC(int index);
// Index of a record in the table by linear search; -1 when absent.
int PortRecordIndex(const PortDCRecord *record);
// The record that belongs to a port (its patStretch entry, whose back pointer is the port), or 0.
PortDCRecord *PortRecordOf(GrafPtr port);
// Marks a dialog's port: its record's dialog flag (0x10), which text binding reads.
void MarkDialogPort(GrafPtr port);
// Marks the printing port of a print job: its record's printer flag (0x08).
void MarkPrinterPort(GrafPtr port);
// pmVersion of a PixMap made by this library (its extension fields are valid).
constexpr uint16_t kPixMapVersion = 0xC000;
// A port's baseAddr names a bitmap bound into one of the port-bits slots: a small value with bit 15
// clear that is not the Windows-bitmap mark.
inline bool IsBoundBitmapSlot(uint32_t baseAddr) { return baseAddr < 0x10000 && !(baseAddr & 0x8000) && baseAddr != 0x7FFF; }
// A port's baseAddr marks the port's own record (bit 15 set, below 0x10000).
inline bool IsOwnRecordMark(uint32_t baseAddr) { return baseAddr < 0x10000 && (baseAddr & 0x8000); }
// A colour port: the word holding portBits.rowBytes / portVersion is negative.
inline bool IsColorPort(GrafPtr port) { return port && port->portBits.rowBytes < 0; }
// The next port opened takes this DC (it does not own it).
void SetNextPortDC(HDC dc);
// Takes the current port's pen, font and brushes out of its DC before the port's pixels change hands
// (a brush selected while brushes were released on deselection is released with `releaseSelectedBrush`).
void DropCurrentPortObjects(bool releaseSelectedBrush);
// Opens a colour port that draws into the given DC (which it does not own): SetNextPortDC, OpenCPort,
// the library palette realised and the port's brushes invalidated. Reached by the test programs by
// ordinal; no host interface.
ZEL_EXTERN_C void ZEL_CALL OpenPortForHDC(CGrafPtr port, HDC dc);
// The current record draws into `dc` from now on (text alignment TA_BASELINE; the font map loaded on
// first use).
void SetPortRecordDC(HDC dc);
// 1 when the last OpenCPort got a record, 0 when the table was full.
int16_t GetCPortOpenSucceeded();
// The DC prepared by ZEL_OffScreenDC for the next port opened; `recordedInPixMap` when the PixMap keeps
// it (the port then does not own it).
void SetPendingOffscreenDC(HDC dc, bool recordedInPixMap);
// Stores a window's visible byte and mirrors it into its port record's drawEnabled.
void SetWindowVisibleFlag(WindowPtr window, int16_t visible);
// A DC is about to be deleted by its owner (a GDevice): every record drawing into it forgets it.
void ForgetPortRecordDC(HDC dc);
// 1 while the current port draws through a palette-managed DIB: brushes are then released as soon as
// they are deselected.
bool BrushReleaseMode();
void SetBrushReleaseMode(bool on);
// ZEL_SwaphDC's state: the swapped-in DC and, for mode 1, the DC it replaced (objects selected for the
// port go into both).
HDC SwappedDC();
HDC MirrorDC();
int16_t SwapMode();
// True while ZEL_SetWMgrPortDC lends a DC to the Window Manager port.
bool WMgrPortDCLent();
// Bits per pixel of a DC as QuickDraw counts them: 16 for one plane of 16 bits, 24 for anything else
// of 15 bits or more, smaller products as they stand.
int16_t DeviceContextDepth(HDC dc);
// The standard PixPats made by InitGraf, by pattern kind (0 pen, 1 background, 2 fill); DisposePixPat
// leaves them alone.
PixPatHandle DefaultPixPat(int kind);
bool IsDefaultPixPat(PixPatHandle pp);
// Screen facts recorded by InitGraf.
int16_t UsableScreenHeight();
POINT ScreenLogPixels();

// ---- Drawing state ----
// Marks every DC attribute cached in a record as not set.
void ResetPortDCCache(PortDCRecord *record);
// Forgets the current port's brushes after a DC change.
void InvalidatePortBrushes();
// Recomputes the current port record's device pen size from pnSize, the transform's scale and the
// line-width factor of the line-width comment; a changed size rebuilds the pen.
void UpdateDevicePenSize();
// Takes a record's pen, font and brushes out of a DC before the DC is released or the port closes.
void ReleasePortGdiObjects(PortDCRecord *record, HDC dc);
// The COLORREF of an RGBColor: the high bytes, palette-relative except for pure black and white.
COLORREF RGBColorToColorRef(const RGBColor &rgb);
// Colours of the current port from their three components.
void SetForeRGB(uint16_t red, uint16_t green, uint16_t blue);
void SetBackRGB(uint16_t red, uint16_t green, uint16_t blue);
// Sets the current port's fill pattern (colour ports hold it in a type-0 PixPat).
void SetPortFillPat(const Pattern *pat);
void SetPortFillPixPat(PixPatHandle pp);
// The ROP2 a transfer mode draws with (text modes as pen modes).
uint16_t TextModeRop2(int16_t mode);
// Brings the current record's wanted ROP2, background mode (the text one when `text`) and colours into
// its DC, calling GDI only for what differs from the values last set.
void SyncPortDCAttributes(bool text);
// Rebuilds and selects the current record's pen when marked, or reselects it after the null pen.
void ApplyPortPen();
// Selects the stock null pen and deletes the record's cached pen.
void DiscardPortPen();

// ---- Port coordinate transform ----
// The identity transform for a record's port (origin at its portRect's top-left).
void ResetXform(PortDCRecord *record);
// Moves the current record's source origin and recomputes the device pen.
void SetXformOrigin(int16_t h, int16_t v);
// Recomputes the current record's device pen from the port's pnLoc and pnSize.
void XformUpdate();
// Port point to device point and back, in place (current record).
void XformXY(int16_t *h, int16_t *v);
// Sets the current record's quarter-turn rotation and mirror bits about a pivot. Reached by the test
// programs by ordinal; no host interface.
ZEL_EXTERN_C void ZEL_CALL SetPortTurn(int16_t rotation, uint16_t mirror, int16_t pivotH, int16_t pivotV);
void RevXformXY(int16_t *h, int16_t *v);
// Rectangles: Windows rectangles both ways, Macintosh rectangles forward.
void XformWinRect(RECT *r);
void RevXformWinRect(RECT *r);
void XformMacRect(Rect *r);
// Widths and heights scaled by the extents (non-zero components only).
void XformExtent(int16_t *w, int16_t *h);
void RevXformExtent(int16_t *w, int16_t *h);
// The reverse and forward ratios of the current record (1.0 without scaling), cached for it.
void GetXformRatios(Fixed *revH, Fixed *revV, Fixed *fwdH, Fixed *fwdV);
int16_t XformFixedWidth(Fixed w);
int16_t XformFixedHeight(Fixed h);
Fixed RevXformWidthToFixed(int16_t w);
Fixed RevXformHeightToFixed(int16_t h);
// Adds the current record's rotation to an arc angle.
void AddXformRotation(int16_t *angle);
// Regions to device coordinates and back (a scaled region becomes its transformed box).
void XformRgn(RgnHandle rgn);
void RevXformRgn(RgnHandle rgn);
void XformRgnForPort(const PortDCRecord *record, RgnHandle rgn);
void RevXformRgnForPort(const PortDCRecord *record, RgnHandle rgn);
// Screen to a window's client coordinates (then undoing the record's transform), and client to screen.
void ScreenRgnToPort(HWND hwnd, const PortDCRecord *record, RgnHandle rgn);
void ClientRgnToScreen(HWND hwnd, RgnHandle rgn);
// ---- The global coordinate space ----
// Global coordinates are those of the host's client area (the multiple-document client window, else the
// main window's client area): the Macintosh screen the program sees. Every window's bounds, regions,
// event points and LocalToGlobal answer in them, so they do not change when the host's frame moves.
HWND GlobalSpaceWindow();
// Where global (0, 0) lies on the Windows screen.
POINT GlobalOriginOnScreen();
// Points between the Windows screen and global coordinates.
POINT ScreenToGlobal(POINT screen);
POINT GlobalToScreen(POINT global);
// A window's client origin in global coordinates.
POINT ClientOriginInGlobal(HWND hwnd);
// A region in global coordinates to a window port's local ones.
void GlobalRgnToPort(HWND hwnd, const PortDCRecord *record, RgnHandle rgn);
// The global space's extent, (0, 0, height, width) of the host's client area; the whole Windows screen
// before a host window exists.
Rect GlobalScreenRect();
// screenBits.bounds, the main device's gdRect and the Window Manager port's rectangle follow the host's
// client area (the Macintosh screen changes size with the host's frame); true when they changed.
bool RefreshScreenBounds();
// A region replaced by its box divided by the printer's bitmap scale (2^shift), rounded outward.
void ScaleRectRgnForPrinter(RgnHandle rgn, int16_t hShift, int16_t vShift);
// Maps the print record's page rectangle onto the printer's device page for the record; an empty
// rectangle on either side leaves the transform unchanged (false).
bool SetPrinterPageXform(PortDCRecord *record, const Rect &page, const Rect &devicePage);

// ---- Regions ----
// The marker and scratch GDI regions made by InitGraf, and the region handle kept for scratch work.
void InitRegionGlobals();
void FreeRegionGlobals();
HRGN RectRgnSentinel();
HRGN MaskRgnSentinel();
// A rectangle-form region with top and left at least -16383 and bottom and right at most 16383.
RgnHandle NewFakeRectRgn(int16_t left, int16_t top, int16_t right, int16_t bottom);
// SetRectRg with 32-bit coordinates, each clamped to the 16-bit range first.
void SetRectRgnClamped(RgnHandle rgn, int32_t left, int32_t top, int32_t right, int32_t bottom);
// The region made the union of `count` rectangles in one pass (empty ones add nothing).
void SetRgnToRects(RgnHandle rgn, const Rect *rects, int32_t count);
// SectRgn that takes a mask-form first operand as its bounding box.
void SectRgnOrBBox(RgnHandle a, RgnHandle b, RgnHandle dst);
// While the current port has an open region, XORs a framed shape's GDI region into it; the GDI region
// is deleted either way.
void RgnAddToOpenRgn(HRGN shape);
// Fills a region with a PixPat, putting the port's own fill PixPat back afterwards.
void FillCRgn(RgnHandle rgn, PixPatHandle pp);
// 1 while ZEL_VisRgnChange passes a visible-region change on as a clip change.
int16_t VisRgnChangeFlag();

// ---- Colour objects and graphics devices ----
// True when `dc` belongs to a GDevice that has not been disposed.
bool IsLiveGDeviceDC(HDC dc);
// The standard tables of GetCTable: 2 entries (black and white), 16 colours, 256 colours, or with
// `gray` 16 or 256 grays; written into `ct` (resized) or a new handle. When memory is short `ct` comes
// back unchanged.
CTabHandle MakeStdCTable(CTabHandle ct, int16_t entries, bool gray);
// A colour table of a logical palette's entries (each byte x 257, seed 0), a device table when asked.
CTabHandle LogPaletteToCTable(CTabHandle ct, const LOGPALETTE *palette, bool deviceTable);
// The entry nearest to a colour (the current device's inverse table when it is current for `ct`), and
// an entry's colour (black outside the table).
int32_t ClosestColorIndex(CTabHandle ct, const RGBColor *rgb);
void IndexToColorInTable(CTabHandle ct, int32_t index, RGBColor *rgb);
// Switch 0x4000 of ZEL_SetFlags: the palette switch.
constexpr uint32_t kPaletteSwitch = 0x4000;

// ---- Pattern brushes ----
// The brush the current port's pattern of `kind` (0 pen, 1 background, 2 fill) draws with, the DC's
// text and background colours set for it; selected into the port's DC when `select` is nonzero (0 when
// none could be made). The brush stays the library's. Test programs reach it by ordinal.
ZEL_EXTERN_C HBRUSH ZEL_CALL SelectPortPatternBrush(int16_t kind, int16_t select);
// The same, telling whether the brush is a one-bit brush of a pattern that paints only the DC's text
// colour (all foreground) or only its background colour.
enum PlainPattern { plainNone, plainFore, plainBack };
HBRUSH SelectPortPatternBrushPlain(int16_t kind, int16_t select, PlainPattern *plain);
// A solid brush of `colour` kept for the session (the caller neither deletes nor releases it).
HBRUSH CachedSolidBrush(COLORREF colour);
// Whether plain patterns may be filled with a solid brush (on unless a test program turned it off).
bool PlainPatternsSolid();
ZEL_EXTERN_C Boolean ZEL_CALL SelectPlainPatternFills(Boolean solid);
// The QuickDraw globals' standard patterns (white, black, gray, ltGray, dkGray) and their bitmaps
// (InitGraf); the bitmaps go and the unheld cache brushes with them at ExitGraf.
void FillStandardPatterns();
void DeleteStandardPatternBitmaps();
// The standard pattern bitmap in the order white, black, gray, ltGray, dkGray (0 when not made).
HBITMAP StandardPatternBitmap(int index);
// Printing and the screen probe: the DC of a monochrome print job (0 when none), and whether plain
// black and white patterns become solid brushes.
void SetMonochromePrinterDC(HDC printerDC);
// The DC of a print job on a PostScript printer (0 when none): plain black and white patterns are
// printed with solid brushes there, since the driver writes the first rows of a pattern brush's
// image corrupted.
void SetPostScriptPrinterDC(HDC printerDC);
void SetSolidBlackWhiteBrushes(bool on);
bool SolidBlackWhiteBrushes();
// Set while drawing is redirected into a one-bit mask DC: the selected brush is then left as it is.
void SetMaskDrawing(bool on);
// The one-bit pattern's bitmap (bit 1 drawn in the text colour) and its shared, counted brush.
HBITMAP MakePatternBitmap(const Pattern &pattern);
HBRUSH GetCachedPatternBrush(const Pattern &pattern);
// A brush for a one-bit pattern in two colours; kind 0 pattern brush, 2 solid.
HBRUSH MakePatternBrush(const Pattern &pattern, const RGBColor &fore, const RGBColor &back, int16_t *kind,
                        bool *allFore, bool *allBack);
// The brush of a PixPat, rebuilt when its pattern changed; kind 0 pattern, 1 pixel pattern, 2 solid.
HBRUSH GetPixPatBrush(PixPatHandle pp, int16_t *kind, bool *allFore, bool *allBack, RGBColor *fore,
                      RGBColor *back);
// Sets the DC's text and background colours for a brush of `kind`.
void SetPatternBrushColors(const Pattern &pattern, int16_t kind, bool allFore, bool allBack, const RGBColor &fore,
                           const RGBColor &back);
// Whether the current port's one-bit pen pattern paints, in the pen mode, a colour that one raster
// operation cannot give: or (and notOr) with a foreground other than black, bic (and notBic) with a
// background other than white. The pen brush itself draws those modes as black on white; such shapes
// go through the shape mask, which paints the colour where both the shape and the pattern's active bits
// are.
bool PenModeNeedsColourMask();
// For such a shape: the pen's one-bit pattern, whether the mode acts under its 0 bits (the not-modes)
// rather than its 1 bits, and a solid brush of the colour it paints there (the background colour in bic,
// else the foreground colour; the library's). False when the pen has no one-bit pattern.
bool PenModeColourPaint(Pattern *pattern, bool *underZeroBits, HBRUSH *brush);
// Stores a pattern as the current port's pattern of `kind` (0 pen, 1 background, 2 fill); true when
// it changed.
bool SetPortPatternByKind(int kind, const Pattern &pattern);
// Forgets a PixPat's brush (it is rebuilt on next use).
void InvalidatePixPatBrush(PixPatHandle pp);
// Gives back one hold on a brush: a cache brush loses a reference, any other brush is deleted. A
// brush selected for the current port is deselected first.
void ReleaseBrush(HBRUSH brush);
void DisposeBrush(HBRUSH brush);
HBRUSH NewSolidBrush(COLORREF colour);
// Selects the stock black brush into the current DC; `release` also releases the brush it replaces.
void DeselectPortBrush(bool release);
// Deselects and releases the current port record's brushes (port initialisation, DC teardown).
void ReleasePortBrushes();
// SelectObject that also selects into the mirror DC of ZEL_SwaphDC's mode 1.
HGDIOBJ SelectObjectMirrored(HDC dc, HGDIOBJ object);
// Recomputes the current record's brush origin from its port's origin (SetOrigin, SetPortPix).
void UpdateBrushOrigin();
// The text scratch buffers: n bytes and n 32-bit entries, capacity n (512 from InitGraf). Growing
// reallocates both at exactly n when n is above the capacity; false, with the old buffers kept, when
// memory runs out.
bool GrowTextBuffers(int32_t n);
void FreeTextBuffers();
Ptr TextByteBuffer();
int32_t *TextLongBuffer();
int32_t TextBufferCapacity();
// Grows the text buffers when `grow` is positive and reports them and their capacity. Reached by the
// test programs by ordinal; no host interface.
ZEL_EXTERN_C int32_t ZEL_CALL TextScratchBuffers(int32_t grow, Ptr *bytes, Ptr *longs);
// GetCPixel reads through a bitmap compatible with the DC and decodes its bits (the route of Windows
// other than NT) while on; answers the previous setting. Reached by the test programs by ordinal.
ZEL_EXTERN_C Boolean ZEL_CALL SelectCompatiblePixelRoute(Boolean on);
// The pen pattern is neither all black nor all white, and patterned pens are switched on.
bool PenPatternIsPatterned();
// The current port's pen pattern is the all-black one-bit pattern (a pixel or RGB pattern is not).
bool PenPatternIsBlack();
bool UsePatternedPen();
// Frees every cache entry no one holds.
void FlushBrushCache();

// ---- Palettes ----
// The palette slots live from the screen set-up to QuickDraw's exit.
void InitPaletteSlots();
void FreeAllPaletteSlots();
// The palette of the Window Manager port and of windows without one of their own (0 before the screen
// set-up made it); the screen set-up makes it and it becomes the active palette.
PaletteHandle DefaultPalette();
void SetDefaultPalette(PaletteHandle pal);
// The library palette: the Windows palette selected and realised into the ports' DCs, and its
// LOGPALETTE (0 when there is none).
HPALETTE LibraryPalette();
LOGPALETTE *LibraryLogPalette();
// Realises the library palette into a DC; true when colours changed.
bool RealizeLibraryPaletteInto(HDC dc);
// Every port record's window is realised again and repainted; every port record's DC realised.
void RealizeInAllWindows();
void RealizeInAllPortDCs();
// Application activation and deactivation: the system palette is taken (static colours off for
// palettes of more than 236 colours) and given back.
void ActivateAppPalette(HDC dc);
void DeactivateAppPalette(HDC dc);
// The screen set-up's default palette becomes the active palette and its slot the library palette.
void MakeDefaultPaletteActive(PaletteHandle pal);
// Writes a LOGPALETTE's colours into the colour table of the DIB section selected into `dc`.
void SetDibColorsFromLogPalette(HDC dc, LOGPALETTE *palette);
// The shared pixel buffer of the imaging code, grown when `bytes` exceeds its size; false when it
// cannot grow (the old buffer stays).
bool GrowPixelScratch(uint32_t bytes);
void *PixelScratch();
void FreePixelScratch();
// Colour tables for DIBs: 256 RGBQUADs (high bytes, entry order), one gray byte per entry (the green
// high byte), 256 5-5-5 words indexed by entry value, and the map from table entries to device
// palette indices with its flags (0x100 reversed order, 0x200 palette-index colours, or 0).
void CopyCTabToQuads(CTabHandle ct, RGBQUAD *quads);
void CTabToGrayBytes(CTabHandle ct, uint8_t *bytes);
void CTabTo555Table(CTabHandle ct, uint16_t *words);
uint16_t BuildCTabIndexMap(CTabHandle ct, uint8_t *map);
// Makes the port's palette current, selecting and realising it when palette management is on.
void SelectPortPalette(GrafPtr port);
// Selects the library palette into the current DC and realises it; true when colours changed.
bool RealizeLibraryPalette();

// ---- Screen set-up ----
// Inspects the screen and makes the library's default memory DC; false when it could not be made.
bool ScreenSetup();
void ExitScreen();
int16_t ScreenDepth();
HDC DefaultMemoryDC();
// The library standard palette's table (a device table, seed 0x77), or the 256 standard colours
// when that palette is not used; GetCTable(-8) copies it.
CTabHandle CachedScreenCTable();
// Entries of the screen's hardware palette (SIZEPALETTE up to 256), 0 when the screen has none.
int16_t ScreenPaletteSize();
// A 4-bit screen without a palette whose nearest cyan is not gray.
bool ScreenFourBitColorEmulation();
// The seed of the library standard palette's colour table.
constexpr uint32_t kLibraryPaletteSeed = 0x77;
// The dither tables' nearest palette index for a component level v (0..255).
enum DitherTable { ditherRed, ditherGreen, ditherBlue, ditherGray };
int DitherNearest(DitherTable table, uint8_t v);
// sin and cos of whole degrees 0..90 (91 doubles each, exact at 0 and 90).
const double *SineTable();
const double *CosineTable();
// The locked scratch buffer (64 KB from the screen set-up; the imaging code grows and trims it) and
// the four shared DIB header blocks (0..3).
void *ScreenScratchBuffer();
uint32_t ScreenScratchSize();
// The scratch buffer becomes `block` (locked at `bits`, `size` bytes); the old one is freed.
void AdoptScreenScratch(HLOCAL block, void *bits, uint32_t size);
HLOCAL DibHeaderBlock(int index);
// The screen probe's flags (ZEL_QDInitTestScreen), read by the line, rectangle, pixel and imaging
// paths. probeDiBitmap: GetDIBits and SetDIBits move rows on this display at all; probeDibTransfer: they
// move exactly the rows asked for, so DIBs can be read and written in bands (library setting 21).
enum ScreenProbe {
    probePatternRect, probePatternYellow, probePatternWhite, probeStretchDib, probeMonoBrushColor,
    probePaletteBrush, probeDibTransfer, probeDiBitmap, probePolygonFill, probeDibText, probeCount
};
bool ScreenProbeFlag(ScreenProbe probe);
// The screen takes DIB rows straight to the device (RC_DIBTODEV), and the session asked for the reduced
// palette (session flag 0x10).
bool ScreenDibToDevice();
bool ScreenReducedPalette();
// The dither tables the screen set-up built (nil before it and after ExitGraf).
const DitherTables *ScreenDitherTables();

// Private declarations of QuickDraw imaging: what the imaging sources share among themselves.
//
// The imaging code works on the QuickDraw core's own objects and reaches them through the services
// headers only; each thing below has one home:
// - The extended PixMap and its pmExt flags are include/Quickdraw.h's. pmExtBitsPrepared (0x100) reads
//   "reversed index order" here: the DIB's indices are the complements of the Macintosh ones.
// - pmExtDevSeed of a DIB-backed PixMap holds the ctSeed of the device colour table last copied into its
//   DIB. The device PixMap's own word at that offset is the palette code's SetEntries counter, and is
//   never copied into a DIB PixMap.
// - The pixel scratch is the QuickDraw core's (GrowPixelScratch, PixelScratch, FreePixelScratch); the
//   64 KB blit scratch is the screen set-up's (ScreenScratchBuffer).
// - The stock DIB headers are the screen set-up's DibHeaderBlock(0..3): block 0 without colours, block 1
//   with the palette indices 0..255, blocks 2 and 3 with index i / 2 for each value i.
// - Whether GetDIBits works on this display, and whether DIBs may be read in bands (library setting 21):
//   ScreenProbeFlag(probeDiBitmap) and ScreenProbeFlag(probeDibTransfer).
// - Screen depth and facts: ScreenDepth, ScreenPaletteSize, ScreenDibToDevice, ScreenReducedPalette;
//   the dither tables: ScreenDitherTables.
// - The GWorld bitmap switch, palette management and the colour switch: library settings
//   settingOffscreenBitmaps (a signed 16-bit value), settingPaletteManagement, settingColorSwitch.
// - The platform: SessionPlatform(). Local blocks and the memory limit: the runtime core's
//   AllocLocalBlock and relatives.
// - Nothing registers a failure word for the imaging paths to set.
#pragma once

#include "imaging_services.h"
#include "dib_rows.h"
#include "../quickdraw/qd_services.h"
#include "../core/core_services.h"

// ---- BITMAPINFO blocks (dib_geometry.cpp) ----
// A BITMAPINFOHEADER and room for 256 colour entries.
constexpr uint32_t kBitmapInfoBytes = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
// A BITMAPINFO block for a GDI bitmap: the outermost caller gets the library's static block, nested
// callers a block of their own. The header is filled for the bitmap (from `record` when given, then from
// GetDIBits on the current port's DC, which also writes the colours). Answers 1 with the block, or 0 and
// nothing to release when no block could be had or GetDIBits does not work on this display. Reached by
// the test programs by ordinal; no host interface.
ZEL_EXTERN_C int16_t ZEL_CALL AcquireBitmapInfo(HBITMAP bitmap, const BITMAP *record, HLOCAL *block,
                                                BITMAPINFO **info);
// Gives back a block of AcquireBitmapInfo (a nested one is freed, the static one kept); nil does nothing.
ZEL_EXTERN_C void ZEL_CALL ReleaseBitmapInfo(HLOCAL block);
// Frees the static block (QuickDraw's exit).
void FreeStaticBitmapInfo();

// A source row of an 8, 16 or 32-bit PixMap in Macintosh layout, `bytes` long, starting at `row` (an
// address inside the PixMap's rows). A PixMap whose pixels are its own rows answers the row itself, or,
// when the row runs past `lastReadable`, a copy in the pixel scratch whose pixels past it repeat the last
// readable one. A DIB-backed PixMap answers the row converted from its DIB into the pixel scratch. Nil
// when the scratch cannot grow or the row lies outside the pixels. Reached by the test programs by
// ordinal.
ZEL_EXTERN_C const uint8_t *ZEL_CALL FetchSourceRow(const PixMap *pm, const uint8_t *row, uint32_t bytes,
                                                     const uint8_t *lastReadable);

// A ColorTable of n entries from a DIB's colours taken last to first (entry i has value i and the colour
// of DIB entry n - 1 - i, components c x 257), a fresh seed and ctFlags 0: written into `ct` (resized) or
// a new handle. When `ct` cannot be resized it comes back unchanged; nil when no handle could be made.
CTabHandle CTabFromDibColors(CTabHandle ct, int n, const RGBQUAD *colors);

// A BitMap-or-PixMap record is a PixMap (the rowBytes sign bit).
inline bool IsPixMapRecord(const BitMap *bits) { return bits && bits->rowBytes < 0; }
// The DC an extended PixMap is bound to, and whether its pixels are a DIB engine section.
HDC PixMapBoundDC(PixMapHandle pm, bool *dibEngine);

// The nearest-colour search the row converters use for direct sources into indexed rows: `table` is a
// CTabHandle.
uint8_t NearestEntryOfCTab(const void *table, uint16_t red, uint16_t green, uint16_t blue);

// ---- Set-up (imaging_setup.cpp) ----
// The two-entry black-and-white table made at InitGraf (nil before it and after ExitGraf).
CTabHandle DefaultOneBitCTable();
// The PixMap every BitMap, and every PixMap not used as it stands, is described in before it is
// converted (nil before InitGraf and after ExitGraf).
PixMapHandle ConversionPixMap();

// ---- PixMaps described as DIBs (pixmap_dib.cpp, blit_source.cpp) ----
// What the preparation hands to the GDI transfer: the rows, the header and colours, and the colour usage
// (DIB_RGB_COLORS or DIB_PAL_COLORS).
struct BlitParams {
    void *bits;
    BITMAPINFO *info;
    UINT usage;
};
BlitParams &CurrentBlitParams();

// The stock headers handed to GDI with DIB_PAL_COLORS: their colour areas hold the palette index each
// pixel value stands for. Cube and table indices go through the identity header; the gray levels of the
// palette-index mode (a pixel is a gray level, the palette holds 128 grays) through the halving ones.
enum StockDibHeader {
    stockPaletteIndices = 1,  // index i is palette entry i
    stockPaletteModeGrays = 2, // gray level i is palette entry i / 2
    stockChoiceGrays = 3       // the same, for the gray reduction of CopyBits
};

// While the fold and unfold calls run, 4-bit rows keep their depth (inverted bytes, colours reversed)
// instead of widening to 8 bits.
bool UnfoldMode();
void SetUnfoldMode(bool on);
// The palette-index mode on a 4- or 8-bit screen, drawing to the screen rather than the printer: deep
// pixels then go out as 8-bit gray levels.
bool Palette8();
// The DIB depth a PixMap's pixels go out in: 1 and 8 as they are, 2 and 4 as 8 (4 stays under the
// unfold mode), deeper as 24, or 8 under Palette8.
int DibDepthForPixelSize(int pixelSize);
// Fills a header (nil: the ConversionPixMap's) for `width` x `height` pixels of a PixMap of `pixelSize`
// (8 rows with `eightRows`): top-down, and 32-bit BI_BITFIELDS for direct pixels, when the GWorld bitmap
// setting is negative. The header must have room for the three mask words after it. False without a
// header or for a depth no DIB has.
bool FillDibHeader(BITMAPINFOHEADER *header, bool eightRows, int pixelSize, int32_t width, int32_t height,
                   int32_t *stride);
// Gives the PixMap a DIB handle holding `header`, its colour area and (unless the GWorld bitmap setting
// makes DIB sections) its rows; with `keep` the PixMap's handle is reused as it is. False when memory is
// short (the PixMap then has no DIB).
bool AllocPixMapDib(const BITMAPINFOHEADER *header, PixMap *pm, bool keep);
// FreePixMapDib of a PixMap record.
void FreeDibOf(PixMap &pm);
// Describes a BitMap or PixMap in the ConversionPixMap (`intoShared`; always for a BitMap) or gives a
// PixMap a DIB of its own. A BitMap's two colours are the current port's background and foreground, or
// white and black with `blackOnWhite` (which also makes 8-row headers, for pattern bitmaps).
bool BuildPixMapDib(const BitMap *bits, bool intoShared, bool blackOnWhite);
// Writes the PixMap's colours into its DIB's colour area when they changed since the last time (or
// `force`): reversed into system order with pmExtBitsPrepared, in table order otherwise.
void PixMapColorsToDib(PixMap *pm, BITMAPINFO *info, bool force);
// A colour table's entries in reversed order (entry i of n at DIB index n - 1 - i); for 2- and 4-bit
// PixMaps at the system palette's end slots (2 bits: 0, 1, 254, 255; 4 bits: 0..7, 248..255), or under
// the unfold mode at slots 0..15. The 256 quads are cleared first.
void ColorTableToSystemQuads(CTabHandle ct, RGBQUAD *quads, int pixelSize);

// Preparation flags.
enum : int {
    prepareColors = 0x1,   // the colour table
    prepareRows = 0x2,     // the pixel rows
    prepareBitmap = 0x4,   // a Windows bitmap of them
    prepareAsIs = 0x10,    // a PixMap used as it stands (its own DIB)
    prepareBands = 0x20    // a band of the scaling engines
};
// The option of the preparation calls: pattern bitmaps (8 rows, black on white). Every caller so far
// passes 0.
constexpr int kPreparePatternOption = 1;

// Describes `bits` (a BitMap, or a PixMap) to GDI: BlitParams filled for the rectangle `rect` (in the
// bounds' coordinates, made relative to the rows handed over in place: left is what remains of it inside
// the first byte, top 0), and with prepareBitmap a Windows bitmap of the rows. Answers the bitmap (nil
// without prepareBitmap) and leaves nil in BlitParams when the pixels cannot be described (a depth other than
// 1, 2, 4, 8, 16, 32, rowBytes of 0 or too small for the bounds, an empty rectangle, no memory for the
// rows).
HBITMAP PrepareBlitSource(int flags, const BitMap *bits, Rect *rect, int option);
// PrepareBlitSource with option 0, handing back BlitParams and the bitmap; 1 on success. The blit
// scratch's size. Reached by the test programs by ordinal; no host interface.
ZEL_EXTERN_C int16_t ZEL_CALL PrepareBlitSourceForTest(int16_t flags, const BitMap *bits, Rect *rect, BITMAPINFO **info,
                                                        void **rows, UINT *usage, HBITMAP *bitmap);
ZEL_EXTERN_C uint32_t ZEL_CALL BlitScratchSize(void);
// Fills BlitParams for a PixMap's rectangle and converts its rows: into the scratch buffer
// (`useScratch`, the ConversionPixMap) or into the PixMap's own DIB.
bool PrepareDibSource(PixMap *pm, Rect *rect, bool copyRows, bool useScratch, int option);
// The blit scratch at least n bytes; false (the old buffer kept) when memory is short.
bool GrowBlitScratch(uint32_t n);
// n bytes complemented.
void InvertBytes(uint8_t *dst, const uint8_t *src, uint32_t n);
// A Windows bitmap of BlitParams' rows for the PixMap (CreateDIBitmap); kept in the PixMap's
// pmExtBitmap unless it is the ConversionPixMap.
HBITMAP MakeGdiBitmapFromPixMap(PixMap *pm, int flags, int stockChoice, int colourCount, int option);
// Writes the pixels of `area` (in the PixMap's bounds coordinates; nil for all of it) back from a Windows
// bitmap into the PixMap's rows, in its own depth and colours (the nearest entry for indexed pixels);
// `bitmapAt` is where the area's top-left is in the bitmap. Every pixel outside the area keeps its
// value; the rows' storage is never replaced or freed. False when the PixMap or bitmap cannot be read.
// Reached by the test programs by ordinal.
ZEL_EXTERN_C Boolean ZEL_CALL WriteBackPixMapBitmap(PixMap *pm, HBITMAP bitmap, const Rect *area,
                                                     Point bitmapAt);
// Rows of 32-bit (or with `sixteen` 5-5-5) pixels to complemented 8-bit indices through an inverse
// table of 32,768 entries (red << 10 | green << 5 | blue, 5 bits each); the source runs top-down, the
// destination steps backwards. A PixMap with a DIB is read through FetchSourceRow.
void DirectRowsToIndices(const PixMap *pm, const uint8_t *src, int32_t srcStep, uint8_t *dst, int32_t dstStep,
                         int32_t count, int32_t rows, bool sixteen, const uint8_t *inverseTable);
// Describes the 8-bit rows a scaling engine left at BlitParams' bits (width x height, bottom-up) to GDI:
// BlitParams' header becomes the ConversionPixMap's filled for them, as palette indices (DIB_PAL_COLORS)
// of the library palette, or with `stockChoice` of its gray ramp. False when no header can be had.
bool MakeEightBitBandBitmap(PixMap *pm, int flags, int stockChoice, int32_t width, int32_t height);
// The colour-cube engines (color_cube.cpp), on 8-bit palette screens: 8, 16 and 32-bit sources become
// 8-bit rows in the blit scratch, bottom-up, described in BlitParams; 0 when nothing was written (the
// caller then takes its next path). Rectangles are in the source's coordinates (its bounds).
// CopyBitsStretch: one band (bandDst, from bandSrc) of the transfer fullSrc -> fullDst, at destination
// size, dithered into the colour cube.
uint32_t CopyBitsStretch(PixMap *src, const Rect *bandSrc, const Rect *bandDst, const Rect *fullSrc,
                         const Rect *fullDst, int flags);
// The rectangle at its own size, undithered: 8-bit pixels through the table's map onto the palette (its
// flags go into the source's pmExtFlags), deeper ones to the nearest cube entry.
uint32_t CopyBitsToIndexed(PixMap *src, const Rect *bandSrc, int flags);
// The dithering scaler of 4-bit screens in the palette's gray-index mode (dither_scaler.cpp): the same
// conventions, gray levels over the screen's 16 entries. CopyBitsScaleCore: one band at destination size,
// ordered-dithered; PaletteIndexRows: the rectangle at its own size, each level's nearest entry (the
// rectangle becomes (0, 0, height, width)). 0 on any other screen.
uint32_t CopyBitsScaleCore(PixMap *src, const Rect *bandSrc, const Rect *bandDst, const Rect *fullSrc,
                           const Rect *fullDst, int flags);
uint32_t PaletteIndexRows(PixMap *src, Rect *rect, int flags);
// An 8-bit source reduced by a whole factor (bandSrc n times bandDst both ways) to each block's average
// gray level; 0 for any other reduction.
uint32_t CopyBitsGrayReduce(PixMap *src, const Rect *bandSrc, const Rect *bandDst, int flags);

// ---- Bit transfer (bit_transfer.cpp) ----
// The raster operation CopyBits uses for a transfer mode from a deep source: the mode table by mode & 15,
// the arithmetic modes 32..39 from theirs.
DWORD TransferModeRop(int16_t mode);

// ---- Folding and unfolding (fold_unfold.cpp), bitmap operations (bitmap_ops.cpp) ----
// DIBs of more than kDibBandBytes may be read in bands (library setting 21, from the screen probe).
bool LargeDibsReadable();
// Sets whether they may, answering the previous state. Reached by the test programs by ordinal.
ZEL_EXTERN_C Boolean ZEL_CALL SelectLargeDibReading(Boolean on);
// The one-byte block the PixMaps of ZEL_NewDIBPixMap point at (dib_pixmaps.cpp): never anyone's rows.
bool IsSharedDibPixelsBlock(const void *p);
// A PixMap's bitmap out of its memory DC (true when it was selected there), and back in (port_bits.cpp).
bool TakePixMapBitmapOut(PixMap &pm);
void PutPixMapBitmapBack(PixMap &pm);
// A bitmap turned a quarter (angle 90 or -90): a new bitmap of height x width, read through the
// PixMap's own DC when it has one (else the current port's); nil for other angles and depths, or on
// failure. Reached by the test programs by ordinal.
ZEL_EXTERN_C HBITMAP ZEL_CALL RotateBitsBitmap90(PixMapHandle pm, int16_t angle, const BITMAP *record, HBITMAP bitmap);
// A bitmap's pixels mirrored in place: left to right with `horizontal`, else top to bottom.
ZEL_EXTERN_C Boolean ZEL_CALL FlipBitsBitmap(PixMapHandle pm, Boolean horizontal, const BITMAP *record, HBITMAP bitmap);
// The byte map that mirrors the pixels inside a byte of 1-bit (bits) or 4-bit (nibbles) pixels.
void BuildMirrorMap(int depth, uint8_t *map);
// Exchanges the pixel values a and b of a 4- or 8-bit bitmap (the masked form only where the 1-bit
// mask's bit is set, mask row k for the image's row k from the top); false, the bitmap untouched, at
// other depths, so that the caller draws the ordinary way.
ZEL_EXTERN_C Boolean ZEL_CALL SwapBitmapColors(HDC dc, HBITMAP bitmap, const BITMAP *record, uint8_t a, uint8_t b);
ZEL_EXTERN_C Boolean ZEL_CALL SwapBitmapColorsMasked(HDC dc, const BitMap *mask, HBITMAP bitmap, const BITMAP *record,
                                                      uint8_t a, uint8_t b);
// The byte map that exchanges a and b (8 bits) or exchanges them in each nibble (4 bits).
void BuildSwapMap(int depth, uint8_t a, uint8_t b, uint8_t *map);

// ---- Port bits bound to GDI bitmaps (port_bits.cpp) ----
// The 32-slot table: a free slot (marked in use) or -1; a slot freed with its PixMap; a live slot's
// PixMap, nil for any other index (reached by the test programs by ordinal).
int16_t AllocPortBitsSlot();
void FreePortBitsSlot(int16_t slot);
ZEL_EXTERN_C PixMapHandle ZEL_CALL GetPortBitsSlotPixMap(int16_t slot);
// A PixMap's pixels bound to a bitmap selected into a memory DC of its own, which becomes the current
// port's DC (the bitmap made when the PixMap has none, and given the PixMap's rows); undone by
// UnbindPixMapBitmap, which gives the port its DC back.
bool BindPixMapBitmap(PixMapHandle pm);
void UnbindPixMapBitmap(PixMapHandle pm);
// A bitmap for the PixMap's bounds as the port transform maps them (16 x 16 under the small-offscreen
// switch), compatible with the port's DC (the main window's with `fromWindow`), selected into `memory`,
// which becomes the port's DC.
HBITMAP MakeOffscreenBitmap(PixMapHandle pm, HDC memory, bool fromWindow, Rect *out);
// The port's DC back from the PixMap's pmExtDC, with the memory DC's attributes.
void RestorePortDcFromPixMap(PixMapHandle pm);
// The PixMap's bitmap out of its memory DC: the bitmap when it was the one selected, else nil.
HBITMAP DeselectPixMapBitmap(PixMap *pm);
void SelectPaletteIntoDc(HDC dc);
// Background mode, ROP2, colours, stretch mode, position and text alignment of `from` into `to` (the
// current port's clip brought up to date first); a plain solid brush too with `copyBrush`.
void CopyDcAttributes(HDC from, HDC to, bool copyBrush);
// Deletes a memory DC made for a bitmap (never the library's own) and clears the handle.
void DeleteBitmapDc(HDC *dc);
// The bits after each row's last pixel up to rowBytes set to 0; nothing for empty bounds.
void ClearRowPadding(const BitMap *bits);
// ---- Port bits (port_bits.cpp) ----
// The PixMap registered for slot `index` of the port-bits table, when the index names a slot in use
// (0..31); nil otherwise.
PixMapHandle PortBitsSlotPixMap(uint32_t index);

// ---- Hilite mode (hilite_mode.cpp) ----
// CopyBits' srcXor in hilite mode onto a device context: the background and hilite colours of dstRect
// (device coordinates) exchanged under the set bits of srcRect of a one-bit source. False (nothing changed) for other sources, rectangles
// of different sizes, or when it cannot be done.
bool HiliteCopyBits(HDC dc, const PixMap *src, const Rect &srcRect, const Rect &dstRect);
// The palette index map's entries (at most `capacity`), answering its entry count, 0 without a map; and
// the exchange made to fail (answering the previous choice). Reached by the test programs by ordinal.
ZEL_EXTERN_C int16_t ZEL_CALL CopyPaletteIndexMap(uint16_t *entries, int16_t capacity);
ZEL_EXTERN_C Boolean ZEL_CALL RefuseHiliteSwaps(Boolean refuse);

// ---- Blit primitives (blit_primitives.cpp) ----
// The view of a CopyBits argument as an extended PixMap: an extended PixMap itself, the registered
// PixMap of a port-bits slot, or `view` (84 bytes) filled from a PixMap's published fields or a BitMap
// (one bit, the default one-bit table). Nil for a pixelSize other than 1, 2, 4, 8, 16, 24 (the
// library's device PixMaps) or 32. Reached by
// the test programs by ordinal.
ZEL_EXTERN_C PixMap *ZEL_CALL GetPixMapView(const BitMap *bits, PixMap *view);
// A colour port's portPixMap field passed as a BitMap (its "rowBytes" the port version 0xC000, its
// "baseAddr" the PixMap handle) resolved to the PixMap; any other BitMap as it is. Nil for a dead handle.
const BitMap *ResolveColorPortBits(const BitMap *bits);
// The DC a small baseAddr names: a PortDCTable entry's (bit 15), a port-bits slot PixMap's memory DC,
// else the current DC (as for 0x7FFF and real addresses). Reached by ordinal.
ZEL_EXTERN_C HDC ZEL_CALL GetBitsDC(Ptr baseAddr);
// rowBytes without its flag bits.
int16_t PixMapRowBytes(const PixMap *pm);
// A PixMap whose pixels are only in its Windows bitmap (baseAddr 0x7FFF with a cached pmExtBitmap): a
// DDB PixMap or a grab of the screen. Transfers read and write that bitmap.
bool IsBitmapOnlyPixMap(const PixMap *pm);
// Cuts the rectangles to the bounds of the sides whose pixels are in memory, keeping them in
// proportion.
void ClipBlitToBounds(const PixMap *srcView, const PixMap *dstView, Rect *src, Rect *dst);
// Cuts the rectangles to thePort's clip (in device coordinates when the destination is a DC of a
// transformed port): `dst` becomes the area the whole source pixels cover and `write` the part of it
// to be written. False when nothing is left.
bool ClipBlitToPortClip(bool dstIsDC, Rect *src, Rect *dst, Rect *write);
// BitBlt for the same size, else StretchBlt (colour sources under COLORONCOLOR). Reached by ordinal.
ZEL_EXTERN_C BOOL ZEL_CALL BitBltOrStretch(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw,
                                           int sh, DWORD rop);
// A blit in a transfer mode: transparent (36) leaves the destination wherever the source shows its
// DC's background colour; other modes blit with `rop`. Reached by ordinal.
ZEL_EXTERN_C BOOL ZEL_CALL BlitDcWithMode(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw,
                                          int sh, int16_t mode, DWORD rop);
// StretchDIBits in a transfer mode: transparent (36) leaves the destination wherever the DIB shows the
// current port's background colour. The colour table of an indexed DIB is changed during the call and
// put back. Reached by ordinal.
ZEL_EXTERN_C int ZEL_CALL StretchDibWithMode(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                                             const void *bits, BITMAPINFO *info, UINT usage, int16_t mode,
                                             DWORD rop);
// A temporary PixMap of the view's kind holding the pixels of a rectangle of `dc` in a Windows bitmap
// (its pmExtBitmap), with its own copy of the view's colour table; nil when any part cannot be made.
// Reached by ordinal.
ZEL_EXTERN_C PixMapHandle ZEL_CALL GrabScreenBits(const PixMap *view, Point topLeft, Point botRight, HDC dc);

// ---- The DIB engine (dib_engine.cpp) ----
// Where the engine's operations come from: none yet, native on Windows NT or 95, or "wing.dll".
enum DibEngineKind : int16_t { engineNone = 0, engineNT = 1, engine95 = 2, engineWinG = 3 };
// Loads the engine for the session's platform once; true when one is ready.
bool LoadDibEngine();
// Forgets the engine and frees "wing.dll" (QuickDraw's exit).
void UnloadDibEngine();
// Unloads, then loads the engine as for a platform given as a DibEngineKind (0: the session's own);
// answers the kind loaded. Reached by the test programs by ordinal.
ZEL_EXTERN_C int16_t ZEL_CALL LoadDibEngineForPlatform(int16_t platform);
// Gives a PixMap an engine DIB section of width x height in the device's format, with a DC of its own
// (flags 0x400 and 0x20; a top-down section's rows become the PixMap's). On failure the PixMap is left
// as it was. Reached by ordinal.
ZEL_EXTERN_C Boolean ZEL_CALL AttachDibSection(PixMap *map, int16_t width, int16_t height);
// The engine's SRCCOPY blit; FALSE without an engine.
ZEL_EXTERN_C BOOL ZEL_CALL DibEngineBlit(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy);
// Takes an engine section and its DC from a PixMap (nothing for other PixMaps).
void ReleaseDibSection(PixMap &map);
// Frees row storage the library allocated for a PixMap; storage of another owner stays.
void ReleaseLibraryRows(PixMap &map);

// ---- The pixel conversion engine (pixel_engine.cpp) ----
// Converts srcRect of `src` into dstRect of `dst` (PixMaps in memory: plain rows, or DIB-backed with
// pmExtFlags 0x20; BitMaps as 1-bit PixMap views) in `mode` (0..15, 32..39, with or without ditherCopy),
// through the mask region when one is given: a region whose box is empty draws nothing. Scaling follows
// the full rectangles set by SetConversionFullRects just before the call (else the rectangles given):
// destination pixel (x, y) takes source(floor((x - full left) * S / D) + full left, likewise for y).
// srcCT nil: the 1-bit table for 1-bit sources, else the device's. dstCT nil: nothing is drawn.
void ConvertPixels(const PixMap *src, PixMap *dst, Rect srcRect, Rect dstRect, int16_t mode, CTabHandle srcCT,
                   CTabHandle dstCT, RgnHandle mask);
void SetConversionFullRects(const Rect &fullSrc, const Rect &fullDst);
// CopyBits' colourise flag: the port's foreground and background colours replace black and white.
void SetColorizeFlag(bool on);
bool ColorizeFlag();
// Pattern-tile mode: until cleared, the source of ConvertPixels is a tile of `width` x `height` pixels of
// the source PixMap's depth (rows `rowBytes` apart from `base`), repeated in both directions; source
// coordinates are taken modulo the tile. A tile of no width or height draws nothing.
void SetPatternTile(const void *base, int32_t rowBytes, int32_t height, int32_t width);
void ClearPatternTile();
bool PatternTileMode();
// A mask-form region over `box` whose mask is the rectangle `maskRect` of a plain BitMap (1 inside),
// stretched over the box like any mask; only the engine reads it. Nil when memory is short.
RgnHandle NewBitMapMaskRgn(const BitMap *bits, const Rect &maskRect, const Rect &box);
// Turns colourising off until the next CopyBits ends (the colour-pattern expansion's transfers draw
// their colours as they are).
void ClearCopyBitsRanFlag();
void SetCopyBitsRanFlag();
// Shapes drawn through the shape mask so far. Reached by the test programs by ordinal.
ZEL_EXTERN_C uint32_t ZEL_CALL ShapesDrawnThroughMask(void);
// Bytes held by the engine's cached buffers. Reached by the test programs by ordinal.
ZEL_EXTERN_C uint32_t ZEL_CALL PixelEngineBufferBytes(void);
// Frees the cached buffers (QuickDraw's exit).
void DisposePixelEngineBuffers();

// ---- Unscaled fast paths (fast_paths.cpp) and screen sources (screen_source.cpp) ----
// One row of one-bit pixels: `count` bits from bit srcBit of `src` to bit dstBit of `dst` (bits counted
// from each row's high bit), replacing the destination's bits (mode 0) or or-ing into them (mode 1); the
// destination's other bits keep their values, and only the bytes holding the run are read.
void ShiftedRowMerge(const uint8_t *src, uint8_t *dst, int srcBit, int dstBit, int32_t count, int16_t mode);
// Same-size copies between plain PixMaps in memory, each answering whether it took the transfer.
bool OneBitCopy(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode);
bool ToMonoCopy(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode, CTabHandle srcCT);
bool SrcCopyFastPath(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, CTabHandle srcCT,
                     CTabHandle dstCT);
// Plain to plain: the fast loops where they apply, else the pixel conversion engine.
void CopyBitsFastPath(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode,
                      CTabHandle srcCT, CTabHandle dstCT, RgnHandle mask);
// Plain to a DIB PixMap: 8-bit indices of the same table copied into the DIB's rows (complemented into
// a DIB of reversed order, cut to the DIB's own width and height), else the engine.
void MacToDibCopy(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode,
                  CTabHandle srcCT, CTabHandle dstCT, RgnHandle mask);
void MacToDibRows(const PixMap *src, PixMap *dst, const Rect &srcRect, Point dstTopLeft);
// A 16-bit (5-5-5) Windows bitmap of a band of an 8, 16 or 32-bit plain PixMap (at most 64 KB); `rect`
// becomes the bitmap's own (0, 0, height, width). Nil when it cannot be made.
HBITMAP SixteenBitBandBitmap(const PixMap *pm, Rect *rect);
// A device context's rectangle into a DIB PixMap's destination rectangle (`write` the part to change).
void ScreenSourceCopy(HDC source, PixMap *dstView, const Rect &srcRect, const Rect &dstRect, const Rect &write,
                      int16_t mode, RgnHandle mask);
// Frees the section screen sources are read into (QuickDraw's exit).
void DisposeScreenGrabSection();
// Frees the block and the DC the bitmap-bits exchange keeps between calls (QuickDraw's exit).
void FreeBitmapBitsScratch();
// Frees the strip bitmaps hilite mode keeps for its next rectangle (QuickDraw's exit).
void FreeHiliteStrips();
// Forgets full rectangles set for a ConvertPixels call that a fast path made unnecessary.
void ForgetConversionFullRects();

// ---- Colour patterns (color_pattern.cpp) ----
// The phase of the current port's pattern grid for a tile of width x height: the tile's pixel (0, 0)
// lies at local (x0, y0) and every multiple of the tile's size from there.
void PatternGridOrigin(int32_t width, int32_t height, int32_t *x0, int32_t *y0);

// ---- The screen-write layer (screen_write.cpp) ----
// CopyBits' set-bits flag: a same-size srcCopy may use SetDIBitsToDevice.
bool UseSetDIBitsFlag();
void SetUseSetDIBitsFlag(bool on);
// CopyBits' and CopyMask's way to a window or the screen: stores the raster operation for
// ZEL_DSSimple, then composes through ZEL_DSNotSimple (a raster operation other than SRCCOPY, a mask,
// or colourising, unless the source is an engine section) or blits with ZEL_DSSimple.
void DrawPixMapToScreen(PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode,
                        DWORD rop, CTabHandle ctab, uint32_t context, RgnHandle mask, bool colorize);
// Frees the compositing path's scratch DIB (QuickDraw's exit).
void DisposeScratchDib();

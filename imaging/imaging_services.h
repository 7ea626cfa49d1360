// Services of QuickDraw imaging and pictures for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Quickdraw.h"

// ---- Set-up ----
// Imaging's objects for a QuickDraw session: made by InitGraf after the screen set-up, freed by ExitGraf
// before the screen goes.
void InitImaging();
void ExitImaging();

// ---- Port bits ----
// The 32-slot table of application bitmaps bound to ports: cleared by InitGraf, torn down by ExitGraf.
void InitPortBitsTable();
void DisposePortBitsTable();
// Sets the current port's portBits. Memory bits behind a port that draws through a DC are bound to a
// bitmap in a slot of the table (the port's baseAddr then holds the slot's index); FALSE, the port as it
// was, when no slot or bitmap can be had. A baseAddr of 0x8000 plus a PortDCTable index binds the port's
// own DC.
BOOL BindPortBits(GrafPtr port, Ptr baseAddr, int16_t rowBytes, const Rect *bounds);
// Undoes a binding made for a slot (a live slot's index; anything else is left alone), copying the drawn
// pixels back into the application's 1-bit bits when `copyBack` is set, within their bounds and rowBytes.
void ReleasePortBits(GrafPtr port, Ptr baseAddr, BOOL copyBack);
// Copies the current device's colours into the DIB of a PixMap drawn in the device's colours, when the
// device's table changed since the last time.
void SyncPixMapDibColors(PixMapHandle pm);
// SetPortPix's binding: the PixMap's pixels bound to a GDI bitmap and the PixMap stored as the current
// port's portPixMap; TRUE on success.
BOOL BindPortPixMap(PixMapHandle pm);
// Converts a bound PixMap's pixels back before SetPortPix unbinds it.
void UnfoldPortPixMap(PixMapHandle pm);
// CopyPixMap's tail: the Windows bitmap behind src duplicated for dst.
void DuplicatePixMapBitmap(PixMapHandle src, PixMapHandle dst);
// Frees the DIB an extended PixMap keeps attached, with its seed and the flags that describe it.
void FreePixMapDib(PixMapHandle pm);
// Hooks run when the palette is switched on and off on a 4-bit screen.
void BeginFourBitPalette();
void EndFourBitPalette();
// The map from the library palette's entries to the first system-palette index of each one's colour,
// made again when the palette is realised (a 236-entry palette is mapped as 256); nothing on screens
// without a palette. Freed at QuickDraw's exit.
void BuildPaletteIndexMap(HDC dc, HPALETTE palette);
bool PaletteIndexMapExists();
void FreePaletteIndexMap();
// The memory DC the imaging code shares between its transfers: the library's default memory DC.
HDC SharedMemoryDC();
// A memory DC compatible with `source`, with the library's palette selected unless the source is a
// printer without a palette.
HDC CreateCompatibleDcWithPalette(HDC source);

// ---- DIB PixMaps ----
// A DIB PixMap for a rectangle, white, with the pixel format and a copy of the colour table of `like`
// (nil: the current device's PixMap); with `wantDC` its rows are a DIB section in a memory DC of its own
// (pmExtDC), which GDI draws into. A 1-bit one with the library's two-entry table. Nil on failure.
PixMapHandle NewDibPixMapForRect(Point topLeft, Point botRight, const PixMap *like, bool wantDC);
PixMapHandle NewMonoDibPixMapForRect(Point topLeft, Point botRight, bool wantDC);
// Gives a new PixMap its DIB over the rectangle (and its DC with `wantDC`); false on failure.
bool BindDibPixMap(PixMapHandle pm, const Rect *rect, bool wantDC);
// Disposes a DIB PixMap with the storage it owns (its own one-byte block, its DC and section).
void DisposeDibPixMap(PixMapHandle pm);
// The current port record's pen, brush and colour state: saved before a mask path draws into a DC of
// its own, made unknown so that the mask DC gets its own, and put back after.
void SavePortDcColors();
void ResetPortDcColors();
void RestorePortDcColors();
// Frees the shape path's cached region, the shared one-byte block and the compositing scratch
// (QuickDraw's exit).
void DisposeDibBridgeCaches();

// ---- The screen-write layer ----
// Hilites a device rectangle of the current port: its background-coloured and hilite-coloured pixels
// exchanged, over the whole rectangle; false, nothing changed, when it could not, and the caller then
// inverts or paints (hilite_mode.cpp).
bool HiliteScreenRect(const RECT &deviceRect);
// Writes a solid all-black or all-white pattern straight into the current port's DIB bits; false when
// it did not, and the caller draws the same pixels through GDI.
bool TryDibFillRect(const Rect *rect, const Pattern *pat);
// The PixPat counterpart of TryDibFillRect: never taken (false).
bool TryDibFillCRect(const Rect *rect, PixPatHandle pp);

// ---- DDB PixMaps and bitmap-bits transforms (ddb_pixmaps.cpp) ----
// The bits of a device-dependent bitmap as GetBitmapBits returns them: `rowBytes` (even) bytes a row of
// one plane, rows top-down, the planes of a planar bitmap one after another within each row. The
// transforms take one plane of 1, 8, 16, 24 or 32 bits, or four planes of one bit (plane k carries bit
// 2^k of a 16-colour index); every other layout is not done.
struct BitmapBitsLayout {
    int32_t width, height;
    int32_t planes, bitsPerPixel;
    int32_t rowBytes;
};
// Bytes of the whole layout: rowBytes x planes x height, in 64 bits.
int64_t BitmapBitsBytes(const BitmapBitsLayout &layout);
// A one-bit mask over such bits: the bitmap's pixel (x, y) uses bit firstBit + x of mask row y (bit set:
// inside), rows of rowBytes bytes; `height` rows exist.
struct BitmapBitsMask {
    const uint8_t *rows;
    int32_t rowBytes;
    int32_t firstBit;
    int32_t height;
};
// Exchanges the pixel values a and b (whole pixels; the colour index of a planar pixel), everywhere or
// only inside the mask. False, nothing changed, for a layout not taken or a mask that does not cover the
// bits.
bool ExchangeBitmapBits(uint8_t *bits, const BitmapBitsLayout &layout, uint32_t a, uint32_t b,
                        const BitmapBitsMask *mask);
// The bits turned a quarter, clockwise (y downwards) or counter-clockwise, in a new block (free with
// std::free) whose layout goes in `rotated`: rows of whole 16-bit words, width and height exchanged. Nil
// for a layout not taken or when memory is short.
uint8_t *RotateBitmapBits(const uint8_t *bits, const BitmapBitsLayout &layout, bool clockwise,
                          BitmapBitsLayout *rotated);
// The bits mirrored top to bottom (`vertical`) or left to right, in a new block of the same layout.
uint8_t *MirrorBitmapBits(const uint8_t *bits, const BitmapBitsLayout &layout, bool vertical);
// A bitmap of width x height made from memory bits of `rowBytes` bytes a row (all planes), band by band
// of at most 64 KB through DCs compatible with the PixMap's (the screen's without one); planesAndBits is
// planes << 8 | bits per pixel. Nil on failure.
HBITMAP CreateBitmapInBands(const PixMap *pm, int32_t width, int32_t height, int32_t rowBytes, uint16_t planesAndBits,
                            const uint8_t *bits);
// Exchanges the pixel values a and b in a bitmap's bits (the record read from it when nil); false, the
// bitmap unchanged, when its layout is not taken or its bits cannot be read or written.
Boolean SwapBitmapHiliteColors(const PixMap *pm, HBITMAP bitmap, const BITMAP *record, uint32_t a, uint32_t b);
// The same only where the one-bit mask is set: the mask's `maskRect` (its bounds when nil, in its bounds
// coordinates) lies over the bitmap from its top-left. False, nothing exchanged, when that area is not
// inside the mask's bounds, is smaller than the bitmap, or the mask's rows are shorter than its bounds.
Boolean SwapBitmapMaskedColors(const PixMap *pm, const BitMap *mask, const Rect *maskRect, HBITMAP bitmap,
                               const BITMAP *record, uint32_t a, uint32_t b);
// A new bitmap of the source turned a quarter: +90 clockwise, -90 counter-clockwise; nil (also in
// *result) for any other angle, a layout not taken or on failure.
HBITMAP RotateBitmap(const PixMap *pm, int16_t angle, const BITMAP *record, HBITMAP source, HBITMAP *result);
// A new bitmap of the source mirrored: top to bottom when `vertical` is nonzero, else left to right.
HBITMAP FlipBitmap(int16_t vertical, const PixMap *pm, const BITMAP *record, HBITMAP source, HBITMAP *result);

// ---- Offscreen drawing ----
// Frees the PixMap every port's offscreen drawing goes through (QuickDraw's exit).
void FreeOffscreenPixMap();

// ---- Masks ----
// Frees the bitmap CopyMask keeps of the last mask it drew through (QuickDraw's exit).
void DisposeCopyMaskCache();

// ---- Picture recording ----
// ---- Picture comments ----
// The first 16-bit values of the last comments of kinds 501 and 502 (0 until one came), read by the
// text code.
int16_t PictCommentWord501();
int16_t PictCommentWord502();
// Sends a NUL-terminated line of PostScript to the printer of the current DC when it takes PostScript.
void SendPostScriptLine(const char *text);
// A number for PostScript: num2str with 6 significant digits in floating form, NUL-terminated.
void FormatPostScriptNumber(double value, char *out);

// While off, staged opcodes are dropped: playback turns recording off while it puts a port's state
// back, so that restoring does not land in a picture being recorded. On at load.
void SetPictRecordingEnabled(bool on);
bool PictRecordingEnabled();
// Frees the recording state of every picture (QuickDraw's exit).
void ExitPictRecording();
// Stages one opcode record of the picture being recorded for the current port (at most `maxSize` data
// bytes): the opcode as a big-endian word, then the data. Operands past `maxSize` drop the whole
// opcode.
void BeginPictOpcode(uint16_t opcode, uint16_t maxSize);
// Appends `count` bytes as big-endian 16-bit words (a Point goes v then h).
void PutPictWords(uint16_t count, const void *data);
// Appends raw bytes.
void PutPictBytes(uint16_t count, const void *data);
// Appends one 32-bit value, big-endian.
void PutPictLong(uint32_t value);
// Pads the staged record to even length and hands it to the port's putPicProc.
void EndPictOpcode();
// With a picture open on the current port: records the port state changed since the last opcode
// (colours, origin, clip) and returns 1; 0 when no picture is open.
int RecordPictPortState();
// Records the pen and pattern state a shape verb depends on.
void RecordPictVerbState(GrafVerb verb);
// Records a rectangle-shaped opcode (0x30 rectangle, 0x40 round rectangle, 0x50 oval, plus the verb)
// with its rectangle, or its "same rectangle" form (opcode + 8) when the rectangle repeats the last one.
void RecordPictRectOp(uint16_t opcode, const Rect *rect);
// The oval size of the round rectangles that follow (0x000B), when it differs from the picture's last.
void RecordPictOvalSize(int16_t ovalWidth, int16_t ovalHeight);
// A line: Line, LineFrom (starting where the picture's last recorded line ended), ShortLine or
// ShortLineFrom.
void RecordPictLineOp(Point from, Point to);
// A polygon opcode with the whole polygon (size, box, points).
void RecordPictPolyOp(uint16_t opcode, PolyHandle poly);
// A region opcode (0x80 plus the verb) with the whole region: size, box and rows of inversion points.
void RecordPictRgnOp(uint16_t opcode, RgnHandle rgn);
// An arc opcode with its Rect and two angles.
void RecordPictArcOp(uint16_t opcode, const Rect *rect, int16_t startAngle, int16_t arcAngle);
// RGBForeColor (0x001A) and RGBBackColor (0x001B) with the colour.
void RecordPictRGBOp(uint16_t opcode, const RGBColor *rgb);
// ForeColor (0x000E) and BackColor (0x000F) with the classic colour code.
void RecordPictColorCode(uint16_t opcode, int32_t code);
// A comment into the picture being recorded: short (0x00A0) without data or with a negative size,
// else long (0x00A1) with at most the handle's bytes, its numbers made big-endian.
void RecordPictComment(int16_t kind, int16_t dataSize, Handle dataHandle);
// CopyBits into a port whose picture is open: the transfer recorded as a bits opcode (BitsRect,
// PackBitsRect or DirectBitsRect), srcRect clipped to the source's bounds. `view` is the source as a
// PixMap; a source whose pixels are a device's or a bitmap's (`viewIsDevice`) is read from `deviceDC`.
void RecordPictBits(const PixMap *view, bool viewIsDevice, HDC deviceDC, const Rect *srcRect, const Rect *dstRect,
                    int16_t mode);
// The text state the picture being recorded last received: text opcodes are written only for what
// differs. A picture starts with its font, style and size unknown (its first text writes them), mode
// srcOr, no extra space and no scaling.
struct PictTextState {
    bool known;
    int16_t font;
    Style face;
    int16_t mode;
    int16_t size;
    Fixed spExtra;
    Point numer, denom;
};
PictTextState &CurrentPictTextState();
// True the first time a font number is met in the picture being recorded (its name is then recorded).
bool PictFontIsNew(int16_t font);
// The picture font map: the fonts a picture names, by its own numbers and the local ones. Opening a
// picture and playing one push a new map, closing and the end of playback pop it.
enum PictFontMapOp : int16_t {
    kPictFontMapPush = 0,
    kPictFontMapAddByName = 1,   // local = GetFNum(name); an entry already there takes the new number
    kPictFontMapLookUp = 2,      // the local number, or the number itself
    kPictFontMapAddAsItself = 3, // local = number; an entry already there is kept
    kPictFontMapPop = 4,
};
// Ops 1 and 3 answer 1 when they added an entry.
int16_t PictFontMap(PictFontMapOp op, int16_t number, ConstStr255Param name);
// Maps held: the current one and those saved under it.
size_t PictFontMapDepth();
// ---- Picture playback ----
// 1 while DrawPicture plays a picture (the level that plays sets it; a nested one gives the outer
// level's value back when it ends).
bool PictPlaying();
// Maps a rectangle of the playing picture's frame onto its destination (nothing when none plays).
void MapPictRect(Rect *r);
// A bits opcode (0x0090, 0x0091, 0x0098, 0x0099, 0x009A, 0x009B) of a playing picture, its operand of
// `size` bytes measured and read: the rows decoded to 32-bit bands drawn through the bits procedure.
void PlayPictBits(uint16_t opcode, const uint8_t *operand, int32_t size);
// A full pixel pattern (type 1) of a picture's pattern opcode, its rows read from `operand` (`size`
// bytes) by the record's rules: indexed rows keep their depth and the picture's colours, direct rows
// become 32-bit pixels. Nil when the rows are damaged, the pattern is larger than a pattern should be,
// or memory is short.
struct PictPixPatRecord;
PixPatHandle NewPictPixPat(const PictPixPatRecord &rec, const uint8_t *operand, int32_t size);
// DrawPicture of a handle whose C bit is set: its DIB body drawn at its own size at dstRect's top-left
// into a direct colour port (nothing on other ports or for a body that does not hold together).
void DrawDibPicture(PicHandle pic, const Rect *dstRect);
// CopyBits into the port of the clipboard picture: a direct source's pixels written into the body,
// scaled nearest-neighbour and clipped to the source's bounds and the picture's frame.
void CopyBitsToScrapDib(const PixMap *source, const Rect *srcRect, const Rect *dstRect);

// The clipboard picture open on a port (its body a DIB, not an opcode stream), or nil: StdPutPic adds
// nothing to it and ClosePicture only detaches it.
Handle ScrapPictureMarker();
void SetScrapPictureMarker(Handle picture);
void ClearScrapPictureMarker();

// ---- Colour pattern expansion ----
// A verb's pattern kinds: the pen's (0 and 1), the background's and the fill's.
enum : uint8_t { kPatternKindPen = 0, kPatternKindPenAlt = 1, kPatternKindBack = 2, kPatternKindFill = 4 };
// The current port's pattern of `kind`: a colour port's PixPat (no Pattern), a classic port's Pattern (no
// PixPat); neither for another kind.
void GetVerbPattern(PixPatHandle *pp, Pattern **pat, uint8_t kind);
// True for a full pixel pattern larger than 8 x 8, which GDI's pattern brushes cannot place on the grid.
bool PixPatIsLarge(PixPatHandle pp);
// Whether the current port's pattern of `kind` must be drawn through the shape mask: a colour port's
// large full pixel pattern.
bool PatternNeedsMask(uint8_t kind);
// Lays the pattern over `r` (local coordinates) on the port's pattern grid and transfers it onto `dst`
// in `mode` through `mask` (nil: the whole rectangle). `pp` is a full pixel pattern (its one-bit form
// when its data are short or its PixMap insane), an RGB pattern (its colour) or another PixPat (its
// one-bit form); without one, `pat` in the port's colours (nil: nothing). False only when memory is short.
bool ExpandColorPattern(PixPatHandle pp, const Pattern *pat, const BitMap *dst, const Rect *r, int16_t mode,
                        RgnHandle mask);
// Frees the temporary PixMap the expansion keeps between calls (QuickDraw's exit).
void DisposeColorPatternCache();

// ---- Shape mask ----
// Starts drawing a shape into a one-bit mask when the mask mode is armed; false when it is not.
bool BeginShapeMask(const Rect *deviceRect, GrafVerb verb, int reserved);
// Ends the mask begun by BeginShapeMask and paints it with the verb's pattern and the pen mode.
void EndShapeMask(int16_t penMode, int notFrame);

// Frees the shape path's cached region.
void DisposeShapeMaskCache();
// Text drawn through a one-bit mask: BeginTextMask swaps a 1-bit bitmap of the rectangle in as the
// current DC when the mask-emulation switch is on and the port's text mode, size or clip needs it
// (false: GDI draws the text); EndTextMask copies the drawn text onto the port in `mode`.
bool BeginTextMask(Point topLeft, Point botRight, int16_t textHeight);
void EndTextMask(int16_t mode);

// ---- Mask regions ----
// The one-bit-mask form of a region: the header, the mark of the form, then the Handle of a packed
// 1-bit DIB (header, two colours, bottom-up rows) whose 0 bits are inside. The DIB may be smaller or
// larger than the box: it is stretched over the box.
#pragma pack(push, 2)
struct MaskRegionRecord {
    int16_t rgnSize;
    Rect rgnBBox;
    uint32_t rgnForm;
    uint32_t maskDib;
};
#pragma pack(pop)
static_assert(sizeof(MaskRegionRecord) == 18, "a mask-form region is 18 bytes");
static_assert(offsetof(MaskRegionRecord, maskDib) == 14, "the mask handle follows the form word");
// rgnSize of a mask-form region: the header and the form word (the mask handle is not counted).
constexpr int16_t kMaskFormRgnSize = offsetof(MaskRegionRecord, maskDib);
// A mask DIB of width x height pixels, every pixel outside (all bits 1); 0 when memory is short.
Handle NewMaskDib(int width, int height);
// Marks the pixel (x, y) of a mask DIB (top-down coordinates) inside.
void SetMaskDibInside(Handle dib, int x, int y);
// True when the point is inside the box and its mask bit is 0.
Boolean PtInMaskRgn(Point pt, RgnHandle rgn);
// True when the region has no mask or no 0 bit in it.
Boolean IsMaskRgnEmpty(RgnHandle rgn);
// Turns a region into the mask form of the given box and DIB (which the region then owns); false when
// the handle cannot grow, and then the region is the rectangle form of the box and the DIB is disposed.
bool SetRgnToMaskDib(RgnHandle rgn, Point topLeft, Point botRight, Handle dib);
// The inside of a mask-form region (its mask stretched over its box) as a new GDI region the caller
// deletes; nil when the region has no whole mask or GDI fails.
HRGN MaskRgnToGdiRgn(RgnHandle rgn);
// Set operation (1 and, 2 or, 3 xor, 4 diff) when an operand is in mask form.
void CombineMaskRgns(RgnHandle a, RgnHandle b, RgnHandle dst, int16_t mode);
// Paints a region in any form on a DC: rectangle and GDI forms under the ROP2, the mask under the ROP3.
void PaintRgnWithRop(HDC dc, RgnHandle rgn, int rop2, DWORD rop3);
// A new region in mask form with a mask of the region's box (a mask of another size is resampled by the
// stretch rule); false, *out nil, for an empty box or when memory is short.
bool RgnToMaskForm(RgnHandle rgn, RgnHandle *out);
// The region itself when it is in mask form with a mask, else a new one from RgnToMaskForm (madeNew:
// the caller disposes it); false when none could be had.
bool GetMaskFormRgn(RgnHandle rgn, RgnHandle *out, bool *madeNew);

// ---- Colour icons ----
// Plots a colour icon into a rectangle of a DC through its mask (the menus' owner-drawn icons).
void PlotColorIcon(HDC dc, const Rect *box, CIconHandle icon);

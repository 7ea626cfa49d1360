// Bit transfer: CopyBits, the one entry of every pixel transfer, and StdBits, the standard bottleneck
// behind it. CopyBits reads its arguments as views, serves the port's bottleneck, clips to the bounds and
// the port, and takes the first path that applies: the DIB engine for a DIB source on a device, GDI
// blits between device contexts (memory destinations through a bitmap written back into their pixels),
// or the general DIB transfer.
#include "imaging.h"
#include "blit_clipping.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

const BitMap *ResolveColorPortBits(const BitMap *bits)
{
    if (bits && (static_cast<uint16_t>(bits->rowBytes) & 0xC000) == 0xC000) {
        PixMapHandle pm = reinterpret_cast<PixMapHandle>(bits->baseAddr);
        return HandleHasData(pm) ? reinterpret_cast<const BitMap *>(*pm) : nullptr;
    }
    return bits;
}

namespace {

constexpr int16_t kSrcCopy = 0, kSrcOr = 1, kSrcXor = 2, kSrcBic = 3, kNotSrcBic = 7, kTransparent = 36;
constexpr uint8_t kHiliteBit = 0x80;
constexpr int16_t kDitherCopy = 0x40;

// Raster operations of the modes 0..15 by mode & 15, and of the arithmetic modes 32..39, which are plain
// copies at this level (transparent and adMin AND). A Macintosh pixel bit 1 is black, a Windows one
// white: each mode's Macintosh operation on the inverted bits. srcOr reads the brush, which CopyBits makes
// the stock black one (PSDPxax under a black brush is DSa); the pattern modes read the brush as the
// pattern, black where the pattern is.
const DWORD kModeRops[16] = {
    0xCC0020, // srcCopy S
    0xB8074A, // srcOr D | S: D & S
    0x990066, // srcXor D ^ S: ~(D ^ S)
    0xBB0226, // srcBic D & ~S: D | ~S
    0x330008, // notSrcCopy ~S
    0x220326, // notSrcOr D | ~S: D & ~S
    0x660046, // notSrcXor D ^ ~S: D ^ S
    0xEE0086, // notSrcBic D & S: D | S
    0xF00021, // patCopy P
    0xA000C9, // patOr D | P: D & P
    0xA50065, // patXor D ^ P: ~(D ^ P)
    0xAF0229, // patBic D & ~P: D | ~P
    0x0F0001, // notPatCopy ~P
    0x0A0329, // notPatOr D | ~P: D & ~P
    0x5A0049, // notPatXor D ^ ~P: D ^ P
    0xFA0089, // notPatBic D & P: D | P
};
const DWORD kArithmeticRops[8] = {0xCC0020, 0xCC0020, 0xCC0020, 0xCC0020, 0x8800C6, 0xCC0020, 0xCC0020, 0x8800C6};

DWORD RopForMode(int16_t mode, int16_t srcDepth)
{
    int16_t m = static_cast<int16_t>(mode & ~kDitherCopy);
    if (m >= 32 && m <= 39)
        return kArithmeticRops[m - 32];
    if (m == kSrcOr && srcDepth == 1)
        return SRCAND; // a black source pixel darkens, a white one leaves the destination
    return kModeRops[m & 15];
}

uint32_t AddressOf(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

bool IsEmpty(const Rect &r) { return r.bottom <= r.top || r.right <= r.left; }

// The bits are thePort's own: its portBits, or a colour port's PixMap.
bool IsThePortsBits(const BitMap *bits)
{
    GrafPtr port = CurrentPort();
    if (!port || !bits)
        return false;
    if (bits == &port->portBits)
        return true;
    if (IsColorPort(port)) {
        PixMapHandle pm = reinterpret_cast<CGrafPtr>(port)->portPixMap;
        return HandleHasData(pm) && bits == reinterpret_cast<const BitMap *>(*pm);
    }
    return false;
}

// A memory DC holding `bitmap`, put back and deleted when the guard ends.
class BitmapDC {
public:
    BitmapDC(HDC reference, HBITMAP bitmap) : dc_(bitmap ? CreateCompatibleDC(reference) : nullptr), old_(nullptr)
    {
        if (dc_) {
            old_ = SelectObject(dc_, bitmap);
            if (HPALETTE palette = static_cast<HPALETTE>(GetCurrentObject(reference, OBJ_PAL)))
                SelectPalette(dc_, palette, TRUE);
        }
    }
    ~BitmapDC()
    {
        if (dc_) {
            SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
    }
    BitmapDC(const BitmapDC &) = delete;
    BitmapDC &operator=(const BitmapDC &) = delete;
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// srcOr's raster operation reads the brush as black: the stock black brush selected into `dc` for the
// call, whatever brush the DC held (a DC that never had one holds white), put back when the guard ends.
class BlackBrushForSrcOr {
public:
    BlackBrushForSrcOr(HDC dc, int16_t mode)
        : dc_(mode == kSrcOr ? dc : nullptr), old_(dc_ ? SelectObject(dc_, GetStockObject(BLACK_BRUSH)) : nullptr)
    {
    }
    ~BlackBrushForSrcOr()
    {
        if (dc_ && old_)
            SelectObject(dc_, old_);
    }
    BlackBrushForSrcOr(const BlackBrushForSrcOr &) = delete;
    BlackBrushForSrcOr &operator=(const BlackBrushForSrcOr &) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// What a CopyBits call has worked out about one side.
struct Side {
    const BitMap *bits; // the argument, a colour port's field resolved
    PixMap *view;
    bool isDC;          // a small baseAddr: the pixels are a device context's
    bool hasDC;         // the PixMap's pixels sit in a memory DC of its own
    bool isDib;         // in memory, with a DIB attached
    bool isBitmap;      // the pixels are only in the PixMap's Windows bitmap
};

Side Describe(const BitMap *bits, PixMap *buffer)
{
    Side s{bits, GetPixMapView(bits, buffer), false, false, false, false};
    if (!s.view)
        return s;
    const PixMap &v = *s.view;
    s.isBitmap = IsBitmapOnlyPixMap(s.view);
    s.isDC = AddressOf(v.baseAddr) < 0x10000 && !s.isBitmap;
    if (v.pmExtFlags & pmExtDibEngine)
        s.hasDC = v.pmExtMemDC && (!(v.pmExtFlags & pmExtDibAttached) || v.pmExtDC == CurrentDC());
    else
        s.hasDC = v.pmExtMemDC && v.pmExtOldBitmap;
    s.isDib = !s.isDC && !s.hasDC && (v.pmExtFlags & pmExtDibAttached) && v.pmExtDib;
    return s;
}

// The DC that holds a bitmap-only PixMap's bitmap: its memory DC when the bitmap is selected there, else
// `holder`'s, which selects it. Nil when the bitmap cannot be selected (another DC holds it).
HDC BitmapSideDC(const Side &side, const BitmapDC &holder)
{
    const PixMap &v = *side.view;
    if (v.pmExtMemDC && GetCurrentObject(v.pmExtMemDC, OBJ_BITMAP) == v.pmExtBitmap)
        return v.pmExtMemDC;
    return holder.dc() && GetCurrentObject(holder.dc(), OBJ_BITMAP) == v.pmExtBitmap ? holder.dc() : nullptr;
}

// Whether a bitmap-only PixMap's bitmap needs a DC of its own for the transfer.
HBITMAP BitmapToHold(const Side &side)
{
    if (!side.isBitmap)
        return nullptr;
    const PixMap &v = *side.view;
    return v.pmExtMemDC && GetCurrentObject(v.pmExtMemDC, OBJ_BITMAP) == v.pmExtBitmap ? nullptr : v.pmExtBitmap;
}

void DrawEngineRows(HDC dc, const Rect &at, int16_t mode, DWORD rop);

// The general DIB transfer: the source described as DIB rows, drawn onto a device context.
void TransferDib(HDC dc, const Side &src, Rect srcRect, const Rect &dst, int16_t mode, DWORD rop)
{
    const int dstW = dst.right - dst.left, dstH = dst.bottom - dst.top;
    const int srcW = srcRect.right - srcRect.left, srcH = srcRect.bottom - srcRect.top;
    // On an 8-bit screen in the palette's gray-index mode, an 8-bit PixMap shrunk by a whole factor both
    // ways goes out as each block's average gray, at the destination's size.
    if (ScreenDepth() == 8 && ScreenReducedPalette() && IsPixMapRecord(src.bits) && src.view->pixelSize == 8 &&
        dstW < srcW && dstH < srcH) {
        const Rect size = {0, 0, static_cast<int16_t>(dstH), static_cast<int16_t>(dstW)};
        if (CopyBitsGrayReduce(src.view, &srcRect, &size, prepareBands)) {
            DrawEngineRows(dc, dst, mode, rop);
            return;
        }
    }
    PrepareBlitSource(prepareColors | prepareRows, src.bits, &srcRect, 0);
    BlitParams &params = CurrentBlitParams();
    if (!params.bits || !params.info)
        return;
    // The rows handed over are the rectangle's, bottom-up: the source starts at their bottom row.
    if (UseSetDIBitsFlag() && srcW == dstW && srcH == dstH && !(mode & kDitherCopy) && rop == SRCCOPY)
        SetDIBitsToDevice(dc, dst.left, dst.top, dstW, dstH, srcRect.left, 0, 0, srcH, params.bits, params.info,
                          params.usage);
    else
        StretchDibWithMode(dc, dst.left, dst.top, dstW, dstH, srcRect.left, 0, srcW, srcH, params.bits, params.info,
                           params.usage, static_cast<int16_t>(mode & ~kDitherCopy), rop);
}

// Switch 0x400 of the second ZEL_SetFlags pair: never take the palette screen's direct scaled path.
constexpr uint32_t kNoDitherSwitch = 0x400;

// The rows a scaling engine left in BlitParams drawn at `at` (width x height, from their origin).
void DrawEngineRows(HDC dc, const Rect &at, int16_t mode, DWORD rop)
{
    BlitParams &params = CurrentBlitParams();
    const int w = at.right - at.left, h = at.bottom - at.top;
    if (UseSetDIBitsFlag())
        SetDIBitsToDevice(dc, at.left, at.top, w, h, 0, 0, 0, h, params.bits, params.info, params.usage);
    else
        StretchDibWithMode(dc, at.left, at.top, w, h, 0, 0, w, h, params.bits, params.info, params.usage,
                           static_cast<int16_t>(mode & ~kDitherCopy), rop);
}

// The source pixels a palette screen's engines take: 8, 16 or 32 bits in memory.
bool EngineSource(const Side &src)
{
    const int depth = src.view->pixelSize;
    return !src.isDC && !src.hasDC && !src.isBitmap && !src.isDib && (depth == 8 || depth == 16 || depth == 32);
}

// An 8-bit palette screen with the library's palette realised in the destination DC, and the palette
// not in its gray-index mode: the colour-cube engines serve it.
bool CubeScreen(HDC dc)
{
    HPALETTE palette = LibraryPalette();
    return ScreenDepth() == 8 && !ScreenReducedPalette() && palette &&
           static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL)) == palette;
}

// A 4-bit screen in the palette's gray-index mode with the library's palette in the destination DC: the
// dithering scaler serves it.
bool FourBitGrayScreen(HDC dc)
{
    HPALETTE palette = LibraryPalette();
    return ScreenDepth() == 4 && ScreenReducedPalette() && palette &&
           static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL)) == palette;
}

// The dithered scaled path: the transfer cut into bands of at most 32 KB of 8-bit rows, each made at
// destination size by the screen's engine and drawn. False when the first band could not be made
// (nothing drawn: the caller takes its next path).
bool TransferDitheredBands(HDC dc, const Side &src, const Rect &srcRect, const Rect &dst, int16_t mode, DWORD rop,
                           bool fourBit)
{
    const int32_t srcH = srcRect.bottom - srcRect.top;
    const int32_t dstW = dst.right - dst.left, dstH = dst.bottom - dst.top;
    int32_t bandRows = dstW < 3 ? 0x7FFE : 0x8000 / ((dstW + 3) & ~3);
    int32_t srcRows = srcH;
    if (bandRows < dstH) {
        srcRows = std::max<int32_t>(1, bandRows * srcH / dstH);
        if (srcH < dstH)
            bandRows = srcRows * dstH / srcH;
    } else {
        bandRows = dstH;
    }
    for (int32_t k = 0;; ++k) {
        Rect bandDst = dst, bandSrc = srcRect;
        bandDst.top = static_cast<int16_t>(dst.top + k * bandRows);
        bandDst.bottom = static_cast<int16_t>(std::min<int32_t>(dst.bottom, bandDst.top + bandRows));
        bandSrc.top = static_cast<int16_t>(std::min<int32_t>(srcRect.bottom - 1, srcRect.top + k * srcRows));
        bandSrc.bottom = static_cast<int16_t>(std::min<int32_t>(srcRect.bottom, bandSrc.top + srcRows));
        const uint32_t made = fourBit ? CopyBitsScaleCore(src.view, &bandSrc, &bandDst, &srcRect, &dst, prepareBands)
                                      : CopyBitsStretch(src.view, &bandSrc, &bandDst, &srcRect, &dst, prepareBands);
        if (!made)
            return k > 0;
        DrawEngineRows(dc, bandDst, mode, rop);
        if (bandDst.bottom >= dst.bottom)
            return true;
    }
}

// The palette screens' paths (an 8-bit screen's colour cube, a 4-bit screen's grays): with ditherCopy
// every pixel dithered at destination size, band by band; without it the source converted at its own
// size to palette indices and stretched once.
// False when neither took the transfer.
bool TransferThroughCube(HDC dc, const Side &src, Rect srcRect, const Rect &dst, int16_t mode, DWORD rop)
{
    if (!EngineSource(src))
        return false;
    const bool cube = CubeScreen(dc), fourBit = !cube && FourBitGrayScreen(dc);
    if (!cube && !fourBit)
        return false;
    if (mode & kDitherCopy)
        return TransferDitheredBands(dc, src, srcRect, dst, mode, rop, fourBit);
    if (LibrarySwitch(kNoDitherSwitch) || (src.view->pixelSize > 8 && (mode & ~kDitherCopy) == kTransparent))
        return false;
    Rect rows = srcRect;
    if (!(fourBit ? PaletteIndexRows(src.view, &rows, prepareBands) : CopyBitsToIndexed(src.view, &rows, prepareBands)))
        return false;
    const int dstW = dst.right - dst.left, dstH = dst.bottom - dst.top;
    const int srcW = srcRect.right - srcRect.left, srcH = srcRect.bottom - srcRect.top;
    BlitParams &params = CurrentBlitParams();
    if (UseSetDIBitsFlag() && srcW == dstW && srcH == dstH)
        SetDIBitsToDevice(dc, dst.left, dst.top, dstW, dstH, 0, 0, 0, srcH, params.bits, params.info, params.usage);
    else
        StretchDibWithMode(dc, dst.left, dst.top, dstW, dstH, 0, 0, srcW, srcH, params.bits, params.info, params.usage,
                           static_cast<int16_t>(mode & ~kDitherCopy), rop);
    return true;
}

constexpr uint32_t kNoBandSwitch = 0x1000;

// The 16-bit screen's band path: bands of source rows of at most 64 KB of 16-bit pixels, each made a
// Windows bitmap and blitted onto its share of the destination rows.
void SixteenBitBands(HDC dc, const Side &src, const Rect &srcRect, const Rect &dstRect, const Rect &write,
                     int16_t mode, DWORD rop)
{
    const int srcW = srcRect.right - srcRect.left, srcH = srcRect.bottom - srcRect.top;
    const int dstW = dstRect.right - dstRect.left, dstH = dstRect.bottom - dstRect.top;
    const int bandRows = std::max(1, 0x8000 / std::max(srcW, 1));
    HDC memory = CreateCompatibleDC(dc);
    if (!memory)
        return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, write.left, write.top, write.right, write.bottom);
    for (int sy = 0; sy < srcH; sy += bandRows) {
        const int rows = std::min(bandRows, srcH - sy);
        // The destination rows whose source rows lie in the band.
        const int dy0 = static_cast<int>((static_cast<int64_t>(sy) * dstH + srcH - 1) / srcH);
        const int dy1 = static_cast<int>((static_cast<int64_t>(sy + rows) * dstH + srcH - 1) / srcH);
        if (dy1 <= dy0)
            continue;
        Rect band{static_cast<int16_t>(srcRect.top + sy), srcRect.left, static_cast<int16_t>(srcRect.top + sy + rows),
                  srcRect.right};
        HBITMAP bitmap = SixteenBitBandBitmap(src.view, &band);
        if (!bitmap)
            break;
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (srcH == dstH)
            BlitDcWithMode(dc, dstRect.left, dstRect.top + dy0, dstW, dy1 - dy0, memory, 0, 0, srcW, rows, mode, rop);
        else
            BlitDcWithMode(dc, dstRect.left, dstRect.top + dy0, dstW, dy1 - dy0, memory, 0,
                           static_cast<int>(static_cast<int64_t>(dy0) * srcH / dstH) - sy, srcW,
                           std::max(1, static_cast<int>(static_cast<int64_t>(dy1 - dy0) * srcH / dstH)), mode, rop);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    RestoreDC(dc, saved);
    DeleteDC(memory);
}

// The GDI path: DC to DC. A source in memory is made a bitmap; a destination in memory is blitted in a
// bitmap of its rectangle, and the pixels inside `write` go back into its rows.
void TransferGdi(HDC dc, HDC sourceDC, const Side &src, const Side &dst, Rect srcRect, Rect dstRect,
                 const Rect &write, int16_t mode, DWORD rop)
{
    const int srcW = srcRect.right - srcRect.left, srcH = srcRect.bottom - srcRect.top;
    const int dstW = dstRect.right - dstRect.left, dstH = dstRect.bottom - dstRect.top;
    HBITMAP srcBitmap = nullptr;
    HDC from = src.isDC ? sourceDC : src.hasDC ? src.view->pmExtMemDC : nullptr;
    int sx = srcRect.left, sy = srcRect.top;
    BitmapDC srcBitmapHolder(dc, BitmapToHold(src));
    if (src.isBitmap) {
        from = BitmapSideDC(src, srcBitmapHolder);
        if (!from)
            return;
    }
    if (!from) {
        Rect r = srcRect;
        srcBitmap = PrepareBlitSource(prepareColors | prepareRows | prepareBitmap, src.bits, &r, 0);
        if (!srcBitmap)
            return;
        sx = r.left;
        sy = r.top;
    }
    BitmapDC srcHolder(dc, srcBitmap);
    if (!from)
        from = srcHolder.dc();
    BitmapDC dstBitmapHolder(dc, BitmapToHold(dst));
    if (dst.isBitmap) {
        if (HDC to = BitmapSideDC(dst, dstBitmapHolder)) {
            int saved = SaveDC(to);
            IntersectClipRect(to, write.left, write.top, write.right, write.bottom);
            BlitDcWithMode(to, dstRect.left, dstRect.top, dstW, dstH, from, sx, sy, srcW, srcH, mode, rop);
            RestoreDC(to, saved);
        }
    } else if (dst.isDC || dst.hasDC) {
        HDC to = dst.isDC ? dc : dst.view->pmExtMemDC;
        int saved = SaveDC(to);
        IntersectClipRect(to, write.left, write.top, write.right, write.bottom);
        BlitDcWithMode(to, dstRect.left, dstRect.top, dstW, dstH, from, sx, sy, srcW, srcH, mode, rop);
        RestoreDC(to, saved);
    } else {
        // The destination's own pixels first, unless a copy covers them all.
        Rect r = dstRect;
        int flags = prepareColors | prepareBitmap | ((mode & ~kDitherCopy) == kSrcCopy ? 0 : prepareRows);
        HBITMAP dstBitmap = PrepareBlitSource(flags, dst.bits, &r, 0);
        if (dstBitmap) {
            {
                BitmapDC to(dc, dstBitmap);
                if (to.dc())
                    BlitDcWithMode(to.dc(), r.left, r.top, dstW, dstH, from, sx, sy, srcW, srcH, mode, rop);
            }
            Point at = {static_cast<int16_t>(r.top + write.top - dstRect.top),
                        static_cast<int16_t>(r.left + write.left - dstRect.left)};
            WriteBackPixMapBitmap(dst.view, dstBitmap, &write, at);
            if ((*ConversionPixMap())->pmExtBitmap != dstBitmap && dst.view->pmExtBitmap != dstBitmap)
                DeleteObject(dstBitmap);
        }
    }
    if (srcBitmap && (*ConversionPixMap())->pmExtBitmap != srcBitmap && src.view->pmExtBitmap != srcBitmap)
        DeleteObject(srcBitmap);
}

// Colourising is on until the colour-pattern expansion turns it off for its own transfer; every CopyBits
// turns it on again as it ends.
bool sCopyBitsRan = true;

// Modes that colourise, by mode 0..15: all but the xor modes.
const bool kColorizeModes[16] = {true, true, false, true, true, true, false, true,
                                 true, true, false, true, true, true, false, true};

bool IsBlackRgb(const RGBColor &c) { return c.red == 0 && c.green == 0 && c.blue == 0; }
bool IsWhiteRgb(const RGBColor &c) { return c.red == 0xFFFF && c.green == 0xFFFF && c.blue == 0xFFFF; }

// The port's colours replace black and white in a transfer into an indexed destination of 2 to 8 bits,
// unless the port draws black on white.
bool ModeNeedsColorize(const PixMap *dstView, int16_t mode)
{
    const PortDCRecord *record = CurrentPortRecord();
    if (!sCopyBitsRan || !record || dstView->pixelSize < 2 || dstView->pixelSize > 8)
        return false;
    if (mode < 0 || mode > 15 || !kColorizeModes[mode])
        return false;
    return !IsBlackRgb(record->foreRGB) || !IsWhiteRgb(record->backRGB);
}

// A one-bit source whose table is the plain white-and-black one draws in the port's colours: a
// temporary table of background and foreground, or nil when the port draws black on white anyway.
CTabHandle PortColoursForOneBitSource(const PixMap *view, CTabHandle table)
{
    const PortDCRecord *record = CurrentPortRecord();
    if (view->pixelSize != 1 || !record || !HandleHasData(table) || (*table)->ctSize != 1 ||
        !IsWhiteRgb((*table)->ctTable[0].rgb) || !IsBlackRgb((*table)->ctTable[1].rgb))
        return nullptr;
    if (IsBlackRgb(record->foreRGB) && IsWhiteRgb(record->backRGB))
        return nullptr;
    CTabHandle colours = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 2 * sizeof(ColorSpec)));
    if (!colours)
        return nullptr;
    (*colours)->ctSeed = GetCTSeed();
    (*colours)->ctSize = 1;
    (*colours)->ctTable[0] = ColorSpec{0, record->backRGB};
    (*colours)->ctTable[1] = ColorSpec{1, record->foreRGB};
    return colours;
}

// A mask region handed to CopyBits, made the destination DC's clip for the paths that blit through GDI:
// the clip narrowed to the region (in the destination's local coordinates, moved by (dx, dy) to the
// DC's) until the guard ends. A region in mask form (a one-bit image), and a DC that maps its
// coordinates, are left as they are.
class MaskRegionClip {
public:
    MaskRegionClip(HDC dc, RgnHandle mask, int dx, int dy)
    {
        if (!dc || !HandleHasData(mask) || GetMapMode(dc) != MM_TEXT)
            return;
        const Region &r = **mask;
        HRGN form = reinterpret_cast<HRGN>(static_cast<uintptr_t>(r.rgnForm));
        HRGN area;
        if (r.rgnSize == kMaskFormRgnSize) {
            // A mask-form region clips by the pixels its mask holds inside.
            area = MaskRgnToGdiRgn(mask);
        } else if (!form || form == RectRgnSentinel() || form == MaskRgnSentinel()) {
            area = CreateRectRgn(r.rgnBBox.left, r.rgnBBox.top, r.rgnBBox.right, r.rgnBBox.bottom);
        } else {
            area = CreateRectRgn(0, 0, 0, 0);
            if (area && CombineRgn(area, form, nullptr, RGN_COPY) == ERROR) {
                DeleteObject(area);
                area = nullptr;
            }
        }
        if (!area)
            return;
        // Clip regions are in device units: the logical offset of the DC's window and viewport added.
        POINT window{}, viewport{};
        GetWindowOrgEx(dc, &window);
        GetViewportOrgEx(dc, &viewport);
        OffsetRgn(area, dx - window.x + viewport.x, dy - window.y + viewport.y);
        saved_ = SaveDC(dc);
        ExtSelectClipRgn(dc, area, RGN_AND);
        DeleteObject(area);
        dc_ = dc;
    }
    ~MaskRegionClip()
    {
        if (dc_)
            RestoreDC(dc_, saved_);
    }
    MaskRegionClip(const MaskRegionClip &) = delete;
    MaskRegionClip &operator=(const MaskRegionClip &) = delete;

private:
    HDC dc_ = nullptr;
    int saved_ = 0;
};

bool IsRectangleForm(RgnHandle rgn)
{
    if (!HandleHasData(rgn) || (**rgn).rgnSize == kMaskFormRgnSize)
        return false;
    HRGN form = reinterpret_cast<HRGN>(static_cast<uintptr_t>((**rgn).rgnForm));
    return !form || form == RectRgnSentinel() || form == MaskRgnSentinel();
}

// Both sides in memory: the pixel conversion engine, through the port's clip when it is no rectangle
// and the destination is the port's own bits.
void ConvertInMemory(const Side &s, const Side &d, const Rect &fullSrc, const Rect &fullDst, const Rect &src,
                     const Rect &write, int16_t mode, RgnHandle maskRgn, bool portDestination)
{
    CTabHandle srcCT = s.view->pmTable;
    if (!srcCT && s.view->pixelSize == 1)
        srcCT = DefaultOneBitCTable();
    CTabHandle dstCT = d.view->pmTable;
    if (!dstCT && d.view->pixelSize > 8)
        dstCT = DefaultOneBitCTable(); // direct pixels read no table
    CTabHandle portColours = PortColoursForOneBitSource(s.view, srcCT);
    RgnHandle mask = maskRgn, madeMask = nullptr;
    GrafPtr port = CurrentPort();
    if (portDestination && port && HandleHasData(port->clipRgn) && !IsRectangleForm(port->clipRgn)) {
        if (maskRgn && (madeMask = NewRgn()) != nullptr) {
            SectRgn(port->clipRgn, maskRgn, madeMask);
            mask = madeMask;
        } else {
            mask = port->clipRgn;
        }
    }
    SetColorizeFlag(ModeNeedsColorize(d.view, static_cast<int16_t>(mode & ~kDitherCopy)));
    // At the same size the source rectangle under `write` is `write` moved by the rectangles' offset.
    Rect from = src;
    if (fullSrc.right - fullSrc.left == fullDst.right - fullDst.left &&
        fullSrc.bottom - fullSrc.top == fullDst.bottom - fullDst.top)
        from = Rect{static_cast<int16_t>(write.top + fullSrc.top - fullDst.top),
                    static_cast<int16_t>(write.left + fullSrc.left - fullDst.left),
                    static_cast<int16_t>(write.bottom + fullSrc.top - fullDst.top),
                    static_cast<int16_t>(write.right + fullSrc.left - fullDst.left)};
    CTabHandle table = portColours ? portColours : srcCT;
    auto convert = [&](int16_t passMode, CTabHandle passTable) {
        SetConversionFullRects(fullSrc, fullDst);
        if (!s.isDib && !d.isDib)
            CopyBitsFastPath(s.view, d.view, from, write, passMode, passTable, dstCT, mask);
        else if (!s.isDib)
            MacToDibCopy(s.view, d.view, from, write, passMode, passTable, dstCT, mask);
        else
            ConvertPixels(s.view, d.view, from, write, passMode, passTable, dstCT, mask);
        ForgetConversionFullRects();
    };
    // A one-bit image in the port's colours paints the foreground colour under its black pixels in
    // srcOr, the background colour in srcBic, and leaves the destination under its white ones; the
    // engine combines colours bit by bit (srcOr an AND), which gives that only in black and white. Its
    // black pixels are made black first (srcOr of black on white), then the colour is merged into them
    // (notSrcBic, an OR, of the colour on black).
    const int16_t plainMode = static_cast<int16_t>(mode & ~kDitherCopy);
    if (portColours && (plainMode == kSrcOr || plainMode == kSrcBic)) {
        const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
        const RGBColor colour = (**portColours).ctTable[plainMode == kSrcOr ? 1 : 0].rgb;
        ColorTable &ct = **portColours;
        ct.ctTable[0].rgb = white;
        ct.ctTable[1].rgb = black;
        ct.ctSeed = GetCTSeed();
        convert(kSrcOr, portColours);
        ct.ctTable[0].rgb = black;
        ct.ctTable[1].rgb = colour;
        ct.ctSeed = GetCTSeed();
        convert(kNotSrcBic, portColours);
    } else {
        convert(mode, table);
    }
    SetColorizeFlag(false);
    if (madeMask)
        DisposeRgn(madeMask);
    if (portColours)
        DisposeHandle(reinterpret_cast<Handle>(portColours));
}

void TransferBits(const BitMap *srcBits, const BitMap *dstBits, const Rect *srcRect, const Rect *dstRect,
                  int16_t mode, RgnHandle maskRgn)
{
    if (!srcBits || !dstBits || !srcRect || !dstRect)
        return;
    // srcOr's raster operation reads the brush: the stock black one, whatever the DC held.
    PortDCRecord *record = CurrentPortRecord();
    if (mode == kSrcOr && record)
        DeselectPortBrush(false);
    HDC dc = CurrentDC();
    HDC sourceDC = SwapMode() == 1 && MirrorDC() ? MirrorDC() : dc;
    Rect src = *srcRect, dst = *dstRect;
    GrafPtr port = CurrentPort();

    // A port's portBits passed as the source: the rectangle is in that port's coordinates.
    GrafPtr owner = reinterpret_cast<GrafPtr>(reinterpret_cast<uintptr_t>(srcBits) - offsetof(GrafPort, portBits));
    if (ZEL_IsPortValid(owner))
        OffsetRec(&src, static_cast<int16_t>(-owner->portRect.left), static_cast<int16_t>(-owner->portRect.top));
    if (record)
        SyncPortDCAttributes(false);
    srcBits = ResolveColorPortBits(srcBits);
    dstBits = ResolveColorPortBits(dstBits);
    if (!srcBits || !dstBits)
        return;

    // The port's bottleneck receives every transfer made while its port is current.
    if (port && port->grafProcs && port->grafProcs->bitsProc && port->grafProcs->bitsProc != StdBits) {
        QDBitsProcPtr proc = port->grafProcs->bitsProc;
        port->grafProcs->bitsProc = nullptr;
        proc(srcBits, srcRect, dstRect, mode, maskRgn);
        port->grafProcs->bitsProc = proc;
        return;
    }

    PixMap srcBuffer, dstBuffer;
    Side s = Describe(srcBits, &srcBuffer);
    Side d = Describe(dstBits, &dstBuffer);
    if (!s.view || !d.view || IsEmpty(s.view->bounds) || IsEmpty(src) || IsEmpty(dst))
        return;
    if (s.isDC)
        sourceDC = GetBitsDC(s.view->baseAddr);
    // A transfer into a port whose picture is open is recorded, not drawn; the clipboard picture takes
    // the pixels themselves.
    if (port && port->picSave && port->picSave == ScrapPictureMarker()) {
        CopyBitsToScrapDib(s.view, srcRect, dstRect);
        return;
    }
    if (port && port->picSave && IsThePortsBits(dstBits)) {
        RecordPictBits(s.view, s.isDC || s.hasDC, s.isDC ? sourceDC : s.view->pmExtMemDC, &src, &dst, mode);
        return;
    }
    // thePort's own bits are drawn where thePort draws now (a DC swapped in included); other device
    // bits through the DC their baseAddr names.
    if (d.isDC && !IsThePortsBits(dstBits))
        dc = GetBitsDC(d.view->baseAddr);
    if (!dc)
        return;
    for (const PixMap *v : {s.view, d.view}) {
        if (v->pixelType == 16 && v->pixelSize < 16 && !v->pmTable) {
            DebugStrC("Oops! Copybits got a NULL color table.");
            return;
        }
    }
    const DWORD rop = RopForMode(mode, s.view->pixelSize);
    const BlackBrushForSrcOr brush(dc, mode), memoryBrush(d.hasDC ? d.view->pmExtMemDC : nullptr, mode);
    const bool dstDevice = d.isDC || d.hasDC;
    SetUseSetDIBitsFlag(ScreenDibToDevice() && (mode & ~kDitherCopy) == kSrcCopy && !d.hasDC &&
                        !(!IsPixMapRecord(dstBits) && IsBoundBitmapSlot(AddressOf(dstBits->baseAddr))));

    ClipBlitToBounds(s.view, d.view, &src, &dst);
    const Rect localDst = dst;
    if (d.isDC && record && record->xform.offsetActive)
        XformMacRect(&dst);
    if (IsEmpty(src) || IsEmpty(dst))
        return;
    const Rect fullSrc = src, fullDst = dst;
    // Hilite mode: srcXor of a one-bit image in memory onto a device exchanges the background and hilite
    // colours under its black pixels.
    if (!(LowMem<uint8_t>(lmHiliteMode) & kHiliteBit) && mode == kSrcXor && !s.isDC && !s.hasDC && !s.isBitmap &&
        d.isDC && HiliteCopyBits(dc, s.view, src, dst))
        return;

    Rect write = dst;
    if (IsThePortsBits(dstBits) && !(s.isDC && d.isDC)) {
        if (!ClipBlitToPortClip(d.isDC, &src, &dst, &write))
            return;
    }

    if (!s.isDC && !s.hasDC && !s.isBitmap && !dstDevice && !d.isBitmap) {
        ConvertInMemory(s, d, fullSrc, fullDst, src, write, mode, maskRgn, IsThePortsBits(dstBits));
        return;
    }
    // A device context into a DIB PixMap: the screen-source path.
    if (s.isDC && d.isDib) {
        ScreenSourceCopy(sourceDC, d.view, fullSrc, fullDst, write, mode, maskRgn);
        return;
    }
    // The paths below draw through GDI (the screen-write layer's blits included, which take no mask):
    // the mask region becomes the destination DC's clip.
    const MaskRegionClip maskClip(d.isDC ? dc : d.hasDC ? d.view->pmExtMemDC : nullptr, maskRgn,
                                  dst.left - localDst.left, dst.top - localDst.top);
    // A DIB onto a device, or onto thePort's bits in a memory DC of their own (a GWorld drawn through its
    // DC): straight to the DC, through the mask when there is one.
    if (s.isDib && dstDevice &&
        (d.isDC || (d.hasDC && IsThePortsBits(dstBits) && d.view->pmExtMemDC == CurrentDC()))) {
        SetUseSetDIBitsFlag(UseSetDIBitsFlag() && src.right - src.left == dst.right - dst.left &&
                            src.bottom - src.top == dst.bottom - dst.top);
        DrawPixMapToScreen(s.view, d.view, src, dst, mode, rop, s.view->pmTable, 0, maskRgn, false);
        return;
    }
    // On a 16-bit screen plain 8-, 16- and 32-bit pixels go in bands of 16-bit bitmaps.
    const bool plainSource = !s.isDC && !s.hasDC && !s.isDib && !s.isBitmap;
    if (ScreenDepth() == 16 && !LibrarySwitch(kNoBandSwitch) && plainSource && d.isDC &&
        (s.view->pixelSize == 8 || s.view->pixelSize == 16 || s.view->pixelSize == 32)) {
        SixteenBitBands(dc, s, src, dst, write, mode, rop);
        return;
    }
    if (d.isDC && EngineSource(s)) {
        int saved = SaveDC(dc);
        IntersectClipRect(dc, write.left, write.top, write.right, write.bottom);
        const bool done = TransferThroughCube(dc, s, src, dst, mode, rop);
        RestoreDC(dc, saved);
        if (done)
            return;
    }
    if (!s.isDC && !s.hasDC && !s.isBitmap && d.isDC && ScreenDibToDevice()) {
        int saved = SaveDC(dc);
        IntersectClipRect(dc, write.left, write.top, write.right, write.bottom);
        TransferDib(dc, s, src, dst, mode, rop);
        RestoreDC(dc, saved);
        return;
    }
    TransferGdi(dc, sourceDC, s, d, src, dst, write, mode, rop);
}

} // namespace

DWORD TransferModeRop(int16_t mode) { return RopForMode(mode, 32); }

ZEL_EXTERN_C void ZEL_CALL CopyBits(const BitMap *srcBits, const BitMap *dstBits, const Rect *srcRect,
                                    const Rect *dstRect, int16_t mode, RgnHandle maskRgn)
{
    TransferBits(srcBits, dstBits, srcRect, dstRect, mode, maskRgn);
    sCopyBitsRan = true;
    // Hilite mode lasts one call.
    LowMem<uint8_t>(lmHiliteMode) |= kHiliteBit;
}

void ClearCopyBitsRanFlag() { sCopyBitsRan = false; }
void SetCopyBitsRanFlag() { sCopyBitsRan = true; }

ZEL_EXTERN_C void ZEL_CALL StdBits(const BitMap *srcBits, const Rect *srcRect, const Rect *dstRect, int16_t mode,
                                   RgnHandle maskRgn)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    if (port->grafProcs) {
        QDBitsProcPtr saved = port->grafProcs->bitsProc;
        port->grafProcs->bitsProc = nullptr;
        CopyBits(srcBits, &port->portBits, srcRect, dstRect, mode, maskRgn);
        port->grafProcs->bitsProc = saved;
        return;
    }
    CopyBits(srcBits, &port->portBits, srcRect, dstRect, mode, maskRgn);
}

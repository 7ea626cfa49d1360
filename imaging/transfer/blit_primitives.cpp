// The blit primitives CopyBits builds its paths from: views of its BitMap and PixMap arguments, the
// device context a small baseAddr names, clipping to the bounds and to the port, mode-aware GDI blits
// (transparent mode included) and the grab of screen pixels into a temporary PixMap.
#include "imaging.h"
#include "blit_clipping.h"
#include "MacMemory.h"

#include <cstring>

namespace {

constexpr int16_t kTransparentMode = 36;
constexpr int16_t kSrcOrMode = 1, kSrcBicMode = 3;
constexpr DWORD kSrcBicRop = 0xBB0226;
constexpr DWORD kSrcInvert = 0x660046;
constexpr DWORD kSrcAnd = 0x8800C6;
constexpr DWORD kSrcPaint = 0xEE0086;
constexpr size_t kPublishedPixMapBytes = 50;
// The driver-level capability and background mode of devices that draw transparently themselves (the
// desktop headers leave them out): GetDeviceCaps index CAPS1, its C1_TRANSPARENT bit, and the
// background mode NEWTRANSPARENT.
constexpr int kCaps1 = 94;
constexpr int kC1Transparent = 0x0001;
constexpr int kNewTransparent = 3;

// The depths a view can describe: those of PixMaps, and 24, which the library's own device PixMaps
// carry for screens of more than 16 bits.
bool IsPixelDepth(int16_t depth)
{
    return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

uint32_t AddressOf(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Bits per pixel of what a DC draws from: the bitmap selected into a memory DC, else the device.
int SourceDepth(HDC dc)
{
    if (GetObjectType(dc) == OBJ_MEMDC) {
        BITMAP bm;
        HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
        if (bitmap && GetObject(bitmap, sizeof bm, &bm))
            return bm.bmBitsPixel * bm.bmPlanes;
    }
    return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
}

// A stretch of colour pixels under COLORONCOLOR, so that a reduction drops pixels instead of ANDing
// them (the BLACKONWHITE default of memory DCs darkens every reduced colour image); one-bit sources keep
// the DC's mode. The old mode comes back when the guard ends.
class ColorStretchMode {
public:
    ColorStretchMode(HDC dc, int sourceDepth) : dc_(dc), old_(0)
    {
        if (sourceDepth > 1)
            old_ = SetStretchBltMode(dc, COLORONCOLOR);
    }
    ~ColorStretchMode()
    {
        if (old_)
            SetStretchBltMode(dc_, old_);
    }
    ColorStretchMode(const ColorStretchMode &) = delete;
    ColorStretchMode &operator=(const ColorStretchMode &) = delete;

private:
    HDC dc_;
    int old_;
};

// The background colour of the current port as a plain RGB value (white without a port record).
COLORREF PortBackgroundRGB()
{
    const PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return RGB(255, 255, 255);
    return RGB(record->backRGB.red >> 8, record->backRGB.green >> 8, record->backRGB.blue >> 8);
}

// The foreground colour of the current port as a plain RGB value (black without a port record).
COLORREF PortForegroundRGB()
{
    const PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return RGB(0, 0, 0);
    return RGB(record->foreRGB.red >> 8, record->foreRGB.green >> 8, record->foreRGB.blue >> 8);
}

// Transparent mode from a DIB that has no colour table to rewrite: its pixels are drawn into a bitmap
// like the destination's, whose DC takes the port's background colour as the colour to leave out, and
// that bitmap goes through the mask blit.
int TransparentDibThroughBitmap(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                                const void *bits, const BITMAPINFO *info, UINT usage)
{
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, sw, sh) : nullptr;
    int result = 0;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        HPALETTE palette = static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL));
        HPALETTE oldPalette = palette ? SelectPalette(memory, palette, TRUE) : nullptr;
        StretchDIBits(memory, 0, 0, sw, sh, sx, sy, sw, sh, bits, info, usage, SRCCOPY);
        SetBkColor(memory, PortBackgroundRGB());
        result = BlitDcWithMode(dc, x, y, w, h, memory, 0, 0, sw, sh, kTransparentMode, SRCCOPY);
        if (oldPalette)
            SelectPalette(memory, oldPalette, TRUE);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    if (memory)
        DeleteDC(memory);
    return result;
}

// The side of a transfer as the bounds clipping sees it: a view bound to the current DC whose port
// shows another rectangle is clipped to that portRect.
BlitClipSide ClipSideOf(const PixMap *view)
{
    BlitClipSide side;
    side.inMemory = AddressOf(view->baseAddr) >= 0x10000 || IsBitmapOnlyPixMap(view);
    side.bounds = view->bounds;
    GrafPtr port = CurrentPort();
    if (port && view->pmExtDC && view->pmExtDC == CurrentDC() &&
        std::memcmp(&port->portRect, &view->bounds, sizeof(Rect)) != 0)
        side.bounds = port->portRect;
    side.rowBytes = PixMapRowBytes(view);
    side.depth = view->pixelSize;
    return side;
}

} // namespace

ZEL_EXTERN_C PixMap *ZEL_CALL GetPixMapView(const BitMap *bits, PixMap *view)
{
    if (!bits || !view)
        return nullptr;
    if (IsPixMapRecord(bits)) {
        const PixMap *pm = reinterpret_cast<const PixMap *>(bits);
        if (static_cast<uint16_t>(pm->pmVersion) == kPixMapVersion)
            return IsPixelDepth(pm->pixelSize) ? const_cast<PixMap *>(pm) : nullptr;
        std::memset(view, 0, sizeof *view);
        std::memcpy(view, pm, kPublishedPixMapBytes);
    } else {
        uint32_t base = AddressOf(bits->baseAddr);
        if (IsBoundBitmapSlot(base)) {
            PixMapHandle registered = PortBitsSlotPixMap(base);
            if (registered && *registered)
                return IsPixelDepth((*registered)->pixelSize) ? *registered : nullptr;
        }
        std::memset(view, 0, sizeof *view);
        std::memcpy(view, bits, sizeof(BitMap));
        view->rowBytes = static_cast<int16_t>(view->rowBytes | 0x8000);
        view->pixelSize = 1;
        view->cmpCount = 1;
        view->cmpSize = 1;
        view->pmTable = DefaultOneBitCTable();
    }
    view->pmVersion = static_cast<int16_t>(kPixMapVersion);
    view->pmExtFlags = pmExtOwnRows;
    return IsPixelDepth(view->pixelSize) ? view : nullptr;
}

ZEL_EXTERN_C HDC ZEL_CALL GetBitsDC(Ptr baseAddr)
{
    uint32_t base = AddressOf(baseAddr);
    if (base >= 0x10000 || base == 0x7FFF)
        return CurrentDC();
    if (base & 0x8000) {
        HDC dc = PortTableDC(static_cast<int>(base & 0x7FFF));
        return dc ? dc : CurrentDC();
    }
    PixMapHandle registered = PortBitsSlotPixMap(base);
    if (registered && *registered && (*registered)->pmExtMemDC)
        return (*registered)->pmExtMemDC;
    return CurrentDC();
}

int16_t PixMapRowBytes(const PixMap *pm) { return static_cast<int16_t>(pm->rowBytes & 0x3FFF); }

bool IsBitmapOnlyPixMap(const PixMap *pm)
{
    return pm && AddressOf(pm->baseAddr) == 0x7FFF && (pm->pmExtFlags & pmExtBitmapCached) && pm->pmExtBitmap &&
           !(pm->pmExtFlags & pmExtDibAttached);
}

void ClipBlitToBounds(const PixMap *srcView, const PixMap *dstView, Rect *src, Rect *dst)
{
    ClipBlitToBounds(ClipSideOf(srcView), ClipSideOf(dstView), src, dst);
}

bool ClipBlitToPortClip(bool dstIsDC, Rect *src, Rect *dst, Rect *write)
{
    // A printer band drawn at a reduced scale clips to the band; no band is open until printing jobs
    // exist, so the port's clip is the clip.
    GrafPtr port = CurrentPort();
    if (!port || !port->clipRgn || !*port->clipRgn)
        return false;
    Rect clip = (*port->clipRgn)->rgnBBox;
    const PortDCRecord *record = CurrentPortRecord();
    if (dstIsDC && record && record->xform.offsetActive)
        XformMacRect(&clip);
    return ClipBlitToClipRect(clip, src, dst, write);
}

ZEL_EXTERN_C BOOL ZEL_CALL BitBltOrStretch(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw,
                                           int sh, DWORD rop)
{
    if (sw == w && sh == h)
        return BitBlt(dst, x, y, w, h, src, sx, sy, rop);
    ColorStretchMode mode(dst, SourceDepth(src));
    return StretchBlt(dst, x, y, w, h, src, sx, sy, sw, sh, rop);
}

ZEL_EXTERN_C BOOL ZEL_CALL BlitDcWithMode(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw,
                                          int sh, int16_t mode, DWORD rop)
{
    if (mode != kTransparentMode)
        return BitBltOrStretch(dst, x, y, w, h, src, sx, sy, sw, sh, rop);
    if (GetDeviceCaps(dst, kCaps1) & kC1Transparent) {
        int old = SetBkMode(dst, kNewTransparent);
        BOOL done = BitBltOrStretch(dst, x, y, w, h, src, sx, sy, sw, sh, SRCCOPY);
        SetBkMode(dst, old);
        return done;
    }
    // The mask: 1 where the source shows its DC's background colour. Then source XOR, mask AND, source
    // XOR: the destination stays under the mask's 1 bits and takes the source elsewhere.
    HDC maskDC = CreateCompatibleDC(dst);
    HBITMAP mask = maskDC ? CreateBitmap(sw, sh, 1, 1, nullptr) : nullptr;
    if (!mask) {
        if (maskDC)
            DeleteDC(maskDC);
        return FALSE;
    }
    HGDIOBJ oldMask = SelectObject(maskDC, mask);
    BitBlt(maskDC, 0, 0, sw, sh, src, sx, sy, SRCCOPY);
    // Every pass samples the same source pixels when stretching.
    int oldStretch = SetStretchBltMode(dst, COLORONCOLOR);
    BOOL done = BitBltOrStretch(dst, x, y, w, h, src, sx, sy, sw, sh, kSrcInvert);
    // A one-bit bitmap blitted into a colour DC takes the DC's text colour for 0 and its background
    // colour for 1: black and white here, whatever colours the port has set.
    COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
    COLORREF oldBack = SetBkColor(dst, RGB(255, 255, 255));
    done = BitBltOrStretch(dst, x, y, w, h, maskDC, 0, 0, sw, sh, kSrcAnd) && done;
    SetTextColor(dst, oldText);
    SetBkColor(dst, oldBack);
    done = BitBltOrStretch(dst, x, y, w, h, src, sx, sy, sw, sh, kSrcInvert) && done;
    SetStretchBltMode(dst, oldStretch);
    SelectObject(maskDC, oldMask);
    DeleteObject(mask);
    DeleteDC(maskDC);
    return done;
}

ZEL_EXTERN_C int ZEL_CALL StretchDibWithMode(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                                             const void *bits, BITMAPINFO *info, UINT usage, int16_t mode,
                                             DWORD rop)
{
    const BITMAPINFOHEADER &header = info->bmiHeader;
    // A one-bit image in srcOr paints the foreground colour where its pixels are black, in srcBic the
    // background colour, and leaves the rest: one raster operation does that only for a black foreground
    // (srcOr) or black on white (srcBic). Otherwise its black pixels are made black under SRCAND, then
    // the colour merged into them under SRCPAINT. The entry of its black pixels is the one holding the
    // port's foreground colour (the rows reach GDI inverted, entry 0, unless only entry 1 holds it).
    const bool oneBit = header.biBitCount == 1 && usage == DIB_RGB_COLORS;
    if (oneBit && ((mode == kSrcOrMode && rop == kSrcAnd) || (mode == kSrcBicMode && rop == kSrcBicRop))) {
        const RGBQUAD saved[2] = {info->bmiColors[0], info->bmiColors[1]};
        const RGBQUAD white = {255, 255, 255, 0}, black = {0, 0, 0, 0};
        auto rgb = [](const RGBQUAD &q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); };
        const COLORREF fore = PortForegroundRGB(), back = PortBackgroundRGB();
        const int set = rgb(saved[1]) == fore && rgb(saved[0]) != fore ? 1 : 0;
        const COLORREF colour = mode == kSrcOrMode ? fore : back;
        const bool plain = fore == RGB(0, 0, 0) && (mode == kSrcOrMode || back == RGB(255, 255, 255));
        if (!plain) {
            ColorStretchMode stretch(dc, 1);
            info->bmiColors[set] = black;
            info->bmiColors[1 - set] = white;
            StretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, bits, info, DIB_RGB_COLORS, kSrcAnd);
            info->bmiColors[set] = RGBQUAD{GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
            info->bmiColors[1 - set] = black;
            int result = StretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, bits, info, DIB_RGB_COLORS, kSrcPaint);
            info->bmiColors[0] = saved[0];
            info->bmiColors[1] = saved[1];
            return result;
        }
    }
    if (mode != kTransparentMode) {
        ColorStretchMode stretch(dc, (sw == w && sh == h) ? 1 : header.biBitCount);
        return StretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, bits, info, usage, rop);
    }
    bool indexed = header.biBitCount == 1 || header.biBitCount == 2 || header.biBitCount == 4 ||
                   header.biBitCount == 8;
    if (!indexed || usage != DIB_RGB_COLORS)
        return TransparentDibThroughBitmap(dc, x, y, w, h, sx, sy, sw, sh, bits, info, usage);
    // An indexed DIB in two passes over its own colour table: the background entries white and the
    // rest black under SRCAND clears where the source shows, then the background entries black and the
    // rest in their colours under SRCPAINT paints it.
    int entries = header.biClrUsed ? static_cast<int>(header.biClrUsed) : 1 << header.biBitCount;
    if (entries > 256)
        entries = 256;
    RGBQUAD saved[256];
    bool background[256];
    std::memcpy(saved, info->bmiColors, entries * sizeof(RGBQUAD));
    COLORREF back = PortBackgroundRGB();
    for (int i = 0; i < entries; ++i)
        background[i] = RGB(saved[i].rgbRed, saved[i].rgbGreen, saved[i].rgbBlue) == back;
    const RGBQUAD white = {255, 255, 255, 0}, black = {0, 0, 0, 0};
    ColorStretchMode stretch(dc, 8);
    for (int i = 0; i < entries; ++i)
        info->bmiColors[i] = background[i] ? white : black;
    StretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, bits, info, DIB_RGB_COLORS, kSrcAnd);
    for (int i = 0; i < entries; ++i)
        info->bmiColors[i] = background[i] ? black : saved[i];
    int result = StretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, bits, info, DIB_RGB_COLORS, kSrcPaint);
    std::memcpy(info->bmiColors, saved, entries * sizeof(RGBQUAD));
    return result;
}

ZEL_EXTERN_C PixMapHandle ZEL_CALL GrabScreenBits(const PixMap *view, Point topLeft, Point botRight, HDC dc)
{
    int width = botRight.h - topLeft.h;
    int height = botRight.v - topLeft.v;
    if (!view || !dc || width <= 0 || height <= 0)
        return nullptr;
    HWND main = SessionMainWindow();
    HDC reference = GetDC(main);
    if (!reference)
        return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(reference, width, height);
    HDC memory = bitmap ? CreateCompatibleDC(reference) : nullptr;
    ReleaseDC(main, reference);
    PixMapHandle pm = nullptr;
    if (memory) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BOOL copied = BitBlt(memory, 0, 0, width, height, dc, topLeft.h, topLeft.v, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        Handle table = reinterpret_cast<Handle>(view->pmTable);
        if (copied && (!table || HandToHand(&table) == noErr))
            pm = reinterpret_cast<PixMapHandle>(NewHandleClear(sizeof(PixMap)));
        if (pm) {
            // The view's description, its pixels now only in the bitmap.
            PixMap &map = **pm;
            std::memcpy(&map, view, kPublishedPixMapBytes);
            map.baseAddr = reinterpret_cast<Ptr>(0x7FFF);
            map.bounds = {topLeft.v, topLeft.h, botRight.v, botRight.h};
            map.pmVersion = static_cast<int16_t>(kPixMapVersion);
            map.pmTable = reinterpret_cast<CTabHandle>(table);
            map.pmExtFlags = pmExtBitmapCached;
            map.pmExtBitmap = bitmap;
        } else if (table && table != reinterpret_cast<Handle>(view->pmTable)) {
            DisposeHandle(table);
        }
    }
    if (!pm && bitmap)
        DeleteObject(bitmap);
    return pm;
}

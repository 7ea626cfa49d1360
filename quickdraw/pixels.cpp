// Single pixels and scrolling: GetPixe, GetCPixel, SetCPixel and ScrollRect.
#include "qd_services.h"
#include "../core/core_services.h"

namespace {

// A port point in the current DC's coordinates.
POINT DevicePoint(int16_t h, int16_t v)
{
    PortDCRecord *record = CurrentPortRecord();
    if (record && record->xform.offsetActive)
        XformXY(&h, &v);
    return POINT{h, v};
}

// The bitmap last selected into a memory DC whose pixel was read: its bits per pixel and, for a DIB
// section whose pixels are plain blue, green and red bytes (24 bits, or 32 bits without masks or with the
// 0xFF0000 / 0xFF00 / 0xFF ones), where its rows lie. A bitmap keeps these for life, and GDI gives a
// reused handle slot a new generation, so the handle names the bitmap. GDI does not tell whether a
// section's rows run from the top or from the bottom; the first read whose two candidate pixels differ
// settles it against GetPixel.
enum RowOrder { rowsUnknown, rowsTopDown, rowsBottomUp };
struct PixelSource {
    HGDIOBJ bitmap;
    int depth;
    const uint8_t *bits; // null: the pixels are not read in place
    int width, height, stride, bytes;
    RowOrder order;
};
PixelSource sSource;

// What is known of the bitmap selected into a memory DC; null without one.
PixelSource *PixelSourceOfDC(HDC dc)
{
    HGDIOBJ selected = GetCurrentObject(dc, OBJ_BITMAP);
    if (!selected)
        return nullptr;
    if (selected != sSource.bitmap) {
        DIBSECTION section{};
        const int size = GetObject(selected, sizeof section, &section);
        if (size < static_cast<int>(sizeof(BITMAP)))
            return nullptr;
        PixelSource source{selected, section.dsBm.bmBitsPixel, nullptr, section.dsBm.bmWidth, section.dsBm.bmHeight,
                           0, 0, rowsUnknown};
        const BITMAPINFOHEADER &header = section.dsBmih;
        const bool plainMasks = header.biCompression == BI_RGB ||
                                (header.biCompression == BI_BITFIELDS && section.dsBitfields[0] == 0xFF0000 &&
                                 section.dsBitfields[1] == 0xFF00 && section.dsBitfields[2] == 0xFF);
        if (size == static_cast<int>(sizeof section) && section.dsBm.bmBits && header.biPlanes == 1 &&
            (header.biBitCount == 24 || header.biBitCount == 32) && plainMasks) {
            source.bits = static_cast<const uint8_t *>(section.dsBm.bmBits);
            source.bytes = header.biBitCount / 8;
            source.stride = section.dsBm.bmWidthBytes;
        }
        sSource = source;
    }
    return &sSource;
}

// The colour of the pixel at `x` of the section's memory row `row`.
COLORREF SectionColour(const PixelSource &source, int x, int row)
{
    const uint8_t *pixel = source.bits + row * source.stride + x * source.bytes;
    return RGB(pixel[2], pixel[1], pixel[0]);
}

// The device pixel of a logical point of a memory DC that maps one onto the other by a shift alone;
// false for a DC that maps otherwise.
bool ShiftedDevicePoint(HDC dc, POINT p, POINT *device)
{
    POINT viewport{}, window{};
    if (GetMapMode(dc) != MM_TEXT || GetGraphicsMode(dc) != GM_COMPATIBLE || GetLayout(dc) != 0 ||
        !GetViewportOrgEx(dc, &viewport) || !GetWindowOrgEx(dc, &window))
        return false;
    *device = POINT{p.x + viewport.x - window.x, p.y + viewport.y - window.y};
    return true;
}

bool OnBitmap(const PixelSource &source, POINT d) { return d.x >= 0 && d.y >= 0 && d.x < source.width && d.y < source.height; }

// Whether a logical point of a memory DC lies on its bitmap and in its clip (the clip and meta regions
// as the program set them), read from a copy of the region at the cost of PtVisible's mapping of the
// point; false also where that cannot be told so.
bool SurelyVisible(HDC dc, const PixelSource *source, POINT p)
{
    static HRGN clip;
    POINT d{};
    if (!source || !ShiftedDevicePoint(dc, p, &d) || !OnBitmap(*source, d))
        return false;
    if (!clip && !(clip = CreateRectRgn(0, 0, 0, 0)))
        return false;
    const int kept = GetRandomRgn(dc, clip, 3); // the clip region met with the meta region
    return kept == 0 || (kept == 1 && PtInRegion(clip, d.x, d.y));
}

// The colour of a pixel of a DC without a palette (24 bits and more), as GetPixel gives it: read in
// place from the DIB section `source` (the DC's bitmap, or null) when the DC maps logical points one to
// one onto its pixels, else asked of GetPixel. false for a point off the bitmap.
bool ReadDirectColour(HDC dc, PixelSource *source, POINT p, COLORREF *colour)
{
    POINT d{};
    if (source && source->bits && ShiftedDevicePoint(dc, p, &d)) {
        const int x = d.x, y = d.y;
        if (!OnBitmap(*source, d))
            return false;
        // GDI may still hold drawing for the section in a batch.
        GdiFlush();
        const COLORREF top = SectionColour(*source, x, y), bottom = SectionColour(*source, x, source->height - 1 - y);
        if (source->order == rowsTopDown || top == bottom) {
            *colour = top;
            return true;
        }
        if (source->order == rowsBottomUp) {
            *colour = bottom;
            return true;
        }
        *colour = GetPixel(dc, p.x, p.y);
        if (*colour == top)
            source->order = rowsTopDown;
        else if (*colour == bottom)
            source->order = rowsBottomUp;
        return *colour != CLR_INVALID;
    }
    *colour = GetPixel(dc, p.x, p.y);
    return *colour != CLR_INVALID;
}

// Windows other than NT read the pixel through a bitmap compatible with the DC and decode its bits;
// NT reads it as a DIB. Set by a test seam to drive the decoding on NT.
bool sCompatibleRoute = false;

// Runs `decode` on a 1 x 1 bitmap compatible with the DC holding the pixel at (x, y), the bitmap
// selected out of its memory DC; false when the pixel could not be copied or decoded.
template <typename Decode> bool WithPixelBitmap(HDC dc, int x, int y, Decode decode)
{
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, 1, 1) : nullptr;
    bool read = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        const bool copied = BitBlt(memory, 0, 0, 1, 1, dc, x, y, SRCCOPY);
        SelectObject(memory, old);
        read = copied && decode(memory, bitmap);
        DeleteObject(bitmap);
    }
    if (memory)
        DeleteDC(memory);
    return read;
}

// The pixel at (x, y) decoded from the bitmap's own bits by its depth: 1, 2, 4 and 8 bits give a
// palette index (a DIB colour-table index with `dibIndices`), 16 bits 5-5-5 RGB, 24 and more the first
// three bytes as red, green and blue.
bool ReadPixelThroughCompatibleBitmap(HDC dc, int x, int y, bool dibIndices, COLORREF *colour)
{
    return WithPixelBitmap(dc, x, y, [&](HDC, HBITMAP bitmap) {
        BITMAP info{};
        uint8_t bits[8] = {};
        if (!GetObject(bitmap, sizeof info, &info) || GetBitmapBits(bitmap, sizeof bits, bits) <= 0)
            return false;
        int index = -1;
        switch (info.bmBitsPixel) {
        case 1: index = bits[0] >> 7; break;
        case 2: index = bits[0] >> 6; break;
        case 4: index = bits[0] >> 4; break;
        case 8: index = bits[0]; break;
        case 16: {
            const unsigned v = bits[0] | (bits[1] << 8);
            *colour = RGB(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
            return true;
        }
        default:
            *colour = RGB(bits[0], bits[1], bits[2]);
            return true;
        }
        const COLORREF wanted = dibIndices ? (0x10FF0000u | static_cast<unsigned>(index)) : PALETTEINDEX(index);
        const COLORREF nearest = GetNearestColor(dc, wanted);
        if (nearest == CLR_INVALID)
            return false;
        *colour = nearest;
        return true;
    });
}

// The colour of one pixel of a DC, read as a 24-bit bottom-up DIB (blue, green, red). A black pixel
// reads as black. false when the pixel could not be copied.
bool ReadPixelThroughDib(HDC dc, int x, int y, COLORREF *colour)
{
    return WithPixelBitmap(dc, x, y, [&](HDC memory, HBITMAP bitmap) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = 1;
        info.bmiHeader.biHeight = 1;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        uint8_t bgr[4] = {};
        if (GetDIBits(memory, bitmap, 0, 1, bgr, &info, DIB_RGB_COLORS) != 1)
            return false;
        *colour = RGB(bgr[2], bgr[1], bgr[0]);
        return true;
    });
}

} // namespace

ZEL_EXTERN_C Boolean ZEL_CALL GetPixe(int16_t h, int16_t v)
{
    const POINT p = DevicePoint(h, v);
    return GetPixel(CurrentDC(), p.x, p.y) != RGB(255, 255, 255);
}

ZEL_EXTERN_C void ZEL_CALL GetCPixel(int16_t h, int16_t v, RGBColor *rgb)
{
    if (!rgb)
        return;
    const POINT p = DevicePoint(h, v);
    HDC dc = CurrentDC();
    COLORREF colour = RGB(0x80, 0x80, 0x80);
    RECT clip{};
    bool read = false;
    // The bits per pixel behind the DC: the selected bitmap's for a memory DC, the screen's otherwise
    // (GetDeviceCaps answers the screen's for memory DCs too, and slowly).
    const bool memory = dc && GetObjectType(dc) == OBJ_MEMDC;
    PixelSource *source = memory ? PixelSourceOfDC(dc) : nullptr;
    const int depth = memory ? (source ? source->depth : 0) : ScreenDepth();
    // A point in the clip region lies in the clip box; PtVisible answers that at a fraction of the cost
    // of GetClipBox, which is asked only for the points it refuses.
    if (dc && (SurelyVisible(dc, source, p) || PtVisible(dc, p.x, p.y) > 0 ||
               (GetClipBox(dc, &clip) != ERROR && PtInRect(&clip, p)))) {
        if (!sCompatibleRoute && depth >= 24 && ReadDirectColour(dc, source, p, &colour)) {
            // Without a palette the pixel's own RGB is what the bitmap copy gives, at a fraction of its
            // cost.
            read = true;
        } else if (sCompatibleRoute) {
            PortDCRecord *record = CurrentPortRecord();
            const bool dibIndices = record && (record->flags & portDCPaletteDib) && record->hdc == dc;
            read = ReadPixelThroughCompatibleBitmap(dc, p.x, p.y, dibIndices, &colour);
        } else {
            read = ReadPixelThroughDib(dc, p.x, p.y, &colour);
        }
    } else if (PortDCRecord *record = CurrentPortRecord(); record && record->hwnd) {
        // Outside the clip box of a window's port: what the screen shows at that place.
        POINT screen = p;
        ClientToScreen(record->hwnd, &screen);
        HWND desktop = GetDesktopWindow();
        if (HDC desktopDC = GetDC(desktop)) {
            read = ReadPixelThroughDib(desktopDC, screen.x, screen.y, &colour);
            ReleaseDC(desktop, desktopDC);
        }
    }
    if (!read)
        colour = RGB(0x80, 0x80, 0x80);
    rgb->red = static_cast<uint16_t>(GetRValue(colour) * 257);
    rgb->green = static_cast<uint16_t>(GetGValue(colour) * 257);
    rgb->blue = static_cast<uint16_t>(GetBValue(colour) * 257);
}

// One pixel in the colour, within the DC's clip: the pen's size, mode and place and any polygon being
// recorded are left as they are.
ZEL_EXTERN_C void ZEL_CALL SetCPixel(int16_t h, int16_t v, const RGBColor *rgb)
{
    HDC dc = CurrentDC();
    PortDCRecord *record = CurrentPortRecord();
    if (!rgb || !dc || (record && !record->drawEnabled))
        return;
    const POINT p = DevicePoint(h, v);
    SetPixel(dc, p.x, p.y, RGBColorToColorRef(*rgb));
}

ZEL_EXTERN_C void ZEL_CALL ScrollRect(const Rect *rect, int16_t dh, int16_t dv, RgnHandle updateRgn)
{
    GrafPtr port = CurrentPort();
    HDC dc = CurrentDC();
    if (!rect || !port || !dc)
        return;
    PortDCRecord *record = CurrentPortRecord();
    HRGN update = HandleHasData(updateRgn) ? ZEL_RgnSetToRealRectRgn(updateRgn) : nullptr;

    RECT r{rect->left, rect->top, rect->right, rect->bottom};
    RECT clip = r;
    if (HandleHasData(port->clipRgn)) {
        const Rect &box = (**port->clipRgn).rgnBBox;
        clip = RECT{box.left, box.top, box.right, box.bottom};
    }
    if (record && record->xform.offsetActive) {
        XformWinRect(&r);
        XformWinRect(&clip);
        // The distance turns with the transform: the device offset between the moved origin and the
        // origin itself, so scaling, rotation and mirroring all apply.
        int16_t h0 = 0, v0 = 0, h1 = dh, v1 = dv;
        XformXY(&h0, &v0);
        XformXY(&h1, &v1);
        dh = static_cast<int16_t>(h1 - h0);
        dv = static_cast<int16_t>(v1 - v0);
    }
    IntersectRect(&clip, &clip, &r);
    RECT updateRect{};
    ScrollDC(dc, dh, dv, &r, &clip, update, &updateRect);

    if (update) {
        (**updateRgn).rgnBBox = Rect{static_cast<int16_t>(updateRect.top), static_cast<int16_t>(updateRect.left),
                                     static_cast<int16_t>(updateRect.bottom), static_cast<int16_t>(updateRect.right)};
        if (record)
            RevXformRgnForPort(record, updateRgn);
        if (LibrarySetting(settingScrollNoErase) == 0)
            EraseRgn(updateRgn);
    }
}

ZEL_EXTERN_C Boolean ZEL_CALL SelectCompatiblePixelRoute(Boolean on)
{
    const Boolean was = sCompatibleRoute ? TRUE : FALSE;
    sCompatibleRoute = on != 0;
    return was;
}

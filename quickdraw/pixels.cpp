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

// The bits per pixel behind a DC: the selected bitmap's for a memory DC, the screen's otherwise.
// (GetDeviceCaps answers the screen's for memory DCs too, and slowly.)
int PixelDepthOfDC(HDC dc)
{
    if (GetObjectType(dc) != OBJ_MEMDC)
        return ScreenDepth();
    // The last bitmap asked about and its depth: a bitmap keeps its depth for life, and GDI gives a
    // reused handle slot a new generation, so the handle names the bitmap.
    static HGDIOBJ lastBitmap;
    static int lastDepth;
    HGDIOBJ selected = GetCurrentObject(dc, OBJ_BITMAP);
    if (!selected)
        return 0;
    if (selected != lastBitmap) {
        BITMAP bitmap;
        if (!GetObject(selected, sizeof bitmap, &bitmap))
            return 0;
        lastBitmap = selected;
        lastDepth = bitmap.bmBitsPixel;
    }
    return lastDepth;
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
    // A point in the clip region lies in the clip box; PtVisible answers that at a fraction of the cost
    // of GetClipBox, which is asked only for the points it refuses.
    if (dc && (PtVisible(dc, p.x, p.y) > 0 || (GetClipBox(dc, &clip) != ERROR && PtInRect(&clip, p)))) {
        if (!sCompatibleRoute && PixelDepthOfDC(dc) >= 24 && (colour = GetPixel(dc, p.x, p.y)) != CLR_INVALID) {
            // Without a palette GetPixel gives the pixel's own RGB, as the bitmap copy does, at a
            // fraction of its cost.
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

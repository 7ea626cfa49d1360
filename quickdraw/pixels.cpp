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

// The colour of one pixel of a DC, read as a 24-bit bottom-up DIB (blue, green, red). A black pixel
// reads as black. false when the pixel could not be copied.
bool ReadPixelThroughDib(HDC dc, int x, int y, COLORREF *colour)
{
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, 1, 1) : nullptr;
    bool read = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        const bool copied = BitBlt(memory, 0, 0, 1, 1, dc, x, y, SRCCOPY);
        SelectObject(memory, old);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = 1;
        info.bmiHeader.biHeight = 1;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        uint8_t bgr[4] = {};
        if (copied && GetDIBits(memory, bitmap, 0, 1, bgr, &info, DIB_RGB_COLORS) == 1) {
            *colour = RGB(bgr[2], bgr[1], bgr[0]);
            read = true;
        }
        DeleteObject(bitmap);
    }
    if (memory)
        DeleteDC(memory);
    return read;
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
    if (dc && GetClipBox(dc, &clip) != ERROR && PtInRect(&clip, p)) {
        read = ReadPixelThroughDib(dc, p.x, p.y, &colour);
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

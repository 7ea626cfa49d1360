// Screen-source copies: CopyBits from a device context (a window, a port's DC) into a DIB PixMap. The
// source rectangle is read from the DC into a 32-bit DIB section, which the pixel conversion engine then
// puts into the destination rectangle of the DIB in the transfer mode and through the mask, leaving the
// DIB's other pixels as they were.
#include "imaging.h"

#include <algorithm>
#include <cstring>

namespace {

// The grab section: a 32-bit top-down DIB section in a memory DC of its own, kept between calls and
// grown only (freed at QuickDraw's exit).
struct GrabSection {
    HDC dc;
    HBITMAP section;
    HGDIOBJ displaced;
    uint32_t *bits;
    int width, height;
} sGrab;

bool EnsureGrabSection(HDC reference, int width, int height)
{
    if (sGrab.section && sGrab.width >= width && sGrab.height >= height)
        return true;
    DisposeScreenGrabSection();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = std::max(width, sGrab.width);
    info.bmiHeader.biHeight = -std::max(height, sGrab.height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *pixels = nullptr;
    HDC dc = CreateCompatibleDcWithPalette(reference);
    HBITMAP section = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0) : nullptr;
    if (!section || !pixels) {
        if (dc)
            DeleteDC(dc);
        return false;
    }
    sGrab = GrabSection{dc, section, SelectObject(dc, section), static_cast<uint32_t *>(pixels),
                        static_cast<int>(info.bmiHeader.biWidth), static_cast<int>(-info.bmiHeader.biHeight)};
    return true;
}

// The pixels of `from`'s rectangle in the grab section, width x height of them (stretched, COLORONCOLOR,
// when the sizes differ), described by a plain 32-bit PixMap whose bounds are `bounds`.
struct ScreenGrab {
    PixMap view{};
    bool ready = false;

    ScreenGrab(HDC from, const Rect &source, int width, int height, const Rect &bounds)
    {
        // Rows of 32-bit pixels whose rowBytes a PixMap can hold.
        if (!from || width <= 0 || height <= 0 || width > 0x3FFF / 4 || !EnsureGrabSection(from, width, height))
            return;
        const int sw = source.right - source.left, sh = source.bottom - source.top;
        if (sw == width && sh == height) {
            BitBlt(sGrab.dc, 0, 0, width, height, from, source.left, source.top, SRCCOPY);
        } else {
            const int old = SetStretchBltMode(sGrab.dc, COLORONCOLOR);
            StretchBlt(sGrab.dc, 0, 0, width, height, from, source.left, source.top, sw, sh, SRCCOPY);
            SetStretchBltMode(sGrab.dc, old);
        }
        GdiFlush();
        view.baseAddr = reinterpret_cast<Ptr>(sGrab.bits);
        view.rowBytes = static_cast<int16_t>(0x8000 | (4 * sGrab.width));
        view.bounds = bounds;
        view.pixelType = 16;
        view.pixelSize = 32;
        view.cmpCount = 3;
        view.cmpSize = 8;
        view.pmTable = DefaultOneBitCTable();
        ready = true;
    }
    bool ok() const { return ready; }
};

} // namespace

// srcCopy without a mask: the source rectangle read at the destination's size, then copied into the
// destination rectangle's own rows and columns of the DIB.
void ScreenToPixMapSimple(HDC source, PixMap *dstView, const Rect &srcRect, const Rect &dstRect, const Rect &write,
                          CTabHandle dstCT)
{
    const int w = dstRect.right - dstRect.left, h = dstRect.bottom - dstRect.top;
    ScreenGrab grab(source, srcRect, w, h, dstRect);
    if (!grab.ok())
        return;
    ConvertPixels(&grab.view, dstView, write, write, 0, grab.view.pmTable, dstCT, nullptr);
}

// Every other transfer: the source rectangle read at its own size, then converted into the destination
// by the engine in the mode, with the scaling and the mask.
void ScreenSourceComplex(HDC source, PixMap *dstView, const Rect &srcRect, const Rect &dstRect, const Rect &write,
                         int16_t mode, CTabHandle dstCT, RgnHandle mask)
{
    ScreenGrab grab(source, srcRect, srcRect.right - srcRect.left, srcRect.bottom - srcRect.top, srcRect);
    if (!grab.ok())
        return;
    SetConversionFullRects(srcRect, dstRect);
    ConvertPixels(&grab.view, dstView, srcRect, write, mode, grab.view.pmTable, dstCT, mask);
}

void ScreenSourceCopy(HDC source, PixMap *dstView, const Rect &srcRect, const Rect &dstRect, const Rect &write,
                      int16_t mode, RgnHandle mask)
{
    CTabHandle dstCT = dstView->pmTable ? dstView->pmTable : DefaultOneBitCTable();
    if ((mode & ~0x40) == 0 && !mask && !ColorizeFlag())
        ScreenToPixMapSimple(source, dstView, srcRect, dstRect, write, dstCT);
    else
        ScreenSourceComplex(source, dstView, srcRect, dstRect, write, mode, dstCT, mask);
}

void DisposeScreenGrabSection()
{
    if (sGrab.dc) {
        SelectObject(sGrab.dc, sGrab.displaced);
        DeleteDC(sGrab.dc);
    }
    if (sGrab.section)
        DeleteObject(sGrab.section);
    sGrab = GrabSection{};
}

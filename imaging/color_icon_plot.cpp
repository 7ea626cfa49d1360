// Colour icons drawn on a DC: until the icon's pixel map is plotted through its mask, its one-bit image
// stands for it.
#include "imaging_services.h"

#include "MacMemory.h"

// PENDING: the icon work plots the icon's pixel map through its mask.
void PlotColorIcon(HDC dc, const Rect *box, CIconHandle icon)
{
    if (!dc || !box || !icon || !*icon)
        return;
    const CIcon &ci = **icon;
    const int width = ci.iconBMap.bounds.right - ci.iconBMap.bounds.left;
    const int height = ci.iconBMap.bounds.bottom - ci.iconBMap.bounds.top;
    const int maskBytes = ci.iconMask.rowBytes * (ci.iconMask.bounds.bottom - ci.iconMask.bounds.top);
    const int rowBytes = ci.iconBMap.rowBytes;
    const int32_t have = GetHandleSize(reinterpret_cast<Handle>(icon)) - static_cast<int32_t>(offsetof(CIcon, iconMaskData));
    if (width <= 0 || height <= 0 || rowBytes <= 0 || maskBytes < 0 || maskBytes + rowBytes * height > have)
        return;
    // Rows of the one-bit image, word-aligned and inverted for a monochrome bitmap (0 bits take the text
    // colour).
    const int monoRow = (rowBytes + 1) & ~1;
    uint8_t *bits = new uint8_t[monoRow * height]();
    const uint8_t *source = reinterpret_cast<const uint8_t *>(ci.iconMaskData) + maskBytes;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < monoRow; ++x)
            bits[y * monoRow + x] = static_cast<uint8_t>(~(x < rowBytes ? source[y * rowBytes + x] : 0));
    HBITMAP mono = CreateBitmap(monoRow * 8, height, 1, 1, bits);
    delete[] bits;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, mono);
    StretchBlt(dc, box->left, box->top, box->right - box->left, box->bottom - box->top, mem, 0, 0, width, height,
               SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(mono);
}

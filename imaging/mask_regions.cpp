// Regions in the one-bit-mask form: a packed 1-bit DIB (BITMAPINFOHEADER, black and white, bottom-up
// rows) whose 0 bits are inside. The DIB is stretched over the region's box, so a mask follows its box
// when the region is offset, inset or mapped. Arithmetic on mask regions is done pixel by pixel into a
// new mask of the result's box.
#include "imaging_services.h"
#include "../quickdraw/qd_services.h"
#include "../core/core_services.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int16_t kMaskFormSize = kMaskFormRgnSize;
constexpr Size kMaskRecordBytes = sizeof(MaskRegionRecord);
constexpr int kHeaderBytes = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);

int RowBytes(int width) { return ((width + 31) / 32) * 4; }

Handle MaskOf(RgnHandle rgn)
{
    if (!HandleHasData(rgn) || (**rgn).rgnSize != kMaskFormSize)
        return nullptr;
    Handle h = reinterpret_cast<Handle>(static_cast<uintptr_t>(reinterpret_cast<MaskRegionRecord *>(*rgn)->maskDib));
    return HandleHasData(h) ? h : nullptr;
}

// The DIB's header when the handle holds a whole one-bit DIB, else nil.
const BITMAPINFOHEADER *DibHeader(Handle dib)
{
    if (!HandleHasData(dib) || GetHandleSize(dib) < kHeaderBytes)
        return nullptr;
    auto *bi = reinterpret_cast<const BITMAPINFOHEADER *>(*dib);
    if (bi->biBitCount != 1 || bi->biWidth <= 0 || bi->biHeight <= 0)
        return nullptr;
    if (GetHandleSize(dib) < kHeaderBytes + static_cast<Size>(RowBytes(bi->biWidth)) * bi->biHeight)
        return nullptr;
    return bi;
}

// The bit of top-down pixel (x, y); 1 (outside) when the DIB is not whole.
int MaskBit(Handle dib, int x, int y)
{
    const BITMAPINFOHEADER *bi = DibHeader(dib);
    if (!bi || x < 0 || y < 0 || x >= bi->biWidth || y >= bi->biHeight)
        return 1;
    const uint8_t *row =
        reinterpret_cast<const uint8_t *>(*dib) + kHeaderBytes + RowBytes(bi->biWidth) * (bi->biHeight - 1 - y);
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

} // namespace

Handle NewMaskDib(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767)
        return nullptr;
    const Size bytes = kHeaderBytes + static_cast<Size>(RowBytes(width)) * height;
    Handle dib = NewHandle(bytes);
    if (!HandleHasData(dib))
        return nullptr;
    std::memset(*dib, 0xFF, bytes);
    auto *bi = reinterpret_cast<BITMAPINFOHEADER *>(*dib);
    *bi = BITMAPINFOHEADER{};
    bi->biSize = sizeof(BITMAPINFOHEADER);
    bi->biWidth = width;
    bi->biHeight = height;
    bi->biPlanes = 1;
    bi->biBitCount = 1;
    bi->biCompression = BI_RGB;
    bi->biSizeImage = RowBytes(width) * height;
    auto *colours = reinterpret_cast<RGBQUAD *>(bi + 1);
    colours[0] = RGBQUAD{0, 0, 0, 0};
    colours[1] = RGBQUAD{255, 255, 255, 0};
    return dib;
}

void SetMaskDibInside(Handle dib, int x, int y)
{
    const BITMAPINFOHEADER *bi = DibHeader(dib);
    if (!bi || x < 0 || y < 0 || x >= bi->biWidth || y >= bi->biHeight)
        return;
    uint8_t *row = reinterpret_cast<uint8_t *>(*dib) + kHeaderBytes + RowBytes(bi->biWidth) * (bi->biHeight - 1 - y);
    row[x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
}

Boolean PtInMaskRgn(Point pt, RgnHandle rgn)
{
    Handle dib = MaskOf(rgn);
    const BITMAPINFOHEADER *bi = DibHeader(dib);
    if (!bi)
        return false;
    const Rect b = (**rgn).rgnBBox;
    if (pt.h < b.left || pt.h >= b.right || pt.v < b.top || pt.v >= b.bottom)
        return false;
    // The mask is stretched over the box.
    const int x = static_cast<int>(static_cast<int64_t>(pt.h - b.left) * bi->biWidth / (b.right - b.left));
    const int y = static_cast<int>(static_cast<int64_t>(pt.v - b.top) * bi->biHeight / (b.bottom - b.top));
    return MaskBit(dib, x, y) == 0;
}

Boolean IsMaskRgnEmpty(RgnHandle rgn)
{
    Handle dib = MaskOf(rgn);
    const BITMAPINFOHEADER *bi = DibHeader(dib);
    if (!bi)
        return true;
    for (int y = 0; y < bi->biHeight; ++y)
        for (int x = 0; x < bi->biWidth; ++x)
            if (MaskBit(dib, x, y) == 0)
                return false;
    return true;
}

bool SetRgnToMaskDib(RgnHandle rgn, Point topLeft, Point botRight, Handle dib)
{
    if (!HandleHasData(rgn)) {
        if (dib)
            DisposeHandle(dib);
        return false;
    }
    // Back to the rectangle form first: any GDI region and previous mask go.
    SetRectRg(rgn, topLeft.h, topLeft.v, botRight.h, botRight.v);
    if (!HandleHasData(dib) || !SetHandleSize(reinterpret_cast<Handle>(rgn), kMaskRecordBytes) ||
        GetHandleSize(reinterpret_cast<Handle>(rgn)) < kMaskRecordBytes) {
        if (dib)
            DisposeHandle(dib);
        return false;
    }
    auto &m = *reinterpret_cast<MaskRegionRecord *>(*rgn);
    m.rgnSize = kMaskFormSize;
    m.rgnForm = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(MaskRgnSentinel()));
    m.maskDib = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(dib));
    return true;
}

void CombineMaskRgns(RgnHandle a, RgnHandle b, RgnHandle dst, int16_t mode)
{
    if (!HandleHasData(a) || !HandleHasData(b) || !HandleHasData(dst))
        return;
    const Rect ba = (**a).rgnBBox, bb = (**b).rgnBBox;
    Rect box;
    switch (mode) {
    case RGN_AND:
        box = Rect{std::max(ba.top, bb.top), std::max(ba.left, bb.left), std::min(ba.bottom, bb.bottom),
                   std::min(ba.right, bb.right)};
        break;
    case RGN_DIFF:
        box = ba;
        break;
    default:
        box = Rect{std::min(ba.top, bb.top), std::min(ba.left, bb.left), std::max(ba.bottom, bb.bottom),
                   std::max(ba.right, bb.right)};
        break;
    }
    const int width = box.right - box.left, height = box.bottom - box.top;
    Handle dib = width > 0 && height > 0 ? NewMaskDib(width, height) : nullptr;
    if (!dib) {
        SetRectRg(dst, box.left, box.top, box.right, box.bottom);
        if (width <= 0 || height <= 0)
            SetEmptyRgn(dst);
        return;
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Point pt{static_cast<int16_t>(box.top + y), static_cast<int16_t>(box.left + x)};
            const bool inA = PtInRgn(pt, a), inB = PtInRgn(pt, b);
            bool in = false;
            switch (mode) {
            case RGN_AND: in = inA && inB; break;
            case RGN_OR: in = inA || inB; break;
            case RGN_XOR: in = inA != inB; break;
            default: in = inA && !inB; break;
            }
            if (in)
                SetMaskDibInside(dib, x, y);
        }
    SetRgnToMaskDib(dst, Point{box.top, box.left}, Point{box.bottom, box.right}, dib);
}

void PaintRgnWithRop(HDC dc, RgnHandle rgn, int rop2, DWORD rop3)
{
    if (!dc || !HandleHasData(rgn))
        return;
    const Rect b = (**rgn).rgnBBox;
    if ((**rgn).rgnSize == kMaskFormSize) {
        Handle dib = MaskOf(rgn);
        const BITMAPINFOHEADER *bi = DibHeader(dib);
        if (!bi || b.right <= b.left || b.bottom <= b.top)
            return;
        HLock(dib);
        StretchDIBits(dc, b.left, b.top, b.right - b.left, b.bottom - b.top, 0, 0, bi->biWidth, bi->biHeight,
                      reinterpret_cast<const uint8_t *>(*dib) + kHeaderBytes,
                      reinterpret_cast<const BITMAPINFO *>(*dib), DIB_RGB_COLORS, rop3);
        HUnlock(dib);
        return;
    }
    const int oldRop = SetROP2(dc, rop2);
    HRGN h = ZEL_RgnSetToRealRectRgn(rgn);
    if (h)
        PaintRgn(dc, h);
    ZEL_IsRectRgn(rgn);
    SetROP2(dc, oldRop);
}

bool RgnToMaskForm(RgnHandle rgn, RgnHandle *out)
{
    *out = nullptr;
    if (!HandleHasData(rgn))
        return false;
    const Rect box = (**rgn).rgnBBox;
    const int width = box.right - box.left, height = box.bottom - box.top;
    Handle dib = width > 0 && height > 0 ? NewMaskDib(width, height) : nullptr;
    if (!dib)
        return false;
    const int stride = RowBytes(width);
    uint8_t *rows = reinterpret_cast<uint8_t *>(*dib) + kHeaderBytes;
    HRGN form = reinterpret_cast<HRGN>(static_cast<uintptr_t>((**rgn).rgnForm));
    if ((**rgn).rgnSize == kMaskFormSize) {
        // A mask of another size than its box: resampled by the stretch rule PtInMaskRgn reads it with.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (PtInMaskRgn(Point{static_cast<int16_t>(box.top + y), static_cast<int16_t>(box.left + x)}, rgn))
                    SetMaskDibInside(dib, x, y);
    } else if (!form || form == RectRgnSentinel() || form == MaskRgnSentinel()) {
        std::memset(rows, 0, static_cast<size_t>(stride) * height);
    } else {
        // A GDI region painted black into a white 1-bit section of the box.
        void *bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP section = dc ? CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO *>(*dib), DIB_RGB_COLORS, &bits,
                                                nullptr, 0)
                             : nullptr;
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        if (!section || !bits || !shape) {
            if (section)
                DeleteObject(section);
            if (dc)
                DeleteDC(dc);
            if (shape)
                DeleteObject(shape);
            DisposeHandle(dib);
            return false;
        }
        HGDIOBJ old = SelectObject(dc, section);
        PatBlt(dc, 0, 0, width, height, WHITENESS);
        CombineRgn(shape, form, nullptr, RGN_COPY);
        OffsetRgn(shape, -box.left, -box.top);
        FillRgn(dc, shape, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        GdiFlush();
        std::memcpy(rows, bits, static_cast<size_t>(stride) * height);
        SelectObject(dc, old);
        DeleteObject(shape);
        DeleteObject(section);
        DeleteDC(dc);
    }
    RgnHandle made = NewRgn();
    if (!made) {
        DisposeHandle(dib);
        return false;
    }
    if (!SetRgnToMaskDib(made, Point{box.top, box.left}, Point{box.bottom, box.right}, dib)) {
        DisposeRgn(made);
        return false;
    }
    *out = made;
    return true;
}

bool GetMaskFormRgn(RgnHandle rgn, RgnHandle *out, bool *madeNew)
{
    *madeNew = false;
    *out = nullptr;
    // A region in mask form is used as it is, its mask stretched over its box by whoever reads it.
    if (MaskOf(rgn)) {
        *out = rgn;
        return true;
    }
    *madeNew = RgnToMaskForm(rgn, out);
    return *madeNew;
}

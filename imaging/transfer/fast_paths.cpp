// The unscaled fast paths of CopyBits: short loops for the commonest copies between PixMaps in memory
// (one bit to one bit, reductions to one bit, same-size srcCopy between common depths), 8-bit copies into
// DIB PixMaps of the same colour table, and the 16-bit band bitmaps of the 16-bit screen path. Whatever
// they do not take goes to the pixel conversion engine.
#include "imaging.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// One side of a fast copy: the rectangle's first row and the byte of its left edge.
struct FastSide {
    uint8_t *firstRow; // the row of the rectangle's top, from its first byte
    int32_t rowBytes;
    int32_t left;      // the rectangle's left, counted from the bounds' left
    int depth;
};

bool PlainSide(const PixMap *pm, const Rect &r, FastSide *side)
{
    if (reinterpret_cast<uintptr_t>(pm->baseAddr) < 0x10000 || (pm->pmExtFlags & pmExtDibAttached))
        return false;
    const int32_t rowBytes = pm->rowBytes & 0x3FFF;
    const int32_t left = r.left - pm->bounds.left, top = r.top - pm->bounds.top;
    // The rectangle must lie in the pixels the rows hold.
    if (left < 0 || top < 0 || r.bottom > pm->bounds.bottom ||
        static_cast<int64_t>(r.right - pm->bounds.left) * pm->pixelSize > static_cast<int64_t>(rowBytes) * 8)
        return false;
    *side = FastSide{reinterpret_cast<uint8_t *>(pm->baseAddr) + static_cast<int64_t>(top) * rowBytes, rowBytes, left,
                     pm->pixelSize};
    return true;
}

// Black of the reduction to one bit: 30 red + 59 green + 11 blue (high bytes) at most 12,750.
inline bool IsDark(int red, int green, int blue) { return 30 * red + 59 * green + 11 * blue <= 12750; }

} // namespace

void ShiftedRowMerge(const uint8_t *src, uint8_t *dst, int srcBit, int dstBit, int32_t count, int16_t mode)
{
    if (count <= 0 || (mode != 0 && mode != 1))
        return;
    src += srcBit >> 3;
    dst += dstBit >> 3;
    srcBit &= 7;
    dstBit &= 7;
    // Only the bytes that hold bits of the run are read.
    const int32_t lastSrcByte = (srcBit + count - 1) >> 3;
    auto get = [&](int32_t at) -> uint32_t { return at >= 0 && at <= lastSrcByte ? src[at] : 0u; };
    const int32_t lastBit = dstBit + count; // the bit after the run, counted from the first byte
    const int32_t bytes = (lastBit + 7) >> 3;
    for (int32_t k = 0; k < bytes; ++k) {
        // Destination byte k takes the source bits from q on, through a 16-bit window.
        const int32_t q = 8 * k - dstBit + srcBit;
        const int32_t at = q >> 3;
        const int shift = q & 7;
        const uint8_t s = static_cast<uint8_t>(((get(at) << 8 | get(at + 1)) << shift) >> 8);
        uint8_t mask = 0xFF;
        if (k == 0)
            mask = static_cast<uint8_t>(mask >> dstBit);
        if (k == bytes - 1 && (lastBit & 7))
            mask = static_cast<uint8_t>(mask & (0xFF << (8 - (lastBit & 7))));
        dst[k] = mode == 0 ? static_cast<uint8_t>((dst[k] & ~mask) | (s & mask)) : static_cast<uint8_t>(dst[k] | (s & mask));
    }
}

bool OneBitCopy(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode)
{
    FastSide s, d;
    if ((mode != 0 && mode != 1) || src->pixelSize != 1 || dst->pixelSize != 1 || !PlainSide(src, srcRect, &s) ||
        !PlainSide(dst, dstRect, &d))
        return false;
    const int32_t width = srcRect.right - srcRect.left, height = srcRect.bottom - srcRect.top;
    const int srcBit = s.left & 7, dstBit = d.left & 7;
    // Whole rows of the same length on both sides: one copy.
    if (mode == 0 && !srcBit && !dstBit && width == 8 * s.rowBytes && s.rowBytes == d.rowBytes) {
        std::memcpy(d.firstRow, s.firstRow, static_cast<size_t>(s.rowBytes) * height);
        return true;
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *from = s.firstRow + static_cast<int64_t>(y) * s.rowBytes + (s.left >> 3);
        uint8_t *to = d.firstRow + static_cast<int64_t>(y) * d.rowBytes + (d.left >> 3);
        if (srcBit == 0 && dstBit == 0) {
            const int32_t whole = width >> 3;
            if (mode == 0)
                std::memcpy(to, from, static_cast<size_t>(whole));
            else
                for (int32_t k = 0; k < whole; ++k)
                    to[k] = static_cast<uint8_t>(to[k] | from[k]);
            if (width & 7) {
                const uint8_t mask = static_cast<uint8_t>(0xFF << (8 - (width & 7)));
                to[whole] = mode == 0 ? static_cast<uint8_t>((to[whole] & ~mask) | (from[whole] & mask))
                                      : static_cast<uint8_t>(to[whole] | (from[whole] & mask));
            }
        } else {
            ShiftedRowMerge(from, to, srcBit, dstBit, width, mode);
        }
    }
    return true;
}

bool ToMonoCopy(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode, CTabHandle srcCT)
{
    FastSide s, d;
    if ((mode != 0 && mode != 1) || (src->pixelSize != 8 && src->pixelSize != 32) || dst->pixelSize != 1 ||
        !PlainSide(src, srcRect, &s) || !PlainSide(dst, dstRect, &d))
        return false;
    const int32_t width = srcRect.right - srcRect.left, height = srcRect.bottom - srcRect.top;
    bool black[256] = {};
    if (s.depth == 8) {
        if (!HandleHasData(srcCT))
            return false;
        const int entries = std::min<int>((*srcCT)->ctSize + 1, 256);
        for (int i = 0; i < entries; ++i) {
            const RGBColor &c = (*srcCT)->ctTable[i].rgb;
            black[i] = IsDark(c.red >> 8, c.green >> 8, c.blue >> 8);
        }
    }
    if (!GrowPixelScratch(static_cast<uint32_t>(width / 8 + 1)))
        return false;
    uint8_t *packed = static_cast<uint8_t *>(PixelScratch());
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *from = s.firstRow + static_cast<int64_t>(y) * s.rowBytes;
        std::memset(packed, 0, static_cast<size_t>(width / 8 + 1));
        for (int32_t x = 0; x < width; ++x) {
            bool dark;
            if (s.depth == 8) {
                dark = black[from[s.left + x]];
            } else {
                const uint8_t *p = from + 4 * (s.left + x);
                dark = IsDark(p[2], p[1], p[0]);
            }
            if (dark)
                packed[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
        ShiftedRowMerge(packed, d.firstRow + static_cast<int64_t>(y) * d.rowBytes, 0, d.left, width, mode);
    }
    return true;
}

bool SrcCopyFastPath(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, CTabHandle srcCT,
                     CTabHandle dstCT)
{
    FastSide s, d;
    if (!PlainSide(src, srcRect, &s) || !PlainSide(dst, dstRect, &d))
        return false;
    const int32_t width = srcRect.right - srcRect.left, height = srcRect.bottom - srcRect.top;
    const bool dstDirect32 = dst->pixelType == 16 && d.depth == 32;
    const bool srcDirect32 = src->pixelType == 16 && s.depth == 32;
    uint32_t words[256];
    enum { copy32, green8, index32, bit32, copy8, copy1 } kind;
    if (srcDirect32 && dstDirect32) {
        kind = copy32;
    } else if (srcDirect32 && d.depth == 8 && Palette8()) {
        kind = green8;
    } else if (s.depth == 8 && dstDirect32) {
        if (!HandleHasData(srcCT))
            return false;
        RGBQUAD quads[256] = {};
        CopyCTabToQuads(srcCT, quads);
        for (int i = 0; i < 256; ++i)
            words[i] = static_cast<uint32_t>(quads[i].rgbRed << 16 | quads[i].rgbGreen << 8 | quads[i].rgbBlue);
        kind = index32;
    } else if (s.depth == 1 && dstDirect32) {
        const PortDCRecord *record = CurrentPortRecord();
        const RGBColor fg = record ? record->foreRGB : RGBColor{0, 0, 0};
        const RGBColor bk = record ? record->backRGB : RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
        words[1] = static_cast<uint32_t>((fg.red >> 8) << 16 | (fg.green >> 8) << 8 | fg.blue >> 8);
        words[0] = static_cast<uint32_t>((bk.red >> 8) << 16 | (bk.green >> 8) << 8 | bk.blue >> 8);
        kind = bit32;
    } else if (s.depth == 8 && d.depth == 8 && HandleHasData(srcCT) && HandleHasData(dstCT) &&
               (*srcCT)->ctSeed == (*dstCT)->ctSeed && !ColorizeFlag()) {
        // Indices copied as they are mean the same colours only without colourising.
        kind = copy8;
    } else if (s.depth == 1 && d.depth == 1 && !(s.left & 7) && !(d.left & 7) && !(width & 7)) {
        kind = copy1;
    } else {
        return false;
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *from = s.firstRow + static_cast<int64_t>(y) * s.rowBytes;
        uint8_t *to = d.firstRow + static_cast<int64_t>(y) * d.rowBytes;
        switch (kind) {
        case copy32: std::memcpy(to + 4 * d.left, from + 4 * s.left, 4 * static_cast<size_t>(width)); break;
        case green8:
            for (int32_t x = 0; x < width; ++x)
                to[d.left + x] = from[4 * (s.left + x) + 1];
            break;
        case index32: {
            uint32_t *out = reinterpret_cast<uint32_t *>(to) + d.left;
            for (int32_t x = 0; x < width; ++x)
                out[x] = words[from[s.left + x]];
            break;
        }
        case bit32: {
            uint32_t *out = reinterpret_cast<uint32_t *>(to) + d.left;
            for (int32_t x = 0; x < width; ++x) {
                const int32_t sx = s.left + x;
                out[x] = words[(from[sx >> 3] >> (7 - (sx & 7))) & 1];
            }
            break;
        }
        case copy8: std::memcpy(to + d.left, from + s.left, static_cast<size_t>(width)); break;
        case copy1: std::memcpy(to + (d.left >> 3), from + (s.left >> 3), static_cast<size_t>(width >> 3)); break;
        }
    }
    return true;
}

void CopyBitsFastPath(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode,
                      CTabHandle srcCT, CTabHandle dstCT, RgnHandle mask)
{
    const bool sameSize = srcRect.right - srcRect.left == dstRect.right - dstRect.left &&
                          srcRect.bottom - srcRect.top == dstRect.bottom - dstRect.top;
    if (sameSize && !PatternTileMode() && !mask) {
        if (src->pixelSize == 1 && dst->pixelSize == 1 && OneBitCopy(src, dst, srcRect, dstRect, mode))
            return;
        if ((src->pixelSize == 8 || src->pixelSize == 32) && dst->pixelSize == 1 &&
            ToMonoCopy(src, dst, srcRect, dstRect, mode, srcCT))
            return;
        if ((mode & 63) == 0 && SrcCopyFastPath(src, dst, srcRect, dstRect, srcCT, dstCT))
            return;
    }
    ConvertPixels(src, dst, srcRect, dstRect, mode, srcCT, dstCT, mask);
}

// ---- 8-bit copies into DIB PixMaps ----

void MacToDibRows(const PixMap *src, PixMap *dst, const Rect &srcRect, Point dstTopLeft)
{
    if (!HandleHasData(dst->pmExtDib))
        return;
    const BITMAPINFOHEADER &h = *reinterpret_cast<const BITMAPINFOHEADER *>(*dst->pmExtDib);
    uint8_t *bits = reinterpret_cast<uint8_t *>(dst->pmExtDibBits);
    if (!bits || h.biBitCount != 8 || h.biWidth <= 0)
        return;
    const int32_t stride = (h.biWidth + 3) & ~3;
    const int32_t dibRows = static_cast<int32_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    const bool reversed = (dst->pmExtFlags & pmExtBitsPrepared) != 0;
    const int32_t srcRowBytes = src->rowBytes & 0x3FFF;
    // The rows go where the DIB has them: the rectangle is cut to the DIB's own width and height, whatever
    // the bounds say.
    int32_t x0 = dstTopLeft.h - dst->bounds.left, y0 = dstTopLeft.v - dst->bounds.top;
    int32_t sx = srcRect.left - src->bounds.left, sy = srcRect.top - src->bounds.top;
    int32_t width = srcRect.right - srcRect.left, height = srcRect.bottom - srcRect.top;
    if (x0 < 0) { sx -= x0; width += x0; x0 = 0; }
    if (y0 < 0) { sy -= y0; height += y0; y0 = 0; }
    width = std::min<int32_t>(width, h.biWidth - x0);
    height = std::min<int32_t>(height, dibRows - y0);
    if (sx < 0 || sy < 0 || width <= 0 || height <= 0 || sx + width > srcRowBytes ||
        sy + height > src->bounds.bottom - src->bounds.top)
        return;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *from = reinterpret_cast<const uint8_t *>(src->baseAddr) + static_cast<int64_t>(sy + y) * srcRowBytes + sx;
        const int32_t row = h.biHeight < 0 ? y0 + y : dibRows - 1 - (y0 + y);
        uint8_t *to = bits + static_cast<int64_t>(row) * stride + x0;
        if (reversed)
            InvertBytes(to, from, static_cast<uint32_t>(width));
        else
            std::memcpy(to, from, static_cast<size_t>(width));
    }
}

void MacToDibCopy(const PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode,
                  CTabHandle srcCT, CTabHandle dstCT, RgnHandle mask)
{
    const bool sameSize = srcRect.right - srcRect.left == dstRect.right - dstRect.left &&
                          srcRect.bottom - srcRect.top == dstRect.bottom - dstRect.top;
    const BITMAPINFOHEADER *h = HandleHasData(dst->pmExtDib) ? reinterpret_cast<const BITMAPINFOHEADER *>(*dst->pmExtDib)
                                                             : nullptr;
    if (sameSize && !PatternTileMode() && !ColorizeFlag() && src->pixelSize == 8 && h && h->biBitCount == 8 &&
        (mode == 0 || mode == 8) && !mask && HandleHasData(srcCT) && HandleHasData(dstCT) &&
        (*srcCT)->ctSeed == (*dstCT)->ctSeed && dst->pmExtDibBits) {
        MacToDibRows(src, dst, srcRect, Point{dstRect.top, dstRect.left});
        return;
    }
    ConvertPixels(src, dst, srcRect, dstRect, mode, srcCT, dstCT, mask);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_CopyBitsMacToDIB(PixMap *src, PixMap *dst, Point srcTopLeft, Point srcBotRight,
                                               Point dstTopLeft, Point dstBotRight, int16_t mode, CTabHandle srcCT,
                                               CTabHandle dstCT, RgnHandle mask)
{
    // A plain PixMap in memory into one with a DIB; anything else draws nothing.
    if (!src || !dst || !(dst->pmExtFlags & pmExtDibAttached) || !HandleHasData(dst->pmExtDib))
        return;
    if ((src->pmExtFlags & pmExtDibAttached) || reinterpret_cast<uintptr_t>(src->baseAddr) < 0x10000)
        return;
    const Rect srcRect{srcTopLeft.v, srcTopLeft.h, srcBotRight.v, srcBotRight.h};
    const Rect dstRect{dstTopLeft.v, dstTopLeft.h, dstBotRight.v, dstBotRight.h};
    if (srcRect.right <= srcRect.left || srcRect.bottom <= srcRect.top || dstRect.right <= dstRect.left ||
        dstRect.bottom <= dstRect.top)
        return;
    const bool colorize = ColorizeFlag();
    SetColorizeFlag(false);
    SetConversionFullRects(srcRect, dstRect);
    MacToDibCopy(src, dst, srcRect, dstRect, mode, srcCT ? srcCT : src->pmTable, dstCT ? dstCT : dst->pmTable, mask);
    ForgetConversionFullRects(); // the row copy did not need them
    SetColorizeFlag(colorize);
}

// ---- The 16-bit screen's band bitmaps ----

HBITMAP SixteenBitBandBitmap(const PixMap *pm, Rect *rect)
{
    const int32_t width = rect->right - rect->left, height = rect->bottom - rect->top;
    const int depth = pm->pixelSize;
    // Plain rows only: a PixMap with a DIB goes to the screen through its DIB.
    if (width <= 0 || height <= 0 || (depth != 8 && depth != 16 && depth != 32) ||
        (pm->pmExtFlags & pmExtDibAttached) || reinterpret_cast<uintptr_t>(pm->baseAddr) < 0x10000)
        return nullptr;
    if (static_cast<int64_t>(2) * width * height > 0x10000 || !GrowBlitScratch(0x10000))
        return nullptr;
    uint16_t table[256] = {};
    if (depth == 8) {
        if (!HandleHasData(pm->pmTable))
            return nullptr;
        CTabTo555Table(pm->pmTable, table);
    }
    const int32_t rowBytes = pm->rowBytes & 0x3FFF;
    const int32_t left = rect->left - pm->bounds.left, top = rect->top - pm->bounds.top;
    const int pixelBytes = depth / 8;
    if (left < 0 || top < 0 || rect->bottom > pm->bounds.bottom ||
        static_cast<int64_t>(left + width) * pixelBytes > rowBytes)
        return nullptr;
    // The band's 16-bit rows, top-down, 2 x width bytes apart, in the blit scratch.
    uint16_t *rows = static_cast<uint16_t *>(ScreenScratchBuffer());
    if (!rows)
        return nullptr;
    const uint8_t *base = reinterpret_cast<const uint8_t *>(pm->baseAddr);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *pixels = base + static_cast<int64_t>(top + y) * rowBytes + left * pixelBytes;
        uint16_t *o = rows + static_cast<size_t>(y) * width;
        for (int32_t x = 0; x < width; ++x) {
            switch (depth) {
            case 8: o[x] = table[pixels[x]]; break;
            case 16: o[x] = static_cast<uint16_t>((pixels[2 * x] | pixels[2 * x + 1] << 8) & 0x7FFF); break;
            default: {
                const uint8_t *p = pixels + 4 * x;
                o[x] = static_cast<uint16_t>((p[2] >> 3) << 10 | (p[1] >> 3) << 5 | p[0] >> 3);
                break;
            }
            }
        }
    }
    BITMAP record{0, width, height, 2 * width, 1, 16, rows};
    HBITMAP bitmap = CreateBitmapIndirect(&record);
    *rect = Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    return bitmap;
}

// ---- Test seam ----

ZEL_EXTERN_C void ZEL_CALL ShiftedRowMergeForTest(const uint8_t *src, uint8_t *dst, int32_t srcBit, int32_t dstBit,
                                                 int32_t count, int32_t mode)
{
    ShiftedRowMerge(src, dst, srcBit, dstBit, count, static_cast<int16_t>(mode));
}

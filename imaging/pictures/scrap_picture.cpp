// The clipboard picture: a picture whose body is a Windows DIB instead of an opcode stream, for passing
// pixel images to and from the clipboard. ZEL_OpenScrapPict opens one on the current port, CopyBits into
// that port fills it (CopyBitsToScrapDib), ClosePicture detaches it, and DrawPicture of a handle whose
// C bit the host set draws its body (DrawDibPicture).
//
// The body comes back from the clipboard, so DrawDibPicture checks its header, colours and rows against
// the handle before reading a byte of them.
#include "imaging.h"
#include "picture_format.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

Rect sScrapFrame;

struct Rgb {
    uint8_t r, g, b;
};

// The standard 8-bit colours of an 8-bit body.
std::vector<Rgb> StandardColours()
{
    std::vector<Rgb> colours(256, Rgb{0, 0, 0});
    CTabHandle table = GetCTable(8);
    if (HandleHasData(table)) {
        const ColorTable &ct = **table;
        const int32_t held = (GetHandleSize(reinterpret_cast<Handle>(table)) - 8) / 8;
        const int32_t n = std::min<int32_t>(std::min<int32_t>(ct.ctSize + 1, held), 256);
        for (int32_t i = 0; i < n; ++i)
            colours[i] = Rgb{uint8_t(ct.ctTable[i].rgb.red >> 8), uint8_t(ct.ctTable[i].rgb.green >> 8),
                             uint8_t(ct.ctTable[i].rgb.blue >> 8)};
        DisposeCTable(table);
    } else {
        for (int i = 0; i < 256; ++i)
            colours[i] = Rgb{uint8_t(i), uint8_t(i), uint8_t(i)};
    }
    return colours;
}

uint8_t NearestIndex(const uint8_t *table, int count, uint8_t r, uint8_t g, uint8_t b)
{
    int best = 0;
    int32_t bestDistance = INT32_MAX;
    for (int i = 0; i < count; ++i) {
        const int dr = table[4 * i + 2] - r, dg = table[4 * i + 1] - g, db = table[4 * i] - b;
        const int32_t d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

} // namespace

ZEL_EXTERN_C PicHandle ZEL_CALL ZEL_OpenScrapPict(const Rect *frame)
{
    GrafPtr port = CurrentPort();
    if (!port || !frame)
        return nullptr;
    const int16_t bitCount = SessionFlag(zelFlagReducedPalette) ? 8 : 24;
    PictDibLayout layout;
    if (!PictDibLayoutFor(int32_t(frame->right) - frame->left, int32_t(frame->bottom) - frame->top, bitCount, &layout))
        return nullptr;
    Handle h = NewHandle(layout.totalSize);
    if (!HandleHasData(h) || GetHandleSize(h) != layout.totalSize) {
        if (h)
            DisposeHandle(h);
        return nullptr;
    }
    uint8_t *pic = reinterpret_cast<uint8_t *>(*h);
    PutPictDibHeader(pic, layout);
    if (bitCount == 8) {
        // The standard table, and every pixel the index nearest white.
        const std::vector<Rgb> colours = StandardColours();
        uint8_t *table = pic + layout.colorsOffset;
        for (int i = 0; i < 256; ++i) {
            table[4 * i] = colours[i].b;
            table[4 * i + 1] = colours[i].g;
            table[4 * i + 2] = colours[i].r;
            table[4 * i + 3] = 0;
        }
        std::memset(pic + layout.bitsOffset, NearestIndex(table, 256, 0xFF, 0xFF, 0xFF), static_cast<size_t>(layout.imageSize));
    } else {
        std::memset(pic + layout.bitsOffset, 0xFF, static_cast<size_t>(layout.imageSize));
    }
    sScrapFrame = *frame;
    SetScrapPictureMarker(h);
    port->picSave = h;
    PictFontMap(kPictFontMapPush, 0, nullptr);
    HidePen();
    return reinterpret_cast<PicHandle>(h);
}

void CopyBitsToScrapDib(const PixMap *source, const Rect *srcRect, const Rect *dstRect)
{
    Handle h = ScrapPictureMarker();
    if (!source || !srcRect || !dstRect || !HandleHasData(h))
        return;
    if (!IsPixMapRecord(reinterpret_cast<const BitMap *>(source)) || source->pixelType != 16 ||
        (source->pixelSize != 16 && source->pixelSize != 32) || reinterpret_cast<uintptr_t>(source->baseAddr) < 0x10000)
        return;
    PictDibLayout layout;
    uint8_t *pic = reinterpret_cast<uint8_t *>(*h);
    if (!ReadPictDibLayout(pic, static_cast<size_t>(GetHandleSize(h)), &layout))
        return;
    // Both rectangles from their own origins: the frame's and the source's bounds'.
    const Rect &b = source->bounds;
    const int32_t sTop = srcRect->top - b.top, sLeft = srcRect->left - b.left;
    const int32_t sW = srcRect->right - srcRect->left, sH = srcRect->bottom - srcRect->top;
    const int32_t dTop = dstRect->top - sScrapFrame.top, dLeft = dstRect->left - sScrapFrame.left;
    const int32_t dW = dstRect->right - dstRect->left, dH = dstRect->bottom - dstRect->top;
    const int32_t boundsW = b.right - b.left, boundsH = b.bottom - b.top;
    if (sW <= 0 || sH <= 0 || dW <= 0 || dH <= 0)
        return;
    const uint8_t *base = reinterpret_cast<const uint8_t *>(source->baseAddr);
    const int32_t rowBytes = source->rowBytes & 0x3FFF;
    const uint8_t *table = layout.bitCount == 8 ? pic + layout.colorsOffset : nullptr;
    // Each destination pixel inside the frame takes the source pixel it maps to (nearest neighbour);
    // pixels that map outside the source's bounds are left.
    const int32_t yFrom = std::max<int32_t>(0, dTop), yTo = std::min<int32_t>(layout.height, dTop + dH);
    const int32_t xFrom = std::max<int32_t>(0, dLeft), xTo = std::min<int32_t>(layout.width, dLeft + dW);
    for (int32_t y = yFrom; y < yTo; ++y) {
        const int32_t sy = sTop + static_cast<int32_t>(static_cast<int64_t>(y - dTop) * sH / dH);
        if (sy < 0 || sy >= boundsH)
            continue;
        const uint8_t *srcRow = base + static_cast<size_t>(sy) * rowBytes;
        uint8_t *dstRow = pic + layout.bitsOffset + static_cast<size_t>(layout.height - 1 - y) * layout.stride;
        for (int32_t x = xFrom; x < xTo; ++x) {
            const int32_t sx = sLeft + static_cast<int32_t>(static_cast<int64_t>(x - dLeft) * sW / dW);
            if (sx < 0 || sx >= boundsW)
                continue;
            uint8_t r, g, bl;
            if (source->pixelSize == 32) {
                bl = srcRow[4 * sx];
                g = srcRow[4 * sx + 1];
                r = srcRow[4 * sx + 2];
            } else {
                const uint16_t p = static_cast<uint16_t>(srcRow[2 * sx] | srcRow[2 * sx + 1] << 8);
                r = static_cast<uint8_t>((((p >> 10) & 31) * 33) >> 2);
                g = static_cast<uint8_t>((((p >> 5) & 31) * 33) >> 2);
                bl = static_cast<uint8_t>(((p & 31) * 33) >> 2);
            }
            if (table) {
                dstRow[x] = NearestIndex(table, layout.colorCount, r, g, bl);
            } else {
                dstRow[3 * x] = bl;
                dstRow[3 * x + 1] = g;
                dstRow[3 * x + 2] = r;
            }
        }
    }
}

void DrawDibPicture(PicHandle pic, const Rect *dstRect)
{
    GrafPtr port = CurrentPort();
    Handle h = reinterpret_cast<Handle>(pic);
    if (!port || !dstRect || !HandleHasData(h) || !IsColorPort(port))
        return;
    PixMapHandle portPm = reinterpret_cast<CGrafPtr>(port)->portPixMap;
    // Direct colour ports only (16 bits and up; a port on a 24-bit screen says 24).
    if (!HandleHasData(portPm) || (*portPm)->pixelType != 16 || (*portPm)->pixelSize < 16)
        return;
    PictDibLayout layout;
    if (!ReadPictDibLayout(reinterpret_cast<const uint8_t *>(*h), static_cast<size_t>(GetHandleSize(h)), &layout))
        return;
    BITMAPINFOHEADER header;
    std::memcpy(&header, reinterpret_cast<const uint8_t *>(*h) + kPictDibHeaderOffset, sizeof header);
    if (header.biClrUsed > 256)
        return;
    // 24-bit rows are drawn as they are: the body's bitmap header and rows described as a DIB PixMap,
    // which CopyBits hands to GDI (or the pixel conversion engine) in one transfer.
    if (layout.bitCount == 24 && layout.stride <= 0x3FFF && layout.width <= 0x7FFF && layout.height <= 0x7FFF) {
        Handle info = NewHandle(sizeof header);
        if (!HandleHasData(info))
            return;
        header.biHeight = layout.height; // bottom-up, as the rows lie
        std::memcpy(*info, &header, sizeof header);
        const int8_t state = HGetState(h);
        HLock(h);
        HLock(info);
        PixMap view{};
        view.baseAddr = *h + layout.bitsOffset;
        view.rowBytes = static_cast<int16_t>(0x8000 | layout.stride);
        view.bounds = Rect{0, 0, static_cast<int16_t>(layout.height), static_cast<int16_t>(layout.width)};
        view.pmVersion = static_cast<int16_t>(kPixMapVersion);
        view.pixelType = 16;
        view.pixelSize = 24;
        view.cmpCount = 3;
        view.cmpSize = 8;
        view.hRes = view.vRes = kPictDefaultRes;
        view.pmExtFlags = pmExtDibAttached;
        view.pmExtDib = info;
        view.pmExtDibBits = *h + layout.bitsOffset;
        const Rect dst{dstRect->top, dstRect->left, static_cast<int16_t>(dstRect->top + layout.height),
                       static_cast<int16_t>(dstRect->left + layout.width)};
        CopyBits(reinterpret_cast<const BitMap *>(&view), &port->portBits, &view.bounds, &dst, srcCopy, nullptr);
        DisposeHandle(info);
        HSetState(h, state);
        return;
    }
    // Other bodies as 32-bit pixels, top row first, drawn at their own size at dstRect's top-left.
    std::vector<uint32_t> pixels(static_cast<size_t>(layout.width) * layout.height);
    const uint8_t *body = reinterpret_cast<const uint8_t *>(*h);
    for (int32_t y = 0; y < layout.height; ++y) {
        const uint8_t *row = body + layout.bitsOffset + static_cast<size_t>(layout.height - 1 - y) * layout.stride;
        uint32_t *out = pixels.data() + static_cast<size_t>(y) * layout.width;
        for (int32_t x = 0; x < layout.width; ++x) {
            if (layout.bitCount == 24) {
                out[x] = static_cast<uint32_t>(row[3 * x + 2]) << 16 | row[3 * x + 1] << 8 | row[3 * x];
            } else {
                // Indices past the colours used take the first colour.
                const int index = row[x] < layout.colorCount ? row[x] : 0;
                const uint8_t *c = body + layout.colorsOffset + 4 * index;
                out[x] = static_cast<uint32_t>(c[2]) << 16 | c[1] << 8 | c[0];
            }
        }
    }
    const int32_t pixelRowBytes = 4 * layout.width;
    for (int32_t x0 = 0; x0 < layout.width; x0 += 4095) {
        // A PixMap's rowBytes holds 14 bits: wider bodies go in column strips of one row each.
        const int32_t w = std::min<int32_t>(4095, layout.width - x0);
        const bool strips = pixelRowBytes > 0x3FFF;
        for (int32_t y0 = 0; y0 < layout.height; y0 += strips ? 1 : layout.height) {
            const int32_t rows = strips ? 1 : layout.height;
            PixMap pm{};
            pm.baseAddr = reinterpret_cast<Ptr>(pixels.data() + static_cast<size_t>(y0) * layout.width + x0);
            pm.rowBytes = static_cast<int16_t>(0x8000 | (strips ? 4 * w : pixelRowBytes));
            pm.bounds = Rect{0, 0, static_cast<int16_t>(rows), static_cast<int16_t>(w)};
            pm.pixelType = 16;
            pm.pixelSize = 32;
            pm.cmpCount = 3;
            pm.cmpSize = 8;
            pm.hRes = pm.vRes = kPictDefaultRes;
            const Rect dst{static_cast<int16_t>(dstRect->top + y0), static_cast<int16_t>(dstRect->left + x0),
                           static_cast<int16_t>(dstRect->top + y0 + rows), static_cast<int16_t>(dstRect->left + x0 + w)};
            CopyBits(reinterpret_cast<const BitMap *>(&pm), &port->portBits, &pm.bounds, &dst, srcCopy, nullptr);
        }
    }
}

// What the scaling engines of palette screens share (color_cube.cpp, dither_scaler.cpp): the source's
// rows in Macintosh layout, read through the row reader where a row is not plainly in memory, and the
// 8-bit band rows they write into the blit scratch.
#pragma once

#include "imaging.h"

namespace scaling_rows {

constexpr uint32_t kBandScratchBytes = 0x10000;

inline int32_t Width(const Rect &r) { return r.right - r.left; }
inline int32_t Height(const Rect &r) { return r.bottom - r.top; }

// The source's rows: its own pixel rows, or the row reader's copy of a row of its DIB or of a row that
// would end past its pixel data.
struct SourceRows {
    const PixMap *pm;
    const uint8_t *base;
    int32_t rowBytes;
    int depth;
    int32_t width, height; // of the bounds
    const uint8_t *last;   // the last readable byte of the pixel data

    bool Open(const PixMap *p)
    {
        pm = p;
        depth = p->pixelSize;
        if (depth != 8 && depth != 16 && depth != 32)
            return false;
        base = reinterpret_cast<const uint8_t *>(p->baseAddr);
        rowBytes = p->rowBytes & 0x3FFF;
        width = Width(p->bounds);
        height = Height(p->bounds);
        if (reinterpret_cast<uintptr_t>(base) < 0x10000 || rowBytes <= 0 || width <= 0 || height <= 0 ||
            static_cast<int64_t>(width) * (depth / 8) > rowBytes)
            return false;
        last = base + static_cast<int64_t>(height) * rowBytes - 1;
        return true;
    }
    // Bytes of `count` pixels.
    uint32_t Bytes(int32_t count) const { return static_cast<uint32_t>(count) * static_cast<uint32_t>(depth / 8); }
    // `count` pixels of row y from column x (both inside the bounds); nil when the row cannot be read.
    const uint8_t *Row(int32_t y, int32_t x, int32_t count) const
    {
        const uint8_t *row = base + static_cast<int64_t>(y) * rowBytes + static_cast<int64_t>(x) * (depth / 8);
        const uint32_t bytes = Bytes(count);
        if (!(pm->pmExtFlags & pmExtDibAttached) && row + bytes - 1 <= last)
            return row;
        return FetchSourceRow(pm, row, bytes, last);
    }
};

// Keeps a coordinate inside 0..extent - 1.
inline int32_t Clamp(int64_t v, int32_t extent)
{
    return v < 0 ? 0 : v >= extent ? extent - 1 : static_cast<int32_t>(v);
}

// The blit scratch for a band of width x height 8-bit rows (stride bytes each); nil when it cannot grow.
inline uint8_t *BandScratch(int32_t width, int32_t height, int32_t *stride)
{
    *stride = (width + 3) & ~3;
    const int64_t bytes = static_cast<int64_t>(*stride) * height;
    if (bytes > 0x7FFFFFFF || !GrowBlitScratch(static_cast<uint32_t>(bytes > kBandScratchBytes ? bytes : kBandScratchBytes)))
        return nullptr;
    return static_cast<uint8_t *>(ScreenScratchBuffer());
}

// The rows are the blit's: the header and colour usage follow (palette indices, the gray ramp's with
// `grays`).
inline uint32_t FinishBand(PixMap *src, uint8_t *rows, int flags, bool grays, int32_t width, int32_t height)
{
    CurrentBlitParams().bits = rows;
    return MakeEightBitBandBitmap(src, flags | prepareBands, grays ? 1 : 0, width, height) ? 1 : 0;
}

enum class ScaleKind { unscaled, enlarge, reduce, general };

// How the whole transfer's destination positions map to source positions. Whole factors only take the
// enlarge and reduce loops (equal truncated ratios are not equal scales: 10 to 60 across and 2,731 to
// 16,387 down give the same ratio, and an enlargement by 6 would read a row past the source); a box
// average needs n x n below 256. Everything else steps by the 16.16 ratio, the pixel under the left
// (top) edge of each step winning.
struct ScaleMap {
    ScaleKind kind = ScaleKind::general;
    int32_t n = 1;
    int64_t hRatio, vRatio;
    ScaleMap(int32_t sw, int32_t sh, int32_t dw, int32_t dh, bool wholeFactors)
        : hRatio((static_cast<int64_t>(sw) << 16) / dw), vRatio((static_cast<int64_t>(sh) << 16) / dh)
    {
        if (sw == dw && sh == dh) {
            kind = ScaleKind::unscaled;
        } else if (wholeFactors && dw > sw && dw % sw == 0 && dh == dw / sw * sh) {
            kind = ScaleKind::enlarge;
            n = dw / sw;
        } else if (wholeFactors && sw > dw && sw % dw == 0 && sh == sw / dw * dh && sw / dw < 16) {
            kind = ScaleKind::reduce;
            n = sw / dw;
        }
    }
    // The first source column (row) of destination column (row) p, both counted from the transfer's
    // top-left.
    int32_t Column(int32_t p) const { return Map(p, hRatio); }
    int32_t Row(int32_t p) const { return Map(p, vRatio); }

private:
    int32_t Map(int32_t p, int64_t ratio) const
    {
        switch (kind) {
        case ScaleKind::unscaled: return p;
        case ScaleKind::enlarge: return p / n;
        case ScaleKind::reduce: return p * n;
        default: return static_cast<int32_t>((p * ratio) >> 16);
        }
    }
};

} // namespace scaling_rows

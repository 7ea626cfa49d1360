// The colour-cube engines of CopyBits on 8-bit palette screens: 8, 16 and 32-bit source PixMaps become
// 8-bit rows of palette indices in the blit scratch, one band at a time, bottom-up as a DIB holds them,
// and go to the screen through the DIB transfer.
// - CopyBitsStretch: any scale, each colour dithered into the 6 x 6 x 6 cube through the screen's dither
//   tables and the 4 x 4 ordered matrix (grays along the gray ramp);
// - CopyBitsToIndexed: unscaled and undithered, 8-bit pixels through the table-to-palette map, deeper
//   ones to the nearest cube entry;
// - CopyBitsGrayReduce: an 8-bit source reduced by a whole factor to the average gray of each block.
// A scaled source is stepped in 16.16 fixed point over the whole transfer, so that a band that starts
// in mid-image reads the rows and columns the whole-image stepping reaches there.
#include "imaging.h"
#include "../quickdraw/screen_tables.h"

#include <cstring>

namespace {

constexpr uint32_t kBandScratchBytes = 0x10000;

// The 8-bit components of one source pixel.
struct Rgb {
    uint8_t r, g, b;
};

// A 5-bit component widened to 8 bits: 31 becomes 251.
uint8_t Widen5(uint32_t c) { return static_cast<uint8_t>((c << 3) + ((c >> 2) & 3)); }

// Pixel x of a Macintosh row: an index into the source's colours, a 5-5-5 word or a 0x00RRGGBB long, in
// the host's byte order.
Rgb PixelAt(const uint8_t *row, int depth, int32_t x, const RGBQUAD *quads)
{
    if (depth == 8) {
        const RGBQUAD &q = quads[row[x]];
        return {q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    if (depth == 16) {
        const uint32_t w = row[2 * x] | (row[2 * x + 1] << 8);
        return {Widen5((w >> 10) & 31), Widen5((w >> 5) & 31), Widen5(w & 31)};
    }
    const uint8_t *p = row + 4 * x;
    return {p[2], p[1], p[0]};
}

// A contribution of one table: the high one when the dither value is below the entry's threshold.
uint8_t Contribution(const DitherEntry &e, uint8_t d) { return d < e.fraction ? e.high : e.low; }

// The cube index of a colour at dither value d; a gray takes the gray ramp only.
uint8_t DitheredIndex(const DitherTables &t, Rgb c, uint8_t d)
{
    if (c.r == c.g && c.g == c.b)
        return Contribution(t.gray[c.r], d);
    return static_cast<uint8_t>(Contribution(t.red[c.r], d) + Contribution(t.green[c.g], d) +
                                Contribution(t.blue[c.b], d));
}

uint8_t NearestIndex(const DitherTables &t, Rgb c)
{
    if (c.r == c.g && c.g == c.b)
        return t.gray[c.r].nearest;
    return static_cast<uint8_t>(t.red[c.r].nearest + t.green[c.g].nearest + t.blue[c.b].nearest);
}

// The ordered-dither value at a destination pixel: the matrix repeats every 4 pixels both ways.
uint8_t DitherAt(const DitherTables &t, int32_t x, int32_t y) { return t.matrix[y & 3][x & 3]; }

int32_t Width(const Rect &r) { return r.right - r.left; }
int32_t Height(const Rect &r) { return r.bottom - r.top; }

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
int32_t Clamp(int64_t v, int32_t extent)
{
    return v < 0 ? 0 : v >= extent ? extent - 1 : static_cast<int32_t>(v);
}

// The blit scratch for a band of width x height 8-bit rows (stride bytes each); nil when it cannot grow.
uint8_t *BandScratch(int32_t width, int32_t height, int32_t *stride)
{
    *stride = (width + 3) & ~3;
    const int64_t bytes = static_cast<int64_t>(*stride) * height;
    if (bytes > 0x7FFFFFFF || !GrowBlitScratch(static_cast<uint32_t>(bytes > kBandScratchBytes ? bytes : kBandScratchBytes)))
        return nullptr;
    return static_cast<uint8_t *>(ScreenScratchBuffer());
}

// The rows are the blit's: the header and colour usage follow (palette indices, the gray ramp's with
// `grays`).
uint32_t FinishBand(PixMap *src, uint8_t *rows, int flags, bool grays, int32_t width, int32_t height)
{
    CurrentBlitParams().bits = rows;
    return MakeEightBitBandBitmap(src, flags | prepareBands, grays ? 1 : 0, width, height) ? 1 : 0;
}

enum class ScaleKind { unscaled, enlarge, reduce, general };

// The kind of a scaled transfer from its whole extents: whole factors only for the enlarge and reduce
// loops (a truncated ratio would let an enlarged last row read past the source), and the box average
// only for n x n below 256.
ScaleKind KindOfScale(int32_t sw, int32_t sh, int32_t dw, int32_t dh, int depth, int32_t *n)
{
    if (sw == dw && sh == dh)
        return ScaleKind::unscaled;
    if (depth != 8 && dw > sw && dw % sw == 0 && dh == dw / sw * sh) {
        *n = dw / sw;
        return ScaleKind::enlarge;
    }
    if (depth != 8 && sw > dw && sw % dw == 0 && sh == sw / dw * dh && sw / dw < 16) {
        *n = sw / dw;
        return ScaleKind::reduce;
    }
    return ScaleKind::general;
}

} // namespace

uint32_t CopyBitsStretch(PixMap *src, const Rect *bandSrc, const Rect *bandDst, const Rect *fullSrc,
                         const Rect *fullDst, int flags)
{
    const DitherTables *tables = ScreenDitherTables();
    SourceRows rows;
    if (!src || !bandSrc || !bandDst || !fullSrc || !fullDst || !tables || tables->reducedFourBit || !rows.Open(src))
        return 0;
    const int32_t sw = Width(*fullSrc), sh = Height(*fullSrc), dw = Width(*fullDst), dh = Height(*fullDst);
    const int32_t bw = Width(*bandDst), bh = Height(*bandDst);
    if (sw < 1 || sh < 1 || dw < 1 || dh < 1 || bw < 1 || bh < 1 || Width(*bandSrc) < 1 || Height(*bandSrc) < 1)
        return 0;
    RGBQUAD quads[256];
    if (rows.depth == 8)
        CopyCTabToQuads(src->pmTable, quads);
    int32_t n = 1;
    const ScaleKind kind = KindOfScale(sw, sh, dw, dh, rows.depth, &n);
    // Where the band lies in the whole transfer, and the whole source in the bounds.
    const int32_t bandX = bandDst->left - fullDst->left, bandY = bandDst->top - fullDst->top;
    const int32_t srcX = fullSrc->left - src->bounds.left, srcY = fullSrc->top - src->bounds.top;
    // The source pixel under whole-transfer destination position p (16.16 stepping by the ratio).
    const int64_t hRatio = (static_cast<int64_t>(sw) << 16) / dw, vRatio = (static_cast<int64_t>(sh) << 16) / dh;
    auto sourceColumn = [&](int32_t p) -> int32_t {
        switch (kind) {
        case ScaleKind::unscaled: return p;
        case ScaleKind::enlarge: return p / n;
        case ScaleKind::reduce: return p * n;
        default: return static_cast<int32_t>((p * hRatio) >> 16);
        }
    };
    auto sourceRow = [&](int32_t p) -> int32_t {
        switch (kind) {
        case ScaleKind::unscaled: return p;
        case ScaleKind::enlarge: return p / n;
        case ScaleKind::reduce: return p * n;
        default: return static_cast<int32_t>((p * vRatio) >> 16);
        }
    };

    // The source columns the band reads, inside the bounds.
    const int32_t firstColumn = Clamp(srcX + sourceColumn(bandX), rows.width);
    const int32_t lastColumn = Clamp(srcX + sourceColumn(bandX + bw - 1) + (kind == ScaleKind::reduce ? n - 1 : 0), rows.width);
    const int32_t count = lastColumn - firstColumn + 1;
    // The pixel scratch holds one source row for the row reader, then for a box average three sums for
    // each destination pixel.
    const uint32_t rowBytes = rows.Bytes(count);
    const uint32_t sumsBytes = kind == ScaleKind::reduce ? static_cast<uint32_t>(bw) * 3u * 4u : 0;
    int32_t stride = 0;
    if (!GrowPixelScratch(rowBytes + sumsBytes))
        return 0;
    uint8_t *out = BandScratch(bw, bh, &stride);
    if (!out)
        return 0;
    uint32_t *sums = reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(PixelScratch()) + rowBytes);

    for (int32_t y = 0; y < bh; ++y) {
        uint8_t *line = out + static_cast<int64_t>(bh - 1 - y) * stride;
        const int32_t dy = bandDst->top + y;
        const int32_t top = srcY + sourceRow(bandY + y);
        if (kind == ScaleKind::reduce) {
            std::memset(sums, 0, sumsBytes);
            for (int32_t k = 0; k < n && top + k < rows.height; ++k) {
                const uint8_t *row = rows.Row(Clamp(top + k, rows.height), firstColumn, count);
                if (!row)
                    return 0;
                for (int32_t x = 0; x < bw; ++x) {
                    const int32_t left = srcX + sourceColumn(bandX + x) - firstColumn;
                    for (int32_t i = 0; i < n && left + i < count; ++i) {
                        const Rgb c = PixelAt(row, rows.depth, left + i, quads);
                        sums[3 * x] += c.r;
                        sums[3 * x + 1] += c.g;
                        sums[3 * x + 2] += c.b;
                    }
                }
            }
            const uint32_t area = static_cast<uint32_t>(n * n);
            for (int32_t x = 0; x < bw; ++x) {
                const Rgb c = {static_cast<uint8_t>(sums[3 * x] / area), static_cast<uint8_t>(sums[3 * x + 1] / area),
                               static_cast<uint8_t>(sums[3 * x + 2] / area)};
                line[x] = DitheredIndex(*tables, c, DitherAt(*tables, bandDst->left + x, dy));
            }
            continue;
        }
        const uint8_t *row = rows.Row(Clamp(top, rows.height), firstColumn, count);
        if (!row)
            return 0;
        for (int32_t x = 0; x < bw; ++x) {
            const int32_t column = Clamp(srcX + sourceColumn(bandX + x), rows.width) - firstColumn;
            const Rgb c = PixelAt(row, rows.depth, column < count ? column : count - 1, quads);
            line[x] = DitheredIndex(*tables, c, DitherAt(*tables, bandDst->left + x, dy));
        }
    }
    return FinishBand(src, out, flags, false, bw, bh);
}

uint32_t CopyBitsToIndexed(PixMap *src, const Rect *bandSrc, int flags)
{
    const DitherTables *tables = ScreenDitherTables();
    SourceRows rows;
    if (!src || !bandSrc || !tables || tables->reducedFourBit || !rows.Open(src))
        return 0;
    Rect r = *bandSrc;
    const int32_t left = r.left - src->bounds.left, top = r.top - src->bounds.top;
    const int32_t w = Width(r), h = Height(r);
    if (w < 1 || h < 1 || left < 0 || top < 0 || left + w > rows.width || top + h > rows.height)
        return 0;
    // 8-bit pixels through the map of the source's table onto the palette; its flags tell the DIB
    // header how the indices read.
    uint8_t map[256];
    if (rows.depth == 8)
        src->pmExtFlags = static_cast<uint16_t>(src->pmExtFlags | BuildCTabIndexMap(src->pmTable, map));
    else if (!LibraryPalette())
        return 0;
    int32_t stride = 0;
    if (!GrowPixelScratch(rows.Bytes(w)))
        return 0;
    uint8_t *out = BandScratch(w, h, &stride);
    if (!out)
        return 0;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t *row = rows.Row(top + y, left, w);
        if (!row)
            return 0;
        uint8_t *line = out + static_cast<int64_t>(h - 1 - y) * stride;
        if (rows.depth == 8) {
            for (int32_t x = 0; x < w; ++x)
                line[x] = map[row[x]];
        } else {
            for (int32_t x = 0; x < w; ++x)
                line[x] = NearestIndex(*tables, PixelAt(row, rows.depth, x, nullptr));
        }
    }
    return FinishBand(src, out, flags, false, w, h);
}

uint32_t CopyBitsGrayReduce(PixMap *src, const Rect *bandSrc, const Rect *bandDst, int flags)
{
    SourceRows rows;
    if (!src || !bandSrc || !bandDst || !rows.Open(src) || rows.depth != 8)
        return 0;
    const int32_t sw = Width(*bandSrc), sh = Height(*bandSrc), dw = Width(*bandDst), dh = Height(*bandDst);
    // Whole factors only: every destination pixel is the average of one n x n block.
    if (dw < 1 || dh < 1 || sw < dw || sw % dw != 0 || sh != sw / dw * dh)
        return 0;
    const int32_t n = sw / dw;
    const int32_t left = bandSrc->left - src->bounds.left, top = bandSrc->top - src->bounds.top;
    if (left < 0 || top < 0 || left + sw > rows.width || top + sh > rows.height)
        return 0;
    uint8_t gray[256];
    CTabToGrayBytes(src->pmTable, gray);
    const uint32_t rowBytes = rows.Bytes(sw);
    const uint64_t sumsBytes = static_cast<uint64_t>(dw) * 4u;
    int32_t stride = 0;
    if (rowBytes + sumsBytes > 0x7FFFFFFF || !GrowPixelScratch(static_cast<uint32_t>(rowBytes + sumsBytes)))
        return 0;
    uint8_t *out = BandScratch(dw, dh, &stride);
    if (!out)
        return 0;
    uint32_t *sums = reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(PixelScratch()) + rowBytes);
    const uint32_t area = static_cast<uint32_t>(n) * static_cast<uint32_t>(n);
    for (int32_t y = 0; y < dh; ++y) {
        std::memset(sums, 0, static_cast<size_t>(sumsBytes));
        for (int32_t k = 0; k < n; ++k) {
            const uint8_t *row = rows.Row(top + y * n + k, left, sw);
            if (!row)
                return 0;
            for (int32_t x = 0; x < sw; ++x)
                sums[x / n] += gray[row[x]];
        }
        uint8_t *line = out + static_cast<int64_t>(dh - 1 - y) * stride;
        for (int32_t x = 0; x < dw; ++x)
            line[x] = static_cast<uint8_t>(sums[x] / area);
    }
    return FinishBand(src, out, flags, true, dw, dh);
}

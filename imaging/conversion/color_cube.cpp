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
#include "scaling_rows.h"

#include <cstring>

using namespace scaling_rows;

namespace {

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
    const ScaleMap scale(sw, sh, dw, dh, rows.depth != 8);
    const ScaleKind kind = scale.kind;
    const int32_t n = scale.n;
    // Where the band lies in the whole transfer, and the whole source in the bounds.
    const int32_t bandX = bandDst->left - fullDst->left, bandY = bandDst->top - fullDst->top;
    const int32_t srcX = fullSrc->left - src->bounds.left, srcY = fullSrc->top - src->bounds.top;
    auto sourceColumn = [&](int32_t p) { return scale.Column(p); };
    auto sourceRow = [&](int32_t p) { return scale.Row(p); };

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

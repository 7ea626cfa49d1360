// The dithering scaler of 4-bit screens in the palette's gray-index mode: 8, 16 and 32-bit sources go out
// as gray levels over the screen's 16 palette entries, in 8-bit bottom-up rows of the blit scratch.
// - CopyBitsScaleCore: one band of a transfer at destination size, each gray level dithered between its
//   two nearest entries by the 2 x 2 ordered matrix;
// - PaletteIndexRows: a whole rectangle at its own size, each gray level its nearest entry, for GDI to
//   stretch.
// Gray levels: an 8-bit pixel's table entry's green high byte, a 32-bit pixel's green byte, a 16-bit
// pixel's green field g as g x 33 / 4.
#include "imaging.h"
#include "scaling_rows.h"

#include <cstring>

using namespace scaling_rows;

namespace {

// The gray level of pixel x of a Macintosh row.
uint8_t GrayAt(const uint8_t *row, int depth, int32_t x, const uint8_t *grays)
{
    if (depth == 8)
        return grays[row[x]];
    if (depth == 16) {
        const uint32_t w = row[2 * x] | (row[2 * x + 1] << 8);
        return static_cast<uint8_t>(((w >> 5) & 31) * 33 / 4);
    }
    return row[4 * x + 1];
}

// The entry of a gray level at a destination pixel: the low one while the threshold is at most the
// matrix value there.
uint8_t Dithered(const DitherTables &t, uint8_t level, int32_t x, int32_t y)
{
    const DitherEntry &e = t.gray[level];
    return e.fraction <= t.matrix[y & 1][x & 1] ? e.low : e.high;
}

// The tables of a 4-bit screen in the gray-index mode; nil on any other screen.
const DitherTables *FourBitTables()
{
    const DitherTables *t = ScreenDitherTables();
    return t && t->reducedFourBit ? t : nullptr;
}

} // namespace

uint32_t CopyBitsScaleCore(PixMap *src, const Rect *bandSrc, const Rect *bandDst, const Rect *fullSrc,
                           const Rect *fullDst, int flags)
{
    const DitherTables *tables = FourBitTables();
    SourceRows rows;
    if (!src || !bandSrc || !bandDst || !fullSrc || !fullDst || !tables || !rows.Open(src))
        return 0;
    const int32_t sw = Width(*fullSrc), sh = Height(*fullSrc), dw = Width(*fullDst), dh = Height(*fullDst);
    const int32_t bw = Width(*bandDst), bh = Height(*bandDst);
    if (sw < 1 || sh < 1 || dw < 1 || dh < 1 || bw < 1 || bh < 1 || Width(*bandSrc) < 1 || Height(*bandSrc) < 1)
        return 0;
    uint8_t grays[256];
    if (rows.depth == 8)
        CTabToGrayBytes(src->pmTable, grays);
    const ScaleMap scale(sw, sh, dw, dh, true);
    const bool reduce = scale.kind == ScaleKind::reduce;
    const int32_t n = scale.n;
    const int32_t bandX = bandDst->left - fullDst->left, bandY = bandDst->top - fullDst->top;
    const int32_t srcX = fullSrc->left - src->bounds.left, srcY = fullSrc->top - src->bounds.top;
    const int32_t firstColumn = Clamp(srcX + scale.Column(bandX), rows.width);
    const int32_t lastColumn = Clamp(srcX + scale.Column(bandX + bw - 1) + (reduce ? n - 1 : 0), rows.width);
    const int32_t count = lastColumn - firstColumn + 1;
    // The pixel scratch holds one source row for the row reader, then a shrink's sum for each
    // destination pixel.
    const uint32_t rowBytes = rows.Bytes(count);
    const uint32_t sumsBytes = reduce ? static_cast<uint32_t>(bw) * 4u : 0;
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
        const int32_t top = srcY + scale.Row(bandY + y);
        if (reduce) {
            std::memset(sums, 0, sumsBytes);
            for (int32_t k = 0; k < n && top + k < rows.height; ++k) {
                const uint8_t *row = rows.Row(Clamp(top + k, rows.height), firstColumn, count);
                if (!row)
                    return 0;
                for (int32_t x = 0; x < bw; ++x) {
                    const int32_t left = srcX + scale.Column(bandX + x) - firstColumn;
                    for (int32_t i = 0; i < n && left + i < count; ++i)
                        sums[x] += GrayAt(row, rows.depth, left + i, grays);
                }
            }
            const uint32_t area = static_cast<uint32_t>(n * n);
            for (int32_t x = 0; x < bw; ++x)
                line[x] = Dithered(*tables, static_cast<uint8_t>(sums[x] / area), bandDst->left + x, dy);
            continue;
        }
        const uint8_t *row = rows.Row(Clamp(top, rows.height), firstColumn, count);
        if (!row)
            return 0;
        for (int32_t x = 0; x < bw; ++x) {
            const int32_t column = Clamp(srcX + scale.Column(bandX + x), rows.width) - firstColumn;
            line[x] = Dithered(*tables, GrayAt(row, rows.depth, column < count ? column : count - 1, grays),
                               bandDst->left + x, dy);
        }
    }
    return FinishBand(src, out, flags, false, bw, bh);
}

uint32_t PaletteIndexRows(PixMap *src, Rect *rect, int flags)
{
    const DitherTables *tables = FourBitTables();
    SourceRows rows;
    if (!src || !rect || !tables || !rows.Open(src))
        return 0;
    const int32_t left = rect->left - src->bounds.left, top = rect->top - src->bounds.top;
    const int32_t w = Width(*rect), h = Height(*rect);
    if (w < 1 || h < 1 || left < 0 || top < 0 || left + w > rows.width || top + h > rows.height)
        return 0;
    // Deep pixels take their gray level only when the library's palette is there to show it.
    if (rows.depth > 8 && !LibraryPalette())
        return 0;
    uint8_t grays[256];
    if (rows.depth == 8)
        CTabToGrayBytes(src->pmTable, grays);
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
        for (int32_t x = 0; x < w; ++x)
            line[x] = tables->gray[GrayAt(row, rows.depth, x, grays)].nearest;
    }
    *rect = {0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
    return FinishBand(src, out, flags, false, w, h);
}

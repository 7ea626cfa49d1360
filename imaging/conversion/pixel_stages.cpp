// The stages of the pixel conversion engine: per-row procedures that turn pixel values into colours and
// back, resample a row, combine it with the destination by transfer mode, colourise, dither and store it
// through a mask. The engine picks one member of each kind per conversion through the selectors at the
// end of this file; several keys share a member where the work does not differ.
#include "pixel_engine.h"

#include <algorithm>
#include <cstring>

namespace {

PixelEngineState sState;

// ---- Reading and writing pixels ----

inline uint32_t ReadPixel(const uint8_t *row, int32_t x, int depth)
{
    switch (depth) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 2: return (row[x >> 2] >> (6 - 2 * (x & 3))) & 3;
    case 4: return (row[x >> 1] >> (4 - 4 * (x & 1))) & 15;
    case 8: return row[x];
    case 16: {
        const uint8_t *p = row + 2 * x;
        return static_cast<uint32_t>(p[0] | p[1] << 8);
    }
    case 24: {
        const uint8_t *p = row + 3 * x;
        return static_cast<uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
    }
    default: {
        uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        return v & 0xFFFFFF;
    }
    }
}

inline void WritePixel(uint8_t *row, int32_t x, int depth, uint32_t v)
{
    switch (depth) {
    case 1: {
        const int shift = 7 - (x & 7);
        uint8_t &b = row[x >> 3];
        b = static_cast<uint8_t>((b & ~(1 << shift)) | (v & 1) << shift);
        break;
    }
    case 2: {
        const int shift = 6 - 2 * (x & 3);
        uint8_t &b = row[x >> 2];
        b = static_cast<uint8_t>((b & ~(3 << shift)) | (v & 3) << shift);
        break;
    }
    case 4: {
        const int shift = 4 - 4 * (x & 1);
        uint8_t &b = row[x >> 1];
        b = static_cast<uint8_t>((b & ~(15 << shift)) | (v & 15) << shift);
        break;
    }
    case 8: row[x] = static_cast<uint8_t>(v); break;
    case 16: {
        uint8_t *p = row + 2 * x;
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        break;
    }
    case 24: {
        uint8_t *p = row + 3 * x;
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
        break;
    }
    default: {
        const uint32_t w = v & 0xFFFFFF;
        std::memcpy(row + 4 * x, &w, 4);
        break;
    }
    }
}

// The mask says inside for destination column j of the current row.
inline bool MaskInside(int32_t j)
{
    const int32_t m = sState.maskColumns[j];
    const int bit = (sState.maskRow[m >> 3] >> (7 - (m & 7))) & 1;
    return sState.maskIsBitMap ? bit == 1 : bit == 0;
}

inline uint8_t Clamp255(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// ---- Pixel values to colours ----

inline RgbTriple DirectToRgb(uint32_t p, int depth)
{
    if (depth == 16) {
        const int r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
        return RgbTriple{static_cast<uint8_t>(r << 3 | r >> 2), static_cast<uint8_t>(g << 3 | g >> 2),
                         static_cast<uint8_t>(b << 3 | b >> 2)};
    }
    return RgbTriple{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
}

template <int Depth, bool Resize, bool Colorize> void PVToRGB(void *out, const void *in)
{
    const uint32_t *v = static_cast<const uint32_t *>(in);
    RgbTriple *o = static_cast<RgbTriple *>(out);
    const int32_t n = sState.stageCount;
    const int32_t *columns = sState.columns;
    const RgbTriple *table = sState.stageColors;
    for (int32_t j = 0; j < n; ++j) {
        const uint32_t p = Resize ? v[columns[j]] : v[j];
        if (Depth <= 8) {
            o[j] = Colorize && sState.colorizeValid[p] ? sState.colorizeRgb[p] : table[p];
        } else {
            o[j] = DirectToRgb(p, Depth);
        }
    }
}

// ---- Colours to pixel values ----

inline uint32_t RgbToDirect(const RgbTriple &c, int depth)
{
    if (depth == 16)
        return static_cast<uint32_t>((c.r & 0xF8) << 7 | (c.g & 0xF8) << 2 | c.b >> 3);
    return static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b);
}

template <int Depth> void RGBToPV(void *out, const void *in)
{
    const RgbTriple *c = static_cast<const RgbTriple *>(in);
    uint32_t *o = static_cast<uint32_t *>(out);
    const int32_t n = sState.stageCount;
    if (Depth > 8) {
        for (int32_t j = 0; j < n; ++j)
            o[j] = RgbToDirect(c[j], Depth);
        return;
    }
    const uint32_t mask = DepthMask(Depth);
    if (!sState.search && sState.inverse) {
        const uint8_t *inverse = sState.inverse;
        for (int32_t j = 0; j < n; ++j)
            o[j] = inverse[InverseCell(c[j])] & mask;
        return;
    }
    for (int32_t j = 0; j < n; ++j)
        o[j] = NearestDestinationValue(c[j]) & mask;
}

// The direct-store variant: the colours go straight into the destination row.
template <int Depth> void RGBToPVStore(void *out, const void *in)
{
    const RgbTriple *c = static_cast<const RgbTriple *>(in);
    uint8_t *row = static_cast<uint8_t *>(out);
    const int32_t n = sState.stageCount, x = sState.dstX;
    if (Depth == 32) {
        uint32_t *p = reinterpret_cast<uint32_t *>(row) + x;
        for (int32_t j = 0; j < n; ++j)
            p[j] = static_cast<uint32_t>(c[j].r << 16 | c[j].g << 8 | c[j].b);
        return;
    }
    if (Depth == 8) {
        const uint8_t *inverse = sState.inverse;
        for (int32_t j = 0; j < n; ++j)
            row[x + j] = static_cast<uint8_t>(!sState.search && inverse ? inverse[InverseCell(c[j])]
                                                                         : NearestDestinationValue(c[j]));
        return;
    }
    for (int32_t j = 0; j < n; ++j)
        WritePixel(row, x + j, Depth, RgbToDirect(c[j], Depth));
}

// ---- Resampling and expansion ----

void ResizePV(void *out, const void *in)
{
    const uint32_t *v = static_cast<const uint32_t *>(in);
    uint32_t *o = static_cast<uint32_t *>(out);
    const int32_t *columns = sState.columns;
    for (int32_t j = 0, n = sState.stageCount; j < n; ++j)
        o[j] = v[columns[j]];
}

void ExpandPV(void *out, const void *in)
{
    const uint32_t *v = static_cast<const uint32_t *>(in);
    uint32_t *o = static_cast<uint32_t *>(out);
    for (int32_t j = 0, n = sState.stageCount; j < n; ++j)
        o[j] = sState.expansion[v[j] & 0xFF];
}

// ---- Combining pixel values ----

template <int Mode> inline uint32_t CombineValue(uint32_t d, uint32_t s, uint32_t mask)
{
    switch (Mode) {
    case 0: return s;
    case 1: return (d | s) & mask;
    case 2: return (d ^ s) & mask;
    case 3: return d & ~s & mask;
    case 5: return (d | ~s) & mask;
    case 6: return (d ^ ~s) & mask;
    case 7: return d & s;
    default: return s == sState.transparentValue ? d : s; // 36, transparent
    }
}

template <int Mode, int Depth> void PixelValueCombine(void *out, const void *in)
{
    uint32_t *d = static_cast<uint32_t *>(out);
    const uint32_t *s = static_cast<const uint32_t *>(in);
    const uint32_t mask = DepthMask(Depth);
    for (int32_t j = 0, n = sState.stageCount; j < n; ++j)
        d[j] = CombineValue<Mode>(d[j], s[j], mask);
}

template <int Mode, int Depth> void Colorize(void *out, const void *in)
{
    uint32_t *d = static_cast<uint32_t *>(out);
    const uint32_t *s = static_cast<const uint32_t *>(in);
    const uint32_t mask = DepthMask(Depth);
    for (int32_t j = 0, n = sState.stageCount; j < n; ++j) {
        const uint32_t v = s[j] & 0xFF;
        d[j] = sState.colorizeValid[v] ? sState.colorizeMap[v] : CombineValue<Mode>(d[j], s[j], mask);
    }
}

// ---- Combining colours ----

template <int Mode> inline uint8_t CombineComponent(int d, int s, int w)
{
    switch (Mode) {
    case 0: return static_cast<uint8_t>(s);
    case 1: return static_cast<uint8_t>(d & s);
    case 2: return static_cast<uint8_t>(~(d ^ s));
    case 3: return static_cast<uint8_t>(d | ~s);
    case 4: return static_cast<uint8_t>(~s);
    case 5: return static_cast<uint8_t>(d & ~s);
    case 6: return static_cast<uint8_t>(d ^ s);
    case 7: return static_cast<uint8_t>(d | s);
    case 32: return static_cast<uint8_t>((s * w + d * (255 - w)) / 255);
    case 33: return static_cast<uint8_t>(std::min(s + d, w));
    case 34: return static_cast<uint8_t>(s + d);
    case 35: return static_cast<uint8_t>(std::max(d - s, w));
    case 37: return static_cast<uint8_t>(std::max(d, s));
    case 38: return static_cast<uint8_t>(d - s);
    default: return static_cast<uint8_t>(std::min(d, s)); // 39, adMin
    }
}

template <int Mode> void RGBCombine(void *out, const void *in)
{
    RgbTriple *d = static_cast<RgbTriple *>(out);
    const RgbTriple *s = static_cast<const RgbTriple *>(in);
    const int w = sState.opWeight;
    const RgbTriple bk = sState.background;
    for (int32_t j = 0, n = sState.stageCount; j < n; ++j) {
        if (Mode == 36) {
            if (s[j].r != bk.r || s[j].g != bk.g || s[j].b != bk.b)
                d[j] = s[j];
            continue;
        }
        d[j] = RgbTriple{CombineComponent<Mode>(d[j].r, s[j].r, w), CombineComponent<Mode>(d[j].g, s[j].g, w),
                         CombineComponent<Mode>(d[j].b, s[j].b, w)};
    }
}

// ---- Dithering ----

// Error diffusion: each cell's colour plus the error carried to it becomes the nearest destination
// entry; what that entry misses goes on, 7/16 to the next cell of the row and 3/16, 5/16, 1/16 to the
// cells below, the rows walked in alternate directions.
template <int Depth> void Dither(void *out, const void *in)
{
    uint32_t *o = static_cast<uint32_t *>(out);
    const RgbTriple *c = static_cast<const RgbTriple *>(in);
    const int32_t n = sState.stageCount;
    int16_t *here = sState.ditherThis, *next = sState.ditherNext;
    std::memset(next, 0, sizeof(int16_t) * 3 * (n + 2));
    const int dir = sState.ditherLeftToRight ? 1 : -1;
    const uint32_t mask = DepthMask(Depth);
    for (int32_t k = 0; k < n; ++k) {
        const int32_t j = dir > 0 ? k : n - 1 - k;
        int16_t *e = here + 3 * (j + 1);
        const RgbTriple want = {Clamp255(c[j].r + e[0] / 16), Clamp255(c[j].g + e[1] / 16),
                                Clamp255(c[j].b + e[2] / 16)};
        const uint32_t v = NearestDestinationValue(want) & mask;
        o[j] = v;
        const RgbTriple got = sState.dstColors[v];
        const int err[3] = {want.r - got.r, want.g - got.g, want.b - got.b};
        for (int k3 = 0; k3 < 3; ++k3) {
            here[3 * (j + 1 + dir) + k3] = static_cast<int16_t>(here[3 * (j + 1 + dir) + k3] + 7 * err[k3]);
            next[3 * (j + 1 - dir) + k3] = static_cast<int16_t>(next[3 * (j + 1 - dir) + k3] + 3 * err[k3]);
            next[3 * (j + 1) + k3] = static_cast<int16_t>(next[3 * (j + 1) + k3] + 5 * err[k3]);
            next[3 * (j + 1 + dir) + k3] = static_cast<int16_t>(next[3 * (j + 1 + dir) + k3] + err[k3]);
        }
    }
    sState.ditherThis = next;
    sState.ditherNext = here;
}

// ---- Storing through the mask ----

template <int Depth> void PixelValueMask(void *out, const void *in)
{
    uint8_t *row = static_cast<uint8_t *>(out);
    const uint32_t *v = static_cast<const uint32_t *>(in);
    const int32_t x = sState.dstX;
    for (int32_t j = 0, n = sState.stageCount; j < n; ++j)
        if (MaskInside(j))
            WritePixel(row, x + j, Depth, v[j]);
}

// The plain-copy variant, for srcCopy and patCopy: the source row stored where the mask is inside,
// without a combine stage before it.
template <int Depth> void PixelValueMaskCopy(void *out, const void *in) { PixelValueMask<Depth>(out, in); }

// ---- Selection tables ----

template <int Depth> PixelStageProc PVToRGBFor(bool resize, bool colorize)
{
    if (resize)
        return colorize ? PVToRGB<Depth, true, true> : PVToRGB<Depth, true, false>;
    return colorize ? PVToRGB<Depth, false, true> : PVToRGB<Depth, false, false>;
}

template <int Mode> PixelStageProc CombineForDepth(int depth)
{
    switch (depth) {
    case 1: return PixelValueCombine<Mode, 1>;
    case 2: return PixelValueCombine<Mode, 2>;
    case 4: return PixelValueCombine<Mode, 4>;
    case 8: return PixelValueCombine<Mode, 8>;
    default: return nullptr;
    }
}

template <int Mode> PixelStageProc ColorizeForDepth(int depth)
{
    switch (depth) {
    case 2: return Colorize<Mode, 2>;
    case 4: return Colorize<Mode, 4>;
    case 8: return Colorize<Mode, 8>;
    default: return nullptr;
    }
}

} // namespace

PixelEngineState &EngineState() { return sState; }

void UnpackPixels(const uint8_t *row, int32_t x, int32_t count, int depth, uint32_t *out)
{
    switch (depth) {
    case 8:
        for (int32_t j = 0; j < count; ++j)
            out[j] = row[x + j];
        return;
    case 32: {
        const uint8_t *p = row + 4 * x;
        for (int32_t j = 0; j < count; ++j, p += 4)
            out[j] = static_cast<uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
        return;
    }
    default:
        for (int32_t j = 0; j < count; ++j)
            out[j] = ReadPixel(row, x + j, depth);
        return;
    }
}

void PackPixels(uint8_t *row, int32_t x, int32_t count, int depth, const uint32_t *in)
{
    switch (depth) {
    case 8:
        for (int32_t j = 0; j < count; ++j)
            row[x + j] = static_cast<uint8_t>(in[j]);
        return;
    case 32: {
        uint32_t *p = reinterpret_cast<uint32_t *>(row + 4 * x);
        for (int32_t j = 0; j < count; ++j)
            p[j] = in[j] & 0xFFFFFF;
        return;
    }
    default:
        for (int32_t j = 0; j < count; ++j)
            WritePixel(row, x + j, depth, in[j]);
        return;
    }
}

// The cell of the 32 x 32 x 32 cube: each component's 8 bits, rounded by half a cell and capped, as the
// inverse tables are built.
uint32_t InverseCell(const RgbTriple &c)
{
    auto coordinate = [](int v) { return static_cast<uint32_t>(std::min(v + 4, 255) >> 3); };
    return coordinate(c.r) << 10 | coordinate(c.g) << 5 | coordinate(c.b);
}

uint32_t NearestDestinationValue(const RgbTriple &c)
{
    if (sState.search)
        return sState.search(c);
    return sState.inverse ? sState.inverse[InverseCell(c)] : 0;
}

void RowPassProc(void *out, const void *in)
{
    uint32_t *o = static_cast<uint32_t *>(out);
    const uint32_t *v = static_cast<const uint32_t *>(in);
    const uint32_t mask = DepthMask(sState.stageDepth);
    for (int32_t j = 0, n = sState.stageCount; j < n; ++j)
        o[j] = ~v[j] & mask;
}

void StorePixelValuesProc(void *out, const void *in)
{
    PackPixels(static_cast<uint8_t *>(out), sState.dstX, sState.stageCount, sState.dst.depth,
               static_cast<const uint32_t *>(in));
}

PixelStageProc SelectPVToRGBProc(int depth, bool resize, bool colorize)
{
    switch (depth) {
    case 1: return PVToRGBFor<1>(resize, colorize);
    case 2: return PVToRGBFor<2>(resize, colorize);
    case 4: return PVToRGBFor<4>(resize, colorize);
    case 8: return PVToRGBFor<8>(resize, colorize);
    // Direct pixels are never colourised: the colorize keys of 16, 24 and 32 bits share the plain members.
    case 16: return PVToRGBFor<16>(resize, false);
    case 24: return PVToRGBFor<24>(resize, false);
    case 32: return PVToRGBFor<32>(resize, false);
    default: return nullptr;
    }
}

PixelStageProc SelectRGBToPVProc(int depth, bool directStore)
{
    if (directStore) {
        switch (depth) {
        case 8: return RGBToPVStore<8>;
        case 16: return RGBToPVStore<16>;
        case 24: return RGBToPVStore<24>;
        case 32: return RGBToPVStore<32>;
        default: break; // no variant: the ordinary member
        }
    }
    switch (depth) {
    case 1: return RGBToPV<1>;
    case 2: return RGBToPV<2>;
    case 4: return RGBToPV<4>;
    case 8: return RGBToPV<8>;
    case 16: return RGBToPV<16>;
    case 24:
    case 32: return RGBToPV<32>;
    default: return nullptr;
    }
}

PixelStageProc SelectResizePVProc(int depth)
{
    switch (depth) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: return ResizePV;
    default: return nullptr;
    }
}

PixelStageProc SelectDitherProc(int depth)
{
    switch (depth) {
    case 1: return Dither<1>;
    case 2: return Dither<2>;
    case 4: return Dither<4>;
    case 8: return Dither<8>;
    default: return nullptr;
    }
}

PixelStageProc SelectPixelValueMaskProc(int depth, bool plainCopy, bool colorize)
{
    // A colourised plain copy has a colorize stage in front and stores like any other row.
    const bool copy = plainCopy && !colorize;
    switch (depth) {
    case 1: return copy ? PixelValueMaskCopy<1> : PixelValueMask<1>;
    case 2: return copy ? PixelValueMaskCopy<2> : PixelValueMask<2>;
    case 4: return copy ? PixelValueMaskCopy<4> : PixelValueMask<4>;
    case 8: return copy ? PixelValueMaskCopy<8> : PixelValueMask<8>;
    case 16: return PixelValueMask<16>;
    case 24: return PixelValueMask<24>;
    case 32: return PixelValueMask<32>;
    default: return nullptr;
    }
}

PixelStageProc SelectRGBCombineProc(int16_t mode)
{
    switch (mode >= 32 ? mode : mode & 7) {
    case 0: return RGBCombine<0>;
    case 1: return RGBCombine<1>;
    case 2: return RGBCombine<2>;
    case 3: return RGBCombine<3>;
    case 4: return RGBCombine<4>;
    case 5: return RGBCombine<5>;
    case 6: return RGBCombine<6>;
    case 7: return RGBCombine<7>;
    case 32: return RGBCombine<32>;
    case 33: return RGBCombine<33>;
    case 34: return RGBCombine<34>;
    case 35: return RGBCombine<35>;
    case 36: return RGBCombine<36>;
    case 37: return RGBCombine<37>;
    case 38: return RGBCombine<38>;
    case 39: return RGBCombine<39>;
    default: return nullptr;
    }
}

PixelStageProc SelectPixelValueCombineProc(int16_t mode, int depth)
{
    if (mode > 15 && mode != 36)
        return nullptr;
    switch (mode == 36 ? 36 : mode & 7) {
    case 0: return CombineForDepth<0>(depth);
    case 1: return CombineForDepth<1>(depth);
    case 2: return CombineForDepth<2>(depth);
    case 3: return CombineForDepth<3>(depth);
    case 5: return CombineForDepth<5>(depth);
    case 6: return CombineForDepth<6>(depth);
    case 7: return CombineForDepth<7>(depth);
    case 36: return CombineForDepth<36>(depth);
    default: return nullptr;
    }
}

PixelStageProc SelectColorizeProc(int16_t mode, int depth)
{
    if (mode > 15 && mode != 36)
        return nullptr;
    switch (mode == 36 ? 36 : mode & 7) {
    case 0: return ColorizeForDepth<0>(depth);
    case 1: return ColorizeForDepth<1>(depth);
    case 3: return ColorizeForDepth<3>(depth);
    case 5: return ColorizeForDepth<5>(depth);
    case 7: return ColorizeForDepth<7>(depth);
    case 36: return ColorizeForDepth<36>(depth);
    default: return nullptr;
    }
}

PixelStageProc SelectExpansionProc(int srcDepth, int dstDepth)
{
    return srcDepth == 1 && dstDepth == 8 ? ExpandPV : nullptr;
}

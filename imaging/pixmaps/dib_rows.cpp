// DIB measurement and the row converters from DIB rows to Macintosh rows.
#include "dib_rows.h"

#include <algorithm>
#include <cstring>

namespace {

RowConversionContext sContext;

constexpr int32_t kMaxDibSide = 32767;

// Bytes a source row of n pixels takes (without the DIB's padding to four bytes).
int32_t SourceRowBytes(int depth, int32_t n)
{
    switch (depth) {
    case 1: return (n + 7) >> 3;
    case 4: return (n + 1) >> 1;
    case 8: return n;
    case 16: return 2 * n;
    case 24: return 3 * n;
    case 32: return 4 * n;
    default: return 0;
    }
}

// ---- Reading one source pixel ----

template <int D> inline uint32_t SourceIndex(const uint8_t *s, int32_t i)
{
    if constexpr (D == 1)
        return (s[i >> 3] >> (7 - (i & 7))) & 1u;
    else if constexpr (D == 4)
        return (i & 1) ? (s[i >> 1] & 0x0Fu) : (s[i >> 1] >> 4);
    else
        return s[i];
}

// A 5-bit component widened to 8 bits so that 0 stays 0 and 31 becomes 255.
inline uint8_t Widen5(uint32_t c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); }

struct Bgr {
    uint8_t b, g, r;
};

template <int D> inline Bgr SourceColor(const RowConversionContext &c, int32_t i)
{
    const uint8_t *s = c.src;
    if constexpr (D <= 8) {
        uint32_t index = SourceIndex<D>(s, i);
        if (c.colorCount <= 0 || !c.colors)
            return Bgr{0, 0, 0};
        if (index >= static_cast<uint32_t>(c.colorCount))
            index = static_cast<uint32_t>(c.colorCount - 1);
        const RGBQUAD &q = c.colors[index];
        return Bgr{q.rgbBlue, q.rgbGreen, q.rgbRed};
    } else if constexpr (D == 16) {
        uint32_t w = s[2 * i] | (s[2 * i + 1] << 8);
        return Bgr{Widen5(w & 31), Widen5((w >> 5) & 31), Widen5((w >> 10) & 31)};
    } else if constexpr (D == 24) {
        return Bgr{s[3 * i], s[3 * i + 1], s[3 * i + 2]};
    } else {
        return Bgr{s[4 * i], s[4 * i + 1], s[4 * i + 2]};
    }
}

// ---- Indexed destinations ----

// The nearest destination entry of a direct colour, remembering the last colour asked (rows of one
// colour ask once).
class NearestCache {
public:
    explicit NearestCache(const RowConversionContext &c) : c_(c) {}
    uint8_t operator()(Bgr p)
    {
        uint32_t key = p.b | (p.g << 8) | (p.r << 16);
        if (key != last_) {
            last_ = key;
            answer_ = c_.nearest ? c_.nearest(c_.nearestTable, static_cast<uint16_t>(p.r * 257),
                                              static_cast<uint16_t>(p.g * 257), static_cast<uint16_t>(p.b * 257))
                                 : 0;
        }
        return answer_;
    }

private:
    const RowConversionContext &c_;
    uint32_t last_ = 0xFFFFFFFF;
    uint8_t answer_ = 0;
};

template <int D> inline uint8_t MacIndex(const RowConversionContext &c, int32_t i, NearestCache &nearest)
{
    if constexpr (D <= 8)
        return c.indexMap[SourceIndex<D>(c.src, i)];
    else
        return nearest(SourceColor<D>(c, i));
}

// Packs the Macintosh indices of a row B bits at a time, most significant first.
template <int D, int B> void ConvertToIndices(RowConversionContext &c)
{
    constexpr int perByte = 8 / B;
    constexpr uint32_t mask = (1u << B) - 1;
    NearestCache nearest(c);
    uint8_t *d = c.dst;
    const int32_t n = c.count;
    if constexpr (B == 8) {
        for (int32_t i = 0; i < n; ++i)
            d[i] = MacIndex<D>(c, i, nearest);
        d += n;
    } else {
        uint32_t acc = 0;
        int k = 0;
        for (int32_t i = 0; i < n; ++i) {
            acc = (acc << B) | (MacIndex<D>(c, i, nearest) & mask);
            if (++k == perByte) {
                *d++ = static_cast<uint8_t>(acc);
                acc = 0;
                k = 0;
            }
        }
        if (k)
            *d++ = static_cast<uint8_t>(acc << (B * (perByte - k)));
    }
    c.src += SourceRowBytes(D, n);
    c.dst = d;
}

template <int B> void ConvertToIndicesByDepth(RowConversionContext &c)
{
    switch (c.depth) {
    case 1: ConvertToIndices<1, B>(c); break;
    case 4: ConvertToIndices<4, B>(c); break;
    case 8: ConvertToIndices<8, B>(c); break;
    case 16: ConvertToIndices<16, B>(c); break;
    case 24: ConvertToIndices<24, B>(c); break;
    case 32: ConvertToIndices<32, B>(c); break;
    default: break;
    }
}

// ---- Direct destinations ----

template <int D, int OutBytes, typename Put> void ConvertToDirect(RowConversionContext &c, Put put)
{
    uint8_t *d = c.dst;
    const int32_t n = c.count;
    for (int32_t i = 0; i < n; ++i, d += OutBytes)
        put(d, SourceColor<D>(c, i));
    c.src += SourceRowBytes(D, n);
    c.dst = d;
}

template <int OutBytes, typename Put> void ConvertToDirectByDepth(RowConversionContext &c, Put put)
{
    switch (c.depth) {
    case 1: ConvertToDirect<1, OutBytes>(c, put); break;
    case 4: ConvertToDirect<4, OutBytes>(c, put); break;
    case 8: ConvertToDirect<8, OutBytes>(c, put); break;
    case 16: ConvertToDirect<16, OutBytes>(c, put); break;
    case 24: ConvertToDirect<24, OutBytes>(c, put); break;
    case 32: ConvertToDirect<32, OutBytes>(c, put); break;
    default: break;
    }
}

// A source row already in the destination's format.
void CopySameFormat(RowConversionContext &c, int pixelBytes)
{
    const size_t bytes = static_cast<size_t>(c.count) * pixelBytes;
    std::memcpy(c.dst, c.src, bytes);
    c.src += bytes;
    c.dst += bytes;
}

// Copies or complements `bytes`, of which the last holds `lastBits` used bits (8 when full).
void CopyBytes(bool invert, int32_t bytes, int lastBits)
{
    RowConversionContext &c = sContext;
    if (bytes <= 0)
        return;
    if (invert) {
        for (int32_t i = 0; i < bytes; ++i)
            c.dst[i] = static_cast<uint8_t>(~c.src[i]);
    } else {
        std::memcpy(c.dst, c.src, static_cast<size_t>(bytes));
    }
    if (lastBits < 8)
        c.dst[bytes - 1] &= static_cast<uint8_t>(0xFF00 >> lastBits);
    c.src += bytes;
    c.dst += bytes;
}

} // namespace

RowConversionContext &RowContext() { return sContext; }

bool DibRowBytes(int depth, int32_t width, int32_t *rowBytes)
{
    if (width < 0)
        return false;
    int64_t w = width, bytes;
    switch (depth) {
    case 1: bytes = (((w + 7) >> 3) + 3) & ~3; break;
    case 4: bytes = (((w + 1) / 2) + 3) & ~3; break;
    case 8: bytes = (w + 3) & ~3; break;
    case 16: bytes = (2 * w + 3) & ~3; break;
    case 24: bytes = (3 * w + 3) & ~3; break;
    case 32: bytes = 4 * w; break;
    default: return false;
    }
    if (bytes > INT32_MAX)
        return false;
    *rowBytes = static_cast<int32_t>(bytes);
    return true;
}

bool MacRowBytes(int depth, int32_t width, int32_t *rowBytes)
{
    if (width < 0)
        return false;
    int64_t w = width, bytes;
    switch (depth) {
    case 1: bytes = (w + 7) >> 3; break;
    case 2: bytes = (w + 3) >> 2; break;
    case 4: bytes = (w + 1) / 2; break;
    case 8: bytes = w; break;
    case 16: bytes = 2 * w; break;
    case 32: bytes = 4 * w; break;
    default: return false;
    }
    if (depth <= 8)
        bytes = (bytes + 1) & ~1;
    if (bytes > INT32_MAX)
        return false;
    *rowBytes = static_cast<int32_t>(bytes);
    return true;
}

bool GetDibGeometry(const BITMAPINFOHEADER *header, uint32_t readable, bool largeDibs, DibGeometry *out)
{
    if (!header || !out || readable < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER))
        return false;
    const BITMAPINFOHEADER &h = *header;
    const int depth = h.biBitCount;
    if (h.biPlanes != 1 || h.biWidth <= 0 || h.biWidth > kMaxDibSide || h.biHeight == 0 ||
        h.biHeight < -kMaxDibSide || h.biHeight > kMaxDibSide)
        return false;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return false;
    uint32_t maskBytes = 0;
    if (h.biCompression == BI_BITFIELDS) {
        // The masks sit right after the 40 header bytes, inside a larger header or after a plain one.
        if (readable < sizeof(BITMAPINFOHEADER) + 12)
            return false;
        uint32_t masks[3];
        std::memcpy(masks, reinterpret_cast<const uint8_t *>(header) + sizeof(BITMAPINFOHEADER), sizeof masks);
        bool standard = (depth == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) ||
                        (depth == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF);
        if (!standard)
            return false;
        if (h.biSize == sizeof(BITMAPINFOHEADER))
            maskBytes = 12;
    } else if (h.biCompression != BI_RGB) {
        return false;
    }

    DibGeometry g{};
    g.depth = depth;
    g.width = h.biWidth;
    g.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    g.bottomUp = h.biHeight > 0;
    if (!DibRowBytes(depth, g.width, &g.rowBytes))
        return false;
    const uint64_t most = uint64_t(1) << (depth < 32 ? depth : 31);
    uint64_t colors = h.biClrUsed;
    if (depth <= 8 && colors == 0)
        colors = most;
    g.colors = static_cast<int32_t>(std::min<uint64_t>(colors, most));
    const uint64_t headerBytes = uint64_t(h.biSize) + maskBytes + uint64_t(g.colors) * sizeof(RGBQUAD);
    if (headerBytes > UINT32_MAX)
        return false;
    g.headerBytes = static_cast<uint32_t>(headerBytes);
    g.imageBytes = uint64_t(g.rowBytes) * uint64_t(g.height);
    g.rowsThatFit = g.height;
    const int32_t band = static_cast<int32_t>(kDibBandBytes / static_cast<uint32_t>(g.rowBytes));
    if (band < g.height) {
        if (largeDibs)
            g.rowsThatFit = std::max<int32_t>(band, 1);
        else
            g.tooLarge = true;
    }
    *out = g;
    return true;
}

void BuildDibIndexMap(uint8_t *map, const RGBQUAD *colors, int entries)
{
    if (!map)
        return;
    const int n = std::clamp(entries, 0, 256);
    if (n == 0 || !colors) {
        std::memset(map, 0, 256);
        return;
    }
    const RGBQUAD &first = colors[0];
    const RGBQUAD &last = colors[n - 1];
    const bool macOrder = first.rgbRed == 0xFF && first.rgbGreen == 0xFF && first.rgbBlue == 0xFF &&
                          last.rgbRed == 0 && last.rgbGreen == 0 && last.rgbBlue == 0;
    for (int i = 0; i < 256; ++i) {
        int index = std::min(i, n - 1);
        map[i] = static_cast<uint8_t>(macOrder ? index : n - 1 - index);
    }
}

void RowConvertToIndexed() { ConvertToIndicesByDepth<8>(sContext); }
void RowConvertToIndexed4() { ConvertToIndicesByDepth<4>(sContext); }
void RowConvertToIndexed2() { ConvertToIndicesByDepth<2>(sContext); }
void RowConvertToIndexed1() { ConvertToIndicesByDepth<1>(sContext); }

void RowConvertToRgb555()
{
    RowConversionContext &c = sContext;
    if (c.depth == 16) {
        CopySameFormat(c, 2);
        return;
    }
    ConvertToDirectByDepth<2>(c, [](uint8_t *d, Bgr p) {
        uint16_t w = static_cast<uint16_t>(((p.r & 0xF8) << 7) | ((p.g & 0xF8) << 2) | (p.b >> 3));
        d[0] = static_cast<uint8_t>(w);
        d[1] = static_cast<uint8_t>(w >> 8);
    });
}

void RowConvertToRgb24()
{
    RowConversionContext &c = sContext;
    if (c.depth == 24) {
        CopySameFormat(c, 3);
        return;
    }
    ConvertToDirectByDepth<3>(c, [](uint8_t *d, Bgr p) {
        d[0] = p.b;
        d[1] = p.g;
        d[2] = p.r;
    });
}

void RowConvertToRgb32()
{
    RowConversionContext &c = sContext;
    if (c.depth == 32) {
        // The fourth byte of a 32-bit pixel is unused on both sides: it comes out 0.
        const int32_t n = c.count;
        for (int32_t i = 0; i < n; ++i) {
            uint32_t v;
            std::memcpy(&v, c.src + 4 * i, 4);
            v &= 0x00FFFFFF;
            std::memcpy(c.dst + 4 * i, &v, 4);
        }
        c.src += 4 * n;
        c.dst += 4 * n;
        return;
    }
    ConvertToDirectByDepth<4>(c, [](uint8_t *d, Bgr p) {
        d[0] = p.b;
        d[1] = p.g;
        d[2] = p.r;
        d[3] = 0;
    });
}

void CopyRow8() { CopyBytes(false, sContext.count, 8); }
void InvertRow8() { CopyBytes(true, sContext.count, 8); }
void CopyRow4() { CopyBytes(false, (sContext.count + 1) >> 1, (sContext.count & 1) ? 4 : 8); }
void InvertRow4() { CopyBytes(true, (sContext.count + 1) >> 1, (sContext.count & 1) ? 4 : 8); }
void CopyRow1() { CopyBytes(false, (sContext.count + 7) >> 3, (sContext.count & 7) ? (sContext.count & 7) : 8); }
void InvertRow1() { CopyBytes(true, (sContext.count + 7) >> 3, (sContext.count & 7) ? (sContext.count & 7) : 8); }

const uint8_t *CopyPlainRow(uint8_t *scratch, const uint8_t *row, uint32_t bytes, const uint8_t *lastReadable,
                            int pixelBytes)
{
    if (!row || bytes == 0)
        return row;
    if (pixelBytes < 1)
        pixelBytes = 1;
    const uintptr_t start = reinterpret_cast<uintptr_t>(row);
    const uintptr_t last = reinterpret_cast<uintptr_t>(lastReadable);
    if (last >= start && last - start >= bytes - 1)
        return row;
    if (last < start || !scratch)
        return nullptr;
    const uint32_t readable = static_cast<uint32_t>(last - start + 1);
    const uint32_t whole = readable / static_cast<uint32_t>(pixelBytes) * static_cast<uint32_t>(pixelBytes);
    if (whole == 0)
        return nullptr;
    std::memcpy(scratch, row, whole);
    const uint8_t *pixel = scratch + whole - pixelBytes;
    for (uint32_t at = whole; at < bytes; ++at)
        scratch[at] = pixel[(at - whole) % static_cast<uint32_t>(pixelBytes)];
    return scratch;
}

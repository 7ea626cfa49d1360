// PixMaps over device-dependent bitmaps, and the operations that change such bitmaps' bits: exchanging
// two pixel values (hiliting), quarter turns and mirroring. The bits are those GetBitmapBits returns:
// rows of bmWidthBytes (even) bytes, top row first, the planes of a planar bitmap one after another in
// each row. One plane of 1, 8, 16, 24 or 32 bits a pixel, or four planes of one bit (16 colours, plane k
// carrying colour bit 2^k), are handled; any other layout is left alone and reported as not done.
//
// Everything but ZEL_NewDDBPixMap works from GDI and the bits alone, so that the transforms can be driven
// on their own.
#include "imaging.h"
#include "MacMemory.h"

#include <cstdlib>
#include <malloc.h>
#include <algorithm>
#include <cstring>
#include <immintrin.h>

namespace {

enum class BitsKind { none, oneBit, eight, sixteen, twentyFour, thirtyTwo, planar };

constexpr int64_t kBandBytes = 65536;
// The largest block the transforms allocate: anything larger answers not done.
constexpr int64_t kMostBitsBytes = 0x7FFFFFFF;

BitsKind KindOf(const BitmapBitsLayout &l)
{
    if (l.width <= 0 || l.height <= 0 || l.rowBytes <= 0)
        return BitsKind::none;
    if (l.planes == 4 && l.bitsPerPixel == 1)
        return BitsKind::planar;
    if (l.planes != 1)
        return BitsKind::none;
    switch (l.bitsPerPixel) {
    case 1: return BitsKind::oneBit;
    case 8: return BitsKind::eight;
    case 16: return BitsKind::sixteen;
    case 24: return BitsKind::twentyFour;
    case 32: return BitsKind::thirtyTwo;
    default: return BitsKind::none;
    }
}

// Bytes of one row of one plane: whole 16-bit words.
int64_t PlaneRowBytes(int64_t width, int bitsPerPixel) { return (width * bitsPerPixel + 15) / 16 * 2; }

// A layout that the transforms can take, whose rows hold its pixels: false for anything else.
bool UsableLayout(const BitmapBitsLayout &l)
{
    return KindOf(l) != BitsKind::none && l.rowBytes >= PlaneRowBytes(l.width, l.bitsPerPixel) &&
           BitmapBitsBytes(l) <= kMostBitsBytes;
}

int64_t RowStride(const BitmapBitsLayout &l) { return static_cast<int64_t>(l.rowBytes) * l.planes; }

bool BitAt(const uint8_t *row, int64_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

void SetBit(uint8_t *row, int64_t x, bool on)
{
    const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
    row[x >> 3] = static_cast<uint8_t>(on ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
}

// The colour index of a planar pixel: plane k's bit is bit k of the index.
uint32_t PlanarPixel(const uint8_t *row, int64_t planeBytes, int64_t x)
{
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k)
        v |= static_cast<uint32_t>(BitAt(row + k * planeBytes, x)) << k;
    return v;
}

void SetPlanarPixel(uint8_t *row, int64_t planeBytes, int64_t x, uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        SetBit(row + k * planeBytes, x, (v >> k) & 1);
}

// Whole pixels of the one-plane layouts of at least 8 bits are moved as bytes.
int BytesPerPixel(BitsKind kind)
{
    switch (kind) {
    case BitsKind::eight: return 1;
    case BitsKind::sixteen: return 2;
    case BitsKind::twentyFour: return 3;
    case BitsKind::thirtyTwo: return 4;
    default: return 0;
    }
}

// Moves the pixel (sx, sy) of one layout to (dx, dy) of another of the same kind.
void MovePixel(BitsKind kind, const uint8_t *src, int64_t srcRowBytes, int64_t sx, int64_t sy, uint8_t *dst,
               int64_t dstRowBytes, int64_t dx, int64_t dy)
{
    if (kind == BitsKind::oneBit) {
        SetBit(dst + dy * dstRowBytes, dx, BitAt(src + sy * srcRowBytes, sx));
    } else if (kind == BitsKind::planar) {
        SetPlanarPixel(dst + dy * dstRowBytes * 4, dstRowBytes, dx, PlanarPixel(src + sy * srcRowBytes * 4, srcRowBytes, sx));
    } else {
        const int n = BytesPerPixel(kind);
        std::memcpy(dst + dy * dstRowBytes + dx * n, src + sy * srcRowBytes + sx * n, n);
    }
}

template <typename Pixel> void ExchangeWords(uint8_t *row, int64_t width, Pixel a, Pixel b, const uint8_t *mask,
                                             int64_t maskBit)
{
    Pixel *p = reinterpret_cast<Pixel *>(row);
    for (int64_t x = 0; x < width; ++x) {
        const Pixel v = p[x];
        if ((v == a || v == b) && (!mask || BitAt(mask, maskBit + x)))
            p[x] = v == a ? b : a;
    }
}

// 32-bit pixels without a mask, four at a time: a pixel equal to a or b is xored with a ^ b.
__attribute__((target("sse2"))) void ExchangeLongsSse2(uint8_t *row, int64_t width, uint32_t a, uint32_t b)
{
    const __m128i va = _mm_set1_epi32(static_cast<int>(a)), vb = _mm_set1_epi32(static_cast<int>(b));
    const __m128i flip = _mm_set1_epi32(static_cast<int>(a ^ b));
    int64_t x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i *p = reinterpret_cast<__m128i *>(row + 4 * x);
        const __m128i v0 = _mm_loadu_si128(p), v1 = _mm_loadu_si128(p + 1);
        const __m128i hit0 = _mm_or_si128(_mm_cmpeq_epi32(v0, va), _mm_cmpeq_epi32(v0, vb));
        const __m128i hit1 = _mm_or_si128(_mm_cmpeq_epi32(v1, va), _mm_cmpeq_epi32(v1, vb));
        _mm_storeu_si128(p, _mm_xor_si128(v0, _mm_and_si128(hit0, flip)));
        _mm_storeu_si128(p + 1, _mm_xor_si128(v1, _mm_and_si128(hit1, flip)));
    }
    ExchangeWords<uint32_t>(row + 4 * x, width - x, a, b, nullptr, 0);
}

// The same eight at a time, on processors with 256-bit integer vectors.
__attribute__((target("avx2"))) void ExchangeLongsAvx2(uint8_t *row, int64_t width, uint32_t a, uint32_t b)
{
    const __m256i va = _mm256_set1_epi32(static_cast<int>(a)), vb = _mm256_set1_epi32(static_cast<int>(b));
    const __m256i flip = _mm256_set1_epi32(static_cast<int>(a ^ b));
    int64_t x = 0;
    for (; x + 16 <= width; x += 16) {
        __m256i *p = reinterpret_cast<__m256i *>(row + 4 * x);
        const __m256i v0 = _mm256_loadu_si256(p), v1 = _mm256_loadu_si256(p + 1);
        const __m256i hit0 = _mm256_or_si256(_mm256_cmpeq_epi32(v0, va), _mm256_cmpeq_epi32(v0, vb));
        const __m256i hit1 = _mm256_or_si256(_mm256_cmpeq_epi32(v1, va), _mm256_cmpeq_epi32(v1, vb));
        _mm256_storeu_si256(p, _mm256_xor_si256(v0, _mm256_and_si256(hit0, flip)));
        _mm256_storeu_si256(p + 1, _mm256_xor_si256(v1, _mm256_and_si256(hit1, flip)));
    }
    ExchangeWords<uint32_t>(row + 4 * x, width - x, a, b, nullptr, 0);
}

void ExchangeLongs(uint8_t *row, int64_t width, uint32_t a, uint32_t b)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        ExchangeLongsAvx2(row, width, a, b);
    else
        ExchangeLongsSse2(row, width, a, b);
}

void ExchangeRow(BitsKind kind, uint8_t *row, int64_t planeBytes, int64_t width, uint32_t a, uint32_t b,
                 const uint8_t *mask, int64_t maskBit)
{
    switch (kind) {
    case BitsKind::oneBit:
        // Two different values of one bit are every pixel: each is complemented.
        if ((a ^ b) & 1) {
            for (int64_t x = 0; x < width; ++x)
                if (!mask || BitAt(mask, maskBit + x))
                    row[x >> 3] = static_cast<uint8_t>(row[x >> 3] ^ (0x80 >> (x & 7)));
        }
        break;
    case BitsKind::eight: ExchangeWords<uint8_t>(row, width, uint8_t(a), uint8_t(b), mask, maskBit); break;
    case BitsKind::sixteen: ExchangeWords<uint16_t>(row, width, uint16_t(a), uint16_t(b), mask, maskBit); break;
    case BitsKind::thirtyTwo:
        if (mask)
            ExchangeWords<uint32_t>(row, width, a, b, mask, maskBit);
        else
            ExchangeLongs(row, width, a, b);
        break;
    case BitsKind::twentyFour:
        for (int64_t x = 0; x < width; ++x) {
            uint8_t *p = row + 3 * x;
            const uint32_t v = p[0] | p[1] << 8 | p[2] << 16;
            if ((v == (a & 0xFFFFFF) || v == (b & 0xFFFFFF)) && (!mask || BitAt(mask, maskBit + x))) {
                const uint32_t to = v == (a & 0xFFFFFF) ? b : a;
                p[0] = static_cast<uint8_t>(to);
                p[1] = static_cast<uint8_t>(to >> 8);
                p[2] = static_cast<uint8_t>(to >> 16);
            }
        }
        break;
    case BitsKind::planar:
        for (int64_t x = 0; x < width; ++x) {
            const uint32_t v = PlanarPixel(row, planeBytes, x);
            if ((v == (a & 15) || v == (b & 15)) && (!mask || BitAt(mask, maskBit + x)))
                SetPlanarPixel(row, planeBytes, x, v == (a & 15) ? b : a);
        }
        break;
    case BitsKind::none: break;
    }
}

// The block the bits of a bitmap are read into is kept for the next read when it is no larger than a
// screen's worth, so that hiliting does not fault in fresh pages on every call.
constexpr int64_t kKeptReadBytes = 4 << 20;
uint8_t *sKeptRead;
int64_t sKeptReadSize;

// A block of the bitmap's bits, freed (or kept for the next read) when the holder goes.
struct BitsBlock {
    uint8_t *bytes = nullptr;
    bool kept = false;
    ~BitsBlock()
    {
        if (kept)
            sKeptRead = bytes;
        else
            std::free(bytes);
    }
    // A block for reading: the kept one when it is large enough (it is taken while in use).
    bool AllocateForRead(int64_t size)
    {
        if (size <= 0 || size > kMostBitsBytes)
            return false;
        if (sKeptRead && sKeptReadSize >= size) {
            bytes = sKeptRead;
            sKeptRead = nullptr;
            kept = true;
            return true;
        }
        if (size > kKeptReadBytes)
            return Allocate(size, false);
        std::free(sKeptRead);
        sKeptRead = nullptr;
        sKeptReadSize = 0;
        if (!Allocate(size, false))
            return false;
        sKeptReadSize = size;
        kept = true;
        return true;
    }
    bool Allocate(int64_t size, bool zeroed)
    {
        if (size <= 0 || size > kMostBitsBytes)
            return false;
        bytes = static_cast<uint8_t *>(zeroed ? std::calloc(static_cast<size_t>(size), 1) : std::malloc(static_cast<size_t>(size)));
        return bytes != nullptr;
    }
    uint8_t *Release()
    {
        uint8_t *b = bytes;
        bytes = nullptr;
        return b;
    }
};

// The bitmap's layout, from the record the caller read or from the bitmap itself.
bool ReadLayout(HBITMAP bitmap, const BITMAP *given, BitmapBitsLayout *layout)
{
    BITMAP record{};
    if (given)
        record = *given;
    else if (!bitmap || !GetObjectA(bitmap, sizeof record, &record))
        return false;
    layout->width = record.bmWidth;
    layout->height = record.bmHeight;
    layout->planes = record.bmPlanes;
    layout->bitsPerPixel = record.bmBitsPixel;
    // GetBitmapBits gives rows of whole 16-bit words whatever the bitmap is; a DIB section's record
    // counts its own rows of whole 32-bit words.
    const int64_t rowBytes = PlaneRowBytes(record.bmWidth, record.bmBitsPixel);
    if (record.bmWidthBytes < rowBytes)
        return false;
    layout->rowBytes = static_cast<int32_t>(rowBytes);
    return UsableLayout(*layout);
}

// Reads the bitmap's bits into a new block.
bool ReadBits(HBITMAP bitmap, const BitmapBitsLayout &layout, BitsBlock *block)
{
    const int64_t size = BitmapBitsBytes(layout);
    return block->AllocateForRead(size) && GetBitmapBits(bitmap, static_cast<LONG>(size), block->bytes) == size;
}

// The DC the transforms' bitmaps are made for: the PixMap's own when it has one, else one compatible with
// the screen.
HDC ReferenceDcFor(const PixMap *pm, bool *made)
{
    *made = false;
    if (pm && pm->pmExtDC)
        return pm->pmExtDC;
    *made = true;
    return CreateCompatibleDC(nullptr);
}

// A bitmap of the layout holding the bits: in one call below 64 KB, else band by band.
HBITMAP MakeBitmapOfBits(const PixMap *pm, const BitmapBitsLayout &layout, const uint8_t *bits)
{
    if (BitmapBitsBytes(layout) < kBandBytes)
        return CreateBitmap(layout.width, layout.height, static_cast<UINT>(layout.planes),
                            static_cast<UINT>(layout.bitsPerPixel), bits);
    return CreateBitmapInBands(pm, layout.width, layout.height, static_cast<int32_t>(RowStride(layout)),
                               static_cast<uint16_t>(layout.planes << 8 | layout.bitsPerPixel), bits);
}

// Large 32-bit bitmaps are exchanged band by band of whole rows through GetDIBits and SetDIBits, each
// band read, exchanged and written back while it is still in the cache: GetBitmapBits has no offset, so
// it would take the whole bitmap through memory three times. The route is taken only where a probe
// finds that a 32-bit DIB's rows hold exactly the bitmap's own bits both ways, pad byte included. The
// band's block starts on a cache line: the vector loads then never straddle two.
constexpr int64_t kExchangeBandBytes = 128 << 10;
HDC sBandDC;
uint8_t *sBand;
size_t sBandBytes;
enum class BandProbe { untried, usable, unusable } sBandProbe;

bool RowBandsMatchBitmapBits()
{
    if (sBandProbe == BandProbe::untried) {
        sBandProbe = BandProbe::unusable;
        const uint32_t pixels[2] = {0xA5123456u, 0x5A89ABCDu};
        uint32_t read[2] = {}, back[2] = {};
        HBITMAP probe = CreateBitmap(2, 1, 1, 32, pixels);
        BITMAPINFOHEADER h = {sizeof(BITMAPINFOHEADER), 2, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        const uint32_t written[2] = {0xC3FEDCBAu, 0x3C010203u};
        if (probe && sBandDC &&
            GetDIBits(sBandDC, probe, 0, 1, read, reinterpret_cast<BITMAPINFO *>(&h), DIB_RGB_COLORS) == 1 &&
            std::memcmp(read, pixels, sizeof pixels) == 0 &&
            SetDIBits(sBandDC, probe, 0, 1, written, reinterpret_cast<BITMAPINFO *>(&h), DIB_RGB_COLORS) == 1 &&
            GetBitmapBits(probe, sizeof back, back) == sizeof back && std::memcmp(back, written, sizeof back) == 0)
            sBandProbe = BandProbe::usable;
        if (probe)
            DeleteObject(probe);
    }
    return sBandProbe == BandProbe::usable;
}

// Exchanges a and b in a one-plane 32-bit bitmap larger than one band, band by band; false, nothing
// changed, when the route does not apply (the caller then goes through the whole bits).
bool ExchangeInRowBands(HBITMAP bitmap, const BitmapBitsLayout &layout, uint32_t a, uint32_t b)
{
    if (layout.planes != 1 || layout.bitsPerPixel != 32 || BitmapBitsBytes(layout) <= kExchangeBandBytes)
        return false;
    if (!sBandDC && sBandProbe == BandProbe::untried)
        sBandDC = CreateCompatibleDC(nullptr);
    if (!RowBandsMatchBitmapBits())
        return false;
    const int32_t bandRows = static_cast<int32_t>(std::max<int64_t>(1, kExchangeBandBytes / layout.rowBytes));
    const size_t bandBytes = static_cast<size_t>(bandRows) * static_cast<size_t>(layout.rowBytes);
    if (sBandBytes < bandBytes) {
        _aligned_free(sBand);
        sBandBytes = 0;
        if (!(sBand = static_cast<uint8_t *>(_aligned_malloc(bandBytes, 64))))
            return false;
        sBandBytes = bandBytes;
    }
    uint8_t *band = sBand;
    // Top-down rows, so that GetDIBits and SetDIBits move each band as one block; their scan lines are
    // still counted from the bitmap's last row, which the order of the bands does not matter to.
    BITMAPINFOHEADER h = {sizeof(BITMAPINFOHEADER), layout.width, -layout.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    BITMAPINFO *info = reinterpret_cast<BITMAPINFO *>(&h);
    auto exchangeBand = [&](int32_t first) {
        const int32_t rows = std::min(bandRows, layout.height - first);
        if (GetDIBits(sBandDC, bitmap, static_cast<UINT>(first), static_cast<UINT>(rows), band, info,
                      DIB_RGB_COLORS) != rows)
            return false;
        ExchangeLongs(band, static_cast<int64_t>(layout.width) * rows, a, b);
        return SetDIBits(sBandDC, bitmap, static_cast<UINT>(first), static_cast<UINT>(rows), band, info,
                         DIB_RGB_COLORS) == rows;
    };
    for (int32_t first = 0; first < layout.height; first += bandRows) {
        if (!exchangeBand(first)) {
            // The exchange undoes itself: the bands already done are exchanged back.
            for (int32_t done = 0; done < first; done += bandRows)
                exchangeBand(done);
            return false;
        }
    }
    return true;
}

} // namespace

int64_t BitmapBitsBytes(const BitmapBitsLayout &l)
{
    return static_cast<int64_t>(l.rowBytes) * l.planes * (l.height > 0 ? l.height : 0);
}

bool ExchangeBitmapBits(uint8_t *bits, const BitmapBitsLayout &layout, uint32_t a, uint32_t b,
                        const BitmapBitsMask *mask)
{
    if (!bits || !UsableLayout(layout))
        return false;
    const BitsKind kind = KindOf(layout);
    const int64_t stride = RowStride(layout);
    if (mask && (!mask->rows || mask->rowBytes <= 0 || mask->firstBit < 0 || mask->height < layout.height ||
                 mask->firstBit + static_cast<int64_t>(layout.width) > static_cast<int64_t>(mask->rowBytes) * 8))
        return false;
    for (int32_t y = 0; y < layout.height; ++y) {
        const uint8_t *maskRow = mask ? mask->rows + static_cast<int64_t>(y) * mask->rowBytes : nullptr;
        ExchangeRow(kind, bits + y * stride, layout.rowBytes, layout.width, a, b, maskRow, mask ? mask->firstBit : 0);
    }
    return true;
}

uint8_t *RotateBitmapBits(const uint8_t *bits, const BitmapBitsLayout &layout, bool clockwise,
                          BitmapBitsLayout *rotated)
{
    if (!bits || !rotated || !UsableLayout(layout))
        return nullptr;
    const BitsKind kind = KindOf(layout);
    BitmapBitsLayout out = layout;
    out.width = layout.height;
    out.height = layout.width;
    const int64_t rowBytes = PlaneRowBytes(out.width, out.bitsPerPixel);
    if (rowBytes > 0x7FFFFFFF)
        return nullptr;
    out.rowBytes = static_cast<int32_t>(rowBytes);
    BitsBlock block;
    if (!UsableLayout(out) || !block.Allocate(BitmapBitsBytes(out), true))
        return nullptr;
    const int64_t srcRowBytes = kind == BitsKind::planar ? layout.rowBytes : RowStride(layout);
    const int64_t dstRowBytes = kind == BitsKind::planar ? out.rowBytes : RowStride(out);
    // Clockwise (y downwards), source (x, y) lands at (height - 1 - y, x); counter-clockwise at
    // (y, width - 1 - x).
    for (int64_t y = 0; y < layout.height; ++y)
        for (int64_t x = 0; x < layout.width; ++x) {
            if (clockwise)
                MovePixel(kind, bits, srcRowBytes, x, y, block.bytes, dstRowBytes, layout.height - 1 - y, x);
            else
                MovePixel(kind, bits, srcRowBytes, x, y, block.bytes, dstRowBytes, y, layout.width - 1 - x);
        }
    *rotated = out;
    return block.Release();
}

uint8_t *MirrorBitmapBits(const uint8_t *bits, const BitmapBitsLayout &layout, bool vertical)
{
    if (!bits || !UsableLayout(layout))
        return nullptr;
    const BitsKind kind = KindOf(layout);
    const int64_t stride = RowStride(layout);
    BitsBlock block;
    if (!block.Allocate(BitmapBitsBytes(layout), true))
        return nullptr;
    if (vertical) {
        for (int64_t y = 0; y < layout.height; ++y)
            std::memcpy(block.bytes + y * stride, bits + (layout.height - 1 - y) * stride, static_cast<size_t>(stride));
        return block.Release();
    }
    const int64_t rowBytes = kind == BitsKind::planar ? layout.rowBytes : stride;
    for (int64_t y = 0; y < layout.height; ++y)
        for (int64_t x = 0; x < layout.width; ++x)
            MovePixel(kind, bits, rowBytes, x, y, block.bytes, rowBytes, layout.width - 1 - x, y);
    return block.Release();
}

HBITMAP CreateBitmapInBands(const PixMap *pm, int32_t width, int32_t height, int32_t rowBytes, uint16_t planesAndBits,
                            const uint8_t *bits)
{
    const UINT planes = planesAndBits >> 8, bitsPerPixel = planesAndBits & 0xFF;
    if (width <= 0 || height <= 0 || rowBytes <= 0 || !bits)
        return nullptr;
    HBITMAP whole = CreateBitmap(width, height, planes, bitsPerPixel, nullptr);
    if (!whole)
        return nullptr;
    bool madeReference = false;
    HDC reference = ReferenceDcFor(pm, &madeReference);
    HDC into = reference ? CreateCompatibleDC(reference) : nullptr;
    HDC from = into ? CreateCompatibleDC(reference) : nullptr;
    HGDIOBJ intoOld = from ? SelectObject(into, whole) : nullptr;
    bool done = intoOld != nullptr;
    const int32_t bandRows = static_cast<int32_t>(kBandBytes / rowBytes) > 0 ? static_cast<int32_t>(kBandBytes / rowBytes) : 1;
    for (int32_t top = 0; done && top < height; top += bandRows) {
        const int32_t rows = height - top < bandRows ? height - top : bandRows;
        HBITMAP band = CreateBitmap(width, rows, planes, bitsPerPixel, bits + static_cast<int64_t>(top) * rowBytes);
        HGDIOBJ fromOld = band ? SelectObject(from, band) : nullptr;
        done = fromOld && BitBlt(into, 0, top, width, rows, from, 0, 0, SRCCOPY);
        if (fromOld)
            SelectObject(from, fromOld);
        if (band)
            DeleteObject(band);
    }
    if (intoOld)
        SelectObject(into, intoOld);
    if (from)
        DeleteDC(from);
    if (into)
        DeleteDC(into);
    if (madeReference && reference)
        DeleteDC(reference);
    // A format that no DC can hold (a depth other than the display's) still takes its bits in one call.
    const int64_t size = static_cast<int64_t>(rowBytes) * height;
    if (!done && SetBitmapBits(whole, static_cast<DWORD>(size), bits) == size)
        done = true;
    if (!done) {
        DeleteObject(whole);
        return nullptr;
    }
    return whole;
}

void FreeBitmapBitsScratch()
{
    std::free(sKeptRead);
    sKeptRead = nullptr;
    sKeptReadSize = 0;
    if (sBandDC)
        DeleteDC(sBandDC);
    sBandDC = nullptr;
    _aligned_free(sBand);
    sBand = nullptr;
    sBandBytes = 0;
    sBandProbe = BandProbe::untried;
}

Boolean SwapBitmapHiliteColors(const PixMap *, HBITMAP bitmap, const BITMAP *record, uint32_t a, uint32_t b)
{
    BitmapBitsLayout layout{};
    BitsBlock block;
    if (!bitmap || !ReadLayout(bitmap, record, &layout))
        return false;
    if (ExchangeInRowBands(bitmap, layout, a, b))
        return true;
    if (!ReadBits(bitmap, layout, &block))
        return false;
    const int64_t size = BitmapBitsBytes(layout);
    return ExchangeBitmapBits(block.bytes, layout, a, b, nullptr) &&
           SetBitmapBits(bitmap, static_cast<DWORD>(size), block.bytes) == size;
}

Boolean SwapBitmapMaskedColors(const PixMap *, const BitMap *mask, const Rect *maskRect, HBITMAP bitmap,
                               const BITMAP *record, uint32_t a, uint32_t b)
{
    BitmapBitsLayout layout{};
    if (!mask || !mask->baseAddr || !bitmap || !ReadLayout(bitmap, record, &layout))
        return false;
    // The part of the mask that lies over the bitmap: it must be inside the mask's bounds, and its rows
    // must hold the mask's width.
    const Rect &bounds = mask->bounds;
    const Rect area = maskRect ? *maskRect : bounds;
    const int64_t maskRowBytes = mask->rowBytes & 0x3FFF;
    if (area.left < bounds.left || area.top < bounds.top || area.right > bounds.right || area.bottom > bounds.bottom ||
        area.right - area.left < layout.width || area.bottom - area.top < layout.height ||
        (static_cast<int64_t>(bounds.right) - bounds.left + 7) / 8 > maskRowBytes)
        return false;
    BitmapBitsMask bitsMask;
    bitsMask.rows = reinterpret_cast<const uint8_t *>(mask->baseAddr) + (area.top - bounds.top) * maskRowBytes;
    bitsMask.rowBytes = static_cast<int32_t>(maskRowBytes);
    bitsMask.firstBit = area.left - bounds.left;
    bitsMask.height = area.bottom - area.top;
    BitsBlock block;
    if (!ReadBits(bitmap, layout, &block))
        return false;
    const int64_t size = BitmapBitsBytes(layout);
    return ExchangeBitmapBits(block.bytes, layout, a, b, &bitsMask) &&
           SetBitmapBits(bitmap, static_cast<DWORD>(size), block.bytes) == size;
}

HBITMAP RotateBitmap(const PixMap *pm, int16_t angle, const BITMAP *record, HBITMAP source, HBITMAP *result)
{
    if (result)
        *result = nullptr;
    BitmapBitsLayout layout{}, rotated{};
    BitsBlock block, turned;
    if ((angle != 90 && angle != -90) || !source || !ReadLayout(source, record, &layout) ||
        !ReadBits(source, layout, &block))
        return nullptr;
    turned.bytes = RotateBitmapBits(block.bytes, layout, angle == 90, &rotated);
    HBITMAP made = turned.bytes ? MakeBitmapOfBits(pm, rotated, turned.bytes) : nullptr;
    if (result)
        *result = made;
    return made;
}

HBITMAP FlipBitmap(int16_t vertical, const PixMap *pm, const BITMAP *record, HBITMAP source, HBITMAP *result)
{
    if (result)
        *result = nullptr;
    BitmapBitsLayout layout{};
    BitsBlock block, mirrored;
    if (!source || !ReadLayout(source, record, &layout) || !ReadBits(source, layout, &block))
        return nullptr;
    mirrored.bytes = MirrorBitmapBits(block.bytes, layout, vertical != 0);
    HBITMAP made = mirrored.bytes ? MakeBitmapOfBits(pm, layout, mirrored.bytes) : nullptr;
    if (result)
        *result = made;
    return made;
}

// ---- PixMaps over a host's bitmap ----

namespace {

// The colour table of a DDB PixMap from a palette, its entries in reverse order (the bitmap's index 0 is
// the palette's last entry); false when the palette's entries cannot be read or the table not made.
bool TableFromPalette(PixMap &map, HPALETTE palette)
{
    UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
    if (count == 0)
        return false;
    if (count > 256)
        count = 256;
    struct {
        LOGPALETTE header;
        PALETTEENTRY more[255];
    } entries{};
    LOGPALETTE &log = entries.header;
    log.palVersion = 0x300;
    log.palNumEntries = static_cast<WORD>(count);
    if (GetPaletteEntries(palette, 0, count, log.palPalEntry) != count)
        return false;
    for (UINT i = 0; i < count / 2; ++i) {
        PALETTEENTRY t = log.palPalEntry[i];
        log.palPalEntry[i] = log.palPalEntry[count - 1 - i];
        log.palPalEntry[count - 1 - i] = t;
    }
    CTabHandle table = LogPaletteToCTable(map.pmTable, &log, false);
    if (!HandleHasData(table) || (*table)->ctSize != static_cast<int16_t>(count - 1))
        return false;
    map.pmTable = table;
    return true;
}

// A copy of the current device's colour table in place of the PixMap's own; false when none can be had.
bool TableFromDevice(PixMap &map)
{
    GDHandle device = GetGDevice();
    if (!HandleHasData(device) || !HandleHasData((*device)->gdPMap) || !HandleHasData((*(*device)->gdPMap)->pmTable))
        return false;
    Handle copy = reinterpret_cast<Handle>((*(*device)->gdPMap)->pmTable);
    if (HandToHand(&copy) != noErr || !HandleHasData(copy))
        return false;
    if (map.pmTable)
        DisposeHandle(reinterpret_cast<Handle>(map.pmTable));
    map.pmTable = reinterpret_cast<CTabHandle>(copy);
    return true;
}

} // namespace

ZEL_EXTERN_C PixMapHandle ZEL_CALL ZEL_NewDDBPixMap(HBITMAP bitmap, HPALETTE palette)
{
    BITMAP record{};
    if (!bitmap || GetObjectType(bitmap) != OBJ_BITMAP || !GetObjectA(bitmap, sizeof record, &record) ||
        record.bmWidth <= 0 || record.bmHeight <= 0 || record.bmWidth > 0x7FFF || record.bmHeight > 0x7FFF)
        return nullptr;
    PixMapHandle pm = NewPixMap();
    if (!pm)
        return nullptr;
    PixMap &map = **pm;
    const int depth = record.bmBitsPixel;
    int32_t rowBytes = 0;
    if (!MacRowBytes(depth, record.bmWidth, &rowBytes))
        rowBytes = static_cast<int32_t>((static_cast<int64_t>(record.bmWidth) * depth + 15) / 16 * 2);
    if (rowBytes > 0x3FFE)
        rowBytes = 0x3FFE;
    // The pixels live only in the host's bitmap, which the PixMap reads and never deletes.
    map.baseAddr = reinterpret_cast<Ptr>(0x7FFF);
    map.rowBytes = static_cast<int16_t>(rowBytes | 0x8000);
    map.bounds = {0, 0, static_cast<int16_t>(record.bmHeight), static_cast<int16_t>(record.bmWidth)};
    map.pixelSize = static_cast<int16_t>(depth);
    if (depth <= 8) {
        map.pixelType = 0;
        map.cmpCount = 1;
        map.cmpSize = static_cast<int16_t>(depth);
    } else {
        map.pixelType = 16;
        map.cmpCount = depth == 32 ? 4 : 3;
        map.cmpSize = depth == 16 ? 5 : 8;
    }
    map.pmExtFlags = pmExtBitmapCached | pmExtBitsPrepared | pmExtBorrowedBitmap;
    map.pmExtBitmap = bitmap;
    if (!(depth <= 8 && palette && TableFromPalette(map, palette)) && !TableFromDevice(map)) {
        DisposePixMap(pm);
        return nullptr;
    }
    return pm;
}

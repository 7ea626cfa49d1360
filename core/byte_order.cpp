// Byte order: the in-place primitives that turn big-endian Macintosh values into the library's
// little-endian order and back, the big-endian getters and the rectangle conversions between the
// Macintosh Rect and the Windows RECT. Every primitive works byte by byte, so data inside resources
// and fork buffers need no alignment.
#include "core.h"
#include "ByteOrder.h"

#include <climits>
#include <cstring>
#include <utility>

namespace {

inline uint8_t *Bytes(void *p) { return static_cast<uint8_t *>(p); }

// Reverses `width` bytes in place.
inline void ReverseBytes(uint8_t *p, int width)
{
    for (int i = 0, j = width - 1; i < j; ++i, --j)
        std::swap(p[i], p[j]);
}

// Reverses every `width`-byte element of the first byteCount / width elements. Elements that straddle
// a 64 KB address boundary are converted like any other.
void ReverseEach(uint8_t *p, int32_t byteCount, int width)
{
    if (!p || byteCount < width)
        return;
    int32_t n = byteCount / width;
    for (int32_t i = 0; i < n; ++i, p += width)
        ReverseBytes(p, width);
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapWORD(void *p) { ReverseBytes(Bytes(p), 2); }

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapLONG(void *p) { ReverseBytes(Bytes(p), 4); }

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapRect(void *p) { ReverseEach(Bytes(p), 8, 2); }

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapWORDS(void *p, int32_t byteCount) { ReverseEach(Bytes(p), byteCount, 2); }

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapLONGS(void *p, int32_t byteCount) { ReverseEach(Bytes(p), byteCount, 4); }

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapFLOAT(void *p) { ReverseBytes(Bytes(p), 4); }

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapFLOATS(void *p, int16_t byteCount) { ReverseEach(Bytes(p), byteCount, 4); }

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapDOUBLE(void *p) { ReverseBytes(Bytes(p), 8); }

// The library keeps extended values in the 8-byte double format, so they convert as doubles do.
ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapEXTENDED(void *p) { ReverseBytes(Bytes(p), 8); }

// The 96-bit extended format of the floating-point coprocessor.
ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwap881(void *p) { ReverseBytes(Bytes(p), 12); }

// A colour table held in memory: its own count says how long it is.
ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwapCLUT(int16_t direction, void *table)
{
    if (table)
        SwapColorTableWithin(direction, Bytes(table), UINT32_MAX);
}

// Resource-map type entry: type, references minus 1, reference list offset.
ZEL_EXTERN_C void ZEL_CALL ByteSwapResTypeEntry(void *entry)
{
    uint8_t *p = Bytes(entry);
    ReverseBytes(p, 4);
    ReverseBytes(p + 4, 2);
    ReverseBytes(p + 6, 2);
}

// Resource-map reference entry: ID, name offset, attributes with data offset, handle.
ZEL_EXTERN_C void ZEL_CALL ByteSwapResRefEntry(void *entry)
{
    uint8_t *p = Bytes(entry);
    ReverseBytes(p, 2);
    ReverseBytes(p + 2, 2);
    ReverseBytes(p + 4, 4);
    ReverseBytes(p + 8, 4);
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_GetByteSwapWORD(const void *p)
{
    const uint8_t *b = static_cast<const uint8_t *>(p);
    return static_cast<int16_t>((b[0] << 8) | b[1]);
}

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_GetByteSwapLONG(const void *p)
{
    const uint8_t *b = static_cast<const uint8_t *>(p);
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

ZEL_EXTERN_C void ZEL_CALL ZEL_GetByteSwapRect(const void *source, Rect *destination)
{
    const uint8_t *b = static_cast<const uint8_t *>(source);
    Rect r;
    r.top = ZEL_GetByteSwapWORD(b);
    r.left = ZEL_GetByteSwapWORD(b + 2);
    r.bottom = ZEL_GetByteSwapWORD(b + 4);
    r.right = ZEL_GetByteSwapWORD(b + 6);
    std::memcpy(destination, &r, sizeof r);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ConvMRtoWR(const Rect *macRect, RECT *winRect)
{
    Rect m;
    std::memcpy(&m, macRect, sizeof m);
    RECT w;
    w.left = m.left;
    w.top = m.top;
    w.right = m.right;
    w.bottom = m.bottom;
    std::memcpy(winRect, &w, sizeof w);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ConvWRtoMR(const RECT *winRect, Rect *macRect)
{
    RECT w;
    std::memcpy(&w, winRect, sizeof w);
    Rect m;
    m.top = static_cast<int16_t>(w.top);
    m.left = static_cast<int16_t>(w.left);
    m.bottom = static_cast<int16_t>(w.bottom);
    m.right = static_cast<int16_t>(w.right);
    std::memcpy(macRect, &m, sizeof m);
}

// Operations on GDI bitmaps: a copy, a PixMap's DIB for the host, quarter turns and flips of a bitmap's
// pixels, and the exchange of two colour values that hiliting uses.
#include "imaging.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

HDC ReferenceDC()
{
    HDC dc = CurrentDC();
    return dc ? dc : DefaultMemoryDC();
}

// A bitmap's pixels as a bottom-up DIB in the depth its BITMAP record maps to (1, 4, 8 or 24).
struct BitmapRows {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[256];
    } info{};
    std::vector<uint8_t> bits;
    int depth = 0, width = 0, height = 0;
    int32_t stride = 0;

    bool Read(HDC dc, HBITMAP bitmap, const BITMAP *given)
    {
        BITMAP record{};
        if (given)
            record = *given;
        else if (!GetObjectA(bitmap, sizeof record, &record))
            return false;
        const int d = record.bmPlanes == 1 ? record.bmBitsPixel : record.bmPlanes;
        depth = d == 1 || d == 4 || d == 8 ? d : d > 8 ? 24 : 8;
        width = record.bmWidth;
        height = record.bmHeight;
        if (width <= 0 || height <= 0 || !DibRowBytes(depth, width, &stride))
            return false;
        info.h.biSize = sizeof(BITMAPINFOHEADER);
        info.h.biWidth = width;
        info.h.biHeight = height;
        info.h.biPlanes = 1;
        info.h.biBitCount = static_cast<WORD>(depth);
        info.h.biCompression = BI_RGB;
        bits.assign(static_cast<size_t>(stride) * height, 0);
        return GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bits.data(), reinterpret_cast<BITMAPINFO *>(&info),
                         DIB_RGB_COLORS) == height;
    }
    bool Write(HDC dc, HBITMAP bitmap)
    {
        return SetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bits.data(), reinterpret_cast<BITMAPINFO *>(&info),
                         DIB_RGB_COLORS) == height;
    }
    uint8_t *Row(int y) { return bits.data() + static_cast<size_t>(y) * stride; }
};

uint32_t GetPixel(const uint8_t *row, int depth, int x)
{
    switch (depth) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? (row[x >> 1] & 15u) : (row[x >> 1] >> 4);
    case 8: return row[x];
    default: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    }
}

void PutPixel(uint8_t *row, int depth, int x, uint32_t v)
{
    switch (depth) {
    case 1: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>(v ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
        break;
    }
    case 4:
        row[x >> 1] = static_cast<uint8_t>((x & 1) ? ((row[x >> 1] & 0xF0) | (v & 15)) : ((row[x >> 1] & 0x0F) | (v << 4)));
        break;
    case 8: row[x] = static_cast<uint8_t>(v); break;
    default:
        row[3 * x] = static_cast<uint8_t>(v);
        row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
        row[3 * x + 2] = static_cast<uint8_t>(v >> 16);
        break;
    }
}

// The DC a PixMap's bitmap is read through: its own when it has one and a bitmap, else the current
// port's.
HDC DcForPixMap(PixMapHandle pm)
{
    if (HandleHasData(pm) && (*pm)->pmExtBitmap && (*pm)->pmExtDC)
        return (*pm)->pmExtDC;
    return ReferenceDC();
}

} // namespace

ZEL_EXTERN_C HBITMAP ZEL_CALL ZEL_CopyBM(HBITMAP bitmap)
{
    BITMAP record{};
    if (!bitmap || !GetObjectA(bitmap, sizeof record, &record) || record.bmWidth <= 0 || record.bmHeight <= 0)
        return nullptr;
    // A bitmap of the same format, whose bits are the source's.
    const uint32_t bytes = static_cast<uint32_t>(record.bmWidthBytes) * static_cast<uint32_t>(record.bmHeight);
    std::vector<uint8_t> bits(bytes);
    if (GetBitmapBits(bitmap, static_cast<LONG>(bytes), bits.data()) != static_cast<LONG>(bytes))
        return nullptr;
    HBITMAP copy = CreateBitmap(record.bmWidth, record.bmHeight, record.bmPlanes, record.bmBitsPixel, nullptr);
    if (!copy)
        return nullptr;
    if (SetBitmapBits(copy, bytes, bits.data()) != static_cast<LONG>(bytes)) {
        DeleteObject(copy);
        return nullptr;
    }
    return copy;
}

ZEL_EXTERN_C HBITMAP ZEL_CALL RotateBitsBitmap90(PixMapHandle pm, int16_t angle, const BITMAP *record, HBITMAP bitmap)
{
    if (!bitmap || (angle != 90 && angle != -90))
        return nullptr;
    HDC dc = DcForPixMap(pm);
    BitmapRows src;
    if (!src.Read(dc, bitmap, record))
        return nullptr;
    BitmapRows dst;
    dst.info = src.info;
    dst.depth = src.depth;
    dst.width = src.height;
    dst.height = src.width;
    if (!DibRowBytes(dst.depth, dst.width, &dst.stride))
        return nullptr;
    dst.info.h.biWidth = dst.width;
    dst.info.h.biHeight = dst.height;
    dst.bits.assign(static_cast<size_t>(dst.stride) * dst.height, 0);
    // y is the stored source row, x its column.
    for (int y = 0; y < src.height; ++y) {
        const uint8_t *row = src.Row(y);
        for (int x = 0; x < src.width; ++x) {
            const uint32_t v = GetPixel(row, src.depth, x);
            if (angle == -90)
                PutPixel(dst.Row(x), dst.depth, src.height - 1 - y, v);
            else
                PutPixel(dst.Row(src.width - 1 - x), dst.depth, y, v);
        }
    }
    return CreateDIBitmap(dc, &dst.info.h, CBM_INIT, dst.bits.data(), reinterpret_cast<BITMAPINFO *>(&dst.info),
                          DIB_RGB_COLORS);
}

void BuildMirrorMap(int depth, uint8_t *map)
{
    for (int b = 0; b < 256; ++b) {
        uint8_t m = 0;
        if (depth == 4) {
            m = static_cast<uint8_t>(((b & 0x0F) << 4) | (b >> 4));
        } else {
            for (int bit = 0; bit < 8; ++bit)
                if (b & (1 << bit))
                    m = static_cast<uint8_t>(m | (0x80 >> bit));
        }
        map[b] = m;
    }
}

ZEL_EXTERN_C Boolean ZEL_CALL FlipBitsBitmap(PixMapHandle pm, Boolean horizontal, const BITMAP *record, HBITMAP bitmap)
{
    if (!bitmap)
        return false;
    HDC dc = DcForPixMap(pm);
    BitmapRows rows;
    if (!rows.Read(dc, bitmap, record))
        return false;
    if (!horizontal) {
        std::vector<uint8_t> temp(static_cast<size_t>(rows.stride));
        for (int top = 0, bottom = rows.height - 1; top < bottom; ++top, --bottom) {
            std::memcpy(temp.data(), rows.Row(top), temp.size());
            std::memcpy(rows.Row(top), rows.Row(bottom), temp.size());
            std::memcpy(rows.Row(bottom), temp.data(), temp.size());
        }
        return rows.Write(dc, bitmap);
    }
    const int bitsPerRow = rows.width * rows.depth;
    uint8_t map[256];
    if (rows.depth < 8)
        BuildMirrorMap(rows.depth, map);
    std::vector<uint8_t> temp(static_cast<size_t>(rows.stride));
    for (int y = 0; y < rows.height; ++y) {
        uint8_t *row = rows.Row(y);
        std::memcpy(temp.data(), row, temp.size());
        if (rows.depth < 8 && bitsPerRow % 8 == 0) {
            // Whole bytes: reverse their order and the pixels inside each.
            const int bytes = bitsPerRow / 8;
            for (int i = 0; i < bytes; ++i)
                row[i] = map[temp[bytes - 1 - i]];
        } else {
            for (int x = 0; x < rows.width; ++x)
                PutPixel(row, rows.depth, x, GetPixel(temp.data(), rows.depth, rows.width - 1 - x));
        }
    }
    return rows.Write(dc, bitmap);
}

void BuildSwapMap(int depth, uint8_t a, uint8_t b, uint8_t *map)
{
    for (int v = 0; v < 256; ++v) {
        if (depth == 8) {
            map[v] = static_cast<uint8_t>(v == a ? b : v == b ? a : v);
        } else {
            auto swap = [&](int n) { return n == (a & 15) ? (b & 15) : n == (b & 15) ? (a & 15) : n; };
            map[v] = static_cast<uint8_t>((swap(v >> 4) << 4) | swap(v & 15));
        }
    }
}

ZEL_EXTERN_C Boolean ZEL_CALL SwapBitmapColorsMasked(HDC dc, const BitMap *mask, HBITMAP bitmap, const BITMAP *record,
                                                      uint8_t a, uint8_t b)
{
    if (!bitmap)
        return false;
    if (!dc)
        dc = ReferenceDC();
    BitmapRows rows;
    // Only 4 and 8-bit pixels are exchanged here; any other depth is left to the caller's own drawing.
    BITMAP probe{};
    if (record)
        probe = *record;
    else if (!GetObjectA(bitmap, sizeof probe, &probe))
        return false;
    const int depth = probe.bmPlanes == 1 ? probe.bmBitsPixel : probe.bmPlanes;
    if (depth != 4 && depth != 8)
        return false;
    if (!rows.Read(dc, bitmap, &probe))
        return false;
    uint8_t map[256];
    BuildSwapMap(rows.depth, a, b, map);
    const int32_t maskRowBytes = mask ? (mask->rowBytes & 0x3FFF) : 0;
    for (int y = 0; y < rows.height; ++y) {
        uint8_t *row = rows.Row(y);
        if (!mask) {
            const int bytes = (rows.width * rows.depth + 7) / 8;
            for (int i = 0; i < bytes; ++i)
                row[i] = map[row[i]];
            continue;
        }
        // Mask row k is the image's row k from the top.
        const int top = rows.height - 1 - y;
        if (top >= mask->bounds.bottom - mask->bounds.top)
            continue;
        const uint8_t *maskRow = reinterpret_cast<const uint8_t *>(mask->baseAddr) + static_cast<size_t>(top) * maskRowBytes;
        const int maskWidth = std::min<int>(rows.width, mask->bounds.right - mask->bounds.left);
        for (int x = 0; x < maskWidth; ++x) {
            if (!((maskRow[x >> 3] >> (7 - (x & 7))) & 1))
                continue;
            const uint32_t v = GetPixel(row, rows.depth, x);
            const uint32_t swapped = rows.depth == 8 ? map[v] : (map[v] & 15);
            PutPixel(row, rows.depth, x, swapped);
        }
    }
    return rows.Write(dc, bitmap);
}

ZEL_EXTERN_C Boolean ZEL_CALL SwapBitmapColors(HDC dc, HBITMAP bitmap, const BITMAP *record, uint8_t a, uint8_t b)
{
    return SwapBitmapColorsMasked(dc, nullptr, bitmap, record, a, b);
}

// BITMAPINFO blocks for GDI bitmaps, Macintosh-layout source rows of PixMaps (their own rows or their
// DIB's), colour tables from DIB colours, and two small accessors.
#include "imaging.h"

#include <algorithm>
#include <cstring>

namespace {

// The block of the outermost user, allocated on first use and freed at QuickDraw's exit; nested users
// get a block each. The nesting count tells them apart.
HLOCAL sStaticBlock;
BITMAPINFO *sStaticInfo;
int sNesting;

constexpr LONG kPixelsPerMeter = 2800;

BITMAPINFO *StaticInfo()
{
    if (!sStaticInfo) {
        sStaticBlock = AllocLocalBlock(LMEM_MOVEABLE | LMEM_ZEROINIT, kBitmapInfoBytes);
        sStaticInfo = sStaticBlock ? static_cast<BITMAPINFO *>(LockLocalBlock(sStaticBlock)) : nullptr;
        if (!sStaticInfo && sStaticBlock)
            sStaticBlock = FreeLocalBlock(sStaticBlock);
    }
    return sStaticInfo;
}

// The depth a DIB describes a bitmap of `planes` planes of `bitsPixel` bits with.
int DibDepthOfBitmap(int planes, int bitsPixel)
{
    int depth = planes == 1 ? bitsPixel : planes;
    if (depth == 1 || depth == 4 || depth == 8)
        return depth;
    return depth > 8 ? 24 : 8;
}

HDC ReferenceDC()
{
    HDC dc = CurrentDC();
    return dc ? dc : DefaultMemoryDC();
}

} // namespace

ZEL_EXTERN_C int16_t ZEL_CALL AcquireBitmapInfo(HBITMAP bitmap, const BITMAP *record, HLOCAL *block,
                                                BITMAPINFO **info)
{
    if (block)
        *block = nullptr;
    if (info)
        *info = nullptr;
    if (!block || !info || !ScreenProbeFlag(probeDiBitmap))
        return 0;
    HLOCAL handle = nullptr;
    BITMAPINFO *bi = nullptr;
    if (sNesting == 0) {
        bi = StaticInfo();
        handle = sStaticBlock;
    } else {
        handle = AllocLocalBlock(LMEM_MOVEABLE | LMEM_ZEROINIT, kBitmapInfoBytes);
        bi = handle ? static_cast<BITMAPINFO *>(LockLocalBlock(handle)) : nullptr;
        if (!bi && handle)
            handle = FreeLocalBlock(handle);
    }
    if (!bi)
        return 0;
    ++sNesting;
    std::memset(bi, 0, kBitmapInfoBytes);
    BITMAPINFOHEADER &h = bi->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biPlanes = 1;
    h.biCompression = BI_RGB;
    h.biXPelsPerMeter = h.biYPelsPerMeter = kPixelsPerMeter;
    if (record) {
        h.biWidth = record->bmWidth;
        h.biHeight = record->bmHeight;
        h.biBitCount = static_cast<WORD>(DibDepthOfBitmap(record->bmPlanes, record->bmBitsPixel));
        h.biClrUsed = h.biBitCount == 1 ? 2 : h.biBitCount == 4 ? 16 : 256;
    }
    if (bitmap) {
        HDC dc = ReferenceDC();
        // Without a record the bitmap describes itself; a format with mask words reports them only on
        // a second call.
        GetDIBits(dc, bitmap, 0, 0, nullptr, bi, DIB_RGB_COLORS);
        if (!record && h.biCompression == BI_BITFIELDS)
            GetDIBits(dc, bitmap, 0, 0, nullptr, bi, DIB_RGB_COLORS);
    }
    *block = handle;
    *info = bi;
    return 1;
}

ZEL_EXTERN_C void ZEL_CALL ReleaseBitmapInfo(HLOCAL block)
{
    if (!block)
        return;
    if (sNesting > 0)
        --sNesting;
    if (block != sStaticBlock) {
        UnlockLocalBlock(block);
        FreeLocalBlock(block);
    }
}

void FreeStaticBitmapInfo()
{
    if (sStaticBlock) {
        UnlockLocalBlock(sStaticBlock);
        FreeLocalBlock(sStaticBlock);
    }
    sStaticBlock = nullptr;
    sStaticInfo = nullptr;
    sNesting = 0;
}

ZEL_EXTERN_C const uint8_t *ZEL_CALL FetchSourceRow(const PixMap *pm, const uint8_t *row, uint32_t bytes,
                                                     const uint8_t *lastReadable)
{
    if (!pm || !row || bytes == 0)
        return nullptr;
    const int pixelSize = pm->pixelSize;
    if (pixelSize != 8 && pixelSize != 16 && pixelSize != 32)
        return nullptr;
    const int pixelBytes = pixelSize / 8;

    if (!(pm->pmExtFlags & pmExtDibAttached)) {
        if (reinterpret_cast<uintptr_t>(lastReadable) >= reinterpret_cast<uintptr_t>(row) &&
            reinterpret_cast<uintptr_t>(lastReadable) - reinterpret_cast<uintptr_t>(row) >= bytes - 1)
            return row;
        if (!GrowPixelScratch(bytes))
            return nullptr;
        return CopyPlainRow(static_cast<uint8_t *>(PixelScratch()), row, bytes, lastReadable, pixelBytes);
    }

    // The row and column the address stands for in the PixMap, then in its DIB.
    const Handle dibHandle = pm->pmExtDib;
    const uint8_t *dibBits = reinterpret_cast<const uint8_t *>(pm->pmExtDibBits);
    const int32_t rowBytes = pm->rowBytes & 0x3FFF;
    if (!HandleHasData(dibHandle) || !dibBits || rowBytes == 0 ||
        reinterpret_cast<uintptr_t>(row) < reinterpret_cast<uintptr_t>(pm->baseAddr))
        return nullptr;
    const auto *header = reinterpret_cast<const BITMAPINFOHEADER *>(*dibHandle);
    DibGeometry g;
    if (!GetDibGeometry(header, static_cast<uint32_t>(GetHandleSize(dibHandle)), true, &g))
        return nullptr;
    const uintptr_t distance = reinterpret_cast<uintptr_t>(row) - reinterpret_cast<uintptr_t>(pm->baseAddr);
    const uintptr_t macRow = distance / static_cast<uint32_t>(rowBytes);
    const uintptr_t column = (distance % static_cast<uint32_t>(rowBytes)) / static_cast<uint32_t>(pixelBytes);
    if (macRow >= static_cast<uintptr_t>(g.height) || column >= static_cast<uintptr_t>(g.width))
        return nullptr;
    const int dibPixelBytes = g.depth / 8;
    if (dibPixelBytes == 0)
        return nullptr;
    const int32_t dibRow = g.bottomUp ? g.height - 1 - static_cast<int32_t>(macRow) : static_cast<int32_t>(macRow);
    const int32_t wanted = static_cast<int32_t>(bytes / static_cast<uint32_t>(pixelBytes));
    const int32_t count = std::min<int32_t>(wanted, g.width - static_cast<int32_t>(column));
    if (count <= 0 || !GrowPixelScratch(bytes))
        return nullptr;

    uint8_t *scratch = static_cast<uint8_t *>(PixelScratch());
    RowConversionContext &c = RowContext();
    c.depth = g.depth;
    c.count = count;
    c.src = dibBits + static_cast<size_t>(dibRow) * g.rowBytes + column * dibPixelBytes;
    c.dst = scratch;
    if (static_cast<uint32_t>(GetHandleSize(dibHandle)) < g.headerBytes)
        return nullptr;
    c.colors = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const uint8_t *>(header) + g.headerBytes -
                                                 g.colors * sizeof(RGBQUAD));
    c.colorCount = g.depth <= 8 ? g.colors : 0;
    c.nearest = NearestEntryOfCTab;
    c.nearestTable = pm->pmTable;
    if (pixelSize == 32) {
        RowConvertToRgb32();
    } else if (pixelSize == 16) {
        RowConvertToRgb555();
    } else if (g.depth == 8) {
        if (pm->pmExtFlags & pmExtBitsPrepared)
            InvertRow8();
        else
            CopyRow8();
    } else {
        if (g.depth <= 8)
            BuildDibIndexMap(c.indexMap, c.colors, c.colorCount);
        RowConvertToIndexed();
    }
    // Pixels the DIB row does not reach repeat its last one.
    const uint32_t converted = static_cast<uint32_t>(count) * pixelBytes;
    for (uint32_t at = converted; at < bytes; ++at)
        scratch[at] = scratch[converted - pixelBytes + (at - converted) % pixelBytes];
    return scratch;
}

CTabHandle CTabFromDibColors(CTabHandle ct, int n, const RGBQUAD *colors)
{
    n = std::clamp(n, 0, 256);
    const Size size = static_cast<Size>(sizeof(ColorTable) - sizeof(ColorSpec) + n * sizeof(ColorSpec));
    if (ct) {
        SetHandleSize(reinterpret_cast<Handle>(ct), size);
        if (MemError() != noErr)
            return ct;
    } else {
        ct = reinterpret_cast<CTabHandle>(NewHandle(size));
        if (!ct)
            return nullptr;
    }
    ColorTable &table = **ct;
    table.ctSeed = static_cast<uint32_t>(GetCTSeed());
    table.ctFlags = 0;
    table.ctSize = static_cast<int16_t>(n - 1);
    for (int i = 0; i < n; ++i) {
        const RGBQUAD &q = colors[n - 1 - i];
        table.ctTable[i].value = static_cast<int16_t>(i);
        table.ctTable[i].rgb = RGBColor{static_cast<uint16_t>(q.rgbRed * 257), static_cast<uint16_t>(q.rgbGreen * 257),
                                        static_cast<uint16_t>(q.rgbBlue * 257)};
    }
    return ct;
}

HDC PixMapBoundDC(PixMapHandle pm, bool *dibEngine)
{
    if (dibEngine)
        *dibEngine = false;
    if (!HandleHasData(pm))
        return nullptr;
    if (dibEngine)
        *dibEngine = ((*pm)->pmExtFlags & pmExtDibEngine) != 0;
    return (*pm)->pmExtDC;
}

uint8_t NearestEntryOfCTab(const void *table, uint16_t red, uint16_t green, uint16_t blue)
{
    CTabHandle ct = static_cast<CTabHandle>(const_cast<void *>(table));
    if (!HandleHasData(ct))
        return 0;
    RGBColor rgb{red, green, blue};
    int32_t index = ClosestColorIndex(ct, &rgb);
    return static_cast<uint8_t>(std::clamp<int32_t>(index, 0, 255));
}

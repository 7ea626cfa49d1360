// BitMaps and PixMaps described to GDI: the DIB header and colours, the rows converted into the blit
// scratch buffer or the PixMap's own DIB, Windows bitmaps made of them, and the pixels of a Windows
// bitmap written back into a PixMap after GDI drew into it.
#include "imaging.h"

#include <algorithm>
#include <cstring>

namespace {

BlitParams sBlit;
// Uses of at most 64 KB in a row while the scratch is larger.
int sSmallScratchUses;

constexpr uint32_t kScratchTrimSize = 0x10000;
constexpr int kSmallUsesBeforeTrim = 33;

int16_t DibSectionSetting() { return static_cast<int16_t>(LibrarySetting(settingOffscreenBitmaps)); }

HDC ReferenceDC()
{
    HDC dc = CurrentDC();
    return dc ? dc : DefaultMemoryDC();
}

BITMAPINFO *DibInfoOf(const PixMap &pm)
{
    return HandleHasData(pm.pmExtDib) ? reinterpret_cast<BITMAPINFO *>(*pm.pmExtDib) : nullptr;
}

// The pixels a PixMap's fields describe, checked: a depth QuickDraw has, rows wide enough for the
// bounds, bounds that are not inside out.
struct PixelLayout {
    int pixelSize;
    int32_t rowBytes, width, height;
};
bool ReadLayout(const PixMap &pm, PixelLayout *out)
{
    const int size = pm.pixelSize;
    if (size != 1 && size != 2 && size != 4 && size != 8 && size != 16 && size != 32)
        return false;
    const int32_t rowBytes = pm.rowBytes & 0x3FFF;
    const int32_t width = pm.bounds.right - pm.bounds.left;
    const int32_t height = pm.bounds.bottom - pm.bounds.top;
    if (rowBytes == 0 || width < 0 || height < 0 || int64_t(rowBytes) * 8 < int64_t(width) * size)
        return false;
    *out = PixelLayout{size, rowBytes, width, height};
    return true;
}

// A BitMap's or PixMap's fields describe pixels that can be read.
bool CheckBits(const BitMap *bits)
{
    PixelLayout layout;
    if (IsPixMapRecord(bits))
        return ReadLayout(*reinterpret_cast<const PixMap *>(bits), &layout);
    const int32_t rowBytes = bits->rowBytes & 0x3FFF;
    const int32_t width = bits->bounds.right - bits->bounds.left;
    return rowBytes > 0 && width >= 0 && bits->bounds.bottom >= bits->bounds.top && int64_t(rowBytes) * 8 >= width;
}

bool HasMemoryRows(const PixMap &pm) { return reinterpret_cast<uintptr_t>(pm.baseAddr) >= 0x10000; }

// A header handed to GDI with DIB_PAL_COLORS: the 40 bytes go into a stock header whose colour area
// holds the palette indices.
BITMAPINFO *StockHeaderFor(const BITMAPINFO *info, StockDibHeader which)
{
    HLOCAL block = DibHeaderBlock(which);
    auto *stock = block ? static_cast<BITMAPINFO *>(LocalLock(block)) : nullptr;
    if (!stock)
        return nullptr;
    std::memcpy(stock, info, sizeof(BITMAPINFOHEADER));
    stock->bmiHeader.biCompression = BI_RGB;
    LocalUnlock(block);
    return stock;
}

// The blit scratch of `total` bytes, with its trimming: after a transfer of more than 64 KB, the 34th
// small use in a row finds the buffer reallocated at 64 KB.
void *UseBlitScratch(uint32_t total)
{
    if (total > kScratchTrimSize) {
        sSmallScratchUses = 0;
    } else if (ScreenScratchSize() > kScratchTrimSize) {
        if (sSmallScratchUses >= kSmallUsesBeforeTrim) {
            HLOCAL block = AllocLocalBlock(LMEM_MOVEABLE, kScratchTrimSize);
            void *bits = block ? LockLocalBlock(block) : nullptr;
            if (bits) {
                AdoptScreenScratch(block, bits, kScratchTrimSize);
                sSmallScratchUses = 0;
            } else if (block) {
                FreeLocalBlock(block);
            }
        } else {
            ++sSmallScratchUses;
        }
    }
    if (!GrowBlitScratch(total))
        return nullptr;
    return ScreenScratchBuffer();
}

uint32_t PixelAt(const uint8_t *row, int depth, int32_t i)
{
    switch (depth) {
    case 1: return (row[i >> 3] >> (7 - (i & 7))) & 1u;
    case 2: return (row[i >> 2] >> (6 - 2 * (i & 3))) & 3u;
    case 4: return (i & 1) ? (row[i >> 1] & 15u) : (row[i >> 1] >> 4);
    default: return row[i];
    }
}

// The index map of a table whose indices go out as they are.
struct IdentityMap {
    uint8_t bytes[256];
    IdentityMap()
    {
        for (int i = 0; i < 256; ++i)
            bytes[i] = static_cast<uint8_t>(i);
    }
};
const IdentityMap kIdentityMap;

uint8_t Widen5(uint32_t c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); }

// One Macintosh row of `count` pixels into one DIB row.
void ConvertRowToDib(const uint8_t *src, uint8_t *dst, int pixelSize, int dibDepth, int32_t count, const uint8_t *map)
{
    if (pixelSize == 1 || (pixelSize == 4 && dibDepth == 4)) {
        InvertBytes(dst, src, static_cast<uint32_t>((count * pixelSize + 7) / 8));
        return;
    }
    if (pixelSize == 8) {
        if (map[0] == 0 && map[255] == 255 && std::memcmp(map, kIdentityMap.bytes, 256) == 0) {
            std::memcpy(dst, src, static_cast<size_t>(count));
            return;
        }
        for (int32_t i = 0; i < count; ++i)
            dst[i] = map[src[i]];
        return;
    }
    if (pixelSize < 8) {
        for (int32_t i = 0; i < count; ++i)
            dst[i] = map[PixelAt(src, pixelSize, i)];
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        uint8_t b, g, r;
        if (pixelSize == 16) {
            uint32_t w = src[2 * i] | (src[2 * i + 1] << 8);
            b = Widen5(w & 31);
            g = Widen5((w >> 5) & 31);
            r = Widen5((w >> 10) & 31);
        } else {
            b = src[4 * i];
            g = src[4 * i + 1];
            r = src[4 * i + 2];
        }
        switch (dibDepth) {
        case 8: dst[i] = g; break; // a gray level of the palette-index mode
        case 24:
            dst[3 * i] = b;
            dst[3 * i + 1] = g;
            dst[3 * i + 2] = r;
            break;
        default:
            dst[4 * i] = b;
            dst[4 * i + 1] = g;
            dst[4 * i + 2] = r;
            dst[4 * i + 3] = 0;
            break;
        }
    }
}

// The nearest entry of an indexed PixMap's table, remembering the last colour asked.
class NearestEntry {
public:
    explicit NearestEntry(CTabHandle ct) : ct_(ct) {}
    uint32_t operator()(uint8_t r, uint8_t g, uint8_t b)
    {
        uint32_t key = r | (g << 8) | (b << 16);
        if (key != last_) {
            last_ = key;
            answer_ = HandleHasData(ct_) ? NearestEntryOfCTab(ct_, static_cast<uint16_t>(r * 257),
                                                             static_cast<uint16_t>(g * 257), static_cast<uint16_t>(b * 257))
                                         : (r + g + b < 384 ? 1u : 0u);
        }
        return answer_;
    }

private:
    CTabHandle ct_;
    uint32_t last_ = 0xFFFFFFFF;
    uint32_t answer_ = 0;
};

void StorePixel(uint8_t *row, int depth, int32_t i, uint32_t v)
{
    switch (depth) {
    case 1:
    case 2:
    case 4: {
        const int perByte = 8 / depth;
        const int shift = depth * (perByte - 1 - (i % perByte));
        const uint32_t mask = ((1u << depth) - 1) << shift;
        uint8_t &byte = row[i / perByte];
        byte = static_cast<uint8_t>((byte & ~mask) | ((v << shift) & mask));
        break;
    }
    case 8: row[i] = static_cast<uint8_t>(v); break;
    case 16:
        row[2 * i] = static_cast<uint8_t>(v);
        row[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        break;
    default: std::memcpy(row + 4 * i, &v, 4); break;
    }
}

} // namespace

BlitParams &CurrentBlitParams() { return sBlit; }

void InvertBytes(uint8_t *dst, const uint8_t *src, uint32_t n)
{
    for (uint32_t i = 0; i < n; ++i)
        dst[i] = static_cast<uint8_t>(~src[i]);
}

bool GrowBlitScratch(uint32_t n)
{
    if (n <= ScreenScratchSize() && ScreenScratchBuffer())
        return true;
    HLOCAL block = AllocLocalBlock(LMEM_MOVEABLE, n);
    void *bits = block ? LockLocalBlock(block) : nullptr;
    if (!bits) {
        if (block)
            FreeLocalBlock(block);
        return false;
    }
    AdoptScreenScratch(block, bits, n);
    return true;
}

bool PrepareDibSource(PixMap *pm, Rect *rect, bool copyRows, bool useScratch, int option)
{
    BlitParams &bp = sBlit;
    bp = BlitParams{};
    PixelLayout layout;
    if (!pm || !rect || !ReadLayout(*pm, &layout))
        return false;
    BITMAPINFO *info = DibInfoOf(*pm);
    if (!info)
        return false;
    // The rectangle, relative to the bounds and inside them.
    Rect r{static_cast<int16_t>(std::max(0, rect->top - pm->bounds.top)),
           static_cast<int16_t>(std::max(0, rect->left - pm->bounds.left)),
           static_cast<int16_t>(std::min<int32_t>(layout.height, rect->bottom - pm->bounds.top)),
           static_cast<int16_t>(std::min<int32_t>(layout.width, rect->right - pm->bounds.left))};
    if (r.right <= r.left || r.bottom <= r.top)
        return false;
    if (copyRows && !HasMemoryRows(*pm))
        return false;
    // A DIB section's handle holds no rows: its rows are converted through the scratch.
    if (!useScratch && !pm->pmExtDibBits)
        useScratch = true;

    pm->pmExtFlags &= static_cast<uint16_t>(~(pmExtBitsPrepared | pmExtPaletteIndices));
    const int size = layout.pixelSize;
    uint8_t map[256];
    for (int i = 0; i < 256; ++i)
        map[i] = static_cast<uint8_t>(i);
    if (size == 1 || (size == 4 && UnfoldMode())) {
        pm->pmExtFlags |= pmExtBitsPrepared;
    } else if (size <= 8 && ScreenPaletteSize() > 0) {
        // On a palette screen the table's colours go out as palette indices, or in the system slots.
        uint16_t mapFlags = BuildCTabIndexMap(pm->pmTable, map);
        if ((mapFlags & pmExtBitsPrepared) && DibSectionSetting() < 0) {
            // Top-down DIBs keep the table in its own order.
            for (int i = 0; i < 256; ++i)
                map[i] = static_cast<uint8_t>(i);
            mapFlags &= static_cast<uint16_t>(~pmExtBitsPrepared);
        }
        pm->pmExtFlags |= mapFlags & (pmExtBitsPrepared | pmExtPaletteIndices);
    }

    // Where the rows start and how many pixels each covers.
    int32_t byteOffset = 0, left = 0, rows = r.bottom - r.top;
    int32_t firstRow = 0;
    const int32_t width = r.right - r.left;
    if (useScratch) {
        const int perByte = size < 8 ? 8 / size : 1;
        byteOffset = size < 8 ? r.left / perByte : r.left * (size / 8);
        left = size < 8 ? r.left % perByte : 0;
        int32_t stride = 0;
        if (!FillDibHeader(&info->bmiHeader, (option & kPreparePatternOption) != 0, size, left + width, rows, &stride))
            return false;
        const uint32_t total = info->bmiHeader.biSizeImage;
        bp.bits = UseBlitScratch(total);
        if (!bp.bits)
            return false; // the transfer is skipped: nothing is written past the old buffer
    } else {
        // The PixMap's own DIB: the rectangle's rows go to their places in it.
        DibGeometry g;
        if (!GetDibGeometry(&info->bmiHeader, static_cast<uint32_t>(GetHandleSize(pm->pmExtDib)), true, &g) ||
            g.width < r.right || g.height < r.bottom)
            return false;
        bp.bits = pm->pmExtDibBits;
        left = r.left;
        firstRow = r.top;
    }
    const BITMAPINFOHEADER &h = info->bmiHeader;
    int32_t stride = 0;
    DibRowBytes(h.biBitCount, h.biWidth, &stride);
    const int32_t dibRows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const bool topDown = h.biHeight < 0;
    bp.info = info;
    bp.usage = DIB_RGB_COLORS;
    if (pm->pmExtFlags & pmExtPaletteIndices) {
        bp.info = StockHeaderFor(info, stockPaletteIndices);
        bp.usage = DIB_PAL_COLORS;
    } else if (size > 8 && h.biBitCount == 8) {
        bp.info = StockHeaderFor(info, stockPaletteModeGrays);
        bp.usage = DIB_PAL_COLORS;
    }
    if (!bp.info)
        return false;
    pm->pmExtFlags |= pmExtDibAttached;

    if (copyRows) {
        const uint8_t *base = reinterpret_cast<const uint8_t *>(pm->baseAddr);
        // Own DIB: whole rows from column 0 up to the rectangle's right; scratch: from its first byte.
        const int32_t count = useScratch ? left + width : r.right;
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t *src = base + static_cast<size_t>(r.top + y) * layout.rowBytes + byteOffset;
            const int32_t dibRow = firstRow + y;
            uint8_t *dst = static_cast<uint8_t *>(bp.bits) +
                           static_cast<size_t>(topDown ? dibRow : dibRows - 1 - dibRow) * stride;
            ConvertRowToDib(src, dst, size, h.biBitCount, count, map);
        }
    }
    rect->left = static_cast<int16_t>(left);
    rect->right = static_cast<int16_t>(left + width);
    rect->top = static_cast<int16_t>(firstRow);
    rect->bottom = static_cast<int16_t>(firstRow + rows);
    return true;
}

HBITMAP PrepareBlitSource(int flags, const BitMap *bits, Rect *rect, int option)
{
    BlitParams &bp = sBlit;
    bp = BlitParams{};
    if (!bits || !rect)
        return nullptr;
    const bool asIs = (flags & prepareAsIs) && IsPixMapRecord(bits);
    PixMapHandle conversion = ConversionPixMap();
    if (!asIs && !HandleHasData(conversion))
        return nullptr;
    PixMap *view = asIs ? const_cast<PixMap *>(reinterpret_cast<const PixMap *>(bits)) : *conversion;
    CTabHandle ownTable = asIs ? nullptr : view->pmTable;
    bool ok = CheckBits(bits);
    if (ok && !asIs)
        ok = BuildPixMapDib(bits, true, (option & kPreparePatternOption) != 0);
    if (ok && asIs)
        ok = DibInfoOf(*view) != nullptr;
    HBITMAP bitmap = nullptr;
    if (ok && (flags & prepareRows)) {
        ok = PrepareDibSource(view, rect, (view->pmExtFlags & pmExtOwnRows) != 0, !asIs, option);
        if (view->pmExtFlags & pmExtPaletteIndices)
            flags &= ~prepareColors;
    }
    if (ok && (flags & prepareColors)) {
        BITMAPINFO *info = DibInfoOf(*view);
        if (!(flags & prepareRows) && (view->pixelSize == 1 || view->pixelSize == 8)) {
            view->pmExtFlags |= pmExtBitsPrepared;
            if (DibSectionSetting() < 0)
                view->pmExtFlags &= static_cast<uint16_t>(~pmExtBitsPrepared);
        }
        if (view->pixelSize <= 8)
            PixMapColorsToDib(view, info, !asIs);
        GDHandle device = LowMem<GDHandle>(lmTheGDevice);
        if (HandleHasData(device) && HandleHasData((*device)->gdPMap) && HandleHasData((*(*device)->gdPMap)->pmTable))
            view->pmExtDevSeed = (*(*(*device)->gdPMap)->pmTable)->ctSeed;
    }
    if (ok && (flags & prepareBitmap))
        bitmap = MakeGdiBitmapFromPixMap(view, flags, 0, 0, option);
    if (!asIs)
        view->pmTable = ownTable;
    if (!ok)
        bp = BlitParams{};
    return bitmap;
}

HBITMAP MakeGdiBitmapFromPixMap(PixMap *pm, int flags, int stockChoice, int colourCount, int option)
{
    (void)option;
    BlitParams &bp = sBlit;
    PixMapHandle conversion = ConversionPixMap();
    BITMAPINFO *info = bp.info;
    if (!info && HandleHasData(conversion))
        info = DibInfoOf(**conversion);
    if (!info)
        return nullptr;
    int depth = info->bmiHeader.biBitCount;
    bool paletteRelative = true;
    CTabHandle table = nullptr;
    if (pm && !(flags & prepareBands)) {
        if (BITMAPINFO *own = DibInfoOf(*pm))
            info = own;
        table = pm->pmTable;
        depth = pm->pixelSize;
        paletteRelative = (pm->pmExtFlags & pmExtPaletteIndices) != 0;
    } else if (pm && (flags & prepareColors) && pm->pixelSize <= 8 && HandleHasData(pm->pmTable)) {
        table = pm->pmTable;
        depth = 8;
        paletteRelative = false;
    }
    if (Palette8() &&
        (depth > 8 || (HandleHasData(table) && (*table)->ctSize == 255 && (*table)->ctTable[0].rgb.red == 0))) {
        colourCount = 256;
        paletteRelative = true;
    }
    const int dibDepth = info->bmiHeader.biBitCount;
    UINT usage = DIB_RGB_COLORS;
    if (dibDepth > 8) {
        // Direct DIB pixels carry their own colours.
        colourCount = 0;
    } else if (paletteRelative || !HandleHasData(table)) {
        usage = DIB_PAL_COLORS;
        const StockDibHeader which = ScreenReducedPalette() ? stockPaletteModeGrays
                                     : stockChoice        ? stockChoiceGrays
                                                          : stockPaletteIndices;
        info = StockHeaderFor(info, which);
        if (!info)
            return nullptr;
    } else if (flags & prepareColors) {
        PixMapColorsToDib(pm, info, false);
    }
    if (dibDepth <= 8)
        info->bmiHeader.biClrUsed = static_cast<DWORD>(colourCount);
    // Palette indices name entries of the library palette: it is the reference DC's for the call.
    HDC dc = ReferenceDC();
    HPALETTE displaced = usage == DIB_PAL_COLORS && LibraryPalette() ? SelectPalette(dc, LibraryPalette(), FALSE) : nullptr;
    if (displaced)
        RealizePalette(dc);
    HBITMAP bitmap = CreateDIBitmap(dc, &info->bmiHeader, (flags & prepareRows) ? CBM_INIT : 0, bp.bits, info, usage);
    if (displaced)
        SelectPalette(dc, displaced, FALSE);
    if (bitmap && pm && HandleHasData(conversion) && pm != *conversion) {
        HBITMAP old = pm->pmExtBitmap;
        const bool selected = old && pm->pmExtMemDC && GetCurrentObject(pm->pmExtMemDC, OBJ_BITMAP) == old;
        if (old && old != bitmap && (pm->pmExtFlags & pmExtBitmapCached) && !selected)
            DeleteObject(old);
        pm->pmExtBitmap = bitmap;
        pm->pmExtFlags |= pmExtBitmapCached;
    }
    return bitmap;
}

bool MakeEightBitBandBitmap(PixMap *, int, int stockChoice, int32_t width, int32_t height)
{
    if (!FillDibHeader(nullptr, false, 8, width, height, nullptr))
        return false;
    PixMapHandle conversion = ConversionPixMap();
    BITMAPINFO *info = HandleHasData(conversion) ? DibInfoOf(**conversion) : nullptr;
    if (!info)
        return false;
    const LOGPALETTE *palette = LibraryLogPalette();
    const int entries = stockChoice ? 256 : palette ? palette->palNumEntries : 256;
    // Gray levels go to the 128-gray palette of the gray-index mode at half their value; the 4-bit
    // screen's engines write its 16 palette indices themselves.
    const StockDibHeader which = ScreenDepth() == 4 ? stockPaletteIndices
                                 : ScreenReducedPalette() ? stockPaletteModeGrays
                                 : stockChoice        ? stockChoiceGrays
                                                      : stockPaletteIndices;
    info = StockHeaderFor(info, which);
    if (!info)
        return false;
    info->bmiHeader.biClrUsed = static_cast<DWORD>(entries);
    sBlit.info = info;
    sBlit.usage = DIB_PAL_COLORS;
    return true;
}

ZEL_EXTERN_C Boolean ZEL_CALL WriteBackPixMapBitmap(PixMap *pm, HBITMAP bitmap, const Rect *area, Point bitmapAt)
{
    PixelLayout layout;
    if (!pm || !bitmap || !ReadLayout(*pm, &layout) || !HasMemoryRows(*pm))
        return false;
    BITMAP bm{};
    if (!GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return false;
    Rect a = area ? *area : Rect{pm->bounds.top, pm->bounds.left, pm->bounds.bottom, pm->bounds.right};
    // The area in the PixMap's pixels, inside the bounds and inside the bitmap.
    int32_t x0 = std::max(0, a.left - pm->bounds.left), y0 = std::max(0, a.top - pm->bounds.top);
    int32_t x1 = std::min<int32_t>(layout.width, a.right - pm->bounds.left);
    int32_t y1 = std::min<int32_t>(layout.height, a.bottom - pm->bounds.top);
    const int32_t bx = bitmapAt.h + (x0 - (a.left - pm->bounds.left));
    const int32_t by = bitmapAt.v + (y0 - (a.top - pm->bounds.top));
    if (bx < 0 || by < 0)
        return false;
    x1 = std::min<int32_t>(x1, x0 + bm.bmWidth - bx);
    y1 = std::min<int32_t>(y1, y0 + bm.bmHeight - by);
    const int32_t w = x1 - x0, h = y1 - y0;
    if (w <= 0 || h <= 0)
        return true;

    // The bitmap's rows of the area as 32-bit pixels, bottom-up.
    const uint32_t bytes = static_cast<uint32_t>(bm.bmWidth) * 4u * static_cast<uint32_t>(h);
    if (!GrowPixelScratch(bytes))
        return false;
    auto *pixels = static_cast<uint8_t *>(PixelScratch());
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    if (GetDIBits(ReferenceDC(), bitmap, static_cast<UINT>(bm.bmHeight - by - h), static_cast<UINT>(h), pixels, &bi,
                  DIB_RGB_COLORS) != h)
        return false;

    NearestEntry nearest(pm->pmTable);
    uint8_t *base = reinterpret_cast<uint8_t *>(pm->baseAddr);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t *src = pixels + static_cast<size_t>(h - 1 - y) * bm.bmWidth * 4 + static_cast<size_t>(bx) * 4;
        uint8_t *row = base + static_cast<size_t>(y0 + y) * layout.rowBytes;
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t b = src[4 * x], g = src[4 * x + 1], r = src[4 * x + 2];
            uint32_t v;
            if (layout.pixelSize <= 8)
                v = nearest(r, g, b);
            else if (layout.pixelSize == 16)
                v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
            else
                v = b | (g << 8) | (r << 16);
            StorePixel(row, layout.pixelSize, x0 + x, v);
        }
    }
    return true;
}

void DirectRowsToIndices(const PixMap *pm, const uint8_t *src, int32_t srcStep, uint8_t *dst, int32_t dstStep,
                         int32_t count, int32_t rows, bool sixteen, const uint8_t *inverseTable)
{
    if (!src || !dst || !inverseTable || count <= 0)
        return;
    const uint32_t rowBytes = static_cast<uint32_t>(count) * (sixteen ? 2u : 4u);
    for (int32_t y = 0; y < rows; ++y, src += srcStep, dst -= dstStep) {
        const uint8_t *row = src;
        if (pm && (pm->pmExtFlags & pmExtDibAttached))
            row = FetchSourceRow(pm, src, rowBytes, src + rowBytes - 1);
        if (!row)
            continue;
        for (int32_t i = 0; i < count; ++i) {
            uint32_t r5, g5, b5;
            if (sixteen) {
                uint32_t w = row[2 * i] | (row[2 * i + 1] << 8);
                r5 = (w >> 10) & 31;
                g5 = (w >> 5) & 31;
                b5 = w & 31;
            } else {
                b5 = row[4 * i] >> 3;
                g5 = row[4 * i + 1] >> 3;
                r5 = row[4 * i + 2] >> 3;
            }
            dst[i] = static_cast<uint8_t>(~inverseTable[(r5 << 10) | (g5 << 5) | b5]);
        }
    }
}

ZEL_EXTERN_C int16_t ZEL_CALL PrepareBlitSourceForTest(int16_t flags, const BitMap *bits, Rect *rect, BITMAPINFO **info,
                                                        void **rows, UINT *usage, HBITMAP *bitmap)
{
    HBITMAP made = PrepareBlitSource(flags, bits, rect, 0);
    if (bitmap)
        *bitmap = made;
    if (info)
        *info = sBlit.info;
    if (rows)
        *rows = sBlit.bits;
    if (usage)
        *usage = sBlit.usage;
    return (flags & prepareBitmap) ? made != nullptr : sBlit.info != nullptr;
}

ZEL_EXTERN_C uint32_t ZEL_CALL BlitScratchSize(void) { return ScreenScratchSize(); }

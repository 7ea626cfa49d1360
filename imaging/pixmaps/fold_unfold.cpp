// Folding a PixMap onto its Windows side (its pixels become a DIB GDI can draw) and unfolding pixels
// from that side (a DIB or a GDI bitmap) back into Macintosh rows, of the same PixMap or of another
// PixMap or BitMap.
#include "imaging.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr Fixed kSeventyTwoDpi = 0x00480000;

// ZEL_UnfoldPixMap's options.
enum : uint32_t {
    unfoldDisposeAfter = 0x1,
    unfoldKeepFormat = 0x2,
    unfoldIndexedDepth = 0x4,
    unfoldNoRealloc = 0x8,
    unfoldPaletteIndices = 0x10,
    unfoldComplement = 0x20,
    unfoldDetachAfter = 0x40,
    unfoldDirect32 = 0x800,
    unfoldPacked24 = 0x1000
};

// ZEL_FoldPixMap's options.
enum : uint32_t {
    foldBuildDib = 0x2,
    foldNoRows = 0x4,
    foldBitmap = 0x8,
    foldColours = 0x10,
    foldFourBit = 0x20
};

HDC ReferenceDC()
{
    HDC dc = CurrentDC();
    return dc ? dc : DefaultMemoryDC();
}

bool IsExtended(const PixMap &pm) { return static_cast<uint16_t>(pm.pmVersion) == kPixMapVersion; }

// Memory a PixMap's baseAddr names (not a device mark, a slot or the Windows-bitmap mark).
bool RealStorage(const void *p) { return reinterpret_cast<uintptr_t>(p) >= 0x10000; }

// Bytes a destination's rows may take: what the library gave it, or what its own fields describe.
uint32_t StorageCapacity(const BitMap &dst, bool pixMap)
{
    // The block ZEL_NewDIBPixMap's maps share holds one byte and is nobody's rows.
    if (!RealStorage(dst.baseAddr) || IsSharedDibPixelsBlock(dst.baseAddr))
        return 0;
    if (pixMap && (reinterpret_cast<const PixMap &>(dst).pmExtFlags & pmExtLibraryRows))
        return static_cast<uint32_t>(GetPtrSize(dst.baseAddr));
    const int32_t height = dst.bounds.bottom - dst.bounds.top;
    return height > 0 ? static_cast<uint32_t>(dst.rowBytes & 0x3FFF) * static_cast<uint32_t>(height) : 0;
}

// Where the destination's rows go: its own storage when it holds `needed` bytes at rows of at least
// `rowBytes`, otherwise fresh storage of (height + 1) rows. Storage this library did not allocate for the
// PixMap is never freed. Nil when fresh storage is needed and `noRealloc`, or memory is short.
Ptr ChooseStorage(BitMap &dst, bool pixMap, int32_t rowBytes, int32_t height, bool noRealloc, bool *fresh)
{
    *fresh = false;
    const uint32_t needed = static_cast<uint32_t>(rowBytes) * static_cast<uint32_t>(height);
    if (RealStorage(dst.baseAddr) && (dst.rowBytes & 0x3FFF) >= rowBytes && StorageCapacity(dst, pixMap) >= needed &&
        needed > 0)
        return dst.baseAddr;
    if (noRealloc)
        return nullptr;
    Ptr p = NewPtrClear(static_cast<Size>(needed + static_cast<uint32_t>(rowBytes)));
    *fresh = p != nullptr;
    return p;
}

void AdoptStorage(PixMap &pm, Ptr storage)
{
    if (pm.baseAddr == storage)
        return;
    if ((pm.pmExtFlags & pmExtLibraryRows) && RealStorage(pm.baseAddr))
        DisposePtr(pm.baseAddr);
    pm.baseAddr = storage;
    pm.pmExtFlags |= pmExtLibraryRows;
}

// The rows of the unfolded image, top row first: straight from DIB bits in memory, or read from a GDI
// bitmap in bands into a buffer.
class RowSource {
public:
    RowSource(HBITMAP bitmap, const uint8_t *bits, BITMAPINFO *info, const DibGeometry &g, UINT usage)
        : bitmap_(bitmap), bits_(bits), info_(info), g_(g), usage_(usage)
    {
    }
    ~RowSource()
    {
        if (band_) {
            UnlockLocalBlock(bandBlock_);
            FreeLocalBlock(bandBlock_);
        }
    }
    RowSource(const RowSource &) = delete;
    RowSource &operator=(const RowSource &) = delete;

    bool ready()
    {
        if (!bitmap_)
            return bits_ != nullptr;
        bandRows_ = std::max<int32_t>(1, g_.rowsThatFit);
        bandBlock_ = AllocLocalBlock(LMEM_MOVEABLE, static_cast<uint32_t>(bandRows_) * static_cast<uint32_t>(g_.rowBytes));
        band_ = bandBlock_ ? static_cast<uint8_t *>(LockLocalBlock(bandBlock_)) : nullptr;
        if (!band_ && bandBlock_)
            bandBlock_ = FreeLocalBlock(bandBlock_);
        return band_ != nullptr;
    }
    // Row y counted from the top; nil when GDI could not read it.
    const uint8_t *Row(int32_t y)
    {
        if (!bitmap_)
            return bits_ + static_cast<size_t>(g_.bottomUp ? g_.height - 1 - y : y) * g_.rowBytes;
        if (y < bandTop_ || y >= bandTop_ + bandCount_) {
            bandTop_ = y;
            bandCount_ = std::min(bandRows_, g_.height - y);
            // The header asks for bottom-up rows: scan lines count from the bottom.
            const UINT start = static_cast<UINT>(g_.height - y - bandCount_);
            if (GetDIBits(ReferenceDC(), bitmap_, start, static_cast<UINT>(bandCount_), band_, info_, usage_) != bandCount_) {
                bandCount_ = 0;
                return nullptr;
            }
        }
        return band_ + static_cast<size_t>(bandCount_ - 1 - (y - bandTop_)) * g_.rowBytes;
    }

private:
    HBITMAP bitmap_;
    const uint8_t *bits_;
    BITMAPINFO *info_;
    DibGeometry g_;
    UINT usage_;
    HLOCAL bandBlock_ = nullptr;
    uint8_t *band_ = nullptr;
    int32_t bandRows_ = 0, bandTop_ = 0, bandCount_ = 0;
};

// Converts every row of `source` with `convert` into rows of `rowBytes` at `dst`.
bool ConvertRows(RowSource &source, const DibGeometry &g, uint8_t *dst, int32_t rowBytes, void (*convert)())
{
    RowConversionContext &c = RowContext();
    for (int32_t y = 0; y < g.height; ++y) {
        const uint8_t *row = source.Row(y);
        if (!row)
            return false;
        c.count = g.width;
        c.src = row;
        c.dst = dst + static_cast<size_t>(y) * rowBytes;
        convert();
    }
    return true;
}

// The Macintosh index of each DIB colour in a destination table: its nearest entry, so that every pixel
// keeps its colour whatever order either table has.
void BuildMapByColour(uint8_t *map, const RGBQUAD *colours, int count, CTabHandle table)
{
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD &q = colours[std::min(i, std::max(count, 1) - 1)];
        map[i] = count > 0 ? NearestEntryOfCTab(table, static_cast<uint16_t>(q.rgbRed * 257),
                                                static_cast<uint16_t>(q.rgbGreen * 257), static_cast<uint16_t>(q.rgbBlue * 257))
                           : 0;
    }
}

struct UnfoldSource {
    HBITMAP bitmap;       // read through GDI when set
    const uint8_t *bits;  // else the DIB's rows in memory
    BITMAPINFO *info;
    const RGBQUAD *colours;
    DibGeometry g;
    uint32_t options;
    Rect bounds; // the source's, which the destination takes
};

// A 32-bit bitmap into 32-bit rows of the same width: GDI writes the rows top-down straight into the
// destination in one call. The fourth byte of each pixel is the one GDI keeps unused in its 32-bit
// bitmaps (its drawing leaves it 0); it is copied as GDI hands it over rather than cleared in a second
// pass over the rows, which would cost more than the read itself.
bool ReadDirectRows(const UnfoldSource &s, uint8_t *rows)
{
    BITMAPINFO *info = s.info;
    const LONG height = info->bmiHeader.biHeight;
    info->bmiHeader.biHeight = -s.g.height;
    const int got = GetDIBits(ReferenceDC(), s.bitmap, 0, static_cast<UINT>(s.g.height), rows, info, DIB_RGB_COLORS);
    info->bmiHeader.biHeight = height;
    return got == s.g.height;
}

// The destination's bounds: the source's top-left, the rows' size.
Rect BoundsOf(const UnfoldSource &s)
{
    return Rect{s.bounds.top, s.bounds.left, static_cast<int16_t>(s.bounds.top + s.g.height),
                static_cast<int16_t>(s.bounds.left + s.g.width)};
}

bool UnfoldDibToPixMap(const UnfoldSource &s, PixMap &dst)
{
    const DibGeometry &g = s.g;
    const RGBQUAD *colours = s.colours;
    RowConversionContext &c = RowContext();
    c.depth = g.depth;
    c.colors = colours;
    c.colorCount = g.depth <= 8 ? g.colors : 0;
    c.nearest = NearestEntryOfCTab;
    c.nearestTable = nullptr;

    // The result's format and converter.
    int pixelSize, pixelType = 0, cmpCount = 1, cmpSize, packType = 1;
    void (*convert)() = nullptr;
    CTabHandle newTable = nullptr;
    const uint32_t o = s.options;
    if (o & unfoldKeepFormat) {
        pixelSize = dst.pixelSize;
        pixelType = dst.pixelType;
        cmpCount = dst.cmpCount;
        cmpSize = dst.cmpSize;
        packType = dst.packType;
        switch (pixelSize) {
        case 32: convert = packType == 2 ? RowConvertToRgb24 : RowConvertToRgb32; break;
        case 16: convert = RowConvertToRgb555; break;
        case 8: convert = RowConvertToIndexed; break;
        case 4: convert = RowConvertToIndexed4; break;
        case 2: convert = RowConvertToIndexed2; break;
        case 1: convert = RowConvertToIndexed1; break;
        default: return false;
        }
        if (pixelSize <= 8) {
            if (!HandleHasData(dst.pmTable))
                return false;
            c.nearestTable = dst.pmTable;
            if (g.depth <= 8) {
                if (o & unfoldPaletteIndices)
                    BuildDibIndexMap(c.indexMap, colours, c.colorCount);
                else
                    BuildMapByColour(c.indexMap, colours, c.colorCount, dst.pmTable);
            }
            packType = 1;
        }
    } else if ((o & unfoldIndexedDepth) && g.depth <= 8) {
        pixelSize = cmpSize = g.depth;
        packType = 1;
        if (o & unfoldPaletteIndices) {
            const bool complement = (o & unfoldComplement) != 0;
            convert = g.depth == 8 ? (complement ? InvertRow8 : CopyRow8)
                    : g.depth == 4 ? (complement ? InvertRow4 : CopyRow4)
                                   : (complement ? InvertRow1 : CopyRow1);
        } else {
            // The DIB's colours, last first, and the indices complemented: every pixel keeps its colour.
            // With fewer DIB colours than its depth holds, the missing entries are black (no pixel
            // names them).
            std::vector<RGBQUAD> full(static_cast<size_t>(1) << g.depth, RGBQUAD{0, 0, 0, 0});
            std::memcpy(full.data(), colours, static_cast<size_t>(std::min<int32_t>(g.colors, 1 << g.depth)) * sizeof(RGBQUAD));
            newTable = CTabFromDibColors(nullptr, 1 << g.depth, full.data());
            if (!newTable)
                return false;
            convert = g.depth == 8 ? InvertRow8 : g.depth == 4 ? InvertRow4 : InvertRow1;
        }
    } else if ((o & (unfoldDirect32 | unfoldPacked24)) || g.depth >= 16) {
        pixelType = 16;
        pixelSize = 32;
        cmpSize = 8;
        if (o & unfoldPacked24) {
            packType = 2;
            cmpCount = 3;
            convert = RowConvertToRgb24;
        } else {
            cmpCount = 4;
            convert = RowConvertToRgb32;
        }
    } else {
        return false;
    }
    int32_t rowBytes = 0;
    if (!MacRowBytes(pixelSize, g.width, &rowBytes)) {
        if (newTable)
            DisposeCTable(newTable);
        return false;
    }
    const bool packed = packType == 2;
    if (packed)
        rowBytes = (g.width * 3 + 1) & ~1;
    rowBytes = std::max<int32_t>(rowBytes, dst.rowBytes & 0x3FFF);
    bool fresh = false;
    Ptr storage = ChooseStorage(reinterpret_cast<BitMap &>(dst), true, rowBytes, g.height, (o & unfoldNoRealloc) != 0, &fresh);
    if (!storage) {
        if (newTable)
            DisposeCTable(newTable);
        return false;
    }
    if (!(s.bitmap && convert == RowConvertToRgb32 && g.depth == 32 && rowBytes == g.rowBytes &&
          ReadDirectRows(s, reinterpret_cast<uint8_t *>(storage)))) {
        RowSource source(s.bitmap, s.bits, s.info, g, (o & unfoldPaletteIndices) ? DIB_PAL_COLORS : DIB_RGB_COLORS);
        if (!source.ready() || !ConvertRows(source, g, reinterpret_cast<uint8_t *>(storage), rowBytes, convert)) {
            if (fresh)
                DisposePtr(storage);
            if (newTable)
                DisposeCTable(newTable);
            return false;
        }
    }
    if (fresh)
        AdoptStorage(dst, storage);
    dst.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
    dst.bounds = BoundsOf(s);
    dst.pixelSize = static_cast<int16_t>(pixelSize);
    dst.pixelType = static_cast<int16_t>(pixelType);
    dst.cmpCount = static_cast<int16_t>(cmpCount);
    dst.cmpSize = static_cast<int16_t>(cmpSize);
    dst.packType = static_cast<int16_t>(packType);
    dst.packSize = packed ? g.height * g.width * 3 : g.height * rowBytes;
    dst.hRes = dst.vRes = kSeventyTwoDpi;
    dst.planeBytes = 0;
    dst.pmReserved = 0;
    if (newTable) {
        if (dst.pmTable && dst.pmTable != newTable)
            DisposeCTable(dst.pmTable);
        dst.pmTable = newTable;
    }
    return true;
}

bool UnfoldDibToBitMap(UnfoldSource s, BitMap &dst)
{
    DibGeometry &g = s.g;
    int32_t rowBytes = 0;
    MacRowBytes(1, g.width, &rowBytes);
    rowBytes = std::max<int32_t>(rowBytes, dst.rowBytes & 0x3FFF);
    void (*convert)() = nullptr;
    RowConversionContext &c = RowContext();
    CTabHandle blackWhite = DefaultOneBitCTable();
    if (s.bitmap && g.depth != 1) {
        // GDI reduces the bitmap to black and white rows.
        BITMAPINFOHEADER &h = s.info->bmiHeader;
        h.biBitCount = 1;
        h.biCompression = BI_RGB;
        h.biClrUsed = 2;
        h.biHeight = g.height;
        DibRowBytes(1, g.width, &g.rowBytes);
        g.depth = 1;
        g.bottomUp = true;
        g.colors = 2;
        g.rowsThatFit = std::max<int32_t>(1, std::min<int32_t>(g.height, static_cast<int32_t>(kDibBandBytes / g.rowBytes)));
        s.options &= ~unfoldPaletteIndices;
    }
    c.depth = g.depth;
    c.colors = s.bitmap ? s.info->bmiColors : s.colours;
    c.colorCount = g.depth <= 8 ? g.colors : 0;
    c.nearest = NearestEntryOfCTab;
    c.nearestTable = blackWhite;
    if (g.depth == 1 && s.bitmap) {
        // Read first: GetDIBits writes the colours it used.
        convert = nullptr;
    } else if (g.depth == 1) {
        const RGBQUAD &q0 = c.colors[0], &q1 = c.colors[std::min(1, g.colors - 1)];
        const bool invert = (q1.rgbRed == 0xFF && q1.rgbGreen == 0xFF && q1.rgbBlue == 0xFF) ||
                            (q0.rgbRed == 0 && q0.rgbGreen == 0 && q0.rgbBlue == 0);
        convert = invert ? InvertRow1 : CopyRow1;
    } else {
        if (!HandleHasData(blackWhite))
            return false;
        if (g.depth <= 8)
            BuildMapByColour(c.indexMap, c.colors, c.colorCount, blackWhite);
        convert = RowConvertToIndexed1;
    }
    bool fresh = false;
    Ptr storage = ChooseStorage(dst, false, rowBytes, g.height, (s.options & unfoldNoRealloc) != 0, &fresh);
    if (!storage)
        return false;
    RowSource source(s.bitmap, s.bits, s.info, g, DIB_RGB_COLORS);
    bool ok = source.ready();
    if (ok && !convert) {
        ok = source.Row(0) != nullptr;
        const RGBQUAD &q0 = c.colors[0], &q1 = c.colors[1];
        const bool invert = (q1.rgbRed == 0xFF && q1.rgbGreen == 0xFF && q1.rgbBlue == 0xFF) ||
                            (q0.rgbRed == 0 && q0.rgbGreen == 0 && q0.rgbBlue == 0);
        convert = invert ? InvertRow1 : CopyRow1;
    }
    if (!ok || !ConvertRows(source, g, reinterpret_cast<uint8_t *>(storage), rowBytes, convert)) {
        if (fresh)
            DisposePtr(storage);
        return false;
    }
    dst.baseAddr = storage;
    dst.rowBytes = static_cast<int16_t>(rowBytes);
    dst.bounds = BoundsOf(s);
    return true;
}

// The DIB's header is whole and its handle holds what the header describes: the colours, and the rows
// when they live in the handle.
bool DibHandleHolds(const PixMap &pm, const DibGeometry &g)
{
    const Size size = GetHandleSize(pm.pmExtDib);
    if (size < 0 || static_cast<uint32_t>(size) < g.headerBytes)
        return false;
    const uintptr_t start = reinterpret_cast<uintptr_t>(*pm.pmExtDib);
    const uintptr_t bits = reinterpret_cast<uintptr_t>(pm.pmExtDibBits);
    if (bits >= start && bits < start + static_cast<uint32_t>(size))
        return bits - start >= g.headerBytes && static_cast<uint64_t>(size) - (bits - start) >= g.imageBytes;
    return true;
}

} // namespace

bool LargeDibsReadable() { return LibrarySetting(settingScreenProbe) != 0; }

ZEL_EXTERN_C Boolean ZEL_CALL SelectLargeDibReading(Boolean on)
{
    const bool previous = LargeDibsReadable();
    SetLibrarySetting(settingScreenProbe, on ? 1 : 0);
    return previous;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_FoldPixMap(PixMap *pm, const Rect *rect, uint32_t options)
{
    if (!pm || !IsPixMapRecord(reinterpret_cast<const BitMap *>(pm)))
        return 0;
    if (pm->pmExtDibBits && pm->baseAddr == pm->pmExtDibBits)
        return 1;
    const bool fourBit = (options & foldFourBit) && pm->pixelSize == 4;
    const bool wasUnfoldMode = UnfoldMode();
    if (fourBit)
        SetUnfoldMode(true);
    int flags = prepareAsIs;
    bool ok = true;
    if (options & (foldBuildDib | foldBitmap)) {
        // A DIB-engine PixMap builds a DIB that holds its rows, and keeps its section's bits.
        const bool engine = (pm->pmExtFlags & pmExtDibEngine) != 0;
        const uint32_t setting = LibrarySetting(settingOffscreenBitmaps);
        const Ptr sectionBits = pm->pmExtDibBits;
        if (engine)
            SetLibrarySetting(settingOffscreenBitmaps, 1);
        ok = BuildPixMapDib(reinterpret_cast<const BitMap *>(pm), false, false);
        if (engine) {
            SetLibrarySetting(settingOffscreenBitmaps, static_cast<int32_t>(setting));
            pm->pmExtDibBits = sectionBits;
        }
        if (!(options & foldNoRows))
            flags |= prepareColors | prepareRows;
    }
    if (options & foldBitmap)
        flags |= prepareBitmap;
    if (options & foldColours)
        flags |= prepareColors;
    if (ok) {
        if (RealStorage(pm->baseAddr))
            pm->pmExtFlags |= pmExtOwnRows;
        Rect area = rect ? *rect : pm->bounds;
        HBITMAP bitmap = PrepareBlitSource(flags, reinterpret_cast<const BitMap *>(pm), &area, 0);
        ok = (flags & prepareBitmap) ? bitmap != nullptr : CurrentBlitParams().info != nullptr || !(flags & prepareRows);
    }
    if (ok && (options & foldBuildDib)) {
        const uintptr_t base = reinterpret_cast<uintptr_t>(pm->baseAddr);
        if (base == 0x7FFF || (base < 0x10000 && (base & 0x8000)))
            pm->pmExtFlags &= static_cast<uint16_t>(~pmExtOwnRows);
    }
    if (fourBit)
        SetUnfoldMode(wasUnfoldMode);
    return ok ? 1 : 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_UnfoldPixMap(PixMap *src, BitMap *dst, const Rect *, const Rect *, uint32_t options)
{
    if (!src || !dst || !IsPixMapRecord(reinterpret_cast<const BitMap *>(src)) || !IsExtended(*src))
        return 0;
    const bool hasDib = (src->pmExtFlags & pmExtDibAttached) && HandleHasData(src->pmExtDib);
    BITMAP record{};
    const bool hasBitmap = src->pmExtBitmap && GetObjectA(src->pmExtBitmap, sizeof record, &record) != 0;
    if (!hasDib && !hasBitmap)
        return 0;
    const bool dibIsStorage = (src->pmExtFlags & pmExtDibEngine) && hasDib && hasBitmap;
    if (reinterpret_cast<BitMap *>(src) == dst && dibIsStorage && src->baseAddr == src->pmExtDibBits)
        return 1;
    const bool pixMapDst = IsPixMapRecord(dst);
    if (!pixMapDst || (options & 0x700))
        options |= unfoldIndexedDepth;
    if (src->pmExtFlags & pmExtBitsPrepared)
        options |= unfoldComplement;

    const bool readBitmap = hasBitmap && !dibIsStorage;
    const bool takeOut = hasBitmap && (!dibIsStorage || (options & (unfoldDisposeAfter | unfoldDetachAfter)));
    const bool tookOut = takeOut && TakePixMapBitmapOut(*src);

    UnfoldSource s{};
    s.options = options;
    s.bounds = src->bounds;
    HLOCAL block = nullptr;
    bool ok = true;
    if (readBitmap) {
        ok = AcquireBitmapInfo(src->pmExtBitmap, nullptr, &block, &s.info) != 0;
        if (ok) {
            s.bitmap = src->pmExtBitmap;
            s.colours = s.info->bmiColors;
            s.info->bmiHeader.biHeight = std::abs(s.info->bmiHeader.biHeight);
            s.info->bmiHeader.biSizeImage = 0;
            ok = GetDibGeometry(&s.info->bmiHeader, kBitmapInfoBytes, LargeDibsReadable(), &s.g) &&
                 !s.g.tooLarge;
        }
        if (ok && (options & unfoldPaletteIndices)) {
            auto *indices = reinterpret_cast<uint16_t *>(s.info->bmiColors);
            for (int i = 0; i < 256; ++i)
                indices[i] = static_cast<uint16_t>(i);
        }
    } else {
        s.info = reinterpret_cast<BITMAPINFO *>(*src->pmExtDib);
        s.bits = reinterpret_cast<const uint8_t *>(src->pmExtDibBits);
        ok = s.bits && GetDibGeometry(&s.info->bmiHeader, static_cast<uint32_t>(GetHandleSize(src->pmExtDib)),
                                      LargeDibsReadable(), &s.g) &&
             !s.g.tooLarge && DibHandleHolds(*src, s.g);
        // The colours follow a larger header, or the mask words, where there are any.
        if (ok)
            s.colours = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const uint8_t *>(s.info) + s.g.headerBytes -
                                                          s.g.colors * sizeof(RGBQUAD));
    }
    if (ok) {
        ok = pixMapDst ? UnfoldDibToPixMap(s, *reinterpret_cast<PixMap *>(dst)) : UnfoldDibToBitMap(s, *dst);
        if (ok && pixMapDst && IsExtended(*reinterpret_cast<PixMap *>(dst)))
            reinterpret_cast<PixMap *>(dst)->pmExtFlags |= pmExtOwnRows;
    }
    if (block)
        ReleaseBitmapInfo(block);

    bool bitmapGone = false;
    if (ok && (options & (unfoldDisposeAfter | unfoldDetachAfter))) {
        if (src->pmExtBitmap) {
            if (options & unfoldDisposeAfter)
                DeleteObject(src->pmExtBitmap);
            src->pmExtBitmap = nullptr;
            src->pmExtFlags &= static_cast<uint16_t>(~pmExtBitmapCached);
            bitmapGone = true;
        }
        if (src->pmExtDC) {
            DeleteDC(src->pmExtDC);
            src->pmExtDC = nullptr;
        }
        Handle dib = src->pmExtDib;
        src->pmExtDib = nullptr;
        src->pmExtDibBits = nullptr;
        src->pmExtFlags &= static_cast<uint16_t>(~(pmExtDibAttached | pmExtBitsPrepared | pmExtPaletteIndices | pmExtDibEngine));
        if (dib && (options & unfoldDisposeAfter))
            DisposeHandle(dib);
    }
    if (tookOut && !bitmapGone)
        PutPixMapBitmapBack(*src);
    return ok ? 1 : 0;
}

ZEL_EXTERN_C BITMAPINFO *ZEL_CALL ZEL_GetDIBFromPixMap(PixMapHandle pm, Ptr *bits)
{
    if (!HandleHasData(pm) || !IsExtended(**pm) || !((*pm)->pmExtFlags & pmExtDibAttached) ||
        !HandleHasData((*pm)->pmExtDib))
        return nullptr;
    if (bits)
        *bits = (*pm)->pmExtDibBits;
    return reinterpret_cast<BITMAPINFO *>(*(*pm)->pmExtDib);
}

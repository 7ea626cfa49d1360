// Colour pattern expansion: a verb's pattern laid over a rectangle as real pixels on the port's pattern
// grid, then transferred onto the port's bits with CopyBits in the verb's mode, through a mask region
// when one is given. Shapes drawn through the shape mask are painted so, and so are fills of full pixel
// patterns on colour ports.
//
// The tile is described once in PatternSource; while the tiling flag is set the pixel conversion engine
// reads its source rows from that tile, repeated in both directions, which fills a DIB PixMap of the
// rectangle (the temporary PixMap that CopyBits then reads like any other source, on every path).
#include "imaging.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>

namespace {

// The pattern being expanded: its pixels, their format and colour table, its size in pixels.
struct PatternSourceRecord {
    const uint8_t *baseAddr;
    int16_t rowBytes;
    int16_t pixelType, pixelSize, cmpCount, cmpSize;
    CTabHandle pmTable;
    int16_t width, height;
};

PatternSourceRecord sPatternSource;

// The last temporary PixMap, kept for the next expansion of the same size and depth: making one asks
// the device for its resolution and depth, which costs more than filling it.
PixMapHandle sBandCache;

int32_t FloorMod(int32_t a, int32_t b) { return ((a % b) + b) % b; }

// What the kept PixMap's pixels hold: the tile (its bytes and format), where the band starts in it and
// the band's size. The same pattern filled over the same size at the same phase again finds its pixels
// already in place; a pattern whose bytes changed in the meantime does not match.
struct BandContent {
    bool valid;
    int16_t rowBytes, pixelSize, width, height;
    int32_t phaseX, phaseY, bandWidth, bandHeight;
    int32_t tileBytes;
    uint8_t tile[4096];
};
BandContent sBandContent;

// The content a band at `band`, tiled from (x0, y0), would get from the pattern source; false when the
// tile is too large to be remembered.
bool DescribeBand(const Rect &band, int32_t x0, int32_t y0, BandContent *c)
{
    const PatternSourceRecord &ps = sPatternSource;
    const int32_t bytes = static_cast<int32_t>(ps.rowBytes) * ps.height;
    if (!ps.baseAddr || bytes <= 0 || bytes > static_cast<int32_t>(sizeof c->tile))
        return false;
    c->valid = true;
    c->rowBytes = ps.rowBytes;
    c->pixelSize = ps.pixelSize;
    c->width = ps.width;
    c->height = ps.height;
    c->phaseX = FloorMod(band.left - x0, ps.width);
    c->phaseY = FloorMod(band.top - y0, ps.height);
    c->bandWidth = band.right - band.left;
    c->bandHeight = band.bottom - band.top;
    c->tileBytes = bytes;
    std::memcpy(c->tile, ps.baseAddr, static_cast<size_t>(bytes));
    return true;
}

bool SameBandContent(const BandContent &a, const BandContent &b)
{
    return a.valid && b.valid && a.rowBytes == b.rowBytes && a.pixelSize == b.pixelSize && a.width == b.width &&
           a.height == b.height && a.phaseX == b.phaseX && a.phaseY == b.phaseY && a.bandWidth == b.bandWidth &&
           a.bandHeight == b.bandHeight && a.tileBytes == b.tileBytes &&
           std::memcmp(a.tile, b.tile, static_cast<size_t>(a.tileBytes)) == 0;
}

// Bytes of one temporary band at most: taller rectangles are expanded band by band.
constexpr int32_t kBandBytes = 1 << 20;
// Row bytes a PixMap can hold (14 bits), kept even.
constexpr int32_t kMaxRowBytes = 0x3FFE;


bool IsPatternDepth(int depth)
{
    return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 32;
}

// A full pixel pattern whose PixMap is sane and whose data hold every row it describes.
bool PixPatIsUsable(PixPatHandle pp)
{
    if (!HandleHasData(pp) || (*pp)->patType != 1 || !HandleHasData((*pp)->patMap) || !HandleHasData((*pp)->patData))
        return false;
    const PixMap &map = **(*pp)->patMap;
    const int32_t w = map.bounds.right - map.bounds.left, h = map.bounds.bottom - map.bounds.top;
    const int32_t rowBytes = map.rowBytes & 0x3FFF;
    if (w <= 0 || h <= 0 || !IsPatternDepth(map.pixelSize))
        return false;
    if (static_cast<int64_t>(rowBytes) * 8 < static_cast<int64_t>(w) * map.pixelSize)
        return false;
    if (map.pixelSize <= 8 && !HandleHasData(map.pmTable))
        return false;
    return GetHandleSize((*pp)->patData) >= static_cast<int64_t>(rowBytes) * h;
}

bool PixMapIsEmpty(PixPatHandle pp)
{
    if (!HandleHasData((*pp)->patMap))
        return true;
    const Rect &b = (**(*pp)->patMap).bounds;
    return b.right <= b.left || b.bottom <= b.top;
}

void Intersect(Rect &r, const Rect &with)
{
    r.left = std::max(r.left, with.left);
    r.top = std::max(r.top, with.top);
    r.right = std::min(r.right, with.right);
    r.bottom = std::min(r.bottom, with.bottom);
}

} // namespace

// The grid's phase in local coordinates: the tile's pixel (0, 0) lies at every multiple of the tile's
// size, so that adjacent fills join and the tiling follows the port's origin (rounded down for negative
// coordinates); a nonzero pattern origin (the record's brush origin, modulo 8) moves the grid by
// origin - 8.
void PatternGridOrigin(int32_t width, int32_t height, int32_t *x0, int32_t *y0)
{
    const PortDCRecord *record = CurrentPortRecord();
    const int ox = record ? record->brushOrg[0] & 7 : 0, oy = record ? record->brushOrg[1] & 7 : 0;
    // Any position of the grid modulo the tile will do.
    *x0 = FloorMod(ox ? ox - 8 : 0, width);
    *y0 = FloorMod(oy ? oy - 8 : 0, height);
}

namespace {

// Fills the DIB PixMap `band` (bounds in local coordinates) with the pattern source tiled from (x0, y0).
void FillFromPatternSource(PixMap &band, int32_t x0, int32_t y0)
{
    const PatternSourceRecord &ps = sPatternSource;
    PixMap tile{};
    tile.baseAddr = reinterpret_cast<Ptr>(const_cast<uint8_t *>(ps.baseAddr));
    tile.rowBytes = static_cast<int16_t>(0x8000 | ps.rowBytes);
    tile.bounds = Rect{0, 0, ps.height, ps.width};
    tile.pixelType = ps.pixelType;
    tile.pixelSize = ps.pixelSize;
    tile.cmpCount = ps.cmpCount;
    tile.cmpSize = ps.cmpSize;
    tile.pmTable = ps.pmTable;
    // Source coordinates taken modulo the tile: local (x, y) reads the tile at (x - x0, y - y0).
    const Rect &b = band.bounds;
    const Rect from{static_cast<int16_t>(b.top - y0), static_cast<int16_t>(b.left - x0),
                    static_cast<int16_t>(b.bottom - y0), static_cast<int16_t>(b.right - x0)};
    // The first tile height of rows is tiled; every later row repeats the row one tile above it.
    const int32_t height = b.bottom - b.top, width = b.right - b.left;
    const int32_t tiled = std::min<int32_t>(height, ps.height);
    if (!HandleHasData(band.pmExtDib) || !band.pmExtDibBits)
        return;
    const auto *header = reinterpret_cast<const BITMAPINFOHEADER *>(*band.pmExtDib);
    const int depth = header->biBitCount;
    const int32_t rowBytes = (header->biWidth * depth + 31) / 32 * 4;
    const int32_t rows = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    if (rows < height || header->biWidth < width)
        return;
    uint8_t *bits = reinterpret_cast<uint8_t *>(band.pmExtDibBits);
    auto row = [&](int32_t r) { return bits + static_cast<size_t>(header->biHeight < 0 ? r : rows - 1 - r) * rowBytes; };
    if (ps.pixelSize <= 8) {
        // Indices of the pattern's own table, stored as they are (2-bit ones in 4-bit pixels).
        for (int32_t r = 0; r < tiled; ++r) {
            const uint8_t *from = ps.baseAddr + FloorMod(b.top + r - y0, ps.height) * ps.rowBytes;
            uint8_t *to = row(r);
            int32_t column = FloorMod(b.left - x0, ps.width);
            for (int32_t x = 0; x < width; ++x) {
                const int ss = ps.pixelSize, sshift = 8 - ss - (column * ss) % 8;
                const uint32_t value = (from[column * ss / 8] >> sshift) & ((1u << ss) - 1);
                if (depth == 8) {
                    to[x] = static_cast<uint8_t>(value);
                } else {
                    const int dshift = 8 - depth - (x * depth) % 8;
                    uint8_t &cell = to[x * depth / 8];
                    cell = static_cast<uint8_t>((cell & ~(((1u << depth) - 1) << dshift)) | (value << dshift));
                }
                if (++column == ps.width)
                    column = 0;
            }
        }
    } else {
        // Direct pixels through the engine's tile mode, which puts them in the DIB's order.
        const Rect first{b.top, b.left, static_cast<int16_t>(b.top + tiled), b.right};
        const Rect firstFrom{from.top, from.left, static_cast<int16_t>(from.top + tiled), from.right};
        SetPatternTile(ps.baseAddr, ps.rowBytes, ps.height, ps.width);
        ConvertPixels(&tile, &band, firstFrom, first, srcCopy, ps.pmTable, DefaultOneBitCTable(), nullptr);
        ClearPatternTile();
    }
    for (int32_t r = tiled; r < height; ++r)
        std::memcpy(row(r), row(r - ps.height), static_cast<size_t>(rowBytes));
}

// A DIB PixMap of `band` in the format of `like`, with a copy of its colour table: the cached one when it
// has the size and depth (`*kept` set), else a new one. Nil when memory is short.
PixMapHandle BandPixMap(const Rect &band, const PixMap &like, bool *kept)
{
    *kept = false;
    if (HandleHasData(sBandCache)) {
        PixMap &p = **sBandCache;
        const auto *h = HandleHasData(p.pmExtDib) ? reinterpret_cast<BITMAPINFOHEADER *>(*p.pmExtDib) : nullptr;
        if (h && p.pixelSize == like.pixelSize && h->biWidth == band.right - band.left &&
            h->biHeight == band.bottom - band.top) {
            PixMapHandle pm = sBandCache;
            sBandCache = nullptr;
            Handle table = reinterpret_cast<Handle>(like.pmTable);
            if (table && HandToHand(&table) != noErr) {
                DisposeDibPixMap(pm);
                return nullptr;
            }
            PixMap &q = **pm;
            if (q.pmTable)
                DisposeCTable(q.pmTable);
            q.pmTable = reinterpret_cast<CTabHandle>(table);
            q.bounds = band;
            q.pixelType = like.pixelType;
            q.cmpCount = like.cmpCount;
            q.cmpSize = like.cmpSize;
            auto *header = reinterpret_cast<BITMAPINFOHEADER *>(*q.pmExtDib);
            if (header->biClrUsed && table) {
                RGBQUAD all[256];
                CopyCTabToQuads(q.pmTable, all);
                std::memcpy(header + 1, all, sizeof(RGBQUAD) * std::min<DWORD>(header->biClrUsed, 256));
            }
            *kept = true;
            return pm;
        }
    }
    return NewDibPixMapForRect(Point{band.top, band.left}, Point{band.bottom, band.right}, &like, false);
}

// Keeps a band PixMap, whose pixels hold `content`, for the next expansion.
void ReleaseBandPixMap(PixMapHandle pm, const BandContent &content)
{
    if (sBandCache)
        DisposeDibPixMap(sBandCache);
    sBandCache = pm;
    sBandContent = content;
}

} // namespace

void DisposeColorPatternCache()
{
    if (sBandCache)
        DisposeDibPixMap(sBandCache);
    sBandCache = nullptr;
    sBandContent.valid = false;
}

void GetVerbPattern(PixPatHandle *pp, Pattern **pat, uint8_t kind)
{
    *pp = nullptr;
    *pat = nullptr;
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    if (IsColorPort(port)) {
        CGrafPtr c = reinterpret_cast<CGrafPtr>(port);
        *pp = kind <= kPatternKindPenAlt ? c->pnPixPat
              : kind == kPatternKindBack ? c->bkPixPat
              : kind == kPatternKindFill ? c->fillPixPat
                                         : nullptr;
        return;
    }
    *pat = kind <= kPatternKindPenAlt ? &port->pnPat
           : kind == kPatternKindBack ? &port->bkPat
           : kind == kPatternKindFill ? &port->fillPat
                                      : nullptr;
}

bool PixPatIsLarge(PixPatHandle pp)
{
    if (!HandleHasData(pp) || (*pp)->patType != 1 || !HandleHasData((*pp)->patMap))
        return false;
    const Rect &b = (**(*pp)->patMap).bounds;
    return b.right - b.left > 8 || b.bottom - b.top > 8;
}

bool PatternNeedsMask(uint8_t kind)
{
    if (!IsColorPort(CurrentPort()))
        return false;
    PixPatHandle pp;
    Pattern *pat;
    GetVerbPattern(&pp, &pat, kind);
    return PixPatIsLarge(pp);
}

bool ExpandColorPattern(PixPatHandle pp, const Pattern *pat, const BitMap *dst, const Rect *r, int16_t mode,
                        RgnHandle mask)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!dst || !r || !port || !record)
        return true;
    if (!HandleHasData(pp))
        pp = nullptr;

    // 1. The pattern source.
    PatternSourceRecord &ps = sPatternSource;
    ps = PatternSourceRecord{};
    Handle data = nullptr;
    CTabHandle madeTable = nullptr;
    uint32_t rgbPixel = 0;
    Pattern oneBit{};
    if (pp && (*pp)->patType == 1 && PixMapIsEmpty(pp))
        return true; // an empty pattern draws nothing
    if (pp && PixPatIsUsable(pp)) {
        const PixMap &map = **(*pp)->patMap;
        data = (*pp)->patData;
        ps.rowBytes = static_cast<int16_t>(map.rowBytes & 0x3FFF);
        ps.pixelType = map.pixelType;
        ps.pixelSize = map.pixelSize;
        ps.cmpCount = map.cmpCount;
        ps.cmpSize = map.cmpSize;
        ps.pmTable = map.pmTable;
        ps.width = static_cast<int16_t>(map.bounds.right - map.bounds.left);
        ps.height = static_cast<int16_t>(map.bounds.bottom - map.bounds.top);
    } else if (pp && (*pp)->patType == 2) {
        // An RGB pattern tiles its colour; its one-bit form is plain black.
        const RGBColor c = (*pp)->patRGB;
        rgbPixel = static_cast<uint32_t>((c.red >> 8) << 16 | (c.green >> 8) << 8 | c.blue >> 8);
        ps.baseAddr = reinterpret_cast<const uint8_t *>(&rgbPixel);
        ps.rowBytes = 4;
        ps.pixelType = 16;
        ps.pixelSize = 32;
        ps.cmpCount = 3;
        ps.cmpSize = 8;
        ps.width = 1;
        ps.height = 1;
    } else {
        // A classic pattern, or a pixel pattern's one-bit form: background where a bit is clear,
        // foreground where it is set.
        if (pp)
            oneBit = (*pp)->pat1Data;
        else if (pat)
            oneBit = *pat;
        else
            return true; // no pattern at all: nothing is drawn
        madeTable = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 2 * sizeof(ColorSpec)));
        if (!madeTable)
            return false;
        (*madeTable)->ctSeed = GetCTSeed();
        (*madeTable)->ctSize = 1;
        (*madeTable)->ctTable[0] = ColorSpec{0, record->backRGB};
        (*madeTable)->ctTable[1] = ColorSpec{1, record->foreRGB};
        ps.baseAddr = oneBit.pat;
        ps.rowBytes = 1;
        ps.pixelSize = 1;
        ps.cmpCount = 1;
        ps.cmpSize = 1;
        ps.pmTable = madeTable;
        ps.width = 8;
        ps.height = 8;
    }

    // 2, 3. The rectangle, cut to where anything can land, and the grid it tiles on.
    Rect area = *r;
    Intersect(area, port->portRect);
    if (HandleHasData(port->clipRgn))
        Intersect(area, (**port->clipRgn).rgnBBox);
    if (HandleHasData(port->visRgn))
        Intersect(area, (**port->visRgn).rgnBBox);
    if (HandleHasData(mask))
        Intersect(area, (**mask).rgnBBox);
    int32_t x0, y0;
    PatternGridOrigin(ps.width, ps.height, &x0, &y0);

    // 4. Band by band: a DIB PixMap of the band in the pattern's format (2-bit pixels as 4-bit ones, which
    // Windows can hold), filled from the tile and transferred in the verb's mode through the mask.
    bool made = true;
    if (area.right > area.left && area.bottom > area.top) {
        int8_t dataState = 0;
        if (data) {
            dataState = HGetState(data);
            HLock(data);
            ps.baseAddr = reinterpret_cast<const uint8_t *>(*data);
        }
        PixMap like{};
        like.pixelType = ps.pixelType;
        like.pixelSize = ps.pixelSize == 2 ? 4 : ps.pixelSize;
        like.cmpCount = ps.cmpCount;
        like.cmpSize = like.pixelSize <= 8 ? like.pixelSize : ps.cmpSize;
        like.pmTable = ps.pmTable;
        const int32_t bandWidth = std::min<int32_t>(area.right - area.left, kMaxRowBytes * 8 / like.pixelSize);
        const int32_t rowBytes = (bandWidth * like.pixelSize + 31) / 32 * 4;
        const int32_t bandHeight = std::max<int32_t>(1, kBandBytes / rowBytes);
        for (int32_t top = area.top; top < area.bottom && made; top += bandHeight) {
            for (int32_t left = area.left; left < area.right && made; left += bandWidth) {
                const Rect band{static_cast<int16_t>(top), static_cast<int16_t>(left),
                                static_cast<int16_t>(std::min<int32_t>(top + bandHeight, area.bottom)),
                                static_cast<int16_t>(std::min<int32_t>(left + bandWidth, area.right))};
                bool kept = false;
                PixMapHandle image = BandPixMap(band, like, &kept);
                if (!image) {
                    sBandContent.valid = false;
                    made = false;
                    break;
                }
                HLock(reinterpret_cast<Handle>(image));
                // A kept band that already holds these pixels is not filled again.
                BandContent content;
                content.valid = false;
                const bool described = DescribeBand(band, x0, y0, &content);
                if (!(kept && described && SameBandContent(content, sBandContent)))
                    FillFromPatternSource(**image, x0, y0);
                // The pixels hold their own colours: CopyBits colourises none of them.
                ClearCopyBitsRanFlag();
                CopyBits(reinterpret_cast<const BitMap *>(*image), dst, &band, &band, mode, mask);
                HUnlock(reinterpret_cast<Handle>(image));
                ReleaseBandPixMap(image, content);
            }
        }
        if (data)
            HSetState(data, dataState);
    }

    // 5. The source is forgotten.
    if (madeTable)
        DisposeHandle(reinterpret_cast<Handle>(madeTable));
    ps = PatternSourceRecord{};
    return made;
}

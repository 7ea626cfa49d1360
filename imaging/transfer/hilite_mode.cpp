// Hilite mode: with the HiliteMode bit (0x80 of the low-memory byte) cleared before a drawing call, the
// background and hilite colours are exchanged instead of inverting. The screen pixels of the affected
// rectangle are read into bitmaps compatible with the device, the two pixel values exchanged there (for
// CopyBits only under the set bits of a one-bit mask) and the bitmaps written back. Also the map from the
// library palette's entries to the system palette's indices, kept for its palette.
#include "imaging.h"
#include "MacMemory.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// ---- The palette index map ----
uint16_t *sIndexMap;
int sIndexMapEntries;
HPALETTE sIndexMapPalette;

void FreeIndexMap()
{
    std::free(sIndexMap);
    sIndexMap = nullptr;
    sIndexMapEntries = 0;
    sIndexMapPalette = nullptr;
}

// A swap the test programs make fail, to see the caller draw the ordinary way.
bool sSwapRefused;

// ---- The pixel values ----

// A memory DC like `dc`, with its palette selected and realised (the displaced one is put back when the
// guard ends).
class MemoryLike {
public:
    explicit MemoryLike(HDC dc) : dc_(CreateCompatibleDC(dc)), palette_(nullptr)
    {
        HPALETTE current = static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL));
        if (dc_ && current) {
            palette_ = SelectPalette(dc_, current, TRUE);
            RealizePalette(dc_);
        }
    }
    ~MemoryLike()
    {
        if (dc_) {
            if (palette_)
                SelectPalette(dc_, palette_, TRUE);
            DeleteDC(dc_);
        }
    }
    MemoryLike(const MemoryLike &) = delete;
    MemoryLike &operator=(const MemoryLike &) = delete;
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HPALETTE palette_;
};

// How the bits of a bitmap compatible with the device are exchanged: as DIB indices by the bitmap
// operations (4 and 8 bits, on displays whose DIB round trip works), else in GetBitmapBits' own layout,
// whole pixels (16, 24 and 32 bits too).
enum class SwapRoute { dibIndices, bitmapBits };

SwapRoute RouteFor(int bitsPerPixel)
{
    const bool probe = LibrarySetting(settingScreenProbe) == 1;
    return probe && (bitsPerPixel == 4 || bitsPerPixel == 8) ? SwapRoute::dibIndices : SwapRoute::bitmapBits;
}

// What a bitmap compatible with the device is: its record (a DIB section's too, for the pool of strips
// below) and the route its bits are exchanged by.
struct DeviceFormat {
    BITMAP record;
    bool dibSection;
    DWORD compression, masks[3];
    SwapRoute route;
};

bool SameFormat(const DeviceFormat &a, const DeviceFormat &b)
{
    return a.record.bmBitsPixel == b.record.bmBitsPixel && a.record.bmPlanes == b.record.bmPlanes &&
           a.dibSection == b.dibSection && a.compression == b.compression &&
           std::memcmp(a.masks, b.masks, sizeof a.masks) == 0;
}

// The value the colour painted into pixel (0, 0) of `one`, a bitmap compatible with the device, takes
// as the route reads it. False when it cannot be read.
bool PixelValueOf(HDC memory, HBITMAP one, const BITMAP &record, COLORREF colour, SwapRoute route, uint32_t *value)
{
    HGDIOBJ old = SelectObject(memory, one);
    SetPixelV(memory, 0, 0, colour);
    SelectObject(memory, old);
    bool read = true;
    *value = 0;
    if (route == SwapRoute::dibIndices) {
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD colours[256];
        } info{};
        info.h = {sizeof(BITMAPINFOHEADER), 1, 1, 1, static_cast<WORD>(record.bmBitsPixel), BI_RGB, 0, 0, 0, 0, 0};
        uint8_t bits[4] = {};
        read = GetDIBits(memory, one, 0, 1, bits, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS) == 1;
        *value = record.bmBitsPixel == 4 ? bits[0] >> 4 : bits[0];
    } else {
        // GetBitmapBits' rows are whole 16-bit words (a DIB section's record counts 32-bit ones).
        uint8_t bits[8] = {};
        const LONG bytes = (record.bmBitsPixel + 15) / 16 * 2 * record.bmPlanes;
        read = bytes <= 8 && GetBitmapBits(one, bytes, bits) == bytes;
        std::memcpy(value, bits, record.bmBitsPixel >= 32 ? 4 : record.bmBitsPixel >= 24 ? 3 : record.bmBitsPixel >= 16 ? 2 : 1);
        if (record.bmBitsPixel < 8)
            *value = bits[0] >> (8 - record.bmBitsPixel);
    }
    return read;
}

// The format of bitmaps compatible with `dc` and the two colours' values in it, read from one 1 x 1 such
// bitmap (asking the DC its depth instead is slow on some systems). False when the bitmap cannot be made
// or read.
bool ReadDeviceFormat(HDC dc, HDC memory, COLORREF background, COLORREF hilite, DeviceFormat *format, uint32_t *bk,
                      uint32_t *hi)
{
    HBITMAP one = CreateCompatibleBitmap(dc, 1, 1);
    if (!one)
        return false;
    DIBSECTION dib{};
    const int size = GetObjectA(one, sizeof dib, &dib);
    bool read = size == sizeof(BITMAP) || size == sizeof(DIBSECTION);
    if (read) {
        format->record = dib.dsBm;
        format->dibSection = size == sizeof(DIBSECTION);
        format->compression = format->dibSection ? dib.dsBmih.biCompression : 0;
        for (int i = 0; i < 3; ++i)
            format->masks[i] = format->dibSection ? dib.dsBitfields[i] : 0;
        format->route = RouteFor(dib.dsBm.bmBitsPixel * dib.dsBm.bmPlanes);
        read = PixelValueOf(memory, one, format->record, background, format->route, bk) &&
               PixelValueOf(memory, one, format->record, hilite, format->route, hi);
    }
    DeleteObject(one);
    return read;
}

COLORREF ToColorRef(const RGBColor &c) { return RGB(c.red >> 8, c.green >> 8, c.blue >> 8); }

// The port's background colour and its hilite colour (a colour port's own, else the low-memory one).
void HiliteColors(COLORREF *background, COLORREF *hilite)
{
    const PortDCRecord *record = CurrentPortRecord();
    *background = record ? ToColorRef(record->backRGB) : RGB(255, 255, 255);
    RGBColor h = LowMem<RGBColor>(lmHiliteRGB);
    GrafPtr port = CurrentPort();
    if (IsColorPort(port)) {
        Handle vars = reinterpret_cast<CGrafPtr>(port)->grafVars;
        if (HandleHasData(vars) && static_cast<uint32_t>(GetHandleSize(vars)) >= sizeof(GrafVars))
            h = reinterpret_cast<GrafVars *>(*vars)->rgbHiliteColor;
    }
    *hilite = ToColorRef(h);
}

// The format of the device of `dc` and its two pixel values for its route; false when they cannot be
// had or are one.
bool HiliteColorsForDevice(HDC dc, HDC memory, DeviceFormat *format, uint32_t *bk, uint32_t *hi)
{
    COLORREF background, hilite;
    HiliteColors(&background, &hilite);
    return ReadDeviceFormat(dc, memory, background, hilite, format, bk, hi) && *bk != *hi;
}

// Exchanges the values in a bitmap compatible with the device, under a mask when one is given.
bool SwapInBitmap(HDC memory, HBITMAP bitmap, const BitMap *mask, SwapRoute route, uint32_t bk, uint32_t hi)
{
    if (sSwapRefused)
        return false;
    BITMAP record{};
    if (!GetObjectA(bitmap, sizeof record, &record))
        return false;
    if (route == SwapRoute::dibIndices) {
        const uint8_t a = static_cast<uint8_t>(bk), b = static_cast<uint8_t>(hi);
        return mask ? SwapBitmapColorsMasked(memory, mask, bitmap, &record, a, b)
                    : SwapBitmapColors(memory, bitmap, &record, a, b);
    }
    return mask ? SwapBitmapMaskedColors(nullptr, mask, nullptr, bitmap, &record, bk, hi)
                : SwapBitmapHiliteColors(nullptr, bitmap, &record, bk, hi);
}

// A strip of the rectangle: its bitmap holding the exchanged pixels, and where it goes.
struct Strip {
    HBITMAP bitmap;
    int top, rows;
};

// The strips' bitmaps of the last rectangle, kept for the next one of the same width and strip height on
// a device of the same format (a rectangle hilited and unhilited again and again makes its bitmaps
// once). Only bitmaps without a colour table are kept: an indexed DIB section's copy of its DC's table
// could be stale by the next call.
constexpr int64_t kMostKeptStripBytes = 4 << 20;
struct StripPool {
    DeviceFormat format{};
    int width = 0, stripRows = 0;
    std::vector<HBITMAP> bitmaps;
} sStripPool;

void EmptyStripPool()
{
    for (HBITMAP b : sStripPool.bitmaps)
        DeleteObject(b);
    sStripPool = StripPool{};
}

bool Keepable(const DeviceFormat &format, int64_t bytes)
{
    return bytes <= kMostKeptStripBytes && (!format.dibSection || format.record.bmBitsPixel >= 16);
}

// The bitmaps for `count` strips of width x stripRows (the last may use fewer rows of its bitmap), from
// the pool when it matches; nil entries where one could not be made.
std::vector<HBITMAP> TakeStripBitmaps(HDC dc, const DeviceFormat &format, int width, int stripRows, int count)
{
    std::vector<HBITMAP> bitmaps;
    StripPool &pool = sStripPool;
    if (!pool.bitmaps.empty() && pool.width == width && pool.stripRows == stripRows && SameFormat(pool.format, format))
        bitmaps.swap(pool.bitmaps);
    else
        EmptyStripPool();
    while (static_cast<int>(bitmaps.size()) > count) {
        DeleteObject(bitmaps.back());
        bitmaps.pop_back();
    }
    while (static_cast<int>(bitmaps.size()) < count)
        bitmaps.push_back(CreateCompatibleBitmap(dc, width, stripRows));
    return bitmaps;
}

// The strips' bitmaps go back to the pool, or are deleted when they are not worth keeping.
void ReturnStripBitmaps(std::vector<HBITMAP> &bitmaps, const DeviceFormat &format, int width, int stripRows,
                        int64_t bytes)
{
    EmptyStripPool();
    if (Keepable(format, bytes)) {
        sStripPool.format = format;
        sStripPool.width = width;
        sStripPool.stripRows = stripRows;
        sStripPool.bitmaps.swap(bitmaps);
    }
    for (HBITMAP b : bitmaps)
        if (b)
            DeleteObject(b);
    bitmaps.clear();
}

} // namespace

bool HiliteScreenRect(const RECT &r)
{
    if (r.right <= r.left || r.bottom <= r.top)
        return true;
    const PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!dc || (record && record->depth == 1))
        return false;
    MemoryLike memory(dc);
    DeviceFormat format{};
    uint32_t bk = 0, hi = 0;
    if (!memory.dc() || !HiliteColorsForDevice(dc, memory.dc(), &format, &bk, &hi))
        return false;
    // Strips of under 64 KB each, top-down over the whole rectangle; every strip is read and exchanged
    // before any is written back, so that a failure leaves the screen as it was.
    const int bitsPerPixel = format.record.bmBitsPixel, planes = format.record.bmPlanes;
    const int width = r.right - r.left;
    const int64_t rowBytes = ((static_cast<int64_t>(bitsPerPixel) * width + 7) / 8 + 1) & ~1;
    const int64_t most = 0x10000 / (planes * rowBytes) - 1;
    const int stripRows = most < 1 ? 1 : static_cast<int>(most);
    const int count = static_cast<int>((r.bottom - r.top + stripRows - 1) / stripRows);
    std::vector<HBITMAP> bitmaps = TakeStripBitmaps(dc, format, width, stripRows, count);
    std::vector<Strip> strips;
    bool ok = true;
    for (int i = 0, top = r.top; ok && top < r.bottom; ++i, top += stripRows) {
        const int rows = r.bottom - top < stripRows ? r.bottom - top : stripRows;
        HBITMAP bitmap = bitmaps[i];
        ok = bitmap != nullptr;
        if (ok) {
            HGDIOBJ old = SelectObject(memory.dc(), bitmap);
            ok = BitBlt(memory.dc(), 0, 0, width, rows, dc, r.left, top, SRCCOPY) != 0;
            SelectObject(memory.dc(), old);
            ok = ok && SwapInBitmap(memory.dc(), bitmap, nullptr, format.route, bk, hi);
            strips.push_back({bitmap, top, rows});
        }
    }
    if (ok) {
        for (const Strip &s : strips) {
            HGDIOBJ old = SelectObject(memory.dc(), s.bitmap);
            BitBlt(dc, r.left, s.top, width, s.rows, memory.dc(), 0, 0, SRCCOPY);
            SelectObject(memory.dc(), old);
        }
    }
    ReturnStripBitmaps(bitmaps, format, width, stripRows, static_cast<int64_t>(count) * planes * rowBytes * stripRows);
    return ok;
}

bool HiliteCopyBits(HDC dc, const PixMap *src, const Rect &srcRect, const Rect &dstRect)
{
    const int width = srcRect.right - srcRect.left, height = srcRect.bottom - srcRect.top;
    if (!src || src->pixelSize != 1 || src->cmpCount != 1 || width != dstRect.right - dstRect.left ||
        height != dstRect.bottom - dstRect.top || width < 1 || height < 1 ||
        reinterpret_cast<uintptr_t>(src->baseAddr) < 0x10000)
        return false;
    const Rect &bounds = src->bounds;
    if (srcRect.left < bounds.left || srcRect.top < bounds.top || srcRect.right > bounds.right ||
        srcRect.bottom > bounds.bottom)
        return false;
    // The mask's bits under srcRect, copied to rows of their own that start at its first bit.
    const int32_t srcRowBytes = src->rowBytes & 0x3FFF;
    const int32_t maskRowBytes = ((width + 15) / 16) * 2;
    std::vector<uint8_t> maskBits(static_cast<size_t>(maskRowBytes) * height, 0);
    const uint8_t *base = reinterpret_cast<const uint8_t *>(src->baseAddr);
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = base + static_cast<int64_t>(srcRect.top - bounds.top + y) * srcRowBytes;
        for (int x = 0; x < width; ++x) {
            const int bit = srcRect.left - bounds.left + x;
            if ((row[bit >> 3] >> (7 - (bit & 7))) & 1)
                maskBits[y * maskRowBytes + (x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
    }
    const BitMap mask = {reinterpret_cast<Ptr>(maskBits.data()), static_cast<int16_t>(maskRowBytes),
                         {0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)}};

    if (!dc)
        return false;
    MemoryLike memory(dc);
    DeviceFormat format{};
    uint32_t bk = 0, hi = 0;
    if (!memory.dc() || !HiliteColorsForDevice(dc, memory.dc(), &format, &bk, &hi))
        return false;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    if (!bitmap)
        return false;
    HGDIOBJ old = SelectObject(memory.dc(), bitmap);
    bool ok = BitBlt(memory.dc(), 0, 0, width, height, dc, dstRect.left, dstRect.top, SRCCOPY) != 0;
    SelectObject(memory.dc(), old);
    ok = ok && SwapInBitmap(memory.dc(), bitmap, &mask, format.route, bk, hi);
    if (ok) {
        old = SelectObject(memory.dc(), bitmap);
        BitBlt(dc, dstRect.left, dstRect.top, width, height, memory.dc(), 0, 0, SRCCOPY);
        SelectObject(memory.dc(), old);
    }
    DeleteObject(bitmap);
    return ok;
}

void BuildPaletteIndexMap(HDC dc, HPALETTE palette)
{
    if (!ScreenPaletteSize() || !dc || !palette) {
        FreeIndexMap();
        return;
    }
    // The system palette of the screen the DC stands for: the replaced DC's when this one was swapped in.
    HDC systemDC = dc == CurrentDC() && SwapMode() == 1 && MirrorDC() ? MirrorDC() : dc;
    UINT entries = GetPaletteEntries(palette, 0, 0, nullptr);
    if (entries == 236)
        entries = 256;
    if (entries == 0 || entries > 256) {
        FreeIndexMap();
        return;
    }
    PALETTEENTRY logical[256] = {}, system[256] = {};
    const UINT read = GetPaletteEntries(palette, 0, entries, logical);
    const UINT systemCount = GetSystemPaletteEntries(systemDC, 0, 256, system);
    if (!read || !systemCount) {
        FreeIndexMap();
        return;
    }
    if (!sIndexMap || sIndexMapEntries < static_cast<int>(entries)) {
        FreeIndexMap();
        sIndexMap = static_cast<uint16_t *>(std::malloc(entries * sizeof(uint16_t)));
        if (!sIndexMap)
            return;
        for (UINT i = 0; i < entries; ++i)
            sIndexMap[i] = static_cast<uint16_t>(i);
    }
    // Each entry takes the first system index of its colour; an entry the system palette lacks keeps
    // what it had.
    for (UINT i = 0; i < read; ++i)
        for (UINT s = 0; s < systemCount; ++s)
            if (system[s].peRed == logical[i].peRed && system[s].peGreen == logical[i].peGreen &&
                system[s].peBlue == logical[i].peBlue) {
                sIndexMap[i] = static_cast<uint16_t>(s);
                break;
            }
    sIndexMapEntries = static_cast<int>(entries);
    sIndexMapPalette = palette;
}

bool PaletteIndexMapExists() { return sIndexMap != nullptr; }

void FreePaletteIndexMap() { FreeIndexMap(); }

void FreeHiliteStrips() { EmptyStripPool(); }

ZEL_EXTERN_C int16_t ZEL_CALL CopyPaletteIndexMap(uint16_t *entries, int16_t capacity)
{
    if (!sIndexMap)
        return 0;
    const int n = sIndexMapEntries < capacity ? sIndexMapEntries : capacity;
    if (entries && n > 0)
        std::memcpy(entries, sIndexMap, static_cast<size_t>(n) * sizeof(uint16_t));
    return static_cast<int16_t>(sIndexMapEntries);
}

ZEL_EXTERN_C Boolean ZEL_CALL RefuseHiliteSwaps(Boolean refuse)
{
    const bool was = sSwapRefused;
    sSwapRefused = refuse != 0;
    return was;
}

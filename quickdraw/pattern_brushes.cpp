// Pattern brushes: a port's pen, background and fill patterns as Windows brushes selected into its
// DC. One-bit patterns share an eight-entry cache of reference-counted pattern brushes; a
// black-and-white port keeps the last brush it made; a PixPat keeps its own brush until its pattern
// changes. The DC's text and background colours colour a one-bit pattern brush.
#include "quickdraw.h"

#include <algorithm>
#include <cstring>

#include "MacMemory.h"

namespace {

// ---- The shared cache of one-bit pattern brushes ----
struct BrushCacheEntry {
    uint8_t inUse;
    Pattern pattern;
    HBRUSH brush;
    int32_t refCount;
};
constexpr int kBrushCacheSize = 8;
struct BrushCacheTable {
    BrushCacheEntry entries[kBrushCacheSize];
    uint32_t hits;
    uint32_t misses;
};
BrushCacheTable sBrushCache;

// The five standard pattern bitmaps (white, black, gray, ltGray, dkGray) and the stock brushes.
HBITMAP sStandardBitmaps[5];
HBRUSH sStockBlackBrush;
HBRUSH sStockWhiteBrush;

// Modes set by printing and by the screen probe.
HDC sMonochromePrinterDC;
HDC sPostScriptPrinterDC;
bool sSolidBlackWhiteBrushes;
// Set while drawing goes into a one-bit mask DC: the selected brush is left alone.
bool sMaskDrawing;

constexpr uint16_t kBrushKindMask = 0x0003;
constexpr uint16_t kBrushAllFore = 0x0040;
constexpr uint16_t kBrushAllBack = 0x0080;

// Dither patterns for monochrome printers, index 0 darkest.
const uint8_t kPrinterDitherPatterns[25][8] = {
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0x77, 0xFF, 0xFF, 0xFF, 0x77},
    {0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD, 0xFF, 0x77}, {0xFF, 0xDD, 0xFF, 0x55, 0xFF, 0xDD, 0xFF, 0x55},
    {0xFF, 0x55, 0xFF, 0x55, 0xFF, 0x55, 0xFF, 0x55}, {0xFF, 0x55, 0xBB, 0x55, 0xFF, 0x55, 0xBB, 0x55},
    {0xEE, 0x55, 0xBB, 0x55, 0xEE, 0x55, 0xBB, 0x55}, {0xEE, 0x55, 0xAA, 0x55, 0xEE, 0x55, 0xAA, 0x55},
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}, {0xAA, 0x55, 0xAA, 0x51, 0xAA, 0x55, 0xAA, 0x15},
    {0xAA, 0x55, 0xAA, 0x11, 0xAA, 0x55, 0xAA, 0x11}, {0xAA, 0x54, 0xAA, 0x11, 0xAA, 0x45, 0xAA, 0x11},
    {0xAA, 0x44, 0xAA, 0x11, 0xAA, 0x44, 0xAA, 0x11}, {0xAA, 0x40, 0xAA, 0x11, 0xAA, 0x04, 0xAA, 0x11},
    {0xAA, 0x00, 0xAA, 0x11, 0xAA, 0x00, 0xAA, 0x11}, {0xAA, 0x00, 0xAA, 0x10, 0xAA, 0x00, 0xAA, 0x01},
    {0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00}, {0xAA, 0x00, 0xA2, 0x00, 0xAA, 0x00, 0x2A, 0x00},
    {0xAA, 0x00, 0x22, 0x00, 0xAA, 0x00, 0x22, 0x00}, {0xA8, 0x00, 0x22, 0x00, 0x8A, 0x00, 0x22, 0x00},
    {0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00}, {0x88, 0x00, 0x20, 0x00, 0x88, 0x00, 0x02, 0x00},
    {0x88, 0x00, 0x00, 0x00, 0x88, 0x00, 0x00, 0x00}, {0x80, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};

bool SamePattern(const Pattern &a, const Pattern &b) { return std::memcmp(a.pat, b.pat, sizeof a.pat) == 0; }
bool SameRGB(const RGBColor &a, const RGBColor &b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

const Pattern &BlackPattern() { return LowMem<Pattern>(lmBlack); }
const Pattern &WhitePattern() { return LowMem<Pattern>(lmWhite); }

// The printer DC is known here only while a monochrome print job runs.
bool OnMonochromePrinter() { return sMonochromePrinterDC && CurrentDC() == sMonochromePrinterDC; }

// Lookup: returns the entry's index, or -1 when all eight entries are held by other patterns.
int LookUpCacheEntry(const Pattern &pattern)
{
    for (int i = 0; i < kBrushCacheSize; ++i) {
        BrushCacheEntry &entry = sBrushCache.entries[i];
        if (!entry.inUse) {
            ++sBrushCache.misses;
            entry = BrushCacheEntry{1, pattern, nullptr, 1};
            return i;
        }
        if (!SamePattern(entry.pattern, pattern))
            continue;
        ++sBrushCache.hits;
        if (i == 0) {
            ++entry.refCount;
            return 0;
        }
        // A pattern used often climbs one place per use toward the front.
        std::swap(sBrushCache.entries[i], sBrushCache.entries[i - 1]);
        ++sBrushCache.entries[i - 1].refCount;
        return i - 1;
    }
    ++sBrushCache.misses;
    BrushCacheEntry &last = sBrushCache.entries[kBrushCacheSize - 1];
    if (last.brush && last.refCount != 0)
        return -1;
    if (last.brush)
        DeleteObject(last.brush);
    last = BrushCacheEntry{1, pattern, nullptr, 1};
    return kBrushCacheSize - 1;
}

// The cache entry holding `brush`, or 0.
BrushCacheEntry *CacheEntryOf(HBRUSH brush)
{
    if (!brush)
        return nullptr;
    for (BrushCacheEntry &entry : sBrushCache.entries)
        if (entry.inUse && entry.brush == brush)
            return &entry;
    return nullptr;
}

// 16-bit colour components -> Windows colour, reduced to black or white on a one-bit device.
COLORREF PortColorRef(const RGBColor &rgb, const PortDCRecord *record)
{
    if (record && record->depth == 1) {
        uint32_t luminance = (5u * rgb.red + 9u * rgb.green + 2u * rgb.blue) >> 4;
        return luminance < 32769 ? RGB(0, 0, 0) : RGB(0xFF, 0xFF, 0xFF);
    }
    return RGBColorToColorRef(rgb);
}

// The gray level of a colour as an index into the dither table (0 black .. 24 white).
int DitherIndex(const RGBColor &rgb)
{
    int index = MulDiv(30 * (rgb.red >> 8) + 59 * (rgb.green >> 8) + 11 * (rgb.blue >> 8), 24, 25500);
    return std::clamp(index, 0, 24);
}

PixPatHandle PortPixPat(CGrafPtr port, int kind)
{
    return kind == patternPen ? port->pnPixPat : kind == patternBack ? port->bkPixPat : port->fillPixPat;
}

PixPatHandle &PortPixPatField(CGrafPtr port, int kind)
{
    return kind == patternPen ? port->pnPixPat : kind == patternBack ? port->bkPixPat : port->fillPixPat;
}

Pattern &PortPatternField(GrafPtr port, int kind)
{
    return kind == patternPen ? port->pnPat : kind == patternBack ? port->bkPat : port->fillPat;
}

PixPatHandle PortDCRecord::*OwnPixPatField(int kind)
{
    return kind == patternPen ? &PortDCRecord::ownPenPixPat
           : kind == patternBack ? &PortDCRecord::ownBackPixPat
                                 : &PortDCRecord::ownFillPixPat;
}

// The packed DIB of a full pixel pattern; 0 when the PixMap, its colour table or the data do not
// describe a complete image. Every read stays inside the handles' sizes.
HBRUSH MakePixelPatternBrush(const PixPat &pat)
{
    if (!HandleHasData(pat.patMap) || !HandleHasData(pat.patData))
        return nullptr;
    const PixMap &map = **pat.patMap;
    int width = map.bounds.right - map.bounds.left;
    int height = map.bounds.bottom - map.bounds.top;
    int bitCount = map.pixelSize;
    uint32_t macRowBytes = static_cast<uint16_t>(map.rowBytes) & 0x3FFF;
    if (width <= 0 || height <= 0 || bitCount <= 0 || bitCount > 32)
        return nullptr;
    if (macRowBytes * 8 < static_cast<uint32_t>(width) * bitCount)
        return nullptr;
    uint32_t dataSize = static_cast<uint32_t>(GetHandleSize(pat.patData));
    if (dataSize < macRowBytes * static_cast<uint32_t>(height))
        return nullptr;

    // Colour entries: ctSize + 1 of them, as many as the table's handle really holds.
    int colours = 0;
    const ColorTable *table = nullptr;
    if (bitCount <= 8 && HandleHasData(map.pmTable)) {
        table = *map.pmTable;
        uint32_t tableSize = static_cast<uint32_t>(GetHandleSize(reinterpret_cast<Handle>(map.pmTable)));
        int held = tableSize >= 8 ? static_cast<int>((tableSize - 8) / sizeof(ColorSpec)) : 0;
        colours = std::min({table->ctSize + 1, held, 1 << bitCount});
        colours = std::max(colours, 0);
    }

    // Windows takes no 2-bit DIBs: 2-bit rows go out as 4-bit ones, each index as the same 4-bit index of
    // the same table.
    const bool widenTwoBit = bitCount == 2;
    const uint32_t dibRowBytes = widenTwoBit ? ((static_cast<uint32_t>(width) * 4 + 7) / 8 + 3) & ~3u : (macRowBytes + 3) & ~3u;
    size_t headerSize = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    size_t total = headerSize + static_cast<size_t>(dibRowBytes) * height;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, total);
    if (!memory)
        return nullptr;
    auto *bytes = static_cast<uint8_t *>(GlobalLock(memory));
    if (!bytes) {
        GlobalFree(memory);
        return nullptr;
    }
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(bytes);
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(widenTwoBit ? 4 : bitCount);
    header->biCompression = BI_RGB;
    header->biClrUsed = static_cast<DWORD>(colours);
    auto *quads = reinterpret_cast<RGBQUAD *>(bytes + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < colours; ++i) {
        const RGBColor &rgb = table->ctTable[i].rgb;
        quads[i] = RGBQUAD{static_cast<BYTE>(rgb.blue >> 8), static_cast<BYTE>(rgb.green >> 8),
                           static_cast<BYTE>(rgb.red >> 8), 0};
    }
    // Bottom-up rows: the pattern's last row becomes the bitmap's first.
    const uint8_t *source = reinterpret_cast<const uint8_t *>(*pat.patData);
    uint8_t *rows = bytes + headerSize;
    for (int r = 0; r < height; ++r) {
        const uint8_t *from = source + static_cast<size_t>(height - 1 - r) * macRowBytes;
        uint8_t *to = rows + static_cast<size_t>(r) * dibRowBytes;
        if (!widenTwoBit) {
            std::memcpy(to, from, macRowBytes);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const int index = (from[x / 4] >> (6 - 2 * (x % 4))) & 3;
            to[x / 2] = static_cast<uint8_t>(to[x / 2] | index << (x % 2 ? 0 : 4));
        }
    }
    HBRUSH brush = CreateDIBPatternBrushPt(bytes, DIB_RGB_COLORS);
    GlobalUnlock(memory);
    GlobalFree(memory);
    return brush;
}

// A full pixel pattern that is really a one-bit 8 by 8 pattern is drawn as a one-bit pattern: pat1Data
// takes the first byte of each of its rows (as far as the data go). One whose data are too short for
// its PixMap is drawn from its pat1Data as the caller left it, in the port's colours (`portColours`).
bool ReduceToOneBitPattern(PixPat &pat, bool *portColours)
{
    *portColours = true;
    if (!HandleHasData(pat.patMap) || !HandleHasData(pat.patData))
        return true;
    const PixMap &map = **pat.patMap;
    int width = map.bounds.right - map.bounds.left;
    int height = map.bounds.bottom - map.bounds.top;
    uint32_t rowBytes = static_cast<uint16_t>(map.rowBytes) & 0x3FFF;
    uint32_t dataSize = static_cast<uint32_t>(GetHandleSize(pat.patData));
    bool oneBit8x8 = width == 8 && height == 8 && map.pixelSize == 1;
    bool shortData = height <= 0 || dataSize < rowBytes * static_cast<uint32_t>(height);
    if (!oneBit8x8 && !shortData)
        return false;
    if (!oneBit8x8)
        return true;
    *portColours = false;
    const uint8_t *data = reinterpret_cast<const uint8_t *>(*pat.patData);
    uint32_t stride = oneBit8x8 && rowBytes ? rowBytes : 1;
    for (uint32_t row = 0; row < 8; ++row) {
        uint32_t at = row * stride;
        if (at >= dataSize)
            break;
        pat.pat1Data.pat[row] = data[at];
    }
    return true;
}

} // namespace

// ---- Standard patterns ----

void FillStandardPatterns()
{
    LowMem<Pattern>(lmWhite) = Pattern{{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
    LowMem<Pattern>(lmBlack) = Pattern{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    LowMem<Pattern>(lmGray) = Pattern{{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}};
    LowMem<Pattern>(lmLtGray) = Pattern{{0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}};
    LowMem<Pattern>(lmDkGray) = Pattern{{0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}};
    DeleteStandardPatternBitmaps();
    const LowMemGlobal order[5] = {lmWhite, lmBlack, lmGray, lmLtGray, lmDkGray};
    for (int i = 0; i < 5; ++i)
        sStandardBitmaps[i] = MakePatternBitmap(LowMem<Pattern>(order[i]));
    sStockBlackBrush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    sStockWhiteBrush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

static void DeleteSolidBrushes();

// Session end: the standard bitmaps and every cache brush nobody holds.
void DeleteStandardPatternBitmaps()
{
    DeleteSolidBrushes();
    for (HBITMAP &bitmap : sStandardBitmaps) {
        if (bitmap)
            DeleteObject(bitmap);
        bitmap = nullptr;
    }
    FlushBrushCache();
}

HBITMAP StandardPatternBitmap(int index) { return index >= 0 && index < 5 ? sStandardBitmaps[index] : nullptr; }

// ---- Modes ----

void SetMonochromePrinterDC(HDC printerDC) { sMonochromePrinterDC = printerDC; }
void SetPostScriptPrinterDC(HDC printerDC) { sPostScriptPrinterDC = printerDC; }
void SetSolidBlackWhiteBrushes(bool on) { sSolidBlackWhiteBrushes = on; }
bool SolidBlackWhiteBrushes() { return sSolidBlackWhiteBrushes; }
void SetMaskDrawing(bool on) { sMaskDrawing = on; }

// ---- Brushes ----

HBITMAP MakePatternBitmap(const Pattern &pattern)
{
    // Rows are 16 bits wide; a pattern bit 1 becomes bitmap bit 0, which a pattern brush draws in the
    // DC's text colour (the port's foreground).
    uint8_t bits[16];
    for (int row = 0; row < 8; ++row) {
        bits[2 * row] = static_cast<uint8_t>(~pattern.pat[row]);
        bits[2 * row + 1] = 0;
    }
    return CreateBitmap(8, 8, 1, 1, bits);
}

HBRUSH GetCachedPatternBrush(const Pattern &pattern)
{
    int index = LookUpCacheEntry(pattern);
    if (index >= 0 && sBrushCache.entries[index].brush)
        return sBrushCache.entries[index].brush;
    HBRUSH brush;
    if (HBITMAP bitmap = MakePatternBitmap(pattern)) {
        brush = CreatePatternBrush(bitmap);
        DeleteObject(bitmap);
    } else {
        brush = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    }
    if (index >= 0)
        sBrushCache.entries[index].brush = brush;
    return brush;
}

void FlushBrushCache()
{
    for (BrushCacheEntry &entry : sBrushCache.entries) {
        if (!entry.inUse || entry.refCount != 0)
            continue;
        if (entry.brush)
            DeleteObject(entry.brush);
        entry = BrushCacheEntry{};
    }
}

HBRUSH NewSolidBrush(COLORREF colour) { return CreateSolidBrush(colour); }

// Solid brushes of the colours plain patterns were last filled in, kept for the session.
struct SolidBrushEntry {
    COLORREF colour;
    HBRUSH brush;
};
static SolidBrushEntry sSolidBrushes[8];
static int sNextSolidBrush;
static bool sPlainPatternsSolid = true;

static bool IsCachedSolidBrush(HBRUSH brush)
{
    for (const SolidBrushEntry &entry : sSolidBrushes)
        if (brush && entry.brush == brush)
            return true;
    return false;
}

// A solid brush stays selected in a port's DC after the shape it filled (see SelectShapeBrush); before
// it is deleted, every port whose DC holds it takes the stock white brush instead, as when its brushes
// are invalidated.
static void DeleteSolidBrush(HBRUSH brush)
{
    for (int i = 0; i < portDCTableSize; ++i) {
        PortDCRecord *record = PortRecordAt(i);
        if (record && record->hbrush == brush) {
            if (record->hdc)
                SelectObject(record->hdc, GetStockObject(WHITE_BRUSH));
            record->hbrush = nullptr;
        }
    }
    DeleteObject(brush);
}

HBRUSH CachedSolidBrush(COLORREF colour)
{
    for (const SolidBrushEntry &entry : sSolidBrushes)
        if (entry.brush && entry.colour == colour)
            return entry.brush;
    SolidBrushEntry &entry = sSolidBrushes[sNextSolidBrush];
    sNextSolidBrush = (sNextSolidBrush + 1) % 8;
    if (entry.brush)
        DeleteSolidBrush(entry.brush);
    entry = SolidBrushEntry{colour, CreateSolidBrush(colour)};
    return entry.brush;
}

static void DeleteSolidBrushes()
{
    for (SolidBrushEntry &entry : sSolidBrushes) {
        if (entry.brush)
            DeleteSolidBrush(entry.brush);
        entry = SolidBrushEntry{};
    }
}

bool PlainPatternsSolid() { return sPlainPatternsSolid; }

// Test programs compare the solid route with the pattern brush's by switching it off.
ZEL_EXTERN_C Boolean ZEL_CALL SelectPlainPatternFills(Boolean solid)
{
    Boolean was = sPlainPatternsSolid;
    sPlainPatternsSolid = solid != 0;
    return was;
}

HBRUSH MakePatternBrush(const Pattern &pattern, const RGBColor &fore, const RGBColor &back, int16_t *kind,
                        bool *allFore, bool *allBack)
{
    *kind = 0;
    *allFore = SamePattern(pattern, BlackPattern());
    *allBack = !*allFore && SamePattern(pattern, WhitePattern());
    // Drivers that ignore the DC colours for one-bit brushes get solid brushes for plain patterns, and
    // so does a PostScript printer, whose pattern images come out with stray bits.
    bool solidPlain = sSolidBlackWhiteBrushes || (sPostScriptPrinterDC && CurrentDC() == sPostScriptPrinterDC);
    if (solidPlain && (*allFore || *allBack)) {
        HBRUSH brush = NewSolidBrush(RGBColorToColorRef(*allFore ? fore : back));
        if (brush)
            *kind = 2;
        return brush;
    }
    Pattern drawn = pattern;
    if (OnMonochromePrinter()) {
        const uint8_t *b = kPrinterDitherPatterns[DitherIndex(back)];
        const uint8_t *f = kPrinterDitherPatterns[DitherIndex(fore)];
        for (int i = 0; i < 8; ++i)
            drawn.pat[i] = static_cast<uint8_t>((~pattern.pat[i] & b[i]) | (pattern.pat[i] & f[i]));
    }
    return GetCachedPatternBrush(drawn);
}

void SetPatternBrushColors(const Pattern &, int16_t kind, bool allFore, bool allBack, const RGBColor &fore,
                           const RGBColor &back)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc)
        return;
    COLORREF fg = PortColorRef(fore, record);
    COLORREF bg = PortColorRef(back, record);
    if (kind == 0 && fg == bg && allFore)
        bg = RGB(0xFF, 0xFF, 0xFF);
    // Monochrome drivers map a text colour equal to black straight to the pattern's bits; a colour
    // that is almost black keeps them dithering the pattern as a pattern.
    if (record->depth == 1 && fg != bg && !allFore && !allBack) {
        GrafPtr port = record->port;
        bool portColoursDiffer = false;
        if (port && IsColorPort(port))
            portColoursDiffer = !SameRGB(AsColorPort(port)->rgbFgColor, AsColorPort(port)->rgbBkColor);
        else if (port)
            portColoursDiffer = port->fgColor != port->bkColor;
        if (portColoursDiffer)
            fg = 0x02000000 | RGB(fore.red == 0 ? 1 : 0, fore.green == 0 ? 1 : 0, fore.blue == 0 ? 1 : 0);
    }
    if (OnMonochromePrinter()) {
        if (!(fg == RGB(0xFF, 0xFF, 0xFF) && bg == RGB(0xFF, 0xFF, 0xFF)))
            fg = RGB(0, 0, 0);
        bg = RGB(0xFF, 0xFF, 0xFF);
    }
    if (fg != record->foreColorRefSet) {
        SetTextColor(dc, fg);
        record->foreColorRefSet = fg;
        COLORREF actual = GetTextColor(dc);
        if (actual != fg && actual != CLR_INVALID)
            record->foreColorRefSet = actual;
    }
    if (bg != record->backColorRefSet) {
        SetBkColor(dc, bg);
        record->backColorRefSet = bg;
        COLORREF actual = GetBkColor(dc);
        if (actual != bg && actual != CLR_INVALID)
            record->backColorRefSet = actual;
    }
}

HGDIOBJ SelectObjectMirrored(HDC dc, HGDIOBJ object)
{
    if (!object)
        return nullptr;
    HGDIOBJ previous = SelectObject(dc, object);
    if (SessionPlatform().versionWord == 3)
        previous = nullptr;
    if (dc && dc == SwappedDC() && MirrorDC() && SwapMode() == 1)
        previous = SelectObject(MirrorDC(), object);
    return previous;
}

void DeselectPortBrush(bool release)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    HBRUSH held = record->hbrush;
    if (HDC dc = CurrentDC())
        SelectObjectMirrored(dc, sStockBlackBrush ? sStockBlackBrush : GetStockObject(BLACK_BRUSH));
    record->hbrush = nullptr;
    if (release && held)
        ReleaseBrush(held);
}

void ReleaseBrush(HBRUSH brush)
{
    if (!brush)
        return;
    if (PortDCRecord *record = CurrentPortRecord()) {
        if (record->hbrush == brush)
            DeselectPortBrush(false);
        if (record->brushKey == brush)
            record->brushKey = nullptr;
    }
    if (BrushCacheEntry *entry = CacheEntryOf(brush)) {
        if (entry->refCount >= 1)
            --entry->refCount;
        return;
    }
    // The solid brushes of plain patterns belong to their own cache, which deletes them.
    if (IsCachedSolidBrush(brush))
        return;
    DeleteObject(brush);
}

void DisposeBrush(HBRUSH brush) { ReleaseBrush(brush); }

void ReleasePortBrushes()
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    DeselectPortBrush(BrushReleaseMode());
    if (HBRUSH key = record->brushKey)
        ReleaseBrush(key);
    record->brushKey = nullptr;
}

void InvalidatePixPatBrush(PixPatHandle pp)
{
    if (!HandleHasData(pp))
        return;
    (*pp)->patXValid = -1;
    HBRUSH brush = (*pp)->patBrush;
    (*pp)->patBrush = nullptr;
    ReleaseBrush(brush);
}

HBRUSH GetPixPatBrush(PixPatHandle pp, int16_t *kindOut, bool *allFore, bool *allBack, RGBColor *fore,
                      RGBColor *back)
{
    *kindOut = 0;
    *allFore = false;
    *allBack = false;
    PortDCRecord *record = CurrentPortRecord();
    if (!HandleHasData(pp) || !record)
        return nullptr;
    int16_t kind = (*pp)->patType;
    if (OnMonochromePrinter())
        kind = 0;
    if (kind == 0) {
        *fore = record->foreRGB;
        *back = record->backRGB;
    } else if (kind == 1) {
        *fore = *back = (*pp)->patRGB;
        PixMapHandle map = (*pp)->patMap;
        if (HandleHasData(map) && HandleHasData((*map)->pmTable)) {
            CTabHandle table = (*map)->pmTable;
            uint32_t size = static_cast<uint32_t>(GetHandleSize(reinterpret_cast<Handle>(table)));
            int held = size >= 8 ? static_cast<int>((size - 8) / sizeof(ColorSpec)) : 0;
            int last = std::min<int>((*table)->ctSize, held - 1);
            if (last >= 0) {
                *fore = (*table)->ctTable[last].rgb;
                *back = (*table)->ctTable[0].rgb;
            }
        }
    } else {
        *fore = *back = (*pp)->patRGB;
    }

    bool rebuild = sSolidBlackWhiteBrushes || (*pp)->patXValid == -1 || OnMonochromePrinter() || BrushReleaseMode() ||
                   !(*pp)->patBrush;
    if (!rebuild) {
        *kindOut = kind;
        *allFore = kind == 2 || SamePattern((*pp)->pat1Data, BlackPattern());
        *allBack = !*allFore && SamePattern((*pp)->pat1Data, WhitePattern());
        return (*pp)->patBrush;
    }

    InvalidatePixPatBrush(pp);
    bool portColours = false;
    if (kind == 1 && ReduceToOneBitPattern(**pp, &portColours)) {
        kind = 0;
        if (portColours) {
            *fore = record->foreRGB;
            *back = record->backRGB;
        }
    }
    HBRUSH brush = nullptr;
    if (kind == 1) {
        brush = MakePixelPatternBrush(**pp);
        *kindOut = 1;
        // No brush from its pixels: its one-bit form in the port's colours.
        if (!brush) {
            kind = 0;
            portColours = true;
            *fore = record->foreRGB;
            *back = record->backRGB;
        }
    }
    if (kind == 0) {
        if (!portColours)
            (*pp)->patRGB = *fore;
        Pattern pattern = (*pp)->pat1Data;
        brush = MakePatternBrush(pattern, *fore, *back, kindOut, allFore, allBack);
    } else if (kind == 1) {
    } else {
        brush = NewSolidBrush(RGBColorToColorRef((*pp)->patRGB));
        *kindOut = 2;
        *allFore = true;
    }
    if (BrushReleaseMode()) {
        (*pp)->patBrush = nullptr;
        (*pp)->patXValid = -1;
    } else {
        (*pp)->patBrush = brush;
        (*pp)->patXValid = 0;
    }
    return brush;
}

// The pen raster operations of the modes or, xor and bic: under each a white pen keeps the pixel.
static bool LeavesBackgroundBitsAlone(uint16_t rop2)
{
    return rop2 == R2_MASKPEN || rop2 == R2_NOTXORPEN || rop2 == R2_MERGENOTPEN;
}

// The boolean pen modes or, xor and bic and their not-forms (1..3, 5..7, 9..11, 13..15): 1, 2 or 3 for
// or, xor or bic, 0 for the copy modes and every other mode.
static int BooleanPenOperation(int16_t mode)
{
    return mode >= 0 && mode <= 15 ? mode & 3 : 0;
}

static bool IsNotCopyMode(int16_t mode) { return mode == notSrcCopy || mode == notPatCopy; }

static RGBColor Complement(const RGBColor &c)
{
    return RGBColor{static_cast<uint16_t>(0xFFFF - c.red), static_cast<uint16_t>(0xFFFF - c.green),
                    static_cast<uint16_t>(0xFFFF - c.blue)};
}

COLORREF ModePenColorRef(const PortDCRecord *record, GrafPtr port)
{
    const int16_t mode = port ? port->pnMode : static_cast<int16_t>(patCopy);
    if (BooleanPenOperation(mode) != 0)
        return RGB(0, 0, 0);
    if (IsNotCopyMode(mode))
        return PortColorRef(Complement(record->backRGB), record);
    return record->foreColorRef;
}

// Whether the current port's pen draws with a one-bit pattern (a classic pattern, or a colour port's
// PixPat of type 0).
static bool PenPatternIsOneBit(GrafPtr port)
{
    if (!IsColorPort(port))
        return true;
    PixPatHandle pp = AsColorPort(port)->pnPixPat;
    return HandleHasData(pp) && (*pp)->patType == 0;
}

bool PenModeNeedsColourMask()
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !PenPatternIsOneBit(port))
        return false;
    const RGBColor &fore = record->foreRGB, &back = record->backRGB;
    switch (BooleanPenOperation(port->pnMode)) {
    case 1: return fore.red != 0 || fore.green != 0 || fore.blue != 0;
    case 3: return back.red != 0xFFFF || back.green != 0xFFFF || back.blue != 0xFFFF;
    default: return false;
    }
}

bool PenModeColourPaint(Pattern *pattern, bool *underZeroBits, HBRUSH *brush)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !PenPatternIsOneBit(port))
        return false;
    *pattern = IsColorPort(port) ? (*AsColorPort(port)->pnPixPat)->pat1Data : port->pnPat;
    *underZeroBits = (port->pnMode & 4) != 0;
    const RGBColor &colour = BooleanPenOperation(port->pnMode) == 3 ? record->backRGB : record->foreRGB;
    *brush = CachedSolidBrush(PortColorRef(colour, record));
    return *brush != nullptr;
}

// The brush of the current port's pattern of `kind`, with the DC's colours set for it; selected into
// the DC when `select` is nonzero.
ZEL_EXTERN_C HBRUSH ZEL_CALL SelectPortPatternBrush(int16_t kind, int16_t select)
{
    return SelectPortPatternBrushPlain(kind, select, nullptr);
}

HBRUSH SelectPortPatternBrushPlain(int16_t kind, int16_t select, PlainPattern *plain)
{
    PortDCRecord *record = CurrentPortRecord();
    GrafPtr port = CurrentPort();
    if (plain)
        *plain = plainNone;
    if (!record || !port || kind < 0 || kind > 2)
        return nullptr;
    if (sMaskDrawing)
        return record->hbrush;

    HBRUSH brush;
    int16_t brushKind = 0;
    bool allFore = false, allBack = false;
    RGBColor fore{}, back{};
    Pattern pattern;
    if (IsColorPort(port)) {
        PixPatHandle pp = PortPixPat(AsColorPort(port), kind);
        brush = GetPixPatBrush(pp, &brushKind, &allFore, &allBack, &fore, &back);
        pattern = HandleHasData(pp) ? (*pp)->pat1Data : BlackPattern();
    } else {
        pattern = PortPatternField(port, kind);
        fore = record->foreRGB;
        back = record->backRGB;
        if (record->brushKey && SameRGB(record->brushFore, fore) && SameRGB(record->brushBack, back) &&
            SamePattern(record->brushPattern, pattern)) {
            brush = record->brushKey;
            brushKind = static_cast<int16_t>(record->brushFlags & kBrushKindMask);
            allFore = (record->brushFlags & kBrushAllFore) != 0;
            allBack = (record->brushFlags & kBrushAllBack) != 0;
        } else {
            brush = MakePatternBrush(pattern, fore, back, &brushKind, &allFore, &allBack);
            if (HBRUSH old = record->brushKey)
                ReleaseBrush(old);
            record->brushKey = brush;
            record->brushFore = fore;
            record->brushBack = back;
            record->brushPattern = pattern;
            record->brushFlags = static_cast<uint16_t>((brushKind & kBrushKindMask) | (allFore ? kBrushAllFore : 0) |
                                                       (allBack ? kBrushAllBack : 0));
        }
    }

    // In the pattern modes or, xor and bic a Macintosh leaves the pixels under the pattern's 0 bits
    // alone; the one-bit brush paints them in the DC's background colour, which leaves them alone
    // under those raster operations only when it is white, whatever the port's background colour
    // (the button face of a three-dimensional window, a colour set by RGBBackColor).
    if (kind == patternPen && brushKind == 0 && LeavesBackgroundBitsAlone(record->rop2Wanted))
        back = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    // The raster operations of the boolean pen modes other than copy are those of a black pattern on
    // white: xor inverts under the pattern whatever the colours, and or and bic paint black and white
    // there. A Macintosh paints the foreground colour in or and the background colour in bic: when that
    // is not black or white, the shape goes through the shape mask (PenModeNeedsColourMask).
    // notCopy paints the complement of the brush: the complements of the background and foreground
    // colours under the pattern's 1 and 0 bits give the background and foreground colours a Macintosh
    // paints there.
    if (kind == patternPen && brushKind == 0 && BooleanPenOperation(port->pnMode) != 0) {
        fore = RGBColor{0, 0, 0};
        back = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    } else if (kind == patternPen && brushKind == 0 && IsNotCopyMode(port->pnMode)) {
        const RGBColor shownFore = fore;
        fore = Complement(back);
        back = Complement(shownFore);
    }
    if (brushKind != 2)
        SetPatternBrushColors(pattern, brushKind, allFore, allBack, fore, back);
    if (plain && brushKind == 0)
        *plain = allFore ? plainFore : allBack ? plainBack : plainNone;

    HDC dc = CurrentDC();
    if (select && brush && brush != record->hbrush && dc) {
        if (record->brushAlign) {
            SetBrushOrgEx(dc, record->brushOrg[0], record->brushOrg[1], nullptr);
            UnrealizeObject(brush);
        }
        HBRUSH previous = record->hbrush;
        record->hbrush = brush;
        HGDIOBJ displaced = SelectObjectMirrored(dc, brush);
        if (BrushReleaseMode()) {
            if (displaced)
                ReleaseBrush(static_cast<HBRUSH>(displaced));
            if (previous && previous != displaced)
                ReleaseBrush(previous);
        }
    }
    return brush;
}

bool SetPortPatternByKind(int kind, const Pattern &pattern)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || kind < 0 || kind > 2)
        return false;
    if (!IsColorPort(port)) {
        Pattern &field = PortPatternField(port, kind);
        if (SamePattern(field, pattern))
            return false;
        field = pattern;
        return true;
    }
    CGrafPtr cport = AsColorPort(port);
    PixPatHandle &field = PortPixPatField(cport, kind);
    bool wasPlain = HandleHasData(field) && (*field)->patType == 0;
    if (!wasPlain && record) {
        // A colour port whose pattern is a pixel or RGB pattern gets its own plain PixPat back.
        PixPatHandle &own = record->*OwnPixPatField(kind);
        if (!HandleHasData(own))
            own = NewPixPat();
        if (HandleHasData(own))
            field = own;
    }
    if (!HandleHasData(field))
        return false;
    if (wasPlain && SamePattern((*field)->pat1Data, pattern))
        return false;
    PixPat &pat = **field;
    pat.pat1Data = pattern;
    if (HandleHasData(pat.patData)) {
        size_t size = static_cast<size_t>(GetHandleSize(pat.patData));
        std::memcpy(*pat.patData, pattern.pat, std::min(size, sizeof pattern.pat));
    }
    pat.patType = 0;
    InvalidatePixPatBrush(field);
    return true;
}

// ---- Brush origin ----

void UpdateBrushOrigin()
{
    PortDCRecord *record = CurrentPortRecord();
    GrafPtr port = CurrentPort();
    if (!record || !port)
        return;
    POINT at{port->portRect.left, port->portRect.top};
    if (record->offscreenActive) {
        // The offscreen bitmap's pixel (0, 0) is the port's device pixel at the offscreen shift.
        at.x += record->offscreenShift[0];
        at.y += record->offscreenShift[1];
    } else if (LibrarySetting(settingBrushOriginFromPort) == 0 && record->hwnd) {
        ClientToScreen(record->hwnd, &at);
    }
    int16_t x = static_cast<int16_t>(-at.x & 7);
    int16_t y = static_cast<int16_t>(-at.y & 7);
    if (x != record->brushOrg[0] || y != record->brushOrg[1]) {
        record->brushOrg[0] = x;
        record->brushOrg[1] = y;
        DeselectPortBrush(false);
    }
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_BrushAlign(int16_t how)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return 0;
    bool wasOff = record->brushAlign == 0;
    if (how == -1)
        record->brushAlign = 0;
    else if (how != 0)
        ++record->brushAlign;
    else
        --record->brushAlign;
    // Alignment switched on follows the port's present origin at once.
    if (wasOff && record->brushAlign != 0)
        UpdateBrushOrigin();
    return record->brushAlign;
}

// ---- Patterned pens ----

namespace {

// The current port's pen pattern in its one-bit form, and the type of the colour port's pen PixPat (0
// for a black-and-white port); false without a port or a pen PixPat.
bool CurrentPenPattern(Pattern *pattern, int16_t *type)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return false;
    if (!IsColorPort(port)) {
        *pattern = port->pnPat;
        *type = 0;
        return true;
    }
    PixPatHandle pp = AsColorPort(port)->pnPixPat;
    if (!HandleHasData(pp))
        return false;
    *pattern = (*pp)->pat1Data;
    *type = (*pp)->patType;
    return true;
}

} // namespace

bool PenPatternIsPatterned()
{
    Pattern pattern;
    int16_t type;
    if (!CurrentPenPattern(&pattern, &type) || type == 2)
        return false;
    return !SamePattern(pattern, BlackPattern()) && !SamePattern(pattern, WhitePattern());
}

bool PenPatternIsBlack()
{
    Pattern pattern;
    int16_t type;
    return CurrentPenPattern(&pattern, &type) && type == 0 && SamePattern(pattern, BlackPattern());
}

bool UsePatternedPen() { return LibrarySetting(settingPatternedPen) != 0 && PenPatternIsPatterned(); }

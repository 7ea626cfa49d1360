// The pixel conversion engine: the general software path of CopyBits and CopyMask. It moves a rectangle
// of pixels between PixMaps in memory (plain rows or DIBs) row by row when depth, colour table, size or
// transfer mode differ in ways the fast paths and GDI cannot take: clipping, row addressing, vertical and
// horizontal stepping, a chain of per-row stages chosen once per call (pixel_stages.cpp), cached row
// buffers, and the store back into the destination, through a mask when one is given.
//
// Scaling samples source(floor(x * S / D), floor(y * S / D)) for rows and columns alike, counted from the
// full rectangles the caller set (the rectangles as given otherwise), so a clipped transfer draws the
// same pixels as the unclipped one over the part it keeps, and never reads a row or column outside the
// source rectangle or the pixels.
#include "imaging.h"
#include "pixel_engine.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>
#include <emmintrin.h>

namespace {

// A row of 32-bit pixels copied with their fourth byte cleared, four at a time.
__attribute__((target("sse2"))) void CopyPixelsClearingFourthByte(uint32_t *to, const uint32_t *from, int32_t count)
{
    const __m128i colour = _mm_set1_epi32(0xFFFFFF);
    int32_t x = 0;
    for (; x + 4 <= count; x += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + x),
                         _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(from + x)), colour));
    for (; x < count; ++x)
        to[x] = from[x] & 0xFFFFFF;
}

// ---- Cached buffers: local blocks kept between calls, grown only, unlocked after each call ----

struct CachedBuffer {
    HLOCAL block;
    uint32_t size;
    void *bytes; // while locked
};

enum : int {
    bufferValues0, bufferValues1, bufferValues2, bufferValues3, // pixel-value rows: source pair, destination pair
    bufferRgb0, bufferRgb1, bufferRgb2, bufferRgb3,             // RGB rows: source pair, destination pair
    bufferColumns,                                              // source and mask column maps
    bufferDither,
    bufferCount
};
CachedBuffer sBuffers[bufferCount];

bool EnsureBuffer(CachedBuffer &b, uint32_t size)
{
    if (b.block && b.size >= size) {
        b.bytes = LockLocalBlock(b.block);
        return b.bytes != nullptr;
    }
    HLOCAL block = AllocLocalBlock(LMEM_MOVEABLE, size);
    if (!block)
        return false;
    if (b.block)
        FreeLocalBlock(b.block);
    b.block = block;
    b.size = size;
    b.bytes = LockLocalBlock(block);
    return b.bytes != nullptr;
}

void UnlockBuffers()
{
    for (CachedBuffer &b : sBuffers)
        if (b.block && b.bytes) {
            UnlockLocalBlock(b.block);
            b.bytes = nullptr;
        }
}

// ---- Per-call settings made by the callers ----

Rect sFullSrc, sFullDst;
bool sFullRectsSet;
bool sColorizeFlag;
struct PatternTile {
    bool on;
    const uint8_t *base;
    int32_t rowBytes, height, width;
} sTile;
CTabHandle sOneBitTable;

// ---- Helpers ----

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }
int32_t FloorMod(int32_t a, int32_t b) { return static_cast<int32_t>(a - FloorDiv(a, b) * b); }

CTabHandle DeviceCTable()
{
    GDHandle device = GetGDevice();
    if (!HandleHasData(device) || !HandleHasData((*device)->gdPMap))
        return nullptr;
    return (*(*device)->gdPMap)->pmTable;
}

void TableToTriples(CTabHandle ct, RgbTriple *out)
{
    std::memset(out, 0, 256 * sizeof(RgbTriple));
    if (!HandleHasData(ct))
        return;
    const int32_t held = (GetHandleSize(reinterpret_cast<Handle>(ct)) - 8) / 8;
    const int32_t n = std::min<int32_t>({(*ct)->ctSize + 1, held, 256});
    for (int32_t i = 0; i < n; ++i) {
        const RGBColor &c = (*ct)->ctTable[i].rgb;
        out[i] = RgbTriple{static_cast<uint8_t>(c.red >> 8), static_cast<uint8_t>(c.green >> 8),
                           static_cast<uint8_t>(c.blue >> 8)};
    }
}

int32_t TableEntries(CTabHandle ct)
{
    if (!HandleHasData(ct))
        return 0;
    const int32_t held = (GetHandleSize(reinterpret_cast<Handle>(ct)) - 8) / 8;
    return std::min<int32_t>({(*ct)->ctSize + 1, held, 256});
}

// The engine's row stride of a DIB: rows of 4-byte multiples.
int32_t EngineDibRowBytes(int32_t width, int depth)
{
    switch (depth) {
    case 1: return ((width + 7) / 8 + 3) & ~3;
    case 4: return ((width + 1) / 2 + 3) & ~3;
    case 8: return (width + 3) & ~3;
    case 16: return (2 * width + 3) & ~3;
    case 24: return (3 * width + 3) & ~3;
    case 32: return 4 * width;
    default: return 0;
    }
}

bool IsEngineDepth(int d) { return d == 1 || d == 2 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32; }

// Describes one side for the row walk: a DIB-backed PixMap through its DIB header (its rows bottom-up
// unless biHeight is negative), a plain PixMap through its rows. The addressable extent is the bounds
// cut to the pixels that exist (the DIB's own size, or the pixels rowBytes holds).
bool DescribeSide(const PixMap *pm, EngineSide *side)
{
    *side = EngineSide{};
    side->bounds = pm->bounds;
    const int32_t boundsW = pm->bounds.right - pm->bounds.left, boundsH = pm->bounds.bottom - pm->bounds.top;
    if ((pm->pmExtFlags & pmExtDibAttached) && HandleHasData(pm->pmExtDib)) {
        const Handle dib = pm->pmExtDib;
        DibGeometry g;
        if (!GetDibGeometry(reinterpret_cast<const BITMAPINFOHEADER *>(*dib), static_cast<uint32_t>(GetHandleSize(dib)),
                            true, &g))
            return false;
        uint8_t *bits = reinterpret_cast<uint8_t *>(pm->pmExtDibBits);
        const uint32_t held = static_cast<uint32_t>(GetHandleSize(dib));
        const int32_t rowBytes = EngineDibRowBytes(g.width, g.depth);
        if (!bits && held >= g.headerBytes + static_cast<uint64_t>(rowBytes) * g.height)
            bits = reinterpret_cast<uint8_t *>(*dib) + g.headerBytes;
        if (!bits || !rowBytes)
            return false;
        side->depth = g.depth;
        side->origin = g.bottomUp ? bits + static_cast<int32_t>(g.height - 1) * rowBytes : bits;
        side->step = g.bottomUp ? -rowBytes : rowBytes;
        side->width = std::min(boundsW, g.width);
        side->height = std::min(boundsH, g.height);
        side->complement = (pm->pmExtFlags & pmExtBitsPrepared) && g.depth <= 8;
        return true;
    }
    if (reinterpret_cast<uintptr_t>(pm->baseAddr) < 0x10000 || !IsEngineDepth(pm->pixelSize))
        return false;
    const int32_t rowBytes = pm->rowBytes & 0x3FFF;
    side->depth = pm->pixelSize;
    side->origin = reinterpret_cast<uint8_t *>(pm->baseAddr);
    side->step = rowBytes;
    side->width = std::min<int32_t>(boundsW, rowBytes * 8 / side->depth);
    side->height = boundsH;
    return true;
}

// ---- The mask ----

// A mask handle standing for a plain BitMap's rows (CopyMask): its header's biSizeImage is this mark,
// biWidth x biHeight the mask's extent, and a BitMapMaskRef follows the header.
constexpr DWORD kBitMapMaskMark = 0xFFFFFFFF;
struct BitMapMaskRef {
    const BitMap *bits;
    int16_t left, top; // the mask rectangle's top-left in the BitMap's bounds
};

struct MaskImage {
    bool present;
    bool isBitMap;
    Rect box;              // the region's box: the image is stretched over it
    int32_t width, height; // the image's extent
    const uint8_t *topRow; // the image's top row
    int32_t step;          // bytes to the next row down
};

// The mask image of a mask-form region (as it is: a mask of another size than its box is sampled over
// the box by the stretch rule); false when the handle is not a whole mask.
bool MaskImageOf(RgnHandle rgn, MaskImage *m)
{
    *m = MaskImage{};
    if (!HandleHasData(rgn) || (**rgn).rgnSize != kMaskFormRgnSize)
        return false;
    Handle dib = reinterpret_cast<Handle>(static_cast<uintptr_t>(reinterpret_cast<MaskRegionRecord *>(*rgn)->maskDib));
    const Size held = HandleHasData(dib) ? GetHandleSize(dib) : 0;
    if (held < static_cast<Size>(sizeof(BITMAPINFOHEADER)))
        return false;
    const BITMAPINFOHEADER &h = *reinterpret_cast<const BITMAPINFOHEADER *>(*dib);
    if (h.biWidth <= 0 || h.biHeight <= 0 || h.biWidth > 32767 || h.biHeight > 32767)
        return false;
    m->box = (**rgn).rgnBBox;
    m->width = h.biWidth;
    m->height = h.biHeight;
    if (h.biSizeImage == kBitMapMaskMark) {
        if (held < static_cast<Size>(sizeof(BITMAPINFOHEADER) + sizeof(BitMapMaskRef)))
            return false;
        const BitMapMaskRef &ref = *reinterpret_cast<const BitMapMaskRef *>(*dib + sizeof(BITMAPINFOHEADER));
        if (!ref.bits || !ref.bits->baseAddr)
            return false;
        const int32_t rowBytes = ref.bits->rowBytes & 0x3FFF;
        const int32_t x0 = ref.left - ref.bits->bounds.left, y0 = ref.top - ref.bits->bounds.top;
        if (x0 < 0 || y0 < 0 || x0 + m->width > rowBytes * 8 || y0 + m->height > ref.bits->bounds.bottom - ref.bits->bounds.top)
            return false;
        // Columns are counted from the BitMap's left edge: MaskColumnOrigin gives the mask's first one.
        m->isBitMap = true;
        m->topRow = reinterpret_cast<const uint8_t *>(ref.bits->baseAddr) + y0 * rowBytes;
        m->step = rowBytes;
        m->present = true;
        return true;
    }
    if (h.biBitCount != 1)
        return false;
    const int32_t rowBytes = ((m->width + 31) / 32) * 4;
    const Size header = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);
    if (held < header + static_cast<Size>(rowBytes) * m->height)
        return false;
    m->topRow = reinterpret_cast<const uint8_t *>(*dib) + header + (m->height - 1) * rowBytes;
    m->step = -rowBytes;
    m->present = true;
    return true;
}

// The first column of a BitMap mask inside its rows (0 for mask DIBs).
int32_t MaskColumnOrigin(RgnHandle rgn)
{
    Handle dib = reinterpret_cast<Handle>(static_cast<uintptr_t>(reinterpret_cast<MaskRegionRecord *>(*rgn)->maskDib));
    const BITMAPINFOHEADER &h = *reinterpret_cast<const BITMAPINFOHEADER *>(*dib);
    if (h.biSizeImage != kBitMapMaskMark)
        return 0;
    const BitMapMaskRef &ref = *reinterpret_cast<const BitMapMaskRef *>(*dib + sizeof(BITMAPINFOHEADER));
    return ref.left - ref.bits->bounds.left;
}

// ---- Colour search ----

typedef Boolean(ZEL_CALL *ColorSearchProc)(RGBColor *rgb, int32_t *position);
constexpr int kMaxSearchProcs = 16;
ColorSearchProc sSearchProcs[kMaxSearchProcs];
int sSearchCount;

// The device's search procedures, in list order, each wrapped for the host.
void CollectSearchProcs()
{
    sSearchCount = 0;
    GDHandle device = GetGDevice();
    if (!HandleHasData(device))
        return;
    uint32_t link = (*device)->gdSearchProc;
    for (int guard = 0; link && guard < 256 && sSearchCount < kMaxSearchProcs; ++guard) {
        Handle entry = reinterpret_cast<Handle>(static_cast<uintptr_t>(link));
        if (!HandleHasData(entry) || GetHandleSize(entry) < 8)
            break;
        const uint32_t *words = reinterpret_cast<const uint32_t *>(*entry);
        if (words[1]) {
            FARPROC proc = MakeHostProcInstance(reinterpret_cast<FARPROC>(static_cast<uintptr_t>(words[1])));
            if (proc)
                sSearchProcs[sSearchCount++] = reinterpret_cast<ColorSearchProc>(reinterpret_cast<void *>(proc));
        }
        link = words[0];
    }
}

void ReleaseSearchProcs()
{
    for (int i = 0; i < sSearchCount; ++i)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(reinterpret_cast<void *>(sSearchProcs[i])));
    sSearchCount = 0;
}

// The nearest destination entry by distance, for a destination without an inverse table; answers are
// remembered for the call, since images repeat their colours.
constexpr int kMemoCells = 4096;
uint32_t sMemoKeys[kMemoCells];
uint8_t sMemoValues[kMemoCells];
int32_t sNearestEntries;

uint32_t SearchNearest(const RgbTriple &c)
{
    const uint32_t key = 0x1000000u | static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b);
    const uint32_t cell = (key ^ key >> 12) & (kMemoCells - 1);
    if (sMemoKeys[cell] == key)
        return sMemoValues[cell];
    const RgbTriple *t = EngineState().dstColors;
    int32_t best = 0, bound = 0x7FFFFFFF;
    for (int32_t i = 0; i < sNearestEntries && bound; ++i) {
        const int32_t d = std::abs(t[i].r - c.r) + std::abs(t[i].g - c.g) + std::abs(t[i].b - c.b);
        if (d < bound) {
            bound = d;
            best = i;
        }
    }
    sMemoKeys[cell] = key;
    sMemoValues[cell] = static_cast<uint8_t>(best);
    return static_cast<uint32_t>(best);
}

// The chain of search procedures: each is asked in list order until one answers; none answering leaves
// the inverse table, or the search by distance, to answer.
uint32_t CallSearchProcChain(const RgbTriple &c)
{
    for (int i = 0; i < sSearchCount; ++i) {
        RGBColor rgb = {static_cast<uint16_t>(c.r * 257), static_cast<uint16_t>(c.g * 257),
                        static_cast<uint16_t>(c.b * 257)};
        int32_t position = 0;
        if (sSearchProcs[i](&rgb, &position))
            return static_cast<uint32_t>(position);
    }
    const uint8_t *inverse = EngineState().inverse;
    return inverse ? inverse[InverseCell(c)] : SearchNearest(c);
}

// ---- Inverse table of the destination colour table ----

// The destination table's inverse table: the device's own when the table is the device's (rebuilt when
// its seed is stale), else a temporary one in `temporary`. The memory limit is off while it is built.
// Nil when the library is set to match colours by distance (library setting 26) or no table can be had.
const uint8_t *GetInverseTable(CTabHandle ct, Handle *temporary)
{
    *temporary = nullptr;
    if (LibrarySetting(settingNoInverseTable) != 0 || !HandleHasData(ct))
        return nullptr;
    const bool wasOn = SetMemoryLimitSwitch(false);
    GDHandle device = GetGDevice();
    ITabHandle table = nullptr;
    if (ct == DeviceCTable() && HandleHasData(device) && HandleHasData((*device)->gdITable)) {
        table = reinterpret_cast<ITabHandle>((*device)->gdITable);
        if (GetHandleSize(reinterpret_cast<Handle>(table)) < static_cast<Size>(sizeof(ITab)) ||
            (*table)->iTabSeed != static_cast<uint32_t>((*ct)->ctSeed) || (*table)->iTabRes != 5)
            MakeITable(ct, table, 5);
    } else {
        Handle h = NewHandleClear(7);
        if (h) {
            table = reinterpret_cast<ITabHandle>(h);
            (*table)->iTabSeed = static_cast<uint32_t>((*ct)->ctSeed) + 1;
            (*table)->iTabRes = 5;
            MakeITable(ct, table, 5);
            *temporary = h;
        }
    }
    SetMemoryLimitSwitch(wasOn);
    if (!table || GetHandleSize(reinterpret_cast<Handle>(table)) < static_cast<Size>(sizeof(ITab)) ||
        (*table)->iTabSeed != static_cast<uint32_t>((*ct)->ctSeed))
        return nullptr;
    return (*table)->iTTable;
}

RgbTriple TripleOf(const RGBColor &c)
{
    return RgbTriple{static_cast<uint8_t>(c.red >> 8), static_cast<uint8_t>(c.green >> 8), static_cast<uint8_t>(c.blue >> 8)};
}

// ---- Colourising ----

// Fills the colorize map: which source values store the port's foreground or background instead of
// combining. Off the RGB path the values are destination values (the source is converted first); on it
// they are source values, stored as colours. False (colourising off) for the xor modes, with a message.
bool PrepareColorize(int16_t mode, bool rgbPath)
{
    PixelEngineState &st = EngineState();
    std::memset(st.colorizeMap, 0, sizeof st.colorizeMap);
    std::memset(st.colorizeValid, 0, sizeof st.colorizeValid);
    const PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return false;
    const RgbTriple fgRgb = TripleOf(record->foreRGB), bkRgb = TripleOf(record->backRGB);
    const int depth = rgbPath ? st.src.depth : st.dst.depth;
    if (depth > 8)
        return false;
    uint32_t blackSlot, whiteSlot, fg, bk;
    if (rgbPath) {
        whiteSlot = 0;
        blackSlot = DepthMask(depth);
        fg = 1;
        bk = 0;
    } else {
        blackSlot = NearestDestinationValue(RgbTriple{0, 0, 0});
        whiteSlot = NearestDestinationValue(RgbTriple{255, 255, 255});
        fg = NearestDestinationValue(fgRgb);
        bk = NearestDestinationValue(bkRgb);
    }
    auto set = [&](uint32_t slot, uint32_t value) {
        st.colorizeValid[slot] = 1;
        st.colorizeMap[slot] = static_cast<uint8_t>(value);
        st.colorizeRgb[slot] = rgbPath ? (value ? fgRgb : bkRgb) : RgbTriple{};
    };
    switch (mode) {
    case 0: case 8: case 32: case 33: case 34: case 35: case 37: case 38: case 39:
        set(blackSlot, fg);
        set(whiteSlot, bk);
        return true;
    case 1: case 9: case 36:
        set(blackSlot, fg);
        return true;
    case 3: case 11:
        set(blackSlot, bk);
        return true;
    case 4: case 12:
        set(blackSlot, bk);
        set(whiteSlot, fg);
        return true;
    case 5: case 13:
        set(whiteSlot, fg);
        return true;
    case 7: case 15:
        set(whiteSlot, bk);
        return true;
    case 2: case 10:
        DebugStrC("Invalid PrepareColorize case (Xor)");
        return false;
    case 6: case 14:
        DebugStrC("Invalid PrepareColorize case (notXor)");
        return false;
    default:
        DebugStrC("Undefined PrepareColorize case");
        return false;
    }
}

// The operation colour's weight: the high byte of the largest component of the port's rgbOpColor.
uint8_t OpColorWeight()
{
    GrafPtr port = CurrentPort();
    if (!IsColorPort(port))
        return 0;
    Handle vars = reinterpret_cast<CGrafPtr>(port)->grafVars;
    if (!HandleHasData(vars) || GetHandleSize(vars) < static_cast<Size>(sizeof(RGBColor)))
        return 0;
    const RGBColor &c = reinterpret_cast<GrafVars *>(*vars)->rgbOpColor;
    return static_cast<uint8_t>(std::max({c.red, c.green, c.blue}) >> 8);
}

// ---- Clipping ----

// The destination columns (or rows) [lo, hi) whose source lies in [srcLo, srcHi), with source(x) =
// fs + floor((x - fd) * fsExtent / fdExtent).
void ClipToSource(int32_t fs, int32_t fsExtent, int32_t fd, int32_t fdExtent, int32_t srcLo, int32_t srcHi,
                  int32_t *lo, int32_t *hi)
{
    const int32_t first = fd + static_cast<int32_t>(CeilDiv(static_cast<int64_t>(srcLo - fs) * fdExtent, fsExtent));
    const int32_t past = fd + static_cast<int32_t>(CeilDiv(static_cast<int64_t>(srcHi - fs) * fdExtent, fsExtent));
    *lo = std::max(*lo, first);
    *hi = std::min(*hi, past);
}

int32_t SourceAt(int32_t x, int32_t fs, int32_t fsExtent, int32_t fd, int32_t fdExtent)
{
    return fs + static_cast<int32_t>(FloorDiv(static_cast<int64_t>(x - fd) * fsExtent, fdExtent));
}

void ReportUndefined(const char *what)
{
    char text[64];
    std::strcpy(text, "Undefined ");
    std::strcat(text, what);
    std::strcat(text, " case");
    DebugStrC(text);
}

} // namespace

void SetConversionFullRects(const Rect &fullSrc, const Rect &fullDst)
{
    sFullSrc = fullSrc;
    sFullDst = fullDst;
    sFullRectsSet = true;
}

void ForgetConversionFullRects() { sFullRectsSet = false; }

void SetColorizeFlag(bool on) { sColorizeFlag = on; }
bool ColorizeFlag() { return sColorizeFlag; }

void SetPatternTile(const void *base, int32_t rowBytes, int32_t height, int32_t width)
{
    sTile = PatternTile{true, static_cast<const uint8_t *>(base), rowBytes, height, width};
}

void ClearPatternTile() { sTile = PatternTile{}; }

bool PatternTileMode() { return sTile.on; }

ZEL_EXTERN_C uint32_t ZEL_CALL PixelEngineBufferBytes(void)
{
    uint32_t total = 0;
    for (const CachedBuffer &b : sBuffers)
        total += b.block ? b.size : 0;
    return total;
}

RgnHandle NewBitMapMaskRgn(const BitMap *bits, const Rect &maskRect, const Rect &box)
{
    const int32_t w = maskRect.right - maskRect.left, h = maskRect.bottom - maskRect.top;
    if (!bits || w <= 0 || h <= 0)
        return nullptr;
    Handle dib = NewHandleClear(sizeof(BITMAPINFOHEADER) + sizeof(BitMapMaskRef));
    RgnHandle rgn = dib ? NewRgn() : nullptr;
    if (!rgn) {
        if (dib)
            DisposeHandle(dib);
        return nullptr;
    }
    auto &header = *reinterpret_cast<BITMAPINFOHEADER *>(*dib);
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 1;
    header.biSizeImage = kBitMapMaskMark;
    *reinterpret_cast<BitMapMaskRef *>(*dib + sizeof header) = BitMapMaskRef{bits, maskRect.left, maskRect.top};
    if (!SetRgnToMaskDib(rgn, Point{box.top, box.left}, Point{box.bottom, box.right}, dib)) {
        DisposeRgn(rgn);
        return nullptr;
    }
    return rgn;
}

void DisposePixelEngineBuffers()
{
    for (CachedBuffer &b : sBuffers) {
        if (b.block)
            FreeLocalBlock(b.block);
        b = CachedBuffer{};
    }
    if (sOneBitTable)
        DisposeCTable(sOneBitTable);
    sOneBitTable = nullptr;
}

void ConvertPixels(const PixMap *srcPm, PixMap *dstPm, Rect srcRect, Rect dstRect, int16_t mode, CTabHandle srcCT,
                   CTabHandle dstCT, RgnHandle maskRgn)
{
    const Rect fullSrc = sFullRectsSet ? sFullSrc : srcRect, fullDst = sFullRectsSet ? sFullDst : dstRect;
    sFullRectsSet = false;
    PixelEngineState &st = EngineState();
    if (!srcPm || !dstPm)
        return;
    st.tileMode = sTile.on;
    if (st.tileMode && (sTile.width <= 0 || sTile.height <= 0 || !sTile.base))
        return; // an empty tile draws nothing
    if (!DescribeSide(dstPm, &st.dst))
        return;
    if (st.tileMode) {
        st.src = EngineSide{};
        st.src.depth = srcPm->pixelSize;
        if (!IsEngineDepth(st.src.depth))
            return;
    } else if (!DescribeSide(srcPm, &st.src)) {
        return;
    }

    // Arithmetic modes into one bit: the nearest of the logical ones.
    const bool ditherAsked = (mode & 0x40) != 0;
    int16_t m = static_cast<int16_t>(mode & ~0x40);
    if (st.dst.depth == 1 && m >= 32 && m <= 39) {
        static const int16_t oneBit[8] = {0, 3, 2, 1, 1, 3, 2, 1};
        m = oneBit[m - 32];
    }

    // Colour tables.
    if (!srcCT && st.src.depth == 1) {
        if (!sOneBitTable)
            sOneBitTable = GetCTable(1);
        srcCT = sOneBitTable;
    }
    if (!srcCT)
        srcCT = DeviceCTable();
    if (!HandleHasData(dstCT))
        return;
    TableToTriples(srcCT, st.srcColors);
    TableToTriples(dstCT, st.dstColors);
    sNearestEntries = std::max<int32_t>(1, TableEntries(dstCT));
    std::memset(sMemoKeys, 0, sizeof sMemoKeys);
    Handle temporaryInverse = nullptr;
    st.inverse = st.dst.depth <= 8 ? GetInverseTable(dstCT, &temporaryInverse) : nullptr;
    CollectSearchProcs();
    st.search = sSearchCount ? CallSearchProcChain : st.inverse ? nullptr : SearchNearest;

    // The mask: a mask-form region as it is, any other region as a mask of its box.
    RgnHandle madeMask = nullptr;
    MaskImage mask{};
    int32_t maskOrigin = 0;
    bool emptyMask = false;
    if (HandleHasData(maskRgn)) {
        const Rect box = (**maskRgn).rgnBBox;
        if (box.right <= box.left || box.bottom <= box.top) {
            emptyMask = true; // nothing is inside: nothing is drawn
        } else {
            RgnHandle formed = nullptr;
            bool madeNew = false;
            GetMaskFormRgn(maskRgn, &formed, &madeNew);
            if (madeNew)
                madeMask = formed;
            if (formed && MaskImageOf(formed, &mask))
                maskOrigin = MaskColumnOrigin(formed);
            else
                emptyMask = true; // no mask could be had: drawing everything would be wrong
        }
    }

    auto cleanUp = [&] {
        if (madeMask)
            DisposeRgn(madeMask);
        if (temporaryInverse)
            DisposeHandle(temporaryInverse);
        ReleaseSearchProcs();
        UnlockBuffers();
    };

    // Clip: the destination to its pixels and the mask's box, then to where the source lies inside the
    // source rectangle and its pixels.
    const int32_t fsw = fullSrc.right - fullSrc.left, fsh = fullSrc.bottom - fullSrc.top;
    const int32_t fdw = fullDst.right - fullDst.left, fdh = fullDst.bottom - fullDst.top;
    if (emptyMask || fsw <= 0 || fsh <= 0 || fdw <= 0 || fdh <= 0) {
        cleanUp();
        return;
    }
    int32_t left = std::max<int32_t>(dstRect.left, st.dst.bounds.left);
    int32_t top = std::max<int32_t>(dstRect.top, st.dst.bounds.top);
    int32_t right = std::min<int32_t>(dstRect.right, st.dst.bounds.left + st.dst.width);
    int32_t bottom = std::min<int32_t>(dstRect.bottom, st.dst.bounds.top + st.dst.height);
    if (mask.present) {
        left = std::max<int32_t>(left, mask.box.left);
        top = std::max<int32_t>(top, mask.box.top);
        right = std::min<int32_t>(right, mask.box.right);
        bottom = std::min<int32_t>(bottom, mask.box.bottom);
    }
    if (!st.tileMode) {
        ClipToSource(fullSrc.left, fsw, fullDst.left, fdw, std::max<int32_t>(srcRect.left, st.src.bounds.left),
                     std::min<int32_t>(srcRect.right, st.src.bounds.left + st.src.width), &left, &right);
        ClipToSource(fullSrc.top, fsh, fullDst.top, fdh, std::max<int32_t>(srcRect.top, st.src.bounds.top),
                     std::min<int32_t>(srcRect.bottom, st.src.bounds.top + st.src.height), &top, &bottom);
    }
    if (right <= left || bottom <= top) {
        cleanUp();
        return;
    }
    const int32_t srcLeft = SourceAt(left, fullSrc.left, fsw, fullDst.left, fdw);
    const int32_t srcRight = SourceAt(right - 1, fullSrc.left, fsw, fullDst.left, fdw) + 1;
    st.dstWidth = right - left;
    st.srcWidth = srcRight - srcLeft;
    st.dstX = left - st.dst.bounds.left;
    st.srcX = st.tileMode ? 0 : srcLeft - st.src.bounds.left;
    // A tile row is read through the column map already, one value per destination column.
    if (st.tileMode)
        st.srcWidth = st.dstWidth;
    st.resize = st.srcWidth != st.dstWidth;
    st.mode = m;

    // 32-bit pixels copied at their size: the colour stages come to the pixels themselves, fourth byte 0.
    if (!st.tileMode && m == 0 && !mask.present && !st.resize && st.src.depth == 32 && st.dst.depth == 32) {
        for (int32_t y = top; y < bottom; ++y) {
            const int32_t sy = SourceAt(y, fullSrc.top, fsh, fullDst.top, fdh);
            const uint32_t *from = reinterpret_cast<const uint32_t *>(
                                       st.src.origin + static_cast<int32_t>(sy - st.src.bounds.top) * st.src.step) +
                                   st.srcX;
            uint32_t *to =
                reinterpret_cast<uint32_t *>(st.dst.origin + static_cast<int32_t>(y - st.dst.bounds.top) * st.dst.step) +
                st.dstX;
            CopyPixelsClearingFourthByte(to, from, st.dstWidth);
        }
        cleanUp();
        return;
    }

    // The pipeline.
    const bool dither = ditherAsked && sSearchCount == 0 && st.dst.depth <= 8;
    const bool rgbPath = m == 4 || m == 12 || (m >= 32 && m != 36) || dither || st.dst.depth > 8;
    const bool tablesDiffer = st.src.depth == st.dst.depth && st.src.depth <= 8 && HandleHasData(srcCT) &&
                              (*srcCT)->ctSeed != (*dstCT)->ctSeed;
    const bool convert = rgbPath || st.src.depth != st.dst.depth || tablesDiffer || (dither && st.dstWidth > st.srcWidth);
    // The copy modes (and notSrcCopy on the RGB path) never read the destination.
    const bool usesDestination = rgbPath ? m >= 32 || ((m & 7) != 0 && (m & 7) != 4) : m == 36 || (m & 7) != 0;
    st.colorize = sColorizeFlag && PrepareColorize(m, rgbPath);

    PixelStageProc toRgb = nullptr, toValues = nullptr, resizeProc = nullptr, expand = nullptr;
    PixelStageProc dstToRgb = nullptr, combine = nullptr, ditherProc = nullptr, store = nullptr;
    bool useExpansion = false, directStore = false;
    auto fail = [&](const char *what) {
        ReportUndefined(what);
        cleanUp();
    };
    if (convert) {
        useExpansion = !rgbPath && !st.resize && !sSearchCount && SelectExpansionProc(st.src.depth, st.dst.depth);
        if (useExpansion) {
            expand = SelectExpansionProc(st.src.depth, st.dst.depth);
            for (int i = 0; i < 256; ++i)
                st.expansion[i] = static_cast<uint8_t>(NearestDestinationValue(st.srcColors[i]));
        } else {
            toRgb = SelectPVToRGBProc(st.src.depth, st.resize, rgbPath && st.colorize);
            if (!toRgb)
                return fail("PVToRGBProc");
            if (!rgbPath && !(toValues = SelectRGBToPVProc(st.dst.depth, false)))
                return fail("RGBToPVProc");
        }
    } else if (st.resize) {
        if (!(resizeProc = SelectResizePVProc(st.src.depth)))
            return fail("ResizePVProc");
    }
    if (rgbPath) {
        if (usesDestination && !(dstToRgb = SelectPVToRGBProc(st.dst.depth, false, false)))
            return fail("PVToRGBProc");
        if (dither) {
            if (!(ditherProc = SelectDitherProc(st.dst.depth)))
                return fail("DitherProc");
        } else {
            // Colours go straight into the row only at the depths with a storing variant; below 8 bits
            // the values are packed by the store stage.
            directStore = !mask.present && !st.dst.complement && st.dst.depth >= 8;
            if (!(toValues = SelectRGBToPVProc(st.dst.depth, directStore)))
                return fail("RGBToPVProc");
        }
        if (!(combine = SelectRGBCombineProc(m)))
            return fail("RGBCombineProc");
        if (m == 32 || m == 33 || m == 35)
            st.opWeight = OpColorWeight();
        const PortDCRecord *record = CurrentPortRecord();
        st.background = record ? TripleOf(record->backRGB) : RgbTriple{255, 255, 255};
    } else {
        if (st.colorize)
            combine = SelectColorizeProc(m, st.dst.depth);
        if (st.colorize && !combine) {
            ReportUndefined("ColorizeProc");
            st.colorize = false;
        }
        if (!st.colorize && usesDestination && !(combine = SelectPixelValueCombineProc(m, st.dst.depth)))
            return fail("PixelValueCombineProc");
    }
    if (mask.present && !(store = SelectPixelValueMaskProc(st.dst.depth, (m & ~8) == 0 && !dither, st.colorize)))
        return fail("PixelValueMaskProc");
    if (!store)
        store = StorePixelValuesProc;

    // Transparent mode off the RGB path: the background's value in the space of the source work row.
    if (!rgbPath && m == 36) {
        const PortDCRecord *record = CurrentPortRecord();
        const RGBColor bk = record ? record->backRGB : RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
        if (convert)
            st.transparentValue = NearestDestinationValue(TripleOf(bk));
        else
            st.transparentValue = static_cast<uint32_t>(ClosestColorIndex(srcCT, &bk));
    }

    // Buffers.
    const uint32_t wide = static_cast<uint32_t>(std::max(st.srcWidth, st.dstWidth));
    bool buffersOk = true;
    for (int i = bufferValues0; i <= bufferValues3; ++i)
        buffersOk = buffersOk && EnsureBuffer(sBuffers[i], (wide * 4 + 3) & ~3u);
    for (int i = bufferRgb0; i <= bufferRgb3; ++i)
        buffersOk = buffersOk && EnsureBuffer(sBuffers[i], (wide * 3 + 7) & ~3u);
    buffersOk = buffersOk && EnsureBuffer(sBuffers[bufferColumns], 8 * wide + 8);
    if (dither)
        buffersOk = buffersOk && EnsureBuffer(sBuffers[bufferDither], (st.dstWidth + 2) * 3 * 2 * sizeof(int16_t));
    if (!buffersOk) {
        cleanUp();
        return;
    }
    uint32_t *values[4];
    RgbTriple *rgb[4];
    for (int i = 0; i < 4; ++i) {
        values[i] = static_cast<uint32_t *>(sBuffers[bufferValues0 + i].bytes);
        rgb[i] = static_cast<RgbTriple *>(sBuffers[bufferRgb0 + i].bytes);
    }
    int32_t *columns = static_cast<int32_t *>(sBuffers[bufferColumns].bytes);
    int32_t *maskColumns = columns + wide;
    st.columns = columns;
    st.maskColumns = maskColumns;
    if (dither) {
        int16_t *cells = static_cast<int16_t *>(sBuffers[bufferDither].bytes);
        std::memset(cells, 0, (st.dstWidth + 2) * 3 * 2 * sizeof(int16_t));
        st.ditherThis = cells;
        st.ditherNext = cells + (st.dstWidth + 2) * 3;
        st.ditherLeftToRight = true;
    }

    // Column maps, by an integer accumulator: source(x) and mask(x) for each clipped destination column.
    {
        int64_t num = static_cast<int64_t>(left - fullDst.left) * fsw;
        int32_t q = static_cast<int32_t>(FloorDiv(num, fdw));
        int32_t r = static_cast<int32_t>(num - static_cast<int64_t>(q) * fdw);
        for (int32_t j = 0; j < st.dstWidth; ++j) {
            columns[j] = fullSrc.left + q - srcLeft;
            r += fsw;
            while (r >= fdw) {
                r -= fdw;
                ++q;
            }
        }
        if (st.tileMode) {
            // Tile columns: the source column taken modulo the tile's width.
            for (int32_t j = 0; j < st.dstWidth; ++j)
                columns[j] = FloorMod(srcLeft + columns[j], sTile.width);
        }
    }
    if (mask.present) {
        const int32_t bw = mask.box.right - mask.box.left;
        for (int32_t j = 0; j < st.dstWidth; ++j)
            maskColumns[j] =
                maskOrigin + static_cast<int32_t>(static_cast<int64_t>(left + j - mask.box.left) * mask.width / bw);
    }
    st.maskPresent = mask.present;
    st.maskIsBitMap = mask.isBitMap;

    // The row loop.
    int32_t lastSourceRow = INT32_MIN;
    void *sourceWork = nullptr; // the converted source row: values, or colours on the RGB path
    for (int32_t y = top; y < bottom; ++y) {
        const int32_t sy = SourceAt(y, fullSrc.top, fsh, fullDst.top, fdh);
        if (st.tileMode || sy != lastSourceRow) {
            lastSourceRow = sy;
            uint32_t *raw = values[0];
            if (st.tileMode) {
                // FillPatternRow: the tile's row, repeated from the span's column phase.
                const uint8_t *tileRow = sTile.base + FloorMod(sy, sTile.height) * sTile.rowBytes;
                for (int32_t j = 0; j < st.dstWidth; ++j)
                    UnpackPixels(tileRow, columns[j], 1, st.src.depth, &raw[j]);
            } else {
                const uint8_t *row = st.src.origin + static_cast<int32_t>(sy - st.src.bounds.top) * st.src.step;
                UnpackPixels(row, st.srcX, st.srcWidth, st.src.depth, raw);
                if (st.src.complement) {
                    st.stageCount = st.srcWidth;
                    st.stageDepth = st.src.depth;
                    RowPassProc(raw, raw);
                }
            }
            sourceWork = raw;
            if (expand) {
                st.stageCount = st.srcWidth;
                expand(values[1], raw);
                sourceWork = values[1];
            } else if (toRgb) {
                st.stageCount = st.resize ? st.dstWidth : st.srcWidth;
                st.stageColors = st.srcColors;
                toRgb(rgb[0], raw);
                sourceWork = rgb[0];
                if (!rgbPath) {
                    st.stageCount = st.dstWidth;
                    toValues(values[1], rgb[0]);
                    sourceWork = values[1];
                }
            } else if (resizeProc) {
                st.stageCount = st.dstWidth;
                resizeProc(values[1], raw);
                sourceWork = values[1];
            }
        }

        uint8_t *dstRow = st.dst.origin + static_cast<int32_t>(y - st.dst.bounds.top) * st.dst.step;
        if (mask.present) {
            const int32_t my = static_cast<int32_t>(static_cast<int64_t>(y - mask.box.top) * mask.height /
                                                    (mask.box.bottom - mask.box.top));
            st.maskRow = mask.topRow + my * mask.step;
        }
        st.stageCount = st.dstWidth;
        st.stageDepth = st.dst.depth;

        if (rgbPath) {
            RgbTriple *work = rgb[2];
            if (dstToRgb) {
                UnpackPixels(dstRow, st.dstX, st.dstWidth, st.dst.depth, values[2]);
                if (st.dst.complement)
                    RowPassProc(values[2], values[2]);
                st.stageColors = st.dstColors;
                dstToRgb(work, values[2]);
            }
            combine(work, sourceWork);
            uint32_t *out = values[3];
            if (ditherProc) {
                ditherProc(out, work);
                st.ditherLeftToRight = !st.ditherLeftToRight;
            } else if (directStore) {
                toValues(dstRow, work);
                continue;
            } else {
                toValues(out, work);
            }
            if (st.dst.complement)
                RowPassProc(out, out);
            store(dstRow, out);
            continue;
        }

        uint32_t *out = static_cast<uint32_t *>(sourceWork);
        if (combine) {
            out = values[2];
            UnpackPixels(dstRow, st.dstX, st.dstWidth, st.dst.depth, out);
            if (st.dst.complement)
                RowPassProc(out, out);
            combine(out, sourceWork);
        }
        if (st.dst.complement) {
            // The row pass into the other destination buffer, so that a reused source row stays as it is.
            RowPassProc(values[3], out);
            out = values[3];
        }
        store(dstRow, out);
    }
    cleanUp();
}

// ---- Test seams ----

ZEL_EXTERN_C void ZEL_CALL ConvertPixelsForTest(const PixMap *src, PixMap *dst, const Rect *srcRect, const Rect *dstRect,
                                               const Rect *fullSrc, const Rect *fullDst, int16_t mode, CTabHandle srcCT,
                                               CTabHandle dstCT, RgnHandle mask, int16_t colorize)
{
    if (!srcRect || !dstRect)
        return;
    if (fullSrc && fullDst)
        SetConversionFullRects(*fullSrc, *fullDst);
    const bool was = sColorizeFlag;
    sColorizeFlag = colorize != 0;
    ConvertPixels(src, dst, *srcRect, *dstRect, mode, srcCT, dstCT, mask);
    sColorizeFlag = was;
}

ZEL_EXTERN_C void ZEL_CALL SelectPatternTile(const void *base, int32_t rowBytes, int32_t height, int32_t width)
{
    if (base || height || width)
        SetPatternTile(base, rowBytes, height, width);
    else
        ClearPatternTile();
}

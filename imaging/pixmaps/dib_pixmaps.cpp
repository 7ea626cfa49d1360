// DIB PixMaps: PixMaps whose pixels are a packed device-independent bitmap, made from a host's DIB or for
// a rectangle (then optionally with a memory DC drawing into the same rows), disposed with the storage
// they own, and their colours kept in step with the screen device. Also the port colour state the mask
// paths save while they draw into a mask of their own.
#include "imaging.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>

namespace {

// The one-byte block every PixMap of ZEL_NewDIBPixMap points at: its pixels are in its DIB.
Ptr sSharedByte;

constexpr LONG kPixelsPerMeter = 2800;

int ColourCountForDepth(int depth) { return depth == 1 ? 2 : depth == 4 ? 16 : depth == 8 ? 256 : 0; }

bool IsWhiteQuad(const RGBQUAD &q) { return q.rgbRed == 255 && q.rgbGreen == 255 && q.rgbBlue == 255; }
bool IsBlackQuad(const RGBQUAD &q) { return q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0; }

// The PixMap fields of a depth: indexed up to 8 bits, 5-5-5 at 16, 8-bit components at 32.
void SetComponentFields(PixMap &pm, int depth)
{
    pm.pixelSize = static_cast<int16_t>(depth);
    pm.pixelType = static_cast<int16_t>(depth > 8 ? 16 : 0);
    pm.cmpCount = static_cast<int16_t>(depth == 16 ? 3 : depth == 32 ? 4 : 1);
    pm.cmpSize = static_cast<int16_t>(depth == 16 ? 5 : depth == 32 ? 8 : depth);
}

// The colour table of a DIB of `used` colours at a depth of `count` entries: in the Macintosh order the
// used colours first and grey padding after; reversed (flag 0x100), the padding first and the used
// colours from the last to the first, so that Macintosh index i is DIB index count - 1 - i.
CTabHandle DibColorsToCTable(const RGBQUAD *colours, int used, int count, bool reversed)
{
    CTabHandle ct = reinterpret_cast<CTabHandle>(NewHandleClear(8 + count * static_cast<Size>(sizeof(ColorSpec))));
    if (!ct)
        return nullptr;
    (*ct)->ctSeed = GetCTSeed();
    (*ct)->ctFlags = 0;
    (*ct)->ctSize = static_cast<int16_t>(count - 1);
    for (int i = 0; i < count; ++i) {
        ColorSpec &entry = (*ct)->ctTable[i];
        entry.value = static_cast<int16_t>(i);
        const int dibIndex = reversed ? count - 1 - i : i;
        if (dibIndex < used) {
            const RGBQUAD &q = colours[dibIndex];
            entry.rgb = RGBColor{static_cast<uint16_t>(q.rgbRed * 257), static_cast<uint16_t>(q.rgbGreen * 257),
                                static_cast<uint16_t>(q.rgbBlue * 257)};
        } else {
            const uint16_t grey = static_cast<uint16_t>(i + (reversed ? 0xFE00 : 0x100));
            entry.rgb = RGBColor{grey, grey, grey};
        }
    }
    return ct;
}

CTabHandle DeviceCTable()
{
    GDHandle device = GetGDevice();
    if (!HandleHasData(device) || !HandleHasData((*device)->gdPMap))
        return nullptr;
    return (*(*device)->gdPMap)->pmTable;
}

// The pen, brush and colour state of the current port record that the mask paths change.
struct SavedColours {
    bool saved;
    uint16_t rop2Wanted, penBkModeWanted, textBkModeWanted;
    COLORREF foreColorRef, backColorRef;
    RGBColor foreRGB, backRGB;
} sSavedColours;

} // namespace

bool IsSharedDibPixelsBlock(const void *p) { return p && p == sSharedByte; }

ZEL_EXTERN_C PixMapHandle ZEL_CALL ZEL_NewDIBPixMap(const BITMAPINFO *dib)
{
    if (!dib)
        return nullptr;
    const BITMAPINFOHEADER &h = dib->bmiHeader;
    const int depth = h.biBitCount;
    const bool compressed = h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biWidth > 32767 || h.biHeight == 0 ||
        h.biHeight < -32767 || h.biHeight > 32767 || h.biPlanes != 1)
        return nullptr;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return nullptr;
    // Uncompressed rows must be ones the row code reads (BI_BITFIELDS with the standard masks only).
    // The header measured as a 40-byte one, the mask words of BI_BITFIELDS behind it.
    struct {
        BITMAPINFOHEADER h;
        DWORD masks[3];
    } measured{h, {0, 0, 0}};
    measured.h.biSize = sizeof measured.h;
    if (h.biCompression == BI_BITFIELDS)
        std::memcpy(measured.masks, reinterpret_cast<const uint8_t *>(dib) + h.biSize, sizeof measured.masks);
    const BITMAPINFOHEADER &plain = measured.h;
    DibGeometry geometry{};
    if (!compressed && !GetDibGeometry(&plain, sizeof measured, true, &geometry))
        return nullptr;
    const int32_t width = h.biWidth, height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const int pixelDepth = depth == 24 ? 32 : depth;
    int32_t macRowBytes = 0;
    if (!MacRowBytes(pixelDepth, width, &macRowBytes) || macRowBytes > 0x3FFF)
        return nullptr;

    const int count = ColourCountForDepth(depth);
    const int used = h.biClrUsed ? std::min<int>(static_cast<int>(std::min<DWORD>(h.biClrUsed, 256)), count) : count;
    const RGBQUAD *colours = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const uint8_t *>(dib) + h.biSize);
    const uint32_t colourBytes = h.biCompression == BI_BITFIELDS ? 12 : 4 * static_cast<uint32_t>(used);
    const bool reversed = count && !(IsWhiteQuad(colours[0]) && IsBlackQuad(colours[used - 1]));

    if (!sSharedByte && !(sSharedByte = NewPtrClear(1)))
        return nullptr;
    PixMapHandle pm = NewPixMap();
    if (!HandleHasData(pm))
        return nullptr;
    CTabHandle table = count ? DibColorsToCTable(colours, used, count, reversed) : nullptr;
    if (count && !table) {
        DisposePixMap(pm);
        return nullptr;
    }
    {
        PixMap &p = **pm;
        if (p.pmTable)
            DisposeCTable(p.pmTable);
        p.pmTable = table;
        p.baseAddr = sSharedByte;
        p.rowBytes = static_cast<int16_t>(0x8000 | macRowBytes);
        p.bounds = Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
        SetComponentFields(p, pixelDepth);
        p.pmExtFlags = 0;
        p.pmExtDevSeed = 0;
    }

    if (compressed) {
        // Compressed pixels become a Windows bitmap at once; the PixMap keeps no DIB.
        HDC reference = CurrentDC() ? CurrentDC() : DefaultMemoryDC();
        HBITMAP bitmap = CreateDIBitmap(reference, &h, CBM_INIT,
                                        reinterpret_cast<const uint8_t *>(dib) + h.biSize + colourBytes, dib,
                                        DIB_RGB_COLORS);
        if (!bitmap) {
            DisposePixMap(pm);
            return nullptr;
        }
        (*pm)->baseAddr = reinterpret_cast<Ptr>(0x7FFF);
        (*pm)->pmExtBitmap = bitmap;
        (*pm)->pmExtFlags = pmExtBitmapCached;
        return pm;
    }

    // A copy of the header (the caller's stays as it was: its height's sign kept, biSizeImage counted
    // here), the colours and the rows.
    const uint32_t rowBytes = static_cast<uint32_t>(geometry.rowBytes);
    const uint32_t image = rowBytes * static_cast<uint32_t>(height);
    Handle block = NewHandle(static_cast<Size>(sizeof(BITMAPINFOHEADER) + colourBytes + image));
    if (!block) {
        DisposePixMap(pm);
        return nullptr;
    }
    auto *copy = reinterpret_cast<BITMAPINFOHEADER *>(*block);
    *copy = plain;
    copy->biClrUsed = static_cast<DWORD>(count ? used : 0);
    copy->biSizeImage = image;
    copy->biXPelsPerMeter = copy->biYPelsPerMeter = kPixelsPerMeter;
    std::memcpy(copy + 1, colours, colourBytes);
    std::memcpy(reinterpret_cast<uint8_t *>(copy + 1) + colourBytes,
                reinterpret_cast<const uint8_t *>(dib) + h.biSize + colourBytes, image);
    // The handle stays where it is for the PixMap's life: pmExtDibBits points into it.
    HLock(block);
    PixMap &p = **pm;
    p.pmExtDib = block;
    p.pmExtDibBits = reinterpret_cast<Ptr>(reinterpret_cast<uint8_t *>(*block) + sizeof(BITMAPINFOHEADER) + colourBytes);
    p.pmExtFlags = static_cast<uint16_t>(pmExtDibAttached | (reversed ? pmExtBitsPrepared : 0));
    p.pmExtDibSeed = table ? static_cast<uint32_t>((*table)->ctSeed) : 0;
    return pm;
}

bool BindDibPixMap(PixMapHandle pm, const Rect *rect, bool wantDC)
{
    if (!HandleHasData(pm) || !rect)
        return false;
    PixMap &p = **pm;
    const int32_t width = rect->right - rect->left, height = rect->bottom - rect->top;
    // Windows has no 2-bit DIBs: 2-bit pixels are kept one to a byte.
    const int depth = p.pixelSize == 2 ? 8 : p.pixelSize;
    int32_t rowBytes = 0;
    if (width <= 0 || height <= 0 || !DibRowBytes(depth, width, &rowBytes))
        return false;
    const int count = ColourCountForDepth(depth);
    const Size header = sizeof(BITMAPINFOHEADER) + 4 * count;
    const uint32_t image = static_cast<uint32_t>(rowBytes) * static_cast<uint32_t>(height);
    Handle block = NewHandleClear(header + (wantDC ? 0 : image));
    if (!block)
        return false;
    auto *h = reinterpret_cast<BITMAPINFOHEADER *>(*block);
    h->biSize = sizeof *h;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(depth);
    h->biSizeImage = image;
    h->biXPelsPerMeter = h->biYPelsPerMeter = kPixelsPerMeter;
    h->biClrUsed = static_cast<DWORD>(count);
    auto *quads = reinterpret_cast<RGBQUAD *>(h + 1);
    // The table's colours through a buffer of the largest table: the header holds only `count` of them.
    if (count && HandleHasData(p.pmTable)) {
        RGBQUAD all[256];
        CopyCTabToQuads(p.pmTable, all);
        std::memcpy(quads, all, sizeof(RGBQUAD) * count);
    }
    HDC dc = nullptr;
    HBITMAP section = nullptr;
    void *bits = nullptr;
    if (wantDC) {
        // A memory DC holding a DIB section of the same header: GDI draws into the rows the PixMap
        // describes.
        dc = CreateCompatibleDC(nullptr);
        HLock(block);
        section = dc ? CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(*block), DIB_RGB_COLORS, &bits, nullptr, 0)
                     : nullptr;
        HUnlock(block);
        if (!section || !bits) {
            if (dc)
                DeleteDC(dc);
            DisposeHandle(block);
            return false;
        }
        p.pmExtOldBitmap = SelectObject(dc, section);
        p.pmExtBitmap = section;
        p.pmExtDC = dc;
        SetTextAlign(dc, TA_BASELINE | TA_LEFT);
        SelectPaletteIntoDc(dc);
    }
    // White: index 0 of a Macintosh table, all bits set in direct pixels.
    uint8_t *rows = wantDC ? static_cast<uint8_t *>(bits) : reinterpret_cast<uint8_t *>(*block) + header;
    std::memset(rows, count ? 0 : 0xFF, image);
    if (!wantDC)
        HLock(block);
    p.pmExtDib = block;
    p.pmExtDibBits = wantDC ? static_cast<Ptr>(bits) : reinterpret_cast<Ptr>(rows);
    p.pmExtFlags |= pmExtDibAttached;
    p.pmExtDibSeed = HandleHasData(p.pmTable) ? static_cast<uint32_t>((*p.pmTable)->ctSeed) : 0;
    return true;
}

PixMapHandle NewDibPixMapForRect(Point topLeft, Point botRight, const PixMap *like, bool wantDC)
{
    PixMapHandle pm = NewPixMap();
    if (!HandleHasData(pm))
        return nullptr;
    Ptr own = NewPtrClear(1);
    CTabHandle table = like ? like->pmTable : DeviceCTable();
    if (table) {
        Handle copy = reinterpret_cast<Handle>(table);
        table = HandToHand(&copy) == noErr ? reinterpret_cast<CTabHandle>(copy) : nullptr;
    }
    PixMap &p = **pm;
    if (p.pmTable)
        DisposeCTable(p.pmTable);
    p.pmTable = table;
    p.baseAddr = own;
    p.bounds = Rect{topLeft.v, topLeft.h, botRight.v, botRight.h};
    const PixMap *model = like ? like : (HandleHasData(GetGDevice()) && HandleHasData((*GetGDevice())->gdPMap)
                                             ? *(*GetGDevice())->gdPMap
                                             : nullptr);
    const int depth = model ? model->pixelSize : 8;
    SetComponentFields(p, depth == 24 ? 32 : depth);
    if (model && depth <= 8) {
        p.pixelType = model->pixelType;
        p.cmpCount = model->cmpCount;
        p.cmpSize = model->cmpSize;
    }
    int32_t macRowBytes = 0;
    MacRowBytes(p.pixelSize, botRight.h - topLeft.h, &macRowBytes);
    p.rowBytes = static_cast<int16_t>(0x8000 | (macRowBytes & 0x3FFF));
    p.pmExtFlags = 0;
    Rect r = p.bounds;
    if (!own || (p.pixelSize <= 8 && !table) || !BindDibPixMap(pm, &r, wantDC)) {
        DisposeDibPixMap(pm);
        return nullptr;
    }
    return pm;
}

PixMapHandle NewMonoDibPixMapForRect(Point topLeft, Point botRight, bool wantDC)
{
    PixMap model{};
    model.pixelSize = 1;
    model.cmpCount = 1;
    model.cmpSize = 1;
    model.pmTable = DefaultOneBitCTable();
    return NewDibPixMapForRect(topLeft, botRight, &model, wantDC);
}

void DisposeDibPixMap(PixMapHandle pm)
{
    if (!HandleHasData(pm))
        return;
    PixMap &p = **pm;
    // The PixMap's own one-byte block only: never the block shared by ZEL_NewDIBPixMap's PixMaps, nor
    // rows of anyone else.
    if (p.baseAddr && p.baseAddr != sSharedByte && reinterpret_cast<uintptr_t>(p.baseAddr) >= 0x10000 &&
        GetPtrSize(p.baseAddr) == 1)
        DisposePtr(p.baseAddr);
    p.baseAddr = nullptr;
    // A DC of its own holding its section: the section out of it, then both go.
    if (p.pmExtDC && p.pmExtBitmap && !p.pmExtMemDC) {
        SelectObject(p.pmExtDC, p.pmExtOldBitmap);
        DeleteObject(p.pmExtBitmap);
        p.pmExtBitmap = nullptr;
        p.pmExtOldBitmap = nullptr;
        p.pmExtDibBits = nullptr;
    }
    DisposePixMap(pm);
}

void SyncPixMapDibColors(PixMapHandle pm)
{
    if (!HandleHasData(pm))
        return;
    PixMap &p = **pm;
    if (static_cast<uint16_t>(p.pmVersion) != kPixMapVersion || !(p.pmExtFlags & pmExtDibAttached) ||
        (p.pmExtFlags & pmExtDibEngine) || !HandleHasData(p.pmExtDib))
        return;
    CTabHandle device = DeviceCTable();
    if (!HandleHasData(device) || static_cast<uint32_t>((*device)->ctSeed) == p.pmExtDevSeed)
        return;
    // Only a PixMap drawn in the device's colours takes them: a DIB of colours of its own keeps them.
    if (HandleHasData(p.pmTable) && (*p.pmTable)->ctSeed == (*device)->ctSeed) {
        GDHandle gd = GetGDevice();
        BITMAPINFOHEADER *h = reinterpret_cast<BITMAPINFOHEADER *>(*p.pmExtDib);
        const int count = static_cast<int>(h->biClrUsed ? h->biClrUsed : ColourCountForDepth(h->biBitCount));
        const int entries = (*device)->ctSize + 1;
        if (h->biBitCount <= 8 && (*(*gd)->gdPMap)->pixelSize == h->biBitCount && count == entries &&
            GetHandleSize(p.pmExtDib) >= static_cast<Size>(sizeof *h + 4 * count)) {
            auto *quads = reinterpret_cast<RGBQUAD *>(h + 1);
            const bool reversed = (p.pmExtFlags & pmExtBitsPrepared) != 0;
            for (int i = 0; i < count; ++i) {
                const RGBColor &c = (*device)->ctTable[i].rgb;
                RGBQUAD q{static_cast<BYTE>(c.blue >> 8), static_cast<BYTE>(c.green >> 8), static_cast<BYTE>(c.red >> 8), 0};
                // Pure white belongs to the first and last entries only.
                if (i != 0 && i != count - 1 && IsWhiteQuad(q))
                    q.rgbRed = 254;
                quads[reversed ? count - 1 - i : i] = q;
            }
        }
    }
    p.pmExtDevSeed = static_cast<uint32_t>((*device)->ctSeed);
}

void SavePortDcColors()
{
    const PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    sSavedColours = SavedColours{true, record->rop2Wanted, record->penBkModeWanted, record->textBkModeWanted,
                                 record->foreColorRef, record->backColorRef, record->foreRGB, record->backRGB};
}

void ResetPortDcColors()
{
    if (PortDCRecord *record = CurrentPortRecord())
        ResetPortDCCache(record);
}

void RestorePortDcColors()
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record || !sSavedColours.saved)
        return;
    record->rop2Wanted = sSavedColours.rop2Wanted;
    record->penBkModeWanted = sSavedColours.penBkModeWanted;
    record->textBkModeWanted = sSavedColours.textBkModeWanted;
    record->foreColorRef = sSavedColours.foreColorRef;
    record->backColorRef = sSavedColours.backColorRef;
    record->foreRGB = sSavedColours.foreRGB;
    record->backRGB = sSavedColours.backRGB;
    ResetPortDCCache(record);
    sSavedColours.saved = false;
}

void DisposeDibBridgeCaches()
{
    DisposeShapeMaskCache();
    DisposeColorPatternCache();
    if (sSharedByte)
        DisposePtr(sSharedByte);
    sSharedByte = nullptr;
    DisposeScratchDib();
    DisposeScreenGrabSection();
}

// ---- Test seam ----

ZEL_EXTERN_C PixMapHandle ZEL_CALL NewDibPixMapForTest(const Rect *rect, const PixMap *like, Boolean wantDC)
{
    if (!rect)
        return nullptr;
    return NewDibPixMapForRect(Point{rect->top, rect->left}, Point{rect->bottom, rect->right}, like, wantDC != 0);
}

ZEL_EXTERN_C void ZEL_CALL DisposeDibPixMapForTest(PixMapHandle pm) { DisposeDibPixMap(pm); }

// The DIB an extended PixMap keeps attached: its header, its colours and its rows, made, refreshed and
// freed with the PixMap.
#include "imaging.h"
#include "../devices/devices_services.h"

#include <algorithm>
#include <cstring>

namespace {

bool sUnfoldMode;

constexpr LONG kPixelsPerMeter = 2800;
constexpr DWORD kStandardMasks32[3] = {0xFF0000, 0xFF00, 0xFF};

int16_t DibSectionSetting() { return static_cast<int16_t>(LibrarySetting(settingOffscreenBitmaps)); }

uint8_t High(uint16_t component) { return static_cast<uint8_t>(component >> 8); }

int TableEntries(CTabHandle ct) { return HandleHasData(ct) ? std::clamp<int>((*ct)->ctSize + 1, 0, 256) : 0; }

// Bytes after the 40-byte header: the mask words of BI_BITFIELDS, or the colour entries below 24 bits.
uint32_t ColourAreaBytes(const BITMAPINFOHEADER &h)
{
    if (h.biCompression == BI_BITFIELDS)
        return 12;
    return h.biBitCount < 24 ? 4 * std::min<uint32_t>(h.biClrUsed, 256) : 0;
}

} // namespace

bool UnfoldMode() { return sUnfoldMode; }
void SetUnfoldMode(bool on) { sUnfoldMode = on; }

bool Palette8()
{
    const int depth = ScreenDepth();
    if (!ScreenReducedPalette() || (depth != 4 && depth != 8))
        return false;
    HDC printer = PrintingDC(nullptr);
    return !printer || printer != CurrentDC();
}

int DibDepthForPixelSize(int pixelSize)
{
    switch (pixelSize) {
    case 1: return 1;
    case 2: return 8; // Windows has no 2-bit DIBs
    case 4: return sUnfoldMode ? 4 : 8;
    case 8: return 8;
    case 16:
    case 32: return Palette8() ? 8 : 24;
    default: return 0;
    }
}

bool FillDibHeader(BITMAPINFOHEADER *header, bool eightRows, int pixelSize, int32_t width, int32_t height,
                   int32_t *stride)
{
    if (!header) {
        PixMapHandle conversion = ConversionPixMap();
        if (!HandleHasData(conversion) || !HandleHasData((*conversion)->pmExtDib))
            return false;
        header = reinterpret_cast<BITMAPINFOHEADER *>(*(*conversion)->pmExtDib);
    }
    int depth = DibDepthForPixelSize(pixelSize);
    if (depth == 0)
        return false;
    const bool topDown = DibSectionSetting() < 0;
    const bool bitfields = topDown && depth == 24;
    if (bitfields)
        depth = 32;
    int32_t rowBytes = 0;
    if (!DibRowBytes(depth, width, &rowBytes))
        return false;
    const int32_t rows = eightRows ? 8 : height;
    BITMAPINFOHEADER &h = *header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = topDown ? -rows : rows;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(depth);
    h.biCompression = bitfields ? BI_BITFIELDS : BI_RGB;
    h.biSizeImage = static_cast<DWORD>(rows) * static_cast<DWORD>(rowBytes);
    h.biXPelsPerMeter = h.biYPelsPerMeter = kPixelsPerMeter;
    h.biClrUsed = depth == 1 ? 2 : depth == 4 ? 16 : depth == 8 ? 256 : 0;
    h.biClrImportant = 0;
    if (bitfields)
        std::memcpy(header + 1, kStandardMasks32, sizeof kStandardMasks32);
    if (stride)
        *stride = rowBytes;
    return true;
}

bool AllocPixMapDib(const BITMAPINFOHEADER *header, PixMap *map, bool keep)
{
    if (!header || !map)
        return false;
    const uint32_t colourBytes = ColourAreaBytes(*header);
    const uint32_t rows = DibSectionSetting() != 0 ? 0 : header->biSizeImage;
    const uint32_t total = sizeof(BITMAPINFOHEADER) + colourBytes + rows;
    Handle dib = map->pmExtDib;
    if (!keep || !HandleHasData(dib)) {
        if (HandleHasData(dib)) {
            SetHandleSize(dib, static_cast<Size>(total));
            if (MemError() != noErr) {
                FreeDibOf(*map);
                return false;
            }
        } else {
            dib = NewHandleClear(static_cast<Size>(total));
            if (!dib)
                return false;
        }
        map->pmExtDib = dib;
        map->pmExtDibSeed = 0;
    } else if (static_cast<uint32_t>(GetHandleSize(dib)) < sizeof(BITMAPINFOHEADER) + colourBytes) {
        return false;
    }
    const bool ownRows = !keep && rows != 0 && static_cast<uint32_t>(GetHandleSize(dib)) >= total;
    uint8_t *bytes = reinterpret_cast<uint8_t *>(*dib);
    if (reinterpret_cast<const uint8_t *>(header) != bytes)
        std::memmove(bytes, header, sizeof(BITMAPINFOHEADER));
    if (header->biCompression == BI_BITFIELDS)
        std::memcpy(bytes + sizeof(BITMAPINFOHEADER), kStandardMasks32, sizeof kStandardMasks32);
    map->pmExtDibBits = ownRows ? reinterpret_cast<Ptr>(bytes + sizeof(BITMAPINFOHEADER) + colourBytes) : nullptr;
    map->pmExtFlags |= pmExtDibAttached;
    return true;
}

void FreePixMapDib(PixMapHandle pm)
{
    if (HandleHasData(pm))
        FreeDibOf(**pm);
}

void FreeDibOf(PixMap &map)
{
    ReleaseDibSection(map);
    map.pmExtDibSeed = 0;
    Handle dib = map.pmExtDib;
    map.pmExtDib = nullptr;
    map.pmExtDibBits = nullptr;
    map.pmExtFlags &= static_cast<uint16_t>(~(pmExtDibAttached | pmExtBitsPrepared | pmExtPaletteIndices));
    if (dib)
        DisposeHandle(dib);
}

bool BuildPixMapDib(const BitMap *bits, bool intoShared, bool blackOnWhite)
{
    if (!bits)
        return false;
    const bool pixMap = IsPixMapRecord(bits);
    if (!pixMap)
        intoShared = true;
    PixMapHandle view;
    if (intoShared) {
        view = ConversionPixMap();
        if (!HandleHasData(view))
            return false;
        PixMap &map = **view;
        if (pixMap) {
            std::memcpy(&map, bits, offsetof(PixMap, pmExtFlags));
        } else {
            // A BitMap is a one-bit PixMap whose two colours are the port's, or white and black.
            CTabHandle table = map.pmTable;
            SetHandleSize(reinterpret_cast<Handle>(table), sizeof(ColorTable) + sizeof(ColorSpec));
            if (MemError() != noErr)
                return false;
            map.baseAddr = bits->baseAddr;
            map.rowBytes = static_cast<int16_t>(bits->rowBytes | 0x8000);
            map.bounds = bits->bounds;
            map.packType = 1;
            map.pixelType = 0;
            map.pixelSize = map.cmpCount = map.cmpSize = 1;
            map.pmTable = table;
            ColorTable &ct = **table;
            ct.ctSeed = 1;
            ct.ctFlags = 0;
            ct.ctSize = 1;
            RGBColor back{0xFFFF, 0xFFFF, 0xFFFF}, fore{0, 0, 0};
            if (!blackOnWhite) {
                GrafPtr port = CurrentPort();
                if (IsColorPort(port)) {
                    back = reinterpret_cast<CGrafPtr>(port)->rgbBkColor;
                    fore = reinterpret_cast<CGrafPtr>(port)->rgbFgColor;
                }
            }
            ct.ctTable[0] = ColorSpec{0, back};
            ct.ctTable[1] = ColorSpec{1, fore};
        }
        PixMap &shared = **view;
        shared.pmVersion = static_cast<int16_t>(kPixMapVersion);
        shared.pmExtFlags = pmExtOwnRows | (shared.pmExtFlags & pmExtDibAttached);
    } else {
        view = nullptr;
    }
    const PixMap &source = intoShared ? **view : *reinterpret_cast<const PixMap *>(bits);
    const int32_t width = source.bounds.right - source.bounds.left;
    const int32_t height = source.bounds.bottom - source.bounds.top;
    if (width < 0 || height < 0)
        return false;
    struct {
        BITMAPINFOHEADER h;
        DWORD masks[3];
    } local{};
    if (!FillDibHeader(&local.h, blackOnWhite, source.pixelSize, width, height, nullptr))
        return false;
    return AllocPixMapDib(&local.h, intoShared ? *view : const_cast<PixMap *>(reinterpret_cast<const PixMap *>(bits)),
                          intoShared);
}

void PixMapColorsToDib(PixMap *pm, BITMAPINFO *info, bool force)
{
    if (!pm || !info)
        return;
    PixMap &map = *pm;
    CTabHandle ct = map.pmTable;
    const uint32_t seed = HandleHasData(ct) ? (*ct)->ctSeed : 0;
    const bool reversed = (map.pmExtFlags & pmExtBitsPrepared) != 0;
    const bool writtenReversed = (map.pmExtFlags & pmExtSystemOrder) != 0;
    if (!force && map.pmExtDibSeed == seed && reversed == writtenReversed)
        return;
    map.pmExtDibSeed = seed;
    if (info->bmiHeader.biBitCount >= 24)
        return;
    // The header's colour area holds biClrUsed entries; the 256 of a full table go into a copy first.
    RGBQUAD quads[256];
    if (reversed) {
        ColorTableToSystemQuads(ct, quads, map.pixelSize);
        map.pmExtFlags |= pmExtSystemOrder;
    } else {
        CopyCTabToQuads(ct, quads);
        map.pmExtFlags &= static_cast<uint16_t>(~pmExtSystemOrder);
    }
    const DWORD entries = std::min<DWORD>(info->bmiHeader.biClrUsed ? info->bmiHeader.biClrUsed
                                                                    : 1u << info->bmiHeader.biBitCount,
                                          256);
    std::memcpy(info->bmiColors, quads, entries * sizeof(RGBQUAD));
}

void ColorTableToSystemQuads(CTabHandle ct, RGBQUAD *quads, int pixelSize)
{
    std::memset(quads, 0, 256 * sizeof(RGBQUAD));
    const int n = TableEntries(ct);
    for (int k = 0; k < n; ++k) {
        const RGBColor &c = (*ct)->ctTable[k].rgb;
        const RGBQUAD q{High(c.blue), High(c.green), High(c.red), 0};
        const int position = n - 1 - k;
        int slot = position;
        if (pixelSize == 2 && n <= 4 && !sUnfoldMode) {
            static const uint8_t slots2[4] = {0, 1, 254, 255};
            slot = slots2[position + (4 - n)];
        } else if (pixelSize == 4 && n <= 16) {
            const int p = position + (16 - n);
            slot = sUnfoldMode || p < 8 ? p : 240 + p;
        }
        quads[slot] = q;
    }
}

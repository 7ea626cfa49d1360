// The screen-write layer: a DIB PixMap's pixels put onto the current device context (one blit, or
// composed first), hiliting device rectangles, and solid fills written straight into a port's DIB bits.
#include "imaging.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>

namespace {

// One-shot: the next engine blit in ZEL_DSSimple goes to the screen through the section's own DC.
uint32_t sNextWriteToScreen;
// A same-size srcCopy may use SetDIBitsToDevice.
bool sUseSetDIBits;
// The raster operation DrawPixMapToScreen last stored for ZEL_DSSimple; a host's first direct call
// copies.
DWORD sCurrentRop = SRCCOPY;

bool IsEmpty(const Rect &r) { return r.bottom <= r.top || r.right <= r.left; }

// The palette-index header of an indexed DIB on a palette screen: its 40 bytes in front of the
// indices 0..255, for DIB_PAL_COLORS.
const BITMAPINFO *PaletteIndexHeader(const BITMAPINFOHEADER &header)
{
    HLOCAL block = DibHeaderBlock(1);
    void *bytes = block ? LocalLock(block) : nullptr;
    if (!bytes)
        return nullptr;
    std::memcpy(bytes, &header, sizeof header);
    LocalUnlock(block);
    return static_cast<const BITMAPINFO *>(bytes);
}

// The colour table of the current device's PixMap.
CTabHandle DeviceCTable()
{
    GDHandle device = GetGDevice();
    if (!device || !*device || !(*device)->gdPMap || !*(*device)->gdPMap)
        return nullptr;
    return (*(*device)->gdPMap)->pmTable;
}

} // namespace

bool UseSetDIBitsFlag() { return sUseSetDIBits; }
void SetUseSetDIBitsFlag(bool on) { sUseSetDIBits = on; }

ZEL_EXTERN_C void ZEL_CALL ZEL_NextWriteIsToScreen(uint32_t flag)
{
    sNextWriteToScreen = flag;
    sUseSetDIBits = flag ? false : ScreenDibToDevice();
}

ZEL_EXTERN_C void ZEL_CALL ZEL_DSSimple(PixMap *pm, Rect src, Rect dst, CTabHandle ctab)
{
    // Only a PixMap whose DIB header the row code accepts is drawn; its bounds are the host's to write
    // and never say how many rows the DIB has.
    if (!pm || !(pm->pmExtFlags & pmExtDibAttached) || !pm->pmExtDib || !*pm->pmExtDib || !pm->pmExtDibBits)
        return;
    BITMAPINFO *info = reinterpret_cast<BITMAPINFO *>(*pm->pmExtDib);
    DibGeometry dib;
    if (!GetDibGeometry(&info->bmiHeader, static_cast<uint32_t>(GetHandleSize(pm->pmExtDib)), true, &dib))
        return;
    HDC dc = CurrentDC();
    if (!dc || IsEmpty(src) || IsEmpty(dst))
        return;

    const BITMAPINFO *header = info;
    UINT usage = DIB_RGB_COLORS;
    CTabHandle device = DeviceCTable();
    if (ScreenPaletteSize() && !(pm->pmExtFlags & pmExtDibEngine) && ctab && *ctab && device && *device &&
        (*ctab)->ctSeed == (*device)->ctSeed && dib.depth <= 8) {
        if (const BITMAPINFO *indices = PaletteIndexHeader(info->bmiHeader)) {
            header = indices;
            usage = DIB_PAL_COLORS;
        }
    } else if (Handle own = RecoverHandle(reinterpret_cast<Ptr>(pm))) {
        SyncPixMapDibColors(reinterpret_cast<PixMapHandle>(own));
    }

    // The source in the DIB's coordinates: StretchDIBits and SetDIBitsToDevice count the source's row
    // from the DIB's bottom whatever its order (a top-down DIB included), where the PixMap counts from
    // its top.
    const int fromTop = src.top - pm->bounds.top;
    const int left = src.left - pm->bounds.left;
    const int srcW = src.right - src.left, srcH = src.bottom - src.top;
    int dstW = dst.right - dst.left, dstH = dst.bottom - dst.top;
    int dibY = dib.height - (fromTop + srcH);
    const Ptr bits = pm->pmExtDibBits;

    if (!sUseSetDIBits || sCurrentRop != SRCCOPY || !dib.bottomUp || srcW != dstW || srcH != dstH) {
        if (sNextWriteToScreen && (pm->pmExtFlags & pmExtDibEngine) && pm->pmExtDC) {
            // The section's DC is read like any DC: its top row first, whatever the DIB's order.
            if (srcW == dstW && srcH == dstH)
                DibEngineBlit(dc, dst.left, dst.top, dstW, dstH, pm->pmExtDC, left, fromTop);
            else
                StretchBlt(dc, dst.left, dst.top, dstW, dstH, pm->pmExtDC, left, fromTop, srcW, srcH, SRCCOPY);
            sNextWriteToScreen = 0;
            return;
        }
        StretchDIBits(dc, dst.left, dst.top, dstW, dstH, left, dibY, srcW, srcH, bits, header, usage, sCurrentRop);
        return;
    }
    // SetDIBitsToDevice draws what the clip shows anyway; rows below the clip's bottom are left out.
    RECT clip;
    if (GetClipBox(dc, &clip) != ERROR && clip.bottom < dst.bottom) {
        int cut = dst.bottom - clip.bottom;
        dibY += cut;
        dst.bottom = static_cast<int16_t>(clip.bottom);
        dstH -= cut;
    }
    if (dstW <= 0 || dstH <= 0)
        return;
    SetDIBitsToDevice(dc, dst.left, dst.top, dstW, dstH, left, dibY, 0, dib.height, bits, header, usage);
}

namespace {

// Draws a PixMap clipped to a region that is not in mask form (srcCopy through a mask).
void DrawClippedToRgn(PixMap *src, const Rect &srcRect, const Rect &dstRect, CTabHandle ctab, RgnHandle mask)
{
    HDC dc = CurrentDC();
    if (!dc || !mask || !*mask)
        return;
    const Region &r = **mask;
    HRGN form = reinterpret_cast<HRGN>(static_cast<uintptr_t>(r.rgnForm));
    HRGN area;
    if (form == RectRgnSentinel()) {
        area = CreateRectRgn(r.rgnBBox.left, r.rgnBBox.top, r.rgnBBox.right, r.rgnBBox.bottom);
    } else {
        area = CreateRectRgn(0, 0, 0, 0);
        if (area)
            CombineRgn(area, form, nullptr, RGN_COPY);
    }
    RECT box;
    HRGN clip = GetClipBox(dc, &box) != ERROR ? CreateRectRgnIndirect(&box) : nullptr;
    if (area && clip) {
        CombineRgn(area, area, clip, RGN_AND);
        int saved = SaveDC(dc);
        SelectClipRgn(dc, area);
        // A PixMap without a DIB takes the unscaled path of CopyBits, which is not drawn here.
        if (src->pmExtFlags & pmExtDibAttached)
            ZEL_DSSimple(src, srcRect, dstRect, ctab);
        RestoreDC(dc, saved);
    }
    if (area)
        DeleteObject(area);
    if (clip)
        DeleteObject(clip);
}

// The compositing scratch: a 32-bit top-down DIB section in a memory DC of its own, kept between calls
// and grown only.
struct ScratchDib {
    HDC dc;
    HBITMAP section;
    HGDIOBJ displaced;
    uint32_t *bits;
    int width, height;
} sScratch;

bool EnsureScratchDib(int width, int height)
{
    if (sScratch.section && sScratch.width >= width && sScratch.height >= height)
        return true;
    DisposeScratchDib();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!section || !bits) {
        if (dc)
            DeleteDC(dc);
        return false;
    }
    sScratch = ScratchDib{dc, section, SelectObject(dc, section), static_cast<uint32_t *>(bits), width, height};
    return true;
}

// Composes the source into a scratch DIB that holds the destination's pixels (read from the current
// DC), through the pixel conversion engine with the mode and the mask, then puts the scratch back: the
// pixels the mode or the mask leave alone come back as they were.
void DrawThroughScratchDib(PixMap *src, PixMap *, const Rect &srcRect, const Rect &dstRect, int16_t mode,
                           CTabHandle ctab, uint32_t, RgnHandle mask)
{
    HDC dc = CurrentDC();
    const int w = dstRect.right - dstRect.left, h = dstRect.bottom - dstRect.top;
    // Rows of 32-bit pixels whose rowBytes the PixMap can hold.
    if (!dc || w <= 0 || h <= 0 || w > 0x3FFF / 4 || !EnsureScratchDib(w, h))
        return;
    GdiFlush();
    BitBlt(sScratch.dc, 0, 0, w, h, dc, dstRect.left, dstRect.top, SRCCOPY);
    GdiFlush();
    // The scratch as a plain PixMap whose bounds are the destination rectangle, so that the mask lies
    // where it lies on the destination.
    PixMap view{};
    view.baseAddr = reinterpret_cast<Ptr>(sScratch.bits);
    view.rowBytes = static_cast<int16_t>(0x8000 | (4 * sScratch.width));
    view.bounds = dstRect;
    view.pixelType = 16;
    view.pixelSize = 32;
    view.cmpCount = 3;
    view.cmpSize = 8;
    view.pmTable = DefaultOneBitCTable();
    ConvertPixels(src, &view, srcRect, dstRect, mode, ctab ? ctab : src->pmTable, view.pmTable, mask);
    BitBlt(dc, dstRect.left, dstRect.top, w, h, sScratch.dc, 0, 0, SRCCOPY);
}

bool IsMaskForm(RgnHandle rgn)
{
    return rgn && *rgn && reinterpret_cast<HRGN>(static_cast<uintptr_t>((*rgn)->rgnForm)) == MaskRgnSentinel();
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL ZEL_DSNotSimple(PixMap *src, PixMap *dst, Rect srcRect, Rect dstRect, int16_t mode,
                                          CTabHandle ctab, uint32_t context, RgnHandle mask)
{
    if (!src)
        return;
    if (mask && *mask && !IsMaskForm(mask) && mode == 0)
        DrawClippedToRgn(src, srcRect, dstRect, ctab, mask);
    else
        DrawThroughScratchDib(src, dst, srcRect, dstRect, mode, ctab, context, mask);
}

void DrawPixMapToScreen(PixMap *src, PixMap *dst, const Rect &srcRect, const Rect &dstRect, int16_t mode,
                        DWORD rop, CTabHandle ctab, uint32_t context, RgnHandle mask, bool colorize)
{
    sCurrentRop = rop;
    if (!(src->pmExtFlags & pmExtDibEngine) && (rop != SRCCOPY || mask || colorize)) {
        SetColorizeFlag(colorize);
        ZEL_DSNotSimple(src, dst, srcRect, dstRect, mode, ctab, context, mask);
        SetColorizeFlag(false);
    } else
        ZEL_DSSimple(src, srcRect, dstRect, ctab);
}

void DisposeScratchDib()
{
    if (sScratch.dc) {
        SelectObject(sScratch.dc, sScratch.displaced);
        DeleteDC(sScratch.dc);
    }
    if (sScratch.section)
        DeleteObject(sScratch.section);
    sScratch = ScratchDib{};
}

bool TryDibFillRect(const Rect *rect, const Pattern *pat)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!rect || !pat || !IsColorPort(port) || !record || !HandleHasData(port->clipRgn))
        return false;
    // Only where the clip is a rectangle that holds the whole fill.
    const Region &clip = **port->clipRgn;
    HRGN form = reinterpret_cast<HRGN>(static_cast<uintptr_t>(clip.rgnForm));
    if (clip.rgnSize == kMaskFormRgnSize || (form && form != RectRgnSentinel() && form != MaskRgnSentinel()))
        return false;
    if (rect->left < clip.rgnBBox.left || rect->top < clip.rgnBBox.top || rect->right > clip.rgnBBox.right ||
        rect->bottom > clip.rgnBBox.bottom)
        return false;
    bool allFore = true, allBack = true;
    for (uint8_t row : pat->pat) {
        allFore = allFore && row == 0xFF;
        allBack = allBack && row == 0;
    }
    if (!allFore && !allBack)
        return false;
    PixMapHandle pmh = reinterpret_cast<CGrafPtr>(port)->portPixMap;
    if (!HandleHasData(pmh))
        return false;
    PixMap &pm = **pmh;
    if (!(pm.pmExtFlags & pmExtDibAttached) || !HandleHasData(pm.pmExtDib) || !HandleHasData(pm.pmTable))
        return false;
    DibGeometry dib;
    if (!GetDibGeometry(reinterpret_cast<BITMAPINFOHEADER *>(*pm.pmExtDib),
                        static_cast<uint32_t>(GetHandleSize(pm.pmExtDib)), true, &dib))
        return false;
    if (dib.depth != 1 && dib.depth != 4 && dib.depth != 8)
        return false;
    uint8_t *bits = reinterpret_cast<uint8_t *>(pm.pmExtDibBits);
    if (!bits && static_cast<uint64_t>(GetHandleSize(pm.pmExtDib)) >= dib.headerBytes + dib.imageBytes)
        bits = reinterpret_cast<uint8_t *>(*pm.pmExtDib) + dib.headerBytes;
    if (!bits)
        return false;
    // The colour's entry in the PixMap's table (through the device's inverse table when it is current for
    // the table); complemented in a DIB of reversed order.
    const RGBColor colour = allFore ? record->foreRGB : record->backRGB;
    uint32_t index = static_cast<uint32_t>(ClosestColorIndex(pm.pmTable, &colour));
    const uint32_t mask = (1u << dib.depth) - 1;
    if (pm.pmExtFlags & pmExtBitsPrepared)
        index = ~index & mask;
    index &= mask;
    // The rectangle in the DIB's rows, cut to them.
    const int left = std::max(0, rect->left - pm.bounds.left), right = std::min<int>(dib.width, rect->right - pm.bounds.left);
    const int top = std::max(0, rect->top - pm.bounds.top), bottom = std::min<int>(dib.height, rect->bottom - pm.bounds.top);
    if (left >= right || top >= bottom)
        return true;
    GdiFlush();
    for (int y = top; y < bottom; ++y) {
        uint8_t *row = bits + static_cast<size_t>(dib.bottomUp ? dib.height - 1 - y : y) * dib.rowBytes;
        if (dib.depth == 8) {
            std::memset(row + left, static_cast<int>(index), static_cast<size_t>(right - left));
            continue;
        }
        const int per = 8 / dib.depth;
        for (int x = left; x < right; ++x) {
            const int shift = 8 - dib.depth * (x % per + 1);
            uint8_t &b = row[x / per];
            b = static_cast<uint8_t>((b & ~(mask << shift)) | (index << shift));
        }
    }
    return true;
}

bool TryDibFillCRect(const Rect *, PixPatHandle) { return false; }

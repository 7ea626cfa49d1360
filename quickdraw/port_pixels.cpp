// Rebinding a port's pixels: SetPortBits for black-and-white ports, SetPortPix for colour ports.
#include "qd_services.h"
#include "../core/core_services.h"
#include "../imaging/imaging_services.h"

#include <cstddef>
#include <cstring>

namespace {

// Switch 0x4 of ZEL_SetFlags: a port's bits or PixMap are stored as given, with no binding.
constexpr uint32_t kRawPortBitsSwitch = 0x4;

bool IsRealPixMap(PixMapHandle pm)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(pm);
    return value != 0 && value != 0xFFFF;
}

// Clears the palette-managed DIB mode of the current port (it is set again when the new pixels are
// such a DIB), answering whether it was on.
bool LeavePaletteDibMode()
{
    const bool was = BrushReleaseMode();
    SetBrushReleaseMode(false);
    if (PortDCRecord *record = CurrentPortRecord())
        record->flags &= ~portDCPaletteDib;
    return was;
}

} // namespace

// Takes the current port's GDI objects out of its DC before its pixels change hands, as when the DC
// is released: the font forgotten, its brushes dropped. A brush selected while brushes were released on
// deselection is released now, or its cache entry stays held.
void DropCurrentPortObjects(bool releaseSelectedBrush)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    DeselectPortBrush(releaseSelectedBrush);
    ReleasePortGdiObjects(record, CurrentDC());
}

ZEL_EXTERN_C Boolean ZEL_CALL SetPortBits(const BitMap *bm)
{
    const bool releasing = LeavePaletteDibMode();
    GrafPtr port = CurrentPort();
    if (!port || !bm)
        return FALSE;
    if (IsColorPort(port))
        return TRUE;
    if (LibrarySwitch(kRawPortBitsSwitch)) {
        port->portBits = *bm;
        return TRUE;
    }
    const uint32_t base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(port->portBits.baseAddr));
    if (IsBoundBitmapSlot(base)) {
        if (releasing)
            DropCurrentPortObjects(true);
        ReleasePortBits(port, port->portBits.baseAddr, TRUE);
    }
    return BindPortBits(port, bm->baseAddr, bm->rowBytes, &bm->bounds) ? TRUE : FALSE;
}

ZEL_EXTERN_C Boolean ZEL_CALL SetPortPix(PixMapHandle pm)
{
    const bool releasing = LeavePaletteDibMode();
    CGrafPtr port = reinterpret_cast<CGrafPtr>(CurrentPort());
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return FALSE;
    PixMapHandle old = port->portPixMap;
    if (!IsRealPixMap(old) || !IsRealPixMap(pm)) {
        port->portPixMap = pm;
        return TRUE;
    }
    if (LibrarySwitch(kRawPortBitsSwitch)) {
        port->portPixMap = pm;
        return TRUE;
    }
    const Rect oldBounds = HandleHasData(old) ? (*old)->bounds : Rect{};
    if (HandleHasData(old) && reinterpret_cast<uintptr_t>((*old)->baseAddr) > 0xFFFF) {
        if (releasing) {
            DropCurrentPortObjects(true);
            InvalidatePortBrushes();
        }
        UnfoldPortPixMap(old);
    }
    Boolean result = TRUE;
    const PixMap *map = HandleHasData(pm) ? *pm : nullptr;
    if (map && static_cast<uint16_t>(map->pmVersion) == kPixMapVersion && (map->pmExtFlags & pmExtDibAttached) &&
        map->pmExtDC) {
        // A PixMap drawn through its own DC: that DC becomes the port's.
        // The port's objects leave the DC it drew into before, or the brush it holds stays counted.
        port->portPixMap = pm;
        if (CurrentDC() != map->pmExtDC)
            DropCurrentPortObjects(false);
        SetPortRecordDC(map->pmExtDC);
        InvalidatePortBrushes();
        SetBrushReleaseMode(true);
        record->flags |= portDCPaletteDib;
    } else {
        result = BindPortPixMap(pm) ? TRUE : FALSE;
    }
    if (map && (map->bounds.left != oldBounds.left || map->bounds.top != oldBounds.top)) {
        SetXformOrigin(map->bounds.left, map->bounds.top);
        if (record->brushAlign)
            UpdateBrushOrigin();
        Move(0, 0);
    }
    return result;
}

namespace {

// The bitmap header of a PixMap's packed DIB, or 0 when it has none.
BITMAPINFOHEADER *PixMapDibHeader(PixMapHandle pm)
{
    if (!HandleHasData(pm) || !HandleHasData((*pm)->pmExtDib))
        return nullptr;
    return reinterpret_cast<BITMAPINFOHEADER *>(*(*pm)->pmExtDib);
}

} // namespace

// Prepares the DC that the next port opened takes. Bit 0: the shared memory DC; bit 1: a DC on the
// display for the PixMap (its bitmap header at least 1 x 1), with the current DC's attributes, kept in
// the PixMap so that the port does not own it; neither: a new memory DC like the current one.
ZEL_EXTERN_C HDC ZEL_CALL ZEL_OffScreenDC(PixMapHandle pm, int16_t mode)
{
    HDC dc = nullptr;
    bool recorded = false;
    if (mode & 1) {
        dc = DefaultMemoryDC();
    } else if (mode & 2) {
        if (BITMAPINFOHEADER *header = PixMapDibHeader(pm)) {
            if (header->biWidth < 1)
                header->biWidth = 1;
            if (header->biHeight == 0)
                header->biHeight = 1;
        }
        dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        if (dc) {
            if (HDC current = CurrentDC()) {
                SetMapMode(dc, GetMapMode(current));
                SetTextColor(dc, GetTextColor(current));
                SetBkColor(dc, GetBkColor(current));
                SetBkMode(dc, GetBkMode(current));
                SetROP2(dc, GetROP2(current));
            }
            if (HandleHasData(pm)) {
                (*pm)->pmExtDC = dc;
                recorded = true;
            }
        }
    } else {
        dc = CreateCompatibleDcWithPalette(CurrentDC());
    }
    SetPendingOffscreenDC(dc, recorded);
    return dc;
}

// ---- PixMap and PixPat copies ----

namespace {

// dst gets src's contents: resized and copied into, or a new handle when it has none. A nil src leaves
// dst alone.
void CopyHandleContents(Handle src, Handle *dst)
{
    if (!src || !*src)
        return;
    const Size size = GetHandleSize(src);
    if (!*dst) {
        Handle copy = src;
        if (HandToHand(&copy) == noErr)
            *dst = copy;
        return;
    }
    SetHandleSize(*dst, size);
    if (GetHandleSize(*dst) == size)
        std::memcpy(**dst, *src, static_cast<size_t>(size));
}

} // namespace

// The 50 published bytes of src into dst, dst keeping its own colour table handle (which gets src's
// table's contents) and its own extension fields.
ZEL_EXTERN_C void ZEL_CALL CopyPixMap(PixMapHandle src, PixMapHandle dst)
{
    if (!HandleHasData(src) || !HandleHasData(dst) || src == dst)
        return;
    CTabHandle table = (*dst)->pmTable;
    std::memcpy(*dst, *src, offsetof(PixMap, pmExtFlags));
    (*dst)->pmTable = table;
    Handle dstTable = reinterpret_cast<Handle>(table);
    CopyHandleContents(reinterpret_cast<Handle>((*src)->pmTable), &dstTable);
    (*dst)->pmTable = reinterpret_cast<CTabHandle>(dstTable);
    DuplicatePixMapBitmap(src, dst);
}

ZEL_EXTERN_C void ZEL_CALL CopyPixPat(PixPatHandle src, PixPatHandle dst)
{
    if (!HandleHasData(src) || !HandleHasData(dst) || src == dst)
        return;
    (*dst)->patType = (*src)->patType;
    (*dst)->patXValid = (*src)->patXValid;
    (*dst)->pat1Data = (*src)->pat1Data;
    CopyPixMap((*src)->patMap, (*dst)->patMap);
    CopyHandleContents((*src)->patData, &(*dst)->patData);
    CopyHandleContents((*src)->patXData, &(*dst)->patXData);
    CopyHandleContents((*src)->patXMap, &(*dst)->patXMap);
    // dst's brush was made for its old pattern: drop it so that the next use builds one for the copy,
    // and carry the colour of an RGB pattern.
    const int16_t xValid = (*dst)->patXValid;
    InvalidatePixPatBrush(dst);
    (*dst)->patXValid = xValid;
    (*dst)->patRGB = (*src)->patRGB;
}

// An RGB pattern: the colour drawn solid, with black as its one-bit form.
ZEL_EXTERN_C void ZEL_CALL MakeRGBPat(PixPatHandle pp, const RGBColor *color)
{
    if (!HandleHasData(pp) || !color)
        return;
    InvalidatePixPatBrush(pp);
    (*pp)->patType = 2;
    (*pp)->pat1Data = LowMem<Pattern>(lmBlack);
    (*pp)->patRGB = *color;
    int16_t kind = 0;
    bool allFore = false, allBack = false;
    RGBColor fore{}, back{};
    GetPixPatBrush(pp, &kind, &allFore, &allBack, &fore, &back);
}

ZEL_EXTERN_C void ZEL_CALL CopyDeepMask(const BitMap *srcBits, const BitMap *maskBits, const BitMap *dstBits,
                                        const Rect *srcRect, const Rect *maskRect, const Rect *dstRect, int16_t,
                                        RgnHandle)
{
    CopyMask(srcBits, maskBits, dstBits, srcRect, maskRect, dstRect);
}

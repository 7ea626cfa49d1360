// Offscreen drawing: a port draws into a memory bitmap the size of a rectangle, which is then blitted
// onto the port's own DC in a transfer mode (flicker-free text and modes GDI cannot draw directly),
// keeping clear of a window's pending update. Also the turning, mirroring and packing of the Windows
// bitmap behind a PixMap, GetPixMapInfo and GetGWorldDevice.
#include "imaging.h"
#include "MacMemory.h"
#include "MacWindows.h"
#include "QDOffscreen.h"
#include "../devices/devices_services.h"
#include "../windows/windows_services.h"

#include <cstring>

namespace {

// The PixMap every port's offscreen drawing goes through (one port at a time), made on first use.
PixMapHandle sOffscreen;
// The port drawing offscreen now, and the update-nesting counter it saved.
GrafPtr sActivePort;
int sSavedPaintDepth;

// The memory DC of the last offscreen drawing, kept for the next one on the same port DC (making a DC
// costs more than the rest of a short Begin and End together). Its state at making is saved on each use
// and restored when the drawing ends, so that each drawing starts from a DC as made.
struct KeptDC {
    HDC dc, madeFor;
    int technology;
    HPALETTE palette;
    int saved;
} sKeptDC;

void DeleteKeptDC()
{
    HDC dc = sKeptDC.dc;
    sKeptDC = KeptDC{};
    if (dc) {
        SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        DeleteDC(dc);
    }
}

// A memory DC for drawing offscreen on `portDC`: the kept one when it was made for that DC, else a new
// one; its state is saved either way. Nil when none can be had.
HDC TakeOffscreenDC(HDC portDC)
{
    const int technology = GetDeviceCaps(portDC, TECHNOLOGY);
    if (!sKeptDC.dc || sKeptDC.madeFor != portDC || sKeptDC.technology != technology ||
        sKeptDC.palette != LibraryPalette()) {
        DeleteKeptDC();
        HDC dc = CreateCompatibleDcWithPalette(portDC);
        if (!dc)
            return nullptr;
        sKeptDC = KeptDC{dc, portDC, technology, LibraryPalette(), 0};
    }
    sKeptDC.saved = SaveDC(sKeptDC.dc);
    if (!sKeptDC.saved) {
        DeleteKeptDC();
        return nullptr;
    }
    return sKeptDC.dc;
}

// The DC goes back as it was made (or is deleted when it is not the kept one).
void ReturnOffscreenDC(HDC dc)
{
    if (dc && dc == sKeptDC.dc && RestoreDC(dc, sKeptDC.saved)) {
        sKeptDC.saved = 0;
        return;
    }
    if (dc == sKeptDC.dc)
        sKeptDC = KeptDC{};
    if (dc) {
        SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        DeleteDC(dc);
    }
}

int32_t Width(const Rect &r) { return r.right - r.left; }
int32_t Height(const Rect &r) { return r.bottom - r.top; }

// The offscreen bitmap goes: deselected, deleted with its memory DC, the fields cleared.
void DropOffscreenBitmap()
{
    PixMap &map = **sOffscreen;
    if (map.pmExtMemDC && map.pmExtOldBitmap)
        SelectObject(map.pmExtMemDC, map.pmExtOldBitmap);
    if (map.pmExtBitmap)
        DeleteObject(map.pmExtBitmap);
    ReturnOffscreenDC(map.pmExtMemDC);
    map.pmExtBitmap = nullptr;
    map.pmExtOldBitmap = nullptr;
    map.pmExtMemDC = nullptr;
    map.pmExtDC = nullptr;
    map.pmExtFlags &= static_cast<uint16_t>(~pmExtBitmapCached);
}

// ---- Packed PixMaps ----

#pragma pack(push, 2)
struct PackedHeader {
    int32_t pixMapAt;
    int32_t tableAt;
    int32_t bitmapAt;
    int32_t bitsAt;
    int32_t bitsSize;
};
#pragma pack(pop)
static_assert(sizeof(PackedHeader) == 20, "the packed header is five longs");
constexpr int32_t kPackedPixMapAt = sizeof(PackedHeader);
constexpr int32_t kPackedTableAt = kPackedPixMapAt + sizeof(PixMap);
static_assert(kPackedTableAt == 104, "the colour table follows the 84-byte PixMap");
constexpr int32_t kBitmapRecordBytes = 24;

// The bytes of a BITMAP's bits: planes x height x row bytes, or -1 when the record describes no bitmap
// this library packs.
int64_t PackedBitsSize(const BITMAP &bm)
{
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0 || bm.bmWidthBytes <= 0)
        return -1;
    const int bpp = bm.bmBitsPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return -1;
    if (!(bm.bmPlanes == 1 || (bm.bmPlanes == 4 && bpp == 1)))
        return -1;
    if (static_cast<int64_t>(bm.bmWidthBytes) * 8 < static_cast<int64_t>(bm.bmWidth) * bpp)
        return -1;
    return static_cast<int64_t>(bm.bmPlanes) * bm.bmHeight * bm.bmWidthBytes;
}

// ---- Turning and mirroring ----

bool ReadBitmapRecord(HBITMAP bitmap, BITMAP *bm)
{
    return bitmap && GetObjectA(bitmap, sizeof *bm, bm) == sizeof *bm;
}

// The DIB round trip (library setting 21) serves the depths its row code turns; the platform's own
// 16- and 32-bit bitmaps go through their bits, whole pixels at a time.
bool UseDibRoute(const BITMAP &bm)
{
    const int bpp = bm.bmBitsPixel * bm.bmPlanes;
    return LibrarySetting(settingScreenProbe) != 0 && (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24);
}

} // namespace

void FreeOffscreenPixMap()
{
    if (!sOffscreen)
        return;
    DropOffscreenBitmap();
    DisposePixMap(sOffscreen);
    sOffscreen = nullptr;
    sActivePort = nullptr;
    DeleteKeptDC();
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_BeginOffScreen(Boolean erase, const Rect *r)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    HDC portDC = CurrentDC();
    if (!port || !record || !portDC || !r || Width(*r) <= 0 || Height(*r) <= 0)
        return 0;
    // One port at a time: the offscreen PixMap is shared.
    if (record->offscreenActive || sActivePort)
        return 0;
    if (!sOffscreen) {
        sOffscreen = NewPixMap();
        if (!sOffscreen)
            return 0;
    }
    HDC memory = TakeOffscreenDC(portDC);
    if (!memory)
        return 0;
    (*sOffscreen)->bounds = *r;
    sSavedPaintDepth = SyncPaintDepth();
    SetSyncPaintDepth(0);
    Rect mapped;
    if (!MakeOffscreenBitmap(sOffscreen, memory, false, &mapped)) {
        SetSyncPaintDepth(sSavedPaintDepth);
        ReturnOffscreenDC(memory);
        (*sOffscreen)->pmExtMemDC = nullptr;
        (*sOffscreen)->pmExtDC = nullptr;
        return 0;
    }
    // The memory DC shows the rectangle's device pixels at its (0, 0); clipping and pattern phase follow
    // through the offscreen shift, the device top-left of the rectangle.
    SelectClipRgn(memory, nullptr);
    SetViewportOrgEx(memory, -mapped.left, -mapped.top, nullptr);
    // Brush origins are device positions: the port DC's, moved with the bitmap, keeps the pattern phase.
    POINT brushOrigin{0, 0};
    GetBrushOrgEx(portDC, &brushOrigin);
    SetBrushOrgEx(memory, (brushOrigin.x - mapped.left) & 7, (brushOrigin.y - mapped.top) & 7, nullptr);
    record->offscreenSavedOrigin[0] = port->portRect.left;
    record->offscreenSavedOrigin[1] = port->portRect.top;
    record->offscreenShift[0] = mapped.left;
    record->offscreenShift[1] = mapped.top;
    record->offscreenActive = 1;
    sActivePort = port;
    ZEL_ClipRgnChange(port);
    UpdateBrushOrigin();
    InvalidatePortBrushes();
    if (erase)
        EraseRect(r);
    return 1;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_EndOffScreen(Boolean draw, Boolean excludeUpdate, int16_t mode)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !record->offscreenActive || port != sActivePort || !sOffscreen)
        return;
    PixMap &map = **sOffscreen;
    HDC memory = map.pmExtMemDC;
    HDC portDC = map.pmExtDC;
    record->offscreenActive = 0;
    sActivePort = nullptr;
    DropCurrentPortObjects(false);
    RestorePortDcFromPixMap(sOffscreen);
    map.pmExtDC = nullptr;
    InvalidatePortBrushes();
    SetOrigin(record->offscreenSavedOrigin[0], record->offscreenSavedOrigin[1]);
    UpdateBrushOrigin();
    Rect bounds = map.bounds;
    if (record->xform.offsetActive || record->xform.scaleActive)
        XformMacRect(&bounds);

    if (draw && memory && portDC) {
        SetViewportOrgEx(memory, 0, 0, nullptr);
        RgnHandle saved = nullptr;
        const bool excluded = excludeUpdate && ZEL_ExcludeUpdateRgn(port, true, &saved);
        // The mode table's raster operations read the brush as the foreground: the stock black one.
        DeselectPortBrush(false);
        SyncPortDCAttributes(false);
        DWORD rop = TransferModeRop(mode);
        Rect from, to;
        if (PrintScalingRects(&from, &to)) {
            // The offscreen pixels were drawn at the port's resolution: stretched onto the printer's.
            if (mode == srcOr)
                rop = 0x8800C6;
            Rect scaled = bounds;
            MapRect(&scaled, &from, &to);
            StretchBlt(portDC, scaled.left, scaled.top, Width(scaled), Height(scaled), memory, 0, 0, Width(bounds),
                       Height(bounds), rop);
        } else {
            BitBlt(portDC, bounds.left, bounds.top, Width(bounds), Height(bounds), memory, 0, 0, rop);
        }
        if (excluded)
            ZEL_ExcludeUpdateRgn(port, false, &saved);
    }
    DropOffscreenBitmap();
    SetSyncPaintDepth(sSavedPaintDepth);
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_ExcludeUpdateRgn(GrafPtr port, Boolean exclude, RgnHandle *saved)
{
    if (!port || !saved)
        return FALSE;
    if (!exclude) {
        if (!*saved)
            return FALSE;
        DisposeRgn(port->visRgn);
        port->visRgn = *saved;
        *saved = nullptr;
        ZEL_VisRgnChange(port);
        return TRUE;
    }
    PortDCRecord *record = PortRecordOf(port);
    if (!record || !(record->flags & portDCWindow) || !port->visRgn)
        return FALSE;
    WindowPeek window = reinterpret_cast<WindowPeek>(port);
    if (!window->visible || !ZEL_CheckUpdateRgn(port) || !window->updateRgn)
        return FALSE;
    // Both regions are in the port's local coordinates.
    RgnHandle reduced = NewRgn();
    if (!reduced)
        return FALSE;
    DiffRgn(port->visRgn, window->updateRgn, reduced);
    *saved = port->visRgn;
    port->visRgn = reduced;
    ZEL_VisRgnChange(port);
    return TRUE;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_OffScreenRotate(PixMapHandle pm, int16_t angle)
{
    if (!HandleHasData(pm) || (angle != 90 && angle != -90))
        return FALSE;
    PixMap &map = **pm;
    BITMAP bm;
    if (!ReadBitmapRecord(map.pmExtBitmap, &bm))
        return FALSE;
    // The new rows are the old columns: their byte count must fit the 14 bits rowBytes has.
    const int64_t newRowBytes = ((static_cast<int64_t>(map.pixelSize) * bm.bmHeight + 15) / 8) & ~1;
    if (newRowBytes > 0x3FFE)
        return FALSE;
    HBITMAP turned = nullptr;
    if (UseDibRoute(bm))
        turned = RotateBitsBitmap90(pm, angle, &bm, map.pmExtBitmap);
    else
        RotateBitmap(*pm, angle, &bm, map.pmExtBitmap, &turned);
    if (!turned)
        return FALSE;
    PixMap &after = **pm;
    const bool selected = after.pmExtMemDC && GetCurrentObject(after.pmExtMemDC, OBJ_BITMAP) == after.pmExtBitmap;
    if (selected)
        SelectObject(after.pmExtMemDC, turned);
    if (turned != after.pmExtBitmap)
        DeleteObject(after.pmExtBitmap);
    after.pmExtBitmap = turned;
    const int16_t width = static_cast<int16_t>(Width(after.bounds)), height = static_cast<int16_t>(Height(after.bounds));
    after.bounds = Rect{0, 0, width, height};
    after.rowBytes = static_cast<int16_t>(newRowBytes | 0x8000);
    return TRUE;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_OffScreenFlip(PixMapHandle pm, int16_t vertical)
{
    if (!HandleHasData(pm))
        return FALSE;
    BITMAP bm;
    if (!ReadBitmapRecord((*pm)->pmExtBitmap, &bm))
        return FALSE;
    if (UseDibRoute(bm))
        return FlipBitsBitmap(pm, vertical ? FALSE : TRUE, &bm, (*pm)->pmExtBitmap);
    HBITMAP flipped = nullptr;
    FlipBitmap(vertical, *pm, &bm, (*pm)->pmExtBitmap, &flipped);
    if (!flipped)
        return FALSE;
    PixMap &map = **pm;
    if (map.pmExtMemDC && GetCurrentObject(map.pmExtMemDC, OBJ_BITMAP) == map.pmExtBitmap)
        SelectObject(map.pmExtMemDC, flipped);
    if (flipped != map.pmExtBitmap)
        DeleteObject(map.pmExtBitmap);
    map.pmExtBitmap = flipped;
    return TRUE;
}

ZEL_EXTERN_C Handle ZEL_CALL ZEL_PackPixMap(PixMapHandle pm)
{
    if (!HandleHasData(pm))
        return nullptr;
    BITMAP bm;
    if (!ReadBitmapRecord((*pm)->pmExtBitmap, &bm))
        return nullptr;
    const int64_t bitsSize = PackedBitsSize(bm);
    const int32_t tableSize = HandleHasData((*pm)->pmTable) ? GetHandleSize(reinterpret_cast<Handle>((*pm)->pmTable)) : 0;
    if (bitsSize < 0 || tableSize < 0 || 128 + tableSize + bitsSize > 0x7FFFFFFF)
        return nullptr;
    const int32_t bitmapAt = kPackedTableAt + tableSize;
    Handle packed = NewHandle(static_cast<Size>(128 + tableSize + bitsSize));
    if (!packed)
        return nullptr;
    uint8_t *out = reinterpret_cast<uint8_t *>(*packed);
    const PackedHeader header{kPackedPixMapAt, kPackedTableAt, bitmapAt, bitmapAt + kBitmapRecordBytes,
                              static_cast<int32_t>(bitsSize)};
    std::memcpy(out, &header, sizeof header);
    // The record keeps no handle, DC or pointer of this process: its pixels are the packed bits.
    PixMap record = **pm;
    record.baseAddr = nullptr;
    record.pmTable = nullptr;
    record.pmReserved = 0;
    record.pmExtFlags = 0;
    record.pmExtDC = nullptr;
    record.pmExtMemDC = nullptr;
    record.pmExtBitmap = nullptr;
    record.pmExtOldBitmap = nullptr;
    record.pmExtDibSeed = 0;
    record.pmExtDib = nullptr;
    record.pmExtDibBits = nullptr;
    record.pmExtDevSeed = 0;
    std::memcpy(out + kPackedPixMapAt, &record, sizeof record);
    if (tableSize)
        std::memcpy(out + kPackedTableAt, *(*pm)->pmTable, static_cast<size_t>(tableSize));
    BITMAP stored = bm;
    stored.bmBits = nullptr;
    std::memcpy(out + bitmapAt, &stored, kBitmapRecordBytes);
    GdiFlush();
    if (bitsSize && GetBitmapBits((*pm)->pmExtBitmap, static_cast<LONG>(bitsSize), out + header.bitsAt) !=
                        static_cast<LONG>(bitsSize)) {
        DisposeHandle(packed);
        return nullptr;
    }
    return packed;
}

ZEL_EXTERN_C PixMapHandle ZEL_CALL ZEL_UnpackPixMap(Handle packed)
{
    if (!HandleHasData(packed))
        return nullptr;
    const int64_t size = GetHandleSize(packed);
    const uint8_t *in = reinterpret_cast<const uint8_t *>(*packed);
    if (size < 128)
        return nullptr;
    PackedHeader header;
    std::memcpy(&header, in, sizeof header);
    // Every part where the layout puts it, inside the handle.
    const int64_t tableSize = static_cast<int64_t>(header.bitmapAt) - kPackedTableAt;
    if (header.pixMapAt != kPackedPixMapAt || header.tableAt != kPackedTableAt || tableSize < 0 ||
        static_cast<int64_t>(header.bitsAt) != static_cast<int64_t>(header.bitmapAt) + kBitmapRecordBytes ||
        header.bitsSize <= 0 || static_cast<int64_t>(header.bitsAt) + header.bitsSize > size)
        return nullptr;
    BITMAP bm;
    std::memcpy(&bm, in + header.bitmapAt, kBitmapRecordBytes);
    if (PackedBitsSize(bm) != header.bitsSize)
        return nullptr;
    if (tableSize > 0) {
        if (tableSize < static_cast<int64_t>(offsetof(ColorTable, ctTable)))
            return nullptr;
        int16_t ctSize;
        std::memcpy(&ctSize, in + kPackedTableAt + offsetof(ColorTable, ctSize), sizeof ctSize);
        if (ctSize < -1 || tableSize != static_cast<int64_t>(offsetof(ColorTable, ctTable)) +
                                            static_cast<int64_t>(ctSize + 1) * sizeof(ColorSpec))
            return nullptr;
    }

    PixMapHandle pm = NewPixMap();
    if (!pm)
        return nullptr;
    CTabHandle table = nullptr;
    if (tableSize > 0) {
        table = reinterpret_cast<CTabHandle>(NewHandle(static_cast<Size>(tableSize)));
        if (!table) {
            DisposePixMap(pm);
            return nullptr;
        }
        std::memcpy(*table, in + kPackedTableAt, static_cast<size_t>(tableSize));
    }
    bm.bmBits = const_cast<uint8_t *>(in + header.bitsAt);
    HBITMAP bitmap = CreateBitmapIndirect(&bm);
    if (!bitmap) {
        if (table)
            DisposeHandle(reinterpret_cast<Handle>(table));
        DisposePixMap(pm);
        return nullptr;
    }
    DisposeCTable((*pm)->pmTable);
    PixMap record;
    std::memcpy(&record, in + kPackedPixMapAt, sizeof record);
    // Its only pixels are the new bitmap.
    record.baseAddr = reinterpret_cast<Ptr>(static_cast<uintptr_t>(0x7FFF));
    record.pmVersion = static_cast<int16_t>(kPixMapVersion);
    record.pmTable = table;
    record.pmReserved = 0;
    record.pmExtFlags = pmExtBitmapCached;
    record.pmExtDC = CurrentDC();
    record.pmExtMemDC = nullptr;
    record.pmExtBitmap = bitmap;
    record.pmExtOldBitmap = nullptr;
    record.pmExtDibSeed = 0;
    record.pmExtDib = nullptr;
    record.pmExtDibBits = nullptr;
    record.pmExtDevSeed = 0;
    **pm = record;
    return pm;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetPixMapInfo(PixMapHandle pm, PictInfo *info, int16_t, int16_t, int16_t, int16_t)
{
    if (!info)
        return paramErr;
    info->theColorTable = nullptr;
    if (HandleHasData(pm) && HandleHasData((*pm)->pmTable)) {
        // The caller disposes the table it gets: a copy, never the PixMap's own.
        Handle copy = reinterpret_cast<Handle>((*pm)->pmTable);
        if (HandToHand(&copy) == noErr)
            info->theColorTable = reinterpret_cast<CTabHandle>(copy);
    }
    return noErr;
}

ZEL_EXTERN_C GDHandle ZEL_CALL GetGWorldDevice(GWorldPtr) { return nullptr; }

// PixMaps, PixPats and colour icons: the colour records every port holds. A PixMap made here describes
// the pixels of a device context (baseAddr 0x7FFF until something binds it); its colour table is its own
// handle, and the Windows objects behind its pixels live in its extension.
#include "quickdraw.h"
#include "../files/files_services.h"
#include "../imaging/imaging_services.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr uintptr_t kPixelsInWindowsObjects = 0x7FFF;
constexpr uint16_t kPixMapExtensionFlags = 0x0010;
constexpr uint16_t kMaxRowBytes = 0x3FFE;
constexpr ResType kPixPatType = 0x70706174; // 'ppat'
constexpr ResType kColorIconType = 0x6369636E; // 'cicn'
constexpr int32_t kPixPatHeaderBytes = 28;
constexpr int32_t kIconHeaderBytes = 82;

int32_t PixMapRowBytes(const PixMapRecord50 &map) { return static_cast<uint16_t>(map.rowBytes) & 0x3FFF; }
int32_t BoundsHeight(const Rect &r) { return r.bottom > r.top ? r.bottom - r.top : 0; }

// True when [offset, offset + length) lies inside a block of `size` bytes.
bool InsideBlock(int64_t offset, int64_t length, int64_t size)
{
    return offset >= 0 && length >= 0 && offset + length <= size;
}

// The bytes of a colour table that starts at `offset` of a resource of `size` bytes: 8 + 8 (ctSize + 1);
// 0 when the table or its claimed entries do not fit.
int32_t ColorTableBytesAt(const uint8_t *resource, int64_t offset, int64_t size)
{
    if (!InsideBlock(offset, 8, size))
        return 0;
    int16_t ctSize;
    std::memcpy(&ctSize, resource + offset + 6, sizeof ctSize);
    if (ctSize < -1)
        return 0;
    int32_t bytes = ctSize * 8 + 16;
    return InsideBlock(offset, bytes, size) ? bytes : 0;
}

// Copies `length` bytes of the resource at `offset` into `h`, resized to fit; false when it cannot grow.
bool CopyIntoHandle(Handle h, const uint8_t *from, int32_t length)
{
    if (!h || !SetHandleSize(h, length) || GetHandleSize(h) != length)
        return false;
    std::memcpy(*h, from, static_cast<size_t>(length));
    return true;
}

// A DC the library keeps for its own use, never deleted with a PixMap.
bool IsLibraryDC(HDC dc)
{
    if (!dc)
        return true;
    GDHandle main = LowMem<GDHandle>(lmMainDevice);
    HDC mainDC = HandleHasData(main) ? (*main)->gdReserved : nullptr;
    return dc == CurrentDC() || dc == DefaultMemoryDC() || dc == mainDC;
}

} // namespace

// ---- PixMaps ----

ZEL_EXTERN_C PixMapHandle ZEL_CALL NewPixMap(void)
{
    PixMapHandle pm = reinterpret_cast<PixMapHandle>(NewHandleClear(sizeof(PixMap)));
    if (!HandleHasData(pm))
        return nullptr;
    CTabHandle table = reinterpret_cast<CTabHandle>(NewHandleClear(16));
    if (!table) {
        DisposeHandle(reinterpret_cast<Handle>(pm));
        return nullptr;
    }
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = record ? record->hdc : CurrentDC();
    int16_t depth = dc ? DeviceContextDepth(dc) : ScreenDepth();
    const Rect &screen = LowMem<BitMap>(lmScreenBits).bounds;

    PixMap &map = **pm;
    map.baseAddr = reinterpret_cast<Ptr>(kPixelsInWindowsObjects);
    // Even, and never more than the field holds: a wide, deep screen saturates instead of wrapping.
    int32_t rowBytes = ((depth * screen.right / 8) + 1) & ~1;
    if (rowBytes > kMaxRowBytes || rowBytes < 0)
        rowBytes = kMaxRowBytes;
    map.rowBytes = static_cast<int16_t>(rowBytes | 0x8000);
    map.bounds = Rect{0, 0, static_cast<int16_t>(screen.bottom - 1), static_cast<int16_t>(screen.right - 1)};
    map.pmVersion = static_cast<int16_t>(0xC000);
    map.hRes = dc ? GetDeviceCaps(dc, LOGPIXELSX) << 16 : 72 << 16;
    map.vRes = dc ? GetDeviceCaps(dc, LOGPIXELSY) << 16 : 72 << 16;
    map.pixelType = depth > 8 ? 16 : 0;
    map.pixelSize = depth;
    map.cmpCount = depth == 32 ? 4 : depth > 8 ? 3 : 1;
    map.cmpSize = depth == 16 ? 5 : depth >= 24 ? 8 : depth;
    map.pmTable = table;
    map.pmExtFlags = kPixMapExtensionFlags;
    return pm;
}

ZEL_EXTERN_C void ZEL_CALL DisposePixMap(PixMapHandle pm)
{
    if (!HandleHasData(pm))
        return;
    PixMap &map = **pm;
    if (map.pmTable)
        DisposeHandle(reinterpret_cast<Handle>(map.pmTable));
    map.pmTable = nullptr;
    // A DIB engine section goes with its DC and its header, all at once.
    if (map.pmExtFlags & pmExtDibEngine)
        FreePixMapDib(pm);

    // Put back what the bitmap displaced; a foreign bitmap selected since then stays selected.
    if (map.pmExtOldBitmap && map.pmExtMemDC) {
        HGDIOBJ removed = SelectObject(map.pmExtMemDC, map.pmExtOldBitmap);
        if (removed && removed != map.pmExtBitmap)
            SelectObject(map.pmExtMemDC, removed);
    }
    if (map.pmExtBitmap && !(map.pmExtFlags & pmExtBorrowedBitmap))
        DeleteObject(map.pmExtBitmap);
    map.pmExtBitmap = nullptr;

    // The bridge's own memory DC.
    if ((map.pmExtFlags & pmExtDibAttached) && map.pmExtDC && !IsLibraryDC(map.pmExtDC)) {
        ForgetPortRecordDC(map.pmExtDC);
        DeleteDC(map.pmExtDC);
        map.pmExtDC = nullptr;
    }
    if (map.pmExtDib)
        FreePixMapDib(pm);
    if ((map.pmExtFlags & pmExtLibraryRows) && reinterpret_cast<uintptr_t>(map.baseAddr) >= 0x10000)
        DisposePtr(map.baseAddr);
    map.baseAddr = nullptr;

    HDC dc = map.pmExtMemDC;
    if (dc && !IsLibraryDC(dc) && dc != PrinterDC() && !IsLiveGDeviceDC(dc)) {
        ForgetPortRecordDC(dc);
        DeleteDC(dc);
    }
    DisposeHandle(reinterpret_cast<Handle>(pm));
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetPixBM(PixMapHandle pm, HBITMAP bitmap)
{
    if (!HandleHasData(pm))
        return;
    (*pm)->pmExtBitmap = bitmap;
    (*pm)->pmExtMemDC = DefaultMemoryDC();
}

ZEL_EXTERN_C HBITMAP ZEL_CALL ZEL_GetPixBM(PixMapHandle pm, HDC *dc)
{
    if (!HandleHasData(pm)) {
        if (dc)
            *dc = nullptr;
        return nullptr;
    }
    if (dc)
        *dc = (*pm)->pmExtMemDC;
    return (*pm)->pmExtBitmap;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_GetPixMapSize(PixMapHandle pm)
{
    if (!HandleHasData(pm))
        return 0;
    const PixMap &map = **pm;
    if (map.bounds.top >= map.bounds.bottom)
        return 0;
    return (map.bounds.bottom - map.bounds.top) * (static_cast<uint16_t>(map.rowBytes) & 0x3FFF);
}

// ---- PixPats ----

ZEL_EXTERN_C PixPatHandle ZEL_CALL NewPixPat(void)
{
    PixPatHandle pp = reinterpret_cast<PixPatHandle>(NewHandleClear(sizeof(PixPat)));
    if (!HandleHasData(pp))
        return nullptr;
    PixMapHandle map = NewPixMap();
    Handle data = NewHandleClear(16);
    Handle xdata = NewHandleClear(16);
    Handle xmap = NewHandleClear(16);
    if (!map || !data || !xdata || !xmap) {
        DisposePixMap(map);
        for (Handle h : {data, xdata, xmap})
            if (h)
                DisposeHandle(h);
        DisposeHandle(reinterpret_cast<Handle>(pp));
        return nullptr;
    }
    PixPat &pat = **pp;
    pat.patType = 0;
    pat.patMap = map;
    pat.patData = data;
    pat.patXData = xdata;
    pat.patXMap = xmap;
    pat.patXValid = -1;
    pat.pat1Data = LowMem<Pattern>(lmGray);
    pat.patBrush = nullptr;
    if (PortDCRecord *record = CurrentPortRecord())
        pat.patRGB = record->foreRGB;
    return pp;
}

// A 'ppat' resource, already in native byte order: the 28-byte header whose patMap and patData hold
// offsets, the PixMap at its offset (whose pmTable holds the colour table's offset) and the pixel rows.
// Every offset and size is checked against the resource; a short one gives nil.
ZEL_EXTERN_C PixPatHandle ZEL_CALL GetPixPat(int16_t id)
{
    Handle res = GetResource(kPixPatType, id);
    if (!HandleHasData(res))
        return nullptr;
    const int64_t size = GetHandleSize(res);
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(*res);
    if (size < kPixPatHeaderBytes)
        return nullptr;
    PixPat header;
    std::memcpy(&header, bytes, kPixPatHeaderBytes);
    const int64_t mapAt = reinterpret_cast<uintptr_t>(header.patMap);
    const int64_t dataAt = reinterpret_cast<uintptr_t>(header.patData);
    if (!InsideBlock(mapAt, sizeof(PixMapRecord50), size))
        return nullptr;
    PixMapRecord50 map;
    std::memcpy(&map, bytes + mapAt, sizeof map);
    const int64_t tableAt = reinterpret_cast<uintptr_t>(map.pmTable);
    const int32_t tableBytes = ColorTableBytesAt(bytes, tableAt, size);
    const int32_t dataBytes = BoundsHeight(map.bounds) * PixMapRowBytes(map);
    if (tableBytes == 0 || !InsideBlock(dataAt, dataBytes, size))
        return nullptr;

    PixPatHandle pp = NewPixPat();
    if (!pp)
        return nullptr;
    PixPat &pat = **pp;
    pat.patType = header.patType;
    pat.patXValid = header.patXValid;
    pat.pat1Data = header.pat1Data;
    PixMap &own = **pat.patMap;
    CTabHandle ownTable = own.pmTable;
    std::memcpy(&own, &map, sizeof map);
    own.pmTable = ownTable;
    if (!CopyIntoHandle(reinterpret_cast<Handle>(ownTable), bytes + tableAt, tableBytes) ||
        !CopyIntoHandle(pat.patData, bytes + dataAt, dataBytes)) {
        DisposePixPat(pp);
        return nullptr;
    }
    return pp;
}

ZEL_EXTERN_C void ZEL_CALL DisposePixPat(PixPatHandle pp)
{
    if (!HandleHasData(pp) || IsDefaultPixPat(pp))
        return;
    PixPat &pat = **pp;
    if (pat.patBrush)
        ReleaseBrush(pat.patBrush);
    for (Handle h : {pat.patData, pat.patXData, pat.patXMap})
        if (h)
            DisposeHandle(h);
    DisposePixMap(pat.patMap);
    if (PortDCRecord *record = CurrentPortRecord()) {
        for (PixPatHandle PortDCRecord::*own :
             {&PortDCRecord::ownPenPixPat, &PortDCRecord::ownBackPixPat, &PortDCRecord::ownFillPixPat})
            if (record->*own == pp)
                record->*own = nullptr;
    }
    DisposeHandle(reinterpret_cast<Handle>(pp));
}

// ---- Colour icons ----

// The 'cicn' resource copied: the 82-byte header, the mask rows and the one-bit rows stay in the copy;
// the colour table and the pixel rows behind them move into handles of their own. Short resources give
// nil.
ZEL_EXTERN_C CIconHandle ZEL_CALL GetCIcon(int16_t id)
{
    Handle res = GetResource(kColorIconType, id);
    if (!HandleHasData(res))
        return nullptr;
    const int64_t size = GetHandleSize(res);
    if (size < kIconHeaderBytes)
        return nullptr;
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(*res);
    CIcon header;
    std::memcpy(&header, bytes, kIconHeaderBytes);
    const int32_t rows = BoundsHeight(header.iconPMap.bounds);
    const int64_t bitsBytes =
        int64_t(static_cast<uint16_t>(header.iconMask.rowBytes) & 0x3FFF) * rows +
        int64_t(static_cast<uint16_t>(header.iconBMap.rowBytes) & 0x3FFF) * rows;
    const int64_t tableAt = kIconHeaderBytes + bitsBytes;
    const int32_t tableBytes = ColorTableBytesAt(bytes, tableAt, size);
    const int64_t pixelsAt = tableAt + tableBytes;
    const int32_t pixelBytes = PixMapRowBytes(header.iconPMap) * rows;
    if (tableBytes == 0 || !InsideBlock(pixelsAt, pixelBytes, size))
        return nullptr;

    Handle table = NewHandle(tableBytes);
    Handle pixels = NewHandle(pixelBytes);
    Handle copy = res;
    if (!HandleHasData(table) || !pixels || HandToHand(&copy) != noErr || !HandleHasData(copy)) {
        for (Handle h : {table, pixels})
            if (h)
                DisposeHandle(h);
        return nullptr;
    }
    std::memcpy(*table, bytes + tableAt, static_cast<size_t>(tableBytes));
    if (pixelBytes > 0)
        std::memcpy(*pixels, bytes + pixelsAt, static_cast<size_t>(pixelBytes));
    SetHandleSize(copy, static_cast<Size>(tableAt));
    CIcon &icon = *reinterpret_cast<CIcon *>(*copy);
    // A stored icon's maps are a pixel map and two bit maps, never ports: only the PixMap bit is kept
    // beside the row length (bit 14 would make the pixel map pass for a colour port's).
    icon.iconPMap.rowBytes = static_cast<int16_t>(0x8000 | (icon.iconPMap.rowBytes & 0x3FFF));
    icon.iconMask.rowBytes = static_cast<int16_t>(icon.iconMask.rowBytes & 0x3FFF);
    icon.iconBMap.rowBytes = static_cast<int16_t>(icon.iconBMap.rowBytes & 0x3FFF);
    icon.iconPMap.pmTable = reinterpret_cast<CTabHandle>(table);
    icon.iconData = pixels;
    uint8_t *rowsAt = reinterpret_cast<uint8_t *>(*copy) + kIconHeaderBytes;
    icon.iconMask.baseAddr = reinterpret_cast<Ptr>(rowsAt);
    icon.iconBMap.baseAddr =
        reinterpret_cast<Ptr>(rowsAt + (static_cast<uint16_t>(icon.iconMask.rowBytes) & 0x3FFF) * rows);
    return reinterpret_cast<CIconHandle>(copy);
}

ZEL_EXTERN_C void ZEL_CALL DisposeCIcon(CIconHandle ci)
{
    if (!HandleHasData(ci))
        return;
    CIcon &icon = **ci;
    if (icon.iconData)
        DisposeHandle(icon.iconData);
    if (icon.iconPMap.pmTable)
        DisposeHandle(reinterpret_cast<Handle>(icon.iconPMap.pmTable));
    DisposeHandle(reinterpret_cast<Handle>(ci));
}

// ---- Saving and restoring port colours ----

ZEL_EXTERN_C void ZEL_CALL SaveFore(ColorSpec *c)
{
    if (!c)
        return;
    c->value = 0;
    GetForeColor(&c->rgb);
}

ZEL_EXTERN_C void ZEL_CALL SaveBack(ColorSpec *c)
{
    if (!c)
        return;
    c->value = 0;
    GetBackColor(&c->rgb);
}

ZEL_EXTERN_C void ZEL_CALL RestoreFore(const ColorSpec *c)
{
    if (c)
        RGBForeColor(&c->rgb);
}

ZEL_EXTERN_C void ZEL_CALL RestoreBack(const ColorSpec *c)
{
    if (c)
        RGBBackColor(&c->rgb);
}

ZEL_EXTERN_C Boolean ZEL_CALL GetGray(GDHandle, const RGBColor *, RGBColor *fore)
{
    if (fore)
        *fore = RGBColor{0x7777, 0x7777, 0x7777};
    return true;
}

// Screen depths are Windows' to change.
ZEL_EXTERN_C int16_t ZEL_CALL SetDepth(GDHandle, int16_t, int16_t, int16_t)
{
    ReportUnimplemented(" SetDepth - Not Supported, System 7");
    return 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL HasDepth(GDHandle, int16_t, int16_t, int16_t)
{
    ReportUnimplemented(" HasDepth - Not Supported, System 7");
    return 0;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_GetAppWinRect(Rect *r)
{
    if (!r)
        return;
    HWND main = QuickDrawMainWindow();
    RECT client{0, 0, 0, 0};
    if (main) {
        GetClientRect(main, &client);
        MapWindowPoints(main, nullptr, reinterpret_cast<POINT *>(&client), 2);
    }
    *r = Rect{static_cast<int16_t>(client.top), static_cast<int16_t>(client.left), static_cast<int16_t>(client.bottom),
              static_cast<int16_t>(client.right)};
}

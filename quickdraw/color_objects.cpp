// PixMaps and PixPats: the colour records every port holds. A PixMap made here describes the pixels of
// a device context (baseAddr 0x7FFF until something binds it); its colour table is its own handle.
#include "quickdraw.h"

#include <initializer_list>

namespace {

constexpr uintptr_t kPixelsInWindowsObjects = 0x7FFF;
constexpr uint16_t kPixMapExtensionFlags = 0x0010;

} // namespace

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
    map.rowBytes = static_cast<int16_t>((((depth * screen.right / 8) + 1) & 0x3FFE) | 0x8000);
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
    if ((*pm)->pmTable)
        DisposeHandle(reinterpret_cast<Handle>((*pm)->pmTable));
    DisposeHandle(reinterpret_cast<Handle>(pm));
}

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

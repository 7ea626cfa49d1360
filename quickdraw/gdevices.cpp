// Graphics devices: the GDevice records and the Windows DC each one draws through. The first device
// made becomes the device list, the main device and the current device.
#include "quickdraw.h"

#include <vector>

namespace {

// Every device not yet disposed, with the Windows objects made for it.
struct LiveDevice {
    GDHandle device;
    HDC dc;
    HBITMAP bitmap;   // the 16 x 16 bitmap of a memory device
    HGDIOBJ displaced;
};
std::vector<LiveDevice> sLiveDevices;

LiveDevice *FindLive(GDHandle device)
{
    for (LiveDevice &d : sLiveDevices)
        if (d.device == device)
            return &d;
    return nullptr;
}

void InitDeviceFields(int16_t refNum, int32_t mode, GDHandle device)
{
    GDevice &gd = **device;
    gd.gdRefNum = refNum;
    gd.gdMode = mode;
    gd.gdID = 0;
    gd.gdType = 0;
    gd.gdSearchProc = 0;
    gd.gdCompProc = 0;
    gd.gdFlags = static_cast<int16_t>(0xA800 | (ScreenDepth() > 1 ? 1 : 0));
    PixMapHandle pm = NewPixMap();
    gd.gdPMap = pm;
    gd.gdResPref = 3;
    gd.gdITable = NewHandleClear(7);
    gd.gdType = HandleHasData(pm) && (*pm)->pixelSize >= 9 ? 2 : 0;
    gd.gdRefCon = 0;
    gd.gdRect = HandleHasData(pm) ? (*pm)->bounds : Rect{0, 0, 0, 0};
    gd.gdCCBytes = 0;
    gd.gdCCDepth = 0;
    gd.gdCCXData = nullptr;
    gd.gdCCXMask = nullptr;
    gd.gdReserved = nullptr;
}

} // namespace

bool IsLiveGDeviceDC(HDC dc)
{
    if (!dc)
        return false;
    for (const LiveDevice &d : sLiveDevices)
        if (d.dc == dc)
            return true;
    return false;
}

ZEL_EXTERN_C GDHandle ZEL_CALL GetGDevice(void) { return LowMem<GDHandle>(lmTheGDevice); }
ZEL_EXTERN_C void ZEL_CALL SetGDevice(GDHandle gdh) { LowMem<GDHandle>(lmTheGDevice) = gdh; }

ZEL_EXTERN_C GDHandle ZEL_CALL NewGDevice(int16_t refNum, int32_t mode)
{
    GDHandle device = reinterpret_cast<GDHandle>(NewHandleClear(sizeof(GDevice)));
    if (!HandleHasData(device))
        return nullptr;
    GDHandle &list = LowMem<GDHandle>(lmDeviceList);
    if (!list) {
        list = device;
        LowMem<GDHandle>(lmMainDevice) = device;
        SetGDevice(device);
    } else {
        (*device)->gdNextGD = list;
    }
    InitDeviceFields(refNum, mode, device);

    LiveDevice live{device, nullptr, nullptr, nullptr};
    HWND main = QuickDrawMainWindow();
    if (refNum < 0) {
        HDC windowDC = GetDC(main);
        live.dc = CreateCompatibleDC(windowDC);
        if (live.dc) {
            live.bitmap = CreateCompatibleBitmap(windowDC, 16, 16);
            if (live.bitmap)
                live.displaced = SelectObject(live.dc, live.bitmap);
        }
        ReleaseDC(main, windowDC);
    } else if (refNum == 0) {
        live.dc = GetDC(main);
    }
    (*device)->gdReserved = live.dc;
    sLiveDevices.push_back(live);
    return device;
}

ZEL_EXTERN_C void ZEL_CALL DisposeGDevice(GDHandle gdh)
{
    if (!HandleHasData(gdh))
        return;
    GDHandle &list = LowMem<GDHandle>(lmDeviceList);
    if (list == gdh) {
        list = (*gdh)->gdNextGD;
    } else {
        for (GDHandle d = list; HandleHasData(d); d = (*d)->gdNextGD) {
            if ((*d)->gdNextGD == gdh) {
                (*d)->gdNextGD = (*gdh)->gdNextGD;
                break;
            }
        }
    }
    if (LiveDevice *live = FindLive(gdh)) {
        if (live->dc) {
            ForgetPortRecordDC(live->dc);
            if ((*gdh)->gdRefNum < 0) {
                if (live->displaced)
                    SelectObject(live->dc, live->displaced);
                DeleteDC(live->dc);
            } else {
                ReleaseDC(QuickDrawMainWindow(), live->dc);
            }
        }
        if (live->bitmap)
            DeleteObject(live->bitmap);
        sLiveDevices.erase(sLiveDevices.begin() + (live - sLiveDevices.data()));
    }
    DisposePixMap((*gdh)->gdPMap);
    if ((*gdh)->gdITable)
        DisposeHandle((*gdh)->gdITable);
    // A device that goes away stops being the main or the current one.
    if (LowMem<GDHandle>(lmMainDevice) == gdh)
        LowMem<GDHandle>(lmMainDevice) = nullptr;
    if (GetGDevice() == gdh)
        SetGDevice(LowMem<GDHandle>(lmMainDevice));
    DisposeHandle(reinterpret_cast<Handle>(gdh));
}

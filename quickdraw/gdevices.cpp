// Graphics devices: the GDevice records and the Windows DC each one draws through. The first device
// made becomes the device list, the main device and the current device.
#include "quickdraw.h"

#include <initializer_list>
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

// Disposes every entry of a device's search or complement procedure list ({next, proc} handles).
// The list's new head (0) is the result.
uint32_t DisposeProcList(uint32_t head)
{
    for (int guard = 0; head && guard < 0x10000; ++guard) {
        Handle entry = reinterpret_cast<Handle>(static_cast<uintptr_t>(head));
        head = HandleHasData(entry) ? *reinterpret_cast<const uint32_t *>(*entry) : 0;
        DisposeHandle(entry);
    }
    return 0;
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

ZEL_EXTERN_C void ZEL_CALL InitGDevice(int16_t refNum, int32_t mode, GDHandle gdh)
{
    if (!HandleHasData(gdh))
        return;
    GDevice &gd = **gdh;
    gd.gdRefNum = refNum;
    gd.gdMode = mode;
    gd.gdID = 0;
    gd.gdType = 0;
    gd.gdSearchProc = 0;
    gd.gdCompProc = 0;
    gd.gdFlags = static_cast<int16_t>(0xA800 | (ScreenDepth() > 1 ? 1 : 0));

    // A new PixMap with the device's colours: the screen's own table while palettes are managed or
    // the palette switch is off, else the standard table of the PixMap's depth.
    DisposePixMap(gd.gdPMap);
    PixMapHandle pm = NewPixMap();
    (*gdh)->gdPMap = pm;
    if (HandleHasData(pm)) {
        bool screenTable = LibrarySetting(settingPaletteManagement) != 0 || !LibrarySwitch(kPaletteSwitch);
        CTabHandle table = GetCTable(screenTable ? -8 : (*pm)->pixelSize);
        if (HandleHasData(table)) {
            DisposeHandle(reinterpret_cast<Handle>((*pm)->pmTable));
            (*pm)->pmTable = table;
            (*table)->ctFlags |= 0x8000;
            if (GetGDevice() == gdh)
                SetEntries(0, (*table)->ctSize, (*table)->ctTable);
        } else {
            CTabHandle own = MakeStdCTable((*pm)->pmTable, 256, false);
            if (HandleHasData(own)) {
                (*pm)->pmTable = own;
                (*own)->ctFlags |= 0x8000;
            }
        }
    }
    GDevice &device = **gdh;
    device.gdResPref = 3;
    if (device.gdITable)
        DisposeHandle(device.gdITable);
    device.gdITable = NewHandleClear(7);
    if (HandleHasData(pm))
        MakeITable((*pm)->pmTable, reinterpret_cast<ITabHandle>((*gdh)->gdITable), 3);

    GDevice &done = **gdh;
    int16_t depth = HandleHasData(pm) ? (*pm)->pixelSize : 0;
    done.gdType = depth >= 9 ? 2 : ScreenPaletteSize() == 0 ? 1 : 0;
    done.gdRefCon = 0;
    done.gdRect = HandleHasData(pm) ? (*pm)->bounds : Rect{0, 0, 0, 0};
    done.gdCCBytes = 0;
    done.gdCCDepth = 0;
    done.gdCCXData = nullptr;
    done.gdCCXMask = nullptr;
    done.gdReserved = nullptr;
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
    InitGDevice(refNum, mode, device);

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
    (*gdh)->gdSearchProc = DisposeProcList((*gdh)->gdSearchProc);
    (*gdh)->gdCompProc = DisposeProcList((*gdh)->gdCompProc);
    for (Handle h : {(*gdh)->gdCCXData, (*gdh)->gdCCXMask})
        if (h)
            DisposeHandle(h);
    // A device that goes away stops being the main or the current one.
    if (LowMem<GDHandle>(lmMainDevice) == gdh)
        LowMem<GDHandle>(lmMainDevice) = nullptr;
    if (GetGDevice() == gdh)
        SetGDevice(LowMem<GDHandle>(lmMainDevice));
    DisposeHandle(reinterpret_cast<Handle>(gdh));
}

ZEL_EXTERN_C GDHandle ZEL_CALL GetDeviceList(void) { return LowMem<GDHandle>(lmDeviceList); }
ZEL_EXTERN_C GDHandle ZEL_CALL GetMainDevice(void) { return LowMem<GDHandle>(lmMainDevice); }
// Windows has one screen device here, whatever the rectangle.
ZEL_EXTERN_C GDHandle ZEL_CALL GetMaxDevice(const Rect *) { return LowMem<GDHandle>(lmMainDevice); }
ZEL_EXTERN_C GDHandle ZEL_CALL GetNextDevice(GDHandle gdh) { return HandleHasData(gdh) ? (*gdh)->gdNextGD : nullptr; }

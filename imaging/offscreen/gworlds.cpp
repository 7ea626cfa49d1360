// Offscreen graphics worlds. A GWorld is a colour port drawing into a Windows memory DC that holds a
// compatible bitmap (the usual kind), or, with the mask-emulation switch on, a colour port whose PixMap
// is a DIB section of the asked depth with a DC of its own. The pixel-state calls exist for the
// interface's sake: the pixels never move or purge.
#include "imaging.h"
#include "../devices/devices_services.h"
#include "MacMemory.h"
#include "MacWindows.h"
#include "Palettes.h"
#include "QDOffscreen.h"

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int16_t kGWorldVersion = static_cast<int16_t>(0xE000);
// Switch 0x8000 of ZEL_SetFlags: GWorlds are DIB sections.
constexpr uint32_t kDibGWorldSwitch = 0x8000;
constexpr uintptr_t kPixelsInBitmapMark = 0x7FFF;
inline Ptr PixelsInBitmap() { return reinterpret_cast<Ptr>(kPixelsInBitmapMark); }

#pragma pack(push, 2)
struct GWorldRecord {
    CGrafPort port;
    GDHandle device;
};
#pragma pack(pop)
static_assert(sizeof(GWorldRecord) == 112, "a GWorld is 112 bytes");
static_assert(offsetof(GWorldRecord, device) == 108, "the GWorld's device follows its port");

// The memory DC every GWorld made with noNewDevice draws into, with its number of users, the GWorld
// whose bitmap it holds now and the object that bitmap displaced when the DC was new.
HDC sSharedDC;
uint16_t sSharedUsers;
GWorldRecord *sSharedOwner;
HGDIOBJ sSharedDisplaced;

uint32_t sPixelsState;

// The palettes NewGWorld made for its GWorlds: they go with their GWorld.
std::vector<std::pair<GWorldRecord *, PaletteHandle>> sOwnPalettes;

GWorldRecord *AsGWorld(CGrafPtr port) { return reinterpret_cast<GWorldRecord *>(port); }
GrafPtr AsGrafPtr(GWorldRecord *gw) { return reinterpret_cast<GrafPtr>(&gw->port); }

// An open GWorld: a port in the valid list whose version word marks a GWorld.
bool IsOpenGWorld(CGrafPtr port)
{
    return port && ZEL_IsPortValid(reinterpret_cast<GrafPtr>(port)) && port->portVersion == kGWorldVersion;
}

PixMap *PortPixMap(GWorldRecord *gw)
{
    return HandleHasData(gw->port.portPixMap) ? *gw->port.portPixMap : nullptr;
}

bool UsesSharedDC(GWorldRecord *gw)
{
    const PixMap *map = PortPixMap(gw);
    return sSharedDC && map && map->pmExtMemDC == sSharedDC && map->pmExtBitmap;
}

// Puts the shared DC's first object back, so that no GWorld bitmap stays selected in it.
void ReleaseSharedBitmap()
{
    if (!sSharedOwner)
        return;
    SelectObject(sSharedDC, sSharedDisplaced);
    if (PixMap *map = PortPixMap(sSharedOwner))
        map->pmExtOldBitmap = nullptr;
    sSharedOwner = nullptr;
}

// Selects a shared-DC GWorld's bitmap into the shared DC. The bitmap stays there until another such
// GWorld needs the DC, so that the last one drawn can still be copied from once a window is current.
void SelectSharedBitmap(GWorldRecord *gw)
{
    if (sSharedOwner == gw)
        return;
    ReleaseSharedBitmap();
    PixMap *map = PortPixMap(gw);
    HGDIOBJ displaced = SelectObject(sSharedDC, map->pmExtBitmap);
    if (!displaced)
        return;
    sSharedDisplaced = displaced;
    sSharedOwner = gw;
    map->pmExtOldBitmap = displaced;
}

void DropSharedUser()
{
    if (sSharedUsers > 0)
        --sSharedUsers;
    if (sSharedUsers == 0 && sSharedDC) {
        ReleaseSharedBitmap();
        ForgetPortRecordDC(sSharedDC);
        DeleteDC(sSharedDC);
        sSharedDC = nullptr;
        sSharedDisplaced = nullptr;
    }
}

PaletteHandle TakeOwnPalette(GWorldRecord *gw)
{
    for (auto it = sOwnPalettes.begin(); it != sOwnPalettes.end(); ++it) {
        if (it->first == gw) {
            PaletteHandle pal = it->second;
            sOwnPalettes.erase(it);
            return pal;
        }
    }
    return nullptr;
}

// The memory DC and compatible bitmap of a GDI GWorld, and the port opened on them. With noNewDevice
// the DC is the shared one. False, with nothing left made, on any failure.
bool OpenGdiGWorld(GWorldRecord *gw, const Rect &bounds, GWorldFlags flags, bool printerBase)
{
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    HWND mainWindow = QuickDrawMainWindow();
    HDC windowDC = printerBase ? nullptr : GetDC(mainWindow);
    HDC base = printerBase ? CurrentDC() : windowDC;
    const bool shared = (flags & noNewDevice) != 0;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    if (base) {
        dc = shared ? sSharedDC : nullptr;
        if (!dc)
            dc = CreateCompatibleDC(base);
        if (dc)
            bitmap = CreateCompatibleBitmap(base, width, height);
    }
    if (windowDC)
        ReleaseDC(mainWindow, windowDC);
    const bool newDC = dc && dc != sSharedDC;
    if (!bitmap) {
        if (newDC)
            DeleteDC(dc);
        return false;
    }
    if (shared && !sSharedDC)
        sSharedDC = dc;

    SetNextPortDC(dc);
    OpenCPort(&gw->port);
    if (!GetCPortOpenSucceeded() || !PortPixMap(gw)) {
        if (GetCPortOpenSucceeded())
            CloseCPort(&gw->port);
        SetNextPortDC(nullptr);
        DeleteObject(bitmap);
        if (shared) {
            ++sSharedUsers;
            DropSharedUser();
        } else {
            DeleteDC(dc);
        }
        return false;
    }
    if (shared)
        ++sSharedUsers;
    PortSize(static_cast<int16_t>(width), static_cast<int16_t>(height));
    PixMap &map = *PortPixMap(gw);
    map.bounds = bounds;
    map.pmExtBitmap = bitmap;
    map.pmExtMemDC = dc;
    map.pmExtFlags |= pmExtBitmapCached;
    if (shared)
        SelectSharedBitmap(gw);
    else
        map.pmExtOldBitmap = SelectObject(dc, bitmap);
    if (PortDCRecord *record = CurrentPortRecord())
        record->flags |= portDCOwnsDC;
    if (bounds.left != 0 || bounds.top != 0) {
        SetOrigin(bounds.left, bounds.top);
        ClipRect(&bounds);
    }
    return true;
}

// A colour table of the four grays of a 2-bit world, white first.
CTabHandle FourGrayTable()
{
    auto table = reinterpret_cast<CTabHandle>(NewHandleClear(offsetof(ColorTable, ctTable) + 4 * sizeof(ColorSpec)));
    if (!table)
        return nullptr;
    ColorTable &t = **table;
    t.ctSeed = static_cast<uint32_t>(GetCTSeed());
    t.ctSize = 3;
    for (int i = 0; i < 4; ++i) {
        const uint16_t level = static_cast<uint16_t>(0xFFFF - 0x5555 * i);
        t.ctTable[i].value = static_cast<int16_t>(i);
        t.ctTable[i].rgb = RGBColor{level, level, level};
    }
    return table;
}

// The colour table of an indexed world: a copy of the caller's, or the standard one of its depth.
CTabHandle IndexedWorldTable(int16_t depth, CTabHandle ctab)
{
    if (HandleHasData(ctab)) {
        Handle copy = reinterpret_cast<Handle>(ctab);
        return HandToHand(&copy) == noErr ? reinterpret_cast<CTabHandle>(copy) : nullptr;
    }
    return depth == 2 ? FourGrayTable() : GetCTable(depth);
}

// The PixMap of a DIB world: the asked depth (0 takes the deepest device's), its table, and a top-down
// DIB section whose rows are the PixMap's own rows. Windows makes no 2-bit sections: a 2-bit world keeps
// its pixels in a 4-bit section and marks its rows as held by the bitmap.
PixMapHandle NewDibWorldPixMap(int16_t depth, const Rect &bounds, CTabHandle ctab)
{
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    PixMapHandle pm = NewPixMap();
    if (!pm)
        return nullptr;
    if (depth == 0) {
        const Rect gray = LowMem<BitMap>(lmScreenBits).bounds;
        GDHandle device = GetMaxDevice(&gray);
        depth = HandleHasData(device) && HandleHasData((*device)->gdPMap) ? (*(*device)->gdPMap)->pixelSize : 32;
    }
    PixMap &map = **pm;
    if (depth <= 8) {
        CTabHandle table = IndexedWorldTable(depth, ctab);
        if (!table) {
            DisposePixMap(pm);
            return nullptr;
        }
        DisposeCTable(map.pmTable);
        map.pmTable = table;
        map.pixelType = 0;
        map.cmpCount = 1;
        map.cmpSize = depth;
    } else {
        map.pixelType = 16;
        map.cmpCount = 3;
        map.cmpSize = depth == 16 ? 5 : 8;
    }
    map.pixelSize = depth;
    map.bounds = bounds;
    map.baseAddr = PixelsInBitmap();

    const int sectionDepth = depth == 2 ? 4 : depth;
    Handle header = NewHandleClear(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    if (!header) {
        DisposePixMap(pm);
        return nullptr;
    }
    auto *info = reinterpret_cast<BITMAPINFO *>(*header);
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = -height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(sectionDepth);
    info->bmiHeader.biCompression = BI_RGB;
    if (depth <= 8) {
        CopyCTabToQuads(map.pmTable, info->bmiColors);
        info->bmiHeader.biClrUsed = static_cast<DWORD>((*map.pmTable)->ctSize + 1);
    }
    map.pmExtDib = header;
    if (!AttachDibSection(&map, static_cast<int16_t>(width), static_cast<int16_t>(height))) {
        DisposePixMap(pm);
        return nullptr;
    }
    PixMap &attached = **pm;
    const int32_t stride = ((width * sectionDepth + 31) / 32) * 4;
    attached.rowBytes = static_cast<int16_t>(stride | 0x8000);
    if (depth == 2) {
        attached.baseAddr = PixelsInBitmap();
        attached.pmExtFlags &= static_cast<uint16_t>(~pmExtOwnRows);
        attached.rowBytes = static_cast<int16_t>((((width * 2 + 15) / 16) * 2) | 0x8000);
    }
    return pm;
}

// A DIB world: the port opened on the section's DC, its own PixMap kept in the DIB PixMap's
// pmReserved while the DIB PixMap is the port's.
bool OpenDibGWorld(GWorldRecord *gw, int16_t depth, const Rect &bounds, CTabHandle ctab)
{
    if (static_cast<int16_t>(LibrarySetting(settingOffscreenBitmaps)) == 0) {
        depth = 8;
        ctab = nullptr;
    }
    PixMapHandle pm = NewDibWorldPixMap(depth, bounds, ctab);
    if (!pm)
        return false;
    SetNextPortDC((*pm)->pmExtDC);
    OpenCPort(&gw->port);
    if (!GetCPortOpenSucceeded() || !PortPixMap(gw)) {
        if (GetCPortOpenSucceeded())
            CloseCPort(&gw->port);
        SetNextPortDC(nullptr);
        DisposePixMap(pm);
        return false;
    }
    PortSize(static_cast<int16_t>(bounds.right - bounds.left), static_cast<int16_t>(bounds.bottom - bounds.top));
    (*pm)->pmReserved = static_cast<int32_t>(reinterpret_cast<uintptr_t>(gw->port.portPixMap));
    SetPortPix(pm);
    if (bounds.left != 0 || bounds.top != 0) {
        SetOrigin(bounds.left, bounds.top);
        ClipRect(&bounds);
    }
    return true;
}

// The GWorld's palette: the caller's colours in the port's own palette, or a new one; without a table
// the library palette is realised into the world's DC.
void AttachWorldPalette(GWorldRecord *gw, CTabHandle ctab)
{
    GrafPtr port = AsGrafPtr(gw);
    if (!HandleHasData(ctab)) {
        RealizeLibraryPalette();
        return;
    }
    PaletteHandle pal = GetPalette(reinterpret_cast<WindowPtr>(port));
    if (pal && pal != DefaultPalette()) {
        CTab2Palette(ctab, pal, pmTolerant, 500);
    } else {
        pal = NewPalette(static_cast<int16_t>((*ctab)->ctSize + 1), ctab, pmTolerant, 500);
        if (!pal)
            return;
        sOwnPalettes.emplace_back(gw, pal);
    }
    SetPalette(reinterpret_cast<WindowPtr>(port), pal, true);
}

void CloseGdiGWorld(GWorldRecord *gw)
{
    PixMap *map = PortPixMap(gw);
    HDC dc = nullptr;
    bool shared = false;
    if (map) {
        dc = map->pmExtMemDC;
        shared = dc && dc == sSharedDC;
        map->pmExtMemDC = nullptr;
        if (shared) {
            if (sSharedOwner == gw)
                ReleaseSharedBitmap();
        } else if (dc && map->pmExtOldBitmap) {
            SelectObject(dc, map->pmExtOldBitmap);
        }
        if (map->pmExtBitmap)
            DeleteObject(map->pmExtBitmap);
        map->pmExtBitmap = nullptr;
        map->pmExtOldBitmap = nullptr;
        map->pmExtFlags &= static_cast<uint16_t>(~pmExtBitmapCached);
    }
    CloseCPort(&gw->port);
    if (shared) {
        DropSharedUser();
    } else if (dc) {
        ForgetPortRecordDC(dc);
        DeleteDC(dc);
    }
}

void CloseDibGWorld(GWorldRecord *gw)
{
    PixMapHandle dibMap = gw->port.portPixMap;
    PixMapHandle own = HandleHasData(dibMap) ? reinterpret_cast<PixMapHandle>(
                                                   static_cast<uintptr_t>((*dibMap)->pmReserved))
                                             : nullptr;
    if (!own || own == dibMap) {
        CloseCPort(&gw->port);
        return;
    }
    // The port's own PixMap goes back without SetPortPix, which would take the section's DC and rows
    // apart; the section goes with the DIB PixMap once the port is closed.
    (*dibMap)->pmReserved = 0;
    gw->port.portPixMap = own;
    CloseCPort(&gw->port);
    DisposePixMap(dibMap);
}

bool IsDibWorld(GWorldRecord *gw)
{
    const PixMap *map = PortPixMap(gw);
    return map && (map->pmExtFlags & pmExtDibEngine) && map->pmReserved;
}

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL NewGWorld(GWorldPtr *out, int16_t depth, const Rect *bounds, CTabHandle ctab,
                                      GDHandle device, GWorldFlags flags)
{
    if (!out)
        return -1;
    *out = nullptr;
    if (!bounds || bounds->right <= bounds->left || bounds->bottom <= bounds->top)
        return -1;
    const bool dibWorld = LibrarySwitch(kDibGWorldSwitch);
    if (dibWorld && depth != 0 && depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16 && depth != 32)
        return -1;
    GrafPtr remembered = CurrentPort();
    auto *gw = reinterpret_cast<GWorldRecord *>(NewPtrClear(sizeof(GWorldRecord)));
    if (!gw)
        return -1;
    gw->device = device;
    HDC printer = PrintingDC(nullptr);
    const bool printerBase = printer && printer == CurrentDC();
    const bool opened = dibWorld ? OpenDibGWorld(gw, depth, *bounds, ctab)
                                 : OpenGdiGWorld(gw, *bounds, flags, printerBase);
    if (!opened) {
        DisposePtr(reinterpret_cast<Ptr>(gw));
        SetPor(remembered);
        return -1;
    }
    gw->port.portVersion = kGWorldVersion;
    SetPortRecordDC(CurrentDC());
    if (PortDCRecord *record = CurrentPortRecord())
        record->hwnd = nullptr;
    if (!printerBase)
        AttachWorldPalette(gw, ctab);
    SetPor(remembered);
    *out = &gw->port;
    return 0;
}

ZEL_EXTERN_C void ZEL_CALL DisposeGWorld(GWorldPtr world)
{
    if (!IsOpenGWorld(world))
        return;
    GWorldRecord *gw = AsGWorld(world);
    GrafPtr remembered = CurrentPort();
    if (remembered == AsGrafPtr(gw)) {
        // The front window takes over, or the Window Manager port when no window is open.
        remembered = reinterpret_cast<GrafPtr>(FrontWindow());
        if (!remembered)
            remembered = reinterpret_cast<GrafPtr>(WMgrCPort());
    }
    SetPor(AsGrafPtr(gw));
    if (PaletteHandle pal = TakeOwnPalette(gw)) {
        SetPalette(reinterpret_cast<WindowPtr>(AsGrafPtr(gw)), nullptr, false);
        DisposePalette(pal);
    }
    if (IsDibWorld(gw))
        CloseDibGWorld(gw);
    else
        CloseGdiGWorld(gw);
    DisposePtr(reinterpret_cast<Ptr>(gw));
    SetPor(remembered);
}

ZEL_EXTERN_C void ZEL_CALL GetGWorld(CGrafPtr *port, GDHandle *device)
{
    if (port)
        *port = reinterpret_cast<CGrafPtr>(CurrentPort());
    if (device)
        *device = GetGDevice();
}

ZEL_EXTERN_C void ZEL_CALL SetGWorld(CGrafPtr port, GDHandle device)
{
    SetPor(reinterpret_cast<GrafPtr>(port));
    if (IsOpenGWorld(port)) {
        GWorldRecord *gw = AsGWorld(port);
        device = gw->device;
        if (UsesSharedDC(gw))
            SelectSharedBitmap(gw);
    }
    if (device)
        SetGDevice(device);
}

ZEL_EXTERN_C PixMapHandle ZEL_CALL GetGWorldPixMap(GWorldPtr world)
{
    return IsColorPort(reinterpret_cast<GrafPtr>(world)) ? world->portPixMap : nullptr;
}

ZEL_EXTERN_C Ptr ZEL_CALL GetPixBaseAddr(PixMapHandle pm) { return HandleHasData(pm) ? (*pm)->baseAddr : nullptr; }

ZEL_EXTERN_C Boolean ZEL_CALL LockPixels(PixMapHandle)
{
    sPixelsState |= pixelsLocked;
    return TRUE;
}

ZEL_EXTERN_C void ZEL_CALL UnlockPixels(PixMapHandle) { sPixelsState &= ~static_cast<uint32_t>(pixelsLocked); }
ZEL_EXTERN_C void ZEL_CALL AllowPurgePixels(PixMapHandle) { sPixelsState |= pixelsPurgeable; }
ZEL_EXTERN_C void ZEL_CALL NoPurgePixels(PixMapHandle) { sPixelsState &= ~static_cast<uint32_t>(pixelsPurgeable); }
ZEL_EXTERN_C GWorldFlags ZEL_CALL GetPixelsState(PixMapHandle) { return sPixelsState; }
ZEL_EXTERN_C void ZEL_CALL SetPixelsState(PixMapHandle, GWorldFlags state) { sPixelsState = state; }

ZEL_EXTERN_C GWorldFlags ZEL_CALL UpdateGWorld(GWorldPtr *, int16_t, const Rect *, CTabHandle, GDHandle, GWorldFlags)
{
    return 0;
}

ZEL_EXTERN_C void ZEL_CALL CTabChanged(CTabHandle ctab)
{
    if (HandleHasData(ctab))
        (*ctab)->ctSeed = static_cast<uint32_t>(GetCTSeed());
}

ZEL_STUB_VOID(PortChanged, (GrafPtr))

ZEL_EXTERN_C void ZEL_CALL GDeviceChanged(GDHandle) {}

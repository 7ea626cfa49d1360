// Port bits bound to GDI bitmaps: an application's own bits behind a port that draws through a Windows
// DC are bound to a bitmap in a memory DC, so that GDI drawing lands in it, and copied back into the
// bits when the binding ends. The 32-slot table of such bindings, the PixMap bindings of SetPortPix and
// CopyPixMap, and the DC helpers they share.
#include "imaging.h"
#include "../quickdraw/qd_services.h"
#include "MacWindows.h"
#include "../devices/devices_services.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// One application bitmap bound to a port.
struct PortBitsSlot {
    bool inUse;
    Ptr previousBase; // the port's baseAddr before the binding (its device mark)
    Ptr appBits;      // the application's bits
    PixMapHandle pm;  // the PixMap wrapping them, its pixels bound to a bitmap
};
constexpr int kPortBitsSlots = 32;
PortBitsSlot sSlots[kPortBitsSlots];

// Switches of ZEL_SetFlags' second pair: bitmaps of 16 x 16 for bound bits.
constexpr uint32_t kSmallOffscreenSwitch = 0x8;

bool IsDeviceMark(uintptr_t base) { return base == 0x7FFF || (base >= 0x8000 && base < 0x10000); }

bool ValidSlot(int16_t slot) { return slot >= 0 && slot < kPortBitsSlots && sSlots[slot].inUse; }

// The current port draws into `dc` from now on; its GDI objects leave the DC it drew into.
void SwitchPortDC(HDC dc)
{
    if (CurrentDC() == dc)
        return;
    DropCurrentPortObjects(false);
    SetPortRecordDC(dc);
    InvalidatePortBrushes();
}

// A 1-bit BitMap's rows from a bitmap: each pixel 1 where the bitmap is nearer black than white. Only
// what the BitMap's bounds and rowBytes describe is written, whatever size the bitmap has.
void CopyBitmapIntoBits(HBITMAP bitmap, const BitMap &bits)
{
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm))
        return;
    const int32_t width = std::min<int32_t>(bits.bounds.right - bits.bounds.left, bm.bmWidth);
    const int32_t height = std::min<int32_t>(bits.bounds.bottom - bits.bounds.top, bm.bmHeight);
    const int32_t rowBytes = bits.rowBytes & 0x3FFF;
    if (width <= 0 || height <= 0 || rowBytes * 8 < width || reinterpret_cast<uintptr_t>(bits.baseAddr) < 0x10000)
        return;
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[2];
    } info{};
    info.h.biSize = sizeof(BITMAPINFOHEADER);
    info.h.biWidth = bm.bmWidth;
    info.h.biHeight = bm.bmHeight;
    info.h.biPlanes = 1;
    info.h.biBitCount = 1;
    int32_t stride = 0;
    DibRowBytes(1, bm.bmWidth, &stride);
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * height);
    // The bitmap's top `height` rows: scan lines count from the bottom.
    HDC dc = DefaultMemoryDC();
    if (GetDIBits(dc, bitmap, static_cast<UINT>(bm.bmHeight - height), static_cast<UINT>(height), rows.data(),
                  reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS) != height)
        return;
    auto dark = [](const RGBQUAD &q) { return q.rgbRed + q.rgbGreen + q.rgbBlue < 384; };
    const bool zeroDark = dark(info.colours[0]), oneDark = dark(info.colours[1]);
    uint8_t *base = reinterpret_cast<uint8_t *>(bits.baseAddr);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *src = rows.data() + static_cast<size_t>(height - 1 - y) * stride;
        uint8_t *dst = base + static_cast<size_t>(y) * rowBytes;
        for (int32_t x = 0; x < width; ++x) {
            const bool one = (src[x >> 3] >> (7 - (x & 7))) & 1;
            const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
            if (one ? oneDark : zeroDark)
                dst[x >> 3] |= bit;
            else
                dst[x >> 3] &= static_cast<uint8_t>(~bit);
        }
    }
}

// The bitmap takes the rows the PixMap holds, so that what the application had drawn into its bits
// stays when they are copied back.
void CopyRowsIntoBitmap(PixMap &pm, HDC memory)
{
    if (reinterpret_cast<uintptr_t>(pm.baseAddr) < 0x10000)
        return;
    Rect rect = pm.bounds;
    PrepareBlitSource(prepareColors | prepareRows, reinterpret_cast<const BitMap *>(&pm), &rect, 0);
    const BlitParams &bp = CurrentBlitParams();
    if (!bp.info || !bp.bits)
        return;
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    const LONG dibRows = std::abs(bp.info->bmiHeader.biHeight);
    SetDIBitsToDevice(memory, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), rect.left, 0, 0,
                      static_cast<UINT>(dibRows), bp.bits, bp.info, bp.usage);
}

} // namespace

// ---- The port-bits table ----

void InitPortBitsTable() { DisposePortBitsTable(); }

void DisposePortBitsTable()
{
    for (int16_t i = 0; i < kPortBitsSlots; ++i)
        if (sSlots[i].inUse)
            FreePortBitsSlot(i);
}

int16_t AllocPortBitsSlot()
{
    for (int16_t i = 0; i < kPortBitsSlots; ++i)
        if (!sSlots[i].inUse) {
            sSlots[i] = PortBitsSlot{true, nullptr, nullptr, nullptr};
            return i;
        }
    return -1;
}

void FreePortBitsSlot(int16_t slot)
{
    if (!ValidSlot(slot))
        return;
    PixMapHandle pm = sSlots[slot].pm;
    sSlots[slot] = PortBitsSlot{};
    if (HandleHasData(pm)) {
        UnbindPixMapBitmap(pm);
        // The rows are the application's.
        (*pm)->baseAddr = nullptr;
        DisposePixMap(pm);
    }
}

ZEL_EXTERN_C PixMapHandle ZEL_CALL GetPortBitsSlotPixMap(int16_t slot) { return ValidSlot(slot) ? sSlots[slot].pm : nullptr; }

// ---- DC helpers ----

HDC SharedMemoryDC() { return DefaultMemoryDC(); }

void SelectPaletteIntoDc(HDC dc)
{
    if (dc && LibraryPalette())
        SelectPalette(dc, LibraryPalette(), FALSE);
}

HDC CreateCompatibleDcWithPalette(HDC source)
{
    HDC dc = CreateCompatibleDC(source);
    if (!dc)
        return nullptr;
    const bool paletteLessPrinter = source && GetDeviceCaps(source, TECHNOLOGY) == DT_RASPRINTER &&
                                    !(GetDeviceCaps(source, RASTERCAPS) & RC_PALETTE);
    if (!paletteLessPrinter)
        SelectPaletteIntoDc(dc);
    return dc;
}

void DeleteBitmapDc(HDC *dc)
{
    if (!dc || !*dc)
        return;
    if (*dc != DefaultMemoryDC()) {
        SelectPalette(*dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        DeleteDC(*dc);
    }
    *dc = nullptr;
}

void CopyDcAttributes(HDC from, HDC to, bool copyBrush)
{
    if (!from || !to)
        return;
    if (GrafPtr port = CurrentPort())
        ZEL_ClipRgnChange(port);
    SetBkMode(to, GetBkMode(from));
    SetROP2(to, GetROP2(from));
    SetBkColor(to, GetBkColor(from));
    SetTextColor(to, GetTextColor(from));
    SetStretchBltMode(to, GetStretchBltMode(from));
    if (copyBrush) {
        LOGBRUSH lb{};
        if (GetObjectA(GetCurrentObject(from, OBJ_BRUSH), sizeof lb, &lb) && lb.lbStyle == BS_SOLID) {
            // The port's own brushes are made again for the new DC; a plain solid one is copied.
            SelectObject(to, GetStockObject(lb.lbColor == RGB(0, 0, 0) ? BLACK_BRUSH : WHITE_BRUSH));
        }
    }
    POINT at{};
    GetCurrentPositionEx(from, &at);
    MoveToEx(to, at.x, at.y, nullptr);
    SetTextAlign(to, GetTextAlign(from));
}

HBITMAP MakeOffscreenBitmap(PixMapHandle pm, HDC memory, bool fromWindow, Rect *out)
{
    if (!HandleHasData(pm) || !memory)
        return nullptr;
    PixMap &map = **pm;
    HDC portDC = CurrentDC();
    map.pmExtMemDC = memory;
    map.pmExtDC = portDC;
    Rect mapped = map.bounds;
    XformMacRect(&mapped);
    if (out)
        *out = mapped;
    HDC base = fromWindow ? GetDC(QuickDrawMainWindow()) : portDC;
    if (HDC printer = PrintingDC(nullptr); printer && printer == portDC)
        base = printer;
    int width = mapped.right - mapped.left, height = mapped.bottom - mapped.top;
    if (LibrarySwitch(kSmallOffscreenSwitch))
        width = height = 16;
    // A port without a DC of its own gets a bitmap like the screen's (a memory DC's would be one-bit).
    HDC screen = base ? nullptr : GetDC(nullptr);
    // GDI makes no bitmap of no pixels: a 1 x 1 one stands for empty bounds.
    HBITMAP bitmap = CreateCompatibleBitmap(base ? base : screen, std::max(width, 1), std::max(height, 1));
    if (screen)
        ReleaseDC(nullptr, screen);
    if (fromWindow && base)
        ReleaseDC(QuickDrawMainWindow(), base);
    if (!bitmap)
        return nullptr;
    map.pmExtOldBitmap = SelectObject(memory, bitmap);
    map.pmExtBitmap = bitmap;
    map.pmExtFlags |= pmExtBitmapCached;
    SwitchPortDC(memory);
    if (!fromWindow)
        CopyDcAttributes(portDC, memory, false);
    return bitmap;
}

HBITMAP DeselectPixMapBitmap(PixMap *pm)
{
    if (!pm || !pm->pmExtMemDC || !pm->pmExtBitmap)
        return nullptr;
    if (!TakePixMapBitmapOut(*pm))
        return nullptr;
    return pm->pmExtBitmap;
}

void RestorePortDcFromPixMap(PixMapHandle pm)
{
    if (!HandleHasData(pm) || !(*pm)->pmExtDC)
        return;
    HDC portDC = (*pm)->pmExtDC;
    HDC memory = CurrentDC();
    SwitchPortDC(portDC);
    if (memory && memory != portDC)
        CopyDcAttributes(memory, portDC, false);
}

// ---- Binding PixMaps ----

bool BindPixMapBitmap(PixMapHandle pm)
{
    if (!HandleHasData(pm))
        return false;
    HDC portDC = CurrentDC();
    // Each binding has a memory DC of its own, so that any number of ports can draw into bound bits.
    HDC memory = CreateCompatibleDcWithPalette(portDC);
    if (!memory)
        return false;
    PixMap &map = **pm;
    if (map.pmExtBitmap) {
        map.pmExtMemDC = memory;
        map.pmExtDC = portDC;
        map.pmExtOldBitmap = SelectObject(memory, map.pmExtBitmap);
        SwitchPortDC(memory);
        return true;
    }
    Rect mapped;
    if (!MakeOffscreenBitmap(pm, memory, false, &mapped)) {
        DeleteBitmapDc(&memory);
        (*pm)->pmExtMemDC = nullptr;
        SwitchPortDC(portDC);
        return false;
    }
    CopyRowsIntoBitmap(**pm, memory);
    return true;
}

void UnbindPixMapBitmap(PixMapHandle pm)
{
    if (!HandleHasData(pm))
        return;
    PixMap &map = **pm;
    if (!map.pmExtMemDC)
        return;
    HDC memory = map.pmExtMemDC;
    if (map.pmExtOldBitmap && GetCurrentObject(memory, OBJ_BITMAP) == map.pmExtBitmap)
        SelectObject(memory, map.pmExtOldBitmap);
    map.pmExtOldBitmap = nullptr;
    if (CurrentDC() == memory && map.pmExtDC)
        RestorePortDcFromPixMap(pm);
    (*pm)->pmExtMemDC = SharedMemoryDC();
    if (memory != SharedMemoryDC())
        DeleteBitmapDc(&memory);
}

// ---- Port bits ----

// The PixMap registered in slot `index`, when the index names a slot in use.
PixMapHandle PortBitsSlotPixMap(uint32_t index)
{
    return index < 32 ? GetPortBitsSlotPixMap(static_cast<int16_t>(index)) : nullptr;
}

BOOL BindPortBits(GrafPtr port, Ptr baseAddr, int16_t rowBytes, const Rect *bounds)
{
    if (!port)
        return FALSE;
    const BitMap before = port->portBits;
    port->portBits.rowBytes = rowBytes;
    if (bounds)
        port->portBits.bounds = *bounds;
    const uintptr_t bits = reinterpret_cast<uintptr_t>(baseAddr);
    if (bits < 0x10000 || !IsDeviceMark(reinterpret_cast<uintptr_t>(before.baseAddr))) {
        port->portBits.baseAddr = baseAddr;
        return TRUE;
    }
    // Memory bits behind a port drawing through a DC: a slot and a bitmap for them.
    const int16_t slot = AllocPortBitsSlot();
    PixMapHandle pm = slot >= 0 ? NewPixMap() : nullptr;
    CTabHandle table = DefaultOneBitCTable();
    if (pm && HandleHasData(table)) {
        Handle copy = reinterpret_cast<Handle>(table);
        if (HandToHand(&copy) == noErr) {
            DisposeCTable((*pm)->pmTable);
            (*pm)->pmTable = reinterpret_cast<CTabHandle>(copy);
        }
    }
    if (pm) {
        PixMap &map = **pm;
        map.baseAddr = baseAddr;
        map.rowBytes = static_cast<int16_t>(rowBytes | 0x8000);
        map.bounds = port->portBits.bounds;
        map.pixelSize = map.cmpCount = map.cmpSize = 1;
        map.pixelType = 0;
        map.pmExtFlags = pmExtOwnRows;
    }
    if (!pm || !BindPixMapBitmap(pm)) {
        if (pm) {
            (*pm)->baseAddr = nullptr;
            DisposePixMap(pm);
        }
        if (slot >= 0)
            sSlots[slot] = PortBitsSlot{};
        // Nothing bound: the port stays as it was, and SetPortBits reports the failure.
        port->portBits = before;
        return FALSE;
    }
    sSlots[slot].previousBase = before.baseAddr;
    sSlots[slot].appBits = baseAddr;
    sSlots[slot].pm = pm;
    port->portBits.baseAddr = reinterpret_cast<Ptr>(static_cast<uintptr_t>(slot));
    return TRUE;
}

void ClearRowPadding(const BitMap *bits)
{
    if (!bits || reinterpret_cast<uintptr_t>(bits->baseAddr) < 0x10000)
        return;
    const int32_t width = bits->bounds.right - bits->bounds.left;
    const int32_t height = bits->bounds.bottom - bits->bounds.top;
    const int32_t rowBytes = bits->rowBytes & 0x3FFF;
    if (width <= 0 || height <= 0 || rowBytes * 8 < width)
        return;
    const int32_t partial = (width - 1) / 8; // the byte holding the last pixel
    const uint8_t keep = static_cast<uint8_t>(width % 8 ? 0xFF00 >> (width % 8) : 0xFF);
    uint8_t *base = reinterpret_cast<uint8_t *>(bits->baseAddr);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t *row = base + static_cast<size_t>(y) * rowBytes;
        row[partial] &= keep;
        std::memset(row + partial + 1, 0, static_cast<size_t>(rowBytes - partial - 1));
    }
}

void ReleasePortBits(GrafPtr port, Ptr baseAddr, BOOL copyBack)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(baseAddr);
    if (!port || value >= 0x8000 || !ValidSlot(static_cast<int16_t>(value)))
        return;
    const int16_t slot = static_cast<int16_t>(value);
    PortBitsSlot &s = sSlots[slot];
    port->portBits.baseAddr = s.appBits;
    if (HandleHasData(s.pm) && copyBack) {
        BitMap bits{s.appBits, static_cast<int16_t>((*s.pm)->rowBytes & 0x3FFF), (*s.pm)->bounds};
        CopyBitmapIntoBits((*s.pm)->pmExtBitmap, bits);
        ClearRowPadding(&bits);
    }
    port->portBits.baseAddr = s.previousBase;
    FreePortBitsSlot(slot);
}

// ---- SetPortPix and CopyPixMap ----

BOOL BindPortPixMap(PixMapHandle pm)
{
    CGrafPtr port = reinterpret_cast<CGrafPtr>(CurrentPort());
    if (!port)
        return FALSE;
    if (!HandleHasData(pm)) {
        port->portPixMap = nullptr;
        return TRUE;
    }
    if (IsDeviceMark(reinterpret_cast<uintptr_t>((*pm)->baseAddr))) {
        // Pixels of a device or a Windows bitmap: used as they are, with no binding of their own.
        port->portPixMap = pm;
        return TRUE;
    }
    if (!BindPixMapBitmap(pm))
        return FALSE;
    port->portPixMap = pm;
    return TRUE;
}

void UnfoldPortPixMap(PixMapHandle pm)
{
    if (!HandleHasData(pm) || !(*pm)->pmExtBitmap || !(*pm)->pmExtMemDC)
        return;
    // The drawing goes back into the PixMap's own rows, in its own format.
    ZEL_UnfoldPixMap(*pm, reinterpret_cast<BitMap *>(*pm), nullptr, nullptr, 0x2);
    UnbindPixMapBitmap(pm);
    HBITMAP bitmap = (*pm)->pmExtBitmap;
    (*pm)->pmExtBitmap = nullptr;
    (*pm)->pmExtFlags &= static_cast<uint16_t>(~pmExtBitmapCached);
    if (bitmap)
        DeleteObject(bitmap);
}

void DuplicatePixMapBitmap(PixMapHandle src, PixMapHandle dst)
{
    if (!HandleHasData(src) || !HandleHasData(dst))
        return;
    HBITMAP copy = (*src)->pmExtBitmap ? ZEL_CopyBM((*src)->pmExtBitmap) : nullptr;
    PixMap &to = **dst;
    if ((to.pmExtFlags & pmExtBitmapCached) && to.pmExtBitmap &&
        !(to.pmExtMemDC && GetCurrentObject(to.pmExtMemDC, OBJ_BITMAP) == to.pmExtBitmap))
        DeleteObject(to.pmExtBitmap);
    if (!copy) {
        to.pmExtDC = nullptr;
        to.pmExtBitmap = nullptr;
        to.pmExtOldBitmap = nullptr;
        to.pmExtFlags &= static_cast<uint16_t>(~pmExtBitmapCached);
        return;
    }
    to.pmExtDC = (*src)->pmExtDC;
    to.pmExtBitmap = copy;
    to.pmExtOldBitmap = nullptr;
    to.pmExtMemDC = SharedMemoryDC();
    to.pmExtFlags |= pmExtBitmapCached;
}

// ---- The bitmap of a PixMap in its memory DC ----

// A PixMap's bitmap is taken out of its memory DC while its bits are read or replaced, and put back
// afterwards with the object it displaces kept in pmExtOldBitmap.
bool TakePixMapBitmapOut(PixMap &pm)
{
    if (!pm.pmExtBitmap || !pm.pmExtMemDC || GetCurrentObject(pm.pmExtMemDC, OBJ_BITMAP) != pm.pmExtBitmap)
        return false;
    // The stock 1 x 1 bitmap every memory DC starts with (DEFAULT_BITMAP).
    constexpr int kStockDefaultBitmap = 21;
    HGDIOBJ displaced = pm.pmExtOldBitmap ? pm.pmExtOldBitmap : GetStockObject(kStockDefaultBitmap);
    return SelectObject(pm.pmExtMemDC, displaced) != nullptr;
}

void PutPixMapBitmapBack(PixMap &pm)
{
    if (!pm.pmExtBitmap || !pm.pmExtMemDC)
        return;
    HGDIOBJ displaced = SelectObject(pm.pmExtMemDC, pm.pmExtBitmap);
    if (displaced && displaced != pm.pmExtBitmap)
        pm.pmExtOldBitmap = displaced;
}

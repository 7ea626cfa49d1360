// Port bits: binding a port's portBits. A port bound to its own device keeps the device mark in
// baseAddr.
#include "imaging.h"
#include "../quickdraw/qd_services.h"

// PENDING: the port-bits table of 32 application bitmaps is cleared and torn down with QuickDraw.
void InitPortBitsTable() {}
void DisposePortBitsTable() {}

// PENDING: the port-bits table answers the PixMap registered in a slot in use.
PixMapHandle PortBitsSlotPixMap(uint32_t) { return nullptr; }

// PENDING: application bitmaps are bound into a slot of the port-bits table through a GDI bitmap.
BOOL BindPortBits(GrafPtr port, Ptr baseAddr, int16_t rowBytes, const Rect *bounds)
{
    if (!port)
        return FALSE;
    port->portBits.baseAddr = baseAddr;
    port->portBits.rowBytes = rowBytes;
    if (bounds)
        port->portBits.bounds = *bounds;
    return TRUE;
}

// PENDING: a slot binding is undone, its pixels copied back when asked.
void ReleasePortBits(GrafPtr, Ptr, BOOL) {}

// PENDING: the PixMap bridges copy the device colours into a palette-managed DIB.
void SyncPixMapDibColors(PixMapHandle) {}

// PENDING: the imaging code keeps one memory DC for its transfers.
HDC SharedMemoryDC() { return nullptr; }


// PENDING: the PixMap bridges bind a PixMap's pixels to a GDI bitmap (and unbind for the screen and
// offscreen markers); this form only stores the PixMap as the port's.
BOOL BindPortPixMap(PixMapHandle pm)
{
    CGrafPtr port = reinterpret_cast<CGrafPtr>(CurrentPort());
    if (!port)
        return FALSE;
    port->portPixMap = pm;
    return TRUE;
}

// PENDING: the PixMap bridges convert a bound PixMap's pixels back before it is unbound.
void UnfoldPortPixMap(PixMapHandle) {}

// PENDING: the PixMap bridges duplicate the Windows bitmap behind a copied PixMap; until then the copy
// keeps its own extension fields and no bitmap.
void DuplicatePixMapBitmap(PixMapHandle, PixMapHandle) {}

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

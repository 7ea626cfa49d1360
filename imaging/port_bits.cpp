// Port bits: binding a port's portBits. A port bound to its own device keeps the device mark in
// baseAddr; no application bitmap is bound into a slot yet.
#include "imaging_services.h"

void InitPortBitsTable() {}
void DisposePortBitsTable() {}

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

void ReleasePortBits(GrafPtr, Ptr, BOOL) {}

void SyncPixMapDibColors(PixMapHandle) {}

HDC SharedMemoryDC() { return nullptr; }


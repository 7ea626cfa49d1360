// Services of QuickDraw imaging and pictures for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Quickdraw.h"

// ---- Port bits ----
// The 32-slot table of application bitmaps bound to ports: cleared by InitGraf, torn down by ExitGraf.
void InitPortBitsTable();
void DisposePortBitsTable();
// Sets a port's portBits; a baseAddr of 0x8000 plus a PortDCTable index binds the port's own DC.
BOOL BindPortBits(GrafPtr port, Ptr baseAddr, int16_t rowBytes, const Rect *bounds);
// Undoes a binding made for a slot, copying the drawn pixels back into the application's bits when
// `copyBack` is set.
void ReleasePortBits(GrafPtr port, Ptr baseAddr, BOOL copyBack);
// Copies the current device's colours into a PixMap whose pixels are a palette-managed DIB.
void SyncPixMapDibColors(PixMapHandle pm);
// The memory DC the imaging code shares between its transfers (0 while it has none).
HDC SharedMemoryDC();

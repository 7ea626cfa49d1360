// Palettes. Without palette management (the setting is off at start) ports keep the DC's own palette
// and nothing needs realising.
#include "quickdraw.h"

void SelectPortPalette(GrafPtr) {}

bool RealizeLibraryPalette() { return false; }

// PENDING: the palette work writes the library palette and the device table's growth.
ZEL_EXTERN_C void ZEL_CALL SetEntries(int16_t, int16_t, const ColorSpec *) {}

// The map from the library palette's logical indices to the system palette's, and the 4-bit palette
// hooks.
#include "imaging_services.h"

void BeginFourBitPalette() {}
void EndFourBitPalette() {}

// PENDING: the imaging code maps logical palette indices to system palette indices.
void BuildPaletteIndexMap(HDC, HPALETTE) {}

// PENDING: the imaging code maps logical palette indices to system palette indices.
bool PaletteIndexMapExists() { return false; }

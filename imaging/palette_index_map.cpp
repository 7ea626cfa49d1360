// The 4-bit palette hooks: the palette code calls them when the library palette is switched on and off
// on a 4-bit screen; nothing needs doing then.
#include "imaging_services.h"

void BeginFourBitPalette() {}
void EndFourBitPalette() {}

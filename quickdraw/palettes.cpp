// Palettes. Without palette management (the setting is off at start) ports keep the DC's own palette
// and nothing needs realising.
#include "quickdraw.h"

void SelectPortPalette(GrafPtr) {}

bool RealizeLibraryPalette() { return false; }

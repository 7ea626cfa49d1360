// The font map and the font tables that ports use.
#include "text_services.h"

namespace {
bool sFontMapLoaded;
}

bool FontMapLoaded() { return sFontMapLoaded; }
// PENDING: the font map is read from the map file (or the embedded map) into the Macintosh/Windows name table.
void LoadFontMap() { sFontMapLoaded = true; }
// PENDING: the font tables free the font map and the width tables they built.
void FreeFontTables() { sFontMapLoaded = false; }
// PENDING: the Font Manager disposes of its width table.
void DisposeWidthTable() {}

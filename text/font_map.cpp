// The font map and the font tables that ports use. No map file is read yet: the map stays empty.
#include "text_services.h"

namespace {
bool sFontMapLoaded;
}

bool FontMapLoaded() { return sFontMapLoaded; }
void LoadFontMap() { sFontMapLoaded = true; }
void FreeFontTables() { sFontMapLoaded = false; }
void DisposeWidthTable() {}

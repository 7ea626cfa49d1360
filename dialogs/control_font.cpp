// The font record the Control Manager draws control titles with.
#include "dialogs_services.h"
#include "../core/core_services.h"

namespace {
LibraryFont sControlFont;
}

void ChooseControlFont(int16_t which)
{
    sControlFont = GetLibraryFont(which == 1 ? libraryFontSystem : libraryFontDialog);
}

const LibraryFont &ControlFont() { return sControlFont; }

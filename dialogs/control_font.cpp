// The font record the Control Manager draws control titles with. A dialog build chooses its own for the
// time it runs and gives the one before back at teardown.
#include "dialogs_services.h"
#include "../core/core_services.h"

namespace {
LibraryFont sControlFont, sSavedFont;
bool sSaved;
}

void ChooseControlFont(int16_t which)
{
    sControlFont = GetLibraryFont(which == 1 ? libraryFontSystem : libraryFontDialog);
}

const LibraryFont &ControlFont() { return sControlFont; }

void UseControlFont(const LibraryFont &font) { sControlFont = font; }

void UseBuildControlFont(int kind)
{
    if (!sSaved) {
        sSavedFont = sControlFont;
        sSaved = true;
    }
    sControlFont = GetLibraryFont(static_cast<LibraryFontKind>(kind));
}

void RestoreControlFont()
{
    if (sSaved)
        sControlFont = sSavedFont;
    sSaved = false;
}

// The screen set-up of InitGraf: the screen's depth and the library's default memory DC.
#include "quickdraw.h"

namespace {

int16_t sScreenDepth;
int16_t sScreenPaletteSize;
HDC sDefaultDC;

} // namespace

int16_t ScreenDepth() { return sScreenDepth; }
int16_t ScreenPaletteSize() { return sScreenPaletteSize; }

// PENDING: the screen set-up builds the library standard palette's table and caches it here.
CTabHandle CachedScreenCTable() { return nullptr; }

// PENDING: the screen set-up tells 4-bit screens apart.
bool ScreenFourBitColorEmulation() { return false; }

// PENDING: the screen set-up builds the dither tables.
int DitherNearest(DitherTable, uint8_t) { return 0; }
HDC DefaultMemoryDC() { return sDefaultDC; }

bool ScreenSetup()
{
    HWND main = QuickDrawMainWindow();
    HDC screen = GetDC(main);
    if (!screen)
        return false;
    sScreenDepth = DeviceContextDepth(screen);
    int paletteSize = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) ? GetDeviceCaps(screen, SIZEPALETTE) : 0;
    sScreenPaletteSize = static_cast<int16_t>(paletteSize > 256 ? 256 : paletteSize);
    InitPaletteSlots();
    if (!sDefaultDC)
        sDefaultDC = CreateCompatibleDC(screen);
    ReleaseDC(main, screen);
    return sDefaultDC != nullptr;
}

void ExitScreen()
{
    DeactivateAppPalette();
    FreeAllPaletteSlots();
    FreePixelScratch();
    if (sDefaultDC)
        DeleteDC(sDefaultDC);
    sDefaultDC = nullptr;
}

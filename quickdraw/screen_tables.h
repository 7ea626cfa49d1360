// The tables of the screen set-up that follow from the screen's facts alone: the facts themselves, the
// library standard palette, the dither tables and matrix rows, and the whole-degree sine and cosine
// tables. Nothing here calls the rest of the library, so any screen can be described to it.
#pragma once

#include <windows.h>
#include <cstdint>

struct ScreenFacts {
    int depth;                  // bits per pixel as QuickDraw counts them
    bool depth16, depth24, depth8, depth4, monochrome;
    bool reducedPalette;        // session flag 0x10
    int paletteSize;            // SIZEPALETTE up to 256 with RC_PALETTE, else 0
    bool grayFourBit;           // a 4-bit screen whose nearest colour to cyan is gray
    bool fourBitColorEmulation; // a 4-bit screen without RC_PALETTE whose nearest cyan is not gray
    bool dibToDevice;           // RASTERCAPS has RC_DIBTODEV
    POINT pixelsPerMeter;
};

// What the screen DC reports, as DeriveScreenFacts reads it.
struct ScreenCaps {
    int depth;
    int rasterCaps;
    int sizePalette;
    COLORREF nearestCyan; // GetNearestColor of cyan (read on 4-bit screens)
    int horzRes, vertRes, horzSize, vertSize, logPixelsX, logPixelsY;
};

ScreenFacts DeriveScreenFacts(const ScreenCaps &caps, bool reducedPalette);

// The library standard palette for the screen: 236 colours, 128 grays, or on a 4-bit screen 16 colours
// or 16 grays. `emulationGrays` (16 bytes, may be nil) receives the gray paired with each of the 16
// colours of the 4-bit colour emulation. Returns the entry count.
int BuildLibraryPaletteEntries(const ScreenFacts &facts, PALETTEENTRY *entries, uint8_t *emulationGrays);

// One dither-table entry per 8-bit component level.
#pragma pack(push, 1)
struct DitherEntry {
    uint8_t fraction, low, high, nearest;
};
#pragma pack(pop)
static_assert(sizeof(DitherEntry) == 4, "a dither entry is 4 bytes");

constexpr int kDitherMatrixRowBytes = 4100;
struct DitherTables {
    bool reducedFourBit;  // one 16-level table and a 2 x 2 matrix
    DitherEntry red[256]; // the cube tables, indices already multiplied by 36, 6 and 1
    DitherEntry green[256];
    DitherEntry blue[256];
    DitherEntry gray[256]; // the 16-level gray table (the only table of the reduced 4-bit case)
    int matrixRows;
    uint8_t matrix[4][kDitherMatrixRowBytes];
};
void BuildDitherTables(const ScreenFacts &facts, DitherTables &tables);

// sin and cos of 0..90 whole degrees, exact at 0 and 90.
void BuildSinCosTables(double *sines, double *cosines);

// Macintosh transfer modes as GDI sees them: the ROP2 code, the background mode, and whether GDI can
// draw the mode at all. Self-contained so that the mode setters and their checks share one table.
#pragma once

#include <windows.h>
#include <cstdint>

namespace transfer_mode {

struct Attributes {
    uint16_t rop2;
    uint16_t bkMode;  // TRANSPARENT 1, OPAQUE 2
    bool emulated;    // GDI has no raster operation for it: the library draws it itself
};

// PenMode folds the arithmetic modes 40..63 down by 8 before they are stored.
inline int16_t FoldPenMode(int16_t mode) { return (mode >= 40 && mode <= 63) ? static_cast<int16_t>(mode - 8) : mode; }

// The raster operations of the eight boolean modes (source and pattern forms alike). QuickDraw's
// "or" paints the foreground's set bits: with black as all bits set, that is an AND of the pixel
// values (R2_MASKPEN); "bic" clears, an OR with the inverted pen (R2_MERGENOTPEN); "xor" inverts
// under black, which keeps the pixel under white (R2_NOTXORPEN).
inline Attributes ModeAttributes(int16_t mode)
{
    static const Attributes kBoolean[8] = {
        {R2_COPYPEN, OPAQUE, false},         // copy
        {R2_MASKPEN, TRANSPARENT, false},    // or
        {R2_NOTXORPEN, TRANSPARENT, false},  // xor
        {R2_MERGENOTPEN, TRANSPARENT, false},// bic
        {R2_NOTCOPYPEN, OPAQUE, false},      // notCopy
        {R2_MASKNOTPEN, OPAQUE, false},      // notOr
        {R2_XORPEN, OPAQUE, false},          // notXor
        {R2_MERGEPEN, OPAQUE, false},        // notBic
    };
    if (mode >= 0 && mode <= 15)
        return kBoolean[mode & 7];
    switch (mode) {
    case 32: return {R2_COPYPEN, OPAQUE, false};
    case 34: case 38: return {R2_NOTXORPEN, TRANSPARENT, false};
    case 33: case 37: return {R2_MERGENOTPEN, TRANSPARENT, false};
    case 35: case 36: case 39: case 47: return {R2_MASKPEN, TRANSPARENT, false};
    case 49: return {R2_MASKPEN, OPAQUE, true};
    default: return {R2_MASKPEN, TRANSPARENT, true};
    }
}

} // namespace transfer_mode

// The pixel conversion engine's own declarations: the state one conversion runs on and its stage
// procedures, shared by pixel_engine.cpp (set-up, clipping, row walk, buffers) and pixel_stages.cpp
// (the per-row stages). Nothing outside those two files includes this header.
//
// Work rows hold one 32-bit value per pixel: a pixel value of the side's depth (an index in the
// Macintosh order of the colour table in use, or a direct pixel as 0x00RRGGBB at 24 and 32 bits and as
// a 5-5-5 word at 16), or three bytes R, G, B per pixel in the RGB rows. Rows are unpacked from the
// pixels at the first column's bit position and packed back into it, so pixels that share the span's
// first or last byte keep their values.
#pragma once

#include <windows.h>
#include <cstdint>

#include "MacTypes.h"
#include "Quickdraw.h"

// A stage: `out` and `in` are work rows (pixel values or RGB triples, by kind); everything else it
// reads from the engine state.
typedef void (*PixelStageProc)(void *out, const void *in);

struct RgbTriple {
    uint8_t r, g, b;
};

// One side of a conversion as the row walk sees it.
struct EngineSide {
    int depth;          // 1, 2, 4, 8, 16, 24 or 32
    uint8_t *origin;    // the address of local row 0 (bounds' top row)
    int32_t step;       // bytes from one local row to the next (negative for bottom-up DIBs)
    int32_t width;      // addressable pixels per row, from the bounds' left
    int32_t height;     // addressable rows, from the bounds' top
    Rect bounds;
    bool complement;    // a DIB whose indices are the complements of the Macintosh ones (flag 0x100)
};

struct PixelEngineState {
    EngineSide src, dst;
    int16_t mode;           // the transfer mode without the ditherCopy bit
    int32_t srcX, dstX;     // first column of the clipped span, local to each side
    int32_t srcWidth;       // clipped source pixels in a row
    int32_t dstWidth;       // clipped destination pixels in a row
    const int32_t *columns; // per destination column: the source column, relative to srcX
    bool resize;            // the clipped widths differ
    // What the next stage call works on: its pixel count, the colours of the side it reads or writes,
    // and for stores the destination row and column.
    int32_t stageCount;
    const RgbTriple *stageColors;
    int stageDepth;

    // Pattern-tile mode: source rows come from a tile repeated in both directions.
    bool tileMode;
    const uint8_t *tileBase;
    int32_t tileRowBytes, tileHeight, tileWidth;
    int32_t tileRow;        // the tile row the next source row is read from
    int32_t tileColumn;     // the tile column of the span's first pixel

    // The mask: a 1-bit image sampled per destination pixel.
    bool maskPresent;
    bool maskIsBitMap;      // rows of a plain BitMap, 1 inside; else a mask DIB, 0 inside
    const uint8_t *maskRow; // the current destination row's mask row
    const int32_t *maskColumns; // per destination column: the mask column

    // Colours.
    RgbTriple srcColors[256], dstColors[256]; // indexed sides' tables (black past their entries)
    const uint8_t *inverse;  // 32,768 cells of the destination table's inverse table, or nil
    // The device's search procedures, or the search by distance without an inverse table; nil when the
    // inverse table answers alone.
    uint32_t (*search)(const RgbTriple &c);
    uint32_t transparentValue; // the work row value of the port's background colour (mode 36)
    RgbTriple background;      // the port's background colour (mode 36 on the RGB path)
    uint8_t opWeight;          // the operation colour's weight (blend, addPin, subPin)
    bool colorize;
    uint8_t colorizeMap[256], colorizeValid[256]; // source value to stored value
    RgbTriple colorizeRgb[256];                    // on the RGB path: source value to colour
    uint8_t expansion[256];
    // Dithering: errors carried per component for this row and the next, two cells of margin each
    // side; the direction flips after every row.
    int16_t *ditherThis, *ditherNext;
    bool ditherLeftToRight;
};

PixelEngineState &EngineState();

// The depth's pixel values: all bits set below 32 bits.
inline uint32_t DepthMask(int depth) { return depth >= 24 ? 0xFFFFFFu : (1u << depth) - 1; }

// Rows unpacked into work values and packed back, from column `x` (bit position within the first byte
// for depths below 8), `count` pixels. Packing with a mask stores only the pixels it marks inside.
void UnpackPixels(const uint8_t *row, int32_t x, int32_t count, int depth, uint32_t *out);
void PackPixels(uint8_t *row, int32_t x, int32_t count, int depth, const uint32_t *in);
// The inverse-table cell of a colour, read by the rule the table is built with.
uint32_t InverseCell(const RgbTriple &c);
// The destination value of a colour: the search procedures, else the inverse table (0 without one).
uint32_t NearestDestinationValue(const RgbTriple &c);

// Stage selectors: nil when the key has no member (the caller reports it).
PixelStageProc SelectPVToRGBProc(int depth, bool resize, bool colorize);
PixelStageProc SelectRGBToPVProc(int depth, bool directStore);
PixelStageProc SelectResizePVProc(int depth);
PixelStageProc SelectDitherProc(int depth);
PixelStageProc SelectPixelValueMaskProc(int depth, bool plainCopy, bool colorize);
PixelStageProc SelectRGBCombineProc(int16_t mode);
PixelStageProc SelectPixelValueCombineProc(int16_t mode, int depth);
PixelStageProc SelectColorizeProc(int16_t mode, int depth);
PixelStageProc SelectExpansionProc(int srcDepth, int dstDepth);
// The row pass: complements each value of a work row (out may be in).
void RowPassProc(void *out, const void *in);
// The plain store: packs the work row into the destination row.
void StorePixelValuesProc(void *out, const void *in);

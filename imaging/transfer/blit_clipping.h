// Clipping of a transfer's source and destination rectangles: against the bitmaps' bounds and against
// the port's clip, keeping the two rectangles in proportion. Plain rectangle arithmetic, free of
// library state.
#pragma once

#include <cstdint>

#include "MacTypes.h"

// One side of a transfer as the bounds clipping sees it.
struct BlitClipSide {
    bool inMemory;    // pixels in memory: the rectangle is cut to the bounds
    Rect bounds;
    int16_t rowBytes; // row length in bytes (flag bits already removed); 0: no width limit
    int16_t depth;    // bits per pixel (1 for a BitMap)
};

// Cuts `cut` to `bounds` and moves each matching edge of `other` by the cut's share of it, scaled from
// the rectangles as they were given.
void ClipRectToBoundsInProportion(const Rect &bounds, Rect *cut, Rect *other);

// The source's rectangle to its bounds (their width first limited to the pixels its rows hold), then
// the destination's to its own, each moving the other side in proportion. Sides not in memory are left
// to the device's own clipping.
void ClipBlitToBounds(const BlitClipSide &src, const BlitClipSide &dst, Rect *srcRect, Rect *dstRect);

// Cuts a transfer to the port's clip rectangle. While magnifying, a cut edge is moved outward onto a
// whole source row or column so that the source steps in whole pixels: `dstRect` is then the area the
// stepped source covers and `writeRect` the part of it inside the clip, the only pixels to be written.
// False when nothing is left to write.
bool ClipBlitToClipRect(const Rect &clip, Rect *srcRect, Rect *dstRect, Rect *writeRect);

// Rectangle clipping for transfers: bounds and port clip.
#include "blit_clipping.h"

#include <windows.h>

#include <algorithm>

namespace {

bool IsEmpty(const Rect &r) { return r.bottom <= r.top || r.right <= r.left; }

// A cut edge distance moved back onto a whole source step while magnifying (source extent below the
// destination's); unchanged otherwise.
int OntoWholeSourceStep(int distance, int srcExtent, int dstExtent)
{
    if (srcExtent >= dstExtent)
        return distance;
    return distance * srcExtent / dstExtent * dstExtent / srcExtent;
}

} // namespace

void ClipRectToBoundsInProportion(const Rect &bounds, Rect *cut, Rect *other)
{
    const Rect c = *cut;
    const Rect o = *other;
    int cw = c.right - c.left, ch = c.bottom - c.top;
    int ow = o.right - o.left, oh = o.bottom - o.top;
    if (cw <= 0 || ch <= 0)
        return;
    if (c.left < bounds.left) {
        cut->left = bounds.left;
        other->left = static_cast<int16_t>(o.left + MulDiv(bounds.left - c.left, ow, cw));
    }
    if (c.top < bounds.top) {
        cut->top = bounds.top;
        other->top = static_cast<int16_t>(o.top + MulDiv(bounds.top - c.top, oh, ch));
    }
    if (c.right > bounds.right) {
        cut->right = bounds.right;
        other->right = static_cast<int16_t>(o.right - MulDiv(c.right - bounds.right, ow, cw));
    }
    if (c.bottom > bounds.bottom) {
        cut->bottom = bounds.bottom;
        other->bottom = static_cast<int16_t>(o.bottom - MulDiv(c.bottom - bounds.bottom, oh, ch));
    }
}

namespace {

// A side's bounds, no wider than the pixels its rows hold.
Rect UsableBounds(const BlitClipSide &side)
{
    Rect b = side.bounds;
    if (side.rowBytes > 0 && side.depth > 0) {
        int most = MulDiv(side.rowBytes, 8, side.depth);
        if (b.right - b.left > most)
            b.right = static_cast<int16_t>(b.left + most);
    }
    return b;
}

} // namespace

void ClipBlitToBounds(const BlitClipSide &src, const BlitClipSide &dst, Rect *srcRect, Rect *dstRect)
{
    if (src.inMemory)
        ClipRectToBoundsInProportion(UsableBounds(src), srcRect, dstRect);
    if (dst.inMemory)
        ClipRectToBoundsInProportion(UsableBounds(dst), dstRect, srcRect);
}

bool ClipBlitToClipRect(const Rect &clip, Rect *srcRect, Rect *dstRect, Rect *writeRect)
{
    const Rect s = *srcRect;
    const Rect d = *dstRect;
    int sw = s.right - s.left, sh = s.bottom - s.top;
    int dw = d.right - d.left, dh = d.bottom - d.top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
        return false;
    Rect write = {std::max(d.top, clip.top), std::max(d.left, clip.left), std::min(d.bottom, clip.bottom),
                  std::min(d.right, clip.right)};
    if (IsEmpty(write))
        return false;
    Rect stepped = d;
    if (write.top > d.top)
        stepped.top = static_cast<int16_t>(d.top + OntoWholeSourceStep(write.top - d.top, sh, dh));
    if (write.bottom < d.bottom)
        stepped.bottom = static_cast<int16_t>(d.bottom - OntoWholeSourceStep(d.bottom - write.bottom, sh, dh));
    if (write.left > d.left)
        stepped.left = static_cast<int16_t>(d.left + OntoWholeSourceStep(write.left - d.left, sw, dw));
    if (write.right < d.right)
        stepped.right = static_cast<int16_t>(d.right - OntoWholeSourceStep(d.right - write.right, sw, dw));
    // The source follows the destination's cut edges in proportion.
    srcRect->top = static_cast<int16_t>(s.top + (stepped.top - d.top) * sh / dh);
    srcRect->bottom = static_cast<int16_t>(s.bottom - (d.bottom - stepped.bottom) * sh / dh);
    srcRect->left = static_cast<int16_t>(s.left + (stepped.left - d.left) * sw / dw);
    srcRect->right = static_cast<int16_t>(s.right - (d.right - stepped.right) * sw / dw);
    *dstRect = stepped;
    *writeRect = write;
    return !IsEmpty(*srcRect);
}

// The arithmetic of the port coordinate transform on one PortXform: points, rectangles and extents,
// forward (port to device) and reverse. Self-contained so that the transform's users and its checks
// share one definition.
#pragma once

#include <windows.h>
#include <algorithm>
#include <cstdint>

#include "port_records.h"

namespace xform {

inline int16_t Clamp16(int32_t value) { return static_cast<int16_t>(std::clamp<int32_t>(value, -32768, 32767)); }

// Rotation or mirroring is active when a quarter turn is set or any of the low 11 mirror bits is.
inline bool RotationActive(const PortXform &x) { return x.rotation != 0 || (x.mirror & 0x07FF) != 0; }

// MulDiv as Windows does it, rounded to nearest, -1 on a zero divisor.
inline int32_t ScaleBy(int32_t value, int32_t num, int32_t den) { return MulDiv(value, num, den); }

// Mirroring: bit 0 mirrors horizontally; only without it does bit 1 mirror vertically.
inline void Mirror(const PortXform &x, int32_t &dx, int32_t &dy)
{
    if (x.mirror & 1)
        dx = -dx;
    else if (x.mirror & 2)
        dy = -dy;
}

// Rotates by the quarter turn, then mirrors, about srcOrigin + pivot.
inline void RotatePoint(const PortXform &x, int32_t &h, int32_t &v)
{
    int32_t ch = x.srcOrigin.h + x.pivot.h, cv = x.srcOrigin.v + x.pivot.v;
    int32_t dx = h - ch, dy = v - cv, t;
    switch (x.rotation) {
    case 90: t = dx; dx = -dy; dy = t; break;
    case 180: dx = -dx; dy = -dy; break;
    case 270: t = dx; dx = dy; dy = -t; break;
    default: break;
    }
    Mirror(x, dx, dy);
    h = dx + ch;
    v = dy + cv;
}

// The exact inverse of RotatePoint: the mirror is undone first (it was applied last), then the turn.
inline void UnrotatePoint(const PortXform &x, int32_t &h, int32_t &v)
{
    int32_t ch = x.srcOrigin.h + x.pivot.h, cv = x.srcOrigin.v + x.pivot.v;
    int32_t dx = h - ch, dy = v - cv, t;
    Mirror(x, dx, dy);
    switch (x.rotation) {
    case 90: t = dx; dx = dy; dy = -t; break;
    case 180: dx = -dx; dy = -dy; break;
    case 270: t = dx; dx = -dy; dy = t; break;
    default: break;
    }
    h = dx + ch;
    v = dy + cv;
}

// Scaling (not clamped) or offsetting (clamped to 16 bits) of one coordinate pair.
inline void ForwardMap(const PortXform &x, int32_t &h, int32_t &v)
{
    if (x.scaleActive) {
        h = ScaleBy(h - x.srcOrigin.h, x.dstExtent.h, x.srcExtent.h) + x.dstOrigin.h;
        v = ScaleBy(v - x.srcOrigin.v, x.dstExtent.v, x.srcExtent.v) + x.dstOrigin.v;
    } else if (x.offsetActive) {
        h = Clamp16(h + (x.dstOrigin.h - x.srcOrigin.h));
        v = Clamp16(v + (x.dstOrigin.v - x.srcOrigin.v));
    }
}

inline void ReverseMap(const PortXform &x, int32_t &h, int32_t &v)
{
    if (x.scaleActive) {
        h = ScaleBy(h - x.dstOrigin.h, x.srcExtent.h, x.dstExtent.h) + x.srcOrigin.h;
        v = ScaleBy(v - x.dstOrigin.v, x.srcExtent.v, x.dstExtent.v) + x.srcOrigin.v;
    } else if (x.offsetActive) {
        h = Clamp16(h - (x.dstOrigin.h - x.srcOrigin.h));
        v = Clamp16(v - (x.dstOrigin.v - x.srcOrigin.v));
    }
}

// Port point to device point.
inline void Forward(const PortXform &x, int16_t &h, int16_t &v)
{
    int32_t ph = h, pv = v;
    if (RotationActive(x))
        RotatePoint(x, ph, pv);
    ForwardMap(x, ph, pv);
    h = static_cast<int16_t>(ph);
    v = static_cast<int16_t>(pv);
}

// Device point to port point: unscale or un-offset, then undo the turn and mirror.
inline void Reverse(const PortXform &x, int16_t &h, int16_t &v)
{
    int32_t ph = h, pv = v;
    ReverseMap(x, ph, pv);
    if (RotationActive(x))
        UnrotatePoint(x, ph, pv);
    h = static_cast<int16_t>(ph);
    v = static_cast<int16_t>(pv);
}

inline void Normalise(int32_t &left, int32_t &top, int32_t &right, int32_t &bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

// Forward transform of a rectangle's edges: turned corners normalised, then scaled (a non-empty
// rectangle stays at least one unit wide and high) or offset with clamping.
inline void ForwardRect(const PortXform &x, int32_t &left, int32_t &top, int32_t &right, int32_t &bottom)
{
    if (RotationActive(x)) {
        RotatePoint(x, left, top);
        RotatePoint(x, right, bottom);
        Normalise(left, top, right, bottom);
    }
    bool wide = right != left, high = bottom != top;
    ForwardMap(x, left, top);
    ForwardMap(x, right, bottom);
    if (x.scaleActive) {
        if (right == left && wide)
            right = left + 1;
        if (bottom == top && high)
            bottom = top + 1;
    }
}

inline void ReverseRect(const PortXform &x, int32_t &left, int32_t &top, int32_t &right, int32_t &bottom)
{
    ReverseMap(x, left, top);
    ReverseMap(x, right, bottom);
    if (RotationActive(x)) {
        UnrotatePoint(x, left, top);
        UnrotatePoint(x, right, bottom);
    }
    Normalise(left, top, right, bottom);
}

inline void ForwardWinRect(const PortXform &x, RECT &r)
{
    int32_t left = r.left, top = r.top, right = r.right, bottom = r.bottom;
    ForwardRect(x, left, top, right, bottom);
    r = RECT{left, top, right, bottom};
}

inline void ReverseWinRect(const PortXform &x, RECT &r)
{
    int32_t left = r.left, top = r.top, right = r.right, bottom = r.bottom;
    ReverseRect(x, left, top, right, bottom);
    r = RECT{left, top, right, bottom};
}

inline void ForwardMacRect(const PortXform &x, Rect &r)
{
    int32_t left = r.left, top = r.top, right = r.right, bottom = r.bottom;
    ForwardRect(x, left, top, right, bottom);
    r = Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
             static_cast<int16_t>(right)};
}

// Widths and heights: each non-zero component scaled by the extents.
inline void ForwardExtent(const PortXform &x, int16_t &w, int16_t &h)
{
    if (w)
        w = static_cast<int16_t>(ScaleBy(w, x.dstExtent.h, x.srcExtent.h));
    if (h)
        h = static_cast<int16_t>(ScaleBy(h, x.dstExtent.v, x.srcExtent.v));
}

inline void ReverseExtent(const PortXform &x, int16_t &w, int16_t &h)
{
    if (w)
        w = static_cast<int16_t>(ScaleBy(w, x.srcExtent.h, x.dstExtent.h));
    if (h)
        h = static_cast<int16_t>(ScaleBy(h, x.srcExtent.v, x.dstExtent.v));
}

// The printer page transform: the print record's page rectangle onto the printer's device page. An
// empty rectangle on either side has no extent to scale by (every point would go to MulDiv's -1): the
// transform is then left as it stands and the result is false.
inline bool SetPageMapping(PortXform &x, const Rect &page, const Rect &device)
{
    if (page.right <= page.left || page.bottom <= page.top || device.right <= device.left ||
        device.bottom <= device.top)
        return false;
    x.srcOrigin = XformPair{page.left, page.top};
    x.srcExtent = XformPair{static_cast<int16_t>(page.right - page.left), static_cast<int16_t>(page.bottom - page.top)};
    x.dstOrigin = XformPair{device.left, device.top};
    x.dstExtent =
        XformPair{static_cast<int16_t>(device.right - device.left), static_cast<int16_t>(device.bottom - device.top)};
    x.pivot = XformPair{0, 0};
    x.rotation = 0;
    x.mirror = 0;
    x.scaleActive = (x.srcExtent.h != x.dstExtent.h || x.srcExtent.v != x.dstExtent.v) ? 1 : 0;
    x.offsetActive = (x.scaleActive || x.srcOrigin.h || x.srcOrigin.v || x.dstOrigin.h || x.dstOrigin.v) ? 1 : 0;
    return true;
}

} // namespace xform

// QuickDraw utility calls: point and rectangle arithmetic and mapping, port geometry, the random
// number generator, hex strings, graphics-device procedure lists and attributes, and the fixed-result
// colour and cursor calls.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ColorPicker.h"
#include "qd_services.h"
#include "../core/core_services.h"

namespace {

int16_t Clamp16(int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767)); }

// One coordinate mapped from [srcLo, srcHi) onto [dstLo, dstHi), rounded half away from zero.
int16_t MapCoordinate(int16_t c, int16_t srcLo, int16_t srcHi, int16_t dstLo, int16_t dstHi)
{
    const int64_t sw = int64_t(srcHi) - srcLo, dw = int64_t(dstHi) - dstLo;
    if (sw == 0)
        return dw == 0 ? dstLo : 0;
    // (c - srcLo) * dw / sw + dstLo as one fraction over a positive denominator.
    int64_t num = (int64_t(c) - srcLo) * dw + int64_t(dstLo) * sw, den = sw;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const int64_t magnitude = ((num < 0 ? -num : num) * 2 + den) / (2 * den);
    return Clamp16(num < 0 ? -magnitude : magnitude);
}

int HexDigit(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

// The current GDevice, or 0 when there is none.
GDHandle CurrentDevice()
{
    GDHandle gd = GetGDevice();
    return HandleHasData(gd) ? gd : nullptr;
}

} // namespace

int16_t QuickDrawRandom()
{
    // Park and Miller's minimal standard generator, by Schrage's method so nothing overflows, on the
    // QuickDraw global randSeed (0x01234567 at load).
    int32_t &randSeed = LowMem<int32_t>(lmRandSeed);
    int32_t seed = 16807 * (randSeed % 127773) - 2836 * (randSeed / 127773);
    if (seed <= 0)
        seed += 0x7FFFFFFF;
    randSeed = seed;
    return static_cast<int16_t>((seed >> 14) & 0xFFFF);
}

ZEL_EXTERN_C int16_t ZEL_CALL Random(void) { return QuickDrawRandom(); }

// ---- Points ----

ZEL_EXTERN_C void ZEL_CALL AddPt(Point src, Point *dst)
{
    if (!dst)
        return;
    dst->h = static_cast<int16_t>(dst->h + src.h);
    dst->v = static_cast<int16_t>(dst->v + src.v);
}

ZEL_EXTERN_C void ZEL_CALL SubPt(Point src, Point *dst)
{
    if (!dst)
        return;
    dst->h = static_cast<int16_t>(dst->h - src.h);
    dst->v = static_cast<int16_t>(dst->v - src.v);
}

ZEL_EXTERN_C void ZEL_CALL SetPt(Point *pt, int16_t h, int16_t v)
{
    if (pt) {
        pt->h = h;
        pt->v = v;
    }
}

ZEL_EXTERN_C Boolean ZEL_CALL EqualPt(Point a, Point b) { return a.h == b.h && a.v == b.v; }

// ---- Rectangles ----

ZEL_EXTERN_C void ZEL_CALL SetRec(Rect *r, int16_t left, int16_t top, int16_t right, int16_t bottom)
{
    if (r)
        *r = Rect{top, left, bottom, right};
}

ZEL_EXTERN_C void ZEL_CALL OffsetRec(Rect *r, int16_t dh, int16_t dv)
{
    if (!r)
        return;
    r->left = static_cast<int16_t>(r->left + dh);
    r->right = static_cast<int16_t>(r->right + dh);
    r->top = static_cast<int16_t>(r->top + dv);
    r->bottom = static_cast<int16_t>(r->bottom + dv);
}

ZEL_EXTERN_C void ZEL_CALL InsetRec(Rect *r, int16_t dh, int16_t dv)
{
    if (!r)
        return;
    r->left = static_cast<int16_t>(r->left + dh);
    r->right = static_cast<int16_t>(r->right - dh);
    r->top = static_cast<int16_t>(r->top + dv);
    r->bottom = static_cast<int16_t>(r->bottom - dv);
}

ZEL_EXTERN_C Boolean ZEL_CALL SectRect(const Rect *a, const Rect *b, Rect *dst)
{
    if (!a || !b || !dst)
        return false;
    const Rect s{std::max(a->top, b->top), std::max(a->left, b->left), std::min(a->bottom, b->bottom),
                 std::min(a->right, b->right)};
    if (s.bottom <= s.top || s.right <= s.left) {
        *dst = Rect{0, 0, 0, 0};
        return false;
    }
    *dst = s;
    return true;
}

ZEL_EXTERN_C void ZEL_CALL UnionRec(const Rect *a, const Rect *b, Rect *dst)
{
    if (!a || !b || !dst)
        return;
    *dst = Rect{std::min(a->top, b->top), std::min(a->left, b->left), std::max(a->bottom, b->bottom),
                std::max(a->right, b->right)};
}

ZEL_EXTERN_C Boolean ZEL_CALL EqualRec(const Rect *a, const Rect *b)
{
    return a && b && std::memcmp(a, b, sizeof(Rect)) == 0;
}

ZEL_EXTERN_C Boolean ZEL_CALL EmptyRect(const Rect *r) { return !r || r->bottom <= r->top || r->right <= r->left; }

ZEL_EXTERN_C Boolean ZEL_CALL PtInRec(Point pt, const Rect *r)
{
    return r && pt.h >= r->left && pt.h < r->right && pt.v >= r->top && pt.v < r->bottom;
}

ZEL_EXTERN_C void ZEL_CALL Pt2Rect(Point a, Point b, Rect *dst)
{
    if (dst)
        *dst = Rect{std::min(a.v, b.v), std::min(a.h, b.h), std::max(a.v, b.v), std::max(a.h, b.h)};
}

// ---- Mapping ----

ZEL_EXTERN_C void ZEL_CALL MapPt(Point *pt, const Rect *src, const Rect *dst)
{
    if (!pt || !src || !dst)
        return;
    pt->h = MapCoordinate(pt->h, src->left, src->right, dst->left, dst->right);
    pt->v = MapCoordinate(pt->v, src->top, src->bottom, dst->top, dst->bottom);
}

ZEL_EXTERN_C void ZEL_CALL MapRect(Rect *r, const Rect *src, const Rect *dst)
{
    if (!r)
        return;
    Point topLeft{r->top, r->left}, bottomRight{r->bottom, r->right};
    MapPt(&topLeft, src, dst);
    MapPt(&bottomRight, src, dst);
    *r = Rect{topLeft.v, topLeft.h, bottomRight.v, bottomRight.h};
}

ZEL_EXTERN_C void ZEL_CALL MapPoly(PolyHandle poly, const Rect *src, const Rect *dst)
{
    if (!HandleHasData(poly) || !src || !dst)
        return;
    struct Polygon &p = **poly;
    const Size bytes = GetHandleSize(reinterpret_cast<Handle>(poly));
    // The point count comes from polySize, bounded by what the handle really holds.
    int count = (std::min<int32_t>(static_cast<uint16_t>(p.polySize), bytes) - 10) / 4;
    for (int i = count - 1; i >= 0; --i)
        MapPt(&p.polyPoints[i], src, dst);
    MapRect(&p.polyBBox, src, dst);
}

ZEL_EXTERN_C void ZEL_CALL ScalePt(Point *pt, const Rect *src, const Rect *dst)
{
    if (!pt || !src || !dst)
        return;
    pt->h = static_cast<int16_t>(MulDiv(pt->h, dst->right - dst->left, src->right - src->left));
    pt->v = static_cast<int16_t>(MulDiv(pt->v, dst->bottom - dst->top, src->bottom - src->top));
}

ZEL_EXTERN_C void ZEL_CALL PtToAngle(const Rect *r, Point pt, int16_t *angle)
{
    if (!r || !angle)
        return;
    const double cx = (r->left + r->right) / 2.0, cy = (r->top + r->bottom) / 2.0;
    if (std::fabs(pt.h - cx) < 0.25) {
        *angle = pt.v < cy ? 0 : 180;
        return;
    }
    if (std::fabs(pt.v - cy) < 0.25) {
        *angle = pt.h < cx ? 270 : 90;
        return;
    }
    // Mirrored about the centre so that up is positive, then onto a square of 1000 around the origin.
    Point p{static_cast<int16_t>(r->top + r->bottom - pt.v), pt.h};
    const Rect square{-500, -500, 500, 500};
    MapPt(&p, r, &square);
    // Rounded to the nearest degree (floor, so negative angles round the same way as positive ones).
    int degrees = 90 - static_cast<int>(std::floor(std::atan2(double(p.v), double(p.h)) * (180.0 / 3.14159265358979323846) + 0.5));
    while (degrees < 0)
        degrees += 360;
    *angle = static_cast<int16_t>(degrees);
}

// ---- Port geometry ----

ZEL_EXTERN_C void ZEL_CALL PortSize(int16_t width, int16_t height)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    port->portRect.bottom = static_cast<int16_t>(port->portRect.top + height);
    port->portRect.right = static_cast<int16_t>(port->portRect.left + width);
}

ZEL_EXTERN_C void ZEL_CALL MovePortTo(int16_t left, int16_t top)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    Rect &r = port->portRect;
    r.right = static_cast<int16_t>(left + (r.right - r.left));
    r.bottom = static_cast<int16_t>(top + (r.bottom - r.top));
    r.left = left;
    r.top = top;
}

// ---- Hex strings and results ----

ZEL_EXTERN_C void ZEL_CALL StuffHex(Ptr thingPtr, ConstStr255Param s)
{
    if (!thingPtr || !s)
        return;
    auto *out = reinterpret_cast<uint8_t *>(thingPtr);
    for (int i = 0; i < s[0]; ++i) {
        const int nibble = HexDigit(s[1 + i]);
        if (i % 2 == 0)
            out[i / 2] = static_cast<uint8_t>(nibble << 4);
        else
            out[i / 2] = static_cast<uint8_t>(out[i / 2] | nibble);
    }
}

ZEL_EXTERN_C int16_t ZEL_CALL QDError(void) { return 0; }

// The complementary colour: the hue turned half way round the colour wheel, saturation and value kept.
ZEL_EXTERN_C void ZEL_CALL InvertColor(RGBColor *color)
{
    if (!color)
        return;
    HSVColor hsv{};
    RGB2HSV(color, &hsv);
    hsv.hue = static_cast<uint16_t>((hsv.hue >> 8) > 127 ? hsv.hue - 32767 : hsv.hue + 32767);
    HSV2RGB(&hsv, color);
}

ZEL_STUB(Boolean, RealColor, false, (const RGBColor *))
ZEL_STUB_VOID(AllocCursor, (void))

// ---- Graphics-device procedure lists, attributes and the device loop ----

ZEL_EXTERN_C void ZEL_CALL AddSearch(ProcPtr searchProc)
{
    GDHandle gd = CurrentDevice();
    if (!gd)
        return;
    Handle entry = NewHandle(8);
    if (!entry)
        return;
    auto *words = reinterpret_cast<uint32_t *>(*entry);
    words[0] = (*gd)->gdSearchProc;
    words[1] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(searchProc));
    (*gd)->gdSearchProc = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(entry));
}

ZEL_EXTERN_C void ZEL_CALL DelSearch(ProcPtr searchProc)
{
    GDHandle gd = CurrentDevice();
    if (!gd)
        return;
    const uint32_t proc = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(searchProc));
    uint32_t *link = &(*gd)->gdSearchProc;
    for (int guard = 0; *link && guard < 0x10000; ++guard) {
        Handle entry = reinterpret_cast<Handle>(static_cast<uintptr_t>(*link));
        if (!HandleHasData(entry))
            return;
        auto *words = reinterpret_cast<uint32_t *>(*entry);
        if (words[1] == proc) {
            *link = words[0];
            DisposeHandle(entry);
            return;
        }
        link = words;
    }
}

ZEL_EXTERN_C void ZEL_CALL SetDeviceAttribute(GDHandle gd, int16_t attribute, Boolean value)
{
    if (!HandleHasData(gd))
        return;
    const uint32_t bit = 1u << (attribute & 31);
    const uint32_t flags = static_cast<uint16_t>((*gd)->gdFlags);
    (*gd)->gdFlags = static_cast<int16_t>(value ? flags | bit : flags & ~bit);
}

ZEL_EXTERN_C Boolean ZEL_CALL TestDeviceAttribute(GDHandle gd, int16_t attribute)
{
    return HandleHasData(gd) && ((static_cast<uint16_t>((*gd)->gdFlags) >> (attribute & 31)) & 1) != 0;
}

ZEL_EXTERN_C void ZEL_CALL DeviceLoop(RgnHandle, DeviceLoopDrawingProcPtr drawingProc, int32_t userData, int32_t)
{
    GDHandle gd = CurrentDevice();
    if (!drawingProc || !gd)
        return;
    PixMapHandle pm = (*gd)->gdPMap;
    const int16_t depth = HandleHasData(pm) ? (*pm)->pixelSize : 0;
    drawingProc(depth, (*gd)->gdFlags, gd, userData);
}

// ---- Text scratch buffers ----
// A byte buffer of n bytes and a long buffer of n 32-bit entries, shared with the text code; their
// common capacity is 0 until InitGraf grows them.
namespace {
Ptr sTextBytes;
Ptr sTextLongs;
int32_t sTextCapacity;
} // namespace

bool GrowTextBuffers(int32_t n)
{
    if (n <= sTextCapacity)
        return true;
    // Both new buffers first: when either cannot be had, the old ones and their capacity stay.
    Ptr bytes = NewPtr(n);
    Ptr longs = bytes && n <= 0x1FFFFFFF ? NewPtr(n * 4) : nullptr;
    if (!bytes || !longs) {
        if (bytes)
            DisposePtr(bytes);
        return false;
    }
    FreeTextBuffers();
    sTextBytes = bytes;
    sTextLongs = longs;
    sTextCapacity = n;
    return true;
}

void FreeTextBuffers()
{
    if (sTextBytes)
        DisposePtr(sTextBytes);
    if (sTextLongs)
        DisposePtr(sTextLongs);
    sTextBytes = sTextLongs = nullptr;
    sTextCapacity = 0;
}

Ptr TextByteBuffer() { return sTextBytes; }
int32_t *TextLongBuffer() { return reinterpret_cast<int32_t *>(sTextLongs); }
int32_t TextBufferCapacity() { return sTextCapacity; }

ZEL_EXTERN_C int32_t ZEL_CALL TextScratchBuffers(int32_t grow, Ptr *bytes, Ptr *longs)
{
    if (grow > 0)
        GrowTextBuffers(grow);
    if (bytes)
        *bytes = sTextBytes;
    if (longs)
        *longs = sTextLongs;
    return sTextCapacity;
}

// Regions: the published header (rgnSize, rgnBBox) followed by a form word. Behind the header stands
// one of three forms: the rectangle form (exactly the box, marked by the rectangle sentinel), the GDI
// form (a Windows region owned by the record) and the one-bit-mask form (the mask sentinel and a mask
// DIB, see imaging/mask_regions.cpp). Set operations run through CombineRgn; results that are plain
// rectangles collapse back to the rectangle form, so clip and visible regions cost no GDI objects. Two
// rectangles are combined on their boxes wherever the result is empty or one rectangle, and
// rectangle-form operands lend their box to a scratch GDI region rather than take a region of their own.
#include "quickdraw.h"
#include "../imaging/imaging_services.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <vector>

namespace {

// Empty GDI regions whose handles serve only as marks, and a region for temporary rectangles.
HRGN sRectRgnSentinel;
HRGN sMaskRgnSentinel;
HRGN sScratchRgn;
RgnHandle sScratchRegion;

// Two GDI regions that stand in for rectangle-form operands of a combine (first and second operand),
// each with the box it holds: an operand used again costs no GDI call, and the operand itself stays in
// the rectangle form.
struct OperandScratch {
    HRGN rgn;
    Rect box;
    bool holdsBox;
};
OperandScratch sOperandScratch[2];

constexpr int16_t kRectFormSize = 10;
constexpr int16_t kMaskFormSize = kMaskFormRgnSize;
constexpr Size kRectRecordBytes = sizeof(Region);
constexpr Size kMaskRecordBytes = sizeof(MaskRegionRecord);

enum class RgnForm { rect, gdi, mask };

Region &RegionOf(RgnHandle rgn) { return **rgn; }

uint32_t FormWord(HRGN h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }
HRGN FormHandle(const Region &r) { return reinterpret_cast<HRGN>(static_cast<uintptr_t>(r.rgnForm)); }

RgnForm FormOf(const Region &r)
{
    if (r.rgnSize == kMaskFormSize)
        return RgnForm::mask;
    HRGN h = FormHandle(r);
    if (!h || h == sRectRgnSentinel || h == sMaskRgnSentinel)
        return RgnForm::rect;
    return RgnForm::gdi;
}

bool BoxEmpty(const Rect &r) { return r.top >= r.bottom || r.left >= r.right; }
bool BoxAllZero(const Rect &r) { return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0; }

// The box of a GDI region, as a Macintosh rectangle.
Rect GdiBox(HRGN h)
{
    RECT box{0, 0, 0, 0};
    GetRgnBox(h, &box);
    return Rect{static_cast<int16_t>(box.top), static_cast<int16_t>(box.left), static_cast<int16_t>(box.bottom),
                static_cast<int16_t>(box.right)};
}

void RefreshBox(RgnHandle rgn)
{
    Region &r = RegionOf(rgn);
    if (FormOf(r) == RgnForm::gdi)
        r.rgnBBox = GdiBox(FormHandle(r));
}

void SetBox(RgnHandle rgn, const Rect &box)
{
    ZEL_RgnSetToFakeRectRgn(rgn);
    RegionOf(rgn).rgnBBox = box;
}

// The intersection of two boxes; (0,0,0,0) when they do not meet.
Rect SectBoxes(const Rect &a, const Rect &b)
{
    Rect r{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom), std::min(a.right, b.right)};
    if (BoxEmpty(r))
        r = Rect{0, 0, 0, 0};
    return r;
}

// The scratch GDI region set to a box.
HRGN ScratchOf(const Rect &box)
{
    SetRectRgn(sScratchRgn, box.left, box.top, box.right, box.bottom);
    return sScratchRgn;
}

bool SameBox(const Rect &a, const Rect &b)
{
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// The GDI region standing in for a rectangle-form operand in `slot`; nil when GDI has none to give.
HRGN OperandScratchOf(int slot, const Rect &box)
{
    OperandScratch &s = sOperandScratch[slot];
    if (!s.rgn) {
        s.rgn = CreateRectRgn(0, 0, 0, 0);
        s.holdsBox = false;
    }
    if (s.rgn && !(s.holdsBox && SameBox(s.box, box))) {
        s.holdsBox = SetRectRgn(s.rgn, box.left, box.top, box.right, box.bottom) != 0;
        s.box = box;
    }
    return s.holdsBox ? s.rgn : nullptr;
}

// ---- Set operations on two rectangles, worked out on their boxes ----
//
// For boxes whose sides are in order (top <= bottom, left <= right) the result of a union, difference
// or exclusive-or of two rectangles follows from the boxes alone: the region type CombineRgn reports
// for it and the box GDI gives the result. Empty and rectangular results then need no GDI region at
// all, and a complex result needs no question to GDI about its box.

struct BoxOutcome {
    int type; // NULLREGION, SIMPLEREGION or COMPLEXREGION
    Rect box;
};

constexpr BoxOutcome kNoPixels{NULLREGION, Rect{0, 0, 0, 0}};

bool BoxOrdered(const Rect &r) { return r.top <= r.bottom && r.left <= r.right; }

BoxOutcome OneRectangle(const Rect &r) { return BoxOutcome{SIMPLEREGION, r}; }

// Both boxes non-empty: `outer` covers every pixel of `inner`.
bool BoxContains(const Rect &outer, const Rect &inner)
{
    return outer.top <= inner.top && outer.left <= inner.left && outer.bottom >= inner.bottom &&
           outer.right >= inner.right;
}

Rect BoundingBox(const Rect &a, const Rect &b)
{
    return Rect{std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
                std::max(a.right, b.right)};
}

BoxOutcome UnionOfBoxes(const Rect &a, const Rect &b)
{
    if (BoxEmpty(a))
        return BoxEmpty(b) ? kNoPixels : OneRectangle(b);
    if (BoxEmpty(b) || BoxContains(a, b))
        return OneRectangle(a);
    if (BoxContains(b, a))
        return OneRectangle(b);
    // Side by side on the same rows, or one above the other on the same columns, meeting or
    // overlapping: one rectangle again.
    const bool sameRows = a.top == b.top && a.bottom == b.bottom && a.left <= b.right && b.left <= a.right;
    const bool sameColumns = a.left == b.left && a.right == b.right && a.top <= b.bottom && b.top <= a.bottom;
    const Rect box = BoundingBox(a, b);
    return sameRows || sameColumns ? OneRectangle(box) : BoxOutcome{COMPLEXREGION, box};
}

BoxOutcome DiffOfBoxes(const Rect &a, const Rect &b)
{
    if (BoxEmpty(a))
        return kNoPixels;
    const Rect common = SectBoxes(a, b);
    if (BoxEmpty(common))
        return OneRectangle(a);
    if (SameBox(common, a))
        return kNoPixels;
    // A band across the whole of `a` taken from one of its sides leaves one rectangle. Any other cut
    // leaves pixels on every row and every column of `a`, or on both sides of a band: `a`'s box.
    if (common.left == a.left && common.right == a.right) {
        if (common.top == a.top)
            return OneRectangle(Rect{common.bottom, a.left, a.bottom, a.right});
        if (common.bottom == a.bottom)
            return OneRectangle(Rect{a.top, a.left, common.top, a.right});
    } else if (common.top == a.top && common.bottom == a.bottom) {
        if (common.left == a.left)
            return OneRectangle(Rect{a.top, common.right, a.bottom, a.right});
        if (common.right == a.right)
            return OneRectangle(Rect{a.top, a.left, a.bottom, common.left});
    }
    return BoxOutcome{COMPLEXREGION, a};
}

BoxOutcome XorOfBoxes(const Rect &a, const Rect &b)
{
    if (BoxEmpty(a))
        return BoxEmpty(b) ? kNoPixels : OneRectangle(b);
    if (BoxEmpty(b))
        return OneRectangle(a);
    if (BoxEmpty(SectBoxes(a, b)))
        return UnionOfBoxes(a, b);
    if (BoxContains(a, b))
        return DiffOfBoxes(a, b);
    if (BoxContains(b, a))
        return DiffOfBoxes(b, a);
    // Overlapping, neither inside the other: every side of the bounding box keeps pixels of one of
    // them, and the common part is a hole or notch, so the result is never one rectangle.
    return BoxOutcome{COMPLEXREGION, BoundingBox(a, b)};
}

BoxOutcome BoxesCombined(const Rect &a, const Rect &b, int mode)
{
    switch (mode) {
    case RGN_OR: return UnionOfBoxes(a, b);
    case RGN_DIFF: return DiffOfBoxes(a, b);
    case RGN_XOR: return XorOfBoxes(a, b);
    default: return BoxOutcome{ERROR, Rect{0, 0, 0, 0}};
    }
}

// Rescales a region so that its box becomes `box`: the shape keeps its proportions within its own box
// (never about the coordinate origin). An empty target leaves the region empty.
void ScaleRegionToBox(RgnHandle rgn, const Rect &box)
{
    Region &r = RegionOf(rgn);
    if (BoxEmpty(box)) {
        SetEmptyRgn(rgn);
        return;
    }
    if (FormOf(r) != RgnForm::gdi) {
        // A mask is stretched over whatever box it has.
        r.rgnBBox = box;
        return;
    }
    const Rect old = r.rgnBBox;
    HRGN h = FormHandle(r);
    const int oldW = old.right - old.left, oldH = old.bottom - old.top;
    DWORD bytes = oldW > 0 && oldH > 0 ? GetRegionData(h, 0, nullptr) : 0;
    std::vector<char> data(bytes);
    HRGN scaled = nullptr;
    if (bytes && GetRegionData(h, bytes, reinterpret_cast<RGNDATA *>(data.data())) == bytes) {
        XFORM x{};
        x.eM11 = static_cast<FLOAT>(box.right - box.left) / static_cast<FLOAT>(oldW);
        x.eM22 = static_cast<FLOAT>(box.bottom - box.top) / static_cast<FLOAT>(oldH);
        x.eDx = static_cast<FLOAT>(box.left) - static_cast<FLOAT>(old.left) * x.eM11;
        x.eDy = static_cast<FLOAT>(box.top) - static_cast<FLOAT>(old.top) * x.eM22;
        scaled = ExtCreateRegion(&x, bytes, reinterpret_cast<const RGNDATA *>(data.data()));
    }
    if (!scaled) {
        // Without the scaled shape the region becomes the target rectangle.
        SetBox(rgn, box);
        return;
    }
    CombineRgn(h, scaled, nullptr, RGN_COPY);
    DeleteObject(scaled);
    RefreshBox(rgn);
    ZEL_IsRectRgn(rgn);
}

// Adds with the 16-bit wrap of the Macintosh coordinate plane.
int16_t Wrap16(int v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

void RgnCombine(RgnHandle a, RgnHandle b, RgnHandle dst, int mode)
{
    if (!HandleHasData(a) || !HandleHasData(b) || !HandleHasData(dst))
        return;
    const RgnForm fa = FormOf(RegionOf(a)), fb = FormOf(RegionOf(b));
    if (mode == RGN_AND && fa == RgnForm::rect && fb == RgnForm::rect) {
        SetBox(dst, SectBoxes(RegionOf(a).rgnBBox, RegionOf(b).rgnBBox));
        return;
    }
    if (fa != RgnForm::mask && fb != RgnForm::mask) {
        if (FormOf(RegionOf(dst)) == RgnForm::mask)
            ZEL_RgnSetToFakeRectRgn(dst);
        // The operands' boxes before dst (which may be either operand) changes.
        const Rect boxA = RegionOf(a).rgnBBox, boxB = RegionOf(b).rgnBBox;
        BoxOutcome known{ERROR, Rect{0, 0, 0, 0}};
        if (fa == RgnForm::rect && fb == RgnForm::rect && BoxOrdered(boxA) && BoxOrdered(boxB)) {
            known = BoxesCombined(boxA, boxB, mode);
            if (known.type == NULLREGION || known.type == SIMPLEREGION) {
                SetBox(dst, known.box);
                return;
            }
        }
        HRGN ha = fa == RgnForm::rect ? OperandScratchOf(0, boxA) : FormHandle(RegionOf(a));
        HRGN hb = fb == RgnForm::rect ? OperandScratchOf(1, boxB) : FormHandle(RegionOf(b));
        HRGN hd = ZEL_RgnSetToRealRectRgn(dst);
        if (!ha || !hb || !hd)
            return;
        // CombineRgn's answer already says whether the result is empty or one rectangle: those
        // collapse to the rectangle form of the result's box without comparing regions.
        const int type = CombineRgn(hd, ha, hb, mode);
        if (type == COMPLEXREGION && known.type == COMPLEXREGION) {
            RegionOf(dst).rgnBBox = known.box;
            return;
        }
        if (type == NULLREGION || type == SIMPLEREGION) {
            SetBox(dst, type == NULLREGION ? Rect{0, 0, 0, 0} : GdiBox(hd));
            return;
        }
        RefreshBox(dst);
        if (type == ERROR)
            ZEL_IsRectRgn(dst);
        return;
    }
    const Rect boxA = RegionOf(a).rgnBBox, boxB = RegionOf(b).rgnBBox;
    if (BoxAllZero(boxA)) {
        if (mode == RGN_AND || mode == RGN_DIFF)
            SetBox(dst, boxA);
        else
            CopyRg(b, dst);
    } else if (BoxAllZero(boxB)) {
        if (mode == RGN_AND)
            SetBox(dst, boxB);
        else
            CopyRg(a, dst);
    } else {
        CombineMaskRgns(a, b, dst, static_cast<int16_t>(mode));
    }
}

} // namespace

HRGN RectRgnSentinel() { return sRectRgnSentinel; }
HRGN MaskRgnSentinel() { return sMaskRgnSentinel; }

void InitRegionGlobals()
{
    FreeRegionGlobals();
    sRectRgnSentinel = CreateRectRgn(0, 0, 0, 0);
    sScratchRgn = CreateRectRgn(0, 0, 0, 0);
    sMaskRgnSentinel = CreateRectRgn(0, 0, 0, 0);
    sScratchRegion = NewRgn();
}

void FreeRegionGlobals()
{
    if (sScratchRegion)
        DisposeRgn(sScratchRegion);
    sScratchRegion = nullptr;
    for (HRGN *rgn : {&sRectRgnSentinel, &sScratchRgn, &sMaskRgnSentinel, &sOperandScratch[0].rgn,
                      &sOperandScratch[1].rgn}) {
        if (*rgn)
            DeleteObject(*rgn);
        *rgn = nullptr;
    }
    sOperandScratch[0].holdsBox = sOperandScratch[1].holdsBox = false;
}

RgnHandle NewFakeRectRgn(int16_t left, int16_t top, int16_t right, int16_t bottom)
{
    RgnHandle rgn = reinterpret_cast<RgnHandle>(NewHandleClear(kRectRecordBytes));
    if (!HandleHasData(rgn))
        return nullptr;
    Region &r = RegionOf(rgn);
    r.rgnSize = kRectFormSize;
    r.rgnBBox = Rect{std::max<int16_t>(top, -16383), std::max<int16_t>(left, -16383),
                     std::min<int16_t>(bottom, 16383), std::min<int16_t>(right, 16383)};
    r.rgnForm = FormWord(sRectRgnSentinel);
    return rgn;
}

void SetRectRgnClamped(RgnHandle rgn, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    auto clamp = [](int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767)); };
    SetRectRg(rgn, clamp(left), clamp(top), clamp(right), clamp(bottom));
}

void SectRgnOrBBox(RgnHandle a, RgnHandle b, RgnHandle dst)
{
    if (HandleHasData(a) && FormOf(RegionOf(a)) == RgnForm::mask) {
        RgnHandle box = NewRgn();
        if (!box)
            return;
        RectRgn(box, &RegionOf(a).rgnBBox);
        SectRgn(box, b, dst);
        DisposeRgn(box);
        return;
    }
    SectRgn(a, b, dst);
}

// ---- Host glue ----

ZEL_EXTERN_C void ZEL_CALL ZEL_RgnGetBBoxRECTFromRgn(RgnHandle rgn, RECT *out)
{
    if (!HandleHasData(rgn) || !out)
        return;
    RefreshBox(rgn);
    const Rect &b = RegionOf(rgn).rgnBBox;
    *out = RECT{b.left, b.top, b.right, b.bottom};
}

ZEL_EXTERN_C HRGN ZEL_CALL ZEL_RgnSetToRealRectRgn(RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return nullptr;
    if (FormOf(RegionOf(rgn)) == RgnForm::gdi)
        return FormHandle(RegionOf(rgn));
    ZEL_RgnSetToFakeRectRgn(rgn);
    Region &r = RegionOf(rgn);
    HRGN h = CreateRectRgn(r.rgnBBox.left, r.rgnBBox.top, r.rgnBBox.right, r.rgnBBox.bottom);
    if (h)
        r.rgnForm = FormWord(h);
    return h;
}

ZEL_EXTERN_C HRGN ZEL_CALL ZEL_RgnSetToFakeRectRgn(RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return sRectRgnSentinel;
    Region &r = RegionOf(rgn);
    if (FormOf(r) == RgnForm::gdi)
        DeleteObject(FormHandle(r));
    r.rgnForm = FormWord(sRectRgnSentinel);
    if (r.rgnSize != kRectFormSize) {
        r.rgnSize = kRectFormSize;
        if (GetHandleSize(reinterpret_cast<Handle>(rgn)) >= kMaskRecordBytes) {
            auto &m = *reinterpret_cast<MaskRegionRecord *>(*rgn);
            if (m.maskDib)
                DisposeHandle(reinterpret_cast<Handle>(static_cast<uintptr_t>(m.maskDib)));
            m.maskDib = 0;
        }
        SetHandleSize(reinterpret_cast<Handle>(rgn), kRectRecordBytes);
    }
    return sRectRgnSentinel;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_IsRectRgn(RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return false;
    Region &r = RegionOf(rgn);
    const RgnForm form = FormOf(r);
    if (form == RgnForm::rect)
        return true;
    if (BoxAllZero(r.rgnBBox)) {
        ZEL_RgnSetToFakeRectRgn(rgn);
        return true;
    }
    if (form == RgnForm::mask)
        return false;
    HRGN h = FormHandle(r);
    // An empty GDI region has an all-zero box and was caught above.
    if (EqualRgn(ScratchOf(r.rgnBBox), h)) {
        ZEL_RgnSetToFakeRectRgn(rgn);
        return true;
    }
    return false;
}

// ---- Making, copying and disposing ----

// The union of many rectangles: GDI regions of 32 rectangles each (ExtCreateRegion), joined in pairs
// level by level, so that the cost grows with the rectangles' count times its logarithm rather than
// with its square. Empty rectangles add nothing; when GDI fails part of the way, what was joined is kept.
void SetRgnToRects(RgnHandle rgn, const Rect *rects, int32_t count)
{
    if (!HandleHasData(rgn))
        return;
    constexpr int32_t kChunk = 32;
    std::vector<HRGN> level;
    std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + kChunk * sizeof(RECT));
    auto *header = reinterpret_cast<RGNDATAHEADER *>(data.data());
    auto *out = reinterpret_cast<RECT *>(data.data() + sizeof(RGNDATAHEADER));
    for (int32_t i = 0; i < count; i += kChunk) {
        DWORD n = 0;
        RECT bound{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int32_t k = i; k < std::min(count, i + kChunk); ++k) {
            const Rect &r = rects[k];
            if (BoxEmpty(r))
                continue;
            out[n++] = RECT{r.left, r.top, r.right, r.bottom};
            bound = RECT{std::min<LONG>(bound.left, r.left), std::min<LONG>(bound.top, r.top),
                         std::max<LONG>(bound.right, r.right), std::max<LONG>(bound.bottom, r.bottom)};
        }
        if (!n)
            continue;
        *header = RGNDATAHEADER{sizeof(RGNDATAHEADER), RDH_RECTANGLES, n, n * DWORD(sizeof(RECT)), bound};
        if (HRGN h = ExtCreateRegion(nullptr, DWORD(sizeof(RGNDATAHEADER) + n * sizeof(RECT)),
                                     reinterpret_cast<const RGNDATA *>(data.data())))
            level.push_back(h);
    }
    while (level.size() > 1) {
        size_t kept = 0;
        for (size_t k = 0; k < level.size(); k += 2) {
            if (k + 1 < level.size()) {
                CombineRgn(level[k], level[k], level[k + 1], RGN_OR);
                DeleteObject(level[k + 1]);
            }
            level[kept++] = level[k];
        }
        level.resize(kept);
    }
    if (level.empty()) {
        SetEmptyRgn(rgn);
        return;
    }
    HRGN hd = ZEL_RgnSetToRealRectRgn(rgn);
    const int type = hd ? CombineRgn(hd, level[0], nullptr, RGN_COPY) : ERROR;
    DeleteObject(level[0]);
    if (type == NULLREGION || type == SIMPLEREGION)
        SetBox(rgn, type == NULLREGION ? Rect{0, 0, 0, 0} : GdiBox(hd));
    else
        RefreshBox(rgn);
}

ZEL_EXTERN_C RgnHandle ZEL_CALL NewRgn(void) { return NewFakeRectRgn(0, 0, 0, 0); }

ZEL_EXTERN_C void ZEL_CALL DisposeRgn(RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return;
    ZEL_RgnSetToFakeRectRgn(rgn);
    DisposeHandle(reinterpret_cast<Handle>(rgn));
}

ZEL_EXTERN_C void ZEL_CALL SetRectRg(RgnHandle rgn, int16_t left, int16_t top, int16_t right, int16_t bottom)
{
    if (!HandleHasData(rgn))
        return;
    SetBox(rgn, Rect{top, left, bottom, right});
}

ZEL_EXTERN_C void ZEL_CALL RectRgn(RgnHandle rgn, const Rect *r)
{
    if (r)
        SetRectRg(rgn, r->left, r->top, r->right, r->bottom);
}

ZEL_EXTERN_C void ZEL_CALL SetEmptyRgn(RgnHandle rgn) { SetRectRg(rgn, 0, 0, 0, 0); }

ZEL_EXTERN_C void ZEL_CALL CopyRg(RgnHandle src, RgnHandle dst)
{
    if (src == dst || !HandleHasData(src) || !HandleHasData(dst))
        return;
    const Region s = RegionOf(src);
    switch (FormOf(s)) {
    case RgnForm::rect:
        SetBox(dst, s.rgnBBox);
        break;
    case RgnForm::gdi:
        SetBox(dst, s.rgnBBox);
        if (HRGN h = ZEL_RgnSetToRealRectRgn(dst)) {
            CombineRgn(h, FormHandle(s), nullptr, RGN_COPY);
            RefreshBox(dst);
        }
        break;
    case RgnForm::mask: {
        // The copy gets its own duplicate of the mask, or stays the rectangle of the box: two regions
        // never share one mask (disposing either would free the other's).
        SetBox(dst, s.rgnBBox);
        Handle mask = reinterpret_cast<Handle>(
            static_cast<uintptr_t>(reinterpret_cast<const MaskRegionRecord *>(*src)->maskDib));
        if (!HandleHasData(mask) || HandToHand(&mask) != 0 || !mask)
            break;
        SetRgnToMaskDib(dst, Point{s.rgnBBox.top, s.rgnBBox.left}, Point{s.rgnBBox.bottom, s.rgnBBox.right}, mask);
        break;
    }
    }
}

// ---- Arithmetic ----

ZEL_EXTERN_C void ZEL_CALL SectRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { RgnCombine(a, b, dst, RGN_AND); }
ZEL_EXTERN_C void ZEL_CALL UnionRg(RgnHandle a, RgnHandle b, RgnHandle dst) { RgnCombine(a, b, dst, RGN_OR); }
ZEL_EXTERN_C void ZEL_CALL XorRg(RgnHandle a, RgnHandle b, RgnHandle dst) { RgnCombine(a, b, dst, RGN_XOR); }
ZEL_EXTERN_C void ZEL_CALL DiffRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { RgnCombine(a, b, dst, RGN_DIFF); }

ZEL_EXTERN_C void ZEL_CALL OffsetRg(RgnHandle rgn, int16_t dh, int16_t dv)
{
    if (!HandleHasData(rgn))
        return;
    Region &r = RegionOf(rgn);
    Rect &b = r.rgnBBox;
    // Coordinates wrap within the 16-bit plane.
    int h = dh, v = dv;
    if (b.left + dh < -32768)
        h = dh + 65536;
    else if (b.right + dh >= 32768)
        h = dh - 65536;
    if (b.top + dv < -32768)
        v = dv + 65536;
    else if (b.bottom + dv >= 32768)
        v = dv - 65536;
    if (FormOf(r) == RgnForm::gdi) {
        // The box moves by the same amounts as the region: no need to ask GDI for it again.
        if (OffsetRgn(FormHandle(r), h, v) == ERROR) {
            RefreshBox(rgn);
            return;
        }
        b = Rect{static_cast<int16_t>(b.top + v), static_cast<int16_t>(b.left + h), static_cast<int16_t>(b.bottom + v),
                 static_cast<int16_t>(b.right + h)};
        return;
    }
    b = Rect{Wrap16(b.top + v), Wrap16(b.left + h), Wrap16(b.bottom + v), Wrap16(b.right + h)};
}

ZEL_EXTERN_C void ZEL_CALL InsetRg(RgnHandle rgn, int16_t dh, int16_t dv)
{
    if (!HandleHasData(rgn) || (dh == 0 && dv == 0))
        return;
    const Rect b = RegionOf(rgn).rgnBBox;
    if (BoxEmpty(b)) {
        SetEmptyRgn(rgn);
        return;
    }
    // The region is rescaled within its own box; an inset that consumes the box leaves it empty.
    const int top = b.top + dv, left = b.left + dh, bottom = b.bottom - dv, right = b.right - dh;
    if (top >= bottom || left >= right) {
        SetEmptyRgn(rgn);
        return;
    }
    ScaleRegionToBox(rgn, Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                               static_cast<int16_t>(right)});
}

ZEL_EXTERN_C void ZEL_CALL MapRgn(RgnHandle rgn, const Rect *src, const Rect *dst)
{
    if (!HandleHasData(rgn) || !src || !dst)
        return;
    const int sw = src->right - src->left, sh = src->bottom - src->top;
    if (sw == 0 || sh == 0)
        return;
    if (src->top == dst->top && src->left == dst->left && src->bottom == dst->bottom && src->right == dst->right)
        return;
    const Rect b = RegionOf(rgn).rgnBBox;
    if (BoxEmpty(b))
        return;
    const int dw = dst->right - dst->left, dh = dst->bottom - dst->top;
    auto mapH = [&](int h) { return (h - src->left) * dw / sw + dst->left; };
    auto mapV = [&](int v) { return (v - src->top) * dh / sh + dst->top; };
    // The box maps point by point; the shape is rescaled within it.
    int top = mapV(b.top), left = mapH(b.left), bottom = mapV(b.bottom), right = mapH(b.right);
    if (top > bottom)
        std::swap(top, bottom);
    if (left > right)
        std::swap(left, right);
    auto c = [](int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
    ScaleRegionToBox(rgn, Rect{c(top), c(left), c(bottom), c(right)});
}

// ---- Tests ----

ZEL_EXTERN_C Boolean ZEL_CALL PtInRgn(Point pt, RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return false;
    const Region &r = RegionOf(rgn);
    switch (FormOf(r)) {
    case RgnForm::rect:
        return pt.h >= r.rgnBBox.left && pt.h < r.rgnBBox.right && pt.v >= r.rgnBBox.top && pt.v < r.rgnBBox.bottom;
    case RgnForm::gdi:
        return PtInRegion(FormHandle(r), pt.h, pt.v) != 0;
    case RgnForm::mask:
        return PtInMaskRgn(pt, rgn);
    }
    return false;
}

ZEL_EXTERN_C Boolean ZEL_CALL RectInRgn(const Rect *rect, RgnHandle rgn)
{
    if (!rect || !HandleHasData(rgn) || rect->bottom <= rect->top || rect->left >= rect->right)
        return false;
    const Region &r = RegionOf(rgn);
    if (FormOf(r) == RgnForm::gdi) {
        // RectInRegion already leaves out the rectangle's right and bottom edges, as the Macintosh
        // does: a rectangle that only touches the region along an edge shares no pixel with it.
        const RECT w{rect->left, rect->top, rect->right, rect->bottom};
        return RectInRegion(FormHandle(r), &w) != 0;
    }
    const Rect &b = r.rgnBBox;
    return b.bottom > rect->top && rect->bottom > b.top && rect->left < b.right && rect->right > b.left;
}

ZEL_EXTERN_C Boolean ZEL_CALL EqualRg(RgnHandle a, RgnHandle b)
{
    if (!HandleHasData(a) || !HandleHasData(b))
        return false;
    const Region &ra = RegionOf(a), &rb = RegionOf(b);
    const bool ga = FormOf(ra) == RgnForm::gdi, gb = FormOf(rb) == RgnForm::gdi;
    if (ga && gb)
        return EqualRgn(FormHandle(ra), FormHandle(rb)) != 0;
    if (ga)
        return EqualRgn(FormHandle(ra), ScratchOf(rb.rgnBBox)) != 0;
    if (gb)
        return EqualRgn(ScratchOf(ra.rgnBBox), FormHandle(rb)) != 0;
    const Rect &x = ra.rgnBBox, &y = rb.rgnBBox;
    return x.top == y.top && x.left == y.left && x.bottom == y.bottom && x.right == y.right;
}

ZEL_EXTERN_C Boolean ZEL_CALL EmptyRgn(RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return true;
    const Region &r = RegionOf(rgn);
    if (FormOf(r) != RgnForm::mask)
        return BoxEmpty(r.rgnBBox);
    if (!IsMaskRgnEmpty(rgn))
        return false;
    SetEmptyRgn(rgn);
    return true;
}

// ---- Clipping glue ----

namespace {
// Raised while a visible-region change is passed on as a clip change.
int16_t sVisRgnChangeFlag;
} // namespace

int16_t VisRgnChangeFlag() { return sVisRgnChangeFlag; }

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_SelectClipRgn(HDC dc, RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return ERROR;
    const bool selectionOff = LibrarySetting(settingNoClipSelection) != 0;
    int16_t result;
    HRGN clip;
    const Region &r = RegionOf(rgn);
    if (FormOf(r) == RgnForm::gdi) {
        result = COMPLEXREGION;
        clip = FormHandle(r);
    } else {
        result = SIMPLEREGION;
        clip = selectionOff ? nullptr : ScratchOf(r.rgnBBox);
    }
    // No clip is selected while the pen is hidden or clip selection is off.
    GrafPtr port = CurrentPort();
    if (!selectionOff && port && port->pnVis >= 0 && dc && clip) {
        result = static_cast<int16_t>(SelectClipRgn(dc, clip));
    }
    return result;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ClipRgnChange(GrafPtr port);

ZEL_EXTERN_C void ZEL_CALL ZEL_VisRgnChange(GrafPtr port)
{
    const int16_t previous = sVisRgnChangeFlag;
    sVisRgnChangeFlag = 1;
    ZEL_ClipRgnChange(port);
    sVisRgnChangeFlag = previous;
}

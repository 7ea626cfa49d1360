// Drawing state kept twice, in the port and in its PortDCRecord: the DC attribute cache, the colours
// and patterns a port starts with, and taking a record's GDI objects out of a DC.
#include "quickdraw.h"
#include "../text/text_services.h"
#include "../imaging/imaging_services.h"
#include "../windows/windows_services.h"

#include <cstring>
#include <initializer_list>

namespace {

// The eight colours of the classic colour model, by their codes.
struct ClassicColor {
    int32_t code;
    RGBColor rgb;
};
constexpr ClassicColor kClassicColors[8] = {
    {33, {0x0000, 0x0000, 0x0000}},  // blackColor
    {30, {0xFFFF, 0xFFFF, 0xFFFF}},  // whiteColor
    {205, {0xDD6B, 0x08C2, 0x06A2}}, // redColor
    {341, {0x0000, 0x8000, 0x11B0}}, // greenColor
    {409, {0x0000, 0x0000, 0xD400}}, // blueColor
    {273, {0x0241, 0xAB54, 0xEAFF}}, // cyanColor
    {137, {0xF2D7, 0x0856, 0x84EC}}, // magentaColor
    {69, {0xFC00, 0xF37D, 0x052F}},  // yellowColor
};
// The classic code nearest an RGB colour, indexed by which of red, green and blue are at least half on.
constexpr int32_t kRGBToClassic[8] = {33, 409, 341, 273, 205, 137, 69, 30};

// Finds a classic code: the exact code, else the same bits 0x1E0, else the same bits 0x1C0.
const RGBColor *LookUpClassicColor(int32_t code)
{
    for (int32_t mask : {-1, 0x1E0, 0x1C0})
        for (const ClassicColor &c : kClassicColors)
            if ((c.code & mask) == (code & mask))
                return &c.rgb;
    return nullptr;
}

bool SameRGB(const RGBColor &a, const RGBColor &b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

// The colour a record shows for an exact colour: on a 1-bit device, black or white by luminance.
RGBColor ShownColor(const PortDCRecord *record, const RGBColor &rgb)
{
    if (!record || record->depth != 1)
        return rgb;
    uint32_t luminance = (5u * rgb.red + 9u * rgb.green + 2u * rgb.blue) >> 4;
    return luminance < 32769 ? RGBColor{0, 0, 0} : RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
}

GrafVars *PortGrafVars(GrafPtr port)
{
    if (!IsColorPort(port))
        return nullptr;
    Handle vars = AsColorPort(port)->grafVars;
    return HandleHasData(vars) ? reinterpret_cast<GrafVars *>(*vars) : nullptr;
}

// Copies a region's shape: the rectangle and mask forms as their box, a GDI region as a new GDI
// region the destination then holds.
void CopyRegionShape(RgnHandle src, RgnHandle dst)
{
    if (!HandleHasData(src) || !HandleHasData(dst) || src == dst)
        return;
    Region &d = **dst;
    HRGN old = reinterpret_cast<HRGN>(static_cast<uintptr_t>(d.rgnForm));
    bool oldIsGdi = d.rgnSize == 10 && old && old != RectRgnSentinel();
    const Region &s = **src;
    HRGN srcForm = reinterpret_cast<HRGN>(static_cast<uintptr_t>(s.rgnForm));
    HRGN copy = nullptr;
    if (s.rgnSize == 10 && srcForm && srcForm != RectRgnSentinel()) {
        copy = CreateRectRgn(0, 0, 0, 0);
        if (copy && CombineRgn(copy, srcForm, nullptr, RGN_COPY) == ERROR) {
            DeleteObject(copy);
            copy = nullptr;
        }
    }
    const Rect box = s.rgnBBox;
    if (oldIsGdi)
        DeleteObject(old);
    SetRectRg(dst, box.left, box.top, box.right, box.bottom);
    if (copy)
        (**dst).rgnForm = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(copy));
}

constexpr uint16_t kNotSet16 = 0xFFFF;
constexpr COLORREF kNotSetColor = 0xFFFFFFFF;

bool SamePattern(const Pattern &a, const Pattern &b) { return std::memcmp(a.pat, b.pat, sizeof a.pat) == 0; }

// Stores a pattern of the given kind into the current port: a black-and-white port holds it in its
// field, a colour port in the pattern's PixPat as a type-0 pattern.
// Stores a pattern of a kind in the current port; the pattern-brush code keeps the port's PixPat and
// its cached brush in step with it.
void StorePattern(PatternKind kind, const Pattern &pat) { SetPortPatternByKind(kind, pat); }

// Replaces a colour port's PixPat of one kind, disposing the one the library made for the port.
void ReplacePixPat(PixPatHandle &field, PixPatHandle PortDCRecord::*own, PixPatHandle pp)
{
    PortDCRecord *record = CurrentPortRecord();
    if (record && record->*own && record->*own == field && field != pp) {
        PixPatHandle old = record->*own;
        record->*own = nullptr;
        DisposePixPat(old);
    }
    field = pp;
}

} // namespace

void ResetPortDCCache(PortDCRecord *record)
{
    if (!record)
        return;
    record->rop2Set = kNotSet16;
    record->bkModeSet = kNotSet16;
    record->penStyleSet = kNotSet16;
    record->foreColorRefSet = kNotSetColor;
    record->backColorRefSet = kNotSetColor;
    record->penState = penStateRebuild;
    record->fontDirty = 1;
    record->penNeedsEmulation = 0;
    record->clipEmpty = 0;
    record->drawEnabled = 1;
    record->depth = static_cast<uint8_t>(ScreenDepth());
}

void InvalidatePortBrushes()
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record || !record->hbrush)
        return;
    if (HDC dc = CurrentDC())
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
    record->hbrush = nullptr;
}

void ReleasePortGdiObjects(PortDCRecord *record, HDC dc)
{
    if (!record || !dc)
        return;
    // The pen: the stock null pen goes in, the cached pen is deleted.
    if (!(record->penState & penStateNullPen))
        SelectObject(dc, GetStockObject(NULL_PEN));
    if (record->hpen)
        DeleteObject(record->hpen);
    record->hpen = nullptr;
    record->penState = penStateRebuild;
    // The font: the stock system font goes in and the port's font is given back (deleted when binding
    // made it and no other port holds it).
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    HFONT font = record->hfont;
    record->hfont = nullptr;
    ReleaseDcFont(nullptr, font);
    record->fontDirty = 1;
    // The brush: deselected; brushes belong to the brush cache, which gets back the one the record
    // keeps for its port.
    if (record->hbrush)
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
    record->hbrush = nullptr;
    if (HBRUSH kept = record->brushKey)
        ReleaseBrush(kept);
    record->brushKey = nullptr;
}

COLORREF RGBColorToColorRef(const RGBColor &rgb)
{
    COLORREF ref = RGB(rgb.red >> 8, rgb.green >> 8, rgb.blue >> 8);
    if (ref == RGB(0, 0, 0) || ref == RGB(0xFF, 0xFF, 0xFF))
        return ref;
    return ref | 0x02000000;
}

void SetForeRGB(uint16_t red, uint16_t green, uint16_t blue)
{
    RGBColor rgb{red, green, blue};
    RGBForeColor(&rgb);
}

void SetBackRGB(uint16_t red, uint16_t green, uint16_t blue)
{
    RGBColor rgb{red, green, blue};
    RGBBackColor(&rgb);
}

void SetPortFillPat(const Pattern *pat)
{
    if (pat)
        StorePattern(patternFill, *pat);
}

ZEL_EXTERN_C void ZEL_CALL PenPat(const Pattern *pat)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!pat || !record)
        return;
    record->penPatState |= 1;
    StorePattern(patternPen, *pat);
    record->penStyle = SamePattern(*pat, LowMem<Pattern>(lmBlack)) ? PS_SOLID : PS_DOT;
    if (record->penStyle != record->penStyleSet)
        record->penState |= penStateRebuild;
}

ZEL_EXTERN_C void ZEL_CALL BackPat(const Pattern *pat)
{
    if (pat && CurrentPortRecord())
        StorePattern(patternBack, *pat);
}

ZEL_EXTERN_C void ZEL_CALL PenPixPat(PixPatHandle pp)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!IsColorPort(port) || !record)
        return;
    ReplacePixPat(AsColorPort(port)->pnPixPat, &PortDCRecord::ownPenPixPat, pp);
    record->penPatState &= ~1;
}

ZEL_EXTERN_C void ZEL_CALL BackPixPat(PixPatHandle pp)
{
    GrafPtr port = CurrentPort();
    if (IsColorPort(port) && CurrentPortRecord())
        ReplacePixPat(AsColorPort(port)->bkPixPat, &PortDCRecord::ownBackPixPat, pp);
}

void SetPortFillPixPat(PixPatHandle pp)
{
    GrafPtr port = CurrentPort();
    if (IsColorPort(port))
        AsColorPort(port)->fillPixPat = pp;
}

// ---- The pen ----

ZEL_EXTERN_C void ZEL_CALL PenSize(int16_t width, int16_t height)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    if (port->pnSize.h != width || port->pnSize.v != height) {
        record->penState |= penStateRebuild;
        port->pnSize = Point{height, width};
    }
    if (width == 0 || height == 0) {
        record->lineWidthActive = 0;
        record->lineWidth = kDefaultLineWidth;
    }
    UpdateDevicePenSize();
}

// The device pen size: the port's pen size through the scale, then the line-width factor (at least 1
// on each side).
void UpdateDevicePenSize()
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    int16_t w = port->pnSize.h, h = port->pnSize.v;
    if (record->xform.scaleActive)
        XformExtent(&w, &h);
    if (record->lineWidthActive && w && h) {
        auto scale = [&](int16_t side) {
            int64_t product = (static_cast<int64_t>(side) * record->lineWidth + 0x8000) >> 16;
            return static_cast<int16_t>(product < 1 ? 1 : product > 32767 ? 32767 : product);
        };
        w = scale(w);
        h = scale(h);
    }
    if (record->xform.devPenSize.h != w || record->xform.devPenSize.v != h)
        record->penState |= penStateRebuild;
    record->xform.devPenSize = Point{h, w};
}

ZEL_EXTERN_C void ZEL_CALL PenNormal(void)
{
    PenSize(1, 1);
    PenMode(patCopyMode);
    PenPat(&LowMem<Pattern>(lmBlack));
}

ZEL_EXTERN_C void ZEL_CALL HidePen(void)
{
    if (GrafPtr port = CurrentPort())
        --port->pnVis;
}

ZEL_EXTERN_C void ZEL_CALL ShowPen(void)
{
    if (GrafPtr port = CurrentPort())
        ++port->pnVis;
}

ZEL_EXTERN_C void ZEL_CALL GetPen(Point *pt)
{
    if (GrafPtr port = CurrentPort(); port && pt)
        *pt = port->pnLoc;
}

ZEL_EXTERN_C void ZEL_CALL GetPenState(PenState *state)
{
    GrafPtr port = CurrentPort();
    if (!port || !state)
        return;
    state->pnLoc = port->pnLoc;
    state->pnSize = port->pnSize;
    state->pnMode = port->pnMode;
    if (!IsColorPort(port)) {
        state->pnPat = port->pnPat;
        return;
    }
    // A colour port's pattern: the 8 bytes of a type-0 PixPat, else the PixPat handle itself, marked
    // by bit 15 of the mode.
    PixPatHandle pp = AsColorPort(port)->pnPixPat;
    std::memset(&state->pnPat, 0, sizeof state->pnPat);
    if (HandleHasData(pp) && (*pp)->patType == 0) {
        state->pnPat = (*pp)->pat1Data;
    } else {
        state->pnMode = static_cast<int16_t>(state->pnMode | 0x8000);
        std::memcpy(&state->pnPat, &pp, sizeof pp);
    }
}

ZEL_EXTERN_C void ZEL_CALL SetPenState(const PenState *state)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !state)
        return;
    port->pnLoc = state->pnLoc;
    Point device = state->pnLoc;
    if (record->xform.offsetActive)
        XformXY(&device.h, &device.v);
    record->xform.devPenLoc = device;
    PenSize(state->pnSize.h, state->pnSize.v);
    if (state->pnMode & 0x8000) {
        PenMode(static_cast<int16_t>(state->pnMode & 0x7FFF));
        PixPatHandle pp;
        std::memcpy(&pp, &state->pnPat, sizeof pp);
        PenPixPat(pp);
    } else {
        PenMode(state->pnMode);
        PenPat(&state->pnPat);
    }
}

// ---- Colours ----

ZEL_EXTERN_C void ZEL_CALL ForeColor(int32_t code)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    if (port->picSave)
        RecordPictColorCode(0x000E, code);
    const RGBColor *exact = LookUpClassicColor(code);
    if (!exact)
        return;
    if (port->fgColor != code) {
        record->penState |= penStateRebuild;
        port->fgColor = code;
    }
    record->foreRGB = ShownColor(record, *exact);
    record->foreColorRef = RGBColorToColorRef(record->foreRGB);
    if (IsColorPort(port))
        AsColorPort(port)->rgbFgColor = *exact;
}

ZEL_EXTERN_C void ZEL_CALL BackColor(int32_t code)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    if (port->picSave)
        RecordPictColorCode(0x000F, code);
    const RGBColor *exact = LookUpClassicColor(code);
    if (!exact)
        return;
    port->bkColor = code;
    record->backRGB = ShownColor(record, *exact);
    record->backColorRef = RGBColorToColorRef(record->backRGB);
    // The notCopy modes draw their pen in the background colour's complement.
    if (port->pnMode == notSrcCopy || port->pnMode == notPatCopy)
        record->penState |= penStateRebuild;
    if (IsColorPort(port))
        AsColorPort(port)->rgbBkColor = *exact;
}

namespace {
int32_t ClassicCodeOf(const RGBColor &rgb)
{
    return kRGBToClassic[(rgb.red >= 0x8000 ? 4 : 0) + (rgb.green >= 0x8000 ? 2 : 0) + (rgb.blue >= 0x8000 ? 1 : 0)];
}
bool RGBColorsOn(GrafPtr port) { return IsColorPort(port) && LibrarySetting(settingColorSwitch) != 0; }
} // namespace

ZEL_EXTERN_C void ZEL_CALL RGBForeColor(const RGBColor *rgb)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !rgb)
        return;
    if (port->picSave)
        RecordPictRGBOp(0x001A, rgb);
    if (!RGBColorsOn(port)) {
        ForeColor(ClassicCodeOf(*rgb));
        return;
    }
    RGBColor &field = AsColorPort(port)->rgbFgColor;
    if (SameRGB(field, *rgb))
        return;
    field = *rgb;
    record->foreRGB = ShownColor(record, *rgb);
    record->foreColorRef = RGBColorToColorRef(record->foreRGB);
    record->penState |= penStateRebuild;
}

ZEL_EXTERN_C void ZEL_CALL RGBBackColor(const RGBColor *rgb)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || !rgb)
        return;
    if (port->picSave)
        RecordPictRGBOp(0x001B, rgb);
    if (!RGBColorsOn(port)) {
        BackColor(ClassicCodeOf(*rgb));
        return;
    }
    RGBColor &field = AsColorPort(port)->rgbBkColor;
    if (SameRGB(field, *rgb))
        return;
    field = *rgb;
    record->backRGB = ShownColor(record, *rgb);
    record->backColorRef = RGBColorToColorRef(record->backRGB);
    if (port->pnMode == notSrcCopy || port->pnMode == notPatCopy)
        record->penState |= penStateRebuild;
}

ZEL_EXTERN_C void ZEL_CALL GetForeColor(RGBColor *rgb)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!rgb || !port)
        return;
    if (IsColorPort(port))
        *rgb = AsColorPort(port)->rgbFgColor;
    else if (record)
        *rgb = record->foreRGB;
}

ZEL_EXTERN_C void ZEL_CALL GetBackColor(RGBColor *rgb)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!rgb || !port)
        return;
    if (IsColorPort(port))
        *rgb = AsColorPort(port)->rgbBkColor;
    else if (record)
        *rgb = record->backRGB;
}

ZEL_EXTERN_C void ZEL_CALL OpColor(const RGBColor *rgb)
{
    if (GrafVars *vars = PortGrafVars(CurrentPort()); vars && rgb)
        vars->rgbOpColor = *rgb;
}

ZEL_EXTERN_C void ZEL_CALL HiliteColor(const RGBColor *rgb)
{
    if (GrafVars *vars = PortGrafVars(CurrentPort()); vars && rgb)
        vars->rgbHiliteColor = *rgb;
}

ZEL_EXTERN_C COLORREF ZEL_CALL ZEL_RGBColor2COLORREF(const RGBColor *rgb)
{
    if (!rgb)
        return 0;
    return RGBColorToColorRef(ShownColor(CurrentPortRecord(), *rgb));
}

ZEL_EXTERN_C void ZEL_CALL ZEL_GetSysColor(int32_t index, RGBColor *rgb)
{
    if (!rgb)
        return;
    COLORREF c = GetSysColor(index);
    *rgb = RGBColor{static_cast<uint16_t>(GetRValue(c) * 257), static_cast<uint16_t>(GetGValue(c) * 257),
                    static_cast<uint16_t>(GetBValue(c) * 257)};
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ChangeThePortAttr(void)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    record->penState |= penStateRebuild;
    DerivePortModeAttributes(record, port);
    record->fontDirty = 1;
    if (port->spExtra == 0)
        if (HDC dc = CurrentDC())
            SetTextJustification(dc, 0, 0);
    // The setters act only on a change: the codes are first moved aside.
    int32_t fore = port->fgColor, back = port->bkColor;
    port->fgColor = ~fore;
    port->bkColor = ~back;
    ForeColor(fore);
    BackColor(back);
    port->fgColor = fore;
    port->bkColor = back;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ResetForeColor(void) {}

// ---- Clip ----

ZEL_EXTERN_C void ZEL_CALL ClipRect(const Rect *r)
{
    GrafPtr port = CurrentPort();
    if (!port || !r || !HandleHasData(port->clipRgn))
        return;
    Region &clip = **port->clipRgn;
    HRGN old = reinterpret_cast<HRGN>(static_cast<uintptr_t>(clip.rgnForm));
    if (clip.rgnSize == 10 && old && old != RectRgnSentinel())
        DeleteObject(old);
    SetRectRg(port->clipRgn, r->left, r->top, r->right, r->bottom);
    ZEL_ClipRgnChange(port);
}

ZEL_EXTERN_C void ZEL_CALL SetClip(RgnHandle rgn)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    CopyRegionShape(rgn, port->clipRgn);
    ZEL_ClipRgnChange(port);
}

ZEL_EXTERN_C void ZEL_CALL GetClip(RgnHandle rgn)
{
    if (GrafPtr port = CurrentPort())
        CopyRegionShape(port->clipRgn, rgn);
}

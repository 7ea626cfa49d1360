// Drawing state kept twice, in the port and in its PortDCRecord: the DC attribute cache, the colours
// and patterns a port starts with, and taking a record's GDI objects out of a DC.
#include "quickdraw.h"

#include <cstring>

namespace {

constexpr uint16_t kNotSet16 = 0xFFFF;
constexpr COLORREF kNotSetColor = 0xFFFFFFFF;
constexpr uint16_t kPenRebuild = 0x0001;
constexpr uint16_t kNullPenSelected = 0x8000;

bool SamePattern(const Pattern &a, const Pattern &b) { return std::memcmp(a.pat, b.pat, sizeof a.pat) == 0; }

// Stores a pattern of the given kind into the current port: a black-and-white port holds it in its
// field, a colour port in the pattern's PixPat as a type-0 pattern.
void StorePattern(PatternKind kind, const Pattern &pat)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    if (!IsColorPort(port)) {
        Pattern &field = kind == patternPen ? port->pnPat : kind == patternBack ? port->bkPat : port->fillPat;
        field = pat;
        return;
    }
    CGrafPtr cport = AsColorPort(port);
    PixPatHandle pp = kind == patternPen ? cport->pnPixPat : kind == patternBack ? cport->bkPixPat : cport->fillPixPat;
    if (HandleHasData(pp)) {
        (*pp)->patType = 0;
        (*pp)->pat1Data = pat;
    }
}

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
    record->penState = kPenRebuild;
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
    if (!(record->penState & kNullPenSelected))
        SelectObject(dc, GetStockObject(NULL_PEN));
    if (record->hpen)
        DeleteObject(record->hpen);
    record->hpen = nullptr;
    record->penState = kPenRebuild;
    // The font: the stock system font goes in; the port's font stays with the font cache.
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    record->fontDirty = 1;
    // The brush: deselected; brushes belong to the brush cache.
    if (record->hbrush)
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
    record->hbrush = nullptr;
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
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    RGBColor rgb{red, green, blue};
    if (IsColorPort(port)) {
        RGBColor &field = AsColorPort(port)->rgbFgColor;
        if (field.red == red && field.green == green && field.blue == blue)
            return;
        field = rgb;
    }
    record->foreRGB = rgb;
    record->foreColorRef = RGBColorToColorRef(rgb);
    record->penState |= kPenRebuild;
}

void SetBackRGB(uint16_t red, uint16_t green, uint16_t blue)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    RGBColor rgb{red, green, blue};
    if (IsColorPort(port)) {
        RGBColor &field = AsColorPort(port)->rgbBkColor;
        if (field.red == red && field.green == green && field.blue == blue)
            return;
        field = rgb;
    }
    record->backRGB = rgb;
    record->backColorRef = RGBColorToColorRef(rgb);
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
        record->penState |= kPenRebuild;
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

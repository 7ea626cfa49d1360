// The shape mask: a shape whose pen mode (or clip) GDI cannot draw in the port's colours is drawn black
// on white into a one-bit DIB of its rectangle first; the result becomes a mask-form region, which is
// then painted with the verb's pattern in the pen mode. Only with the mask-emulation switch, never on
// the print job's DC; whatever the switch, a frame, paint or line in a one-bit pen pattern whose mode
// paints a colour no raster operation gives (or in a foreground other than black, bic in a background
// other than white) is painted through the mask in that colour.
#include "imaging.h"
#include "MacMemory.h"
#include "../devices/devices_services.h"

#include <cstring>

namespace {

constexpr uint32_t kMaskEmulationSwitch = 0x8000;

// Pen modes 0..16 that go through the mask: table A when the port's colours are not black on white, B
// when they are.
const bool kMaskModesColoured[17] = {false, true, true, true, true, true, true, true,
                                     false, true, true, true, true, true, true, true, false};
const bool kMaskModesBlackOnWhite[17] = {false, false, false, true, true, true, true, false,
                                         false, false, false, true, true, true, true, false, false};

struct ShapeMaskState {
    bool drawing;       // a mask draw is under way
    RgnHandle region;   // the cached shape region, reused by every shape
    Rect rect;          // the shape's device rectangle
    uint8_t patternKind; // the verb's pattern kind
    HDC portDC;         // the port's DC, put back at the end
    HDC maskDC;
    HBITMAP section;
    HGDIOBJ displaced;
    HBRUSH portBrush;   // the record's brush while the mask's black one stands in for it
    void *bits;
    int width, height;
    bool colourMask;    // a one-bit pen pattern in a mode's colour (PenModeNeedsColourMask)
} sShape;

// Shapes drawn through the mask since the session began.
uint32_t sShapesMasked;

bool IsBlackRgb(const RGBColor &c) { return c.red == 0 && c.green == 0 && c.blue == 0; }
bool IsWhiteRgb(const RGBColor &c) { return c.red == 0xFFFF && c.green == 0xFFFF && c.blue == 0xFFFF; }

bool IsMaskFormRgn(RgnHandle rgn) { return HandleHasData(rgn) && (**rgn).rgnSize == kMaskFormRgnSize; }

// The verb's pattern kind: frame and paint draw with the pen, erase with the background, fill with the
// fill pattern.
uint8_t PatternKindOfVerb(GrafVerb verb)
{
    return verb == 2 ? kPatternKindBack : verb == 4 ? kPatternKindFill : kPatternKindPen;
}

// The port brush of a pattern kind (0 pen, 1 background, 2 fill).
int16_t BrushKindOf(uint8_t kind) { return kind == kPatternKindBack ? 1 : kind == kPatternKindFill ? 2 : 0; }

// The raster operation that does `rop2` (pattern P, destination D) where the mask bit is 0 and leaves
// the destination where it is 1.
DWORD MaskedRop3(int rop2)
{
    const int table = (rop2 - 1) & 15; // result bit for (P, D) at index P * 2 + D
    int rop = 0;
    for (int i = 0; i < 8; ++i) {
        const int p = i >> 2 & 1, s = i >> 1 & 1, d = i & 1;
        const int result = s ? d : (table >> (p * 2 + d)) & 1;
        rop |= result << i;
    }
    return static_cast<DWORD>(rop) << 16;
}

// The raster operation of `rop2` over a whole rectangle (no mask).
DWORD PlainRop3(int rop2)
{
    const int table = (rop2 - 1) & 15;
    int rop = 0;
    for (int i = 0; i < 8; ++i) {
        const int p = i >> 2 & 1, d = i & 1;
        rop |= ((table >> (p * 2 + d)) & 1) << i;
    }
    return static_cast<DWORD>(rop) << 16;
}

void FreeMaskDC()
{
    if (sShape.maskDC) {
        SelectObject(sShape.maskDC, sShape.displaced);
        DeleteDC(sShape.maskDC);
    }
    if (sShape.section)
        DeleteObject(sShape.section);
    sShape.maskDC = nullptr;
    sShape.section = nullptr;
    sShape.displaced = nullptr;
    sShape.bits = nullptr;
}

// The selected brush painted over the shape under `rop2`: over the whole rectangle, or where the mask
// is set.
void PaintThroughMask(HDC dc, int wholeRect, Handle mask, int rop2)
{
    const Rect &r = sShape.rect;
    if (wholeRect) {
        PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PlainRop3(rop2));
    } else if (HandleHasData(mask)) {
        HLock(mask);
        StretchDIBits(dc, r.left, r.top, sShape.width, sShape.height, 0, 0, sShape.width, sShape.height,
                      *mask + sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD),
                      reinterpret_cast<const BITMAPINFO *>(*mask), DIB_RGB_COLORS, MaskedRop3(rop2));
        HUnlock(mask);
    }
}

// The shape's mask (a bottom-up one-bit DIB of the shape's rectangle, 0 inside; `local` its rectangle in
// port coordinates) narrowed to the pen pattern's active bits on the port's pattern grid, then the mode's
// colour copied through it: the shape's pixels under those bits take the colour, every other pixel keeps
// its own.
void PaintColourThroughMask(HDC dc, Handle dib, const Rect &local)
{
    Pattern pattern;
    bool underZeroBits = false;
    HBRUSH brush = nullptr;
    if (!PenModeColourPaint(&pattern, &underZeroBits, &brush))
        return;
    int32_t x0 = 0, y0 = 0;
    PatternGridOrigin(8, 8, &x0, &y0);
    const int width = sShape.width, height = sShape.height, stride = ((width + 31) / 32) * 4;
    auto *info = reinterpret_cast<BITMAPINFO *>(*dib);
    uint8_t *bits = reinterpret_cast<uint8_t *>(*dib) + sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);
    for (int y = 0; y < height; ++y) {
        uint8_t *row = bits + static_cast<size_t>(height - 1 - y) * stride;
        const uint8_t patternRow = pattern.pat[(local.top + y - y0) & 7];
        for (int x = 0; x < width; ++x) {
            const bool bit = (patternRow >> (7 - ((local.left + x - x0) & 7))) & 1;
            if (bit == underZeroBits)
                row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
        }
    }
    const Rect &r = sShape.rect;
    HGDIOBJ held = SelectObject(dc, brush);
    StretchDIBits(dc, r.left, r.top, width, height, 0, 0, width, height, bits, info, DIB_RGB_COLORS,
                  MaskedRop3(R2_COPYPEN));
    SelectObject(dc, held);
}

} // namespace

bool BeginShapeMask(const Rect *deviceRect, GrafVerb verb, int force)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (sShape.drawing || !deviceRect || !port || !record || !dc)
        return false;
    // Frames, paints and lines in a pen mode whose colour one raster operation cannot give take the
    // mask whatever the switch says; everything else only with it.
    const bool colourMask = (verb == 0 || verb == 1) && PenModeNeedsColourMask();
    if (!colourMask && !LibrarySwitch(kMaskEmulationSwitch))
        return false;
    if (PrintingDC(nullptr) && dc == PrintingDC(nullptr))
        return false;
    const int width = deviceRect->right - deviceRect->left, height = deviceRect->bottom - deviceRect->top;
    if (width <= 0 || height <= 0)
        return false;
    if (!force && !colourMask) {
        const int16_t mode = port->pnMode;
        const bool blackOnWhite = IsBlackRgb(record->foreRGB) && IsWhiteRgb(record->backRGB);
        const bool byMode = mode < 0 || mode > 16 || (blackOnWhite ? kMaskModesBlackOnWhite : kMaskModesColoured)[mode];
        if (!byMode && !IsMaskFormRgn(port->clipRgn) && !PatternNeedsMask(PatternKindOfVerb(verb)))
            return false;
    }
    if (!sShape.region && !(sShape.region = NewRgn()))
        return false;

    // A white 1-bit section of the rectangle, its window origin at the rectangle's top-left.
    Handle header = NewMaskDib(1, 1);
    if (!header)
        return false;
    auto *info = reinterpret_cast<BITMAPINFO *>(*header);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biSizeImage = 0;
    sShape.maskDC = CreateCompatibleDC(dc);
    sShape.section = sShape.maskDC ? CreateDIBSection(sShape.maskDC, info, DIB_RGB_COLORS, &sShape.bits, nullptr, 0)
                                   : nullptr;
    DisposeHandle(header);
    if (!sShape.section || !sShape.bits) {
        FreeMaskDC();
        return false;
    }
    sShape.displaced = SelectObject(sShape.maskDC, sShape.section);
    PatBlt(sShape.maskDC, 0, 0, width, height, WHITENESS);
    SetWindowOrgEx(sShape.maskDC, deviceRect->left, deviceRect->top, nullptr);
    SetTextAlign(sShape.maskDC, TA_BASELINE | TA_LEFT);
    sShape.width = width;
    sShape.height = height;
    sShape.rect = *deviceRect;
    sShape.patternKind = PatternKindOfVerb(verb);
    sShape.colourMask = colourMask;

    // The port draws black on white into the mask with a plain copy pen and the black brush.
    SavePortDcColors();
    sShape.portDC = dc;
    sShape.portBrush = record->hbrush;
    DiscardPortPen();
    SetPortRecordDC(sShape.maskDC);
    record->rop2Wanted = R2_COPYPEN;
    record->foreRGB = RGBColor{0, 0, 0};
    record->backRGB = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    record->foreColorRef = RGB(0, 0, 0);
    record->backColorRef = RGB(255, 255, 255);
    record->hbrush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    SelectObject(sShape.maskDC, record->hbrush);
    SetTextColor(sShape.maskDC, RGB(0, 0, 0));
    SetBkColor(sShape.maskDC, RGB(255, 255, 255));
    sShape.drawing = true;
    return true;
}

void EndShapeMask(int16_t penMode, int notFrame)
{
    if (!sShape.drawing)
        return;
    PortDCRecord *record = CurrentPortRecord();
    GdiFlush();
    // The mask: the drawn rows as a mask DIB (black, bit 0, inside).
    Handle dib = NewMaskDib(sShape.width, sShape.height);
    if (dib) {
        const int stride = ((sShape.width + 31) / 32) * 4;
        std::memcpy(*dib + sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD), sShape.bits,
                    static_cast<size_t>(stride) * sShape.height);
    }
    // The port's DC, brush and colours back.
    SelectObject(sShape.maskDC, GetStockObject(WHITE_BRUSH));
    FreeMaskDC();
    if (record) {
        record->hbrush = sShape.portBrush;
        SetPortRecordDC(sShape.portDC);
        RestorePortDcColors();
        DiscardPortPen();
    }
    sShape.drawing = false;
    HDC dc = CurrentDC();
    const Rect &r = sShape.rect;
    // A whole rectangle needs no region: patCopy and notPatCopy then copy the pattern.
    int16_t mode = penMode;
    if (notFrame && (mode == 8 || mode == 12))
        mode = static_cast<int16_t>(mode - 8);
    // The shape's rectangle in port coordinates; its region takes the mask just drawn.
    Rect portRect = r;
    if (record && record->xform.offsetActive) {
        RevXformXY(&portRect.left, &portRect.top);
        RevXformXY(&portRect.right, &portRect.bottom);
    }
    if (sShape.colourMask) {
        if (dib && dc && record)
            PaintColourThroughMask(dc, dib, portRect);
        if (dib)
            DisposeHandle(dib);
        SetCopyBitsRanFlag();
        ++sShapesMasked;
        return;
    }
    const bool region = dib && SetRgnToMaskDib(sShape.region, Point{portRect.top, portRect.left},
                                               Point{portRect.bottom, portRect.right}, dib);
    // The verb's pattern expanded over the shape and transferred in the pen mode through the mask (a
    // whole rectangle needs none); only when memory is short for that does the pattern's brush paint it
    // under the mode's raster operation.
    GrafPtr port = CurrentPort();
    PixPatHandle pp = nullptr;
    Pattern *pat = nullptr;
    GetVerbPattern(&pp, &pat, sShape.patternKind);
    const bool expanded = !record || !port || (!notFrame && !region) ||
                          ExpandColorPattern(pp, pat, &port->portBits, &portRect, mode,
                                             notFrame ? nullptr : sShape.region);
    Handle mask = region ? reinterpret_cast<Handle>(static_cast<uintptr_t>(
                               reinterpret_cast<MaskRegionRecord *>(*sShape.region)->maskDib))
                         : nullptr;
    if (!expanded && dc) {
        HBRUSH brush = SelectPortPatternBrush(BrushKindOf(sShape.patternKind), 1);
        const int rop2 = TextModeRop2(mode);
        if (brush)
            PaintThroughMask(dc, notFrame, mask, rop2);
    }
    // The cached region keeps the mask form with no mask; the mask goes.
    if (region) {
        DisposeHandle(mask);
        reinterpret_cast<MaskRegionRecord *>(*sShape.region)->maskDib = 0;
    }
    SetCopyBitsRanFlag();
    ++sShapesMasked;
}

void DisposeShapeMaskCache()
{
    FreeMaskDC();
    if (sShape.region)
        DisposeRgn(sShape.region);
    sShape = ShapeMaskState{};
}

ZEL_EXTERN_C uint32_t ZEL_CALL ShapesDrawnThroughMask(void) { return sShapesMasked; }

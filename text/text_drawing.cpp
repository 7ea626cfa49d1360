// Text drawing: the standard text procedure and the calls that reach it. Text is converted from the
// Macintosh character set, drawn with TextOutA at the device pen (through a bitmap of its glyphs in the
// modes GDI's text cannot draw, which takes no raster operation, and on one-bit ports), recorded into an
// open picture, and the pen advances by its width.
#include "text_services.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "../core/core_services.h"
#include "../devices/devices_services.h"
#include "../imaging/imaging_services.h"
#include "../quickdraw/qd_services.h"

namespace {

// What a text mode does, in Macintosh terms, to the pixels under the glyphs and to the others in the
// text rectangle: take the foreground, take the background, invert what is there, or keep it. The modes
// are known here by the ROP2 their table gives them, so that pattern and arithmetic modes land as mapped.
enum class TextPaint : uint8_t { keep, fore, back, invert };
struct TextModeEffect {
    TextPaint glyph, paper;
};

TextModeEffect EffectOfTextMode(int16_t mode)
{
    switch (TextModeRop2(mode)) {
    case R2_COPYPEN: return {TextPaint::fore, TextPaint::back};     // copy
    case R2_NOTXORPEN: return {TextPaint::invert, TextPaint::keep}; // xor
    case R2_MERGENOTPEN: return {TextPaint::back, TextPaint::keep}; // bic
    case R2_NOTCOPYPEN: return {TextPaint::back, TextPaint::fore};  // notCopy
    case R2_MASKNOTPEN: return {TextPaint::keep, TextPaint::fore};  // notOr
    case R2_XORPEN: return {TextPaint::keep, TextPaint::invert};    // notXor
    case R2_MERGEPEN: return {TextPaint::keep, TextPaint::back};    // notBic
    default: return {TextPaint::fore, TextPaint::keep};             // or
    }
}

// GDI's text draws the foreground over the glyphs and leaves or fills the cell behind them: it serves
// the "or" and "copy" modes, never one that inverts, keeps the glyphs or paints them in the background.
bool GdiTextDrawsEffect(TextModeEffect e)
{
    return e.glyph == TextPaint::fore && (e.paper == TextPaint::keep || e.paper == TextPaint::back);
}

// A colour as plain RGB (0x00BBGGRR): a palette index through the DC's palette.
COLORREF PlainRgb(HDC dc, COLORREF ref)
{
    if ((ref >> 24) == 1) {
        PALETTEENTRY entry{};
        HPALETTE palette = static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL));
        if (palette && GetPaletteEntries(palette, ref & 0xFFFF, 1, &entry) == 1)
            return RGB(entry.peRed, entry.peGreen, entry.peBlue);
    }
    return ref & 0x00FFFFFF;
}

// A pixel of a 32-bit DIB (0x00RRGGBB) from a COLORREF.
uint32_t DibPixel(COLORREF c) { return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c); }

// A 32-bit top-down DIB section of w x h selected into a memory DC made for `like`.
struct PixelCanvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ displaced = nullptr;
    uint32_t *bits = nullptr;

    PixelCanvas(HDC like, int w, int h)
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void *pixels = nullptr;
        dc = CreateCompatibleDC(like);
        bitmap = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0) : nullptr;
        if (!bitmap)
            return;
        bits = static_cast<uint32_t *>(pixels);
        displaced = SelectObject(dc, bitmap);
        // A one-bit DC read into the canvas gives black for its 0 bits and white for its 1 bits, and the
        // canvas written to one gives 1 for white alone.
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
    }
    ~PixelCanvas()
    {
        if (displaced)
            SelectObject(dc, displaced);
        if (bitmap)
            DeleteObject(bitmap);
        if (dc)
            DeleteDC(dc);
    }
    PixelCanvas(const PixelCanvas &) = delete;
    PixelCanvas &operator=(const PixelCanvas &) = delete;
    bool ok() const { return bits != nullptr; }
};

// Text in a mode GDI's text cannot draw, or on a one-bit port: the glyphs are drawn black on white into a
// bitmap of the box, the port's pixels under the text rectangle (the box less its margins) are read,
// each takes what the mode gives it under a glyph or beside one, and they are written back through the
// port's clip. The same on a window, in memory and on a one-bit port.
void TextViaBitmap(PortDCRecord *record, HDC dc, const char *text, int32_t length, const INT *widths,
                   const RECT &box, int width)
{
    const TEXTMETRICA tm = BoundTextMetrics(record);
    const int w = box.right - box.left, h = box.bottom - box.top;
    // Only the text rectangle: the pen's column to the width, the ascent to the descent.
    const int cw = std::min(width, w - 1), ch = std::min<int>(tm.tmAscent + tm.tmDescent, h - 1);
    if (cw <= 0 || ch <= 0)
        return;
    PixelCanvas glyphs(dc, w, h);
    if (!glyphs.ok())
        return;
    // The glyphs in two colours, as a one-bit bitmap takes them: no smoothed edge may pass for ink.
    HDC mono = CreateCompatibleDC(dc);
    HBITMAP monoBitmap = mono ? CreateBitmap(w, h, 1, 1, nullptr) : nullptr;
    if (!monoBitmap) {
        if (mono)
            DeleteDC(mono);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(mono, monoBitmap);
    HGDIOBJ oldFont = SelectObject(mono, record->hfont ? record->hfont : GetStockObject(SYSTEM_FONT));
    PatBlt(mono, 0, 0, w, h, WHITENESS);
    SetTextColor(mono, RGB(0, 0, 0));
    SetBkColor(mono, RGB(255, 255, 255));
    SetBkMode(mono, TRANSPARENT);
    SetTextAlign(mono, TA_BASELINE | TA_LEFT);
    if (widths)
        ExtTextOutA(mono, 1, 1 + tm.tmAscent, 0, nullptr, text, UINT(length), widths);
    else
        TextOutA(mono, 1, 1 + tm.tmAscent, text, length);
    BitBlt(glyphs.dc, 0, 0, w, h, mono, 0, 0, SRCCOPY);
    SelectObject(mono, oldFont);
    SelectObject(mono, oldBitmap);
    DeleteObject(monoBitmap);
    DeleteDC(mono);

    const int destX = box.left + 1, destY = box.top + 1;
    PixelCanvas port(dc, cw, ch);
    if (!port.ok())
        return;
    GdiFlush();
    if (!BitBlt(port.dc, 0, 0, cw, ch, dc, destX, destY, SRCCOPY))
        return;
    GdiFlush();
    const TextModeEffect effect = EffectOfTextMode(CurrentPort()->txMode);
    const uint32_t fore = DibPixel(PlainRgb(dc, record->foreColorRef));
    const uint32_t back = DibPixel(PlainRgb(dc, record->backColorRef));
    auto paint = [&](TextPaint p, uint32_t d) {
        switch (p) {
        case TextPaint::fore: return fore;
        case TextPaint::back: return back;
        case TextPaint::invert: return ~d & 0x00FFFFFFu;
        default: return d;
        }
    };
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            uint32_t &d = port.bits[size_t(y) * size_t(cw) + size_t(x)];
            const bool glyph = (glyphs.bits[size_t(y + 1) * size_t(w) + size_t(x + 1)] & 0x00FFFFFFu) == 0;
            d = paint(glyph ? effect.glyph : effect.paper, d & 0x00FFFFFFu);
        }
    BitBlt(dc, destX, destY, cw, ch, port.dc, 0, 0, SRCCOPY);
}

HBITMAP sCheckMark;

// A port whose pixels are one bit deep: its record says so, or its memory DC holds a one-bit bitmap.
bool DrawsIntoMonochromeBitmap(const PortDCRecord *record, HDC dc)
{
    if (record->depth == 1)
        return true;
    if (GetObjectType(dc) != OBJ_MEMDC)
        return false;
    BITMAP bm{};
    return GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm) && bm.bmBitsPixel == 1 && bm.bmPlanes == 1;
}

// On the printer, a device font's text is drawn only by the band whose clip holds the pen's line: the
// clip box across the whole 16-bit width, scaled up by the band's shifts.
bool OnPrinterBand(HDC dc, const TEXTMETRICA &tm, Point pen)
{
    if (dc != PrintingDC(nullptr) || !(tm.tmPitchAndFamily & TMPF_DEVICE))
        return true;
    RECT clip{};
    if (GetClipBox(dc, &clip) == ERROR)
        return true;
    int16_t hShift = 0, vShift = 0;
    PrinterBandShifts(&hShift, &vShift);
    const int top = clip.top << vShift, bottom = clip.bottom << vShift;
    return pen.v >= top && pen.v < bottom;
}

} // namespace

void RecordPictText(int16_t count, const void *text, Point numer, Point denom)
{
    GrafPtr port = CurrentPort();
    PictTextState &last = CurrentPictTextState();
    if (!last.known || last.font != port->txFont) {
        if (PictFontIsNew(port->txFont)) {
            // The font's name: that of the face it binds to.
            char face[32] = {};
            const FontListNode *node = FindFontFaceByNumber(FontListHead(), port->txFont, port->txSize, nullptr, face);
            const char *name = node ? node->name : face;
            const uint8_t length = uint8_t(std::min<size_t>(std::strlen(name), 255));
            const int16_t dataLength = int16_t(length + 3);
            BeginPictOpcode(0x002C, uint16_t(dataLength + 2));
            PutPictWords(2, &dataLength);
            PutPictWords(2, &port->txFont);
            PutPictBytes(1, &length);
            PutPictBytes(length, name);
            EndPictOpcode();
        }
        BeginPictOpcode(0x0003, 2);
        PutPictWords(2, &port->txFont);
        EndPictOpcode();
    }
    if (!last.known || last.face != port->txFace) {
        const uint8_t face[2] = {port->txFace, 0};
        BeginPictOpcode(0x0004, 2);
        PutPictBytes(2, face);
        EndPictOpcode();
    }
    if (last.mode != port->txMode) {
        BeginPictOpcode(0x0005, 2);
        PutPictWords(2, &port->txMode);
        EndPictOpcode();
    }
    if (!last.known || last.size != port->txSize) {
        BeginPictOpcode(0x000D, 2);
        PutPictWords(2, &port->txSize);
        EndPictOpcode();
    }
    if (last.spExtra != port->spExtra) {
        BeginPictOpcode(0x0006, 4);
        PutPictLong(uint32_t(port->spExtra));
        EndPictOpcode();
    }
    if (std::memcmp(&last.numer, &numer, sizeof numer) != 0 || std::memcmp(&last.denom, &denom, sizeof denom) != 0) {
        BeginPictOpcode(0x0010, 8);
        PutPictWords(4, &numer);
        PutPictWords(4, &denom);
        EndPictOpcode();
    }
    last = PictTextState{true, port->txFont, port->txFace, port->txMode, port->txSize, port->spExtra, numer, denom};

    // The text, in pieces of at most 255 characters, each at the pen where it starts.
    const uint8_t *bytes = static_cast<const uint8_t *>(text);
    Point pen = port->pnLoc;
    BindPortFont();
    for (int16_t done = 0; done < count;) {
        const uint8_t n = uint8_t(std::min<int>(count - done, 255));
        BeginPictOpcode(0x0028, uint16_t(5 + n));
        PutPictWords(4, &pen);
        PutPictBytes(1, &n);
        PutPictBytes(n, bytes + done);
        EndPictOpcode();
        SIZE extent{};
        const char *converted = nullptr;
        Ptr privateBlock = nullptr;
        const int32_t *advances = nullptr;
        if (MacTextToAnsi(int16_t(n), bytes + done, &extent, &converted, &privateBlock, &advances) > 0)
            pen.h = int16_t(pen.h + extent.cx);
        if (converted)
            ReleaseTextBuffer(privateBlock);
        done = int16_t(done + n);
    }
}

HBITMAP CheckMarkBitmap()
{
    if (!sCheckMark)
        sCheckMark = LoadBitmapA(nullptr, MAKEINTRESOURCEA(32760)); // OBM_CHECK
    return sCheckMark;
}

void StdTextCore(int16_t count, const void *text, Point numer, Point denom)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || count <= 0 || !text)
        return;

    // Scaling: the size is numer.v / denom.v of txSize for the call (a zero denominator does not scale).
    const int16_t savedSize = port->txSize;
    const bool scaled = (numer.h != denom.h || numer.v != denom.v) && denom.v != 0;
    if (scaled) {
        const int32_t size = int32_t(numer.v) * (savedSize ? savedSize : 12) / denom.v;
        TextSize(int16_t(std::clamp<int32_t>(size, 1, 32767)));
    }
    auto restoreSize = [&] {
        if (scaled && port->txSize != savedSize) {
            port->txSize = savedSize;
            record->fontDirty = 1;
        }
    };

    if (port->grafProcs && port->grafProcs->textProc && port->grafProcs->textProc != StdText) {
        port->grafProcs->textProc(count, text, numer, denom);
        restoreSize();
        return;
    }

    if (port->picSave && RecordPictPortState())
        RecordPictText(count, text, numer, denom);

    HDC dc = CurrentDC();
    const bool draw = dc && port->pnVis >= 0 && record->drawEnabled && !record->penNeedsEmulation && !record->clipEmpty;
    SetTextAttributes(draw);
    SIZE extent{};
    const char *converted = nullptr;
    Ptr privateBlock = nullptr;
    const int32_t *advances = nullptr;
    const int32_t length = MacTextToAnsi(count, text, &extent, &converted, &privateBlock, &advances);
    const TEXTMETRICA tm = BoundTextMetrics(record);
    const Point pen = record->xform.devPenLoc;

    if (draw && length > 0) {
        const bool checkMark = count == 1 && static_cast<const uint8_t *>(text)[0] == 0x12;
        if (checkMark) {
            BITMAP check{};
            HBITMAP bitmap = CheckMarkBitmap();
            GetObjectA(bitmap, sizeof check, &check);
            HDC memory = CreateCompatibleDC(dc);
            if (memory) {
                HGDIOBJ old = SelectObject(memory, bitmap);
                BitBlt(dc, pen.h, pen.v - tm.tmAscent + 1, extent.cx,
                       std::min<LONG>(tm.tmAscent + tm.tmDescent, check.bmHeight), memory, 0, 0, SRCCOPY);
                SelectObject(memory, old);
                DeleteDC(memory);
            }
        } else if (!OnPrinterBand(dc, tm, pen)) {
            // A device font's text outside the band being printed is left to the band that holds it.
        } else {
            // srcCopy and patCopy erase the text rectangle first.
            if (port->txMode == 0 || port->txMode == 8) {
                Rect r{int16_t(port->pnLoc.v - tm.tmAscent), port->pnLoc.h, int16_t(port->pnLoc.v + tm.tmDescent),
                       int16_t(port->pnLoc.h + extent.cx)};
                const int16_t rotation = record->xform.rotation;
                const uint16_t mirror = record->xform.mirror;
                record->xform.rotation = 0;
                record->xform.mirror = 0;
                EraseRect(&r);
                record->xform.rotation = rotation;
                record->xform.mirror = mirror;
                SetTextAttributes(true);
            }
            // Extended text: each character at the advance given for it (the host's integer widths when
            // they cover the text, else the ones measured while converting).
            const int32_t *hostWidths = advances ? HostTextWidths(length) : nullptr;
            const INT *widths = reinterpret_cast<const INT *>(hostWidths ? hostWidths : advances);
            // GDI's text takes no raster operation: other modes, and every mode on a one-bit port, go
            // through the glyphs' bitmap (not on the printer, whose text stays the device's).
            const bool onPrinter = dc == PrintingDC(nullptr);
            if (DrawsIntoMonochromeBitmap(record, dc) ||
                (!onPrinter && !GdiTextDrawsEffect(EffectOfTextMode(port->txMode)))) {
                const RECT box{pen.h - 1, pen.v - tm.tmAscent - 1, pen.h + extent.cx + 9, pen.v + tm.tmDescent + 1};
                TextViaBitmap(record, dc, converted, length, widths, box, extent.cx);
            } else if (widths) {
                ExtTextOutA(dc, pen.h, pen.v, 0, nullptr, converted, UINT(length), widths);
            } else {
                TextOutA(dc, pen.h, pen.v, converted, length);
            }
        }
    }
    if (converted)
        ReleaseTextBuffer(privateBlock);

    // The pen advances along the text's direction on the device, turned and mirrored with the port.
    if (length > 0) {
        int dx = extent.cx, dy = 0;
        if (record->xform.offsetActive) {
            switch (record->xform.rotation) {
            case 90: dy = dx; dx = 0; break;
            case 180: dx = -dx; break;
            case 270: dy = -dx; dx = 0; break;
            default: break;
            }
            if (record->xform.mirror & 1)
                dx = -dx;
            if (record->xform.mirror & 2)
                dy = -dy;
        }
        record->xform.devPenLoc.h = int16_t(pen.h + dx);
        record->xform.devPenLoc.v = int16_t(pen.v + dy);
        if (record->xform.offsetActive) {
            Point back = record->xform.devPenLoc;
            RevXformXY(&back.h, &back.v);
            port->pnLoc = back;
        } else {
            port->pnLoc = record->xform.devPenLoc;
        }
    }
    restoreSize();
}

// The bottleneck: the port's own textProc slot is cleared for the call, so that the core draws.
ZEL_EXTERN_C void ZEL_CALL StdText(int16_t byteCount, const void *textBuf, Point numer, Point denom)
{
    GrafPtr port = CurrentPort();
    QDTextProcPtr saved = nullptr;
    if (port && port->grafProcs) {
        saved = port->grafProcs->textProc;
        port->grafProcs->textProc = nullptr;
    }
    StdTextCore(byteCount, textBuf, numer, denom);
    if (port && port->grafProcs)
        port->grafProcs->textProc = saved;
}

namespace {
void MarkHilite() { LowMem<uint8_t>(lmHiliteMode) |= 0x80; }
constexpr Point kUnit{1, 1};
} // namespace

ZEL_EXTERN_C void ZEL_CALL DrawChar(int16_t ch)
{
    const uint8_t c = uint8_t(ch);
    StdTextCore(1, &c, kUnit, kUnit);
    MarkHilite();
}

ZEL_EXTERN_C void ZEL_CALL DrawString(ConstStr255Param s)
{
    if (s)
        StdTextCore(s[0], s + 1, kUnit, kUnit);
    MarkHilite();
}

ZEL_EXTERN_C void ZEL_CALL DrawTex(const void *textBuf, int16_t firstByte, int16_t byteCount)
{
    if (textBuf && byteCount > 0)
        StdTextCore(byteCount, static_cast<const uint8_t *>(textBuf) + firstByte, kUnit, kUnit);
    MarkHilite();
}

// Text drawing: the standard text procedure and the calls that reach it. Text is converted from the
// Macintosh character set, drawn with TextOutA at the device pen (through a one-bit bitmap on
// monochrome ports, whose raster operations GDI text ignores), recorded into an open picture, and the
// pen advances by its width.
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

// The raster operations of the second pass of a monochrome text bitmap, by the ROP2 wanted.
DWORD SecondPassRop(int rop2, bool firstPass)
{
    switch (rop2) {
    case R2_MASKNOTPEN: return 0x00220326;
    case R2_NOTCOPYPEN: return 0x00330008;
    case R2_XORPEN: return 0x00660046;
    case R2_NOTXORPEN: return 0x00990066;
    case R2_MERGENOTPEN: return 0x00BB0226;
    case R2_COPYPEN: return firstPass ? 0x008800C6 : SRCCOPY;
    case R2_MERGEPEN: return 0x00EE0086;
    default: return 0x008800C6;
    }
}

// Text on a monochrome port: the glyphs are drawn black on white into a one-bit bitmap, which is then
// stretched onto the port with the raster operations of the text mode. Only the text rectangle (the
// box less its margins) is copied.
void TextViaBitmap(PortDCRecord *record, HDC dc, const char *text, int32_t length, const RECT &box, int width)
{
    const TEXTMETRICA tm = BoundTextMetrics(record);
    const int w = box.right - box.left, h = box.bottom - box.top;
    if (w <= 0 || h <= 0)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory ? CreateBitmap(w, h, 1, 1, nullptr) : nullptr;
    if (!bitmap) {
        if (memory)
            DeleteDC(memory);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HGDIOBJ oldFont = SelectObject(memory, record->hfont ? record->hfont : GetStockObject(SYSTEM_FONT));
    PatBlt(memory, 0, 0, w, h, WHITENESS);
    SetTextColor(memory, RGB(0, 0, 0));
    SetBkMode(memory, TRANSPARENT);
    SetTextAlign(memory, TA_BASELINE | TA_LEFT);
    TextOutA(memory, 1, 1 + tm.tmAscent, text, length);

    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = w;
    info.header.biHeight = h;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    const size_t rowBytes = size_t((w + 31) / 32) * 4;
    std::vector<uint8_t> bits(rowBytes * size_t(h));
    SelectObject(memory, oldFont);
    SelectObject(memory, oldBitmap);
    const bool read = GetDIBits(memory, bitmap, 0, UINT(h), bits.data(), reinterpret_cast<BITMAPINFO *>(&info),
                                DIB_RGB_COLORS) != 0;
    DeleteObject(bitmap);
    DeleteDC(memory);
    if (!read)
        return;
    // Colour 0 is the glyph, colour 1 the paper.
    info.colours[0] = RGBQUAD{0, 0, 0, 0};
    info.colours[1] = RGBQUAD{255, 255, 255, 0};
    // Only the text rectangle: the pen's column to the width, the ascent to the descent.
    const int x = 1, y = 1, cw = std::min(width, w - 1), ch = std::min<int>(tm.tmAscent + tm.tmDescent, h - 1);
    if (cw <= 0 || ch <= 0)
        return;
    const int destX = box.left + 1, destY = box.top + 1;
    // The DIB is bottom-up: its source y counts from the bottom row.
    const int srcY = h - y - ch;
    const bool transparent = record->textBkModeWanted == TRANSPARENT;
    const int rop2 = TextModeRop2(CurrentPort()->txMode);
    // Merging the inverted glyphs first whitens them where an AND or merge follows; XOR and copies
    // need the destination as it is.
    const bool firstPass = transparent && rop2 != R2_XORPEN && rop2 != R2_NOTXORPEN && rop2 != R2_NOTCOPYPEN;
    if (firstPass)
        StretchDIBits(dc, destX, destY, cw, ch, x, srcY, cw, ch, bits.data(), reinterpret_cast<BITMAPINFO *>(&info),
                      DIB_RGB_COLORS, 0x00BB0226);
    COLORREF fore = record->foreColorRef;
    info.colours[0] = RGBQUAD{GetBValue(fore), GetGValue(fore), GetRValue(fore), 0};
    StretchDIBits(dc, destX, destY, cw, ch, x, srcY, cw, ch, bits.data(), reinterpret_cast<BITMAPINFO *>(&info),
                  DIB_RGB_COLORS, SecondPassRop(rop2, firstPass));
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
            if (DrawsIntoMonochromeBitmap(record, dc)) {
                const RECT box{pen.h - 1, pen.v - tm.tmAscent - 1, pen.h + extent.cx + 9, pen.v + tm.tmDescent + 1};
                TextViaBitmap(record, dc, converted, length, box, extent.cx);
            } else if (advances) {
                // Extended text: each character at the advance given for it (the host's integer widths
                // when they cover the text, else the ones measured while converting).
                const int32_t *widths = HostTextWidths(length);
                ExtTextOutA(dc, pen.h, pen.v, 0, nullptr, converted, UINT(length),
                            reinterpret_cast<const INT *>(widths ? widths : advances));
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

// Text measuring: widths of text and characters, font information with its adjustment word, the width
// table of FontMetrics with a one-entry cache and a memo of the last font measured, and the extended-text
// mode in which text is drawn and measured with given per-character widths.
#include "text_services.h"

#include <cstring>

#include "FixMath.h"
#include "Fonts.h"
#include "MacMemory.h"
#include "Zel.h"
#include "../core/core_services.h"
#include "../devices/devices_services.h"
#include "../quickdraw/qd_services.h"

namespace {

// ---- The metrics cache: one entry, keyed by device kind, font, style and size ----
enum { cacheDeviceScreen = 1 | 2, cacheDevicePrinter = 1 | 4, cacheInfoValid = 0x4000, cacheMetricsValid = 0x8000 };
struct FontMetricsCacheEntry {
    uint16_t flags;
    int16_t font;
    uint8_t style;
    int16_t size;
    FontInfo info;
    FMetricRec metrics;  // wTabHandle: the entry's own width table
    Fixed ansiWidths[256];
};
FontMetricsCacheEntry sCache[1];
bool sCacheMade;

// The width table InitFonts made (the static FMetricRec's) and the last recomputation's key.
FMetricRec sMetrics;
Fixed sAnsiWidths[256];
struct MetricsKey {
    bool valid;
    int16_t font, size;
    uint8_t style;
    bool printer;
    uint16_t flags, textFlags;
    HDC dc;
};
MetricsKey sLastKey;
// Counts the flushes: widths measured before one may belong to faces that are gone.
uint32_t sMetricsGeneration;

// The extended-text state: the Macintosh-indexed widths in use, the caller's parameter, their saved
// copies, the ANSI-indexed table handed to the conversion's meter, and the host's integer widths.
const Fixed *sExtWidths;
uint32_t sExtParam;
struct {
    uint16_t flags;
    const Fixed *widths;
    uint32_t param;
} sExtSaved;
Fixed sMeterWidths[256];
const int32_t *sHostWidths;
int16_t sHostCount;

uint16_t DeviceKind()
{
    HDC dc = CurrentDC();
    return dc && dc == PrintingDC(nullptr) ? cacheDevicePrinter : cacheDeviceScreen;
}

FontMetricsCacheEntry *CacheLookup(uint16_t validBit)
{
    GrafPtr port = CurrentPort();
    const uint16_t kind = DeviceKind();
    for (FontMetricsCacheEntry &e : sCache)
        if ((e.flags & validBit) && (e.flags & 7) == kind && e.font == port->txFont && e.style == port->txFace &&
            e.size == port->txSize)
            return &e;
    return nullptr;
}

FontMetricsCacheEntry *CacheSlot()
{
    if (!sCacheMade) {
        for (FontMetricsCacheEntry &e : sCache) {
            e = FontMetricsCacheEntry{};
            e.metrics.wTabHandle = NewHandleClear(sizeof(WidthTable));
        }
        sCacheMade = true;
    }
    GrafPtr port = CurrentPort();
    const uint16_t kind = DeviceKind();
    FontMetricsCacheEntry *slot = &sCache[0];
    if ((slot->flags & 7) != kind || slot->font != port->txFont || slot->style != port->txFace ||
        slot->size != port->txSize)
        slot->flags = kind;
    slot->font = port->txFont;
    slot->style = port->txFace;
    slot->size = port->txSize;
    return slot;
}

// The adjustment byte of setting 47 for the current mode applied to the font's metrics.
FontInfo AdjustedInfo(const TEXTMETRICA &tm, bool extended)
{
    const uint16_t word = uint16_t(LibrarySetting(settingTextDrawFlags));
    const uint8_t bits = uint8_t(extended ? word >> 8 : word);
    int32_t ascent = tm.tmAscent, leading = 0;
    if (bits & 0x01)
        ascent += tm.tmInternalLeading;
    if (bits & 0x02)
        ascent += tm.tmExternalLeading;
    if (bits & 0x04)
        ascent -= tm.tmInternalLeading;
    if (bits & 0x08)
        ascent -= tm.tmExternalLeading + 1 + (ascent > 7 ? 1 : 0);
    if (bits & 0x10)
        leading = tm.tmInternalLeading;
    if (bits & 0x20)
        leading += tm.tmExternalLeading;
    if (bits & 0x40)
        leading -= tm.tmInternalLeading;
    if (bits & 0x80)
        leading -= tm.tmExternalLeading;
    FontInfo info{int16_t(ascent), int16_t(tm.tmDescent), int16_t(tm.tmMaxCharWidth), int16_t(leading)};
    return info;
}

void GetFontInfoCore(FontInfo *info, bool useCache)
{
    PortDCRecord *record = CurrentPortRecord();
    GrafPtr port = CurrentPort();
    if (!record || !port || !info)
        return;
    const bool extended = record->textFlags & textFlagExtended;
    if ((record->textFlags & textFlagShiftJis) && !extended)
        useCache = false;
    // The port's own font is bound before anything is measured or answered: a cache hit for another
    // port's equal font must not leave this port's DC with a stale one.
    BindPortFont();
    if (useCache)
        if (FontMetricsCacheEntry *hit = CacheLookup(cacheInfoValid)) {
            *info = hit->info;
            return;
        }
    FontInfo computed = AdjustedInfo(BoundTextMetrics(record), extended);
    if (record->xform.scaleActive) {
        RevXformExtent(&computed.widMax, &computed.ascent);
        int16_t none = 0;
        RevXformExtent(&none, &computed.descent);
        RevXformExtent(&none, &computed.leading);
    }
    FontMetricsCacheEntry *slot = CacheSlot();
    slot->info = computed;
    slot->flags |= cacheInfoValid;
    *info = computed;
}

} // namespace

void FlushFontMetricsCache()
{
    Handle current = LowMem<Handle>(lmWidthTabHandle);
    for (FontMetricsCacheEntry &e : sCache) {
        if (sCacheMade && e.metrics.wTabHandle) {
            if (current == e.metrics.wTabHandle)
                LowMem<Handle>(lmWidthTabHandle) = sMetrics.wTabHandle;
            DisposeHandle(e.metrics.wTabHandle);
        }
        e = FontMetricsCacheEntry{};
    }
    sCacheMade = false;
    sLastKey.valid = false;
    ++sMetricsGeneration;
    // Ports bind their fonts again: the numbers they hold may name other faces now.
    for (int i = 0; i < portDCTableSize; ++i)
        if (PortDCRecord *record = PortRecordAt(i))
            record->fontDirty = 1;
    if (sExtWidths && sExtWidths != (sMetrics.wTabHandle && *sMetrics.wTabHandle ? reinterpret_cast<const Fixed *>(*sMetrics.wTabHandle) : nullptr))
        sExtWidths = nullptr;
}

Handle &FontManagerWidthTable() { return sMetrics.wTabHandle; }

uint32_t FontMetricsGeneration() { return sMetricsGeneration; }

const Fixed *ExtendedMeterWidths()
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record || !(record->textFlags & textFlagExtended) || !sExtWidths)
        return nullptr;
    // The conversion's meter reads its widths by the ANSI byte it writes: the library's own table has
    // them by ANSI code; a table by Macintosh code is moved through the Macintosh-to-ANSI table.
    const Fixed *own = sMetrics.wTabHandle && *sMetrics.wTabHandle ? reinterpret_cast<const Fixed *>(*sMetrics.wTabHandle) : nullptr;
    if (sExtWidths == own)
        return sAnsiWidths;
    for (const FontMetricsCacheEntry &e : sCache)
        if (sCacheMade && e.metrics.wTabHandle && *e.metrics.wTabHandle &&
            sExtWidths == reinterpret_cast<const Fixed *>(*e.metrics.wTabHandle))
            return e.ansiWidths;
    const uint8_t *high = MacToAnsiHighTable();
    std::memcpy(sMeterWidths, sExtWidths, 128 * sizeof(Fixed));
    std::memset(sMeterWidths + 128, 0, 128 * sizeof(Fixed));
    for (int k = 128; k < 256; ++k)
        sMeterWidths[high ? high[k - 128] : k] = sExtWidths[k];
    for (int k = 0; k < 128; ++k)
        sMeterWidths[k] = sExtWidths[k];
    return sMeterWidths;
}

const int32_t *HostTextWidths(int32_t length)
{
    return sHostWidths && length <= sHostCount ? sHostWidths : nullptr;
}

ZEL_EXTERN_C int16_t ZEL_CALL StdTxMeas(int16_t byteCount, const void *textAddr, Point *, Point *, FontInfo *info)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return 0;
    FontInfo scratch;
    GetFontInfoCore(info ? info : &scratch, true);
    if (byteCount <= 0 || !textAddr)
        return 0;
    SIZE extent{};
    const char *converted = nullptr;
    Ptr privateBlock = nullptr;
    const int32_t *advances = nullptr;
    MacTextToAnsi(byteCount, textAddr, &extent, &converted, &privateBlock, &advances);
    if (converted)
        ReleaseTextBuffer(privateBlock);
    int16_t width = int16_t(extent.cx);
    if (record->xform.scaleActive) {
        int16_t none = 0;
        RevXformExtent(&width, &none);
    }
    return width;
}

ZEL_EXTERN_C int16_t ZEL_CALL TextWidth(const void *textBuf, int16_t firstByte, int16_t byteCount)
{
    GrafPtr port = CurrentPort();
    if (!port || !textBuf)
        return 0;
    const uint8_t *text = static_cast<const uint8_t *>(textBuf) + firstByte;
    Point numer{1, 1}, denom{1, 1};
    if (port->grafProcs && port->grafProcs->txMeasProc && port->grafProcs->txMeasProc != StdTxMeas) {
        FontInfo info;
        GetFontInfoCore(&info, false);
        return port->grafProcs->txMeasProc(byteCount, text, &numer, &denom, &info);
    }
    FontInfo info;
    return StdTxMeas(byteCount, text, &numer, &denom, &info);
}

ZEL_EXTERN_C int16_t ZEL_CALL StringWidth(ConstStr255Param s) { return s ? TextWidth(s + 1, 0, s[0]) : 0; }

ZEL_EXTERN_C int16_t ZEL_CALL CharWidth(int16_t ch)
{
    const uint8_t c = uint8_t(ch);
    return TextWidth(&c, 0, 1);
}

int16_t MeasureText(const void *text, int16_t count) { return TextWidth(text, 0, count); }

ZEL_EXTERN_C void ZEL_CALL MeasureText(int16_t count, const void *textAddr, int16_t *charLocs)
{
    if (!charLocs)
        return;
    charLocs[0] = 0;
    const uint8_t *text = static_cast<const uint8_t *>(textAddr);
    Point numer{1, 1}, denom{1, 1};
    for (int16_t i = 0; text && i < count; ++i)
        charLocs[i + 1] = int16_t(charLocs[i] + StdTxMeas(1, text + i, &numer, &denom, nullptr));
}

ZEL_EXTERN_C void ZEL_CALL GetFontInfo(FontInfo *info)
{
    if (info)
        GetFontInfoCore(info, false);
}

ZEL_EXTERN_C void ZEL_CALL FontMetrics(FMetricRec *theMetrics)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!port || !record || !dc)
        return;
    if (!sMetrics.wTabHandle)
        sMetrics.wTabHandle = NewHandleClear(sizeof(WidthTable));
    const bool printer = dc == PrintingDC(nullptr);
    const MetricsKey key{true, port->txFont, port->txSize, port->txFace, printer, record->flags, record->textFlags, dc};
    const bool extended = record->textFlags & textFlagExtended;
    FMetricRec *result = &sMetrics;
    const Fixed *ansiWidths = sAnsiWidths;
    if (!(sLastKey.valid && std::memcmp(&sLastKey, &key, sizeof key) == 0) || record->fontDirty) {
        if (FontMetricsCacheEntry *hit = CacheLookup(cacheMetricsValid)) {
            BindPortFont();
            result = &hit->metrics;
            ansiWidths = hit->ansiWidths;
        } else {
            BindPortFont();
            const TEXTMETRICA tm = BoundTextMetrics(record);
            Fixed ascent = Long2Fix(tm.tmAscent - tm.tmInternalLeading);
            Fixed leading = Long2Fix(tm.tmInternalLeading < tm.tmExternalLeading ? tm.tmInternalLeading : tm.tmExternalLeading);
            if (extended) {
                ascent += Long2Fix(tm.tmExternalLeading);
                leading = 0;
            }
            Fixed widths[256];
            for (int code = 0; code < 256; ++code) {
                const char c = char(code);
                SIZE size{};
                GetTextExtentCompat(dc, &c, 1, &size);
                widths[code] = Long2Fix(size.cx);
            }
            // Without an outline font the typographic stand-ins are drawn as plain characters.
            if (!(record->textFlags & textFlagOutline)) {
                auto w = [&](const char *s) {
                    SIZE size{};
                    GetTextExtentCompat(dc, s, int(std::strlen(s)), &size);
                    return Long2Fix(size.cx);
                };
                widths[0x85] = 3 * w(".");
                widths[0x93] = widths[0x94] = w("\"");
                widths[0x99] = w("t") + w("m") + w("(") + w(")");
            }
            const bool scaled = record->xform.scaleActive != 0;
            const uint8_t *high = MacToAnsiHighTable();
            if (HandleHasData(sMetrics.wTabHandle)) {
                WidthTable *table = reinterpret_cast<WidthTable *>(*sMetrics.wTabHandle);
                for (int k = 0; k < 256; ++k) {
                    const Fixed width = widths[k < 128 || !high ? k : high[k - 128]];
                    table->tabData[k] = scaled ? RevXformWidthToFixed(int16_t(Fix2Long(width))) : width;
                }
                int16_t pixelSize = int16_t(tm.tmHeight - tm.tmInternalLeading);
                if (scaled) {
                    int16_t none = 0;
                    RevXformExtent(&none, &pixelSize);
                }
                table->fSize = pixelSize;
                table->aSize = pixelSize;
                table->vOutput = 0x0100;
                table->hOutput = 0x0100;
            }
            for (int k = 0; k < 256; ++k)
                sAnsiWidths[k] = scaled ? RevXformWidthToFixed(int16_t(Fix2Long(widths[k]))) : widths[k];
            sMetrics.ascent = scaled ? RevXformHeightToFixed(int16_t(Fix2Long(ascent))) : ascent;
            sMetrics.descent = scaled ? RevXformHeightToFixed(int16_t(tm.tmDescent)) : Long2Fix(tm.tmDescent);
            sMetrics.leading = scaled ? RevXformHeightToFixed(int16_t(Fix2Long(leading))) : leading;
            sMetrics.widMax = scaled ? RevXformWidthToFixed(int16_t(tm.tmMaxCharWidth)) : Long2Fix(tm.tmMaxCharWidth);
            // The cache keeps a copy in its entry's own table.
            FontMetricsCacheEntry *slot = CacheSlot();
            if (HandleHasData(slot->metrics.wTabHandle) && HandleHasData(sMetrics.wTabHandle))
                std::memcpy(*slot->metrics.wTabHandle, *sMetrics.wTabHandle, sizeof(WidthTable));
            Handle own = slot->metrics.wTabHandle;
            slot->metrics = sMetrics;
            slot->metrics.wTabHandle = own;
            std::memcpy(slot->ansiWidths, sAnsiWidths, sizeof sAnsiWidths);
            slot->flags |= cacheMetricsValid;
        }
        sLastKey = key;
        sLastKey.textFlags = record->textFlags;
    } else if (FontMetricsCacheEntry *hit = CacheLookup(cacheMetricsValid)) {
        result = &hit->metrics;
        ansiWidths = hit->ansiWidths;
    }
    (void)ansiWidths;
    LowMem<Handle>(lmWidthTabHandle) = result->wTabHandle;
    if (theMetrics)
        *theMetrics = *result;
    if (extended && HandleHasData(result->wTabHandle))
        sExtWidths = reinterpret_cast<const Fixed *>(*result->wTabHandle);
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_ExtDrawText(uint16_t mode, const Fixed *widths, uint32_t param)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return 0;
    const int16_t previous = int16_t(record->textFlags & textFlagExtended);
    const uint16_t modeBits = textFlagExtended | textFlagExtendedMode2;
    if (mode == 0x8000) {
        record->textFlags = uint16_t((record->textFlags & ~modeBits) | sExtSaved.flags);
        sExtWidths = sExtSaved.widths;
        sExtParam = sExtSaved.param;
        return previous;
    }
    if (mode & 0x8000) {
        sExtSaved.flags = uint16_t(record->textFlags & modeBits);
        sExtSaved.widths = sExtWidths;
        sExtSaved.param = sExtParam;
        mode &= 0x7FFF;
    }
    record->textFlags &= uint16_t(~modeBits);
    sExtWidths = nullptr;
    if (mode == 2)
        record->textFlags |= textFlagExtendedMode2;
    if (mode != 0) {
        if (widths) {
            sExtWidths = widths;
        } else {
            FontMetrics(nullptr);
            Handle table = sMetrics.wTabHandle;
            sExtWidths = HandleHasData(table) ? reinterpret_cast<const Fixed *>(*table) : nullptr;
        }
        if (sExtWidths) {
            record->textFlags |= textFlagExtended;
            sExtParam = param;
        }
    }
    return previous;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_USER_WinTextOutWidths(int32_t *widths, int16_t count)
{
    sHostWidths = widths;
    sHostCount = widths ? count : 0;
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!widths || count <= 0 || !record)
        return;
    if (!record->xform.scaleActive && !(dc && dc == PrintingDC(nullptr)))
        return;
    Fixed revH, revV, fwdH, fwdV;
    GetXformRatios(&revH, &revV, &fwdH, &fwdV);
    // Each width is scaled; the fractions carry from width to width and round up at one half.
    int32_t carry = 0;
    for (int16_t i = 0; i < count; ++i) {
        const Fixed scaled = FixMul(widths[i] << 16, fwdH);
        int32_t whole = scaled >> 16;
        carry += scaled & 0xFFFF;
        if (carry >= 0x8000) {
            ++whole;
            carry -= 0x10000;
        }
        widths[i] = whole;
    }
}

ZEL_EXTERN_C int32_t ZEL_CALL VisibleLength(const void *textPtr, int32_t textLen)
{
    if (!textPtr || textLen <= 0)
        return 0;
    const uint8_t *text = static_cast<const uint8_t *>(textPtr);
    int32_t i = textLen - 1;
    while (i > 0 && (text[i] == ' ' || text[i] == '\n' || text[i] == '\t'))
        --i;
    return i + 1;
}

int32_t GetEditSelection(HWND edit, int32_t *end)
{
    const DWORD selection = DWORD(SendMessageA(edit, EM_GETSEL, 0, 0));
    if (end)
        *end = HIWORD(selection);
    return LOWORD(selection);
}

// Font binding: the port's font number, size and style turned into a Windows logical font (or one of the
// library's preset fonts), selected into the port's DC and measured once; the text-state calls; and the
// conversion and measuring of Macintosh text before it is drawn.
#include "text_services.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "FixMath.h"
#include "MacMemory.h"
#include "Zel.h"
#include "../core/core_services.h"
#include "../devices/devices_services.h"
#include "../dialogs/dialogs_services.h"
#include "../quickdraw/qd_services.h"

namespace {

// The fonts binding created, with the logical font each was made from: only these are ever deleted, and
// only once no port record holds them.
struct CreatedFont {
    HFONT font;
    LOGFONTA logFont;
};
std::vector<CreatedFont> sCreatedFonts;

CreatedFont *FindCreated(HFONT font)
{
    for (CreatedFont &c : sCreatedFonts)
        if (c.font == font)
            return &c;
    return nullptr;
}

bool HeldByAnyRecord(HFONT font)
{
    for (int i = 0; i < portDCTableSize; ++i)
        if (const PortDCRecord *record = PortRecordAt(i))
            if (record->hfont == font)
                return true;
    return false;
}

HFONT PresetFont(LibraryFontKind kind) { return GetLibraryFont(kind).font; }

// The bind buffer: a LOGFONTA, then the 64-byte full name and the byte after it (125 bytes).
#pragma pack(push, 2)
struct BindBuffer {
    LOGFONTA logFont;
    char fullName[64];
    char afterName;
};
#pragma pack(pop)
static_assert(offsetof(BindBuffer, fullName) == 60 && offsetof(BindBuffer, afterName) == 124,
              "a 60-byte LOGFONTA, the 64-byte full name, then one byte");

// The text scratch buffers are shared with measuring; a second simultaneous user takes a block of its
// own.
int sScratchInUse;

} // namespace

TEXTMETRICA BoundTextMetrics(const PortDCRecord *record)
{
    TEXTMETRICA tm{};
    if (record)
        std::memcpy(&tm, record->textMetrics, sizeof record->textMetrics);
    return tm;
}

void ReleaseDcFont(HDC dc, HFONT font)
{
    if (dc && !font)
        font = static_cast<HFONT>(SelectObject(dc, GetStockObject(DEVICE_DEFAULT_FONT)));
    if (!font)
        return;
    CreatedFont *created = FindCreated(font);
    if (!created || HeldByAnyRecord(font))
        return;
    sCreatedFonts.erase(sCreatedFonts.begin() + (created - sCreatedFonts.data()));
    DeleteObject(font);
}

ZEL_EXTERN_C HFONT ZEL_CALL ZEL_GetBindTextAttributesHFONT(void *bindBuffer)
{
    BindBuffer *bind = static_cast<BindBuffer *>(bindBuffer);
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!bind)
        return nullptr;
    std::memset(bind, 0, sizeof(LOGFONTA));
    bind->fullName[0] = '\0';
    bind->afterName = '\0';
    if (!port)
        return nullptr;
    const int16_t font = port->txFont;
    int16_t size = port->txSize ? port->txSize : 12;

    // The preset fonts: a dialog's control font for fonts 0 and 1, the monospaced fonts for small
    // monaco; the system font for font -2, and for -3 on the new shell.
    HFONT preset = nullptr;
    if (record && (record->flags & portDCDialogFont)) {
        if (font == 0 || (font == 1 && !LibrarySetting(settingDoubleByte)))
            preset = ControlFont().font ? ControlFont().font : PresetFont(libraryFontDialog);
        else if (font == 4 && size < 10)
            preset = PresetFont(libraryFontSmallMono);
        else if (font == 4 && size < 13)
            preset = PresetFont(libraryFontMono);
    }
    if (font == -2)
        preset = PresetFont(libraryFontSystem);
    else if (font == -3)
        preset = PresetFont(SessionPlatform().newShell ? libraryFontSystem : libraryFontDialog);
    if (preset) {
        GetObjectA(preset, sizeof(LOGFONTA), &bind->logFont);
        return preset;
    }

    LOGFONTA &lf = bind->logFont;
    uint8_t pitchAndFamily = 0;
    char face[32] = {};
    FontListNode *node = FindFontFaceByNumber(FontListHead(), font, size, &pitchAndFamily, face);
    const FontSizeEntry *entry = SelectFontSizeEntry(node, size);
    if (node && entry) {
        lf.lfEscapement = entry->escapement;
        lf.lfOrientation = entry->orientation;
        lf.lfCharSet = node->charSet;
        lf.lfOutPrecision = entry->outPrecision;
        lf.lfClipPrecision = entry->clipPrecision;
        lf.lfPitchAndFamily = node->pitchAndFamily;
        if (node->fontType == RASTER_FONTTYPE && entry->pixelSize == size) {
            lf.lfHeight = entry->height;
            lf.lfWidth = entry->width;
        } else {
            lf.lfHeight = -size;
        }
        lstrcpynA(lf.lfFaceName, node->faceName, LF_FACESIZE);
        lstrcpynA(bind->fullName, node->name, sizeof bind->fullName);
    } else {
        lf.lfHeight = -size;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfPitchAndFamily = pitchAndFamily;
        lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    }

    const HDC dc = CurrentDC();
    const bool printer = dc && dc == PrintingDC(nullptr);
    if (record && (record->xform.scaleActive || printer)) {
        int16_t w = int16_t(lf.lfWidth), h = int16_t(lf.lfHeight);
        XformExtent(&w, &h);
        lf.lfWidth = w;
        lf.lfHeight = h;
    }
    // A turned page on the printer turns the text with it.
    if (printer && record && record->xform.rotation) {
        lf.lfEscapement -= record->xform.rotation * 10;
        lf.lfOrientation = lf.lfEscapement;
    }
    if (LibrarySetting(settingTextBinding46) && !printer)
        lf.lfHeight = MulDiv(lf.lfHeight, ScreenLogPixels().y, 72);
    // GDI renders each glyph into a bitmap of the font's size: at a text size of 32767 (a picture's, or
    // one scaled up) two letters take half a gigabyte, a string of 255 different ones several. Text
    // for the screen and memory is bound at kMostFontPixels (a 255-letter string then stays under 64 MB);
    // printers draw outlines and take any size.
    constexpr LONG kMostFontPixels = 1024;
    if (!printer) {
        lf.lfHeight = std::clamp<LONG>(lf.lfHeight, -kMostFontPixels, kMostFontPixels);
        lf.lfWidth = std::clamp<LONG>(lf.lfWidth, -kMostFontPixels, kMostFontPixels);
    }

    const Style style = port->txFace;
    lf.lfWeight = (style & bold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & italic) ? 1 : 0;
    lf.lfUnderline = style & underline;
    lf.lfStrikeOut = LibrarySetting(settingTextBinding45) ? (style & extend) : 0;
    lf.lfQuality = 0;
    return nullptr;
}

namespace {
bool CurrentRecordShiftJis()
{
    const PortDCRecord *record = CurrentPortRecord();
    return record && (record->textFlags & textFlagShiftJis);
}
} // namespace

int BindPortFont()
{
    static bool queryInstalled;
    if (!queryInstalled) {
        SetPortDoubleByteTextQuery(CurrentRecordShiftJis);
        queryInstalled = true;
    }
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !record->fontDirty)
        return 0;
    BindBuffer bind;
    HFONT font = ZEL_GetBindTextAttributesHFONT(&bind);
    // A port whose text state went back to the font it has bound and selected (a run of styled text
    // drawn in another face and the port restored) keeps that font: making and selecting an equal one
    // would only measure the same metrics again.
    if (record->hfont && dc && GetCurrentObject(dc, OBJ_FONT) == record->hfont) {
        const CreatedFont *bound = font ? nullptr : FindCreated(record->hfont);
        if (font == record->hfont ||
            (bound && std::memcmp(&bound->logFont, &bind.logFont, sizeof bind.logFont) == 0)) {
            record->fontDirty = 0;
            return 1;
        }
    }
    record->textFlags &= uint16_t(~textFlagOutline);
    if (!font) {
        font = CreateFontIndirectA(&bind.logFont);
        if (font)
            sCreatedFonts.push_back(CreatedFont{font, bind.logFont});
    }
    HFONT previous = record->hfont;
    record->hfont = font;
    HFONT displaced = nullptr;
    if (dc && font)
        displaced = static_cast<HFONT>(SelectObjectMirrored(dc, font));
    TEXTMETRICA tm{};
    if (dc)
        GetTextMetricsA(dc, &tm);
    std::memcpy(record->textMetrics, &tm, sizeof record->textMetrics);
    if (tm.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE))
        record->textFlags |= textFlagOutline;
    if (tm.tmCharSet == SHIFTJIS_CHARSET)
        record->textFlags |= textFlagShiftJis;
    else
        record->textFlags &= uint16_t(~textFlagShiftJis);
    if (displaced && displaced != font)
        ReleaseDcFont(nullptr, displaced);
    if (previous && previous != font && previous != displaced)
        ReleaseDcFont(nullptr, previous);
    record->fontDirty = 0;
    return 1;
}

void SetTextAttributes(bool draw)
{
    if (draw)
        SyncPortDCAttributes(true);
    BindPortFont();
}

int32_t MacTextToAnsi(int16_t count, const void *text, SIZE *extent, const char **converted, Ptr *privateBlock,
                      const int32_t **advances)
{
    extent->cx = extent->cy = 0;
    *converted = nullptr;
    *privateBlock = nullptr;
    *advances = nullptr;
    const uint8_t *source = static_cast<const uint8_t *>(text);
    if (count <= 0 || !source || (count == 1 && source[0] < 14 && source[0] != 0x12))
        return 0;
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    GrafPtr port = CurrentPort();
    if (!record || !dc || !port)
        return 0;
    const TEXTMETRICA tm = BoundTextMetrics(record);

    // The bytes and, for extended text, one device advance per byte written.
    const uint32_t needed = MacToAnsiBufferSize(uint32_t(count));
    char *buffer = nullptr;
    int32_t *deviceAdvances = nullptr;
    if (sScratchInUse == 0 && (uint32_t(TextBufferCapacity()) >= needed || GrowTextBuffers(int32_t(needed)))) {
        buffer = TextByteBuffer();
        deviceAdvances = TextLongBuffer();
    } else {
        const uint32_t bytes = (needed + 3) & ~3u;
        *privateBlock = NewPtr(int32_t(bytes + needed * sizeof(int32_t)));
        buffer = *privateBlock;
        if (buffer)
            deviceAdvances = reinterpret_cast<int32_t *>(buffer + bytes);
    }
    if (!buffer)
        return 0;
    if (!*privateBlock)
        ++sScratchInUse;
    *converted = buffer;

    // The check mark is not text: the draw that follows blits the menu's check-mark bitmap.
    if (count == 1 && source[0] == 0x12) {
        buffer[0] = char(0xBB);
        buffer[1] = '\0';
        BITMAP check{};
        GetObjectA(CheckMarkBitmap(), sizeof check, &check);
        extent->cx = std::min<LONG>(tm.tmMaxCharWidth, check.bmWidth);
        extent->cy = tm.tmHeight;
        return 1;
    }

    int16_t flags = macToAnsiDropLineEnds;
    if (record->textFlags & textFlagOutline)
        flags |= macToAnsiRaw;
    if (record->textFlags & textFlagShiftJis)
        flags |= macToAnsiDoubleByte;
    // Extended text is measured while it is converted, with the widths in use.
    const Fixed *meterWidths = ExtendedMeterWidths();
    MacToAnsiMeasure meter{};
    if (meterWidths) {
        Fixed revH, revV, fwdH, fwdV;
        GetXformRatios(&revH, &revV, &fwdH, &fwdV);
        meter.widths = meterWidths;
        meter.deviceAdvances = deviceAdvances;
        meter.spExtra = port->spExtra;
        meter.scaled = record->xform.scaleActive != 0 || dc == PrintingDC(nullptr);
        meter.scale = fwdH;
        SetMacToAnsiMeasure(&meter);
        flags |= macToAnsiMeasure;
    }
    const int32_t length = ZEL_MacToAnsiBuf(source, reinterpret_cast<uint8_t *>(buffer), uint16_t(count), flags);
    if (meterWidths)
        SetMacToAnsiMeasure(nullptr);
    buffer[length] = '\0';
    if (length == 0)
        return 0;
    if (meterWidths) {
        *advances = deviceAdvances;
        extent->cx = MacToAnsiTotalAdvance();
        extent->cy = tm.tmHeight;
        return length;
    }
    const int32_t breaks = MacToAnsiBlankCount();
    if (port->spExtra && breaks > 0) {
        const Fixed product = FixMul(port->spExtra, Long2Fix(breaks));
        const int extra = record->xform.scaleActive ? XformFixedWidth(product) : FixRound(product);
        SetTextJustification(dc, extra, breaks);
    }
    SIZE size{};
    GetTextExtentCompat(dc, buffer, length, &size);
    extent->cx = size.cx - tm.tmOverhang;
    extent->cy = size.cy;
    return length;
}

void ReleaseTextBuffer(Ptr privateBlock)
{
    if (privateBlock)
        DisposePtr(privateBlock);
    else if (sScratchInUse > 0)
        --sScratchInUse;
}

ZEL_EXTERN_C void ZEL_CALL TextFont(int16_t font)
{
    GrafPtr port = CurrentPort();
    if (!port || port->txFont == font)
        return;
    port->txFont = font;
    if (PortDCRecord *record = CurrentPortRecord())
        record->fontDirty = 1;
}

ZEL_EXTERN_C void ZEL_CALL TextFace(int16_t face)
{
    GrafPtr port = CurrentPort();
    if (!port || port->txFace == Style(face))
        return;
    port->txFace = Style(face);
    if (PortDCRecord *record = CurrentPortRecord())
        record->fontDirty = 1;
}

ZEL_EXTERN_C void ZEL_CALL TextSize(int16_t size)
{
    GrafPtr port = CurrentPort();
    if (size == 0)
        size = 12;
    if (!port || port->txSize == size)
        return;
    port->txSize = size;
    if (PortDCRecord *record = CurrentPortRecord())
        record->fontDirty = 1;
}

ZEL_EXTERN_C void ZEL_CALL SpaceExtra(Fixed extra)
{
    LowMem<Fixed>(lmLastSPExtra) = extra;
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    port->spExtra = extra;
    if (extra == 0)
        if (HDC dc = CurrentDC())
            SetTextJustification(dc, 0, 0);
}

ZEL_STUB_VOID(CharExtra, (Fixed))

// Script Manager for one script, the system's: the script comes from the session's locale, character
// classes and word bounds from the Macintosh Roman table and two break tables, and the multi-script and
// justification calls answer fixed values. Its set-up builds the word-break table and loads the
// character-conversion maps, the 'Cmps' sort table and the 'LANG' language.
#include "text_services.h"
#include "intl_private.h"

#include "../core/core_services.h"
#include "MacMemory.h"
#include "Resources.h"
#include "Script.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr ResType kMapCType = 0x4D617043; // 'MapC'
constexpr ResType kCmpsType = 0x436D7073; // 'Cmps'
constexpr ResType kLangType = 0x4C414E47; // 'LANG'


// Word classes of FindWord without a break table.
enum WordClass : uint8_t { wordChar = 0, separatorChar = 1, joinerChar = 3 };

struct CodeTable {
    uint8_t entries[256];
};

constexpr CodeTable BuildWordCodeTable()
{
    CodeTable t{};
    for (int c = 0; c < 256; ++c)
        t.entries[c] = separatorChar;
    const uint8_t ranges[][2] = {{0x30, 0x39}, {0x41, 0x5A}, {0x61, 0x7A}, {0x80, 0x9F}, {0xA7, 0xA7},
                                 {0xAE, 0xAF}, {0xBE, 0xBF}, {0xCA, 0xCF}, {0xD8, 0xD9}, {0xDE, 0xDF},
                                 {0xE5, 0xEF}, {0xF1, 0xFF}};
    for (const auto &r : ranges)
        for (int c = r[0]; c <= r[1]; ++c)
            t.entries[c] = wordChar;
    for (uint8_t c : {0x27, 0x2D, 0x2E, 0xD5})
        t.entries[c] = joinerChar;
    return t;
}
constexpr CodeTable kWordCodeTable = BuildWordCodeTable();

// 0 for blanks and the operator signs of Macintosh Roman, 255 for every other code.
constexpr CodeTable BuildWordBreakTable()
{
    CodeTable t{};
    for (int c = 0; c < 256; ++c)
        t.entries[c] = 255;
    for (uint8_t c : {0x00, 0x09, 0x0D, 0x20, 0x26, 0x2A, 0x2B, 0x2D, 0x2F, 0x3C, 0x3D, 0x3E, 0x5C, 0x5E, 0x7C, 0xAD,
                      0xB1, 0xB2, 0xB3, 0xC5, 0xD0, 0xD1, 0xD6})
        t.entries[c] = 0;
    return t;
}
constexpr CodeTable kWordBreakTable = BuildWordBreakTable();

uint8_t sCompareTable[256]; // the 'Cmps' resource of the session's language
bool sCompareTableLoaded;
int16_t sSystemLanguage;    // the first word of 'LANG' 1000

Size ResourceSize(Handle h) { return HandleHasData(h) ? GetHandleSize(h) : 0; }

// A pair of 'MapC' maps: the lower number converts Macintosh to ANSI, the higher ANSI to Macintosh.
// Each must hold its 128 upper-half entries; a map that is too short leaves the installed tables.
void LoadConversionPair(int16_t macToAnsiId)
{
    Handle macToAnsi = GetResource(kMapCType, macToAnsiId);
    Handle ansiToMac = GetResource(kMapCType, static_cast<int16_t>(macToAnsiId + 1));
    if (ResourceSize(macToAnsi) >= 128 && ResourceSize(ansiToMac) >= 128)
        SetCharConversionTables(reinterpret_cast<const uint8_t *>(*ansiToMac), reinterpret_cast<const uint8_t *>(*macToAnsi));
    if (macToAnsi)
        ReleaseResource(macToAnsi);
    if (ansiToMac)
        ReleaseResource(ansiToMac);
}

void LoadConversionTables()
{
    switch (SessionLocale() & 0x3FF) {
    case 0x08: // Greek
        LoadConversionPair(10004);
        break;
    case 0x0F: // Icelandic
        LoadConversionPair(10008);
        break;
    case 0x1F: // Turkish
        LoadConversionPair(10002);
        break;
    default:
        break;
    }
    switch (SessionSystemScript()) {
    case 4: // Arabic
        LoadConversionPair(10000);
        break;
    case 29: // Central European
        LoadConversionPair(10006);
        break;
    default:
        break;
    }
}

void LoadLanguageResources()
{
    sCompareTableLoaded = false;
    Handle cmps = GetResource(kCmpsType, static_cast<int16_t>(SessionLocale() & 0x3FF));
    if (ResourceSize(cmps) >= 256) {
        std::memcpy(sCompareTable, *cmps, sizeof sCompareTable);
        sCompareTableLoaded = true;
    }
    if (cmps)
        ReleaseResource(cmps);
    sSystemLanguage = 0;
    Handle lang = GetResource(kLangType, 1000);
    if (ResourceSize(lang) >= 2) {
        const uint8_t *b = reinterpret_cast<const uint8_t *>(*lang);
        sSystemLanguage = static_cast<int16_t>(b[0] << 8 | b[1]); // resource data keep the Macintosh order
    }
    if (lang)
        ReleaseResource(lang);
}

// ---- FindWord ----

struct WordText {
    const uint8_t *text;
    int16_t length;
    uint8_t At(int i) const { return text[i]; }
    // Without a break table: word characters, joiners between two of them.
    bool InWord(int i) const
    {
        uint8_t cls = kWordCodeTable.entries[At(i)];
        if (cls == wordChar)
            return true;
        return cls == joinerChar && i > 0 && i + 1 < length && kWordCodeTable.entries[At(i - 1)] == wordChar &&
               kWordCodeTable.entries[At(i + 1)] == wordChar;
    }
    // With a break table: anything that is not a blank, a symbol or punctuation.
    bool WordChar(int i) const { return (MacRomanChar(At(i)).flags & (charBlank | charSymbol | charPunct)) == 0; }
    bool Blank(int i) const { return MacRomanChar(At(i)).flags == charBlank; }
    bool PunctOrOtherLetter(int i) const
    {
        uint8_t f = MacRomanChar(At(i)).flags;
        return f == charPunct || (f & 0x40);
    }
};

void FindWordBounds(const WordText &t, int offset, bool leadingEdge, BreakTablePtr breaks, int *first, int *second)
{
    int start = offset, end = offset;
    if (!breaks) {
        if (offset >= t.length) {
            *first = *second = t.length;
            return;
        }
        if (!t.InWord(offset)) {
            *first = offset;
            *second = offset + 1;
            return;
        }
        while (end < t.length && t.InWord(end))
            ++end;
        while (start > 0 && t.InWord(start - 1))
            --start;
        *first = start;
        *second = end;
        return;
    }
    bool atNonWord = offset < t.length && !t.WordChar(offset);
    if (!(leadingEdge && atNonWord))
        while (start > 0 && t.WordChar(start - 1))
            --start;
    if (!leadingEdge && start == offset) {
        start = offset - 1;
        end = offset;
    } else {
        while (end < t.length && t.WordChar(end))
            ++end;
        if (end == start && end < t.length)
            ++end;
    }
    if (start < t.length && t.Blank(start)) {
        while (start > 0 && t.Blank(start - 1))
            --start;
        while (end < t.length && t.Blank(end))
            ++end;
    } else if (breaks == reinterpret_cast<BreakTablePtr>(-1)) {
        while (start > 0 && kWordBreakTable.entries[t.At(start - 1)])
            --start;
        if (end > 0 && kWordBreakTable.entries[t.At(end - 1)])
            while (end < t.length && kWordBreakTable.entries[t.At(end)])
                ++end;
        if (end < t.length && end > 0 && t.PunctOrOtherLetter(end) && !t.PunctOrOtherLetter(end - 1))
            ++end;
    }
    *first = start;
    *second = end;
}

template <typename Map> void MapText(Ptr textPtr, int16_t len, Map map)
{
    if (!textPtr || len <= 0)
        return;
    uint8_t *p = reinterpret_cast<uint8_t *>(textPtr);
    for (int16_t i = 0; i < len; ++i)
        p[i] = map(p[i]);
}

} // namespace

void InitScriptManagerTables()
{
    LoadConversionTables();
    LoadLanguageResources();
}

// ---- Script variables ----

ZEL_EXTERN_C int32_t ZEL_CALL GetScriptManagerVariable(int16_t selector)
{
    switch (selector) {
    case smEnabled:
        return !SessionDoubleByte() && SessionSystemScript() == smRoman ? 1 : 2;
    case smSysScript:
    case smKeyScript:
        return SessionSystemScript();
    default:
        return 0;
    }
}

ZEL_EXTERN_C int32_t ZEL_CALL GetScriptVariable(int16_t, int16_t) { return 0; }

ZEL_EXTERN_C int32_t ZEL_CALL GetScript(int16_t, int16_t verb)
{
    if (verb == smScriptSysFondSize)
        return 0x0015000A;
    ReportUnimplemented(" GetScript");
    return 0;
}

ZEL_STUB(OSErr, SetScript, 0, (int16_t, int16_t, int32_t))
ZEL_EXTERN_C int16_t ZEL_CALL FontScript(void) { return SessionSystemScript(); }
ZEL_EXTERN_C int16_t ZEL_CALL FontToScript(int16_t) { return SessionSystemScript(); }
ZEL_STUB_VOID(KeyScript, (int16_t))
ZEL_STUB(int32_t, ScriptUtil, 0, (void))

ZEL_EXTERN_C int16_t ZEL_CALL GetSysDirection(void) { return SessionRightToLeft() ? -1 : 0; }
ZEL_EXTERN_C int16_t ZEL_CALL GetAppFont(void) { return 3; }
ZEL_EXTERN_C int16_t ZEL_CALL GetSysFont(void) { return 0; }
ZEL_EXTERN_C int16_t ZEL_CALL GetDefFontSize(void) { return 12; }

// ---- Characters and words ----

ZEL_EXTERN_C int16_t ZEL_CALL CharType(Ptr textBuf, int16_t textOffset)
{
    if (!textBuf)
        return smCharPunct;
    switch (MacRomanChar(static_cast<uint8_t>(textBuf[textOffset])).flags) {
    case charBlank:
        return smCharBlank;
    case charPunct:
        return smCharPunct;
    case charDigit:
        return smCharDigit;
    case charLower:
        return smCharAscii;
    case charOtherLower:
        return smCharEuro;
    case charUpperPlain:
        return smCharUpper | smCharAscii;
    case charOtherUpper:
        return smCharUpper | smCharEuro;
    default:
        return smCharSymbol;
    }
}

ZEL_EXTERN_C int16_t ZEL_CALL CharByte(Ptr, int16_t) { return 0; }
ZEL_EXTERN_C int16_t ZEL_CALL CharacterByteType(Ptr, int32_t, ScriptCode) { return 0; }

// The word around `offset`. Only text[0] .. text[length - 1] are read; a negative offset counts as 0 and
// one past the end as the end.
ZEL_EXTERN_C void ZEL_CALL FindWord(Ptr textPtr, int16_t textLength, int16_t offset, Boolean leadingEdge,
                                    BreakTablePtr breaks, OffPair *offsets)
{
    if (!offsets)
        return;
    int first = 0, second = 0;
    if (textPtr && textLength > 0) {
        int at = offset < 0 ? 0 : offset > textLength ? textLength : offset;
        if (at == 0 && !leadingEdge) {
            first = second = 0;
        } else if (at == textLength && leadingEdge) {
            first = second = textLength;
        } else {
            WordText t{reinterpret_cast<const uint8_t *>(textPtr), textLength};
            FindWordBounds(t, at, leadingEdge != 0, breaks, &first, &second);
        }
    }
    offsets[0].offFirst = static_cast<int16_t>(first);
    offsets[0].offSecond = static_cast<int16_t>(second);
}

// ---- Justification and truncation ----

ZEL_STUB(int16_t, Pixel2Char, 0, (Ptr, int16_t, int16_t, int16_t, Boolean *))
ZEL_STUB_VOID(DrawJust, (Ptr, int16_t, int16_t))
ZEL_STUB_NAMED_VOID(MeasureJust, "MEASUREJUST", (Ptr, int16_t, int16_t, Ptr))
ZEL_STUB(int16_t, ReplaceTex, 0, (Handle, Handle, const unsigned char *))
ZEL_EXTERN_C int16_t ZEL_CALL TruncString(int16_t, unsigned char *, TruncCode) { return 0; }

// ---- Case ----

ZEL_EXTERN_C void ZEL_CALL UpperText(Ptr textPtr, int16_t len)
{
    MapText(textPtr, len, [](uint8_t c) { return MacRomanChar(c).upper; });
}

ZEL_EXTERN_C void ZEL_CALL LowerText(Ptr textPtr, int16_t len)
{
    MapText(textPtr, len, [](uint8_t c) { return MacRomanChar(c).lower; });
}

ZEL_EXTERN_C void ZEL_CALL UprText(Ptr textPtr, int16_t len)
{
    MapText(textPtr, len, [](uint8_t c) { return static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c); });
}

ZEL_EXTERN_C void ZEL_CALL LwrText(Ptr textPtr, int16_t len)
{
    MapText(textPtr, len, [](uint8_t c) { return static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
}

ZEL_EXTERN_C void ZEL_CALL StripUpperText(Ptr textPtr, int16_t len)
{
    MapText(textPtr, len, [](uint8_t c) { return sCompareTableLoaded ? sCompareTable[c] : MacRomanChar(c).primary; });
}

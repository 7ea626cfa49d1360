// Script Manager and International Utilities: the set-up run when the resource files are open. The
// date and time formats come from the Windows locale and WIN.INI "intl", the international records from
// the 'INTL' 0 and 1 resources with the WIN.INI values laid over them.
#include "text_services.h"
#include "intl_private.h"

#include "../core/core_services.h"
#include "MacMemory.h"
#include "Resources.h"
#include "Script.h"

#include <cstring>

namespace {

LocaleDateFormat sDates;
Intl0Rec sIntl0;
Intl1Rec sIntl1;
Handle sIntl0Handle; // made once by GetIntlResource(0) from sIntl0
Handle sIntl1Handle;
bool sBuilt;

constexpr ResType kIntlType = 0x494E544C; // 'INTL'

const char *const kEnglishMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
const char *const kEnglishWeekdays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
                                         "Saturday"};

// A WIN.INI "intl" value of at most size - 1 characters; the default when the key is absent.
void ReadIntl(const char *key, const char *fallback, char *out, DWORD size)
{
    GetProfileStringA("intl", key, fallback, out, size);
    out[size - 1] = 0;
}

// True when the key is present with a non-empty value; the value (at most size - 1 characters) in `out`.
bool IntlValue(const char *key, char *out, DWORD size)
{
    out[0] = 0;
    ReadIntl(key, "", out, size);
    return out[0] != 0;
}

void CopyBounded(char *dst, size_t capacity, const char *src)
{
    size_t n = std::strlen(src);
    if (n >= capacity)
        n = capacity - 1;
    std::memcpy(dst, src, n);
    dst[n] = 0;
}

bool IsDateLetter(char c)
{
    return c == 'M' || c == 'm' || c == 'D' || c == 'd' || c == 'Y' || c == 'y';
}

// The short pattern's date order: the first of 'M', 'd' and 'y' decides.
uint8_t DateOrderOf(const char *pattern)
{
    for (const char *p = pattern; *p; ++p) {
        if (*p == 'y')
            return 2;
        if (*p == 'd')
            return 1;
        if (*p == 'M')
            return 0;
    }
    return 0;
}

// In a Japanese session an empty pair of parentheses in the short pattern takes the weekday ("ddd").
void InsertJapaneseWeekday(char *pattern, size_t capacity)
{
    char *pair = std::strstr(pattern, "()");
    size_t length = std::strlen(pattern);
    if (!pair || length + 3 >= capacity)
        return;
    std::memmove(pair + 4, pair + 1, length - (pair + 1 - pattern) + 1);
    std::memcpy(pair + 1, "ddd", 3);
}

// The abbreviated long pattern: every run of four equal month or weekday letters loses its fourth
// letter; in a Japanese session a weekday run of four becomes "(ddd)".
void BuildAbbreviatedPattern(const char *from, char *to, size_t capacity, bool japanese)
{
    size_t out = 0;
    auto put = [&](const char *text, size_t n) {
        for (size_t i = 0; i < n && out + 1 < capacity; ++i)
            to[out++] = text[i];
    };
    for (size_t i = 0; from[i];) {
        char c = from[i];
        size_t run = 1;
        while (from[i + run] == c)
            ++run;
        bool shortened = run == 4 && (c == 'M' || c == 'm' || c == 'D' || c == 'd');
        if (shortened && japanese && c == 'd')
            put("(ddd)", 5);
        else
            put(from + i, shortened ? 3 : run);
        i += run;
    }
    to[out] = 0;
}

// A locale name, converted to the Macintosh character set outside a double-byte session; false when
// the locale does not answer.
bool LocaleName(LCTYPE type, char *out)
{
    char name[80];
    if (GetLocaleInfoA(SessionLocale(), type, name, sizeof name) <= 1)
        return false;
    name[15] = 0;
    if (SessionDoubleByte()) {
        std::strcpy(out, name);
    } else {
        int32_t n = ZEL_AnsiToMacBuf(reinterpret_cast<const uint8_t *>(name), reinterpret_cast<uint8_t *>(out), 15);
        out[n < 0 ? 0 : n > 15 ? 15 : n] = 0;
    }
    return true;
}

void BuildLocaleDates()
{
    LocaleDateFormat &d = sDates;
    std::memset(&d, 0, sizeof d);
    d.japanese = SessionDoubleByte() && SessionSystemScript() == 1;
    char text[128];
    ReadIntl("sTime", ":", text, sizeof text);
    d.timeSeparator = text[0] ? text[0] : ':';
    d.hours24 = GetProfileIntA("intl", "iTime", 0) == 1;
    d.leadingZeros = GetProfileIntA("intl", "iTLZero", 0) ? 0xE0 : 0x60;
    ReadIntl("s1159", " AM", d.morning, sizeof d.morning);
    ReadIntl("s2359", " PM", d.evening, sizeof d.evening);
    ReadIntl("sShortDate", "M/d/yy", text, 16);
    CopyBounded(d.shortPattern, sizeof d.shortPattern, text);
    if (d.japanese)
        InsertJapaneseWeekday(d.shortPattern, sizeof d.shortPattern);
    d.dateOrder = DateOrderOf(d.shortPattern);
    d.dateSeparator = '/';
    for (const char *p = d.shortPattern; *p; ++p)
        if (!IsDateLetter(*p)) {
            d.dateSeparator = *p;
            break;
        }
    d.weekdayAbbrLength = d.japanese ? 2 : 3;
    d.monthAbbrLength = d.japanese ? 0 : 3;

    for (int i = 0; i < 12; ++i)
        if (!LocaleName(LOCALE_SMONTHNAME1 + i, d.months[i]))
            std::strcpy(d.months[i], kEnglishMonths[i]);
    // The locale counts its weekdays from Monday; the table starts on Sunday.
    for (int i = 0; i < 7; ++i)
        if (!LocaleName(LOCALE_SDAYNAME1 + (i + 6) % 7, d.weekdays[i]))
            std::strcpy(d.weekdays[i], kEnglishWeekdays[i]);

    ReadIntl("sLongDate", "dddd, MMMM d, yyyy", text, sizeof text);
    CopyBounded(d.longPattern, sizeof d.longPattern, text[0] ? text : "dddd, MMMM d, yyyy");
    BuildAbbreviatedPattern(d.longPattern, d.abbrevPattern, sizeof d.abbrevPattern, d.japanese);
}

// The record of 'INTL' `id` when the resource exists and holds the whole record.
template <typename Record> void LoadIntlResource(int16_t id, Record *record)
{
    Handle h = GetResource(kIntlType, id);
    if (HandleHasData(h) && GetHandleSize(h) >= static_cast<Size>(sizeof(Record)))
        std::memcpy(record, *h, sizeof(Record));
}

uint8_t RunLength(const char *p)
{
    uint8_t n = 0;
    while (p[n] == p[0] && n < 255)
        ++n;
    return n;
}

void ApplyCurrencyPosition(Intl0Rec &r, int position)
{
    char *sym = &r.currSym1;
    switch (position) {
    case 0:
        r.currFmt |= 0x10;
        break;
    case 1:
        r.currFmt &= ~0x10;
        break;
    case 2: // a blank after the symbol, the symbol before the number
        for (int i = 0; i < 3; ++i)
            if (!sym[i]) {
                sym[i] = ' ';
                break;
            }
        r.currFmt |= 0x10;
        break;
    case 3: // a blank before the symbol, the symbol after the number
        sym[2] = sym[1];
        sym[1] = sym[0];
        sym[0] = ' ';
        r.currFmt &= ~0x10;
        break;
    default:
        break;
    }
}

void BuildIntl0()
{
    Intl0Rec &r = sIntl0;
    std::memset(&r, 0, sizeof r);
    LoadIntlResource(0, &r);
    char v[64];
    // The suffixes fill their four bytes, zero-padded, without a NUL of their own.
    if (IntlValue("s1159", v, 5)) {
        std::memset(r.mornStr, 0, sizeof r.mornStr);
        std::memcpy(r.mornStr, v, std::strlen(v));
    }
    if (IntlValue("s2359", v, 5)) {
        std::memset(r.eveStr, 0, sizeof r.eveStr);
        std::memcpy(r.eveStr, v, std::strlen(v));
    }
    if (IntlValue("sCurrency", v, 4)) {
        r.currSym1 = v[0];
        r.currSym2 = v[1];
        r.currSym3 = v[1] ? v[2] : 0;
    }
    if (IntlValue("iCurrency", v, sizeof v))
        ApplyCurrencyPosition(r, ParseShortDecimal(v));
    if (IntlValue("iLZero", v, sizeof v))
        r.currFmt = ParseShortDecimal(v) > 0 ? r.currFmt | 0x80 : r.currFmt & ~0x80;
    if (IntlValue("iDigits", v, sizeof v))
        r.currFmt = ParseShortDecimal(v) > 0 ? r.currFmt | 0x40 : r.currFmt & ~0x40;
    if (IntlValue("iNegCurr", v, sizeof v)) {
        int16_t n = ParseShortDecimal(v);
        r.currFmt = n != 0 && n != 4 ? r.currFmt | 0x20 : r.currFmt & ~0x20;
    }
    if (IntlValue("sThousand", v, sizeof v))
        r.thousSep = v[0];
    if (IntlValue("sDecimal", v, sizeof v))
        r.decimalPt = v[0];
    if (IntlValue("sDate", v, sizeof v))
        r.dateSep = v[0];
    if (IntlValue("sTime", v, sizeof v))
        r.timeSep = v[0];
    if (IntlValue("sList", v, sizeof v))
        r.listSep = v[0];
    if (IntlValue("iDate", v, sizeof v))
        r.dateOrder = static_cast<uint8_t>(ParseShortDecimal(v));
    // The time cycle and leading zeros follow the locale's clock, so that a record passed back to the
    // time calls formats as the session does.
    r.timeCycle = sDates.hours24 ? 0 : 0xFF;
    r.timeFmt = sDates.leadingZeros & 0xC0;
    if (IntlValue("sShortDate", v, 16)) {
        r.dateOrder = v[0] == 'M' ? 0 : v[0] == 'd' ? 1 : 2;
        r.shrtDateFmt = 0;
        for (const char *p = v; *p;) {
            uint8_t run = RunLength(p);
            if ((*p == 'M' || *p == 'm') && run > 1)
                r.shrtDateFmt |= 0x40;
            if ((*p == 'D' || *p == 'd') && run > 1)
                r.shrtDateFmt |= 0x20;
            if ((*p == 'Y' || *p == 'y') && run >= 3)
                r.shrtDateFmt |= 0x80;
            p += run;
        }
    }
}

// The long-date record from "sLongDate": up to four fields, field p's code in bits 2p..2p+1 of
// lngDateFmt (the order IULDateString reads them in), and the text before each field as st0..st3,
// the text after the last as st4.
void BuildIntl1()
{
    Intl1Rec &r = sIntl1;
    std::memset(&r, 0, sizeof r);
    LoadIntlResource(1, &r);
    char pattern[128];
    if (!IntlValue("sLongDate", pattern, sizeof pattern))
        return;
    r.suppressDay = 1;
    r.lngDateFmt = 0;
    r.dayLeading0 = 0;
    char *separators[5] = {r.st0, r.st1, r.st2, r.st3, r.st4};
    for (char *s : separators)
        std::memset(s, 0, 4);
    int field = 0, kept = 0;
    for (const char *p = pattern; *p;) {
        char c = *p;
        bool isField = field < 4 && (c == 'D' || c == 'd' || c == 'M' || c == 'm' || c == 'y');
        if (isField) {
            uint8_t run = RunLength(p);
            uint8_t code;
            if (c == 'D' || c == 'd') {
                if (run >= 3) {
                    code = 1;
                    r.suppressDay &= ~1;
                } else {
                    code = 0;
                    r.dayLeading0 = run == 2;
                }
            } else {
                code = c == 'y' ? 3 : 2;
            }
            r.lngDateFmt |= code << (field * 2);
            ++field;
            kept = 0;
            p += run;
        } else if (c == 'W' || c == 'w') {
            p += RunLength(p);
        } else if (c == '\'' || c == '"') {
            const char *end = std::strchr(p + 1, c);
            const char *stop = end ? end : p + std::strlen(p);
            for (const char *q = p + 1; q < stop; ++q)
                if (kept < 4)
                    separators[field][kept++] = *q;
            p = end ? end + 1 : stop;
        } else {
            if (kept < 4)
                separators[field][kept++] = c;
            ++p;
        }
    }
}

} // namespace

// A program whose resource files did not open never ran the set-up: its first date or time call builds
// the formats from the locale.
const LocaleDateFormat &LocaleDates()
{
    if (!sBuilt)
        BuildIntlState();
    return sDates;
}
const Intl0Rec &LocaleIntl0()
{
    if (!sBuilt)
        BuildIntlState();
    return sIntl0;
}
const Intl1Rec &LocaleIntl1()
{
    if (!sBuilt)
        BuildIntlState();
    return sIntl1;
}
Handle MadeIntl1Handle() { return IsLiveHandle(sIntl1Handle) ? sIntl1Handle : nullptr; }

// The script of the session locale's primary language.
int16_t SessionSystemScript()
{
    switch (SessionLocale() & 0x3FF) {
    case 0x01: case 0x29:
        return 4; // Arabic
    case 0x02: case 0x19: case 0x23:
        return 7; // Cyrillic
    case 0x04:
        return 2; // Chinese
    case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1B: case 0x22: case 0x24: case 0x25: case 0x26: case 0x27:
        return 29; // Central European
    case 0x0D:
        return 5; // Hebrew
    case 0x11:
        return 1; // Japanese
    case 0x12:
        return 3; // Korean
    default:
        return 0;
    }
}

void BuildIntlState()
{
    sBuilt = true;
    BuildLocaleDates();
    BuildIntl0();
    BuildIntl1();
    // Handles already given out follow the new values.
    if (IsLiveHandle(sIntl0Handle) && GetHandleSize(sIntl0Handle) >= static_cast<Size>(sizeof sIntl0))
        std::memcpy(*sIntl0Handle, &sIntl0, sizeof sIntl0);
    if (IsLiveHandle(sIntl1Handle) && GetHandleSize(sIntl1Handle) >= static_cast<Size>(sizeof sIntl1))
        std::memcpy(*sIntl1Handle, &sIntl1, sizeof sIntl1);
}

void InitScriptAndIntl()
{
    // Handles made by an earlier set-up belong to a heap that may be gone.
    sIntl0Handle = sIntl1Handle = nullptr;
    BuildIntlState();
    InitScriptManagerTables();
}

// The 'INTL' resource of that number; for 0 and 1 without a whole resource, a handle made once from the
// session's record.
ZEL_EXTERN_C Handle ZEL_CALL GetIntlResource(int16_t theID)
{
    if (!sBuilt)
        BuildIntlState();
    Handle h = GetResource(kIntlType, theID);
    if (theID != 0 && theID != 1)
        return h;
    Size needed = theID == 0 ? sizeof(Intl0Rec) : sizeof(Intl1Rec);
    if (HandleHasData(h) && GetHandleSize(h) >= needed)
        return h;
    Handle &made = theID == 0 ? sIntl0Handle : sIntl1Handle;
    if (!IsLiveHandle(made)) {
        made = NewHandle(needed);
        if (made)
            std::memcpy(*made, theID == 0 ? static_cast<const void *>(&sIntl0) : &sIntl1, needed);
    }
    return made;
}

ZEL_EXTERN_C void ZEL_CALL GetIntlResourceTable(ScriptCode, int16_t, Handle *, int32_t *, int32_t *) {}

void ReloadInternationalSettings() { BuildIntlState(); }

// Test seam: the locale state and the international records built again from WIN.INI "intl".
ZEL_EXTERN_C void ZEL_CALL ReloadInternationalState(void) { BuildIntlState(); }

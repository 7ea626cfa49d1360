// International Utilities: seconds to dates and back, dates and times formatted from the session's
// patterns, and dates and times read back from text.
#include "text_services.h"
#include "intl_private.h"

#include "../core/core_services.h"
#include "DateTimeUtils.h"
#include "MacMemory.h"

#include <cstring>

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kLastShortSecond = 0xFFFFFFFFll;
constexpr int64_t kFirstLongSecond = -1094142556800ll;
constexpr int64_t kLastLongSecond = 973973807999ll;
constexpr int32_t kMaxParsed = 63; // the parsers read at most this many characters
constexpr int16_t kNoDate = static_cast<int16_t>(0x8400);
constexpr int16_t kInvalidDate = static_cast<int16_t>(0x8800);

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int MonthLength(int64_t year, int month)
{
    static const uint8_t kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kMonthDays[month - 1];
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1 January 1904 of a date on the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2;
    int64_t era = FloorDiv(year, 400);
    int64_t yoe = year - era * 400;
    int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 24107; // 1970-01-01 is day 24107 after 1904-01-01
}

void CivilFromDays(int64_t days, int64_t *year, int *month, int *day)
{
    int64_t z = days - 24107 + 719468;
    int64_t era = FloorDiv(z, 146097);
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = yoe + era * 400 + (*month <= 2);
}

// The calendar fields of a moment given in 64-bit seconds.
struct CalendarMoment {
    int64_t year;
    int month, day, hour, minute, second, dayOfWeek;
};

CalendarMoment MomentOf(int64_t seconds)
{
    CalendarMoment m{};
    int64_t days = FloorDiv(seconds, kSecondsPerDay);
    int64_t rest = seconds - days * kSecondsPerDay;
    CivilFromDays(days, &m.year, &m.month, &m.day);
    m.hour = static_cast<int>(rest / 3600);
    m.minute = static_cast<int>(rest / 60 % 60);
    m.second = static_cast<int>(rest % 60);
    m.dayOfWeek = static_cast<int>(days + 5 - FloorDiv(days + 5, 7) * 7) + 1; // 1904-01-01 was a Friday
    return m;
}

int64_t Clamp(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : v > hi ? hi : v; }

// ---- Output of at most 255 characters into a Str255 ----

struct StrOut {
    unsigned char *result;
    int length = 0;
    void Put(char c)
    {
        if (length < 255)
            result[1 + length++] = static_cast<unsigned char>(c);
    }
    void Put(const char *text, size_t n)
    {
        for (size_t i = 0; i < n && text[i]; ++i)
            Put(text[i]);
    }
    void Number(int64_t v, int minDigits)
    {
        char digits[24];
        int n = 0;
        bool negative = v < 0;
        uint64_t u = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        do {
            digits[n++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u && n < 20);
        while (n < minDigits)
            digits[n++] = '0';
        if (negative)
            Put('-');
        while (n)
            Put(digits[--n]);
    }
    void Finish()
    {
        if (result)
            result[0] = static_cast<unsigned char>(length);
    }
};

// ---- Date patterns ----

// Japanese eras for "gg": their first days and Shift-JIS names.
struct Era {
    int16_t year, month, day;
    char name[5];
};
const Era kEras[] = {
    {1868, 1, 1, "\x96\xBE\x8E\xA1"},
    {1912, 7, 30, "\x91\xE5\x90\xB3"},
    {1926, 12, 25, "\x8F\xBA\x98\x61"},
    {1989, 1, 8, "\x95\xBD\x90\xAC"},
};

const Era *EraOf(const CalendarMoment &m)
{
    const Era *found = nullptr;
    for (const Era &e : kEras)
        if (m.year > e.year || (m.year == e.year && (m.month > e.month || (m.month == e.month && m.day >= e.day))))
            found = &e;
    return found;
}

enum FieldKind { fieldText, fieldDay, fieldWeekday, fieldMonth, fieldYear, fieldEra };

struct PatternItem {
    FieldKind kind;
    const char *text; // the run or the literal (quotes removed)
    size_t length;
};

// Splits a pattern into fields and the literal text between them (quoted text loses its quotes).
int SplitPattern(const char *pattern, PatternItem *items, int capacity)
{
    int n = 0;
    for (const char *p = pattern; *p && n < capacity;) {
        char c = *p;
        size_t run = 1;
        while (p[run] == c)
            ++run;
        if (c == 'd') {
            items[n++] = {run >= 3 ? fieldWeekday : fieldDay, p, run};
        } else if (c == 'M') {
            items[n++] = {fieldMonth, p, run};
        } else if (c == 'y') {
            items[n++] = {fieldYear, p, run};
        } else if (c == 'g') {
            items[n++] = {fieldEra, p, run};
        } else if (c == '\'') {
            const char *end = std::strchr(p + 1, '\'');
            size_t length = end ? static_cast<size_t>(end - p - 1) : std::strlen(p + 1);
            items[n++] = {fieldText, p + 1, length};
            run = length + (end ? 2 : 1);
        } else {
            run = 1;
            while (p[run] && p[run] != 'd' && p[run] != 'M' && p[run] != 'y' && p[run] != 'g' && p[run] != '\'')
                ++run;
            items[n++] = {fieldText, p, run};
        }
        p += run;
    }
    return n;
}

bool Suppressed(const PatternItem &item, uint8_t suppress)
{
    switch (item.kind) {
    case fieldDay:
        return suppress & 1;
    case fieldWeekday:
        return suppress & 3;
    case fieldMonth:
        return suppress & 4;
    case fieldYear:
        return suppress & 8;
    default:
        return false;
    }
}

// Drops the suppressed fields, each with the text up to the next field; the last field takes the text
// after the field before it.
int RemoveSuppressed(PatternItem *items, int n, uint8_t suppress)
{
    for (int i = 0; i < n; ++i) {
        if (items[i].kind == fieldText || !Suppressed(items[i], suppress))
            continue;
        bool laterField = false;
        for (int j = i + 1; j < n; ++j)
            laterField |= items[j].kind != fieldText;
        items[i].length = 0;
        if (laterField) {
            for (int j = i + 1; j < n && items[j].kind == fieldText; ++j)
                items[j].length = 0;
        } else {
            for (int j = i - 1; j >= 0 && items[j].kind == fieldText; --j)
                items[j].length = 0;
        }
    }
    return n;
}

void PutName(StrOut &out, const char *name, uint8_t cut)
{
    size_t n = std::strlen(name);
    out.Put(name, cut && cut < n ? cut : n);
}

void FormatDate(const char *pattern, const CalendarMoment &m, uint8_t suppress, StrOut &out)
{
    const LocaleDateFormat &loc = LocaleDates();
    PatternItem items[128];
    int n = RemoveSuppressed(items, SplitPattern(pattern, items, 128), suppress);
    const Era *era = nullptr;
    for (int i = 0; i < n; ++i) {
        const PatternItem &item = items[i];
        if (item.length == 0)
            continue;
        switch (item.kind) {
        case fieldText:
            out.Put(item.text, item.length);
            break;
        case fieldDay:
            out.Number(m.day, item.length >= 2 ? 2 : 1);
            break;
        case fieldWeekday:
            PutName(out, loc.weekdays[m.dayOfWeek - 1], item.length == 3 ? loc.weekdayAbbrLength : 0);
            break;
        case fieldMonth:
            if (item.length >= 3)
                PutName(out, loc.months[m.month - 1], item.length == 3 ? loc.monthAbbrLength : 0);
            else
                out.Number(m.month, item.length);
            break;
        case fieldEra:
            era = EraOf(m);
            if (era)
                out.Put(era->name, 4);
            break;
        case fieldYear: {
            int64_t year = era ? m.year - era->year + 1 : m.year;
            if (item.length <= 2)
                out.Number((year % 100 + 100) % 100, 2);
            else
                out.Number(year, 4);
            break;
        }
        }
    }
}

// A pattern with its four-letter month and weekday runs cut to three letters.
void ShortenPattern(const char *from, char *to, size_t capacity)
{
    size_t out = 0;
    for (size_t i = 0; from[i];) {
        char c = from[i];
        size_t run = 1;
        while (from[i + run] == c)
            ++run;
        size_t keep = run == 4 && (c == 'M' || c == 'm' || c == 'D' || c == 'd') ? 3 : run;
        for (size_t k = 0; k < keep && out + 1 < capacity; ++k)
            to[out++] = c;
        i += run;
    }
    to[out] = 0;
}

uint8_t MadeHandleSuppression()
{
    Handle h = MadeIntl1Handle();
    return h && GetHandleSize(h) >= static_cast<Size>(sizeof(Intl1Rec)) ? reinterpret_cast<Intl1Rec *>(*h)->suppressDay
                                                                        : 0;
}

const Intl1Rec *WholeIntl1(Handle h)
{
    return HandleHasData(h) && GetHandleSize(h) >= static_cast<Size>(sizeof(Intl1Rec)) ? reinterpret_cast<Intl1Rec *>(*h)
                                                                                      : nullptr;
}

const Intl0Rec *WholeIntl0(Handle h)
{
    return HandleHasData(h) && GetHandleSize(h) >= static_cast<Size>(sizeof(Intl0Rec)) ? reinterpret_cast<Intl0Rec *>(*h)
                                                                                      : nullptr;
}

// The long pattern a long-date record describes: st0, then each field in the order of lngDateFmt's
// bit pairs (the lowest first), each separator after a field only when that field is not empty.
void PatternFromIntl1(const Intl1Rec &r, char *pattern, size_t capacity)
{
    uint8_t order = r.lngDateFmt == 0 || r.lngDateFmt == 0xFF ? 0xC9 : r.lngDateFmt;
    const char *separators[5] = {r.st0, r.st1, r.st2, r.st3, r.st4};
    size_t out = 0;
    auto put = [&](const char *text, size_t n) {
        for (size_t i = 0; i < n && text[i] && out + 1 < capacity; ++i) {
            // Separator text is literal: quote what would read as a field letter.
            char c = text[i];
            bool letter = c == 'd' || c == 'M' || c == 'y' || c == 'g' || c == '\'';
            if (letter && out + 4 < capacity) {
                pattern[out++] = '\'';
                pattern[out++] = c;
                pattern[out++] = '\'';
            } else if (!letter) {
                pattern[out++] = c;
            }
        }
    };
    auto putField = [&](const char *field) {
        for (const char *f = field; *f && out + 1 < capacity; ++f)
            pattern[out++] = *f;
    };
    put(separators[0], 4);
    for (int p = 0; p < 4; ++p) {
        const char *field = "";
        switch ((order >> (p * 2)) & 3) {
        case 0:
            field = r.suppressDay & 1 ? "" : r.dayLeading0 ? "dd" : "d";
            break;
        case 1:
            field = r.suppressDay & 3 ? "" : "dddd";
            break;
        case 2:
            field = r.suppressDay & 4 ? "" : "MMMM";
            break;
        case 3:
            field = r.suppressDay & 8 ? "" : "yyyy";
            break;
        }
        putField(field);
        if (p == 3)
            put(separators[4], 4);
        else if (*field)
            put(separators[p + 1], 4);
    }
    pattern[out] = 0;
}

void LongDateString(int64_t seconds, DateForm form, unsigned char *result, Handle intl)
{
    StrOut out{result};
    if (!result)
        return;
    CalendarMoment m = MomentOf(Clamp(seconds, kFirstLongSecond, kLastLongSecond));
    const LocaleDateFormat &loc = LocaleDates();
    const Intl1Rec *record = WholeIntl1(intl);
    if (form == shortDate) {
        FormatDate(loc.shortPattern, m, MadeHandleSuppression(), out);
    } else if (record) {
        char pattern[128], shortened[128];
        PatternFromIntl1(*record, pattern, sizeof pattern);
        if (form == abbrevDate) {
            ShortenPattern(pattern, shortened, sizeof shortened);
            FormatDate(shortened, m, 0, out);
        } else {
            FormatDate(pattern, m, 0, out);
        }
    } else {
        FormatDate(form == abbrevDate ? loc.abbrevPattern : loc.longPattern, m, 0, out);
    }
    out.Finish();
}

void DateString(uint32_t seconds, DateForm form, unsigned char *result)
{
    if (!result)
        return;
    StrOut out{result};
    const LocaleDateFormat &loc = LocaleDates();
    const char *pattern = form == shortDate ? loc.shortPattern : form == abbrevDate ? loc.abbrevPattern : loc.longPattern;
    FormatDate(pattern, MomentOf(seconds), MadeHandleSuppression(), out);
    out.Finish();
}

// ---- Times ----

struct TimeFormat {
    bool hours24;
    uint8_t leadingZeros;
    char separator;
    char morning[5], evening[5], suffix24[9];
};

TimeFormat LocaleTimeFormat()
{
    const LocaleDateFormat &loc = LocaleDates();
    TimeFormat f{loc.hours24, loc.leadingZeros, loc.timeSeparator, {}, {}, {}};
    std::memcpy(f.morning, loc.morning, sizeof f.morning);
    std::memcpy(f.evening, loc.evening, sizeof f.evening);
    return f;
}

// The time format of a number-format record: its fixed-size texts carry no NUL.
TimeFormat RecordTimeFormat(const Intl0Rec &r)
{
    TimeFormat f{r.timeCycle == 0, r.timeFmt, r.timeSep, {}, {}, {}};
    std::memcpy(f.morning, r.mornStr, 4);
    std::memcpy(f.evening, r.eveStr, 4);
    std::memcpy(f.suffix24, &r.time1Suff, 8);
    return f;
}

void TimeString(const CalendarMoment &m, bool wantSeconds, const TimeFormat &f, unsigned char *result)
{
    if (!result)
        return;
    StrOut out{result};
    int hour = m.hour;
    if (!f.hours24)
        hour = hour == 0 ? 12 : hour > 12 ? hour - 12 : hour;
    out.Number(hour, f.leadingZeros & 0x80 ? 2 : 1);
    out.Put(f.separator);
    out.Number(m.minute, f.leadingZeros & 0x40 ? 2 : 1);
    if (wantSeconds) {
        out.Put(f.separator);
        out.Number(m.second, f.leadingZeros & 0x40 ? 2 : 1);
    }
    out.Put(' ');
    const char *suffix = f.hours24 ? f.suffix24 : m.hour < 12 ? f.morning : f.evening;
    out.Put(suffix, std::strlen(suffix));
    out.Finish();
}

// ---- Parsing ----

// At most 63 characters of the caller's text, copied so that nothing past `length` is ever read.
struct ParseText {
    char text[kMaxParsed + 1];
    int32_t length;
    ParseText(const char *from, int32_t count)
    {
        length = count < kMaxParsed ? count : kMaxParsed;
        std::memcpy(text, from, length);
        text[length] = 0;
    }
    char At(int32_t i) const { return i < length ? text[i] : 0; }
    // The first character after the leading blanks and control characters.
    int32_t FirstNonBlank() const
    {
        int32_t at = 0;
        while (at < length && static_cast<uint8_t>(text[at]) <= 0x20)
            ++at;
        return at;
    }
    bool Digit(int32_t i) const { return i < length && text[i] >= '0' && text[i] <= '9'; }
    // The value of the digits from i (at most 9 are summed, further ones are read and ignored).
    int32_t Number(int32_t *i) const
    {
        int32_t v = 0, digits = 0;
        while (Digit(*i)) {
            if (digits++ < 9)
                v = v * 10 + (text[*i] - '0');
            ++*i;
        }
        return v;
    }
};

int32_t FullYear(int32_t year)
{
    if (year < 100)
        return year < 11 ? 2000 + year : 1900 + year;
    return year;
}

void Today(CalendarMoment *m)
{
    uint32_t now;
    GetDateTime(&now);
    *m = MomentOf(now);
}

uint8_t UpperMac(char c) { return MacRomanChar(static_cast<uint8_t>(c)).upper; }

// True when the token equals the name (upper-case forms compared), whole or cut to `cut` characters.
bool NameMatches(const char *token, int32_t length, const char *name, uint8_t cut)
{
    int32_t n = static_cast<int32_t>(std::strlen(name));
    auto same = [&](int32_t count) {
        if (count != length || count == 0)
            return false;
        for (int32_t i = 0; i < count; ++i)
            if (UpperMac(token[i]) != UpperMac(name[i]))
                return false;
        return true;
    };
    return same(n) || (cut && cut < n && same(cut));
}

bool IsDateSeparator(char c, char dateSep) { return c == dateSep || c == '/' || c == '-' || c == ' '; }

struct Token {
    int32_t start, length;
};

// The next token after separators ("blank, comma, dash", or without the dash); length 0 at the end.
Token NextToken(const ParseText &t, int32_t *at, bool dashSeparates)
{
    auto separator = [&](char c) { return c == ' ' || c == ',' || (dashSeparates && c == '-'); };
    while (*at < t.length && separator(t.text[*at]))
        ++*at;
    Token token{*at, 0};
    while (*at < t.length && !separator(t.text[*at]))
        ++*at;
    token.length = *at - token.start;
    return token;
}

int16_t TextDate(const ParseText &t, int32_t start, int32_t *used, LongDateRec *date)
{
    const LocaleDateFormat &loc = LocaleDates();
    int32_t at = start;
    Token token = NextToken(t, &at, true);
    for (int i = 0; i < 7 && token.length; ++i)
        if (NameMatches(t.text + token.start, token.length, loc.weekdays[i], loc.weekdayAbbrLength)) {
            token = NextToken(t, &at, true);
            break;
        }
    int32_t day = -1;
    if (token.length && t.Digit(token.start)) {
        int32_t i = token.start;
        day = t.Number(&i);
        token = NextToken(t, &at, true);
    }
    int month = 0;
    for (int i = 0; i < 12 && token.length && !month; ++i)
        if (NameMatches(t.text + token.start, token.length, loc.months[i], loc.monthAbbrLength))
            month = i + 1;
    if (!month)
        return kNoDate;
    int32_t end = at;
    CalendarMoment today;
    Today(&today);
    if (day < 0) {
        Token d = NextToken(t, &at, false);
        if (d.length && t.Digit(d.start)) {
            int32_t i = d.start;
            day = t.Number(&i);
            end = at;
        }
    }
    int64_t year = today.year;
    Token y = NextToken(t, &at, false);
    if (y.length && t.Digit(y.start)) {
        int32_t i = y.start;
        year = FullYear(t.Number(&i));
        end = at;
    }
    if (year < 1000 || year > 9999 || day < 1 || day > MonthLength(year, month))
        return kInvalidDate;
    date->ld.era = 0;
    date->ld.year = static_cast<int16_t>(year);
    date->ld.month = static_cast<int16_t>(month);
    date->ld.day = static_cast<int16_t>(day);
    int32_t rest = end;
    int16_t status = 1;
    if (NextToken(t, &rest, false).length)
        status |= 2;
    if (used)
        *used = end;
    return status;
}

} // namespace

// ---- Seconds and dates ----

ZEL_EXTERN_C void ZEL_CALL SecondsToDate(uint32_t secs, DateTimeRec *d) { DateFromMacSeconds(secs, d); }

ZEL_EXTERN_C void ZEL_CALL DateToSeconds(const DateTimeRec *d, uint32_t *secs)
{
    if (!secs)
        return;
    *secs = 0;
    if (!d || d->year < 1904 || d->year > 2040 || d->month < 1 || d->month > 12)
        return;
    int64_t days = DaysFromCivil(d->year, d->month, 1) + d->day - 1;
    int64_t seconds = days * kSecondsPerDay + d->hour * 3600ll + d->minute * 60ll + d->second;
    // The 32-bit count ends on 6 February 2040 at 06:28:15; later moments have no count.
    if (seconds >= 0 && seconds <= kLastShortSecond)
        *secs = static_cast<uint32_t>(seconds);
}

ZEL_EXTERN_C void ZEL_CALL LongSecondsToDate(const LongDateTime *lSecs, LongDateRec *lDate)
{
    if (!lSecs || !lDate)
        return;
    int64_t seconds = Clamp(*lSecs, kFirstLongSecond, kLastLongSecond);
    CalendarMoment m = MomentOf(seconds);
    int64_t dayOfYear0 = FloorDiv(seconds, kSecondsPerDay) - DaysFromCivil(m.year, 1, 1);
    lDate->ld.era = 0;
    lDate->ld.year = static_cast<int16_t>(m.year);
    lDate->ld.month = static_cast<int16_t>(m.month);
    lDate->ld.day = static_cast<int16_t>(m.day);
    lDate->ld.hour = static_cast<int16_t>(m.hour);
    lDate->ld.minute = static_cast<int16_t>(m.minute);
    lDate->ld.second = static_cast<int16_t>(m.second);
    lDate->ld.dayOfWeek = static_cast<int16_t>(m.dayOfWeek);
    lDate->ld.dayOfYear = static_cast<int16_t>(dayOfYear0 + 1);
    lDate->ld.weekOfYear = static_cast<int16_t>(dayOfYear0 / 7 + 1 + (m.dayOfWeek <= dayOfYear0 % 7 ? 1 : 0));
    lDate->ld.pm = m.hour >= 12;
}

ZEL_EXTERN_C void ZEL_CALL LongDateToSeconds(const LongDateRec *lDate, LongDateTime *lSecs)
{
    if (!lDate || !lSecs)
        return;
    int64_t month0 = lDate->ld.month - 1;
    int64_t year = lDate->ld.year + FloorDiv(month0, 12);
    month0 -= FloorDiv(month0, 12) * 12;
    int64_t days = DaysFromCivil(year, month0 + 1, 1) + lDate->ld.day - 1;
    *lSecs = days * kSecondsPerDay + lDate->ld.hour * 3600ll + lDate->ld.minute * 60ll + lDate->ld.second;
}

ZEL_EXTERN_C int16_t ZEL_CALL ValidDate(LongDateRec *date, int32_t flags, LongDateTime *newSecs)
{
    if (!date)
        return kInvalidDate;
    LongDateTime seconds;
    LongDateToSeconds(date, &seconds);
    LongDateRec back = *date;
    LongSecondsToDate(&seconds, &back);
    if (newSecs)
        *newSecs = seconds;
    for (int i = 0; i < 10; ++i)
        if ((flags & (1 << i)) && back.list[i] != date->list[i])
            return kInvalidDate;
    return -1;
}

ZEL_EXTERN_C OSErr ZEL_CALL InitDateCache(DateCachePtr) { return noErr; }

// ---- Formatting ----

ZEL_EXTERN_C void ZEL_CALL IUDateString(int32_t dateTime, DateForm longFlag, unsigned char *result)
{
    DateString(static_cast<uint32_t>(dateTime), longFlag, result);
}

ZEL_EXTERN_C void ZEL_CALL IUDatePString(int32_t dateTime, DateForm longFlag, unsigned char *result, Handle)
{
    DateString(static_cast<uint32_t>(dateTime), longFlag, result);
}

ZEL_EXTERN_C void ZEL_CALL IULDateString(LongDateTime *dateTime, DateForm longFlag, unsigned char *result,
                                         Handle intlHandle)
{
    if (dateTime)
        LongDateString(*dateTime, longFlag, result, intlHandle);
}

ZEL_EXTERN_C void ZEL_CALL IUTimeString(int32_t dateTime, Boolean wantSeconds, unsigned char *result)
{
    TimeString(MomentOf(static_cast<uint32_t>(dateTime)), wantSeconds, LocaleTimeFormat(), result);
}

ZEL_EXTERN_C void ZEL_CALL IUTimePString(int32_t dateTime, Boolean wantSeconds, unsigned char *result, Handle)
{
    TimeString(MomentOf(static_cast<uint32_t>(dateTime)), wantSeconds, LocaleTimeFormat(), result);
}

ZEL_EXTERN_C void ZEL_CALL IULTimeString(LongDateTime *dateTime, Boolean wantSeconds, unsigned char *result,
                                         Handle intlHandle)
{
    if (!dateTime)
        return;
    const Intl0Rec *record = WholeIntl0(intlHandle);
    CalendarMoment m = MomentOf(Clamp(*dateTime, kFirstLongSecond, kLastLongSecond));
    TimeString(m, wantSeconds, record ? RecordTimeFormat(*record) : LocaleTimeFormat(), result);
}

// ---- Parsing ----

ZEL_EXTERN_C StringToDateStatus ZEL_CALL StringToDate(Ptr textPtr, int32_t textLen, DateCachePtr, int32_t *lengthUsed,
                                                      LongDateRec *dateTime)
{
    if (!textPtr || textLen <= 0 || !dateTime)
        return kNoDate;
    const ParseText t(textPtr, textLen);
    int32_t at = t.FirstNonBlank();
    if (at >= t.length)
        return kNoDate;
    const LocaleDateFormat &loc = LocaleDates();
    if (t.Digit(at)) {
        // The numeric form: up to three numbers and the separators after the first two.
        int32_t numbers[3], count = 0, i = at;
        char separators[2] = {0, 0};
        numbers[count++] = t.Number(&i);
        while (count < 3 && IsDateSeparator(t.At(i), loc.dateSeparator) && t.Digit(i + 1)) {
            separators[count - 1] = t.At(i);
            ++i;
            numbers[count++] = t.Number(&i);
        }
        // A number followed by a word ("25 December 1997") is the text form's day.
        int32_t after = i;
        while (after < t.length && t.text[after] == ' ')
            ++after;
        uint8_t next = static_cast<uint8_t>(t.At(after));
        bool word = count < 3 && after < t.length && (MacRomanChar(next).flags & (0x20 | 0x40 | 0x80));
        if (!word) {
            CalendarMoment today;
            Today(&today);
            int64_t year = today.year;
            int32_t month = today.month, day = today.day;
            // The order the numbers come in: month-day-year, day-month-year or year-month-day.
            static const char kOrder[3][3] = {{'m', 'd', 'y'}, {'d', 'm', 'y'}, {'y', 'm', 'd'}};
            const char *order = kOrder[loc.dateOrder <= 2 ? loc.dateOrder : 0];
            if (count == 1)
                day = numbers[0];
            else
                for (int k = 0; k < count; ++k) {
                    if (order[k] == 'm')
                        month = numbers[k];
                    else if (order[k] == 'd')
                        day = numbers[k];
                    else
                        year = numbers[k];
                }
            if (year >= 0 && year <= 9999)
                year = FullYear(static_cast<int32_t>(year));
            if (month < 1 || month > 12 || year < 0 || year > 9999 || day < 1 || day > MonthLength(year, month))
                return kInvalidDate;
            int16_t status = 1;
            if (count >= 2 && separators[0] != loc.dateSeparator)
                status |= 4;
            if (count == 3 && separators[1] != separators[0])
                status |= 0x40;
            if (i < t.length)
                status |= 2;
            dateTime->ld.era = 0;
            dateTime->ld.year = static_cast<int16_t>(year);
            dateTime->ld.month = static_cast<int16_t>(month);
            dateTime->ld.day = static_cast<int16_t>(day);
            if (lengthUsed)
                *lengthUsed = i;
            return status;
        }
    }
    return TextDate(t, at, lengthUsed, dateTime);
}

ZEL_EXTERN_C StringToDateStatus ZEL_CALL StringToTime(Ptr textPtr, int32_t textLen, DateCachePtr, int32_t *lengthUsed,
                                                      LongDateRec *dateTime)
{
    if (!textPtr || textLen <= 0 || !dateTime)
        return kNoDate;
    const ParseText t(textPtr, textLen);
    int32_t at = t.FirstNonBlank();
    if (!t.Digit(at))
        return kNoDate;
    const LocaleDateFormat &loc = LocaleDates();
    int32_t hour = t.Number(&at), minute = 0, second = 0;
    if (at < t.length && t.Digit(at + 1)) {
        ++at; // whatever separates the hour from the minutes
        minute = t.Number(&at);
        if (t.At(at) == loc.timeSeparator && t.Digit(at + 1)) {
            ++at;
            second = t.Number(&at);
        }
    }
    if (at < t.length) {
        int32_t s = at;
        if (loc.morning[0] != ' ' && loc.evening[0] != ' ')
            while (s < t.length && t.text[s] == ' ')
                ++s;
        auto suffixAt = [&](const char *suffix) {
            int32_t n = static_cast<int32_t>(std::strlen(suffix));
            if (n == 0 || s + n > t.length)
                return false;
            for (int32_t k = 0; k < n; ++k)
                if (UpperMac(t.text[s + k]) != UpperMac(suffix[k]))
                    return false;
            return true;
        };
        if (suffixAt(loc.evening)) {
            if (hour < 12)
                hour += 12;
            at = s + static_cast<int32_t>(std::strlen(loc.evening));
        } else if (suffixAt(loc.morning)) {
            if (hour == 12)
                hour = 0;
            at = s + static_cast<int32_t>(std::strlen(loc.morning));
        }
    }
    if (hour == 24 && minute == 0 && second == 0)
        hour = 0;
    if (hour > 23 || minute > 59 || second > 59)
        return kInvalidDate;
    dateTime->ld.hour = static_cast<int16_t>(hour);
    dateTime->ld.minute = static_cast<int16_t>(minute);
    dateTime->ld.second = static_cast<int16_t>(second);
    if (lengthUsed)
        *lengthUsed = at;
    return static_cast<int16_t>(1 | (at < t.length ? 2 : 0));
}

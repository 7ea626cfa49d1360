// International Utilities: seconds and calendar records against the test's own day count, dates and
// times formatted from WIN.INI "intl" patterns the cases write, and dates and times read back from text.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "DateTimeUtils.h"
#include "IntlResources.h"
#include "MacMemory.h"
#include "Resources.h"
#include "Script.h"
#include "test_seams.h"
#include "test_support.h"
#include "../resources/fork_layout.h"

namespace {

// ---- The test's calendar: days since 1 January 1904, counted year by year ----

bool Leap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int MonthDays(int64_t y, int m)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && Leap(y) ? 29 : kDays[m - 1];
}

struct Civil {
    int64_t year;
    int month, day, dayOfYear0;
};

// Walks whole 400-year cycles (146097 days), then years, then months.
Civil CivilOfDay(int64_t day)
{
    int64_t year = 1904;
    int64_t cycles = day >= 0 ? day / 146097 : -((-day + 146096) / 146097);
    year += cycles * 400;
    day -= cycles * 146097;
    while (day >= (Leap(year) ? 366 : 365)) {
        day -= Leap(year) ? 366 : 365;
        ++year;
    }
    Civil c{year, 1, 1, static_cast<int>(day)};
    while (day >= MonthDays(year, c.month)) {
        day -= MonthDays(year, c.month);
        ++c.month;
    }
    c.day = static_cast<int>(day) + 1;
    return c;
}

std::string Pascal(const unsigned char *s) { return std::string(reinterpret_cast<const char *>(s) + 1, s[0]); }

// ---- WIN.INI "intl" keys written for a case and restored after it ----

class WrittenIntl {
public:
    explicit WrittenIntl(std::map<std::string, std::string> keys)
    {
        for (const auto &k : keys) {
            char old[256];
            GetProfileStringA("intl", k.first.c_str(), "", old, sizeof old);
            saved_[k.first] = old;
            WriteProfileStringA("intl", k.first.c_str(), k.second.c_str());
        }
        ReloadInternationalState();
    }
    ~WrittenIntl()
    {
        for (const auto &k : saved_)
            WriteProfileStringA("intl", k.first.c_str(), k.second.c_str());
        ReloadInternationalState();
    }

private:
    std::map<std::string, std::string> saved_;
};

// The keys every formatting case relies on.
std::map<std::string, std::string> UsKeys(std::map<std::string, std::string> changes = {})
{
    std::map<std::string, std::string> keys = {
        {"sShortDate", "M/d/yy"}, {"sLongDate", "dddd, MMMM d, yyyy"}, {"iTime", "0"}, {"iTLZero", "0"},
        {"s1159", "AM"},          {"s2359", "PM"},                     {"sDate", "/"}, {"sTime", ":"},
    };
    for (const auto &c : changes)
        keys[c.first] = c.second;
    return keys;
}

uint32_t Seconds(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    DateTimeRec r{static_cast<int16_t>(y), static_cast<int16_t>(m), static_cast<int16_t>(d), static_cast<int16_t>(hh),
                  static_cast<int16_t>(mm), static_cast<int16_t>(ss), 0};
    uint32_t secs = 12345;
    DateToSeconds(&r, &secs);
    return secs;
}

// ---- Conversions ----

TEST(DateConversion, EveryDayOfTheShortCountRoundTripsAgainstTheDayCount)
{
    const int64_t lastDay = 0xFFFFFFFFll / 86400;
    for (int64_t day = 0; day <= lastDay; ++day) {
        // A time of day that differs from day to day, the last day ending at the last second.
        int64_t seconds = day * 86400 + (day * 7919) % 86400;
        if (day == lastDay)
            seconds = 0xFFFFFFFFll;
        Civil c = CivilOfDay(day);
        DateTimeRec r{};
        SecondsToDate(static_cast<uint32_t>(seconds), &r);
        int rest = static_cast<int>(seconds % 86400);
        ASSERT_TRUE(r.year == c.year && r.month == c.month && r.day == c.day && r.hour == rest / 3600 &&
                    r.minute == rest / 60 % 60 && r.second == rest % 60 && r.dayOfWeek == (day + 5) % 7 + 1)
            << "day " << day << ": " << r.year << "-" << r.month << "-" << r.day;
        uint32_t back = 0;
        DateToSeconds(&r, &back);
        ASSERT_EQ(back, static_cast<uint32_t>(seconds)) << "day " << day;
    }
}

TEST(DateConversion, MomentsPastTheLastSecondHaveNoShortCount)
{
    DateTimeRec last{};
    SecondsToDate(0xFFFFFFFFu, &last);
    EXPECT_TRUE(last.year == 2040 && last.month == 2 && last.day == 6 && last.hour == 6 && last.minute == 28 &&
                last.second == 15);
    struct Case {
        int y, m, d, hh, mm, ss;
        const char *what;
    } cases[] = {
        {2040, 2, 6, 6, 28, 16, "the second after the last"},
        {2040, 12, 31, 0, 0, 0, "the end of 2040"},
        {2041, 1, 1, 0, 0, 0, "a date in 2041"},
        {1903, 12, 31, 0, 0, 0, "a date before 1904"},
        {1990, 13, 1, 0, 0, 0, "month 13"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Seconds(c.y, c.m, c.d, c.hh, c.mm, c.ss), 0u) << c.what;
    EXPECT_EQ(Seconds(1905, 1, 1), 86400u * 366);
}

TEST(DateConversion, LongFormsMatchTheProlepticGregorianCount)
{
    const int64_t first = -1094142556800ll, last = 973973807999ll;
    std::mt19937_64 random(1904);
    std::uniform_int_distribution<int64_t> pick(first, last);
    for (int i = 0; i < 10000; ++i) {
        int64_t seconds = i == 0 ? first : i == 1 ? last : pick(random);
        int64_t day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
        int rest = static_cast<int>(seconds - day * 86400);
        Civil c = CivilOfDay(day);
        int dayOfWeek = static_cast<int>(((day + 5) % 7 + 7) % 7) + 1;
        LongDateTime in = seconds;
        LongDateRec r{};
        LongSecondsToDate(&in, &r);
        int weekOfYear = c.dayOfYear0 / 7 + 1 + (dayOfWeek <= c.dayOfYear0 % 7 ? 1 : 0);
        ASSERT_TRUE(r.ld.era == 0 && r.ld.year == static_cast<int16_t>(c.year) && r.ld.month == c.month &&
                    r.ld.day == c.day && r.ld.hour == rest / 3600 && r.ld.minute == rest / 60 % 60 &&
                    r.ld.second == rest % 60 && r.ld.dayOfWeek == dayOfWeek && r.ld.dayOfYear == c.dayOfYear0 + 1 &&
                    r.ld.weekOfYear == weekOfYear && r.ld.pm == (rest >= 43200))
            << seconds << " gave " << r.ld.year << "-" << r.ld.month << "-" << r.ld.day << ", expected " << c.year
            << "-" << c.month << "-" << c.day;
        LongDateTime back = 0;
        LongDateToSeconds(&r, &back);
        ASSERT_EQ(back, seconds);
    }
    // Seconds beyond the range are clamped to its ends.
    LongDateTime beyond = last + 86400 * 400ll, end = last;
    LongDateRec a{}, b{};
    LongSecondsToDate(&beyond, &a);
    LongSecondsToDate(&end, &b);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST(DateConversion, LongDatesCarryMonthsAndValidDateChecksTheFlaggedFields)
{
    LongDateRec r{};
    r.ld.year = 1996;
    r.ld.month = 14; // February of the next year
    r.ld.day = 3;
    LongDateTime carried, plain;
    LongDateToSeconds(&r, &carried);
    r.ld.year = 1997;
    r.ld.month = 2;
    LongDateToSeconds(&r, &plain);
    EXPECT_EQ(carried, plain);

    LongDateRec feb30{};
    feb30.ld.year = 1996;
    feb30.ld.month = 2;
    feb30.ld.day = 30;
    LongDateTime secs = 0;
    EXPECT_EQ(ValidDate(&feb30, dayMask, &secs), static_cast<int16_t>(0x8800));
    EXPECT_EQ(ValidDate(&feb30, yearMask, &secs), -1) << "the year does not change";
    LongDateRec mar1 = feb30;
    mar1.ld.month = 3;
    mar1.ld.day = 1;
    LongDateTime expected;
    LongDateToSeconds(&mar1, &expected);
    EXPECT_EQ(secs, expected);
    LongDateRec leap = feb30;
    leap.ld.day = 29;
    EXPECT_EQ(ValidDate(&leap, yearMask | monthMask | dayMask, &secs), -1);
    DateCacheRecord cache;
    EXPECT_EQ(InitDateCache(&cache), 0);
}

// ---- Formatting ----

const char *const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char *const kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

struct Day {
    int y, m, d;
};

std::string DateText(uint32_t secs, DateForm form)
{
    Str255 s{};
    IUDateString(static_cast<int32_t>(secs), form, s);
    return Pascal(s);
}

TEST(DateFormatting, ShortLongAndAbbreviatedFormsFollowThePatterns)
{
    WrittenIntl keys(UsKeys());
    for (Day day : {Day{1997, 12, 5}, Day{2001, 3, 9}, Day{1904, 1, 1}, Day{2024, 2, 29}, Day{2040, 1, 31}}) {
        uint32_t secs = Seconds(day.y, day.m, day.d, 10, 20, 30);
        DateTimeRec r{};
        SecondsToDate(secs, &r);
        char expected[3][80];
        std::snprintf(expected[0], 80, "%d/%d/%02d", day.m, day.d, day.y % 100);
        std::snprintf(expected[1], 80, "%s, %s %d, %d", kWeekdays[r.dayOfWeek - 1], kMonths[day.m - 1], day.d, day.y);
        std::snprintf(expected[2], 80, "%.3s, %.3s %d, %d", kWeekdays[r.dayOfWeek - 1], kMonths[day.m - 1], day.d,
                      day.y);
        for (int form = 0; form < 3; ++form)
            EXPECT_EQ(DateText(secs, static_cast<DateForm>(form)), expected[form]) << "form " << form;
        Str255 p{};
        IUDatePString(static_cast<int32_t>(secs), longDate, p, nullptr);
        EXPECT_EQ(Pascal(p), expected[1]);
    }
}

TEST(DateFormatting, PatternLettersQuotesAndTextCases)
{
    struct Case {
        const char *pattern, *expected, *what;
    } cases[] = {
        {"dd.MM.yyyy", "05.03.2001", "two-digit day and month, four-digit year"},
        {"d MMM yyy", "5 Mar 2001", "abbreviated month, three y's print four digits"},
        {"'Day' d 'of' MMMM", "Day 5 of March", "quoted text is copied without its quotes"},
        {"D Y m", "D Y m", "only d, M and y in these cases are fields"},
        {"ddd y", "Mon 01", "abbreviated weekday, one y prints two digits"},
    };
    uint32_t secs = Seconds(2001, 3, 5);
    for (const Case &c : cases) {
        WrittenIntl keys(UsKeys({{"sLongDate", c.pattern}}));
        EXPECT_EQ(DateText(secs, longDate), c.expected) << c.what;
    }
}

TEST(DateFormatting, SuppressDayBitsOfTheMadeRecordRemoveFields)
{
    WrittenIntl keys(UsKeys());
    Handle h = GetIntlResource(1);
    ASSERT_NE(h, nullptr);
    ASSERT_GE(GetHandleSize(h), 332);
    Intl1Rec *r = reinterpret_cast<Intl1Rec *>(*h);
    EXPECT_EQ(r->lngDateFmt, 0xC9) << "weekday, month, day, year; the first field in the lowest bits";
    uint32_t secs = Seconds(1997, 12, 5);
    // The assembled pattern keeps the separator after each field that prints.
    struct Case {
        uint8_t bits;
        const char *expected, *assembled;
    } cases[] = {
        {0, "Friday, December 5, 1997", "Friday, December 5, 1997"},
        {1, "December 1997", "December 1997"},
        {2, "December 5, 1997", "December 5, 1997"},
        {4, "Friday, 5, 1997", "Friday, 5, 1997"},
        {8, "Friday, December 5", "Friday, December 5, "},
        {10, "December 5", "December 5, "},
    };
    uint8_t saved = r->suppressDay;
    for (const Case &c : cases) {
        reinterpret_cast<Intl1Rec *>(*h)->suppressDay = c.bits;
        EXPECT_EQ(DateText(secs, longDate), c.expected) << "suppressDay " << int(c.bits);
        LongDateTime l = secs;
        Str255 s{};
        IULDateString(&l, longDate, s, h);
        EXPECT_EQ(Pascal(s), c.assembled) << "assembled from the record, suppressDay " << int(c.bits);
    }
    reinterpret_cast<Intl1Rec *>(*h)->suppressDay = saved;
}

TEST(DateFormatting, TheAssembledLongDateKeepsTheWrittenOrder)
{
    uint32_t secs = Seconds(1997, 12, 5);
    for (const char *pattern : {"dddd, MMMM d, yyyy", "yyyy MMMM d, dddd", "dddd d. MMMM yyyy", "dddd, dd/MMMM/yyyy!"}) {
        WrittenIntl keys(UsKeys({{"sLongDate", pattern}}));
        LongDateTime l = secs;
        Str255 s{};
        IULDateString(&l, longDate, s, GetIntlResource(1));
        EXPECT_EQ(Pascal(s), DateText(secs, longDate)) << pattern;
        IULDateString(&l, abbrevDate, s, GetIntlResource(1));
        EXPECT_EQ(Pascal(s), DateText(secs, abbrevDate)) << pattern;
    }
}

std::string TimeText(int hh, int mm, int ss, bool wantSeconds)
{
    Str255 s{};
    IUTimeString(static_cast<int32_t>(Seconds(1999, 6, 1, hh, mm, ss)), wantSeconds, s);
    return Pascal(s);
}

TEST(TimeFormatting, TwelveAndTwentyFourHourClocks)
{
    {
        WrittenIntl keys(UsKeys());
        EXPECT_EQ(TimeText(13, 5, 0, false), "1:05 PM");
        EXPECT_EQ(TimeText(0, 5, 0, false), "12:05 AM");
        EXPECT_EQ(TimeText(12, 0, 0, false), "12:00 PM");
        EXPECT_EQ(TimeText(9, 7, 3, true), "9:07:03 AM");
        EXPECT_EQ(TimeText(23, 59, 59, true), "11:59:59 PM");
    }
    {
        WrittenIntl keys(UsKeys({{"iTime", "1"}, {"iTLZero", "1"}, {"sTime", "."}}));
        EXPECT_EQ(TimeText(9, 7, 0, false), "09.07 ") << "two-digit hours and the empty 24-hour suffix";
        EXPECT_EQ(TimeText(23, 0, 5, true), "23.00.05 ");
    }
}

TEST(TimeFormatting, ANumberFormatRecordOverridesTheLocale)
{
    WrittenIntl keys(UsKeys());
    Handle h = NewHandleClear(sizeof(Intl0Rec));
    Intl0Rec *r = reinterpret_cast<Intl0Rec *>(*h);
    r->timeCycle = 255;
    r->timeFmt = 0xC0;
    r->timeSep = '-';
    std::memcpy(r->mornStr, "morn", 4); // four characters, no NUL: the next field follows
    std::memcpy(r->eveStr, "even", 4);
    LongDateTime l = Seconds(1999, 6, 1, 15, 4, 0);
    Str255 s{};
    IULTimeString(&l, false, s, h);
    EXPECT_EQ(Pascal(s), "03-04 even");
    r->timeCycle = 0;
    std::memcpy(&r->time1Suff, "24hours!", 8);
    IULTimeString(&l, false, s, h);
    EXPECT_EQ(Pascal(s), "15-04 24hours!");
    // A handle too small for the record is not read: the locale serves.
    SetHandleSize(h, 20);
    IULTimeString(&l, false, s, h);
    EXPECT_EQ(Pascal(s), "3:04 PM");
    DisposeHandle(h);
}

// ---- Parsing ----

struct Parsed {
    int16_t status;
    int32_t used;
    LongDateRec rec;
};

Parsed ParseDate(const char *text)
{
    Parsed p{};
    std::memset(&p.rec, 0x55, sizeof p.rec);
    p.used = -7;
    p.status = StringToDate(const_cast<char *>(text), static_cast<int32_t>(std::strlen(text)), nullptr, &p.used, &p.rec);
    return p;
}

TEST(DateParsing, NumericAndTextForms)
{
    WrittenIntl keys(UsKeys());
    struct Case {
        const char *text;
        int16_t status;
        int y, m, d;
        const char *what;
    } cases[] = {
        {"12/25/97", 1, 1997, 12, 25, "the short pattern's order and separator"},
        {"12-25-97", 5, 1997, 12, 25, "a separator other than the date separator"},
        {"12/25-97", 0x41, 1997, 12, 25, "separators that differ from each other"},
        {"12/25/97 and more", 3, 1997, 12, 25, "characters left over"},
        {"  1/2/05", 1, 2005, 1, 2, "leading blanks, a year below 11"},
        {"2/29/2000", 1, 2000, 2, 29, "29 February of a year divisible by 400"},
        {"2/29/1900", int16_t(0x8800), 0, 0, 0, "1900 is not a leap year"},
        {"13/1/97", int16_t(0x8800), 0, 0, 0, "month 13"},
        {"February 29, 2000", 1, 2000, 2, 29, "the text form accepts 29 February 2000"},
        {"April 31, 1998", int16_t(0x8800), 0, 0, 0, "April has 30 days"},
        {"Friday, December 5, 1997", 1, 1997, 12, 5, "a weekday first is skipped"},
        {"fri 5 dec 1997 rest", 3, 1997, 12, 5, "abbreviations, any case, a day first, a token left over"},
        {"Smarch 5, 1997", int16_t(0x8400), 0, 0, 0, "no month name"},
        {"   ", int16_t(0x8400), 0, 0, 0, "blanks only"},
    };
    for (const Case &c : cases) {
        Parsed p = ParseDate(c.text);
        EXPECT_EQ(p.status, c.status) << c.text << ": " << c.what;
        if (c.status > 0) {
            EXPECT_TRUE(p.rec.ld.era == 0 && p.rec.ld.year == c.y && p.rec.ld.month == c.m && p.rec.ld.day == c.d)
                << c.text << " gave " << p.rec.ld.year << "-" << p.rec.ld.month << "-" << p.rec.ld.day;
        }
    }
    EXPECT_EQ(ParseDate("12/25/97 and more").used, 8);
    EXPECT_EQ(ParseDate("April 1, 1998 x").used, 13);
}

TEST(DateParsing, MissingFieldsComeFromToday)
{
    WrittenIntl keys(UsKeys());
    DateTimeRec today{};
    GetTime(&today);
    Parsed one = ParseDate("7");
    EXPECT_EQ(one.status, 1);
    EXPECT_TRUE(one.rec.ld.day == 7 && one.rec.ld.month == today.month && one.rec.ld.year == today.year);
    Parsed two = ParseDate("3/4");
    EXPECT_EQ(two.status, 1);
    EXPECT_TRUE(two.rec.ld.month == 3 && two.rec.ld.day == 4 && two.rec.ld.year == today.year);
}

TEST(DateParsing, NilOrEmptyTextWritesNothing)
{
    LongDateRec rec;
    std::memset(&rec, 0x55, sizeof rec);
    int32_t used = -7;
    char text[] = "12/25/97";
    for (int32_t length : {0, -1, -100000}) {
        EXPECT_EQ(StringToDate(text, length, nullptr, &used, &rec), static_cast<int16_t>(0x8400));
        EXPECT_EQ(StringToTime(text, length, nullptr, &used, &rec), static_cast<int16_t>(0x8400));
    }
    EXPECT_EQ(StringToDate(nullptr, 8, nullptr, &used, &rec), static_cast<int16_t>(0x8400));
    EXPECT_EQ(StringToTime(nullptr, 8, nullptr, &used, &rec), static_cast<int16_t>(0x8400));
    EXPECT_EQ(used, -7);
    for (size_t i = 0; i < sizeof rec; ++i)
        ASSERT_EQ(reinterpret_cast<uint8_t *>(&rec)[i], 0x55);
}

Parsed ParseTime(const char *text)
{
    Parsed p{};
    p.status = StringToTime(const_cast<char *>(text), static_cast<int32_t>(std::strlen(text)), nullptr, &p.used, &p.rec);
    return p;
}

TEST(TimeParsing, HoursMinutesSecondsAndSuffixes)
{
    WrittenIntl keys(UsKeys());
    struct Case {
        const char *text;
        int16_t status;
        int hh, mm, ss;
    } cases[] = {
        {"12:30 AM", 1, 0, 30, 0},   {"12:30AM", 1, 0, 30, 0},     {"1:05 pm", 1, 13, 5, 0},
        {"9:15:30", 1, 9, 15, 30},   {"24:00", 1, 0, 0, 0},        {"12:30 PM", 1, 12, 30, 0},
        {"7.45", 1, 7, 45, 0},       {"10:20 later", 3, 10, 20, 0}, {"25:00", int16_t(0x8800), 0, 0, 0},
        {"24:30", int16_t(0x8800), 0, 0, 0}, {"10:60", int16_t(0x8800), 0, 0, 0},
        {"10:30:60", int16_t(0x8800), 0, 0, 0}, {"noon", int16_t(0x8400), 0, 0, 0},
    };
    for (const Case &c : cases) {
        Parsed p = ParseTime(c.text);
        EXPECT_EQ(p.status, c.status) << c.text;
        if (c.status > 0) {
            EXPECT_TRUE(p.rec.ld.hour == c.hh && p.rec.ld.minute == c.mm && p.rec.ld.second == c.ss)
                << c.text << " gave " << p.rec.ld.hour << ":" << p.rec.ld.minute << ":" << p.rec.ld.second;
        }
    }
    EXPECT_EQ(ParseTime("12:30 AM").used, 8);
}

TEST(DateParsing, TextAtTheEndOfAPageIsNeverReadPastItsLength)
{
    WrittenIntl keys(UsKeys());
    std::string longText(100, '1');
    for (const char *text : {"12/25/97", "12/25", "December 5, 1997", "7", "12:30 AM", "12:30", "24",
                             longText.c_str()}) {
        testing_support::GuardedBytes t(text);
        LongDateRec rec{};
        int32_t used = 0;
        StringToDate(t.AtEnd(), t.length(), nullptr, &used, &rec);
        EXPECT_LE(used, 63) << text;
        StringToTime(t.AtEnd(), t.length(), nullptr, &used, &rec);
        EXPECT_LE(used, 63) << text;
    }
    testing_support::GuardedBytes t("12/25/97");
    LongDateRec rec{};
    int32_t used = 0;
    EXPECT_EQ(StringToDate(t.AtEnd(), t.length(), nullptr, &used, &rec), 1);
    EXPECT_EQ(rec.ld.day, 25);
}

// ---- Oversized WIN.INI values ----

TEST(IntlSetUp, PatternsLongerThanEveryBufferLeaveTheSessionSound)
{
    std::string longPattern, shortPattern = "()";
    for (int i = 0; i < 40; ++i)
        longPattern += "MMMMdddd";
    for (int i = 0; i < 30; ++i)
        shortPattern += "()";
    WrittenIntl keys(UsKeys({{"sLongDate", longPattern}, {"sShortDate", shortPattern}, {"s1159", "MORNING"},
                             {"s2359", "EVENINGS"}}));
    uint32_t secs = Seconds(2000, 9, 13);
    unsigned char buffer[300];
    for (int form = 0; form < 3; ++form) {
        std::memset(buffer, 0xA5, sizeof buffer);
        IUDateString(static_cast<int32_t>(secs), static_cast<DateForm>(form), buffer);
        for (size_t i = 256; i < sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], 0xA5) << "form " << form << " wrote past the Str255";
        LongDateTime l = secs;
        std::memset(buffer, 0xA5, sizeof buffer);
        IULDateString(&l, static_cast<DateForm>(form), buffer, GetIntlResource(1));
        for (size_t i = 256; i < sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], 0xA5) << "form " << form << " wrote past the Str255";
    }
    IUDateString(static_cast<int32_t>(secs), longDate, buffer);
    EXPECT_EQ(buffer[0], 255) << "the long result is cut at 255 characters";
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buffer) + 1, 15), "SeptemberWednes");
    IUTimeString(static_cast<int32_t>(secs), false, buffer);
    EXPECT_EQ(Pascal(buffer), "12:00 MORN") << "suffixes are read up to four characters";
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

// ---- Locales other than the default, with Wine's own [intl] values ----

TEST(GermanLocale, MonthNamesArriveInTheMacintoshSetAndTheRecordKeepsTheOrder)
{
    if (PRIMARYLANGID(GetUserDefaultLCID()) != LANG_GERMAN)
        GTEST_SKIP() << "runs under LC_ALL=de_DE.UTF-8";
    uint32_t secs = Seconds(2003, 3, 4);
    std::string text = DateText(secs, longDate);
    EXPECT_NE(text.find("M\x8A" "rz"), std::string::npos) << text;
    LongDateTime l = secs;
    Str255 s{};
    IULDateString(&l, longDate, s, GetIntlResource(1));
    EXPECT_EQ(Pascal(s), text);
}

TEST(JapaneseLocale, WeekdayInsertionsStayWithinTheBuffers)
{
    if (PRIMARYLANGID(GetUserDefaultLCID()) != LANG_JAPANESE)
        GTEST_SKIP() << "runs under LC_ALL=ja_JP.UTF-8";
    std::string longPattern, shortPattern = "yy/MM/dd()";
    for (int i = 0; i < 30; ++i)
        longPattern += "dddd ";
    WrittenIntl keys({{"sLongDate", longPattern}, {"sShortDate", shortPattern}});
    uint32_t secs = Seconds(1995, 5, 5);
    unsigned char buffer[300];
    for (int form = 0; form < 3; ++form) {
        std::memset(buffer, 0xA5, sizeof buffer);
        IUDateString(static_cast<int32_t>(secs), static_cast<DateForm>(form), buffer);
        for (size_t i = 256; i < sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], 0xA5) << "form " << form;
    }
    IUDateString(static_cast<int32_t>(secs), abbrevDate, buffer);
    EXPECT_EQ(buffer[1], '(') << "a weekday run of four becomes (ddd)";
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

} // namespace

// The session's resource files: an empty system file and the program's own fork, found through RSRPATH,
// so that InitResources runs the international set-up.
int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing_support::InstallDiagnosticCapture();
    static SessionParamBlock block =
        testing_support::MakeSessionBlock(testing_support::CreateHostMainWindow(), zelFlagRawCallbacks);
    block.resourceFileName = "";
    ZEL_InitSession(&block);
    std::string dir = testing_support::ProgramDirectory();
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string fork = program;
    fork = fork.substr(0, fork.rfind('.')) + ".RSR";
    fork_layout::WriteFileBytes(fork, fork_layout::BuildFork({{fork_layout::FourCC("app "), 1, 0, false, {}, {1}}}));
    SetEnvironmentVariableA("RSRPATH", dir.c_str());
    if (InitResources() <= 0) {
        std::fprintf(stderr, "InitResources failed: %d\n", ResError());
        return 1;
    }
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    return result;
}

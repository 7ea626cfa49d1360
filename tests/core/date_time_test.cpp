// Dates, seconds since 1904 and the location record: the conversions from fed-in values, and the clock
// calls against the Windows clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "../../core/core.h"
#include "OSUtils.h"
#include "test_support.h"

namespace {

std::string Text(const DateTimeRec &d)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d dow %d", d.year, d.month, d.day, d.hour,
                  d.minute, d.second, d.dayOfWeek);
    return buf;
}

// Macintosh seconds of a Windows time, worked out by Windows' own calendar.
uint64_t FileTimeUnits(const SYSTEMTIME &st)
{
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}
uint64_t Epoch1904()
{
    SYSTEMTIME st{};
    st.wYear = 1904;
    st.wMonth = 1;
    st.wDay = 1;
    return FileTimeUnits(st);
}
uint32_t MacSecondsOf(const SYSTEMTIME &st) { return static_cast<uint32_t>((FileTimeUnits(st) - Epoch1904()) / 10000000); }

} // namespace

TEST(Dates, SecondsFromTheRuntimeClock)
{
    struct {
        int64_t unixSeconds;
        int32_t minutesWest;
        bool daylight;
        uint32_t mac;
        const char *what;
    } cases[] = {
        {0, 0, false, 2082844800u, "1970 in Greenwich"},
        {-2082844800LL, 0, false, 0u, "the first second of 1904"},
        {951825600, 0, false, 3034670400u, "noon of the leap day 2000"},
        {0, -60, false, 2082848400u, "one hour east is one hour later"},
        {0, 300, false, 2082826800u, "five hours west"},
        {0, 300, true, 2082830400u, "daylight saving adds an hour"},
        {2147483648LL, 0, false, 4230328448u, "past the end of 32-bit runtime seconds (2038)"},
        {2212122495LL, 0, false, 0xFFFFFFFFu, "the last second of the count, 6 February 2040"},
        {2212122496LL, 0, false, 0u, "after it the count starts again"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MacSecondsFromUnix(c.unixSeconds, c.minutesWest, c.daylight), c.mac) << c.what;
}

TEST(Dates, CalendarOfKnownSeconds)
{
    struct {
        uint32_t secs;
        DateTimeRec date;
        const char *what;
    } cases[] = {
        {0u, {1904, 1, 1, 0, 0, 0, 6}, "the epoch, a Friday"},
        {5097600u, {1904, 2, 29, 0, 0, 0, 2}, "leap day of 1904"},
        {31622399u, {1904, 12, 31, 23, 59, 59, 7}, "last second of a leap year"},
        {31622400u, {1905, 1, 1, 0, 0, 0, 1}, "first second of 1905"},
        {2082844800u, {1970, 1, 1, 0, 0, 0, 5}, "1970"},
        {3029529599u, {1999, 12, 31, 23, 59, 59, 6}, "last second of 1999"},
        {3029529600u, {2000, 1, 1, 0, 0, 0, 7}, "first second of 2000"},
        {3034670400u, {2000, 2, 29, 12, 0, 0, 3}, "2000 is a leap year (divisible by 400)"},
        {3061151999u, {2000, 12, 31, 23, 59, 59, 1}, "day 366 of 2000"},
        {3760473600u, {2023, 3, 1, 0, 0, 0, 4}, "no leap day in 2023"},
        {3792013323u, {2024, 2, 29, 1, 2, 3, 5}, "leap day of 2024"},
        {0xFFFFFFFFu, {2040, 2, 6, 6, 28, 15, 2}, "the last second of the count"},
    };
    for (const auto &c : cases) {
        DateTimeRec d{};
        DateFromMacSeconds(c.secs, &d);
        EXPECT_EQ(Text(d), Text(c.date)) << c.what;
    }
}

TEST(Dates, CalendarAgreesWithWindowsOverTheWholeRange)
{
    // A stride that is not a whole number of days visits every time of day and every month.
    const uint64_t epoch = Epoch1904();
    int mismatches = 0;
    for (uint64_t secs = 0; secs <= 0xFFFFFFFFu && mismatches < 5; secs += 86400u * 3 + 3607u) {
        uint64_t units = epoch + secs * 10000000;
        FILETIME ft{static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
        SYSTEMTIME st;
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
        DateTimeRec want = {static_cast<int16_t>(st.wYear), static_cast<int16_t>(st.wMonth),
                            static_cast<int16_t>(st.wDay), static_cast<int16_t>(st.wHour),
                            static_cast<int16_t>(st.wMinute), static_cast<int16_t>(st.wSecond),
                            static_cast<int16_t>(st.wDayOfWeek + 1)};
        DateTimeRec got{};
        DateFromMacSeconds(static_cast<uint32_t>(secs), &got);
        if (Text(got) != Text(want)) {
            ++mismatches;
            ADD_FAILURE() << secs << ": " << Text(got) << " instead of " << Text(want);
        }
    }
}

TEST(Dates, ClockCallsFollowTheLocalTime)
{
    SYSTEMTIME before, after;
    uint32_t secs = 0, read = 0;
    DateTimeRec d{};
    // Retried when a second boundary falls between the readings.
    for (int attempt = 0; attempt < 5; ++attempt) {
        GetLocalTime(&before);
        GetDateTime(&secs);
        EXPECT_EQ(ReadDateTime(&read), noErr);
        GetTime(&d);
        GetLocalTime(&after);
        if (before.wSecond == after.wSecond && read == secs)
            break;
    }
    uint32_t windows = MacSecondsOf(before);
    EXPECT_LE(windows > secs ? windows - secs : secs - windows, 1u) << "GetDateTime " << secs << ", Windows " << windows;
    EXPECT_EQ(read, secs);
    DateTimeRec fromSecs{};
    DateFromMacSeconds(secs, &fromSecs);
    EXPECT_EQ(Text(d), Text(fromSecs)) << "GetTime and GetDateTime tell the same time";
    EXPECT_EQ(d.year, before.wYear);
    EXPECT_EQ(d.dayOfWeek, before.wDayOfWeek + 1);
}

TEST(Dates, SetDateTimeIsRefused)
{
    testing_support::TakeDebugMessages();
    EXPECT_EQ(SetDateTime(12345), -1);
    EXPECT_EQ(testing_support::TakeDebugMessages(), (std::vector<std::string>{"SetDateTime", "\r\n"}));
}

TEST(Location, PlaceOfTheNearestZone)
{
    const Fract unfixedLat = 0x03F86A31, unfixedLong = static_cast<Fract>(0xFFEDCBAA);
    struct {
        int32_t biasMinutes;
        bool daylight;
        uint32_t gmtDelta;
        Fract latitude, longitude;
        const char *what;
    } cases[] = {
        {-60, false, 3600, 0x22BFE71C, 0x01A8C4FA, "one hour east"},
        {0, false, 0, 0x249F49F5, static_cast<Fract>(0xFFE1A93F), "Greenwich"},
        {0, true, 0x01000000, 0x249F49F5, static_cast<Fract>(0xFFE1A93F), "Greenwich in summer time: bit 24"},
        {300, true, 0x01FFB9B0, 0x1CF43E33, static_cast<Fract>(0xCB5DAD52), "five hours west, 24-bit negative"},
        {-330, false, 19800, 0x0D76B549, 0x33CDF012, "five and a half hours east"},
        {-345, false, 20700, 0x0D76B549, 0x33CDF012, "halfway between two zones: the first wins"},
        {-570, false, 34200, static_cast<Fract>(0xE734B790), 0x627D27D2, "nine and a half hours east"},
        {420, false, 0xFF9D90, unfixedLat, unfixedLong, "a zone without a fixed place"},
        {-780, false, 46800, static_cast<Fract>(0xE2A49939), 0x7C4A55B6, "beyond +12 hours: the +12 place"},
        {720, false, 0xFF5740, unfixedLat, unfixedLong, "twelve hours west"},
    };
    for (const auto &c : cases) {
        MachineLocation loc;
        std::memset(&loc, 0xCC, sizeof loc);
        LocationForZone(c.biasMinutes, c.daylight, &loc);
        EXPECT_EQ(static_cast<uint32_t>(loc.gmtDelta), c.gmtDelta) << c.what;
        EXPECT_EQ(loc.latitude, c.latitude) << c.what;
        EXPECT_EQ(loc.longitude, c.longitude) << c.what;
    }
}

TEST(Location, ReadLocationUsesTheWindowsZone)
{
    TIME_ZONE_INFORMATION zone{};
    DWORD state = GetTimeZoneInformation(&zone);
    ASSERT_NE(state, TIME_ZONE_ID_INVALID);
    MachineLocation want{}, got;
    std::memset(&got, 0xCC, sizeof got);
    LocationForZone(zone.Bias, state == TIME_ZONE_ID_DAYLIGHT, &want);
    ReadLocation(&got);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0);
}

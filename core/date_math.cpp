// Dates, seconds and time zones worked out from given values. Kept free of the clock and of the system's
// zone so that every conversion can be checked from fed-in values.
#include "core.h"
#include "OSUtils.h"

#include <cstdlib>

namespace {

// Seconds from 1 January 1904 to 1 January 1970.
constexpr int64_t kMacEpochToUnix = 2082844800;
constexpr uint32_t kSecondsPerDay = 86400;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// A place for each zone of whole hours from -12 to +12 and the zones of +4.5, +5.5 and +9.5 hours,
// ordered by the zone's offset. Zones without a fixed place share one.
struct ZonePlace {
    int32_t gmtDelta; // seconds east of Greenwich
    uint32_t latitude;
    uint32_t longitude;
};
constexpr uint32_t kUnfixedLatitude = 0x03F86A31;
constexpr uint32_t kUnfixedLongitude = 0xFFEDCBAA;
constexpr int32_t Hours(double h) { return static_cast<int32_t>(h * 3600); }
const ZonePlace kZonePlaces[] = {
    {Hours(-12), kUnfixedLatitude, kUnfixedLongitude},
    {Hours(-11), kUnfixedLatitude, kUnfixedLongitude},
    {Hours(-10), 0x0F2894AB, 0x8FBD4018},
    {Hours(-9), 0x2B882711, 0x956A3265},
    {Hours(-8), 0x1AE147AE, 0xA8F5C28F},
    {Hours(-7), kUnfixedLatitude, kUnfixedLongitude},
    {Hours(-6), 0x1DBF86A3, 0xC199999A},
    {Hours(-5), 0x1CF43E33, 0xCB5DAD52},
    {Hours(-4), 0x07777777, 0xD0672895},
    {Hours(-3), 0xF4C6BB5B, 0xDDED097B},
    {Hours(-2), kUnfixedLatitude, kUnfixedLongitude},
    {Hours(-1), kUnfixedLatitude, kUnfixedLongitude},
    {Hours(0), 0x249F49F5, 0xFFE1A93F},
    {Hours(1), 0x22BFE71C, 0x01A8C4FA},
    {Hours(2), 0x1B05B05B, 0x10E08580},
    {Hours(3), 0x066F8092, 0x1B851EB8},
    {Hours(4), 0x1166054F, 0x26B24079},
    {Hours(4.5), 0x18888889, 0x313579BE},
    {Hours(5), 0x11ABCDF0, 0x2FAB0BC2},
    {Hours(5.5), 0x0D76B549, 0x33CDF012},
    {Hours(6), kUnfixedLatitude, kUnfixedLongitude},
    {Hours(7), 0x09C413B9, 0x47777777},
    {Hours(8), 0x0FD27D28, 0x512F684C},
    {Hours(9), 0x1962FC96, 0x6363BEC4},
    {Hours(9.5), 0xE734B790, 0x627D27D2},
    {Hours(10), 0x09907F6E, 0x66EEEEEF},
    {Hours(11), kUnfixedLatitude, kUnfixedLongitude},
    {Hours(12), 0xE2A49939, 0x7C4A55B6},
};
static_assert(sizeof kZonePlaces / sizeof kZonePlaces[0] == 28, "28 zones");

} // namespace

uint32_t MacSecondsFromUnix(int64_t unixSeconds, int32_t minutesWest, bool daylight)
{
    int64_t local = unixSeconds + kMacEpochToUnix - static_cast<int64_t>(minutesWest) * 60 + (daylight ? 3600 : 0);
    return static_cast<uint32_t>(local);
}

void DateFromMacSeconds(uint32_t secs, DateTimeRec *date)
{
    if (!date)
        return;
    uint32_t days = secs / kSecondsPerDay;
    uint32_t rest = secs % kSecondsPerDay;
    date->hour = static_cast<int16_t>(rest / 3600);
    date->minute = static_cast<int16_t>(rest / 60 % 60);
    date->second = static_cast<int16_t>(rest % 60);
    // 1 January 1904 was a Friday (6, counting Sunday as 1).
    date->dayOfWeek = static_cast<int16_t>((days + 5) % 7 + 1);
    int year = 1904;
    for (;;) {
        uint32_t length = IsLeapYear(year) ? 366 : 365;
        if (days < length)
            break;
        days -= length;
        ++year;
    }
    static const uint8_t kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    for (; month < 11; ++month) {
        uint32_t length = kMonthDays[month] + (month == 1 && IsLeapYear(year) ? 1 : 0);
        if (days < length)
            break;
        days -= length;
    }
    date->year = static_cast<int16_t>(year);
    date->month = static_cast<int16_t>(month + 1);
    date->day = static_cast<int16_t>(days + 1);
}

void LocationForZone(int32_t biasMinutes, bool daylight, MachineLocation *loc)
{
    if (!loc)
        return;
    int64_t gmtDelta = -int64_t{biasMinutes} * 60;
    // The zone with the nearest offset; on a tie the first (westernmost) one.
    const ZonePlace *best = &kZonePlaces[0];
    for (const ZonePlace &z : kZonePlaces)
        if (std::llabs(z.gmtDelta - gmtDelta) < std::llabs(best->gmtDelta - gmtDelta))
            best = &z;
    loc->latitude = static_cast<Fract>(best->latitude);
    loc->longitude = static_cast<Fract>(best->longitude);
    uint32_t delta24 = static_cast<uint32_t>(gmtDelta) & 0x00FFFFFF;
    loc->gmtDelta = static_cast<int32_t>(delta24 | (daylight ? 0x01000000u : 0u));
}

// Date, time and location. The clock is the C runtime's: seconds since 1970 with its time zone and
// daylight-saving state, turned into the Macintosh's local seconds since 1904. The location comes from
// the Windows time zone.
#include "core.h"
#include "OSUtils.h"

#include <sys/timeb.h>

#include <cstring>

namespace {

// Local Macintosh seconds now; false when the runtime has no time to give.
bool CurrentMacSeconds(uint32_t *secs)
{
    __timeb64 now{};
    _ftime64(&now);
    if (now.time < 0) {
        *secs = 0;
        return false;
    }
    *secs = MacSecondsFromUnix(now.time, now.timezone, now.dstflag != 0);
    return true;
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL GetDateTime(uint32_t *secs)
{
    uint32_t now;
    CurrentMacSeconds(&now);
    if (secs)
        *secs = now;
}

ZEL_EXTERN_C OSErr ZEL_CALL ReadDateTime(uint32_t *secs)
{
    GetDateTime(secs);
    return noErr;
}

// The library never sets the system clock.
ZEL_STUB(OSErr, SetDateTime, -1, (uint32_t))

// The record comes from the same local seconds as GetDateTime, so that the two always agree.
ZEL_EXTERN_C void ZEL_CALL GetTime(DateTimeRec *d)
{
    if (!d)
        return;
    uint32_t now;
    if (CurrentMacSeconds(&now))
        DateFromMacSeconds(now, d);
    else
        std::memset(d, 0, sizeof *d);
}

ZEL_EXTERN_C void ZEL_CALL ReadLocation(MachineLocation *loc)
{
    if (!loc)
        return;
    std::memset(loc, 0, sizeof *loc);
    if (SessionPlatform().win32s)
        return;
    TIME_ZONE_INFORMATION zone{};
    DWORD state = GetTimeZoneInformation(&zone);
    if (state == TIME_ZONE_ID_INVALID)
        return;
    LocationForZone(zone.Bias, state == TIME_ZONE_ID_DAYLIGHT, loc);
}

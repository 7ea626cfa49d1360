// Operating-system utilities: delays and beeps on the tick clock, string equality, the environment
// records and the A5-world calls that have nothing to do on Windows.
#include "core.h"
#include "Events.h"
#include "OSUtils.h"
#include "Script.h"
#include "../windows/windows_services.h"

#include <algorithm>

namespace {

// Delays of this many ticks and more keep the application's windows alive by pumping events; shorter
// ones spin on the tick clock.
constexpr int32_t kPumpingDelay = 21;

// Upper-case form of a character for comparisons that ignore case.
unsigned char UpperChar(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

// Ticks from `start` to `now`. The tick count is the millisecond clock divided by 16, so it runs in 28
// bits and starts again from 0 when the millisecond clock wraps after 49.7 days.
int32_t TicksBetween(uint32_t start, uint32_t now) { return static_cast<int32_t>((now - start) & 0x0FFFFFFF); }

} // namespace

// Waits `numTicks` ticks of 16 milliseconds; `finalTicks` receives the tick count at the end. Each pump
// pass sleeps at most for the time still to wait, so that a message arriving early does not make the
// delay start over.
ZEL_EXTERN_C void ZEL_CALL Delay(int32_t numTicks, uint32_t *finalTicks)
{
    uint32_t start = TickCount();
    uint32_t now = start;
    if (numTicks >= kPumpingDelay) {
        EventRecord scratch{};
        for (int32_t passed = 0; passed < numTicks; passed = TicksBetween(start, now)) {
            int64_t waitMs = std::min<int64_t>(int64_t{numTicks - passed} * 16, 32767);
            PumpEvents(everyEvent, &scratch, static_cast<int16_t>(waitMs));
            now = TickCount();
            // With an event waiting the pump returns at once: wait for input or the rest of the delay
            // here, so that the delay does not spin.
            int32_t left = numTicks - TicksBetween(start, now);
            if (left > 0)
                MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min<int64_t>(int64_t{left} * 16, 32767)),
                                            QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    } else {
        while (TicksBetween(start, now) < numTicks)
            now = TickCount();
    }
    if (finalTicks)
        *finalTicks = now;
}

ZEL_EXTERN_C void ZEL_CALL SysBeep(int16_t duration)
{
    MessageBeep(0);
    uint32_t start = TickCount();
    while (TicksBetween(start, TickCount()) < duration)
        Sleep(1);
}

ZEL_EXTERN_C Boolean ZEL_CALL IsMetric(void) { return GetProfileIntA("intl", "iMeasure", 0) == 0; }

// Diacritical marks always count.
ZEL_EXTERN_C Boolean ZEL_CALL EqualString(ConstStr255Param a, ConstStr255Param b, Boolean caseSens, Boolean)
{
    static const unsigned char kEmpty[1] = {0};
    if (!a)
        a = kEmpty;
    if (!b)
        b = kEmpty;
    if (a[0] != b[0])
        return false;
    for (int i = 1; i <= a[0]; ++i) {
        unsigned char x = a[i], y = b[i];
        if (!caseSens) {
            x = UpperChar(x);
            y = UpperChar(y);
        }
        if (x != y)
            return false;
    }
    return true;
}

// The library answers as one fixed machine and system.
ZEL_EXTERN_C void ZEL_CALL Environs(int16_t *rom, int16_t *machine)
{
    if (rom)
        *rom = 0x0605;
    if (machine)
        *machine = 1;
}

ZEL_EXTERN_C OSErr ZEL_CALL SysEnvirons(int16_t versionRequested, SysEnvRec *world)
{
    if (!world)
        return noErr;
    world->environsVersion = versionRequested;
    world->machineType = 4;
    world->systemVersion = 0x0605;
    world->processor = 0;
    world->hasFPU = 1;
    world->hasColorQD = 1;
    world->keyBoardType = 0;
    world->atDrvrVersNum = 0;
    world->sysVRefNum = 0;
    return noErr;
}

ZEL_STUB_NAMED(uint32_t, KeyTranslate, "KeyTrans", 0, (const void *, uint16_t, uint32_t *))

// There is no A5 world on Windows.
ZEL_EXTERN_C int32_t ZEL_CALL SetCurrentA5(void) { return 0; }
ZEL_EXTERN_C int32_t ZEL_CALL SetA5(int32_t) { return 0; }

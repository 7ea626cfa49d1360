// The Device Manager's entry points: drivers opened by name, closed, controlled and asked for status.
// Six drivers exist: the pen tablet (.Wacom, 1) and the four serial drivers (-6 .. -9).
#include "devices_services.h"
#include "Devices.h"
#include "OSUtils.h"
#include "../core/core_services.h"

namespace {

constexpr OSErr kBadUnit = -21;  // badUnitErr
constexpr OSErr kNoDriver = -26; // dInstErr

struct DriverName {
    const char *name; // Pascal string
    int16_t refNum;
};
const DriverName kDrivers[] = {
    {"\x06.Wacom", tabletRefNum}, {"\x04.Ain", -6}, {"\x05.Aout", -7}, {"\x04.Bin", -8}, {"\x05.Bout", -9},
};

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL OpenDrive(ConstStr255Param name, int16_t *refNum)
{
    if (refNum)
        *refNum = 0;
    if (!name)
        return kNoDriver;
    for (const DriverName &d : kDrivers) {
        if (!EqualString(name, reinterpret_cast<ConstStr255Param>(d.name), false, false))
            continue;
        OSErr err = d.refNum == tabletRefNum ? OpenTablet() : SerOpen(d.refNum);
        if (err == noErr && refNum)
            *refNum = d.refNum;
        return err;
    }
    return kNoDriver;
}

ZEL_EXTERN_C OSErr ZEL_CALL CloseDrive(int16_t refNum)
{
    if (refNum == tabletRefNum) {
        CloseTablet();
        return noErr;
    }
    return SerClose(refNum);
}

ZEL_EXTERN_C OSErr ZEL_CALL Control(int16_t refNum, int16_t, Ptr)
{
    return refNum == tabletRefNum ? OSErr(noErr) : kBadUnit;
}

ZEL_EXTERN_C OSErr ZEL_CALL Status(int16_t refNum, int16_t csCode, Ptr csParam)
{
    if (refNum != tabletRefNum || csCode != tabletStatusCode || !csParam)
        return kBadUnit;
    *reinterpret_cast<TabletRecord **>(csParam) = TabletStatusRecord();
    return noErr;
}

ZEL_STUB(OSErr, PBStatus, 0, (void *, Boolean))
ZEL_STUB(void *, GetDCtlEntry, 0, (int16_t))
ZEL_STUB(Boolean, SetChooserAlert, false, (Boolean))

// The Device Manager's entry points: drivers opened by name, closed, controlled and asked for status.
#include "devices_services.h"
#include "Devices.h"
#include "OSUtils.h"

namespace {

constexpr OSErr kNoDriver = -26; // dInstErr

struct DriverName {
    const unsigned char *name;
    int16_t refNum;
};
const DriverName kSerialDrivers[] = {
    {reinterpret_cast<const unsigned char *>("\x04.Ain"), -6},
    {reinterpret_cast<const unsigned char *>("\x05.Aout"), -7},
    {reinterpret_cast<const unsigned char *>("\x04.Bin"), -8},
    {reinterpret_cast<const unsigned char *>("\x05.Bout"), -9},
};

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL OpenDrive(ConstStr255Param name, int16_t *refNum)
{
    int16_t opened = 0;
    OSErr err = kNoDriver;
    if (name) {
        for (const DriverName &d : kSerialDrivers) {
            if (!EqualString(name, d.name, false, false))
                continue;
            err = SerOpen(d.refNum);
            if (err == noErr)
                opened = d.refNum;
            break;
        }
    }
    if (refNum)
        *refNum = opened;
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL CloseDrive(int16_t refNum)
{
    return SerClose(refNum);
}

// The serial driver's byte transfers. No port is open until the driver opens one.
#include "devices_services.h"

// PENDING: the serial driver keeps its open ports' handles and reads and writes them.
uint16_t SerRead(int16_t, int32_t *count, void *)
{
    if (count)
        *count = 0;
    return ERROR_INVALID_HANDLE;
}

// PENDING: the serial driver keeps its open ports' handles and reads and writes them.
uint16_t SerWrite(int16_t, int32_t *count, const void *)
{
    if (count)
        *count = 0;
    return ERROR_INVALID_HANDLE;
}

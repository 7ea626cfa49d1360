/* Operating-system utilities and the diagnostic channel. */
#ifndef TOLVADEX_OSUTILS_H
#define TOLVADEX_OSUTILS_H

#include "MacTypes.h"

#pragma pack(push, 2)
typedef struct MachineLocation {
    Fract latitude;
    Fract longitude;
    int32_t gmtDelta; /* seconds east of Greenwich in the low 24 bits; bit 24 set in daylight time */
} MachineLocation;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(MachineLocation) == 12, "MachineLocation is 12 bytes");

ZEL_API void ZEL_CALL ReadLocation(MachineLocation *loc);
ZEL_API void ZEL_CALL DebugStr(ConstStr255Param debuggerMsg);
ZEL_API void ZEL_CALL Debugger(void);

#endif

/* The Vertical Retrace Manager: periodic tasks the event pump counts down and runs (while the mouse
   button is down) and that ZEL_VBL_Interrupt runs from a host's own timer. */
#ifndef TOLVADEX_RETRACE_H
#define TOLVADEX_RETRACE_H
#define __RETRACE__

#include "MacTypes.h"

enum { vType = 1 };

#pragma pack(push, 2)
typedef struct VBLTask {
    struct VBLTask *qLink;
    int16_t qType;
    ProcPtr vblAddr;  /* called when vblCount counts down to 0 */
    int16_t vblCount; /* passes until the next call; the procedure sets it again to run again */
    int16_t vblPhase;
} VBLTask, *VBLTaskPtr;
#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(VBLTask) == 14, "VBLTask is 14 bytes");
ZEL_STATIC_ASSERT(offsetof(VBLTask, qType) == 4, "qType at 4");
ZEL_STATIC_ASSERT(offsetof(VBLTask, vblAddr) == 6, "vblAddr at 6");
ZEL_STATIC_ASSERT(offsetof(VBLTask, vblCount) == 10, "vblCount at 10");
ZEL_STATIC_ASSERT(offsetof(VBLTask, vblPhase) == 12, "vblPhase at 12");

ZEL_API OSErr ZEL_CALL VInstall(VBLTaskPtr vblTaskPtr);
ZEL_API OSErr ZEL_CALL VRemove(VBLTaskPtr vblTaskPtr);

#endif

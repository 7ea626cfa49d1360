/* Control Manager. */
#ifndef TOLVADEX_CONTROLS_H
#define TOLVADEX_CONTROLS_H

#include "MacTypes.h"
#include "Quickdraw.h"

struct ControlRecord;
typedef struct ControlRecord **ControlHandle;
typedef ControlHandle ControlRef;

/* A control's action procedure, called while the mouse is held in one of its parts; its universal
   procedure pointer is the plain pointer (there is one calling convention). */
typedef void (ZEL_CALL *ControlActionProcPtr)(ControlHandle theControl, int16_t partCode);
typedef ControlActionProcPtr ControlActionUPP;
#define NewControlActionUPP(userRoutine) ((ControlActionUPP)(userRoutine))
#define NewControlActionProc(userRoutine) NewControlActionUPP(userRoutine)

#endif

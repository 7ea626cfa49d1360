/* The Device Manager's driver calls: the serial drivers (.AIn, .AOut, .BIn, .BOut) and the pen-tablet
   driver (.Wacom). */
#ifndef TOLVADEX_DEVICES_H
#define TOLVADEX_DEVICES_H

#include "MacTypes.h"

/* Opens a driver by name (case and diacritics ignored) and sets *refNum; -26 for an unknown name. */
ZEL_API OSErr ZEL_CALL OpenDrive(ConstStr255Param name, int16_t *refNum);
ZEL_API OSErr ZEL_CALL CloseDrive(int16_t refNum);

#endif

/* AppleEvent object support: range descriptors. */
#ifndef TOLVADEX_AEOBJECTS_H
#define TOLVADEX_AEOBJECTS_H

#include "AppleEvents.h"

/* Never builds a descriptor: answers -1. */
ZEL_API OSErr ZEL_CALL CreateRangeDescriptor(const AEDesc *rangeStart, const AEDesc *rangeStop, Boolean disposeInputs,
                                             AEDesc *theDescriptor);

#endif

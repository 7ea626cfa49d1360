/* AppleEvent object support: offset, comparison and range descriptors. */
#ifndef TOLVADEX_AEOBJECTS_H
#define TOLVADEX_AEOBJECTS_H

#include "AppleEvents.h"

/* {'long', the offset}. */
ZEL_API OSErr ZEL_CALL CreateOffsetDescriptor(int32_t theOffset, AEDesc *theDescriptor);
/* Not supported: reports itself and leaves the result untouched. */
ZEL_API OSErr ZEL_CALL CreateCompDescriptor(DescType comparisonOperator, AEDesc *operand1, AEDesc *operand2,
                                            Boolean disposeInputs, AEDesc *theDescriptor);
/* Never builds a descriptor: answers -1. */
ZEL_API OSErr ZEL_CALL CreateRangeDescriptor(const AEDesc *rangeStart, const AEDesc *rangeStop, Boolean disposeInputs,
                                             AEDesc *theDescriptor);

#endif

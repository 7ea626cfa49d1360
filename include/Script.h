/* Script Manager. */
#ifndef TOLVADEX_SCRIPT_H
#define TOLVADEX_SCRIPT_H

#include "MacTypes.h"

/* True when the system measures in metric units. */
ZEL_API Boolean ZEL_CALL IsMetric(void);

/* The international resources are not cached: nothing to clear. */
ZEL_API void ZEL_CALL ClearIntlResourceCache(void);

/* Results of StyledLineBreak. */
typedef int8_t StyledLineBreakCode;
enum {
    smBreakWord = 0,     /* the line ends after a whole word or at a return */
    smBreakChar = 1,     /* a word wider than the line is broken between characters */
    smBreakOverflow = 2  /* the rest of the text fits */
};

/* Where a line of text from textStart (at most to textEnd) breaks within *textWidth, measured in the
   current port's font: *textOffset (counted from textPtr) and the width left in *textWidth. */
ZEL_API StyledLineBreakCode ZEL_CALL StyledLineBreak(Ptr textPtr, int32_t textLen, int32_t textStart, int32_t textEnd,
                                                     int32_t flags, Fixed *textWidth, int32_t *textOffset);

#endif

// Text drawing and measuring: the standard procedures behind DrawText and TextWidth.
#include "text_services.h"

// PENDING: text drawing draws the characters with the port's font, mode and transform.
ZEL_EXTERN_C void ZEL_CALL StdText(int16_t, const void *, Point, Point) {}
// PENDING: text measuring gives the width of the characters in the port's font.
ZEL_EXTERN_C int16_t ZEL_CALL StdTxMeas(int16_t, const void *, Point *, Point *, struct FontInfo *) { return 0; }

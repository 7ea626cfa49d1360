// Text drawing and measuring: the standard procedures behind DrawText and TextWidth.
#include "text_services.h"

#include "../quickdraw/qd_services.h"

// PENDING: text drawing draws the characters with the port's font, mode and transform.
ZEL_EXTERN_C void ZEL_CALL StdText(int16_t, const void *, Point, Point) {}
// PENDING: text measuring gives the width of the characters in the port's font.
ZEL_EXTERN_C int16_t ZEL_CALL StdTxMeas(int16_t, const void *, Point *, Point *, struct FontInfo *) { return 0; }

// PENDING: text measuring measures in the current port's bound font, size and style through TextWidth.
int16_t MeasureText(const void *text, int16_t count)
{
    SIZE size{};
    HDC dc = CurrentDC();
    if (!dc || !text || count <= 0 || !GetTextExtentPoint32A(dc, static_cast<const char *>(text), count, &size))
        return 0;
    return static_cast<int16_t>(size.cx);
}

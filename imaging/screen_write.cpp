// The screen-write layer: hiliting device rectangles in the hilite colour and writing solid fills
// straight into a port's DIB bits.
#include "imaging_services.h"

// PENDING: the screen-write layer exchanges the hilite colour in strips through a memory DC.
bool HiliteScreenRect(const RECT &) { return false; }

// PENDING: the screen-write layer writes all-black and all-white patterns into 1-, 4- and 8-bit DIB bits.
bool TryDibFillRect(const Rect *, const Pattern *) { return false; }

bool TryDibFillCRect(const Rect *, PixPatHandle) { return false; }

// The shape mask: shapes whose pattern or mode GDI cannot draw are drawn into a one-bit mask first.
#include "imaging_services.h"

// PENDING: the shape mask is armed for colour PixPats, emulated pen modes and mask clips, and shapes draw into it.
bool BeginShapeMask(const Rect *, GrafVerb, int) { return false; }

// PENDING: the shape mask is painted with the verb's pattern under the pen mode.
void EndShapeMask(int16_t, int) {}

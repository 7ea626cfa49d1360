// The shape mask: shapes whose pattern or mode GDI cannot draw are drawn into a one-bit mask first.
// The mask mode is never armed yet, so every shape is drawn straight.
#include "imaging_services.h"

bool BeginShapeMask(const Rect *, GrafVerb, int) { return false; }

void EndShapeMask(int16_t, int) {}

// Ovals, round rectangles and arcs: their standard bottleneck procedures.
#include "quickdraw.h"

// PENDING: the oval work draws round rectangles through their point arrays and records them.
ZEL_EXTERN_C void ZEL_CALL StdRRect(GrafVerb, const Rect *, int16_t, int16_t) {}
// PENDING: the oval work draws ovals with GDI or, when small, as point arrays, and records them.
ZEL_EXTERN_C void ZEL_CALL StdOval(GrafVerb, const Rect *) {}
// PENDING: the oval work draws arcs and wedges and records them.
ZEL_EXTERN_C void ZEL_CALL StdArc(GrafVerb, const Rect *, int16_t, int16_t) {}

// Rectangles: the default body of the patchable EraseRect. Nothing is drawn yet.
#include "qd_services.h"

void ZEL_CALL EraseRectImpl(const Rect *) {}

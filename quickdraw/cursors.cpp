// Cursors: the default bodies of the patchable cursor calls. Cursors are not converted yet, so the
// Windows cursor stays as it is.
#include "qd_services.h"

void ZEL_CALL DefaultSetCursor(const Cursor *) {}
void ZEL_CALL DefaultInitCursor(void) {}

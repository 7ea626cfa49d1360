// Update regions and window drawing: the default bodies of the patchable update calls. Without windows
// there is nothing to update yet.
#include "windows_services.h"

void ZEL_CALL BeginUpdateImpl(WindowPtr) {}
void ZEL_CALL EndUpdateImpl(WindowPtr) {}
void ZEL_CALL InvalRectImpl(const Rect *) {}
void ZEL_CALL InvalRgnImpl(RgnHandle) {}

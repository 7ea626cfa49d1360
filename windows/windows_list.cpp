// The window list.
#include "windows_services.h"

void DisposeAllWindows() {}

// Default bodies of the patchable ordering calls. The list holds no window yet.
void ZEL_CALL ShowWindowImpl(WindowPtr) {}
void ZEL_CALL HideWindowImpl(WindowPtr) {}
void ZEL_CALL SelectWindowImpl(WindowPtr) {}
WindowPtr ZEL_CALL FrontWindowImpl(void) { return nullptr; }

// Menu bar and menu selection: the default bodies of the patchable menu calls. No bar is installed yet
// and a pop-up menu returns no choice.
#include "windows_services.h"

void ZEL_CALL RebuildMenuBar(void) {}
void ZEL_CALL HiliteMenuImpl(int16_t) {}
int32_t PopUpMenuSelectDefault(MenuHandle, int16_t, int16_t, int16_t) { return 0; }

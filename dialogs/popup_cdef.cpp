// The popup menu control's definition procedure.
#include "dialogs_services.h"

// PENDING: the popup menu control definition draws and pops up its menu; until then it answers 0.
int32_t ZEL_CALL ZEL_PopupCDEF(int16_t, ControlHandle, int16_t, int32_t) { return 0; }

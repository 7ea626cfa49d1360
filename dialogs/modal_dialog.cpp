// The modal dialog loop: the default body of the patchable ModalDialog. It acts on the front window,
// and there is none yet, so it does nothing.
#include "dialogs_services.h"

void ZEL_CALL ModalDialogImpl(ModalFilterProcPtr, int16_t *) {}

// The Dialog Manager's nesting count.
#include "dialogs_services.h"

// PENDING: the Dialog Manager counts the modal dialogs and alerts it is running.
int16_t DialogNestingCount() { return 0; }

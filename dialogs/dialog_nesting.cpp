// The Dialog Manager's nesting count. No dialog is created or run yet, so it stays 0.
#include "dialogs_services.h"

int16_t DialogNestingCount() { return 0; }

// The Dialog Manager's nesting count.
#include "dialogs_services.h"

// PENDING: the Dialog Manager counts the modal dialogs and alerts it is running.
int16_t DialogNestingCount() { return 0; }

// PENDING: the dialog builder tells the item it is building; 0 outside it.
int16_t DialogItemBeingBuilt() { return 0; }

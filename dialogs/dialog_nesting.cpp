// The Dialog Manager's nesting count and the item the builder is building.
#include "dialogs_services.h"

namespace {
int16_t sItemBeingBuilt;
}

// PENDING: the Dialog Manager counts the modal dialogs and alerts it is running.
int16_t DialogNestingCount() { return DialogCreationDepth(); }

int16_t DialogItemBeingBuilt() { return sItemBeingBuilt; }
void SetDialogItemBeingBuilt(int16_t item) { sItemBeingBuilt = item; }

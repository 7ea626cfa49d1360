// The Dialog Manager's nesting count and the item the builder is building.
#include "dialogs_services.h"

namespace {
int16_t sItemBeingBuilt;
}

// Raised while a dialog is created and while ModalDialog runs; window creation reads the creation mark
// alone, so windows made during a modal run are ordinary windows.
int16_t DialogNestingCount() { return static_cast<int16_t>(DialogCreationDepth() + ModalDepth()); }

int16_t DialogItemBeingBuilt() { return sItemBeingBuilt; }
void SetDialogItemBeingBuilt(int16_t item) { sItemBeingBuilt = item; }

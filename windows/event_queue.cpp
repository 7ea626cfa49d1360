// The event queue.
#include "windows_services.h"

void FreeEventQueue() {}

// The pump keeps no yield countdown yet.
void ResetYieldCountdown() {}

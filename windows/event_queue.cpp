// The event queue.
#include "windows_services.h"

void FreeEventQueue() {}

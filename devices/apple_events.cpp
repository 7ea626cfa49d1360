// AppleEvents inside the application.
#include "devices_services.h"

// The handler and coercion tables are static storage that start empty: nothing is installed at start.
void InitAppleEvents() {}

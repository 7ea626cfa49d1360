// The window list.
#include "windows_services.h"

void DisposeAllWindows() {}

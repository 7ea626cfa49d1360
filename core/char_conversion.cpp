// Macintosh/ANSI character conversion.
#include "core.h"

namespace {
bool sDefaultTablesOn = true;
}

void DisableDefaultCharTables() { sDefaultTablesOn = false; }

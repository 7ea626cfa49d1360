// Graphics ports and their device-context records.
#include "qd_services.h"

void TearDownQuickDraw() {}

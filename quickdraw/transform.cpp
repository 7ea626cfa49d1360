// The port coordinate transform: the default body of the patchable SetOrigin. Ports have no transform
// yet, so moving the origin has no effect.
#include "qd_services.h"

void ZEL_CALL DefaultSetOrigin(int16_t, int16_t) {}

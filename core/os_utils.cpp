// Operating-system utilities.
#include "core.h"
#include "OSUtils.h"

#include <cstring>

ZEL_EXTERN_C void ZEL_CALL ReadLocation(MachineLocation *loc)
{
    if (!loc)
        return;
    std::memset(loc, 0, sizeof *loc);
}

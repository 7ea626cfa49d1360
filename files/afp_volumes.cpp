// Finder information and resource forks on Windows NT Macintosh volumes.
#include "files_services.h"

// PENDING: the MACFILE command records the type and creator on Windows NT Macintosh volumes.
int32_t ZEL_MakeMacAFPInfo(int16_t, int32_t, ConstStr255Param, OSType, OSType) { return 0; }

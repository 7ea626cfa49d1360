/* The Memory Manager under its classic header name. Where the file system ignores case this file also
   answers `#include <memory.h>`: the C library's header is then brought in too (ZEL_CASE_FOLDING_INCLUDES,
   set by the TOLVADEX::Classic target). */
#if defined(ZEL_CASE_FOLDING_INCLUDES) && defined(__GNUC__)
#include_next <memory.h>
#endif
#include "../MacMemory.h"

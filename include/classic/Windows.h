/* The Window Manager under its classic header name. Where the file system ignores case this file also
   answers a host file's `#include <windows.h>`: the platform's header is then brought in first, so that
   the file still reaches the Win32 declarations (ZEL_CASE_FOLDING_INCLUDES, set by the TOLVADEX::Classic
   target). */
#if defined(ZEL_CASE_FOLDING_INCLUDES) && defined(__GNUC__)
#include_next <windows.h>
#endif
#include "../MacWindows.h"

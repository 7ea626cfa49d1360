// Segment Loader: the application-file list handed to the host through the AppParmHandle global.
#include "core.h"

namespace {

// The list the library made last: {message (0 open, 1 print), count, then the AppFile entries}.
Handle sAppFiles;

} // namespace

// The list starts as "open" with no files.
void InitAppFiles()
{
    if (sAppFiles)
        DisposeHandle(sAppFiles);
    sAppFiles = NewHandleClear(4);
    LowMem<Handle>(lmAppParmHandle) = sAppFiles;
}

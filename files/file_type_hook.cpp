// The host's hook that names the Macintosh file type of a Windows file by its extension.
#include "files_services.h"

namespace {
FARPROC sFileTypeHook;
}

// PENDING: the file-type calls consult this hook (ZEL_SetFileTypeProc sets it too); returns the previous one.
FARPROC SetFileTypeByExtensionHook(FARPROC hook)
{
    FARPROC previous = sFileTypeHook;
    sFileTypeHook = hook;
    return previous;
}

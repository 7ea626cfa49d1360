// Resource Manager: resource handles and the chain of open resource files.
#include "files_services.h"
#include "../core/core_services.h"

namespace {
OSErr sResErr;
}

void CloseAllResourceFiles() {}

ZEL_EXTERN_C OSErr ZEL_CALL ResError(void) { return sResErr; }

// No resource file holds the handle until resource maps exist, so a resource handle is reported as not
// found and left alone, and anything else as not a resource.
ZEL_EXTERN_C void ZEL_CALL ReleaseResource(Handle h)
{
    if (!h || !(MasterRecord(h)->flags & mpResource)) {
        sResErr = resAttrErr;
        return;
    }
    sResErr = resNotFound;
}

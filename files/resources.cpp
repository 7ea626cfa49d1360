// Resource Manager: resource handles and the chain of open resource files.
#include "files_services.h"
#include "../core/core_services.h"

void CloseAllResourceFiles() {}

namespace {

// The last Resource Manager error lives in the ResErr low-memory global.
OSErr &ResErrGlobal() { return LowMem<OSErr>(lmResErr); }

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL ResError(void) { return ResErrGlobal(); }

// No resource file holds the handle until resource maps exist, so a resource handle is reported as not
// found and left alone, and anything else as not a resource.
ZEL_EXTERN_C void ZEL_CALL ReleaseResource(Handle h)
{
    if (!h || !(MasterRecord(h)->flags & mpResource)) {
        ResErrGlobal() = resAttrErr;
        return;
    }
    ResErrGlobal() = resNotFound;
}

// PENDING: the Resource Manager searches the chain of open resource files.
ZEL_EXTERN_C Handle ZEL_CALL GetResource(ResType, int16_t)
{
    ResErrGlobal() = noErr;
    return nullptr;
}

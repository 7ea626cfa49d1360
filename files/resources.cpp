// Resource Manager: single resources in the open files of the chain, the GetResource cache and the
// look-up index of each file.
#include "resource_manager.h"
#include "files_services.h"
#include "../core/core_services.h"

namespace {

// The last resource GetResource found.
struct ResourceCache {
    ResType type;
    int16_t id;
    Handle handle;
};
ResourceCache sCache;

} // namespace

void EmptyResourceCache() { sCache = ResourceCache{}; }

void ForgetCachedHandle(Handle h)
{
    if (h && sCache.handle == h)
        EmptyResourceCache();
}

void DropResourceIndex(ResFileRecord *f) { f->index = nullptr; }

// PENDING: the resource calls write changed resources' data here; until then they stay marked changed.
OSErr WriteChangedReferences(ResFileRecord *) { return noErr; }

ZEL_EXTERN_C OSErr ZEL_CALL ResError(void) { return CurrentResErr(); }

// No resource file holds the handle until resource maps exist, so a resource handle is reported as not
// found and left alone, and anything else as not a resource.
ZEL_EXTERN_C void ZEL_CALL ReleaseResource(Handle h)
{
    if (!h || !(MasterRecord(h)->flags & mpResource)) {
        SetResErr(resAttrErr);
        return;
    }
    SetResErr(resNotFound);
}

// PENDING: the Resource Manager searches the chain of open resource files.
ZEL_EXTERN_C Handle ZEL_CALL GetResource(ResType, int16_t)
{
    SetResErr(noErr);
    return nullptr;
}

// Native code resources: the host registers procedures under a resource type and ID, and the managers
// that would call a definition procedure ('MDEF', 'LDEF', 'CDEF') look them up here.
#include "files_services.h"
#include "Zel.h"
#include "../core/core_services.h"

namespace {

struct CodeResourceEntry {
    ResType type;
    uint16_t id;
    ProcPtr proc; // free when 0
};

constexpr int kEntries = 64;
CodeResourceEntry sRegistry[kEntries];

void RemoveMatching(ResType type, uint16_t id)
{
    for (CodeResourceEntry &e : sRegistry) {
        if (e.proc && e.type == type && e.id == id) {
            FreeHostProcInstance(reinterpret_cast<FARPROC>(e.proc));
            e = CodeResourceEntry{};
        }
    }
}

} // namespace

// At session exit every registered procedure is released, whatever its type and ID.
void ReleaseCodeResources()
{
    for (CodeResourceEntry &e : sRegistry) {
        if (e.proc)
            FreeHostProcInstance(reinterpret_cast<FARPROC>(e.proc));
        e = CodeResourceEntry{};
    }
}

ZEL_EXTERN_C ProcPtr ZEL_CALL ZEL_CodeResource(int32_t operation, ResType type, int32_t idArg, ProcPtr proc)
{
    const uint16_t id = static_cast<uint16_t>(idArg);
    switch (static_cast<uint16_t>(operation)) {
    case 0:
    case 4:
        RemoveMatching(type, id);
        return nullptr;
    case 1:
        for (CodeResourceEntry &e : sRegistry) {
            if (!e.proc) {
                ProcPtr stored = reinterpret_cast<ProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(proc)));
                if (!stored)
                    return nullptr;
                e = CodeResourceEntry{type, id, stored};
                return stored;
            }
        }
        return nullptr;
    case 2:
        for (CodeResourceEntry &e : sRegistry)
            e = CodeResourceEntry{};
        return nullptr;
    case 3:
        for (const CodeResourceEntry &e : sRegistry)
            if (e.proc && e.type == type && e.id == id)
                return e.proc;
        return nullptr;
    case 5:
        for (const CodeResourceEntry &e : sRegistry)
            if (e.proc && e.type == type && e.proc == proc)
                return e.proc;
        return nullptr;
    default:
        return nullptr;
    }
}

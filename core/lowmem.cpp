// Low-memory globals: each global's cell points at its storage.
#include "core.h"

namespace {

// Storage of the library's own for every global, wide enough for the widest (the arrow cursor).
union GlobalStorage {
    char bytes[72];
    uint32_t align;
};
GlobalStorage sOwn[lmGlobalCount];
void *sCells[lmGlobalCount];

} // namespace

void *LowMemCell(LowMemGlobal g)
{
    if (!sCells[g])
        sCells[g] = &sOwn[g];
    return sCells[g];
}

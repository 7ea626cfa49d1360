// The List Manager's slot table: one entry per live list {list handle, list-box window, flags}.
#include "dialogs_services.h"
#include "../core/core_services.h"

namespace {
constexpr uint32_t kListSlotTableBytes = 255 * 18;
Ptr sListSlots;
}

void AllocListSlotTable()
{
    if (!sListSlots) {
        HLOCAL local = AllocLocalBlock(LMEM_FIXED | LMEM_ZEROINIT, kListSlotTableBytes);
        sListSlots = static_cast<Ptr>(local);
    }
}

void FreeListSlotTable()
{
    FreeLocalBlock(reinterpret_cast<HLOCAL>(sListSlots));
    sListSlots = nullptr;
}

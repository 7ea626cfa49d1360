// Update regions and window drawing: the default bodies of the patchable update calls and the clipping
// of a port's DC.
#include "window_manager.h"
#include "../quickdraw/qd_services.h"

namespace {

// The two update-nesting levels' saved visible regions.
RgnHandle sNestingRgn[2];

} // namespace

void InitUpdateNestingRegions()
{
    for (RgnHandle &r : sNestingRgn)
        if (!r)
            r = NewRgn();
}

void FreeUpdateNestingRegions()
{
    for (RgnHandle &r : sNestingRgn) {
        if (r)
            DisposeRgn(r);
        r = nullptr;
    }
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_CheckUpdateRgn(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return false;
    UpdateWindowSynchronously(aux->hwnd);
    aux = AuxOf(window);
    return aux && (aux->createFlags & wcfUpdatePending) ? true : false;
}

// PENDING: the update work brackets drawing with the update region.
void ZEL_CALL BeginUpdateImpl(WindowPtr) {}
// PENDING: the update work restores the visible region.
void ZEL_CALL EndUpdateImpl(WindowPtr) {}
// PENDING: the update work adds to the update region.
void ZEL_CALL InvalRectImpl(const Rect *) {}
// PENDING: the update work adds to the update region.
void ZEL_CALL InvalRgnImpl(RgnHandle) {}

// PENDING: the update work selects clipRgn within visRgn.
ZEL_EXTERN_C void ZEL_CALL ZEL_ClipRgnChange(GrafPtr port)
{
    PortDCRecord *record = PortRecordOf(port);
    if (!record)
        return;
    if (record->hdc)
        SelectClipRgn(record->hdc, nullptr);
    record->clipEmpty = 0;
}

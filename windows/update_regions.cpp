// Update regions and window drawing: the default bodies of the patchable update calls (without windows
// there is nothing to update yet) and the clipping of a port's DC (every port is open to its whole DC:
// clipRgn and visRgn are not applied yet).
#include "windows_services.h"
#include "../quickdraw/qd_services.h"

void ZEL_CALL BeginUpdateImpl(WindowPtr) {}
void ZEL_CALL EndUpdateImpl(WindowPtr) {}
void ZEL_CALL InvalRectImpl(const Rect *) {}
void ZEL_CALL InvalRgnImpl(RgnHandle) {}

ZEL_EXTERN_C void ZEL_CALL ZEL_ClipRgnChange(GrafPtr port)
{
    PortDCRecord *record = PortRecordOf(port);
    if (!record)
        return;
    if (record->hdc)
        SelectClipRgn(record->hdc, nullptr);
    record->clipEmpty = 0;
}

// Clipping of a port's DC. Every port is open to its whole DC: clipRgn and visRgn are not applied yet.
#include "windows_services.h"
#include "../quickdraw/qd_services.h"

ZEL_EXTERN_C void ZEL_CALL ZEL_ClipRgnChange(GrafPtr port)
{
    PortDCRecord *record = PortRecordOf(port);
    if (!record)
        return;
    if (record->hdc)
        SelectClipRgn(record->hdc, nullptr);
    record->clipEmpty = 0;
}

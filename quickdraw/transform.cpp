// The port coordinate transform: each record maps port coordinates to device coordinates by its
// origin offset, and keeps the pen location and size in device units.
#include "quickdraw.h"

#include <algorithm>

namespace {

int16_t Clamp16(int32_t value) { return static_cast<int16_t>(std::clamp<int32_t>(value, -32768, 32767)); }

// The device pen of a record from its port's pen (0,0 and 1,1 without a port).
void UpdateRecordPen(PortDCRecord *record)
{
    PortXform &x = record->xform;
    GrafPtr port = record->port;
    Point loc = port ? port->pnLoc : Point{0, 0};
    Point size = port ? port->pnSize : Point{1, 1};
    if (x.offsetActive) {
        loc.h = Clamp16(loc.h + (x.dstOrigin.h - x.srcOrigin.h));
        loc.v = Clamp16(loc.v + (x.dstOrigin.v - x.srcOrigin.v));
    }
    x.devPenLoc = loc;
    x.devPenSize = size;
    record->fontDirty = 1;
}

} // namespace

void ResetXform(PortDCRecord *record)
{
    if (!record)
        return;
    PortXform &x = record->xform;
    GrafPtr port = record->port;
    x.srcOrigin = port ? XformPair{port->portRect.left, port->portRect.top} : XformPair{0, 0};
    x.srcExtent = XformPair{1, 1};
    x.dstExtent = XformPair{1, 1};
    x.pivot = XformPair{0, 0};
    x.rotation = 0;
    x.mirror = 0;
    x.dstOrigin = XformPair{0, 0};
    x.scaleActive = 0;
    x.offsetActive = (x.srcOrigin.h != 0 || x.srcOrigin.v != 0) ? 1 : 0;
    UpdateRecordPen(record);
}

void SetXformOrigin(int16_t h, int16_t v)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    PortXform &x = record->xform;
    x.srcOrigin = XformPair{h, v};
    x.offsetActive = (x.scaleActive || h || v || x.dstOrigin.h || x.dstOrigin.v) ? 1 : 0;
    UpdateRecordPen(record);
}

void XformUpdate()
{
    if (PortDCRecord *record = CurrentPortRecord())
        UpdateRecordPen(record);
}

// The default body of the patchable SetOrigin. Moving a port's origin is not built yet: it has no effect.
void ZEL_CALL DefaultSetOrigin(int16_t, int16_t) {}

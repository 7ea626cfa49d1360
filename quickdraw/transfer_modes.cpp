// Transfer modes: the pen and text modes of the current port turned into GDI raster operations and
// background modes, and the DC attribute cache that brings them, the colours and the pen to the DC.
#include "quickdraw.h"
#include "transfer_mode_table.h"

namespace {


void StorePenModeAttributes(PortDCRecord *record, int16_t mode)
{
    transfer_mode::Attributes a = transfer_mode::ModeAttributes(mode);
    record->penNeedsEmulation = a.emulated ? 1 : 0;
    record->rop2Wanted = a.rop2;
    record->penBkModeWanted = a.bkMode;
}

} // namespace

// Re-derives the record's mode fields from pnMode and txMode (fields the host may set directly).
void DerivePortModeAttributes(PortDCRecord *record, GrafPtr port)
{
    if (!record || !port)
        return;
    StorePenModeAttributes(record, port->pnMode);
    record->textBkModeWanted = transfer_mode::ModeAttributes(port->txMode).bkMode;
}

ZEL_EXTERN_C void ZEL_CALL PenMode(int16_t mode)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    mode = transfer_mode::FoldPenMode(mode);
    if (mode == port->pnMode)
        return;
    record->penState |= penStateRebuild;
    port->pnMode = mode;
    StorePenModeAttributes(record, mode);
}

ZEL_EXTERN_C void ZEL_CALL TextMode(int16_t mode)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record)
        return;
    port->txMode = mode;
    record->textBkModeWanted = transfer_mode::ModeAttributes(mode).bkMode;
}

uint16_t TextModeRop2(int16_t mode) { return transfer_mode::ModeAttributes(mode).rop2; }

void SyncPortDCAttributes(bool text)
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc)
        return;
    if (record->rop2Wanted != record->rop2Set) {
        SetROP2(dc, record->rop2Wanted);
        record->rop2Set = record->rop2Wanted;
    }
    uint16_t bkMode = text ? record->textBkModeWanted : record->penBkModeWanted;
    if (bkMode != record->bkModeSet) {
        SetBkMode(dc, bkMode);
        record->bkModeSet = bkMode;
    }
    if (record->foreColorRef != record->foreColorRefSet) {
        SetTextColor(dc, record->foreColorRef);
        record->foreColorRefSet = record->foreColorRef;
    }
    if (record->backColorRef != record->backColorRefSet) {
        SetBkColor(dc, record->backColorRef);
        record->backColorRefSet = record->backColorRef;
    }
}

void ApplyPortPen()
{
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!record || !dc)
        return;
    if (record->penState & penStateRebuild) {
        if (record->backColorRef != record->backColorRefSet) {
            SetBkColor(dc, record->backColorRef);
            record->backColorRefSet = record->backColorRef;
        }
        const Point &size = record->xform.devPenSize;
        HPEN pen;
        if (!record->thinPen && size.h == 0 && size.v == 0) {
            pen = CreatePen(PS_NULL, 0, 0);
        } else {
            int width = record->thinPen ? 1 : (size.h + size.v) / 2;
            pen = CreatePen(record->penStyle, width, ModePenColorRef(record, CurrentPort()));
        }
        SelectObject(dc, pen);
        if (record->hpen)
            DeleteObject(record->hpen);
        record->hpen = pen;
        record->penStyleSet = record->penStyle;
    } else if ((record->penState & penStateNullPen) && record->hpen) {
        SelectObject(dc, record->hpen);
    }
    record->penState = 0;
}

void DiscardPortPen()
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    if (HDC dc = CurrentDC())
        SelectNullPen(dc, record);
    record->penState |= penStateNullPen;
    if (record->hpen)
        DeleteObject(record->hpen);
    record->hpen = nullptr;
    record->penState |= penStateRebuild;
}

void SelectNullPen(HDC dc, PortDCRecord *record)
{
    if (!(record->penState & penStateNullPen)) {
        SelectObject(dc, GetStockObject(NULL_PEN));
        record->penState |= penStateNullPen;
    }
}

// The PortDCTable: one PortDCRecord per open port, found through the port's patStretch, and the list
// of valid ports.
#include "quickdraw.h"

#include <cstring>

namespace {

PortDCRecord *sTable[portDCTableSize];
// The DC each record took ownership of when its port opened; only that DC is ever deleted at close.
HDC sOwnedDC[portDCTableSize];

// The valid-port list: a handle of port pointers; a closed port's entry becomes 0.
Handle sValidPorts;
int32_t sValidCount;
constexpr int32_t kValidGrowth = 20;

GrafPtr *ValidEntries() { return reinterpret_cast<GrafPtr *>(*sValidPorts); }

// Records live in fixed blocks of the local heap, like every pointer block of the library.
PortDCRecord *NewRecordBlock()
{
    return static_cast<PortDCRecord *>(AllocLocalBlock(LPTR, sizeof(PortDCRecord)));
}

void FreeRecordBlock(PortDCRecord *record) { FreeLocalBlock(reinterpret_cast<HLOCAL>(record)); }

} // namespace

PortDCRecord *PortRecordAt(int index)
{
    return index >= 0 && index < portDCTableSize ? sTable[index] : nullptr;
}

HDC PortTableDC(int index)
{
    PortDCRecord *record = PortRecordAt(index);
    return record ? record->hdc : nullptr;
}

int PortRecordIndex(const PortDCRecord *record)
{
    if (!record)
        return -1;
    for (int i = 0; i < portDCTableSize; ++i)
        if (sTable[i] == record)
            return i;
    return -1;
}

PortDCRecord *PortRecordOf(GrafPtr port)
{
    if (!port)
        return nullptr;
    PortDCRecord *record = PortRecordAt(port->patStretch);
    return record && record->port == port ? record : nullptr;
}

void MarkDialogPort(GrafPtr port)
{
    if (PortDCRecord *record = PortRecordOf(port))
        record->flags |= portDCDialogFont;
}

void MarkPrinterPort(GrafPtr port)
{
    if (PortDCRecord *record = PortRecordOf(port))
        record->flags |= portDCPrinter;
}

int AllocatePortRecord(GrafPtr port)
{
    port->patStretch = -1;
    for (int i = 0; i < portDCTableSize; ++i) {
        if (sTable[i])
            continue;
        // A block that cannot be had is passed over as if the entry were taken.
        PortDCRecord *record = NewRecordBlock();
        if (!record)
            continue;
        sTable[i] = record;
        sOwnedDC[i] = nullptr;
        record->port = nullptr;
        port->patStretch = static_cast<int16_t>(i);
        InitialisePortRecord(record, true);
        record->port = port;
        return i;
    }
    return -1;
}

void InitialisePortRecord(PortDCRecord *record, bool fresh)
{
    if (fresh) {
        std::memset(record, 0, sizeof *record);
    } else {
        // A re-initialisation keeps the record's identity, its DC and the GDI objects it caches.
        PortDCRecord kept = *record;
        std::memset(record, 0, sizeof *record);
        record->flags = kept.flags;
        record->port = kept.port;
        record->hwnd = kept.hwnd;
        record->hdc = kept.hdc;
        record->hpen = kept.hpen;
        record->hbrush = kept.hbrush;
        record->hfont = kept.hfont;
        std::memcpy(record->textMetrics, kept.textMetrics, sizeof record->textMetrics);
        record->ownPenPixPat = kept.ownPenPixPat;
        record->ownBackPixPat = kept.ownBackPixPat;
        record->ownFillPixPat = kept.ownFillPixPat;
        record->brushKey = kept.brushKey;
    }
    record->penPatState = 1;
    ResetPortDCCache(record);
    record->xform.devPenLoc = Point{0, 0};
    record->xform.devPenSize = Point{1, 1};
    ResetXform(record);
    record->rop2Wanted = R2_COPYPEN;
    record->penBkModeWanted = OPAQUE;
    record->textBkModeWanted = TRANSPARENT;
    record->foreRGB = RGBColor{0, 0, 0};
    record->backRGB = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    record->foreColorRef = RGBColorToColorRef(record->foreRGB);
    record->backColorRef = RGBColorToColorRef(record->backRGB);
    record->picOvalWidth = 1;
    record->picOvalHeight = 1;
    record->drawEnabled = 1;
    record->penStyle = PS_SOLID;
    record->lineWidthActive = 0;
    record->lineWidth = kDefaultLineWidth;
    // The session has no brush-align switch of its own: brush origins start unaligned.
    record->brushAlign = 0;
    record->depth = static_cast<uint8_t>(ScreenDepth());
}

void FreePortRecordAt(int index)
{
    PortDCRecord *record = PortRecordAt(index);
    if (!record)
        return;
    sTable[index] = nullptr;
    sOwnedDC[index] = nullptr;
    FreeRecordBlock(record);
}

void FreeAllPortRecords()
{
    for (int i = 0; i < portDCTableSize; ++i)
        FreePortRecordAt(i);
}

bool AnyPortRecordInUse()
{
    for (PortDCRecord *record : sTable)
        if (record && record->port)
            return true;
    return false;
}

HDC OwnedPortDC(int index) { return index >= 0 && index < portDCTableSize ? sOwnedDC[index] : nullptr; }

void SetOwnedPortDC(int index, HDC dc)
{
    if (index >= 0 && index < portDCTableSize)
        sOwnedDC[index] = dc;
}

void ForgetPortRecordDC(HDC dc)
{
    if (!dc)
        return;
    for (int i = 0; i < portDCTableSize; ++i) {
        PortDCRecord *record = sTable[i];
        if (!record || record->hdc != dc)
            continue;
        // The port stays open and valid; it draws nowhere until it is given a DC again.
        record->hdc = nullptr;
        if (sOwnedDC[i] == dc)
            sOwnedDC[i] = nullptr;
        if (record == CurrentPortRecord())
            SetPortRecordDC(nullptr);
    }
}

// ---- the valid-port list ----

bool IsPortInValidList(GrafPtr port)
{
    if (!port || !HandleHasData(sValidPorts))
        return false;
    GrafPtr *entries = ValidEntries();
    for (int32_t i = 0; i < sValidCount; ++i)
        if (entries[i] == port)
            return true;
    return false;
}

void EnterValidPort(GrafPtr port)
{
    if (!port || IsPortInValidList(port))
        return;
    if (!HandleHasData(sValidPorts)) {
        if (sValidPorts)
            DisposeHandle(sValidPorts);
        sValidPorts = NewHandleClear(kValidGrowth * sizeof(GrafPtr));
        sValidCount = sValidPorts ? kValidGrowth : 0;
        if (!sValidPorts)
            return;
    }
    GrafPtr *entries = ValidEntries();
    for (int32_t i = sValidCount - 1; i >= 0; --i) {
        if (!entries[i]) {
            entries[i] = port;
            return;
        }
    }
    int32_t grown = sValidCount + kValidGrowth;
    if (!SetHandleSize(sValidPorts, grown * static_cast<Size>(sizeof(GrafPtr))))
        return;
    entries = ValidEntries();
    std::memset(entries + sValidCount, 0, kValidGrowth * sizeof(GrafPtr));
    sValidCount = grown;
    entries[grown - 1] = port;
}

void RemoveValidPort(GrafPtr port)
{
    if (!port || !HandleHasData(sValidPorts))
        return;
    GrafPtr *entries = ValidEntries();
    for (int32_t i = 0; i < sValidCount; ++i) {
        if (entries[i] == port) {
            entries[i] = nullptr;
            return;
        }
    }
}

void FreeValidPortList()
{
    if (sValidPorts)
        DisposeHandle(sValidPorts);
    sValidPorts = nullptr;
    sValidCount = 0;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_IsPortValid(GrafPtr port) { return IsPortInValidList(port) ? 1 : 0; }

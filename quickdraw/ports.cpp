// Graphics ports: opening, initialising and closing ports, port selection and the DC glue. Every port
// draws through the device context of its PortDCRecord; the current port, its record and the current
// DC change only here.
#include "quickdraw.h"
#include "../dialogs/dialogs_services.h"
#include "../imaging/imaging_services.h"
#include "../text/text_services.h"
#include "../windows/windows_services.h"

#include <cstring>

namespace {

GrafPtr sCurrentPort;
PortDCRecord *sCurrentRecord;
HDC sCurrentDC;
GrafPtr *sThePortMirror; // the thePort field of the host's QuickDraw globals
CGrafPtr sWMgrPort;

// The DC of the main window, taken with GetDC while the Window Manager port is current.
HDC sScreenDC;
HWND sMainWindow;

// DCs waiting for the next port that opens.
HDC sNextPortDC;
HDC sPendingOffscreenDC;
bool sPendingOffscreenRecorded;

int16_t sCPortOpenSucceeded;
bool sBrushReleaseMode;

// ZEL_SwaphDC.
int16_t sSwapMode;
HDC sSwappedDC;
HDC sMirrorDC;
UINT sSwapSavedAlign;

// ZEL_SetWMgrPortDC: one saved set, however deep the nesting.
int sLendNesting;
HDC sLentDC;
GrafPtr sLendSavedPort;
HDC sLendSavedScreenDC;
HWND sLendSavedMainWindow;
UINT sLendSavedAlign;
HGDIOBJ sLendSavedBrush;
Rect sLendSavedPortRect;

constexpr int16_t kColorPortVersion = static_cast<int16_t>(0xC000);
const Pattern kWhitePattern = {{0, 0, 0, 0, 0, 0, 0, 0}};
const Pattern kBlackPattern = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
// The byte of a WindowRecord after the 108-byte port and the 16-bit windowKind.
constexpr size_t kWindowVisibleOffset = 110;

bool IsWMgrPort(GrafPtr port) { return port && port == AsPort(sWMgrPort); }

uint32_t BaseAddrMark(int index) { return (static_cast<uint32_t>(index) & 0x7FFF) | 0x8000; }


// Text is drawn from its baseline in every port.
void SetBaselineAlignment(HDC dc)
{
    if (dc)
        SetTextAlign(dc, TA_BASELINE);
}

// Chooses the DC of a port that opens: a DC handed in by SetNextPortDC, else the pending offscreen
// DC, else the current GDevice's DC (when it is not the screen's) or the default memory DC. The port
// owns only an offscreen DC made for it.
void ChoosePortDC(PortDCRecord *record, int index)
{
    HDC dc;
    if (sNextPortDC) {
        dc = sNextPortDC;
        sNextPortDC = nullptr;
    } else if (sPendingOffscreenDC) {
        dc = sPendingOffscreenDC;
        if (!sPendingOffscreenRecorded && dc != DefaultMemoryDC()) {
            record->flags |= portDCOwnsDC;
            SetOwnedPortDC(index, dc);
        }
        sPendingOffscreenDC = nullptr;
        sPendingOffscreenRecorded = false;
    } else {
        GDHandle device = GetGDevice();
        dc = HandleHasData(device) && (*device)->gdRefNum != 0 ? (*device)->gdReserved : DefaultMemoryDC();
        // Flagged like an offscreen port's; the DC itself stays with its device or is the shared one.
        record->flags |= portDCOwnsDC;
    }
    record->hdc = dc;
    SetBaselineAlignment(dc);
    record->depth = static_cast<uint8_t>(DeviceContextDepth(dc));
}

// The tail of port selection: the current DC, the palette-managed DIB mode and the palette.
void SelectPortTail(GrafPtr port, PortDCRecord *record)
{
    sCurrentDC = record ? record->hdc : nullptr;
    bool releaseMode = false;
    if (record && IsColorPort(port)) {
        PixMapHandle pm = AsColorPort(port)->portPixMap;
        if (HandleHasData(pm)) {
            const PixMap &map = **pm;
            if (static_cast<uint16_t>(map.pmVersion) == kPixMapVersion && (map.pmExtFlags & pmExtDibAttached) &&
                !(map.pmExtFlags & pmExtDibEngine) && map.pmExtDC) {
                releaseMode = true;
                SyncPixMapDibColors(pm);
                record->flags |= portDCPaletteDib;
            }
        }
    }
    sBrushReleaseMode = releaseMode;
    SelectPortPalette(port);
}

void SelectPort(GrafPtr port)
{
    // A pointer that is not an open port selects the Window Manager port.
    PortDCRecord *record = IsPortInValidList(port) ? PortRecordOf(port) : nullptr;
    if (!record) {
        port = AsPort(sWMgrPort);
        record = PortRecordOf(port);
        if (!record)
            port = nullptr;
    }
    SetCurrentPortVariable(port);
    sCurrentRecord = record;

    // While the Window Manager port draws offscreen, its DC is the memory one until the drawing ends,
    // and the screen DC that the drawing ends on stays taken.
    PortDCRecord *wmgr = PortRecordAt(0);
    const bool wmgrOffscreen = wmgr && wmgr->offscreenActive;
    if (port && IsWMgrPort(port)) {
        if (!sScreenDC) {
            // A DC taken again comes with GDI's defaults: text goes back to its baseline.
            sScreenDC = GetDC(sMainWindow);
            SetBaselineAlignment(sScreenDC);
            if (record)
                ResetPortDCCache(record);
        }
        if (record && !record->offscreenActive)
            record->hdc = sScreenDC;
    } else if (sScreenDC && sLendNesting == 0 && !wmgrOffscreen) {
        if (wmgr) {
            ReleasePortGdiObjects(wmgr, sScreenDC);
            if (wmgr->hdc == sScreenDC)
                wmgr->hdc = nullptr;
        }
        ReleaseDC(sMainWindow, sScreenDC);
        sScreenDC = nullptr;
    }
    SelectPortTail(port, record);
}

// The colour patterns of a port live in PixPats; a black-and-white port holds them in its fields.
void StoreInitialPatterns()
{
    BackPat(&kWhitePattern);
    SetPortFillPat(&kBlackPattern);
    PenPat(&kBlackPattern);
}

// Fields common to both kinds of port. The port is entered in the valid-port list when it has a
// record of its own, and only once.
void InitCommonPortFields(GrafPtr port, PortDCRecord *record)
{
    port->portRect = LowMem<BitMap>(lmScreenBits).bounds;
    port->pnLoc = Point{0, 0};
    port->pnSize = Point{1, 1};
    port->pnMode = patCopyMode;
    StoreInitialPatterns();
    port->pnVis = 0;
    port->txFont = 0;
    port->txFace = 0;
    port->txMode = srcOrMode;
    port->txSize = 12;
    port->spExtra = 0;
    port->colrBit = 0;
    if (port->visRgn)
        SetRectRg(port->visRgn, -16383, -16383, 16383, 16383);
    if (port->clipRgn)
        SetRectRg(port->clipRgn, -16383, -16383, 16383, 16383);
    ZEL_ClipRgnChange(port);
    SetBaselineAlignment(sCurrentDC);
    // The transform follows the new portRect, whatever origin the port had before.
    if (record && record == sCurrentRecord)
        SetXformOrigin(port->portRect.left, port->portRect.top);
    if (record)
        EnterValidPort(port);
}

void InitBlackAndWhitePortFields(GrafPtr port, PortDCRecord *record)
{
    port->device = 0;
    port->picSave = nullptr;
    port->rgnSave = nullptr;
    port->polySave = nullptr;
    port->grafProcs = nullptr;
    const BitMap &screen = LowMem<BitMap>(lmScreenBits);
    BindPortBits(port, reinterpret_cast<Ptr>(static_cast<uintptr_t>(BaseAddrMark(port->patStretch))),
                 screen.rowBytes, &screen.bounds);
    port->fgColor = blackColorCode;
    port->bkColor = whiteColorCode;
    InitCommonPortFields(port, record);
}

// Widens an 8-bit system colour to 16 bits per channel.
RGBColor SystemColor(int index)
{
    COLORREF c = GetSysColor(index);
    auto widen = [](BYTE b) { return static_cast<uint16_t>((b << 8) | b); };
    return RGBColor{widen(GetRValue(c)), widen(GetGValue(c)), widen(GetBValue(c))};
}

void InitColorPortFields(CGrafPtr port, PortDCRecord *record)
{
    port->device = 0;
    port->picSave = nullptr;
    port->rgnSave = nullptr;
    port->polySave = nullptr;
    port->grafProcs = nullptr;
    port->portVersion = kColorPortVersion;
    if (HandleHasData(port->grafVars)) {
        GrafVars &vars = *reinterpret_cast<GrafVars *>(*port->grafVars);
        vars.rgbOpColor = RGBColor{0, 0, 0};
        vars.rgbHiliteColor = LowMem<RGBColor>(lmHiliteRGB);
        vars.pmFgColor = nullptr;
        vars.pmFgIndex = 0;
        vars.pmBkColor = nullptr;
        vars.pmBkIndex = 0;
        vars.pmFlags = static_cast<int16_t>(0xC000);
    }
    port->chExtra = 0;
    port->pnLocHFrac = 0;
    port->fgColor = blackColorCode;
    port->bkColor = whiteColorCode;
    // Red words that no colour has, so that the colour setters below always act.
    port->rgbFgColor.red = 1;
    port->rgbBkColor.red = 1;
    if (DialogNestingCount() == 0) {
        SetForeRGB(0, 0, 0);
        SetBackRGB(0xFFFF, 0xFFFF, 0xFFFF);
    } else {
        RGBColor back = SystemColor(SessionThreeD() ? COLOR_BTNFACE : COLOR_WINDOW);
        RGBColor fore = SystemColor(COLOR_BTNTEXT);
        SetBackRGB(back.red, back.green, back.blue);
        SetForeRGB(fore.red, fore.green, fore.blue);
    }
    InitCommonPortFields(AsPort(port), record);
}

// Protected DCs are never deleted by a closing port: the default memory DC, the DC of any GDevice
// still alive, the imaging code's shared memory DC, the screen DC and a DC another port draws into.
bool IsProtectedDC(HDC dc, const PortDCRecord *closing)
{
    if (dc == DefaultMemoryDC() || dc == SharedMemoryDC() || dc == sScreenDC || IsLiveGDeviceDC(dc))
        return true;
    for (int i = 0; i < portDCTableSize; ++i) {
        const PortDCRecord *record = PortRecordAt(i);
        if (record && record != closing && record->hdc == dc)
            return true;
    }
    return false;
}

void ClosePortCommon(GrafPtr port)
{
    PortDCRecord *record = PortRecordOf(port);
    if (!record) {
        // A port that never got a record (table full) or is closed already: nothing of ours to free.
        RemoveValidPort(port);
        return;
    }
    const bool color = IsColorPort(port);
    const bool closingWMgr = IsWMgrPort(port);
    GrafPtr remembered = sCurrentPort == port ? AsPort(sWMgrPort) : sCurrentPort;
    SelectPort(port);

    if (!color) {
        uint32_t base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(port->portBits.baseAddr));
        if (IsBoundBitmapSlot(base))
            ReleasePortBits(port, port->portBits.baseAddr, TRUE);
    } else if (record->flags & portDCPaletteDib) {
        sBrushReleaseMode = true;
    }

    DisposeRgn(port->clipRgn);
    port->clipRgn = nullptr;
    DisposeRgn(port->visRgn);
    port->visRgn = nullptr;
    CGrafPtr cport = AsColorPort(port);
    if (color) {
        if (cport->grafVars)
            DisposeHandle(cport->grafVars);
        cport->grafVars = nullptr;
        DisposePixPat(cport->bkPixPat);
        cport->bkPixPat = nullptr;
        DisposePixPat(cport->pnPixPat);
        cport->pnPixPat = nullptr;
        DisposePixPat(cport->fillPixPat);
        cport->fillPixPat = nullptr;
        // The colour table is the GDevice's, shared with the port's PixMap.
        if (HandleHasData(cport->portPixMap))
            (*cport->portPixMap)->pmTable = nullptr;
    }

    // Release the record with no current port: its objects leave its DC, and the DC goes only when
    // the port took ownership of it and nobody else needs it.
    int index = PortRecordIndex(record);
    HDC dc = record->hdc;
    SetCurrentPortVariable(nullptr);
    ReleasePortGdiObjects(record, dc);
    HDC owned = OwnedPortDC(index);
    if ((record->flags & portDCOwnsDC) && owned && !IsProtectedDC(owned, record))
        DeleteDC(owned);
    FreePortRecordAt(index);
    sCurrentRecord = nullptr;
    sCurrentDC = nullptr;
    if (!AnyPortRecordInUse())
        FreeFontTables();

    if (color) {
        DisposePixMap(cport->portPixMap);
        cport->portPixMap = nullptr;
    }
    if (!closingWMgr)
        SelectPort(remembered);
    RemoveValidPort(port);
}

} // namespace

// ---- services ----

// Every window's DC is the display's, whose depth is asked once: under Wine asking a window's DC for
// its bits per pixel goes to the display server each time, and takes as long as drawing a shape.
int16_t DeviceContextDepth(HDC dc)
{
    static int16_t displayDepth;
    if (!dc)
        return 0;
    const bool windowDC = GetObjectType(dc) == OBJ_DC && WindowFromDC(dc);
    if (windowDC && displayDepth)
        return displayDepth;
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    int planes = GetDeviceCaps(dc, PLANES);
    int16_t depth;
    if (planes == 1 && bits == 16) {
        depth = 16;
    } else {
        const int product = bits * planes;
        depth = static_cast<int16_t>(product >= 15 ? 24 : product);
    }
    if (windowDC)
        displayDepth = depth;
    return depth;
}

GrafPtr CurrentPort() { return sCurrentPort; }
PortDCRecord *CurrentPortRecord() { return sCurrentRecord; }
HDC CurrentDC() { return sCurrentDC; }
HDC ScreenDC() { return sScreenDC; }
HWND QuickDrawMainWindow() { return sMainWindow; }
CGrafPtr WMgrCPort() { return sWMgrPort; }
int16_t GetCPortOpenSucceeded() { return sCPortOpenSucceeded; }
bool BrushReleaseMode() { return sBrushReleaseMode; }
void SetBrushReleaseMode(bool on) { sBrushReleaseMode = on; }
HDC SwappedDC() { return sSwappedDC; }
HDC MirrorDC() { return sMirrorDC; }
int16_t SwapMode() { return sSwapMode; }
bool WMgrPortDCLent() { return sLendNesting > 0; }

void SetCurrentPortVariable(GrafPtr port)
{
    sCurrentPort = port;
    LowMem<GrafPtr>(lmThePort) = port;
    if (sThePortMirror)
        *sThePortMirror = port;
}

void SetThePortMirror(GrafPtr *field) { sThePortMirror = field; }
void SetWMgrCPort(CGrafPtr port) { sWMgrPort = port; }
void SetQuickDrawMainWindow(HWND window) { sMainWindow = window; }

void TakeScreenDC(HDC dc)
{
    sScreenDC = dc;
    sCurrentDC = dc;
}

void ReleaseScreenDC()
{
    if (sScreenDC)
        ReleaseDC(sMainWindow, sScreenDC);
    sScreenDC = nullptr;
}

void ResetPortState()
{
    SetCurrentPortVariable(nullptr);
    sThePortMirror = nullptr;
    sCurrentRecord = nullptr;
    sCurrentDC = nullptr;
    sWMgrPort = nullptr;
    sNextPortDC = nullptr;
    sPendingOffscreenDC = nullptr;
    sPendingOffscreenRecorded = false;
    sBrushReleaseMode = false;
    sSwapMode = 0;
    sSwappedDC = nullptr;
    sMirrorDC = nullptr;
    sLendNesting = 0;
    sLentDC = nullptr;
}

void SetNextPortDC(HDC dc) { sNextPortDC = dc; }

void SetPendingOffscreenDC(HDC dc, bool recordedInPixMap)
{
    sPendingOffscreenDC = dc;
    sPendingOffscreenRecorded = recordedInPixMap;
}

void SetPortRecordDC(HDC dc)
{
    if (!sCurrentRecord)
        return;
    sCurrentRecord->hdc = dc;
    sCurrentDC = dc;
    if (dc && !FontMapLoaded())
        LoadFontMap();
    SetBaselineAlignment(dc);
    ResetPortDCCache(sCurrentRecord);
}

void SetWindowVisibleFlag(WindowPtr window, int16_t visible)
{
    if (!window)
        return;
    reinterpret_cast<uint8_t *>(window)[kWindowVisibleOffset] = static_cast<uint8_t>(visible);
    if (PortDCRecord *record = PortRecordOf(window)) {
        record->drawEnabled = static_cast<uint8_t>(visible);
        record->flags |= portDCWindow;
    }
}

// ---- exported calls ----

ZEL_EXTERN_C void ZEL_CALL OpenPort(GrafPtr port)
{
    if (!port)
        return;
    int index = AllocatePortRecord(port);
    if (index < 0)
        return;
    PortDCRecord *record = PortRecordAt(index);
    sCurrentRecord = record;
    ChoosePortDC(record, index);
    sCurrentDC = record->hdc;
    SetCurrentPortVariable(port);
    port->visRgn = NewRgn();
    port->clipRgn = NewRgn();
    record->brushKey = nullptr;
    InitBlackAndWhitePortFields(port, record);
    SelectPortTail(port, record);
}

ZEL_EXTERN_C void ZEL_CALL OpenCPort(CGrafPtr port)
{
    if (!port)
        return;
    sCPortOpenSucceeded = 1;
    int index = AllocatePortRecord(AsPort(port));
    if (index < 0) {
        sCPortOpenSucceeded = 0;
        return;
    }
    PortDCRecord *record = PortRecordAt(index);
    sCurrentRecord = record;
    record->flags |= portDCColor;
    ChoosePortDC(record, index);
    sCurrentDC = record->hdc;
    SetCurrentPortVariable(AsPort(port));

    // The port's PixMap marks the port's own device and shares the current GDevice's colour table.
    port->portVersion = kColorPortVersion;
    port->portPixMap = NewPixMap();
    if (HandleHasData(port->portPixMap)) {
        PixMap &map = **port->portPixMap;
        map.baseAddr = reinterpret_cast<Ptr>(static_cast<uintptr_t>(BaseAddrMark(index)));
        GDHandle device = GetGDevice();
        if (HandleHasData(device) && HandleHasData((*device)->gdPMap)) {
            if (map.pmTable)
                DisposeHandle(reinterpret_cast<Handle>(map.pmTable));
            map.pmTable = (*(*device)->gdPMap)->pmTable;
        }
    }
    port->grafVars = NewHandleClear(sizeof(GrafVars));
    port->visRgn = NewRgn();
    port->clipRgn = NewRgn();
    port->bkPixPat = nullptr;
    BackPixPat(NewPixPat());
    port->pnPixPat = nullptr;
    PenPixPat(NewPixPat());
    port->fillPixPat = nullptr;
    port->fillPixPat = NewPixPat();
    record->ownBackPixPat = port->bkPixPat;
    record->ownPenPixPat = port->pnPixPat;
    record->ownFillPixPat = port->fillPixPat;
    record->brushKey = nullptr;
    InitColorPortFields(port, record);
    SelectPortTail(AsPort(port), record);
}

ZEL_EXTERN_C void ZEL_CALL InitPort(GrafPtr port)
{
    // Only a port with a record of its own is initialised: another port's record is never reset in
    // its place.
    PortDCRecord *record = PortRecordOf(port);
    if (!record)
        return;
    EnterValidPort(port);
    SelectPort(port);
    InitialisePortRecord(record, false);
    InvalidatePortBrushes();
    if (IsColorPort(port))
        InitColorPortFields(AsColorPort(port), record);
    else
        InitBlackAndWhitePortFields(port, record);
}

ZEL_EXTERN_C void ZEL_CALL InitCPort(CGrafPtr port) { InitPort(AsPort(port)); }

// Both close calls take the port apart by its kind, so that a colour port closed with ClosePort
// gives back its PixMap, PixPats and grafVars too.
ZEL_EXTERN_C void ZEL_CALL ClosePort(GrafPtr port) { ClosePortCommon(port); }
ZEL_EXTERN_C void ZEL_CALL CloseCPort(CGrafPtr port) { ClosePortCommon(AsPort(port)); }

ZEL_EXTERN_C void ZEL_CALL SetPor(GrafPtr port) { SelectPort(port); }

ZEL_EXTERN_C GrafPtr ZEL_CALL GetPort(GrafPtr *port)
{
    if (port)
        *port = sCurrentPort;
    return sCurrentPort;
}

ZEL_EXTERN_C void ZEL_CALL OpenPortForHDC(CGrafPtr port, HDC dc)
{
    SetNextPortDC(dc);
    OpenCPort(port);
    RealizeLibraryPalette();
    InvalidatePortBrushes();
}

ZEL_EXTERN_C HDC ZEL_CALL ZEL_GetCurrentDC(void) { return sCurrentDC; }

ZEL_EXTERN_C HDC ZEL_CALL ZEL_SwaphDC(HDC dc, int16_t mode)
{
    HDC previous = sCurrentDC;
    sSwapMode = mode;
    if (mode >= 1) {
        sSwappedDC = dc;
        sMirrorDC = mode == 1 ? previous : nullptr;
    } else {
        sSwappedDC = nullptr;
        sMirrorDC = nullptr;
    }
    if (dc) {
        if (sCurrentRecord)
            sCurrentRecord->hdc = dc;
        sCurrentDC = dc;
        if (mode >= 1)
            sSwapSavedAlign = SetTextAlign(dc, TA_BASELINE);
        else if (previous && sSwapSavedAlign != GDI_ERROR)
            SetTextAlign(previous, sSwapSavedAlign);
        if (sCurrentRecord)
            ResetPortDCCache(sCurrentRecord);
        RealizeLibraryPalette();
        InvalidatePortBrushes();
    }
    return previous;
}

ZEL_EXTERN_C HWND ZEL_CALL ZEL_SetWMgrPortDC(BOOL enter, HWND window, HDC dc, Rect *rect)
{
    CGrafPtr wmgr = sWMgrPort;
    if (enter) {
        ++sLendNesting;
        sLentDC = dc;
        if (dc) {
            sLendSavedAlign = SetTextAlign(dc, TA_BASELINE);
            sLendSavedBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
        }
        if (!window && dc && rect) {
            POINT origin{};
            GetDCOrgEx(dc, &origin);
            window = WindowFromPoint(POINT{origin.x + rect->left + 1, origin.y + rect->top + 1});
        }
        sLendSavedPort = sCurrentPort;
        sLendSavedScreenDC = sScreenDC;
        sLendSavedMainWindow = sMainWindow;
        sScreenDC = dc;
        sMainWindow = window;
        SelectPort(AsPort(wmgr));
        if (wmgr) {
            sLendSavedPortRect = wmgr->portRect;
            if (rect)
                wmgr->portRect = *rect;
        }
        if (sCurrentRecord)
            ResetPortDCCache(sCurrentRecord);
        RealizeLibraryPalette();
        InvalidatePortBrushes();
        return window;
    }

    // Leaving without a matching enter restores nothing.
    if (sLendNesting <= 0)
        return nullptr;
    if (wmgr)
        wmgr->portRect = sLendSavedPortRect;
    if (PortDCRecord *record = PortRecordAt(0))
        ReleasePortGdiObjects(record, sLentDC);
    sMainWindow = sLendSavedMainWindow;
    sScreenDC = sLendSavedScreenDC;
    if (PortDCRecord *record = PortRecordAt(0))
        record->hdc = sScreenDC;
    --sLendNesting;
    SelectPort(sLendSavedPort);
    if (sLentDC) {
        SelectObject(sLentDC, sLendSavedBrush);
        if (sLendSavedAlign != GDI_ERROR)
            SetTextAlign(sLentDC, sLendSavedAlign);
    }
    if (sLendNesting == 0)
        sLentDC = nullptr;
    return window;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ResetDC(void)
{
    if (sCurrentRecord)
        ResetPortDCCache(sCurrentRecord);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_DialogFontMode(GrafPtr port, BOOL on)
{
    if (PortDCRecord *record = PortRecordOf(port)) {
        if (on)
            record->flags |= portDCDialogFont;
        else
            record->flags &= ~portDCDialogFont;
    }
}

ZEL_EXTERN_C void ZEL_CALL ZEL_PortRectChange(void)
{
    if (sCurrentPort && sCurrentRecord)
        SetXformOrigin(sCurrentPort->portRect.left, sCurrentPort->portRect.top);
}

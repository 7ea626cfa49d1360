// InitGraf and ExitGraf: QuickDraw's set-up of the screen, the main GDevice and the Window Manager
// port, and its teardown at session exit.
#include "quickdraw.h"
#include "../imaging/imaging_services.h"
#include "../text/text_services.h"

#include <cstring>

namespace {

bool sInitialised;
// The Window Manager port belongs to the library.
CGrafPort sWMgrPortStorage;
int16_t sUsableHeight;
// The main device and the Window Manager port exist: the screen's changes of size reach them.
bool sScreenPortsReady;
POINT sLogPixels;
// The standard background, pen and fill PixPats: copies of the Window Manager port's.
PixPatHandle sDefaultPixPats[3];

PixPatHandle CopyOfPixPat(PixPatHandle from)
{
    PixPatHandle pp = NewPixPat();
    if (HandleHasData(pp) && HandleHasData(from)) {
        (*pp)->patType = (*from)->patType;
        (*pp)->pat1Data = (*from)->pat1Data;
        (*pp)->patRGB = (*from)->patRGB;
    }
    return pp;
}

// Switch 0x2 of ZEL_SetFlags: pens of the current port's record are made one pixel wide.
void SetThinPens(bool on)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    uint8_t value = on ? 1 : 0;
    if (record->thinPen != value) {
        record->thinPen = value;
        record->penState |= 1;
    }
}

} // namespace

PixPatHandle DefaultPixPat(int kind) { return kind >= 0 && kind < 3 ? sDefaultPixPats[kind] : nullptr; }

bool IsDefaultPixPat(PixPatHandle pp)
{
    for (PixPatHandle d : sDefaultPixPats)
        if (d && d == pp)
            return true;
    return false;
}

int16_t UsableScreenHeight() { return sUsableHeight; }

bool RefreshScreenBounds()
{
    const Rect area = GlobalScreenRect();
    BitMap &screen = LowMem<BitMap>(lmScreenBits);
    const bool changed = std::memcmp(&screen.bounds, &area, sizeof area) != 0;
    screen.bounds = area;
    sUsableHeight = area.bottom;
    if (!sScreenPortsReady)
        return changed;
    if (GDHandle device = LowMem<GDHandle>(lmMainDevice); HandleHasData(device))
        (*device)->gdRect = area;
    if (CGrafPtr wmgr = WMgrCPort()) {
        wmgr->portRect.bottom = static_cast<int16_t>(wmgr->portRect.top + area.bottom);
        wmgr->portRect.right = static_cast<int16_t>(wmgr->portRect.left + area.right);
    }
    return changed;
}
POINT ScreenLogPixels() { return sLogPixels; }

ZEL_EXTERN_C void ZEL_CALL InitGraf(void *globalPtr)
{
    if (sInitialised)
        ExitGraf();
    sInitialised = true;
    sScreenPortsReady = false;
    SetThePortMirror(static_cast<GrafPtr *>(globalPtr));
    // The QuickDraw globals record ends at globalPtr (the library's qd, or a program's own): QuickDraw's
    // globals live there from now on, as on the Macintosh.
    if (globalPtr)
        AdoptQuickDrawGlobals(reinterpret_cast<QDGlobals *>(static_cast<char *>(globalPtr) -
                                                            offsetof(QDGlobals, thePort)));
    SetQuickDrawMainWindow(SessionMainWindow());

    InitPortBitsTable();
    GrowTextBuffers(512);
    InitRegionGlobals();
    FillStandardPatterns();
    FreeAllPortRecords();
    FreeValidPortList();

    // The hilite colour from the system's highlight colour, each channel in the high byte.
    COLORREF hilite = GetSysColor(COLOR_HIGHLIGHT);
    LowMem<RGBColor>(lmHiliteRGB) = RGBColor{static_cast<uint16_t>(GetRValue(hilite) << 8),
                                             static_cast<uint16_t>(GetGValue(hilite) << 8),
                                             static_cast<uint16_t>(GetBValue(hilite) << 8)};

    // screenBits is the host's client area: the Macintosh screen the program sees, in the global
    // coordinates its windows are placed in.
    RefreshScreenBounds();
    const int16_t width = LowMem<BitMap>(lmScreenBits).bounds.right;

    ScreenSetup();
    InitImaging();

    HDC dc = GetDC(QuickDrawMainWindow());
    TakeScreenDC(dc);
    SetNextPortDC(dc);
    sLogPixels = POINT{GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY)};

    LowMem<GDHandle>(lmDeviceList) = nullptr;
    GDHandle device = NewGDevice(0, 0);
    LowMem<GDHandle>(lmMainDevice) = device;
    SetGDevice(device);
    if (HandleHasData(device))
        (*device)->gdRect = LowMem<BitMap>(lmScreenBits).bounds;

    // The Window Manager port takes table entry 0 and the screen DC.
    CGrafPtr wmgr = &sWMgrPortStorage;
    OpenCPort(wmgr);
    SetWMgrCPort(wmgr);
    wmgr->portRect.bottom = static_cast<int16_t>(wmgr->portRect.top + sUsableHeight);
    wmgr->portRect.right = static_cast<int16_t>(wmgr->portRect.left + width);
    sScreenPortsReady = true;
    sDefaultPixPats[patternBack] = CopyOfPixPat(wmgr->bkPixPat);
    sDefaultPixPats[patternPen] = CopyOfPixPat(wmgr->pnPixPat);
    sDefaultPixPats[patternFill] = CopyOfPixPat(wmgr->fillPixPat);
    SetPortRecordDC(CurrentDC());
    if (PortDCRecord *record = PortRecordOf(AsPort(wmgr))) {
        record->flags |= portDCDialogFont;
        record->hwnd = QuickDrawMainWindow();
    }
    LowMem<GrafPtr>(lmWMgrPort) = AsPort(wmgr);
    SetCurrentPortVariable(AsPort(wmgr));
    SetMirroredDrawingHook(SetThinPens);
}

void ExitGraf()
{
    if (!sInitialised)
        return;
    sInitialised = false;
    sScreenPortsReady = false;
    SetMirroredDrawingHook(nullptr);
    for (PixPatHandle &pp : sDefaultPixPats) {
        PixPatHandle standard = pp;
        pp = nullptr;
        DisposePixPat(standard);
    }
    CGrafPtr wmgr = WMgrCPort();
    if (PortRecordAt(0) && wmgr) {
        SetPor(AsPort(wmgr));
        CloseCPort(wmgr);
    }
    SetWMgrCPort(nullptr);
    FreePrinterInfoTable();
    ExitImaging();
    ExitScreen();
    DeleteStandardPatternBitmaps();
    ReleaseScreenDC();
    GDHandle main = LowMem<GDHandle>(lmMainDevice);
    if (main)
        DisposeGDevice(main);
    LowMem<GDHandle>(lmMainDevice) = nullptr;
    LowMem<GDHandle>(lmDeviceList) = nullptr;
    SetGDevice(nullptr);
    FreeRegionGlobals();
    FreeTextBuffers();
    DisposePortBitsTable();
    FreePaletteIndexMap();
    DisposeWidthTable();
    // Ports the application left open lose their records with the session.
    FreeAllPortRecords();
    FreeValidPortList();
    LowMem<GrafPtr>(lmWMgrPort) = nullptr;
    ResetPortState();
    ReleaseQuickDrawGlobals();
}

void TearDownQuickDraw() { ExitGraf(); }

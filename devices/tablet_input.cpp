// The pen-tablet driver: one status record shared with the application, filled from a WinTab context
// (input mode 3) or, without a tablet, from the host main window's mouse messages (mode 6). Samples are
// taken while a Vertical Retrace task is installed, from the event pump and from ZEL_VBL_Interrupt;
// proximity messages of the bound context arrive through ZEL_WinTabMessage.
#include "devices_services.h"
#include "wintab.h"
#include "Devices.h"
#include "Events.h"
#include "../core/core_services.h"
#include "../windows/windows_services.h"

#include <string.h>

namespace {

constexpr int16_t kModeClosed = 0, kModeWinTab = 3, kModeMouse = 6;
constexpr UINT kMessageBase = 0x7FF0;
constexpr UINT kProximity = kMessageBase + 5;
constexpr DWORD kPacketFields = PK_STATUS | PK_BUTTONS | PK_X | PK_Y | PK_NORMAL_PRESSURE | PK_ORIENTATION;
constexpr uint8_t kStateProximity = 128, kStateMouse = 160;
constexpr uint8_t kEraserFlags = 0x30;
constexpr uint32_t kProximityEvent = 0xFA00000C;
constexpr int kMaxPacketRate = 200;
constexpr int kDefaultTiltResolution = 360;
constexpr UINT kNameLimit = 256;
constexpr UINT IFC_NCURSORS_INDEX = 5, WTI_INTERFACE_CATEGORY = 1;

TabletRecord sRecord;
TabletButton sButtons[6];
int16_t sMode;
HCTX sContext;
bool sSampling;
bool sWacom;          // proximity messages are handled only for "WACOM" devices
bool sEraser;
bool sPressureReported;
int sTiltResX = kDefaultTiltResolution;
int sTiltResY = kDefaultTiltResolution;
bool sTipWasDown;
bool sReleased;

void FillFixedFields()
{
    memset(&sRecord, 0, sizeof sRecord);
    memcpy(sRecord.signature, "TLBT", 4);
    sRecord.stateFlags = 6;
    sRecord.deviceKind = 2;
    sRecord.field104 = 4;
    for (TabletButton &b : sButtons)
        b = {1, 0};
    sRecord.buttonTable = sButtons;
    int16_t width = static_cast<int16_t>(GetSystemMetrics(SM_CXSCREEN));
    int16_t height = static_cast<int16_t>(GetSystemMetrics(SM_CYSCREEN));
    sRecord.extentX = sRecord.screenRight = width;
    sRecord.extentY = sRecord.screenBottom = height;
}

// Pressure counts when the device, or one of its active cursors, reports normal pressure.
void CheckPressure()
{
    DWORD fields = 0;
    bool reported = WTInfo(WTI_DEVICES, DVC_PKTDATA, &fields) && (fields & PK_NORMAL_PRESSURE);
    UINT cursors = 0;
    WTInfo(WTI_INTERFACE_CATEGORY, IFC_NCURSORS_INDEX, &cursors);
    for (UINT i = 0; !reported && i < cursors && i < 64; ++i) {
        BOOL active = FALSE;
        DWORD cursorFields = 0;
        if (WTInfo(WTI_CURSORS + i, CSR_ACTIVE, &active) && active &&
            WTInfo(WTI_CURSORS + i, CSR_PKTDATA, &cursorFields))
            reported = (cursorFields & PK_NORMAL_PRESSURE) != 0;
    }
    sPressureReported = reported;
    AXIS pressure = {};
    if (reported && WTInfo(WTI_DEVICES, DVC_NPRESSURE, &pressure))
        sRecord.pressureLevels = static_cast<int16_t>(pressure.axMax + 1);
}

void FlushQueue()
{
    if (sMode == kModeWinTab)
        WTPacketsGet(sContext, 10000, nullptr);
}

// The integer part of an axis resolution; below 1 the default stands (a zero would divide the tilt).
int TiltResolution(const AXIS &axis)
{
    int whole = static_cast<int>(axis.axResolution >> 16);
    return whole >= 1 ? whole : kDefaultTiltResolution;
}

// Binds a context on the host's main window; false leaves nothing open.
bool OpenWinTabContext()
{
    LOGCONTEXTA context = {};
    if (!WTInfo(WTI_DEFSYSCTX, 0, &context))
        return false;
    AXIS axes[3] = {};
    if (WTInfo(WTI_DEVICES, DVC_ORIENTATION, axes) && axes[0].axMax > axes[0].axMin && axes[1].axMax > axes[1].axMin) {
        sRecord.capabilities = 0x22;
        sTiltResX = TiltResolution(axes[0]);
        sTiltResY = TiltResolution(axes[1]);
    }
    UINT rate = 0;
    WTInfo(WTI_DEVICES, DVC_PKTRATE, &rate);
    if (rate > kMaxPacketRate)
        rate = kMaxPacketRate;
    // The name's size is asked first: a name that would not fit the buffer is not read.
    char name[kNameLimit] = {};
    UINT nameBytes = WTInfo(WTI_DEVICES, DVC_NAME, nullptr);
    sWacom = nameBytes > 0 && nameBytes < kNameLimit && WTInfo(WTI_DEVICES, DVC_NAME, name) &&
             strncmp(name, "WACOM", 5) == 0;

    context.lcPktData = kPacketFields;
    context.lcMoveMask = kPacketFields;
    context.lcPktMode = 0;
    context.lcMsgBase = kMessageBase;
    context.lcBtnDnMask = 15;
    context.lcBtnUpMask = 15;
    context.lcOutOrgX = 0;
    context.lcOutOrgY = 0;
    context.lcOutExtX = context.lcInExtX;
    context.lcOutExtY = -context.lcInExtY;
    sContext = reinterpret_cast<HCTX>(static_cast<uintptr_t>(WTOpen(SessionMainWindow(), &context, TRUE)));
    if (!sContext)
        return false;
    WTGet(sContext, &context);

    // Seven samples per unit of the packet rate, asked in steps of 10 down to nothing; a driver that grants
    // none keeps the context's own queue.
    int wanted = static_cast<int>(rate) * 7;
    if (static_cast<int>(WTQueueSizeGet(sContext)) < wanted)
        for (int n = wanted; n > 0 && !WTQueueSizeSet(sContext, n); n -= 10) {
        }

    sRecord.extentX = static_cast<int16_t>(context.lcInExtX);
    sRecord.extentY = static_cast<int16_t>(context.lcInExtY);
    sRecord.screenLeft = static_cast<int16_t>(context.lcSysOrgX);
    sRecord.screenTop = static_cast<int16_t>(context.lcSysOrgY);
    sRecord.screenRight = static_cast<int16_t>(context.lcSysOrgX + context.lcSysExtX);
    sRecord.screenBottom = static_cast<int16_t>(context.lcSysOrgY + context.lcSysExtY);
    CheckPressure();
    return true;
}

// The tip's lifting after it was down ends the task pass that ZEL_VBL_Interrupt runs.
void TrackTip(bool down)
{
    if (down)
        sTipWasDown = true;
    else if (sTipWasDown) {
        sTipWasDown = false;
        sReleased = true;
    }
}

int16_t Tilt(int value, int resolution)
{
    int tilt = static_cast<int>(static_cast<int64_t>(value) * 360 / resolution);
    return static_cast<int16_t>(sEraser ? -tilt : tilt);
}

uint16_t SamplePacket()
{
    TabletPacket packet = {};
    if (WTPacketsGet(sContext, 1, &packet) == 0)
        return 0xFFFF;
    int16_t levels = sRecord.pressureLevels;
    if (levels <= 0)
        sRecord.pressure = 0;
    else if (sPressureReported && packet.pressure < static_cast<UINT>(levels - 1))
        sRecord.pressure = static_cast<int16_t>(packet.pressure);
    else
        sRecord.pressure = static_cast<int16_t>(levels - 1);
    sRecord.tiltX = Tilt(packet.orientation.orAzimuth, sTiltResX);
    sRecord.tiltY = Tilt(packet.orientation.orAltitude, sTiltResY);
    ++sRecord.sampleCount;
    sRecord.x = packet.x;
    sRecord.y = packet.y;
    sRecord.buttons = static_cast<uint16_t>(packet.buttons & 1);
    sRecord.sampleState = (packet.status & TPS_PROXIMITY) ? 0 : kStateProximity;
    TrackTip(sRecord.buttons != 0);
    return 1;
}

uint16_t SampleMouse(const MSG *held)
{
    MSG msg;
    if (held) {
        msg = *held;
    } else {
        if (!PeekMessageA(&msg, SessionMainWindow(), WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE))
            return 0xFFFF;
    }
    sRecord.sampleCount = msg.time / 16;
    sRecord.x = static_cast<int16_t>(LOWORD(msg.lParam));
    sRecord.y = static_cast<int16_t>(HIWORD(msg.lParam));
    sRecord.pressure = 0;
    sRecord.buttons = (msg.wParam & MK_LBUTTON) ? 1 : 0;
    sRecord.sampleState = kStateMouse;
    TrackTip(sRecord.buttons != 0);
    if (!held)
        ZEL_EventMouse(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    return 1;
}

} // namespace

int16_t TabletInputMode() { return sMode; }

// A message the pump already holds gives its time and position and stays the pump's; without one the
// sampler takes the next mouse message of the main window itself.
uint16_t SampleTabletInput(const MSG *message)
{
    if (!sSampling) {
        sRecord.sampleState = 0;
        return 0xFFFF;
    }
    if (sMode == kModeWinTab)
        return SamplePacket();
    if (sMode == kModeMouse)
        return SampleMouse(message);
    return 0xFFFF;
}

bool TabletReleased() { return sReleased; }

bool TabletSamplingOn() { return sSampling; }

void StartTabletSampling()
{
    if (sMode == kModeWinTab) {
        FlushQueue();
        CheckPressure();
    }
    if (sMode != kModeClosed) {
        sSampling = true;
        sRecord.startTicks = GetTickCount();
    }
    sTipWasDown = false;
    sReleased = false;
}

void StopTabletSampling()
{
    FlushQueue();
    sSampling = false;
}

// Both descriptions of the pen state agree that mouse events never carry the tablet bit.
uint16_t QueryTabletModifierBit() { return 0; }

void SuspendTabletContext()
{
    if (sMode == kModeWinTab)
        WTEnable(sContext, FALSE);
}

void ResumeTabletContext()
{
    if (sMode == kModeWinTab) {
        WTEnable(sContext, TRUE);
        WTOverlap(sContext, TRUE);
    }
}

OSErr OpenTablet()
{
    // An open tablet stays bound: a second open would leak the first context.
    if (sMode != kModeClosed)
        return noErr;
    FillFixedFields();
    sTiltResX = sTiltResY = kDefaultTiltResolution;
    sEraser = false;
    sWacom = false;
    UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    bool present = WTInfo(0, 0, nullptr) != 0;
    SetErrorMode(oldMode);
    if (present && OpenWinTabContext()) {
        sMode = kModeWinTab;
    } else {
        // No tablet (Wine's own library answers 0): the mouse stands in for it.
        UnloadWinTab();
        sContext = nullptr;
        sRecord.capabilities = 0;
        sRecord.pressureLevels = 0;
        sMode = kModeMouse;
    }
    sRecord.sampleState = kStateProximity;
    return noErr;
}

void CloseTablet()
{
    if (sMode == kModeWinTab) {
        WTClose(sContext);
        UnloadWinTab();
    }
    sContext = nullptr;
    sMode = kModeClosed;
    sSampling = false;
}

TabletRecord *TabletStatusRecord() { return &sRecord; }

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_WinTabMessage(HWND, UINT message, WPARAM wParam, uint32_t lParamLow)
{
    if (message != kProximity || sMode != kModeWinTab || !sWacom)
        return 0;
    if (reinterpret_cast<HCTX>(wParam) != sContext || (CurrentModifiers() & btnState) == 0)
        return 0;
    if ((lParamLow & 0xFFFF) == 0) {
        FlushQueue();
        return 0;
    }
    UINT oldest = 0, newest = 0;
    if (!WTQueuePacketsEx(sContext, &oldest, &newest))
        return 0;
    TabletPacket packet = {};
    int count = 0;
    if (!WTDataPeek(sContext, newest, newest, 1, &packet, &count) || count < 1)
        return 0;
    sEraser = packet.orientation.orAltitude < 0;
    if (sEraser)
        sRecord.stateFlags |= kEraserFlags;
    else
        sRecord.stateFlags &= static_cast<uint8_t>(~kEraserFlags);
    SamplePacket();
    PostEventNow(osEvt, kProximityEvent);
    return 0;
}

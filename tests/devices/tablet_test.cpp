// The pen-tablet driver through the Device Manager, in the three WINTAB32.DLL settings of
// with_wintab.sh: TabletAbsent runs with the library disabled and with Wine's own (no tablet), TabletFake
// with the tests' scripted tablet.
#include <gtest/gtest.h>
#include <string.h>
#include "test_support.h"
#include "fake_wintab.h"
#include "Devices.h"
#include "Events.h"
#include "Retrace.h"

namespace {

using testing_support::P;

TabletRecord *Record()
{
    TabletRecord *record = nullptr;
    EXPECT_EQ(Status(tabletRefNum, tabletStatusCode, reinterpret_cast<Ptr>(&record)), noErr);
    return record;
}

// The retrace task copies the record on each call, as an application's task reads it once per sample.
VBLTask sTask;
TabletRecord sSeen;
int sTaskCalls;
void ZEL_CALL SnapshotTask()
{
    TabletRecord *record = nullptr;
    Status(tabletRefNum, tabletStatusCode, reinterpret_cast<Ptr>(&record));
    sSeen = *record;
    ++sTaskCalls;
    sTask.vblCount = 1;
}

void InstallSnapshotTask()
{
    sTask = VBLTask{};
    sTask.qType = vType;
    sTask.vblAddr = reinterpret_cast<ProcPtr>(SnapshotTask);
    sTask.vblCount = 1;
    sTaskCalls = 0;
    ASSERT_EQ(VInstall(&sTask), noErr);
}

int CountEvents(EventMask mask, uint32_t *message = nullptr)
{
    EventRecord event;
    int n = 0;
    while (GetNextEvent(mask, &event)) {
        if (message)
            *message = event.message;
        ++n;
    }
    return n;
}

// ---- No tablet: the library disabled, or Wine's own library without a device ----

TEST(TabletAbsent, OpensOnTheMouseWithTheFixedRecord)
{
    // Through the published name.
    int16_t refNum = 0;
    ASSERT_EQ(OpenDriver(P(".wacom").c_str(), &refNum), noErr);
    EXPECT_EQ(refNum, 1);
    EXPECT_EQ(GetModuleHandleA("WINTAB32.DLL"), nullptr);

    TabletRecord *record = Record();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(Record(), record) << "the same record each time";
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(record);
    EXPECT_EQ(memcmp(bytes + 36, "TLBT", 4), 0);
    EXPECT_EQ(bytes[40], 6);
    EXPECT_EQ(bytes[52], 128);
    EXPECT_EQ(bytes[53], 2);
    EXPECT_EQ(*reinterpret_cast<const int16_t *>(bytes + 104), 4);
    EXPECT_EQ(record->pressureLevels, 0);
    EXPECT_EQ(record->extentX, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(record->extentY, GetSystemMetrics(SM_CYSCREEN));
    const uint16_t *buttons = *reinterpret_cast<uint16_t *const *>(bytes + 100);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(buttons[2 * i], 1) << i;
        EXPECT_EQ(buttons[2 * i + 1], 0) << i;
    }
    EXPECT_EQ(CloseDriver(1), noErr);
}

TEST(TabletAbsent, OtherCodesAndNumbersAreRefused)
{
    TabletRecord *record = nullptr;
    EXPECT_EQ(Status(1, 21, reinterpret_cast<Ptr>(&record)), -21);
    EXPECT_EQ(Status(-7, 20, reinterpret_cast<Ptr>(&record)), -21);
    EXPECT_EQ(record, nullptr);
    EXPECT_EQ(Control(5, 1, nullptr), -21);
    EXPECT_EQ(Control(1, 1, nullptr), noErr);
    int16_t refNum = 9;
    EXPECT_EQ(OpenDrive(P(".Printer").c_str(), &refNum), -26);
    EXPECT_EQ(refNum, 0);
    EXPECT_EQ(CloseDrive(-10), -21);
    EXPECT_EQ(CloseDrive(3), -21);
}

TEST(TabletAbsent, ReportingStubs)
{
    testing_support::TakeDebugMessages();
    EXPECT_EQ(PBStatus(nullptr, false), 0);
    EXPECT_EQ(GetDCtlEntry(-7), nullptr);
    EXPECT_EQ(SetChooserAlert(true), false);
    std::vector<std::string> reports;
    for (const std::string &m : testing_support::TakeDebugMessages())
        if (m != "\r\n")
            reports.push_back(m);
    std::vector<std::string> expected = {"PBStatus", "GetDCtlEntry", "SetChooserAlert"};
    EXPECT_EQ(reports, expected);
}

// A host's main window passes its mouse messages to ZEL_EventMouse.
WNDPROC sHostProc;
LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK)
        return ZEL_EventMouse(hwnd, message, wParam, lParam);
    return CallWindowProcA(sHostProc, hwnd, message, wParam, lParam);
}

TEST(TabletAbsent, MouseMessagesAreSampledOnce)
{
    HWND main = testing_support::HostMainWindow();
    ASSERT_NE(main, nullptr);
    sHostProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForwardingProc)));
    FlushEvents(everyEvent, 0);
    int16_t refNum = 0;
    ASSERT_EQ(OpenDrive(P(".Wacom").c_str(), &refNum), noErr);
    TabletRecord *record = Record();
    InstallSnapshotTask();
    EXPECT_EQ(record->sampleState, 128);

    // The pump holds the message: the sample takes its position, and the message goes on once.
    PostMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(33, 44));
    EventRecord event;
    EventAvail(everyEvent, &event);
    EXPECT_EQ(record->sampleState, 160);
    EXPECT_EQ(record->buttons, 1);
    EXPECT_EQ(record->x, 33);
    EXPECT_EQ(record->y, 44);
    ZEL_VBL_Interrupt();
    EXPECT_EQ(CountEvents(mDownMask), 1);

    // Without the pump the sampler takes the message itself, hands it on, and runs the task after it.
    PostMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(50, 60));
    sTaskCalls = 0;
    ZEL_VBL_Interrupt();
    EXPECT_EQ(sTaskCalls, 1);
    EXPECT_EQ(sSeen.sampleState, 160);
    EXPECT_EQ(sSeen.buttons, 0);
    EXPECT_EQ(sSeen.x, 50);
    EXPECT_EQ(sSeen.y, 60);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, main, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_NOREMOVE));
    EXPECT_EQ(CountEvents(mUpMask), 1);

    EXPECT_EQ(VRemove(&sTask), noErr);
    EXPECT_EQ(CloseDrive(1), noErr);
    SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sHostProc));
}

// ---- The tests' scripted tablet ----

FakeWinTab *ScriptTablet(const char *name = "WACOM ArtZ II")
{
    FakeWinTab *f = CreateFakeWinTab();
    LONG attaches = f->attaches, detaches = f->detaches;
    memset(f, 0, sizeof *f);
    f->attaches = attaches;
    f->detaches = detaches;
    f->present = 1;
    strcpy(f->name, name);
    f->nameBytes = static_cast<UINT>(strlen(name) + 1);
    f->hasOrientation = TRUE;
    f->orientation[0] = {0, 3599, 3, 3600u << 16};
    f->orientation[1] = {-900, 900, 3, 3600u << 16};
    f->orientation[2] = {0, 3599, 3, 3600u << 16};
    f->hasPressure = TRUE;
    f->pressure = {0, 511, 0, 0};
    f->packetRate = 100;
    f->systemContext.lcInExtX = 20000;
    f->systemContext.lcInExtY = 15000;
    f->systemContext.lcSysOrgX = 10;
    f->systemContext.lcSysOrgY = 20;
    f->systemContext.lcSysExtX = 1024;
    f->systemContext.lcSysExtY = 768;
    f->queueSize = 8;
    f->grantAtMost = 1000;
    f->firstSerial = 100;
    return f;
}

void QueuePacket(FakeWinTab *f, const FakePacket &packet) { f->packets[f->packetCount++] = packet; }

class TabletFake : public testing::Test {
protected:
    void TearDown() override
    {
        CloseDrive(1);
        FlushEvents(everyEvent, 0);
    }
};

TEST_F(TabletFake, BindsTheContextItAsksFor)
{
    FakeWinTab *f = ScriptTablet();
    int16_t refNum = 0;
    ASSERT_EQ(OpenDrive(P(".Wacom").c_str(), &refNum), noErr);
    EXPECT_EQ(refNum, 1);
    ASSERT_EQ(f->opens, 1);
    EXPECT_EQ(f->opened.lcPktData, 0x15C2u);
    EXPECT_EQ(f->opened.lcMoveMask, 0x15C2u);
    EXPECT_EQ(f->opened.lcPktMode, 0u);
    EXPECT_EQ(f->opened.lcMsgBase, 0x7FF0u);
    EXPECT_EQ(f->opened.lcBtnDnMask, 15u);
    EXPECT_EQ(f->opened.lcBtnUpMask, 15u);
    EXPECT_EQ(f->opened.lcOutOrgX, 0);
    EXPECT_EQ(f->opened.lcOutExtX, 20000);
    EXPECT_EQ(f->opened.lcOutExtY, -15000);
    ASSERT_EQ(f->queueRequestCount, 1);
    EXPECT_EQ(f->queueRequests[0], 700) << "seven samples per unit of the packet rate";

    TabletRecord *record = Record();
    EXPECT_EQ(record->pressureLevels, 512);
    EXPECT_EQ(record->capabilities, 0x22);
    EXPECT_EQ(record->sampleState, 128);
    EXPECT_EQ(record->extentX, 20000);
    EXPECT_EQ(record->extentY, 15000);
    EXPECT_EQ(record->screenLeft, 10);
    EXPECT_EQ(record->screenBottom, 20 + 768);

    // A second open keeps the bound context.
    EXPECT_EQ(OpenDrive(P(".WACOM").c_str(), &refNum), noErr);
    EXPECT_EQ(refNum, 1);
    EXPECT_EQ(f->opens, 1);

    // Activation enables the context and brings it up; deactivation disables it.
    ZEL_ActivateApp(0);
    EXPECT_EQ(f->disables, 1);
    ZEL_ActivateApp(1);
    EXPECT_EQ(f->enables, 1);
    EXPECT_EQ(f->overlaps, 1);
    FlushEvents(everyEvent, 0);
    EXPECT_EQ(CloseDrive(1), noErr);
    EXPECT_EQ(f->closes, 1);
    EXPECT_EQ(GetModuleHandleA("WINTAB32.DLL"), nullptr);
}

TEST_F(TabletFake, RetraceTaskSeesEachPacket)
{
    FakeWinTab *f = ScriptTablet();
    int16_t refNum = 0;
    ASSERT_EQ(OpenDrive(P(".Wacom").c_str(), &refNum), noErr);
    InstallSnapshotTask();
    QueuePacket(f, {0, 2, 300, 40, 5000, {1800, 450, 0}});
    QueuePacket(f, {0, 1, 301, 41, 17, {900, 900, 0}});
    ZEL_VBL_Interrupt();
    EXPECT_EQ(sTaskCalls, 2) << "one task pass per sample";
    EXPECT_EQ(f->packetCount, 0);
    EXPECT_EQ(sSeen.x, 301);
    EXPECT_EQ(sSeen.buttons, 1);
    EXPECT_EQ(sSeen.pressure, 17);
    EXPECT_EQ(sSeen.tiltY, 90);

    QueuePacket(f, {0, 2, 300, 40, 5000, {1800, 450, 0}});
    ZEL_VBL_Interrupt();
    EXPECT_EQ(sSeen.x, 300);
    EXPECT_EQ(sSeen.y, 40);
    EXPECT_EQ(sSeen.buttons, 0);
    EXPECT_EQ(sSeen.pressure, 511);
    EXPECT_EQ(sSeen.tiltX, 180);
    EXPECT_EQ(sSeen.tiltY, 45);
    EXPECT_EQ(sSeen.sampleState, 128);
    EXPECT_EQ(VRemove(&sTask), noErr);
}

TEST_F(TabletFake, ProximityOfTheEraserBecomesAnEvent)
{
    FakeWinTab *f = ScriptTablet();
    int16_t refNum = 0;
    ASSERT_EQ(OpenDrive(P(".Wacom").c_str(), &refNum), noErr);
    HWND main = testing_support::HostMainWindow();
    TabletRecord *record = Record();
    FlushEvents(everyEvent, 0);

    QueuePacket(f, {0, 0, 5, 6, 100, {1800, -450, 0}});
    EXPECT_EQ(ZEL_WinTabMessage(main, 0x7FF5, kFakeContext, 1), 0);
    EXPECT_EQ(record->stateFlags & 0x30, 0x30);
    EXPECT_EQ(record->tiltX, -180);
    EXPECT_EQ(record->tiltY, 45);
    uint32_t message = 0;
    EXPECT_EQ(CountEvents(osMask, &message), 1);
    EXPECT_EQ(message, 0xFA00000Cu);

    // The pen end clears the eraser state again.
    QueuePacket(f, {0, 0, 5, 6, 100, {1800, 450, 0}});
    ZEL_WinTabMessage(main, 0x7FF5, kFakeContext, 1);
    EXPECT_EQ(record->stateFlags & 0x30, 0);
    EXPECT_EQ(record->tiltX, 180);
    EXPECT_EQ(CountEvents(osMask), 1);

    // Another context, the button down, an empty queue: nothing changes and no packet is read.
    TabletRecord before = *record;
    QueuePacket(f, {0, 0, 7, 8, 100, {900, -450, 0}});
    ZEL_WinTabMessage(main, 0x7FF5, kFakeContext + 4, 1);
    ZEL_EventMouse(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ZEL_WinTabMessage(main, 0x7FF5, kFakeContext, 1);
    ZEL_EventMouse(main, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(memcmp(&before, record, sizeof before), 0);
    EXPECT_EQ(CountEvents(osMask), 0);
    EXPECT_EQ(f->packetCount, 1);

    // Leaving proximity empties the queue.
    ZEL_WinTabMessage(main, 0x7FF5, kFakeContext, 0);
    EXPECT_EQ(f->packetCount, 0);
    int peeks = f->calls[82];
    ZEL_WinTabMessage(main, 0x7FF5, kFakeContext, 1);
    EXPECT_EQ(f->calls[82], peeks);
    EXPECT_EQ(CountEvents(osMask), 0);
}

// A driver that grants no queue size and reports a tilt resolution below one: the open ends, and tilt
// keeps its default resolution.
TEST_F(TabletFake, StubbornDriverOpensAndSamples)
{
    FakeWinTab *f = ScriptTablet();
    f->grantAtMost = 0;
    f->orientation[0].axResolution = 0x8000;
    f->orientation[1].axResolution = 0x8000;
    int16_t refNum = 0;
    ASSERT_EQ(OpenDrive(P(".Wacom").c_str(), &refNum), noErr);
    EXPECT_EQ(refNum, 1);
    EXPECT_EQ(f->queueRequestCount, 64) << "requests down to 10 (the log keeps 64)";
    EXPECT_EQ(f->queueRequests[63], 700 - 630);
    EXPECT_EQ(f->queueSize, 8);
    InstallSnapshotTask();
    QueuePacket(f, {0, 0, 1, 2, 3, {90, 45, 0}});
    ZEL_VBL_Interrupt();
    EXPECT_EQ(sSeen.tiltX, 90);
    EXPECT_EQ(sSeen.tiltY, 45);
    EXPECT_EQ(VRemove(&sTask), noErr);
}

TEST_F(TabletFake, OverlongDeviceNameIsNotRead)
{
    FakeWinTab *f = ScriptTablet();
    memset(f->name, 'W', sizeof f->name);
    memcpy(f->name, "WACOM", 5);
    f->nameBytes = 300;
    int16_t refNum = 0;
    ASSERT_EQ(OpenDrive(P(".Wacom").c_str(), &refNum), noErr);
    EXPECT_EQ(f->nameReads, 0);
    // Without a "WACOM" device proximity messages are left alone.
    QueuePacket(f, {0, 0, 5, 6, 100, {1800, -450, 0}});
    ZEL_WinTabMessage(testing_support::HostMainWindow(), 0x7FF5, kFakeContext, 1);
    EXPECT_EQ(CountEvents(osMask), 0);
    EXPECT_EQ(Record()->stateFlags, 6);
}

} // namespace

// Vertical Retrace tasks run by the pump and by ZEL_VBL_Interrupt: counting down while the button is
// down, installation order, the mouse capture they hold, tasks that install and remove tasks while a
// pass runs, and procedures written with and without the task argument.
#include <gtest/gtest.h>

#include <string>

#include "Retrace.h"
#include "events_support.h"
#include "test_support.h"

using namespace events_support;

namespace {

std::string sLog;
int sPasses;
VBLTask sCounter, sThird, sNever, sSelfRemover, sVictim, sInstaller, sLate;
VBLTask *sSeenArgument;

// Re-arms itself: counts the passes.
void ZEL_CALL CountPass()
{
    ++sPasses;
    sCounter.vblCount = 1;
}
void ZEL_CALL RecordThird() { sLog += "T" + std::to_string(sPasses); }
void ZEL_CALL RecordNever() { sLog += "N"; }
void ZEL_CALL RemoveSelfAndVictim()
{
    sLog += "S";
    VRemove(&sSelfRemover);
    VRemove(&sVictim);
}
void ZEL_CALL RecordVictim() { sLog += "V"; }
void ZEL_CALL InstallLate()
{
    sLog += "I";
    VInstall(&sLate);
}
void ZEL_CALL RecordLate() { sLog += "L"; }
void ZEL_CALL TakeArgument(VBLTask *task)
{
    sSeenArgument = task;
    task->vblCount = 0;
}

void Arm(VBLTask &task, void(ZEL_CALL *proc)(), int16_t count)
{
    task = VBLTask{};
    task.qType = vType;
    task.vblAddr = proc;
    task.vblCount = count;
}

class VerticalRetrace : public testing::Test {
protected:
    void SetUp() override
    {
        ResetQueue();
        window = TestWindow();
        sLog.clear();
        sPasses = 0;
    }
    void TearDown() override
    {
        Release();
        for (VBLTask *t : {&sCounter, &sThird, &sNever, &sSelfRemover, &sVictim, &sInstaller, &sLate})
            VRemove(t);
        ResetQueue();
    }
    // The button as the event state sees it: a mouse-down delivered to the library's handler.
    void Press()
    {
        ZEL_EventMouse(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        FlushEvents(mDownMask, 0);
    }
    void Release()
    {
        ZEL_EventMouse(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        FlushEvents(mUpMask, 0);
    }
    HWND window = nullptr;
};

} // namespace

TEST_F(VerticalRetrace, TasksCountDownWhileTheButtonIsDown)
{
    struct Driver {
        const char *what;
        void (*pass)();
    };
    const Driver drivers[] = {
        {"WaitNextEvent", [] {
             EventRecord e;
             WaitNextEvent(0, &e, 0, nullptr);
         }},
        {"ZEL_VBL_Interrupt", [] { ZEL_VBL_Interrupt(); }},
    };
    for (const Driver &d : drivers) {
        SCOPED_TRACE(d.what);
        sLog.clear();
        sPasses = 0;
        Arm(sCounter, CountPass, 1);
        Arm(sThird, RecordThird, 3);
        Arm(sNever, RecordNever, 0);
        ASSERT_EQ(VInstall(&sCounter), 0);
        ASSERT_EQ(VInstall(&sThird), 0);
        ASSERT_EQ(VInstall(&sNever), 0);
        d.pass();
        EXPECT_EQ(sPasses, 0) << "the button is up: no task runs";
        Press();
        for (int i = 0; i < 6; ++i)
            d.pass();
        EXPECT_EQ(sPasses, 6);
        EXPECT_EQ(sLog, "T3") << "the third pass runs it, once, after the task installed before it";
        EXPECT_EQ(sThird.vblCount, 0);
        Release();
        d.pass();
        EXPECT_EQ(sPasses, 6) << "released: no task runs";
        for (VBLTask *t : {&sCounter, &sThird, &sNever})
            EXPECT_EQ(VRemove(t), 0);
    }
}

TEST_F(VerticalRetrace, InstalledTasksHoldTheMouseCapture)
{
    HWND main = testing_support::HostMainWindow();
    Arm(sCounter, CountPass, 1);
    Arm(sThird, RecordThird, 3);
    ASSERT_EQ(VInstall(&sCounter), 0);
    EXPECT_EQ(GetCapture(), main);
    ASSERT_EQ(VInstall(&sThird), 0);
    EXPECT_EQ(VInstall(&sThird), 0) << "installing a queued task again changes nothing";
    VBLTask stranger{};
    EXPECT_EQ(VRemove(&stranger), -1);
    EXPECT_EQ(VRemove(&sCounter), 0);
    EXPECT_EQ(GetCapture(), main) << "one task is left";
    EXPECT_EQ(VRemove(&sThird), 0);
    EXPECT_EQ(GetCapture(), nullptr) << "the last removal releases the capture";
    EXPECT_EQ(VRemove(&sThird), -1);
}

TEST_F(VerticalRetrace, TasksChangingTheQueueDuringAPass)
{
    Arm(sSelfRemover, RemoveSelfAndVictim, 1);
    Arm(sVictim, RecordVictim, 1);
    Arm(sInstaller, InstallLate, 1);
    Arm(sLate, RecordLate, 1);
    for (VBLTask *t : {&sSelfRemover, &sVictim, &sInstaller})
        ASSERT_EQ(VInstall(t), 0);
    Press();
    ZEL_VBL_Interrupt();
    EXPECT_EQ(sLog, "SI") << "the removed task is not called, the one installed meanwhile waits";
    ZEL_VBL_Interrupt();
    EXPECT_EQ(sLog, "SIL") << "the late task runs on the next pass";
    EXPECT_EQ(VRemove(&sSelfRemover), -1);
    EXPECT_EQ(VRemove(&sVictim), -1);
}

TEST_F(VerticalRetrace, ProceduresWithTheTaskArgumentUnderSetting74)
{
    uint32_t old = ZEL_SystemValue(1, 74, 1);
    Arm(sCounter, CountPass, 1);
    Arm(sThird, reinterpret_cast<void(ZEL_CALL *)()>(TakeArgument), 1);
    ASSERT_EQ(VInstall(&sCounter), 0);
    ASSERT_EQ(VInstall(&sThird), 0);
    sSeenArgument = nullptr;
    Press();
    EventRecord e;
    WaitNextEvent(0, &e, 0, nullptr);
    WaitNextEvent(0, &e, 0, nullptr);
    ZEL_SystemValue(1, 74, old);
    EXPECT_EQ(sSeenArgument, &sThird) << "the task's own address is passed";
    EXPECT_EQ(sPasses, 2) << "a procedure without arguments ran beside it and the stack held";
}

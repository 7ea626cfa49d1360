// Vertical Retrace tasks in a session whose host makes real proc instances (session flag 0x200 off):
// a task runs through its instance, a removed record gets its host procedure back, and every instance
// is freed by the end of the session. A process of its own: the session block is this program's.
#include <gtest/gtest.h>

#include <set>

#include "Events.h"
#include "LowMem.h"
#include "Retrace.h"
#include "test_support.h"

namespace {

// Each instance is a small thunk of its own page: mov eax, proc; jmp eax.
std::set<FARPROC> sLiveInstances;
int sMade;

FARPROC WINAPI MakeThunk(FARPROC proc, HINSTANCE)
{
    auto *code = static_cast<uint8_t *>(VirtualAlloc(nullptr, 16, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
    code[0] = 0xB8;
    *reinterpret_cast<FARPROC *>(code + 1) = proc;
    code[5] = 0xFF;
    code[6] = 0xE0;
    FlushInstructionCache(GetCurrentProcess(), code, 16);
    auto thunk = reinterpret_cast<FARPROC>(code);
    sLiveInstances.insert(thunk);
    ++sMade;
    return thunk;
}

void WINAPI FreeThunk(FARPROC proc)
{
    EXPECT_EQ(sLiveInstances.erase(proc), 1u) << "only instances the host made are freed, each once";
    VirtualFree(reinterpret_cast<void *>(proc), 0, MEM_RELEASE);
}

int sRuns;
VBLTask sTask, sLeftInstalled;
void ZEL_CALL CountRun() { ++sRuns; }

HWND sMain;

} // namespace

TEST(VblProcInstances, InstancesWrapTheHostProcedureAndAreFreed)
{
    sTask = VBLTask{nullptr, vType, CountRun, 1, 0};
    ASSERT_EQ(VInstall(&sTask), 0);
    EXPECT_NE(reinterpret_cast<FARPROC>(sTask.vblAddr), reinterpret_cast<FARPROC>(CountRun)) << "wrapped";
    EXPECT_EQ(sLiveInstances.count(reinterpret_cast<FARPROC>(sTask.vblAddr)), 1u);
    ZEL_EventMouse(sMain, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ZEL_VBL_Interrupt();
    EXPECT_EQ(sRuns, 1) << "the task ran through its instance";
    ASSERT_EQ(VRemove(&sTask), 0);
    EXPECT_EQ(reinterpret_cast<FARPROC>(sTask.vblAddr), reinterpret_cast<FARPROC>(CountRun))
        << "the removed record holds the host's procedure again";
    EXPECT_TRUE(sLiveInstances.empty());

    // Installed again, it wraps the host's procedure, not a freed instance.
    sTask.vblCount = 1;
    ASSERT_EQ(VInstall(&sTask), 0);
    ZEL_VBL_Interrupt();
    EXPECT_EQ(sRuns, 2);
    ASSERT_EQ(VRemove(&sTask), 0);
    ZEL_EventMouse(sMain, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));

    sLeftInstalled = VBLTask{nullptr, vType, CountRun, 0, 0};
    ASSERT_EQ(VInstall(&sLeftInstalled), 0);
    EXPECT_EQ(sLiveInstances.size(), 1u);
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing_support::InstallDiagnosticCapture();
    sMain = testing_support::CreateHostMainWindow();
    static SessionParamBlock block = testing_support::MakeSessionBlock(sMain, zelFlagSilentDebugStr);
    block.makeProcInstance = MakeThunk;
    block.freeProcInstance = FreeThunk;
    ZEL_InitSession(&block);
    static LowMemPointerBlock globals;
    ZEL_InitGlobals(Setup_Globals(&globals));
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    // The task left installed is removed at exit with its instance.
    if (!sLiveInstances.empty() || sMade < 3) {
        std::fprintf(stderr, "%u proc instances left after the session, %d made\n",
                     static_cast<unsigned>(sLiveInstances.size()), sMade);
        result = 1;
    }
    return result;
}

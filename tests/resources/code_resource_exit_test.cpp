// Session exit releases every procedure registered as a code resource through the host's callback.
#include <gtest/gtest.h>

#include "Zel.h"
#include "test_support.h"

namespace {

int sReleased;
FARPROC WINAPI MakeInstance(FARPROC proc, HINSTANCE) { return proc; }
void WINAPI FreeInstance(FARPROC) { ++sReleased; }
void ZEL_CALL DefA() {}
void ZEL_CALL DefB() {}
void ZEL_CALL DefC() {}

} // namespace

TEST(CodeResourceExit, EveryRegisteredProcedureIsReleased)
{
    testing_support::InstallDiagnosticCapture();
    static SessionParamBlock block = testing_support::MakeSessionBlock(nullptr, 0);
    block.makeProcInstance = MakeInstance;
    block.freeProcInstance = FreeInstance;
    ZEL_InitSession(&block);
    const uint32_t mdef = 0x4D444546, ldef = 0x4C444546;
    EXPECT_NE(nullptr, ZEL_CodeResource(1, mdef, 0, DefA));
    EXPECT_NE(nullptr, ZEL_CodeResource(1, mdef, 7, DefB));
    EXPECT_NE(nullptr, ZEL_CodeResource(1, ldef, 0, DefC));
    sReleased = 0;
    ZEL_ExitSession();
    EXPECT_EQ(3, sReleased);
}

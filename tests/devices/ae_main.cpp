// main() of the AppleEvent tests: one session with heap checking on and the low-memory globals set up
// (the AppleEvent Manager starts with them), around all of them.
#include <gtest/gtest.h>
#include "test_support.h"
#include "LowMem.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing_support::StartTestSession(zelFlagHeapCheck);
    static LowMemPointerBlock globals;
    ZEL_InitGlobals(Setup_Globals(&globals));
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    return result;
}

// main() of the AppleEvent tests: one session with heap checking on around all of them.
#include <gtest/gtest.h>
#include "test_support.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing_support::StartTestSession(zelFlagHeapCheck);
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    return result;
}

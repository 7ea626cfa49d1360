// main() of test programs whose cases share one library session.
#include <gtest/gtest.h>
#include "test_support.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing_support::StartTestSession();
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    return result;
}

// main() of the Thread Manager tests: "--stack-switcher" runs every case on the library's stacks,
// "--host-fiber" on fibers in a host thread that made itself a fiber first.
#include <gtest/gtest.h>
#include <cstring>

#include "test_seams.h"
#include "test_support.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--stack-switcher") == 0)
            SelectStackSwitcher(true);
        else if (std::strcmp(argv[i], "--host-fiber") == 0)
            ConvertThreadToFiber(nullptr);
    testing_support::StartTestSession();
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    return result;
}

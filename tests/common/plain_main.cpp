// main() of test programs that open (or deliberately do not open) their sessions themselves.
#include <gtest/gtest.h>
#include "test_support.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing_support::InstallDiagnosticCapture();
    return RUN_ALL_TESTS();
}

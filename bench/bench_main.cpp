// main() of the benchmark programs: one library session and InitGraf around the program's runs.
#include "bench.h"
#include "qd_fixture.h"
#include "test_support.h"

#include <cstdio>

int main()
{
    testing_support::StartTestSession();
    testing_support::QuickDrawGlobals();
    int result = RunBench();
    ZEL_ExitSession();
    std::fflush(stdout);
    return result;
}

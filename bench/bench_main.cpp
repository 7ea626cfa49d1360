// main() of the benchmark programs: one library session and InitGraf around the program's runs.
// With --smoke every timing runs once (CI builds and runs each program that way; it judges no time);
// --only TEXT runs only the cases whose names hold TEXT.
#include "bench.h"
#include "qd_fixture.h"
#include "test_support.h"

#include <cstdio>
#include <cstring>

void SetBenchSmoke(bool on);
void SetBenchOnly(const char *text);

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--smoke"))
            SetBenchSmoke(true);
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
            SetBenchOnly(argv[++i]);
    testing_support::StartTestSession();
    testing_support::QuickDrawGlobals();
    int result = RunBench();
    ZEL_ExitSession();
    std::fflush(stdout);
    return result;
}

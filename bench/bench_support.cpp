#include "bench.h"

#include <algorithm>
#include <cstring>

namespace {
bool sSmoke;
const char *sOnly;
}

bool BenchSmoke() { return sSmoke; }

void SetBenchSmoke(bool on) { sSmoke = on; }

void SetBenchOnly(const char *text) { sOnly = text; }

int RunPairCases(const std::vector<PairCase> &cases)
{
    int failures = 0;
    for (const PairCase &c : cases) {
        if (sOnly && !std::strstr(c.name.c_str(), sOnly))
            continue;
        if (c.setUp)
            c.setUp();
        c.library(0);
        c.raw(0);
        if (c.same && !c.same()) {
            std::printf("%s: the library's and the raw side's results differ: no ratio\n", c.name.c_str());
            ++failures;
        } else {
            double library = 1e30, raw = 1e30;
            for (int round = 0; round < (BenchSmoke() ? 1 : 5); ++round) {
                library = std::min(library, TimePerRun(c.count, c.library));
                raw = std::min(raw, TimePerRun(c.count, c.raw));
            }
            std::printf("%s: library %.0f ns, raw %.0f ns, ratio %.2f\n", c.name.c_str(), library * 1e9, raw * 1e9,
                        raw > 0 ? library / raw : 0.0);
        }
        if (c.tearDown)
            c.tearDown();
        std::fflush(stdout);
    }
    return failures;
}

// Munger: one replace in the middle of a handle costs time in proportion to the handle's size (the tail
// moves once), so 4 MB should cost about four times 1 MB. numtostring against the C runtime's _itoa.
#include "bench.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "MacMemory.h"
#include "SANE.h"
#include "TextUtils.h"

namespace {

// Seconds for one replace of a 4-byte target near the start by 8 bytes and back, on a handle of `size`.
double ReplaceCost(int32_t size)
{
    Handle h = NewHandle(size);
    std::memset(*h, 'x', size);
    std::memcpy(*h + 16, "FIND", 4);
    double perRun = TimePerRun(20, [&](int i) {
        if (i % 2 == 0)
            Munger(h, 0, "FIND", 4, "REPLACED", 8);
        else
            Munger(h, 0, "REPLACED", 8, "FIND", 4);
    });
    DisposeHandle(h);
    return perRun;
}

// Numbers of every length and both signs.
int32_t NumberAt(int i)
{
    static const int32_t kNumbers[] = {0, 7, -42, 1234, -98765, 2000000000, INT32_MIN, 31337};
    return kNumbers[i % 8];
}

PairCase NumberText()
{
    static char library[16], raw[16];
    PairCase c;
    c.name = "numtostring";
    c.count = 200000;
    c.library = [](int i) { numtostring(NumberAt(i), library); };
    c.raw = [](int i) { _itoa(NumberAt(i), raw, 10); };
    c.same = [] {
        for (int i = 0; i < 8; ++i) {
            numtostring(NumberAt(i), library);
            _itoa(NumberAt(i), raw, 10);
            if (std::strcmp(library, raw) != 0)
                return false;
        }
        return true;
    };
    return c;
}

} // namespace

int RunBench()
{
    double one = ReplaceCost(1 << 20);
    double four = ReplaceCost(4 << 20);
    std::printf("Munger replace: 1 MB %.3f ms, 4 MB %.3f ms, ratio %.2f (linear: about 4)\n", one * 1e3,
                four * 1e3, four / one);
    return RunPairCases({NumberText()});
}

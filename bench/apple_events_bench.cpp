// AppleEvents: reading an item checks its handle against the set of handles the manager made, a look-up
// that should cost the same however many descriptors are alive (10 against 10,000: about 1).
#include "bench.h"

#include <algorithm>
#include <vector>

#include "AppleEvents.h"

namespace {

// Seconds for one AEGetNthPtr of a 4-byte item while `others` other descriptors are alive.
double ReadCost(int others)
{
    std::vector<AEDesc> alive(others);
    for (int i = 0; i < others; ++i)
        AECreateDesc(typeLongInteger, &i, 4, &alive[i]);
    AEDescList list;
    AECreateList(nullptr, 0, false, &list);
    int32_t value = 1234;
    AEPutPtr(&list, 0, typeLongInteger, &value, 4);
    int32_t sum = 0;
    double perRun = TimePerRun(200000, [&](int) {
        int32_t out = 0;
        Size actual;
        AEGetNthPtr(&list, 1, typeLongInteger, nullptr, nullptr, &out, 4, &actual);
        sum += out;
    });
    AEDisposeDesc(&list);
    for (AEDesc &d : alive)
        AEDisposeDesc(&d);
    if (sum != BenchCount(200000) * 1234)
        std::printf("AEGetNthPtr read the wrong value\n");
    return perRun;
}

} // namespace

int RunBench()
{
    double few = 1e9, many = 1e9;
    for (int round = 0; round < 5; ++round) {
        few = std::min(few, ReadCost(10));
        many = std::min(many, ReadCost(10000));
    }
    std::printf("AEGetNthPtr of a 4-byte item: 10 other descriptors %.1f ns, 10,000 %.1f ns, ratio %.2f (about 1)\n",
                few * 1e9, many * 1e9, many / few);
    return 0;
}

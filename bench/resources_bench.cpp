// Getting resources by type and ID in a fork of ten and in one of five thousand: the cost per resource
// should stay about the same, since a file's references are found through its index, not by walking
// the map.
#include "bench.h"
#include "fork_layout.h"

#include "Resources.h"
#include "test_support.h"

#include <string>

namespace {

volatile uintptr_t sSink;

double TimePerGet(int count)
{
    using namespace fork_layout;
    std::vector<Resource> list;
    for (int i = 0; i < count; ++i)
        list.push_back({FourCC("BNCH"), int16_t(i), 0, false, {}, {uint8_t(i)}});
    const std::string name = "bench_" + std::to_string(count) + ".rsr";
    WriteFileBytes(name, BuildFork(list));
    const int16_t ref = OpenResFile(testing_support::P(name.c_str()).c_str());
    for (int i = 0; i < count; ++i)
        Get1Resource(FourCC("BNCH"), int16_t(i)); // load every one once
    const int kGets = 200000;
    double t = TimePerRun(kGets, [&](int i) {
        sSink = sSink + reinterpret_cast<uintptr_t>(Get1Resource(FourCC("BNCH"), int16_t((i * 7919) % count)));
    });
    CloseResFile(ref);
    DeleteFileA(name.c_str());
    return t;
}

} // namespace

int RunBench()
{
    const double small = TimePerGet(10), large = TimePerGet(5000);
    std::printf("Get1Resource, 10 resources:   %.3f us\n", small * 1e6);
    std::printf("Get1Resource, 5000 resources: %.3f us\n", large * 1e6);
    std::printf("ratio large/small: %.2f\n", large / small);
    return 0;
}

// Resources by type and ID, and the file a resource handle comes from, in a fork of five thousand against
// the same calls in a fork of ten: a file's references are found through its indexes, not by walking the
// map, so the cost per call should stay about the same (a ratio near 1).
#include "bench.h"
#include "fork_layout.h"

#include "Resources.h"
#include "test_support.h"

#include <memory>
#include <string>
#include <vector>

namespace {

volatile uintptr_t sSink;

// A fork of `count` one-byte resources, opened with every resource loaded.
struct OpenFork {
    std::string name;
    int16_t ref = 0;
    std::vector<Handle> handles;
};

std::shared_ptr<OpenFork> MakeFork(int count)
{
    using namespace fork_layout;
    auto fork = std::make_shared<OpenFork>();
    std::vector<Resource> list;
    for (int i = 0; i < count; ++i)
        list.push_back({FourCC("BNCH"), int16_t(i), 0, false, {}, {uint8_t(i)}});
    fork->name = "bench_" + std::to_string(count) + ".rsr";
    WriteFileBytes(fork->name, BuildFork(list));
    return fork;
}

void Open(OpenFork &fork, int count)
{
    fork.ref = OpenResFile(testing_support::P(fork.name.c_str()).c_str());
    for (int i = 0; i < count; ++i)
        fork.handles.push_back(Get1Resource(fork_layout::FourCC("BNCH"), int16_t(i)));
}

void Close(OpenFork &fork)
{
    CloseResFile(fork.ref);
    DeleteFileA(fork.name.c_str());
    fork.handles.clear();
}

// The same call in the large fork (library side) and in the small one (raw side).
PairCase Growth(const char *name, void (*call)(OpenFork &, int), bool (*check)(OpenFork &, int))
{
    auto small = MakeFork(10), large = MakeFork(5000);
    PairCase c;
    c.name = std::string(name) + " among 5,000 resources against among 10";
    c.count = 100000;
    c.setUp = [=] {
        Open(*small, 10);
        Open(*large, 5000);
    };
    c.library = [=](int i) {
        UseResFile(large->ref);
        call(*large, (i * 7919) % 5000);
    };
    c.raw = [=](int i) {
        UseResFile(small->ref);
        call(*small, (i * 7919) % 10);
    };
    c.same = [=] { return check(*small, 3) && check(*large, 4321); };
    c.tearDown = [=] {
        Close(*large);
        Close(*small);
    };
    return c;
}

} // namespace

int RunBench()
{
    return RunPairCases({
        Growth(
            "Get1Resource",
            [](OpenFork &, int i) {
                sSink = sSink + reinterpret_cast<uintptr_t>(Get1Resource(fork_layout::FourCC("BNCH"), int16_t(i)));
            },
            [](OpenFork &f, int i) {
                UseResFile(f.ref);
                return Get1Resource(fork_layout::FourCC("BNCH"), int16_t(i)) == f.handles[i];
            }),
        Growth(
            "HomeResFile",
            [](OpenFork &f, int i) { sSink = sSink + HomeResFile(f.handles[i]); },
            [](OpenFork &f, int i) { return HomeResFile(f.handles[i]) == f.ref; }),
    });
}

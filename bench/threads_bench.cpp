// Thread Manager: a YieldToThread round trip (main to a thread and back) against a bare SwitchToFiber
// round trip; the first should cost at most a few of the second.
#include "bench.h"

#include "Threads.h"

namespace {

ThreadID sMain;
void *sMainFiber;
void *sEchoFiber;
volatile bool sStop;

uint32_t ZEL_CALL Echo(void *)
{
    while (!sStop)
        YieldToThread(sMain);
    return 0;
}

void WINAPI EchoFiber(void *)
{
    for (;;)
        SwitchToFiber(sMainFiber);
}

} // namespace

int RunBench()
{
    GetCurrentThrea(&sMain); // makes this thread a fiber
    ThreadID echo = 0;
    NewThread(0, Echo, nullptr, 0, kNewSuspend, nullptr, &echo);
    const int runs = 200000;
    double yield = TimePerRun(runs, [&](int) { YieldToThread(echo); });
    sStop = true;
    YieldToThread(echo);
    asm("movl %%fs:0x10, %0" : "=r"(sMainFiber)); // the thread block's current fiber
    sEchoFiber = CreateFiber(0x10000, EchoFiber, nullptr);
    double fiber = TimePerRun(runs, [&](int) { SwitchToFiber(sEchoFiber); });
    DeleteFiber(sEchoFiber);
    std::printf("YieldToThread round trip %.3f us, SwitchToFiber round trip %.3f us, ratio %.2f\n", yield * 1e6,
                fiber * 1e6, yield / fiber);
    return 0;
}

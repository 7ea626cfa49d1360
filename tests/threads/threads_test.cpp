// Thread Manager: run orders by the round-robin rule, the protocol errors, pooled reuse, threads ending
// on themselves, DebugStr from a thread, and thousands of threads without leaks.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "OSUtils.h"
#include "Threads.h"
#include "test_support.h"

namespace {

std::string sLog;

// A thread that logs its letter, yields to any thread `yields` times (logging each return), then ends.
struct Script {
    char letter;
    int yields;
};

uint32_t ZEL_CALL Scripted(void *param)
{
    const Script *s = static_cast<const Script *>(param);
    sLog += s->letter;
    for (int i = 0; i < s->yields; ++i) {
        YieldToAnyThread();
        sLog += s->letter;
    }
    return static_cast<uint32_t>(s->letter);
}

// A thread made suspended is stopped: the helper makes it ready, so that it waits its turn.
ThreadID Make(const Script *s, ThreadOptions options = kNewSuspend, uint32_t *result = nullptr)
{
    ThreadID id = 0;
    EXPECT_EQ(NewThread(0, Scripted, const_cast<Script *>(s), 0, options, result, &id), noErr);
    if (id && (options & kNewSuspend)) {
        EXPECT_EQ(SetThreadState(id, kReadyThreadState, 0), noErr);
    }
    return id;
}

// Runs until only the main thread is left.
void RunAll()
{
    while (YieldToAnyThread() == noErr)
        sLog += 'm';
}

class Threads : public ::testing::Test {
protected:
    void SetUp() override { sLog.clear(); }
    void TearDown() override
    {
        RunAll();
        int16_t pooled = 0;
        GetFreeThreadCount(0, &pooled);
        EXPECT_EQ(pooled, 0) << "a case left pooled threads";
    }
};

TEST_F(Threads, YieldsToAnyRunInSlotOrder)
{
    Script a{'a', 2}, b{'b', 1};
    uint32_t ra = 0, rb = 0;
    Make(&a, kNewSuspend, &ra);
    Make(&b, kNewSuspend, &rb);
    RunAll();
    EXPECT_EQ(sLog, "abmabmam") << "each yield goes to the slot after the current one; an ended thread hands on too";
    EXPECT_EQ(ra, static_cast<uint32_t>('a')) << "the entry's result is stored";
    EXPECT_EQ(rb, static_cast<uint32_t>('b'));
}

TEST_F(Threads, ANewThreadRunsAtOnceUnlessSuspended)
{
    Script a{'a', 1};
    Make(&a, 0);
    sLog += 'm';
    RunAll();
    EXPECT_EQ(sLog, "amam");
}

TEST_F(Threads, ASuspendedThreadRunsOnlyOnceMadeReady)
{
    Script a{'a', 0};
    ThreadID id = 0;
    ASSERT_EQ(NewThread(0, Scripted, &a, 0, kNewSuspend, nullptr, &id), noErr);
    ThreadState state = 9;
    EXPECT_EQ(GetThreadState(id, &state), noErr);
    EXPECT_EQ(state, kStoppedThreadState);
    EXPECT_EQ(YieldToAnyThread(), threadNotFoundErr) << "a stopped thread is not runnable";
    EXPECT_EQ(sLog, "");
    ASSERT_EQ(SetThreadState(id, kReadyThreadState, 0), noErr);
    RunAll();
    EXPECT_EQ(sLog, "am");
}

TEST_F(Threads, YieldToOneThreadAndStoppedThreadsAreSkipped)
{
    Script a{'a', 1}, b{'b', 1}, c{'c', 0};
    ThreadID ta = Make(&a), tb = Make(&b), tc = Make(&c);
    EXPECT_EQ(SetThreadState(tb, kStoppedThreadState, 0), noErr);
    EXPECT_EQ(YieldToThread(tc), noErr);
    sLog += 'm';
    ThreadState state = 9;
    EXPECT_EQ(GetThreadState(tb, &state), noErr);
    EXPECT_EQ(state, kStoppedThreadState);
    EXPECT_EQ(YieldToAnyThread(), noErr); // a: b is stopped
    sLog += 'm';
    EXPECT_EQ(SetThreadState(tb, kReadyThreadState, 0), noErr);
    RunAll();
    EXPECT_EQ(sLog, "cmamabmbm") << "c ran first; b only once readied";
    (void)ta;
}

TEST_F(Threads, SetThreadStateOfTheRunningThreadSwitchesToTheSuggestedOne)
{
    static ThreadID sMain;
    GetCurrentThrea(&sMain);
    struct Stopper {
        static uint32_t ZEL_CALL Run(void *)
        {
            sLog += 's';
            ThreadID me = 0;
            GetCurrentThrea(&me);
            SetThreadState(me, kStoppedThreadState, sMain); // back to main, stopped
            sLog += 'S';
            return 0;
        }
    };
    ThreadID id = 0;
    ASSERT_EQ(NewThread(0, Stopper::Run, nullptr, 0, 0, nullptr, &id), noErr);
    sLog += 'm';
    EXPECT_EQ(YieldToAnyThread(), threadNotFoundErr) << "the stopped thread is not runnable";
    EXPECT_EQ(SetThreadState(id, kReadyThreadState, 0), noErr);
    RunAll();
    EXPECT_EQ(sLog, "smSm");
}

// A state other than ready, stopped and running is refused and changes nothing: a stopped thread stays
// out of the round-robin.
TEST_F(Threads, OnlyTheThreeThreadStatesAreAccepted)
{
    Script a{'a', 0};
    ThreadID ta = Make(&a);
    ASSERT_EQ(SetThreadState(ta, kStoppedThreadState, 0), noErr);
    for (ThreadState wrong : {ThreadState(3), ThreadState(7), ThreadState(0xFFFF)}) {
        EXPECT_EQ(SetThreadState(ta, wrong, 0), paramErr) << wrong;
        ThreadState state = 9;
        EXPECT_EQ(GetThreadState(ta, &state), noErr);
        EXPECT_EQ(state, kStoppedThreadState) << wrong;
    }
    EXPECT_EQ(YieldToAnyThread(), threadNotFoundErr) << "the stopped thread is still not runnable";
    ASSERT_EQ(SetThreadState(ta, kReadyThreadState, 0), noErr);
    RunAll();
    EXPECT_EQ(sLog, "am");
}

TEST_F(Threads, ProtocolErrors)
{
    ThreadID main = 0;
    EXPECT_EQ(GetCurrentThrea(&main), noErr);
    EXPECT_NE(main, 0u);
    EXPECT_EQ(YieldToAnyThread(), threadNotFoundErr) << "only the main thread";
    EXPECT_EQ(YieldToThread(main), threadProtocolErr) << "a switch to oneself";
    EXPECT_EQ(YieldToThread(12345), threadNotFoundErr);
    EXPECT_EQ(SetThreadState(main, kRunningThreadState, 0), threadProtocolErr);
    EXPECT_EQ(DisposeThread(main, 0, false), threadProtocolErr) << "the main thread stays";
    EXPECT_EQ(GetCurrentThrea(&main), noErr);
    Script a{'a', 0};
    ThreadID ta = Make(&a);
    EXPECT_EQ(ThreadBeginCritical(), noErr);
    EXPECT_EQ(YieldToThread(ta), threadProtocolErr) << "a yield in a critical section";
    EXPECT_EQ(YieldToAnyThread(), threadProtocolErr);
    EXPECT_EQ(ThreadEndCritical(), noErr);
    Size size = 0;
    EXPECT_EQ(GetDefaultThreadStackSize(0, &size), noErr);
    EXPECT_EQ(size, 0x10000);
}

TEST_F(Threads, NinthThreadIsRefused)
{
    Script s{'x', 0};
    std::vector<ThreadID> made;
    for (int i = 0; i < 7; ++i)
        made.push_back(Make(&s));
    ThreadID ninth = 99;
    EXPECT_EQ(NewThread(0, Scripted, &s, 0, kNewSuspend, nullptr, &ninth), threadTooManyReqsErr);
    EXPECT_EQ(ninth, 0u);
    EXPECT_EQ(CreateThreadPool(0, 1, 0), threadTooManyReqsErr);
    RunAll();
    EXPECT_EQ(sLog, "xxxxxxxm");
}

TEST_F(Threads, PooledRecordsAreReusedInTheirSlot)
{
    EXPECT_EQ(CreateThreadPool(0, 2, 0x8000), noErr);
    EXPECT_EQ(CreateThreadPool(0, 1, 0x20000), noErr);
    int16_t pooled = 0;
    GetFreeThreadCount(0, &pooled);
    EXPECT_EQ(pooled, 3);
    Script a{'a', 0};
    ThreadID id = 0;
    EXPECT_EQ(NewThread(0, Scripted, &a, 0x8000, kUsePremadeThread | kNewSuspend, nullptr, &id), noErr)
        << "an exact fit";
    EXPECT_EQ(SetThreadState(id, kReadyThreadState, 0), noErr);
    GetFreeThreadCount(0, &pooled);
    EXPECT_EQ(pooled, 2);
    EXPECT_EQ(NewThread(0, Scripted, &a, 0x40000, kUsePremadeThread | kNewSuspend, nullptr, &id),
              threadTooManyReqsErr)
        << "no pooled stack that large, and no option 4";
    // Six records hold slots now (main, the running-to-be one, two pooled): four more fit.
    std::vector<ThreadID> made;
    for (int i = 0; i < 4; ++i)
        made.push_back(Make(&a));
    EXPECT_EQ(NewThread(0, Scripted, &a, 0, kNewSuspend, nullptr, &id), threadTooManyReqsErr)
        << "the reused record was not counted twice";
    RunAll();
    EXPECT_EQ(NewThread(0, Scripted, &a, 0x40000, kUsePremadeThread | kCreateIfNeeded, nullptr, &id), noErr)
        << "option 4 creates what the pool cannot give";
    GetFreeThreadCount(0, &pooled);
    EXPECT_EQ(pooled, 2);
    // The two left in the pool leave it by being reused and ending.
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(NewThread(0, Scripted, &a, 0x100, kUsePremadeThread, nullptr, &id), noErr);
    GetFreeThreadCount(0, &pooled);
    EXPECT_EQ(pooled, 0);
}

uint32_t ZEL_CALL RecycleItself(void *)
{
    ThreadID me = 0;
    GetCurrentThrea(&me);
    DisposeThread(me, 0, true);
    return 0;
}

// A pooled record has no context: no call may make it run (switching to it would resume nothing).
TEST_F(Threads, APooledRecordIsNeverSwitchedTo)
{
    ThreadID pooled = 0, main = 0;
    ASSERT_EQ(NewThread(0, RecycleItself, nullptr, 0, 0, nullptr, &pooled), noErr);
    GetCurrentThrea(&main);
    EXPECT_EQ(YieldToThread(pooled), threadNotFoundErr);
    EXPECT_EQ(SetThreadState(pooled, kReadyThreadState, 0), threadNotFoundErr);
    EXPECT_EQ(SetThreadState(main, kReadyThreadState, pooled), threadNotFoundErr) << "as the suggestion";
    EXPECT_EQ(YieldToAnyThread(), threadNotFoundErr) << "it stays out of the round robin";
    ThreadState state = 0;
    EXPECT_EQ(GetThreadState(pooled, &state), noErr);
    EXPECT_EQ(state, kStoppedThreadState);
    EXPECT_EQ(DisposeThread(pooled, 0, false), noErr);
}

TEST_F(Threads, AThreadDisposingItselfRecycledOrNot)
{
    struct Self {
        static uint32_t ZEL_CALL Run(void *recycle)
        {
            sLog += 'r';
            ThreadID me = 0;
            GetCurrentThrea(&me);
            ThreadBeginCritical(); // leaving for good ends the critical section too
            DisposeThread(me, 7, recycle != nullptr);
            sLog += '!'; // never reached
            return 0;
        }
    };
    uint32_t result = 0;
    ThreadID id = 0;
    ASSERT_EQ(NewThread(0, Self::Run, nullptr, 0, 0, &result, &id), noErr);
    EXPECT_EQ(result, 7u);
    ASSERT_EQ(NewThread(0, Self::Run, reinterpret_cast<void *>(1), 0, 0, &result, &id), noErr);
    int16_t pooled = 0;
    GetFreeThreadCount(0, &pooled);
    EXPECT_EQ(pooled, 1) << "recycled into the pool";
    EXPECT_EQ(sLog, "rr");
    ASSERT_EQ(NewThread(0, Scripted, new Script{'z', 0}, 0, kUsePremadeThread, nullptr, &id), noErr);
    EXPECT_EQ(ThreadBeginCritical(), noErr);
    EXPECT_EQ(ThreadEndCritical(), noErr);
}

TEST_F(Threads, DebugStrFromAThreadArrives)
{
    testing_support::TakeDebugMessages();
    struct Reporter {
        static uint32_t ZEL_CALL Run(void *)
        {
            DebugStr(reinterpret_cast<const unsigned char *>("\x0Bthread says"));
            return 0;
        }
    };
    ThreadID id = 0;
    ASSERT_EQ(NewThread(0, Reporter::Run, nullptr, 0, 0, nullptr, &id), noErr);
    std::vector<std::string> messages = testing_support::TakeDebugMessages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0], "thread says");
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters), sizeof counters);
    return counters.PrivateUsage;
}

DWORD Handles()
{
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return n;
}

TEST_F(Threads, ThousandsOfThreadsLeaveNothingBehind)
{
    Script s{'.', 0};
    auto run = [&](bool pooled) {
        for (int i = 0; i < 2000; ++i) {
            if (pooled) {
                ASSERT_EQ(CreateThreadPool(0, 1, 0x10000), noErr);
            }
            ThreadID id = 0;
            ASSERT_EQ(NewThread(0, Scripted, &s, 0x10000, pooled ? kUsePremadeThread : 0, nullptr, &id), noErr) << i;
        }
    };
    run(false); // warm-up: the allocator's own growth is not a leak
    SIZE_T bytes = PrivateBytes();
    DWORD handles = Handles();
    run(false);
    run(true);
    EXPECT_LT(PrivateBytes(), bytes + 4 * 0x10000 + 0x40000) << "address space within a few stacks";
    EXPECT_LE(Handles(), handles + 4);
    sLog.clear();
}

} // namespace

// Pointers on the local heap, BlockMove, the memory queries, the memory limits and the staged recovery
// of a failed allocation.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "MacMemory.h"
#include "test_support.h"

namespace {

constexpr Size kHuge = 0x7FFFFFF0; // more than any heap gives


bool OnWindowsNT()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The grow-zone procedure of the tests: records what it was asked, frees an optional handle and
// answers what the case says.
struct GrowZoneScript {
    std::vector<Size> asked;
    Handle release = nullptr;
    long answer = 0;
};
GrowZoneScript *sScript;

long ZEL_CALL ScriptedGrowZone(Size needed)
{
    sScript->asked.push_back(needed);
    if (sScript->release) {
        DisposeHandle(sScript->release);
        sScript->release = nullptr;
    }
    return sScript->answer;
}

} // namespace

// ---- pointers ----

TEST(Pointers, LargePointerLifeCycle)
{
    Ptr p = NewPtr(100);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetPtrSize(p), 100);
    EXPECT_TRUE(testing_support::AllZero(p, 100));
    uint32_t mark;
    std::memcpy(&mark, p - 4, 4);
    EXPECT_EQ(mark, 0xFFFFFFFFu) << "a large pointer is marked by the word before it";
    EXPECT_EQ(RecoverHandle(p), nullptr) << "a pointer belongs to no handle";
    testing_support::FillPattern(p, 100, 1);

    EXPECT_TRUE(SetPtrSize(p, 40));
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetPtrSize(p), 40);
    EXPECT_TRUE(testing_support::HasPattern(p, 40, 1));
    DisposePtr(p);
    EXPECT_EQ(MemError(), noErr);

    for (auto make : {NewPtrClear, NewPtrSys, NewPtrSysClear}) {
        Ptr q = make(64);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(GetPtrSize(q), 64);
        EXPECT_TRUE(testing_support::AllZero(q, 64));
        DisposePtr(q);
    }
}

TEST(Pointers, FailuresLeaveTheBlockAlone)
{
    EXPECT_EQ(NewPtr(-1), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(NewPtr(kHuge), nullptr);
    EXPECT_EQ(MemError(), memFullErr);

    Ptr p = NewPtr(48);
    testing_support::FillPattern(p, 48, 9);
    struct Case {
        Size size;
        const char *what;
    } cases[] = {
        {-1, "negative size"},
        {kHuge, "more than the heap gives"},
    };
    for (const Case &c : cases) {
        EXPECT_FALSE(SetPtrSize(p, c.size)) << c.what;
        EXPECT_EQ(MemError(), memFullErr) << c.what;
        EXPECT_EQ(GetPtrSize(p), 48) << c.what;
        EXPECT_TRUE(testing_support::HasPattern(p, 48, 9)) << c.what;
    }
    DisposePtr(p);

    DisposePtr(nullptr);
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetPtrSize(nullptr), 0);
    EXPECT_EQ(MemError(), nilHandleErr);
    EXPECT_FALSE(SetPtrSize(nullptr, 4));
    EXPECT_EQ(MemError(), nilHandleErr);

    // Bytes marked like a large pointer that no heap gave out: no size, and not resized.
    alignas(8) static uint32_t fake[6] = {0xFFFFFFFF, 0xFFFFFFFF, 1, 2, 3, 4};
    Ptr forged = reinterpret_cast<Ptr>(&fake[2]);
    EXPECT_EQ(GetPtrSize(forged), 0);
    EXPECT_FALSE(SetPtrSize(forged, 4));
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(fake[2], 1u);
}

// ---- BlockMove ----

TEST(BlockMove, OverlappingRangesInBothDirections)
{
    constexpr Size kBuffer = 210000;
    struct Case {
        Size src, dst, count;
        const char *what;
    } cases[] = {
        {0, 3, 10, "small, destination above the source"},
        {3, 0, 10, "small, destination below the source"},
        {0, 5000, 100000, "large, destination above: copied from the back"},
        {5000, 0, 100000, "large, destination below: copied from the front"},
        {1, 0, 32768, "the smallest piecewise count, one byte down"},
        {0, 1, 32768, "the smallest piecewise count, one byte up"},
        {0, 100001, 100000, "large, destination past the source"},
        {0, 17, 32767, "just below the piecewise count"},
    };
    for (auto move : {BlockMove, BlockMoveData}) {
        for (const Case &c : cases) {
            std::vector<char> buffer(kBuffer), expected;
            testing_support::FillPattern(buffer.data(), kBuffer, 5);
            expected = buffer;
            std::vector<char> source(expected.begin() + c.src, expected.begin() + c.src + c.count);
            std::copy(source.begin(), source.end(), expected.begin() + c.dst);
            move(buffer.data() + c.src, buffer.data() + c.dst, c.count);
            EXPECT_TRUE(buffer == expected) << c.what;
        }
    }
}

TEST(BlockMove, DegenerateCallsDoNothing)
{
    char buffer[16] = "abcdefghijklmno";
    char *const noData = reinterpret_cast<char *>(0xFFFF);
    struct Case {
        const void *src;
        void *dst;
        Size count;
        const char *what;
    } cases[] = {
        {buffer + 4, buffer, 0, "count 0"},
        {buffer + 4, buffer, -5, "negative count"},
        {buffer, buffer, 8, "same address"},
        {noData, buffer, 8, "source 0xFFFF (an unmapped handle's data)"},
        {buffer, noData, 8, "destination 0xFFFF"},
        {nullptr, buffer, 8, "source 0"},
        {buffer, nullptr, 8, "destination 0"},
    };
    for (const Case &c : cases) {
        BlockMove(c.src, c.dst, c.count);
        EXPECT_STREQ(buffer, "abcdefghijklmno") << c.what;
    }
}

// ---- queries ----

// Wine reports more free page file than page file in all (4294967295 of 4294443007 bytes): the free
// part is then taken as the total, so FreeMem answers plenty instead of nothing.
TEST(MemoryQueries, FreeMemCountsThePageFile)
{
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    Size free = FreeMem();
    EXPECT_GT(free, 0);
    EXPECT_EQ(MemError(), noErr);
    if (status.dwTotalPageFile && status.dwAvailPageFile > status.dwTotalPageFile) {
        int64_t expected = std::min<int64_t>(static_cast<int64_t>(status.dwTotalPageFile) - 32768, 0x7FFFFFFF);
        EXPECT_EQ(free, expected);
    }
    EXPECT_EQ(MaxBlock(), FreeMem());

    Size total = -1, contiguous = -1;
    PurgeSpace(&total, &contiguous);
    EXPECT_EQ(total, FreeMem());
    EXPECT_EQ(contiguous, std::min<Size>(total, 65536));
    PurgeSpace(nullptr, nullptr);
}

TEST(MemoryQueries, FixedAnswers)
{
    Size grow = -1;
    if (OnWindowsNT()) {
        EXPECT_EQ(MaxMem(&grow), 0x7F000000);
        EXPECT_EQ(grow, 0) << "the zone never grows";
    }
    EXPECT_EQ(StackSpace(), 2048);
    grow = -1;
    EXPECT_EQ(TempMaxMem(&grow), 0x0FFFFFFF);
    EXPECT_EQ(grow, 0);
    char block[8];
    EXPECT_EQ(HoldMemory(block, 8), noErr);
    EXPECT_EQ(UnholdMemory(block, 8), noErr);
    EXPECT_EQ(xInitMemManDLL(), 0);
    for (int16_t which : {0, 1, 2, 3, -1})
        EXPECT_EQ(ZEL_GetFreeSystemResources(which), 100) << which;
    // The Windows 3.1 heap calls stay silent and leave MemErr as they found it.
    testing_support::TakeDebugMessages();
    NewHandle(-1);
    const OSErr before = MemError();
    ZEL_SetMemLimits();
    ZEL_CheckMacHeap();
    ZEL_ATHCA();
    EXPECT_EQ(MemError(), before);
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());

    EXPECT_EQ(TempFreeMem(), 0);
    EXPECT_EQ(TopMem(), nullptr);
    EXPECT_EQ(testing_support::TakeDebugMessages(),
              (std::vector<std::string>{"TempFreeMem", "\r\n", "TopMem", "\r\n"}));

    EXPECT_EQ(GetApplLimit(), reinterpret_cast<Ptr>(GetZone()) + LocalCompact(0));
}

TEST(MemoryQueries, ComputeMemorySizeAnswersTheLastValueAsked)
{
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    DisposeHandle(NewHandle(1)); // a free master-pointer record for the handle below
    uint32_t totalPageFile = 0, availPageFile = 0, totalPhys = 0, availPhys = 0, library = 0;
    uint32_t last = ZEL_ComputeMemorySize(&totalPageFile, &availPageFile, &totalPhys, &availPhys, &library);
    EXPECT_EQ(totalPhys, status.dwTotalPhys);
    EXPECT_EQ(totalPageFile, status.dwTotalPageFile);
    EXPECT_EQ(last, library) << "the library's bytes are stored last";
    EXPECT_EQ(ZEL_ComputeMemorySize(nullptr, nullptr, &totalPhys, nullptr, nullptr), status.dwTotalPhys);

    // Library bytes: what handles and pointers hold.
    Handle h = NewHandle(1000);
    uint32_t after = 0;
    ZEL_ComputeMemorySize(nullptr, nullptr, nullptr, nullptr, &after);
    EXPECT_EQ(after - library, 1000u);
    DisposeHandle(h);
}

TEST(MemoryQueries, PurgeMemAndCompactMemEmptyPurgeableHandles)
{
    struct Case {
        void (*call)(Size);
        Size amount;
        bool purges;
        const char *what;
    } cases[] = {
        {[](Size n) { PurgeMem(n); }, 500, true, "PurgeMem below 64 KB"},
        {[](Size n) { PurgeMem(n); }, 70000, false, "PurgeMem of 64 KB or more does nothing"},
        {[](Size n) { EXPECT_EQ(CompactMem(n), n); }, 500, true, "CompactMem purges first"},
    };
    for (const Case &c : cases) {
        Handle h = NewHandle(1000);
        HPurge(h);
        c.call(c.amount);
        EXPECT_EQ(MemError(), noErr) << c.what;
        EXPECT_EQ(*h == nullptr, c.purges) << c.what;
        DisposeHandle(h);
    }
}

// ---- limits ----

class MemoryLimit : public testing::Test {
protected:
    static constexpr uint32_t kThreshold = 64 * 1024;
    static constexpr uint32_t kBig = 0x40000000;

    void SetUp() override { sScript = &script_; }
    void TearDown() override
    {
        ZEL_SetMemoryLimits(0, 0, 0, 0);
        SetGrowZone(nullptr);
        sScript = nullptr;
        for (Handle h : handles_)
            DisposeHandle(h);
    }

    // Local bytes the library holds now, read through FreeMem under a very large limit.
    uint32_t LocalBytes()
    {
        ZEL_SetMemoryLimits(1, kBig, 0xFFFFFFFF, 0);
        uint32_t bytes = kBig - static_cast<uint32_t>(FreeMem());
        ZEL_SetMemoryLimits(0, 0, 0, 0);
        return bytes;
    }

    // Limits that leave `room` bytes for requests of 64 KB and more.
    void LeaveRoom(uint32_t room, int16_t units = 0) { ZEL_SetMemoryLimits(1, LocalBytes() + room, kThreshold, units); }

    Handle Keep(Size size, bool purgeable)
    {
        Handle h = NewHandle(size);
        EXPECT_NE(h, nullptr);
        if (purgeable)
            HPurge(h);
        handles_.push_back(h);
        return h;
    }

    GrowZoneScript script_;
    std::vector<Handle> handles_;
};

TEST_F(MemoryLimit, SettingsAndFreeMem)
{
    EXPECT_EQ(ZEL_SetMemoryLimits(1, kBig, kThreshold, 5), 5);
    EXPECT_EQ(ZEL_SetMemoryLimits(1, kBig, kThreshold, 0), 32767) << "units 0 stand for 32767";
    DisposeHandle(NewHandle(1)); // a free master-pointer record, so that only the data count below
    Size before = FreeMem();
    Handle h = Keep(200000, false);
    EXPECT_EQ(before - FreeMem(), 200000) << "FreeMem is what is left of the limit";
    EXPECT_EQ(GetApplLimit(), reinterpret_cast<Ptr>(GetZone()) + kBig);
    EXPECT_EQ(ZEL_SetMemoryLimits(0, kBig, kThreshold, 5), 0);
    EXPECT_GT(FreeMem(), 0) << "without limits FreeMem asks Windows again";
    (void)h;
}

TEST_F(MemoryLimit, RequestsWithinTheRoomOrBelowTheThresholdPass)
{
    LeaveRoom(300000);
    Handle fits = NewHandle(250000);
    EXPECT_NE(fits, nullptr);
    handles_.push_back(fits);
    Handle small = NewHandle(kThreshold - 1);
    EXPECT_NE(small, nullptr) << "requests below the threshold are not held against the limit";
    handles_.push_back(small);
}

TEST_F(MemoryLimit, RefusalGivesMemFullAndTellsTheGrowZoneTheShortfall)
{
    Keep(600000, false);
    LeaveRoom(400000);
    EXPECT_EQ(NewHandle(700000), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(NewPtr(700000), nullptr);
    EXPECT_EQ(MemError(), memFullErr);

    script_.answer = 0;
    SetGrowZone(ScriptedGrowZone);
    Size room = FreeMem();
    EXPECT_EQ(NewHandle(700000), nullptr);
    ASSERT_EQ(script_.asked.size(), 1u);
    EXPECT_EQ(script_.asked[0], 700000 - room);
}

TEST_F(MemoryLimit, PurgeableHandlesMakeRoom)
{
    Handle purgeable = Keep(600000, true);
    LeaveRoom(400000);
    Handle h = NewHandle(700000);
    ASSERT_NE(h, nullptr);
    handles_.push_back(h);
    EXPECT_EQ(*purgeable, nullptr) << "emptied to make room";
}

TEST_F(MemoryLimit, GrowZoneThatFreesEnoughLetsTheRequestPass)
{
    Handle victim = NewHandle(600000);
    LeaveRoom(400000);
    script_.release = victim;
    script_.answer = 600000;
    SetGrowZone(ScriptedGrowZone);
    Handle h = NewHandle(700000);
    ASSERT_NE(h, nullptr);
    handles_.push_back(h);
    EXPECT_EQ(script_.asked.size(), 1u);
    EXPECT_EQ(script_.release, nullptr) << "the procedure ran";
}

// More than the whole limit cannot be had: purging frees library memory that counts against the same
// limit.
TEST_F(MemoryLimit, RequestBeyondTheWholeLimitFails)
{
    Handle purgeable = Keep(600000, true);
    LeaveRoom(1 << 20);
    EXPECT_EQ(NewHandle(2 << 20), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(*purgeable, nullptr) << "the purge was tried";
}

// With the unit limit reached, the room left under the byte limit no longer counts: the request must be
// purged for in full.
TEST_F(MemoryLimit, UnitLimitMakesEveryRequestPurgeForItsWholeSize)
{
    LeaveRoom(kBig, 1);
    EXPECT_EQ(NewHandle(100000), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    Handle purgeable = Keep(150000, true);
    LeaveRoom(kBig, 1);
    Handle h = NewHandle(100000);
    EXPECT_NE(h, nullptr);
    handles_.push_back(h);
    EXPECT_EQ(*purgeable, nullptr);
}

// A purgeable handle that grows past the limit is not purged by its own resize: the refusal leaves its
// data and size as they were.
TEST_F(MemoryLimit, ResizedHandleIsNotPurgedFromUnderItself)
{
    Handle h = Keep(100000, true);
    testing_support::FillPattern(*h, 100000, 4);
    Ptr data = *h;
    LeaveRoom(50000);
    EXPECT_FALSE(SetHandleSize(h, 300000));
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(GetHandleSize(h), 100000);
    EXPECT_EQ(*h, data);
    EXPECT_TRUE(testing_support::HasPattern(*h, 100000, 4));
    EXPECT_TRUE(HGetState(h) & handlePurgeableBit) << "the handle stays purgeable";
}

// Handle data and large pointers stay counted at their size through every resize, including a move, a
// shrink to nothing and regrowth, and leave the count entirely when emptied, purged or disposed: both
// the limit's count (FreeMem) and the library's bytes (ZEL_ComputeMemorySize) follow them.
TEST_F(MemoryLimit, HandleAndPointerBytesAreCountedThroughTheirLife)
{
    Handle spare[2] = {NewHandle(1), NewHandle(1)};
    DisposeHandle(spare[0]); // free master-pointer records, so that only the data count below
    DisposeHandle(spare[1]);
    auto libraryBytes = [] {
        uint32_t bytes = 0;
        ZEL_ComputeMemorySize(nullptr, nullptr, nullptr, nullptr, &bytes);
        return bytes;
    };
    const uint32_t startLocal = LocalBytes();
    const uint32_t startLibrary = libraryBytes();
    Handle h = nullptr;
    Ptr p = nullptr;
    struct Step {
        const char *what;
        std::function<bool()> run;
        uint32_t bytes; // held after the step
    } steps[] = {
        {"NewHandle", [&] { return (h = NewHandle(200000)) != nullptr; }, 200000},
        {"grown (it may move)", [&] { return SetHandleSize(h, 300000); }, 300000},
        {"shrunk", [&] { return SetHandleSize(h, 150000); }, 150000},
        {"shrunk to nothing", [&] { return SetHandleSize(h, 0); }, 0},
        {"grown again", [&] { return SetHandleSize(h, 5000); }, 5000},
        {"purged", [&] { HPurge(h); return CompactMem(5000) == 5000 && *h == nullptr; }, 0},
        {"reallocated", [&] { return ReallocateHandle(h, 70000); }, 70000},
        {"emptied", [&] { EmptyHandle(h); return true; }, 0},
        {"reallocated again", [&] { return ReallocateHandle(h, 1000); }, 1000},
        {"large pointer (and its 8-byte mark)", [&] { return (p = NewPtr(100000)) != nullptr; }, 101008},
        {"pointer shrunk in place", [&] { return SetPtrSize(p, 1000) && GetPtrSize(p) == 1000; }, 2008},
        {"pointer disposed", [&] { DisposePtr(p); return true; }, 1000},
        {"handle disposed", [&] { DisposeHandle(h); return true; }, 0},
    };
    for (const Step &s : steps) {
        ASSERT_TRUE(s.run()) << s.what;
        EXPECT_EQ(MemError(), noErr) << s.what;
        EXPECT_EQ(LocalBytes() - startLocal, s.bytes) << s.what;
        EXPECT_EQ(libraryBytes() - startLibrary, s.bytes) << s.what;
    }
}

// ---- staged recovery ----

// A local-heap allocation that fails is retried after purging purgeable handles, after compaction, and
// after asking the grow-zone procedure; then it fails with memFullErr.
TEST_F(MemoryLimit, StagedRecoveryBeforeMemFull)
{
    struct Case {
        long answer;
        const char *what;
    } cases[] = {
        {0, "the procedure frees nothing"},
        {0x7FFFFFFF, "the procedure claims to have freed enough"},
    };
    for (const Case &c : cases) {
        Handle purgeable = NewHandle(1000);
        HPurge(purgeable);
        script_.asked.clear();
        script_.answer = c.answer;
        SetGrowZone(ScriptedGrowZone);
        EXPECT_EQ(NewHandle(kHuge), nullptr) << c.what;
        EXPECT_EQ(MemError(), memFullErr) << c.what;
        EXPECT_EQ(*purgeable, nullptr) << c.what << ": purged in the first stage";
        ASSERT_EQ(script_.asked.size(), 1u) << c.what;
        EXPECT_EQ(script_.asked[0], kHuge) << c.what;
        DisposeHandle(purgeable);
    }
    SetGrowZone(nullptr);
    script_.asked.clear();
    EXPECT_EQ(NewHandle(kHuge), nullptr);
    EXPECT_TRUE(script_.asked.empty()) << "a removed procedure is not called";
}

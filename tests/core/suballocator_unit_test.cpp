// The sub-allocator against stand-ins for the library services it uses: any raw threshold setting can
// be given, and the chunks it takes from the local heap are counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "core.h"

namespace {

uint32_t sThresholdSetting = 4096;
uint32_t sFlags;
int sDamageReports;
int sLiveChunks;  // chunks in the local-heap totals
int sHeldChunks;  // chunk blocks taken from the local heap and not freed, counted or not
int sChunkAllocations;
uint32_t sLargestChunk;

// Restores the stand-ins' state for every case.
class SubAllocator : public testing::Test {
protected:
    void SetUp() override
    {
        sThresholdSetting = 4096;
        sFlags = zelFlagHeapCheck;
        sDamageReports = 0;
        sLargestChunk = 0;
        sChunkAllocations = 0;
    }
    void TearDown() override
    {
        EXPECT_EQ(sLiveChunks, 0) << "every chunk was given back";
        EXPECT_EQ(sDamageReports, 0);
        FreeAllSubAllocatorChunks();
        EXPECT_EQ(sLiveChunks, 0);
        EXPECT_EQ(sHeldChunks, 0) << "the kept chunk goes back with the rest";
        sLiveChunks = sHeldChunks = 0;
    }
};

uint32_t BodySizeOf(const void *p)
{
    uint32_t tag;
    std::memcpy(&tag, static_cast<const char *>(p) - 6, 4);
    return tag & 0xFFFF;
}

} // namespace

// ---- stand-ins for the services of the runtime core ----

uint32_t SubAllocationThresholdSetting() { return sThresholdSetting; }
bool SessionFlag(uint32_t bit) { return (sFlags & bit) != 0; }
void ReportHeapDamage(LPARAM) { ++sDamageReports; }

HLOCAL AllocLocalBlock(UINT flags, uint32_t size)
{
    HLOCAL h = LocalAlloc(flags, size);
    if (h) {
        ++sLiveChunks;
        ++sHeldChunks;
        ++sChunkAllocations;
        sLargestChunk = std::max(sLargestChunk, size);
    }
    return h;
}

HLOCAL FreeLocalBlockOfSize(HLOCAL block, uint32_t)
{
    if (block) {
        --sLiveChunks;
        --sHeldChunks;
        LocalFree(block);
    }
    return nullptr;
}

HLOCAL FreeLocalBlock(HLOCAL block) { return FreeLocalBlockOfSize(block, 0); }
bool LocalBlockAllowed(uint32_t) { return true; }
void CountLocalBlock(uint32_t, bool in) { sLiveChunks += in ? 1 : -1; }

void *LockLocalBlock(HLOCAL block) { return LocalLock(block); }
void UnlockLocalBlock(HLOCAL block) { LocalUnlock(block); }

// ---- cases ----

// Without a bound, a threshold above 65280 lets a request outgrow its chunk (whose payload is capped at
// 65280 bytes) and a body of 65536 bytes or more spill into the magic half of its tags.
TEST_F(SubAllocator, ThresholdSettingIsBounded)
{
    struct Case {
        uint32_t setting, threshold;
        const char *what;
    } cases[] = {
        {0, 0, "no sub-allocation"},
        {1, 1, "tiny"},
        {4096, 4096, "the default"},
        {kMaxSubAllocationThreshold, kMaxSubAllocationThreshold, "the bound itself"},
        {kMaxSubAllocationThreshold + 1, kMaxSubAllocationThreshold, "just above the bound"},
        {100000, kMaxSubAllocationThreshold, "larger than a chunk"},
        {0xFFFFFFFF, kMaxSubAllocationThreshold, "the largest setting"},
    };
    for (const Case &c : cases) {
        sThresholdSetting = c.setting;
        EXPECT_EQ(SubAllocationThreshold(), c.threshold) << c.what;
    }
}

// Whatever the setting, every request below the threshold gets a block that holds its bytes inside its
// chunk: filling two neighbouring blocks to the last byte leaves every tag intact.
TEST_F(SubAllocator, EveryRequestBelowTheThresholdFitsItsChunk)
{
    const uint32_t settings[] = {1, 2, 7, 11, 12, 13, 4096, 32640, 32641, 65000,
                                 kMaxSubAllocationThreshold, 70000, 0xFFFFFFFF};
    for (uint32_t setting : settings) {
        sThresholdSetting = setting;
        uint32_t threshold = SubAllocationThreshold();
        std::set<uint32_t> requests = {0, threshold / 2, threshold - 1};
        for (uint32_t n : requests) {
            void *a = SubAllocate(n);
            void *b = SubAllocate(n);
            ASSERT_NE(a, nullptr) << "setting " << setting << ", request " << n;
            ASSERT_NE(b, nullptr) << "setting " << setting << ", request " << n;
            EXPECT_GE(BodySizeOf(a), n + 2) << "the body holds the size word and the bytes";
            std::memset(a, 0xA5, n);
            std::memset(b, 0x5A, n);
            EXPECT_TRUE(SubAllocatorChunksSound(true)) << "setting " << setting << ", request " << n;
            EXPECT_EQ(SubBlockRequestedSize(a), n);
            EXPECT_EQ(SubBlockRequestedSize(b), n);
            EXPECT_TRUE(SubFree(a));
            EXPECT_TRUE(SubFree(b));
            EXPECT_EQ(sLiveChunks, 0) << "setting " << setting << ", request " << n;
        }
    }
    EXPECT_LE(sLargestChunk, 32u + 65280u) << "no chunk beyond the cap";
}

TEST_F(SubAllocator, ChunkIsTwiceTheThreshold)
{
    sThresholdSetting = 1000;
    void *p = SubAllocate(1);
    EXPECT_EQ(sLargestChunk, 32u + 2000u);
    SubFree(p);
}

// A chunk that empties leaves the totals at once but is kept for the next chunk of its size, so that
// one block made and freed again and again does not make and free a chunk each time. Its blocks are
// no longer any chunk's: a free through a stale pointer is refused while it is kept.
TEST_F(SubAllocator, AnEmptiedChunkIsKeptForTheNextOfItsSize)
{
    sFlags = 0;
    void *p = SubAllocate(32);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(SubFree(p));
    EXPECT_EQ(sLiveChunks, 0) << "out of the totals";
    EXPECT_EQ(sHeldChunks, 1) << "kept";
    EXPECT_FALSE(SubFree(p)) << "a block of the kept chunk is no block";

    for (int i = 0; i < 100; ++i) {
        void *q = SubAllocate(32);
        ASSERT_NE(q, nullptr);
        std::memset(q, 0xA5, 32);
        EXPECT_EQ(SubBlockRequestedSize(q), 32u);
        EXPECT_TRUE(SubFree(q));
    }
    EXPECT_EQ(sChunkAllocations, 1) << "the kept chunk served every time";

    void *a = SubAllocate(32);
    void *b = SubAllocate(64);
    EXPECT_EQ(sLiveChunks, 1) << "back in the totals while used";
    EXPECT_TRUE(SubAllocatorChunksSound(true));
    EXPECT_TRUE(SubFree(a));
    EXPECT_TRUE(SubFree(b));

    sThresholdSetting = 1000;
    void *small = SubAllocate(8);
    EXPECT_EQ(sChunkAllocations, 2) << "a chunk of another size is made afresh";
    EXPECT_EQ(sHeldChunks, 1) << "and the kept one of the old size given back";
    EXPECT_EQ(sLargestChunk, 32u + 8192u);
    EXPECT_TRUE(SubFree(small));
}

// A pointer may grow in place past the threshold but never past what a tag can describe.
TEST_F(SubAllocator, InPlaceGrowthStaysWithinTheTags)
{
    sThresholdSetting = kMaxSubAllocationThreshold;
    void *p = SubAllocate(10);
    EXPECT_EQ(SubResize(p, 70000, false), nullptr);
    EXPECT_EQ(SubBlockRequestedSize(p), 10u);
    EXPECT_NE(SubResize(p, 60000, false), nullptr) << "the rest of the chunk is free";
    EXPECT_EQ(SubBlockRequestedSize(p), 60000u);
    EXPECT_TRUE(SubAllocatorChunksSound(true));
    EXPECT_TRUE(SubFree(p));
}

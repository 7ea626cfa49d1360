// The sub-allocator of small blocks, through handles and pointers with session flag 0x8 switched on for
// each case, and its heap check (session flag 0x4) reporting damage to the host's main window.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "test_support.h"

namespace {

constexpr Size kThreshold = 4096; // the library's default sub-allocation threshold
constexpr uint32_t kUsedHeader = 0x2BF30000;
constexpr uint32_t kUsedTrailer = 0x3B5C0000;
constexpr uint32_t kFreeHeader = 0xABF30000;

// Sets session flag bits for one case and restores them afterwards.
class FlagScope {
public:
    FlagScope(uint32_t mask, uint32_t bits) : mask_(mask), old_(ZEL_SetFlags(mask, bits, 0, 0)) {}
    ~FlagScope() { ZEL_SetFlags(mask_, old_, 0, 0); }

private:
    uint32_t mask_, old_;
};

class SubAllocation : public testing::Test {
protected:
    void SetUp() override { testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE); }
    void TearDown() override
    {
        EXPECT_TRUE(testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE).empty()) << "unexpected damage report";
    }
    FlagScope flags_{zelFlagSubAllocate | zelFlagHeapCheck, zelFlagSubAllocate};
};

uint32_t Word(const void *p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void SetWord(void *p, uint32_t v) { std::memcpy(p, &v, 4); }

// The header tag of the block behind a small pointer, and its trailer.
char *HeaderOf(void *p) { return static_cast<char *>(p) - 6; }
char *TrailerOf(void *p) { return HeaderOf(p) + 4 + (Word(HeaderOf(p)) & 0xFFFF); }

bool IsSubAllocated(Handle h) { return (reinterpret_cast<const MasterPointerRecord *>(h)->flags & mpSubAllocated) != 0; }


// Local bytes of the library, read through FreeMem under a limit too large to refuse anything.
class LocalBytesProbe {
public:
    LocalBytesProbe() { ZEL_SetMemoryLimits(1, kLimit, 0xFFFFFFFF, 0); }
    ~LocalBytesProbe() { ZEL_SetMemoryLimits(0, 0, 0, 0); }
    uint32_t Bytes() const { return kLimit - static_cast<uint32_t>(FreeMem()); }

private:
    static constexpr uint32_t kLimit = 0x7FFFFFFF;
};

} // namespace

TEST_F(SubAllocation, PointerKindFollowsTheThreshold)
{
    struct Case {
        Size size;
        bool small;
        uint32_t body; // block body size of a small pointer
        const char *what;
    } cases[] = {
        {0, true, 8, "an empty pointer still takes the smallest block"},
        {1, true, 8, "one byte: the smallest block"},
        {3, true, 8, "the size word and three bytes fit 8"},
        {4, true, 8, "(4 + 5) rounded down to 4s"},
        {7, true, 12, "the next block size"},
        {100, true, 104, "a middle size"},
        {kThreshold - 1, true, 4100, "just below the threshold"},
        {kThreshold, false, 0, "at the threshold: the local heap"},
        {50000, false, 0, "far above"},
    };
    for (const Case &c : cases) {
        Ptr p = NewPtr(c.size);
        ASSERT_NE(p, nullptr) << c.what;
        EXPECT_EQ(MemError(), noErr) << c.what;
        EXPECT_EQ(GetPtrSize(p), c.size) << c.what;
        EXPECT_TRUE(testing_support::AllZero(p, c.size)) << c.what;
        if (c.small) {
            EXPECT_EQ(Word(HeaderOf(p)), kUsedHeader | c.body) << c.what;
            EXPECT_EQ(Word(TrailerOf(p)), kUsedTrailer | c.body) << c.what;
        } else {
            EXPECT_EQ(Word(p - 4), 0xFFFFFFFFu) << c.what;
            EXPECT_EQ(Word(p - 8), 0xFFFFFFFFu) << c.what;
        }
        testing_support::FillPattern(p, c.size, 3);
        DisposePtr(p);
        EXPECT_EQ(MemError(), noErr) << c.what;
    }
}

// A handle resized back and forth across the threshold keeps its bytes, reads zero where it grew, and
// lives in the sub-allocator exactly while it is below the threshold.
TEST_F(SubAllocation, HandlesCrossTheThresholdWithTheirBytes)
{
    const Size steps[] = {100, 5000, 300, 2000, 50, kThreshold - 1, kThreshold, 10, 0, 64, 70000, 1};
    Handle h = NewHandle(40);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(IsSubAllocated(h));
    testing_support::FillPattern(*h, 40, 0);
    Size size = 40;
    uint8_t seed = 0;
    for (Size next : steps) {
        ASSERT_TRUE(SetHandleSize(h, next)) << size << " -> " << next;
        EXPECT_EQ(MemError(), noErr);
        EXPECT_EQ(GetHandleSize(h), next);
        Size kept = std::min(size, next);
        EXPECT_EQ(testing_support::PatternBreak(*h, kept, seed), kept) << size << " -> " << next << ": bytes lost";
        if (next > size) {
            EXPECT_TRUE(testing_support::AllZero(*h + size, next - size)) << size << " -> " << next << ": grown bytes";
        }
        EXPECT_EQ(IsSubAllocated(h), next < kThreshold) << size << " -> " << next;
        if (next) {
            EXPECT_EQ(RecoverHandle(*h), h) << "the data still lead back to the handle";
        }
        seed = static_cast<uint8_t>(seed + 11);
        testing_support::FillPattern(*h, next, seed);
        size = next;
    }
    DisposeHandle(h);
}

TEST_F(SubAllocation, NewHandleBelowTheThresholdIsSubAllocated)
{
    Handle h = NewHandle(200);
    ASSERT_NE(h, nullptr);
    const auto *r = reinterpret_cast<const MasterPointerRecord *>(h);
    EXPECT_EQ(r->local, 0xFFFFu);
    EXPECT_TRUE(IsSubAllocated(h));
    EXPECT_EQ(Word(HeaderOf(*h)) & 0xFFFF0000, kUsedHeader);
    EXPECT_TRUE(testing_support::AllZero(*h, 200));
    EmptyHandle(h);
    EXPECT_EQ(*h, nullptr);
    EXPECT_FALSE(IsSubAllocated(h));
    ASSERT_TRUE(SetHandleSize(h, 30)) << "an emptied handle gets sub-allocated data again";
    EXPECT_TRUE(IsSubAllocated(h));
    EXPECT_TRUE(testing_support::AllZero(*h, 30));
    DisposeHandle(h);
}

// Pointers never move: growing needs the free block behind them; shrinking always works.
TEST_F(SubAllocation, PointersResizeOnlyInPlace)
{
    Ptr p = NewPtr(20);
    Ptr q = NewPtr(20);
    ASSERT_EQ(q, p + 24 + 8) << "fresh blocks follow each other (bodies of 24, tags of 8)";
    testing_support::FillPattern(p, 20, 5);
    EXPECT_FALSE(SetPtrSize(p, 40)) << "the next block is in use";
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(GetPtrSize(p), 20);
    EXPECT_EQ(testing_support::PatternBreak(p, 20, 5), 20);

    EXPECT_TRUE(SetPtrSize(p, 6));
    EXPECT_EQ(GetPtrSize(p), 6);
    EXPECT_TRUE(SetPtrSize(p, 9)) << "regrowing within the block";
    EXPECT_EQ(testing_support::PatternBreak(p, 6, 5), 6);
    EXPECT_TRUE(testing_support::AllZero(p + 6, 3)) << "bytes that come back read zero";

    DisposePtr(q);
    EXPECT_TRUE(SetPtrSize(p, 200)) << "the freed neighbour makes room";
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetPtrSize(p), 200);
    EXPECT_EQ(testing_support::PatternBreak(p, 6, 5), 6);
    EXPECT_TRUE(testing_support::AllZero(p + 6, 194));
    EXPECT_EQ(ZEL_MemCheck(), 1);
    DisposePtr(p);
}

// A small handle that cannot grow in place moves within the sub-allocator.
TEST_F(SubAllocation, HandlesMoveWhenTheyCannotGrowInPlace)
{
    Handle a = NewHandle(20);
    Handle b = NewHandle(20);
    testing_support::FillPattern(*a, 20, 9);
    Ptr before = *a;
    ASSERT_TRUE(SetHandleSize(a, 1000));
    EXPECT_NE(*a, before);
    EXPECT_TRUE(IsSubAllocated(a));
    EXPECT_EQ(testing_support::PatternBreak(*a, 20, 9), 20);
    EXPECT_TRUE(testing_support::AllZero(*a + 20, 980));
    EXPECT_EQ(RecoverHandle(*a), a);
    DisposeHandle(a);
    DisposeHandle(b);
}

TEST_F(SubAllocation, TotalsFollowPointers)
{
    uint32_t before = 0, now = 0;
    ZEL_ComputeMemorySize(nullptr, nullptr, nullptr, nullptr, &before);
    Ptr small = NewPtr(10);
    Ptr large = NewPtr(5000);
    ZEL_ComputeMemorySize(nullptr, nullptr, nullptr, nullptr, &now);
    EXPECT_EQ(now - before, 10u + 5000u + 8u) << "a large pointer counts its 8-byte header";
    EXPECT_TRUE(SetPtrSize(small, 2));
    ZEL_ComputeMemorySize(nullptr, nullptr, nullptr, nullptr, &now);
    EXPECT_EQ(now - before, 2u + 5008u);
    DisposePtr(small);
    DisposePtr(large);
    ZEL_ComputeMemorySize(nullptr, nullptr, nullptr, nullptr, &now);
    EXPECT_EQ(now, before);
}

// The first small block takes a chunk of twice the threshold from the local heap; freeing its last
// block gives the chunk back.
TEST_F(SubAllocation, AnEmptiedChunkIsFreed)
{
    LocalBytesProbe probe;
    uint32_t before = probe.Bytes();
    std::vector<Ptr> blocks;
    for (int i = 0; i < 10; ++i)
        blocks.push_back(NewPtr(100));
    EXPECT_EQ(probe.Bytes() - before, 32u + 2 * kThreshold) << "one chunk holds them all";
    for (Ptr p : blocks)
        DisposePtr(p);
    EXPECT_EQ(probe.Bytes(), before);
}

TEST_F(SubAllocation, DamagedTagIsReportedNotFollowed)
{
    FlagScope check(zelFlagHeapCheck, zelFlagHeapCheck);
    Ptr keep = NewPtr(16);
    Ptr p = NewPtr(16);
    ASSERT_EQ(ZEL_MemCheck(), 1);
    EXPECT_TRUE(testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE).empty());

    struct Case {
        char *tag;
        uint32_t value;
        const char *what;
    } cases[] = {
        {HeaderOf(p), 0x12345678, "header overwritten"},
        {HeaderOf(p), kUsedHeader | 0x40, "header with a size that disagrees with the trailer"},
        {TrailerOf(p), 0, "trailer overwritten"},
    };
    for (const Case &c : cases) {
        uint32_t saved = Word(c.tag);
        SetWord(c.tag, c.value);
        EXPECT_EQ(ZEL_MemCheck(), 0) << c.what;
        EXPECT_EQ(testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE).size(), 1u) << c.what;
        DisposePtr(p);
        auto reports = testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE);
        EXPECT_FALSE(reports.empty()) << c.what;
        for (const auto &m : reports)
            EXPECT_EQ(m.lParam, 0) << c.what;
        SetWord(c.tag, saved);
        EXPECT_EQ(ZEL_MemCheck(), 1) << c.what << ": the refused free changed nothing";
        EXPECT_EQ(GetPtrSize(p), 16) << c.what;
    }
    DisposePtr(p);
    DisposePtr(keep);
    EXPECT_TRUE(testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE).empty());
}

TEST_F(SubAllocation, DamagedFreeBlockSendsAllocationElsewhere)
{
    FlagScope check(zelFlagHeapCheck, zelFlagHeapCheck);
    Ptr keep = NewPtr(16);
    Ptr gap = NewPtr(16);
    Ptr fence = NewPtr(16);
    DisposePtr(gap); // a free block (body 20) between two used ones
    char *freeHeader = HeaderOf(gap);
    ASSERT_EQ(Word(freeHeader), kFreeHeader | 20);
    SetWord(freeHeader, 0xDEADBEEC);
    Ptr elsewhere = NewPtr(16);
    ASSERT_NE(elsewhere, nullptr) << "a damaged chunk is skipped, a fresh one serves";
    EXPECT_NE(elsewhere, gap);
    EXPECT_FALSE(testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE).empty());
    SetWord(freeHeader, kFreeHeader | 20);
    EXPECT_EQ(ZEL_MemCheck(), 1);
    DisposePtr(elsewhere);
    DisposePtr(fence);
    DisposePtr(keep);
}

// Freeing a block between two free neighbours merges all three; the old block's tags end up inside
// the merged block and are wiped, so a second free of the same pointer fails the tag check.
TEST_F(SubAllocation, SecondFreeOfAMergedBlockIsCaught)
{
    FlagScope check(zelFlagHeapCheck, zelFlagHeapCheck);
    Ptr keep = NewPtr(10);
    Ptr p1 = NewPtr(10);
    Ptr p2 = NewPtr(10);
    Ptr p3 = NewPtr(10);
    Ptr fence = NewPtr(10);
    ASSERT_EQ(p2, p1 + 20);
    ASSERT_EQ(p3, p2 + 20);
    DisposePtr(p1);
    DisposePtr(p3);
    DisposePtr(p2);
    ASSERT_EQ(ZEL_MemCheck(), 1);
    EXPECT_TRUE(testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE).empty());

    DisposePtr(p2);
    EXPECT_FALSE(testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE).empty()) << "the second free is reported";
    EXPECT_EQ(ZEL_MemCheck(), 1) << "and changed nothing";

    // The merged space serves again, whole.
    Ptr again = NewPtr(50);
    EXPECT_EQ(again, p1);
    EXPECT_EQ(ZEL_MemCheck(), 1);
    DisposePtr(again);
    DisposePtr(fence);
    DisposePtr(keep);
}

TEST_F(SubAllocation, DamageIsSilentWithoutHeapChecking)
{
    Ptr keep = NewPtr(16);
    Ptr p = NewPtr(16);
    uint32_t saved = Word(HeaderOf(p));
    SetWord(HeaderOf(p), 0);
    DisposePtr(p);
    EXPECT_EQ(ZEL_MemCheck(), 1) << "without flag 0x4 there is no check";
    SetWord(HeaderOf(p), saved);
    EXPECT_EQ(GetPtrSize(p), 16) << "the damaged block was still not freed";
    DisposePtr(p);
    DisposePtr(keep);
}

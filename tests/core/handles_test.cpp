// Handles and master pointers, through the exported Memory Manager calls.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "MacMemory.h"
#include "Resources.h"
#include "test_support.h"

namespace {

const MasterPointerRecord *Record(Handle h) { return reinterpret_cast<const MasterPointerRecord *>(h); }

void Fill(Handle h, uint8_t seed)
{
    Size n = GetHandleSize(h);
    for (Size i = 0; i < n; ++i)
        (*h)[i] = static_cast<char>(seed + i);
}

bool HasPattern(Handle h, uint8_t seed, Size n)
{
    for (Size i = 0; i < n; ++i)
        if (static_cast<uint8_t>((*h)[i]) != static_cast<uint8_t>(seed + i))
            return false;
    return true;
}


} // namespace

TEST(Handles, NewHandleGivesZeroedMappedData)
{
    Handle h = NewHandle(100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetHandleSize(h), 100);
    ASSERT_NE(*h, nullptr);
    EXPECT_TRUE(testing_support::AllZero(*h, 100));
    EXPECT_EQ(Record(h)->flags & mpMapCountMask, 2) << "allocated and mapped once";
    DisposeHandle(h);
    EXPECT_EQ(MemError(), noErr);
}

TEST(Handles, ClearAndSystemVariantsAllocateZeroedData)
{
    for (auto make : {NewHandleClear, NewHandleSys, NewHandleSysClear}) {
        Handle h = make(33);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(GetHandleSize(h), 33);
        EXPECT_TRUE(testing_support::AllZero(*h, 33));
        DisposeHandle(h);
    }
}

TEST(Handles, ZeroSizeHandleHasNoDataUntilResized)
{
    Handle h = NewHandle(0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Record(h)->data, 0xFFFFu);
    EXPECT_EQ(GetHandleSize(h), 0);
    ASSERT_TRUE(SetHandleSize(h, 10));
    EXPECT_EQ(GetHandleSize(h), 10);
    EXPECT_TRUE(testing_support::AllZero(*h, 10));
    DisposeHandle(h);
}

TEST(Handles, EmptyHandleKeepsTheRecordInUse)
{
    Handle h = NewHandle(64);
    HPurge(h);
    EmptyHandle(h);
    EXPECT_EQ(*h, nullptr);
    EXPECT_EQ(GetHandleSize(h), 0);
    EXPECT_NE(Record(h)->flags, 0) << "the record stays allocated";
    EXPECT_TRUE(HGetState(h) & handlePurgeableBit) << "the purgeable bit survives";
    ASSERT_TRUE(SetHandleSize(h, 20));
    EXPECT_NE(*h, nullptr);
    EXPECT_TRUE(testing_support::AllZero(*h, 20));
    DisposeHandle(h);

    Handle e = NewEmptyHandle();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(*e, nullptr);
    EXPECT_EQ(GetHandleSize(e), 0);
    DisposeHandle(e);
}

TEST(Handles, ErrorsLeaveDataAndSizeAlone)
{
    EXPECT_EQ(NewHandle(-1), nullptr);
    EXPECT_EQ(MemError(), memFullErr);

    EXPECT_EQ(GetHandleSize(nullptr), 0);
    EXPECT_EQ(MemError(), nilHandleErr);
    EXPECT_FALSE(SetHandleSize(nullptr, 10));
    EXPECT_EQ(MemError(), nilHandleErr);

    Handle h = NewHandle(16);
    Fill(h, 7);
    Ptr before = *h;
    struct Case {
        Size size;
        OSErr err;
        const char *what;
    } cases[] = {
        {-5, memFullErr, "negative size"},
        {0x7FFFFFF0, memFullErr, "more than the heap can give"},
    };
    for (const Case &c : cases) {
        EXPECT_FALSE(SetHandleSize(h, c.size)) << c.what;
        EXPECT_EQ(MemError(), c.err) << c.what;
        EXPECT_EQ(GetHandleSize(h), 16) << c.what;
        EXPECT_EQ(*h, before) << c.what;
        EXPECT_TRUE(HasPattern(h, 7, 16)) << c.what;
    }
    EXPECT_EQ(NewHandle(0x7FFFFFF0), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    DisposeHandle(h);
}

TEST(Handles, ResizingKeepsTheBytes)
{
    Handle h = NewHandle(10);
    Fill(h, 1);
    ASSERT_TRUE(SetHandleSize(h, 200000));
    EXPECT_EQ(GetHandleSize(h), 200000);
    EXPECT_TRUE(HasPattern(h, 1, 10));
    EXPECT_TRUE(testing_support::AllZero(*h + 10, 200000 - 10)) << "grown bytes are zero";
    ASSERT_TRUE(SetHandleSize(h, 5));
    EXPECT_EQ(GetHandleSize(h), 5);
    EXPECT_TRUE(HasPattern(h, 1, 5));
    ASSERT_TRUE(ReallocateHandle(h, 9));
    EXPECT_EQ(GetHandleSize(h), 9);
    EXPECT_TRUE(HasPattern(h, 1, 5));
    ASSERT_TRUE(SetHandleSize(h, 0));
    EXPECT_EQ(GetHandleSize(h), 0);
    ASSERT_TRUE(SetHandleSize(h, 3));
    EXPECT_TRUE(testing_support::AllZero(*h, 3));
    DisposeHandle(h);
}

// Local-heap data given up and taken back: bytes that come back read as zero whether the block grew
// where it stood or moved, and a handle shrunk to nothing keeps its block unmapped until it grows.
TEST(Handles, LocalDataShrunkAndGrownAgain)
{
    Handle h = NewHandle(100);
    Fill(h, 3);
    ASSERT_TRUE(SetHandleSize(h, 40));
    ASSERT_TRUE(SetHandleSize(h, 100));
    EXPECT_TRUE(HasPattern(h, 3, 40));
    EXPECT_TRUE(testing_support::AllZero(*h + 40, 60)) << "bytes given up and taken back read as zero";

    ASSERT_TRUE(SetHandleSize(h, 0));
    EXPECT_EQ(GetHandleSize(h), 0);
    EXPECT_EQ(Record(h)->data, 0xFFFFu) << "shrunk to nothing: unmapped";
    EXPECT_NE(Record(h)->local, 0u) << "the block stays";
    EXPECT_EQ(Record(h)->flags & mpMapCountMask, 1);
    EXPECT_EQ(HGetState(h) & handleLockedBit, 0);

    struct Case {
        Size size;
        const char *what;
    } cases[] = {
        {60, "regrown from nothing"},
        {90, "grown a little"},
        {300000, "grown far past its old place"},
    };
    Size before = 0;
    for (const Case &c : cases) {
        ASSERT_TRUE(SetHandleSize(h, c.size)) << c.what;
        EXPECT_EQ(GetHandleSize(h), c.size) << c.what;
        EXPECT_EQ(Record(h)->flags & mpMapCountMask, 2) << c.what << ": mapped once";
        EXPECT_TRUE(HGetState(h) & handleLockedBit) << c.what;
        EXPECT_TRUE(HasPattern(h, 9, before)) << c.what << ": the bytes written before stay";
        EXPECT_TRUE(testing_support::AllZero(*h + before, c.size - before)) << c.what;
        EXPECT_EQ(RecoverHandle(*h), h) << c.what;
        Fill(h, 9);
        before = c.size;
    }
    DisposeHandle(h);
}

TEST(Handles, StateBits)
{
    EXPECT_EQ(HGetState(nullptr), 0);
    Handle h = NewHandle(8);
    HUnlock(h);
    EXPECT_EQ(static_cast<uint8_t>(HGetState(h)), handleLockedBit) << "handles with data always report locked";
    HPurge(h);
    HSetRBit(h);
    EXPECT_EQ(static_cast<uint8_t>(HGetState(h)), handleLockedBit | handlePurgeableBit | handleResourceBit);
    HNoPurge(h);
    HClrRBit(h);
    EXPECT_EQ(static_cast<uint8_t>(HGetState(h)), handleLockedBit);
    HSetState(h, static_cast<SignedByte>(handlePurgeableBit | handleResourceBit));
    EXPECT_EQ(Record(h)->flags & (mpPurgeable | mpResource), mpPurgeable | mpResource);
    HSetState(h, 0);
    EXPECT_EQ(Record(h)->flags & (mpPurgeable | mpResource), 0);
    // The picture mark is a bit of its own: HGetState does not show it and HSetState keeps it.
    HSetCBit(h);
    EXPECT_EQ(Record(h)->flags & mpCBit, mpCBit);
    EXPECT_EQ(static_cast<uint8_t>(HGetState(h)), handleLockedBit);
    HSetState(h, 0);
    EXPECT_EQ(Record(h)->flags & mpCBit, mpCBit);
    HSetCBit(nullptr);
    DisposeHandle(h);
}

TEST(Handles, ZoneRecord)
{
    THz zone = GetZone();
    ASSERT_NE(zone, nullptr);
    EXPECT_EQ(ApplicationZone(), zone);
    EXPECT_EQ(HandleZone(nullptr), zone);
    EXPECT_EQ(zone->moreMast, 64);
    testing_support::TakeDebugMessages();
    EXPECT_EQ(SystemZone(), nullptr);
    EXPECT_EQ(testing_support::TakeDebugMessages(), (std::vector<std::string>{"SystemZone", "\r\n"}));
}

TEST(MasterPointers, BlocksGrowAndRecordsAreReused)
{
    // 200 live handles need several blocks of 64 records each; records of one block are contiguous.
    std::vector<Handle> handles;
    for (int i = 0; i < 200; ++i)
        handles.push_back(NewHandle(4));
    std::set<uintptr_t> addresses;
    for (Handle h : handles)
        addresses.insert(reinterpret_cast<uintptr_t>(h));
    ASSERT_EQ(addresses.size(), 200u);
    int runs = 0, longest = 0, run = 0;
    uintptr_t previous = 0;
    for (uintptr_t a : addresses) {
        if (previous && a - previous == sizeof(MasterPointerRecord)) {
            ++run;
        } else {
            ++runs;
            run = 1;
        }
        longest = std::max(longest, run);
        previous = a;
    }
    EXPECT_GE(runs, 3) << "200 records need at least four blocks of 64";
    EXPECT_LE(longest, 64);

    // Disposing a record of an earlier block makes that block current: the next handle reuses it.
    Handle early = handles[3];
    DisposeHandle(early);
    Handle again = NewHandle(4);
    EXPECT_EQ(again, early);
    handles[3] = again;

    // MoreMasters opens a fresh block and takes records from it next.
    MoreMasters();
    Handle a = NewHandle(1);
    Handle b = NewHandle(1);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) - reinterpret_cast<uintptr_t>(a), sizeof(MasterPointerRecord));
    EXPECT_EQ(addresses.count(reinterpret_cast<uintptr_t>(a)), 0u);
    DisposeHandle(a);
    DisposeHandle(b);
    for (Handle h : handles)
        DisposeHandle(h);
}

// Within a block a free record is looked for from the block's start index onwards, wrapping round to
// its first record.
TEST(MasterPointers, FreeRecordsAreTakenInCyclicOrder)
{
    MoreMasters(); // a fresh block of 64 records, current
    std::vector<Handle> block;
    for (int i = 0; i < 64; ++i)
        block.push_back(NewHandle(2));
    for (int i = 1; i < 64; ++i)
        ASSERT_EQ(reinterpret_cast<uintptr_t>(block[i]) - reinterpret_cast<uintptr_t>(block[0]),
                  i * sizeof(MasterPointerRecord));
    // Full: the next search starts at record 0.
    DisposeHandle(block[50]);
    DisposeHandle(block[10]);
    block[10] = NewHandle(2);
    EXPECT_EQ(block[10], reinterpret_cast<Handle>(reinterpret_cast<uintptr_t>(block[0]) + 10 * sizeof(MasterPointerRecord)));
    block[50] = NewHandle(2);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block[50]) - reinterpret_cast<uintptr_t>(block[0]), 50 * sizeof(MasterPointerRecord));
    Handle first = block[5];
    Handle later = block[60];
    DisposeHandle(first);
    DisposeHandle(later);
    EXPECT_EQ(NewHandle(2), later) << "from record 51 onwards";
    EXPECT_EQ(NewHandle(2), first) << "wrapping round";
    for (Handle h : block)
        DisposeHandle(h);
}

// Among thousands of live handles in many blocks, a disposed record is found in its own block and taken
// again when its block was full; a stale handle marked after its disposal is not taken, and a record outside every block is
// reported.
TEST(MasterPointers, RecordsAmongManyLiveHandles)
{
    std::vector<Handle> live;
    for (int i = 0; i < 5000; ++i)
        live.push_back(NewHandle(8));
    for (int index : {17, 2500, 3, 1000}) { // in blocks that were full
        Handle old = live[index];
        DisposeHandle(old);
        live[index] = NewHandle(8);
        EXPECT_EQ(live[index], old) << index;
        EXPECT_EQ(GetHandleSize(live[index]), 8) << index;
        EXPECT_EQ(RecoverHandle(*live[index]), live[index]) << index;
    }

    Handle stale = live[1234];
    DisposeHandle(stale);
    HPurge(stale); // a mistake of the caller: the record's flag word is no longer 0, so it is not free
    Handle next = NewHandle(8);
    EXPECT_NE(next, stale);
    live[1234] = next;

    // A record-like block of the caller's own among the heap blocks the master-pointer blocks came from.
    std::vector<MasterPointerRecord> mine(64);
    mine[32].flags = 1;
    uint32_t old = ZEL_SetFlags(zelFlagHeapCheck, zelFlagHeapCheck, 0, 0);
    testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE);
    DisposeHandle(reinterpret_cast<Handle>(&mine[32]));
    ZEL_SetFlags(zelFlagHeapCheck, old, 0, 0);
    auto reports = testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].lParam, reinterpret_cast<LPARAM>(&mine[32]));
    for (Handle h : live)
        DisposeHandle(h);
}

TEST(Handles, RecoverHandleFindsTheOwner)
{
    Handle h = NewHandle(12);
    EXPECT_EQ(RecoverHandle(*h), h);
    char local = 0;
    EXPECT_EQ(RecoverHandle(&local), nullptr);
    DisposeHandle(h);
}

TEST(HandleCopies, HandToHandAndPtrToHand)
{
    Handle h = NewHandle(6);
    std::memcpy(*h, "abcdef", 6);
    Handle copy = h;
    EXPECT_EQ(HandToHand(&copy), noErr);
    ASSERT_NE(copy, h);
    EXPECT_EQ(GetHandleSize(copy), 6);
    EXPECT_EQ(std::memcmp(*copy, "abcdef", 6), 0);
    Handle none = nullptr;
    EXPECT_EQ(HandToHand(&none), nilHandleErr);

    Handle fromPtr = nullptr;
    EXPECT_EQ(PtrToHand("xyz", &fromPtr, 3), noErr);
    ASSERT_NE(fromPtr, nullptr);
    EXPECT_EQ(std::memcmp(*fromPtr, "xyz", 3), 0);

    EXPECT_EQ(PtrToXHand("0123456789", fromPtr, 10), noErr);
    EXPECT_EQ(GetHandleSize(fromPtr), 10);
    EXPECT_EQ(std::memcmp(*fromPtr, "0123456789", 10), 0);
    EXPECT_EQ(PtrToXHand("x", nullptr, 1), nilHandleErr) << "a NULL destination is an error";
    EXPECT_EQ(MemError(), nilHandleErr);

    DisposeHandle(h);
    DisposeHandle(copy);
    DisposeHandle(fromPtr);
}

TEST(HandleCopies, Appending)
{
    Handle a = NewHandle(3);
    std::memcpy(*a, "abc", 3);
    Handle b = NewHandle(2);
    std::memcpy(*b, "XY", 2);
    EXPECT_EQ(HandAndHand(a, b), noErr);
    EXPECT_EQ(GetHandleSize(b), 5);
    EXPECT_EQ(std::memcmp(*b, "XYabc", 5), 0);
    EXPECT_EQ(HandAndHand(nullptr, b), noErr) << "nothing happens when either is NULL";
    EXPECT_EQ(GetHandleSize(b), 5);
    EXPECT_EQ(PtrAndHand("12", b, 2), noErr);
    EXPECT_EQ(std::memcmp(*b, "XYabc12", 7), 0);
    EXPECT_EQ(PtrAndHand("12", nullptr, 2), nilHandleErr);
    DisposeHandle(a);
    DisposeHandle(b);
}

TEST(HandleCopies, TempCallsReportTheirResult)
{
    OSErr err = 1;
    Handle h = TempNewHandle(5, &err);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(err, noErr);
    EXPECT_EQ(TempNewHandle(-1, &err), nullptr);
    EXPECT_EQ(err, memFullErr);
    err = 1;
    EXPECT_EQ(TempDisposeHandle(h, &err), noErr);
    EXPECT_EQ(err, noErr);
}

TEST(Handles, ResourceHandlesGoToTheResourceManager)
{
    Handle h = NewHandle(4);
    HSetRBit(h);
    DisposeHandle(h);
    EXPECT_EQ(ResError(), resNotFound) << "a resource handle that no file holds is not freed";
    EXPECT_NE(Record(h)->flags, 0);
    HClrRBit(h);
    DisposeHandle(h);
    EXPECT_EQ(Record(h)->flags, 0);
}

TEST(Handles, ForeignRecordIsReportedAsHeapDamage)
{
    MasterPointerRecord stray{};
    stray.data = 0xFFFF;
    stray.flags = 1;
    uint32_t old = ZEL_SetFlags(zelFlagHeapCheck, zelFlagHeapCheck, 0, 0);
    testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE);
    DisposeHandle(reinterpret_cast<Handle>(&stray));
    ZEL_SetFlags(zelFlagHeapCheck, old, 0, 0);
    auto reports = testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].lParam, reinterpret_cast<LPARAM>(&stray));
    // Without heap checking the same mistake is silent.
    stray.flags = 1;
    DisposeHandle(reinterpret_cast<Handle>(&stray));
    EXPECT_TRUE(testing_support::TakeHostMessages(ZEL_WM_HEAPDAMAGE).empty());
}

TEST(Handles, NoOpsChangeNothing)
{
    Handle h = NewHandle(4);
    Ptr p = *h;
    HLock(h);
    HLockHi(h);
    MoveHHi(h);
    HUnlock(h);
    SetZone(GetZone());
    InitZone(nullptr, 10, nullptr, nullptr);
    ReserveMem(100);
    SetApplLimit(nullptr);
    MaxApplZone();
    EXPECT_EQ(*h, p);
    EXPECT_EQ(GZSaveHnd(), nullptr);
    EXPECT_EQ(GetZone()->moreMast, 64);
    DisposeHandle(h);
}

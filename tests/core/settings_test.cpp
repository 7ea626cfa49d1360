// Library settings through ZEL_SystemValue: every number's start value, width and access, the storing
// rules, setting 73's cell, setting 74's companions and unknown numbers. Every case puts back what it
// changed, since the whole program shares one session.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "test_support.h"

namespace {

enum Kind {
    none,       // no setting: every call answers 0
    readWrite,  // the low `width` bits of the value are stored
    readOnly,   // operation 1 is ignored
    oneForOn,   // 8-bit: a non-zero value stores 1
    mdiState,   // a non-zero value stores 0x1000000
    cell,       // setting 73: the host gets the address of the cell
};

struct Row {
    int16_t number;
    Kind kind;
    int width;          // 8, 16 or 32
    uint32_t start;     // value at start (16-bit values as read, sign-extended)
};

constexpr uint32_t kUnset = 0xFFFFFFFF; // 16-bit -1 as read

// One row per number 1..76, as the host sees them at start.
const Row kRows[] = {
    {1, readWrite, 16, 0},     {2, readWrite, 16, 0},     {3, readOnly, 32, 0},       {4, readOnly, 32, 0},
    {5, readWrite, 16, 32},    {6, readWrite, 16, 64},    {7, readWrite, 16, 0},      {8, readWrite, 16, kUnset},
    {9, readWrite, 32, 0},     {10, readWrite, 32, 0},    {11, readWrite, 32, 0},     {12, readWrite, 16, 1},
    {13, readWrite, 32, 1},    {14, readWrite, 32, 0},    {15, readWrite, 32, 4096},  {16, readWrite, 32, 1},
    {17, readWrite, 32, 0},    {18, readWrite, 32, 1},    {19, readWrite, 32, 0},     {20, readWrite, 32, 0},
    {21, readOnly, 32, 0},     {22, readOnly, 32, 0},     {23, readWrite, 32, 0},     {24, readWrite, 32, 1},
    {25, none, 0, 0},          {26, readWrite, 32, 1},    {27, readOnly, 32, 0},      {28, readWrite, 32, 0},
    {29, readWrite, 32, 1},    {30, readWrite, 16, 0},    {31, readWrite, 32, 0},     {32, readWrite, 16, 0},
    {33, readWrite, 16, kUnset}, {34, readWrite, 32, 0},  {35, readWrite, 32, 0},     {36, readWrite, 32, 0x3F3F3F3F},
    {37, readWrite, 32, 0},    {38, readWrite, 32, 0},    {39, readWrite, 32, 0},     {40, readWrite, 32, 0},
    {41, readWrite, 16, 0},    {42, none, 0, 0},          {43, none, 0, 0},           {44, readWrite, 32, 0},
    {45, readWrite, 32, 0},    {46, readWrite, 32, 0},    {47, readWrite, 32, 0x220}, {48, readWrite, 32, 0},
    {49, readWrite, 32, 0},    {50, readWrite, 32, 0},    {51, readWrite, 32, 0},     {52, readWrite, 32, 0},
    {53, readWrite, 32, 0},    {54, readWrite, 32, 1},    {55, readWrite, 32, 0},     {56, readWrite, 32, 0},
    {57, readWrite, 32, 0},    {58, readWrite, 32, 0},    {59, readWrite, 32, 0},     {60, readWrite, 32, 0},
    {61, readWrite, 32, 0},    {62, readWrite, 16, 0},    {63, readWrite, 32, 1},     {64, readWrite, 32, 1},
    {65, readWrite, 32, 0},    {66, readWrite, 32, 0},    {67, mdiState, 32, 0},      {68, none, 0, 0},
    {69, readWrite, 32, 0},    {70, readWrite, 32, 0},    {71, readWrite, 32, 0},     {72, readWrite, 16, 15},
    {73, cell, 32, 0},         {74, oneForOn, 8, 0},      {75, oneForOn, 8, 0},       {76, readWrite, 32, 0},
};
static_assert(sizeof kRows / sizeof kRows[0] == 76, "one row per setting number");

uint32_t Read(int16_t n) { return ZEL_SystemValue(0, n, 0); }
uint32_t Write(int16_t n, uint32_t v) { return ZEL_SystemValue(1, n, v); }
uint32_t Flags() { return ZEL_SetFlags(0, 0, 0, 0); }

bool DoubleByteCodePage()
{
    CPINFO cp{};
    return GetCPInfo(CP_ACP, &cp) && cp.MaxCharSize >= 2;
}

// What the host reads at start: the table, with the values only the running system knows.
uint32_t StartValue(const Row &r)
{
    switch (r.number) {
    case 3:
        return static_cast<uint32_t>(GetSystemMetrics(SM_CXVSCROLL));
    case 4:
        return static_cast<uint32_t>(GetSystemMetrics(SM_CYHSCROLL));
    case 76:
        return DoubleByteCodePage() ? 1 : 0;
    default:
        return r.start;
    }
}

// What a setting reads after operation 1 with `v`.
uint32_t Stored(const Row &r, uint32_t v)
{
    switch (r.kind) {
    case oneForOn:
        return v != 0;
    case mdiState:
        return v ? 0x1000000 : 0;
    default:
        return r.width == 16 ? static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(v & 0xFFFF))) : v;
    }
}

// Every readable value, setting 73 by the content of its cell.
std::vector<uint32_t> Snapshot()
{
    std::vector<uint32_t> values;
    for (const Row &r : kRows) {
        uint32_t v = Read(r.number);
        values.push_back(r.kind == cell ? *reinterpret_cast<const uint32_t *>(static_cast<uintptr_t>(v)) : v);
    }
    return values;
}

std::vector<uint32_t> StartSnapshot()
{
    std::vector<uint32_t> values;
    for (const Row &r : kRows)
        values.push_back(StartValue(r));
    return values;
}

// Puts back the companions of setting 74 and the session flags after a case that turned it on.
void RestoreMouseMovedCompanions(uint32_t flags)
{
    Write(74, 0);
    Write(75, 0);
    ZEL_SetFlags(0xFFFFFFFF, flags, 0, 0);
}

} // namespace

TEST(LibrarySettings, EveryNumberStartsAtItsValue)
{
    EXPECT_EQ(Snapshot(), StartSnapshot());
    // Setting 76 is the double-byte switch decided by start-up together with session flag 0x2 (this
    // session's host asked for no flag but 0x200).
    EXPECT_EQ(Read(76) != 0, (Flags() & zelFlagDoubleByte) != 0);
}

// Each number is written with values that show its width and storing rule (a value whose low byte is
// 0, a value whose low 16 bits are negative), read back by any operation other than 1, and put back;
// no other number may change meanwhile.
TEST(LibrarySettings, EveryNumberReadsWritesOrRefusesAndReadsBack)
{
    const std::vector<uint32_t> start = StartSnapshot();
    const uint32_t flags = Flags();
    for (const Row &r : kRows) {
        SCOPED_TRACE(testing::Message() << "setting " << r.number);
        const uint32_t before = StartValue(r);
        if (r.kind == cell)
            continue; // its own case below
        if (r.kind == none) {
            for (int16_t op : {0, 1, 2, -1})
                EXPECT_EQ(ZEL_SystemValue(op, r.number, 5), 0u);
            EXPECT_EQ(Snapshot(), start);
            continue;
        }
        // Operations other than 1 only read.
        for (int16_t op : {0, 2, -1, 0x101})
            EXPECT_EQ(ZEL_SystemValue(op, r.number, 0x12345678), before) << "operation " << op;
        if (r.kind == readOnly) {
            EXPECT_EQ(Write(r.number, 0x8001FF00), before);
            EXPECT_EQ(Read(r.number), before) << "read-only settings ignore operation 1";
            EXPECT_EQ(Snapshot(), start);
            continue;
        }
        uint32_t expected = before;
        for (uint32_t v : {0x8001FF00u, 0x00017FFFu, 0u, before}) {
            EXPECT_EQ(Write(r.number, v), expected) << "operation 1 returns the previous value";
            expected = Stored(r, v);
            EXPECT_EQ(Read(r.number), expected) << "after writing " << std::hex << v;
            if (r.number != 74) {
                std::vector<uint32_t> now = Snapshot();
                now[r.number - 1] = before;
                EXPECT_EQ(now, start) << "writing " << r.number << " changed another setting";
            }
        }
        if (r.number == 74)
            RestoreMouseMovedCompanions(flags);
        EXPECT_EQ(Read(r.number), before);
    }
    EXPECT_EQ(Snapshot(), start);
    EXPECT_EQ(Flags(), flags);
}

TEST(LibrarySettings, UnknownNumbersAnswerZeroAndChangeNothing)
{
    const std::vector<uint32_t> start = Snapshot();
    const uint32_t flags = Flags();
    for (int16_t n : {0, -1, 77, 78, 1000, -32768, 32767, 25, 42, 43, 68}) {
        for (int16_t op : {0, 1})
            EXPECT_EQ(ZEL_SystemValue(op, n, 5), 0u) << "setting " << n << ", operation " << op;
    }
    EXPECT_EQ(Snapshot(), start);
    EXPECT_EQ(Flags(), flags);
}

// Setting 73 hands out its cell; operation 1 copies the 32-bit value at the address given into it.
TEST(LibrarySettings, DialogBuilderCellIsReachedByAddress)
{
    const uint32_t address = Read(73);
    ASSERT_NE(address, 0u);
    auto cellValue = [&] { return *reinterpret_cast<const uint32_t *>(static_cast<uintptr_t>(address)); };
    EXPECT_EQ(cellValue(), 0u);
    EXPECT_EQ(ZEL_SystemValue(2, 73, 0), address);

    uint32_t point = 0x00280014; // v 20, h 40
    EXPECT_EQ(Write(73, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&point))), address);
    EXPECT_EQ(cellValue(), point);
    point = 0;
    EXPECT_EQ(cellValue(), 0x00280014u) << "the value is copied, not the address kept";

    // A NULL address clears the cell instead of reading through it.
    EXPECT_EQ(Write(73, 0), address);
    EXPECT_EQ(cellValue(), 0u);
}

// Turning mouse-moved events on turns on the "RESOURCE.FRK" mode and session flag 0x10000, seen through
// ZEL_SetFlags; turning it off, or clearing the flag through ZEL_SetFlags, leaves the others as they are.
TEST(LibrarySettings, MouseMovedEventsTurnOnForkModeAndSessionFlag)
{
    const uint32_t flags = Flags();
    ASSERT_EQ(flags & zelFlagCatInfoMakesNodes, 0u);

    EXPECT_EQ(Write(74, 0), 0u);
    EXPECT_EQ(Read(75), 0u) << "storing 0 turns nothing on";
    EXPECT_EQ(Flags(), flags);

    EXPECT_EQ(Write(74, 7), 0u);
    EXPECT_EQ(Read(74), 1u);
    EXPECT_EQ(Read(75), 1u);
    EXPECT_EQ(Flags(), flags | zelFlagCatInfoMakesNodes);

    EXPECT_EQ(Write(74, 0), 1u);
    EXPECT_EQ(Read(75), 1u);
    EXPECT_EQ(Flags() & zelFlagCatInfoMakesNodes, static_cast<uint32_t>(zelFlagCatInfoMakesNodes));

    // The flag belongs to ZEL_SetFlags: clearing it there leaves both settings alone, and turning 74 on
    // again sets it again, with 75 even after the host cleared that.
    EXPECT_EQ(ZEL_SetFlags(zelFlagCatInfoMakesNodes, 0, 0, 0), flags | zelFlagCatInfoMakesNodes);
    EXPECT_EQ(Read(75), 1u);
    EXPECT_EQ(Write(75, 0), 1u);
    EXPECT_EQ(Write(74, 0x100), 0u);
    EXPECT_EQ(Read(74), 1u);
    EXPECT_EQ(Read(75), 1u);
    EXPECT_EQ(Flags(), flags | zelFlagCatInfoMakesNodes);

    RestoreMouseMovedCompanions(flags);
    EXPECT_EQ(Flags(), flags);
    EXPECT_EQ(Read(74), 0u);
    EXPECT_EQ(Read(75), 0u);
}

// Session flags changed through ZEL_SetFlags are not settings: no setting moves with them.
TEST(LibrarySettings, SessionFlagsLeaveSettingsAlone)
{
    const std::vector<uint32_t> start = Snapshot();
    const uint32_t flags = Flags();
    const uint32_t harmless = zelFlagCatInfoMakesNodes | zelFlagAllDrivesFreeSpace | zelFlagCentreStdFile;
    ZEL_SetFlags(harmless, harmless, 0, 0);
    EXPECT_EQ(Snapshot(), start);
    ZEL_SetFlags(0xFFFFFFFF, flags, 0, 0);
    EXPECT_EQ(Flags(), flags);
}

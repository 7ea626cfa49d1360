// The native code-resource registry.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

void ZEL_CALL ProcA() {}
void ZEL_CALL ProcB() {}
void ZEL_CALL ProcC() {}
const ResType kMDEF = 0x4D444546, kLDEF = 0x4C444546;

} // namespace

TEST(CodeResources, RegisterLookUpAndRemove)
{
    ZEL_CodeResource(2, 0, 0, nullptr);
    EXPECT_EQ(ZEL_CodeResource(1, kMDEF, 5, ProcA), ProcA);
    EXPECT_EQ(ZEL_CodeResource(1, kMDEF, 5, ProcB), ProcB) << "duplicates are kept";
    EXPECT_EQ(ZEL_CodeResource(3, kMDEF, 5, nullptr), ProcA) << "look-up returns the first";
    EXPECT_EQ(ZEL_CodeResource(3, kMDEF, 0x10005, nullptr), ProcA) << "the ID is its low 16 bits";
    EXPECT_EQ(ZEL_CodeResource(0x10003, kMDEF, 5, nullptr), ProcA) << "the operation is its low 16 bits";
    EXPECT_EQ(ZEL_CodeResource(5, kMDEF, 0, ProcB), ProcB);
    EXPECT_EQ(ZEL_CodeResource(5, kLDEF, 0, ProcB), nullptr) << "registered under another type";
    EXPECT_EQ(ZEL_CodeResource(0, kMDEF, 5, nullptr), nullptr);
    EXPECT_EQ(ZEL_CodeResource(3, kMDEF, 5, nullptr), nullptr) << "operation 0 removes both";
}

TEST(CodeResources, SixtyFourEntries)
{
    ZEL_CodeResource(2, 0, 0, nullptr);
    for (int id = 0; id < 64; ++id)
        ASSERT_EQ(ZEL_CodeResource(1, kLDEF, id, ProcA), ProcA) << id;
    EXPECT_EQ(ZEL_CodeResource(1, kLDEF, 64, ProcC), nullptr) << "the 65th registration fails";
    EXPECT_EQ(ZEL_CodeResource(3, kLDEF, 64, nullptr), nullptr);
    EXPECT_EQ(ZEL_CodeResource(4, kLDEF, 7, nullptr), nullptr);
    EXPECT_EQ(ZEL_CodeResource(1, kLDEF, 64, ProcC), ProcC) << "a freed entry is reused";
    ZEL_CodeResource(2, 0, 0, nullptr);
    EXPECT_EQ(ZEL_CodeResource(3, kLDEF, 0, nullptr), nullptr) << "operation 2 clears everything";
}

TEST(SessionFlags, SetFlagsReturnsThePreviousFlags)
{
    uint32_t start = ZEL_SetFlags(0, 0, 0, 0);
    EXPECT_EQ(ZEL_SetFlags(0, 0, 0, 0), start) << "an empty mask changes nothing";
    EXPECT_EQ(ZEL_SetFlags(zelFlagRightIsLeft | zelFlagRightIsControl, zelFlagRightIsLeft | 0x80000000u, 0, 0), start);
    uint32_t now = ZEL_SetFlags(0, 0, 0, 0);
    EXPECT_EQ(now & (zelFlagRightIsLeft | zelFlagRightIsControl), static_cast<uint32_t>(zelFlagRightIsLeft));
    EXPECT_EQ(now & 0x80000000u, start & 0x80000000u) << "bits outside the mask stay";
    ZEL_SetFlags(0xFFFFFFFFu, start, 0, 0);
    EXPECT_EQ(ZEL_SetFlags(0, 0, 0, 0), start);
}

TEST(SessionGlue, InertCalls)
{
    char buffer[16] = {};
    for (int16_t op = 0; op <= 5; ++op)
        EXPECT_EQ(ZEL_IPC_DataBlock(op, 1, sizeof buffer, buffer), 0);
    ZEL_InitColors();
    ZEL_InitColors();
    ZEL_Set_MacWin(nullptr, nullptr);
}

TEST(SessionGlue, TaskBarIconTipIsBounded)
{
    // A tip longer than the shell's field is cut, never copied past it.
    std::string tip(200, 't');
    ZEL_TaskBarIconAddRemove(1, 7, MAKEINTRESOURCEA(32512), tip.c_str());
    ZEL_TaskBarIconAddRemove(0, 7, nullptr, nullptr);
    SUCCEED();
}

// The WinTab loader in three settings, one per program name (tests/devices/with_wintab.sh gives each its
// DLL override): WINTAB32.DLL disabled, the tests' fake, and Wine's own library.
#include <gtest/gtest.h>
#include "test_support.h"
#include "test_seams.h"
#include "fake_wintab.h"
#include <string.h>

namespace {

constexpr uint32_t kLoaded = 1, kTable = 2;
constexpr int kOrdinals[] = {20,  21,  22,  23,  24,  40,  41,  60,  61,  62,  63,  64,  65,  66,  80,  81,
                             82,  84,  85,  100, 101, 120, 121, 122, 140, 180, 181, 182, 183, 184, 185, 200};

struct Outcome {
    uint32_t result;
    uint32_t state;
    uint32_t Flags() const { return state & 0xFF; }
    uint32_t Slots() const { return state >> 8; }
};

Outcome CallOrdinal(int16_t ordinal, uint32_t a0 = 0, uint32_t a1 = 0, uint32_t a2 = 0)
{
    const uint32_t args[6] = {a0, a1, a2, 0, 0, 0};
    Outcome o = {0, 0xFFFFFFFF};
    o.result = CallWinTabOrdinal(ordinal, args, &o.state);
    return o;
}

uint32_t LibraryBytes()
{
    uint32_t bytes = 0;
    ZEL_ComputeMemorySize(nullptr, nullptr, nullptr, nullptr, &bytes);
    return bytes;
}

bool WinTabLoaded() { return GetModuleHandleA("WINTAB32.DLL") != nullptr; }

TEST(WinTabOff, EveryWrapperAnswersZeroAndNothingStaysLoaded)
{
    uint32_t before = LibraryBytes();
    for (int ordinal : kOrdinals) {
        Outcome o = CallOrdinal(static_cast<int16_t>(ordinal));
        EXPECT_EQ(o.result, 0u) << ordinal;
        EXPECT_EQ(o.state, 0u) << ordinal;
    }
    EXPECT_FALSE(WinTabLoaded());
    EXPECT_EQ(LibraryBytes(), before);
}

TEST(WinTabFake, LoadsOnFirstUseAndAgainAfterUnloading)
{
    FakeWinTab *fake = CreateFakeWinTab();
    ASSERT_NE(fake, nullptr);
    memset(fake, 0, sizeof *fake);
    fake->present = 7;
    fake->packetRate = 133;

    // An ordinal outside the published list loads nothing.
    for (int16_t stray : {int16_t(25), int16_t(1), int16_t(1249), int16_t(1250), int16_t(-3)}) {
        Outcome o = CallOrdinal(stray);
        EXPECT_EQ(o.result, 0u) << stray;
        EXPECT_EQ(o.state, 0u) << stray;
    }
    EXPECT_FALSE(WinTabLoaded());

    uint32_t before = LibraryBytes();
    Outcome first = CallOrdinal(20, 0, 0, 0);
    EXPECT_EQ(first.result, 7u);
    EXPECT_EQ(first.Flags(), kLoaded | kTable);
    EXPECT_EQ(first.Slots(), 1u);
    EXPECT_TRUE(WinTabLoaded());
    EXPECT_EQ(fake->attaches, 1);

    // Arguments reach the library in their order, and its result comes back.
    UINT rate = 0;
    Outcome info = CallOrdinal(20, 100, 5, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&rate)));
    EXPECT_EQ(info.result, sizeof(UINT));
    EXPECT_EQ(rate, 133u);
    EXPECT_EQ(fake->calls[20], 2);

    // An entry point the library lacks answers 0 each time, is looked up again, and unloads nothing.
    for (int i = 0; i < 3; ++i) {
        Outcome missing = CallOrdinal(60, static_cast<uint32_t>(kFakeContext));
        EXPECT_EQ(missing.result, 0u);
        EXPECT_EQ(missing.Flags(), kLoaded | kTable);
        EXPECT_EQ(missing.Slots(), 1u);
    }
    Outcome close = CallOrdinal(22, static_cast<uint32_t>(kFakeContext));
    EXPECT_EQ(close.result, 1u);
    EXPECT_EQ(close.Slots(), 2u);
    EXPECT_EQ(fake->closes, 1);

    // Strays while loaded touch no slot either.
    for (int16_t stray : {int16_t(25), int16_t(1249), int16_t(1300)})
        EXPECT_EQ(CallOrdinal(stray).Slots(), 2u) << stray;

    Outcome unloaded = CallOrdinal(0);
    EXPECT_EQ(unloaded.state, 0u);
    EXPECT_FALSE(WinTabLoaded());
    EXPECT_EQ(fake->detaches, 1);
    EXPECT_EQ(LibraryBytes(), before);
    EXPECT_EQ(CallOrdinal(0).state, 0u) << "unloading twice is harmless";

    Outcome again = CallOrdinal(20, 0, 0, 0);
    EXPECT_EQ(again.result, 7u);
    EXPECT_EQ(again.Flags(), kLoaded | kTable);
    EXPECT_EQ(again.Slots(), 1u) << "the slots start empty again";
    EXPECT_EQ(fake->attaches, 2);
    EXPECT_EQ(fake->detaches, 1);
    CallOrdinal(0);
}

TEST(WinTabWine, NoTabletPassesThroughAndUnloads)
{
    Outcome o = CallOrdinal(20, 0, 0, 0);
    EXPECT_EQ(o.result, 0u);
    EXPECT_EQ(o.Flags(), kLoaded | kTable);
    EXPECT_TRUE(WinTabLoaded());
    EXPECT_EQ(CallOrdinal(0).state, 0u);
    EXPECT_FALSE(WinTabLoaded());
}

} // namespace

// Small manager stubs: each reports its own name (unless the session silences DebugStr) and returns its
// fixed value, and every one leaves the caller's stack pointer where it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AEObjects.h"
#include "Components.h"
#include "MixedMode.h"
#include "QuickTimeComponents.h"
#include "Script.h"
#include "test_support.h"
#include "stub_calls.h"

namespace {

struct StubCase {
    const char *name;
    const void *proc;
    int32_t arguments;     // dwords pushed
    bool callerRemoves;    // variadic: the caller takes its arguments back
    uint32_t expected;     // the result, masked to its width
    uint32_t resultMask;
    bool reports;
};

const uint32_t kArguments[] = {0x11111111u, 0x22222222u, 0x33333333u, 0x44444444u};

// A stub called with its declared arguments (the CallPascal forms with none, one and three).
std::vector<StubCase> Cases()
{
    return {
        {"OpenDefaultComponent", reinterpret_cast<const void *>(OpenDefaultComponent), 2, false, 0, ~0u, true},
        {"CloseComponent", reinterpret_cast<const void *>(CloseComponent), 1, false, 0, 0xFFFF, true},
        {"OpenStdCompression", reinterpret_cast<const void *>(OpenStdCompression), 0, false, 0, ~0u, true},
        {"CreateRangeDescriptor", reinterpret_cast<const void *>(CreateRangeDescriptor), 4, false, 0xFFFF, 0xFFFF, true},
        {"CallPascal", reinterpret_cast<const void *>(CallPascal), 0, true, 0, 0, true},
        {"CallPascal", reinterpret_cast<const void *>(CallPascal), 1, true, 0, 0, true},
        {"CallPascal", reinterpret_cast<const void *>(CallPascal), 3, true, 0, 0, true},
        {"CallPascalB", reinterpret_cast<const void *>(CallPascalB), 0, true, 0, 0xFF, true},
        {"CallPascalB", reinterpret_cast<const void *>(CallPascalB), 3, true, 0, 0xFF, true},
        {"CallPascalW", reinterpret_cast<const void *>(CallPascalW), 1, true, 0, 0xFFFF, true},
        {"CallPascalW", reinterpret_cast<const void *>(CallPascalW), 3, true, 0, 0xFFFF, true},
        {"CallPascalL", reinterpret_cast<const void *>(CallPascalL), 0, true, 0, ~0u, true},
        {"CallPascalL", reinterpret_cast<const void *>(CallPascalL), 1, true, 0, ~0u, true},
        {"ClearIntlResourceCache", reinterpret_cast<const void *>(ClearIntlResourceCache), 0, false, 0, 0, false},
    };
}

} // namespace

TEST(SmallStubs, ReportTheirNamesAndReturnTheirValues)
{
    for (const StubCase &c : Cases()) {
        testing_support::TakeDebugMessages();
        uint32_t result = CallForResult(c.proc, c.arguments, kArguments);
        EXPECT_EQ(result & c.resultMask, c.expected & c.resultMask) << c.name << " with " << c.arguments;
        std::vector<std::string> messages = testing_support::TakeDebugMessages();
        if (c.reports) {
            ASSERT_FALSE(messages.empty()) << c.name;
            EXPECT_EQ(messages[0], c.name);
        } else {
            EXPECT_TRUE(messages.empty()) << c.name << " reported " << messages[0];
        }
    }
}

TEST(SmallStubs, SilentSessionSameResults)
{
    uint32_t previous = ZEL_SetFlags(zelFlagSilentDebugStr, zelFlagSilentDebugStr, 0, 0);
    testing_support::TakeDebugMessages();
    for (const StubCase &c : Cases()) {
        uint32_t result = CallForResult(c.proc, c.arguments, kArguments);
        EXPECT_EQ(result & c.resultMask, c.expected & c.resultMask) << c.name;
    }
    std::vector<std::string> messages = testing_support::TakeDebugMessages();
    EXPECT_TRUE(messages.empty()) << messages.size() << " messages, the first " << messages[0];
    ZEL_SetFlags(zelFlagSilentDebugStr, previous, 0, 0);
}

TEST(SmallStubs, StackPointerStaysWhereItWas)
{
    for (const StubCase &c : Cases()) {
        int32_t removed = BytesRemovedByCallee(c.proc, c.arguments, kArguments);
        EXPECT_EQ(removed, c.callerRemoves ? 0 : 4 * c.arguments) << c.name << " with " << c.arguments;
    }
}

TEST(SmallStubs, CalledThroughTheHeaders)
{
    testing_support::TakeDebugMessages();
    EXPECT_EQ(OpenDefaultComponent(0x696D6463 /* 'imdc' */, 0x6A706567 /* 'jpeg' */), nullptr);
    EXPECT_EQ(CloseComponent(nullptr), 0);
    EXPECT_EQ(OpenStdCompression(), nullptr);
    AEDesc start{}, stop{}, range{};
    EXPECT_EQ(CreateRangeDescriptor(&start, &stop, false, &range), -1);
    CallPascal(1, 2, 3);
    EXPECT_FALSE(CallPascalB(nullptr));
    EXPECT_EQ(CallPascalW(7), 0);
    EXPECT_EQ(CallPascalL(), 0);
    ClearIntlResourceCache();
    std::vector<std::string> messages;
    for (const std::string &m : testing_support::TakeDebugMessages())
        if (m != "\r\n")
            messages.push_back(m);
    const std::vector<std::string> expected = {"OpenDefaultComponent", "CloseComponent", "OpenStdCompression",
                                               "CreateRangeDescriptor", "CallPascal", "CallPascalB",
                                               "CallPascalW", "CallPascalL"};
    EXPECT_EQ(messages, expected);
}

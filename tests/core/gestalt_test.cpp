// Gestalt's selector table and its answer to a selector it does not know.
#include <gtest/gtest.h>

#include "Gestalt.h"

namespace {

OSType Code(const char *c)
{
    return (static_cast<OSType>(static_cast<uint8_t>(c[0])) << 24) | (static_cast<OSType>(static_cast<uint8_t>(c[1])) << 16) |
           (static_cast<OSType>(static_cast<uint8_t>(c[2])) << 8) | static_cast<uint8_t>(c[3]);
}

} // namespace

TEST(Gestalt, EverySelectorAnswersItsValue)
{
    struct Row {
        const char *selector;
        int32_t response;
    };
    const Row rows[] = {
        {"vers", 1}, {"mach", 11}, {"sysv", 0x0700}, {"evnt", 1}, {"proc", 4}, {"kbd ", 4}, {"fpu ", -1},
        {"qd  ", 0x0200}, {"atlk", 0}, {"hdwr", 0}, {"scri", 1}, {"os  ", 8}, {"te  ", 1}, {"edtn", 0},
        {"help", 0}, {"alis", 1}, {"fold", 1}, {"pop!", 0}, {"font", 0}, {"drag", 3}, {"thds", 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.selector);
        int32_t response = 0x5A5A5A5A;
        EXPECT_EQ(Gestalt(Code(row.selector), &response), 0);
        EXPECT_EQ(response, row.response);
    }
}

TEST(Gestalt, UnknownSelectorClearsTheResponse)
{
    int32_t response = 0x12345678;
    EXPECT_EQ(Gestalt(Code("abcd"), &response), -5550);
    EXPECT_EQ(response, 0);
    EXPECT_EQ(Gestalt(Code("VERS"), &response), -5550) << "selectors are exact codes";
}

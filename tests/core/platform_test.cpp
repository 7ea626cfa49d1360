// Platform verdicts from fed-in GetVersion / GetVersionExA results.
#include <gtest/gtest.h>

#include "../../core/core_services.h"

namespace {

OSVERSIONINFOA Ex(DWORD platform, DWORD major, DWORD minor)
{
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    v.dwPlatformId = platform;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    return v;
}

} // namespace

TEST(Platform, VerdictsFromVersionResults)
{
    struct Case {
        DWORD version;
        bool hasEx;
        OSVERSIONINFOA ex;
        bool win32s, nt, w95, newShell;
        uint16_t word;
        const char *what;
    } cases[] = {
        {0x05650004, true, Ex(2, 4, 0), false, true, false, true, 0x0004, "NT 4"},
        {0x0ECE0105, true, Ex(2, 5, 1), false, true, false, true, 0x0015, "NT 5.1"},
        {0x03330A03, true, Ex(2, 3, 51), false, true, false, false, (51 << 4) | 3, "NT 3.51 keeps the old shell"},
        {0xC0000004, true, Ex(1, 4, 0), false, false, true, true, 0x0004, "Windows 95"},
        {0x80000A03, true, Ex(0, 3, 10), true, false, false, false, (10 << 4) | 3, "Win32s"},
        {0x80000A03, false, {}, true, false, false, false, 0x0A03, "Win32s by the version's top bits"},
        {0xC0000004, false, {}, false, false, true, true, 0x0004, "Windows 95 by the version word"},
        {0x05650004, false, {}, false, true, false, true, 0x0004, "NT by a clear bit 31"},
        {0x03330A03, false, {}, false, true, false, false, 0x0A03, "NT 3.x by a clear bit 31"},
    };
    for (const Case &c : cases) {
        PlatformInfo p = DecidePlatform(c.version, c.hasEx ? &c.ex : nullptr);
        EXPECT_EQ(p.win32s, c.win32s) << c.what;
        EXPECT_EQ(p.windowsNT, c.nt) << c.what;
        EXPECT_EQ(p.windows95, c.w95) << c.what;
        EXPECT_EQ(p.newShell, c.newShell) << c.what;
        EXPECT_EQ(p.versionWord, c.word) << c.what;
        EXPECT_EQ(p.versionHigh, c.version >> 16) << c.what;
    }
}

TEST(Platform, WineIsWindowsNTWithTheNewShell)
{
    OSVERSIONINFOA ex{};
    ex.dwOSVersionInfoSize = sizeof ex;
    ASSERT_TRUE(GetVersionExA(&ex));
    PlatformInfo p = DecidePlatform(GetVersion(), &ex);
    EXPECT_TRUE(p.windowsNT);
    EXPECT_TRUE(p.newShell);
    EXPECT_FALSE(p.win32s);
}

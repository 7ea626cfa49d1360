// QuickDraw at the two ends of a session: InitGraf with the full-screen-height flag, and session exit
// taking down the Window Manager port and the ports the application left open.
#include <gtest/gtest.h>

#include <cstring>

#include "LowMem.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;

TEST(GrafSession, ExitClosesEveryPortAndLeavesHostDCsAlone)
{
    HWND host = CreateHostMainWindow();
    SessionParamBlock block = MakeSessionBlock(host, zelFlagRawCallbacks | zelFlagSilentDebugStr | zelFlagFullScreenHeight);
    ZEL_InitSession(&block);
    QDGlobals qd{};
    InitGraf(&qd.thePort);
    GrafPtr wmgr = qd.thePort;
    ASSERT_NE(wmgr, nullptr);
    RECT area;
    GetClientRect(host, &area);
    EXPECT_EQ(wmgr->portRect.bottom, area.bottom) << "the Window Manager port is the host's client area";

    DibSurface surface(4, 4);
    CGrafPort colour;
    OpenPortForHDC(&colour, surface.dc());
    GrafPort plain;
    OpenPort(&plain);
    ASSERT_TRUE(ZEL_IsPortValid(reinterpret_cast<GrafPtr>(&colour)));
    ASSERT_TRUE(ZEL_IsPortValid(&plain));

    ZEL_ExitSession();
    EXPECT_EQ(qd.thePort, nullptr);
    EXPECT_EQ(GetPort(nullptr), nullptr);
    EXPECT_EQ(ZEL_GetCurrentDC(), nullptr);
    EXPECT_FALSE(ZEL_IsPortValid(wmgr));
    EXPECT_FALSE(ZEL_IsPortValid(reinterpret_cast<GrafPtr>(&colour)));
    EXPECT_FALSE(ZEL_IsPortValid(&plain));
    EXPECT_EQ(GetObjectType(surface.dc()), static_cast<DWORD>(OBJ_MEMDC)) << "the host's DC is the host's";
    EXPECT_EQ(SetPixel(surface.dc(), 1, 1, RGB(255, 0, 0)), RGB(255, 0, 0));
}

namespace {

// Random's successor of a seed (Park and Miller's minimal standard generator).
int32_t NextSeed(int32_t seed)
{
    int32_t next = 16807 * (seed % 127773) - 2836 * (seed / 127773);
    return next <= 0 ? next + 0x7FFFFFFF : next;
}

} // namespace

// A program that keeps its own QuickDraw globals (the later interfaces' `QDGlobals qd;`) hands their
// thePort field to InitGraf: QuickDraw's globals then live in that record, filled by InitGraf, except
// those the host's pointer block supplies; InitGraf with the library's record moves them back.
TEST(GrafSession, InitGrafTakesTheProgramsOwnQuickDrawGlobals)
{
    HWND host = CreateHostMainWindow();
    SessionParamBlock block = MakeSessionBlock(host, zelFlagRawCallbacks | zelFlagSilentDebugStr);
    ZEL_InitSession(&block);
    static LowMemPointerBlock globals;
    static int32_t hostSeed = 99;
    Setup_Globals(&globals);
    globals.randSeed = &hostSeed; // the host supplies randSeed itself
    ZEL_InitGlobals(&globals);

    static QDGlobals own;
    std::memset(&own, 0, sizeof own);
    InitGraf(&own.thePort);
    // screenBits is the Macintosh screen the program sees: the host's client area.
    RECT area;
    GetClientRect(host, &area);
    const Rect screen{0, 0, static_cast<int16_t>(area.bottom), static_cast<int16_t>(area.right)};
    EXPECT_EQ(std::memcmp(&own.screenBits.bounds, &screen, sizeof screen), 0) << "InitGraf fills screenBits";
    const uint8_t gray[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    EXPECT_EQ(std::memcmp(own.gray.pat, gray, 8), 0) << "and the patterns";
    EXPECT_EQ(own.black.pat[3], 0xFF);
    EXPECT_NE(own.thePort, nullptr) << "the Window Manager port is current";

    DibSurface surface(4, 4);
    CGrafPort colour;
    OpenPortForHDC(&colour, surface.dc());
    SetPor(reinterpret_cast<GrafPtr>(&colour));
    EXPECT_EQ(own.thePort, reinterpret_cast<GrafPtr>(&colour)) << "thePort follows SetPort";

    const int32_t ownSeed = own.randSeed;
    Random();
    EXPECT_EQ(hostSeed, NextSeed(99)) << "randSeed stays in the host's slot";
    EXPECT_EQ(own.randSeed, ownSeed);
    CloseCPort(&colour);

    // Back to the library's record: the seed moves with it only when the host left it to the library.
    globals.randSeed = nullptr;
    ZEL_InitGlobals(&globals);
    InitGraf(&own.thePort);
    const int32_t before = own.randSeed;
    const int16_t value = Random();
    EXPECT_EQ(own.randSeed, NextSeed(before)) << "Random advances the program's randSeed";
    EXPECT_EQ(value, static_cast<int16_t>(NextSeed(before) >> 14));
    InitGraf(&::qd.thePort);
    EXPECT_EQ(std::memcmp(&::qd.screenBits.bounds, &screen, sizeof screen), 0);
    const int32_t libraryBefore = ::qd.randSeed, ownAfter = own.randSeed;
    Random();
    EXPECT_EQ(::qd.randSeed, NextSeed(libraryBefore)) << "the library's record is QuickDraw's again";
    EXPECT_EQ(own.randSeed, ownAfter);
    ZEL_ExitSession();
}

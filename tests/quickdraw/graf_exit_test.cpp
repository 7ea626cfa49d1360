// QuickDraw at the two ends of a session: InitGraf with the full-screen-height flag, and session exit
// taking down the Window Manager port and the ports the application left open.
#include <gtest/gtest.h>

#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;

TEST(GrafSession, ExitClosesEveryPortAndLeavesHostDCsAlone)
{
    SessionParamBlock block =
        MakeSessionBlock(CreateHostMainWindow(), zelFlagRawCallbacks | zelFlagSilentDebugStr | zelFlagFullScreenHeight);
    ZEL_InitSession(&block);
    QDGlobals qd{};
    InitGraf(&qd.thePort);
    GrafPtr wmgr = qd.thePort;
    ASSERT_NE(wmgr, nullptr);
    EXPECT_EQ(wmgr->portRect.bottom, GetSystemMetrics(SM_CYSCREEN)) << "the full height when the session asks";

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

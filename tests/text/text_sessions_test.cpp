// Fonts across sessions: each session's InitGraf loads the font tables, InitFonts makes the width table,
// and measuring fills the caches; session exit frees them all, and the next session starts clean.
#include <gtest/gtest.h>
#include <windows.h>

#include "Fonts.h"
#include "LowMem.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;

TEST(TextSessions, FiftySessionsWithMeasuringLeaveTheHeapsSound)
{
    HWND main = CreateHostMainWindow();
    for (int i = 0; i < 50; ++i) {
        SessionParamBlock block = MakeSessionBlock(main, zelFlagRawCallbacks | zelFlagSilentDebugStr | zelFlagHeapCheck);
        ZEL_InitSession(&block);
        QDGlobals qd{};
        InitGraf(&qd.thePort);
        InitFonts();
        if (i % 2)
            InitFonts();
        {
            DibSurface surface(40, 20);
            CGrafPort port;
            OpenPortForHDC(&port, surface.dc());
            TextFont(int16_t(i % 3));
            TextSize(int16_t(9 + i % 5));
            ZEL_ExtDrawText(1, nullptr, 0);
            FontInfo info{};
            GetFontInfo(&info);
            const unsigned char text[] = "\x05" "Hello";
            EXPECT_GT(StringWidth(text), 0);
            FontMetrics(nullptr);
            DrawString(text);
            ZEL_ExtDrawText(0, nullptr, 0);
            ASSERT_EQ(ZEL_MemCheck(), 1) << "session " << i;
            CloseCPort(&port);
        }
        ASSERT_EQ(ZEL_MemCheck(), 1) << "session " << i;
        ZEL_ExitSession();
        ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << "session " << i;
    }
    DestroyWindow(main);
}

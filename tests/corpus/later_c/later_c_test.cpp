// The later-interface C animation run as a user would: a red ball copied from its GWorld into the
// window and moving, Command-P pausing it, Command-Q ending the program with exit code 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fork_layout.h"
#include "program_driver.h"
#include "test_support.h"

namespace {

using namespace program_driver;

bool IsRed(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; }

// The top-left red pixel of the window's 200 x 150 content, as x * 1000 + y; -1 when there is none.
int BallAt(HWND hwnd)
{
    Snapshot shot(hwnd);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            if (IsRed(shot.At(x, y)))
                return x * 1000 + y;
    return -1;
}

} // namespace

TEST(CorpusLaterC, AnimatesItsBallFromTheGWorldAndPausesFromItsMenuKey)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "corpus\\later_c\\";
    fork_layout::WriteFileBytes(dir + "later_c.RSR", fork_layout::BuildFork({}));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);

    Program program;
    ASSERT_TRUE(program.Start(dir, "later_c.exe", {"Animate"})) << "the program shows its window";
    HWND animate = program.Window("Animate");
    Step("the ball moving");
    int first = -1;
    for (int i = 0; i < 200 && first < 0; ++i, Sleep(25))
        first = BallAt(animate);
    ASSERT_GE(first, 0) << "the red ball copied into the window";
    int later = first;
    for (int i = 0; i < 200 && later == first; ++i, Sleep(25))
        later = BallAt(animate);
    EXPECT_NE(later, first) << "the ball moves";

    Step("Command-P");
    SetForegroundWindow(animate);
    SendKeys({'P'}, VK_CONTROL);
    Sleep(500);
    const int paused = BallAt(animate);
    Sleep(300);
    EXPECT_GE(paused, 0);
    EXPECT_EQ(BallAt(animate), paused) << "paused, the ball stays";

    Step("Command-Q");
    SendKeys({'Q'}, VK_CONTROL);
    EXPECT_EQ(program.WaitForExit(10000), 0) << "ExitToShell ends the program with 0";
}

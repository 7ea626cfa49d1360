// The MPW C shapes program run as a user would: its window empty at first, each Command-A adding a
// shape drawn in black, Command-Q ending the program with exit code 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fork_layout.h"
#include "program_driver.h"
#include "test_support.h"

namespace {

using namespace program_driver;

// Dark pixels of the window's content (the shapes fall inside 300 x 160).
int DarkPixels(HWND hwnd)
{
    Snapshot shot(hwnd);
    int dark = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 300; ++x)
            dark += IsDark(shot.At(x, y));
    return dark;
}

int WaitForMoreDark(HWND hwnd, int than)
{
    int dark = DarkPixels(hwnd);
    for (int i = 0; i < 200 && dark <= than; ++i, Sleep(25))
        dark = DarkPixels(hwnd);
    return dark;
}

} // namespace

TEST(CorpusMpwShapes, AddsAShapeForEachCommandKeyAndQuitsFromItsMenuKey)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "corpus\\mpw_shapes\\";
    fork_layout::WriteFileBytes(dir + "mpw_shapes.RSR", fork_layout::BuildFork({}));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);

    Program program;
    ASSERT_TRUE(program.Start(dir, "mpw_shapes.exe", {"Shapes"})) << "the program shows its window";
    HWND shapes = program.Window("Shapes");
    Sleep(300);
    EXPECT_EQ(DarkPixels(shapes), 0) << "no shape yet";

    Step("Command-A: a framed rectangle");
    SetForegroundWindow(shapes);
    SendKeys({'A'}, VK_CONTROL);
    const int one = WaitForMoreDark(shapes, 0);
    EXPECT_GT(one, 0) << "the first shape drawn";
    EXPECT_LT(one, 40 * 30) << "a frame, not a filled rectangle";

    Step("Command-A: a painted oval");
    SendKeys({'A'}, VK_CONTROL);
    EXPECT_GT(WaitForMoreDark(shapes, one), one + 400) << "the oval painted solid";

    Step("Command-Q");
    SendKeys({'Q'}, VK_CONTROL);
    EXPECT_EQ(program.WaitForExit(10000), 0) << "ExitToShell ends the program with 0";
}

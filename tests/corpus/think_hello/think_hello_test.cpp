// The THINK C hello program run as a user would: its greeting and grey box drawn, a click in the box
// moving it ten pixels right, a key ending the program with exit code 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fork_layout.h"
#include "program_driver.h"
#include "test_support.h"

namespace {

using namespace program_driver;

// The box's grey pattern alternates dark and light pixels along a row.
bool GreyAt(const Snapshot &shot, int x, int y)
{
    return IsDark(shot.At(x, y)) != IsDark(shot.At(x + 1, y)) && IsDark(shot.At(x, y)) == IsDark(shot.At(x + 2, y));
}

} // namespace

TEST(CorpusThinkHello, DrawsItsGreetingMovesItsBoxOnAClickAndQuitsOnAKey)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "corpus\\think_hello\\";
    fork_layout::WriteFileBytes(dir + "think_hello.RSR", fork_layout::BuildFork({}));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);

    Program program;
    ASSERT_TRUE(program.Start(dir, "think_hello.exe", {"Hello"})) << "the program shows its window";
    HWND hello = program.Window("Hello");
    Step("the first drawing");
    for (int i = 0; i < 200 && !AnyDarkPixel(hello, 20, 50, 80, 110); ++i)
        Sleep(25);
    {
        Snapshot shot(hello);
        EXPECT_TRUE(shot.Any(20, 18, 110, 32, [](COLORREF c) { return IsDark(c); })) << "the greeting";
        EXPECT_TRUE(GreyAt(shot, 40, 80)) << "the box in grey";
        EXPECT_TRUE(IsDark(shot.At(20, 80)) && IsDark(shot.At(79, 80))) << "the box's frame";
        EXPECT_FALSE(IsDark(shot.At(85, 80))) << "nothing right of the box";
    }

    Step("a click in the box");
    ClickAt(hello, 40, 80);
    for (int i = 0; i < 200 && !IsDark(ScreenPixel(hello, 89, 80)); ++i)
        Sleep(25);
    {
        Snapshot shot(hello);
        EXPECT_TRUE(IsDark(shot.At(30, 80)) && IsDark(shot.At(89, 80))) << "the frame ten pixels right";
        EXPECT_FALSE(IsDark(shot.At(25, 80))) << "the old left edge erased";
        EXPECT_TRUE(GreyAt(shot, 50, 80)) << "still grey";
    }

    Step("a key");
    SetForegroundWindow(hello);
    SendKeys({'Q'});
    EXPECT_EQ(program.WaitForExit(10000), 0) << "ExitToShell ends the program with 0";
}

// The later-interface C++ notepad run as a user would: its scroll bar drawn at the right, typed keys
// appearing as text, Command-Q ending the program with exit code 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fork_layout.h"
#include "program_driver.h"
#include "test_support.h"

using namespace program_driver;

TEST(CorpusLaterCpp, DrawsItsScrollBarTakesTypedTextAndQuitsFromItsMenuKey)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "corpus\\later_cpp\\";
    fork_layout::WriteFileBytes(dir + "later_cpp.RSR", fork_layout::BuildFork({}));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);

    Program program;
    ASSERT_TRUE(program.Start(dir, "later_cpp.exe", {"Notepad"})) << "the program shows its window";
    HWND note = program.Window("Notepad");
    Sleep(300);
    EXPECT_FALSE(AnyDarkPixel(note, 4, 4, 200, 60)) << "no text yet";

    Step("typing");
    SetForegroundWindow(note);
    ClickAt(note, 100, 100);
    SendKeys({'H', 'E', 'L', 'L', 'O'});
    bool typed = false;
    for (int i = 0; i < 200 && !typed; ++i, Sleep(25))
        typed = AnyDarkPixel(note, 4, 4, 200, 30);
    EXPECT_TRUE(typed) << "the typed text drawn at the top";

    Step("Command-Q");
    SendKeys({'Q'}, VK_CONTROL);
    EXPECT_EQ(program.WaitForExit(10000), 0) << "ExitToShell ends the program with 0";
}

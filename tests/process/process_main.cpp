// main() of the process tests, and the child modes the tests start this program in.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "LowMem.h"
#include "Resources.h"
#include "SegLoad.h"
#include "process_test.h"
#include "test_support.h"

namespace process_test {

namespace {
std::string sWork, sWorkNoSlash;
const char *sMarker;

void Touch(const char *path)
{
    if (FILE *f = std::fopen(path, "w"))
        std::fclose(f);
}

LRESULT CALLBACK ChildWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // What a host does when it is told the program ends: the session closes (and gives back its global
    // atom) before the process goes.
    if (message == WM_USER + 1 && sMarker) {
        Touch(sMarker);
        ZEL_ExitSession();
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// ExitToShell in a session whose main window runs ChildWndProc.
int ChildExit(const char *marker)
{
    sMarker = marker;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ChildWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZELMainWndClass";
    wc.cbWndExtra = 32;
    RegisterClassA(&wc);
    HWND main = CreateWindowA("ZELMainWndClass", "child", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    static SessionParamBlock block = testing_support::MakeSessionBlock(main, zelFlagRawCallbacks);
    ZEL_InitSession(&block);
    ExitToShell();
    return 77; // not reached
}
} // namespace

const std::string &WorkDir() { return sWork; }

std::string ProgramPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

} // namespace process_test

int main(int argc, char **argv)
{
    using namespace process_test;
    if (argc >= 3 && std::strcmp(argv[1], "--child-exit") == 0)
        return ChildExit(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "--child-wait") == 0) {
        Sleep(30000);
        return 0;
    }
    // Started by LaunchApplication without arguments, under its own name.
    const std::string self = ProgramPath();
    if (self.size() > 12 && self.compare(self.size() - 12, 12, "launched.exe") == 0) {
        Touch((self.substr(0, self.size() - 12) + "launched.mark").c_str());
        return 0;
    }

    testing::InitGoogleTest(&argc, argv);
    testing_support::InstallDiagnosticCapture();
    sWorkNoSlash = testing_support::ProgramDirectory() + "proc_work";
    CreateDirectoryA(sWorkNoSlash.c_str(), nullptr);
    sWork = sWorkNoSlash + "\\";
    // The start-up forks, found through RSRPATH.
    SetEnvironmentVariableA("RSRPATH", sWork.c_str());
    std::string app = self.substr(self.rfind('\\') + 1);
    app = app.substr(0, app.rfind('.')) + ".RSR";
    for (const std::string &name : {std::string("PROCSYS.RSR"), app}) {
        DeleteFileA((sWork + name).c_str());
        CreateResFile(testing_support::P((sWork + name).c_str()).c_str());
    }

    HWND main = testing_support::CreateHostMainWindow();
    // Visible (GetProcessInformation tells windowed processes from others) but off the screen that other
    // test programs read back.
    SetWindowPos(main, nullptr, -3000, -3000, 100, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(main, SW_SHOWNOACTIVATE);
    static SessionParamBlock block = testing_support::MakeSessionBlock(main, zelFlagRawCallbacks);
    block.resourceFileName = "PROCSYS.RSR";
    block.startupDirectory = sWorkNoSlash.c_str();
    block.commandLine = "first.txt second.txt";
    ZEL_InitSession(&block);
    LowMemPointerBlock globals{};
    ZEL_InitGlobals(&globals);
    if (InitResources() <= 0) {
        std::fprintf(stderr, "InitResources failed: %d\n", ResError());
        return 1;
    }
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    return result;
}

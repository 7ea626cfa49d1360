// The Macintosh program of app/ run as a user would: it gets its menu from its resource fork, draws its
// window, paints a box for the key B, inverts its target for a click, and quits from its File menu.
// The program checks its own QuickDraw globals and answers through its exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fork_layout.h"
#include "test_support.h"

namespace {

using fork_layout::Bytes;

// A 'MENU' resource in the fork's byte order: ID, width, height, definition ID, enable flags, title,
// items (text, icon, key equivalent, mark, style), and a zero length byte.
Bytes MenuResource(int16_t id, const std::string &title, const std::vector<std::pair<std::string, char>> &items)
{
    Bytes b(14, 0);
    fork_layout::Put16(b, 0, static_cast<uint16_t>(id));
    fork_layout::Put32(b, 10, 0xFFFFFFFFu);
    b.push_back(static_cast<uint8_t>(title.size()));
    b.insert(b.end(), title.begin(), title.end());
    for (const auto &[text, key] : items) {
        b.push_back(static_cast<uint8_t>(text.size()));
        b.insert(b.end(), text.begin(), text.end());
        b.insert(b.end(), {0, static_cast<uint8_t>(key), 0, 0});
    }
    b.push_back(0);
    return b;
}

// Every window of a process, top-level and child, found by its title.
struct FindByTitle {
    DWORD process;
    const char *title;
    HWND found;
};

BOOL CALLBACK VisitWindow(HWND hwnd, LPARAM data)
{
    auto *find = reinterpret_cast<FindByTitle *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char text[64] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    if (owner == find->process && std::string(text) == find->title && IsWindowVisible(hwnd)) {
        find->found = hwnd;
        return FALSE;
    }
    EnumChildWindows(hwnd, VisitWindow, data);
    return find->found ? FALSE : TRUE;
}

HWND FindProgramWindow(DWORD process, const char *title)
{
    FindByTitle find{process, title, nullptr};
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

// A pixel of a window's client area as the screen shows it.
COLORREF ScreenPixel(HWND hwnd, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

// Waits (a few seconds at most) for a client pixel to show a colour; the watchdog ends a test that hangs.
bool WaitForPixel(HWND hwnd, int x, int y, COLORREF colour)
{
    for (int i = 0; i < 200; ++i) {
        if (ScreenPixel(hwnd, x, y) == colour)
            return true;
        Sleep(25);
    }
    return false;
}

void SendKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD vk : keys)
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = vk;
            in.ki.dwFlags = up;
            inputs.push_back(in);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void ClickAt(HWND hwnd, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    SetCursorPos(p.x, p.y);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
}

DWORD WINAPI Watchdog(void *)
{
    Sleep(60000);
    ExitProcess(3);
}

constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255), kRed = RGB(255, 0, 0);

} // namespace

TEST(MacProgram, DrawsAnswersKeysAndClicksAndQuitsFromItsMenu)
{
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    const std::string dir = testing_support::ProgramDirectory() + "mac_program\\";
    // Its Apple and File menus, from its resource fork beside it; DebugStr kept silent by the tests' settings file.
    fork_layout::WriteFileBytes(
        dir + "mac_program.RSR",
        fork_layout::BuildFork({{fork_layout::FourCC("MENU"), 1, 0, false, {},
                                 MenuResource(1, "\x14", {{"About Classic\xC9", 0}, {"-", 0}})},
                                {fork_layout::FourCC("MENU"), 128, 0, false, {},
                                 MenuResource(128, "File", {{"Beep", 0}, {"Quit", 'Q'}})}}));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + dir + "mac_program.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi));
    HWND window = nullptr, main = nullptr;
    for (int i = 0; i < 400 && !window; ++i) {
        Sleep(25);
        window = FindProgramWindow(pi.dwProcessId, "Classic");
        main = FindProgramWindow(pi.dwProcessId, "Classic program");
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi.hProcess, &code);
        ASSERT_EQ(code, STILL_ACTIVE) << "the program ended before it showed its window";
    }
    ASSERT_NE(window, nullptr);
    ASSERT_NE(main, nullptr);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_GE(client.right, 250) << "the window is sized from qd.screenBits";
    EXPECT_GE(client.bottom, 150);

    // Its first update: the frame inset by 10, the line, the framed target and the host's corner mark.
    EXPECT_TRUE(WaitForPixel(window, 10, 50, kBlack)) << "FrameRect of the inset portRect";
    EXPECT_EQ(ScreenPixel(window, 11, 50), kWhite);
    EXPECT_EQ(ScreenPixel(window, 70, 80), kBlack) << "MoveTo / LineTo";
    EXPECT_EQ(ScreenPixel(window, 150, 40), kBlack) << "the target's frame";
    EXPECT_EQ(ScreenPixel(window, 170, 40), kWhite) << "the target before the click";
    EXPECT_EQ(ScreenPixel(window, 200, 120), kBlack) << "the Toolbox FrameRect of the C++ file";
    EXPECT_EQ(ScreenPixel(window, 220, 120), kWhite);
    EXPECT_EQ(ScreenPixel(window, 40, 120), kWhite) << "no box before the key";
    bool redFrame = false; // the main window's client area shrinks once the menu bar shows
    for (int i = 0; i < 200 && !redFrame; ++i, Sleep(25)) {
        RECT mainClient;
        GetClientRect(main, &mainClient);
        redFrame = ScreenPixel(main, 10, mainClient.bottom - 25) == kRed;
    }
    EXPECT_TRUE(redFrame) << "GDI's FrameRect of the same file";

    SendKeys({'B'});
    EXPECT_TRUE(WaitForPixel(window, 40, 120, kBlack)) << "the key B reached the event loop as keyDown";
    ClickAt(window, 170, 40);
    EXPECT_TRUE(WaitForPixel(window, 170, 40, kBlack)) << "the click inside the target inverted it";

    // A click on the File title in the main window's menu bar, and the keys that choose Quit (File: Beep,
    // Quit), queued at once so that Windows' menu loop finds them.
    POINT title{12, -GetSystemMetrics(SM_CYMENU) / 2};
    ClientToScreen(main, &title);
    SetCursorPos(title.x, title.y);
    std::vector<INPUT> quit(2);
    quit[0].type = quit[1].type = INPUT_MOUSE;
    quit[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    quit[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    for (WORD vk : {VK_DOWN, VK_DOWN, VK_RETURN})
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = vk;
            in.ki.dwFlags = up;
            quit.push_back(in);
        }
    SendInput(static_cast<UINT>(quit.size()), quit.data(), sizeof(INPUT));
    const bool ended = WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(pi.hProcess, 98);
    ASSERT_TRUE(ended) << "Quit ends the program";
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u) << "bits: 1 screenBits, 2 thePort, 4 randSeed, 8 patterns; 10 resources, 11 window or menu";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

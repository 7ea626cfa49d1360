// The Macintosh program of app/ run as a user would: it gets its menu from its resource fork, draws its
// window, paints a box for the key B, inverts its target for a click, and quits from its File menu.
// The program checks its own QuickDraw globals and answers through its exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fork_layout.h"
#include "program_driver.h"
#include "test_support.h"

namespace {

using fork_layout::Bytes;
using namespace program_driver;

// A version 2 'PICT' of frame (0, 0, 16, 16) holding one PackBitsRect: an 8-bit image whose left half
// is colour 1 (green) and right half colour 0 (white), each row packed as two runs of eight.
Bytes ImagePictureResource()
{
    Bytes b;
    Words(b, {0, 0, 0, 16, 16});
    Words(b, {0x0011, 0x02FF});
    Words(b, {0x0C00, 0xFFFE, 0, 0x48, 0, 0x48, 0, 0, 0, 16, 16, 0, 0});
    Words(b, {0x0001, 10, 0, 0, 16, 16});
    Words(b, {0x0098, 0x8000 | 16, 0, 0, 16, 16});        // PackBitsRect, rowBytes, bounds
    Words(b, {0, 0, 0, 0, 0x48, 0, 0x48, 0, 0, 8, 1, 8}); // version, packing, resolution, type, depths
    Words(b, {0, 0, 0, 0, 0, 0});                         // planeBytes, pmTable, pmReserved
    Words(b, {0, 0, 0, 1});                               // ctSeed, ctFlags, ctSize (two entries)
    Words(b, {0, 0xFFFF, 0xFFFF, 0xFFFF, 1, 0, 0xFFFF, 0});
    Words(b, {0, 0, 16, 16, 0, 0, 16, 16, 0});            // srcRect, dstRect, srcCopy
    for (int row = 0; row < 16; ++row)
        b.insert(b.end(), {4, 0xF9, 0x01, 0xF9, 0x00});
    Words(b, {0x00FF});
    b[0] = static_cast<uint8_t>(b.size() >> 8);
    b[1] = static_cast<uint8_t>(b.size());
    return b;
}

// The gallery's 'WIND': a document window at (60, 370, 330, 770), visible, without a close box.
Bytes WindowResource()
{
    Bytes b;
    Words(b, {60, 370, 330, 770, 0, 0x0100, 0, 0, 0});
    const std::string title = "Gallery";
    b.push_back(static_cast<uint8_t>(title.size()));
    b.insert(b.end(), title.begin(), title.end());
    return b;
}

// The note alert's 'ALRT' at (120, 120, 220, 420) naming item list 129, shown at every stage with OK
// as its default, silent.
Bytes AlertResource()
{
    Bytes b;
    Words(b, {120, 120, 220, 420, 129, 0x4444});
    return b;
}

// An 'ICN#' whose icon is black in its left half and white in its right, under a full mask.
Bytes IconResource()
{
    Bytes b;
    for (int row = 0; row < 32; ++row)
        b.insert(b.end(), {0xFF, 0xFF, 0x00, 0x00});
    b.insert(b.end(), 128, 0xFF);
    return b;
}

// A 'DLOG' of procID dBoxProc at (100, 100, 220, 400), visible, naming item list 128.
Bytes DialogResource()
{
    Bytes b;
    Words(b, {100, 100, 220, 400, 1});
    b.insert(b.end(), {1, 0, 0, 0, 0, 0, 0, 0});
    Words(b, {128});
    const std::string title = "Gallery dialog";
    b.push_back(static_cast<uint8_t>(title.size()));
    b.insert(b.end(), title.begin(), title.end());
    return b;
}

constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255), kRed = RGB(255, 0, 0);

} // namespace

TEST(MacProgram, DrawsAnswersKeysAndClicksAndQuitsFromItsMenu)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "mac_program\\";
    // Its Apple and File menus, from its resource fork beside it; DebugStr kept silent by the tests' settings file.
    fork_layout::WriteFileBytes(
        dir + "mac_program.RSR",
        fork_layout::BuildFork({{fork_layout::FourCC("MENU"), 1, 0, false, {},
                                 MenuResource(1, "\x14", {{"About Classic\xC9", 0}, {"-", 0}})},
                                {fork_layout::FourCC("MENU"), 128, 0, false, {},
                                 MenuResource(128, "File", {{"Beep", 0}, {"Quit", 'Q'}})},
                                {fork_layout::FourCC("PICT"), 128, 0, false, {}, PictureResource()},
                                {fork_layout::FourCC("ICN#"), 128, 0, false, {}, IconResource()},
                                {fork_layout::FourCC("DLOG"), 128, 0, false, {}, DialogResource()},
                                {fork_layout::FourCC("DITL"), 128, 0, false, {},
                                 ItemListResource({{80, 200, 100, 280, 4, "OK"},
                                                   {10, 10, 40, 280, 8, "Classic dialog text"},
                                                   {45, 10, 65, 200, 16, "typed"}})},
                                {fork_layout::FourCC("PICT"), 129, 0, false, {}, ImagePictureResource()},
                                {fork_layout::FourCC("WIND"), 128, 0, false, {}, WindowResource()},
                                {fork_layout::FourCC("ALRT"), 129, 0, false, {}, AlertResource()},
                                {fork_layout::FourCC("DITL"), 129, 0, false, {},
                                 ItemListResource({{70, 220, 90, 290, 4, "OK"}, {10, 60, 40, 290, 8, "Note: ^0"}})}}));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + dir + "mac_program.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi));
    HWND window = nullptr, main = nullptr, gallery = nullptr;
    for (int i = 0; i < 400 && !(window && gallery); ++i) {
        Sleep(25);
        window = FindProgramWindow(pi.dwProcessId, "Classic");
        gallery = FindProgramWindow(pi.dwProcessId, "Gallery");
        main = FindProgramWindow(pi.dwProcessId, "Classic program");
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi.hProcess, &code);
        ASSERT_EQ(code, STILL_ACTIVE) << "the program ended before it showed its window";
    }
    ASSERT_NE(window, nullptr);
    ASSERT_NE(gallery, nullptr);
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

    // The gallery: text on its baseline, the TextEdit field's wrapped lines, the GWorld's red disc
    // copied in, the resource picture at twice its size, the icon's black and white halves.
    EXPECT_TRUE(WaitForPixel(gallery, 220, 30, kRed)) << "CopyBits from the GWorld";
    EXPECT_TRUE(AnyDarkPixel(gallery, 10, 12, 100, 24)) << "DrawString above its baseline";
    EXPECT_FALSE(AnyDarkPixel(gallery, 10, 26, 100, 36)) << "nothing hangs below the baseline";
    EXPECT_TRUE(AnyDarkPixel(gallery, 10, 40, 190, 56)) << "the field's first line";
    EXPECT_TRUE(AnyDarkPixel(gallery, 10, 70, 190, 100)) << "the field wraps onto a third line";
    EXPECT_EQ(ScreenPixel(gallery, 201, 11), kWhite) << "the GWorld's corner";
    EXPECT_EQ(ScreenPixel(gallery, 203, 63), RGB(0, 0, 255)) << "the picture's blue frame";
    EXPECT_EQ(ScreenPixel(gallery, 220, 80), kBlack) << "the picture's black middle";
    EXPECT_EQ(ScreenPixel(gallery, 236, 96), RGB(0, 0, 255));
    EXPECT_EQ(ScreenPixel(gallery, 205, 125), kBlack) << "the icon's left half";
    // A colour window under the three-dimensional look has the button-face colour as its background,
    // and an icon's clear bits take the background colour.
    const COLORREF background = ScreenPixel(gallery, 150, 150);
    EXPECT_EQ(ScreenPixel(gallery, 225, 125), background) << "the icon's right half";
    EXPECT_EQ(ScreenPixel(gallery, 205, 160), RGB(0, 255, 0)) << "the packed image's left half";
    EXPECT_EQ(ScreenPixel(gallery, 225, 175), kWhite) << "the packed image's right half";
    EXPECT_FALSE(AnyDarkPixel(gallery, 10, 120, 40, 140)) << "no answer before the dialog";
    EXPECT_FALSE(AnyDarkPixel(gallery, 60, 120, 90, 140)) << "no answer before the alert";

    // The key D opens the dialog from its resources; Return picks OK, which the gallery then shows.
    SendKeys({'D'});
    HWND okButton = nullptr, text = nullptr;
    for (int i = 0; i < 200 && !(okButton && text); ++i, Sleep(25)) {
        okButton = FindProgramWindow(pi.dwProcessId, "OK");
        text = FindProgramWindow(pi.dwProcessId, "Classic dialog text");
    }
    ASSERT_NE(okButton, nullptr) << "the dialog's button";
    ASSERT_NE(text, nullptr) << "the dialog's static text";
    EXPECT_EQ(GetAncestor(okButton, GA_ROOT), GetAncestor(text, GA_ROOT));
    EXPECT_TRUE(AnyDarkPixel(text, 0, 0, 100, 15)) << "the static text is drawn";
    SendKeys({VK_RETURN});
    EXPECT_TRUE(WaitForPixel(gallery, 25, 130, kBlack)) << "ModalDialog answered OK";
    EXPECT_FALSE(IsWindow(okButton)) << "DisposeDialog";

    // The key A brings the note alert with its parameter in place; Return answers OK.
    SendKeys({'A'});
    HWND note = nullptr;
    for (int i = 0; i < 200 && !note; ++i, Sleep(25))
        note = FindProgramWindow(pi.dwProcessId, "Note: param");
    ASSERT_NE(note, nullptr) << "the alert's text with ParamText's parameter";
    SendKeys({VK_RETURN});
    EXPECT_TRUE(WaitForPixel(gallery, 75, 130, kBlack)) << "NoteAlert answered OK";

    // The scroll bar drawn by DrawControls: not all background along its middle row.
    bool scrollBarDrawn = false;
    for (int x = 10; x < 190 && !scrollBarDrawn; ++x)
        scrollBarDrawn = ScreenPixel(gallery, x, 208) != background;
    EXPECT_TRUE(scrollBarDrawn) << "the scroll bar";

    // X, Y and Z go into the field by TEKey (the program checks its text when it quits).
    SendKeys({'X', 'Y', 'Z'});

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
    EXPECT_EQ(code, 0u) << "bits: 1 screenBits, 2 thePort, 4 randSeed, 8 patterns, 16 typed text; 10 resources, 11 window or menu";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

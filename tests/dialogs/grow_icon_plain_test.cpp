// The grow box without the three-dimensional look: a square in the scroll-bar colour, outlined in black
// towards the scroll-bar controls, of the size ZEL_SetScrollBarWH gives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Controls.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using testing_support::P;

TEST(GrowIcon, PlainLookPaintsTheSquareAndItsLines)
{
    ASSERT_FALSE(ThreeDLook());
    struct Row {
        const char *what;
        int16_t w, h;
        bool horizontal, vertical; // scroll-bar controls the window has
    } rows[] = {
        {"no scroll bars", 16, 16, false, false},
        {"both scroll bars", 16, 16, true, true},
        {"a larger box", 20, 18, false, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        WindowPtr w = MakeWindow(documentProc, 60, 60, 240, 180, "Grow");
        SetPor(w);
        ZEL_SetScrollBarWH(row.w, row.h);
        if (row.horizontal) {
            Rect r{164, -1, 180, 225};
            NewControl(w, &r, P("").c_str(), false, 0, 0, 10, scrollBarProc, 0);
        }
        if (row.vertical) {
            Rect r{-1, 224, 165, 240};
            NewControl(w, &r, P("").c_str(), false, 0, 0, 10, scrollBarProc, 0);
        }
        ClearUpdate(w);
        DrawGrowIcon(w);
        HWND hwnd = HwndOf(w);
        RECT c;
        GetClientRect(hwnd, &c);
        HDC dc = GetDC(hwnd);
        const COLORREF bar = GetSysColor(COLOR_SCROLLBAR), black = RGB(0, 0, 0);
        EXPECT_EQ(bar, GetPixel(dc, c.right - row.w + 2, c.bottom - row.h + 2));
        EXPECT_EQ(bar, GetPixel(dc, c.right - 1, c.bottom - 1));
        const int lineV = c.bottom - row.h + 1, lineH = c.right - row.w + 1;
        EXPECT_EQ(black, GetPixel(dc, c.right - 1, lineV));
        EXPECT_EQ(black, GetPixel(dc, lineH, c.bottom - 1));
        EXPECT_EQ(row.horizontal ? black : RGB(255, 255, 255), GetPixel(dc, c.left + 2, lineV));
        EXPECT_EQ(row.vertical ? black : RGB(255, 255, 255), GetPixel(dc, lineH, c.top + 2));
        ReleaseDC(hwnd, dc);
        DisposeWindow(w);
    }
    ZEL_SetScrollBarWH(16, 16);
}

} // namespace

// The look is on under every new shell. This program asks Wine for an old one (Windows NT 3.51) with no
// three-dimensional control library, then runs its cases in a child of the same name: Wine reads both
// settings when a program starts.
int main(int argc, char **argv)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    if (argc > 1 && std::string(argv[1]) == "--child") {
        testing::InitGoogleTest(&argc, argv);
        testing_support::StartThreadWatcher();
        return RUN_ALL_TESTS();
    }
    const char *name = std::strrchr(self, '\\') ? std::strrchr(self, '\\') + 1 : self;
    const std::string key = std::string("Software\\Wine\\AppDefaults\\") + name;
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) == 0) {
        RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>("nt351"), 6);
        RegCloseKey(k);
    }
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\DllOverrides").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                        nullptr) == 0) {
        RegSetValueExA(k, "ctl3d32", 0, REG_SZ, reinterpret_cast<const BYTE *>("d"), 2);
        RegCloseKey(k);
    }
    std::string command = std::string("\"") + self + "\" --child";
    for (int i = 1; i < argc; ++i)
        command += std::string(" ") + argv[i];
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 2;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

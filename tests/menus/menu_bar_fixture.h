// The host frame and bar the menu-bar and menu-choice tests share.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LowMem.h"
#include "MacMemory.h"
#include "Menus.h"
#include "test_support.h"

namespace menu_tests {

using testing_support::P;


inline BOOL CALLBACK TakeHostWindow(HWND hwnd, LPARAM out)
{
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "ZELMainWndClass") != 0)
        return TRUE;
    *reinterpret_cast<HWND *>(out) = hwnd;
    return FALSE;
}

// The session's main window: this thread's window of the host class (other test programs have theirs).
inline HWND HostWindow()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeHostWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

inline std::string FrameText(HMENU menu, int position)
{
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

inline std::vector<std::string> FrameTitles(HMENU frame)
{
    std::vector<std::string> out;
    for (int i = 0; i < GetMenuItemCount(frame); ++i)
        out.push_back(FrameText(frame, i));
    return out;
}

inline int sFrameChanges;
inline WNDPROC sHostProc;
inline LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCALCSIZE)
        ++sFrameChanges;
    return CallWindowProcA(sHostProc, hwnd, message, wParam, lParam);
}

// A host frame whose own menu is "&Window" (Tile, Host item), and a bar of Apple, File and Edit.
class MenuBar : public testing::Test {
protected:
    void SetUp() override
    {
        host_ = HostWindow();
        ASSERT_NE(host_, nullptr);
        hostSub_ = CreatePopupMenu();
        AppendMenuA(hostSub_, MF_STRING, 9001, "&Tile");
        AppendMenuA(hostSub_, MF_STRING, 9002, "Host item");
        frame_ = CreateMenu();
        AppendMenuA(frame_, MF_POPUP, reinterpret_cast<UINT_PTR>(hostSub_), "&Window");
        SetMenu(host_, frame_);
        ZEL_SystemValue(1, 13, 0); // folding is on from start-up; these cases choose
        InitMenus();
        apple_ = NewMenu(1, P("\x14").c_str());
        AppendMen(apple_, P("About This Program\xC9;-;Calculator").c_str());
        file_ = NewMenu(128, P("File").c_str());
        AppendMen(file_, P("New/N;Open\xC9/O;(Print/P;Quit/Q").c_str());
        edit_ = NewMenu(129, P("Edit").c_str());
        AppendMen(edit_, P("Undo/Z;-;Cut/X;Copy/C;Paste/V").c_str());
        for (MenuHandle m : {apple_, file_, edit_})
            InsertMen(m, 0);
    }
    void TearDown() override
    {
        ClearMenuBar();
        DrawMenuBa();
        ZEL_SystemValue(1, 13, 1);
        SetMenu(host_, nullptr);
        DestroyMenu(frame_);
        for (MenuHandle m : {apple_, file_, edit_})
            DisposeMenu(m);
    }
    int16_t Left(int index) { return *reinterpret_cast<int16_t *>(*LMGetMenuList() + 6 + 6 * index + 4); }
    int16_t Header(int word) { return reinterpret_cast<int16_t *>(*LMGetMenuList())[word]; }

    HWND host_;
    HMENU frame_, hostSub_;
    MenuHandle apple_, file_, edit_;
};

inline BOOL CALLBACK FindPopUpWindow(HWND hwnd, LPARAM out)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && lstrcmpA(cls, "ZELMainWndClass") != 0) {
        *reinterpret_cast<HWND *>(out) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// From another thread: the screen rectangle of the client area of the library window a pop-up is
// tracked in, once it is shown and drawn (empty when none came).
inline RECT WaitForPopUpWindow()
{
    HWND popup = nullptr;
    for (int i = 0; i < 200 && !popup; ++i) {
        Sleep(10);
        EnumWindows(FindPopUpWindow, reinterpret_cast<LPARAM>(&popup));
    }
    Sleep(200);
    RECT r{};
    if (popup) {
        GetClientRect(popup, &r);
        MapWindowPoints(popup, nullptr, reinterpret_cast<POINT *>(&r), 2);
    }
    return r;
}

} // namespace menu_tests

// The editor's Windows side, in C++: it registers the window classes, makes the main frame window
// that carries the menu bar, converts the scrap's 'TEXT' to and from the clipboard's text (carriage
// returns to line ends and back), starts the session and runs the Macintosh program, whose result
// becomes the exit code.
#include <windows.h>

#include <Types.h>
#include <Memory.h>
#include <Resources.h>
#include <LowMem.h>
#include <Zel.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "editor.h"
#include <host_glue.h>

namespace {

constexpr int32_t kTextType = 0x54455854; // 'TEXT'
constexpr UINT kAboutCommand = 0xF101;
enum : int32_t { kScrapGet = 0, kScrapPut = 1 };

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The Help menu's About stands for the Apple menu's first item: command 0 chooses it.
    if (message == WM_COMMAND && lParam == 0 && LOWORD(wParam) == kAboutCommand) {
        ZEL_EventMenuSel(0);
        return 0;
    }
    return HostMainWndProc(hwnd, message, wParam, lParam);
}

// The library asks for the scrap's text (get) with the clipboard open, or hands it text to put there.
int32_t WINAPI ScrapCallback(int32_t operation, int32_t format, HDC, int32_t destination, int32_t type,
                             int32_t pointer, int32_t cell)
{
    int32_t *answer = reinterpret_cast<int32_t *>(cell);
    if (type != kTextType)
        return 0;
    if (operation == kScrapGet) {
        if (format != CF_TEXT)
            return 0;
        HGLOBAL global = GetClipboardData(CF_TEXT);
        const char *text = global ? static_cast<const char *>(GlobalLock(global)) : nullptr;
        if (!text)
            return 0;
        std::string mac;
        for (const char *c = text; *c; ++c)
            if (*c != '\n')
                mac.push_back(*c);
        GlobalUnlock(global);
        Handle h = reinterpret_cast<Handle>(destination);
        SetHandleSize(h, static_cast<Size>(mac.size()));
        if (!mac.empty())
            std::memcpy(*h, mac.data(), mac.size());
        *answer = static_cast<int32_t>(mac.size());
        return 1;
    }
    if (operation == kScrapPut) {
        const char *bytes = reinterpret_cast<const char *>(pointer);
        std::string windows;
        for (int32_t i = 0; bytes && i < *answer; ++i) {
            windows.push_back(bytes[i]);
            if (bytes[i] == '\r')
                windows.push_back('\n');
        }
        HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, windows.size() + 1);
        char *copy = static_cast<char *>(GlobalLock(global));
        std::memcpy(copy, windows.c_str(), windows.size() + 1);
        GlobalUnlock(global);
        SetClipboardData(CF_TEXT, global);
        return 1;
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The frame's own Help menu, whose last item takes the Apple menu's first (About).
    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, kAboutCommand, "About");
    HMENU frameMenu = CreateMenu();
    AppendMenuA(frameMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    HWND main = MakeHostMainWindow(instance, "Editor", 800, 600, frameMenu, MainWndProc);
    if (!OpenHostSession(instance, main, reinterpret_cast<FARPROC>(ScrapCallback)))
        return 0x40;

    const long status = RunHostProgram(main, RunEditor);
    std::printf("exit %ld\n", status);
    return static_cast<int>(status);
}

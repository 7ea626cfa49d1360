// The dialog keyboard hook: while a library window is the keyboard target it sees every key typed on the
// user-interface thread.
#include "windows_services.h"
#include "../core/core_services.h"

namespace {

HWND sTarget;
HHOOK sHook;
uint32_t sSessionEnding;

} // namespace

LRESULT CALLBACK A_DlgKeyHook(int code, WPARAM virtualKey, LPARAM keyData)
{
    if (code >= 0 && sSessionEnding)
        return 1;
    return CallNextHookEx(sHook, code, virtualKey, keyData);
}

HWND SetDlgKeyHookWindow(HWND target, bool hookOn)
{
    HWND previous = sTarget;
    sTarget = target;
    if (!hookOn) {
        if (previous && !target && sHook) {
            UnhookWindowsHookEx(sHook);
            sHook = nullptr;
        }
    } else if (!previous && target && !sHook) {
        // Installing the hook must not disturb a mouse capture in progress.
        HWND capture = GetCapture();
        if (capture)
            ReleaseCapture();
        sHook = SetWindowsHookExA(WH_KEYBOARD, A_DlgKeyHook, nullptr, GetCurrentThreadId());
        if (capture)
            SetCapture(capture);
    }
    return previous;
}

HWND DlgKeyHookWindow() { return sTarget; }
bool DlgKeyHookInstalled() { return sHook != nullptr; }
void SetSessionEndingKeySwitch(uint32_t value) { sSessionEnding = value; }
uint32_t SessionEndingKeySwitch() { return sSessionEnding; }

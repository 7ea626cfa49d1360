// The two keyboard hooks of the user-interface thread. The dialog keyboard hook, installed while a window
// is the keyboard target, routes keys typed in dialog controls to that window so that the Macintosh
// dialog code sees them (Tab, Return, Escape, arrows and the like) and decides for each key whether the
// control gets it too. The help hook calls a host procedure when F1 is released.
#include "window_manager.h"
#include "Events.h"
#include "../dialogs/dialogs_services.h"

namespace {

HWND sTarget;
HHOOK sHook;
uint32_t sSessionEnding;

// The host's dialog keyboard procedure: (dialog, focus control's identifier, control kind, 0, the key as
// an event, forward flag, pass flag); it may change both flags.
typedef void(ZEL_CALL *DialogKeyProc)(WindowPtr dialog, int16_t itemID, int16_t kind, int32_t reserved,
                                      EventRecord *event, Boolean *forward, Boolean *pass);
DialogKeyProc sDialogKeyProc;

// Ctrl+F4 closes a captioned library window on the release; the press is swallowed.
bool sCtrlF4Pressed;

// Alt with these three letters typed in order, the last within 31 ticks of the first.
const WPARAM kHiddenDialogKeys[3] = {'Z', 'E', 'L'};
int sHiddenDialogIndex;
uint32_t sHiddenDialogStart;

// The help hook.
FARPROC sHelpProc;
DWORD sHelpThread;
HHOOK sHelpHook;

bool KeyReleased(LPARAM keyData) { return keyData & 0x80000000; }
bool AltHeld(LPARAM keyData) { return keyData & 0x20000000; }
bool ExtendedKey(LPARAM keyData) { return keyData & 0x01000000; }
bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }
bool IsNumpadDigit(WPARAM vk) { return vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9; }
bool IsArrow(WPARAM vk)
{
    return vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_NUMPAD2 || vk == VK_NUMPAD4 ||
           vk == VK_NUMPAD6 || vk == VK_NUMPAD8;
}

// A key that makes a Command-key character with Ctrl held: Space, a letter, a digit or a punctuation
// key (Command-period cancels a dialog; an edit control does nothing with these).
bool IsCommandKey(WPARAM vk)
{
    return vk == VK_SPACE || (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || (vk >= VK_OEM_1 && vk <= VK_OEM_3) ||
           (vk >= VK_OEM_4 && vk <= VK_OEM_8) || vk == VK_OEM_102;
}

WindowPtr RecordOf(HWND hwnd)
{
    WindowPtr w = nullptr;
    if (hwnd && HwndToWindowPtr(hwnd, &w, nullptr) && (GetPropA(hwnd, MAKEINTATOM(SessionWindowAtom())) ||
                                                        hwnd == ClosingHwnd()))
        return w;
    return nullptr;
}

void TrackHiddenDialogSequence(WPARAM vk, LPARAM keyData)
{
    if (KeyReleased(keyData) || vk == VK_MENU)
        return;
    uint32_t now = GetTickCount() >> 4;
    if (vk == kHiddenDialogKeys[sHiddenDialogIndex] &&
        (sHiddenDialogIndex == 0 || now - sHiddenDialogStart <= 31)) {
        if (sHiddenDialogIndex == 0)
            sHiddenDialogStart = now;
        if (++sHiddenDialogIndex == 3) {
            sHiddenDialogIndex = 0;
            RequestHiddenDialog();
        }
    } else {
        sHiddenDialogIndex = vk == kHiddenDialogKeys[0] ? 1 : 0;
        sHiddenDialogStart = now;
    }
}

// The key as the host's procedure sees it. A release is described as its press would be.
void KeyAsEvent(WPARAM vk, LPARAM keyData, EventRecord *event)
{
    POINT p{};
    GetCursorPos(&p);
    event->what = KeyReleased(keyData) ? keyUp : keyDown;
    UINT ch = MapVirtualKeyA(static_cast<UINT>(vk), 2) & 0xFF;
    event->message = (static_cast<uint32_t>((keyData >> 16) & 0xFF) << 8) | ch;
    event->when = GetTickCount() >> 4;
    event->where = GlobalMousePoint(p);
    event->modifiers = static_cast<uint16_t>((GetKeyState(VK_SHIFT) < 0 ? shiftKey : 0) |
                                             (GetKeyState(VK_CONTROL) < 0 ? cmdKey : 0) |
                                             (GetKeyState(VK_MENU) < 0 ? optionKey : 0) | btnState);
}

} // namespace

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

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_DlgKeyHook(int code, WPARAM virtualKey, LPARAM keyData)
{
    // 1. Only real key actions, and never while a window holds the mouse.
    if (code != HC_ACTION || GetCapture())
        return sSessionEnding && code == HC_ACTION ? 1 : CallNextHookEx(sHook, code, virtualKey, keyData);

    // 2. The dialog is the focus window's parent; the focus of a library combo box is its edit.
    HWND focus = GetFocus();
    HWND parent = focus ? GetParent(focus) : nullptr;
    uint16_t parentKind = parent ? LibraryControlKind(parent, nullptr) : uint16_t(controlKindOther);
    WindowPtr dialog = parentKind == controlKindCombo ? RecordOf(GetParent(parent)) : RecordOf(parent);
    bool isEdit = false;
    uint16_t kind = parentKind == controlKindCombo ? uint16_t(controlKindCombo) : LibraryControlKind(focus, &isEdit);
    const bool release = KeyReleased(keyData);

    // 3. No library dialog: only Ctrl+F4 in a captioned library window is the library's.
    if (!dialog) {
        WindowPtr own = RecordOf(focus);
        if (!SessionFlag(zelFlagMDIFrame) && own && virtualKey == VK_F4 && CtrlHeld() &&
            (GetWindowLongA(focus, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
            if (!release) {
                sCtrlF4Pressed = true;
            } else if (sCtrlF4Pressed) {
                sCtrlF4Pressed = false;
                SendMessageA(focus, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return 1;
        }
        return sSessionEnding ? 1 : CallNextHookEx(sHook, code, virtualKey, keyData);
    }

    Boolean forward = FALSE, pass = FALSE;
    if (AltHeld(keyData)) {
        // 4. With Alt the dialog gets the key, except the keys Windows needs for its own menus and boxes.
        TrackHiddenDialogSequence(virtualKey, keyData);
        const bool windowsKey = virtualKey == VK_MENU || CtrlHeld() || virtualKey == VK_TAB ||
                                virtualKey == VK_BACK || virtualKey == VK_SPACE || virtualKey == VK_F4 ||
                                IsNumpadDigit(virtualKey) ||
                                (kind == controlKindCombo && (virtualKey == VK_UP || virtualKey == VK_DOWN ||
                                                              virtualKey == VK_NUMPAD8 || virtualKey == VK_NUMPAD2));
        forward = !windowsKey;
        pass = windowsKey;
    } else if (virtualKey == VK_TAB || virtualKey == VK_ESCAPE || virtualKey == VK_F1) {
        // 5. Without Alt, by key.
        forward = TRUE;
    } else if (virtualKey == VK_RETURN) {
        forward = TRUE;
        pass = isEdit && (GetWindowLongA(focus, GWL_STYLE) & ES_MULTILINE) && !ExtendedKey(keyData);
    } else if (IsArrow(virtualKey)) {
        if (isEdit) {
            forward = pass = TRUE;
        } else if (kind == controlKindUserItem || kind == controlKindCombo || kind == controlKindList) {
            pass = TRUE;
        } else {
            forward = pass = TRUE;
        }
    } else {
        forward = !(isEdit || kind == controlKindUserItem);
        pass = TRUE;
        if (isEdit && CtrlHeld() && IsCommandKey(virtualKey)) {
            forward = TRUE;
            pass = FALSE;
        }
    }

    // 6. The host's procedure may change both decisions.
    if (sDialogKeyProc) {
        EventRecord event{};
        KeyAsEvent(virtualKey, keyData, &event);
        sDialogKeyProc(dialog, static_cast<int16_t>(GetDlgCtrlID(focus)), static_cast<int16_t>(kind), 0, &event,
                       &forward, &pass);
    }

    // 7. Forwarding: the target window gets the key message, and the pump a nudge.
    if (forward && sTarget) {
        SendMessageA(sTarget, release ? WM_KEYUP : WM_KEYDOWN, virtualKey, keyData);
        PostMessageA(sTarget, WM_NULL, 0, 0);
    }
    // 8.
    if (!pass || sSessionEnding)
        return 1;
    return CallNextHookEx(sHook, code, virtualKey, keyData);
}

LRESULT CALLBACK A_DlgKeyHook(int code, WPARAM virtualKey, LPARAM keyData)
{
    return static_cast<int16_t>(ZEL_DlgKeyHook(code, virtualKey, keyData));
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetDlgKBHook(FARPROC proc)
{
    if (sDialogKeyProc)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(sDialogKeyProc));
    sDialogKeyProc = proc ? reinterpret_cast<DialogKeyProc>(MakeHostProcInstance(proc)) : nullptr;
}

// ---- the help hook ----

LRESULT CALLBACK A_HelpKeyHook(int code, WPARAM virtualKey, LPARAM keyData)
{
    if (code == HC_ACTION && GetCurrentThreadId() == sHelpThread && virtualKey == VK_F1 && KeyReleased(keyData) &&
        sHelpProc) {
        reinterpret_cast<void(ZEL_CALL *)(void)>(sHelpProc)();
        return 1;
    }
    return CallNextHookEx(sHelpHook, code, virtualKey, keyData);
}

// Enabling again replaces the procedure and keeps the one hook, so F1 calls the procedure once.
ZEL_EXTERN_C HHOOK ZEL_CALL ZEL_EnableHelpHook(FARPROC proc)
{
    sHelpProc = proc;
    sHelpThread = GetCurrentThreadId();
    if (!sHelpHook)
        sHelpHook = SetWindowsHookExA(WH_KEYBOARD, A_HelpKeyHook, SessionHostInstance(), sHelpThread);
    return sHelpHook;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_DisableHelpHook(void)
{
    if (sHelpHook)
        UnhookWindowsHookEx(sHelpHook);
    sHelpHook = nullptr;
    sHelpProc = nullptr;
}

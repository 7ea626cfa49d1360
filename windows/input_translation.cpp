// Input translation: the host's window procedures hand mouse, keyboard, command and application
// activation messages to these handlers, which turn them into Macintosh events in the queue and answer
// the message. Also the simulated clicks of dialog child controls and the mouse-downs that carry window
// part codes (h = -1, v = -part), which FindWindo decodes.
#include "window_manager.h"
#include "Scrap.h"

#include <array>
#include "../devices/devices_services.h"
#include "../dialogs/dialogs_services.h"
#include "../files/files_services.h"
#include "../quickdraw/qd_services.h"

namespace {

constexpr uint16_t kUnmappedKeyCode = 127;
constexpr uint16_t kTabletBit = 0x0040;
constexpr uint32_t kSuspendMessage = 0x01000000;
constexpr uint32_t kResumeMessage = 0x01000001;
constexpr uint32_t kResumeConvertClipboard = 0x01000003;
constexpr uint32_t kCursorFilterTicks = 181;

// One row per Windows virtual key below 0x80: the Macintosh character and key code it types.
struct KeyRow {
    uint8_t character;
    uint8_t keyCode;
};

constexpr std::array<KeyRow, 128> kVirtualKeyTable = [] {
    std::array<KeyRow, 128> t{};
    auto set = [&](int vk, int ch, int code) { t[vk] = KeyRow{static_cast<uint8_t>(ch), static_cast<uint8_t>(code)}; };
    set(0x08, 0x08, 0x33); set(0x09, 0x09, 0x30); set(0x0C, 0x1B, 0x47); set(0x0D, 0x0D, 0x24);
    set(0x10, 0, 0x38); set(0x11, 0, 0x37); set(0x12, 0, 0x3A); set(0x13, 0, 0x71); set(0x14, 0, 0x39);
    set(0x1B, 0x1B, 0x35); set(0x20, 0x20, 0x31); set(0x21, 0x0B, 0x74); set(0x22, 0x0C, 0x79);
    set(0x23, 0x04, 0x77); set(0x24, 0x01, 0x73); set(0x25, 0x1C, 0x7B); set(0x26, 0x1E, 0x7E);
    set(0x27, 0x1D, 0x7C); set(0x28, 0x1F, 0x7D); set(0x2C, 0, 0x69); set(0x2D, 0x05, 0x72);
    set(0x2E, 0x7F, 0x75); set(0x2F, 0x05, 0x72);
    const uint8_t digits[10] = {0x1D, 0x12, 0x13, 0x14, 0x15, 0x17, 0x16, 0x1A, 0x1C, 0x19};
    const uint8_t letters[26] = {0x00, 0x0B, 0x08, 0x02, 0x0E, 0x03, 0x05, 0x04, 0x22, 0x26, 0x28, 0x25, 0x2E,
                                 0x2D, 0x1F, 0x23, 0x0C, 0x0F, 0x01, 0x11, 0x20, 0x09, 0x0D, 0x07, 0x10, 0x06};
    const uint8_t keypad[10] = {0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5B, 0x5C};
    const uint8_t functions[15] = {0x7A, 0x78, 0x63, 0x76, 0x60, 0x61, 0x62, 0x64,
                                   0x65, 0x6D, 0x67, 0x6F, 0x69, 0x6B, 0x71};
    for (int i = 0; i < 10; ++i) {
        set(0x30 + i, '0' + i, digits[i]);
        set(0x60 + i, '0' + i, keypad[i]);
    }
    for (int i = 0; i < 26; ++i)
        set(0x41 + i, 'A' + i, letters[i]);
    set(0x5B, 'C', 0x08);
    set(0x6A, '*', 0x42); set(0x6B, '+', 0x4E); set(0x6C, 0x03, 0x4C); set(0x6D, '-', 0x46);
    set(0x6E, '.', 0x41); set(0x6F, '/', 0x4D);
    for (int i = 0; i < 15; ++i)
        set(0x70 + i, 0x10, functions[i]);
    return t;
}();

// The key code of the key that types a character (0 where none does).
constexpr std::array<uint8_t, 128> kCharKeyCodeTable = [] {
    std::array<uint8_t, 128> t{};
    t[0x08] = 0x33; t[0x09] = 0x30; t[0x0D] = 0x24; t[0x1B] = 0x35;
    t[0x1C] = 0x7B; t[0x1D] = 0x7C; t[0x1E] = 0x7E; t[0x1F] = 0x7D;
    const uint8_t punctuation[16] = {0x31, 0x12, 0x27, 0x14, 0x15, 0x17, 0x1A, 0x27,
                                     0x19, 0x1D, 0x1C, 0x18, 0x2B, 0x1B, 0x2F, 0x2C};
    const uint8_t digits[16] = {0x1D, 0x12, 0x13, 0x14, 0x15, 0x17, 0x16, 0x1A,
                                0x1C, 0x19, 0x29, 0x29, 0x2B, 0x18, 0x2F, 0x2C};
    for (int i = 0; i < 16; ++i) {
        t[0x20 + i] = punctuation[i];
        t[0x30 + i] = digits[i];
    }
    t[0x40] = 0x13;
    for (int i = 0; i < 26; ++i)
        t[0x41 + i] = t[0x61 + i] = kVirtualKeyTable[0x41 + i].keyCode;
    t[0x5B] = 0x21; t[0x5C] = 0x2A; t[0x5D] = 0x1E; t[0x5E] = 0x16; t[0x5F] = 0x1B;
    t[0x7B] = 0x21; t[0x7C] = 0x2A; t[0x7D] = 0x1E; t[0x7E] = 0x32; t[0x60] = 0x32; t[0x7F] = 0x75;
    return t;
}();

// Mouse state between messages.
bool sRightButtonHeld;
bool sButtonDownFlag;
HWND sCursorChild;
uint32_t sCursorTick;
// Key state between messages.
uint8_t sLastCharacter;
uint8_t sLastKeyCode;
bool sCharPending;
bool sKeyDownPosted;
bool sDeadKey;
uint16_t sLastCommandID;
// Activation.
bool sAppActive = true;
int16_t sLastScrapCount = -1;
bool sFirstActivation = true;
bool sHookTargetSaved;
HWND sSavedHookTarget;
HWND sSavedFocus;
HWND sPendingFocus;
uint32_t sPlayBack;

uint16_t &Modifiers() { return CurrentModifiers(); }
void SetModifier(uint16_t bit, bool on)
{
    if (on)
        Modifiers() |= bit;
    else
        Modifiers() &= static_cast<uint16_t>(~bit);
}

bool NumLockOn() { return (GetKeyState(VK_NUMLOCK) & 1) != 0; }
bool HighCharacterMapping() { return MacCharConversion() != 0; }

uint8_t MacHighCharacter(uint8_t ansi) { return AnsiToMacHighTable()[ansi & 0x7F]; }

bool IsCharacterKey(WPARAM vk)
{
    return (vk >= VK_LEFT && vk <= VK_DOWN) || vk == VK_SPACE || (vk >= 'A' && vk <= 'Z') || (vk >= 0x61 && vk <= 0x7A);
}

bool IsModifierKey(WPARAM vk)
{
    return vk == VK_CONTROL || vk == VK_SHIFT || vk == VK_CAPITAL || vk == VK_MENU || vk == VK_NUMLOCK ||
           vk == VK_SCROLL;
}

KeyRow VirtualKeyRow(WPARAM vk) { return vk < 0x80 ? kVirtualKeyTable[vk] : KeyRow{0, 0}; }

uint16_t CharKeyCode(uint8_t c) { return kCharKeyCodeTable[c & 0x7F]; }

int16_t PostStamped(uint16_t what, uint32_t message) { return PostEventNow(what, message); }

// The character a key types with the modifiers the event will carry: under Command the Control key
// (and Option's Alt, Shift) are shown up, so that Command-key events carry the plain character.
uint8_t KeyToChar(WPARAM vk, LPARAM lParam)
{
    BYTE state[256] = {};
    GetKeyboardState(state);
    if (Modifiers() & cmdKey) {
        state[VK_CONTROL] = state[VK_LCONTROL] = state[VK_RCONTROL] = 0;
        if (Modifiers() & optionKey)
            state[VK_MENU] = state[VK_LMENU] = state[VK_RMENU] = 0;
        if (Modifiers() & shiftKey)
            state[VK_SHIFT] = state[VK_LSHIFT] = state[VK_RSHIFT] = 0;
    }
    WORD out[2] = {};
    int n = ToAscii(static_cast<UINT>(vk), static_cast<UINT>((lParam >> 16) & 0xFF), state, out, 0);
    if (n == 1) {
        if (vk == VK_DECIMAL) {
            char decimal[4] = {};
            if (GetProfileStringA("intl", "sDecimal", "", decimal, sizeof decimal) && decimal[0])
                return static_cast<uint8_t>(decimal[0]);
        }
        return static_cast<uint8_t>(out[0] & 0xFF);
    }
    return VirtualKeyRow(vk).character;
}

// A character as the event carries it: upper-half ANSI characters become Macintosh ones (with
// optionKey) while high-character mapping is on.
uint8_t MapTypedCharacter(uint8_t c)
{
    if (c >= 0x80 && HighCharacterMapping()) {
        Modifiers() |= optionKey;
        return MacHighCharacter(c);
    }
    return c;
}

void FillRecord(EventRecord *event, uint16_t what, uint32_t message)
{
    if (!event)
        return;
    event->what = what;
    event->message = message;
    event->when = LowMem<uint32_t>(lmTicks);
    event->where = MouseLocation();
    event->modifiers = Modifiers();
}

// A WM_CHAR no key-down stood for: a key-down, the repeats as auto-keys, a key-up. The repeats are
// bounded by the room left in the queue, so a huge repeat count cannot flush it with beeps.
uint16_t TranslateCharacter(bool post, WPARAM wParam, LPARAM lParam, uint32_t *messageOut)
{
    uint8_t c = static_cast<uint8_t>(wParam & 0xFF);
    uint16_t keyCode;
    if (c < 0x80 || !HighCharacterMapping()) {
        keyCode = CharKeyCode(c);
    } else {
        Modifiers() |= optionKey;
        c = MacHighCharacter(c);
        keyCode = kUnmappedKeyCode;
    }
    uint32_t message = (static_cast<uint32_t>(keyCode) << 8) | c;
    if (sCharPending)
        Modifiers() &= static_cast<uint16_t>(~(optionKey | cmdKey));
    sLastCharacter = c;
    sLastKeyCode = static_cast<uint8_t>(keyCode);
    if (post) {
        bool keyUpsQueued = (LowMem<uint16_t>(lmSysEvtMask) & keyUpMask) != 0;
        int room = kEventQueueSlots - QueuedEventCount() - 1 - (keyUpsQueued ? 1 : 0);
        int repeats = static_cast<int>(lParam & 0xFFFF) - 1;
        if (repeats > room)
            repeats = room;
        PostStamped(keyDown, message);
        for (int i = 0; i < repeats; ++i)
            PostStamped(autoKey, message);
        PostStamped(keyUp, message);
    }
    *messageOut = message;
    return keyDown;
}

// A key-down or key-up that makes an event: its character and key code.
uint32_t KeyMessage(WPARAM vk, LPARAM lParam)
{
    uint8_t c;
    uint16_t keyCode;
    if (vk == VK_RETURN && (lParam & 0x01000000)) {
        c = 0x03;
        keyCode = 0x4C;
    } else {
        c = MapTypedCharacter(KeyToChar(vk, lParam));
        KeyRow row = VirtualKeyRow(vk);
        keyCode = row.keyCode || row.character ? row.keyCode : kUnmappedKeyCode;
        if (vk >= 0x80)
            keyCode = kUnmappedKeyCode;
    }
    if (keyCode == kUnmappedKeyCode)
        keyCode = CharKeyCode(c);
    sLastCharacter = c;
    sLastKeyCode = static_cast<uint8_t>(keyCode);
    return (static_cast<uint32_t>(keyCode) << 8) | c;
}

// Ctrl+Alt on a key the keyboard layout turns into a character (AltGr): the character comes with the
// WM_CHAR that TranslateMessage has already queued behind this key-down.
bool LayoutCharacterFollows(HWND window)
{
    MSG next;
    return PeekMessageA(&next, window, WM_CHAR, WM_CHAR, PM_NOREMOVE | PM_NOYIELD) != 0;
}

} // namespace

// ---- modifiers, the last key and the application-active flag ----

void UpdateKeyModifiers(bool noOption)
{
    SetModifier(shiftKey, GetKeyState(VK_SHIFT) < 0);
    SetModifier(optionKey, !noOption && GetKeyState(VK_MENU) < 0);
    SetModifier(cmdKey, GetKeyState(VK_CONTROL) < 0);
    SetModifier(alphaLock, (GetKeyState(VK_CAPITAL) & 1) != 0);
}

uint8_t LastKeyCodeTyped() { return sLastKeyCode; }
uint8_t LastCharacterTyped() { return sLastCharacter; }
uint16_t &LastMenuCommandID() { return sLastCommandID; }
bool AppActiveFlag() { return sAppActive; }
uint32_t PlayBackFlag() { return sPlayBack; }

uint16_t TranslateKeyMessage(bool post, HWND window, UINT message, WPARAM wParam, LPARAM lParam, EventRecord *event)
{
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
    uint16_t kind = 0;
    uint32_t eventMessage = 0;

    if (down || up) {
        WPARAM vk = wParam;
        if (NumLockOn() && (vk == VK_SUBTRACT || vk == VK_ADD))
            Modifiers() |= shiftKey;
        if (down)
            sCharPending = false;
        bool ctrlAlt = (Modifiers() & cmdKey) && (Modifiers() & optionKey);
        if (IsModifierKey(vk) || (sCharPending && !(vk == VK_NUMPAD0 && NumLockOn()))) {
            kind = 0;
        } else if (down) {
            if (ctrlAlt && LayoutCharacterFollows(window))
                sCharPending = true; // the character arrives with its WM_CHAR
            else if (!ctrlAlt || IsCharacterKey(vk))
                kind = keyDown;
            else
                sCharPending = true;
        } else {
            kind = keyUp;
        }
        // The key after a dead key composes a character: only its WM_CHAR counts.
        if (sDeadKey && message == WM_KEYDOWN && vk != VK_SHIFT) {
            sDeadKey = false;
            kind = 0;
        }
        if (kind) {
            eventMessage = KeyMessage(vk, lParam);
            if (post)
                PostStamped(kind, eventMessage);
        }
        sKeyDownPosted = kind == keyDown && eventMessage != 0;
    } else if (message == WM_CHAR) {
        if (sKeyDownPosted)
            sKeyDownPosted = false; // TranslateMessage's character of a key already posted
        else
            kind = TranslateCharacter(post, wParam, lParam, &eventMessage);
    } else {
        if (message == WM_DEADCHAR)
            sDeadKey = true;
        sKeyDownPosted = false;
    }
    FillRecord(event, kind, eventMessage);
    return kind;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_EventKey(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    UpdateKeyModifiers(false);
    return static_cast<int16_t>(TranslateKeyMessage(true, hwnd, message, wParam, lParam, nullptr));
}

// ---- the mouse ----

namespace {

LRESULT AnswerSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (!sAppActive)
        return DefWindowProcA(hwnd, WM_SETCURSOR, wParam, lParam);
    HWND child = reinterpret_cast<HWND>(wParam);
    bool client = LOWORD(lParam) == HTCLIENT;
    HWND mdiClient = SessionMdiClient();
    uint32_t now = LowMem<uint32_t>(lmTicks);
    if (client && child && child == sCursorChild && mdiClient && GetParent(child) == mdiClient && !ModalWindowUp() &&
        now - sCursorTick <= kCursorFilterTicks)
        return 1;
    if (ButtonIsDown())
        return 1;
    LRESULT result = DefWindowProcA(hwnd, WM_SETCURSOR, wParam, lParam);
    ForgetAppliedCursor();
    sCursorChild = client ? child : nullptr;
    sCursorTick = now;
    return result;
}

// The grow box of a resizable library window answers as the bottom-right sizing corner.
LRESULT GrowBoxHitTest(HWND hwnd, LRESULT hit, int x, int y)
{
    WindowPtr window = nullptr;
    uint16_t flags = 0;
    if (hit != HTCLIENT || !HwndToWindowPtr(hwnd, &window, &flags) || !window || !(flags & wcfResizable))
        return hit;
    if (SessionFlag(zelFlagMDIFrame)) {
        HWND framed = (flags & wcfMDIChild) ? GetParent(hwnd) : hwnd;
        if (IsZoomed(framed ? framed : hwnd))
            return hit;
    }
    POINT p{x, y};
    ScreenToClient(hwnd, &p);
    const Rect &port = window->portRect;
    int growWidth = GetSystemMetrics(SM_CXVSCROLL), growHeight = GetSystemMetrics(SM_CYHSCROLL);
    if (port.right - growWidth < p.x && p.x <= port.right && port.bottom - growHeight < p.y && p.y <= port.bottom)
        return HTBOTTOMRIGHT;
    return hit;
}

} // namespace

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_EventMouse(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    UnobscureCursor();
    if (message == WM_SETCURSOR)
        return AnswerSetCursor(hwnd, wParam, lParam);

    POINT p{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
    bool rightMark = false;
    bool clientButton = false;
    uint16_t what = 0;
    uint32_t eventMessage = 0;
    bool outsideClient = hwnd && hwnd == SessionMdiClient();
    switch (message) {
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK:
        rightMark = sRightButtonHeld = sButtonDownFlag = true;
        [[fallthrough]];
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (!rightMark)
            sRightButtonHeld = false;
        Modifiers() &= static_cast<uint16_t>(~btnState);
        MouseLocation() = GlobalMousePoint(p);
        return ZEL_NCMessage(hwnd, message, wParam, lParam);
    case WM_NCRBUTTONUP:
        rightMark = true;
        sRightButtonHeld = false;
        [[fallthrough]];
    case WM_NCLBUTTONUP:
        what = mouseUp;
        Modifiers() |= btnState;
        sButtonDownFlag = false;
        MouseLocation() = GlobalMousePoint(p);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        rightMark = sRightButtonHeld = sButtonDownFlag = true;
        [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!rightMark)
            sRightButtonHeld = false;
        if (outsideClient)
            break;
        ClientToScreen(hwnd, &p);
        sButtonDownFlag = true;
        Modifiers() &= static_cast<uint16_t>(~btnState);
        MouseLocation() = GlobalMousePoint(p);
        what = mouseDown;
        clientButton = true;
        break;
    case WM_RBUTTONUP:
        rightMark = true;
        sRightButtonHeld = false;
        [[fallthrough]];
    case WM_LBUTTONUP:
        if (outsideClient)
            break;
        ClientToScreen(hwnd, &p);
        Modifiers() |= btnState;
        MouseLocation() = GlobalMousePoint(p);
        sButtonDownFlag = false;
        what = mouseUp;
        clientButton = true;
        break;
    case WM_MOUSEMOVE:
        if (!(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && LibrarySetting(settingMouseMovedEvents)) {
            what = osEvt;
            eventMessage = static_cast<uint32_t>(mouseMovedMessage) << 24;
        }
        clientButton = true;
        break;
    case WM_NCHITTEST:
        MouseLocation() = GlobalMousePoint(p);
        break;
    default:
        break;
    }

    // The right button: a control-click under session flag 0x800, the left button under 0x400, else
    // left to Windows.
    Modifiers() &= static_cast<uint16_t>(~controlKey);
    if (rightMark || sRightButtonHeld) {
        if (SessionFlag(zelFlagRightIsControl))
            Modifiers() |= controlKey;
        else if (!SessionFlag(zelFlagRightIsLeft) && rightMark)
            what = 0;
    }
    if (clientButton) {
        SetModifier(shiftKey, (wParam & MK_SHIFT) != 0);
        SetModifier(optionKey, GetKeyState(VK_MENU) < 0);
        SetModifier(cmdKey, (wParam & MK_CONTROL) != 0);
        int16_t mode = TabletInputMode();
        if (mode == 2 || mode == 6)
            SetModifier(kTabletBit, QueryTabletModifierBit() != 0);
    }
    if (what) {
        PostStamped(what, eventMessage);
        return 1;
    }
    LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCHITTEST)
        result = GrowBoxHitTest(hwnd, result, p.x, p.y);
    return result;
}

// ---- simulated clicks and part clicks ----

int16_t PostClickInRect(HWND window, const Rect &rect, const Point *where)
{
    Modifiers() &= static_cast<uint16_t>(~btnState);
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    MapWindowPoints(window, GlobalSpaceWindow(), corners, 2);
    Point &mouse = MouseLocation();
    if (mouse.h < corners[0].x || mouse.h >= corners[1].x)
        mouse.h = static_cast<int16_t>(corners[0].x + (corners[1].x - corners[0].x) / 2);
    if (mouse.v < corners[0].y || mouse.v >= corners[1].y)
        mouse.v = static_cast<int16_t>(corners[0].y + (corners[1].y - corners[0].y) / 2);
    EventRecord click{mouseDown, 0, LowMem<uint32_t>(lmTicks), where ? *where : mouse, Modifiers()};
    EnqueueEvent(&click);
    Modifiers() |= btnState;
    return PostStamped(mouseUp, 0);
}

int16_t PostClickOnChildWindow(HWND child)
{
    HWND parent = GetParent(child);
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&r), 2);
    Rect rect{static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
              static_cast<int16_t>(r.right)};
    return PostClickInRect(parent, rect, nullptr);
}

void ReadMouseLocation(Point *pt)
{
    POINT p{};
    GetCursorPos(&p);
    MouseLocation() = GlobalMousePoint(p);
    if (pt)
        *pt = MouseLocation();
}

// A pending drag click stays last: the part click goes in its place and the drag follows it.
void PostPartMouseDown(int16_t part)
{
    UpdateKeyModifiers(false);
    EventRecord click{mouseDown, 0, LowMem<uint32_t>(lmTicks), Point{static_cast<int16_t>(-part), -1}, Modifiers()};
    auto *tail = reinterpret_cast<EvQEl *>(GetEvQHdr()->qTail);
    if (tail && tail->evtQWhat == mouseDown && tail->evtQWhere.h == -1 && tail->evtQWhere.v == -inDrag) {
        EventRecord drag{tail->evtQWhat, tail->evtQMessage, tail->evtQWhen, tail->evtQWhere, tail->evtQModifiers};
        tail->evtQMessage = click.message;
        tail->evtQWhen = click.when;
        tail->evtQWhere = click.where;
        tail->evtQModifiers = click.modifiers;
        EnqueueEvent(&drag);
        return;
    }
    EnqueueEvent(&click);
}

// ---- commands ----

namespace {

bool IsListContainer(HWND hwnd) { return ((GetDlgCtrlID(hwnd) >> 8) & 0xFF) == 0xFE; }

// Whether a control's notification is a click of the dialog item it stands for.
bool NotificationIsClick(HWND hwnd, WindowPtr dialog, HWND control, int16_t item, uint16_t code)
{
    bool isEdit = false;
    uint16_t kind = LibraryControlKind(control, &isEdit);
    if (kind == controlKindOther)
        return false;
    if (kind == controlKindList) {
        // A row-per-item list box (its own ID carries 0xFE) posts its clicks itself on release: only a
        // double click counts here, not a keyboard move.
        return code == LBN_DBLCLK || (!IsListContainer(hwnd) && !IsListContainer(control) && code == LBN_SELCHANGE);
    }
    if (kind == controlKindCustom)
        return false;
    // Outside a dialog a library button, check box or radio button makes its click itself.
    if (reinterpret_cast<WindowPeek>(dialog)->windowKind != dialogKind)
        return kind == controlKindButton && (code == BN_CLICKED || code == BN_DOUBLECLICKED);
    int16_t type = static_cast<int16_t>(DialogItemTypeOf(dialog, item) & 0x7F);
    constexpr int16_t kUserItem = 0, kControlFirst = 4, kControlLast = 7, kEditText = 16, kPicture = 64;
    bool controlType = type >= kControlFirst && type <= kControlLast;
    if ((type == kUserItem || controlType) && kind == controlKindCombo) {
        if (code == CBN_CLOSEUP)
            return true;
        return code == CBN_SELCHANGE && !SendMessageA(control, CB_GETDROPPEDSTATE, 0, 0);
    }
    if (type == kEditText) {
        if (code == EN_SETFOCUS || code == EN_KILLFOCUS)
            NoteDialogEditFocus(dialog, item, control, code == EN_SETFOCUS);
        return false;
    }
    if (type != kPicture && !controlType)
        return false;
    return kind == controlKindButton && (code == BN_CLICKED || code == BN_DOUBLECLICKED);
}

} // namespace

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_EventCommand(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam)
{
    if (lParam == 0) {
        sLastCommandID = LOWORD(wParam);
        return static_cast<LRESULT>(wParam);
    }
    sLastCommandID = 0;
    HWND control = reinterpret_cast<HWND>(lParam);
    uint16_t code = HIWORD(wParam);
    int16_t item = static_cast<int16_t>(LOWORD(wParam));
    WindowPtr dialog = nullptr;
    if (!HwndToWindowPtr(hwnd, &dialog, nullptr) || !dialog)
        return 0; // not a library window: nothing of the Dialog Manager is asked
    if (!NotificationIsClick(hwnd, dialog, control, item, code))
        return code;
    bool isEdit = false;
    if (LibraryControlKind(control, &isEdit) == controlKindList) {
        Rect cell;
        if (!ListClickRect(control, code == LBN_DBLCLK, &cell))
            return 0;
        if (int16_t busy = ItemChangeCounter())
            return busy;
        return PostClickInRect(GetParent(control), cell, nullptr);
    }
    if (int16_t busy = ItemChangeCounter())
        return busy;
    return PostClickOnChildWindow(control);
}

// ---- activation of the application ----

namespace {

void RestoreFocus(HWND target)
{
    HWND main = SessionMainWindow();
    HWND focus = target;
    if (sSavedFocus && IsWindow(sSavedFocus) && (GetParent(sSavedFocus) == target || target == main)) {
        focus = sSavedFocus;
        if (target != main)
            sPendingFocus = sSavedFocus;
    }
    SetFocus(focus);
}

} // namespace

void SetPendingFocusWindow(HWND hwnd) { sPendingFocus = hwnd; }
HWND PendingFocusWindow() { return sPendingFocus; }

ZEL_EXTERN_C void ZEL_CALL ZEL_ActivateApp(int16_t active)
{
    sAppActive = active != 0;
    UnobscureCursor();
    uint32_t message;
    bool convert = false;
    if (active) {
        HDC screen = GetDC(nullptr);
        ActivateAppPalette(screen);
        ReleaseDC(nullptr, screen);
        ResumeTabletContext();
        HWND target = sHookTargetSaved ? sSavedHookTarget : DlgKeyHookWindow();
        sHookTargetSaved = false;
        SetDlgKeyHookWindow(target, true);
        if (target) {
            RestoreFocus(target);
            // The host's main window is a hook target without a window record.
            WindowPtr record = nullptr;
            if (HwndToWindowPtr(target, &record, nullptr) && record)
                Peek(record)->hilited = 1;
        } else {
            SetFocus(SessionMainWindow());
        }
        int16_t scrapCount = LowMem<ScrapStuff>(lmScrapInfo).scrapCount;
        convert = scrapCount != sLastScrapCount;
        sLastScrapCount = scrapCount;
        message = convert ? kResumeConvertClipboard : kResumeMessage;
    } else {
        HDC screen = GetDC(nullptr);
        DeactivateAppPalette(screen);
        ReleaseDC(nullptr, screen);
        SuspendTabletContext();
        sSavedFocus = GetFocus();
        sSavedHookTarget = DlgKeyHookWindow();
        sHookTargetSaved = true;
        SetDlgKeyHookWindow(nullptr, false);
        message = kSuspendMessage;
    }
    PortDCRecord *record = CurrentPortRecord();
    if (!sFirstActivation && HasScrapCallback() && record && record->hdc)
        CallScrapCallback(active ? 4 : 3, convert ? 1 : 0, record->hdc, 0, 0, 0, 0);
    sFirstActivation = false;
    PostEventNow(osEvt, message);
    LowMem<uint32_t>(lmDoubleTime) = GetDoubleClickTime() >> 4;
}

// ---- small host hooks ----

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_PlayBack(uint32_t value)
{
    uint32_t previous = sPlayBack;
    sPlayBack = value;
    return previous;
}

ZEL_EXTERN_C FARPROC ZEL_CALL ZEL_SetVelcastHook(int16_t selector, FARPROC hook)
{
    if (selector != 1)
        return nullptr;
    return SetFileTypeByExtensionHook(hook);
}

// Menu choices: Windows menu commands recorded as the Macintosh MenuSelect result and a menu-bar click,
// menus with their own definition procedure tracked through WM_MENUSELECT and WM_ENTERIDLE, and pop-up
// menus through TrackPopupMenu or a library window driven by a definition procedure.
#include "menu_manager.h"

#include <cstring>

#include "LowMem.h"
#include "MacMemory.h"
#include "MacWindows.h"
#include "Quickdraw.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"

namespace {

uint32_t sMenuResult;
uint16_t sLastCommand;   // the command a pop-up's menu loop sent, while one is tracked
int sTrackingDepth;
bool sMenuTracking;      // a definition procedure is choosing: GetMouse answers in the menu's DC
// A menu with its own procedure, open in a Windows menu.
int sOpenSlot = -1;
int16_t sProcChoice;
bool sChosen;
OwnerDrawState sOwnerDraw;
// Hooks: the menu hook (no arguments) and the tear-off hook of the next pop-up (the cursor point).
typedef void(ZEL_CALL *MenuHookProc)(void);
typedef Boolean(ZEL_CALL *TearOffHookProc)(Point where);
FARPROC sMenuHook;
FARPROC sTearOffHook;
bool sTearOffTracking;
// Two menu resource files {key, file reference}.
struct MenuResFile {
    uint32_t key;
    int16_t refNum;
} sMenuResFiles[2];

// Runs the choose message of the open definition-procedure menu at the cursor, in its window's DC.
void ChooseInOpenMenu(MenuHandle menu)
{
    MenuDefProcPtr proc = MenuOwnProc(menu);
    if (!proc || !sOwnerDraw.openWindow || !IsWindow(sOwnerDraw.openWindow))
        return;
    HDC dc = GetDC(sOwnerDraw.openWindow);
    ZEL_SetWMgrPortDC(TRUE, sOwnerDraw.openWindow, dc, &sOwnerDraw.menuRect);
    POINT cursor{};
    GetCursorPos(&cursor);
    MouseLocation() = GlobalMousePoint(cursor);
    const bool down = (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
    POINT local = cursor;
    ScreenToClient(sOwnerDraw.openWindow, &local);
    const Point hit{static_cast<int16_t>(local.y), static_cast<int16_t>(local.x)};
    const bool inside = hit.v >= sOwnerDraw.menuRect.top && hit.v < sOwnerDraw.menuRect.bottom && hit.h >= sOwnerDraw.menuRect.left &&
                        hit.h < sOwnerDraw.menuRect.right;
    if (sProcChoice || (down && inside)) {
        sMenuTracking = true;
        proc(mChooseMsg, menu, &sOwnerDraw.menuRect, hit, &sProcChoice);
        sMenuTracking = false;
        sChosen = sProcChoice != 0;
    }
    ZEL_SetWMgrPortDC(FALSE, sOwnerDraw.openWindow, dc, &sOwnerDraw.menuRect);
    ReleaseDC(sOwnerDraw.openWindow, dc);
}

VOID CALLBACK PopUpIdleTimer(HWND, UINT, UINT_PTR, DWORD)
{
    ZEL_EnterIdle(SessionMainWindow(), WM_ENTERIDLE, MSGF_MENU, 0);
}

// The height of items 1 .. item - 1 as a pop-up built from the menu shows them.
int HeightAbove(MenuHandle menu, int16_t item)
{
    const MenuGeometry &g = CurrentMenuGeometry();
    int height = 0;
    for (int16_t i = 1; i < item; ++i) {
        MenuItemView view;
        if (!FindMenuItem(menu, i, &view))
            break;
        height += view.text[0] == 1 && view.text[1] == '-' ? g.separatorHeight : g.lineHeight + 2;
    }
    return height;
}

// The mouse in the pop-up's port, whose origin is the menu rectangle's top left: the rectangle's own
// coordinates.
Point MouseInMenu()
{
    Point p{};
    GetMouse(&p);
    return p;
}

bool InRect(Point p, const Rect &r) { return p.v >= r.top && p.v < r.bottom && p.h >= r.left && p.h < r.right; }

// Waits until the mouse leaves a 9-by-9 square around `start` or enters `rect`; false when the button
// came up first without a move (a later click goes on choosing).
bool WaitForMovement(Point start, const Rect &rect)
{
    for (;;) {
        const Point p = MouseInMenu();
        if (p.h < start.h - 4 || p.h > start.h + 4 || p.v < start.v - 4 || p.v > start.v + 4 || InRect(p, rect))
            return true;
        if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000))
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(1);
    }
}

} // namespace

OwnerDrawState &MenuOwnerDrawState() { return sOwnerDraw; }

// The item-table key of the item being drawn, measured or sized; a non-negative `set` replaces it.
ZEL_EXTERN_C int32_t ZEL_CALL MenuOwnerDrawKey(int32_t set)
{
    const int32_t previous = sOwnerDraw.currentKey;
    if (set >= 0)
        sOwnerDraw.currentKey = static_cast<uint16_t>(set);
    return previous;
}

// Whether a definition procedure is choosing from a menu (GetMouse then answers in the menu's DC).
bool MenuTrackingActive() { return sMenuTracking; }
bool PopUpMenuTracked() { return sTrackingDepth > 0; }

// ---- Host glue ----
ZEL_EXTERN_C void ZEL_CALL ZEL_EventMenuSel(uint16_t command)
{
    if (command == 0xFFFF)
        command = MenuQuitCommand();
    int16_t menuID;
    const MenuSlotEntry *slot = nullptr;
    if (command) {
        menuID = MenuIDFromCommand(command);
        slot = MenuSlotAt(command >> 8);
    } else {
        menuID = BarMenuIDAtIndex(1);
    }
    const bool procSlot = slot && (slot->flags & menuSlotOwnProc);
    int16_t item = static_cast<int16_t>(command & 0xFF);
    if (sTrackingDepth) {
        sLastCommand = command;
        return;
    }
    sLastCommand = 0;
    if (procSlot && MenuOwnProc(slot->menu)) {
        // The procedure chose; Windows only saw its one owner-drawn item.
        if (!sProcChoice)
            return;
        item = static_cast<int16_t>(sProcChoice - 1);
        sProcChoice = 0;
        sChosen = false;
    }
    sMenuResult = (static_cast<uint32_t>(static_cast<uint16_t>(menuID)) << 16) | static_cast<uint16_t>(item + 1);
    if (!procSlot)
        HiliteMenu(menuID);
    PostPartMouseDown(1);
}

ZEL_EXTERN_C int32_t ZEL_CALL MenuSelect(Point) { return static_cast<int32_t>(sMenuResult); }

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_MenuSelect(HWND, UINT, WPARAM wParam, LPARAM lParam)
{
    UnobscureCursor();
    const uint16_t item = LOWORD(wParam), flags = HIWORD(wParam);
    if (item == 0 && lParam == 0 && flags == 0xFFFF) {
        sOpenSlot = -1;
        return 1;
    }
    const MenuSlotEntry *slot = MenuSlotAt(item >> 8);
    if ((flags & MF_OWNERDRAW) && !(flags & MF_POPUP) && slot && (slot->flags & menuSlotOwnProc)) {
        if (sOpenSlot < 0)
            sProcChoice = 0;
        sOpenSlot = item >> 8;
        if (const MenuItemEntry *e = FindMenuItemEntry(item))
            ChooseInOpenMenu(e->menu);
        return 0;
    }
    if (!sProcChoice)
        sOpenSlot = -1;
    return 0;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_EnterIdle(HWND window, UINT, WPARAM, LPARAM)
{
    bool cancelled = false;
    if (sTearOffTracking && sTearOffHook && (GetAsyncKeyState(VK_LBUTTON) & 0x8000)) {
        POINT p{};
        GetCursorPos(&p);
        HWND top = GetForegroundWindow();
        RECT r{};
        if (top)
            GetWindowRect(top, &r);
        if (!top || !PtInRect(&r, p)) {
            const Point where{static_cast<int16_t>(p.y), static_cast<int16_t>(p.x)};
            if (reinterpret_cast<TearOffHookProc>(sTearOffHook)(where)) {
                cancelled = true;
                SendMessageA(window, WM_CANCELMODE, 0, 0);
            }
        }
    }
    if (!cancelled && sOpenSlot >= 0) {
        POINT p{};
        GetCursorPos(&p);
        MouseLocation() = GlobalMousePoint(p);
        ZEL_MenuSelect(window, WM_MENUSELECT, MAKEWPARAM(sOpenSlot << 8, MF_OWNERDRAW), 1);
    }
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetMenuHook(FARPROC hook)
{
    if (sMenuHook)
        FreeHostProcInstance(sMenuHook);
    sMenuHook = hook ? MakeHostProcInstance(hook) : nullptr;
}

ZEL_EXTERN_C FARPROC ZEL_CALL ZEL_GetMenuHook(void) { return sMenuHook; }

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_SetMenuResFile(int16_t index, uint32_t key, int16_t refNum)
{
    if (index < 0 || index > 1)
        return false;
    sMenuResFiles[index] = MenuResFile{key, refNum};
    return true;
}

// The resource file set for a menu with ZEL_SetMenuResFile, or -1.
int16_t MenuResFileFor(MenuHandle menu)
{
    for (const MenuResFile &f : sMenuResFiles)
        if (f.key && f.key == static_cast<uint32_t>(reinterpret_cast<uintptr_t>(menu)))
            return f.refNum;
    return -1;
}

// ---- Pop-up menus ----
int32_t TrackDefProcPopup(MenuHandle menu, int16_t top, int16_t left)
{
    MenuDefProcPtr proc = MenuOwnProc(menu);
    if (!proc)
        proc = reinterpret_cast<MenuDefProcPtr>(StandardMDEF);
    Rect rect{top, left, static_cast<int16_t>(top + (*menu)->menuHeight),
              static_cast<int16_t>(left + (*menu)->menuWidth)};
    int16_t item = 0;
    GrafPtr saved = CurrentPort();
    if (WMgrCPort())
        SetPor(reinterpret_cast<GrafPtr>(WMgrCPort()));
    proc(mSizeMsg, menu, &rect, Point{top, left}, &item);
    // Taller than the screen: further columns of the same width, cut to the usable height.
    const int usable = CurrentMenuGeometry().usableHeight;
    const int height = rect.bottom - rect.top, width = rect.right - rect.left;
    if (height > usable && usable > 0) {
        const int columns = (height + usable - 1) / usable;
        rect.right = static_cast<int16_t>(rect.left + columns * width);
        rect.bottom = static_cast<int16_t>(rect.top + usable);
    }
    proc(mPopUpMsg, menu, &rect, Point{top, left}, &item);

    WindowPtr window = NewCWindow(nullptr, &rect, reinterpret_cast<const unsigned char *>("\0"), false, 255,
                                  reinterpret_cast<WindowPtr>(-1), false, 0);
    if (!window) {
        if (saved)
            SetPor(saved);
        return 0;
    }
    HWND hwnd = ZEL_GethWnd(window);
    const ULONG_PTR oldBrush =
        hwnd ? SetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(GetSysColorBrush(COLOR_MENU))) : 0;
    ShowWindo(window);
    SetPor(reinterpret_cast<GrafPtr>(window));
    SetOrigin(rect.left, rect.top);
    if (hwnd)
        SetCapture(hwnd);
    LowMem<int16_t>(lmAtMenuBottom) = rect.bottom;
    LowMem<int16_t>(lmTopMenuItem) = rect.top;
    int16_t choice = 0;
    proc(mDrawMsg, menu, &rect, Point{top, left}, &choice);

    const Point start = MouseInMenu();
    bool moved = WaitForMovement(start, rect);
    RgnHandle gray = LowMem<RgnHandle>(lmGrayRgn);
    while (WaitMouseUp()) {
        const Point hit = MouseInMenu();
        const bool inside = InRect(hit, rect);
        if (!inside && !choice) {
            if (sMenuHook)
                reinterpret_cast<MenuHookProc>(sMenuHook)();
            moved |= hit.v != start.v || hit.h != start.h;
            if (moved) {
                POINT origin{0, 0};
                if (gray && SessionMainWindow())
                    ClientToScreen(SessionMainWindow(), &origin);
                if (gray)
                    OffsetRg(gray, static_cast<int16_t>(origin.x), static_cast<int16_t>(origin.y));
                proc(mChooseMsg, menu, &rect, hit, &choice);
                if (gray)
                    OffsetRg(gray, static_cast<int16_t>(-origin.x), static_cast<int16_t>(-origin.y));
            }
        } else {
            proc(mChooseMsg, menu, &rect, hit, &choice);
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    if (hwnd)
        SetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND, static_cast<LONG_PTR>(oldBrush));
    ReleaseCapture();
    if (saved)
        SetPor(saved);
    DisposeWindow(window);
    return choice ? static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>((*menu)->menuID)) << 16) |
                                         static_cast<uint16_t>(choice))
                  : 0;
}

int32_t PopUpMenuSelectDefault(MenuHandle menu, int16_t top, int16_t left, int16_t popUpItem)
{
    if (!menu || !*menu)
        return 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, PopUpIdleTimer);
    LowMem<int16_t>(lmAtMenuBottom) = 0;
    LowMem<int16_t>(lmTopMenuItem) = 1;
    sLastCommand = 0;
    sChosen = false; // only a choice made in this pop-up's own menu loop replaces its item
    // The tear-off hook of setting 49 serves this one pop-up.
    const FARPROC tearOff = reinterpret_cast<FARPROC>(static_cast<uintptr_t>(LibrarySetting(settingTearOffHook)));
    if (!tearOff && (MenuOwnProc(menu) || sMenuHook)) {
        KillTimer(nullptr, timer);
        return TrackDefProcPopup(menu, top, left);
    }
    if (tearOff) {
        sTearOffHook = MakeHostProcInstance(tearOff);
        sTearOffTracking = true;
    }
    HMENU hmenu = CreatePopupMenu();
    const int slot = AssignMenuSlot(menu, (*menu)->menuID, menuSlotPopUp);
    int16_t columns = 1;
    if (slot > 0)
        BuildWinMenu(menu, hmenu, static_cast<uint16_t>(slot << 8), true, &columns);
    // The menu's place is global; Windows tracks it on the screen.
    const POINT onScreen = GlobalToScreen(POINT{left, top});
    int y = onScreen.y, x = onScreen.x;
    if (popUpItem > 0)
        y -= HeightAbove(menu, popUpItem);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int needed = columns * (*menu)->menuWidth + 80;
    if (x + needed > screenWidth)
        x = screenWidth - needed;
    if (x < 0)
        x = 0;
    ++sTrackingDepth;
    HWND owner = SessionMainWindow();
    if (WindowPtr front = FrontWindow())
        if (HWND frontWindow = ZEL_GethWnd(front))
            owner = frontWindow;
    const POINT mouse = GlobalToScreen(POINT{MouseLocation().h, MouseLocation().v});
    RECT keep{mouse.x - 5, mouse.y - 5, mouse.x + 5, mouse.y + 5};
    int16_t item = 0, menuID = 0;
    if (TrackPopupMenu(hmenu, 0, x - 1 < 0 ? 0 : x - 1, y - 1 < 0 ? 0 : y - 1, 0, owner, &keep)) {
        MSG msg;
        if (SessionMainWindow())
            PeekMessageA(&msg, SessionMainWindow(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE);
        for (int pass = 0; pass < 16 && !sLastCommand; ++pass)
            PumpEvents(mDownMask, nullptr, 0);
        if (sLastCommand) {
            item = static_cast<int16_t>((sLastCommand & 0xFF) + 1);
            menuID = MenuIDFromCommand(sLastCommand);
        }
    }
    --sTrackingDepth;
    DestroyMenu(hmenu);
    if (sTearOffHook) {
        FreeHostProcInstance(sTearOffHook);
        sTearOffHook = nullptr;
        SetLibrarySetting(settingTearOffHook, 0);
    }
    sTearOffTracking = false;
    if (sChosen) {
        item = sProcChoice;
        menuID = (*menu)->menuID;
        sChosen = false;
    }
    KillTimer(nullptr, timer);
    return item ? static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(menuID)) << 16) |
                                       static_cast<uint16_t>(item))
                : 0;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_PopUpMenuSelectUsingDiffFont(MenuHandle menu, int16_t top, int16_t left,
                                                             int16_t popUpItem, const char *face, int16_t height)
{
    SetMenuPopUpFont(face, height);
    const int32_t result = PopUpMenuSelect(menu, top, left, popUpItem);
    SetMenuPopUpFont(nullptr, 0);
    return result;
}

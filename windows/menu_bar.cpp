// Menu bar and menu selection: the MenuList and its mirror in the host frame's Windows menu, Apple-menu
// folding into the host's own submenu, title hiliting, key equivalents and the recorded menu choice.
#include "menu_manager.h"

#include <cstring>
#include <vector>

#include "LowMem.h"
#include "MacMemory.h"
#include "../core/core_services.h"
#include "../files/files_services.h"

namespace {

constexpr ResType kMenuBarType = 0x4D424152; // 'MBAR'
constexpr int kMaxBarMenus = 255;
constexpr int kTitleCompare = 16; // characters of a title compared to tell a changed bar

// The MenuList: a 6-byte header {offset of the last entry, right edge of the last title, resource ID},
// then 6-byte entries {menu handle, left edge of its title}.
#pragma pack(push, 2)
struct MenuListHeader {
    int16_t lastOffset;
    int16_t lastRight;
    int16_t resID;
};
struct MenuListEntry {
    MenuHandle menu;
    int16_t left;
};
#pragma pack(pop)
static_assert(sizeof(MenuListHeader) == 6 && sizeof(MenuListEntry) == 6, "MenuList entries are 6 bytes");

Handle &MenuListGlobal() { return LowMem<Handle>(lmMenuList); }

// Entries the MenuList holds: its header's count, bounded by the handle's size.
int BarCount()
{
    Handle list = MenuListGlobal();
    if (!list || !*list || GetHandleSize(list) < 6)
        return 0;
    const int declared = reinterpret_cast<const MenuListHeader *>(*list)->lastOffset / 6;
    const int room = (GetHandleSize(list) - 6) / 6;
    return declared < 0 ? 0 : declared < room ? declared : room;
}

MenuListEntry *BarEntry(int index) // from 0
{
    return reinterpret_cast<MenuListEntry *>(*MenuListGlobal() + 6) + index;
}

MenuHandle BarMenu(int index) { return index >= 0 && index < BarCount() ? BarEntry(index)->menu : nullptr; }

int BarIndexOf(int16_t menuID)
{
    for (int i = 0; i < BarCount(); ++i) {
        MenuHandle m = BarMenu(i);
        if (m && *m && (*m)->menuID == menuID)
            return i;
    }
    return -1;
}

bool Folding() { return LibrarySetting(settingAppleMenuFolding) != 0; }

// The host's frame menu as InitMenus found it, and the bar's mirror in it.
struct FrameState {
    HMENU frame;
    int hostItemPos;
    UINT hostItemCommand;
    HMENU hostSubmenu;
    char hostItemText[65];
    UINT hostLastCommand;
    bool installed;
    bool folded; // Apple-menu folding as it was when the bar was built
    int count;
    HMENU menus[kMaxBarMenus];
    int16_t ids[kMaxBarMenus];
    int hilitedPos; // frame position of the hilited title, -1 none
} sFrame;

bool sRedrawBar;

// The Windows menu made for a bar menu, with what it was made from. Rebuilding the bar keeps it for a
// menu whose record, slot and the menu geometry are all as they were: building it again would give the
// same items. Menus whose items depend on more than their own record (submenus, their own definition
// procedure, the Quit fallback, the host's item texts by bar position under Apple-menu folding) are
// always built again.
struct BuiltMenu {
    HMENU hmenu;
    MenuHandle menu;
    int16_t menuID;
    int slot;
    MenuGeometry geometry;
    std::vector<uint8_t> record;
};
std::vector<BuiltMenu> sBuilt;

bool HasSubmenuItems(MenuHandle menu)
{
    const uint8_t *p = reinterpret_cast<const uint8_t *>(*menu);
    const int32_t size = GetHandleSize(reinterpret_cast<Handle>(menu));
    for (int32_t offset = FirstItemOffset(menu);
         offset >= 0 && offset < size && p[offset] != 0 && offset + 1 + p[offset] + 4 <= size;
         offset += 1 + p[offset] + 4)
        if (p[offset + 1 + p[offset] + 1] == keySubmenu)
            return true;
    return false;
}

bool KeepableMenu(MenuHandle menu)
{
    return !(Folding() && SessionCommandMap()) && !MenuOwnProc(menu) && !IsApplicationQuitMenu(menu) &&
           !HasSubmenuItems(menu);
}

BuiltMenu Snapshot(HMENU hmenu, MenuHandle menu, int slot)
{
    BuiltMenu b{hmenu, menu, (*menu)->menuID, slot, CurrentMenuGeometry(), {}};
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(*menu);
    b.record.assign(bytes, bytes + GetHandleSize(reinterpret_cast<Handle>(menu)));
    return b;
}

bool BuiltFrom(const BuiltMenu &b, MenuHandle menu, int slot)
{
    const MenuGeometry &g = CurrentMenuGeometry();
    return b.menu == menu && b.menuID == (*menu)->menuID && b.slot == slot &&
           std::memcmp(&b.geometry, &g, sizeof g) == 0 &&
           b.record.size() == static_cast<size_t>(GetHandleSize(reinterpret_cast<Handle>(menu))) &&
           std::memcmp(b.record.data(), *menu, b.record.size()) == 0;
}

// Removes the item entries and slots that a Windows submenu tree was built from, then destroys it.
void ForgetWinMenu(HMENU hmenu)
{
    if (!hmenu || !IsMenu(hmenu))
        return;
    for (int i = GetMenuItemCount(hmenu) - 1; i >= 0; --i)
        if (HMENU sub = GetSubMenu(hmenu, i)) {
            if (const int16_t id = ZEL_MenuIDFromHMENU(sub))
                RemoveMenuItemEntries(id);
            ForgetWinMenu(sub);
            RemoveMenu(hmenu, i, MF_BYPOSITION);
        }
}

void DestroyBarMenu(HMENU hmenu, int16_t menuID)
{
    ForgetWinMenu(hmenu);
    RemoveMenuItemEntries(menuID);
    DestroyMenu(hmenu);
}

// Frame position of bar index `index` counted from 1 as HiliteMenu does, mapped to the frame's items.
int FramePosition(int index)
{
    int position;
    if (sFrame.folded)
        position = index == 0 ? sFrame.count + sFrame.hostItemPos : index;
    else
        position = index + 1;
    int frameItems = sFrame.frame ? GetMenuItemCount(sFrame.frame) : 0;
    const int barItems = sFrame.folded && sFrame.count ? sFrame.count - 1 : sFrame.count;
    const int hostItems = sFrame.hostItemPos + (sFrame.hostItemCommand || sFrame.hostSubmenu ? 1 : 0);
    return position - 1 + (frameItems == barItems + hostItems + 1 ? 1 : 0);
}

// Hilites or unhilites a title of the frame menu. Wine's HiliteMenuItem only ever selects the item, so
// the item's state is brought to the wanted one when the call left it otherwise.
void SetTitleHilite(int position, bool on)
{
    if (!sFrame.frame)
        return;
    HiliteMenuItem(SessionMainWindow(), sFrame.frame, position, MF_BYPOSITION | (on ? MF_HILITE : MF_UNHILITE));
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    if (!GetMenuItemInfoA(sFrame.frame, position, TRUE, &info) || ((info.fState & MFS_HILITE) != 0) == on)
        return;
    info.fState = on ? info.fState | MFS_HILITE : info.fState & ~MFS_HILITE;
    SetMenuItemInfoA(sFrame.frame, position, TRUE, &info);
    if (SessionMainWindow())
        DrawMenuBar(SessionMainWindow());
}

// Key-equivalent search in one menu: one pass over the record's bytes, the typed character folded once.
int16_t MatchKeyIn(MenuHandle menu, uint8_t character, bool shift, bool functionKeys)
{
    const uint8_t *p = reinterpret_cast<const uint8_t *>(*menu);
    const int32_t size = GetHandleSize(reinterpret_cast<Handle>(menu));
    const uint8_t up = character >= 'a' && character <= 'z' ? character - 32 : character;
    int32_t offset = FirstItemOffset(menu);
    // The walk of NextMenuItem: an item whose bytes do not all fit, or the end byte, ends the list.
    for (int16_t i = 1; offset >= 0 && offset < size && p[offset] != 0 && offset + 1 + p[offset] + 4 <= size; ++i) {
        const uint8_t *after = p + offset + 1 + p[offset];
        offset += 1 + p[offset] + 4;
        const struct {
            uint8_t key, style;
        } item{after[1], after[3]};
        if (!item.key || item.key == keySubmenu || item.key == keyIconSized || item.key == keySmallIcon)
            continue;
        bool needsShift = (item.style & (itemShift | itemStrikeShift)) != 0;
        bool match;
        if (functionKeys && item.key >= '0' && item.key <= '9') {
            static const uint8_t kFunctionKeyCodes[10] = {0x67, 0x7A, 0x78, 0x63, 0x76, 0x60, 0x61, 0x62, 0x64, 0x65};
            match = LastKeyCodeTyped() == kFunctionKeyCodes[item.key - '0'];
        } else {
            // Under flag 0x80 a lower-case key equivalent is shown as Shift and its letter, and so it
            // is matched: that letter typed with Shift.
            if (functionKeys && item.key >= 'a' && item.key <= 'z')
                needsShift = true;
            const uint8_t key = item.key >= 'a' && item.key <= 'z' ? item.key - 32 : item.key;
            match = up == key;
        }
        if (match && needsShift == shift && MenuItemEnabled(menu, i))
            return i;
    }
    return 0;
}

} // namespace

int16_t BarMenuIDAtIndex(int16_t index)
{
    MenuHandle m = BarMenu(index - 1);
    return m && *m ? (*m)->menuID : 0;
}

bool IsApplicationQuitMenu(MenuHandle menu)
{
    // The Quit fallback is the last item of the first bar menu that is not the Apple menu.
    for (int i = 0; i < BarCount(); ++i) {
        MenuHandle m = BarMenu(i);
        if (!m || !*m)
            continue;
        const uint8_t *title = (*m)->menuData;
        if (title[0] == 1 && title[1] == 0x14)
            continue;
        return m == menu;
    }
    return false;
}
bool sDrawingBar;

// Windows redraws the frame's menu bar. A zoomed multiple-document child of the library has its pending
// update taken into its record first, is not erased while the bar changes (WM_ERASEBKGND asks
// MenuBarBeingDrawn) and is validated afterwards, so that the bar's redraw costs it no repaint.
void RedrawFrameMenuBar(HWND main)
{
    HWND zoomed = nullptr;
    if (HWND client = SessionMdiClient()) {
        HWND first = GetWindow(client, GW_CHILD);
        WindowPtr window = nullptr;
        if (first && IsZoomed(first) && ZEL_GetwPtr(first, &window) && window) {
            ZEL_CheckUpdateRgn(window);
            zoomed = first;
        }
    }
    sDrawingBar = true;
    DrawMenuBar(main);
    sDrawingBar = false;
    if (zoomed)
        ValidateRect(zoomed, nullptr);
}


// ---- The bar's Windows mirror ----
void ZEL_CALL RebuildMenuBar(void)
{
    Boolean titleLetters[26] = {};
    HMENU frame = sFrame.frame;
    HWND main = SessionMainWindow();
    if (!frame || !IsMenu(frame))
        return;
    char oldTitles[kMaxBarMenus][kTitleCompare + 1] = {};
    const int oldCount = sFrame.installed ? sFrame.count : 0;
    const bool wasFolded = sFrame.folded;
    const bool folding = Folding();
    int base = 0;
    if (sFrame.installed) {
        HiliteMenuImpl(0);
        const int mirrored = wasFolded && oldCount ? oldCount - 1 : oldCount;
        base = GetMenuItemCount(frame) - sFrame.hostItemPos - (sFrame.hostSubmenu || sFrame.hostItemCommand ? 1 : 0) !=
                       mirrored
                   ? 1
                   : 0;
        // Windows menus that a menu still in the bar, unchanged, keeps are taken out of the frame only;
        // the others go before any menu is built again (their item entries are those of their menu ID).
        std::vector<BuiltMenu> kept;
        for (int i = wasFolded ? 1 : 0; i < oldCount; ++i) {
            HMENU sub = GetSubMenu(frame, base);
            GetMenuStringA(frame, base, oldTitles[i], kTitleCompare + 1, MF_BYPOSITION);
            RemoveMenu(frame, base, MF_BYPOSITION);
            if (sub && sub != sFrame.hostSubmenu) {
                bool keep = false;
                for (BuiltMenu &b : sBuilt) {
                    if (b.hmenu != sub || !b.menu)
                        continue;
                    const int at = BarIndexOf(b.menuID);
                    MenuHandle menu = BarMenu(at);
                    keep = at >= 0 && menu == b.menu && *menu && KeepableMenu(menu) &&
                           BuiltFrom(b, menu, AssignMenuSlot(menu, b.menuID, 0));
                    if (keep)
                        kept.push_back(std::move(b));
                    break;
                }
                if (!keep)
                    DestroyBarMenu(sub, sFrame.ids[i]);
            }
            sFrame.menus[i] = nullptr;
        }
        sBuilt = std::move(kept);
    } else {
        sBuilt.clear();
    }
    const int count = BarCount() < kMaxBarMenus ? BarCount() : kMaxBarMenus;
    bool changed = count != oldCount || SessionPlatform().win32s;
    for (int i = 0; i < count; ++i) {
        MenuHandle menu = BarMenu(i);
        if (!menu || !*menu) {
            sFrame.ids[i] = 0;
            continue;
        }
        sFrame.ids[i] = (*menu)->menuID;
        if (folding && i == 0) {
            // The Apple menu lends its first item's text to the last item of the host's submenu.
            MenuItemView first;
            if (sFrame.hostSubmenu && FindMenuItem(menu, 1, &first)) {
                Boolean own[26] = {};
                char text[ZEL_MENU_TEXT_MAX];
                ZEL_CopyMacPtoWinC(first.text, text, own);
                const int last = GetMenuItemCount(sFrame.hostSubmenu) - 1;
                if (last >= 0)
                    ModifyMenuA(sFrame.hostSubmenu, last, MF_BYPOSITION | MF_STRING, sFrame.hostLastCommand, text);
            }
            continue;
        }
        const int slot = AssignMenuSlot(menu, (*menu)->menuID, 0);
        HMENU hmenu = nullptr;
        for (const BuiltMenu &b : sBuilt)
            if (b.menu == menu && b.menuID == (*menu)->menuID)
                hmenu = b.hmenu;
        if (!hmenu) {
            hmenu = CreateMenu();
            if (slot > 0)
                BuildWinMenu(menu, hmenu, static_cast<uint16_t>(slot << 8), false, nullptr);
            if (KeepableMenu(menu))
                sBuilt.push_back(Snapshot(hmenu, menu, slot));
        }
        char title[ZEL_MENU_TEXT_MAX];
        ZEL_CopyMacPtoWinC((*menu)->menuData, title, titleLetters);
        InsertMenuA(frame, i + base - (folding ? 1 : 0), MF_POPUP | MF_BYPOSITION, reinterpret_cast<UINT_PTR>(hmenu),
                    title);
        sFrame.menus[i] = hmenu;
        if (i >= oldCount || std::strncmp(title, oldTitles[i], kTitleCompare) != 0)
            changed = true;
    }
    sFrame.count = count;
    sFrame.installed = true;
    sFrame.folded = folding;
    if (changed && main)
        RedrawFrameMenuBar(main);
}

void ZEL_CALL HiliteMenuImpl(int16_t menuID)
{
    const int index = menuID ? BarIndexOf(menuID) : -1;
    if (index < 0)
        menuID = 0;
    if (menuID) {
        sFrame.hilitedPos = FramePosition(index);
        SetTitleHilite(sFrame.hilitedPos, true);
    } else if (sFrame.hilitedPos >= 0) {
        SetTitleHilite(sFrame.hilitedPos, false);
        sFrame.hilitedPos = -1;
    }
    LowMem<int16_t>(lmTheMenu) = menuID;
}


// ---- Exports ----
ZEL_EXTERN_C void ZEL_CALL InitMenus(void)
{
    ComputeMenuGeometry();
    LoadMenuHostStrings();
    Handle &list = MenuListGlobal();
    if (list)
        DisposeHandle(list);
    list = NewHandleClear(6);
    ClearHierMenus();

    // The host's frame menu: its own item (the second when it holds exactly two), that item's submenu,
    // text and command, and the command of the submenu's last item.
    sFrame = FrameState{};
    sBuilt.clear();
    sFrame.hilitedPos = -1;
    sFrame.frame = SessionMainWindow() ? GetMenu(SessionMainWindow()) : nullptr;
    sFrame.hostLastCommand = 0xFFFF;
    if (sFrame.frame) {
        const int items = GetMenuItemCount(sFrame.frame);
        sFrame.hostItemPos = items == 2 ? 1 : 0;
        if (items > 0) {
            sFrame.hostItemCommand = GetMenuItemID(sFrame.frame, sFrame.hostItemPos);
            sFrame.hostSubmenu = GetSubMenu(sFrame.frame, sFrame.hostItemPos);
            GetMenuStringA(sFrame.frame, sFrame.hostItemPos, sFrame.hostItemText, sizeof sFrame.hostItemText,
                           MF_BYPOSITION);
            if (sFrame.hostSubmenu && GetMenuItemCount(sFrame.hostSubmenu) > 0)
                sFrame.hostLastCommand = GetMenuItemID(sFrame.hostSubmenu, GetMenuItemCount(sFrame.hostSubmenu) - 1);
        }
    }
    SetMenuFlash(3);
    ClearMenuItemTable();
    ReadMenuColors();
}

ZEL_EXTERN_C Handle ZEL_CALL GetNewMBar(int16_t menuBarID)
{
    Handle resource = GetResource(kMenuBarType, menuBarID);
    if (!resource || !*resource)
        return nullptr;
    const int32_t size = GetHandleSize(resource);
    int count = size >= 2 ? *reinterpret_cast<const int16_t *>(*resource) : 0;
    // The count may claim more IDs than the resource holds.
    if (count > (size - 2) / 2)
        count = (size - 2) / 2;
    if (count < 0)
        count = 0;
    Handle list = NewHandleClear(6 * count + 6);
    if (!list) {
        ReleaseResource(resource);
        return nullptr;
    }
    int n = 0;
    int16_t right = 0;
    for (int i = 0; i < count; ++i) {
        const int16_t id = reinterpret_cast<const int16_t *>(*resource + 2)[i];
        MenuHandle menu = GetMen(id);
        if (!menu || !*menu)
            continue; // a menu that cannot be loaded is left out of the bar
        MenuListEntry *e = reinterpret_cast<MenuListEntry *>(*list + 6) + n++;
        e->menu = menu;
        e->left = right;
        right = static_cast<int16_t>(right + (*menu)->menuWidth);
    }
    SetHandleSize(list, 6 * n + 6);
    MenuListHeader *h = reinterpret_cast<MenuListHeader *>(*list);
    h->lastOffset = static_cast<int16_t>(6 * n);
    h->lastRight = right;
    h->resID = menuBarID;
    ReleaseResource(resource);
    return list;
}

ZEL_EXTERN_C void ZEL_CALL SetMenuBar(Handle menuList)
{
    Handle &list = MenuListGlobal();
    if (!menuList || !*menuList)
        return;
    const int32_t size = GetHandleSize(menuList);
    if (!list) {
        list = NewHandle(size);
        if (!list)
            return;
    } else if (!SetHandleSize(list, size)) {
        return;
    }
    std::memcpy(*list, *menuList, size);
}

ZEL_EXTERN_C Handle ZEL_CALL GetMenuBar(void)
{
    Handle copy = MenuListGlobal();
    if (!copy || HandToHand(&copy) != noErr)
        return nullptr;
    return copy;
}

ZEL_EXTERN_C void ZEL_CALL ClearMenuBar(void)
{
    Handle list = MenuListGlobal();
    if (!list || !*list)
        return;
    MenuListHeader *h = reinterpret_cast<MenuListHeader *>(*list);
    h->lastOffset = 0;
    h->lastRight = 0;
    SetHandleSize(list, 6);
}

ZEL_EXTERN_C void ZEL_CALL InsertMen(MenuHandle theMenu, int16_t beforeID)
{
    if (!theMenu || !*theMenu)
        return;
    if (beforeID == -1) {
        AddHierMenu(theMenu);
        return;
    }
    Handle list = MenuListGlobal();
    if (!list || BarIndexOf((*theMenu)->menuID) >= 0)
        return;
    const int count = BarCount();
    int at = beforeID ? BarIndexOf(beforeID) : -1;
    if (at < 0)
        at = count;
    if (!SetHandleSize(list, 6 * count + 12))
        return;
    MenuListHeader *h = reinterpret_cast<MenuListHeader *>(*list);
    const int16_t width = (*theMenu)->menuWidth;
    const int16_t left = at < count ? BarEntry(at)->left : h->lastRight;
    std::memmove(BarEntry(at + 1), BarEntry(at), (count - at) * sizeof(MenuListEntry));
    *BarEntry(at) = MenuListEntry{theMenu, left};
    for (int i = at + 1; i <= count; ++i)
        BarEntry(i)->left = static_cast<int16_t>(BarEntry(i)->left + width);
    h->lastOffset = static_cast<int16_t>(6 * (count + 1));
    h->lastRight = static_cast<int16_t>(h->lastRight + width);
}

ZEL_EXTERN_C void ZEL_CALL DeleteMen(int16_t menuID)
{
    ReleaseMenuSlots(menuID);
    RemoveMenuItemEntries(menuID);
    if (FindHierMenu(menuID)) {
        RemoveHierMenuID(menuID);
        return;
    }
    const int at = BarIndexOf(menuID);
    if (at < 0)
        return;
    const int count = BarCount();
    MenuHandle menu = BarEntry(at)->menu;
    const int16_t width = menu && *menu ? (*menu)->menuWidth : 0;
    std::memmove(BarEntry(at), BarEntry(at + 1), (count - at - 1) * sizeof(MenuListEntry));
    for (int i = at; i < count - 1; ++i)
        BarEntry(i)->left = static_cast<int16_t>(BarEntry(i)->left - width);
    MenuListHeader *h = reinterpret_cast<MenuListHeader *>(*MenuListGlobal());
    h->lastOffset = static_cast<int16_t>(6 * (count - 1));
    h->lastRight = static_cast<int16_t>(h->lastRight - width);
    SetHandleSize(MenuListGlobal(), 6 * count);
}

ZEL_EXTERN_C MenuHandle ZEL_CALL GetMenuHandle(int16_t menuID)
{
    const int at = BarIndexOf(menuID);
    if (at >= 0)
        return BarMenu(at);
    return FindHierMenu(menuID);
}

ZEL_EXTERN_C MenuHandle ZEL_CALL ZEL_SearchHierMenuList(Boolean restart)
{
    static int next;
    if (restart)
        next = 0;
    int found = 0;
    MenuHandle m = NextHierMenu(next, &found);
    next = m ? found + 1 : next;
    return m;
}

ZEL_EXTERN_C int16_t ZEL_CALL GetMBarHeight(void)
{
    return static_cast<int16_t>(GetSystemMetrics(SM_CYMENU) + (SessionPlatform().newShell ? 0 : 2));
}

ZEL_EXTERN_C void ZEL_CALL SetMenuFlash(int16_t count) { LowMem<int16_t>(lmMenuFlash) = count; }

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_MenuKey(int16_t character, Boolean shift)
{
    const uint8_t c = static_cast<uint8_t>(character);
    const bool functionKeys = SessionFlag(zelFlagDigitFunctionKeys);
    const int count = BarCount();
    for (int i = 0; i < count; ++i) {
        MenuHandle m = BarEntry(i)->menu;
        if (const int16_t item = m && *m ? MatchKeyIn(m, c, shift != 0, functionKeys) : 0)
            return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>((*m)->menuID)) << 16) | item);
    }
    int found = -1;
    for (MenuHandle m = NextHierMenu(0, &found); m; m = NextHierMenu(found + 1, &found))
        if (const int16_t item = *m ? MatchKeyIn(m, c, shift != 0, functionKeys) : 0)
            return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>((*m)->menuID)) << 16) | item);
    return 0;
}

ZEL_EXTERN_C int32_t ZEL_CALL MenuKey(int16_t character) { return ZEL_MenuKey(character, 0); }

ZEL_EXTERN_C void ZEL_CALL InvalMenuBar(void) { sRedrawBar = true; }

bool TakeMenuBarRedrawFlag()
{
    const bool set = sRedrawBar;
    sRedrawBar = false;
    return set;
}


// WM_INITMENUPOPUP: a bar menu is rebuilt from its record each time it opens.
ZEL_EXTERN_C void ZEL_CALL ZEL_InitMenuMsg(HMENU hmenu)
{
    for (int i = sFrame.folded ? 1 : 0; i < sFrame.count; ++i) {
        if (!hmenu || sFrame.menus[i] != hmenu)
            continue;
        MenuHandle menu = BarMenu(i);
        if (!menu || !*menu)
            return;
        ForgetWinMenu(hmenu);
        while (GetMenuItemCount(hmenu) > 0)
            DeleteMenu(hmenu, 0, MF_BYPOSITION);
        const int slot = AssignMenuSlot(menu, (*menu)->menuID, 0);
        if (slot > 0)
            BuildWinMenu(menu, hmenu, static_cast<uint16_t>(slot << 8), false, nullptr);
        // The keyboard goes to the main window, unless a library edit control has it.
        HWND focus = GetFocus();
        char cls[16] = {};
        if (focus)
            GetClassNameA(focus, cls, sizeof cls);
        if (lstrcmpiA(cls, "Edit") != 0 && SessionMainWindow())
            SetFocus(SessionMainWindow());
        return;
    }
}

ZEL_STUB_VOID(FlashMenuBar, (int16_t))
ZEL_STUB_NAMED_VOID(DisposeMCInfo, "DispMCInfo", (Handle))
ZEL_STUB_VOID(SetMCEntries, (int16_t, Handle))
ZEL_STUB_VOID(SetMCInfo, (Handle))

bool MenuBarBeingDrawn() { return sDrawingBar; }

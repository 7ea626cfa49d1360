// Menu records: creating menus, parsing item texts with their metacharacters, the item editing calls,
// enable bits and the menu's size; the slot and item tables and the hierarchical list that tie Windows
// menus back to records.
#include "menu_manager.h"

#include <cstring>

#include "LowMem.h"
#include "MacMemory.h"
#include "../core/core_services.h"
#include "../files/files_services.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"

namespace {

uint8_t *MenuBytes(MenuHandle menu) { return reinterpret_cast<uint8_t *>(*menu); }
int32_t MenuSize(MenuHandle menu) { return GetHandleSize(reinterpret_cast<Handle>(menu)); }

} // namespace

// Offset of the first item's length byte, or -1 when the title does not fit in the handle.
int32_t FirstItemOffset(MenuHandle menu)
{
    const int32_t size = MenuSize(menu);
    if (size <= kMenuTitleOffset)
        return -1;
    const int32_t offset = kMenuTitleOffset + 1 + MenuBytes(menu)[kMenuTitleOffset];
    return offset <= size ? offset : -1;
}

namespace {

// Offset just past the last whole item: where the end byte is, or the handle's end when it is missing.
int32_t ItemsEnd(MenuHandle menu, int16_t *count)
{
    int32_t offset = FirstItemOffset(menu);
    int16_t n = 0;
    if (offset >= 0) {
        const uint8_t *p = MenuBytes(menu);
        const int32_t size = MenuSize(menu);
        while (offset < size && p[offset] != 0 && offset + 1 + p[offset] + 4 <= size) {
            offset += 1 + p[offset] + 4;
            ++n;
        }
    }
    if (count)
        *count = n;
    return offset;
}

bool ValidMenu(MenuHandle menu) { return menu && *menu && FirstItemOffset(menu) >= 0; }

// Keeps bits 0..after of the enable flags and moves the higher item bits by `shift` (positive: up).
uint32_t ShiftEnableBits(uint32_t flags, int after, int shift)
{
    if (after >= 31)
        return flags;
    const uint32_t low = (2u << after) - 1; // bits 0..after
    uint32_t high = flags & ~low;
    if (shift > 0)
        high = shift >= 32 ? 0 : high << shift;
    else {
        high >>= -shift;
        // The item that moves into bit 31 was item 32 or later, which is always enabled.
        high |= 0xFFFFFFFFu << (32 + shift);
    }
    return (flags & low) | (high & ~low);
}

// ---- Item texts ----
struct ParsedItem {
    uint8_t text[256];
    uint8_t length;
    uint8_t icon, key, mark, style;
    bool disabled;
};

// Cuts a text into items at ';' and carriage return and takes the metacharacters out of each. Items
// left with no text are dropped: a length byte of 0 would end the record's list and hide every later
// item.
int ParseItems(const char *text, ParsedItem *items, int room)
{
    int n = 0;
    ParsedItem cur{};
    for (const char *p = text;; ++p) {
        const uint8_t c = static_cast<uint8_t>(*p);
        if (c == 0 || c == ';' || c == '\r') {
            if (cur.length && n < room)
                items[n++] = cur;
            cur = ParsedItem{};
            if (c == 0)
                break;
            continue;
        }
        const uint8_t next = static_cast<uint8_t>(p[1]);
        const bool hasArgument = next != 0 && next != ';' && next != '\r';
        switch (c) {
        case '^':
            if (hasArgument)
                cur.icon = static_cast<uint8_t>(next - '0'), ++p;
            continue;
        case '!':
            if (hasArgument)
                cur.mark = next, ++p;
            continue;
        case '/':
            if (hasArgument)
                cur.key = next, ++p;
            continue;
        case '<':
            if (hasArgument) {
                switch (next) {
                case 'B': cur.style |= itemBold; break;
                case 'I': cur.style |= itemItalic; break;
                case 'U': cur.style |= itemUnderline; break;
                case 'O': cur.style |= itemOutline; break;
                case 'S': cur.style |= itemShadow; break;
                default: break;
                }
                ++p;
            }
            continue;
        case '(':
            cur.disabled = true;
            continue;
        default:
            cur.text[cur.length++] = c;
        }
    }
    return n;
}

void InsertItems(MenuHandle menu, ConstStr255Param text, int16_t afterItem, bool reverse)
{
    if (!ValidMenu(menu) || !text)
        return;
    char ctext[256];
    std::memcpy(ctext, text + 1, text[0]);
    ctext[text[0]] = 0;
    static ParsedItem items[128];
    const int n = ParseItems(ctext, items, 128);

    int16_t count = 0;
    ItemsEnd(menu, &count);
    int after = afterItem < 0 ? 0 : afterItem > count ? count : afterItem;
    int32_t added = 0;
    for (int i = 0; i < n; ++i)
        added += items[i].length + 5;
    if (n > 0) {
        // The insertion point: the item after `after`, or the end of the list.
        MenuItemView view;
        const int32_t at = FindMenuItem(menu, static_cast<int16_t>(after + 1), &view) ? view.offset
                                                                                     : ItemsEnd(menu, nullptr);
        const int32_t oldSize = MenuSize(menu);
        // A record without its end byte gets one, so that the list ends where it should.
        const bool endMissing = ItemsEnd(menu, nullptr) >= oldSize;
        const int32_t newSize = oldSize + added + (endMissing ? 1 : 0);
        if (SetHandleSize(reinterpret_cast<Handle>(menu), newSize)) {
            uint8_t *p = MenuBytes(menu);
            std::memmove(p + at + added, p + at, oldSize - at);
            if (endMissing)
                p[newSize - 1] = 0;
            MenuInfo *info = *menu;
            info->enableFlags = ShiftEnableBits(info->enableFlags, after, n);
            int32_t w = at;
            for (int k = 0; k < n; ++k) {
                const ParsedItem &item = items[reverse ? n - 1 - k : k];
                p[w] = item.length;
                std::memcpy(p + w + 1, item.text, item.length);
                w += 1 + item.length;
                p[w++] = item.icon;
                p[w++] = item.key;
                p[w++] = item.mark;
                p[w++] = item.style;
                const int number = after + 1 + k;
                if (number < kFirstAlwaysEnabledItem) {
                    if (item.disabled)
                        info->enableFlags &= ~(1u << number);
                    else
                        info->enableFlags |= 1u << number;
                }
            }
        }
    }
    CalcMenuSize(menu);
}

// The byte `which` (0 icon, 1 key, 2 mark, 3 style) after an item's text, or 0 for a missing item.
uint8_t *ItemByte(MenuHandle menu, int16_t item, int which)
{
    MenuItemView view;
    if (!FindMenuItem(menu, item, &view))
        return nullptr;
    return MenuBytes(menu) + view.offset + 1 + view.text[0] + which;
}

void SetItemByte(MenuHandle menu, int16_t item, int which, int16_t value)
{
    if (uint8_t *p = ItemByte(menu, item, which))
        *p = static_cast<uint8_t>(value);
}

uint8_t GetItemByte(MenuHandle menu, int16_t item, int which)
{
    const uint8_t *p = ItemByte(menu, item, which);
    return p ? *p : 0;
}

// ---- Measuring ----
int32_t TextWidthIn(HDC dc, const uint8_t *text, int length)
{
    uint8_t converted[MacToAnsiBufferSize(255)];
    const int32_t n = ZEL_MacToAnsiBuf(text, converted, static_cast<uint16_t>(length), 0);
    SIZE size{};
    GetTextExtentCompat(dc, reinterpret_cast<const char *>(converted), n, &size);
    return size.cx;
}

// CalcMenuSize for the standard definition: item widths on the menu font, summed over the columns the
// menu takes when it is taller than the screen.
void CalcStandardMenuSize(MenuHandle menu)
{
    const MenuGeometry &g = CurrentMenuGeometry();
    const int16_t count = MenuItemCount(menu);
    const int perColumn = g.itemsPerColumn > 0 ? g.itemsPerColumn : 1;
    const int limit = 60 / ((count + 1) / perColumn + 1);
    HDC dc = GetDC(nullptr);
    HGDIOBJ oldFont = SelectObject(dc, GetLibraryFont(libraryFontStandard).font);
    int32_t width = 0, columnWidest = 0, height = 0;
    for (int16_t i = 1; i <= count; ++i) {
        MenuItemView item;
        FindMenuItem(menu, i, &item);
        const int length = item.text[0] < limit ? item.text[0] : limit;
        int32_t w = TextWidthIn(dc, item.text + 1, length);
        int32_t h = item.text[0] && item.text[1] == '-' ? 8 : g.lineHeight;
        if (item.icon & 0x7F) {
            const POINT icon = MenuItemIconSize(menu, item);
            w += g.margin1 + g.margin2 + icon.x + 6;
            if (icon.y > h)
                h = icon.y;
        }
        if (w > columnWidest)
            columnWidest = w;
        if (i % perColumn == 0) {
            width += columnWidest;
            columnWidest = 0;
        }
        height += h;
    }
    width += columnWidest;
    SelectObject(dc, oldFont);
    ReleaseDC(nullptr, dc);
    (*menu)->menuWidth = static_cast<int16_t>(width + 24);
    (*menu)->menuHeight = static_cast<int16_t>(height > 0x7FFF ? 0x7FFF : height);
}

// ---- Tables ----
template <typename Entry> struct GrowableTable {
    Handle handle;
    int32_t count;
    Entry *at(int32_t i) const { return reinterpret_cast<Entry *>(*handle) + i; }
    // Index of a free entry (found by `isFree`) or of a new last entry; -1 when the table cannot grow.
    template <typename Free> int32_t Take(Free isFree)
    {
        for (int32_t i = 0; i < count; ++i)
            if (isFree(*at(i)))
                return i;
        const int32_t bytes = (count + 1) * static_cast<int32_t>(sizeof(Entry));
        if (handle ? !SetHandleSize(handle, bytes) : !(handle = NewHandleClear(bytes)))
            return -1;
        *at(count) = Entry{};
        return count++;
    }
    void Clear()
    {
        if (handle)
            DisposeHandle(handle);
        handle = nullptr;
        count = 0;
    }
};

GrowableTable<MenuSlotEntry> sSlots;
GrowableTable<MenuItemEntry> sItemEntries;
bool sItemTableUsed;
constexpr int kHierEntries = 128;
struct HierEntry {
    int16_t menuID;
    MenuHandle menu;
} sHier[kHierEntries];

constexpr ResType kMenuType = 0x4D454E55; // 'MENU'
constexpr ResType kMenuDefType = 0x4D444546; // 'MDEF'

// The 'MDEF' handle of a definition ID, holding at byte 2 the procedure the host registered for it;
// 0 when none is registered. A host that registers a native procedure needs no 'MDEF' bytes of its
// own, so a missing resource gets a handle of the library's.
Handle LinkMenuDef(int16_t mdefID)
{
    ProcPtr proc = ZEL_CodeResource(3, kMenuDefType, mdefID, nullptr);
    if (!proc)
        return nullptr;
    Handle mdef = GetResource(kMenuDefType, mdefID);
    if (!mdef || !*mdef)
        mdef = NewHandleClear(6);
    else if (GetHandleSize(mdef) < 6)
        SetHandleSize(mdef, 6);
    if (!mdef || GetHandleSize(mdef) < 6)
        return nullptr;
    std::memcpy(*mdef + 2, &proc, sizeof proc);
    return mdef;
}

} // namespace

// ---- Item walks ----
bool FindMenuItem(MenuHandle menu, int16_t item, MenuItemView *view)
{
    if (!menu || !*menu || item < 1)
        return false;
    int32_t offset = FirstItemOffset(menu);
    if (offset < 0)
        return false;
    const uint8_t *p = MenuBytes(menu);
    const int32_t size = MenuSize(menu);
    for (int16_t i = 1;; ++i) {
        if (offset >= size || p[offset] == 0 || offset + 1 + p[offset] + 4 > size)
            return false;
        if (i == item) {
            const int32_t after = offset + 1 + p[offset];
            *view = MenuItemView{offset, p + offset, p[after], p[after + 1], p[after + 2], p[after + 3]};
            return true;
        }
        offset += 1 + p[offset] + 4;
    }
}

bool NextMenuItem(MenuHandle menu, MenuItemView *view)
{
    if (!menu || !*menu)
        return false;
    const uint8_t *p = MenuBytes(menu);
    const int32_t size = MenuSize(menu);
    const int32_t offset = view->offset < 0 ? FirstItemOffset(menu) : view->offset + 1 + p[view->offset] + 4;
    if (offset < 0 || offset >= size || p[offset] == 0 || offset + 1 + p[offset] + 4 > size)
        return false;
    const int32_t after = offset + 1 + p[offset];
    *view = MenuItemView{offset, p + offset, p[after], p[after + 1], p[after + 2], p[after + 3]};
    return true;
}

int16_t MenuItemCount(MenuHandle menu)
{
    int16_t n = 0;
    if (menu && *menu)
        ItemsEnd(menu, &n);
    return n;
}

bool MenuItemEnabled(MenuHandle menu, int16_t item)
{
    if (!menu || !*menu)
        return false;
    if (item > kMaxCommandItems)
        return false;
    if (item >= kFirstAlwaysEnabledItem)
        return true;
    const uint32_t flags = (*menu)->enableFlags;
    return (flags & kMenuEnableWhole) && (flags & (1u << item));
}

MenuDefProcPtr MenuOwnProc(MenuHandle menu)
{
    if (!menu || !*menu)
        return nullptr;
    Handle proc = (*menu)->menuProc;
    if (!proc || !*proc || GetHandleSize(proc) < 6)
        return nullptr;
    MenuDefProcPtr p;
    std::memcpy(&p, *proc + 2, sizeof p);
    return p;
}

MenuDefProcPtr GetMenuDefProcPtr(MenuHandle menu) { return MenuOwnProc(menu); }

// ---- Slot table ----
int AssignMenuSlot(MenuHandle menu, int16_t menuID, uint8_t flags)
{
    for (int32_t i = 0; i < sSlots.count; ++i) {
        MenuSlotEntry *e = sSlots.at(i);
        if (e->menu == menu && e->menuID == menuID) {
            e->flags |= flags;
            return i + 1;
        }
    }
    if (sSlots.count >= 255) {
        bool anyFree = false;
        for (int32_t i = 0; i < sSlots.count; ++i)
            anyFree |= sSlots.at(i)->menu == nullptr;
        if (!anyFree)
            return -1;
    }
    const int32_t i = sSlots.Take([](const MenuSlotEntry &e) { return e.menu == nullptr; });
    if (i < 0)
        return -1;
    *sSlots.at(i) = MenuSlotEntry{menuID, menu, flags, 0};
    return i + 1;
}

void ReleaseMenuSlots(int16_t menuID)
{
    for (int32_t i = 0; i < sSlots.count; ++i)
        if (sSlots.at(i)->menu && sSlots.at(i)->menuID == menuID)
            *sSlots.at(i) = MenuSlotEntry{};
}

const MenuSlotEntry *MenuSlotAt(int slot)
{
    if (slot < 1 || slot > sSlots.count || !sSlots.at(slot - 1)->menu)
        return nullptr;
    return sSlots.at(slot - 1);
}

int16_t MenuIDFromCommand(uint16_t command)
{
    const MenuSlotEntry *e = MenuSlotAt(command >> 8);
    return e ? e->menuID : 0;
}

// ---- Item table ----
int AddMenuItemEntry(MenuHandle menu, uint16_t command, HMENU submenu)
{
    sItemTableUsed = true;
    const uint16_t key = submenu ? static_cast<uint16_t>(reinterpret_cast<uintptr_t>(submenu)) : command;
    for (int32_t i = 0; i < sItemEntries.count; ++i) {
        MenuItemEntry *e = sItemEntries.at(i);
        if (e->menu == menu && e->key == key) {
            e->command = command;
            e->submenu = submenu;
            return i;
        }
    }
    const int32_t i = sItemEntries.Take([](const MenuItemEntry &e) { return e.menu == nullptr; });
    if (i < 0)
        return -1;
    *sItemEntries.at(i) = MenuItemEntry{menu, key, command, submenu};
    return i;
}

const MenuItemEntry *FindMenuItemEntry(uint16_t key)
{
    for (int32_t i = 0; i < sItemEntries.count; ++i)
        if (sItemEntries.at(i)->menu && sItemEntries.at(i)->key == key)
            return sItemEntries.at(i);
    return nullptr;
}

const MenuItemEntry *FindMenuItemEntryForMenu(MenuHandle menu)
{
    for (int32_t i = 0; i < sItemEntries.count; ++i)
        if (menu && sItemEntries.at(i)->menu == menu)
            return sItemEntries.at(i);
    return nullptr;
}

const MenuItemEntry *FindMenuItemEntryForSubmenu(UINT_PTR submenu)
{
    for (int32_t i = 0; i < sItemEntries.count; ++i) {
        const MenuItemEntry *e = sItemEntries.at(i);
        if (e->menu && e->submenu && reinterpret_cast<UINT_PTR>(e->submenu) == submenu)
            return e;
    }
    return nullptr;
}

void RemoveMenuItemEntries(int16_t menuID)
{
    for (int32_t i = 0; i < sItemEntries.count; ++i) {
        MenuItemEntry *e = sItemEntries.at(i);
        if (e->menu && *e->menu && (*e->menu)->menuID == menuID)
            *e = MenuItemEntry{};
    }
}

void ClearMenuItemTable()
{
    sItemEntries.Clear();
    sItemTableUsed = false;
}

const MenuItemEntry *MenuItemEntryAt(uint32_t index)
{
    if (index >= static_cast<uint32_t>(sItemEntries.count) || !sItemEntries.at(index)->menu)
        return nullptr;
    return sItemEntries.at(index);
}

// ---- Hierarchical list ----
bool AddHierMenu(MenuHandle menu)
{
    if (!menu || !*menu)
        return false;
    if (FindHierMenu((*menu)->menuID))
        return true;
    for (HierEntry &e : sHier) {
        if (!e.menu) {
            e = HierEntry{(*menu)->menuID, menu};
            return true;
        }
    }
    return false;
}

MenuHandle FindHierMenu(int16_t menuID)
{
    for (const HierEntry &e : sHier)
        if (e.menu && e.menuID == menuID)
            return e.menu;
    return nullptr;
}

void RemoveHierMenu(MenuHandle menu)
{
    for (HierEntry &e : sHier)
        if (e.menu == menu)
            e = HierEntry{};
}

void RemoveHierMenuID(int16_t menuID)
{
    for (HierEntry &e : sHier)
        if (e.menu && e.menuID == menuID)
            e = HierEntry{};
}

void ClearHierMenus()
{
    for (HierEntry &e : sHier)
        e = HierEntry{};
}

MenuHandle NextHierMenu(int index, int *found)
{
    for (int i = index < 0 ? 0 : index; i < kHierEntries; ++i) {
        if (sHier[i].menu) {
            *found = i;
            return sHier[i].menu;
        }
    }
    return nullptr;
}

// ---- Exports ----
ZEL_EXTERN_C MenuHandle ZEL_CALL NewMenu(int16_t menuID, ConstStr255Param menuTitle)
{
    const uint8_t length = menuTitle ? menuTitle[0] : 0;
    MenuHandle menu = reinterpret_cast<MenuHandle>(NewHandleClear(length + 16));
    if (!menu)
        return nullptr;
    MenuInfo *info = *menu;
    info->menuID = menuID;
    info->enableFlags = kMenuEnableWhole;
    info->menuData[0] = length;
    if (length)
        std::memcpy(info->menuData + 1, menuTitle + 1, length);
    return menu;
}

ZEL_EXTERN_C MenuHandle ZEL_CALL GetMen(int16_t resourceID)
{
    MenuHandle menu = reinterpret_cast<MenuHandle>(GetResource(kMenuType, resourceID));
    // Not loaded (resource loading off): the handle as it is.
    if (!menu || (!*menu && !LMGetResLoad()))
        return menu;
    // A resource shorter than the menu header (ID, size, definition, enable flags), an empty one
    // included, is no menu: every menu call reads or writes those fields.
    if (!*menu || GetHandleSize(reinterpret_cast<Handle>(menu)) < kMenuTitleOffset)
        return nullptr;
    (*menu)->menuID = resourceID;
    // A loaded 'MENU' holds 0xFFFF in the low half of menuProc and the 'MDEF' ID in the high half.
    const uint32_t field = static_cast<uint32_t>(reinterpret_cast<uintptr_t>((*menu)->menuProc));
    // Any other value is the definition handle of a menu loaded before, or else damage: no handle.
    if ((field & 0xFFFF) == 0xFFFF)
        (*menu)->menuProc = field >> 16 ? LinkMenuDef(static_cast<int16_t>(field >> 16)) : nullptr;
    else if (field && !IsLiveHandle((*menu)->menuProc))
        (*menu)->menuProc = nullptr;
    CalcMenuSize(menu);
    return menu;
}

ZEL_EXTERN_C void ZEL_CALL DisposeMenu(MenuHandle theMenu)
{
    if (!theMenu)
        return;
    RemoveHierMenu(theMenu);
    DisposeHandle(reinterpret_cast<Handle>(theMenu));
}

ZEL_EXTERN_C void ZEL_CALL AppendMen(MenuHandle menu, ConstStr255Param data) { InsertItems(menu, data, 32767, false); }

ZEL_EXTERN_C void ZEL_CALL InsertMenuIte(MenuHandle theMenu, ConstStr255Param itemString, int16_t afterItem)
{
    InsertItems(theMenu, itemString, afterItem, true);
}

ZEL_EXTERN_C void ZEL_CALL InsMenuItem(MenuHandle theMenu, ConstStr255Param itemString, int16_t afterItem)
{
    InsertItems(theMenu, itemString, afterItem, true);
}

ZEL_EXTERN_C void ZEL_CALL DeleteMenuItem(MenuHandle theMenu, int16_t item)
{
    MenuItemView view;
    if (!FindMenuItem(theMenu, item, &view))
        return;
    const int32_t length = 1 + view.text[0] + 4;
    const int32_t size = MenuSize(theMenu);
    uint8_t *p = MenuBytes(theMenu);
    std::memmove(p + view.offset, p + view.offset + length, size - view.offset - length);
    SetHandleSize(reinterpret_cast<Handle>(theMenu), size - length);
    if (item < kFirstAlwaysEnabledItem)
        (*theMenu)->enableFlags = ShiftEnableBits((*theMenu)->enableFlags, item - 1, -1);
    CalcMenuSize(theMenu);
}

ZEL_EXTERN_C int16_t ZEL_CALL CountMItems(MenuHandle theMenu) { return MenuItemCount(theMenu); }

ZEL_EXTERN_C void ZEL_CALL SetMenuItemText(MenuHandle theMenu, int16_t item, ConstStr255Param itemString)
{
    MenuItemView view;
    // An empty text would end the item list here, so it changes nothing.
    if (!itemString || !itemString[0] || !FindMenuItem(theMenu, item, &view))
        return;
    const int32_t oldLength = view.text[0], newLength = itemString[0];
    const int32_t size = MenuSize(theMenu);
    const int32_t tail = view.offset + 1 + oldLength; // the item's four bytes and what follows
    if (newLength > oldLength && !SetHandleSize(reinterpret_cast<Handle>(theMenu), size + newLength - oldLength))
        return;
    uint8_t *p = MenuBytes(theMenu);
    std::memmove(p + tail + newLength - oldLength, p + tail, size - tail);
    std::memcpy(p + view.offset, itemString, newLength + 1);
    if (newLength < oldLength)
        SetHandleSize(reinterpret_cast<Handle>(theMenu), size + newLength - oldLength);
}

ZEL_EXTERN_C void ZEL_CALL GetMenuItemText(MenuHandle theMenu, int16_t item, Str255 itemString)
{
    if (!itemString)
        return;
    MenuItemView view;
    if (FindMenuItem(theMenu, item, &view))
        std::memcpy(itemString, view.text, view.text[0] + 1);
    else
        itemString[0] = 0;
}

ZEL_EXTERN_C void ZEL_CALL SetItemIcon(MenuHandle theMenu, int16_t item, int16_t iconIndex) { SetItemByte(theMenu, item, 0, iconIndex); }
ZEL_EXTERN_C void ZEL_CALL SetItemCmd(MenuHandle theMenu, int16_t item, int16_t cmdChar) { SetItemByte(theMenu, item, 1, cmdChar); }
ZEL_EXTERN_C void ZEL_CALL SetItemMark(MenuHandle theMenu, int16_t item, int16_t markChar) { SetItemByte(theMenu, item, 2, markChar); }
ZEL_EXTERN_C void ZEL_CALL SetItemStyle(MenuHandle theMenu, int16_t item, int16_t chStyle) { SetItemByte(theMenu, item, 3, chStyle); }

ZEL_EXTERN_C void ZEL_CALL GetItemIcon(MenuHandle theMenu, int16_t item, int16_t *iconIndex)
{
    if (iconIndex)
        *iconIndex = GetItemByte(theMenu, item, 0);
}
ZEL_EXTERN_C void ZEL_CALL GetItemCmd(MenuHandle theMenu, int16_t item, int16_t *cmdChar)
{
    if (cmdChar)
        *cmdChar = GetItemByte(theMenu, item, 1);
}
ZEL_EXTERN_C void ZEL_CALL GetItemMark(MenuHandle theMenu, int16_t item, int16_t *markChar)
{
    if (markChar)
        *markChar = GetItemByte(theMenu, item, 2);
}
ZEL_EXTERN_C void ZEL_CALL GetItemStyle(MenuHandle theMenu, int16_t item, Style *chStyle)
{
    if (chStyle)
        *chStyle = GetItemByte(theMenu, item, 3);
}

ZEL_EXTERN_C void ZEL_CALL CheckItem(MenuHandle theMenu, int16_t item, Boolean checked)
{
    SetItemByte(theMenu, item, 2, checked ? checkMark : noMark);
}

ZEL_EXTERN_C void ZEL_CALL EnableItem(MenuHandle theMenu, int16_t item)
{
    if (theMenu && *theMenu && item >= 0 && item < kFirstAlwaysEnabledItem)
        (*theMenu)->enableFlags |= 1u << item;
}

ZEL_EXTERN_C void ZEL_CALL DisableItem(MenuHandle theMenu, int16_t item)
{
    if (theMenu && *theMenu && item >= 0 && item < kFirstAlwaysEnabledItem)
        (*theMenu)->enableFlags &= ~(1u << item);
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_GetItemEnabled(MenuHandle theMenu, int16_t item)
{
    if (!theMenu || !*theMenu)
        return false;
    if (item < 0 || item >= kFirstAlwaysEnabledItem)
        return true;
    return ((*theMenu)->enableFlags >> item) & 1;
}

ZEL_EXTERN_C void ZEL_CALL CalcMenuSize(MenuHandle theMenu)
{
    if (!ValidMenu(theMenu))
        return;
    if (MenuDefProcPtr proc = MenuOwnProc(theMenu)) {
        // A menu with its own procedure sizes itself, in the menu port, its item-table entry current as
        // when Windows measures its item.
        if (const MenuItemEntry *entry = FindMenuItemEntryForMenu(theMenu))
            MenuOwnerDrawState().currentKey = entry->key;
        GrafPtr saved = CurrentPort();
        if (WMgrCPort())
            SetPor(reinterpret_cast<GrafPtr>(WMgrCPort()));
        Rect r{0, 0, (*theMenu)->menuHeight, (*theMenu)->menuWidth};
        int16_t item = 0;
        proc(mSizeMsg, theMenu, &r, Point{0, 0}, &item);
        if (saved)
            SetPor(saved);
        return;
    }
    CalcStandardMenuSize(theMenu);
}

// One item per resource of the type, named by the resource's name (whose metacharacters take effect);
// fonts are the installed faces.
ZEL_EXTERN_C void ZEL_CALL AppendResMenu(MenuHandle theMenu, ResType theType)
{
    constexpr ResType kFontType = 0x464F4E54, kSfntType = 0x73666E74; // 'FONT', 'sfnt'
    if (!ValidMenu(theMenu))
        return;
    SetResLoad(false);
    if (theType == kFontType || theType == kSfntType) {
        ZEL_AddResFontMenu(theMenu, theType == kSfntType);
    } else {
        const int16_t count = CountResources(theType);
        for (int16_t i = 1; i <= count; ++i) {
            Handle h = GetIndResource(theType, i);
            if (!h)
                continue;
            int16_t id;
            ResType type;
            Str255 name;
            name[0] = 0;
            GetResInfo(h, &id, &type, name);
            if (name[0])
                AppendMen(theMenu, name);
        }
    }
    SetResLoad(true);
    CalcMenuSize(theMenu);
}

// One item per installed face of the wanted kind. Each is appended as one blank and then named, so
// that metacharacters in font names stay text.
ZEL_EXTERN_C void ZEL_CALL ZEL_AddResFontMenu(MenuHandle theMenu, Boolean scalable)
{
    if (!ValidMenu(theMenu))
        return;
    static const uint8_t kBlank[] = {1, ' '};
    for (int i = 0;; ++i) {
        InstalledFace face;
        if (!InstalledFaceAt(i, &face))
            break;
        if (face.bitmap == !!scalable)
            continue;
        AppendMen(theMenu, kBlank);
        Str255 name;
        ZEL_CopyCtoP(face.name, name);
        SetMenuItemText(theMenu, MenuItemCount(theMenu), name);
    }
}

ZEL_EXTERN_C int16_t ZEL_CALL CountInstalledFonts(Boolean scalable)
{
    int16_t n = 0;
    InstalledFace face;
    for (int i = 0; InstalledFaceAt(i, &face); ++i)
        n += face.bitmap != !!scalable;
    return n;
}

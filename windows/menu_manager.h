// The Menu Manager's own declarations, shared by its files (records, the Windows mirror, the bar).
#pragma once

#include "windows_services.h"
#include "Zel.h"

// ---- Menu records ----
// Offsets inside a menu record.
constexpr int32_t kMenuTitleOffset = 14;
constexpr uint32_t kMenuEnableWhole = 0x1;
// Items from this number on have no enable bit and are always enabled.
constexpr int16_t kFirstAlwaysEnabledItem = 32;
// Commands are (slot << 8) | item index: a menu has 256 items reachable by command.
constexpr int16_t kMaxCommandItems = 256;

// Style bits of an item.
enum : uint8_t {
    itemBold = 0x01,
    itemItalic = 0x02,
    itemUnderline = 0x04,
    itemOutline = 0x08,
    itemShadow = 0x10,
    itemStrikeShift = 0x40, // strike-out when drawn; also marks the accelerator as needing Shift
    itemShift = 0x80,
    itemOwnerDrawnStyles = itemBold | itemItalic | itemUnderline | itemStrikeShift
};
// Key-equivalent codes with a meaning of their own.
enum : uint8_t {
    keySubmenu = 0x1B,
    keyIconSized = 0x1D, // the item's 'ICON' is drawn 16 by 16
    keySmallIcon = 0x1E, // the item shows the 'SICN' of its icon number
    keyFirstAccelerator = 0x1F
};

// One item as found by a bounded walk over the record: `offset` is that of its length byte.
struct MenuItemView {
    int32_t offset;
    const uint8_t *text; // Pascal string inside the record
    uint8_t icon, key, mark, style;
};
// Item `item` (from 1) of the menu; false past the end, for item < 1 or a nil handle. Every walk stops at
// the end of the handle: an item whose bytes do not all fit, or a missing end byte, ends the list.
bool FindMenuItem(MenuHandle menu, int16_t item, MenuItemView *view);
// The item after `view` (the first item when view->offset is -1), under the same rules: walks a menu
// once instead of from its first item for each.
bool NextMenuItem(MenuHandle menu, MenuItemView *view);
// Offset of the first item's length byte in the menu record, or -1 when the title does not fit.
int32_t FirstItemOffset(MenuHandle menu);
int16_t MenuItemCount(MenuHandle menu);
// Whether item `item` (from 1; 0 the whole menu) may be chosen: its enable bit (items 1..31) and the
// menu's; items from 32 on always count as enabled, items past the 256th never do.
bool MenuItemEnabled(MenuHandle menu, int16_t item);

// ---- The definition procedure of a menu ----
// The procedure at byte 2 of the menu's 'MDEF' handle; 0 for the standard menu.
MenuDefProcPtr MenuOwnProc(MenuHandle menu);

// ---- MenuSlotTable ----
enum : uint8_t { menuSlotPopUp = 0x01, menuSlotOwnProc = 0x02 };
#pragma pack(push, 2)
struct MenuSlotEntry {
    int16_t menuID;
    MenuHandle menu;
    uint8_t flags;
    uint8_t spare;
};
struct MenuItemEntry {
    MenuHandle menu;
    uint16_t key;     // the low word of the submenu for a submenu's entry, else the command id
    uint16_t command;
    HMENU submenu;
};
#pragma pack(pop)
static_assert(sizeof(MenuSlotEntry) == 8, "MenuSlotEntry is 8 bytes");
static_assert(sizeof(MenuItemEntry) == 12, "MenuItemEntry is 12 bytes");

// Returns the slot (1..255) or -1 when the table is full or cannot grow.
int AssignMenuSlot(MenuHandle menu, int16_t menuID, uint8_t flags);
void ReleaseMenuSlots(int16_t menuID);
// The entry of slot `slot` (from 1), or 0.
const MenuSlotEntry *MenuSlotAt(int slot);
// menuID of slot (command >> 8), 0 when there is no such slot.
int16_t MenuIDFromCommand(uint16_t command);

// ---- MenuItemTable ----
// Returns the entry index (the item data of an owner-drawn item) or -1.
int AddMenuItemEntry(MenuHandle menu, uint16_t command, HMENU submenu);
void RemoveMenuItemEntries(int16_t menuID);
void ClearMenuItemTable();
// The entry at `index`, or 0 outside the table or for an empty entry.
const MenuItemEntry *MenuItemEntryAt(uint32_t index);
// The first entry with this key, or 0.
const MenuItemEntry *FindMenuItemEntry(uint16_t key);
// The first entry of this menu, or 0.
const MenuItemEntry *FindMenuItemEntryForMenu(MenuHandle menu);
// The entry of the item that opens this Windows submenu, or 0.
const MenuItemEntry *FindMenuItemEntryForSubmenu(UINT_PTR submenu);

// ---- Hierarchical menu list (128 entries) ----
// False when the list is full; a menu whose ID is listed already is not added again.
bool AddHierMenu(MenuHandle menu);
MenuHandle FindHierMenu(int16_t menuID);
// Takes the entries of this handle (or, with menuID, of that ID) off the list.
void RemoveHierMenu(MenuHandle menu);
void RemoveHierMenuID(int16_t menuID);
void ClearHierMenus();
// The non-empty entry at or after `index` (its index in *found), or 0.
MenuHandle NextHierMenu(int index, int *found);

// ---- Geometry and host strings, set up by InitMenus ----
struct MenuGeometry {
    int16_t usableHeight;   // screen height a menu may take
    int16_t popUpHeight;    // the same for pop-ups, which may also cover the menu bar
    int16_t separatorHeight;
    int16_t itemsPerColumn;
    int16_t fontHeight;     // recorded sample height of the menu font
    int16_t lineHeight;     // line height of the menu font
    int16_t margin1, margin2; // platform margins of owner-drawn icons and texts
};
// Computed at InitMenus, or on first use when the host never called it.
const MenuGeometry &CurrentMenuGeometry();
void ComputeMenuGeometry();
enum MenuHostString {
    menuStringKey,           // 1025: "%s" is the key of an accelerator without Shift
    menuStringShiftKey,      // 1031
    menuStringFunctionKey,   // 1036
    menuStringShiftFunction, // 1037
    menuStringMore,          // 2200
    menuStringCount
};
void LoadMenuHostStrings();
const char *MenuHostStringText(MenuHostString which);

// ---- The Windows mirror ----
// Builds Windows items for the menu into `hmenu`; returns the item count. `base` is slot << 8.
int16_t BuildWinMenu(MenuHandle menu, HMENU hmenu, uint16_t base, bool popUp, int16_t *columns);
// Appends the accelerator column of an item (its key equivalent in the host's format strings) at `out`,
// within `room` bytes; returns whether the item still shows an icon.
bool AcceleratorText(const MenuItemView &item, char *out, size_t room, bool shift, bool hasIcon);
// Height of an item's icon: 16 for the icon-size codes, else its 'cicn' bounds or 32.
POINT MenuItemIconSize(MenuHandle menu, const MenuItemView &item);
// The command of the Quit item, for ZEL_EventMenuSel; 0 when there is none.
uint16_t MenuQuitCommand();
void SetMenuQuitCommand(uint16_t command);
// True while a pop-up is shown in a host-chosen font: every item is then owner-drawn.
bool MenuPopUpFontInForce();
// Sets the pop-up font (a face of 0 and height 0 restores the menu font); the item line height follows
// it, measured in the current DC.
void SetMenuPopUpFont(const char *face, int16_t height);
const char *MenuPopUpFace();
int16_t MenuPopUpFontHeight();

// ---- Choices and pop-ups ----
// The owner-draw state WM_DRAWITEM leaves for WM_MENUSELECT: the open menu's rectangle and window, and
// the item-table key of the item being drawn or measured.
struct OwnerDrawState {
    Rect menuRect;
    HWND openWindow;
    uint16_t currentKey;
};
OwnerDrawState &MenuOwnerDrawState();

// ---- Owner-drawn items ----
// Selects the item font (the pop-up font, or the menu font with the item's styles) into the DC and
// sets the item line height; returns the previous font, the font selected and whether it was made.
HFONT MenuItemFont(HDC dc, uint8_t style, HFONT *font, bool *created);
// The size of one owner-drawn item {height, width}.
void MeasureOwnerItem(MenuHandle menu, int16_t item, SIZE *size);
// Draws one item into the DC's rectangle; state 1 selected, 2 grayed.
void DrawOwnerItem(MenuHandle menu, int16_t item, HDC dc, const RECT &rect, int checkWidth, int checkHeight,
                   int state);
// The library's own menu definition procedure.
int32_t ZEL_CALL StandardMDEF(int16_t message, MenuHandle menu, Rect *menuRect, Point hit, int16_t *whichItem);
int32_t TrackDefProcPopup(MenuHandle menu, int16_t top, int16_t left);
// The resource file set for a menu with ZEL_SetMenuResFile, or -1.
int16_t MenuResFileFor(MenuHandle menu);

// The colours of menus, read by InitMenus.
struct MenuColors {
    COLORREF grayText, menuText, menu, highlight, highlightText, window, windowText;
};
void ReadMenuColors();
const MenuColors &CurrentMenuColors();

// ---- The menu bar (for the mirror) ----
// menuID of the menu at bar index `index` (from 1), 0 when there is none.
int16_t BarMenuIDAtIndex(int16_t index);
// True for the first bar menu that is not the Apple menu (title 0x14): its last item is the Quit item
// when the host names none.
bool IsApplicationQuitMenu(MenuHandle menu);

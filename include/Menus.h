/* Menu Manager: menu records, their items, and the Windows menus that mirror them. */
#ifndef TOLVADEX_MENUS_H
#define TOLVADEX_MENUS_H
#define __MENUS__

#include "MacTypes.h"
#include "Quickdraw.h"
#include "Events.h"

#pragma pack(push, 2)

/* The menu record lives in a handle. The title's bytes (menuData) are followed by the items, one after
   another: a Pascal string, then four bytes (icon number, key equivalent, mark character, style). A
   length byte of 0 ends the list, so the record is as long as its contents: sizeof(MenuInfo) is the
   largest title's room, not the size of a menu. */
typedef struct MenuInfo {
    int16_t menuID;
    int16_t menuWidth;
    int16_t menuHeight;
    Handle menuProc;      /* 0: the standard menu; else an 'MDEF' handle holding the procedure at byte 2 */
    uint32_t enableFlags; /* bit 0 the whole menu, bit n item n (1..31); later items are always enabled */
    Str255 menuData;
} MenuInfo;

#pragma pack(pop)

ZEL_STATIC_ASSERT(offsetof(MenuInfo, menuProc) == 6, "menuProc at 6");
ZEL_STATIC_ASSERT(offsetof(MenuInfo, enableFlags) == 10, "enableFlags at 10");
ZEL_STATIC_ASSERT(offsetof(MenuInfo, menuData) == 14, "menuData at 14");
ZEL_STATIC_ASSERT(sizeof(MenuInfo) == 270, "MenuInfo with a full title is 270 bytes");

typedef struct MenuInfo *MenuPtr;
typedef MenuPtr *MenuHandle;
typedef MenuHandle MenuRef;

/* A menu definition procedure: message, menu, menu rectangle, hit point, item number. */
typedef void(ZEL_CALL *MenuDefProcPtr)(int16_t message, MenuHandle menu, Rect *menuRect, Point hitPt,
                                        int16_t *whichItem);

enum {
    mDrawMsg = 0,
    mChooseMsg = 1,
    mSizeMsg = 2,
    mPopUpMsg = 3
};

/* InsertMenu's beforeID for a submenu or pop-up menu kept out of the menu bar. */
enum { hierMenu = -1, kInsertHierarchicalMenu = -1 };

enum {
    noMark = 0,
    checkMark = 0x12,
    hMenuCmd = 0x1B /* key equivalent of an item with a hierarchical submenu (its menuID in the mark) */
};

/* Creating and disposing of menus. */
ZEL_API MenuHandle ZEL_CALL NewMenu(int16_t menuID, ConstStr255Param menuTitle);
/* The menu of a 'MENU' resource, its 'MDEF' linked to the procedure the host registered for it. */
ZEL_API MenuHandle ZEL_CALL GetMen(int16_t resourceID);
ZEL_API void ZEL_CALL DisposeMenu(MenuHandle theMenu);
ZEL_API void ZEL_CALL CalcMenuSize(MenuHandle theMenu);

/* Items. Texts may carry the metacharacters ; and return (item breaks), ^ icon, ! mark, <B <I <U <O <S
   style, / key equivalent and ( disabled. */
ZEL_API void ZEL_CALL AppendMen(MenuHandle menu, ConstStr255Param data);
ZEL_API void ZEL_CALL InsertMenuIte(MenuHandle theMenu, ConstStr255Param itemString, int16_t afterItem);
ZEL_API void ZEL_CALL InsMenuItem(MenuHandle theMenu, ConstStr255Param itemString, int16_t afterItem);
ZEL_API void ZEL_CALL DeleteMenuItem(MenuHandle theMenu, int16_t item);
ZEL_API int16_t ZEL_CALL CountMItems(MenuHandle theMenu);
ZEL_API void ZEL_CALL SetMenuItemText(MenuHandle theMenu, int16_t item, ConstStr255Param itemString);
ZEL_API void ZEL_CALL GetMenuItemText(MenuHandle theMenu, int16_t item, Str255 itemString);
ZEL_API void ZEL_CALL SetItemIcon(MenuHandle theMenu, int16_t item, int16_t iconIndex);
ZEL_API void ZEL_CALL GetItemIcon(MenuHandle theMenu, int16_t item, int16_t *iconIndex);
ZEL_API void ZEL_CALL SetItemCmd(MenuHandle theMenu, int16_t item, int16_t cmdChar);
ZEL_API void ZEL_CALL GetItemCmd(MenuHandle theMenu, int16_t item, int16_t *cmdChar);
ZEL_API void ZEL_CALL SetItemMark(MenuHandle theMenu, int16_t item, int16_t markChar);
ZEL_API void ZEL_CALL GetItemMark(MenuHandle theMenu, int16_t item, int16_t *markChar);
ZEL_API void ZEL_CALL SetItemStyle(MenuHandle theMenu, int16_t item, int16_t chStyle);
ZEL_API void ZEL_CALL GetItemStyle(MenuHandle theMenu, int16_t item, Style *chStyle);
ZEL_API void ZEL_CALL CheckItem(MenuHandle theMenu, int16_t item, Boolean checked);
ZEL_API void ZEL_CALL EnableItem(MenuHandle theMenu, int16_t item);
ZEL_API void ZEL_CALL DisableItem(MenuHandle theMenu, int16_t item);

/* The menu bar: MenuList (a 6-byte header {offset of the last entry, right edge of the last title,
   resource ID}, then 6-byte entries {menu handle, left edge of its title}) mirrored into the host
   frame's Windows menu. */
ZEL_API Handle ZEL_CALL GetNewMBar(int16_t menuBarID);
ZEL_API void ZEL_CALL SetMenuBar(Handle menuList);
ZEL_API Handle ZEL_CALL GetMenuBar(void);
ZEL_API void ZEL_CALL ClearMenuBar(void);
/* beforeID -1 puts the menu on the hierarchical list; 0 (or an ID not in the bar) appends it. */
ZEL_API void ZEL_CALL InsertMen(MenuHandle theMenu, int16_t beforeID);
ZEL_API void ZEL_CALL DeleteMen(int16_t menuID);
ZEL_API MenuHandle ZEL_CALL GetMenuHandle(int16_t menuID);
ZEL_API void ZEL_CALL InvalMenuBar(void);
ZEL_API int16_t ZEL_CALL GetMBarHeight(void);
ZEL_API void ZEL_CALL SetMenuFlash(int16_t count);
ZEL_API void ZEL_CALL FlashMenuBar(int16_t menuID);
ZEL_API void ZEL_CALL DisposeMCInfo(Handle menuCTbl);
ZEL_API void ZEL_CALL SetMCEntries(int16_t numEntries, Handle menuCEntries);
ZEL_API void ZEL_CALL SetMCInfo(Handle menuCTbl);

/* Menu choices: (menuID << 16) | item, 0 for none. */
ZEL_API int32_t ZEL_CALL MenuSelect(Point startPt);
ZEL_API int32_t ZEL_CALL MenuKey(int16_t ch);

/* Patchable through the trap table. DrawMenuBa is DrawMenuBar, whose name Windows itself uses. */
ZEL_API int32_t ZEL_CALL PopUpMenuSelect(MenuHandle menu, int16_t top, int16_t left, int16_t popUpItem);
ZEL_API void ZEL_CALL DrawMenuBa(void);
ZEL_API void ZEL_CALL HiliteMenu(int16_t menuID);

ZEL_API void ZEL_CALL InitMenus(void);

/* One item per resource of the type, named by its name; 'FONT' and 'sfnt' list the installed faces. */
ZEL_API void ZEL_CALL AppendResMenu(MenuHandle theMenu, ResType theType);
/* The number of installed fonts ZEL_AddResFontMenu lists for the same flag. */
ZEL_API int16_t ZEL_CALL CountInstalledFonts(Boolean scalable);

/* ---- Published names of the entry points exported without their last letter ---- */
/* Names of USER32; three of them are macros there. */
#if defined(__cplusplus) || !defined(_WINUSER_)
ZEL_PUBLISHED_FUNC(MenuHandle, GetMenu, GetMen, (int16_t resourceID), (resourceID))
ZEL_PUBLISHED_PROC(DeleteMenu, DeleteMen, (int16_t menuID), (menuID))
ZEL_PUBLISHED_PROC(DrawMenuBar, DrawMenuBa, (void), ())
#endif
ZEL_PUBLISHED_PROC_AW(AppendMenu, AppendMen, (MenuHandle menu, ConstStr255Param data), (menu, data))
ZEL_PUBLISHED_PROC_AW(InsertMenu, InsertMen, (MenuHandle theMenu, int16_t beforeID), (theMenu, beforeID))
ZEL_PUBLISHED_PROC_AW(InsertMenuItem, InsertMenuIte, (MenuHandle theMenu, ConstStr255Param itemString, int16_t afterItem),
                      (theMenu, itemString, afterItem))
#if defined(__cplusplus) || !defined(_WINUSER_)
#ifndef AppendMenu
ZEL_PUBLISHED_PROC(AppendMenu, AppendMen, (MenuHandle menu, ConstStr255Param data), (menu, data))
#endif
#ifndef InsertMenu
ZEL_PUBLISHED_PROC(InsertMenu, InsertMen, (MenuHandle theMenu, int16_t beforeID), (theMenu, beforeID))
#endif
#ifndef InsertMenuItem
ZEL_PUBLISHED_PROC(InsertMenuItem, InsertMenuIte, (MenuHandle theMenu, ConstStr255Param itemString, int16_t afterItem),
                   (theMenu, itemString, afterItem))
#endif
#endif

/* The earlier published names of the item calls, and the later one of CountMItems. */
ZEL_PUBLISHED_PROC(AddResMenu, AppendResMenu, (MenuHandle theMenu, ResType theType), (theMenu, theType))
ZEL_PUBLISHED_PROC(GetItem, GetMenuItemText, (MenuHandle theMenu, int16_t item, Str255 itemString), (theMenu, item, itemString))
ZEL_PUBLISHED_PROC(SetItem, SetMenuItemText, (MenuHandle theMenu, int16_t item, ConstStr255Param itemString),
                   (theMenu, item, itemString))
ZEL_PUBLISHED_FUNC(MenuHandle, GetMHandle, GetMenuHandle, (int16_t menuID), (menuID))
ZEL_PUBLISHED_PROC(DelMenuItem, DeleteMenuItem, (MenuHandle theMenu, int16_t item), (theMenu, item))
ZEL_PUBLISHED_FUNC(int16_t, CountMenuItems, CountMItems, (MenuHandle theMenu), (theMenu))


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposMCInfo DisposeMCInfo
#define DisposMenu DisposeMenu
#endif


/* The Mac-prefixed names of the later interfaces, for calls whose plain names Windows also uses. */
#ifndef TOLVADEX_BUILDING
#define MacGetMenu GetMen
#define MacDeleteMenu DeleteMen
#define MacDrawMenuBar DrawMenuBa
#define MacAppendMenu AppendMen
#define MacInsertMenu InsertMen
#define MacInsertMenuItem InsertMenuIte
#endif


/* Later names of the item calls. Windows has its own CheckMenuItem and EnableMenuItem: C++ has both; a
   C file that included a Windows header first calls CheckItem and EnableItem. */
#if defined(__cplusplus) || !defined(_WINUSER_)
ZEL_PUBLISHED_PROC(CheckMenuItem, CheckItem, (MenuHandle theMenu, int16_t item, Boolean checked), (theMenu, item, checked))
ZEL_PUBLISHED_PROC(EnableMenuItem, EnableItem, (MenuHandle theMenu, int16_t item), (theMenu, item))
#endif
ZEL_PUBLISHED_PROC(DisableMenuItem, DisableItem, (MenuHandle theMenu, int16_t item), (theMenu, item))
#define MacCheckMenuItem CheckItem

/* Accessors of the later interfaces for the menu record. */
#ifndef TOLVADEX_BUILDING
ZEL_INLINE int16_t GetMenuID(MenuRef menu) { return (**menu).menuID; }
ZEL_INLINE int16_t GetMenuWidth(MenuRef menu) { return (**menu).menuWidth; }
ZEL_INLINE int16_t GetMenuHeight(MenuRef menu) { return (**menu).menuHeight; }
#endif

#endif

// The Windows mirror of a menu record: item texts with automatic mnemonics and accelerator columns,
// command ids (slot << 8 | item index), flags, submenus, columns and owner-drawn items; the geometry and
// host strings the mirror lays items out with.
#include "menu_manager.h"

#include <cstdio>
#include <cstring>

#include "MacMemory.h"
#include "../core/core_services.h"
#include "../files/files_services.h"
#include "../quickdraw/qd_services.h"

namespace {

MenuGeometry sGeometry;
bool sGeometryReady;
char sHostStrings[menuStringCount][64];
uint16_t sQuitCommand;
bool sPopUpFont;

constexpr ResType kColorIconType = 0x6369636E; // 'cicn'

bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
uint8_t Upper(uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 32) : c; }
bool IsConsonant(uint8_t c)
{
    const uint8_t u = Upper(c);
    return IsLetter(c) && u != 'A' && u != 'E' && u != 'I' && u != 'O' && u != 'U';
}
bool StartsWord(const uint8_t *s, int i) { return i == 0 || s[i - 1] == ' ' || s[i - 1] == '('; }
bool DoubleByteLead(uint8_t c) { return SessionDoubleByte() && IsDBCSLeadByte(c); }

// Appends a C string to `out`, within `room` bytes (NUL included); returns the new end.
char *AppendBounded(char *out, const char *text, size_t room)
{
    const size_t n = std::strlen(text);
    const size_t take = n < room ? n : (room ? room - 1 : 0);
    std::memcpy(out, text, take);
    out[take] = 0;
    return out + take;
}

// The name of function key `number`: F1..F9, F11 for 0 (and 10 and 11), F12 for 12.
void FunctionKeyName(int number, char *name)
{
    if (number == 0 || number == 10 || number == 11)
        std::strcpy(name, "F11");
    else
        std::sprintf(name, "F%d", number);
}

// ---- Host override table ----
#pragma pack(push, 1)
struct MenuOverrideEntry {
    uint16_t flags;
    uint16_t barIndex;
    uint16_t item;
    uint8_t letter;
    uint8_t spare;
    char text[64];
};
#pragma pack(pop)
static_assert(sizeof(MenuOverrideEntry) == 72, "host menu overrides are 72 bytes");
enum : uint16_t { overrideFromEnd = 0x0200, overrideQuit = 0x0400, overrideEnd = 0x8000 };
constexpr int kMaxOverrides = 256;

struct BuildChain {
    MenuHandle menu;
    const BuildChain *outer;
    bool Contains(MenuHandle m) const
    {
        for (const BuildChain *c = this; c; c = c->outer)
            if (c->menu == m)
                return true;
        return false;
    }
};

// A text cut to `limit` characters; on a double-byte code page at a character boundary near limit - 4,
// with "..." after it.
void CutToLimit(char *text, int limit)
{
    if (static_cast<int>(std::strlen(text)) <= limit)
        return;
    if (!SessionDoubleByte()) {
        text[limit] = 0;
        return;
    }
    int i = 0;
    const int cut = limit > 4 ? limit - 4 : 0;
    while (text[i] && i < cut)
        i += DoubleByteLead(static_cast<uint8_t>(text[i])) && text[i + 1] ? 2 : 1;
    if (i > cut)
        i -= 2;
    std::strcpy(text + i, "...");
}

int16_t BuildItems(MenuHandle menu, HMENU hmenu, uint16_t base, bool popUp, int16_t *columns,
                   const BuildChain *outer)
{
    if (columns)
        *columns = 1;
    if (!menu || !*menu || MenuItemCount(menu) < 0)
        return 0;
    const BuildChain chain{menu, outer};
    const MenuGeometry &g = CurrentMenuGeometry();
    const int16_t menuID = (*menu)->menuID;

    // A menu with its own procedure is one owner-drawn item that the procedure draws whole.
    if (MenuOwnProc(menu)) {
        const int slot = AssignMenuSlot(menu, menuID, menuSlotOwnProc);
        if (slot < 0)
            return 0;
        const int entry = AddMenuItemEntry(menu, static_cast<uint16_t>(slot << 8), nullptr);
        AppendMenuA(hmenu, MF_OWNERDRAW, static_cast<UINT_PTR>(slot << 8),
                    reinterpret_cast<LPCSTR>(static_cast<intptr_t>(entry)));
        return 1;
    }

    const int16_t count = MenuItemCount(menu);
    Boolean used[26] = {};
    const bool barMenu = !popUp;

    // With Apple-menu folding the host's override table may give items of bar menus their own texts.
    const MenuOverrideEntry *overrideFor[kMaxCommandItems + 1] = {};
    const MenuSlotEntry *slot = MenuSlotAt(base >> 8);
    const uint16_t *map = SessionCommandMap();
    if (barMenu && LibrarySetting(settingAppleMenuFolding) && map && !(slot && (slot->flags & menuSlotOwnProc))) {
        auto entry = reinterpret_cast<const MenuOverrideEntry *>(map);
        for (int k = 0; k < kMaxOverrides && !(entry[k].flags & overrideEnd); ++k) {
            const MenuOverrideEntry &o = entry[k];
            if (!o.barIndex || BarMenuIDAtIndex(static_cast<int16_t>(o.barIndex)) != menuID)
                continue;
            const int item = o.flags & overrideFromEnd ? count + 1 - o.item : o.item;
            if (item >= 1 && item <= count && item <= kMaxCommandItems)
                overrideFor[item] = &o;
            if (IsLetter(o.letter))
                used[Upper(o.letter) - 'A'] = true;
        }
    }

    const int perColumn = g.itemsPerColumn > 0 ? g.itemsPerColumn : 1;
    const int textLimit = 60 / ((count + 1) / perColumn + 1);
    const int heightLimit = popUp ? g.popUpHeight : g.usableHeight;
    int running = 0;
    bool quitSeen = false;
    char text[ZEL_MENU_TEXT_MAX + 256]; // one per level: submenus are built while it is in use
    for (int16_t i = 0; i < count; ++i) {
        const int16_t number = static_cast<int16_t>(i + 1);
        MenuItemView item;
        FindMenuItem(menu, number, &item);
        // Past the 256th item the command would name another slot's item: such items have no command.
        const uint16_t command = number <= kMaxCommandItems ? static_cast<uint16_t>(base | i) : 0;
        const MenuOverrideEntry *o = number <= kMaxCommandItems ? overrideFor[number] : nullptr;
        if (o) {
            char copy[65];
            std::memcpy(copy, o->text, 64);
            copy[64] = 0;
            std::strcpy(text, copy);
            if (o->flags & overrideQuit) {
                sQuitCommand = command;
                quitSeen = true;
            }
        } else if (item.icon & 0x80) {
            std::memcpy(text, item.text + 1, item.text[0]);
            text[item.text[0]] = 0;
        } else {
            ZEL_CopyMacPtoWinC(item.text, text, barMenu ? used : nullptr);
        }
        CutToLimit(text, textLimit);

        UINT flags = MF_STRING;
        const bool enabled = MenuItemEnabled(menu, number);
        if (!enabled)
            flags |= MF_GRAYED | MF_DISABLED;
        const bool separator = item.text[0] == 1 && item.text[1] == '-';
        if (separator)
            flags |= MF_SEPARATOR;
        bool showsIcon = (item.icon & 0x7F) != 0;
        HMENU submenu = nullptr;
        if (item.key == keySubmenu && item.mark && enabled) {
            MenuHandle sub = FindHierMenu(item.mark);
            // A submenu that leads back to a menu being built is cut off: it is built once.
            if (sub && *sub && !chain.Contains(sub)) {
                const int subSlot = AssignMenuSlot(sub, (*sub)->menuID, menuSlotOwnProc);
                if (subSlot > 0) {
                    submenu = popUp ? CreatePopupMenu() : CreateMenu();
                    BuildItems(sub, submenu, static_cast<uint16_t>(subSlot << 8), popUp, nullptr, &chain);
                    flags |= MF_POPUP;
                }
            }
        } else if (!separator) {
            const size_t length = std::strlen(text);
            showsIcon = AcceleratorText(item, text + length, sizeof text - length,
                                        (item.style & (itemShift | itemStrikeShift)) != 0, showsIcon);
            if (item.mark)
                flags |= MF_CHECKED;
        }
        const bool ownerDrawn = showsIcon || (item.style & itemOwnerDrawnStyles) || sPopUpFont;
        int height;
        if (ownerDrawn) {
            int h = g.lineHeight;
            if (showsIcon) {
                const POINT icon = MenuItemIconSize(menu, item);
                if (icon.y > h)
                    h = icon.y;
            }
            height = h + 2;
        } else {
            height = separator ? g.separatorHeight : g.lineHeight + 2;
        }
        running += height;
        if (running >= heightLimit && i > 0) {
            flags |= MF_MENUBARBREAK;
            running = height;
            if (columns)
                ++*columns;
        }
        const UINT_PTR id = submenu ? reinterpret_cast<UINT_PTR>(submenu) : command;
        if (ownerDrawn) {
            const int entry = AddMenuItemEntry(menu, command, submenu);
            AppendMenuA(hmenu, (flags & ~MF_STRING) | MF_OWNERDRAW, id,
                        reinterpret_cast<LPCSTR>(static_cast<intptr_t>(entry)));
        } else {
            AppendMenuA(hmenu, flags, id, text);
        }
    }
    if (!quitSeen && !popUp && count > 0 && IsApplicationQuitMenu(menu))
        sQuitCommand = static_cast<uint16_t>(base | ((count - 1) & 0xFF));
    CalcMenuSize(menu);
    return count;
}

} // namespace

// ---- Geometry and strings ----
void ComputeMenuGeometry()
{
    MenuGeometry g{};
    const LibraryFont &font = GetLibraryFont(libraryFontStandard);
    g.fontHeight = font.height > 0 ? font.height : 16;
    g.usableHeight = static_cast<int16_t>(GetSystemMetrics(SM_CYFULLSCREEN) - GetSystemMetrics(SM_CYMENU) -
                                          2 * GetSystemMetrics(SM_CYBORDER) - 2 * GetSystemMetrics(SM_CYFRAME));
    g.popUpHeight = static_cast<int16_t>(g.usableHeight + GetSystemMetrics(SM_CYMENU));
    g.separatorHeight = g.fontHeight >= 17 ? 11 : 7;
    g.itemsPerColumn = static_cast<int16_t>(g.usableHeight / g.fontHeight - 1);
    if (g.itemsPerColumn < 1)
        g.itemsPerColumn = 1;
    if (SessionDoubleByte())
        g.usableHeight = static_cast<int16_t>(g.usableHeight - 2 * g.fontHeight);
    const PlatformInfo &platform = SessionPlatform();
    if (platform.windows95)
        g.margin1 = 4, g.margin2 = 4;
    else if (platform.windowsNT)
        g.margin1 = 0, g.margin2 = 0;
    else
        g.margin1 = 0, g.margin2 = 2;
    // The menu font's line height, as the owner-drawn items measure it.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.font ? font.font : GetStockObject(SYSTEM_FONT));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    g.lineHeight = static_cast<int16_t>(tm.tmHeight + (tm.tmInternalLeading + 1) / 2);
    sGeometry = g;
    sGeometryReady = true;
}

const MenuGeometry &CurrentMenuGeometry()
{
    if (!sGeometryReady)
        ComputeMenuGeometry();
    return sGeometry;
}

void LoadMenuHostStrings()
{
    static const struct {
        UINT id;
        int size;
    } kStrings[menuStringCount] = {{1025, 32}, {1031, 64}, {1036, 32}, {1037, 64}, {2200, 32}};
    for (int i = 0; i < menuStringCount; ++i) {
        sHostStrings[i][0] = 0;
        if (!LoadStringA(SessionHostInstance(), kStrings[i].id, sHostStrings[i], kStrings[i].size))
            sHostStrings[i][0] = 0;
    }
    if (!sHostStrings[menuStringMore][0])
        std::strcpy(sHostStrings[menuStringMore], "More...");
}

const char *MenuHostStringText(MenuHostString which) { return sHostStrings[which]; }

namespace {
MenuColors sColors;
}

bool sColorsRead;

void ReadMenuColors()
{
    sColorsRead = true;
    sColors = MenuColors{GetSysColor(COLOR_GRAYTEXT),  GetSysColor(COLOR_MENUTEXT),      GetSysColor(COLOR_MENU),
                         GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_WINDOW),
                         GetSysColor(COLOR_WINDOWTEXT)};
}

const MenuColors &CurrentMenuColors() { return sColors; }

// A program that never called InitMenus gets the colours as they are now.
SystemColorSet MenuSystemColors()
{
    if (!sColorsRead)
        ReadMenuColors();
    return SystemColorSet{sColors.highlight, sColors.highlightText, sColors.window, sColors.windowText};
}

uint16_t MenuQuitCommand() { return sQuitCommand; }
void SetMenuQuitCommand(uint16_t command) { sQuitCommand = command; }
bool MenuPopUpFontInForce() { return sPopUpFont; }

namespace {
char sPopUpFace[LF_FACESIZE];
int16_t sPopUpHeight;
int16_t sSavedLineHeight;
} // namespace

void SetMenuPopUpFont(const char *face, int16_t height)
{
    CurrentMenuGeometry();
    if (!face && !height) {
        if (sPopUpFont)
            sGeometry.lineHeight = sSavedLineHeight;
        sPopUpFont = false;
        sPopUpFace[0] = 0;
        sPopUpHeight = 0;
        return;
    }
    lstrcpynA(sPopUpFace, face ? face : "", sizeof sPopUpFace);
    sPopUpHeight = height;
    if (!sPopUpFont)
        sSavedLineHeight = sGeometry.lineHeight;
    sPopUpFont = true;
    // The item line height of that font, as the owner-drawn items measure it.
    HDC dc = CurrentDC() ? CurrentDC() : GetDC(nullptr);
    HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             sPopUpFace[0] ? sPopUpFace : "System");
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    DeleteObject(font);
    if (dc != CurrentDC())
        ReleaseDC(nullptr, dc);
    sGeometry.lineHeight = static_cast<int16_t>(tm.tmHeight + (tm.tmInternalLeading + 1) / 2);
}

const char *MenuPopUpFace() { return sPopUpFace; }
int16_t MenuPopUpFontHeight() { return sPopUpHeight; }

POINT MenuItemIconSize(MenuHandle, const MenuItemView &item)
{
    if (item.key == keyIconSized || item.key == keySmallIcon)
        return POINT{16, 16};
    // A colour icon's size is its PixMap's bounds, after the PixMap's base address and row bytes.
    Handle icon = GetResource(kColorIconType, static_cast<int16_t>(256 + (item.icon & 0x7F)));
    if (icon && *icon && GetHandleSize(icon) >= 14) {
        Rect bounds;
        std::memcpy(&bounds, *icon + 6, sizeof bounds);
        return POINT{bounds.right - bounds.left, bounds.bottom - bounds.top};
    }
    return POINT{32, 32};
}

// ---- Item texts ----
bool AcceleratorText(const MenuItemView &item, char *out, size_t room, bool shift, bool hasIcon)
{
    uint8_t key = item.key;
    bool function = false;
    int number = 0;
    bool showsIcon = hasIcon;
    if (LibrarySetting(settingExtendedAccelerators)) {
        // The icon byte describes the accelerator.
        const uint8_t *t = item.text;
        if ((t[0] && (t[1] == '-' || t[1] == ':')) || ((key == keyIconSized || key == keySmallIcon) && hasIcon) ||
            key == keySubmenu)
            return showsIcon;
        if (item.icon & 0x40)
            return showsIcon;
        if (item.icon < 0x80) {
            shift = (item.icon & 0x20) != 0;
            if (key < keyFirstAccelerator)
                return showsIcon;
        } else {
            function = true;
            number = item.icon & 0x1F;
            if (number == 10) {
                number = 9; // F9 with Shift
                shift = true;
            }
            showsIcon = false;
        }
    } else {
        if (key < keyFirstAccelerator)
            return showsIcon;
        if (SessionFlag(zelFlagDigitFunctionKeys)) {
            if (key >= '0' && key <= '9') {
                function = true;
                number = key - '0';
            } else if (key >= 'a' && key <= 'z') {
                key = Upper(key);
                shift = true;
            }
        }
    }
    char name[8];
    if (function)
        FunctionKeyName(number, name);
    else
        name[0] = static_cast<char>(key), name[1] = 0;
    const char *format = sHostStrings[function ? (shift ? menuStringShiftFunction : menuStringFunctionKey)
                                               : (shift ? menuStringShiftKey : menuStringKey)];
    const char *mark = std::strstr(format, "%s");
    if (!mark)
        return showsIcon;
    char column[80];
    const size_t head = static_cast<size_t>(mark - format);
    std::memcpy(column, format, head);
    column[head] = 0;
    std::strcat(column, name);
    std::strcat(column, mark + 2);
    AppendBounded(out, column, room);
    return showsIcon;
}

ZEL_EXTERN_C char *ZEL_CALL ZEL_CopyMacPtoWinC(ConstStr255Param text, char *out, Boolean *usedLetters)
{
    if (!out)
        return nullptr;
    *out = 0;
    if (!text)
        return out;
    const uint8_t *s = text + 1;
    const int n = text[0];
    const bool ampersandMarks = SessionFlag(zelFlagDoubleByte);
    const bool automatic = usedLetters && !ampersandMarks;

    // First pass: is any word-initial letter, and any consonant, still free?
    bool wordLetterFree = false, consonantFree = false;
    if (automatic) {
        for (int i = 0; i < n; ++i) {
            if (DoubleByteLead(s[i])) {
                ++i;
                continue;
            }
            if (!IsLetter(s[i]) || usedLetters[Upper(s[i]) - 'A'])
                continue;
            wordLetterFree |= StartsWord(s, i);
            consonantFree |= IsConsonant(s[i]);
        }
    }

    bool placed = !automatic;
    char *w = out;
    for (int i = 0; i < n; ++i) {
        const uint8_t c = s[i];
        if (DoubleByteLead(c) && i + 1 < n) {
            *w++ = static_cast<char>(c);
            *w++ = static_cast<char>(s[++i]);
            continue;
        }
        if (SessionDoubleByte() && c == 0xFF)
            continue;
        switch (c) {
        case 0xC9:
            w = AppendBounded(w, "...", 4);
            continue;
        case 0xD1:
            *w++ = '-';
            continue;
        case 0xD2:
        case 0xD3:
            *w++ = '"';
            continue;
        case 0xAA:
            w = AppendBounded(w, "(tm)", 5);
            continue;
        case '&':
            if (ampersandMarks) {
                // The host's own mnemonic marker: the letter after it is the mnemonic.
                *w++ = '&';
                if (usedLetters && i + 1 < n && IsLetter(s[i + 1]))
                    usedLetters[Upper(s[i + 1]) - 'A'] = true;
                placed = true;
            } else {
                *w++ = '&';
                *w++ = '&';
                if (i + 1 < n && s[i + 1] == '&')
                    ++i;
            }
            continue;
        default:
            break;
        }
        uint8_t shown = c;
        if (c >= 0x80 && MacCharConversion())
            shown = MacToAnsiHighTable()[c - 0x80];
        if (!placed && IsLetter(c) && !usedLetters[Upper(c) - 'A'] &&
            (StartsWord(s, i) || (!wordLetterFree && (IsConsonant(c) || !consonantFree)))) {
            *w++ = '&';
            usedLetters[Upper(c) - 'A'] = true;
            placed = true;
        }
        *w++ = static_cast<char>(shown);
    }
    *w = 0;
    return w;
}

// ---- Building ----
int16_t BuildWinMenu(MenuHandle menu, HMENU hmenu, uint16_t base, bool popUp, int16_t *columns)
{
    return BuildItems(menu, hmenu, base, popUp, columns, nullptr);
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_MenuIDFromHMENU(HMENU menu)
{
    if (!menu || !IsMenu(menu))
        return 0;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id == static_cast<UINT>(-1))
            continue;
        if (const int16_t menuID = MenuIDFromCommand(static_cast<uint16_t>(id)))
            return menuID;
    }
    return 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_MenuIDFromCMD(HMENU menu, uint16_t command)
{
    if (const int16_t menuID = MenuIDFromCommand(command))
        return menuID;
    return ZEL_MenuIDFromHMENU(menu);
}

// Owner-drawn menu items: WM_MEASUREITEM and WM_DRAWITEM for items Windows cannot draw (icons, styles, a
// pop-up font) and for menus with their own definition procedure; the item font, measuring and drawing of
// one item; the library's standard menu definition procedure, which lays a menu out in columns; and the
// Help and Desk Manager entry points, which answer without doing anything.
#include "menu_manager.h"

#include <cstring>

#include "Balloons.h"
#include "ByteOrder.h"
#include "Desk.h"
#include "LowMem.h"
#include "MacMemory.h"
#include "MacWindows.h"
#include "Quickdraw.h"
#include "Resources.h"
#include "../core/core_services.h"
#include "../imaging/imaging_services.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"

namespace {

constexpr ResType kSmallIconType = 0x5349434E; // 'SICN'
constexpr ResType kIconType = 0x49434F4E;      // 'ICON'
enum : int { itemStateSelected = 1, itemStateGrayed = 2 };
constexpr uintptr_t kCheckBitmap = 32760; // OBM_CHECK, the system's check-mark bitmap

int16_t sItemLineHeight = 16; // line height of the font MenuItemFont selected last
POINT sProcCheck{13, 13};     // StandardMDEF's own check-mark size, taken by its pop-up message

POINT CheckMarkSize()
{
    if (SessionPlatform().newShell)
        return POINT{GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK)};
    const LONG d = GetMenuCheckMarkDimensions();
    return POINT{LOWORD(d), HIWORD(d)};
}

bool IsSeparatorText(const uint8_t *text) { return text[0] == 1 && text[1] == '-'; }
bool IsBlankText(const uint8_t *text) { return text[0] == 1 && text[1] == ' '; }

// Copies a one-bit icon (rows of `rowBytes`, set bits black) into the DC at the box, in the DC's text
// and background colours: the bits are inverted into a monochrome bitmap, whose 0 bits take the text
// colour.
void DrawOneBitIcon(HDC dc, const uint8_t *bits, int size, int rowBytes, const RECT &box)
{
    uint8_t inverted[32 * 4];
    const int bytes = size * rowBytes;
    for (int i = 0; i < bytes && i < static_cast<int>(sizeof inverted); ++i)
        inverted[i] = static_cast<uint8_t>(~bits[i]);
    HBITMAP mono = CreateBitmap(rowBytes * 8, size, 1, 1, inverted);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, mono);
    StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, mem, 0, 0, size, size, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(mono);
}

// The resource of `type` and `id` with at least `bytes` bytes of data, or 0.
Handle IconResource(ResType type, int16_t id, int32_t bytes)
{
    Handle h = GetResource(type, id);
    return h && *h && GetHandleSize(h) >= bytes ? h : nullptr;
}

// The height of the menu's item `item` as StandardMDEF lays it out, and its width.
SIZE ItemSize(MenuHandle menu, int16_t item)
{
    SIZE s{};
    MeasureOwnerItem(menu, item, &s);
    return s;
}

// StandardMDEF's layout: items stacked in columns of the usable height, each column as wide as the
// widest item; per item its column, its top (from the menu's top) and its height.
struct MenuLayout {
    int16_t count;
    int16_t width;
    int16_t height;
    int16_t columns;
    int16_t columnOf[kMaxCommandItems + 1];
    int16_t topOf[kMaxCommandItems + 1];
    int16_t heightOf[kMaxCommandItems + 1];
};

void LayOut(MenuHandle menu, MenuLayout *l)
{
    l->count = MenuItemCount(menu);
    if (l->count > kMaxCommandItems)
        l->count = kMaxCommandItems;
    l->width = l->height = 0;
    l->columns = 1;
    const int usable = CurrentMenuGeometry().usableHeight;
    int y = 0;
    for (int16_t i = 1; i <= l->count; ++i) {
        const SIZE s = ItemSize(menu, i);
        if (y > 0 && y + s.cy > usable) {
            ++l->columns;
            y = 0;
        }
        l->columnOf[i] = static_cast<int16_t>(l->columns - 1);
        l->topOf[i] = static_cast<int16_t>(y);
        l->heightOf[i] = static_cast<int16_t>(s.cy);
        y += s.cy;
        if (y > l->height)
            l->height = static_cast<int16_t>(y);
        if (s.cx > l->width)
            l->width = static_cast<int16_t>(s.cx);
    }
}

// The item of the layout under a point (port coordinates), 0 outside or past a column's end.
int16_t HitItem(MenuHandle menu, const MenuLayout &l, const Rect &rect, Point hit)
{
    if (hit.v < rect.top || hit.v >= rect.bottom || hit.h < rect.left || hit.h >= rect.right)
        return 0;
    const int16_t width = (*menu)->menuWidth;
    if (width <= 0)
        return 0; // an empty menu has no columns to divide by
    const int column = (hit.h - rect.left - 1) / width;
    for (int16_t i = 1; i <= l.count; ++i)
        if (l.columnOf[i] == column && l.topOf[i] + l.heightOf[i] >= hit.v - rect.top)
            return i;
    return 0;
}

// Draws item `item` of the layout in the current port.
void DrawLaidOutItem(MenuHandle menu, const MenuLayout &l, const Rect &rect, int16_t item, bool selected)
{
    if (item < 1 || item > l.count || !CurrentDC())
        return;
    RECT r{rect.left + l.columnOf[item] * (*menu)->menuWidth, rect.top + l.topOf[item],
           rect.left + (l.columnOf[item] + 1) * (*menu)->menuWidth, rect.top + l.topOf[item] + l.heightOf[item]};
    XformWinRect(&r);
    const bool grayed = item < kFirstAlwaysEnabledItem && !MenuItemEnabled(menu, item);
    DrawOwnerItem(menu, item, CurrentDC(), r, sProcCheck.x, sProcCheck.y,
                  (selected ? itemStateSelected : 0) | (grayed ? itemStateGrayed : 0));
}

// The item number of an owner-drawn Windows item: the command of the entry whose submenu is the item's
// id (an item that opens a submenu), else the id itself.
int16_t ItemNumberOf(UINT itemID)
{
    const MenuItemEntry *e = FindMenuItemEntryForSubmenu(itemID);
    const uint16_t command = e ? e->command : static_cast<uint16_t>(itemID);
    return static_cast<int16_t>((command & 0xFF) + 1);
}

} // namespace

// ---- Fonts, measuring and drawing of one item ----
HFONT MenuItemFont(HDC dc, uint8_t style, HFONT *font, bool *created)
{
    HFONT chosen = GetLibraryFont(libraryFontStandard).font;
    *created = false;
    if (MenuPopUpFontInForce()) {
        const char *face = MenuPopUpFace();
        chosen = CreateFontA(MenuPopUpFontHeight(), 0, 0, 0, (style & itemBold) ? 800 : 400, (style & itemItalic) != 0,
                             (style & itemUnderline) != 0, (style & itemStrikeShift) != 0, DEFAULT_CHARSET, 0, 0, 0,
                             0, face && face[0] ? face : "System");
        *created = chosen != nullptr;
    } else if (style & itemOwnerDrawnStyles) {
        LOGFONTA lf{};
        GetObjectA(chosen ? static_cast<HGDIOBJ>(chosen) : GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
        if (style & itemBold)
            lf.lfWeight = lf.lfWeight ? lf.lfWeight * 2 : 800;
        lf.lfItalic = (style & itemItalic) != 0;
        lf.lfUnderline = (style & itemUnderline) != 0;
        lf.lfStrikeOut = (style & itemStrikeShift) != 0;
        chosen = CreateFontIndirectA(&lf);
        *created = chosen != nullptr;
    }
    if (!chosen)
        chosen = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    *font = chosen;
    HFONT previous = static_cast<HFONT>(SelectObject(dc, chosen));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    sItemLineHeight = static_cast<int16_t>(tm.tmHeight + (tm.tmInternalLeading + 1) / 2);
    return previous;
}

void MeasureOwnerItem(MenuHandle menu, int16_t item, SIZE *size)
{
    *size = SIZE{};
    MenuItemView view;
    if (!FindMenuItem(menu, item, &view))
        return;
    const MenuGeometry &g = CurrentMenuGeometry();
    HWND main = SessionMainWindow();
    HDC dc = GetDC(main);
    HFONT font;
    bool created;
    HFONT previous = MenuItemFont(dc, view.style, &font, &created);
    SIZE text{};
    char converted[ZEL_MENU_TEXT_MAX];
    if (IsBlankText(view.text)) {
        text = SIZE{0, 16};
    } else {
        ZEL_CopyMacPtoWinC(view.text, converted, nullptr);
        GetTextExtentCompat(dc, converted, static_cast<int>(std::strlen(converted)), &text);
    }
    int accelerator = 0;
    POINT icon{0, 0};
    if (view.key >= keyFirstAccelerator) {
        char column[96] = {};
        AcceleratorText(view, column, sizeof column, (view.style & itemShift) != 0, false);
        SIZE s{};
        const char *shown = column[0] == '\t' ? column + 1 : column;
        GetTextExtentCompat(dc, shown, static_cast<int>(std::strlen(shown)), &s);
        accelerator = column[0] ? s.cx + 12 : 0;
    } else if (view.icon & 0x7F) {
        icon = MenuItemIconSize(menu, view);
    }
    SelectObject(dc, previous);
    if (created)
        DeleteObject(font);
    ReleaseDC(main, dc);
    const POINT check = CheckMarkSize();
    size->cy = (text.cy > icon.y ? text.cy : icon.y) + 2;
    size->cx = check.x + accelerator + g.margin1 + g.margin2 + text.cx + icon.x + 17 + (text.cx && icon.x ? 6 : 0);
}

void DrawOwnerItem(MenuHandle menu, int16_t item, HDC dc, const RECT &rect, int checkWidth, int checkHeight, int state)
{
    MenuItemView view;
    if (!FindMenuItem(menu, item, &view) || !dc)
        return;
    const int16_t savedFile = CurResFile();
    const int16_t menuFile = MenuResFileFor(menu);
    if (menuFile >= 0)
        UseResFile(menuFile);
    const MenuGeometry &g = CurrentMenuGeometry();
    const COLORREF oldText = GetTextColor(dc), oldBack = GetBkColor(dc);
    const int oldMode = GetBkMode(dc);
    const UINT oldAlign = GetTextAlign(dc);
    RECT r = rect;
    if (IsSeparatorText(view.text)) {
        // A separator is one gray line across the middle, whatever the item's state.
        FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
        HBRUSH gray = CreateSolidBrush(RGB(0x80, 0x80, 0x80));
        RECT line{r.left, r.top + (r.bottom - r.top) / 2, r.right, r.top + (r.bottom - r.top) / 2 + 1};
        FillRect(dc, &line, gray);
        DeleteObject(gray);
    } else {
        const bool selected = state & itemStateSelected, grayed = state & itemStateGrayed;
        const COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU);
        const COLORREF fore = GetSysColor(grayed ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
        FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
        SetBkColor(dc, back);
        SetTextColor(dc, fore);
        SetBkMode(dc, TRANSPARENT);

        // The check mark at the first margin, vertically centred.
        if (view.mark && view.key != keySubmenu) {
            HBITMAP check = LoadBitmapA(nullptr, reinterpret_cast<LPCSTR>(kCheckBitmap));
            BITMAP bm{};
            GetObjectA(check, sizeof bm, &bm);
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, check);
            BitBlt(dc, r.left + g.margin1, r.top + (r.bottom - r.top - bm.bmHeight) / 2, bm.bmWidth, bm.bmHeight, mem, 0,
                   0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
            DeleteObject(check);
        }
        (void)checkHeight;

        // The icon box.
        int textLeft = r.left + g.margin1 + g.margin2 + checkWidth;
        const int16_t iconID = static_cast<int16_t>(256 + (view.icon & 0x7F));
        if (view.icon & 0x7F) {
            const int boxLeft = textLeft, boxTop = r.top + 1;
            int iconWidth = 0;
            if (view.key == keySmallIcon) {
                if (Handle sicn = IconResource(kSmallIconType, iconID, 32))
                    DrawOneBitIcon(dc, reinterpret_cast<const uint8_t *>(*sicn), 16, 2,
                                   RECT{boxLeft, boxTop, boxLeft + 16, boxTop + 16});
                iconWidth = 16;
            } else if (CIconHandle cicn = GetCIcon(iconID)) {
                const Rect b = (*cicn)->iconPMap.bounds;
                const int w = b.right - b.left, h = b.bottom - b.top;
                const int top = r.top + (r.bottom - r.top - h) / 2;
                Rect box{static_cast<int16_t>(top), static_cast<int16_t>(boxLeft), static_cast<int16_t>(top + h),
                         static_cast<int16_t>(boxLeft + w)};
                PlotColorIcon(dc, &box, cicn);
                DisposeCIcon(cicn);
                iconWidth = w;
            } else {
                const int size = view.key == keyIconSized ? 16 : 32;
                if (Handle icon = IconResource(kIconType, iconID, 128))
                    DrawOneBitIcon(dc, reinterpret_cast<const uint8_t *>(*icon), 32, 4,
                                   RECT{boxLeft, boxTop, boxLeft + size, boxTop + size});
                iconWidth = size;
            }
            textLeft += iconWidth + 6;
        }

        // The text, vertically centred on the height of "ABCjpq" in the item font.
        HFONT font;
        bool created;
        HFONT previous = MenuItemFont(dc, view.style, &font, &created);
        char text[ZEL_MENU_TEXT_MAX];
        ZEL_CopyMacPtoWinC(view.text, text, nullptr);
        SIZE sample{};
        GetTextExtentCompat(dc, "ABCjpq", 6, &sample);
        SetTextAlign(dc, TA_LEFT | TA_TOP);
        TextOutA(dc, textLeft - ((view.style & itemItalic) ? 1 : 0), r.top + (r.bottom - r.top - sample.cy) / 2, text,
                 static_cast<int>(std::strlen(text)));
        // The accelerator column, right-aligned 15 pixels inside the right edge.
        if (view.key > keySmallIcon) {
            char column[96] = {};
            AcceleratorText(view, column, sizeof column, (view.style & itemShift) != 0, false);
            if (column[0] && column[1]) {
                SetTextAlign(dc, TA_RIGHT | TA_TOP);
                TextOutA(dc, r.right - 15, r.top + (r.bottom - r.top - sample.cy) / 2, column + 1,
                         static_cast<int>(std::strlen(column + 1)));
            }
        }
        SelectObject(dc, previous);
        if (created)
            DeleteObject(font);
    }
    SetTextAlign(dc, oldAlign);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SetBkMode(dc, oldMode);
    if (menuFile >= 0)
        UseResFile(savedFile);
}

// ---- The standard definition procedure ----
int32_t ZEL_CALL StandardMDEF(int16_t message, MenuHandle menu, Rect *menuRect, Point hit, int16_t *whichItem)
{
    if (!menu || !*menu || !menuRect)
        return message;
    static MenuLayout l;
    switch (message) {
    case mSizeMsg:
        LayOut(menu, &l);
        (*menu)->menuWidth = l.width;
        (*menu)->menuHeight = l.height;
        menuRect->right = static_cast<int16_t>(menuRect->left + l.columns * l.width);
        menuRect->bottom = static_cast<int16_t>(menuRect->top + l.height);
        return message;
    case mDrawMsg:
        LayOut(menu, &l);
        for (int16_t i = 1; i <= l.count; ++i)
            DrawLaidOutItem(menu, l, *menuRect, i, whichItem && *whichItem == i);
        return message;
    case mChooseMsg: {
        if (!whichItem)
            return message;
        LayOut(menu, &l);
        if (ButtonIsDown()) {
            int16_t item = HitItem(menu, l, *menuRect, hit);
            if (item != *whichItem) {
                if (*whichItem)
                    DrawLaidOutItem(menu, l, *menuRect, *whichItem, false);
                if (item && item < kFirstAlwaysEnabledItem && !MenuItemEnabled(menu, item))
                    item = 0;
                *whichItem = item;
                if (item)
                    DrawLaidOutItem(menu, l, *menuRect, item, true);
            }
        } else if (!*whichItem && l.count > 0) {
            // The button came up with nothing chosen: the first item is taken.
            *whichItem = 1;
            DrawLaidOutItem(menu, l, *menuRect, 1, true);
        }
        return message;
    }
    case mPopUpMsg: {
        const LONG d = GetMenuCheckMarkDimensions();
        sProcCheck = POINT{LOWORD(d), HIWORD(d)};
        return message;
    }
    default:
        return message; // any other message comes back unchanged
    }
}

// ---- WM_DRAWITEM and WM_MEASUREITEM ----
namespace {
// The menu of an owner-drawn item of the library's, its item-table key now current and its item number
// given; 0 for item data outside the table or an empty entry (an owner-drawn item of the host's own).
MenuHandle LibraryItemMenu(UINT_PTR itemData, UINT itemID, int16_t *item)
{
    const MenuItemEntry *e = MenuItemEntryAt(static_cast<uint32_t>(itemData));
    if (!e || !e->menu || !*e->menu)
        return nullptr;
    MenuOwnerDrawState().currentKey = static_cast<uint16_t>(itemID);
    *item = ItemNumberOf(itemID);
    return e->menu;
}
} // namespace

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_MenuUserItem(HWND, UINT message, WPARAM, LPARAM lParam)
{
    OwnerDrawState &state = MenuOwnerDrawState();
    if (message == WM_DRAWITEM) {
        auto *di = reinterpret_cast<DRAWITEMSTRUCT *>(lParam);
        if (!di || di->CtlType != ODT_MENU)
            return 0;
        int16_t item;
        MenuHandle menu = LibraryItemMenu(di->itemData, di->itemID, &item);
        if (!menu)
            return 0;
        Rect rect;
        ZEL_ConvWRtoMR(&di->rcItem, &rect);
        if (di->itemAction & ODA_DRAWENTIRE)
            state.menuRect = rect;
        state.openWindow = ZEL_SetWMgrPortDC(TRUE, nullptr, di->hDC, &state.menuRect);
        if (MenuDefProcPtr proc = MenuOwnProc(menu)) {
            if (di->itemAction & ODA_DRAWENTIRE) {
                LowMem<int16_t>(lmAtMenuBottom) = rect.bottom;
                LowMem<int16_t>(lmTopMenuItem) = rect.top;
                int16_t none = 0;
                proc(mDrawMsg, menu, &state.menuRect, Point{0, 0}, &none);
            }
        } else {
            MenuItemView view;
            const bool owned = FindMenuItem(menu, item, &view) &&
                               ((view.icon & 0x7F) || (view.style & itemOwnerDrawnStyles) || MenuPopUpFontInForce());
            if ((di->itemAction & ODA_DRAWENTIRE) || ((di->itemAction & ODA_SELECT) && owned)) {
                const POINT check = CheckMarkSize();
                DrawOwnerItem(menu, item, di->hDC, di->rcItem, check.x, check.y,
                              ((di->itemState & ODS_SELECTED) ? itemStateSelected : 0) |
                                  ((di->itemState & ODS_GRAYED) ? itemStateGrayed : 0));
            }
        }
        ZEL_SetWMgrPortDC(FALSE, nullptr, di->hDC, &state.menuRect);
        return 1;
    }
    if (message == WM_MEASUREITEM) {
        auto *mi = reinterpret_cast<MEASUREITEMSTRUCT *>(lParam);
        if (!mi || mi->CtlType != ODT_MENU)
            return 0;
        int16_t item;
        MenuHandle menu = LibraryItemMenu(mi->itemData, mi->itemID, &item);
        if (!menu)
            return 0;
        if (MenuDefProcPtr proc = MenuOwnProc(menu)) {
            Rect r{0, 0, (*menu)->menuHeight, (*menu)->menuWidth};
            int16_t none = 0;
            proc(mSizeMsg, menu, &r, Point{0, 0}, &none);
            mi->itemHeight = static_cast<UINT>((*menu)->menuHeight);
            mi->itemWidth = static_cast<UINT>((*menu)->menuWidth - CheckMarkSize().x);
        } else {
            SIZE s;
            MeasureOwnerItem(menu, item, &s);
            mi->itemHeight = static_cast<UINT>(s.cy);
            mi->itemWidth = static_cast<UINT>(s.cx);
        }
        return 1;
    }
    return 0;
}

// ---- Help and Desk Manager entry points: nothing to do on Windows, and nothing reported ----
ZEL_EXTERN_C MenuHandle ZEL_CALL HMGetHelpMenuHandle(MenuHandle *) { return nullptr; }
ZEL_EXTERN_C OSErr ZEL_CALL HMShowBalloon(const void *, Point, const Rect *, Ptr, int16_t, int16_t, int16_t)
{
    return noErr;
}
ZEL_EXTERN_C OSErr ZEL_CALL HMRemoveBalloon(void) { return noErr; }
ZEL_EXTERN_C Boolean ZEL_CALL HMGetBalloons(void) { return false; }
ZEL_EXTERN_C OSErr ZEL_CALL HMSetBalloons(Boolean) { return noErr; }
ZEL_EXTERN_C OSErr ZEL_CALL HMGetIndHelpMsg(ResType, int16_t, int16_t, int16_t, uint32_t *, Point *, Rect *,
                                           int16_t *, int16_t *, void *, int16_t *)
{
    return noErr;
}
ZEL_EXTERN_C Boolean ZEL_CALL HMIsBalloon(void) { return false; }
ZEL_EXTERN_C OSErr ZEL_CALL HMSetMenuResID(int16_t, int16_t) { return noErr; }
ZEL_EXTERN_C int16_t ZEL_CALL OpenDeskAcc(ConstStr255Param) { return 0; }
ZEL_EXTERN_C void ZEL_CALL CloseDeskAcc(int16_t) {}
ZEL_EXTERN_C Boolean ZEL_CALL SystemEdit(int16_t) { return false; }
ZEL_EXTERN_C void ZEL_CALL SystemClick(const EventRecord *, WindowPtr) {}
ZEL_EXTERN_C Boolean ZEL_CALL SystemEvent(const EventRecord *) { return true; }

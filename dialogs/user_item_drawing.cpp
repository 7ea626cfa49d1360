// Dialog Manager: the owner-drawn children of library windows, drawn and measured when the host hands
// WM_DRAWITEM and WM_MEASUREITEM of its windows to ZEL_UserItem: the rows of lists through their list
// definitions, user items through their procedures, pictures, icons, combo-box entries from their menus
// and custom controls through their definitions.
#include "dialog_manager.h"
#include "list_manager.h"
#include "Icons.h"
#include "Menus.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../windows/windows_services.h"

#include <cstring>

namespace {

constexpr UINT kCustomControlIDs = 0xFD00;

void DrawFocusFrame(const DRAWITEMSTRUCT &di)
{
    if (di.itemAction & ODA_FOCUS)
        DrawFocusRect(di.hDC, &di.rcItem);
}

// A combo-box entry: its menu item's text when the box keeps a menu, else the entry's own text.
void DrawComboEntry(WindowPtr w, const DRAWITEMSTRUCT &di)
{
    if (di.itemID == static_cast<UINT>(-1)) {
        DrawFocusFrame(di);
        return;
    }
    char text[MacToAnsiBufferSize(255)] = {};
    ControlHandle c = ControlOfChildWindow(w, di.hwndItem);
    MenuHandle menu = c ? ControlTailOf(c)->menu : nullptr;
    if (menu && static_cast<int>(di.itemID) < CountMItems(menu)) {
        Str255 item;
        GetMenuItemText(menu, static_cast<int16_t>(di.itemID + 1), item);
        AnsiControlTitle(item, text);
    } else {
        const LRESULT count = SendMessageA(di.hwndItem, CB_GETCOUNT, 0, 0);
        if (static_cast<LRESULT>(di.itemID) >= count ||
            SendMessageA(di.hwndItem, CB_GETLBTEXTLEN, di.itemID, 0) >= static_cast<LRESULT>(sizeof text)) {
            DrawFocusFrame(di);
            return;
        }
        SendMessageA(di.hwndItem, CB_GETLBTEXT, di.itemID, reinterpret_cast<LPARAM>(text));
    }
    const bool selected = (di.itemState & ODS_SELECTED) != 0;
    const COLORREF oldText = SetTextColor(di.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const COLORREF oldBack = SetBkColor(di.hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ExtTextOutA(di.hDC, di.rcItem.left + 2, di.rcItem.top, ETO_CLIPPED | ETO_OPAQUE, &di.rcItem, text,
                static_cast<UINT>(std::strlen(text)), nullptr);
    SetTextColor(di.hDC, oldText);
    SetBkColor(di.hDC, oldBack);
    DrawFocusFrame(di);
}

// A dialog item: a user item's procedure, or an icon.
void DrawDialogItem(DialogPtr d, const DRAWITEMSTRUCT &di)
{
    DitlItem item;
    const int16_t n = static_cast<int16_t>(di.CtlID);
    if (di.CtlID > 0x7FFF || !ItemAt(DPeek(d)->items, n, &item)) {
        DrawFocusFrame(di);
        return;
    }
    if (!(di.itemAction & ODA_DRAWENTIRE)) {
        DrawFocusFrame(di);
        return;
    }
    const uint8_t type = *item.type & 0x7F;
    Handle h = DitlItemHandle(item);
    if (type == userItem && h) {
        reinterpret_cast<UserItemProcPtr>(h)(d, n);
    } else if (type == picItem && h && *h) {
        DrawPicture(reinterpret_cast<PicHandle>(h), item.rect);
    } else if (type == iconItem && h && *h) {
        // A Windows icon in 4 bytes; the colour icons the builder made; an 'ICON' of 128 bytes; a host's
        // colour icon at least as large as its record. Anything else is no icon the library can read.
        const Size size = GetHandleSize(h);
        if (size == 4) {
            HICON icon;
            std::memcpy(&icon, *h, 4);
            DrawIcon(di.hDC, 0, 0, icon);
        } else if (IsBuiltColorIcon(d, h)) {
            PlotCIcon(item.rect, reinterpret_cast<CIconHandle>(h));
        } else if (size == 128) {
            PlotIcon(item.rect, h);
        } else if (size >= static_cast<Size>(sizeof(CIcon))) {
            PlotCIcon(item.rect, reinterpret_cast<CIconHandle>(h));
        }
    }
    ValidateRect(di.hwndItem, nullptr);
}

// A rectangle of a child's client area in the port of its window (through the port's transform).
Rect ChildRectInPort(HWND child, HWND window, RECT r)
{
    MapWindowPoints(child, window, reinterpret_cast<POINT *>(&r), 2);
    if (PortDCRecord *record = CurrentPortRecord(); record && record->xform.offsetActive)
        RevXformWinRect(&r);
    return Rect{static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
                static_cast<int16_t>(r.right)};
}

// The list a library list box stands for; none when the box is not that list's.
ListHandle ListOfBox(const DRAWITEMSTRUCT &di, int *slotOut)
{
    const int slot = static_cast<int>(di.CtlID & 0xFF);
    ListHandle list = ListSlotList(slot);
    if (!list || !*list || ListSlotBox(slot) != di.hwndItem)
        return nullptr;
    *slotOut = slot;
    return list;
}

// A list box's item: one row of cells of a row-per-item list, or one cell of another list drawn by its
// host definition. An item that is no row or cell of the list draws at most the focus frame.
void DrawListItem(HWND window, const DRAWITEMSTRUCT &di)
{
    int slot = -1;
    ListHandle list = ListOfBox(di, &slot);
    if (!list || di.itemID == static_cast<UINT>(-1)) {
        DrawFocusFrame(di);
        return;
    }
    const Rect itemRect = ChildRectInPort(di.hwndItem, window, di.rcItem);
    if ((di.CtlID & 0xFF00) == kRowListID) {
        if (static_cast<int32_t>(di.itemID) >= ListRows(list) || !(di.itemAction & ODA_DRAWENTIRE))
            return;
        int16_t width = 0, height = 0, left = 0;
        const int shown = GetListGeometry(slot, &width, &height, &left, nullptr, nullptr, false, false);
        for (int i = 0; i < shown; ++i) {
            Cell cell{static_cast<int16_t>((*list)->dataBounds.top + di.itemID), static_cast<int16_t>(left + i)};
            if (cell.h >= (*list)->dataBounds.right)
                break;
            int16_t offset = 0, length = 0;
            LGetCellDataLocation(&offset, &length, cell, list);
            Cell probe = cell;
            const bool selected = LGetSelect(false, &probe, list) != 0;
            Rect r{itemRect.top, static_cast<int16_t>(itemRect.left + i * width), itemRect.bottom,
                   static_cast<int16_t>(itemRect.left + (i + 1) * width)};
            CallListDef(list, lDrawMsg, selected, &r, cell, offset, length);
        }
        if (!DialogUpdateNesting())
            ValidRect(&itemRect);
        return;
    }
    if (static_cast<int32_t>(di.itemID) > (*list)->maxIndex) {
        DrawFocusFrame(di);
        return;
    }
    const Cell cell = IndexCell(list, static_cast<int32_t>(di.itemID));
    int16_t offset = 0, length = 0;
    LGetCellDataLocation(&offset, &length, cell, list);
    Rect r = itemRect;
    const bool selected = (di.itemState & ODS_SELECTED) != 0;
    if (di.itemAction & ODA_DRAWENTIRE)
        CallListDef(list, lDrawMsg, selected, &r, cell, offset, length);
    else if (di.itemAction & ODA_SELECT)
        CallListDef(list, lHiliteMsg, selected, &r, cell, offset, length);
    DrawFocusFrame(di);
}

void DrawItem(WindowPtr w, HWND hwnd, const DRAWITEMSTRUCT &di)
{
    if (di.CtlType == ODT_LISTBOX) {
        DrawListItem(hwnd, di);
        return;
    }
    if (di.CtlType == ODT_COMBOBOX) {
        DrawComboEntry(w, di);
        return;
    }
    if ((di.CtlID & 0xFF00) == kCustomControlIDs) {
        // A custom control draws through its definition procedure, when the child is one of the window's.
        ControlHandle c = ControlOfChildWindow(w, di.hwndItem);
        if (c && ControlTailOf(c)->custom)
            if (auto def = reinterpret_cast<ControlDefProcPtr>((*c)->contrlDefProc))
                def(ControlTailOf(c)->variant, c, drawCntl, 0);
        return;
    }
    if (IsDialog(w) && di.CtlType == ODT_BUTTON) {
        DrawDialogItem(w, di);
        return;
    }
    DrawFocusFrame(di);
}

// Drawing of a list box's items, and of a part of any other item, keeps to the part of the item that
// shows: the port's device context is clipped to it, in the window's client coordinates.
bool ClipToVisiblePart(HWND hwnd, const DRAWITEMSTRUCT &di, HDC dc, HRGN saved, int *hadClip)
{
    RECT client;
    if (!dc || !di.hwndItem || !GetClientRect(di.hwndItem, &client))
        return false;
    const bool listBox = di.CtlType == ODT_LISTBOX;
    const bool partial = di.rcItem.left > client.left || di.rcItem.top > client.top ||
                         di.rcItem.right < client.right || di.rcItem.bottom < client.bottom;
    if (!listBox && !partial)
        return false;
    RECT part;
    if (!IntersectRect(&part, &client, &di.rcItem))
        SetRectEmpty(&part);
    MapWindowPoints(di.hwndItem, hwnd, reinterpret_cast<POINT *>(&part), 2);
    if (!listBox && SessionFlag(zelFlagUserItemAlt))
        part.top -= 16;
    *hadClip = GetClipRgn(dc, saved);
    IntersectClipRect(dc, part.left, part.top, part.right, part.bottom);
    return true;
}

void MeasureItem(WindowPtr w, MEASUREITEMSTRUCT &mi)
{
    if (mi.CtlType == ODT_LISTBOX) {
        // Measured while the list box is being made: the list record already holds the cell size.
        ListHandle list = ListSlotList(static_cast<int>(mi.CtlID & 0xFF));
        if (list && *list && ((mi.CtlID & 0xFF00) == kRowListID || (mi.CtlID & 0xFF00) == kCellListID)) {
            mi.itemWidth = static_cast<UINT>((*list)->cellSize.h);
            mi.itemHeight = static_cast<UINT>((*list)->cellSize.v);
        }
        return;
    }
    if (mi.CtlType == ODT_COMBOBOX) {
        mi.itemHeight = static_cast<UINT>(ControlFont().height);
        return;
    }
    if ((mi.CtlID & 0xFF00) == kCustomControlIDs || !IsDialog(w))
        return;
    DitlItem item;
    if (mi.CtlID > 0x7FFF || !ItemAt(DPeek(w)->items, static_cast<int16_t>(mi.CtlID), &item))
        return;
    const Rect &r = *item.rect;
    mi.itemWidth = static_cast<UINT>(r.right - r.left + 1);
    mi.itemHeight = static_cast<UINT>(r.bottom - r.top + 1);
}

} // namespace

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_UserItem(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!lParam || (message != WM_DRAWITEM && message != WM_MEASUREITEM))
        return 1;
    const UINT ctlType = message == WM_DRAWITEM ? reinterpret_cast<DRAWITEMSTRUCT *>(lParam)->CtlType
                                                : reinterpret_cast<MEASUREITEMSTRUCT *>(lParam)->CtlType;
    if (ctlType == ODT_MENU)
        return ZEL_MenuUserItem(hwnd, message, wParam, lParam);
    const bool limit = SetMemoryLimitSwitch(false);
    WindowPtr w = nullptr;
    if (!HwndToWindowPtr(hwnd, &w, nullptr) || !w || w == ListTearOffWindow()) {
        SetMemoryLimitSwitch(limit);
        return 1;
    }
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(w);
    PortDCRecord *record = PortRecordOf(w);
    const uint8_t wasDrawing = record ? record->drawingOwnerItem : 0;
    if (record)
        record->drawingOwnerItem = 1;
    if (message == WM_DRAWITEM) {
        const DRAWITEMSTRUCT &di = *reinterpret_cast<DRAWITEMSTRUCT *>(lParam);
        HDC dc = CurrentDC();
        HRGN savedClip = CreateRectRgn(0, 0, 0, 0);
        int hadClip = 0;
        const bool clipped = savedClip && ClipToVisiblePart(hwnd, di, dc, savedClip, &hadClip);
        DrawItem(w, hwnd, di);
        if (clipped)
            SelectClipRgn(dc, hadClip == 1 ? savedClip : nullptr);
        if (savedClip)
            DeleteObject(savedClip);
    } else {
        MeasureItem(w, *reinterpret_cast<MEASUREITEMSTRUCT *>(lParam));
    }
    if (record)
        record->drawingOwnerItem = wasDrawing;
    SetPor(saved);
    SetMemoryLimitSwitch(limit);
    return 1;
}

// Dialog Manager: the owner-drawn children of library windows, drawn and measured when the host hands
// WM_DRAWITEM and WM_MEASUREITEM of its windows to ZEL_UserItem: user items through their procedures,
// icons, combo-box entries from their menus and custom controls through their definitions.
#include "dialog_manager.h"
#include "Icons.h"
#include "Menus.h"
#include "../core/core_services.h"
#include "../windows/windows_services.h"

#include <cstring>

namespace {

constexpr UINT kCustomControlIDs = 0xFD00;

// The control of a window whose child is `child`; none when no control of the window has it.
ControlHandle ControlOfChild(WindowPtr w, HWND child)
{
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(w)->controlList; c && *c && guard < 65536;
         c = (*c)->nextControl, ++guard)
        if (ControlWindow(c) == child)
            return c;
    return nullptr;
}

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
    ControlHandle c = ControlOfChild(w, di.hwndItem);
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

void DrawItem(WindowPtr w, const DRAWITEMSTRUCT &di)
{
    if (di.CtlType == ODT_COMBOBOX) {
        DrawComboEntry(w, di);
        return;
    }
    if ((di.CtlID & 0xFF00) == kCustomControlIDs) {
        // A custom control draws through its definition procedure, when the child is one of the window's.
        ControlHandle c = ControlOfChild(w, di.hwndItem);
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

void MeasureItem(WindowPtr w, MEASUREITEMSTRUCT &mi)
{
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
    WindowPtr w = nullptr;
    if (!HwndToWindowPtr(hwnd, &w, nullptr) || !w)
        return 1;
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(w);
    if (message == WM_DRAWITEM)
        DrawItem(w, *reinterpret_cast<DRAWITEMSTRUCT *>(lParam));
    else
        MeasureItem(w, *reinterpret_cast<MEASUREITEMSTRUCT *>(lParam));
    SetPor(saved);
    return 1;
}

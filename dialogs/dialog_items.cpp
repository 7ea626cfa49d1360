// Dialog Manager: the calls that read and change the items of a built dialog (item records, item text
// both ways, hiding and showing, ParamText with its parameter memory), the host glue for long texts,
// passwords, fonts, enabling and white backgrounds, and the combo-box items filled from menus.
#include "dialog_manager.h"
#include "LowMem.h"
#include "../core/core_services.h"
#include "../text/text_services.h"
#include "../windows/windows_services.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kHideOffset = 16384;
constexpr int kHiddenLimit = 8192;

Str255 sParams[4];
// For each parameter, the last static text whose built text used it, and that text unsubstituted.
struct ParamMemory {
    int16_t item;
    Str255 text;
};
ParamMemory sParamMemory[4];
int16_t sDialogFont;

uint16_t ConversionFlags() { return LibrarySetting(settingDoubleByte) ? macToAnsiDoubleByte : 0; }

bool IsEditWindow(HWND w)
{
    bool isEdit = false;
    const uint16_t kind = LibraryControlKind(w, &isEdit);
    if (kind != controlKindOther)
        return kind == controlKindEdit && isEdit;
    char name[16] = {};
    GetClassNameA(w, name, sizeof name);
    return lstrcmpiA(name, "edit") == 0;
}

// A text handle's window: a child, the dialog window of a caption token, the group box of a group-title
// token; none for a full table's token (slot 0xFF) or a window that is gone.
HWND TextWindow(Handle h, uint32_t *tokenKind)
{
    const uint32_t value = reinterpret_cast<uint32_t>(h);
    *tokenKind = 0;
    if (!value)
        return nullptr;
    if ((value & 0xFFFFFE00) == kGroupTitleToken) {
        *tokenKind = value & 0xFFFFFF00;
        return TitleTokenWindow(value);
    }
    HWND w = reinterpret_cast<HWND>(h);
    return IsWindow(w) ? w : nullptr;
}

// The dialog a child window belongs to; none for another window. The window list is walked rather than
// the parent's window property asked: item text is set often, and the list lives in memory.
DialogPtr DialogOfChild(HWND child)
{
    HWND parent = GetParent(child);
    if (!parent)
        return nullptr;
    int guard = 0;
    for (WindowPtr w = LMGetWindowList(); w && guard < 65536; w = reinterpret_cast<WindowPtr>(reinterpret_cast<WindowPeek>(w)->nextWindow), ++guard)
        if (IsDialog(w) && DialogAux(w) && DialogAux(w)->hwnd == parent)
            return w;
    return nullptr;
}

// Every "&" doubled, so that Windows shows it as the Macintosh does; `out` holds 2 * length bytes.
int DoubleAmpersands(const uint8_t *text, int length, uint8_t *out)
{
    int m = 0;
    for (int i = 0; i < length; ++i) {
        out[m++] = text[i];
        if (text[i] == '&')
            out[m++] = '&';
    }
    return m;
}

// The text a static or button child shows back as it was set: "&&" is one "&", a lone "&" (the
// mnemonic mark) goes.
int UndoAmpersands(char *text, int length)
{
    int m = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == '&') {
            if (i + 1 < length && text[i + 1] == '&')
                text[m++] = text[++i];
            continue;
        }
        text[m++] = text[i];
    }
    return m;
}

int TextWidthIn(HWND w, const char *text)
{
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentCompat(dc, text, lstrlenA(text), &size);
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return size.cx;
}

// The item of a dialog whose child is `w`; 0 for none.
bool ItemHoldsWindow(DialogPtr d, int16_t n, HWND w)
{
    DitlItem item;
    if (!ItemAt(DPeek(d)->items, n, &item))
        return false;
    // Static and edit items keep their child in the handle field; controls keep it in the record.
    const uint8_t type = *item.type & 0x7F;
    if (type == statText || type == editText)
        return reinterpret_cast<HWND>(DitlItemHandle(item)) == w;
    return DialogItemWindow(d, n) == w;
}

int16_t ItemOfChild(DialogPtr d, HWND w)
{
    const int16_t id = static_cast<int16_t>(GetDlgCtrlID(w));
    if (id > 0 && ItemHoldsWindow(d, id, w))
        return id;
    const int16_t count = ItemsPresent(DPeek(d)->items);
    for (int16_t n = 1; n <= count; ++n)
        if (DialogItemWindow(d, n) == w)
            return n;
    return 0;
}

HWND ComboWindow(DialogPtr d, int16_t item)
{
    if (!IsDialog(d))
        return nullptr;
    HWND w = DialogItemWindow(d, item);
    bool isEdit = false;
    return w && LibraryControlKind(w, &isEdit) == controlKindCombo ? w : nullptr;
}

} // namespace

// ---- ParamText ----

ConstStr255Param ParamString(int n) { return sParams[n & 3]; }

int SubstituteParams(const uint8_t *text, int length, uint8_t out[255], int16_t recordItem)
{
    int n = 0;
    for (int i = 0; i < length && n < 255; ++i) {
        if (text[i] == '^' && i + 1 < length && text[i + 1] >= '0' && text[i + 1] <= '3') {
            const int which = text[i + 1] - '0';
            if (recordItem > 0) {
                ParamMemory &m = sParamMemory[which];
                m.item = recordItem;
                m.text[0] = static_cast<uint8_t>(length > 255 ? 255 : length);
                std::memcpy(m.text + 1, text, m.text[0]);
            }
            ConstStr255Param p = sParams[which];
            for (int k = 1; k <= p[0] && n < 255; ++k)
                out[n++] = p[k];
            ++i;
        } else {
            out[n++] = text[i];
        }
    }
    return n;
}

ZEL_EXTERN_C void ZEL_CALL ParamText(ConstStr255Param param0, ConstStr255Param param1, ConstStr255Param param2,
                                     ConstStr255Param param3)
{
    ConstStr255Param given[4] = {param0, param1, param2, param3};
    for (int i = 0; i < 4; ++i)
        if (given[i])
            std::memcpy(sParams[i], given[i], given[i][0] + 1u);
    // A parameter naming parameters takes their texts as they stand at that moment.
    for (int i = 0; i < 4; ++i) {
        if (!given[i])
            continue;
        bool names = false;
        for (int k = 1; k < sParams[i][0] && !names; ++k)
            names = sParams[i][k] == '^' && sParams[i][k + 1] >= '0' && sParams[i][k + 1] <= '3';
        if (!names)
            continue;
        Str255 copy;
        std::memcpy(copy, sParams[i], sParams[i][0] + 1u);
        uint8_t out[255];
        const int n = SubstituteParams(copy + 1, copy[0], out, 0);
        sParams[i][0] = static_cast<uint8_t>(n);
        std::memcpy(sParams[i] + 1, out, static_cast<size_t>(n));
    }
}

ZEL_EXTERN_C void ZEL_CALL ZEL_UpdateParamStrItem(DialogPtr theDialog, int16_t item, ConstStr255Param text)
{
    if (!IsDialog(theDialog) || !text)
        return;
    uint8_t out[256];
    out[0] = static_cast<uint8_t>(SubstituteParams(text + 1, text[0], out + 1, 0));
    Handle h = nullptr;
    int16_t type = 0;
    Rect box;
    GetDialogItem(theDialog, item, &type, &h, &box);
    SetDialogItemText(h, out);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_UpdateParamStr(DialogPtr theDialog, int16_t n)
{
    if (n < 0 || n > 3 || !sParamMemory[n].item)
        return;
    Str255 text;
    std::memcpy(text, sParamMemory[n].text, sParamMemory[n].text[0] + 1u);
    ZEL_UpdateParamStrItem(theDialog, sParamMemory[n].item, text);
}

// ---- Item records ----

ZEL_EXTERN_C void ZEL_CALL GetDialogItem(DialogPtr theDialog, int16_t itemNo, int16_t *itemType, Handle *item,
                                         Rect *box)
{
    if (itemType)
        *itemType = 0;
    if (item)
        *item = nullptr;
    if (box)
        *box = Rect{};
    DitlItem found;
    if (IsDialog(theDialog) && ItemAt(DPeek(theDialog)->items, itemNo, &found)) {
        if (itemType)
            *itemType = *found.type;
        if (item)
            std::memcpy(item, found.handleField, sizeof(Handle));
        if (box)
            std::memcpy(box, found.rect, sizeof(Rect));
        return;
    }
    // In another window a control whose child has that ID.
    if (!theDialog || IsDialog(theDialog))
        return;
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(theDialog)->controlList; c && *c && guard < 65536;
         c = (*c)->nextControl, ++guard) {
        HWND child = ControlWindow(c);
        if (child && GetDlgCtrlID(child) == itemNo) {
            if (itemType)
                *itemType = ctrlItem;
            if (box)
                *box = (*c)->contrlRect;
            return;
        }
    }
}

ZEL_EXTERN_C void ZEL_CALL SetDialogItem(DialogPtr theDialog, int16_t itemNo, int16_t itemType, Handle item,
                                         const Rect *box)
{
    DitlItem found;
    if (!IsDialog(theDialog) || !ItemAt(DPeek(theDialog)->items, itemNo, &found))
        return;
    HWND child = GetDlgItem(DialogAux(theDialog)->hwnd, itemNo);
    const uint8_t oldType = *found.type;
    const Handle oldHandle = DitlItemHandle(found);
    bool changed = false;
    *found.type = static_cast<uint8_t>(itemType);
    if ((itemType & 0x7F) == userItem && item != oldHandle) {
        // Only a procedure the library wrapped for a user item is released; a control or a child window
        // left in the field by another type is not the host's to release.
        if ((oldType & 0x7F) == userItem && oldHandle)
            FreeHostProcInstance(reinterpret_cast<FARPROC>(oldHandle));
        Handle wrapped = item ? reinterpret_cast<Handle>(MakeHostProcInstance(reinterpret_cast<FARPROC>(item))) : nullptr;
        std::memcpy(found.handleField, &wrapped, sizeof(Handle));
        changed = true;
    } else if (item != oldHandle) {
        std::memcpy(found.handleField, &item, sizeof(Handle));
        changed = true;
    }
    if (oldType != static_cast<uint8_t>(itemType))
        changed = true;
    if (box && std::memcmp(box, found.rect, sizeof(Rect)) != 0) {
        std::memcpy(found.rect, box, sizeof(Rect));
        if (child) {
            const Rect &pr = theDialog->portRect;
            SetWindowPos(child, nullptr, box->left - pr.left, box->top - pr.top, box->right - box->left,
                         box->bottom - box->top, SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
        }
        changed = true;
    }
    if (((oldType ^ itemType) & itemDisable) && child) {
        EnableWindow(child, (itemType & itemDisable) ? FALSE : TRUE);
        changed = true;
    }
    if (changed && child)
        InvalidateRect(child, nullptr, FALSE);
}

// ---- Item text ----

ZEL_EXTERN_C void ZEL_CALL GetDialogItemText(Handle item, Str255 text)
{
    if (!text)
        return;
    text[0] = 0;
    uint32_t token = 0;
    HWND w = TextWindow(item, &token);
    if (!w)
        return;
    const int length = GetWindowTextLengthA(w);
    if (length <= 0)
        return;
    char *buffer = static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(length) + 1));
    if (!buffer)
        return;
    int n = GetWindowTextA(w, buffer, length + 1);
    if (IsEditWindow(w)) {
        int m = 0;
        for (int i = 0; i < n; ++i) {
            buffer[m++] = buffer[i];
            if (buffer[i] == '\r' && i + 1 < n && buffer[i + 1] == '\n')
                ++i;
        }
        n = m;
    } else if (!SessionFlag(zelFlagDoubleByte)) {
        n = UndoAmpersands(buffer, n);
    }
    // At most 255 characters, whatever the window holds.
    uint8_t mac[255];
    const int32_t written = ZEL_AnsiToMacBuf(reinterpret_cast<const uint8_t *>(buffer), mac,
                                             static_cast<int16_t>(n > 255 ? 255 : n));
    HeapFree(GetProcessHeap(), 0, buffer);
    text[0] = static_cast<uint8_t>(written > 255 ? 255 : written < 0 ? 0 : written);
    std::memcpy(text + 1, mac, text[0]);
}

// The text for a static, button or title window: every "&" doubled, converted, the item's mnemonic
// marked; `out` holds kItemTextBufferSize bytes.
void ShownItemText(const uint8_t *text, int length, Handle table, int16_t item, char *out)
{
    uint8_t doubled[2 * 255];
    const int m = SessionFlag(zelFlagDoubleByte) ? (std::memcpy(doubled, text, static_cast<size_t>(length)), length)
                                                 : DoubleAmpersands(text, length, doubled);
    const int32_t written = ZEL_MacToAnsiBuf(doubled, reinterpret_cast<uint8_t *>(out), static_cast<uint16_t>(m),
                                             ConversionFlags());
    out[written] = 0;
    if (table)
        MarkItemMnemonic(table, item, out, kItemTextBufferSize);
}

ZEL_EXTERN_C void ZEL_CALL SetDialogItemText(Handle item, ConstStr255Param text)
{
    uint32_t token = 0;
    HWND w = TextWindow(item, &token);
    if (!w || !text)
        return;
    ++BuildingCounter();
    const int length = text[0];
    if (IsEditWindow(w)) {
        // Every CR not followed by LF becomes CR LF.
        uint8_t lines[2 * 255];
        int m = 0;
        for (int i = 0; i < length; ++i) {
            lines[m++] = text[1 + i];
            if (text[1 + i] == '\r' && !(i + 1 < length && text[2 + i] == '\n'))
                lines[m++] = '\n';
        }
        char ansi[MacToAnsiBufferSize(2 * 255)];
        const int32_t written = ZEL_MacToAnsiBuf(lines, reinterpret_cast<uint8_t *>(ansi), static_cast<uint16_t>(m),
                                                 ConversionFlags());
        ansi[written] = 0;
        SendMessageA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi));
        UpdateWindow(w);
    } else {
        DialogPtr d = token == kCaptionToken ? nullptr : DialogOfChild(w);
        const int16_t id = d ? ItemOfChild(d, w) : 0;
        Handle table = d && id ? DialogFocusTable(d) : nullptr;
        DitlItem found;
        const uint8_t type = d && id && ItemAt(DPeek(d)->items, id, &found) ? static_cast<uint8_t>(*found.type & 0x7F) : 0;
        char shown[kItemTextBufferSize + 2];
        ShownItemText(text + 1, length, table, id, shown + 1);
        char *out = shown + 1;
        if (token == kGroupTitleToken) {
            const size_t n = std::strlen(out);
            if (!(n && out[0] == ' ' && out[n - 1] == ' ')) {
                shown[0] = ' ';
                out = shown;
                std::strcat(out, " ");
            }
        }
        if (type == ctrlItem + chkCtrl) {
            RECT wr;
            GetWindowRect(w, &wr);
            SetWindowPos(w, nullptr, 0, 0, TextWidthIn(w, out) + 20, wr.bottom - wr.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        SendMessageA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(out));
    }
    --BuildingCounter();
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetBigIText(Handle item, Handle text, int32_t length)
{
    uint32_t token = 0;
    HWND w = TextWindow(item, &token);
    if (!w || !text || !*text || length < 0)
        return;
    const int32_t size = GetHandleSize(text);
    if (length > size)
        length = size;
    const bool doubling = !SessionFlag(zelFlagDoubleByte);
    const uint32_t copyLength = static_cast<uint32_t>(length) * (doubling ? 2 : 1);
    auto *copy = static_cast<uint8_t *>(HeapAlloc(GetProcessHeap(), 0, copyLength + 1));
    auto *ansi = static_cast<uint8_t *>(HeapAlloc(GetProcessHeap(), 0, MacToAnsiBufferSize(copyLength)));
    if (copy && ansi) {
        const auto *source = reinterpret_cast<const uint8_t *>(*text);
        uint32_t m = 0;
        for (int32_t i = 0; i < length; ++i) {
            copy[m++] = source[i];
            if (doubling && source[i] == '&')
                copy[m++] = '&';
        }
        // The converter takes 16-bit lengths: long texts go in pieces.
        uint32_t out = 0;
        for (uint32_t at = 0; at < m; at += 0x8000)
            out += static_cast<uint32_t>(
                ZEL_MacToAnsiBuf(copy + at, ansi + out, static_cast<uint16_t>(m - at < 0x8000 ? m - at : 0x8000),
                                 ConversionFlags()));
        ansi[out] = 0;
        ++BuildingCounter();
        SendMessageA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi));
        --BuildingCounter();
    }
    if (copy)
        HeapFree(GetProcessHeap(), 0, copy);
    if (ansi)
        HeapFree(GetProcessHeap(), 0, ansi);
}

ZEL_EXTERN_C void ZEL_CALL SelectDialogItemText(DialogPtr theDialog, int16_t itemNo, int16_t strtSel, int16_t endSel)
{
    if (!IsDialog(theDialog))
        return;
    HWND w = DialogItemWindow(theDialog, itemNo);
    if (!w)
        return;
    ++BuildingCounter();
    SetFocus(w);
    SendMessageA(w, EM_SETSEL, static_cast<WPARAM>(strtSel), static_cast<LPARAM>(endSel));
    SendMessageA(w, EM_SCROLLCARET, 0, 0);
    --BuildingCounter();
    if (IsEditWindow(w))
        BindDialogText(theDialog, w);
}

// A control's title set through the Control Manager follows the item text's rules.
void SetControlWindowTitle(HWND hwnd, ConstStr255Param title) { SetDialogItemText(reinterpret_cast<Handle>(hwnd), title); }

// ---- Hiding and showing ----

namespace {

void HideOrShow(DialogPtr d, int16_t n, bool hide)
{
    DitlItem item;
    if (!IsDialog(d) || !ItemAt(DPeek(d)->items, n, &item))
        return;
    Rect &r = *item.rect;
    if (hide ? r.left > kHiddenLimit : r.left <= kHiddenLimit)
        return;
    const int16_t delta = static_cast<int16_t>(hide ? kHideOffset : -kHideOffset);
    r.left = static_cast<int16_t>(r.left + delta);
    r.right = static_cast<int16_t>(r.right + delta);
    const uint8_t type = *item.type & 0x7F;
    HWND child;
    if (type >= ctrlItem + btnCtrl && type <= ctrlItem + resCtrl) {
        auto c = reinterpret_cast<ControlHandle>(DitlItemHandle(item));
        child = DialogItemWindow(d, n);
        if (c && *c && ControlWindow(c))
            (*c)->contrlVis = hide ? 0 : 255;
    } else {
        child = GetDlgItem(DialogAux(d)->hwnd, n);
    }
    if (child)
        ShowWindow(child, hide ? SW_HIDE : SW_SHOWNA);
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL HideDialogItem(DialogPtr theDialog, int16_t itemNo) { HideOrShow(theDialog, itemNo, true); }
ZEL_EXTERN_C void ZEL_CALL ShowDialogItem(DialogPtr theDialog, int16_t itemNo) { HideOrShow(theDialog, itemNo, false); }

ZEL_EXTERN_C int16_t ZEL_CALL FindDialogItem(DialogPtr theDialog, Point thePt)
{
    if (!IsDialog(theDialog))
        return -1;
    Handle items = DPeek(theDialog)->items;
    Handle table = DialogFocusTable(theDialog);
    const int16_t count = ItemsPresent(items);
    for (int16_t n = 1; n <= count; ++n) {
        DitlItem item;
        if (!ItemAt(items, n, &item))
            continue;
        const Rect &r = *item.rect;
        if (thePt.v < r.top || thePt.v >= r.bottom || thePt.h < r.left || thePt.h >= r.right)
            continue;
        uint8_t flags = 0;
        if ((*item.type & 0x7F) == userItem && FocusTableEntryFlags(table, n, &flags) && (flags & 0x04))
            continue;
        return static_cast<int16_t>(n - 1);
    }
    return -1;
}

// ---- Host glue ----

ZEL_EXTERN_C void ZEL_CALL ZEL_SetPasswordItem(Handle item)
{
    uint32_t token = 0;
    HWND w = TextWindow(item, &token);
    if (w && !token)
        SendMessageA(w, EM_SETPASSWORDCHAR, '*', 0);
}

ZEL_EXTERN_C int16_t ZEL_CALL SetDialogFont(int16_t fontNum)
{
    sDialogFont = fontNum;
    return sDialogFont;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetDlgTextFont(DialogPtr theDialog, int16_t item)
{
    if (!IsDialog(theDialog))
        return;
    HWND w = DialogItemWindow(theDialog, item);
    if (!w)
        return;
    const LibraryFont &font = theDialog->txSize > 0 && theDialog->txSize < 10 ? GetLibraryFont(libraryFontSmallSystem)
                                                                             : ControlFont();
    SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font.font), TRUE);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_EnableControl(WindowPtr window, int16_t controlID, Boolean enable)
{
    if (!window)
        return;
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(window)->controlList; c && *c && guard < 65536;
         c = (*c)->nextControl, ++guard)
        if (HWND child = ControlWindow(c); child && GetDlgCtrlID(child) == controlID)
            EnableWindow(child, enable ? TRUE : FALSE);
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_IsControlEnabled(WindowPtr window, int16_t controlID)
{
    if (!window)
        return false;
    int guard = 0;
    for (ControlHandle c = reinterpret_cast<WindowPeek>(window)->controlList; c && *c && guard < 65536;
         c = (*c)->nextControl, ++guard)
        if (HWND child = ControlWindow(c); child && GetDlgCtrlID(child) == controlID)
            return IsWindowEnabled(child) != 0;
    return false;
}

// Gives the focus back to a bound record's edit control with the record's selection (its end no further
// than the text), as after something else took the focus.
ZEL_EXTERN_C void ZEL_CALL ZEL_MaintainTEFocus(TEHandle hTE)
{
    if (!hTE || !*hTE || !(*hTE)->hDispText)
        return;
    HWND edit = reinterpret_cast<HWND>((*hTE)->hDispText);
    if (!IsWindow(edit))
        return;
    const int16_t start = (*hTE)->selStart;
    const int16_t end = std::min((*hTE)->selEnd, (*hTE)->teLength);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

ZEL_EXTERN_C HWND ZEL_CALL ZEL_GetDlgItemHWND(DialogPtr theDialog, int16_t item)
{
    return IsDialog(theDialog) ? DialogItemWindow(theDialog, item) : nullptr;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_WindowIsDialogKind(HWND hwnd)
{
    WindowPtr w = nullptr;
    return HwndToWindowPtr(hwnd, &w, nullptr) && IsDialog(w);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetWindowHasWhiteBkGnd(WindowPtr window)
{
    if (window && reinterpret_cast<WindowPeek>(window)->dataHandle)
        if (auto *aux = reinterpret_cast<WindowAuxRecord *>(*reinterpret_cast<WindowPeek>(window)->dataHandle))
            aux->stateFlags |= wsfWhiteBackground;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_DialogWhiteBackground(HWND hwnd)
{
    WindowPtr w = nullptr;
    if (!HwndToWindowPtr(hwnd, &w, nullptr) || !w || !reinterpret_cast<WindowPeek>(w)->dataHandle)
        return false;
    const auto *aux = reinterpret_cast<WindowAuxRecord *>(*reinterpret_cast<WindowPeek>(w)->dataHandle);
    return aux && (aux->stateFlags & wsfWhiteBackground);
}

// ---- Lists over user items ----

bool HideUserItemUnderList(HWND dialogWindow, const Rect &list)
{
    WindowPtr w = nullptr;
    if (!HwndToWindowPtr(dialogWindow, &w, nullptr) || !IsDialog(w))
        return false;
    Handle items = DPeek(w)->items;
    const int16_t count = ItemsPresent(items);
    for (int16_t n = 1; n <= count; ++n) {
        DitlItem item;
        if (!ItemAt(items, n, &item) || (*item.type & 0x7F) != userItem)
            continue;
        const Rect &r = *item.rect;
        Rect common;
        if (!SectRect(&r, &list, &common))
            continue;
        const bool listInside = list.top >= r.top && list.left >= r.left && list.bottom <= r.bottom && list.right <= r.right;
        const bool itemInside = r.top >= list.top && r.left >= list.left && r.bottom <= list.bottom && r.right <= list.right;
        if (!listInside && !itemInside)
            continue;
        if (HWND child = GetDlgItem(dialogWindow, n)) {
            SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            ShowWindow(child, SW_HIDE);
        }
        return true;
    }
    return false;
}

// ---- Combo boxes ----

// Resets the box and adds the menu's items, read through the Menu Manager (which stays inside the
// menu's handle); answers the widest text and the line height.
void FillComboBoxFromMenu(HWND box, MenuHandle menu, int16_t selected)
{
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    const int16_t count = menu ? CountMItems(menu) : 0;
    for (int16_t i = 1; i <= count; ++i) {
        Str255 item;
        GetMenuItemText(menu, i, item);
        char text[MacToAnsiBufferSize(255)];
        const int32_t n = ZEL_MacToAnsiBuf(item + 1, reinterpret_cast<uint8_t *>(text), item[0], ConversionFlags());
        text[n] = 0;
        SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(selected - 1), 0);
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_IsComboBox(DialogPtr theDialog, int16_t item)
{
    return ComboWindow(theDialog, item) != nullptr;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_BuildComboBox(DialogPtr theDialog, int16_t item, MenuHandle menu, int16_t selected)
{
    HWND box = IsDialog(theDialog) ? DialogItemWindow(theDialog, item) : nullptr;
    if (!box)
        return;
    FillComboBoxFromMenu(box, menu, selected);
    HDC dc = GetDC(box);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    const int line = tm.tmHeight + tm.tmExternalLeading;
    int widest = 0;
    const int count = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[MacToAnsiBufferSize(255)] = {};
        if (SendMessageA(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        SIZE size{};
        GetTextExtentCompat(dc, text, lstrlenA(text), &size);
        if (size.cx > widest)
            widest = size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    DitlItem found;
    ItemAt(DPeek(theDialog)->items, item, &found);
    const int itemWidth = found.rect->right - found.rect->left;
    const int width = itemWidth > widest + GetSystemMetrics(SM_CXVSCROLL) ? itemWidth
                                                                          : widest + GetSystemMetrics(SM_CXVSCROLL);
    const int rows = count + 1 < 16 ? count + 1 : 16;
    SetWindowPos(box, nullptr, 0, 0, width, rows * line + line + 8, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const uint8_t type = *found.type & 0x7F;
    if (type >= ctrlItem + btnCtrl && type <= ctrlItem + resCtrl)
        if (auto c = reinterpret_cast<ControlHandle>(DitlItemHandle(found)); c && *c)
            ControlTailOf(c)->menu = menu;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_GetComboBoxSelect(DialogPtr theDialog, int16_t item)
{
    HWND box = ComboWindow(theDialog, item);
    return box ? static_cast<int16_t>(SendMessageA(box, CB_GETCURSEL, 0, 0) + 1) : 0;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_SetComboBoxSelect(DialogPtr theDialog, int16_t item, int16_t n)
{
    HWND box = ComboWindow(theDialog, item);
    return box && SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(n - 1), 0) + 1 == n;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_GetComboBoxSelectAsControl(ControlHandle control)
{
    HWND box = ControlWindow(control);
    return box ? static_cast<int16_t>(SendMessageA(box, CB_GETCURSEL, 0, 0) + 1) : 1;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_SetComboBoxSelectAsControl(ControlHandle control, int16_t n)
{
    HWND box = ControlWindow(control);
    return box && SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(n - 1), 0) + 1 == n;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_GetComboBoxText(DialogPtr theDialog, int16_t item, Str255 text)
{
    if (!text)
        return false;
    text[0] = 0;
    HWND box = ComboWindow(theDialog, item);
    if (!box)
        return false;
    char ansi[256] = {};
    const int n = GetWindowTextA(box, ansi, sizeof ansi);
    text[0] = static_cast<uint8_t>(ZEL_AnsiToMacBuf(reinterpret_cast<const uint8_t *>(ansi), text + 1,
                                                    static_cast<int16_t>(n > 255 ? 255 : n)));
    return text[0] != 0;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetComboBoxString(DialogPtr theDialog, int16_t item, int16_t index,
                                                 ConstStr255Param text)
{
    HWND box = ComboWindow(theDialog, item);
    if (!box || !text)
        return;
    char ansi[MacToAnsiBufferSize(255)];
    AnsiControlTitle(text, ansi);
    SendMessageA(box, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(ansi));
    SendMessageA(box, CB_DELETESTRING, static_cast<WPARAM>(index + 1), 0);
}

// Dialog Manager: the builder that turns a dialog's items into Windows child controls of its window
// (one child per item, the item number as control ID), the 'ZELD' band, caption and group-title rules,
// the caption and group-title tables, item texts and the disposal of item data.
#include "dialog_manager.h"
#include "Resources.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"
#include "../windows/windows_services.h"

#include <cstring>
#include <vector>

namespace {

constexpr ResType kIconType = 0x49434F4E;    // 'ICON'
constexpr ResType kPictureType = 0x50494354; // 'PICT'
constexpr int kTitleSlots = 255;
constexpr int kParkOffset = 8192;

HWND sCaptions[kTitleSlots];
struct GroupTitle {
    HWND dialog;
    uint16_t groupItem;
};
GroupTitle sGroupTitles[kTitleSlots];
int16_t sBuilding;

// The colour icons the builder made, so that teardown tells them from 'ICON' copies.
struct ColorIconItem {
    DialogPtr dialog;
    Handle icon;
};
std::vector<ColorIconItem> sColorIcons;

// A free slot of a title table; 0xFF when the table is full (a token that names no window).
template <typename Slot, typename Free>
uint32_t TakeSlot(Slot *table, Free isFree)
{
    for (int i = 0; i < kTitleSlots; ++i)
        if (isFree(table[i]))
            return static_cast<uint32_t>(i);
    return 0xFF;
}

// The one-shot origin of setting 73: a Point (v, h) in the cell.
Point BuildOrigin()
{
    const uint32_t cell = static_cast<uint32_t>(LibrarySetting(settingDialogBuilderCell));
    Point p;
    std::memcpy(&p, &cell, sizeof p);
    return p;
}

// Whether setting 59's record {count, items} lists the item for right alignment.
bool ListedRightAligned(int16_t item)
{
    const auto *record = reinterpret_cast<const int16_t *>(static_cast<uintptr_t>(LibrarySetting(settingDialogBuilder59)));
    if (!record)
        return false;
    const int16_t count = record[0];
    for (int16_t i = 0; i < count; ++i)
        if (record[1 + i] == item)
            return true;
    return false;
}

void SetItemHandle(const DitlItem &item, const void *value)
{
    std::memcpy(item.handleField, &value, sizeof(Handle));
}


struct BuildContext {
    DialogPtr dialog;
    HWND parent;
    Handle table;
    Point origin;
    HFONT font;
    int16_t fontHeight;
    int16_t band, offset;
    bool swap;
    bool captionTaken;
    bool anyEdit;
    int16_t firstEdit;
    int16_t result;
};

HWND MakeChild(BuildContext &b, const char *className, const char *text, DWORD style, const Rect &r, int16_t item,
               int extraWidth = 1, int extraHeight = 1, int dy = 0)
{
    return CreateHostWindow(0, className, text, style, r.left - b.origin.h, r.top - b.origin.v + dy,
                            r.right - r.left + extraWidth, r.bottom - r.top + extraHeight, b.parent,
                            reinterpret_cast<HMENU>(static_cast<uintptr_t>(static_cast<uint16_t>(item))),
                            SessionHostInstance(), nullptr);
}

// Children stay out of sight until the dialog is first handled.
void Park(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT *>(&r), 1);
    SetWindowPos(child, nullptr, r.left + kParkOffset, r.top + kParkOffset, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

void SetChildFont(BuildContext &b, HWND child) { SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(b.font), FALSE); }

int TextWidth(BuildContext &b, const char *text)
{
    HDC dc = GetDC(b.parent);
    HGDIOBJ old = SelectObject(dc, b.font);
    SIZE size{};
    GetTextExtentCompat(dc, text, lstrlenA(text), &size);
    SelectObject(dc, old);
    ReleaseDC(b.parent, dc);
    return size.cx;
}

// The static text that titles a group box: its entry's label item with ParamText substitution, framed
// by one blank on each side; three blanks when that item is no static text; none when it does not exist.
bool GroupTitleText(BuildContext &b, const uint8_t entry[4], char *out)
{
    DitlItem label;
    if (!ItemAt(DPeek(b.dialog)->items, entry[0], &label))
        return false;
    if ((*label.type & 0x7F) != statText) {
        std::strcpy(out, "   ");
        return true;
    }
    char text[kItemTextBufferSize];
    BuildItemText(label.data, label.length, b.table, entry[0], text);
    const size_t n = std::strlen(text);
    const bool framed = n && text[0] == ' ' && text[n - 1] == ' ';
    std::strcpy(out, framed ? "" : " ");
    std::strcat(out, text);
    if (!framed)
        std::strcat(out, " ");
    return true;
}

// The first static text above the band becomes the window's title: a caption is added (its system menu
// trimmed when it had none) and the window loses the band's offset and gains the caption's height.
void MakeCaption(BuildContext &b, const DitlItem &item, int16_t n)
{
    char text[kItemTextBufferSize];
    BuildItemText(item.data, item.length, b.table, n, text);
    HWND hwnd = b.parent;
    SetWindowTextA(hwnd, text);
    const LONG oldStyle = GetWindowLongA(hwnd, GWL_STYLE);
    const bool hadCaption = (oldStyle & WS_CAPTION) == WS_CAPTION;
    SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(0x84C800C0));
    if (!hadCaption)
        TrimSystemMenu(hwnd, (oldStyle & WS_THICKFRAME) != 0);
    RECT r;
    GetWindowRect(hwnd, &r);
    const int height = r.bottom - r.top - b.offset + GetSystemMetrics(SM_CYCAPTION);
    SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    const uint32_t slot = TakeSlot(sCaptions, [](HWND h) { return h == nullptr; });
    if (slot < kTitleSlots)
        sCaptions[slot] = hwnd;
    SetItemHandle(item, reinterpret_cast<void *>(static_cast<uintptr_t>(kCaptionToken + slot)));
}

// Makes the child of one item; false ends the build (an edit control that could not be made).
bool BuildItem(BuildContext &b, int16_t n)
{
    DialogPeek d = DPeek(b.dialog);
    DitlItem item;
    if (!ItemAt(d->items, n, &item))
        return true;
    const uint8_t type = *item.type & 0x7F;
    uint8_t entry[4] = {};
    const bool hasEntry = FocusTableEntry(b.table, n, false, entry);
    Rect &r = *item.rect;

    if (b.band > 0) {
        const int16_t limit = type == ctrlItem + chkCtrl ? b.offset : b.band;
        if (r.top < limit) {
            if (type == statText && !b.captionTaken) {
                b.captionTaken = true;
                MakeCaption(b, item, n);
            }
            return true;
        }
        OffsetRec(&r, 0, static_cast<int16_t>(-b.offset));
    }

    HWND child = nullptr;
    SetDialogItemBeingBuilt(n);
    switch (type) {
    case userItem: {
        if (r.bottom - r.top == 18)
            r.bottom = static_cast<int16_t>(r.bottom + 2);
        if (hasEntry && (entry[3] & 0x01)) {
            child = MakeChild(b, "ComboBox", "", 0x50200000 | ((entry[3] & 0x02) ? CBS_DROPDOWN : CBS_DROPDOWNLIST), r, n);
            if (child) {
                SubclassChildWindow(child, controlWindowComboBox);
                SetChildFont(b, child);
            }
        } else if (hasEntry && (entry[3] & 0x04)) {
            char title[kItemTextBufferSize + 4] = "";
            GroupTitleText(b, entry, title);
            Rect box = r;
            box.top = static_cast<int16_t>(box.top - 8);
            child = MakeChild(b, "Button", title, 0x50000007, box, n);
            if (child) {
                SubclassChildWindow(child, controlWindowGroupBox);
                SetChildFont(b, child);
            }
        } else {
            child = MakeChild(b, "button", "", 0x5800000B, r, n);
            if (child)
                SubclassChildWindow(child, controlWindowUserItem);
            SetItemHandle(item, nullptr);
        }
        break;
    }
    case ctrlItem + btnCtrl:
    case ctrlItem + chkCtrl:
    case ctrlItem + radCtrl: {
        if (type == ctrlItem + btnCtrl && (r.right - r.left == 1 || r.bottom - r.top == 1)) {
            child = MakeChild(b, "static", "", 0x50000004, r, n);
            if (child)
                SubclassChildWindow(child, controlWindowStatic);
            SetItemHandle(item, child);
            break;
        }
        if (type == ctrlItem + btnCtrl && n == 1) {
            DitlItem second;
            if (b.swap && ItemAt(d->items, 2, &second) && (*second.type & 0x7F) == ctrlItem + btnCtrl)
                std::swap(r, *second.rect);
            if (d->aDefItem == 0)
                d->aDefItem = 1;
        }
        Str255 title;
        title[0] = item.length;
        std::memcpy(title + 1, item.data, item.length);
        int16_t max = 0, procID = pushButProc;
        if (type == ctrlItem + chkCtrl) {
            max = 1;
            procID = checkBoxProc;
            char ansi[MacToAnsiBufferSize(255)];
            AnsiControlTitle(title, ansi);
            int right = r.left + TextWidth(b, ansi) + 20;
            if (right > b.dialog->portRect.right - 2)
                right = b.dialog->portRect.right - 2;
            r.right = static_cast<int16_t>(right);
        } else if (type == ctrlItem + radCtrl) {
            max = 1;
            procID = radioButProc;
        }
        Rect bounds = r;
        ControlHandle c = CreateControlWindow(nullptr, b.dialog, &bounds, title, true, 0, 0, max, procID, n, b.table);
        SetItemHandle(item, c);
        child = ControlWindow(c);
        break;
    }
    case ctrlItem + resCtrl: {
        int16_t id = 0;
        if (item.length >= 2)
            std::memcpy(&id, item.data, 2);
        ControlHandle c = GetNewControlFromResource(id, b.dialog, &r, b.table);
        SetItemHandle(item, c);
        if (c && !ControlTailOf(c)->custom && (*c)->contrlDefProc >= 0 && (*c)->contrlDefProc <= 2)
            *item.type = static_cast<uint8_t>((*item.type & 0x80) | (ctrlItem + (*c)->contrlDefProc));
        child = ControlWindow(c);
        break;
    }
    case statText: {
        uint8_t label[4];
        if (FocusTableEntry(b.table, n, true, label) && (label[3] & 0x04) && label[1] != n) {
            const uint32_t slot = TakeSlot(sGroupTitles, [](const GroupTitle &g) { return g.dialog == nullptr; });
            if (slot < kTitleSlots)
                sGroupTitles[slot] = GroupTitle{b.parent, label[1]};
            SetItemHandle(item, reinterpret_cast<void *>(static_cast<uintptr_t>(kGroupTitleToken + slot)));
            break;
        }
        Handle old = DitlItemHandle(item);
        if (old && IsWindow(reinterpret_cast<HWND>(old)))
            DestroyWindow(reinterpret_cast<HWND>(old));
        r.bottom = static_cast<int16_t>(r.bottom - 1);
        char text[kItemTextBufferSize];
        BuildItemText(item.data, item.length, b.table, n, text);
        const DWORD style = ListedRightAligned(n) ? 0x50000002 : 0x50000000;
        child = MakeChild(b, "static", text, style, r, n, 1, 1, SessionThreeD() ? 1 : 0);
        if (child) {
            SubclassChildWindow(child, (hasEntry && (entry[3] & 0x02)) ? controlWindowComboEdit : controlWindowStatic);
            SetChildFont(b, child);
        }
        SetItemHandle(item, child);
        break;
    }
    case editText: {
        r.right = static_cast<int16_t>(r.right + 3);
        const int height = r.bottom - r.top;
        const int shortfall = b.fontHeight + 8 - height > 0 ? b.fontHeight + 8 - height : 0;
        const bool multiLine = height > 2 * b.fontHeight + 8 || (hasEntry && (entry[3] & 0x02));
        const DWORD style = 0x50800000 | (multiLine ? 0x1044 : ES_AUTOHSCROLL);
        char text[MacToAnsiBufferSize(255)];
        Str255 body;
        body[0] = item.length;
        std::memcpy(body + 1, item.data, item.length);
        AnsiControlTitle(body, text);
        child = MakeChild(b, "edit", text, style, r, n, 1, shortfall, -((shortfall + 1) / 2));
        if (!child) {
            b.result = 1;
            SetDialogItemBeingBuilt(0);
            return false;
        }
        SubclassChildWindow(child, controlWindowEdit);
        SetChildFont(b, child);
        if (!b.anyEdit) {
            b.anyEdit = true;
            b.firstEdit = n;
            if (!d->textH)
                d->textH = NewTERecord(&r, &r, child);
        }
        r.right = static_cast<int16_t>(r.right + 1);
        r.bottom = static_cast<int16_t>(r.bottom + shortfall);
        SetItemHandle(item, child);
        break;
    }
    case iconItem: {
        int16_t id = 0;
        if (item.length >= 2)
            std::memcpy(&id, item.data, 2);
        Handle icon = reinterpret_cast<Handle>(GetCIcon(id));
        if (icon) {
            sColorIcons.push_back(ColorIconItem{b.dialog, icon});
        } else if (Handle plain = GetResource(kIconType, id)) {
            icon = plain;
            if (HandToHand(&icon) != noErr)
                icon = nullptr;
            else if (GetHandleSize(icon) > 128)
                SetHandleSize(icon, 128);
        }
        SetItemHandle(item, icon);
        child = MakeChild(b, "button", "", 0x5800000B, r, n);
        if (child)
            SubclassChildWindow(child, controlWindowIcon);
        break;
    }
    case picItem: {
        int16_t id = 0;
        if (item.length >= 2)
            std::memcpy(&id, item.data, 2);
        Handle picture = GetResource(kPictureType, id);
        if (picture && HandToHand(&picture) != noErr)
            picture = nullptr;
        SetItemHandle(item, picture);
        child = MakeChild(b, "button", "", 0x5800000B, r, n);
        if (child)
            SubclassChildWindow(child, controlWindowUserItem);
        break;
    }
    default:
        break;
    }
    SetDialogItemBeingBuilt(0);
    if (child)
        Park(child);
    return true;
}

} // namespace

int16_t &BuildingCounter() { return sBuilding; }

bool IsBuiltColorIcon(DialogPtr dialog, Handle icon)
{
    for (const ColorIconItem &c : sColorIcons)
        if (icon && c.dialog == dialog && c.icon == icon)
            return true;
    return false;
}

void FreeTitleSlot(uint32_t token)
{
    const uint32_t slot = token & 0xFF;
    if (slot >= kTitleSlots)
        return;
    if ((token & 0xFFFFFF00) == kCaptionToken)
        sCaptions[slot] = nullptr;
    else if ((token & 0xFFFFFF00) == kGroupTitleToken)
        sGroupTitles[slot] = GroupTitle{};
}

void BuildItemText(const uint8_t *text, int length, Handle table, int16_t item, char *out)
{
    uint8_t mac[255];
    const int n = SubstituteParams(text, length, mac, item);
    ShownItemText(mac, n, table, item, out);
}

HWND TitleTokenWindow(uint32_t token)
{
    const uint32_t slot = token & 0xFF;
    if (slot >= kTitleSlots)
        return nullptr;
    HWND w = nullptr;
    if ((token & 0xFFFFFF00) == kCaptionToken)
        w = sCaptions[slot];
    else if ((token & 0xFFFFFF00) == kGroupTitleToken && sGroupTitles[slot].dialog)
        w = GetDlgItem(sGroupTitles[slot].dialog, sGroupTitles[slot].groupItem);
    return w && IsWindow(w) ? w : nullptr;
}

int16_t BuildDialogItems(DialogPtr dialog, int16_t first, int16_t ditlID)
{
    DialogPeek d = DPeek(dialog);
    WindowAuxRecord *aux = DialogAux(dialog);
    BuildContext b{};
    b.dialog = dialog;
    b.parent = aux ? aux->hwnd : nullptr;
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(dialog);
    b.origin = BuildOrigin();
    SetOrigin(b.origin.h, b.origin.v);

    b.table = first == 1 || !DialogFocusTable(dialog) ? UseFocusTable(dialog, ditlID, ditlID != -1)
                                                      : DialogFocusTable(dialog);
    const uint8_t *zeld = b.table ? reinterpret_cast<const uint8_t *>(*b.table) : nullptr;
    const uint8_t flags = zeld && GetHandleSize(b.table) >= 2 ? zeld[1] : 0;
    b.band = zeld ? zeld[0] : 0;
    b.offset = static_cast<int16_t>((3 * b.band) / 4);
    b.swap = flags & 0x20;
    if (aux) {
        if ((flags & 0x10) || LibrarySetting(settingDialogBuilder60))
            aux->stateFlags |= wsfWhiteBackground;
        else
            aux->stateFlags &= ~wsfWhiteBackground;
    }

    // The control font: the system-size face, the small dialog face when the table asks for it, and the
    // library's own small font when the port's text is under 10 points.
    int kind = (flags & 0x80) ? libraryFontDialog : libraryFontSystem;
    if (dialog->txSize > 0 && dialog->txSize < 10)
        kind = libraryFontSmallSystem;
    UseBuildControlFont(kind);
    b.font = ControlFont().font;
    b.fontHeight = ControlFont().height;
    ++sBuilding;
    if (aux)
        aux->stateFlags |= wsfChildrenParked;

    const int16_t count = ItemsPresent(d->items);
    for (int16_t n = first; n <= count; ++n)
        if (!BuildItem(b, n))
            break;

    if (first == 1 && b.result == 0) {
        if (!b.anyEdit) {
            DitlItem def;
            if (d->aDefItem && ItemAt(d->items, d->aDefItem, &def) && (*def.type & 0x7F) == ctrlItem + btnCtrl) {
                ZEL_SetWindowDefaultButton(reinterpret_cast<ControlHandle>(DitlItemHandle(def)), true);
                d->editOpen = d->aDefItem;
            }
        } else {
            DitlItem focused;
            const int16_t n = FocusFirstFromItem(dialog, b.firstEdit);
            if (ItemAt(d->items, n, &focused) && (*focused.type & 0x7F) == editText)
                d->editField = static_cast<int16_t>(n - 1);
        }
        NoteFocusTableBuilt(dialog);
    }

    // Items that overlap a later one.
    bool overlap = false;
    for (int16_t i = 1; i <= count && !overlap; ++i) {
        DitlItem a;
        ItemAt(d->items, i, &a);
        for (int16_t j = static_cast<int16_t>(i + 1); j <= count && !overlap; ++j) {
            DitlItem c;
            ItemAt(d->items, j, &c);
            Rect common;
            overlap = SectRect(a.rect, c.rect, &common);
        }
    }
    if (aux) {
        if (overlap)
            aux->stateFlags |= wsfItemsOverlap;
        else
            aux->stateFlags &= ~wsfItemsOverlap;
    }
    SetLibrarySetting(settingDialogBuilder59, 0);
    SetLibrarySetting(settingDialogBuilder60, 0);
    SetLibrarySetting(settingDialogBuilderCell, 0);
    --sBuilding;
    SetOrigin(0, 0);
    SetPor(saved);
    return b.result;
}

void DisposeItemData(DialogPtr dialog, int16_t n, bool destroyChild)
{
    DitlItem item;
    if (!ItemAt(DPeek(dialog)->items, n, &item))
        return;
    const uint8_t type = *item.type & 0x7F;
    const bool isControl = type >= ctrlItem + btnCtrl && type <= ctrlItem + resCtrl;
    const Rect &r = *item.rect;
    const bool divider = type == ctrlItem + btnCtrl && (r.right - r.left == 1 || r.bottom - r.top == 1);
    Handle h = DitlItemHandle(item);
    HWND child = nullptr;
    switch (type) {
    case userItem:
        if (h)
            FreeHostProcInstance(reinterpret_cast<FARPROC>(h));
        break;
    case ctrlItem + btnCtrl:
    case ctrlItem + chkCtrl:
    case ctrlItem + radCtrl:
    case ctrlItem + resCtrl:
        if (divider) {
            child = reinterpret_cast<HWND>(h);
        } else if (h && destroyChild) {
            DisposeControl(reinterpret_cast<ControlHandle>(h));
        }
        break;
    case statText: {
        const uint32_t token = reinterpret_cast<uint32_t>(h);
        if ((token & 0xFFFFFE00) == kGroupTitleToken)
            FreeTitleSlot(token);
        else
            child = reinterpret_cast<HWND>(h);
        break;
    }
    case editText:
        child = reinterpret_cast<HWND>(h);
        break;
    case iconItem: {
        bool color = false;
        for (ColorIconItem &c : sColorIcons) {
            if (c.dialog == dialog && c.icon == h) {
                color = true;
                c = ColorIconItem{};
            }
        }
        if (color)
            DisposeCIcon(reinterpret_cast<CIconHandle>(h));
        else if (h)
            DisposeHandle(h);
        break;
    }
    case picItem:
        if (h)
            DisposeHandle(h);
        break;
    default:
        break;
    }
    SetItemHandle(item, nullptr);
    if (!destroyChild)
        return;
    if (!child && !isControl)
        if (WindowAuxRecord *aux = DialogAux(dialog))
            child = GetDlgItem(aux->hwnd, n);
    if (child && IsWindow(child))
        DestroyWindow(child);
}

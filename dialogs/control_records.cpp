// Control Manager: control records and the Windows child windows that stand for them. The record keeps
// the Macintosh state; push buttons, check boxes, radio buttons, group boxes and custom controls are
// "button" windows, combo boxes "combobox" windows and scroll bars "scrollbar" windows of the owner's
// Windows window.
#include "dialog_manager.h"
#include "Controls.h"
#include "Resources.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../windows/windows_services.h"

#include <cstring>

namespace {

constexpr ResType kControlTemplateType = 0x434E544C; // 'CNTL'
constexpr ResType kControlDefType = 0x43444546;      // 'CDEF'

// The Windows 95 control kinds: procID / 16 of a three-state box, a group box and two combo boxes.
uint16_t sWin95Ids[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};

// Fonts added by the host for its controls.
constexpr int kMaxAddedFonts = 8;
HFONT sAddedFonts[kMaxAddedFonts];
int16_t sAddedFontCount;

// The grow box DrawGrowIcon draws.
int16_t sGrowBoxWidth = 16, sGrowBoxHeight = 16;

// ---- Subclassing: one saved procedure per kind of child window ----

WNDPROC sSavedProcs[controlWindowKindCount];

// The procedure each kind of child runs; the buttons share one, which finds its saved procedure by
// the button's style.
const WNDPROC kSubclassProcs[controlWindowKindCount] = {
    A_ButtonWndProc,    A_ButtonWndProc,    A_ButtonWndProc,   A_ButtonWndProc, A_ButtonWndProc,
    A_ScrollBarWndProc, A_CDEFWndProc,      A_ComboBoxWndProc, A_StaticWndProc, A_EditWndProc,
    A_UserItemWndProc,  A_IconWndProc,      ComboEditWndProc,
};

} // namespace

void SubclassChildWindow(HWND hwnd, ControlWindowKind kind)
{
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kSubclassProcs[kind])));
    if (previous && previous != kSubclassProcs[kind])
        sSavedProcs[kind] = previous;
}

namespace {

// ---- Record helpers ----

ControlPtr Rec(ControlHandle c) { return *c; }

ControlHandle &ControlListOf(WindowPtr window) { return reinterpret_cast<WindowPeek>(window)->controlList; }

HWND OwnerHwnd(WindowPtr owner) { return owner ? ZEL_GethWnd(owner) : nullptr; }

bool OwnerVisible(WindowPtr owner) { return owner && reinterpret_cast<WindowPeek>(owner)->visible; }

// Unlinks a control from its owner's list; true when it was there. The walk stops at a repeated record.
bool UnlinkControl(ControlHandle control)
{
    WindowPtr owner = Rec(control)->contrlOwner;
    if (!owner)
        return false;
    ControlHandle *link = &ControlListOf(owner);
    for (int guard = 0; *link && guard < 65536; ++guard) {
        if (*link == control) {
            *link = Rec(control)->nextControl;
            Rec(control)->nextControl = nullptr;
            return true;
        }
        link = &(**link)->nextControl;
    }
    return false;
}

bool InControlList(WindowPtr owner, ControlHandle control)
{
    int guard = 0;
    for (ControlHandle c = ControlListOf(owner); c && guard < 65536; c = Rec(c)->nextControl, ++guard)
        if (c == control)
            return true;
    return false;
}

// Runs `body` with the owner as the current port, so that the port transform is the owner's.
template <typename Body>
void WithOwnerPort(WindowPtr owner, Body body)
{
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPor(owner);
    body();
    SetPor(saved);
}

// The control rectangle's top-left in the owner's Windows client coordinates.
POINT MappedTopLeft(WindowPtr owner, const Rect &r)
{
    int16_t h = r.left, v = r.top;
    WithOwnerPort(owner, [&] { XformXY(&h, &v); });
    return POINT{h, v};
}

Point OwnerOrigin(WindowPtr owner)
{
    const Rect &pr = owner->portRect;
    return Point{pr.top, pr.left};
}

void RecordControlOrigin(ControlHandle control)
{
    ControlTail *tail = ControlTailOf(control);
    const Point origin = OwnerOrigin(Rec(control)->contrlOwner);
    tail->originV = origin.v;
    tail->originH = origin.h;
}

// A shown control follows its owner's origin: after SetOrigin the child window moves to contrlRect less
// the new origin.
void FollowOwnerOrigin(ControlHandle control)
{
    ControlTail *tail = ControlTailOf(control);
    const Point origin = OwnerOrigin(Rec(control)->contrlOwner);
    if (origin.v == tail->originV && origin.h == tail->originH)
        return;
    tail->originV = origin.v;
    tail->originH = origin.h;
    const POINT p = MappedTopLeft(Rec(control)->contrlOwner, Rec(control)->contrlRect);
    SetWindowPos(tail->hwnd, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The owner's port rectangle of a control, invalidated for the next update.
void InvalControlRect(ControlHandle control)
{
    WindowPtr owner = Rec(control)->contrlOwner;
    const Rect r = Rec(control)->contrlRect;
    WithOwnerPort(owner, [&] { InvalRect(&r); });
}

const LibraryFont &StockInterfaceFont() { return GetLibraryFont(libraryFontStandard); }

// Copies a title into the record, cut to the characters the field keeps before the library's bytes.
void StoreTitle(ControlHandle control, ConstStr255Param title)
{
    uint8_t *field = Rec(control)->contrlTitle;
    const uint8_t length = title ? (title[0] > kControlTitleMax ? kControlTitleMax : title[0]) : 0;
    field[0] = length;
    if (length)
        std::memmove(field + 1, title + 1, length);
}

// The three comma-separated fields of a combo box title; the third, when present, is a menu ID.
bool TitleMenuID(ConstStr255Param title, int16_t *menuID)
{
    char text[256];
    const uint8_t length = title[0];
    std::memcpy(text, title + 1, length);
    text[length] = 0;
    char *first = std::strchr(text, ',');
    char *second = first ? std::strchr(first + 1, ',') : nullptr;
    if (!second)
        return false;
    *menuID = ParseShortDecimal(second + 1);
    return true;
}

// A custom control's definition procedure: the built-in popup for 1008..1023, else a host 'CDEF'
// registered under procID / 16.
ControlDefProcPtr FindControlDef(int16_t procID)
{
    if ((procID & 0xFFF0) == popupMenuProc)
        return ZEL_PopupCDEF;
    return reinterpret_cast<ControlDefProcPtr>(ZEL_CodeResource(3, kControlDefType, procID / 16, nullptr));
}

int32_t CallControlDef(ControlHandle control, int16_t message, int32_t param)
{
    auto def = reinterpret_cast<ControlDefProcPtr>(Rec(control)->contrlDefProc);
    return def ? def(ControlTailOf(control)->variant, control, message, param) : 0;
}

bool IsCustom(ControlHandle control) { return ControlTailOf(control)->custom != 0; }

bool IsScrollBar(ControlHandle control) { return !IsCustom(control) && Rec(control)->contrlDefProc == 16; }

// What the creation table chose for a procID.
struct WindowPlan {
    const char *className;
    DWORD style;
    ControlWindowKind kind;
    int32_t defProc;
    int widthExtra;
    int minHeight; // 0: none
};

} // namespace

// ---- The library's bytes of a record ----

void AnsiControlTitle(ConstStr255Param title, char *buffer)
{
    int32_t n = 0;
    if (title && title[0])
        n = ZEL_MacToAnsiBuf(title + 1, reinterpret_cast<uint8_t *>(buffer), title[0],
                             LibrarySetting(settingDoubleByte) ? macToAnsiDoubleByte : 0);
    buffer[n] = 0;
}

ControlTail *ControlTailOf(ControlHandle control)
{
    return reinterpret_cast<ControlTail *>((*control)->contrlTitle + kControlTailOffset);
}

HWND ControlWindow(ControlHandle control) { return control && *control ? ControlTailOf(control)->hwnd : nullptr; }

WNDPROC SavedControlProc(ControlWindowKind kind) { return sSavedProcs[kind]; }

uint16_t ControlKindOfProc(WNDPROC proc, bool *isEdit)
{
    if (isEdit)
        *isEdit = false;
    for (int k = 0; k < controlWindowKindCount; ++k) {
        if (proc != kSubclassProcs[k])
            continue;
        switch (k) {
        case controlWindowScrollBar:
            return controlKindEdit; // kind 1, not an edit control
        case controlWindowCustom:
            return controlKindCustom;
        case controlWindowComboBox:
            return controlKindCombo;
        case controlWindowStatic:
            return controlKindStatic;
        case controlWindowEdit:
        case controlWindowComboEdit:
            if (isEdit)
                *isEdit = true;
            return controlKindEdit;
        case controlWindowUserItem:
        case controlWindowIcon:
            return controlKindUserItem;
        default:
            return controlKindButton;
        }
    }
    return controlKindOther;
}

// ---- Handle-in-text encoding ----

void EncodeHandleText(ControlHandle control, char text[7])
{
    const uint32_t value = reinterpret_cast<uint32_t>(control);
    uint8_t *t = reinterpret_cast<uint8_t *>(text);
    t[0] = t[1] = 0x40;
    for (int i = 0; i < 4; ++i) {
        uint8_t b = static_cast<uint8_t>(value >> (8 * i));
        if (b & 0x80) {
            t[1] |= static_cast<uint8_t>(1 << i);
            b &= 0x7F;
        }
        // A zero byte, and the bare top bit that would leave one, travel as a blank.
        if (b == 0) {
            t[0] |= static_cast<uint8_t>(1 << i);
            b = 0x20;
        }
        t[2 + i] = b;
    }
    t[6] = 0;
}

ControlHandle DecodeHandleText(const char *text)
{
    const uint8_t *t = reinterpret_cast<const uint8_t *>(text);
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t b = (t[0] & (1 << i)) ? 0 : t[2 + i];
        if (t[1] & (1 << i))
            b += 0x80;
        value |= b << (8 * i);
    }
    return reinterpret_cast<ControlHandle>(value);
}

// Reached by the test programs by ordinal; no host interface.
ZEL_EXTERN_C void ZEL_CALL EncodeControlHandleText(uint32_t handle, char *text)
{
    EncodeHandleText(reinterpret_cast<ControlHandle>(handle), text);
}
ZEL_EXTERN_C uint32_t ZEL_CALL DecodeControlHandleText(const char *text)
{
    return reinterpret_cast<uint32_t>(DecodeHandleText(text));
}
ZEL_EXTERN_C uint16_t ZEL_CALL LibraryControlKindOf(HWND control, Boolean *isEdit)
{
    bool edit = false;
    const uint16_t kind = LibraryControlKind(control, &edit);
    if (isEdit)
        *isEdit = edit;
    return kind;
}

// ---- Creation ----

ControlHandle CreateControlWindow(ControlHandle existing, WindowPtr owner, Rect *bounds, ConstStr255Param title,
                                  bool visible, int16_t value, int16_t min, int16_t max, int16_t procID,
                                  int32_t refCon, Handle focusTable)
{
    if (!owner)
        return nullptr;
    if (!focusTable)
        focusTable = DialogFocusTable(owner);
    const int16_t item = DialogItemBeingBuilt();

    // The font, and the look's size adjustments of the rectangle.
    const int16_t variant = static_cast<int16_t>(procID & 15);
    LibraryFont font = ControlFont();
    if (procID & useWFont) {
        font = GetLibraryFont(libraryFontDialog);
        procID = static_cast<int16_t>(procID & ~useWFont);
    }
    if (SessionThreeD()) {
        font = GetLibraryFont(libraryFontDialog);
        if (SessionPlatform().newShell && font.height >= StockInterfaceFont().height)
            font = StockInterfaceFont();
        if (procID == pushButProc && bounds->bottom - bounds->top == 20)
            bounds->bottom += 3;
    } else if (procID == checkBoxProc || procID == radioButProc) {
        OffsetRec(bounds, 0, -1);
    }

    // The record.
    ControlHandle control = existing;
    if (!control) {
        control = reinterpret_cast<ControlHandle>(NewHandleClear(sizeof(ControlRecord)));
        if (!control)
            return nullptr;
        Rec(control)->nextControl = ControlListOf(owner);
        ControlListOf(owner) = control;
        Rec(control)->contrlOwner = owner;
    }
    ControlPtr c = Rec(control);
    c->contrlRect = *bounds;
    c->contrlVis = visible ? 255 : 0;
    c->contrlValue = value;
    c->contrlMin = min;
    c->contrlMax = max;
    c->contrlRfCon = refCon;
    if (!existing) {
        c->contrlHilite = 0;
        c->contrlDefProc = 0;
        c->contrlData = nullptr;
        c->contrlAction = nullptr;
    }
    StoreTitle(control, title);
    *ControlTailOf(control) = ControlTail{};
    RecordControlOrigin(control);

    // The window: class, style and size by procID, first match wins.
    int width = bounds->right - bounds->left, height = bounds->bottom - bounds->top;
    int controlID = refCon & 0xFF;
    const int buttonMin = font.height + 2, comboMin = font.height + font.height / 2;
    const uint16_t number = static_cast<uint16_t>(procID / 16);
    WindowPlan plan{"button", BS_PUSHBUTTON, controlWindowPushButton, 0, 0, buttonMin};
    MenuHandle comboMenu = nullptr;
    uint16_t scrollFlag = 0;
    if (procID == pushButProc) {
    } else if (procID == checkBoxProc) {
        plan = WindowPlan{"button", BS_CHECKBOX, controlWindowCheckBox, 1, 2, buttonMin};
    } else if (number == sWin95Ids[0]) {
        plan = WindowPlan{"button", BS_3STATE, controlWindowThreeState, 1, 2, buttonMin};
    } else if (number == sWin95Ids[1]) {
        plan = WindowPlan{"button", BS_GROUPBOX, controlWindowGroupBox, 0, 2, buttonMin};
    } else if (number == sWin95Ids[2] || number == sWin95Ids[3]) {
        plan = WindowPlan{"combobox", WS_VSCROLL | CBS_DROPDOWNLIST, controlWindowComboBox, 3, 0, comboMin};
        controlID = item;
        comboMenu = GetMen(static_cast<int16_t>(refCon));
        c = Rec(control);
        c->contrlMin = 1;
        c->contrlMax = comboMenu ? CountMItems(comboMenu) : 0;
    } else if (procID == radioButProc) {
        plan = WindowPlan{"button", BS_RADIOBUTTON, controlWindowRadioButton, 2, 1, buttonMin};
    } else if (procID == scrollBarProc) {
        const bool vertical = height >= width;
        plan = WindowPlan{"scrollbar", static_cast<DWORD>(vertical ? SBS_VERT : SBS_HORZ), controlWindowScrollBar, 16, 0, 0};
        scrollFlag = vertical ? wcfVertScrollBar : wcfHorizScrollBar;
    } else {
        uint8_t entryFlags = 0;
        const bool markedCombo = (item && focusTable && FocusTableEntryFlags(focusTable, item, &entryFlags) &&
                                  (entryFlags & 1)) ||
                                 LibrarySetting(settingControlCreation) != 0;
        if (markedCombo) {
            // An owner-drawn box keeps its items' text, which the items' drawing reads back.
            plan = WindowPlan{"combobox", WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                              controlWindowComboBox, 3, 0, comboMin};
            if (item)
                controlID = item;
        } else if (ControlDefProcPtr def = FindControlDef(procID)) {
            plan = WindowPlan{"button", BS_OWNERDRAW, controlWindowCustom, 0, 0, 0};
            c = Rec(control);
            c->contrlDefProc = reinterpret_cast<int32_t>(def);
            ControlTailOf(control)->variant = static_cast<uint8_t>(variant);
            ControlTailOf(control)->custom = 1;
            controlID |= 0xFD00;
            def(variant, control, initCntl, 0);
        }
    }
    c = Rec(control);
    if (plan.kind != controlWindowCustom)
        c->contrlDefProc = plan.defProc;
    width += plan.widthExtra;
    if (plan.minHeight && height < plan.minHeight)
        height = plan.minHeight;
    if (scrollFlag) {
        if (auto *aux = reinterpret_cast<WindowAuxRecord *>(*reinterpret_cast<WindowPeek>(owner)->dataHandle))
            aux->createFlags |= scrollFlag;
    }

    // The window's text: the handle of a custom control, the title of any other.
    // A button's "&" is doubled so that it shows as on the Macintosh rather than marking a mnemonic.
    char text[kItemTextBufferSize];
    if (plan.kind == controlWindowCustom)
        EncodeHandleText(control, text);
    else if (std::strcmp(plan.className, "button") == 0)
        ShownItemText(Rec(control)->contrlTitle + 1, Rec(control)->contrlTitle[0], nullptr, 0, text);
    else
        AnsiControlTitle(Rec(control)->contrlTitle, text);
    if (plan.kind != controlWindowCustom && MarkItemMnemonic(focusTable, item, text, sizeof text) &&
        LibrarySetting(settingResourceFrkMode) && plan.kind == controlWindowCheckBox)
        width += 15;

    const POINT at = MappedTopLeft(owner, c->contrlRect);
    const DWORD style = WS_CHILD | (visible ? WS_VISIBLE : 0) | plan.style;
    HWND hwnd = CreateHostWindow(0, plan.className, text, style, at.x, at.y, width, height, OwnerHwnd(owner),
                                 reinterpret_cast<HMENU>(static_cast<uintptr_t>(controlID & 0xFFFF)),
                                 SessionHostInstance(), nullptr);
    if (!hwnd) {
        // Nothing stands for the record: it goes, whether it was new or being re-created.
        if (IsCustom(control))
            CallControlDef(control, dispCntl, 0);
        UnlinkControl(control);
        DisposeHandle(reinterpret_cast<Handle>(control));
        return nullptr;
    }
    SubclassChildWindow(hwnd, plan.kind);
    ControlTailOf(control)->hwnd = hwnd;
    ControlTailOf(control)->menu = comboMenu;

    // After creation: the scroll range, the combo box's items and font, every other kind's font.
    c = Rec(control);
    const WPARAM fontParam = reinterpret_cast<WPARAM>(font.font);
    if (plan.kind == controlWindowScrollBar) {
        SetScrollRange(hwnd, SB_CTL, c->contrlMin, c->contrlMax, FALSE);
        EnableWindow(hwnd, c->contrlMin < c->contrlMax);
    } else if (plan.kind == controlWindowComboBox) {
        SendMessageA(hwnd, WM_SETFONT, fontParam, FALSE);
        int16_t menuID = 0;
        if (TitleMenuID(c->contrlTitle, &menuID)) {
            if (MenuHandle menu = GetMen(menuID)) {
                FillComboBoxFromMenu(hwnd, menu, 1);
                ControlTailOf(control)->menu = menu;
                c = Rec(control);
                c->contrlMin = 1;
                c->contrlMax = static_cast<int16_t>(SendMessageA(hwnd, CB_GETCOUNT, 0, 0));
            }
        }
        SendMessageA(hwnd, CB_SETEXTENDEDUI, TRUE, 0);
        SendMessageA(hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
    } else {
        SendMessageA(hwnd, WM_SETFONT, fontParam, FALSE);
    }
    return control;
}

ZEL_EXTERN_C ControlHandle ZEL_CALL NewControl(WindowPtr theWindow, const Rect *boundsRect, ConstStr255Param title,
                                               Boolean visible, int16_t value, int16_t min, int16_t max,
                                               int16_t procID, int32_t refCon)
{
    if (!theWindow || !boundsRect)
        return nullptr;
    Rect bounds = *boundsRect; // the caller's rectangle may be read-only: contrlRect shows the adjustments
    static const uint8_t kNoTitle[1] = {0};
    return CreateControlWindow(nullptr, theWindow, &bounds, title ? title : kNoTitle, visible, value, min, max,
                               procID, refCon, nullptr);
}

// A 'CNTL' (byte-swapped when loaded): rectangle, value, visible, maximum, minimum, procID, refCon and the
// title. A resource shorter than its 22 fixed bytes gives nothing; a title running past the end is cut there.
ControlHandle GetNewControlFromResource(int16_t controlID, WindowPtr owner, const Rect *bounds, Handle focusTable)
{
    if (!owner)
        return nullptr;
    const bool limitWasOn = SetMemoryLimitSwitch(false);
    Handle h = GetResource(kControlTemplateType, controlID);
    ControlHandle control = nullptr;
    if (h && *h) {
        const int8_t state = HGetState(h);
        HNoPurge(h);
        const uint32_t size = static_cast<uint32_t>(GetHandleSize(h));
        if (size >= 22) {
            const auto *d = reinterpret_cast<const uint8_t *>(*h);
            auto word = [&](uint32_t at) {
                int16_t v;
                std::memcpy(&v, d + at, 2);
                return v;
            };
            Rect r = bounds ? *bounds : Rect{word(0), word(2), word(4), word(6)};
            int32_t refCon;
            std::memcpy(&refCon, d + 18, 4);
            Str255 title;
            uint32_t length = size > 22 ? d[22] : 0;
            if (length > size - 23)
                length = size > 23 ? size - 23 : 0;
            title[0] = static_cast<uint8_t>(length);
            std::memcpy(title + 1, d + 23, length);
            control = CreateControlWindow(nullptr, owner, &r, title, d[10] != 0, word(8), word(14), word(12),
                                          word(16), refCon, focusTable);
        }
        HSetState(h, state);
        ReleaseResource(h);
    }
    SetMemoryLimitSwitch(limitWasOn);
    return control;
}

ZEL_EXTERN_C ControlHandle ZEL_CALL GetNewControl(int16_t controlID, WindowPtr owner)
{
    return GetNewControlFromResource(controlID, owner, nullptr, nullptr);
}

// ---- Disposal ----

namespace {

// The focus leaves a child window for the host's main window before the child goes.
void DestroyControlWindow(HWND hwnd)
{
    if (!hwnd)
        return;
    if (GetFocus() == hwnd)
        SetFocus(SessionMainWindow());
    DestroyWindow(hwnd);
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL DisposeControl(ControlHandle theControl)
{
    if (!theControl || !*theControl)
        return;
    if (IsCustom(theControl)) {
        CallControlDef(theControl, dispCntl, 0);
        Rec(theControl)->contrlDefProc = 0;
    }
    WindowPtr owner = Rec(theControl)->contrlOwner;
    const bool shown = Rec(theControl)->contrlVis && OwnerVisible(owner);
    if (shown)
        HideControl(theControl);
    DestroyControlWindow(ControlTailOf(theControl)->hwnd);
    ControlTailOf(theControl)->hwnd = nullptr;
    if (UnlinkControl(theControl) && shown)
        InvalControlRect(theControl);
    DisposeHandle(reinterpret_cast<Handle>(theControl));
}

// ---- Showing, hiding, moving and sizing ----

ZEL_EXTERN_C void ZEL_CALL ShowControl(ControlHandle theControl)
{
    if (!theControl || !*theControl)
        return;
    Rec(theControl)->contrlVis = 255;
    HWND hwnd = ControlTailOf(theControl)->hwnd;
    if (!hwnd)
        return;
    if (IsScrollBar(theControl))
        EnableWindow(hwnd, Rec(theControl)->contrlMin < Rec(theControl)->contrlMax);
    FollowOwnerOrigin(theControl);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
}

ZEL_EXTERN_C void ZEL_CALL HideControl(ControlHandle theControl)
{
    if (!theControl || !*theControl || !Rec(theControl)->contrlVis)
        return;
    Rec(theControl)->contrlVis = 0;
    HWND hwnd = ControlTailOf(theControl)->hwnd;
    if (!hwnd)
        return;
    ValidateRect(hwnd, nullptr);
    RECT covered;
    GetWindowRect(hwnd, &covered);
    HWND parent = GetParent(hwnd);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&covered), 2);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(parent, &covered, TRUE);
    if (IsCustom(theControl)) {
        WindowPtr owner = Rec(theControl)->contrlOwner;
        const Rect r = Rec(theControl)->contrlRect;
        WithOwnerPort(owner, [&] {
            EraseRect(&r);
            InvalRect(&r);
        });
    }
}

ZEL_EXTERN_C void ZEL_CALL MoveControl(ControlHandle theControl, int16_t h, int16_t v)
{
    if (!theControl || !*theControl)
        return;
    const bool visible = Rec(theControl)->contrlVis != 0;
    if (visible)
        InvalControlRect(theControl);
    Rect &r = Rec(theControl)->contrlRect;
    r = Rect{v, h, static_cast<int16_t>(v + (r.bottom - r.top)), static_cast<int16_t>(h + (r.right - r.left))};
    const POINT at = MappedTopLeft(Rec(theControl)->contrlOwner, r);
    RecordControlOrigin(theControl);
    SetWindowPos(ControlTailOf(theControl)->hwnd, nullptr, at.x, at.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    if (visible)
        Draw1Control(theControl);
}

ZEL_EXTERN_C void ZEL_CALL SizeControl(ControlHandle theControl, int16_t w, int16_t h)
{
    if (!theControl || !*theControl)
        return;
    ControlPtr c = Rec(theControl);
    const int oldW = c->contrlRect.right - c->contrlRect.left, oldH = c->contrlRect.bottom - c->contrlRect.top;
    if (oldW == w && oldH == h)
        return;
    const bool visible = c->contrlVis != 0;
    if (visible)
        InvalControlRect(theControl);
    const bool wasVertical = oldH >= oldW, nowVertical = h >= w;
    if (IsScrollBar(theControl) && wasVertical != nowVertical) {
        // A scroll bar that turns is made again on the same record.
        Rect r{c->contrlRect.top, c->contrlRect.left, static_cast<int16_t>(c->contrlRect.top + h),
               static_cast<int16_t>(c->contrlRect.left + w)};
        Str255 title;
        std::memcpy(title, c->contrlTitle, sizeof title);
        DestroyControlWindow(ControlTailOf(theControl)->hwnd);
        CreateControlWindow(theControl, c->contrlOwner, &r, title, visible, c->contrlValue, c->contrlMin,
                            c->contrlMax, scrollBarProc, c->contrlRfCon, nullptr);
        return;
    }
    c->contrlRect.right = static_cast<int16_t>(c->contrlRect.left + w);
    c->contrlRect.bottom = static_cast<int16_t>(c->contrlRect.top + h);
    SetWindowPos(ControlTailOf(theControl)->hwnd, nullptr, 0, 0, w, h,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    if (visible)
        Draw1Control(theControl);
}

// ---- Fields ----

ZEL_EXTERN_C void ZEL_CALL GetControlTitle(ControlHandle theControl, Str255 title)
{
    if (!title)
        return;
    if (!theControl || !*theControl) {
        title[0] = 0;
        return;
    }
    const uint8_t *field = Rec(theControl)->contrlTitle;
    std::memcpy(title, field, field[0] + 1u);
}

ZEL_EXTERN_C void ZEL_CALL SetControlTitle(ControlHandle theControl, ConstStr255Param title)
{
    if (!theControl || !*theControl)
        return;
    static const uint8_t kNoTitle[1] = {0};
    StoreTitle(theControl, title ? title : kNoTitle);
    if (IsCustom(theControl)) {
        CallControlDef(theControl, drawCntl, 0);
        return;
    }
    if (HWND hwnd = ControlTailOf(theControl)->hwnd)
        SetControlWindowTitle(hwnd, Rec(theControl)->contrlTitle);
}

ZEL_EXTERN_C int32_t ZEL_CALL GetControlReference(ControlHandle theControl)
{
    return theControl && *theControl ? Rec(theControl)->contrlRfCon : 0;
}

ZEL_EXTERN_C void ZEL_CALL SetControlReference(ControlHandle theControl, int32_t data)
{
    if (theControl && *theControl)
        Rec(theControl)->contrlRfCon = data;
}

ZEL_EXTERN_C ProcPtr ZEL_CALL GetControlAction(ControlHandle theControl)
{
    return theControl && *theControl ? Rec(theControl)->contrlAction : nullptr;
}

ZEL_EXTERN_C void ZEL_CALL SetControlAction(ControlHandle theControl, ProcPtr actionProc)
{
    if (theControl && *theControl)
        Rec(theControl)->contrlAction = actionProc;
}

ZEL_EXTERN_C int16_t ZEL_CALL GetControlVariant(ControlHandle theControl)
{
    return theControl && *theControl ? ControlTailOf(theControl)->variant : 0;
}

ZEL_STUB_NAMED(Boolean, GetAuxiliaryControlRecord, "GetAuxCtl", false, (ControlHandle, Handle *))
ZEL_STUB_NAMED_VOID(SetControlColor, "SetCtlColor", (ControlHandle, Handle))

// ---- Host glue ----

ZEL_EXTERN_C HWND ZEL_CALL ZEL_ControlToHWND(ControlHandle theControl) { return ControlWindow(theControl); }

ZEL_EXTERN_C WindowPtr ZEL_CALL ZEL_ContrlOwnerChange(ControlHandle theControl, WindowPtr newOwner)
{
    if (!theControl || !*theControl || !newOwner)
        return nullptr;
    HWND child = ControlTailOf(theControl)->hwnd;
    HWND newParent = OwnerHwnd(newOwner);
    if (child && GetParent(child) == newParent)
        return reinterpret_cast<WindowPtr>(newParent);
    HWND oldParent = child ? SetParent(child, newParent) : nullptr;
    if (child && !oldParent)
        return reinterpret_cast<WindowPtr>(GetParent(child));
    // One list at a time: a record left in the old owner's list would share its tail with the new one.
    if (!InControlList(newOwner, theControl)) {
        UnlinkControl(theControl);
        Rec(theControl)->nextControl = ControlListOf(newOwner);
        ControlListOf(newOwner) = theControl;
    }
    Rec(theControl)->contrlOwner = newOwner;
    return newOwner;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetCtlFocus(ControlHandle theControl, Boolean toControl)
{
    if (!theControl || !*theControl)
        return;
    if (toControl) {
        if (HWND hwnd = ControlTailOf(theControl)->hwnd)
            SetFocus(hwnd);
        return;
    }
    auto *owner = reinterpret_cast<WindowPeek>(Rec(theControl)->contrlOwner);
    if (owner && owner->visible && owner->hilited)
        SetFocus(OwnerHwnd(Rec(theControl)->contrlOwner));
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetWindowDefaultButton(ControlHandle theControl, Boolean isDefault)
{
    if (HWND hwnd = ControlWindow(theControl))
        SendMessageA(hwnd, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_AddControlFont(const char *faceName, int16_t height, int16_t weight)
{
    if (sAddedFontCount >= kMaxAddedFonts)
        return -1;
    HFONT font = CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, faceName);
    if (!font)
        return -1;
    sAddedFonts[sAddedFontCount] = font;
    return sAddedFontCount++;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_FlushControlFonts(void)
{
    while (sAddedFontCount > 0) {
        --sAddedFontCount;
        DeleteObject(sAddedFonts[sAddedFontCount]);
        sAddedFonts[sAddedFontCount] = nullptr;
    }
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetControlFont(ControlHandle theControl, int16_t index)
{
    HWND hwnd = ControlWindow(theControl);
    if (!hwnd)
        return;
    HFONT font = nullptr;
    if (index == 100)
        font = GetLibraryFont(libraryFontDialog).font;
    else if (index == 101)
        font = GetLibraryFont(libraryFontSystem).font;
    else if (index >= 0 && index < sAddedFontCount)
        font = sAddedFonts[index];
    else
        return;
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetWin95ControlIDs(const uint16_t *ids, int16_t count)
{
    if (!ids || count < 1)
        return;
    for (int i = 0; i < count && i < 4; ++i)
        sWin95Ids[i] = ids[i];
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetScrollBarWH(int16_t width, int16_t height)
{
    sGrowBoxWidth = width;
    sGrowBoxHeight = height;
}

void GrowBoxSize(int16_t *width, int16_t *height)
{
    *width = sGrowBoxWidth;
    *height = sGrowBoxHeight;
}

bool FindControlRectByRefCon(WindowPtr window, int16_t itemNumber, Rect *rect)
{
    if (!window)
        return false;
    int guard = 0;
    for (ControlHandle c = ControlListOf(window); c && guard < 65536; c = Rec(c)->nextControl, ++guard) {
        if (static_cast<int16_t>(Rec(c)->contrlRfCon) == itemNumber) {
            if (rect)
                *rect = Rec(c)->contrlRect;
            return true;
        }
    }
    return false;
}

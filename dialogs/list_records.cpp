// List records and the list boxes that stand for them: LNew, LDispose, sizing, the visible cells and the
// host glue. A list's slot in the slot table links the record to its Windows list box.
#include <cstring>

#include "list_manager.h"
#include "Resources.h"
#include "Zel.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"
#include "../windows/windows_services.h"

namespace {

constexpr ResType kListDefType = 0x4C444546; // 'LDEF'
constexpr int kMaxCells = 16383;             // offsets are 15 bits and new cells take 2i + 2
constexpr int kListRecBytes = 88;

// Configuration word of the next LNew.
int32_t sConfiguration;
// Raised while the library resizes a list box itself.
int16_t sResizeNesting;

ListPtr Rec(ListHandle l) { return *l; }

bool Live(ListHandle l) { return l && *l; }

// Nearest integer of n / d, halves away from zero.
int16_t RoundedQuotient(int32_t n, int32_t d)
{
    if (d <= 0)
        return 0;
    const int32_t q = (2 * (n < 0 ? -n : n) + d) / (2 * d);
    return static_cast<int16_t>(n < 0 ? -q : q);
}

bool IsDialogWindow(WindowPtr window) { return reinterpret_cast<WindowPeek>(window)->windowKind == dialogKind; }

// A code address taken from an 'LDEF' handle's bytes 2..5: only one inside a loaded module's executable
// image is called (a host builds such a handle in memory around its own procedure).
ProcPtr ExecutableAddressInHandle(Handle h)
{
    if (!h || !*h || GetHandleSize(h) < 6)
        return nullptr;
    ProcPtr address;
    std::memcpy(&address, *h + 2, sizeof address);
    MEMORY_BASIC_INFORMATION info{};
    if (!address || !VirtualQuery(reinterpret_cast<void *>(address), &info, sizeof info))
        return nullptr;
    const DWORD execute = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (info.State != MEM_COMMIT || info.Type != MEM_IMAGE || !(info.Protect & execute))
        return nullptr;
    return address;
}

bool IsBuiltInDef(ProcPtr proc)
{
    return proc == reinterpret_cast<ProcPtr>(PlainListDef) || proc == reinterpret_cast<ProcPtr>(TextListDef);
}

// The definition procedure of theProc: a registered native one, else a host address in an 'LDEF'
// handle, else the mode's own. `wrapped` tells a proc instance made here.
ProcPtr ChooseListDef(int16_t theProc, bool rowPerItem, bool *wrapped)
{
    *wrapped = false;
    ProcPtr builtIn = rowPerItem ? reinterpret_cast<ProcPtr>(TextListDef) : reinterpret_cast<ProcPtr>(PlainListDef);
    if (theProc == 0)
        return builtIn;
    if (ProcPtr registered = ZEL_CodeResource(3, kListDefType, theProc, nullptr))
        return registered;
    Handle resource = GetResource(kListDefType, theProc);
    ProcPtr address = ExecutableAddressInHandle(resource);
    if (!address)
        return builtIn;
    *wrapped = true;
    return reinterpret_cast<ProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(address)));
}

void ReleaseListDef(ProcPtr proc)
{
    if (!proc || IsBuiltInDef(proc) || ZEL_CodeResource(5, kListDefType, 0, proc))
        return;
    FreeHostProcInstance(reinterpret_cast<FARPROC>(proc));
}

// The default cell height: the port's font on its device context.
int16_t DefaultCellHeight()
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return 16;
    BindPortFont();
    const TEXTMETRICA tm = BoundTextMetrics(record);
    return static_cast<int16_t>(tm.tmAscent + tm.tmDescent + tm.tmInternalLeading);
}

void DisposeListParts(ListHandle list, int slot, HWND box)
{
    if (box) {
        ShowWindow(box, SW_HIDE);
        DestroyWindow(box);
    }
    if (slot >= 0)
        FreeListSlot(slot);
    if (Rec(list)->vScroll)
        DisposeControl(Rec(list)->vScroll);
    if (Rec(list)->hScroll)
        DisposeControl(Rec(list)->hScroll);
    Rec(list)->vScroll = Rec(list)->hScroll = nullptr;
    if (Rec(list)->cells)
        DisposeHandle(reinterpret_cast<Handle>(Rec(list)->cells));
    DisposeHandle(reinterpret_cast<Handle>(list));
}

// The list box's size for a view: the view plus its border, plus each scroll bar it shows less one.
void SizeBoxToView(HWND box, int16_t width, int16_t height)
{
    const LONG style = GetWindowLongA(box, GWL_STYLE);
    int w = width + 2, h = height + 2;
    if (style & WS_VSCROLL)
        w += GetSystemMetrics(SM_CXVSCROLL) - 1;
    if (style & WS_HSCROLL)
        h += GetSystemMetrics(SM_CYHSCROLL) - 1;
    ++sResizeNesting;
    SetWindowPos(box, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    --sResizeNesting;
}

} // namespace

// ---- Shared with the cell, click and drawing code ----

int ListSlotOf(ListHandle list)
{
    if (!Live(list))
        return -1;
    const int slot = static_cast<uint8_t>(Rec(list)->lReserved);
    return ListSlotList(slot) == list && ListSlotBox(slot) ? slot : -1;
}

HWND ListBoxOf(ListHandle list) { return ListSlotBox(ListSlotOf(list)); }

bool IsRowPerItem(ListHandle list) { return ListSlotRowPerItem(ListSlotOf(list)); }

int16_t ListRows(ListHandle list) { return static_cast<int16_t>(Rec(list)->dataBounds.bottom - Rec(list)->dataBounds.top); }
int16_t ListColumns(ListHandle list) { return static_cast<int16_t>(Rec(list)->dataBounds.right - Rec(list)->dataBounds.left); }

void ComputeVisible(ListHandle list, Point topLeft)
{
    ListPtr l = Rec(list);
    l->visible.top = topLeft.v;
    l->visible.left = topLeft.h;
    l->visible.bottom = static_cast<int16_t>(topLeft.v + RoundedQuotient(l->rView.bottom - l->rView.top + 1, l->cellSize.v));
    l->visible.right = static_cast<int16_t>(topLeft.h + RoundedQuotient(l->rView.right - l->rView.left + 1, l->cellSize.h));
}

void UpdateVisibleFromBox(ListHandle list)
{
    HWND box = ListBoxOf(list);
    const int16_t rows = ListRows(list);
    Point top{0, 0};
    if (box && rows > 0) {
        const LRESULT item = SendMessageA(box, LB_GETTOPINDEX, 0, 0);
        if (item > 0) {
            if (IsRowPerItem(list)) {
                top.v = static_cast<int16_t>(item);
                top.h = Rec(list)->visible.left;
            } else {
                top.v = static_cast<int16_t>(item % rows);
                top.h = static_cast<int16_t>(item / rows);
            }
        } else if (IsRowPerItem(list)) {
            top.h = Rec(list)->visible.left;
        }
    }
    ComputeVisible(list, top);
}

void CallListDef(ListHandle list, int16_t message, bool selected, Rect *rect, Cell cell, int16_t offset,
                 int16_t length)
{
    if (!Live(list))
        return;
    auto def = reinterpret_cast<ListDefProcPtr>(Rec(list)->listDefProc);
    if (!def)
        return;
    GrafPtr saved = nullptr;
    GetPort(&saved);
    if (Rec(list)->port)
        SetPor(Rec(list)->port);
    Rect none{0, 0, 0, 0};
    def(message, selected, rect ? rect : &none, cell, offset, length, list);
    if (saved)
        SetPor(saved);
}

void ZEL_CALL PlainListDef(int16_t, Boolean, Rect *, Cell, int16_t, int16_t, ListHandle) {}

bool UsesPlainListDef(ListHandle list)
{
    return Rec(list)->listDefProc == reinterpret_cast<Handle>(PlainListDef);
}

int GetListGeometry(int slot, int16_t *width, int16_t *height, int16_t *left, int16_t *rows, int16_t *columns,
                    bool widthTimesColumns, bool heightWithBar)
{
    ListHandle list = ListSlotList(slot);
    if (!Live(list) || !ListSlotBox(slot))
        return 0;
    ListPtr l = Rec(list);
    int16_t w = l->cellSize.h, h = l->cellSize.v;
    int answer = 1;
    if (IsRowPerItem(list)) {
        answer = l->visible.right - l->visible.left;
        if (answer < 1)
            answer = 1;
        if (widthTimesColumns)
            w = static_cast<int16_t>(w * answer);
    } else if (heightWithBar && ListRows(list) == 1 && l->hScroll) {
        h = static_cast<int16_t>(h + GetSystemMetrics(SM_CYHSCROLL) - 2);
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
    if (left)
        *left = l->visible.left;
    if (rows)
        *rows = ListRows(list);
    if (columns)
        *columns = ListColumns(list);
    return answer;
}

// ---- The list box's window procedure ----

namespace {
WNDPROC sSavedListBoxProc;
}

bool DirectToListBox(int slot)
{
    return sSavedListBoxProc && ListSlotOnThisThread(slot) &&
           reinterpret_cast<WNDPROC>(GetWindowLongPtrA(ListSlotBox(slot), GWLP_WNDPROC)) == A_ListBoxWndProc;
}

LRESULT ListBoxMessage(HWND box, bool direct, UINT message, WPARAM wParam, LPARAM lParam)
{
    return direct ? CallWindowProcA(sSavedListBoxProc, box, message, wParam, lParam)
                  : SendMessageA(box, message, wParam, lParam);
}

// The list box of a library list: its size follows the view, the slot's flags swallow clicks and typed
// keys or hand presses to the window as events, a press may start a tear-off drag, row-per-item lists
// take their own mouse messages and columns scroll by whole cells. A list box of the host's own that
// runs this procedure posts its clicks as the dialog items' children do.
ZEL_EXTERN_C LRESULT ZEL_CALL A_ListBoxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (ForwardInactiveClick(hwnd, message, wParam, lParam, &answer))
        return answer;
    const WNDPROC saved = sSavedListBoxProc;
    const int slot = FindListSlotByBox(hwnd);
    ListHandle list = ListSlotList(slot);
    if (slot < 0 || !Live(list)) {
        if (message == WM_LBUTTONDBLCLK) {
            RECT box;
            GetWindowRect(hwnd, &box);
            HWND parent = GetParent(hwnd);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&box), 2);
            const Rect r{static_cast<int16_t>(box.top), static_cast<int16_t>(box.left),
                         static_cast<int16_t>(box.bottom), static_cast<int16_t>(box.right)};
            PostClickInRect(parent, r, nullptr);
            return 0;
        }
        const LRESULT result = CallChildProc(saved, hwnd, message, wParam, lParam);
        if (message == WM_LBUTTONDOWN) {
            UpdateKeyModifiers(false);
            PostClickOnChildWindow(hwnd);
        }
        return result;
    }
    const uint16_t flags = ListSlotFlags(slot);
    switch (message) {
    case WM_SIZE: {
        const LRESULT result = CallChildProc(saved, hwnd, message, wParam, lParam);
        if (!sResizeNesting)
            UpdateVisibleFromBox(list);
        return result;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        if (flags & listSlotSwallowClicks)
            return 1;
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if ((flags & listSlotSwallowKeys) && wParam >= 32 && wParam <= 126)
            return 1;
        break;
    default:
        break;
    }
    if (message == WM_LBUTTONDOWN && BeginListDrag(slot))
        return 0;
    if (message == WM_HSCROLL || message == WM_VSCROLL) {
        if (ListScrollMessage(slot, hwnd, message, wParam))
            return 0;
        const LRESULT result = CallChildProc(saved, hwnd, message, wParam, lParam);
        if (LOWORD(wParam) == SB_ENDSCROLL || LOWORD(wParam) == SB_THUMBPOSITION)
            SyncListAfterScroll(list);
        return result;
    }
    if ((message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_LBUTTONDBLCLK) &&
        IsRowPerItem(list) && TrackRowListMouse(slot, hwnd, message == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : message, wParam, lParam))
        return 0;
    if (message == WM_LBUTTONDOWN && (flags & listSlotClickEvents)) {
        // The window's own event glue takes the press, in its client coordinates.
        HWND parent = GetParent(hwnd);
        POINT p{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
        MapWindowPoints(hwnd, parent, &p, 1);
        ZEL_EventMouse(parent, message, wParam, MAKELPARAM(static_cast<int16_t>(p.x), static_cast<int16_t>(p.y)));
        return 0;
    }
    return CallChildProc(saved, hwnd, message, wParam, lParam);
}

// ---- The interface ----

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_LSetSelFlags(int32_t flags)
{
    sConfiguration = flags;
    return flags;
}

ZEL_EXTERN_C ListHandle ZEL_CALL LNew(const Rect *rView, const Rect *dataBounds, Point cSize, int16_t theProc,
                                      WindowPtr theWindow, Boolean, Boolean, Boolean scrollHoriz, Boolean scrollVert)
{
    const int32_t configuration = sConfiguration;
    sConfiguration = 0;
    if (!rView || !dataBounds || !theWindow)
        return nullptr;
    WindowPeek peek = reinterpret_cast<WindowPeek>(theWindow);
    if (!peek->dataHandle || !*peek->dataHandle)
        return nullptr;
    const int32_t columns = dataBounds->right - dataBounds->left, rows = dataBounds->bottom - dataBounds->top;
    if (columns < 0 || rows < 0)
        return nullptr;
    const int32_t cells = rows * columns;
    if (cells > kMaxCells)
        return nullptr;
    const bool ownColumns = (configuration & 0x0400) != 0;
    const bool rowPerItem = columns > 1 && !ownColumns && rows != 1;

    // The record and its slot.
    ListHandle list = reinterpret_cast<ListHandle>(NewHandleClear(kListRecBytes + 2 * cells));
    if (!list)
        return nullptr;
    const int slot = FindFreeListSlot();
    if (slot < 0) {
        MessageBoxA(SessionMainWindow(), "Too many List Boxes", "", MB_OK | MB_ICONINFORMATION);
        DisposeHandle(reinterpret_cast<Handle>(list));
        return nullptr;
    }
    FillListSlot(slot, list, nullptr);
    ListPtr l = Rec(list);
    l->lReserved = static_cast<int8_t>(static_cast<uint8_t>(slot));
    l->rView = *rView;
    l->dataBounds = *dataBounds;
    l->port = theWindow;
    l->indent = Point{0, 0};

    // The cell size, given or by default, at least 1 each way.
    GrafPtr savedPort = nullptr;
    GetPort(&savedPort);
    SetPor(theWindow);
    Point size = cSize;
    const int16_t viewWidth = static_cast<int16_t>(rView->right - rView->left);
    if (size.v == 0)
        size.v = DefaultCellHeight();
    if (size.h == 0)
        size.h = columns > 0 ? RoundedQuotient(viewWidth, columns) : viewWidth;
    l = Rec(list);
    l->cellSize.v = size.v < 1 ? int16_t(1) : size.v;
    l->cellSize.h = size.h < 1 ? int16_t(1) : size.h;

    // Slot flags from the configuration.
    const bool showsColumns = (!rowPerItem && columns > 1) || scrollHoriz || (configuration & 0x0800) || (ownColumns && columns > 1);
    uint16_t slotFlags = 0;
    if (configuration & 0x0100)
        slotFlags |= listSlotSwallowClicks;
    if (configuration & 0x0200)
        slotFlags |= listSlotSwallowKeys;
    if (configuration & 0x1000)
        slotFlags |= listSlotClickEvents;
    if (showsColumns)
        slotFlags |= listSlotColumns;
    ComputeVisible(list, Point{0, 0});

    // The scroll bars: invisible controls of no width that stand for the list box's own.
    if (scrollVert) {
        Rect r{l->rView.top, static_cast<int16_t>(l->rView.right + 1), l->rView.bottom, l->rView.right};
        ControlHandle bar = NewControl(theWindow, &r, reinterpret_cast<const unsigned char *>(""), false, 0,
                                       dataBounds->top, dataBounds->bottom, scrollBarProc, 0xFE00);
        l = Rec(list);
        l->vScroll = bar;
        l->listFlags |= lDoVAutoscroll;
    }
    if (scrollHoriz) {
        int16_t growWidth = 16, growHeight = 16;
        GrowBoxSize(&growWidth, &growHeight);
        Rect r{static_cast<int16_t>(l->rView.bottom + 1), l->rView.left,
               static_cast<int16_t>(l->rView.bottom + growHeight), l->rView.right};
        ControlHandle bar = NewControl(theWindow, &r, reinterpret_cast<const unsigned char *>(""), false, 0,
                                       dataBounds->left, dataBounds->right, scrollBarProc, 0xFE01);
        l = Rec(list);
        l->hScroll = bar;
        l->listFlags |= lDoHAutoscroll;
    }
    l->selFlags = static_cast<int8_t>(configuration & 0xFF);
    l->lActive = 1;
    l->clikTime = 0;
    l->refCon = 0;

    // The definition procedure.
    bool wrappedDef = false;
    ProcPtr def = ChooseListDef(theProc, rowPerItem, &wrappedDef);
    l = Rec(list);
    l->listDefProc = reinterpret_cast<Handle>(def);
    l->userHandle = nullptr;
    // A list in a dialog stands over a user item: that item's child gives way to the list box, whose
    // clicks it would otherwise take.
    if (IsDialogWindow(theWindow))
        HideUserItemUnderList(ZEL_GethWnd(theWindow), l->rView);

    // The cells: every one empty.
    Handle data = NewHandleClear(2 * cells);
    if (!data) {
        if (wrappedDef)
            ReleaseListDef(def);
        DisposeListParts(list, slot, nullptr);
        SetPor(savedPort);
        return nullptr;
    }
    l = Rec(list);
    l->cells = reinterpret_cast<DataHandle>(data);
    l->maxIndex = static_cast<int16_t>(cells - 1);
    for (int32_t i = 0; i < cells; ++i)
        l->cellArray[i] = static_cast<int16_t>(2 * i + 2);

    // The list box's style.
    const bool hostDef = !IsBuiltInDef(def);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | LBS_WANTKEYBOARDINPUT | LBS_NOTIFY;
    bool multiColumn = false;
    if (!rowPerItem) {
        if (LibrarySetting(settingListNew))
            style |= LBS_NOINTEGRALHEIGHT;
        if (!(configuration & 0x0080))
            style |= LBS_EXTENDEDSEL;
        const bool oneColumn = !ownColumns && columns <= 1 && !scrollHoriz && !(configuration & 0x0800);
        if (oneColumn) {
            if (scrollVert)
                style |= WS_VSCROLL;
        } else {
            multiColumn = true;
            style |= LBS_MULTICOLUMN;
            if (ownColumns && scrollHoriz)
                style |= LBS_NOINTEGRALHEIGHT;
            if (scrollHoriz)
                style |= WS_HSCROLL;
        }
    } else {
        if (scrollHoriz)
            style |= WS_HSCROLL;
        if (scrollVert)
            style |= WS_VSCROLL;
    }
    if ((SessionPlatform().versionWord & 0x0F) > 3)
        style |= LBS_DISABLENOSCROLL;
    if (hostDef || rowPerItem)
        style |= LBS_OWNERDRAWFIXED;

    // The list box over rView, in the window's client coordinates.
    const Rect &portRect = theWindow->portRect;
    RECT box{l->rView.left - portRect.left, l->rView.top - portRect.top, l->rView.right - portRect.left,
             l->rView.bottom - portRect.top};
    AdjustWindowRect(&box, style, FALSE);
    const int controlID = (rowPerItem ? kRowListID : kCellListID) + slot;
    HWND hwnd = CreateHostWindow(0, "listbox", "", style, box.left, box.top, box.right - box.left,
                                 box.bottom - box.top, ZEL_GethWnd(theWindow),
                                 reinterpret_cast<HMENU>(static_cast<uintptr_t>(controlID)), SessionHostInstance(),
                                 nullptr);
    if (!hwnd) {
        if (wrappedDef)
            ReleaseListDef(def);
        DisposeListParts(list, slot, nullptr);
        SetPor(savedPort);
        return nullptr;
    }
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(A_ListBoxWndProc)));
    if (previous && previous != A_ListBoxWndProc)
        sSavedListBoxProc = previous;

    l = Rec(list);
    const int16_t visibleColumns = static_cast<int16_t>(l->visible.right - l->visible.left);
    if (rowPerItem && scrollHoriz) {
        SetScrollRange(hwnd, SB_HORZ, 0, columns - visibleColumns > 0 ? columns - visibleColumns : 0, FALSE);
        SendMessageA(hwnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(columns * l->cellSize.h), 0);
    }

    // The control font by the port's text size, unless the dialog chose its own.
    const LibraryFont savedFont = ControlFont();
    if (!IsDialogWindow(theWindow))
        ChooseControlFont(theWindow->txSize > 11 ? 1 : 0);
    FillListSlot(slot, list, hwnd);
    SetListSlotFlags(slot, slotFlags, true);
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont().font), FALSE);

    // Multi-column list boxes: one column per cell width.
    int32_t items = rowPerItem ? rows : cells;
    if (multiColumn) {
        l = Rec(list);
        SendMessageA(hwnd, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(l->cellSize.h), 0);
        const int16_t shown = static_cast<int16_t>(columns > 0 ? columns : 1);
        if ((SessionPlatform().versionWord & 0x0F) == 3 &&
            (l->rView.right - l->rView.left + 1) / l->cellSize.h == shown - 1) {
            // Windows 3's list box scrolls the last column only with room past it.
            SendMessageA(hwnd, LB_SETHORIZONTALEXTENT, 0x7FFF, 0);
            ++items;
        }
        SendMessageA(hwnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(l->cellSize.h * shown), 0);
    }

    // One item per cell or row: empty strings, or item data of the index in owner-drawn boxes.
    const bool drawingOff = (ListSlotFlags(slot) & listSlotDrawingOff) != 0;
    if (!drawingOff)
        SendMessageA(hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageA(hwnd, LB_INITSTORAGE, static_cast<WPARAM>(items), static_cast<LPARAM>(items));
    const bool ownerDrawn = (style & LBS_OWNERDRAWFIXED) != 0;
    const bool direct = DirectToListBox(slot);
    for (int32_t i = 0; i < items; ++i)
        ListBoxMessage(hwnd, direct, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                       ownerDrawn ? static_cast<LPARAM>(i) : reinterpret_cast<LPARAM>(""));
    if (!drawingOff)
        SendMessageA(hwnd, WM_SETREDRAW, TRUE, 0);

    CallListDef(list, lInitMsg, false, nullptr, Cell{0, 0}, 0, 0);
    // PENDING: a list in a dialog gives its item rectangle to the dialog item holding the list box, once
    // the Dialog Manager's item lookup exists.
    if (LibrarySetting(settingListNew)) {
        l = Rec(list);
        LSize(static_cast<int16_t>(l->rView.right - l->rView.left), static_cast<int16_t>(l->rView.bottom - l->rView.top),
              list);
    }
    UseControlFont(savedFont);
    SetPor(savedPort);
    return list;
}

ZEL_EXTERN_C void ZEL_CALL LDispose(ListHandle lHandle)
{
    if (!Live(lHandle))
        return;
    const int slot = ListSlotOf(lHandle);
    CallListDef(lHandle, lCloseMsg, false, nullptr, Cell{0, 0}, 0, 0);
    if (ProcPtr hook = ListSlotTearOffHook(slot))
        FreeHostProcInstance(reinterpret_cast<FARPROC>(hook));
    ReleaseListDef(reinterpret_cast<ProcPtr>(Rec(lHandle)->listDefProc));
    DisposeListParts(lHandle, slot, ListSlotBox(slot));
}

ZEL_EXTERN_C void ZEL_CALL LSize(int16_t listWidth, int16_t listHeight, ListHandle lHandle)
{
    if (!Live(lHandle) || listWidth < 1 || listHeight <= 0)
        return;
    ListPtr l = Rec(lHandle);
    l->rView.right = static_cast<int16_t>(l->rView.left + listWidth);
    l->rView.bottom = static_cast<int16_t>(l->rView.top + listHeight);
    ComputeVisible(lHandle, Point{l->visible.top, l->visible.left});
    HWND box = ListBoxOf(lHandle);
    if (!box)
        return;
    SizeBoxToView(box, listWidth, listHeight);
    if (ListColumns(lHandle) == 1 && !IsRowPerItem(lHandle)) {
        RECT client{};
        GetClientRect(box, &client);
        if (client.right > 0)
            Rec(lHandle)->cellSize.h = static_cast<int16_t>(client.right);
    }
    UpdateWindow(box);
    UpdateVisibleFromBox(lHandle);
}

ZEL_EXTERN_C void ZEL_CALL LCellSize(Point cSize, ListHandle lHandle)
{
    if (!Live(lHandle) || cSize.h <= 0 || cSize.v <= 0)
        return;
    Rec(lHandle)->cellSize.h = cSize.h;
    HWND box = ListBoxOf(lHandle);
    if (!UsesPlainListDef(lHandle)) {
        Rec(lHandle)->cellSize.v = cSize.v;
        if (box) {
            SendMessageA(box, LB_SETITEMHEIGHT, 0, cSize.v);
            InvalidateRect(box, nullptr, TRUE);
        }
    }
    ListPtr l = Rec(lHandle);
    ComputeVisible(lHandle, Point{l->visible.top, l->visible.left});
}

ZEL_EXTERN_C HWND ZEL_CALL ZEL_GetHWNDFromListHandle(ListHandle lHandle)
{
    const int slot = FindListSlotByList(lHandle);
    return slot >= 0 ? ListSlotBox(slot) : nullptr;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ListShowHide(ListPtr listRecord, Boolean show)
{
    if (!listRecord)
        return;
    HWND box = ListSlotBox(static_cast<uint8_t>(listRecord->lReserved));
    if (box)
        SetWindowPos(box, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ListUpdateVisible(ListPtr listRecord)
{
    if (!listRecord)
        return;
    ListHandle list = ListSlotList(static_cast<uint8_t>(listRecord->lReserved));
    if (Live(list) && *list == listRecord)
        UpdateVisibleFromBox(list);
}

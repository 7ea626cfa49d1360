// List clicks, scrolling and tear-off dragging. A click on a list first reaches its Windows list box,
// which changes its own selection; LClick then copies that selection into the cells' bits. Row-per-item
// lists select single cells themselves from the mouse messages their list box hands over. A tear-off
// list is a drag source: a press on an item drags an outline across the screen.
#include <cstring>
#include <vector>

#include "list_manager.h"
#include "Events.h"
#include "Quickdraw.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../windows/windows_services.h"

namespace {

constexpr uint16_t kCommandKey = 0x100, kShiftKey = 0x200;
constexpr int kSlopBand = 15;

// The tear-off state shared by every list.
struct ListDragState {
    int16_t itemAnchor = -1;        // the list-box item shift-extended item selection runs from
    Point dropPoint{-1, -1};        // where the last tear-off ended, global
    uint32_t leftTheList = 0;       // the dragged outline is (or ended) outside the list
    uint32_t cursorFeedback = 1;    // 0: the drag changes the cursor; 1: it frames an outline
    bool hookRunning = false;
    ListHandle list = nullptr;
    Cell draggedCell{0, 0};
    WindowPtr window = nullptr;     // the window of the list being dragged
};
ListDragState sDrag;

// Row-per-item mouse tracking: the extension rectangle of the last shift-extension and whether a
// button-down in a list box started the tracking.
Rect sExtension{-1, -1, -1, -1};
HWND sTrackingBox;

ListPtr Rec(ListHandle l) { return *l; }
bool Live(ListHandle l) { return l && *l; }
bool SelectedAt(ListHandle l, int32_t i) { return (Rec(l)->cellArray[i] & 0x8000) != 0; }
bool SameCell(Cell a, Cell b) { return a.v == b.v && a.h == b.h; }
bool NoAnchor(Cell c) { return c.v < 0 || c.h < 0; }

int32_t FirstSelected(ListHandle l)
{
    for (int32_t i = 0; i <= Rec(l)->maxIndex; ++i)
        if (SelectedAt(l, i))
            return i;
    return -1;
}

int16_t CellLength(ListHandle l, int32_t index)
{
    int16_t length;
    std::memcpy(&length, *Rec(l)->cells + (Rec(l)->cellArray[index] & 0x7FFF) - 2, 2);
    return length;
}

// The cell under a point of the list box's client area, walking the visible cells; false below the
// last row or right of the last column.
bool CellAtPoint(ListHandle l, POINT p, Cell *cell)
{
    ListPtr r = Rec(l);
    if (p.x < 0 || p.y < 0 || r->cellSize.v <= 0 || r->cellSize.h <= 0)
        return false;
    const Cell c{static_cast<int16_t>(r->visible.top + p.y / r->cellSize.v),
                 static_cast<int16_t>(r->visible.left + p.x / r->cellSize.h)};
    if (CellIndex(l, c) < 0)
        return false;
    *cell = c;
    return true;
}

void ClearAllSelected(ListHandle l, bool draw)
{
    for (int32_t i = 0; i <= Rec(l)->maxIndex; ++i)
        if (SelectedAt(l, i))
            SetCellSelected(l, i, false, draw);
}

// The selected items of a multiple-selection list box become the cells' selected bits, all others
// cleared. One item per cell: the cells' count bounds the items asked for.
std::vector<int32_t> sSelectedItems;
void CopyBoxSelection(ListHandle l, HWND box)
{
    const int32_t cells = Rec(l)->maxIndex + 1;
    if (cells <= 0)
        return;
    if (static_cast<int32_t>(sSelectedItems.size()) < cells)
        sSelectedItems.resize(static_cast<size_t>(cells));
    const LRESULT got = ListBoxMessage(box, DirectToListBox(ListSlotOf(l)), LB_GETSELITEMS, static_cast<WPARAM>(cells),
                                       reinterpret_cast<LPARAM>(sSelectedItems.data()));
    const int32_t n = got > 0 ? static_cast<int32_t>(got) : 0;
    // Every bit cleared, two entries a word, then the selected ones set.
    int16_t *entry = Rec(l)->cellArray;
    int32_t i = 0;
    for (; i + 2 <= cells; i += 2) {
        uint32_t pair;
        std::memcpy(&pair, entry + i, 4);
        pair &= 0x7FFF7FFFu;
        std::memcpy(entry + i, &pair, 4);
    }
    if (i < cells)
        entry[i] &= 0x7FFF;
    const int32_t *item = sSelectedItems.data();
    for (int32_t k = 0; k < n; ++k)
        if (static_cast<uint32_t>(item[k]) < static_cast<uint32_t>(cells))
            entry[item[k]] |= int16_t(0x8000);
}

bool InRect(Cell c, const Rect &r) { return c.v >= r.top && c.v < r.bottom && c.h >= r.left && c.h < r.right; }

// The cells spanned by the anchor and `to` become selected; cells of the previous extension outside
// them are cleared.
void SelectCellRange(ListHandle l, Cell anchor, Cell to)
{
    const Rect next{static_cast<int16_t>(anchor.v < to.v ? anchor.v : to.v),
                    static_cast<int16_t>(anchor.h < to.h ? anchor.h : to.h),
                    static_cast<int16_t>((anchor.v > to.v ? anchor.v : to.v) + 1),
                    static_cast<int16_t>((anchor.h > to.h ? anchor.h : to.h) + 1)};
    for (int16_t v = sExtension.top; sExtension.top >= 0 && v < sExtension.bottom; ++v)
        for (int16_t h = sExtension.left; h < sExtension.right; ++h)
            if (!InRect(Cell{v, h}, next))
                SetCellSelected(l, CellIndex(l, Cell{v, h}), false, true);
    for (int16_t v = next.top; v < next.bottom; ++v)
        for (int16_t h = next.left; h < next.right; ++h)
            SetCellSelected(l, CellIndex(l, Cell{v, h}), true, true);
    sExtension = next;
}

// A click (mouse-down and mouse-up) at a point of a window, global.
void PostClickAt(HWND window, Point global)
{
    POINT p{global.h, global.v};
    ScreenToClient(window, &p);
    const Rect r{static_cast<int16_t>(p.y), static_cast<int16_t>(p.x), static_cast<int16_t>(p.y + 1),
                 static_cast<int16_t>(p.x + 1)};
    PostClickInRect(window, r, &global);
}

// The list box's top item made the first cell of `target` (cell per item), or the view offset to it
// (row per item).
void ScrollToCell(ListHandle l, Cell target)
{
    HWND box = ListBoxOf(l);
    if (!box)
        return;
    const Rect &b = Rec(l)->dataBounds;
    const int16_t rows = ListRows(l), columns = ListColumns(l);
    auto clamp = [](int32_t x, int32_t lo, int32_t hi) { return x < lo ? lo : (x > hi ? hi : x); };
    if (!IsRowPerItem(l)) {
        // The last row and column are the furthest: one past them is no cell of the list.
        const int32_t v = clamp(target.v - b.top, 0, rows > 0 ? rows - 1 : 0);
        const int32_t h = clamp(target.h - b.left, 0, columns > 0 ? columns - 1 : 0);
        SendMessageA(box, LB_SETTOPINDEX, static_cast<WPARAM>(h * rows + v), 0);
        UpdateVisibleFromBox(l);
        return;
    }
    ListPtr r = Rec(l);
    const int16_t shownRows = static_cast<int16_t>(r->visible.bottom - r->visible.top);
    const int16_t shownColumns = static_cast<int16_t>(r->visible.right - r->visible.left);
    const int32_t top = clamp(target.v - b.top, 0, rows - shownRows > 0 ? rows - shownRows : 0);
    const int32_t left = clamp(target.h - b.left, 0, columns - shownColumns > 0 ? columns - shownColumns : 0);
    SendMessageA(box, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    ScrollRowListColumns(l, static_cast<int16_t>(left - (r->visible.left - b.left)));
    UpdateVisibleFromBox(l);
}

// The item of the list box under a screen point among the visible ones; -1 when none.
int32_t ItemAtScreenPoint(HWND box, POINT screen)
{
    POINT p = screen;
    ScreenToClient(box, &p);
    RECT client{};
    GetClientRect(box, &client);
    if (!PtInRect(&client, p))
        return -1;
    const LRESULT count = SendMessageA(box, LB_GETCOUNT, 0, 0);
    for (LRESULT i = SendMessageA(box, LB_GETTOPINDEX, 0, 0); i >= 0 && i < count; ++i) {
        RECT item{};
        if (SendMessageA(box, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)) == LB_ERR)
            break;
        if (item.top >= client.bottom)
            break;
        if (PtInRect(&item, p))
            return static_cast<int32_t>(i);
    }
    return -1;
}

Rect ToRect(const RECT &r)
{
    return Rect{static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
                static_cast<int16_t>(r.right)};
}

bool PointIn(Point p, const Rect &r) { return p.v >= r.top && p.v < r.bottom && p.h >= r.left && p.h < r.right; }

// An outline of the item size centred on a point.
Rect OutlineAt(Point p, Point size)
{
    return Rect{static_cast<int16_t>(p.v - size.v / 2), static_cast<int16_t>(p.h - size.h / 2),
                static_cast<int16_t>(p.v - size.v / 2 + size.v), static_cast<int16_t>(p.h - size.h / 2 + size.h)};
}

// Follows the mouse while the button is down; answers whether it ended outside the starting
// rectangle, with the last position in `drop`.
bool ListDragLoop(ListHandle l, int slot, Rect start, Point itemSize, int32_t selectedCount, int32_t item,
                  Point *drop)
{
    HWND box = ListSlotBox(slot);
    PenState savedPen;
    GetPenState(&savedPen);
    PenMode(patXor);
    PenPat(&LowMem<Pattern>(lmGray));
    const HCURSOR dragCursor = selectedCount > 1 ? DragMultipleCursor() : DragSingleCursor();
    const HCURSOR savedCursor = GetCursor();
    const bool scrolls = (ListSlotFlags(slot) & listSlotItemOutline) != 0;
    RECT boxScreen{};
    GetWindowRect(box, &boxScreen);
    const Rect listRect = ToRect(boxScreen);
    Rect slop = listRect;
    if (Rec(l)->vScroll) {
        slop.top = static_cast<int16_t>(slop.top - kSlopBand);
        slop.bottom = static_cast<int16_t>(slop.bottom + kSlopBand);
    }
    if (Rec(l)->hScroll) {
        slop.left = static_cast<int16_t>(slop.left - kSlopBand);
        slop.right = static_cast<int16_t>(slop.right + kSlopBand);
    }
    bool framed = false, outside = false, scrolled = false;
    Rect frame{0, 0, 0, 0};
    DWORD bandEntered = 0, lastStep = 0;
    bool firstStep = true;
    Point mouse{0, 0};
    ReadMouseLocation(&mouse);
    while (WaitMouseUp()) {
        ReadMouseLocation(&mouse);
        if (!PointIn(mouse, start)) {
            outside = true;
            sDrag.leftTheList = 1;
            if (sDrag.cursorFeedback == 0) {
                if (dragCursor)
                    SetCursor(dragCursor);
            } else {
                const Rect next = OutlineAt(mouse, itemSize);
                if (!framed || next.top != frame.top || next.left != frame.left) {
                    if (framed)
                        FrameRec(&frame);
                    frame = next;
                    FrameRec(&frame);
                    framed = true;
                }
            }
        } else if (outside) {
            outside = false;
            sDrag.leftTheList = 0;
            if (framed)
                FrameRec(&frame);
            framed = false;
            SetCursor(savedCursor);
        }
        // Items dragged out of the list scroll it while the mouse is in the band around it.
        if (scrolls && !PointIn(mouse, listRect) && PointIn(mouse, slop)) {
            const DWORD now = GetTickCount();
            if (!bandEntered)
                bandEntered = lastStep = now;
            int distance = 0;
            UINT message = 0;
            WPARAM code = SB_LINEDOWN;
            if (Rec(l)->vScroll && (mouse.v < listRect.top || mouse.v >= listRect.bottom)) {
                message = WM_VSCROLL;
                code = mouse.v < listRect.top ? SB_LINEUP : SB_LINEDOWN;
                distance = mouse.v < listRect.top ? listRect.top - mouse.v : mouse.v - listRect.bottom + 1;
            } else if (Rec(l)->hScroll && (mouse.h < listRect.left || mouse.h >= listRect.right)) {
                message = WM_HSCROLL;
                code = mouse.h < listRect.left ? SB_LINEUP : SB_LINEDOWN;
                distance = mouse.h < listRect.left ? listRect.left - mouse.h : mouse.h - listRect.right + 1;
            }
            const bool due = firstStep ? now - bandEntered >= 500 : (now - lastStep) * DWORD(distance) >= 256;
            if (message && due) {
                if (framed) {
                    FrameRec(&frame);
                    framed = false;
                }
                SendMessageA(box, message, code, 0);
                SendMessageA(box, message, SB_ENDSCROLL, 0);
                scrolled = true;
                firstStep = false;
                lastStep = now;
                RECT itemRect{};
                if (SendMessageA(box, LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&itemRect)) !=
                    LB_ERR) {
                    MapWindowPoints(box, nullptr, reinterpret_cast<POINT *>(&itemRect), 2);
                    start = ToRect(itemRect);
                }
            }
        } else {
            bandEntered = 0;
            firstStep = true;
        }
        Sleep(1);
    }
    if (framed)
        FrameRec(&frame);
    SetPenState(&savedPen);
    SetCursor(savedCursor);
    *drop = mouse;
    if (scrolled)
        UpdateVisibleFromBox(l);
    return !PointIn(mouse, start);
}

} // namespace

bool DraggedCellAnswers(ListHandle list, Cell *cell)
{
    if (!sDrag.hookRunning || sDrag.list != list)
        return false;
    const int32_t index = CellIndex(list, sDrag.draggedCell);
    if (index < 0 || SelectedAt(list, index))
        return false;
    if (cell)
        *cell = sDrag.draggedCell;
    return true;
}

WindowPtr ListTearOffWindow() { return sDrag.window; }

void ScrollRowListColumns(ListHandle l, int16_t columns)
{
    HWND box = ListBoxOf(l);
    if (!box || !columns)
        return;
    ListPtr r = Rec(l);
    ScrollWindow(box, -columns * r->cellSize.h, 0, nullptr, nullptr);
    r->visible.left = static_cast<int16_t>(r->visible.left + columns);
    r->visible.right = static_cast<int16_t>(r->visible.right + columns);
    SetScrollPos(box, SB_HORZ, r->visible.left - r->dataBounds.left, TRUE);
}

void SyncListAfterScroll(ListHandle l) { UpdateVisibleFromBox(l); }

// Scroll messages of a library list box; true when taken here (the horizontal bar of a row-per-item
// list scrolls by whole cells).
bool ListScrollMessage(int slot, HWND box, UINT message, WPARAM wParam)
{
    ListHandle l = ListSlotList(slot);
    if (!Live(l))
        return false;
    if (message == WM_HSCROLL && IsRowPerItem(l)) {
        ListPtr r = Rec(l);
        const int16_t shown = static_cast<int16_t>(r->visible.right - r->visible.left);
        int16_t step = 0;
        switch (LOWORD(wParam)) {
        case SB_LINELEFT: step = -1; break;
        case SB_LINERIGHT: step = 1; break;
        case SB_PAGELEFT: step = static_cast<int16_t>(-shown); break;
        case SB_PAGERIGHT: step = shown; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            step = static_cast<int16_t>(static_cast<int16_t>(HIWORD(wParam)) - (r->visible.left - r->dataBounds.left));
            break;
        default: break;
        }
        if (step)
            LScroll(step, 0, l);
        return true;
    }
    (void)box;
    return false;
}

bool TrackRowListMouse(int slot, HWND box, UINT message, WPARAM keys, LPARAM position)
{
    ListHandle l = ListSlotList(slot);
    if (!Live(l))
        return false;
    if (message == WM_LBUTTONDOWN) {
        // The list box keeps the focus a press gives it, as it would had it seen the press itself.
        if (GetFocus() != box)
            SetFocus(box);
        SetCapture(box);
        sTrackingBox = box;
    } else if (message == WM_LBUTTONUP) {
        if (sTrackingBox != box)
            return true;
        sTrackingBox = nullptr;
        ReleaseCapture();
    } else if (message == WM_MOUSEMOVE) {
        if (sTrackingBox != box || !(keys & MK_LBUTTON))
            return true;
    }
    const POINT p{static_cast<int16_t>(LOWORD(position)), static_cast<int16_t>(HIWORD(position))};
    Cell cell;
    if (!CellAtPoint(l, p, &cell))
        return true;
    Cell &anchor = ListExtensionAnchor(l);
    const bool multiple = (Rec(l)->selFlags & 0x80) == 0;
    // The key state as well: injected mouse input can arrive without the key flags.
    const bool shift = (keys & MK_SHIFT) != 0 || GetKeyState(VK_SHIFT) < 0 || GetAsyncKeyState(VK_SHIFT) < 0;
    const int32_t index = CellIndex(l, cell);
    switch (message) {
    case WM_LBUTTONDOWN:
        if (multiple && (!shift || NoAnchor(anchor))) {
            // A plain click, or a shift-click with nothing to extend from.
            sExtension = Rect{-1, -1, -1, -1};
            ClearAllSelected(l, true);
            SetCellSelected(l, index, true, true);
            anchor = cell;
        } else if (multiple) {
            SelectCellRange(l, anchor, cell);
        } else {
            if (!NoAnchor(anchor))
                SetCellSelected(l, CellIndex(l, anchor), false, true);
            SetCellSelected(l, index, true, true);
            anchor = cell;
        }
        SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(cell.v - Rec(l)->dataBounds.top), 0);
        break;
    case WM_MOUSEMOVE:
        if (multiple) {
            if (NoAnchor(anchor)) {
                anchor = cell;
                sExtension = Rect{-1, -1, -1, -1};
            }
            SelectCellRange(l, anchor, cell);
        } else if (!SameCell(anchor, cell)) {
            if (!NoAnchor(anchor))
                SetCellSelected(l, CellIndex(l, anchor), false, true);
            SetCellSelected(l, index, true, true);
            anchor = cell;
        }
        break;
    case WM_LBUTTONUP: {
        if (!multiple)
            anchor = cell;
        POINT screen = p;
        ClientToScreen(box, &screen);
        PostClickAt(GetParent(box), Point{static_cast<int16_t>(screen.y), static_cast<int16_t>(screen.x)});
        break;
    }
    default:
        break;
    }
    return true;
}

bool BeginListDrag(int slot)
{
    ListHandle l = ListSlotList(slot);
    HWND box = ListSlotBox(slot);
    UpdateKeyModifiers(false);
    const uint16_t modifiers = CurrentModifiers();
    if (!Live(l) || !box || (modifiers & kCommandKey) || !(Rec(l)->selFlags & 0x01))
        return false;
    WindowPtr window = nullptr;
    if (!HwndToWindowPtr(GetParent(box), &window, nullptr) || !window)
        return false;
    POINT screen{};
    GetCursorPos(&screen);
    const int32_t item = ItemAtScreenPoint(box, screen);
    if (item < 0)
        return false;
    const bool multiple = (GetWindowLongA(box, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0;

    GrafPtr savedPort = nullptr;
    GetPort(&savedPort);
    SetPor(window);
    if (modifiers & kShiftKey) {
        if (multiple && sDrag.itemAnchor >= 0) {
            const int32_t first = sDrag.itemAnchor < item ? sDrag.itemAnchor : item;
            const int32_t last = sDrag.itemAnchor < item ? item : sDrag.itemAnchor;
            SendMessageA(box, LB_SETSEL, FALSE, -1);
            SendMessageA(box, LB_SELITEMRANGE, TRUE, MAKELPARAM(first, last));
        } else if (!multiple) {
            SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
        }
    } else if (SendMessageA(box, LB_GETSEL, static_cast<WPARAM>(item), 0) <= 0) {
        if (multiple) {
            SendMessageA(box, LB_SETSEL, FALSE, -1);
            SendMessageA(box, LB_SETSEL, TRUE, item);
        } else {
            SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
        }
    }
    SendMessageA(box, LB_SETCARETINDEX, static_cast<WPARAM>(item), FALSE);
    sDrag.itemAnchor = static_cast<int16_t>(item);
    int32_t selectedCount = 0;
    Handle saved = SaveListBoxSelection(box, !multiple, &selectedCount);

    // The outline: the pressed item or the whole list, global.
    Rect outline = Rec(l)->rView;
    if (ListSlotFlags(slot) & listSlotItemOutline) {
        RECT itemRect{};
        SendMessageA(box, LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&itemRect));
        outline = ToRect(itemRect);
        OffsetRec(&outline, Rec(l)->rView.left, Rec(l)->rView.top);
    }
    Point topLeft{outline.top, outline.left}, bottomRight{outline.bottom, outline.right};
    LocalToGlobal(&topLeft);
    LocalToGlobal(&bottomRight);
    const Rect global{topLeft.v, topLeft.h, bottomRight.v, bottomRight.h};
    if (GrafPtr screenPort = LowMem<GrafPtr>(lmWMgrPort))
        SetPor(screenPort);
    SetCapture(box);

    Point drop{-1, -1};
    bool dropped = false;
    const Point size = ListSlotTearOffSize(slot);
    sDrag.window = window;
    if (ProcPtr hook = ListSlotTearOffHook(slot)) {
        sDrag.hookRunning = true;
        sDrag.list = l;
        sDrag.draggedCell = IsRowPerItem(l) ? Cell{static_cast<int16_t>(Rec(l)->dataBounds.top + item),
                                                   Rec(l)->visible.left}
                                            : IndexCell(l, item);
        Rect hookOutline = global;
        ReadMouseLocation(&drop);
        dropped = reinterpret_cast<ListTearOffHookProcPtr>(hook)(drop, sDrag.draggedCell, &hookOutline, size.h,
                                                                 size.v) != 0;
        ReadMouseLocation(&drop);
        sDrag.hookRunning = false;
        sDrag.list = nullptr;
        UpdateVisibleFromBox(l);
    } else {
        dropped = ListDragLoop(l, slot, global, size, selectedCount, item, &drop);
    }
    sDrag.window = nullptr;
    ReleaseCapture();
    if (dropped)
        sDrag.dropPoint = drop;
    SetPor(window);
    Point localTop{global.top, global.left}, localBottom{global.bottom, global.right};
    GlobalToLocal(&localTop);
    GlobalToLocal(&localBottom);
    const Rect inWindow{static_cast<int16_t>(localTop.v - window->portRect.top),
                        static_cast<int16_t>(localTop.h - window->portRect.left),
                        static_cast<int16_t>(localBottom.v - window->portRect.top),
                        static_cast<int16_t>(localBottom.h - window->portRect.left)};
    if (savedPort)
        SetPor(savedPort);
    PostClickInRect(GetParent(box), inWindow, nullptr);
    if (saved)
        DisposeHandle(saved);
    return true;
}

// ---- The interface ----

ZEL_EXTERN_C Boolean ZEL_CALL LClick(Point pt, int16_t modifiers, ListHandle lHandle)
{
    (void)pt;
    (void)modifiers;
    if (!Live(lHandle) || !Rec(lHandle)->lActive)
        return false;
    if (ProcPtr loop = Rec(lHandle)->lClikLoop) {
        while (StillDown()) {
            if (!reinterpret_cast<Boolean(ZEL_CALL *)(void)>(loop)())
                return false;
        }
    }
    // The click is usually over by now (a list box's click reaches the event queue as a whole click):
    // the hardware is asked only when the event layer still has the button down, and the event layer
    // waited on only while the hardware agrees.
    if (!(CurrentModifiers() & btnState)) {
        const int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
        if (GetAsyncKeyState(button) < 0) {
            while (WaitMouseUp()) {
            }
        }
    }
    if (ListRows(lHandle) <= 0 || ListColumns(lHandle) <= 0)
        return false;
    HWND box = ListBoxOf(lHandle);
    if (!box)
        return false;
    Boolean answer = false;
    if (IsRowPerItem(lHandle)) {
        answer = ListDoubleClickFlag();
    } else if (Rec(lHandle)->selFlags & 0x80) {
        const int32_t old = FirstSelected(lHandle);
        if (old >= 0)
            Rec(lHandle)->lastClick = IndexCell(lHandle, old);
        const bool multipleBox = (GetWindowLongA(box, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0;
        LRESULT chosen = SendMessageA(box, multipleBox ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0);
        int32_t next = chosen < 0 || chosen > Rec(lHandle)->maxIndex ? -1 : static_cast<int32_t>(chosen);
        if ((Rec(lHandle)->selFlags & 0x02) && next >= 0 && CellLength(lHandle, next) == 0) {
            // No empty selection: the list box goes back to the old cell.
            SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(old), 0);
            next = -1;
        }
        if (next >= 0 && next == old) {
            answer = ListDoubleClickFlag();
        } else if (next >= 0) {
            if (old >= 0)
                SetCellSelected(lHandle, old, false, false);
            SetCellSelected(lHandle, next, true, false);
        }
    } else {
        CopyBoxSelection(lHandle, box);
        answer = ListDoubleClickFlag();
    }
    const int32_t first = FirstSelected(lHandle);
    if (first >= 0)
        Rec(lHandle)->lastClick = IndexCell(lHandle, first);
    return answer;
}

ZEL_EXTERN_C Cell ZEL_CALL LLastClick(ListHandle lHandle)
{
    return Live(lHandle) ? Rec(lHandle)->lastClick : Cell{0, 0};
}

ZEL_EXTERN_C int32_t ZEL_CALL LongLastClick(ListHandle lHandle)
{
    const Cell c = LLastClick(lHandle);
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(c.h)) << 16) | static_cast<uint16_t>(c.v));
}

ZEL_EXTERN_C void ZEL_CALL LScroll(int16_t dCols, int16_t dRows, ListHandle lHandle)
{
    HWND box = ListBoxOf(lHandle);
    if (!box)
        return;
    UpdateVisibleFromBox(lHandle);
    const Rect &b = Rec(lHandle)->dataBounds;
    Cell top{static_cast<int16_t>(Rec(lHandle)->visible.top + b.top),
             static_cast<int16_t>(Rec(lHandle)->visible.left + b.left)};
    if (!IsRowPerItem(lHandle)) {
        const int16_t rows = ListRows(lHandle);
        const LRESULT item = SendMessageA(box, LB_GETTOPINDEX, 0, 0);
        if (rows > 0 && item >= 0)
            top = Cell{static_cast<int16_t>(b.top + item % rows), static_cast<int16_t>(b.left + item / rows)};
    }
    const int32_t v = top.v + dRows, h = top.h + dCols;
    auto clip16 = [](int32_t x) { return static_cast<int16_t>(x < -32768 ? -32768 : (x > 32767 ? 32767 : x)); };
    ScrollToCell(lHandle, Cell{clip16(v), clip16(h)});
}

ZEL_EXTERN_C void ZEL_CALL LAutoScroll(ListHandle lHandle)
{
    if (!ListBoxOf(lHandle))
        return;
    const int32_t first = FirstSelected(lHandle);
    if (first < 0)
        return;
    UpdateVisibleFromBox(lHandle);
    const Cell cell = IndexCell(lHandle, first);
    const Rect &b = Rec(lHandle)->dataBounds;
    if (CellVisible(lHandle, Cell{static_cast<int16_t>(cell.v - b.top), static_cast<int16_t>(cell.h - b.left)}))
        return;
    ScrollToCell(lHandle, cell);
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_LTearOff(ListHandle lHandle, int16_t op, Point *point)
{
    const int slot = ListSlotOf(lHandle);
    if (slot < 0)
        return 0;
    switch (op & 15) {
    case 1: {
        Rec(lHandle)->selFlags = static_cast<int8_t>(Rec(lHandle)->selFlags | 0x01);
        sDrag.cursorFeedback = (op & 0x4000) ? 0 : 1;
        SetListSlotFlags(slot, listSlotItemOutline, op < 0);
        Point size{0, 0};
        if (point) {
            size = *point;
        } else {
            RECT item{};
            if (SendMessageA(ListSlotBox(slot), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)) != LB_ERR)
                size = Point{static_cast<int16_t>(item.bottom - item.top), static_cast<int16_t>(item.right - item.left)};
        }
        SetListSlotTearOffSize(slot, size);
        sDrag.dropPoint = Point{-1, -1};
        sDrag.leftTheList = 0;
        return 1;
    }
    case 2:
        if (sDrag.dropPoint.v != -1 || sDrag.dropPoint.h != -1) {
            if (point)
                *point = sDrag.dropPoint;
            sDrag.dropPoint = Point{-1, -1};
        }
        return static_cast<int32_t>(sDrag.leftTheList);
    default:
        return 0;
    }
}

ZEL_EXTERN_C void ZEL_CALL ZEL_LSetTearOffDragHook(ListHandle lHandle, ListTearOffHookProcPtr hook)
{
    const int slot = ListSlotOf(lHandle);
    if (slot < 0)
        return;
    if (ProcPtr previous = ListSlotTearOffHook(slot))
        FreeHostProcInstance(reinterpret_cast<FARPROC>(previous));
    SetListSlotTearOffHook(slot, hook ? reinterpret_cast<ProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(hook)))
                                      : nullptr);
}

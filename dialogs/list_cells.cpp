// List cells, selection and drawing: the cells' data in the list's `cells` handle, rows and columns
// added and removed, the selected bits of cellArray kept in step with the list box's own selection,
// searching, and the built-in definition that draws row-per-item lists.
#include <cstring>
#include <vector>

#include "list_manager.h"
#include "Dialogs.h"
#include "Quickdraw.h"
#include "TextUtils.h"
#include "Zel.h"
#include "../core/core_services.h"
#include "../windows/windows_services.h"

namespace {

constexpr int kMaxOffset = 0x7FFF;
constexpr int16_t kSelectedBit = int16_t(0x8000);

ListPtr Rec(ListHandle l) { return *l; }
bool Live(ListHandle l) { return l && *l; }

int16_t OffsetOf(ListHandle l, int32_t index) { return static_cast<int16_t>(Rec(l)->cellArray[index] & 0x7FFF); }
bool SelectedAt(ListHandle l, int32_t index) { return (Rec(l)->cellArray[index] & kSelectedBit) != 0; }

int16_t LengthAt(ListHandle l, int32_t index)
{
    int16_t length;
    std::memcpy(&length, *Rec(l)->cells + OffsetOf(l, index) - 2, 2);
    return length;
}

// The size of the cells' data: the last cell's offset and length.
int32_t DataSize(ListHandle l)
{
    const int32_t last = Rec(l)->maxIndex;
    return last < 0 ? 0 : OffsetOf(l, last) + LengthAt(l, last);
}

bool DrawingOff(ListHandle l) { return (ListSlotFlags(ListSlotOf(l)) & listSlotDrawingOff) != 0; }

bool BoxIsMultiple(HWND box) { return (GetWindowLongA(box, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0; }

bool OwnerDrawnBox(HWND box) { return (GetWindowLongA(box, GWL_STYLE) & LBS_OWNERDRAWFIXED) != 0; }

// The list-box item of a cell: its index, or its row in row-per-item lists.
int32_t ItemOfCell(ListHandle l, int32_t index, Cell cell)
{
    return IsRowPerItem(l) ? cell.v - Rec(l)->dataBounds.top : index;
}

void SetRedraw(HWND box, ListHandle l, bool on)
{
    if (!DrawingOff(l))
        SendMessageA(box, WM_SETREDRAW, on, 0);
}

// Whether the list-box items from `item` on lie below the client area of a one-column box. Inserting
// and deleting such items changes no pixel in view but the scroll bar's, which the box keeps itself,
// so their changes need not be wrapped in redraw off and on: turning redraw on again repaints the
// whole box under Wine, and a long list filled row by row would be repainted at every row.
bool ItemsBelowView(HWND box, int32_t item)
{
    if (item <= 0 || (GetWindowLongA(box, GWL_STYLE) & LBS_MULTICOLUMN))
        return false;
    RECT before{}, client{};
    return SendMessageA(box, LB_GETITEMRECT, static_cast<WPARAM>(item - 1), reinterpret_cast<LPARAM>(&before)) != LB_ERR &&
           GetClientRect(box, &client) && before.bottom >= client.bottom;
}

// Moves the offsets of cellArray[from..last] by d, keeping each entry's selected bit: two entries a
// word (every offset stays within 15 bits, so no half carries into the bit above it).
void ShiftOffsets(ListHandle l, int32_t from, int32_t d)
{
    ListPtr r = Rec(l);
    int16_t *entry = r->cellArray + from;
    int32_t n = r->maxIndex - from + 1;
    const uint32_t add = static_cast<uint32_t>(d & 0x7FFF) * 0x10001u;
    for (; n >= 2; n -= 2, entry += 2) {
        uint32_t pair;
        std::memcpy(&pair, entry, 4);
        pair = (((pair & 0x7FFF7FFFu) + add) & 0x7FFF7FFFu) | (pair & 0x80008000u);
        std::memcpy(entry, &pair, 4);
    }
    if (n > 0)
        *entry = static_cast<int16_t>((*entry & kSelectedBit) | ((*entry + d) & 0x7FFF));
}

// Rewrites one cell's data; answers whether anything changed, -1 when the data cannot grow.
int ResizeCellData(const void *data, int16_t length, ListHandle l, int32_t index)
{
    const int16_t old = LengthAt(l, index);
    const int32_t d = length - old;
    const int16_t offset = OffsetOf(l, index);
    if (d == 0) {
        // Same length: the bytes change in place, and nothing moves.
        if (std::memcmp(*Rec(l)->cells + offset, data, static_cast<size_t>(length)) == 0)
            return 0;
        std::memmove(*Rec(l)->cells + offset, data, static_cast<size_t>(length));
        return 1;
    }
    Handle cells = reinterpret_cast<Handle>(Rec(l)->cells);
    const int32_t size = DataSize(l);
    // The data may lie in the cells handle itself, which moves as it grows and shifts as cells move:
    // such data is copied first.
    std::vector<char> copy;
    const char *source = static_cast<const char *>(data);
    const uintptr_t from = reinterpret_cast<uintptr_t>(source), block = reinterpret_cast<uintptr_t>(*cells);
    if (from + static_cast<uintptr_t>(length) > block && from < block + static_cast<uintptr_t>(size)) {
        copy.assign(source, source + length);
        source = copy.data();
    }
    if (d > 0) {
        // Every later cell's offset moves by d; the last one's must stay within 15 bits. The last cell
        // itself is held to the same limit where its data end, the offset a cell after it would have.
        const int32_t reach = index < Rec(l)->maxIndex ? OffsetOf(l, Rec(l)->maxIndex) + d : size + d;
        if (reach > kMaxOffset)
            return -1;
        SetHandleSize(cells, size + d);
        if (GetHandleSize(cells) < size + d)
            return -1;
    }
    std::memmove(*cells + offset + length, *cells + offset + old, static_cast<size_t>(size - offset - old));
    std::memcpy(*cells + offset, source, static_cast<size_t>(length));
    if (d < 0)
        SetHandleSize(cells, size + d);
    std::memcpy(*cells + offset - 2, &length, 2);
    ShiftOffsets(l, index + 1, d);
    return 1;
}

// The list box's item of a cell-per-item list shows the cell's new data: its text in plain lists (the
// box's selection and caret kept), its index as the item data of owner-drawn ones.
void ShowCellItem(ListHandle l, int32_t index)
{
    HWND box = ListBoxOf(l);
    if (!box)
        return;
    const bool drawingOff = DrawingOff(l);
    if (!drawingOff)
        UpdateWindow(box);
    if (IsRowPerItem(l)) {
        const Cell cell = IndexCell(l, index);
        LDraw(cell, l);
        if (!drawingOff)
            UpdateWindow(box);
        return;
    }
    const int slot = ListSlotOf(l);
    const bool direct = DirectToListBox(slot);
    if (ListSlotOwnerDrawn(slot)) {
        ListBoxMessage(box, direct, LB_SETITEMDATA, static_cast<WPARAM>(index), index);
    } else {
        const int16_t length = LengthAt(l, index);
        uint8_t shortText[MacToAnsiBufferSize(255)];
        std::vector<uint8_t> longText(length > 255 ? MacToAnsiBufferSize(static_cast<uint32_t>(length)) : 0);
        uint8_t *text = length > 255 ? longText.data() : shortText;
        const int32_t n = ZEL_MacToAnsiBuf(reinterpret_cast<const uint8_t *>(*Rec(l)->cells + OffsetOf(l, index)), text,
                                           static_cast<uint16_t>(length), 0);
        text[n < 0 ? 0 : n] = 0;
        // The new item goes in before the old one, which then goes: the list box keeps every other
        // item's selection, its current item and its caret where they were. Only the item's own
        // selection is carried over by hand.
        const bool selected = ListBoxMessage(box, direct, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
        const bool quiet = !selected && ItemsBelowView(box, index);
        if (!quiet)
            SetRedraw(box, l, false);
        ListBoxMessage(box, direct, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        ListBoxMessage(box, direct, LB_DELETESTRING, static_cast<WPARAM>(index + 1), 0);
        if (selected && BoxIsMultiple(box)) {
            ListBoxMessage(box, direct, LB_SELITEMRANGE, TRUE, MAKELPARAM(index, index));
        } else if (selected) {
            // Making an item current scrolls it into view: the top item is put back.
            const LRESULT top = ListBoxMessage(box, direct, LB_GETTOPINDEX, 0, 0);
            ListBoxMessage(box, direct, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
            if (ListBoxMessage(box, direct, LB_GETTOPINDEX, 0, 0) != top)
                ListBoxMessage(box, direct, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
        }
        if (!quiet)
            SetRedraw(box, l, true);
    }
    if (drawingOff)
        return;
    // An item scrolled out of the box has nothing to invalidate (Windows clips the rectangle to the client
    // area): the window server is asked only for items in view.
    RECT item{}, client{}, shown{};
    if (SendMessageA(box, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR &&
        GetClientRect(box, &client) && IntersectRect(&shown, &item, &client))
        InvalidateRect(box, &item, TRUE);
}

// Lays the cells out again for a new shape: `source` names, for each new cell (column by column), the
// old cell whose data and selected bit it takes, or -1 for an empty one. False, with nothing changed,
// when an offset would pass 0x7FFF or a handle cannot grow.
template <typename Source>
bool Relayout(ListHandle l, int32_t newRows, int32_t newColumns, Source source)
{
    const int32_t newCells = newRows * newColumns;
    std::vector<char> data;
    std::vector<int16_t> entries(static_cast<size_t>(newCells));
    for (int32_t h = 0; h < newColumns; ++h) {
        for (int32_t v = 0; v < newRows; ++v) {
            const int32_t from = source(v, h);
            const int16_t length = from >= 0 ? LengthAt(l, from) : 0;
            const size_t at = data.size();
            if (at + 2 > kMaxOffset)
                return false;
            data.resize(at + 2 + static_cast<size_t>(length));
            std::memcpy(&data[at], &length, 2);
            if (length)
                std::memcpy(&data[at + 2], *Rec(l)->cells + OffsetOf(l, from), static_cast<size_t>(length));
            const int16_t selected = from >= 0 && SelectedAt(l, from) ? kSelectedBit : int16_t(0);
            entries[static_cast<size_t>(h * newRows + v)] = static_cast<int16_t>(selected | (at + 2));
        }
    }
    Handle record = reinterpret_cast<Handle>(l);
    Handle cells = reinterpret_cast<Handle>(Rec(l)->cells);
    const Size oldRecord = GetHandleSize(record), oldCells = GetHandleSize(cells);
    const Size newRecord = 88 + 2 * newCells;
    if (newRecord > oldRecord) {
        SetHandleSize(record, newRecord);
        if (GetHandleSize(record) < newRecord)
            return false;
    }
    if (static_cast<Size>(data.size()) > oldCells) {
        SetHandleSize(cells, static_cast<Size>(data.size()));
        if (GetHandleSize(cells) < static_cast<Size>(data.size())) {
            SetHandleSize(record, oldRecord);
            return false;
        }
    }
    if (!data.empty())
        std::memcpy(*cells, data.data(), data.size());
    SetHandleSize(cells, static_cast<Size>(data.size()));
    if (newCells)
        std::memcpy(Rec(l)->cellArray, entries.data(), entries.size() * 2);
    if (newRecord < oldRecord)
        SetHandleSize(record, newRecord);
    Rec(l)->maxIndex = static_cast<int16_t>(newCells - 1);
    return true;
}

// Empty rows inserted into a one-column list in place: `count` empty cells' lengths go in before cell
// `at` (or after the last cell), the later cells' offsets move past them with their selected bits, and
// nothing else is copied, so that adding a row costs the same however long the list is. The same
// result, and the same refusal, as laying the whole list out again.
bool InsertEmptyRowsInPlace(ListHandle l, int32_t at, int32_t count)
{
    const int32_t cellsBefore = Rec(l)->maxIndex + 1;
    const int32_t size = DataSize(l);
    const int32_t insertAt = at < cellsBefore ? OffsetOf(l, at) - 2 : size;
    const int32_t grow = 2 * count;
    // The last cell's offset is the largest; it must stay within 15 bits.
    const int32_t lastOffset = at < cellsBefore ? OffsetOf(l, cellsBefore - 1) + grow : insertAt + grow;
    if (lastOffset > kMaxOffset)
        return false;
    Handle record = reinterpret_cast<Handle>(l);
    Handle cells = reinterpret_cast<Handle>(Rec(l)->cells);
    const Size oldRecord = GetHandleSize(record);
    const Size newRecord = 88 + 2 * (cellsBefore + count);
    if (newRecord > oldRecord) {
        SetHandleSize(record, newRecord);
        if (GetHandleSize(record) < newRecord)
            return false;
    }
    SetHandleSize(cells, size + grow);
    if (GetHandleSize(cells) < size + grow) {
        SetHandleSize(record, oldRecord);
        return false;
    }
    std::memmove(*cells + insertAt + grow, *cells + insertAt, static_cast<size_t>(size - insertAt));
    std::memset(*cells + insertAt, 0, static_cast<size_t>(grow));
    int16_t *entries = Rec(l)->cellArray;
    std::memmove(entries + at + count, entries + at, static_cast<size_t>(cellsBefore - at) * 2);
    for (int32_t i = 0; i < count; ++i)
        entries[at + i] = static_cast<int16_t>(insertAt + 2 * i + 2);
    Rec(l)->maxIndex = static_cast<int16_t>(cellsBefore + count - 1);
    ShiftOffsets(l, at + count, grow);
    return true;
}

// Owner-drawn items carry their cell index (or row) as item data, whatever moved: the items from
// `from` on are numbered again (those before it kept their places).
void RenumberItemData(HWND box, int32_t from)
{
    if (!OwnerDrawnBox(box))
        return;
    const LRESULT count = SendMessageA(box, LB_GETCOUNT, 0, 0);
    for (LRESULT i = from; i < count; ++i)
        SendMessageA(box, LB_SETITEMDATA, static_cast<WPARAM>(i), i);
}

void InsertItems(HWND box, int32_t at, int32_t count)
{
    const bool ownerDrawn = OwnerDrawnBox(box);
    for (int32_t i = 0; i < count; ++i)
        SendMessageA(box, LB_INSERTSTRING, static_cast<WPARAM>(at + i),
                     ownerDrawn ? static_cast<LPARAM>(at + i) : reinterpret_cast<LPARAM>(""));
}

void DeleteItems(HWND box, int32_t at, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        SendMessageA(box, LB_DELETESTRING, static_cast<WPARAM>(at), 0);
}

// The rectangle of the dialog item a list stands over: the first user item whose rectangle and the
// view overlap with one holding the other (the one the list's list box hid).
bool ListDialogItemRect(ListHandle l, Rect *out)
{
    WindowPtr window = Rec(l)->port;
    if (!window || reinterpret_cast<WindowPeek>(window)->windowKind != dialogKind)
        return false;
    const Rect view = Rec(l)->rView;
    const int16_t count = CountDITL(window);
    for (int16_t n = 1; n <= count; ++n) {
        int16_t type = 0;
        Handle item = nullptr;
        Rect r{};
        GetDialogItem(window, n, &type, &item, &r);
        Rect common;
        if ((type & 0x7F) != userItem || !SectRect(&r, &view, &common))
            continue;
        const bool viewInside = view.top >= r.top && view.left >= r.left && view.bottom <= r.bottom && view.right <= r.right;
        const bool itemInside = r.top >= view.top && r.left >= view.left && r.bottom <= view.bottom && r.right <= view.right;
        if (viewInside || itemInside) {
            *out = r;
            return true;
        }
    }
    return false;
}

// An inactive list in a dialog is washed in gray: its item's rectangle less a pixel all round and less
// the list box's vertical scroll bar, gray pattern cleared to the background over what the list box
// drew.
void WashInactiveDialogList(ListHandle l, HWND box)
{
    Rect wash;
    if (!ListDialogItemRect(l, &wash))
        return;
    InsetRec(&wash, 1, 1);
    if (GetWindowLongA(box, GWL_STYLE) & WS_VSCROLL)
        wash.right = static_cast<int16_t>(wash.right - GetSystemMetrics(SM_CXVSCROLL));
    PenState pen;
    GetPenState(&pen);
    PenMode(patBic);
    PenPat(&LowMem<Pattern>(lmGray));
    PaintRect(&wash);
    SetPenState(&pen);
}

Cell sExtensionAnchor{-1, -1};
ListHandle sAnchorList;
bool sDoubleClick;

} // namespace

// ---- Shared with the record, click and window-procedure code ----

Cell &ListExtensionAnchor(ListHandle list)
{
    if (list != sAnchorList) {
        sAnchorList = list;
        sExtensionAnchor = Cell{-1, -1};
    }
    return sExtensionAnchor;
}
bool &ListDoubleClickFlag() { return sDoubleClick; }

int32_t CellIndex(ListHandle l, Cell cell)
{
    if (!Live(l))
        return -1;
    const Rect &b = Rec(l)->dataBounds;
    if (cell.v < 0 || cell.h < 0 || cell.v < b.top || cell.v >= b.bottom || cell.h < b.left || cell.h >= b.right)
        return -1;
    const int32_t index = (b.bottom - b.top) * (cell.h - b.left) + (cell.v - b.top);
    return index <= Rec(l)->maxIndex ? index : -1;
}

Cell IndexCell(ListHandle l, int32_t index)
{
    const Rect &b = Rec(l)->dataBounds;
    const int32_t rows = b.bottom - b.top;
    if (rows <= 0)
        return Cell{0, 0};
    return Cell{static_cast<int16_t>(b.top + index % rows), static_cast<int16_t>(b.left + index / rows)};
}

Handle SaveListBoxSelection(HWND box, bool single, int32_t *count)
{
    int32_t n = 0;
    Handle saved = nullptr;
    if (single) {
        const LRESULT current = SendMessageA(box, LB_GETCURSEL, 0, 0);
        if (current != LB_ERR) {
            saved = NewHandle(sizeof(int32_t));
            if (saved) {
                const int32_t item = static_cast<int32_t>(current);
                std::memcpy(*saved, &item, sizeof item);
                n = 1;
            }
        }
    } else {
        // A single-selection box answers LB_ERR here: no selection.
        const LRESULT selected = SendMessageA(box, LB_GETSELCOUNT, 0, 0);
        if (selected > 0) {
            saved = NewHandle(static_cast<Size>(selected * sizeof(int32_t)));
            if (saved) {
                const LRESULT got = SendMessageA(box, LB_GETSELITEMS, static_cast<WPARAM>(selected),
                                                 reinterpret_cast<LPARAM>(*saved));
                n = got > 0 ? static_cast<int32_t>(got) : 0;
            }
        }
    }
    if (count)
        *count = n;
    if (saved && !n) {
        DisposeHandle(saved);
        saved = nullptr;
    }
    return saved;
}

Rect CellRectInView(ListHandle l, Cell cell)
{
    ListPtr r = Rec(l);
    Rect rect;
    rect.top = static_cast<int16_t>(r->rView.top + (cell.v - r->visible.top) * r->cellSize.v);
    rect.left = static_cast<int16_t>(r->rView.left + (cell.h - r->visible.left) * r->cellSize.h);
    rect.bottom = static_cast<int16_t>(rect.top + r->cellSize.v - (r->hScroll ? 1 : 0));
    rect.right = static_cast<int16_t>(rect.left + r->cellSize.h);
    return rect;
}

bool CellVisible(ListHandle l, Cell cell)
{
    const Rect &v = Rec(l)->visible;
    return cell.v >= v.top && cell.v < v.bottom && cell.h >= v.left && cell.h < v.right;
}

void SetCellSelected(ListHandle l, int32_t index, bool select, bool draw)
{
    if (!Live(l) || index < 0 || index > Rec(l)->maxIndex || SelectedAt(l, index) == select)
        return;
    int16_t &entry = Rec(l)->cellArray[index];
    entry = static_cast<int16_t>(select ? (entry | kSelectedBit) : (entry & 0x7FFF));
    const Cell cell = IndexCell(l, index);
    if (!draw || ListColumns(l) <= 0 || !CellVisible(l, cell))
        return;
    Rect rect = CellRectInView(l, cell);
    CallListDef(l, lHiliteMsg, select, &rect, cell, OffsetOf(l, index), LengthAt(l, index));
}

bool GetListSelectionRect(int slot, Rect *out)
{
    ListHandle l = ListSlotList(slot);
    HWND box = ListSlotBox(slot);
    if (!Live(l) || !box || !out)
        return false;
    UpdateVisibleFromBox(l);
    bool any = false;
    Rect all{0, 0, 0, 0};
    for (int32_t i = 0; i <= Rec(l)->maxIndex; ++i) {
        if (!SelectedAt(l, i))
            continue;
        Rect r;
        LRect(&r, IndexCell(l, i), l);
        if (r.bottom <= r.top || r.right <= r.left)
            continue;
        if (!any)
            all = r;
        else
            UnionRec(&all, &r, &all);
        any = true;
    }
    if (!any) {
        const LRESULT caret = SendMessageA(box, LB_GETCARETINDEX, 0, 0);
        RECT item{};
        if (caret == LB_ERR ||
            SendMessageA(box, LB_GETITEMRECT, static_cast<WPARAM>(caret), reinterpret_cast<LPARAM>(&item)) == LB_ERR)
            return false;
        const Rect &view = Rec(l)->rView;
        all = Rect{static_cast<int16_t>(item.top + view.top), static_cast<int16_t>(item.left + view.left),
                   static_cast<int16_t>(item.bottom + view.top), static_cast<int16_t>(item.right + view.left)};
    }
    *out = all;
    return true;
}

// The command glue's list click: the List Manager's double-click indicator, and where to post the
// click, in the client coordinates of the list box's parent.
bool ListClickRect(HWND list, bool doubleClick, Rect *rect)
{
    const int slot = FindListSlotByBox(list);
    if (slot < 0)
        return false;
    sDoubleClick = doubleClick;
    Rect r;
    if (!GetListSelectionRect(slot, &r))
        return false;
    ListHandle l = ListSlotList(slot);
    if (GrafPtr port = Rec(l)->port)
        OffsetRec(&r, static_cast<int16_t>(-port->portRect.left), static_cast<int16_t>(-port->portRect.top));
    if (rect)
        *rect = r;
    return true;
}

// ---- Cell data ----

ZEL_EXTERN_C void ZEL_CALL LSetCell(const void *dataPtr, int16_t dataLen, Cell theCell, ListHandle lHandle)
{
    if (!dataPtr || !Live(lHandle) || dataLen < 0)
        return;
    const int32_t index = CellIndex(lHandle, theCell);
    if (index < 0)
        return;
    if (ResizeCellData(dataPtr, dataLen, lHandle, index) == 1)
        ShowCellItem(lHandle, index);
}

ZEL_EXTERN_C void ZEL_CALL LClrCell(Cell theCell, ListHandle lHandle)
{
    static const char kNone = 0;
    LSetCell(&kNone, 0, theCell, lHandle);
}

ZEL_EXTERN_C void ZEL_CALL LAddToCell(const void *dataPtr, int16_t dataLen, Cell theCell, ListHandle lHandle)
{
    if (!dataPtr || !Live(lHandle) || dataLen < 0)
        return;
    const int32_t index = CellIndex(lHandle, theCell);
    if (index < 0)
        return;
    const int16_t old = LengthAt(lHandle, index);
    if (old + dataLen > kMaxOffset)
        return;
    std::vector<char> joined(static_cast<size_t>(old + dataLen));
    std::memcpy(joined.data(), *Rec(lHandle)->cells + OffsetOf(lHandle, index), static_cast<size_t>(old));
    std::memcpy(joined.data() + old, dataPtr, static_cast<size_t>(dataLen));
    if (ResizeCellData(joined.data(), static_cast<int16_t>(joined.size()), lHandle, index) == 1)
        ShowCellItem(lHandle, index);
}

ZEL_EXTERN_C void ZEL_CALL LGetCell(void *dataPtr, int16_t *dataLen, Cell theCell, ListHandle lHandle)
{
    if (!dataPtr || !dataLen || !Live(lHandle) || *dataLen <= 0)
        return;
    const int32_t index = CellIndex(lHandle, theCell);
    if (index < 0) {
        *dataLen = 0;
        return;
    }
    const int16_t length = LengthAt(lHandle, index);
    const int16_t n = length < *dataLen ? length : *dataLen;
    std::memcpy(dataPtr, *Rec(lHandle)->cells + OffsetOf(lHandle, index), static_cast<size_t>(n));
    *dataLen = n;
}

ZEL_EXTERN_C void ZEL_CALL LGetCellDataLocation(int16_t *offset, int16_t *len, Cell theCell, ListHandle lHandle)
{
    const int32_t index = CellIndex(lHandle, theCell);
    if (offset)
        *offset = index < 0 ? int16_t(0) : OffsetOf(lHandle, index);
    if (len)
        *len = index < 0 ? int16_t(0) : LengthAt(lHandle, index);
}

// ---- Rows and columns ----

ZEL_EXTERN_C int16_t ZEL_CALL LAddRow(int16_t count, int16_t rowNum, ListHandle lHandle)
{
    if (!Live(lHandle))
        return -1;
    const int32_t rows = ListRows(lHandle), columns = ListColumns(lHandle);
    int32_t at = rowNum - Rec(lHandle)->dataBounds.top;
    at = at < 0 ? 0 : (at > rows ? rows : at);
    const int16_t first = static_cast<int16_t>(Rec(lHandle)->dataBounds.top + at);
    if (count <= 0)
        return first;
    const int32_t newRows = rows + count;
    if (newRows * columns > 16383 || newRows > 0x7FFF)
        return -1;
    if (columns == 1 ? !InsertEmptyRowsInPlace(lHandle, at, count)
                     : !Relayout(lHandle, newRows, columns, [&](int32_t v, int32_t h) -> int32_t {
                           if (v >= at && v < at + count)
                               return -1;
                           return h * rows + (v < at ? v : v - count);
                       }))
        return -1;
    Rec(lHandle)->dataBounds.bottom = static_cast<int16_t>(Rec(lHandle)->dataBounds.bottom + count);
    if (HWND box = ListBoxOf(lHandle)) {
        const bool quiet = (IsRowPerItem(lHandle) || columns == 1) && ItemsBelowView(box, at);
        if (!quiet)
            SetRedraw(box, lHandle, false);
        if (IsRowPerItem(lHandle)) {
            InsertItems(box, at, count);
        } else {
            for (int32_t h = 0; h < columns; ++h)
                InsertItems(box, h * newRows + at, count);
        }
        RenumberItemData(box, at + count);
        if (!quiet)
            SetRedraw(box, lHandle, true);
    }
    UpdateVisibleFromBox(lHandle);
    return first;
}

ZEL_EXTERN_C int16_t ZEL_CALL LAddColumn(int16_t count, int16_t colNum, ListHandle lHandle)
{
    if (!Live(lHandle))
        return -1;
    const int32_t rows = ListRows(lHandle), columns = ListColumns(lHandle);
    int32_t at = colNum - Rec(lHandle)->dataBounds.left;
    at = at < 0 ? 0 : (at > columns ? columns : at);
    const int16_t first = static_cast<int16_t>(Rec(lHandle)->dataBounds.left + at);
    if (count <= 0)
        return first;
    const int32_t newColumns = columns + count;
    if (rows * newColumns > 16383 || newColumns > 0x7FFF)
        return -1;
    if (!Relayout(lHandle, rows, newColumns, [&](int32_t v, int32_t h) -> int32_t {
            if (h >= at && h < at + count)
                return -1;
            return (h < at ? h : h - count) * rows + v;
        }))
        return -1;
    Rec(lHandle)->dataBounds.right = static_cast<int16_t>(Rec(lHandle)->dataBounds.right + count);
    HWND box = ListBoxOf(lHandle);
    if (box && !IsRowPerItem(lHandle)) {
        SetRedraw(box, lHandle, false);
        InsertItems(box, at * rows, count * rows);
        RenumberItemData(box, at * rows);
        SetRedraw(box, lHandle, true);
    }
    UpdateVisibleFromBox(lHandle);
    return first;
}

ZEL_EXTERN_C void ZEL_CALL LDelRow(int16_t count, int16_t rowNum, ListHandle lHandle)
{
    if (!Live(lHandle))
        return;
    const int32_t rows = ListRows(lHandle), columns = ListColumns(lHandle);
    int32_t at = rowNum - Rec(lHandle)->dataBounds.top, n = count;
    if (n == 0) {
        at = 0;
        n = rows;
    }
    if (at < 0)
        at = 0;
    if (n < 0 || at >= rows)
        return;
    if (n > rows - at)
        n = rows - at;
    const int32_t newRows = rows - n;
    if (!Relayout(lHandle, newRows, columns,
                  [&](int32_t v, int32_t h) -> int32_t { return h * rows + (v < at ? v : v + n); }))
        return;
    Rec(lHandle)->dataBounds.bottom = static_cast<int16_t>(Rec(lHandle)->dataBounds.bottom - n);
    if (HWND box = ListBoxOf(lHandle)) {
        SetRedraw(box, lHandle, false);
        if (IsRowPerItem(lHandle)) {
            DeleteItems(box, at, n);
        } else {
            for (int32_t h = columns - 1; h >= 0; --h)
                DeleteItems(box, h * rows + at, n);
        }
        RenumberItemData(box, at);
        SetRedraw(box, lHandle, true);
    }
    UpdateVisibleFromBox(lHandle);
}

ZEL_EXTERN_C void ZEL_CALL LDelColumn(int16_t count, int16_t colNum, ListHandle lHandle)
{
    if (!Live(lHandle))
        return;
    const int32_t rows = ListRows(lHandle), columns = ListColumns(lHandle);
    int32_t at = colNum - Rec(lHandle)->dataBounds.left, n = count;
    if (n == 0) {
        at = 0;
        n = columns;
    }
    if (at < 0)
        at = 0;
    if (n < 0 || at >= columns)
        return;
    if (n > columns - at)
        n = columns - at;
    if (!Relayout(lHandle, rows, columns - n,
                  [&](int32_t v, int32_t h) -> int32_t { return (h < at ? h : h + n) * rows + v; }))
        return;
    Rec(lHandle)->dataBounds.right = static_cast<int16_t>(Rec(lHandle)->dataBounds.right - n);
    HWND box = ListBoxOf(lHandle);
    if (box && !IsRowPerItem(lHandle)) {
        SetRedraw(box, lHandle, false);
        DeleteItems(box, at * rows, n * rows);
        RenumberItemData(box, at * rows);
        SetRedraw(box, lHandle, true);
    }
    UpdateVisibleFromBox(lHandle);
}

// ---- Selection ----

ZEL_EXTERN_C void ZEL_CALL LSetSelect(Boolean setIt, Cell theCell, ListHandle lHandle)
{
    if (!Live(lHandle) || ListRows(lHandle) <= 0 || ListColumns(lHandle) <= 0)
        return;
    const int32_t index = CellIndex(lHandle, theCell);
    if (index < 0)
        return;
    const bool rowPerItem = IsRowPerItem(lHandle);
    const WPARAM item = static_cast<WPARAM>(ItemOfCell(lHandle, index, theCell));
    if (HWND box = ListBoxOf(lHandle)) {
        // The box's own style decides: a host may change selFlags after LNew.
        if (BoxIsMultiple(box) && !rowPerItem) {
            SendMessageA(box, LB_SELITEMRANGE, setIt ? TRUE : FALSE, MAKELPARAM(item, item));
        } else if (setIt) {
            SendMessageA(box, LB_SETCURSEL, item, 0);
        } else if (SendMessageA(box, LB_GETCURSEL, 0, 0) == static_cast<LRESULT>(item)) {
            SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        }
    }
    SetCellSelected(lHandle, index, setIt != 0, rowPerItem);
    if (rowPerItem && setIt)
        ListExtensionAnchor(lHandle) = theCell;
}

ZEL_EXTERN_C Boolean ZEL_CALL LGetSelect(Boolean next, Cell *theCell, ListHandle lHandle)
{
    if (!theCell || !Live(lHandle) || ListRows(lHandle) <= 0)
        return false;
    Cell dragged;
    if (DraggedCellAnswers(lHandle, &dragged)) {
        if (!next)
            return dragged.v == theCell->v && dragged.h == theCell->h;
        const bool atOrAfter = dragged.v > theCell->v || (dragged.v == theCell->v && dragged.h >= theCell->h);
        if (atOrAfter)
            *theCell = dragged;
        return atOrAfter;
    }
    const int32_t start = CellIndex(lHandle, *theCell);
    if (start < 0)
        return false;
    if (!next)
        return SelectedAt(lHandle, start);
    for (int32_t i = start; i <= Rec(lHandle)->maxIndex; ++i) {
        if (SelectedAt(lHandle, i)) {
            *theCell = IndexCell(lHandle, i);
            return true;
        }
    }
    return false;
}

ZEL_EXTERN_C Boolean ZEL_CALL LNextCell(Boolean hNext, Boolean vNext, Cell *theCell, ListHandle lHandle)
{
    if (!theCell || !Live(lHandle))
        return false;
    const Rect &b = Rec(lHandle)->dataBounds;
    Cell c = *theCell;
    if (hNext) {
        if (c.h + 1 < b.right) {
            ++c.h;
        } else if (vNext && c.v + 1 < b.bottom) {
            c.h = b.left;
            ++c.v;
        } else {
            return false;
        }
    } else if (vNext) {
        if (c.v + 1 >= b.bottom)
            return false;
        ++c.v;
    } else {
        return false;
    }
    *theCell = c;
    return true;
}

ZEL_EXTERN_C Boolean ZEL_CALL LSearch(const void *dataPtr, int16_t dataLen, ListSearchUPP searchProc, Cell *theCell,
                                      ListHandle lHandle)
{
    if (!Live(lHandle) || !theCell)
        return false;
    if (!dataPtr || dataLen < 0)
        return false;
    *theCell = Cell{0, 0};
    ListSearchProcPtr compare = reinterpret_cast<ListSearchProcPtr>(IUMagIDString);
    FARPROC wrapped = nullptr;
    if (searchProc) {
        wrapped = MakeHostProcInstance(reinterpret_cast<FARPROC>(searchProc));
        compare = reinterpret_cast<ListSearchProcPtr>(wrapped);
    }
    bool found = false;
    Handle cells = reinterpret_cast<Handle>(Rec(lHandle)->cells);
    HLock(cells);
    for (int32_t i = 0; compare && i <= Rec(lHandle)->maxIndex; ++i) {
        if (compare(*cells + OffsetOf(lHandle, i), dataPtr, LengthAt(lHandle, i), dataLen) == 0) {
            *theCell = IndexCell(lHandle, i);
            found = true;
            break;
        }
    }
    HUnlock(cells);
    if (wrapped)
        FreeHostProcInstance(wrapped);
    return found;
}

// ---- Drawing ----

ZEL_EXTERN_C void ZEL_CALL LRect(Rect *cellRect, Cell theCell, ListHandle lHandle)
{
    if (!cellRect)
        return;
    *cellRect = Rect{0, 0, 0, 0};
    if (!Live(lHandle))
        return;
    UpdateVisibleFromBox(lHandle);
    const int32_t index = CellIndex(lHandle, theCell);
    HWND box = ListBoxOf(lHandle);
    if (index < 0 || !box || !CellVisible(lHandle, theCell))
        return;
    RECT item{};
    if (SendMessageA(box, LB_GETITEMRECT, static_cast<WPARAM>(ItemOfCell(lHandle, index, theCell)),
                     reinterpret_cast<LPARAM>(&item)) == LB_ERR)
        return;
    ListPtr r = Rec(lHandle);
    if (IsRowPerItem(lHandle)) {
        // The row's item holds its cells side by side from the first visible column.
        item.left = (theCell.h - r->visible.left) * r->cellSize.h;
        item.right = item.left + r->cellSize.h;
    }
    *cellRect = Rect{static_cast<int16_t>(item.top + r->rView.top), static_cast<int16_t>(item.left + r->rView.left),
                     static_cast<int16_t>(item.bottom + r->rView.top), static_cast<int16_t>(item.right + r->rView.left)};
}

ZEL_EXTERN_C void ZEL_CALL LDraw(Cell theCell, ListHandle lHandle)
{
    Rect r;
    LRect(&r, theCell, lHandle);
    HWND box = ListBoxOf(lHandle);
    if (!box || r.bottom <= r.top)
        return;
    const Rect &view = Rec(lHandle)->rView;
    RECT inBox{r.left - view.left, r.top - view.top, r.right - view.left, r.bottom - view.top};
    InvalidateRect(box, &inBox, TRUE);
    if (!DrawingOff(lHandle))
        UpdateWindow(box);
}

ZEL_EXTERN_C void ZEL_CALL LUpdate(RgnHandle, ListHandle lHandle)
{
    HWND box = ListBoxOf(lHandle);
    if (!box)
        return;
    GrafPtr saved = nullptr;
    GetPort(&saved);
    GrafPtr port = Rec(lHandle)->port;
    SetPor(port);
    // The part of the view (one pixel wider for the border) inside the port's clip, in local coordinates.
    Rect area = Rec(lHandle)->rView;
    InsetRec(&area, -1, -1);
    if (port->clipRgn && *port->clipRgn)
        SectRect(&area, &(*port->clipRgn)->rgnBBox, &area);
    if (port->visRgn && *port->visRgn)
        SectRect(&area, &(*port->visRgn)->rgnBBox, &area);
    if (area.right > area.left && area.bottom > area.top) {
        POINT corners[2] = {{area.left - port->portRect.left, area.top - port->portRect.top},
                            {area.right - port->portRect.left, area.bottom - port->portRect.top}};
        MapWindowPoints(GetParent(box), box, corners, 2);
        RECT inBox{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
        InvalidateRect(box, &inBox, TRUE);
        UpdateWindow(box);
    }
    if (!Rec(lHandle)->lActive)
        WashInactiveDialogList(lHandle, box);
    if (saved)
        SetPor(saved);
}

ZEL_EXTERN_C void ZEL_CALL LActivate(Boolean act, ListHandle lHandle)
{
    HWND box = ListBoxOf(lHandle);
    if (!box)
        return;
    Rec(lHandle)->lActive = act ? 1 : 0;
    const bool disabled = (GetWindowLongA(box, GWL_STYLE) & WS_DISABLED) != 0;
    if (disabled == static_cast<bool>(act))
        EnableWindow(box, act ? TRUE : FALSE);
    const bool rowPerItem = IsRowPerItem(lHandle);
    const bool multiple = BoxIsMultiple(box);
    const int32_t last = Rec(lHandle)->maxIndex;
    if (!act) {
        // The box loses its own selection; the cells keep their bits.
        if (multiple) {
            int32_t first = -1, final = -1;
            for (int32_t i = 0; i <= last; ++i) {
                if (SelectedAt(lHandle, i)) {
                    const int32_t item = ItemOfCell(lHandle, i, IndexCell(lHandle, i));
                    if (first < 0 || item < first)
                        first = item;
                    if (item > final)
                        final = item;
                }
            }
            if (first >= 0)
                SendMessageA(box, LB_SELITEMRANGE, FALSE, MAKELPARAM(first, final));
        } else {
            SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        }
        if (rowPerItem) {
            for (int32_t i = 0; i <= last; ++i) {
                if (!SelectedAt(lHandle, i) || !CellVisible(lHandle, IndexCell(lHandle, i)))
                    continue;
                Rect r = CellRectInView(lHandle, IndexCell(lHandle, i));
                CallListDef(lHandle, lHiliteMsg, false, &r, IndexCell(lHandle, i), OffsetOf(lHandle, i),
                            LengthAt(lHandle, i));
            }
        }
    } else {
        bool first = true;
        for (int32_t i = 0; i <= last; ++i) {
            if (!SelectedAt(lHandle, i))
                continue;
            const Cell cell = IndexCell(lHandle, i);
            const WPARAM item = static_cast<WPARAM>(ItemOfCell(lHandle, i, cell));
            if (rowPerItem && CellVisible(lHandle, cell)) {
                Rect r = CellRectInView(lHandle, cell);
                CallListDef(lHandle, lHiliteMsg, true, &r, cell, OffsetOf(lHandle, i), LengthAt(lHandle, i));
            }
            if (multiple)
                SendMessageA(box, LB_SELITEMRANGE, TRUE, MAKELPARAM(item, item));
            else if (first)
                SendMessageA(box, LB_SETCURSEL, item, 0);
            first = false;
        }
    }
    if (!DrawingOff(lHandle)) {
        if (UsesPlainListDef(lHandle))
            InvalidateRect(box, nullptr, TRUE);
        UpdateWindow(box);
    }
}

ZEL_EXTERN_C void ZEL_CALL LSetDrawingMode(Boolean drawIt, ListHandle lHandle)
{
    HWND box = ListBoxOf(lHandle);
    if (!box)
        return;
    const int slot = ListSlotOf(lHandle);
    SendMessageA(box, WM_SETREDRAW, drawIt ? TRUE : FALSE, 0);
    if (drawIt) {
        SetListSlotFlags(slot, listSlotDrawingOff, false);
        InvalidateRect(box, nullptr, TRUE);
    } else {
        SetListSlotFlags(slot, listSlotDrawingOff, true);
        ValidateRect(box, nullptr);
    }
}

// ---- The built-in definition of row-per-item lists ----

// A cell's text in the system colours: the cell (one pixel taller) in the highlight or window colour,
// up to 255 bytes of its data drawn from 3 pixels in, on a baseline 12 pixels down.
void DrawTextListCell(bool selected, const Rect *cellRect, Cell cell, ListHandle list)
{
    const int32_t index = CellIndex(list, cell);
    if (!cellRect || index < 0)
        return;
    const SystemColorSet colors = MenuSystemColors();
    auto rgb = [](COLORREF c) {
        return RGBColor{static_cast<uint16_t>(GetRValue(c) << 8), static_cast<uint16_t>(GetGValue(c) << 8),
                        static_cast<uint16_t>(GetBValue(c) << 8)};
    };
    const RGBColor back = rgb(selected ? colors.highlight : colors.window);
    const RGBColor fore = rgb(selected ? colors.highlightText : colors.windowText);
    RGBColor savedFore, savedBack;
    GetForeColor(&savedFore);
    GetBackColor(&savedBack);
    RGBBackColor(&back);
    Rect r = *cellRect;
    ++r.bottom;
    EraseRect(&r);
    RGBForeColor(&fore);
    Str255 text;
    const int16_t length = LengthAt(list, index);
    text[0] = static_cast<uint8_t>(length > 255 ? 255 : length);
    std::memcpy(text + 1, *Rec(list)->cells + OffsetOf(list, index), text[0]);
    MoveT(static_cast<int16_t>(cellRect->left + 3), static_cast<int16_t>(cellRect->top + 12));
    DrawString(text);
    RGBForeColor(&savedFore);
    RGBBackColor(&savedBack);
}

void ZEL_CALL TextListDef(int16_t message, Boolean selected, Rect *cellRect, Cell cell, int16_t, int16_t,
                          ListHandle list)
{
    if (message == lDrawMsg || message == lHiliteMsg)
        DrawTextListCell(selected != 0, cellRect, cell, list);
}

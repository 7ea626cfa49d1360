// The List Manager's private declarations: the slot table, the two list modes and what the record,
// cell, click and drawing files share.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Lists.h"
#include "dialogs_services.h"

// ---- The slot table (list_slots.cpp) ----
constexpr int kListSlotCount = 255;
// Slot flags.
enum : uint16_t {
    listSlotDrawingOff = 0x01,   // LSetDrawingMode (false)
    listSlotItemOutline = 0x02,  // the tear-off outline is one item, not the whole list
    listSlotColumns = 0x04,      // the list box has several columns or a horizontal scroll bar
    listSlotSwallowKeys = 0x08,  // configuration 0x0200
    listSlotSwallowClicks = 0x10, // configuration 0x0100
    listSlotClickEvents = 0x20,  // configuration 0x1000
};
// Control IDs of the list boxes: one item per cell, one owner-drawn item per row.
constexpr int kCellListID = 0xFF00;
constexpr int kRowListID = 0xFE00;

// The first free slot (whose list box is 0), -1 when none.
int FindFreeListSlot();
// A slot takes a list and its list box, with flags and tear-off state cleared.
void FillListSlot(int slot, ListHandle list, HWND listBox);
void FreeListSlot(int slot);
// Lookups answer -1 (index) or 0 (list, list box, flags) when nothing matches or the index is above 254.
int FindListSlotByList(ListHandle list);
int FindListSlotByBox(HWND listBox);
ListHandle ListSlotList(int slot);
HWND ListSlotBox(int slot);
// What the slot's list box was made as: one owner-drawn item per row (kRowListID), owner-drawn items,
// and whether it belongs to the calling thread.
bool ListSlotRowPerItem(int slot);
bool ListSlotOwnerDrawn(int slot);
bool ListSlotOnThisThread(int slot);
uint16_t ListSlotFlags(int slot);
void SetListSlotFlags(int slot, uint16_t bits, bool on);
Point ListSlotTearOffSize(int slot);
void SetListSlotTearOffSize(int slot, Point size);
ProcPtr ListSlotTearOffHook(int slot);
void SetListSlotTearOffHook(int slot, ProcPtr hook);
// The list box of the list of `port` whose rView is `view`; 0 when none.
HWND FindListBoxByView(GrafPtr port, const Rect &view);

// ---- Records (list_records.cpp) ----
// The slot a live list keeps in lReserved (an unsigned byte), checked against the table; -1 when none.
int ListSlotOf(ListHandle list);
// The list box of a live list; 0 when none.
HWND ListBoxOf(ListHandle list);
// Whether the list puts one owner-drawn item per row (its list box carries kRowListID + slot).
bool IsRowPerItem(ListHandle list);
int16_t ListRows(ListHandle list);
int16_t ListColumns(ListHandle list);
// `visible` from its top-left cell and the view and cell sizes (halves away from zero).
void ComputeVisible(ListHandle list, Point topLeft);
// Reads the list box's top item into `visible`.
void UpdateVisibleFromBox(ListHandle list);
// The list definition procedure called with the list's port current (restored after).
void CallListDef(ListHandle list, int16_t message, bool selected, Rect *rect, Cell cell, int16_t offset,
                 int16_t length);
// The two built-in definition procedures: the list box draws plain lists' strings itself; TextListDef
// draws the cells of row-per-item lists.
void ZEL_CALL PlainListDef(int16_t, Boolean, Rect *, Cell, int16_t, int16_t, ListHandle);
void ZEL_CALL TextListDef(int16_t message, Boolean selected, Rect *cellRect, Cell cell, int16_t offset,
                          int16_t length, ListHandle list);
bool UsesPlainListDef(ListHandle list);
// List-box messages of the library's own (LB_ messages its window procedure passes on unchanged) may
// skip the message machinery: true when the list box runs on this thread under the library's own
// procedure, with none installed over it.
bool DirectToListBox(int slot);
// Such a message: handed straight to the list box's procedure when `direct`, else sent.
LRESULT ListBoxMessage(HWND box, bool direct, UINT message, WPARAM wParam, LPARAM lParam);
// For the user-item drawing of owner-drawn list boxes: cell width and height, visible.left, rows and
// columns of the slot's list; answers 1, or for row-per-item lists the number of visible columns (the
// width is then multiplied by it when `widthTimesColumns`). A one-row list with a horizontal scroll bar
// reports its height plus the system scroll-bar height less 2 when `heightWithBar`.
int GetListGeometry(int slot, int16_t *width, int16_t *height, int16_t *left, int16_t *rows, int16_t *columns,
                    bool widthTimesColumns, bool heightWithBar);

// ---- Cells, selection and drawing (list_cells.cpp) ----
// A cell's index (column by column from dataBounds' top-left); -1 outside dataBounds.
int32_t CellIndex(ListHandle list, Cell cell);
Cell IndexCell(ListHandle list, int32_t index);
// Sets or clears a cell's selected bit; with `draw`, a visible cell is highlighted by the definition.
void SetCellSelected(ListHandle list, int32_t index, bool select, bool draw);
// A list box's selection: a handle of the selected items (32 bits each), 0 when none; a single-selection
// box keeps its current item.
Handle SaveListBoxSelection(HWND box, bool single, int32_t *count);
// A visible cell's rectangle in the window, from rView and cellSize.
Rect CellRectInView(ListHandle list, Cell cell);
bool CellVisible(ListHandle list, Cell cell);
// The union of the selected visible cells' rectangles, else the caret item's; false when neither.
bool GetListSelectionRect(int slot, Rect *rect);
// The cell shift-extended selection runs from in a row-per-item list; (-1, -1) for none, and for a list
// other than the one that set it last.
Cell &ListExtensionAnchor(ListHandle list);
// The List Manager's double-click indicator: the command glue's list click sets it, LClick reads it.
bool &ListDoubleClickFlag();
void DrawTextListCell(bool selected, const Rect *cellRect, Cell cell, ListHandle list);

// ---- Clicks, scrolling and dragging (list_clicks.cpp) ----
// A press in a tear-off list (selFlags 0x01): selects the item under the mouse, drags its outline (or a
// drag hook runs) and posts a click to the list's window; false when no drag starts.
bool BeginListDrag(int slot);
// Mouse messages of a row-per-item list box (client coordinates): cells selected by the mouse, a click
// posted to the parent on release; true when taken.
bool TrackRowListMouse(int slot, HWND box, UINT message, WPARAM keys, LPARAM position);
// Scroll messages of a library list box; true when taken (row-per-item lists' columns).
bool ListScrollMessage(int slot, HWND box, UINT message, WPARAM wParam);
// Scrolls a row-per-item list box's columns by whole cells.
void ScrollRowListColumns(ListHandle list, int16_t columns);
// `visible` again from the list box when a scroll ends.
void SyncListAfterScroll(ListHandle list);
// While a tear-off hook runs and the pressed cell is not selected, that cell alone stands for the list's
// selection: true with the cell.
bool DraggedCellAnswers(ListHandle list, Cell *cell);
// The window of the list whose tear-off drag is running; none outside a drag.
WindowPtr ListTearOffWindow();

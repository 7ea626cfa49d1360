// List clicks, scrolling and tear-off dragging.
#include "list_manager.h"

namespace {

// The tear-off drag under way: set while a drag hook runs, with the cell it drags.
struct ListDragState {
    bool hookRunning;
    ListHandle list;
    Cell draggedCell;
};
ListDragState sDrag;

} // namespace

bool DraggedCellAnswers(ListHandle list, Cell *cell)
{
    if (!sDrag.hookRunning || sDrag.list != list)
        return false;
    const int32_t index = CellIndex(list, sDrag.draggedCell);
    if (index < 0 || ((*list)->cellArray[index] & 0x8000))
        return false;
    if (cell)
        *cell = sDrag.draggedCell;
    return true;
}

/* List Manager. Every list is mirrored by a Windows list box, a child of the list's window: lists of one
   column, one row, or asked to use the list box's own columns put one item per cell; other lists of
   several columns put one owner-drawn item per row and draw its cells through the list definition
   procedure. */
#ifndef TOLVADEX_LISTS_H
#define TOLVADEX_LISTS_H
#define __LISTS__

#include <windef.h>
#include "MacTypes.h"
#include "Quickdraw.h"
#include "Events.h"
#include "MacWindows.h"
#include "Controls.h"

#pragma pack(push, 2)

/* A cell: v its row, h its column. */
typedef Point Cell;
typedef char **DataHandle;

/* The published record, in a handle of 88 bytes plus 2 per cell. Cells are numbered column by column:
   index = rows * h + v. cellArray holds, per cell, the offset of its data in `cells` (bits 0..14; each
   cell's data follow a 16-bit length) with bit 15 set while the cell is selected. lReserved holds the
   number of the list's slot (0..254), to be read as an unsigned byte. listDefProc holds the address of
   the list definition procedure. selFlags bit 0x01 makes the list a tear-off drag source. */
typedef struct ListRec {
    Rect rView;
    GrafPtr port;
    Point indent;
    Point cellSize;
    Rect visible;
    ControlHandle vScroll;
    ControlHandle hScroll;
    int8_t selFlags;
    Boolean lActive;
    int8_t lReserved;
    int8_t listFlags;
    int32_t clikTime;
    Point clikLoc;
    Point mouseLoc;
    ProcPtr lClikLoop;
    Cell lastClick;
    int32_t refCon;
    Handle listDefProc;
    Handle userHandle;
    Rect dataBounds;
    DataHandle cells;
    int16_t maxIndex;
    int16_t cellArray[1];
} ListRec;
typedef ListRec *ListPtr;
typedef ListPtr *ListHandle;
typedef ListHandle ListRef;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(ListRec) == 88, "ListRec is 88 bytes");
ZEL_STATIC_ASSERT(offsetof(ListRec, port) == 8, "port at 8");
ZEL_STATIC_ASSERT(offsetof(ListRec, cellSize) == 16, "cellSize at 16");
ZEL_STATIC_ASSERT(offsetof(ListRec, visible) == 20, "visible at 20");
ZEL_STATIC_ASSERT(offsetof(ListRec, vScroll) == 28, "vScroll at 28");
ZEL_STATIC_ASSERT(offsetof(ListRec, selFlags) == 36, "selFlags at 36");
ZEL_STATIC_ASSERT(offsetof(ListRec, lReserved) == 38, "lReserved at 38");
ZEL_STATIC_ASSERT(offsetof(ListRec, clikTime) == 40, "clikTime at 40");
ZEL_STATIC_ASSERT(offsetof(ListRec, lClikLoop) == 52, "lClikLoop at 52");
ZEL_STATIC_ASSERT(offsetof(ListRec, lastClick) == 56, "lastClick at 56");
ZEL_STATIC_ASSERT(offsetof(ListRec, refCon) == 60, "refCon at 60");
ZEL_STATIC_ASSERT(offsetof(ListRec, listDefProc) == 64, "listDefProc at 64");
ZEL_STATIC_ASSERT(offsetof(ListRec, dataBounds) == 72, "dataBounds at 72");
ZEL_STATIC_ASSERT(offsetof(ListRec, cells) == 80, "cells at 80");
ZEL_STATIC_ASSERT(offsetof(ListRec, maxIndex) == 84, "maxIndex at 84");
ZEL_STATIC_ASSERT(offsetof(ListRec, cellArray) == 86, "cellArray at 86");

/* A list definition procedure: message, selected, the cell's rectangle, the cell, its data's offset in
   `cells` and length, the list. */
typedef void(ZEL_CALL *ListDefProcPtr)(int16_t lMessage, Boolean lSelect, Rect *lRect, Cell lCell,
                                        int16_t lDataOffset, int16_t lDataLen, ListHandle lHandle);
typedef ListDefProcPtr ListDefUPP;
#define NewListDefUPP(userRoutine) ((ListDefUPP)(userRoutine))
#define DisposeListDefUPP(userRoutine) ((void)(userRoutine))
#define NewListDefProc(userRoutine) ((ListDefUPP)(userRoutine))

/* A search procedure: the cell's data, the searched data and their lengths; 0 for a match. */
typedef int16_t(ZEL_CALL *ListSearchProcPtr)(const void *aPtr, const void *bPtr, int16_t aLen, int16_t bLen);
typedef ListSearchProcPtr ListSearchUPP;
#define NewListSearchUPP(userRoutine) ((ListSearchUPP)(userRoutine))
#define DisposeListSearchUPP(userRoutine) ((void)(userRoutine))
#define NewListSearchProc(userRoutine) ((ListSearchUPP)(userRoutine))

/* A tear-off drag hook: the mouse, the pressed cell, the outline (global), the item's width and height;
   non-zero when a drop happened. */
typedef int32_t(ZEL_CALL *ListTearOffHookProcPtr)(Point mouse, Cell cell, Rect *outline, int16_t itemWidth,
                                                   int16_t itemHeight);

/* List definition messages. */
enum { lInitMsg = 0, lDrawMsg = 1, lHiliteMsg = 2, lCloseMsg = 3 };
/* selFlags. */
enum {
    lOnlyOne = -128,
    lExtendDrag = 64,
    lNoDisjoint = 32,
    lNoExtend = 16,
    lNoRect = 8,
    lUseSense = 4,
    lNoNilHilite = 2
};
/* listFlags. */
enum { lDoVAutoscroll = 2, lDoHAutoscroll = 1 };

/* Records and their list boxes. */
ZEL_API ListHandle ZEL_CALL LNew(const Rect *rView, const Rect *dataBounds, Point cSize, int16_t theProc,
                                 WindowPtr theWindow, Boolean drawIt, Boolean hasGrow, Boolean scrollHoriz,
                                 Boolean scrollVert);
ZEL_API void ZEL_CALL LDispose(ListHandle lHandle);
ZEL_API void ZEL_CALL LSize(int16_t listWidth, int16_t listHeight, ListHandle lHandle);
ZEL_API void ZEL_CALL LCellSize(Point cSize, ListHandle lHandle);

/* Cell data. Cells outside dataBounds hold nothing and answer length 0. */
ZEL_API void ZEL_CALL LSetCell(const void *dataPtr, int16_t dataLen, Cell theCell, ListHandle lHandle);
ZEL_API void ZEL_CALL LGetCell(void *dataPtr, int16_t *dataLen, Cell theCell, ListHandle lHandle);
ZEL_API void ZEL_CALL LAddToCell(const void *dataPtr, int16_t dataLen, Cell theCell, ListHandle lHandle);
ZEL_API void ZEL_CALL LClrCell(Cell theCell, ListHandle lHandle);
ZEL_API void ZEL_CALL LGetCellDataLocation(int16_t *offset, int16_t *len, Cell theCell, ListHandle lHandle);

/* Rows and columns: LAddRow and LAddColumn answer where the new ones start (-1 when the cells cannot
   grow); a count of 0 deletes every row or column. */
ZEL_API int16_t ZEL_CALL LAddRow(int16_t count, int16_t rowNum, ListHandle lHandle);
ZEL_API int16_t ZEL_CALL LAddColumn(int16_t count, int16_t colNum, ListHandle lHandle);
ZEL_API void ZEL_CALL LDelRow(int16_t count, int16_t rowNum, ListHandle lHandle);
ZEL_API void ZEL_CALL LDelColumn(int16_t count, int16_t colNum, ListHandle lHandle);

/* Selection, walking and searching. A nil searchProc compares with IUMagIDString. */
ZEL_API void ZEL_CALL LSetSelect(Boolean setIt, Cell theCell, ListHandle lHandle);
ZEL_API Boolean ZEL_CALL LGetSelect(Boolean next, Cell *theCell, ListHandle lHandle);
ZEL_API Boolean ZEL_CALL LNextCell(Boolean hNext, Boolean vNext, Cell *theCell, ListHandle lHandle);
ZEL_API Boolean ZEL_CALL LSearch(const void *dataPtr, int16_t dataLen, ListSearchUPP searchProc, Cell *theCell,
                                 ListHandle lHandle);

/* Drawing. LRect answers (0, 0, 0, 0) for a cell out of view. */
ZEL_API void ZEL_CALL LDraw(Cell theCell, ListHandle lHandle);
ZEL_API void ZEL_CALL LUpdate(RgnHandle theRgn, ListHandle lHandle);
ZEL_API void ZEL_CALL LActivate(Boolean act, ListHandle lHandle);
ZEL_API void ZEL_CALL LSetDrawingMode(Boolean drawIt, ListHandle lHandle);
ZEL_API void ZEL_CALL LRect(Rect *cellRect, Cell theCell, ListHandle lHandle);

/* Clicks and scrolling. LClick answers true for a double click; LLastClick's cell and LongLastClick's
   value (v in the low half, h in the high half) are the first cell selected after the last click. */
ZEL_API Boolean ZEL_CALL LClick(Point pt, int16_t modifiers, ListHandle lHandle);
ZEL_API Cell ZEL_CALL LLastClick(ListHandle lHandle);
ZEL_API int32_t ZEL_CALL LongLastClick(ListHandle lHandle);
ZEL_API void ZEL_CALL LScroll(int16_t dCols, int16_t dRows, ListHandle lHandle);
ZEL_API void ZEL_CALL LAutoScroll(ListHandle lHandle);

/* Tear-off lists. ZEL_LTearOff op 1 makes the list a drag source (bit 0x4000: the cursor shows the drag,
   else an outline of `point`'s size, or the first item's, follows the mouse; a negative op drags one
   item's outline and scrolls the list near its edges); op 2 answers whether the last drag ended outside
   the list and gives (and forgets) its drop point, global, when `point` is given. A hook replaces the
   library's drag; 0 removes it. */
ZEL_API int32_t ZEL_CALL ZEL_LTearOff(ListHandle lHandle, int16_t op, Point *point);
ZEL_API void ZEL_CALL ZEL_LSetTearOffDragHook(ListHandle lHandle, ListTearOffHookProcPtr hook);

/* Host glue. ZEL_LSetSelFlags sets the configuration word the next LNew takes (and clears): its low byte
   becomes selFlags (0x80 also keeps the list box to single selection); 0x0400 the list box's own columns,
   one item per cell; 0x0800 multi-column style; 0x0100 list clicks swallowed, 0x0200 typed keys
   swallowed, 0x1000 clicks handed to the window as events. ZEL_ListShowHide and ZEL_ListUpdateVisible
   take the record itself (*lHandle). */
ZEL_API int32_t ZEL_CALL ZEL_LSetSelFlags(int32_t flags);
ZEL_API HWND ZEL_CALL ZEL_GetHWNDFromListHandle(ListHandle lHandle);
ZEL_API void ZEL_CALL ZEL_ListShowHide(ListPtr listRecord, Boolean show);
ZEL_API void ZEL_CALL ZEL_ListUpdateVisible(ListPtr listRecord);


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define LDoDraw LSetDrawingMode
#endif


/* Accessors of the later interfaces for the list record. */
#ifndef TOLVADEX_BUILDING
ZEL_INLINE Rect *GetListViewBounds(ListRef list, Rect *view) { *view = (**list).rView; return view; }
ZEL_INLINE Rect *GetListDataBounds(ListRef list, Rect *bounds) { *bounds = (**list).dataBounds; return bounds; }
ZEL_INLINE Rect *GetListVisibleCells(ListRef list, Rect *visible) { *visible = (**list).visible; return visible; }
ZEL_INLINE CGrafPtr GetListPort(ListRef list) { return (CGrafPtr)(**list).port; }
ZEL_INLINE Point *GetListCellSize(ListRef list, Point *size) { *size = (**list).cellSize; return size; }
ZEL_INLINE ControlRef GetListVerticalScrollBar(ListRef list) { return (**list).vScroll; }
ZEL_INLINE ControlRef GetListHorizontalScrollBar(ListRef list) { return (**list).hScroll; }
ZEL_INLINE int32_t GetListRefCon(ListRef list) { return (**list).refCon; }
ZEL_INLINE void SetListRefCon(ListRef list, int32_t refCon) { (**list).refCon = refCon; }
ZEL_INLINE Handle GetListUserHandle(ListRef list) { return (**list).userHandle; }
#endif

#endif

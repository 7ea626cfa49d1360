/* Drag Manager: drags between and within the application's own windows. A drag collects items, each
   with flavors of data (given at once or promised and fetched through the sender's send proc); TrackDrag
   follows the mouse while the button is held, draws an XOR outline of the dragged shape in the window
   under the mouse, tells the windows' tracking handlers where the drag goes and hands the drop to the
   receive handler of the window under the mouse at release. */
#ifndef TOLVADEX_DRAG_H
#define TOLVADEX_DRAG_H
#define __DRAG__

#include "MacTypes.h"
#include "Quickdraw.h"
#include "Events.h"
#include "AppleEvents.h"

/* A drag reference is the address of the drag's record; an item reference is the sender's number. */
typedef uint32_t DragReference;
typedef uint32_t ItemReference;
typedef OSType FlavorType;
typedef uint32_t FlavorFlags;
typedef uint32_t DragAttributes;
typedef int16_t DragTrackingMessage;

enum {
    badDragRefErr = -1850,
    badDragItemErr = -1851,
    badDragFlavorErr = -1852,
    duplicateFlavorErr = -1853,
    cantGetFlavorErr = -1854
};

/* Messages of a tracking handler. */
enum {
    kDragTrackingEnterHandler = 1,
    kDragTrackingEnterWindow = 2,
    kDragTrackingInWindow = 3,
    kDragTrackingLeaveWindow = 4,
    kDragTrackingLeaveHandler = 5
};

/* Attribute bits of a drag. */
enum {
    kDragHasLeftSenderWindow = 1,
    kDragInsideSenderApplication = 2,
    kDragInsideSenderWindow = 4
};

/* The drop location's type after a drop inside the application. */
enum { kDragDropLocationInApplication = 0x666E6B79 /* 'fnky' */ };

typedef OSErr (ZEL_CALL *DragTrackingHandlerProcPtr)(DragTrackingMessage message, WindowPtr theWindow,
                                                     void *handlerRefCon, DragReference theDrag);
typedef OSErr (ZEL_CALL *DragReceiveHandlerProcPtr)(WindowPtr theWindow, void *handlerRefCon, DragReference theDrag);
typedef OSErr (ZEL_CALL *DragSendDataProcPtr)(FlavorType theType, void *dragSendRefCon, ItemReference theItem,
                                              DragReference theDrag);

/* Handlers per window; a nil window installs the handler used by every window without one of its own. */
ZEL_API OSErr ZEL_CALL InstallTrackingHandler(DragTrackingHandlerProcPtr trackingHandler, WindowPtr theWindow,
                                              void *handlerRefCon);
ZEL_API OSErr ZEL_CALL InstallReceiveHandler(DragReceiveHandlerProcPtr receiveHandler, WindowPtr theWindow,
                                             void *handlerRefCon);
ZEL_API OSErr ZEL_CALL RemoveTrackingHandler(DragTrackingHandlerProcPtr trackingHandler, WindowPtr theWindow);
ZEL_API OSErr ZEL_CALL RemoveReceiveHandler(DragReceiveHandlerProcPtr receiveHandler, WindowPtr theWindow);

/* Drags, their items and flavors. */
ZEL_API OSErr ZEL_CALL NewDrag(DragReference *theDrag);
ZEL_API OSErr ZEL_CALL DisposeDrag(DragReference theDrag);
ZEL_API OSErr ZEL_CALL SetDragSendProc(DragReference theDrag, DragSendDataProcPtr sendProc, void *dragSendRefCon);
ZEL_API OSErr ZEL_CALL AddDragItemFlavor(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                         const void *dataPtr, Size dataSize, FlavorFlags theFlags);
ZEL_API OSErr ZEL_CALL SetDragItemFlavorData(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                             const void *dataPtr, Size dataSize, uint32_t dataOffset);
ZEL_API OSErr ZEL_CALL CountDragItems(DragReference theDrag, uint16_t *numItems);
ZEL_API OSErr ZEL_CALL CountDragItemFlavors(DragReference theDrag, ItemReference theItemRef, uint16_t *numFlavors);
ZEL_API OSErr ZEL_CALL GetDragItemReferenceNumber(DragReference theDrag, uint16_t index, ItemReference *theItemRef);
ZEL_API OSErr ZEL_CALL GetFlavorType(DragReference theDrag, ItemReference theItemRef, uint16_t index,
                                     FlavorType *theType);
ZEL_API OSErr ZEL_CALL GetFlavorFlags(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                      FlavorFlags *theFlags);
ZEL_API OSErr ZEL_CALL GetFlavorDataSize(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                         Size *dataSize);
ZEL_API OSErr ZEL_CALL GetFlavorData(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                     void *dataPtr, Size *dataSize, uint32_t dataOffset);
ZEL_API OSErr ZEL_CALL GetDragItemBounds(DragReference theDrag, ItemReference theItemRef, Rect *itemBounds);
ZEL_API OSErr ZEL_CALL SetDragItemBounds(DragReference theDrag, ItemReference theItemRef, const Rect *itemBounds);

/* The drag's state. */
ZEL_API OSErr ZEL_CALL GetDragAttributes(DragReference theDrag, DragAttributes *flags);
ZEL_API OSErr ZEL_CALL GetDragMouse(DragReference theDrag, Point *mouse, Point *pinnedMouse);
ZEL_API OSErr ZEL_CALL SetDragMouse(DragReference theDrag, Point pinnedMouse);
ZEL_API OSErr ZEL_CALL GetDragOrigin(DragReference theDrag, Point *initialMouse);
ZEL_API OSErr ZEL_CALL GetDragModifiers(DragReference theDrag, uint16_t *modifiers, uint16_t *mouseDownModifiers,
                                        uint16_t *mouseUpModifiers);
ZEL_API OSErr ZEL_CALL GetDropLocation(DragReference theDrag, AEDesc *dropLocation);
ZEL_API OSErr ZEL_CALL SetDropLocation(DragReference theDrag, const AEDesc *dropLocation);

/* Drag feedback: the hilite band of a receiving window and scrolling while the outline shows. */
ZEL_API OSErr ZEL_CALL ShowDragHilite(DragReference theDrag, RgnHandle hiliteFrame, Boolean inside);
ZEL_API OSErr ZEL_CALL HideDragHilite(DragReference theDrag);
ZEL_API OSErr ZEL_CALL UpdateDragHilite(DragReference theDrag, RgnHandle updateRgn);
ZEL_API OSErr ZEL_CALL DragPreScroll(DragReference theDrag, int16_t dH, int16_t dV);
ZEL_API OSErr ZEL_CALL DragPostScroll(DragReference theDrag);

/* Tracking. dragRegion is global and stays the caller's: the drag keeps a copy. */
ZEL_API OSErr ZEL_CALL TrackDrag(DragReference theDrag, const EventRecord *theEvent, RgnHandle dragRegion);
/* Whether the mouse moves 6 pixels or more from where it is before the button comes up. */
ZEL_API Boolean ZEL_CALL WaitMouseMoved(Point initialMouse);

/* Zoom effects and the TextEdit hilite region are not provided: each answers -1. */
ZEL_API OSErr ZEL_CALL ZoomRects(const Rect *fromRect, const Rect *toRect, int16_t zoomSteps, int16_t acceleration);
ZEL_API OSErr ZEL_CALL ZoomRegion(RgnHandle region, Point zoomDistance, int16_t zoomSteps, int16_t acceleration);
ZEL_API OSErr ZEL_CALL TEGetHiliteRgn(RgnHandle region, Handle hTE);


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposDrag DisposeDrag
#endif

#endif

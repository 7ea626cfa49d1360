// The Drag Manager's calls: handlers, drags with their items and flavors (promised data fetched through
// the send proc), the hilite band, scrolling during a drag, and TrackDrag's loop over the application's
// own windows. The drag never leaves the application; no Windows drag-and-drop is involved.
#include "drag_objects.h"
#include "windows_services.h"
#include "../core/core_services.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>

using namespace drag;

namespace {

// Tracking state, alive only while TrackDrag runs: the port current at the last step with its portRect
// top-left, and the window under the mouse.
bool sTracking;
GrafPtr sTrackingPort;
Point sTrackingOrigin;
WindowPtr sTrackingWindow;
// The band DragPreScroll took down, for DragPostScroll to put back.
RgnHandle sScrollBand;
GrafPtr sScrollBandPort;

void RecordTrackingPort()
{
    GetPort(&sTrackingPort);
    if (sTrackingPort)
        sTrackingOrigin = Point{sTrackingPort->portRect.top, sTrackingPort->portRect.left};
}

void Tell(HandlerEntry *entry, DragTrackingMessage message, WindowPtr window, DragReference ref)
{
    entry->trackingHandler(message, window, entry->trackingRefCon, ref);
}

// DragPreScroll and DragPostScroll draw in the tracking port. When it is the caller's port, the caller
// may have moved its origin to scroll: the origin of the last tracking step is put back meanwhile, with
// the pen and clip kept as they were.
class TrackingPortBracket {
public:
    TrackingPortBracket()
    {
        GetPort(&saved_);
        same_ = saved_ == sTrackingPort;
        SetPor(sTrackingPort);
        if (!same_)
            return;
        GetPenState(&pen_);
        origin_ = Point{sTrackingPort->portRect.top, sTrackingPort->portRect.left};
        SetOrigin(sTrackingOrigin.h, sTrackingOrigin.v);
        clip_ = NewRgn();
        if (clip_)
            GetClip(clip_);
    }
    ~TrackingPortBracket()
    {
        SetPor(saved_);
        if (!same_)
            return;
        SetOrigin(origin_.h, origin_.v);
        SetPenState(&pen_);
        if (clip_) {
            SetClip(clip_);
            DisposeRgn(clip_);
        }
    }

private:
    GrafPtr saved_;
    bool same_;
    PenState pen_;
    Point origin_;
    RgnHandle clip_ = nullptr;
};

// Inverts a band in its port, leaving the caller's port current.
void InvertBandIn(GrafPtr port, RgnHandle band)
{
    GrafPtr saved;
    GetPort(&saved);
    if (port)
        SetPor(port);
    InvertRg(band);
    SetPor(saved);
}

// Takes the shown band off the screen and hands it over (nil when none shows).
RgnHandle TakeShownBand(DragRecord *drag)
{
    GrafPtr saved;
    GetPort(&saved);
    RgnHandle band = TakeHiliteRegion(drag);
    if (band)
        InvertRg(band);
    SetPor(saved);
    return band;
}

// Looks up an item (and its flavor), answering the Drag Manager's error for what is missing.
OSErr FindItem(DragReference ref, ItemReference itemRef, ItemRecord **item)
{
    DragRecord *drag = RecordOf(ref);
    if (!drag)
        return badDragRefErr;
    *item = ItemByReference(drag, itemRef);
    return *item ? OSErr{noErr} : OSErr{badDragItemErr};
}

OSErr FindFlavor(DragReference ref, ItemReference itemRef, FlavorType type, FlavorRecord **flavor)
{
    ItemRecord *item;
    if (OSErr err = FindItem(ref, itemRef, &item))
        return err;
    *flavor = FlavorByType(item, type);
    return *flavor ? OSErr{noErr} : OSErr{badDragFlavorErr};
}

// A promised flavor's data come from the sender's send proc, asked once when they are first wanted.
OSErr FlavorWithData(DragReference ref, ItemReference itemRef, FlavorType type, FlavorRecord **flavor)
{
    if (OSErr err = FindFlavor(ref, itemRef, type, flavor))
        return err;
    if ((*flavor)->data)
        return noErr;
    DragRecord *drag = RecordOf(ref);
    if (!drag->sendProc)
        return cantGetFlavorErr;
    drag->sendProc(type, drag->sendRefCon, itemRef, ref);
    // The send proc may have changed the item's flavors: look again.
    if (OSErr err = FindFlavor(ref, itemRef, type, flavor))
        return err;
    return (*flavor)->data ? OSErr{noErr} : OSErr{cantGetFlavorErr};
}

} // namespace

// ---- Handlers ----

ZEL_EXTERN_C OSErr ZEL_CALL InstallTrackingHandler(DragTrackingHandlerProcPtr trackingHandler, WindowPtr theWindow,
                                                   void *handlerRefCon)
{
    SetTrackingHandler(theWindow, trackingHandler, handlerRefCon);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL InstallReceiveHandler(DragReceiveHandlerProcPtr receiveHandler, WindowPtr theWindow,
                                                  void *handlerRefCon)
{
    SetReceiveHandler(theWindow, receiveHandler, handlerRefCon);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL RemoveTrackingHandler(DragTrackingHandlerProcPtr trackingHandler, WindowPtr theWindow)
{
    ClearTrackingHandler(theWindow, trackingHandler);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL RemoveReceiveHandler(DragReceiveHandlerProcPtr receiveHandler, WindowPtr theWindow)
{
    ClearReceiveHandler(theWindow, receiveHandler);
    return noErr;
}

// ---- Drags, items and flavors ----

ZEL_EXTERN_C OSErr ZEL_CALL NewDrag(DragReference *theDrag)
{
    if (!theDrag)
        return paramErr;
    *theDrag = reinterpret_cast<DragReference>(NewDragRecord());
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL DisposeDrag(DragReference theDrag)
{
    if (DragRecord *drag = RecordOf(theDrag))
        DisposeDragRecord(drag);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SetDragSendProc(DragReference theDrag, DragSendDataProcPtr sendProc, void *dragSendRefCon)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    drag->sendProc = sendProc;
    drag->sendRefCon = dragSendRefCon;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL AddDragItemFlavor(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                              const void *dataPtr, Size dataSize, FlavorFlags theFlags)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    ItemRecord *item = ItemByReference(drag, theItemRef);
    if (!item && !(item = AddItem(drag, theItemRef)))
        return memFullErr;
    return AddFlavor(item, theType, dataPtr, dataSize, theFlags);
}

ZEL_EXTERN_C OSErr ZEL_CALL SetDragItemFlavorData(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                                  const void *dataPtr, Size dataSize, uint32_t dataOffset)
{
    FlavorRecord *flavor;
    if (OSErr err = FindFlavor(theDrag, theItemRef, theType, &flavor))
        return err;
    return SetFlavorData(flavor, dataPtr, dataSize, dataOffset);
}

ZEL_EXTERN_C OSErr ZEL_CALL CountDragItems(DragReference theDrag, uint16_t *numItems)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    if (!numItems)
        return paramErr;
    *numItems = static_cast<uint16_t>(drag->itemCount);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL CountDragItemFlavors(DragReference theDrag, ItemReference theItemRef, uint16_t *numFlavors)
{
    ItemRecord *item;
    if (OSErr err = FindItem(theDrag, theItemRef, &item))
        return err;
    if (!numFlavors)
        return paramErr;
    *numFlavors = static_cast<uint16_t>(item->flavorCount);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetDragItemReferenceNumber(DragReference theDrag, uint16_t index, ItemReference *theItemRef)
{
    if (!theItemRef)
        return paramErr;
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    ItemRecord *item = ItemByIndex(drag, index);
    if (!item)
        return badDragItemErr;
    *theItemRef = item->reference;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetFlavorType(DragReference theDrag, ItemReference theItemRef, uint16_t index,
                                          FlavorType *theType)
{
    ItemRecord *item;
    if (OSErr err = FindItem(theDrag, theItemRef, &item))
        return err;
    FlavorRecord *flavor = FlavorByIndex(item, index);
    if (!flavor)
        return badDragFlavorErr;
    if (!theType)
        return paramErr;
    *theType = flavor->type;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetFlavorFlags(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                           FlavorFlags *theFlags)
{
    FlavorRecord *flavor;
    if (OSErr err = FindFlavor(theDrag, theItemRef, theType, &flavor))
        return err;
    if (!theFlags)
        return paramErr;
    *theFlags = flavor->flags;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetFlavorDataSize(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                              Size *dataSize)
{
    FlavorRecord *flavor;
    if (OSErr err = FindFlavor(theDrag, theItemRef, theType, &flavor))
        return err;
    if (!dataSize)
        return paramErr;
    if (OSErr err = FlavorWithData(theDrag, theItemRef, theType, &flavor))
        return err;
    *dataSize = static_cast<Size>(flavor->size);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetFlavorData(DragReference theDrag, ItemReference theItemRef, FlavorType theType,
                                          void *dataPtr, Size *dataSize, uint32_t dataOffset)
{
    FlavorRecord *flavor;
    if (OSErr err = FindFlavor(theDrag, theItemRef, theType, &flavor))
        return err;
    if (!dataSize || !dataPtr)
        return paramErr;
    if (OSErr err = FlavorWithData(theDrag, theItemRef, theType, &flavor))
        return err;
    if (dataOffset < flavor->size && *dataSize > 0) {
        const uint32_t n = std::min(static_cast<uint32_t>(*dataSize), flavor->size - dataOffset);
        BlockMoveData(flavor->data + dataOffset, dataPtr, static_cast<Size>(n));
        *dataSize = static_cast<Size>(n);
    } else {
        *dataSize = 0;
    }
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetDragItemBounds(DragReference theDrag, ItemReference theItemRef, Rect *itemBounds)
{
    if (!itemBounds)
        return paramErr;
    ItemRecord *item;
    if (OSErr err = FindItem(theDrag, theItemRef, &item))
        return err;
    const DragRecord *drag = RecordOf(theDrag);
    const int16_t dh = static_cast<int16_t>(drag->mouse.h - drag->origin.h);
    const int16_t dv = static_cast<int16_t>(drag->mouse.v - drag->origin.v);
    *itemBounds = Rect{static_cast<int16_t>(item->bounds.top + dv), static_cast<int16_t>(item->bounds.left + dh),
                       static_cast<int16_t>(item->bounds.bottom + dv), static_cast<int16_t>(item->bounds.right + dh)};
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SetDragItemBounds(DragReference theDrag, ItemReference theItemRef, const Rect *itemBounds)
{
    if (!itemBounds)
        return paramErr;
    ItemRecord *item;
    if (OSErr err = FindItem(theDrag, theItemRef, &item))
        return err;
    item->bounds = *itemBounds;
    return noErr;
}

// ---- The drag's state ----

ZEL_EXTERN_C OSErr ZEL_CALL GetDragAttributes(DragReference theDrag, DragAttributes *flags)
{
    if (!flags)
        return paramErr;
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    *flags = drag->attributes;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetDragMouse(DragReference theDrag, Point *mouse, Point *pinnedMouse)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    if (mouse)
        *mouse = drag->mouse;
    if (pinnedMouse)
        *pinnedMouse = drag->pinnedMouse;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SetDragMouse(DragReference theDrag, Point pinnedMouse)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    drag->pinnedMouse = pinnedMouse;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetDragOrigin(DragReference theDrag, Point *initialMouse)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    if (!initialMouse)
        return paramErr;
    *initialMouse = drag->origin;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetDragModifiers(DragReference theDrag, uint16_t *modifiers, uint16_t *mouseDownModifiers,
                                             uint16_t *mouseUpModifiers)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    const bool recorded = drag->modifierState != 0;
    if (modifiers)
        *modifiers = recorded ? CurrentModifiers() : 0;
    if (mouseDownModifiers)
        *mouseDownModifiers = recorded ? drag->mouseDownModifiers : 0;
    if (mouseUpModifiers)
        *mouseUpModifiers = drag->modifierState >= 2 ? drag->mouseUpModifiers : 0;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetDropLocation(DragReference theDrag, AEDesc *dropLocation)
{
    if (!dropLocation)
        return paramErr;
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    return AEDuplicateDesc(&drag->dropLocation, dropLocation);
}

ZEL_EXTERN_C OSErr ZEL_CALL SetDropLocation(DragReference theDrag, const AEDesc *dropLocation)
{
    if (!dropLocation)
        return paramErr;
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    AEDesc copy;
    if (OSErr err = AEDuplicateDesc(dropLocation, &copy))
        return err;
    AEDisposeDesc(&drag->dropLocation);
    drag->dropLocation = copy;
    return noErr;
}

// ---- The hilite band ----

// The band is 3 pixels wide, inside the frame or (with inside false) just outside it. A band already
// showing is taken down first, so that no stale inversion stays on the screen.
ZEL_EXTERN_C OSErr ZEL_CALL ShowDragHilite(DragReference theDrag, RgnHandle hiliteFrame, Boolean inside)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    if (!hiliteFrame)
        return paramErr;
    RgnHandle inset = NewRgn();
    RgnHandle band = inset ? NewRgn() : nullptr;
    if (!band) {
        if (inset)
            DisposeRgn(inset);
        return memFullErr;
    }
    CopyRg(hiliteFrame, inset);
    if (inside) {
        InsetRg(inset, 3, 3);
        DiffRgn(hiliteFrame, inset, band);
    } else {
        InsetRg(inset, -3, -3);
        DiffRgn(inset, hiliteFrame, band);
    }
    DisposeRgn(inset);
    if (RgnHandle old = TakeShownBand(drag))
        DisposeRgn(old);
    SetHiliteRegion(drag, band);
    InvertRg(band);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL HideDragHilite(DragReference theDrag)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    if (RgnHandle band = TakeShownBand(drag))
        DisposeRgn(band);
    return noErr;
}

// After the application redrew `updateRgn`, the part of the band inside it is inverted again.
ZEL_EXTERN_C OSErr ZEL_CALL UpdateDragHilite(DragReference theDrag, RgnHandle updateRgn)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    if (!drag->hiliteRegion || !updateRgn)
        return noErr;
    RgnHandle part = NewRgn();
    if (!part)
        return memFullErr;
    SectRgn(drag->hiliteRegion, updateRgn, part);
    InvertBandIn(drag->hilitePort, part);
    DisposeRgn(part);
    return noErr;
}

// Before the application scrolls during tracking: the band and the outline come off the screen.
ZEL_EXTERN_C OSErr ZEL_CALL DragPreScroll(DragReference theDrag, int16_t, int16_t)
{
    if (!sTracking)
        return noErr;
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    TrackingPortBracket bracket;
    GrafPtr port = drag->hilitePort;
    if (RgnHandle band = TakeShownBand(drag)) {
        if (sScrollBand)
            DisposeRgn(sScrollBand);
        sScrollBand = band;
        sScrollBandPort = port;
    }
    UpdateDragOutline(drag, nullptr);
    return noErr;
}

// After the scroll: the band taken down is shown again and the outline redrawn.
ZEL_EXTERN_C OSErr ZEL_CALL DragPostScroll(DragReference theDrag)
{
    if (!sTracking)
        return noErr;
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    TrackingPortBracket bracket;
    if (sScrollBand) {
        GrafPtr saved;
        GetPort(&saved);
        if (sScrollBandPort)
            SetPor(sScrollBandPort);
        SetHiliteRegion(drag, sScrollBand);
        InvertRg(sScrollBand);
        SetPor(saved);
        sScrollBand = nullptr;
    }
    UpdateDragOutline(drag, sTrackingWindow);
    return noErr;
}

// ---- Tracking ----

// Follows the mouse while the button is held. The source window's tracking entry hears 1 and 2 first;
// then on every step the window under the mouse is found, leaving and entering are told to the entries
// (4 leave window, 5 leave handler, 1 enter handler, 2 enter window, else 3 in window) and the outline
// moves. At release the receive handler of the window under the mouse gets the drop.
ZEL_EXTERN_C OSErr ZEL_CALL TrackDrag(DragReference theDrag, const EventRecord *theEvent, RgnHandle dragRegion)
{
    DragRecord *drag = RecordOf(theDrag);
    if (!drag)
        return badDragRefErr;
    if (!theEvent)
        return paramErr;
    WindowPtr source = nullptr;
    FindWindo(theEvent->where, &source);
    WindowPtr last = source, current = source;
    HandlerEntry *entry = source ? TrackingEntryFor(source) : nullptr;
    if (entry) {
        Tell(entry, kDragTrackingEnterHandler, source, theDrag);
        Tell(entry, kDragTrackingEnterWindow, source, theDrag);
    }
    drag->origin = drag->mouse = drag->pinnedMouse = theEvent->where;
    drag->mouseDownModifiers = CurrentModifiers();
    drag->modifierState = 1;
    // The caller disposes its region afterwards: the drag outlines its own copy.
    SetDragRegion(drag, dragRegion);
    if (drag->outlineRegion) {
        DisposeRgn(drag->outlineRegion);
        drag->outlineRegion = nullptr;
    }
    sTracking = true;
    HandlerEntry *previous = entry;
    CaptureMouseForLibrary(true);
    while (StillDown()) {
        Point mouse;
        GetMouse(&mouse);
        LocalToGlobal(&mouse);
        drag->mouse = drag->pinnedMouse = mouse;
        WindowPtr window = nullptr;
        FindWindo(mouse, &window);
        current = window;
        if (window && window == source) {
            drag->attributes |= kDragInsideSenderApplication | kDragInsideSenderWindow;
        } else {
            drag->attributes &= ~static_cast<DragAttributes>(kDragInsideSenderWindow);
            drag->attributes |= kDragHasLeftSenderWindow;
        }
        const bool windowChanged = window != last;
        if (windowChanged) {
            if (last && previous)
                Tell(previous, kDragTrackingLeaveWindow, last, theDrag);
            entry = window ? TrackingEntryFor(window) : nullptr;
            if (window)
                drag->attributes |= kDragInsideSenderApplication;
            else
                drag->attributes &= ~static_cast<DragAttributes>(kDragInsideSenderApplication);
        }
        if (entry != previous) {
            if (previous)
                Tell(previous, kDragTrackingLeaveHandler, last, theDrag);
            if (entry)
                Tell(entry, kDragTrackingEnterHandler, window, theDrag);
        }
        if (window && entry)
            Tell(entry, windowChanged ? kDragTrackingEnterWindow : kDragTrackingInWindow, window, theDrag);
        RecordTrackingPort();
        sTrackingWindow = window;
        UpdateDragOutline(drag, window);
        last = window;
        previous = entry;
    }
    CaptureMouseForLibrary(false);
    RecordTrackingPort();
    sTrackingWindow = nullptr;
    UpdateDragOutline(drag, nullptr);
    sTracking = false;
    if (sScrollBand) {
        DisposeRgn(sScrollBand);
        sScrollBand = nullptr;
    }
    drag->mouse = drag->pinnedMouse;
    drag->mouseUpModifiers = CurrentModifiers();
    drag->modifierState = 2;
    drag->dropLocation.descriptorType = kDragDropLocationInApplication;
    if (current) {
        // A window with a receive handler but no tracking handler receives the drop too.
        if (HandlerEntry *receiver = ReceiveEntryFor(current))
            receiver->receiveHandler(current, receiver->receiveRefCon, theDrag);
        if (entry) {
            Tell(entry, kDragTrackingLeaveWindow, current, theDrag);
            Tell(entry, kDragTrackingLeaveHandler, current, theDrag);
        }
    }
    return noErr;
}

// True once the mouse is 6 pixels or more from where it was when the call started (horizontally, or
// vertically while within 5 horizontally); false as soon as the button is up. The argument is not used.
ZEL_EXTERN_C Boolean ZEL_CALL WaitMouseMoved(Point)
{
    Point start;
    GetMouse(&start);
    if (!StillDown())
        return false;
    for (;;) {
        Point at;
        GetMouse(&at);
        const int dh = at.h - start.h;
        const int test = dh > -6 && dh < 6 ? at.v - start.v : dh;
        if (test < -5 || test > 5)
            return true;
        if (!StillDown())
            return false;
    }
}

ZEL_STUB(OSErr, ZoomRects, -1, (const Rect *, const Rect *, int16_t, int16_t))
ZEL_STUB(OSErr, ZoomRegion, -1, (RgnHandle, Point, int16_t, int16_t))
ZEL_STUB(OSErr, TEGetHiliteRgn, -1, (RgnHandle, Handle))

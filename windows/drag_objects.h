// The Drag Manager's objects: the per-window handler table, the drag record, its items and their
// flavors. drag_manager.cpp builds the Toolbox calls and the tracking loop on them.
#pragma once

#include <cstddef>

#include "Drag.h"
#include "MacWindows.h"

namespace drag {

#pragma pack(push, 2)
// One window's handlers (or the default handlers, used for windows without an entry of their own).
struct HandlerEntry {
    DragTrackingHandlerProcPtr trackingHandler;
    DragReceiveHandlerProcPtr receiveHandler;
    void *trackingRefCon;
    void *receiveRefCon;
};

struct FlavorRecord {
    FlavorType type;
    uint32_t size;  // the data's size, or the promised size while data is nil
    Ptr data;       // nil until given (a promised flavor gets it through the send proc)
    FlavorFlags flags;
};

struct ItemRecord {
    Rect bounds;
    int16_t flavorCount;
    int16_t slot;
    ItemReference reference;
    FlavorRecord **flavors; // capacity: the count rounded up to a multiple of 8
};

struct DragRecord {
    DragSendDataProcPtr sendProc;
    void *sendRefCon;
    Point origin;       // global mouse position where the drag started
    Point mouse;        // current global mouse position
    Point pinnedMouse;
    int16_t itemCount;
    int16_t itemCapacity;
    ItemRecord **items;
    DragAttributes attributes;
    int16_t modifierState; // 0 none recorded, 1 mouse-down modifiers, 2 mouse-up modifiers too
    uint16_t mouseDownModifiers;
    uint16_t mouseUpModifiers;
    AEDesc dropLocation;
    RgnHandle dragRegion;    // the drag's own copy of the region handed to TrackDrag
    RgnHandle hiliteRegion;  // the band last drawn by ShowDragHilite
    GrafPtr hilitePort;      // the port current when it was drawn
    RgnHandle outlineRegion; // the outline, relative to the origin
    WindowPtr outlineWindow; // where the outline shows now, nil for nowhere
    Point outlinePosition;   // the global mouse position it was drawn at
};
#pragma pack(pop)

static_assert(sizeof(HandlerEntry) == 16, "a handler entry is 16 bytes");
static_assert(sizeof(FlavorRecord) == 16, "a flavor record is 16 bytes");
static_assert(sizeof(ItemRecord) == 20, "an item record is 20 bytes");
static_assert(sizeof(DragRecord) == 70, "a drag record is 70 bytes");
static_assert(offsetof(DragRecord, itemCount) == 20, "item count after the three points");
static_assert(offsetof(DragRecord, dropLocation) == 38, "the drop location after the modifiers");
static_assert(offsetof(DragRecord, outlinePosition) == 66, "the outline position ends the record");

// ---- Handler table ----
// The window's entry (nil window: the default entry); nil when absent.
HandlerEntry *FindHandlerEntry(WindowPtr window);
void SetTrackingHandler(WindowPtr window, DragTrackingHandlerProcPtr handler, void *refCon);
void SetReceiveHandler(WindowPtr window, DragReceiveHandlerProcPtr handler, void *refCon);
void ClearTrackingHandler(WindowPtr window, DragTrackingHandlerProcPtr handler);
void ClearReceiveHandler(WindowPtr window, DragReceiveHandlerProcPtr handler);
// The window's entry, else the default one, when it has that kind of handler.
HandlerEntry *TrackingEntryFor(WindowPtr window);
HandlerEntry *ReceiveEntryFor(WindowPtr window);

// ---- Drag records ----
DragRecord *NewDragRecord();
void DisposeDragRecord(DragRecord *drag);
inline DragRecord *RecordOf(DragReference ref) { return reinterpret_cast<DragRecord *>(ref); }
ItemRecord *ItemByReference(DragRecord *drag, ItemReference ref);
ItemRecord *ItemByIndex(DragRecord *drag, uint16_t index);
// Appends a new item; nil when the array or the item cannot be made (the array is then unchanged).
ItemRecord *AddItem(DragRecord *drag, ItemReference ref);
// Replaces the drag region by a copy of `rgn` (nil: none); false when the copy cannot be made.
bool SetDragRegion(DragRecord *drag, RgnHandle rgn);
// Makes `rgn` the hilite band (disposing the previous one) and records the current port.
void SetHiliteRegion(DragRecord *drag, RgnHandle rgn);
// Makes the recorded port current again and hands the band over (nil when none).
RgnHandle TakeHiliteRegion(DragRecord *drag);
// Moves the XOR outline to `window` at the pinned mouse, or erases it for nil.
void UpdateDragOutline(DragRecord *drag, WindowPtr window);

// ---- Items and flavors ----
FlavorRecord *FlavorByType(ItemRecord *item, FlavorType type);
FlavorRecord *FlavorByIndex(ItemRecord *item, uint16_t index);
OSErr AddFlavor(ItemRecord *item, FlavorType type, const void *data, Size size, FlavorFlags flags);
OSErr SetFlavorData(FlavorRecord *flavor, const void *data, Size size, uint32_t offset);

} // namespace drag

// The Drag Manager's objects: the handler table with its default entry, drag records with their items
// and flavors, the hilite band and the XOR outline that follows the mouse while a drag is tracked.
#include "drag_objects.h"
#include "MacMemory.h"

#include <cstring>

namespace drag {

namespace {

constexpr int kGrowth = 8;

// Windows with handler entries: two parallel arrays grown 8 at a time, and the default entry beside them.
WindowPtr *sWindows;
HandlerEntry **sEntries;
int sCount;
HandlerEntry *sDefaultEntry;

HandlerEntry *NewEntry() { return reinterpret_cast<HandlerEntry *>(NewPtrClear(sizeof(HandlerEntry))); }

HandlerEntry *DefaultEntry(bool make)
{
    if (!sDefaultEntry && make)
        sDefaultEntry = NewEntry();
    return sDefaultEntry;
}

// Appends a cleared entry for the window; nil when the arrays or the entry cannot be made.
HandlerEntry *AddHandlerEntry(WindowPtr window)
{
    if (sCount % kGrowth == 0) {
        const Size slots = sCount + kGrowth;
        auto *windows = reinterpret_cast<WindowPtr *>(NewPtr(slots * sizeof(WindowPtr)));
        auto *entries = reinterpret_cast<HandlerEntry **>(NewPtr(slots * sizeof(HandlerEntry *)));
        if (!windows || !entries) {
            DisposePtr(reinterpret_cast<Ptr>(windows));
            DisposePtr(reinterpret_cast<Ptr>(entries));
            return nullptr;
        }
        if (sCount) {
            std::memcpy(windows, sWindows, sCount * sizeof(WindowPtr));
            std::memcpy(entries, sEntries, sCount * sizeof(HandlerEntry *));
        }
        DisposePtr(reinterpret_cast<Ptr>(sWindows));
        DisposePtr(reinterpret_cast<Ptr>(sEntries));
        sWindows = windows;
        sEntries = entries;
    }
    HandlerEntry *entry = NewEntry();
    if (!entry)
        return nullptr;
    sWindows[sCount] = window;
    sEntries[sCount] = entry;
    ++sCount;
    return entry;
}

// The last pair moves into the removed one's place.
void RemoveHandlerEntry(WindowPtr window, HandlerEntry *entry)
{
    for (int i = 0; i < sCount; ++i) {
        if (sWindows[i] != window || sEntries[i] != entry)
            continue;
        --sCount;
        sWindows[i] = sWindows[sCount];
        sEntries[i] = sEntries[sCount];
        DisposePtr(reinterpret_cast<Ptr>(entry));
        return;
    }
}

// The entry that a set call fills: the window's (made when missing), or the default one.
HandlerEntry *EntryToSet(WindowPtr window, bool handlerGiven)
{
    if (window) {
        HandlerEntry *entry = FindHandlerEntry(window);
        return entry ? entry : AddHandlerEntry(window);
    }
    return DefaultEntry(handlerGiven);
}

void DisposeFlavor(FlavorRecord *flavor)
{
    DisposePtr(flavor->data);
    DisposePtr(reinterpret_cast<Ptr>(flavor));
}

void DisposeItem(ItemRecord *item)
{
    for (int i = 0; i < item->flavorCount; ++i)
        DisposeFlavor(item->flavors[i]);
    DisposePtr(reinterpret_cast<Ptr>(item->flavors));
    DisposePtr(reinterpret_cast<Ptr>(item));
}

void DisposeRegion(RgnHandle &rgn)
{
    if (rgn)
        DisposeRgn(rgn);
    rgn = nullptr;
}

// Frames the outline in patXor in the window's port at a global position, clipped to the content:
// drawing it twice leaves the pixels as they were.
void XorOutline(DragRecord *drag, WindowPtr window, Point at)
{
    GrafPtr savedPort;
    GetPort(&savedPort);
    SetPor(window);
    RgnHandle savedClip = NewRgn();
    if (savedClip)
        GetClip(savedClip);
    ClipRect(&window->portRect);
    GlobalToLocal(&at);
    OffsetRg(drag->outlineRegion, at.h, at.v);
    PenMode(patXor);
    FrameRg(drag->outlineRegion);
    PenMode(patCopy);
    OffsetRg(drag->outlineRegion, static_cast<int16_t>(-at.h), static_cast<int16_t>(-at.v));
    if (savedClip) {
        SetClip(savedClip);
        DisposeRgn(savedClip);
    }
    SetPor(savedPort);
}

// The outline relative to the origin: the drag region, else a one-pixel frame of the first item's bounds
// (a 16 x 16 square at the origin when there is no item).
RgnHandle MakeOutline(DragRecord *drag)
{
    RgnHandle outline = NewRgn();
    if (!outline)
        return nullptr;
    if (drag->dragRegion) {
        CopyRg(drag->dragRegion, outline);
    } else {
        Rect box{drag->origin.v, drag->origin.h, static_cast<int16_t>(drag->origin.v + 16),
                 static_cast<int16_t>(drag->origin.h + 16)};
        if (drag->itemCount)
            box = drag->items[0]->bounds;
        RgnHandle inner = NewRgn();
        if (!inner) {
            DisposeRgn(outline);
            return nullptr;
        }
        RectRgn(outline, &box);
        RectRgn(inner, &box);
        InsetRg(inner, 1, 1);
        DiffRgn(outline, inner, outline);
        DisposeRgn(inner);
    }
    OffsetRg(outline, static_cast<int16_t>(-drag->origin.h), static_cast<int16_t>(-drag->origin.v));
    return outline;
}

} // namespace

// ---- Handler table ----

HandlerEntry *FindHandlerEntry(WindowPtr window)
{
    if (!window)
        return sDefaultEntry;
    for (int i = 0; i < sCount; ++i)
        if (sWindows[i] == window)
            return sEntries[i];
    return nullptr;
}

void SetTrackingHandler(WindowPtr window, DragTrackingHandlerProcPtr handler, void *refCon)
{
    if (HandlerEntry *entry = EntryToSet(window, handler != nullptr)) {
        entry->trackingHandler = handler;
        entry->trackingRefCon = handler || window ? refCon : nullptr;
    }
}

void SetReceiveHandler(WindowPtr window, DragReceiveHandlerProcPtr handler, void *refCon)
{
    if (HandlerEntry *entry = EntryToSet(window, handler != nullptr)) {
        entry->receiveHandler = handler;
        entry->receiveRefCon = handler || window ? refCon : nullptr;
    }
}

void ClearTrackingHandler(WindowPtr window, DragTrackingHandlerProcPtr handler)
{
    HandlerEntry *entry = FindHandlerEntry(window);
    if (!entry || entry->trackingHandler != handler)
        return;
    entry->trackingHandler = nullptr;
    entry->trackingRefCon = nullptr;
    if (window && !entry->receiveHandler)
        RemoveHandlerEntry(window, entry);
}

void ClearReceiveHandler(WindowPtr window, DragReceiveHandlerProcPtr handler)
{
    HandlerEntry *entry = FindHandlerEntry(window);
    if (!entry || entry->receiveHandler != handler)
        return;
    entry->receiveHandler = nullptr;
    entry->receiveRefCon = nullptr;
    if (window && !entry->trackingHandler)
        RemoveHandlerEntry(window, entry);
}

HandlerEntry *TrackingEntryFor(WindowPtr window)
{
    HandlerEntry *entry = window ? FindHandlerEntry(window) : nullptr;
    if (!entry)
        entry = sDefaultEntry;
    return entry && entry->trackingHandler ? entry : nullptr;
}

HandlerEntry *ReceiveEntryFor(WindowPtr window)
{
    HandlerEntry *entry = window ? FindHandlerEntry(window) : nullptr;
    if (!entry)
        entry = sDefaultEntry;
    return entry && entry->receiveHandler ? entry : nullptr;
}

// ---- Drag records ----

DragRecord *NewDragRecord()
{
    auto *drag = reinterpret_cast<DragRecord *>(NewPtrClear(sizeof(DragRecord)));
    if (!drag)
        return nullptr;
    drag->dropLocation.descriptorType = typeNull;
    drag->outlinePosition = Point{-4192, -4192};
    return drag;
}

void DisposeDragRecord(DragRecord *drag)
{
    for (int i = 0; i < drag->itemCount; ++i)
        DisposeItem(drag->items[i]);
    DisposePtr(reinterpret_cast<Ptr>(drag->items));
    DisposeRegion(drag->dragRegion);
    DisposeRegion(drag->outlineRegion);
    DisposeRegion(drag->hiliteRegion);
    AEDisposeDesc(&drag->dropLocation);
    DisposePtr(reinterpret_cast<Ptr>(drag));
}

ItemRecord *ItemByReference(DragRecord *drag, ItemReference ref)
{
    for (int i = 0; i < drag->itemCount; ++i)
        if (drag->items[i]->reference == ref)
            return drag->items[i];
    return nullptr;
}

ItemRecord *ItemByIndex(DragRecord *drag, uint16_t index)
{
    return index >= 1 && index <= drag->itemCount ? drag->items[index - 1] : nullptr;
}

ItemRecord *AddItem(DragRecord *drag, ItemReference ref)
{
    if (drag->itemCount + 1 > drag->itemCapacity) {
        const int capacity = drag->itemCapacity + kGrowth;
        auto *items = reinterpret_cast<ItemRecord **>(NewPtr(capacity * sizeof(ItemRecord *)));
        if (!items)
            return nullptr;
        if (drag->itemCount)
            std::memcpy(items, drag->items, drag->itemCount * sizeof(ItemRecord *));
        DisposePtr(reinterpret_cast<Ptr>(drag->items));
        drag->items = items;
        drag->itemCapacity = static_cast<int16_t>(capacity);
    }
    auto *item = reinterpret_cast<ItemRecord *>(NewPtrClear(sizeof(ItemRecord)));
    if (!item)
        return nullptr;
    item->reference = ref;
    drag->items[drag->itemCount++] = item;
    return item;
}

bool SetDragRegion(DragRecord *drag, RgnHandle rgn)
{
    RgnHandle copy = nullptr;
    if (rgn) {
        copy = NewRgn();
        if (!copy)
            return false;
        CopyRg(rgn, copy);
    }
    DisposeRegion(drag->dragRegion);
    drag->dragRegion = copy;
    return true;
}

void SetHiliteRegion(DragRecord *drag, RgnHandle rgn)
{
    DisposeRegion(drag->hiliteRegion);
    drag->hiliteRegion = rgn;
    GetPort(&drag->hilitePort);
}

RgnHandle TakeHiliteRegion(DragRecord *drag)
{
    RgnHandle rgn = drag->hiliteRegion;
    if (rgn && drag->hilitePort)
        SetPor(drag->hilitePort);
    drag->hiliteRegion = nullptr;
    return rgn;
}

void UpdateDragOutline(DragRecord *drag, WindowPtr window)
{
    if (drag->outlineWindow && drag->outlineRegion) {
        if (drag->outlineWindow == window && drag->pinnedMouse.h == drag->outlinePosition.h &&
            drag->pinnedMouse.v == drag->outlinePosition.v)
            return;
        XorOutline(drag, drag->outlineWindow, drag->outlinePosition);
    }
    drag->outlineWindow = nullptr;
    if (!window)
        return;
    if (!drag->outlineRegion && !(drag->outlineRegion = MakeOutline(drag)))
        return;
    drag->outlinePosition = drag->pinnedMouse;
    XorOutline(drag, window, drag->outlinePosition);
    drag->outlineWindow = window;
}

// ---- Items and flavors ----

FlavorRecord *FlavorByType(ItemRecord *item, FlavorType type)
{
    for (int i = 0; i < item->flavorCount; ++i)
        if (item->flavors[i]->type == type)
            return item->flavors[i];
    return nullptr;
}

FlavorRecord *FlavorByIndex(ItemRecord *item, uint16_t index)
{
    return index >= 1 && index <= item->flavorCount ? item->flavors[index - 1] : nullptr;
}

OSErr AddFlavor(ItemRecord *item, FlavorType type, const void *data, Size size, FlavorFlags flags)
{
    if (FlavorByType(item, type))
        return duplicateFlavorErr;
    if (item->flavorCount % kGrowth == 0) {
        const int capacity = item->flavorCount + kGrowth;
        auto *flavors = reinterpret_cast<FlavorRecord **>(NewPtr(capacity * sizeof(FlavorRecord *)));
        if (!flavors)
            return memFullErr;
        if (item->flavorCount)
            std::memcpy(flavors, item->flavors, item->flavorCount * sizeof(FlavorRecord *));
        DisposePtr(reinterpret_cast<Ptr>(item->flavors));
        item->flavors = flavors;
    }
    auto *flavor = reinterpret_cast<FlavorRecord *>(NewPtrClear(sizeof(FlavorRecord)));
    if (!flavor)
        return memFullErr;
    flavor->type = type;
    flavor->flags = flags;
    if (OSErr err = SetFlavorData(flavor, data, size, 0)) {
        DisposeFlavor(flavor);
        return err;
    }
    item->flavors[item->flavorCount++] = flavor;
    return noErr;
}

// Data at an offset past 0 only ever grow the stored data (a gap past the old end reads as zeros);
// offset 0 replaces them. Nil data promise `size` bytes that the send proc gives later.
OSErr SetFlavorData(FlavorRecord *flavor, const void *data, Size size, uint32_t offset)
{
    if (size < 0)
        return paramErr;
    if (!data) {
        DisposePtr(flavor->data);
        flavor->data = nullptr;
        flavor->size = static_cast<uint32_t>(size);
        return noErr;
    }
    if (offset == 0) {
        DisposePtr(flavor->data);
        flavor->data = nullptr;
        flavor->size = 0;
    }
    const uint64_t end = static_cast<uint64_t>(offset) + static_cast<uint32_t>(size);
    if (end > 0x7FFFFFFF)
        return memFullErr;
    if (!flavor->data || flavor->size < end) {
        Ptr grown = NewPtrClear(static_cast<Size>(end));
        if (!grown)
            return memFullErr;
        if (flavor->data)
            std::memcpy(grown, flavor->data, flavor->size);
        DisposePtr(flavor->data);
        flavor->data = grown;
        flavor->size = static_cast<uint32_t>(end);
    }
    if (size)
        std::memcpy(flavor->data + offset, data, static_cast<size_t>(size));
    return noErr;
}

} // namespace drag

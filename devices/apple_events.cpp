// AppleEvents inside the application: events addressed to the application itself and dispatched at once
// to the handler installed for their class and ID.
#include "ae_internal.h"
#include "devices_services.h"
#include "MacMemory.h"

#include <cstring>

namespace {

struct HandlerEntry {
    AEEventClass eventClass;
    AEEventID eventID;
    AEEventHandlerProcPtr handler;
    int32_t refcon;
};
constexpr int kHandlerSlots = 32;
HandlerEntry sHandlers[kHandlerSlots];

HandlerEntry *FindHandler(AEEventClass eventClass, AEEventID eventID)
{
    for (HandlerEntry &h : sHandlers)
        if (h.handler && h.eventClass == eventClass && h.eventID == eventID)
            return &h;
    return nullptr;
}

void SetNullDesc(AEDesc *desc)
{
    desc->descriptorType = typeNull;
    desc->dataHandle = nullptr;
}

// The 4-byte data of an event's entry at `index` (its class is the first, its ID the second).
bool ReadEventCode(const AppleEvent *event, int32_t index, uint32_t *code)
{
    AELayout layout;
    int32_t count;
    if (CheckAEContainer(event, &layout, &count) || layout != AELayout::Record || count <= index)
        return false;
    const uint8_t *bytes;
    Size size;
    if (AEEntryBytes(ReadAEEntry(event->dataHandle, layout, index), &bytes, &size) || size < 4)
        return false;
    std::memcpy(code, bytes, 4);
    return true;
}

} // namespace

// The handler and coercion tables are static storage that start empty: nothing is installed at start.
void InitAppleEvents() {}

// PENDING: the AppleEvent work sends to other processes and waits for replies.
ZEL_EXTERN_C OSErr ZEL_CALL AESend(const AppleEvent *theAppleEvent, AppleEvent *reply, AESendMode, AESendPriority,
                                   int32_t, void *, void *)
{
    if (reply)
        SetNullDesc(reply);
    uint32_t eventClass, eventID;
    if (!theAppleEvent || theAppleEvent->descriptorType != typeAppleEvent ||
        !ReadEventCode(theAppleEvent, 0, &eventClass) || !ReadEventCode(theAppleEvent, 1, &eventID))
        return -50;
    HandlerEntry *entry = FindHandler(eventClass, eventID);
    if (!entry)
        return errAEEventNotHandled;
    AppleEvent scratch;
    SetNullDesc(&scratch);
    return entry->handler(theAppleEvent, reply ? reply : &scratch, entry->refcon);
}

// PENDING: the AppleEvent work keeps system handlers and wildcard classes and IDs.
ZEL_EXTERN_C OSErr ZEL_CALL AEInstallEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                                  AEEventHandlerProcPtr handler, int32_t handlerRefcon, Boolean)
{
    if (!handler)
        return -50;
    HandlerEntry *entry = FindHandler(theAEEventClass, theAEEventID);
    for (int i = 0; !entry && i < kHandlerSlots; ++i)
        if (!sHandlers[i].handler)
            entry = &sHandlers[i];
    if (!entry)
        return -108;
    *entry = HandlerEntry{theAEEventClass, theAEEventID, handler, handlerRefcon};
    return 0;
}

// AppleEvents inside the application: descriptors over handles, events addressed to the application
// itself and dispatched at once to the handler installed for their class and ID.
#include "devices_services.h"
#include "AppleEvents.h"
#include "MacMemory.h"

#include <cstring>

namespace {

// What an event's data handle holds: its class, ID and the return and transaction IDs.
#pragma pack(push, 2)
struct AppleEventData {
    AEEventClass eventClass;
    AEEventID eventID;
    int16_t returnID;
    int32_t transactionID;
};
#pragma pack(pop)

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

} // namespace

// The handler and coercion tables are static storage that start empty: nothing is installed at start.
void InitAppleEvents() {}

// PENDING: the AppleEvent work adds parameters, attributes and coercion to descriptors.
ZEL_EXTERN_C OSErr ZEL_CALL AECreateDesc(DescType typeCode, const void *dataPtr, Size dataSize, AEDesc *result)
{
    if (!result)
        return -50;
    SetNullDesc(result);
    if (dataSize < 0)
        return -50;
    Handle data = NewHandle(dataSize);
    if (!data)
        return -108;
    if (dataSize && dataPtr)
        std::memcpy(*data, dataPtr, static_cast<size_t>(dataSize));
    result->descriptorType = typeCode;
    result->dataHandle = data;
    return 0;
}

ZEL_EXTERN_C OSErr ZEL_CALL AEDisposeDesc(AEDesc *theAEDesc)
{
    if (!theAEDesc)
        return 0;
    if (theAEDesc->dataHandle)
        DisposeHandle(theAEDesc->dataHandle);
    SetNullDesc(theAEDesc);
    return 0;
}

// A copy with a data handle of its own (nil stays nil).
ZEL_EXTERN_C OSErr ZEL_CALL AEDuplicateDesc(const AEDesc *theAEDesc, AEDesc *result)
{
    if (!theAEDesc || !result)
        return -50;
    AEDesc copy{theAEDesc->descriptorType, theAEDesc->dataHandle};
    if (copy.dataHandle) {
        if (OSErr err = HandToHand(&copy.dataHandle)) {
            SetNullDesc(result);
            return err;
        }
    }
    *result = copy;
    return 0;
}

// PENDING: the AppleEvent work keeps the target and the attributes of an event.
ZEL_EXTERN_C OSErr ZEL_CALL AECreateAppleEvent(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                               const AEAddressDesc *, int16_t returnID, int32_t transactionID,
                                               AppleEvent *result)
{
    AppleEventData data{theAEEventClass, theAEEventID, returnID, transactionID};
    return AECreateDesc(typeAppleEvent, &data, sizeof data, result);
}

// PENDING: the AppleEvent work sends to other processes and waits for replies.
ZEL_EXTERN_C OSErr ZEL_CALL AESend(const AppleEvent *theAppleEvent, AppleEvent *reply, AESendMode, AESendPriority,
                                   int32_t, void *, void *)
{
    if (reply)
        SetNullDesc(reply);
    if (!theAppleEvent || theAppleEvent->descriptorType != typeAppleEvent || !theAppleEvent->dataHandle ||
        GetHandleSize(theAppleEvent->dataHandle) < static_cast<Size>(sizeof(AppleEventData)))
        return -50;
    AppleEventData data;
    std::memcpy(&data, *theAppleEvent->dataHandle, sizeof data);
    HandlerEntry *entry = FindHandler(data.eventClass, data.eventID);
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

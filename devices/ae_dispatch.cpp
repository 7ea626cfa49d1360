// AppleEvents inside the application: the handler and coercion tables, dispatch to the handler of an
// event's class and ID, sending at once or through the event queue, and coercion of descriptors.
// Processes.h declares the Macintosh GetProcessInformation: the platform's function of that name stays
// out (an earlier Windows version).
#define _WIN32_WINNT 0x0501
#include "ae_internal.h"
#include "devices_services.h"
#include "../core/core_services.h"
#include "Events.h"
#include "MacMemory.h"
#include "Processes.h"

#include <cstring>
#include <unordered_set>

namespace {

constexpr OSErr kParamErr = -50;
constexpr OSErr kMemFullErr = -108;

struct HandlerRow {
    AEEventClass eventClass;
    AEEventID eventID;
    AEEventHandlerProcPtr handler;
    int32_t refcon;
};
constexpr int kHandlerRows = 161;
HandlerRow sHandlers[kHandlerRows];
int sHandlerCount;

struct CoercionRow {
    DescType fromType;
    DescType toType;
    AECoercionHandlerProcPtr handler;
    int32_t refcon;
    uint8_t fromTypeIsDesc;
    uint8_t isSysHandler;
};
constexpr int kCoercionRows = 16;
CoercionRow sCoercions[kCoercionRows];
int sCoercionCount;

// The event being dispatched; between dispatches the null descriptor.
const AEDesc sNullEvent = {typeNull, nullptr};
const AEDesc *sCurrentEvent = &sNullEvent;

// A queued send: the message of the posted high-level event. Both descriptors are 8-byte pointer
// blocks holding copies.
#pragma pack(push, 2)
struct QueuedSend {
    AppleEvent *event;
    AppleEvent *reply; // nil when the sender gave no reply
};
#pragma pack(pop)
static_assert(sizeof(QueuedSend) == 8, "a queued send is 8 bytes");
// The queued sends posted and not processed yet: only these are ever read back from an event.
std::unordered_set<uint32_t> sPendingSends;

void SetNullDesc(AEDesc *desc)
{
    desc->descriptorType = typeNull;
    desc->dataHandle = nullptr;
}

// The 4-byte code held by the event's entry at `index` (its class is the first, its ID the second).
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

// Calls the first handler installed for the event's class and ID. The event is the current one for the
// time of the call; the one current before (a handler may send an event of its own) is current again
// after it.
OSErr Dispatch(const AppleEvent *event, AppleEvent *reply)
{
    uint32_t eventClass, eventID;
    if (!ReadEventCode(event, 0, &eventClass) || !ReadEventCode(event, 1, &eventID))
        return errAECorruptData;
    const HandlerRow *row = nullptr;
    for (int i = 0; i < sHandlerCount && !row; ++i)
        if (sHandlers[i].eventClass == eventClass && sHandlers[i].eventID == eventID)
            row = &sHandlers[i];
    if (!row)
        return errAEEventNotHandled;
    const AEDesc *previous = sCurrentEvent;
    sCurrentEvent = event;
    OSErr result = row->handler(event, reply, row->refcon);
    sCurrentEvent = previous;
    return result;
}

// An 8-byte block holding a copy of the descriptor; nil when memory is short or its data cannot be copied.
AppleEvent *CopyToBlock(const AEDesc *desc)
{
    AppleEvent *block = reinterpret_cast<AppleEvent *>(NewPtr(sizeof(AppleEvent)));
    if (!block)
        return nullptr;
    if (AEDuplicateDesc(desc, block) != 0) {
        DisposePtr(reinterpret_cast<Ptr>(block));
        return nullptr;
    }
    return block;
}

// Disposes a copy made for a queued send, with what its data hold that the handler did not take.
void DisposeBlock(AppleEvent *block)
{
    if (!block)
        return;
    AEDisposeDesc(block);
    DisposePtr(reinterpret_cast<Ptr>(block));
}

void DisposeQueuedSend(Handle record)
{
    QueuedSend send;
    std::memcpy(&send, *record, sizeof send);
    DisposeBlock(send.event);
    DisposeBlock(send.reply);
    DisposeHandle(record);
}

// Posts the event, with copies of it and of the reply, as a high-level event whose message is the
// queued-send record. A reply whose data are no handle (an output the sender has not filled) travels
// as the null descriptor.
OSErr QueueSend(const AppleEvent *event, const AppleEvent *reply)
{
    Handle record = NewHandle(sizeof(QueuedSend));
    if (!record)
        return kMemFullErr;
    QueuedSend send{CopyToBlock(event), nullptr};
    bool complete = send.event != nullptr;
    if (complete && reply) {
        AEDesc replyData = *reply;
        if (replyData.dataHandle && !IsAEHandle(replyData.dataHandle) && !IsLiveHandle(replyData.dataHandle))
            SetNullDesc(&replyData);
        send.reply = CopyToBlock(&replyData);
        complete = send.reply != nullptr;
    }
    std::memcpy(*record, &send, sizeof send);
    if (!complete) {
        DisposeQueuedSend(record);
        return kMemFullErr;
    }
    const uint32_t message = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record));
    sPendingSends.insert(message);
    if (OSErr err = PostEvent(kHighLevelEvent, message)) {
        // Refused (high-level events masked out): nothing is queued, so nothing may stay behind.
        sPendingSends.erase(message);
        DisposeQueuedSend(record);
        return err;
    }
    return 0;
}

// ---- The built-in coercions ----

OSErr ZEL_CALL CoerceShortToLong(DescType, const void *dataPtr, Size dataSize, DescType, int32_t, AEDesc *result)
{
    if (!dataPtr || dataSize < 2)
        return errAECoercionFail;
    int16_t value;
    std::memcpy(&value, dataPtr, 2);
    int32_t wide = value;
    return AECreateDesc(typeLongInteger, &wide, 4, result);
}

OSErr ZEL_CALL CoerceLongToLong(DescType, const void *dataPtr, Size dataSize, DescType, int32_t, AEDesc *result)
{
    if (!dataPtr || dataSize < 4)
        return errAECoercionFail;
    return AECreateDesc(typeLongInteger, dataPtr, 4, result);
}

OSErr ZEL_CALL CoerceLongToShort(DescType, const void *dataPtr, Size dataSize, DescType, int32_t, AEDesc *result)
{
    if (!dataPtr || dataSize < 4)
        return errAECoercionFail;
    int32_t value;
    std::memcpy(&value, dataPtr, 4);
    int16_t low = static_cast<int16_t>(value & 0xFFFF);
    return AECreateDesc(typeShortInteger, &low, 2, result);
}

OSErr ZEL_CALL CopyAsType(DescType, const void *dataPtr, Size dataSize, DescType, int32_t, AEDesc *result)
{
    return AECreateDesc(typeType, dataPtr, dataSize, result);
}

OSErr ZEL_CALL CopyAsText(DescType, const void *dataPtr, Size dataSize, DescType, int32_t, AEDesc *result)
{
    return AECreateDesc(typeChar, dataPtr, dataSize, result);
}

} // namespace

// Installs the built-in coercions, once however many sessions the process starts or however often the
// program calls it itself (session start calls it first): the tables stay for the process, and a later
// call leaves a coercion the program installed over a built-in one in place.
ZEL_EXTERN_C OSErr ZEL_CALL InitAppleEvents(void)
{
    static bool installed;
    if (installed)
        return noErr;
    installed = true;
    AEInstallCoercionHandler(typeShortInteger, typeLongInteger, CoerceShortToLong, 0, false, true);
    AEInstallCoercionHandler(typeLongInteger, typeLongInteger, CoerceLongToLong, 0, false, true);
    AEInstallCoercionHandler(typeLongInteger, typeShortInteger, CoerceLongToShort, 0, false, true);
    AEInstallCoercionHandler(typeType, typeType, CopyAsType, 0, false, true);
    return AEInstallCoercionHandler(typeChar, typeChar, CopyAsText, 0, false, true);
}

// The session's heap goes: its descriptors and queued sends go with it.
void ExitAppleEvents()
{
    ForgetAEHandles();
    sPendingSends.clear();
    sCurrentEvent = &sNullEvent;
}

// ---- Handlers ----

// One handler per class and ID: a second install replaces the first. The system-handler flag is
// ignored (there is one table); a full table answers -108 and keeps what it has.
ZEL_EXTERN_C OSErr ZEL_CALL AEInstallEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                                  AEEventHandlerProcPtr handler, int32_t handlerRefcon, Boolean)
{
    if (!handler)
        return kParamErr;
    for (int i = 0; i < sHandlerCount; ++i)
        if (sHandlers[i].eventClass == theAEEventClass && sHandlers[i].eventID == theAEEventID) {
            sHandlers[i] = HandlerRow{theAEEventClass, theAEEventID, handler, handlerRefcon};
            return 0;
        }
    if (sHandlerCount == kHandlerRows)
        return kMemFullErr;
    sHandlers[sHandlerCount++] = HandlerRow{theAEEventClass, theAEEventID, handler, handlerRefcon};
    return 0;
}

// Handlers are neither looked up nor removed from outside.
ZEL_EXTERN_C OSErr ZEL_CALL AEGetEventHandler(AEEventClass, AEEventID, AEEventHandlerProcPtr *, int32_t *, Boolean)
{
    return errAEHandlerNotFound;
}

ZEL_EXTERN_C OSErr ZEL_CALL AERemoveEventHandler(AEEventClass, AEEventID, AEEventHandlerProcPtr, Boolean)
{
    return errAEHandlerNotFound;
}

// ---- Coercion ----

// Always a new row, after the built-in ones: the first row of a pair is the one used.
ZEL_EXTERN_C OSErr ZEL_CALL AEInstallCoercionHandler(DescType fromType, DescType toType,
                                                     AECoercionHandlerProcPtr handler, int32_t handlerRefcon,
                                                     Boolean fromTypeIsDesc, Boolean isSysHandler)
{
    if (!handler)
        return kParamErr;
    if (sCoercionCount == kCoercionRows)
        return kMemFullErr;
    sCoercions[sCoercionCount++] =
        CoercionRow{fromType, toType, handler, handlerRefcon, fromTypeIsDesc ? uint8_t(1) : uint8_t(0),
                    isSysHandler ? uint8_t(1) : uint8_t(0)};
    return 0;
}

// The first handler installed for the pair is called with the data's address and size, and its answer
// is the answer. Without one, a record on either side is copied under the wanted type; anything else
// cannot be coerced.
ZEL_EXTERN_C OSErr ZEL_CALL AECoerceDesc(const AEDesc *theAEDesc, DescType toType, AEDesc *result)
{
    if (!theAEDesc || !result)
        return kParamErr;
    Handle h = theAEDesc->dataHandle;
    if (h && !IsAEHandle(h) && !IsLiveHandle(h))
        return errAECorruptData;
    for (int i = 0; i < sCoercionCount; ++i) {
        const CoercionRow &row = sCoercions[i];
        if (row.fromType == theAEDesc->descriptorType && row.toType == toType)
            return row.handler(theAEDesc->descriptorType, h ? *h : nullptr, h ? GetHandleSize(h) : 0, toType,
                               row.refcon, result);
    }
    if (theAEDesc->descriptorType == typeAERecord || toType == typeAERecord) {
        Handle copy;
        if (OSErr err = DuplicateAEData(theAEDesc->descriptorType, h, &copy))
            return err;
        result->descriptorType = toType;
        result->dataHandle = copy;
        return 0;
    }
    return errAECoercionFail;
}

// ---- Sending and processing ----

// Events stay inside the application. With don't-execute set nothing happens. The send mode is stored
// as the event's 'inte' attribute. A queued reply posts the event as a high-level event for
// AEProcessAppleEvent; any other mode dispatches at once with a null reply.
ZEL_EXTERN_C OSErr ZEL_CALL AESend(const AppleEvent *theAppleEvent, AppleEvent *reply, AESendMode sendMode,
                                   AESendPriority, int32_t, void *, void *)
{
    if (sendMode & kAEDontExecute)
        return 0;
    if (!theAppleEvent)
        return kParamErr;
    const int16_t mode = static_cast<int16_t>(sendMode);
    if (OSErr err = AEPutAttributePtr(const_cast<AppleEvent *>(theAppleEvent), keyInteractLevelAttr,
                                      typeShortInteger, &mode, sizeof mode))
        return err;
    if ((sendMode & 3) == kAEQueueReply)
        return QueueSend(theAppleEvent, reply);
    AppleEvent scratch;
    if (!reply)
        reply = &scratch;
    SetNullDesc(reply);
    return Dispatch(theAppleEvent, reply);
}

// Dispatches a high-level event posted by a queued AESend, then disposes the copies it carried. Any
// other event, or a record already processed, answers -1707 and nothing is read.
ZEL_EXTERN_C OSErr ZEL_CALL AEProcessAppleEvent(const EventRecord *theEventRecord)
{
    if (!theEventRecord || theEventRecord->what != kHighLevelEvent ||
        !sPendingSends.erase(theEventRecord->message))
        return errAENotAppleEvent;
    Handle record = reinterpret_cast<Handle>(static_cast<uintptr_t>(theEventRecord->message));
    QueuedSend send;
    std::memcpy(&send, *record, sizeof send);
    DisposeHandle(record);
    AppleEvent scratch;
    SetNullDesc(&scratch);
    OSErr result = Dispatch(send.event, send.reply ? send.reply : &scratch);
    DisposeBlock(send.event);
    DisposeBlock(send.reply);
    return result;
}

// ---- The current event ----

ZEL_EXTERN_C OSErr ZEL_CALL AEGetTheCurrentEvent(AppleEvent *theAppleEvent)
{
    if (!theAppleEvent)
        return kParamErr;
    *theAppleEvent = *sCurrentEvent;
    return 0;
}

ZEL_STUB(OSErr, AESetTheCurrentEvent, 0, (const AppleEvent *))
ZEL_STUB(OSErr, AESuspendTheCurrentEvent, 0, (const AppleEvent *))
ZEL_STUB(OSErr, AEResumeTheCurrentEvent, 0, (const AppleEvent *, const AppleEvent *, void *, int32_t))

// ---- Interaction ----

ZEL_EXTERN_C OSErr ZEL_CALL AEGetInteractionAllowed(AEInteractAllowed *level)
{
    if (level)
        *level = 0;
    return 0;
}

ZEL_STUB(OSErr, AESetInteractionAllowed, 0, (AEInteractAllowed))

// The user is always with this application: interacting brings it to the front.
ZEL_EXTERN_C OSErr ZEL_CALL AEInteractWithUser(int32_t, void *, void *)
{
    const ProcessSerialNumber current{0, 2};
    return SetFrontProcess(&current);
}

ZEL_EXTERN_C OSErr ZEL_CALL AEManagerInfo(AEKeyword, int32_t *result)
{
    if (result)
        *result = 0;
    return 0;
}

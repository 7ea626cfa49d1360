/* AppleEvents inside the application: descriptors, creating and sending an event, the handler table. */
#ifndef TOLVADEX_APPLEEVENTS_H
#define TOLVADEX_APPLEEVENTS_H

#include "MacTypes.h"

typedef ResType DescType;
typedef FourCharCode AEEventClass;
typedef FourCharCode AEEventID;
typedef int32_t AESendMode;
typedef int16_t AESendPriority;

enum {
    typeNull = 0x6E756C6C,               /* 'null' */
    typeProcessSerialNumber = 0x70736E20, /* 'psn ' */
    typeAppleEvent = 0x61657674,          /* 'aevt' */
    kCoreEventClass = 0x61657674,         /* 'aevt' */
    kAEOpenApplication = 0x6F617070,      /* 'oapp' */
    kAENoReply = 1,
    errAEEventNotHandled = -1708,
    errAEHandlerNotFound = -1717
};

#pragma pack(push, 2)
typedef struct AEDesc {
    DescType descriptorType;
    Handle dataHandle;
} AEDesc;
typedef AEDesc AEAddressDesc;
typedef AEDesc AppleEvent;
#pragma pack(pop)

/* The Process Manager's serial number (Processes.h declares it too). */
#ifndef ZEL_PROCESS_SERIAL_NUMBER
#define ZEL_PROCESS_SERIAL_NUMBER
typedef struct ProcessSerialNumber {
    uint32_t highLongOfPSN;
    uint32_t lowLongOfPSN;
} ProcessSerialNumber;
#endif

ZEL_STATIC_ASSERT(sizeof(AEDesc) == 8, "AEDesc is 8 bytes");

typedef OSErr (ZEL_CALL *AEEventHandlerProcPtr)(const AppleEvent *theAppleEvent, AppleEvent *reply,
                                                int32_t handlerRefcon);

ZEL_API OSErr ZEL_CALL AECreateDesc(DescType typeCode, const void *dataPtr, Size dataSize, AEDesc *result);
ZEL_API OSErr ZEL_CALL AEDisposeDesc(AEDesc *theAEDesc);
ZEL_API OSErr ZEL_CALL AEDuplicateDesc(const AEDesc *theAEDesc, AEDesc *result);
ZEL_API OSErr ZEL_CALL AECreateAppleEvent(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                          const AEAddressDesc *target, int16_t returnID, int32_t transactionID,
                                          AppleEvent *result);
ZEL_API OSErr ZEL_CALL AESend(const AppleEvent *theAppleEvent, AppleEvent *reply, AESendMode sendMode,
                              AESendPriority sendPriority, int32_t timeOutInTicks, void *idleProc, void *filterProc);
ZEL_API OSErr ZEL_CALL AEInstallEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                             AEEventHandlerProcPtr handler, int32_t handlerRefcon,
                                             Boolean isSysHandler);

#endif

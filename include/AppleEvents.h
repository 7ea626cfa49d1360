/* AppleEvents inside the application: descriptors, lists, keyword records and events over flat handles,
   creating and sending an event, the handler table. */
#ifndef TOLVADEX_APPLEEVENTS_H
#define TOLVADEX_APPLEEVENTS_H
#define __APPLEEVENTS__

#include "MacTypes.h"

typedef ResType DescType;
typedef FourCharCode AEEventClass;
typedef FourCharCode AEEventID;
typedef int32_t AESendMode;
typedef int16_t AESendPriority;
typedef FourCharCode AEKeyword;

enum {
    typeNull = 0x6E756C6C,               /* 'null' */
    typeWildCard = 0x2A2A2A2A,           /* '****' */
    typeAEList = 0x6C697374,             /* 'list' */
    typeAERecord = 0x7265636F,           /* 'reco' */
    typeType = 0x74797065,               /* 'type' */
    typeLongInteger = 0x6C6F6E67,        /* 'long' */
    typeShortInteger = 0x73686F72,       /* 'shor' */
    typeChar = 0x54455854,               /* 'TEXT' */
    typeSignature = 0x7369676E,          /* 'sign' */
    typeObjectSpecifier = 0x6F626A20,    /* 'obj ' */
    keyEventClassAttr = 0x6576636C,      /* 'evcl' */
    keyEventIDAttr = 0x65766964,         /* 'evid' */
    keyAddressAttr = 0x61646472,         /* 'addr' */
    keyDirectObject = 0x2D2D2D2D,        /* '----' */
    keyTransactionIDAttr = 0x7472616E,   /* 'tran' */
    keyInteractLevelAttr = 0x696E7465,   /* 'inte' */
    kAnyTransactionID = 0,
    typeProcessSerialNumber = 0x70736E20, /* 'psn ' */
    typeAppleEvent = 0x61657674,          /* 'aevt' */
    kCoreEventClass = 0x61657674,         /* 'aevt' */
    kAEOpenApplication = 0x6F617070,      /* 'oapp' */
    kAENoReply = 1,
    kAEQueueReply = 2,
    kAEWaitReply = 3,
    kAEDontExecute = 0x2000,
    errAECoercionFail = -1700,
    errAEDescNotFound = -1701,
    errAECorruptData = -1702,
    errAEWrongDataType = -1703,
    errAENotAEDesc = -1704,
    errAEIllegalIndex = -1705,
    errAENotAppleEvent = -1707,
    errAEEventNotHandled = -1708,
    errAEHandlerNotFound = -1717,
    errAEAccessorNotFound = -1723,
    errAENotAnObjSpec = -1727,
    errAENoSuchObject = -1728
};

#pragma pack(push, 2)
typedef struct AEDesc {
    DescType descriptorType;
    Handle dataHandle;
} AEDesc;
typedef AEDesc AEAddressDesc;
typedef AEDesc AEDescList;
typedef AEDescList AERecord;
typedef AERecord AppleEvent;

#ifndef TOLVADEX_PROCESS_SERIAL_NUMBER
#define TOLVADEX_PROCESS_SERIAL_NUMBER /* Processes.h declares it too */
typedef struct ProcessSerialNumber {
    uint32_t highLongOfPSN;
    uint32_t lowLongOfPSN;
} ProcessSerialNumber;
#endif
#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(AEDesc) == 8, "AEDesc is 8 bytes");

typedef OSErr (ZEL_CALL *AEEventHandlerProcPtr)(const AppleEvent *theAppleEvent, AppleEvent *reply,
                                                int32_t handlerRefcon);
/* Coercion handlers are always called with the data's address and size. */
typedef OSErr (ZEL_CALL *AECoercionHandlerProcPtr)(DescType typeCode, const void *dataPtr, Size dataSize,
                                                   DescType toType, int32_t handlerRefcon, AEDesc *result);
typedef int8_t AEInteractAllowed;
/* The later interfaces' names; universal procedure pointers are plain procedure pointers here. */
typedef AEEventHandlerProcPtr AEEventHandlerUPP;
#define NewAEEventHandlerUPP(userRoutine) ((AEEventHandlerUPP)(userRoutine))
#define DisposeAEEventHandlerUPP(userRoutine) ((void)(userRoutine))
#define NewAEEventHandlerProc(userRoutine) ((AEEventHandlerUPP)(userRoutine))
typedef AECoercionHandlerProcPtr AECoercionHandlerUPP;
#define NewAECoercionHandlerUPP(userRoutine) ((AECoercionHandlerUPP)(userRoutine))
#define DisposeAECoercionHandlerUPP(userRoutine) ((void)(userRoutine))
#define NewAECoercionHandlerProc(userRoutine) ((AECoercionHandlerUPP)(userRoutine))

ZEL_API OSErr ZEL_CALL AECreateDesc(DescType typeCode, const void *dataPtr, Size dataSize, AEDesc *result);
ZEL_API OSErr ZEL_CALL AEDisposeDesc(AEDesc *theAEDesc);
ZEL_API OSErr ZEL_CALL AEDuplicateDesc(const AEDesc *theAEDesc, AEDesc *result);
ZEL_API OSErr ZEL_CALL AECreateAppleEvent(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                          const AEAddressDesc *target, int16_t returnID, int32_t transactionID,
                                          AppleEvent *result);

/* Lists hold 8-byte items {type, data handle}; records and events 12-byte entries {keyword, type, data
   handle}. AEGet...Desc results share the stored handle: the caller disposes them. Indices count from 1;
   in the Put calls index 0 or above the count appends. */
ZEL_API OSErr ZEL_CALL AECreateList(const void *factoringPtr, Size factoredSize, Boolean isRecord,
                                    AEDescList *resultList);
ZEL_API OSErr ZEL_CALL AECountItems(const AEDescList *theAEDescList, ZEL_Long *theCount);
ZEL_API OSErr ZEL_CALL AEPutPtr(AEDescList *theAEDescList, int32_t index, DescType typeCode, const void *dataPtr,
                                Size dataSize);
ZEL_API OSErr ZEL_CALL AEPutDesc(AEDescList *theAEDescList, int32_t index, const AEDesc *theAEDesc);
ZEL_API OSErr ZEL_CALL AEGetNthDesc(const AEDescList *theAEDescList, int32_t index, DescType desiredType,
                                    AEKeyword *theAEKeyword, AEDesc *result);
ZEL_API OSErr ZEL_CALL AEGetNthPtr(const AEDescList *theAEDescList, int32_t index, DescType desiredType,
                                   AEKeyword *theAEKeyword, DescType *typeCode, void *dataPtr, Size maximumSize,
                                   Size *actualSize);
ZEL_API OSErr ZEL_CALL AESizeOfNthItem(const AEDescList *theAEDescList, int32_t index, DescType *typeCode,
                                       Size *dataSize);
ZEL_API OSErr ZEL_CALL AEDeleteItem(AEDescList *theAEDescList, int32_t index);
ZEL_API OSErr ZEL_CALL AEPutParamPtr(AppleEvent *theAppleEvent, AEKeyword theAEKeyword, DescType typeCode,
                                     const void *dataPtr, Size dataSize);
ZEL_API OSErr ZEL_CALL AEPutAttributePtr(AppleEvent *theAppleEvent, AEKeyword theAEKeyword, DescType typeCode,
                                         const void *dataPtr, Size dataSize);
ZEL_API OSErr ZEL_CALL AEPutParamDesc(AppleEvent *theAppleEvent, AEKeyword theAEKeyword, const AEDesc *theAEDesc);
ZEL_API OSErr ZEL_CALL AEPutAttributeDesc(AppleEvent *theAppleEvent, AEKeyword theAEKeyword,
                                          const AEDesc *theAEDesc);
ZEL_API OSErr ZEL_CALL AEGetParamDesc(const AppleEvent *theAppleEvent, AEKeyword theAEKeyword, DescType desiredType,
                                      AEDesc *result);
ZEL_API OSErr ZEL_CALL AEGetAttributeDesc(const AppleEvent *theAppleEvent, AEKeyword theAEKeyword,
                                          DescType desiredType, AEDesc *result);
ZEL_API OSErr ZEL_CALL AEGetParamPtr(const AppleEvent *theAppleEvent, AEKeyword theAEKeyword, DescType desiredType,
                                     DescType *typeCode, void *dataPtr, Size maximumSize, Size *actualSize);
ZEL_API OSErr ZEL_CALL AEGetAttributePtr(const AppleEvent *theAppleEvent, AEKeyword theAEKeyword,
                                         DescType desiredType, DescType *typeCode, void *dataPtr, Size maximumSize,
                                         Size *actualSize);
ZEL_API OSErr ZEL_CALL AESizeOfParam(const AppleEvent *theAppleEvent, AEKeyword theAEKeyword, DescType *typeCode,
                                     Size *dataSize);
ZEL_API OSErr ZEL_CALL AEDeleteParam(AppleEvent *theAppleEvent, AEKeyword theAEKeyword);

ZEL_API OSErr ZEL_CALL AESend(const AppleEvent *theAppleEvent, AppleEvent *reply, AESendMode sendMode,
                              AESendPriority sendPriority, int32_t timeOutInTicks, void *idleProc, void *filterProc);
ZEL_API OSErr ZEL_CALL AEInstallEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                             AEEventHandlerProcPtr handler, int32_t handlerRefcon,
                                             Boolean isSysHandler);
/* Handlers are not looked up or removed from outside: both answer -1717. */
ZEL_API OSErr ZEL_CALL AEGetEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                         AEEventHandlerProcPtr *handler, ZEL_Long *handlerRefcon, Boolean isSysHandler);
ZEL_API OSErr ZEL_CALL AERemoveEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                            AEEventHandlerProcPtr handler, Boolean isSysHandler);
ZEL_API OSErr ZEL_CALL AEInstallCoercionHandler(DescType fromType, DescType toType, AECoercionHandlerProcPtr handler,
                                                int32_t handlerRefcon, Boolean fromTypeIsDesc, Boolean isSysHandler);
/* Installs the built-in coercions (short and long integers, types, text); the session's start already
   did, and a later call installs nothing again. */
ZEL_API OSErr ZEL_CALL InitAppleEvents(void);
ZEL_API OSErr ZEL_CALL AECoerceDesc(const AEDesc *theAEDesc, DescType toType, AEDesc *result);
/* Takes the high-level event (what 23) a queued AESend posted; -1707 for any other. */
struct EventRecord;
ZEL_API OSErr ZEL_CALL AEProcessAppleEvent(const struct EventRecord *theEventRecord);
ZEL_API OSErr ZEL_CALL AEGetTheCurrentEvent(AppleEvent *theAppleEvent);
ZEL_API OSErr ZEL_CALL AESetTheCurrentEvent(const AppleEvent *theAppleEvent);
ZEL_API OSErr ZEL_CALL AESuspendTheCurrentEvent(const AppleEvent *theAppleEvent);
ZEL_API OSErr ZEL_CALL AEResumeTheCurrentEvent(const AppleEvent *theAppleEvent, const AppleEvent *reply,
                                               void *dispatcher, int32_t handlerRefcon);
ZEL_API OSErr ZEL_CALL AEGetInteractionAllowed(AEInteractAllowed *level);
ZEL_API OSErr ZEL_CALL AESetInteractionAllowed(AEInteractAllowed level);
ZEL_API OSErr ZEL_CALL AEInteractWithUser(int32_t timeOutInTicks, void *nmReqPtr, void *idleProc);
ZEL_API OSErr ZEL_CALL AEManagerInfo(AEKeyword keyWord, ZEL_Long *result);

#endif

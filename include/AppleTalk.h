/* AppleTalk: the name-binding, transaction and link-access calls link and answer; no network is reached. */
#ifndef TOLVADEX_APPLETALK_H
#define TOLVADEX_APPLETALK_H
#define __APPLETALK__

#include "MacTypes.h"

#pragma pack(push, 2)
typedef struct AddrBlock {
    uint16_t aNet;
    uint8_t aNode;
    uint8_t aSocket;
} AddrBlock;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(AddrBlock) == 4, "AddrBlock is 4 bytes");

typedef const unsigned char *ConstStr32Param;
typedef struct EntityName EntityName, *EntityPtr;
typedef struct XPPParamBlock *XPPParmBlkPtr;
typedef struct MPPParamBlock *MPPPBPtr;
typedef struct ATPParamBlock *ATPPBPtr;
typedef struct ABusRecord **ABRecHandle;

/* Report their names and answer 0. */
ZEL_API int16_t ZEL_CALL BuildBDS(Ptr buffPtr, Ptr bdsPtr, int16_t buffSize);
ZEL_API void ZEL_CALL NBPSetEntity(Ptr buffer, ConstStr32Param nbpObject, ConstStr32Param nbpType, ConstStr32Param nbpZone);
ZEL_API void ZEL_CALL NBPSetNTE(Ptr ntePtr, ConstStr32Param nbpObject, ConstStr32Param nbpType, ConstStr32Param nbpZone,
                                int16_t socket);
ZEL_API OSErr ZEL_CALL PGetAppleTalkInfo(XPPParmBlkPtr thePBptr, Boolean async);
ZEL_API OSErr ZEL_CALL PKillNBP(MPPPBPtr thePBptr, Boolean async);
ZEL_API OSErr ZEL_CALL PLookupName(MPPPBPtr thePBptr, Boolean async);
ZEL_API OSErr ZEL_CALL PRegisterName(MPPPBPtr thePBptr, Boolean async);
ZEL_API OSErr ZEL_CALL PRemoveName(MPPPBPtr thePBptr, Boolean async);
ZEL_API OSErr ZEL_CALL PSendRequest(ATPPBPtr thePBptr, Boolean async);
ZEL_API int16_t ZEL_CALL GetBridgeAddress(void);
ZEL_API OSErr ZEL_CALL GetNodeAddress(int16_t *myNode, int16_t *myNet);
ZEL_API OSErr ZEL_CALL MPPOpen(void);
ZEL_API OSErr ZEL_CALL NBPExtract(Ptr theBuffer, int16_t numInBuf, int16_t whichOne, EntityName *abEntity,
                                  AddrBlock *address);
ZEL_API OSErr ZEL_CALL POpenATPSkt(ATPPBPtr thePBptr, Boolean async);
ZEL_API OSErr ZEL_CALL PCloseATPSkt(ATPPBPtr thePBptr, Boolean async);
ZEL_API OSErr ZEL_CALL ATPLoad(void);
/* The older calls in their record-and-flag forms. */
ZEL_API OSErr ZEL_CALL ATPOpenSocket(AddrBlock addrRcvd, uint8_t *atpSocket);
ZEL_API OSErr ZEL_CALL NBPLookup(ABRecHandle abRecord, Boolean async);
ZEL_API OSErr ZEL_CALL NBPRegister(ABRecHandle abRecord, Boolean async);
ZEL_API OSErr ZEL_CALL NBPRemove(EntityPtr abEntity);
/* -1, silently. */
ZEL_API OSErr ZEL_CALL GetMyZone(ATPPBPtr thePBptr, Boolean async);

#endif

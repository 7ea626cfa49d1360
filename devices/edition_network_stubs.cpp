// The Edition Manager, AppleTalk, the Open Scripting Architecture, the PPC browser and the file-transfer
// chooser: applications that call them link and run, and none of them does any work. Each reports its
// name (some under the spelling the library has always reported) and answers a fixed value.
#include "../core/core_services.h"
#include "Editions.h"
#include "AppleTalk.h"
#include "OSA.h"
#include "PPCToolbox.h"

namespace {
constexpr OSErr kEditionMgrInitErr = -450;
}

// A host that turns library setting 74 on has the Edition Manager answer as if present, silently.
ZEL_EXTERN_C OSErr ZEL_CALL InitEditionPackVersion(int16_t)
{
    if (LibrarySetting(settingMouseMovedEvents))
        return noErr;
    ReportUnimplemented(" InitEditionPack");
    return memFullErr;
}
ZEL_STUB(OSErr, NewSection, kEditionMgrInitErr,
         (const EditionContainerSpec *, const FSSpec *, SectionType, int32_t, UpdateMode, SectionHandle *))
ZEL_STUB(OSErr, RegisterSection, kEditionMgrInitErr, (const FSSpec *, SectionHandle, Boolean *))
ZEL_STUB(OSErr, UnRegisterSection, kEditionMgrInitErr, (SectionHandle))
ZEL_STUB(OSErr, IsRegisteredSection, kEditionMgrInitErr, (SectionHandle))
ZEL_STUB(OSErr, AssociateSection, kEditionMgrInitErr, (SectionHandle, const FSSpec *))
ZEL_STUB_NAMED(OSErr, CreateEditionContainerFile, "CreateEditionContatinerFile", kEditionMgrInitErr,
               (const FSSpec *, OSType, ScriptCode))
ZEL_STUB_NAMED(OSErr, DeleteEditionContainerFile, "DeleteEditionContainterFile", kEditionMgrInitErr, (const FSSpec *))
ZEL_STUB(OSErr, OpenEdition, kEditionMgrInitErr, (SectionHandle, EditionRefNum *))
ZEL_STUB(OSErr, OpenNewEdition, kEditionMgrInitErr, (SectionHandle, OSType, const FSSpec *, EditionRefNum *))
ZEL_STUB(OSErr, CloseEdition, kEditionMgrInitErr, (EditionRefNum, Boolean))
ZEL_STUB(OSErr, EditionHasFormat, kEditionMgrInitErr, (EditionRefNum, FormatType, Size *))
ZEL_STUB(OSErr, ReadEdition, kEditionMgrInitErr, (EditionRefNum, FormatType, void *, Size *))
ZEL_STUB(OSErr, WriteEdition, kEditionMgrInitErr, (EditionRefNum, FormatType, const void *, Size))
ZEL_STUB(OSErr, SetEditionFormatMark, kEditionMgrInitErr, (EditionRefNum, FormatType, int32_t))
ZEL_STUB(OSErr, GetEditionInfo, kEditionMgrInitErr, (SectionHandle, EditionInfoRecord *))
ZEL_STUB(OSErr, GoToPublisherSection, kEditionMgrInitErr, (const EditionContainerSpec *))
ZEL_STUB(OSErr, GetLastEditionContainerUsed, kEditionMgrInitErr, (EditionContainerSpec *))
ZEL_STUB(OSErr, NewSubscriberDialog, kEditionMgrInitErr, (NewSubscriberReply *))
ZEL_STUB(OSErr, NewPublisherDialog, kEditionMgrInitErr, (NewPublisherReply *))
ZEL_STUB(OSErr, NewPublisherExpDialog, kEditionMgrInitErr,
         (NewPublisherReply *, Point, int16_t, ExpDlgHookProcPtr, ExpModalFilterProcPtr, void *))
ZEL_STUB(OSErr, SectionOptionsDialog, kEditionMgrInitErr, (SectionOptionsReply *))
ZEL_STUB(OSErr, SectionOptionsExpDialog, kEditionMgrInitErr,
         (SectionOptionsReply *, Point, int16_t, ExpDlgHookProcPtr, ExpModalFilterProcPtr, void *))

ZEL_STUB(int16_t, BuildBDS, 0, (Ptr, Ptr, int16_t))
ZEL_STUB_VOID(NBPSetEntity, (Ptr, ConstStr32Param, ConstStr32Param, ConstStr32Param))
ZEL_STUB_VOID(NBPSetNTE, (Ptr, ConstStr32Param, ConstStr32Param, ConstStr32Param, int16_t))
ZEL_STUB(OSErr, PGetAppleTalkInfo, 0, (XPPParmBlkPtr, Boolean))
ZEL_STUB(OSErr, PKillNBP, 0, (MPPPBPtr, Boolean))
ZEL_STUB(OSErr, PLookupName, 0, (MPPPBPtr, Boolean))
ZEL_STUB(OSErr, PRegisterName, 0, (MPPPBPtr, Boolean))
ZEL_STUB(OSErr, PRemoveName, 0, (MPPPBPtr, Boolean))
ZEL_STUB(OSErr, PSendRequest, 0, (ATPPBPtr, Boolean))
ZEL_STUB(int16_t, GetBridgeAddress, 0, (void))
ZEL_STUB(OSErr, GetNodeAddress, 0, (int16_t *, int16_t *))
ZEL_STUB(OSErr, MPPOpen, 0, (void))
ZEL_STUB(OSErr, NBPExtract, 0, (Ptr, int16_t, int16_t, EntityName *, AddrBlock *))
ZEL_STUB(OSErr, POpenATPSkt, 0, (ATPPBPtr, Boolean))
ZEL_STUB(OSErr, PCloseATPSkt, 0, (ATPPBPtr, Boolean))
ZEL_STUB(OSErr, ATPLoad, 0, (void))
ZEL_STUB(OSErr, ATPOpenSocket, 0, (AddrBlock, uint8_t *))
ZEL_STUB(OSErr, NBPLookup, 0, (ABRecHandle, Boolean))
ZEL_STUB(OSErr, NBPRegister, 0, (ABRecHandle, Boolean))
ZEL_STUB(OSErr, NBPRemove, 0, (EntityPtr))
ZEL_EXTERN_C OSErr ZEL_CALL GetMyZone(ATPPBPtr, Boolean) { return -1; }

ZEL_STUB(OSAError, OSADispose, 0, (ComponentInstance, OSAID))
ZEL_STUB(OSAError, OSAExecute, 0, (ComponentInstance, OSAID, OSAID, int32_t, OSAID *))
ZEL_STUB(OSAError, OSAStore, 0, (ComponentInstance, OSAID, DescType, int32_t, AEDesc *))
ZEL_STUB(OSAError, OSAGetSource, 0, (ComponentInstance, OSAID, DescType, AEDesc *))
ZEL_STUB(OSAError, OSALoad, 0, (ComponentInstance, const AEDesc *, int32_t, OSAID *))
ZEL_STUB(OSAError, OSACompile, 0, (ComponentInstance, const AEDesc *, int32_t, OSAID *))
ZEL_STUB(OSAError, OSASetProperty, 0, (ComponentInstance, int32_t, OSAID, const AEDesc *, OSAID))
ZEL_STUB(OSAError, OSAGenericToRealID, 0, (ComponentInstance, OSAID *, ComponentInstance *))
ZEL_STUB(OSAError, OSARealToGenericID, 0, (ComponentInstance, OSAID *, ComponentInstance))
ZEL_STUB(OSAError, OSAGetProperty, 0, (ComponentInstance, int32_t, OSAID, const AEDesc *, OSAID *))
ZEL_STUB(OSAError, OSADoEvent, 0, (ComponentInstance, const AppleEvent *, OSAID, int32_t, AppleEvent *))
ZEL_STUB(OSAError, OSASetResumeDispatchProc, 0, (ComponentInstance, AEEventHandlerProcPtr, int32_t))
ZEL_STUB(OSAError, OSAGetResumeDispatchProc, 0, (ComponentInstance, AEEventHandlerProcPtr *, int32_t *))

ZEL_STUB_NAMED(OSErr, PPCBrowser, "PPCBROWSER", 0,
               (ConstStr255Param, ConstStr255Param, Boolean, LocationNameRec *, PortInfoRec *, PPCFilterProcPtr,
                ConstStr32Param))
ZEL_EXTERN_C int16_t ZEL_CALL FTChoose(FTHandle *, Point, ProcPtr) { return 0; }

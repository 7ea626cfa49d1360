/* The Edition Manager: publishers and subscribers link and answer, and no edition is ever made. */
#ifndef TOLVADEX_EDITIONS_H
#define TOLVADEX_EDITIONS_H
#define __EDITIONS__

#include "MacTypes.h"
#include "Files.h"
#include "Events.h"
#include "Dialogs.h"

typedef Handle SectionHandle;
typedef int8_t SectionType;
typedef int16_t UpdateMode;
typedef Ptr EditionRefNum;
typedef OSType FormatType;
typedef struct EditionContainerSpec EditionContainerSpec;
typedef struct EditionInfoRecord EditionInfoRecord;
typedef struct NewSubscriberReply NewSubscriberReply;
typedef struct NewPublisherReply NewPublisherReply;
typedef struct SectionOptionsReply SectionOptionsReply;
typedef int16_t (ZEL_CALL *ExpDlgHookProcPtr)(int16_t itemOffset, int16_t itemHit, DialogPtr theDialog, Ptr yourDataPtr);
typedef Boolean (ZEL_CALL *ExpModalFilterProcPtr)(DialogPtr theDialog, EventRecord *theEvent, int16_t itemOffset,
                                                  int16_t *itemHit, Ptr yourDataPtr);
typedef ExpDlgHookProcPtr ExpDlgHookUPP;
#define NewExpDlgHookUPP(userRoutine) ((ExpDlgHookUPP)(userRoutine))
#define DisposeExpDlgHookUPP(userRoutine) ((void)(userRoutine))
#define NewExpDlgHookProc(userRoutine) ((ExpDlgHookUPP)(userRoutine))
typedef ExpModalFilterProcPtr ExpModalFilterUPP;
#define NewExpModalFilterUPP(userRoutine) ((ExpModalFilterUPP)(userRoutine))
#define DisposeExpModalFilterUPP(userRoutine) ((void)(userRoutine))
#define NewExpModalFilterProc(userRoutine) ((ExpModalFilterUPP)(userRoutine))

/* -108; 0 without a report while library setting 74 is on. */
ZEL_API OSErr ZEL_CALL InitEditionPackVersion(int16_t curEditionMgrVers);
/* The others report their names and answer -450 (editionMgrInitErr). */
ZEL_API OSErr ZEL_CALL NewSection(const EditionContainerSpec *container, const FSSpec *sectionDocument,
                                  SectionType kind, int32_t sectionID, UpdateMode initialMode, SectionHandle *sectionH);
ZEL_API OSErr ZEL_CALL RegisterSection(const FSSpec *sectionDocument, SectionHandle sectionH, Boolean *aliasWasUpdated);
ZEL_API OSErr ZEL_CALL UnRegisterSection(SectionHandle sectionH);
ZEL_API OSErr ZEL_CALL IsRegisteredSection(SectionHandle sectionH);
ZEL_API OSErr ZEL_CALL AssociateSection(SectionHandle sectionH, const FSSpec *newSectionDocument);
ZEL_API OSErr ZEL_CALL CreateEditionContainerFile(const FSSpec *editionFile, OSType fdCreator,
                                                  ScriptCode editionFileNameScript);
ZEL_API OSErr ZEL_CALL DeleteEditionContainerFile(const FSSpec *editionFile);
ZEL_API OSErr ZEL_CALL OpenEdition(SectionHandle subscriberSectionH, EditionRefNum *refNum);
ZEL_API OSErr ZEL_CALL OpenNewEdition(SectionHandle publisherSectionH, OSType fdCreator,
                                      const FSSpec *publisherSectionDocument, EditionRefNum *refNum);
ZEL_API OSErr ZEL_CALL CloseEdition(EditionRefNum whichEdition, Boolean successful);
ZEL_API OSErr ZEL_CALL EditionHasFormat(EditionRefNum whichEdition, FormatType whichFormat, Size *formatSize);
ZEL_API OSErr ZEL_CALL ReadEdition(EditionRefNum whichEdition, FormatType whichFormat, void *buffPtr, Size *buffLen);
ZEL_API OSErr ZEL_CALL WriteEdition(EditionRefNum whichEdition, FormatType whichFormat, const void *buffPtr,
                                    Size buffLen);
ZEL_API OSErr ZEL_CALL SetEditionFormatMark(EditionRefNum whichEdition, FormatType whichFormat, int32_t setMarkTo);
ZEL_API OSErr ZEL_CALL GetEditionInfo(SectionHandle sectionH, EditionInfoRecord *editionInfo);
ZEL_API OSErr ZEL_CALL GoToPublisherSection(const EditionContainerSpec *container);
ZEL_API OSErr ZEL_CALL GetLastEditionContainerUsed(EditionContainerSpec *container);
ZEL_API OSErr ZEL_CALL NewSubscriberDialog(NewSubscriberReply *reply);
ZEL_API OSErr ZEL_CALL NewPublisherDialog(NewPublisherReply *reply);
ZEL_API OSErr ZEL_CALL NewPublisherExpDialog(NewPublisherReply *reply, Point where, int16_t expansionDITLresID,
                                             ExpDlgHookProcPtr dlgHook, ExpModalFilterProcPtr filter, void *yourDataPtr);
ZEL_API OSErr ZEL_CALL SectionOptionsDialog(SectionOptionsReply *reply);
ZEL_API OSErr ZEL_CALL SectionOptionsExpDialog(SectionOptionsReply *reply, Point where, int16_t expansionDITLresID,
                                               ExpDlgHookProcPtr dlgHook, ExpModalFilterProcPtr filter,
                                               void *yourDataPtr);

#endif

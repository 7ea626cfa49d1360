/* The Text Services Manager and the host's input-method glue: both link and answer, and none reaches a
   text service or the Windows input-method editor. No call writes through the pointers it is given. */
#ifndef TOLVADEX_TEXTSERVICES_H
#define TOLVADEX_TEXTSERVICES_H
#define __TEXTSERVICES__

/* Only the handle types of the input-method glue: windows.h would bring in GDI calls that share
   QuickDraw's names. */
#include <windef.h>
#include "MacTypes.h"
#include "Events.h"

typedef void *TSMDocumentID;
typedef Handle TermHandle;
typedef struct TMSelection TMSelection;

ZEL_API OSErr ZEL_CALL InitTSMAwareApplication(void);
ZEL_API OSErr ZEL_CALL CloseTSMAwareApplication(void);
/* 0 and no document: *idocID is left as it was. */
ZEL_API OSErr ZEL_CALL NewTSMDocument(int16_t numOfInterface, OSType *supportedInterfaceTypes, TSMDocumentID *idocID,
                                      int32_t refcon);
ZEL_API OSErr ZEL_CALL DeleteTSMDocument(TSMDocumentID idocID);
ZEL_API OSErr ZEL_CALL ActivateTSMDocument(TSMDocumentID idocID);
ZEL_API OSErr ZEL_CALL DeactivateTSMDocument(TSMDocumentID idocID);
ZEL_API OSErr ZEL_CALL FixTSMDocument(TSMDocumentID idocID);
ZEL_API Boolean ZEL_CALL TSMEvent(EventRecord *event);
ZEL_API Boolean ZEL_CALL TSMMenuSelect(int32_t menuResult);
ZEL_API Boolean ZEL_CALL SetTSMCursor(Point mousePos);
ZEL_API OSErr ZEL_CALL UseInputWindow(TSMDocumentID idocID, Boolean useWindow);
/* The terminal chooser: the point comes as its two words, each in a stack slot of its own. Silent. */
ZEL_API int16_t ZEL_CALL TMChoose(TermHandle hTerm, int16_t whereV, int16_t whereH, ProcPtr idleProc);
ZEL_API void ZEL_CALL TMSetSelection(TermHandle hTerm, const TMSelection *selection, int16_t selType);

/* Input-method glue: silent, fixed answers. */
ZEL_API int32_t ZEL_CALL ZEL_IMEGetConversionMode(HWND window);
ZEL_API int16_t ZEL_CALL ZEL_IMEGetStringSize(HWND window);
ZEL_API int32_t ZEL_CALL ZEL_IMEFlushInput(HWND window);
ZEL_API int32_t ZEL_CALL ZEL_IMEDetermineString(HWND window);
ZEL_API void ZEL_CALL ZEL_IMESetConversionFont(HWND window, int32_t font, int32_t size, int32_t style);
ZEL_API int32_t ZEL_CALL ZEL_IMESetConversionMode(HWND window, int32_t mode);
ZEL_API int16_t ZEL_CALL ZEL_IMESetWindowPos(HWND window, int32_t h, int32_t v, int32_t flags);
ZEL_API int16_t ZEL_CALL ZEL_IMESetWindowBounds(HWND window, int32_t left, int32_t top, int32_t flags);
ZEL_API int16_t ZEL_CALL ZEL_IMESetToDefault(HWND window);
ZEL_API int32_t ZEL_CALL ZEL_IMEActivate(HWND window, int32_t on);

#endif

// The Text Services Manager and the host's input-method glue: applications that call them link and run,
// and nothing reaches a text service or the Windows input-method editor. No call writes through the
// pointers it is given.
#include "../core/core_services.h"
#include "TextServices.h"

ZEL_STUB(OSErr, InitTSMAwareApplication, 0, (void))
ZEL_STUB(OSErr, CloseTSMAwareApplication, 0, (void))
ZEL_STUB(OSErr, NewTSMDocument, 0, (int16_t, OSType *, TSMDocumentID *, int32_t))
ZEL_STUB(OSErr, DeleteTSMDocument, 0, (TSMDocumentID))
ZEL_STUB(OSErr, ActivateTSMDocument, 0, (TSMDocumentID))
ZEL_STUB(OSErr, DeactivateTSMDocument, 0, (TSMDocumentID))
ZEL_STUB(OSErr, FixTSMDocument, 0, (TSMDocumentID))
ZEL_STUB(Boolean, TSMEvent, false, (EventRecord *))
ZEL_STUB(Boolean, TSMMenuSelect, false, (int32_t))
ZEL_STUB(Boolean, SetTSMCursor, false, (Point))
ZEL_STUB(OSErr, UseInputWindow, 0, (TSMDocumentID, Boolean))
ZEL_STUB_VOID(TMSetSelection, (TermHandle, const TMSelection *, int16_t))

// Silent: the terminal chooser and the input-method glue.
ZEL_EXTERN_C int16_t ZEL_CALL TMChoose(TermHandle, int16_t, int16_t, ProcPtr) { return 0; }
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_IMEGetConversionMode(HWND) { return 0; }
ZEL_EXTERN_C int16_t ZEL_CALL ZEL_IMEGetStringSize(HWND) { return 0; }
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_IMEFlushInput(HWND) { return 0; }
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_IMEDetermineString(HWND) { return 0; }
ZEL_EXTERN_C void ZEL_CALL ZEL_IMESetConversionFont(HWND, int32_t, int32_t, int32_t) {}
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_IMESetConversionMode(HWND, int32_t) { return 0; }
ZEL_EXTERN_C int16_t ZEL_CALL ZEL_IMESetWindowPos(HWND, int32_t, int32_t, int32_t) { return 0; }
ZEL_EXTERN_C int16_t ZEL_CALL ZEL_IMESetWindowBounds(HWND, int32_t, int32_t, int32_t) { return 0; }
ZEL_EXTERN_C int16_t ZEL_CALL ZEL_IMESetToDefault(HWND) { return 0; }
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_IMEActivate(HWND, int32_t) { return -1; }

/* Desk Manager: there are no desk accessories on Windows; the calls answer without doing anything. */
#ifndef TOLVADEX_DESK_H
#define TOLVADEX_DESK_H
#define __DESK__

#include "MacTypes.h"
#include "Quickdraw.h"
#include "Events.h"
#include "MacWindows.h"

ZEL_API int16_t ZEL_CALL OpenDeskAcc(ConstStr255Param deskAccName);
ZEL_API void ZEL_CALL CloseDeskAcc(int16_t refNum);
ZEL_API Boolean ZEL_CALL SystemEdit(int16_t editCmd);
ZEL_API void ZEL_CALL SystemClick(const EventRecord *theEvent, WindowPtr theWindow);
ZEL_API Boolean ZEL_CALL SystemEvent(const EventRecord *theEvent);

#endif

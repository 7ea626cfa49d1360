/* Dialog Manager. */
#ifndef TOLVADEX_DIALOGS_H
#define TOLVADEX_DIALOGS_H

#include "MacTypes.h"
#include "Events.h"

typedef void (ZEL_CALL *SoundProcPtr)(int16_t soundNumber);

ZEL_API void ZEL_CALL ErrorSound(SoundProcPtr soundProc);

typedef WindowPtr DialogPtr;
typedef Boolean (ZEL_CALL *ModalFilterProcPtr)(DialogPtr theDialog, EventRecord *theEvent, int16_t *itemHit);

/* Patchable through the trap table. */
ZEL_API void ZEL_CALL ModalDialog(ModalFilterProcPtr modalFilter, int16_t *itemHit);

#endif

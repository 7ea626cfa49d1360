/* Dialog Manager. It brings in what a dialog program uses with it: the Window, Menu, Control and
   TextEdit declarations and the Event Manager's. */
#ifndef TOLVADEX_DIALOGS_H
#define TOLVADEX_DIALOGS_H

#include "MacTypes.h"
#include "Events.h"
#include "MacWindows.h"
#include "Menus.h"
#include "Controls.h"
#include "TextEdit.h"

typedef void (ZEL_CALL *SoundProcPtr)(int16_t soundNumber);

ZEL_API void ZEL_CALL ErrorSound(SoundProcPtr soundProc);

typedef WindowPtr DialogPtr;
typedef DialogPtr DialogRef;
typedef int16_t DialogItemIndex;
typedef int16_t DialogItemType;
typedef Boolean (ZEL_CALL *ModalFilterProcPtr)(DialogPtr theDialog, EventRecord *theEvent, int16_t *itemHit);

/* A user item's drawing procedure; its universal procedure pointer is the plain pointer. */
typedef void (ZEL_CALL *UserItemProcPtr)(DialogPtr theDialog, int16_t itemNo);
typedef UserItemProcPtr UserItemUPP;
#define NewUserItemUPP(userRoutine) ((UserItemUPP)(userRoutine))
#define NewUserItemProc(userRoutine) NewUserItemUPP(userRoutine)
typedef ModalFilterProcPtr ModalFilterUPP;
#define NewModalFilterUPP(userRoutine) ((ModalFilterUPP)(userRoutine))
#define NewModalFilterProc(userRoutine) NewModalFilterUPP(userRoutine)

/* Patchable through the trap table. */
ZEL_API void ZEL_CALL ModalDialog(ModalFilterProcPtr modalFilter, int16_t *itemHit);

#endif

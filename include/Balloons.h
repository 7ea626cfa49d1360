/* Help Manager: balloon help has no Windows counterpart; the calls answer without doing anything. */
#ifndef TOLVADEX_BALLOONS_H
#define TOLVADEX_BALLOONS_H
#define __BALLOONS__

#include "MacTypes.h"
#include "Menus.h"

ZEL_API MenuHandle ZEL_CALL HMGetHelpMenuHandle(MenuHandle *mh);
ZEL_API OSErr ZEL_CALL HMShowBalloon(const void *aHelpMsg, Point tip, const Rect *alternateRect, Ptr tipProc,
                                     int16_t theProc, int16_t variant, int16_t method);
ZEL_API OSErr ZEL_CALL HMRemoveBalloon(void);
ZEL_API Boolean ZEL_CALL HMGetBalloons(void);
ZEL_API OSErr ZEL_CALL HMSetBalloons(Boolean flag);
ZEL_API OSErr ZEL_CALL HMGetIndHelpMsg(ResType whichType, int16_t whichResID, int16_t whichMsg, int16_t whichState,
                                       ZEL_ULong *options, Point *tip, Rect *altRect, int16_t *theProc,
                                       int16_t *variant, void *aHelpMsg, int16_t *count);
ZEL_API Boolean ZEL_CALL HMIsBalloon(void);
ZEL_API OSErr ZEL_CALL HMSetMenuResID(int16_t menuID, int16_t resID);

#endif

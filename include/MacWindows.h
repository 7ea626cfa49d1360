/* Window Manager. */
#ifndef TOLVADEX_MACWINDOWS_H
#define TOLVADEX_MACWINDOWS_H

#include "MacTypes.h"
#include "Quickdraw.h"

/* Patchable through the trap table. ShowWindo and CloseWindo are ShowWindow and CloseWindow, whose
   names Windows itself uses. */
ZEL_API WindowPtr ZEL_CALL NewWindow(void *wStorage, const Rect *boundsRect, ConstStr255Param title,
                                     Boolean visible, int16_t procID, WindowPtr behind, Boolean goAwayFlag,
                                     int32_t refCon);
ZEL_API WindowPtr ZEL_CALL NewCWindow(void *wStorage, const Rect *boundsRect, ConstStr255Param title,
                                      Boolean visible, int16_t procID, WindowPtr behind, Boolean goAwayFlag,
                                      int32_t refCon);
ZEL_API void ZEL_CALL ShowWindo(WindowPtr theWindow);
ZEL_API void ZEL_CALL HideWindow(WindowPtr theWindow);
ZEL_API void ZEL_CALL SelectWindow(WindowPtr theWindow);
ZEL_API void ZEL_CALL CloseWindo(WindowPtr theWindow);
ZEL_API WindowPtr ZEL_CALL FrontWindow(void);
ZEL_API void ZEL_CALL BeginUpdate(WindowPtr theWindow);
ZEL_API void ZEL_CALL EndUpdate(WindowPtr theWindow);
ZEL_API void ZEL_CALL InvalRect(const Rect *badRect);
ZEL_API void ZEL_CALL InvalRgn(RgnHandle badRgn);

#endif

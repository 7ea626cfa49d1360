/* Window Manager. */
#ifndef TOLVADEX_MACWINDOWS_H
#define TOLVADEX_MACWINDOWS_H
#define __MACWINDOWS__

#include <windef.h>
#include "MacTypes.h"
#include "Quickdraw.h"
#include "Events.h"

struct ControlRecord;
typedef struct ControlRecord **ControlHandle;
struct tagMINMAXINFO;
typedef CGrafPtr CWindowPtr;
typedef WindowPtr WindowRef;

#pragma pack(push, 2)

/* Every Macintosh window is one of these, tied one to one to a Windows window. windowDefProc holds the
   window's procID itself (sign-extended), not a handle: the procID alone chooses the Windows styles and
   the Macintosh-style frame. dataHandle holds the window's WindowAuxRecord. */
typedef struct WindowRecord {
    GrafPort port;
    int16_t windowKind;
    Boolean visible;
    Boolean hilited;
    Boolean goAwayFlag;
    Boolean spareFlag; /* zoom state: 1 while zoomed out to the standard state */
    RgnHandle strucRgn;
    RgnHandle contRgn;
    RgnHandle updateRgn;
    int32_t windowDefProc;
    Handle dataHandle;
    StringHandle titleHandle;
    int16_t titleWidth;
    ControlHandle controlList;
    struct WindowRecord *nextWindow;
    PicHandle windowPic;
    int32_t refCon;
} WindowRecord;
typedef WindowRecord *WindowPeek;

/* The same record over a colour port. */
typedef struct CWindowRecord {
    CGrafPort port;
    int16_t windowKind;
    Boolean visible;
    Boolean hilited;
    Boolean goAwayFlag;
    Boolean spareFlag;
    RgnHandle strucRgn;
    RgnHandle contRgn;
    RgnHandle updateRgn;
    int32_t windowDefProc;
    Handle dataHandle;
    StringHandle titleHandle;
    int16_t titleWidth;
    ControlHandle controlList;
    struct CWindowRecord *nextWindow;
    PicHandle windowPic;
    int32_t refCon;
} CWindowRecord;
typedef CWindowRecord *CWindowPeek;

/* The library's half of the tie: the content rectangle in global coordinates, the standard (zoomed)
   state, the Windows window and two flag words. */
typedef struct WindowAuxRecord {
    Rect bounds;
    Rect zoomBounds;
    HWND hwnd;
    uint16_t createFlags;
    uint16_t stateFlags;
} WindowAuxRecord;
typedef WindowAuxRecord *AuxWinPtr;
typedef AuxWinPtr *AuxWinHandle;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(WindowRecord) == 156, "WindowRecord is 156 bytes");
ZEL_STATIC_ASSERT(sizeof(CWindowRecord) == 156, "CWindowRecord is 156 bytes");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, windowKind) == 108, "windowKind at 108");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, visible) == 110, "visible at 110");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, spareFlag) == 113, "spareFlag at 113");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, strucRgn) == 114, "strucRgn at 114");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, updateRgn) == 122, "updateRgn at 122");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, windowDefProc) == 126, "windowDefProc at 126");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, dataHandle) == 130, "dataHandle at 130");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, titleHandle) == 134, "titleHandle at 134");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, controlList) == 140, "controlList at 140");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, nextWindow) == 144, "nextWindow at 144");
ZEL_STATIC_ASSERT(offsetof(WindowRecord, refCon) == 152, "refCon at 152");
ZEL_STATIC_ASSERT(offsetof(CWindowRecord, windowKind) == 108, "colour windowKind at 108");
ZEL_STATIC_ASSERT(offsetof(CWindowRecord, refCon) == 152, "colour refCon at 152");
ZEL_STATIC_ASSERT(sizeof(WindowAuxRecord) == 24, "WindowAuxRecord is 24 bytes");
ZEL_STATIC_ASSERT(offsetof(WindowAuxRecord, hwnd) == 16, "hwnd at 16");
ZEL_STATIC_ASSERT(offsetof(WindowAuxRecord, createFlags) == 20, "createFlags at 20");
ZEL_STATIC_ASSERT(offsetof(WindowAuxRecord, stateFlags) == 22, "stateFlags at 22");

/* WindowAuxRecord.createFlags: the low byte is procID & 0xFF. */
enum {
    wcfUpdatePending = 0x0100,
    wcfMDIChild = 0x0200,
    wcfHorizScrollBar = 0x0400, /* the Control Manager's */
    wcfVertScrollBar = 0x0800,  /* the Control Manager's */
    wcfResizable = 0x1000,
    wcfPopUp = 0x2000,
    wcfFloating = 0x4000,
    wcfDialog = 0x8000
};
/* WindowAuxRecord.stateFlags. */
enum {
    wsfUserResized = 0x0001,
    wsfCallerStorage = 0x0002,
    wsfTakesFocus = 0x0004,
    wsfItemsOverlap = 0x0008, /* the Dialog Manager's */
    wsfMacFrame = 0x0010,
    wsfWhiteBackground = 0x0020,
    wsfChildrenParked = 0x0040 /* the Dialog Manager's */
};

/* The window extra bytes of every library window (read with GetWindowLongA / GetWindowWord); the host's
   window classes reserve at least 32. */
enum {
    zelWindowPtrLong = 0,
    zelWindowPaletteLong = 4,
    zelWindowStyleLong = 8,
    zelWindowMinWidthWord = 12,
    zelWindowMinHeightWord = 14,
    zelWindowCreationLong = 16, /* bit 0: a plain child standing in for an MDI child; bit 1: see below */
    zelWindowExtraBytes = 32
};

/* Window kinds and part codes. */
enum {
    dialogKind = 2,
    userKind = 8
};
enum {
    inDesk = 0,
    inMenuBar = 1,
    inSysWindow = 2,
    inContent = 3,
    inDrag = 4,
    inGrow = 5,
    inGoAway = 6,
    inZoomIn = 7,
    inZoomOut = 8
};
/* A window definition procedure: its messages, and the parts a hit test answers. */
typedef int32_t (ZEL_CALL *WindowDefProcPtr)(int16_t varCode, WindowPtr theWindow, int16_t message, int32_t param);
/* Universal procedure pointers are plain procedure pointers here: there is one calling convention. */
typedef WindowDefProcPtr WindowDefUPP;
#define NewWindowDefUPP(userRoutine) ((WindowDefUPP)(userRoutine))
#define DisposeWindowDefUPP(userRoutine) ((void)(userRoutine))
#define NewWindowDefProc(userRoutine) ((WindowDefUPP)(userRoutine))
enum {
    wDraw = 0,
    wHit = 1,
    wCalcRgns = 2,
    wNew = 3,
    wDispose = 4,
    wGrow = 5,
    wDrawGIcon = 6,
    kWindowMsgDraw = wDraw,
    kWindowMsgHitTest = wHit,
    kWindowMsgCalculateShape = wCalcRgns,
    kWindowMsgInitialize = wNew,
    kWindowMsgCleanUp = wDispose,
    kWindowMsgDrawGrowOutline = wGrow,
    kWindowMsgDrawGrowBox = wDrawGIcon
};
enum {
    wNoHit = 0,
    wInContent = 1,
    wInDrag = 2,
    wInGrow = 3,
    wInGoAway = 4,
    wInZoomIn = 5,
    wInZoomOut = 6
};
/* Window definition procIDs. */
enum {
    documentProc = 0,
    dBoxProc = 1,
    plainDBox = 2,
    altDBoxProc = 3,
    noGrowDocProc = 4,
    movableDBoxProc = 5,
    zoomDocProc = 8,
    zoomNoGrow = 12,
    rDocProc = 16
};

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

/* Window records and creation. */
ZEL_API void ZEL_CALL InitWindows(void);
ZEL_API WindowPtr ZEL_CALL GetNewWindow(int16_t windowID, void *wStorage, WindowPtr behind);
ZEL_API WindowPtr ZEL_CALL GetNewCWindow(int16_t windowID, void *wStorage, WindowPtr behind);
ZEL_API void ZEL_CALL DisposeWindow(WindowPtr theWindow);
ZEL_API void ZEL_CALL ZEL_SetMinWinSize(int16_t width, int16_t height);
ZEL_API void ZEL_CALL ZEL_SetwPtrMinSize(WindowPtr window, int16_t width, int16_t height);
ZEL_API HWND ZEL_CALL ZEL_SetWindowParent(WindowPtr window, WindowPtr newParent);
ZEL_API void ZEL_CALL ZEL_TopMainWnd(void);
ZEL_API int32_t ZEL_CALL ZEL_KitchenSink(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e);
ZEL_API int32_t ZEL_CALL GetMCInfo(void);
ZEL_API int32_t ZEL_CALL GetMCEntry(int16_t menuID, int16_t menuItem);

/* The window list, ordering and activation. */
ZEL_API void ZEL_CALL BringToFront(WindowPtr theWindow);
ZEL_API void ZEL_CALL SendBehind(WindowPtr theWindow, WindowPtr behindWindow);
ZEL_API void ZEL_CALL ShowHide(WindowPtr theWindow, Boolean showFlag);
ZEL_API void ZEL_CALL HiliteWindow(WindowPtr theWindow, Boolean fHilite);
ZEL_API void ZEL_CALL ZEL_ForceDeactActPair(WindowPtr deactivated, WindowPtr activated);
/* Mode 0 marks the list stale; any other mode rebuilds it from the Windows Z-order. */
ZEL_API void ZEL_CALL ZEL_UpdateWindows(int16_t mode);
/* For WM_MOUSEACTIVATE, WM_ACTIVATE, WM_MDIACTIVATE and WM_CHILDACTIVATE of the host's windows. */
ZEL_API LRESULT ZEL_CALL ZEL_EventActivate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/* Update regions and window drawing. */
ZEL_API void ZEL_CALL ValidRect(const Rect *goodRect);
ZEL_API void ZEL_CALL ValidRgn(RgnHandle goodRgn);
/* For WM_PAINT: 1 when the window is a library window (the library painted), else 0. */
ZEL_API int32_t ZEL_CALL ZEL_EventUpdate(HWND hwnd);
ZEL_API Boolean ZEL_CALL ZEL_CheckUpdateRgn(WindowPtr window);
ZEL_API void ZEL_CALL ZEL_ClipRgnChange(GrafPtr port);
ZEL_API void ZEL_CALL ZEL_ClipRectChange(GrafPtr port);
ZEL_API void ZEL_CALL CalcVis(WindowPtr window);
ZEL_API void ZEL_CALL CalcVisBehind(WindowPtr startWindow, RgnHandle clobberedRgn);
ZEL_API void ZEL_CALL ClipAbove(WindowPtr window);
ZEL_API void ZEL_CALL PaintOne(WindowPtr window, RgnHandle clobberedRgn);
ZEL_API void ZEL_CALL PaintBehind(WindowPtr startWindow, RgnHandle clobberedRgn);
ZEL_API Boolean ZEL_CALL CheckUpdate(void *theEvent);
ZEL_API void ZEL_CALL SetWTitle(WindowPtr theWindow, ConstStr255Param title);
ZEL_API void ZEL_CALL GetWTitle(WindowPtr theWindow, StringPtr title);
ZEL_API int32_t ZEL_CALL GetWRefCon(WindowPtr theWindow);
ZEL_API void ZEL_CALL SetWRefCon(WindowPtr theWindow, int32_t data);
ZEL_API PicHandle ZEL_CALL GetWindowPic(WindowPtr theWindow);
ZEL_API void ZEL_CALL SetWindowPic(WindowPtr theWindow, PicHandle pic);
ZEL_API int16_t ZEL_CALL GetWVariant(WindowPtr theWindow);
ZEL_API RgnHandle ZEL_CALL GetGrayRgn(void);
ZEL_API void ZEL_CALL GetWMgrPort(GrafPtr *wPort);
ZEL_API void ZEL_CALL GetCWMgrPort(CGrafPtr *wMgrCPort);
ZEL_API Boolean ZEL_CALL GetAuxWin(WindowPtr theWindow, AuxWinHandle *awHndl);

/* Window lookup, focus and the keyboard hooks. */
ZEL_API Boolean ZEL_CALL ZEL_GetwPtr(HWND hwnd, WindowPtr *window);
ZEL_API HWND ZEL_CALL ZEL_GethWnd(WindowPtr window);
ZEL_API WindowPtr ZEL_CALL ZEL_FocusWindow(void);
ZEL_API LRESULT ZEL_CALL ZEL_DlgKeyHook(int code, WPARAM virtualKey, LPARAM keyData);
ZEL_API LRESULT ZEL_CALL A_DlgKeyHook(int code, WPARAM virtualKey, LPARAM keyData);
/* The host's dialog keyboard procedure (0 removes it). */
ZEL_API void ZEL_CALL ZEL_SetDlgKBHook(FARPROC proc);
ZEL_API HHOOK ZEL_CALL ZEL_EnableHelpHook(FARPROC proc);
ZEL_API void ZEL_CALL ZEL_DisableHelpHook(void);
ZEL_API LRESULT ZEL_CALL A_HelpKeyHook(int code, WPARAM virtualKey, LPARAM keyData);

/* Finding, dragging, growing, sizing, moving and zooming. Frame actions are done by Windows: the frame
   glue posts mouse-downs at h = -1, v = -part, which FindWindo decodes. */
ZEL_API int16_t ZEL_CALL FindWindo(Point thePoint, WindowPtr *theWindow);
ZEL_API void ZEL_CALL DragWindow(WindowPtr theWindow, Point startPt, const Rect *boundsRect);
ZEL_API int32_t ZEL_CALL DragGrayRgn(RgnHandle theRgn, Point startPt, const Rect *limitRect, const Rect *slopRect,
                                     int16_t axis, ProcPtr actionProc);
ZEL_API Boolean ZEL_CALL TrackGoAway(WindowPtr theWindow, Point thePt);
ZEL_API Boolean ZEL_CALL TrackBox(WindowPtr theWindow, Point thePt, int16_t partCode);
ZEL_API int32_t ZEL_CALL GrowWindow(WindowPtr theWindow, Point startPt, const Rect *sizeRect);
ZEL_API int32_t ZEL_CALL ZEL_WindDiffSize(WindowPtr window, Boolean *isIconic);
ZEL_API void ZEL_CALL SizeWindow(WindowPtr theWindow, int16_t w, int16_t h, Boolean fUpdate);
ZEL_API void ZEL_CALL MoveWindo(WindowPtr theWindow, int16_t hGlobal, int16_t vGlobal, Boolean front);
ZEL_API void ZEL_CALL ZEL_MoveWindow(WindowPtr window, int16_t h, int16_t v, Boolean front);
ZEL_API void ZEL_CALL ZoomWindow(WindowPtr theWindow, int16_t partCode, Boolean front);
ZEL_API int32_t ZEL_CALL PinRect(const Rect *theRect, Point thePt);
ZEL_API void ZEL_CALL ZEL_WindowLocation(int16_t mode, WindowPtr window, Rect *rect);
ZEL_API LRESULT ZEL_CALL ZEL_GetMinMaxInfo(HWND hwnd, struct tagMINMAXINFO *info);
ZEL_API LRESULT ZEL_CALL ZEL_GetMinMaxInfo2(HWND hwnd, struct tagMINMAXINFO *info, int16_t minWidth, int16_t minHeight);
ZEL_API LRESULT ZEL_CALL ZEL_GetMinMaxInfo4(HWND hwnd, struct tagMINMAXINFO *info, int16_t minWidth, int16_t minHeight,
                                            int16_t maxWidth, int16_t maxHeight);
enum { noConstraint = 0, hAxisOnly = 1, vAxisOnly = 2 };

/* The frame and multiple-document glue for the host's window procedures. */
ZEL_API LRESULT ZEL_CALL ZEL_NCMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL ZEL_WindChange(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
/* 1 when the library took the command (the host must not pass it on). */
ZEL_API int32_t ZEL_CALL ZEL_SysCommand(int16_t isMainWindow, HWND hwnd, WPARAM command);
ZEL_API LRESULT ZEL_CALL ZEL_MDIMessage(UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API uint32_t ZEL_CALL ZEL_MDIDefaultState(int16_t set, uint32_t value, int32_t ignored);
ZEL_API void ZEL_CALL ZEL_GetCurHDCs(HDC *hdc, HDC *printerDC, int16_t *printing);

/* The system menu and the largest window rectangle, both used by window creation. */
ZEL_API void ZEL_CALL ZEL_FixupSystemMenu(HWND hwnd, HMENU menu);
ZEL_API void ZEL_CALL ZEL_CheckMaxWindowRect(Rect *rect, Boolean isPopup, Boolean mayShrink);

/* ---- Published names of the entry points exported without their last letter ---- */
/* Names of USER32. */
#if defined(__cplusplus) || !defined(_WINUSER_)
ZEL_PUBLISHED_PROC(ShowWindow, ShowWindo, (WindowPtr theWindow), (theWindow))
ZEL_PUBLISHED_PROC(CloseWindow, CloseWindo, (WindowPtr theWindow), (theWindow))
ZEL_PUBLISHED_PROC(MoveWindow, MoveWindo, (WindowPtr theWindow, int16_t hGlobal, int16_t vGlobal, Boolean front),
                   (theWindow, hGlobal, vGlobal, front))
#endif
ZEL_PUBLISHED_FUNC_AW(int16_t, FindWindow, FindWindo, (Point thePoint, WindowPtr *theWindow), (thePoint, theWindow))
#if !defined(FindWindow) && (defined(__cplusplus) || !defined(_WINUSER_))
ZEL_PUBLISHED_FUNC(int16_t, FindWindow, FindWindo, (Point thePoint, WindowPtr *theWindow), (thePoint, theWindow))
#endif


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposWindow DisposeWindow
#endif


/* The Mac-prefixed names of the later interfaces, for calls whose plain names Windows also uses. */
#ifndef TOLVADEX_BUILDING
#define MacShowWindow ShowWindo
#define MacCloseWindow CloseWindo
#define MacMoveWindow MoveWindo
#define MacFindWindow FindWindo
#endif


/* The zoom states a window's zoom box moves between. */
#pragma pack(push, 2)
typedef struct WStateData {
    Rect userState;
    Rect stdState;
} WStateData;
#pragma pack(pop)
typedef WStateData *WStateDataPtr;
typedef WStateDataPtr *WStateDataHandle;
ZEL_STATIC_ASSERT(sizeof(WStateData) == 16, "WStateData is 16 bytes");

/* Accessors of the later interfaces for the window record. A window is its port; the window list is
   the low-memory global's. */
#ifndef TOLVADEX_BUILDING
#include "LowMem.h"
ZEL_INLINE int16_t GetWindowKind(WindowRef window) { return ((WindowPeek)window)->windowKind; }
ZEL_INLINE void SetWindowKind(WindowRef window, int16_t kind) { ((WindowPeek)window)->windowKind = kind; }
ZEL_INLINE CGrafPtr GetWindowPort(WindowRef window) { return (CGrafPtr)window; }
ZEL_INLINE WindowRef GetWindowFromPort(CGrafPtr port) { return (WindowRef)port; }
ZEL_INLINE void SetPortWindowPort(WindowRef window) { SetPor((GrafPtr)window); }
ZEL_INLINE Boolean IsWindowHilited(WindowRef window) { return ((WindowPeek)window)->hilited; }
/* Windows spells its GetNextWindow as a macro of two arguments. */
#ifndef GetNextWindow
ZEL_INLINE WindowRef GetNextWindow(WindowRef window) { return (WindowRef)((WindowPeek)window)->nextWindow; }
#endif
ZEL_INLINE WindowRef GetWindowList(void) { return LMGetWindowList(); }
ZEL_INLINE Rect *GetWindowPortBounds(WindowRef window, Rect *bounds)
{
    *bounds = window->portRect;
    return bounds;
}
/* Windows' own IsWindowVisible takes a window handle: C++ has both; a C file that included a Windows
   header first reads the record's field. */
#if defined(__cplusplus) || !defined(_WINUSER_)
ZEL_INLINE Boolean IsWindowVisible(WindowRef window) { return ((WindowPeek)window)->visible; }
#endif
/* The update region calls, made in the window's port. */
#define ZEL_IN_WINDOW_PORT(window, call) \
    {                                    \
        GrafPtr saved;                   \
        GetPort(&saved);                 \
        SetPor(window);                  \
        call;                            \
        SetPor(saved);                   \
    }
ZEL_INLINE OSStatus InvalWindowRect(WindowRef window, const Rect *bounds)
{
    ZEL_IN_WINDOW_PORT(window, InvalRect(bounds))
    return noErr;
}
ZEL_INLINE OSStatus InvalWindowRgn(WindowRef window, RgnHandle region)
{
    ZEL_IN_WINDOW_PORT(window, InvalRgn(region))
    return noErr;
}
ZEL_INLINE OSStatus ValidWindowRect(WindowRef window, const Rect *bounds)
{
    ZEL_IN_WINDOW_PORT(window, ValidRect(bounds))
    return noErr;
}
ZEL_INLINE OSStatus ValidWindowRgn(WindowRef window, RgnHandle region)
{
    ZEL_IN_WINDOW_PORT(window, ValidRgn(region))
    return noErr;
}
#endif

#endif

/* Control Manager. Every control is mirrored by a Windows child window of its owner's Windows window;
   the record keeps the Macintosh state. */
#ifndef TOLVADEX_CONTROLS_H
#define TOLVADEX_CONTROLS_H
#define __CONTROLS__

#include <windef.h>
#include "MacTypes.h"
#include "Quickdraw.h"
#include "MacWindows.h"
#include "Menus.h"

#pragma pack(push, 2)

/* The published record. contrlDefProc holds the kind of a built-in control as a small number (0 push
   button or group box, 1 check box or three-state box, 2 radio button, 3 popup or combo box, 16 scroll
   bar) or the address of a custom control's definition procedure. The last 14 bytes of contrlTitle are
   the library's (a title keeps at most 241 characters): the combo box's menu, the owner origin of the
   last placement, the custom flag, the variant and the child window. */
typedef struct ControlRecord {
    struct ControlRecord **nextControl;
    WindowPtr contrlOwner;
    Rect contrlRect;
    uint8_t contrlVis;
    uint8_t contrlHilite;
    int16_t contrlValue;
    int16_t contrlMin;
    int16_t contrlMax;
    int32_t contrlDefProc;
    Handle contrlData;
    ProcPtr contrlAction;
    int32_t contrlRfCon;
    Str255 contrlTitle;
} ControlRecord;
typedef ControlRecord *ControlPtr;

/* The popup menu control's record, a handle in contrlData: the menu shown, where the title is drawn
   (contrlRect up to the title width), the box (from the title's right edge; cut to the menu's width
   unless the variant asks for a fixed width) and the variant given at creation. */
typedef struct PopupControlData {
    MenuHandle menu;
    Rect titleRect;
    Rect boxRect;
    uint16_t variant;
} PopupControlData;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(PopupControlData) == 22, "PopupControlData is 22 bytes");
ZEL_STATIC_ASSERT(offsetof(PopupControlData, boxRect) == 12, "boxRect at 12");
ZEL_STATIC_ASSERT(sizeof(ControlRecord) == 296, "ControlRecord is 296 bytes");
ZEL_STATIC_ASSERT(offsetof(ControlRecord, contrlRect) == 8, "contrlRect at 8");
ZEL_STATIC_ASSERT(offsetof(ControlRecord, contrlVis) == 16, "contrlVis at 16");
ZEL_STATIC_ASSERT(offsetof(ControlRecord, contrlValue) == 18, "contrlValue at 18");
ZEL_STATIC_ASSERT(offsetof(ControlRecord, contrlDefProc) == 24, "contrlDefProc at 24");
ZEL_STATIC_ASSERT(offsetof(ControlRecord, contrlAction) == 32, "contrlAction at 32");
ZEL_STATIC_ASSERT(offsetof(ControlRecord, contrlRfCon) == 36, "contrlRfCon at 36");
ZEL_STATIC_ASSERT(offsetof(ControlRecord, contrlTitle) == 40, "contrlTitle at 40");

/* A control definition procedure: (variant, control, message, parameter). */
typedef int32_t (ZEL_CALL *ControlDefProcPtr)(int16_t varCode, ControlHandle theControl, int16_t message,
                                              int32_t param);
/* A tracking action procedure. */
typedef void (ZEL_CALL *ControlActionProcPtr)(ControlHandle theControl, int16_t partCode);
/* The later interfaces' names; universal procedure pointers are plain procedure pointers here (there is
   one calling convention). */
typedef ControlHandle ControlRef;
typedef ControlActionProcPtr ControlActionUPP;
#define NewControlActionUPP(userRoutine) ((ControlActionUPP)(userRoutine))
#define DisposeControlActionUPP(userRoutine) ((void)(userRoutine))
#define NewControlActionProc(userRoutine) ((ControlActionUPP)(userRoutine))
typedef ControlDefProcPtr ControlDefUPP;
#define NewControlDefUPP(userRoutine) ((ControlDefUPP)(userRoutine))
#define DisposeControlDefUPP(userRoutine) ((void)(userRoutine))
#define NewControlDefProc(userRoutine) ((ControlDefUPP)(userRoutine))

/* Standard control procIDs; useWFont (8) makes the control take its window's font. */
enum {
    pushButProc = 0,
    checkBoxProc = 1,
    radioButProc = 2,
    useWFont = 8,
    scrollBarProc = 16,
    popupMenuProc = 1008
};
/* Control definition messages. */
enum {
    drawCntl = 0,
    testCntl = 1,
    calcCRgns = 2,
    initCntl = 3,
    dispCntl = 4,
    posCntl = 5,
    thumbCntl = 6,
    dragCntl = 7,
    autoTrack = 8,
    calcThumbRgn = 11
};
/* Part codes. */
enum {
    kControlNoPart = 0,
    inButton = 10,
    inCheckBox = 11,
    inUpButton = 20,
    inDownButton = 21,
    inPageUp = 22,
    inPageDown = 23,
    inThumb = 129
};
/* contrlHilite of an inactive control. */
enum { inactiveHilite = 255 };

/* Records, creation and disposal. */
ZEL_API ControlHandle ZEL_CALL NewControl(WindowPtr theWindow, const Rect *boundsRect, ConstStr255Param title,
                                          Boolean visible, int16_t value, int16_t min, int16_t max,
                                          int16_t procID, int32_t refCon);
ZEL_API ControlHandle ZEL_CALL GetNewControl(int16_t controlID, WindowPtr owner);
ZEL_API void ZEL_CALL DisposeControl(ControlHandle theControl);
ZEL_API void ZEL_CALL KillControls(WindowPtr theWindow);

/* Visibility, place and size. */
ZEL_API void ZEL_CALL ShowControl(ControlHandle theControl);
ZEL_API void ZEL_CALL HideControl(ControlHandle theControl);
ZEL_API void ZEL_CALL MoveControl(ControlHandle theControl, int16_t h, int16_t v);
ZEL_API void ZEL_CALL SizeControl(ControlHandle theControl, int16_t w, int16_t h);

/* Fields. */
ZEL_API void ZEL_CALL GetControlTitle(ControlHandle theControl, Str255 title);
ZEL_API void ZEL_CALL SetControlTitle(ControlHandle theControl, ConstStr255Param title);
ZEL_API int32_t ZEL_CALL GetControlReference(ControlHandle theControl);
ZEL_API void ZEL_CALL SetControlReference(ControlHandle theControl, int32_t data);
ZEL_API ProcPtr ZEL_CALL GetControlAction(ControlHandle theControl);
ZEL_API void ZEL_CALL SetControlAction(ControlHandle theControl, ProcPtr actionProc);
ZEL_API int16_t ZEL_CALL GetControlVariant(ControlHandle theControl);
ZEL_API Boolean ZEL_CALL GetAuxiliaryControlRecord(ControlHandle theControl, Handle *acHndl);
ZEL_API void ZEL_CALL SetControlColor(ControlHandle theControl, Handle newColorTable);

/* Values, limits and highlighting. A combo box's value is its selection plus one. */
ZEL_API int16_t ZEL_CALL GetControlValue(ControlHandle theControl);
ZEL_API void ZEL_CALL SetControlValue(ControlHandle theControl, int16_t newValue);
ZEL_API int16_t ZEL_CALL GetControlMinimum(ControlHandle theControl);
ZEL_API int16_t ZEL_CALL GetControlMaximum(ControlHandle theControl);
ZEL_API void ZEL_CALL SetControlMinimum(ControlHandle theControl, int16_t newMinimum);
ZEL_API void ZEL_CALL SetControlMaximum(ControlHandle theControl, int16_t newMaximum);
ZEL_API void ZEL_CALL HiliteControl(ControlHandle theControl, int16_t hiliteState);

/* Hit testing, tracking and dragging. An actionProc of -1 stands for the control's own. */
ZEL_API int16_t ZEL_CALL FindControl(Point thePoint, WindowPtr theWindow, ControlHandle *theControl);
ZEL_API int16_t ZEL_CALL TestControl(ControlHandle theControl, Point thePt);
ZEL_API int16_t ZEL_CALL TrackControl(ControlHandle theControl, Point startPoint, ProcPtr actionProc);
ZEL_API void ZEL_CALL DragControl(ControlHandle theControl, Point startPoint, const Rect *limitRect,
                                  const Rect *slopRect, int16_t axis);

/* The popup menu control's definition procedure (procID 1008..1023; variant 1 fixed width, 8 the
   window's font): messages draw, test, initialise, dispose, drag (declined) and auto-track. */
ZEL_API int32_t ZEL_CALL ZEL_PopupCDEF(int16_t varCode, ControlHandle theControl, int16_t message, int32_t param);

/* Drawing. */
ZEL_API void ZEL_CALL Draw1Control(ControlHandle theControl);
ZEL_API void ZEL_CALL DrawControls(WindowPtr theWindow);
ZEL_API void ZEL_CALL UpdateControls(WindowPtr theWindow, RgnHandle updateRegion);
ZEL_API void ZEL_CALL DrawGrowIcon(WindowPtr theWindow);

/* Host glue: the child window behind a control, moving a control to another window, the focus, the
   default button, the control fonts (index 0..7 added fonts, 100 the dialog font, 101 "ZEL_System"), the
   Windows 95 control kinds (procID / 16 of a three-state box, a group box and two combo boxes; 0xFFFF
   matches nothing) and the size of the grow box DrawGrowIcon draws. */
ZEL_API HWND ZEL_CALL ZEL_ControlToHWND(ControlHandle theControl);
ZEL_API WindowPtr ZEL_CALL ZEL_ContrlOwnerChange(ControlHandle theControl, WindowPtr newOwner);
ZEL_API void ZEL_CALL ZEL_SetCtlFocus(ControlHandle theControl, Boolean toControl);
ZEL_API void ZEL_CALL ZEL_SetWindowDefaultButton(ControlHandle theControl, Boolean isDefault);
ZEL_API int16_t ZEL_CALL ZEL_AddControlFont(const char *faceName, int16_t height, int16_t weight);
ZEL_API void ZEL_CALL ZEL_FlushControlFonts(void);
ZEL_API void ZEL_CALL ZEL_SetControlFont(ControlHandle theControl, int16_t index);
ZEL_API void ZEL_CALL ZEL_SetWin95ControlIDs(const uint16_t *ids, int16_t count);
ZEL_API void ZEL_CALL ZEL_SetScrollBarWH(int16_t width, int16_t height);

/* The earlier published names of the field and value calls. */
ZEL_PUBLISHED_FUNC(int16_t, GetCtlValue, GetControlValue, (ControlHandle theControl), (theControl))
ZEL_PUBLISHED_PROC(SetCtlValue, SetControlValue, (ControlHandle theControl, int16_t newValue), (theControl, newValue))
ZEL_PUBLISHED_FUNC(int16_t, GetCtlMin, GetControlMinimum, (ControlHandle theControl), (theControl))
ZEL_PUBLISHED_PROC(SetCtlMin, SetControlMinimum, (ControlHandle theControl, int16_t newMinimum), (theControl, newMinimum))
ZEL_PUBLISHED_FUNC(int16_t, GetCtlMax, GetControlMaximum, (ControlHandle theControl), (theControl))
ZEL_PUBLISHED_PROC(SetCtlMax, SetControlMaximum, (ControlHandle theControl, int16_t newMaximum), (theControl, newMaximum))
ZEL_PUBLISHED_PROC(GetCTitle, GetControlTitle, (ControlHandle theControl, Str255 title), (theControl, title))
ZEL_PUBLISHED_PROC(SetCTitle, SetControlTitle, (ControlHandle theControl, ConstStr255Param title), (theControl, title))
ZEL_PUBLISHED_FUNC(int32_t, GetCRefCon, GetControlReference, (ControlHandle theControl), (theControl))
ZEL_PUBLISHED_PROC(SetCRefCon, SetControlReference, (ControlHandle theControl, int32_t data), (theControl, data))
ZEL_PUBLISHED_FUNC(ProcPtr, GetCtlAction, GetControlAction, (ControlHandle theControl), (theControl))
ZEL_PUBLISHED_PROC(SetCtlAction, SetControlAction, (ControlHandle theControl, ProcPtr actionProc), (theControl, actionProc))


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposControl DisposeControl
#define GetCVariant GetControlVariant
#define UpdtControl UpdateControls
#endif


/* Accessors of the later interfaces for the control record. */
#ifndef TOLVADEX_BUILDING
ZEL_INLINE WindowRef GetControlOwner(ControlRef control) { return (**control).contrlOwner; }
ZEL_INLINE Rect *GetControlBounds(ControlRef control, Rect *bounds) { *bounds = (**control).contrlRect; return bounds; }
ZEL_INLINE uint8_t GetControlHilite(ControlRef control) { return (**control).contrlHilite; }
ZEL_INLINE Handle GetControlDataHandle(ControlRef control) { return (**control).contrlData; }
#endif

#endif

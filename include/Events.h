/* Event Manager: the event record and the event calls. */
#ifndef TOLVADEX_EVENTS_H
#define TOLVADEX_EVENTS_H
#define __EVENTS__

#include "MacTypes.h"
#include "Quickdraw.h"
#include "OSUtils.h"

typedef uint16_t EventKind;
typedef uint16_t EventMask;

enum {
    nullEvent = 0,
    mouseDown = 1,
    mouseUp = 2,
    keyDown = 3,
    keyUp = 4,
    autoKey = 5,
    updateEvt = 6,
    diskEvt = 7,
    activateEvt = 8,
    networkEvt = 10,
    driverEvt = 11,
    app1Evt = 12,
    app2Evt = 13,
    app3Evt = 14,
    app4Evt = 15,
    osEvt = 15,
    kHighLevelEvent = 23
};

enum {
    mDownMask = 0x0002,
    mUpMask = 0x0004,
    keyDownMask = 0x0008,
    keyUpMask = 0x0010,
    autoKeyMask = 0x0020,
    updateMask = 0x0040,
    diskMask = 0x0080,
    activMask = 0x0100,
    networkMask = 0x0400,
    highLevelEventMask = 0x0400,
    driverMask = 0x0800,
    app1Mask = 0x1000,
    app2Mask = 0x2000,
    app3Mask = 0x4000,
    app4Mask = 0x8000,
    osMask = 0x8000,
    everyEvent = 0xFFFF
};

enum {
    activeFlag = 0x0001,
    btnState = 0x0080,
    cmdKey = 0x0100,
    shiftKey = 0x0200,
    alphaLock = 0x0400,
    optionKey = 0x0800,
    controlKey = 0x1000
};

/* Event queue element types and the posting result of a kind the event mask keeps out. */
enum {
    evType = 1,
    evtNotEnb = 1
};

/* The message of a key event: the character code in the low byte, the key code in the next. */
enum {
    charCodeMask = 0x000000FF,
    keyCodeMask = 0x0000FF00
};

/* An osEvt's kind is the high byte of its message: a mouse move, or a suspend or resume, whose low
   bits say which and whether the clipboard changed meanwhile. */
enum {
    osEvtMessageMask = 0xFF000000u,
    mouseMovedMessage = 0xFA,
    suspendResumeMessage = 0x01,
    resumeFlag = 1,
    convertClipboardFlag = 2
};

/* GetKeys: key code k is bit (k mod 8) of byte (k / 8) of the map. */
typedef uint32_t KeyMap[4];

#pragma pack(push, 2)
typedef struct EventRecord {
    EventKind what;
    uint32_t message; /* 0xFFFFFFFF in null events */
    uint32_t when;    /* ticks of 16 milliseconds */
    Point where;      /* global coordinates */
    uint16_t modifiers;
} EventRecord;

typedef struct EvQEl {
    struct EvQEl *qLink;
    uint16_t qType;
    EventKind evtQWhat;
    uint32_t evtQMessage;
    uint32_t evtQWhen;
    Point evtQWhere;
    uint16_t evtQModifiers;
} EvQEl, *EvQElPtr;
#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(EventRecord) == 16, "EventRecord is 16 bytes");
ZEL_STATIC_ASSERT(offsetof(EventRecord, message) == 2, "message at 2");
ZEL_STATIC_ASSERT(offsetof(EventRecord, where) == 10, "where at 10");
ZEL_STATIC_ASSERT(offsetof(EventRecord, modifiers) == 14, "modifiers at 14");
ZEL_STATIC_ASSERT(sizeof(EvQEl) == 22, "EvQEl is 22 bytes");
ZEL_STATIC_ASSERT(offsetof(EvQEl, evtQWhat) == 6, "the event record at 6");

/* Patchable through the trap table. */
ZEL_API Boolean ZEL_CALL GetNextEvent(EventMask eventMask, EventRecord *theEvent);
ZEL_API Boolean ZEL_CALL WaitNextEvent(EventMask eventMask, EventRecord *theEvent, uint32_t sleep, RgnHandle mouseRgn);
ZEL_API Boolean ZEL_CALL EventAvail(EventMask eventMask, EventRecord *theEvent);
ZEL_API Boolean ZEL_CALL Button(void);
ZEL_API void ZEL_CALL GetMouse(Point *mouseLoc);
ZEL_API void ZEL_CALL SystemTask(void);
ZEL_API Boolean ZEL_CALL StillDown(void);
ZEL_API Boolean ZEL_CALL WaitMouseUp(void);

/* The event queue: posting, flushing, the event mask and the tick clock (one tick is 16 milliseconds). */
ZEL_API OSErr ZEL_CALL PostEvent(EventKind eventNum, uint32_t eventMsg);
ZEL_API OSErr ZEL_CALL PPostEvent(EventKind eventCode, uint32_t eventMsg, EvQElPtr *qEl);
ZEL_API void ZEL_CALL FlushEvents(EventMask whichMask, EventMask stopMask);
ZEL_API void ZEL_CALL SetEventMask(EventMask mask);
ZEL_API QHdrPtr ZEL_CALL GetEvQHdr(void);
ZEL_API uint32_t ZEL_CALL TickCount(void);
ZEL_API uint32_t ZEL_CALL GetDblTime(void);
ZEL_API uint32_t ZEL_CALL GetCaretTime(void);
ZEL_API void ZEL_CALL GetKeys(KeyMap theKeys);
/* Event calls of the operating-system level: only the kinds the system queues. */
ZEL_API Boolean ZEL_CALL GetOSEvent(EventMask mask, EventRecord *theEvent);
ZEL_API Boolean ZEL_CALL OSEventAvail(EventMask mask, EventRecord *theEvent);

/* Host glue of the event pump. ZEL_TestFocus answers whether a window's update region meets its visible
   region (clearing its pending update when not and `clear`); ZEL_TestUpdate clears. The capture calls
   count: the first holds the mouse for the main window (or the window), the last lets it go. A message
   hook gets (window, message) and returns 0 to drop the message; a peek procedure replaces PeekMessageA.
   ZEL_VBL_Interrupt runs the due Vertical Retrace tasks from a host's own timer. */
ZEL_API Boolean ZEL_CALL ZEL_TestFocus(WindowPtr window, Boolean clear);
ZEL_API Boolean ZEL_CALL ZEL_TestUpdate(WindowPtr window);
ZEL_API int32_t ZEL_CALL ZEL_SetCapture(int16_t on);
ZEL_API int32_t ZEL_CALL ZEL_SetWinCapture(WindowPtr window, int16_t on);
ZEL_API int16_t ZEL_CALL ZEL_ForceCapture(int16_t count);
ZEL_API void ZEL_CALL ZEL_VBL_Interrupt(void);
ZEL_API void ZEL_CALL ZEL_SetMessageHook(FARPROC hook);
ZEL_API void ZEL_CALL ZEL_SetPeekMessageProc(FARPROC proc);

/* Host glue of input translation: the host's window procedures hand these their mouse, key, command and
   WM_ACTIVATEAPP messages. ZEL_EventMouse and ZEL_EventCommand answer the message; ZEL_EventKey returns
   the event kind it made (0 for none). ZEL_PlayBack and ZEL_SetVelcastHook return the previous value. */
ZEL_API LRESULT ZEL_CALL ZEL_EventMouse(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API int16_t ZEL_CALL ZEL_EventKey(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API LRESULT ZEL_CALL ZEL_EventCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API void ZEL_CALL ZEL_ActivateApp(int16_t active);
ZEL_API uint32_t ZEL_CALL ZEL_PlayBack(uint32_t value);
ZEL_API FARPROC ZEL_CALL ZEL_SetVelcastHook(int16_t selector, FARPROC hook);

/* Entry points of high-level events and the dispatcher that exist only as stubs. */
ZEL_API int32_t ZEL_CALL OSDispatch(void);
ZEL_API Boolean ZEL_CALL GetSpecificHighLevelEvent(void *aFilter, void *contextPtr, OSErr *err);
ZEL_API OSErr ZEL_CALL AcceptHighLevelEvent(void *sender, ZEL_ULong *msgRefcon, Ptr msgBuff, ZEL_ULong *msgLen);

ZEL_API uint32_t ZEL_CALL KeyTranslate(const void *transData, uint16_t keycode, ZEL_ULong *state);

/* A program of the era that names only the event calls' header still calls the window, menu and
   segment calls of its event loop (FindWindow, MenuSelect, ExitToShell): they come with it. */
#include "MacWindows.h"
#include "Menus.h"
#include "SegLoad.h"

#endif

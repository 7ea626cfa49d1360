/* Start-up, the menus and the main event loop. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Fonts.h>
#include <Windows.h>
#include <Menus.h>
#include <Events.h>
#include <TextEdit.h>
#include <Dialogs.h>
#include <Desk.h>
#include <Scrap.h>
#include <ToolUtils.h>
#include <OSUtils.h>
#include <Traps.h>
#include <SegLoad.h>

#include "editor.h"

QDGlobals qd;

static Boolean gQuitting = false;
static Boolean gInBackground = false;
static Boolean gHasWaitNextEvent = false;
static WindowPtr gDocument = nil;

Boolean SetUpMenus(void)
{
    Handle menuBar = GetNewMBar(rMenuBar);
    MenuHandle apple;
    if (menuBar == nil)
        return false;
    SetMenuBar(menuBar);
    DisposHandle(menuBar);
    apple = GetMenuHandle(mApple);
    if (apple == nil)
        return false;
    AppendResMenu(apple, 'DRVR');
    DrawMenuBar();
    return true;
}

/* Edit commands are enabled while there is something for them to act on. */
static void AdjustMenus(void)
{
    MenuHandle edit = GetMenuHandle(mEdit);
    TEHandle te = DocumentText();
    Boolean hasSelection = te != nil && (**te).selStart < (**te).selEnd;
    if (edit == nil)
        return;
    DisableItem(edit, iUndo);
    if (hasSelection) {
        EnableItem(edit, iCut);
        EnableItem(edit, iCopy);
        EnableItem(edit, iClear);
    } else {
        DisableItem(edit, iCut);
        DisableItem(edit, iCopy);
        DisableItem(edit, iClear);
    }
    if (te != nil && TEGetScrapLen() > 0)
        EnableItem(edit, iPaste);
    else
        DisableItem(edit, iPaste);
}

static void DoMenuCommand(long menuResult)
{
    short menuID = HiWord(menuResult);
    short item = LoWord(menuResult);
    Str255 name;

    switch (menuID) {
    case mApple:
        if (item == iAbout)
            DoAboutBox();
        else {
            GetItem(GetMHandle(mApple), item, name);
            OpenDeskAcc(name);
        }
        break;
    case mFile:
        if (item == iOptions)
            DoOptionsDialog();
        else if (item == iQuit)
            gQuitting = true;
        break;
    case mEdit:
        if (!SystemEdit(item - 1))
            DoEditCommand(item);
        break;
    }
    HiliteMenu(0);
}

static void DoMouseDown(EventRecord *event)
{
    WindowPtr window;
    short part = FindWindow(event->where, &window);

    switch (part) {
    case inMenuBar:
        AdjustMenus();
        DoMenuCommand(MenuSelect(event->where));
        break;
    case inSysWindow:
        SystemClick(event, window);
        break;
    case inContent:
        if (window != FrontWindow())
            SelectWindow(window);
        else
            ClickInDocument(window, event);
        break;
    case inDrag:
        DragWindow(window, event->where, &qd.screenBits.bounds);
        break;
    case inGrow:
        GrowDocument(window, event->where);
        break;
    case inZoomIn:
    case inZoomOut:
        ZoomDocument(window, event->where, part);
        break;
    case inGoAway:
        if (TrackGoAway(window, event->where))
            gQuitting = true;
        break;
    }
}

static void DoEvent(EventRecord *event)
{
    char key;

    switch (event->what) {
    case mouseDown:
        DoMouseDown(event);
        break;
    case keyDown:
    case autoKey:
        key = (char)(event->message & charCodeMask);
        if (event->modifiers & cmdKey) {
            if (event->what == keyDown) {
                AdjustMenus();
                DoMenuCommand(MenuKey(key));
            }
        } else
            TypeInDocument(key);
        break;
    case updateEvt:
        BeginUpdate((WindowPtr)event->message);
        DrawDocument((WindowPtr)event->message);
        EndUpdate((WindowPtr)event->message);
        break;
    case activateEvt:
        ActivateDocument((WindowPtr)event->message, (event->modifiers & activeFlag) != 0);
        break;
    case osEvt:
        if (((event->message >> 24) & 0xFF) == suspendResumeMessage) {
            gInBackground = (event->message & resumeFlag) == 0;
            if (gInBackground) {
                ZeroScrap();
                TEToScrap();
            } else if (event->message & convertClipboardFlag)
                TEFromScrap();
            ActivateDocument(FrontWindow(), !gInBackground);
        }
        break;
    }
}

void EventLoop(void)
{
    EventRecord event;
    Boolean gotEvent;

    while (!gQuitting) {
        if (gHasWaitNextEvent)
            gotEvent = WaitNextEvent(everyEvent, &event, gInBackground ? 60 : GetCaretTime(), nil);
        else {
            SystemTask();
            gotEvent = GetNextEvent(everyEvent, &event);
        }
        if (gotEvent)
            DoEvent(&event);
        if (!gInBackground)
            IdleDocument();
    }
}

/* The program's answer: the faults it found in itself in the low byte, then the text size and face
   the document ended with. */
long RunEditor(void)
{
    long status = 0;
    short size;
    Style face;

    InitGraf(&qd.thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    TEInit();
    InitDialogs(nil);
    InitCursor();
    FlushEvents(everyEvent, 0);

    gHasWaitNextEvent =
        NGetTrapAddress(_WaitNextEvent, ToolTrap) != NGetTrapAddress(_Unimplemented, ToolTrap);
    /* Whatever text was on the clipboard when the program started can be pasted. */
    TEFromScrap();
    if (!SetUpMenus())
        return kBadStartup;
    gDocument = NewDocument();
    if (gDocument == nil)
        return kBadStartup;
    EventLoop();
    status = ReportDocument();
    GetDocumentStyle(&size, &face);
    DisposeDocument();
    return status | ((long)size << 8) | ((long)face << 16);
}

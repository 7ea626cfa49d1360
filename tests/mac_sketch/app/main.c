/* Start-up, the menus and the event loop. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Fonts.h>
#include <Windows.h>
#include <Menus.h>
#include <Events.h>
#include <TextEdit.h>
#include <Dialogs.h>
#include <ToolUtils.h>
#include <Desk.h>


#include "sketch.h"

QDGlobals qd;

static Boolean gQuitting = false;

static Boolean SetUpMenus(void)
{
    MenuHandle apple = NewMenu(mApple, PSTR("\001\024"));
    MenuHandle file = NewMenu(mFile, PSTR("\004File"));
    MenuHandle edit = NewMenu(mEdit, PSTR("\004Edit"));
    if (apple == nil || file == nil || edit == nil)
        return false;
    AppendMenu(apple, PSTR("\015About Sketch\311"));
    AppendMenu(file, PSTR("\006Quit/Q"));
    AppendMenu(edit, PSTR("\044Undo/Z;(-;Cut/X;Copy/C;Paste/V;Clear"));
    InsertMenu(apple, 0);
    InsertMenu(file, 0);
    InsertMenu(edit, 0);
    DrawMenuBar();
    return true;
}

static void DoMenuCommand(long menuResult)
{
    short menu = HiWord(menuResult);
    short item = LoWord(menuResult);

    if (menu == mFile && item == iQuit)
        gQuitting = true;
    else if (menu == mEdit) {
        /* The Tools dialog's caption takes the edit commands while it is in front. */
        if (IsTools(FrontWindow()) && item != iCopy && item != iPaste)
            ;
        else if (item == iCopy)
            CopyCanvasPicture();
        else if (item == iPaste)
            PasteCanvasPicture();
    }
    HiliteMenu(0);
}

static void DoMouseDown(EventRecord *event)
{
    WindowPtr window;
    short part = FindWindow(event->where, &window);

    switch (part) {
    case inMenuBar:
        DoMenuCommand(MenuSelect(event->where));
        break;
    case inDrag:
        DragWindow(window, event->where, &qd.screenBits.bounds);
        break;
    case inContent:
        if (window != FrontWindow())
            SelectWindow(window);
        break;
    case inGoAway:
        if (IsCanvas(window) && TrackGoAway(window, event->where))
            gQuitting = true;
        break;
    }
}

static void DoEvent(EventRecord *event)
{
    WindowPtr window;

    /* Command keys are menu choices wherever they are typed. */
    if (event->what == keyDown && (event->modifiers & cmdKey)) {
        DoMenuCommand(MenuKey((char)(event->message & charCodeMask)));
        return;
    }
    if (IsDialogEvent(event)) {
        DoToolsEvent(event);
        return;
    }
    switch (event->what) {
    case mouseDown:
        DoMouseDown(event);
        break;
    case updateEvt:
        window = (WindowPtr)event->message;
        BeginUpdate(window);
        if (IsCanvas(window))
            DrawCanvas(window);
        EndUpdate(window);
        break;
    }
}

/* The program's answer: what it found wrong in its own windows when it was told to quit. */
long RunSketch(void)
{
    EventRecord event;
    long status = 0;
    WindowPtr canvas;
    DialogPtr tools;

    InitGraf(&qd.thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    TEInit();
    InitDialogs(nil);
    InitCursor();
    FlushEvents(everyEvent, 0);

    if (!SetUpMenus() || !MakeWorlds())
        return kBadStartup;
    canvas = NewCanvas();
    tools = NewTools();
    if (canvas == nil || tools == nil)
        return kBadStartup;

    while (!gQuitting)
        if (WaitNextEvent(everyEvent, &event, 6, nil))
            DoEvent(&event);
        else if (IsDialogEvent(&event))
            DoToolsEvent(&event);

    status = CheckCanvas() | CheckWorlds() | CheckTools();
    DisposeTools();
    DisposeCanvas();
    DisposeWorlds();
    return status;
}

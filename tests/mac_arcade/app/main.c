/* Start-up, the menus and the event loop: the arrow keys fly the ship (one frame each), a click on the
   comet shoots it, Quit ends the game. */
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

#include "arcade.h"

QDGlobals qd;
WindowPtr gGameWindow = nil;

static Boolean gQuitting = false;

enum { kLeftArrow = 0x1C, kRightArrow = 0x1D };

static Boolean SetUpMenus(void)
{
    MenuHandle apple = NewMenu(mApple, PSTR("\001\024"));
    MenuHandle file = NewMenu(mFile, PSTR("\004File"));
    if (apple == nil || file == nil)
        return false;
    AppendMenu(apple, PSTR("\017About Comet Run"));
    AppendMenu(file, PSTR("\006Quit/Q"));
    InsertMenu(apple, 0);
    InsertMenu(file, 0);
    DrawMenuBar();
    return true;
}

static void DoMenuCommand(long menuResult)
{
    if (HiWord(menuResult) == mFile && LoWord(menuResult) == iQuit)
        gQuitting = true;
    HiliteMenu(0);
}

static void DoKey(EventRecord *event)
{
    char key = (char)(event->message & charCodeMask);

    if (event->modifiers & cmdKey) {
        DoMenuCommand(MenuKey(key));
        return;
    }
    SetPort(gGameWindow);
    EndPanelFlash();
    if (key == kRightArrow)
        StepField(kStep);
    else if (key == kLeftArrow)
        StepField(-kStep);
    else
        StepField(0);
}

static void DoMouseDown(EventRecord *event)
{
    WindowPtr window;
    Point where;

    switch (FindWindow(event->where, &window)) {
    case inMenuBar:
        DoMenuCommand(MenuSelect(event->where));
        break;
    case inDrag:
        DragWindow(window, event->where, &qd.screenBits.bounds);
        break;
    case inGoAway:
        if (TrackGoAway(window, event->where))
            gQuitting = true;
        break;
    case inContent:
        if (window != FrontWindow()) {
            SelectWindow(window);
            break;
        }
        SetPort(window);
        where = event->where;
        GlobalToLocal(&where);
        if (ShootAt(where))
            AddScore(10);
        break;
    }
}

/* The game's answer: what it found wrong in its own drawing when it was told to quit. */
long RunArcade(void)
{
    EventRecord event;
    long status;

    InitGraf(&qd.thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    TEInit();
    InitDialogs(nil);
    InitCursor();
    FlushEvents(everyEvent, 0);

    if (!SetUpMenus())
        return kBadStartup;
    gGameWindow = GetNewCWindow(rGameWindow, nil, (WindowPtr)-1);
    if (gGameWindow == nil)
        return kBadStartup;
    SetPort(gGameWindow);
    if (!MakeField() || !MakePanel())
        return kBadStartup;
    ShowWindow(gGameWindow);

    while (!gQuitting) {
        if (!WaitNextEvent(everyEvent, &event, 6, nil))
            continue;
        switch (event.what) {
        case keyDown:
        case autoKey:
            DoKey(&event);
            break;
        case mouseDown:
            DoMouseDown(&event);
            break;
        case updateEvt:
            if ((WindowPtr)event.message == gGameWindow) {
                SetPort(gGameWindow);
                BeginUpdate(gGameWindow);
                DrawField();
                DrawPanel();
                EndUpdate(gGameWindow);
            }
            break;
        }
    }

    SetPort(gGameWindow);
    status = CheckField() | CheckPanel();
    DisposePanel();
    DisposeField();
    DisposeWindow(gGameWindow);
    return status;
}

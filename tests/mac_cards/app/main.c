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
#include <Desk.h>
#include <ToolUtils.h>
#include <OSUtils.h>
#include <SegLoad.h>

#include "cards.h"

QDGlobals qd;

static Boolean gQuitting = false;

static Boolean SetUpMenus(void)
{
    Handle menuBar = GetNewMBar(rMenuBar);
    MenuHandle apple;
    if (menuBar == nil)
        return false;
    SetMenuBar(menuBar);
    DisposeHandle(menuBar);
    apple = GetMenuHandle(mApple);
    if (apple == nil)
        return false;
    AppendResMenu(apple, 'DRVR');
    DrawMenuBar();
    return true;
}

/* Edit Card and Delete Card need a chosen card. */
static void AdjustMenus(void)
{
    MenuHandle file = GetMenuHandle(mFile);
    if (file == nil)
        return;
    if (SelectedCard() >= 0) {
        EnableItem(file, iEditCard);
        EnableItem(file, iDeleteCard);
    } else {
        DisableItem(file, iEditCard);
        DisableItem(file, iDeleteCard);
    }
}

static void DoMenuCommand(long menuResult)
{
    short menuID = HiWord(menuResult);
    short item = LoWord(menuResult);
    Str255 name;

    switch (menuID) {
    case mApple:
        if (item == iAbout)
            DoAbout();
        else {
            GetMenuItemText(GetMenuHandle(mApple), item, name);
            OpenDeskAcc(name);
        }
        break;
    case mFile:
        switch (item) {
        case iNewCard:
            DoNewCard();
            break;
        case iEditCard:
            DoEditCard(SelectedCard());
            break;
        case iDeleteCard:
            DoDeleteCard();
            break;
        case iQuit:
            gQuitting = true;
            break;
        }
        break;
    case mEdit:
        SystemEdit(item - 1);
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
        else if (IsCardWindow(window))
            ClickInCardWindow(event);
        break;
    case inDrag:
        DragWindow(window, event->where, &qd.screenBits.bounds);
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
        if ((event->modifiers & cmdKey) && event->what == keyDown) {
            AdjustMenus();
            DoMenuCommand(MenuKey(key));
        }
        break;
    case updateEvt:
        if (IsCardWindow((WindowPtr)event->message)) {
            BeginUpdate((WindowPtr)event->message);
            DrawCardWindow();
            EndUpdate((WindowPtr)event->message);
        }
        break;
    case activateEvt:
        if (IsCardWindow((WindowPtr)event->message))
            ActivateCardWindow((event->modifiers & activeFlag) != 0);
        break;
    }
}

static void EventLoop(void)
{
    EventRecord event;

    while (!gQuitting) {
        if (WaitNextEvent(everyEvent, &event, 10, nil))
            DoEvent(&event);
        else if (FrontWindow() != nil && IsCardWindow(FrontWindow()))
            AdjustCardCursor(event.where);
    }
}

/* The program's answer: the faults it found in itself in the low byte, the number of cards it ended
   with, then the fourth card's age, its group and whether it is a favourite, and the beeps. */
long RunCards(void)
{
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
    if (NewCardWindow() == nil)
        return kBadStartup;
    EventLoop();
    status = CheckCardWindow() | CheckDialogs();
    status |= (long)CardCount() << 8;
    if (CardAt(3) != nil)
        status |= ((CardAt(3)->age & 0xFF) << 16) | ((long)CardAt(3)->group << 25) |
                  ((long)CardAt(3)->favourite << 24);
    DisposeCardWindow();
    return status;
}

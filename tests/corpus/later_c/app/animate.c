/* Animate: a ball bounces across an offscreen GWorld that is copied into the window each tick; the
   Ball menu pauses it (its item checked while paused) and quits. */
#include <ConditionalMacros.h>
#include <MacTypes.h>
#include <Quickdraw.h>
#include <QDOffscreen.h>
#include <Fonts.h>
#include <MacWindows.h>
#include <Menus.h>
#include <Events.h>
#include <Processes.h>

#if TARGET_API_MAC_CARBON || TARGET_CPU_68K
#error "the classic interface on a non-68K processor is expected"
#endif
#if TARGET_RT_LITTLE_ENDIAN != 1 || !TARGET_OS_WIN32
#error "a little-endian Windows target is expected"
#endif

enum { kBallMenu = 128, kPauseItem = 1, kQuitItem = 3 };

static WindowRef gWindow;
static GWorldPtr gWorld;
static MenuRef gMenu;
static Rect gBall;
static short gDh = 3, gDv = 2;
static Boolean gPaused;

static void DrawFrame(void)
{
    CGrafPtr savedPort;
    GDHandle savedDevice;
    Rect bounds, windowBounds;
    RGBColor red = {0xFFFF, 0, 0};

    GetGWorld(&savedPort, &savedDevice);
    SetGWorld(gWorld, NULL);
    LockPixels(GetGWorldPixMap(gWorld));
    GetPortBounds(gWorld, &bounds);
    EraseRect(&bounds);
    RGBForeColor(&red);
    PaintOval(&gBall);
    ForeColor(blackColor);
    SetGWorld(savedPort, savedDevice);

    SetPortWindowPort(gWindow);
    GetWindowPortBounds(gWindow, &windowBounds);
    CopyBits(GetPortBitMapForCopyBits(gWorld), GetPortBitMapForCopyBits(GetWindowPort(gWindow)), &bounds,
             &windowBounds, srcCopy, NULL);
    UnlockPixels(GetGWorldPixMap(gWorld));
}

static void Step(void)
{
    Rect bounds;
    GetPortBounds(gWorld, &bounds);
    if (gBall.left + gDh < bounds.left || gBall.right + gDh > bounds.right)
        gDh = (short)-gDh;
    if (gBall.top + gDv < bounds.top || gBall.bottom + gDv > bounds.bottom)
        gDv = (short)-gDv;
    MacOffsetRect(&gBall, gDh, gDv);
    DrawFrame();
}

static void DoMenu(long result)
{
    switch ((short)result) {
    case kPauseItem:
        gPaused = !gPaused;
        CheckMenuItem(gMenu, kPauseItem, gPaused);
        break;
    case kQuitItem:
        ExitToShell();
        break;
    }
    HiliteMenu(0);
}

int main(void)
{
    static const unsigned char title[] = "\007Animate", menuTitle[] = "\004Ball", items[] = "\021Pause/P;(-;Quit/Q";
    BitMap screen;
    Cursor arrow;
    EventRecord event;
    WindowRef hit;
    Rect bounds;

    InitGraf(&qd.thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    InitCursor();
    MacSetCursor(GetQDGlobalsArrow(&arrow));
    gMenu = NewMenu(kBallMenu, menuTitle);
    MacAppendMenu(gMenu, items);
    MacInsertMenu(gMenu, 0);
    MacDrawMenuBar();

    GetQDGlobalsScreenBits(&screen);
    MacSetRect(&bounds, 60, 80, 60 + 200, 80 + 150);
    gWindow = NewCWindow(NULL, &bounds, title, true, documentProc, (WindowRef)-1, false, 0);
    MacMoveWindow(gWindow, (short)(screen.bounds.left + 60), (short)(screen.bounds.top + 80), false);
    GetWindowPortBounds(gWindow, &bounds);
    if (NewGWorld(&gWorld, 32, &bounds, NULL, NULL, 0) != noErr)
        ExitToShell();
    MacSetRect(&gBall, 10, 10, 40, 40);

    for (;;) {
        if (!WaitNextEvent(everyEvent, &event, 1, NULL)) {
            if (!gPaused)
                Step();
            continue;
        }
        switch (event.what) {
        case mouseDown:
            if (MacFindWindow(event.where, &hit) == inMenuBar)
                DoMenu(MenuSelect(event.where));
            break;
        case keyDown:
            if (event.modifiers & cmdKey)
                DoMenu(MenuKey((char)(event.message & charCodeMask)));
            break;
        case updateEvt:
            if ((WindowRef)event.message == gWindow && GetWindowKind(gWindow) == userKind) {
                BeginUpdate(gWindow);
                DrawFrame();
                EndUpdate(gWindow);
            }
            break;
        }
    }
    return 0;
}

/* Trace Rate: the status window of a ray tracer. It writes its rate figures as such a program does:
   white out of a black box in srcBic, and in srcXor over a grey pattern, once straight into its window
   and once into an offscreen world that it copies beside them, so that both copies must agree. A click
   in the window, or any key, ends it. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <QDOffscreen.h>
#include <Fonts.h>
#include <Windows.h>
#include <Menus.h>
#include <Events.h>
#include <TextEdit.h>
#include <Dialogs.h>

#define rRateWindow 128
#define kFigureWidth 160
#define kFigureHeight 90
#define kCopyLeft 200

QDGlobals qd;

static WindowPtr gWindow;
static GWorldPtr gWorld;

/* The figures at the top left of the current port. */
static void DrawFigures(void)
{
    Rect all, box, grey;

    SetRect(&all, 0, 0, kFigureWidth, kFigureHeight);
    SetRect(&box, 10, 10, 150, 40);
    SetRect(&grey, 10, 50, 150, 80);
    ForeColor(blackColor);
    BackColor(whiteColor);
    EraseRect(&all);
    TextFont(applFont);
    TextSize(12);
    TextFace(bold);

    PaintRect(&box);
    TextMode(srcBic);
    MoveTo(18, 30);
    DrawString((ConstStr255Param) "\014pps = 1234.5");

    FillRect(&grey, &qd.gray);
    TextMode(srcXor);
    MoveTo(18, 70);
    DrawString((ConstStr255Param) "\012rays: 8192");

    TextMode(srcOr);
    TextFace(0);
}

static Boolean MakeWorld(void)
{
    CGrafPtr savedPort;
    GDHandle savedDevice;
    Rect bounds;

    SetRect(&bounds, 0, 0, kFigureWidth, kFigureHeight);
    if (NewGWorld(&gWorld, 32, &bounds, nil, nil, 0) != noErr || gWorld == nil)
        return false;
    GetGWorld(&savedPort, &savedDevice);
    SetGWorld(gWorld, nil);
    LockPixels(GetGWorldPixMap(gWorld));
    DrawFigures();
    SetGWorld(savedPort, savedDevice);
    return true;
}

static void DrawWindow(void)
{
    Rect from, to;

    SetPort(gWindow);
    DrawFigures();
    SetRect(&from, 0, 0, kFigureWidth, kFigureHeight);
    SetRect(&to, kCopyLeft, 0, kCopyLeft + kFigureWidth, kFigureHeight);
    ForeColor(blackColor);
    BackColor(whiteColor);
    CopyBits(&((GrafPtr) gWorld)->portBits, &gWindow->portBits, &from, &to, srcCopy, nil);
}

/* 0 when it ran; 1 when it could not start. */
long RunRateFigures(void)
{
    EventRecord event;
    Boolean done = false;

    InitGraf(&qd.thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    TEInit();
    InitDialogs(nil);
    InitCursor();
    FlushEvents(everyEvent, 0);

    gWindow = GetNewCWindow(rRateWindow, nil, (WindowPtr) -1);
    if (gWindow == nil || !MakeWorld())
        return 1;
    ShowWindow(gWindow);

    while (!done) {
        if (!WaitNextEvent(everyEvent, &event, 6, nil))
            continue;
        switch (event.what) {
        case updateEvt:
            if ((WindowPtr) event.message == gWindow) {
                BeginUpdate(gWindow);
                DrawWindow();
                EndUpdate(gWindow);
            }
            break;
        case mouseDown:
        case keyDown:
            done = true;
            break;
        }
    }
    DisposeGWorld(gWorld);
    DisposeWindow(gWindow);
    return 0;
}

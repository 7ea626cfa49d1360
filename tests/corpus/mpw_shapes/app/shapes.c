/* Shapes: a window of random ovals and rectangles kept in a handle, a Shapes menu to add one or clear
   them all, and Quit. */
#include <Quickdraw.h>
#include <Fonts.h>
#include <Events.h>

enum { kShapesMenu = 128, kAddItem = 1, kClearItem = 2, kQuitItem = 4, kMaxShapes = 32 };

typedef struct Shape {
    Rect bounds;
    short oval;
} Shape;

static WindowPtr gWindow;
static MenuHandle gMenu;
static Handle gShapes; /* Shape records, as many as fit its size */

static short ShapeCount(void) { return (short)(GetHandleSize(gShapes) / sizeof(Shape)); }

static void DrawShapes(void)
{
    short i, n = ShapeCount();
    Shape *shapes;
    SetPort(gWindow);
    EraseRect(&gWindow->portRect);
    HLock(gShapes);
    shapes = (Shape *)*gShapes;
    for (i = 0; i < n; ++i) {
        if (shapes[i].oval)
            PaintOval(&shapes[i].bounds);
        else
            FrameRect(&shapes[i].bounds);
    }
    HUnlock(gShapes);
}

static void AddShape(void)
{
    Shape shape;
    short n = ShapeCount(), h = (short)(Random() & 0xFF), v = (short)(Random() & 0x7F);
    if (n >= kMaxShapes)
        return;
    SetRect(&shape.bounds, h, v, h + 40, v + 30);
    shape.oval = n & 1;
    SetHandleSize(gShapes, (n + 1) * sizeof(Shape));
    if (MemError() == noErr) {
        ((Shape *)*gShapes)[n] = shape;
        SetPort(gWindow);
        InvalRect(&shape.bounds);
    }
}

static void DoCommand(long menuResult)
{
    switch ((short)menuResult) { /* the item, in the low word */
    case kAddItem:
        AddShape();
        break;
    case kClearItem:
        SetHandleSize(gShapes, 0);
        SetPort(gWindow);
        InvalRect(&gWindow->portRect);
        break;
    case kQuitItem:
        ExitToShell();
        break;
    }
    HiliteMenu(0);
}

int main(void)
{
    static const unsigned char title[] = "\006Shapes", menuTitle[] = "\006Shapes",
                               items[] = "\025Add/A;Clear;(-;Quit/Q";
    EventRecord event;
    WindowPtr window;
    Rect bounds;

    InitGraf(&qd.thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    InitCursor();
    gMenu = NewMenu(kShapesMenu, menuTitle);
    AppendMenu(gMenu, items);
    InsertMenu(gMenu, 0);
    DrawMenuBar();
    gShapes = NewHandle(0);
    SetRect(&bounds, 50, 80, 400, 300);
    gWindow = NewWindow(NULL, &bounds, title, true, documentProc, (WindowPtr)-1, false, 0);
    for (;;) {
        if (!WaitNextEvent(everyEvent, &event, 5, NULL))
            continue;
        switch (event.what) {
        case mouseDown:
            if (FindWindow(event.where, &window) == inMenuBar)
                DoCommand(MenuSelect(event.where));
            break;
        case keyDown:
            if (event.modifiers & cmdKey)
                DoCommand(MenuKey((char)(event.message & charCodeMask)));
            break;
        case updateEvt:
            BeginUpdate((WindowPtr)event.message);
            DrawShapes();
            EndUpdate((WindowPtr)event.message);
            break;
        }
    }
    return 0;
}

/* Hello: a window with a greeting and a grey box; a click in the box beeps and moves it, a key or a
   click in the close box quits. */

static WindowPtr gWindow;
static Rect gBox;

static void DrawHello(void)
{
    static unsigned char greeting[] = "\014Hello, world";
    SetPort(gWindow);
    EraseRect(&thePort->portRect);
    MoveTo(20, 30);
    TextFont(geneva);
    TextSize(12);
    DrawString(greeting);
    FillRect(&gBox, &gray);
    FrameRect(&gBox);
}

static void DoMouse(EventRecord *event)
{
    WindowPtr window;
    Point where;
    switch (FindWindow(event->where, &window)) {
    case inContent:
        where = event->where;
        SetPort(window);
        GlobalToLocal(&where);
        if (PtInRect(where, &gBox)) {
            SysBeep(1);
            OffsetRect(&gBox, 10, 0);
            InvalRect(&window->portRect);
        }
        break;
    case inDrag:
        DragWindow(window, event->where, &screenBits.bounds);
        break;
    case inGoAway:
        if (TrackGoAway(window, event->where))
            ExitToShell();
        break;
    }
}

void main(void)
{
    static unsigned char title[] = "\005Hello";
    EventRecord event;
    Rect bounds;

    InitGraf(&thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    TEInit();
    InitDialogs(0L);
    InitCursor();
    FlushEvents(everyEvent, 0);

    SetRect(&bounds, 40, 60, 340, 260);
    gWindow = NewWindow(0L, &bounds, title, true, documentProc, (WindowPtr)-1L, true, 0L);
    SetRect(&gBox, 20, 50, 80, 110);
    randSeed = TickCount();

    for (;;) {
        SystemTask();
        if (!GetNextEvent(everyEvent, &event))
            continue;
        switch (event.what) {
        case mouseDown:
            DoMouse(&event);
            break;
        case keyDown:
            ExitToShell();
            break;
        case updateEvt:
            BeginUpdate((WindowPtr)event.message);
            DrawHello();
            EndUpdate((WindowPtr)event.message);
            break;
        }
    }
}

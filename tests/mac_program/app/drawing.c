/* The document window and what it draws, in C against the classic headers. The program keeps its own
   QuickDraw globals, as programs built with the later interfaces do. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Windows.h>

#include "mac_program.h"

QDGlobals qd;

static Rect gTarget = {20, 150, 60, 190};
static Rect gBox = {100, 20, 140, 60};
static Boolean gTargetInverted = false;
static Boolean gBoxPainted = false;

WindowRef MakeDocumentWindow(void)
{
    /* Sized from the screen: an empty screenBits would make an empty window. */
    Rect bounds;
    SetRect(&bounds, 40, 60, qd.screenBits.bounds.right / 2, qd.screenBits.bounds.bottom / 2);
    return NewWindow(nil, &bounds, (ConstStr255Param) "\007Classic", true, documentProc, (WindowRef)-1, true, 0);
}

void DrawContent(WindowRef window)
{
    Rect frame = window->portRect;
    SetPort(window);
    EraseRect(&window->portRect);
    InsetRect(&frame, 10, 10);
    FrameRect(&frame);
    MoveTo(10, 80);
    LineTo(140, 80);
    FrameRect(&gTarget);
    if (gTargetInverted)
        InvertRect(&gTarget);
    if (gBoxPainted)
        PaintRect(&gBox);
    DrawHostMark(window);
}

void ClickInContent(WindowRef window, Point where)
{
    SetPort(window);
    GlobalToLocal(&where);
    if (PtInRect(where, &gTarget)) {
        gTargetInverted = !gTargetInverted;
        InvalRect(&gTarget);
    }
}

void KeyTyped(WindowRef window, char key)
{
    if (key == 'b' || key == 'B') {
        gBoxPainted = true;
        SetPort(window);
        InvalRect(&gBox);
    }
}

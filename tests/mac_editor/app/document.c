/* The document window: its TextEdit record, the vertical scroll bar that follows it, the grow and zoom
   boxes and the status line along the bottom. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Fonts.h>
#include <Windows.h>
#include <Controls.h>
#include <TextEdit.h>
#include <Scrap.h>
#include <ToolUtils.h>
#include <Packages.h>

#include "editor.h"

enum {
    kScrollBarWidth = 16,
    kStatusHeight = 15,
    kTextMargin = 4,
    kMaxTextLength = 32000,
    kMinDocWidth = 160,
    kMinDocHeight = 100
};

static WindowPtr gWindow = nil;
static TEHandle gTE = nil;
static ControlHandle gVScroll = nil;
static short gStatusLines = -1;

TEHandle DocumentText(void)
{
    return gTE;
}

/* The part of the window TextEdit shows: all but the scroll bar, the status line and a margin. */
static void GetTextViewRect(WindowPtr window, Rect *view)
{
    *view = window->portRect;
    view->right -= kScrollBarWidth - 1;
    view->bottom -= kStatusHeight;
    InsetRect(view, kTextMargin, kTextMargin);
}

static void GetStatusRect(WindowPtr window, Rect *status)
{
    *status = window->portRect;
    status->top = status->bottom - kStatusHeight + 1;
    status->right -= kScrollBarWidth - 1;
}

static short LinesInView(void)
{
    Rect view = (**gTE).viewRect;
    return (view.bottom - view.top) / (**gTE).lineHeight;
}

/* The scroll bar's maximum is the number of lines that do not fit; its value the first line shown.
   The status line is drawn again when the line count it shows is out of date. */
static void AdjustScrollBar(void)
{
    short lines = (**gTE).nLines;
    short max;
    short value;
    Rect status;

    if (lines != gStatusLines) {
        GetStatusRect(gWindow, &status);
        InvalRect(&status);
    }

    if ((**gTE).teLength > 0 && (*(**gTE).hText)[(**gTE).teLength - 1] == '\r')
        lines++;
    max = lines - LinesInView();
    if (max < 0)
        max = 0;
    SetControlMaximum(gVScroll, max);
    value = ((**gTE).viewRect.top - (**gTE).destRect.top) / (**gTE).lineHeight;
    SetControlValue(gVScroll, value);
}

/* Scrolls the text to the line the scroll bar shows. */
static void AdjustText(void)
{
    short scrolled = (**gTE).viewRect.top - (**gTE).destRect.top;
    short wanted = GetControlValue(gVScroll) * (**gTE).lineHeight;
    if (scrolled != wanted)
        TEScroll(0, scrolled - wanted, gTE);
}

/* Places the scroll bar along the right edge, its outline over the window's frame and the grow box's
   top edge. */
static void PlaceScrollBar(WindowPtr window)
{
    Rect r = window->portRect;
    HideControl(gVScroll);
    MoveControl(gVScroll, r.right - kScrollBarWidth + 1, r.top - 1);
    SizeControl(gVScroll, kScrollBarWidth, r.bottom - r.top - (kScrollBarWidth - 3));
    ShowControl(gVScroll);
}

/* After the window changed size: the text wraps to the new width and the scroll bar follows. */
static void ResizeContents(WindowPtr window)
{
    Rect view;
    short scrolled = (**gTE).viewRect.top - (**gTE).destRect.top;

    SetPort(window);
    GetTextViewRect(window, &view);
    (**gTE).viewRect = view;
    (**gTE).destRect = view;
    OffsetRect(&(**gTE).destRect, 0, -scrolled);
    TECalText(gTE);
    PlaceScrollBar(window);
    AdjustScrollBar();
    AdjustText();
    InvalRect(&window->portRect);
}

WindowPtr NewDocument(void)
{
    Rect view;

    gWindow = GetNewWindow(rDocWindow, nil, (WindowPtr)-1);
    if (gWindow == nil)
        return nil;
    SetPort(gWindow);
    TextFont(applFont);
    TextSize(12);
    GetTextViewRect(gWindow, &view);
    gTE = TENew(&view, &view);
    gVScroll = GetNewControl(rVScroll, gWindow);
    if (gTE == nil || gVScroll == nil) {
        DisposeWindow(gWindow);
        gWindow = nil;
        return nil;
    }
    TEAutoView(true, gTE);
    PlaceScrollBar(gWindow);
    AdjustScrollBar();
    ShowWindow(gWindow);
    return gWindow;
}

void DisposeDocument(void)
{
    if (gTE != nil)
        TEDispose(gTE);
    if (gWindow != nil)
        DisposeWindow(gWindow);
    gTE = nil;
    gWindow = nil;
}

/* The status line: the line count in bold on the left, the window's title centred, the text size
   flush right, all in 9 point. */
static void DrawStatus(WindowPtr window)
{
    Rect status;
    Rect middle;
    FontInfo info;
    Str255 number;
    Str255 title;
    short baseline;
    short width;

    GetStatusRect(window, &status);
    EraseRect(&status);
    TextFont(applFont);
    TextSize(9);
    TextFace(bold);
    GetFontInfo(&info);
    baseline = status.bottom - info.descent - (status.bottom - status.top - info.ascent - info.descent) / 2;
    MoveTo(status.left + 4, baseline);
    DrawString((ConstStr255Param) "\005Lines");
    DrawChar(':');
    DrawChar(' ');
    gStatusLines = (**gTE).nLines;
    NumToString(gStatusLines, number);
    DrawString(number);

    TextFace(normal);
    NumToString((**gTE).txSize, number);
    number[++number[0]] = ' ';
    number[++number[0]] = 'p';
    number[++number[0]] = 't';
    width = StringWidth(number);
    MoveTo(status.right - 4 - width, baseline);
    DrawString(number);

    GetWTitle(window, title);
    middle = status;
    InsetRect(&middle, 70, 0);
    middle.top = baseline - info.ascent;
    if (middle.right > middle.left)
        TextBox(title + 1, title[0], &middle, teJustCenter);
    TextFont(systemFont);
    TextSize(0);
}

void DrawDocument(WindowPtr window)
{
    if (window != gWindow)
        return;
    SetPort(window);
    EraseRect(&window->portRect);
    TEUpdate(&window->portRect, gTE);
    DrawControls(window);
    DrawGrowIcon(window);
    DrawStatus(window);
}

void ActivateDocument(WindowPtr window, Boolean becomingActive)
{
    if (window != gWindow || window == nil)
        return;
    SetPort(window);
    if (becomingActive) {
        TEActivate(gTE);
        HiliteControl(gVScroll, 0);
    } else {
        TEDeactivate(gTE);
        HiliteControl(gVScroll, 255);
    }
    DrawGrowIcon(window);
}

static pascal void ScrollAction(ControlHandle control, short part)
{
    short delta;
    short oldValue;
    short newValue;

    switch (part) {
    case inUpButton:
        delta = -1;
        break;
    case inDownButton:
        delta = 1;
        break;
    case inPageUp:
        delta = -(LinesInView() - 1);
        break;
    case inPageDown:
        delta = LinesInView() - 1;
        break;
    default:
        return;
    }
    oldValue = GetCtlValue(control);
    SetCtlValue(control, oldValue + delta);
    newValue = GetCtlValue(control);
    if (newValue != oldValue)
        TEScroll(0, (oldValue - newValue) * (**gTE).lineHeight, gTE);
}

void ClickInDocument(WindowPtr window, EventRecord *event)
{
    Point where = event->where;
    ControlHandle control;
    short part;

    SetPort(window);
    GlobalToLocal(&where);
    part = FindControl(where, window, &control);
    if (control == gVScroll && part != 0) {
        if (part == inThumb) {
            TrackControl(control, where, nil);
            AdjustText();
        } else
            TrackControl(control, where, (ProcPtr)ScrollAction);
    } else if (PtInRect(where, &(**gTE).viewRect)) {
        TEClick(where, (event->modifiers & shiftKey) != 0, gTE);
        AdjustScrollBar();
    }
}

void TypeInDocument(char key)
{
    if (gTE == nil)
        return;
    if ((**gTE).teLength >= kMaxTextLength && key != 8) {
        SysBeep(1);
        return;
    }
    SetPort(gWindow);
    TEKey(key, gTE);
    AdjustScrollBar();
}

void GrowDocument(WindowPtr window, Point where)
{
    Rect limits;
    long size;

    SetRect(&limits, kMinDocWidth, kMinDocHeight, qd.screenBits.bounds.right, qd.screenBits.bounds.bottom);
    size = GrowWindow(window, where, &limits);
    if (size != 0) {
        SizeWindow(window, LoWord(size), HiWord(size), true);
        ResizeContents(window);
    }
}

void ZoomDocument(WindowPtr window, Point where, short part)
{
    if (TrackBox(window, where, part)) {
        SetPort(window);
        EraseRect(&window->portRect);
        ZoomWindow(window, part, false);
        ResizeContents(window);
    }
}

void IdleDocument(void)
{
    if (gTE != nil && FrontWindow() == gWindow)
        TEIdle(gTE);
}

void DoEditCommand(short item)
{
    if (gTE == nil)
        return;
    SetPort(gWindow);
    switch (item) {
    case iCut:
        TECut(gTE);
        ZeroScrap();
        TEToScrap();
        break;
    case iCopy:
        TECopy(gTE);
        ZeroScrap();
        TEToScrap();
        break;
    case iPaste:
        TEPaste(gTE);
        break;
    case iClear:
        TEDelete(gTE);
        break;
    case iSelectAll:
        TESetSelect(0, (**gTE).teLength, gTE);
        break;
    }
    AdjustScrollBar();
    TESelView(gTE);
    AdjustScrollBar();
}

/* A plain TextEdit record has one size and face for all its text: its line height comes from the
   font's measurements at that size. */
void SetDocumentStyle(short size, Style face)
{
    FontInfo info;

    SetPort(gWindow);
    TextFont((**gTE).txFont);
    TextSize(size);
    TextFace(face);
    GetFontInfo(&info);
    (**gTE).txSize = size;
    (**gTE).txFace = face;
    (**gTE).lineHeight = info.ascent + info.descent + info.leading;
    (**gTE).fontAscent = info.ascent;
    (**gTE).destRect.top = (**gTE).viewRect.top;
    (**gTE).destRect.bottom = (**gTE).viewRect.bottom;
    TECalText(gTE);
    AdjustScrollBar();
    InvalRect(&gWindow->portRect);
}

void GetDocumentStyle(short *size, Style *face)
{
    *size = (**gTE).txSize;
    *face = (**gTE).txFace;
}

/* What the program can tell about itself when it quits: whether the scroll bar still follows the
   text, whether the scroll bar and text still fit the window after it changed size, and whether
   TextEdit's scrap and the desk scrap agree. */
short ReportDocument(void)
{
    short status = 0;
    Rect r;
    Rect view;
    Handle scrap;
    long offset;
    long length;

    if (gTE == nil || gWindow == nil)
        return kBadStartup;
    if (GetControlValue(gVScroll) * (**gTE).lineHeight != (**gTE).viewRect.top - (**gTE).destRect.top ||
        GetControlValue(gVScroll) > GetControlMaximum(gVScroll))
        status |= kBadScroll;
    r = gWindow->portRect;
    GetTextViewRect(gWindow, &view);
    if ((**gVScroll).contrlRect.right != r.right + 1 || (**gVScroll).contrlRect.bottom != r.bottom - 14 ||
        !EqualRect(&view, &(**gTE).viewRect))
        status |= kBadSize;
    scrap = NewHandle(0);
    length = GetScrap(scrap, 'TEXT', &offset);
    if (length != TEGetScrapLen() || length <= 0)
        status |= kBadScrap;
    else
        for (offset = 0; offset < length; offset++)
            if ((*scrap)[offset] != (*TEScrapHandle())[offset]) {
                status |= kBadScrap;
                break;
            }
    DisposeHandle(scrap);
    return status;
}

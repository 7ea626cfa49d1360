/* The card window: a list of names on the left, the directory of every card on the right with its
   own scroll bar, the New button from its 'CNTL' and a status line that counts the cards. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Fonts.h>
#include <Windows.h>
#include <Controls.h>
#include <Lists.h>
#include <Resources.h>
#include <ToolUtils.h>
#include <TextUtils.h>
#include <Script.h>
#include <OSUtils.h>

#include "cards.h"

enum { kAgeColumn = 40, kMargin = 4, kStatusBaseline = 285 };

static Rect gListRect = {10, 10, 190, 115};  /* the list's view, without its scroll bar */
static Rect gPaneRect = {10, 150, 250, 374}; /* the directory's rows */

static WindowPtr gWindow = nil;
static ListHandle gList = nil;
static ControlHandle gScroll = nil;
static ControlHandle gNewButton = nil;
static CursHandle gPointer = nil;
static Card gCards[kMaxCards];
static short gCount = 0;
static short gSelected = -1;
static short gFirst = 0;         /* the first row the directory shows */
static short gLineHeight = 12;
static short gAscent = 9;
static long gFaults = 0;
static Boolean gPointerShown = false;

short CardCount(void) { return gCount; }
Card *CardAt(short index) { return index >= 0 && index < gCount ? &gCards[index] : nil; }
short SelectedCard(void) { return gSelected; }
Boolean IsCardWindow(WindowPtr window) { return window != nil && window == gWindow; }

static short RowsInPane(void)
{
    return (gPaneRect.bottom - gPaneRect.top) / gLineHeight;
}

static void SetPaneFont(void)
{
    FontInfo info;
    TextFont(applFont);
    TextSize(12);
    TextFace(normal);
    GetFontInfo(&info);
    gAscent = info.ascent;
    gLineHeight = info.ascent + info.descent + info.leading;
}

static void RowRect(short row, Rect *r)
{
    *r = gPaneRect;
    r->top = gPaneRect.top + (row - gFirst) * gLineHeight;
    r->bottom = r->top + gLineHeight;
}

/* One card's row: its name (bold for a favourite) cut to the room left of the age, the age flush
   right; the chosen card inverted. */
static void DrawRow(short row)
{
    Rect r;
    Str255 name, age;
    short width;

    RowRect(row, &r);
    EraseRect(&r);
    if (row >= gCount)
        return;
    BlockMove(gCards[row].name, name, gCards[row].name[0] + 1);
    TextFace(gCards[row].favourite ? bold : normal);
    TruncString(r.right - r.left - kAgeColumn - 2 * kMargin, name, smTruncEnd);
    MoveTo(r.left + kMargin, r.top + gAscent);
    DrawString(name);
    TextFace(normal);
    NumToString(gCards[row].age, age);
    width = StringWidth(age);
    MoveTo(r.right - kMargin - width, r.top + gAscent);
    DrawString(age);
    if (row == gSelected)
        InvertRect(&r);
}

/* Rows from..to that are in view, clipped to the directory: the last one shown is cut by its frame. */
static void DrawRows(short from, short to)
{
    short row;
    RgnHandle saved = NewRgn(), pane = NewRgn();

    if (from < gFirst)
        from = gFirst;
    if (to > gFirst + RowsInPane())
        to = gFirst + RowsInPane();
    GetClip(saved);
    RectRgn(pane, &gPaneRect);
    SectRgn(saved, pane, pane);
    SetClip(pane);
    for (row = from; row <= to; row++)
        DrawRow(row);
    SetClip(saved);
    DisposeRgn(saved);
    DisposeRgn(pane);
}

static void DrawPane(void)
{
    Rect frame = gPaneRect;
    InsetRect(&frame, -1, -1);
    FrameRect(&frame);
    DrawRows(gFirst, gFirst + RowsInPane());
}

static void DrawStatus(void)
{
    Rect r;
    Str255 number, word;
    SetRect(&r, 0, kStatusBaseline - 12, gPaneRect.right, kStatusBaseline + 4);
    EraseRect(&r);
    NumToString(gCount, number);
    GetIndString(word, rStrings, gCount == 1 ? sCard : sCards);
    MoveTo(10, kStatusBaseline);
    DrawString(number);
    DrawChar(' ');
    DrawString(word);
}

void DrawCardWindow(void)
{
    SetPort(gWindow);
    SetPaneFont();
    DrawPane();
    DrawStatus();
    LUpdate(gWindow->visRgn, gList);
    DrawControls(gWindow);
}

void ActivateCardWindow(Boolean active)
{
    LActivate(active, gList);
    HiliteControl(gScroll, active ? 0 : 255);
}

static void AdjustScrollBar(void)
{
    short max = gCount - RowsInPane();
    if (max < 0)
        max = 0;
    SetControlMaximum(gScroll, max);
    if (gFirst > max)
        gFirst = max;
    SetControlValue(gScroll, gFirst);
}

/* Moves the directory to show row `first` at the top: what stays in view is moved by ScrollRect,
   only the rows it uncovered are drawn. */
static void ScrollPaneTo(short first)
{
    RgnHandle uncovered, saved;
    short max = GetControlMaximum(gScroll);
    short delta;

    if (first < 0)
        first = 0;
    if (first > max)
        first = max;
    delta = first - gFirst;
    SetControlValue(gScroll, first);
    if (delta == 0)
        return;
    SetPort(gWindow);
    SetPaneFont();
    uncovered = NewRgn();
    saved = NewRgn();
    ScrollRect(&gPaneRect, 0, -delta * gLineHeight, uncovered);
    gFirst = first;
    GetClip(saved);
    SetClip(uncovered);
    DrawPane();
    SetClip(saved);
    DisposeRgn(uncovered);
    DisposeRgn(saved);
}

static pascal void ScrollAction(ControlHandle control, short part)
{
    short page = RowsInPane() - 1;
    switch (part) {
    case inUpButton:
        ScrollPaneTo(GetControlValue(control) - 1);
        break;
    case inDownButton:
        ScrollPaneTo(GetControlValue(control) + 1);
        break;
    case inPageUp:
        ScrollPaneTo(GetControlValue(control) - page);
        break;
    case inPageDown:
        ScrollPaneTo(GetControlValue(control) + page);
        break;
    }
}

/* Chooses a card in both views: the list's selection follows and the directory scrolls to show it. */
static void ChooseCard(short index)
{
    Cell cell;
    short old = gSelected;

    SetPort(gWindow);
    SetPaneFont();
    if (old >= 0 && old != index) {
        SetPt(&cell, 0, old);
        LSetSelect(false, cell, gList);
    }
    gSelected = index;
    if (index >= 0) {
        SetPt(&cell, 0, index);
        LSetSelect(true, cell, gList);
    }
    if (old >= 0)
        DrawRows(old, old);
    if (index >= 0 && (index < gFirst || index >= gFirst + RowsInPane()))
        ScrollPaneTo(index - RowsInPane() / 2);
    if (index >= 0)
        DrawRows(index, index);
}

void ClickInCardWindow(EventRecord *event)
{
    Point where = event->where;
    ControlHandle control;
    Rect listArea = gListRect;
    short part;
    Cell cell;
    Boolean twice;

    SetPort(gWindow);
    GlobalToLocal(&where);
    part = FindControl(where, gWindow, &control);
    if (control == gScroll && part != 0) {
        if (part == inThumb) {
            if (TrackControl(control, where, nil) == inThumb)
                ScrollPaneTo(GetControlValue(control));
        } else
            TrackControl(control, where, (ProcPtr)ScrollAction);
        return;
    }
    if (control == gNewButton && part != 0) {
        if (TrackControl(control, where, nil) == inButton)
            DoNewCard();
        return;
    }
    listArea.right += 15;
    if (PtInRect(where, &listArea)) {
        twice = LClick(where, event->modifiers, gList);
        SetPt(&cell, 0, 0);
        if (LGetSelect(true, &cell, gList)) {
            ChooseCard(cell.v);
            if (twice)
                DoEditCard(cell.v);
        }
        return;
    }
    if (PtInRect(where, &gPaneRect)) {
        short row = gFirst + (where.v - gPaneRect.top) / gLineHeight;
        if (row < gCount)
            ChooseCard(row);
    }
}

/* The pointing hand over the directory, the arrow elsewhere. */
void AdjustCardCursor(Point globalMouse)
{
    GrafPtr saved;
    Boolean inPane;

    GetPort(&saved);
    SetPort(gWindow);
    GlobalToLocal(&globalMouse);
    SetPort(saved);
    inPane = PtInRect(globalMouse, &gPaneRect);
    if (inPane == gPointerShown)
        return;
    gPointerShown = inPane;
    if (inPane && gPointer != nil)
        SetCursor(*gPointer);
    else
        SetCursor(&qd.arrow);
}

static void SetListCell(short index)
{
    Cell cell;
    SetPt(&cell, 0, index);
    LSetCell(gCards[index].name + 1, gCards[index].name[0], cell, gList);
}

void AddCard(const Card *card)
{
    if (gCount >= kMaxCards)
        return;
    gCards[gCount] = *card;
    LAddRow(1, gCount, gList);
    SetListCell(gCount);
    gCount++;
    AdjustScrollBar();
    ChooseCard(gCount - 1);
    DrawStatus();
}

void ReplaceCard(short index, const Card *card)
{
    if (index < 0 || index >= gCount)
        return;
    gCards[index] = *card;
    SetListCell(index);
    SetPort(gWindow);
    SetPaneFont();
    DrawRows(index, index);
}

void DeleteSelectedCard(void)
{
    short index = gSelected, i;
    if (index < 0)
        return;
    LDelRow(1, index, gList);
    for (i = index; i + 1 < gCount; i++)
        gCards[i] = gCards[i + 1];
    gCount--;
    gSelected = -1;
    SetPort(gWindow);
    SetPaneFont();
    AdjustScrollBar();
    DrawPane();
    DrawStatus();
}

/* The first cards: names from 'STR#' 129, ages and groups made up from their place. The watch shows
   while they are read. */
static void LoadCards(void)
{
    short count, i;
    Handle names = GetResource('STR#', rNames);
    Card card;
    CursHandle watch = GetCursor(watchCursor);

    if (watch != nil)
        SetCursor(*watch);
    count = names != nil ? **(short **)names : 0;
    for (i = 0; i < count && i < kMaxCards; i++) {
        GetIndString(card.name, rNames, i + 1);
        card.age = 20 + 2 * i;
        card.group = i % 3;
        card.favourite = (i % 5) == 0;
        gCards[gCount] = card;
        LAddRow(1, gCount, gList);
        SetListCell(gCount);
        gCount++;
    }
    InitCursor();
}

WindowPtr NewCardWindow(void)
{
    Rect bounds, scrollRect;
    Point cellSize;

    gWindow = GetNewWindow(rCardWindow, nil, (WindowPtr)-1);
    if (gWindow == nil)
        return nil;
    SetPort(gWindow);
    SetPaneFont();
    SetRect(&bounds, 0, 0, 1, 0);
    SetPt(&cellSize, 0, 0);
    gList = LNew(&gListRect, &bounds, cellSize, 0, gWindow, true, false, false, true);
    SetRect(&scrollRect, gPaneRect.right, gPaneRect.top - 1, gPaneRect.right + 16, gPaneRect.bottom + 1);
    gScroll = NewControl(gWindow, &scrollRect, (ConstStr255Param)"\000", true, 0, 0, 0, scrollBarProc, 0);
    gNewButton = GetNewControl(rNewButton, gWindow);
    gPointer = GetCursor(rPointer);
    if (gList == nil || gScroll == nil || gNewButton == nil) {
        DisposeWindow(gWindow);
        gWindow = nil;
        return nil;
    }
    (**gList).selFlags = lOnlyOne;
    LoadCards();
    AdjustScrollBar();
    ShowWindow(gWindow);
    return gWindow;
}

void DisposeCardWindow(void)
{
    if (gList)
        LDispose(gList);
    if (gWindow)
        DisposeWindow(gWindow);
    gList = nil;
    gWindow = nil;
}

/* What the program can see of itself: the font's measures agree with each other, the list holds the
   cards' names, the scroll bar the directory's place, and the cursors are there. */
long CheckCardWindow(void)
{
    long faults = gFaults;
    FontInfo info;
    short i;
    Cell cell;
    char text[64];
    short length;

    if (gWindow == nil)
        return kBadStartup;
    SetPort(gWindow);
    SetPaneFont();
    GetFontInfo(&info);
    if (info.ascent <= 0 || info.descent < 0 || info.widMax < CharWidth('i') ||
        StringWidth((ConstStr255Param)"\004MMMM") != 4 * CharWidth('M'))
        faults |= kBadFont;
    TextFace(bold);
    if (StringWidth((ConstStr255Param)"\004MMMM") < 4 * CharWidth('M'))
        faults |= kBadFont;
    TextFace(normal);
    for (i = 0; i < gCount; i++) {
        SetPt(&cell, 0, i);
        length = sizeof text;
        LGetCell(text, &length, cell, gList);
        if (length != gCards[i].name[0])
            faults |= kBadList;
        else
            while (length-- > 0)
                if (text[length] != (char)gCards[i].name[length + 1])
                    faults |= kBadList;
    }
    if (GetControlValue(gScroll) != gFirst || GetControlMaximum(gScroll) != (gCount > RowsInPane() ? gCount - RowsInPane() : 0))
        faults |= kBadScroll;
    if (gPointer == nil || GetCursor(watchCursor) == nil)
        faults |= kBadCursor;
    return faults;
}

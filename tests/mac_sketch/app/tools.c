/* The Tools dialog, modeless: a list of shapes in a user item, Frame and Paint radio buttons, a Pattern
   check box, a colour pop-up menu from its 'CNTL', a caption in an edit text item selected whole when
   the dialog opens, and a swatch drawn in the pattern modes on the dialog's own background. Draw hands
   the choice to the canvas. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Dialogs.h>
#include <Controls.h>
#include <Lists.h>
#include <Events.h>
#include <ToolUtils.h>

#include "sketch.h"

enum {
    iDraw = 1,
    iList = 2,
    iFrame = 3,
    iPaint = 4,
    iPattern = 5,
    iColour = 6,
    iCaption = 7,
    iSwatch = 8
};

static const RGBColor kBlack = {0, 0, 0};
static const RGBColor kRed = {0xFFFF, 0, 0};
static const RGBColor kCyan = {0, 0xFFFF, 0xFFFF};

static DialogPtr gTools = nil;
static ListHandle gList = nil;

static Handle ItemHandle(short item)
{
    short type;
    Handle handle;
    Rect box;
    GetDialogItem(gTools, item, &type, &handle, &box);
    return handle;
}

static void ItemBox(short item, Rect *box)
{
    short type;
    Handle handle;
    GetDialogItem(gTools, item, &type, &handle, box);
}

static void SwatchHalves(Rect *left, Rect *right)
{
    ItemBox(iSwatch, left);
    *right = *left;
    left->right = right->left = (left->left + left->right) / 2;
}

/* The list's frame, and its cells. */
static pascal void DrawList(DialogPtr dialog, short item)
{
    Rect box;
    (void)dialog;
    ItemBox(item, &box);
    InsetRect(&box, -1, -1);
    FrameRect(&box);
    LUpdate(dialog->visRgn, gList);
}

/* Black cleared by a light grey patBic, red inverted by a grey patXor: the pixels under the patterns'
   0 bits keep their colour on the dialog's background as on any other. */
static pascal void DrawSwatch(DialogPtr dialog, short item)
{
    Rect left, right;
    (void)dialog;
    (void)item;
    SwatchHalves(&left, &right);
    RGBForeColor(&kBlack);
    PaintRect(&left);
    PenPat(&qd.ltGray);
    PenMode(patBic);
    PaintRect(&left);
    PenNormal();
    RGBForeColor(&kRed);
    PaintRect(&right);
    RGBForeColor(&kBlack);
    PenPat(&qd.gray);
    PenMode(patXor);
    PaintRect(&right);
    PenNormal();
}

static void SetRadios(short chosen)
{
    SetControlValue((ControlHandle)ItemHandle(iFrame), chosen == iFrame);
    SetControlValue((ControlHandle)ItemHandle(iPaint), chosen == iPaint);
}

DialogPtr NewTools(void)
{
    static const char *names[] = {"\004Line", "\011Rectangle", "\004Oval", "\003Arc", "\007Polygon"};
    Rect box, view, bounds;
    Point cellSize;
    Cell cell;
    short type, i;
    Handle handle;

    gTools = GetNewDialog(rToolsDialog, nil, (WindowPtr)-1);
    if (gTools == nil)
        return nil;
    SetPort(gTools);

    GetDialogItem(gTools, iList, &type, &handle, &box);
    view = box;
    view.right -= 15;
    SetRect(&bounds, 0, 0, 1, 5);
    SetPt(&cellSize, 0, 0);
    gList = LNew(&view, &bounds, cellSize, 0, gTools, true, false, false, true);
    if (gList == nil)
        return nil;
    for (i = 0; i < 5; i++) {
        SetPt(&cell, 0, i);
        LSetCell(names[i] + 1, names[i][0], cell, gList);
    }
    SetPt(&cell, 0, 1);
    LSetSelect(true, cell, gList);
    SetDialogItem(gTools, iList, userItem, (Handle)NewUserItemUPP(DrawList), &box);
    GetDialogItem(gTools, iSwatch, &type, &handle, &box);
    SetDialogItem(gTools, iSwatch, userItem + itemDisable, (Handle)NewUserItemUPP(DrawSwatch), &box);

    SetRadios(iFrame);
    SetControlValue((ControlHandle)ItemHandle(iPattern), 0);
    SelectDialogItemText(gTools, iCaption, 0, 32767);
    ShowWindow(gTools);
    return gTools;
}

void DisposeTools(void)
{
    if (gList)
        LDispose(gList);
    if (gTools)
        DisposeDialog(gTools);
    gList = nil;
    gTools = nil;
}

Boolean IsTools(WindowPtr window)
{
    return window != nil && window == gTools;
}

static void DrawChosenShape(void)
{
    ShapeChoice choice;
    Cell cell;

    SetPt(&cell, 0, 0);
    choice.shape = LGetSelect(true, &cell, gList) ? cell.v : 1;
    choice.filled = GetControlValue((ControlHandle)ItemHandle(iPaint)) != 0;
    choice.patterned = GetControlValue((ControlHandle)ItemHandle(iPattern)) != 0;
    choice.colour = GetControlValue((ControlHandle)ItemHandle(iColour));
    GetDialogItemText(ItemHandle(iCaption), choice.caption);
    SetCanvasShape(&choice);
}

void DoToolsEvent(EventRecord *event)
{
    DialogPtr dialog;
    short item;
    Point where;
    ControlHandle box;

    if (event->what == activateEvt && (DialogPtr)event->message == gTools)
        LActivate((event->modifiers & activeFlag) != 0, gList);
    if (!DialogSelect(event, &dialog, &item) || dialog != gTools)
        return;
    switch (item) {
    case iDraw:
        DrawChosenShape();
        break;
    case iList:
        SetPort(gTools);
        where = event->where;
        GlobalToLocal(&where);
        if (LClick(where, event->modifiers, gList))
            DrawChosenShape();
        break;
    case iFrame:
    case iPaint:
        SetRadios(item);
        break;
    case iPattern:
        box = (ControlHandle)ItemHandle(iPattern);
        SetControlValue(box, !GetControlValue(box));
        break;
    }
}

/* The swatch: black and red under the 0 bits, the red inverted under the grey's 1 bits. */
long CheckTools(void)
{
    Rect left, right;
    short h, v;

    if (gTools == nil)
        return kBadStartup;
    SetPort(gTools);
    SwatchHalves(&left, &right);
    for (v = left.top; v < left.bottom; v++)
        for (h = left.left; h < left.right; h++)
            if (!PatternBit(&qd.ltGray, h, v) && !PixelIs(h, v, &kBlack))
                return kBadSwatch;
    for (v = right.top; v < right.bottom; v++)
        for (h = right.left; h < right.right; h++)
            if (!PixelIs(h, v, PatternBit(&qd.gray, h, v) ? &kCyan : &kRed))
                return kBadSwatch;
    return 0;
}

/* The gallery window: what a Macintosh program draws besides lines and boxes, in C against the classic
   headers, in a colour window. A line of text, a TextEdit field, an offscreen GWorld copied in with CopyBits, a picture and
   an icon from the resource fork, a picture holding a packed colour image, a modal dialog from its
   'DLOG' and 'DITL' that the key D opens and a note alert with a ParamText parameter that the key A
   opens. The window itself comes from a 'WIND' resource. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <QDOffscreen.h>
#include <Fonts.h>
#include <Windows.h>
#include <TextEdit.h>
#include <Dialogs.h>
#include <Controls.h>
#include <Icons.h>
#include <ToolUtils.h>

#include "mac_program.h"

enum {
    kGalleryWindowID = 128,
    kGalleryPictID = 128,
    kImagePictID = 129,
    kGalleryIconID = 128,
    kGalleryDialogID = 128,
    kGalleryAlertID = 129
};

static TEHandle gField = nil;
static GWorldPtr gWorld = nil;
static short gDialogAnswer = 0;
static short gAlertAnswer = 0;

static const Rect kFieldRect = {40, 10, 100, 190};
static const Rect kCopyRect = {10, 200, 50, 240};
static const Rect kPictRect = {60, 200, 100, 240};
static const Rect kIconRect = {110, 200, 142, 232};
static const Rect kImageRect = {150, 200, 182, 232};
static const Rect kAnswerRect = {120, 10, 140, 40};
static const Rect kAlertAnswerRect = {120, 60, 140, 90};
static const Rect kScrollRect = {200, 10, 216, 190};

/* A 40 x 40 world holding a red disc on white, drawn once, offscreen. */
static void DrawWorld(void)
{
    Rect bounds = {0, 0, 40, 40};
    CGrafPtr savedPort;
    GDHandle savedDevice;
    RGBColor red = {0xFFFF, 0, 0};
    if (NewGWorld(&gWorld, 32, &bounds, nil, nil, 0) != noErr)
        return;
    GetGWorld(&savedPort, &savedDevice);
    SetGWorld(gWorld, nil);
    LockPixels(GetGWorldPixMap(gWorld));
    EraseRect(&bounds);
    RGBForeColor(&red);
    PaintOval(&bounds);
    SetGWorld(savedPort, savedDevice);
}

WindowRef MakeGalleryWindow(void)
{
    static const char text[] = "TextEdit wraps this sentence across the lines of its field, three of them at least.";
    WindowRef window = (WindowRef)GetNewCWindow(kGalleryWindowID, nil, (WindowPtr)-1);
    if (!window)
        return nil;
    SetPort(window);
    TextFont(applFont);
    TextSize(12);
    gField = TENew(&kFieldRect, &kFieldRect);
    if (gField) {
        TESetText(text, (long)(sizeof text - 1), gField);
        TESetSelect(32767, 32767, gField);
        TEActivate(gField);
    }
    NewControl(window, &kScrollRect, (ConstStr255Param) "", true, 50, 0, 100, scrollBarProc, 0);
    DrawWorld();
    return window;
}

void DrawGallery(WindowRef window)
{
    Rect worldBounds = {0, 0, 40, 40};
    PicHandle picture;
    SetPort(window);
    EraseRect(&window->portRect);
    TextFont(applFont);
    TextSize(12);
    MoveTo(10, 24);
    DrawString((ConstStr255Param) "\011HELLO MAC");
    if (gField)
        TEUpdate(&window->portRect, gField);
    if (gWorld)
        CopyBits((BitMap *)*GetGWorldPixMap(gWorld), &window->portBits, &worldBounds, &kCopyRect, srcCopy, nil);
    picture = GetPicture(kGalleryPictID);
    if (picture)
        DrawPicture(picture, &kPictRect);
    PlotIconID(&kIconRect, atNone, ttNone, kGalleryIconID);
    picture = GetPicture(kImagePictID);
    if (picture)
        DrawPicture(picture, &kImageRect);
    if (gDialogAnswer == ok)
        PaintRect(&kAnswerRect);
    if (gAlertAnswer == ok)
        PaintRect(&kAlertAnswerRect);
    DrawControls(window);
}

/* The dialog until its OK button (or Return) ends it; the answer shows in the gallery. */
void RunGalleryDialog(WindowRef gallery)
{
    short item = 0;
    DialogPtr dialog = GetNewDialog(kGalleryDialogID, nil, (WindowPtr)-1);
    if (!dialog)
        return;
    do
        ModalDialog(nil, &item);
    while (item != ok);
    DisposeDialog(dialog);
    gDialogAnswer = item;
    SetPort(gallery);
    InvalRect(&kAnswerRect);
}

/* The note alert, its text completed by ParamText. */
void RunGalleryAlert(WindowRef gallery)
{
    ParamText((ConstStr255Param) "\005param", nil, nil, nil);
    gAlertAnswer = NoteAlert(kGalleryAlertID, nil);
    SetPort(gallery);
    InvalRect(&kAlertAnswerRect);
}

/* A typed key goes into the field at its insertion point. */
void TypeIntoGallery(WindowRef gallery, char key)
{
    if (!gField)
        return;
    SetPort(gallery);
    TEKey(key, gField);
}

/* Whether the field's text now ends with the given characters. */
Boolean GalleryTextEndsWith(const char *tail, short length)
{
    Handle text;
    short total, i;
    if (!gField)
        return false;
    total = (**gField).teLength;
    text = TEGetText(gField);
    if (!text || total < length)
        return false;
    for (i = 0; i < length; ++i)
        if ((*text)[total - length + i] != tail[i])
            return false;
    return true;
}

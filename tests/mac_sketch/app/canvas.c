/* The canvas window: a picture recorded at start-up and played back at twice its size, two pattern
   strips drawn in the pattern modes, the offscreen worlds, a colour icon and an icon family, a styled
   TextEdit record, the shape the Tools dialog asked for and the picture pasted from the scrap. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Fonts.h>
#include <Windows.h>
#include <TextEdit.h>
#include <Icons.h>
#include <Scrap.h>
#include <ToolUtils.h>

#include "sketch.h"

static const RGBColor kBlack = {0, 0, 0};
static const RGBColor kWhite = {0xFFFF, 0xFFFF, 0xFFFF};
static const RGBColor kRed = {0xFFFF, 0, 0};
static const RGBColor kGreen = {0, 0x8000, 0};
static const RGBColor kBlue = {0, 0, 0xFFFF};

static const Rect kPicFrame = {0, 0, 60, 60};
static const Rect kPicDest = {10, 10, 130, 130};
static const Rect kBicStrip = {140, 10, 160, 70};
static const Rect kXorStrip = {140, 70, 160, 130};
static const Rect kColourIconRect = {170, 320, 186, 336};
static const Rect kIconRect = {170, 350, 202, 382};
static const Rect kTERect = {220, 10, 250, 470};
static const Rect kPreview = {270, 10, 320, 110};
static const Rect kPaste = {260, 320, 320, 380};

static const char kStyledText[] = "Plain words, then RED BOLD ones.";
enum { kRedStart = 18, kRedEnd = 26 };

static WindowPtr gCanvas = nil;
static PicHandle gPicture = nil;
static PicHandle gPasted = nil;
static CIconHandle gColourIcon = nil;
static TEHandle gStyled = nil;
static ShapeChoice gShape;
static Boolean gHasShape = false;
static Boolean gPasteFailed = false;

Boolean IsCanvas(WindowPtr window)
{
    return window != nil && window == gCanvas;
}

/* The picture: a red square half inverted by a grey patXor, a blue oval, a green wedge, a black
   triangle, a blue L-shaped region, text in two fonts, faces and sizes, and a black bar cleared in a
   light grey patBic. Recorded in the canvas's port, drawn by DrawCanvas at twice its size. */
static PicHandle RecordPicture(void)
{
    PicHandle picture;
    PolyHandle triangle;
    RgnHandle region;
    Rect r;
    short times, monaco;

    GetFNum(PSTR("\005Times"), &times);
    if (times == 0)
        times = applFont;
    GetFNum(PSTR("\006Monaco"), &monaco);
    if (monaco == 0)
        monaco = systemFont;

    picture = OpenPicture(&kPicFrame);
    if (picture == nil)
        return nil;
    ClipRect(&kPicFrame);

    RGBForeColor(&kRed);
    SetRect(&r, 0, 0, 20, 20);
    PaintRect(&r);
    ForeColor(blackColor);
    PenPat(&qd.gray);
    PenMode(patXor);
    SetRect(&r, 0, 0, 20, 10);
    PaintRect(&r);
    PenNormal();

    ForeColor(blueColor);
    SetRect(&r, 20, 0, 40, 20);
    PaintOval(&r);

    RGBForeColor(&kGreen);
    SetRect(&r, 40, 0, 60, 20);
    PaintArc(&r, 90, 90);

    RGBForeColor(&kBlack);
    triangle = OpenPoly();
    MoveTo(0, 22);
    LineTo(18, 22);
    LineTo(0, 40);
    LineTo(0, 22);
    ClosePoly();
    PaintPoly(triangle);
    KillPoly(triangle);

    region = NewRgn();
    OpenRgn();
    SetRect(&r, 22, 22, 40, 30);
    FrameRect(&r);
    SetRect(&r, 22, 30, 30, 40);
    FrameRect(&r);
    CloseRgn(region);
    RGBForeColor(&kBlue);
    PaintRgn(region);
    DisposeRgn(region);

    RGBForeColor(&kBlack);
    TextFont(times);
    TextSize(9);
    TextFace(bold);
    MoveTo(42, 32);
    DrawString(PSTR("\002Ab"));
    TextFont(monaco);
    TextSize(12);
    TextFace(italic | underline);
    MoveTo(42, 52);
    DrawString(PSTR("\002Cd"));
    TextFont(systemFont);
    TextSize(0);
    TextFace(normal);

    SetRect(&r, 0, 44, 20, 60);
    PaintRect(&r);
    PenPat(&qd.ltGray);
    PenMode(patBic);
    PaintRect(&r);
    PenNormal();

    ClosePicture();
    ClipRect(&gCanvas->portRect);
    return picture;
}

WindowPtr NewCanvas(void)
{
    TextStyle style;

    gCanvas = (WindowPtr)GetNewCWindow(rCanvasWindow, nil, (WindowPtr)-1);
    if (gCanvas == nil)
        return nil;
    SetPort(gCanvas);
    /* White paper whatever colour the system gives windows. */
    RGBBackColor(&kWhite);
    gPicture = RecordPicture();
    gColourIcon = GetCIcon(rColourIcon);

    TextFont(applFont);
    TextSize(12);
    gStyled = TEStyleNew(&kTERect, &kTERect);
    if (gStyled != nil) {
        TESetText(kStyledText, (long)(sizeof kStyledText - 1), gStyled);
        TESetSelect(kRedStart, kRedEnd, gStyled);
        style.tsFace = bold;
        style.tsColor = kRed;
        TESetStyle(doFace | doColor, &style, false, gStyled);
        TESetSelect(0, 0, gStyled);
    }
    TextFont(systemFont);
    ShowWindow(gCanvas);
    if (gPicture == nil || gColourIcon == nil || gStyled == nil)
        return nil;
    return gCanvas;
}

void DisposeCanvas(void)
{
    if (gStyled)
        TEDispose(gStyled);
    if (gColourIcon)
        DisposeCIcon(gColourIcon);
    if (gPicture)
        KillPicture(gPicture);
    if (gPasted)
        DisposeHandle((Handle)gPasted);
    if (gCanvas)
        DisposeWindow(gCanvas);
    gCanvas = nil;
}

static void DrawStrips(void)
{
    PaintRect(&kBicStrip);
    PenPat(&qd.ltGray);
    PenMode(patBic);
    PaintRect(&kBicStrip);
    PenNormal();

    RGBForeColor(&kRed);
    PaintRect(&kXorStrip);
    RGBForeColor(&kBlack);
    PenPat(&qd.gray);
    PenMode(patXor);
    PaintRect(&kXorStrip);
    PenNormal();
}

static void DrawShape(void)
{
    static const RGBColor *colours[] = {&kBlack, &kBlack, &kRed, &kBlue};
    Rect r = kPreview;
    PolyHandle poly;

    RGBForeColor(colours[gShape.colour >= 1 && gShape.colour <= 3 ? gShape.colour : 1]);
    if (gShape.patterned)
        PenPat(&qd.dkGray);
    PenSize(2, 2);
    switch (gShape.shape) {
    case 0:
        MoveTo(r.left, r.top);
        LineTo(r.right - 2, r.bottom - 2);
        break;
    case 1:
        if (gShape.filled)
            PaintRect(&r);
        else
            FrameRect(&r);
        break;
    case 2:
        if (gShape.filled)
            PaintOval(&r);
        else
            FrameOval(&r);
        break;
    case 3:
        if (gShape.filled)
            PaintArc(&r, 0, 180);
        else
            FrameArc(&r, 0, 180);
        break;
    default:
        poly = OpenPoly();
        MoveTo(r.left, r.bottom);
        LineTo((r.left + r.right) / 2, r.top);
        LineTo(r.right, r.bottom);
        LineTo(r.left, r.bottom);
        ClosePoly();
        if (gShape.filled)
            PaintPoly(poly);
        else
            FramePoly(poly);
        KillPoly(poly);
        break;
    }
    PenNormal();
    RGBForeColor(&kBlack);
    MoveTo(kPreview.right + 10, kPreview.top + 20);
    DrawString(gShape.caption);
}

void DrawCanvas(WindowPtr window)
{
    Rect r;

    SetPort(window);
    RGBForeColor(&kBlack);
    RGBBackColor(&kWhite);
    EraseRect(&window->portRect);
    if (gPicture)
        DrawPicture(gPicture, &kPicDest);
    DrawStrips();
    DrawWorlds();
    if (gColourIcon)
        PlotCIcon(&kColourIconRect, gColourIcon);
    PlotIconID(&kIconRect, atNone, ttNone, rIconFamily);
    if (gStyled) {
        r = kTERect;
        TEUpdate(&r, gStyled);
    }
    if (gHasShape)
        DrawShape();
    if (gPasted)
        DrawPicture(gPasted, &kPaste);
}

void SetCanvasShape(const ShapeChoice *choice)
{
    Rect r = kPreview;
    gShape = *choice;
    gHasShape = true;
    SetPort(gCanvas);
    r.right = kPicDest.right + 200;
    InvalRect(&r);
}

/* Copy: the picture on the scrap, as 'PICT'. */
void CopyCanvasPicture(void)
{
    if (gPicture == nil)
        return;
    ZeroScrap();
    HLock((Handle)gPicture);
    if (PutScrap(GetHandleSize((Handle)gPicture), 'PICT', *gPicture) != noErr)
        gPasteFailed = true;
    HUnlock((Handle)gPicture);
}

/* Paste: the scrap's picture, drawn in its frame's size at the paste place. */
void PasteCanvasPicture(void)
{
    Handle data = NewHandle(0);
    long offset;
    long length = GetScrap(data, 'PICT', &offset);
    if (length <= 0) {
        gPasteFailed = true;
        DisposeHandle(data);
        return;
    }
    if (gPasted)
        DisposeHandle((Handle)gPasted);
    gPasted = (PicHandle)data;
    SetPort(gCanvas);
    InvalRect(&kPaste);
}

/* ---- What the program checks of its own drawing ---- */

Boolean PixelIs(short h, short v, const RGBColor *expected)
{
    RGBColor c;
    GetCPixel(h, v, &c);
    return (c.red >> 8) == (expected->red >> 8) && (c.green >> 8) == (expected->green >> 8) &&
           (c.blue >> 8) == (expected->blue >> 8);
}

static Boolean MostlyBlue(short h, short v)
{
    RGBColor c;
    GetCPixel(h, v, &c);
    return c.blue > 0x8000 && c.red < 0x4000 && c.green < 0x4000;
}

static Boolean AnyDark(const Rect *r)
{
    short h, v;
    RGBColor c;
    for (v = r->top; v < r->bottom; v++)
        for (h = r->left; h < r->right; h++) {
            GetCPixel(h, v, &c);
            if ((long)c.red + c.green + c.blue < 0x18000L)
                return true;
        }
    return false;
}

/* A pattern's bit at a point of the window: patterns are aligned to the port's origin. */
Boolean PatternBit(const Pattern *pat, short h, short v)
{
    return (pat->pat[v & 7] >> (7 - (h & 7))) & 1;
}

static const RGBColor kCyan = {0, 0xFFFF, 0xFFFF};

/* Every pixel of a strip: the mode's colour under the pattern's 1 bits, the colour painted first under
   its 0 bits. */
static Boolean StripIs(const Rect *r, const Pattern *pat, const RGBColor *under1, const RGBColor *under0)
{
    short h, v;
    for (v = r->top; v < r->bottom; v++)
        for (h = r->left; h < r->right; h++)
            if (!PixelIs(h, v, PatternBit(pat, h, v) ? under1 : under0))
                return false;
    return true;
}

long CheckCanvas(void)
{
    long bad = 0;
    Rect r;
    Point start;
    short h, v;
    RGBColor c;
    Boolean red = false;

    if (gCanvas == nil)
        return kBadStartup;
    SetPort(gCanvas);

    /* The picture at twice its size: each of its shapes where the frame's scaling puts it. */
    SetRect(&r, 10, 10, 50, 30);
    if (!PixelIs(30, 40, &kRed) || !StripIs(&r, &qd.gray, &kCyan, &kRed))
        bad |= kBadPicture;
    if (!MostlyBlue(70, 30))
        bad |= kBadPicture;
    if (!PixelIs(118, 38, &kGreen) || !PixelIs(102, 22, &kWhite))
        bad |= kBadPicture;
    if (!PixelIs(16, 60, &kBlack) || !PixelIs(40, 84, &kWhite))
        bad |= kBadPicture;
    if (!PixelIs(80, 60, &kBlue) || !PixelIs(80, 80, &kWhite))
        bad |= kBadPicture;
    SetRect(&r, 90, 54, 130, 130);
    if (!AnyDark(&r))
        bad |= kBadPicture;
    SetRect(&r, 10, 98, 50, 130);
    if (!StripIs(&r, &qd.ltGray, &kWhite, &kBlack))
        bad |= kBadPicture;

    if (!StripIs(&kBicStrip, &qd.ltGray, &kWhite, &kBlack) || !StripIs(&kXorStrip, &qd.gray, &kCyan, &kRed))
        bad |= kBadPatterns;

    /* The colour icon: red and blue halves, its masked-out rows left white; the icon family's top
       half black, its bottom half white. */
    if (!PixelIs(kColourIconRect.left + 3, kColourIconRect.top + 3, &kRed) ||
        !PixelIs(kColourIconRect.left + 12, kColourIconRect.top + 3, &kBlue) ||
        !PixelIs(kColourIconRect.left + 8, kColourIconRect.top + 14, &kWhite))
        bad |= kBadIcons;
    if (!PixelIs(kIconRect.left + 16, kIconRect.top + 8, &kBlack) ||
        !PixelIs(kIconRect.left + 16, kIconRect.top + 24, &kWhite))
        bad |= kBadIcons;

    /* Red only in the restyled words, and some there. */
    start = TEGetPoint(kRedStart, gStyled);
    for (v = kTERect.top; v < kTERect.bottom; v++)
        for (h = kTERect.left; h < kTERect.right; h++) {
            GetCPixel(h, v, &c);
            if (c.red > 0xC000 && c.green < 0x4000 && c.blue < 0x4000) {
                red = true;
                if (h < start.h - 1)
                    bad |= kBadStyledText;
            }
        }
    if (!red)
        bad |= kBadStyledText;

    if (gHasShape && gShape.filled && gShape.shape == 2 &&
        !PixelIs((kPreview.left + kPreview.right) / 2, (kPreview.top + kPreview.bottom) / 2,
                 gShape.colour == 2 ? &kRed : gShape.colour == 3 ? &kBlue : &kBlack))
        bad |= kBadPreview;

    if (gPasteFailed || (gPasted && !PixelIs(kPaste.left + 10, kPaste.top + 15, &kRed)))
        bad |= kBadScrap;
    return bad;
}

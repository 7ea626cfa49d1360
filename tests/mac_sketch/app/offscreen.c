/* The offscreen worlds: a colour world (black left half, a red disc in the right half, white elsewhere)
   copied in three ways, and a one-bit world (black left half) copied onto red in the three boolean
   modes a black-and-white image is drawn with. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <QDOffscreen.h>

#include "sketch.h"

static const RGBColor kBlack = {0, 0, 0};
static const RGBColor kWhite = {0xFFFF, 0xFFFF, 0xFFFF};
static const RGBColor kRed = {0xFFFF, 0, 0};
static const RGBColor kGreen = {0, 0xFFFF, 0};
static const RGBColor kYellow = {0xFFFF, 0xFFFF, 0};
static const RGBColor kCyan = {0, 0xFFFF, 0xFFFF};

static const Rect kWorldBounds = {0, 0, 40, 40};
static const Rect kCopyCell = {170, 10, 210, 50};
static const Rect kTransparentCell = {170, 60, 210, 100};
static const Rect kMaskCell = {170, 110, 210, 150};
static const Rect kOrCell = {170, 160, 210, 200};
static const Rect kXorCell = {170, 210, 210, 250};
static const Rect kBicCell = {170, 260, 210, 300};

static GWorldPtr gColourWorld = nil;
static GWorldPtr gOneBitWorld = nil;
static BitMap gMask;
static char gMaskBits[40 * 6];

static void DrawIntoWorld(GWorldPtr world, Boolean colour)
{
    CGrafPtr savedPort;
    GDHandle savedDevice;
    Rect r;

    GetGWorld(&savedPort, &savedDevice);
    SetGWorld(world, nil);
    LockPixels(GetGWorldPixMap(world));
    RGBForeColor(&kBlack);
    RGBBackColor(&kWhite);
    EraseRect(&kWorldBounds);
    SetRect(&r, 0, 0, 20, 40);
    PaintRect(&r);
    if (colour) {
        RGBForeColor(&kRed);
        SetRect(&r, 20, 10, 40, 30);
        PaintOval(&r);
        RGBForeColor(&kBlack);
    }
    UnlockPixels(GetGWorldPixMap(world));
    SetGWorld(savedPort, savedDevice);
}

Boolean MakeWorlds(void)
{
    short row;

    if (NewGWorld(&gColourWorld, 32, &kWorldBounds, nil, nil, 0) != noErr)
        return false;
    if (NewGWorld(&gOneBitWorld, 1, &kWorldBounds, nil, nil, 0) != noErr)
        return false;
    DrawIntoWorld(gColourWorld, true);
    DrawIntoWorld(gOneBitWorld, false);

    /* The mask: its top half set. */
    gMask.baseAddr = gMaskBits;
    gMask.rowBytes = 6;
    gMask.bounds = kWorldBounds;
    for (row = 0; row < 40; row++) {
        short i;
        for (i = 0; i < 6; i++)
            gMaskBits[row * 6 + i] = (char)(row < 20 ? 0xFF : 0x00);
    }
    return true;
}

void DisposeWorlds(void)
{
    if (gColourWorld)
        DisposeGWorld(gColourWorld);
    if (gOneBitWorld)
        DisposeGWorld(gOneBitWorld);
    gColourWorld = gOneBitWorld = nil;
}

static void CopyWorld(GWorldPtr world, const Rect *cell, short mode)
{
    PixMapHandle pixels = GetGWorldPixMap(world);
    if (LockPixels(pixels)) {
        CopyBits((BitMap *)*pixels, &qd.thePort->portBits, &kWorldBounds, cell, mode, nil);
        UnlockPixels(pixels);
    }
}

void DrawWorlds(void)
{
    PixMapHandle pixels;

    RGBForeColor(&kBlack);
    RGBBackColor(&kWhite);
    CopyWorld(gColourWorld, &kCopyCell, srcCopy);

    RGBForeColor(&kGreen);
    PaintRect(&kTransparentCell);
    RGBForeColor(&kBlack);
    CopyWorld(gColourWorld, &kTransparentCell, transparent);

    RGBForeColor(&kYellow);
    PaintRect(&kMaskCell);
    RGBForeColor(&kBlack);
    pixels = GetGWorldPixMap(gColourWorld);
    if (LockPixels(pixels)) {
        CopyMask((BitMap *)*pixels, &gMask, &qd.thePort->portBits, &kWorldBounds, &kWorldBounds, &kMaskCell);
        UnlockPixels(pixels);
    }

    RGBForeColor(&kRed);
    PaintRect(&kOrCell);
    PaintRect(&kXorCell);
    PaintRect(&kBicCell);
    RGBForeColor(&kBlack);
    CopyWorld(gOneBitWorld, &kOrCell, srcOr);
    CopyWorld(gOneBitWorld, &kXorCell, srcXor);
    CopyWorld(gOneBitWorld, &kBicCell, srcBic);
}

/* A pixel of a cell by its place in the world. */
static Boolean CellPixelIs(const Rect *cell, short h, short v, const RGBColor *expected)
{
    return PixelIs(cell->left + h, cell->top + v, expected);
}

long CheckWorlds(void)
{
    long bad = 0;

    if (!CellPixelIs(&kCopyCell, 5, 5, &kBlack) || !CellPixelIs(&kCopyCell, 30, 20, &kRed) ||
        !CellPixelIs(&kCopyCell, 35, 2, &kWhite))
        bad |= kBadOffscreen;
    /* transparent: the world's white (the background colour) leaves the green. */
    if (!CellPixelIs(&kTransparentCell, 5, 5, &kBlack) || !CellPixelIs(&kTransparentCell, 30, 20, &kRed) ||
        !CellPixelIs(&kTransparentCell, 35, 2, &kGreen))
        bad |= kBadOffscreen;
    /* One-bit sources onto red: or paints black, xor inverts, bic clears to white, under the black
       half; the white half leaves the red. */
    if (!CellPixelIs(&kOrCell, 5, 20, &kBlack) || !CellPixelIs(&kOrCell, 30, 20, &kRed) ||
        !CellPixelIs(&kXorCell, 5, 20, &kCyan) || !CellPixelIs(&kXorCell, 30, 20, &kRed) ||
        !CellPixelIs(&kBicCell, 5, 20, &kWhite) || !CellPixelIs(&kBicCell, 30, 20, &kRed))
        bad |= kBadOffscreen;
    /* CopyMask: the top half copied, the bottom half left yellow. */
    if (!CellPixelIs(&kMaskCell, 5, 5, &kBlack) || !CellPixelIs(&kMaskCell, 30, 16, &kRed) ||
        !CellPixelIs(&kMaskCell, 5, 30, &kYellow) || !CellPixelIs(&kMaskCell, 30, 24, &kYellow))
        bad |= kBadMask;
    return bad;
}

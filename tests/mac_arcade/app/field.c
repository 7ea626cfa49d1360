/* The playfield: a starfield strip that scrolls one step left each frame (ScrollRect, the uncovered
   strip copied in from the star world), and the arena, whose background world (the arena pattern and a
   comet) is composed with the alien (transparent CopyBits) and the ship (CopyMask) in a second world;
   only the region the ship left and entered is copied to the window. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <QDOffscreen.h>
#include <Events.h>

#include "arcade.h"

RGBColor gGameColours[16];

static const Rect kStars = {kStarsTop, kStarsLeft, kStarsBottom, kStarsRight};
static const Rect kArena = {kArenaTop, kArenaLeft, kArenaBottom, kArenaRight};
static const Rect kComet = {40, 200, 72, 232};   /* in the arena world */
static const Rect kAlien = {80, 120, 96, 136};   /* in the arena world */
static const Rect kSprite = {0, 0, kShipSize, kShipSize};

static GWorldPtr gStarWorld = nil;
static GWorldPtr gArenaWorld = nil;
static GWorldPtr gComposeWorld = nil;
static GWorldPtr gShipWorld = nil;
static GWorldPtr gShipMask = nil;
static GWorldPtr gAlienWorld = nil;
static CTabHandle gColours = nil;
static PixPatHandle gArenaPattern = nil;
static RgnHandle gCometRgn = nil;   /* the comet in window coordinates */
static RgnHandle gArenaRgn = nil;
static Rect gShip;                  /* the ship in window coordinates */
static short gScroll = 0;           /* the star world's column at the strip's left edge */
static unsigned long gLastTicks = 0;
static long gFieldBad = 0;
static Boolean gFlashing = false;   /* the comet shown inverted until the next frame */

/* The stars: a column, a row and a colour each, in the star world. */
static const short kStarH[8] = {20, 60, 100, 140, 180, 220, 260, 300};
static const short kStarV[8] = {5, 9, 13, 17, 21, 25, 29, 33};
static const short kStarColour[8] = {cWhite, cYellow, cCyan, cWhite, cYellow, cCyan, cWhite, cYellow};

static void Colour(short index)
{
    RGBForeColor(&gGameColours[index]);
}

static BitMap *WorldBits(GWorldPtr world)
{
    return (BitMap *)*GetGWorldPixMap(world);
}

static Boolean NewWorld(GWorldPtr *world, short depth, const Rect *bounds)
{
    return NewGWorld(world, depth, bounds, depth == 8 ? gColours : nil, nil, 0) == noErr && *world != nil;
}

/* Draws into a world: the world current and its pixels locked until EndWorld. */
static void BeginWorld(GWorldPtr world, CGrafPtr *savedPort, GDHandle *savedDevice)
{
    GetGWorld(savedPort, savedDevice);
    SetGWorld(world, nil);
    LockPixels(GetGWorldPixMap(world));
}

static void EndWorld(GWorldPtr world, CGrafPtr savedPort, GDHandle savedDevice)
{
    UnlockPixels(GetGWorldPixMap(world));
    SetGWorld(savedPort, savedDevice);
}

static void DrawStarWorld(void)
{
    CGrafPtr port;
    GDHandle device;
    Rect r;
    short i;

    BeginWorld(gStarWorld, &port, &device);
    SetRect(&r, 0, 0, 320, 40);
    Colour(cBlack);
    PaintRect(&r);
    for (i = 0; i < 8; i++)
        SetCPixel(kStarH[i], kStarV[i], &gGameColours[kStarColour[i]]);
    EndWorld(gStarWorld, port, device);
}

static void DrawArenaWorld(void)
{
    CGrafPtr port;
    GDHandle device;
    Rect r;

    BeginWorld(gArenaWorld, &port, &device);
    SetRect(&r, 0, 0, 320, 120);
    FillCRect(&r, gArenaPattern);
    Colour(cBrown);
    PaintOval(&kComet);
    Colour(cBlack);
    EndWorld(gArenaWorld, port, device);
}

static void DrawSprites(void)
{
    CGrafPtr port;
    GDHandle device;
    PolyHandle diamond;
    Rect r;

    BeginWorld(gShipWorld, &port, &device);
    Colour(cBlack);
    RGBBackColor(&gGameColours[cWhite]);
    EraseRect(&kSprite);
    Colour(cRed);
    PaintOval(&kSprite);
    Colour(cYellow);
    SetRect(&r, 5, 6, 11, 10);
    PaintRect(&r);
    EndWorld(gShipWorld, port, device);

    BeginWorld(gShipMask, &port, &device);
    EraseRect(&kSprite);
    PaintOval(&kSprite);
    EndWorld(gShipMask, port, device);

    BeginWorld(gAlienWorld, &port, &device);
    RGBBackColor(&gGameColours[cWhite]);
    EraseRect(&kSprite);
    Colour(cMagenta);
    diamond = OpenPoly();
    MoveTo(8, 0);
    LineTo(16, 8);
    LineTo(8, 16);
    LineTo(0, 8);
    LineTo(8, 0);
    ClosePoly();
    PaintPoly(diamond);
    KillPoly(diamond);
    Colour(cBlack);
    EndWorld(gAlienWorld, port, device);
}

Boolean MakeField(void)
{
    const Rect starBounds = {0, 0, 40, 320};
    const Rect arenaBounds = {0, 0, 120, 320};
    short i;

    gColours = GetCTable(rGameColours);
    gArenaPattern = GetPixPat(rArenaPattern);
    if (gColours == nil || gArenaPattern == nil || (*gColours)->ctSize != 15)
        return false;
    for (i = 0; i < 16; i++)
        gGameColours[i] = (*gColours)->ctTable[i].rgb;
    if (!NewWorld(&gStarWorld, 8, &starBounds) || !NewWorld(&gArenaWorld, 8, &arenaBounds) ||
        !NewWorld(&gComposeWorld, 8, &arenaBounds) || !NewWorld(&gShipWorld, 8, &kSprite) ||
        !NewWorld(&gShipMask, 1, &kSprite) || !NewWorld(&gAlienWorld, 8, &kSprite))
        return false;
    DrawStarWorld();
    DrawArenaWorld();
    DrawSprites();

    gCometRgn = NewRgn();
    OpenRgn();
    FrameOval(&kComet);
    CloseRgn(gCometRgn);
    OffsetRgn(gCometRgn, kArenaLeft, kArenaTop);
    gArenaRgn = NewRgn();
    RectRgn(gArenaRgn, &kArena);
    SetRect(&gShip, kArenaLeft + 40, kArenaTop + 52, kArenaLeft + 40 + kShipSize, kArenaTop + 52 + kShipSize);
    gLastTicks = TickCount();
    return true;
}

void DisposeField(void)
{
    GWorldPtr *worlds[6];
    short i;

    worlds[0] = &gStarWorld;
    worlds[1] = &gArenaWorld;
    worlds[2] = &gComposeWorld;
    worlds[3] = &gShipWorld;
    worlds[4] = &gShipMask;
    worlds[5] = &gAlienWorld;
    for (i = 0; i < 6; i++)
        if (*worlds[i] != nil) {
            DisposeGWorld(*worlds[i]);
            *worlds[i] = nil;
        }
    if (gArenaPattern)
        DisposePixPat(gArenaPattern);
    if (gColours)
        DisposeCTable(gColours);
    if (gCometRgn)
        DisposeRgn(gCometRgn);
    if (gArenaRgn)
        DisposeRgn(gArenaRgn);
}

/* The arena as the window should show it: background, alien and ship, composed offscreen. */
static void Compose(void)
{
    CGrafPtr port;
    GDHandle device;
    const Rect arenaBounds = {0, 0, 120, 320};
    Rect ship = gShip;

    OffsetRect(&ship, -kArenaLeft, -kArenaTop);
    BeginWorld(gComposeWorld, &port, &device);
    LockPixels(GetGWorldPixMap(gArenaWorld));
    LockPixels(GetGWorldPixMap(gAlienWorld));
    LockPixels(GetGWorldPixMap(gShipWorld));
    LockPixels(GetGWorldPixMap(gShipMask));
    Colour(cBlack);
    RGBBackColor(&gGameColours[cWhite]);
    CopyBits(WorldBits(gArenaWorld), WorldBits(gComposeWorld), &arenaBounds, &arenaBounds, srcCopy, nil);
    /* The alien's white is the background colour: transparent leaves the arena there. */
    CopyBits(WorldBits(gAlienWorld), WorldBits(gComposeWorld), &kSprite, &kAlien, transparent, nil);
    CopyMask(WorldBits(gShipWorld), WorldBits(gShipMask), WorldBits(gComposeWorld), &kSprite, &kSprite, &ship);
    UnlockPixels(GetGWorldPixMap(gShipMask));
    UnlockPixels(GetGWorldPixMap(gShipWorld));
    UnlockPixels(GetGWorldPixMap(gAlienWorld));
    UnlockPixels(GetGWorldPixMap(gArenaWorld));
    EndWorld(gComposeWorld, port, device);
}

/* The composed arena onto the window, through `damage` (all of it when nil). */
static void ShowArena(RgnHandle damage)
{
    const Rect arenaBounds = {0, 0, 120, 320};
    PixMapHandle pixels = GetGWorldPixMap(gComposeWorld);

    if (!LockPixels(pixels))
        return;
    ForeColor(blackColor);
    BackColor(whiteColor);
    CopyBits((BitMap *)*pixels, &gGameWindow->portBits, &arenaBounds, &kArena, srcCopy, damage);
    UnlockPixels(pixels);
}

/* Star world columns [from, to) onto the strip at window column h. */
static void ShowStars(short from, short to, short h)
{
    Rect src, dst;
    PixMapHandle pixels = GetGWorldPixMap(gStarWorld);

    if (from >= to || !LockPixels(pixels))
        return;
    SetRect(&src, from, 0, to, 40);
    SetRect(&dst, h, kStarsTop, h + to - from, kStarsBottom);
    ForeColor(blackColor);
    BackColor(whiteColor);
    CopyBits((BitMap *)*pixels, &gGameWindow->portBits, &src, &dst, srcCopy, nil);
    UnlockPixels(pixels);
}

void DrawField(void)
{
    Rect frame = kArena;

    ShowStars(gScroll, 320, kStarsLeft);
    ShowStars(0, gScroll, kStarsLeft + 320 - gScroll);
    Compose();
    ShowArena(nil);
    gFlashing = false;
    /* The arena's border in the arena pattern. */
    InsetRect(&frame, -5, -5);
    PenPixPat(gArenaPattern);
    PenSize(4, 4);
    FrameRect(&frame);
    PenNormal();
}

void StepField(short dh)
{
    RgnHandle uncovered = NewRgn(), left = NewRgn(), entered = NewRgn();
    unsigned long ticks = TickCount();

    if (ticks < gLastTicks)
        gFieldBad |= kBadTicks;
    gLastTicks = ticks;
    /* The stars move one step left; the strip uncovered at the right comes from the star world. */
    ScrollRect(&kStars, -kStep, 0, uncovered);
    gScroll = (short)((gScroll + kStep) % 320);
    ShowStars((short)((gScroll + 320 - kStep) % 320), (short)((gScroll + 320 - kStep) % 320 + kStep),
              kStarsRight - kStep);
    if (EmptyRgn(uncovered))
        gFieldBad |= kBadStars;

    /* The ship: only what it left and what it entered, inside the arena, is copied. */
    if (gShip.left + dh < kArenaLeft || gShip.right + dh > kArenaRight)
        dh = 0;
    RectRgn(left, &gShip);
    CopyRgn(left, entered);
    OffsetRgn(entered, dh, 0);
    OffsetRect(&gShip, dh, 0);
    UnionRgn(left, entered, left);
    SectRgn(left, gArenaRgn, left);
    Compose();
    ShowArena(left);

    /* The comet's flash ends: the copy above went through the ship's region only and left it. */
    if (gFlashing) {
        InvertRgn(gCometRgn);
        gFlashing = false;
    }

    DisposeRgn(entered);
    DisposeRgn(left);
    DisposeRgn(uncovered);
}

Boolean ShootAt(Point where)
{
    if (!PtInRgn(where, gCometRgn))
        return false;
    InvertRgn(gCometRgn);
    gFlashing = !gFlashing;
    return true;
}

static Boolean SameColour(const RGBColor *a, const RGBColor *b)
{
    return (a->red >> 8) == (b->red >> 8) && (a->green >> 8) == (b->green >> 8) && (a->blue >> 8) == (b->blue >> 8);
}

static Boolean WindowPixelIs(short h, short v, short index)
{
    RGBColor c;
    GetCPixel(h, v, &c);
    return SameColour(&c, &gGameColours[index]);
}

long CheckField(void)
{
    long bad = gFieldBad;
    CGrafPtr port;
    GDHandle device;
    RGBColor c, c2;
    short i, shown;

    /* The ship's body and cockpit; its corners show the arena, not the sprite's white. */
    if (!WindowPixelIs(gShip.left + 8, gShip.top + 13, cRed) || !WindowPixelIs(gShip.left + 7, gShip.top + 7, cYellow) ||
        WindowPixelIs(gShip.left, gShip.top, cWhite))
        bad |= kBadSprite;
    /* The alien: magenta in its middle, the arena at its corners. */
    if (!WindowPixelIs(kArenaLeft + kAlien.left + 8, kArenaTop + kAlien.top + 8, cMagenta) ||
        WindowPixelIs(kArenaLeft + kAlien.left, kArenaTop + kAlien.top, cWhite))
        bad |= kBadSprite;
    /* Each star where the scroll has taken it. */
    for (i = 0; i < 8; i++) {
        shown = (short)((kStarH[i] - gScroll + 320) % 320);
        if (!WindowPixelIs(kStarsLeft + shown, kStarsTop + kStarV[i], kStarColour[i]))
            bad |= kBadStars;
    }

    /* The arena world's own pixels, read while it is current. */
    BeginWorld(gArenaWorld, &port, &device);
    GetCPixel(216, 56, &c);
    if (!SameColour(&c, &gGameColours[cBrown]))
        bad |= kBadWorlds;
    EndWorld(gArenaWorld, port, device);
    /* The current device's colours: each index's colour gives the index back. */
    for (i = 0; i < 16; i++) {
        long index;
        Index2Color(i * 16 + 5, &c);
        index = Color2Index(&c);
        Index2Color(index, &c2);
        if (!SameColour(&c, &c2))
            bad |= kBadColours;
    }
    return bad;
}

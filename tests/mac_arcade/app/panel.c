/* The status bar (the arena pattern as its background, the score in yellow srcOr text right-aligned by
   its characters' widths, lives from a 'SICN' drawn in cyan, a bonus colour icon), a shield icon beside
   the playfield, the strip of the eight pen modes in colour, and the zap sound of a hit. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Fonts.h>
#include <Resources.h>
#include <Icons.h>
#include <Sound.h>
#include <TextUtils.h>
#include <ToolUtils.h>

#include "arcade.h"

static const Rect kStatus = {kStatusTop, kStatusLeft, kStatusBottom, kStatusRight};
static const Rect kBonus = {kStatusTop + 7, kStatusRight - 18, kStatusTop + 23, kStatusRight - 2};
static const Rect kShield = {10, 345, 42, 377};
enum { kScoreRight = 250, kLivesLeft = 256, kBaseline = kStatusTop + 20 };

static PixPatHandle gStatusPattern = nil;
static CIconHandle gBonus = nil;
static Handle gShieldIcon = nil;
static Handle gLifeIcons = nil;
static Handle gZap = nil;
static short gFont = 0;
static long gScore = 0;
static long gPanelBad = 0;
static Boolean gBonusFlashing = false;

Boolean MakePanel(void)
{
    GetFNum(PSTR("\006Geneva"), &gFont);
    if (gFont == 0)
        gFont = applFont;
    gStatusPattern = GetPixPat(rArenaPattern);
    gBonus = GetCIcon(rBonusIcon);
    gShieldIcon = GetResource('ICN#', rShieldIcon);
    gLifeIcons = GetResource('SICN', rLifeIcons);
    gZap = GetResource('snd ', rZapSound);
    return gStatusPattern != nil && gBonus != nil && gShieldIcon != nil && gLifeIcons != nil && gZap != nil;
}

void DisposePanel(void)
{
    if (gStatusPattern)
        DisposePixPat(gStatusPattern);
    if (gBonus)
        DisposeCIcon(gBonus);
    gStatusPattern = nil;
    gBonus = nil;
}

/* The score right-aligned at kScoreRight, one character at a time from the right. */
static void DrawScore(void)
{
    Str255 digits;
    short h = kScoreRight, i, sum = 0;

    NumToString(gScore, digits);
    for (i = digits[0]; i >= 1; i--) {
        h -= CharWidth(digits[i]);
        sum += CharWidth(digits[i]);
        MoveTo(h, kBaseline);
        DrawChar(digits[i]);
    }
    if (TextWidth(digits, 1, digits[0]) != sum)
        gPanelBad |= kBadText;
}

/* SICN number `index` of the lives resource at (h, v), in the foreground colour where its bits are set. */
static void PlotSmallIcon(short index, short h, short v)
{
    BitMap icon;
    Rect dst;
    char state = HGetState(gLifeIcons);

    HLock(gLifeIcons);
    icon.baseAddr = *gLifeIcons + index * 32;
    icon.rowBytes = 2;
    SetRect(&icon.bounds, 0, 0, 16, 16);
    SetRect(&dst, h, v, h + 16, v + 16);
    CopyBits(&icon, &qd.thePort->portBits, &icon.bounds, &dst, srcOr, nil);
    HSetState(gLifeIcons, state);
}

static void DrawStatus(void)
{
    RGBColor yellow = gGameColours[cYellow], cyan = gGameColours[cCyan];
    short i;

    BackPixPat(gStatusPattern);
    EraseRect(&kStatus);
    BackPat(&qd.white);

    TextFont(gFont);
    TextSize(12);
    TextFace(bold);
    TextMode(srcOr);
    RGBForeColor(&yellow);
    MoveTo(kStatusLeft + 6, kBaseline);
    DrawString(PSTR("\005SCORE"));
    DrawScore();
    TextFont(systemFont);
    TextSize(0);
    TextFace(0);

    RGBForeColor(&cyan);
    for (i = 0; i < 3; i++)
        PlotSmallIcon(0, (short)(kLivesLeft + 18 * i), kStatusTop + 7);
    ForeColor(blackColor);
    PlotCIcon(&kBonus, gBonus);
}

/* Eight cells of green painted red on yellow in the grey pattern, in patCopy .. notPatBic. */
static void DrawModes(void)
{
    RGBColor red = gGameColours[cRed], yellow = gGameColours[cYellow], green = gGameColours[cGreen];
    Rect cell;
    short mode;

    for (mode = patCopy; mode <= notPatBic; mode++) {
        SetRect(&cell, kModesLeft + (mode - patCopy) * kModeWidth, kModesTop,
                kModesLeft + (mode - patCopy + 1) * kModeWidth, kModesBottom);
        RGBForeColor(&green);
        PaintRect(&cell);
        RGBForeColor(&red);
        RGBBackColor(&yellow);
        PenPat(&qd.gray);
        PenMode(mode);
        PaintRect(&cell);
        PenNormal();
        ForeColor(blackColor);
        BackColor(whiteColor);
    }
}

void DrawPanel(void)
{
    DrawStatus();
    gBonusFlashing = false;
    PlotIcon(&kShield, gShieldIcon);
    DrawModes();
}

void AddScore(short points)
{
    OSErr err;

    gScore += points;
    err = SndPlay(nil, (SndListHandle)gZap, false);
    if (err != noErr)
        gPanelBad |= kBadSound;
    DrawStatus();
    /* The bonus icon flashes until the next frame. */
    InvertRect(&kBonus);
    gBonusFlashing = true;
}

void EndPanelFlash(void)
{
    if (gBonusFlashing)
        InvertRect(&kBonus);
    gBonusFlashing = false;
}

long CheckPanel(void)
{
    return gPanelBad;
}

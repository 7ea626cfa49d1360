/* Comet Run: a small colour arcade game for the Macintosh. A starfield scrolls across the top of its
   window with ScrollRect; below it a ship sprite flies over a patterned arena, composed in offscreen
   worlds of the game's own colour table and copied to the window through the damaged region only; an
   alien is laid in with transparent CopyBits, a comet drawn in the arena can be shot (a click inverts it
   and scores), and a status bar shows the score, lives and a bonus icon. Every key the player presses
   is one frame. */
#ifndef ARCADE_H
#define ARCADE_H

#include <Types.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Events.h>

#define PSTR(s) ((ConstStr255Param)(s))

#ifdef __cplusplus
extern "C" {
#endif

enum {
    rGameWindow = 128,
    rGameColours = 128, /* 'clut' */
    rArenaPattern = 128, /* 'ppat' */
    rBonusIcon = 128,   /* 'cicn' */
    rShieldIcon = 128,  /* 'ICN#' */
    rLifeIcons = 128,   /* 'SICN' */
    rZapSound = 128     /* 'snd ' */
};

/* The game's colour table, by index. */
enum {
    cWhite = 0, cRed = 1, cYellow = 2, cGreen = 3, cNavy = 4, cCyan = 5, cMagenta = 6, cGrey = 7,
    cBrown = 8, cBlack = 15
};

/* The window's areas, in its local coordinates. */
#define kStarsTop 10
#define kStarsLeft 10
#define kStarsBottom 50
#define kStarsRight 330
#define kArenaTop 60
#define kArenaLeft 10
#define kArenaBottom 180
#define kArenaRight 330
#define kStatusTop 190
#define kStatusLeft 10
#define kStatusBottom 220
#define kStatusRight 330
#define kModesTop 230
#define kModesLeft 10
#define kModesBottom 260
#define kModeWidth 40
#define kShipSize 16
#define kStep 4

enum { mApple = 128, mFile = 129, mGame = 130 };
enum { iQuit = 1 };

/* What the game finds wrong with its own drawing, one bit each: its exit code. */
enum {
    kBadStartup = 0x0001,
    kBadWorlds = 0x0002,
    kBadSprite = 0x0004,
    kBadStars = 0x0008,
    kBadSound = 0x0010,
    kBadText = 0x0020,
    kBadTicks = 0x0040,
    kBadColours = 0x0080
};

/* field.c */
Boolean MakeField(void);
void DisposeField(void);
void DrawField(void);
void StepField(short dh);
Boolean ShootAt(Point where);
long CheckField(void);
extern RGBColor gGameColours[16];

/* panel.c */
Boolean MakePanel(void);
void DisposePanel(void);
void DrawPanel(void);
void AddScore(short points);
void EndPanelFlash(void);
long CheckPanel(void);

/* main.c */
extern WindowPtr gGameWindow;
long RunArcade(void);

#ifdef __cplusplus
}
#endif

#endif

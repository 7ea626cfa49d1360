/* Sketch: a small colour drawing program for the Macintosh. Its canvas window shows a picture recorded
   with OpenPicture and played back at twice its size, pattern strips, offscreen worlds copied in with
   CopyBits and CopyMask, colour and black-and-white icons and a styled TextEdit record; a modeless Tools
   dialog (a list of shapes, radio buttons, a check box, a pop-up menu and a caption) chooses what the
   Draw button adds to the canvas. Copy puts the picture on the scrap, Paste draws the scrap's picture. */
#ifndef SKETCH_H
#define SKETCH_H

#include <Types.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Events.h>
#include <Dialogs.h>

/* Pascal strings as the program writes them: the length byte first, in octal. */
#define PSTR(s) ((ConstStr255Param)(s))

#ifdef __cplusplus
extern "C" {
#endif

enum {
    rCanvasWindow = 128,
    rToolsDialog = 130,
    rColourIcon = 128,
    rIconFamily = 129
};

enum { mApple = 128, mFile = 129, mEdit = 130 };
enum { iQuit = 1 };
enum { iUndo = 1, iCut = 3, iCopy = 4, iPaste = 5, iClear = 6 };

/* What the program finds wrong in its own drawing, read back with GetCPixel: one bit each. */
enum {
    kBadStartup = 0x0001,
    kBadPicture = 0x0002,
    kBadPatterns = 0x0004,
    kBadOffscreen = 0x0008,
    kBadMask = 0x0010,
    kBadIcons = 0x0020,
    kBadStyledText = 0x0040,
    kBadScrap = 0x0080,
    kBadPreview = 0x0100,
    kBadSwatch = 0x0200
};

/* The shape the Tools dialog chose, drawn by the Draw button. */
typedef struct ShapeChoice {
    short shape; /* 0 line, 1 rectangle, 2 oval, 3 arc, 4 polygon */
    Boolean filled;
    Boolean patterned;
    short colour; /* 1 black, 2 red, 3 blue */
    Str255 caption;
} ShapeChoice;

/* canvas.c */
WindowPtr NewCanvas(void);
void DisposeCanvas(void);
void DrawCanvas(WindowPtr window);
Boolean IsCanvas(WindowPtr window);
void SetCanvasShape(const ShapeChoice *choice);
void CopyCanvasPicture(void);
void PasteCanvasPicture(void);
long CheckCanvas(void);
/* Whether a pixel of the current port shows a colour (to 8 bits a component); a pattern's bit at a
   point of the port, patterns being aligned to its origin. */
Boolean PixelIs(short h, short v, const RGBColor *expected);
Boolean PatternBit(const Pattern *pat, short h, short v);

/* offscreen.c */
Boolean MakeWorlds(void);
void DisposeWorlds(void);
void DrawWorlds(void);
long CheckWorlds(void);

/* tools.c */
DialogPtr NewTools(void);
void DisposeTools(void);
void DoToolsEvent(EventRecord *event);
Boolean IsTools(WindowPtr window);
long CheckTools(void);

/* main.c */
long RunSketch(void);

#ifdef __cplusplus
}
#endif

#endif

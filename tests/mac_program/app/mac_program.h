/* A small Macintosh program: a document window with a frame, a line and a target that a click inverts,
   a box that the key B paints, a gallery window of text, TextEdit, offscreen, picture and icon drawing
   with a dialog that the key D opens and an alert that the key A opens, and an Apple menu and a File menu whose Quit ends it. Shared by
   its four source files. */
#ifndef MAC_PROGRAM_H
#define MAC_PROGRAM_H

#include <Types.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Menus.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { kAppleMenuID = 1, kFileMenuID = 128, kBeepItem = 1, kQuitItem = 2 };

/* drawing.c */
WindowRef MakeDocumentWindow(void);
void DrawContent(WindowRef window);
void ClickInContent(WindowRef window, Point where);
void KeyTyped(WindowRef window, char key);

/* gallery.c */
WindowRef MakeGalleryWindow(void);
void DrawGallery(WindowRef window);
void RunGalleryDialog(WindowRef gallery);
void RunGalleryAlert(WindowRef gallery);
void TypeIntoGallery(WindowRef gallery, char key);
Boolean GalleryTextEndsWith(const char *tail, short length);

/* events.c */
MenuRef SetUpMenus(void);
void RunEventLoop(WindowRef window, WindowRef gallery);

/* host.cpp: the corner mark every update draws. */
void DrawHostMark(WindowRef window);

#ifdef __cplusplus
}
#endif

#endif

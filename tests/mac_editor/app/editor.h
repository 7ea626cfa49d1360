/* A small text editor for the Macintosh: one document window holding a TextEdit record, a vertical
   scroll bar and a status line, the Apple, File and Edit menus from an 'MBAR', an About alert and an
   Options dialog that sets the document's size and face. Shared by its source files. */
#ifndef EDITOR_H
#define EDITOR_H

#include <Types.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Menus.h>
#include <Events.h>
#include <TextEdit.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    rMenuBar = 128,
    rDocWindow = 128,
    rVScroll = 128,
    rAboutAlert = 128,
    rOptionsDialog = 129
};

enum { mApple = 128, mFile = 129, mEdit = 130 };
enum { iAbout = 1 };
enum { iOptions = 1, iQuit = 3 };
enum { iUndo = 1, iCut = 3, iCopy = 4, iPaste = 5, iClear = 6, iSelectAll = 7 };

/* What the program reports when it quits, one bit for each thing that was not as it should be. */
enum {
    kBadStartup = 1,
    kBadText = 2,
    kBadStyle = 4,
    kBadScroll = 8,
    kBadSize = 16,
    kBadScrap = 32
};

/* document.c */
WindowPtr NewDocument(void);
void DisposeDocument(void);
void DrawDocument(WindowPtr window);
void ActivateDocument(WindowPtr window, Boolean becomingActive);
void ClickInDocument(WindowPtr window, EventRecord *event);
void TypeInDocument(char key);
void GrowDocument(WindowPtr window, Point where);
void ZoomDocument(WindowPtr window, Point where, short part);
void IdleDocument(void);
void DoEditCommand(short item);
void SetDocumentStyle(short size, Style face);
void GetDocumentStyle(short *size, Style *face);
short ReportDocument(void);
TEHandle DocumentText(void);

/* dialogs.c */
void DoAboutBox(void);
void DoOptionsDialog(void);

/* main.c */
Boolean SetUpMenus(void);
void EventLoop(void);
long RunEditor(void);

#ifdef __cplusplus
}
#endif

#endif

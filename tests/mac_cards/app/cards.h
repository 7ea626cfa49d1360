/* Cards: a small address-card file for the Macintosh. One window holds a list of names, a scrolling
   directory of every card and a New button; a modal dialog edits a card, alerts confirm and warn.
   Everything it shows comes from its resources: menus, window, dialog and alert templates, the
   button's control template, strings and a cursor. */
#ifndef CARDS_H
#define CARDS_H

#include <Types.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Menus.h>
#include <Events.h>
#include <Controls.h>
#include <Lists.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    rMenuBar = 128,
    rCardWindow = 128,
    rNewButton = 128,
    rCardDialog = 128,
    rAboutAlert = 128,
    rAddedAlert = 129,
    rBadAgeAlert = 130,
    rDeleteAlert = 131,
    rStrings = 128,
    rNames = 129,
    rPointer = 128
};

enum { mApple = 128, mFile = 129, mEdit = 130 };
enum { iAbout = 1 };
enum { iNewCard = 1, iEditCard = 2, iDeleteCard = 3, iQuit = 5 };

/* Strings of 'STR#' 128. */
enum { sCards = 1, sCard = 2, sYears = 3, sNoName = 4 };

enum { kMaxCards = 40 };
enum { kFamily = 0, kFriends = 1, kWork = 2 };

typedef struct Card {
    Str63 name;
    long age;
    short group;
    Boolean favourite;
} Card;

/* What the program reports when it quits: one bit for each thing that was not as it should be. */
enum {
    kBadStartup = 1,
    kBadFont = 2,
    kBadList = 4,
    kBadScroll = 8,
    kBadCursor = 16,
    kBadDialog = 32
};

extern QDGlobals qd;

/* cardwindow.c */
WindowPtr NewCardWindow(void);
void DisposeCardWindow(void);
Boolean IsCardWindow(WindowPtr window);
void DrawCardWindow(void);
void ActivateCardWindow(Boolean active);
void ClickInCardWindow(EventRecord *event);
void AdjustCardCursor(Point globalMouse);
short CardCount(void);
Card *CardAt(short index);
short SelectedCard(void);
void AddCard(const Card *card);
void ReplaceCard(short index, const Card *card);
void DeleteSelectedCard(void);
long CheckCardWindow(void);

/* carddialog.c */
Boolean EditCardDialog(Card *card, Boolean isNew);
void DoNewCard(void);
void DoEditCard(short index);
void DoDeleteCard(void);
void DoAbout(void);
void RedrawOtherWindow(EventRecord *event);
long CheckDialogs(void);

/* main.c */
long RunCards(void);

#ifdef __cplusplus
}
#endif

#endif

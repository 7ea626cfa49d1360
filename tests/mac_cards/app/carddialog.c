/* The card dialog and the alerts. The dialog's filter takes Return and Enter for OK and Command-period
   and Escape for Cancel, flashing the button; only digits go into the age. A user item draws the
   bold outline of the default button, another the box around the group buttons. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Dialogs.h>
#include <Controls.h>
#include <TextUtils.h>
#include <ToolUtils.h>
#include <OSUtils.h>
#include <Fonts.h>

#include "cards.h"

enum {
    iName = 4,
    iAge = 6,
    iFamily = 7,
    iFriends = 8,
    iWork = 9,
    iFavourite = 10,
    iOutline = 11,
    iGroupBox = 12
};

enum { kReturn = 13, kEnter = 3, kEscape = 27, kTab = 9, kBackspace = 8, kLeftArrow = 28, kDownArrow = 31 };

static long gFaults = 0;
static short gBeeps = 0;

static Handle ItemHandle(DialogPtr dialog, short item)
{
    short type;
    Handle handle;
    Rect box;
    GetDialogItem(dialog, item, &type, &handle, &box);
    return handle;
}

static void FlashButton(DialogPtr dialog, short item)
{
    unsigned long ticks;
    ControlHandle button = (ControlHandle)ItemHandle(dialog, item);
    HiliteControl(button, inButton);
    Delay(8, &ticks);
    HiliteControl(button, 0);
}

static pascal void DrawDefaultOutline(DialogPtr dialog, short item)
{
    short type;
    Handle handle;
    Rect box;
    PenState pen;

    (void)item;
    GetDialogItem(dialog, ok, &type, &handle, &box);
    GetPenState(&pen);
    PenSize(3, 3);
    InsetRect(&box, -4, -4);
    FrameRoundRect(&box, 16, 16);
    SetPenState(&pen);
}

/* A frame around the group buttons with its title set into the top edge. */
static pascal void DrawGroupBox(DialogPtr dialog, short item)
{
    static const unsigned char title[] = "\005Group";
    short type;
    Handle handle;
    Rect box, gap;

    GetDialogItem(dialog, item, &type, &handle, &box);
    FrameRect(&box);
    TextFont(systemFont);
    SetRect(&gap, box.left + 8, box.top - 6, box.left + 12 + StringWidth(title), box.top + 6);
    EraseRect(&gap);
    MoveTo(box.left + 10, box.top + 5);
    DrawString(title);
}

static Boolean IsAgeKey(char key)
{
    return (key >= '0' && key <= '9') || key == kBackspace || key == kTab ||
           (key >= kLeftArrow && key <= kDownArrow);
}

static pascal Boolean CardFilter(DialogPtr dialog, EventRecord *event, short *itemHit)
{
    char key;

    switch (event->what) {
    case keyDown:
    case autoKey:
        key = (char)(event->message & charCodeMask);
        if (key == kReturn || key == kEnter) {
            FlashButton(dialog, ok);
            *itemHit = ok;
            return true;
        }
        if (key == kEscape || ((event->modifiers & cmdKey) && key == '.')) {
            FlashButton(dialog, cancel);
            *itemHit = cancel;
            return true;
        }
        if (((DialogPeek)dialog)->editField + 1 == iAge && !IsAgeKey(key)) {
            SysBeep(1);
            gBeeps++;
            event->what = nullEvent;
        }
        break;
    case updateEvt:
        if ((WindowPtr)event->message != dialog)
            RedrawOtherWindow(event);
        break;
    }
    return false;
}

static void SetGroup(DialogPtr dialog, short group)
{
    short item;
    for (item = iFamily; item <= iWork; item++)
        SetControlValue((ControlHandle)ItemHandle(dialog, item), item - iFamily == group);
}

/* Shows the card in the dialog and lets the user change it; true when OK took the changes. */
Boolean EditCardDialog(Card *card, Boolean isNew)
{
    DialogPtr dialog;
    short itemHit, type, item;
    Handle handle;
    Rect box;
    Str255 text;
    long age;
    ControlHandle favourite;
    Boolean done = false;

    dialog = GetNewDialog(rCardDialog, nil, (WindowPtr)-1);
    if (dialog == nil) {
        gFaults |= kBadDialog;
        return false;
    }
    SetPort(dialog);
    GetDialogItem(dialog, iOutline, &type, &handle, &box);
    SetDialogItem(dialog, iOutline, userItem + itemDisable, (Handle)NewUserItemUPP(DrawDefaultOutline), &box);
    GetDialogItem(dialog, iGroupBox, &type, &handle, &box);
    SetDialogItem(dialog, iGroupBox, userItem + itemDisable, (Handle)NewUserItemUPP(DrawGroupBox), &box);

    SetDialogItemText(ItemHandle(dialog, iName), card->name);
    NumToString(card->age, text);
    SetDialogItemText(ItemHandle(dialog, iAge), text);
    SetGroup(dialog, card->group);
    favourite = (ControlHandle)ItemHandle(dialog, iFavourite);
    SetControlValue(favourite, card->favourite);
    SelectDialogItemText(dialog, isNew ? iName : iAge, 0, 32767);
    ShowWindow(dialog);

    while (!done) {
        ModalDialog(NewModalFilterUPP(CardFilter), &itemHit);
        switch (itemHit) {
        case ok:
            GetDialogItemText(ItemHandle(dialog, iAge), text);
            StringToNum(text, &age);
            if (text[0] == 0 || age < 0 || age > 150) {
                ParamText(text, (ConstStr255Param)"\000", (ConstStr255Param)"\000", (ConstStr255Param)"\000");
                StopAlert(rBadAgeAlert, nil);
                SelectDialogItemText(dialog, iAge, 0, 32767);
                break;
            }
            GetDialogItemText(ItemHandle(dialog, iName), text);
            if (text[0] > 63)
                text[0] = 63;
            BlockMove(text, card->name, text[0] + 1);
            card->age = age;
            for (item = iFamily; item <= iWork; item++)
                if (GetControlValue((ControlHandle)ItemHandle(dialog, item)))
                    card->group = item - iFamily;
            card->favourite = GetControlValue(favourite) != 0;
            done = true;
            break;
        case cancel:
            done = true;
            break;
        case iFamily:
        case iFriends:
        case iWork:
            SetGroup(dialog, itemHit - iFamily);
            break;
        case iFavourite:
            SetControlValue(favourite, !GetControlValue(favourite));
            break;
        }
    }
    DisposeDialog(dialog);
    return itemHit == ok;
}

void DoNewCard(void)
{
    Card card;
    Str255 number, word, name;

    card.name[0] = 0;
    card.age = 30;
    card.group = kFriends;
    card.favourite = false;
    if (!EditCardDialog(&card, true))
        return;
    if (card.name[0] == 0)
        GetIndString(card.name, rStrings, sNoName);
    AddCard(&card);
    NumToString(CardCount(), number);
    GetIndString(word, rStrings, sCard);
    BlockMove(card.name, name, card.name[0] + 1);
    ParamText(name, number, word, (ConstStr255Param)"\000");
    NoteAlert(rAddedAlert, nil);
}

void DoEditCard(short index)
{
    Card card;
    Card *existing = CardAt(index);
    if (existing == nil) {
        SysBeep(10);
        return;
    }
    card = *existing;
    if (EditCardDialog(&card, false))
        ReplaceCard(index, &card);
}

void DoDeleteCard(void)
{
    Card *card = CardAt(SelectedCard());
    if (card == nil) {
        SysBeep(10);
        return;
    }
    ParamText(card->name, (ConstStr255Param)"\000", (ConstStr255Param)"\000", (ConstStr255Param)"\000");
    if (CautionAlert(rDeleteAlert, nil) == ok)
        DeleteSelectedCard();
}

void DoAbout(void)
{
    Alert(rAboutAlert, nil);
}

/* Another window's update while a dialog is in front: drawn now, as the event loop cannot. */
void RedrawOtherWindow(EventRecord *event)
{
    WindowPtr window = (WindowPtr)event->message;
    GrafPtr saved;
    if (!IsCardWindow(window))
        return;
    GetPort(&saved);
    BeginUpdate(window);
    DrawCardWindow();
    EndUpdate(window);
    SetPort(saved);
}

/* The dialog's faults, and the beeps the age field gave in bits 28 to 30. */
long CheckDialogs(void)
{
    return gFaults | ((long)(gBeeps & 7) << 28);
}

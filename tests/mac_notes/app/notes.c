/* Notes: a small document program for the Macintosh. One window holds a TextEdit record; Save As
   writes the text as the document's data fork and the window's place as a resource in its resource
   fork, Open reads both back, Page Setup and Print go through the Printing Manager. */
#include <Types.h>
#include <Memory.h>
#include <QuickDraw.h>
#include <Fonts.h>
#include <Windows.h>
#include <Menus.h>
#include <Events.h>
#include <TextEdit.h>
#include <Dialogs.h>
#include <Desk.h>
#include <ToolUtils.h>
#include <OSUtils.h>
#include <Files.h>
#include <Resources.h>
#include <StandardFile.h>
#include <Printing.h>
#include <Script.h>

enum { rMenuBar = 128, rNotesWindow = 128 };
enum { mApple = 128, mFile = 129, mEdit = 130 };
enum { iOpen = 1, iSaveAs = 2, iPageSetup = 4, iPrint = 5, iQuit = 7 };

enum { kCreator = 'NOTE', kDocType = 'TEXT', kPlaceType = 'WPOS', rPlace = 128 };
enum { kMargin = 4, kPrintLeft = 72, kPrintSize = 12 };

/* What the program reports when it quits: one bit for each thing that was not as it should be. */
enum {
    kBadStartup = 1,
    kBadSave = 2,
    kBadOpen = 4,
    kBadPrint = 8,
    kBadPlace = 16
};

QDGlobals qd;

static WindowPtr gWindow;
static TEHandle gText;
static THPrint gPrint;
static Boolean gQuitting = false;
static long gFaults = 0;
static short gPagesPrinted = 0;
static Boolean gReadBack = false;

/* The text and place last saved, to compare with what Open reads back. */
static Handle gSavedText;
static Rect gSavedPlace;

static Boolean SetUpMenus(void)
{
    Handle menuBar = GetNewMBar(rMenuBar);
    if (menuBar == nil)
        return false;
    SetMenuBar(menuBar);
    DisposeHandle(menuBar);
    DrawMenuBar();
    return true;
}

/* The window's content in global coordinates. */
static void GlobalPlace(Rect *place)
{
    *place = (**((WindowPeek)gWindow)->contRgn).rgnBBox;
}

static Boolean NewNotesWindow(void)
{
    Rect view;

    gWindow = GetNewWindow(rNotesWindow, nil, (WindowPtr)-1L);
    if (gWindow == nil)
        return false;
    SetPort(gWindow);
    TextFont(monaco);
    TextSize(9);
    view = gWindow->portRect;
    InsetRect(&view, kMargin, kMargin);
    gText = TENew(&view, &view);
    if (gText == nil)
        return false;
    ShowWindow(gWindow);
    return true;
}

/* ---- Save As ---- */

static OSErr WriteDataFork(const FSSpec *file)
{
    short refNum;
    long count;
    OSErr err;
    Handle text = TEGetText(gText);

    err = FSpOpenDF(file, fsRdWrPerm, &refNum);
    if (err != noErr)
        return err;
    count = (**gText).teLength;
    HLock(text);
    err = FSWrite(refNum, &count, *text);
    HUnlock(text);
    if (err == noErr)
        err = SetEOF(refNum, count);
    FSClose(refNum);
    return err;
}

/* The window's place as resource 'WPOS' 128, replacing an older one. */
static OSErr WriteResourceFork(const FSSpec *file)
{
    short refNum, oldFile = CurResFile();
    Handle place, old;
    OSErr err;

    FSpCreateResFile(file, kCreator, kDocType, smSystemScript);
    err = ResError();
    if (err != noErr && err != dupFNErr)
        return err;
    refNum = FSpOpenResFile(file, fsRdWrPerm);
    if (refNum == -1)
        return ResError();
    UseResFile(refNum);
    old = Get1Resource(kPlaceType, rPlace);
    if (old != nil) {
        RemoveResource(old);
        DisposeHandle(old);
    }
    place = NewHandle(sizeof(Rect));
    GlobalPlace(&gSavedPlace);
    BlockMove(&gSavedPlace, *place, sizeof(Rect));
    AddResource(place, kPlaceType, rPlace, (ConstStr255Param)"\006Window");
    err = ResError();
    UpdateResFile(refNum);
    if (err == noErr)
        err = ResError();
    CloseResFile(refNum);
    UseResFile(oldFile);
    return err;
}

static void DoSaveAs(void)
{
    StandardFileReply reply;
    Str255 title;
    OSErr err;

    GetWTitle(gWindow, title);
    StandardPutFile((ConstStr255Param)"\016Save notes as:", title, &reply);
    if (!reply.sfGood)
        return;
    if (reply.sfReplacing)
        err = noErr;
    else
        err = FSpCreate(&reply.sfFile, kCreator, kDocType, reply.sfScript);
    if (err == noErr)
        err = WriteDataFork(&reply.sfFile);
    if (err == noErr)
        err = WriteResourceFork(&reply.sfFile);
    if (err != noErr) {
        gFaults |= kBadSave;
        return;
    }
    if (gSavedText != nil)
        DisposeHandle(gSavedText);
    gSavedText = TEGetText(gText);
    HandToHand(&gSavedText);
    SetWTitle(gWindow, reply.sfFile.name);
}

/* ---- Open ---- */

static Boolean SameBytes(Handle a, Ptr b, long length)
{
    long i;

    if (a == nil || GetHandleSize(a) != length)
        return false;
    for (i = 0; i < length; ++i)
        if ((*a)[i] != b[i])
            return false;
    return true;
}

static void DoOpen(void)
{
    StandardFileReply reply;
    SFTypeList types;
    short refNum, resFile;
    long length;
    Ptr buffer;
    Handle place;
    Rect saved;
    OSErr err;

    types[0] = kDocType;
    StandardGetFile(nil, 1, types, &reply);
    if (!reply.sfGood)
        return;
    err = FSpOpenDF(&reply.sfFile, fsRdPerm, &refNum);
    if (err != noErr) {
        gFaults |= kBadOpen;
        return;
    }
    err = GetEOF(refNum, &length);
    buffer = err == noErr ? NewPtr(length) : nil;
    if (buffer != nil)
        err = FSRead(refNum, &length, buffer);
    FSClose(refNum);
    if (buffer == nil || err != noErr) {
        gFaults |= kBadOpen;
        return;
    }
    TESetText(buffer, length, gText);
    if (!SameBytes(gSavedText, buffer, length))
        gFaults |= kBadOpen;
    DisposePtr(buffer);
    SetWTitle(gWindow, reply.sfFile.name);

    resFile = FSpOpenResFile(&reply.sfFile, fsRdPerm);
    place = resFile == -1 ? nil : Get1Resource(kPlaceType, rPlace);
    if (place == nil || GetHandleSize(place) != sizeof(Rect)) {
        gFaults |= kBadPlace;
    } else {
        BlockMove(*place, &saved, sizeof(Rect));
        if (saved.top != gSavedPlace.top || saved.left != gSavedPlace.left)
            gFaults |= kBadPlace;
        MoveWindow(gWindow, saved.left, saved.top, false);
    }
    if (resFile != -1)
        CloseResFile(resFile);
    gReadBack = true;
    SetPort(gWindow);
    InvalRect(&gWindow->portRect);
}

/* ---- Page Setup and Print ---- */

static void DoPageSetup(void)
{
    PrOpen();
    if (PrError() == noErr) {
        PrValidate(gPrint);
        PrStlDialog(gPrint);
    }
    PrClose();
}

/* The text's lines down the page in Courier, one page. */
static void DrawPage(const Rect *page)
{
    TEPtr te;
    Handle text = TEGetText(gText);
    short line, start, end, v;
    FontInfo info;

    TextFont(courier);
    TextSize(kPrintSize);
    GetFontInfo(&info);
    v = page->top + kPrintLeft + info.ascent;
    HLock((Handle)gText);
    HLock(text);
    te = *gText;
    for (line = 0; line < te->nLines; ++line) {
        start = te->lineStarts[line];
        end = te->lineStarts[line + 1];
        if (end > start && (*text)[end - 1] == '\r')
            --end;
        MoveTo(page->left + kPrintLeft, v);
        DrawText(*text, start, end - start);
        v += info.ascent + info.descent + info.leading;
    }
    HUnlock(text);
    HUnlock((Handle)gText);
}

static void DoPrint(void)
{
    TPPrPort port;
    TPrStatus status;
    Rect page;
    OSErr err;

    PrOpen();
    err = PrError();
    if (err == noErr) {
        PrValidate(gPrint);
        if (PrJobDialog(gPrint)) {
            page = (**gPrint).prInfo.rPage;
            port = PrOpenDoc(gPrint, nil, nil);
            if (PrError() == noErr) {
                PrOpenPage(port, nil);
                if (PrError() == noErr) {
                    DrawPage(&page);
                    ++gPagesPrinted;
                }
                PrClosePage(port);
            }
            PrCloseDoc(port);
            if ((**gPrint).prJob.bJDocLoop == bSpoolLoop && PrError() == noErr)
                PrPicFile(gPrint, nil, nil, nil, &status);
        }
        err = PrError();
    }
    PrClose();
    if (err != noErr)
        gFaults |= kBadPrint;
    SetPort(gWindow);
}

/* ---- Events ---- */

static void DoMenuCommand(long menuResult)
{
    short menuID = HiWord(menuResult);
    short item = LoWord(menuResult);

    switch (menuID) {
    case mFile:
        switch (item) {
        case iOpen:
            DoOpen();
            break;
        case iSaveAs:
            DoSaveAs();
            break;
        case iPageSetup:
            DoPageSetup();
            break;
        case iPrint:
            DoPrint();
            break;
        case iQuit:
            gQuitting = true;
            break;
        }
        break;
    case mEdit:
        SystemEdit(item - 1);
        break;
    }
    HiliteMenu(0);
}

static void DoMouseDown(EventRecord *event)
{
    WindowPtr window;
    short part = FindWindow(event->where, &window);

    switch (part) {
    case inMenuBar:
        DoMenuCommand(MenuSelect(event->where));
        break;
    case inContent:
        if (window != FrontWindow()) {
            SelectWindow(window);
        } else if (window == gWindow) {
            SetPort(gWindow);
            GlobalToLocal(&event->where);
            TEClick(event->where, (event->modifiers & shiftKey) != 0, gText);
        }
        break;
    case inDrag:
        DragWindow(window, event->where, &qd.screenBits.bounds);
        break;
    case inGoAway:
        if (TrackGoAway(window, event->where))
            gQuitting = true;
        break;
    }
}

static void DoEvent(EventRecord *event)
{
    char key;

    switch (event->what) {
    case mouseDown:
        DoMouseDown(event);
        break;
    case keyDown:
    case autoKey:
        key = (char)(event->message & charCodeMask);
        if (event->modifiers & cmdKey) {
            if (event->what == keyDown)
                DoMenuCommand(MenuKey(key));
        } else if (FrontWindow() == gWindow) {
            TEKey(key, gText);
        }
        break;
    case updateEvt:
        if ((WindowPtr)event->message == gWindow) {
            SetPort(gWindow);
            BeginUpdate(gWindow);
            EraseRect(&gWindow->portRect);
            TEUpdate(&gWindow->portRect, gText);
            EndUpdate(gWindow);
        }
        break;
    case activateEvt:
        if ((WindowPtr)event->message == gWindow) {
            if (event->modifiers & activeFlag)
                TEActivate(gText);
            else
                TEDeactivate(gText);
        }
        break;
    }
}

static void EventLoop(void)
{
    EventRecord event;

    while (!gQuitting) {
        if (WaitNextEvent(everyEvent, &event, 10, nil))
            DoEvent(&event);
        else if (FrontWindow() == gWindow)
            TEIdle(gText);
    }
}

/* The program's answer: the faults it found in itself in the low byte, the text's length, then
   the pages printed and whether a document was read back. */
long RunNotes(void)
{
    long status;

    InitGraf(&qd.thePort);
    InitFonts();
    InitWindows();
    InitMenus();
    TEInit();
    InitDialogs(nil);
    InitCursor();
    FlushEvents(everyEvent, 0);

    if (!SetUpMenus() || !NewNotesWindow())
        return kBadStartup;
    gPrint = (THPrint)NewHandleClear(sizeof(TPrint));
    PrOpen();
    PrintDefault(gPrint);
    PrClose();

    EventLoop();
    status = gFaults | ((long)((**gText).teLength & 0xFF) << 8) | ((long)gPagesPrinted << 16) |
             ((long)gReadBack << 24);
    TEDispose(gText);
    DisposeWindow(gWindow);
    return status;
}

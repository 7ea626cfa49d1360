/* TextEdit. */
#ifndef TOLVADEX_TEXTEDIT_H
#define TOLVADEX_TEXTEDIT_H
#define __TEXTEDIT__

#include "MacTypes.h"
#include "Quickdraw.h"
#include "Events.h"

#pragma pack(push, 2)

/* The word-break procedure answers true when the character at `offset` breaks words; the click loop
   answers whether a click goes on. */
typedef Boolean (ZEL_CALL *WordBreakProcPtr)(Ptr text, int16_t offset);
typedef Boolean (ZEL_CALL *ClikLoopProcPtr)(void);
typedef Boolean (ZEL_CALL *TEClickLoopProcPtr)(void);
typedef void (ZEL_CALL *HighHookProcPtr)(const Rect *r);
typedef void (ZEL_CALL *CaretHookProcPtr)(const Rect *r);
typedef WordBreakProcPtr WordBreakUPP;
typedef TEClickLoopProcPtr TEClickLoopUPP;
typedef HighHookProcPtr HighHookUPP;
typedef CaretHookProcPtr CaretHookUPP;
#define NewWordBreakUPP(p) ((WordBreakUPP)(p))
#define DisposeWordBreakUPP(p) ((void)(p))
#define NewWordBreakProc(p) ((WordBreakUPP)(p))
#define NewTEClickLoopUPP(p) ((TEClickLoopUPP)(p))
#define DisposeTEClickLoopUPP(p) ((void)(p))
#define NewTEClickLoopProc(p) ((TEClickLoopUPP)(p))
#define NewHighHookUPP(p) ((HighHookUPP)(p))
#define DisposeHighHookUPP(p) ((void)(p))
#define NewHighHookProc(p) ((HighHookUPP)(p))
#define NewCaretHookUPP(p) ((CaretHookUPP)(p))
#define DisposeCaretHookUPP(p) ((void)(p))
#define NewCaretHookProc(p) ((CaretHookUPP)(p))

/* A TextEdit record: the text, where it is laid out and seen, the selection and the line starts. The
   handle holds nLines + 1 line starts; the record proper ends with the first. */
typedef struct TERec {
    Rect destRect;
    Rect viewRect;
    Rect selRect;
    int16_t lineHeight;
    int16_t fontAscent;
    Point selPoint;
    int16_t selStart;
    int16_t selEnd;
    int16_t active;
    WordBreakProcPtr wordBreak;
    TEClickLoopProcPtr clikLoop;
    int32_t clickTime;
    int16_t clickLoc;
    int32_t caretTime;
    int16_t caretState;
    int16_t just;
    int16_t teLength;
    Handle hText;
    Handle hDispText; /* the edit control's window of a record bound to one; 0 otherwise */
    int16_t clikStuff;
    int16_t crOnly;
    int16_t txFont;
    Style txFace;
    char filler;
    int16_t txMode;
    int16_t txSize;
    GrafPtr inPort;
    HighHookProcPtr highHook;
    CaretHookProcPtr caretHook; /* the record's three-dimensional look as 0 or 1 (ZEL_SetTE3D) */
    int16_t nLines;
    int16_t lineStarts[1];
} TERec;
typedef TERec *TEPtr;
typedef TERec **TEHandle;

/* Styled TextEdit: the style table, the line heights, the runs, the null style and the style scrap. */
typedef struct STElement {
    int16_t stCount;  /* run-table entries that name the style */
    int16_t stHeight; /* ascent + descent + leading + 1 */
    int16_t stAscent; /* ascent + leading */
    int16_t stFont;
    Style stFace;
    char filler;
    int16_t stSize;
    RGBColor stColor;
} STElement;
typedef STElement TEStyleTable[1];
typedef STElement *STPtr;
typedef STElement **STHandle;

typedef struct LHElement {
    int16_t lhHeight;
    int16_t lhAscent;
} LHElement;
typedef LHElement LHTable[1];
typedef LHElement *LHPtr;
typedef LHElement **LHHandle;

typedef struct ScrpSTElement {
    int32_t scrpStartChar;
    int16_t scrpHeight;
    int16_t scrpAscent;
    int16_t scrpFont;
    Style scrpFace;
    char filler;
    int16_t scrpSize;
    RGBColor scrpColor;
} ScrpSTElement;
typedef ScrpSTElement ScrpSTTable[1];

typedef struct StScrpRec {
    int16_t scrpNStyles;
    ScrpSTElement scrpStyleTab[1];
} StScrpRec;
typedef StScrpRec *StScrpPtr;
typedef StScrpRec **StScrpHandle;

typedef struct NullStRec {
    int32_t teReserved;
    StScrpHandle nullScrap;
} NullStRec;
typedef NullStRec *NullStPtr;
typedef NullStRec **NullStHandle;

typedef struct StyleRun {
    int16_t startChar;
    int16_t styleIndex;
} StyleRun;

/* The style record: its run table ends with a mark whose start is teLength + 1. */
typedef struct TEStyleRec {
    int16_t nRuns;
    int16_t nStyles;
    STHandle styleTab;
    LHHandle lhTab;
    int32_t teRefCon;
    NullStHandle nullStyle;
    StyleRun runs[1];
} TEStyleRec;
typedef TEStyleRec *TEStylePtr;
typedef TEStyleRec **TEStyleHandle;

typedef struct TextStyle {
    int16_t tsFont;
    Style tsFace;
    char filler;
    int16_t tsSize;
    RGBColor tsColor;
} TextStyle;
typedef TextStyle *TextStylePtr;
typedef TextStyle **TextStyleHandle;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(TERec) == 98, "TERec is 98 bytes");
ZEL_STATIC_ASSERT(offsetof(TERec, viewRect) == 8, "viewRect at 8");
ZEL_STATIC_ASSERT(offsetof(TERec, selRect) == 16, "selRect at 16");
ZEL_STATIC_ASSERT(offsetof(TERec, lineHeight) == 24, "lineHeight at 24");
ZEL_STATIC_ASSERT(offsetof(TERec, fontAscent) == 26, "fontAscent at 26");
ZEL_STATIC_ASSERT(offsetof(TERec, selPoint) == 28, "selPoint at 28");
ZEL_STATIC_ASSERT(offsetof(TERec, selStart) == 32, "selStart at 32");
ZEL_STATIC_ASSERT(offsetof(TERec, selEnd) == 34, "selEnd at 34");
ZEL_STATIC_ASSERT(offsetof(TERec, active) == 36, "active at 36");
ZEL_STATIC_ASSERT(offsetof(TERec, wordBreak) == 38, "wordBreak at 38");
ZEL_STATIC_ASSERT(offsetof(TERec, clikLoop) == 42, "clikLoop at 42");
ZEL_STATIC_ASSERT(offsetof(TERec, clickTime) == 46, "clickTime at 46");
ZEL_STATIC_ASSERT(offsetof(TERec, clickLoc) == 50, "clickLoc at 50");
ZEL_STATIC_ASSERT(offsetof(TERec, caretTime) == 52, "caretTime at 52");
ZEL_STATIC_ASSERT(offsetof(TERec, caretState) == 56, "caretState at 56");
ZEL_STATIC_ASSERT(offsetof(TERec, just) == 58, "just at 58");
ZEL_STATIC_ASSERT(offsetof(TERec, teLength) == 60, "teLength at 60");
ZEL_STATIC_ASSERT(offsetof(TERec, hText) == 62, "hText at 62");
ZEL_STATIC_ASSERT(offsetof(TERec, hDispText) == 66, "hDispText at 66");
ZEL_STATIC_ASSERT(offsetof(TERec, clikStuff) == 70, "clikStuff at 70");
ZEL_STATIC_ASSERT(offsetof(TERec, crOnly) == 72, "crOnly at 72");
ZEL_STATIC_ASSERT(offsetof(TERec, txFont) == 74, "txFont at 74");
ZEL_STATIC_ASSERT(offsetof(TERec, txFace) == 76, "txFace at 76");
ZEL_STATIC_ASSERT(offsetof(TERec, txMode) == 78, "txMode at 78");
ZEL_STATIC_ASSERT(offsetof(TERec, txSize) == 80, "txSize at 80");
ZEL_STATIC_ASSERT(offsetof(TERec, inPort) == 82, "inPort at 82");
ZEL_STATIC_ASSERT(offsetof(TERec, highHook) == 86, "highHook at 86");
ZEL_STATIC_ASSERT(offsetof(TERec, caretHook) == 90, "caretHook at 90");
ZEL_STATIC_ASSERT(offsetof(TERec, nLines) == 94, "nLines at 94");
ZEL_STATIC_ASSERT(offsetof(TERec, lineStarts) == 96, "lineStarts at 96");

ZEL_STATIC_ASSERT(sizeof(STElement) == 18, "STElement is 18 bytes");
ZEL_STATIC_ASSERT(offsetof(STElement, stFace) == 8, "stFace at 8");
ZEL_STATIC_ASSERT(offsetof(STElement, stColor) == 12, "stColor at 12");
ZEL_STATIC_ASSERT(sizeof(LHElement) == 4, "LHElement is 4 bytes");
ZEL_STATIC_ASSERT(sizeof(ScrpSTElement) == 20, "ScrpSTElement is 20 bytes");
ZEL_STATIC_ASSERT(offsetof(ScrpSTElement, scrpFont) == 8, "scrpFont at 8");
ZEL_STATIC_ASSERT(offsetof(ScrpSTElement, scrpSize) == 12, "scrpSize at 12");
ZEL_STATIC_ASSERT(offsetof(ScrpSTElement, scrpColor) == 14, "scrpColor at 14");
ZEL_STATIC_ASSERT(offsetof(StScrpRec, scrpStyleTab) == 2, "scrpStyleTab at 2");
ZEL_STATIC_ASSERT(sizeof(NullStRec) == 8, "NullStRec is 8 bytes");
ZEL_STATIC_ASSERT(offsetof(TEStyleRec, runs) == 20, "runs at 20");
ZEL_STATIC_ASSERT(sizeof(TEStyleRec) == 24, "TEStyleRec is 20 bytes and 4 per run");
ZEL_STATIC_ASSERT(sizeof(TextStyle) == 12, "TextStyle is 12 bytes");
ZEL_STATIC_ASSERT(offsetof(TextStyle, tsColor) == 6, "tsColor at 6");

/* The attributes TESetStyle, TEReplaceStyle and TEContinuousStyle work on. */
enum {
    doFont = 0x01,
    doFace = 0x02,
    doSize = 0x04,
    doColor = 0x08,
    doAll = 0x0F,
    addSize = 0x10,
    doToggle = 0x20
};

/* Alignment of a TextEdit record's lines, under both generations' names. */
enum {
    teJustLeft = 0,
    teJustCenter = 1,
    teJustRight = -1,
    teForceLeft = -2,
    teFlushDefault = teJustLeft,
    teCenter = teJustCenter,
    teFlushRight = teJustRight,
    teFlushLeft = teForceLeft
};

/* TEFeatureFlag: the one feature (automatic scrolling) and the actions. */
enum {
    teFAutoScroll = 0,
    teFAutoScr = 0,
    teBitClear = 0,
    teBitSet = 1,
    teBitTest = -1
};

/* The custom hooks of ZEL_TECustomHooks: drawing and measuring `count` bytes of `text` from `first`, and
   the rectangle verbs of the caret and highlight (3 invert, 2 erase, 0 frame). */
typedef void (ZEL_CALL *ZEL_TEDrawHookProcPtr)(TEHandle hTE, Ptr text, int16_t first, int16_t count);
typedef int16_t (ZEL_CALL *ZEL_TEMeasureHookProcPtr)(TEHandle hTE, Ptr text, int16_t first, int16_t count);
typedef void (ZEL_CALL *ZEL_TEHighlightHookProcPtr)(int16_t operation, const Rect *r);

/* Records and their life cycle. */
ZEL_API void ZEL_CALL TEInit(void);
ZEL_API TEHandle ZEL_CALL TENew(const Rect *destRect, const Rect *viewRect);
ZEL_API void ZEL_CALL TEDispose(TEHandle hTE);
ZEL_API void ZEL_CALL TESetText(const void *text, int32_t length, TEHandle hTE);
ZEL_API Handle ZEL_CALL TEGetText(TEHandle hTE);
ZEL_API void ZEL_CALL TESetAlignment(int16_t just, TEHandle hTE);
ZEL_API void ZEL_CALL TESetWordBreak(WordBreakProcPtr wBrkProc, TEHandle hTE);
ZEL_API void ZEL_CALL TESetClickLoop(TEClickLoopProcPtr clikProc, TEHandle hTE);
/* Replaces the procedure in the cell by a procedure instance made for the host (session flag 0x200:
   left as given). */
ZEL_API void ZEL_CALL ZEL_MakePIClickLoop(TEClickLoopProcPtr *cell);
ZEL_API void ZEL_CALL TEAutoView(Boolean fAuto, TEHandle hTE);
ZEL_API int16_t ZEL_CALL TEFeatureFlag(int16_t feature, int16_t action, TEHandle hTE);
/* Installs the three hooks (0: none) and switches the record to them while any is given; answers the
   record's clikStuff. */
ZEL_API int16_t ZEL_CALL ZEL_TECustomHooks(TEHandle hTE, ZEL_TEDrawHookProcPtr draw, ZEL_TEMeasureHookProcPtr measure,
                                           ZEL_TEHighlightHookProcPtr highlight);
/* The record's three-dimensional look: its background is the system window colour. */
ZEL_API void ZEL_CALL ZEL_SetTE3D(TEHandle hTE, Boolean on);
ZEL_API Boolean ZEL_CALL ZEL_GetTE3D(TEHandle hTE);

/* The private scrap. */
ZEL_API Handle ZEL_CALL TEScrapHandle(void);
ZEL_API int32_t ZEL_CALL TEGetScrapLength(void);
ZEL_API void ZEL_CALL TESetScrapLength(int32_t length);
ZEL_API OSErr ZEL_CALL TEFromScrap(void);
ZEL_API OSErr ZEL_CALL TEToScrap(void);

/* Layout, hit testing, drawing and scrolling. TEGetPoint answers the baseline of an offset's line and the
   character's left edge; TEGetHeight the height of lines startLine..endLine (from 1, either order). */
ZEL_API void ZEL_CALL TECalText(TEHandle hTE);
ZEL_API int16_t ZEL_CALL TEGetOffset(Point pt, TEHandle hTE);
ZEL_API Point ZEL_CALL TEGetPoint(int16_t offset, TEHandle hTE);
ZEL_API int32_t ZEL_CALL TEGetHeight(int32_t endLine, int32_t startLine, TEHandle hTE);
ZEL_API void ZEL_CALL TEUpdate(const Rect *rUpdate, TEHandle hTE);
ZEL_API void ZEL_CALL TETextBox(const void *text, int32_t length, const Rect *box, int16_t just);
ZEL_API void ZEL_CALL TEScroll(int16_t dh, int16_t dv, TEHandle hTE);
ZEL_API void ZEL_CALL TEPinScroll(int16_t dh, int16_t dv, TEHandle hTE);
ZEL_API void ZEL_CALL TESelView(TEHandle hTE);

/* Editing. */
ZEL_API void ZEL_CALL TEKey(int16_t key, TEHandle hTE);
ZEL_API void ZEL_CALL TEClick(Point pt, Boolean extend, TEHandle hTE);
ZEL_API void ZEL_CALL TEIdle(TEHandle hTE);
ZEL_API void ZEL_CALL TESetSelect(int32_t selStart, int32_t selEnd, TEHandle hTE);
ZEL_API void ZEL_CALL TEActivate(TEHandle hTE);
ZEL_API void ZEL_CALL TEDeactivate(TEHandle hTE);
ZEL_API void ZEL_CALL TEInsert(const void *text, int32_t length, TEHandle hTE);
ZEL_API void ZEL_CALL TEDelete(TEHandle hTE);
ZEL_API void ZEL_CALL TECut(TEHandle hTE);
ZEL_API void ZEL_CALL TECopy(TEHandle hTE);
ZEL_API void ZEL_CALL TEPaste(TEHandle hTE);

/* A record bound to an edit control (hDispText holds the control's window): copies the control's selection
   and scroll position, and its text when the control was modified or `force` is set, into the record;
   answers whether the record's text changed. */
ZEL_API Boolean ZEL_CALL ZEL_SethTEfromhWnd(TEHandle hTE, Boolean force);

/* Styled TextEdit. */
ZEL_API TEHandle ZEL_CALL TEStyleNew(const Rect *destRect, const Rect *viewRect);
ZEL_API void ZEL_CALL TESetStyleHandle(TEStyleHandle theHandle, TEHandle hTE);
ZEL_API TEStyleHandle ZEL_CALL TEGetStyleHandle(TEHandle hTE);
ZEL_API void ZEL_CALL TEGetStyle(int16_t offset, TextStyle *theStyle, int16_t *lineHeight, int16_t *fontAscent,
                                 TEHandle hTE);
ZEL_API void ZEL_CALL TESetStyle(int16_t mode, const TextStyle *newStyle, Boolean fRedraw, TEHandle hTE);
ZEL_API void ZEL_CALL TEReplaceStyle(int16_t mode, const TextStyle *oldStyle, const TextStyle *newStyle,
                                     Boolean fRedraw, TEHandle hTE);
ZEL_API Boolean ZEL_CALL TEContinuousStyle(int16_t *mode, TextStyle *aStyle, TEHandle hTE);
ZEL_API int32_t ZEL_CALL TENumStyles(int32_t rangeStart, int32_t rangeEnd, TEHandle hTE);
ZEL_API StScrpHandle ZEL_CALL TEGetStyleScrapHandle(TEHandle hTE);
ZEL_API void ZEL_CALL TEUseStyleScrap(int32_t rangeStart, int32_t rangeEnd, StScrpHandle newStyles, Boolean fRedraw,
                                      TEHandle hTE);
ZEL_API void ZEL_CALL TEStyleInsert(const void *text, int32_t length, StScrpHandle hST, TEHandle hTE);
ZEL_API void ZEL_CALL TEStylePaste(TEHandle hTE);

/* The earlier published names of two calls. */
ZEL_PUBLISHED_PROC(TextBox, TETextBox, (const void *text, int32_t length, const Rect *box, int16_t just),
                   (text, length, box, just))
ZEL_PUBLISHED_FUNC(int32_t, TEGetScrapLen, TEGetScrapLength, (void), ())


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define TEStylNew TEStyleNew
#define TEStylInsert TEStyleInsert
#define TEStylPaste TEStylePaste
#define GetStylHandle TEGetStyleHandle
#define SetStylHandle TESetStyleHandle
#define GetStylScrap TEGetStyleScrapHandle
#define TESetJust TESetAlignment
#endif

#endif

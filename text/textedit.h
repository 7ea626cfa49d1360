// TextEdit's private declarations, shared by its files: record access, the flag words, the global hooks,
// the focus, layout, drawing and the replace core.
#pragma once

#include <windows.h>
#include "TextEdit.h"
#include "text_services.h"

// The most characters a record holds; more are dropped silently.
constexpr int16_t kTEMaxText = 32000;
constexpr ResType kTETextType = 0x54455854; // 'TEXT'

// `active`: the record is active; automatic scrolling.
enum : int16_t { teActiveBit = 0x0001, teAutoScrollBit = 0x0002 };
// `clikStuff`: extended-text drawing (mode 2 with 0x0004), the custom hooks, password mode.
enum : uint16_t { teExtTextBit = 0x0002, teExtMode2Bit = 0x0004, teHooksBit = 0x0008, tePasswordBit = 0x8000 };
// Highlight-hook operations.
enum : int16_t { teHookFrame = 0, teHookErase = 2, teHookInvert = 3 };

// The record behind a handle, or nil for a nil handle or a purged record.
inline TERec *TERecord(TEHandle h) { return h && *h ? *h : nullptr; }
// TextEdit's "has data": not nil and not emptied.
inline bool TEHasData(Handle h) { return h && *h; }
// A record bound to an edit control keeps the control's window in hDispText.
inline bool TEIsBound(const TERec *r) { return r->hDispText != nullptr; }
inline HWND TEBoundWindow(const TERec *r) { return reinterpret_cast<HWND>(r->hDispText); }
// A styled record marks itself with txSize -1.
inline bool TEIsStyled(const TERec *r) { return r->txSize == -1; }

// The default procedures.
ZEL_EXTERN_C Boolean ZEL_CALL SimpleWordBreak(Ptr text, int16_t offset);
ZEL_EXTERN_C Boolean ZEL_CALL SimpleLineBreak(Ptr text, int16_t offset);
ZEL_EXTERN_C Boolean ZEL_CALL SimpleClikProc(void);

// The word-break bitmap TEInit loaded ('WBRK' 0), or nil.
Handle TEWordBreakBitmap();

// The custom hooks in force for a record: nil unless its 0x0008 is set and the hook is installed.
ZEL_TEDrawHookProcPtr TEDrawHookFor(const TERec *r);
ZEL_TEMeasureHookProcPtr TEMeasureHookFor(const TERec *r);
ZEL_TEHighlightHookProcPtr TEHighlightHookFor(const TERec *r);

// Names the record whose text is being measured or drawn, for the password query of the character
// conversion: a record with 0x8000 in clikStuff shows every character as '*'.
class TEMeasuring {
public:
    explicit TEMeasuring(TEHandle h);
    ~TEMeasuring();
    TEMeasuring(const TEMeasuring &) = delete;
    TEMeasuring &operator=(const TEMeasuring &) = delete;

private:
    TEHandle previous_;
};

// The replace core's text half: the selection's characters give way to `length` bytes of `text`, within
// the 32000-character cap. Fills the edit's range; false when nothing could be changed (the handle did not
// grow). On return selStart..selEnd covers the inserted bytes.
struct TETextEdit {
    int32_t from;     // where the edit starts
    int32_t oldTo;    // the end of the replaced characters before the edit
    int32_t inserted; // bytes put in
    int32_t delta;    // change of length
};
bool TEReplaceText(TEHandle h, const void *text, int32_t length, TETextEdit *edit);
// The repaired length of the text: teLength within 0..min(handle size, 32000), the selection within it.
void TERepairLength(TERec *r);


// ---- The focus: the record's port current, clipped to its view ----
// Every drawing, measuring and editing call enters it; nested entries share the outermost's port and clip.
// The record's text font, face, size and mode are set into the port while it is entered.
class TEFocus {
public:
    TEFocus(TEHandle h, bool clip);
    ~TEFocus();
    TEFocus(const TEFocus &) = delete;
    TEFocus &operator=(const TEFocus &) = delete;

private:
    bool clipped_;
};

// ---- Layout ----
// The line starts of a record before an edit, adjusted to the edit once it is made.
struct TESavedLines {
    int16_t *starts = nullptr; // nLines + 1 entries
    int32_t count = 0;         // nLines + 1
    int32_t firstShifted = 0;  // after the adjustment: the first entry that lay past the edit
    ~TESavedLines();
};
void TESaveLines(TEHandle h, TESavedLines *saved);
// Entries strictly inside the replaced range become -1; those at or after its old end move by the change.
void TEAdjustSavedLines(TESavedLines *saved, const TETextEdit &edit);
// Lays the record out: in full, or after an edit from the line before it, reusing the saved lines once
// a new line ends where a saved one does.
void TELayout(TEHandle h, const TESavedLines *saved = nullptr, const TETextEdit *edit = nullptr);
// Draws the lines that meet viewRect: all of them, or after an edit those that changed.
void TEDrawLines(TEHandle h, const TESavedLines *saved = nullptr, const TETextEdit *edit = nullptr);
// Shows or hides the caret or the selection highlight of an active record (nothing when already so).
void TEHighlight(TEHandle h, bool show);
// The caret or highlight shape of a selection as rectangles, line by line.
void TESelectionRects(TEHandle h, int32_t start, int32_t end, void (*add)(const Rect &, void *), void *context);
// Scrolls so that the selection start is visible (automatic scrolling only).
void TESelViewNative(TEHandle h);

// Geometry of a laid-out record.
int32_t TELineOf(const TERec *r, int32_t offset);
int32_t TELineTop(const TERec *r, int32_t line);
int32_t TELineHeightOf(const TERec *r, int32_t line);
int32_t TELineAscentOf(const TERec *r, int32_t line);
int32_t TETextHeight(const TERec *r);
// Width of `count` characters from `first`, through the record's measure hook when in force.
int32_t TETextWidth(TEHandle h, int32_t first, int32_t count);
// The same, except that a styled record stops measuring once the width passes `limit` (the answer is
// then some width past it).
int32_t TETextWidthUpTo(TEHandle h, int32_t first, int32_t count, int32_t limit);
// Offset to point (v at the line's baseline) and point to offset, as clicks and the caret use them.
Point TEOffsetToPoint(TEHandle h, int32_t offset);
int32_t TEPointToOffset(TEHandle h, Point pt);

// ---- Editing ----
// The replace step of TESetText, TEPaste, TETextBox and the styled paste: the selection gives way to the
// text (the styles of `styleScrap` when given), the lines are laid out again and, with `redraw`, drawn
// with the inserted text selected and highlighted.
void TEReplaceSelection(TEHandle h, const void *text, int32_t length, Handle styleScrap, bool redraw);

// ---- Records bound to an edit control ----
void TEBoundSetSelect(TEHandle h, int32_t start, int32_t end);
void TEBoundKey(TEHandle h, int16_t key);
void TEBoundDelete(TEHandle h);
void TEBoundInsert(TEHandle h, const void *text, int32_t length);
void TEBoundReplace(TEHandle h, const void *text, int32_t length);
void TEBoundScroll(TEHandle h, int16_t dh, int16_t dv);

// ---- Styled records ----
// The style handle a styled record keeps in its txFont and txFace bytes; nil for an unstyled record.
TEStyleHandle TEStyleHandleOf(const TERec *r);
// A styled record whose style record and style table exist.
bool TEHasRuns(const TERec *r);
// The replaced characters leave the runs (the first one's style becomes the null style) and the inserted
// ones take the scrap's styles, else the null style, else the style of the character before them.
void TEStyledReplace(TEHandle h, const TETextEdit &edit, Handle styleScrap);
void TEClearNullStyle(TEHandle h);
void TEDisposeStyles(TEHandle h);
// After layout: the line-height table, one entry per line.
void TEStyledLineHeights(TEHandle h);
LHElement TEStyledLineMetrics(const TERec *r, int32_t line);
// The heights of the first `lines` lines added up, as TEStyledLineMetrics gives them one by one.
int32_t TEStyledLinesHeight(const TERec *r, int32_t lines);
// The runs over a stretch of text, piece by piece: start, length and style index.
void TEStyledPieces(const TERec *r, int32_t first, int32_t count, void (*piece)(int32_t, int32_t, int16_t, void *),
                    void *context);
// The port set to a run's style; the outermost level saves and restores the port's text and colour and
// switches the extended-text drawing the record asks for.
class TERunPort {
public:
    explicit TERunPort(TEHandle h);
    ~TERunPort();
    TERunPort(const TERunPort &) = delete;
    TERunPort &operator=(const TERunPort &) = delete;
    void Set(int16_t styleIndex);

private:
    TEHandle h_;
};
// TEInsert and TEPaste with a style scrap.
void TEInsertStyled(TEHandle h, const void *text, int32_t length, Handle styleScrap);
void TEPasteStyled(TEHandle h, Handle styleScrap);

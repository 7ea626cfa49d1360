// TextEdit: line layout, hit testing, drawing, the caret and highlight, and scrolling.
#include "textedit.h"
#include "../core/core_services.h"
#include "../devices/devices_services.h"
#include "../quickdraw/qd_services.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Every letter class of the character table (plain and marked, lower and upper) has 0x20 or 0x40.
bool IsLetter(uint8_t c) { return (MacRomanChar(c).flags & (charLower | charOtherLower)) != 0; }

// ---- The focus's state, shared by all records ----
int sPortDepth;
int sClipDepth;
GrafPtr sSavedPort;
RgnHandle sSavedClip;
struct SavedText {
    int16_t font, size, mode;
    Style face;
};
SavedText sSavedText;

bool ClippingWanted()
{
    int16_t documentOpen = 0;
    HDC printer = PrintingDC(&documentOpen);
    if (printer && documentOpen && printer == CurrentDC())
        return false;
    return LibrarySetting(settingNoClipSelection) == 0;
}

bool EraseSetting() { return LibrarySetting(settingTextBoxSwitch) != 0; }

const char *TextOf(const TERec *r) { return r->hText && *r->hText ? *r->hText : ""; }

// The word-break procedure in force: none while crOnly is negative.
WordBreakProcPtr BreakProcOf(const TERec *r) { return r->crOnly < 0 ? nullptr : r->wordBreak; }

bool IsBreak(WordBreakProcPtr wb, TEHandle h, int32_t offset)
{
    return wb(*(**h).hText, static_cast<int16_t>(offset)) != 0;
}

// One line from `p`: its length. `end` is teLength; W the wrap width.
int32_t BreakLine(TEHandle h, int32_t p, int32_t end, int32_t width)
{
    const TERec *r = *h;
    WordBreakProcPtr wb = BreakProcOf(r);
    if (!wb)
        return end - p;
    const bool measure = r->crOnly == 0;
    int32_t accumulated = 0;
    int32_t q = p;
    int32_t lineEnd = -1;
    while (q < end) {
        const char *t = TextOf(*h);
        if (t[q] == '\r')
            return q + 1 - p;
        // A chunk: break characters, then a word; neither crosses a return.
        int32_t c = q;
        while (c < end && TextOf(*h)[c] != '\r' && IsBreak(wb, h, c))
            ++c;
        while (c < end && TextOf(*h)[c] != '\r' && !IsBreak(wb, h, c))
            ++c;
        const int32_t w = measure ? TETextWidthUpTo(h, q, c - q, width - accumulated) : 0;
        if (accumulated + w <= width) {
            accumulated += w;
            q = c;
            if (accumulated == width)
                break;
            continue;
        }
        if (TextOf(*h)[q] == ' ') {
            lineEnd = q;
        } else {
            int32_t k = q;
            while (k < c && accumulated + TETextWidth(h, q, k + 1 - q) <= width)
                ++k;
            lineEnd = k;
        }
        break;
    }
    if (lineEnd < 0)
        lineEnd = q;
    if (lineEnd <= p)
        lineEnd = p + 1;
    const char *t = TextOf(*h);
    while (lineEnd < end && t[lineEnd] == ' ')
        ++lineEnd;
    return lineEnd - p;
}

int32_t WrapWidth(const TERec *r) { return r->destRect.right - r->destRect.left; }

// Where a line's text starts inside destRect.
int32_t LineIndent(TEHandle h, int32_t line)
{
    const TERec *r = *h;
    const int16_t just = r->just;
    if (just == teForceLeft || (just == teJustLeft && !SessionRightToLeft()))
        return 0;
    const bool right = just == teJustRight || just == teJustLeft;
    const int32_t start = r->lineStarts[std::min<int32_t>(line, r->nLines)];
    int32_t end = line < r->nLines ? r->lineStarts[line + 1] : start;
    const char *t = TextOf(r);
    if (end > start && t[end - 1] == '\r')
        --end;
    if (right) {
        const bool wb = BreakProcOf(r) != nullptr;
        while (end > start && (wb ? static_cast<uint8_t>(t[end - 1]) < 0x21 : t[end - 1] == ' '))
            --end;
    }
    const int32_t W = WrapWidth(r);
    const int32_t indent = end > start ? W - TETextWidth(h, start, end - start) : W - 1;
    return right ? indent : indent / 2;
}

// The line's characters that are drawn: without its closing return.
int32_t DrawnEnd(const TERec *r, int32_t line)
{
    const int32_t start = r->lineStarts[line];
    int32_t end = r->lineStarts[line + 1];
    if (end > start && TextOf(r)[end - 1] == '\r')
        --end;
    return end;
}

void EraseLineRect(TEHandle h, const Rect &rect)
{
    if (ZEL_TEHighlightHookProcPtr hook = TEHighlightHookFor(*h)) {
        hook(teHookErase, &rect);
        return;
    }
    if (ZEL_GetTE3D(h)) {
        RGBColor saved;
        GetBackColor(&saved);
        const DWORD c = GetSysColor(COLOR_WINDOW);
        RGBColor window{static_cast<uint16_t>(GetRValue(c) * 0x101), static_cast<uint16_t>(GetGValue(c) * 0x101),
                        static_cast<uint16_t>(GetBValue(c) * 0x101)};
        RGBBackColor(&window);
        EraseRect(&rect);
        RGBBackColor(&saved);
        return;
    }
    EraseRect(&rect);
}

// A line's band, erased before it is drawn: across destRect and, where the view reaches further, across
// the view too, so that a glyph reaching out of destRect (the tail of a 'j' at the left edge) leaves no
// pixels behind when its line is drawn again.
Rect LineRect(const TERec *r, int32_t top, int32_t bottom)
{
    Rect rect;
    rect.top = static_cast<int16_t>(top);
    rect.bottom = static_cast<int16_t>(bottom);
    rect.left = std::min(r->destRect.left, r->viewRect.left);
    rect.right = std::max(r->destRect.right, r->viewRect.right);
    return rect;
}

void DrawLineText(TEHandle h, int32_t line, int32_t top)
{
    const TERec *r = *h;
    const int32_t start = r->lineStarts[line];
    const int32_t end = DrawnEnd(r, line);
    const int32_t indent = LineIndent(h, line);
    r = *h;
    MoveT(static_cast<int16_t>(r->destRect.left + indent), static_cast<int16_t>(top + TELineAscentOf(r, line)));
    if (end <= start)
        return;
    if (TEHasRuns(r)) {
        // Run by run, each in its style; the pen moves on from one to the next.
        struct Context {
            TEHandle h;
            TERunPort *port;
        };
        TERunPort port(h);
        Context context{h, &port};
        TEStyledPieces(*h, start, end - start,
                       [](int32_t first, int32_t count, int16_t style, void *c) {
                           Context *cx = static_cast<Context *>(c);
                           cx->port->Set(style);
                           const TERec *rec = *cx->h;
                           if (ZEL_TEDrawHookProcPtr hook = TEDrawHookFor(rec)) {
                               hook(cx->h, *rec->hText, static_cast<int16_t>(first), static_cast<int16_t>(count));
                               return;
                           }
                           TEMeasuring naming(cx->h);
                           DrawTex(*rec->hText, static_cast<int16_t>(first), static_cast<int16_t>(count));
                       },
                       &context);
        return;
    }
    if (ZEL_TEDrawHookProcPtr hook = TEDrawHookFor(r)) {
        hook(h, *r->hText, static_cast<int16_t>(start), static_cast<int16_t>(end - start));
        return;
    }
    TEMeasuring naming(h);
    DrawTex(*r->hText, static_cast<int16_t>(start), static_cast<int16_t>(end - start));
}

void InvertShape(TEHandle h, const Rect &rect)
{
    if (ZEL_TEHighlightHookProcPtr hook = TEHighlightHookFor(*h))
        hook(teHookInvert, &rect);
    else
        InvertRec(&rect);
}

} // namespace

// ---- Word and line breaks ----

// A character breaks words when its bit in the 'WBRK' bitmap is clear (numbered from the most significant
// bit of the first byte). A bitmap shorter than 256 bits is not used. Without one, control characters and
// the blank break words; in the upper half the character table decides: letters do not break.
ZEL_EXTERN_C Boolean ZEL_CALL SimpleWordBreak(Ptr text, int16_t offset)
{
    const uint8_t c = static_cast<uint8_t>(text[offset]);
    Handle bitmap = TEWordBreakBitmap();
    if (TEHasData(bitmap) && GetHandleSize(bitmap) >= 32) {
        const uint8_t bits = static_cast<uint8_t>((*bitmap)[c >> 3]);
        return (bits & (0x80 >> (c & 7))) == 0;
    }
    if (c <= 0x20)
        return true;
    if (c < 0x80)
        return false;
    return !IsLetter(c);
}

// A line may break after anything that is not a letter or digit, except the apostrophe, the hyphen and
// the full stop; in the upper half after anything but a letter.
ZEL_EXTERN_C Boolean ZEL_CALL SimpleLineBreak(Ptr text, int16_t offset)
{
    const uint8_t c = static_cast<uint8_t>(text[offset]);
    if (c >= 0x80)
        return !IsLetter(c);
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return false;
    return c != '\'' && c != '-' && c != '.';
}

// ---- The focus ----

TEFocus::TEFocus(TEHandle h, bool clip) : clipped_(false)
{
    const TERec *r = *h;
    if (sPortDepth++ == 0) {
        sSavedPort = CurrentPort();
        if (r->inPort && r->inPort != sSavedPort)
            SetPor(r->inPort);
        GrafPtr port = CurrentPort();
        if (port) {
            sSavedText = SavedText{port->txFont, port->txSize, port->txMode, port->txFace};
            if (!TEIsStyled(r)) {
                if (port->txFont != r->txFont)
                    TextFont(r->txFont);
                if (port->txSize != r->txSize)
                    TextSize(r->txSize);
                if (port->txFace != r->txFace)
                    TextFace(r->txFace);
                if (port->txMode != r->txMode)
                    TextMode(r->txMode);
            }
        }
    }
    r = *h;
    if (clip && ClippingWanted() && CurrentPort()) {
        clipped_ = true;
        if (sClipDepth++ == 0) {
            sSavedClip = NewRgn();
            GetClip(sSavedClip);
            RgnHandle view = NewRgn();
            RectRgn(view, &(**h).viewRect);
            SectRgn(view, sSavedClip, view);
            SetClip(view);
            DisposeRgn(view);
        }
    }
}

TEFocus::~TEFocus()
{
    if (clipped_ && --sClipDepth == 0) {
        SetClip(sSavedClip);
        DisposeRgn(sSavedClip);
        sSavedClip = nullptr;
    }
    if (--sPortDepth == 0) {
        if (GrafPtr port = CurrentPort()) {
            if (port->txFont != sSavedText.font)
                TextFont(sSavedText.font);
            if (port->txSize != sSavedText.size)
                TextSize(sSavedText.size);
            if (port->txFace != sSavedText.face)
                TextFace(sSavedText.face);
            if (port->txMode != sSavedText.mode)
                TextMode(sSavedText.mode);
        }
        if (sSavedPort && sSavedPort != CurrentPort())
            SetPor(sSavedPort);
        sSavedPort = nullptr;
    }
}

// ---- Measuring and geometry ----

namespace {

int32_t PlainWidth(TEHandle h, int32_t first, int32_t count)
{
    const TERec *r = *h;
    if (ZEL_TEMeasureHookProcPtr hook = TEMeasureHookFor(r)) {
        const int16_t w = hook(h, *r->hText, static_cast<int16_t>(first), static_cast<int16_t>(count));
        return w < 0 ? 0 : w;
    }
    TEMeasuring naming(h);
    return TextWidth(*r->hText, static_cast<int16_t>(first), static_cast<int16_t>(count));
}

} // namespace

// The width of `count` characters from `first`, or, in a styled record, a width past `limit` as soon as
// the style runs measured so far pass it: a word of thousands of runs is then measured once, not once
// for every line it fills.
int32_t TETextWidthUpTo(TEHandle h, int32_t first, int32_t count, int32_t limit)
{
    if (count <= 0)
        return 0;
    const TERec *r = *h;
    if (!TEHasRuns(r))
        return PlainWidth(h, first, count);
    struct Context {
        TEHandle h;
        TERunPort *port;
        int32_t width, limit;
    };
    TERunPort port(h);
    Context context{h, &port, 0, limit};
    TEStyledPieces(r, first, count,
                   [](int32_t at, int32_t n, int16_t style, void *c) {
                       Context *cx = static_cast<Context *>(c);
                       if (cx->width > cx->limit)
                           return;
                       cx->port->Set(style);
                       cx->width += PlainWidth(cx->h, at, n);
                   },
                   &context);
    return context.width;
}

int32_t TETextWidth(TEHandle h, int32_t first, int32_t count) { return TETextWidthUpTo(h, first, count, INT32_MAX); }

// A styled record whose lineHeight is -1 takes each line's height and ascent from its line-height table.
bool PerLineHeights(const TERec *r) { return r->lineHeight == -1 && TEHasRuns(r); }
int32_t TELineHeightOf(const TERec *r, int32_t line)
{
    return PerLineHeights(r) ? TEStyledLineMetrics(r, line).lhHeight : r->lineHeight;
}
int32_t TELineAscentOf(const TERec *r, int32_t line)
{
    return PerLineHeights(r) ? TEStyledLineMetrics(r, line).lhAscent : r->fontAscent;
}
int32_t TELineTop(const TERec *r, int32_t line)
{
    if (!PerLineHeights(r))
        return r->destRect.top + line * r->lineHeight;
    return r->destRect.top + TEStyledLinesHeight(r, line);
}
int32_t TETextHeight(const TERec *r) { return TELineTop(r, r->nLines) - r->destRect.top; }

// The line an offset is on: a line start belongs to the line it starts; teLength after a final return
// lies on the line below the last.
int32_t TELineOf(const TERec *r, int32_t offset)
{
    const int32_t n = r->nLines;
    if (n <= 0)
        return 0;
    if (offset >= r->teLength) {
        if (r->teLength > 0 && TextOf(r)[r->teLength - 1] == '\r')
            return n;
        return n - 1;
    }
    const int16_t *starts = r->lineStarts;
    const int32_t k = static_cast<int32_t>(std::upper_bound(starts, starts + n, offset) - starts) - 1;
    return std::max<int32_t>(k, 0);
}

Point TEOffsetToPoint(TEHandle h, int32_t offset)
{
    const TERec *r = *h;
    offset = std::clamp<int32_t>(offset, 0, r->teLength);
    const int32_t line = TELineOf(r, offset);
    const int32_t top = TELineTop(r, line);
    const int32_t v = top + TELineAscentOf(r, line);
    int32_t x = r->destRect.left + LineIndent(h, line);
    r = *h;
    if (line < r->nLines)
        x += TETextWidth(h, r->lineStarts[line], offset - r->lineStarts[line]);
    return Point{static_cast<int16_t>(v), static_cast<int16_t>(x)};
}

int32_t TEPointToOffset(TEHandle h, Point pt)
{
    const TERec *r = *h;
    if (pt.v < r->destRect.top)
        return 0;
    int32_t line = 0;
    int32_t bottom = r->destRect.top;
    for (; line < r->nLines; ++line) {
        bottom += TELineHeightOf(r, line);
        if (pt.v < bottom)
            break;
    }
    if (line >= r->nLines)
        return r->teLength;
    const int32_t start = r->lineStarts[line];
    int32_t end = r->lineStarts[line + 1];
    if (end > start && TextOf(r)[end - 1] == '\r')
        --end;
    const int32_t x = pt.h - LineIndent(h, line) - (**h).destRect.left;
    if (x <= 0 || end <= start)
        return start;
    // A line that measures nothing (a hook answering 0, zero-width characters) gives its start.
    if (TETextWidth(h, start, end - start) <= 0)
        return start;
    // The last boundary at or left of x, then the nearer of it and the next.
    int32_t lo = start, hi = end;
    while (lo < hi) {
        const int32_t mid = (lo + hi + 1) / 2;
        if (TETextWidth(h, start, mid - start) <= x)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo >= end)
        return end;
    const int32_t left = TETextWidth(h, start, lo - start);
    const int32_t right = TETextWidth(h, start, lo + 1 - start);
    return (x - left) * 2 < (right - left) ? lo : lo + 1;
}

// ---- Layout ----

TESavedLines::~TESavedLines() { delete[] starts; }

void TESaveLines(TEHandle h, TESavedLines *saved)
{
    const TERec *r = *h;
    delete[] saved->starts;
    saved->count = std::max<int32_t>(r->nLines, 0) + 1;
    saved->starts = new int16_t[saved->count];
    std::memcpy(saved->starts, r->lineStarts, sizeof(int16_t) * saved->count);
}

void TEAdjustSavedLines(TESavedLines *saved, const TETextEdit &edit)
{
    saved->firstShifted = saved->count;
    for (int32_t i = 0; i < saved->count; ++i) {
        int32_t s = saved->starts[i];
        if (s <= edit.from)
            continue;
        if (s < edit.oldTo) {
            s = -1;
        } else {
            s += edit.delta;
            saved->firstShifted = std::min(saved->firstShifted, i);
        }
        saved->starts[i] = static_cast<int16_t>(s);
    }
}

void TELayout(TEHandle h, const TESavedLines *saved, const TETextEdit *edit)
{
    TERec *r = *h;
    r->nLines = 0;
    const int32_t held = r->hText ? GetHandleSize(r->hText) : 0;
    const int32_t length = std::clamp<int32_t>(held, 0, kTEMaxText);
    r->teLength = static_cast<int16_t>(length);
    r->selStart = static_cast<int16_t>(std::clamp<int32_t>(r->selStart, 0, length));
    r->selEnd = static_cast<int16_t>(std::clamp<int32_t>(r->selEnd, r->selStart, length));
    r->lineStarts[0] = 0;
    if (length == 0) {
        SetHandleSize(reinterpret_cast<Handle>(h), sizeof(TERec));
        TEStyledLineHeights(h);
        return;
    }
    TEFocus focus(h, false);
    // One run set-up for the whole layout of a styled record: its words are measured run by run inside it.
    std::unique_ptr<TERunPort> runs(TEHasRuns(*h) ? new TERunPort(h) : nullptr);
    std::vector<int16_t> starts;
    starts.reserve(64);
    int32_t p = 0;
    int32_t savedAt = -1; // the saved index whose lines the rest copies
    if (saved && edit && saved->count > 1) {
        // Restart at the line before the one holding the edit.
        int32_t k = 0;
        while (k + 1 < saved->count - 1 && saved->starts[k + 1] >= 0 && saved->starts[k + 1] <= edit->from)
            ++k;
        k = std::max<int32_t>(k - 1, 0);
        for (int32_t i = 0; i < k; ++i)
            starts.push_back(saved->starts[i]);
        p = saved->starts[k];
    }
    const int32_t W = WrapWidth(*h);
    const int32_t editEnd = edit ? edit->from + edit->inserted : -1;
    for (;;) {
        starts.push_back(static_cast<int16_t>(p));
        const int32_t n = BreakLine(h, p, length, W);
        if (p + n >= length)
            break;
        p += n;
        if (saved && edit && p >= editEnd) {
            // A new line ends where a saved one does: the rest is as it was.
            const int16_t *b = saved->starts, *e = saved->starts + saved->count - 1;
            const int16_t *at = std::find(b + std::min(saved->firstShifted, saved->count - 1), e,
                                          static_cast<int16_t>(p));
            if (at != e) {
                savedAt = static_cast<int32_t>(at - b);
                break;
            }
        }
    }
    if (savedAt >= 0)
        for (int32_t i = savedAt; i < saved->count - 1; ++i)
            starts.push_back(saved->starts[i]);
    int32_t lines = static_cast<int32_t>(starts.size());
    if (!SetHandleSize(reinterpret_cast<Handle>(h), static_cast<Size>(sizeof(TERec) + 2 * lines))) {
        // The record cannot grow: the lines it has room for.
        lines = std::max<int32_t>(0, (GetHandleSize(reinterpret_cast<Handle>(h)) - int32_t(sizeof(TERec))) / 2);
    }
    r = *h;
    std::memcpy(r->lineStarts, starts.data(), sizeof(int16_t) * lines);
    r->nLines = static_cast<int16_t>(lines);
    r->lineStarts[lines] = static_cast<int16_t>(length);
    TEStyledLineHeights(h);
}

// ---- Drawing ----

void TEDrawLines(TEHandle h, const TESavedLines *saved, const TETextEdit *edit)
{
    const bool erase = EraseSetting();
    const TERec *r = *h;
    const int32_t viewTop = r->viewRect.top, viewBottom = r->viewRect.bottom;
    int32_t firstEdited = -1, lastEdited = -1;
    if (saved && edit) {
        firstEdited = TELineOf(r, edit->from);
        lastEdited = TELineOf(r, edit->from + edit->inserted);
    }
    int32_t top = TELineTop(r, 0);
    const int32_t nLines = r->nLines;
    for (int32_t line = 0; line < nLines; ++line) {
        r = *h;
        const int32_t height = TELineHeightOf(r, line);
        const int32_t bottom = top + height;
        if (bottom <= viewTop) {
            top = bottom;
            continue;
        }
        if (top >= viewBottom)
            break;
        bool draw = true;
        if (saved && edit && PerLineHeights(r))
            draw = line >= firstEdited; // heights may change: every line from the edit on moves
        else if (saved && edit && (line < firstEdited || line > lastEdited) && line + 1 < saved->count)
            draw = saved->starts[line] != r->lineStarts[line] || saved->starts[line + 1] != r->lineStarts[line + 1];
        if (draw) {
            if (erase)
                EraseLineRect(h, LineRect(*h, top, bottom));
            DrawLineText(h, line, top);
        }
        top = bottom;
    }
    // Lines the edit took away leave their place blank.
    r = *h;
    if (saved && erase && PerLineHeights(r)) {
        if (top < viewBottom)
            EraseLineRect(h, LineRect(r, std::max<int32_t>(top, viewTop), viewBottom));
    } else if (saved && erase && saved->count - 1 > r->nLines) {
        const int32_t oldBottom = std::min<int32_t>(TELineTop(r, saved->count - 1), viewBottom);
        if (oldBottom > top)
            EraseLineRect(h, LineRect(r, std::max<int32_t>(top, viewTop), oldBottom));
    }
}

void TESelectionRects(TEHandle h, int32_t start, int32_t end, void (*add)(const Rect &, void *), void *context)
{
    const TERec *r = *h;
    if (start == end) {
        const Point pt = TEOffsetToPoint(h, start);
        r = *h;
        const int32_t line = TELineOf(r, start);
        const int32_t top = TELineTop(r, line);
        Rect rect;
        rect.top = static_cast<int16_t>(top);
        rect.bottom = static_cast<int16_t>(top + TELineHeightOf(r, line));
        rect.left = static_cast<int16_t>(pt.h - 1);
        rect.right = pt.h;
        add(rect, context);
        return;
    }
    const int32_t firstLine = TELineOf(r, start);
    const int32_t lastLine = std::max(firstLine, TELineOf(r, end - 1));
    const Point from = TEOffsetToPoint(h, start);
    for (int32_t line = firstLine; line <= lastLine; ++line) {
        r = *h;
        const int32_t top = TELineTop(r, line);
        Rect rect;
        rect.top = static_cast<int16_t>(top);
        rect.bottom = static_cast<int16_t>(top + TELineHeightOf(r, line));
        rect.left = line == firstLine ? from.h : r->destRect.left;
        const bool continues = line < lastLine || line >= r->nLines || end >= r->lineStarts[line + 1];
        rect.right = continues ? r->destRect.right : TEOffsetToPoint(h, end).h;
        if (rect.right > rect.left)
            add(rect, context);
    }
}

void TEHighlight(TEHandle h, bool show)
{
    TERec *r = *h;
    if (!(r->active & teActiveBit) || (r->caretState != 0) == show)
        return;
    TEFocus focus(h, true);
    struct Context {
        TEHandle h;
    } context{h};
    TESelectionRects(h, (**h).selStart, (**h).selEnd,
                     [](const Rect &rect, void *c) {
                         TEHandle hh = static_cast<Context *>(c)->h;
                         (**hh).selRect = rect;
                         InvertShape(hh, rect);
                     },
                     &context);
    (**h).caretState = show ? 0xFF : 0;
}

// ---- Exports ----

ZEL_EXTERN_C void ZEL_CALL TECalText(TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r))
        return;
    TELayout(hTE);
}

ZEL_EXTERN_C int16_t ZEL_CALL TEGetOffset(Point pt, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r)
        return 0;
    TEFocus focus(hTE, false);
    return static_cast<int16_t>(TEPointToOffset(hTE, pt));
}

// The point of a character: the baseline of its line and its left edge. Offsets are clamped to the
// characters that exist; with no text, the first line's start.
ZEL_EXTERN_C Point ZEL_CALL TEGetPoint(int16_t offset, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r)
        return Point{0, 0};
    if (r->teLength <= 0 || r->nLines <= 0)
        return Point{static_cast<int16_t>(r->destRect.top + r->fontAscent), r->destRect.left};
    TEFocus focus(hTE, false);
    r = *hTE;
    return TEOffsetToPoint(hTE, std::clamp<int32_t>(offset, 0, r->teLength - 1));
}

ZEL_EXTERN_C int32_t ZEL_CALL TEGetHeight(int32_t endLine, int32_t startLine, TEHandle hTE)
{
    const TERec *r = TERecord(hTE);
    if (!r)
        return 0;
    if (TEIsBound(r))
        return r->lineHeight;
    const int32_t n = std::max<int32_t>(r->nLines, 1);
    startLine = std::clamp<int32_t>(startLine, 1, n);
    endLine = std::clamp<int32_t>(endLine, 1, n);
    if (startLine > endLine)
        std::swap(startLine, endLine);
    int32_t height = 0;
    for (int32_t line = startLine - 1; line < endLine; ++line)
        height += TELineHeightOf(r, line);
    return height;
}

ZEL_EXTERN_C void ZEL_CALL TEUpdate(const Rect *rUpdate, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r) || !rUpdate)
        return;
    Rect area;
    if (!SectRect(rUpdate, &r->viewRect, &area))
        return;
    const Rect view = r->viewRect;
    r->viewRect = area;
    {
        TEFocus focus(hTE, true);
        const bool shown = (**hTE).caretState != 0;
        const bool erase = EraseSetting();
        if (erase)
            TEHighlight(hTE, false);
        TEDrawLines(hTE);
        if (erase && shown)
            TEHighlight(hTE, true);
    }
    (**hTE).viewRect = view;
}

// Text drawn in a box without keeping a record: one line, cut to fit, when the box holds no more than
// one and a half lines; otherwise wrapped as a record would.
ZEL_EXTERN_C void ZEL_CALL TETextBox(const void *text, int32_t length, const Rect *box, int16_t just)
{
    if (!text || length <= 0 || !box || box->right <= box->left)
        return;
    FontInfo info;
    GetFontInfo(&info);
    const int32_t lineHeight = info.ascent + info.descent + info.leading;
    const int32_t width = box->right - box->left;
    if ((box->bottom - box->top) * 2 > lineHeight * 3) {
        TEHandle h = TENew(box, box);
        if (!h)
            return;
        TESetAlignment(just, h);
        TEReplaceSelection(h, text, length, nullptr, true);
        TEDispose(h);
        return;
    }
    const char *t = static_cast<const char *>(text);
    int32_t n = std::min<int32_t>(length, kTEMaxText);
    if (const void *cr = std::memchr(t, '\r', n))
        n = static_cast<int32_t>(static_cast<const char *>(cr) - t);
    // The longest start of the line that fits.
    int32_t lo = 0, hi = n;
    while (lo < hi) {
        const int32_t mid = (lo + hi + 1) / 2;
        if (TextWidth(t, 0, static_cast<int16_t>(mid)) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    n = lo;
    if (LibrarySetting(settingTextBoxSwitch))
        EraseRect(box);
    if (n == 0)
        return;
    int32_t indent = 0;
    const bool left = just == teForceLeft || (just == teJustLeft && !SessionRightToLeft());
    if (!left) {
        indent = width - TextWidth(t, 0, static_cast<int16_t>(n));
        if (just == teJustCenter)
            indent /= 2;
    }
    MoveT(static_cast<int16_t>(box->left + indent), static_cast<int16_t>(box->top + info.ascent + info.leading));
    DrawTex(t, 0, static_cast<int16_t>(n));
}

ZEL_EXTERN_C void ZEL_CALL TEScroll(int16_t dh, int16_t dv, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r)
        return;
    if (TEIsBound(r)) {
        TEBoundScroll(hTE, dh, dv);
        return;
    }
    int32_t v = dv, hz = dh;
    if (v > 0 && r->destRect.top + v > r->viewRect.top)
        v = std::max<int32_t>(0, r->viewRect.top - r->destRect.top);
    if (hz > 0 && r->destRect.left + hz > r->viewRect.left)
        hz = std::max<int32_t>(0, r->viewRect.left - r->destRect.left);
    if (r->destRect.right + hz < r->viewRect.right)
        hz = 0;
    if (!v && !hz)
        return;
    TEFocus focus(hTE, true);
    TEHighlight(hTE, false);
    RgnHandle exposed = NewRgn();
    r = *hTE;
    const Rect view = r->viewRect;
    ScrollRect(&view, static_cast<int16_t>(hz), static_cast<int16_t>(v), exposed);
    OffsetRec(&(**hTE).destRect, static_cast<int16_t>(hz), static_cast<int16_t>(v));
    RgnHandle clip = NewRgn();
    GetClip(clip);
    RgnHandle drawn = NewRgn();
    SectRgn(clip, exposed, drawn);
    SetClip(drawn);
    TEDrawLines(hTE);
    SetClip(clip);
    DisposeRgn(drawn);
    DisposeRgn(clip);
    DisposeRgn(exposed);
    r = *hTE;
    if (r->selStart != r->selEnd)
        TEHighlight(hTE, true);
}

ZEL_EXTERN_C void ZEL_CALL TEPinScroll(int16_t dh, int16_t dv, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r))
        return;
    int32_t v = dv;
    if (v < 0) {
        const int32_t bottom = r->destRect.top + TETextHeight(r);
        if (bottom + v < r->viewRect.bottom)
            v = std::min<int32_t>(r->viewRect.bottom - bottom, 0);
    }
    if (dh || v)
        TEScroll(dh, static_cast<int16_t>(v), hTE);
}

void TESelViewNative(TEHandle h)
{
    TERec *r = *h;
    if (!(r->active & teAutoScrollBit))
        return;
    const Rect view = r->viewRect;
    const int32_t line = TELineOf(r, r->selStart);
    const int32_t height = TELineHeightOf(r, line);
    if (height > view.bottom - view.top)
        return;
    TEFocus focus(h, false);
    const Point pt = TEOffsetToPoint(h, (**h).selStart);
    r = *h;
    const int32_t top = TELineTop(r, line);
    const int32_t bottom = top + height;
    const bool inside = pt.h >= view.left && pt.h < view.right && top >= view.top && bottom <= view.bottom;
    if (inside)
        return;
    int32_t dh = 0, dv = 0;
    if (pt.h < view.left)
        dh = view.left - pt.h;
    else if (pt.h >= view.right)
        dh = view.right - pt.h;
    if (top < view.top)
        dv = view.top - top;
    else if (bottom > view.bottom)
        dv = std::max<int32_t>(view.bottom - bottom, view.top - top);
    if (dh || dv)
        TEScroll(static_cast<int16_t>(dh), static_cast<int16_t>(dv), h);
}

ZEL_EXTERN_C void ZEL_CALL TESelView(TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (r && !TEIsBound(r))
        TESelViewNative(hTE);
}

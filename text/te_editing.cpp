// TextEdit: keys, clicks, the selection, insertion, deletion, and cut, copy and paste.
#include "textedit.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../windows/windows_services.h"
#include "Events.h"
#include "LowMem.h"
#include "MacMemory.h"
#include "MacWindows.h"
#include "Scrap.h"

#include <algorithm>
#include <cstring>

namespace {

// The record of the click in progress, for the default click loop.
TEHandle sClickRecord;

// The edit frame's middle: the selection gives way to the text, the lines are laid out again from the
// edit and, with `redraw`, the lines that changed are drawn. The caller has entered the focus; the
// highlight is hidden here and left hidden. Answers false when the text could not change.
bool EditText(TEHandle h, const void *text, int32_t length, Handle styleScrap, bool redraw)
{
    TESavedLines saved;
    TESaveLines(h, &saved);
    TEHighlight(h, false);
    TETextEdit edit;
    if (!TEReplaceText(h, text, length, &edit))
        return false;
    TEStyledReplace(h, edit, styleScrap);
    TEAdjustSavedLines(&saved, edit);
    TELayout(h, &saved, &edit);
    if (redraw)
        TEDrawLines(h, &saved, &edit);
    TERec *r = *h;
    r->caretState = 0;
    r->caretTime = 0;
    return true;
}

// Moves the caret (or selection) of a record in the focus: hidden, set, scrolled into view, shown.
void Select(TEHandle h, int32_t start, int32_t end)
{
    TEHighlight(h, false);
    TERec *r = *h;
    r->selStart = static_cast<int16_t>(start);
    r->selEnd = static_cast<int16_t>(end);
    TESelViewNative(h);
    TEHighlight(h, true);
}

// Deletes start..end and leaves the caret there.
void DeleteRange(TEHandle h, int32_t start, int32_t end)
{
    TEHighlight(h, false);
    TERec *r = *h;
    r->selStart = static_cast<int16_t>(start);
    r->selEnd = static_cast<int16_t>(end);
    EditText(h, "", 0, nullptr, true);
    TESelViewNative(h);
    TEHighlight(h, true);
}

// The class of a character for a double click's word: the record's word-break answer, or the line-break
// rule without one.
bool CharClass(TEHandle h, int32_t offset)
{
    const TERec *r = *h;
    WordBreakProcPtr wb = r->wordBreak ? r->wordBreak : SimpleLineBreak;
    return wb(*r->hText, static_cast<int16_t>(offset)) != 0;
}

struct RegionBuilder {
    static void Add(const Rect &rect, void *) { FrameRec(&rect); }
};

RgnHandle HighlightRegion(TEHandle h, int32_t start, int32_t end)
{
    RgnHandle rgn = NewRgn();
    OpenRgn();
    TESelectionRects(h, start, end, RegionBuilder::Add, nullptr);
    CloseRgn(rgn);
    return rgn;
}

// A drag's selection from the anchor to the offset; a double click's covers whole words. Only the
// difference between the old and the new highlight is inverted.
void ExtendSelection(TEHandle h, int32_t anchor, int32_t offset, bool words)
{
    TERec *r = *h;
    int32_t a = std::min(anchor, offset), b = std::max(anchor, offset);
    const int32_t length = r->teLength;
    if (words && length > 0) {
        const bool classA = CharClass(h, a < length ? a : a - 1);
        while (a > 0 && CharClass(h, a - 1) == classA)
            --a;
        if (b < length) {
            const bool classB = CharClass(h, b);
            while (b < length && CharClass(h, b) == classB)
                ++b;
        }
    }
    r = *h;
    if (a == r->selStart && b == r->selEnd)
        return;
    const bool shown = r->caretState != 0;
    if (!shown || r->selStart == r->selEnd || a == b || TEHighlightHookFor(r)) {
        TEHighlight(h, false);
        r = *h;
        r->selStart = static_cast<int16_t>(a);
        r->selEnd = static_cast<int16_t>(b);
        TEHighlight(h, true);
        return;
    }
    RgnHandle before = HighlightRegion(h, r->selStart, r->selEnd);
    RgnHandle after = HighlightRegion(h, a, b);
    XorRg(before, after, after);
    InvertRg(after);
    DisposeRgn(before);
    DisposeRgn(after);
    r = *h;
    r->selStart = static_cast<int16_t>(a);
    r->selEnd = static_cast<int16_t>(b);
}

Handle &ScrapHandleCell() { return LowMem<Handle>(lmTEScrpHandle); }

} // namespace

// The replace step of TESetText, TEPaste, TETextBox and the styled paste: the inserted text ends selected
// and, when redrawing, highlighted.
void TEReplaceSelection(TEHandle h, const void *text, int32_t length, Handle styleScrap, bool redraw)
{
    TEFocus focus(h, true);
    if (!EditText(h, text, length, styleScrap, redraw))
        return;
    if (redraw)
        TEHighlight(h, true);
}

// The default click loop: while a drag leaves the view of a record that scrolls automatically, the text
// scrolls a line at a time towards the mouse.
ZEL_EXTERN_C Boolean ZEL_CALL SimpleClikProc(void)
{
    TEHandle h = sClickRecord;
    TERec *r = TERecord(h);
    if (!r || !(r->active & teAutoScrollBit))
        return true;
    const int16_t step = static_cast<int16_t>(r->nLines > 0 ? TELineHeightOf(r, 0) : r->lineHeight);
    Point m;
    GetMouse(&m);
    r = *h;
    int16_t dh = 0, dv = 0;
    if (m.h < r->viewRect.left)
        dh = step;
    else if (m.h > r->viewRect.right)
        dh = static_cast<int16_t>(-step);
    if (m.v < r->viewRect.top)
        dv = step;
    else if (m.v > r->viewRect.bottom)
        dv = static_cast<int16_t>(-step);
    if (dh || dv)
        TEPinScroll(dh, dv, h);
    return true;
}

ZEL_EXTERN_C void ZEL_CALL TESetSelect(int32_t selStart, int32_t selEnd, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r)
        return;
    if (TEIsBound(r)) {
        TEBoundSetSelect(hTE, selStart, selEnd);
        return;
    }
    TERepairLength(r);
    const int32_t length = r->teLength;
    int32_t end = std::min<int32_t>(selEnd, length);
    const int32_t start = std::clamp<int32_t>(selStart, 0, length);
    end = std::clamp<int32_t>(end, start, length);
    if (!(r->active & teActiveBit)) {
        r->selStart = static_cast<int16_t>(start);
        r->selEnd = static_cast<int16_t>(end);
        return;
    }
    TEFocus focus(hTE, true);
    Select(hTE, start, end);
}

ZEL_EXTERN_C void ZEL_CALL TEActivate(TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r) || (r->active & teActiveBit))
        return;
    if (r->teLength > 0 && r->selStart != r->selEnd)
        TEClearNullStyle(hTE);
    (*hTE)->active |= teActiveBit;
    TEHighlight(hTE, true);
    // The keyboard goes to the window of the current port: the one its record names (a Macintosh
    // window's, or the host's main window for the Window Manager port), else the Macintosh window
    // behind its DC.
    if (const PortDCRecord *record = CurrentPortRecord(); record && record->hwnd && IsWindow(record->hwnd)) {
        SetFocus(record->hwnd);
        return;
    }
    WindowPtr window = nullptr;
    HDC dc = CurrentDC();
    if (HWND hwnd = dc ? WindowFromDC(dc) : nullptr;
        hwnd && HwndToWindowPtr(hwnd, &window, nullptr) && reinterpret_cast<GrafPtr>(window) == CurrentPort())
        SetFocus(ZEL_GethWnd(window));
}

ZEL_EXTERN_C void ZEL_CALL TEDeactivate(TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r) || !(r->active & teActiveBit))
        return;
    TEHighlight(hTE, false);
    (*hTE)->active &= ~teActiveBit;
}

ZEL_EXTERN_C void ZEL_CALL TEIdle(TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r) || !(r->active & teActiveBit))
        return;
    const uint32_t now = TickCount();
    if (static_cast<uint32_t>(r->caretTime) + GetCaretTime() >= now)
        return;
    r->caretTime = static_cast<int32_t>(now);
    if (r->selStart == r->selEnd)
        TEHighlight(hTE, r->caretState == 0);
}

ZEL_EXTERN_C void ZEL_CALL TEKey(int16_t key, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r)
        return;
    if (TEIsBound(r)) {
        TEBoundKey(hTE, key);
        return;
    }
    const uint8_t c = static_cast<uint8_t>(key & 0xFF);
    if (!TEHasData(r->hText) || c == 0)
        return;
    ObscureCursor();
    TEFocus focus(hTE, true);
    r = *hTE;
    TERepairLength(r);
    const int32_t start = r->selStart, end = r->selEnd, length = r->teLength;
    switch (c) {
    case 0x1C:
        TEClearNullStyle(hTE);
        Select(hTE, std::max<int32_t>(start - 1, 0), std::max<int32_t>(start - 1, 0));
        return;
    case 0x1D: {
        TEClearNullStyle(hTE);
        const int32_t to = end < length ? end + 1 : end;
        Select(hTE, to, to);
        return;
    }
    case 0x1E:
    case 0x1F: {
        TEClearNullStyle(hTE);
        const int32_t from = c == 0x1E ? start : end;
        const Point pt = TEOffsetToPoint(hTE, from);
        r = *hTE;
        const int32_t line = TELineOf(r, from);
        const int32_t top = TELineTop(r, line);
        Point probe;
        probe.h = pt.h;
        probe.v = static_cast<int16_t>(c == 0x1E ? top - 2 : top + TELineHeightOf(r, line) + 2);
        const int32_t to = TEPointToOffset(hTE, probe);
        Select(hTE, to, to);
        return;
    }
    case 0x08:
        if (start != end)
            DeleteRange(hTE, start, end);
        else if (start > 0)
            DeleteRange(hTE, start - 1, start);
        return;
    case 0x7F:
        if (start != end)
            DeleteRange(hTE, start, end);
        else if (start < length)
            DeleteRange(hTE, start, start + 1);
        return;
    default: {
        const char ch = static_cast<char>(c);
        EditText(hTE, &ch, 1, nullptr, true);
        r = *hTE;
        r->selStart = r->selEnd;
        TESelViewNative(hTE);
        TEHighlight(hTE, true);
        return;
    }
    }
}

ZEL_EXTERN_C void ZEL_CALL TEDelete(TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r)
        return;
    if (TEIsBound(r)) {
        TEBoundDelete(hTE);
        return;
    }
    TERepairLength(r);
    if (r->selStart == r->selEnd)
        return;
    TEFocus focus(hTE, true);
    DeleteRange(hTE, (**hTE).selStart, (**hTE).selEnd);
}

// Inserts before the selection, which goes on covering the same characters. Past 32000 characters the
// rest is dropped; a negative length or a nil text inserts nothing.
void TEInsertStyled(TEHandle hTE, const void *text, int32_t length, Handle styleScrap)
{
    TERec *r = *hTE;
    TERepairLength(r);
    const int32_t start = r->selStart, end = r->selEnd;
    TEFocus focus(hTE, true);
    TEHighlight(hTE, false);
    r = *hTE;
    r->selEnd = r->selStart;
    if (!EditText(hTE, text, length, styleScrap, true)) {
        (**hTE).selEnd = static_cast<int16_t>(end);
        TEHighlight(hTE, true);
        return;
    }
    r = *hTE;
    const int32_t inserted = r->selEnd - r->selStart;
    r->selStart = static_cast<int16_t>(start + inserted);
    r->selEnd = static_cast<int16_t>(end + inserted);
    TEHighlight(hTE, true);
}

ZEL_EXTERN_C void ZEL_CALL TEInsert(const void *text, int32_t length, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || !text || length <= 0)
        return;
    if (TEIsBound(r)) {
        TEBoundInsert(hTE, text, length);
        return;
    }
    TEInsertStyled(hTE, text, length, nullptr);
}

ZEL_EXTERN_C void ZEL_CALL TECopy(TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    Handle scrap = ScrapHandleCell();
    if (!r || !TEHasData(r->hText) || !TEHasData(scrap))
        return;
    ZeroScrap();
    r = *hTE;
    TERepairLength(r);
    const int32_t start = r->selStart, length = r->selEnd - r->selStart;
    if (SetHandleSize(scrap, length)) {
        LowMem<int16_t>(lmTEScrpLength) = static_cast<int16_t>(length);
        r = *hTE;
        if (length > 0)
            std::memcpy(*scrap, *r->hText + start, static_cast<size_t>(length));
        const SignedByte state = HGetState(scrap);
        HLock(scrap);
        PutScrap(length, kTETextType, length > 0 ? *scrap : "");
        HSetState(scrap, state);
    }
    LowMem<int16_t>(lmTEScrpHasStyle) = 0;
    Handle &style = LowMem<Handle>(lmTEScrpStyleHandle);
    if (style)
        DisposeHandle(style);
    style = nullptr;
    if (TEHasRuns(*hTE)) {
        style = reinterpret_cast<Handle>(TEGetStyleScrapHandle(hTE));
        LowMem<int16_t>(lmTEScrpHasStyle) = style ? 1 : 0;
    }
}

ZEL_EXTERN_C void ZEL_CALL TECut(TEHandle hTE)
{
    TECopy(hTE);
    TEDelete(hTE);
}

void TEPasteStyled(TEHandle h, Handle styleScrap)
{
    Handle scrap = ScrapHandleCell();
    if (!scrap)
        return;
    int32_t offset = 0;
    GetScrap(scrap, kTETextType, &offset);
    // The length is the handle's: the i16 global wraps for a clipboard text of more than 32,767 bytes.
    const int32_t length = GetHandleSize(scrap);
    LowMem<int16_t>(lmTEScrpLength) = static_cast<int16_t>(length);
    TERec *r = *h;
    if (TEIsBound(r)) {
        TEBoundReplace(h, length > 0 ? *scrap : "", length);
        return;
    }
    const SignedByte state = HGetState(scrap);
    HLock(scrap);
    TEReplaceSelection(h, length > 0 ? *scrap : "", length, styleScrap, true);
    HSetState(scrap, state);
    r = *h;
    TESetSelect(r->selEnd, r->selEnd, h);
}

ZEL_EXTERN_C void ZEL_CALL TEPaste(TEHandle hTE)
{
    if (TERecord(hTE))
        TEPasteStyled(hTE, nullptr);
}

ZEL_EXTERN_C void ZEL_CALL TEClick(Point pt, Boolean extend, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r))
        return;
    TEHandle previousClick = sClickRecord;
    sClickRecord = hTE;
    {
        TEFocus focus(hTE, true);
        if (!((**hTE).active & teActiveBit))
            TEActivate(hTE);
        r = *hTE;
        TERepairLength(r);
        TEClickLoopProcPtr loop = r->clikLoop ? r->clikLoop : SimpleClikProc;
        int32_t offset = TEPointToOffset(hTE, pt);
        r = *hTE;
        const uint32_t now = TickCount();
        const bool words = offset == r->clickLoc && r->clickTime != 0 &&
                           now - static_cast<uint32_t>(r->clickTime) < GetDblTime();
        if (words) {
            r->clickTime = 0;
        } else {
            r->clickTime = static_cast<int32_t>(now);
            r->clickLoc = static_cast<int16_t>(offset);
        }
        int32_t anchor = offset;
        if (extend)
            anchor = offset > r->selStart ? r->selStart : r->selEnd;
        ZEL_SetCapture(1);
        int32_t current = -1;
        Point last = pt;
        for (;;) {
            if (offset != current) {
                ExtendSelection(hTE, anchor, offset, words);
                current = offset;
            }
            Point m;
            GetMouse(&m);
            if (m.h != last.h || m.v != last.v) {
                last = m;
                offset = TEPointToOffset(hTE, m);
            }
            if (!StillDown() || !loop())
                break;
        }
        ZEL_SetCapture(0);
    }
    if ((**hTE).teLength > 0)
        TEClearNullStyle(hTE);
    sClickRecord = previousClick;
}

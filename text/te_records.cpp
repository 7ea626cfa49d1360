// TextEdit: records and their life cycle, the small setters, the global hooks, the three-dimensional
// look and the private scrap.
#include "textedit.h"
#include "../core/core_services.h"
#include "../devices/devices_services.h"
#include "../quickdraw/qd_services.h"
#include "LowMem.h"
#include "MacMemory.h"
#include "OSUtils.h"
#include "Resources.h"
#include "Scrap.h"

#include <algorithm>
#include <cstring>

namespace {

Handle sWordBreakBitmap;
// The custom hooks: global, each record switching them on with its 0x0008.
ZEL_TEDrawHookProcPtr sDrawHook;
ZEL_TEMeasureHookProcPtr sMeasureHook;
ZEL_TEHighlightHookProcPtr sHighlightHook;
// The record whose text is being measured or drawn.
TEHandle sMeasuring;

bool PasswordModeNow()
{
    const TERec *r = TERecord(sMeasuring);
    return r && (static_cast<uint16_t>(r->clikStuff) & tePasswordBit);
}

Handle &ScrapHandleCell() { return LowMem<Handle>(lmTEScrpHandle); }
int16_t &ScrapLengthCell() { return LowMem<int16_t>(lmTEScrpLength); }

FARPROC AsProc(TEClickLoopProcPtr p) { return reinterpret_cast<FARPROC>(p); }

// A click loop the record made an instance of (anything but the built-in one) is given back.
void ReleaseClickLoop(TERec *r)
{
    if (r->clikLoop && r->clikLoop != SimpleClikProc)
        FreeHostProcInstance(AsProc(r->clikLoop));
    r->clikLoop = nullptr;
}

template <typename Hook> void ReplaceHook(Hook &cell, Hook hook)
{
    if (cell)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(cell));
    cell = hook ? reinterpret_cast<Hook>(MakeHostProcInstance(reinterpret_cast<FARPROC>(hook))) : nullptr;
}

} // namespace

TEMeasuring::TEMeasuring(TEHandle h) : previous_(sMeasuring) { sMeasuring = h; }
TEMeasuring::~TEMeasuring() { sMeasuring = previous_; }

Handle TEWordBreakBitmap() { return sWordBreakBitmap; }

ZEL_TEDrawHookProcPtr TEDrawHookFor(const TERec *r)
{
    return (static_cast<uint16_t>(r->clikStuff) & teHooksBit) ? sDrawHook : nullptr;
}
ZEL_TEMeasureHookProcPtr TEMeasureHookFor(const TERec *r)
{
    return (static_cast<uint16_t>(r->clikStuff) & teHooksBit) ? sMeasureHook : nullptr;
}
ZEL_TEHighlightHookProcPtr TEHighlightHookFor(const TERec *r)
{
    return (static_cast<uint16_t>(r->clikStuff) & teHooksBit) ? sHighlightHook : nullptr;
}

// ---- Records ----

ZEL_EXTERN_C void ZEL_CALL TEInit(void)
{
    Handle &scrap = ScrapHandleCell();
    if (scrap)
        DisposeHandle(scrap);
    // A zero-length handle that is live: TECopy and TEFromScrap fill it.
    scrap = NewHandle(0);
    ScrapLengthCell() = 0;
    LowMem<Handle>(lmTEScrpStyleHandle) = nullptr;
    sWordBreakBitmap = GetResource(0x5742524B /* 'WBRK' */, 0);
    SetPasswordModeQuery(PasswordModeNow);
}

TEHandle NewTERecord(const Rect *destRect, const Rect *viewRect, HWND window)
{
    TEHandle h = reinterpret_cast<TEHandle>(NewHandleClear(sizeof(TERec)));
    if (!h)
        return nullptr;
    Handle text = NewHandle(0);
    if (!text) {
        DisposeHandle(reinterpret_cast<Handle>(h));
        return nullptr;
    }
    TERec *r = *h;
    if (destRect)
        r->destRect = *destRect;
    if (viewRect)
        r->viewRect = *viewRect;
    GrafPtr port = CurrentPort();
    if (port) {
        r->txFont = port->txFont;
        r->txFace = port->txFace;
        r->txMode = port->txMode;
        r->txSize = port->txSize;
    }
    r->caretHook = nullptr;
    FontInfo info{};
    if (port)
        GetFontInfo(&info);
    r = *h;
    r->fontAscent = static_cast<int16_t>(info.ascent + info.leading);
    r->lineHeight = static_cast<int16_t>(info.ascent + info.descent + info.leading + 1);
    r->just = teJustLeft;
    r->selStart = r->selEnd = 0;
    r->hText = text;
    r->teLength = 0;
    r->clikLoop = SimpleClikProc;
    r->wordBreak = SimpleWordBreak;
    r->caretTime = 0;
    r->caretState = 0;
    r->active = 0;
    r->inPort = port;
    r->clikStuff = 0;
    r->hDispText = reinterpret_cast<Handle>(window);
    r->nLines = 0;
    r->lineStarts[0] = 0;
    return h;
}

ZEL_EXTERN_C TEHandle ZEL_CALL TENew(const Rect *destRect, const Rect *viewRect)
{
    return NewTERecord(destRect, viewRect, nullptr);
}

void DisposeTERecord(TEHandle h)
{
    TERec *r = TERecord(h);
    if (!r)
        return;
    TEDisposeStyles(h);
    r = *h;
    ReleaseClickLoop(r);
    if (r->hText)
        DisposeHandle(r->hText);
    r->hText = nullptr;
    if (sMeasuring == h)
        sMeasuring = nullptr;
    DisposeHandle(reinterpret_cast<Handle>(h));
}

ZEL_EXTERN_C void ZEL_CALL TEDispose(TEHandle hTE) { DisposeTERecord(hTE); }

ZEL_EXTERN_C Handle ZEL_CALL TEGetText(TEHandle hTE)
{
    const TERec *r = TERecord(hTE);
    return r ? r->hText : nullptr;
}

// ---- The text half of replacing the selection ----

void TERepairLength(TERec *r)
{
    const int32_t held = r->hText ? std::min<int32_t>(GetHandleSize(r->hText), kTEMaxText) : 0;
    if (r->teLength < 0 || r->teLength > held)
        r->teLength = static_cast<int16_t>(held);
    if (r->selStart < 0 || r->selStart > r->teLength)
        r->selStart = r->teLength;
    if (r->selEnd < 0 || r->selEnd > r->teLength)
        r->selEnd = r->teLength;
    if (r->selEnd < r->selStart)
        r->selEnd = r->selStart;
}

bool TEReplaceText(TEHandle h, const void *text, int32_t length, TETextEdit *edit)
{
    TERec *r = TERecord(h);
    if (!r || !r->hText)
        return false;
    if (length < 0 || !text)
        length = 0;
    TERepairLength(r);
    const int32_t oldLength = r->teLength;
    const int32_t start = r->selStart, end = r->selEnd;
    int32_t delta = length - (end - start);
    if (oldLength + delta > kTEMaxText) {
        length -= oldLength + delta - kTEMaxText;
        delta = kTEMaxText - oldLength;
    }
    const int32_t newLength = oldLength + delta;
    Handle text_h = r->hText;
    // Bytes past teLength (a handle the host made larger) are not text: the handle ends at the new length.
    if (newLength > GetHandleSize(text_h) || delta > 0) {
        if (!SetHandleSize(text_h, newLength))
            return false;
    }
    r = *h;
    char *p = *text_h;
    if (oldLength - end > 0)
        std::memmove(p + start + length, p + end, static_cast<size_t>(oldLength - end));
    if (length > 0)
        std::memcpy(p + start, text, static_cast<size_t>(length));
    if (GetHandleSize(text_h) != newLength)
        SetHandleSize(text_h, newLength);
    r = *h;
    r->teLength = static_cast<int16_t>(newLength);
    r->selStart = static_cast<int16_t>(start);
    r->selEnd = static_cast<int16_t>(start + length);
    if (edit)
        *edit = TETextEdit{start, end, length, delta};
    return true;
}

ZEL_EXTERN_C void ZEL_CALL TESetText(const void *text, int32_t length, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || (!text && length > 0))
        return;
    if (length < 0)
        length = 0;
    if (TEIsBound(r)) {
        // The control's whole text is replaced, then the caret goes to its end.
        HWND w = TEBoundWindow(r);
        if (!IsWindow(w))
            return;
        SendMessageA(w, EM_SETSEL, 0, GetWindowTextLengthA(w));
        TEBoundReplace(hTE, length ? text : "", length);
        r = *hTE;
        TEBoundSetSelect(hTE, r->teLength, r->teLength);
        return;
    }
    TERepairLength(r);
    r->selStart = 0;
    r->selEnd = r->teLength;
    TEReplaceSelection(hTE, text, length, nullptr, false);
    r = *hTE;
    r->selStart = r->selEnd = r->teLength;
}

// ---- Setters ----

ZEL_EXTERN_C void ZEL_CALL TESetAlignment(int16_t just, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r))
        return;
    if (just == teJustLeft || just == teJustCenter || just == teJustRight || just == teForceLeft)
        r->just = just;
}

ZEL_EXTERN_C void ZEL_CALL TESetWordBreak(WordBreakProcPtr wBrkProc, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (r && !TEIsBound(r))
        r->wordBreak = wBrkProc;
}

ZEL_EXTERN_C void ZEL_CALL TESetClickLoop(TEClickLoopProcPtr clikProc, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r))
        return;
    ReleaseClickLoop(r);
    TEClickLoopProcPtr made =
        clikProc ? reinterpret_cast<TEClickLoopProcPtr>(MakeHostProcInstance(AsProc(clikProc))) : nullptr;
    (*hTE)->clikLoop = made;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_MakePIClickLoop(TEClickLoopProcPtr *cell)
{
    if (cell && *cell)
        *cell = reinterpret_cast<TEClickLoopProcPtr>(MakeHostProcInstance(AsProc(*cell)));
}

ZEL_EXTERN_C void ZEL_CALL TEAutoView(Boolean fAuto, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r))
        return;
    if (fAuto)
        r->active |= teAutoScrollBit;
    else
        r->active &= ~teAutoScrollBit;
}

ZEL_EXTERN_C int16_t ZEL_CALL TEFeatureFlag(int16_t feature, int16_t action, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r)
        return 0;
    if (feature != teFAutoScroll) {
        if (action == teBitSet)
            DebugStrC(" TEFeatureFlag: teBitSet");
        return 0;
    }
    const int16_t old = (r->active & teAutoScrollBit) ? 1 : 0;
    switch (action) {
    case teBitTest:
        return old;
    case teBitSet:
        r->active |= teAutoScrollBit;
        return old;
    case teBitClear:
        r->active &= ~teAutoScrollBit;
        return old;
    default:
        return 0;
    }
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_TECustomHooks(TEHandle hTE, ZEL_TEDrawHookProcPtr draw,
                                                ZEL_TEMeasureHookProcPtr measure, ZEL_TEHighlightHookProcPtr highlight)
{
    TERec *r = TERecord(hTE);
    if (!r)
        return 0;
    r->clikStuff = static_cast<int16_t>(r->clikStuff & ~teHooksBit);
    ReplaceHook(sDrawHook, draw);
    ReplaceHook(sMeasureHook, measure);
    ReplaceHook(sHighlightHook, highlight);
    r = *hTE;
    if (draw || measure || highlight)
        r->clikStuff = static_cast<int16_t>(r->clikStuff | teHooksBit);
    return r->clikStuff;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetTE3D(TEHandle hTE, Boolean on)
{
    if (TERec *r = TERecord(hTE))
        r->caretHook = reinterpret_cast<CaretHookProcPtr>(static_cast<uintptr_t>(on ? 1 : 0));
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_GetTE3D(TEHandle hTE)
{
    const TERec *r = TERecord(hTE);
    if (!r)
        return false;
    HDC printer = PrintingDC(nullptr);
    if (printer && printer == CurrentDC())
        return false;
    return r->caretHook != nullptr;
}

// ---- The private scrap ----

ZEL_EXTERN_C Handle ZEL_CALL TEScrapHandle(void) { return ScrapHandleCell(); }

ZEL_EXTERN_C int32_t ZEL_CALL TEGetScrapLength(void)
{
    Handle h = ScrapHandleCell();
    const int32_t size = h ? GetHandleSize(h) : 0;
    ScrapLengthCell() = static_cast<int16_t>(size);
    return size;
}

ZEL_EXTERN_C void ZEL_CALL TESetScrapLength(int32_t length)
{
    Handle h = ScrapHandleCell();
    if (h && SetHandleSize(h, length))
        ScrapLengthCell() = static_cast<int16_t>(length);
}

// The clipboard's "TEXT" into the private scrap. A failed get (the clipboard held elsewhere, no text on
// it) answers its error and leaves the private scrap as it was.
ZEL_EXTERN_C OSErr ZEL_CALL TEFromScrap(void)
{
    Handle h = ScrapHandleCell();
    if (!TEHasData(h))
        return 0;
    int32_t offset = 0;
    const int32_t got = GetScrap(h, kTETextType, &offset);
    if (got < 0)
        return static_cast<OSErr>(got);
    ScrapLengthCell() = static_cast<int16_t>(GetHandleSize(h));
    return 0;
}

// The private scrap onto the clipboard. Its length is an i16 the host may set freely: never more than the
// handle holds is handed on.
ZEL_EXTERN_C OSErr ZEL_CALL TEToScrap(void)
{
    Handle h = ScrapHandleCell();
    if (!h)
        return 0;
    const int32_t size = GetHandleSize(h);
    int32_t length = ScrapLengthCell();
    if (length < 0 || length > size)
        length = size;
    const SignedByte state = HGetState(h);
    HLock(h);
    const OSErr err = PutScrap(length, kTETextType, length ? *h : nullptr);
    HSetState(h, state);
    return err;
}

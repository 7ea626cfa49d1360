// TextEdit records bound to a Windows edit control: every edit is sent to the control as edit-control
// messages, then the control's text, selection and scroll position are copied back into the record.
#include "textedit.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "MacMemory.h"
#include "Zel.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The current port's record says whether typographic stand-ins are left out.
int16_t ConversionFlags()
{
    const PortDCRecord *record = CurrentPortRecord();
    return record ? static_cast<int16_t>(record->flags & 1) : 0;
}

// Macintosh text as ANSI text with a NUL: the conversion writes up to four bytes per character.
std::vector<char> ToAnsi(const void *text, int32_t length)
{
    length = std::clamp<int32_t>(length, 0, kTEMaxText);
    std::vector<char> ansi(MacToAnsiBufferSize(static_cast<uint32_t>(length)));
    const int32_t n = length ? ZEL_MacToAnsiBuf(static_cast<const uint8_t *>(text),
                                                reinterpret_cast<uint8_t *>(ansi.data()),
                                                static_cast<uint16_t>(length), ConversionFlags())
                             : 0;
    ansi.resize(static_cast<size_t>(n) + 1);
    ansi[n] = 0;
    return ansi;
}

LRESULT Send(HWND w, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessageA(w, message, wParam, lParam); }

void PullSelection(TERec *r, HWND w)
{
    int32_t end = 0;
    const int32_t start = GetEditSelection(w, &end);
    r->selStart = static_cast<int16_t>(std::min<int32_t>(start, r->teLength));
    r->selEnd = static_cast<int16_t>(std::clamp<int32_t>(end, r->selStart, r->teLength));
}

// The control's scroll position as the record's destRect, and its selection again.
void CopyScroll(TEHandle h)
{
    TERec *r = *h;
    HWND w = TEBoundWindow(r);
    int32_t first = static_cast<int32_t>(Send(w, EM_GETFIRSTVISIBLELINE));
    if (SessionPlatform().versionWord == 3)
        first = 1;
    r->destRect.top = static_cast<int16_t>(r->viewRect.top - r->lineHeight * first);
    int32_t bottom = r->destRect.top + r->lineHeight * r->nLines;
    r->destRect.bottom = static_cast<int16_t>(std::max<int32_t>(bottom, r->viewRect.bottom));
    PullSelection(r, w);
}

bool Live(const TERec *r) { return IsWindow(TEBoundWindow(r)) != FALSE; }

} // namespace

// The copy back: the control's selection, then (when it was modified, or with `force`) its text in the
// Macintosh character set, then its scroll position. Answers whether the record's text changed. A
// control that is no longer a window leaves the record as it was.
ZEL_EXTERN_C Boolean ZEL_CALL ZEL_SethTEfromhWnd(TEHandle hTE, Boolean force)
{
    TERec *r = TERecord(hTE);
    if (!r || !TEIsBound(r) || !Live(r))
        return false;
    HWND w = TEBoundWindow(r);
    PullSelection(r, w);
    const bool modified = Send(w, EM_GETMODIFY) != 0;
    bool changed = false;
    if (force || modified) {
        const int32_t n = GetWindowTextLengthA(w);
        changed = modified || n != r->teLength;
        std::vector<char> ansi(static_cast<size_t>(n) + 1);
        const int32_t got = n ? GetWindowTextA(w, ansi.data(), n + 1) : 0;
        // At most the first 32000 characters are the record's.
        const int32_t taken = std::clamp<int32_t>(got, 0, kTEMaxText);
        std::vector<uint8_t> mac(static_cast<size_t>(taken) + taken / 2 + 1);
        const int32_t m = taken ? ZEL_AnsiToMacBuf(reinterpret_cast<const uint8_t *>(ansi.data()), mac.data(),
                                                   static_cast<int16_t>(taken))
                                : 0;
        r = *hTE;
        Handle text = r->hText;
        if (TEHasData(text)) {
            const int32_t old = GetHandleSize(text);
            if (m > 0 && (old != m || std::memcmp(*text, mac.data(), static_cast<size_t>(m)) != 0))
                changed = true;
            if (SetHandleSize(text, m)) {
                if (m > 0)
                    std::memcpy(*text, mac.data(), static_cast<size_t>(m));
                r = *hTE;
                r->teLength = static_cast<int16_t>(m);
            }
        }
        Send(w, EM_SETMODIFY, 0);
    }
    TECalText(hTE);
    CopyScroll(hTE);
    return changed;
}

void RebindTERecord(TEHandle h, HWND window, const Rect &box)
{
    TERec *r = TERecord(h);
    if (!r || !TEIsBound(r) || !window)
        return;
    if (TEBoundWindow(r) != window) {
        r->hDispText = reinterpret_cast<Handle>(window);
        r->destRect = box;
        r->viewRect = box;
    }
    ZEL_SethTEfromhWnd(h, true);
}

void TEBoundSetSelect(TEHandle h, int32_t start, int32_t end)
{
    TERec *r = *h;
    if (!Live(r))
        return;
    // Clamped as for a native record: a value past 32,767 or below 0 would wrap in the message.
    start = std::clamp<int32_t>(start, 0, r->teLength);
    end = std::clamp<int32_t>(std::min<int32_t>(end, r->teLength), start, r->teLength);
    HWND w = TEBoundWindow(r);
    Send(w, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    Send(w, EM_SCROLLCARET);
    ZEL_SethTEfromhWnd(h, true);
}

void TEBoundDelete(TEHandle h)
{
    TERec *r = *h;
    if (!Live(r))
        return;
    Send(TEBoundWindow(r), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
    ZEL_SethTEfromhWnd(h, true);
}

// Inserts before the selection, which goes on covering the same characters (in the control's offsets).
void TEBoundInsert(TEHandle h, const void *text, int32_t length)
{
    TERec *r = *h;
    if (!Live(r))
        return;
    HWND w = TEBoundWindow(r);
    const std::vector<char> ansi = ToAnsi(text, length);
    const int32_t inserted = static_cast<int32_t>(ansi.size()) - 1;
    int32_t end = 0;
    const int32_t start = GetEditSelection(w, &end);
    const bool selection = end > start;
    if (selection)
        Send(w, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start));
    Send(w, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(ansi.data()));
    if (selection)
        Send(w, EM_SETSEL, static_cast<WPARAM>(start + inserted), static_cast<LPARAM>(end + inserted));
    ZEL_SethTEfromhWnd(h, true);
}

// The replace step: the selection gives way to the text, which ends selected.
void TEBoundReplace(TEHandle h, const void *text, int32_t length)
{
    TERec *r = *h;
    if (!Live(r))
        return;
    HWND w = TEBoundWindow(r);
    const std::vector<char> ansi = ToAnsi(text, length);
    const int32_t start = GetEditSelection(w, nullptr);
    Send(w, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(ansi.data()));
    Send(w, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + int32_t(ansi.size()) - 1));
    ZEL_SethTEfromhWnd(h, true);
}

void TEBoundKey(TEHandle h, int16_t key)
{
    TERec *r = *h;
    if (!Live(r))
        return;
    HWND w = TEBoundWindow(r);
    const uint8_t c = static_cast<uint8_t>(key & 0xFF);
    switch (c) {
    case 0:
        return;
    case 0x1C:
    case 0x1D: {
        // Left and right move the caret by the native rule; an arrow is never inserted.
        ZEL_SethTEfromhWnd(h, false);
        r = *h;
        const int32_t to = c == 0x1C ? std::max<int32_t>(r->selStart - 1, 0)
                                     : (r->selEnd < r->teLength ? r->selEnd + 1 : r->selEnd);
        Send(w, EM_SETSEL, static_cast<WPARAM>(to), static_cast<LPARAM>(to));
        Send(w, EM_SCROLLCARET);
        ZEL_SethTEfromhWnd(h, false);
        return;
    }
    case 0x1E:
    case 0x1F: {
        // Up and down go through the control's own line handling.
        const WPARAM vk = c == 0x1E ? VK_UP : VK_DOWN;
        Send(w, WM_KEYDOWN, vk, 1);
        Send(w, WM_KEYUP, vk, 0xC0000001);
        ZEL_SethTEfromhWnd(h, false);
        return;
    }
    case 0x08:
    case 0x7F:
        if (r->selStart == r->selEnd) {
            if (c == 0x08 && r->selStart > 0)
                TEBoundSetSelect(h, r->selStart - 1, r->selEnd);
            else if (c == 0x7F && r->selEnd < r->teLength)
                TEBoundSetSelect(h, r->selStart, r->selEnd + 1);
        }
        r = *h;
        if (r->selStart != r->selEnd)
            TEBoundDelete(h);
        return;
    default: {
        if (r->selStart != r->selEnd)
            TEBoundDelete(h);
        const char ch = static_cast<char>(c);
        TEBoundInsert(h, &ch, 1);
        return;
    }
    }
}

// The control scrolls by whole lines: -(dv / lineHeight), rounded toward zero.
void TEBoundScroll(TEHandle h, int16_t dh, int16_t dv)
{
    TERec *r = *h;
    if (!Live(r) || r->lineHeight <= 0)
        return;
    Send(TEBoundWindow(r), EM_LINESCROLL, static_cast<WPARAM>(dh), static_cast<LPARAM>(-(dv / r->lineHeight)));
    CopyScroll(h);
}

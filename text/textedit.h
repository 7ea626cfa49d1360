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


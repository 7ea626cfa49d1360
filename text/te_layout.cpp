// TextEdit: line layout, hit testing, drawing, the caret and highlight, and scrolling.
#include "textedit.h"
#include "MacMemory.h"

namespace {

// Every letter class of the character table (plain and marked, lower and upper) has 0x20 or 0x40.
bool IsLetter(uint8_t c) { return (MacRomanChar(c).flags & (charLower | charOtherLower)) != 0; }

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

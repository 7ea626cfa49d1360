// International Utilities on the Macintosh Roman character table: string comparison, case conversion,
// numbers to and from strings, and line breaking of styled text.
#include "text_services.h"

#include "Script.h"
#include "TextUtils.h"

namespace {

constexpr int32_t kMeasureChunk = 32767;   // TextWidth counts its bytes in 16 bits

bool IsAsciiLetter(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The white space a line break passes over: blanks, tabs and line feeds.
bool IsBreakSpace(uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

int16_t ClampLength(int16_t length)
{
    return length < 0 ? 0 : length;
}

// The width of `count` characters from `text`, measured a 16-bit count at a time.
int32_t MeasureSpan(const uint8_t *text, int32_t count)
{
    int32_t width = 0;
    while (count > 0) {
        int32_t part = count < kMeasureChunk ? count : kMeasureChunk;
        width += MeasureText(text, static_cast<int16_t>(part));
        text += part;
        count -= part;
    }
    return width;
}

Fixed Remainder(Fixed width, int32_t used)
{
    return width - static_cast<Fixed>(static_cast<uint32_t>(used) << 16);
}

// Powers of ten of NumToString's digits.
constexpr uint32_t kPowersOfTen[10] = {1000000000, 100000000, 10000000, 1000000, 100000, 10000, 1000, 100, 10, 1};

} // namespace

// ---- Comparison ----

ZEL_EXTERN_C int16_t ZEL_CALL IUCompString(ConstStr255Param aStr, ConstStr255Param bStr)
{
    return IUMagString(aStr + 1, bStr + 1, aStr[0], bStr[0]);
}

ZEL_EXTERN_C int16_t ZEL_CALL IUEqualString(ConstStr255Param aStr, ConstStr255Param bStr)
{
    return CompareTextPrimary(aStr + 1, bStr + 1, aStr[0], bStr[0]) != 0 ? 1 : 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL IUMagIDString(const void *aPtr, const void *bPtr, int16_t aLen, int16_t bLen)
{
    aLen = ClampLength(aLen);
    bLen = ClampLength(bLen);
    if (aLen != bLen)
        return 1;
    return CompareTextPrimary(aPtr, bPtr, aLen, bLen) != 0 ? 1 : 0;
}

// Ordinal comparison of the bytes taken as signed: codes 0x80..0xFF sort before 0x00..0x7F. A length of
// 0 or less is an empty string.
ZEL_EXTERN_C int16_t ZEL_CALL IUMagPString(const void *aPtr, const void *bPtr, int16_t aLen, int16_t bLen, Handle)
{
    aLen = ClampLength(aLen);
    bLen = ClampLength(bLen);
    const int8_t *a = static_cast<const int8_t *>(aPtr);
    const int8_t *b = static_cast<const int8_t *>(bPtr);
    for (int i = 0; i < aLen && i < bLen; ++i) {
        if (a[i] < b[i])
            return -1;
        if (a[i] > b[i])
            return 1;
    }
    return aLen < bLen ? -1 : aLen > bLen ? 1 : 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL IUCompPString(ConstStr255Param, ConstStr255Param, Handle)
{
    return 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL IUEqualPString(ConstStr255Param, ConstStr255Param, Handle)
{
    return -1;
}

ZEL_EXTERN_C int16_t ZEL_CALL IUMagIDPString(const void *, const void *, int16_t, int16_t, Handle)
{
    return -1;
}

// ---- Case ----

ZEL_EXTERN_C void ZEL_CALL UppercaseText(Ptr textPtr, int16_t len, ScriptCode)
{
    if (!textPtr)
        return;
    for (int16_t i = 0; i < len; ++i)
        if (textPtr[i] >= 'a' && textPtr[i] <= 'z')
            textPtr[i] = static_cast<char>(textPtr[i] - ('a' - 'A'));
}

ZEL_EXTERN_C void ZEL_CALL LowercaseText(Ptr, int16_t, ScriptCode)
{
}

// ---- Numbers ----

// Every character counts: '+' and '-' set the sign (the last one wins), digits accumulate with 32-bit
// wraparound, anything else is passed over.
ZEL_EXTERN_C int32_t ZEL_CALL StringToNum(ConstStr255Param theString, int32_t *theNum)
{
    uint32_t value = 0;
    bool negative = false;
    for (int i = 1; theString && i <= theString[0]; ++i) {
        uint8_t c = theString[i];
        if (c == '+')
            negative = false;
        else if (c == '-')
            negative = true;
        else if (c >= '0' && c <= '9')
            value = value * 10 + (c - '0');
    }
    int32_t result = static_cast<int32_t>(negative ? 0u - value : value);
    if (theNum)
        *theNum = result;
    return result;
}

ZEL_EXTERN_C void ZEL_CALL NumToString(int32_t theNum, Str255 theString)
{
    if (!theString)
        return;
    int length = 0;
    uint32_t magnitude = static_cast<uint32_t>(theNum);
    if (theNum < 0) {
        theString[++length] = '-';
        magnitude = 0u - magnitude;
    }
    bool leading = true;
    for (uint32_t power : kPowersOfTen) {
        uint32_t digit = magnitude / power;
        magnitude %= power;
        if (digit == 0 && leading && power != 1)
            continue;
        leading = false;
        theString[++length] = static_cast<unsigned char>('0' + digit);
    }
    theString[0] = static_cast<unsigned char>(length);
}

// ---- Line breaks ----

// Finds where a line of styled text that starts at textStart and may run to textEnd breaks within
// *textWidth (its integer part, in port units, measured in the current port's font). The offset is
// counted from textPtr; *textWidth becomes what is left of the width. Answers smBreakWord when the line
// ends after a whole word (or at a return), smBreakChar when one word is wider than the line and is
// broken between characters, smBreakOverflow when the rest of the text fits.
ZEL_EXTERN_C StyledLineBreakCode ZEL_CALL StyledLineBreak(Ptr textPtr, int32_t textLen, int32_t textStart,
                                                          int32_t textEnd, int32_t, Fixed *textWidth,
                                                          int32_t *textOffset)
{
    if (!textPtr || !textWidth || !textOffset)
        return smBreakOverflow;
    const uint8_t *text = reinterpret_cast<const uint8_t *>(textPtr);
    int32_t length = textLen < 0 ? 0 : textLen;
    int32_t end = textEnd < 0 ? 0 : textEnd > length ? length : textEnd;
    int32_t start = textStart < 0 ? 0 : textStart > end ? end : textStart;
    int32_t width = *textWidth >> 16;

    if (start == end) {
        *textOffset = start;
        return smBreakOverflow;
    }

    // A return ends the line when the text before it (less its trailing white space) fits.
    for (int32_t r = start; r < end; ++r) {
        if (text[r] != '\r')
            continue;
        int32_t kept = r;
        while (kept > start && IsBreakSpace(text[kept - 1]))
            --kept;
        int32_t measured = MeasureSpan(text + start, kept - start);
        if (measured <= width) {
            *textOffset = r + 1;
            *textWidth = Remainder(*textWidth, measured);
            return smBreakWord;
        }
        break;
    }

    int32_t measured = MeasureSpan(text + start, end - start);
    if (measured < width) {
        *textOffset = end;
        *textWidth = Remainder(*textWidth, measured);
        return smBreakOverflow;
    }

    // Drop the last partial word and the white space before it until the line fits; every round drops at
    // least one character, so a run of digits or punctuation shrinks too.
    int32_t n = end - start;
    while (measured > width && n > 1) {
        int32_t before = n;
        while (n >= 2 && IsAsciiLetter(text[start + n - 1]))
            --n;
        while (n > 1 && IsBreakSpace(text[start + n - 1]))
            --n;
        if (n == before)
            --n;
        measured = MeasureSpan(text + start, n);
    }

    if (n == 1 && end - start > 1 && IsAsciiLetter(text[start + 1])) {
        while (start + n < end) {
            int32_t wider = MeasureSpan(text + start, n + 1);
            if (wider > width)
                break;
            ++n;
            measured = wider;
        }
        *textOffset = start + n;
        *textWidth = Remainder(*textWidth, measured);
        return smBreakChar;
    }

    *textWidth = Remainder(*textWidth, measured);
    int32_t position = start + n;
    while (position < end && IsBreakSpace(text[position]))
        ++position;
    *textOffset = position;
    return smBreakWord;
}

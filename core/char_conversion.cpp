// Macintosh/ANSI character conversion: the conversion switch, the two upper-half tables and the buffer
// conversions every title, prompt, menu item and text run passes through on its way to or from Windows.
#include "core.h"
#include "FixMath.h"

#include <cstdlib>
#include <cstring>

namespace {

// The two tables, indexed by character - 0x80; SetCharConversionTables replaces them whole.
// Macintosh Roman (currency sign at 0xDB) to Windows-1252. Characters with
// no counterpart are paired with the code points left over; 0xB1 and 0xC6 both give 0xB1.
uint8_t sMacToAnsi[128] = {
    0xC4, 0xC5, 0xC7, 0xC9, 0xD1, 0xD6, 0xDC, 0xE1, 0xE0, 0xE2, 0xE4, 0xE3, 0xE5, 0xE7, 0xE9, 0xE8,
    0xEA, 0xEB, 0xED, 0xEC, 0xEE, 0xEF, 0xF1, 0xF3, 0xF2, 0xF4, 0xF6, 0xF5, 0xFA, 0xF9, 0xFB, 0xFC,
    0x86, 0xB0, 0xA2, 0xA3, 0xA7, 0x95, 0xB6, 0xDF, 0xAE, 0xA9, 0x99, 0xB4, 0xA8, 0x80, 0xC6, 0xD8,
    0x81, 0xB1, 0x8D, 0x8E, 0xA5, 0xB5, 0x8F, 0x90, 0xDE, 0xFE, 0x9D, 0xAA, 0xBA, 0xA6, 0xE6, 0xF8,
    0xBF, 0xA1, 0xAC, 0xB2, 0x83, 0xB3, 0xB1, 0xAB, 0xBB, 0x85, 0xA0, 0xC0, 0xC3, 0xD5, 0x8C, 0x9C,
    0x96, 0x97, 0x93, 0x94, 0x91, 0x92, 0xF7, 0xBE, 0xFF, 0x9F, 0xBD, 0xA4, 0x8B, 0x9B, 0x8A, 0x9A,
    0x87, 0xB7, 0x82, 0x84, 0x89, 0xC2, 0xCA, 0xC1, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0xD3, 0xD4,
    0xAD, 0xD2, 0xDA, 0xDB, 0xD9, 0xD0, 0x88, 0x98, 0xAF, 0xBC, 0xDD, 0xD7, 0xB8, 0x9E, 0xF0, 0xB9,
};

// Windows-1252 to Macintosh Roman: the inverse of the table above, except that 0xB9 and 0xFD both give
// 0xFF.
uint8_t sAnsiToMac[128] = {
    0xAD, 0xB0, 0xE2, 0xC4, 0xE3, 0xC9, 0xA0, 0xE0, 0xF6, 0xE4, 0xDE, 0xDC, 0xCE, 0xB2, 0xB3, 0xB6,
    0xB7, 0xD4, 0xD5, 0xD2, 0xD3, 0xA5, 0xD0, 0xD1, 0xF7, 0xAA, 0xDF, 0xDD, 0xCF, 0xBA, 0xFD, 0xD9,
    0xCA, 0xC1, 0xA2, 0xA3, 0xDB, 0xB4, 0xBD, 0xA4, 0xAC, 0xA9, 0xBB, 0xC7, 0xC2, 0xF0, 0xA8, 0xF8,
    0xA1, 0xC6, 0xC3, 0xC5, 0xAB, 0xB5, 0xA6, 0xE1, 0xFC, 0xFF, 0xBC, 0xC8, 0xF9, 0xDA, 0xD7, 0xC0,
    0xCB, 0xE7, 0xE5, 0xCC, 0x80, 0x81, 0xAE, 0x82, 0xE9, 0x83, 0xE6, 0xE8, 0xED, 0xEA, 0xEB, 0xEC,
    0xF5, 0x84, 0xF1, 0xEE, 0xEF, 0xCD, 0x85, 0xFB, 0xAF, 0xF4, 0xF2, 0xF3, 0x86, 0xFA, 0xB8, 0xA7,
    0x88, 0x87, 0x89, 0x8B, 0x8A, 0x8C, 0xBE, 0x8D, 0x8F, 0x8E, 0x90, 0x91, 0x93, 0x92, 0x94, 0x95,
    0xFE, 0x96, 0x98, 0x97, 0x99, 0x9B, 0x9A, 0xD6, 0xBF, 0x9D, 0x9C, 0x9E, 0x9F, 0xFF, 0xB9, 0xD8,
};

// The conversion switch (library setting 24): non-zero converts the upper half through the tables.

// Side results of the last ZEL_MacToAnsiBuf, read by the text-drawing code.
int32_t sBlankCount;
int32_t sTotalAdvance;
const MacToAnsiMeasure *sMeasure;

bool (*sPortDoubleByteQuery)() = nullptr;
bool (*sPasswordModeQuery)() = nullptr;

// A 64-bit total of Fixed advances to the nearest integer, halves away from zero.
int32_t RoundFixed(int64_t a)
{
    return static_cast<int32_t>(a >= 0 ? (a + 0x8000) >> 16 : -((-a + 0x8000) >> 16));
}

// Turns output bytes into device advances as they are written: each byte's advance is its width (plus
// spExtra for a blank), scaled when the port transforms or prints; the whole part is written and the
// fractions are carried so that the integer advances add up to the rounded total.
struct AdvanceMeter {
    const MacToAnsiMeasure *m;
    int32_t fraction = 0;
    int64_t total = 0;
    uint32_t outIndex = 0;

    int32_t Add(uint8_t outByte, bool secondOfPair)
    {
        Fixed w = 0;
        if (!secondOfPair) {
            w = m->widths ? m->widths[outByte] : 0;
            if (outByte == ' ')
                w += m->spExtra;
            if (m->scaled)
                w = FixMul(w, m->scale);
        }
        total += w;
        int32_t whole = w >> 16;
        fraction += w & 0xFFFF;
        if (fraction >= 0x8000) {
            ++whole;
            fraction -= 0x10000;
        }
        if (m->deviceAdvances)
            m->deviceAdvances[outIndex] = whole;
        ++outIndex;
        return whole;
    }

    void SetSource(uint32_t sourceIndex, int32_t advance)
    {
        if (!m->sourceAdvances)
            return;
        m->sourceAdvances[sourceIndex] =
            m->toPortUnits ? m->toPortUnits(advance) : static_cast<int16_t>(advance);
    }
};

} // namespace

void DisableDefaultCharTables()
{
    // On double-byte code pages bytes above 0x7F are lead and trail bytes of the ANSI code page: the
    // tables become the identity so that such text passes unchanged.
    for (int k = 0; k < 128; ++k)
        sMacToAnsi[k] = sAnsiToMac[k] = static_cast<uint8_t>(0x80 + k);
}

// The switch is library setting 24, so ZEL_SystemValue and these calls share one value.
uint32_t MacCharConversion() { return static_cast<uint32_t>(LibrarySetting(settingCharConversion)); }

const uint8_t *MacToAnsiHighTable() { return sMacToAnsi; }
const uint8_t *AnsiToMacHighTable() { return sAnsiToMac; }

void SetMacToAnsiMeasure(const MacToAnsiMeasure *measure) { sMeasure = measure; }
int32_t MacToAnsiBlankCount() { return sBlankCount; }
int32_t MacToAnsiTotalAdvance() { return sTotalAdvance; }
void SetPortDoubleByteTextQuery(bool (*query)()) { sPortDoubleByteQuery = query; }
void SetPasswordModeQuery(bool (*query)()) { sPasswordModeQuery = query; }

ZEL_EXTERN_C void ZEL_CALL SetMacCharConversion(uint32_t on)
{
    SetLibrarySetting(settingCharConversion, static_cast<int32_t>(on));
}

ZEL_EXTERN_C void ZEL_CALL SetCharConversionTables(const uint8_t *ansiToMac, const uint8_t *macToAnsi)
{
    if (ansiToMac)
        std::memcpy(sAnsiToMac, ansiToMac, sizeof sAnsiToMac);
    if (macToAnsi)
        std::memcpy(sMacToAnsi, macToAnsi, sizeof sMacToAnsi);
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_MacToAnsiBuf(const uint8_t *source, uint8_t *destination, uint16_t length,
                                                int16_t flags)
{
    sBlankCount = 0;
    sTotalAdvance = 0;
    if (!source || !destination || length == 0)
        return 0;

    // Expanding characters would overwrite source bytes not yet read: convert from a copy when the two
    // buffers overlap.
    uint8_t *copy = nullptr;
    const uintptr_t from = reinterpret_cast<uintptr_t>(source);
    const uintptr_t to = reinterpret_cast<uintptr_t>(destination);
    if (to < from + length && from < to + length * kMacToAnsiMaxExpansion) {
        copy = static_cast<uint8_t *>(std::malloc(length));
        if (!copy)
            return 0;
        std::memcpy(copy, source, length);
        source = copy;
    }

    const bool raw = flags & macToAnsiRaw;
    const bool dropLineEnds = flags & macToAnsiDropLineEnds;
    const bool doubleByte = (flags & macToAnsiDoubleByte) || (sPortDoubleByteQuery && sPortDoubleByteQuery());
    // Double-byte text is already in the ANSI code page: no table conversion for this call.
    const bool convert = MacCharConversion() && !doubleByte;
    const bool password = sPasswordModeQuery && sPasswordModeQuery();
    AdvanceMeter meter{(flags & macToAnsiMeasure) ? sMeasure : nullptr};

    uint32_t out = 0;
    for (uint32_t i = 0; i < length; ++i) {
        const uint8_t c = source[i];
        if (doubleByte && i + 1 < length && IsDBCSLeadByte(c)) {
            // A lead byte and its trail byte are one character; in password mode it shows as one '*'.
            if (password) {
                destination[out++] = '*';
                if (meter.m)
                    meter.SetSource(i, meter.Add('*', false));
            } else {
                destination[out++] = c;
                destination[out++] = source[i + 1];
                if (meter.m) {
                    int32_t advance = meter.Add(c, false);
                    advance += meter.Add(source[i + 1], true);
                    meter.SetSource(i, advance);
                }
            }
            if (meter.m)
                meter.SetSource(i + 1, 0);
            ++i;
            continue;
        }
        if (dropLineEnds && (c == 13 || c == 10)) {
            if (meter.m)
                meter.SetSource(i, 0);
            continue;
        }
        if (c == ' ')
            ++sBlankCount;

        // Typographic characters with no ANSI counterpart get a plain-text stand-in. Single bytes of
        // double-byte text are characters of the ANSI code page (half-width katakana in Shift-JIS) and
        // keep their value.
        uint8_t stand[4] = {c};
        int n = 1;
        if (!raw && !doubleByte) {
            switch (c) {
            case 0xC9: // ellipsis
                stand[0] = stand[1] = stand[2] = '.';
                n = 3;
                break;
            case 0xD2: // curly double quotes
            case 0xD3:
                stand[0] = '"';
                break;
            case 0xAA: // trade mark
                std::memcpy(stand, "(tm)", 4);
                n = 4;
                break;
            default:
                break;
            }
        }
        int32_t advance = 0;
        for (int k = 0; k < n; ++k) {
            uint8_t b = stand[k];
            if (password)
                b = '*';
            else if (convert && b >= 0x80)
                b = sMacToAnsi[b - 0x80];
            destination[out++] = b;
            if (meter.m)
                advance += meter.Add(b, false);
        }
        if (meter.m)
            meter.SetSource(i, advance);
    }
    if (meter.m)
        sTotalAdvance = RoundFixed(meter.total);
    std::free(copy);
    return static_cast<int32_t>(out);
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_AnsiToMacBuf(const uint8_t *source, uint8_t *destination, int16_t length)
{
    if (!source || !destination || length <= 0)
        return 0;
    int32_t n = 0;
    for (; n < length && source[n]; ++n) {
        uint8_t c = source[n];
        destination[n] = MacCharConversion() && c >= 0x80 ? sAnsiToMac[c - 0x80] : c;
    }
    return n;
}

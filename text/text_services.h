// Services of text, fonts and TextEdit for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Fonts.h"

// The standard procedures of text drawing and measuring.
ZEL_EXTERN_C void ZEL_CALL StdText(int16_t byteCount, const void *textBuf, Point numer, Point denom);
ZEL_EXTERN_C int16_t ZEL_CALL StdTxMeas(int16_t byteCount, const void *textAddr, Point *numer, Point *denom,
                                        struct FontInfo *info);
// Font enumeration procedure of the Font Manager.
int CALLBACK A_EnumFont(const LOGFONTA *font, const TEXTMETRICA *metrics, DWORD type, LPARAM data);

// The Macintosh-to-Windows font map: loaded when a DC is first attached to a port record, freed with the
// font tables when the last port record goes.
bool FontMapLoaded();
void LoadFontMap();
void FreeFontTables();
// The font width table, freed by QuickDraw's teardown.
void DisposeWidthTable();

// Measures a string with GetTextExtentPoint32A on Windows NT and 95, GetTextExtentPointA elsewhere.
BOOL GetTextExtentCompat(HDC dc, const char *text, int length, SIZE *size);

// One face of the installed-font list: its name and whether it is a bitmap (raster) face. Faces of
// neither kind count with the scalable ones.
struct InstalledFace {
    char name[64];
    bool bitmap;
};
// Face `index` of the list in its order; false past the end.
// PENDING: the installed-font list replaces this with its real list (faces of the screen and the default printer with their Macintosh numbers).
bool InstalledFaceAt(int index, InstalledFace *face);
// Script Manager and International Utilities: run once by InitResources when the library's and the
// application's resource files are open.
// PENDING: the international work builds the international records and loads the conversion tables.
void InitScriptAndIntl();

// ---- The Macintosh Roman character table and comparisons ----
enum {
    charBlank = 0x01,
    charSymbol = 0x02,
    charPunct = 0x04,
    charDigit = 0x10,
    charLower = 0x20,          // a..z
    charOtherLower = 0x40,     // lower-case letters with a mark and special letters
    charUpperPlain = 0xA0,     // A..Z
    charOtherUpper = 0xC0      // upper-case letters with a mark and special letters
};
struct CharTableRow {
    uint8_t upper;     // upper-case form, mark kept
    uint8_t lower;     // lower-case form, mark kept
    uint8_t primary;   // base letter: case and mark removed
    uint8_t secondary; // 0 upper or caseless, 1..6 marked upper, 10 plain lower, 11..16 marked lower
    uint8_t flags;     // char* class flags
};
// The row of a character code (always taken as an unsigned byte).
const CharTableRow &MacRomanChar(uint8_t c);
// Compares two counted strings by their primary keys (case and marks ignored); on an equal common part
// the shorter is less. -1, 0 or 1.
int16_t CompareTextPrimary(const void *a, const void *b, int16_t aLen, int16_t bLen);
// The primary comparison, then the secondary keys over aLen characters: upper-case and unmarked forms
// first. -1, 0 or 1.
ZEL_EXTERN_C int16_t ZEL_CALL IUMagString(const void *aPtr, const void *bPtr, int16_t aLen, int16_t bLen);

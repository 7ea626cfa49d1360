// Services of text, fonts and TextEdit for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Fonts.h"
#include "TextEdit.h"
#include "TextUtils.h"
#include "../quickdraw/qd_services.h"

// ---- Font binding and text drawing ----
// The bound font's TEXTMETRICA as the record keeps it.
TEXTMETRICA BoundTextMetrics(const PortDCRecord *record);
// Fills a bind buffer (a LOGFONTA, then a 64-byte full name) for the current port; a preset font to use
// as it is, or nil when the font is to be made from the LOGFONTA.
ZEL_EXTERN_C HFONT ZEL_CALL ZEL_GetBindTextAttributesHFONT(void *bindBuffer);
// Binds the current port's font when it is marked dirty (1), else 0.
int BindPortFont();
// A font leaving a DC: deleted when binding made it and no port record holds it. With a DC and no font,
// the DC's font is displaced by the device default font and that one is given back.
void ReleaseDcFont(HDC dc, HFONT font);
// Applies the text mode's background mode, ROP2 and colours when drawing, then binds the font.
void SetTextAttributes(bool draw);
// Converts and measures Macintosh text for the current port: the converted length (0: nothing to draw
// or advance), its extent, and the converted bytes in the shared scratch buffer or a private block that
// ReleaseTextBuffer gives back; in extended-text mode also one device advance per converted byte.
int32_t MacTextToAnsi(int16_t count, const void *text, SIZE *extent, const char **converted, Ptr *privateBlock,
                      const int32_t **advances);
void ReleaseTextBuffer(Ptr privateBlock);
// The check-mark bitmap DrawChar(0x12) blits.
HBITMAP CheckMarkBitmap();
// The text core: scaling, the port's textProc, recording, drawing and the pen's advance.
void StdTextCore(int16_t count, const void *text, Point numer, Point denom);
// Records a text call into the current port's open picture: the text state that changed, then the text
// in pieces of at most 255 characters, each at the pen where it starts.
void RecordPictText(int16_t count, const void *text, Point numer, Point denom);

// ---- Measuring and extended text ----
// Forgets the metrics cache and the memo of the last font measured (font numbers may name other faces
// after the list is rebuilt); WidthTabHandle never keeps naming a table that goes.
void FlushFontMetricsCache();
// Changes whenever the metrics cache is flushed: widths kept from before belong to other faces.
uint32_t FontMetricsGeneration();
// The Font Manager's own width table (InitFonts makes it; FontMetrics on first use before that).
Handle &FontManagerWidthTable();
// In extended-text mode, the widths the conversion's meter takes, indexed by the ANSI byte it writes;
// nil outside it.
const Fixed *ExtendedMeterWidths();
// The host's integer widths of ZEL_USER_WinTextOutWidths when they cover `length` converted bytes.
const int32_t *HostTextWidths(int32_t length);
// TextEdit: the selection of an edit control (start; the end through `end`).
int32_t GetEditSelection(HWND edit, int32_t *end);

// The standard procedures of text drawing and measuring.
ZEL_EXTERN_C void ZEL_CALL StdText(int16_t byteCount, const void *textBuf, Point numer, Point denom);
ZEL_EXTERN_C int16_t ZEL_CALL StdTxMeas(int16_t byteCount, const void *textAddr, Point *numer, Point *denom,
                                        FontInfo *info);
// ---- The installed-font list and the font map ----
#pragma pack(push, 2)
// One raster size of a face: the first 28 bytes of its enumerated LOGFONTA and its pixel size
// (tmHeight - tmInternalLeading).
struct FontSizeEntry {
    LONG height, width, escapement, orientation, weight;
    BYTE italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily;
    int16_t pixelSize;
};
static_assert(sizeof(FontSizeEntry) == 30, "FontSizeEntry is 30 bytes");

// One row of the font map: a Macintosh number and name, one to three Windows faces separated by commas,
// and the Windows family (FF_ value in the high nibble).
struct FontMapEntry {
    int16_t number; // -1: the row gives none
    const char *name;
    const char *faces;
    uint8_t zero;
    uint8_t pitchAndFamily;
};
static_assert(sizeof(FontMapEntry) == 12, "FontMapEntry is 12 bytes");
#pragma pack(pop)

// One installed Windows face, in a list sorted by name without regard to case.
struct FontListNode {
    FontListNode *next;
    FontListNode *prev;     // nil for the first node
    int16_t numbers[8];     // Macintosh font numbers; -1 marks a free slot
    char name[64];          // the full name of a TrueType face, else the face name
    char faceName[32];      // the lfFaceName a LOGFONTA takes
    uint8_t sizesFlag;      // always 0: sizes are enumerated
    uint8_t pitchAndFamily; // as enumerated
    uint8_t unused;
    uint8_t charSet;        // as enumerated
    uint16_t fontType;      // the greatest enumerated: RASTER_FONTTYPE, DEVICE_FONTTYPE or TRUETYPE_FONTTYPE
    int16_t sizeCount;
    int16_t sizeCapacity;
    FontSizeEntry *sizes;   // a block of its own, so that a node never moves while its sizes come in
};

// Font enumeration procedures; the last argument is the list head's address, or the address of the
// node being sized. Both always answer 1.
ZEL_EXTERN_C int CALLBACK A_EnumFont(const LOGFONTA *font, const TEXTMETRICA *metrics, DWORD type, LPARAM list);
ZEL_EXTERN_C int CALLBACK A_EnumFontSizes(const LOGFONTA *font, const TEXTMETRICA *metrics, DWORD type, LPARAM node);

// The Macintosh-to-Windows font map: loaded when a DC is first attached to a port record (then the list
// is built), freed with the font tables when the last port record goes.
bool FontMapLoaded();
void LoadFontMap();
void FreeFontTables();
// The map's rows (nil and 0 without a map).
const FontMapEntry *FontMapRows();
int FontMapRowCount();
// The first number for unmapped faces: 128, or above every number of 128 or more the map gives; past
// 32767 none is left.
int32_t FirstUnmappedFontNumber();
// The installed-font list (nil before the first build) and its release.
FontListNode *&FontListHead();
void FreeFontList();
// Rebuilds the list when the default printer changed or `force` is nonzero.
ZEL_EXTERN_C void ZEL_CALL ZEL_UpdateFontList(int16_t force);
// The first number of the double-byte system face the last rebuild found, 0 when none.
ZEL_EXTERN_C int16_t ZEL_CALL ZEL_GetIntlSystemFont(void);

// The node of a Macintosh font number, searched slot column by slot column across the nodes; else a node
// of the map row's family; else the node of font 1. `pitchAndFamily` and `face` (32 bytes) take what was
// found: a family without a node gives the row's family and an empty face, an unknown number 0 and "".
FontListNode *FindFontFaceByNumber(FontListNode *list, int16_t number, int16_t size, uint8_t *pitchAndFamily,
                                   char *face);
// The size entry of a raster node nearest `size` (a larger size costs twice the difference plus 1, so a
// tie goes to the smaller); the first entry of any other node; nil for a nil node or one without entries.
const FontSizeEntry *SelectFontSizeEntry(const FontListNode *node, int16_t size);
// Among the nodes of a family (the high nibble), the first TrueType one, else the first with the greatest
// low nibble; faces for vertical writing (names beginning with '@') are left out.
FontListNode *FindFontByFamily(FontListNode *list, int16_t size, uint8_t family);
// Font names compare without regard to case (lstrcmpiA).
int CompareFontNames(const char *a, const char *b);
// The first node named `name`, without regard to case.
FontListNode *FindFontNodeByName(FontListNode *list, const char *name);
// The first number of the node of that name, else the number of the map row of that Macintosh name; -1.
int16_t GetFontNumberByName(FontListNode *list, ConstStr255Param name);
// The first map row of a number; nil when none.
const FontMapEntry *FindFontMapEntryByNumber(int16_t number);
// What the test programs see of the list and the map (a test seam): node and map row `index`, and the
// search for `number` at `size`.
struct FontListReport {
    int16_t nodeCount, mapRowCount;
    int32_t firstUnmappedNumber;
    // Node `index` of the list (empty past its end).
    char name[64];
    char faceName[32];
    int16_t numbers[8];
    uint8_t pitchAndFamily, charSet;
    uint16_t fontType;
    int16_t sizeCount;
    int16_t pixelSizes[32];
    // Map row `index` (number -1 and empty strings past the map's end).
    int16_t rowNumber;
    uint8_t rowPitchAndFamily;
    char rowName[64];
    char rowFaces[128];
    // The search for a font number and size: the index of the node found (-1 none), its family byte
    // and face, and the size entry chosen (its pixel size and LOGFONT height).
    int16_t foundIndex;
    uint8_t foundPitchAndFamily;
    char foundFace[32];
    int16_t chosenPixelSize;
    int32_t chosenHeight;
};
ZEL_EXTERN_C int16_t ZEL_CALL FontListSeam(int16_t index, int16_t number, int16_t size, FontListReport *report);
// Test seam: frees the font tables and loads the map and the list again.
ZEL_EXTERN_C void ZEL_CALL ReloadFontTables(void);
// The font width table, freed by QuickDraw's teardown.
void DisposeWidthTable();

// Measures a string with GetTextExtentPoint32A on Windows NT and 95, GetTextExtentPointA elsewhere.
BOOL GetTextExtentCompat(HDC dc, const char *text, int length, SIZE *size);

// One face of the installed-font list: its name and whether it is a bitmap (raster) face.
struct InstalledFace {
    char name[64];
    bool bitmap;
};
// Face `index` of the installed-font list in its order; false past the end.
bool InstalledFaceAt(int index, InstalledFace *face);
// Script Manager and International Utilities: run once by InitResources when the library's and the
// application's resource files are open.
void InitScriptAndIntl();
// The international formats read again from the locale and WIN.INI "intl" (a WIN.INI change).
void ReloadInternationalSettings();

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
// IUMagString (TextUtils.h): the primary comparison, then the secondary keys.

// The width of `count` bytes of text in the current port, as TextWidth measures it.
int16_t MeasureText(const void *text, int16_t count);

// ---- TextEdit ----
// Makes a record in the current port: native (TENew) when `window` is NULL, else bound to that edit
// control. 0 when it cannot be allocated.
TEHandle NewTERecord(const Rect *destRect, const Rect *viewRect, HWND window);
// TEDispose: the record, its text and its styles; the bound control is not the record's.
void DisposeTERecord(TEHandle record);
// Binds a bound record to another edit control laid over `box` (destRect and viewRect), then copies
// the control's text, selection and scroll position in. Nothing for a native record.
void RebindTERecord(TEHandle record, HWND window, const Rect &box);

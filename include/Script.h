/* Script Manager. */
#ifndef TOLVADEX_SCRIPT_H
#define TOLVADEX_SCRIPT_H
#define __SCRIPT__

#include "MacTypes.h"

/* True when the system measures in metric units. */
ZEL_API Boolean ZEL_CALL IsMetric(void);

/* The international resources are not cached: nothing to clear. */
ZEL_API void ZEL_CALL ClearIntlResourceCache(void);

/* The 'INTL' resource of that number; for 0 and 1 without one, a handle holding the session's Intl0Rec
   or Intl1Rec (made once and kept). */
ZEL_API Handle ZEL_CALL GetIntlResource(int16_t theID);
/* Does nothing. */
ZEL_API void ZEL_CALL GetIntlResourceTable(ScriptCode script, int16_t tableCode, Handle *itlHandle, ZEL_Long *offset,
                                           ZEL_Long *length);

/* Results of StyledLineBreak. */
typedef int8_t StyledLineBreakCode;
enum {
    smBreakWord = 0,     /* the line ends after a whole word or at a return */
    smBreakChar = 1,     /* a word wider than the line is broken between characters */
    smBreakOverflow = 2  /* the rest of the text fits */
};

/* Where a line of text from textStart (at most to textEnd) breaks within *textWidth, measured in the
   current port's font: *textOffset (counted from textPtr) and the width left in *textWidth. */
ZEL_API StyledLineBreakCode ZEL_CALL StyledLineBreak(Ptr textPtr, int32_t textLen, int32_t textStart, int32_t textEnd,
                                                     int32_t flags, Fixed *textWidth, ZEL_Long *textOffset);

/* ---- Script Manager: one script, the system's ---- */
enum {
    smRoman = 0, smJapanese = 1, smTradChinese = 2, smKorean = 3, smArabic = 4, smHebrew = 5, smCyrillic = 7,
    smCentralEuroRoman = 29
};
/* Script codes that stand for a script: the system's, the current font's, every one. */
enum { smSystemScript = -1, smCurrentScript = -2, smAllScripts = -3 };
/* Selectors of GetScriptManagerVariable. */
enum { smEnabled = 4, smRegionCode = 14, smSysScript = 18, smKeyScript = 22 };
/* Verb of GetScript answered: the script's default font and size. */
enum { smScriptSysFondSize = 82 };

/* Class words of CharType. */
enum {
    smCharPunct = 0x0000, smCharAscii = 0x0001, smCharEuro = 0x0007, smCharDigit = 0x0100,
    smCharSymbol = 0x0200, smCharBlank = 0x0300, smCharUpper = 0x4000
};

typedef struct OffPair {
    int16_t offFirst;
    int16_t offSecond;
} OffPair;
typedef OffPair OffsetTable[3];
ZEL_STATIC_ASSERT(sizeof(OffsetTable) == 12, "OffsetTable is 12 bytes");
typedef Ptr BreakTablePtr;
typedef int16_t TruncCode;
/* Where TruncString and TruncText cut, and what they answer. */
enum { truncEnd = 0, truncMiddle = 0x4000, smTruncEnd = 0, smTruncMiddle = 0x4000 };
enum { notTruncated = 0, truncated = 1, truncErr = -1, smNotTruncated = 0, smTruncated = 1, smTruncErr = -1 };

ZEL_API int32_t ZEL_CALL GetScriptManagerVariable(int16_t selector);
/* Answers 0. */
ZEL_API int32_t ZEL_CALL GetScriptVariable(int16_t script, int16_t selector);
/* Verb 82: the default font 21 and size 10 (0x0015000A); other verbs are reported and answer 0. */
ZEL_API int32_t ZEL_CALL GetScript(int16_t script, int16_t verb);
ZEL_API OSErr ZEL_CALL SetScript(int16_t script, int16_t verb, int32_t param);
/* The system script. */
ZEL_API int16_t ZEL_CALL FontScript(void);
ZEL_API int16_t ZEL_CALL FontToScript(int16_t fontNumber);
ZEL_API void ZEL_CALL KeyScript(int16_t code);
ZEL_API int32_t ZEL_CALL ScriptUtil(void);
/* -1 when the system runs right to left, else 0. */
ZEL_API int16_t ZEL_CALL GetSysDirection(void);
ZEL_API int16_t ZEL_CALL GetAppFont(void);
ZEL_API int16_t ZEL_CALL GetSysFont(void);
ZEL_API int16_t ZEL_CALL GetDefFontSize(void);

/* The class word of a Macintosh Roman character. */
ZEL_API int16_t ZEL_CALL CharType(Ptr textBuf, int16_t textOffset);
/* Every character is a single byte: 0. */
ZEL_API int16_t ZEL_CALL CharByte(Ptr textBuf, int16_t textOffset);
ZEL_API int16_t ZEL_CALL CharacterByteType(Ptr textBuf, int32_t textOffset, ScriptCode script);
/* The word around `offset` as offsets[0] (offFirst, offSecond); breaks nil, -1 or a table pointer. */
ZEL_API void ZEL_CALL FindWord(Ptr textPtr, int16_t textLength, int16_t offset, Boolean leadingEdge,
                               BreakTablePtr breaks, OffPair *offsets);
ZEL_API int16_t ZEL_CALL Pixel2Char(Ptr textBuf, int16_t textLen, int16_t slop, int16_t pixelWidth,
                                    Boolean *leadingEdge);
ZEL_API void ZEL_CALL DrawJust(Ptr textPtr, int16_t textLength, int16_t slop);
ZEL_API void ZEL_CALL MeasureJust(Ptr textPtr, int16_t textLength, int16_t slop, Ptr charLocs);
/* Answers 0 and leaves the string as it is. */
ZEL_API int16_t ZEL_CALL TruncString(int16_t width, unsigned char *theString, TruncCode truncWhere);
ZEL_API int16_t ZEL_CALL ReplaceTex(Handle baseText, Handle substitutionText, const unsigned char *key);
/* A name of the common dialogs' header, a macro there. */
ZEL_PUBLISHED_FUNC_AW(int16_t, ReplaceText, ReplaceTex, (Handle baseText, Handle substitutionText,
                      const unsigned char *key), (baseText, substitutionText, key))
#if !defined(ReplaceText) && (defined(__cplusplus) || !defined(_INC_COMMDLG))
ZEL_PUBLISHED_FUNC(int16_t, ReplaceText, ReplaceTex, (Handle baseText, Handle substitutionText,
                   const unsigned char *key), (baseText, substitutionText, key))
#endif

/* Case changes in place on the Macintosh Roman table: UpperText and LowerText change every cased
   letter, UprText and LwrText only a..z and A..Z; StripUpperText gives each character's sort letter
   (upper case without marks), or its entry of the 'Cmps' table of the session's language. */
ZEL_API void ZEL_CALL UpperText(Ptr textPtr, int16_t len);
ZEL_API void ZEL_CALL LowerText(Ptr textPtr, int16_t len);
ZEL_API void ZEL_CALL UprText(Ptr textPtr, int16_t len);
ZEL_API void ZEL_CALL LwrText(Ptr textPtr, int16_t len);
ZEL_API void ZEL_CALL StripUpperText(Ptr textPtr, int16_t len);


/* The Mac-prefixed names of the later interfaces, for calls whose plain names Windows also uses. */
#ifndef TOLVADEX_BUILDING
#define MacReplaceText ReplaceTex
#endif

#endif

/* Font Manager. */
#ifndef TOLVADEX_FONTS_H
#define TOLVADEX_FONTS_H
#define __FONTS__

#include "MacTypes.h"
#include "Quickdraw.h"
#include "Files.h"

/* Macintosh font numbers; the font map joins each to a Windows face. */
enum {
    systemFont = 0,
    applFont = 1,
    newYork = 2,
    geneva = 3,
    monaco = 4,
    venice = 5,
    london = 6,
    athens = 7,
    sanFran = 8,
    toronto = 9,
    cairo = 11,
    losAngeles = 12,
    times = 20,
    helvetica = 21,
    courier = 22,
    symbol = 23,
    taliesin = 24
};

ZEL_API void ZEL_CALL GetFNum(ConstStr255Param name, int16_t *familyID);

/* The installed-font list: rebuilt when the default printer changed, or always when force is nonzero.
   ZEL_GetIntlSystemFont answers the font number of the double-byte system face the last rebuild
   found (0 when none). */
ZEL_API void ZEL_CALL ZEL_UpdateFontList(int16_t force);
ZEL_API int16_t ZEL_CALL ZEL_GetIntlSystemFont(void);

#pragma pack(push, 2)
/* The measuring records: FMetricRec as FontMetrics fills it, and the 1,072-byte width table it points at
   (tabData holds one Fixed advance per Macintosh character code). */
typedef struct FMetricRec {
    Fixed ascent;
    Fixed descent;
    Fixed leading;
    Fixed widMax;
    Handle wTabHandle;
} FMetricRec;

typedef struct WidthTable {
    Fixed tabData[256];
    Handle tabFont;
    Fixed sExtra;
    Fixed style;
    int16_t fID;
    int16_t fSize;
    int16_t face;
    int16_t device;
    Point inNumer;
    Point inDenom;
    int16_t aFID;
    Handle fHand;
    Boolean usedFam;
    uint8_t aFace;
    int16_t vOutput;
    int16_t hOutput;
    int16_t vFactor;
    int16_t hFactor;
    int16_t aSize;
    int16_t tabSize;
} WidthTable;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(FMetricRec) == 20, "FMetricRec is 20 bytes");
static_assert(sizeof(WidthTable) == 1072, "WidthTable is 1,072 bytes");
#endif

ZEL_API void ZEL_CALL FontMetrics(FMetricRec *theMetrics);

#pragma pack(push, 2)
/* FMSwapFont's request and answer; the answer's ascent, descent, widMax and leading are the font's. */
typedef struct FMInput {
    int16_t family;
    int16_t size;
    Style face;
    Boolean needBits;
    int16_t device;
    Point numer;
    Point denom;
} FMInput;

typedef struct FMOutput {
    int16_t errNum;
    Handle fontHandle;
    uint8_t boldPixels;
    uint8_t italicPixels;
    uint8_t ulOffset;
    uint8_t ulShadow;
    uint8_t ulThick;
    uint8_t shadowPixels;
    int8_t extra;
    uint8_t ascent;
    uint8_t descent;
    uint8_t widMax;
    int8_t leading;
    int8_t curStyle;
    Point numer;
    Point denom;
} FMOutput;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(FMInput) == 16, "FMInput is 16 bytes");
static_assert(sizeof(FMOutput) == 26, "FMOutput is 26 bytes");
#endif

/* The Font Manager: the width table made afresh (FractEnable 0); family numbers and names through the
   installed-font list and the font map (an unknown or nil name gives 0, an unknown number an empty name);
   the outline measures of the port's bound font, by character code (fractional with FractEnable). */
ZEL_API void ZEL_CALL InitFonts(void);
ZEL_API void ZEL_CALL GetFontName(int16_t familyID, Str255 name);
ZEL_API Boolean ZEL_CALL RealFont(int16_t fontNum, int16_t size);
ZEL_API Boolean ZEL_CALL IsOutline(Point numer, Point denom);
ZEL_API FMOutput *ZEL_CALL FMSwapFont(const FMInput *inRec);
ZEL_API OSErr ZEL_CALL OutlineMetrics(int16_t byteCount, const void *textPtr, Point numer, Point denom, int16_t *yMax,
                                      int16_t *yMin, Fixed *awArray, Fixed *lsbArray, Rect *bounds);
ZEL_API void ZEL_CALL SetFractEnable(Boolean fractEnable);
ZEL_API void ZEL_CALL SetFontLock(Boolean lockFlag);
ZEL_API void ZEL_CALL SetFScaleDisable(Boolean fscaleDisable);
ZEL_API Boolean ZEL_CALL GetOutlinePreferred(void);
ZEL_API void ZEL_CALL SetOutlinePreferred(Boolean outlinePreferred);

#endif

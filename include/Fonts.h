/* Font Manager. */
#ifndef TOLVADEX_FONTS_H
#define TOLVADEX_FONTS_H

#include "MacTypes.h"

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

#endif

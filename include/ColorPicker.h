/* Color Picker: GetColor over the Windows colour dialog, and the colour-model conversions on 16-bit
   fractions (0..65535 stand for 0..1; a hue of 65536 is one turn). */
#ifndef TOLVADEX_COLORPICKER_H
#define TOLVADEX_COLORPICKER_H
#define __COLORPICKER__

#include "MacTypes.h"

#pragma pack(push, 2)
typedef struct HSVColor {
    uint16_t hue;
    uint16_t saturation;
    uint16_t value;
} HSVColor;
typedef struct HSLColor {
    uint16_t hue;
    uint16_t saturation;
    uint16_t lightness;
} HSLColor;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(HSVColor) == 6, "HSVColor is 6 bytes");
ZEL_STATIC_ASSERT(sizeof(HSLColor) == 6, "HSLColor is 6 bytes");

/* Shows the colour dialog titled with the prompt, its top-left at `where` in screen coordinates (centred
   on the desktop when where.v is -1), starting on inColor. TRUE on OK with the choice in outColor;
   FALSE leaves outColor alone. */
ZEL_API Boolean ZEL_CALL GetColor(Point where, ConstStr255Param prompt, const RGBColor *inColor, RGBColor *outColor);
ZEL_API void ZEL_CALL RGB2HSV(const RGBColor *rgb, HSVColor *hsv);
ZEL_API void ZEL_CALL HSV2RGB(const HSVColor *hsv, RGBColor *rgb);
ZEL_API void ZEL_CALL RGB2HSL(const RGBColor *rgb, HSLColor *hsl);
ZEL_API void ZEL_CALL HSL2RGB(const HSLColor *hsl, RGBColor *rgb);

#endif

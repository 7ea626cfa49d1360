/* Font Manager. */
#ifndef TOLVADEX_FONTS_H
#define TOLVADEX_FONTS_H

#include "MacTypes.h"

ZEL_API void ZEL_CALL GetFNum(ConstStr255Param name, int16_t *familyID);

#endif

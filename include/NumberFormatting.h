/* Number formatting: the later interfaces' header of the conversions between numbers and strings,
   which this library declares with the text utilities. */
#ifndef TOLVADEX_NUMBERFORMATTING_H
#define TOLVADEX_NUMBERFORMATTING_H
#define __NUMBERFORMATTING__

#include "TextUtils.h"

#endif

/* The packages under their classic header name: Standard File, the International Utilities and the
   conversions between numbers and strings. */
#include "../StandardFile.h"
#include "../Script.h"
#include "../NumberFormatting.h"

/* The packages under their classic header name: Standard File, the International Utilities and the
   conversions between numbers and strings. */
#include "../StandardFile.h"
#include "../Script.h"
#include "../TextUtils.h"
#include "../DateTimeUtils.h"
#include "../IntlResources.h"
#include "../NumberFormatting.h"

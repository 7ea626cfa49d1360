/* QuickDraw under its classic header name. */
#include "../Quickdraw.h"

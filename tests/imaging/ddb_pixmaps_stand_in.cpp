// What the bitmap-bits unit needs of the library beyond its exports, when it is compiled into a test on
// its own: the colour table of a palette, which only ZEL_NewDDBPixMap (tested through the library) uses.
#include "imaging.h"

CTabHandle LogPaletteToCTable(CTabHandle ct, const LOGPALETTE *, bool) { return ct; }

/* Gestalt: the library's fixed answers about the Macintosh it stands for. */
#ifndef TOLVADEX_GESTALT_H
#define TOLVADEX_GESTALT_H
#define __GESTALT__
#define __GESTALTEQU__

#include "MacTypes.h" /* gestaltUndefSelectorErr */


ZEL_API OSErr ZEL_CALL Gestalt(OSType selector, ZEL_Long *response);

#endif

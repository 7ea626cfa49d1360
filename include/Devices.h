/* Device Manager. The parameter-block calls it shares with the File Manager are declared there. */
#ifndef TOLVADEX_DEVICES_H
#define TOLVADEX_DEVICES_H

#include "MacTypes.h"
#include "Files.h"

#endif

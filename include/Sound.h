/* Sound Manager. SysBeep is declared with the operating-system utilities. */
#ifndef TOLVADEX_SOUND_H
#define TOLVADEX_SOUND_H

#include "MacTypes.h"
#include "OSUtils.h"

#endif

/* Dialog Manager. */
#ifndef TOLVADEX_DIALOGS_H
#define TOLVADEX_DIALOGS_H

#include "MacTypes.h"

typedef void (ZEL_CALL *SoundProcPtr)(int16_t soundNumber);

ZEL_API void ZEL_CALL ErrorSound(SoundProcPtr soundProc);

#endif

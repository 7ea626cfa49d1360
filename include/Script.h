/* Script Manager. */
#ifndef TOLVADEX_SCRIPT_H
#define TOLVADEX_SCRIPT_H

#include "MacTypes.h"

/* True when the system measures in metric units. */
ZEL_API Boolean ZEL_CALL IsMetric(void);

/* The international resources are not cached: nothing to clear. */
ZEL_API void ZEL_CALL ClearIntlResourceCache(void);

#endif

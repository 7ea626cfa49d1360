/* Script Manager. */
#ifndef TOLVADEX_SCRIPT_H
#define TOLVADEX_SCRIPT_H

#include "MacTypes.h"

/* True when the system measures in metric units. */
ZEL_API Boolean ZEL_CALL IsMetric(void);

#endif

/* The standard compression component: never available. */
#ifndef TOLVADEX_QUICKTIMECOMPONENTS_H
#define TOLVADEX_QUICKTIMECOMPONENTS_H
#define __QUICKTIMECOMPONENTS__

#include "Components.h"

/* NULL: no compression component. */
ZEL_API ComponentInstance ZEL_CALL OpenStdCompression(void);

#endif

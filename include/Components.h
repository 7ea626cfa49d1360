/* Component Manager: no components are offered; the calls exist so that host code links. */
#ifndef TOLVADEX_COMPONENTS_H
#define TOLVADEX_COMPONENTS_H
#define __COMPONENTS__

#include "MacTypes.h"

typedef struct ComponentInstanceRecord *ComponentInstance;

/* NULL: no component. */
ZEL_API ComponentInstance ZEL_CALL OpenDefaultComponent(OSType componentType, OSType componentSubType);
ZEL_API OSErr ZEL_CALL CloseComponent(ComponentInstance instance);

#endif

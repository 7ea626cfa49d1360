/* Resource Manager. */
#ifndef TOLVADEX_RESOURCES_H
#define TOLVADEX_RESOURCES_H

#include "MacTypes.h"

enum { resNotFound = -192, addResFailed = -194, resAttrErr = -198, rmvResFailed = -196 };

ZEL_API void ZEL_CALL ReleaseResource(Handle theResource);
ZEL_API OSErr ZEL_CALL ResError(void);

#endif

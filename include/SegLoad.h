/* Segment Loader: the application files named on the command line, the launch parameters and the end
   of the program. */
#ifndef TOLVADEX_SEGLOAD_H
#define TOLVADEX_SEGLOAD_H
#define __SEGLOAD__

#include "MacTypes.h"

enum { appOpen = 0, appPrint = 1 };

#pragma pack(push, 2)
/* One entry of the AppParmHandle's list. In the handle, each entry takes 8 + length + 1 bytes of fName,
   plus 1 when that is odd, so that the next entry starts at an even offset. */
typedef struct AppFile {
    int16_t vRefNum;
    OSType fType;
    int16_t versNum;
    Str255 fName;
} AppFile;
#pragma pack(pop)
ZEL_STATIC_ASSERT(offsetof(AppFile, fName) == 8, "fName at 8");

/* Rewrites the line in place into its arguments separated by '>' and builds the application files. */
ZEL_API void ZEL_CALL ZEL_ParseCommandLine(char *line);
ZEL_API void ZEL_CALL CountAppFiles(int16_t *message, int16_t *count);
ZEL_API void ZEL_CALL GetAppFiles(int16_t index, AppFile *theFile);
ZEL_API void ZEL_CALL ClrAppFiles(int16_t index);
ZEL_API void ZEL_CALL GetAppParms(StringPtr apName, int16_t *apRefNum, Handle *apParam);
ZEL_API void ZEL_CALL ExitToShell(void);

#endif

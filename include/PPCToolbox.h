/* The PPC browser and the file-transfer chooser: both link and answer 0, and show nothing. */
#ifndef TOLVADEX_PPCTOOLBOX_H
#define TOLVADEX_PPCTOOLBOX_H
#define __PPCTOOLBOX__

#include "MacTypes.h"
#include "AppleTalk.h"

typedef struct LocationNameRec LocationNameRec;
typedef struct PortInfoRec PortInfoRec;
typedef Boolean (ZEL_CALL *PPCFilterProcPtr)(LocationNameRec *locationName, PortInfoRec *thePortInfo);
typedef PPCFilterProcPtr PPCFilterUPP;
#define NewPPCFilterUPP(userRoutine) ((PPCFilterUPP)(userRoutine))
#define DisposePPCFilterUPP(userRoutine) ((void)(userRoutine))
#define NewPPCFilterProc(userRoutine) ((PPCFilterUPP)(userRoutine))
typedef Handle FTHandle;

ZEL_API OSErr ZEL_CALL PPCBrowser(ConstStr255Param prompt, ConstStr255Param applListLabel, Boolean defaultSpecified,
                                  LocationNameRec *theLocation, PortInfoRec *thePortInfo, PPCFilterProcPtr portFilter,
                                  ConstStr32Param theLocNBPType);
/* The file-transfer tool chooser; silent. */
ZEL_API int16_t ZEL_CALL FTChoose(FTHandle *hFT, Point where, ProcPtr idleProc);

#endif

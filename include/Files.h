/* File Manager: volumes, open files and their result codes. */
#ifndef TOLVADEX_FILES_H
#define TOLVADEX_FILES_H

#include "MacTypes.h"

/* File Manager result codes. */
enum {
    dirFulErr = -33,
    dskFulErr = -34,
    nsvErr = -35,
    ioErr = -36,
    bdNamErr = -37,
    fnOpnErr = -38,
    eofErr = -39,
    posErr = -40,
    tmfoErr = -42,
    /* fnfErr (-43) is declared with the base types. */
    wPrErr = -44,
    fLckdErr = -45,
    vLckdErr = -46,
    fBsyErr = -47,
    dupFNErr = -48,
    opWrErr = -49,
    rfNumErr = -51,
    permErr = -54,
    wrPermErr = -61,
    dirNFErr = -120
};

/* The volume reference number of the volume that holds open file refNum. */
ZEL_API OSErr ZEL_CALL GetVRefNum(int16_t refNum, int16_t *vRefNum);

#endif

/* Standard File: the published reply record. */
#ifndef TOLVADEX_STANDARDFILE_H
#define TOLVADEX_STANDARDFILE_H

#include "MacTypes.h"

#pragma pack(push, 2)
typedef struct SFReply {
    Boolean good;
    Boolean copy;
    OSType fType;
    int16_t vRefNum; /* a working-directory number or a volume */
    int16_t version;
    Str63 fName;
} SFReply;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(SFReply) == 74, "SFReply is 74 bytes");
ZEL_STATIC_ASSERT(offsetof(SFReply, fName) == 10, "fName at 10");

#endif

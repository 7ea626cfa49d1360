/* Notification Manager. */
#ifndef TOLVADEX_NOTIFICATION_H
#define TOLVADEX_NOTIFICATION_H
#define __NOTIFICATION__

#include "MacTypes.h"

enum { nmTypErr = -299 };

struct NMRec;
typedef void (ZEL_CALL *NMProcPtr)(struct NMRec *nmReqPtr);

#pragma pack(push, 2)
typedef struct NMRec {
    Ptr qLink;
    int16_t qType;
    int16_t nmFlags;
    int32_t nmPrivate;
    int16_t nmReserved;
    int16_t nmMark;
    Handle nmIcon;   /* a small icon: 16 rows of 16 one-bit pixels */
    Handle nmSound;
    StringPtr nmStr;
    NMProcPtr nmResp;
    int32_t nmRefCon;
} NMRec;
typedef NMRec *NMRecPtr;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(NMRec) == 36, "NMRec is 36 bytes");
ZEL_STATIC_ASSERT(offsetof(NMRec, nmIcon) == 16, "nmIcon at 16");
ZEL_STATIC_ASSERT(offsetof(NMRec, nmRefCon) == 32, "nmRefCon at 32");

ZEL_API OSErr ZEL_CALL NMInstall(NMRecPtr nmReqPtr);
ZEL_API OSErr ZEL_CALL NMRemove(NMRecPtr nmReqPtr);

#endif

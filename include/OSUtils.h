/* Operating-system utilities, the trap table calls and the diagnostic channel. */
#ifndef TOLVADEX_OSUTILS_H
#define TOLVADEX_OSUTILS_H
#define __OSUTILS__

#include "MacTypes.h"
#include "MixedMode.h"
#include "MacMemory.h"
#include "Traps.h"

#pragma pack(push, 2)
/* Operating-system queues: a header and elements that begin with a link and a type word. */
typedef struct QElem {
    struct QElem *qLink;
    int16_t qType;
    int16_t qData[1];
} QElem, *QElemPtr;

typedef struct QHdr {
    int16_t qFlags;
    QElemPtr qHead;
    QElemPtr qTail;
} QHdr, *QHdrPtr;

typedef struct MachineLocation {
    Fract latitude;
    Fract longitude;
    int32_t gmtDelta; /* seconds east of Greenwich in the low 24 bits; bit 24 set in daylight time */
} MachineLocation;

typedef struct DateTimeRec {
    int16_t year;
    int16_t month;     /* 1..12 */
    int16_t day;
    int16_t hour;
    int16_t minute;
    int16_t second;
    int16_t dayOfWeek; /* 1 = Sunday .. 7 = Saturday */
} DateTimeRec;

/* SysEnvirons: its results, the record version it fills and the values of the record's fields. */
enum { envNotPresent = -5500, envBadVers = -5501, envVersTooBig = -5502 };
enum { curSysEnvVers = 2 };
enum {
    envMachUnknown = 0,
    env512KE = 1,
    envMacPlus = 2,
    envSE = 3,
    envMacII = 4,
    envMacIIx = 5,
    envMacIIcx = 6,
    envSE30 = 7,
    envPortable = 8,
    envMacIIci = 9,
    envMacIIfx = 11
};
enum { envCPUUnknown = 0, env68000 = 1, env68010 = 2, env68020 = 3, env68030 = 4, env68040 = 5 };
enum {
    envUnknownKbd = 0,
    envMacKbd = 1,
    envMacAndPad = 2,
    envMacPlusKbd = 3,
    envAExtendKbd = 4,
    envStandADBKbd = 5,
    envPrtblADBKbd = 6,
    envPrtblISOKbd = 7,
    envStdISOADBKbd = 8,
    envExtISOADBKbd = 9
};

typedef struct SysEnvRec {
    int16_t environsVersion;
    int16_t machineType;
    int16_t systemVersion;
    int16_t processor;
    Boolean hasFPU;
    Boolean hasColorQD;
    int16_t keyBoardType;
    int16_t atDrvrVersNum;
    int16_t sysVRefNum;
} SysEnvRec;
typedef SysEnvRec *SysEnvRecPtr;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(QHdr) == 10, "QHdr is 10 bytes");
ZEL_STATIC_ASSERT(offsetof(QHdr, qHead) == 2, "qHead at 2");
ZEL_STATIC_ASSERT(offsetof(QHdr, qTail) == 6, "qTail at 6");
ZEL_STATIC_ASSERT(offsetof(QElem, qType) == 4, "qType at 4");
ZEL_STATIC_ASSERT(sizeof(MachineLocation) == 12, "MachineLocation is 12 bytes");
ZEL_STATIC_ASSERT(sizeof(DateTimeRec) == 14, "DateTimeRec is 14 bytes");
ZEL_STATIC_ASSERT(offsetof(DateTimeRec, dayOfWeek) == 12, "dayOfWeek at 12");
ZEL_STATIC_ASSERT(sizeof(SysEnvRec) == 16, "SysEnvRec is 16 bytes");
ZEL_STATIC_ASSERT(offsetof(SysEnvRec, hasFPU) == 8, "hasFPU at 8");
ZEL_STATIC_ASSERT(offsetof(SysEnvRec, keyBoardType) == 10, "keyBoardType at 10");
ZEL_STATIC_ASSERT(offsetof(SysEnvRec, sysVRefNum) == 14, "sysVRefNum at 14");

/* The diagnostic channel. */
ZEL_API void ZEL_CALL DebugStr(ConstStr255Param debuggerMsg);
ZEL_API void ZEL_CALL Debugger(void);
ZEL_API void ZEL_CALL SysError(int16_t errorCode);

/* The trap table: the 27 patchable routines of Traps.h. */
ZEL_API UniversalProcPtr ZEL_CALL NGetTrapAddress(uint16_t trapNum, TrapType tTyp);
ZEL_API void ZEL_CALL NSetTrapAddress(UniversalProcPtr trapAddr, uint16_t trapNum, TrapType tTyp);
ZEL_API UniversalProcPtr ZEL_CALL GetTrapAddress(uint16_t trapNum);
ZEL_API void ZEL_CALL SetTrapAddress(UniversalProcPtr trapAddr, uint16_t trapNum);
ZEL_API UniversalProcPtr ZEL_CALL GetToolboxTrapAddress(uint16_t trapNum);

/* Delays, beeps, date and time, location, environment. */
ZEL_API void ZEL_CALL Delay(int32_t numTicks, ZEL_ULong *finalTicks);
ZEL_API void ZEL_CALL SysBeep(int16_t duration);
ZEL_API void ZEL_CALL GetDateTime(ZEL_ULong *secs);
ZEL_API OSErr ZEL_CALL ReadDateTime(ZEL_ULong *secs);
ZEL_API OSErr ZEL_CALL SetDateTime(uint32_t secs);
ZEL_API void ZEL_CALL GetTime(DateTimeRec *d);
ZEL_API void ZEL_CALL ReadLocation(MachineLocation *loc);
ZEL_API Boolean ZEL_CALL EqualString(ConstStr255Param str1, ConstStr255Param str2, Boolean caseSens,
                                     Boolean diacSens);
ZEL_API void ZEL_CALL Environs(int16_t *rom, int16_t *machine);
ZEL_API OSErr ZEL_CALL SysEnvirons(int16_t versionRequested, SysEnvRec *theWorld);
ZEL_API int32_t ZEL_CALL SetCurrentA5(void);
ZEL_API int32_t ZEL_CALL SetA5(int32_t newA5);

#endif

/* Process Manager: processes named by serial numbers built from Windows process ids. */
#ifndef TOLVADEX_PROCESSES_H
#define TOLVADEX_PROCESSES_H
#define __PROCESSES__

#include "MacTypes.h"
#include "Files.h"
#include "Events.h"
/* ExitToShell, declared here by the later interfaces. */
#include "SegLoad.h"

enum { procNotFound = -600 };

#pragma pack(push, 2)
/* {'PROC' (the bytes "PROC" read as a 32-bit value, 0x434F5250), Windows process id}; {0, 2} is the
   current process and {0, 1} the desktop's. */
#ifndef TOLVADEX_PROCESS_SERIAL_NUMBER
#define TOLVADEX_PROCESS_SERIAL_NUMBER /* AppleEvents.h declares it too */
typedef struct ProcessSerialNumber {
    uint32_t highLongOfPSN;
    uint32_t lowLongOfPSN;
} ProcessSerialNumber;
#endif
typedef ProcessSerialNumber *ProcessSerialNumberPtr;

typedef struct ProcessInfoRec {
    uint32_t processInfoLength;
    StringPtr processName; /* a Str31: at most 31 characters */
    ProcessSerialNumber processNumber;
    uint32_t processType;
    OSType processSignature;
    uint32_t processMode;
    Ptr processLocation;
    uint32_t processSize;
    uint32_t processFreeMem;
    ProcessSerialNumber processLauncher;
    uint32_t processLaunchDate;
    uint32_t processActiveTime;
    FSSpec *processAppSpec;
} ProcessInfoRec;

typedef struct LaunchParamBlockRec {
    uint32_t reserved1;
    uint16_t reserved2;
    uint16_t launchBlockID;
    uint32_t launchEPBLength;
    uint16_t launchFileFlags;
    uint16_t launchControlFlags;
    FSSpec *launchAppSpec;
    ProcessSerialNumber launchProcessSN;
    uint32_t launchPreferredSize;
    uint32_t launchMinimumSize;
    uint32_t launchAvailableSize;
    void *launchAppParameters;
} LaunchParamBlockRec;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(ProcessSerialNumber) == 8, "ProcessSerialNumber is 8 bytes");
ZEL_STATIC_ASSERT(sizeof(ProcessInfoRec) == 60, "ProcessInfoRec is 60 bytes");
ZEL_STATIC_ASSERT(offsetof(ProcessInfoRec, processLauncher) == 40, "processLauncher at 40");
ZEL_STATIC_ASSERT(sizeof(LaunchParamBlockRec) == 44, "LaunchParamBlockRec is 44 bytes");
ZEL_STATIC_ASSERT(offsetof(LaunchParamBlockRec, launchAppSpec) == 16, "launchAppSpec at 16");

ZEL_API OSErr ZEL_CALL GetCurrentProces(ProcessSerialNumber *psn);
ZEL_API OSErr ZEL_CALL GetFrontProcess(ProcessSerialNumber *psn);
ZEL_API OSErr ZEL_CALL GetNextProcess(ProcessSerialNumber *psn);
ZEL_API OSErr ZEL_CALL SameProcess(const ProcessSerialNumber *a, const ProcessSerialNumber *b, Boolean *result);
ZEL_API OSErr ZEL_CALL SetFrontProcess(const ProcessSerialNumber *psn);
ZEL_API OSErr ZEL_CALL WakeUpProcess(const ProcessSerialNumber *psn);
ZEL_API OSErr ZEL_CALL GetPortNameFromProcessSerialNumber(void *portName, const ProcessSerialNumber *psn);
ZEL_API OSErr ZEL_CALL LaunchApplication(LaunchParamBlockRec *launch);
/* Windows' own headers declare another function of this name: a file that includes both must keep the
   platform's declaration out (_WIN32_WINNT below 0x0602). */
ZEL_API OSErr ZEL_CALL GetProcessInformation(const ProcessSerialNumber *psn, ProcessInfoRec *info);

/* The published name of GetCurrentProces (KERNEL32 uses the name). */
#if defined(__cplusplus) || !defined(_PROCESSTHREADSAPI_H_)
ZEL_PUBLISHED_FUNC(OSErr, GetCurrentProcess, GetCurrentProces, (ProcessSerialNumber *psn), (psn))
#endif

#endif

/* Thread Manager: cooperative threads inside the host's user-interface thread, switched only in these
   calls. At most eight threads exist, the main thread included. */
#ifndef TOLVADEX_THREADS_H
#define TOLVADEX_THREADS_H
#define __THREADS__

#include "MacTypes.h"

typedef uint32_t ThreadID;
typedef uint32_t ThreadStyle;
typedef uint32_t ThreadOptions;
typedef uint16_t ThreadState;
/* A thread's entry: stdcall, one argument, a 32-bit result. */
typedef uint32_t (ZEL_CALL *ThreadEntryProcPtr)(void *threadParam);

enum { kNoThreadID = 0 };
enum { kReadyThreadState = 0, kStoppedThreadState = 1, kRunningThreadState = 2 };
enum { kNewSuspend = 1, kUsePremadeThread = 2, kCreateIfNeeded = 4 };
enum { threadTooManyReqsErr = -617, threadNotFoundErr = -618, threadProtocolErr = -619 };

ZEL_API OSErr ZEL_CALL NewThread(ThreadStyle style, ThreadEntryProcPtr entry, void *param, Size stackSize,
                                 ThreadOptions options, uint32_t *threadResult, ThreadID *threadMade);
ZEL_API OSErr ZEL_CALL DisposeThread(ThreadID thread, uint32_t threadResult, Boolean recycleThread);
ZEL_API OSErr ZEL_CALL GetFreeThreadCount(ThreadStyle style, int16_t *freeCount);
ZEL_API OSErr ZEL_CALL GetThreadState(ThreadID thread, ThreadState *state);
ZEL_API OSErr ZEL_CALL SetThreadState(ThreadID thread, ThreadState newState, ThreadID suggestedThread);
ZEL_API OSErr ZEL_CALL SetThreadStateEndCritical(ThreadID thread, ThreadState newState, ThreadID suggestedThread);
ZEL_API OSErr ZEL_CALL ThreadBeginCritical(void);
ZEL_API OSErr ZEL_CALL ThreadEndCritical(void);
ZEL_API OSErr ZEL_CALL YieldToThread(ThreadID suggestedThread);
ZEL_API OSErr ZEL_CALL YieldToAnyThread(void);
/* Exported as GetCurrentThrea (Windows has a GetCurrentThread of its own). */
ZEL_API OSErr ZEL_CALL GetCurrentThrea(ThreadID *currentThreadID);
ZEL_API OSErr ZEL_CALL GetDefaultThreadStackSize(ThreadStyle style, Size *stackSize);
ZEL_API OSErr ZEL_CALL CreateThreadPool(ThreadStyle style, int16_t numToCreate, Size stackSize);

/* The published name of GetCurrentThrea (KERNEL32 uses the name). */
#if defined(__cplusplus) || !defined(_PROCESSTHREADSAPI_H_)
ZEL_PUBLISHED_FUNC(OSErr, GetCurrentThread, GetCurrentThrea, (ThreadID *currentThreadID), (currentThreadID))
#endif


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposThread DisposeThread
#endif

#endif

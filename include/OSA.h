/* The Open Scripting Architecture: every call reports its name and answers 0; no script runs. */
#ifndef TOLVADEX_OSA_H
#define TOLVADEX_OSA_H
#define __OSA__

#include "MacTypes.h"
#include "AppleEvents.h"
#include "Components.h"

typedef int32_t OSAError;
typedef uint32_t OSAID;

ZEL_API OSAError ZEL_CALL OSADispose(ComponentInstance scriptingComponent, OSAID scriptID);
ZEL_API OSAError ZEL_CALL OSAExecute(ComponentInstance scriptingComponent, OSAID compiledScriptID, OSAID contextID,
                                     int32_t modeFlags, OSAID *resultingScriptValueID);
ZEL_API OSAError ZEL_CALL OSAStore(ComponentInstance scriptingComponent, OSAID scriptID, DescType desiredType,
                                   int32_t modeFlags, AEDesc *resultingScriptData);
ZEL_API OSAError ZEL_CALL OSAGetSource(ComponentInstance scriptingComponent, OSAID scriptID, DescType desiredType,
                                       AEDesc *resultingSourceData);
ZEL_API OSAError ZEL_CALL OSALoad(ComponentInstance scriptingComponent, const AEDesc *scriptData, int32_t modeFlags,
                                  OSAID *resultingScriptID);
ZEL_API OSAError ZEL_CALL OSACompile(ComponentInstance scriptingComponent, const AEDesc *sourceData, int32_t modeFlags,
                                     OSAID *previousAndResultingScriptID);
ZEL_API OSAError ZEL_CALL OSASetProperty(ComponentInstance scriptingComponent, int32_t modeFlags, OSAID contextID,
                                         const AEDesc *variableName, OSAID scriptValueID);
ZEL_API OSAError ZEL_CALL OSAGenericToRealID(ComponentInstance genericScriptingComponent, OSAID *theScriptID,
                                             ComponentInstance *theExactComponent);
ZEL_API OSAError ZEL_CALL OSARealToGenericID(ComponentInstance genericScriptingComponent, OSAID *theScriptID,
                                             ComponentInstance theExactComponent);
ZEL_API OSAError ZEL_CALL OSAGetProperty(ComponentInstance scriptingComponent, int32_t modeFlags, OSAID contextID,
                                         const AEDesc *variableName, OSAID *resultingScriptValueID);
ZEL_API OSAError ZEL_CALL OSADoEvent(ComponentInstance scriptingComponent, const AppleEvent *theAppleEvent,
                                     OSAID contextID, int32_t modeFlags, AppleEvent *reply);
ZEL_API OSAError ZEL_CALL OSASetResumeDispatchProc(ComponentInstance scriptingComponent,
                                                   AEEventHandlerProcPtr resumeDispatchProc, int32_t refCon);
ZEL_API OSAError ZEL_CALL OSAGetResumeDispatchProc(ComponentInstance scriptingComponent,
                                                   AEEventHandlerProcPtr *resumeDispatchProc, ZEL_Long *refCon);

#endif

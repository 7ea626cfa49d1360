/* The Sound Manager: channels and commands are accepted and nothing sounds; the volume is kept. */
#ifndef TOLVADEX_SOUND_H
#define TOLVADEX_SOUND_H
#define __SOUND__

#include "MacTypes.h"
#include "MixedMode.h"

#pragma pack(push, 2)
typedef struct SndCommand {
    uint16_t cmd;
    int16_t param1;
    int32_t param2;
} SndCommand;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(SndCommand) == 8, "SndCommand is 8 bytes");

typedef struct SndChannel *SndChannelPtr;
typedef void (ZEL_CALL *SndCallBackProcPtr)(SndChannelPtr chan, SndCommand *cmd);
typedef SndCallBackProcPtr SndCallBackUPP;
#define NewSndCallBackUPP(userRoutine) ((SndCallBackUPP)(userRoutine))
#define DisposeSndCallBackUPP(userRoutine) ((void)(userRoutine))
#define NewSndCallBackProc(userRoutine) ((SndCallBackUPP)(userRoutine))
typedef Handle SndListHandle;

/* Report their names and answer 0; no channel is made and nothing plays. */
ZEL_API OSErr ZEL_CALL SndDoCommand(SndChannelPtr chan, const SndCommand *cmd, Boolean noWait);
ZEL_API OSErr ZEL_CALL SndNewChannel(SndChannelPtr *chan, int16_t synth, int32_t init, SndCallBackProcPtr userRoutine);
ZEL_API OSErr ZEL_CALL SndDisposeChannel(SndChannelPtr chan, Boolean quietNow);
ZEL_API OSErr ZEL_CALL SndPlay(SndChannelPtr chan, SndListHandle sndHandle, Boolean async);
/* The one volume of the process: SetSoundVol stores and answers it; GetSoundVol answers it and writes it
   to *level when level is not nil. */
ZEL_API int16_t ZEL_CALL SetSoundVol(int16_t level);
ZEL_API int16_t ZEL_CALL GetSoundVol(int16_t *level);

#endif

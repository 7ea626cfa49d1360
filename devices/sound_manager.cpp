// The Sound Manager: channels and commands are accepted and nothing sounds; the volume is one value of
// the process, kept in a library cell.
#include "../core/core_services.h"
#include "Sound.h"

namespace {

// The library's storage starts cleared, and so does the volume.
int16_t sSoundVolume;
int16_t *sSoundVolumeCell = &sSoundVolume;

} // namespace

ZEL_STUB(OSErr, SndDoCommand, 0, (SndChannelPtr, const SndCommand *, Boolean))
// No channel is made: the caller's channel cell keeps what it held.
ZEL_STUB(OSErr, SndNewChannel, 0, (SndChannelPtr *, int16_t, int32_t, SndCallBackProcPtr))
ZEL_STUB(OSErr, SndDisposeChannel, 0, (SndChannelPtr, Boolean))
ZEL_STUB(OSErr, SndPlay, 0, (SndChannelPtr, SndListHandle, Boolean))

ZEL_EXTERN_C int16_t ZEL_CALL SetSoundVol(int16_t level)
{
    *sSoundVolumeCell = level;
    return level;
}

ZEL_EXTERN_C int16_t ZEL_CALL GetSoundVol(int16_t *level)
{
    if (level)
        *level = *sSoundVolumeCell;
    return *sSoundVolumeCell;
}

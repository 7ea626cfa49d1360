// Alert sounds.
#include "dialogs_services.h"
#include "../core/core_services.h"

namespace {

void ZEL_CALL SilentSound(int16_t) {}
void ZEL_CALL StandardSound(int16_t) { MessageBeep(MB_OK); }

SoundProcPtr sSoundProc = StandardSound;
SoundProcPtr sHostSoundProc; // proc instance of the host's own procedure

} // namespace

// 0 installs a silent procedure, 1 the standard beep, anything else the host's procedure.
ZEL_EXTERN_C void ZEL_CALL ErrorSound(SoundProcPtr soundProc)
{
    if (sHostSoundProc) {
        FreeHostProcInstance(reinterpret_cast<FARPROC>(sHostSoundProc));
        sHostSoundProc = nullptr;
    }
    uintptr_t value = reinterpret_cast<uintptr_t>(soundProc);
    if (value == 0) {
        sSoundProc = SilentSound;
    } else if (value == 1) {
        sSoundProc = StandardSound;
    } else {
        sHostSoundProc = reinterpret_cast<SoundProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(soundProc)));
        sSoundProc = sHostSoundProc;
    }
}

// PENDING: the alert work loads and keeps the three alert icons.
HICON AlertIconHandle(int16_t) { return nullptr; }

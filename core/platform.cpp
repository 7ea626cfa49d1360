// Platform detection: Win32s, Windows NT or Windows 95, the new shell and the platform version word,
// decided from what GetVersion and GetVersionExA report. Kept free of global state so that every
// verdict can be checked from fed-in version results.
#include "core_services.h"

PlatformInfo DecidePlatform(DWORD getVersionResult, const OSVERSIONINFOA *ex)
{
    PlatformInfo p{};
    p.versionWord = static_cast<uint16_t>(getVersionResult & 0xFFFF);
    p.versionHigh = static_cast<uint16_t>(getVersionResult >> 16);
    unsigned major = getVersionResult & 0xFF;
    if (ex) {
        p.win32s = ex->dwPlatformId == 0;
        p.windows95 = ex->dwPlatformId == 1;
        p.windowsNT = ex->dwPlatformId == 2;
        major = ex->dwMajorVersion;
        p.versionWord = static_cast<uint16_t>((ex->dwMinorVersion << 4) | ex->dwMajorVersion);
    } else {
        unsigned topByte = getVersionResult >> 24;
        p.win32s = (topByte >> 6) == 2;
        p.windowsNT = (getVersionResult & 0x80000000u) == 0;
        p.windows95 = !p.windowsNT && major >= 4;
    }
    p.newShell = p.windows95 || (p.windowsNT && major >= 4);
    return p;
}

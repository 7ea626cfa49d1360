// Volumes: drive letters A: to Z: are volumes 1 to 26 (vRefNum -1 to -26); network roots follow.
#include "files_services.h"

namespace {

constexpr int kMaxVolumes = 48;
constexpr int kDriveLetters = 26;

// Windows drive type of each volume (GetDriveTypeA's answer; 0 when it cannot be determined).
int8_t sVolumeTypes[kMaxVolumes];
uint16_t sVolumeCount;

// Refreshes the types of the drive-letter volumes: a drive absent from GetLogicalDrives has type 0.
void UpdateDriveLetters()
{
    DWORD present = GetLogicalDrives();
    for (int i = 0; i < kDriveLetters; ++i) {
        if (!(present & (1u << i))) {
            sVolumeTypes[i] = 0;
            continue;
        }
        char root[] = {static_cast<char>('A' + i), ':', '\\', 0};
        sVolumeTypes[i] = static_cast<int8_t>(GetDriveTypeA(root));
    }
}

} // namespace

// A: counts as removable even when no drive answers for it.
void InitDriveTable()
{
    UpdateDriveLetters();
    sVolumeCount = static_cast<uint16_t>(sVolumeCount + kDriveLetters);
    if (sVolumeTypes[0] <= 0)
        sVolumeTypes[0] = DRIVE_REMOVABLE;
}

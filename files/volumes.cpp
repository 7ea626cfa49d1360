// Volumes over Windows path roots: drive letters A: to Z: are volumes 1 to 26 (vRefNum -1 to -26), the
// network roots seen in UNC paths follow as volumes 27 to 48.
#include "files_services.h"
#include "../core/core_services.h"

#include <cstring>

namespace {

// Windows drive type of each volume, indexed by volume number - 1 (GetDriveTypeA's answer; 0 when it
// cannot be determined, 4 for network roots).
int8_t sVolumeTypes[kMaxVolumes];

// The network roots in order of discovery, in one relocatable block: a header {capacity, bytes in use,
// root count} of 16-bit words, then per root a length byte, the root and a NUL.
Handle sNetworkRoots;
constexpr uint16_t kRootTableStep = 2048;
constexpr uint16_t kRootTableHeader = 6;

struct RootTableHeader {
    uint16_t capacity;
    uint16_t used;
    uint16_t count;
};

RootTableHeader *RootHeader() { return reinterpret_cast<RootTableHeader *>(*sNetworkRoots); }

// Type of drive n (1 = A:): numbers past Z: are remote; a drive GetLogicalDrives does not list has none.
int8_t GetVolumeDriveType(int drive)
{
    if (drive > kDriveLetterVolumes)
        return DRIVE_REMOTE;
    if (drive < 1 || !(GetLogicalDrives() & (1u << (drive - 1))))
        return 0;
    char root[] = {static_cast<char>('A' + drive - 1), ':', '\\', 0};
    return static_cast<int8_t>(GetDriveTypeA(root));
}


// Index of a network root in the table, or -1. Roots compare without regard to case.
int FindNetworkRoot(const char *root)
{
    if (!sNetworkRoots)
        return -1;
    const RootTableHeader *h = RootHeader();
    const uint8_t *entry = reinterpret_cast<const uint8_t *>(*sNetworkRoots) + kRootTableHeader;
    for (int i = 0; i < h->count; ++i) {
        if (lstrcmpiA(reinterpret_cast<const char *>(entry + 1), root) == 0)
            return i;
        entry += entry[0] + 2;
    }
    return -1;
}

// The root string of network root `index`, or NULL.
const char *NetworkRootAt(int index)
{
    if (!sNetworkRoots || index < 0 || index >= RootHeader()->count)
        return nullptr;
    const uint8_t *entry = reinterpret_cast<const uint8_t *>(*sNetworkRoots) + kRootTableHeader;
    for (int i = 0; i < index; ++i)
        entry += entry[0] + 2;
    return reinterpret_cast<const char *>(entry + 1);
}

// Appends a root; its index, or -1 when the table cannot take it or no volume number is left.
int AddNetworkRoot(const char *root, int length)
{
    if (!sNetworkRoots) {
        sNetworkRoots = NewHandle(kRootTableStep);
        if (!sNetworkRoots)
            return -1;
        *RootHeader() = {kRootTableStep, kRootTableHeader, 0};
    }
    RootTableHeader *h = RootHeader();
    if (h->count >= kMaxVolumes - kDriveLetterVolumes)
        return -1;
    if (h->capacity < h->used + length + 2) {
        uint16_t grown = static_cast<uint16_t>(h->capacity + kRootTableStep);
        SetHandleSize(sNetworkRoots, grown);
        if (CurrentMemErr() != noErr)
            return -1;
        h = RootHeader();
        h->capacity = grown;
    }
    uint8_t *entry = reinterpret_cast<uint8_t *>(*sNetworkRoots) + h->used;
    entry[0] = static_cast<uint8_t>(length);
    std::memcpy(entry + 1, root, length);
    entry[length + 1] = 0;
    int index = h->count;
    h->count = static_cast<uint16_t>(h->count + 1);
    h->used = static_cast<uint16_t>(h->used + length + 2);
    sVolumeTypes[kDriveLetterVolumes + index] = DRIVE_REMOTE;
    return index;
}

} // namespace

// ---- Drive letters ----

ZEL_EXTERN_C void ZEL_CALL ZEL_UpdateDriveLetters(void)
{
    for (int i = 0; i < kDriveLetterVolumes; ++i)
        sVolumeTypes[i] = GetVolumeDriveType(i + 1);
}

// A: counts as removable even when no drive answers for it.
void InitDriveTable()
{
    ZEL_UpdateDriveLetters();
    if (sVolumeTypes[0] <= 0)
        sVolumeTypes[0] = DRIVE_REMOVABLE;
}

// The 26 drive letters are always volumes; the network roots seen so far follow.
int VolumeCount() { return kDriveLetterVolumes + (sNetworkRoots ? RootHeader()->count : 0); }

int VolumeDriveType(int volume)
{
    return volume >= 1 && volume <= kMaxVolumes ? sVolumeTypes[volume - 1] : 0;
}

void RefreshDriveType(const char *path)
{
    if (!path || !IsDriveLetter(path[0]) || path[1] != ':')
        return;
    int drive = (path[0] & ~0x20) - 'A' + 1;
    if (sVolumeTypes[drive - 1] <= 0)
        sVolumeTypes[drive - 1] = GetVolumeDriveType(drive);
}

bool IsRemovableDrive(int drive)
{
    return drive >= 0 && drive < kDriveLetterVolumes && sVolumeTypes[drive] == DRIVE_REMOVABLE;
}

int FirstNonRemovableDrive()
{
    for (int i = 0; i < kDriveLetterVolumes; ++i)
        if (sVolumeTypes[i] > 1 && sVolumeTypes[i] != DRIVE_REMOVABLE)
            return i;
    return -1;
}

// ---- Volume reference numbers ----

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_DOSVolToVRefNum(const char *path)
{
    uint16_t kind;
    int length = DosPathRootLength(path, &kind);
    if (kind == dosPathDriveRoot)
        return static_cast<int16_t>(-((path[0] & ~0x20) - 'A' + 1));
    if (kind != dosPathUncRoot || length > kMaxNetworkRoot)
        return kNoVolume;
    char root[kMaxNetworkRoot + 1];
    CopyPathPart(root, path, length);
    int index = FindNetworkRoot(root);
    if (index < 0)
        index = AddNetworkRoot(root, length);
    return index < 0 ? kNoVolume : static_cast<int16_t>(-(index + kDriveLetterVolumes + 1));
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_VRefNumToDOSVol(int16_t vRefNum, char *buffer)
{
    if (!buffer)
        return 0;
    buffer[0] = 0;
    int volume = -vRefNum;
    if (vRefNum >= 0 || volume > VolumeCount())
        return 0;
    if (volume <= kDriveLetterVolumes) {
        sVolumeTypes[volume - 1] = GetVolumeDriveType(volume);
        if (sVolumeTypes[volume - 1] <= 1)
            return 0;
        buffer[0] = static_cast<char>('A' + volume - 1);
        std::strcpy(buffer + 1, ":\\");
        return 1;
    }
    const char *root = NetworkRootAt(volume - kDriveLetterVolumes - 1);
    if (!root)
        return 0;
    size_t n = std::strlen(root);
    std::memcpy(buffer, root, n);
    std::strcpy(buffer + n, "\\");
    return 1;
}

// The tests' WINTAB32.DLL: a scripted tablet that keeps its counts, its script and its log in shared
// memory named for the process that loads it, so that they outlive the library's unloading. The test
// program creates the block (CreateFakeWinTab) before the library first loads the fake.
#pragma once

#include <windows.h>
#include "../../devices/wintab.h"

typedef TabletPacket FakePacket;

struct FakeWinTab {
    // Kept by the fake.
    LONG attaches;
    LONG detaches;
    LONG calls[256]; // by ordinal
    // The script.
    UINT present;              // what WTInfo (0, 0, 0) answers
    char name[400];            // DVC_NAME ...
    UINT nameBytes;            // ... and the size it reports
    BOOL hasOrientation;
    AXIS orientation[3];       // azimuth, altitude, twist
    BOOL hasPressure;
    AXIS pressure;
    UINT packetRate;
    LOGCONTEXTA systemContext; // WTI_DEFSYSCTX
    int queueSize;             // what WTQueueSizeGet answers
    int grantAtMost;           // WTQueueSizeSet grants requests up to this size; 0 grants none
    FakePacket packets[32];    // the queue, oldest first
    UINT firstSerial;          // serial number of packets[0]
    int packetCount;
    // The log.
    LOGCONTEXTA opened;
    int opens;
    int closes;
    int queueRequests[64];
    int queueRequestCount;
    int enables;
    int disables;
    int overlaps;
    int nameReads; // DVC_NAME asked with a buffer
};

constexpr UINT_PTR kFakeContext = 0x5150;

inline void FakeWinTabName(DWORD processId, char *name)
{
    wsprintfA(name, "TolvadexFakeWinTab-%lu", processId);
}

// The block of this process, created zeroed on the first call.
inline FakeWinTab *CreateFakeWinTab()
{
    static FakeWinTab *block;
    if (!block) {
        char name[64];
        FakeWinTabName(GetCurrentProcessId(), name);
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(FakeWinTab), name);
        block = static_cast<FakeWinTab *>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FakeWinTab)));
    }
    return block;
}

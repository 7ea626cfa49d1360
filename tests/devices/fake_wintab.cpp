// A scripted WINTAB32.DLL exporting, by ordinal only, the entry points the pen tablet uses (fake_wintab.def).
#include "fake_wintab.h"
#include <string.h>

namespace {

FakeWinTab *sFake;

FakeWinTab *Fake()
{
    if (!sFake) {
        char name[64];
        FakeWinTabName(GetCurrentProcessId(), name);
        HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
        if (mapping)
            sFake = static_cast<FakeWinTab *>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FakeWinTab)));
    }
    return sFake;
}

// Every entry point counts its calls; without the test's block the fake answers 0.
#define ENTER(ordinal)           \
    FakeWinTab *f = Fake();      \
    if (!f)                      \
        return 0;                \
    ++f->calls[ordinal];

UINT Copy(void *out, const void *from, UINT size)
{
    if (out)
        memcpy(out, from, size);
    return size;
}

} // namespace

extern "C" {

UINT WINAPI FakeInfo(UINT category, UINT index, void *out)
{
    ENTER(20)
    if (category == 0)
        return f->present;
    if (category == WTI_DEFSYSCTX)
        return Copy(out, &f->systemContext, sizeof f->systemContext);
    if (category != WTI_DEVICES)
        return 0;
    switch (index) {
    case DVC_NAME:
        if (out)
            ++f->nameReads;
        return Copy(out, f->name, f->nameBytes);
    case DVC_PKTRATE: return Copy(out, &f->packetRate, sizeof f->packetRate);
    case DVC_NPRESSURE: return f->hasPressure ? Copy(out, &f->pressure, sizeof f->pressure) : 0;
    case DVC_ORIENTATION: return f->hasOrientation ? Copy(out, f->orientation, sizeof f->orientation) : 0;
    case DVC_PKTDATA: {
        DWORD data = PK_STATUS | PK_BUTTONS | PK_X | PK_Y | (f->hasPressure ? DWORD(PK_NORMAL_PRESSURE) : 0u) |
                     (f->hasOrientation ? DWORD(PK_ORIENTATION) : 0u);
        return Copy(out, &data, sizeof data);
    }
    default: return 0;
    }
}

HCTX WINAPI FakeOpen(HWND, LOGCONTEXTA *context, BOOL)
{
    ENTER(21)
    if (context)
        f->opened = *context;
    ++f->opens;
    return reinterpret_cast<HCTX>(kFakeContext);
}

BOOL WINAPI FakeClose(HCTX)
{
    ENTER(22)
    ++f->closes;
    return TRUE;
}

int WINAPI FakePacketsGet(HCTX, int maximum, void *packets)
{
    ENTER(23)
    int n = maximum < f->packetCount ? maximum : f->packetCount;
    if (n <= 0)
        return 0;
    if (packets)
        memcpy(packets, f->packets, n * sizeof(FakePacket));
    f->packetCount -= n;
    memmove(f->packets, f->packets + n, f->packetCount * sizeof(FakePacket));
    f->firstSerial += n;
    return n;
}

BOOL WINAPI FakeEnable(HCTX, BOOL enable)
{
    ENTER(40)
    ++(enable ? f->enables : f->disables);
    return TRUE;
}

BOOL WINAPI FakeOverlap(HCTX, BOOL)
{
    ENTER(41)
    ++f->overlaps;
    return TRUE;
}

BOOL WINAPI FakeGet(HCTX, LOGCONTEXTA *context)
{
    ENTER(61)
    if (context)
        *context = f->opened;
    return TRUE;
}

int WINAPI FakeDataPeek(HCTX, UINT begin, UINT end, int maximum, void *packets, int *count)
{
    ENTER(82)
    int n = 0;
    for (int i = 0; i < f->packetCount && n < maximum; ++i) {
        UINT serial = f->firstSerial + i;
        if (serial < begin || serial > end)
            continue;
        if (packets)
            memcpy(static_cast<FakePacket *>(packets) + n, &f->packets[i], sizeof(FakePacket));
        ++n;
    }
    if (count)
        *count = n;
    return n;
}

int WINAPI FakeQueueSizeGet(HCTX)
{
    ENTER(84)
    return f->queueSize;
}

BOOL WINAPI FakeQueueSizeSet(HCTX, int packets)
{
    ENTER(85)
    if (f->queueRequestCount < 64)
        f->queueRequests[f->queueRequestCount++] = packets;
    if (packets <= 0 || packets > f->grantAtMost)
        return FALSE;
    f->queueSize = packets;
    return TRUE;
}

BOOL WINAPI FakeQueuePacketsEx(HCTX, UINT *oldest, UINT *newest)
{
    ENTER(200)
    if (f->packetCount == 0)
        return FALSE;
    if (oldest)
        *oldest = f->firstSerial;
    if (newest)
        *newest = f->firstSerial + f->packetCount - 1;
    return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void *)
{
    FakeWinTab *f = Fake();
    if (f && reason == DLL_PROCESS_ATTACH)
        ++f->attaches;
    if (f && reason == DLL_PROCESS_DETACH)
        ++f->detaches;
    return TRUE;
}

} // extern "C"

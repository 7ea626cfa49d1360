// The WinTab loader: WINTAB32.DLL is loaded on the first call of any wrapper and each entry point looked
// up by its published ordinal the first time it is needed, into a table of 1,250 slots kept in a locked
// local block while the library is loaded. A missing library or entry point makes the wrapper answer 0;
// a missing entry point is looked up again on its next call.
#include "wintab.h"
#include "../core/core_services.h"

namespace {

constexpr int kSlotCount = 1250;
constexpr uint32_t kTableBytes = kSlotCount * sizeof(FARPROC);

HMODULE sModule;
HLOCAL sTableBlock;
FARPROC *sTable;

constexpr int kOrdinals[] = {20,  21,  22,  23,  24,  40,  41,  60,  61,  62,  63,  64,  65,  66,  80,  81,
                             82,  84,  85,  100, 101, 120, 121, 122, 140, 180, 181, 182, 183, 184, 185, 200};

bool KnownOrdinal(int ordinal)
{
    for (int o : kOrdinals)
        if (o == ordinal)
            return true;
    return false;
}

// The entry point of an ordinal, looked up when its slot is empty; nullptr when there is none.
FARPROC Entry(int ordinal)
{
    if (sTable && ordinal >= 0 && ordinal < kSlotCount && sTable[ordinal])
        return sTable[ordinal];
    return ResolveWinTabOrdinal(ordinal) ? sTable[ordinal] : nullptr;
}

// Calls an ordinal's entry point with the published arguments; 0 when it cannot be reached.
template <typename... Args> uint32_t Call(int ordinal, Args... args)
{
    FARPROC entry = Entry(ordinal);
    if (!entry)
        return 0;
    return reinterpret_cast<uint32_t(WINAPI *)(Args...)>(reinterpret_cast<void *>(entry))(args...);
}

} // namespace

bool ResolveWinTabOrdinal(int ordinal)
{
    if (!KnownOrdinal(ordinal))
        return false;
    if (!sModule) {
        HMODULE module = LoadLibraryA("WINTAB32.DLL");
        if (reinterpret_cast<uintptr_t>(module) < 32)
            return false;
        HLOCAL block = AllocLocalBlock(LMEM_MOVEABLE | LMEM_ZEROINIT, kTableBytes);
        FARPROC *table = block ? static_cast<FARPROC *>(LockLocalBlock(block)) : nullptr;
        if (!table) {
            if (block)
                FreeLocalBlockOfSize(block, kTableBytes);
            FreeLibrary(module);
            return false;
        }
        sModule = module;
        sTableBlock = block;
        sTable = table;
    }
    sTable[ordinal] = GetProcAddress(sModule, MAKEINTRESOURCEA(ordinal));
    return sTable[ordinal] != nullptr;
}

void UnloadWinTab()
{
    if (!sModule)
        return;
    UnlockLocalBlock(sTableBlock);
    FreeLocalBlockOfSize(sTableBlock, kTableBytes);
    FreeLibrary(sModule);
    sModule = nullptr;
    sTableBlock = nullptr;
    sTable = nullptr;
}

uint32_t WTInfo(UINT category, UINT index, void *output) { return Call(20, category, index, output); }
uint32_t WTOpen(HWND window, LOGCONTEXTA *context, BOOL enable) { return Call(21, window, context, enable); }
uint32_t WTClose(HCTX context) { return Call(22, context); }
uint32_t WTPacketsGet(HCTX context, int maximum, void *packets) { return Call(23, context, maximum, packets); }
uint32_t WTPacket(HCTX context, UINT serial, void *packet) { return Call(24, context, serial, packet); }
uint32_t WTEnable(HCTX context, BOOL enable) { return Call(40, context, enable); }
uint32_t WTOverlap(HCTX context, BOOL toTop) { return Call(41, context, toTop); }
uint32_t WTConfig(HCTX context, HWND window) { return Call(60, context, window); }
uint32_t WTGet(HCTX context, LOGCONTEXTA *logContext) { return Call(61, context, logContext); }
uint32_t WTSet(HCTX context, LOGCONTEXTA *logContext) { return Call(62, context, logContext); }
uint32_t WTExtGet(HCTX context, UINT extension, void *data) { return Call(63, context, extension, data); }
uint32_t WTExtSet(HCTX context, UINT extension, void *data) { return Call(64, context, extension, data); }
uint32_t WTSave(HCTX context, void *saveInfo) { return Call(65, context, saveInfo); }
uint32_t WTRestore(HWND window, void *saveInfo, BOOL enable) { return Call(66, window, saveInfo, enable); }
uint32_t WTPacketsPeek(HCTX context, int maximum, void *packets) { return Call(80, context, maximum, packets); }
uint32_t WTDataGet(HCTX context, UINT begin, UINT end, int maximum, void *packets, int *count)
{
    return Call(81, context, begin, end, maximum, packets, count);
}
uint32_t WTDataPeek(HCTX context, UINT begin, UINT end, int maximum, void *packets, int *count)
{
    return Call(82, context, begin, end, maximum, packets, count);
}
uint32_t WTQueueSizeGet(HCTX context) { return Call(84, context); }
uint32_t WTQueueSizeSet(HCTX context, int packets) { return Call(85, context, packets); }
uint32_t WTMgrOpen(HWND window, UINT messageBase) { return Call(100, window, messageBase); }
uint32_t WTMgrClose(HMGR manager) { return Call(101, manager); }
uint32_t WTMgrContextEnum(HMGR manager, FARPROC procedure, LPARAM parameter)
{
    return Call(120, manager, procedure, parameter);
}
uint32_t WTMgrContextOwner(HMGR manager, HCTX context) { return Call(121, manager, context); }
uint32_t WTMgrDefContext(HMGR manager, BOOL system) { return Call(122, manager, system); }
uint32_t WTMgrDeviceConfig(HMGR manager, UINT device, HWND window) { return Call(140, manager, device, window); }
uint32_t WTMgrExt(HMGR manager, UINT extension, void *data) { return Call(180, manager, extension, data); }
uint32_t WTMgrCsrEnable(HMGR manager, UINT cursor, BOOL enable) { return Call(181, manager, cursor, enable); }
uint32_t WTMgrCsrButtonMap(HMGR manager, UINT cursor, BYTE *logicalButtons, BYTE *systemButtons)
{
    return Call(182, manager, cursor, logicalButtons, systemButtons);
}
uint32_t WTMgrCsrPressureBtnMarks(HMGR manager, UINT cursor, DWORD normalMarks, DWORD tangentMarks)
{
    return Call(183, manager, cursor, normalMarks, tangentMarks);
}
uint32_t WTMgrCsrPressureResponse(HMGR manager, UINT cursor, UINT *normalResponse, UINT *tangentResponse)
{
    return Call(184, manager, cursor, normalResponse, tangentResponse);
}
uint32_t WTMgrCsrExt(HMGR manager, UINT cursor, UINT extension, void *data)
{
    return Call(185, manager, cursor, extension, data);
}
uint32_t WTQueuePacketsEx(HCTX context, UINT *oldest, UINT *newest) { return Call(200, context, oldest, newest); }

// Test seam: calls the wrapper of an ordinal with up to six arguments (ordinal 0 unloads instead; an
// ordinal without a wrapper goes straight to the lookup). *state receives bit 0 the library loaded,
// bit 1 the table made, and from bit 8 the number of filled slots.
ZEL_EXTERN_C uint32_t ZEL_CALL CallWinTabOrdinal(int16_t ordinal, const uint32_t *a, uint32_t *state)
{
    uint32_t result = 0;
    auto h = [a](int i) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(a[i])); };
    auto p = [a](int i) { return reinterpret_cast<void *>(static_cast<uintptr_t>(a[i])); };
    auto w = [a](int i) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(a[i])); };
    switch (ordinal) {
    case 0: UnloadWinTab(); break;
    case 20: result = WTInfo(a[0], a[1], p(2)); break;
    case 21: result = WTOpen(w(0), static_cast<LOGCONTEXTA *>(p(1)), a[2]); break;
    case 22: result = WTClose(h(0)); break;
    case 23: result = WTPacketsGet(h(0), static_cast<int>(a[1]), p(2)); break;
    case 24: result = WTPacket(h(0), a[1], p(2)); break;
    case 40: result = WTEnable(h(0), a[1]); break;
    case 41: result = WTOverlap(h(0), a[1]); break;
    case 60: result = WTConfig(h(0), w(1)); break;
    case 61: result = WTGet(h(0), static_cast<LOGCONTEXTA *>(p(1))); break;
    case 62: result = WTSet(h(0), static_cast<LOGCONTEXTA *>(p(1))); break;
    case 63: result = WTExtGet(h(0), a[1], p(2)); break;
    case 64: result = WTExtSet(h(0), a[1], p(2)); break;
    case 65: result = WTSave(h(0), p(1)); break;
    case 66: result = WTRestore(w(0), p(1), a[2]); break;
    case 80: result = WTPacketsPeek(h(0), static_cast<int>(a[1]), p(2)); break;
    case 81: result = WTDataGet(h(0), a[1], a[2], static_cast<int>(a[3]), p(4), static_cast<int *>(p(5))); break;
    case 82: result = WTDataPeek(h(0), a[1], a[2], static_cast<int>(a[3]), p(4), static_cast<int *>(p(5))); break;
    case 84: result = WTQueueSizeGet(h(0)); break;
    case 85: result = WTQueueSizeSet(h(0), static_cast<int>(a[1])); break;
    case 100: result = WTMgrOpen(w(0), a[1]); break;
    case 101: result = WTMgrClose(h(0)); break;
    case 120: result = WTMgrContextEnum(h(0), reinterpret_cast<FARPROC>(p(1)), static_cast<LPARAM>(a[2])); break;
    case 121: result = WTMgrContextOwner(h(0), h(1)); break;
    case 122: result = WTMgrDefContext(h(0), a[1]); break;
    case 140: result = WTMgrDeviceConfig(h(0), a[1], w(2)); break;
    case 180: result = WTMgrExt(h(0), a[1], p(2)); break;
    case 181: result = WTMgrCsrEnable(h(0), a[1], a[2]); break;
    case 182: result = WTMgrCsrButtonMap(h(0), a[1], static_cast<BYTE *>(p(2)), static_cast<BYTE *>(p(3))); break;
    case 183: result = WTMgrCsrPressureBtnMarks(h(0), a[1], a[2], a[3]); break;
    case 184: result = WTMgrCsrPressureResponse(h(0), a[1], static_cast<UINT *>(p(2)), static_cast<UINT *>(p(3))); break;
    case 185: result = WTMgrCsrExt(h(0), a[1], a[2], p(3)); break;
    case 200: result = WTQueuePacketsEx(h(0), static_cast<UINT *>(p(1)), static_cast<UINT *>(p(2))); break;
    default: result = ResolveWinTabOrdinal(ordinal); break;
    }
    if (state) {
        uint32_t filled = 0;
        for (int i = 0; sTable && i < kSlotCount; ++i)
            filled += sTable[i] != nullptr;
        *state = (sModule ? 1u : 0u) | (sTableBlock ? 2u : 0u) | filled << 8;
    }
    return result;
}

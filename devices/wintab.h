// The WinTab programming interface as the pen-tablet driver uses it: WINTAB32.DLL is loaded on the first
// call and each entry point taken by its published ordinal. Without the library every call answers 0.
// Private to the tablet code.
#pragma once

#include <windows.h>
#include <stdint.h>

typedef HANDLE HCTX;
typedef HANDLE HMGR;
typedef DWORD WTPKT;
typedef DWORD FIX32;

struct LOGCONTEXTA {
    char lcName[40];
    UINT lcOptions;
    UINT lcStatus;
    UINT lcLocks;
    UINT lcMsgBase;
    UINT lcDevice;
    UINT lcPktRate;
    WTPKT lcPktData;
    WTPKT lcPktMode;
    WTPKT lcMoveMask;
    DWORD lcBtnDnMask;
    DWORD lcBtnUpMask;
    LONG lcInOrgX, lcInOrgY, lcInOrgZ;
    LONG lcInExtX, lcInExtY, lcInExtZ;
    LONG lcOutOrgX, lcOutOrgY, lcOutOrgZ;
    LONG lcOutExtX, lcOutExtY, lcOutExtZ;
    FIX32 lcSensX, lcSensY, lcSensZ;
    BOOL lcSysMode;
    int lcSysOrgX, lcSysOrgY, lcSysExtX, lcSysExtY;
    FIX32 lcSysSensX, lcSysSensY;
};
static_assert(sizeof(LOGCONTEXTA) == 172, "LOGCONTEXTA is 172 bytes");

struct AXIS {
    LONG axMin;
    LONG axMax;
    UINT axUnits;
    FIX32 axResolution; // 16.16
};

struct ORIENTATION {
    int orAzimuth;
    int orAltitude;
    int orTwist;
};

// A packet as the tablet's context asks for it: status, buttons, x, y, normal pressure and orientation,
// in WinTab's field order.
struct TabletPacket {
    UINT status;
    DWORD buttons;
    LONG x;
    LONG y;
    UINT pressure;
    ORIENTATION orientation;
};

// WTInfo categories and indexes.
enum : UINT {
    WTI_DEFSYSCTX = 4,
    WTI_DEVICES = 100,
    DVC_NAME = 1,
    DVC_PKTRATE = 5,
    DVC_PKTDATA = 6,
    DVC_NPRESSURE = 15,
    DVC_ORIENTATION = 17,
    WTI_CURSORS = 200,
    CSR_ACTIVE = 2,
    CSR_PKTDATA = 3,
};

// Packet fields, context options and packet status bits.
enum : DWORD {
    PK_STATUS = 0x0002,
    PK_BUTTONS = 0x0040,
    PK_X = 0x0080,
    PK_Y = 0x0100,
    PK_NORMAL_PRESSURE = 0x0400,
    PK_ORIENTATION = 0x1000,
    TPS_PROXIMITY = 0x0001,
};

// The first 32 of the 1,250 ordinal slots the loader keeps; the wrappers take these ordinals only.
uint32_t WTInfo(UINT category, UINT index, void *output);
uint32_t WTOpen(HWND window, LOGCONTEXTA *context, BOOL enable);
uint32_t WTClose(HCTX context);
uint32_t WTPacketsGet(HCTX context, int maximum, void *packets);
uint32_t WTPacket(HCTX context, UINT serial, void *packet);
uint32_t WTEnable(HCTX context, BOOL enable);
uint32_t WTOverlap(HCTX context, BOOL toTop);
uint32_t WTConfig(HCTX context, HWND window);
uint32_t WTGet(HCTX context, LOGCONTEXTA *logContext);
uint32_t WTSet(HCTX context, LOGCONTEXTA *logContext);
uint32_t WTExtGet(HCTX context, UINT extension, void *data);
uint32_t WTExtSet(HCTX context, UINT extension, void *data);
uint32_t WTSave(HCTX context, void *saveInfo);
uint32_t WTRestore(HWND window, void *saveInfo, BOOL enable);
uint32_t WTPacketsPeek(HCTX context, int maximum, void *packets);
uint32_t WTDataGet(HCTX context, UINT begin, UINT end, int maximum, void *packets, int *count);
uint32_t WTDataPeek(HCTX context, UINT begin, UINT end, int maximum, void *packets, int *count);
uint32_t WTQueueSizeGet(HCTX context);
uint32_t WTQueueSizeSet(HCTX context, int packets);
uint32_t WTMgrOpen(HWND window, UINT messageBase);
uint32_t WTMgrClose(HMGR manager);
uint32_t WTMgrContextEnum(HMGR manager, FARPROC procedure, LPARAM parameter);
uint32_t WTMgrContextOwner(HMGR manager, HCTX context);
uint32_t WTMgrDefContext(HMGR manager, BOOL system);
uint32_t WTMgrDeviceConfig(HMGR manager, UINT device, HWND window);
uint32_t WTMgrExt(HMGR manager, UINT extension, void *data);
uint32_t WTMgrCsrEnable(HMGR manager, UINT cursor, BOOL enable);
uint32_t WTMgrCsrButtonMap(HMGR manager, UINT cursor, BYTE *logicalButtons, BYTE *systemButtons);
uint32_t WTMgrCsrPressureBtnMarks(HMGR manager, UINT cursor, DWORD normalMarks, DWORD tangentMarks);
uint32_t WTMgrCsrPressureResponse(HMGR manager, UINT cursor, UINT *normalResponse, UINT *tangentResponse);
uint32_t WTMgrCsrExt(HMGR manager, UINT cursor, UINT extension, void *data);
uint32_t WTQueuePacketsEx(HCTX context, UINT *oldest, UINT *newest);

// Looks an ordinal up (loading the library first when needed) into its slot: whether it was found. Only
// the ordinals of the wrappers above are looked up.
bool ResolveWinTabOrdinal(int ordinal);
// Frees the ordinal table and the library when loaded.
void UnloadWinTab();

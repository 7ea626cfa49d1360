// Private declarations of the QuickDraw core.
#pragma once

#include "qd_services.h"
#include "../core/core_services.h"

// Patterns stored by kind (pen, background, fill).
enum PatternKind { patternPen = 0, patternBack = 1, patternFill = 2 };

// Transfer modes and their GDI counterparts used when a record is initialised.
enum {
    patCopyMode = 8,
    srcOrMode = 1,
    blackColorCode = 33,
    whiteColorCode = 30
};

// The library's default line-width scale (Fixed 1.0).
constexpr Fixed kDefaultLineWidth = 0x10000;

// A handle whose master pointer holds data (not nil, not the unmapped mark 0xFFFF).
inline bool HandleHasData(const void *h)
{
    if (!h)
        return false;
    uintptr_t data = *static_cast<const uintptr_t *>(h);
    return data != 0 && data != 0xFFFF;
}

inline CGrafPtr AsColorPort(GrafPtr port) { return reinterpret_cast<CGrafPtr>(port); }
inline GrafPtr AsPort(CGrafPtr port) { return reinterpret_cast<GrafPtr>(port); }

// ---- The PortDCTable (port_dc_table.cpp) ----
// Gives the port a record in the first free entry: patStretch holds the index, or -1 when the table
// is full (the result).
int AllocatePortRecord(GrafPtr port);
// Sets a record to its defaults; `fresh` also clears the fields a re-initialisation keeps (flags,
// port, window, DC, cached GDI objects).
void InitialisePortRecord(PortDCRecord *record, bool fresh);
// Frees the record at `index` and clears its entry.
void FreePortRecordAt(int index);
// Frees every record left (session end).
void FreeAllPortRecords();
bool AnyPortRecordInUse();
// The DC a record took ownership of when its port opened (0 when it owns none).
HDC OwnedPortDC(int index);
void SetOwnedPortDC(int index, HDC dc);

// The list of valid ports: a port is valid from its opening until it closes.
bool IsPortInValidList(GrafPtr port);
// Enters the port unless it is already there: the last free entry, searching from the end; the list
// grows by 20 entries when none is free.
void EnterValidPort(GrafPtr port);
void RemoveValidPort(GrafPtr port);
void FreeValidPortList();

// ---- Ports (ports.cpp) ----
// Makes `port` the current port and mirrors it into the QuickDraw globals' thePort.
void SetCurrentPortVariable(GrafPtr port);
// Where the QuickDraw globals' thePort lives (given to InitGraf).
void SetThePortMirror(GrafPtr *field);
void SetWMgrCPort(CGrafPtr port);
void SetQuickDrawMainWindow(HWND window);
// Holds `dc` as the screen DC and the current DC (InitGraf).
void TakeScreenDC(HDC dc);
// Releases the screen DC when held (ExitGraf).
void ReleaseScreenDC();
// Drops every piece of port state (ExitGraf).
void ResetPortState();

// ---- InitGraf (init_graf.cpp) ----
void ExitGraf();

// ---- Transfer modes (transfer_modes.cpp) ----
// Sets the record's emulation flag, ROP2 and background modes from the port's pnMode and txMode.
void DerivePortModeAttributes(PortDCRecord *record, GrafPtr port);

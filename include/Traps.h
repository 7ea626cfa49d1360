/* Trap words of the Toolbox routines a host may patch with NSetTrapAddress, and the trap kinds. */
#ifndef TOLVADEX_TRAPS_H
#define TOLVADEX_TRAPS_H
#define __TRAPS__

#include "MacTypes.h"

/* The trap kind passed to NGetTrapAddress and NSetTrapAddress; the library accepts either. */
typedef uint16_t TrapType;
enum { OSTrap = 0, ToolTrap = 1 };

/* The patchable routines. */
enum {
    _PopUpMenuSelect = 0xA80B,
    _GetNextEvent = 0xA970,
    _WaitNextEvent = 0xA860,
    _EventAvail = 0xA971,
    _Button = 0xA974,
    _GetMouse = 0xA972,
    _SystemTask = 0xA9B4,
    _SetOrigin = 0xA878,
    _BeginUpdate = 0xA922,
    _EndUpdate = 0xA923,
    _InvalRect = 0xA928,
    _InvalRgn = 0xA927,
    _StillDown = 0xA973,
    _NewWindow = 0xA913,
    _NewCWindow = 0xAA45,
    _ShowWindow = 0xA915,
    _HideWindow = 0xA916,
    _SelectWindow = 0xA91F,
    _CloseWindow = 0xA92D,
    _FrontWindow = 0xA924,
    _ModalDialog = 0xA991,
    _WaitMouseUp = 0xA977,
    _DrawMenuBar = 0xA937,
    _HiliteMenu = 0xA938,
    _SetCursor = 0xA851,
    _InitCursor = 0xA850,
    _EraseRect = 0xA8A3
};
/* The word no routine answers to: a trap whose address is this one's is not there. */
enum { _Unimplemented = 0xA89F };

#endif

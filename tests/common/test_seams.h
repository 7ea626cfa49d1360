// Library calls the test programs use that are no part of the host interface: the DLL exports them by
// ordinal only, and the import library binds them so.
#pragma once

#include <windows.h>
#include "Quickdraw.h"

// Opens a colour port that draws into the given DC (which the port does not own).
ZEL_API void ZEL_CALL OpenPortForHDC(CGrafPtr port, HDC dc);
// The brush the current port's pattern of `kind` (0 pen, 1 background, 2 fill) draws with, the DC's
// colours set for it; selected into the port's DC when `select` is nonzero.
ZEL_API HBRUSH ZEL_CALL SelectPortPatternBrush(int16_t kind, int16_t select);
// Before the Thread Manager's first call: run its threads on the library's own stacks instead of fibers.
ZEL_API OSErr ZEL_CALL SelectStackSwitcher(Boolean useStacks);
// Lets plain (all-foreground or all-background) patterns be filled with a solid brush, or makes them
// go through their one-bit pattern brush; answers the previous setting.
ZEL_API Boolean ZEL_CALL SelectPlainPatternFills(Boolean solid);
// Turns (0, 90, 180, 270) and mirrors (bit 0 horizontally, bit 1 vertically) the current port about a
// pivot.
ZEL_API void ZEL_CALL SetPortTurn(int16_t rotation, uint16_t mirror, int16_t pivotH, int16_t pivotV);
// Grows the text scratch buffers when `grow` is positive, then reports them and answers their capacity.
ZEL_API int32_t ZEL_CALL TextScratchBuffers(int32_t grow, Ptr *bytes, Ptr *longs);
// GetCPixel reads through a bitmap compatible with the DC and decodes its bits while on (the route of
// Windows other than NT); answers the previous setting.
ZEL_API Boolean ZEL_CALL SelectCompatiblePixelRoute(Boolean on);
// While on, new handle data get pages of their own with the last byte flush against a no-access page,
// so that a read or write past a handle's end faults at once (sub-allocation is skipped meanwhile);
// answers the previous setting.
ZEL_API Boolean ZEL_CALL GuardHandleData(Boolean on);

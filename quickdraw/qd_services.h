// Services of the QuickDraw core for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Quickdraw.h"

// Frees ports, port records and QuickDraw's caches at session exit.
void TearDownQuickDraw();
// The colour dialog's CHOOSECOLOR record, prepared at session start.
void PrepareColorDialogTemplate();

// Default bodies of the patchable QuickDraw routines (the trap table's defaults), with their routines'
// published arguments and calling convention.
void ZEL_CALL DefaultSetOrigin(int16_t h, int16_t v);
void ZEL_CALL EraseRectImpl(const Rect *rect);
void ZEL_CALL DefaultSetCursor(const Cursor *cursor);
void ZEL_CALL DefaultInitCursor(void);

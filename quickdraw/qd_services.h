// Services of the QuickDraw core for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"

// Frees ports, port records and QuickDraw's caches at session exit.
void TearDownQuickDraw();
// The colour dialog's CHOOSECOLOR record, prepared at session start.
void PrepareColorDialogTemplate();

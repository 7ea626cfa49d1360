// Services of text, fonts and TextEdit for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Fonts.h"

// Font enumeration procedure of the Font Manager.
int CALLBACK A_EnumFont(const LOGFONTA *font, const TEXTMETRICA *metrics, DWORD type, LPARAM data);

// The Macintosh-to-Windows font map: loaded when a DC is first attached to a port record, freed with the
// font tables when the last port record goes.
bool FontMapLoaded();
void LoadFontMap();
void FreeFontTables();
// The font width table, freed by QuickDraw's teardown.
void DisposeWidthTable();

// Services of text, fonts and TextEdit for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Fonts.h"

// Font enumeration procedure of the Font Manager.
int CALLBACK A_EnumFont(const LOGFONTA *font, const TEXTMETRICA *metrics, DWORD type, LPARAM data);

// What test_menu_mirror sets in the stand-ins of the core services.
#pragma once
#include <cstdint>

// The host override table the menu code reads (ZEL_Set_MacWin's command map in the library).
void SetStandInCommandMap(const uint16_t *map);

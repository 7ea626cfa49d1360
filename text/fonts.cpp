// Font Manager: family numbers by name.
#include "text_services.h"

// PENDING: the font enumeration collects the installed faces into the font list.
int CALLBACK A_EnumFont(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM) { return 1; }

// Family numbers come from the font map; a name the map does not know, or no name, gives 0.
// PENDING: the Font Manager looks the name up in the font map and the installed faces.
ZEL_EXTERN_C void ZEL_CALL GetFNum(ConstStr255Param, int16_t *familyID)
{
    if (familyID)
        *familyID = 0;
}

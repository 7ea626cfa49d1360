// Script Manager and International Utilities: the set-up run when the resource files are open.
#include "text_services.h"

// PENDING: the international work builds the international records and loads the conversion tables.
void InitScriptAndIntl() {}

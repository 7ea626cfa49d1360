// TextEdit: keys, clicks, the selection, insertion, deletion, and cut, copy and paste.
#include "textedit.h"

// PENDING: TEClick's drag scrolls the record automatically from here; until then the click goes on.
ZEL_EXTERN_C Boolean ZEL_CALL SimpleClikProc(void) { return true; }

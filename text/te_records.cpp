// TextEdit: records and their life cycle.
#include "text_services.h"

// PENDING: TextEdit makes its records (TENew's maker, bound to an edit control when a window is given);
// until then no record is made and 0 is answered.
TEHandle NewTERecord(const Rect *, const Rect *, HWND) { return nullptr; }

// PENDING: TextEdit disposes its records (TEDispose); until then there is nothing to dispose.
void DisposeTERecord(TEHandle) {}

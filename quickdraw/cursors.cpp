// Cursors: the default bodies of the patchable cursor calls. Cursors are not converted yet, so the
// Windows cursor stays as it is.
#include "qd_services.h"

void ZEL_CALL DefaultSetCursor(const Cursor *) {}
void ZEL_CALL DefaultInitCursor(void) {}

// PENDING: the cursor work clears the cursor table, makes the standard cursors and reads the pointer size.
void LoadCursorSettings() {}
// PENDING: the cursor work frees its cache of converted cursors.
void DisposeCursorCache() {}
// PENDING: the cursor work drops a released 'CURS' or 'crsr' resource from its cursor cache.
void ForgetCursorResource(Handle, bool) {}
// PENDING: the cursor table answers for the cursors it converted.
bool IsCachedCursor(HCURSOR) { return false; }
// PENDING: the cursor table gives the cursor of a slot.
HCURSOR CachedCursorAt(int) { return nullptr; }

// PENDING: the cursor work shows the cursor again when ObscureCursor hid it.
void UnobscureCursor() {}
